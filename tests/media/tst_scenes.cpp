#include "basics/Planning.h"
#include "basics/ScenePlanning.h"
#include "media/Extractor.h"
#include "media/RunPlanner.h"
#include "media/SceneScanCache.h"
#include "media/CutFinder.h"
#include "media/ScanFrames.h"
#include "media/SceneScanContext.h"
#include "media/SceneScanner.h"
#include "media/SceneSignature.h"
#include "support/TestFrames.h"
#include "support/TestVideos.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace {

constexpr double fps = 10;

// The shots of the planned times, written by `generators` into `dir`, in id order.
QList<Shot> writeShots(const Extractor::GeneratorFactory &generators, const QList<double> &times, const QString &dir)
{
    ExtractSettings settings;
    settings.precise = true;  // as a scene run extracts
    settings.format = ShotFormat::png;
    std::mutex lock;
    QList<Shot> shots;
    Extractor::run(generators, times, settings, dir, [&](const Shot &shot) {
        const std::lock_guard guard(lock);
        shots.append(shot);
    });
    std::sort(shots.begin(), shots.end(), [](const Shot &a, const Shot &b) { return a.id < b.id; });
    return shots;
}

// The frame numbers the planned times decode to, in id order.
QList<int> shotFrames(const QString &path, const QList<double> &times)
{
    QTemporaryDir dir;
    QList<int> frames;
    for (const Shot &shot : writeShots(Extractor::ffmpegGenerators(path, true), times, dir.path()))
        frames.append(int(std::lround(shot.time * fps)));
    return frames;
}

// A frame of `format`, its left half red and its right half blue (BT.601
// limited range), converted from 4:2:0 by a point scaler.
FramePtr halvesFrame(AVPixelFormat format, int width, int height)
{
    FramePtr source = TestFrames::zeroed(AV_PIX_FMT_YUV420P, width, height);
    if (!source)
        return nullptr;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            source->data[0][y * source->linesize[0] + x] = x < width / 2 ? 81 : 41;
    }
    for (int y = 0; y < (height + 1) / 2; ++y) {
        for (int x = 0; x < (width + 1) / 2; ++x) {
            source->data[1][y * source->linesize[1] + x] = x < width / 4 ? 90 : 240;
            source->data[2][y * source->linesize[2] + x] = x < width / 4 ? 240 : 110;
        }
    }
    if (format == AV_PIX_FMT_YUV420P)
        return source;
    FramePtr out = TestFrames::zeroed(format, width, height);
    SwsContextPtr sws(sws_getContext(width, height, AV_PIX_FMT_YUV420P, width, height, format, SWS_POINT, nullptr,
                                     nullptr, nullptr));
    if (!sws || !out
        || sws_scale(sws.get(), source->data, source->linesize, 0, height, out->data, out->linesize) != height)
        return nullptr;
    return out;
}

// A picture of one grey level.
SceneSignature uniform(int level)
{
    SceneSignature signature;
    signature.rgb.fill(uint8_t(level));
    signature.count();
    return signature;
}

} // namespace

