#include "sharewindow/SheetView.h"

#include <QCoroTask>

#include "basics/Planning.h"
#include "export/FileManagerReveal.h"
#include "media/ImageFiles.h"
#include "settings/Preferences.h"
#include "share/SheetRenderer.h"
#include "sharewindow/SheetPreview.h"
#include "sharewindow/SheetShare.h"
#include "widgets/SegmentedControl.h"
#include "widgets/Style.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QMenu>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

constexpr int widths[] = {1600, 2400, 3600};
constexpr int panelWidth = 250;
constexpr int panelInset = 20;
constexpr int panelSpacing = 18;
constexpr int buttonSpacing = 8;
constexpr int largeButtonHeight = 32;

SheetView::SaveChoice askSavePath(QWidget *parent, const QString &proposed)
{
    const QString jpeg = SheetView::tr("JPEG Image (*.jpg *.jpeg)");
    const QString png = SheetView::tr("PNG Image (*.png)");
    const QString webp = SheetView::tr("WebP Image (*.webp)");
    QFileDialog dialog(parent, SheetView::tr("Save Share Image"), proposed);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({jpeg, png, webp});
    // The panel adds the chosen type's extension to a bare name before it
    // asks about replacing an existing file.
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, png, webp](const QString &filter) {
        dialog.setDefaultSuffix(filter == png    ? QStringLiteral("png")
                                : filter == webp ? QStringLiteral("webp")
                                                 : QStringLiteral("jpg"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString filter = dialog.selectedNameFilter();
    return {dialog.selectedFiles().first(),
            filter == png    ? SheetFiles::SaveFormat::png
            : filter == webp ? SheetFiles::SaveFormat::webp
                             : SheetFiles::SaveFormat::jpeg};
}

QPushButton *largeButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setMinimumHeight(largeButtonHeight);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setAutoDefault(false);
    return button;
}

// An icon drawn in `color` in its normal state and in the palette's disabled
// button text colour when disabled.
QIcon iconIn(const QIcon &source, const QColor &color, const QPalette &palette, qreal ratio)
{
    QIcon result;
    const QColor disabled = palette.color(QPalette::Disabled, QPalette::ButtonText);
    for (const int size : {16, 22, 24}) {
        result.addPixmap(Style::tinted(source, size, color, ratio), QIcon::Normal);
        result.addPixmap(Style::tinted(source, size, disabled, ratio), QIcon::Disabled);
    }
    return result;
}

QIcon symbol(const char *themeName, const char *resource)
{
    return Style::themedIcon({QString::fromLatin1(themeName)}, QString::fromLatin1(resource));
}

} // namespace

SheetView::Services SheetView::defaultServices()
{
    return {&SheetRenderer::render, &askSavePath};
}

SheetView::SheetView(QList<Shot> shots, VideoInfo video, Preferences &prefs, QWidget *parent)
    : SheetView(std::move(shots), std::move(video), prefs, defaultServices(), parent)
{
}

SheetView::SheetView(QList<Shot> shots, VideoInfo video, Preferences &prefs, Services services,
                     QWidget *parent)
    : QDialog(parent)
    , m_prefs(prefs)
    , m_chooseSavePath(services.chooseSavePath ? std::move(services.chooseSavePath)
                                               : SavePathFunction(&askSavePath))
    , m_session(new SheetSession(std::move(shots), std::move(video), std::move(services.render),
                                 this))
{

    setWindowTitle(tr("Share Image"));
    setWindowModality(Qt::WindowModal);
    setSizeGripEnabled(true);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_preview = new SheetPreview(this);
    row->addWidget(m_preview, 1);
    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    row->addWidget(divider);
    row->addWidget(buildPanel());

    connect(m_session, &SheetSession::changed, this, &SheetView::updateState);
    connect(m_session, &SheetSession::rendered, this, &SheetView::rendered);
    connect(&m_prefs, &Preferences::sheetOptionsChanged, this, [this] {
        syncControls();
        m_session->setOptions(options());
    });
    syncControls();
    updateState();
    m_session->setOptions(options());
}

