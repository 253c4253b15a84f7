#include "share/SheetLayout.h"

#include <QSet>
#include <QTest>

class SheetLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void workedExample_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<qint64>("m");
        QTest::addColumn<qint64>("g");
        QTest::addColumn<qint64>("cw");
        QTest::addColumn<qint64>("ch");
        QTest::addColumn<qint64>("hh");
        QTest::addColumn<qint64>("fh");
        QTest::addColumn<qint64>("height");
        QTest::addColumn<qint64>("x0");
        QTest::addColumn<double>("radius");
        QTest::newRow("1600") << 1600 << 37ll << 9ll << 374ll << 210ll << 88ll << 35ll << 845ll << 39ll << 10.0 * 1600 / 2400;
        QTest::newRow("2400") << 2400 << 56ll << 14ll << 561ll << 316ll << 132ll << 52ll << 1272ll << 57ll << 10.0;
        QTest::newRow("3600") << 3600 << 84ll << 21ll << 842ll << 474ll << 198ll << 78ll << 1908ll << 85ll << 15.0;
    }
    // 12 shots of a 1920×1080 video in 4 columns, header and badge on.
    void workedExample()
    {
        QFETCH(int, width);
        QFETCH(qint64, m);
        QFETCH(qint64, g);
        QFETCH(qint64, cw);
        QFETCH(qint64, ch);
        QFETCH(qint64, hh);
        QFETCH(qint64, fh);
        QFETCH(qint64, height);
        QFETCH(qint64, x0);
        QFETCH(double, radius);
        SheetOptions options;
        options.width = width;
        const SheetLayout l = SheetLayout::compute(12, QSizeF(1920, 1080), options);
        QCOMPARE(l.m, m);
        QCOMPARE(l.g, g);
        QCOMPARE(l.c, 4);
        QCOMPARE(l.r, 3);
        QCOMPARE(l.cw, cw);
        QCOMPARE(l.ch, ch);
        QCOMPARE(l.hh, hh);
        QCOMPARE(l.fh, fh);
        QCOMPARE(l.height, height);
        QCOMPARE(l.x0, x0);
        QCOMPARE(l.y0, m + hh);
        QCOMPARE(l.cornerRadius, radius);
        QVERIFY(l.isDrawable());
        // Last cell: column 3, row 2, ending where the grid is centred.
        QCOMPARE(l.cell(11), QRect(int(x0 + 3 * (cw + g)), int(m + hh + 2 * (ch + g)), int(cw), int(ch)));
        QCOMPARE(l.cell(11).y() + ch + fh + m, height);
    }

    void grids_data()
    {
        QTest::addColumn<qint64>("shots");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QSizeF>("video");
        QTest::addColumn<qint64>("c");
        QTest::addColumn<qint64>("r");
        QTest::addColumn<qint64>("cw");
        QTest::addColumn<qint64>("ch");
        QTest::addColumn<qint64>("x0");
        QTest::newRow("one shot fills the width") << 1ll << 4 << QSizeF(1920, 1080) << 1ll << 1ll << 2288ll << 1287ll << 56ll;
        QTest::newRow("two shots in four columns") << 2ll << 4 << QSizeF(1920, 1080) << 2ll << 1ll << 1137ll << 640ll << 56ll;
        QTest::newRow("five in four: two rows") << 5ll << 4 << QSizeF(1920, 1080) << 4ll << 2ll << 561ll << 316ll << 57ll;
        QTest::newRow("zero columns is one") << 3ll << 0 << QSizeF(1920, 1080) << 1ll << 3ll << 2288ll << 1287ll << 56ll;
        QTest::newRow("negative columns is one") << 3ll << -7 << QSizeF(1920, 1080) << 1ll << 3ll << 2288ll << 1287ll << 56ll;
        QTest::newRow("portrait") << 6ll << 3 << QSizeF(1080, 1920) << 3ll << 2ll << 753ll << 1339ll << 57ll;
        QTest::newRow("no width: 16:9") << 4ll << 4 << QSizeF(0, 1080) << 4ll << 1ll << 561ll << 316ll << 57ll;
        QTest::newRow("no height: 16:9") << 4ll << 4 << QSizeF(1920, 0) << 4ll << 1ll << 561ll << 316ll << 57ll;
        QTest::newRow("8 columns of 4:3") << 8ll << 8 << QSizeF(4, 3) << 8ll << 1ll << 273ll << 205ll << 59ll;
        QTest::newRow("half a pixel rounds up") << 4ll << 4 << QSizeF(2, 1) << 4ll << 1ll << 561ll << 281ll << 57ll;
    }
    void grids()
    {
        QFETCH(qint64, shots);
        QFETCH(int, columns);
        QFETCH(QSizeF, video);
        QFETCH(qint64, c);
        QFETCH(qint64, r);
        QFETCH(qint64, cw);
        QFETCH(qint64, ch);
        QFETCH(qint64, x0);
        SheetOptions options;
        options.columns = columns;
        const SheetLayout l = SheetLayout::compute(shots, video, options);
        QCOMPARE(l.c, c);
        QCOMPARE(l.r, r);
        QCOMPARE(l.cw, cw);
        QCOMPARE(l.ch, ch);
        QCOMPARE(l.x0, x0);
        QCOMPARE(l.height, 56 + 132 + r * ch + (r - 1) * 14 + 52 + 56);
        // Cells never overlap and stay inside the margins.
        for (qint64 i = 0; i < shots; ++i) {
            const QRect cell = l.cell(i);
            QVERIFY(cell.left() >= 56 && cell.x() + cell.width() <= 2400 - 56);
            for (qint64 j = 0; j < i; ++j)
                QVERIFY(!cell.intersects(l.cell(j)));
        }
    }

    void lastRowStaysLeft()
    {
        const SheetLayout l = SheetLayout::compute(5, QSizeF(1920, 1080), SheetOptions{});
        QCOMPARE(l.cell(4), QRect(57, 188 + 316 + 14, 561, 316));
        QCOMPARE(l.cell(3).topLeft(), QPoint(57 + 3 * 575, 188));
    }

    // A note is one more header line of 40 (at 2400); blank texts change nothing.
    void aNoteAddsAHeaderLine()
    {
        SheetOptions options;
        options.title = QStringLiteral("   ");
        options.note = QStringLiteral("\t");
        QCOMPARE(SheetLayout::compute(12, QSizeF(1920, 1080), options).height, 1272);
        options.note = QStringLiteral("Berlin, 3 May");
        const SheetLayout l = SheetLayout::compute(12, QSizeF(1920, 1080), options);
        QCOMPARE(l.hh, 172);
        QCOMPARE(l.height, 1312);
        options.width = 1600;
        QCOMPARE(SheetLayout::compute(12, QSizeF(1920, 1080), options).hh, 115);
    }

    void headerAndBadgeOff_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("1600") << 1600;
        QTest::newRow("2400") << 2400;
        QTest::newRow("3600") << 3600;
    }
    void headerAndBadgeOff()
    {
        QFETCH(int, width);
        SheetOptions options;
        options.width = width;
        options.showHeader = false;
        options.badge = false;
        const SheetLayout l = SheetLayout::compute(12, QSizeF(1920, 1080), options);
        QCOMPARE(l.hh, 0);
        QCOMPARE(l.fh, 0);
        QCOMPARE(l.y0, l.m);
        QCOMPARE(l.height, 2 * l.m + 3 * l.ch + 2 * l.g);
        QCOMPARE(l.cell(0).y(), int(l.m));
    }

    void notDrawable_data()
    {
        QTest::addColumn<qint64>("shots");
        QTest::addColumn<int>("width");
        QTest::newRow("no shots") << 0ll << 2400;
        QTest::newRow("zero width") << 4ll << 0;
        QTest::newRow("negative width") << 4ll << -2400;
        QTest::newRow("narrower than the cells") << 4ll << 3;
    }
    void notDrawable()
    {
        QFETCH(qint64, shots);
        QFETCH(int, width);
        SheetOptions options;
        options.width = width;
        QVERIFY(!SheetLayout::compute(shots, QSizeF(1920, 1080), options).isDrawable());
    }

    // A needle-thin video must not overflow the arithmetic.
    void absurdVideoSize()
    {
        const SheetLayout l = SheetLayout::compute(2000, QSizeF(1e-300, 1e300), SheetOptions{});
        QVERIFY(l.ch > 0);
        QVERIFY(l.height > 0);
    }

    void optionsCompareAndHashEveryField()
    {
        const SheetOptions base;
        QCOMPARE(base, (SheetOptions{4, 2400, true, true, true, true, {}, {}}));
        QList<SheetOptions> changed(6, base);
        changed[0].columns = 3;
        changed[1].width = 1600;
        changed[2].dark = false;
        changed[3].showTime = false;
        changed[4].showHeader = false;
        changed[5].badge = false;
        QSet<size_t> hashes{qHash(base)};
        for (const SheetOptions &o : changed) {
            QVERIFY(!(o == base));
            hashes.insert(qHash(o));
        }
        QCOMPARE(hashes.size(), 7);
        QCOMPARE(qHash(SheetOptions{}), qHash(base));
        QSet<SheetOptions> set{base, SheetOptions{}, changed[2]};
        QCOMPARE(set.size(), 2);
    }
};

QTEST_GUILESS_MAIN(SheetLayoutTest)
#include "tst_sheetlayout.moc"
