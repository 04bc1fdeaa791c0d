#pragma once

// The window-modal sheet of the new-rental form, opened by the planning grid for the skip the
// user picked. `onDismiss` runs once, when the sheet closes: after "Annuler", "Fermer", a
// successful "Valider", or the window's own closing (Escape, the close button). Escape and the
// close button ask first when something was typed, as the editors do (and as the form's
// "Annuler" and Ctrl+Escape do); the application's
// "Quitter" works from the sheet and asks about it too. The form reads "now" from `horloge`,
// the clock of the screen that opens it.

#include "model/horloge.h"

#include <QDialog>
#include <QPointer>
#include <QUuid>

#include <functional>

class QWidget;

namespace kv {

class AdresseService;
class FormulaireLocationView;
class LocationDeBenne;
class ModelContext;

class FeuilleNouvelleLocation : public QDialog {
    Q_OBJECT
public:
    FeuilleNouvelleLocation(QWidget* over, ModelContext* context, const QUuid& benneId,
                            std::function<void()> onDismiss, AdresseService* service, const Horloge& horloge);

    // The same sheet correcting a booked rental (« Modifier la location »).
    FeuilleNouvelleLocation(QWidget* over, ModelContext* context, LocationDeBenne* location,
                            std::function<void()> onDismiss, AdresseService* service, const Horloge& horloge);

    FormulaireLocationView* formulaire() const { return m_formulaire; }

    // Runs `proceed` once the sheet is closed: at once when nothing was typed; otherwise after
    // « Enregistrer les modifications ? » answered "Enregistrer" (the rental stored) or "Ne pas
    // enregistrer". "Annuler", or a refused save, keeps the sheet open and runs nothing (a
    // booking over another asks first; `proceed` then runs once it is stored from there).
    void askToLeave(std::function<void()> proceed);

    // The open sheet over `window`, if any.
    static FeuilleNouvelleLocation* ouverteSur(const QWidget* window);

    // Closes the sheet without asking (its work was stored, dropped, or goes with its screen).
    void congedier();

public slots:
    // Escape and the close button: asks first when something was typed.
    void reject() override;

private:
    using Fabrique = std::function<FormulaireLocationView*(std::function<void()> congedier, QWidget* parent)>;
    FeuilleNouvelleLocation(QWidget* over, const Fabrique& fabrique, std::function<void()> onDismiss);

    FormulaireLocationView* m_formulaire = nullptr;
    QPointer<QWidget> m_origine;
    std::function<void()> m_onDismiss;
    bool m_congediee = false;
};

QDialog* feuilleNouvelleLocation(QWidget* over, ModelContext* context, const QUuid& benneId,
                                 std::function<void()> onDismiss, AdresseService* service = nullptr,
                                 const Horloge& horloge = Horloge::systeme());

// The form inside a sheet opened by feuilleNouvelleLocation().
FormulaireLocationView* formulaireDe(QDialog* feuille);

} // namespace kv
