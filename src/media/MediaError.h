#pragma once
// Why a media operation failed, as a value: the operation that failed, the
// library's code, the file, and the reason in that operation's words. Callers
// decide by the fields (a stop is `cancelled`, never a text to compare);
// text() is for logs and test messages. The user sees counts and alerts only.

#include <QString>

struct MediaError {
    enum class Step { none, open, seek, decode, convert, write };

    Step step = Step::none;
    int code = 0;        // FFmpeg's AVERROR or errno; 0 when there is none
    QString file;        // the file being read or written, when known
    QString reason;      // e.g. "beyond the end of the video"
    bool cancelled = false;  // a stop ended the operation; not the file's fault

    static MediaError failed(Step step, QString reason, int code = 0)
    {
        return MediaError{step, code, {}, std::move(reason), false};
    }
    static MediaError stopped(Step step) { return MediaError{step, 0, {}, QStringLiteral("cancelled"), true}; }

    bool isEmpty() const { return step == Step::none; }
    // "seek failed: Invalid data found when processing input (code -1094995529) in /v/a.mp4"
    QString text() const;
};
