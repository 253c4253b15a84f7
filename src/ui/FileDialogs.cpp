#include "ui/FileDialogs.h"

#include "basics/VideoFiles.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

FileDialogs::FileDialogs(QWidget *parent)
    : m_parent(parent)
{
}

QStringList FileDialogs::videoPatterns()
{
    // Qt's own panel matches without regard to case, the desktop's native
    // panels do not: cameras and phones write IMG_0001.MOV.
    QStringList patterns;
    for (const QString &extension : VideoFiles::extensions()) {
        const QString pattern = QStringLiteral("*.") + extension;
        patterns << pattern << pattern.toUpper();
    }
    return patterns;
}

QList<QUrl> FileDialogs::chooseVideos()
{
    // The desktop's own title and start folder: users know where their
    // panel opens.
    QFileDialog dialog(m_parent);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({tr("Videos (%1)").arg(videoPatterns().join(QLatin1Char(' '))),
                           tr("All files (*)")});
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

bool FileDialogs::confirmCloseAll()
{
    QMessageBox box(QMessageBox::Warning, tr("Close All Videos?"), tr("Close All Videos?"), QMessageBox::NoButton,
                    m_parent);
    box.setInformativeText(tr("Shots you picked by hand will be lost."));
    QPushButton *close = box.addButton(tr("Close All"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    return box.clickedButton() == close;
}
