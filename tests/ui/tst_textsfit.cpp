// Every text of the capture popover, the share panel and Settings shows whole
// with a large desktop font and in the longest translation.
#include "app/Translations.h"
#include "settings/Preferences.h"
#include "sharewindow/SheetView.h"
#include "ui/CaptureSettingsPopover.h"
#include "ui/SettingsView.h"
#include "ui/SpriteDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <climits>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool insideWindow(const QWidget *widget)
{
    const QWidget *window = widget->window();
    const QRect inWindow(widget->mapTo(window, QPoint(0, 0)), widget->size());
    return window->rect().contains(inWindow);
}

// The width a button's style leaves for its text.
int textRoom(QAbstractButton *button)
{
    if (auto *push = qobject_cast<QPushButton *>(button)) {
        QStyleOptionButton option;
        option.initFrom(push);
        option.text = push->text();
        return push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push).width();
    }
    if (auto *check = qobject_cast<QCheckBox *>(button)) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = check->text();
        return check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check).width();
    }
    return button->width() >= button->sizeHint().width() ? INT_MAX : 0;
}

// The texts of `root` that are cut: a one-line text narrower than it needs,
// a wrapped one lower than it needs at its width, or a control outside the
// window. Labels that elide on purpose (a long path) are no QLabel.
QStringList clippedTexts(QWidget *root)
{
    QStringList clipped;
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(root))
            continue;
        QString text;
        bool fits = true;
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            text = label->text();
            if (text.isEmpty())
                continue;
            fits = label->wordWrap() ? label->height() >= label->heightForWidth(label->width())
                                     : label->width() >= label->sizeHint().width();
        } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            text = button->text();
            if (text.isEmpty())
                continue;
            fits = textRoom(button) >= button->fontMetrics().horizontalAdvance(text);
        } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
            text = combo->currentText();
            fits = combo->width() >= combo->minimumSizeHint().width();
        } else {
            continue;
        }
        if (!fits || !insideWindow(widget))
            clipped.append(QStringLiteral("%1 (%2×%3)").arg(text).arg(widget->width()).arg(widget->height()));
    }
    return clipped;
}

} // namespace

class TextsFitTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QFont m_font;

    std::unique_ptr<Preferences> preferences()
    {
        const QString file = m_dir.filePath(QStringLiteral("%1.conf").arg(QTest::currentDataTag()));
        QFile::remove(file);
        return std::make_unique<Preferences>(file);
    }

private slots:
    void initTestCase() { m_font = QApplication::font(); }
    void cleanup()
    {
        QApplication::setFont(m_font);
        Translations::install(QLocale(QLocale::English));
    }

    void everyTextShowsWhole_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("points");
        QTest::newRow("English, DejaVu Sans 13") << "en" << "DejaVu Sans" << 13;
        QTest::newRow("German, DejaVu Sans 13") << "de" << "DejaVu Sans" << 13;
        QTest::newRow("German, Noto Sans 11") << "de" << "Noto Sans" << 11;
        QTest::newRow("German, Noto Sans 13") << "de" << "Noto Sans" << 13;
    }
    void everyTextShowsWhole()
    {
        QFETCH(QString, language);
        QFETCH(QString, family);
        QFETCH(int, points);
        QApplication::setFont(QFont(family, points));
        QCOMPARE(Translations::install(QLocale(language)), language);
        auto prefs = preferences();

        for (const ExtractMode mode : {ExtractMode::interval, ExtractMode::scene}) {
            prefs->setMode(mode);
            CaptureSettingsPopover popover(*prefs);
            popover.show();
            QVERIFY(QTest::qWaitForWindowExposed(&popover));
            const QStringList clipped = clippedTexts(&popover);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
        }

        SheetView sheet({}, VideoInfo{}, *prefs);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QStringList clipped = clippedTexts(&sheet);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));

        SettingsView settings(*prefs, {});
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
        clipped = clippedTexts(&settings);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));

        SpriteDialog sprites(*prefs);
        sprites.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sprites));
        clipped = clippedTexts(&sprites);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(TextsFitTest)
#include "tst_textsfit.moc"
