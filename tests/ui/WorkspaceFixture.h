#pragma once
// Support for the workspace tests: a scripted engine whose extractions write
// real thumbnail files of known colours and can be held shot by shot, an
// AppModel driven by it, and direct access to a VideoItem's state.

#include "model/AppModel.h"
#include "model/Engine.h"
#include "model/VideoItem.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QSizeF>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class ScriptedEngine {
public:
    // Display sizes by file name; any other file is 1920×1080.
    QHash<QString, QSizeF> sizes;
    // The shot ids every extraction reports, in this order.
    QList<qint64> shotIds{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    // What a finished extraction reports as unreadable.
    int failed = 0;
    // When set, each shot and then the end of each extraction wait for release().
    std::atomic<bool> stepwise = false;
    // When cleared, shots are reported without writing their thumbnail files.
    std::atomic<bool> writeThumbs = true;

    void release(int steps = 1);
    void releaseAll() { release(1 << 20); }
    // Shots reported so far, over all extractions.
    int reported() const { return m_reported; }

    Engine engine();

    // The colour of shot `id`'s pictures.
    static QColor colour(qint64 id);

private:
    // Waits for one released step; false when stopped or after 20 s.
    bool step(std::stop_token stop);

    std::mutex m_mutex;
    std::condition_variable_any m_released;
    int m_budget = 0;
    std::atomic<int> m_reported = 0;
};

// An AppModel on a ScriptedEngine with helpers to open videos.
class ModelFixture {
public:
    ModelFixture();
    ~ModelFixture();

    ScriptedEngine engine;
    std::unique_ptr<AppModel> model;

    // Opens the files (under a fake folder) and waits for add() to end; at most 5 s.
    bool add(const QStringList &names);
    // Starts extraction with `count` shots per video.
    void start(qint64 count = 12);
    VideoItem *item(const QString &name) const;
};

// Puts a VideoItem in any state, without a model.
class VideoItemFixture {
public:
    static VideoItem *make(const VideoInfo &info, QObject *parent);
    static void insert(VideoItem *item, const Shot &shot) { item->insert(shot); }
    static void setStatus(VideoItem *item, VideoStatus status) { item->setStatus(status); }
    static void setTotal(VideoItem *item, qint64 total) { item->setTotal(total); }
    static void setFailed(VideoItem *item, qint64 failed) { item->setFailed(failed); }
    static void setElapsed(VideoItem *item, std::optional<double> elapsed) { item->setElapsed(elapsed); }
    static void reset(VideoItem *item) { item->reset(); }
};
