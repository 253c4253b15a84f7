#pragma once
// Writes one video's shots into a new "<name> Screenshots" folder inside a
// destination: the part of an export that touches the disk, shared by the
// window's export command and the command line. No model, no dialogs, no
// desktop services.
//
// Thread: any; blocking. Failure: reported in the outcome, never thrown;
// existing files and folders are never replaced, and only whole files are
// left behind.

#include "basics/Records.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <atomic>
#include <optional>
#include <stop_token>

class ShotFolderWriter {
    Q_DECLARE_TR_FUNCTIONS(ShotFolderWriter)
public:
    // "Holiday_001_00-00-02.jpg": the video's name, the running number
    // (padded to three digits, never cut), the shot's time and the
    // extension of its file.
    static QString fileName(const QString &videoName, qint64 number, double time, const QString &extension);

    struct Outcome {
        QString folder;        // the new folder, when it was made
        QString failure;       // what to tell the user, when it did not succeed
        qint64 copied = 0;     // shots copied, whole
        bool stopped = false;  // `stop` ended it early
    };

    // What to write into each shot file about where it came from.
    struct SourceStamp {
        QString videoFileName; // "Holiday.mov"
        double fps = 0;        // for the frame number; 0 when unknown
        QString software;      // "Framelark 0.1.0"
    };

    // "Framelark 0.1.0": the program as the embedded details name it, with
    // the version the application set at start (just "Framelark" without).
    static QString software();

    // Copies `shots` into a new "<videoName> Screenshots" folder (" 2", " 3"
    // … when the name is taken) inside the existing folder `destination`,
    // named by fileName() in order. Stops at the first failure, keeping what
    // was written, and between two files when `stop` asks. `copied`, when
    // given, is raised after each whole file (for another thread to read).
    // With `stamp`, each file gets its source details embedded (see
    // SourceDetails); a file they cannot be embedded in is copied as it is.
    static Outcome write(const QString &videoName, const QList<Shot> &shots, const QString &destination,
                         std::stop_token stop = {}, std::atomic<qint64> *copied = nullptr,
                         const std::optional<SourceStamp> &stamp = std::nullopt);
};
