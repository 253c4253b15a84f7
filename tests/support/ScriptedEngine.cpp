#include "support/ScriptedEngine.h"

#include "media/ImageFiles.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <chrono>
#include <thread>

void ScriptedEngine::hold()
{
    std::lock_guard lock(m_mutex);
    m_budget = 0;
}

void ScriptedEngine::holdEachShot()
{
    std::lock_guard lock(m_mutex);
    m_budget = 0;
    m_eachShot = true;
}

void ScriptedEngine::release(int steps)
{
    {
        std::lock_guard lock(m_mutex);
        m_budget += steps;
    }
    m_changed.notify_all();
}

void ScriptedEngine::hold(const QString &name)
{
    std::lock_guard lock(m_mutex);
    m_held.insert(name);
}

void ScriptedEngine::release(const QString &name)
{
    {
        std::lock_guard lock(m_mutex);
        m_held.remove(name);
    }
    m_changed.notify_all();
}

void ScriptedEngine::releaseProbes()
{
    {
        std::lock_guard lock(m_mutex);
        m_probesReleased = true;
    }
    m_changed.notify_all();
}

void ScriptedEngine::releaseAll()
{
    {
        std::lock_guard lock(m_mutex);
        m_budget += 1 << 20;
        m_held.clear();
    }
    releaseProbes();
}

int ScriptedEngine::stoppedProbes() const
{
    std::lock_guard lock(m_mutex);
    return m_stoppedProbes;
}

int ScriptedEngine::probing() const
{
    std::lock_guard lock(m_mutex);
    return m_probing;
}

QStringList ScriptedEngine::started() const
{
    std::lock_guard lock(m_mutex);
    return m_started;
}

QList<QList<double>> ScriptedEngine::plans() const
{
    std::lock_guard lock(m_mutex);
    return m_plans;
}

int ScriptedEngine::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

int ScriptedEngine::running() const
{
    std::lock_guard lock(m_mutex);
    return int(m_started.size()) - m_finished;
}

QByteArray ScriptedEngine::content(const QString &video, qint64 id)
{
    QByteArray bytes = QStringLiteral("%1 #%2\r\n").arg(video).arg(id).toUtf8();
    for (int i = 0; i < 300; ++i)
        bytes.append(char((i * 7 + id) & 0xff));
    return bytes;
}

QColor ScriptedEngine::colour(qint64 id)
{
    static const QList<QColor> colours{QColor(220, 40, 40), QColor(40, 160, 60), QColor(40, 80, 220),
                                       QColor(230, 180, 30), QColor(150, 60, 200), QColor(30, 170, 190)};
    return colours.at(int(id % colours.size()));
}

Engine ScriptedEngine::engine()
{
    Engine engine;
    engine.probe = [this](const QUrl &url, std::stop_token stop) { return probe(url, stop); };
    engine.extract = [this](const VideoInfo &info, const Planning::RunPlan &plan, const QString &dir,
                            const Engine::ShotCallback &onShot,
                            const std::function<void()> &working,
                            std::stop_token stop) { return extract(info, plan.times, dir, onShot, working, stop); };
    return engine;
}

std::optional<VideoInfo> ScriptedEngine::probe(const QUrl &url, std::stop_token stop)
{
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
    info.duration = duration;
    info.size = sizes.value(name, size);
    info.fps = 25;
    info.fileSize = 1000;
    return info;
}

bool ScriptedEngine::pass(const QString &video, std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    const bool released = m_changed.wait_for(lock, stop, std::chrono::seconds(20), [&] {
        return m_budget > 0 && !m_held.contains(video);
    });
    if (released)
        --m_budget;
    return released;
}

int ScriptedEngine::extract(const VideoInfo &info, const QList<double> &times, const QString &dir,
                            const Engine::ShotCallback &onShot, const std::function<void()> &working,
                            std::stop_token stop)
{
    const QString name = info.url.fileName();
    {
        std::lock_guard lock(m_mutex);
        m_started.append(name);
        m_plans.append(times);
    }
    const auto ended = [this](int result) {
        std::lock_guard lock(m_mutex);
        ++m_finished;
        return result;
    };
    QList<ScriptedShot> script = shots.value(name);
    if (!shots.contains(name)) {
        for (const qint64 id : std::as_const(shotIds))
            script.append({id, firstTime + double(id) * timeStep});
    }
    const QSize full = info.size.width() > 0 && info.size.height() > 0 ? info.size.toSize() : QSize(640, 360);
    const QSize thumbSize = ImageFiles::scaledSize(full, ImageFiles::thumbnailSide);
    for (const ScriptedShot &s : std::as_const(script)) {
        if (m_eachShot && !pass(name, stop))
            return ended(0);
        const QString file = QDir(dir).filePath(
            QStringLiteral("%1.%2").arg(s.id, 4, 10, QLatin1Char('0')).arg(s.extension));
        QString thumb;
        if (files == Files::pictures || files == Files::picturePaths)
            thumb = QDir(dir).filePath(ImageFiles::thumbFileName(s.id));
        if (files == Files::content) {
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly) || out.write(content(name, s.id)) < 0)
                continue;
        } else if (files == Files::pictures) {
            QImage picture(thumbSize, QImage::Format_RGB32);
            picture.fill(colour(s.id));
            ImageFiles::writeJpeg(picture, thumb, 0.9);
            ImageFiles::writeJpeg(picture, file, 0.9);
        }
        ++m_reported;
        onShot(Shot{s.id, s.time, file, thumb, {}});
    }
    // Telling that it works on, as replacing weak shots does.
    for (int left = workMs.value(name); left > 0; left -= 100) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 100)));
        working();
    }
    pass(name, stop);
    const bool stopped = stop.stop_requested();
    if (stopped && lateShotId >= 0)
        onShot(Shot{lateShotId, 0, dir + QStringLiteral("/late.jpg"), QString(), {}});
    return ended(stopped ? 0 : failed);
}
