#include "app/Translations.h"
#include "settings/Preferences.h"
#include "ui/CaptureSettings.h"
#include "ui/CaptureSettingsButton.h"
#include "ui/CaptureSettingsPopover.h"
#include "widgets/NumberBox.h"
#include "widgets/PopupPlacement.h"
#include "widgets/SegmentedControl.h"

#include <QCheckBox>
#include <QLabel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class CaptureSettingsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<Preferences> m_prefs;
    std::unique_ptr<CaptureSettingsButton> m_button;

    CaptureSettingsPopover *popover() { return m_button->popover(); }
    NumberBox *box(const char *name) { return popover()->findChild<NumberBox *>(name); }
    // The segment buttons of the picker `name`, left to right.
    QPushButton *segment(const char *name, int index)
    {
        return popover()->findChild<SegmentedControl *>(name)->findChildren<QPushButton *>().at(index);
    }
    // Replaces the field's text the way a user does.
    void type(NumberBox *field, const QString &text)
    {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
    bool rowShown(NumberBox *field) { return !field->parentWidget()->isHidden(); }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Translations::install(QLocale(QLocale::English));
    }

    void init()
    {
        const QString file = m_dir.filePath(QStringLiteral("%1.conf").arg(QTest::currentTestFunction()));
        QFile::remove(file);
        m_prefs = std::make_unique<Preferences>(file);
        m_button = std::make_unique<CaptureSettingsButton>(*m_prefs);
    }

    void cleanup()
    {
        m_button.reset();
        m_prefs.reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void summary_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("interval");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<bool>("precise");
        QTest::addColumn<bool>("png");
        QTest::addColumn<QString>("text");
        const int interval = int(ExtractMode::interval);
        const int count = int(ExtractMode::count);
        QTest::newRow("defaults") << count << 10.0 << qint64(24) << false << false << "24 shots";
        QTest::newRow("interval precise png") << interval << 10.0 << qint64(24) << true << true
                                              << "Every 10 sec · Precise · PNG";
        QTest::newRow("count precise") << count << 10.0 << qint64(24) << true << false
                                       << "24 shots · Precise";
        QTest::newRow("count png") << count << 10.0 << qint64(24) << false << true << "24 shots · PNG";
        QTest::newRow("whole seconds") << interval << 2.0 << qint64(24) << false << false << "Every 2 sec";
        QTest::newRow("fraction") << interval << 2.5 << qint64(24) << false << false << "Every 2.5 sec";
        QTest::newRow("grouped") << interval << 3600.0 << qint64(24) << false << false
                                 << "Every 3,600 sec";
        QTest::newRow("below the stepper") << interval << 0.2 << qint64(24) << false << false
                                           << "Every 0.2 sec";
        QTest::newRow("large, no exponent") << interval << 12000000.0 << qint64(24) << false << false
                                            << "Every 12,000,000 sec";
        QTest::newRow("count beyond planning") << count << 10.0 << qint64(5000) << false << false
                                               << "5000 shots";
        QTest::newRow("one shot") << count << 10.0 << qint64(1) << false << false << "1 shot";
        const int scene = int(ExtractMode::scene);
        QTest::newRow("scenes") << scene << 10.0 << qint64(24) << false << false << "Scenes · at most 24";
        QTest::newRow("scenes precise png") << scene << 10.0 << qint64(1) << true << true
                                            << "Scenes · at most 1 · Precise · PNG";
    }
    void summary()
    {
        QFETCH(int, mode);
        QFETCH(double, interval);
        QFETCH(qint64, count);
        QFETCH(bool, precise);
        QFETCH(bool, png);
        QFETCH(QString, text);
        ExtractSettings settings;
        settings.mode = ExtractMode(mode);
        settings.interval = interval;
        settings.count = count;
        settings.precise = precise;
        settings.format = png ? ShotFormat::png : ShotFormat::jpg;
        settings.quality = 0.5; // takes no part
        QCOMPARE(CaptureSettings::summary(settings), text);
    }

    void summaryFollowsTheLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        ExtractSettings settings;
        settings.mode = ExtractMode::interval;
        settings.interval = 2.5;
        QCOMPARE(CaptureSettings::summary(settings), QStringLiteral("Every 2,5 sec"));
        settings.interval = 3600;
        QCOMPARE(CaptureSettings::summary(settings), QStringLiteral("Every 3.600 sec"));
    }

    void buttonFollowsStoredValues()
    {
        QCOMPARE(m_button->text(), QStringLiteral("24 shots"));
        QCOMPARE(m_button->toolTip(), QStringLiteral("Screenshot Settings"));
        QVERIFY(!m_button->icon().isNull());
        m_prefs->setMode(ExtractMode::interval);
        m_prefs->setPrecise(true);
        m_prefs->setFormat(ShotFormat::png);
        QCOMPARE(m_button->text(), QStringLiteral("Every 10 sec · Precise · PNG"));
        // The panel shows what someone else stored, too.
        QCOMPARE(segment("mode", 0)->isChecked(), true);
        QCOMPARE(popover()->findChild<QCheckBox *>("precise")->isChecked(), true);
        QCOMPARE(segment("format", 1)->isChecked(), true);
        // Avoiding weak frames is off unless chosen, and stored as chosen.
        QCheckBox *avoidWeak = popover()->findChild<QCheckBox *>("avoidWeak");
        QCOMPARE(avoidWeak->isChecked(), false);
        avoidWeak->click();
        QCOMPARE(m_prefs->avoidWeak(), true);
        QCOMPARE(m_prefs->extractSettings().avoidWeak, true);
    }

    void clickingTogglesThePanelBelowTheButton()
    {
        m_button->move(100, 50);
        m_button->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_button.get()));
        m_button->click();
        QVERIFY(popover()->isVisible());
        QVERIFY(m_button->isChecked());
        QVERIFY(popover()->width() >= CaptureSettingsPopover::panelWidth);
        const QPoint below = m_button->mapToGlobal(QPoint(0, m_button->height()));
        QVERIFY(popover()->geometry().top() >= below.y());
        m_button->click();
        QVERIFY(!popover()->isVisible());
        QVERIFY(!m_button->isChecked());
    }

    void dropDownPlacement_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("topLeft");
        const QSize panel(360, 200);
        const QRect screen(0, 0, 1280, 800);
        const QRect window(100, 100, 800, 500);
        QTest::newRow("centred below") << QRect(500, 50, 100, 30) << panel << screen << screen
                                       << QPoint(370, 84);
        QTest::newRow("right end of the window: right edges meet")
            << QRect(790, 130, 100, 30) << panel << window << screen << QPoint(530, 164);
        QTest::newRow("left end of the window: left edges meet")
            << QRect(110, 130, 100, 30) << panel << window << screen << QPoint(110, 164);
        QTest::newRow("window past the screen edge: the screen wins")
            << QRect(1480, 130, 100, 30) << panel << QRect(1000, 100, 600, 500) << screen
            << QPoint(920, 164);
        QTest::newRow("second screen") << QRect(3100, 10, 100, 30) << panel
                                       << QRect(1280, 0, 1920, 1080) << QRect(1280, 0, 1920, 1080)
                                       << QPoint(2840, 44);
        QTest::newRow("no room below: above") << QRect(500, 700, 100, 30) << panel << screen
                                              << screen << QPoint(370, 496);
        QTest::newRow("no room either way: on screen") << QRect(500, 300, 100, 30)
                                                       << QSize(360, 600) << screen << screen
                                                       << QPoint(370, 200);
        QTest::newRow("wider than the screen: its left edge")
            << QRect(500, 50, 100, 30) << QSize(1400, 200) << screen << screen << QPoint(0, 84);
    }
    void dropDownPlacement()
    {
        QFETCH(QRect, anchor);
        QFETCH(QSize, panel);
        QFETCH(QRect, window);
        QFETCH(QRect, available);
        QFETCH(QPoint, topLeft);
        QCOMPARE(PopupPlacement::dropDown(anchor, panel, window, available, 4), topLeft);
    }

    // The button at the right end of a toolbar, as in the main window: the
    // panel must not hang past the window's right edge.
    void panelStaysInsideTheWindowAtTheRightEnd()
    {
        QWidget window;
        auto *bar = new QHBoxLayout(&window);
        bar->setContentsMargins(6, 6, 6, 6);
        bar->addStretch(1);
        auto *button = new CaptureSettingsButton(*m_prefs, &window);
        bar->addWidget(button);
        const QRect available = window.screen()->availableGeometry();
        QVERIFY(available.width() >= 600);
        window.setGeometry(available.x() + 40, available.y() + 40, 560, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        button->click();
        QVERIFY(button->popover()->isVisible());

        const QRect panel = button->popover()->frameGeometry();
        const QRect windowRect(window.mapToGlobal(QPoint(0, 0)), window.size());
        const QRect buttonRect(button->mapToGlobal(QPoint(0, 0)), button->size());
        QVERIFY(panel.width() >= CaptureSettingsPopover::panelWidth);
        QVERIFY2(panel.left() >= windowRect.left() && panel.right() <= windowRect.right(),
                 qPrintable(QStringLiteral("panel %1..%2, window %3..%4")
                                .arg(panel.left()).arg(panel.right())
                                .arg(windowRect.left()).arg(windowRect.right())));
        QVERIFY(available.contains(panel));
        QCOMPARE(panel.right(), buttonRect.right());
        QCOMPARE(panel.top(), buttonRect.bottom() + 1 + 4);
    }

    void escapeClosesThePanelAndReleasesTheButton()
    {
        m_button->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_button.get()));
        QTest::mouseClick(m_button.get(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(popover()->isVisible(), 2000);
        QVERIFY(m_button->isChecked());
        QTest::keyClick(popover(), Qt::Key_Escape);
        QVERIFY(!popover()->isVisible());
        QVERIFY(!m_button->isChecked());
    }

    void controlsWriteAtOnce()
    {
        QSignalSpy changes(m_prefs.get(), &Preferences::extractSettingsChanged);
        segment("mode", 0)->click();
        QCOMPARE(m_prefs->mode(), ExtractMode::interval);
        popover()->findChild<QCheckBox *>("precise")->click();
        QCOMPARE(m_prefs->precise(), true);
        segment("format", 1)->click();
        QCOMPARE(m_prefs->format(), ShotFormat::png);
        QCOMPARE(changes.count(), 3);
        QCOMPARE(m_button->text(), QStringLiteral("Every 10 sec · Precise · PNG"));
        segment("format", 0)->click();
        QCOMPARE(m_prefs->format(), ShotFormat::jpg);
        segment("mode", 1)->click();
        QCOMPARE(m_prefs->mode(), ExtractMode::count);
        QCOMPARE(popover()->findChild<QLabel *>("countLabel")->text(), QStringLiteral("Number of shots"));
        segment("mode", 2)->click();
        QCOMPARE(m_prefs->mode(), ExtractMode::scene);
        QCOMPARE(segment("mode", 2)->text(), QStringLiteral("By Scene"));
        // The count's row, under its other name; the interval stays hidden.
        QCOMPARE(popover()->findChild<QLabel *>("countLabel")->text(), QStringLiteral("At most"));
        QVERIFY(box("count")->isVisibleTo(popover()));
        QVERIFY(!box("interval")->isVisibleTo(popover()));
        QCOMPARE(m_button->text(), QStringLiteral("Scenes · at most 24 · Precise"));
    }

    void intervalStepperStopsAtItsBounds()
    {
        m_prefs->setMode(ExtractMode::interval);
        m_prefs->setInterval(0.5);
        NumberBox *interval = box("interval");
        QCOMPARE(interval->text(), QStringLiteral("0.5"));
        QSignalSpy changes(m_prefs.get(), &Preferences::intervalChanged);
        interval->stepBy(-1);
        QCOMPARE(m_prefs->interval(), 0.5);
        QCOMPARE(changes.count(), 0);
        interval->stepBy(1);
        QCOMPARE(m_prefs->interval(), 1.5);
        m_prefs->setInterval(3599.5);
        interval->stepBy(1);
        QCOMPARE(m_prefs->interval(), 3600.0);
        QCOMPARE(interval->text(), QStringLiteral("3,600"));
        interval->stepBy(1);
        QCOMPARE(m_prefs->interval(), 3600.0);
    }

    void typedNumbersAreStoredAsTheyAre_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("title");
        QTest::newRow("below the stepper") << "0.2" << 0.2 << "Every 0.2 sec";
        QTest::newRow("above the stepper") << "5000" << 5000.0 << "Every 5,000 sec";
        QTest::newRow("grouped") << "1,234.5" << 1234.5 << "Every 1,234.5 sec";
        QTest::newRow("letters refused") << "7x" << 7.0 << "Every 7 sec";
    }
    void typedNumbersAreStoredAsTheyAre()
    {
        QFETCH(QString, typed);
        QFETCH(double, stored);
        QFETCH(QString, title);
        m_prefs->setMode(ExtractMode::interval);
        NumberBox *interval = box("interval");
        type(interval, typed);
        QCOMPARE(m_prefs->interval(), stored);
        QCOMPARE(m_button->text(), title);
    }

    void typingKeepsWhatTheUserTyped()
    {
        m_prefs->setMode(ExtractMode::interval);
        NumberBox *interval = box("interval");
        // "2." already means 2; the stored value must not reformat the field
        // under the user's fingers.
        type(interval, QStringLiteral("2."));
        QCOMPARE(m_prefs->interval(), 2.0);
        QCOMPARE(interval->text(), QStringLiteral("2."));
        QTest::keyClicks(interval, QStringLiteral("25"));
        QCOMPARE(m_prefs->interval(), 2.25);
        QCOMPARE(interval->text(), QStringLiteral("2.25"));
    }

    void countStepperStopsButTypingDoesNot()
    {
        m_prefs->setCount(2000);
        NumberBox *count = box("count");
        QCOMPARE(count->text(), QStringLiteral("2,000"));
        count->stepBy(1);
        QCOMPARE(m_prefs->count(), 2000);
        count->stepBy(-1);
        QCOMPARE(m_prefs->count(), 1999);
        type(count, QStringLiteral("5000"));
        QCOMPARE(m_prefs->count(), 5000);
        QCOMPARE(m_button->text(), QStringLiteral("5000 shots"));
        // From beyond the bound the arrow leads back into the range.
        count->stepBy(-1);
        QCOMPARE(m_prefs->count(), 2000);
        m_prefs->setCount(1);
        count->stepBy(-1);
        QCOMPARE(m_prefs->count(), 1);
        // A count has no fraction: the point is refused as it is typed.
        type(count, QStringLiteral("3.5"));
        QCOMPARE(count->text(), QStringLiteral("35"));
        QCOMPARE(m_prefs->count(), 35);
    }

    void switchingModeKeepsTheOtherValue()
    {
        segment("mode", 0)->click();
        NumberBox *interval = box("interval");
        NumberBox *count = box("count");
        QVERIFY(rowShown(interval));
        QVERIFY(!rowShown(count));
        type(interval, QStringLiteral("7.5"));
        segment("mode", 1)->click();
        QVERIFY(!rowShown(interval));
        QVERIFY(rowShown(count));
        QCOMPARE(m_button->text(), QStringLiteral("24 shots"));
        segment("mode", 0)->click();
        QCOMPARE(m_prefs->interval(), 7.5);
        QCOMPARE(interval->text(), QStringLiteral("7.5"));
        QCOMPARE(m_button->text(), QStringLiteral("Every 7.5 sec"));
    }
};

QTEST_MAIN(CaptureSettingsTest)
#include "tst_capturesettings.moc"
