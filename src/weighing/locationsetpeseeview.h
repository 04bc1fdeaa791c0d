#pragma once

// "Bons de pesée": the rentals whose skip has been removed, latest removal first, each with its
// ticket badges, and the ticket form of the selected one.

#include "dossiertickets.h"
#include "minibondepeseeform.h"

#include "model/horloge.h"
#include "widgets/forms/listdetail.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QListView;

namespace kv {

class LocationDeBenne;
class ModelChanges;
class ModelContext;
class RecordListModelBase;

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
    QList<LocationDeBenne*> locationsFiltrees() const { return m_ecran->shown(); }
    // The chosen rental; it stays chosen, its form open, while the switch hides it.
    LocationDeBenne* selection() const { return m_ecran->edited(); }
    void setSelection(LocationDeBenne* location);

    // The row of one rental, as painted.
    forms::RowContent ligne(LocationDeBenne* location) const;

    QCheckBox* interrupteur() const { return m_interrupteur; }
    forms::ListPanel* listPanel() const { return m_ecran->list(); }
    QListView* liste() const;
    RecordListModelBase* modele() const;
    forms::RecordRowDelegate* delegue() const;
    forms::DetailPane* detail() const { return m_ecran->pane(); }
    // The form shown, or null with the placeholder.
    MiniBonDePeseeForm* formulaire() const { return m_ecran->editor(); }

protected:
    // ↓ and ↑ choose the next and previous rental, Return goes into the ticket form.
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    void construireColonne();
    void choisirRang(int rang);
    // The removed rentals, counted while the switch narrows the list; the others wait.
    void compterEnAttente();
    // The line above the list and the placeholder in its place when it is empty.
    void majResume();
    // The list's width that shows a row's date whole.
    int largeurColonne() const;
    void contexteChange(const ModelChanges& changes);

    ModelContext* m_context;
    Horloge m_horloge;
    DossierTickets m_dossier;
    qint64 m_maintenantMs = 0; // "now" of the list, taken once per change
    bool m_sansPesee = false;
    forms::ListDetail<LocationDeBenne, MiniBonDePeseeForm>* m_ecran = nullptr;
    QCheckBox* m_interrupteur = nullptr;
    QLabel* m_resume = nullptr;
    forms::EmptyState* m_vide = nullptr;
    forms::EmptyState* m_videPesees = nullptr;
    int m_enlevees = 0;
};

} // namespace kv
