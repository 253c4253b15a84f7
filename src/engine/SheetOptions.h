#pragma once
// The six choices that shape a share image. A plain value: the share image
// window keeps one and re-renders whenever it changes as a whole.

#include <QHashFunctions>

struct SheetOptions {
    int columns = 4;        // requested grid columns; below 1 means 1
    int width = 2400;       // canvas width in pixels
    bool dark = true;       // dark or light theme
    bool showTime = true;   // a timestamp label on every cell
    bool showHeader = true; // file name and summary line above the grid
    bool badge = true;      // "Made with Framelark" under the grid

    bool operator==(const SheetOptions &) const = default;
};

inline size_t qHash(const SheetOptions &options, size_t seed = 0) noexcept
{
    return qHashMulti(seed, options.columns, options.width, options.dark, options.showTime,
                      options.showHeader, options.badge);
}
