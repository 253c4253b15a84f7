// How the shot grid behaves with many shots: fills a video pane with 2000
// shots of a 4K video (thumbnails at their written size, 480×270), scrolls it
// from top to bottom in steps and reports the UI thread's event and frame
// times, peak memory, and whether any JPEG was decoded on the UI thread.
//
//   framelark-grid-bench [--shots N] [--step PX] [--data DIR]
//   framelark-grid-bench --screenshots DIR     sample images of the workspace
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "media/ImageFiles.h"
#include "media/Thumbnails.h"
#include "model/AppModel.h"
#include "ui/ShotGrid.h"
#include "ui/ShotListModel.h"
#include "ui/VideoDetail.h"
#include "ui/Workspace.h"
#include "UiTiming.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include <dlfcn.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>

// --- JPEG decodes, counted by thread ----------------------------------------
//
// The executable's definitions of these decoder entry points (libjpeg's, for
// Qt's image plugin; TurboJPEG's, for our own reduced decodes) take
// precedence over the libraries' for every caller in the process; they count
// and pass the call on.

namespace {
std::atomic<pthread_t> uiThread{};
std::atomic<int> uiDecodes{0};
std::atomic<int> otherDecodes{0};

void countDecode()
{
    if (pthread_equal(pthread_self(), uiThread.load()))
        ++uiDecodes;
    else
        ++otherDecodes;
}
} // namespace

extern "C" int jpeg_start_decompress(void *cinfo)
{
    using Real = int (*)(void *);
    // The plugin's libjpeg is not in the global scope, so RTLD_NEXT cannot
    // see it: ask the library itself.
    static const Real real = [] {
        void *library = dlopen("libjpeg.so.62", RTLD_NOW | RTLD_NOLOAD);
        if (!library)
            library = dlopen("libjpeg.so.62", RTLD_NOW);
        return reinterpret_cast<Real>(library ? dlsym(library, "jpeg_start_decompress") : nullptr);
    }();
    if (!real)
        std::abort();
    countDecode();
    return real(cinfo);
}

extern "C" int tjDecompress2(void *handle, const unsigned char *jpeg, unsigned long size, unsigned char *out,
                             int width, int pitch, int height, int pixelFormat, int flags)
{
    using Real = int (*)(void *, const unsigned char *, unsigned long, unsigned char *, int, int, int, int, int);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "tjDecompress2"));
    if (!real)
        std::abort();
    countDecode();
    return real(handle, jpeg, size, out, width, pitch, height, pixelFormat, flags);
}

namespace {

// A picture that reads as a frame of a video: a sky-to-ground gradient in a
// hue of its own, a sun, and the shot's number.
QImage scene(int id, QSize size, int count)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int hue = int(360.0 * id / std::max(1, count) + 200) % 360;
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 235));
    sky.setColorAt(0.62, QColor::fromHsv((hue + 20) % 360, 70, 250));
    sky.setColorAt(0.63, QColor::fromHsv((hue + 140) % 360, 110, 120));
    sky.setColorAt(1, QColor::fromHsv((hue + 150) % 360, 140, 60));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 244, 214, 220));
    const qreal r = size.height() * 0.09;
    painter.drawEllipse(QPointF(size.width() * (0.15 + 0.7 * ((id * 37) % 100) / 100.0), size.height() * 0.38), r, r);
    QFont font;
    font.setPixelSize(size.height() / 6);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255, 200));
    painter.drawText(QRect(0, 0, size.width(), int(size.height() * 0.6)), Qt::AlignCenter,
                     QString::number(id + 1));
    return image;
}

// Writes `count` thumbnails (and uses them as full-size files too) into
// `dir` unless they are there already; returns the shots.
QList<Shot> prepareShots(const QString &dir, int count, QSize thumbSize, double duration)
{
    QDir().mkpath(dir);
    QList<Shot> shots;
    for (int id = 0; id < count; ++id) {
        const QString thumb = QDir(dir).filePath(ImageFiles::thumbFileName(id));
        if (!QFileInfo::exists(thumb))
            ImageFiles::writeJpeg(scene(id, thumbSize, count), thumb, ImageFiles::thumbnailQuality);
        shots.append(Shot{id, duration * (id + 0.5) / count, thumb, thumb, {}});
    }
    return shots;
}

// An engine whose probe answers from a table and whose extraction reports
// prepared shots at once.
struct BenchEngine {
    QHash<QString, QSizeF> sizes;
    QHash<QString, QList<Shot>> shots;
    QSet<QString> pending; // these never finish extracting

