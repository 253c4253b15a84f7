#include "media/DisplayTransform.h"

#include "media/PaddedImage.h"
#include "media/SpareBuffers.h"
#include "support/TestFrames.h"

extern "C" {
#include <libavutil/display.h>
}

#include <QTest>

namespace {

// A frame whose planes count up 1, 2, 3 … row by row (plane p starts at 100·p + 1).
FramePtr countingFrame(AVPixelFormat format, int width, int height)
{
    FramePtr frame = TestFrames::zeroed(format, width, height);
    if (!frame)
        return nullptr;
    for (int plane = 0; plane < 4 && frame->data[plane]; ++plane) {
        const int rows = plane == 0 ? height : (format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_NV12) ? (height + 1) / 2 : height;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < frame->linesize[plane]; ++x)
                frame->data[plane][y * frame->linesize[plane] + x] = uint8_t(100 * plane + 1 + y * 10 + x);
    }
    return frame;
}

QList<QList<int>> plane(const AVFrame *frame, int index, int width, int height)
{
    QList<QList<int>> rows;
    for (int y = 0; y < height; ++y) {
        QList<int> row;
        for (int x = 0; x < width; ++x)
            row << frame->data[index][y * frame->linesize[index] + x];
        rows << row;
    }
    return rows;
}

DisplayTransform transform(double rotation, bool hflip, bool vflip)
{
    int32_t matrix[9];
    av_display_rotation_set(matrix, rotation);
    av_display_matrix_flip(matrix, hflip, vflip);
    return DisplayTransform::fromMatrix(matrix);
}

} // namespace

using Rows = QList<QList<int>>;

class DisplayTransformTest : public QObject {
    Q_OBJECT

private slots:
    // Luma of a 3×2 gray picture     1  2  3
    //                               11 12 13
    void remap_data()
    {
        QTest::addColumn<double>("rotation");  // clockwise, as the matrix is set up
        QTest::addColumn<bool>("hflip");
        QTest::addColumn<bool>("vflip");
        QTest::addColumn<Rows>("shown");
        QTest::newRow("identity") << 0.0 << false << false << Rows{{1, 2, 3}, {11, 12, 13}};
        QTest::newRow("90 clockwise") << 90.0 << false << false << Rows{{11, 1}, {12, 2}, {13, 3}};
        QTest::newRow("90 counter-clockwise") << -90.0 << false << false << Rows{{3, 13}, {2, 12}, {1, 11}};
        QTest::newRow("180") << 180.0 << false << false << Rows{{13, 12, 11}, {3, 2, 1}};
        QTest::newRow("mirrored") << 0.0 << true << false << Rows{{3, 2, 1}, {13, 12, 11}};
        QTest::newRow("upside down") << 0.0 << false << true << Rows{{11, 12, 13}, {1, 2, 3}};
        QTest::newRow("90 clockwise, mirrored") << 90.0 << true << false << Rows{{1, 11}, {2, 12}, {3, 13}};
        QTest::newRow("90 counter-clockwise, mirrored") << -90.0 << true << false << Rows{{13, 3}, {12, 2}, {11, 1}};
        QTest::newRow("almost 90 snaps") << 88.0 << false << false << Rows{{11, 1}, {12, 2}, {13, 3}};
    }
    void remap()
    {
        QFETCH(double, rotation);
        QFETCH(bool, hflip);
        QFETCH(bool, vflip);
        QFETCH(Rows, shown);
        const FramePtr in = countingFrame(AV_PIX_FMT_GRAY8, 3, 2);
        in->pts = 1234;
        const FramePtr out = transform(rotation, hflip, vflip).apply(in.get());
        QVERIFY(out);
        QCOMPARE(out->width, int(shown.first().size()));
        QCOMPARE(out->height, int(shown.size()));
        QCOMPARE(plane(out.get(), 0, out->width, out->height), shown);
        QCOMPARE(out->pts, int64_t(1234));
        QCOMPARE(out->format, int(AV_PIX_FMT_GRAY8));
    }

    void sizes_data()
    {
        QTest::addColumn<double>("rotation");
        QTest::addColumn<int>("sarNum");
        QTest::addColumn<int>("sarDen");
        QTest::addColumn<QSize>("display");
        QTest::newRow("square") << 0.0 << 1 << 1 << QSize(1920, 1080);
        QTest::newRow("turned") << 90.0 << 1 << 1 << QSize(1080, 1920);
        QTest::newRow("wide pixels") << 0.0 << 4 << 3 << QSize(2560, 1080);
        QTest::newRow("narrow pixels turned") << -90.0 << 1 << 2 << QSize(1080, 960);
        QTest::newRow("unknown ratio") << 180.0 << 0 << 1 << QSize(1920, 1080);
    }
    void sizes()
    {
        QFETCH(double, rotation);
        QFETCH(int, sarNum);
        QFETCH(int, sarDen);
        QFETCH(QSize, display);
        QCOMPARE(transform(rotation, false, false).displaySize(QSize(1920, 1080), AVRational{sarNum, sarDen}), display);
    }

    // 4:2:0 planes of an odd-sized picture turn with their chroma planes.
    void oddSizedChromaTurns_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("yuv420p") << int(AV_PIX_FMT_YUV420P);
        QTest::newRow("nv12") << int(AV_PIX_FMT_NV12);
    }
    void oddSizedChromaTurns()
    {
        QFETCH(int, format);
        const FramePtr in = countingFrame(AVPixelFormat(format), 5, 3);
        const FramePtr out = transform(90, false, false).apply(in.get());
        QVERIFY(out);
        QCOMPARE(out->format, format);
        QCOMPARE(QSize(out->width, out->height), QSize(3, 5));
        QCOMPARE(plane(out.get(), 0, 3, 1), (Rows{{21, 11, 1}}));
        // Chroma is 3×2 → 2×3: first shown row is the first column, bottom up.
        if (format == AV_PIX_FMT_YUV420P) {
            QCOMPARE(plane(out.get(), 1, 2, 3), (Rows{{111, 101}, {112, 102}, {113, 103}}));
        } else {  // U and V stay paired
            QCOMPARE(plane(out.get(), 1, 4, 1), (Rows{{111, 112, 101, 102}}));
        }
    }

    // 4:2:2 cannot turn a quarter in place: it comes out as planar 4:4:4.
    void chromaThatCannotTurnIsConverted()
    {
        const FramePtr in = countingFrame(AV_PIX_FMT_YUV422P, 8, 4);
        const FramePtr turned = transform(90, false, false).apply(in.get());
        QVERIFY(turned);
        QCOMPARE(turned->format, int(AV_PIX_FMT_YUV444P));
        QCOMPARE(QSize(turned->width, turned->height), QSize(4, 8));
        const FramePtr flipped = transform(180, false, false).apply(in.get());
        QVERIFY(flipped);
        QCOMPARE(flipped->format, int(AV_PIX_FMT_YUV422P));
    }

    void identityKeepsTheFrame()
    {
        const FramePtr in = countingFrame(AV_PIX_FMT_YUV420P, 4, 4);
        const FramePtr out = DisplayTransform{}.apply(in.get());
        QVERIFY(out);
        QCOMPARE(plane(out.get(), 0, 4, 4), plane(in.get(), 0, 4, 4));
        QVERIFY(DisplayTransform::fromMatrix(nullptr).isIdentity());
    }

    // Turned frames and pictures reuse buffers given back, never one still
    // in use, and keep no more than the cap waiting.
    void buffersAreReusedNotShared()
    {
        SpareBuffers::release();
        const FramePtr in = countingFrame(AV_PIX_FMT_YUV420P, 1081, 721);
        FramePtr first = transform(90, false, false).apply(in.get());
        QVERIFY(first);
        const uint8_t *firstBuffer = first->buf[0]->data;
        QCOMPARE(first->linesize[0] % 64, 0);
        QCOMPARE(first->linesize[1] % 64, 0);
        QVERIFY(first->data[1] >= first->data[0] + ptrdiff_t(first->linesize[0]) * 1081);
        QVERIFY(first->data[2] >= first->data[1] + ptrdiff_t(first->linesize[1]) * 541);
        FramePtr second = transform(90, false, false).apply(in.get());
        QVERIFY(second && second->buf[0]->data != firstBuffer);
        first.reset();
        QVERIFY(SpareBuffers::kept() > 0);
        const FramePtr third = transform(90, false, false).apply(in.get());
        QCOMPARE(third->buf[0]->data, firstBuffer);
        QCOMPARE(plane(third.get(), 0, 721, 4), plane(second.get(), 0, 721, 4));
        QCOMPARE(plane(third.get(), 2, 361, 2), plane(second.get(), 2, 361, 2));
        QCOMPARE(SpareBuffers::kept(), size_t(0));

        QList<QImage> pictures;
        for (int i = 0; i < 12; ++i)
            pictures << PaddedImage::make(QSize(1920, 1080), QImage::Format_RGB32);
        pictures.clear();
        QCOMPARE(SpareBuffers::kept(), (SpareBuffers::mostKept / (PaddedImage::strideFor(1920, 4) * 1081 + 64))
                                           * (PaddedImage::strideFor(1920, 4) * 1081 + 64));
        SpareBuffers::release();
        QCOMPARE(SpareBuffers::kept(), size_t(0));
    }
};

QTEST_GUILESS_MAIN(DisplayTransformTest)
#include "tst_displaytransform.moc"
