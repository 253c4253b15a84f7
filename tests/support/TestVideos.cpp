#include "TestVideos.h"

#include <QtEndian>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTransform>
#include <QtDebug>

#include <cmath>

namespace {

constexpr int grid = 6;
// Bump when the way clips are made changes, so stale cached files are not reused.
constexpr int recipeVersion = 3;

// The upright 6×6 pattern of `number` (white = 255).
QImage patternImage(int number)
{
    QImage image(grid, grid, QImage::Format_Grayscale8);
    image.fill(0);
    image.setPixel(0, 0, qRgb(255, 255, 255));
    image.setPixel(1, 0, qRgb(255, 255, 255));
    for (int bit = 0; bit < 16; ++bit) {
        if (number & (1 << bit))
            image.setPixel(1 + bit % 4, 1 + bit / 4, qRgb(255, 255, 255));
    }
    return image;
}

QString containerFormat(const QString &container)
{
    if (container == QLatin1String("mkv"))
        return QStringLiteral("matroska");
    if (container == QLatin1String("ts"))
        return QStringLiteral("mpegts");
    return container;  // mp4, mov
}

bool runFfmpeg(const QStringList &args, const QByteArray &input = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{"-hide_banner", "-loglevel", "error", "-nostdin", "-y"} + args);
    if (!process.waitForStarted(10000)) {
        qWarning() << "ffmpeg did not start";
        return false;
    }
    if (!input.isEmpty()) {
        process.write(input);
        if (!process.waitForBytesWritten(60000))
            qWarning() << "ffmpeg did not take its input";
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished(5000);
        qWarning() << "ffmpeg timed out" << args;
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning() << "ffmpeg failed" << args;
        return false;
    }
    return true;
}

// Encodes with `args` into `out`, turned by `rotation` degrees. The encoder
// drops rotation tags, so the display matrix is written by a second pass
// that copies the stream.
bool runFfmpegTurned(const QStringList &args, const QString &out, const QString &container, int rotation,
                     bool faststart, const QByteArray &input = {})
{
    const QString first = out + ".pass1." + container;
    const bool ok = runFfmpeg(args + QStringList{first}, input)
        && runFfmpeg(QStringList{"-i", first, "-map", "0", "-c", "copy", "-metadata:s:v:0",
                                 "rotate=" + QString::number(rotation)}
                     + (faststart ? QStringList{"-movflags", "+faststart"} : QStringList{})
                     + QStringList{"-f", containerFormat(container), out});
    QFile::remove(first);
    return ok;
}

// Returns the cached file for `key`, making it with `maker(tempPath)` first
// when it is missing. The file appears under its final name only when
// complete, so tests running in parallel never see half a file.
template <typename Maker>
QString cached(const QString &name, const QString &key, const QString &extension, Maker maker)
{
    const QByteArray hash =
        QCryptographicHash::hash((QString::number(recipeVersion) + key).toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    const QString dir = TestVideos::folder();
    const QString path = dir + '/' + name + '-' + QString::fromLatin1(hash) + '.' + extension;
    if (QFileInfo(path).isFile())
        return path;
    const QString temp = dir + "/.partial-" + QString::number(QCoreApplication::applicationPid())
        + '-' + QString::fromLatin1(hash) + '.' + extension;
    QFile::remove(temp);
    if (!maker(temp)) {
        QFile::remove(temp);
        return {};
    }
    if (!QFile::rename(temp, path)) {
        QFile::remove(temp);
        if (!QFileInfo(path).isFile())  // else another test made it meanwhile
            return {};
    }
    return path;
}

bool cut(const QString &from, const QString &to, double keep)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    QFile out(to);
    return out.open(QIODevice::WriteOnly)
        && out.write(bytes.left(qint64(double(bytes.size()) * keep))) >= 0;
}

int cellValue(const QImage &gray, int column, int row)
{
    // Mean of the middle half of the cell, away from blurred edges.
    const double cw = double(gray.width()) / grid, ch = double(gray.height()) / grid;
    const int x0 = int((column + 0.25) * cw), x1 = std::max(x0 + 1, int((column + 0.75) * cw));
    const int y0 = int((row + 0.25) * ch), y1 = std::max(y0 + 1, int((row + 0.75) * ch));
    qint64 sum = 0, count = 0;
    for (int y = y0; y < y1 && y < gray.height(); ++y) {
        const uchar *line = gray.constScanLine(y);
        for (int x = x0; x < x1 && x < gray.width(); ++x) {
            sum += line[x];
            ++count;
        }
    }
    return count ? int(sum / count) : 0;
}

} // namespace

