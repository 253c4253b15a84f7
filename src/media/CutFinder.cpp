#include "media/CutFinder.h"

#include <algorithm>

namespace {

// Decoded times are rounded from stream ticks.
constexpr double slack = 1e-6;

} // namespace

CutFinder::CutFinder(double frameRate)
    : m_frameSpan(frameRate >= 1 && frameRate <= 240 ? 1 / frameRate : 1.0 / 30)
{
}

void CutFinder::add(double seconds, SceneSignature signature, bool afterLeftOut)
{
    Frame frame{seconds, 0, 0, afterLeftOut, std::move(signature)};
    if (!m_frames.empty()) {
        const Frame &last = m_frames.back();
        if (!(seconds > last.seconds))
            return; // out of order or repeated: no step to judge
        const double span = std::max(seconds - last.seconds, 1e-3);
        frame.step = SceneSignature::difference(last.signature, frame.signature);
        frame.rate = double(frame.step) / span;
    }
    m_frames.push_back(std::move(frame));
    while (m_next < m_frames.size() && judge(m_next, false))
        ++m_next;
    // Only the next frame's left side and the frame before it are still needed.
    while (m_next >= 2 && m_frames[0].seconds < m_frames[m_next].seconds - surroundings - slack) {
        m_frames.pop_front();
        --m_next;
    }
}

std::vector<CutFinder::Cut> CutFinder::take(bool finish)
{
    if (finish) {
        while (m_next < m_frames.size() && judge(m_next, true))
            ++m_next;
    }
    return std::exchange(m_cuts, {});
}

double CutFinder::sideMedian(size_t index, int direction) const
{
    std::vector<double> rates;
    const double at = m_frames[index].seconds;
    if (direction < 0) {
        // Frame 0's step may be the first frame's, which has none.
        for (size_t j = index - 1; j >= 1 && m_frames[j].seconds >= at - surroundings - slack; --j)
            rates.push_back(m_frames[j].rate);
    } else {
        for (size_t j = index + 1; j < m_frames.size() && m_frames[j].seconds <= at + surroundings + slack; ++j)
            rates.push_back(m_frames[j].rate);
    }
    if (rates.empty())
        return 0;
    const auto middle = rates.begin() + std::ptrdiff_t(rates.size() / 2);
    std::nth_element(rates.begin(), middle, rates.end());
    return *middle;
}

bool CutFinder::judge(size_t index, bool finish)
{
    const Frame &frame = m_frames[index];
    if (!finish && m_frames.back().seconds < frame.seconds + surroundings - slack)
        return false;
    if (frame.seconds <= m_quietUntil + slack || frame.step < floor)
        return true;
    const double scale = std::max(sideMedian(index, -1), sideMedian(index, 1));
    const double span = frame.seconds - m_frames[index - 1].seconds;
    if (double(frame.step) < scale * (span + double(standOut - 1) * m_frameSpan))
        return true;
    // The picture may have returned at any frame left out after the last
    // one decoded that had not: with B-frames left out, a lightning strike
    // that flickered out in 0.3 s was seen back only at the predicted frame
    // 0.36 s after it (the frame at 0.16 s, already back, was a B-frame).
    // Where nothing was left out the picture shown is the one decoded, for
    // as long as it lasts: a slide held for a second in a variable-rate
    // recording is no flash.
    const auto nextShown = [this](size_t j) {
        return m_frames[j].afterLeftOut ? std::min(m_frames[j - 1].seconds + m_frameSpan, m_frames[j].seconds)
                                        : m_frames[j].seconds;
    };
    const SceneSignature &before = m_frames[index - 1].signature;
    for (size_t j = index + 1; j < m_frames.size() && nextShown(j) <= frame.seconds + flashLength + slack; ++j) {
        if (SceneSignature::difference(before, m_frames[j].signature) <= returnShare * frame.step) {
            m_quietUntil = m_frames[j].seconds;
            m_flashes.push_back({frame.seconds, m_frames[j].seconds});
            return true;
        }
    }
    m_cuts.push_back({frame.seconds, frame.step});
    // Whatever else jumps while the new picture settles belongs to this cut.
    m_quietUntil = frame.seconds + flashLength;
    return true;
}
