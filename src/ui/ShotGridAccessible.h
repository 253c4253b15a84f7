#pragma once
// The shot grid as a screen reader reads it: a list named like the grid
// ("Shots"), one list item per shot, named by the model's accessible text
// ("Shot 3 of 24, 00:12, selected"), with the exact time as description,
// selected while the shot is, focused where the keyboard is, and with the
// actions Toggle and Press (both toggle the shot, as Space and a click do)
// and SetFocus. Items outside the scrolled view are reported offscreen.
//
// Items are created as the reader asks for them and kept per shot row while
// the row stays where it is; a model reset or moved rows make new ones.
//
// Thread: UI thread. Ownership: Qt's accessibility owns the interfaces; the
// grid's interface deletes the items it made when it goes.

class QAccessibleInterface;
class QObject;
class QString;

namespace ShotGridAccessible {

// The factory for ShotGrid; null for any other class.
QAccessibleInterface *create(const QString &className, QObject *object);

// Installs create() (once per process).
void install();

} // namespace ShotGridAccessible
