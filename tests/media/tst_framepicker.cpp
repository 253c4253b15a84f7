#include "media/FramePicker.h"

#include <QTest>

namespace {

// A stream of frames 10 ticks long at 0, 10, …, 190 with keyframes every
// 100 ticks; decoding and presentation order agree, and the index holds the
// keyframes. Counts what the picker makes it do. `reordered`: the frames at
// 10, 30, 50 … are B-frames, decoded after the reference frame that follows
// them, and only they can be skipped.
class ScriptedSource final : public FrameSource {
public:
    static constexpr int64_t length = 200, step = 10, keyEvery = 100;
    explicit ScriptedSource(bool reordered = false) : m_reordered(reordered) {}

    FramePtr next(const Skippable &skippable) override
    {
        for (; m_position < length; m_position += step) {
            const bool key = m_position % keyEvery == 0;
            const bool bidirectional = m_position % (2 * step) != 0;
            const bool skippableFrame = !key && (!m_reordered || bidirectional);
            // The reference frame after a B-frame is sent before it.
            std::vector<int64_t> sent = m_sent;
            if (m_reordered && bidirectional)
                sent.push_back(m_position + step);
            if (skippableFrame && skippable && skippable(m_position, step, sent))
                continue;
            m_sent.push_back(m_position);
            FramePtr frame = makeFrame();
            frame->best_effort_timestamp = m_position;
            frame->pkt_duration = step;
            frame->key_frame = key;
            m_position += step;
            ++decoded;
            return frame;
        }
        return nullptr;
    }
    bool seek(int64_t timestamp, bool) override
    {
        ++seeks;
        m_sent.clear();
        m_position = std::clamp<int64_t>(timestamp, 0, length - 1) / keyEvery * keyEvery;
        return true;
    }
    const std::vector<int64_t> &keyframes() override { return m_keyframes; }
    std::optional<int64_t> firstIndexTimestamp() override { return 0; }
    MediaError error() const override { return {}; }
    bool stopped() const override { return false; }

    int seeks = 0;
    int decoded = 0;

private:
    const bool m_reordered;
    int64_t m_position = 0;
    std::vector<int64_t> m_sent;  // not skipped, since the last seek
    std::vector<int64_t> m_keyframes{0, 100};
};

FramePicker::Window exactly(int64_t t) { return {t, t, t}; }

int64_t ptsOf(const AVFrame *frame) { return frame ? frame->best_effort_timestamp : -1; }

} // namespace

class FramePickerTest : public QObject {
    Q_OBJECT
private slots:
    void exactFramesDecodeOnAndSeekOnlyPastAKeyframe()
    {
        ScriptedSource source;
        FramePicker picker(source, 0, 10, 100);
        MediaError error;
        picker.plan({exactly(55), exactly(57), exactly(150)});
        QCOMPARE(ptsOf(picker.answer(exactly(55), 0, &error)), 50);
        QCOMPARE(ptsOf(picker.answer(exactly(57), 1, &error)), 50);
        QCOMPARE(source.seeks, 0);
        QCOMPARE(ptsOf(picker.answer(exactly(150), 2, &error)), 150);
        QCOMPARE(source.seeks, 1);
        // The last frame is on screen up to its end, and nothing after it.
        QCOMPARE(ptsOf(picker.answer(exactly(200), 0, &error)), 190);
        QCOMPARE(picker.answer(exactly(201), 0, &error), nullptr);
        QCOMPARE(error.step, MediaError::Step::decode);
        QCOMPARE(error.reason, QStringLiteral("beyond the end of the video"));
    }

    void lastFrameHoldsUntilTheStatedEnd()
    {
        // The stream's frames end at 200, the file says the video ends at
        // 260: what is on screen in between is the last frame, for exact and
        // tolerant requests alike.
        for (const bool exact : {true, false}) {
            ScriptedSource source;
            FramePicker picker(source, 0, 10, 100);
            picker.setExact(exact);
            picker.setStatedEnd(260);
            MediaError error;
            QCOMPARE(ptsOf(picker.answer({240, exact ? 240 : 235, exact ? 240 : 245}, 0, &error)), 190);
            QCOMPARE(ptsOf(picker.answer(exactly(259), 0, &error)), 190);
            QCOMPARE(picker.answer({275, exact ? 275 : 270, exact ? 275 : 280}, 0, &error), nullptr);
            QCOMPARE(error.reason, QStringLiteral("beyond the end of the video"));
        }
    }

    void toleranceTakesTheKeyframeInsideTheWindow()
    {
        ScriptedSource source;
        FramePicker picker(source, 0, 10, 100);
        picker.setExact(false);
        MediaError error;
        QCOMPARE(ptsOf(picker.answer({115, 90, 130}, 0, &error)), 100);
        QCOMPARE(source.seeks, 1);
        QCOMPARE(source.decoded, 1);
        // No keyframe inside: the earliest frame inside, decoding on.
        QCOMPARE(ptsOf(picker.answer({165, 142, 170}, 0, &error)), 150);
        QCOMPARE(source.seeks, 1);
    }

    void framesNoOpenRequestCanUseAreNotDecoded()
    {
        ScriptedSource source;
        FramePicker picker(source, 0, 10, 100);
        MediaError error;
        picker.plan({exactly(15), exactly(95)});
        QCOMPARE(ptsOf(picker.answer(exactly(15), 0, &error)), 10);
        QCOMPARE(ptsOf(picker.answer(exactly(95), 1, &error)), 90);
        // 0 and 10 for the first answer, 90 for the second and the keyframe
        // at 100 that ends it; 20 to 80 are skipped.
        QCOMPARE(source.decoded, 4);

        // A tolerant request whose window also holds the reference frame
        // already on its way spares the B-frame before it.
        ScriptedSource reordered(true);
        FramePicker tolerant(reordered, 0, 10, 100);
        tolerant.setExact(false);
        tolerant.plan({{15, 5, 25}, {55, 45, 65}});
        QCOMPARE(ptsOf(tolerant.answer({15, 5, 25}, 0, &error)), 20);
        QCOMPARE(ptsOf(tolerant.answer({55, 45, 65}, 1, &error)), 60);
        QCOMPARE(reordered.decoded, 4);  // 0, 20, 40, 60
    }
};

QTEST_GUILESS_MAIN(FramePickerTest)
#include "tst_framepicker.moc"
