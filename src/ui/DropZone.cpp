#include "ui/DropZone.h"
#include "widgets/Style.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int symbolSize = 56;
constexpr int spacing = 14;
constexpr int padding = 40;
constexpr int frameInset = 24;
constexpr qreal frameRadius = 16;
constexpr qreal frameWidth = 2;

QLabel *centredLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

} // namespace

DropZone::DropZone(QWidget *parent)
    : QWidget(parent)
    , m_symbol(new QLabel(this))
    , m_choose(new QPushButton(tr("Choose Videos…"), this))
{
    m_symbol->setAlignment(Qt::AlignCenter);
    m_symbol->setFixedHeight(symbolSize);

    auto *title = centredLabel(tr("Drop videos here"), this);
    Style::apply(title, Style::TextStyle::title);
    auto *formats = centredLabel(
        tr("MP4 · MOV · M4V — drop one or several, screenshots start as soon as you let go"), this);
    Style::apply(formats, Style::TextStyle::body, Style::Tone::secondary);
    auto *hint = centredLabel(tr("Set the interval or count in the toolbar first if you like"), this);
    Style::apply(hint, Style::TextStyle::callout, Style::Tone::tertiary);

    // A large button: the one action of the screen.
    m_choose->setMinimumHeight(m_choose->sizeHint().height() + 8);
    m_choose->setMinimumWidth(m_choose->sizeHint().width() + 24);
    connect(m_choose, &QPushButton::clicked, this, &DropZone::chooseRequested);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);
    column->addStretch(1);
    column->addWidget(m_symbol);
    column->addWidget(title);
    column->addWidget(formats);
    column->addWidget(hint);
    column->addSpacing(6);
    column->addWidget(m_choose, 0, Qt::AlignHCenter);
    column->addStretch(1);

    updateSymbol();
}

void DropZone::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    updateSymbol();
    update();
}

QColor DropZone::frameColor() const
{
    if (m_highlighted)
        return Style::accent(palette());
    QColor color = Style::secondaryText(palette());
    color.setAlphaF(color.alphaF() * 0.4f);
    return color;
}

QColor DropZone::symbolColor() const
{
    return m_highlighted ? Style::accent(palette()) : Style::secondaryText(palette());
}

void DropZone::updateSymbol()
{
    const QIcon icon = Style::themedIcon({QStringLiteral("emblem-videos-symbolic")},
                                         QStringLiteral(":/icons/film-stack.svg"));
    m_symbol->setPixmap(Style::tinted(icon, symbolSize, symbolColor(), devicePixelRatioF()));
}

void DropZone::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        updateSymbol();
}

void DropZone::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Stroked inside the inset rectangle: move in by half the line width.
    const qreal half = frameWidth / 2;
    const QRectF frame = QRectF(rect()).adjusted(frameInset + half, frameInset + half,
                                                 -frameInset - half, -frameInset - half);
    if (frame.width() <= 0 || frame.height() <= 0)
        return;
    QPen pen(frameColor(), frameWidth);
    // Dash lengths are in units of the line width.
    pen.setDashPattern({8 / frameWidth, 6 / frameWidth});
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame, frameRadius - half, frameRadius - half);
}
