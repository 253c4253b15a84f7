#include "ui/ContentView.h"

#include "export/Exporter.h"
#include "ui/SpriteDialog.h"
#include "model/AppModel.h"
#include "settings/Preferences.h"
#include "model/SettingsHandOver.h"
#include "sharewindow/SheetView.h"
#include "ui/CaptureSettingsButton.h"
#include "ui/DropFilter.h"
#include "ui/DropOutline.h"
#include "ui/DropZone.h"
#include "ui/SettingsView.h"
#include "ui/Workspace.h"
#include "widgets/Style.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

ContentView::ContentView(AppModel &model, Preferences &preferences, Exporter &exporter,
                         std::chrono::milliseconds handOverDelay, QWidget *parent)
    : QMainWindow(parent)
    , m_model(model)
    , m_preferences(preferences)
    , m_exporter(exporter)
    , m_handOver(new SettingsHandOver(model, preferences, handOverDelay, this))
{
    setAcceptDrops(true);
    // On a small (or strongly scaled) screen the first size is what fits;
    // the content's minimum still holds.
    QSize first = initialSize;
    if (const QScreen *screen = this->screen())
        first = first.boundedTo(screen->availableSize());
    resize(first);

    // The content: start screen or workspace, with the drop outline above both.
    auto *content = new QWidget(this);
    content->setMinimumSize(minimumContentSize);
    m_pages = new QStackedWidget(content);
    m_dropZone = new DropZone(m_pages);
    m_workspace = new Workspace(m_model, &exporter, m_pages);
    m_pages->addWidget(m_dropZone);
    m_pages->addWidget(m_workspace);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);
    m_outline = new DropOutline(content);
    setCentralWidget(content);
    connect(m_dropZone, &DropZone::chooseRequested, this, [this] { m_model.chooseVideos(); });

    buildToolBar();

    connect(&m_model, &AppModel::videosChanged, this, &ContentView::refresh);
    connect(&m_model, &AppModel::selectedChanged, this, &ContentView::refresh);
    connect(&m_model, &AppModel::alertChanged, this, &ContentView::presentAlert);
    connect(&m_model, &AppModel::showShareImageChanged, this, &ContentView::showShareImageChanged);
    refresh();
}

ContentView::~ContentView() = default;

void ContentView::buildToolBar()
{
    QToolBar *bar = addToolBar(tr("Toolbar"));
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);

    m_back = new QAction(tr("Back"), this);
    m_back->setToolTip(tr("Close all videos and go back to the start screen (Esc)"));
    // A hidden action's shortcut is off too, so Escape does nothing on the
    // start screen.
    m_back->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(m_back, &QAction::triggered, &m_model, &AppModel::goBack);
    bar->addAction(m_back);

    m_addVideos = new QAction(tr("Add Videos"), this);
    m_addVideos->setToolTip(tr("Add Videos"));
    connect(m_addVideos, &QAction::triggered, this, [this] { m_model.chooseVideos(); });
    bar->addAction(m_addVideos);

    m_subtitle = new QLabel(bar);
    Style::apply(m_subtitle, Style::TextStyle::body, Style::Tone::secondary);
    m_subtitle->setContentsMargins(12, 0, 0, 0);
    m_subtitle->setTextFormat(Qt::PlainText);
    bar->addWidget(m_subtitle);

    auto *spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);

    m_captureSettings = new CaptureSettingsButton(m_preferences, bar);
    bar->addWidget(m_captureSettings);
    updateIcons();
}

void ContentView::updateIcons()
{
    const QIcon back = Style::themedIcon(
        {QStringLiteral("go-previous-symbolic"), QStringLiteral("go-previous")},
        QStringLiteral(":/icons/go-previous.svg"));
    const QIcon add = Style::themedIcon(
        {QStringLiteral("list-add-symbolic"), QStringLiteral("list-add")},
        QStringLiteral(":/icons/list-add.svg"));
    m_back->setIcon(Style::toolIcon(back, palette(), devicePixelRatioF()));
    m_addVideos->setIcon(Style::toolIcon(add, palette(), devicePixelRatioF()));
}

void ContentView::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_back)
        updateIcons();
}

QString ContentView::subtitle() const
{
    const VideoItem *item = m_model.selected();
    return item ? item->info().summary() : QString();
}

void ContentView::refresh()
{
    const VideoItem *item = m_model.selected();
    setWindowTitle(item ? item->info().fileName() : QStringLiteral("Framelark"));
    m_subtitle->setText(subtitle());
    const bool open = !m_model.videos().isEmpty();
    m_back->setVisible(open);
    m_pages->setCurrentWidget(open ? m_workspace : static_cast<QWidget *>(m_dropZone));
    updateDropHighlight();
}

void ContentView::setShareImagePresenter(ShareImagePresenter presenter)
{
    m_presentShareImage = std::move(presenter);
}

