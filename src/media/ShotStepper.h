#pragma once
// Moves shots of one video to other frames with one decoder kept open
// between steps, so that a step to the next frame decodes just that frame
// instead of opening the file and decoding from the keyframe again.
//
// Thread: any; steps are serialised (one at a time). Ownership: owns its
// decoder, which lives until the stepper is destroyed or a step fails.
// Failure: a step that cannot decode, convert or write gives none; the next
// step opens the file afresh.

#include "basics/Records.h"
#include "media/FrameGenerator.h"

#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

class ShotStepper {
public:
    explicit ShotStepper(QString path);
    ~ShotStepper();

    // The frame shown at `target` seconds, exactly, written as shot `id` into
    // `dir` in the format and quality of `settings`. Blocks while decoding;
    // a stop ends it promptly with none.
    std::optional<Shot> step(qint64 id, double target, const ExtractSettings &settings, const QString &dir,
                             std::stop_token stop);

private:
    const QString m_path;
    std::mutex m_lock;
    std::unique_ptr<FrameGenerator> m_generator;
};
