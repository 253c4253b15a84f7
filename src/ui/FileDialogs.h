#pragma once
// TEMPORARY stand-in until the file dialogs land.
#include "Dialogs.h"

#include <QFileDialog>

class QWidget;

class FileDialogs : public Dialogs {
public:
    explicit FileDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    QList<QUrl> chooseVideos() override
    {
        return QFileDialog::getOpenFileUrls(m_parent, QStringLiteral("Add Videos"));
    }
    std::optional<QString> chooseExportFolder(const QString &, const QString &) override { return std::nullopt; }

private:
    QWidget *m_parent;
};
