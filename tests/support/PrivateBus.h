#pragma once
// A D-Bus session bus of the test's own (dbus-daemon without the system's
// service files), so that fake desktop services can stand in for the real
// ones and nothing real is ever activated.
//
// Thread: the test's. Ownership: the daemon ends with the object.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PrivateBus {
public:
    PrivateBus() = default;
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;
    ~PrivateBus();

    // Starts the daemon; the bus's address, or empty when dbus-daemon is
    // not installed or did not start within 5 s.
    QString start();
    QString address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};
