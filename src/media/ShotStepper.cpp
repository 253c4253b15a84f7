#include "media/ShotStepper.h"

#include "basics/Logging.h"
#include "media/Extractor.h"

ShotStepper::ShotStepper(QString path)
    : m_path(std::move(path))
{
}

ShotStepper::~ShotStepper() = default;

std::optional<Shot> ShotStepper::step(qint64 id, double target, const ExtractSettings &settings,
                                      const QString &dir, std::stop_token stop)
{
    const std::lock_guard guard(m_lock);
    if (stop.stop_requested())
        return std::nullopt;
    if (!m_generator) {
        m_generator = Extractor::ffmpegGenerators(m_path)(true, stop);
        if (!m_generator)
            return std::nullopt;
        m_generator->setTolerance(MediaTime(), MediaTime());
    }
    FrameResult result;
    {
        FrameGenerator *generator = m_generator.get();
        const std::stop_callback cancel(stop, [generator] { generator->cancelAll(); });
        result = m_generator->image(MediaTime::fromSeconds(target));
    }
    if (!result.ok()) {
        qCWarning(logMedia).noquote() << "step to" << target << "s of" << m_path << ":" << result.error.text();
        // A cancelled or failed decoder is finished; the next step opens anew.
        m_generator.reset();
        return std::nullopt;
    }
    MediaError error;
    std::optional<Shot> shot = Extractor::writeShot(std::move(*result.image), id, result.actualSeconds, settings,
                                                    dir, &error);
    if (!shot)
        qCWarning(logMedia).noquote() << "step to" << target << "s of" << m_path << ":" << error.text();
    return shot;
}
