#pragma once
// Shows folders, selected, in the desktop's file manager: asks the
// org.freedesktop.FileManager1 service on the session bus, and when there is
// no bus or the call fails, opens the folder that contains them instead.
//
// Thread: UI thread (needs a running event loop for the reply). Never blocks:
// the D-Bus call is asynchronous and bounded by `timeoutMs`.

#include <QDBusConnection>
#include <QStringList>

namespace FileManagerReveal {

// `folders` are absolute paths; the fallback opens the parent of the first.
void reveal(const QStringList &folders);
void reveal(const QStringList &folders, const QDBusConnection &bus, int timeoutMs = 5000);

} // namespace FileManagerReveal
