#include "media/ImageFiles.h"
#include "support/TestSupport.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

#include <cerrno>

#include <turbojpeg.h>

namespace {

// The colours at the centres of the four quadrants, top-left, top-right,
// bottom-left, bottom-right.
QList<QRgb> quadrantColours(const QImage &image)
{
    const int x = image.width() / 4, y = image.height() / 4;
    return {image.pixel(x, y), image.pixel(3 * x, y), image.pixel(x, 3 * y), image.pixel(3 * x, 3 * y)};
}

bool nearAll(const QList<QRgb> &actual, const QList<QRgb> &expected, int tolerance)
{
    for (qsizetype i = 0; i < expected.size(); ++i)
        if (!TestSupport::near(actual[i], expected[i], tolerance))
            return false;
    return true;
}

constexpr QRgb red = 0xffff0000, green = 0xff00ff00, blue = 0xff0000ff, white = 0xffffffff;

} // namespace

class ImageFilesTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void names_data()
    {
        QTest::addColumn<qint64>("id");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("thumb");
        QTest::newRow("0 jpg") << qint64(0) << int(ShotFormat::jpg) << "0000.jpg" << "0000_thumb.jpg";
        QTest::newRow("7 jpg") << qint64(7) << int(ShotFormat::jpg) << "0007.jpg" << "0007_thumb.jpg";
        QTest::newRow("1999 png") << qint64(1999) << int(ShotFormat::png) << "1999.png" << "1999_thumb.jpg";
        QTest::newRow("five digits") << qint64(12345) << int(ShotFormat::png) << "12345.png" << "12345_thumb.jpg";
    }
    void names()
    {
        QFETCH(qint64, id);
        QFETCH(int, format);
        QFETCH(QString, file);
        QFETCH(QString, thumb);
        QCOMPARE(ImageFiles::shotFileName(id, ShotFormat(format)), file);
        QCOMPARE(ImageFiles::thumbFileName(id), thumb);
    }

    void scaledSizes_data()
    {
        QTest::addColumn<QSize>("in");
        QTest::addColumn<QSize>("out");
        QTest::newRow("landscape") << QSize(1920, 1080) << QSize(480, 270);
        QTest::newRow("portrait") << QSize(1080, 1920) << QSize(270, 480);
        QTest::newRow("4:3") << QSize(1440, 1080) << QSize(480, 360);
        QTest::newRow("truncated, not rounded") << QSize(1921, 1081) << QSize(480, 270);
        QTest::newRow("raised to one") << QSize(5000, 10) << QSize(480, 1);
        QTest::newRow("never enlarged") << QSize(400, 300) << QSize(400, 300);
    }
    void scaledSizes()
    {
        QFETCH(QSize, in);
        QFETCH(QSize, out);
        QCOMPARE(ImageFiles::scaledSize(in, 480), out);
        QImage source(in, QImage::Format_RGB32);
        source.fill(Qt::gray);
        const QImage result = ImageFiles::scaled(source, 480);
        QCOMPARE(result.size(), out);
        QCOMPARE(result.format(), QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(result.colorSpace(), QColorSpace(QColorSpace::SRgb));
        QVERIFY(TestSupport::near(result.pixel(out.width() / 2, out.height() / 2), qRgb(160, 160, 164), 1));
    }

    void scaledKeepsColoursInPlace()
    {
        const QImage result = ImageFiles::scaled(TestSupport::quadrants(1920, 1080), 480);
        QVERIFY(TestSupport::near(result.pixel(60, 60), qRgb(255, 0, 0), 2));
        QVERIFY(TestSupport::near(result.pixel(420, 60), qRgb(0, 255, 0), 2));
        QVERIFY(TestSupport::near(result.pixel(60, 210), qRgb(0, 0, 255), 2));
        QVERIFY(TestSupport::near(result.pixel(420, 210), qRgb(255, 255, 255), 2));
    }

    void scaledOfNothingIsNothing()
    {
        QVERIFY(ImageFiles::scaled(QImage(), 480).isNull());
    }

    void shotFilesRoundTripColours_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("jpg") << int(ShotFormat::jpg) << 6;
        QTest::newRow("png") << int(ShotFormat::png) << 0;
        QTest::newRow("webp") << int(ShotFormat::webp) << 8;
    }
    void shotFilesRoundTripColours()
    {
        QFETCH(int, format);
        QFETCH(int, tolerance);
        const QImage frame = TestSupport::quadrants(1920, 1080);
        const QImage thumb = ImageFiles::scaled(frame, ImageFiles::thumbnailSide);
        const auto written = ImageFiles::writeShot(frame, thumb, 7, m_dir.path(), ShotFormat(format), 0.9);
        QVERIFY(written);
        const ImageFiles::ShotFiles files = *written;
        QCOMPARE(QFileInfo(files.file).fileName(), ImageFiles::shotFileName(7, ShotFormat(format)));
        QCOMPARE(QFileInfo(files.thumbFile).fileName(), "0007_thumb.jpg");

        QImageReader fullReader(files.file);
        QCOMPARE(QString::fromLatin1(fullReader.format()), format == int(ShotFormat::png) ? "png"
                                                           : format == int(ShotFormat::webp) ? "webp"
                                                                                             : "jpeg");
        const QImage full = fullReader.read();
        QCOMPARE(full.size(), QSize(1920, 1080));
        QVERIFY(TestSupport::near(full.pixel(100, 100), qRgb(255, 0, 0), tolerance));
        QVERIFY(TestSupport::near(full.pixel(1800, 100), qRgb(0, 255, 0), tolerance));
        QVERIFY(TestSupport::near(full.pixel(100, 1000), qRgb(0, 0, 255), tolerance));
        QVERIFY(TestSupport::near(full.pixel(1800, 1000), qRgb(255, 255, 255), tolerance));

        QImageReader thumbReader(files.thumbFile);
        QCOMPARE(thumbReader.format(), QByteArray("jpeg"));
        const QImage small = thumbReader.read();
        QCOMPARE(small.size(), QSize(480, 270));
        QVERIFY(TestSupport::near(small.pixel(40, 40), qRgb(255, 0, 0), 8));
        QVERIFY(TestSupport::near(small.pixel(440, 230), qRgb(255, 255, 255), 8));
    }

    // The highest quality asks for every detail: lossless WebP gives the
    // frame back exactly; below it, lossy WebP is far smaller.
    void webpIsLosslessAtFullQuality()
    {
        const QImage frame = TestSupport::quadrants(640, 360).convertToFormat(QImage::Format_RGB32);
        const QString lossless = m_dir.filePath("lossless.webp");
        const QString lossy = m_dir.filePath("lossy.webp");
        QVERIFY(ImageFiles::writeWebp(frame, lossless, 1.0));
        QVERIFY(ImageFiles::writeWebp(frame, lossy, 0.9));
        QCOMPARE(QImage(lossless).convertToFormat(QImage::Format_RGB32), frame);
        QVERIFY(QImage(lossy).convertToFormat(QImage::Format_RGB32) != frame);
        MediaError error;
        QVERIFY(!ImageFiles::writeWebp(QImage(20000, 2, QImage::Format_RGB32), m_dir.filePath("wide.webp"), 0.9, &error));
        QVERIFY(!QFileInfo::exists(m_dir.filePath("wide.webp")));
    }

    void jpegQualityChangesTheFile()
    {
        QImage noise(640, 360, QImage::Format_RGB32);
        quint32 seed = 1;
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                noise.setPixel(x, y, seed >> 8);
            }
        const QString low = m_dir.filePath("low.jpg");
        const QString high = m_dir.filePath("high.jpg");
        QVERIFY(ImageFiles::writeJpeg(noise, low, 0.3));
        QVERIFY(ImageFiles::writeJpeg(noise, high, 1.0));
        QVERIFY(QFileInfo(high).size() > 2 * QFileInfo(low).size());
    }

    void writingLeavesNoPartialFiles()
    {
        const QString missingFolder = m_dir.filePath("does-not-exist/0001.jpg");
        MediaError error;
        QVERIFY(!ImageFiles::writeJpeg(TestSupport::quadrants(64, 64), missingFolder, 0.9, &error));
        QVERIFY(!QFileInfo::exists(missingFolder));
        QCOMPARE(error.step, MediaError::Step::write);
        QCOMPARE(error.file, missingFolder);
        QCOMPARE(error.code, ENOENT);
        QVERIFY2(error.reason.startsWith("cannot create"), qPrintable(error.reason));
        // A shot names the file that failed, whichever format.
        error = {};
        QVERIFY(!ImageFiles::writeShot(TestSupport::quadrants(64, 64), TestSupport::quadrants(32, 32), 4,
                                       m_dir.filePath("gone"), ShotFormat::png, 0.9, &error));
        QCOMPARE(error.file, m_dir.filePath("gone/0004.png"));
        QCOMPARE(error.code, ENOENT);

        // A failed write never leaves a temporary file behind either.
        QDir dir(m_dir.path());
        const QString target = m_dir.filePath("0002.jpg");
        QVERIFY(!ImageFiles::writeJpeg(QImage(), target, 0.9, &error));
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(error.text(), "write failed: no image to encode in " + target);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!name.startsWith("0002"), qPrintable(name));
    }

    void writingReplacesAnExistingShotFile()
    {
        const QString path = m_dir.filePath("0003.jpg");
        QVERIFY(TestSupport::writeFile(path, "old"));
        QVERIFY(ImageFiles::writeJpeg(TestSupport::quadrants(64, 64), path, 0.9));
        QCOMPARE(QImageReader(path).size(), QSize(64, 64));
    }

    void thumbnailOfAMissingFileIsNone()
    {
        QVERIFY(!ImageFiles::thumbnail(m_dir.filePath("nothing.jpg"), 480));
        const QString garbage = m_dir.filePath("garbage.jpg");
        QVERIFY(TestSupport::writeFile(garbage, "not an image at all"));
        QVERIFY(!ImageFiles::thumbnail(garbage, 480));
    }

    void thumbnailDecodesScaled_data()
    {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<double>("maxPixel");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("1080p to 480") << QSize(1920, 1080) << 480.0 << QSize(480, 270);
        QTest::newRow("fraction rounds up") << QSize(1920, 1080) << 479.2 << QSize(480, 270);
        QTest::newRow("never enlarged") << QSize(320, 200) << 480.0 << QSize(320, 200);
    }
    void thumbnailDecodesScaled()
    {
        QFETCH(QSize, stored);
        QFETCH(double, maxPixel);
        QFETCH(QSize, expected);
        const QString path = m_dir.filePath(QStringLiteral("t%1.jpg").arg(stored.width()));
        QVERIFY(ImageFiles::writeJpeg(TestSupport::quadrants(stored.width(), stored.height()), path, 0.9));
        const auto image = ImageFiles::thumbnail(path, maxPixel);
        QVERIFY(image);
        QCOMPARE(image->size(), expected);
    }

    void thumbnailAppliesExifOrientation()
    {
        // A landscape picture stored with "rotate 90° clockwise" comes out portrait.
        const QString path = m_dir.filePath("rotated.jpg");
        QImageWriter writer(path, "jpeg");
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(writer.write(TestSupport::quadrants(960, 540)));
        const auto image = ImageFiles::thumbnail(path, 480);
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(270, 480));
        // The top-left quadrant (red) is now top-right.
        QVERIFY(TestSupport::near(image->pixel(230, 40), qRgb(255, 0, 0), 12));
    }

    void coveringSizes_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("cover");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("4K into a 3600 px sheet cell") << QSize(3840, 2160) << QSize(842, 474) << QSize(843, 474);
        QTest::newRow("exact ratio stays whole") << QSize(1920, 1080) << QSize(480, 270) << QSize(480, 270);
        QTest::newRow("portrait cell") << QSize(1920, 1080) << QSize(474, 842) << QSize(1497, 842);
        QTest::newRow("never enlarged") << QSize(1920, 1080) << QSize(2000, 100) << QSize(1920, 1080);
        QTest::newRow("sliver keeps a pixel") << QSize(5000, 10) << QSize(480, 1) << QSize(500, 1);
        QTest::newRow("no cover") << QSize(1920, 1080) << QSize(0, 0) << QSize(1920, 1080);
    }
    void coveringSizes()
    {
        QFETCH(QSize, image);
        QFETCH(QSize, cover);
        QFETCH(QSize, expected);
        QCOMPARE(ImageFiles::coveringSize(image, cover), expected);
    }

    // JPEG shots come out at the smallest n/8 reduction that still covers the
    // cell; other formats at exactly the covering size.
    void decodeCoveringSizes_data()
    {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QSize>("cover");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("4K, 3600 px sheet: 1/4") << QSize(3840, 2160) << "jpg" << QSize(842, 474) << QSize(960, 540);
        QTest::newRow("4K, 2400 px sheet: 1/8 too small") << QSize(3840, 2160) << "jpg" << QSize(561, 316) << QSize(960, 540);
        QTest::newRow("4K, small cell: 1/8") << QSize(3840, 2160) << "jpg" << QSize(400, 225) << QSize(480, 270);
        QTest::newRow("1080p: 3/8") << QSize(1920, 1080) << "jpg" << QSize(561, 316) << QSize(720, 405);
        QTest::newRow("1080p: exactly 1/4") << QSize(1920, 1080) << "jpg" << QSize(480, 270) << QSize(480, 270);
        QTest::newRow("1080p, portrait cell: 7/8") << QSize(1920, 1080) << "jpg" << QSize(474, 842) << QSize(1680, 945);
        QTest::newRow("smaller than the cell") << QSize(640, 360) << "jpg" << QSize(842, 474) << QSize(640, 360);
        QTest::newRow("png scaled smoothly") << QSize(1920, 1080) << "png" << QSize(842, 474) << QSize(843, 474);
    }
    void decodeCoveringSizes()
    {
        QFETCH(QSize, stored);
        QFETCH(QString, format);
        QFETCH(QSize, cover);
        QFETCH(QSize, expected);
        const QString path = m_dir.filePath(QStringLiteral("cover%1.%2").arg(stored.width()).arg(format));
        const QImage picture = TestSupport::quadrants(stored.width(), stored.height());
        QVERIFY(format == "png" ? ImageFiles::writePng(picture, path) : ImageFiles::writeJpeg(picture, path, 0.9));
        const auto image = ImageFiles::decodeCovering(path, cover);
        QVERIFY(image);
        QCOMPARE(image->size(), expected);
        QVERIFY(nearAll(quadrantColours(*image), {red, green, blue, white}, 12));
        if (format == "jpg") {
            QCOMPARE(image->format(), QImage::Format_RGB32);
            QCOMPARE(qAlpha(image->pixel(0, 0)), 255);
        }
    }

    void decodeCoveringAppliesExifOrientation_data()
    {
        QTest::addColumn<int>("transformation");
        QTest::addColumn<QSize>("cover");
        QTest::addColumn<QSize>("expected");
        QTest::addColumn<QList<QRgb>>("colours"); // top-left, top-right, bottom-left, bottom-right
        using T = QImageIOHandler;
        QTest::newRow("none") << int(T::TransformationNone) << QSize(480, 270) << QSize(480, 270)
                              << QList<QRgb>{red, green, blue, white};
        QTest::newRow("mirror") << int(T::TransformationMirror) << QSize(480, 270) << QSize(480, 270)
                                << QList<QRgb>{green, red, white, blue};
        QTest::newRow("flip") << int(T::TransformationFlip) << QSize(480, 270) << QSize(480, 270)
                              << QList<QRgb>{blue, white, red, green};
        QTest::newRow("rotate 180") << int(T::TransformationRotate180) << QSize(480, 270) << QSize(480, 270)
                                    << QList<QRgb>{white, blue, green, red};
        // Turned pictures are reduced by their upright size: a portrait cell
        // of 270 × 480 needs the stored 960 × 540 only halved.
        QTest::newRow("rotate 90") << int(T::TransformationRotate90) << QSize(270, 480) << QSize(270, 480)
                                   << QList<QRgb>{blue, red, white, green};
        QTest::newRow("rotate 270") << int(T::TransformationRotate270) << QSize(270, 480) << QSize(270, 480)
                                    << QList<QRgb>{green, white, red, blue};
    }
    void decodeCoveringAppliesExifOrientation()
    {
        QFETCH(int, transformation);
        QFETCH(QSize, cover);
        QFETCH(QSize, expected);
        QFETCH(QList<QRgb>, colours);
        const QString path = m_dir.filePath(QStringLiteral("oriented%1.jpg").arg(transformation));
        QImageWriter writer(path, "jpeg");
        writer.setTransformation(QImageIOHandler::Transformations(transformation));
        QVERIFY(writer.write(TestSupport::quadrants(960, 540)));
        const auto image = ImageFiles::decodeCovering(path, cover);
        QVERIFY(image);
        QCOMPARE(image->size(), expected);
        QVERIFY(nearAll(quadrantColours(*image), colours, 12));
    }

    void decodeCoveringOfNothingIsNone()
    {
        QVERIFY(!ImageFiles::decodeCovering(m_dir.filePath("nothing.jpg"), QSize(480, 270)));
        const QString garbage = m_dir.filePath("garbage.jpg");
        QVERIFY(TestSupport::writeFile(garbage, "not an image at all"));
        QVERIFY(!ImageFiles::decodeCovering(garbage, QSize(480, 270)));
        const QString empty = m_dir.filePath("empty.jpg");
        QVERIFY(TestSupport::writeFile(empty, QByteArray()));
        QVERIFY(!ImageFiles::decodeCovering(empty, QSize(480, 270)));
    }

    // A shot file cut short still shows what arrived, as viewers show it.
    void decodeCoveringOfATruncatedJpeg()
    {
        const QString whole = m_dir.filePath("whole.jpg");
        QVERIFY(ImageFiles::writeJpeg(TestSupport::quadrants(1920, 1080), whole, 0.9));
        QFile file(whole);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString cut = m_dir.filePath("cut.jpg");
        QVERIFY(TestSupport::writeFile(cut, file.readAll().first(file.size() / 3)));
        const auto image = ImageFiles::decodeCovering(cut, QSize(480, 270));
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(480, 270));
        QVERIFY(TestSupport::near(image->pixel(60, 30), red, 12));
    }

    // TurboJPEG cannot turn CMYK into RGB; Qt's reader takes over.
    void decodeCoveringOfACmykJpeg()
    {
        const int w = 640, h = 360;
        QByteArray cmyk(w * h * 4, '\0'); // no ink anywhere: white
        unsigned char *jpeg = nullptr;
        unsigned long size = 0;
        tjhandle compressor = tjInitCompress();
        QVERIFY(compressor);
        const int status = tjCompress2(compressor, reinterpret_cast<const unsigned char *>(cmyk.constData()), w,
                                       w * 4, h, TJPF_CMYK, &jpeg, &size, TJSAMP_444, 90, 0);
        tjDestroy(compressor);
        QCOMPARE(status, 0);
        const QString path = m_dir.filePath("cmyk.jpg");
        const bool written = TestSupport::writeFile(path, QByteArray(reinterpret_cast<const char *>(jpeg), qsizetype(size)));
        tjFree(jpeg);
        QVERIFY(written);
        const auto image = ImageFiles::decodeCovering(path, QSize(320, 180));
        QVERIFY(image);
        QCOMPARE(image->size(), QSize(320, 180));
    }
};

QTEST_GUILESS_MAIN(ImageFilesTest)
#include "tst_imagefiles.moc"
