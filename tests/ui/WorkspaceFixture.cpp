#include "WorkspaceFixture.h"

#include "media/ImageFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <chrono>

namespace {

QCoro::Task<> addThenFlag(AppModel *model, QList<QUrl> urls, bool *done)
{
    QCoro::Task<> adding = model->add(std::move(urls));
    co_await adding;
    *done = true;
}

QImage picture(qint64 id, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(ScriptedEngine::colour(id));
    return image;
}

} // namespace

QColor ScriptedEngine::colour(qint64 id)
{
    static const QList<QColor> colours{QColor(220, 40, 40), QColor(40, 160, 60), QColor(40, 80, 220),
                                       QColor(230, 180, 30), QColor(150, 60, 200), QColor(30, 170, 190)};
    return colours.at(int(id % colours.size()));
}

void ScriptedEngine::release(int steps)
{
    {
        std::lock_guard lock(m_mutex);
        m_budget += steps;
    }
    m_released.notify_all();
}

bool ScriptedEngine::step(std::stop_token stop)
{
    if (!stepwise)
        return !stop.stop_requested();
    std::unique_lock lock(m_mutex);
    const bool released =
        m_released.wait_for(lock, stop, std::chrono::seconds(20), [this] { return m_budget > 0; });
    if (released)
        --m_budget;
    return released;
}

Engine ScriptedEngine::engine()
{
    Engine engine;
    engine.probe = [this](const QUrl &url, std::stop_token) -> std::optional<VideoInfo> {
        VideoInfo info;
        info.url = url;
        info.duration = 100;
        info.size = sizes.value(url.fileName(), QSizeF(1920, 1080));
        info.fps = 25;
        info.fileSize = 1000;
        return info;
    };
    engine.extract = [this](const VideoInfo &info, const QList<double> &, const ExtractSettings &,
                            const QString &dir, const Engine::ShotCallback &onShot, std::stop_token stop) {
        const QSize full = info.size.width() > 0 && info.size.height() > 0 ? info.size.toSize() : QSize(640, 360);
        const QSize thumb = ImageFiles::scaledSize(full, ImageFiles::thumbnailSide);
        for (const qint64 id : shotIds) {
            if (!step(stop))
                return 0;
            const QString file = QDir(dir).filePath(ImageFiles::shotFileName(id, ShotFormat::jpg));
            const QString thumbFile = QDir(dir).filePath(ImageFiles::thumbFileName(id));
            if (writeThumbs) {
                ImageFiles::writeJpeg(picture(id, thumb), thumbFile, 0.9);
                ImageFiles::writeJpeg(picture(id, thumb), file, 0.9);
            }
            ++m_reported;
            onShot(Shot{id, double(id) * 2.5, file, thumbFile});
        }
        if (!step(stop))
            return 0;
        return failed;
    };
    return engine;
}

ModelFixture::ModelFixture()
    : model(std::make_unique<AppModel>(engine.engine(), nullptr))
{
}

ModelFixture::~ModelFixture()
{
    engine.releaseAll();
    model->shutdown(std::chrono::seconds(10));
    // Deletes the work folders and the temporary root.
    model->closeAll();
    model.reset();
    // Let suspended continuations see the model gone.
    QTest::qWait(20);
}

bool ModelFixture::add(const QStringList &names)
{
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(QStringLiteral("/videos/") + name));
    bool done = false;
    addThenFlag(model.get(), urls, &done);
    const QDeadlineTimer deadline(5000);
    while (!done && !deadline.hasExpired())
        QTest::qWait(5);
    return done;
}

void ModelFixture::start(qint64 count)
{
    ExtractSettings settings;
    settings.mode = ExtractMode::count;
    settings.count = count;
    model->apply(settings);
}

VideoItem *ModelFixture::item(const QString &name) const
{
    for (VideoItem *v : model->videos()) {
        if (v->info().fileName() == name)
            return v;
    }
    return nullptr;
}

VideoItem *VideoItemFixture::make(const VideoInfo &info, QObject *parent)
{
    return new VideoItem(info, parent);
}