    Engine engine()
    {
        Engine e;
        e.probe = [this](const QUrl &url, std::stop_token) -> std::optional<VideoInfo> {
            VideoInfo info;
            info.url = url;
            info.duration = 600;
            info.size = sizes.value(url.fileName(), QSizeF(3840, 2160));
            info.fps = 30;
            info.fileSize = 1'250'000'000;
            return info;
        };
        e.extract = [this](const VideoInfo &info, const Planning::RunPlan &, const QString &,
                           const Engine::ShotCallback &onShot, const std::function<void()> &, std::stop_token stop) {
            const QString name = info.url.fileName();
            for (const Shot &shot : shots.value(name)) {
                if (stop.stop_requested())
                    return 0;
                onShot(shot);
            }
            if (pending.contains(name)) {
                while (!stop.stop_requested())
                    QThread::msleep(5);
            }
            return 0;
        };
        return e;
    }
};

bool addAndWait(AppModel &model, const QStringList &names, int timeoutMs = 30000)
{
    bool done = false;
    QList<QUrl> urls;
    for (const QString &name : names)
        urls.append(QUrl::fromLocalFile(QStringLiteral("/videos/") + name));
    [](AppModel *m, QList<QUrl> u, bool *flag) -> QCoro::Task<> {
        QCoro::Task<> adding = m->add(std::move(u));
        co_await adding;
        *flag = true;
    }(&model, urls, &done);
    QDeadlineTimer deadline(timeoutMs);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done;
}

void waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void settle(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

ExtractSettings countOf(qint64 n)
{
    ExtractSettings settings;
    settings.mode = ExtractMode::count;
    settings.count = n;
    return settings;
}

int screenshots(const QString &out, const QString &data)
{
    QDir().mkpath(out);
    BenchEngine bench;
    bench.shots.insert("Harbour at Dusk.mp4", prepareShots(data + "/dusk", 24, QSize(480, 270), 600));
    bench.shots.insert("Cycling the Coast – Day 2 (final cut, 4K).mov",
                       prepareShots(data + "/coast", 36, QSize(480, 270), 600));
    bench.shots.insert("Morning run.mp4", prepareShots(data + "/run", 8, QSize(480, 270), 600));
    bench.pending.insert("Morning run.mp4");
    bench.sizes.insert("Phone clip.mp4", QSizeF(1080, 1920));
    bench.shots.insert("Phone clip.mp4", prepareShots(data + "/phone", 12, QSize(270, 480), 60));

    {
        AppModel model(bench.engine(), nullptr);
        model.apply(countOf(24));
        Workspace workspace(model, nullptr);
        workspace.resize(1100, 720);
        workspace.show();
        addAndWait(model, {"Harbour at Dusk.mp4"});
        VideoItem *item = model.videos().first();
        waitFor([&] { return item->status() == VideoStatus::done; }, 10000);
        for (const qint64 id : {2, 5, 6, 11})
            item->toggle(id);
        settle(600);
        workspace.grab().save(out + "/one-video.png");
        model.shutdown(std::chrono::seconds(2));
        model.closeAll();
    }
    {
        AppModel model(bench.engine(), nullptr);
        model.apply(countOf(24));
        Workspace workspace(model, nullptr);
        workspace.resize(1200, 760);
        workspace.show();
        addAndWait(model, {"Harbour at Dusk.mp4", "Cycling the Coast – Day 2 (final cut, 4K).mov"});
        waitFor([&] { return model.videos().at(0)->status() == VideoStatus::done; }, 10000);
        // The last one stays extracting.
        addAndWait(model, {"Morning run.mp4"});
        model.setSelectedID(model.videos().at(1)->id());
        model.videos().at(1)->toggle(4);
        settle(800);
        workspace.grab().save(out + "/three-videos.png");
        model.setSelectedID(model.videos().at(2)->id());
        settle(600);
        workspace.grab().save(out + "/three-videos-extracting.png");
        model.shutdown(std::chrono::seconds(2));
        model.closeAll();
    }
    {
        AppModel model(bench.engine(), nullptr);
        model.apply(countOf(12));
        Workspace workspace(model, nullptr);
        workspace.resize(1000, 760);
        workspace.show();
        addAndWait(model, {"Phone clip.mp4"});
        VideoItem *item = model.videos().first();
        waitFor([&] { return item->status() == VideoStatus::done; }, 10000);
        item->toggle(3);
        settle(600);
        workspace.grab().save(out + "/portrait.png");
        model.shutdown(std::chrono::seconds(2));
        model.closeAll();
    }
    std::printf("screenshots written to %s\n", qPrintable(out));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    uiThread = pthread_self();
    TimedApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption shotsOption("shots", "Number of shots.", "N", "2000");
    QCommandLineOption stepOption("step", "Scroll step in pixels.", "PX", "120");
    QCommandLineOption dataOption("data", "Folder for the generated thumbnails.", "DIR",
                                  QDir::temp().filePath("framelark-grid-bench"));
    QCommandLineOption fillOnlyOption("fill-only", "Stop after filling the grid.");
    QCommandLineOption shotsDirOption("screenshots", "Write sample screenshots into DIR and exit.", "DIR");
    parser.addOptions({shotsOption, stepOption, dataOption, fillOnlyOption, shotsDirOption});
    parser.process(app);
    const QString data = parser.value(dataOption);
    if (parser.isSet(shotsDirOption))
        return screenshots(parser.value(shotsDirOption), data);

    const int count = std::clamp(parser.value(shotsOption).toInt(), 1, 2000);
    const int step = std::max(1, parser.value(stepOption).toInt());

    QElapsedTimer timer;
    timer.start();
    BenchEngine bench;
    bench.shots.insert("concert-4k.mp4", prepareShots(data + "/4k", count, QSize(480, 270), 3600));
    std::printf("thumbnails ready: %d files (%.1f s)\n", count, timer.nsecsElapsed() / 1e9);

    AppModel model(bench.engine(), nullptr);
    model.apply(countOf(count));
    VideoDetail detail(model);
    detail.resize(1280, 800);
    detail.show();
    settle(100);

    // Fill: every shot arrives as an inserted row.
    app.recording = true;
    timer.restart();
    if (!addAndWait(model, {"concert-4k.mp4"}))
        return 1;
    VideoItem *item = model.videos().first();
    detail.setItem(item);
    waitFor([&] { return item->status() == VideoStatus::done; }, 60000);
    settle(300);
    const double fillSeconds = timer.nsecsElapsed() / 1e9;
    const Stats fillEvents = stats(app.events);
    std::printf("filled %lld shots in %.2f s; grid %d columns, cell %.1f x %.1f\n",
                qint64(item->shots().size()), fillSeconds, detail.grid()->columns().count,
                detail.grid()->columns().width, detail.grid()->cellHeight());
    print("events while filling", fillEvents);
    std::printf("  slowest: event type %s\n", qPrintable(app.slowestWhat));
    if (parser.isSet(fillOnlyOption)) {
        model.shutdown(std::chrono::seconds(2));
        model.closeAll();
        return 0;
    }

    // Scroll from top to bottom, one step per frame (~16 ms), repainting the
    // whole view each time: the worst case, with thumbnails loading as they
    // come into view.
    app.events.clear();
    std::vector<double> frames;
    std::vector<double> cpu;
    QScrollBar *bar = detail.grid()->verticalScrollBar();
    const int decodesBefore = otherDecodes.load();
    timer.restart();
    for (int value = 0; value <= bar->maximum(); value += step) {
        QElapsedTimer frame;
        frame.start();
        const double cpuStart = threadCpuMs();
        bar->setValue(value);
        detail.grid()->viewport()->repaint();
        frames.push_back(frame.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
        settle(16);
    }
    const double scrollSeconds = timer.nsecsElapsed() / 1e9;
    settle(500);
    std::printf("scrolled down %d px in %zu steps of %d px (%.2f s)\n", bar->maximum(), frames.size(), step,
                scrollSeconds);
    print("frame: scroll + full repaint", stats(frames));
    print("  the same, UI thread CPU", stats(cpu));
    print("UI-thread events", stats(app.events));
    std::printf("JPEG decodes while scrolling down, off the UI thread: %d\n", otherDecodes.load() - decodesBefore);

    // Back up the way a wheel scrolls: the view moves its pixels and paints
    // the strip that comes into view when the event loop gets to it.
    app.events.clear();
    frames.clear();
    cpu.clear();
    for (int value = bar->maximum(); value >= 0; value -= step) {
        QElapsedTimer frame;
        frame.start();
        const double cpuStart = threadCpuMs();
        bar->setValue(value);
        QCoreApplication::processEvents();
        frames.push_back(frame.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
        settle(16);
    }
    settle(500);
    print("frame: scroll + event loop", stats(frames));
    print("  the same, UI thread CPU", stats(cpu));
    print("UI-thread events", stats(app.events));
    std::printf("JPEG decodes on the UI thread during the whole run: %d\n", uiDecodes.load());
    std::printf("thumbnails cached: %d, %.1f MB\n", Thumbnails::count(), Thumbnails::bytes() / 1e6);
    std::printf("peak memory (max RSS): %.1f MB\n", peakRssKb() / 1024.0);
    model.shutdown(std::chrono::seconds(2));
    model.closeAll();
    return uiDecodes.load() == 0 ? 0 : 2;
}
