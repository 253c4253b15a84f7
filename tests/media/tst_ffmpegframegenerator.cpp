#include "media/Extractor.h"
#include "media/FfmpegFrameGenerator.h"
#include "media/FrameCursor.h"
#include "media/MediaAsset.h"
#include "media/ParkedInputs.h"
#include "support/TestVideos.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <map>
#include <set>
#include <thread>

namespace {

MediaTime at(double seconds)
{
    return MediaTime::fromSeconds(seconds);
}

std::unique_ptr<FfmpegFrameGenerator> openOrFail(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    return FfmpegFrameGenerator::open(path);
}

int numberOf(const FrameResult &result)
{
    return result.ok() ? TestVideos::frameNumber(result.image->frame.get()) : -2;
}

} // namespace

class FfmpegFrameGeneratorTest : public QObject {
    Q_OBJECT

private slots:
    // The frame on screen at t: the last one starting at or before it.
    void exactFrame_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("time");  // 1/600 s
        QTest::addColumn<int>("frame");
        QTest::addColumn<double>("fps");
        const QString plain = TestVideos::make({.width = 160, .height = 120, .frames = 90, .gop = 30});
        QTest::newRow("start") << plain << qint64(0) << 0 << 30.0;
        QTest::newRow("middle of frame 15") << plain << qint64(310) << 15 << 30.0;
        QTest::newRow("exactly on frame 15") << plain << qint64(300) << 15 << 30.0;
        QTest::newRow("just before frame 15") << plain << qint64(299) << 14 << 30.0;
        QTest::newRow("last before keyframe 30") << plain << qint64(599) << 29 << 30.0;
        QTest::newRow("on keyframe 30") << plain << qint64(600) << 30 << 30.0;
        QTest::newRow("last frame") << plain << qint64(1780) << 89 << 30.0;
        QTest::newRow("at the very end") << plain << qint64(1800) << 89 << 30.0;

        const QString bframes =
            TestVideos::make({.width = 160, .height = 120, .frames = 60, .gop = 12, .bframes = true});
        QTest::newRow("b-frames: just before keyframe 12") << bframes << qint64(239) << 11 << 30.0;
        QTest::newRow("b-frames: on keyframe 12") << bframes << qint64(240) << 12 << 30.0;
        QTest::newRow("b-frames: frame 13") << bframes << qint64(265) << 13 << 30.0;
        QTest::newRow("b-frames: frame 47") << bframes << qint64(47 * 20 + 5) << 47 << 30.0;

        const QString ntsc = TestVideos::make(
            {.width = 160, .height = 120, .frames = 90, .fps = 30000, .fpsBase = 1001, .gop = 15, .bframes = true});
        // Frame k starts at k·1001/30000 s.
        QTest::newRow("29.97: 1/30 s is still frame 0") << ntsc << qint64(20) << 0 << 29.97003;
        QTest::newRow("29.97: 1.5 s is frame 44") << ntsc << qint64(900) << 44 << 29.97003;
        QTest::newRow("29.97: 1.50167 s is frame 45") << ntsc << qint64(901) << 45 << 29.97003;

        const QString offset =
            TestVideos::make({.width = 160, .height = 120, .frames = 60, .gop = 15, .startOffset = 1.5});
        QTest::newRow("stream starts at 1.5 s: t 0") << offset << qint64(0) << 0 << 30.0;
        QTest::newRow("stream starts at 1.5 s: t 1") << offset << qint64(600) << 30 << 30.0;

        const QString mkv = TestVideos::make({.width = 160, .height = 120, .frames = 60, .container = "mkv"});
        QTest::newRow("matroska frame 15") << mkv << qint64(305) << 15 << 30.0;
        // No index: the seek finds its keyframe by reading packets.
        const QString ts = TestVideos::make(
            {.width = 160, .height = 120, .frames = 120, .gop = 12, .bframes = true, .container = "ts"});
        QTest::newRow("MPEG-TS frame 47") << ts << qint64(47 * 20 + 5) << 47 << 30.0;
        QTest::newRow("MPEG-TS frame 110") << ts << qint64(110 * 20 + 5) << 110 << 30.0;

