#include "basics/WeakShots.h"
#include "media/BetterFrames.h"
#include "media/Extractor.h"
#include "media/ShotScoring.h"
#include "support/TestVideos.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <mutex>

// Precise shots of `path` at `times`, written into `dir`, in id order; the
// ones that failed are missing.
QList<Shot> extract(const QString &path, const QList<double> &times, const QString &dir)
{
    std::mutex lock;
    QList<Shot> shots;
    ExtractSettings settings;
    settings.precise = true;
    Extractor::run(Extractor::ffmpegGenerators(path), times, settings, dir, [&](const Shot &shot) {
        const std::lock_guard guard(lock);
        shots.append(shot);
    });
    std::sort(shots.begin(), shots.end(), [](const Shot &a, const Shot &b) { return a.id < b.id; });
    return shots;
}

class WeakShotsTest : public QObject {
    Q_OBJECT

private slots:
    void sectionsOfAGeneratedClip()
    {
        const QString path = TestVideos::weakSections();
        QVERIFY(!path.isEmpty());
        QTemporaryDir dir;
        const QList<double> times{1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23};
        const QList<Shot> shots = extract(path, times, dir.path());
        QCOMPARE(shots.size(), times.size());
        using W = WeakShots::Weakness;
        // Moving, black, blurred, still (the first is kept), moving.
        const QList<W> expected{W::none, W::none,   W::flat, W::flat, W::blurry, W::blurry,
                                W::none, W::repeated, W::none, W::none, W::none, W::none};
        QCOMPARE(WeakShots::judge(shots), expected);
        QCOMPARE(WeakShots::weakIds(shots), (QSet<qint64>{2, 3, 4, 5, 7}));
    }

    // Filmed-looking sections: fog, night and grain are no weakness;
    // defocus, motion blur, black, white and a frozen picture are.
    void sectionsOfFilmedFootage()
    {
        const QString path = TestVideos::filmedWeakSections();
        if (path.isEmpty())
            QSKIP("the photographs of mate-backgrounds are missing (scripts/setup installs them)");
        QTemporaryDir dir;
        QList<double> times;
        for (int section = 0; section < 11; ++section)
            times << section * 3 + 0.75 << section * 3 + 2.25;
        const QList<Shot> shots = extract(path, times, dir.path());
        QCOMPARE(shots.size(), times.size());
        using W = WeakShots::Weakness;
        const QList<W> expected{W::none,   W::none,   W::none,   W::none,     W::none, W::none,  W::none, W::none,
                                W::blurry, W::blurry, W::blurry, W::blurry,   W::flat, W::flat,  W::none, W::none,
                                W::none,   W::repeated, W::flat, W::flat,     W::none, W::none};
        const QList<W> judged = WeakShots::judge(shots);
        const QStringList labels = TestVideos::filmedWeakLabels();
        for (int i = 0; i < shots.size(); ++i) {
            const ShotScore &s = shots[i].score;
            QVERIFY2(judged[i] == expected[i],
                     qPrintable(QStringLiteral("%1 at %2 s: judged %3, mean %4, spread %5, acuity %6")
                                    .arg(labels[i / 2]).arg(shots[i].time).arg(int(judged[i]))
                                    .arg(s.meanLuma).arg(s.lumaSpread).arg(s.acuity)));
        }
    }

    // A weak moment takes the sharpest acceptable frame of its stretch, or
    // none when the stretch holds only weak ones.
    void betterFramesInTheStretch()
    {
        const QString path = TestVideos::filmedWeakSections();
        if (path.isEmpty())
            QSKIP("the photographs of mate-backgrounds are missing (scripts/setup installs them)");
        QTemporaryDir dir;
        const float median = 0.8f;  // the clip's, as measured above
        WeakShots::Stretch defocused{4, 12.7, 10.4, 13.4, {}, {}};
        WeakShots::Stretch black{6, 18.7, 18.1, 20.9, {}, {}};
        int reported = 0;
        const QList<std::optional<Shot>> found =
            BetterFrames::replace(Extractor::ffmpegGenerators(path), {defocused, black}, median, ExtractSettings{},
                                  dir.path(), [&](int done) { reported = done; }, {});
        QCOMPARE(found.size(), 2);
        QCOMPARE(reported, 2);
        // From the grain before the defocus.
        QVERIFY(found[0]);
        QCOMPARE(found[0]->id, 4);
        QVERIFY2(found[0]->time >= 10.4 && found[0]->time < 12.0, qPrintable(QString::number(found[0]->time)));
        QVERIFY(QFile::exists(found[0]->file) && QFile::exists(found[0]->thumbFile));
        QVERIFY(WeakShots::acceptable(found[0]->score, defocused, median));
        QVERIFY(!found[1]);
    }

