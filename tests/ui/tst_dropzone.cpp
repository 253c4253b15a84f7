#include "support/TestSupport.h"
#include "ui/DropZone.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// How many pixels of `image` in `area` lie within `tolerance` of `color`
// (compared after blending onto the window background).
int countNear(const QImage &image, const QRect &area, QRgb color, int tolerance)
{
    int found = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (TestSupport::near(image.pixel(x, y), color, tolerance))
                ++found;
        }
    }
    return found;
}

QRgb over(const QColor &color, const QColor &background)
{
    const qreal a = color.alphaF();
    return qRgb(int(color.red() * a + background.red() * (1 - a) + 0.5),
                int(color.green() * a + background.green() * (1 - a) + 0.5),
                int(color.blue() * a + background.blue() * (1 - a) + 0.5));
}

} // namespace

class DropZoneTest : public QObject {
    Q_OBJECT

private slots:
    void texts()
    {
        DropZone zone;
        QStringList texts;
        for (const QLabel *label : zone.findChildren<QLabel *>()) {
            if (!label->text().isEmpty())
                texts << label->text();
        }
        QCOMPARE(texts, QStringList({
            QStringLiteral("Drop videos here"),
            QStringLiteral("MP4 · MOV · M4V — drop one or several, screenshots start as soon as you let go"),
            QStringLiteral("Set the interval or count in the toolbar first if you like"),
        }));
    }

    void chooseButtonAsksForVideos()
    {
        DropZone zone;
        QSignalSpy spy(&zone, &DropZone::chooseRequested);
        auto *button = zone.findChild<QPushButton *>();
        QCOMPARE(button->text(), QStringLiteral("Choose Videos…"));
        button->click();
        QCOMPARE(spy.count(), 1);
    }

    void contentIsCentred()
    {
        DropZone zone;
        zone.resize(800, 600);
        zone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&zone));
        auto *button = zone.findChild<QPushButton *>();
        QVERIFY(qAbs(button->geometry().center().x() - 400) <= 1);
        const QLabel *symbol = zone.findChildren<QLabel *>().first();
        QCOMPARE(symbol->pixmap().deviceIndependentSize().toSize(), QSize(56, 56));
        // The column sits in the middle between its stretches.
        const int top = symbol->geometry().top();
        const int bottom = 600 - button->geometry().bottom();
        QVERIFY2(qAbs(top - bottom) <= 2, qPrintable(QStringLiteral("%1 vs %2").arg(top).arg(bottom)));
    }

    void highlightTintsFrameAndSymbol()
    {
        DropZone zone;
        zone.resize(600, 400);
        const QColor background = zone.palette().color(QPalette::Window);
        const QColor accent = zone.palette().color(QPalette::Active, QPalette::Highlight);
        const QRect leftEdge(23, 100, 4, 200);
        const QRect outside(0, 100, 22, 200);
        const QLabel *symbol = zone.findChildren<QLabel *>().first();

        const QImage normal = zone.grab().toImage();
        QCOMPARE(countNear(normal, leftEdge, accent.rgb(), 12), 0);
        const QRgb faint = over(zone.frameColor(), background);
        // 40 % of the secondary text colour, itself a dimmed text colour.
        QVERIFY(qAbs(zone.frameColor().alphaF() - 0.4 * 0.62) < 0.005);
        QVERIFY(countNear(normal, leftEdge, faint, 12) > 50);
        QCOMPARE(countNear(normal, outside, background.rgb(), 0), outside.width() * outside.height());
        const QImage dim = symbol->pixmap().toImage();
        QCOMPARE(countNear(dim, dim.rect(), accent.rgb(), 12), 0);

        zone.setHighlighted(true);
        const QImage lit = zone.grab().toImage();
        // A 2-pixel line, dashed 8 on, 6 off: about 2 × 200 × 8/14 ≈ 228
        // pixels, far fewer than a solid line's 400.
        const int drawn = countNear(lit, leftEdge, accent.rgb(), 40);
        QVERIFY2(drawn >= 170 && drawn <= 280, qPrintable(QString::number(drawn)));
        const QImage tinted = symbol->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        int opaqueAccent = 0;
        for (int y = 0; y < tinted.height(); ++y) {
            for (int x = 0; x < tinted.width(); ++x) {
                const QRgb p = tinted.pixel(x, y);
                if (qAlpha(p) == 255 && TestSupport::near(p, accent.rgb(), 2))
                    ++opaqueAccent;
            }
        }
        QVERIFY(opaqueAccent > 50);

        zone.setHighlighted(false);
        QCOMPARE(zone.grab().toImage(), normal);
    }
};

QTEST_MAIN(DropZoneTest)
#include "tst_dropzone.moc"
