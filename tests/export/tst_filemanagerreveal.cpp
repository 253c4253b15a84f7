#include "export/FileManagerReveal.h"
#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// Stands in for the desktop's file manager on a private bus.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shown;

public slots:
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        Q_UNUSED(startupId);
        shown.append(uris);
    }
};

// Receives what would have gone to QDesktopServices::openUrl.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class FileManagerRevealTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    PrivateBus m_bus;
    QString m_address;
    OpenedUrls m_opened;

    const QStringList folders() const
    {
        return {m_dir.filePath("out/Été 旅行 Screenshots"), m_dir.filePath("out/b Screenshots")};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDesktopServices::setUrlHandler("file", &m_opened, "open");
        m_address = m_bus.start();
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }
    void init() { m_opened.urls.clear(); }

    void theFileManagerShowsTheFolders()
    {
        if (m_address.isEmpty())
            QSKIP("dbus-daemon is not installed");
        QDBusConnection service = QDBusConnection::connectToBus(m_address, "service");
        QVERIFY(service.isConnected());
        FakeFileManager manager;
        QVERIFY(service.registerObject("/org/freedesktop/FileManager1", &manager,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService("org.freedesktop.FileManager1"));
        QDBusConnection client = QDBusConnection::connectToBus(m_address, "client");
        QVERIFY(client.isConnected());

        FileManagerReveal::reveal(folders(), client);
        QTRY_COMPARE_WITH_TIMEOUT(manager.shown.size(), 1, 5000);
        QCOMPARE(manager.shown.first(),
                 (QStringList{QUrl::fromLocalFile(folders()[0]).toString(QUrl::FullyEncoded),
                              QUrl::fromLocalFile(folders()[1]).toString(QUrl::FullyEncoded)}));
        QTest::qWait(50);
        QVERIFY(m_opened.urls.isEmpty());

        service.unregisterService("org.freedesktop.FileManager1");
        QDBusConnection::disconnectFromBus("service");
        QDBusConnection::disconnectFromBus("client");
    }

    void withoutAFileManagerTheDestinationOpens()
    {
        if (m_address.isEmpty())
            QSKIP("dbus-daemon is not installed");
        QDBusConnection client = QDBusConnection::connectToBus(m_address, "lonely");
        QVERIFY(client.isConnected());
        FileManagerReveal::reveal(folders(), client);
        QTRY_COMPARE_WITH_TIMEOUT(m_opened.urls.size(), 1, 5000);
        QCOMPARE(m_opened.urls.first(), QUrl::fromLocalFile(m_dir.filePath("out")));
        QDBusConnection::disconnectFromBus("lonely");
    }

    void withoutABusTheDestinationOpens()
    {
        const QDBusConnection none("never connected");
        QVERIFY(!none.isConnected());
        FileManagerReveal::reveal(folders(), none);
        QCOMPARE(m_opened.urls, QList<QUrl>{QUrl::fromLocalFile(m_dir.filePath("out"))});
    }

    void nothingToShowOpensNothing()
    {
        FileManagerReveal::reveal({}, QDBusConnection("never connected"));
        QVERIFY(m_opened.urls.isEmpty());
    }
};

QTEST_MAIN(FileManagerRevealTest)
#include "tst_filemanagerreveal.moc"
