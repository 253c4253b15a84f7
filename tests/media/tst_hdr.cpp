#include "media/FfmpegFrameGenerator.h"
#include "media/FrameConverter.h"
#include "media/HdrToneMap.h"
#include "support/TestFrames.h"
#include "support/TestVideos.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <QTest>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

namespace {

// Linear light, 1.0 = 100 nits, in BT.2020 primaries.
struct Linear {
    double r, g, b;
};

// Five vertical stripes: 1-nit grey, 100-nit grey, 1000-nit grey, BT.2020's
// own red at 100 nits, and BT.709 green (as BT.2020 values) at 100 nits.
const std::array<Linear, 5> stripes = {Linear{0.01, 0.01, 0.01}, Linear{1, 1, 1}, Linear{10, 10, 10},
                                       Linear{1, 0, 0}, Linear{0.3293, 0.9195, 0.0880}};
enum Stripe { dark, white, bright, red, green };

double pq(double linear)
{
    const double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128, c1 = 3424.0 / 4096,
                 c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
    const double y = std::pow(linear / 100, m1);  // of 10000 nits
    return std::pow((c1 + c2 * y) / (1 + c3 * y), m2);
}

double hlg(double linear)
{
    const double e = linear / 10;  // scene light, 1.0 at the 1000-nit peak
    const double a = 0.17883277, b = 1 - 4 * a, c = 0.5 - a * std::log(4 * a);
    return e <= 1.0 / 12 ? std::sqrt(3 * e) : a * std::log(12 * e - b) + c;
}

// 10-bit limited-range BT.2020 Y'CbCr of a stripe.
std::array<int, 3> encode(const Linear &colour, AVColorTransferCharacteristic transfer)
{
    const auto curve = [&](double v) { return transfer == AVCOL_TRC_ARIB_STD_B67 ? hlg(v) : pq(v); };
    const double r = curve(colour.r), g = curve(colour.g), b = curve(colour.b);
    const double kr = 0.2627, kb = 0.0593;
    const double y = kr * r + (1 - kr - kb) * g + kb * b;
    const double pb = (b - y) / (2 * (1 - kb)), pr = (r - y) / (2 * (1 - kr));
    return {int(std::lround(64 + 876 * y)), int(std::lround(512 + 896 * pb)), int(std::lround(512 + 896 * pr))};
}

FramePtr hdrFrame(AVPixelFormat format, QSize size, AVColorTransferCharacteristic transfer)
{
    FramePtr frame = TestFrames::zeroed(format, size.width(), size.height());
    if (!frame)
        return {};
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    for (int c = 0; c < 3; ++c) {
        const int w = c ? AV_CEIL_RSHIFT(size.width(), desc->log2_chroma_w) : size.width();
        const int h = c ? AV_CEIL_RSHIFT(size.height(), desc->log2_chroma_h) : size.height();
        std::vector<uint16_t> line(size_t(w), 0);
        for (int x = 0; x < w; ++x) {
            const int fullX = c ? x << desc->log2_chroma_w : x;
            line[size_t(x)] = uint16_t(encode(stripes[size_t(fullX * 5 / size.width())], transfer)[size_t(c)]);
        }
        for (int y = 0; y < h; ++y)
            av_write_image_line2(line.data(), frame->data, frame->linesize, desc, 0, y, c, w, 2);
    }
    frame->color_trc = transfer;
    frame->color_primaries = AVCOL_PRI_BT2020;
    frame->colorspace = AVCOL_SPC_BT2020_NCL;
    frame->color_range = AVCOL_RANGE_MPEG;
    return frame;
}

QRgb stripeColour(const QImage &image, int stripe)
{
    return image.pixel((2 * stripe + 1) * image.width() / 10, image.height() / 2);
}

int luma(QRgb c)
{
    return (qRed(c) * 2126 + qGreen(c) * 7152 + qBlue(c) * 722) / 10000;
}

// Mean of (max − min) channel over the image, 0…255.
double meanSaturation(const QImage &image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            sum += std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)});
        }
    }
    return sum / (double(image.width()) * image.height());
}

