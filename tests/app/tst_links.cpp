#include "app/Links.h"

#include <QCoreApplication>
#include <QTest>

namespace {
const QString base = QStringLiteral(FRAMELARK_WEBSITE);
}

class LinksTest : public QObject {
    Q_OBJECT

private slots:
    void pageSuffix_data()
    {
        QTest::addColumn<QString>("localisation");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("English") << "en" << "";
        QTest::newRow("German") << "de" << "";
        QTest::newRow("Simplified Chinese") << "zh-Hans" << "-zh-cn";
        QTest::newRow("Traditional Chinese") << "zh-Hant" << "-zh-tw";
        QTest::newRow("Hong Kong") << "zh-HK" << "";
        QTest::newRow("plain zh") << "zh" << "";
        QTest::newRow("other case") << "zh-hant" << "";
        QTest::newRow("empty") << "" << "";
    }
    void pageSuffix()
    {
        QFETCH(QString, localisation);
        QFETCH(QString, suffix);
        QCOMPARE(Links::pageSuffix(localisation), suffix);
    }

    void pageAddresses_data()
    {
        QTest::addColumn<QString>("localisation");
        QTest::addColumn<QString>("website");
        QTest::addColumn<QString>("support");
        QTest::addColumn<QString>("newVersion");
        QTest::newRow("English") << "en" << base + "/framelark.html"
                                 << base + "/framelark-support.html"
                                 << base + "/framelark.html?installed=1.2#download";
        QTest::newRow("zh-Hant") << "zh-Hant" << base + "/framelark-zh-tw.html"
                                 << base + "/framelark-support-zh-tw.html"
                                 << base + "/framelark-zh-tw.html?installed=1.2#download";
        QTest::newRow("zh-Hans") << "zh-Hans" << base + "/framelark-zh-cn.html"
                                 << base + "/framelark-support-zh-cn.html"
                                 << base + "/framelark-zh-cn.html?installed=1.2#download";
        QTest::newRow("zh-HK") << "zh-HK" << base + "/framelark.html"
                               << base + "/framelark-support.html"
                               << base + "/framelark.html?installed=1.2#download";
    }
    void pageAddresses()
    {
        QFETCH(QString, localisation);
        QFETCH(QString, website);
        QFETCH(QString, support);
        QFETCH(QString, newVersion);
        QCOMPARE(Links::website(localisation).toString(), website);
        QCOMPARE(Links::support(localisation).toString(), support);
        const QUrl download = Links::newVersion(localisation, QStringLiteral("1.2"));
        QVERIFY(download.isValid());
        QCOMPARE(download.toString(), newVersion);
        QCOMPARE(download.query(), QStringLiteral("installed=1.2"));
        QCOMPARE(download.fragment(), QStringLiteral("download"));
    }

    void unknownVersionStillFormsTheDownloadAddress()
    {
        const QUrl download = Links::newVersion(QStringLiteral("en"), QString());
        QVERIFY(download.isValid());
        QCOMPARE(download.toString(), base + "/framelark.html?installed=#download");
    }

    void installedVersionAndLoadedTranslationAreUsed()
    {
        // No translation installed: the English pages.
        QCoreApplication::setApplicationVersion(QStringLiteral("3.4.5"));
        QCOMPARE(Links::newVersion().toString(), base + "/framelark.html?installed=3.4.5#download");
        QCOMPARE(Links::website().toString(), base + "/framelark.html");
        QCOMPARE(Links::support().toString(), base + "/framelark-support.html");
        QCoreApplication::setApplicationVersion(QString());
        QCOMPARE(Links::newVersion().toString(), base + "/framelark.html?installed=#download");
    }

    void versionThatIsNoAddressIsNotOpened_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("space") << "1.2 beta";
        QTest::newRow("angle brackets") << "<1.2>";
    }
    void versionThatIsNoAddressIsNotOpened()
    {
        QFETCH(QString, version);
        const QUrl download = Links::newVersion(QStringLiteral("en"), version);
        QVERIFY(!download.isValid());
        QCOMPARE(Links::open(download), false);
    }

    void emptyAddressIsNotOpened()
    {
        QCOMPARE(Links::open(QUrl()), false);
    }

    void contactIsFixed()
    {
        const QUrl contact = Links::contact();
        QVERIFY(contact.isValid());
        QCOMPARE(contact.toString(),
                 QStringLiteral("mailto:" FRAMELARK_SUPPORT_EMAIL "?subject=Framelark"));
        QCOMPARE(contact.scheme(), QStringLiteral("mailto"));
        QCOMPARE(Links::contact(), contact);
    }
};

QTEST_GUILESS_MAIN(LinksTest)
#include "tst_links.moc"
