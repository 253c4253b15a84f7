#include "app/MainMenus.h"
#include "app/Links.h"
#include "export/Exporter.h"
#include "model/AppModel.h"
#include "model/VideoItem.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

MainMenus::MainMenus(QMenuBar *bar, AppModel &model, Exporter &exporter, WindowCommands commands,
                     QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_exporter(exporter)
    , m_commands(std::move(commands))
{
    auto command = [this](QMenu *menu, const QString &text, const QKeySequence &shortcut,
                          std::function<void()> run) {
        auto *action = new QAction(text, this);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, [run = std::move(run)] {
            if (run)
                run();
        });
        menu->addAction(action);
        return action;
    };

    QMenu *file = bar->addMenu(tr("&File"));
    m_actions.addVideos = command(file, tr("Add Videos…"), QKeySequence(Qt::CTRL | Qt::Key_O),
                                  [this] { m_model.chooseVideos(); });
    file->addSeparator();
    m_actions.exportScreenshots =
        command(file, tr("Export Screenshots…"), QKeySequence(Qt::CTRL | Qt::Key_E),
                [this] { m_exporter.exportSelected(); });
    m_actions.exportAll =
        command(file, tr("Export All Videos…"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_E),
                [this] { m_exporter.exportAll(); });
    m_actions.exportSprites = command(file, tr("Export Preview Sprites…"), QKeySequence(), m_commands.exportSprites);
    // Setting the flag again while the share image is shown changes nothing.
    m_actions.createShareImage =
        command(file, tr("Create Share Image…"), QKeySequence(Qt::CTRL | Qt::Key_G),
                [this] { m_model.setShowShareImage(true); });
    file->addSeparator();
    m_actions.removeVideo = command(file, tr("Remove Video"), QKeySequence(), [this] {
        if (VideoItem *item = m_model.selected())
            m_model.remove(item);
    });
    file->addSeparator();
    m_actions.settings = command(file, tr("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma),
                                 m_commands.openSettings);
    m_actions.settings->setMenuRole(QAction::PreferencesRole);
    file->addSeparator();
    m_actions.quit =
        command(file, tr("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), m_commands.quit);
    m_actions.quit->setMenuRole(QAction::QuitRole);
    // Quitting works from every window of the application (the share image
    // window has no menu bar of its own), not only from the main one.
    m_actions.quit->setShortcutContext(Qt::ApplicationShortcut);

    // Each acts on the selected video.
    QMenu *edit = bar->addMenu(tr("&Edit"));
    const auto onSelected = [this](void (*run)(VideoItem &)) {
        return [this, run] {
            if (VideoItem *item = m_model.selected())
                run(*item);
        };
    };
    m_actions.undo = command(edit, tr("Undo"), QKeySequence(QKeySequence::Undo), [this] { m_model.undo(); });
    m_actions.redo = command(edit, tr("Redo"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Z),
                             [this] { m_model.redo(); });
    edit->addSeparator();
    m_actions.selectAllShots = command(edit, tr("Select All Shots"), QKeySequence(Qt::CTRL | Qt::Key_A),
                                       onSelected([](VideoItem &item) { item.selectAll(); }));
    m_actions.deselectAllShots =
        command(edit, tr("Deselect All Shots"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_A),
                onSelected([](VideoItem &item) { item.deselectAll(); }));
    m_actions.deselectWeakShots = command(edit, tr("Deselect Weak Shots"), QKeySequence(Qt::CTRL | Qt::Key_D),
                                          onSelected([](VideoItem &item) { item.deselectWeak(); }));
    m_actions.replaceWeakShots = command(edit, tr("Replace Weak Shots"), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_D),
                                         [this] { m_model.replaceWeak(); });

    // Addresses are formed once, now; one that cannot be formed is invalid
    // and Links::open ignores it.
    QMenu *help = bar->addMenu(tr("&Help"));
    auto link = [&](const QString &text, const QUrl &url) {
        return command(help, text, QKeySequence(), [url] { Links::open(url); });
    };
    m_actions.website = link(tr("Framelark Website"), Links::website());
    // A lone "&" would mark a mnemonic; doubled it shows as itself.
    m_actions.support = link(tr("Support & Privacy").replace(u'&', QStringLiteral("&&")),
                             Links::support());
    m_actions.contact = link(tr("Contact Support"), Links::contact());
    help->addSeparator();
    m_actions.newVersion = link(tr("Check for a New Version…"), Links::newVersion());
    help->addSeparator();
    m_actions.about = command(help, tr("About Framelark"), QKeySequence(), m_commands.about);
    m_actions.about->setMenuRole(QAction::AboutRole);

    connect(&m_model, &AppModel::canExportChanged, this, &MainMenus::updateEnabled);
    connect(&m_model, &AppModel::canExportAllChanged, this, &MainMenus::updateEnabled);
    connect(&m_model, &AppModel::canEditShotsChanged, this, &MainMenus::updateEnabled);
    connect(&m_model, &AppModel::selectedChanged, this, &MainMenus::updateEnabled);
    connect(&m_model, &AppModel::videosChanged, this, &MainMenus::updateEnabled);
    connect(&m_model, &AppModel::historyChanged, this, &MainMenus::updateEnabled);
    connect(&m_model, &AppModel::replaceProgressChanged, this, &MainMenus::updateEnabled);
    updateEnabled();
}

void MainMenus::updateEnabled()
{
    m_actions.exportScreenshots->setEnabled(m_model.canExport());
    m_actions.exportAll->setEnabled(m_model.canExportAll());
    m_actions.exportSprites->setEnabled(m_model.canExport());
    m_actions.createShareImage->setEnabled(m_model.canExport());
    m_actions.removeVideo->setEnabled(m_model.selected() != nullptr);
    for (QAction *action : {m_actions.selectAllShots, m_actions.deselectAllShots, m_actions.deselectWeakShots})
        action->setEnabled(m_model.canEditShots());
    m_actions.replaceWeakShots->setEnabled(m_model.canReplaceWeak());
    m_actions.undo->setEnabled(m_model.canUndo());
    m_actions.redo->setEnabled(m_model.canRedo());
}
