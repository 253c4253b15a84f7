#include "cli/CliOptions.h"

#include "basics/Planning.h"
#include "export/PreviewSprites.h"
#include "settings/Preferences.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

namespace {

// The command line speaks English, like its manual page.
QString say(const char *text)
{
    return QString::fromUtf8(text);
}

// Reads the number option `name`, when given, into `target`; the message
// saying why not when it is no number within [low, high].
template <typename Number, typename Target>
std::optional<QString> readNumber(const QCommandLineParser &parser, const QString &name, Number low, Number high,
                                  std::optional<Target> &target)
{
    if (!parser.isSet(name))
        return std::nullopt;
    bool ok = false;
    const QString text = parser.value(name);
    Number value{};
    if constexpr (std::is_floating_point_v<Number>)
        value = Number(text.toDouble(&ok));
    else
        value = Number(text.toLongLong(&ok));
    if (!ok || !std::isfinite(double(value)) || value < low || value > high) {
        return say("--%1 takes a number from %2 to %3, not “%4”.")
            .arg(name, QString::number(low), QString::number(high), text);
    }
    target = Target(value);
    return std::nullopt;
}

} // namespace

ExtractSettings CliOptions::extractSettings(const Preferences *stored) const
{
    ExtractSettings settings = stored && !defaults ? stored->extractSettings() : ExtractSettings{};
    if (mode)
        settings.mode = *mode;
    else if (spriteDir)
        settings.mode = ExtractMode::interval;
    if (interval)
        settings.interval = *interval;
    if (count)
        settings.count = *count;
    if (precise)
        settings.precise = true;
    if (avoidWeak)
        settings.avoidWeak = true;
    if (format)
        settings.format = *format;
    if (quality)
        settings.quality = *quality;
    return settings;
}

SheetOptions CliOptions::sheetOptions(const Preferences *stored) const
{
    SheetOptions options = stored && !defaults ? stored->sheetOptions() : SheetOptions{};
    if (columns)
        options.columns = *columns;
    if (width)
        options.width = *width;
    if (dark)
        options.dark = *dark;
    if (noTimestamps)
        options.showTime = false;
    if (noInfo)
        options.showHeader = false;
    if (noBadge)
        options.badge = false;
    if (title)
        options.title = *title;
    if (note)
        options.note = *note;
    return options;
}

bool CliOptions::sheetIsFile() const
{
    if (!sheet)
        return false;
    const QFileInfo info(*sheet);
    const QString suffix = info.suffix().toLower();
    return !info.isDir() && (suffix == u"jpg" || suffix == u"jpeg" || suffix == u"png" || suffix == u"webp");
}

