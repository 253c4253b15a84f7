#include "basics/VideoFiles.h"

namespace VideoFiles {

const QStringList &extensions()
{
    static const QStringList list{"mp4", "mov",  "m4v", "mkv", "avi", "webm", "mpg",
                                  "mpeg", "ts", "m2ts", "wmv", "flv", "ogv",  "3gp"};
    return list;
}

bool looksLikeVideo(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > 0 && extensions().contains(fileName.mid(dot + 1).toLower());
}

} // namespace VideoFiles
