#pragma once

// The drivers' planning: a strip of seven days and "Transmettre planning", then one row per
// active driver with his card, his column of the chosen day (the drop target of dragged
// operations) and, when he has something to do that day, the map of his places. Rows are built
// only as they come into view.

#include "emailplanning.h"
#include "model/horloge.h"
#include "prestationdragitem.h"
#include "prestationscolumn.h"

#include <QList>
#include <QMargins>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <optional>

class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace kv {

class CartePrestationsChauffeur;
class EmplacementCarte;
class Chauffeur;
class ChauffeurCard;
class DateSlider;
class DragAutoScroller;
class DragRule;
class LocationDeBenne;
class ModelChanges;
class ModelContext;
class PrestationsColumn;
class Record;
template <class T>
class Query;

// One driver's row, or, without a driver, the row of the day's work still to give out
// (« À attribuer »), first of the list. Until it is built it only keeps its place in the list.
class RangeeChauffeur : public QWidget {
    Q_OBJECT
public:
    // `vue`: the viewport of the list, at whose top the driver's card stays while the row
    // scrolls past it; `noms`: the strip beside it where the card stands, `gaucheNoms` from its
    // left.
    RangeeChauffeur(Chauffeur* chauffeur, ModelContext* context, QWidget* vue, QWidget* noms, int gaucheNoms,
                    QWidget* parent = nullptr);

    Chauffeur* chauffeur() const { return m_chauffeur; }
    // Without a driver: where the row reads the day's work to give out.
    void setSource(SourceSansChauffeur source) { m_source = std::move(source); }
    bool construite() const { return m_contenu != nullptr; }
    // Whether the built row shows `jour`.
    bool montre(const DayWindow& jour) const { return m_jour == jour; }
    // Builds (or builds again) the row for the day.
    void construire(const DayWindow& jour, const TraceDrop& trace);
    // Shows another day in a built row (the driver's card stays).
    void changerJour(const DayWindow& jour);
    // Forgets the built row, keeping its height, so that it is built again when next seen.
    void oublier();
    // Reads the driver's operations again (after a change in the store; `touches` as the
    // column takes it).
    void actualiser(const QSet<const Record*>* touches = nullptr);
    // Keeps the driver's card at the top of the part of the row in view.
    void epinglerCarte();

    ChauffeurCard* carteChauffeur() const { return m_carte; }
    PrestationsColumn* colonne() const { return m_colonne; }
    // The map of the driver's places, shown on a day when he has some.
    CartePrestationsChauffeur* carte() const;
    bool glisserEnCours() const;

    // While a card is dragged over a short list, each row shows only its driver's name: every
    // driver then lies a few names away, and the whole folded row takes the drop for his column.
    void setPliee(bool pliee);
    bool pliee() const { return m_pliee; }

signals:
    void glisserTermine();
    void echecSauvegarde(const QString& message);
    void menuPrestation(kv::LocationDeBenne* location, kv::TypePrestation type, const QPoint& positionGlobale);
    // A drop on this row's column gave its driver the operation.
    void attribue(const kv::PrestationDragItem& item);

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void majCarte();
    // The count in the header of the work to give out.
    void majNombre();
    void appliquerPli();
    // The column and the map side by side where the row has room for both, else the map under
    // the column: the row never asks for more width than the wider of the two.
    void disposer();
    Chauffeur* m_chauffeur;
    ModelContext* m_context;
    SourceSansChauffeur m_source;
    QWidget* m_vue;
    QWidget* m_noms;
    int m_gaucheNoms;
    DayWindow m_jour;
    QWidget* m_contenu = nullptr;
    ChauffeurCard* m_carte = nullptr;
    EmplacementCarte* m_emplacementCarte = nullptr;
    PrestationsColumn* m_colonne = nullptr;
    CartePrestationsChauffeur* m_plan = nullptr;
    QWidget* m_emplacementPlan = nullptr;
    QHBoxLayout* m_ligne = nullptr;
    QBoxLayout* m_pile = nullptr; // the column, then the map
    bool m_pliee = false;
    // The height of a row not built yet, kept while it is folded.
    int m_hauteurDepliee = 0;
};

class VuePlanningChauffeurs : public QWidget {
    Q_OBJECT
public:
    explicit VuePlanningChauffeurs(ModelContext* context, QWidget* parent = nullptr,
                                   Horloge horloge = Horloge::systeme(),
                                   ComposeurEmail composeur = composeEmail);
    ~VuePlanningChauffeurs() override;

