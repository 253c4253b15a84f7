#pragma once
// The files of the share image window: the temporary JPEG that drags and the
// share menu carry, the proposed save name, and saving in the format the
// chosen name asks for. No widgets.

#include "basics/Records.h"
#include "basics/SheetOptions.h"

#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <stop_token>

namespace SheetFiles {

// Quality of the temporary JPEG and of a saved JPEG.
inline constexpr double tempQuality = 0.9;
inline constexpr double saveQuality = 0.92;

// "Holiday Share Image.jpg" for Holiday.mov (the name part is translated).
QString shareImageName(const VideoInfo &video);

// The proposed save location: shareImageName() in the folder that holds the
// video file.
QString proposedSavePath(const VideoInfo &video);

enum class SaveFormat { jpeg, png, webp };
// By the extension, ignoring case: "png" is PNG, "webp" is WebP, anything
// else (".jpeg", ".tiff", no extension) is JPEG.
SaveFormat formatFor(const QString &path);
// `path` as it is saved when the user chose `chosen` in the save panel: a
// name without a picture extension (".jpg", ".jpeg", ".png", ".webp", any case) gets
// the chosen type's, so the bytes always match the name.
QString withExtension(const QString &path, SaveFormat chosen);

// Encodes `image` to `path` in formatFor(path), atomically. False when
// nothing could be written. Any thread.
bool save(const QImage &image, const QString &path);

using RenderFunction = std::function<std::optional<QImage>(
    const QList<Shot> &, const VideoInfo &, const SheetOptions &)>;

// One finished background render: the image and, when it could be written,
// a JPEG of it under a name no other render uses (see renderAndStage()).
struct Rendered {
    QImage image;
    std::optional<QString> staged;
};

// Renders with `render` and writes the result as a JPEG to a fresh, unique
// file in the "share" folder of the temporary root. Several renders may run
// at once; because each writes its own file, the one the window finally
// shows is installed under the shared name by publish(), never overwritten
// by a render that finished later. When `stop` is requested before the
// write (the render was superseded or the window closed), nothing is
// written. None when the renderer gave no image. Any thread; blocks.
std::optional<Rendered> renderAndStage(const RenderFunction &render, const QList<Shot> &shots,
                                       const VideoInfo &video, const SheetOptions &options,
                                       std::stop_token stop);

// Moves a staged file over `shareImageName(video)` in the same folder in one
// atomic step and returns the final path; on failure removes the staged file
// and any older file under the final name (so nothing stale is offered)
// and returns none.
std::optional<QString> publish(const QString &staged, const VideoInfo &video);

// Deletes a staged file that will never be shown. Failures are ignored.
void discard(const QString &staged);

} // namespace SheetFiles
