#pragma once
// FFmpeg's own messages (damaged packets, missing references, demuxer
// complaints) go to the media log category instead of stderr: silent unless
// QT_LOGGING_RULES turns framelark.media on, and then part of the log a
// user can send with a bug report.

namespace FfmpegLog {

// Installs the route; call once at start, after the logging rules are set
// (they are read from the environment, so any time before decoding).
// FFmpeg's verbosity follows the category: debug messages when its debug
// level is on, warnings and errors when only warnings are, nothing otherwise,
// so a silent log costs nothing. Thread-safe once installed.
void route();

} // namespace FfmpegLog