    // In a scene run a weak shot takes only a frame of its own scene (here
    // each 3 s section counts as one); a stop leaves every first shot as
    // it is, for a caller that may no longer take the new ones.
    void betterFramesInTheirOwnScene()
    {
        const QString path = TestVideos::filmedWeakSections();
        if (path.isEmpty())
            QSKIP("the photographs of mate-backgrounds are missing (scripts/setup installs them)");
        QTemporaryDir dir;
        QList<double> times, starts;
        for (int section = 0; section < 11; ++section) {
            times << section * 3 + 0.75;
            if (section > 0)
                starts << section * 3;
        }
        const QList<Shot> shots = extract(path, times, dir.path());
        QCOMPARE(shots.size(), times.size());
        QList<Shot> reported;
        const auto onShot = [&](const Shot &shot) { reported.append(shot); };
        const int replaced = BetterFrames::avoidWeak(Extractor::ffmpegGenerators(path), shots, 33, starts,
                                                     ExtractSettings{}, dir.path(), onShot, {}, {});
        QCOMPARE(replaced, reported.size());
        for (const Shot &better : std::as_const(reported))
            QCOMPARE(int(better.time / 3), int(times[better.id] / 3));

        reported.clear();
        const QList<Shot> again = extract(path, times, dir.path());
        std::stop_source stop;
        int tried = 0;
        QCOMPARE(BetterFrames::avoidWeak(Extractor::ffmpegGenerators(path), again, 33, {}, ExtractSettings{},
                                         dir.path(), onShot, [&] { ++tried, stop.request_stop(); }, stop.get_token()),
                 0);
        QCOMPARE(tried, 1);
        QVERIFY(reported.isEmpty());
        for (const Shot &shot : again)
            QVERIFY(QFile::exists(shot.file) && QFile::exists(shot.thumbFile));
    }

    // Judged from scores alone: what is compared with what.
    void judgement_data()
    {
        QTest::addColumn<QList<ShotScore>>("scores");
        QTest::addColumn<QList<int>>("weak");
        const auto score = [](float mean, float spread, float sharpness, int tiny) {
            ShotScore s{true, mean, spread, sharpness, QByteArray(144, char(tiny))};
            s.acuity = sharpness / 100;
            return s;
        };
        QTest::newRow("a soft film is not blurry")
            << QList<ShotScore>{score(120, 40, 20, 10), score(120, 40, 22, 60), score(120, 40, 19, 110)}
            << QList<int>{0, 0, 0};
        QTest::newRow("sharpness against the median, not the best")
            << QList<ShotScore>{score(120, 40, 900, 10), score(120, 40, 100, 60), score(120, 40, 110, 110),
                                score(120, 40, 20, 160)}
            << QList<int>{0, 0, 0, int(WeakShots::Weakness::blurry)};
        QTest::newRow("dark with detail, white flat")
            << QList<ShotScore>{score(9, 7, 100, 10), score(250, 2, 0, 250), score(120, 40, 100, 120)}
            << QList<int>{int(WeakShots::Weakness::dark), int(WeakShots::Weakness::flat), 0};
        QTest::newRow("repeats skip unmeasured shots, the first of a run stays")
            << QList<ShotScore>{score(120, 40, 100, 50), ShotScore{}, score(120, 40, 100, 51), score(120, 40, 100, 52)}
            << QList<int>{0, 0, int(WeakShots::Weakness::repeated), int(WeakShots::Weakness::repeated)};
        QTest::newRow("just apart is no repeat")
            << QList<ShotScore>{score(120, 40, 100, 50), score(120, 40, 100, 52)} << QList<int>{0, 0};
    }
    void judgement()
    {
        QFETCH(QList<ShotScore>, scores);
        QFETCH(QList<int>, weak);
        QList<Shot> shots;
        for (const ShotScore &score : scores)
            shots.append(Shot{shots.size(), double(shots.size()), {}, {}, score});
        QList<int> judged;
        for (const WeakShots::Weakness w : WeakShots::judge(shots))
            judged.append(int(w));
        QCOMPARE(judged, weak);
        // Time decides, not the list's order: a stepped shot keeps its place.
        const QList<Shot> listedBackwards(shots.rbegin(), shots.rend());
        judged.clear();
        for (const WeakShots::Weakness w : WeakShots::judge(listedBackwards))
            judged.prepend(int(w));
        QCOMPARE(judged, weak);
    }
};

QTEST_GUILESS_MAIN(WeakShotsTest)
#include "tst_weakshots.moc"
