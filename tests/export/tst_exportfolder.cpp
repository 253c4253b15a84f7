#include "export/ExportFolder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class ExportFolderTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString make(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        if (!QDir().mkpath(path))
            qFatal("cannot create %s", qPrintable(path));
        return path;
    }

private slots:
    void existingWritableFolderResolves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << QStringLiteral("Exports");
        QTest::newRow("non-ASCII") << QStringLiteral("Bilder für 写真");
        QTest::newRow("spaces and percent") << QStringLiteral("My Shots %20 done");
    }
    void existingWritableFolderResolves()
    {
        QFETCH(QString, name);
        const QString folder = make(name);
        const auto data = ExportFolder::bookmark(folder);
        QVERIFY(data);
        QCOMPARE(*data, folder.toUtf8());
        QCOMPARE(ExportFolder::resolve(data), std::optional<QString>(folder));
    }

    void unusableReferencesResolveToNothing_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QString folder = make(QStringLiteral("real"));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe/\xc3(", 5);
        QTest::newRow("binary garbage") << QByteArray("bplist00\xd4\x01\x02\x03", 12);
        QTest::newRow("NUL inside") << (folder.toUtf8() + QByteArray("\0/x", 3));
        QTest::newRow("relative") << QByteArray("real");
        QTest::newRow("deleted") << m_dir.filePath(QStringLiteral("gone")).toUtf8();
        QTest::newRow("unmounted volume")
            << QByteArrayLiteral("/media/framelark-test-no-such-volume/Screenshots");
    }
    void unusableReferencesResolveToNothing()
    {
        QFETCH(QByteArray, data);
        QCOMPARE(ExportFolder::resolve(data), std::nullopt);
    }

    void nothingStoredResolvesToNothing()
    {
        QCOMPARE(ExportFolder::resolve(std::nullopt), std::nullopt);
    }

    void folderDeletedAfterChoosingNoLongerResolves()
    {
        const QString folder = make(QStringLiteral("later-deleted"));
        const auto data = ExportFolder::bookmark(folder);
        QVERIFY(ExportFolder::resolve(data));
        QVERIFY(QDir(folder).removeRecursively());
        QCOMPARE(ExportFolder::resolve(data), std::nullopt);
        // A file of the same name is no folder either.
        QVERIFY(TestSupport::writeFile(folder, "x"));
        QCOMPARE(ExportFolder::resolve(data), std::nullopt);
    }

    void readOnlyFolderDoesNotResolve()
    {
        if (::geteuid() == 0)
            QSKIP("root may write anywhere");
        const QString folder = make(QStringLiteral("read-only"));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const auto data = ExportFolder::bookmark(folder);
        QCOMPARE(ExportFolder::resolve(data), std::nullopt);
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(ExportFolder::resolve(data), std::optional<QString>(folder));
    }

    void resolvedPathIsClean()
    {
        const QString folder = make(QStringLiteral("clean/inner"));
        const QByteArray messy = (m_dir.path() + QStringLiteral("/clean//inner/../inner/")).toUtf8();
        QCOMPARE(ExportFolder::resolve(messy), std::optional<QString>(folder));
    }

    void bookmarkNeedsAnExistingFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty") << QString();
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing"));
        const QString file = m_dir.filePath(QStringLiteral("a-file"));
        TestSupport::writeFile(file, "x");
        QTest::newRow("file") << file;
    }
    void bookmarkNeedsAnExistingFolder()
    {
        QFETCH(QString, folder);
        QCOMPARE(ExportFolder::bookmark(folder), std::nullopt);
    }

    void bookmarkOfRelativeFolderIsAbsolute()
    {
        const QString folder = make(QStringLiteral("rel"));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const auto data = ExportFolder::bookmark(QStringLiteral("./rel/"));
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(data, std::optional<QByteArray>(folder.toUtf8()));
    }
};

QTEST_GUILESS_MAIN(ExportFolderTest)
#include "tst_exportfolder.moc"
