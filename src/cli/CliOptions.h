#pragma once
// What one framelark-cli call was asked to do, read from its arguments.
// Capture and sheet choices left out on the command line keep the user's
// stored ones (unless --defaults), so a command gives what the window gives.
//
// Pure apart from the loaded translation; any thread.

#include "basics/Records.h"
#include "basics/SheetOptions.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

class Preferences;

struct CliOptions {
    // Each set only when given on the command line.
    std::optional<ExtractMode> mode;
    std::optional<double> interval;
    std::optional<qint64> count;
    bool precise = false;
    bool avoidWeak = false;
    std::optional<ShotFormat> format;
    std::optional<double> quality;
    bool defaults = false;  // ignore the stored settings

    std::optional<QString> exportDir;
    std::optional<QString> sheet;  // a folder, or the one file of a single video
    std::optional<int> columns;
    std::optional<int> width;
    std::optional<bool> dark;
    bool noTimestamps = false;
    bool noInfo = false;
    bool noBadge = false;
    std::optional<QString> title;
    std::optional<QString> note;

    std::optional<QString> spriteDir;  // preview sprites and their WebVTT index in here
    std::optional<int> spriteWidth;
    std::optional<int> spriteColumns;
    std::optional<int> spriteRows;
    bool metadata = false;  // source details in exported shots

    bool skipWeak = false;
    bool recursive = false;
    bool json = false;
    bool quiet = false;
    QStringList inputs;  // as given, in order

    // The capture settings and sheet options the run uses: the stored ones
    // (from `stored`, unless --defaults or null) with the command line's on top.
    // Sprites want shots at a steady pace: --sprite without a mode of its
    // own takes one every (stored) interval.
    ExtractSettings extractSettings(const Preferences *stored) const;
    SheetOptions sheetOptions(const Preferences *stored) const;
    // Whether --sheet names one file rather than a folder: it ends in a
    // picture extension and is no existing folder.
    bool sheetIsFile() const;
};

namespace CliArguments {

// Help and version go to stdout and end the call with 0.
struct Answer {
    QString text;
};
// A mistake in the arguments; the call ends with 2.
struct UsageError {
    QString message;
};

std::variant<CliOptions, Answer, UsageError> parse(const QStringList &arguments);

} // namespace CliArguments
