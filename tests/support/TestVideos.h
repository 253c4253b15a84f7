#pragma once
// Short test videos made on demand with the `ffmpeg` tool, cached by their
// parameters in $FRAMELARK_TEST_DATA (else a folder under the temp dir), so a
// second request for the same clip reuses the file.
//
// Every frame of a numbered clip shows its frame number as a 6×6 grid of
// black and white cells: the inner 4×4 cells are the 16 bits of the number,
// the border is black except the top-left cell and its right neighbour, which
// are white. That marker tells how a decoded picture was rotated or mirrored.
// Rotated clips are stored so that the pattern is upright once the display
// rotation is applied, as a player shows it.
//
// All functions return an empty string when the clip could not be made (no
// ffmpeg, encoder missing); callers QFAIL then.

#include <QImage>
#include <QList>
#include <QString>

#include <optional>

struct AVFrame;

struct VideoSpec {
    int width = 320;
    int height = 240;
    int frames = 0;        // frame count; 0 means `seconds` × fps
    double seconds = 2;
    int fps = 30;          // frame rate fps / fpsBase (30000/1001 for 29.97)
    int fpsBase = 1;
    int gop = 30;          // keyframe interval in frames (fixed, no scene cuts)
    bool bframes = false;  // two B-frames between references
    QString codec = QStringLiteral("libx264");
    QString container = QStringLiteral("mp4");
    int rotation = 0;      // display rotation as the rotate tag: 0, 90, 180, 270
    int sarNum = 1;        // sample aspect ratio sarNum:sarDen
    int sarDen = 1;
    QString pixelFormat = QStringLiteral("yuv420p");
    QString colours = QString();  // "" untagged, "bt601", "bt709", "bt2020"
    bool fullRange = false;
    double startOffset = 0;  // seconds added to every timestamp
    bool audio = false;      // add a sine audio track
    bool solid = false;      // solid colour frames instead of numbered ones
    bool faststart = false;  // index (moov) before the data
    // Frames left out after frame `heldFrom`, which stays on screen that
    // much longer (a variable rate, as phones record in low light).
    int heldFrom = 0;
    int heldFor = 0;

    int frameCount() const;
};

// A clip at a frame size and layout that real videos have, for tests that
// must hold at every size: rows not a multiple of 16 pixels wide, portrait
// phone video stored turned, odd sizes, deep and full-chroma formats.
struct RealVideo {
    const char *name;
    VideoSpec spec;
    QSize display;  // upright size the shots get
};

class TestVideos {
public:
    static QString make(const VideoSpec &spec);

    // Twelve numbered frames at 30 fps (keyframes every 6, B-frames where the
    // codec has them) at each size in the list.
    static const QList<RealVideo> &realSizes();
    // A _data() table of them: one row per size, column "index" into
    // realSizes().
    static void addRealSizeRows();
    // The row's clip, made if needed (empty when it cannot be made).
    static QString realSizeClip(int index);

