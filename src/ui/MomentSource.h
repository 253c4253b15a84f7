#pragma once
// Frames of the selected video for the timeline and the viewer, decoded off
// the UI thread: hover previews and exact frames, each kind on a thread of
// its own so a slow exact frame never holds up the previews. Only the newest
// request of each kind is decoded: requests made while one decodes replace
// each other, so dragging over the timeline never builds a queue. While no
// preview is asked for, the previews of the video's other keyframes are kept
// in advance.
//
// Thread: UI thread; results arrive as signals on it. Ownership: owns its
// decoders (MomentFrames); destroying it stops the decoding and waits for
// the current frame of each kind to end, which a stop makes prompt.

#include "media/MomentFrames.h"

#include <QObject>
#include <QString>

#include <memory>
#include <thread>

class MomentSource : public QObject {
    Q_OBJECT
public:
    // Opens `path` in the background at once; previews fit `previewSide`
    // pixels.
    MomentSource(const QString &path, double previewSide, QObject *parent = nullptr);
    ~MomentSource() override;

    // Who asks for an exact frame: each has its newest request answered,
    // the viewer's first, so that the timeline's never displaces it.
    enum class Asker { timeline, viewer };
    void requestPreview(double seconds);
    void requestExact(double seconds, Asker asker);

signals:
    // The answer to the newest request at `requested` seconds.
    void previewReady(double requested, const Moment &moment);
    void exactReady(double requested, Asker asker, const Moment &moment);
    // The exact frame at `requested` could not be decoded.
    void exactFailed(double requested, Asker asker);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_previews;
    std::thread m_exact;
};