int VideoSpec::frameCount() const
{
    if (frames > 0)
        return frames;
    return std::max(1, int(std::lround(seconds * fps / fpsBase)));
}

QString TestVideos::folder()
{
    QString dir = qEnvironmentVariable("FRAMELARK_TEST_DATA");
    if (dir.isEmpty())
        dir = QDir::tempPath() + QStringLiteral("/framelark-test-videos");
    QDir().mkpath(dir);
    return dir;
}

QString TestVideos::make(const VideoSpec &spec)
{
    const int count = spec.frameCount();
    QStringList encode;
    if (spec.codec == QLatin1String("libx264") || spec.codec == QLatin1String("libx265")) {
        encode << "-preset" << "ultrafast";
    }
    encode << "-c:v" << spec.codec << "-g" << QString::number(spec.gop) << "-keyint_min"
           << QString::number(spec.gop) << "-sc_threshold" << "0" << "-bf"
           << (spec.bframes ? "2" : "0");
    if (spec.codec == QLatin1String("libx264"))
        encode << "-x264-params" << "scenecut=0:open_gop=0";
    if (spec.codec == QLatin1String("libx265"))
        encode << "-x265-params" << "log-level=error:scenecut=0:open-gop=0";
    if (spec.codec == QLatin1String("libvpx-vp9"))
        encode << "-deadline" << "realtime" << "-cpu-used" << "8";

    QString scale = QStringLiteral("scale=%1:%2:flags=neighbor").arg(spec.width).arg(spec.height);
    QStringList tags;
    if (!spec.colours.isEmpty()) {
        const QString matrix = spec.colours == QLatin1String("bt601") ? "bt601"
            : spec.colours == QLatin1String("bt2020")                 ? "bt2020"
                                                                      : "bt709";
        scale += ":out_color_matrix=" + matrix + ":out_range=" + (spec.fullRange ? "full" : "tv");
        const QString prim = spec.colours == QLatin1String("bt601") ? "smpte170m"
            : spec.colours == QLatin1String("bt2020")               ? "bt2020"
                                                                    : "bt709";
        const QString trc = spec.colours == QLatin1String("bt601") ? "smpte170m"
            : spec.colours == QLatin1String("bt2020")              ? "bt2020-10"
                                                                   : "bt709";
        const QString space = spec.colours == QLatin1String("bt601") ? "smpte170m"
            : spec.colours == QLatin1String("bt2020")                ? "bt2020nc"
                                                                     : "bt709";
        tags << "-color_primaries" << prim << "-color_trc" << trc << "-colorspace" << space
             << "-color_range" << (spec.fullRange ? "pc" : "tv");
    }
    QString filters = scale
        + QStringLiteral(",setsar=%1/%2,format=%3").arg(spec.sarNum).arg(spec.sarDen).arg(spec.pixelFormat);
    if (spec.heldFor > 0) {
        filters += QStringLiteral(",select='not(between(n,%1,%2))'").arg(spec.heldFrom + 1).arg(spec.heldFrom + spec.heldFor);
        encode << "-fps_mode" << "vfr";
    }

    // Raw input frames: tiny images scaled up with nearest-neighbour, so the
    // pipe carries a few bytes per frame whatever the output size.
    QByteArray input;
    QString inputFormat, inputSize;
    if (spec.solid) {
        inputFormat = "rgb24";
        inputSize = "2x2";
        for (int i = 0; i < count; ++i) {
            const QRgb c = solidColour(i);
            for (int p = 0; p < 4; ++p)
                input.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        }
    } else {
        inputFormat = "gray";
        inputSize = QStringLiteral("%1x%1").arg(grid);
        // Stored turned back against the display rotation, so it shows upright.
        const QTransform undo = QTransform().rotate(spec.rotation);
        for (int i = 0; i < count; ++i) {
            const QImage image = patternImage(i).transformed(undo).convertToFormat(QImage::Format_Grayscale8);
            for (int y = 0; y < grid; ++y)
                input.append(reinterpret_cast<const char *>(image.constScanLine(y)), grid);
        }
    }

    QStringList args{"-f", "rawvideo", "-pix_fmt", inputFormat, "-s", inputSize, "-framerate",
                     QStringLiteral("%1/%2").arg(spec.fps).arg(spec.fpsBase), "-i", "-"};
    if (spec.audio)
        args << "-f" << "lavfi" << "-i" << "sine=frequency=440:sample_rate=48000";
    args << "-map" << "0:v";
    if (spec.audio)
        args << "-map" << "1:a" << "-c:a" << "aac" << "-shortest";
    args << "-vf" << filters << encode << tags << "-frames:v" << QString::number(count);
    if (spec.startOffset != 0)
        args << "-output_ts_offset" << QString::number(spec.startOffset);
    const bool remux = spec.rotation != 0;
    if (spec.faststart && !remux)
        args << "-movflags" << "+faststart";
    args << "-f" << containerFormat(spec.container);

    const QString key = args.join(' ') + QStringLiteral("|rot=%1|fs=%2|").arg(spec.rotation).arg(spec.faststart)
        + QString::number(qHashBits(input.constData(), size_t(input.size())));
    const QString name = QStringLiteral("%1x%2-%3f-%4").arg(spec.width).arg(spec.height).arg(count).arg(spec.codec);
    return cached(name, key, spec.container, [&](const QString &out) {
        return remux ? runFfmpegTurned(args, out, spec.container, spec.rotation, spec.faststart, input)
                     : runFfmpeg(args + QStringList{out}, input);
    });
}

