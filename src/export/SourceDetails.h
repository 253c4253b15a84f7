#pragma once
// Where an exported shot came from, written into the shot file itself so
// that it travels with the picture: the video's file name, the shot's time
// and frame, and the program that took it. Stored as XMP (what photo
// managers and exiftool read) and, in PNG, also as the plain text chunks
// simpler viewers show.
//
// Pure functions of their arguments; any thread.

#include <QByteArray>
#include <QString>

#include <optional>

namespace SourceDetails {

struct Details {
    QString videoFileName;        // "Holiday.mov"
    double time = 0;              // seconds into the video
    std::optional<qint64> frame;  // frame number, when the frame rate is known
    QString software;             // "Framelark 0.1.0"
};

// "Holiday.mov, 00:01:05.500, frame 1637"; without the frame part when the
// frame is unknown.
QString description(const Details &details);

// A complete XMP packet (UTF-8, with its xpacket wrapper) holding
// `details`: the standard Dublin Core source and description and the
// creator tool, plus the same facts in our own namespace in a form meant
// for programs (time in seconds, frame number).
QByteArray xmpPacket(const Details &details);

// `file` (a whole JPEG, PNG or WebP file) with `details` embedded; the image
// data itself is left untouched, byte for byte. None for anything else: an
// unrecognised or damaged file, or details too large for the format.
std::optional<QByteArray> embed(const QByteArray &file, const Details &details);

} // namespace SourceDetails
