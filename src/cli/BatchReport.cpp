#include "cli/BatchReport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <unistd.h>

namespace {

// The command line speaks English, like its manual page.
QString say(const char *text)
{
    return QString::fromUtf8(text);
}

constexpr int barWidth = 30;

void print(std::FILE *file, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
    std::fflush(file);
}

} // namespace

BatchReport::BatchReport(bool quiet, bool json, std::FILE *err, std::FILE *out)
    : m_quiet(quiet)
    , m_json(json)
    , m_live(!quiet && isatty(fileno(err)) == 1)
    , m_err(err)
    , m_out(out)
{
}

void BatchReport::starting(const QString &path, int index, int count)
{
    const std::lock_guard guard(m_lock);
    m_name = QFileInfo(path).fileName();
    m_position = QStringLiteral("[%1/%2]").arg(index + 1).arg(count);
    m_lastDrawn = -1;
}

void BatchReport::progress(qint64 written, qint64 planned, double scan)
{
    if (!m_live)
        return;
    const std::lock_guard guard(m_lock);
    // Redrawn when the bar or the count changes, not for every call.
    const double fraction = planned > 0 ? double(written) / double(planned) : std::clamp(scan, 0.0, 1.0);
    const qint64 key = planned > 0 ? written : -2 - qint64(fraction * barWidth);
    if (key == m_lastDrawn)
        return;
    m_lastDrawn = key;
    const int filled = int(std::lround(fraction * barWidth));
    const QString bar = QString(filled, QChar(u'#')) + QString(barWidth - filled, QChar(u'-'));
    const QString count = planned > 0 ? QStringLiteral("%1/%2").arg(written).arg(planned) : say("finding scenes");
    print(m_err, QStringLiteral("\r\033[K%1 %2 [%3] %4").arg(m_position, m_name, bar, count));
    m_lineOpen = true;
}

void BatchReport::clearLine()
{
    if (m_lineOpen) {
        print(m_err, QStringLiteral("\r\033[K"));
        m_lineOpen = false;
    }
}

void BatchReport::finished(const JobOutcome &outcome)
{
    const std::lock_guard guard(m_lock);
    clearLine();
    for (const QString &problem : outcome.problems)
        print(m_err, QStringLiteral("framelark-cli: ") + problem + QLatin1Char('\n'));
    if (!m_quiet && outcome.info && !outcome.stopped) {
        QString line = say("%1 %2: %3 of %4 shots in %5 s").arg(m_position, m_name)
                           .arg(outcome.written)
                           .arg(outcome.planned)
                           .arg(outcome.seconds, 0, 'f', 2);
        if (outcome.weakSkipped > 0)
            line += say(", %1 weak left out").arg(outcome.weakSkipped);
        for (const QString &output : outcome.outputs)
            line += QStringLiteral("\n  ") + output;
        print(m_err, line + QLatin1Char('\n'));
    }
    if (m_json && !outcome.stopped)
        print(m_out, QString::fromUtf8(QJsonDocument(json(outcome)).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
}

void BatchReport::note(const QString &message)
{
    const std::lock_guard guard(m_lock);
    clearLine();
    print(m_err, QStringLiteral("framelark-cli: ") + message + QLatin1Char('\n'));
}

QJsonObject BatchReport::json(const JobOutcome &outcome)
{
    QJsonObject object{
        {QStringLiteral("input"), outcome.input},
        {QStringLiteral("planned"), outcome.planned},
        {QStringLiteral("written"), outcome.written},
        {QStringLiteral("failed"), outcome.failed},
        {QStringLiteral("outputs"), QJsonArray::fromStringList(outcome.outputs)},
        {QStringLiteral("seconds"), std::round(outcome.seconds * 1000) / 1000},
        {QStringLiteral("ok"), outcome.complete()},
    };
    if (outcome.info) {
        object.insert(QStringLiteral("duration"), outcome.info->duration);
        object.insert(QStringLiteral("width"), qint64(outcome.info->size.width()));
        object.insert(QStringLiteral("height"), qint64(outcome.info->size.height()));
    } else {
        object.insert(QStringLiteral("duration"), QJsonValue());
    }
    if (outcome.weakSkipped > 0)
        object.insert(QStringLiteral("weak_skipped"), outcome.weakSkipped);
    if (!outcome.shots.isEmpty()) {
        // Rounded: the figures are for reading and sorting, not for more.
        const auto round = [](double value, double scale) { return std::round(value * scale) / scale; };
        QJsonArray shots;
        for (const JobOutcome::ShotReport &shot : outcome.shots) {
            // An unmeasured shot has no figures (null), not zeros.
            const auto figure = [&](double value, double scale) {
                return shot.score.measured ? QJsonValue(round(value, scale)) : QJsonValue();
            };
            shots.append(QJsonObject{
                {QStringLiteral("time"), round(shot.time, 1000)},
                {QStringLiteral("brightness"), figure(shot.score.meanLuma, 10)},
                {QStringLiteral("contrast"), figure(shot.score.lumaSpread, 10)},
                {QStringLiteral("sharpness"), figure(shot.score.acuity, 1000)},
                {QStringLiteral("weak"), QString::fromLatin1(WeakShots::name(shot.weakness))},
            });
        }
        object.insert(QStringLiteral("shots"), shots);
    }
    if (!outcome.problems.isEmpty())
        object.insert(QStringLiteral("errors"), QJsonArray::fromStringList(outcome.problems));
    return object;
}
