#include "model/Preferences.h"

#include <cmath>

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

double Preferences::readDouble(const char *key, double fallback) const
{
    const QVariant stored = m_store->value(QLatin1String(key));
    bool ok = false;
    const double value = stored.toDouble(&ok);
    return ok && std::isfinite(value) ? value : fallback;
}

qint64 Preferences::readInteger(const char *key, qint64 fallback) const
{
    const QVariant stored = m_store->value(QLatin1String(key));
    bool ok = false;
    const qint64 value = stored.toLongLong(&ok);
    if (ok)
        return value;
    // An integer written as "24.0" by hand still reads as 24.
    const double asDouble = stored.toDouble(&ok);
    return ok && std::isfinite(asDouble) && std::abs(asDouble) < 9e18 ? qint64(asDouble) : fallback;
}

bool Preferences::readBool(const char *key, bool fallback) const
{
    const QVariant stored = m_store->value(QLatin1String(key));
    if (!stored.isValid())
        return fallback;
    // INI files hold text; only the two words and numbers mean anything.
    const QString text = stored.toString().trimmed().toLower();
    if (text == u"true" || text == u"1")
        return true;
    if (text == u"false" || text == u"0")
        return false;
    return fallback;
}

void Preferences::write(const char *key, const QVariant &value, Signal changed, Signal group)
{
    const QString name = QLatin1String(key);
    const QVariant old = m_store->value(name);
    // INI files hold text, so values compare by their stored form; a value
    // read back from disk ("0.9") then equals the one just written (0.9).
    if (old.isValid() && old.toByteArray() == value.toByteArray())
        return;
    m_store->setValue(name, value);
    emit(this->*changed)();
    if (group)
        emit(this->*group)();
}

void Preferences::erase(const char *key, Signal changed, Signal group)
{
    const QString name = QLatin1String(key);
    if (!m_store->contains(name))
        return;
    m_store->remove(name);
    emit(this->*changed)();
    if (group)
        emit(this->*group)();
}

ExtractMode Preferences::mode() const
{
    return extractModeFromRaw(m_store->value(QStringLiteral("mode")).toString()).value_or(ExtractMode::count);
}

double Preferences::interval() const { return readDouble("interval", 10.0); }
qint64 Preferences::count() const { return readInteger("count", 24); }
bool Preferences::precise() const { return readBool("precise", false); }

ShotFormat Preferences::format() const
{
    return shotFormatFromRaw(m_store->value(QStringLiteral("format")).toString()).value_or(ShotFormat::jpg);
}

double Preferences::jpegQuality() const { return readDouble("jpegQuality", 0.9); }

ExtractSettings Preferences::extractSettings() const
{
    return ExtractSettings{mode(), interval(), count(), precise(), format(), jpegQuality()};
}

void Preferences::setMode(ExtractMode value)
{
    write("mode", rawValue(value), &Preferences::modeChanged, &Preferences::extractSettingsChanged);
}
void Preferences::setInterval(double value)
{
    write("interval", value, &Preferences::intervalChanged, &Preferences::extractSettingsChanged);
}
void Preferences::setCount(qint64 value)
{
    write("count", value, &Preferences::countChanged, &Preferences::extractSettingsChanged);
}
void Preferences::setPrecise(bool value)
{
    write("precise", value, &Preferences::preciseChanged, &Preferences::extractSettingsChanged);
}
void Preferences::setFormat(ShotFormat value)
{
    write("format", rawValue(value), &Preferences::formatChanged, &Preferences::extractSettingsChanged);
}
void Preferences::setJpegQuality(double value)
{
    write("jpegQuality", value, &Preferences::jpegQualityChanged, &Preferences::extractSettingsChanged);
}

std::optional<QByteArray> Preferences::defaultExportFolder() const
{
    const QVariant stored = m_store->value(QStringLiteral("defaultExportFolder"));
    if (!stored.isValid())
        return std::nullopt;
    return stored.toByteArray();
}

void Preferences::setDefaultExportFolder(const std::optional<QByteArray> &value)
{
    if (value)
        write("defaultExportFolder", *value, &Preferences::defaultExportFolderChanged, nullptr);
    else
        erase("defaultExportFolder", &Preferences::defaultExportFolderChanged, nullptr);
}

std::optional<QString> Preferences::lastExportFolder() const
{
    const QVariant stored = m_store->value(QStringLiteral("lastExportFolder"));
    if (!stored.isValid())
        return std::nullopt;
    return stored.toString();
}

void Preferences::setLastExportFolder(const QString &value)
{
    write("lastExportFolder", value, &Preferences::lastExportFolderChanged, nullptr);
}

bool Preferences::shareBadge() const { return readBool("shareBadge", true); }
qint64 Preferences::sheetColumns() const { return readInteger("sheet.columns", 4); }
qint64 Preferences::sheetWidth() const { return readInteger("sheet.width", 2400); }
bool Preferences::sheetDark() const { return readBool("sheet.dark", true); }
bool Preferences::sheetTime() const { return readBool("sheet.time", true); }
bool Preferences::sheetHeader() const { return readBool("sheet.header", true); }

void Preferences::setShareBadge(bool value)
{
    write("shareBadge", value, &Preferences::shareBadgeChanged, &Preferences::sheetOptionsChanged);
}
void Preferences::setSheetColumns(qint64 value)
{
    write("sheet.columns", value, &Preferences::sheetColumnsChanged, &Preferences::sheetOptionsChanged);
}
void Preferences::setSheetWidth(qint64 value)
{
    write("sheet.width", value, &Preferences::sheetWidthChanged, &Preferences::sheetOptionsChanged);
}
void Preferences::setSheetDark(bool value)
{
    write("sheet.dark", value, &Preferences::sheetDarkChanged, &Preferences::sheetOptionsChanged);
}
void Preferences::setSheetTime(bool value)
{
    write("sheet.time", value, &Preferences::sheetTimeChanged, &Preferences::sheetOptionsChanged);
}
void Preferences::setSheetHeader(bool value)
{
    write("sheet.header", value, &Preferences::sheetHeaderChanged, &Preferences::sheetOptionsChanged);
}

void Preferences::sync()
{
    m_store->sync();
}
