#pragma once
// The share image window: a live preview of one video's contact sheet on the
// left, its options and the ways out of the program (copy, save, share, drag)
// on the right.
//
// Contract for the window that presents it:
// - Create it with the selected shots (never empty) and the video's facts
//   when AppModel::showShareImage becomes true, and call open(): it is
//   window-modal over its parent and open() returns at once.
// - It emits finished() when it closes, by its Close button, Escape or the
//   window manager's close button. Set AppModel::showShareImage to false
//   there and deleteLater() the view; it never deletes itself.
// - To take it down from outside (for example when the videos are closed),
//   call reject().
//
// Options live in Preferences (the share image options): the controls write
// them at once, and a change from anywhere (the settings window's badge switch)
// is handed to the view's SheetSession, which renders, keeps the newest
// result and its temporary JPEG. The view only shows what the session holds.
//
// Before the first image every button, Close included, is disabled and
// Escape does nothing; the window manager's close button always works, so a
// window whose render cannot succeed can never trap the user. If the render
// for the current options fails (the canvas would be too large) while no
// image is shown, the preview says so and Close is enabled.
//
// Thread: UI thread only. Ownership: the caller owns the view; `prefs` must
// outlive it.

#include "basics/Records.h"
#include "basics/SheetOptions.h"
#include "share/SheetFiles.h"
#include "share/SheetSession.h"

#include <QDialog>
#include <QImage>
#include <QList>

#include <functional>
#include <optional>

class Preferences;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class QPushButton;
class QToolButton;
class QWidget;
class SegmentedControl;
class SheetPreview;

class SheetView : public QDialog {
    Q_OBJECT
public:
    // Asks where to save: the chosen path (empty when the user cancelled)
    // and the file type chosen in the panel. `proposed` is the full path to
    // start with.
    struct SaveChoice {
        QString path;
        SheetFiles::SaveFormat format = SheetFiles::SaveFormat::jpeg;
    };
    using SavePathFunction = std::function<SaveChoice(QWidget *parent, const QString &proposed)>;

    // What the view does outside itself; tests replace these.
    struct Services {
        SheetFiles::RenderFunction render;       // default: SheetRenderer::render
        SavePathFunction chooseSavePath;         // default: a QFileDialog
    };
    static Services defaultServices();

    SheetView(QList<Shot> shots, VideoInfo video, Preferences &prefs, QWidget *parent = nullptr);
    SheetView(QList<Shot> shots, VideoInfo video, Preferences &prefs, Services services,
              QWidget *parent = nullptr);

    // The options as stored now, brought into their ranges, with the
    // title and note typed here.
    SheetOptions options() const;
    // The header's own texts, kept by the caller per video (never stored).
    // Setting them renders at once; typing renders after a short pause.
    void setHeaderTexts(const QString &title, const QString &note);
    // The image shown; null before the first render lands.
    QImage image() const { return m_session->image(); }
    // The temporary JPEG of image(); none before the first image, or when it
    // could not be written.
    std::optional<QString> file() const { return m_session->file(); }
    // The image was put on the clipboard since the last render landed.
    bool copied() const { return m_session->copied(); }

    // The buttons' operations.
    void copy();
    void save();
    // Called when the share image leaves the program: copied, or saved whole
    // (also when the save ends after the window closed).
    void setTookOut(std::function<void()> tookOut) { m_tookOut = std::move(tookOut); }

signals:
    // A render landed: image(), file() and copied() have their new values.
    void rendered();
    // The user changed the title or the note.
    void headerTextsChanged(const QString &title, const QString &note);


protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QWidget *buildPanel();
    void syncControls();
    void updateState();
    void updateIcons();
    void showShareMenu();
    // Applies a title or note whose typing pause is still running.
    void applyTyping();

    Preferences &m_prefs;
    SavePathFunction m_chooseSavePath;
    SheetSession *m_session = nullptr; // child; stops its renders when the view goes

    SheetPreview *m_preview = nullptr;
    QLabel *m_columnsLabel = nullptr;
    QToolButton *m_columnsDown = nullptr;
    QToolButton *m_columnsUp = nullptr;
    QComboBox *m_width = nullptr;
    SegmentedControl *m_background = nullptr;
    QCheckBox *m_timestamps = nullptr;
    QCheckBox *m_videoInfo = nullptr;
    QLineEdit *m_title = nullptr;
    QLineEdit *m_note = nullptr;
    QTimer *m_typingPause = nullptr;
    QWidget *m_captions = nullptr;
    QLabel *m_sizeCaption = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_share = nullptr;
    QPushButton *m_close = nullptr;
    std::function<void()> m_tookOut;
};
