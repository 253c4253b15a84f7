#include "media/FfmpegLog.h"

#include "basics/Logging.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>

namespace {

void toCategory(void *context, int level, const char *format, va_list arguments)
{
    if (level > av_log_get_level())
        return;
    // One line per call; the prefix names the component ("[h264 @ 0x…]").
    thread_local int printPrefix = 1;
    char line[1024];
    av_log_format_line2(context, level, format, arguments, line, int(sizeof line), &printPrefix);
    QByteArray text(line);
    while (text.endsWith('\n'))
        text.chop(1);
    if (text.isEmpty())
        return;
    if (level <= AV_LOG_WARNING)
        qCWarning(logMedia, "ffmpeg: %s", text.constData());
    else
        qCDebug(logMedia, "ffmpeg: %s", text.constData());
}

} // namespace

namespace FfmpegLog {

void route()
{
    const int level = logMedia().isDebugEnabled() ? AV_LOG_VERBOSE
        : logMedia().isWarningEnabled()           ? AV_LOG_WARNING
                                                  : AV_LOG_QUIET;
    av_log_set_level(level);
    av_log_set_callback(toCategory);
}

} // namespace FfmpegLog
