// The two list models without a view: each change of the item or the model
// becomes exactly the row inserts, removals or resets that keep a view's
// scroll position, and QAbstractItemModelTester checks every step.
#include "ui/ShotListModel.h"
#include "ui/VideoListModel.h"
#include "WorkspaceFixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

QList<Shot> shots(const QList<qint64> &ids)
{
    QList<Shot> result;
    for (qint64 id : ids)
        result.append(Shot{id, double(id), QString(), QString(), {}});
    return result;
}

// "first+count" for each rowsInserted or rowsRemoved the spy saw.
QStringList ranges(const QSignalSpy &spy)
{
    QStringList result;
    for (const QList<QVariant> &args : spy)
        result.append(QStringLiteral("%1+%2").arg(args.at(1).toInt()).arg(args.at(2).toInt() - args.at(1).toInt() + 1));
    return result;
}

} // namespace

class ListModelsTest : public QObject {
    Q_OBJECT

private slots:
    void shotRowsFollowTheItem_data()
    {
        QTest::addColumn<QList<qint64>>("before");
        QTest::addColumn<QList<qint64>>("arriving");
        QTest::addColumn<QStringList>("inserted");
        QTest::newRow("first shot") << QList<qint64>{} << QList<qint64>{5} << QStringList{"0+1"};
        QTest::newRow("arrives last") << QList<qint64>{0, 1} << QList<qint64>{2} << QStringList{"2+1"};
        QTest::newRow("arrives first") << QList<qint64>{1, 2} << QList<qint64>{0} << QStringList{"0+1"};
        QTest::newRow("two between") << QList<qint64>{0, 3} << QList<qint64>{2, 1} << QStringList{"1+1", "1+1"};
        QTest::newRow("three gaps") << QList<qint64>{1, 3} << QList<qint64>{4, 0, 2} << QStringList{"2+1", "0+1", "2+1"};
    }
    // Shots arriving one by one are one-row inserts at their sorted place.
    void shotRowsFollowTheItem()
    {
        QFETCH(QList<qint64>, before);
        QFETCH(QList<qint64>, arriving);
        QFETCH(QStringList, inserted);
        VideoItem item(VideoInfo{});
        item.setShots(shots(before));
        ShotListModel model;
        model.setItem(&item);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
        for (const Shot &shot : shots(arriving))
            item.insert(shot);
        QCOMPARE(ranges(inserts), inserted);
        QCOMPARE(resetSpy.count(), 0);
        QList<qint64> shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown.append(model.index(row).data(ShotListModel::IdRole).toLongLong());
        QList<qint64> all = before + arriving;
        std::sort(all.begin(), all.end());
        QCOMPARE(shown, all);
    }

    // A removed shot is one removed row and leaves the selection; shots
    // replaced at once are a reset.
    void removedAndResetShots()
    {
        VideoItem item(VideoInfo{});
        item.setShots(shots({0, 1, 2}));
        item.toggle(1);
        ShotListModel model;
        model.setItem(&item);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
        QVERIFY(item.remove(1));
        QVERIFY(!item.remove(1));
        QCOMPARE(ranges(removals), QStringList{"1+1"});
        QVERIFY(item.deselected().isEmpty());
        QCOMPARE(model.index(1).data(ShotListModel::IdRole).toLongLong(), 2);
        QCOMPARE(resetSpy.count(), 0);
        item.reset();
        QCOMPARE(resetSpy.count(), 1);
        QCOMPARE(model.rowCount(), 0);
    }

    // A shot moved to another frame keeps its row; only that row changes.
    void replacedShotChangesOneRow()
    {
        VideoItem item(VideoInfo{});
        item.setShots(shots({0, 1, 2}));
        ShotListModel model;
        model.setItem(&item);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
        QVERIFY(item.replace(Shot{1, 1.04, QStringLiteral("/w/step/0000.jpg"), QStringLiteral("/w/step/0000_thumb.jpg"), {}}));
        QVERIFY(!item.replace(Shot{7, 0, {}, {}, {}}));
        QCOMPARE(resetSpy.count(), 0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 1);
        QCOMPARE(model.index(1).data(ShotListModel::ThumbFileRole).toString(), QStringLiteral("/w/step/0000_thumb.jpg"));
    }

    // Cells read whole seconds; the tooltip tells which frame it is.
    void toolTipGivesTheExactTimeAndFrame()
    {
        VideoInfo info;
        info.fps = 25;
        VideoItem item(info);
        item.setShots({Shot{0, 3.04, QStringLiteral("/w/0000.jpg"), QStringLiteral("/w/0000_thumb.jpg"), {}}});
        ShotListModel model;
        model.setItem(&item);
        QCOMPARE(model.index(0).data(Qt::DisplayRole).toString(), QStringLiteral("00:03"));
        QCOMPARE(model.index(0).data(Qt::ToolTipRole).toString(), QStringLiteral("00:00:03.040 · frame 76"));
        // A measured shot also tells how weak-shot detection sees it.
        ShotScore sharp{true, 120, 40, 500, QByteArray(144, char(10))};
        sharp.acuity = 0.8f;
        ShotScore soft = sharp;
        soft.tiny = QByteArray(144, char(90));
        soft.acuity = 0.3f;
        item.setShots({Shot{0, 1, {}, {}, sharp}, Shot{1, 2, {}, {}, soft}});
        QCOMPARE(model.index(1).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("00:00:02.000 · frame 50\nBrightness 120 · Contrast 40 · Sharpness 0.30 · Weak: blurry"));
    }

    void videoRowsFollowTheModel_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("inserted");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<int>("resets");
        QTest::newRow("open another") << "add d.mp4" << QStringList{"a.mp4", "b.mp4", "c.mp4", "d.mp4"}
                                      << QStringList{"3+1"} << QStringList{} << 0;
        QTest::newRow("open an open one") << "add b.mp4" << QStringList{"a.mp4", "b.mp4", "c.mp4"} << QStringList{}
                                          << QStringList{} << 0;
        QTest::newRow("remove the middle") << "remove b.mp4" << QStringList{"a.mp4", "c.mp4"} << QStringList{}
                                           << QStringList{"1+1"} << 0;
        QTest::newRow("remove the first") << "remove a.mp4" << QStringList{"b.mp4", "c.mp4"} << QStringList{}
                                          << QStringList{"0+1"} << 0;
        QTest::newRow("close all") << "closeAll" << QStringList{} << QStringList{} << QStringList{} << 1;
    }
    void videoRowsFollowTheModel()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, after);
        QFETCH(QStringList, inserted);
        QFETCH(QStringList, removed);
        QFETCH(int, resets);
        ModelFixture fixture;
        QVERIFY(fixture.add({"a.mp4", "b.mp4", "c.mp4"}));
        VideoListModel model(*fixture.model);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
        const QString name = change.section(' ', 1);
        if (change.startsWith(QLatin1String("add")))
            QVERIFY(fixture.add({name}));
        else if (change.startsWith(QLatin1String("remove")))
            fixture.model->remove(fixture.item(name));
        else
            fixture.model->closeAll();
        QCOMPARE(ranges(inserts), inserted);
        QCOMPARE(ranges(removals), removed);
        QCOMPARE(resetSpy.count(), resets);
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown.append(model.index(row).data().toString());
        QCOMPARE(shown, after);
    }
};

QTEST_GUILESS_MAIN(ListModelsTest)
#include "tst_listmodels.moc"
