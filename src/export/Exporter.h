#pragma once
// Exporting: copies the selected shots of one video, or of every open video,
// out of the private temporary folder into a new "<name> Screenshots" folder
// per video inside a destination the user named once (the default export
// folder) or picks now, then shows the new folders in the file manager.
//
// Thread: UI thread, synchronous (the folder panel is modal and the copies
// are made before the call returns). Ownership: holds references only; the
// model, preferences and dialogs must outlive it.
//
// Failure: the first folder that cannot be created or file that cannot be
// copied ends the export with an "Export Failed" alert on the model naming
// the path and the system's reason. What was created before stays; later
// videos are not exported; nothing is revealed. Existing files and folders
// are never replaced.

#include "engine/Records.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
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
    void exportSelected();
    // The selected shots of every open video that has any, in list order;
    // nothing unless canExportAll.
    void exportAll();

    // "Holiday_001_00-00-02.jpg": the video's name, the running number
    // (padded to three digits, never cut), the shot's time and the
    // extension of its file.
    static QString fileName(const QString &videoName, qint64 number, double time,
                            const QString &extension);

    struct Outcome {
        QString folder;  // the new folder, when it succeeded
        QString failure; // what to tell the user, when it did not
    };
    // Copies `shots` into a new "<videoName> Screenshots" folder (" 2", " 3"
    // … when the name is taken) inside the existing folder `destination`,
    // named by fileName() in order. Never replaces anything; stops at the
    // first failure, keeping what was written. Any thread; blocking.
    static Outcome writeFolder(const QString &videoName, const QList<Shot> &shots, const QString &destination);

private:

    void exportVideos(const QList<QPointer<VideoItem>> &videos, const QString &message);
    // The default export folder when usable, else the user's choice in the
    // panel (remembered as the last one); none when cancelled.
    std::optional<QString> exportFolder(const QString &message, const QUrl &near);
    Outcome exportVideo(const VideoItem &video, const QString &destination);

    AppModel &m_model;
    Preferences &m_prefs;
    Dialogs &m_dialogs;
    Reveal m_reveal;
};