    QDateTime selectedDate() const { return m_selectedDate; }
    void setSelectedDate(const QDateTime& date);

    // The active drivers, in store order, one row each.
    QList<Chauffeur*> chauffeurs() const;
    // The drivers' rows, in list order.
    QList<RangeeChauffeur*> rangees() const { return m_rangees.mid(1); }
    // The row of the day's work that no driver has yet, before the drivers' rows.
    RangeeChauffeur* aAttribuer() const { return m_rangees.value(0); }
    RangeeChauffeur* rangee(const Chauffeur* chauffeur) const;
    DateSlider* dateSlider() const { return m_slider; }
    QPushButton* boutonTransmettre() const { return m_transmettre; }
    QScrollArea* zoneDefilement() const { return m_defilement; }
    DragAutoScroller* defilementAuto() const { return m_defilementAuto; }
    // The strip at the left of the list where the drivers' cards stand.
    QWidget* nomsChauffeurs() const;
    // The column under the card being dragged, marked; none outside a drag.
    PrestationsColumn* colonneMarquee() const;

    // Where the trace lines of drops go (the standard output by default).
    void setTrace(TraceDrop trace);

    // "Transmettre planning": one message per active driver with operations that day; what
    // could not be sent is shown in one message afterwards.
    BilanTransmission transmettre();
    // The button's click: first says how many jobs of the day have no driver, when some have
    // none, and sends only once the user goes on.
    void demanderTransmission();

    // The menu of a card: « Attribuer à… » the other active drivers, to give them the operation;
    // « Retirer le chauffeur… », back to the work to give out.
    QMenu* menuAttribution(LocationDeBenne* location, TypePrestation type, const QPoint& positionGlobale);

    // Builds the rows that are in view at once, and those a screen's height around them once the
    // list has been painted.
    void construireVisibles();