QWidget *SheetView::buildPanel()
{
    auto *panel = new QWidget(this);
    panel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(panelInset, panelInset, panelInset, panelInset);
    column->setSpacing(panelSpacing);

    auto *heading = new QLabel(tr("Share Image"), panel);
    QFont headingFont = Style::font(heading->font(), Style::TextStyle::title);
    headingFont.setWeight(QFont::Bold);
    heading->setFont(headingFont);
    column->addWidget(heading);

    // The form: labels on the left, controls on the right; check boxes sit
    // under the controls, as desktop forms align them.
    auto *form = new QGridLayout;
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(10);
    form->setColumnStretch(1, 1);

    m_columnsLabel = new QLabel(panel);
    m_columnsLabel->setObjectName(QStringLiteral("columnsLabel"));
    auto *stepper = new QWidget(panel);
    auto *stepperRow = new QHBoxLayout(stepper);
    stepperRow->setContentsMargins(0, 0, 0, 0);
    stepperRow->setSpacing(0);
    m_columnsDown = new QToolButton(stepper);
    m_columnsDown->setObjectName(QStringLiteral("columnsDown"));
    m_columnsDown->setText(QStringLiteral("−"));
    m_columnsDown->setAccessibleName(tr("Fewer Columns"));
    m_columnsUp = new QToolButton(stepper);
    m_columnsUp->setObjectName(QStringLiteral("columnsUp"));
    m_columnsUp->setText(QStringLiteral("+"));
    m_columnsUp->setAccessibleName(tr("More Columns"));
    for (QToolButton *button : {m_columnsDown, m_columnsUp}) {
        button->setAutoRaise(false);
        button->setFixedSize(button->sizeHint().expandedTo(QSize(28, 24)));
        stepperRow->addWidget(button);
    }
    stepperRow->addStretch();
    connect(m_columnsDown, &QToolButton::clicked, this, [this] {
        m_prefs.setSheetColumns(SheetOptions::clampColumns(options().columns - 1));
    });
    connect(m_columnsUp, &QToolButton::clicked, this, [this] {
        m_prefs.setSheetColumns(SheetOptions::clampColumns(options().columns + 1));
    });
    form->addWidget(m_columnsLabel, 0, 0);
    form->addWidget(stepper, 0, 1);

    m_width = new QComboBox(panel);
    m_width->setObjectName(QStringLiteral("widthCombo"));
    for (const int width : widths)
        m_width->addItem(tr("%1 px").arg(width), width);
    connect(m_width, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            m_prefs.setSheetWidth(m_width->itemData(index).toInt());
    });
    form->addWidget(new QLabel(tr("Width"), panel), 1, 0);
    form->addWidget(m_width, 1, 1);

    m_background = new SegmentedControl({tr("Dark"), tr("Light")}, panel);
    m_background->setObjectName(QStringLiteral("background"));
    connect(m_background, &SegmentedControl::currentChanged, this,
            [this](int index) { m_prefs.setSheetDark(index == 0); });
    form->addWidget(new QLabel(tr("Background"), panel), 2, 0);
    form->addWidget(m_background, 2, 1);

    m_timestamps = new QCheckBox(tr("Timestamps"), panel);
    m_timestamps->setObjectName(QStringLiteral("timestamps"));
    connect(m_timestamps, &QCheckBox::clicked, this,
            [this](bool checked) { m_prefs.setSheetTime(checked); });
    form->addWidget(m_timestamps, 3, 1);
    m_videoInfo = new QCheckBox(tr("Video Info"), panel);
    m_videoInfo->setObjectName(QStringLiteral("videoInfo"));
    connect(m_videoInfo, &QCheckBox::clicked, this,
            [this](bool checked) { m_prefs.setSheetHeader(checked); });
    form->addWidget(m_videoInfo, 4, 1);

    m_title = new QLineEdit(panel);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setPlaceholderText(m_session->video().baseName());
    m_title->setClearButtonEnabled(true);
    m_note = new QLineEdit(panel);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setPlaceholderText(tr("Optional"));
    m_note->setClearButtonEnabled(true);
    // The column's width, whatever is typed: the panel must not shift
    // with each keystroke.
    for (QLineEdit *edit : {m_title, m_note}) {
        edit->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 12);
    }
    auto *titleLabel = new QLabel(tr("Title"), panel);
    auto *noteLabel = new QLabel(tr("Note"), panel);
    titleLabel->setBuddy(m_title);
    noteLabel->setBuddy(m_note);
    form->addWidget(titleLabel, 5, 0);
    form->addWidget(m_title, 5, 1);
    form->addWidget(noteLabel, 6, 0);
    form->addWidget(m_note, 6, 1);
    // A render per keystroke would mostly be thrown away; one after a short
    // pause shows what was typed.
    m_typingPause = new QTimer(this);
    m_typingPause->setSingleShot(true);
    m_typingPause->setInterval(300);
    connect(m_typingPause, &QTimer::timeout, this, [this] {
        m_session->setOptions(options());
        emit headerTextsChanged(m_title->text(), m_note->text());
    });
    // What was typed just before closing still belongs to the video.
    connect(this, &QDialog::finished, this, &SheetView::applyTyping);
    for (QLineEdit *edit : {m_title, m_note})
        connect(edit, &QLineEdit::textEdited, m_typingPause, qOverload<>(&QTimer::start));
    column->addLayout(form);

    m_captions = new QWidget(panel);
    auto *captionColumn = new QVBoxLayout(m_captions);
    captionColumn->setContentsMargins(0, 0, 0, 0);
    captionColumn->setSpacing(4);
    m_sizeCaption = new QLabel(m_captions);
    m_sizeCaption->setObjectName(QStringLiteral("sizeCaption"));
    auto *dragCaption = new QLabel(tr("Drag the preview into any app"), m_captions);
    for (QLabel *label : {m_sizeCaption, dragCaption}) {
        Style::apply(label, Style::TextStyle::caption, Style::Tone::secondary);
        captionColumn->addWidget(label);
    }
    column->addWidget(m_captions);

    column->addStretch(1);

    auto *actions = new QVBoxLayout;
    actions->setSpacing(buttonSpacing);
    m_copy = largeButton(tr("Copy Image"), panel);
    m_copy->setObjectName(QStringLiteral("copyButton"));
    m_copy->setShortcut(QKeySequence::Copy);
    connect(m_copy, &QPushButton::clicked, this, &SheetView::copy);
    actions->addWidget(m_copy);

    m_save = largeButton(tr("Save…"), panel);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setShortcut(QKeySequence::Save);
    connect(m_save, &QPushButton::clicked, this, &SheetView::save);
    actions->addWidget(m_save);

    m_share = largeButton(tr("Share…"), panel);
    m_share->setObjectName(QStringLiteral("shareButton"));
    connect(m_share, &QPushButton::clicked, this, &SheetView::showShareMenu);
    actions->addWidget(m_share);

    m_close = largeButton(tr("Close"), panel);
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    actions->addWidget(m_close);
    column->addLayout(actions);
    // At least the usual width, and as wide as its texts need in the
    // user's font and language, so none of them is ever cut.
    panel->setMinimumWidth(std::max(panelWidth, panel->minimumSizeHint().width()));
    return panel;
}