const QList<RealVideo> &TestVideos::realSizes()
{
    static const QList<RealVideo> videos = [] {
        const auto clip = [](int width, int height) {
            return VideoSpec{.width = width, .height = height, .frames = 12, .gop = 6, .bframes = true};
        };
        QList<RealVideo> list;
        VideoSpec spec = clip(1920, 1080);
        spec.rotation = 90;
        list.append({"phone portrait, turned 90", spec, QSize(1080, 1920)});
        spec.rotation = 270;
        list.append({"phone portrait, turned 270", spec, QSize(1080, 1920)});
        list.append({"720x1280 stored upright", clip(720, 1280), QSize(720, 1280)});
        list.append({"854x480", clip(854, 480), QSize(854, 480)});
        list.append({"1366x768", clip(1366, 768), QSize(1366, 768)});
        list.append({"1918x1078", clip(1918, 1078), QSize(1918, 1078)});
        spec = clip(161, 121);
        spec.codec = QStringLiteral("libvpx-vp9");
        spec.container = QStringLiteral("webm");
        spec.bframes = false;
        list.append({"161x121 VP9", spec, QSize(161, 121)});
        spec = clip(1920, 1080);
        spec.codec = QStringLiteral("libx265");
        spec.pixelFormat = QStringLiteral("yuv420p10le");
        spec.rotation = 90;
        list.append({"10-bit HEVC portrait", spec, QSize(1080, 1920)});
        spec = clip(1280, 720);
        spec.pixelFormat = QStringLiteral("yuv422p");
        spec.rotation = 90;
        list.append({"4:2:2 turned 90", spec, QSize(720, 1280)});
        spec = clip(202, 100);
        spec.pixelFormat = QStringLiteral("yuv444p");
        list.append({"4:4:4 202x100", spec, QSize(202, 100)});
        return list;
    }();
    return videos;
}

void TestVideos::addRealSizeRows()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < realSizes().size(); ++i)
        QTest::newRow(realSizes()[i].name) << i;
}

QString TestVideos::realSizeClip(int index)
{
    return make(realSizes().at(index).spec);
}

QString TestVideos::hdrBars(const QString &transfer, bool tags)
{
    const QString trcTag = tags ? transfer : QStringLiteral("bt2020-10");
    const QStringList args{
        "-f", "lavfi", "-i", "smptebars=size=320x240:rate=30", "-frames:v", "3", "-vf",
        "zscale=tin=bt709:pin=bt709:min=bt709:rin=tv:t=" + transfer
            + ":p=bt2020:m=bt2020nc:r=tv:npl=100,format=yuv420p10le",
        "-c:v", "libx265", "-preset", "ultrafast",
        "-x265-params", "log-level=error:colorprim=bt2020:colormatrix=bt2020nc:transfer=" + trcTag,
        "-color_primaries", "bt2020", "-color_trc", trcTag, "-colorspace", "bt2020nc",
        "-color_range", "tv", "-f", "mp4"};
    return cached("hdr-bars-" + trcTag, args.join(' '), "mp4",
                  [&](const QString &out) { return runFfmpeg(args + QStringList{out}); });
}

