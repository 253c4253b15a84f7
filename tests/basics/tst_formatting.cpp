#include "basics/Formatting.h"

#include <QTest>

class FormattingTest : public QObject {
    Q_OBJECT
private slots:
    void formatTime_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<bool>("alwaysHours");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0 << false << ":" << "00:00";
        QTest::newRow("7.9 floors") << 7.9 << false << ":" << "00:07";
        QTest::newRow("59.99 never rounds up") << 59.99 << false << ":" << "00:59";
        QTest::newRow("60") << 60.0 << false << ":" << "01:00";
        QTest::newRow("754.5") << 754.5 << false << ":" << "12:34";
        QTest::newRow("3599.9") << 3599.9 << false << ":" << "59:59";
        QTest::newRow("3600 shows hours") << 3600.0 << false << ":" << "01:00:00";
        QTest::newRow("3725") << 3725.0 << false << ":" << "01:02:05";
        QTest::newRow("101 hours") << 363600.0 << false << ":" << "101:00:00";
        QTest::newRow("-5") << -5.0 << false << ":" << "00:00";
        QTest::newRow("-0.5 floors to -1") << -0.5 << false << ":" << "00:00";
        QTest::newRow("-5 always hours") << -5.0 << true << "-" << "00-00-00";
        QTest::newRow("125.7 export") << 125.7 << true << "-" << "00-02-05";
        QTest::newRow("4000 export") << 4000.0 << true << "-" << "01-06-40";
        QTest::newRow("long separator") << 65.0 << true << " h " << "00 h 01 h 05";
        QTest::newRow("NaN") << qQNaN() << false << ":" << "00:00";
        QTest::newRow("infinity") << qInf() << false << ":" << "00:00";
    }
    void formatTime()
    {
        QFETCH(double, time);
        QFETCH(bool, alwaysHours);
        QFETCH(QString, separator);
        QFETCH(QString, text);
        QCOMPARE(::formatTime(time, alwaysHours, separator), text);
    }

    void preciseTimeAndFrame_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<double>("fps");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("frame");  // -1: none
        QTest::newRow("frame 2175 at 30") << 72.5 << 30.0 << "00:01:12.500" << qint64(2175);
        QTest::newRow("NTSC frame 1001") << 1001 * 1001 / 30000.0 << 30000 / 1001.0 << "00:00:33.400" << qint64(1001);
        QTest::newRow("a 1/600 s time just below a frame") << 599 / 600.0 << 30.0 << "00:00:00.998" << qint64(29);
        QTest::newRow("hours") << 3725.04 << 25.0 << "01:02:05.040" << qint64(93126);
        QTest::newRow("no rate") << 1.5 << 0.0 << "00:00:01.500" << qint64(-1);
        QTest::newRow("negative") << -1.0 << 30.0 << "00:00:00.000" << qint64(0);
    }
    void preciseTimeAndFrame()
    {
        QFETCH(double, time);
        QFETCH(double, fps);
        QFETCH(QString, text);
        QFETCH(qint64, frame);
        QCOMPARE(formatPreciseTime(time), text);
        QCOMPARE(frameNumber(time, fps).value_or(-1), frame);
    }

    void byteCount_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("1 byte") << qint64(1) << "1 byte";
        QTest::newRow("999 bytes") << qint64(999) << "999 bytes";
        QTest::newRow("kilobytes are whole") << qint64(532000) << "532 KB";
        QTest::newRow("1.5 kB rounds") << qint64(1500) << "2 KB";
        QTest::newRow("megabytes one digit") << qint64(48300000) << "48.3 MB";
        QTest::newRow("trailing zero dropped") << qint64(2000000) << "2 MB";
        QTest::newRow("gigabytes two digits") << qint64(1250000000) << "1.25 GB";
        QTest::newRow("carry into the next unit") << qint64(999600) << "1 MB";
        QTest::newRow("hundreds of megabytes") << qint64(532400000) << "532 MB";
    }
    void byteCount()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(formatByteCount(bytes, QLocale(QLocale::English)), text);
    }

    void byteCountUsesTheLocaleDecimalSeparator()
    {
        QCOMPARE(formatByteCount(48300000, QLocale(QLocale::German)), "48,3 MB");
    }

    void percentAsTheLocaleWritesIt()
    {
        QCOMPARE(formatPercent(90, QLocale(QLocale::English)), "90%");
        QCOMPARE(formatPercent(90, QLocale(QLocale::Chinese)), "90%");
        QCOMPARE(formatPercent(90, QLocale(QLocale::German)), QStringLiteral("90\u00A0%"));
        QCOMPARE(formatPercent(100, QLocale(QLocale::French)), QStringLiteral("100\u202F%"));
        QCOMPARE(formatPercent(90, QLocale(QLocale::Turkish)), "%90");
    }

    void summary_data()
    {
        QTest::addColumn<double>("duration");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<float>("fps");
        QTest::addColumn<qint64>("fileSize");
        QTest::addColumn<QString>("text");
        QTest::newRow("everything") << 125.4 << QSizeF(1920, 1080) << 29.97f << qint64(48300000)
                                    << "02:05 · 1920×1080 · 29.97 fps · 48.3 MB";
        QTest::newRow("no file size") << 3725.0 << QSizeF(3840, 2160) << 25.0f << qint64(0)
                                      << "01:02:05 · 3840×2160 · 25 fps";
        QTest::newRow("no frame rate") << 10.0 << QSizeF(1080, 1920) << 0.0f << qint64(532000)
                                       << "00:10 · 1080×1920 · 532 KB";
        QTest::newRow("fractions truncated and rounded") << 10.0 << QSizeF(720.6, 480) << 23.976f
                                                         << qint64(0) << "00:10 · 720×480 · 23.98 fps";
        QTest::newRow("length and size alone") << 10.0 << QSizeF(640, 360) << 0.0f << qint64(0)
                                               << "00:10 · 640×360";
        QTest::newRow("no grouping in sizes") << 1.0 << QSizeF(7680, 4320) << 60.0f << qint64(0)
                                              << "00:01 · 7680×4320 · 60 fps";
    }
    void summary()
    {
        QFETCH(double, duration);
        QFETCH(QSizeF, size);
        QFETCH(float, fps);
        QFETCH(qint64, fileSize);
        QFETCH(QString, text);
        VideoInfo info{QUrl::fromLocalFile("/videos/a.mp4"), duration, size, fps, fileSize};
        QCOMPARE(videoSummary(info, QLocale(QLocale::English)), text);
    }

    void summaryUsesTheLocaleForTheFrameRate()
    {
        VideoInfo info{QUrl::fromLocalFile("/videos/a.mp4"), 10, QSizeF(1920, 1080), 29.97f, 0};
        QCOMPARE(videoSummary(info, QLocale(QLocale::German)), "00:10 · 1920×1080 · 29,97 fps");
    }

    void baseNameRemovesOnlyTheLastExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("baseName");
        QTest::newRow("plain") << "/v/Holiday.mov" << "Holiday";
        QTest::newRow("two dots") << "/v/clip.final.mp4" << "clip.final";
        QTest::newRow("none") << "/v/clip" << "clip";
        QTest::newRow("hidden") << "/v/.hidden" << ".hidden";
        QTest::newRow("spaces and CJK") << "/v/夏 休み.mkv" << "夏 休み";
    }
    void baseNameRemovesOnlyTheLastExtension()
    {
        QFETCH(QString, path);
        QFETCH(QString, baseName);
        VideoInfo info;
        info.url = QUrl::fromLocalFile(path);
        QCOMPARE(info.baseName(), baseName);
    }
};

QTEST_GUILESS_MAIN(FormattingTest)
#include "tst_formatting.moc"
