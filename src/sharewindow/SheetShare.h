#pragma once
// What the desktop offers for handing one file to other programs: open it
// with its default application, show it in the file manager, attach it to a
// new e-mail.
//
// Thread: UI thread only.

#include <QString>

class QObject;

namespace SheetShare {

// Opens `file` with the desktop's default application for its type.
// False when the desktop refused.
bool openWithDefault(const QString &file);

// Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems)
// to show `file` selected; when no file manager answers (no session bus, no
// such service, an error reply), opens the folder holding `file` instead.
// Returns at once; the fallback runs when the reply arrives, but only while
// `context` lives.
void showInFileManager(const QString &file, QObject *context);

// Starts the desktop's mail composer with `file` attached (xdg-email).
// False when the program could not be started.
bool attachToEmail(const QString &file);

} // namespace SheetShare
