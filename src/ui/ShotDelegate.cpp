#include "ui/ShotDelegate.h"

#include "ui/ShotListModel.h"
#include "ui/ThumbnailLoader.h"
#include "ui/ThumbnailView.h"
#include "widgets/Style.h"
#include "widgets/TabularText.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

namespace {

constexpr qreal cornerInset = 6;

// A soft shadow under a round mark: black at 33 % fading out over 2 points.
void drawShadow(QPainter &painter, const QRectF &mark)
{
    const qreal blur = 2;
    const qreal radius = mark.width() / 2;
    QRadialGradient gradient(mark.center(), radius + blur);
    const qreal solid = std::max<qreal>(0, (radius - blur) / (radius + blur));
    gradient.setColorAt(0, QColor(0, 0, 0, 84));
    gradient.setColorAt(solid, QColor(0, 0, 0, 84));
    gradient.setColorAt(1, QColor(0, 0, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(mark.adjusted(-blur, -blur, blur, blur));
}

void drawMark(QPainter &painter, const QRectF &mark, bool selected, const QColor &accent)
{
    drawShadow(painter, mark);
    const qreal d = mark.width();
    if (selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent);
        painter.drawEllipse(mark);
        QPainterPath check;
        check.moveTo(mark.left() + 0.28 * d, mark.top() + 0.52 * d);
        check.lineTo(mark.left() + 0.44 * d, mark.top() + 0.67 * d);
        check.lineTo(mark.left() + 0.72 * d, mark.top() + 0.36 * d);
        painter.setPen(QPen(Qt::white, std::max<qreal>(1.5, d * 0.11), Qt::SolidLine, Qt::RoundCap,
                            Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(check);
        return;
    }
    const qreal ring = std::max<qreal>(1.5, d * 0.08);
    painter.setPen(QPen(Qt::white, ring));
    painter.setBrush(QColor(0, 0, 0, 77));
    painter.drawEllipse(mark.adjusted(ring / 2, ring / 2, -ring / 2, -ring / 2));
}

// A dark line under a light dashed one: one of the two stands out on any
// picture, bright or dark, in either theme.
void drawFocusRing(QPainter &painter, const QRectF &ring)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 200), 3));
    painter.drawRoundedRect(ring, ShotDelegate::cellRadius - 2, ShotDelegate::cellRadius - 2);
    painter.setPen(QPen(Qt::white, 1.5, Qt::DashLine));
    painter.drawRoundedRect(ring, ShotDelegate::cellRadius - 2, ShotDelegate::cellRadius - 2);
}

QFont pillFont(const QFont &base)
{
    QFont font = Style::font(base, Style::TextStyle::caption);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

ShotDelegate::ShotDelegate(ThumbnailLoader *loader, QObject *parent)
    : QAbstractItemDelegate(parent)
    , m_loader(loader)
{
}

QRectF ShotDelegate::pillRect(const QRectF &cell, const QSizeF &text)
{
    const QSizeF size(text.width() + 2 * 5, text.height() + 2 * 2);
    return {cell.right() - cornerInset - size.width(), cell.bottom() - cornerInset - size.height(),
            size.width(), size.height()};
}

QRectF ShotDelegate::markRect(const QRectF &cell, qreal diameter)
{
    return {cell.left() + cornerInset, cell.top() + cornerInset, diameter, diameter};
}

QRectF ShotDelegate::focusRingRect(const QRectF &cell)
{
    return cell.adjusted(4.5, 4.5, -4.5, -4.5);
}

qreal ShotDelegate::markDiameter(const QFont &font)
{
    // About the size of a third-level title's line, following the user's font.
    return std::max<qreal>(18, std::round(QFontInfo(font).pixelSize() * 1.7));
}

void ShotDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    const QRectF cell(option.rect);
    if (cell.isEmpty())
        return;
    const bool selected = index.data(ShotListModel::SelectedRole).toBool();
    const QColor accent = Style::accent(option.palette);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    const QString thumbFile = index.data(ShotListModel::ThumbFileRole).toString();
    const std::optional<QImage> image = m_loader ? m_loader->cached(thumbFile) : std::nullopt;
    m_renderer.paint(*painter, cell, cellRadius, thumbFile, image, option.palette);
    if (!selected) {
        // A veil of the grid's background dims the picture, and an outline
        // keeps the cell in view where the picture is as dark as the
        // background (a black shot in the dark theme).
        painter->setPen(Qt::NoPen);
        QColor veil = option.palette.color(QPalette::Base);
        veil.setAlphaF(float(1 - deselectedOpacity));
        painter->setBrush(veil);
        painter->drawRoundedRect(cell, cellRadius, cellRadius);
        QColor outline = option.palette.color(QPalette::Text);
        outline.setAlphaF(0.35f);
        painter->setPen(QPen(outline, 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(cell.adjusted(0.5, 0.5, -0.5, -0.5), cellRadius, cellRadius);
        painter->setOpacity(deselectedOpacity + 0.25);  // the pill and the mark, a little dimmed
    }

    // Time pill.
    const QFont font = pillFont(option.font);
    const QFontMetricsF metrics(font);
    const QString time = index.data(Qt::DisplayRole).toString();
    const QRectF pill = pillRect(cell, QSizeF(TabularText::width(metrics, time), metrics.ascent() + metrics.descent()));
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0, 0, 0, 153));
    painter->drawRoundedRect(pill, pillRadius, pillRadius);
    painter->setFont(font);
    painter->setPen(Qt::white);
    TabularText::draw(*painter, QPointF(pill.left() + 5, pill.top() + 2 + metrics.ascent()), time);

    drawMark(*painter, markRect(cell, markDiameter(option.font)), selected, accent);

    painter->setOpacity(1);
    if (selected) {
        // Inside the cell so neighbouring cells and the viewport edge never cut it.
        painter->setPen(QPen(accent, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(cell.adjusted(1, 1, -1, -1), cellRadius - 1, cellRadius - 1);
    }
    if ((option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_Active))
        drawFocusRing(*painter, focusRingRect(cell));
    painter->restore();
}

QSize ShotDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    // The grid decides cell sizes; this is what it was given.
    return option.rect.size();
}