        const QString mpeg4 = TestVideos::make(
            {.width = 160, .height = 120, .frames = 60, .gop = 12, .bframes = true, .codec = "mpeg4"});
        QTest::newRow("mpeg4 b-frames frame 23") << mpeg4 << qint64(465) << 23 << 30.0;
    }
    void exactFrame()
    {
        QFETCH(QString, path);
        QFETCH(qint64, time);
        QFETCH(int, frame);
        QFETCH(double, fps);
        auto generator = openOrFail(path);
        QVERIFY(generator);
        const FrameResult result = generator->image(MediaTime{time});
        QVERIFY2(result.ok(), qPrintable(result.error.text()));
        QCOMPARE(result.requested, MediaTime{time});
        QCOMPARE(numberOf(result), frame);
        QVERIFY(qAbs(result.actualSeconds - frame / fps) < 1e-3);
    }

    // Random times in random order, all in one batch, against the plain rule.
    // The batch spans many keyframe intervals, so a second decoder shares
    // it, and answers may come in any order: each time is answered once.
    void exactBatchInAnyOrder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("b-frames") << TestVideos::make(
            {.width = 160, .height = 120, .frames = 120, .gop = 12, .bframes = true});
        QTest::newRow("no b-frames") << TestVideos::make({.width = 160, .height = 120, .frames = 120, .gop = 25});
    }
    void exactBatchInAnyOrder()
    {
        QFETCH(QString, path);
        auto generator = openOrFail(path);
        QVERIFY(generator);
        QRandomGenerator random(7);
        std::vector<MediaTime> times;
        for (int i = 0; i < 40; ++i)
            times.push_back(MediaTime{random.bounded(qint64(0), qint64(4 * 600))});
        std::sort(times.begin() + 20, times.end());  // the second half ascending
        times.push_back(times[3]);                     // one time asked twice
        std::multiset<qint64> open;
        for (const MediaTime &time : times)
            open.insert(time.value);
        std::vector<FrameResult> results;
        const std::thread::id caller = std::this_thread::get_id();
        bool otherThread = false;
        generator->images(times, [&](FrameResult &&r) {
            otherThread = otherThread || std::this_thread::get_id() != caller;
            results.push_back(std::move(r));
        });
        QVERIFY(!otherThread);
        QCOMPARE(results.size(), times.size());
        for (const FrameResult &result : results) {
            const auto it = open.find(result.requested.value);
            QVERIFY2(it != open.end(), qPrintable(QString::number(result.requested.value)));
            open.erase(it);
            QCOMPARE(numberOf(result), int(result.requested.value / 20));
        }
        const FfmpegFrameGenerator::Statistics statistics = generator->statistics();
        QVERIFY2(statistics.laneRequests >= 10 && statistics.laneRequests <= 31,
                 qPrintable(QString::number(statistics.laneRequests)));
    }

    // A first batch over fewer than four keyframe intervals keeps one
    // decoder, with frame threads, for the whole run; so do explicitly
    // chosen threads and tolerances that keyframes can answer.
    void lanesOnlyWhereTheyPay()
    {
        const QString path = TestVideos::make({.width = 160, .height = 120, .frames = 240, .gop = 60});
        std::vector<MediaTime> dense, spread;
        for (int frame = 2; frame < 100; frame += 9)
            dense.push_back(MediaTime{frame * 20 + 3});
        for (int frame = 2; frame < 240; frame += 30)
            spread.push_back(MediaTime{frame * 20 + 3});
        auto check = [](FfmpegFrameGenerator &generator, const std::vector<MediaTime> &times) {
            int right = 0;
            generator.images(times, [&](FrameResult &&r) { right += numberOf(r) == int(r.requested.value / 20); });
            return right == int(times.size());
        };

        auto denseFirst = openOrFail(path);
        QVERIFY(denseFirst);
        denseFirst->setTolerance(MediaTime{0}, MediaTime{0});
        QVERIFY(check(*denseFirst, dense));
        QVERIFY(check(*denseFirst, spread));
        QCOMPARE(denseFirst->statistics().laneRequests, 0);
        QCOMPARE(denseFirst->decoderThreads().type, int(FF_THREAD_FRAME | FF_THREAD_SLICE));
        QCOMPARE(denseFirst->decoderThreads().count, 0);

        auto explicitThreads = FfmpegFrameGenerator::open(path, nullptr, VideoInput::Threads{1, FF_THREAD_SLICE});
        QVERIFY(explicitThreads);
        QVERIFY(check(*explicitThreads, spread));
        QCOMPARE(explicitThreads->statistics().laneRequests, 0);

        // A tolerance wider than the keyframe spacing: keyframes answer.
        auto wide = openOrFail(path);
        QVERIFY(wide);
        wide->setTolerance(at(3.0), at(3.0));
        int delivered = 0;
        wide->images(spread, [&](FrameResult &&r) { delivered += r.ok(); });
        QCOMPARE(delivered, int(spread.size()));
        QCOMPARE(wide->statistics().laneRequests, 0);

        auto spreadFirst = openOrFail(path);
        QVERIFY(spreadFirst);
        spreadFirst->setTolerance(MediaTime{0}, MediaTime{0});
        QVERIFY(check(*spreadFirst, spread));
        // Keyframes every 60 frames: the times in the second and fourth
        // intervals (62, 92, 182, 212) go to the lane.
        QCOMPARE(spreadFirst->statistics().laneRequests, 4);
        QVERIFY(spreadFirst->decoderThreads().count >= 1);

        // The lane opens as the batch starts; a file gone by then leaves
        // its requests failed, for the caller to retry, and the rest answered.
        const QString moved = QDir::temp().filePath(QStringLiteral("lane-%1.mp4").arg(QCoreApplication::applicationPid()));
        QVERIFY(QFile::copy(path, moved));
        auto orphaned = openOrFail(moved);
        QVERIFY(orphaned);
        orphaned->setTolerance(MediaTime{0}, MediaTime{0});
        QVERIFY(QFile::remove(moved));
        int answered = 0, failedToOpen = 0;
        orphaned->images(spread, [&](FrameResult &&r) {
            answered += numberOf(r) == int(r.requested.value / 20);
            failedToOpen += !r.ok() && r.error.step == MediaError::Step::open;
        });
        QCOMPARE(answered, 4);
        QCOMPARE(failedToOpen, 4);
    }

    // Ascending times within a keyframe interval decode on without seeking back.
    // Frame threads only where answers are mostly decoded forward: exact
    // frames, or a tolerance window narrower than the keyframe spacing.
    void decoderThreadsFollowTheTolerance_data()
    {
        QTest::addColumn<int>("toleranceTicks");
        QTest::addColumn<int>("threadType");
        // Keyframes every 60 frames at 30 fps: 2 s apart.
        QTest::newRow("exact") << 0 << int(FF_THREAD_FRAME | FF_THREAD_SLICE);
        QTest::newRow("0.5 s either side") << 300 << int(FF_THREAD_FRAME | FF_THREAD_SLICE);
        QTest::newRow("1.5 s either side") << 900 << int(FF_THREAD_SLICE);
    }
    void decoderThreadsFollowTheTolerance()
    {
        QFETCH(int, toleranceTicks);
        QFETCH(int, threadType);
        auto generator = openOrFail(TestVideos::make({.width = 160, .height = 120, .frames = 240, .gop = 60}));
        QVERIFY(generator);
        QCOMPARE(generator->decoderThreads().type, int(FF_THREAD_SLICE));
        generator->setTolerance(MediaTime{toleranceTicks}, MediaTime{toleranceTicks});
        QCOMPARE(generator->decoderThreads().type, threadType);
        // The reopened decoder works, and a later tolerance changes nothing.
        const FrameResult result = generator->image(at(5.0));
        QCOMPARE(numberOf(result), toleranceTicks == 0 ? 150 : numberOf(result));
        QVERIFY(result.ok());
        generator->setTolerance(MediaTime{6000}, MediaTime{6000});
        QCOMPARE(generator->decoderThreads().type, threadType);
    }

    void explicitThreadsAreKept()
    {
        const QString path = TestVideos::make({.width = 160, .height = 120, .frames = 240, .gop = 60});
        auto generator = FfmpegFrameGenerator::open(path, nullptr, VideoInput::Threads{1, FF_THREAD_SLICE});
        QVERIFY(generator);
        generator->setTolerance(MediaTime{0}, MediaTime{0});
        QCOMPARE(generator->decoderThreads().count, 1);
        QCOMPARE(generator->decoderThreads().type, int(FF_THREAD_SLICE));
    }

    void consecutiveTimesDecodeForward()
    {
        auto generator = openOrFail(TestVideos::make({.width = 160, .height = 120, .frames = 90, .gop = 90}));
        QVERIFY(generator);
        std::vector<MediaTime> times;
        for (int frame = 3; frame < 90; frame += 7)
            times.push_back(MediaTime{frame * 20 + 10});
        std::vector<int> numbers;
        generator->images(times, [&](FrameResult &&r) { numbers.push_back(numberOf(r)); });
        QCOMPARE(numbers.size(), times.size());
        for (size_t i = 0; i < times.size(); ++i)
            QCOMPARE(numbers[i], int(times[i].value / 20));
        QCOMPARE(generator->statistics().seeks, 0);
        QVERIFY(generator->statistics().decodedFrames <= 90);
    }

    // Dense exact shots decode only the frames some shot or reference needs,
    // although the decoder reads packets well ahead of the frame it returns;
    // and a frame skipped in one batch is never one the next batch wants.
    void denseShotsSkipUnneededFrames_data()
    {
        QTest::addColumn<int>("step");      // frames between shots
        QTest::addColumn<int>("batchSize"); // shots per images() call
        QTest::addColumn<int>("maxDecoded");
        // 240 frames, one keyframe, x264 with 2 B-frames of which one is a
        // reference: 160 frames are decoded when no shot needs the rest.
        QTest::newRow("every 6th frame, one batch") << 6 << 1000 << 160 + 40 / 3 + 4;
        QTest::newRow("every 6th frame, batches of 16") << 6 << 16 << 160 + 40 / 3 + 3 * 6;
        QTest::newRow("every 2nd frame, single requests") << 2 << 1 << 240;
    }
    void denseShotsSkipUnneededFrames()
    {
        QFETCH(int, step);
        QFETCH(int, batchSize);
        QFETCH(int, maxDecoded);
        auto generator = FfmpegFrameGenerator::open(
            TestVideos::make({.width = 160, .height = 120, .frames = 240, .gop = 240, .bframes = true}), nullptr,
            VideoInput::Threads{2, FF_THREAD_FRAME});
        QVERIFY(generator);
        std::vector<MediaTime> all;
        for (int frame = 1; frame < 240; frame += step)
            all.push_back(MediaTime{frame * 20 + 7});
        std::vector<int> numbers;
        for (size_t first = 0; first < all.size(); first += size_t(batchSize)) {
            const std::vector<MediaTime> batch(all.begin() + qsizetype(first),
                                               all.begin() + qsizetype(std::min(all.size(), first + size_t(batchSize))));
            generator->images(batch, [&](FrameResult &&r) { numbers.push_back(numberOf(r)); });
        }
        QCOMPARE(numbers.size(), all.size());
        for (size_t i = 0; i < all.size(); ++i)
            QCOMPARE(numbers[i], int(all[i].value / 20));
        QCOMPARE(generator->statistics().seeks, 0);
        QVERIFY2(generator->statistics().decodedFrames <= maxDecoded,
                 qPrintable(QString::number(generator->statistics().decodedFrames)));
    }

    void withinTolerance_data()
    {
        QTest::addColumn<bool>("bframes");
        QTest::addColumn<double>("time");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("maxDecoded");
        QTest::addColumn<QString>("container");
        const QString mp4 = QStringLiteral("mp4"), ts = QStringLiteral("ts");
        // Keyframes every 30 frames (every second).
        QTest::newRow("keyframe after t") << false << 0.9 << 0.2 << 30 << 1 << mp4;
        QTest::newRow("keyframe before t") << false << 1.15 << 0.2 << 30 << 1 << mp4;
        QTest::newRow("nearest of two keyframes") << false << 1.6 << 0.7 << 60 << 1 << mp4;
        QTest::newRow("no keyframe: earliest inside") << false << 1.5 << 0.1 << 42 << 20 << mp4;
        QTest::newRow("b-frames: keyframe") << true << 2.1 << 0.2 << 60 << 2 << mp4;
        QTest::newRow("b-frames: earliest inside") << true << 1.5 << 0.1 << 42 << 20 << mp4;
        // No index: the keyframes are found in the packets.
        QTest::newRow("MPEG-TS: keyframe") << true << 3.1 << 0.2 << 90 << 2 << ts;
        QTest::newRow("MPEG-TS: earliest inside") << true << 2.5 << 0.1 << 72 << 20 << ts;
        QTest::newRow("MPEG-TS: nearest of two keyframes") << true << 1.4 << 0.7 << 30 << 2 << ts;
    }
    void withinTolerance()
    {
        QFETCH(bool, bframes);
        QFETCH(double, time);
        QFETCH(double, tolerance);
        QFETCH(int, frame);
        QFETCH(int, maxDecoded);
        QFETCH(QString, container);
        auto generator = openOrFail(TestVideos::make(
            {.width = 160, .height = 120, .frames = 120, .gop = 30, .bframes = bframes, .container = container}));
        QVERIFY(generator);
        generator->setTolerance(at(tolerance), at(tolerance));
        const FrameResult result = generator->image(at(time));
        QVERIFY2(result.ok(), qPrintable(result.error.text()));
        QCOMPARE(numberOf(result), frame);
        QVERIFY(qAbs(result.actualSeconds - frame / 30.0) < 1e-3);
        QVERIFY(qAbs(result.actualSeconds - time) <= tolerance + 1e-9);
        QVERIFY2(generator->statistics().decodedFrames <= maxDecoded,
                 qPrintable(QString::number(generator->statistics().decodedFrames)));
    }

    // Each seek in MPEG-TS adds the frames it passed to the demuxer's index,
    // all marked as keyframes: later requests must not start from them.
    void mpegTsAfterSeeks()
    {
        auto generator = openOrFail(TestVideos::make(
            {.width = 160, .height = 120, .frames = 120, .gop = 30, .bframes = true, .container = QStringLiteral("ts")}));
        QVERIFY(generator);
        QList<int> numbers;
        for (const double time : {3.5, 1.55, 0.4, 2.7})
            numbers.append(numberOf(generator->image(at(time))));
        QCOMPARE(numbers, (QList<int>{105, 46, 12, 81}));
        // 51 decoded; 71 when the entries were taken for keyframes.
        QVERIFY2(generator->statistics().decodedFrames <= 60,
                 qPrintable(QString::number(generator->statistics().decodedFrames)));
    }

    // A batch with a tolerance stays within every window.
    void toleranceBatch()
    {
        auto generator = openOrFail(
            TestVideos::make({.width = 160, .height = 120, .frames = 300, .gop = 60, .bframes = true}));
        QVERIFY(generator);
        const MediaTime tolerance = at(0.4 * 0.35);
        generator->setTolerance(tolerance, tolerance);
        std::vector<MediaTime> times;
        for (double t = 0.1; t < 9.9; t += 0.35)
            times.push_back(at(t));
        int delivered = 0;
        generator->images(times, [&](FrameResult &&r) {
            QVERIFY(r.ok());
            const int number = numberOf(r);
            QVERIFY(qAbs(number / 30.0 - r.requested.seconds()) <= tolerance.seconds() + 1e-9);
            QVERIFY(qAbs(r.actualSeconds - number / 30.0) < 1e-3);
            ++delivered;
        });
        QCOMPARE(delivered, int(times.size()));
    }

    void pastTheEnd_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<int>("frame");  // -2: fails
        QTest::newRow("inside the last frame") << 1.99 << 0.0 << 59;
        QTest::newRow("at the end") << 2.0 << 0.0 << 59;
        QTest::newRow("past the end") << 2.1 << 0.0 << -2;
        QTest::newRow("far past the end") << 100.0 << 0.0 << -2;
        QTest::newRow("window reaches back inside") << 2.5 << 0.8 << 51;
        QTest::newRow("window beyond the end") << 5.0 << 0.8 << -2;
    }
    void pastTheEnd()
    {
        QFETCH(double, time);
        QFETCH(double, tolerance);
        QFETCH(int, frame);
        auto generator = openOrFail(TestVideos::make({.width = 160, .height = 120, .frames = 60, .gop = 30}));
        QVERIFY(generator);
        generator->setTolerance(at(tolerance), at(tolerance));
        const FrameResult result = generator->image(at(time));
        QCOMPARE(numberOf(result), frame);
        QCOMPARE(result.ok(), !result.error.isEmpty() ? false : true);
        // The generator is still usable afterwards.
        generator->setTolerance({}, {});
        QCOMPARE(numberOf(generator->image(at(0.5))), 15);
    }

    // What is on screen between the last frame and the stated end is the
    // last frame, exact or tolerant; after the stated end nothing is.
    void lastFrameHoldsUntilTheStatedEnd()
    {
        for (const double tolerance : {0.0, 0.1}) {
            auto generator = openOrFail(TestVideos::lastFrameBeforeStatedEnd());
            QVERIFY(generator);
            generator->setTolerance(at(tolerance), at(tolerance));
            QCOMPARE(numberOf(generator->image(at(1.3))), 29);
            QCOMPARE(numberOf(generator->image(at(1.7))), -2);
        }
        auto edited = openOrFail(TestVideos::editListLongerThanFrames());
        QVERIFY(edited);
        QCOMPARE(numberOf(edited->image(at(0.5))), 39);
        QCOMPARE(numberOf(edited->image(at(1.9))), 59);
    }

    // The probe leaves its opened input to the first generator of the file,
    // which decodes from it exactly what a freshly opened one does: from the
    // stream's first packet (an edit list whose start has no keyframe before
    // it), after the probe read the end, and turned upright.
    void theFirstGeneratorTakesTheProbesInput()
    {
        const QList<QString> clips{TestVideos::make({.width = 160, .height = 120, .frames = 60, .gop = 30, .bframes = true}),
                                   TestVideos::editListWithoutSyncBeforeEdit(), TestVideos::lastFrameBeforeStatedEnd(),
                                   TestVideos::realSizeClip(0)};
        for (const QString &clip : clips) {
            QVERIFY(!clip.isEmpty());
            ParkedInputs::clear();
            QVERIFY(MediaAsset::probe(clip));
            QCOMPARE(ParkedInputs::count(), 1);
            auto taken = openOrFail(clip);
            QVERIFY(taken);
            QCOMPARE(ParkedInputs::count(), 0);
            auto fresh = openOrFail(clip);
            QVERIFY(fresh);
            for (const double tolerance : {0.0, 0.1}) {
                for (auto *generator : {taken.get(), fresh.get()})
                    generator->setTolerance(at(tolerance), at(tolerance));
                for (const double time : {0.0, 0.05, 0.3, 0.36}) {
                    const int expected = numberOf(fresh->image(at(time)));
                    QVERIFY2(expected >= 0, qPrintable(QStringLiteral("%1 at %2 s").arg(clip).arg(time)));
                    QCOMPARE(numberOf(taken->image(at(time))), expected);
                }
            }
        }
        // A file replaced since the probe (a longer clip under the same name)
        // is opened afresh: the parked input would end at 1 s.
        const QString replaced = QDir::temp().filePath(QStringLiteral("replaced-%1.mp4").arg(QCoreApplication::applicationPid()));
        QFile::remove(replaced);
        QVERIFY(QFile::copy(TestVideos::make({.width = 160, .height = 120, .frames = 30}), replaced));
        QVERIFY(MediaAsset::probe(replaced));
        QCOMPARE(ParkedInputs::count(), 1);
        QVERIFY(QFile::remove(replaced));
        QVERIFY(QFile::copy(TestVideos::make({.width = 160, .height = 120, .frames = 60}), replaced));
        auto reopened = openOrFail(replaced);
        QVERIFY(reopened);
        QCOMPARE(ParkedInputs::count(), 0);
        QCOMPARE(numberOf(reopened->image(at(1.5))), 45);
        QFile::remove(replaced);
    }

    void truncatedDataFailsWhereItEnds()
    {
        auto generator = openOrFail(TestVideos::truncatedData());
        QVERIFY(generator);
        QCOMPARE(numberOf(generator->image(at(0.1))), 3);
        const FrameResult late = generator->image(at(1.95));
        QVERIFY(!late.ok());
        QVERIFY(!late.error.isEmpty());
    }

    void upright_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<bool>("bframes");
        QTest::addColumn<QSize>("display");
        QTest::newRow("0") << 0 << false << QSize(192, 108);
        QTest::newRow("90") << 90 << false << QSize(108, 192);
        QTest::newRow("180") << 180 << true << QSize(192, 108);
        QTest::newRow("270") << 270 << true << QSize(108, 192);
    }
    void upright()
    {
        QFETCH(int, rotation);
        QFETCH(bool, bframes);
        QFETCH(QSize, display);
        auto generator = openOrFail(TestVideos::make(
            {.width = 192, .height = 108, .frames = 30, .gop = 10, .bframes = bframes, .rotation = rotation}));
        QVERIFY(generator);
        const FrameResult result = generator->image(at(17 / 30.0 + 0.01));
        QVERIFY(result.ok());
        QCOMPARE(result.image->displaySize, display);
        QCOMPARE(QSize(result.image->frame->width, result.image->frame->height), display);
        const auto pattern = TestVideos::readPattern(TestVideos::luma(result.image->frame.get()));
        QVERIFY(pattern);
        QCOMPARE(pattern->number, 17);
        QCOMPARE(pattern->rotation, 0);
        QVERIFY(!pattern->mirrored);
        QCOMPARE(result.image->frame->format, int(AV_PIX_FMT_YUV420P));
    }

    void formatsAndSizes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("coded");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<QString>("pixelFormat");
        QTest::newRow("wide pixels 4:3")
            << TestVideos::make({.width = 320, .height = 240, .frames = 20, .sarNum = 4, .sarDen = 3})
            << QSize(320, 240) << QSize(427, 240) << "yuv420p";
        QTest::newRow("wide pixels, turned 90")
            << TestVideos::make({.width = 320, .height = 240, .frames = 20, .rotation = 90, .sarNum = 4, .sarDen = 3})
            << QSize(240, 320) << QSize(240, 427) << "yuv420p";
        QTest::newRow("10 bit")
            << TestVideos::make({.width = 160, .height = 120, .frames = 20, .pixelFormat = "yuv420p10le"})
            << QSize(160, 120) << QSize(160, 120) << "yuv420p10le";
        QTest::newRow("odd size")
            << TestVideos::make({.width = 161, .height = 121, .frames = 20, .codec = "ffv1", .container = "mkv"})
            << QSize(161, 121) << QSize(161, 121) << "yuv420p";
        QTest::newRow("full range bt709")
            << TestVideos::make({.width = 160, .height = 120, .frames = 20, .pixelFormat = "yuvj420p",
                                 .colours = "bt709", .fullRange = true})
            << QSize(160, 120) << QSize(160, 120) << "yuvj420p";
    }
    void formatsAndSizes()
    {
        QFETCH(QString, path);
        QFETCH(QSize, coded);
        QFETCH(QSize, display);
        QFETCH(QString, pixelFormat);
        auto generator = openOrFail(path);
        QVERIFY(generator);
        const FrameResult result = generator->image(at(0.4));
        QVERIFY(result.ok());
        QCOMPARE(numberOf(result), 12);
        QCOMPARE(QSize(result.image->frame->width, result.image->frame->height), coded);
        QCOMPARE(result.image->displaySize, display);
        QCOMPARE(QString::fromLatin1(av_get_pix_fmt_name(AVPixelFormat(result.image->frame->format))),
                 pixelFormat);
    }

    // Sizes real videos come in: the frame on screen, upright, at its display size.
    void realSizes_data()
    {
        TestVideos::addRealSizeRows();
    }
    void realSizes()
    {
        QFETCH(int, index);
        const RealVideo &video = TestVideos::realSizes()[index];
        auto generator = openOrFail(TestVideos::realSizeClip(index));
        QVERIFY(generator);
        std::map<qint64, int> numbers;
        std::vector<QSize> sizes;
        generator->images({at(0.35), at(0.05), at(0.2)}, [&](FrameResult &&r) {
            numbers[r.requested.value] = numberOf(r);
            if (r.ok()) {
                sizes.push_back(r.image->displaySize);
                const auto pattern = TestVideos::readPattern(TestVideos::luma(r.image->frame.get()));
                QVERIFY(pattern && pattern->rotation == 0 && !pattern->mirrored);
            }
        });
        const std::map<qint64, int> expected{{at(0.05).value, 1}, {at(0.2).value, 6}, {at(0.35).value, 10}};
        QCOMPARE(numbers, expected);
        QCOMPARE(sizes, std::vector<QSize>(3, video.display));
    }

    // An edit list that starts where no frame before it is marked as a
    // keyframe: every time the file shows still gets its frame.
    void editListWithoutAKeyframeBeforeIt_data()
    {
        QTest::addColumn<double>("tolerance");
        QTest::newRow("precise") << 0.0;
        QTest::newRow("tolerant") << 0.2;
    }
    void editListWithoutAKeyframeBeforeIt()
    {
        QFETCH(double, tolerance);
        auto generator = openOrFail(TestVideos::editListWithoutSyncBeforeEdit());
        QVERIFY(generator);
        generator->setTolerance(at(tolerance), at(tolerance));
        std::map<qint64, int> numbers;
        generator->images({at(0.0), at(0.1), at(0.9), at(1.4)},
                          [&](FrameResult &&r) { numbers[r.requested.value] = numberOf(r); });
        QCOMPARE(numbers.size(), size_t(4));
        const int slack = int(tolerance * 30);
        for (const auto &[requested, number] : numbers) {
            const int expected = 45 + int(requested * 30 / 600);
            QVERIFY2(std::abs(number - expected) <= slack,
                     qPrintable(QStringLiteral("%1 s: frame %2").arg(requested / 600.0).arg(number)));
        }
    }

    // A damaged AV1 file found by fuzzing: multi-threaded libdav1d used to
    // deadlock in the first send after a flush, about every other time.
    void damagedAv1SeeksWithoutHanging()
    {
        const QString path = QStringLiteral(FUZZ_REGRESSIONS "/av1-damaged-seek-dav1d-deadlock.webm");
        const auto facts = MediaAsset::probe(path);
        QVERIFY(facts);
        const MediaTime end = at(facts->duration);
        const std::vector<MediaTime> times{MediaTime{0}, at(facts->duration / 2), MediaTime{end.value - 1}};
        for (int run = 0; run < 20; ++run) {
            auto generator = openOrFail(path);
            QVERIFY(generator);
            generator->setTolerance({}, {});
            int answers = 0;
            generator->images(times, [&](FrameResult &&) { ++answers; });
            QCOMPARE(answers, 3);
        }
    }

    // Delivered frames own their pixels: later decoding does not change them.
    // The cursor under the generator: presentation order across B-frames, a
    // seek lands on a keyframe, a packet budget ends the search, a stop ends
    // decoding with a cancelled error.
    void cursorDecodesInPresentationOrder()
    {
        const QString path = TestVideos::make({.width = 160, .height = 120, .frames = 60, .gop = 20, .bframes = true});
        std::stop_source stop;
        auto input = VideoInput::open(path, [token = stop.get_token()] { return token.stop_requested(); },
                                      VideoInput::Threads{});
        QVERIFY(input);
        FrameCursor cursor(*input);
        const std::vector<int64_t> keyframes = cursor.keyframes();
        QCOMPARE(keyframes.size(), size_t(3));
        std::vector<int> numbers;
        int64_t frame20 = -1;
        while (FramePtr frame = cursor.next({})) {
            numbers.push_back(TestVideos::frameNumber(frame.get()));
            if (numbers.back() == 20)
                frame20 = frame->best_effort_timestamp;
        }
        QCOMPARE(numbers.size(), size_t(60));
        QVERIFY(std::is_sorted(numbers.begin(), numbers.end()));
        QVERIFY(cursor.error().isEmpty());

        QVERIFY(cursor.seek(frame20, false));
        const FramePtr key = cursor.next({});
        QVERIFY(key && key->key_frame);
        QCOMPARE(TestVideos::frameNumber(key.get()), 20);
        QVERIFY(cursor.seek(keyframes[0], false));
        QVERIFY(!cursor.next({}, 0));
        QVERIFY(cursor.seek(keyframes[0], false));
        stop.request_stop();
        QVERIFY(!cursor.next({}));
        QVERIFY(cursor.error().cancelled);
    }

    void framesAreIndependent()
    {
        auto generator = openOrFail(TestVideos::make({.width = 160, .height = 120, .frames = 60, .gop = 30}));
        QVERIFY(generator);
        std::vector<FrameResult> results;
        generator->images({at(0.1), at(0.5), at(1.2), at(0.2)},
                          [&](FrameResult &&r) { results.push_back(std::move(r)); });
        generator.reset();
        QCOMPARE(results.size(), size_t(4));
        std::map<qint64, int> numbers;
        for (const FrameResult &result : results)
            numbers[result.requested.value] = numberOf(result);
        const std::map<qint64, int> expected{{at(0.1).value, 3}, {at(0.5).value, 15}, {at(1.2).value, 36},
                                             {at(0.2).value, 6}};
        QCOMPARE(numbers, expected);
    }

    // A cancel from another thread, made while the batch is under way (after
    // its second answer), fails every answer still to come.
    void cancelAllEndsALongBatch()
    {
        auto generator = openOrFail(TestVideos::make({.width = 1920, .height = 1080, .seconds = 10, .gop = 60}));
        QVERIFY(generator);
        std::vector<MediaTime> times;
        for (int i = 0; i < 100; ++i)
            times.push_back(at(i * 0.0997));
        int answered = 0, succeeded = 0, failed = 0;
        bool failureThenSuccess = false;
        QElapsedTimer sinceCancel;
        generator->images(times, [&](FrameResult &&r) {
            if (r.ok()) {
                ++succeeded;
                failureThenSuccess = failureThenSuccess || failed > 0;
            } else {
                ++failed;
                QVERIFY(r.error.cancelled);
            }
            if (++answered == 2) {
                std::thread([&] { generator->cancelAll(); }).join();
                sinceCancel.start();
            }
        });
        QCOMPARE(answered, 100);
        QCOMPARE(succeeded, 2);
        QCOMPARE(failed, 98);
        QVERIFY(!failureThenSuccess);
        // Promptly: nothing decodes on after the cancel. The bound is loose
        // on purpose; a decode of the 98 frames would take far longer.
        QVERIFY2(sinceCancel.elapsed() < 5000, qPrintable(QString::number(sinceCancel.elapsed())));
        // Sticky: later requests fail too.
        QVERIFY(!generator->image(at(0.5)).ok());
    }

    void cancelBeforeAnything()
    {
        auto generator = openOrFail(TestVideos::make({.width = 160, .height = 120, .frames = 60}));
        QVERIFY(generator);
        generator->cancelAll();
        generator->cancelAll();
        int failures = 0;
        generator->images({at(0.1), at(0.2)}, [&](FrameResult &&r) { failures += r.ok() ? 0 : 1; });
        QCOMPARE(failures, 2);
    }

    void factoryOpensFreshGenerators()
    {
        const auto factory = Extractor::ffmpegGenerators(TestVideos::make({.width = 160, .height = 120, .frames = 60}));
        auto first = factory(false, {});
        auto second = factory(true, {});
        QVERIFY(first && second);
        first->cancelAll();
        QCOMPARE(numberOf(second->image(at(1.0))), 30);
        QVERIFY(!Extractor::ffmpegGenerators(TestVideos::textNamedMp4())(true, {}));
        // Abandoned while opening: no generator, or one that answers nothing.
        std::stop_source abandoned;
        abandoned.request_stop();
        auto cut = factory(true, abandoned.get_token());
        QVERIFY(!cut || !cut->image(at(1.0)).ok());
    }
};

QTEST_GUILESS_MAIN(FfmpegFrameGeneratorTest)
#include "tst_ffmpegframegenerator.moc"
