#pragma once
// Hands the stored capture settings to the model once they have been quiet
// for `delay`: a burst of edits (typing a count, clicking a stepper) starts
// one new extraction with the final values, not one per keystroke.
//
// Nothing is handed over before begin(): the window calls it when it first
// appears, which makes the first hand-over. Thread: UI thread. Does not own
// `model` or `preferences`, which must outlive it.

#include <QObject>
#include <QTimer>

#include <chrono>

class AppModel;
class Preferences;

class SettingsHandOver : public QObject {
    Q_OBJECT
public:
    SettingsHandOver(AppModel &model, Preferences &preferences, std::chrono::milliseconds delay,
                     QObject *parent = nullptr);

    // From now on, every change is handed over after the delay; the first
    // hand-over is scheduled at once. Later calls do nothing.
    void begin();

private:
    AppModel &m_model;
    Preferences &m_preferences;
    QTimer m_quiet;
    bool m_begun = false;
};
