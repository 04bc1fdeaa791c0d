#pragma once

// « Modifier la location… »: the one command every screen showing a rental calls to correct it.
// It opens the new-rental form in its editing mode as a sheet over the screen's window; every
// screen reading the rental follows the store once the correction is saved.

#include <QKeySequence>
#include <QString>

class QAction;
class QDialog;
class QMenu;
class QWidget;

namespace kv {

class AdresseService;
class LocationDeBenne;
class ModelContext;

// « Modifier la location… », the entry's text everywhere.
QString texteModifierLocation();
// Its key, the same on every screen: F2, which no platform gives a standard meaning to.
QKeySequence raccourciModifierLocation();

// Opens the sheet correcting `location` over `over`'s window; a sheet already open there is
// raised instead (its window takes no other). None for a rental that is gone.
QDialog* modifierLocation(QWidget* over, ModelContext* context, LocationDeBenne* location,
                          AdresseService* service = nullptr);

// The entry added to `menu`, its key shown; it opens the sheet over `over`.
QAction* ajouterModifierLocation(QMenu* menu, QWidget* over, ModelContext* context, LocationDeBenne* location);

} // namespace kv
