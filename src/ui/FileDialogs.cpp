#include "ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

FileDialogs::FileDialogs(QWidget *parent)
    : m_parent(parent)
{
}

QStringList FileDialogs::videoPatterns()
{
    return {"*.mp4", "*.mov", "*.m4v", "*.mkv", "*.avi", "*.webm", "*.mpg",
            "*.mpeg", "*.ts", "*.m2ts", "*.wmv", "*.flv", "*.ogv", "*.3gp"};
}

QList<QUrl> FileDialogs::chooseVideos()
{
    QFileDialog dialog(m_parent, tr("Open Videos"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({tr("Videos (%1)").arg(videoPatterns().join(QLatin1Char(' '))),
                           tr("All files (*)")});
    const QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (!movies.isEmpty() && QDir(movies).exists())
        dialog.setDirectory(movies);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedUrls();
}

std::optional<QString> FileDialogs::chooseExportFolder(const QString &message,
                                                       const QString &startFolder)
{
    // The message says what will be created where; a file dialog has no
    // text area of its own, and its title is shown by every implementation.
    QFileDialog dialog(m_parent, message);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, tr("Export Here"));
    if (!startFolder.isEmpty() && QDir(startFolder).exists())
        dialog.setDirectory(startFolder);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(chosen.first());
}
