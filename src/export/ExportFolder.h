#pragma once
// The remembered default export folder. On Linux any process may write where
// its user may, so the durable reference to a folder is simply its absolute
// path in UTF-8; what matters is that a reference which no longer leads to a
// usable folder resolves to nothing, and the export then asks for a folder.
//
// Pure functions of the file system; any thread. Neither ever changes the
// stored preference: an unusable stored folder stays stored.

#include <QByteArray>
#include <QString>

#include <optional>

namespace ExportFolder {

// The folder a stored reference leads to, as a clean absolute path, or none
// when nothing is stored, the bytes are not valid UTF-8 (or hold a NUL), the
// path is relative, or it is not an existing directory the user can write
// into (deleted, replaced by a file, on a volume that is not mounted,
// read-only). Never shows a message.
std::optional<QString> resolve(const std::optional<QByteArray> &data);

// The reference to store for `folder` (made absolute and clean), or none when
// `folder` is empty or is not an existing directory.
std::optional<QByteArray> bookmark(const QString &folder);

} // namespace ExportFolder
