// The sidebar of open videos and the workspace around it.
#include "app/Translations.h"
#include "media/Thumbnails.h"
#include "ui/ShotGrid.h"
#include "ui/VideoDetail.h"
#include "ui/VideoList.h"
#include "ui/VideoListModel.h"
#include "ui/VideoRowDelegate.h"
#include "ui/Workspace.h"
#include "WorkspaceFixture.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class VideoListTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ModelFixture> m_fixture;
    std::unique_ptr<VideoList> m_list;

    AppModel &model() { return *m_fixture->model; }
    QString status(int row) const
    {
        return m_list->videos()->index(row).data(VideoListModel::StatusRole).toString();
    }
    QStringList names() const
    {
        QStringList result;
        for (int row = 0; row < m_list->videos()->rowCount(); ++row)
            result.append(m_list->videos()->index(row).data().toString());
        return result;
    }
    // The highlighted row; -1 for none.
    int highlighted() const
    {
        const QModelIndexList rows = m_list->view()->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    void show()
    {
        m_list->resize(250, 400);
        m_list->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_list.get()));
    }
    void clickRow(int row)
    {
        const QRect rect = m_list->view()->visualRect(m_list->videos()->index(row));
        QTest::mouseClick(m_list->view()->viewport(), Qt::LeftButton, {}, rect.center());
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // English plural forms come from its translation.
        Translations::install(QLocale(QLocale::English));
    }
    void init()
    {
        Thumbnails::clear();
        m_fixture = std::make_unique<ModelFixture>();
        m_list = std::make_unique<VideoList>(model());
    }
    void cleanup()
    {
        m_list.reset();
        m_fixture.reset();
    }

    void statusLinesFollowExtraction()
    {
        m_fixture->engine.holdEachShot();
        QVERIFY(m_fixture->add({"a.mp4", "b.mp4"}));
        QCOMPARE(names(), (QStringList{"a.mp4", "b.mp4"}));
        QCOMPARE(status(0), QStringLiteral("Waiting…"));
        QCOMPARE(status(1), QStringLiteral("Waiting…"));
        QVERIFY(m_list->videos()->index(0).data(VideoListModel::ThumbFileRole).toString().isEmpty());

        // The selected video (the last added) goes first.
        m_fixture->start(12);
        QTRY_COMPARE_WITH_TIMEOUT(status(1), QStringLiteral("0 / 12"), 5000);
        QCOMPARE(status(0), QStringLiteral("Waiting…"));
        QSignalSpy changes(m_list->videos(), &QAbstractItemModel::dataChanged);
        m_fixture->engine.release();
        QTRY_COMPARE_WITH_TIMEOUT(status(1), QStringLiteral("1 / 12"), 5000);
        QVERIFY(changes.count() >= 1);
        QCOMPARE(changes.first().at(0).value<QModelIndex>().row(), 1);
        QVERIFY(m_list->videos()->index(1).data(VideoListModel::ThumbFileRole).toString().endsWith(
            QStringLiteral("/0000_thumb.jpg")));
        m_fixture->engine.release(11);
        QTRY_COMPARE_WITH_TIMEOUT(status(1), QStringLiteral("12 / 12"), 5000);
        m_fixture->engine.release();
        QTRY_COMPARE_WITH_TIMEOUT(status(1), QStringLiteral("12 shots"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(status(0), QStringLiteral("0 / 12"), 5000);
        m_fixture->engine.releaseAll();
        QTRY_COMPARE_WITH_TIMEOUT(status(0), QStringLiteral("12 shots"), 5000);
    }

    void rowsFollowTheModel()
    {
        QAbstractItemModelTester tester(m_list->videos(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(m_list->videos(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(m_list->videos(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy resets(m_list->videos(), &QAbstractItemModel::modelReset);
        QVERIFY(m_fixture->add({"a.mp4", "b.mp4", "c.mp4"}));
        m_fixture->start();
        QCOMPARE(inserted.count(), 3);
        model().remove(m_fixture->item("b.mp4"));
        QCOMPARE(names(), (QStringList{"a.mp4", "c.mp4"}));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().at(1).toInt(), 1);
        QCOMPARE(resets.count(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(status(0) == QStringLiteral("12 shots") && status(1) == QStringLiteral("12 shots"),
                                 5000);
        model().closeAll();
        QCOMPARE(m_list->videos()->rowCount(), 0);
        QCOMPARE(resets.count(), 1);
    }

    void highlightIsBoundToTheModel()
    {
        QVERIFY(m_fixture->add({"a.mp4", "b.mp4", "c.mp4"}));
        show();
        // Adding selected the last one.
        QCOMPARE(highlighted(), 2);
        QSignalSpy selections(&model(), &AppModel::selectedIDChanged);
        clickRow(0);
        QCOMPARE(model().selectedID(), m_fixture->item("a.mp4")->id());
        QCOMPARE(selections.count(), 1);
        QCOMPARE(highlighted(), 0);
        model().setSelectedID(m_fixture->item("b.mp4")->id());
        QCOMPARE(highlighted(), 1);
        QCOMPARE(selections.count(), 2);
        model().setSelectedID(std::nullopt);
        QCOMPARE(highlighted(), -1);
        QCOMPARE(selections.count(), 3);
        // Keyboard moves are the user's choice too.
        m_list->view()->setFocus();
        m_list->view()->setCurrentIndex(m_list->videos()->index(2));
        QCOMPARE(model().selectedID(), m_fixture->item("c.mp4")->id());
        QTest::keyClick(m_list->view(), Qt::Key_Up);
        QCOMPARE(model().selectedID(), m_fixture->item("b.mp4")->id());
        QCOMPARE(highlighted(), 1);
        QCOMPARE(selections.count(), 5);
    }

    void removeFromTheMenuOfAnotherRow()
    {
        QVERIFY(m_fixture->add({"a.mp4", "b.mp4", "c.mp4"}));
        show();
        const QUuid selected = m_fixture->item("c.mp4")->id();
        QCOMPARE(model().selectedID(), selected);
        std::unique_ptr<QMenu> menu = m_list->menuFor(0);
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("Remove"));
        menu->actions().first()->trigger();
        QCOMPARE(names(), (QStringList{"b.mp4", "c.mp4"}));
        QCOMPARE(model().selectedID(), selected);
        QCOMPARE(highlighted(), 1);
        QVERIFY(!m_list->menuFor(2));
    }

    void deleteKeyRemovesTheSelectedVideo()
    {
        QVERIFY(m_fixture->add({"a.mp4", "b.mp4", "c.mp4"}));
        show();
        clickRow(1);
        QCOMPARE(model().selectedID(), m_fixture->item("b.mp4")->id());
        m_list->view()->setFocus();
        QTest::keyClick(m_list->view(), Qt::Key_Delete);
        QCOMPARE(names(), (QStringList{"a.mp4", "c.mp4"}));
        // The selection moves to the video that followed.
        QCOMPARE(model().selectedID(), m_fixture->item("c.mp4")->id());
        QCOMPARE(highlighted(), 1);
        QTest::keyClick(m_list->view(), Qt::Key_Delete);
        QCOMPARE(names(), (QStringList{"a.mp4"}));
        QCOMPARE(highlighted(), 0);
    }

    void exportAllFooter()
    {
        m_fixture->engine.holdEachShot();
        QVERIFY(m_fixture->add({"a.mp4", "b.mp4", "c.mp4"}));
        show();
        QPushButton *button = m_list->exportAllButton();
        QCOMPARE(button->text(), QStringLiteral("Export All (3 videos)"));
        QVERIFY(button->isVisible());
        QVERIFY(!button->isEnabled());
        m_fixture->start();
        m_fixture->engine.releaseAll();
        QTRY_VERIFY_WITH_TIMEOUT(model().canExportAll(), 5000);
        QVERIFY(button->isEnabled());
        QSignalSpy requests(m_list.get(), &VideoList::exportAllRequested);
        button->click();
        QCOMPARE(requests.count(), 1);
        model().remove(m_fixture->item("a.mp4"));
        QCOMPARE(button->text(), QStringLiteral("Export All (2 videos)"));
        model().remove(m_fixture->item("b.mp4"));
        QVERIFY(!button->isVisible());
        QCOMPARE(button->text(), QStringLiteral("Export All (1 video)"));
    }

    void rowHeightFollowsTheAspect_data()
    {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<double>("thumbHeight");
        QTest::newRow("16:9") << QSizeF(1920, 1080) << 36.0;
        QTest::newRow("0 x 0 reads as 16:9") << QSizeF(0, 0) << 36.0;
        QTest::newRow("portrait") << QSizeF(1080, 1920) << 64.0 * 16 / 9;
    }
    void rowHeightFollowsTheAspect()
    {
        QFETCH(QSizeF, size);
        QFETCH(double, thumbHeight);
        m_fixture->engine.sizes.insert("v.mp4", size);
        QVERIFY(m_fixture->add({"v.mp4"}));
        const QModelIndex index = m_list->videos()->index(0);
        const double aspect = index.data(VideoListModel::AspectRole).toDouble();
        QCOMPARE(VideoRowDelegate::thumbRect(QRectF(0, 0, 250, 200), aspect).height(), thumbHeight);
        QStyleOptionViewItem option;
        option.font = m_list->view()->font();
        const int height = m_list->view()->itemDelegate()->sizeHint(option, index).height();
        // Padded 2 above and below plus the list's own 4.
        QVERIFY2(height >= int(thumbHeight) + 12 && height <= std::max<int>(thumbHeight, 40) + 13,
                 qPrintable(QString::number(height)));
    }

    void workspaceShowsTheSidebarForTwoOrMore()
    {
        m_list.reset();
        Workspace workspace(model(), nullptr);
        workspace.resize(900, 500);
        workspace.show();
        workspace.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&workspace));
        QVERIFY(m_fixture->add({"a.mp4"}));
        QVERIFY(!workspace.sidebarShown());
        QCOMPARE(workspace.detail()->item(), m_fixture->item("a.mp4"));
        QCOMPARE(workspace.detail()->width(), 900);
        QVERIFY(m_fixture->add({"b.mp4"}));
        QVERIFY(workspace.sidebarShown());
        QCOMPARE(workspace.list()->width(), Workspace::sidebarWidth);
        QCOMPARE(workspace.detail()->item(), m_fixture->item("b.mp4"));
        QVERIFY(workspace.detail()->width() < 900 - Workspace::sidebarWidth);
        // A click in the sidebar leaves the keys with the grid.
        m_fixture->start();
        QTRY_VERIFY_WITH_TIMEOUT(m_fixture->item("a.mp4")->status() == VideoStatus::done, 5000);
        QListView *rows = workspace.list()->view();
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rows->visualRect(rows->model()->index(0, 0)).center());
        QCOMPARE(workspace.detail()->item(), m_fixture->item("a.mp4"));
        QCOMPARE(QApplication::focusWidget(), workspace.detail()->grid());
        QVERIFY(workspace.detail()->grid()->currentIndex().isValid());
        // Delete there still removes the video clicked.
        QTest::keyClick(workspace.detail()->grid(), Qt::Key_Delete);
        QCOMPARE(model().videos().size(), 1);
        QVERIFY(!workspace.sidebarShown());
        QCOMPARE(workspace.detail()->item(), m_fixture->item("b.mp4"));
        // Without an exporter the export buttons do nothing.
        workspace.list()->exportAllRequested();
        workspace.detail()->exportRequested();
    }
};

QTEST_MAIN(VideoListTest)
#include "tst_videolist.moc"
