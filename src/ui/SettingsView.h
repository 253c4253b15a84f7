#pragma once
// The content of the settings window: the default export folder, the JPEG
// quality of shots, the share image badge, and a word on privacy. Every
// control writes its preference at once and shows the stored value whoever
// changed it.
//
// Thread: UI thread only. Does not own `preferences`, which must outlive it.

#include <QWidget>

#include <functional>
#include <optional>

class ElidedLabel;
class Preferences;
class QCheckBox;
class QLabel;
class TabularLabel;
class QPushButton;
class QSlider;

class SettingsView : public QWidget {
    Q_OBJECT
public:
    // The width when the texts fit in it; wider when they do not.
    static constexpr int viewWidth = 520;

    // Asks the user for a folder; none when cancelled. Modal.
    using FolderPicker = std::function<std::optional<QString>(QWidget *parent, const QString &start)>;

    // `pickFolder` defaults to the desktop's folder dialog (pickFolderWithDialog).
    explicit SettingsView(Preferences &preferences, FolderPicker pickFolder = {},
                          QWidget *parent = nullptr);

    // A folders-only file dialog, starting in `start`, whose accept button
    // reads "Use This Folder"; the user may create a folder in it.
    static std::optional<QString> pickFolderWithDialog(QWidget *parent, const QString &start);

    // Asks for a folder and stores it as the default export folder. A folder
    // that cannot be stored clears the setting, so Export asks again.
    void chooseFolder();

    // As tall as the wrapped notes need at the view's width.
    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refreshFolder();
    void refreshQuality();
    void refreshBadge();
    void refreshSourceDetails();

    Preferences &m_preferences;
    FolderPicker m_pickFolder;
    ElidedLabel *m_folder;
    QPushButton *m_askEveryTime;
    QSlider *m_quality;
    TabularLabel *m_qualityLabel;
    QCheckBox *m_shareBadge;
    QCheckBox *m_sourceDetails;
};
