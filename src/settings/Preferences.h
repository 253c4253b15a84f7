#pragma once
// The per-user preferences: typed access to every key with its default, and a
// change signal per key so every reader sees a write at once.
//
// Thread: UI thread only. Ownership: owns its QSettings store.

#include "basics/Records.h"
#include "basics/SheetOptions.h"

#include <QByteArray>
#include <QObject>
#include <QSettings>

#include <memory>
#include <optional>

class Preferences : public QObject {
    Q_OBJECT
public:
    // The user's store: $XDG_CONFIG_HOME/Framelark/Framelark.ini.
    explicit Preferences(QObject *parent = nullptr);
    // A store in the given INI file (tests use a temporary one).
    explicit Preferences(const QString &iniFile, QObject *parent = nullptr);
    ~Preferences() override;

    // Capture settings. An absent or unreadable stored value reads as the
    // default, which is ExtractSettings{}'s (the keys are in Preferences.cpp).
    ExtractMode mode() const;
    double interval() const;
    qint64 count() const;
    bool precise() const;
    bool avoidWeak() const;
    ShotFormat format() const;
    double jpegQuality() const;
    // The six values above as one record.
    ExtractSettings extractSettings() const;

    void setMode(ExtractMode value);
    void setInterval(double value);
    void setCount(qint64 value);
    void setPrecise(bool value);
    void setAvoidWeak(bool value);
    void setFormat(ShotFormat value);
    void setJpegQuality(double value);

    // Export destination: the default folder's stored reference (absent:
    // ask every time) and the folder last chosen in the export panel.
    std::optional<QByteArray> defaultExportFolder() const;
    void setDefaultExportFolder(const std::optional<QByteArray> &value);
    std::optional<QString> lastExportFolder() const;
    void setLastExportFolder(const QString &value);
    // Exported shots carry the video's name, their time and frame (off:
    // they are byte copies of the shots).
    bool exportSourceDetails() const;
    void setExportSourceDetails(bool value);

    // Preview sprites: tile width and the most tiles per sprite image.
    qint64 spriteTileWidth() const;
    qint64 spriteColumns() const;
    qint64 spriteRows() const;
    void setSpriteTileWidth(qint64 value);
    void setSpriteColumns(qint64 value);
    void setSpriteRows(qint64 value);

    // The share image options as one record, columns and width brought into
    // SheetOptions' ranges: what the window and the command line both render.
    SheetOptions sheetOptions() const;
    // Share image options as stored, defaults as SheetOptions{}'s.
    bool shareBadge() const;
    qint64 sheetColumns() const;
    qint64 sheetWidth() const;
    bool sheetDark() const;
    bool sheetTime() const;
    bool sheetHeader() const;
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
    void avoidWeakChanged();
    void formatChanged();
    void jpegQualityChanged();
    // After any of the six capture values changed.
    void extractSettingsChanged();
    void defaultExportFolderChanged();
    void lastExportFolderChanged();
    void exportSourceDetailsChanged();
    void spriteOptionsChanged();
    void shareBadgeChanged();
    void sheetColumnsChanged();
    void sheetWidthChanged();
    void sheetDarkChanged();
    void sheetTimeChanged();
    void sheetHeaderChanged();
    // After any share image option.
    void sheetOptionsChanged();

private:
    // `key` is a row of the key table in Preferences.cpp: the stored name
    // and the signals a write emits. Both store `value` (or remove the key)
    // and emit unless nothing changed.
    template<typename Key>
    void write(const Key &key, const QVariant &value);
    template<typename Key>
    void erase(const Key &key);

    std::unique_ptr<QSettings> m_store;
};
