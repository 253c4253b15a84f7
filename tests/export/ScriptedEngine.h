#pragma once
// An engine for export tests: every extraction writes real shot files with
// scripted ids, times and formats into the work folder, and can be held
// back per video so that a video stays extracting (and the ones after it
// pending).

#include "model/Engine.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <chrono>
#include <mutex>
#include <thread>

struct ScriptedShot {
    qint64 id = 0;
    double time = 0;
    QString extension = QStringLiteral("jpg");
};

class ScriptedEngine {
public:
    // Shots per video file name; a video not listed gets ids 0, 1, 2 at 1, 2, 3 s.
    QHash<QString, QList<ScriptedShot>> shots;

    void hold(const QString &name)
    {
        std::lock_guard lock(m_mutex);
        m_held.insert(name);
    }
    void release(const QString &name)
    {
        std::lock_guard lock(m_mutex);
        m_held.remove(name);
    }

    // Unique, binary, multi-line content so a re-encode or text-mode copy shows.
    static QByteArray content(const QString &video, qint64 id)
    {
        QByteArray bytes = QStringLiteral("%1 #%2\r\n").arg(video).arg(id).toUtf8();
        for (int i = 0; i < 300; ++i)
            bytes.append(char((i * 7 + id) & 0xff));
        return bytes;
    }

    Engine engine()
    {
        Engine engine;
        engine.probe = [](const QUrl &url, std::stop_token) -> std::optional<VideoInfo> {
            VideoInfo info;
            info.url = url;
            info.duration = 4000;
            info.size = QSizeF(640, 360);
            info.fps = 25;
            return info;
        };
        engine.extract = [this](const VideoInfo &info, const QList<double> &,
                                const ExtractSettings &, const QString &dir,
                                const Engine::ShotCallback &onShot, std::stop_token stop) {
            const QString name = info.url.fileName();
            const QList<ScriptedShot> script = shots.value(
                name, {{0, 1.0, "jpg"}, {1, 2.0, "jpg"}, {2, 3.0, "jpg"}});
            for (const ScriptedShot &s : script) {
                const QString file = QDir(dir).filePath(
                    QStringLiteral("%1.%2").arg(s.id, 4, 10, QLatin1Char('0')).arg(s.extension));
                QFile out(file);
                if (!out.open(QIODevice::WriteOnly) || out.write(content(name, s.id)) < 0)
                    continue;
                out.close();
                onShot(Shot{s.id, s.time, file, QString()});
            }
            // Bounded, so a broken test cannot hang the suite.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (isHeld(name) && !stop.stop_requested()
                   && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return 0;
        };
        return engine;
    }

private:
    bool isHeld(const QString &name)
    {
        std::lock_guard lock(m_mutex);
        return m_held.contains(name);
    }

    std::mutex m_mutex;
    QSet<QString> m_held;
};
