#pragma once
// The outside addresses the Help menu opens: the product page, the support
// page, the download page told the installed version, and a support e-mail.
// Pages exist per language; the page name carries a suffix chosen from the
// translation the application actually loaded.
//
// The pieces are joined as plain text without escaping. An address that
// cannot be formed from them (a version with spaces, say) comes back as an
// invalid QUrl; open() then does nothing. Thread: UI thread (reads the
// application's version and loaded translation).

#include <QString>
#include <QUrl>

namespace Links {

// "-zh-cn" for "zh-Hans", "-zh-tw" for "zh-Hant", else empty (also for
// "zh-HK" or plain "zh": only those two names are exact matches).
QString pageSuffix(const QString &localisation);

// <base>/framelark<suffix>.html
QUrl website();
QUrl website(const QString &localisation);
// <base>/framelark-support<suffix>.html
QUrl support();
QUrl support(const QString &localisation);
// <base>/framelark<suffix>.html?installed=<version>#download; an unknown
// version leaves "installed=" empty.
QUrl newVersion();
QUrl newVersion(const QString &localisation, const QString &version);
// mailto:<support address>?subject=Framelark; the same value on every call.
QUrl contact();

// Hands `url` to the desktop (browser, mail program). Returns false, and does
// nothing, for an invalid address; otherwise what the desktop reports.
bool open(const QUrl &url);

} // namespace Links
