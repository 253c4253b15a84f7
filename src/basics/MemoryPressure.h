#pragma once
// Tells caches when the system is short of memory, so they can give back
// what they can rebuild. Linux has no notification a desktop program can
// count on, so the kernel's estimate of available memory is read on a timer;
// the read costs a few microseconds.
//
// Thread: the owning thread (timer and signal). Ownership: plain QObject.
// Failure: without /proc/meminfo it never reports a shortage.

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

namespace MemoryPressure {

struct Meminfo {
    qint64 totalKib = 0;
    qint64 availableKib = 0;
};

// The "MemTotal" and "MemAvailable" lines of a /proc/meminfo text, or none
// when either is missing.
std::optional<Meminfo> parse(QByteArrayView text);

// Short when less than a tenth of the memory is available, but never asking
// for more than 512 MiB to stay free (a tenth of a large machine is plenty).
bool isShort(const Meminfo &info);

} // namespace MemoryPressure

class MemoryWatch : public QObject {
    Q_OBJECT
public:
    // Reads `meminfoPath` every `intervalMs` once started.
    explicit MemoryWatch(int intervalMs = 5000, QString meminfoPath = QStringLiteral("/proc/meminfo"),
                         QObject *parent = nullptr);

    void start() { m_timer.start(); }
    // Reads now; emits low() when short.
    void check();

signals:
    // Emitted at every reading that finds memory short, so caches keep
    // shrinking while the shortage lasts.
    void low();

private:
    QTimer m_timer;
    const QString m_path;
};