QString describe(QRgb c)
{
    return QStringLiteral("%1,%2,%3").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

std::optional<FrameConverter::Images> firstFrame(const QString &path)
{
    auto generator = FfmpegFrameGenerator::open(path);
    if (!generator)
        return {};
    FrameResult result = generator->image(MediaTime{});
    if (!result.ok())
        return {};
    return FrameConverter::convert(*result.image);
}

} // namespace

class HdrTest : public QObject {
    Q_OBJECT

private slots:
    void syntheticStripes_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("transfer");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("liftedBlacks");  // shown as SDR, PQ lifts dark greys; HLG does not
        const int pq = AVCOL_TRC_SMPTE2084, hlg = AVCOL_TRC_ARIB_STD_B67;
        QTest::newRow("PQ 4:2:0") << int(AV_PIX_FMT_YUV420P10LE) << pq << QSize(640, 120) << true;
        QTest::newRow("PQ P010") << int(AV_PIX_FMT_P010LE) << pq << QSize(640, 120) << true;
        QTest::newRow("PQ 4:4:4 odd size") << int(AV_PIX_FMT_YUV444P10LE) << pq << QSize(641, 121) << true;
        QTest::newRow("HLG 4:2:0") << int(AV_PIX_FMT_YUV420P10LE) << hlg << QSize(640, 120) << false;
    }
    void syntheticStripes()
    {
        QFETCH(int, format);
        QFETCH(int, transfer);
        QFETCH(QSize, size);
        QFETCH(bool, liftedBlacks);
        const auto trc = AVColorTransferCharacteristic(transfer);
        VideoFrame video{hdrFrame(AVPixelFormat(format), size, trc), size};
        QVERIFY(video.frame);
        // The same code values read as BT.2020 SDR: what a shot looked like
        // before tone mapping.
        VideoFrame plain{hdrFrame(AVPixelFormat(format), size, trc), size};
        plain.frame->color_trc = AVCOL_TRC_BT2020_10;

        const auto mapped = FrameConverter::convert(video);
        const auto untouched = FrameConverter::convert(plain);
        QVERIFY(mapped && untouched);
        QCOMPARE(mapped->full.size(), size);
        for (const QImage *image : {&mapped->full, &mapped->thumb}) {
            std::array<QRgb, 5> got, before;
            for (int s = 0; s < 5; ++s) {
                got[size_t(s)] = stripeColour(*image, s);
                before[size_t(s)] = stripeColour(image == &mapped->full ? untouched->full : untouched->thumb, s);
            }
            QString all;
            for (int s = 0; s < 5; ++s)
                all += describe(got[size_t(s)]) + " (" + describe(before[size_t(s)]) + ")  ";
            const QByteArray why = all.toLatin1();
            // Greys stay grey and keep their order.
            for (int s : {dark, white, bright})
                QVERIFY2(std::abs(qRed(got[size_t(s)]) - qBlue(got[size_t(s)])) <= 3, why);
            QVERIFY2(luma(got[dark]) < luma(got[white]) && luma(got[white]) < luma(got[bright]), why);
            // 100 nits is SDR's own white: it lands in the upper half; 1000
            // nits is highlight, close to the top.
            QVERIFY2(luma(got[white]) > 128 && luma(got[bright]) > 240, why);
            if (liftedBlacks) {
                // 1 nit is near black, not the dark grey PQ codes read as SDR.
                QVERIFY2(luma(got[dark]) <= 30 && luma(before[dark]) >= 35, why);
                QVERIFY2(luma(got[bright]) - luma(got[dark]) > luma(before[bright]) - luma(before[dark]) + 40, why);
            }
            // Saturated colours stay saturated instead of fading towards grey.
            QVERIFY2(qRed(got[red]) > 100 && qGreen(got[red]) < 20 && qBlue(got[red]) < 20, why);
            QVERIFY2(qGreen(got[green]) > 100 && qRed(got[green]) < 30 && qBlue(got[green]) < 20, why);
            QVERIFY2(qRed(before[green]) > 50 && qBlue(before[green]) > 30, why);
        }
    }

    // Writers of two videos of different shapes map at once and share the
    // graphs: every frame comes out, and at the size it went in; no writer
    // is left waiting for a graph of a shape nobody maps any more.
    void twoShapesAtOnceAllFinish()
    {
        const QList<QSize> shapes{QSize(96, 54), QSize(64, 64)};
        std::atomic<int> right{0};
        std::vector<std::thread> writers;
        for (int w = 0; w < 6; ++w) {
            writers.emplace_back([&, w] {
                for (int n = 0; n < 4; ++n) {
                    const QSize size = shapes[(w + n) % 2];
                    const FramePtr frame = hdrFrame(AV_PIX_FMT_YUV420P10LE, size, AVCOL_TRC_ARIB_STD_B67);
                    const FramePtr sdr = frame ? HdrToneMap::toSdr(*frame) : FramePtr();
                    right += sdr && sdr->width == size.width() && sdr->height == size.height();
                }
            });
        }
        for (std::thread &writer : writers)
            writer.join();
        QCOMPARE(right.load(), 24);
    }

    void onlyPqAndHlgCountAsHdr()
    {
        // BT.2020 with its SDR transfer is wide gamut, not HDR.
        VideoFrame video{hdrFrame(AV_PIX_FMT_YUV420P10LE, QSize(64, 32), AVCOL_TRC_SMPTE2084), QSize(64, 32)};
        QVERIFY(HdrToneMap::isHdr(*video.frame));
        video.frame->color_trc = AVCOL_TRC_BT2020_10;
        QVERIFY(!HdrToneMap::isHdr(*video.frame));
        video.frame->color_trc = AVCOL_TRC_ARIB_STD_B67;
        QVERIFY(HdrToneMap::isHdr(*video.frame));
    }

    void realClips_data()
    {
        QTest::addColumn<QString>("transfer");
        QTest::newRow("PQ") << QStringLiteral("smpte2084");
        QTest::newRow("HLG") << QStringLiteral("arib-std-b67");
    }
    void realClips()
    {
        QFETCH(QString, transfer);
        const QString tagged = TestVideos::hdrBars(transfer, true);
        const QString untagged = TestVideos::hdrBars(transfer, false);
        QVERIFY(!tagged.isEmpty() && !untagged.isEmpty());
        const auto mapped = firstFrame(tagged);
        const auto plain = firstFrame(untagged);
        QVERIFY(mapped && plain);
        QCOMPARE(mapped->full.size(), QSize(320, 240));
        const double saturation = meanSaturation(mapped->full), plainSaturation = meanSaturation(plain->full);
        QVERIFY2(saturation > plainSaturation * 1.3,
                 qPrintable(QStringLiteral("%1 vs %2").arg(saturation).arg(plainSaturation)));
        // The yellow bar (second of seven) is yellow, not the khaki the
        // untouched BT.2020 values give.
        const QRgb yellow = mapped->full.pixel(320 * 3 / 14, 60), plainYellow = plain->full.pixel(320 * 3 / 14, 60);
        QVERIFY2(qRed(yellow) > 100 && qGreen(yellow) > 100 && qBlue(yellow) < 30, qPrintable(describe(yellow)));
        QVERIFY2(qBlue(plainYellow) > 40, qPrintable(describe(plainYellow)));
        // The black patches stay black.
        int darkest = 255;
        for (int y = 0; y < 240; y += 2)
            for (int x = 0; x < 320; x += 2)
                darkest = std::min(darkest, luma(mapped->full.pixel(x, y)));
        QVERIFY2(darkest <= 8, qPrintable(QString::number(darkest)));
    }
};

QTEST_GUILESS_MAIN(HdrTest)
#include "tst_hdr.moc"
