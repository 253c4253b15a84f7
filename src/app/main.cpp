// Framelark: turns videos into still screenshots.
#include "TempRoot.h"
#include "Translations.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Framelark"));
    QCoreApplication::setApplicationName(QStringLiteral("Framelark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FRAMELARK_VERSION));
    Translations::install();
    // Leftovers of an earlier run that did not end normally.
    TempRoot::remove();
    return 0;
}