    // The keyboard's stops in the list, driver by driver as the screen shows them: his cards,
    // placements then removals, then his map (cards only with `cartesSeules`). Built rows only.
    QList<QWidget*> arretsClavier(bool cartesSeules = false) const;

signals:
    // After a sending, the text shown (empty when everything went through).
    void transmis(const QString& message);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;
    // A drag's events over the list (`objet`: its content or the strip of names).
    bool glisserSurLaListe(QObject* objet, QEvent* event);
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The column under a point of the list's viewport, or whose driver's card is there (in the
    // strip of names, left of the viewport); none elsewhere.
    PrestationsColumn* colonneEn(const QPoint& pointVue) const;
    // The driver's card at a point given in the viewport's coordinates; none elsewhere.
    ChauffeurCard* carteEn(const QPoint& pointVue) const;
    // Marks the column under the pointer of a drag over the list, or none.
    void marquer(PrestationsColumn* colonne);
    // Whether the rows fold while a card is dragged: when the list shows too little of them
    // for a card and another driver's name to be in view together.
    bool listeCourte() const;
    // Folds the rows, the dragged card's own driver (`sienne`; else the row under the pointer)
    // under the pointer; unfolds them, that row back where it was before the drag.
    void plier(const QPoint& pointeurVue, RangeeChauffeur* sienne);
    void deplier();
    // Lays the list out now, rows and scroll area, so that places read next are the final ones.
    void poserListe();
    // The list scrolled under the pointer of a drag: the column under it now is marked.
    void marquerSousPointeur();
    void epinglerCartes();
    QWidget* enTete();
    void styleTransmettre();
    // Above the rows, on a day when no driver has anything to do: how work reaches a driver.
    QLabel* aideJourVide(QWidget* parent);
    void majAide();
    // The pills say how much is left to give out on each day.
    void majPastilles();
    // The work without a driver of `jour` and the strip's counts, read from the store once per
    // day and per change of the rentals.
    TravailSansChauffeur sansChauffeur(const DayWindow& jour);
    // The strip moves on when the day changes while the screen is open.
    void programmerMinuit();
    void nouveauJour();
    void synchroniserRangees();
    void surChangement(const ModelChanges& changes);
    void montrerErreur(const QString& titre, const QString& message);
    bool glisserEnCours() const;
    void planifierConstruction();
    void construireAutour();
    // Builds the rows in `zone` (in the list's coordinates) not built yet, and shows the day in
    // those built for another; whether there were any. With `budgetMs`, stops after the row that
    // reaches it.
    bool construireDans(const QRect& zone, qint64 budgetMs = -1);
    // The part of the list in view, plus a screen's height on each side.
    QRect zoneUtile() const;
    // The card given to another driver from its menu or by a drop is rebuilt in his row: the
    // keyboard goes there with it, the card scrolled into view, instead of being left on nothing.
    void suivreCarte();
    // Scrolls the followed card into view while the rows around it are still being built.
    void montrerCarteSuivie();
    // Tab goes through the list in the order of `arretsClavier`, after the header's button.
    void ordonnerTabulation();
    // The keyboard goes to `w` of the list, scrolled into view while the rows around settle.
    void donnerClavier(QWidget* w, Qt::FocusReason raison);
    // ↑ and ↓ between the cards, across drivers; ↑ from the first goes back to the day strip.
    bool carteVoisine(QWidget* carte, bool suivante);

    ModelContext* m_context;
    Horloge m_horloge;
    ComposeurEmail m_composeur;
    TraceDrop m_trace = traceSortieStandard;
    QDateTime m_selectedDate;
    Query<Chauffeur>* m_chauffeurs = nullptr;
    DateSlider* m_slider = nullptr;
    QPushButton* m_transmettre = nullptr;
    QLabel* m_aide = nullptr;
    QScrollArea* m_defilement = nullptr;
    // What a drag over the list aims at, and when the list scrolls under it.
    DragRule* m_regleGlisser = nullptr;
    DragAutoScroller* m_defilementAuto = nullptr;
    QVBoxLayout* m_liste = nullptr;
    QList<RangeeChauffeur*> m_rangees;
    QList<QWidget*> m_separateurs;
    QPointer<PrestationsColumn> m_colonneMarquee;
    // Where the pointer of a drag over the list is, in the viewport; none outside a drag.
    std::optional<QPoint> m_pointeurGlisse;
    // The kind of operation dragged over the list, when it is one.
    std::optional<TypePrestation> m_typeGlisse;
    // The operation just given by the card's menu, and to whom, until its new card is built.
    std::optional<PrestationDragItem> m_carteSuivie;
    // A drop let go on folded rows: its card is followed once it lands, the rows unfolded.
    bool m_suivreDepot = false;
    struct TravailDuJour {
        DayWindow jour;
        TravailSansChauffeur travail;
    };
    std::optional<TravailDuJour> m_sansChauffeur;
    const Chauffeur* m_chauffeurSuivi = nullptr;
    QPointer<QWidget> m_carteMontree;
    int m_gaucheNoms = 0;
    bool m_plie = false;
    // The row under the pointer as the rows folded, and where its top then stood in view.
    QPointer<RangeeChauffeur> m_rangeeAncre;
    int m_hautAncre = 0;
    QMargins m_margesDepliees;
    // What held the keyboard in the list as the rows folded, given it back as they unfold.
    QPointer<QWidget> m_clavierAvantPli;
    int m_espaceDeplie = 0;
    bool m_aSynchroniser = false;
    bool m_constructionPrevue = false;
    QTimer m_autour;
    QTimer m_minuit;
};

} // namespace kv
