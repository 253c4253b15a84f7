#include "basics/TempRoot.h"
#include "export/Exporter.h"
#include "export/ExportFolder.h"
#include "model/AppModel.h"
#include "model/Dialogs.h"
#include "settings/Preferences.h"
#include "support/ScriptedEngine.h"
#include "support/TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTest>

#include <memory>

#include <unistd.h>

namespace {

class ScriptedDialogs : public Dialogs {
public:
    struct Ask {
        QString message;
        QString startFolder;
    };
    QList<Ask> asked;
    // The folder every panel answers with; none: cancelled.
    std::optional<QString> answer;

    QList<QUrl> chooseVideos() override { return {}; }
    std::optional<QString> chooseExportFolder(const QString &message,
                                              const QString &startFolder) override
    {
        asked.append({message, startFolder});
        return answer;
    }
    bool confirmCloseAll() override { return false; }
};

QCoro::Task<> addThenFlag(AppModel *model, QList<QUrl> urls, bool *done)
{
    co_await model->add(std::move(urls));
    *done = true;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                                  QDir::Name);
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class ExporterTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_dest;
    std::unique_ptr<ScriptedEngine> m_engine;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<Preferences> m_prefs;
    ScriptedDialogs m_dialogs;
    QList<QStringList> m_revealed;
    std::unique_ptr<Exporter> m_exporter;

