#include "ui/VideoDetail.h"

#include "model/AppModel.h"
#include "model/VideoItem.h"
#include "ui/ShotDelegate.h"
#include "ui/ShotGrid.h"
#include "ui/MomentSource.h"
#include "ui/ShotViewer.h"
#include "ui/Timeline.h"
#include "ui/ShotListModel.h"
#include "ui/StatusText.h"
#include "ui/ThumbnailLoader.h"
#include "ui/ThumbnailScheduler.h"
#include "widgets/BusySpinner.h"
#include "widgets/ElidedLabel.h"
#include "widgets/LinearProgress.h"
#include "widgets/Style.h"
#include "widgets/TabularText.h"

#include <QClipboard>
#include <QCoroFuture>
#include <QCoroTask>
#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QMenu>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>
#include <climits>

namespace {

// Loads the full-size image off the UI thread and puts it on the clipboard;
// a file that cannot be read leaves the clipboard alone.
QCoro::Task<> copyImage(QString file)
{
    QFuture<QImage> loading = QtConcurrent::run([file] {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        return reader.read();
    });
    const QImage image = co_await loading;
    if (!image.isNull())
        QGuiApplication::clipboard()->setImage(image);
}

} // namespace

VideoDetail::VideoDetail(AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_loader(new ThumbnailLoader(std::max(2, QThread::idealThreadCount()), 256, this))
    , m_shots(new ShotListModel(this))
    , m_delegate(new ShotDelegate(m_loader, this))
    , m_grid(new ShotGrid)
    , m_viewer(new ShotViewer(m_shots))
    , m_timeline(new Timeline(m_shots))
    , m_addShot(new QPushButton(tr("Add Shot Here")))
    , m_spinner(new BusySpinner)
    , m_progress(new LinearProgress)
    , m_counter(new TabularLabel)
    , m_status(new ElidedLabel(Qt::ElideRight))
    , m_toggleAll(new QPushButton)
    , m_export(new QPushButton)
    , m_stopExport(new QPushButton(tr("Stop Export")))
    , m_stopReplacing(new QPushButton(tr("Stop")))
    , m_share(new QPushButton(tr("Create Share Image")))
{
    m_grid->setObjectName(QStringLiteral("grid"));
    m_spinner->setObjectName(QStringLiteral("spinner"));
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setAccessibleName(tr("Progress"));
    m_spinner->setAccessibleName(tr("Waiting for the first shots"));
    m_counter->setObjectName(QStringLiteral("counter"));
    m_status->setObjectName(QStringLiteral("status"));
    m_toggleAll->setObjectName(QStringLiteral("toggleAll"));
    m_export->setObjectName(QStringLiteral("export"));
    m_stopExport->setObjectName(QStringLiteral("stopExport"));
    m_share->setObjectName(QStringLiteral("share"));
    m_grid->setModel(m_shots);
    m_grid->setItemDelegate(m_delegate);
    connect(m_loader, &ThumbnailLoader::loaded, m_shots, &ShotListModel::thumbnailLoaded);
    new ThumbnailScheduler(m_grid, m_loader, ShotListModel::ThumbFileRole,
                           [grid = m_grid] { return grid->rowsInView(); },
                           [grid = m_grid] { return QSizeF(grid->cellWidth(), grid->cellHeight()); });
    connect(m_grid, &ShotGrid::cellClicked, this, [this](const QModelIndex &index) {
        if (m_item)
            m_item->toggle(index.data(ShotListModel::IdRole).toLongLong());
    });
    connect(m_grid, &ShotGrid::cellMenuRequested, this,
            [this](const QModelIndex &index, const QPoint &globalPos) { showMenu(index.row(), globalPos); });
    connect(m_grid, &ShotGrid::stepRequested, this, [this](const QModelIndex &index, ShotStep step) {
        m_model.step(m_item, index.data(ShotListModel::IdRole).toLongLong(), step);
    });
    // The viewer opens over the grid; a double click's first click toggled
    // the cell, so it is toggled back and the selection stays as it was.
    connect(m_grid, &ShotGrid::openRequested, this, [this](const QModelIndex &index, bool doubleClicked) {
        if (doubleClicked && m_item)
            m_item->toggle(index.data(ShotListModel::IdRole).toLongLong());
        m_viewer->open(index.row());
    });
    const auto idAt = [this](int row) { return m_shots->index(row).data(ShotListModel::IdRole).toLongLong(); };
    connect(m_viewer, &ShotViewer::toggleRequested, this, [this, idAt](int row) {
        if (m_item)
            m_item->toggle(idAt(row));
    });
    connect(m_viewer, &ShotViewer::stepRequested, this, [this, idAt](int row, ShotStep step) {
        m_model.step(m_item, idAt(row), step);
    });
    connect(m_viewer, &ShotViewer::closeRequested, this, &VideoDetail::closeViewer);
    connect(m_viewer, &ShotViewer::addRequested, this, &VideoDetail::addShown);
    connect(m_viewer, &ShotViewer::shownChanged, this, [this] {
        m_timeline->setMoment(m_viewer->shownTime());
        refresh();
    });
    connect(m_timeline, &Timeline::shotClicked, this, [this](int row) { m_viewer->open(row); });
    connect(m_timeline, &Timeline::momentClicked, this,
            [this](double seconds) { m_viewer->openMoment(seconds, m_timeline->previewPicture()); });
    m_addShot->setObjectName(QStringLiteral("addShot"));
    // A click must not take the focus: the viewer would close before the
    // shot it shows is added.
    m_addShot->setFocusPolicy(Qt::TabFocus);
    m_addShot->setToolTip(tr("Adds the frame the viewer shows as a new shot (A)"));
    connect(m_addShot, &QPushButton::clicked, this, &VideoDetail::addShown);
    connect(&m_model, &AppModel::historyChanged, this, &VideoDetail::refresh);

    // The spinner floats over the centre of the grid area.
    auto *gridArea = new QGridLayout;
    gridArea->setContentsMargins(0, 0, 0, 0);
    gridArea->addWidget(m_grid, 0, 0);
    gridArea->addWidget(m_viewer, 0, 0);
    m_viewer->hide();
    gridArea->addWidget(m_spinner, 0, 0, Qt::AlignCenter);

    auto *timelineRow = new QHBoxLayout;
    timelineRow->setContentsMargins(12, 4, 16, 4);
    timelineRow->setSpacing(10);
    timelineRow->addWidget(m_timeline, 1);
    timelineRow->addWidget(m_addShot);

    auto *divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    const QFont callout = Style::font(font(), Style::TextStyle::callout);
    auto *footer = new QWidget;
    footer->setFont(callout);
    m_progress->setFixedWidth(140);
    Style::setTone(m_counter, Style::Tone::secondary);
    Style::setTone(m_status, Style::Tone::secondary);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_share->setDefault(true);
    {
        // The emphasised action: filled with the accent colour.
        // Disabled, it looks like any other disabled button.
        QPalette palette = m_share->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Button, palette.color(group, QPalette::Highlight));
            palette.setColor(group, QPalette::ButtonText, palette.color(group, QPalette::HighlightedText));
        }
        m_share->setPalette(palette);
    }
    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(10);
    row->addWidget(m_progress, 0, Qt::AlignVCenter);
    row->addWidget(m_counter);
    row->addWidget(m_status, 1);
    // Takes the free space while the status line is hidden (during extraction).
    row->addStretch(0);
    row->addWidget(m_toggleAll);
    row->addWidget(m_export);
    row->addWidget(m_stopExport);
    row->addWidget(m_stopReplacing);
    row->addWidget(m_share);

    connect(m_toggleAll, &QPushButton::clicked, this, [this] {
        if (m_item)
            m_item->toggleAll();
    });
    connect(m_export, &QPushButton::clicked, this, &VideoDetail::exportRequested);
    connect(m_share, &QPushButton::clicked, this, [this] { m_model.setShowShareImage(true); });
    connect(m_stopExport, &QPushButton::clicked, &m_model, &AppModel::stopExport);
    m_stopReplacing->setObjectName(QStringLiteral("stopReplacing"));
    m_stopReplacing->setAccessibleName(tr("Stop Replacing Weak Shots"));
    connect(m_stopReplacing, &QPushButton::clicked, &m_model, &AppModel::stopReplacing);
    connect(&m_model, &AppModel::replaceProgressChanged, this, &VideoDetail::refresh);
    connect(&m_model, &AppModel::canExportChanged, this, &VideoDetail::refresh);
    connect(&m_model, &AppModel::exportProgressChanged, this, &VideoDetail::refresh);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(gridArea, 1);
    column->addLayout(timelineRow);
    column->addWidget(divider);
    column->addWidget(footer);

    refresh();
}

