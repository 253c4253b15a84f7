#include "app/DesktopAppearance.h"
#include "support/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>
#include <QTest>

// Stands in for the desktop portal's settings on a private bus. Like the
// real one, Read wraps the value in a second variant.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint scheme = 0;

public slots:
    QDBusVariant Read(const QString &group, const QString &key)
    {
        if (group != "org.freedesktop.appearance" || key != "color-scheme")
            return QDBusVariant(QVariant::fromValue(QDBusVariant(QString())));
        return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
    }
};

class DesktopAppearanceTest : public QObject {
    Q_OBJECT
    PrivateBus m_bus;

    // Emits the portal's change signal as the portal does.
    static void announce(QDBusConnection &bus, const QString &key, uint value)
    {
        QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                                         "org.freedesktop.portal.Settings", "SettingChanged");
        signal << QStringLiteral("org.freedesktop.appearance") << key
               << QVariant::fromValue(QDBusVariant(value));
        QVERIFY(bus.send(signal));
    }

private slots:
    void followsThePortal()
    {
        if (m_bus.start().isEmpty())
            QSKIP("dbus-daemon is not installed");
        QDBusConnection service = QDBusConnection::connectToBus(m_bus.address(), "portal");
        // The portal answers from a thread of its own, as the real one from
        // a process of its own: the first read blocks this one.
        QThread portalThread;
        FakePortal portal;
        portal.scheme = 1;
        portal.moveToThread(&portalThread);
        portalThread.start();
        const auto stopPortal = qScopeGuard([&] {
            service.unregisterObject("/org/freedesktop/portal/desktop");
            portalThread.quit();
            portalThread.wait();
        });
        QVERIFY(service.registerObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService("org.freedesktop.portal.Desktop"));

        DesktopAppearance appearance(QDBusConnection::connectToBus(m_bus.address(), "app"));
        QSignalSpy changes(&appearance, &DesktopAppearance::schemeChanged);
        appearance.start(5000);
        QCOMPARE(appearance.scheme(), DesktopAppearance::Scheme::dark);
        // Changes while running are followed; other keys and unknown values
        // are not taken for a preference.
        announce(service, "color-scheme", 2);
        QTRY_COMPARE_WITH_TIMEOUT(appearance.scheme(), DesktopAppearance::Scheme::light, 5000);
        announce(service, "contrast", 1);
        announce(service, "color-scheme", 7);
        QTRY_COMPARE_WITH_TIMEOUT(appearance.scheme(), DesktopAppearance::Scheme::noPreference, 5000);
        QCOMPARE(changes.size(), 3);
        QDBusConnection::disconnectFromBus("app");
        QDBusConnection::disconnectFromBus("portal");
    }

    void withoutAPortalNothingChanges()
    {
        const QString address = m_bus.address().isEmpty() ? m_bus.start() : m_bus.address();
        if (address.isEmpty())
            QSKIP("dbus-daemon is not installed");
        DesktopAppearance appearance(QDBusConnection::connectToBus(address, "alone"));
        QSignalSpy changes(&appearance, &DesktopAppearance::schemeChanged);
        appearance.start(5000);
        QCOMPARE(appearance.scheme(), DesktopAppearance::Scheme::noPreference);
        QCOMPARE(changes.size(), 0);
        DesktopAppearance disconnected(QDBusConnection("never connected"));
        disconnected.start();
        QCOMPARE(disconnected.scheme(), DesktopAppearance::Scheme::noPreference);
        QDBusConnection::disconnectFromBus("alone");
    }

    void darkPaletteReadsAsDark()
    {
        const QPalette light(Qt::white);
        QCOMPARE(DesktopAppearance::paletteFor(DesktopAppearance::Scheme::light, light), light);
        QCOMPARE(DesktopAppearance::paletteFor(DesktopAppearance::Scheme::noPreference, light), light);
        const QPalette dark = DesktopAppearance::paletteFor(DesktopAppearance::Scheme::dark, light);
        QVERIFY(dark.color(QPalette::Window).lightness() < 60);
        QVERIFY(dark.color(QPalette::Base).lightness() < 60);
        QVERIFY(dark.color(QPalette::WindowText).lightness() > 200);
        QVERIFY(dark.color(QPalette::Disabled, QPalette::Text).lightness()
                < dark.color(QPalette::Text).lightness());
    }
};

QTEST_GUILESS_MAIN(DesktopAppearanceTest)
#include "tst_desktopappearance.moc"
