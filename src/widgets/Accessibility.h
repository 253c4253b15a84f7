#pragma once
// What screen readers are told about the controls this application paints
// itself: text labels read as static text with their whole text (also where
// it is shown elided), the progress bar as a progress bar with its value, and
// the busy spinner as a busy animation named by its owner.
//
// install() adds the factory once per process; further calls do nothing.
// Widgets of other classes are left to Qt's own interfaces.
//
// Thread: UI thread.

class QAccessibleInterface;
class QObject;
class QString;

namespace Accessibility {

using Factory = QAccessibleInterface *(*)(const QString &className, QObject *object);

// Installs `factory` with Qt's accessibility, once however often it is called.
void installOnce(Factory factory);

// The interfaces of this library's widgets, or null for other classes.
QAccessibleInterface *widgetInterface(const QString &className, QObject *object);

// Installs widgetInterface().
void install();

} // namespace Accessibility
