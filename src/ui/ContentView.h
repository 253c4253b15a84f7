#pragma once
// The main window: a toolbar (Back, Add Videos, the video's summary, the
// capture settings button), the menus, and as content either the start
// screen (no video open) or the workspace of the selected video. It takes
// files dropped anywhere on it, hands the stored capture settings to the
// model a short quiet moment after they last changed (and once after the
// window first appears), and presents the model's alert and, while the
// model's showShareImage is set, the share image window of the selected
// video.
//
// Thread: UI thread only. Does not own `model`, `preferences` or `exporter`,
// which must outlive it.

#include <QMainWindow>
#include <QPointer>

#include <chrono>
#include <functional>

class AppModel;
class CaptureSettingsButton;
class DropOutline;
class DropZone;
class Exporter;
class SheetView;
class Preferences;
class QAction;
class QLabel;
class QMessageBox;
class QStackedWidget;
class SettingsHandOver;

class ContentView : public QMainWindow {
    Q_OBJECT
public:
    static constexpr QSize minimumContentSize{980, 620};
    static constexpr QSize initialSize{1240, 820};
    static constexpr std::chrono::milliseconds defaultHandOverDelay{150};

    // `handOverDelay`: the quiet time before capture settings reach the model.
    ContentView(AppModel &model, Preferences &preferences, Exporter &exporter,
                std::chrono::milliseconds handOverDelay = defaultHandOverDelay,
                QWidget *parent = nullptr);
    ~ContentView() override;

    // Replaces how the share image window is presented (tests): called each
    // time the model's showShareImage becomes true, in place of opening a
    // SheetView, and must set the flag back to false when its window closes.
    // Without one the view opens the SheetView itself, window-modal, over
    // this window.
    using ShareImagePresenter = std::function<void()>;
    void setShareImagePresenter(ShareImagePresenter presenter);

    // True while a drag carrying URLs hovers over the window.
    bool isDropping() const { return m_dropping; }
    // The summary of the selected video, shown in the toolbar; empty when none.
    QString subtitle() const;

    // Asks how to cut preview sprites and exports them for the selected video.
    void exportSprites();

    QAction *backAction() const { return m_back; }
    QAction *addVideosAction() const { return m_addVideos; }
    CaptureSettingsButton *captureSettingsButton() const { return m_captureSettings; }
    DropZone *dropZone() const { return m_dropZone; }
    QWidget *workspace() const { return m_workspace; }
    DropOutline *dropOutline() const { return m_outline; }
    // The settings window once it has been opened; null before.
    QWidget *settingsWindow() const { return m_settingsWindow; }

    // Opens (or raises) the settings window.
    void openSettings();
    void showAbout();

signals:
    // The window appeared for the first time; files opened from outside can
    // now be taken.
    void firstShown();

protected:
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildToolBar();
    void updateIcons();
    void refresh();
    void setDropping(bool dropping);
    void updateDropHighlight();
    void presentAlert();
    void showShareImageChanged();

    AppModel &m_model;
    Preferences &m_preferences;
    Exporter &m_exporter;
    SettingsHandOver *m_handOver;
    bool m_shown = false;
    bool m_dropping = false;
    ShareImagePresenter m_presentShareImage;
    QPointer<SheetView> m_sheet;  // the share image window while it is open

    QAction *m_back = nullptr;
    QAction *m_addVideos = nullptr;
    QLabel *m_subtitle = nullptr;
    CaptureSettingsButton *m_captureSettings = nullptr;
    QStackedWidget *m_pages = nullptr;
    DropZone *m_dropZone = nullptr;
    QWidget *m_workspace = nullptr;
    DropOutline *m_outline = nullptr;
    QPointer<QMessageBox> m_alertBox;
    QPointer<QWidget> m_settingsWindow;
};
