// WebP against JPEG for shot files: encodes each given picture (decoded
// video frames, saved losslessly as PNG) with the writers the extractor
// uses, at the same quality, and reports the time per picture and the file
// sizes. The files are kept in --out, so bench/webp can measure their
// SSIM against the originals with the ffmpeg tool.
//
//   framelark-webp-bench --out DIR [--quality Q] [--rounds N] PICTURE...

#include "media/ImageFiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>

#include <cstdio>

namespace {

struct Tally {
    double seconds = 0;
    qint64 bytes = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("out"), QStringLiteral("Folder for the encoded files."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("quality"), QStringLiteral("Quality 0..1 (default 0.9)."), QStringLiteral("Q"),
                      QStringLiteral("0.9")});
    parser.addOption({QStringLiteral("webp-quality"), QStringLiteral("WebP's quality when it should differ (tuning)."),
                      QStringLiteral("Q")});
    parser.addOption({QStringLiteral("rounds"), QStringLiteral("Encodes per picture and format (default 3)."),
                      QStringLiteral("N"), QStringLiteral("3")});
    parser.addPositionalArgument(QStringLiteral("pictures"), QStringLiteral("Frames to encode."));
    parser.process(app);
    const QString out = parser.value(QStringLiteral("out"));
    const double quality = parser.value(QStringLiteral("quality")).toDouble();
    const double webpQuality = parser.isSet(QStringLiteral("webp-quality"))
        ? parser.value(QStringLiteral("webp-quality")).toDouble()
        : quality;
    const int rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());
    if (out.isEmpty() || parser.positionalArguments().isEmpty() || !QDir().mkpath(out)) {
        std::fprintf(stderr, "usage: framelark-webp-bench --out DIR [--quality Q] PICTURE...\n");
        return 2;
    }

    Tally jpeg, webp;
    int pictures = 0;
    for (const QString &path : parser.positionalArguments()) {
        // The extractor hands the writers RGB32 frames.
        const QImage frame = QImage(path).convertToFormat(QImage::Format_RGB32);
        if (frame.isNull()) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QString base = QDir(out).filePath(QFileInfo(path).completeBaseName());
        const auto encode = [&](Tally &tally, const QString &file, auto write) {
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < rounds; ++i) {
                if (!write(file)) {
                    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                    std::exit(1);
                }
            }
            tally.seconds += double(clock.nsecsElapsed()) / 1e9 / rounds;
            tally.bytes += QFileInfo(file).size();
        };
        encode(jpeg, base + QStringLiteral(".jpg"),
               [&](const QString &file) { return ImageFiles::writeJpeg(frame, file, quality); });
        encode(webp, base + QStringLiteral(".webp"),
               [&](const QString &file) { return ImageFiles::writeWebp(frame, file, webpQuality); });
        ++pictures;
    }
    std::printf("pictures %d quality %.2f\n", pictures, quality);
    std::printf("jpeg: %.1f ms per picture, %.0f KB per picture\n", jpeg.seconds / pictures * 1e3,
                double(jpeg.bytes) / pictures / 1024);
    std::printf("webp: %.1f ms per picture, %.0f KB per picture\n", webp.seconds / pictures * 1e3,
                double(webp.bytes) / pictures / 1024);
    std::printf("webp/jpeg: size %.2f, throughput %.2f\n", double(webp.bytes) / double(jpeg.bytes),
                jpeg.seconds / webp.seconds);
    return 0;
}
