#pragma once
// A bounded hand-over from one producer to parallel workers: at most `limit`
// jobs run at once, and start() blocks the producer while all are busy, so
// no more than `limit` decoded frames wait in memory. The destructor waits
// for every started job, so nothing outlives the pool's owner.
//
// start() is for one producer thread; jobs run on the pool's own threads.

#include <QSemaphore>
#include <QThreadPool>

#include <functional>
#include <memory>

class WriterPool {
public:
    explicit WriterPool(int limit);
    ~WriterPool();
    WriterPool(const WriterPool &) = delete;
    WriterPool &operator=(const WriterPool &) = delete;

    // Runs `job` on a worker once one is free; blocks until then. Jobs may
    // own move-only state, hence the unique_ptr hand-over.
    struct Job {
        virtual ~Job() = default;
        virtual void run() = 0;
    };
    void start(std::unique_ptr<Job> job);

    // Blocks until every started job has finished.
    void waitForDone();

private:
    QSemaphore m_free;
    QThreadPool m_pool;
};
