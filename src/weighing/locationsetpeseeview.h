#pragma once

// "Bons de pesée": the rentals whose skip has been removed, latest removal first, each with its
// ticket badges, and the ticket form of the selected one.

#include "dossiertickets.h"

#include "model/horloge.h"

#include <QWidget>

class QCheckBox;
class QListView;
class QSplitter;

namespace kv {

class LocationDeBenne;
class MiniBonDePeseeForm;
class ModelChanges;
class ModelContext;
template <class T> class Query;
template <class T> class RecordListModel;

namespace forms {
class DetailPane;
class RecordRowDelegate;
struct RowContent;
}

class LocationsEtPeseeView : public QWidget {
    Q_OBJECT
public:
    // The system's clock and the user's data folder.
    explicit LocationsEtPeseeView(ModelContext* context, QWidget* parent = nullptr);
    LocationsEtPeseeView(ModelContext* context, Horloge horloge, DossierTickets dossier,
                         QWidget* parent = nullptr);
    ~LocationsEtPeseeView() override;

    // Removed at `maintenantMs`: a removal date that is set and not later.
    static bool estEnlevee(const LocationDeBenne* location, qint64 maintenantMs);

    // The switch "Sans pesée uniquement".
    bool filtreSansPeseeOnly() const { return m_sansPesee; }
    void setFiltreSansPeseeOnly(bool on);

    // The rentals listed, in order.
    QList<LocationDeBenne*> locationsFiltrees() const;
    LocationDeBenne* selection() const { return m_selection; }
    void setSelection(LocationDeBenne* location);

    // The row of one rental, as painted.
    forms::RowContent ligne(LocationDeBenne* location) const;

    QCheckBox* interrupteur() const { return m_interrupteur; }
    QListView* liste() const { return m_liste; }
    RecordListModel<LocationDeBenne>* modele() const { return m_modele; }
    forms::RecordRowDelegate* delegue() const { return m_delegue; }
    forms::DetailPane* detail() const { return m_detail; }
    // The form shown, or null with the placeholder.
    MiniBonDePeseeForm* formulaire() const;

private:
    QWidget* construireColonne();
    void contexteChange(const ModelChanges& changes);
    void choixDansLaListe();
    void montrerSelection();

    ModelContext* m_context;
    Horloge m_horloge;
    DossierTickets m_dossier;
    qint64 m_maintenantMs = 0; // "now" of the list, taken once per change
    bool m_sansPesee = false;
    LocationDeBenne* m_selection = nullptr;
    Query<LocationDeBenne>* m_requete = nullptr;
    RecordListModel<LocationDeBenne>* m_modele = nullptr;
    forms::RecordRowDelegate* m_delegue = nullptr;
    QCheckBox* m_interrupteur = nullptr;
    QListView* m_liste = nullptr;
    forms::DetailPane* m_detail = nullptr;
    int m_modeleEnCours = 0;
};

} // namespace kv
