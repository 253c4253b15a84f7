#pragma once
// The tests' engine. Probes answer by file name: readable, unreadable, slow,
// or never (like a mount that stopped responding). Extractions report
// scripted shots, writing real files when a test needs them, and can be
// held back as a whole, per video or shot by shot, so a test sees every
// state of a run. Everything it saw is recorded for the test to check.

#include "model/Engine.h"

#include <QColor>
#include <QHash>
#include <QSet>
#include <QSizeF>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>

struct ScriptedShot {
    qint64 id = 0;
    double time = 0;
    QString extension = QStringLiteral("jpg");
};

class ScriptedEngine {
public:
    // Probing. A file listed in `unreadable` fails, one in `probeDelayMs`
    // takes that long. Those in `silent` never answer until stopped; those in
    // `deaf` not even then, until releaseProbes() (like a read no stop
    // reaches). Every other file is `duration` seconds long, of its size in
    // `sizes` or else `size`.
    QSet<QString> unreadable;
    QHash<QString, int> probeDelayMs;
    QSet<QString> silent;
    QSet<QString> deaf;
    double duration = 100;
    QSizeF size = QSizeF(640, 360);
    QHash<QString, QSizeF> sizes;

    // Extraction. Every video reports `shotIds` in this order, shot `id` at
    // firstTime + id × timeStep seconds, unless `shots` lists its own.
    QList<qint64> shotIds{3, 1, 2};
    double firstTime = 0;
    double timeStep = 1;
    QHash<QString, QList<ScriptedShot>> shots;
    // What is written for a shot, in the work folder under the shot file
    // names of the real extractor.
    enum class Files {
        none,          // nothing; no thumbnail path either
        content,       // the shot file, holding content()
        pictures,      // shot and thumbnail JPEGs filled with colour()
        picturePaths,  // the paths `pictures` would write, nothing written
    };
    Files files = Files::none;
    // How long extracting a video takes after its shots, before it ends,
    // saying every 0.1 s that it works on.
    QHash<QString, int> workMs;
    // Reported after a stop was requested, like writers finishing late; -1: none.
    qint64 lateShotId = -1;
    // What an extraction returns when it was not stopped.
    int failed = 0;

    // Holding back. hold(): every extraction waits before it ends until a
    // release(); holdEachShot(): also before each shot. A video named in
    // hold(name) waits before it ends until release(name). A stop always
    // ends the wait, and so do 20 s, so a broken test cannot hang the suite.
    void hold();
    void holdEachShot();
    void release(int steps = 1);
    void hold(const QString &name);
    void release(const QString &name);
    void releaseProbes();
    // Lets every extraction and every probe go.
    void releaseAll();

    // What happened. Silent probes that ended because they were stopped, and
    // probes still running; the videos whose extraction started, in order,
    // with their planned times; extractions that ended; shots reported, over
    // all extractions.
    int stoppedProbes() const;
    int probing() const;
    QStringList started() const;
    QList<QList<double>> plans() const;
    int finished() const;
    int running() const;
    int reported() const { return m_reported; }

    Engine engine();

    // Unique, binary, multi-line content so a re-encode or text-mode copy shows.
    static QByteArray content(const QString &video, qint64 id);
    // The colour of shot `id`'s pictures.
    static QColor colour(qint64 id);

private:
    std::optional<VideoInfo> probe(const QUrl &url, std::stop_token stop);
    int extract(const VideoInfo &info, const QList<double> &times, const QString &dir,
                const Engine::ShotCallback &onShot, const std::function<void()> &working, std::stop_token stop);
    // Waits until `video` may go on; false when stopped or after 20 s.
    bool pass(const QString &video, std::stop_token stop);

    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    int m_budget = 1 << 20;
    bool m_eachShot = false;
    QSet<QString> m_held;
    bool m_probesReleased = false;
    int m_stoppedProbes = 0;
    int m_probing = 0;
    QStringList m_started;
    QList<QList<double>> m_plans;
    int m_finished = 0;
    std::atomic<int> m_reported = 0;
};
