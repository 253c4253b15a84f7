// The test clips themselves, checked with the ffmpeg tool's own decoder, so
// the other tests can trust what a frame's pixels say.

#include "support/TestVideos.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

namespace {

// Frame `index` of `path` as the ffmpeg tool shows it (display rotation applied).
QImage ffmpegFrame(const QString &path, int index, const QString &dir)
{
    const QString out = dir + QStringLiteral("/frame-%1.png").arg(index);
    QProcess process;
    process.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-i", path,
                             "-vf", QStringLiteral("select=eq(n\\,%1)").arg(index), "-frames:v", "1",
                             out});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QImage(out);
}

} // namespace

class TestVideosTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void patternSurvivesEveryTurn_data()
    {
        QTest::addColumn<int>("quarters");
        QTest::addColumn<bool>("mirror");
        for (int q = 0; q < 4; ++q) {
            QTest::addRow("%d°", q * 90) << q << false;
            QTest::addRow("%d° mirrored", q * 90) << q << true;
        }
    }
    void patternSurvivesEveryTurn()
    {
        QFETCH(int, quarters);
        QFETCH(bool, mirror);
        const QString path = TestVideos::make({.width = 96, .height = 64, .frames = 3});
        QVERIFY(!path.isEmpty());
        QImage frame = ffmpegFrame(path, 2, m_dir.path());
        QVERIFY(!frame.isNull());
        if (mirror)
            frame = frame.mirrored(true, false);
        frame = frame.transformed(QTransform().rotate(quarters * 90));
        const auto pattern = TestVideos::readPattern(frame);
        QVERIFY(pattern);
        QCOMPARE(pattern->number, 2);
        QCOMPARE(pattern->rotation, quarters * 90);
        QCOMPARE(pattern->mirrored, mirror);
    }

    void framesCountUp_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<bool>("bframes");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("plain") << 0 << false << QSize(160, 90);
        QTest::newRow("b-frames") << 0 << true << QSize(160, 90);
        QTest::newRow("rotated 90") << 90 << false << QSize(90, 160);
        QTest::newRow("rotated 180") << 180 << false << QSize(160, 90);
        QTest::newRow("rotated 270") << 270 << true << QSize(90, 160);
    }
    void framesCountUp()
    {
        QFETCH(int, rotation);
        QFETCH(bool, bframes);
        QFETCH(QSize, shown);
        const QString path = TestVideos::make(
            {.width = 160, .height = 90, .frames = 40, .gop = 12, .bframes = bframes, .rotation = rotation});
        QVERIFY(!path.isEmpty());
        for (int index : {0, 1, 13, 39}) {
            const QImage frame = ffmpegFrame(path, index, m_dir.path());
            QCOMPARE(frame.size(), shown);
            const auto pattern = TestVideos::readPattern(frame);
            QVERIFY(pattern);
            QCOMPARE(pattern->number, index);
            QCOMPARE(pattern->rotation, 0);  // upright once the rotation is applied
            QVERIFY(!pattern->mirrored);
        }
    }

    void cachedFileIsReused()
    {
        const QString first = TestVideos::make({.width = 64, .height = 48, .frames = 5});
        const QString second = TestVideos::make({.width = 64, .height = 48, .frames = 5});
        const QString other = TestVideos::make({.width = 64, .height = 48, .frames = 6});
        QVERIFY(!first.isEmpty());
        QCOMPARE(second, first);
        QVERIFY(other != first);
        QVERIFY(first.startsWith(TestVideos::folder()));
    }

    void solidColoursAreSolid()
    {
        const QString path = TestVideos::make(
            {.width = 64, .height = 48, .frames = 5, .colours = "bt709", .solid = true});
        QVERIFY(!path.isEmpty());
        for (int index = 0; index < 5; ++index) {
            const QImage frame = ffmpegFrame(path, index, m_dir.path());
            QVERIFY(!frame.isNull());
            const QRgb expected = TestVideos::solidColour(index);
            const QRgb seen = frame.pixel(32, 24);
            QVERIFY2(qAbs(qRed(seen) - qRed(expected)) <= 8 && qAbs(qGreen(seen) - qGreen(expected)) <= 8
                         && qAbs(qBlue(seen) - qBlue(expected)) <= 8,
                     qPrintable(QStringLiteral("frame %1: %2").arg(index).arg(seen, 8, 16)));
        }
    }
};

QTEST_GUILESS_MAIN(TestVideosTest)
#include "tst_testvideos.moc"
