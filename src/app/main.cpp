// Framelark: turns videos into still screenshots. Only wiring lives here.
#include "app/AppDelegate.h"
#include "app/DesktopAppearance.h"
#include "app/MainMenus.h"
#include "app/SingleInstance.h"
#include "app/Translations.h"
#include "basics/MemoryPressure.h"
#include "export/Exporter.h"
#include "export/FileManagerReveal.h"
#include "media/FfmpegLog.h"
#include "media/ScanFrames.h"
#include "media/SpareBuffers.h"
#include "media/Thumbnails.h"
#include "model/AppModel.h"
#include "model/Engine.h"
#include "settings/Preferences.h"
#include "ui/ContentView.h"
#include "ui/FileDialogs.h"
#include "ui/ShotGridAccessible.h"
#include "widgets/Accessibility.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>

using namespace std::chrono_literals;

namespace {

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Turns videos into still screenshots."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("videos"),
                                 QCoreApplication::translate("main", "Video files to open."),
                                 QStringLiteral("[VIDEO...]"));
}

// --help and --version print and exit before a display is needed, so they
// work in a terminal without one. Everything else (including the toolkit's
// own options such as -platform) is left to the full parse later.
void answerTextOnlyRequests(int argc, char *argv[])
{
    static const QByteArrayList textOnly{"-h", "--help", "-?", "-v", "--version"};
    if (std::none_of(argv + 1, argv + argc, [](const char *a) { return textOnly.contains(a); }))
        return;
    QCoreApplication app(argc, argv);
    Translations::install();
    QCommandLineParser parser;
    describe(parser);
    parser.parse(app.arguments());
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    parser.showHelp();
}

} // namespace

int main(int argc, char *argv[])
{
    // The decoding libraries' complaints about damaged input go to the
    // media log, silent unless turned on; what matters reaches the user as
    // a failed open or a count of shots that couldn't be read.
    FfmpegLog::route();
    QCoreApplication::setOrganizationName(QStringLiteral("Framelark"));
    QCoreApplication::setApplicationName(QStringLiteral("Framelark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FRAMELARK_VERSION));
    answerTextOnlyRequests(argc, argv);

    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("framelark"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("framelark"), QIcon(QStringLiteral(":/app/framelark.svg"))));
    QApplication::setQuitOnLastWindowClosed(true);
    Translations::install();
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);

    // Light or dark as the desktop says, now and whenever it changes; a
    // desktop that says nothing keeps the toolkit's palette.
    const QPalette startPalette = QApplication::palette();
    DesktopAppearance appearance(QDBusConnection::sessionBus());
    QObject::connect(&appearance, &DesktopAppearance::schemeChanged, &app,
                     [startPalette](DesktopAppearance::Scheme scheme) {
                         QApplication::setPalette(DesktopAppearance::paletteFor(scheme, startPalette));
                     });
    appearance.start();

    // What screen readers are told of the controls drawn here.
    Accessibility::install();
    ShotGridAccessible::install();

    // A second launch gives its files to the running instance and ends.
    const QStringList paths = SingleInstance::absolutePaths(parser.positionalArguments(), QDir::currentPath());
    SingleInstance instance(SingleInstance::defaultServerName());
    const SingleInstance::Role role = instance.start(paths);
    if (role == SingleInstance::Role::handedOver)
        return 0;

    AppDelegate delegate;
    delegate.launched(role != SingleInstance::Role::beside);
    QObject::connect(&instance, &SingleInstance::filesReceived, &delegate, &AppDelegate::open);
    QList<QUrl> launchFiles;
    for (const QString &path : paths)
        launchFiles.append(QUrl::fromLocalFile(path));
    // Kept by the delegate until the main window can take them.
    delegate.open(launchFiles);

    Preferences preferences;
    FileDialogs dialogs;
    AppModel model(Engine::ffmpeg(), &dialogs);
    Exporter exporter(model, preferences, dialogs,
                      [](const QStringList &folders) { FileManagerReveal::reveal(folders); });
    ContentView window(model, preferences, exporter);
    MainMenus menus(window.menuBar(), model, exporter,
                    {
                        [&window] { window.openSettings(); },
                        [&window] { window.showAbout(); },
                        [] { QCoreApplication::quit(); },
                        [&window] { window.exportSprites(); },
                    });
    dialogs.setParent(&window);
    QObject::connect(&window, &ContentView::firstShown, &delegate, [&delegate, &model] {
        delegate.setOnOpen([&model](const QList<QUrl> &urls) { model.add(urls); });
    });
    // Files handed over by a later launch bring the window forward.
    QObject::connect(&instance, &SingleInstance::filesReceived, &window, [&window] {
        window.raise();
        window.activateWindow();
    });
    window.show();

    // Decoded thumbnails can be read again from disk, spare frame buffers
    // allocated again and frames a scene scan kept decoded again: give them
    // back while the system is short of memory rather than push it into
    // swapping.
    MemoryWatch memory;
    QObject::connect(&memory, &MemoryWatch::low, [] {
        Thumbnails::relieve();
        SpareBuffers::release();
        ScanFrames::release();
    });
    memory.start();

    const int status = app.exec();
    // Nothing may be written into the temporary root after it is deleted.
    model.shutdown(5s);
    delegate.terminating();
    return status;
}
