#pragma once
// The file name extensions videos come with, lower case and without the dot.
// What is opened is decided by probing; this list only tells which files in
// a folder are meant to be videos. Pure; any thread.

#include <QStringList>

namespace VideoFiles {

const QStringList &extensions();
// Whether `fileName` ends in one of them, in any case (cameras write IMG_0001.MOV).
bool looksLikeVideo(const QString &fileName);

} // namespace VideoFiles
