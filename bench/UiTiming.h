#pragma once
// Timing the UI thread in benchmarks: how long each event it handles takes,
// summaries of such durations, and the thread's CPU time and the process's
// peak memory.

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (depth > 0 || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        ++depth;
        // Taken before the event is delivered: delivering may delete the
        // receiver (a deferred delete) and the event.
        const int type = int(event->type());
        const char *what = receiver ? receiver->metaObject()->className() : "";
        QElapsedTimer timer;
        timer.start();
        const bool result = QApplication::notify(receiver, event);
        const double ms = timer.nsecsElapsed() / 1e6;
        --depth;
        if (recording) {
            events.push_back(ms);
            if (ms > slowest) {
                slowest = ms;
                slowestWhat = QStringLiteral("%1 to %2").arg(type).arg(QString::fromLatin1(what));
            }
        }
        return result;
    }

    int depth = 0;
    bool recording = false;
    std::vector<double> events;
    double slowest = 0;
    QString slowestWhat;
};

struct Stats {
    double median = 0, p95 = 0, max = 0;
    size_t count = 0;
};

Stats stats(std::vector<double> values)
{
    Stats s;
    s.count = values.size();
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    auto at = [&](double q) { return values[std::min(values.size() - 1, size_t(q * (values.size() - 1) + 0.5))]; };
    s.median = at(0.5);
    s.p95 = at(0.95);
    s.max = values.back();
    return s;
}

void print(const char *name, const Stats &s)
{
    std::printf("%-28s n=%-6zu median %7.3f ms   p95 %7.3f ms   max %7.3f ms\n", name, s.count, s.median, s.p95,
                s.max);
}

// CPU time of the calling thread, unaffected by other processes on the machine.
[[maybe_unused]] double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

[[maybe_unused]] long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace
