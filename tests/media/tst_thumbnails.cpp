#include "basics/MemoryPressure.h"
#include "media/Thumbnails.h"
#include "support/TestSupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

namespace {

QCoro::Task<> load(QString file, QSize cover, std::optional<QImage> *out, bool *done)
{
    *out = co_await Thumbnails::image(file, cover);
    *done = true;
}

// Waits at most 5 s for the image of `file` covering `cover`.
std::optional<QImage> imageOf(const QString &file, QSize cover = {})
{
    std::optional<QImage> result;
    bool done = false;
    load(file, cover, &result, &done);
    const QDeadlineTimer deadline(5000);
    while (!done && !deadline.hasExpired())
        QTest::qWait(2);
    if (!done)
        qFatal("thumbnail load did not finish");
    return result;
}

QImage filled(QColor colour, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

} // namespace

class ThumbnailsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void init() { Thumbnails::clear(); }

    void decodesOnceAtThumbnailSize()
    {
        const QString file = m_dir.filePath("big.jpg");
        QVERIFY(filled(Qt::red, 1920, 1080).save(file, "JPEG", 95));
        QVERIFY(!Thumbnails::lookup(file));
        const auto first = imageOf(file);
        QVERIFY(first);
        QCOMPARE(first->size(), QSize(480, 270));
        QVERIFY(TestSupport::near(first->pixel(240, 135), qRgb(255, 0, 0), 8));
        QCOMPARE(Thumbnails::count(), 1);
        // With the file gone only the cache can answer.
        QVERIFY(QFile::remove(file));
        const auto second = imageOf(file);
        QVERIFY(second);
        QCOMPARE(second->size(), QSize(480, 270));
        QVERIFY(Thumbnails::lookup(file));
    }

