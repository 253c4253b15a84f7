#include "app/AppDelegate.h"
#include "basics/TempRoot.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QTest>

namespace {
QUrl file(const char *name)
{
    return QUrl::fromLocalFile(QStringLiteral("/videos/") + QLatin1String(name));
}
} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT
private slots:
    void handOversWaitForTheHandler()
    {
        AppDelegate delegate;
        QList<QList<QUrl>> calls;
        delegate.open({file("a.mp4"), file("b.mp4")});
        delegate.open({file("c.mp4")});
        delegate.setOnOpen([&](const QList<QUrl> &urls) { calls.append(urls); });
        // Everything that waited arrives in one list, in order of arrival.
        QCOMPARE(calls, (QList<QList<QUrl>>{{file("a.mp4"), file("b.mp4"), file("c.mp4")}}));
        // From now on every hand-over is its own call.
        delegate.open({file("d.mp4")});
        delegate.open({file("e.mp4")});
        QCOMPARE(calls.size(), 3);
        QCOMPARE(calls.at(1), QList<QUrl>{file("d.mp4")});
        QCOMPARE(calls.at(2), QList<QUrl>{file("e.mp4")});
    }

    void installingAgainReplacesWithoutRedelivering()
    {
        AppDelegate delegate;
        int first = 0;
        int second = 0;
        delegate.setOnOpen([&](const QList<QUrl> &) { ++first; });
        QCOMPARE(first, 0); // nothing pending, nothing delivered
        delegate.open({file("a.mp4")});
        delegate.setOnOpen([&](const QList<QUrl> &) { ++second; });
        QCOMPARE(second, 0); // a.mp4 already went to the first handler
        delegate.open({file("b.mp4")});
        QCOMPARE(first, 1);
        QCOMPARE(second, 1);
        delegate.open({});
        QCOMPARE(second, 1);
    }

    void leftoversAreDeleted_data()
    {
        QTest::addColumn<bool>("atLaunch");
        QTest::newRow("launch") << true;
        QTest::newRow("termination") << false;
    }
    void leftoversAreDeleted()
    {
        QFETCH(bool, atLaunch);
        const auto folder = TempRoot::createWorkFolder();
        QVERIFY(folder);
        QVERIFY(TestSupport::writeFile(*folder + "/0000.jpg", "left behind"));
        AppDelegate delegate;
        if (atLaunch)
            delegate.launched();
        else
            delegate.terminating();
        QVERIFY(!QFileInfo::exists(TempRoot::path()));
    }
};

QTEST_GUILESS_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
