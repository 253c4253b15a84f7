#include "media/ImageFiles.h"
#include "media/MomentFrames.h"
#include "support/TestVideos.h"

#include <QTest>

#include <cmath>

class MomentFramesTest : public QObject {
    Q_OBJECT
private slots:
    // Previews are the keyframe before the moment and are kept; exact frames
    // are the frame on screen, forward and back; the idle fill keeps every
    // keyframe once.
    void previewsAndExactFrames()
    {
        const QString clip =
            TestVideos::make({.width = 320, .height = 240, .seconds = 4, .gop = 30, .bframes = true});
        QVERIFY(!clip.isEmpty());
        MomentFrames frames(clip);
        QVERIFY(frames.prepare(320, {}));
        for (const double at : {2.5, 0.2, 3.97, 1.0}) {
            const std::optional<Moment> preview = frames.preview(at, 320, {});
            QVERIFY(preview);
            const int keyframe = int(std::floor(at)) * 30;
            QCOMPARE(TestVideos::frameNumber(preview->image), keyframe);
            QCOMPARE(preview->seconds, keyframe / 30.0);
            // Any moment of the same stretch takes the kept picture.
            const std::optional<Moment> again = frames.preview(std::floor(at) + 0.9, 320, {});
            QCOMPARE(again->image.cacheKey(), preview->image.cacheKey());
        }
        for (const double at : {1.51, 1.55, 1.49, 3.2, 0.0}) {
            const std::optional<Moment> exact = frames.exact(at, {});
            QVERIFY(exact);
            QCOMPARE(exact->image.size(), QSize(320, 240));
            QCOMPARE(TestVideos::frameNumber(exact->image), int(std::floor(at * 30)));
        }
        int kept = 0;
        while (frames.keepNextPreview(320, {}))
            ++kept;
        // The four keyframes (0, 1, 2 and 3 s) are all kept already.
        QCOMPARE(kept, 0);

        MomentFrames fresh(clip);
        QVERIFY(fresh.prepare(160, {}));
        while (fresh.keepNextPreview(160, {}))
            ++kept;
        QCOMPARE(kept, 3);
        // At 29.97 fps keyframe times fall between ticks of the media
        // clock: each must still be found and kept once.
        const QString ntsc = TestVideos::make(
            {.width = 160, .height = 120, .seconds = 3, .fps = 30000, .fpsBase = 1001, .gop = 15});
        MomentFrames odd(ntsc);
        QVERIFY(odd.prepare(160, {}));
        int calls = 0;
        while (odd.keepNextPreview(160, {}) && calls < 100)
            ++calls;
        QCOMPARE(calls, 5);
        for (const double at : {0.6, 1.05, 2.95}) {
            const std::optional<Moment> preview = odd.preview(at, 160, {});
            QVERIFY(preview);
            QCOMPARE(TestVideos::frameNumber(preview->image), int(at * 30000 / 1001) / 15 * 15);
        }

        std::stop_source stopped;
        stopped.request_stop();
        QVERIFY(!fresh.exact(2.0, stopped.get_token()));
    }

    // At every size real videos have (turned phone video, odd widths, deep
    // formats): upright pictures of the display size, previews scaled.
    void realSizes_data() { TestVideos::addRealSizeRows(); }
    void realSizes()
    {
        QFETCH(int, index);
        const RealVideo &video = TestVideos::realSizes()[index];
        MomentFrames frames(TestVideos::realSizeClip(index));
        const std::optional<Moment> exact = frames.exact(0.2, {});
        QVERIFY(exact);
        QCOMPARE(exact->image.size(), video.display);
        QCOMPARE(TestVideos::frameNumber(exact->image), 6);
        const std::optional<Moment> preview = frames.preview(0.2, 160, {});
        QVERIFY(preview);
        QCOMPARE(preview->image.size(), ImageFiles::scaledSize(video.display, 160));
    }
};

QTEST_GUILESS_MAIN(MomentFramesTest)
#include "tst_momentframes.moc"
