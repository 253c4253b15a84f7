#include "media/FfmpegFrameGenerator.h"
#include "media/FrameConverter.h"
#include "media/ImageFiles.h"
#include "media/PaddedImage.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"
#include "support/TestVideos.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <QColorSpace>
#include <QElapsedTimer>
#include <QTest>

#include <array>
#include <cmath>
#include <cstring>

namespace {

enum class Matrix { bt601, bt709 };

// The five test colours, left to right as vertical stripes.
const std::array<QRgb, 5> stripeColours = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                                           qRgb(255, 255, 255), qRgb(128, 128, 128)};

// Y, U, V of an 8-bit sRGB colour, encoded the way a camera would.
std::array<int, 3> encode(QRgb rgb, Matrix matrix, bool fullRange)
{
    const double kr = matrix == Matrix::bt709 ? 0.2126 : 0.299;
    const double kb = matrix == Matrix::bt709 ? 0.0722 : 0.114;
    const double r = qRed(rgb) / 255.0, g = qGreen(rgb) / 255.0, b = qBlue(rgb) / 255.0;
    const double y = kr * r + (1 - kr - kb) * g + kb * b;
    const double pb = (b - y) / (2 * (1 - kb));
    const double pr = (r - y) / (2 * (1 - kr));
    const auto clip = [](double v) { return std::clamp(int(std::lround(v)), 0, 255); };
    if (fullRange)
        return {clip(255 * y), clip(128 + 255 * pb), clip(128 + 255 * pr)};
    return {clip(16 + 219 * y), clip(128 + 224 * pb), clip(128 + 224 * pr)};
}

// A frame of `format` painted with the five stripes, each component written
// at the format's own depth and subsampling.
FramePtr stripedFrame(AVPixelFormat format, QSize size, Matrix matrix, bool fullRange)
{
    // Zeroed: av_write_image_line2 ORs its values into the planes.
    FramePtr frame = TestFrames::zeroed(format, size.width(), size.height());
    if (!frame)
        return {};
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    const bool rgb = desc->flags & AV_PIX_FMT_FLAG_RGB;
    for (int c = 0; c < desc->nb_components; ++c) {
        const bool chroma = !rgb && (c == 1 || c == 2);
        const int w = chroma ? AV_CEIL_RSHIFT(size.width(), desc->log2_chroma_w) : size.width();
        const int h = chroma ? AV_CEIL_RSHIFT(size.height(), desc->log2_chroma_h) : size.height();
        const int shift = desc->comp[c].depth - 8;
        std::vector<uint16_t> line(size_t(w), 0);
        for (int x = 0; x < w; ++x) {
            const int fullX = chroma ? x << desc->log2_chroma_w : x;
            const QRgb colour = stripeColours[size_t(fullX * 5 / size.width())];
            int value = 0;
            if (c == 3)
                value = 255;
            else if (rgb)
                value = c == 0 ? qRed(colour) : c == 1 ? qGreen(colour) : qBlue(colour);
            else
                value = encode(colour, matrix, fullRange)[size_t(c)];
            line[size_t(x)] = uint16_t(value << shift);
        }
        for (int y = 0; y < h; ++y)
            av_write_image_line2(line.data(), frame->data, frame->linesize, desc, 0, y, c, w, 2);
    }
    return frame;
}

} // namespace

class FrameConverterTest : public QObject {
    Q_OBJECT

private slots:
    void coloursSurvive_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("tag");        // AVColorSpace written into the frame
        QTest::addColumn<int>("rangeTag");   // AVColorRange written into the frame
        QTest::addColumn<int>("encodedAs");  // Matrix the values were made with
        QTest::addColumn<bool>("encodedFull");

