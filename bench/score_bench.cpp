// What measuring a shot for weak-shot detection costs: scores thumbnails of
// real decoded frames (480 px wide, as written beside every shot) many times
// and reports the time per shot, on one thread.
//
//   framelark-score-bench VIDEO [--rounds N]

#include "media/Extractor.h"
#include "media/ShotScoring.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: framelark-score-bench VIDEO [--rounds N]\n");
        return 2;
    }
    const int at = args.indexOf(QStringLiteral("--rounds"));
    const int rounds = at > 0 && at + 1 < args.size() ? std::max(1, args[at + 1].toInt()) : 50;

    QTemporaryDir dir;
    std::mutex lock;
    std::vector<QImage> thumbs;
    const QList<double> times{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    Extractor::run(Extractor::ffmpegGenerators(args[1]), times, ExtractSettings{}, dir.path(), [&](const Shot &shot) {
        const std::lock_guard guard(lock);
        thumbs.emplace_back(shot.thumbFile);
    });
    if (thumbs.empty()) {
        std::fprintf(stderr, "no shots from %s\n", qPrintable(args[1]));
        return 1;
    }
    std::vector<double> perShot;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        float sink = 0;
        for (const QImage &thumb : thumbs)
            sink += ShotScoring::score(thumb).sharpness;
        perShot.push_back(timer.nsecsElapsed() / 1e3 / double(thumbs.size()));
        if (sink < 0)
            std::printf("impossible\n");
    }
    std::sort(perShot.begin(), perShot.end());
    std::printf("%zu thumbnails %dx%d, %d rounds: median %.0f us per shot, max %.0f us\n", thumbs.size(),
                thumbs.front().width(), thumbs.front().height(), rounds, perShot[perShot.size() / 2],
                perShot.back());
    return 0;
}
