#include "ui/CaptureSettingsPopover.h"
#include "settings/Preferences.h"
#include "widgets/NumberBox.h"
#include "widgets/PopupPlacement.h"
#include "widgets/SegmentedControl.h"
#include "widgets/Style.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QMouseEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum ModeSegment { intervalSegment, countSegment, sceneSegment };
enum FormatSegment { jpgSegment, pngSegment, webpSegment };

constexpr int fieldWidth = 64;

} // namespace

CaptureSettingsPopover::CaptureSettingsPopover(Preferences &preferences, QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_preferences(preferences)
    , m_form(new QFormLayout)
    , m_mode(new SegmentedControl({tr("By Interval"), tr("By Count"), tr("By Scene")}, this))
    , m_interval(new NumberBox(NumberBox::Kind::decimal, 0.5, 3600, 1.0, this))
    , m_count(new NumberBox(NumberBox::Kind::integer, 1, 2000, 1, this))
    , m_precise(new QCheckBox(tr("Precise Frames"), this))
    , m_avoidWeak(new QCheckBox(tr("Avoid Weak Frames"), this))
    // Format names are the same in every language.
    , m_format(new SegmentedControl({QStringLiteral("JPG"), QStringLiteral("PNG"), QStringLiteral("WebP")}, this))
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setAutoFillBackground(true);

    m_mode->setObjectName(QStringLiteral("mode"));
    m_interval->setObjectName(QStringLiteral("interval"));
    m_count->setObjectName(QStringLiteral("count"));
    m_precise->setObjectName(QStringLiteral("precise"));
    m_avoidWeak->setObjectName(QStringLiteral("avoidWeak"));
    m_avoidWeak->setToolTip(tr("A dark, blurred or repeated frame is replaced by the best frame near it."));
    m_format->setObjectName(QStringLiteral("format"));
    m_interval->setFieldWidth(fieldWidth);
    m_count->setFieldWidth(fieldWidth);

    auto *note = new QLabel(
        tr("Off: grabs the nearest keyframe — much faster. On: exact to the frame."), this);
    note->setWordWrap(true);
    Style::apply(note, Style::TextStyle::caption, Style::Tone::secondary);
    auto *preciseBlock = new QWidget(this);
    auto *preciseLayout = new QVBoxLayout(preciseBlock);
    preciseLayout->setContentsMargins(0, 0, 0, 0);
    preciseLayout->setSpacing(4);
    preciseLayout->addWidget(m_precise);
    preciseLayout->addWidget(note);

    m_form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_form->setHorizontalSpacing(12);
    m_form->setVerticalSpacing(12);
    m_form->addRow(tr("Capture"), m_mode);
    m_form->addRow(tr("Every"), NumberBox::row(m_interval, tr("sec"), this));
    // One row for the count in both modes that use it; its label tells which.
    m_countLabel = new QLabel(tr("Number of shots"), this);
    m_countLabel->setObjectName(QStringLiteral("countLabel"));
    m_form->addRow(m_countLabel, NumberBox::row(m_count, QString(), this));
    m_form->addRow(preciseBlock);
    m_form->addRow(m_avoidWeak);
    m_form->addRow(tr("Format"), m_format);
    // The label column keeps one width whichever of the number rows is
    // shown, so the controls do not jump when the mode changes.
    int labelWidth = m_countLabel->fontMetrics().horizontalAdvance(tr("At most"));
    for (int row = 0; row < m_form->rowCount(); ++row) {
        if (QLayoutItem *label = m_form->itemAt(row, QFormLayout::LabelRole))
            labelWidth = std::max(labelWidth, label->widget()->sizeHint().width());
    }
    for (int row = 0; row < m_form->rowCount(); ++row) {
        if (QLayoutItem *label = m_form->itemAt(row, QFormLayout::LabelRole))
            label->widget()->setMinimumWidth(labelWidth);
    }

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 16, 18, 16);
    outer->addLayout(m_form);
    // At least the panel's usual width, wider where the texts need it (a
    // large font, a long translation): a cut segment reads as another word.
    setFixedWidth(std::max(panelWidth, minimumSizeHint().width()));

    connect(m_mode, &SegmentedControl::currentChanged, this, [this](int index) {
        m_preferences.setMode(index == sceneSegment   ? ExtractMode::scene
                              : index == countSegment ? ExtractMode::count
                                                      : ExtractMode::interval);
    });
    connect(m_interval, &NumberBox::valueEdited, this,
            [this](double value) { m_preferences.setInterval(value); });
    connect(m_count, &NumberBox::valueEdited, this,
            [this](double value) { m_preferences.setCount(qint64(value)); });
    connect(m_precise, &QCheckBox::clicked, this,
            [this](bool checked) { m_preferences.setPrecise(checked); });
    connect(m_avoidWeak, &QCheckBox::clicked, this, [this](bool checked) { m_preferences.setAvoidWeak(checked); });
    connect(m_format, &SegmentedControl::currentChanged, this, [this](int index) {
        m_preferences.setFormat(index == pngSegment    ? ShotFormat::png
                                : index == webpSegment ? ShotFormat::webp
                                                       : ShotFormat::jpg);
    });
    connect(&m_preferences, &Preferences::extractSettingsChanged, this,
            &CaptureSettingsPopover::refresh);
    refresh();
}