    // 24 s at 10 fps, 640×360, keyframes every second, in sections of 4 s:
    // moving colours, black, the same blurred, still colour bars, then 8 s
    // of moving colours again.
    static QString weakSections();
    // 33 s at 10 fps, 640×360, keyframes every second: photographs panned as
    // a camera would, in sections of 3 s (filmedWeakLabels() names them):
    // ordinary, fog, night, grain, defocused, a fast pan blurred by motion,
    // black, a fade out, frozen, white, ordinary. Empty when the
    // photographs are missing.
    static QString filmedWeakSections();
    static QStringList filmedWeakLabels();
    // 12 s at 10 fps, 640×360, keyframes every second: one photograph panned
    // throughout, black from 2.8 to 3.3 s and defocused from 6.8 to 7.3 s.
    // Empty when the photograph is missing.
    static QString briefWeakMoments();
    // 42 s at 10 fps, 320×180: eleven scenes of different pictures, most of
    // them moving, cut hard at the frames in sceneCutFrames(). Keyframes
    // every `gop` frames and nowhere else, so that with a long interval most
    // cuts lie between keyframes. `ntsc`: the same frames at 29.97 fps (14 s),
    // their times off the 1/600 s grid. `phone`: the same 42 s in 10-bit HLG,
    // stored turned 90 degrees as phones record. `openHevc`: the same 42 s
    // in HEVC whose later keyframes are open-GOP (CRA), as x265 makes them.
    // `mpegTs`: the same 42 s in MPEG-TS, which has no index to seek by.
    // `openTs`: x264 open-GOP keyframes in MPEG-TS, which FFmpeg's decoder
    // gives no picture for when told to decode keyframes only.
    enum class ScenesAs { tenFps, ntsc, phone, openHevc, mpegTs, openTs };
    static QString scenes(int gop, ScenesAs as = ScenesAs::tenFps);
    static QList<int> sceneCutFrames();
    // 20 s at 10 fps, 320×180, one moving picture throughout; keyframes every second.
    static QString oneScene();
    // 16 s at 25 fps, 320×180, keyframes and B-frames as x264 places them,
    // cut hard at the frames in filmCutFrames(): a photograph panned in warm
    // grading with a white flash at frames 25-27, the same pan in cool
    // grading, a scene of heavy noise, a Game of Life (its random first
    // picture turns into another at once), generated bars fading out at
    // 280-289 and others fading in at 290-299 (no cut), then another framing
    // of the photograph. Empty when the photograph is missing.
    // `gop`: keyframes every so many frames and nowhere else instead.
    static QString filmCuts(int gop = 0);
    static QList<int> filmCutFrames();
    // 7 s at 25 fps, 320×180, keyframes every 25 frames and nowhere else: a
    // photograph panned, lit by a strobe (a white frame every 5th from 2 s
    // to 4 s, so the keyframes at 2, 3 and 4 s are white), cut hard at 5 s
    // to another framing. Empty when the photograph is missing.
    static QString strobe();
    static QString audioOnly();
    // An MP4 cut to half its size with its index at the end: the index is gone.
    static QString truncatedIndex();
    // An MP4 with its index first, cut in the middle of the frame data: the
    // first frames are intact, the later ones are missing.
    static QString truncatedData();
    // 36 frames (1.2 s) in a fragmented MP4 without a fragment index whose
    // header gives the duration as "unknown" (all ones), which reads as
    // about 279,620 s: as live recorders and streaming tools write them.
    static QString fragmentedUnknownDuration();
    // A numbered 90-frame clip (keyframes every 30, B-frames) cut at 1.5 s
    // without re-encoding, so an edit list hides its first half second, and
    // with its first sync-sample mark taken away: no frame before the edit
    // is marked as a keyframe. Frame k of the result shows number 45 + k.
    static QString editListWithoutSyncBeforeEdit();
    // A numbered 60-frame clip (30 fps, keyframes every 30, B-frames) whose
    // edit list starts 0.8 s into the media but still states 2 s, as phone
    // clips do: the stated length runs 0.8 s past the last frame, which
    // shows number 59 from 1.1667 s on. Frame k of the result shows 24 + k.
    static QString editListLongerThanFrames();
    // A numbered 30-frame clip (1 s at 30 fps) in Matroska with a 1.5 s
    // audio track: the file states 1.5 s, the last frame starts at 0.9667 s.
    static QString lastFrameBeforeStatedEnd();
    static QString zeroBytes();
    static QString textNamedMp4();
    // A valid MP4 whose video codec tag is unknown, so no decoder exists.
    static QString unknownCodec();
    // A video with a still picture (cover art) as a second video stream.
    static QString withCoverArt();
    // A few 10-bit HEVC frames of SMPTE colour bars (saturated colours,
    // white, black, near-black steps) carried over from SDR into HDR: BT.2020
    // primaries and matrix, `transfer` "smpte2084" (PQ) or "arib-std-b67"
    // (HLG), SDR white at 100 nits. With `tags` false the stream is the same
    // but its transfer tag says BT.2020 SDR, as an untagged player would see it.
    static QString hdrBars(const QString &transfer, bool tags = true);

    struct Pattern {
        int number = -1;
        int rotation = 0;       // clockwise degrees the pattern is turned by
        bool mirrored = false;  // flipped left-right (before the rotation)
    };
    static std::optional<Pattern> readPattern(const QImage &image);
    // The frame number shown, whatever the orientation; -1 when unreadable.
    static int frameNumber(const QImage &image);
    // Same, read from the luma plane of a decoded YUV or grey frame.
    static int frameNumber(const AVFrame *frame);
    static QImage luma(const AVFrame *frame);

    // The colour of frame `index` of a solid clip: red, green, blue, white,
    // mid grey, then again.
    static QRgb solidColour(int index);

    static QString folder();
};
