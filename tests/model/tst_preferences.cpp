#include "settings/Preferences.h"
#include "support/TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class PreferencesTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;

private slots:
    void init()
    {
        m_file = m_dir.filePath(QStringLiteral("%1.conf").arg(QTest::currentTestFunction()));
        QFile::remove(m_file);
    }

    void emptyStoreGivesTheDefaults()
    {
        Preferences prefs(m_file);
        const ExtractSettings settings = prefs.extractSettings();
        QCOMPARE(settings.mode, ExtractMode::count);
        QCOMPARE(settings.interval, 10.0);
        QCOMPARE(settings.count, 24);
        QCOMPARE(settings.precise, false);
        QCOMPARE(settings.format, ShotFormat::jpg);
        QCOMPARE(settings.quality, 0.9);
        QCOMPARE(settings.avoidWeak, false);
        QVERIFY(settings == ExtractSettings{});
        QVERIFY(!prefs.defaultExportFolder());
        QVERIFY(!prefs.lastExportFolder());
        QCOMPARE(prefs.shareBadge(), true);
        QCOMPARE(prefs.sheetColumns(), 4);
        QCOMPARE(prefs.sheetWidth(), 2400);
        QCOMPARE(prefs.sheetDark(), true);
        QCOMPARE(prefs.sheetTime(), true);
        QCOMPARE(prefs.sheetHeader(), true);
    }

    void storedTextsAreRead_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("format");
        QTest::newRow("count and png") << QByteArray("mode=count\nformat=png\n") << int(ExtractMode::count) << int(ShotFormat::png);
        // Not the size of the row before: QSettings takes a file of the same
        // path, size and second for the one it has read already.
        QTest::newRow("scene") << QByteArray("mode=scene\n") << int(ExtractMode::scene) << int(ShotFormat::jpg);
        QTest::newRow("interval and jpg") << QByteArray("mode=interval\nformat=jpg\n") << int(ExtractMode::interval) << int(ShotFormat::jpg);
        QTest::newRow("unknown texts read as defaults") << QByteArray("mode=Interval\nformat=tiff\n") << int(ExtractMode::count) << int(ShotFormat::jpg);
        QTest::newRow("empty texts") << QByteArray("mode=\nformat=\n") << int(ExtractMode::count) << int(ShotFormat::jpg);
    }
    void storedTextsAreRead()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, mode);
        QFETCH(int, format);
        QVERIFY(TestSupport::writeFile(m_file, "[General]\n" + ini));
        Preferences prefs(m_file);
        QCOMPARE(int(prefs.mode()), mode);
        QCOMPARE(int(prefs.format()), format);
    }

    void unreadableNumbersReadAsDefaults()
    {
        QVERIFY(TestSupport::writeFile(m_file, "[General]\ninterval=soon\ncount=many\nprecise=maybe\njpegQuality=\nsheet.columns=x\nshareBadge=perhaps\n"));
        Preferences prefs(m_file);
        QVERIFY(prefs.extractSettings() == ExtractSettings{});
        QCOMPARE(prefs.sheetColumns(), 4);
        QCOMPARE(prefs.shareBadge(), true);
    }

    void valuesSurviveARestart()
    {
        {
            Preferences prefs(m_file);
            prefs.setMode(ExtractMode::interval);
            prefs.setInterval(2.5);
            prefs.setCount(5000);
            prefs.setPrecise(true);
            prefs.setFormat(ShotFormat::png);
            prefs.setJpegQuality(0.55);
            prefs.setDefaultExportFolder(QByteArray("/home/u/Shots \xff"));
            prefs.setLastExportFolder("/home/u/Desktop");
            prefs.setSheetColumns(0);
            prefs.setSheetWidth(3600);
            prefs.setSheetDark(false);
        }
        Preferences prefs(m_file);
        const ExtractSettings expected{ExtractMode::interval, 2.5, 5000, true, ShotFormat::png, 0.55};
        QVERIFY(prefs.extractSettings() == expected);
        QCOMPARE(prefs.defaultExportFolder(), QByteArray("/home/u/Shots \xff"));
        QCOMPARE(prefs.lastExportFolder(), QString("/home/u/Desktop"));
        QCOMPARE(prefs.sheetColumns(), 0);
        QCOMPARE(prefs.sheetWidth(), 3600);
        QCOMPARE(prefs.sheetDark(), false);
    }

    void everyWriteIsAnnouncedOnceAndEqualWritesAreSilent()
    {
        Preferences prefs(m_file);
        QSignalSpy count(&prefs, &Preferences::countChanged);
        QSignalSpy capture(&prefs, &Preferences::extractSettingsChanged);
        QSignalSpy interval(&prefs, &Preferences::intervalChanged);
        prefs.setCount(12);
        QCOMPARE(count.count(), 1);
        QCOMPARE(capture.count(), 1);
        QCOMPARE(prefs.count(), 12);
        prefs.setCount(12);
        QCOMPARE(count.count(), 1);
        QCOMPARE(capture.count(), 1);
        prefs.setInterval(10.0);
        // Writing the default over an absent key stores it, which is a change
        // of the stored value even if the read value is the same.
        QCOMPARE(interval.count(), 1);
        prefs.setInterval(10.0);
        QCOMPARE(interval.count(), 1);
        QCOMPARE(count.count(), 1);
    }

    void exportFolderCanBeForgotten()
    {
        Preferences prefs(m_file);
        QSignalSpy changed(&prefs, &Preferences::defaultExportFolderChanged);
        prefs.setDefaultExportFolder(QByteArray("/tmp"));
        prefs.setDefaultExportFolder(std::nullopt);
        QVERIFY(!prefs.defaultExportFolder());
        prefs.setDefaultExportFolder(std::nullopt);
        QCOMPARE(changed.count(), 2);
    }

    void sheetOptionsAnnounceAsAGroup()
    {
        Preferences prefs(m_file);
        QSignalSpy group(&prefs, &Preferences::sheetOptionsChanged);
        QSignalSpy capture(&prefs, &Preferences::extractSettingsChanged);
        prefs.setShareBadge(false);
        prefs.setSheetHeader(false);
        prefs.setSheetTime(false);
        QCOMPARE(group.count(), 3);
        QCOMPARE(capture.count(), 0);
    }

    void settingsEqualityCoversEveryField()
    {
        const ExtractSettings base;
        ExtractSettings other = base;
        other.interval = 11; // unused in count mode, still a change
        QVERIFY(!(base == other));
        other = base;
        other.quality = 0.9000001;
        QVERIFY(!(base == other));
        other = base;
        other.precise = true;
        QVERIFY(!(base == other));
        other = base;
        other.avoidWeak = true;
        QVERIFY(!(base == other));
        QVERIFY(base == ExtractSettings{});
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "tst_preferences.moc"