void ContentView::showShareImageChanged()
{
    if (!m_model.showShareImage()) {
        // Taken down from outside (the video was removed, all were closed).
        if (m_sheet)
            m_sheet->reject();
        return;
    }
    if (m_presentShareImage) {
        m_presentShareImage();
        return;
    }
    VideoItem *video = m_model.selected();
    if (m_sheet || !video || video->selectedShots().isEmpty()) {
        if (!m_sheet)
            m_model.setShowShareImage(false);
        return;
    }
    m_sheet = new SheetView(video->selectedShots(), video->info(), m_preferences, this);
    m_sheet->setHeaderTexts(video->sheetTitle(), video->sheetNote());
    connect(m_sheet, &SheetView::headerTextsChanged, video,
            [video = QPointer<VideoItem>(video)](const QString &title, const QString &note) {
                if (video)
                    video->setSheetTexts(title, note);
            });
    m_sheet->setTookOut([model = QPointer<AppModel>(&m_model), id = video->id(), edits = video->edits()] {
        if (model)
            model->tookOut(id, edits);
    });
    connect(m_sheet, &QDialog::finished, this, [this, sheet = m_sheet] {
        // Forget the window before it is deleted: a request arriving between
        // now and that deletion must open a new one, not find this one.
        m_sheet = nullptr;
        m_model.setShowShareImage(false);
        sheet->deleteLater();
    });
    // This window is blocked while the share window is open, and so are the
    // shortcuts of its menus; the application-wide ones (Quit) go along.
    for (QAction *top : menuBar()->actions()) {
        if (const QMenu *menu = top->menu()) {
            for (QAction *action : menu->actions()) {
                if (action->shortcutContext() == Qt::ApplicationShortcut)
                    m_sheet->addAction(action);
            }
        }
    }
    m_sheet->open();
}

// --- settings hand-over -------------------------------------------------------

void ContentView::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(m_shown, true))
        return;
    m_handOver->begin();
    emit firstShown();
}

// --- drops ----------------------------------------------------------------------

void ContentView::setDropping(bool dropping)
{
    if (m_dropping == dropping)
        return;
    m_dropping = dropping;
    updateDropHighlight();
}

void ContentView::updateDropHighlight()
{
    const bool open = !m_model.videos().isEmpty();
    // The start screen highlights itself; the workspace gets the outline.
    m_dropZone->setHighlighted(m_dropping && !open);
    m_outline->setVisible(m_dropping && open);
    if (m_outline->isVisible())
        m_outline->raise();
}

void ContentView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setDropping(true);
}

void ContentView::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void ContentView::dragLeaveEvent(QDragLeaveEvent *event)
{
    QMainWindow::dragLeaveEvent(event);
    setDropping(false);
}

void ContentView::dropEvent(QDropEvent *event)
{
    setDropping(false);
    const QList<QUrl> videos = DropFilter::videos(event->mimeData()->urls());
    if (videos.isEmpty()) {
        // Images only: refused, nothing changes.
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Runs on by itself; the drop returns at once.
    m_model.add(videos);
}

// --- alert ----------------------------------------------------------------------

void ContentView::presentAlert()
{
    const std::optional<AppAlert> alert = m_model.alert();
    if (!alert) {
        if (m_alertBox)
            m_alertBox->close();
        return;
    }
    if (!m_alertBox) {
        m_alertBox = new QMessageBox(this);
        m_alertBox->setAttribute(Qt::WA_DeleteOnClose);
        m_alertBox->setWindowModality(Qt::WindowModal);
        m_alertBox->setIcon(QMessageBox::Warning);
        m_alertBox->setStandardButtons(QMessageBox::Ok);
        m_alertBox->setTextFormat(Qt::RichText);
        // However the box goes away, the alert is over.
        connect(m_alertBox, &QMessageBox::finished, this, [this] { m_model.setAlert(std::nullopt); });
    }
    // The title doubles as the box's heading, since many window managers
    // show no title on a dialog attached to its window. Both texts carry
    // file names, so they are escaped before being marked up.
    m_alertBox->setWindowTitle(alert->title);
    m_alertBox->setText(QStringLiteral("<b>%1</b>").arg(alert->title.toHtmlEscaped()));
    m_alertBox->setInformativeText(QStringLiteral("<p>%1</p>").arg(alert->message.toHtmlEscaped()));
    m_alertBox->open();
}

// --- settings and about -----------------------------------------------------------

void ContentView::openSettings()
{
    if (!m_settingsWindow) {
        m_settingsWindow = new QWidget(this, Qt::Window);
        m_settingsWindow->setWindowTitle(tr("Settings"));
        m_settingsWindow->setObjectName(QStringLiteral("settingsWindow"));
        auto *layout = new QVBoxLayout(m_settingsWindow);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addWidget(new SettingsView(m_preferences, {}, m_settingsWindow));
        // Closed like a dialog; every change is already stored.
        for (const QKeySequence &keys : {QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)}) {
            auto *shortcut = new QShortcut(keys, m_settingsWindow);
            connect(shortcut, &QShortcut::activated, m_settingsWindow, &QWidget::close);
        }
        // Opened over the main window, as a dialog would be; where the user
        // moves it afterwards, it stays for the rest of the run.
        m_settingsWindow->adjustSize();
        QRect placed(QPoint(), m_settingsWindow->size());
        placed.moveCenter(window()->geometry().center());
        m_settingsWindow->move(placed.topLeft());
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

void ContentView::exportSprites()
{
    if (const std::optional<PreviewSprites::Options> options = SpriteDialog::ask(m_preferences, this))
        m_exporter.exportSprites(*options);
}

void ContentView::showAbout()
{
    auto *box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(tr("About Framelark"));
    box->setIconPixmap(windowIcon().pixmap(64, 64));
    box->setTextFormat(Qt::PlainText);
    box->setText(QStringLiteral("Framelark"));
    box->setInformativeText(tr("Version %1").arg(QCoreApplication::applicationVersion()) +
                            QStringLiteral("\n\n") +
                            tr("Turns videos into still screenshots. Everything happens on this "
                               "computer."));
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
}
