#include "media/MediaError.h"

namespace {

QString nameOf(MediaError::Step step)
{
    switch (step) {
    case MediaError::Step::none: return QStringLiteral("nothing");
    case MediaError::Step::open: return QStringLiteral("open");
    case MediaError::Step::seek: return QStringLiteral("seek");
    case MediaError::Step::decode: return QStringLiteral("decode");
    case MediaError::Step::convert: return QStringLiteral("convert");
    case MediaError::Step::write: return QStringLiteral("write");
    }
    return {};
}

} // namespace

QString MediaError::text() const
{
    if (isEmpty())
        return {};
    QString text = nameOf(step) + QStringLiteral(" failed: ") + reason;
    if (code != 0)
        text += QStringLiteral(" (code %1)").arg(code);
    if (!file.isEmpty())
        text += QStringLiteral(" in ") + file;
    return text;
}
