// Whether exporting keeps the window responsive: exports N full-size shots
// (PNG files of a 1080p frame, 2000 by default) through the real exporter
// into a default export folder, while a timer on the UI thread ticks every
// 5 ms, and reports how long the UI thread was held at most (the longest
// event it handled, and the longest gap between ticks) and how long the
// copying took.
//
//   framelark-export-bench [--shots N] [--data DIR]
//
// The shots are made once in DIR (by default under the system's temporary
// folder) as copies of one PNG; the export goes to a folder next to them that
// is removed afterwards. 2000 1080p PNGs take about 6 GB, twice while the
// export runs.

#include "export/Exporter.h"
#include "export/ExportFolder.h"
#include "model/AppModel.h"
#include "model/Dialogs.h"
#include "settings/Preferences.h"
#include "UiTiming.h"

#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

namespace {

class NoDialogs : public Dialogs {
public:
    QList<QUrl> chooseVideos() override { return {}; }
    std::optional<QString> chooseExportFolder(const QString &, const QString &) override { return std::nullopt; }
    bool confirmCloseAll() override { return false; }
};

// A 1080p frame that compresses like filmed footage: a gradient with grain.
QImage frame()
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 1080);
    sky.setColorAt(0, QColor(90, 140, 210));
    sky.setColorAt(1, QColor(60, 90, 40));
    painter.fillRect(image.rect(), sky);
    painter.end();
    QRandomGenerator grain(7);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(grain.bounded(24)) - 12;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    return image;
}

QList<Shot> prepareShots(const QString &dir, int count)
{
    QDir().mkpath(dir);
    const QString first = QDir(dir).filePath(QStringLiteral("0000.png"));
    if (!QFile::exists(first))
        frame().save(first, "PNG");
    QList<Shot> shots;
    for (int id = 0; id < count; ++id) {
        const QString file = QDir(dir).filePath(QStringLiteral("%1.png").arg(id, 4, 10, QLatin1Char('0')));
        if (!QFile::exists(file))
            QFile::copy(first, file);
        shots.append(Shot{id, id * 0.3, file, file, {}});
    }
    return shots;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"shots", "How many shots to export.", "N", "2000"});
    parser.addOption({"data", "Where the shots are made (kept for the next run).", "DIR",
                      QDir::temp().filePath(QStringLiteral("framelark-export-bench"))});
    parser.process(app);
    const int count = std::max(1, parser.value("shots").toInt());
    const QString data = parser.value("data");

    std::printf("making %d shots in %s (once)\n", count, qPrintable(data));
    const QList<Shot> shots = prepareShots(data + "/shots", count);
    const qint64 bytes = QFileInfo(shots.first().file).size() * count;

    Engine engine;
    engine.probe = [](const QUrl &url, std::stop_token) -> std::optional<VideoInfo> {
        VideoInfo info;
        info.url = url;
        info.duration = 600;
        info.size = QSizeF(1920, 1080);
        info.fps = 30;
        return info;
    };
    engine.extract = [&shots](const VideoInfo &, const Planning::RunPlan &, const QString &,
                              const Engine::ShotCallback &onShot, const std::function<void()> &, std::stop_token) {
        for (const Shot &shot : shots)
            onShot(shot);
        return 0;
    };
    NoDialogs dialogs;
    AppModel model(engine, &dialogs);
    ExtractSettings settings;
    settings.count = count;
    model.apply(settings);
    // Named, not a temporary inside co_await (g++ 12 double destruction).
    [](AppModel *m, QList<QUrl> urls) -> QCoro::Task<> {
        QCoro::Task<> adding = m->add(std::move(urls));
        co_await adding;
    }(&model, {QUrl::fromLocalFile(QStringLiteral("/videos/Bench.mp4"))});
    QDeadlineTimer ready(60000);
    while (!(model.selected() && model.selected()->status() == VideoStatus::done) && !ready.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!model.canExport()) {
        std::fprintf(stderr, "the video did not finish extracting\n");
        return 1;
    }

    QTemporaryDir out(data + "/export-XXXXXX");
    QTemporaryDir settingsDir;
    Preferences prefs(settingsDir.filePath("prefs.ini"));
    prefs.setDefaultExportFolder(ExportFolder::bookmark(out.path()));
    Exporter exporter(model, prefs, dialogs, {});

    std::vector<double> gaps;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        gaps.push_back(sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    app.events.clear();
    app.recording = true;
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start();
    exporter.exportSelected();
    while (model.exportProgress())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = clock.nsecsElapsed() / 1e9;
    ticker.stop();
    app.recording = false;

    const int written = int(QDir(out.path() + "/Bench Screenshots").entryList(QDir::Files).size());
    std::printf("exported %d of %d shots (%.0f MB) in %.2f s%s\n", written, count, bytes / 1e6, seconds,
                model.alert() ? qPrintable(QStringLiteral(" with alert: ") + model.alert()->message) : "");
    print("UI-thread events", stats(app.events));
    print("gaps between 5 ms ticks", stats(gaps));
    std::printf("slowest event: %s\n", qPrintable(app.slowestWhat));
    return written == count && !model.alert() ? 0 : 1;
}
