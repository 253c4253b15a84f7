#include "sharewindow/SheetShare.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace SheetShare {

bool openWithDefault(const QString &file)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

bool attachToEmail(const QString &file)
{
    return QProcess::startDetached(QStringLiteral("xdg-email"), {QStringLiteral("--attach"), file});
}

} // namespace SheetShare
