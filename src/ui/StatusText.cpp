#include "ui/StatusText.h"

#include "basics/Formatting.h"
#include "basics/Planning.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <cmath>

namespace StatusText {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("StatusText", text);
}

} // namespace

QString progress(qint64 shots, qint64 total)
{
    return QString::number(shots) + QStringLiteral(" / ") + QString::number(total);
}

QString exporting(qint64 done, qint64 total, const QLocale &locale)
{
    return tr("Exporting %1 of %2…").arg(locale.toString(done), locale.toString(total));
}

QString scanning(double fraction, const QLocale &locale)
{
    const int percent = std::isfinite(fraction) ? int(std::clamp(fraction, 0.0, 1.0) * 100) : 0;
    return tr("Finding scenes…") + QLatin1Char(' ') + formatPercent(percent, locale);
}

QString row(VideoStatus status, qint64 shots, qint64 total, std::optional<double> scan)
{
    switch (status) {
    case VideoStatus::pending:
        return tr("Waiting…");
    case VideoStatus::extracting:
        return scan ? scanning(*scan) : progress(shots, total);
    case VideoStatus::done:
        break;
    }
    return shotCount(shots);
}

QString replacing(qint64 done, qint64 total)
{
    return QCoreApplication::translate("StatusText", "Replacing weak shots… %1 of %2")
        .arg(QString::number(done), QString::number(total));
}

QString weakReplaced(qint64 replaced, qint64 deselected)
{
    if (replaced == 0 && deselected == 0)
        return QCoreApplication::translate("StatusText", "No weak shots");
    const int moved = int(std::min<qint64>(replaced, INT_MAX));
    QString text = QCoreApplication::translate("StatusText", "%n weak shots replaced", nullptr, moved);
    if (deselected > 0) {
        const int left = int(std::min<qint64>(deselected, INT_MAX));
        text += QCoreApplication::translate("StatusText", ", %n deselected", nullptr, left);
    }
    return text;
}

QString summary(qint64 shots, std::optional<double> elapsed, qint64 deselected, qint64 failed,
                std::optional<qint64> weakDeselected, const QLocale &locale)
{
    QStringList parts{shotCount(shots)};
    if (elapsed)
        parts.append(tr("Took %1 s").arg(locale.toString(*elapsed, 'f', 2)));
    if (deselected > 0) {
        const qint64 selected = std::max<qint64>(0, shots - deselected);
        parts.append(tr("%1 selected").arg(selected));
    }
    if (failed > 0)
        parts.append(tr("%1 couldn't be read").arg(failed));
    if (weakDeselected) {
        // Clamped in its own statement: lupdate's parser never returns from a
        // template argument list inside the translate() call.
        const int weak = int(std::min<qint64>(*weakDeselected, INT_MAX));
        parts.append(QCoreApplication::translate("StatusText", "%n weak shots deselected", nullptr, weak));
    }
    return parts.join(QStringLiteral(" · "));
}

} // namespace StatusText
