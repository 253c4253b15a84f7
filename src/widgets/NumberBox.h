#pragma once
// A number field with a stepper. Unlike QSpinBox it does not clamp what the
// user types: any number typed is taken as it is, while the arrows stop at
// their bounds. Each valid keystroke reports the new value at once.
//
// Thread: UI thread only.

#include <QAbstractSpinBox>

#include <optional>

class NumberBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    enum class Kind { decimal, integer };

    NumberBox(Kind kind, double minimum, double maximum, double step, QWidget *parent = nullptr);

    double value() const { return m_value; }
    // Shows `value` without emitting valueEdited. Text the user is typing
    // that already means `value` ("2." for 2) is left alone.
    void setValue(double value);

    // Text for `value` in the user's locale, with grouping and without
    // trailing zeros: 3600 → "3,600", 2.5 → "2.5".
    static QString format(double value, Kind kind);

    // Makes the box exactly as wide as a text field of `width` pixels plus
    // its arrows in the current style.
    void setFieldWidth(int width);

    // A form field: `box`, then `unit` when not empty, spaced 6 apart and
    // kept at the left. The row is a child of `parent`.
    static QWidget *row(NumberBox *box, const QString &unit, QWidget *parent);

    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

signals:
    // The user typed or stepped to `value`.
    void valueEdited(double value);

protected:
    StepEnabled stepEnabled() const override;

private:
    std::optional<double> parse(const QString &text) const;
    void textEdited(const QString &text);

    Kind m_kind;
    double m_minimum;
    double m_maximum;
    double m_step;
    double m_value = 0;
};
