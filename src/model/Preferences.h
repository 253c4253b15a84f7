#pragma once
// The per-user preferences: typed access to every key with its default, and a
// change signal per key so every reader sees a write at once.
//
// Thread: UI thread only. Ownership: owns its QSettings store.

#include "engine/Records.h"

#include <QByteArray>
#include <QObject>
#include <QSettings>

#include <memory>
#include <optional>

class Preferences : public QObject {
    Q_OBJECT
public:
    // The user's store: $XDG_CONFIG_HOME/Framelark/Framelark.conf.
    explicit Preferences(QObject *parent = nullptr);
    // A store in the given INI file (tests use a temporary one).
    explicit Preferences(const QString &iniFile, QObject *parent = nullptr);
    ~Preferences() override;

    // Capture settings. An absent or unreadable stored value reads as the default.
    ExtractMode mode() const;          // "mode", default count
    double interval() const;           // "interval", default 10.0
    qint64 count() const;              // "count", default 24
    bool precise() const;              // "precise", default false
    ShotFormat format() const;         // "format", default jpg
    double jpegQuality() const;        // "jpegQuality", default 0.9
    // The six values above as one record.
    ExtractSettings extractSettings() const;

    void setMode(ExtractMode value);
    void setInterval(double value);
    void setCount(qint64 value);
    void setPrecise(bool value);
    void setFormat(ShotFormat value);
    void setJpegQuality(double value);

    // Export destination: the default folder's stored reference (absent:
    // ask every time) and the folder last chosen in the export panel.
    std::optional<QByteArray> defaultExportFolder() const;
    void setDefaultExportFolder(const std::optional<QByteArray> &value);
    std::optional<QString> lastExportFolder() const;
    void setLastExportFolder(const QString &value);

    // Share image options.
    bool shareBadge() const;           // "shareBadge", default true
    qint64 sheetColumns() const;       // "sheet.columns", default 4
    qint64 sheetWidth() const;         // "sheet.width", default 2400
    bool sheetDark() const;            // "sheet.dark", default true
    bool sheetTime() const;            // "sheet.time", default true
    bool sheetHeader() const;          // "sheet.header", default true
    void setShareBadge(bool value);
    void setSheetColumns(qint64 value);
    void setSheetWidth(qint64 value);
    void setSheetDark(bool value);
    void setSheetTime(bool value);
    void setSheetHeader(bool value);

    // Writes reach the file system now rather than at exit.
    void sync();

signals:
    void modeChanged();
    void intervalChanged();
    void countChanged();
    void preciseChanged();
    void formatChanged();
    void jpegQualityChanged();
    // After any of the six capture values changed.
    void extractSettingsChanged();
    void defaultExportFolderChanged();
    void lastExportFolderChanged();
    void shareBadgeChanged();
    void sheetColumnsChanged();
    void sheetWidthChanged();
    void sheetDarkChanged();
    void sheetTimeChanged();
    void sheetHeaderChanged();
    // After any share image option (the five "sheet.*" keys and "shareBadge").
    void sheetOptionsChanged();

private:
    using Signal = void (Preferences::*)();
    double readDouble(const char *key, double fallback) const;
    qint64 readInteger(const char *key, qint64 fallback) const;
    bool readBool(const char *key, bool fallback) const;
    // Stores `value` and emits `changed` (and `group`) unless nothing changed.
    void write(const char *key, const QVariant &value, Signal changed, Signal group);
    void erase(const char *key, Signal changed, Signal group);

    std::unique_ptr<QSettings> m_store;
};
