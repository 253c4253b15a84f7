#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {

QString &loadedName()
{
    static QString name = QStringLiteral("en");
    return name;
}

// The translators the last install() put in place. A later call replaces
// them: otherwise the earlier language would still answer every text the new
// one lacks, and English could never come back.
QPointer<QTranslator> &installedOurs()
{
    static QPointer<QTranslator> translator;
    return translator;
}

QPointer<QTranslator> &installedQt()
{
    static QPointer<QTranslator> translator;
    return translator;
}

void replace(QPointer<QTranslator> &slot, QTranslator *translator)
{
    if (slot) {
        QCoreApplication::removeTranslator(slot);
        delete slot.data();
    }
    slot = translator;
    if (translator)
        QCoreApplication::installTranslator(translator);
}

// The name used for help-page suffixes: the script decides between the two
// Chinese translations, as the resource file names do.
QString nameForFile(const QString &fileBase)
{
    if (fileBase == u"framelark_zh_CN")
        return QStringLiteral("zh-Hans");
    if (fileBase == u"framelark_zh_TW")
        return QStringLiteral("zh-Hant");
    return fileBase.mid(QStringLiteral("framelark_").size());
}

} // namespace

namespace Translations {

QString install(const QLocale &locale)
{
    // Owned by the application object, so they live exactly as long as it.
    auto *app = QCoreApplication::instance();
    auto *ours = new QTranslator(app);
    QString name = QStringLiteral("en");
    // uiLanguages() order follows the user's preference; Chinese script
    // variants ("zh-Hant-TW") must reach the right file, so map them first.
    for (const QString &language : locale.uiLanguages()) {
        QString base;
        if (language.startsWith(u"zh")) {
            const bool traditional = language.contains(u"Hant") || language.endsWith(u"TW")
                || language.endsWith(u"HK") || language.endsWith(u"MO");
            base = traditional ? QStringLiteral("framelark_zh_TW") : QStringLiteral("framelark_zh_CN");
        } else {
            base = QStringLiteral("framelark_") + language.section(u'-', 0, 0);
        }
        if (ours->load(base, QStringLiteral(":/i18n"))) {
            name = nameForFile(base);
            break;
        }
    }
    if (ours->isEmpty())
        (void)ours->load(QStringLiteral("framelark_en"), QStringLiteral(":/i18n"));
    replace(installedOurs(), ours);

    auto *qt = new QTranslator(app);
    if (!qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        qt = nullptr;
    }
    replace(installedQt(), qt);

    loadedName() = name;
    return name;
}

QString loaded()
{
    return loadedName();
}

} // namespace Translations
