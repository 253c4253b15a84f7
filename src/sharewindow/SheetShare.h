#pragma once
// What the desktop offers for handing one file to other programs: open it
// with its default application, attach it to a new e-mail. (Showing it in
// the file manager is export/FileManagerReveal.h, shared with the export.)
//
// Thread: UI thread only.

#include <QString>

namespace SheetShare {

// Opens `file` with the desktop's default application for its type.
// False when the desktop refused.
bool openWithDefault(const QString &file);

// Starts the desktop's mail composer with `file` attached (xdg-email).
// False when the program could not be started.
bool attachToEmail(const QString &file);

} // namespace SheetShare
