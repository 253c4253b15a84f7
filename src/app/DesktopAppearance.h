#pragma once
// Whether the desktop wants light or dark windows, as it publishes it: the
// XDG desktop portal's "color-scheme" setting in the "org.freedesktop.appearance"
// namespace, read over D-Bus and followed while the application runs. Desktops
// without a portal publish nothing, and then nothing changes.
//
// Thread: UI thread. Ownership: plain QObject; the bus connection is shared.
// Failure: a portal that is missing, answers an error or with a value it does
// not document counts as no preference.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>
#include <QPalette>

class DesktopAppearance : public QObject {
    Q_OBJECT
public:
    // The portal's values: 0 no preference, 1 prefer dark, 2 prefer light.
    enum class Scheme { noPreference = 0, dark = 1, light = 2 };
    Q_ENUM(Scheme)

    explicit DesktopAppearance(const QDBusConnection &bus, QObject *parent = nullptr);

    // Asks the portal once, waiting at most `timeoutMs` so that the first
    // window opens in the right colours, then follows its changes.
    void start(int timeoutMs = 500);
    Scheme scheme() const { return m_scheme; }

    // The palette for `scheme`: the dark one for dark, `light` otherwise
    // (the palette the application started with: the toolkit's choice).
    static QPalette paletteFor(Scheme scheme, const QPalette &light);
    // A dark palette in the same roles as the toolkit's light one.
    static QPalette darkPalette();

signals:
    void schemeChanged(DesktopAppearance::Scheme scheme);

public slots:
    // The portal's SettingChanged(namespace, key, value); public because
    // D-Bus only calls public slots.
    void settingChanged(const QDBusMessage &message);

private:
    void take(const QVariant &value);

    QDBusConnection m_bus;
    Scheme m_scheme = Scheme::noPreference;
};
