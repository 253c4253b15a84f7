#include "basics/TempRoot.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TempRootTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TempRoot::remove(); }
    void cleanupTestCase() { TempRoot::remove(); }

    void pathIsPerUserAndCreatesNothing()
    {
        QCOMPARE(TempRoot::path(), QDir::tempPath() + "/Framelark-" + QString::number(getuid()));
        QVERIFY(!QFileInfo::exists(TempRoot::path()));
    }

    void workFoldersArePrivateAndNamedByUuid()
    {
        const auto first = TempRoot::createWorkFolder();
        const auto second = TempRoot::createWorkFolder();
        QVERIFY(first && second);
        QVERIFY(*first != *second);
        const QRegularExpression uuid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
        QVERIFY(uuid.match(QFileInfo(*first).fileName()).hasMatch());
        QCOMPARE(QFileInfo(*first).absolutePath(), TempRoot::path());
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(TempRoot::path()).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0700u);
    }

    void anOpenRootIsMadePrivate()
    {
        QVERIFY(QDir().mkpath(TempRoot::path()));
        ::chmod(QFile::encodeName(TempRoot::path()).constData(), 0777);
        QVERIFY(TempRoot::ensure());
        struct stat info {};
        ::stat(QFile::encodeName(TempRoot::path()).constData(), &info);
        QCOMPARE(info.st_mode & 0777, 0700u);
    }

    void aPlantedSymlinkIsNeverUsed()
    {
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), TempRoot::path()));
        QVERIFY(!TempRoot::ensure());
        QVERIFY(!TempRoot::createWorkFolder());
        QVERIFY(QDir(elsewhere.path()).isEmpty());
        // Removing the root leaves the link's target alone.
        QVERIFY(TestSupport::writeFile(elsewhere.filePath("keep.txt"), "mine"));
        TempRoot::remove();
        QVERIFY(QFileInfo::exists(elsewhere.filePath("keep.txt")));
        QFile::remove(TempRoot::path());
    }

    void removingNeverFollowsALinkOut()
    {
        QTemporaryDir outside;
        QVERIFY(TestSupport::writeFile(outside.filePath("precious.jpg"), "keep me"));
        const auto folder = TempRoot::createWorkFolder();
        QVERIFY(folder);
        QVERIFY(QFile::link(outside.path(), *folder + "/link"));
        QVERIFY(TestSupport::writeFile(*folder + "/0000.jpg", "shot"));
        TempRoot::remove();
        QVERIFY(!QFileInfo::exists(TempRoot::path()));
        QVERIFY(QFileInfo::exists(outside.filePath("precious.jpg")));
    }

    void subfolderIsCreatedOnce()
    {
        const auto share = TempRoot::subfolder("share");
        QVERIFY(share);
        QCOMPARE(*share, TempRoot::path() + "/share");
        QVERIFY(TestSupport::writeFile(*share + "/a.jpg", "x"));
        QCOMPARE(TempRoot::subfolder("share"), share);
        QVERIFY(QFileInfo::exists(*share + "/a.jpg"));
    }

    void removeTreeOfAMissingFolderIsHarmless()
    {
        TempRoot::removeTree(TempRoot::path() + "/nothing-here");
        TempRoot::removeTree(QString());
        TempRoot::remove();
        QVERIFY(!QFileInfo::exists(TempRoot::path()));
    }
};

QTEST_GUILESS_MAIN(TempRootTest)
#include "tst_temproot.moc"
