#include "share/SheetText.h"

#include <algorithm>

namespace {

double widestDigit(const QFontMetricsF &metrics)
{
    double widest = 0;
    for (char16_t d = u'0'; d <= u'9'; ++d)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(d)));
    return widest;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

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

// Splits text into single digits and the runs between them, so surrogate
// pairs and kerning inside the runs stay intact.
template<typename Visit>
void forEachPiece(const QString &text, Visit visit)
{
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        if (!end && !isAsciiDigit(text.at(i)))
            continue;
        if (i > runStart)
            visit(text.mid(runStart, i - runStart), false);
        if (!end)
            visit(QString(text.at(i)), true);
        runStart = i + 1;
    }
}

QSizeF tabularSize(const QFontMetricsF &metrics, const QString &text)
{
    const double digit = widestDigit(metrics);
    double width = 0;
    forEachPiece(text, [&](const QString &piece, bool isDigit) {
        width += isDigit ? digit : metrics.horizontalAdvance(piece);
    });
    return QSizeF(width, metrics.ascent() + metrics.descent());
}

void drawTabular(QPainter &painter, const QFont &font, QPointF topLeft, const QString &text)
{
    const QFontMetricsF metrics(font, painter.device());
    const double digit = widestDigit(metrics);
    painter.save();
    painter.setFont(font);
    double x = topLeft.x();
    const double baseline = topLeft.y() + metrics.ascent();
    forEachPiece(text, [&](const QString &piece, bool isDigit) {
        const double advance = metrics.horizontalAdvance(piece);
        const double cell = isDigit ? digit : advance;
        painter.drawText(QPointF(x + (cell - advance) / 2, baseline), piece);
        x += cell;
    });
    painter.restore();
}

} // namespace SheetText
