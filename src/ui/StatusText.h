#pragma once
// The texts the video list rows and the detail footer show for a video's
// progress, built from plain values so they are tested without widgets.
//
// Pure apart from the loaded translation; UI thread (tr()).

#include "basics/Records.h"

#include <QLocale>
#include <QString>

#include <optional>

namespace StatusText {

// "12 / 24": plain integers without grouping, whatever the locale.
QString progress(qint64 shots, qint64 total);

// "Finding scenes… 42%": a scene run's scan, `fraction` 0..1, in `locale`.
QString scanning(double fraction, const QLocale &locale = QLocale());

// "Exporting 340 of 2,000…": an export's copies, with the locale's grouping.
QString exporting(qint64 done, qint64 total, const QLocale &locale = QLocale());

// "Replacing weak shots… 2 of 5": a running "Replace Weak Shots".
QString replacing(qint64 done, qint64 total);

// What the last "Replace Weak Shots" did: "3 weak shots replaced, 1
// deselected" (the second part only when some were), or "No weak shots".
QString weakReplaced(qint64 replaced, qint64 deselected);

// A list row's second line: "Waiting…", the scan while a scene run looks for
// scenes, the progress, or the shot count.
QString row(VideoStatus status, qint64 shots, qint64 total, std::optional<double> scan = std::nullopt);

// The detail footer's summary, parts joined by " · ": the shot count; how
// long the extraction took (two fraction digits in `locale`) once known; the
// selected count while anything is deselected; the unreadable count when
// positive; how many shots "Deselect Weak Shots" judged weak, when it was
// the last change of the selection. `deselected` is clamped to the shots.
QString summary(qint64 shots, std::optional<double> elapsed, qint64 deselected, qint64 failed,
                std::optional<qint64> weakDeselected = std::nullopt, const QLocale &locale = QLocale());

} // namespace StatusText
