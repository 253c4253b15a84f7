#include "export/FileManagerReveal.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace FileManagerReveal {
namespace {

void openContainingFolder(const QStringList &folders)
{
    if (folders.isEmpty())
        return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(folders.first()).absolutePath()));
}

} // namespace

void reveal(const QStringList &folders)
{
    reveal(folders, QDBusConnection::sessionBus());
}

void reveal(const QStringList &folders, const QDBusConnection &bus, int timeoutMs)
{
    if (folders.isEmpty())
        return;
    if (!bus.isConnected()) {
        openContainingFolder(folders);
        return;
    }
    QStringList uris;
    for (const QString &folder : folders)
        uris.append(QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs),
                                                QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folders](QDBusPendingCallWatcher *done) {
                         if (done->isError())
                             openContainingFolder(folders);
                         done->deleteLater();
                     });
}

} // namespace FileManagerReveal
