#include "settings/Preferences.h"
#include "ui/SettingsView.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Style.h"
#include "widgets/TabularText.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class SettingsViewTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<Preferences> m_prefs;
    std::unique_ptr<SettingsView> m_view;
    // What the fake folder picker answers, and what it was asked.
    std::optional<QString> m_answer;
    QStringList m_starts;

    ElidedLabel *folder() { return m_view->findChild<ElidedLabel *>("folder"); }
    QPushButton *askEveryTime() { return m_view->findChild<QPushButton *>("askEveryTime"); }
    QPushButton *choose() { return m_view->findChild<QPushButton *>("chooseFolder"); }
    QSlider *quality() { return m_view->findChild<QSlider *>("quality"); }
    TabularLabel *qualityLabel() { return m_view->findChild<TabularLabel *>("qualityLabel"); }
    QString makeFolder(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(path);
        return path;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init()
    {
        const QString file = m_dir.filePath(QStringLiteral("%1.conf").arg(QTest::currentTestFunction()));
        QFile::remove(file);
        m_prefs = std::make_unique<Preferences>(file);
        m_answer.reset();
        m_starts.clear();
        m_view = std::make_unique<SettingsView>(*m_prefs, [this](QWidget *, const QString &start) {
            m_starts << start;
            return m_answer;
        });
    }

    void cleanup()
    {
        m_view.reset();
        m_prefs.reset();
    }

    void emptyPreferences()
    {
        QCOMPARE(m_view->width(), 520);
        QCOMPARE(folder()->text(), QStringLiteral("Ask every time"));
        QVERIFY(askEveryTime()->isHidden());
        QCOMPARE(quality()->value(), 18);
        QCOMPARE(qualityLabel()->text(), QStringLiteral("90%"));
        QCOMPARE(m_view->findChild<QCheckBox *>("shareBadge")->isChecked(), true);
        // Showing the view writes nothing.
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        QCOMPARE(m_prefs->defaultExportFolder(), std::nullopt);
        QCOMPARE(m_prefs->jpegQuality(), 0.9);
    }

    void choosingAFolderAndAskingAgain()
    {
        const QString chosen = makeFolder(QStringLiteral("Shots"));
        m_answer = chosen;
        choose()->click();
        QCOMPARE(m_starts, QStringList{QDir::homePath()});
        QCOMPARE(m_prefs->defaultExportFolder(), std::optional<QByteArray>(chosen.toUtf8()));
        QCOMPARE(folder()->text(), chosen);
        QCOMPARE(folder()->toolTip(), chosen);
        QVERIFY(!askEveryTime()->isHidden());

        // Next time the picker starts in the chosen folder; cancelling keeps it.
        m_answer.reset();
        choose()->click();
        QCOMPARE(m_starts.last(), chosen);
        QCOMPARE(folder()->text(), chosen);

        askEveryTime()->click();
        QCOMPARE(m_prefs->defaultExportFolder(), std::nullopt);
        QCOMPARE(folder()->text(), QStringLiteral("Ask every time"));
        QVERIFY(askEveryTime()->isHidden());
    }

    void folderThatCannotBeStoredClearsTheSetting()
    {
        m_prefs->setDefaultExportFolder(makeFolder(QStringLiteral("Before")).toUtf8());
        m_answer = m_dir.filePath(QStringLiteral("vanished"));
        choose()->click();
        QCOMPARE(m_prefs->defaultExportFolder(), std::nullopt);
        QCOMPARE(folder()->text(), QStringLiteral("Ask every time"));
        QVERIFY(askEveryTime()->isHidden());
    }

    // Dimmed texts follow a switch between light and dark themes, and a
    // folder chosen afterwards takes the plain text colour of the new theme.
    void dimmedTextFollowsTheTheme()
    {
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::WindowText, QColor(240, 240, 240));
        dark.setColor(QPalette::Window, QColor(30, 30, 30));
        const auto text = [&] { return folder()->palette().color(QPalette::WindowText); };
        QCOMPARE(text(), Style::secondaryText(light));
        QApplication::setPalette(dark);
        QTRY_COMPARE(text(), Style::secondaryText(dark));
        m_answer = makeFolder(QStringLiteral("Dark"));
        choose()->click();
        const QColor plain = text();
        QApplication::setPalette(light);
        QCOMPARE(plain, QColor(240, 240, 240));
        QTRY_COMPARE(text(), light.color(QPalette::WindowText));
    }

    void readOnlyFolderIsRefusedWithAReason()
    {
        if (::geteuid() == 0)
            QSKIP("root may write anywhere");
        const QString before = makeFolder(QStringLiteral("Writable"));
        m_prefs->setDefaultExportFolder(before.toUtf8());
        const QString locked = makeFolder(QStringLiteral("Locked"));
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        m_answer = locked;
        choose()->click();
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(m_prefs->defaultExportFolder(), std::optional<QByteArray>(before.toUtf8()));
        auto *box = m_view->findChild<QMessageBox *>("folderRefused");
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Framelark can't create folders in “%1”. Choose a folder you can write to.")
                                  .arg(locked));
        box->accept();
    }

    void unreachableStoredFolderOffersToClearIt()
    {
        const QString gone = makeFolder(QStringLiteral("Gone"));
        m_prefs->setDefaultExportFolder(gone.toUtf8());
        QCOMPARE(folder()->text(), gone);
        QVERIFY(QDir(gone).removeRecursively());
        // Resolved again whenever the view is shown.
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        QCOMPARE(folder()->text(), QStringLiteral("Ask every time"));
        QVERIFY(!askEveryTime()->isHidden());
        // The stale value stays stored until the user removes it.
        QCOMPARE(m_prefs->defaultExportFolder(), std::optional<QByteArray>(gone.toUtf8()));
        askEveryTime()->click();
        QCOMPARE(m_prefs->defaultExportFolder(), std::nullopt);
    }

    void longPathIsShortenedAtItsStart()
    {
        const QString deep = makeFolder(QString(QStringLiteral("very long folder name/")).repeated(6)
                                        + QStringLiteral("Holiday Shots"));
        m_prefs->setDefaultExportFolder(deep.toUtf8());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        const QString shown = folder()->shownText();
        QVERIFY2(shown.startsWith(QStringLiteral("…")), qPrintable(shown));
        QVERIFY2(shown.endsWith(QStringLiteral("/Holiday Shots")), qPrintable(shown));
        QCOMPARE(folder()->toolTip(), deep);
        // The buttons stay fully inside the view.
        QVERIFY(m_view->rect().contains(askEveryTime()->geometry().translated(
            askEveryTime()->parentWidget()->mapTo(m_view.get(), QPoint(0, 0)))));
    }

    void qualityMovesInFivePercentSteps_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("label");
        for (int step = 10; step <= 20; ++step) {
            QTest::addRow("%d%%", step * 5) << step << step / 20.0 << QStringLiteral("%1%").arg(step * 5);
        }
    }
    void qualityMovesInFivePercentSteps()
    {
        QFETCH(int, position);
        QFETCH(double, stored);
        QFETCH(QString, label);
        QCOMPARE(quality()->minimum(), 10);
        QCOMPARE(quality()->maximum(), 20);
        quality()->setValue(position);
        QCOMPARE(m_prefs->jpegQuality(), stored);
        QCOMPARE(qualityLabel()->text(), label);
    }

    void qualityKeysAndOutsideChanges()
    {
        quality()->setFocus();
        QTest::keyClick(quality(), Qt::Key_Right);
        QCOMPARE(m_prefs->jpegQuality(), 0.95);
        QTest::keyClick(quality(), Qt::Key_End);
        QCOMPARE(m_prefs->jpegQuality(), 1.0);
        QCOMPARE(qualityLabel()->text(), QStringLiteral("100%"));
        QTest::keyClick(quality(), Qt::Key_Right);
        QCOMPARE(m_prefs->jpegQuality(), 1.0);
        // Exactly 0.9, not an accumulation of 0.05 steps.
        quality()->setValue(18);
        QCOMPARE(m_prefs->jpegQuality(), 0.9);
        m_prefs->setJpegQuality(0.5);
        QCOMPARE(quality()->value(), 10);
        QCOMPARE(qualityLabel()->text(), QStringLiteral("50%"));
        QCOMPARE(m_prefs->jpegQuality(), 0.5);
    }

    void qualityLabelFollowsTheLocale()
    {
        const QLocale english;
        QLocale::setDefault(QLocale(QLocale::German));
        m_prefs->setJpegQuality(0.9);
        const QString german = qualityLabel()->text();
        QLocale::setDefault(english);
        QCOMPARE(german, QStringLiteral("90\u00A0%"));
    }

    void shareBadge()
    {
        auto *badge = m_view->findChild<QCheckBox *>("shareBadge");
        QCOMPARE(badge->text(), QStringLiteral("Add “Made with Framelark” to share images"));
        badge->click();
        QCOMPARE(m_prefs->shareBadge(), false);
        m_prefs->setShareBadge(true);
        QCOMPARE(badge->isChecked(), true);
    }
};

QTEST_MAIN(SettingsViewTest)
#include "tst_settingsview.moc"
