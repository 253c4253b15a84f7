#pragma once
// Which of the files dropped on the window are worth handing to the model:
// local files that are not images. Whether a file is an image is decided by
// its name's extension alone (the file is never opened), so an unknown
// extension is kept and left for the model to judge.
//
// Thread: any (QMimeDatabase is thread-safe).

#include <QList>
#include <QString>
#include <QUrl>

namespace DropFilter {

// True when the extension of `path` names an image type (image/png,
// image/jpeg, image/svg+xml, and types derived from an image type).
bool isImage(const QString &path);

// The local files of `urls` that are not images, in their order. Non-local
// addresses (http:, …) are dropped too: the model opens files only.
QList<QUrl> videos(const QList<QUrl> &urls);

} // namespace DropFilter
