#include "basics/TempRoot.h"
#include "model/VideoItem.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class VideoItemTest : public QObject {
    Q_OBJECT

    static std::unique_ptr<VideoItem> make()
    {
        VideoInfo info;
        info.url = QUrl::fromLocalFile(QStringLiteral("/videos/clip.mp4"));
        info.duration = 60;
        return std::unique_ptr<VideoItem>(new VideoItem(info));
    }
    static Shot shot(qint64 id, double time = 0)
    {
        return Shot{id, time, QStringLiteral("/w/%1.jpg").arg(id), QStringLiteral("/w/%1_thumb.jpg").arg(id), {}};
    }
    static QList<qint64> ids(const QList<Shot> &shots)
    {
        QList<qint64> result;
        for (const Shot &s : shots)
            result.append(s.id);
        return result;
    }

private slots:
    void cleanupTestCase() { TempRoot::remove(); }

    void newItemIsPending()
    {
        const auto a = make();
        const auto b = make();
        QVERIFY(!a->id().isNull());
        QVERIFY(a->id() != b->id());
        QCOMPARE(a->status(), VideoStatus::pending);
        QCOMPARE(a->total(), 0);
        QCOMPARE(a->generation(), 0);
        QVERIFY(!a->elapsed());
        QVERIFY(!a->workDir());
    }

    void insertKeepsIdOrder_data()
    {
        QTest::addColumn<QList<qint64>>("arrival");
        QTest::addColumn<QList<qint64>>("expected");
        QTest::newRow("3,1,2") << QList<qint64>{3, 1, 2} << QList<qint64>{1, 2, 3};
        QTest::newRow("descending") << QList<qint64>{9, 5, 0} << QList<qint64>{0, 5, 9};
        QTest::newRow("gap filled") << QList<qint64>{0, 10, 4, 1999} << QList<qint64>{0, 4, 10, 1999};
    }
    void insertKeepsIdOrder()
    {
        QFETCH(QList<qint64>, arrival);
        QFETCH(QList<qint64>, expected);
        const auto item = make();
        QSignalSpy shots(item.get(), &VideoItem::shotsChanged);
        for (qint64 id : arrival)
            item->insert(shot(id));
        QCOMPARE(ids(item->shots()), expected);
        QCOMPARE(shots.count(), arrival.size());
    }

    void equalIdGoesAfterTheExistingOne()
    {
        const auto item = make();
        item->insert(shot(2, 1.0));
        item->insert(shot(1));
        item->insert(shot(2, 2.0));
        QCOMPARE(ids(item->shots()), (QList<qint64>{1, 2, 2}));
        QCOMPARE(item->shots().at(1).time, 1.0);
        QCOMPARE(item->shots().at(2).time, 2.0);
    }

    void toggleAll()
    {
        const auto item = make();
        QSignalSpy spy(item.get(), &VideoItem::deselectedChanged);
        // No shots, nothing deselected: nothing changes, nobody hears of it.
        item->toggleAll();
        QCOMPARE(spy.count(), 0);
        QVERIFY(item->deselected().isEmpty());

        for (qint64 id : {0, 1, 2})
            item->insert(shot(id));
        item->toggleAll();
        QCOMPARE(item->deselected(), (QSet<qint64>{0, 1, 2}));
        QVERIFY(item->selectedShots().isEmpty());
        item->toggleAll();
        QVERIFY(item->deselected().isEmpty());
        QCOMPARE(spy.count(), 2);

        // One deselected shot is enough for "select all".
        item->toggle(1);
        item->toggleAll();
        QVERIFY(item->deselected().isEmpty());
        QCOMPARE(spy.count(), 4);
    }

    // Weak shots leave the rest of the selection as it is; a second run
    // changes nothing; the count lasts until the selection changes otherwise.
    void deselectWeakShots()
    {
        const auto item = make();
        const auto scored = [](qint64 id, float spread, int tiny) {
            Shot s = shot(id, double(id));
            s.score = ShotScore{true, 120, spread, 100, QByteArray(144, char(tiny))};
            return s;
        };
        // 1 is flat, 3 repeats 2.
        item->setShots({scored(0, 40, 10), scored(1, 1, 80), scored(2, 40, 150), scored(3, 40, 150),
                        scored(4, 40, 220)});
        item->toggle(4);
        QSignalSpy changes(item.get(), &VideoItem::deselectedChanged);
        QCOMPARE(item->deselectWeak(), 2);
        QCOMPARE(item->deselected(), (QSet<qint64>{1, 3, 4}));
        QCOMPARE(item->weakDeselected(), std::optional<qint64>(2));
        QCOMPARE(item->deselectWeak(), 2);
        QCOMPARE(changes.count(), 1);
        item->history()->undo();
        QCOMPARE(item->deselected(), QSet<qint64>{4});
        QVERIFY(!item->weakDeselected());
        item->history()->redo();
        QCOMPARE(item->weakDeselected(), std::optional<qint64>(2));
        item->selectAll();
        QCOMPARE(item->deselected(), QSet<qint64>{});
        QVERIFY(!item->weakDeselected());
        item->deselectWeak();
        item->deselectAll();
        QCOMPARE(item->deselected(), (QSet<qint64>{0, 1, 2, 3, 4}));
        QVERIFY(!item->weakDeselected());
        item->deselectWeak();
        QCOMPARE(item->weakDeselected(), std::optional<qint64>(2));
        item->reset();
        QVERIFY(!item->weakDeselected());
    }

    // Every change by hand is one entry of the history; undo gives back the
    // exact earlier selection and shot, redo the change; reset forgets all.
    void historyUndoesEveryChange()
    {
        const auto item = make();
        item->setShots({shot(0, 0), shot(1, 1), shot(2, 2)});
        QVERIFY(!item->handEdited());
        item->toggle(1);
        item->deselectAll();
        item->selectAll();
        const Shot moved{2, 2.04, QStringLiteral("/w/step/2.jpg"), QStringLiteral("/w/step/2_thumb.jpg"), {}};
        QVERIFY(item->moveShot(item->shots().at(2), moved));
        QVERIFY(!item->moveShot(shot(9), shot(9)));
        QVERIFY(item->handEdited());
        QCOMPARE(item->history()->count(), 4);
        QCOMPARE(item->shots().at(2).file, moved.file);
        item->history()->undo();
        QCOMPARE(item->shots().at(2).time, 2.0);
        QCOMPARE(item->shots().at(2).thumbFile, shot(2).thumbFile);
        item->history()->undo();
        QCOMPARE(item->deselected(), (QSet<qint64>{0, 1, 2}));
        item->history()->undo();
        QCOMPARE(item->deselected(), QSet<qint64>{1});
        item->history()->undo();
        QVERIFY(item->deselected().isEmpty());
        QVERIFY(!item->history()->canUndo());
        QVERIFY(!item->handEdited());
        item->history()->redo();
        QCOMPARE(item->deselected(), QSet<qint64>{1});

        // What was taken out no longer counts, unless changed since; a
        // toggle straight back leaves no entry.
        const qint64 exported = item->edits();
        item->toggle(0);
        item->takenOut(exported);
        QVERIFY(item->handEdited());
        item->takenOut(item->edits());
        QVERIFY(!item->handEdited());
        const int entries = item->history()->count();
        item->toggle(2);
        item->toggle(2);
        QCOMPARE(item->history()->count(), entries);
        QVERIFY(!item->handEdited());
        item->reset();
        QCOMPARE(item->history()->count(), 0);
        QVERIFY(!item->handEdited());
    }

    void addedShotsTakeTheirPlaceAndNewIds()
    {
        const auto item = make();
        item->setTotal(3);
        item->setShots({shot(0, 0), shot(1, 10), shot(2, 20)});
        QCOMPARE(item->nextShotId(), 3);
        QVERIFY(item->addShot(shot(3, 15)));
        QVERIFY(item->addShot(shot(4, 5)));
        QVERIFY(!item->addShot(shot(4, 7)));
        QCOMPARE(ids(item->shots()), (QList<qint64>{0, 4, 1, 3, 2}));
        QCOMPARE(ids(item->selectedShots()), ids(item->shots()));
        QVERIFY(item->handEdited());
        item->toggle(3);
        item->history()->undo();
        item->history()->undo();
        QCOMPARE(ids(item->shots()), (QList<qint64>{0, 1, 3, 2}));
        // An undone shot's id is not given again while it can be redone.
        QCOMPARE(item->nextShotId(), 5);
        item->history()->redo();
        QCOMPARE(ids(item->shots()), (QList<qint64>{0, 4, 1, 3, 2}));
        QCOMPARE(item->shots().at(1).file, shot(4).file);
        item->reset();
        item->setTotal(3);
        QCOMPARE(item->nextShotId(), 3);
    }

    void toggleTwiceRestores()
    {
        const auto item = make();
        for (qint64 id : {1, 2, 3})
            item->insert(shot(id));
        QSignalSpy spy(item.get(), &VideoItem::deselectedChanged);
        item->toggle(2);
        QCOMPARE(ids(item->selectedShots()), (QList<qint64>{1, 3}));
        item->toggle(2);
        QCOMPARE(ids(item->selectedShots()), (QList<qint64>{1, 2, 3}));
        QCOMPARE(spy.count(), 2);
        // Ids are not checked against the shots.
        item->toggle(77);
        QCOMPARE(item->deselected(), QSet<qint64>{77});
        QCOMPARE(item->selectedShots().size(), 3);
    }

    void resetReturnsToPendingAndDeletesTheFolder()
    {
        const auto item = make();
        const auto dir = TempRoot::createWorkFolder();
        QVERIFY(dir);
        QVERIFY(TestSupport::writeFile(*dir + "/0001.jpg", "jpg"));
        item->setWorkDir(dir);
        item->setTotal(3);
        item->setStatus(VideoStatus::done);
        item->setFailed(1);
        item->setElapsed(2.5);
        item->insert(shot(1));
        item->insert(shot(2));
        item->toggle(1);

        QSignalSpy generation(item.get(), &VideoItem::generationChanged);
        QSignalSpy shots(item.get(), &VideoItem::shotsChanged);
        QSignalSpy status(item.get(), &VideoItem::statusChanged);
        QSignalSpy workDir(item.get(), &VideoItem::workDirChanged);
        item->reset();
        QCOMPARE(item->generation(), 1);
        QVERIFY(item->shots().isEmpty());
        QVERIFY(item->deselected().isEmpty());
        QCOMPARE(item->status(), VideoStatus::pending);
        QCOMPARE(item->total(), 0);
        QCOMPARE(item->failed(), 0);
        QVERIFY(!item->elapsed());
        QVERIFY(!item->workDir());
        QVERIFY(!QFileInfo::exists(*dir));
        QCOMPARE(generation.count(), 1);
        QCOMPARE(shots.count(), 1);
        QCOMPARE(status.count(), 1);
        QCOMPARE(workDir.count(), 1);

        // Shots of the next run start selected even when ids repeat.
        item->insert(shot(1));
        QCOMPARE(item->selectedShots().size(), 1);
    }

    void resetWithoutFolderStillCountsAGeneration()
    {
        const auto item = make();
        QSignalSpy generation(item.get(), &VideoItem::generationChanged);
        QSignalSpy status(item.get(), &VideoItem::statusChanged);
        QSignalSpy workDir(item.get(), &VideoItem::workDirChanged);
        item->reset();
        item->reset();
        QCOMPARE(item->generation(), 2);
        QCOMPARE(generation.count(), 2);
        QCOMPARE(status.count(), 0);
        QCOMPARE(workDir.count(), 0);
    }

    void equalWritesNotifyNobody()
    {
        const auto item = make();
        QSignalSpy status(item.get(), &VideoItem::statusChanged);
        QSignalSpy total(item.get(), &VideoItem::totalChanged);
        QSignalSpy failed(item.get(), &VideoItem::failedChanged);
        QSignalSpy elapsed(item.get(), &VideoItem::elapsedChanged);
        QSignalSpy workDir(item.get(), &VideoItem::workDirChanged);
        QSignalSpy shots(item.get(), &VideoItem::shotsChanged);
        for (int i = 0; i < 2; ++i) {
            item->setStatus(VideoStatus::extracting);
            item->setTotal(24);
            item->setFailed(2);
            item->setElapsed(1.5);
            item->setWorkDir(QStringLiteral("/nowhere"));
            item->setShots({});
        }
        QCOMPARE(status.count(), 1);
        QCOMPARE(total.count(), 1);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(elapsed.count(), 1);
        QCOMPARE(workDir.count(), 1);
        // Lists without equality notify on every write.
        QCOMPARE(shots.count(), 2);
    }
};

QTEST_GUILESS_MAIN(VideoItemTest)
#include "tst_videoitem.moc"
