// framelark-cli: the window's shots, exports and share images for batches of
// videos, with no display. Only wiring lives here.
#include "app/Translations.h"
#include "cli/BatchReport.h"
#include "cli/CliOptions.h"
#include "cli/InputFiles.h"
#include "cli/StopSignals.h"
#include "cli/VideoJob.h"
#include "basics/TempRoot.h"
#include "media/FfmpegLog.h"
#include "settings/Preferences.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>

namespace {

// Qt's own notes (such as a missing runtime folder, which an offscreen run
// does not need) are not the user's business on a terminal; the rest passes.
QtMessageHandler standardHandler = nullptr;

void filterQtNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: ")))
        return;
    if (standardHandler)
        standardHandler(type, context, message);
}

void printError(const QString &text)
{
    std::fputs(qPrintable(QStringLiteral("framelark-cli: ") + text + QLatin1Char('\n')), stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    // Before any thread exists, so that every thread inherits the blocked signals.
    StopSignals interruptions;
    standardHandler = qInstallMessageHandler(filterQtNotes);
    FfmpegLog::route();
    // The renderer needs fonts and a paint engine, never a screen: a batch
    // runs the same under a desktop, over ssh and in a container.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The same names as the application, so that its stored settings are read.
    QCoreApplication::setOrganizationName(QStringLiteral("Framelark"));
    QCoreApplication::setApplicationName(QStringLiteral("Framelark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FRAMELARK_VERSION));
    QGuiApplication app(argc, argv);
    // Shared texts, such as the share image's file name, as the window writes them.
    Translations::install();

    const auto parsed = CliArguments::parse(app.arguments());
    if (const auto *answer = std::get_if<CliArguments::Answer>(&parsed)) {
        std::fputs(qPrintable(answer->text.endsWith(QLatin1Char('\n')) ? answer->text : answer->text + QLatin1Char('\n')),
                   stdout);
        return 0;
    }
    if (const auto *usage = std::get_if<CliArguments::UsageError>(&parsed)) {
        printError(usage->message);
        std::fputs("Try 'framelark-cli --help'.\n", stderr);
        return 2;
    }
    const CliOptions &options = std::get<CliOptions>(parsed);
    const QStringList videos = InputFiles::collect(options.inputs, options.recursive);
    if (options.sheetIsFile() && videos.size() != 1) {
        printError(QStringLiteral("--sheet names one file, but there are %1 videos; name a folder instead.")
                       .arg(videos.size()));
        return 2;
    }

    // A root of this call's own: a window or another batch may run at the
    // same time, and each removes only what is its own.
    TempRoot::separateFromOtherInstances();
    const Preferences stored;
    JobOptions job;
    job.settings = options.extractSettings(&stored);
    job.sheet = options.sheetOptions(&stored);
    job.exportDir = options.exportDir;
    if (options.sheet)
        (options.sheetIsFile() ? job.sheetFile : job.sheetFolder) = options.sheet;
    job.skipWeak = options.skipWeak;
    job.metadata = options.metadata;
    job.spriteFolder = options.spriteDir;
    if (options.spriteWidth)
        job.sprites.tileWidth = *options.spriteWidth;
    if (options.spriteColumns)
        job.sprites.columns = *options.spriteColumns;
    if (options.spriteRows)
        job.sprites.rows = *options.spriteRows;

    BatchReport report(options.quiet, options.json);
    bool complete = true;
    for (int i = 0; i < videos.size() && !interruptions.token().stop_requested(); ++i) {
        report.starting(videos[i], i, int(videos.size()));
        const JobOutcome outcome = VideoJob::run(
            videos[i], job,
            [&report](qint64 written, qint64 planned, double scan) { report.progress(written, planned, scan); },
            interruptions.token());
        report.finished(outcome);
        complete = complete && outcome.complete();
    }
    TempRoot::remove();
    if (const int signal = interruptions.received()) {
        report.note(QStringLiteral("stopped; the video in progress was not written"));
        return 128 + signal;
    }
    return complete ? 0 : 1;
}
