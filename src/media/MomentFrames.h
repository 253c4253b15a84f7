#pragma once
// Pictures of one video at any moment, for scrubbing a timeline and taking a
// frame by hand: a quick preview (the keyframe at or before a time, small)
// and the exact frame on screen at a time (full size).
//
// Each kind keeps a decoder of its own open between calls: previews jump
// about the video and cost one keyframe each, while exact frames mostly move
// a frame or two from the last one, which the open decoder reaches without
// seeking. Previews are kept, up to a memory limit, so that passing the
// same stretch again decodes nothing.
//
// Thread: any. Calls of one kind are serialised; a preview and an exact
// frame may be decoded at the same time on two threads. Ownership: owns its
// decoders. Failure: none, for a time that cannot be decoded or a stop.

#include "media/FrameGenerator.h"

#include <QImage>
#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

struct Moment {
    QImage image;        // sRGB, upright, at the video's display size (a preview: scaled down)
    double seconds = 0;  // when this frame starts, from the stream start
};

class MomentFrames {
public:
    explicit MomentFrames(QString path);
    ~MomentFrames();

    // Opens both decoders ahead of the first request and decodes the first
    // frame on each, so that a request costs its own decoding only; false
    // when the file cannot be opened.
    bool prepare(double maxSide, std::stop_token stop);
    // Decodes the preview of one keyframe not yet kept, in time order, for
    // idle moments; false when every keyframe is kept (or the file has no
    // keyframe index) and nothing was done.
    bool keepNextPreview(double maxSide, std::stop_token stop);

    // The keyframe shown at or before `seconds`, its longer side at most
    // `maxSide` pixels.
    std::optional<Moment> preview(double seconds, double maxSide, std::stop_token stop);
    // The frame on screen at exactly `seconds`.
    std::optional<Moment> exact(double seconds, std::stop_token stop);

private:
    struct Lane {
        std::mutex lock;
        std::unique_ptr<FrameGenerator> generator;
    };
    // Opens the file for `lane` when it has no decoder, with `tolerance`
    // either side of each request; false when it cannot or `stop` asks.
    bool open(Lane &lane, MediaTime tolerance, std::stop_token stop);
    // Decodes on the open `lane`; a failed or stopped decoder is dropped,
    // and the next call opens the file afresh.
    std::optional<VideoFrame> decode(Lane &lane, double seconds, double *actual, std::stop_token stop);

    const QString m_path;
    Lane m_previewLane;
    Lane m_exactLane;
    // The preview of `keyframe`, kept or decoded and kept; the preview lane
    // is held and open.
    std::optional<Moment> previewOf(const FrameGenerator::Keyframe &keyframe, double maxSide, std::stop_token stop);

    // Previews by the index of their keyframe, with the size they were made
    // for (a video smaller than that gives a smaller one), and the bytes
    // they take.
    struct Kept {
        Moment moment;
        double maxSide = 0;
    };
    std::map<size_t, Kept> m_previews;
    qsizetype m_keptBytes = 0;
    size_t m_nextToKeep = 0;
    std::mutex m_previewsLock;
};
