#pragma once

// The window-modal sheet of the new-rental form, opened by the planning grid for the skip the
// user picked. `onDismiss` runs once, when the sheet closes: after "Annuler", "Fermer", a
// successful "Valider", or the window's own closing (Escape, the close button). The form reads
// "now" from `horloge`, the clock of the screen that opens it.

#include "model/horloge.h"

#include <QUuid>

#include <functional>

class QDialog;
class QWidget;

namespace kv {

class AdresseService;
class FormulaireLocationView;
class ModelContext;

QDialog* feuilleNouvelleLocation(QWidget* over, ModelContext* context, const QUuid& benneId,
                                 std::function<void()> onDismiss, AdresseService* service = nullptr,
                                 const Horloge& horloge = Horloge::systeme());

// The form inside a sheet opened by feuilleNouvelleLocation().
FormulaireLocationView* formulaireDe(QDialog* feuille);

} // namespace kv
