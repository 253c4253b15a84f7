#pragma once
// The choices that shape a share image. A plain value: the share image
// session renders again whenever it changes as a whole.

#include <QHashFunctions>
#include <QString>

#include <algorithm>

struct SheetOptions {
    // The ranges the window's controls and the command line offer; stored
    // values outside them are brought inside (sheet.columns 12 gives 10).
    static constexpr int minColumns = 1;
    static constexpr int maxColumns = 10;
    static constexpr int minWidth = 100;
    static constexpr int maxWidth = 10000;

    int columns = 4;        // grid columns, minColumns to maxColumns
    int width = 2400;       // canvas width in pixels, minWidth to maxWidth
    bool dark = true;       // dark or light theme
    bool showTime = true;   // a timestamp label on every cell
    bool showHeader = true; // file name and summary line above the grid
    bool badge = true;      // "Made with Framelark" under the grid
    // The header's own texts. They belong to one video, so they are never
    // stored as preferences. Blank ones change nothing.
    QString title;          // shown instead of the file name
    QString note;           // one more header line

    bool hasTitle() const { return !title.trimmed().isEmpty(); }
    bool hasNote() const { return !note.trimmed().isEmpty(); }

    bool operator==(const SheetOptions &) const = default;

    static int clampColumns(qint64 columns) { return int(std::clamp<qint64>(columns, minColumns, maxColumns)); }
    static int clampWidth(qint64 width) { return int(std::clamp<qint64>(width, minWidth, maxWidth)); }
};

inline size_t qHash(const SheetOptions &options, size_t seed = 0) noexcept
{
    return qHashMulti(seed, options.columns, options.width, options.dark, options.showTime,
                      options.showHeader, options.badge, options.title, options.note);
}
