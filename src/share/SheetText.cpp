#include "share/SheetText.h"

#include "text/TabularDigits.h"

namespace SheetText {

void useOnePixelPoints(QImage &canvas)
{
    // 2835 dots per metre is 72.009 dpi; Qt rounds device dpi to whole
    // numbers, so fonts see exactly 72.
    canvas.setDotsPerMeterX(2835);
    canvas.setDotsPerMeterY(2835);
}

QFont font(double pixels, QFont::Weight weight)
{
    QFont f;
    f.setFamilies({QStringLiteral("Inter"), QStringLiteral("Noto Sans"),
                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans Arabic"),
                   QStringLiteral("Noto Color Emoji")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pixels);
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    return f;
}

QString oneLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line) {
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator || c == u'\v' || c == u'\f')
            c = u' ';
    }
    return line;
}

QString drawBoxed(QPainter &painter, const QFont &font, const QRectF &box,
                  Qt::Alignment alignment, const QString &text)
{
    const QFontMetricsF metrics(font, painter.device());
    const QString shown = metrics.elidedText(oneLine(text), Qt::ElideRight, box.width());
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    painter.setFont(font);
    painter.drawText(box, int(alignment | Qt::AlignTop | Qt::TextSingleLine), shown);
    painter.restore();
    return shown;
}

QSizeF tabularSize(const QFontMetricsF &metrics, const QString &text)
{
    return QSizeF(TabularDigits::width(metrics, text), metrics.ascent() + metrics.descent());
}

void drawTabular(QPainter &painter, const QFont &font, QPointF topLeft, const QString &text)
{
    const QFontMetricsF metrics(font, painter.device());
    painter.save();
    painter.setFont(font);
    TabularDigits::draw(painter, metrics, QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
    painter.restore();
}

} // namespace SheetText