void CaptureSettingsPopover::refresh()
{
    const ExtractSettings settings = m_preferences.extractSettings();
    const bool interval = settings.mode == ExtractMode::interval;
    const bool scene = settings.mode == ExtractMode::scene;
    m_mode->setCurrent(interval ? intervalSegment : scene ? sceneSegment : countSegment);
    m_countLabel->setText(scene ? tr("At most") : tr("Number of shots"));
    m_interval->setValue(settings.interval);
    m_count->setValue(double(settings.count));
    m_precise->setChecked(settings.precise);
    m_avoidWeak->setChecked(settings.avoidWeak);
    m_format->setCurrent(settings.format == ShotFormat::png    ? pngSegment
                         : settings.format == ShotFormat::webp ? webpSegment
                                                               : jpgSegment);

    const bool changed = m_form->isRowVisible(1) != interval;
    m_form->setRowVisible(1, interval);
    m_form->setRowVisible(2, !interval);
    if (changed)
        fitHeight();
}

void CaptureSettingsPopover::fitHeight()
{
    // A window's size hint ignores that wrapped text grows taller in a
    // narrow panel; the layout's height for the panel's width does not.
    layout()->activate();
    resize(width(), std::max(layout()->totalHeightForWidth(width()), layout()->totalMinimumSize().height()));
}

void CaptureSettingsPopover::popUp(QWidget *anchor)
{
    m_anchor = anchor;
    fitHeight();
    const QRect anchorRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    const QWidget *window = anchor->window();
    const QRect windowRect(window->mapToGlobal(QPoint(0, 0)), window->size());
    const QScreen *screen = anchor->screen();
    const QRect available = screen ? screen->availableGeometry() : windowRect;
    // A platform may shift a window that is still to be created by the frame
    // it expects to add; created first, the panel lands exactly where asked.
    create();
    move(PopupPlacement::dropDown(anchorRect, size(), windowRect, available, 4));
    show();
}

void CaptureSettingsPopover::mousePressEvent(QMouseEvent *event)
{
    // The press that closes the panel must not reach the anchor as well, or
    // the anchor would open it again at once.
    // Any other press outside is replayed as usual, so the attribute is
    // decided afresh for every press.
    bool onAnchor = false;
    if (m_anchor && !rect().contains(event->position().toPoint())) {
        const QRect anchorRect(m_anchor->mapToGlobal(QPoint(0, 0)), m_anchor->size());
        onAnchor = anchorRect.contains(event->globalPosition().toPoint());
    }
    setAttribute(Qt::WA_NoMouseReplay, onAnchor);
    QFrame::mousePressEvent(event);
}

void CaptureSettingsPopover::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    emit closed();
}
