// Times SheetRenderer on a sheet of 100 shots cut from 3840×2160 JPEG frames
// (at width 3600 unless told otherwise), and optionally writes sample sheets
// as PNG files.
//
//   framelark-sheet-bench [--runs N] [--width W] [--samples DIR]

#include "app/Translations.h"
#include "media/ImageFiles.h"
#include "share/SheetRenderer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {

// A frame with a sky, a horizon and a sun whose colours and position change
// with `i`, so sheets look like a real video rather than flat colour.
QImage frame(int i, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const int hue = (i * 37) % 360;
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(hue, 140, 250));
    sky.setColorAt(0.62, QColor::fromHsv((hue + 30) % 360, 90, 200));
    sky.setColorAt(0.63, QColor::fromHsv((hue + 180) % 360, 120, 90));
    sky.setColorAt(1, QColor::fromHsv((hue + 200) % 360, 160, 40));
    p.fillRect(image.rect(), sky);
    const double t = (i % 20) / 20.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 200, 230));
    const double r = size.height() * 0.08;
    p.drawEllipse(QPointF(size.width() * (0.15 + 0.7 * t), size.height() * (0.55 - 0.3 * std::sin(t * 3.14159))), r, r);
    p.end();
    return image;
}

VideoInfo video(const QString &name, int shots)
{
    VideoInfo info;
    info.url = QUrl::fromLocalFile(QStringLiteral("/videos/") + name);
    info.duration = shots * 7.5 + 3.2;
    info.size = QSizeF(3840, 2160);
    info.fps = 29.97f;
    info.fileSize = 912'400'000;
    return info;
}

// CPU time of the whole process (all threads), in ms: the part of a timing
// that other programs on a shared machine cannot inflate.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double renderMs(const QList<Shot> &shots, const VideoInfo &info, const SheetOptions &options,
                std::optional<QImage> *out = nullptr)
{
    QElapsedTimer timer;
    timer.start();
    auto image = SheetRenderer::render(shots, info, options);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (out)
        *out = std::move(image);
    return ms;
}

double averageBytes(const QList<Shot> &shots)
{
    double total = 0;
    for (const Shot &shot : shots)
        total += double(QFileInfo(shot.file).size());
    return shots.isEmpty() ? 0 : total / double(shots.size());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The texts as an English-speaking user sees them ("1 shot", not "1 shots").
    Translations::install(QLocale(QLocale::English, QLocale::UnitedStates));
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Timed runs."), QStringLiteral("n"), QStringLiteral("7")});
    parser.addOption({QStringLiteral("width"), QStringLiteral("Sheet width in pixels."), QStringLiteral("w"), QStringLiteral("3600")});
    parser.addOption({QStringLiteral("samples"), QStringLiteral("Write sample sheets to this folder."), QStringLiteral("dir")});
    parser.addOption({QStringLiteral("shots"),
                      QStringLiteral("Use the shot files in this folder (as framelark-bench extract writes "
                                     "them) instead of drawn frames."),
                      QStringLiteral("dir")});
    parser.process(app);
    QTextStream out(stdout);

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // Drawn gradients compress far better than real footage, and decoding
    // is most of a sheet's cost, so real extracted shots can be timed too.
    QList<Shot> shots;
    const QString shotDir = parser.value(QStringLiteral("shots"));
    if (!shotDir.isEmpty()) {
        const QStringList files = QDir(shotDir).entryList({QStringLiteral("[0-9][0-9][0-9][0-9].jpg")},
                                                          QDir::Files, QDir::Name);
        for (const QString &name : files)
            shots.append(Shot{shots.size(), shots.size() * 7.5 + 1, QDir(shotDir).filePath(name), QString(), {}});
        if (shots.isEmpty()) {
            out << "no shot files (0000.jpg, 0001.jpg, ...) in " << shotDir << "\n";
            return 1;
        }
    }
    for (int i = 0; shotDir.isEmpty() && i < 100; ++i) {
        const QString file = dir.filePath(ImageFiles::shotFileName(i, ShotFormat::jpg));
        if (!ImageFiles::writeJpeg(frame(i, QSize(3840, 2160)), file, 0.9))
            return 1;
        shots.append(Shot{i, i * 7.5 + 1, file, QString(), {}});
    }
    const QSize shotSize = QImageReader(shots.front().file).size();

    SheetOptions options;
    options.width = std::max(1, parser.value(QStringLiteral("width")).toInt());
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    std::vector<double> times;
    std::vector<double> cpu;
    std::optional<QImage> sheet;
    for (int run = 0; run < runs; ++run) {
        const double before = cpuMs();
        times.push_back(renderMs(shots, video(QStringLiteral("Road trip.mp4"), int(shots.size())), options, &sheet));
        cpu.push_back(cpuMs() - before);
    }
    if (!sheet)
        return 1;
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::sort(cpu.begin(), cpu.end());
    out << shots.size() << " shots of " << shotSize.width() << "x" << shotSize.height() << " ("
        << QString::number(averageBytes(shots) / 1024.0, 'f', 0) << " KB each) at width " << options.width << " -> " << sheet->width() << "x" << sheet->height()
        << ": median " << QString::number(sorted[sorted.size() / 2], 'f', 1) << " ms over " << runs
        << " runs (min " << QString::number(sorted.front(), 'f', 1) << ", max "
        << QString::number(sorted.back(), 'f', 1) << "); CPU time median "
        << QString::number(cpu[cpu.size() / 2], 'f', 1) << " ms on " << QThread::idealThreadCount()
        << " cores\n";

    const QString samples = parser.value(QStringLiteral("samples"));
    if (samples.isEmpty())
        return 0;
    QDir().mkpath(samples);
    struct Sample {
        int shots;
        bool dark;
        QString name;
        int width;
    };
    const QList<Sample> list{{1, true, "Sunset.mp4", 2400},       {5, true, "Road trip.mp4", 2400},
                             {12, true, "Road trip.mp4", 2400},   {12, false, "Road trip.mp4", 2400},
                             {12, false, "Road trip.mp4", 1600},  {12, true, "Road trip.mp4", 3600},
                             {100, true, "Road trip.mp4", 2400},  {100, false, "Road trip.mp4", 2400},
                             {12, true, "夏休み 2024.mp4", 2400}, {5, false, "夏休み 2024.mp4", 2400}};
    for (const Sample &sample : list) {
        SheetOptions o;
        o.dark = sample.dark;
        o.width = sample.width;
        std::optional<QImage> image;
        const double ms = renderMs(shots.mid(0, sample.shots), video(sample.name, sample.shots), o, &image);
        if (!image)
            return 1;
        const QString file = QStringLiteral("%1/sheet-%2-%3-%4-%5.png")
                                 .arg(samples)
                                 .arg(sample.shots)
                                 .arg(sample.dark ? "dark" : "light")
                                 .arg(sample.name.startsWith(u'夏') ? "cjk" : "latin")
                                 .arg(sample.width);
        if (!ImageFiles::writePng(*image, file))
            return 1;
        out << file << ": " << image->width() << "x" << image->height() << " in "
            << QString::number(ms, 'f', 1) << " ms, " << QFileInfo(file).size() << " bytes\n";
    }
    return 0;
}
