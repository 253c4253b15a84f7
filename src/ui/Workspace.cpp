#include "ui/Workspace.h"

#include "export/Exporter.h"
#include "model/AppModel.h"
#include "ui/ShotGrid.h"
#include "ui/VideoDetail.h"
#include "ui/VideoList.h"

#include <QFrame>
#include <QHBoxLayout>

Workspace::Workspace(AppModel &model, Exporter *exporter, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_exporter(exporter)
    , m_list(new VideoList(model))
    , m_divider(new QFrame)
    , m_detail(new VideoDetail(model))
{
    m_list->setFixedWidth(sidebarWidth);
    m_divider->setFrameShape(QFrame::VLine);
    m_divider->setFrameShadow(QFrame::Sunken);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_list);
    row->addWidget(m_divider);
    row->addWidget(m_detail, 1);

    connect(m_list, &VideoList::exportAllRequested, this, [this] {
        if (m_exporter)
            m_exporter->exportAll();
    });
    connect(m_detail, &VideoDetail::exportRequested, this, [this] {
        if (m_exporter)
            m_exporter->exportSelected();
    });
    connect(&m_model, &AppModel::selectedChanged, this, [this] { m_detail->setItem(m_model.selected()); });
    // A video picked with the mouse is one to work on: the grid takes the
    // keys (steps, Enter, arrows) at once. From the keyboard the focus stays
    // in the list, which the arrows move through.
    connect(m_list, &VideoList::videoClicked, m_detail, &VideoDetail::focusShots);
    connect(&m_model, &AppModel::videosChanged, this, &Workspace::followVideos);
    m_detail->setItem(m_model.selected());
    followVideos();
}

bool Workspace::sidebarShown() const
{
    return !m_list->isHidden();
}

void Workspace::followVideos()
{
    const bool sidebar = m_model.videos().size() >= 2;
    m_list->setVisible(sidebar);
    m_divider->setVisible(sidebar);
}
