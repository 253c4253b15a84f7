#include "ui/ShotGridAccessible.h"

#include "ui/ShotGrid.h"
#include "ui/ShotListModel.h"
#include "widgets/Accessibility.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QScrollBar>

namespace {

class CellAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CellAccessible(ShotGrid *grid, const QModelIndex &index)
        : m_grid(grid)
        , m_index(index)
    {
    }

    int row() const { return m_index.row(); }

    bool isValid() const override { return m_grid && m_index.isValid(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_grid.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return m_index.data(Qt::AccessibleTextRole).toString();
        case QAccessible::Description:
            return m_index.data(Qt::ToolTipRole).toString();
        default:
            return {};
        }
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect cell = m_grid->visualRect(m_index);
        return QRect(m_grid->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = m_index.data(ShotListModel::SelectedRole).toBool();
        s.focused = m_grid->hasFocus() && m_grid->currentIndex() == m_index;
        const QRect cell = m_grid->visualRect(m_index);
        s.offscreen = !m_grid->viewport()->rect().intersects(cell);
        s.invisible = !m_grid->isVisible();
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QStringList actionNames() const override { return {toggleAction(), pressAction(), setFocusAction()}; }
    QStringList keyBindingsForAction(const QString &action) const override
    {
        return action == toggleAction() || action == pressAction() ? QStringList{QStringLiteral("Space")}
                                                                   : QStringList{};
    }
    void doAction(const QString &action) override
    {
        if (!isValid())
            return;
        if (action == toggleAction() || action == pressAction()) {
            m_grid->toggleCell(m_index);
        } else if (action == setFocusAction()) {
            m_grid->setFocus(Qt::OtherFocusReason);
            m_grid->setCurrentIndex(m_index);
        }
    }

private:
    QPointer<ShotGrid> m_grid;
    QPersistentModelIndex m_index;
};

class GridAccessible : public QAccessibleWidget {
public:
    explicit GridAccessible(ShotGrid *grid)
        : QAccessibleWidget(grid, QAccessible::List)
    {
    }
    ~GridAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
    }

    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && own.isEmpty())
            return ShotGrid::tr("Shots");
        return own;
    }

    int childCount() const override
    {
        const QAbstractItemModel *model = grid()->model();
        return model ? model->rowCount(grid()->rootIndex()) : 0;
    }

    QAccessibleInterface *child(int index) const override
    {
        const QAbstractItemModel *model = grid()->model();
        if (!model || index < 0 || index >= childCount())
            return nullptr;
        // One interface per row while it stays that row's: a screen reader
        // holds on to what it was given.
        if (const auto found = m_cells.constFind(index); found != m_cells.cend()) {
            auto *cell = static_cast<CellAccessible *>(QAccessible::accessibleInterface(*found));
            if (cell && cell->isValid() && cell->row() == index)
                return cell;
            QAccessible::deleteAccessibleInterface(*found);
            m_cells.remove(index);
        }
        auto *cell = new CellAccessible(grid(), model->index(index, 0, grid()->rootIndex()));
        m_cells.insert(index, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *cell = dynamic_cast<const CellAccessible *>(child);
        return cell && cell->isValid() && cell->parent() == this ? cell->row() : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex index = grid()->indexAt(grid()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(index.row()) : nullptr;
    }

private:
    ShotGrid *grid() const { return static_cast<ShotGrid *>(widget()); }

    mutable QHash<int, QAccessible::Id> m_cells;
};

} // namespace

namespace ShotGridAccessible {

QAccessibleInterface *create(const QString &className, QObject *object)
{
    if (className == QLatin1String("ShotGrid") && object && object->isWidgetType())
        return new GridAccessible(static_cast<ShotGrid *>(object));
    return nullptr;
}

void install()
{
    Accessibility::installOnce(&create);
}

} // namespace ShotGridAccessible
