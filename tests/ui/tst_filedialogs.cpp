#include "support/TestSupport.h"
#include "ui/FileDialogs.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs `act` on the file dialog once it is open, polling for at most 5 s;
// rejects it if `act` leaves it open so that a failing check can never leave
// exec() waiting.
class WhenOpen : public QObject {
public:
    explicit WhenOpen(std::function<void(QFileDialog *)> act)
        : m_act(std::move(act))
        , m_deadline(5000)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

private:
    void poll()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (m_deadline.hasExpired())
                m_timer.stop();
            return;
        }
        m_timer.stop();
        m_act(dialog);
        if (dialog->isVisible())
            dialog->reject();
    }

    std::function<void(QFileDialog *)> m_act;
    QDeadlineTimer m_deadline;
    QTimer m_timer;
};

} // namespace

class FileDialogsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath("start/inner"));
    }

    void exportFolderPanel()
    {
        const QString message = "Choose a folder. A “Holiday Screenshots” folder will be created inside it.";
        QString title, accept, directory;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        bool dirsOnly = false;
        const QString wanted = m_dir.filePath("start/inner");
        WhenOpen driver([&](QFileDialog *dialog) {
            title = dialog->windowTitle();
            accept = dialog->labelText(QFileDialog::Accept);
            directory = dialog->directory().absolutePath();
            mode = dialog->fileMode();
            dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
            dialog->setDirectory(wanted);
            static_cast<QDialog *>(dialog)->accept(); // as the confirm button does
        });
        FileDialogs dialogs;
        const std::optional<QString> chosen = dialogs.chooseExportFolder(message, m_dir.filePath("start"));
        QCOMPARE(title, message);
        QCOMPARE(accept, QStringLiteral("Export Here"));
        QCOMPARE(directory, m_dir.filePath("start"));
        QCOMPARE(mode, QFileDialog::Directory);
        QVERIFY(dirsOnly);
        QCOMPARE(chosen, std::optional<QString>(wanted));
    }

    void cancellingTheExportPanelGivesNothing()
    {
        WhenOpen driver([](QFileDialog *dialog) { dialog->reject(); });
        FileDialogs dialogs;
        QCOMPARE(dialogs.chooseExportFolder("message", m_dir.path()), std::nullopt);
    }

    void videoPanel()
    {
        const QString a = m_dir.filePath("a clip.mp4");
        const QString b = m_dir.filePath("IMG_0001.MOV");
        QVERIFY(TestSupport::writeFile(a, "a"));
        QVERIFY(TestSupport::writeFile(b, "b"));
        QStringList filters;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        WhenOpen driver([&](QFileDialog *dialog) {
            filters = dialog->nameFilters();
            mode = dialog->fileMode();
            dialog->setDirectory(m_dir.path());
            // Typed into the name field as a user does: selectFile() leaves
            // that field alone once it has focus, which it has whenever the
            // application already had an active window (any earlier panel).
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText("\"a clip.mp4\" \"IMG_0001.MOV\"");
            static_cast<QDialog *>(dialog)->accept(); // as the confirm button does
        });
        FileDialogs dialogs;
        const QList<QUrl> urls = dialogs.chooseVideos();
        QCOMPARE(mode, QFileDialog::ExistingFiles);
        QCOMPARE(filters,
                 (QStringList{"Videos (*.mp4 *.MP4 *.mov *.MOV *.m4v *.M4V *.mkv *.MKV *.avi *.AVI "
                              "*.webm *.WEBM *.mpg *.MPG *.mpeg *.MPEG *.ts *.TS *.m2ts *.M2TS *.wmv *.WMV "
                              "*.flv *.FLV *.ogv *.OGV *.3gp *.3GP)",
                              "All files (*)"}));
        QCOMPARE(urls, (QList<QUrl>{QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}));
    }
};

QTEST_MAIN(FileDialogsTest)
#include "tst_filedialogs.moc"
