#include "media/FfmpegFrameGenerator.h"
#include "media/FfmpegLog.h"
#include "media/FrameCursor.h"
#include "media/MediaAsset.h"
#include "media/VideoInput.h"
#include "support/TestVideos.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

extern "C" {
#include <libavutil/log.h>
}

#include <sys/stat.h>

#include <unistd.h>

class MediaAssetTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    // FFmpeg's messages reach the media category only when it is turned on.
    void ffmpegLogFollowsTheMediaCategory()
    {
        static QStringList seen;
        seen.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &context, const QString &message) {
                seen.append(QString::fromUtf8(context.category) + ' ' + message);
            });
        FfmpegLog::route();
        av_log(nullptr, AV_LOG_WARNING, "silent %d\n", 1);
        QLoggingCategory::setFilterRules(QStringLiteral("framelark.media.warning=true"));
        FfmpegLog::route();
        av_log(nullptr, AV_LOG_WARNING, "damaged packet %d\n", 7);
        av_log(nullptr, AV_LOG_VERBOSE, "chatter\n");
        QLoggingCategory::setFilterRules({});
        FfmpegLog::route();
        qInstallMessageHandler(previous);
        QCOMPARE(seen, QStringList{QStringLiteral("framelark.media ffmpeg: damaged packet 7")});
    }

    void facts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("duration");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<double>("fps");
        QTest::newRow("plain")
            << TestVideos::make({.width = 320, .height = 240, .frames = 60}) << 2.0 << QSizeF(320, 240) << 30.0;
        QTest::newRow("29.97 fps")
            << TestVideos::make({.width = 320, .height = 240, .frames = 90, .fps = 30000, .fpsBase = 1001})
            << 3.003 << QSizeF(320, 240) << 29.97003;
        QTest::newRow("portrait 1920x1080 turned 90")
            << TestVideos::make({.width = 1920, .height = 1080, .frames = 6, .rotation = 90}) << 0.2
            << QSizeF(1080, 1920) << 30.0;
        QTest::newRow("turned 180")
            << TestVideos::make({.width = 320, .height = 240, .frames = 6, .rotation = 180}) << 0.2
            << QSizeF(320, 240) << 30.0;
        QTest::newRow("turned 270")
            << TestVideos::make({.width = 320, .height = 240, .frames = 6, .rotation = 270}) << 0.2
            << QSizeF(240, 320) << 30.0;
        QTest::newRow("wide pixels 4:3")
            << TestVideos::make({.width = 320, .height = 240, .frames = 6, .sarNum = 4, .sarDen = 3})
            << 0.2 << QSizeF(427, 240) << 30.0;
        QTest::newRow("wide pixels, turned 90")
            << TestVideos::make({.width = 320, .height = 240, .frames = 6, .rotation = 90, .sarNum = 4, .sarDen = 3})
            << 0.2 << QSizeF(240, 427) << 30.0;
        QTest::newRow("start at 1.5 s")
            << TestVideos::make({.width = 160, .height = 120, .frames = 60, .startOffset = 1.5}) << 2.0
            << QSizeF(160, 120) << 30.0;
        QTest::newRow("matroska")
            << TestVideos::make({.width = 160, .height = 120, .frames = 45, .container = "mkv"}) << 1.5
            << QSizeF(160, 120) << 30.0;
        QTest::newRow("quicktime, 25 fps")
            << TestVideos::make({.width = 160, .height = 120, .frames = 50, .fps = 25, .container = "mov"})
            << 2.0 << QSizeF(160, 120) << 25.0;
        QTest::newRow("odd size ffv1")
            << TestVideos::make({.width = 161, .height = 121, .frames = 10, .codec = "ffv1", .container = "mkv"})
            << 10 / 30.0 << QSizeF(161, 121) << 30.0;
        QTest::newRow("10 bit")
            << TestVideos::make({.width = 160, .height = 120, .frames = 30, .pixelFormat = "yuv420p10le"})
            << 1.0 << QSizeF(160, 120) << 30.0;
        QTest::newRow("mpeg4 with b-frames")
            << TestVideos::make({.width = 160, .height = 120, .frames = 30, .bframes = true, .codec = "mpeg4"})
            << 1.0 << QSizeF(160, 120) << 30.0;
        QTest::newRow("with audio")
            << TestVideos::make({.width = 160, .height = 120, .frames = 30, .audio = true}) << 1.0
            << QSizeF(160, 120) << 30.0;
        QTest::newRow("with cover art") << TestVideos::withCoverArt() << 1.0 << QSizeF(160, 120) << 30.0;
    }
    void facts()
    {
        QFETCH(QString, path);
        QFETCH(double, duration);
        QFETCH(QSizeF, size);
        QFETCH(double, fps);
        QVERIFY(!path.isEmpty());
        const auto facts = MediaAsset::probe(path);
        QVERIFY(facts);
        QVERIFY2(qAbs(facts->duration - duration) < 0.002, qPrintable(QString::number(facts->duration)));
        QCOMPARE(facts->size, size);
        QVERIFY2(qAbs(facts->fps - fps) < 0.001, qPrintable(QString::number(facts->fps)));
        QCOMPARE(facts->fileSize, QFileInfo(path).size());
        QVERIFY(facts->fileSize > 0);
    }

    void unreadable_data()
    {
        // The reason opening gives, with FFmpeg's code when it has one.
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("hasCode");
        QTest::newRow("missing") << m_dir.filePath("missing.mp4") << "not a file" << false;
        QTest::newRow("folder") << m_dir.path() << "not a file" << false;
        QTest::newRow("zero bytes") << TestVideos::zeroBytes() << "Invalid data found when processing input" << true;
        QTest::newRow("text named .mp4") << TestVideos::textNamedMp4() << "Invalid data found when processing input" << true;
        QTest::newRow("audio only") << TestVideos::audioOnly() << "no video stream" << false;
        QTest::newRow("index cut off") << TestVideos::truncatedIndex() << "Invalid data found when processing input" << true;
        QTest::newRow("no decoder") << TestVideos::unknownCodec() << "no decoder for this video format" << false;
    }
    void unreadable()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QFETCH(bool, hasCode);
        MediaError error;
        QVERIFY(!VideoInput::open(path, {}, {}, &error));
        QCOMPARE(error.step, MediaError::Step::open);
        QCOMPARE(error.file, path);
        QCOMPARE(error.reason, reason);
        QCOMPARE(error.code != 0, hasCode);
        QVERIFY(!error.cancelled);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!MediaAsset::probe(path));
        QVERIFY(!MediaAsset::load(QUrl::fromLocalFile(path)));
        QVERIFY(timer.elapsed() < 10000);
    }

    void noPermission()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        const QString path = m_dir.filePath("locked.mp4");
        QVERIFY(QFile::copy(TestVideos::make({.width = 160, .height = 120, .frames = 10}), path));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        QVERIFY(!MediaAsset::probe(path));
    }

    // Stated lengths that are not the video's: the duration is where its
    // packets end, so planned shots land on frames that exist.
    void durationWhereTheFramesEnd()
    {
        const auto fragmented = MediaAsset::probe(TestVideos::fragmentedUnknownDuration());
        QVERIFY(fragmented);
        QVERIFY2(qAbs(fragmented->duration - 1.2) < 0.002, qPrintable(QString::number(fragmented->duration)));
        auto frames = FfmpegFrameGenerator::open(TestVideos::fragmentedUnknownDuration());
        QVERIFY(frames);
        std::vector<bool> ok;
        frames->images({MediaTime::fromSeconds(0.1), MediaTime::fromSeconds(0.6), MediaTime::fromSeconds(1.15)},
                       [&](FrameResult &&r) { ok.push_back(r.ok()); });
        QCOMPARE(ok, std::vector<bool>(3, true));

        // Cut in the middle of the frame data with the index intact: the
        // first frames decode, and the length ends with the last whole one.
        const QString cut = TestVideos::truncatedData();
        const auto facts = MediaAsset::probe(cut);
        QVERIFY(facts);
        QCOMPARE(facts->size, QSizeF(160, 120));
        QVERIFY2(facts->duration > 0.3 && facts->duration < 1.9, qPrintable(QString::number(facts->duration)));
        auto generator = FfmpegFrameGenerator::open(cut);
        QVERIFY(generator);
        QVERIFY(generator->image(MediaTime::fromSeconds(facts->duration - 1 / 30.0)).ok());
        QVERIFY(!generator->image(MediaTime::fromSeconds(facts->duration + 2 / 30.0)).ok());

        // Stated longer than the frames go, by an edit list (2 s stated, 1.2 s
        // of frames) or by a longer audio track (1.5 s, 1 s of frames): the
        // length ends with the last frame.
        for (const auto &[clip, framesEnd] : {std::pair{TestVideos::editListLongerThanFrames(), 1.2},
                                              std::pair{TestVideos::lastFrameBeforeStatedEnd(), 1.0}}) {
            const auto lying = MediaAsset::probe(clip);
            QVERIFY(lying);
            QVERIFY2(qAbs(lying->duration - framesEnd) < 0.02, qPrintable(QString::number(lying->duration)));
        }
        // A stated length the frames fill is kept as it is.
        const auto honest = MediaAsset::probe(TestVideos::make({.width = 160, .height = 120, .frames = 60, .bframes = true}));
        QVERIFY(honest);
        QCOMPARE(honest->duration, 2.0);
    }

    // A second input that takes the first one's analysis instead of its own
    // must see the stream exactly as an analysed one does: start, rate,
    // length, parameters and the first frame's time.
    void secondInputTakesTheAnalysis()
    {
        const QStringList clips{TestVideos::make({.width = 160, .height = 120, .frames = 30, .bframes = true, .startOffset = 1.5, .audio = true}),
                                TestVideos::make({.width = 160, .height = 120, .frames = 30, .container = "mkv"}),
                                TestVideos::make({.width = 160, .height = 120, .frames = 30, .container = "ts"}),
                                TestVideos::editListLongerThanFrames()};
        for (const QString &clip : clips) {
            const auto first = VideoInput::open(clip, {}, {});
            QVERIFY2(first, qPrintable(clip));
            const auto analysis = first->analysis();
            QVERIFY(analysis);
            const auto plain = VideoInput::open(clip, {}, {});
            const auto second = VideoInput::open(clip, {}, {}, nullptr, analysis.get());
            QVERIFY(plain && second);
            QCOMPARE(second->startPts(), plain->startPts());
            QCOMPARE(av_cmp_q(second->frameRate(), plain->frameRate()), 0);
            QCOMPARE(second->statedEnd(), plain->statedEnd());
            QCOMPARE(second->stream()->codecpar->format, plain->stream()->codecpar->format);
            QCOMPARE(second->stream()->codecpar->video_delay, plain->stream()->codecpar->video_delay);
            FrameCursor plainFrames(*plain), secondFrames(*second);
            const FramePtr a = plainFrames.next({});
            const FramePtr b = secondFrames.next({});
            QVERIFY(a && b);
            QCOMPARE(b->best_effort_timestamp, a->best_effort_timestamp);
        }
    }

    // A named pipe that never delivers data stands for a file on a mount
    // that stopped answering: probing must not wait on it.
    void aSilentPipeIsRefusedAtOnce()
    {
        const QString pipe = m_dir.filePath("silent.mp4");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!MediaAsset::probe(pipe));
        QVERIFY(!FfmpegFrameGenerator::open(pipe));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    }

    void stopRequestedGivesNone()
    {
        std::stop_source stop;
        stop.request_stop();
        const QString path = TestVideos::make({.width = 160, .height = 120, .frames = 10});
        QVERIFY(!MediaAsset::probe(path, stop.get_token()));
        MediaError error;
        QVERIFY(!VideoInput::open(path, [] { return true; }, {}, &error));
        QVERIFY(error.cancelled);
        QCOMPARE(error.file, path);
    }

    void loadKeepsTheUrl()
    {
        const QString path = TestVideos::make({.width = 320, .height = 240, .frames = 60});
        const QUrl url = QUrl::fromLocalFile(path);
        const auto info = MediaAsset::load(url);
        QVERIFY(info);
        QCOMPARE(info->url, url);
        QCOMPARE(info->size, QSizeF(320, 240));
        QCOMPARE(info->fileSize, QFileInfo(path).size());
        QVERIFY(!MediaAsset::load(QUrl("https://example.com/clip.mp4")));
    }

    // Names FFmpeg could read as a protocol stay plain files.
    void colonInNameIsAFile()
    {
        const QString path = m_dir.filePath("concat:clip.mp4");
        QVERIFY(QFile::copy(TestVideos::make({.width = 160, .height = 120, .frames = 10}), path));
        const auto facts = MediaAsset::probe(path);
        QVERIFY(facts);
        QCOMPARE(facts->size, QSizeF(160, 120));
    }
};

QTEST_GUILESS_MAIN(MediaAssetTest)
#include "tst_mediaasset.moc"
