// Framelark: turns videos into still screenshots.
#include "AppDelegate.h"
#include "SingleInstance.h"
#include "Translations.h"

#include <QCoreApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Framelark"));
    QCoreApplication::setApplicationName(QStringLiteral("Framelark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FRAMELARK_VERSION));
    Translations::install();

    // A second launch gives its files to the running instance and ends.
    const QStringList paths =
        SingleInstance::absolutePaths(app.arguments().mid(1), QDir::currentPath());
    SingleInstance instance(SingleInstance::defaultServerName());
    if (instance.start(paths) == SingleInstance::Role::handedOver)
        return 0;

    AppDelegate delegate;
    delegate.launched();
    QObject::connect(&instance, &SingleInstance::filesReceived, &delegate, &AppDelegate::open);
    QList<QUrl> launchFiles;
    for (const QString &path : paths)
        launchFiles.append(QUrl::fromLocalFile(path));
    // Kept by the delegate until the main window installs its handler.
    delegate.open(launchFiles);

    delegate.terminating();
    return 0;
}
