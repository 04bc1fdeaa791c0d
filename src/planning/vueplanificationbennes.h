#pragma once

// The "Planning" screen: every skip as a row, ordered by volume, against the days from 31
// days back to 80 days ahead, one bar per rental; above it, the strip of drivers to drag onto
// bars. A skip's label asks for a new rental of that skip (an unusable skip is refused); a
// bar's tap shows the rental's details over the grid. The main window can ask it to come back
// to today.

#include "calendrierplanning.h"

#include "widgets/observable.h"

#include <QDate>
#include <QDialog>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QMessageBox;
class QScrollArea;
class QShortcut;

namespace kv {

class Benne;
class Chauffeur;
class LocationDeBenne;
class ModelContext;
template <class T>
class Query;

namespace planning {
class ActionsPlanning;
class BandeauChauffeurs;
class GrillePlanning;
class InfoLocationPopup;
} // namespace planning

class VuePlanificationBennes : public QWidget {
    Q_OBJECT
public:
    // The skip for which the new-rental form is open.
    struct BenneSelection {
        QUuid id;
        bool operator==(const BenneSelection&) const = default;
    };

    VuePlanificationBennes(ModelContext* context, Observable<bool> actionCentrerAujourdhui,
                           QWidget* parent = nullptr, Horloge horloge = Horloge::systeme());
    ~VuePlanificationBennes() override;

    // A click on a skip's label: the new-rental form for a skip that may be rented, the
    // unusable-skip alert otherwise.
    // With a day, the form's placement starts on that day (Enter on an empty cell of the grid).
    void selectionnerBenne(Benne* benne, std::optional<QDate> jour = std::nullopt);
    std::optional<BenneSelection> benneSelection() const { return m_benneSelection; }
    // The sheet of the new-rental form while it is open.
    QDialog* feuille() const { return m_feuille; }
    // Empties the choice and closes the sheet (what the form's dismissal does).
    void fermerFeuilleNouvelleLocation();
    bool afficherAlerteBenneInutilisable() const { return m_afficherAlerteBenneInutilisable; }

    // The rental whose details are shown over the grid; none hides them.
    void setLocationInfoSelectionnee(LocationDeBenne* location);
    LocationDeBenne* locationInfoSelectionnee() const { return m_locationInfoSelectionnee; }

    // Brings today's column to the middle of an area `largeur` wide, keeping the vertical position.
    void centrerSurAujourdhui(double largeur);

    // Size of the grid area (header, skip column and grid; the driver strip excepted).
    QSizeF viewSize() const;
    // Width of the part that shows the days: the grid area less the skip column and the
    // vertical scroll bar. Today is centred in it.
    double largeurJours() const;
    QPointF scrollOffset() const;
    void setScrollOffset(const QPointF& offset);
    planning::Plage visibleJoursRange() const;
    planning::Plage visibleBennesRange() const;

    QList<Benne*> bennes() const;
    QList<Chauffeur*> chauffeurs() const;
    planning::GrillePlanning* grille() const { return m_grille; }
    planning::BandeauChauffeurs* bandeau() const { return m_bandeau; }
    planning::ActionsPlanning* actions() const { return m_actions.get(); }
    QLabel* messageSansBenne() const { return m_messageVide; }
    // Under that message: where skips are made, what else a first rental needs (a waste type, a
    // client) among what the store lacks, and that a skip's label opens a new rental.
    QLabel* aideSansBenne() const { return m_aideVide; }
    static QString texteAideVide(bool avecTypeDechet, bool avecClient);
    // The details overlay (backdrop and card) while shown, else null.
    QWidget* popupInfoLocation() const { return m_popup; }
    planning::InfoLocationPopup* infoLocation() const { return m_info; }
    QScrollArea* defilementInfoLocation() const { return m_defilementCarte; }

signals:
    void benneSelectionChanged();
    void locationInfoSelectionneeChanged();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The sheet holding the new-rental form for `benneSelection`.
    void feuilleNouvelleLocation();
    void afficherAlerteInutilisable(const Benne* benne);
    void afficherRefusDuplication(LocationDeBenne* source, LocationDeBenne* bloquante);
    void placerPopup();
    void actualiserAideVide();

    ModelContext* m_context;
    Observable<bool> m_actionCentrerAujourdhui;
    std::unique_ptr<planning::ActionsPlanning> m_actions;
    Query<Benne>* m_bennes = nullptr;
    Query<Chauffeur>* m_chauffeurs = nullptr;
    QLabel* m_messageVide = nullptr;
    QLabel* m_aideVide = nullptr;
    planning::BandeauChauffeurs* m_bandeau = nullptr;
    planning::GrillePlanning* m_grille = nullptr;
    QWidget* m_popup = nullptr;
    QPointer<QWidget> m_apparition; // the picture of the details while they fade in
    planning::InfoLocationPopup* m_info = nullptr;
    QScrollArea* m_defilementCarte = nullptr; // the card's rows, when they need to scroll
    QWidget* m_carte = nullptr;
    QShortcut* m_echap = nullptr;

    std::optional<BenneSelection> m_benneSelection;
    std::optional<QDate> m_jourDemande; // the day asked with the skip, if any
    bool m_afficherAlerteBenneInutilisable = false;
    LocationDeBenne* m_locationInfoSelectionnee = nullptr;
    bool m_dejaAffichee = false;
    // Where the last centring on today left the days, while nobody has scrolled since.
    std::optional<double> m_decalageCentre;
    QPointer<QDialog> m_feuille;
};

} // namespace kv
