#include "media/ImageFiles.h"
#include "share/SheetRenderer.h"
#include "share/SheetText.h"
#include "support/TestSupport.h"

#include <QColorSpace>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

namespace {

VideoInfo hdVideo(const QString &name = QStringLiteral("Holiday.mp4"))
{
    VideoInfo info;
    info.url = QUrl::fromLocalFile(QStringLiteral("/videos/") + name);
    info.duration = 125.4;
    info.size = QSizeF(1920, 1080);
    info.fps = 25;
    info.fileSize = 48'300'000;
    return info;
}

int grey(QRgb pixel)
{
    return qGreen(pixel);
}

bool isOpaque(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}

// Pixels in `area` that differ from `background` by more than a trace.
int ink(const QImage &image, const QRect &area, QRgb background)
{
    int count = 0;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            if (!TestSupport::near(image.pixel(x, y), background, 8))
                ++count;
    return count;
}

// Length of the run of pixels near `colour` that ends at or just before
// (right, y), scanning leftwards.
int runLeftOf(const QImage &image, int right, int y, QRgb colour)
{
    int x = right;
    while (x > right - 8 && !TestSupport::near(image.pixel(x, y), colour, 4))
        --x;
    int length = 0;
    while (x >= 0 && TestSupport::near(image.pixel(x, y), colour, 4)) {
        ++length;
        --x;
    }
    return length;
}

constexpr QRgb darkBackground = 0xff121212; // grey 0.07
constexpr QRgb lightBackground = 0xfff7f7f7; // grey 0.97

} // namespace

class SheetRendererTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString solid(const QString &name, QColor colour, QSize size = QSize(1920, 1080))
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = m_dir.filePath(name);
        if (!ImageFiles::writeJpeg(image, path, 0.95))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QList<Shot> shotsOf(const QString &file, int count)
    {
        QList<Shot> shots;
        for (int i = 0; i < count; ++i)
            shots.append(Shot{i, 10.0 * i, file, QString(), {}});
        return shots;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void sizeFormatAndOpacity_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QSize>("size");
        QTest::newRow("1600 dark") << 1600 << true << QSize(1600, 845);
        QTest::newRow("2400 light") << 2400 << false << QSize(2400, 1272);
        QTest::newRow("3600 dark") << 3600 << true << QSize(3600, 1908);
    }
    void sizeFormatAndOpacity()
    {
        QFETCH(int, width);
        QFETCH(bool, dark);
        QFETCH(QSize, size);
        SheetOptions options;
        options.width = width;
        options.dark = dark;
        const auto sheet = SheetRenderer::render(shotsOf(solid("white.jpg", Qt::white), 12), hdVideo(), options);
        QVERIFY(sheet);
        QCOMPARE(sheet->size(), size);
        QCOMPARE(sheet->format(), QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(sheet->colorSpace(), QColorSpace(QColorSpace::SRgb));
        QVERIFY(isOpaque(*sheet));
        QCOMPARE(sheet->pixel(1, 1), dark ? darkBackground : lightBackground);
    }

    void nothingToDraw_data()
    {
        QTest::addColumn<int>("shots");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("columns");
        QTest::newRow("no shots") << 0 << 2400 << 4;
        QTest::newRow("zero width") << 3 << 0 << 4;
        QTest::newRow("negative width") << 3 << -1 << 4;
        QTest::newRow("one pixel per cell impossible") << 12 << 3 << 4;
        QTest::newRow("too large to allocate") << 3 << std::numeric_limits<int>::max() << 4;
        QTest::newRow("too tall") << 2000 << 3600 << 1;
    }
    void nothingToDraw()
    {
        QFETCH(int, shots);
        QFETCH(int, width);
        QFETCH(int, columns);
        SheetOptions options;
        options.width = width;
        options.columns = columns;
        QVERIFY(!SheetRenderer::render(shotsOf(m_dir.filePath("missing.jpg"), shots), hdVideo(), options));
    }

    // Each shot lands in its own cell, in list order, although the decodes
    // run in parallel.
    void cellsInListOrder()
    {
        QList<Shot> shots;
        QList<QColor> colours;
        for (int i = 0; i < 12; ++i) {
            colours.append(QColor::fromHsv(i * 30, 255, 220));
            shots.append(Shot{i, double(i), solid(QStringLiteral("hue%1.jpg").arg(i), colours.last(), QSize(640, 360)), QString(), {}});
        }
        const auto sheet = SheetRenderer::render(shots, hdVideo(), SheetOptions{});
        QVERIFY(sheet);
        const SheetLayout l = SheetLayout::compute(12, QSizeF(1920, 1080), SheetOptions{});
        for (int i = 0; i < 12; ++i) {
            const QRgb centre = sheet->pixel(l.cell(i).center());
            QVERIFY2(TestSupport::near(centre, colours[i].rgb(), 6),
                     qPrintable(QStringLiteral("cell %1: %2").arg(i).arg(centre, 0, 16)));
        }
    }

    // Quadrants of a matching video stay where they are; a square picture in
    // a 16:9 cell covers the width and loses its top and bottom.
    void aspectFill()
    {
        QImage quads = TestSupport::quadrants(1920, 1080);
        const QString quadFile = m_dir.filePath("quads.jpg");
        QVERIFY(ImageFiles::writeJpeg(quads, quadFile, 0.95));
        // Square: black bands over the top and bottom fifth, left half red,
        // right half blue.
        QImage square(1000, 1000, QImage::Format_RGB32);
        square.fill(Qt::black);
        {
            QPainter p(&square);
            p.fillRect(0, 200, 500, 600, Qt::red);
            p.fillRect(500, 200, 500, 600, Qt::blue);
        }
        const QString squareFile = m_dir.filePath("square.jpg");
        QVERIFY(ImageFiles::writeJpeg(square, squareFile, 0.95));

        SheetOptions options;
        options.showTime = false;
        options.columns = 2;
        const QList<Shot> shots{Shot{0, 0, quadFile, {}, {}}, Shot{1, 1, squareFile, {}, {}}};
        const auto sheet = SheetRenderer::render(shots, hdVideo(), options);
        QVERIFY(sheet);
        const SheetLayout l = SheetLayout::compute(2, QSizeF(1920, 1080), options);
        const QRect a = l.cell(0);
        const int qx = a.width() / 4, qy = a.height() / 4;
        QVERIFY(TestSupport::near(sheet->pixel(a.x() + qx, a.y() + qy), qRgb(255, 0, 0), 8));
        QVERIFY(TestSupport::near(sheet->pixel(a.x() + 3 * qx, a.y() + qy), qRgb(0, 255, 0), 8));
        QVERIFY(TestSupport::near(sheet->pixel(a.x() + qx, a.y() + 3 * qy), qRgb(0, 0, 255), 8));
        QVERIFY(TestSupport::near(sheet->pixel(a.x() + 3 * qx, a.y() + 3 * qy), qRgb(255, 255, 255), 8));
        const QRect b = l.cell(1);
        // 1137 × 640 cell: the square is drawn 1137 × 1137, so rows 248..888
        // of it show; the black bands end at 227 and start at 910.
        for (int y : {b.y() + 12, b.y() + b.height() / 2, b.y() + b.height() - 12}) {
            QVERIFY(TestSupport::near(sheet->pixel(b.x() + 20, y), qRgb(255, 0, 0), 10));
            QVERIFY(TestSupport::near(sheet->pixel(b.x() + b.width() - 20, y), qRgb(0, 0, 255), 10));
        }
        // Rounded corners: the outermost corner pixel is background.
        QCOMPARE(sheet->pixel(b.topLeft()), darkBackground);
        QCOMPARE(sheet->pixel(b.x() + b.width() - 1, b.y() + b.height() - 1), darkBackground);
    }

    // A 4K shot in a 561-pixel cell is decoded at 960 pixels and then
    // reduced further: fine stripes (4 black, 4 white pixels) must average
    // out to grey, where plain bilinear sampling at that ratio would pick
    // whole black and white runs (a moiré from 0 to 255).
    void fineDetailAveragesOut()
    {
        QImage stripes(3840, 2160, QImage::Format_RGB32);
        stripes.fill(Qt::white);
        {
            QPainter p(&stripes);
            for (int x = 0; x < stripes.width(); x += 8)
                p.fillRect(x, 0, 4, stripes.height(), Qt::black);
        }
        const QString file = m_dir.filePath("stripes.jpg");
        QVERIFY(ImageFiles::writeJpeg(stripes, file, 0.95));
        VideoInfo video = hdVideo();
        video.size = QSizeF(3840, 2160);
        SheetOptions options;
        options.showTime = false;
        const auto sheet = SheetRenderer::render(shotsOf(file, 4), video, options);
        QVERIFY(sheet);
        const QRect cell = SheetLayout::compute(4, video.size, options).cell(0);
        QCOMPARE(cell.width(), 561);
        int darkest = 255, brightest = 0;
        for (int x = cell.x() + 20; x < cell.right() - 20; ++x) {
            darkest = std::min(darkest, grey(sheet->pixel(x, cell.center().y())));
            brightest = std::max(brightest, grey(sheet->pixel(x, cell.center().y())));
        }
        QVERIFY2(darkest > 85 && brightest < 170, qPrintable(QStringLiteral("%1..%2").arg(darkest).arg(brightest)));
    }

    // A missing file gives an empty cell (fg at 0.08 over the background);
    // its label is still drawn: a black pill at 0.6 with white text.
    void missingFileAndLabel_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("cellGrey");
        QTest::addColumn<int>("pillGrey");
        // 18 + (255 - 18) · 0.08 and that under black at 0.6.
        QTest::newRow("dark") << true << 37 << 15;
        // 247 + (26 - 247) · 0.08 and that under black at 0.6.
        QTest::newRow("light") << false << 229 << 92;
    }
    void missingFileAndLabel()
    {
        QFETCH(bool, dark);
        QFETCH(int, cellGrey);
        QFETCH(int, pillGrey);
        SheetOptions options;
        options.dark = dark;
        options.columns = 2;
        const QList<Shot> shots{Shot{0, 0, m_dir.filePath("nothing.jpg"), {}, {}},
                                Shot{1, 671, m_dir.filePath("nothing.jpg"), {}, {}}};
        const auto sheet = SheetRenderer::render(shots, hdVideo(), options);
        QVERIFY(sheet);
        const SheetLayout l = SheetLayout::compute(2, QSizeF(1920, 1080), options);
        for (int i = 0; i < 2; ++i) {
            const QRect cell = l.cell(i);
            QVERIFY(qAbs(grey(sheet->pixel(cell.center())) - cellGrey) <= 2);
            // A row 3 px above the pill's bottom holds no text: only pill.
            const int right = cell.x() + cell.width() - 10 - 1;
            const int y = cell.y() + cell.height() - 10 - 3;
            const QRgb pill = qRgb(pillGrey, pillGrey, pillGrey);
            QVERIFY2(TestSupport::near(sheet->pixel(right - 10, y), pill, 3),
                     qPrintable(QString::number(sheet->pixel(right - 10, y), 16)));
            // The label is about "00:00" wide plus padding, and white text
            // shows in the pill's middle row.
            const int width = runLeftOf(*sheet, right, y, pill);
            QVERIFY2(width > 70 && width < 100, qPrintable(QString::number(width)));
            const int middle = cell.y() + cell.height() - 10 - 17;
            QVERIFY(ink(*sheet, QRect(right - width + 9, middle, width - 18, 1), pill) > 5);
            int brightest = 0;
            for (int x = right - width; x < right; ++x)
                brightest = std::max(brightest, grey(sheet->pixel(x, middle)));
            QVERIFY(brightest > 230);
        }
        // Tabular digits: "11:11" makes the same pill as "00:00".
        const QRgb pill = qRgb(pillGrey, pillGrey, pillGrey);
        const int y = l.cell(0).y() + l.cell(0).height() - 13;
        QCOMPARE(runLeftOf(*sheet, l.cell(1).x() + l.cell(1).width() - 11, y, pill),
                 runLeftOf(*sheet, l.cell(0).x() + l.cell(0).width() - 11, y, pill));
    }

    void lightThemeText()
    {
        SheetOptions options;
        options.dark = false;
        const auto sheet = SheetRenderer::render(shotsOf(solid("white.jpg", Qt::white), 4), hdVideo(), options);
        QVERIFY(sheet);
        int darkest = 255;
        for (int y = 56; y < 116; ++y)
            for (int x = 56; x < 600; ++x)
                darkest = std::min(darkest, grey(sheet->pixel(x, y)));
        QVERIFY2(qAbs(darkest - 26) <= 2, qPrintable(QString::number(darkest))); // grey 0.1
        // The summary at 0.55 is lighter than the title, the badge lighter still.
        int summary = 255;
        for (int y = 122; y < 162; ++y)
            for (int x = 56; x < 600; ++x)
                summary = std::min(summary, grey(sheet->pixel(x, y)));
        QVERIFY2(qAbs(summary - 125) <= 6, qPrintable(QString::number(summary)));
        int badge = 255;
        const int h = sheet->height();
        for (int y = h - 86; y < h - 54; ++y)
            for (int x = 1800; x < 2344; ++x)
                badge = std::min(badge, grey(sheet->pixel(x, y)));
        QVERIFY2(qAbs(badge - 158) <= 8, qPrintable(QString::number(badge)));
        // Pill over a white shot: black at 0.6 gives 102.
        const SheetLayout l = SheetLayout::compute(4, QSizeF(1920, 1080), options);
        const QRect cell = l.cell(0);
        QVERIFY(qAbs(grey(sheet->pixel(cell.x() + cell.width() - 25, cell.y() + cell.height() - 13)) - 102) <= 2);
    }

    // Header on: title and summary in their boxes; header off: nothing above
    // the grid, which starts at the margin.
    void headerAndBadgeSwitch()
    {
        SheetOptions options;
        options.showHeader = false;
        options.badge = false;
        const QString file = solid("white.jpg", Qt::white);
        const auto bare = SheetRenderer::render(shotsOf(file, 4), hdVideo(), options);
        QVERIFY(bare);
        QCOMPARE(bare->size(), QSize(2400, 56 * 2 + 316));
        QCOMPARE(ink(*bare, QRect(0, 0, 2400, 56), darkBackground), 0);
        QCOMPARE(ink(*bare, QRect(0, 56 + 316, 2400, 56), darkBackground), 0);
        QVERIFY(TestSupport::near(bare->pixel(57 + 561 / 2, 56 + 316 / 2), qRgb(255, 255, 255), 4));

        const auto full = SheetRenderer::render(shotsOf(file, 4), hdVideo(), SheetOptions{});
        QVERIFY(full);
        QVERIFY(ink(*full, QRect(56, 56, 2288, 60), darkBackground) > 500);      // title
        QVERIFY(ink(*full, QRect(56, 122, 2288, 40), darkBackground) > 500);     // summary
        const int h = full->height();
        QVERIFY(ink(*full, QRect(1200, h - 86, 1144, 32), darkBackground) > 200); // badge, right half
        QCOMPARE(ink(*full, QRect(56, h - 86, 1144, 32), darkBackground), 0);     // right-aligned
        QCOMPARE(ink(*full, QRect(0, h - 54, 2400, 54), darkBackground), 0);      // inside the margin
    }

    // The title replaces the file name (a different line of ink), the note
    // is drawn under the summary, and the grid moves down by its line.
    void titleAndNote()
    {
        const QString file = solid("white.jpg", Qt::white);
        const auto plain = SheetRenderer::render(shotsOf(file, 4), hdVideo(), SheetOptions{});
        SheetOptions options;
        options.title = QStringLiteral("I");
        options.note = QStringLiteral("A note about the trip");
        const auto titled = SheetRenderer::render(shotsOf(file, 4), hdVideo(), options);
        QVERIFY(plain && titled);
        QCOMPARE(titled->height(), plain->height() + 40);
        QVERIFY(ink(*titled, QRect(56, 56, 2288, 60), darkBackground)
                < ink(*plain, QRect(56, 56, 2288, 60), darkBackground) / 4);
        QCOMPARE(ink(*plain, QRect(56, 162, 2288, 24), darkBackground), 0);
        QVERIFY(ink(*titled, QRect(56, 162, 2288, 24), darkBackground) > 500);
        QVERIFY(TestSupport::near(titled->pixel(57 + 561 / 2, 56 + 172 + 316 / 2), qRgb(255, 255, 255), 4));
    }

    void longTitleIsElided()
    {
        const QString name = QString(QStringLiteral("An extremely long holiday video name ")).repeated(6)
            + QStringLiteral("END.mp4");
        const auto sheet = SheetRenderer::render(shotsOf(solid("white.jpg", Qt::white), 4), hdVideo(name),
                                                 SheetOptions{});
        QVERIFY(sheet);
        // The line runs to the right margin and not past it, and never wraps
        // into the gap above the summary.
        QVERIFY(ink(*sheet, QRect(2344 - 80, 56, 80, 60), darkBackground) > 20);
        QCOMPARE(ink(*sheet, QRect(2344, 0, 56, 200), darkBackground), 0);
        QCOMPARE(ink(*sheet, QRect(0, 116, 2400, 6), darkBackground), 0);

        QImage canvas(2400, 200, QImage::Format_ARGB32_Premultiplied);
        SheetText::useOnePixelPoints(canvas);
        QPainter painter(&canvas);
        const QFont font = SheetText::font(46, QFont::Bold);
        const QString shown = SheetText::drawBoxed(painter, font, QRectF(56, 56, 2288, 60),
                                                   Qt::AlignLeft, name + QStringLiteral("\nsecond line"));
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QVERIFY(!shown.contains(u'\n'));
        QVERIFY(QFontMetricsF(font, &canvas).horizontalAdvance(shown) <= 2288);
        QVERIFY(QFontMetricsF(font, &canvas).horizontalAdvance(shown) > 2000);
    }

    // Characters Inter lacks come from the fallback faces, not as boxes:
    // distinct characters must draw distinct ink.
    void fallbackGlyphs_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("kanji") << QStringLiteral("夏") << QStringLiteral("休");
        QTest::newRow("kana") << QStringLiteral("み") << QStringLiteral("カ");
        QTest::newRow("hangul") << QStringLiteral("한") << QStringLiteral("글");
        QTest::newRow("arabic") << QStringLiteral("ب") << QStringLiteral("ج");
        QTest::newRow("emoji") << QStringLiteral("😀") << QStringLiteral("🎬");
    }
    void fallbackGlyphs()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        const auto draw = [](const QString &text) {
            QImage canvas(80, 80, QImage::Format_ARGB32_Premultiplied);
            SheetText::useOnePixelPoints(canvas);
            canvas.fill(Qt::black);
            QPainter painter(&canvas);
            painter.setPen(Qt::white);
            SheetText::drawBoxed(painter, SheetText::font(46, QFont::Bold), QRectF(5, 5, 70, 70),
                                 Qt::AlignLeft, text);
            return canvas;
        };
        const QImage ia = draw(a);
        const QImage ib = draw(b);
        QVERIFY(ink(ia, ia.rect(), qRgb(0, 0, 0)) > 100);
        QVERIFY(ink(ib, ib.rect(), qRgb(0, 0, 0)) > 100);
        QVERIFY(ia != ib);
        // A character no installed font has draws a box; ours must not.
        const QImage missing = draw(QString(QChar(0x0378)));
        QVERIFY(ia != missing);
    }

    void cjkTitle()
    {
        const auto sheet = SheetRenderer::render(shotsOf(solid("white.jpg", Qt::white), 4),
                                                 hdVideo(QStringLiteral("夏休み 2024.mp4")), SheetOptions{});
        QVERIFY(sheet);
        QVERIFY(ink(*sheet, QRect(56, 56, 160, 60), darkBackground) > 1000);
    }

    // Works off the UI thread, and the same input always gives the same pixels.
    void workerThreadIsDeterministic()
    {
        const QList<Shot> shots = shotsOf(solid("grey.jpg", QColor(90, 120, 150)), 7);
        const auto here = SheetRenderer::render(shots, hdVideo(), SheetOptions{});
        const auto there = QtConcurrent::run([&] { return SheetRenderer::render(shots, hdVideo(), SheetOptions{}); }).result();
        QVERIFY(here && there);
        QCOMPARE(*there, *here);
    }
};

QTEST_MAIN(SheetRendererTest)
#include "tst_sheetrenderer.moc"
