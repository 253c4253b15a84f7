#include "media/Thumbnails.h"
#include "support/TestSupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QCoro::Task<> load(QString file, std::optional<QImage> *out, bool *done)
{
    *out = co_await Thumbnails::image(file);
    *done = true;
}

// Waits at most 5 s for the image of `file`.
std::optional<QImage> imageOf(const QString &file)
{
    std::optional<QImage> result;
    bool done = false;
    load(file, &result, &done);
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

    void holdsAtMostTheLimit()
    {
        const QImage tiny = filled(Qt::white, 4, 4);
        for (int i = 0; i <= Thumbnails::maxEntries; ++i) {
            const QString file = m_dir.filePath(QStringLiteral("t%1.jpg").arg(i));
            QVERIFY(tiny.save(file, "JPEG"));
            QVERIFY(imageOf(file));
        }
        QCOMPARE(Thumbnails::count(), Thumbnails::maxEntries);
        // The newest entry is kept.
        QVERIFY(Thumbnails::lookup(m_dir.filePath(QStringLiteral("t%1.jpg").arg(Thumbnails::maxEntries))));
    }
};

QTEST_GUILESS_MAIN(ThumbnailsTest)
#include "tst_thumbnails.moc"