QString TestVideos::weakSections()
{
    // Hue turns half a circle every 2 s, so ordinary shots 2 s apart differ.
    const QString moving = QStringLiteral("testsrc2=s=640x360:r=10:d=%1,hue=H=PI*t/2");
    const QStringList args{
        "-filter_complex",
        moving.arg(4) + ",format=yuv420p[a];"
            "color=black:s=640x360:r=10:d=4,format=yuv420p[b];"
            + moving.arg(4) + ",boxblur=12:3,format=yuv420p[c];"
            "smptehdbars=s=640x360:r=10:d=4,format=yuv420p[d];"
            + moving.arg(8) + ",format=yuv420p[e];"
            "[a][b][c][d][e]concat=n=5:v=1:a=0[v]",
        "-map", "[v]", "-c:v", "libx264", "-preset", "veryfast", "-g", "10", "-pix_fmt", "yuv420p", "-f", "mp4"};
    return cached("weak-sections", args.join(' '), "mp4",
                  [&](const QString &out) { return runFfmpeg(args + QStringList{out}); });
}

QStringList TestVideos::filmedWeakLabels()
{
    return {"ordinary", "fog", "night", "grain", "defocused", "motion blur", "black", "fade", "frozen", "white",
            "ordinary"};
}

QString TestVideos::filmedWeakSections()
{
    const QString photos = QStringLiteral("/usr/share/backgrounds/mate/nature/");
    const QStringList names{"Garden", "GreenMeadow", "Storm", "Wood", "RainDrops", "Dune", "Aqua", "YellowFlower",
                            "TwoWings"};
    QStringList args;
    for (const QString &name : names) {
        if (!QFile::exists(photos + name + ".jpg"))
            return {};
        args << "-framerate" << "10" << "-loop" << "1" << "-t" << "3" << "-i"
             << photos + name + ".jpg";
    }
    // A pan over the photograph at `speed` source pixels a frame.
    const auto pan = [](int input, const char *zoom, const char *speed, int fps) {
        return QStringLiteral("[%1:v]scale=1280:720:force_original_aspect_ratio=increase,crop=1280:720,setsar=1,"
                              "zoompan=z=%2:x='on*%3':y='ih/2-(ih/zoom/2)':d=1:s=640x360:fps=%4")
            .arg(input).arg(QLatin1String(zoom), QLatin1String(speed)).arg(fps);
    };
    const QString end = QStringLiteral(",setsar=1,format=yuv420p");
    const QString graph = pan(0, "1.3", "3", 10) + end + "[a];"
        + pan(1, "1.3", "3", 10) + ",eq=contrast=0.25:brightness=0.25,noise=alls=4:allf=t" + end + "[b];"
        + pan(2, "1.3", "3", 10) + ",eq=brightness=-0.27:contrast=0.5" + end + "[c];"
        + pan(3, "1.3", "3", 10) + ",noise=alls=30:allf=t" + end + "[d];"
        + pan(4, "1.3", "3", 10) + ",gblur=sigma=4" + end + "[e];"
        + pan(5, "1.3", "3", 10) + ",gblur=sigma=10:sigmaV=0.3" + end + "[f];"
        + "color=black:s=640x360:r=10:d=3" + end + "[g];"
        + pan(6, "1.3", "3", 10) + ",fade=t=out:st=0:d=3" + end + "[h];"
        + pan(7, "1.3", "0", 10) + end + "[i];"
        + "color=white:s=640x360:r=10:d=3" + end + "[j];"
        + pan(8, "1.3", "3", 10) + end + "[k];"
        + "[a][b][c][d][e][f][g][h][i][j][k]concat=n=11:v=1:a=0[v]";
    args << "-filter_complex" << graph << "-map" << "[v]" << "-c:v" << "libx264" << "-preset" << "veryfast" << "-g"
         << "10" << "-pix_fmt" << "yuv420p" << "-f" << "mp4";
    return cached("filmed-weak-sections", args.join(' '), "mp4",
                  [&](const QString &out) { return runFfmpeg(args + QStringList{out}); });
}

QString TestVideos::briefWeakMoments()
{
    const QString photo = QStringLiteral("/usr/share/backgrounds/mate/nature/Garden.jpg");
    if (!QFile::exists(photo))
        return {};
    const QStringList args{
        "-framerate", "10", "-loop", "1", "-t", "12", "-i", photo, "-filter_complex",
        "[0:v]scale=1280:720:force_original_aspect_ratio=increase,crop=1280:720,setsar=1,"
        "zoompan=z=1.5:x='on*3':y='ih/2-(ih/zoom/2)':d=1:s=640x360:fps=10,"
        "drawbox=t=fill:c=black:enable='between(t,2.8,3.3)',gblur=sigma=6:enable='between(t,6.8,7.3)',"
        "setsar=1,format=yuv420p[v]",
        "-map", "[v]", "-c:v", "libx264", "-preset", "veryfast", "-g", "10", "-pix_fmt", "yuv420p", "-f", "mp4"};
    return cached("brief-weak-moments", args.join(' '), "mp4",
                  [&](const QString &out) { return runFfmpeg(args + QStringList{out}); });
}

