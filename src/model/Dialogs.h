#pragma once
// The modal panels the model and the exporter ask the user through. The application provides
// one on QFileDialog; tests provide scripted answers.
//
// Thread: UI thread only. Calls block until the panel closes.

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Video files to open, in the panel's order; empty when cancelled.
    virtual QList<QUrl> chooseVideos() = 0;

    // A folder to export into, the panel showing `message` and starting in
    // `startFolder`; none when cancelled.
    virtual std::optional<QString> chooseExportFolder(const QString &message,
                                                      const QString &startFolder) = 0;

    // Whether to close every video although shots picked by hand would be
    // lost; Cancel (false) is the default answer.
    virtual bool confirmCloseAll() = 0;
};
