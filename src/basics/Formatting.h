#pragma once
// The one way a time in a video, a byte count and a video summary are written.

#include "basics/Records.h"

#include <QLocale>
#include <QString>

#include <optional>

// "12:34", or "01:02:05" from an hour on or when alwaysHours is set; the
// separator goes between every pair of numbers. Times are floored, never
// rounded up; negative times read as zero. Non-finite times read as zero too.
QString formatTime(double seconds, bool alwaysHours, const QString &separator);

// "00:01:12.480": hours, minutes, seconds and milliseconds, the time of one
// frame to the millisecond (rounded to the nearest; negative and non-finite
// times read as zero).
QString formatPreciseTime(double seconds);

// The number of the frame shown at `seconds` in a video of `fps` frames a
// second, counting from 0 at the start; none when the rate is unknown.
std::optional<qint64> frameNumber(double seconds, double fps);

// A file size the way a file manager writes it, in decimal units:
// "532 KB", "48.3 MB", "1.25 GB", with the locale's decimal separator.
QString formatByteCount(qint64 bytes, const QLocale &locale = QLocale());

// A whole percentage as the locale writes it: "90%" in English, "90 %" with
// a no-break space in German, "90 %" with a narrow one in French, "%90" in
// Turkish. Qt's locale data has the sign but not where it goes, so the
// placement comes from a short table of the languages that differ from
// English (the common CLDR patterns).
QString formatPercent(int percent, const QLocale &locale = QLocale());

// The parts of a video's one-line summary joined by " · ".
QString videoSummary(const VideoInfo &info, const QLocale &locale = QLocale());
