#include "media/Extractor.h"
#include "media/ImageFiles.h"
#include "support/FakeFrameGenerator.h"
#include "support/TestSupport.h"
#include "support/TestVideos.h"

#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
using Request = FakeScript::Request;

namespace {

// Collects the reported shots; thread-safe, since writers report in parallel.
class ShotLog {
public:
    std::chrono::milliseconds slowness{0};

    Extractor::ShotCallback callback()
    {
        return [this](const Shot &shot) {
            const int now = ++m_running;
            int seen = m_maxRunning.load();
            while (now > seen && !m_maxRunning.compare_exchange_weak(seen, now)) {
            }
            if (slowness.count() > 0)
                std::this_thread::sleep_for(slowness);
            {
                std::lock_guard lock(m_lock);
                m_shots.push_back(shot);
            }
            --m_running;
            ++m_finished;
        };
    }

    std::vector<Shot> shots() const
    {
        std::lock_guard lock(m_lock);
        std::vector<Shot> sorted = m_shots;
        std::sort(sorted.begin(), sorted.end(), [](const Shot &a, const Shot &b) { return a.id < b.id; });
        return sorted;
    }
    // Every id reported, in order; a duplicate shows up twice.
    QList<qint64> ids() const
    {
        QList<qint64> result;
        for (const Shot &shot : shots())
            result << shot.id;
        return result;
    }
    int maxConcurrent() const { return m_maxRunning; }
    int finished() const { return m_finished; }

private:
    mutable std::mutex m_lock;
    std::vector<Shot> m_shots;
    std::atomic<int> m_running{0};
    std::atomic<int> m_maxRunning{0};
    std::atomic<int> m_finished{0};
};

QList<double> secondsUpTo(int count, double offset = 1.0)
{
    QList<double> times;
    for (int i = 0; i < count; ++i)
        times << offset + i;
    return times;
}

std::vector<MediaTime> mediaTimes(const QList<double> &times, int from, int to)
{
    std::vector<MediaTime> result;
    for (int i = from; i < to; ++i)
        result.push_back(MediaTime::fromSeconds(times[i]));
    return result;
}

QList<qint64> range(qint64 from, qint64 to)
{
    QList<qint64> result;
    for (qint64 i = from; i < to; ++i)
        result << i;
    return result;
}

// Short enough for the stall tests to run quickly, long enough that a
// healthy decoder on a loaded machine (sanitizers, two test runs at once)
// is never taken for a stalled one.
const Extractor::Timing fastWatch{10ms, 1000ms};

} // namespace

class ExtractorTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    int run(FakeScript &script, const QList<double> &times, ShotLog &log, std::stop_token stop = {},
            ExtractSettings settings = {})
    {
        return Extractor::run(script.factory(), times, settings, m_dir.path(), log.callback(), stop,
                              fastWatch);
    }

