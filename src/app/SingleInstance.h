#pragma once
// One running Framelark per user: a later launch hands its files to the
// running instance over a local socket and ends.
//
// Protocol: the client sends one frame (magic, length, NUL-ended UTF-8
// absolute paths); the server answers with one byte once it has taken them.
//
// Thread: UI thread. The server side needs the event loop.

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <chrono>

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        primary,    // this process serves later launches
        handedOver, // a running instance took the files; this one should end
        alone,      // neither worked; this process should carry on by itself
        beside,     // a running instance holds the name but did not answer
                    // (it may be busy, not dead): carry on by itself, and
                    // leave that instance's files alone
    };

    // `serverName`: a socket path or a QLocalServer name.
    explicit SingleInstance(QString serverName, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The per-user socket: "framelark" in the user's private runtime folder.
    static QString defaultServerName();

    // Launch arguments (paths relative to `workingDir`, or file URLs) as
    // absolute local paths, in order.
    static QStringList absolutePaths(const QStringList &arguments, const QString &workingDir);

    // Hands `paths` to a running instance, or becomes the instance others
    // hand to. A socket left behind by an instance that died is replaced.
    // Blocks at most about 2 × timeout.
    Role start(const QStringList &paths,
               std::chrono::milliseconds timeout = std::chrono::seconds(2));

signals:
    // Files another launch handed over, in its order.
    void filesReceived(const QList<QUrl> &urls);

private:
    bool handOver(const QStringList &paths, std::chrono::milliseconds timeout) const;
    bool listen();
    void accept();

    QString m_serverName;
    QLocalServer m_server;
};
