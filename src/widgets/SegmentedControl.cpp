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
    // one control; no narrower than that, so no label is ever cut. The
    // styles' usual minimum width for push buttons would make short labels
    // needlessly wide.
    int widest = 0;
    for (QAbstractButton *button : m_group->buttons()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QSize text(button->fontMetrics().horizontalAdvance(button->text()), button->fontMetrics().height());
        const QSize needed = button->style()->sizeFromContents(QStyle::CT_PushButton, &option, text, button);
        // sizeFromContents may raise it to the style's minimum; the text
        // itself and the frame's margins are what must fit.
        const int margins = 2 * (button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button)
                                 + button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button));
        widest = std::max(widest, std::min(needed.width(), text.width() + margins + 16));
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
