#include "basics/WeakShots.h"

#include "basics/ScenePlanning.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

namespace WeakShots {

const char *name(Weakness weakness)
{
    switch (weakness) {
    case Weakness::dark:
        return "dark";
    case Weakness::flat:
        return "flat";
    case Weakness::blurry:
        return "blurry";
    case Weakness::repeated:
        return "repeated";
    case Weakness::none:
        break;
    }
    return "none";
}

float difference(const ShotScore &a, const ShotScore &b)
{
    if (!a.measured || !b.measured || a.tiny.isEmpty() || a.tiny.size() != b.tiny.size())
        return std::numeric_limits<float>::infinity();
    long total = 0;
    for (qsizetype i = 0; i < a.tiny.size(); ++i)
        total += std::abs(int(quint8(a.tiny[i])) - int(quint8(b.tiny[i])));
    return float(double(total) / double(a.tiny.size()));
}

namespace {

bool isFlat(const ShotScore &s)
{
    return s.lumaSpread < flatSpread && s.acuity <= 0;
}

} // namespace

float medianAcuity(const QList<Shot> &shots)
{
    std::vector<float> values;
    for (const Shot &shot : shots) {
        const ShotScore &s = shot.score;
        if (s.measured && s.meanLuma >= darkMean && !isFlat(s) && s.acuity > 0)
            values.push_back(s.acuity);
    }
    if (values.empty())
        return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

float repeatThreshold(const ShotScore &a, const ShotScore &b)
{
    return repeatDifference * std::min(1.0f, std::max(a.lumaSpread, b.lumaSpread) / repeatSpreadScale);
}

Weakness judgeOne(const ShotScore &s, float median, const ShotScore *previous)
{
    if (!s.measured)
        return Weakness::none;
    if (isFlat(s))
        return Weakness::flat;
    if (s.meanLuma < darkMean)
        return Weakness::dark;
    if (previous && difference(*previous, s) < repeatThreshold(*previous, s))
        return Weakness::repeated;
    if (median > 0 && s.acuity > 0 && s.acuity < blurryShareOfMedian * median)
        return Weakness::blurry;
    return Weakness::none;
}

QList<Weakness> judge(const QList<Shot> &shots)
{
    const float median = medianAcuity(shots);
    std::vector<qsizetype> inTime(size_t(shots.size()));
    std::iota(inTime.begin(), inTime.end(), 0);
    std::stable_sort(inTime.begin(), inTime.end(),
                     [&](qsizetype a, qsizetype b) { return shots[a].time < shots[b].time; });
    QList<Weakness> result(shots.size(), Weakness::none);
    const ShotScore *previous = nullptr;
    for (const qsizetype index : inTime) {
        const Shot &shot = shots[index];
        result[index] = judgeOne(shot.score, median, previous);
        if (shot.score.measured)
            previous = &shot.score;
    }
    return result;
}

QList<Stretch> weakStretches(const QList<Shot> &unordered, double duration, const QList<double> &sceneStarts)
{
    // In time order: steps may have moved shots past each other.
    QList<Shot> shots = unordered;
    std::stable_sort(shots.begin(), shots.end(), [](const Shot &a, const Shot &b) { return a.time < b.time; });
    const QList<Weakness> weaknesses = judge(shots);
    QList<Stretch> result;
    for (qsizetype i = 0; i < shots.size(); ++i) {
        if (weaknesses[i] == Weakness::none)
            continue;
        Stretch stretch;
        stretch.id = shots[i].id;
        stretch.time = shots[i].time;
        stretch.from = i > 0 ? (shots[i - 1].time + shots[i].time) / 2 : 0.0;
        // A stated length short of the last shot still leaves it room.
        stretch.to = i + 1 < shots.size() ? (shots[i].time + shots[i + 1].time) / 2 : std::max(duration, shots[i].time);
        const auto [sceneFrom, sceneTo] = ScenePlanning::sceneAround(sceneStarts, shots[i].time, duration);
        stretch.from = std::max(stretch.from, sceneFrom);
        stretch.to = std::min(stretch.to, sceneTo);
        if (i > 0 && shots[i - 1].score.measured)
            stretch.before = shots[i - 1].score;
        if (i + 1 < shots.size() && shots[i + 1].score.measured)
            stretch.after = shots[i + 1].score;
        result.append(stretch);
    }
    return result;
}

bool acceptable(const ShotScore &s, const Stretch &stretch, float median)
{
    if (!s.measured)
        return false;
    const ShotScore *before = stretch.before ? &*stretch.before : nullptr;
    if (judgeOne(s, median, before) != Weakness::none)
        return false;
    return !stretch.after || difference(s, *stretch.after) >= repeatThreshold(s, *stretch.after);
}

QSet<qint64> weakIds(const QList<Shot> &shots)
{
    const QList<Weakness> weaknesses = judge(shots);
    QSet<qint64> ids;
    for (qsizetype i = 0; i < shots.size(); ++i) {
        if (weaknesses[i] != Weakness::none)
            ids.insert(shots[i].id);
    }
    return ids;
}

} // namespace WeakShots