QList<int> TestVideos::sceneCutFrames()
{
    return {30, 70, 95, 145, 175, 235, 255, 295, 330, 380};
}

QString TestVideos::scenes(int gop, ScenesAs as)
{
    // The cellular patterns are seeded: unseeded, each machine drew its own
    // clip, and a test could pass on one machine and fail on another (2 of
    // 57 drawn lives gave a false cut before the signature's histogram
    // shared its values between bins).
    const QStringList sources{
        "testsrc2=s=320x180:r=10",
        "smptebars=s=320x180:r=10",
        "mandelbrot=s=320x180:r=10",
        "life=s=320x180:r=10:mold=10:life_color=#00ff00:death_color=#400000:seed=3",
        "rgbtestsrc=s=320x180:r=10,hue=H=t",
        "testsrc2=s=320x180:r=10,negate",
        "cellauto=s=320x180:r=10:seed=3,lutrgb=g=0:b=val",
        "color=c=0x204080:s=320x180:r=10,noise=alls=30:allf=t",
        "smptehdbars=s=320x180:r=10,hue=H=2*t",
        "mandelbrot=s=320x180:r=10:start_scale=1,hue=h=180",
        "testsrc=s=320x180:r=10",
    };
    QList<int> bounds = sceneCutFrames();
    bounds.prepend(0);
    bounds.append(420);
    QString graph;
    QString inputs;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        const int frames = bounds[i + 1] - bounds[i];
        graph += sources[i] + QStringLiteral(",trim=end_frame=%1,setpts=PTS-STARTPTS,format=yuv420p[s%2];")
                                  .arg(frames)
                                  .arg(i);
        inputs += QStringLiteral("[s%1]").arg(i);
    }
    graph += inputs + QStringLiteral("concat=n=%1:v=1:a=0[v]").arg(sources.size());
    if (as == ScenesAs::ntsc)
        graph.replace(QStringLiteral("r=10"), QStringLiteral("r=30000/1001"));
    const bool phone = as == ScenesAs::phone;
    QStringList args{"-filter_complex", graph, "-map", "[v]"};
    if (as == ScenesAs::openHevc)
        args << "-c:v" << "libx265" << "-preset" << "ultrafast" << "-x265-params"
             << QStringLiteral("log-level=error:keyint=%1:min-keyint=%1:scenecut=0:open-gop=1").arg(gop);
    else if (as == ScenesAs::openTs)
        args << "-c:v" << "libx264" << "-preset" << "veryfast" << "-x264-params"
             << QStringLiteral("open-gop=1:keyint=%1:min-keyint=%1:scenecut=0").arg(gop);
    else
        args << "-c:v" << "libx264" << "-preset" << "veryfast" << "-g" << QString::number(gop) << "-keyint_min"
             << QString::number(gop) << "-sc_threshold" << "0";
    if (phone)
        args << "-pix_fmt" << "yuv420p10le" << "-color_primaries" << "bt2020" << "-color_trc" << "arib-std-b67"
             << "-colorspace" << "bt2020nc";
    else
        args << "-pix_fmt" << "yuv420p";
    const bool ts = as == ScenesAs::mpegTs || as == ScenesAs::openTs;
    args << "-f" << (ts ? QStringLiteral("mpegts") : QStringLiteral("mp4"));
    const QString name = QStringLiteral("scenes-g%1%2").arg(gop).arg(
        QStringList{"", "-ntsc", "-phone", "-open-hevc", "-ts", "-open-ts"}[int(as)]);
    return cached(name, args.join(' '), ts ? QStringLiteral("ts") : QStringLiteral("mp4"), [&](const QString &out) {
        return phone ? runFfmpegTurned(args, out, QStringLiteral("mp4"), 90, false)
                     : runFfmpeg(args + QStringList{out});
    });
}

QString TestVideos::oneScene()
{
    const QStringList args{"-f", "lavfi", "-i", "testsrc2=s=320x180:r=10:d=20", "-c:v", "libx264", "-preset",
                           "veryfast", "-g", "10", "-pix_fmt", "yuv420p", "-f", "mp4"};
    return cached("one-scene", args.join(' '), "mp4",
                  [&](const QString &out) { return runFfmpeg(args + QStringList{out}); });
}

QList<int> TestVideos::filmCutFrames()
{
    return {60, 110, 170, 230, 350};
}

