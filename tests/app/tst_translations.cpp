// The compiled-in translations: each language loads by locale, answers with
// its own texts and plural forms, and steers the help links; the .ts files
// are complete and in step with the sources.
#include "app/Links.h"
#include "app/Translations.h"
#include "basics/Planning.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QString tsDir = QStringLiteral(FRAMELARK_SOURCE_DIR "/translations");

struct TsMessage {
    QString context;
    QString source;
    bool numerus = false;
    QString translationType;  // "unfinished", "vanished", "obsolete" or empty
    QStringList forms;        // the translation, or its plural forms
};

QList<TsMessage> readTs(const QString &path, QString *language = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QList<TsMessage> messages;
    QString context;
    TsMessage current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"message") {
            messages << current;
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == u"TS" && language) {
            *language = xml.attributes().value(QStringLiteral("language")).toString();
        } else if (name == u"name") {
            context = xml.readElementText();
        } else if (name == u"message") {
            const bool numerus = xml.attributes().value(QStringLiteral("numerus")) == u"yes";
            current = TsMessage{context, {}, numerus, {}, {}};
        } else if (name == u"source") {
            current.source = xml.readElementText();
        } else if (name == u"translation") {
            current.translationType = xml.attributes().value(QStringLiteral("type")).toString();
            if (!current.numerus)
                current.forms << xml.readElementText();
        } else if (name == u"numerusform") {
            current.forms << xml.readElementText();
        }
    }
    if (xml.hasError())
        return {};
    return messages;
}

// Placeholders in sorted order, so "%2 %1" and "%1 %2" match.
QStringList placeholders(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("%(\\d|n)"));
    QStringList found;
    for (auto it = pattern.globalMatch(text); it.hasNext();)
        found << it.next().captured(0);
    found.sort();
    return found;
}

QSet<QString> keys(const QList<TsMessage> &messages)
{
    QSet<QString> result;
    for (const TsMessage &message : messages)
        result.insert(message.context + u'\x1f' + message.source);
    return result;
}

} // namespace

class TranslationsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { Translations::install(QLocale(QLocale::English)); }

    void install_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("oneShot");
        QTest::addColumn<QString>("twelveShots");
        QTest::addColumn<QString>("exportFailed");
        QTest::addColumn<QString>("badge");
        QTest::addColumn<QString>("website");

        const QString site = QStringLiteral(FRAMELARK_WEBSITE);
        // Rows run in order: each one must replace the language before it.
        QTest::newRow("German") << QLocale("de_DE") << "de" << "1 Screenshot" << "12 Screenshots"
                                << "Export fehlgeschlagen" << "Erstellt mit Framelark"
                                << site + "/framelark.html";
        QTest::newRow("English after German")
            << QLocale("en_US") << "en" << "1 shot" << "12 shots" << "Export Failed"
            << "Made with Framelark" << site + "/framelark.html";
        QTest::newRow("Simplified Chinese")
            << QLocale("zh_CN") << "zh-Hans" << "1 张截图" << "12 张截图" << "导出失败"
            << "由 Framelark 制作" << site + "/framelark-zh-cn.html";
        QTest::newRow("Traditional Chinese")
            << QLocale("zh_TW") << "zh-Hant" << "1 張截圖" << "12 張截圖" << "匯出失敗"
            << "由 Framelark 製作" << site + "/framelark-zh-tw.html";
        QTest::newRow("Hong Kong reads Traditional")
            << QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::HongKong)
            << "zh-Hant" << "1 張截圖" << "12 張截圖" << "匯出失敗" << "由 Framelark 製作"
            << site + "/framelark-zh-tw.html";
        QTest::newRow("Austrian German") << QLocale("de_AT") << "de" << "1 Screenshot"
                                         << "12 Screenshots" << "Export fehlgeschlagen"
                                         << "Erstellt mit Framelark" << site + "/framelark.html";
        QTest::newRow("French falls back to English")
            << QLocale("fr_FR") << "en" << "1 shot" << "12 shots" << "Export Failed"
            << "Made with Framelark" << site + "/framelark.html";
    }
    void install()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, name);
        QFETCH(QString, oneShot);
        QFETCH(QString, twelveShots);
        QFETCH(QString, exportFailed);
        QFETCH(QString, badge);
        QFETCH(QString, website);

        QCOMPARE(Translations::install(locale), name);
        QCOMPARE(Translations::loaded(), name);
        QCOMPARE(shotCount(1), oneShot);
        QCOMPARE(shotCount(12), twelveShots);
        QCOMPARE(QCoreApplication::translate("Exporter", "Export Failed"), exportFailed);
        QCOMPARE(QCoreApplication::translate("SheetRenderer", "Made with Framelark"), badge);
        QCOMPARE(Links::website().toString(), website);
    }

    void germanPluralForms()
    {
        Translations::install(QLocale("de_DE"));
        QCOMPARE(shotCount(0), QStringLiteral("0 Screenshots"));
        QCOMPARE(shotCount(2), QStringLiteral("2 Screenshots"));
        QCOMPARE(shotCount(21), QStringLiteral("21 Screenshots"));
        QCOMPARE(QCoreApplication::translate("StatusText", "%n weak shots deselected", nullptr, 1),
                 QStringLiteral("1 schwacher Screenshot abgewählt"));
        Translations::install(QLocale("en_US"));
        QCOMPARE(QCoreApplication::translate("StatusText", "%n weak shots deselected", nullptr, 1),
                 QStringLiteral("1 weak shot deselected"));
    }

    void videoCountPlural_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("en 1") << QLocale("en_US") << 1 << "Export All (1 video)";
        QTest::newRow("en 3") << QLocale("en_US") << 3 << "Export All (3 videos)";
        QTest::newRow("de 1") << QLocale("de_DE") << 1 << "Alle exportieren (1 Video)";
        QTest::newRow("de 3") << QLocale("de_DE") << 3 << "Alle exportieren (3 Videos)";
        QTest::newRow("zh_CN 3") << QLocale("zh_CN") << 3 << "全部导出（3 个视频）";
        QTest::newRow("zh_TW 3") << QLocale("zh_TW") << 3 << "全部匯出（3 部影片）";
    }
    void videoCountPlural()
    {
        QFETCH(QLocale, locale);
        QFETCH(int, count);
        QFETCH(QString, text);
        Translations::install(locale);
        QCOMPARE(QCoreApplication::translate("VideoList", "Export All (%n videos)", nullptr, count),
                 text);
    }

    void tsFileComplete_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("pluralForms");
        QTest::newRow("de") << "de" << 2;
        QTest::newRow("zh_CN") << "zh_CN" << 1;
        QTest::newRow("zh_TW") << "zh_TW" << 1;
        QTest::newRow("en") << "en" << 2;
    }
    void tsFileComplete()
    {
        QFETCH(QString, language);
        QFETCH(int, pluralForms);

        QString declared;
        const QList<TsMessage> messages =
            readTs(tsDir + "/framelark_" + language + ".ts", &declared);
        QVERIFY(!messages.isEmpty());
        QCOMPARE(declared, language);
        for (const TsMessage &message : messages) {
            const QString where = message.context + ": " + message.source;
            QVERIFY2(message.translationType.isEmpty(),
                     qPrintable(where + " is " + message.translationType));
            QVERIFY2(message.forms.size() == (message.numerus ? pluralForms : 1), qPrintable(where));
            for (const QString &form : message.forms) {
                QVERIFY2(!form.trimmed().isEmpty(), qPrintable(where + " is empty"));
                QVERIFY2(placeholders(form) == placeholders(message.source),
                         qPrintable(where + " -> " + form));
            }
        }
    }

    // Every text in the sources is in every translation, and nothing else:
    // a new tr() text without an lupdate run fails here.
    void tsFilesMatchSources()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString fresh = dir.filePath("framelark_de.ts");
        QProcess lupdate;
        lupdate.start(QStringLiteral(LUPDATE),
                      {"-silent", "-locations", "none", FRAMELARK_SOURCE_DIR "/src", "-ts", fresh});
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);
        const QSet<QString> expected = keys(readTs(fresh));
        QVERIFY(expected.size() > 50);
        for (const QString language : {"de", "zh_CN", "zh_TW"}) {
            const QSet<QString> actual = keys(readTs(tsDir + "/framelark_" + language + ".ts"));
            const QStringList missing = QSet(expected).subtract(actual).values();
            const QStringList stale = QSet(actual).subtract(expected).values();
            QVERIFY2(missing.isEmpty(), qPrintable(language + " lacks: " + missing.join(" | ")));
            QVERIFY2(stale.isEmpty(), qPrintable(language + " has stale: " + stale.join(" | ")));
        }
    }
};

QTEST_GUILESS_MAIN(TranslationsTest)
#include "tst_translations.moc"
