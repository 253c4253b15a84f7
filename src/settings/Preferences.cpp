#include "settings/Preferences.h"

#include "basics/SheetOptions.h"

#include <cmath>

namespace {

using Signal = void (Preferences::*)();

// One stored value: its key, its default, its own change signal and its
// group's (null for none).
template<typename T>
struct Key {
    const char *name;
    T fallback;
    Signal changed;
    Signal group;
};

// The defaults are the records' own, so a record built without the store
// and a fresh store agree.
constexpr ExtractSettings capture{};
// SheetOptions holds texts, so it is no literal type; its defaults are.
const SheetOptions sheet{};
constexpr Signal captureGroup = &Preferences::extractSettingsChanged;
constexpr Signal sheetGroup = &Preferences::sheetOptionsChanged;

// Every key of the store. The names are what existing configuration files
// hold: renaming one forgets the user's choice.
namespace key {
constexpr Key<ExtractMode> mode{"mode", capture.mode, &Preferences::modeChanged, captureGroup};
constexpr Key<double> interval{"interval", capture.interval, &Preferences::intervalChanged, captureGroup};
constexpr Key<qint64> count{"count", capture.count, &Preferences::countChanged, captureGroup};
constexpr Key<bool> precise{"precise", capture.precise, &Preferences::preciseChanged, captureGroup};
constexpr Key<bool> avoidWeak{"avoidWeak", capture.avoidWeak, &Preferences::avoidWeakChanged, captureGroup};
constexpr Key<ShotFormat> format{"format", capture.format, &Preferences::formatChanged, captureGroup};
constexpr Key<double> jpegQuality{"jpegQuality", capture.quality, &Preferences::jpegQualityChanged,
                                  captureGroup};
// No default: absent means "not chosen".
constexpr Key<std::nullopt_t> defaultExportFolder{"defaultExportFolder", std::nullopt,
                                                  &Preferences::defaultExportFolderChanged, nullptr};
constexpr Key<std::nullopt_t> lastExportFolder{"lastExportFolder", std::nullopt,
                                               &Preferences::lastExportFolderChanged, nullptr};
constexpr Key<bool> exportSourceDetails{"exportSourceDetails", false, &Preferences::exportSourceDetailsChanged,
                                        nullptr};
constexpr Key<qint64> spriteTileWidth{"sprite.width", 160, &Preferences::spriteOptionsChanged, nullptr};
constexpr Key<qint64> spriteColumns{"sprite.columns", 10, &Preferences::spriteOptionsChanged, nullptr};
constexpr Key<qint64> spriteRows{"sprite.rows", 10, &Preferences::spriteOptionsChanged, nullptr};
const Key<bool> shareBadge{"shareBadge", sheet.badge, &Preferences::shareBadgeChanged, sheetGroup};
const Key<qint64> sheetColumns{"sheet.columns", sheet.columns, &Preferences::sheetColumnsChanged,
                                   sheetGroup};
const Key<qint64> sheetWidth{"sheet.width", sheet.width, &Preferences::sheetWidthChanged, sheetGroup};
const Key<bool> sheetDark{"sheet.dark", sheet.dark, &Preferences::sheetDarkChanged, sheetGroup};
const Key<bool> sheetTime{"sheet.time", sheet.showTime, &Preferences::sheetTimeChanged, sheetGroup};
const Key<bool> sheetHeader{"sheet.header", sheet.showHeader, &Preferences::sheetHeaderChanged,
                                sheetGroup};
} // namespace key

template<typename T>
QVariant stored(const QSettings &store, const Key<T> &key)
{
    return store.value(QLatin1String(key.name));
}

double read(const QSettings &store, const Key<double> &key)
{
    bool ok = false;
    const double value = stored(store, key).toDouble(&ok);
    return ok && std::isfinite(value) ? value : key.fallback;
}

qint64 read(const QSettings &store, const Key<qint64> &key)
{
    const QVariant text = stored(store, key);
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (ok)
        return value;
    // An integer written as "24.0" by hand still reads as 24.
    const double asDouble = text.toDouble(&ok);
    return ok && std::isfinite(asDouble) && std::abs(asDouble) < 9e18 ? qint64(asDouble) : key.fallback;
}

bool read(const QSettings &store, const Key<bool> &key)
{
    const QVariant value = stored(store, key);
    if (!value.isValid())
        return key.fallback;
    // INI files hold text; only the two words and numbers mean anything.
    const QString text = value.toString().trimmed().toLower();
    if (text == u"true" || text == u"1")
        return true;
    if (text == u"false" || text == u"0")
        return false;
    return key.fallback;
}

ExtractMode read(const QSettings &store, const Key<ExtractMode> &key)
{
    return extractModeFromRaw(stored(store, key).toString()).value_or(key.fallback);
}

ShotFormat read(const QSettings &store, const Key<ShotFormat> &key)
{
    return shotFormatFromRaw(stored(store, key).toString()).value_or(key.fallback);
}

} // namespace

Preferences::Preferences(QObject *parent)
    : QObject(parent)
    , m_store(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                          QStringLiteral("Framelark"), QStringLiteral("Framelark")))
{
}