VideoDetail::~VideoDetail()
{
    // The item may be among our own children, destroyed after this body.
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
}

void VideoDetail::closeViewer(int row)
{
    const bool focused = m_viewer->hasFocus();
    // The grid first, so that hiding the focused viewer does not pass the
    // focus on to the footer's buttons.
    if (focused)
        m_grid->setFocus(Qt::OtherFocusReason);
    m_viewer->hide();
    if (row >= 0 && row < m_shots->rowCount())
        m_grid->selectionModel()->setCurrentIndex(m_shots->index(row), QItemSelectionModel::NoUpdate);
    m_timeline->setMoment(std::nullopt);
    refresh();
}

void VideoDetail::focusShots()
{
    if (m_viewer->isVisible())
        m_viewer->setFocus(Qt::OtherFocusReason);
    else
        m_grid->setFocus(Qt::OtherFocusReason);
}

void VideoDetail::setItem(VideoItem *item)
{
    // A null m_item may be one that was just destroyed: clear up anyway.
    if (item && item == m_item)
        return;
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    closeViewer(-1);
    m_item = item;
    m_shots->setItem(item);
    m_timeline->setDuration(item ? item->info().duration : 0);
    m_grid->setCellAspect(m_shots->aspect());
    if (item) {
        for (auto signal : {&VideoItem::shotsChanged, &VideoItem::deselectedChanged, &VideoItem::statusChanged,
                            &VideoItem::totalChanged, &VideoItem::failedChanged, &VideoItem::elapsedChanged,
                            &VideoItem::weakDeselectedChanged, &VideoItem::scanProgressChanged,
                            &VideoItem::weakReplacedChanged})
            m_connections.append(connect(item, signal, this, &VideoDetail::refresh));
        m_connections.append(connect(item, &QObject::destroyed, this, [this] { setItem(nullptr); }));
        m_connections.append(connect(item, &VideoItem::statusChanged, this, &VideoDetail::followStatus));
    }
    followStatus();
    refresh();
}

