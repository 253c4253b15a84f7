#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "basics/TempRoot.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include <unistd.h>

class SingleInstanceTest : public QObject {
    Q_OBJECT
    // A socket address holds at most 108 bytes, which the test's private
    // temporary folder passes when the checkout lies deep: the sockets live
    // in /tmp.
    QTemporaryDir m_dir{QStringLiteral("/tmp/fl-i-XXXXXX")};
    int m_servers = 0;

    QString serverName() { return m_dir.filePath(QString::number(++m_servers)); }

    // Starts the helper as the primary instance and waits until it listens.
    static bool startPrimary(QProcess &process, const QString &server)
    {
        process.start(QStringLiteral(INSTANCE_HELPER), {server});
        if (!process.waitForStarted(5000))
            return false;
        QByteArray seen;
        while (!seen.contains('\n') && process.waitForReadyRead(5000))
            seen += process.readAll();
        return seen == "primary\n";
    }

private slots:
    void argumentsBecomeAbsolutePaths()
    {
        const QStringList paths = SingleInstance::absolutePaths(
            {"clip.mp4", "../other/b.mkv", "/abs/c.mov", "file:///abs/d%20e.mp4", "", "https://x/y.mp4"},
            "/home/u/videos");
        QCOMPARE(paths, (QStringList{"/home/u/videos/clip.mp4", "/home/u/other/b.mkv", "/abs/c.mov",
                                     "/abs/d e.mp4"}));
    }

    void secondLaunchHandsItsFilesOver()
    {
        const QString server = serverName();
        QProcess primary;
        QVERIFY(startPrimary(primary, server));

        QProcess second;
        second.setWorkingDirectory(m_dir.path());
        second.start(QStringLiteral(INSTANCE_HELPER), {server, "rel.mp4", "/abs/b.mkv"});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray("handed-over\n"));

        QVERIFY(primary.waitForFinished(10000));
        QCOMPARE(primary.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(primary.readAllStandardOutput()),
                 QStringLiteral("file:%1/rel.mp4\nfile:/abs/b.mkv\n").arg(m_dir.path()));
    }

    void socketOfADeadInstanceIsReplaced()
    {
        const QString server = serverName();
        QProcess crashed;
        QVERIFY(startPrimary(crashed, server));
        crashed.kill(); // SIGKILL: the socket file stays behind
        QVERIFY(crashed.waitForFinished(5000));
        QVERIFY(QFileInfo::exists(server));

        SingleInstance instance(server);
        QSignalSpy received(&instance, &SingleInstance::filesReceived);
        QCOMPARE(instance.start({}), SingleInstance::Role::primary);

        // And it serves the next launch.
        QProcess next;
        next.start(QStringLiteral(INSTANCE_HELPER), {server, "/v/a.mp4"});
        QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 10000);
        QCOMPARE(received.at(0).at(0).value<QList<QUrl>>(),
                 QList<QUrl>{QUrl::fromLocalFile("/v/a.mp4")});
        // The server lives in this process: keep its event loop turning
        // while the launch finishes its hand-over.
        QTRY_COMPARE_WITH_TIMEOUT(next.state(), QProcess::NotRunning, 10000);
        QCOMPARE(next.exitStatus(), QProcess::NormalExit);
        QCOMPARE(next.exitCode(), 0);
    }

    // A running instance too busy to answer is not taken for dead: the new
    // launch neither takes its name nor deletes its temporary files, at
    // launch or at its own quit.
    void aSilentInstanceKeepsItsNameAndFiles()
    {
        const QString server = serverName();
        QLocalServer busy;
        QVERIFY(busy.listen(server));
        QList<QLocalSocket *> held;  // accepted, read, never answered
        connect(&busy, &QLocalServer::newConnection, this, [&] {
            while (QLocalSocket *socket = busy.nextPendingConnection())
                held.append(socket);
        });
        const QString shared = QDir::tempPath() + QStringLiteral("/Framelark-") + QString::number(::getuid());
        QVERIFY(QDir().mkpath(shared + "/WORK"));
        QVERIFY(TestSupport::writeFile(shared + "/WORK/0000.jpg", "the running instance's shot"));

        // The launch blocks while it waits for an answer, so it runs on a
        // thread of its own and this event loop keeps the busy server going.
        SingleInstance::Role role = SingleInstance::Role::primary;
        std::atomic<bool> done{false};
        std::thread launch([&] {
            role = SingleInstance(server).start({"/v/a.mp4"}, std::chrono::milliseconds(300));
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
        launch.join();
        QVERIFY(!held.isEmpty());
        QCOMPARE(role, SingleInstance::Role::beside);
        QVERIFY(QFileInfo::exists(server));

        AppDelegate delegate;
        delegate.launched(role != SingleInstance::Role::beside);
        QVERIFY(TempRoot::path() != shared);
        QVERIFY(TempRoot::createWorkFolder());
        delegate.terminating();
        QVERIFY(QFileInfo::exists(shared + "/WORK/0000.jpg"));
        QVERIFY(!QFileInfo::exists(TempRoot::path()));
        TempRoot::removeTree(shared);
        qDeleteAll(held);
    }

    void garbageIsRefused()
    {
        const QString server = serverName();
        SingleInstance instance(server);
        QSignalSpy received(&instance, &SingleInstance::filesReceived);
        QCOMPARE(instance.start({}), SingleInstance::Role::primary);
        QLocalSocket socket;
        socket.connectToServer(server);
        QVERIFY(socket.waitForConnected(2000));
        socket.write(QByteArray(64, 'x'));
        socket.flush();
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, 5000);
        QCOMPARE(received.count(), 0);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