namespace {

// An x264 encode of `graph`, whose inputs 0 and 1 are both the wallpaper
// photograph `photo`: keyframes where x264 puts them, or every `gop` frames
// and nowhere else. Empty when the photograph is missing.
QString photoClip(const QString &name, const QString &photo, const QString &graph, int gop)
{
    const QString path = QStringLiteral("/usr/share/backgrounds/mate/nature/") + photo;
    if (!QFile::exists(path))
        return {};
    QStringList args{"-i", path, "-i", path, "-filter_complex", graph, "-map", "[v]", "-c:v", "libx264",
                     "-preset", "fast", "-pix_fmt", "yuv420p", "-f", "mp4"};
    if (gop > 0)
        args << "-g" << QString::number(gop) << "-keyint_min" << QString::number(gop) << "-sc_threshold" << "0";
    return cached(name, args.join(' '), "mp4", [&](const QString &out) { return runFfmpeg(args + QStringList{out}); });
}

} // namespace

QString TestVideos::filmCuts(int gop)
{
    // One pan over 110 frames, split into a warm and a cool take.
    const QString graph = QStringLiteral(
        "[0:v]scale=1280:-2,setsar=1,zoompan=z=1.4:x='(iw-iw/zoom)*(0.2+0.5*on/110)':y='(ih-ih/zoom)/2'"
        ":d=110:s=320x180:fps=25,split[p1][p2];"
        "[p1]trim=end_frame=60,setpts=PTS-STARTPTS,colorbalance=rs=0.25:gs=0.08:bs=-0.25:rm=0.12:bm=-0.12,"
        "drawbox=t=fill:c=white:enable='between(n,25,27)',format=yuv420p[a];"
        "[p2]trim=start_frame=60,setpts=PTS-STARTPTS,colorbalance=rs=-0.25:gs=0.02:bs=0.25:rm=-0.12:bm=0.12,"
        "format=yuv420p[b];"
        "color=c=0x406080:s=320x180:r=25:d=2.4,noise=alls=40:allf=t,format=yuv420p[c];"
        "life=s=320x180:r=25:mold=10:life_color=#60ff90:death_color=#102040:seed=3,trim=end_frame=60,"
        "format=yuv420p[d];"
        "testsrc2=s=320x180:r=25:d=2.4,fade=t=out:st=2:d=0.4,format=yuv420p[e];"
        "smptebars=s=320x180:r=25:d=2.4,fade=t=in:st=0:d=0.4,format=yuv420p[f];"
        "[1:v]scale=1280:-2,setsar=1,zoompan=z=2.2:x='(iw-iw/zoom)*(0.9-0.1*on/50)':y='(ih-ih/zoom)*0.3'"
        ":d=50:s=320x180:fps=25,format=yuv420p[g];"
        "[a][b][c][d][e][f][g]concat=n=7:v=1:a=0,setsar=1[v]");
    return photoClip(gop > 0 ? QStringLiteral("film-cuts-g%1").arg(gop) : QStringLiteral("film-cuts"),
                     QStringLiteral("Garden.jpg"), graph, gop);
}

QString TestVideos::strobe()
{
    const QString graph = QStringLiteral(
        "[0:v]scale=1280:-2,setsar=1,zoompan=z=1.3:x='(iw-iw/zoom)*(0.2+0.4*on/125)':y='(ih-ih/zoom)/2'"
        ":d=125:s=320x180:fps=25,drawbox=t=fill:c=white:enable='between(n,50,100)*not(mod(n,5))',"
        "format=yuv420p[a];"
        "[1:v]scale=1280:-2,setsar=1,zoompan=z=2.4:x='(iw-iw/zoom)*0.8':y='(ih-ih/zoom)*(0.2+0.3*on/50)'"
        ":d=50:s=320x180:fps=25,format=yuv420p[b];[a][b]concat=n=2:v=1:a=0,setsar=1[v]");
    return photoClip(QStringLiteral("strobe"), QStringLiteral("Storm.jpg"), graph, 25);
}

QString TestVideos::audioOnly()
{
    return cached("audio-only", "audio-only", "mp4", [](const QString &out) {
        return runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=2",
                          "-c:a", "aac", "-f", "mp4", out});
    });
}

QString TestVideos::truncatedIndex()
{
    const QString source = make({.width = 160, .height = 120, .frames = 60});
    if (source.isEmpty())
        return {};
    return cached("truncated-index", source, "mp4",
                  [&](const QString &out) { return cut(source, out, 0.5); });
}

