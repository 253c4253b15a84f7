#include "app/Links.h"
#include "app/Translations.h"

#include <QCoreApplication>
#include <QDesktopServices>

namespace Links {

namespace {

const QString base = QStringLiteral(FRAMELARK_WEBSITE);

// Strict parsing, so that text which is not an address (spaces, stray
// characters) is rejected rather than silently repaired.
QUrl address(const QString &text)
{
    return QUrl(text, QUrl::StrictMode);
}

} // namespace

QString pageSuffix(const QString &localisation)
{
    if (localisation == u"zh-Hans")
        return QStringLiteral("-zh-cn");
    if (localisation == u"zh-Hant")
        return QStringLiteral("-zh-tw");
    return {};
}

QUrl website(const QString &localisation)
{
    return address(base + QStringLiteral("/framelark") + pageSuffix(localisation)
                   + QStringLiteral(".html"));
}

QUrl website()
{
    return website(Translations::loaded());
}

QUrl support(const QString &localisation)
{
    return address(base + QStringLiteral("/framelark-support") + pageSuffix(localisation)
                   + QStringLiteral(".html"));
}

QUrl support()
{
    return support(Translations::loaded());
}

QUrl newVersion(const QString &localisation, const QString &version)
{
    return address(base + QStringLiteral("/framelark") + pageSuffix(localisation)
                   + QStringLiteral(".html?installed=") + version + QStringLiteral("#download"));
}

QUrl newVersion()
{
    return newVersion(Translations::loaded(), QCoreApplication::applicationVersion());
}

QUrl contact()
{
    static const QUrl url =
        address(QStringLiteral("mailto:" FRAMELARK_SUPPORT_EMAIL "?subject=Framelark"));
    return url;
}

bool open(const QUrl &url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace Links
