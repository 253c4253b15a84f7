#pragma once
// The main window's menu bar: File (add, export, share image, remove,
// settings, quit), Edit (select all, deselect all, deselect weak shots of the
// selected video) and Help (web pages, support mail, about). Every command
// calls one operation of the model or the exporter, or one of the window's
// own commands; every enabled state reads one model property and follows its
// change signal at once.
//
// Thread: UI thread only. Does not own `model` or `exporter`, which must
// outlive it; the actions are its children.

#include <QObject>

#include <functional>

class AppModel;
class Exporter;
class QAction;
class QMenuBar;

class MainMenus : public QObject {
    Q_OBJECT
public:
    // What only the window (or the application) can do.
    struct WindowCommands {
        std::function<void()> openSettings;
        std::function<void()> about;
        std::function<void()> quit;
        // Asks how to cut preview sprites, then has the exporter write them.
        std::function<void()> exportSprites;
    };

    struct Actions {
        QAction *addVideos = nullptr;
        QAction *exportScreenshots = nullptr;
        QAction *exportAll = nullptr;
        QAction *exportSprites = nullptr;
        QAction *createShareImage = nullptr;
        QAction *removeVideo = nullptr;
        QAction *settings = nullptr;
        QAction *quit = nullptr;
        QAction *undo = nullptr;
        QAction *redo = nullptr;
        QAction *selectAllShots = nullptr;
        QAction *deselectAllShots = nullptr;
        QAction *deselectWeakShots = nullptr;
        QAction *replaceWeakShots = nullptr;
        QAction *website = nullptr;
        QAction *support = nullptr;
        QAction *contact = nullptr;
        QAction *newVersion = nullptr;
        QAction *about = nullptr;
    };

    // Fills `bar` with the File, Edit and Help menus.
    MainMenus(QMenuBar *bar, AppModel &model, Exporter &exporter, WindowCommands commands,
              QObject *parent = nullptr);

    const Actions &actions() const { return m_actions; }

private:
    void updateEnabled();

    AppModel &m_model;
    Exporter &m_exporter;
    WindowCommands m_commands;
    Actions m_actions;
};
