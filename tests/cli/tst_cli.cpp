// framelark-cli as a user runs it: the real binary on generated videos.
#include "cli/CliOptions.h"
#include "support/TestSupport.h"
#include "support/TestVideos.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

struct Result {
    int exitCode = -1;
    QList<QJsonObject> json;
    QString err;
};

// Everything under `root`, relative, sorted, with each file's size.
QStringList tree(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QDir(root).relativeFilePath(info.filePath()) + (info.isDir() ? QString() : QStringLiteral(" ") + QString::number(info.size() > 0));
    }
    entries.sort();
    return entries;
}

QByteArray digest(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1) : QByteArray();
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_tmp;     // the TMPDIR the command gets
    QString m_config;  // its XDG_CONFIG_HOME

    QProcess *start(const QStringList &args)
    {
        auto *process = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", m_tmp);
        env.insert("XDG_CONFIG_HOME", m_config);
        // Qt makes a runtime folder in TMPDIR without one; that is none of the tool's files.
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        env.remove("QT_QPA_PLATFORM");  // the tool must not need one
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(FRAMELARK_CLI), args);
        return process;
    }
    Result run(const QStringList &args)
    {
        QProcess *process = start(args);
        Result result;
        if (!process->waitForFinished(180000))
            return result;
        result.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
        for (const QByteArray &line : process->readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                result.json.append(QJsonDocument::fromJson(line).object());
        }
        result.err = QString::fromUtf8(process->readAllStandardError());
        delete process;
        return result;
    }
    // Work folders and roots the tool left in its TMPDIR.
    QStringList leftovers() const { return QDir(m_tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_tmp = m_dir.filePath("tmp");
        m_config = m_dir.filePath("config");
        QVERIFY(QDir().mkpath(m_tmp) && QDir().mkpath(m_config + "/Framelark"));
        QVERIFY(QFile(m_dir.filePath("run")).exists() || QDir().mkpath(m_dir.filePath("run")));
        QFile::setPermissions(m_dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void batchWritesWhatTheWindowWould()
    {
        const QDir videos(m_dir.filePath("videos"));
        QVERIFY(QDir().mkpath(videos.path()));
        const QString clip = TestVideos::make({.width = 160, .height = 120, .frames = 60});
        QVERIFY(!clip.isEmpty());
        for (const QString name : {"a.mp4", "b.mp4", "c.mp4"})
            QVERIFY(QFile::copy(clip, videos.filePath(name)));
        QVERIFY(TestSupport::writeFile(videos.filePath("broken.mp4"), "not a video"));
        QVERIFY(TestSupport::writeFile(videos.filePath("notes.txt"), "not looked at"));
        // Stored settings count, --count wins over them.
        QVERIFY(TestSupport::writeFile(m_config + "/Framelark/Framelark.ini", "[General]\nmode=interval\nformat=png\n"));
        const QString out = m_dir.filePath("out");
        QVERIFY(QDir().mkpath(out));
        const QStringList args{"--count", "3", "--precise", "--export", out, "--sheet", out, "--json", videos.filePath("broken.mp4"), videos.path()};

        Result first = run(args);
        QCOMPARE(first.exitCode, 1);
        QCOMPARE(first.json.size(), 4);  // broken.mp4 given by itself, then a, b, c
        QCOMPARE(first.json[0]["ok"].toBool(), false);
        QVERIFY(first.err.contains(videos.filePath("broken.mp4") + ": can't be read as a video"));
        for (int i = 1; i < 4; ++i) {
            QCOMPARE(first.json[i]["planned"].toInt(), 3);
            QCOMPARE(first.json[i]["written"].toInt(), 3);
            QCOMPARE(first.json[i]["failed"].toInt(), 0);
            QCOMPARE(first.json[i]["width"].toInt(), 160);
            QCOMPARE(first.json[i]["duration"].toDouble(), 2.0);
            QCOMPARE(first.json[i]["outputs"].toArray().size(), 2);
            const QJsonArray shots = first.json[i]["shots"].toArray();
            QCOMPARE(shots.size(), 3);
            QVERIFY(shots[1].toObject()["time"].toDouble() > shots[0].toObject()["time"].toDouble());
            QVERIFY(shots[0].toObject()["contrast"].toDouble() > 0);
            QVERIFY(shots[0].toObject().contains("sharpness"));
            QCOMPARE(shots[0].toObject()["weak"].toString().isEmpty(), false);
        }
        QCOMPARE(first.json[1]["input"].toString(), videos.filePath("a.mp4"));
        const QStringList written{"a Screenshots", "a Screenshots/a_001_00-00-00.png", "a Screenshots/a_002_00-00-01.png",
                                  "a Screenshots/a_003_00-00-01.png", "a Share Image.jpg"};
        const QStringList all = tree(out);
        for (const QString &entry : written)
            QVERIFY2(all.contains(entry) || all.contains(entry + " 1"), qPrintable(all.join(", ")));
        QCOMPARE(all.size(), 15);
        QVERIFY(leftovers().isEmpty());
        const QByteArray before = digest(out + "/a Share Image.jpg");

        // Beside the first: new names, the old files untouched.
        Result second = run(args.mid(0, args.size() - 2) + QStringList{videos.filePath("a.mp4")});
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.json.size(), 1);
        QCOMPARE(second.json[0]["outputs"].toArray().first().toString(), out + "/a Screenshots 2");
        QCOMPARE(second.json[0]["outputs"].toArray().last().toString(), out + "/a Share Image 2.jpg");
        QCOMPARE(digest(out + "/a Share Image.jpg"), before);
        QCOMPARE(tree(out).size(), 15 + 5);
        // The same shot, byte for byte, and a real PNG.
        const QString shot = "/a_002_00-00-01.png";
        QCOMPARE(digest(out + "/a Screenshots 2" + shot), digest(out + "/a Screenshots" + shot));
        QFile png(out + "/a Screenshots" + shot);
        QVERIFY(png.open(QIODevice::ReadOnly));
        QCOMPARE(png.read(8), QByteArray("\x89PNG\r\n\x1a\n"));

        // An existing share image file is not replaced.
        Result third = run({"--count", "2", "--sheet", out + "/a Share Image.jpg", videos.filePath("a.mp4")});
        QCOMPARE(third.exitCode, 1);
        QVERIFY(third.err.contains("already exists"));
        QCOMPARE(digest(out + "/a Share Image.jpg"), before);
        QVERIFY(leftovers().isEmpty());
    }

    // The new outputs in one call: WebP shots that say where they came
    // from, sprites whose index covers the video, a titled WebP sheet.
    void spritesMetadataAndWebp()
    {
        const QString clip = TestVideos::make({.width = 160, .height = 120, .frames = 60});
        const QString out = m_dir.filePath("outputs");
        QVERIFY(!clip.isEmpty() && QDir().mkpath(out));
        const Result result = run({"--defaults", "--precise", "--interval", "0.5", "--format", "webp", "--metadata", "--export", out,
                                   "--sprite", out, "--sprite-grid", "2x1", "--title", "Trip", "--sheet",
                                   out + "/sheet.webp", "--json", clip});
        QCOMPARE(result.exitCode, 0);
        const QString name = QFileInfo(clip).completeBaseName();
        QVERIFY2(QFileInfo::exists(out + "/" + name + " Preview Sprites/" + name + "_002.jpg"),
                 qPrintable(tree(out).join(", ")));
        QFile vtt(out + "/" + name + " Preview Sprites/" + name + ".vtt");
        QVERIFY(vtt.open(QIODevice::ReadOnly));
        QList<QByteArray> cues = vtt.readAll().split('\n');
        cues.removeIf([](const QByteArray &line) { return !line.contains("-->"); });
        QCOMPARE(cues.size(), 3);
        QCOMPARE(cues.first(), QByteArray("00:00:00.000 --> 00:00:01.000"));
        QCOMPARE(cues.last(), QByteArray("00:00:01.500 --> 00:00:02.000"));
        // As a web page's parser reads it.
        QProcess parser;
        parser.start("/usr/bin/python3", {"-c", "import sys, webvtt; c = webvtt.read(sys.argv[1]).captions; "
                                       "print(len(c), c[0].start, c[-1].end, c[1].text)", vtt.fileName()});
        QVERIFY(parser.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(parser.readAllStandardOutput()).trimmed(),
                 QStringLiteral("3 00:00:00.000 00:00:02.000 %1_001.jpg#xywh=160,0,160,120").arg(name));
        QFile shot(out + "/" + name + " Screenshots/" + name + "_002_00-00-01.webp");
        QVERIFY(shot.open(QIODevice::ReadOnly));
        const QByteArray bytes = shot.readAll();
        QVERIFY(bytes.startsWith("RIFF") && bytes.contains("XMP ") && bytes.contains(name.toUtf8() + ".mp4"));
        QCOMPARE(QImage::fromData(bytes).size(), QSize(160, 120));
        QCOMPARE(QImage(out + "/sheet.webp").width(), 2400);
    }

    // With --avoid-weak the black and the defocused moment of a real clip
    // take good frames of their stretches; without it they are judged weak.
    void avoidingWeakFrames()
    {
        const QString clip = TestVideos::briefWeakMoments();
        if (clip.isEmpty())
            QSKIP("the photographs of mate-backgrounds are missing (scripts/setup installs them)");
        const QString out = m_dir.filePath("avoid-weak");
        QVERIFY(QDir().mkpath(out));
        const auto weakTimes = [&](bool avoid) {
            QStringList args{"--count", "6", "--precise", "--export", out, "--json", clip};
            if (avoid)
                args.prepend("--avoid-weak");
            const Result result = run(args);
            QList<double> weak;
            for (const QJsonValue shot : result.json.value(0)["shots"].toArray()) {
                if (shot.toObject()["weak"].toString() != "none")
                    weak.append(shot.toObject()["time"].toDouble());
            }
            return std::make_pair(result.json.value(0)["shots"].toArray().size(), weak);
        };
        QCOMPARE(weakTimes(false), std::make_pair(qsizetype(6), (QList<double>{3.0, 7.0})));
        QCOMPARE(weakTimes(true), std::make_pair(qsizetype(6), QList<double>{}));
        // One file per shot, as without the option.
        QCOMPARE(QDir(out + '/' + QFileInfo(clip).completeBaseName() + " Screenshots 2").entryList(QDir::Files).size(), 6);
    }

    void interruptedBatchLeavesNothing_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void interruptedBatchLeavesNothing()
    {
        QFETCH(int, signal);
        // Long enough that an optimised build is still writing when stopped.
        const QString clip = TestVideos::make({.width = 320, .height = 240, .seconds = 90, .gop = 300});
        QVERIFY(!clip.isEmpty());
        const QString out = m_dir.filePath(QStringLiteral("stopped-%1").arg(signal));
        QVERIFY(QDir().mkpath(out));
        QProcess *process = start({"--interval", "0.1", "--precise", "--format", "png", "--export", out, clip, clip});
        QVERIFY(process->waitForStarted());
        // Stopped once it is writing shots.
        QTRY_VERIFY_WITH_TIMEOUT(!leftovers().isEmpty(), 30000);
        QTest::qWait(500);
        ::kill(pid_t(process->processId()), signal);
        QVERIFY(process->waitForFinished(30000));
        QCOMPARE(process->exitCode(), 128 + signal);
        QVERIFY2(leftovers().isEmpty(), qPrintable(leftovers().join(", ")));
        QVERIFY(QDir(out).isEmpty());
        QVERIFY(QString::fromUtf8(process->readAllStandardError()).contains("stopped"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no output") << QStringList{"a.mp4"} << "Nothing to write";
        QTest::newRow("no input") << QStringList{"--export", "/tmp"} << "at least one video";
        QTest::newRow("two modes") << QStringList{"--count", "3", "--interval", "2", "--export", "/tmp", "a.mp4"} << "one of";
        QTest::newRow("count out of range") << QStringList{"--count", "0", "--export", "/tmp", "a.mp4"} << "1 to 2000";
        QTest::newRow("quality") << QStringList{"--quality", "0.3", "--export", "/tmp", "a.mp4"} << "0.5 to 1";
        QTest::newRow("theme") << QStringList{"--theme", "blue", "--sheet", "/tmp", "a.mp4"} << "dark or light";
        QTest::newRow("sprite grid") << QStringList{"--sprite-grid", "10by10", "--sprite", "/tmp", "a.mp4"} << "COLUMNSxROWS";
        QTest::newRow("metadata alone") << QStringList{"--metadata", "--sheet", "/tmp", "a.mp4"} << "--export DIR as well";
        QTest::newRow("format") << QStringList{"--format", "gif", "--export", "/tmp", "a.mp4"} << "jpg, png or webp";
        QTest::newRow("unknown option") << QStringList{"--colour", "--export", "/tmp", "a.mp4"} << "Unknown option";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const auto parsed = CliArguments::parse(QStringList{"framelark-cli"} + args);
        const auto *error = std::get_if<CliArguments::UsageError>(&parsed);
        QVERIFY(error);
        QVERIFY2(error->message.contains(message), qPrintable(error->message));
    }

    void commandLineOverStoredSettings()
    {
        const auto parsed = CliArguments::parse({"framelark-cli", "--scene", "--count", "7", "--theme", "light",
                                                 "--no-badge", "--sheet", "/tmp", "a.mp4"});
        const CliOptions &options = std::get<CliOptions>(parsed);
        const ExtractSettings settings = options.extractSettings(nullptr);
        QCOMPARE(settings.mode, ExtractMode::scene);
        QCOMPARE(settings.count, 7);
        const SheetOptions sheet = options.sheetOptions(nullptr);
        QCOMPARE(sheet.dark, false);
        QCOMPARE(sheet.badge, false);
        QCOMPARE(sheet.showTime, true);
        // Sprites want a steady pace: an interval unless a mode is given.
        const auto sprites = CliArguments::parse({"framelark-cli", "--sprite", "/tmp", "--title", "T", "a.mp4"});
        QCOMPARE(std::get<CliOptions>(sprites).extractSettings(nullptr).mode, ExtractMode::interval);
        QCOMPARE(std::get<CliOptions>(sprites).sheetOptions(nullptr).title, QStringLiteral("T"));
        const Result help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QCOMPARE(run({"--count", "0", "--export", "/tmp", "a.mp4"}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
