#pragma once
// Media times as an integer count of 1/600 s, the timescale planned shot
// times are requested in. Two planned times closer than 1/600 s are equal.

#include <QtGlobal>

#include <cmath>

struct MediaTime {
    static constexpr qint64 timescale = 600;
    qint64 value = 0;

    // Seconds rounded to the nearest 1/600 s (halves away from zero).
    static MediaTime fromSeconds(double seconds)
    {
        return MediaTime{qint64(std::llround(seconds * double(timescale)))};
    }
    double seconds() const { return double(value) / double(timescale); }
    auto operator<=>(const MediaTime &) const = default;
};
