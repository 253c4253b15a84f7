#include "ui/VideoRowDelegate.h"

#include "ui/ThumbnailLoader.h"
#include "ui/ThumbnailView.h"
#include "ui/VideoListModel.h"
#include "widgets/Style.h"
#include "widgets/TabularText.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal lineGap = 2;

QFont captionFont(const QFont &base)
{
    return Style::font(base, Style::TextStyle::caption);
}

qreal textHeight(const QFont &font)
{
    return QFontMetricsF(font).height() + lineGap + QFontMetricsF(captionFont(font)).height();
}

} // namespace

VideoRowDelegate::VideoRowDelegate(ThumbnailLoader *loader, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_loader(loader)
{
}

QRectF VideoRowDelegate::thumbRect(const QRectF &row, double aspect)
{
    const qreal height = thumbWidth / (aspect > 0 ? aspect : 16.0 / 9.0);
    return {row.left() + margin, row.center().y() - height / 2, thumbWidth, height};
}

void VideoRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = QIcon();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    const QRectF row(option.rect);
    const QRectF thumb = thumbRect(row, index.data(VideoListModel::AspectRole).toDouble());
    const QString thumbFile = index.data(VideoListModel::ThumbFileRole).toString();
    const std::optional<QImage> image = m_loader ? m_loader->cached(thumbFile) : std::nullopt;
    m_renderer.paint(*painter, thumb, thumbRadius, thumbFile, image, option.palette);

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    const QColor text = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = text;
    secondary.setAlphaF(text.alphaF() * 0.62f);

    const qreal left = thumb.right() + gap;
    const qreal width = std::max<qreal>(0, row.right() - margin - left);
    const QFont nameFont = option.font;
    const QFont statusFont = captionFont(option.font);
    const QFontMetricsF nameMetrics(nameFont);
    const QFontMetricsF statusMetrics(statusFont);
    const qreal top = row.center().y() - textHeight(option.font) / 2;

    painter->save();
    painter->setFont(nameFont);
    painter->setPen(text);
    const QString name = nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, width);
    painter->drawText(QPointF(left, top + nameMetrics.ascent()), name);
    painter->setFont(statusFont);
    painter->setPen(secondary);
    const qreal statusTop = top + nameMetrics.height() + lineGap;
    painter->setClipRect(QRectF(left, statusTop, width, statusMetrics.height()));
    TabularText::draw(*painter, QPointF(left, statusTop + statusMetrics.ascent()),
                      index.data(VideoListModel::StatusRole).toString());
    painter->restore();
}

QSize VideoRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const double aspect = index.data(VideoListModel::AspectRole).toDouble();
    const qreal thumbHeight = thumbWidth / (aspect > 0 ? aspect : 16.0 / 9.0);
    const qreal content = std::max(thumbHeight, textHeight(option.font));
    return QSize(int(thumbWidth + gap + 2 * margin + 60), int(std::ceil(content + 2 * padding + 2 * 4)));
}
