#include "basics/WeakShots.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace WeakShots {

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

// The median acuity of the shots that show something; 0 when none do.
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

} // namespace

float repeatThreshold(const ShotScore &a, const ShotScore &b)
{
    return repeatDifference * std::min(1.0f, std::max(a.lumaSpread, b.lumaSpread) / repeatSpreadScale);
}

QList<Weakness> judge(const QList<Shot> &shots)
{
    const float median = medianAcuity(shots);
    QList<Weakness> result;
    result.reserve(shots.size());
    const ShotScore *previous = nullptr;
    for (const Shot &shot : shots) {
        const ShotScore &s = shot.score;
        Weakness weakness = Weakness::none;
        if (!s.measured)
            weakness = Weakness::none;
        else if (isFlat(s))
            weakness = Weakness::flat;
        else if (s.meanLuma < darkMean)
            weakness = Weakness::dark;
        else if (previous && difference(*previous, s) < repeatThreshold(*previous, s))
            weakness = Weakness::repeated;
        else if (median > 0 && s.acuity > 0 && s.acuity < blurryShareOfMedian * median)
            weakness = Weakness::blurry;
        if (s.measured)
            previous = &s;
        result.append(weakness);
    }
    return result;
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
