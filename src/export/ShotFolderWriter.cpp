#include "export/ShotFolderWriter.h"

#include "basics/Formatting.h"
#include "export/NewFiles.h"
#include "export/SourceDetails.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Why one shot was not written: the side that failed and the system's words
// for it.
struct ShotFailure {
    NewFiles::Failure::Side side;
    QString reason;
};

std::optional<ShotFailure> shotFailure(const std::optional<NewFiles::Failure> &failure)
{
    if (!failure)
        return std::nullopt;
    return ShotFailure{failure->side, NewFiles::describe(failure->error)};
}

// Writes `shot` into the new file `target` with its source details embedded.
// The details go in front of the image data, so the shot is read whole; it
// is a single picture, a few megabytes at most.
std::optional<ShotFailure> writeStamped(const Shot &shot, const QString &target,
                                        const ShotFolderWriter::SourceStamp &stamp)
{
    QFile file(shot.file);
    if (!file.open(QIODevice::ReadOnly))
        return ShotFailure{NewFiles::Failure::Side::source, file.errorString()};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return ShotFailure{NewFiles::Failure::Side::source, file.errorString()};
    const SourceDetails::Details details{stamp.videoFileName, shot.time, frameNumber(shot.time, stamp.fps),
                                         stamp.software};
    // A file the details cannot go into is still exported, whole and as it is.
    return shotFailure(NewFiles::writeToNew(target, SourceDetails::embed(bytes, details).value_or(bytes)));
}

} // namespace

QString ShotFolderWriter::fileName(const QString &videoName, qint64 number, double time, const QString &extension)
{
    // One multi-argument arg(): a "%2" inside the video's name stays text.
    return QStringLiteral("%1_%2_%3.%4")
        .arg(videoName, QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')),
             formatTime(time, true, QStringLiteral("-")), extension);
}

QString ShotFolderWriter::software()
{
    // The product's name, fixed: tests and tools may set another
    // application name, but the files always come from Framelark.
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("Framelark") : QStringLiteral("Framelark ") + version;
}

ShotFolderWriter::Outcome ShotFolderWriter::write(const QString &name, const QList<Shot> &shots,
                                                  const QString &destination, std::stop_token stop,
                                                  std::atomic<qint64> *copied,
                                                  const std::optional<SourceStamp> &stamp)
{
    if (stop.stop_requested())
        return {{}, {}, 0, true};
    const NewFiles::Claimed made =
        NewFiles::createUnderFreeName(destination, tr("%1 Screenshots").arg(name), QString(), NewFiles::Kind::folder);
    if (made.failure) {
        return {{}, tr("Couldn’t create the folder “%1”: %2.")
                        .arg(QDir::toNativeSeparators(made.path), NewFiles::describe(made.failure->error)), 0, false};
    }
    const QString &folder = made.path;

    Outcome outcome{folder, {}, 0, false};
    qint64 number = 0;
    for (const Shot &shot : shots) {
        if (stop.stop_requested()) {
            outcome.stopped = true;
            return outcome;
        }
        const QFileInfo source(shot.file);
        const QString target =
            QDir(folder).filePath(fileName(name, ++number, shot.time, source.suffix()));
        const std::optional<ShotFailure> failure =
            stamp ? writeStamped(shot, target, *stamp) : shotFailure(NewFiles::copyToNew(shot.file, target));
        if (failure) {
            // Closing all deletes the shots while the last one is copied:
            // that is the stop, not a failure.
            if (stop.stop_requested()) {
                outcome.stopped = true;
                return outcome;
            }
            const QString &reason = failure->reason;
            outcome.failure = failure->side == NewFiles::Failure::Side::source
                ? tr("Couldn’t read the screenshot “%1”: %2.").arg(QDir::toNativeSeparators(shot.file), reason)
                : tr("Couldn’t copy “%1” to “%2”: %3.").arg(source.fileName(), QDir::toNativeSeparators(folder), reason);
            return outcome;
        }
        ++outcome.copied;
        if (copied)
            copied->fetch_add(1);
    }
    return outcome;
}
