#pragma once
// The files a framelark-cli call works on, from the paths it was given:
// files as they are, folders as the files they hold (sorted by name; the
// folders inside them too with `recursive`), in the order given, each once.
//
// Blocking (reads folders); any thread.

#include <QString>
#include <QStringList>

namespace InputFiles {

// Absolute, clean paths. A given path that does not exist is kept, so that
// it is reported. Inside folders only files that look like videos by their
// extension are taken (the shots and share images a batch wrote there are
// not); hidden files and folders are left out.
QStringList collect(const QStringList &paths, bool recursive);

} // namespace InputFiles
