#include "text/TabularDigits.h"

#include <QPainter>

#include <algorithm>

namespace {

// Unicode encodes every set of decimal digits as ten consecutive code points,
// zero first, so a digit's value leads to its script's zero.
char16_t zeroOf(QChar digit)
{
    return char16_t(digit.unicode() - digit.digitValue());
}

// Cell widths for one text: mostly a single script, so the last one is kept.
class Cells {
public:
    explicit Cells(const QFontMetricsF &metrics)
        : m_metrics(metrics)
    {
    }

    qreal of(QChar digit)
    {
        const char16_t zero = zeroOf(digit);
        if (zero != m_zero) {
            m_zero = zero;
            m_width = 0;
            for (char16_t d = zero; d < zero + 10; ++d)
                m_width = std::max(m_width, m_metrics.horizontalAdvance(QChar(d)));
        }
        return m_width;
    }

private:
    const QFontMetricsF &m_metrics;
    char16_t m_zero = 0; // U+0000 is no digit, so the first digit always measures
    qreal m_width = 0;
};

// Splits text into single digits and the runs between them; runs stay whole
// so kerning, ligatures and surrogate pairs inside them survive.
template<typename Visit>
void forEachPiece(const QString &text, Visit visit)
{
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        if (!end && !text.at(i).isDigit())
            continue;
        if (i > runStart)
            visit(text.mid(runStart, i - runStart), false);
        if (!end)
            visit(QString(text.at(i)), true);
        runStart = i + 1;
    }
}

} // namespace

namespace TabularDigits {

qreal width(const QFontMetricsF &metrics, const QString &text)
{
    Cells cells(metrics);
    qreal total = 0;
    forEachPiece(text, [&](const QString &piece, bool isDigit) {
        total += isDigit ? cells.of(piece.at(0)) : metrics.horizontalAdvance(piece);
    });
    return total;
}

void draw(QPainter &painter, const QFontMetricsF &metrics, QPointF origin, const QString &text)
{
    Cells cells(metrics);
    qreal x = origin.x();
    forEachPiece(text, [&](const QString &piece, bool isDigit) {
        const qreal advance = metrics.horizontalAdvance(piece);
        const qreal cell = isDigit ? cells.of(piece.at(0)) : advance;
        painter.drawText(QPointF(x + (cell - advance) / 2, origin.y()), piece);
        x += cell;
    });
}

} // namespace TabularDigits