QString TestVideos::truncatedData()
{
    const QString source = make({.width = 160, .height = 120, .frames = 60, .faststart = true});
    if (source.isEmpty())
        return {};
    return cached("truncated-data", source, "mp4",
                  [&](const QString &out) { return cut(source, out, 0.5); });
}

QString TestVideos::fragmentedUnknownDuration()
{
    const QString source = make({.width = 160, .height = 120, .frames = 36, .gop = 12});
    if (source.isEmpty())
        return {};
    return cached("fragmented-unknown-duration", source, "mp4", [&](const QString &out) {
        const QString fragmented = out + ".fragmented.mp4";
        if (!runFfmpeg({"-i", source, "-c", "copy", "-movflags", "frag_keyframe+empty_moov+default_base_moof",
                        "-f", "mp4", fragmented}))
            return false;
        QFile in(fragmented);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        QByteArray bytes = in.readAll();
        in.close();
        QFile::remove(fragmented);
        // Version 0 boxes: the duration follows the times and the timescale
        // (mvhd, mdhd) or the track id (tkhd).
        const auto unknown = [&bytes](const char *box, int offset) {
            const qsizetype type = bytes.indexOf(box);
            if (type < 4 || bytes.at(type + 4) != 0)
                return false;
            bytes.replace(type - 4 + offset, 4, QByteArray(4, char(0xff)));
            return true;
        };
        // The fragment index at the end would give the real length away.
        const qsizetype mfra = bytes.lastIndexOf("mfra");
        if (mfra > 4)
            bytes.truncate(mfra - 4);
        QFile file(out);
        return unknown("mvhd", 24) && unknown("tkhd", 28) && unknown("mdhd", 24)
            && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    });
}

QString TestVideos::editListWithoutSyncBeforeEdit()
{
    const QString source = make({.width = 160, .height = 120, .frames = 90, .gop = 30, .bframes = true});
    if (source.isEmpty())
        return {};
    return cached("edit-list-no-sync", source, "mp4", [&](const QString &out) {
        const QString cut = out + ".cut.mp4";
        if (!runFfmpeg({"-ss", "1.5", "-i", source, "-c", "copy", "-f", "mp4", cut}))
            return false;
        QFile in(cut);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        QByteArray bytes = in.readAll();
        in.close();
        QFile::remove(cut);
        // stss: version and flags, entry count, then 1-based sample numbers.
        // The first entry repeats the second, so sample 1 is no sync sample.
        const qsizetype stss = bytes.indexOf("stss");
        if (stss < 0 || bytes.size() < stss + 20)
            return false;
        const QByteArray second = bytes.mid(stss + 16, 4);
        bytes.replace(stss + 12, 4, second);
        QFile file(out);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    });
}

QString TestVideos::editListLongerThanFrames()
{
    const QString source = make({.width = 160, .height = 120, .frames = 60, .gop = 30, .bframes = true});
    if (source.isEmpty())
        return {};
    return cached("edit-list-longer", source, "mp4", [&](const QString &out) {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        QByteArray bytes = in.readAll();
        // mdhd (version 0): version and flags, two times, then the timescale.
        // elst (version 0): version and flags, entry count, then the first
        // entry's segment duration and media time; the segment keeps its
        // length while the media it shows starts 0.8 s later.
        const qsizetype mdhd = bytes.indexOf("mdhd");
        const qsizetype elst = bytes.indexOf("elst");
        if (mdhd < 0 || elst < 0 || bytes.size() < elst + 20)
            return false;
        const auto read32 = [&](qsizetype at) { return qFromBigEndian<quint32>(bytes.constData() + at); };
        const quint32 timescale = read32(mdhd + 16);
        const qint32 mediaTime = qint32(read32(elst + 16)) + qint32(timescale * 8 / 10);
        const quint32 shifted = qToBigEndian(quint32(mediaTime));
        bytes.replace(elst + 16, 4, reinterpret_cast<const char *>(&shifted), 4);
        QFile file(out);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    });
}

QString TestVideos::lastFrameBeforeStatedEnd()
{
    const QString source = make({.width = 160, .height = 120, .frames = 30});
    if (source.isEmpty())
        return {};
    return cached("last-frame-before-end", source, "mkv", [&](const QString &out) {
        return runFfmpeg({"-i", source, "-f", "lavfi", "-i", "sine=frequency=440:duration=1.5", "-map", "0:v",
                          "-map", "1:a", "-c:v", "copy", "-c:a", "libopus", "-f", "matroska", out});
    });
}

QString TestVideos::zeroBytes()
{
    return cached("zero-bytes", "zero", "mp4", [](const QString &out) {
        QFile file(out);
        return file.open(QIODevice::WriteOnly);
    });
}