private slots:
    void noTimesNoShots()
    {
        FakeScript script;
        ShotLog log;
        QCOMPARE(run(script, {}, log), 0);
        QVERIFY(log.shots().empty());
        QVERIFY(script.requests().empty());
    }

    void chunksOfSixteen_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("chunkSizes");
        QTest::newRow("one") << 1 << QList<int>{1};
        QTest::newRow("exactly one chunk") << 16 << QList<int>{16};
        QTest::newRow("one more") << 17 << QList<int>{16, 1};
        QTest::newRow("three chunks") << 40 << QList<int>{16, 16, 8};
    }
    void chunksOfSixteen()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, chunkSizes);
        FakeScript script;
        ShotLog log;
        const QList<double> times = secondsUpTo(count);
        QCOMPARE(run(script, times, log), 0);

        std::vector<Request> expected;
        int start = 0;
        for (const int size : chunkSizes) {
            expected.push_back({0, true, mediaTimes(times, start, start + size)});
            start += size;
        }
        QVERIFY(script.requests() == expected);
        QCOMPARE(script.factoryCalls(), std::vector<bool>{false});
        QCOMPARE(log.ids(), range(0, count));
    }

    void failedPositionsAreRetriedOnFreshGenerators()
    {
        FakeScript script;
        const QList<double> times = secondsUpTo(40);
        script.script(times[5], {{FakeOutcome::fail}});
        script.script(times[20], {{FakeOutcome::fail}, {FakeOutcome::fail}});
        ShotLog log;
        QCOMPARE(run(script, times, log), 1);

        const std::vector<Request> expected = {
            {0, true, mediaTimes(times, 0, 16)},
            {1, true, mediaTimes(times, 16, 32)},   // replaced after the first chunk
            {2, true, mediaTimes(times, 32, 40)},   // and after the second
            {3, false, mediaTimes(times, 5, 6)},    // the retry pass starts afresh
            {3, false, mediaTimes(times, 20, 21)},
        };
        QVERIFY(script.requests() == expected);
        // The first generator may reuse the open file; every other is fresh.
        // The generator that failed 20 is dropped; nothing needs another.
        QCOMPARE(script.factoryCalls(), (std::vector<bool>{false, true, true, true}));
        QList<qint64> ids = range(0, 40);
        ids.removeOne(20);
        QCOMPARE(log.ids(), ids);
    }

    void afterARetryFailureTheNextRetryGetsAFreshGenerator()
    {
        FakeScript script;
        const QList<double> times = secondsUpTo(4);
        for (const double t : {times[1], times[2]})
            script.script(t, {{FakeOutcome::fail}, {FakeOutcome::fail}});
        ShotLog log;
        QCOMPARE(run(script, times, log), 2);
        const std::vector<Request> expected = {
            {0, true, mediaTimes(times, 0, 4)},
            {1, false, mediaTimes(times, 1, 2)},
            {2, false, mediaTimes(times, 2, 3)},
        };
        QVERIFY(script.requests() == expected);
        QCOMPARE(log.ids(), (QList<qint64>{0, 3}));
    }

    void strayResultsAreIgnored()
    {
        FakeScript script;
        const QList<double> times = secondsUpTo(4);
        // A time outside the chunk, and a second answer for a delivered one.
        script.script(times[1], {{FakeOutcome::stray, 0ms, MediaTime::fromSeconds(99)}});
        script.script(times[2], {{FakeOutcome::stray, 0ms, MediaTime::fromSeconds(times[0])}});
        ShotLog log;
        QCOMPARE(run(script, times, log), 0);
        const std::vector<Request> expected = {
            {0, true, mediaTimes(times, 0, 4)},
            {1, false, mediaTimes(times, 1, 2)},
            {1, false, mediaTimes(times, 2, 3)},
        };
        QVERIFY(script.requests() == expected);
        QCOMPARE(log.ids(), range(0, 4));
        // Each file holds the frame of its own time, not a stray one.
        for (const Shot &shot : log.shots()) {
            const QImage image(shot.file);
            QVERIFY(!image.isNull());
            const int luma = FakeScript::lumaFor(MediaTime::fromSeconds(times[int(shot.id)]));
            const int grey = (luma - 16) * 255 / 219;
            QVERIFY2(TestSupport::near(image.pixel(8, 8), qRgb(grey, grey, grey), 6),
                     qPrintable(QString::number(qRed(image.pixel(8, 8)))));
        }
    }

    void duplicateMediaTimesAreEachDeliveredOnce()
    {
        FakeScript script;
        // The first two share one 1/600 s.
        const QList<double> times = {1.0, 1.0004, 2.0};
        QCOMPARE(MediaTime::fromSeconds(times[0]), MediaTime::fromSeconds(times[1]));
        ShotLog log;
        QCOMPARE(run(script, times, log), 0);
        QCOMPARE(log.ids(), (QList<qint64>{0, 1, 2}));
        QCOMPARE(script.requests().size(), size_t(1));
    }

    void aSurplusAnswerForADuplicateTimeIsNotDeliveredTwice()
    {
        FakeScript script;
        // Position 2 answers with position 0's time: positions 0 and 1 share
        // it and are both delivered already, so it matches nothing.
        const QList<double> times = {1.0, 1.0004, 2.0};
        script.script(2.0, {{FakeOutcome::stray, 0ms, MediaTime::fromSeconds(1.0)}});
        ShotLog log;
        QCOMPARE(run(script, times, log), 0);
        QCOMPARE(log.ids(), (QList<qint64>{0, 1, 2}));
        QCOMPARE(script.requests().back(), (Request{1, false, {MediaTime::fromSeconds(2.0)}}));
    }

    void aStalledChunkIsAbortedAndRetried()
    {
        FakeScript script;
        const QList<double> times = secondsUpTo(20);
        script.script(times[0], {{FakeOutcome::hang}});
        ShotLog log;
        const auto start = std::chrono::steady_clock::now();
        QCOMPARE(run(script, times, log), 0);
        const auto took = std::chrono::steady_clock::now() - start;
        QVERIFY(took > fastWatch.stallLimit);
        QVERIFY2(took < 5s, "the watchdog should have ended the hang long before the fake's cap");
        QVERIFY(script.cancelCount(0) >= 1);

        const std::vector<Request> requests = script.requests();
        QCOMPARE(requests.size(), size_t(2 + 16));
        QVERIFY(requests[0] == (Request{0, true, mediaTimes(times, 0, 16)}));
        QVERIFY(requests[1] == (Request{1, true, mediaTimes(times, 16, 20)}));
        for (int i = 0; i < 16; ++i)
            QVERIFY(requests[size_t(2 + i)] == (Request{2, false, mediaTimes(times, i, i + 1)}));
        QCOMPARE(log.ids(), range(0, 20));
    }

    void aStalledRetryCountsAsFailed()
    {
        FakeScript script;
        const QList<double> times = secondsUpTo(4);
        script.script(times[2], {{FakeOutcome::fail}, {FakeOutcome::hang}});
        ShotLog log;
        QCOMPARE(run(script, times, log), 1);
        QCOMPARE(script.cancelCount(1), 1);
        QCOMPARE(log.ids(), (QList<qint64>{0, 1, 3}));
    }

    void slowButSteadyBatchesAreNotAborted()
    {
        FakeScript script;
        const QList<double> times = secondsUpTo(16);
        // 16 × 40 ms is far beyond the limit in total, never between results.
        for (const double t : times)
            script.script(t, {{FakeOutcome::delay, 40ms}});
        ShotLog log;
        QCOMPARE(run(script, times, log), 0);
        QCOMPARE(script.cancelCount(0), 0);
        QCOMPARE(script.requests().size(), size_t(1));
        QCOMPARE(log.ids(), range(0, 16));
    }

    // Opening reads the file too: an open that stops answering is abandoned
    // by the watch, and the run goes on with a fresh generator.
    void aHangingOpenIsAbandoned()
    {
        FakeScript script;
        script.hangingOpens = 1;
        ShotLog log;
        QCOMPARE(run(script, {1.0, 2.0}, log), 0);
        QCOMPARE(log.ids(), (QList<qint64>{0, 1}));
        QCOMPARE(script.factoryCalls(), (std::vector<bool>{false, true}));
    }

    void stopDuringTheBatchPass()
    {
        FakeScript script;
        const QList<double> times = secondsUpTo(40);
        std::stop_source stop;
        const MediaTime trigger = MediaTime::fromSeconds(times[5]);
        script.beforeAnswer = [&](MediaTime time) {
            if (time == trigger)
                stop.request_stop();
        };
        ShotLog log;
        log.slowness = 100ms;
        QCOMPARE(run(script, times, log, stop.get_token()), 0);
        // Nothing was requested after the stop, the generator was aborted at
        // once, and the five writers already started all reported before
        // the run returned.
        QVERIFY(script.requests() == (std::vector<Request>{{0, true, mediaTimes(times, 0, 16)}}));
        QCOMPARE(script.cancelCount(0), 1);
        QCOMPARE(log.ids(), range(0, 5));
        QCOMPARE(log.finished(), 5);
    }

    void stopDuringTheRetryPassCountsOnlyRealFailures()
    {
        FakeScript script;
        const QList<double> times = secondsUpTo(4);
        for (const double t : times)
            script.script(t, {{FakeOutcome::fail}, {FakeOutcome::fail}});
        std::stop_source stop;
        int answers = 0;
        script.beforeAnswer = [&](MediaTime) {
            // Four batch answers, the first retry, then the stop on the second.
            if (++answers == 6)
                stop.request_stop();
        };
        ShotLog log;
        QCOMPARE(run(script, times, log, stop.get_token()), 1);
        QCOMPARE(script.requests().size(), size_t(3));
        QVERIFY(log.shots().empty());
    }

    void alreadyStoppedRunsNothing()
    {
        FakeScript script;
        std::stop_source stop;
        stop.request_stop();
        ShotLog log;
        QCOMPARE(run(script, secondsUpTo(20), log, stop.get_token()), 0);
        QVERIFY(script.requests().empty());
        QVERIFY(log.shots().empty());
    }

    void noGeneratorMeansEveryRequestFails()
    {
        FakeScript script;
        script.nullGenerators = true;
        ShotLog log;
        QCOMPARE(run(script, secondsUpTo(3), log), 3);
        QVERIFY(log.shots().empty());
        QCOMPARE(script.factoryCalls(), (std::vector<bool>{false, true, true, true}));
    }

    void writersAreBoundedAndTheProducerWaits()
    {
        FakeScript script;
        const QList<double> times = secondsUpTo(40);
        ShotLog log;
        log.slowness = 40ms;
        // How many writers had reported when each frame was handed out.
        std::vector<int> finishedAt;
        script.beforeAnswer = [&](MediaTime) { finishedAt.push_back(log.finished()); };
        // A producer waiting for busy writers is no stall; on a loaded
        // machine the short watch of the other tests would call it one and
        // hand frames out again.
        QCOMPARE(Extractor::run(script.factory(), times, {}, m_dir.path(), log.callback(), {},
                                Extractor::Timing{10ms, 2s}),
                 0);
        const int limit = Extractor::writerLimit();
        QCOMPARE(log.maxConcurrent(), limit);
        QCOMPARE(finishedAt.size(), size_t(40));
        for (int i = 0; i < 40; ++i)
            QVERIFY2(finishedAt[size_t(i)] >= i - limit,
                     qPrintable(QStringLiteral("frame %1 handed out after only %2 writers")
                                    .arg(i).arg(finishedAt[size_t(i)])));
        QCOMPARE(log.ids(), range(0, 40));
    }

    void writerLimit()
    {
        QVERIFY(Extractor::writerLimit() >= 4);
        QVERIFY(Extractor::writerLimit() >= QThread::idealThreadCount());
    }

    void filesAndActualTimes_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("jpg") << int(ShotFormat::jpg) << 4;
        QTest::newRow("png") << int(ShotFormat::png) << 2;
    }
    void filesAndActualTimes()
    {
        QFETCH(int, format);
        QFETCH(int, tolerance);
        QTemporaryDir dir;
        FakeScript script;
        script.frameSize = QSize(960, 540);
        script.actualOffset = 0.25;
        const QList<double> times = {2.0, 4.0, 6.0};
        ShotLog log;
        ExtractSettings settings;
        settings.format = ShotFormat(format);
        QCOMPARE(Extractor::run(script.factory(), times, settings, dir.path(), log.callback(), {}, fastWatch), 0);

        const std::vector<Shot> shots = log.shots();
        QCOMPARE(shots.size(), size_t(3));
        for (const Shot &shot : shots) {
            QCOMPARE(shot.time, times[int(shot.id)] + 0.25);
            QCOMPARE(shot.file, dir.filePath(ImageFiles::shotFileName(shot.id, ShotFormat(format))));
            QCOMPARE(shot.thumbFile, dir.filePath(ImageFiles::thumbFileName(shot.id)));
            QImageReader full(shot.file);
            QCOMPARE(full.format(), format == int(ShotFormat::png) ? QByteArray("png") : QByteArray("jpeg"));
            const QImage image = full.read();
            QCOMPARE(image.size(), QSize(960, 540));
            const QImage thumb(shot.thumbFile);
            QCOMPARE(thumb.size(), QSize(480, 270));
            const int luma = FakeScript::lumaFor(MediaTime::fromSeconds(times[int(shot.id)]));
            const int grey = int(std::lround((luma - 16) * 255.0 / 219));
            QVERIFY(TestSupport::near(image.pixel(480, 270), qRgb(grey, grey, grey), tolerance));
            QVERIFY(TestSupport::near(thumb.pixel(240, 135), qRgb(grey, grey, grey), 4));
        }
    }

    // A frame that cannot be converted, or whose files cannot be written
    // (here: the work folder was removed), counts as failed and is never
    // reported with files that do not exist.
    void unwrittenShotsCountAsFailed()
    {
        QTemporaryDir dir;
        FakeScript script;
        script.script(1.0, {{FakeOutcome::unconvertible}});
        ShotLog log;
        QCOMPARE(Extractor::run(script.factory(), {1.0, 2.0}, {}, dir.path(), log.callback(), {}, fastWatch), 1);
        QCOMPARE(log.ids(), QList<qint64>{1});
        QVERIFY(QFileInfo::exists(log.shots()[0].file));
        QVERIFY(QFileInfo::exists(log.shots()[0].thumbFile));
        QVERIFY(!QFileInfo::exists(dir.filePath("0000.jpg")));

        ShotLog gone;
        FakeScript other;
        const QString removed = dir.filePath("removed");
        QCOMPARE(Extractor::run(other.factory(), {1.0, 2.0, 3.0}, {}, removed, gone.callback(), {}, fastWatch), 3);
        QCOMPARE(gone.finished(), 0);
    }

    // Real files at every real size: all shots, right frames, whole files.
    void realSizes_data()
    {
        TestVideos::addRealSizeRows();
    }
    void realSizes()
    {
        QFETCH(int, index);
        const RealVideo &video = TestVideos::realSizes()[index];
        const QString path = TestVideos::realSizeClip(index);
        QVERIFY(!path.isEmpty());
        QTemporaryDir dir;
        ShotLog log;
        ExtractSettings settings;
        settings.precise = true;
        QCOMPARE(Extractor::run(Extractor::ffmpegGenerators(path), {0.05, 0.2, 0.35}, settings, dir.path(),
                                log.callback()),
                 0);
        const std::vector<Shot> shots = log.shots();
        QCOMPARE(shots.size(), size_t(3));
        const int expected[] = {1, 6, 10};
        for (const Shot &shot : shots) {
            const QImage full(shot.file);
            QCOMPARE(full.size(), video.display);
            QCOMPARE(TestVideos::frameNumber(full), expected[shot.id]);
            const QImage thumb(shot.thumbFile);
            QCOMPARE(thumb.size(), ImageFiles::scaledSize(video.display, 480));
            QCOMPARE(TestVideos::frameNumber(thumb), expected[shot.id]);
        }
    }

    void tolerance_data()
    {
        QTest::addColumn<QList<double>>("times");
        QTest::addColumn<bool>("precise");
        QTest::addColumn<qint64>("expected");  // 1/600 s
        QTest::newRow("spacing of the first two") << QList<double>{1, 3, 5} << false << qint64(480);
        QTest::newRow("single time t gives 0.8 t") << QList<double>{4} << false << qint64(1920);
        QTest::newRow("none") << QList<double>{} << false << qint64(480);
        QTest::newRow("uneven: first gap only") << QList<double>{0.5, 1.0, 9.0} << false << qint64(120);
        QTest::newRow("precise") << QList<double>{1, 3, 5} << true << qint64(0);
    }
    void tolerance()
    {
        QFETCH(QList<double>, times);
        QFETCH(bool, precise);
        QFETCH(qint64, expected);
        QCOMPARE(Extractor::tolerance(times, precise).value, expected);
        if (times.isEmpty())
            return;
        // Every generator gets it on both sides.
        FakeScript script;
        script.script(times[0], {{FakeOutcome::fail}});
        ShotLog log;
        ExtractSettings settings;
        settings.precise = precise;
        QCOMPARE(Extractor::run(script.factory(), times, settings, m_dir.path(), log.callback(), {}, fastWatch), 0);
        QCOMPARE(script.factoryCalls().size(), size_t(2));
        for (int generator : {0, 1}) {
            const auto [before, after] = script.tolerance(generator);
            QCOMPARE(before.value, expected);
            QCOMPARE(after.value, expected);
        }
    }
};

QTEST_GUILESS_MAIN(ExtractorTest)
#include "tst_extractor.moc"
