#pragma once
// One share image as the user edits it: the shots and the video it is made
// of, the options it was last asked for, the image shown and its temporary
// JPEG. No widgets; the share image window shows what it holds and forwards
// its controls here.
//
// Rendering runs in the global thread pool. Each setOptions() with options
// different from the last ones starts a render and supersedes the one
// before: that one may still finish, but it writes no file and its image is
// dropped, so only the result for the newest options is ever shown. Every
// render stages its own file; the one that is shown is moved over the shared
// name (SheetFiles::publish) as it is shown, so file() always holds image().
//
// Thread: UI thread only. Ownership: a QObject child of whoever creates it.
// Destroying it stops every render still running and leaves no staged file.

#include "basics/Records.h"
#include "basics/SheetOptions.h"
#include "share/SheetFiles.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>

#include <QCoroTask>

#include <optional>
#include <stop_token>

class SheetSession : public QObject {
    Q_OBJECT
public:
    // `render` defaults to SheetRenderer::render when empty.
    SheetSession(QList<Shot> shots, VideoInfo video, SheetFiles::RenderFunction render,
                 QObject *parent = nullptr);
    ~SheetSession() override;

    const QList<Shot> &shots() const { return m_shots; }
    const VideoInfo &video() const { return m_video; }

    // Renders for `options` unless they equal the last ones asked for.
    void setOptions(const SheetOptions &options);

    // The image shown; null before the first render lands.
    const QImage &image() const { return m_image; }
    // The temporary JPEG of image(); none before the first image, or when it
    // could not be written.
    const std::optional<QString> &file() const { return m_file; }
    // The image was put on the clipboard since the last render landed.
    bool copied() const { return m_copied; }
    // The render for the current options gave nothing while no image is
    // shown (the canvas would be too large); a new setOptions() clears it.
    bool failed() const { return m_failed; }

    // Puts image() on the clipboard; nothing before the first image.
    void copy();
    // Writes image() to `path` in the format its extension asks for, on a
    // worker thread (a large sheet takes seconds to encode). False when there
    // is no image or nothing could be written. The image is copied when the
    // call starts, so a render landing meanwhile does not change what is
    // saved, and the write finishes even if the session goes away.
    QCoro::Task<bool> save(QString path) const;

signals:
    // Any of image(), file(), copied() or failed() changed.
    void changed();
    // A render landed: image(), file() and copied() have their new values.
    void rendered();

private:
    static QCoro::Task<> render(QPointer<SheetSession> session, quint64 generation,
                                    SheetOptions options, std::stop_token stop);
    void land(quint64 generation, std::optional<SheetFiles::Rendered> result);

    const QList<Shot> m_shots;
    const VideoInfo m_video;
    const SheetFiles::RenderFunction m_render;

    QImage m_image;
    std::optional<QString> m_file;
    bool m_copied = false;
    bool m_failed = false;

    // Generation of the newest render started; a result of any other is stale.
    quint64 m_generation = 0;
    std::optional<SheetOptions> m_requested;
    std::stop_source m_renderStop; // of the newest render
};
