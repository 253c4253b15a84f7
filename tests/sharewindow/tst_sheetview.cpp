#include "cli/CliOptions.h"
#include "basics/TempRoot.h"
#include "media/ImageFiles.h"
#include "settings/Preferences.h"
#include "share/SheetLayout.h"
#include "share/SheetRenderer.h"
#include "sharewindow/SheetPreview.h"
#include "sharewindow/SheetView.h"
#include "support/TestSupport.h"
#include "widgets/SegmentedControl.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QApplication>
#include <QTimer>
#include <QMessageBox>
#include <QMimeData>
#include <QMutex>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QToolButton>
#include <QWaitCondition>

#include <atomic>
#include <memory>

Q_DECLARE_METATYPE(SheetFiles::SaveFormat)

namespace {

constexpr int timeout = 20000;

// A renderer the test steers: it draws a small image whose width and colour
// tell the options apart, counts its calls, and holds calls for chosen
// column counts until they are released.
struct ScriptedRenderer {
    QMutex mutex;
    QWaitCondition changed;
    QSet<int> held;        // column counts whose calls wait
    QSet<int> failing;     // column counts that give no image
    std::atomic<int> calls = 0;
    std::atomic<int> returned = 0;
    SheetOptions last;
    QStringList headers;   // "title|note" of every call

    static QColor colourFor(const SheetOptions &options)
    {
        return QColor::fromRgb(20 * options.columns, options.dark ? 40 : 200, 90);
    }

    std::optional<QImage> operator()(const SheetOptions &options)
    {
        ++calls;
        QMutexLocker lock(&mutex);
        last = options;
        headers.append(options.title + u'|' + options.note);
        QDeadlineTimer deadline(timeout);
        while (held.contains(options.columns) && !deadline.hasExpired())
            changed.wait(&mutex, deadline);
        const bool fail = failing.contains(options.columns);
        lock.unlock();
        ++returned;
        if (fail)
            return std::nullopt;
        // A note "tall" asks for a sheet taller than WebP allows.
        QImage image(100 * std::max(options.columns, 1), options.note == u"tall" ? 17000 : 60,
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(colourFor(options));
        return image;
    }

    void hold(int columns)
    {
        QMutexLocker lock(&mutex);
        held.insert(columns);
    }

    void release(int columns)
    {
        QMutexLocker lock(&mutex);
        held.remove(columns);
        changed.wakeAll();
    }
};

QByteArray head(const QString &path, int n)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(n);
}

const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
const QByteArray jpegSignature("\xff\xd8\xff", 3);

} // namespace

class SheetViewTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QList<Shot> m_shots;
    VideoInfo m_video;
    std::unique_ptr<Preferences> m_prefs;
    std::shared_ptr<ScriptedRenderer> m_scripted;
    QStringList m_proposed;   // what the save function was offered
    QString m_saveAnswer;     // what it answers
    SheetFiles::SaveFormat m_saveFormat = SheetFiles::SaveFormat::jpeg;  // the type chosen with it

    SheetView::Services scripted()
    {
        auto renderer = m_scripted;
        return {[renderer](const QList<Shot> &, const VideoInfo &, const SheetOptions &options) {
                    return (*renderer)(options);
                },
                [this](QWidget *, const QString &proposed) {
                    m_proposed << proposed;
                    return SheetView::SaveChoice{m_saveAnswer, m_saveFormat};
                }};
    }

    static QPushButton *button(SheetView &view, const char *name)
    {
        return view.findChild<QPushButton *>(QLatin1String(name));
    }

    static QString shareFolder() { return QDir(TempRoot::path()).filePath(QStringLiteral("share")); }

    static QStringList stagedFiles()
    {
        return QDir(shareFolder()).entryList({QStringLiteral(".staged-*")},
                                             QDir::Files | QDir::Hidden);
    }

    // Lets every render still running finish and their results arrive.
    static void settle()
    {
        QVERIFY(QThreadPool::globalInstance()->waitForDone(timeout));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    // The temporary file decodes to exactly the image shown (after JPEG
    // coding, so colours are compared with a tolerance).
    static void fileMatchesImage(const SheetView &view)
    {
        QVERIFY(view.file().has_value());
        const QImage onDisk(*view.file());
        QCOMPARE(onDisk.size(), view.image().size());
        for (const QPoint p : {QPoint(2, 2), QPoint(onDisk.width() / 2, onDisk.height() / 2),
                               QPoint(onDisk.width() - 3, onDisk.height() - 3)})
            QVERIFY2(TestSupport::near(onDisk.pixel(p), view.image().pixel(p), 6),
                     qPrintable(QStringLiteral("at %1,%2").arg(p.x()).arg(p.y())));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(m_dir.isValid());
        QThreadPool::globalInstance()->setMaxThreadCount(
            std::max(8, QThreadPool::globalInstance()->maxThreadCount()));
        QDir().mkpath(m_dir.filePath(QStringLiteral("videos")));
        m_video.url = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("videos/Holiday.mov")));
        m_video.duration = 125;
        m_video.size = QSizeF(1920, 1080);
        m_video.fps = 25;
        m_video.fileSize = 48'300'000;
        for (int i = 0; i < 12; ++i) {
            QImage frame(320, 180, QImage::Format_RGB32);
            frame.fill(QColor::fromHsv(i * 30, 200, 220));
            Shot shot;
            shot.id = i;
            shot.time = i * 10.0;
            shot.file = m_dir.filePath(QStringLiteral("shots/%1").arg(ImageFiles::shotFileName(i, ShotFormat::jpg)));
            QDir().mkpath(m_dir.filePath(QStringLiteral("shots")));
            QVERIFY(ImageFiles::writeJpeg(frame, shot.file, 0.9));
            m_shots << shot;
        }
    }

    void init()
    {
        const QString file = m_dir.filePath(QStringLiteral("%1.conf").arg(QTest::currentTestFunction()));
        QFile::remove(file);
        m_prefs = std::make_unique<Preferences>(file);
        m_scripted = std::make_shared<ScriptedRenderer>();
        m_proposed.clear();
        m_saveAnswer.clear();
        m_saveFormat = SheetFiles::SaveFormat::jpeg;
    }

    void cleanup()
    {
        // No render may outlive its test's renderer and preferences.
        if (m_scripted) {
            QMutexLocker lock(&m_scripted->mutex);
            m_scripted->held.clear();
            m_scripted->changed.wakeAll();
        }
        settle();
        m_prefs.reset();
    }

    void defaultOptionsRenderTheFullSheet()
    {
        SheetView view(m_shots, m_video, *m_prefs);
        QSignalSpy rendered(&view, &SheetView::rendered);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, timeout);

        const SheetLayout layout = SheetLayout::compute(12, m_video.size, SheetOptions{});
        QCOMPARE(view.image().size(), QSize(2400, 1272));
        QCOMPARE(view.image().size(), QSize(int(layout.width), int(layout.height)));
        QCOMPARE(view.options(), (SheetOptions{4, 2400, true, true, true, true, {}, {}}));
        // Dark background, and the header's title drawn in its band.
        QVERIFY(TestSupport::near(view.image().pixel(5, 5), 0xff121212, 2));

        QCOMPARE(view.findChild<QLabel *>("columnsLabel")->text(), QStringLiteral("Columns: 4"));
        QCOMPARE(view.findChild<QComboBox *>("widthCombo")->currentText(), QStringLiteral("2400 px"));
        QCOMPARE(view.findChild<SegmentedControl *>("background")->current(), 0);
        QVERIFY(view.findChild<QCheckBox *>("timestamps")->isChecked());
        QVERIFY(view.findChild<QCheckBox *>("videoInfo")->isChecked());
        QCOMPARE(view.findChild<QLabel *>("sizeCaption")->text(),
                 QStringLiteral("2400 × 1272 · 12 shots"));

        QCOMPARE(*view.file(), QDir(shareFolder()).filePath(QStringLiteral("Holiday Share Image.jpg")));
        fileMatchesImage(view);
        QVERIFY(stagedFiles().isEmpty());
        for (const char *name : {"copyButton", "saveButton", "shareButton", "closeButton"})
            QVERIFY2(button(view, name)->isEnabled(), name);
        QVERIFY(!button(view, "shareButton")->isHidden());
    }

    void everythingWaitsForTheFirstImage()
    {
        m_scripted->hold(4);
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy finished(&view, &QDialog::finished);
        view.show();
        QTRY_COMPARE_WITH_TIMEOUT(m_scripted->calls.load(), 1, timeout);

        for (const char *name : {"copyButton", "saveButton", "closeButton"})
            QVERIFY2(!button(view, name)->isEnabled(), name);
        QVERIFY(button(view, "shareButton")->isHidden());
        QVERIFY(!view.findChild<QLabel *>("sizeCaption")->isVisible());
        QVERIFY(view.findChild<SheetPreview *>()->isSpinning());
        view.copy();
        QVERIFY(!view.copied());
        view.save();
        QVERIFY(m_proposed.isEmpty());

        QTest::keyClick(&view, Qt::Key_Escape);
        QCOMPARE(finished.count(), 0);
        QVERIFY(view.isVisible());

        m_scripted->release(4);
        QTRY_VERIFY_WITH_TIMEOUT(!view.image().isNull(), timeout);
        QVERIFY(!view.findChild<SheetPreview *>()->isSpinning());
        QVERIFY(button(view, "closeButton")->isEnabled());
        QTest::keyClick(&view, Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!view.isVisible());
    }

    void windowManagerCloseWorksBeforeTheFirstImage()
    {
        m_scripted->hold(4);
        auto view = std::make_unique<SheetView>(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy finished(view.get(), &QDialog::finished);
        view->show();
        QVERIFY(view->close());
        QCOMPARE(finished.count(), 1);
        // The render still running finishes after the window closed and was
        // deleted, and leaves no file behind.
        view.reset();
        m_scripted->release(4);
        settle();
        QVERIFY(stagedFiles().isEmpty());
    }

    void optionChangeRendersOnceAndKeepsThePreviousImage()
    {
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy rendered(&view, &SheetView::rendered);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, timeout);
        QCOMPARE(view.image().width(), 400);

        view.copy();
        QVERIFY(view.copied());
        QCOMPARE(button(view, "copyButton")->text(), QStringLiteral("Copied"));
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(400, 60));
        QCOMPARE(QGuiApplication::clipboard()->image().pixel(10, 10),
                 ScriptedRenderer::colourFor(view.options()).rgb());

        m_scripted->hold(5);
        view.findChild<QToolButton *>("columnsUp")->click();
        QCOMPARE(m_prefs->sheetColumns(), 5);
        QCOMPARE(view.findChild<QLabel *>("columnsLabel")->text(), QStringLiteral("Columns: 5"));
        QTRY_COMPARE_WITH_TIMEOUT(m_scripted->calls.load(), 2, timeout);
        // While the new image renders, the old one and its actions stay.
        QCOMPARE(view.image().width(), 400);
        QVERIFY(view.copied());
        QVERIFY(button(view, "saveButton")->isEnabled());

        m_scripted->release(5);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 2, timeout);
        QCOMPARE(view.image().width(), 500);
        QVERIFY(!view.copied());
        QCOMPARE(button(view, "copyButton")->text(), QStringLiteral("Copy Image"));
        QCOMPARE(view.findChild<QLabel *>("sizeCaption")->text(), QStringLiteral("500 × 60 · 12 shots"));
        fileMatchesImage(view);
        settle();
        QCOMPARE(m_scripted->calls.load(), 2);
        QCOMPARE(rendered.count(), 2);
    }

    void controlsWriteThePreferences()
    {
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy rendered(&view, &SheetView::rendered);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, timeout);

        auto *width = view.findChild<QComboBox *>("widthCombo");
        QCOMPARE(width->count(), 3);
        QCOMPARE(width->itemText(0), QStringLiteral("1600 px"));
        QCOMPARE(width->itemText(2), QStringLiteral("3600 px"));
        width->setCurrentIndex(0);
        emit width->activated(0);
        QCOMPARE(m_prefs->sheetWidth(), 1600);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 2, timeout);
        QCOMPARE(m_scripted->last.width, 1600);

        emit view.findChild<SegmentedControl *>("background")->currentChanged(1);
        QCOMPARE(m_prefs->sheetDark(), false);
        view.findChild<QCheckBox *>("timestamps")->click();
        QCOMPARE(m_prefs->sheetTime(), false);
        view.findChild<QCheckBox *>("videoInfo")->click();
        QCOMPARE(m_prefs->sheetHeader(), false);
        for (int i = 0; i < 12; ++i)
            view.findChild<QToolButton *>("columnsDown")->click();
        QCOMPARE(m_prefs->sheetColumns(), 1);
        QVERIFY(!view.findChild<QToolButton *>("columnsDown")->isEnabled());
        for (int i = 0; i < 12; ++i)
            view.findChild<QToolButton *>("columnsUp")->click();
        QCOMPARE(m_prefs->sheetColumns(), 10);
        QVERIFY(!view.findChild<QToolButton *>("columnsUp")->isEnabled());

        settle();
        QCOMPARE(view.options(), (SheetOptions{10, 1600, false, false, false, true, {}, {}}));
        QCOMPARE(view.image().width(), 1000);
        QCOMPARE(view.image().pixel(5, 5), ScriptedRenderer::colourFor(view.options()).rgb());
        fileMatchesImage(view);
        QVERIFY(stagedFiles().isEmpty());
    }

    // Title and note belong to the video: handed in, typed (one render after
    // a pause), handed back; never stored. They only apply with the header.
    void titleAndNoteRenderAndReport()
    {
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy texts(&view, &SheetView::headerTextsChanged);
        view.setHeaderTexts(QStringLiteral("Trip"), QString());
        settle();
        QVERIFY(m_scripted->headers.contains(QStringLiteral("Trip|")));
        auto *note = view.findChild<QLineEdit *>("note");
        QTest::keyClicks(note, QStringLiteral("Berlin"));
        QTRY_COMPARE_WITH_TIMEOUT(texts.count(), 1, timeout);
        QCOMPARE(texts.first(), (QVariantList{QStringLiteral("Trip"), QStringLiteral("Berlin")}));
        settle();
        QCOMPARE(m_scripted->headers.last(), QStringLiteral("Trip|Berlin"));
        QCOMPARE(view.options().note, QStringLiteral("Berlin"));
        QCOMPARE(m_prefs->sheetOptions().note, QString());
        // Closed during the pause: what was typed still goes back.
        QTest::keyClicks(view.findChild<QLineEdit *>("title"), QStringLiteral("!"));
        view.reject();
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts.last().first().toString(), QStringLiteral("Trip!"));
        view.findChild<QCheckBox *>("videoInfo")->click();
        QVERIFY(!note->isEnabled());
        QVERIFY(!view.findChild<QLineEdit *>("title")->isEnabled());
    }

    void storedValuesOutsideTheControlsAreUsed()
    {
        // A width the menu does not offer is used as it is; values outside
        // the ranges are brought inside them.
        m_prefs->setSheetWidth(2000);
        m_prefs->setSheetColumns(0);
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy rendered(&view, &SheetView::rendered);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, timeout);
        QCOMPARE(view.findChild<QComboBox *>("widthCombo")->currentIndex(), -1);
        QCOMPARE(m_scripted->last.width, 2000);
        QCOMPARE(m_scripted->last.columns, 1);
        QCOMPARE(view.findChild<QLabel *>("columnsLabel")->text(), QStringLiteral("Columns: 1"));
        QVERIFY(!view.findChild<QToolButton *>("columnsDown")->isEnabled());
        m_prefs->setSheetColumns(12);
        QTRY_COMPARE_WITH_TIMEOUT(m_scripted->last.columns, 10, timeout);
        QVERIFY(!view.findChild<QToolButton *>("columnsUp")->isEnabled());
        view.findChild<QToolButton *>("columnsDown")->click();
        QCOMPARE(m_prefs->sheetColumns(), 9);
    }

    // The window and the command line read the same stored options into the
    // same sheet, byte for byte, ranges included.
    void windowAndCommandLineMakeTheSameSheet()
    {
        m_prefs->setSheetColumns(12);
        m_prefs->setSheetWidth(900);
        m_prefs->setSheetDark(false);
        m_prefs->setSheetTime(false);
        SheetView::Services services = scripted();
        services.render = SheetView::defaultServices().render;
        SheetView view(m_shots, m_video, *m_prefs, services);
        QTRY_VERIFY_WITH_TIMEOUT(!view.image().isNull(), timeout);
        QTemporaryDir target;
        m_saveAnswer = target.filePath(QStringLiteral("window.png"));
        m_saveFormat = SheetFiles::SaveFormat::png;
        view.save();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_saveAnswer), timeout);

        const auto parsed = CliArguments::parse({QStringLiteral("framelark-cli"), QStringLiteral("--sheet"),
                                               target.path(), QStringLiteral("clip.mp4")});
        QVERIFY(std::holds_alternative<CliOptions>(parsed));
        const SheetOptions options = std::get<CliOptions>(parsed).sheetOptions(m_prefs.get());
        QCOMPARE(options.columns, 10);
        const std::optional<QImage> sheet = SheetRenderer::render(m_shots, m_video, options);
        QVERIFY(sheet);
        const QString cli = target.filePath(QStringLiteral("cli.png"));
        QVERIFY(SheetFiles::save(*sheet, cli));
        QCOMPARE(head(cli, 1 << 30), head(m_saveAnswer, 1 << 30));
    }

    void staleRenderNeverReplacesANewerOne_data()
    {
        QTest::addColumn<bool>("newestFirst");
        QTest::newRow("newest finishes first") << true;
        QTest::newRow("oldest finishes first") << false;
    }

    void staleRenderNeverReplacesANewerOne()
    {
        QFETCH(bool, newestFirst);
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy rendered(&view, &SheetView::rendered);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, timeout);

        m_scripted->hold(5);
        m_scripted->hold(6);
        m_prefs->setSheetColumns(5);
        m_prefs->setSheetColumns(6);
        QTRY_COMPARE_WITH_TIMEOUT(m_scripted->calls.load(), 3, timeout);

        m_scripted->release(newestFirst ? 6 : 5);
        QTRY_COMPARE_WITH_TIMEOUT(m_scripted->returned.load(), 2, timeout);
        if (!newestFirst) {
            // Only the held render is still running once the stale one is done.
            QTRY_COMPARE_WITH_TIMEOUT(QThreadPool::globalInstance()->activeThreadCount(), 1, timeout);
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            // The stale image is never shown; the first one stays.
            QCOMPARE(rendered.count(), 1);
            QCOMPARE(view.image().width(), 400);
            fileMatchesImage(view);
        }
        m_scripted->release(newestFirst ? 5 : 6);
        settle();

        QCOMPARE(rendered.count(), 2);
        QCOMPARE(view.image().width(), 600);
        QCOMPARE(view.image().pixel(5, 5), ScriptedRenderer::colourFor(view.options()).rgb());
        fileMatchesImage(view);
        QVERIFY(stagedFiles().isEmpty());
    }

    void failedRenderKeepsWhatIsShown()
    {
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy rendered(&view, &SheetView::rendered);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, timeout);
        view.copy();

        m_scripted->failing.insert(5);
        m_prefs->setSheetColumns(5);
        settle();
        QCOMPARE(m_scripted->calls.load(), 2);
        QCOMPARE(rendered.count(), 1);
        QCOMPARE(view.image().width(), 400);
        QVERIFY(view.copied());
        fileMatchesImage(view);
    }

    void unwritableTemporaryFileIsNotOffered()
    {
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy rendered(&view, &SheetView::rendered);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, timeout);
        QVERIFY(view.file().has_value());

        // A plain file where the "share" folder belongs: nothing can be written.
        TempRoot::removeTree(shareFolder());
        QVERIFY(TestSupport::writeFile(shareFolder(), "not a folder"));
        m_prefs->setSheetColumns(5);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 2, timeout);
        QCOMPARE(view.image().width(), 500);
        // The new image is shown, but no file that does not hold it is offered.
        QVERIFY(!view.file().has_value());
        QVERIFY(button(view, "shareButton")->isHidden());
        QVERIFY(!SheetPreview::dragData(view.file()));
        QFile::remove(shareFolder());

        m_prefs->setSheetColumns(6);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 3, timeout);
        fileMatchesImage(view);
        QVERIFY(!button(view, "shareButton")->isHidden());
    }

    void failedFirstRenderLetsTheUserClose()
    {
        m_scripted->failing.insert(4);
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy finished(&view, &QDialog::finished);
        view.show();
        QTRY_VERIFY_WITH_TIMEOUT(button(view, "closeButton")->isEnabled(), timeout);
        QVERIFY(view.image().isNull());
        QVERIFY(!button(view, "copyButton")->isEnabled());
        QVERIFY(!view.findChild<SheetPreview *>()->isSpinning());
        QTest::keyClick(&view, Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
    }

    void saveChoosesTheFormatByExtension_data()
    {
        using F = SheetFiles::SaveFormat;
        QTest::addColumn<QString>("name");
        QTest::addColumn<F>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("signature");
        QTest::newRow("png upper case") << "out.PNG" << F::jpeg << "out.PNG" << pngSignature;
        QTest::newRow("png") << "out.png" << F::png << "out.png" << pngSignature;
        QTest::newRow("jpeg") << "out.jpeg" << F::png << "out.jpeg" << jpegSignature;
        QTest::newRow("tiff") << "out.tiff" << F::jpeg << "out.tiff.jpg" << jpegSignature;
        QTest::newRow("bare name, JPEG chosen") << "out" << F::jpeg << "out.jpg" << jpegSignature;
        QTest::newRow("bare name, PNG chosen") << "out" << F::png << "out.png" << pngSignature;
        QTest::newRow("dotted bare name, PNG chosen") << "v1.2" << F::png << "v1.2.png" << pngSignature;
        QTest::newRow("webp") << "out.WebP" << F::jpeg << "out.WebP" << QByteArray("RIFF");
        QTest::newRow("bare name, WebP chosen") << "out" << F::webp << "out.webp" << QByteArray("RIFF");
    }

    void saveChoosesTheFormatByExtension()
    {
        QFETCH(QString, name);
        QFETCH(SheetFiles::SaveFormat, chosen);
        QFETCH(QString, written);
        QFETCH(QByteArray, signature);
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QTRY_VERIFY_WITH_TIMEOUT(!view.image().isNull(), timeout);
        QTemporaryDir target;
        m_saveAnswer = target.filePath(name);
        m_saveFormat = chosen;
        button(view, "saveButton")->click();

        QCOMPARE(m_proposed, QStringList{m_dir.filePath(QStringLiteral("videos/Holiday Share Image.jpg"))});
        const QString file = target.filePath(written);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), timeout);
        QCOMPARE(head(file, signature.size()), signature);
        const QImage saved(file);
        QCOMPARE(saved.size(), view.image().size());
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{written});
    }

    // WebP stops at 16,383 pixels: a taller sheet is not silently lost.
    void tooTallForWebpSaysSo()
    {
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        view.setHeaderTexts(QString(), QStringLiteral("tall"));
        QTRY_COMPARE_WITH_TIMEOUT(view.image().height(), 17000, timeout);
        QTemporaryDir target;
        m_saveAnswer = target.filePath(QStringLiteral("out.webp"));
        QString told;
        QTimer::singleShot(0, this, [&told] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible()) {
                    told = box->text();
                    box->accept();
                }
            }
        });
        button(view, "saveButton")->click();
        QVERIFY2(told.contains(QStringLiteral("16,383")) && told.contains(QStringLiteral("400 × 17,000")), qPrintable(told));
        settle();
        QVERIFY(QDir(target.path()).isEmpty());
    }

    void cancelledSaveWritesNothing()
    {
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QTRY_VERIFY_WITH_TIMEOUT(!view.image().isNull(), timeout);
        view.save();
        QCOMPARE(m_proposed.size(), 1);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("videos/Holiday Share Image.jpg"))));
        // An unwritable place writes nothing and does not crash.
        m_saveAnswer = QStringLiteral("/proc/no-such-place/x.png");
        view.save();
        QTest::qWait(50);
        QVERIFY(!QFile::exists(m_saveAnswer));
    }

    void turningTheBadgeOffRendersAShorterSheet()
    {
        SheetView view(m_shots, m_video, *m_prefs);
        QSignalSpy rendered(&view, &SheetView::rendered);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 1, timeout);
        const int withBadge = view.image().height();

        m_prefs->setShareBadge(false);
        QTRY_COMPARE_WITH_TIMEOUT(rendered.count(), 2, timeout);
        QCOMPARE(view.image().width(), 2400);
        QCOMPARE(view.image().height(), withBadge - 52);
        fileMatchesImage(view);
        settle();
        QCOMPARE(rendered.count(), 2);
    }

    void keyboardShortcuts()
    {
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        QSignalSpy finished(&view, &QDialog::finished);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTRY_VERIFY_WITH_TIMEOUT(!view.image().isNull(), timeout);
        // A shortcut presses its button visibly, so the click comes a moment later.
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(view.copied(), timeout);
        QTest::keyClick(&view, Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(m_proposed.size(), 1, timeout);
        QTest::keyClick(&view, Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
    }

    void dragOffersTheTemporaryFile()
    {
        SheetView view(m_shots, m_video, *m_prefs, scripted());
        view.resize(900, 600);
        view.show();
        QTRY_VERIFY_WITH_TIMEOUT(!view.image().isNull(), timeout);
        auto *preview = view.findChild<SheetPreview *>();
        const QRect image = preview->imageRect();
        // 400 × 60 fitted into the preview less 28 on every side, centred.
        QCOMPARE(image.width(), preview->width() - 56);
        QVERIFY(qAbs(image.height() - image.width() * 60.0 / 400) <= 1);
        QCOMPARE(image.center().y(), preview->rect().center().y());
        QCOMPARE(preview->dragArea(), image.adjusted(-28, -28, 28, 28));
        QCOMPARE(preview->toolTip(), QStringLiteral("Drag the preview into any app"));

        std::unique_ptr<QMimeData> data(SheetPreview::dragData(view.file()));
        QVERIFY(data);
        QCOMPARE(data->urls(), QList<QUrl>{QUrl::fromLocalFile(*view.file())});
        QVERIFY(data->formats().contains(QStringLiteral("text/uri-list")));
        QVERIFY(!SheetPreview::dragData(std::nullopt));
    }

    // The smooth scaling runs beside the window: right after a resize the
    // preview shows the picture stretched, then sharp once the scaling lands.
    void previewScalesOffTheUiThread()
    {
        SheetPreview preview;
        preview.resize(600, 400);
        preview.setImage(TestSupport::quadrants(4000, 2000));
        const auto quadrantsDrawn = [&] {
            const QImage shown = preview.grab().toImage();
            const QRect r = preview.imageRect();
            const auto at = [&](double x, double y) {
                return shown.pixel(r.left() + int(r.width() * x), r.top() + int(r.height() * y));
            };
            return TestSupport::near(at(0.25, 0.25), qRgb(255, 0, 0), 8)
                && TestSupport::near(at(0.75, 0.25), qRgb(0, 255, 0), 8)
                && TestSupport::near(at(0.25, 0.75), qRgb(0, 0, 255), 8)
                && TestSupport::near(at(0.75, 0.75), qRgb(255, 255, 255), 8);
        };
        QVERIFY(quadrantsDrawn());
        QVERIFY(!preview.isSharp());
        QTRY_VERIFY_WITH_TIMEOUT(preview.isSharp(), timeout);
        preview.resize(800, 500);
        QVERIFY(quadrantsDrawn());
        QVERIFY(!preview.isSharp());
        QTRY_VERIFY_WITH_TIMEOUT(preview.isSharp(), timeout);
        QVERIFY(quadrantsDrawn());
        // A new image drops the old scaling.
        preview.setImage(TestSupport::quadrants(300, 150));
        QVERIFY(!preview.isSharp());
    }
};

QTEST_MAIN(SheetViewTest)
#include "tst_sheetview.moc"
