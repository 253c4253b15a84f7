#pragma once
// Loading the user-visible texts for the user's language.

#include <QLocale>
#include <QString>

namespace Translations {

// Installs Framelark's compiled translation (and Qt's own, for standard
// dialog buttons) that best matches `locale` into the running application.
// Returns the name of the translation actually loaded ("de", "zh-Hans",
// "zh-Hant", "en"); English is the fallback. Call on the UI thread after the
// QCoreApplication exists. A later call replaces the translators an earlier
// one installed.
QString install(const QLocale &locale = QLocale());

// The name install() returned last; "en" before any call.
QString loaded();

} // namespace Translations
