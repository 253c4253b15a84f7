#include "media/StallWatch.h"

#include <QTest>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = StallWatch::Clock;

namespace {

// Records when it was aborted; it never decodes anything.
class AbortRecorder : public FrameGenerator {
public:
    void setTolerance(MediaTime, MediaTime) override {}
    void images(const std::vector<MediaTime> &, const std::function<void(FrameResult &&)> &) override {}
    FrameResult image(MediaTime time) override { return FrameResult{time, std::nullopt, 0, {}}; }
    void cancelAll() override
    {
        std::lock_guard lock(m_lock);
        m_aborts.push_back(Clock::now());
    }
    std::vector<Clock::time_point> aborts() const
    {
        std::lock_guard lock(m_lock);
        return m_aborts;
    }
    int count() const { return int(aborts().size()); }

private:
    mutable std::mutex m_lock;
    std::vector<Clock::time_point> m_aborts;
};

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Scheduling on a loaded machine (and under the sanitizers) may delay a
// check by this much beyond its nominal moment.
constexpr auto slack = 120ms;

} // namespace

class StallWatchTest : public QObject {
    Q_OBJECT

private slots:
    void regularProgressIsNeverAborted()
    {
        AbortRecorder generator;
        StallWatch watch(10ms, 200ms);
        watch.watch(&generator);
        // Far longer than the limit in total, but progress every 30 ms.
        const auto end = Clock::now() + 700ms;
        while (Clock::now() < end) {
            std::this_thread::sleep_for(30ms);
            watch.markProgress();
        }
        QCOMPARE(generator.count(), 0);
        QCOMPARE(watch.stallsDetected(), 0);
    }

    void silentGeneratorIsAbortedAfterTheLimit()
    {
        AbortRecorder generator;
        StallWatch watch(10ms, 150ms);
        const auto watched = Clock::now();
        watch.watch(&generator);
        QTRY_VERIFY_WITH_TIMEOUT(generator.count() >= 2, 3000);
        const auto aborts = generator.aborts();
        const auto first = aborts[0] - watched;
        QVERIFY2(first > 150ms, qPrintable(QString::number(ms(first))));
        QVERIFY2(first <= 150ms + 10ms + slack, qPrintable(QString::number(ms(first))));
        // With still no progress, the next abort waits a whole limit again.
        const auto second = aborts[1] - aborts[0];
        QVERIFY2(second > 150ms, qPrintable(QString::number(ms(second))));
        QVERIFY(watch.stallsDetected() >= 2);
    }

    void progressPostponesTheAbort()
    {
        AbortRecorder generator;
        StallWatch watch(10ms, 150ms);
        watch.watch(&generator);
        std::this_thread::sleep_for(100ms);
        const auto marked = Clock::now();
        watch.markProgress();
        QTRY_VERIFY_WITH_TIMEOUT(generator.count() >= 1, 3000);
        QVERIFY2(generator.aborts()[0] - marked > 150ms,
                 qPrintable(QString::number(ms(generator.aborts()[0] - marked))));
    }

    void onlyTheCurrentGeneratorIsAborted()
    {
        AbortRecorder old, current;
        StallWatch watch(10ms, 150ms);
        watch.watch(&old);
        std::this_thread::sleep_for(100ms);
        watch.watch(&current);
        QTRY_VERIFY_WITH_TIMEOUT(current.count() >= 1, 3000);
        QCOMPARE(old.count(), 0);
    }

    void abortIsImmediate()
    {
        AbortRecorder generator;
        // A watchdog that would not look for a long time.
        StallWatch watch(10s, 15s);
        watch.abort();  // nothing watched yet: nothing to abort, no crash
        watch.watch(&generator);
        watch.abort();
        QCOMPARE(generator.count(), 1);
        // A cancellation is not a stall.
        QCOMPARE(watch.stallsDetected(), 0);
    }

    void withoutGeneratorAStallOnlyResetsTheClock()
    {
        StallWatch watch(10ms, 50ms);
        std::this_thread::sleep_for(250ms);
        QCOMPARE(watch.stallsDetected(), 0);
        // Releasing the generator puts the watch back in that state.
        AbortRecorder generator;
        watch.watch(&generator);
        watch.watch(nullptr);
        std::this_thread::sleep_for(250ms);
        QCOMPARE(generator.count(), 0);
        QCOMPARE(watch.stallsDetected(), 0);
    }

    void destructionInterruptsTheSleep()
    {
        const auto start = Clock::now();
        {
            StallWatch watch(10s, 15s);
            std::this_thread::sleep_for(20ms);
        }
        const auto took = Clock::now() - start;
        QVERIFY2(took < 2s, qPrintable(QString::number(ms(took))));
    }
};

QTEST_GUILESS_MAIN(StallWatchTest)
#include "tst_stallwatch.moc"