QString TestVideos::textNamedMp4()
{
    return cached("text", "text", "mp4", [](const QString &out) {
        QFile file(out);
        return file.open(QIODevice::WriteOnly)
            && file.write("This is not a video, only a text file with a video's name.\n") > 0;
    });
}

QString TestVideos::unknownCodec()
{
    const QString source = make({.width = 160, .height = 120, .frames = 10});
    if (source.isEmpty())
        return {};
    return cached("unknown-codec", source, "mp4", [&](const QString &out) {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        QByteArray bytes = in.readAll();
        // The sample entry's four-character code names the codec; one nobody
        // knows leaves the stream without a decoder. The header stays valid.
        bytes.replace("avc1", "zzv9");
        bytes.replace("avcC", "zzvC");
        QFile file(out);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    });
}

QString TestVideos::withCoverArt()
{
    const QString source = make({.width = 160, .height = 120, .frames = 30});
    if (source.isEmpty())
        return {};
    return cached("cover-art", source, "mp4", [&](const QString &out) {
        const QString picture = out + ".png";
        QImage(64, 64, QImage::Format_RGB32).save(picture);
        const bool ok = runFfmpeg({"-i", picture, "-i", source, "-map", "0", "-map", "1:v",
                                   "-c:v:0", "png", "-disposition:v:0", "attached_pic",
                                   "-c:v:1", "copy", "-f", "mp4", out});
        QFile::remove(picture);
        return ok;
    });
}

std::optional<TestVideos::Pattern> TestVideos::readPattern(const QImage &image)
{
    if (image.isNull() || image.width() < grid || image.height() < grid)
        return std::nullopt;
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    bool cells[grid][grid];  // [row][column] as seen
    for (int row = 0; row < grid; ++row)
        for (int column = 0; column < grid; ++column)
            cells[row][column] = cellValue(gray, column, row) >= 128;

    // Try every way the upright pattern can have been turned: map each upright
    // cell (c, r) to the cell it ends up in, and check the marker.
    for (int mirrored = 0; mirrored < 2; ++mirrored) {
        for (int quarter = 0; quarter < 4; ++quarter) {
            auto seen = [&](int c, int r) {
                if (mirrored)
                    c = grid - 1 - c;
                for (int q = 0; q < quarter; ++q) {  // one clockwise quarter turn
                    const int nc = grid - 1 - r, nr = c;
                    c = nc;
                    r = nr;
                }
                return cells[r][c];
            };
            bool marker = true;
            for (int i = 0; i < grid && marker; ++i) {
                for (int j = 0; j < grid && marker; ++j) {
                    const bool border = i == 0 || j == 0 || i == grid - 1 || j == grid - 1;
                    if (border)
                        marker = seen(i, j) == ((i == 0 || i == 1) && j == 0);
                }
            }
            if (!marker)
                continue;
            Pattern pattern;
            pattern.number = 0;
            for (int bit = 0; bit < 16; ++bit)
                if (seen(1 + bit % 4, 1 + bit / 4))
                    pattern.number |= 1 << bit;
            pattern.rotation = quarter * 90;
            pattern.mirrored = mirrored;
            return pattern;
        }
    }
    return std::nullopt;
}

int TestVideos::frameNumber(const QImage &image)
{
    const auto pattern = readPattern(image);
    return pattern ? pattern->number : -1;
}

QImage TestVideos::luma(const AVFrame *frame)
{
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return {};
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    if (!desc || (desc->flags & AV_PIX_FMT_FLAG_RGB) || (desc->flags & AV_PIX_FMT_FLAG_HWACCEL))
        return {};
    const int depth = desc->comp[0].depth;
    const int step = desc->comp[0].step;
    QImage image(frame->width, frame->height, QImage::Format_Grayscale8);
    for (int y = 0; y < frame->height; ++y) {
        const uint8_t *line = frame->data[0] + qint64(y) * frame->linesize[0] + desc->comp[0].offset;
        uchar *out = image.scanLine(y);
        for (int x = 0; x < frame->width; ++x) {
            const uint8_t *sample = line + qint64(x) * step;
            out[x] = depth > 8 ? uchar((sample[0] | (sample[1] << 8)) >> (depth - 8)) : sample[0];
        }
    }
    return image;
}

int TestVideos::frameNumber(const AVFrame *frame)
{
    return frameNumber(luma(frame));
}

QRgb TestVideos::solidColour(int index)
{
    static const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                                   qRgb(255, 255, 255), qRgb(128, 128, 128)};
    return colours[index % 5];
}
