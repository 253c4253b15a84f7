#include "export/NewFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <sys/stat.h>

using Side = NewFiles::Failure::Side;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class NewFilesTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void copiesEveryByte_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("empty") << 0;
        QTest::newRow("small") << 1000;
        // Several read chunks and an uneven tail.
        QTest::newRow("3 MiB and a bit") << (3 << 20) + 17;
    }
    void copiesEveryByte()
    {
        QFETCH(int, size);
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator rng(size);
        for (char &c : bytes)
            c = char(rng.bounded(256));
        const QString from = path(QStringLiteral("src-%1.jpg").arg(size));
        const QString to = path(QStringLiteral("copy-%1.jpg").arg(size));
        QVERIFY(TestSupport::writeFile(from, bytes));
        QVERIFY(!NewFiles::copyToNew(from, to));
        QCOMPARE(bytesOf(to), bytes);
        // A normal user file, not the private mode of the temporary folder.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(to).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0666 & ~mask);
    }

    // Whatever is at the target name, even if it showed up after the caller
    // last looked, is kept and the copy fails.
    void neverReplacesWhatIsThere()
    {
        const QString from = path("shot.jpg");
        QVERIFY(TestSupport::writeFile(from, "new bytes"));

        const QString file = path("taken.jpg");
        QVERIFY(TestSupport::writeFile(file, "user data"));
        auto failure = NewFiles::copyToNew(from, file);
        QVERIFY(failure);
        QCOMPARE(failure->side, Side::target);
        QCOMPARE(failure->error, EEXIST);
        QCOMPARE(bytesOf(file), QByteArray("user data"));

        // A link is not followed to create or overwrite its target.
        const QString victim = path("victim.txt");
        const QString link = path("link.jpg");
        QVERIFY(QFile::link(victim, link));
        failure = NewFiles::copyToNew(from, link);
        QVERIFY(failure);
        QCOMPARE(failure->error, EEXIST);
        QVERIFY(!QFileInfo::exists(victim));

        const QString folder = path("folder.jpg");
        QVERIFY(QDir().mkdir(folder));
        failure = NewFiles::copyToNew(from, folder);
        QVERIFY(failure);
        QCOMPARE(failure->error, EEXIST);
        QVERIFY(QFileInfo(folder).isDir());
    }

    void unreadableSourcesCreateNothing_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << "no-such.jpg" << ENOENT;
        QTest::newRow("a folder") << "a-folder" << EISDIR;
    }
    void unreadableSourcesCreateNothing()
    {
        QFETCH(QString, source);
        QFETCH(int, error);
        QVERIFY(QDir().mkpath(path("a-folder")));
        const QString to = path("target-" + source);
        const auto failure = NewFiles::copyToNew(path(source), to);
        QVERIFY(failure);
        QCOMPARE(failure->side, Side::source);
        QCOMPARE(failure->error, error);
        QVERIFY(!QFileInfo::exists(to));
    }

    // A read that fails after the target was created leaves no half file.
    void aFailedReadRemovesThePartialCopy()
    {
        const QString to = path("from-proc.txt");
        // /proc/self/mem opens but every read at offset 0 fails (EIO), as
        // root too.
        const auto failure = NewFiles::copyToNew("/proc/self/mem", to);
        QVERIFY(failure);
        QVERIFY(!QFileInfo::exists(to));
    }

    void makeFolderCreatesOneLevelOnly()
    {
        QVERIFY(!NewFiles::makeFolder(path("new")));
        QVERIFY(QFileInfo(path("new")).isDir());

        auto failure = NewFiles::makeFolder(path("new"));
        QVERIFY(failure);
        QCOMPARE(failure->error, EEXIST);

        failure = NewFiles::makeFolder(path("missing/child"));
        QVERIFY(failure);
        QCOMPARE(failure->error, ENOENT);
        QVERIFY(!QFileInfo::exists(path("missing")));
    }

    // A taken name, even a dangling link, moves on to the next number;
    // any other failure ends at once and names where it failed.
    void freeNamesAreTakenByCreating()
    {
        const QString folder = path(QStringLiteral("free"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::link(folder + QStringLiteral("/nowhere"), folder + QStringLiteral("/Holiday 2.jpg")));
        using NewFiles::Kind;
        QStringList made;
        for (int i = 0; i < 2; ++i) {
            const NewFiles::Claimed claimed = NewFiles::createUnderFreeName(folder, QStringLiteral("Holiday"),
                                                                            QStringLiteral(".jpg"), Kind::emptyFile);
            QVERIFY(!claimed.failure);
            made << QFileInfo(claimed.path).fileName();
        }
        QCOMPARE(made, (QStringList{QStringLiteral("Holiday.jpg"), QStringLiteral("Holiday 3.jpg")}));
        QCOMPARE(QFileInfo(folder + QStringLiteral("/Holiday 3.jpg")).size(), 0);
        const NewFiles::Claimed sub = NewFiles::createUnderFreeName(folder, QStringLiteral("Holiday.jpg"), {}, Kind::folder);
        QCOMPARE(QFileInfo(sub.path).fileName(), QStringLiteral("Holiday.jpg 2"));
        QVERIFY(QFileInfo(sub.path).isDir());

        const NewFiles::Claimed missing = NewFiles::createUnderFreeName(
            folder + QStringLiteral("/gone"), QStringLiteral("Holiday"), QStringLiteral(".jpg"), Kind::emptyFile);
        QVERIFY(missing.failure);
        QCOMPARE(missing.failure->error, ENOENT);
        QCOMPARE(missing.path, folder + QStringLiteral("/gone/Holiday.jpg"));
    }

    void describesErrorsInWords()
    {
        QCOMPARE(NewFiles::describe(ENOSPC), QStringLiteral("No space left on device"));
        QCOMPARE(NewFiles::describe(EACCES), QStringLiteral("Permission denied"));
    }
};

QTEST_GUILESS_MAIN(NewFilesTest)
#include "tst_newfiles.moc"
