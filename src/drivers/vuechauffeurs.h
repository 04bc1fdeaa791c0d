#pragma once

// The drivers screen: the list of every driver (store order, nothing filtered) and beside it the
// driver form, for the selected driver or for a new one, created afresh whenever the selection
// changes. "Nouveau" (Ctrl+N) and "Supprimer" stand in the main window's toolbar while it is
// shown; the Delete key on the list asks before deleting.

#include "formulairechauffeurview.h"

#include "model/horloge.h"
#include "widgets/forms/listdetail.h"

#include <QWidget>

class QAction;

namespace kv {

class VueChauffeurs : public QWidget {
    Q_OBJECT
public:
    explicit VueChauffeurs(ModelContext* context, QWidget* parent = nullptr,
                           Horloge horloge = Horloge::systeme());
    ~VueChauffeurs() override;

    Chauffeur* chauffeurSelectionne() const { return m_ecran->selection(); }
    forms::RecordListPanel<Chauffeur>* liste() const { return m_ecran->list(); }
    FormulaireChauffeurView* formulaire() const { return m_ecran->editor(); }
    QAction* boutonNouveau() const { return m_nouveau; }
    QAction* boutonSupprimer() const { return m_supprimer; }

    // Back to the form of a new driver; on that form already, what is typed stays.
    void nouveauChauffeur() { m_ecran->resetEditing(true); }
    // Asks, as the Delete key does, then deletes the selected driver.
    void supprimerChauffeur();

    static forms::RowContent ligneChauffeur(const Chauffeur* c);
    static forms::Question questionSuppression(const QList<Chauffeur*>& chauffeurs);

private:
    forms::ListDetail<Chauffeur, FormulaireChauffeurView>* m_ecran = nullptr;
    QAction* m_nouveau = nullptr;
    QAction* m_supprimer = nullptr;
};

} // namespace kv
