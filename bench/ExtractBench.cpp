// framelark-bench: measures the extractor on a real video, alone or against
// the ffmpeg tool doing the same job the way a user would script it.
//
//   framelark-bench extract VIDEO [options] --out DIR
//   framelark-bench compare VIDEO [options] --out DIR [--competitor accurate|noaccurate|fulldecode]
//
// Options: --count N | --interval S, --precise, --png | --webp, --quality Q, --decode-only,
// --stall-limit S (the extractor's stall watch; raise it under valgrind,
// which runs the decoder some fifty times slower).

#include "basics/Planning.h"
#include "media/Extractor.h"
#include "media/FrameConverter.h"
#include "media/ImageFiles.h"
#include "media/MediaAsset.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <sys/resource.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

struct Figures {
    qint64 shots = 0;
    qint64 failed = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    // Negative: not measured. The ffmpeg tool's peak is not: on Linux a
    // child's ru_maxrss keeps the high-water mark of the process it was
    // forked from, which would report our own peak as its.
    double peakMegabytes = -1;
};

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double peakMegabytes(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in kilobytes
}

void printFigures(const char *who, const Figures &f)
{
    std::printf("%s: shots %lld, failed %lld, wall %.3f s, cpu %.3f s", who, (long long)f.shots,
                (long long)f.failed, f.wallSeconds, f.cpuSeconds);
    if (f.peakMegabytes >= 0)
        std::printf(", peak %.0f MB", f.peakMegabytes);
    std::printf("\n");
    std::fflush(stdout);
}

Figures runExtractor(const QString &video, const QList<double> &times, const ExtractSettings &settings,
                     const QString &dir, bool quiet, Extractor::Timing timing = {})
{
    QDir().mkpath(dir);
    std::mutex printLock;
    std::atomic<qint64> shots = 0;
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    const int failed = Extractor::run(Extractor::ffmpegGenerators(video), times, settings, dir,
                                      [&](const Shot &shot) {
                                          ++shots;
                                          if (quiet)
                                              return;
                                          std::lock_guard lock(printLock);
                                          std::printf("%lld\t%.6f\t%s\n", (long long)shot.id, shot.time,
                                                      qPrintable(shot.file));
                                      },
                                      {}, timing);
    Figures f;
    f.wallSeconds = double(timer.nsecsElapsed()) / 1e9;
    f.cpuSeconds = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    f.shots = shots;
    f.failed = failed;
    f.peakMegabytes = peakMegabytes(RUSAGE_SELF);
    return f;
}

// The same requests the extractor makes, with every frame thrown away: the
// floor that decoding alone sets.
Figures runDecodeOnly(const QString &video, const QList<double> &times, const ExtractSettings &settings)
{
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    Figures f;
    auto generator = Extractor::ffmpegGenerators(video)(false, {});
    if (!generator) {
        f.failed = times.size();
        return f;
    }
    const MediaTime tolerance = Extractor::tolerance(times, settings.precise);
    generator->setTolerance(tolerance, tolerance);
    for (qsizetype start = 0; start < times.size(); start += Extractor::chunkSize) {
        std::vector<MediaTime> chunk;
        for (qsizetype i = start; i < std::min<qsizetype>(start + Extractor::chunkSize, times.size()); ++i)
            chunk.push_back(MediaTime::fromSeconds(times[i]));
        generator->images(chunk, [&](FrameResult &&result) {
            if (result.ok())
                ++f.shots;
            else
                ++f.failed;
        });
    }
    f.wallSeconds = double(timer.nsecsElapsed()) / 1e9;
    f.cpuSeconds = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    f.peakMegabytes = peakMegabytes(RUSAGE_SELF);
    return f;
}

bool runTool(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("ffmpeg"), arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// What a user scripts with the ffmpeg tool: per shot, one call that grabs the
// full-size frame and one that scales it to the 480-pixel thumbnail. (A single
// call with a split filter and two outputs was tried: ffmpeg 5.1 then keeps
// decoding long after both outputs have their frame, several times slower,
// which would flatter us.)
Figures runFfmpegLoop(const QString &video, const QList<double> &times, const ExtractSettings &settings,
                      const QString &dir, bool accurate)
{
    QDir().mkpath(dir);
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    Figures f;
    for (qsizetype id = 0; id < times.size(); ++id) {
        const QString full = QDir(dir).filePath(ImageFiles::shotFileName(id, settings.format));
        const QString thumb = QDir(dir).filePath(ImageFiles::thumbFileName(id));
        QStringList grab{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                         QStringLiteral("-ss"), QString::number(times[id], 'f', 6)};
        if (!accurate)
            grab << QStringLiteral("-noaccurate_seek");
        grab << QStringLiteral("-i") << video;
        if (!accurate)
            grab << QStringLiteral("-fps_mode") << QStringLiteral("passthrough");
        grab << QStringLiteral("-frames:v") << QStringLiteral("1") << QStringLiteral("-q:v")
             << QStringLiteral("2") << full;
        const QStringList scale{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                                QStringLiteral("-i"), full, QStringLiteral("-vf"),
                                QStringLiteral("scale=480:480:force_original_aspect_ratio=decrease"),
                                QStringLiteral("-q:v"), QStringLiteral("4"), thumb};
        if (runTool(grab) && runTool(scale))
            ++f.shots;
        else
            ++f.failed;
    }
    f.wallSeconds = double(timer.nsecsElapsed()) / 1e9;
    f.cpuSeconds = cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
    return f;
}

Figures runFullDecode(const QString &video)
{
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    Figures f;
    if (runTool({QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), video,
                 QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")}))
        f.shots = 1;
    f.wallSeconds = double(timer.nsecsElapsed()) / 1e9;
    f.cpuSeconds = cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
    return f;
}

// Reads the whole file once so that neither contender pays for the disk:
// the kernel may drop cached pages between runs, and whoever ran first would
// otherwise read the video from disk for the other.
void warmFileCache(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (file.read(buffer.data(), buffer.size()) > 0) {
    }
}

qsizetype filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files).size();
}

} // namespace

