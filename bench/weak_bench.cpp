// How right weak-shot detection and replacement are on a clip whose
// sections are known (see bench/weak): shots judged against the truth of
// the section each lies in, then "Replace Weak Shots" on the weak ones.
//
//   framelark-weak-bench CLIP SECTIONS [--shots 40]
//
// SECTIONS lists "start end label" per line, in seconds. Weak labels: black,
// white, defocused, motion, and frozen after its first shot. Every other
// label is good.

#include "basics/Planning.h"
#include "basics/WeakShots.h"
#include "media/BetterFrames.h"
#include "media/Extractor.h"
#include "media/MediaAsset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace {

struct Section {
    double start = 0, end = 0;
    QString label;
};

const Section *sectionAt(const QList<Section> &sections, double time)
{
    for (const Section &section : sections) {
        if (time >= section.start && time < section.end)
            return &section;
    }
    return nullptr;
}

bool weakLabel(const QString &label)
{
    return label == "black" || label == "white" || label == "defocused" || label == "motion";
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: framelark-weak-bench CLIP SECTIONS [--shots 40]\n");
        return 2;
    }
    const int at = args.indexOf(QStringLiteral("--shots"));
    const int count = at > 0 && at + 1 < args.size() ? std::max(2, args[at + 1].toInt()) : 40;
    QList<Section> sections;
    QFile list(args[2]);
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return 1;
    while (!list.atEnd()) {
        const QStringList parts = QString::fromUtf8(list.readLine()).simplified().split(' ');
        if (parts.size() == 3)
            sections.append({parts[0].toDouble(), parts[1].toDouble(), parts[2]});
    }
    const std::optional<VideoInfo> info = MediaAsset::load(QUrl::fromLocalFile(args[1]));
    if (!info)
        return 1;

    QTemporaryDir dir;
    ExtractSettings settings;
    settings.mode = ExtractMode::count;
    settings.count = count;
    settings.precise = true;
    const QList<double> times = Planning::times(settings.mode, settings.interval, count, info->duration);
    std::mutex lock;
    QList<Shot> shots;
    Extractor::run(Extractor::ffmpegGenerators(args[1]), times, settings, dir.path(), [&](const Shot &shot) {
        const std::lock_guard guard(lock);
        shots.append(shot);
    });
    std::sort(shots.begin(), shots.end(), [](const Shot &a, const Shot &b) { return a.id < b.id; });

    // The truth: a frozen section's first shot is good, the rest repeat it.
    QList<bool> truth;
    const Section *previousSection = nullptr;
    for (const Shot &shot : shots) {
        const Section *section = sectionAt(sections, shot.time);
        const QString label = section ? section->label : QString();
        truth.append(weakLabel(label) || (label == "frozen" && previousSection == section));
        previousSection = section;
    }
    const QList<WeakShots::Weakness> judged = WeakShots::judge(shots);
    int weak = 0, caught = 0, good = 0, wrong = 0;
    for (qsizetype i = 0; i < shots.size(); ++i) {
        const bool isWeak = judged[i] != WeakShots::Weakness::none;
        const Section *section = sectionAt(sections, shots[i].time);
        if (truth[i]) {
            ++weak;
            caught += isWeak ? 1 : 0;
        } else {
            ++good;
            wrong += isWeak ? 1 : 0;
        }
        if (isWeak != truth[i])
            std::printf("  %s %.2f s in %s: judged %s (acuity %.3f, spread %.1f)\n", truth[i] ? "missed" : "wrong ",
                        shots[i].time, section ? qPrintable(section->label) : "?", WeakShots::name(judged[i]),
                        shots[i].score.acuity, shots[i].score.lumaSpread);
    }
    std::printf("%lld shots: %d of %d weak caught (%.0f %%), %d of %d good judged weak (%.1f %%)\n",
                qint64(shots.size()), caught, weak, weak ? 100.0 * caught / weak : 100.0, wrong, good,
                good ? 100.0 * wrong / good : 0.0);

    // Replacing: a weak moment whose stretch is a tenth or more good footage
    // can show a good frame (a sliver of a frame or two at its edge is no
    // fair chance); it counts as done when its new frame lies in good footage.
    const QList<WeakShots::Stretch> stretches = WeakShots::weakStretches(shots, info->duration);
    QElapsedTimer timer;
    timer.start();
    const QList<std::optional<Shot>> found =
        BetterFrames::replace(Extractor::ffmpegGenerators(args[1]), stretches, WeakShots::medianAcuity(shots),
                              settings, dir.path(), {}, {});
    const double seconds = double(timer.elapsed()) / 1000;
    int possible = 0, replaced = 0, replacedWell = 0;
    for (qsizetype i = 0; i < stretches.size(); ++i) {
        double goodSeconds = 0;
        for (const Section &section : sections) {
            if (!weakLabel(section.label) && section.label != "frozen")
                goodSeconds += std::max(0.0, std::min(section.end, stretches[i].to)
                                                 - std::max(section.start, stretches[i].from));
        }
        const bool holdsGood = goodSeconds >= 0.1 * (stretches[i].to - stretches[i].from);
        const Section *landed = found[i] ? sectionAt(sections, found[i]->time) : nullptr;
        const bool good = landed && !weakLabel(landed->label) && landed->label != "frozen";
        possible += holdsGood ? 1 : 0;
        replaced += found[i] ? 1 : 0;
        replacedWell += holdsGood && good ? 1 : 0;
        if (holdsGood && !good)
            std::printf("  not replaced well: shot %lld at %.2f s (stretch %.2f-%.2f)\n", stretches[i].id,
                        stretches[i].time, stretches[i].from, stretches[i].to);
    }
    std::printf("replace: %lld weak stretches, %d hold a good frame, %d of those now show one (%.0f %%); "
                "%d replaced in all, %.1f s\n",
                qint64(stretches.size()), possible, replacedWell, possible ? 100.0 * replacedWell / possible : 100.0,
                replaced, seconds);
    return 0;
}
