#include "basics/Records.h"

QString rawValue(ExtractMode mode)
{
    switch (mode) {
    case ExtractMode::interval:
        return QStringLiteral("interval");
    case ExtractMode::scene:
        return QStringLiteral("scene");
    case ExtractMode::count:
        break;
    }
    return QStringLiteral("count");
}

QString rawValue(ShotFormat format)
{
    switch (format) {
    case ShotFormat::png:
        return QStringLiteral("png");
    case ShotFormat::webp:
        return QStringLiteral("webp");
    case ShotFormat::jpg:
        break;
    }
    return QStringLiteral("jpg");
}

std::optional<ExtractMode> extractModeFromRaw(QStringView raw)
{
    if (raw == u"interval")
        return ExtractMode::interval;
    if (raw == u"count")
        return ExtractMode::count;
    if (raw == u"scene")
        return ExtractMode::scene;
    return std::nullopt;
}

std::optional<ShotFormat> shotFormatFromRaw(QStringView raw)
{
    if (raw == u"jpg")
        return ShotFormat::jpg;
    if (raw == u"png")
        return ShotFormat::png;
    if (raw == u"webp")
        return ShotFormat::webp;
    return std::nullopt;
}

QString VideoInfo::fileName() const
{
    return url.fileName();
}

QString VideoInfo::baseName() const
{
    // Only the last extension goes: "clip.final.mp4" keeps "clip.final".
    // A leading dot is part of the name, not an extension (".hidden").
    const QString name = url.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}
