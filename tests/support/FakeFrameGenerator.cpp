#include "FakeFrameGenerator.h"

#include "support/TestFrames.h"

#include <cstring>

void FakeScript::script(double seconds, std::vector<FakeOutcome> outcomes)
{
    std::lock_guard lock(m_lock);
    auto &queue = m_outcomes[MediaTime::fromSeconds(seconds).value];
    queue.insert(queue.end(), outcomes.begin(), outcomes.end());
}

Extractor::GeneratorFactory FakeScript::factory()
{
    return [this](bool fresh, std::stop_token abandon) -> std::unique_ptr<FrameGenerator> {
        int index = 0;
        {
            std::lock_guard lock(m_lock);
            index = int(m_factoryCalls.size());
            m_factoryCalls.push_back(fresh);
        }
        if (hangingOpens > 0) {
            --hangingOpens;
            // A file whose reads stopped answering: the open returns only
            // once abandoned (or after hangCap, so a broken watch fails).
            std::mutex mutex;
            std::condition_variable_any never;
            std::unique_lock lock(mutex);
            never.wait_for(lock, abandon, hangCap, [] { return false; });
            return nullptr;
        }
        if (nullGenerators)
            return nullptr;
        return std::make_unique<FakeFrameGenerator>(*this, index);
    };
}

std::vector<FakeScript::Request> FakeScript::requests() const
{
    std::lock_guard lock(m_lock);
    return m_requests;
}

std::vector<bool> FakeScript::factoryCalls() const
{
    std::lock_guard lock(m_lock);
    return m_factoryCalls;
}

int FakeScript::cancelCount(int generator) const
{
    std::lock_guard lock(m_lock);
    const auto found = m_cancels.find(generator);
    return found == m_cancels.end() ? 0 : found->second;
}

std::pair<MediaTime, MediaTime> FakeScript::tolerance(int generator) const
{
    std::lock_guard lock(m_lock);
    const auto found = m_tolerances.find(generator);
    return found == m_tolerances.end() ? std::pair{MediaTime{-1}, MediaTime{-1}} : found->second;
}

void FakeScript::noteTolerance(int generator, MediaTime before, MediaTime after)
{
    std::lock_guard lock(m_lock);
    m_tolerances[generator] = {before, after};
}

int FakeScript::lumaFor(MediaTime time)
{
    // Ten steps per second, wrapping inside the limited luma range.
    return 16 + int((time.value / 60) % 220);
}

FakeOutcome FakeScript::next(MediaTime time)
{
    std::lock_guard lock(m_lock);
    auto found = m_outcomes.find(time.value);
    if (found == m_outcomes.end() || found->second.empty())
        return {};
    FakeOutcome outcome = found->second.front();
    found->second.pop_front();
    return outcome;
}

void FakeScript::log(Request request)
{
    std::lock_guard lock(m_lock);
    m_requests.push_back(std::move(request));
}

void FakeScript::countCancel(int generator)
{
    std::lock_guard lock(m_lock);
    ++m_cancels[generator];
}

FakeFrameGenerator::FakeFrameGenerator(FakeScript &script, int index)
    : m_script(script)
    , m_index(index)
{
}

void FakeFrameGenerator::setTolerance(MediaTime before, MediaTime after)
{
    m_script.noteTolerance(m_index, before, after);
}

void FakeFrameGenerator::images(const std::vector<MediaTime> &times,
                                const std::function<void(FrameResult &&)> &sink)
{
    m_script.log({m_index, true, times});
    for (const MediaTime time : times)
        sink(answer(time));
}

FrameResult FakeFrameGenerator::image(MediaTime time)
{
    m_script.log({m_index, false, {time}});
    return answer(time);
}

void FakeFrameGenerator::cancelAll()
{
    m_script.countCancel(m_index);
    std::lock_guard lock(m_lock);
    m_isCancelled = true;
    m_cancelled.notify_all();
}

FrameResult FakeFrameGenerator::answer(MediaTime time)
{
    if (m_script.beforeAnswer)
        m_script.beforeAnswer(time);
    {
        std::lock_guard lock(m_lock);
        if (m_isCancelled)
            return FrameResult{time, std::nullopt, 0, MediaError::stopped(MediaError::Step::decode)};
    }
    const FakeOutcome outcome = m_script.next(time);
    switch (outcome.kind) {
    case FakeOutcome::deliver:
        return frameFor(time, time);
    case FakeOutcome::fail:
        return FrameResult{time, std::nullopt, 0, MediaError::failed(MediaError::Step::decode, QStringLiteral("scripted failure"))};
    case FakeOutcome::stray:
        return frameFor(outcome.strayTime, outcome.strayTime);
    case FakeOutcome::hang:
        waitForCancel(m_script.hangCap);
        return FrameResult{time, std::nullopt, 0, MediaError::failed(MediaError::Step::decode, QStringLiteral("hung"))};
    case FakeOutcome::unconvertible: {
        FrameResult result = frameFor(time, time);
        if (result.image)
            result.image->frame->format = AV_PIX_FMT_VAAPI;
        return result;
    }
    case FakeOutcome::delay:
        if (waitForCancel(outcome.wait))
            return FrameResult{time, std::nullopt, 0, MediaError::stopped(MediaError::Step::decode)};
        return frameFor(time, time);
    }
    return {};
}

FrameResult FakeFrameGenerator::frameFor(MediaTime requested, MediaTime claimed)
{
    FramePtr frame = TestFrames::zeroed(AV_PIX_FMT_YUV420P, m_script.frameSize.width(), m_script.frameSize.height());
    if (!frame)
        return FrameResult{claimed, std::nullopt, 0, MediaError::failed(MediaError::Step::decode, QStringLiteral("out of memory"))};
    const int luma = FakeScript::lumaFor(requested);
    for (int y = 0; y < frame->height; ++y)
        std::memset(frame->data[0] + y * frame->linesize[0], luma, size_t(frame->width));
    for (int plane : {1, 2})
        for (int y = 0; y < (frame->height + 1) / 2; ++y)
            std::memset(frame->data[plane] + y * frame->linesize[plane], 128, size_t(frame->width + 1) / 2);
    frame->colorspace = AVCOL_SPC_BT709;
    frame->color_range = AVCOL_RANGE_MPEG;
    return FrameResult{claimed, VideoFrame{std::move(frame), m_script.frameSize},
                       requested.seconds() + m_script.actualOffset, {}};
}

bool FakeFrameGenerator::waitForCancel(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_lock);
    return m_cancelled.wait_for(lock, limit, [this] { return m_isCancelled; });
}
