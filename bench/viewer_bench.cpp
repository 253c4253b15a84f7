// The shot viewer on 4K shots: how long from opening it to the picture on
// screen, and the longest the UI thread is held while Left/Right go through
// 50 shots at a brisk pace (one key every 120 ms), as a user flicks through.
//
//   framelark-viewer-bench [--shots 50] [--pace-ms 120]
//
// The shots are 3840×2160 JPEGs of real-looking noise at quality 90, made
// once in a temporary folder.

#include "UiTiming.h"

#include "media/ImageFiles.h"
#include "model/VideoItem.h"
#include "ui/ShotListModel.h"
#include "ui/ShotViewer.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

QImage picture(int index)
{
    QImage image(3840, 2160, QImage::Format_RGB32);
    QRandomGenerator random(quint32(index + 1));
    // Gradients with fine grain: as costly to decode as filmed footage.
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 3840, 2160);
    sky.setColorAt(0, QColor::fromHsv(index * 37 % 360, 120, 220));
    sky.setColorAt(1, QColor::fromHsv((index * 37 + 120) % 360, 200, 60));
    painter.fillRect(image.rect(), sky);
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(24u)) - 12;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + grain, 0, 255), std::clamp(qGreen(p) + grain, 0, 255),
                           std::clamp(qBlue(p) + grain, 0, 255));
        }
    }
    return image;
}

void wait(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char *argv[])
{
    TimedApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, int fallback) {
        const int at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
    };
    const int count = std::max(2, option("--shots", 50));
    const int pace = std::max(1, option("--pace-ms", 120));

    QTemporaryDir dir;
    VideoInfo info;
    info.url = QUrl::fromLocalFile(QStringLiteral("/videos/uhd.mp4"));
    info.duration = count;
    info.size = QSizeF(3840, 2160);
    info.fps = 30;
    VideoItem item(info);
    QList<Shot> shots;
    std::printf("making %d 4K shots…\n", count);
    for (int i = 0; i < count; ++i) {
        const QString file = dir.filePath(QStringLiteral("%1.jpg").arg(i));
        ImageFiles::writeJpeg(picture(i), file, 0.9);
        shots.append(Shot{i, double(i), file, file, {}});
    }
    item.setShots(shots);
    item.setStatus(VideoStatus::done);

    ShotListModel model;
    model.setItem(&item);
    ShotViewer viewer(&model);
    viewer.resize(1200, 800);
    viewer.show();
    wait(200);

    QElapsedTimer opening;
    opening.start();
    app.recording = true;
    viewer.open(0);
    while (viewer.picture().isNull() && opening.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const double openMs = double(opening.nsecsElapsed()) / 1e6;
    wait(pace);

    int shown = 0;
    std::vector<double> arrivals;
    for (int i = 1; i < count; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QCoreApplication::sendEvent(&viewer, &press);
        QElapsedTimer timer;
        timer.start();
        while (viewer.picture().isNull() && timer.elapsed() < pace)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (!viewer.picture().isNull()) {
            ++shown;
            arrivals.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        wait(int(std::max<qint64>(0, pace - timer.elapsed())));
    }
    app.recording = false;
    std::printf("opening the viewer on a 4K shot: picture after %.1f ms\n", openMs);
    print("picture after Right", stats(arrivals));
    std::printf("%d of %d shown within the %d ms between keys\n", shown, count - 1, pace);
    print("UI-thread events", stats(app.events));
    std::printf("longest UI-thread event: %s\n", qPrintable(app.slowestWhat));
    return 0;
}
