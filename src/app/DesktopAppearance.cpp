#include "app/DesktopAppearance.h"

#include <QDBusMessage>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorScheme = QStringLiteral("color-scheme");

// The portal's Read wraps the value in one variant more than its newer
// ReadOne does; take off as many as there are.
QVariant unwrapped(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

} // namespace

DesktopAppearance::DesktopAppearance(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
}

void DesktopAppearance::start(int timeoutMs)
{
    if (!m_bus.isConnected())
        return;
    // From whichever connection owns the portal's name now: it may restart.
    m_bus.connect(QString(), portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(settingChanged(QDBusMessage)));
    QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                                       QStringLiteral("Read"));
    read << appearance << colorScheme;
    const QDBusMessage reply = m_bus.call(read, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        take(reply.arguments().constFirst());
}

void DesktopAppearance::settingChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() == 3 && arguments.at(0).toString() == appearance && arguments.at(1).toString() == colorScheme)
        take(arguments.at(2));
}

void DesktopAppearance::take(const QVariant &value)
{
    const QVariant plain = unwrapped(value);
    bool ok = false;
    const uint number = plain.toUInt(&ok);
    const Scheme scheme = ok && number <= 2 ? Scheme(number) : Scheme::noPreference;
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    emit schemeChanged(scheme);
}

QPalette DesktopAppearance::paletteFor(Scheme scheme, const QPalette &light)
{
    return scheme == Scheme::dark ? darkPalette() : light;
}

QPalette DesktopAppearance::darkPalette()
{
    // Greys as dark desktop themes use them, a blue that reads on them, and
    // dimmed disabled texts.
    const QColor window(45, 45, 48), base(30, 30, 32), text(235, 235, 235), disabled(130, 130, 135);
    const QColor highlight(53, 132, 228);
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, QColor(40, 40, 43));
    palette.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabled);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(58, 58, 62));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Light, QColor(75, 75, 80));
    palette.setColor(QPalette::Midlight, QColor(62, 62, 66));
    palette.setColor(QPalette::Mid, QColor(38, 38, 40));
    palette.setColor(QPalette::Dark, QColor(22, 22, 24));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(120, 170, 255));
    palette.setColor(QPalette::LinkVisited, QColor(180, 140, 255));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(70, 70, 75));
    palette.setColor(QPalette::Disabled, QPalette::Button, window);
    return palette;
}
