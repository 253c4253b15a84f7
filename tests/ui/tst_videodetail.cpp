// The pane of one video: the grid of shots and its footer.
#include "media/ImageFiles.h"
#include "media/Thumbnails.h"
#include "export/ShotFolderWriter.h"
#include "support/TestSupport.h"
#include "support/TestVideos.h"
#include "ui/ShotGrid.h"
#include "ui/ShotViewer.h"
#include "ui/ShotGridAccessible.h"
#include "ui/ShotListModel.h"
#include "ui/ThumbnailLoader.h"
#include "ui/ThumbnailView.h"
#include "ui/Timeline.h"
#include "ui/VideoDetail.h"
#include "widgets/Accessibility.h"
#include "widgets/BusySpinner.h"
#include "widgets/ElidedLabel.h"
#include "widgets/LinearProgress.h"
#include "widgets/TabularText.h"
#include "WorkspaceFixture.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

#include <numeric>

namespace {

QList<qint64> shownIds(const ShotListModel *model)
{
    QList<qint64> ids;
    for (int row = 0; row < model->rowCount(); ++row)
        ids.append(model->index(row).data(ShotListModel::IdRole).toLongLong());
    return ids;
}

// `a` over `b` at `opacity`.
QColor blend(const QColor &a, const QColor &b, double opacity)
{
    return QColor(int(a.red() * opacity + b.red() * (1 - opacity) + 0.5),
                  int(a.green() * opacity + b.green() * (1 - opacity) + 0.5),
                  int(a.blue() * opacity + b.blue() * (1 - opacity) + 0.5));
}

} // namespace

class VideoDetailTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ModelFixture> m_fixture;
    std::unique_ptr<AppModel> m_realModel;  // on the FFmpeg engine, for tests on real videos
    std::unique_ptr<VideoDetail> m_detail;

    AppModel &model() { return *m_fixture->model; }
    template<typename T>
    T *child(const char *name) const
    {
        T *found = m_detail->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    QString statusLine() const { return child<ElidedLabel>("status")->text(); }

    // One video, extracted to its end, shown in the pane.
    VideoItem *showDone(const QString &name = QStringLiteral("clip.mp4"))
    {
        if (!m_fixture->add({name}))
            return nullptr;
        m_fixture->start();
        VideoItem *item = m_fixture->item(name);
        if (!QTest::qWaitFor([&] { return item->status() == VideoStatus::done; }, 5000))
            return nullptr;
        m_detail->setItem(item);
        return item;
    }
    void show(QSize size = QSize(720, 520))
    {
        m_detail->resize(size);
        m_detail->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_detail.get()));
    }
    QRgb pixelAt(const QPoint &point) const
    {
        return m_detail->grid()->viewport()->grab().toImage().pixel(point);
    }
    QPoint cellCentre(int row) const
    {
        return m_detail->grid()->visualRect(m_detail->shots()->index(row)).center();
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Accessibility::install();
        ShotGridAccessible::install();
    }
    void init()
    {
        Thumbnails::clear();
        m_fixture = std::make_unique<ModelFixture>();
        m_detail = std::make_unique<VideoDetail>(model());
    }
    void cleanup()
    {
        m_detail.reset();
        m_realModel.reset();
        m_fixture.reset();
    }

    void footerFollowsTheSelection_data()
    {
        QTest::addColumn<QList<qint64>>("toggled");
        QTest::addColumn<QString>("toggleAll");
        QTest::addColumn<QString>("exportText");
        QTest::addColumn<bool>("canExport");
        QTest::addColumn<QString>("status");
        QTest::newRow("all selected") << QList<qint64>{} << "Deselect All" << "Export 12" << true << "12 shots";
        QTest::newRow("one deselected") << QList<qint64>{4} << "Select All" << "Export 11" << true
                                        << "12 shots · 11 selected";
        QTest::newRow("none selected") << QList<qint64>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << "Select All"
                                       << "Export 0" << false << "12 shots · 0 selected";
    }
    void footerFollowsTheSelection()
    {
        QFETCH(QList<qint64>, toggled);
        QFETCH(QString, toggleAll);
        QFETCH(QString, exportText);
        QFETCH(bool, canExport);
        QFETCH(QString, status);
        VideoItem *item = showDone();
        QVERIFY(item);
        for (const qint64 id : toggled)
            item->toggle(id);
        QCOMPARE(button("toggleAll")->text(), toggleAll);
        QVERIFY(button("toggleAll")->isEnabled());
        QCOMPARE(button("export")->text(), exportText);
        QCOMPARE(button("export")->isEnabled(), canExport);
        QCOMPARE(button("share")->text(), QStringLiteral("Create Share Image"));
        QCOMPARE(button("share")->isEnabled(), canExport);
        // The elapsed part depends on the clock: compare around it.
        QStringList parts = statusLine().split(QStringLiteral(" · "));
        QVERIFY2(parts.size() > 1 && parts.takeAt(1).startsWith(QStringLiteral("Took ")), qPrintable(statusLine()));
        QCOMPARE(parts.join(QStringLiteral(" · ")), status);
        QVERIFY(child<LinearProgress>("progress")->isHidden());
        QVERIFY(child<TabularLabel>("counter")->isHidden());
        QVERIFY(!child<ElidedLabel>("status")->isHidden());
    }

    void toggleAllButtonCallsTheItem()
    {
        VideoItem *item = showDone();
        QVERIFY(item);
        button("toggleAll")->click();
        QCOMPARE(item->deselected().size(), 12);
        QCOMPARE(button("toggleAll")->text(), QStringLiteral("Select All"));
        button("toggleAll")->click();
        QVERIFY(item->deselected().isEmpty());
    }

    void shareButtonAsksForTheShareImage()
    {
        QVERIFY(showDone());
        QSignalSpy spy(&model(), &AppModel::showShareImageChanged);
        button("share")->click();
        QVERIFY(model().showShareImage());
        QCOMPARE(spy.count(), 1);
        QSignalSpy exports(m_detail.get(), &VideoDetail::exportRequested);
        button("export")->click();
        QCOMPARE(exports.count(), 1);
    }

    void extractingShowsProgress_data()
    {
        QTest::addColumn<int>("shots");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<int>("maximum");
        QTest::newRow("total 0") << 0 << 0LL << "0 / 0" << 1;
        QTest::newRow("five of twelve") << 5 << 12LL << "5 / 12" << 12;
    }
    void extractingShowsProgress()
    {
        QFETCH(int, shots);
        QFETCH(qint64, total);
        QFETCH(QString, counter);
        QFETCH(int, maximum);
        VideoInfo info;
        info.size = QSizeF(1920, 1080);
        VideoItem *item = new VideoItem(info, m_detail.get());
        item->setStatus(VideoStatus::extracting);
        item->setTotal(total);
        for (int i = 0; i < shots; ++i)
            item->insert(Shot{i, double(i), QString(), QString(), {}});
        m_detail->setItem(item);
        const auto *bar = child<LinearProgress>("progress");
        QVERIFY(!bar->isHidden());
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), maximum);
        QCOMPARE(bar->value(), shots);
        QCOMPARE(bar->width(), 140);
        QCOMPARE(child<TabularLabel>("counter")->text(), counter);
        QVERIFY(child<ElidedLabel>("status")->isHidden());
        QCOMPARE(child<BusySpinner>("spinner")->isHidden(), shots > 0);
        QCOMPARE(button("toggleAll")->isEnabled(), shots > 0);
        QVERIFY(!button("export")->isEnabled());
    }

    // As a screen reader reads the pane: the grid a list of named cells
    // that can be toggled from there, the footer's texts and progress with
    // names and values, and no control without a name.
    void screenReadersSeeCellsAndControls()
    {
        VideoItem *item = showDone();
        QVERIFY(item);
        show();
        QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(m_detail->grid());
        QVERIFY(grid);
        QCOMPARE(grid->role(), QAccessible::List);
        QCOMPARE(grid->text(QAccessible::Name), QStringLiteral("Shots"));
        QCOMPARE(grid->childCount(), 12);
        QAccessibleInterface *third = grid->child(2);
        QVERIFY(third);
        QCOMPARE(grid->child(2), third);
        QCOMPARE(grid->indexOfChild(third), 2);
        QCOMPARE(third->role(), QAccessible::ListItem);
        const QString time = m_detail->shots()->index(2).data(Qt::DisplayRole).toString();
        QCOMPARE(third->text(QAccessible::Name), QStringLiteral("Shot 3 of 12, %1, selected").arg(time));
        QVERIFY(third->state().selected);
        QCOMPARE(third->rect().center(),
                 m_detail->grid()->viewport()->mapToGlobal(m_detail->grid()->visualRect(m_detail->shots()->index(2)).center()));
        QCOMPARE(grid->childAt(third->rect().center().x(), third->rect().center().y()), third);
        third->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(item->deselected(), QSet<qint64>{2});
        QCOMPARE(third->text(QAccessible::Name), QStringLiteral("Shot 3 of 12, %1, not selected").arg(time));
        QVERIFY(!third->state().selected);
        third->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
        QCOMPARE(m_detail->grid()->currentIndex().row(), 2);

        QAccessibleInterface *status = QAccessible::queryAccessibleInterface(child<ElidedLabel>("status"));
        QCOMPARE(status->role(), QAccessible::StaticText);
        QCOMPARE(status->text(QAccessible::Name), child<ElidedLabel>("status")->text());
        item->setStatus(VideoStatus::extracting);
        item->setTotal(24);
        QAccessibleInterface *progress = QAccessible::queryAccessibleInterface(child<LinearProgress>("progress"));
        QCOMPARE(progress->role(), QAccessible::ProgressBar);
        QCOMPARE(progress->valueInterface()->currentValue().toInt(), 12);
        QCOMPARE(progress->valueInterface()->maximumValue().toInt(), 24);
        QCOMPARE(QAccessible::queryAccessibleInterface(child<TabularLabel>("counter"))->text(QAccessible::Name),
                 QStringLiteral("12 / 24"));

        QStringList nameless;
        for (QWidget *widget : m_detail->findChildren<QWidget *>()) {
            QAccessibleInterface *control = QAccessible::queryAccessibleInterface(widget);
            const QAccessible::Role role = control ? control->role() : QAccessible::NoRole;
            const bool interactive = role == QAccessible::PushButton || role == QAccessible::CheckBox
                || role == QAccessible::ProgressBar || role == QAccessible::Animation || role == QAccessible::List;
            if (interactive && control->text(QAccessible::Name).isEmpty())
                nameless.append(widget->metaObject()->className());
        }
        QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(", ")));
    }

    // While an export copies, the footer shows how far it got and a button
    // that stops it, in place of the summary and the Export button.
    void exportingShowsProgressAndStops()
    {
        VideoItem *item = showDone();
        QVERIFY(item);
        show();
        const std::stop_token stop = model().beginExport(12, {item->id()});
        model().setExportDone(3);
        QVERIFY(!child<LinearProgress>("progress")->isHidden());
        QCOMPARE(child<LinearProgress>("progress")->value(), 3);
        QCOMPARE(child<LinearProgress>("progress")->maximum(), 12);
        QCOMPARE(child<TabularLabel>("counter")->text(), QStringLiteral("Exporting 3 of 12…"));
        QVERIFY(child<ElidedLabel>("status")->isHidden());
        QVERIFY(button("export")->isHidden());
        QVERIFY(!button("share")->isEnabled());
        QTest::mouseClick(button("stopExport"), Qt::LeftButton);
        QVERIFY(stop.stop_requested());
        model().endExport();
        QVERIFY(button("stopExport")->isHidden());
        QVERIFY(!button("export")->isHidden());
        QVERIFY(button("export")->isEnabled());
        QVERIFY(!child<ElidedLabel>("status")->isHidden());
    }

    void statusLineOfAFinishedVideo()
    {
        VideoInfo info;
        VideoItem *item = new VideoItem(info, m_detail.get());
        for (int i = 0; i < 12; ++i)
            item->insert(Shot{i, double(i), QString(), QString(), {}});
        m_detail->setItem(item);
        item->toggle(3);
        item->toggle(7);
        item->setFailed(1);
        item->setElapsed(3.4);
        item->setStatus(VideoStatus::done);
        QCOMPARE(statusLine(), QStringLiteral("12 shots · Took 3.40 s · 10 selected · 1 couldn't be read"));
        QCOMPARE(button("export")->text(), QStringLiteral("Export 10"));
    }

    void spinnerOnlyWhileWaitingForTheFirstShot()
    {
        m_fixture->engine.holdEachShot();
        QVERIFY(m_fixture->add({"clip.mp4"}));
        VideoItem *item = m_fixture->item("clip.mp4");
        m_detail->setItem(item);
        show();
        const auto *spinner = child<BusySpinner>("spinner");
        QVERIFY(spinner->isVisible());
        QVERIFY(spinner->animating());
        m_fixture->start();
        QTRY_COMPARE_WITH_TIMEOUT(item->status(), VideoStatus::extracting, 5000);
        QVERIFY(spinner->isVisible());
        m_fixture->engine.release();
        QTRY_COMPARE_WITH_TIMEOUT(item->shots().size(), 1, 5000);
        QVERIFY(!spinner->isVisible());
        QVERIFY(!spinner->animating());
    }

    void noShotsAfterExtraction()
    {
        m_fixture->engine.shotIds.clear();
        m_fixture->engine.failed = 12;
        VideoItem *item = showDone();
        QVERIFY(item);
        show();
        QVERIFY(!child<BusySpinner>("spinner")->isVisible());
        QCOMPARE(button("toggleAll")->text(), QStringLiteral("Deselect All"));
        QVERIFY(!button("toggleAll")->isEnabled());
        QVERIFY(!button("export")->isEnabled());
        QVERIFY2(statusLine().endsWith(QStringLiteral(" · 12 couldn't be read")), qPrintable(statusLine()));
    }

    void thumbnailsLoadWhereTheGridLooks()
    {
        QList<qint64> ids(80);
        std::iota(ids.begin(), ids.end(), 0);
        m_fixture->engine.shotIds = ids;
        VideoItem *item = showDone();
        QVERIFY(item);
        show(QSize(600, 400));
        auto *loader = m_detail->findChild<ThumbnailLoader *>();
        const auto thumb = [item](int row) { return item->shots().at(row).thumbFile; };
        QTRY_VERIFY_WITH_TIMEOUT(Thumbnails::lookup(thumb(0)).has_value(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(loader->running() + loader->queued(), 0, 5000);
        // The rows in view and the same number just below; nothing further.
        const auto [first, last] = m_detail->grid()->rowsInView();
        QCOMPARE(first, 0);
        QVERIFY(last < 20);
        QVERIFY(Thumbnails::lookup(thumb(2 * last + 1)).has_value());
        QVERIFY(!Thumbnails::lookup(thumb(2 * last + 2)).has_value());
        QVERIFY(!Thumbnails::lookup(thumb(79)).has_value());
        // Scrolling to the end loads the end.
        m_detail->grid()->scrollToBottom();
        QTRY_VERIFY_WITH_TIMEOUT(Thumbnails::lookup(thumb(79)).has_value(), 5000);
    }

    void clickingACellTogglesIt()
    {
        VideoItem *item = showDone();
        QVERIFY(item);
        show();
        const QColor base = m_detail->grid()->viewport()->palette().color(QPalette::Base);
        // The thumbnails load in the background and then show.
        for (const int row : {1, 2})
            QTRY_VERIFY_WITH_TIMEOUT(TestSupport::near(pixelAt(cellCentre(row)), ScriptedEngine::colour(row).rgb(), 12), 5000);

        QTest::mouseClick(m_detail->grid()->viewport(), Qt::LeftButton, {}, cellCentre(1));
        QCOMPARE(item->deselected(), QSet<qint64>{1});
        QCOMPARE(button("export")->text(), QStringLiteral("Export 11"));
        QCOMPARE(button("toggleAll")->text(), QStringLiteral("Select All"));
        QCOMPARE(m_detail->shots()->index(1).data(ShotListModel::SelectedRole).toBool(), false);
        // Dimmed to 45 % under a veil of the background; its neighbour untouched.
        QTRY_VERIFY(TestSupport::near(pixelAt(cellCentre(1)),
                                      blend(ScriptedEngine::colour(1), base, 0.45).rgb(), 12));
        QVERIFY(TestSupport::near(pixelAt(cellCentre(2)), ScriptedEngine::colour(2).rgb(), 12));
        // An outline keeps the dimmed cell in view whatever its picture: in a
        // dark palette, a cell with no picture at all still stands out.
        QPalette dark = m_detail->grid()->viewport()->palette();
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        m_detail->grid()->viewport()->setPalette(dark);
        Thumbnails::clear();
        const QRect cell = m_detail->grid()->visualRect(m_detail->shots()->index(1));
        const QColor edge = QColor::fromRgb(pixelAt(QPoint(cell.left(), cell.center().y())));
        QVERIFY2(edge.lightness() > 30 + 40, qPrintable(edge.name()));

        QTest::mouseClick(m_detail->grid()->viewport(), Qt::LeftButton, {}, cellCentre(1));
        QVERIFY(item->deselected().isEmpty());
        QCOMPARE(button("export")->text(), QStringLiteral("Export 12"));
        QCOMPARE(button("toggleAll")->text(), QStringLiteral("Deselect All"));
    }

    void clicksBetweenCellsToggleNothing()
    {
        VideoItem *item = showDone();
        QVERIFY(item);
        show();
        const QRect first = m_detail->grid()->visualRect(m_detail->shots()->index(0));
        // In the 12-point gap right of the first cell, and in the inset.
        QTest::mouseClick(m_detail->grid()->viewport(), Qt::LeftButton, {}, QPoint(first.right() + 6, first.center().y()));
        QTest::mouseClick(m_detail->grid()->viewport(), Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(item->deselected().isEmpty());
        // Space toggles the current cell.
        m_detail->grid()->setFocus();
        m_detail->grid()->setCurrentIndex(m_detail->shots()->index(2));
        QTest::keyClick(m_detail->grid()->viewport(), Qt::Key_Space);
        QCOMPARE(item->deselected(), QSet<qint64>{2});
    }

    // Enter or a double click opens the shot large; its keys move, toggle
    // and close back to the same cell, and Escape never reaches the window.
    void viewerKeys()
    {
        VideoItem *item = showDone();
        QVERIFY(item);
        show();
        m_detail->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_detail.get()));
        int backs = 0;
        QAction back;
        back.setShortcut(Qt::Key_Escape);
        m_detail->addAction(&back);
        connect(&back, &QAction::triggered, this, [&backs] { ++backs; });
        ShotGrid *grid = m_detail->grid();
        grid->setFocus();
        grid->setCurrentIndex(m_detail->shots()->index(2));
        QTest::keyClick(grid->viewport(), Qt::Key_Return);
        ShotViewer *viewer = m_detail->viewer();
        QVERIFY(viewer->isVisible());
        QVERIFY(viewer->hasFocus());
        QCOMPARE(viewer->row(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!viewer->picture().isNull(), 5000);
        // A file smaller than the space is shown at its own size, never enlarged.
        QCOMPARE(viewer->picture().size(), QImage(item->shots().at(2).file).size());
        QCOMPARE(viewer->placeText(), QStringLiteral("Shot 3 of 12"));
        QCOMPARE(viewer->timeText(), QStringLiteral("00:00:05.000 · frame 125"));
        QCOMPARE(viewer->selectionText(), QStringLiteral("✓ Selected"));
        QTest::keyClick(viewer, Qt::Key_Right);
        QTest::keyClick(viewer, Qt::Key_Right);
        QTest::keyClick(viewer, Qt::Key_PageUp);
        QCOMPARE(viewer->row(), 3);
        QTest::keyClick(viewer, Qt::Key_Space);
        QCOMPARE(item->deselected(), QSet<qint64>{3});
        QCOMPARE(viewer->selectionText(), QStringLiteral("Not Selected"));
        QTest::keyClick(viewer, Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
        QCOMPARE(backs, 0);
        QCOMPARE(grid->currentIndex().row(), 3);
        QVERIFY(grid->hasFocus());

        // A double click opens the cell and leaves its selection as it was.
        const QPoint cell = grid->visualRect(m_detail->shots()->index(5)).center();
        // As a window system delivers it: a click, a press, the double
        // click, the release.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cell);
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->row(), 5);
        QCOMPARE(item->deselected(), QSet<qint64>{3});
        QCOMPARE(item->history()->count(), 1);
        // Tab moves on: the viewer closes instead of leaving its keys to
        // the grid beneath it.
        QTest::keyClick(viewer, Qt::Key_Tab);
        QVERIFY(!viewer->isVisible());
    }

    // On a real video: a moment picked on the timeline, moved a frame,
    // added as a shot in its place, exported with its time, undone.
    void timelineAddsAnyFrame()
    {
        const QString clip = TestVideos::make({.width = 320, .height = 240, .seconds = 4, .gop = 60, .bframes = true});
        QVERIFY(!clip.isEmpty());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("clip.mp4"));
        QVERIFY(QFile::copy(clip, path));
        m_detail.reset();
        m_realModel = std::make_unique<AppModel>(Engine::ffmpeg(), nullptr);
        AppModel &model = *m_realModel;
        ExtractSettings settings;
        settings.count = 3;
        model.apply(settings);
        model.add({QUrl::fromLocalFile(path)});
        QTRY_VERIFY_WITH_TIMEOUT(!model.videos().isEmpty() && model.videos().first()->status() == VideoStatus::done,
                                 30000);
        VideoItem *item = model.videos().first();
        QCOMPARE(item->shots().size(), 3);
        m_detail = std::make_unique<VideoDetail>(model);
        m_detail->setItem(item);
        show();
        Timeline *timeline = m_detail->timeline();
        ShotViewer *viewer = m_detail->viewer();
        // Between the first two shots, clear of their marks.
        const double first = item->shots().at(0).time, second = item->shots().at(1).time;
        const int x = int(timeline->xOf((first + second) / 2));
        QCOMPARE(timeline->markAt(x), -1);
        QTest::mouseMove(timeline, {x, timeline->height() / 2});
        QTRY_VERIFY_WITH_TIMEOUT(!timeline->previewPicture().isNull(), 10000);
        QTest::mouseClick(timeline, Qt::LeftButton, {}, {x, timeline->height() / 2});
        QVERIFY(viewer->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(viewer->momentFrame().has_value(), 10000);
        const int frame = TestVideos::frameNumber(viewer->picture());
        QCOMPARE(frame, int(std::floor(timeline->timeAt(x) * 30)));
        QCOMPARE(viewer->placeText(), QStringLiteral("Not a Shot"));
        QTest::keyClick(viewer, Qt::Key_Period);
        QTRY_COMPARE_WITH_TIMEOUT(TestVideos::frameNumber(viewer->picture()), frame + 1, 10000);
        QVERIFY(m_detail->addShotButton()->isEnabled());
        QTest::keyClick(viewer, Qt::Key_A);
        QTRY_COMPARE_WITH_TIMEOUT(item->shots().size(), 4, 10000);
        const Shot added = item->shots().at(1);
        QCOMPARE(added.id, 3);
        QVERIFY(added.file.contains(QStringLiteral("/added-")));
        QCOMPARE(TestVideos::frameNumber(QImage(added.file)), frame + 1);
        QCOMPARE(item->selectedShots().size(), 4);
        QTRY_COMPARE(viewer->row(), 1);
        QVERIFY(!m_detail->addShotButton()->isEnabled());
        // The same frame is never a second shot.
        bool refused = false;
        [](AppModel &m, VideoItem *v, QImage f, double t, bool *out) -> QCoro::Task<> {
            *out = !(co_await m.addShot(v, f, t)).has_value();
        }(model, item, viewer->picture(), added.time, &refused);
        QTRY_VERIFY(refused);
        QCOMPARE(item->shots().size(), 4);
        // Left goes to the shot before; an export names the new one by its time.
        QTest::keyClick(viewer, Qt::Key_Left);
        QCOMPARE(viewer->row(), 0);
        QTemporaryDir out;
        const ShotFolderWriter::Outcome written =
            ShotFolderWriter::write(QStringLiteral("clip"), item->selectedShots(), out.path());
        QCOMPARE(written.copied, 4);
        QVERIFY(QDir(written.folder).entryList(QDir::Files).contains(
            ShotFolderWriter::fileName(QStringLiteral("clip"), 2, added.time, QStringLiteral("jpg"))));
        // Undo takes it out, redo brings back the same picture.
        model.undo();
        QCOMPARE(item->shots().size(), 3);
        model.redo();
        QCOMPARE(item->shots().at(1).file, added.file);
        QTest::keyClick(viewer, Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
        // From the keyboard: a second before the end.
        timeline->setFocus();
        QTest::keyClick(timeline, Qt::Key_End);
        QTest::keyClick(timeline, Qt::Key_Left);
        QTest::keyClick(timeline, Qt::Key_Return);
        QVERIFY(viewer->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(viewer->momentFrame().has_value(), 10000);
        QCOMPARE(TestVideos::frameNumber(viewer->picture()), int(std::floor((item->info().duration - 1) * 30)));
    }

    void gridGeometryFollowsTheWidth_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("columns");
        QTest::addColumn<double>("aspect");
        // Grid width = pane width − vertical scroll bar; W = that − 2 × 16.
        QTest::newRow("0 x 0 gives 16:9") << "zero.mp4" << QSizeF(0, 0) << 700 << 3 << 16.0 / 9.0;
        QTest::newRow("portrait") << "tall.mp4" << QSizeF(1080, 1920) << 500 << 2 << 0.5625;
        QTest::newRow("narrow") << "wide.mp4" << QSizeF(1920, 1080) << 260 << 1 << 16.0 / 9.0;
    }
    void gridGeometryFollowsTheWidth()
    {
        QFETCH(QString, file);
        QFETCH(QSizeF, size);
        QFETCH(int, width);
        QFETCH(int, columns);
        QFETCH(double, aspect);
        m_fixture->engine.sizes.insert(file, size);
        QVERIFY(showDone(file));
        show(QSize(width, 500));
        ShotGrid *grid = m_detail->grid();
        QCOMPARE(grid->cellAspect(), aspect);
        const double inner = grid->viewport()->width() - 32;
        QCOMPARE(grid->columns(), GridGeometry::columns(inner));
        QCOMPARE(grid->columns().count, columns);
        const QRect first = grid->visualRect(m_detail->shots()->index(0));
        QCOMPARE(first.topLeft(), QPoint(16, 16));
        QVERIFY(qAbs(first.width() - grid->columns().width) <= 1);
        QVERIFY(qAbs(first.height() - grid->columns().width / aspect) <= 1);
        // The next row starts 12 below.
        const QRect below = grid->visualRect(m_detail->shots()->index(columns));
        QVERIFY(qAbs(below.top() - (first.bottom() + 1 + 12)) <= 1);
        QCOMPARE(grid->indexAt(first.center()).row(), 0);
        QCOMPARE(grid->indexAt(below.center()).row(), columns);
    }

    void outOfOrderShotsAreInsertedInOrder()
    {
        m_fixture->engine.shotIds = {3, 1, 2, 0, 5, 4};
        QVERIFY(m_fixture->add({"clip.mp4"}));
        VideoItem *item = m_fixture->item("clip.mp4");
        m_detail->setItem(item);
        QAbstractItemModelTester tester(m_detail->shots(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(m_detail->shots(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(m_detail->shots(), &QAbstractItemModel::rowsInserted);
        QList<int> insertedAt;
        connect(m_detail->shots(), &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex &, int first, int) { insertedAt.append(first); });
        m_fixture->start();
        QTRY_COMPARE_WITH_TIMEOUT(item->status(), VideoStatus::done, 5000);
        QCOMPARE(shownIds(m_detail->shots()), (QList<qint64>{0, 1, 2, 3, 4, 5}));
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserts.count(), 6);
        QCOMPARE(insertedAt, (QList<int>{0, 0, 1, 0, 4, 4}));
    }

    void arrivingShotsKeepTheScrollPosition()
    {
        QList<qint64> ids;
        for (qint64 id = 79; id >= 0; --id)
            ids.append(id);
        m_fixture->engine.shotIds = ids;
        m_fixture->engine.holdEachShot();
        QVERIFY(m_fixture->add({"clip.mp4"}));
        VideoItem *item = m_fixture->item("clip.mp4");
        m_detail->setItem(item);
        show();
        m_fixture->start(80);
        m_fixture->engine.release(40);
        QTRY_COMPARE_WITH_TIMEOUT(item->shots().size(), 40, 5000);
        QScrollBar *bar = m_detail->grid()->verticalScrollBar();
        QVERIFY(bar->maximum() > 300);
        bar->setValue(300);
        QSignalSpy resets(m_detail->shots(), &QAbstractItemModel::modelReset);
        const int maximum = bar->maximum();
        m_fixture->engine.release(41);
        QTRY_COMPARE_WITH_TIMEOUT(item->status(), VideoStatus::done, 5000);
        QCOMPARE(bar->value(), 300);
        QVERIFY(bar->maximum() > maximum);
        QCOMPARE(resets.count(), 0);
    }

    void resetEmptiesTheGrid()
    {
        VideoItem *item = showDone();
        QVERIFY(item);
        QAbstractItemModelTester tester(m_detail->shots(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(m_detail->shots(), &QAbstractItemModel::modelReset);
        m_fixture->engine.holdEachShot();
        m_fixture->start(13); // new settings: the item is reset and extracted again
        QTRY_COMPARE_WITH_TIMEOUT(m_detail->shots()->rowCount(), 0, 5000);
        QCOMPARE(resets.count(), 1);
        m_fixture->engine.release(2);
        QTRY_COMPARE_WITH_TIMEOUT(m_detail->shots()->rowCount(), 2, 5000);
        QCOMPARE(resets.count(), 1);
    }

    void lateThumbnailIsNeverShown()
    {
        // Video "a" has red shot thumbnails; video "b" has shots whose
        // thumbnail files never appear.
        m_fixture->engine.shotIds = {0};
        QVERIFY(m_fixture->add({"a.mp4"}));
        m_fixture->start();
        VideoItem *a = m_fixture->item("a.mp4");
        QTRY_COMPARE_WITH_TIMEOUT(a->status(), VideoStatus::done, 5000);
        m_fixture->engine.files = ScriptedEngine::Files::picturePaths;
        QVERIFY(m_fixture->add({"b.mp4"}));
        VideoItem *b = m_fixture->item("b.mp4");
        QTRY_COMPARE_WITH_TIMEOUT(b->status(), VideoStatus::done, 5000);
        const QString red = a->shots().first().thumbFile;

        // A large picture, so its load is still running when "b" replaces "a".
        QImage large(6000, 3375, QImage::Format_RGB32);
        large.fill(ScriptedEngine::colour(0));
        QVERIFY(ImageFiles::writeJpeg(large, red, 0.9));

        show();
        auto *loader = m_detail->findChild<ThumbnailLoader *>();
        QVERIFY(loader);
        m_detail->setItem(a);
        QCoreApplication::processEvents(); // the grid schedules a's load
        QCOMPARE(loader->running(), 1);
        m_detail->setItem(b);
        m_detail->grid()->viewport()->repaint();
        QVERIFY(!Thumbnails::lookup(red));
        QTRY_VERIFY_WITH_TIMEOUT(Thumbnails::lookup(red).has_value(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(loader->running(), 0, 5000);
        QTest::qWait(20);

        const QPalette palette = m_detail->grid()->viewport()->palette();
        const QColor placeholder =
            blend(ThumbnailView::placeholder(palette), palette.color(QPalette::Base),
                  ThumbnailView::placeholder(palette).alphaF());
        const QRgb shown = pixelAt(cellCentre(0));
        QVERIFY2(TestSupport::near(shown, placeholder.rgb(), 8),
                 qPrintable(QStringLiteral("%1").arg(shown, 8, 16)));
        // The late image is cached, and shows for the video it belongs to.
        m_detail->setItem(a);
        QTRY_VERIFY(TestSupport::near(pixelAt(cellCentre(0)), ScriptedEngine::colour(0).rgb(), 12));
    }

    void contextMenuCopiesTheFullImage()
    {
        QVERIFY(showDone());
        std::unique_ptr<QMenu> menu = m_detail->menuFor(2);
        QVERIFY(menu);
        QStringList texts;
        for (const QAction *action : menu->actions())
            texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(texts, (QStringList{"Open in Image Viewer", "Copy Image", "-", "Previous Frame", "Next Frame",
                                     "1 Second Earlier", "1 Second Later"}));
        QGuiApplication::clipboard()->clear();
        menu->actions().at(1)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!QGuiApplication::clipboard()->image().isNull(), 5000);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(480, 270));
        QVERIFY(TestSupport::near(copied.pixel(240, 135), ScriptedEngine::colour(2).rgb(), 12));
        QVERIFY(!m_detail->menuFor(12));
        QVERIFY(!m_detail->menuFor(-1));
    }

    void copyingAMissingFileLeavesTheClipboard()
    {
        m_fixture->engine.files = ScriptedEngine::Files::picturePaths;
        QVERIFY(showDone());
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        m_detail->menuFor(0)->actions().at(1)->trigger();
        QTest::qWait(200);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    }
};

QTEST_MAIN(VideoDetailTest)
#include "tst_videodetail.moc"
