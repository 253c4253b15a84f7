#include "widgets/Accessibility.h"

#include "widgets/BusySpinner.h"
#include "widgets/ElidedLabel.h"
#include "widgets/LinearProgress.h"
#include "widgets/TabularText.h"

#include <QAccessibleWidget>
#include <QSet>

namespace {

// A label: static text whose name is its whole text, unless the owner gave
// it a name of its own.
template <typename Label>
class LabelAccessible : public QAccessibleWidget {
public:
    explicit LabelAccessible(Label *label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && own.isEmpty())
            return static_cast<Label *>(widget())->text();
        return own;
    }
};

class ProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressAccessible(LinearProgress *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant &) override {}  // shows progress, takes none
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    LinearProgress *bar() const { return static_cast<LinearProgress *>(widget()); }
};

class SpinnerAccessible : public QAccessibleWidget {
public:
    explicit SpinnerAccessible(BusySpinner *spinner)
        : QAccessibleWidget(spinner, QAccessible::Animation)
    {
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.busy = static_cast<BusySpinner *>(widget())->animating();
        return s;
    }
};

} // namespace

namespace Accessibility {

void installOnce(Factory factory)
{
    static QSet<Factory> installed;
    if (installed.contains(factory))
        return;
    installed.insert(factory);
    QAccessible::installFactory(factory);
}

QAccessibleInterface *widgetInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("ElidedLabel"))
        return new LabelAccessible<ElidedLabel>(static_cast<ElidedLabel *>(object));
    if (className == QLatin1String("TabularLabel"))
        return new LabelAccessible<TabularLabel>(static_cast<TabularLabel *>(object));
    if (className == QLatin1String("LinearProgress"))
        return new ProgressAccessible(static_cast<LinearProgress *>(object));
    if (className == QLatin1String("BusySpinner"))
        return new SpinnerAccessible(static_cast<BusySpinner *>(object));
    return nullptr;
}

void install()
{
    installOnce(&widgetInterface);
}

} // namespace Accessibility
