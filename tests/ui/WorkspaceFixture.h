#pragma once
// Support for the workspace tests: an AppModel on the scripted engine, its
// extractions writing real pictures of known colours.

#include "model/AppModel.h"
#include "model/VideoItem.h"
#include "support/ScriptedEngine.h"

#include <QStringList>

#include <memory>

// An AppModel on a ScriptedEngine with helpers to open videos: twelve shots
// (ids 0 to 11, 2.5 s apart) of 1920×1080 videos, pictures written.
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
