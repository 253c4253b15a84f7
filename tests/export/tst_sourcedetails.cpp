#include "export/ShotFolderWriter.h"
#include "export/SourceDetails.h"
#include "media/ImageFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every character XML escapes, and one outside ASCII.
const QString videoName = QStringLiteral("Ferien & \"Strände\" <'24>.mov");
const QString software = QStringLiteral("Framelark 0.1.0");

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool haveExiftool() { return !QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty(); }

// What an independent reader finds in `path`: exiftool's tags as
// "group:name", with "ExifTool:Validate" its verdict on the file's
// structure (a bad PNG chunk CRC included).
QJsonObject exiftool(const QString &path)
{
    QProcess tool;
    tool.start(QStringLiteral("exiftool"), {QStringLiteral("-j"), QStringLiteral("-G1"), QStringLiteral("-validate"),
                                            QStringLiteral("-warning"), QStringLiteral("-XMP:all"),
                                            QStringLiteral("-PNG:all"), path});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(tool.readAllStandardOutput()).array().first().toObject();
}

} // namespace

class SourceDetailsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    // A small picture encoded the way shots are.
    QByteArray encoded(const QString &extension)
    {
        const QImage picture = TestSupport::quadrants(64, 48);
        const QString path = m_dir.filePath(QStringLiteral("plain.") + extension);
        QFile::remove(path);
        const bool written = extension == QLatin1String("jpg") ? ImageFiles::writeJpeg(picture, path, 0.9)
            : extension == QLatin1String("png")                ? ImageFiles::writePng(picture, path)
                                                               : ImageFiles::writeWebp(picture, path, 0.8);
        return written ? bytesOf(path) : QByteArray();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void embedsWhatReadersFind_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<qint64>("frame"); // -1: unknown
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("markerAt");
        QTest::addColumn<QByteArray>("marker");
        const QString time = videoName + QStringLiteral(", 00:01:05.500");
        // JFIF stays directly behind SOI; the text chunks directly behind
        // IHDR; a simple WebP gains the extended header that flags XMP.
        QTest::newRow("jpeg") << "jpg" << qint64(1637) << time + ", frame 1637" << 6 << QByteArray("JFIF");
        QTest::newRow("png") << "png" << qint64(0) << time + ", frame 0" << 37 << QByteArray("iTXt");
        QTest::newRow("webp, frame unknown") << "webp" << qint64(-1) << time << 12 << QByteArray("VP8X");
    }
    void embedsWhatReadersFind()
    {
        QFETCH(QString, extension);
        QFETCH(qint64, frame);
        QFETCH(QString, description);
        QFETCH(int, markerAt);
        QFETCH(QByteArray, marker);
        if (!haveExiftool())
            QSKIP("exiftool is not installed");

        const QByteArray plain = encoded(extension);
        QVERIFY(!plain.isEmpty());
        const SourceDetails::Details details{videoName, 65.5, frame < 0 ? std::nullopt : std::optional(frame), software};
        QCOMPARE(SourceDetails::description(details), description);
        const std::optional<QByteArray> stamped = SourceDetails::embed(plain, details);
        QVERIFY(stamped);
        QCOMPARE(stamped->mid(markerAt, marker.size()), marker);
        const QString path = m_dir.filePath(QStringLiteral("stamped.") + extension);
        QFile::remove(path);
        QVERIFY(TestSupport::writeFile(path, *stamped));

        const QJsonObject tags = exiftool(path);
        QVERIFY2(tags.value("ExifTool:Validate").toString() == "OK",
                 qPrintable(QJsonDocument(tags).toJson()));
        QCOMPARE(tags.value("XMP-dc:Source").toString(), videoName);
        QCOMPARE(tags.value("XMP-dc:Description").toString(), description);
        QCOMPARE(tags.value("XMP-xmp:CreatorTool").toString(), software);
        QCOMPARE(tags.value("XMP-framelark:SourceFile").toString(), videoName);
        QCOMPARE(tags.value("XMP-framelark:SourceTime").toDouble(), 65.5);
        QCOMPARE(tags.contains("XMP-framelark:SourceFrame"), frame >= 0);
        if (frame >= 0)
            QCOMPARE(tags.value("XMP-framelark:SourceFrame").toInteger(), frame);
        if (extension == QLatin1String("png")) {
            QCOMPARE(tags.value("PNG:Software").toString(), software);
            QCOMPARE(tags.value("PNG:Description").toString(), description);
        }

        const QImage before = QImage::fromData(plain);
        QVERIFY(!before.isNull());
        QCOMPARE(QImage::fromData(*stamped), before);
    }

    void leavesWhatItCannotReadAlone()
    {
        const SourceDetails::Details details{videoName, 1, 25, software};
        const QByteArray jpeg = encoded(QStringLiteral("jpg"));
        const QByteArray png = encoded(QStringLiteral("png"));
        const QByteArray webp = encoded(QStringLiteral("webp"));
        const QList<QPair<const char *, QByteArray>> files{
            {"empty", QByteArray()},
            {"text", QByteArray("just some text, long enough to be a header")},
            {"JPEG cut inside its header", jpeg.left(40)},
            {"PNG cut inside its data", png.left(png.size() - 20)},
            {"PNG without IHDR", png.left(8) + QByteArray::fromHex("0000000049454e44ae426082")},
            {"WebP cut short", webp.left(webp.size() - 8)},
        };
        for (const auto &[name, bytes] : files)
            QVERIFY2(!SourceDetails::embed(bytes, details), name);
    }

    // A shot that cannot be stamped is still exported, byte for byte.
    void exportsStampedShots()
    {
        if (!haveExiftool())
            QSKIP("exiftool is not installed");
        const QString shots = m_dir.filePath(QStringLiteral("shots"));
        const QString out = m_dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(shots) && QDir().mkpath(out));
        QVERIFY(TestSupport::writeFile(shots + "/0001.jpg", encoded(QStringLiteral("jpg"))));
        QVERIFY(TestSupport::writeFile(shots + "/0002.png", "not a picture"));
        const QList<Shot> list{Shot{1, 2.5, shots + "/0001.jpg", QString(), {}},
                               Shot{2, 3, shots + "/0002.png", QString(), {}}};
        const ShotFolderWriter::Outcome outcome = ShotFolderWriter::write(
            QStringLiteral("Holiday"), list, out, {}, nullptr, ShotFolderWriter::SourceStamp{"Holiday.mov", 25, software});
        QCOMPARE(outcome.failure, QString());
        QCOMPARE(outcome.copied, 2);
        const QDir folder(outcome.folder);
        QCOMPARE(folder.entryList(QDir::Files),
                 QStringList({"Holiday_001_00-00-02.jpg", "Holiday_002_00-00-03.png"}));
        // 2.5 s at 25 frames a second is frame 62.
        QCOMPARE(exiftool(folder.filePath("Holiday_001_00-00-02.jpg")).value("XMP-dc:Description").toString(),
                 QStringLiteral("Holiday.mov, 00:00:02.500, frame 62"));
        QCOMPARE(bytesOf(folder.filePath("Holiday_002_00-00-03.png")), QByteArray("not a picture"));
    }
};

QTEST_GUILESS_MAIN(SourceDetailsTest)
#include "tst_sourcedetails.moc"
