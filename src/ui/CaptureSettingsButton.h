#pragma once
// The toolbar button that names the current capture settings ("24 shots ·
// Precise") and opens the capture settings panel under itself. Its title
// follows the stored preferences whoever changes them.
//
// Thread: UI thread only. Does not own `preferences`, which must outlive it;
// owns its panel.

#include <QToolButton>

class CaptureSettingsPopover;
class Preferences;

class CaptureSettingsButton : public QToolButton {
    Q_OBJECT
public:
    explicit CaptureSettingsButton(Preferences &preferences, QWidget *parent = nullptr);

    CaptureSettingsPopover *popover() const { return m_popover; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void toggle();
    void refresh();
    void updateIcon();

    Preferences &m_preferences;
    CaptureSettingsPopover *m_popover;
};
