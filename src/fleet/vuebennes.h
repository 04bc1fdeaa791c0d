#pragma once

// The skip fleet screen: every skip sorted by volume, narrowed by two state switches and a
// folded word search, and the skip editor of the selected or new skip in the detail pane.

#include "widgets/forms/recordlistpanel.h"

#include <QStringList>
#include <QWidget>

class QCheckBox;

namespace kv {

class Benne;
class BenneEditorView;
class DispositifSpecial;
class ModelContext;
namespace forms {
class DetailPane;
}

class VueBennes : public QWidget {
    Q_OBJECT
public:
    explicit VueBennes(ModelContext* context, QWidget* parent = nullptr);
    ~VueBennes() override;

    // The skips that the switches and the search let through, in volume order.
    QList<Benne*> bennesFiltrees() const;
    // True when one field of the skip (volume, notes, device, state) holds every folded word.
    static bool benneCorrespond(const Benne* benne, const QStringList& mots);
    static forms::RowContent ligneBenne(const Benne* benne);

    void supprimerBenne(Benne* benne);
    // Deletes the skips at these positions of the filtered list; positions out of range are
    // ignored, and all positions are read before anything is deleted.
    void supprimerBennes(const QList<int>& positions);
    void dupliquerBenne(Benne* benne);
    void reinitialiserEdition(bool creation);
    void benneEnregistree(Benne* benne);

    Benne* selection() const;
    Benne* benneEditee() const { return m_benneEdite; }
    bool isCreating() const { return m_isCreating; }

    QCheckBox* filtreInutilisables() const { return m_filtreInutilisables; }
    QCheckBox* filtreSales() const { return m_filtreSales; }
    forms::ListPanel* liste() const { return m_liste; }
    forms::DetailPane* panneauDetail() const { return m_panneau; }
    BenneEditorView* editeur() const;

private:
    void selectionChangee(Benne* benne);
    void majPanneau();
    bool passeLesFiltres(const Benne* benne) const;

    ModelContext* m_context;
    Query<Benne>* m_bennesFiltrees = nullptr;
    Query<DispositifSpecial>* m_dispositifs = nullptr;
    QStringList m_mots;
    Benne* m_benneEdite = nullptr;
    bool m_isCreating = false;
    bool m_filtreExclureInutilisables = true;
    bool m_filtreExclureSales = true;
    QCheckBox* m_filtreInutilisables = nullptr;
    QCheckBox* m_filtreSales = nullptr;
    forms::RecordListPanel<Benne>* m_liste = nullptr;
    forms::DetailPane* m_panneau = nullptr;
};

} // namespace kv