int main(int argc, char *argv[])
{
    // The figures are the output; the decoding libraries' warnings about a
    // damaged input would only bury them.
    av_log_set_level(AV_LOG_QUIET);
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures Framelark's extractor."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("extract or compare"));
    parser.addPositionalArgument(QStringLiteral("video"), QStringLiteral("the video file"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("shots in count mode"), QStringLiteral("N"));
    const QCommandLineOption interval(QStringLiteral("interval"), QStringLiteral("seconds between shots"), QStringLiteral("S"));
    const QCommandLineOption precise(QStringLiteral("precise"), QStringLiteral("exact frames"));
    const QCommandLineOption png(QStringLiteral("png"), QStringLiteral("write PNG"));
    const QCommandLineOption webp(QStringLiteral("webp"), QStringLiteral("write WebP"));
    const QCommandLineOption quality(QStringLiteral("quality"), QStringLiteral("JPEG quality 0..1"), QStringLiteral("Q"), QStringLiteral("0.9"));
    const QCommandLineOption decodeOnly(QStringLiteral("decode-only"), QStringLiteral("decode, write nothing"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("no line per shot"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("output folder"), QStringLiteral("DIR"));
    const QCommandLineOption competitor(QStringLiteral("competitor"),
                                        QStringLiteral("accurate, noaccurate or fulldecode"), QStringLiteral("KIND"));
    const QCommandLineOption stallLimit(QStringLiteral("stall-limit"),
                                        QStringLiteral("seconds without progress before a decoder is abandoned"),
                                        QStringLiteral("S"));
    parser.addOptions({count, interval, precise, png, webp, quality, decodeOnly, quiet, out, competitor, stallLimit});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2 || (positional[0] != u"extract" && positional[0] != u"compare")
        || (!parser.isSet(out) && !parser.isSet(decodeOnly))) {
        std::fprintf(stderr, "usage: framelark-bench extract|compare VIDEO [options] --out DIR\n");
        return 2;
    }
    const QString video = QFileInfo(positional[1]).absoluteFilePath();
    QElapsedTimer probing;
    probing.start();
    const auto facts = MediaAsset::probe(video);
    const double probeSeconds = probing.nsecsElapsed() / 1e9;
    if (!facts) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(video));
        return 1;
    }

    ExtractSettings settings;
    if (parser.isSet(interval)) {
        settings.mode = ExtractMode::interval;
        settings.interval = parser.value(interval).toDouble();
    } else if (parser.isSet(count)) {
        settings.count = parser.value(count).toLongLong();
    }
    settings.precise = parser.isSet(precise);
    settings.format = parser.isSet(png) ? ShotFormat::png : parser.isSet(webp) ? ShotFormat::webp : ShotFormat::jpg;
    settings.quality = parser.value(quality).toDouble();
    const QList<double> times = Planning::times(settings.mode, settings.interval, settings.count, facts->duration);
    std::printf("video %s: %.2f s, %gx%g; %lld planned shots, %s; probed in %.3f s\n", qPrintable(video),
                facts->duration, facts->size.width(), facts->size.height(), (long long)times.size(),
                settings.precise ? "precise" : "tolerant", probeSeconds);

    const QString dir = parser.value(out);
    if (positional[0] == u"extract") {
        warmFileCache(video);
        if (parser.isSet(decodeOnly)) {
            printFigures("decode-only", runDecodeOnly(video, times, settings));
            return 0;
        }
        QDir(dir).removeRecursively();
        Extractor::Timing timing;
        if (parser.isSet(stallLimit))
            timing.stallLimit = std::chrono::milliseconds(qint64(parser.value(stallLimit).toDouble() * 1000));
        const Figures f = runExtractor(video, times, settings, dir, parser.isSet(quiet), timing);
        printFigures("framelark", f);
        return f.failed == 0 ? 0 : 1;
    }

    QString kind = parser.value(competitor);
    if (kind.isEmpty())
        kind = settings.precise ? QStringLiteral("accurate") : QStringLiteral("noaccurate");
    const QString ours = QDir(dir).filePath(QStringLiteral("framelark"));
    const QString theirs = QDir(dir).filePath(QStringLiteral("ffmpeg"));
    QDir(ours).removeRecursively();
    QDir(theirs).removeRecursively();

    warmFileCache(video);
    const Figures a = runExtractor(video, times, settings, ours, true);
    printFigures("framelark", a);
    warmFileCache(video);
    Figures b;
    if (kind == u"fulldecode")
        b = runFullDecode(video);
    else
        b = runFfmpegLoop(video, times, settings, theirs, kind == u"accurate");
    printFigures(qPrintable(QStringLiteral("ffmpeg ") + kind), b);
    std::printf("ratio (ffmpeg wall / framelark wall): %.2f\n", b.wallSeconds / a.wallSeconds);
    if (kind != u"fulldecode") {
        const qsizetype mine = filesIn(ours);
        const qsizetype other = filesIn(theirs);
        std::printf("files: framelark %lld, ffmpeg %lld%s\n", (long long)mine, (long long)other,
                    mine == other ? "" : "  MISMATCH");
        if (mine != other)
            return 1;
    }
    return 0;
}
