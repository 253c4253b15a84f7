#pragma once
// The plain value records every layer passes around. They own no resources
// and are copied freely; they live at the bottom layer so the engine can
// produce them without knowing the model.

#include <QByteArray>
#include <QHash>
#include <QSizeF>
#include <QString>
#include <QUrl>

#include <optional>

// Scene mode takes one shot where each scene begins, at most `count` of them.
enum class ExtractMode { interval, count, scene };
enum class ShotFormat { jpg, png, webp };

// Raw values are the stored preference texts; an unknown text gives no value.
QString rawValue(ExtractMode mode);
QString rawValue(ShotFormat format);
std::optional<ExtractMode> extractModeFromRaw(QStringView raw);
std::optional<ShotFormat> shotFormatFromRaw(QStringView raw);

// How one extraction run cuts a video into shots. Both interval and count are
// always carried; the planner uses the one that belongs to the mode (scene
// mode uses count as its most).
struct ExtractSettings {
    ExtractMode mode = ExtractMode::count;
    double interval = 10.0;   // seconds between shots in interval mode
    qint64 count = 24;        // number of shots in count mode, the most in scene mode
    bool precise = false;     // decode exactly at the planned time
    ShotFormat format = ShotFormat::jpg;
    double quality = 0.9;     // JPEG and WebP quality, 0..1 (WebP is lossless at 1)
    // A planned moment whose frame is weak (WeakShots) takes the best frame
    // of its stretch instead (BetterFrames).
    bool avoidWeak = false;

    // Every field takes part, floating-point fields by numeric value, so a
    // change of the unused interval still counts as a change.
    bool operator==(const ExtractSettings &) const = default;
};

// What a shot's thumbnail looks like, measured when the shot is written so
// that weak shots can be found without decoding anything again. Kept in
// memory only. Luma is 0..255 (BT.601 weights on the sRGB values).
struct ShotScore {
    bool measured = false;
    float meanLuma = 0;    // how bright
    float lumaSpread = 0;  // standard deviation: near 0 for a single-colour frame
    float sharpness = 0;   // variance of the Laplacian of the luma
    // The luma at tinyWidth × tinyHeight, row by row, for comparing shots.
    QByteArray tiny;
    // How steep the picture's edges are, whatever their contrast and
    // however many there are: at the edges, the second difference's total
    // over the first's, in the blurrier of the two directions. Defocus and
    // motion blur widen edges and lower it; fog, night, dimming and the
    // share of empty sky leave it alone. 0 when unmeasured or when the
    // picture has (almost) no edges.
    float acuity = 0;

    static constexpr int tinyWidth = 16;
    static constexpr int tinyHeight = 9;
};

// One finished screenshot. `id` is its position in the planned times of its
// run and the number in its file names. Paths are absolute local paths.
struct Shot {
    qint64 id = 0;
    double time = 0;     // seconds; the frame actually decoded
    QString file;        // full-size image in the run's work folder
    QString thumbFile;   // JPEG thumbnail beside it
    ShotScore score;     // measured from the thumbnail; unmeasured when unknown
};

// Facts read once when a video is opened.
struct VideoInfo {
    QUrl url;            // the file as opened; equal URLs are the same video
    double duration = 0; // seconds
    QSizeF size;         // display size in pixels (transform applied, non-negative)
    float fps = 0;       // nominal frame rate; 0 when unknown
    qint64 fileSize = 0; // bytes; 0 when it could not be read

    // "02:05 · 1920×1080 · 29.97 fps · 48.3 MB" in the user's locale.
    QString summary() const;
    // The file name without its last extension ("clip.final" for clip.final.mp4).
    QString baseName() const;
    QString fileName() const;
};

// Processing state of one video; the owner is VideoItem.
enum class VideoStatus { pending, extracting, done };

// A message the main window shows with one "OK" button.
struct AppAlert {
    QString title;
    QString message;
    bool operator==(const AppAlert &) const = default;
};
