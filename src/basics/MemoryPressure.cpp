#include "basics/MemoryPressure.h"

#include <QFile>

#include <algorithm>

namespace MemoryPressure {

namespace {

// The number of "<key>:   1234 kB", or none.
std::optional<qint64> field(QByteArrayView text, QByteArrayView key)
{
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = text.sliced(at, end - at);
        if (line.startsWith(key) && line.size() > key.size() && line[key.size()] == ':') {
            bool ok = false;
            const QByteArray value = line.sliced(key.size() + 1).toByteArray().simplified().split(' ').value(0);
            const qint64 kib = value.toLongLong(&ok);
            return ok && kib >= 0 ? std::optional(kib) : std::nullopt;
        }
        at = end + 1;
    }
    return std::nullopt;
}

} // namespace

std::optional<Meminfo> parse(QByteArrayView text)
{
    const auto total = field(text, "MemTotal");
    const auto available = field(text, "MemAvailable");
    if (!total || !available || *total <= 0)
        return std::nullopt;
    return Meminfo{*total, *available};
}

bool isShort(const Meminfo &info)
{
    const qint64 reserve = std::min<qint64>(info.totalKib / 10, 512 * 1024);
    return info.availableKib < reserve;
}

} // namespace MemoryPressure

MemoryWatch::MemoryWatch(int intervalMs, QString meminfoPath, QObject *parent)
    : QObject(parent)
    , m_path(std::move(meminfoPath))
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &MemoryWatch::check);
}

void MemoryWatch::check()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // /proc files report size 0: read what is there, not size() bytes.
    const QByteArray text = file.read(8192);
    const auto info = MemoryPressure::parse(text);
    if (info && MemoryPressure::isShort(*info))
        emit low();
}
