#include "SegmentedControl.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

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
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedControl::currentChanged);
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
