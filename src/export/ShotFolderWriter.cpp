#include "export/ShotFolderWriter.h"

#include "basics/Formatting.h"
#include "export/NewFiles.h"

#include <QDir>
#include <QFileInfo>

QString ShotFolderWriter::fileName(const QString &videoName, qint64 number, double time, const QString &extension)
{
    // One multi-argument arg(): a "%2" inside the video's name stays text.
    return QStringLiteral("%1_%2_%3.%4")
        .arg(videoName, QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')),
             formatTime(time, true, QStringLiteral("-")), extension);
}

ShotFolderWriter::Outcome ShotFolderWriter::write(const QString &name, const QList<Shot> &shots,
                                                  const QString &destination, std::stop_token stop,
                                                  std::atomic<qint64> *copied)
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
        if (const std::optional<NewFiles::Failure> failure = NewFiles::copyToNew(shot.file, target)) {
            // Closing all deletes the shots while the last one is copied:
            // that is the stop, not a failure.
            if (stop.stop_requested()) {
                outcome.stopped = true;
                return outcome;
            }
            const QString reason = NewFiles::describe(failure->error);
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