SheetOptions SheetView::options() const
{
    SheetOptions options = m_prefs.sheetOptions();
    options.title = m_title->text();
    options.note = m_note->text();
    return options;
}

void SheetView::setHeaderTexts(const QString &title, const QString &note)
{
    m_typingPause->stop();
    m_title->setText(title);
    m_note->setText(note);
    m_session->setOptions(options());
}

void SheetView::syncControls()
{
    const SheetOptions current = options();
    m_columnsLabel->setText(tr("Columns: %1").arg(current.columns));
    m_columnsDown->setEnabled(current.columns > SheetOptions::minColumns);
    m_columnsUp->setEnabled(current.columns < SheetOptions::maxColumns);
    // A stored width that is not offered shows no selection but is used.
    m_width->setCurrentIndex(m_width->findData(current.width));
    m_background->setCurrent(current.dark ? 0 : 1);
    m_timestamps->setChecked(current.showTime);
    m_videoInfo->setChecked(current.showHeader);
    // The texts are drawn only in the header.
    m_title->setEnabled(current.showHeader);
    m_note->setEnabled(current.showHeader);
}

void SheetView::updateState()
{
    const QImage &image = m_session->image();
    const bool shown = !image.isNull();
    m_preview->setImage(image);
    m_preview->setFile(m_session->file());
    m_preview->setMessage(m_session->failed() ? tr("This share image would be too large. "
                                        "Choose more columns or a smaller width.")
                                   : QString());
    m_captions->setVisible(shown);
    if (shown)
        m_sizeCaption->setText(QStringLiteral("%1 × %2 · %3")
                                   .arg(image.width())
                                   .arg(image.height())
                                   .arg(shotCount(m_session->shots().size())));
    m_copy->setEnabled(shown);
    m_save->setEnabled(shown);
    m_share->setEnabled(shown);
    m_share->setVisible(m_session->file().has_value());
    m_close->setEnabled(shown || m_session->failed());
    m_copy->setText(m_session->copied() ? tr("Copied") : tr("Copy Image"));
    updateIcons();
}

