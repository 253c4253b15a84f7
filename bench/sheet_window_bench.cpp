// The share image window with a very large sheet: the longest time the UI
// thread does not answer while the preview follows 20 window sizes and while
// the sheet is saved as PNG and as JPEG. Beside each, what the same work
// costs when done on the UI thread (the smooth scaling to the preview's size,
// the encoding), which is how long the window froze before that work moved
// to worker threads.
//
//   framelark-sheet-window-bench [--shots N] [--columns C]
#include "app/Translations.h"
#include "media/ImageFiles.h"
#include "settings/Preferences.h"
#include "share/SheetFiles.h"
#include "sharewindow/SheetPreview.h"
#include "sharewindow/SheetView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

// Records the longest gap between turns of the UI thread's event loop, seen
// by a timer that asks to run every millisecond.
class StallMeter {
public:
    StallMeter()
    {
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(1);
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_since.restart());
        });
    }
    void start()
    {
        m_longest = 0;
        m_since.start();
        m_tick.start();
    }
    qint64 stop()
    {
        m_tick.stop();
        return std::max(m_longest, m_since.elapsed());
    }

private:
    QTimer m_tick;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// Runs the event loop until `done` holds or `ms` pass; false on timeout.
bool spinUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void spinFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QImage frame(int i)
{
    QImage image(640, 360, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((i * 37) % 360, 150, 220));
    QPainter p(&image);
    p.fillRect(QRect(40 + i % 500, 120, 100, 120), QColor::fromHsv((i * 37 + 180) % 360, 200, 90));
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Translations::install(QLocale(QLocale::English, QLocale::UnitedStates));
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("shots"), QStringLiteral("Shots on the sheet."), QStringLiteral("n"), QStringLiteral("2000")});
    parser.addOption({QStringLiteral("columns"), QStringLiteral("Sheet columns."), QStringLiteral("c"), QStringLiteral("10")});
    parser.process(app);
    QTextStream out(stdout);

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    QList<Shot> shots;
    const int count = std::max(1, parser.value(QStringLiteral("shots")).toInt());
    for (int i = 0; i < count; ++i) {
        const QString file = dir.filePath(ImageFiles::shotFileName(i, ShotFormat::jpg));
        if (!ImageFiles::writeJpeg(frame(i), file, 0.85))
            return 1;
        shots.append(Shot{i, i * 0.3, file, QString(), {}});
    }
    VideoInfo video;
    video.url = QUrl::fromLocalFile(dir.filePath(QStringLiteral("Long Talk.mp4")));
    video.duration = count * 0.3 + 1;
    video.size = QSizeF(1920, 1080);
    video.fps = 25;
    video.fileSize = 2'000'000'000;

    Preferences prefs(dir.filePath(QStringLiteral("prefs.ini")));
    prefs.setSheetColumns(parser.value(QStringLiteral("columns")).toLongLong());
    QString savePath;
    SheetView::Services services = SheetView::defaultServices();
    services.chooseSavePath = [&savePath](QWidget *, const QString &) {
        return SheetView::SaveChoice{savePath, SheetFiles::formatFor(savePath)};
    };
    QElapsedTimer clock;
    clock.start();
    SheetView view(shots, video, prefs, services);
    view.resize(900, 700);
    view.show();
    if (!spinUntil([&] { return !view.image().isNull(); }, 600'000)) {
        out << "the sheet did not render\n";
        return 1;
    }
    const QImage sheet = view.image();
    out << count << " shots, " << prefs.sheetColumns() << " columns: " << sheet.width() << " x " << sheet.height()
        << " = " << QString::number(sheet.width() * double(sheet.height()) / 1e6, 'f', 1) << " megapixels, rendered in "
        << clock.elapsed() << " ms\n";

    auto *preview = view.findChild<SheetPreview *>();
    spinUntil([&] { return preview->isSharp(); }, 60'000);
    StallMeter meter;
    meter.start();
    for (int i = 0; i < 20; ++i) {
        view.resize(800 + 25 * i, 640 + 15 * (i % 4));
        spinFor(40);
    }
    spinUntil([&] { return preview->isSharp(); }, 60'000);
    const qint64 resizeStall = meter.stop();
    clock.restart();
    const QImage scaledOnce =
        sheet.scaled(preview->imageRect().size() * preview->devicePixelRatioF(), Qt::IgnoreAspectRatio,
                     Qt::SmoothTransformation);
    const qint64 scaleOnUiThread = clock.elapsed();
    out << "resize, 20 sizes: longest UI stall " << resizeStall << " ms; one smooth scaling on the UI thread "
        << scaleOnUiThread << " ms (" << scaledOnce.width() << " x " << scaledOnce.height() << ")\n";

    for (const char *suffix : {"png", "jpg"}) {
        savePath = dir.filePath(QStringLiteral("saved.") + QLatin1String(suffix));
        meter.start();
        view.save();
        spinUntil([&] { return QFileInfo(savePath).size() > 0; }, 600'000);
        const qint64 saveStall = meter.stop();
        const QString direct = dir.filePath(QStringLiteral("direct.") + QLatin1String(suffix));
        clock.restart();
        SheetFiles::save(sheet, direct);
        const qint64 saveOnUiThread = clock.elapsed();
        out << "save " << suffix << " (" << QFileInfo(savePath).size() / 1000 << " KB): longest UI stall " << saveStall
            << " ms; encoding on the UI thread " << saveOnUiThread << " ms\n";
    }
    return 0;
}
