#include "basics/StopNode.h"
#include "media/StallWatch.h"

#include <QTest>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = StallWatch::Clock;

namespace {

// An attempt's stop that records when it was requested.
class AbortRecorder {
public:
    std::stop_source source() const { return m_source; }
    std::vector<Clock::time_point> aborts() const
    {
        std::lock_guard lock(m_lock);
        return m_aborts;
    }
    int count() const { return int(aborts().size()); }

private:
    struct Record {
        AbortRecorder *self;
        void operator()()
        {
            std::lock_guard lock(self->m_lock);
            self->m_aborts.push_back(Clock::now());
        }
    };
    mutable std::mutex m_lock;
    std::vector<Clock::time_point> m_aborts;
    std::stop_source m_source;
    std::stop_callback<Record> m_record{m_source.get_token(), Record{this}};
};

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Scheduling on a loaded machine (and under the sanitizers) may delay a
// check by this much beyond its nominal moment.
constexpr auto slack = 800ms;

} // namespace

class StallWatchTest : public QObject {
    Q_OBJECT

private slots:
    void regularProgressIsNeverAborted()
    {
        AbortRecorder generator;
        StallWatch watch(10ms, 500ms);
        watch.watch(generator.source());
        // Far longer than the limit in total, but progress every 30 ms.
        const auto end = Clock::now() + 1500ms;
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
        watch.watch(generator.source());
        QTRY_VERIFY_WITH_TIMEOUT(generator.count() >= 1, 3000);
        const auto first = generator.aborts()[0] - watched;
        QVERIFY2(first > 150ms, qPrintable(QString::number(ms(first))));
        QVERIFY2(first <= 150ms + 10ms + slack, qPrintable(QString::number(ms(first))));
        QCOMPARE(watch.stallsDetected(), 1);
        // With still no progress, the next stall waits a whole limit again.
        const auto stalledAt = Clock::now();
        QTRY_VERIFY_WITH_TIMEOUT(watch.stallsDetected() >= 2, 3000);
        QVERIFY2(Clock::now() - stalledAt > 100ms, qPrintable(QString::number(ms(Clock::now() - stalledAt))));
    }

    void progressPostponesTheAbort()
    {
        AbortRecorder generator;
        StallWatch watch(10ms, 150ms);
        watch.watch(generator.source());
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
        watch.watch(old.source());
        std::this_thread::sleep_for(100ms);
        watch.watch(current.source());
        QTRY_VERIFY_WITH_TIMEOUT(current.count() >= 1, 3000);
        QCOMPARE(old.count(), 0);
    }

    // The run's stop is the attempt's parent: it reaches the watched attempt
    // at once, on the stopping thread, and is no stall.
    void runStopReachesTheAttemptAtOnce()
    {
        std::stop_source run;
        StopNode attempt(run.get_token());
        bool stopped = false;
        std::stop_callback record(attempt.token(), [&stopped] { stopped = true; });
        StallWatch watch(10s, 15s);
        watch.watch(attempt.source());
        run.request_stop();
        QVERIFY(stopped);
        QCOMPARE(watch.stallsDetected(), 0);
        // A node made below a stopped parent starts stopped.
        StopNode late(run.get_token());
        QVERIFY(late.stopRequested());
    }

    void withoutGeneratorAStallOnlyResetsTheClock()
    {
        StallWatch watch(10ms, 50ms);
        std::this_thread::sleep_for(250ms);
        QCOMPARE(watch.stallsDetected(), 0);
        // Releasing the generator puts the watch back in that state.
        AbortRecorder generator;
        watch.watch(generator.source());
        watch.unwatch();
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