class ScenesTest : public QObject {
    Q_OBJECT

private slots:
    // Cuts at keyframes 1 s apart are taken from the keyframes alone; with
    // keyframes 5 s apart the frames between are decoded to place them.
    void oneShotInsideEveryScene_data()
    {
        QTest::addColumn<int>("gop");
        QTest::addColumn<bool>("precise");
        // How far after the cut a scene may be found to start: at the next
        // keyframe, or up to the three B-frames the refinement skips.
        QTest::addColumn<double>("lateness");
        QTest::addColumn<int>("as");
        const int plain = int(TestVideos::ScenesAs::tenFps);
        QTest::newRow("keyframes every second") << 10 << false << 1.0 << plain;
        QTest::newRow("keyframes every second, precise") << 10 << true << 1.0 << plain;
        QTest::newRow("keyframes every 5 s") << 50 << false << 0.35 << plain;
        QTest::newRow("keyframes every 5 s, precise") << 50 << true << 0.35 << plain;
        // Two cuts come after the last keyframe, with none to compare with.
        QTest::newRow("keyframes 30 s apart") << 300 << false << 0.35 << plain;
        // Open-GOP keyframes more than 128 frames apart, which a decoder
        // given only the keyframes numbers wrongly and drops.
        QTest::newRow("HEVC, open GOP, keyframes every 15 s") << 150 << false << 0.35
                                                             << int(TestVideos::ScenesAs::openHevc);
        // No index: a seek by time lands past the keyframe asked for.
        QTest::newRow("MPEG-TS, keyframes every 5 s") << 50 << false << 0.35 << int(TestVideos::ScenesAs::mpegTs);
        // Keyframes that give no picture when decoded alone: lanes start at them.
        QTest::newRow("MPEG-TS, open GOP, keyframes every 2 s")
            << 20 << true << 0.35 << int(TestVideos::ScenesAs::openTs);
    }
    void oneShotInsideEveryScene()
    {
        QFETCH(int, gop);
        QFETCH(bool, precise);
        QFETCH(double, lateness);
        QFETCH(int, as);
        const QString path = TestVideos::scenes(gop, TestVideos::ScenesAs(as));
        QVERIFY(!path.isEmpty());
        const QList<int> cuts = TestVideos::sceneCutFrames();
        const std::optional<SceneScanner::Scan> scan = SceneScanner::scan(path, 42, 24, {}, {});
        QVERIFY(scan);
        QCOMPARE(qsizetype(scan->cuts.size()), cuts.size());
        for (qsizetype i = 0; i < cuts.size(); ++i) {
            const double truth = cuts[i] / fps;
            QVERIFY2(scan->cuts[size_t(i)].start >= truth - 1e-6 && scan->cuts[size_t(i)].start <= truth + lateness,
                     qPrintable(QStringLiteral("cut %1 found at %2").arg(truth).arg(scan->cuts[size_t(i)].start)));
        }
        // Keyframes 5 s apart never place a cut by themselves: gaps are
        // decoded besides the frames after the last keyframe.
        QVERIFY(gop == 10 || scan->refined > 1);

        // The plan the window and the command line both run: the scan's
        // times, extracted frame-exact whatever the setting.
        const ExtractSettings settings{.mode = ExtractMode::scene, .count = 24, .precise = precise};
        const std::optional<Planning::RunPlan> plan = RunPlanner::plan(path, 42, settings, {}, {});
        QVERIFY(plan);
        QVERIFY(plan->settings.precise);
        const QList<double> &times = plan->times;
        std::vector<double> decoded;
        for (const ScanFrames::Frame &frame : scan->frames)
            decoded.push_back(frame.seconds);
        QCOMPARE(times, ScenePlanning::times(scan->cuts, scan->keyframes, 42, 24, precise, decoded));
        const QList<int> frames = shotFrames(path, times);
        QCOMPARE(frames.size(), cuts.size() + 1);
        QList<int> bounds = cuts;
        bounds.prepend(0);
        bounds.append(420);
        for (qsizetype scene = 0; scene < frames.size(); ++scene) {
            // Never the cut's own frame: the first frame of the first scene is no cut.
            const int first = scene == 0 ? 0 : bounds[scene] + 1;
            QVERIFY2(frames[scene] >= first && frames[scene] < bounds[scene + 1],
                     qPrintable(QStringLiteral("shot %1 at frame %2").arg(scene).arg(frames[scene])));
        }
    }

    // What films have: a flash inside a scene, two gradings of one pan, a
    // scene of heavy noise, a picture that jumps twice as it opens, a fade,
    // two framings of one subject; keyframes where x264 puts them, or on a
    // schedule that marks no cut (the two gradings then differ little at
    // the keyframes around them).
    void filmCutsAndNothingElse_data()
    {
        QTest::addColumn<int>("gop");
        QTest::newRow("keyframes at cuts") << 0;
        QTest::newRow("a keyframe every 2 s") << 50;
    }
    void filmCutsAndNothingElse()
    {
        QFETCH(int, gop);
        const QString path = TestVideos::filmCuts(gop);
        if (path.isEmpty())
            QSKIP("the photograph is missing (mate-backgrounds)");
        const std::optional<SceneScanner::Scan> scan = SceneScanner::scan(path, 16, 24, {}, {});
        QVERIFY(scan);
        QList<int> found;
        for (const ScenePlanning::Cut &cut : scan->cuts)
            found.append(int(std::lround(cut.start * 25)));
        const QList<int> truth = TestVideos::filmCutFrames();
        QCOMPARE(found.size(), truth.size());
        for (qsizetype i = 0; i < truth.size(); ++i) {
            // B-frames are left out: a cut shows at the next frame decoded.
            QVERIFY2(found[i] >= truth[i] && found[i] <= truth[i] + 2,
                     qPrintable(QStringLiteral("cut at frame %1 found at %2").arg(truth[i]).arg(found[i])));
        }
        // x264 puts a keyframe on the white flash; no shot is taken there.
        QVERIFY(std::none_of(scan->keyframes.begin(), scan->keyframes.end(),
                             [](double keyframe) { return keyframe >= 0.99 && keyframe < 1.12; }));
        const QList<double> tolerant = ScenePlanning::times(scan->cuts, scan->keyframes, 16, 24, false);
        QVERIFY(std::none_of(tolerant.begin(), tolerant.end(), [](double time) { return time >= 0.99 && time < 1.12; }));
    }

