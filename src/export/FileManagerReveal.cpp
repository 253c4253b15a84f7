#include "export/FileManagerReveal.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace FileManagerReveal {
namespace {

void openContainingFolder(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(paths.first()).absolutePath()));
}

} // namespace

void reveal(const QStringList &paths)
{
    reveal(paths, QDBusConnection::sessionBus());
}

void reveal(const QStringList &paths, const QDBusConnection &bus, int timeoutMs)
{
    if (paths.isEmpty())
        return;
    if (!bus.isConnected()) {
        openContainingFolder(paths);
        return;
    }
    QStringList uris;
    for (const QString &path : paths)
        uris.append(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs),
                                                QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [paths](QDBusPendingCallWatcher *done) {
                         if (done->isError())
                             openContainingFolder(paths);
                         done->deleteLater();
                     });
}

} // namespace FileManagerReveal
