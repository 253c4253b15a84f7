#include "support/PrivateBus.h"

#include <QFile>
#include <QStandardPaths>

PrivateBus::~PrivateBus()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

QString PrivateBus::start()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty() || !m_dir.isValid())
        return {};
    // Its socket lives in /tmp, not in the test's folder: a Unix socket
    // address holds at most 108 bytes, which a checkout at a deep path
    // exceeds.
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
               "<auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>");
    file.close();
    m_daemon.start(daemon, {"--config-file=" + config, "--nofork", "--print-address=1"});
    if (!m_daemon.waitForStarted(5000))
        return {};
    for (int waited = 0; !m_daemon.canReadLine() && waited < 5000; waited += 10)
        m_daemon.waitForReadyRead(10);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    return m_address;
}
