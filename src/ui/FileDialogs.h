#pragma once
// The model's panels: files and folders on QFileDialog (the desktop's own
// dialog where the platform offers one, Qt's otherwise), and the question
// before closing work done by hand.
//
// Thread: UI thread. Each call runs a modal dialog and returns when it
// closes. Ownership: `parent` is not owned; it may go away, and then the
// panels have no parent.

#include "model/Dialogs.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

class FileDialogs : public Dialogs {
    Q_DECLARE_TR_FUNCTIONS(FileDialogs)
public:
    explicit FileDialogs(QWidget *parent = nullptr);
    // The window the panels open over (the main window exists after the model).
    void setParent(QWidget *parent) { m_parent = parent; }

    // Several files at once; video types are offered first, any file can
    // still be picked.
    QList<QUrl> chooseVideos() override;
    // Folders only, new ones can be made; `message` is the panel's title
    // and its confirm button reads "Export Here".
    std::optional<QString> chooseExportFolder(const QString &message,
                                              const QString &startFolder) override;
    // A warning over the window: "Close All" or Cancel, Cancel the default
    // and the answer to Escape.
    bool confirmCloseAll() override;

    // The patterns of the video filter, in the order they are offered: each
    // in lower and in upper case.
    static QStringList videoPatterns();

private:
    QPointer<QWidget> m_parent;
};
