#pragma once

// Names for screen readers where a control's own text gives none: a button showing only an icon
// is named by its tool tip (what a sighted user reads when pointing at it); a field by the label
// that names it (its buddy) wherever that label stands in the form, where screen readers look
// among its siblings only; a search field with no label by what its prompt asks
// (« Rechercher »); a text field's clear button by what it clears. A name given by a screen
// stays. Applied by the dialog conventions to every widget as it shows and as its tool tip
// changes.

#include <functional>

class QAbstractSlider;
class QAccessibleEvent;
class QString;
class QWidget;

namespace kv {

void nameUnnamedControl(QWidget* w);

// Drop-down lists spoken by their name (given, or their label's) and their choice as their
// value and text: left to Qt, a list on Linux is named by its current entry whatever name it
// was given (« Gravats » for « Catégorie »), and Qt 6.4 gives a reader no way to read which
// entry is chosen. The chosen entry is the one entry of its list marked selected, and a change
// of choice (↓ on the closed list, Return in the open one) is said as a change of its text.
// Installed once, after the application is made, with the rules below for what readers hear.
void installAccessibleNames();

// What readers are told, Qt's own events and the program's alike (Qt's events pass here once
// installAccessibleNames made this Qt's update handler; the program's own are given here):
// - the focus is said once per turn of the event loop, where it ended: a button that hides as
//   the field it sets shows passes the keys on twice on the way, a reader hears the field;
// - never for what is not shown (a date field's hidden calendar follows each step of the date);
// - the focus on a list or table is said as its current row, so that Tab into a list with a
//   chosen row says the row; on a painted widget, as its focused item (the grid's cell).
void tellReaders(QAccessibleEvent* event);
// Hears every event as it goes to readers, reader or not (tests); an empty function stops.
void setReaderObserver(std::function<void(QAccessibleEvent*)> observer);

// A slider counted in steps but read in units (a distance by steps of 5 km): a reader hears
// the value the screen shows beside it, in units, as the screen writes it (« 50 km »).
// `unitsPerStep` is given once, as the slider is made; the shown value each time it changes.
void readSliderInUnits(QAbstractSlider* slider, double unitsPerStep);
void setSliderShownValue(QAbstractSlider* slider, double value, const QString& text);

// A card a screen paints (a rental's, a driver's job, a drop zone) read as one item of the list
// it stands in, by the name the screen gives it, saying what the card shows (client, place,
// dates, driver, whose row): left to Qt, a widget of the program's own is a filler that readers
// pass by. Given before the card is first shown.
void readAsItem(QWidget* card);
// A card among which the user chooses one: whether it is the chosen one, said as it changes.
void setItemChosen(QWidget* card, bool chosen);

} // namespace kv
