#pragma once

// The drivers screen: the list of every driver (store order, nothing filtered) and beside it the
// driver form, for the selected driver or for a new one, created afresh whenever the selection
// changes. "Nouveau" and "Supprimer" stand in the main window's toolbar while it is shown.

#include "model/horloge.h"
#include "model/query.h"
#include "widgets/forms/recordlistpanel.h"

#include <QWidget>

class QAction;

namespace kv {

namespace forms {
class DetailPane;
}

class FormulaireChauffeurView;

class VueChauffeurs : public QWidget {
    Q_OBJECT
public:
    explicit VueChauffeurs(ModelContext* context, QWidget* parent = nullptr,
                           Horloge horloge = Horloge::systeme());
    ~VueChauffeurs() override;

    Chauffeur* chauffeurSelectionne() const { return m_chauffeurSelectionne; }
    forms::RecordListPanel<Chauffeur>* liste() const { return m_liste; }
    FormulaireChauffeurView* formulaire() const;
    QAction* boutonNouveau() const { return m_nouveau; }
    QAction* boutonSupprimer() const { return m_supprimer; }

    void nouveauChauffeur();
    void supprimerChauffeur();

    static forms::RowContent ligneChauffeur(const Chauffeur* c);

private:
    void selectionner(Chauffeur* c);
    void montrerFormulaire();

    ModelContext* m_context;
    Horloge m_horloge;
    Query<Chauffeur>* m_chauffeurs;
    forms::RecordListPanel<Chauffeur>* m_liste = nullptr;
    forms::DetailPane* m_detail = nullptr;
    Chauffeur* m_chauffeurSelectionne = nullptr;
    QAction* m_nouveau = nullptr;
    QAction* m_supprimer = nullptr;
};

} // namespace kv
