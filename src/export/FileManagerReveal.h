#pragma once
// Shows files or folders, selected, in the desktop's file manager: asks the
// org.freedesktop.FileManager1 service on the session bus, and when there is
// no bus or the call fails, opens the folder that contains them instead.
// Used for exported folders and for the share image's file alike.
//
// Thread: UI thread (needs a running event loop for the reply). Never blocks:
// the D-Bus call is asynchronous and bounded by `timeoutMs`.

#include <QDBusConnection>
#include <QStringList>

namespace FileManagerReveal {

// `paths` are absolute paths of folders or files; the fallback opens the
// parent of the first. The fallback also runs after the asking window has
// closed: the user asked to see the items.
void reveal(const QStringList &paths);
void reveal(const QStringList &paths, const QDBusConnection &bus, int timeoutMs = 5000);

} // namespace FileManagerReveal
