#include "media/WriterPool.h"

#include <QRunnable>

namespace {

class Task final : public QRunnable {
public:
    Task(std::unique_ptr<WriterPool::Job> job, QSemaphore &free)
        : m_job(std::move(job))
        , m_free(free)
    {
    }
    void run() override
    {
        m_job->run();
        // The job's state (a full-size frame) goes before its slot does, so
        // the bound on frames in memory holds.
        m_job.reset();
        m_free.release();
    }

private:
    std::unique_ptr<WriterPool::Job> m_job;
    QSemaphore &m_free;
};

} // namespace

WriterPool::WriterPool(int limit)
    : m_free(limit)
{
    m_pool.setMaxThreadCount(limit);
}

WriterPool::~WriterPool()
{
    waitForDone();
}

void WriterPool::start(std::unique_ptr<Job> job)
{
    m_free.acquire();
    // With a free slot there is a free thread (or one just finishing), so
    // the task never waits in the pool's queue for long.
    m_pool.start(new Task(std::move(job), m_free));
}

void WriterPool::waitForDone()
{
    m_pool.waitForDone();
}