void VideoDetail::refresh()
{
    const VideoItem *item = m_item;
    const qint64 shots = item ? item->shots().size() : 0;
    const qint64 deselected = item ? item->deselected().size() : 0;
    const qint64 selected = std::max<qint64>(0, shots - deselected);
    const bool extracting = item && item->status() == VideoStatus::extracting;

    m_spinner->setVisible(item && shots == 0 && item->status() != VideoStatus::done);

    const std::optional<AppModel::ExportProgress> exporting = m_model.exportProgress();
    std::optional<AppModel::ReplaceProgress> replacing = m_model.replaceProgress();
    if (replacing && (!item || replacing->video != item->id()))
        replacing.reset();
    const bool busy = extracting || exporting || replacing;
    m_progress->setVisible(busy);
    m_counter->setVisible(busy);
    m_status->setVisible(!busy);
    m_export->setVisible(!exporting);
    m_stopExport->setVisible(bool(exporting));
    m_stopReplacing->setVisible(replacing && !exporting);
    if (replacing && !exporting) {
        m_progress->setRange(0, int(std::max<qint64>(replacing->total, 1)));
        m_progress->setValue(int(std::min(replacing->done, replacing->total)));
        m_counter->setText(StatusText::replacing(replacing->done, replacing->total));
    } else if (exporting) {
        const qint64 total = std::max<qint64>(exporting->total, 1);
        m_progress->setRange(0, int(std::min<qint64>(total, INT_MAX)));
        m_progress->setValue(int(std::min(exporting->done, total)));
        m_counter->setText(StatusText::exporting(exporting->done, exporting->total));
    } else if (extracting && item->scanProgress()) {
        // The bar follows the scan over the video until the shots are planned.
        constexpr int steps = 1000;
        m_progress->setRange(0, steps);
        m_progress->setValue(int(std::clamp(*item->scanProgress(), 0.0, 1.0) * steps));
        m_counter->setText(StatusText::scanning(*item->scanProgress()));
    } else if (extracting) {
        const qint64 total = item->total();
        m_progress->setRange(0, int(std::max<qint64>(total, 1)));
        m_progress->setValue(int(std::min<qint64>(shots, std::max<qint64>(total, 1))));
        m_counter->setText(StatusText::progress(shots, total));
    } else {
        QString text = item ? StatusText::summary(shots, item->elapsed(), deselected, item->failed(),
                                                  item->weakDeselected())
                            : QString();
        if (item && item->weakReplaced())
            text += QStringLiteral(" · ")
                + StatusText::weakReplaced(item->weakReplaced()->replaced, item->weakReplaced()->deselected);
        m_status->setText(text);
    }

    m_toggleAll->setText(deselected > 0 ? tr("Select All") : tr("Deselect All"));
    m_toggleAll->setEnabled(shots > 0);
    m_export->setText(tr("Export %1").arg(selected));
    const bool canExport = m_model.canExport();
    m_export->setEnabled(canExport);
    m_share->setEnabled(canExport);

    const std::optional<double> moment = m_viewer->isVisible() ? m_viewer->momentFrame() : std::nullopt;
    m_addShot->setEnabled(moment && m_model.canAddShot(item) && !AppModel::shotShowing(item, *moment));
}