    void failuresAreNotCached()
    {
        const QString file = m_dir.filePath("later.jpg");
        QVERIFY(!imageOf(file));
        QCOMPARE(Thumbnails::count(), 0);
        QVERIFY(TestSupport::writeFile(file, "not an image"));
        QVERIFY(!imageOf(file));
        QCOMPARE(Thumbnails::count(), 0);
        // Once the file is there, the next request decodes it.
        QVERIFY(filled(Qt::blue, 64, 32).save(file, "JPEG"));
        const auto image = imageOf(file);
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(64, 32));
    }

    void clearingDecodesAgain()
    {
        const QString file = m_dir.filePath("swap.jpg");
        QVERIFY(filled(Qt::green, 40, 40).save(file, "JPEG", 95));
        QVERIFY(imageOf(file));
        QVERIFY(filled(Qt::blue, 40, 40).save(file, "JPEG", 95));
        QVERIFY(TestSupport::near(imageOf(file)->pixel(20, 20), qRgb(0, 255, 0), 12));
        Thumbnails::clear();
        QCOMPARE(Thumbnails::count(), 0);
        QVERIFY(!Thumbnails::lookup(file));
        QVERIFY(TestSupport::near(imageOf(file)->pixel(20, 20), qRgb(0, 0, 255), 12));
    }

    void keepsTheSizeCellsDraw()
    {
        const QString file = m_dir.filePath("cell.jpg");
        QVERIFY(filled(Qt::red, 480, 270).save(file, "JPEG", 95));
        QCOMPARE(imageOf(file, QSize(200, 113))->size(), QSize(201, 113));
        QVERIFY(Thumbnails::holds(file, QSize(200, 113)));
        QVERIFY(!Thumbnails::holds(file, QSize(400, 225)));
        QVERIFY(!Thumbnails::holds(file, QSize()));
        // A larger cell replaces the entry; a smaller one then reuses it.
        QCOMPARE(imageOf(file, QSize(400, 225))->size(), QSize(400, 225));
        QCOMPARE(imageOf(file, QSize(100, 56))->size(), QSize(400, 225));
        QCOMPARE(Thumbnails::count(), 1);
        QCOMPARE(Thumbnails::bytes(), 400 * 225 * 4);
        // A picture smaller than the cell is as large as it gets.
        const QString small = m_dir.filePath("small.jpg");
        QVERIFY(filled(Qt::blue, 64, 32).save(small, "JPEG"));
        QCOMPARE(imageOf(small, QSize(300, 300))->size(), QSize(64, 32));
        QVERIFY(Thumbnails::holds(small, QSize(600, 600)));
    }

    // Two views ask for one file at once, the larger first: the smaller
    // decode ends last and must not replace the larger picture.
    void aSmallerDecodeNeverReplacesALargerOne()
    {
        const QString file = m_dir.filePath("both.jpg");
        QVERIFY(filled(Qt::green, 480, 270).save(file, "JPEG", 95));
        QThreadPool *pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);  // decodes run one after another, in order
        std::optional<QImage> large, small;
        bool largeDone = false, smallDone = false;
        load(file, QSize(400, 225), &large, &largeDone);
        load(file, QSize(64, 36), &small, &smallDone);
        const QDeadlineTimer deadline(5000);
        while (!(largeDone && smallDone) && !deadline.hasExpired())
            QTest::qWait(2);
        pool->setMaxThreadCount(threads);
        QVERIFY(largeDone && smallDone);
        QCOMPARE(large->size(), QSize(400, 225));
        QVERIFY(Thumbnails::holds(file, QSize(400, 225)));
        QCOMPARE(Thumbnails::lookup(file)->size(), QSize(400, 225));
    }

    void holdsAtMostItsBytesAndGivesThemBack()
    {
        const QImage thumb = filled(Qt::white, 480, 270);
        const qint64 each = thumb.sizeInBytes();
        const int files = int(Thumbnails::maxBytes / each) + 8;
        for (int i = 0; i < files; ++i) {
            const QString file = m_dir.filePath(QStringLiteral("t%1.jpg").arg(i));
            QVERIFY(thumb.save(file, "JPEG"));
            QVERIFY(imageOf(file));
        }
        QCOMPARE(Thumbnails::count(), int(Thumbnails::maxBytes / each));
        const QString newest = m_dir.filePath(QStringLiteral("t%1.jpg").arg(files - 1));
        QVERIFY(Thumbnails::lookup(newest));
        QVERIFY(!Thumbnails::lookup(m_dir.filePath("t0.jpg")));

        // A shortage read from the system keeps a quarter, the newest.
        const QString meminfo = m_dir.filePath("meminfo");
        MemoryWatch watch(1000, meminfo);
        connect(&watch, &MemoryWatch::low, [] { Thumbnails::relieve(); });
        QVERIFY(TestSupport::writeFile(meminfo, "MemTotal:       16000000 kB\nMemFree:  1 kB\n"
                                                "MemAvailable:    2000000 kB\n"));
        watch.check();
        QCOMPARE(Thumbnails::count(), int(Thumbnails::maxBytes / each));
        QVERIFY(TestSupport::writeFile(meminfo, "MemTotal:       16000000 kB\nMemAvailable:     400000 kB\n"));
        watch.check();
        QCOMPARE(Thumbnails::count(), int(Thumbnails::maxBytes / each) / 4);
        QVERIFY(Thumbnails::lookup(newest));
    }

    void shortageThresholds_data()
    {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<int>("verdict"); // -1 unreadable, 0 enough, 1 short
        QTest::newRow("2 GB, 300 MB free") << QByteArray("MemTotal: 2000000 kB\nMemAvailable: 300000 kB\n") << 0;
        QTest::newRow("2 GB, 150 MB free") << QByteArray("MemTotal: 2000000 kB\nMemAvailable: 150000 kB\n") << 1;
        QTest::newRow("64 GB, 600 MB free") << QByteArray("MemAvailable: 600000 kB\nMemTotal: 64000000 kB") << 0;
        QTest::newRow("64 GB, 500 MB free") << QByteArray("MemTotal: 64000000 kB\nMemAvailable: 500000 kB") << 1;
        QTest::newRow("old kernel") << QByteArray("MemTotal: 2000000 kB\nMemFree: 1 kB\n") << -1;
        QTest::newRow("prefix only") << QByteArray("MemTotalX: 2 kB\nMemAvailable: 1 kB\n") << -1;
    }

    void shortageThresholds()
    {
        QFETCH(QByteArray, meminfo);
        QFETCH(int, verdict);
        const auto info = MemoryPressure::parse(meminfo);
        QCOMPARE(info ? int(MemoryPressure::isShort(*info)) : -1, verdict);
    }
};

QTEST_GUILESS_MAIN(ThumbnailsTest)
#include "tst_thumbnails.moc"