Preferences::Preferences(const QString &iniFile, QObject *parent)
    : QObject(parent)
    , m_store(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

Preferences::~Preferences() = default;

template<typename K>
void Preferences::write(const K &key, const QVariant &value)
{
    const QString name = QLatin1String(key.name);
    const QVariant old = m_store->value(name);
    // INI files hold text, so values compare by their stored form; a value
    // read back from disk ("0.9") then equals the one just written (0.9).
    if (old.isValid() && old.toByteArray() == value.toByteArray())
        return;
    m_store->setValue(name, value);
    emit(this->*key.changed)();
    if (key.group)
        emit(this->*key.group)();
}

template<typename K>
void Preferences::erase(const K &key)
{
    const QString name = QLatin1String(key.name);
    if (!m_store->contains(name))
        return;
    m_store->remove(name);
    emit(this->*key.changed)();
    if (key.group)
        emit(this->*key.group)();
}

ExtractMode Preferences::mode() const { return read(*m_store, key::mode); }
double Preferences::interval() const { return read(*m_store, key::interval); }
qint64 Preferences::count() const { return read(*m_store, key::count); }
bool Preferences::precise() const { return read(*m_store, key::precise); }
bool Preferences::avoidWeak() const { return read(*m_store, key::avoidWeak); }
ShotFormat Preferences::format() const { return read(*m_store, key::format); }
double Preferences::jpegQuality() const { return read(*m_store, key::jpegQuality); }

ExtractSettings Preferences::extractSettings() const
{
    return ExtractSettings{mode(), interval(), count(), precise(), format(), jpegQuality(), avoidWeak()};
}

void Preferences::setMode(ExtractMode value) { write(key::mode, rawValue(value)); }
void Preferences::setInterval(double value) { write(key::interval, value); }
void Preferences::setCount(qint64 value) { write(key::count, value); }
void Preferences::setPrecise(bool value) { write(key::precise, value); }
void Preferences::setAvoidWeak(bool value) { write(key::avoidWeak, value); }
void Preferences::setFormat(ShotFormat value) { write(key::format, rawValue(value)); }
void Preferences::setJpegQuality(double value) { write(key::jpegQuality, value); }

std::optional<QByteArray> Preferences::defaultExportFolder() const
{
    const QVariant value = stored(*m_store, key::defaultExportFolder);
    if (!value.isValid())
        return std::nullopt;
    return value.toByteArray();
}

void Preferences::setDefaultExportFolder(const std::optional<QByteArray> &value)
{
    if (value)
        write(key::defaultExportFolder, *value);
    else
        erase(key::defaultExportFolder);
}

std::optional<QString> Preferences::lastExportFolder() const
{
    const QVariant value = stored(*m_store, key::lastExportFolder);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

void Preferences::setLastExportFolder(const QString &value) { write(key::lastExportFolder, value); }

bool Preferences::exportSourceDetails() const { return read(*m_store, key::exportSourceDetails); }
void Preferences::setExportSourceDetails(bool value) { write(key::exportSourceDetails, value); }
qint64 Preferences::spriteTileWidth() const { return read(*m_store, key::spriteTileWidth); }
qint64 Preferences::spriteColumns() const { return read(*m_store, key::spriteColumns); }
qint64 Preferences::spriteRows() const { return read(*m_store, key::spriteRows); }
void Preferences::setSpriteTileWidth(qint64 value) { write(key::spriteTileWidth, value); }
void Preferences::setSpriteColumns(qint64 value) { write(key::spriteColumns, value); }
void Preferences::setSpriteRows(qint64 value) { write(key::spriteRows, value); }

bool Preferences::shareBadge() const { return read(*m_store, key::shareBadge); }
qint64 Preferences::sheetColumns() const { return read(*m_store, key::sheetColumns); }
qint64 Preferences::sheetWidth() const { return read(*m_store, key::sheetWidth); }
bool Preferences::sheetDark() const { return read(*m_store, key::sheetDark); }
bool Preferences::sheetTime() const { return read(*m_store, key::sheetTime); }
bool Preferences::sheetHeader() const { return read(*m_store, key::sheetHeader); }

SheetOptions Preferences::sheetOptions() const
{
    SheetOptions options;
    options.columns = SheetOptions::clampColumns(sheetColumns());
    options.width = SheetOptions::clampWidth(sheetWidth());
    options.dark = sheetDark();
    options.showTime = sheetTime();
    options.showHeader = sheetHeader();
    options.badge = shareBadge();
    return options;
}

void Preferences::setShareBadge(bool value) { write(key::shareBadge, value); }
void Preferences::setSheetColumns(qint64 value) { write(key::sheetColumns, value); }
void Preferences::setSheetWidth(qint64 value) { write(key::sheetWidth, value); }
void Preferences::setSheetDark(bool value) { write(key::sheetDark, value); }
void Preferences::setSheetTime(bool value) { write(key::sheetTime, value); }
void Preferences::setSheetHeader(bool value) { write(key::sheetHeader, value); }

void Preferences::sync()
{
    m_store->sync();
}
