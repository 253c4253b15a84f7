#pragma once
// TEMPORARY stand-in until the export operations land.
class AppModel;
class Dialogs;
class Preferences;

class Exporter {
public:
    Exporter(AppModel &model, Preferences &preferences, Dialogs *dialogs)
        : m_model(model), m_preferences(preferences), m_dialogs(dialogs) {}
    void exportSelected() {}
    void exportAll() {}

private:
    [[maybe_unused]] AppModel &m_model;
    [[maybe_unused]] Preferences &m_preferences;
    [[maybe_unused]] Dialogs *m_dialogs;
};
