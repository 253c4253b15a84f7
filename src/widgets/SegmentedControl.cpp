#include "widgets/SegmentedControl.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

SegmentedControl::SegmentedControl(const QStringList &labels, QWidget *parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_group->setExclusive(true);
    for (int i = 0; i < labels.size(); ++i) {
        auto *button = new QPushButton(labels.at(i), this);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_group->addButton(button, i);
        row->addWidget(button);
    }
    fitSegments();
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedControl::currentChanged);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int, bool) { updateColors(); });
}

void SegmentedControl::updateColors()
{
    // Many styles draw a checked push button only a shade darker, which is
    // hard to tell apart; the chosen segment takes the selection colours.
    const QPalette base = palette();
    for (QAbstractButton *button : m_group->buttons()) {
        QPalette colors = base;
        if (button->isChecked()) {
            for (const auto group : {QPalette::Active, QPalette::Inactive}) {
                colors.setColor(group, QPalette::Button, base.color(group, QPalette::Highlight));
                colors.setColor(group, QPalette::ButtonText,
                                base.color(group, QPalette::HighlightedText));
            }
        }
        button->setPalette(colors);
    }
}

void SegmentedControl::fitSegments()
{
    // Every segment as wide as the widest label needs, so the row reads as
    // one control; no narrower than that, so no label is ever cut. Measured
    // from the label rather than the style's size hint, whose usual minimum
    // width for push buttons would make short labels needlessly wide.
    int widest = 0;
    for (QAbstractButton *button : m_group->buttons()) {
        QStyleOptionButton option;
        option.initFrom(button);
        // The frame's margins and some air on either side of the label.
        const int margins = 2 * (button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button)
                                 + button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button) + 8);
        widest = std::max(widest, button->fontMetrics().horizontalAdvance(button->text()) + margins);
    }
    for (QAbstractButton *button : m_group->buttons())
        button->setMinimumWidth(widest);
}

void SegmentedControl::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateColors();
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitSegments();
}

int SegmentedControl::current() const
{
    return m_group->checkedId();
}

void SegmentedControl::setCurrent(int index)
{
    if (auto *button = m_group->button(index))
        button->setChecked(true);
}
