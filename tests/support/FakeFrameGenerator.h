#pragma once
// A scripted frame generator for extractor and stall watch tests. One
// FakeScript is shared by every generator its factory makes: it holds the
// outcome planned for each requested time and logs every request, so a test
// can assert which generator was asked for which times.
//
// Delivered frames are small yuv420p pictures whose luma encodes the
// requested time (lumaFor), so written files can be traced back.

#include "media/Extractor.h"
#include "media/FrameGenerator.h"

#include <QSize>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <deque>
#include <vector>

struct FakeOutcome {
    enum Kind {
        deliver,  // a frame at the requested time plus the script's actualOffset
        fail,     // a failure result
        stray,    // a success that claims another requested time (strayTime)
        hang,     // no answer until cancelAll (failure then), at most hangCap
        delay,    // deliver after `wait`, or fail when cancelled meanwhile
        unconvertible,  // a success whose frame no converter can read
    };
    // Implicit, so a script reads {FakeOutcome::fail} or {FakeOutcome::delay, 40ms}.
    FakeOutcome(Kind kind = deliver, std::chrono::milliseconds wait = {}, MediaTime strayTime = {})
        : kind(kind), wait(wait), strayTime(strayTime)
    {
    }
    Kind kind;
    std::chrono::milliseconds wait;
    MediaTime strayTime;
};

class FakeFrameGenerator;

class FakeScript {
public:
    struct Request {
        int generator;                 // 0 for the first generator made, then 1, 2, …
        bool batch;                    // images() rather than image()
        std::vector<MediaTime> times;
        bool operator==(const Request &) const = default;
    };

    // Outcomes for successive requests of `seconds`; once used up, requests
    // of that time are delivered.
    void script(double seconds, std::vector<FakeOutcome> outcomes);
    // Seconds added to the requested time to give the frame's actual time.
    double actualOffset = 0;
    QSize frameSize{64, 36};
    // A safety bound on hangs so that a broken watchdog fails a test instead
    // of blocking it.
    std::chrono::milliseconds hangCap{10000};
    // Called on the producer thread just before each time is answered, with
    // no lock held (a test may request a stop from it).
    std::function<void(MediaTime)> beforeAnswer;
    // When true the factory returns null generators.
    bool nullGenerators = false;
    // This many opens (the first ones) hang until the extractor abandons them.
    std::atomic<int> hangingOpens{0};

    Extractor::GeneratorFactory factory();

    std::vector<Request> requests() const;
    std::vector<bool> factoryCalls() const;  // the `fresh` argument of each call
    int cancelCount(int generator) const;
    // The tolerance each generator was given (before, after).
    std::pair<MediaTime, MediaTime> tolerance(int generator) const;

    static int lumaFor(MediaTime time);

private:
    friend class FakeFrameGenerator;
    FakeOutcome next(MediaTime time);
    void log(Request request);
    void countCancel(int generator);
    void noteTolerance(int generator, MediaTime before, MediaTime after);

    mutable std::mutex m_lock;
    std::map<qint64, std::deque<FakeOutcome>> m_outcomes;
    std::vector<Request> m_requests;
    std::vector<bool> m_factoryCalls;
    std::map<int, int> m_cancels;
    std::map<int, std::pair<MediaTime, MediaTime>> m_tolerances;
};

class FakeFrameGenerator : public FrameGenerator {
public:
    FakeFrameGenerator(FakeScript &script, int index);

    void setTolerance(MediaTime before, MediaTime after) override;
    void images(const std::vector<MediaTime> &times,
                const std::function<void(FrameResult &&)> &sink) override;
    FrameResult image(MediaTime time) override;
    void cancelAll() override;

private:
    FrameResult answer(MediaTime time);
    FrameResult frameFor(MediaTime requested, MediaTime claimed);
    // Waits up to `limit`; true when cancelled meanwhile.
    bool waitForCancel(std::chrono::milliseconds limit);

    FakeScript &m_script;
    const int m_index;
    std::mutex m_lock;
    std::condition_variable m_cancelled;
    bool m_isCancelled = false;  // guarded by m_lock
};