    // A strobe is flashes, not a white scene: keyframes on its white frames
    // look alike, so the gaps between them are not decoded, yet the frames
    // after the last of them must not count as a new scene.
    void strobeWithKeyframesOnItsFlashes()
    {
        const QString path = TestVideos::strobe();
        if (path.isEmpty())
            QSKIP("the photograph is missing (mate-backgrounds)");
        const std::optional<SceneScanner::Scan> scan = SceneScanner::scan(path, 7, 24, {}, {});
        QVERIFY(scan);
        QCOMPARE(scan->cuts.size(), 1u);
        QCOMPARE(std::lround(scan->cuts[0].start * 25), 125L);
        const QList<double> tolerant = ScenePlanning::times(scan->cuts, scan->keyframes, 7, 24, false);
        QCOMPARE(tolerant.size(), 2);
        QVERIFY2(tolerant[0] < 2 || tolerant[0] > 4.1, qPrintable(QString::number(tolerant[0])));
    }

    // Shots the scan kept decoded are the very pictures a decoder gives for
    // their times: on 10 fps clips every reference frame is decoded, and on
    // the x264 film clip (B-frames that predicted frames refer to) only
    // frames decoded with nothing left out since a keyframe are kept.
    void shotsKeptFromTheScanAreTheDecodedOnes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("duration");
        QTest::addColumn<bool>("precise");
        QTest::newRow("10 fps") << TestVideos::scenes(50) << 42.0 << false;
        QTest::newRow("10 fps, precise") << TestVideos::scenes(50) << 42.0 << true;
        // Frames off the 1/600 s grid: the store must round as the decoder does.
        QTest::newRow("29.97 fps") << TestVideos::scenes(50, TestVideos::ScenesAs::ntsc) << 14.0 << false;
        // Kept frames are turned upright and converted from 10 bits as the decoder's are.
        QTest::newRow("phone, 10-bit, turned") << TestVideos::scenes(50, TestVideos::ScenesAs::phone) << 42.0 << false;
        QTest::newRow("film") << TestVideos::filmCuts() << 16.0 << false;
        // One keyframe: a single lane decodes it all, with frame threads.
        QTest::newRow("one keyframe") << TestVideos::scenes(1000) << 42.0 << false;
    }
    void shotsKeptFromTheScanAreTheDecodedOnes()
    {
        QFETCH(QString, path);
        QFETCH(double, duration);
        QFETCH(bool, precise);
        if (path.isEmpty())
            QSKIP("the photograph is missing (mate-backgrounds)");
        ScanFrames::release();
        SceneScanCache::clear();  // frames are kept from a scan, not from its stored findings
        const ExtractSettings settings{.mode = ExtractMode::scene, .count = 24, .precise = precise};
        const std::optional<Planning::RunPlan> plan = RunPlanner::plan(path, duration, settings, {}, {});
        QVERIFY(plan);
        QVERIFY(ScanFrames::keptBytes() > 0);
        QTemporaryDir kept;
        QTemporaryDir decoded;
        QList<Shot> fromScan;
        {
            const Extractor::GeneratorFactory generators = Extractor::ffmpegGenerators(path, true);
            fromScan = writeShots(generators, plan->times, kept.path());
            // Every frame kept was a shot's.
            QCOMPARE(ScanFrames::keptBytes(), size_t(0));
        }
        const QList<Shot> fromDecoder = writeShots(Extractor::ffmpegGenerators(path), plan->times, decoded.path());
        QCOMPARE(fromScan.size(), plan->times.size());
        QCOMPARE(fromDecoder.size(), plan->times.size());
        for (qsizetype i = 0; i < fromScan.size(); ++i) {
            QCOMPARE(fromScan[i].time, fromDecoder[i].time);
            QVERIFY2(QImage(fromScan[i].file) == QImage(fromDecoder[i].file),
                     qPrintable(QStringLiteral("shot at %1 s").arg(fromScan[i].time)));
        }
        // A plan dropped unused (a run stopped before its shots) leaves
        // nothing kept.
        SceneScanCache::clear();
        QVERIFY(RunPlanner::plan(path, duration, settings, {}, {}));
        QCOMPARE(ScanFrames::keptBytes(), size_t(0));
        // A changed file answers nothing from an old scan.
        SceneScanCache::clear();
        const std::optional<Planning::RunPlan> held = RunPlanner::plan(path, duration, settings, {}, {});
        QVERIFY(ScanFrames::keptBytes() > 0);
        const std::filesystem::path file = path.toStdString();
        std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(5));
        QVERIFY(!ScanFrames::take(path, ScanFrames::generation(path), MediaTime::fromSeconds(plan->times.last())));
        QCOMPARE(ScanFrames::keptBytes(), size_t(0));
    }

    // Planning a video again with settings the scan does not depend on
    // answers from its last scan, at the same times; a count the scan would
    // do differently, or a changed file, scans again.
    void aVideoPlannedAgainIsNotScannedAgain()
    {
        const QString path = TestVideos::scenes(50);
        QVERIFY(!path.isEmpty());
        SceneScanCache::clear();
        ScanFrames::release();
        std::vector<double> reported;
        std::function<void()> duringScan;
        const auto planned = [&](long long count, ShotFormat format) {
            reported.clear();
            const ExtractSettings settings{.mode = ExtractMode::scene, .count = count, .format = format};
            const std::optional<Planning::RunPlan> plan = RunPlanner::plan(
                path, 42, settings,
                [&](double fraction) {
                    reported.push_back(fraction);
                    if (duringScan)
                        std::exchange(duringScan, {})();
                },
                {});
            return plan ? plan->times : QList<double>{};
        };
        const QList<double> first = planned(2000, ShotFormat::jpg);
        QCOMPARE(first.size(), TestVideos::sceneCutFrames().size() + 1);
        QVERIFY(reported.size() > 2);
        // Every gap was decoded for 2000 shots, so 100 finds the same.
        QCOMPARE(planned(100, ShotFormat::png), first);
        QCOMPARE(reported, std::vector<double>{1.0});
        // Three shots rank the gaps and stop early: a scan of their own.
        QCOMPARE(planned(3, ShotFormat::jpg).size(), 3);
        QVERIFY(reported.size() > 2);
        QCOMPARE(planned(3, ShotFormat::png).size(), 3);
        QCOMPARE(reported, std::vector<double>{1.0});
        const std::filesystem::path file = path.toStdString();
        std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(5));
        QCOMPARE(planned(3, ShotFormat::png).size(), 3);
        QVERIFY(reported.size() > 2);
        // Written while it was scanned: what the scan saw may be of neither
        // version, so nothing of it answers for the file as it is now.
        duringScan = [&] {
            std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(5));
        };
        QCOMPARE(planned(4, ShotFormat::png).size(), 4);
        QCOMPARE(planned(4, ShotFormat::png).size(), 4);
        QVERIFY(reported.size() > 2);
        ScanFrames::release();
    }

    // A kept frame answers a request as the decoder does, which rounds the
    // request down to the stream's ticks: at 29.97 fps, a frame 0.5005 s in
    // is not the answer for 0.5 s, nor for 0.5005 s (which 1/600 s rounds
    // to 0.5), but for the plan's aim a millisecond past it.
    void keptFramesAnswerAsTheDecoderRounds()
    {
        ScanFrames::Frame frame;
        frame.pts = 15015;
        frame.until = 15105;
        frame.timeBase = AVRational{1, 30000};
        QVERIFY(!ScanFrames::answers(frame, MediaTime::fromSeconds(0.5)));
        QVERIFY(!ScanFrames::answers(frame, MediaTime::fromSeconds(0.5005)));
        QVERIFY(ScanFrames::answers(frame, MediaTime::fromSeconds(0.5015)));
        QVERIFY(!ScanFrames::answers(frame, MediaTime::fromSeconds(0.505)));
        frame.start = 3000;  // a stream that starts 0.1 s in
        QVERIFY(ScanFrames::answers(frame, MediaTime::fromSeconds(0.4015)));
    }

    // Frames nobody took make room for the next scan's, oldest first.
    void keptFramesOfAnEarlierFileMakeRoom()
    {
        ScanFrames::release();
        const auto frames = [](int count) {
            std::vector<ScanFrames::Frame> made(static_cast<size_t>(count));
            for (ScanFrames::Frame &frame : made)
                frame.image.frame = TestFrames::zeroed(AV_PIX_FMT_YUV420P, 1920, 1080);
            return made;
        };
        QVERIFY(ScanFrames::keep(QStringLiteral("/nowhere/a.mp4"), {}, frames(30)) != 0);
        QVERIFY(ScanFrames::keep(QStringLiteral("/nowhere/b.mp4"), {}, frames(4)) != 0);
        const std::size_t both = ScanFrames::keptBytes();
        QVERIFY(both > ScanFrames::mostKept * 3 / 4 && both <= ScanFrames::mostKept);
        QVERIFY(ScanFrames::keep(QStringLiteral("/nowhere/c.mp4"), {}, frames(30)) != 0);
        QCOMPARE(ScanFrames::generation(QStringLiteral("/nowhere/a.mp4")), 0u);
        QVERIFY(ScanFrames::generation(QStringLiteral("/nowhere/b.mp4")) != 0);
        QCOMPARE(ScanFrames::keptBytes(), both);
        ScanFrames::release();
    }

    // With fewer shots than scenes only the strongest cuts are decoded and
    // kept: the same the full scan ranks highest.
    void atMostKeepsTheStrongestCuts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("duration");
        QTest::newRow("keyframes every 5 s") << TestVideos::scenes(50) << 42.0;
        // The cut at 6.8 s comes 0.2 s after a keyframe, the strongest gap's
        // cut at 4.44 s 0.24 s after one: each lies in the gap after.
        QTest::newRow("cuts just past fixed keyframes") << TestVideos::filmCuts(35) << 16.0;
    }
    void atMostKeepsTheStrongestCuts()
    {
        QFETCH(QString, path);
        QFETCH(double, duration);
        if (path.isEmpty())
            QSKIP("the photograph is missing (mate-backgrounds)");
        const std::optional<SceneScanner::Scan> all = SceneScanner::scan(path, duration, 2000, {}, {});
        const std::optional<SceneScanner::Scan> three = SceneScanner::scan(path, duration, 3, {}, {});
        QVERIFY(all && three);
        QVERIFY(three->refined < all->refined);
        const std::vector<ScenePlanning::Cut> expected = ScenePlanning::strongest(all->cuts, 3);
        QCOMPARE(expected.size(), size_t(2));
        QCOMPARE(ScenePlanning::strongest(three->cuts, 3), expected);
        QCOMPARE(ScenePlanning::times(three->cuts, three->keyframes, duration, 3, true).size(), 3);
    }

    // Every size and pixel format users have goes through the scaler into a
    // signature (memcheck watches the scaler's writes).
    void realSizes_data() { TestVideos::addRealSizeRows(); }
    void realSizes()
    {
        QFETCH(int, index);
        const QString path = TestVideos::realSizeClip(int(index));
        QVERIFY(!path.isEmpty());
        const std::optional<SceneScanner::Scan> scan = SceneScanner::scan(path, 0.4, 24, {}, {});
        QVERIFY(scan);
        QCOMPARE(scan->keyframes, (std::vector<double>{0, 0.2}));
    }

    // 8-bit YUV frames are averaged block by block before converting, others
    // scaled whole: both give one picture, its halves where they belong.
    void signaturesAgreeAcrossFormats()
    {
        SignatureMaker maker;
        const std::optional<SceneSignature> reference = maker.make(*halvesFrame(AV_PIX_FMT_YUV420P, 1920, 1080));
        QVERIFY(reference);
        const auto near = [](const uint8_t *pixel, int r, int g, int b) {
            return std::abs(pixel[0] - r) <= 3 && std::abs(pixel[1] - g) <= 3 && std::abs(pixel[2] - b) <= 3;
        };
        for (int y = 0; y < SceneSignature::height; ++y) {
            const uint8_t *row = reference->rgb.data() + y * SceneSignature::width * 3;
            QVERIFY(near(row, 255, 0, 0) && near(row + 15 * 3, 255, 0, 0));
            QVERIFY(near(row + 16 * 3, 0, 0, 255) && near(row + 31 * 3, 0, 0, 255));
        }
        for (const AVPixelFormat format : {AV_PIX_FMT_NV12, AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV420P10LE}) {
            const FramePtr frame = halvesFrame(format, 1920, 1080);
            QVERIFY(frame);
            const std::optional<SceneSignature> signature = maker.make(*frame);
            QVERIFY(signature);
            QVERIFY2(SceneSignature::difference(*reference, *signature) < 0.01f, av_get_pix_fmt_name(format));
        }
        // Too small for a block per pixel: scaled whole.
        const std::optional<SceneSignature> tiny = maker.make(*halvesFrame(AV_PIX_FMT_YUV420P, 48, 24));
        QVERIFY(tiny && SceneSignature::difference(*reference, *tiny) < 0.05f);
        // Full-range white in blocks of as many rows as 16-bit sums hold, and one more.
        for (const int blockRows : {257, 258}) {
            FramePtr white = TestFrames::zeroed(AV_PIX_FMT_YUVJ420P, 64, blockRows * SceneSignature::height);
            QVERIFY(white);
            for (int c = 0; c < 3; ++c) {
                const size_t rows = size_t(c == 0 ? white->height : white->height / 2);
                std::memset(white->data[c], c == 0 ? 255 : 128, size_t(white->linesize[c]) * rows);
            }
            const std::optional<SceneSignature> signature = maker.make(*white);
            QVERIFY(signature);
            QVERIFY2(std::all_of(signature->rgb.begin(), signature->rgb.end(), [](uint8_t v) { return v >= 250; }),
                     qPrintable(QString::number(blockRows)));
        }
    }

    // A picture of one colour brightening a level at a time steps alike
    // wherever its values pass from one histogram bin into the next.
    void slowDriftStepsEvenly()
    {
        float least = 1, most = 0;
        for (int level = 100; level < 140; ++level) {
            const float step = SceneSignature::difference(uniform(level), uniform(level + 1));
            least = std::min(least, step);
            most = std::max(most, step);
        }
        QVERIFY2(most < 0.035f && most < 1.5f * least, qPrintable(QStringLiteral("%1 to %2").arg(least).arg(most)));
    }

    // Frames decoded as the scan decodes them at 25 fps, B-frames left out
    // (every 4th here): a lightning strike flickers (white, a little dimmer,
    // white again) and is back at frame 154, a B-frame, so the return
    // is seen only at frame 159. A white that stays is still a cut, and so
    // is a picture held that long with nothing left out (a variable rate).
    void flashSeenBackAfterLeftOutFrames()
    {
        struct Case {
            int after;     // the grey level from frame 159
            bool leftOut;  // frames were left out between those decoded
            size_t cuts;
            size_t flashes;
        };
        for (const Case &c : {Case{100, true, 0, 1}, Case{250, true, 1, 0}, Case{100, false, 2, 0}}) {
            CutFinder finder(25);
            std::vector<std::pair<int, int>> frames;  // frame number, grey level
            for (int n = 0; n < 150; n += 4)
                frames.push_back({n, 100});
            frames.insert(frames.end(), {{150, 250}, {153, 244}, {155, 250}});
            for (int n = 159; n < 250; n += 4)
                frames.push_back({n, c.after});
            for (const auto &[n, level] : frames)
                finder.add(n / 25.0, uniform(level), c.leftOut && n > 0);
            QCOMPARE(finder.take(true).size(), c.cuts);
            QCOMPARE(finder.flashes().size(), c.flashes);
        }
    }

    // A video with a single keyframe is one long gap after it: decoded
    // through, with its progress shown as it goes over nearly all the bar
    // (the keyframe is a small share of the bytes).
    void aSingleKeyframeIsDecodedThrough()
    {
        const QString path = TestVideos::scenes(1000);
        QVERIFY(!path.isEmpty());
        std::vector<double> reported;
        const std::optional<SceneScanner::Scan> scan
            = SceneScanner::scan(path, 42, 24, [&](double fraction) { reported.push_back(fraction); }, {});
        QVERIFY(scan);
        QCOMPARE(scan->keyframes, std::vector<double>{0});
        QCOMPARE(qsizetype(scan->cuts.size()), TestVideos::sceneCutFrames().size());
        QVERIFY(std::is_sorted(reported.begin(), reported.end()));
        QVERIFY(std::count_if(reported.begin(), reported.end(), [](double f) { return f > 0 && f < 0.5; }) >= 10);
        QVERIFY(std::count_if(reported.begin(), reported.end(), [](double f) { return f >= 0.5 && f < 1; }) >= 10);
        QCOMPARE(reported.back(), 1.0);
    }

    // A scan whose bar hardly moves, or whose length is unknown, still
    // reports every couple of seconds: a long silence is taken for a file
    // that stopped answering, and the scan is given up.
    void aSlowScanStillReports()
    {
        std::vector<double> known, unknown;
        const SceneScanner::Progress toKnown = [&](double f) { known.push_back(f); };
        const SceneScanner::Progress toUnknown = [&](double f) { unknown.push_back(f); };
        SceneScanner::ScanContext ofKnown(QStringLiteral("/nowhere/a.mp4"), 100, toKnown, {}, nullptr);
        SceneScanner::ScanContext ofUnknown(QStringLiteral("/nowhere/b.mp4"), 0, toUnknown, {}, nullptr);
        ofKnown.keyframesRead(1, 10, 990);
        ofKnown.keyframesRead(2, 20, 1980);
        ofUnknown.keyframesRead(1, 10, 990);
        QCOMPARE(known.size(), size_t(1));
        QCOMPARE(known.front(), 0.0001);
        QVERIFY(unknown.empty());
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
        ofKnown.keyframesRead(3, 30, 2970);
        ofUnknown.keyframesRead(2, 20, 1980);
        QCOMPARE(known.size(), size_t(2));
        QCOMPARE(known.back(), 0.0003);
        QCOMPARE(unknown, std::vector<double>{0});
    }

    // A lane that fails stops the others at once, and its reason is the
    // one given, not theirs of being stopped.
    void aFailedLaneStopsTheOthers()
    {
        MediaError error;
        SceneScanner::ScanContext context(QStringLiteral("/nowhere/a.mp4"), 10, {}, {}, &error);
        const VideoInput::Interrupted otherLane = context.interrupted();
        QVERIFY(!otherLane() && !context.stopRequested());
        context.fail(MediaError::failed(MediaError::Step::seek, QStringLiteral("bad seek")));
        QVERIFY(otherLane() && context.stopRequested());
        context.fail(MediaError::stopped(MediaError::Step::decode));
        QVERIFY(!error.cancelled);
        QCOMPARE(error.step, MediaError::Step::seek);
        QCOMPARE(error.file, QStringLiteral("/nowhere/a.mp4"));
    }

    void oneLongShotFallsBackToTheCountPlan()
    {
        const QString path = TestVideos::oneScene();
        QVERIFY(!path.isEmpty());
        std::vector<double> reported;
        const std::optional<SceneScanner::Scan> scan
            = SceneScanner::scan(path, 20, 5, [&](double fraction) { reported.push_back(fraction); }, {});
        QVERIFY(scan);
        QVERIFY(scan->cuts.empty());
        QCOMPARE(scan->keyframes.size(), size_t(20));
        QVERIFY(std::is_sorted(reported.begin(), reported.end()));
        QCOMPARE(reported.back(), 1.0);
        QCOMPARE(ScenePlanning::times(scan->cuts, scan->keyframes, 20, 5, false),
                 Planning::times(ExtractMode::count, 10, 5, 20));
        // A file the scan cannot read plans by count too.
        const ExtractSettings scene{.mode = ExtractMode::scene, .count = 5};
        const std::optional<Planning::RunPlan> unreadable = RunPlanner::plan(TestVideos::textNamedMp4(), 20, scene, {}, {});
        QVERIFY(unreadable && unreadable->settings.precise);
        QCOMPARE(unreadable->times, Planning::times(ExtractMode::count, 10, 5, 20));

        std::stop_source stop;
        stop.request_stop();
        MediaError error;
        QVERIFY(!SceneScanner::scan(path, 20, 5, {}, stop.get_token(), &error));
        QVERIFY(error.cancelled);
        QVERIFY(!SceneScanner::scan(path + ".missing", 20, 5, {}, {}, &error));
        QCOMPARE(error.step, MediaError::Step::open);
    }
};

QTEST_GUILESS_MAIN(ScenesTest)
#include "tst_scenes.moc"