void VideoDetail::followStatus()
{
    const bool done = m_item && m_item->status() == VideoStatus::done && m_item->info().url.isLocalFile();
    const QString path = done ? m_item->info().url.toLocalFile() : QString();
    if (m_source && m_source->objectName() == path)
        return;
    MomentSource *previous = m_source;
    m_source = done ? new MomentSource(path, 320 * devicePixelRatioF(), this) : nullptr;
    if (m_source)
        m_source->setObjectName(path);
    m_timeline->setSource(m_source);
    m_viewer->setSource(m_source, m_item ? double(m_item->info().fps) : 0, m_item ? m_item->info().duration : 0);
    delete previous;
}

void VideoDetail::addShown()
{
    const std::optional<double> moment = m_viewer->momentFrame();
    if (!m_addShot->isEnabled() || !moment)
        return;
    [](QPointer<VideoDetail> self, QPointer<VideoItem> item, QImage frame, double time) -> QCoro::Task<> {
        const std::optional<qint64> id = co_await self->m_model.addShot(item, frame, time);
        // Shown as a shot once it is one, unless the user moved on meanwhile.
        if (self && id && self->m_item == item && self->m_viewer->momentFrame() == time)
            self->m_viewer->showShot(*id);
    }(this, m_item, m_viewer->picture(), *moment);
}

std::unique_ptr<QMenu> VideoDetail::menuFor(int row)
{
    if (row < 0 || row >= m_shots->rowCount())
        return nullptr;
    const QString file = m_shots->index(row).data(ShotListModel::FileRole).toString();
    auto menu = std::make_unique<QMenu>(this);
    connect(menu->addAction(tr("Open in Image Viewer")), &QAction::triggered, this,
            [file] { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); });
    connect(menu->addAction(tr("Copy Image")), &QAction::triggered, this, [file] { copyImage(file); });
    menu->addSeparator();
    const qint64 id = m_shots->index(row).data(ShotListModel::IdRole).toLongLong();
    const std::pair<QString, ShotStep> steps[] = {
        {tr("Previous Frame"), ShotStep::previousFrame},
        {tr("Next Frame"), ShotStep::nextFrame},
        {tr("1 Second Earlier"), ShotStep::secondEarlier},
        {tr("1 Second Later"), ShotStep::secondLater},
    };
    for (const auto &[text, step] : steps) {
        QAction *action = menu->addAction(text);
        action->setEnabled(m_model.canStep(m_item, id, step));
        connect(action, &QAction::triggered, this, [this, id, step = step] { m_model.step(m_item, id, step); });
    }
    return menu;
}

void VideoDetail::showMenu(int row, const QPoint &globalPos)
{
    if (std::unique_ptr<QMenu> menu = menuFor(row))
        menu->exec(globalPos);
}
