#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// A frame is "FLRK", the payload length (4 bytes, big-endian) and the
// payload: UTF-8 paths, each ended by a NUL byte, which no path can contain.
const QByteArray magic = QByteArrayLiteral("FLRK");
constexpr qsizetype headerSize = 8;
constexpr char accepted = '\x01';
// Far more than any real list of paths; a larger frame is not ours.
constexpr quint32 maxPayload = 16 * 1024 * 1024;

QByteArray frame(const QStringList &paths)
{
    QByteArray payload;
    for (const QString &path : paths)
        payload += path.toUtf8() + '\0';
    const auto size = quint32(payload.size());
    QByteArray bytes = magic;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += char((size >> shift) & 0xFF);
    return bytes + payload;
}

enum class Delivery { noServer, delivered, noAnswer };

Delivery deliver(const QString &serverName, const QStringList &paths, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs))
        return Delivery::noServer;
    socket.write(frame(paths));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(timeoutMs))
            return Delivery::noAnswer;
    }
    if (!socket.waitForReadyRead(timeoutMs))
        return Delivery::noAnswer;
    return socket.read(1) == QByteArray(1, accepted) ? Delivery::delivered : Delivery::noAnswer;
}

} // namespace

SingleInstance::SingleInstance(QString serverName, QObject *parent)
    : QObject(parent)
    , m_serverName(std::move(serverName))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName()
{
    // The runtime folder is private to the user, so nobody else can take the
    // name or listen in.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/framelark");
    return QStringLiteral("framelark-%1").arg(getuid());
}

QStringList SingleInstance::absolutePaths(const QStringList &arguments, const QString &workingDir)
{
    QStringList paths;
    const QDir base(workingDir);
    for (const QString &argument : arguments) {
        if (argument.isEmpty())
            continue;
        if (argument.startsWith(QLatin1String("file:")) || argument.contains(QLatin1String("://"))) {
            // An address: only local files can be opened.
            const QUrl url(argument);
            if (url.isLocalFile())
                paths.append(QDir::cleanPath(url.toLocalFile()));
            continue;
        }
        paths.append(QDir::cleanPath(base.absoluteFilePath(argument)));
    }
    return paths;
}

SingleInstance::Role SingleInstance::start(const QStringList &paths,
                                           std::chrono::milliseconds timeout)
{
    const int ms = int(timeout.count());
    switch (deliver(m_serverName, paths, ms)) {
    case Delivery::delivered:
        return Role::handedOver;
    case Delivery::noAnswer:
        // Someone listens but does not answer: never take its name away.
        return Role::beside;
    case Delivery::noServer:
        break;
    }
    if (listen())
        return Role::primary;
    if (m_server.serverError() != QAbstractSocket::AddressInUseError)
        return Role::alone;
    // The name is taken: either an instance started listening just now, or
    // one died and left its socket behind.
    switch (deliver(m_serverName, paths, ms)) {
    case Delivery::delivered:
        return Role::handedOver;
    case Delivery::noAnswer:
        return Role::beside;
    case Delivery::noServer:
        break;
    }
    QLocalServer::removeServer(m_serverName);
    return listen() ? Role::primary : Role::alone;
}

bool SingleInstance::listen()
{
    return m_server.listen(m_serverName);
}

void SingleInstance::accept()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() < headerSize)
                return;
            const QByteArray header = socket->peek(headerSize);
            if (!header.startsWith(magic)) {
                socket->abort();
                return;
            }
            quint32 size = 0;
            for (qsizetype i = magic.size(); i < headerSize; ++i)
                size = (size << 8) | quint8(header.at(i));
            if (size > maxPayload) {
                socket->abort();
                return;
            }
            if (socket->bytesAvailable() < headerSize + qint64(size))
                return; // the rest is still on its way
            socket->skip(headerSize);
            const QByteArray payload = socket->read(size);
            socket->write(QByteArray(1, accepted));
            socket->flush();
            socket->disconnectFromServer();
            QList<QUrl> urls;
            for (const QByteArray &path : payload.split('\0')) {
                const QString local = QString::fromUtf8(path);
                if (QDir::isAbsolutePath(local))
                    urls.append(QUrl::fromLocalFile(local));
            }
            if (!urls.isEmpty())
                emit filesReceived(urls);
        });
    }
}
