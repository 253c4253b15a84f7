#include "basics/Formatting.h"

#include <QStringList>

#include <cmath>

namespace {

QString twoDigits(qint64 value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// Whole seconds of a time, floored; a value that is not finite or does not fit
// a 64-bit integer has no meaningful text, so it reads as 0.
qint64 flooredSeconds(double seconds)
{
    if (!std::isfinite(seconds))
        return 0;
    const double floored = std::floor(seconds);
    if (floored >= 9.2e18 || floored <= -9.2e18)
        return 0;
    return qint64(floored);
}

// A number with at most `decimals` fraction digits and no trailing zeros.
QString trimmedNumber(const QLocale &locale, double value, int decimals)
{
    QString number = locale.toString(value, 'f', decimals);
    if (decimals > 0) {
        const QString point = locale.decimalPoint();
        while (number.endsWith(locale.zeroDigit()) && number.contains(point))
            number.chop(1);
        if (number.endsWith(point))
            number.chop(point.size());
    }
    return number;
}

} // namespace

QString formatTime(double seconds, bool alwaysHours, const QString &separator)
{
    const qint64 s = flooredSeconds(seconds);
    const qint64 secs = s < 0 ? 0 : s;
    if (s < 3600 && !alwaysHours)
        return twoDigits((secs / 60) % 60) + separator + twoDigits(secs % 60);
    return twoDigits(secs / 3600) + separator + twoDigits((secs / 60) % 60) + separator
        + twoDigits(secs % 60);
}

QString formatPreciseTime(double seconds)
{
    const qint64 ms = std::isfinite(seconds) && seconds > 0 ? qint64(std::llround(seconds * 1000)) : 0;
    return formatTime(double(ms / 1000), true, QStringLiteral(":")) + QLatin1Char('.')
        + QString::number(ms % 1000).rightJustified(3, QLatin1Char('0'));
}

std::optional<qint64> frameNumber(double seconds, double fps)
{
    if (!(fps > 0) || !std::isfinite(seconds))
        return std::nullopt;
    // A frame's time is its start; the small allowance absorbs the rounding
    // of times stored in another time base (1/600 s, milliseconds).
    return qint64(std::floor(std::max(0.0, seconds) * fps + 0.01));
}

QString formatByteCount(qint64 bytes, const QLocale &locale)
{
    static const char *const units[] = {"bytes", "KB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1000) {
        if (bytes == 1)
            return QStringLiteral("1 byte");
        return locale.toString(bytes) + QStringLiteral(" bytes");
    }
    double value = double(bytes);
    int unit = 0;
    while (value >= 1000 && unit < 6) {
        value /= 1000;
        ++unit;
    }
    // Kilobytes are shown whole, larger units with up to two significant
    // fraction digits the way file managers do ("48.3 MB", "1.25 GB").
    int decimals = unit == 1 ? 0 : (value < 10 ? 2 : (value < 100 ? 1 : 0));
    // Rounding may carry into the next unit (999.6 KB would read "1,000 KB").
    const double scale = std::pow(10, decimals);
    if (unit < 6 && std::round(value * scale) / scale >= 1000) {
        value /= 1000;
        ++unit;
        decimals = 2;
    }
    return trimmedNumber(locale, value, decimals) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString videoSummary(const VideoInfo &info, const QLocale &locale)
{
    QStringList parts;
    parts << formatTime(info.duration, false, QStringLiteral(":"));
    auto truncated = [](double v) -> qint64 {
        return std::isfinite(v) && std::abs(v) < 9.2e18 ? qint64(v) : 0;
    };
    parts << QString::number(truncated(info.size.width())) + QStringLiteral("×")
            + QString::number(truncated(info.size.height()));
    if (info.fps > 0 && std::isfinite(info.fps)) {
        parts << trimmedNumber(locale, double(info.fps), 2) + QStringLiteral(" fps");
    }
    if (info.fileSize > 0)
        parts << formatByteCount(info.fileSize, locale);
    return parts.join(QStringLiteral(" · "));
}

QString VideoInfo::summary() const
{
    return videoSummary(*this);
}

QString formatPercent(int percent, const QLocale &locale)
{
    const QString number = locale.toString(percent);
    const QString sign = locale.percent();
    switch (locale.language()) {
    case QLocale::Turkish:
    case QLocale::Basque:
        return sign + number;
    case QLocale::French:
        return number + QChar(0x202F) + sign;
    case QLocale::German:
    case QLocale::Spanish:
    case QLocale::Swedish:
    case QLocale::NorwegianBokmal:
    case QLocale::NorwegianNynorsk:
    case QLocale::Danish:
    case QLocale::Finnish:
    case QLocale::Czech:
    case QLocale::Slovak:
    case QLocale::Russian:
        return number + QChar(0x00A0) + sign;
    default:
        return number + sign;
    }
}
