#pragma once

// The treatment centres screen: the list of every centre with its word search, and the editor
// of the selected centre (or of a new one) beside it.

#include "centreeditorview.h"

#include "widgets/forms/listdetail.h"

#include <QList>
#include <QStringList>
#include <QWidget>

namespace kv {

class CentresListView : public QWidget {
    Q_OBJECT
public:
    explicit CentresListView(ModelContext* context, QWidget* parent = nullptr);
    ~CentresListView() override;

    // The centres listed for the current search, in name order.
    QList<CentreTraitement*> centresFiltres() const { return m_ecran->shown(); }
    // Every word lies in the centre's name, or every word lies in its town.
    static bool correspond(const CentreTraitement* centre, const QStringList& motsPlies);
    // What a row shows: the name, then the town and the number of accepted waste types.
    static forms::RowContent ligneCentre(const CentreTraitement* centre);

    // "Ajouter" (creation true) and the editor's cancel (false).
    void preparerEdition(bool creation) { m_ecran->resetEditing(creation); }
    void centreEnregistre(CentreTraitement* centre) { m_ecran->showSaved(centre); }
    void supprimerCentre(CentreTraitement* centre) { m_ecran->remove({centre}); }
    void supprimerCentres(const QList<int>& rows) { m_ecran->remove(m_ecran->recordsAtRows(rows)); }

    CentreTraitement* selection() const { return m_ecran->selection(); }
    CentreTraitement* centreEdite() const { return m_ecran->edited(); }
    bool isCreating() const { return m_ecran->isCreating(); }
    // The open editor, or null.
    CentreEditorView* editeur() const { return m_ecran->editor(); }
    forms::ListPanel* listPanel() const { return m_ecran->list(); }

private:
    forms::ListDetail<CentreTraitement, CentreEditorView>* m_ecran = nullptr;
};

} // namespace kv
