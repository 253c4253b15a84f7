#pragma once
// One logging category per layer that logs. All are silent by default (only critical
// messages pass, and none is written); a user who reports a bug turns them on
// with QT_LOGGING_RULES, for example
//   QT_LOGGING_RULES='framelark.*=true' framelark video.mp4 2> framelark.log
// The user still sees only the application's alerts and counts.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(logMedia)   // framelark.media: probing, decoding, writing, FFmpeg's own log
Q_DECLARE_LOGGING_CATEGORY(logModel)   // framelark.model: intake, runs, commands
Q_DECLARE_LOGGING_CATEGORY(logShare)   // framelark.share: share image rendering and files
