#include "model/SettingsHandOver.h"

#include "model/AppModel.h"
#include "settings/Preferences.h"

SettingsHandOver::SettingsHandOver(AppModel &model, Preferences &preferences, std::chrono::milliseconds delay,
                                   QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_preferences(preferences)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(delay);
    connect(&m_quiet, &QTimer::timeout, this, [this] { m_model.apply(m_preferences.extractSettings()); });
    connect(&m_preferences, &Preferences::extractSettingsChanged, this, [this] {
        if (m_begun)
            m_quiet.start();
    });
}

void SettingsHandOver::begin()
{
    if (std::exchange(m_begun, true))
        return;
    m_quiet.start();
}