        const int unspecified = AVCOL_SPC_UNSPECIFIED;
        const int noRange = AVCOL_RANGE_UNSPECIFIED;
        const int mpeg = AVCOL_RANGE_MPEG;
        const int jpeg = AVCOL_RANGE_JPEG;
        const int bt601 = int(Matrix::bt601), bt709 = int(Matrix::bt709);
        QTest::newRow("709 limited tagged, small size")
            << int(AV_PIX_FMT_YUV420P) << QSize(640, 360) << int(AVCOL_SPC_BT709) << mpeg << bt709 << false;
        QTest::newRow("601 limited tagged, HD size")
            << int(AV_PIX_FMT_YUV420P) << QSize(1280, 720) << int(AVCOL_SPC_SMPTE170M) << mpeg << bt601 << false;
        QTest::newRow("untagged 720p is 709")
            << int(AV_PIX_FMT_YUV420P) << QSize(1280, 720) << unspecified << noRange << bt709 << false;
        QTest::newRow("untagged 1280 wide is 709")
            << int(AV_PIX_FMT_YUV420P) << QSize(1280, 536) << unspecified << noRange << bt709 << false;
        QTest::newRow("untagged portrait HD is 709")
            << int(AV_PIX_FMT_YUV420P) << QSize(720, 1280) << unspecified << noRange << bt709 << false;
        QTest::newRow("untagged SD is 601")
            << int(AV_PIX_FMT_YUV420P) << QSize(640, 480) << unspecified << noRange << bt601 << false;
        QTest::newRow("709 full tagged")
            << int(AV_PIX_FMT_YUV420P) << QSize(640, 360) << int(AVCOL_SPC_BT709) << jpeg << bt709 << true;
        QTest::newRow("601 full tagged")
            << int(AV_PIX_FMT_YUV420P) << QSize(1920, 1080) << int(AVCOL_SPC_BT470BG) << jpeg << bt601 << true;
        QTest::newRow("yuvj implies full")
            << int(AV_PIX_FMT_YUVJ420P) << QSize(640, 480) << unspecified << noRange << bt601 << true;
        QTest::newRow("yuvj422 709")
            << int(AV_PIX_FMT_YUVJ422P) << QSize(1280, 720) << int(AVCOL_SPC_BT709) << noRange << bt709 << true;
        QTest::newRow("nv12 709")
            << int(AV_PIX_FMT_NV12) << QSize(1920, 1080) << int(AVCOL_SPC_BT709) << mpeg << bt709 << false;
        QTest::newRow("yuv422p 601")
            << int(AV_PIX_FMT_YUV422P) << QSize(720, 576) << int(AVCOL_SPC_BT470BG) << mpeg << bt601 << false;
        QTest::newRow("yuv444p 709 full")
            << int(AV_PIX_FMT_YUV444P) << QSize(1280, 720) << int(AVCOL_SPC_BT709) << jpeg << bt709 << true;
        QTest::newRow("10-bit 420 709")
            << int(AV_PIX_FMT_YUV420P10LE) << QSize(1920, 1080) << int(AVCOL_SPC_BT709) << mpeg << bt709 << false;
        QTest::newRow("10-bit 422 601 full")
            << int(AV_PIX_FMT_YUV422P10LE) << QSize(640, 480) << unspecified << jpeg << bt601 << true;
        QTest::newRow("p010 709")
            << int(AV_PIX_FMT_P010LE) << QSize(1280, 720) << int(AVCOL_SPC_BT709) << mpeg << bt709 << false;
        QTest::newRow("yuva420p") << int(AV_PIX_FMT_YUVA420P) << QSize(640, 480) << int(AVCOL_SPC_BT709) << mpeg << bt709 << false;
        QTest::newRow("rgb24") << int(AV_PIX_FMT_RGB24) << QSize(640, 480) << unspecified << noRange << bt601 << false;
        QTest::newRow("bgr0") << int(AV_PIX_FMT_BGR0) << QSize(1280, 720) << unspecified << noRange << bt709 << false;
    }
    void coloursSurvive()
    {
        QFETCH(int, format);
        QFETCH(QSize, size);
        QFETCH(int, tag);
        QFETCH(int, rangeTag);
        QFETCH(int, encodedAs);
        QFETCH(bool, encodedFull);

        VideoFrame video{stripedFrame(AVPixelFormat(format), size, Matrix(encodedAs), encodedFull), size};
        QVERIFY(video.frame);
        video.frame->colorspace = AVColorSpace(tag);
        video.frame->color_range = AVColorRange(rangeTag);

        const auto images = FrameConverter::convert(video);
        QVERIFY(images);
        QCOMPARE(images->full.size(), size);
        QCOMPARE(images->thumb.size(), ImageFiles::scaledSize(size, 480));
        QCOMPARE(images->full.colorSpace(), QColorSpace(QColorSpace::SRgb));
        QCOMPARE(images->thumb.colorSpace(), QColorSpace(QColorSpace::SRgb));
        const bool alpha = av_pix_fmt_desc_get(AVPixelFormat(format))->flags & AV_PIX_FMT_FLAG_ALPHA;
        for (const QImage &image : {images->full, images->thumb}) {
            QCOMPARE(image.format(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
            // RGB32 demands an opaque alpha byte in memory, not just from pixel().
            const auto *words = reinterpret_cast<const quint32 *>(image.constScanLine(image.height() - 1));
            QCOMPARE(words[image.width() - 1] >> 24, 0xffu);
            for (int s = 0; s < 5; ++s) {
                const QPoint centre((2 * s + 1) * image.width() / 10, image.height() / 2);
                const QRgb got = image.pixel(centre);
                QVERIFY2(TestSupport::near(got, stripeColours[size_t(s)], 3),
                         qPrintable(QStringLiteral("stripe %1 at %2 wide: got %3,%4,%5")
                                        .arg(s).arg(image.width())
                                        .arg(qRed(got)).arg(qGreen(got)).arg(qBlue(got))));
            }
        }
    }

    void exactLimitedRed()
    {
        // The textbook BT.709 studio-swing red.
        QCOMPARE((encode(qRgb(255, 0, 0), Matrix::bt709, false)), (std::array<int, 3>{63, 102, 240}));
    }

    void sampleAspectRatioStretchesToDisplaySize()
    {
        // A 720×480 anamorphic frame shown 16:9.
        VideoFrame video{stripedFrame(AV_PIX_FMT_YUV420P, QSize(720, 480), Matrix::bt601, false),
                         QSize(853, 480)};
        const auto images = FrameConverter::convert(video);
        QVERIFY(images);
        QCOMPARE(images->full.size(), QSize(853, 480));
        QCOMPARE(images->thumb.size(), QSize(480, 270));
        // The stripes stretch with the frame: the blue one is still in the middle.
        QVERIFY(TestSupport::near(images->full.pixel(426, 240), qRgb(0, 0, 255), 3));
        QVERIFY(TestSupport::near(images->thumb.pixel(240, 135), qRgb(0, 0, 255), 3));
    }

    void thumbnailAveragesFineDetail()
    {
        // One-pixel black and white columns must shrink to grey; a sampling
        // filter would keep picking one of the two and show stripes.
        VideoFrame video{stripedFrame(AV_PIX_FMT_YUV420P, QSize(1920, 1080), Matrix::bt709, false),
                         QSize(1920, 1080)};
        AVFrame *frame = video.frame.get();
        for (int y = 0; y < 1080; ++y)
            for (int x = 0; x < 1920; ++x)
                frame->data[0][y * frame->linesize[0] + x] = x % 2 ? 235 : 16;
        for (int plane : {1, 2})
            for (int y = 0; y < 540; ++y)
                std::memset(frame->data[plane] + y * frame->linesize[plane], 128, 960);
        const auto images = FrameConverter::convert(video);
        QVERIFY(images);
        for (int x = 10; x < 470; x += 37) {
            const QRgb got = images->thumb.pixel(x, 135);
            QVERIFY2(TestSupport::near(got, qRgb(128, 128, 128), 8), qPrintable(QString::number(qRed(got))));
        }
    }

    void thumbnailSideIsAParameter()
    {
        VideoFrame video{stripedFrame(AV_PIX_FMT_YUV420P, QSize(1920, 1080), Matrix::bt709, false),
                         QSize(1920, 1080)};
        const auto images = FrameConverter::convert(video, 200);
        QVERIFY(images);
        QCOMPARE(images->thumb.size(), QSize(200, 112));
    }

    void consecutiveFramesOfDifferentShapes()
    {
        // The per-thread scaler cache must rebuild when the frame changes.
        const QList<QSize> sizes = {QSize(1280, 720), QSize(640, 480), QSize(1280, 720), QSize(480, 640)};
        for (const QSize size : sizes) {
            VideoFrame video{stripedFrame(AV_PIX_FMT_YUV420P, size, Matrix::bt709, false), size};
            video.frame->colorspace = AVCOL_SPC_BT709;
            const auto images = FrameConverter::convert(video);
            QVERIFY(images);
            QCOMPARE(images->full.size(), size);
            QCOMPARE(images->thumb.size(), ImageFiles::scaledSize(size, 480));
            const QRgb got = images->thumb.pixel(images->thumb.width() / 10, 5);
            QVERIFY2(TestSupport::near(got, qRgb(255, 0, 0), 3),
                     qPrintable(QStringLiteral("%1x%2: %3,%4,%5").arg(size.width()).arg(size.height())
                                    .arg(qRed(got)).arg(qGreen(got)).arg(qBlue(got))));
        }
    }

    // Decoded frames of every real size convert whole, upright, into rasters
    // with room for the scaler's vector writes past each row.
    void realSizes_data()
    {
        TestVideos::addRealSizeRows();
    }
    void realSizes()
    {
        QFETCH(int, index);
        const RealVideo &video = TestVideos::realSizes()[index];
        const QString path = TestVideos::realSizeClip(index);
        QVERIFY(!path.isEmpty());
        auto generator = FfmpegFrameGenerator::open(path);
        QVERIFY(generator);
        FrameResult result = generator->image(MediaTime::fromSeconds(0.2));
        QVERIFY(result.ok());
        const auto images = FrameConverter::convert(*result.image);
        QVERIFY(images);
        QCOMPARE(images->full.size(), video.display);
        QCOMPARE(images->thumb.size(), ImageFiles::scaledSize(video.display, 480));
        for (const QImage &image : {images->full, images->thumb}) {
            QCOMPARE(image.bytesPerLine() % PaddedImage::alignment, 0);
            const auto pattern = TestVideos::readPattern(image);
            QVERIFY(pattern);
            QCOMPARE(pattern->number, 6);
            QCOMPARE(pattern->rotation, 0);
        }
    }

    void unconvertibleFramesGiveNone()
    {
        QVERIFY(!FrameConverter::convert(VideoFrame{{}, QSize(64, 64)}));
        VideoFrame empty{makeFrame(), QSize(64, 64)};
        QVERIFY(!FrameConverter::convert(empty));
        // A hardware surface has no planes swscale could read.
        VideoFrame hardware{stripedFrame(AV_PIX_FMT_YUV420P, QSize(64, 64), Matrix::bt601, false), QSize(64, 64)};
        hardware.frame->format = AV_PIX_FMT_VAAPI;
        QVERIFY(!FrameConverter::convert(hardware));
        VideoFrame noSize{stripedFrame(AV_PIX_FMT_YUV420P, QSize(64, 64), Matrix::bt601, false), QSize()};
        QVERIFY(!FrameConverter::convert(noSize));
    }

    void costAt1080p()
    {
        VideoFrame video{stripedFrame(AV_PIX_FMT_YUV420P, QSize(1920, 1080), Matrix::bt709, false),
                         QSize(1920, 1080)};
        QVERIFY(FrameConverter::convert(video));
        QBENCHMARK {
            QVERIFY(FrameConverter::convert(video));
        }
    }
};

QTEST_GUILESS_MAIN(FrameConverterTest)
#include "tst_frameconverter.moc"
