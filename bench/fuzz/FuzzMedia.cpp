// libFuzzer target: one input is one video file. It goes the way a file goes
// through the application: probed, then decoded at the start, the middle and
// just before the end, once exactly and once with a tolerance, each frame
// converted, written as a shot and read back. Besides crashes and sanitizer
// reports, the promises the engine's headers make about the results are
// checked; a broken promise aborts, which libFuzzer reports like a crash.

#include "media/FfmpegFrameGenerator.h"
#include "media/FrameConverter.h"
#include "media/ImageFiles.h"
#include "media/MediaAsset.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Work per input stays small: a frame larger than this is not converted or
// written (decoding it has been paid for already), so that one mutated
// header cannot make every input take seconds.
constexpr int maxSide = 4096;
constexpr qint64 maxPixels = qint64(2048) * 1024;
// Times beyond this are no different to decode, but far beyond it the
// planned times would no longer fit MediaTime.
constexpr double maxDuration = 1e7;

QTemporaryDir *workDir = nullptr;
QString inputPath;
qint64 shotCalls = 0;
// FRAMELARK_FUZZ_VERBOSE=1: one line per input on what got how far, to see
// that seeds reach the writers.
bool verbose = false;
int framesDelivered = 0, shotsWritten = 0;

void require(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "framelark-fuzz: broken promise: %s\n", what);
    std::abort();
}

bool smallEnough(QSizeF size)
{
    return size.width() <= maxSide && size.height() <= maxSide
        && size.width() * size.height() <= double(maxPixels);
}

void quietQt(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // Decoders of damaged images warn all the time; only what is worse
    // than a warning is worth the noise.
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

void writeAndReadBack(const VideoFrame &video)
{
    if (!smallEnough(QSizeF(video.displaySize)))
        return;
    const auto images = FrameConverter::convert(video, ImageFiles::thumbnailSide);
    if (!images)
        return;  // a pixel format swscale cannot read
    require(images->full.size() == video.displaySize, "full image has the display size");
    require(images->thumb.size() == ImageFiles::scaledSize(video.displaySize, ImageFiles::thumbnailSide),
            "thumbnail has the scaled size");
    require(images->full.format() == QImage::Format_RGB32 || images->full.format() == QImage::Format_ARGB32,
            "full image is 32-bit RGB");

    const qint64 id = ++shotCalls;
    const ShotFormat format = id % 2 == 1 ? ShotFormat::jpg : ShotFormat::png;
    const auto files = ImageFiles::writeShot(images->full, images->thumb, id, workDir->path(), format, 0.9);
    require(files.has_value(), "a converted frame is written");

    const QSize cover(160, 90);
    const auto decoded = ImageFiles::decodeCovering(files->file, cover);
    require(decoded.has_value(), "a written shot decodes");
    const QSize full = images->full.size();
    require(decoded->width() >= std::min(cover.width(), full.width())
                && decoded->height() >= std::min(cover.height(), full.height()),
            "decoded shot covers the area");
    require(decoded->width() <= full.width() && decoded->height() <= full.height(),
            "decoded shot is not enlarged");
    QFile::remove(files->file);
    QFile::remove(files->thumbFile);
    ++shotsWritten;
}

void decodeAt(const std::vector<MediaTime> &times, MediaTime tolerance)
{
    auto generator = FfmpegFrameGenerator::open(inputPath);
    if (!generator)
        return;
    generator->setTolerance(tolerance, tolerance);
    std::vector<MediaTime> unanswered = times;
    generator->images(times, [&](FrameResult &&result) {
        const auto it = std::find(unanswered.begin(), unanswered.end(), result.requested);
        require(it != unanswered.end(), "each requested time is answered once");
        unanswered.erase(it);
        require(result.ok() == result.error.isEmpty(), "an error text exactly on failure");
        if (!result.ok())
            return;
        require(result.image->frame != nullptr, "a delivered frame is not null");
        require(!result.image->displaySize.isEmpty(), "a delivered frame has a display size");
        ++framesDelivered;
        writeAndReadBack(*result.image);
    });
    require(unanswered.empty(), "every requested time is answered");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "framelark-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    qInstallMessageHandler(quietQt);
    av_log_set_level(AV_LOG_QUIET);
    verbose = qEnvironmentVariableIntValue("FRAMELARK_FUZZ_VERBOSE") != 0;
    workDir = new QTemporaryDir;
    if (!workDir->isValid()) {
        std::fprintf(stderr, "framelark-fuzz: no temporary folder\n");
        std::exit(1);
    }
    inputPath = workDir->filePath(QStringLiteral("input"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        QFile file(inputPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size)) {
            std::fprintf(stderr, "framelark-fuzz: cannot write %s\n", qPrintable(inputPath));
            std::abort();
        }
    }
    framesDelivered = shotsWritten = 0;
    const auto facts = MediaAsset::probe(inputPath);
    if (!facts) {
        if (verbose)
            std::fprintf(stderr, "framelark-fuzz: not a video\n");
        return 0;
    }
    require(facts->fileSize == qint64(size), "the file size is the input's");
    require(facts->size.width() >= 0 && facts->size.height() >= 0, "the display size is not negative");
    if (!smallEnough(facts->size))
        return 0;

    const double duration = std::isfinite(facts->duration) ? std::clamp(facts->duration, 0.0, maxDuration) : 0.0;
    const MediaTime end = MediaTime::fromSeconds(duration);
    const std::vector<MediaTime> times{MediaTime{0}, MediaTime::fromSeconds(duration / 2),
                                       MediaTime{std::max<qint64>(0, end.value - 1)}};
    decodeAt(times, MediaTime{0});
    decodeAt(times, MediaTime::fromSeconds(0.5));
    if (verbose)
        std::fprintf(stderr, "framelark-fuzz: %gx%g, %.3f s, %.2f fps: %d of 6 frames, %d shots written\n",
                     facts->size.width(), facts->size.height(), facts->duration, double(facts->fps),
                     framesDelivered, shotsWritten);
    return 0;
}
