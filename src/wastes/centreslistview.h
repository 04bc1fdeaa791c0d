#pragma once

// The treatment centres screen: the list of every centre with its word search, and the editor
// of the selected centre (or of a new one) beside it.

#include "widgets/forms/recordlistpanel.h"

#include <QList>
#include <QStringList>
#include <QWidget>

namespace kv {

class CentreEditorView;
class CentreTraitement;
class ModelContext;

namespace forms {
class DetailPane;
} // namespace forms

class CentresListView : public QWidget {
    Q_OBJECT
public:
    explicit CentresListView(ModelContext* context, QWidget* parent = nullptr);
    ~CentresListView() override;

    // The centres listed for the current search, in name order.
    QList<CentreTraitement*> centresFiltres() const;
    // Every word lies in the centre's name, or every word lies in its town.
    static bool correspond(const CentreTraitement* centre, const QStringList& motsPlies);
    // What a row shows: the name, then the town and the number of accepted waste types.
    static forms::RowContent ligneCentre(const CentreTraitement* centre);

    // "Ajouter" (creation true) and the editor's cancel (false).
    void preparerEdition(bool creation);
    void centreEnregistre(CentreTraitement* centre);
    void selectionChangee(CentreTraitement* centre);
    void supprimerCentre(CentreTraitement* centre);
    void supprimerCentres(const QList<int>& rows);

    CentreTraitement* selection() const;
    CentreTraitement* centreEdite() const { return m_centreEdite; }
    bool isCreating() const { return m_isCreating; }
    // The open editor, or null.
    CentreEditorView* editeur() const { return m_editeur; }
    forms::ListPanel* listPanel() const { return m_liste; }

private:
    void actualiserPanneau();
    void oublier(CentreTraitement* centre);
    bool enregistrerSuppression();

    ModelContext* m_context;
    Query<CentreTraitement>* m_centres;
    QStringList m_mots;
    forms::RecordListPanel<CentreTraitement>* m_liste = nullptr;
    forms::DetailPane* m_detail = nullptr;
    CentreTraitement* m_centreEdite = nullptr;
    bool m_isCreating = false;
    CentreEditorView* m_editeur = nullptr;
};

} // namespace kv
