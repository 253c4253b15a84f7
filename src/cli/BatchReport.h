#pragma once
// What a batch tells its user: on standard error a live bar per video on a
// terminal, else one plain line per video, nothing when quiet, and the
// problems always; on standard output one JSON object per video when asked.
//
// Thread: progress() from any thread (it locks); the rest from the batch's thread.

#include "cli/VideoJob.h"

#include <QJsonObject>

#include <cstdio>
#include <mutex>

class BatchReport {
public:
    BatchReport(bool quiet, bool json, std::FILE *err = stderr, std::FILE *out = stdout);

    void starting(const QString &path, int index, int count);
    void progress(qint64 written, qint64 planned, double scan);
    void finished(const JobOutcome &outcome);
    // A message of the batch itself, such as a stop.
    void note(const QString &message);

    // The JSON object a finished video is printed as.
    static QJsonObject json(const JobOutcome &outcome);

private:
    void clearLine();

    std::mutex m_lock;
    const bool m_quiet;
    const bool m_json;
    const bool m_live;  // standard error is a terminal
    std::FILE *const m_err;
    std::FILE *const m_out;
    QString m_name;
    QString m_position;  // "[2/20]"
    bool m_lineOpen = false;
    qint64 m_lastDrawn = -1;
};
