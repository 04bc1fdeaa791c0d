#pragma once

// Names for screen readers where a control's own text gives none: a button showing only an icon
// is named by its tool tip (what a sighted user reads when pointing at it); a field by the label
// that names it (its buddy) wherever that label stands in the form, where screen readers look
// among its siblings only; a search field with no label by what its prompt asks
// (« Rechercher »). A name given by a screen stays.
// Applied by the dialog conventions to every widget as it shows and as its tool tip changes.

class QWidget;

namespace kv {

void nameUnnamedControl(QWidget* w);

// Drop-down lists spoken by their name (given, or their label's) and their choice as their
// value: left to Qt, a list on Linux is named by its current entry whatever name it was given
// (« Gravats » for « Catégorie »). Installed once, after the application is made.
void installAccessibleNames();

} // namespace kv