void SheetView::updateIcons()
{
    // The one emphasised action: filled with the accent colour.
    QPalette accent = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        accent.setColor(group, QPalette::Button, Style::accent(accent));
        accent.setColor(group, QPalette::ButtonText, accent.color(group, QPalette::HighlightedText));
    }
    m_copy->setPalette(accent);
    const QColor onAccent = m_copy->palette().color(QPalette::Active, QPalette::ButtonText);
    m_copy->setIcon(iconIn(m_session->copied() ? symbol("object-select-symbolic", ":/icons/sheet-check.svg")
                                    : symbol("edit-copy-symbolic", ":/icons/sheet-copy.svg"),
                           onAccent, palette(), devicePixelRatioF()));
    const QColor text = palette().color(QPalette::ButtonText);
    m_save->setIcon(iconIn(symbol("document-save-symbolic", ":/icons/sheet-save.svg"), text,
                           palette(), devicePixelRatioF()));
    m_share->setIcon(iconIn(symbol("document-send-symbolic", ":/icons/sheet-share.svg"), text,
                            palette(), devicePixelRatioF()));
}

void SheetView::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // Icons and the accent fill follow the palette; a theme switch redraws them.
    if (event->type() == QEvent::PaletteChange && m_copy)
        updateIcons();
}

void SheetView::applyTyping()
{
    if (!m_typingPause->isActive())
        return;
    m_typingPause->stop();
    m_session->setOptions(options());
    emit headerTextsChanged(m_title->text(), m_note->text());
}

void SheetView::copy()
{
    applyTyping();
    m_session->copy();
    if (m_session->copied() && m_tookOut)
        m_tookOut();
}

void SheetView::save()
{
    if (m_session->image().isNull())
        return;
    applyTyping();
    const SaveChoice choice = m_chooseSavePath(this, SheetFiles::proposedSavePath(m_session->video()));
    if (choice.path.isEmpty())
        return;
    const QString path = SheetFiles::withExtension(choice.path, choice.format);
    const QImage &image = m_session->image();
    if (SheetFiles::formatFor(path) == SheetFiles::SaveFormat::webp
        && std::max(image.width(), image.height()) > ImageFiles::webpMaxSide) {
        QMessageBox::warning(this, tr("Can't Save as WebP"),
                             tr("WebP pictures can be at most %1 pixels wide and tall; this share image is %2 × %3. "
                                "Save it as JPEG or PNG, or choose more columns or a smaller width.")
                                 .arg(QLocale().toString(ImageFiles::webpMaxSide), QLocale().toString(image.width()),
                                      QLocale().toString(image.height())));
        return;
    }
    // Like the other quiet failures, an unwritable place writes nothing (the
    // reason goes to the log). The window stays responsive meanwhile.
    [](std::function<void()> tookOut, QCoro::Task<bool> saving) -> QCoro::Task<> {
        const bool saved = co_await saving;
        if (saved && tookOut)
            tookOut();
    }(m_tookOut, m_session->save(path));
}

void SheetView::showShareMenu()
{
    if (!m_session->file())
        return;
    const QString file = *m_session->file();
    QMenu menu(this);
    menu.addAction(tr("Open with Default Application"), this,
                   [file] { SheetShare::openWithDefault(file); });
    menu.addAction(tr("Show in File Manager"), this,
                   [file] { FileManagerReveal::reveal({file}); });
    menu.addAction(tr("Attach to Email…"), this, [this, file] {
        if (!SheetShare::attachToEmail(file))
            QMessageBox::warning(this, tr("Can't Attach to Email"),
                                 tr("No e-mail program could be started. "
                                    "Save the image and attach it by hand."));
    });
    menu.exec(m_share->mapToGlobal(QPoint(0, m_share->height())));
}

void SheetView::keyPressEvent(QKeyEvent *event)
{
    // Escape is Close's key: it does what the button does, and nothing
    // while the button is disabled.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_close->isEnabled())
            m_close->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
