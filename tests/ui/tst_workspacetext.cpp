// The workspace's geometry and texts as plain values.
#include "share/SheetText.h"
#include "ui/GridGeometry.h"
#include "ui/ShotDelegate.h"
#include "ui/StatusText.h"
#include "ui/ShotGrid.h"
#include "ui/ThumbnailScheduler.h"
#include "ui/ThumbnailView.h"
#include "ui/VideoRowDelegate.h"
#include "widgets/TabularText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>
#include <QTest>

#include <algorithm>

class WorkspaceTextTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void columns_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("columnWidth");
        QTest::newRow("640: three") << 640.0 << 3 << (640.0 - 24) / 3;
        QTest::newRow("423: two") << 423.0 << 2 << (423.0 - 12) / 2;
        QTest::newRow("150: one, narrower than the minimum") << 150.0 << 1 << 150.0;
        QTest::newRow("exactly two minimum columns") << 412.0 << 2 << 200.0;
        QTest::newRow("one short of two") << 411.0 << 1 << 411.0;
        QTest::newRow("exactly one") << 200.0 << 1 << 200.0;
        QTest::newRow("wide: six") << 1400.0 << 6 << (1400.0 - 60) / 6;
        QTest::newRow("none") << 0.0 << 1 << 0.0;
        QTest::newRow("negative") << -30.0 << 1 << 0.0;
    }
    void columns()
    {
        QFETCH(double, width);
        QFETCH(int, count);
        QFETCH(double, columnWidth);
        const GridGeometry::Columns c = GridGeometry::columns(width);
        QCOMPARE(c.count, count);
        QCOMPARE(c.width, columnWidth);
    }

    void columnsOf640AreAThirdEach()
    {
        const GridGeometry::Columns c = GridGeometry::columns(640);
        QVERIFY(qAbs(c.width - 205.333) < 0.001);
        // The columns and their gaps fill the width exactly.
        QCOMPARE(c.count * c.width + (c.count - 1) * GridGeometry::spacing, 640.0);
    }

    void aspect_data()
    {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<double>("aspect");
        QTest::newRow("1080p") << QSizeF(1920, 1080) << 16.0 / 9.0;
        QTest::newRow("portrait") << QSizeF(1080, 1920) << 0.5625;
        QTest::newRow("4:3") << QSizeF(640, 480) << 4.0 / 3.0;
        QTest::newRow("0 x 0") << QSizeF(0, 0) << 16.0 / 9.0;
        QTest::newRow("no height") << QSizeF(640, 0) << 16.0 / 9.0;
        QTest::newRow("no width") << QSizeF(0, 480) << 16.0 / 9.0;
        QTest::newRow("invalid") << QSizeF() << 16.0 / 9.0;
    }
    void aspect()
    {
        QFETCH(QSizeF, size);
        QFETCH(double, aspect);
        QCOMPARE(GridGeometry::aspect(size), aspect);
    }

    void cellRects()
    {
        const GridGeometry::Columns c{3, 200};
        QCOMPARE(GridGeometry::cellRect(0, c, 100), QRectF(16, 16, 200, 100));
        QCOMPARE(GridGeometry::cellRect(2, c, 100), QRectF(16 + 2 * 212, 16, 200, 100));
        QCOMPARE(GridGeometry::cellRect(4, c, 100), QRectF(16 + 212, 16 + 112, 200, 100));
        QCOMPARE(GridGeometry::contentHeight(0, c, 100), 32.0);
        QCOMPARE(GridGeometry::contentHeight(3, c, 100), 132.0);
        QCOMPARE(GridGeometry::contentHeight(4, c, 100), 244.0);
    }

    void fitted_data()
    {
        QTest::addColumn<QRectF>("space");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<QRectF>("frame");
        QTest::newRow("wide into square") << QRectF(0, 0, 160, 160) << 16.0 / 9.0 << QRectF(0, 35, 160, 90);
        QTest::newRow("tall into wide") << QRectF(10, 0, 200, 100) << 0.5 << QRectF(85, 0, 50, 100);
        QTest::newRow("exact") << QRectF(0, 0, 64, 36) << 16.0 / 9.0 << QRectF(0, 0, 64, 36);
    }
    void fitted()
    {
        QFETCH(QRectF, space);
        QFETCH(double, aspect);
        QFETCH(QRectF, frame);
        QCOMPARE(GridGeometry::fitted(space, aspect), frame);
    }

    void imageFillsFrame_data()
    {
        QTest::addColumn<QSizeF>("image");
        QTest::addColumn<QRectF>("frame");
        QTest::addColumn<QRectF>("covered");
        QTest::newRow("same aspect") << QSizeF(480, 270) << QRectF(0, 0, 64, 36) << QRectF(0, 0, 64, 36);
        QTest::newRow("portrait image in a wide frame: cut top and bottom")
            << QSizeF(270, 480) << QRectF(0, 0, 160, 90) << QRectF(0, -97.2222, 160, 284.4444);
        QTest::newRow("wide image in a square frame: cut the sides")
            << QSizeF(480, 270) << QRectF(10, 10, 90, 90) << QRectF(-25, 10, 160, 90);
    }
    void imageFillsFrame()
    {
        QFETCH(QSizeF, image);
        QFETCH(QRectF, frame);
        QFETCH(QRectF, covered);
        const QRectF result = ThumbnailView::filled(image, frame);
        QVERIFY2(qAbs(result.left() - covered.left()) < 0.001 && qAbs(result.top() - covered.top()) < 0.001
                     && qAbs(result.width() - covered.width()) < 0.001
                     && qAbs(result.height() - covered.height()) < 0.001,
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(result.left()).arg(result.top())
                                .arg(result.width()).arg(result.height())));
    }

    // A picture first drawn from a small decode (enlarged, blurry) is drawn
    // from the larger decode of the same file once that arrives.
    void rendererRedrawsALargerPicture()
    {
        ThumbnailRenderer renderer;
        QImage canvas(100, 100, QImage::Format_ARGB32_Premultiplied);
        const QRectF frame(0, 0, 100, 100);
        const auto drawAndSample = [&](const QImage &picture) {
            canvas.fill(Qt::transparent);
            QPainter painter(&canvas);
            renderer.paint(painter, frame, 0, QStringLiteral("/shots/0001_thumb.jpg"), picture, QPalette());
            painter.end();
            return canvas.pixelColor(50, 50);
        };
        QImage small(10, 10, QImage::Format_RGB32);
        small.fill(Qt::red);
        QImage large(100, 100, QImage::Format_RGB32);
        large.fill(Qt::blue);
        QCOMPARE(drawAndSample(small), QColor(Qt::red));
        QCOMPARE(drawAndSample(large), QColor(Qt::blue));
    }

    void pillAndMark()
    {
        const QRectF cell(16, 16, 200, 112.5);
        // Text 40 × 12 → pill 50 × 16, its corner 6 in from the cell's.
        QCOMPARE(ShotDelegate::pillRect(cell, QSizeF(40, 12)), QRectF(216 - 6 - 50, 128.5 - 6 - 16, 50, 16));
        QCOMPARE(ShotDelegate::markRect(cell, 20), QRectF(22, 22, 20, 20));
    }

    void rowThumbnail_data()
    {
        QTest::addColumn<double>("aspect");
        QTest::addColumn<QRectF>("thumb");
        QTest::newRow("16:9") << 16.0 / 9.0 << QRectF(6, 30 - 18, 64, 36);
        QTest::newRow("portrait") << 9.0 / 16.0 << QRectF(6, 30 - 56.8889, 64, 113.7778);
        QTest::newRow("unknown aspect reads as 16:9") << 0.0 << QRectF(6, 30 - 18, 64, 36);
    }
    void rowThumbnail()
    {
        QFETCH(double, aspect);
        QFETCH(QRectF, thumb);
        const QRectF result = VideoRowDelegate::thumbRect(QRectF(0, 0, 250, 60), aspect);
        QCOMPARE(result.left(), thumb.left());
        QCOMPARE(result.width(), 64.0);
        QVERIFY(qAbs(result.top() - thumb.top()) < 0.001);
        QVERIFY(qAbs(result.height() - thumb.height()) < 0.001);
    }

    void thumbnailOrder_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("mid grid: view, below, above nearest first")
            << 4 << 5 << 10 << QList<int>{4, 5, 6, 7, 3, 2};
        QTest::newRow("top: nothing above") << 0 << 2 << 10 << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("end: clamped to the rows there are")
            << 7 << 12 << 9 << QList<int>{7, 8, 6, 5};
        QTest::newRow("nothing in view") << 0 << -1 << 0 << QList<int>{};
    }
    void thumbnailOrder()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, count);
        QFETCH(QList<int>, rows);
        QCOMPARE(ThumbnailScheduler::order(first, last, count), rows);
    }

    void stepKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("step"); // -1: none
        QTest::newRow(",") << int(Qt::Key_Comma) << 0 << int(ShotStep::previousFrame);
        QTest::newRow(".") << int(Qt::Key_Period) << 0 << int(ShotStep::nextFrame);
        QTest::newRow("Shift+, as <") << int(Qt::Key_Less) << int(Qt::ShiftModifier) << int(ShotStep::secondEarlier);
        QTest::newRow("Shift+. as >") << int(Qt::Key_Greater) << int(Qt::ShiftModifier) << int(ShotStep::secondLater);
        QTest::newRow("Shift+. as : (German)") << int(Qt::Key_Colon) << int(Qt::ShiftModifier) << int(ShotStep::secondLater);
        QTest::newRow("Shift+,") << int(Qt::Key_Comma) << int(Qt::ShiftModifier) << int(ShotStep::secondEarlier);
        QTest::newRow("Ctrl+. is not a step") << int(Qt::Key_Period) << int(Qt::ControlModifier) << -1;
        QTest::newRow("; alone is not a step") << int(Qt::Key_Semicolon) << 0 << -1;
    }
    void stepKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, step);
        const std::optional<ShotStep> found = ShotGrid::stepFor(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(found ? int(*found) : -1, step);
    }

    void thumbnailCoverInDevicePixels()
    {
        QCOMPARE(ThumbnailScheduler::devicePixels(QSizeF(200, 112.5), 1), QSize(200, 113));
        QCOMPARE(ThumbnailScheduler::devicePixels(QSizeF(200, 112.5), 2), QSize(400, 225));
        QCOMPARE(ThumbnailScheduler::devicePixels(QSizeF(64, 64), 1.25), QSize(80, 80));
        QCOMPARE(ThumbnailScheduler::devicePixels(QSizeF(0, 50), 2), QSize());
    }

    void rowStatus_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("shots");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("pending") << int(VideoStatus::pending) << 0LL << 0LL << QStringLiteral("Waiting…");
        QTest::newRow("starting") << int(VideoStatus::extracting) << 0LL << 24LL << QStringLiteral("0 / 24");
        QTest::newRow("half way") << int(VideoStatus::extracting) << 12LL << 24LL << QStringLiteral("12 / 24");
        QTest::newRow("no grouping") << int(VideoStatus::extracting) << 1500LL << 2000LL
                                     << QStringLiteral("1500 / 2000");
        QTest::newRow("done") << int(VideoStatus::done) << 24LL << 24LL << QStringLiteral("24 shots");
        QTest::newRow("done short") << int(VideoStatus::done) << 20LL << 24LL << QStringLiteral("20 shots");
    }
    void rowStatus()
    {
        QFETCH(int, status);
        QFETCH(qint64, shots);
        QFETCH(qint64, total);
        QFETCH(QString, text);
        QCOMPARE(StatusText::row(VideoStatus(status), shots, total), text);
    }

    void rowWhileFindingScenes()
    {
        QCOMPARE(StatusText::row(VideoStatus::extracting, 0, 0, 0.429), QStringLiteral("Finding scenes… 42%"));
        QCOMPARE(StatusText::row(VideoStatus::extracting, 0, 0, 1.5), QStringLiteral("Finding scenes… 100%"));
        QCOMPARE(StatusText::scanning(0.5, QLocale(QLocale::German)), QStringLiteral("Finding scenes… 50\u00a0%"));
    }

    void summary_data()
    {
        QTest::addColumn<qint64>("shots");
        QTest::addColumn<std::optional<double>>("elapsed");
        QTest::addColumn<qint64>("deselected");
        QTest::addColumn<qint64>("failed");
        QTest::addColumn<std::optional<qint64>>("weak");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("everything")
            << 12LL << std::optional<double>(3.4) << 2LL << 1LL << std::optional<qint64>() << "en_US"
            << QStringLiteral("12 shots · Took 3.40 s · 10 selected · 1 couldn't be read");
        QTest::newRow("only the count") << 12LL << std::optional<double>() << 0LL << 0LL << std::optional<qint64>() << "en_US"
                                        << QStringLiteral("12 shots");
        QTest::newRow("rounded to two digits") << 5LL << std::optional<double>(0.125) << 0LL << 0LL << std::optional<qint64>() << "en_US"
                                               << QStringLiteral("5 shots · Took 0.13 s");
        QTest::newRow("locale decimal comma") << 5LL << std::optional<double>(12.5) << 0LL << 0LL << std::optional<qint64>() << "de_DE"
                                              << QStringLiteral("5 shots · Took 12,50 s");
        QTest::newRow("all deselected") << 3LL << std::optional<double>() << 3LL << 0LL << std::optional<qint64>() << "en_US"
                                        << QStringLiteral("3 shots · 0 selected");
        QTest::newRow("no shots, all failed") << 0LL << std::optional<double>(1.0) << 0LL << 24LL << std::optional<qint64>() << "en_US"
                                              << QStringLiteral("0 shots · Took 1.00 s · 24 couldn't be read");
        QTest::newRow("weak shots judged") << 24LL << std::optional<double>(0.5) << 5LL << 0LL
                                           << std::optional<qint64>(3) << "en_US"
                                           << QStringLiteral("24 shots · Took 0.50 s · 19 selected · 3 weak shots deselected");
        QTest::newRow("none weak") << 4LL << std::optional<double>() << 0LL << 0LL << std::optional<qint64>(0)
                                   << "en_US" << QStringLiteral("4 shots · 0 weak shots deselected");
    }
    void summary()
    {
        QFETCH(qint64, shots);
        QFETCH(std::optional<double>, elapsed);
        QFETCH(qint64, deselected);
        QFETCH(qint64, failed);
        QFETCH(std::optional<qint64>, weak);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QCOMPARE(StatusText::summary(shots, elapsed, deselected, failed, weak, QLocale(locale)), text);
    }

    void tabularDigitsShareOneWidth()
    {
        QFont font;
        font.setPointSize(11);
        const QFontMetricsF metrics(font);
        const qreal ones = TabularText::width(metrics, QStringLiteral("11 / 11"));
        QCOMPARE(TabularText::width(metrics, QStringLiteral("88 / 88")), ones);
        QCOMPARE(TabularText::width(metrics, QStringLiteral("00:00")), TabularText::width(metrics, QStringLiteral("11:11")));
        // Non-digits keep their own advance.
        QCOMPARE(TabularText::width(metrics, QStringLiteral(" / ")), metrics.horizontalAdvance(QStringLiteral(" / ")));
    }

    // A locale may write its own digits. The window and the share image set
    // them alike, each in a cell as wide as its own script's widest digit, so
    // wide digits never spill and narrow ones are not spaced out.
    void tabularDigitsOfEveryScript_data()
    {
        QTest::addColumn<int>("zero");
        QTest::newRow("Latin") << 0x30;
        QTest::newRow("Arabic-Indic") << 0x660;
        QTest::newRow("Devanagari") << 0x966;
    }
    void tabularDigitsOfEveryScript()
    {
        QFETCH(int, zero);
        const QFontMetricsF metrics(SheetText::font(20, QFont::Normal));
        const auto digits = [zero](std::initializer_list<int> values) {
            QString text;
            for (const int v : values)
                text += v < 0 ? QChar(u':') : QChar(char16_t(zero + v));
            return text;
        };
        const QString time = digits({1, 2, -1, 3, 4});
        QCOMPARE(SheetText::tabularSize(metrics, time).width(), TabularText::width(metrics, time));
        QCOMPARE(TabularText::width(metrics, digits({1, 1, -1, 1, 1})), TabularText::width(metrics, digits({8, 8, -1, 0, 0})));
        qreal widest = 0;
        for (int v = 0; v < 10; ++v)
            widest = std::max(widest, metrics.horizontalAdvance(digits({v})));
        QCOMPARE(TabularText::width(metrics, digits({0})), widest);
    }
};

QTEST_MAIN(WorkspaceTextTest)
#include "tst_workspacetext.moc"
