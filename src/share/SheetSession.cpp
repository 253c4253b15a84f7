#include "share/SheetSession.h"

#include "share/SheetRenderer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

SheetSession::SheetSession(QList<Shot> shots, VideoInfo video, SheetFiles::RenderFunction render,
                           QObject *parent)
    : QObject(parent)
    , m_shots(std::move(shots))
    , m_video(std::move(video))
    , m_render(render ? std::move(render) : SheetFiles::RenderFunction(&SheetRenderer::render))
{
}

SheetSession::~SheetSession()
{
    // Results of renders still running are never shown now; they must not
    // leave staged files behind.
    m_renderStop.request_stop();
}

void SheetSession::setOptions(const SheetOptions &options)
{
    if (m_requested == options)
        return;
    m_requested = options;
    const quint64 generation = ++m_generation;
    m_renderStop.request_stop();
    m_renderStop = std::stop_source();
    if (m_failed) {
        m_failed = false;
        emit changed();
    }
    render(this, generation, options, m_renderStop.get_token());
}

QCoro::Task<> SheetSession::render(QPointer<SheetSession> session, quint64 generation,
                                       SheetOptions options, std::stop_token stop)
{
    QFuture<std::optional<SheetFiles::Rendered>> rendering = QtConcurrent::run(
        [render = session->m_render, shots = session->m_shots, video = session->m_video, options,
         stop] {
            std::optional<SheetFiles::Rendered> result =
                SheetFiles::renderAndStage(render, shots, video, options, stop);
            // Closed or superseded while writing: nobody will show this file.
            if (result && result->staged && stop.stop_requested()) {
                SheetFiles::discard(*result->staged);
                result->staged.reset();
            }
            return result;
        });
    std::optional<SheetFiles::Rendered> result = co_await rendering;
    if (!session) {
        if (result && result->staged)
            SheetFiles::discard(*result->staged);
        co_return;
    }
    session->land(generation, std::move(result));
}

void SheetSession::land(quint64 generation, std::optional<SheetFiles::Rendered> result)
{
    if (generation != m_generation) {
        if (result && result->staged)
            SheetFiles::discard(*result->staged);
        return;
    }
    if (!result) {
        // Nothing new to show: keep the previous image, or say why there is none.
        m_failed = m_image.isNull();
        emit changed();
        return;
    }
    m_image = result->image;
    m_file = result->staged ? SheetFiles::publish(*result->staged, m_video) : std::nullopt;
    m_copied = false;
    m_failed = false;
    emit changed();
    emit rendered();
}

void SheetSession::copy()
{
    if (m_image.isNull())
        return;
    QGuiApplication::clipboard()->setImage(m_image);
    m_copied = true;
    emit changed();
}

QCoro::Task<bool> SheetSession::save(QString path) const
{
    if (m_image.isNull())
        co_return false;
    QFuture<bool> saving = QtConcurrent::run([image = m_image, path] { return SheetFiles::save(image, path); });
    const bool saved = co_await saving;
    co_return saved;
}