    // Opens the videos and waits until every one is extracted (or, for
    // held ones, started).
    bool open(const QStringList &names, bool waitForAll = true)
    {
        QList<QUrl> urls;
        for (const QString &name : names)
            urls.append(QUrl::fromLocalFile(QStringLiteral("/videos/") + name));
        bool done = false;
        addThenFlag(m_model.get(), urls, &done);
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && (!done || (waitForAll && !allDone())))
            QTest::qWait(2);
        return !deadline.hasExpired();
    }
    bool allDone() const
    {
        for (VideoItem *v : m_model->videos()) {
            if (v->status() != VideoStatus::done)
                return false;
        }
        return true;
    }
    VideoItem *item(const QString &name) const
    {
        for (VideoItem *v : m_model->videos()) {
            if (v->info().fileName() == name)
                return v;
        }
        return nullptr;
    }
    // As the commands do, then waits (at most a minute) for the copying to end.
    void exportSelected()
    {
        m_exporter->exportSelected();
        waitForExport();
    }
    void exportAll()
    {
        m_exporter->exportAll();
        waitForExport();
    }
    void waitForExport()
    {
        const QDeadlineTimer deadline(60000);
        while (m_model->exportProgress() && !deadline.hasExpired())
            QTest::qWait(2);
        if (const auto progress = m_model->exportProgress())
            qFatal("the export did not end: %lld of %lld", progress->done, progress->total);
    }
    QString shotFile(const QString &video, qint64 id) const
    {
        for (const Shot &shot : item(video)->shots()) {
            if (shot.id == id)
                return shot.file;
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void init()
    {
        TempRoot::remove();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_dest = m_dir->filePath("out");
        QVERIFY(QDir().mkdir(m_dest));
        m_engine = std::make_unique<ScriptedEngine>();
        m_engine->duration = 4000;
        m_engine->shotIds = {0, 1, 2};
        m_engine->firstTime = 1;
        m_engine->files = ScriptedEngine::Files::content;
        m_model = std::make_unique<AppModel>(m_engine->engine(), nullptr);
        m_model->apply(ExtractSettings{});
        m_prefs = std::make_unique<Preferences>(m_dir->filePath("prefs.ini"));
        m_dialogs = {};
        m_dialogs.answer = m_dest;
        m_revealed.clear();
        m_exporter = std::make_unique<Exporter>(
            *m_model, *m_prefs, m_dialogs,
            [this](const QStringList &folders) { m_revealed.append(folders); });
    }
    void cleanup()
    {
        m_exporter.reset();
        QVERIFY(m_model->shutdown(std::chrono::seconds(10)));
        m_model.reset();
        QTest::qWait(10);
        m_engine.reset();
        m_prefs.reset();
        m_dir.reset();
    }

    // --- names and contents ----------------------------------------------

    void holidayExportsCopiesNamedByNumberAndTime()
    {
        m_engine->shots["Holiday.mov"] = {{0, 2.0, "jpg"}, {1, 65.5, "jpg"}, {2, 3725.9, "jpg"}};
        QVERIFY(open({"Holiday.mov"}));
        QVERIFY(m_model->canExport());
        exportSelected();

        QCOMPARE(m_dialogs.asked.size(), 1);
        QCOMPARE(m_dialogs.asked[0].message,
                 QStringLiteral("Choose a folder. A “Holiday Screenshots” folder will be created "
                                "inside it."));
        // No folder remembered yet: the panel starts beside the video.
        QCOMPARE(m_dialogs.asked[0].startFolder, QStringLiteral("/videos"));
        QCOMPARE(m_prefs->lastExportFolder(), m_dest);

        const QString folder = m_dest + "/Holiday Screenshots";
        QCOMPARE(entries(m_dest), QStringList{"Holiday Screenshots"});
        const QStringList expected{"Holiday_001_00-00-02.jpg", "Holiday_002_00-01-05.jpg",
                                   "Holiday_003_01-02-05.jpg"};
        QCOMPARE(entries(folder), expected);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(bytesOf(folder + "/" + expected[i]), ScriptedEngine::content("Holiday.mov", i));
            QCOMPARE(bytesOf(folder + "/" + expected[i]), bytesOf(shotFile("Holiday.mov", i)));
        }
        QCOMPARE(m_revealed, QList<QStringList>{{folder}});
        QVERIFY(!m_model->alert());
    }

    void repeatedExportsNumberTheFolders()
    {
        QVERIFY(open({"Holiday.mov"}));
        for (int i = 0; i < 3; ++i)
            exportSelected();
        QCOMPARE(entries(m_dest), (QStringList{"Holiday Screenshots", "Holiday Screenshots 2",
                                               "Holiday Screenshots 3"}));
        for (const QString &folder : entries(m_dest))
            QCOMPARE(entries(m_dest + "/" + folder).size(), 3);
        QCOMPARE(m_revealed.size(), 3);
        QCOMPARE(m_revealed[2], QStringList{m_dest + "/Holiday Screenshots 3"});
        // From the second export on the panel starts where the last one went.
        QCOMPARE(m_dialogs.asked[1].startFolder, m_dest);
        // Once that folder is gone, beside the video again.
        m_prefs->setLastExportFolder(m_dir->filePath("removed"));
        exportSelected();
        QCOMPARE(m_dialogs.asked[3].startFolder, QStringLiteral("/videos"));
    }

    void takenNamesAreSkipped_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder") << QStringList{"Holiday Screenshots"} << QStringList{}
                                << QStringList{} << "Holiday Screenshots 2";
        QTest::newRow("file named like the folder")
            << QStringList{"Holiday Screenshots"} << QStringList{"Holiday Screenshots 2"}
            << QStringList{} << "Holiday Screenshots 3";
        QTest::newRow("dangling link") << QStringList{} << QStringList{}
                                       << QStringList{"Holiday Screenshots"} << "Holiday Screenshots 2";
        QTest::newRow("gap") << QStringList{"Holiday Screenshots", "Holiday Screenshots 3"}
                             << QStringList{} << QStringList{} << "Holiday Screenshots 2";
    }
    void takenNamesAreSkipped()
    {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, files);
        QFETCH(QStringList, links);
        QFETCH(QString, expected);
        for (const QString &f : folders)
            QVERIFY(QDir(m_dest).mkdir(f));
        for (const QString &f : files)
            QVERIFY(TestSupport::writeFile(m_dest + "/" + f, "user data"));
        for (const QString &l : links)
            QVERIFY(QFile::link(m_dir->filePath("nowhere"), m_dest + "/" + l));
        QVERIFY(open({"Holiday.mov"}));
        exportSelected();
        QCOMPARE(m_revealed, QList<QStringList>{{m_dest + "/" + expected}});
        QCOMPARE(entries(m_dest + "/" + expected).size(), 3);
        for (const QString &f : folders)
            QVERIFY(entries(m_dest + "/" + f).isEmpty());
        for (const QString &f : files)
            QCOMPARE(bytesOf(m_dest + "/" + f), QByteArray("user data"));
        QVERIFY(!QFileInfo::exists(m_dir->filePath("nowhere")));
    }

    void namesComeFromTheVideo_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("first");
        QTest::newRow("only the last extension goes")
            << "clip.final.mp4" << "jpg" << "clip.final Screenshots" << "clip.final_001_00-00-01.jpg";
        QTest::newRow("png keeps png") << "Beach.mp4" << "png" << "Beach Screenshots"
                                       << "Beach_001_00-00-01.png";
        QTest::newRow("spaces, accents, CJK")
            << "Été à Paris 旅行 2024.mov" << "jpg" << "Été à Paris 旅行 2024 Screenshots"
            << "Été à Paris 旅行 2024_001_00-00-01.jpg";
        QTest::newRow("percent signs stay text")
            << "50%2 off %1.mkv" << "jpg" << "50%2 off %1 Screenshots" << "50%2 off %1_001_00-00-01.jpg";
    }
    void namesComeFromTheVideo()
    {
        QFETCH(QString, video);
        QFETCH(QString, extension);
        QFETCH(QString, folder);
        QFETCH(QString, first);
        m_engine->shots[video] = {{4, 1.2, extension}, {9, 7.0, extension}};
        QVERIFY(open({video}));
        exportSelected();
        QCOMPARE(entries(m_dest), QStringList{folder});
        const QStringList files = entries(m_dest + "/" + folder);
        QCOMPARE(files.size(), 2);
        QCOMPARE(files.first(), first);
        QCOMPARE(bytesOf(m_dest + "/" + folder + "/" + first), ScriptedEngine::content(video, 4));
    }

    void numbersCountExportedShotsNotIds()
    {
        m_engine->shots["Holiday.mov"] = {{0, 0, "jpg"}, {1, 10, "jpg"}, {2, 20, "jpg"}, {3, 30, "jpg"}};
        QVERIFY(open({"Holiday.mov"}));
        item("Holiday.mov")->toggle(1);
        item("Holiday.mov")->toggle(2);
        exportSelected();
        const QString folder = m_dest + "/Holiday Screenshots";
        QCOMPARE(entries(folder),
                 (QStringList{"Holiday_001_00-00-00.jpg", "Holiday_002_00-00-30.jpg"}));
        QCOMPARE(bytesOf(folder + "/Holiday_002_00-00-30.jpg"), ScriptedEngine::content("Holiday.mov", 3));
    }

    void numbersPastNineHundredNinetyNineAreNotCut()
    {
        QList<ScriptedShot> many;
        for (qint64 id = 0; id < 1001; ++id)
            many.append({id, double(id), "jpg"});
        m_engine->shots["Long.mp4"] = many;
        QVERIFY(open({"Long.mp4"}));
        exportSelected();
        const QStringList files = entries(m_dest + "/Long Screenshots");
        QCOMPARE(files.size(), 1001);
        for (const char *name : {"Long_001_00-00-00.jpg", "Long_999_00-16-38.jpg",
                                 "Long_1000_00-16-39.jpg", "Long_1001_00-16-40.jpg"})
            QVERIFY2(files.contains(name), name);
    }

    // --- availability --------------------------------------------------------

    void canExportFollowsTheSelectedVideo()
    {
        QList<bool> changes;
        connect(m_model.get(), &AppModel::canExportChanged, this,
                [&] { changes.append(m_model->canExport()); });
        QVERIFY(!m_model->canExport());
        m_engine->shots["a.mp4"] = {{0, 1, "jpg"}, {1, 2, "jpg"}};
        QVERIFY(open({"a.mp4"}));
        QVERIFY(m_model->canExport());
        QCOMPARE(changes, QList<bool>{true});

        VideoItem *a = item("a.mp4");
        // Ids that are no shot of this video do not use up its selection.
        a->toggle(7);
        a->toggle(8);
        QVERIFY(m_model->canExport());
        a->toggle(0);
        QVERIFY(m_model->canExport());
        a->toggle(1);
        QVERIFY(!m_model->canExport());
        a->toggleAll();
        QVERIFY(m_model->canExport());
        QCOMPARE(changes, (QList<bool>{true, false, true}));

        // A video still extracting is selected: nothing to export yet.
        m_engine->hold("b.mp4");
        QVERIFY(open({"b.mp4"}, false));
        QTRY_COMPARE_WITH_TIMEOUT(item("b.mp4")->status(), VideoStatus::extracting, 5000);
        QVERIFY(!m_model->canExport());
        m_model->setSelectedID(a->id());
        QVERIFY(m_model->canExport());
        m_engine->release("b.mp4");
        QTRY_VERIFY_WITH_TIMEOUT(allDone(), 5000);
        QCOMPARE(changes, (QList<bool>{true, false, true, false, true}));

        m_model->closeAll();
        QVERIFY(!m_model->canExport());
        QCOMPARE(changes.size(), 6);
    }

    void canExportAllNeedsSeveralDoneVideos()
    {
        QList<bool> changes;
        connect(m_model.get(), &AppModel::canExportAllChanged, this,
                [&] { changes.append(m_model->canExportAll()); });
        QVERIFY(open({"a.mp4"}));
        // One video: only "Export" applies.
        QVERIFY(m_model->canExport());
        QVERIFY(!m_model->canExportAll());

        // The selection (c, the last opened) is extracted first.
        m_engine->hold("c.mp4");
        QVERIFY(open({"b.mp4", "c.mp4"}, false));
        QTRY_COMPARE_WITH_TIMEOUT(item("c.mp4")->status(), VideoStatus::extracting, 5000);
        QCOMPARE(item("b.mp4")->status(), VideoStatus::pending);
        QVERIFY(!m_model->canExportAll());
        m_engine->release("c.mp4");
        QTRY_VERIFY_WITH_TIMEOUT(allDone(), 5000);
        QVERIFY(m_model->canExportAll());
        QCOMPARE(changes, QList<bool>{true});

        // Nothing selected anywhere but in c, then nowhere.
        item("a.mp4")->toggleAll();
        item("b.mp4")->toggleAll();
        QVERIFY(m_model->canExportAll());
        item("c.mp4")->toggleAll();
        QVERIFY(!m_model->canExportAll());
        item("b.mp4")->toggle(2);
        QVERIFY(m_model->canExportAll());
        QCOMPARE(changes, (QList<bool>{true, false, true}));

        // Down to one video again.
        m_model->remove(item("c.mp4"));
        QVERIFY(m_model->canExportAll());
        m_model->remove(item("a.mp4"));
        QVERIFY(!m_model->canExportAll());
        QCOMPARE(changes, (QList<bool>{true, false, true, false}));
    }

    void commandsDoNothingWhenUnavailable()
    {
        // b, selected, is extracted first and held there; a waits.
        m_engine->hold("b.mp4");
        QVERIFY(open({"a.mp4", "b.mp4"}, false));
        QTRY_COMPARE_WITH_TIMEOUT(item("b.mp4")->status(), VideoStatus::extracting, 5000);
        QCOMPARE(item("a.mp4")->status(), VideoStatus::pending);
        exportSelected();
        exportAll();
        QVERIFY(m_dialogs.asked.isEmpty());
        QVERIFY(entries(m_dest).isEmpty());
        m_engine->release("b.mp4");
    }

    void exportAllSkipsVideosWithNothingSelected()
    {
        QVERIFY(open({"a.mp4", "b.mp4", "c.mp4"}));
        item("b.mp4")->toggleAll();
        exportAll();
        QCOMPARE(m_dialogs.asked.size(), 1);
        QCOMPARE(m_dialogs.asked[0].message,
                 QStringLiteral("Choose a folder. Each video gets its own screenshots folder inside it."));
        QCOMPARE(entries(m_dest), (QStringList{"a Screenshots", "c Screenshots"}));
        const QStringList both{m_dest + "/a Screenshots", m_dest + "/c Screenshots"};
        QCOMPARE(m_revealed, QList<QStringList>{both});
        QCOMPARE(entries(m_dest + "/c Screenshots"),
                 (QStringList{"c_001_00-00-01.jpg", "c_002_00-00-02.jpg", "c_003_00-00-03.jpg"}));
    }

    // --- destination ---------------------------------------------------------

    void aUsableDefaultFolderSkipsThePanel()
    {
        const QString chosen = m_dir->filePath("default");
        QVERIFY(QDir().mkdir(chosen));
        m_prefs->setDefaultExportFolder(ExportFolder::bookmark(chosen));
        m_prefs->setLastExportFolder("/somewhere/earlier");
        QVERIFY(open({"Holiday.mov"}));
        exportSelected();
        QVERIFY(m_dialogs.asked.isEmpty());
        QCOMPARE(entries(chosen), QStringList{"Holiday Screenshots"});
        QVERIFY(entries(m_dest).isEmpty());
        QCOMPARE(m_prefs->lastExportFolder(), QStringLiteral("/somewhere/earlier"));
    }

    void anUnusableDefaultFolderAsks()
    {
        m_prefs->setDefaultExportFolder(m_dir->filePath("gone").toUtf8());
        m_prefs->setLastExportFolder(m_dir->path());
        QVERIFY(open({"Holiday.mov"}));
        exportSelected();
        QCOMPARE(m_dialogs.asked.size(), 1);
        QCOMPARE(m_dialogs.asked[0].startFolder, m_dir->path());
        QCOMPARE(entries(m_dest), QStringList{"Holiday Screenshots"});
        // Still stored, for when its volume comes back.
        QCOMPARE(m_prefs->defaultExportFolder(), m_dir->filePath("gone").toUtf8());
        QCOMPARE(m_prefs->lastExportFolder(), m_dest);
    }

    void cancellingDoesNothing()
    {
        m_dialogs.answer.reset();
        QVERIFY(open({"a.mp4", "b.mp4"}));
        QSignalSpy alert(m_model.get(), &AppModel::alertChanged);
        exportAll();
        exportSelected();
        QCOMPARE(m_dialogs.asked.size(), 2);
        QVERIFY(entries(m_dest).isEmpty());
        QVERIFY(m_revealed.isEmpty());
        QCOMPARE(alert.count(), 0);
        QVERIFY(!m_prefs->lastExportFolder());
    }

    // --- failures ------------------------------------------------------------

    void aMissingShotStopsTheExport()
    {
        QVERIFY(open({"a.mp4", "b.mp4"}));
        const QString missing = shotFile("a.mp4", 1);
        QVERIFY(QFile::remove(missing));
        exportAll();
        QVERIFY(m_model->alert());
        QCOMPARE(m_model->alert()->title, QStringLiteral("Export Failed"));
        QCOMPARE(m_model->alert()->message,
                 QStringLiteral("Couldn’t read the screenshot “%1”: No such file or directory.\n\n"
                                "1 of 6 screenshots were exported before it.")
                     .arg(missing));
        // Nothing is rolled back, nothing after it is exported or shown.
        QCOMPARE(entries(m_dest), QStringList{"a Screenshots"});
        QCOMPARE(entries(m_dest + "/a Screenshots"), QStringList{"a_001_00-00-01.jpg"});
        QVERIFY(m_revealed.isEmpty());
    }

    // The copying runs off the UI thread while the model shows how far it
    // got; a stop before any copy leaves nothing behind and says so.
    void aStoppedExportSaysWhatItCopied()
    {
        QVERIFY(open({"a.mp4", "b.mp4"}));
        QList<std::optional<AppModel::ExportProgress>> seen;
        connect(m_model.get(), &AppModel::exportProgressChanged, this,
                [&] { seen.append(m_model->exportProgress()); });
        // The copying cannot start while the pool's one thread is taken.
        QThreadPool *pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        QSemaphore hold;
        pool->start([&hold] { hold.acquire(); });
        m_exporter->exportAll();
        QVERIFY(m_model->exportProgress());
        QCOMPARE(m_model->exportProgress()->total, 6);
        QVERIFY(!m_model->canExport());
        QVERIFY(!m_model->canExportAll());
        m_model->stopExport();
        hold.release();
        waitForExport();
        pool->setMaxThreadCount(threads);
        QVERIFY(m_model->alert());
        QCOMPARE(m_model->alert()->title, QStringLiteral("Export Stopped"));
        QCOMPARE(m_model->alert()->message, QStringLiteral("No screenshots were exported."));
        QVERIFY(entries(m_dest).isEmpty());
        QVERIFY(m_model->canExportAll());
        QCOMPARE(seen.first(), (AppModel::ExportProgress{0, 6}));
        QCOMPARE(seen.last(), std::nullopt);

        // New capture settings delete every shot, those it copies too: the
        // export stops rather than fail on them.
        m_model->setAlert(std::nullopt);
        pool->setMaxThreadCount(1);
        pool->start([&hold] { hold.acquire(); });
        m_exporter->exportAll();
        QVERIFY(m_model->exportProgress());
        ExtractSettings other;
        other.count = 5;
        m_model->apply(other);
        hold.release();
        waitForExport();
        pool->setMaxThreadCount(threads);
        QCOMPARE(m_model->alert()->title, QStringLiteral("Export Stopped"));
        QVERIFY(open({}));

        // A whole export counts up to its total and ends.
        m_model->setAlert(std::nullopt);
        seen.clear();
        exportAll();
        QVERIFY(!m_model->alert());
        QCOMPARE(seen.size() >= 2 ? seen.at(seen.size() - 2) : std::nullopt, (AppModel::ExportProgress{6, 6}));
        QCOMPARE(entries(m_dest), (QStringList{"a Screenshots", "b Screenshots"}));
    }

    void anUnusableDestinationFails_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("reason");
        // Both fail for root too.
        QTest::newRow("a file") << "file" << "Not a directory";
        QTest::newRow("deleted after choosing") << "gone" << "No such file or directory";
    }
    void anUnusableDestinationFails()
    {
        QFETCH(QString, destination);
        QFETCH(QString, reason);
        QVERIFY(TestSupport::writeFile(m_dir->filePath("file"), "x"));
        m_dialogs.answer = m_dir->filePath(destination);
        QVERIFY(open({"Holiday.mov"}));
        exportSelected();
        QVERIFY(m_model->alert());
        QCOMPARE(m_model->alert()->title, QStringLiteral("Export Failed"));
        QCOMPARE(m_model->alert()->message,
                 QStringLiteral("Couldn’t create the folder “%1/Holiday Screenshots”: %2.")
                     .arg(m_dir->filePath(destination), reason));
        QVERIFY(m_revealed.isEmpty());
        QVERIFY(!QFileInfo::exists(m_dir->filePath("gone")));
    }

    // Source details only when asked: then the copies carry them and the
    // pictures stay whole; otherwise they are byte copies.
    void sourceDetailsFollowTheSetting()
    {
        m_engine->files = ScriptedEngine::Files::pictures;
        m_engine->shots["Holiday.mov"] = {{0, 2.0, "jpg"}};
        QVERIFY(open({"Holiday.mov"}));
        exportSelected();
        const QString plain = m_dest + "/Holiday Screenshots/Holiday_001_00-00-02.jpg";
        QCOMPARE(bytesOf(plain), bytesOf(shotFile("Holiday.mov", 0)));

        m_prefs->setExportSourceDetails(true);
        exportSelected();
        const QByteArray stamped = bytesOf(m_dest + "/Holiday Screenshots 2/Holiday_001_00-00-02.jpg");
        QVERIFY(stamped.contains("<dc:source>") && stamped.contains("Holiday.mov"));
        QVERIFY(stamped.contains("Framelark"));
        QCOMPARE(QImage::fromData(stamped), QImage(shotFile("Holiday.mov", 0)));
    }

    // Sprites go into their own new folder, the index last; tiles whose
    // shot cannot be read are black and the user is told.
    void spritesOfTheSelectedShots()
    {
        m_engine->files = ScriptedEngine::Files::pictures;
        m_engine->shots["Holiday.mov"] = {{0, 0.0, "jpg"}, {1, 1.5, "jpg"}, {2, 3.0, "jpg"}};
        QVERIFY(open({"Holiday.mov"}));
        const Shot &last = item("Holiday.mov")->shots().last();
        QVERIFY(QFile::remove(last.file) && QFile::remove(last.thumbFile));
        m_exporter->exportSprites({80, 2, 1, 0.85});
        waitForExport();
        QCOMPARE(m_dialogs.asked.last().message,
                 QStringLiteral("Choose a folder. A “Holiday Preview Sprites” folder will be created inside it."));
        const QString folder = m_dest + "/Holiday Preview Sprites";
        QCOMPARE(entries(folder), (QStringList{"Holiday.vtt", "Holiday_001.jpg", "Holiday_002.jpg"}));
        QCOMPARE(m_revealed, QList<QStringList>{{folder}});
        QVERIFY(m_model->alert());
        QCOMPARE(m_model->alert()->title, QStringLiteral("Some Tiles Are Empty"));
    }

    void aReadOnlyDestinationFails()
    {
        if (::geteuid() == 0)
            QSKIP("root may write anywhere");
        QVERIFY(QFile::setPermissions(m_dest, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(open({"Holiday.mov"}));
        exportSelected();
        QVERIFY(QFile::setPermissions(m_dest, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(m_model->alert());
        QCOMPARE(m_model->alert()->message,
                 QStringLiteral("Couldn’t create the folder “%1/Holiday Screenshots”: Permission denied.")
                     .arg(m_dest));
    }
};

QTEST_GUILESS_MAIN(ExporterTest)
#include "tst_exporter.moc"
