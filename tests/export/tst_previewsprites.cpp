#include "export/PreviewSprites.h"
#include "media/ImageFiles.h"
#include "support/TestSupport.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <optional>

namespace {

// A "#" and a space: the cue text must still name the file.
const QString videoName = QStringLiteral("Trip #2");
constexpr double duration = 100.25;
constexpr int keptShots = 25;
constexpr int unreadableShot = 7;

struct Cue {
    qint64 start = -1; // ms
    qint64 end = -1;
    QString sprite;
    QRect rect;
};

// Strict: the header, then cues of exactly a timing line and a target line,
// one blank line apart, the file ending in a line break.
std::optional<QList<Cue>> parseVtt(const QString &path)
{
    QFile file(path);
    QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    if (!text.endsWith(u'\n'))
        return std::nullopt;
    text.chop(1);
    QStringList blocks = text.split(QStringLiteral("\n\n"));
    if (blocks.takeFirst() != QStringLiteral("WEBVTT"))
        return std::nullopt;
    static const QRegularExpression cue(QStringLiteral(
        R"(^(\d{2,}):([0-5]\d):([0-5]\d)\.(\d{3}) --> (\d{2,}):([0-5]\d):([0-5]\d)\.(\d{3})\n)"
        R"(([^#\s]+)#xywh=(\d+),(\d+),(\d+),(\d+)$)"));
    QList<Cue> cues;
    for (const QString &block : std::as_const(blocks)) {
        const QRegularExpressionMatch m = cue.match(block);
        if (!m.hasMatch())
            return std::nullopt;
        const auto number = [&m](int i) { return m.captured(i).toLongLong(); };
        const auto ms = [&](int i) { return ((number(i) * 60 + number(i + 1)) * 60 + number(i + 2)) * 1000 + number(i + 3); };
        cues.append({ms(1), ms(5), QUrl::fromPercentEncoding(m.captured(9).toLatin1()),
                     QRect(int(number(10)), int(number(11)), int(number(12)), int(number(13)))});
    }
    return cues;
}

QHash<QString, QByteArray> contents(const QString &folder)
{
    QHash<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot)) {
        QFile file(QDir(folder).filePath(name));
        files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
    }
    return files;
}

} // namespace

class PreviewSpritesTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QList<Shot> m_shots;
    QList<QRgb> m_colours; // of the shots that get a cue; black for the unreadable one

    Shot shot(qint64 id, double time, QColor colour)
    {
        QImage image(320, 180, QImage::Format_RGB32);
        image.fill(colour);
        const QString base = m_dir.filePath(QStringLiteral("work/"));
        Shot made{id, time, base + ImageFiles::shotFileName(id, ShotFormat::jpg), base + ImageFiles::thumbFileName(id), {}};
        const bool written = ImageFiles::writeJpeg(image, made.file, 0.9)
            && ImageFiles::writeJpeg(image.scaled(240, 135), made.thumbFile, 0.8);
        return written ? made : Shot{};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("work")));
        for (int i = 0; i < keptShots; ++i) {
            const QColor colour = QColor::fromHsv(i * 14, 255, 255);
            m_shots.append(i == unreadableShot ? Shot{i, 4.0 * i + 2, m_dir.filePath("gone.jpg"), {}, {}}
                                               : shot(i, 4.0 * i + 2, colour));
            QVERIFY(!m_shots.last().file.isEmpty());
            m_colours.append(i == unreadableShot ? qRgb(0, 0, 0) : colour.rgb());
            // Rounds to the same millisecond as the shot before: no cue.
            if (i == 10)
                m_shots.append(shot(100, 4.0 * i + 2.0004, Qt::gray));
        }
        m_shots.append(shot(101, duration, Qt::gray)); // at the end: no cue
    }

    void tilesAndCuesMatchTheShots()
    {
        const QString destination = m_dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(destination));
        std::atomic<qint64> done = 0;
        const PreviewSprites::Outcome outcome = PreviewSprites::write(
            videoName, m_shots, duration, QSizeF(1280, 720), destination, {160, 4, 3, 0.9}, {}, &done);
        QVERIFY2(outcome.failure.isEmpty(), qPrintable(outcome.failure));
        QCOMPARE(outcome.folder, destination + QStringLiteral("/Trip #2 Preview Sprites"));
        QCOMPARE(outcome.unreadable, qint64(1));
        QCOMPARE(done.load(), qint64(keptShots));
        QStringList names = QDir(outcome.folder).entryList(QDir::Files);
        names.sort();
        QCOMPARE(names, (QStringList{"Trip #2.vtt", "Trip #2_001.jpg", "Trip #2_002.jpg", "Trip #2_003.jpg"}));

        QHash<QString, QImage> sprites;
        for (const QString &name : names.mid(1))
            sprites.insert(name, QImage(QDir(outcome.folder).filePath(name)));
        QCOMPARE(sprites["Trip #2_001.jpg"].size(), QSize(640, 270));
        QCOMPARE(sprites["Trip #2_002.jpg"].size(), QSize(640, 270));
        QCOMPARE(sprites["Trip #2_003.jpg"].size(), QSize(160, 90));

        const std::optional<QList<Cue>> cues = parseVtt(outcome.vttFile);
        QVERIFY(cues);
        QCOMPARE(cues->size(), qsizetype(keptShots));
        for (int k = 0; k < keptShots; ++k) {
            const Cue &cue = cues->at(k);
            QCOMPARE(cue.start, k == 0 ? 0 : (4 * k + 2) * qint64(1000));
            QCOMPARE(cue.end, k == keptShots - 1 ? 100'250 : (4 * k + 6) * qint64(1000));
            const QImage &sprite = sprites.value(cue.sprite);
            QVERIFY2(sprite.rect().contains(cue.rect), qPrintable(cue.sprite));
            QCOMPARE(cue.rect.size(), QSize(160, 90));
            const QRgb centre = sprite.pixel(cue.rect.center());
            QVERIFY2(TestSupport::near(centre, m_colours[k], 24),
                     qPrintable(QStringLiteral("cue %1: %2").arg(k).arg(centre, 8, 16)));
        }
    }

    void neverReplacesAnEarlierExport()
    {
        const QString destination = m_dir.filePath(QStringLiteral("twice"));
        QVERIFY(QDir().mkpath(destination));
        const QList<Shot> few = m_shots.mid(0, 3);
        const auto first = PreviewSprites::write(videoName, few, 30, QSizeF(), destination, {});
        QVERIFY2(first.failure.isEmpty(), qPrintable(first.failure));
        const QHash<QString, QByteArray> before = contents(first.folder);
        QCOMPARE(before.size(), qsizetype(2));

        const auto second = PreviewSprites::write(videoName, few, 30, QSizeF(), destination, {});
        QVERIFY2(second.failure.isEmpty(), qPrintable(second.failure));
        QCOMPARE(second.folder, destination + QStringLiteral("/Trip #2 Preview Sprites 2"));
        QCOMPARE(contents(first.folder), before);
    }

    void tileSizesAndTimes()
    {
        QCOMPARE(PreviewSprites::tileSize(160, QSizeF(1080, 1920)), QSize(160, 284));
        QCOMPARE(PreviewSprites::tileSize(160, QSizeF()), QSize(160, 90));
        QCOMPARE(PreviewSprites::tileSize(160, QSizeF(4000, 10)), QSize(160, 1));
        QCOMPARE(PreviewSprites::vttTime(3725.9), QStringLiteral("01:02:05.900"));
        QCOMPARE(PreviewSprites::vttTime(59.9996), QStringLiteral("00:01:00.000"));
        QCOMPARE(PreviewSprites::vttTime(-3), QStringLiteral("00:00:00.000"));
        QCOMPARE(PreviewSprites::vttTime(360'000.25), QStringLiteral("100:00:00.250"));
    }
};

QTEST_GUILESS_MAIN(PreviewSpritesTest)
#include "tst_previewsprites.moc"
