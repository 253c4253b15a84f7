#include "ui/CaptureSettingsButton.h"
#include "settings/Preferences.h"
#include "ui/CaptureSettings.h"
#include "ui/CaptureSettingsPopover.h"
#include "widgets/Style.h"

#include <QEvent>

CaptureSettingsButton::CaptureSettingsButton(Preferences &preferences, QWidget *parent)
    : QToolButton(parent)
    , m_preferences(preferences)
    , m_popover(new CaptureSettingsPopover(preferences, this))
{
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setToolTip(tr("Screenshot Settings"));
    // Read before the summary it shows, which is its description.
    setAccessibleName(tr("Screenshot Settings"));
    // Checked while the panel is open, so the button reads as pressed.
    setCheckable(true);
    connect(this, &QToolButton::clicked, this, &CaptureSettingsButton::toggle);
    connect(m_popover, &CaptureSettingsPopover::closed, this, [this] { setChecked(false); });
    connect(&m_preferences, &Preferences::extractSettingsChanged, this,
            &CaptureSettingsButton::refresh);
    updateIcon();
    refresh();
}

void CaptureSettingsButton::toggle()
{
    if (m_popover->isVisible()) {
        m_popover->close();
    } else {
        m_popover->popUp(this);
    }
    setChecked(m_popover->isVisible());
}

void CaptureSettingsButton::refresh()
{
    setText(CaptureSettings::summary(m_preferences.extractSettings()));
    setAccessibleDescription(text());
}

void CaptureSettingsButton::updateIcon()
{
    const QIcon sliders = Style::themedIcon(
        {QStringLiteral("adjustlevels-symbolic"), QStringLiteral("adjustlevels")},
        QStringLiteral(":/icons/sliders.svg"));
    setIcon(Style::toolIcon(sliders, palette(), devicePixelRatioF()));
}

void CaptureSettingsButton::changeEvent(QEvent *event)
{
    QToolButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateIcon();
}
