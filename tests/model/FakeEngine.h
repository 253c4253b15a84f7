#pragma once
// A scripted engine for model tests: probes by file name, and extractions
// that report chosen shot ids and then wait for the test to let them finish.

#include "model/Engine.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class FakeEngine {
public:
    // Probing a file whose name is listed here fails.
    QSet<QString> unreadable;
    // How long probing a file takes.
    QHash<QString, int> probeDelayMs;
    // Probing these never answers: like a file on a mount that stopped
    // responding, until stopped (or, for those in `deaf`, until the test
    // lets go with releaseProbes(), like a read no stop reaches).
    QSet<QString> silent;
    QSet<QString> deaf;
    // Shot ids every extraction reports, in this order.
    QList<qint64> shotIds{3, 1, 2};
    // Reported after a stop was requested, like writers finishing late; -1: none.
    qint64 lateShotId = -1;
    // What an extraction returns when it was not stopped.
    int failed = 0;
    // How long extracting a file takes before it reports completion.
    QHash<QString, int> workMs;

    // Extractions block before returning until released (or stopped).
    void hold()
    {
        std::lock_guard lock(m_mutex);
        m_budget = 0;
    }
    void release(int n = 1)
    {
        {
            std::lock_guard lock(m_mutex);
            m_budget += n;
        }
        m_changed.notify_all();
    }
    void releaseAll()
    {
        release(1 << 20);
        releaseProbes();
    }
    void releaseProbes()
    {
        {
            std::lock_guard lock(m_mutex);
            m_probesReleased = true;
        }
        m_changed.notify_all();
    }
    // Silent probes that ended because they were stopped.
    int stoppedProbes() const
    {
        std::lock_guard lock(m_mutex);
        return m_stoppedProbes;
    }
    // Probes still running.
    int probing() const
    {
        std::lock_guard lock(m_mutex);
        return m_probing;
    }

    QStringList started() const
    {
        std::lock_guard lock(m_mutex);
        return m_started;
    }
    int finished() const
    {
        std::lock_guard lock(m_mutex);
        return m_finished;
    }
    int running() const
    {
        std::lock_guard lock(m_mutex);
        return int(m_started.size()) - m_finished;
    }
    QList<QList<double>> plans() const
    {
        std::lock_guard lock(m_mutex);
        return m_plans;
    }

    Engine engine()
    {
        Engine engine;
        engine.probe = [this](const QUrl &url, std::stop_token stop) -> std::optional<VideoInfo> {
            const QString name = url.fileName();
            if (silent.contains(name) || deaf.contains(name)) {
                std::unique_lock lock(m_mutex);
                ++m_probing;
                const std::stop_token heeded = deaf.contains(name) ? std::stop_token() : stop;
                m_changed.wait_for(lock, heeded, std::chrono::seconds(20), [this] { return m_probesReleased; });
                m_stoppedProbes += stop.stop_requested() ? 1 : 0;
                --m_probing;
                return std::nullopt;
            }
            if (const int ms = probeDelayMs.value(name))
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            if (unreadable.contains(name))
                return std::nullopt;
            VideoInfo info;
            info.url = url;
            info.duration = 100;
            info.size = QSizeF(640, 360);
            info.fps = 25;
            info.fileSize = 1000;
            return info;
        };
        engine.extract = [this](const VideoInfo &info, const QList<double> &times,
                                const ExtractSettings &, const QString &dir,
                                const Engine::ShotCallback &onShot, std::stop_token stop) {
            {
                std::lock_guard lock(m_mutex);
                m_started.append(info.url.fileName());
                m_plans.append(times);
            }
            for (qint64 id : shotIds)
                onShot(Shot{id, double(id), dir + QStringLiteral("/%1.jpg").arg(id), QString()});
            if (const int ms = workMs.value(info.url.fileName()))
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            std::unique_lock lock(m_mutex);
            // Bounded, so a broken test cannot hang the suite.
            const bool released = m_changed.wait_for(lock, stop, std::chrono::seconds(20),
                                                     [this] { return m_budget > 0; });
            if (released)
                --m_budget;
            lock.unlock();
            const bool stopped = stop.stop_requested();
            if (stopped && lateShotId >= 0)
                onShot(Shot{lateShotId, 0, dir + QStringLiteral("/late.jpg"), QString()});
            lock.lock();
            ++m_finished;
            return stopped ? 0 : failed;
        };
        return engine;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    int m_budget = 1 << 20;
    QStringList m_started;
    QList<QList<double>> m_plans;
    int m_finished = 0;
    bool m_probesReleased = false;
    int m_stoppedProbes = 0;
    int m_probing = 0;
};