namespace CliArguments {

std::variant<CliOptions, Answer, UsageError> parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        say("Makes screenshots, screenshot folders and share images of videos, without a window."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, say("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"), say("Shows the version."));
    const QCommandLineOption count(QStringLiteral("count"), say("N shots spread over each video (1 to 2000)."),
                                   QStringLiteral("N"));
    const QCommandLineOption interval(QStringLiteral("interval"), say("A shot every S seconds."), QStringLiteral("S"));
    const QCommandLineOption scene(QStringLiteral("scene"),
                                   say("A shot where each scene begins, at most --count of them."));
    const QCommandLineOption precise(QStringLiteral("precise"), say("Exact frames instead of the nearest keyframes."));
    const QCommandLineOption avoidWeak(QStringLiteral("avoid-weak"),
                                       say("Replace a dark, blurred or repeated frame by the best frame near it."));
    const QCommandLineOption format(QStringLiteral("format"), say("Shot files as jpg, png or webp."), QStringLiteral("FORMAT"));
    const QCommandLineOption quality(QStringLiteral("quality"), say("JPEG and WebP quality, 0.5 to 1 (WebP is lossless at 1)."), QStringLiteral("Q"));
    const QCommandLineOption defaults(QStringLiteral("defaults"),
                                      say("Ignore the settings stored by Framelark; use the defaults."));
    const QCommandLineOption exportDir(QStringLiteral("export"),
                                       say("Write each video's shots into a new screenshots folder in DIR."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption sheet(QStringLiteral("sheet"),
                                   say("Write each video's share image into DIR, or into FILE (.jpg, .png or .webp) for one video."),
                                   QStringLiteral("DIR|FILE"));
    const QCommandLineOption columns(QStringLiteral("columns"), say("Share image columns, 1 to 10."), QStringLiteral("N"));
    const QCommandLineOption width(QStringLiteral("width"), say("Share image width in pixels."), QStringLiteral("PX"));
    const QCommandLineOption theme(QStringLiteral("theme"), say("Share image theme: dark or light."),
                                   QStringLiteral("THEME"));
    const QCommandLineOption noTimestamps(QStringLiteral("no-timestamps"), say("No times on the share image's shots."));
    const QCommandLineOption noInfo(QStringLiteral("no-info"), say("No file name and summary above the share image."));
    const QCommandLineOption noBadge(QStringLiteral("no-badge"), say("No “Made with Framelark” line."));
    const QCommandLineOption title(QStringLiteral("title"), say("Share image title instead of the file name."),
                                   QStringLiteral("TEXT"));
    const QCommandLineOption note(QStringLiteral("note"), say("One more line in the share image's header."),
                                  QStringLiteral("TEXT"));
    const QCommandLineOption sprite(QStringLiteral("sprite"),
                                    say("Write each video's preview sprites and their WebVTT index into a new folder in DIR."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption spriteWidth(QStringLiteral("sprite-width"), say("Sprite tile width in pixels (default 160)."),
                                         QStringLiteral("PX"));
    const QCommandLineOption spriteGrid(QStringLiteral("sprite-grid"),
                                        say("Most tiles per sprite image, as COLUMNSxROWS (default 10x10)."),
                                        QStringLiteral("CxR"));
    const QCommandLineOption metadata(QStringLiteral("metadata"),
                                      say("Write the video's name, the shot's time and frame into exported shots."));
    const QCommandLineOption skipWeak(QStringLiteral("skip-weak"),
                                      say("Leave dark, flat, blurry and repeated shots out of exports and share images."));
    const QCommandLineOption recursive({QStringLiteral("r"), QStringLiteral("recursive")},
                                       say("Look for videos in the folders inside given folders too."));
    const QCommandLineOption json(QStringLiteral("json"), say("Print one JSON object per video on standard output."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")}, say("No progress on standard error."));
    parser.addOptions({help, version, count, interval, scene, precise, avoidWeak, format, quality, defaults, exportDir, sheet,
                       columns, width, theme, noTimestamps, noInfo, noBadge, title, note, sprite, spriteWidth,
                       spriteGrid, metadata, skipWeak, recursive, json, quiet});
    parser.addPositionalArgument(QStringLiteral("videos"), say("Video files and folders of videos."),
                                 QStringLiteral("VIDEO|FOLDER..."));

    if (!parser.parse(arguments))
        return UsageError{parser.errorText()};
    if (parser.isSet(help))
        return Answer{parser.helpText()};
    if (parser.isSet(version))
        return Answer{QStringLiteral("framelark-cli ") + QCoreApplication::applicationVersion()
                      + QLatin1Char('\n')};

    CliOptions options;
    const int modes = int(parser.isSet(interval)) + int(parser.isSet(scene))
        + int(parser.isSet(count) && !parser.isSet(scene));
    if (modes > 1)
        return UsageError{say("Give one of --count, --interval and --scene (--scene may take --count as its most).")};
    for (const std::optional<QString> &error :
         {readNumber(parser, QStringLiteral("count"), qint64(1), Planning::maxShots, options.count),
          readNumber(parser, QStringLiteral("interval"), 0.1, 86400.0, options.interval),
          readNumber(parser, QStringLiteral("quality"), 0.5, 1.0, options.quality),
          readNumber(parser, QStringLiteral("columns"), qint64(SheetOptions::minColumns), qint64(SheetOptions::maxColumns), options.columns),
          readNumber(parser, QStringLiteral("width"), qint64(SheetOptions::minWidth), qint64(SheetOptions::maxWidth), options.width),
          readNumber(parser, QStringLiteral("sprite-width"), qint64(PreviewSprites::minTileWidth),
                     qint64(PreviewSprites::maxTileWidth), options.spriteWidth)}) {
        if (error)
            return UsageError{*error};
    }
    if (options.count)
        options.mode = ExtractMode::count;
    if (options.interval)
        options.mode = ExtractMode::interval;
    if (parser.isSet(scene))
        options.mode = ExtractMode::scene;
    options.precise = parser.isSet(precise);
    options.avoidWeak = parser.isSet(avoidWeak);
    if (parser.isSet(format)) {
        const std::optional<ShotFormat> value = shotFormatFromRaw(parser.value(format).toLower());
        if (!value)
            return UsageError{say("--format takes jpg, png or webp, not “%1”.").arg(parser.value(format))};
        options.format = value;
    }
    options.defaults = parser.isSet(defaults);
    if (parser.isSet(exportDir))
        options.exportDir = parser.value(exportDir);
    if (parser.isSet(sheet))
        options.sheet = parser.value(sheet);
    if (parser.isSet(theme)) {
        const QString value = parser.value(theme).toLower();
        if (value != u"dark" && value != u"light")
            return UsageError{say("--theme takes dark or light, not “%1”.").arg(parser.value(theme))};
        options.dark = value == u"dark";
    }
    options.noTimestamps = parser.isSet(noTimestamps);
    options.noInfo = parser.isSet(noInfo);
    options.noBadge = parser.isSet(noBadge);
    if (parser.isSet(title))
        options.title = parser.value(title);
    if (parser.isSet(note))
        options.note = parser.value(note);
    if (parser.isSet(sprite))
        options.spriteDir = parser.value(sprite);
    if (parser.isSet(spriteGrid)) {
        const QStringList parts = parser.value(spriteGrid).toLower().split(u'x');
        bool columnsOk = false, rowsOk = false;
        const int columns = parts.size() == 2 ? parts[0].toInt(&columnsOk) : 0;
        const int rows = parts.size() == 2 ? parts[1].toInt(&rowsOk) : 0;
        if (!columnsOk || !rowsOk || columns < 1 || rows < 1 || columns > PreviewSprites::maxGrid
            || rows > PreviewSprites::maxGrid) {
            return UsageError{say("--sprite-grid takes COLUMNSxROWS, each 1 to %1, not “%2”.")
                                  .arg(PreviewSprites::maxGrid)
                                  .arg(parser.value(spriteGrid))};
        }
        options.spriteColumns = columns;
        options.spriteRows = rows;
    }
    options.metadata = parser.isSet(metadata);
    options.skipWeak = parser.isSet(skipWeak);
    options.recursive = parser.isSet(recursive);
    options.json = parser.isSet(json);
    options.quiet = parser.isSet(quiet);
    options.inputs = parser.positionalArguments();
    if (options.inputs.isEmpty())
        return UsageError{say("Name at least one video or folder.")};
    if (!options.exportDir && !options.sheet && !options.spriteDir)
        return UsageError{say("Nothing to write: give --export DIR, --sheet DIR|FILE, --sprite DIR or several.")};
    if (options.metadata && !options.exportDir)
        return UsageError{say("--metadata writes into exported shots; give --export DIR as well.")};
    if (options.spriteDir && !QFileInfo(*options.spriteDir).isDir())
        return UsageError{say("“%1” is no folder.").arg(*options.spriteDir)};
    if (options.exportDir && !QFileInfo(*options.exportDir).isDir())
        return UsageError{say("“%1” is no folder.").arg(*options.exportDir)};
    if (options.sheet && !options.sheetIsFile() && !QFileInfo(*options.sheet).isDir())
        return UsageError{say("“%1” is no folder and no .jpg, .png or .webp file name.").arg(*options.sheet)};
    return options;
}

} // namespace CliArguments
