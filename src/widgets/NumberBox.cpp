#include "widgets/NumberBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QLocale>

#include <algorithm>
#include <cmath>

NumberBox::NumberBox(Kind kind, double minimum, double maximum, double step, QWidget *parent)
    : QAbstractSpinBox(parent)
    , m_kind(kind)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_step(step)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    lineEdit()->setText(format(m_value, m_kind));
    connect(lineEdit(), &QLineEdit::textEdited, this, &NumberBox::textEdited);
    // Leaving the field shows the value in its tidy form ("2." becomes "2").
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
        lineEdit()->setText(format(m_value, m_kind));
    });
}

QString NumberBox::format(double value, Kind kind)
{
    const QLocale locale;
    if (kind == Kind::integer)
        return locale.toString(qint64(std::llround(value)));
    // A plain decimal display shows at most three fraction digits; 'f' rather
    // than 'g' so that large values are grouped, never written as exponents.
    const double rounded = std::round(value * 1000) / 1000;
    return locale.toString(rounded, 'f', QLocale::FloatingPointShortest);
}

std::optional<double> NumberBox::parse(const QString &text) const
{
    const QLocale locale;
    bool ok = false;
    const QString trimmed = text.trimmed();
    if (m_kind == Kind::integer) {
        const qint64 number = locale.toLongLong(trimmed, &ok);
        if (ok)
            return double(number);
        return std::nullopt;
    }
    const double number = locale.toDouble(trimmed, &ok);
    if (ok && std::isfinite(number))
        return number;
    return std::nullopt;
}

void NumberBox::setValue(double value)
{
    m_value = value;
    const std::optional<double> shown = parse(lineEdit()->text());
    if (!shown || *shown != value)
        lineEdit()->setText(format(value, m_kind));
    update(); // the arrows' enabled state may have changed
}

void NumberBox::textEdited(const QString &text)
{
    if (const std::optional<double> number = parse(text)) {
        if (*number != m_value) {
            m_value = *number;
            emit valueEdited(m_value);
        }
    }
}

void NumberBox::stepBy(int steps)
{
    const double next = std::clamp(m_value + steps * m_step, m_minimum, m_maximum);
    if (next == m_value)
        return;
    m_value = next;
    lineEdit()->setText(format(m_value, m_kind));
    emit valueEdited(m_value);
}

QAbstractSpinBox::StepEnabled NumberBox::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (m_value < m_maximum)
        enabled |= StepUpEnabled;
    if (m_value > m_minimum)
        enabled |= StepDownEnabled;
    return enabled;
}

QValidator::State NumberBox::validate(QString &input, int &) const
{
    if (parse(input))
        return QValidator::Acceptable;
    // Only what can still become a number may be typed.
    const QLocale locale;
    for (const QChar c : input) {
        const bool allowed = c.isDigit() || c.isSpace() || locale.groupSeparator().contains(c)
            || locale.negativeSign().contains(c) || locale.positiveSign().contains(c)
            || (m_kind == Kind::decimal && locale.decimalPoint().contains(c));
        if (!allowed)
            return QValidator::Invalid;
    }
    return QValidator::Intermediate;
}

void NumberBox::fixup(QString &input) const
{
    input = format(m_value, m_kind);
}

void NumberBox::setFieldWidth(int width)
{
    QStyleOptionSpinBox option;
    option.initFrom(this);
    option.rect = QRect(0, 0, 200, sizeHint().height());
    option.subControls = QStyle::SC_All;
    option.frame = true;
    const QRect edit = style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, this);
    setFixedWidth(width + (option.rect.width() - edit.width()));
}

QWidget *NumberBox::row(NumberBox *box, const QString &unit, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(box);
    if (!unit.isEmpty())
        layout->addWidget(new QLabel(unit, row));
    layout->addStretch(1);
    return row;
}
