#include "app/Translations.h"
#include "basics/Planning.h"
#include "basics/ScenePlanning.h"
#include "basics/Stepping.h"

#include <QCoreApplication>
#include <QTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(std::vector<ScenePlanning::Cut>)
Q_DECLARE_METATYPE(std::vector<double>)

class PlanningTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(QLocale(QLocale::English)); }

    void countMode_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<double>("duration");
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("5 over 10") << qint64(5) << 10.0 << QList<double>{1, 3, 5, 7, 9};
        QTest::newRow("1 over 7") << qint64(1) << 7.0 << QList<double>{3.5};
        QTest::newRow("0 is one shot") << qint64(0) << 7.0 << QList<double>{3.5};
        QTest::newRow("negative is one shot") << qint64(-3) << 7.0 << QList<double>{3.5};
        QTest::newRow("zero duration") << qint64(3) << 0.0 << QList<double>{0, 0, 0};
    }
    void countMode()
    {
        QFETCH(qint64, count);
        QFETCH(double, duration);
        QFETCH(QList<double>, expected);
        QCOMPARE(Planning::times(ExtractMode::count, 999, count, duration), expected);
    }

    void countModeIsCappedAt2000()
    {
        const QList<double> times = Planning::times(ExtractMode::count, 10, 5000, 100);
        QCOMPARE(times.size(), 2000);
        QCOMPARE(times.first(), 0.025);
        QCOMPARE(times.last(), 99.975);
    }

    void countModeOperationOrder()
    {
        // (i + 0.5) * duration / n, in that order: for i = 1, n = 3 and a
        // duration of 0.1 this gives 0.05000000000000001, which the
        // algebraically equal (i + 0.5) / n * duration (exactly 0.05)
        // does not.
        const QList<double> times = Planning::times(ExtractMode::count, 0, 3, 0.1);
        QCOMPARE(times.size(), 3);
        QVERIFY(times[1] == (1 + 0.5) * 0.1 / 3);
        QVERIFY(times[1] != (1 + 0.5) / 3 * 0.1);
    }

    void intervalMode_data()
    {
        QTest::addColumn<double>("interval");
        QTest::addColumn<double>("duration");
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("2 over 10 leaves out 10") << 2.0 << 10.0 << QList<double>{2, 4, 6, 8};
        QTest::newRow("2 over 10.06 takes 10") << 2.0 << 10.06 << QList<double>{2, 4, 6, 8, 10};
        QTest::newRow("5 over 4 falls back to the middle") << 5.0 << 4.0 << QList<double>{2};
        QTest::newRow("end equal to step falls back") << 1.0 << 1.05 << QList<double>{0.525};
    }
    void intervalMode()
    {
        QFETCH(double, interval);
        QFETCH(double, duration);
        QFETCH(QList<double>, expected);
        QCOMPARE(Planning::times(ExtractMode::interval, interval, 999, duration), expected);
    }

    void intervalBelowATenthActsAsATenth_data()
    {
        QTest::addColumn<double>("interval");
        QTest::newRow("0.05") << 0.05;
        QTest::newRow("0") << 0.0;
        QTest::newRow("negative") << -4.0;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
    }
    void intervalBelowATenthActsAsATenth()
    {
        QFETCH(double, interval);
        const QList<double> times = Planning::times(ExtractMode::interval, interval, 0, 1);
        // Repeated addition of 0.1: the same sums the loop must produce.
        QList<double> expected;
        for (double t = 0.1; 0.95 > t; t = t + 0.1)
            expected << t;
        QCOMPARE(times, expected);
        QCOMPARE(times.size(), 9);
        QVERIFY(times.last() < 0.95);
    }

    void intervalUsesRepeatedAddition()
    {
        const QList<double> times = Planning::times(ExtractMode::interval, 0.1, 0, 3600);
        QCOMPARE(times.size(), 2000);
        double sum = 0.1;
        for (int i = 1; i < 2000; ++i)
            sum = sum + 0.1;
        // The 2000th sum differs from 2000 * 0.1 in its last bits; the plan
        // must carry the accumulated value, not the product.
        QVERIFY(sum != 2000 * 0.1);
        QCOMPARE(times.last(), sum);
        QVERIFY(std::abs(times.last() - 200) < 1e-9);
    }

    void badDurationsStillGiveAFinitePlan_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("duration");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        for (int mode : {int(ExtractMode::interval), int(ExtractMode::count)}) {
            const char *name = mode == int(ExtractMode::interval) ? "interval" : "count";
            QTest::addRow("%s NaN", name) << mode << nan;
            QTest::addRow("%s +inf", name) << mode << inf;
            QTest::addRow("%s -inf", name) << mode << -inf;
            QTest::addRow("%s negative", name) << mode << -30.0;
        }
    }
    void badDurationsStillGiveAFinitePlan()
    {
        QFETCH(int, mode);
        QFETCH(double, duration);
        const QList<double> times = Planning::times(ExtractMode(mode), 0.1, 5000, duration);
        QVERIFY(!times.isEmpty());
        QVERIFY(times.size() <= 2000);
        for (double t : times)
            QVERIFY(std::isfinite(t) && t >= 0);
    }

    void shotCountReadsAsEnglishPlural_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "0 shots";
        QTest::newRow("1") << qint64(1) << "1 shot";
        QTest::newRow("12") << qint64(12) << "12 shots";
        QTest::newRow("2000") << qint64(2000) << "2000 shots";
    }
    void shotCountReadsAsEnglishPlural()
    {
        QFETCH(qint64, n);
        QFETCH(QString, text);
        QCOMPARE(shotCount(n), text);
    }

    // The middle of the neighbouring frame, and nothing past either end.
    void scenePlan_data()
    {
        using Cuts = std::vector<ScenePlanning::Cut>;
        QTest::addColumn<Cuts>("cuts");
        QTest::addColumn<std::vector<double>>("keyframes");
        QTest::addColumn<qint64>("most");
        QTest::addColumn<bool>("precise");
        QTest::addColumn<QList<double>>("times");
        const Cuts two{{10, 0.5f}, {20, 0.9f}};
        const std::vector<double> keys{0, 2, 4, 10, 10.1, 12, 20, 25};
        QTest::newRow("precise: half a second in") << two << keys << qint64(24) << true << QList<double>{0.5, 10.5, 20.5};
        // 10.1 lies too near the cut; the scene from 20 has 25 only.
        QTest::newRow("nearest keyframe inside the scene")
            << two << keys << qint64(24) << false << QList<double>{2.001, 12.001, 25.001};
        QTest::newRow("no keyframe inside: the time itself")
            << two << std::vector<double>{0, 10} << qint64(24) << false << QList<double>{0.5, 10.5, 20.5};
        QTest::newRow("a short scene: a third in")
            << Cuts{{10, 0.5f}, {10.9, 0.5f}} << keys << qint64(24) << true << QList<double>{0.5, 10.3, 11.4};
        QTest::newRow("at most 3 keeps the two strongest cuts")
            << Cuts{{5, 0.3f}, {10, 0.8f}, {15, 0.2f}, {20, 0.9f}, {25, 0.3f}} << keys << qint64(3) << true
            << QList<double>{0.5, 10.5, 20.5};
        QTest::newRow("at most 1: the first scene")
            << two << keys << qint64(1) << true << QList<double>{0.5};
        QTest::newRow("no cut: the count plan") << Cuts{} << keys << qint64(3) << false << QList<double>{5, 15, 25};
        QTest::newRow("cuts at the start or past the end are none")
            << Cuts{{0, 0.9f}, {-1, 0.9f}, {31, 0.9f}} << keys << qint64(3) << true << QList<double>{5, 15, 25};
    }
    void scenePlan()
    {
        QFETCH(std::vector<ScenePlanning::Cut>, cuts);
        QFETCH(std::vector<double>, keyframes);
        QFETCH(qint64, most);
        QFETCH(bool, precise);
        QFETCH(QList<double>, times);
        const QList<double> planned = ScenePlanning::times(cuts, keyframes, 30, most, precise);
        QCOMPARE(planned.size(), times.size());
        for (qsizetype i = 0; i < times.size(); ++i)
            QVERIFY2(std::abs(planned[i] - times[i]) < 1e-9, qPrintable(QString::number(planned[i])));
    }

    // Frames the scan already decoded are as cheap as keyframes, and as
    // near the cut is too near; exact shots keep their time.
    void scenePlanTakesDecodedFrames()
    {
        const std::vector<ScenePlanning::Cut> cuts{{10, 0.5f}, {20, 0.9f}};
        const std::vector<double> keyframes{0, 10};
        const std::vector<double> decoded{10.52, 20.04, 20.6};
        const QList<double> tolerant = ScenePlanning::times(cuts, keyframes, 30, 24, false, decoded);
        QCOMPARE(tolerant.size(), 3);
        QCOMPARE(tolerant[0], 0.5);
        QVERIFY(std::abs(tolerant[1] - 10.521) < 1e-9 && std::abs(tolerant[2] - 20.601) < 1e-9);
        QCOMPARE(ScenePlanning::times(cuts, keyframes, 30, 24, true, decoded), (QList<double>{0.5, 10.5, 20.5}));
    }

    // A better frame for a scene's shot is looked for in that scene alone,
    // no nearer its cut than a cheap frame for the shot is; only the cuts a
    // run keeps bound its scenes.
    void scenesBoundBetterFrames()
    {
        const std::vector<ScenePlanning::Cut> cuts{{10, 0.5f}, {20, 0.9f}, {20.6, 0.1f}};
        const ExtractSettings three{.mode = ExtractMode::scene, .count = 3};
        const Planning::RunPlan plan = ScenePlanning::plan(cuts, {}, 30, three);
        QCOMPARE(plan.sceneStarts, (QList<double>{10, 20}));
        using Range = std::pair<double, double>;
        QCOMPARE(ScenePlanning::sceneAround(plan.sceneStarts, 5, 30), (Range{0, 10 - 0.002}));
        QCOMPARE(ScenePlanning::sceneAround(plan.sceneStarts, 10.5, 30), (Range{10.25, 20 - 0.002}));
        QCOMPARE(ScenePlanning::sceneAround(plan.sceneStarts, 25, 30), (Range{20.25, 30}));
        QCOMPARE(ScenePlanning::sceneAround({}, 25, 30), (Range{0, 30}));
        QVERIFY(Planning::plan(three, 30).sceneStarts.isEmpty());
    }

    void stepTargets_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<int>("step");
        QTest::addColumn<double>("fps");
        QTest::addColumn<double>("expected"); // -1: impossible
        const int previous = int(ShotStep::previousFrame), next = int(ShotStep::nextFrame);
        const int earlier = int(ShotStep::secondEarlier), later = int(ShotStep::secondLater);
        QTest::newRow("next at 25 fps") << 2.0 << next << 25.0 << 2.06;
        QTest::newRow("previous at 25 fps") << 2.0 << previous << 25.0 << 1.98;
        QTest::newRow("a second later") << 2.0 << later << 25.0 << 3.02;
        QTest::newRow("a second earlier") << 2.0 << earlier << 25.0 << 1.02;
        QTest::newRow("unknown rate steps at 30 fps") << 1.0 << next << 0.0 << 1.05;
        QTest::newRow("nothing before the first frame") << 0.0 << previous << 25.0 << -1.0;
        QTest::newRow("not a second before 0.5 s") << 0.5 << earlier << 25.0 << -1.0;
        QTest::newRow("nothing after the last frame") << 9.96 << next << 25.0 << -1.0;
        QTest::newRow("the last frame from the one before") << 9.92 << next << 25.0 << 9.98;
        QTest::newRow("not a second past 9.5 s") << 9.5 << later << 25.0 << -1.0;
    }
    void stepTargets()
    {
        QFETCH(double, time);
        QFETCH(int, step);
        QFETCH(double, fps);
        QFETCH(double, expected);
        const std::optional<double> target = Stepping::target(time, ShotStep(step), fps, 10.0);
        if (expected < 0) {
            QVERIFY(!target);
        } else {
            QVERIFY(target);
            QVERIFY2(std::abs(*target - expected) < 1e-9, qPrintable(QString::number(*target, 'g', 12)));
        }
    }
};

QTEST_GUILESS_MAIN(PlanningTest)
#include "tst_planning.moc"
