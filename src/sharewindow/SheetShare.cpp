#include "sharewindow/SheetShare.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace SheetShare {

namespace {

void openFolderOf(const QString &file)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

} // namespace

bool openWithDefault(const QString &file)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void showInFileManager(const QString &file, QObject *context)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolderOf(file);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    // Asynchronous, so a file manager that is slow to start never freezes
    // the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [file](QDBusPendingCallWatcher *finished) {
                         if (finished->isError())
                             openFolderOf(file);
                         finished->deleteLater();
                     });
}

bool attachToEmail(const QString &file)
{
    return QProcess::startDetached(QStringLiteral("xdg-email"), {QStringLiteral("--attach"), file});
}

} // namespace SheetShare
