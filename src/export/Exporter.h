#pragma once
// Exporting: copies the selected shots of one video, or of every open video,
// out of the private temporary folder into a new "<name> Screenshots" folder
// per video inside a destination the user named once (the default export
// folder) or picks now, then shows the new folders in the file manager.
// The writing itself is ShotFolderWriter's, which the command line shares.
//
// Thread: started on the UI thread, where the folder panel is modal; the
// copying then runs on a pool thread while the model shows its progress
// (AppModel::exportProgress) and may stop it (AppModel::stopExport), and the
// end is handled on the UI thread again. Ownership: holds references only;
// the model, preferences and dialogs must outlive it.
//
// Failure: the first folder that cannot be created or file that cannot be
// copied ends the export with an "Export Failed" alert on the model naming
// the path and the system's reason, and how many shots were copied before.
// What was created before stays (whole files only); later videos are not
// exported; nothing is revealed. A stopped export says what it copied and
// reveals the folders it made. Existing files and folders are never
// replaced.

#include "basics/Records.h"
#include "export/PreviewSprites.h"
#include "export/ShotFolderWriter.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <QCoroTask>

#include <functional>
#include <stop_token>
#include <optional>

class AppModel;
class Dialogs;
class Preferences;
class VideoItem;

class Exporter {
    Q_DECLARE_TR_FUNCTIONS(Exporter)
public:
    // Shows the given new folders, selected, in the file manager.
    using Reveal = std::function<void(const QStringList &folders)>;

    Exporter(AppModel &model, Preferences &prefs, Dialogs &dialogs, Reveal reveal);

    // The selected shots of the selected video; nothing unless canExport.
    // Returns once the copying has started (or nothing was to be done); it
    // ends when the model's exportProgress does.
    void exportSelected();
    // The selected shots of every open video that has any, in list order;
    // nothing unless canExportAll. Returns as exportSelected() does.
    void exportAll();
    // Preview sprites of the selected shots of the selected video, and
    // their WebVTT index, in a new "<name> Preview Sprites" folder; nothing
    // unless canExport. Runs in the background as the other exports do.
    void exportSprites(const PreviewSprites::Options &options);

private:
    // One video's part of an export, taken when it starts.
    struct Job {
        QUuid video;
        qint64 edits = 0;  // the video's VideoItem::edits when taken
        QString videoName;
        QList<Shot> shots;
        // Source details to write into the copies; none: byte copies.
        std::optional<ShotFolderWriter::SourceStamp> stamp;
    };
    static QString copiedBefore(qint64 copied, qint64 total);
    static QString stoppedMessage(qint64 copied, qint64 total, const QStringList &folders);
    static QCoro::Task<> copyInBackground(QPointer<AppModel> model, QList<Job> jobs, qint64 total, QString destination,
                                          std::stop_token stop, Reveal reveal);

    static QCoro::Task<> spritesInBackground(QPointer<AppModel> model, VideoInfo video, QList<Shot> shots,
                                             QString destination, PreviewSprites::Options options,
                                             std::stop_token stop, Reveal reveal);

    void exportVideos(const QList<QPointer<VideoItem>> &videos, const QString &message);
    // The default export folder when usable, else the user's choice in the
    // panel (remembered as the last one); none when cancelled.
    std::optional<QString> exportFolder(const QString &message, const QUrl &near);

    AppModel &m_model;
    Preferences &m_prefs;
    Dialogs &m_dialogs;
    Reveal m_reveal;
};
