#pragma once

// The skip fleet screen: every skip sorted by volume, narrowed by two state switches and a
// folded word search, and the skip editor of the selected or new skip in the detail pane.

#include "benneeditorview.h"

#include "widgets/forms/listdetail.h"

#include <QStringList>
#include <QWidget>

class QCheckBox;

namespace kv {

class VueBennes : public QWidget {
    Q_OBJECT
public:
    explicit VueBennes(ModelContext* context, QWidget* parent = nullptr);
    ~VueBennes() override;

    // The skips that the switches and the search let through, in volume order.
    QList<Benne*> bennesFiltrees() const { return m_ecran->shown(); }
    // True when one field of the skip (volume, notes, device, state) holds every folded word.
    static bool benneCorrespond(const Benne* benne, const QStringList& mots);
    static forms::RowContent ligneBenne(const Benne* benne);

    void supprimerBenne(Benne* benne) { m_ecran->remove({benne}); }
    // Deletes the skips at these positions of the filtered list; positions out of range are
    // ignored, and all positions are read before anything is deleted.
    void supprimerBennes(const QList<int>& positions) { m_ecran->remove(m_ecran->recordsAtRows(positions)); }
    void dupliquerBenne(Benne* benne);
    void reinitialiserEdition(bool creation) { m_ecran->resetEditing(creation); }
    void benneEnregistree(Benne* benne) { m_ecran->showSaved(benne); }

    // The skips that the search lets through and the switches hide.
    int bennesMasquees() const;

    Benne* selection() const { return m_ecran->selection(); }
    Benne* benneEditee() const { return m_ecran->edited(); }
    bool isCreating() const { return m_ecran->isCreating(); }

    QCheckBox* filtreInutilisables() const { return m_filtreInutilisables; }
    QCheckBox* filtreSales() const { return m_filtreSales; }
    forms::ListPanel* liste() const { return m_ecran->list(); }
    forms::DetailPane* panneauDetail() const { return m_ecran->pane(); }
    BenneEditorView* editeur() const { return m_ecran->editor(); }

private:
    bool passeLesFiltres(const Benne* benne) const;

    ModelContext* m_context;
    Query<DispositifSpecial>* m_dispositifs = nullptr;
    QCheckBox* m_filtreInutilisables = nullptr;
    QCheckBox* m_filtreSales = nullptr;
    forms::ListDetail<Benne, BenneEditorView>* m_ecran = nullptr;
};

} // namespace kv
