#pragma once

// The planning grid's body: one scrolling area whose viewport paints, for the part in view
// only, the paper, the lines, today's column and one bar per rental of each skip. The header
// of days and the column of skips are painted strips in its margins that follow its scrolling.
// Bars answer the pointer by hit testing: a tap shows the rental's details, the body and both
// handles drag by whole days, the duplicate button under the pointer books a rotation, the
// context menu deletes after a confirmation, and a driver's identifier dropped on a body gives
// him a job on the rental.

#include "actionsplanning.h"
#include "calendrierplanning.h"
#include "peintrebarres.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QHash>
#include <QKeySequence>
#include <QSet>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>

class QMenu;

namespace kv {

class DragAutoScroller;
class DragRule;

class Benne;
class LocationDeBenne;
class ModelContext;

namespace planning {

class ColonneBennes;
class EnteteJours;

// One bar of a row: the rental and its columns. Bars of a row that share a day are stacked in
// lanes, each `voies`-th of the row's height, so that none hides another; a bar that shares no
// day with another keeps the whole height.
struct Barre {
    LocationDeBenne* location = nullptr;
    Colonnes colonnes;
    QColor couleur; // the skip's
    int voie = 0;
    int voies = 1;
};

class GrillePlanning : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Zone { aucune, corps, poigneeGauche, poigneeDroite, duplication };
    struct Touche {
        LocationDeBenne* location = nullptr;
        Zone zone = Zone::aucune;
        int ligne = -1;
        Colonnes colonnes;
    };

    GrillePlanning(ModelContext* context, ActionsPlanning* actions, QWidget* parent = nullptr);
    ~GrillePlanning() override;

    ActionsPlanning* actions() const { return m_actions; }
    // The skips of the rows, in order.
    void setBennes(const QList<Benne*>& bennes);
    const QList<Benne*>& bennes() const { return m_bennes; }
    // The days of the columns, moved on when the day has changed since they were made.
    const JoursGrille& jours();
    // The bars of a row (computed when first asked, kept until the store changes).
    const QList<Barre>& barres(int ligne);

    QSizeF tailleContenu();
    // Rows are `hauteurBenne` high, or higher where bars stacked in lanes need it: each lane
    // keeps a readable line of the grid's font. Top of row i in the content (i == number of
    // rows: the content's bottom), its height, and the row at a height (-1 above the first,
    // the number of rows below the last).
    double hautLigne(int ligne);
    double hauteurLigne(int ligne);
    int ligneA(double yContenu);
    // The least height of one lane of stacked bars.
    double hauteurVoie() const;
    // Top-left corner of the visible part of the content.
    QPointF scrollOffset() const;
    void setScrollOffset(const QPointF& offset);

    // The rental whose details are shown: its bar wears the information badge.
    void setLocationSelectionnee(LocationDeBenne* location);
    LocationDeBenne* locationSelectionnee() const { return m_selection; }
    LocationDeBenne* locationSurvolee() const { return m_survol; }
    // The rental whose bar a driver held over the grid would be dropped on now.
    LocationDeBenne* locationCibleDepot() const { return m_cibleDepot; }
    LocationDeBenne* locationEnSurbrillance() const { return m_surbrillanceVisible ? m_surbrillance : nullptr; }
    QMenu* menuContextuel() const { return m_menu; }

    // The other bookings of the rental's skip that would share a day with it at `dates`.
    QList<LocationDeBenne*> chevauchements(const LocationDeBenne* location, const DatesLocation& dates) const;
    // The question asked before such a booking: who holds the skip, from when to when.
    QString texteChevauchement(const LocationDeBenne* location, const DatesLocation& dates,
                               const QList<LocationDeBenne*>& autres) const;
    QMessageBox* questionChevauchement() const { return m_questionChevauchement; }
    QDialog* fenetreDateEnlevement() const { return m_fenetreEnlevement; }

    // The confirmation asked before a rental is deleted: which rental (client, dates) and what
    // goes with it.
    QString texteSuppression(const LocationDeBenne* location) const;

    // The key that duplicates the rental under the cursor, as its menu says.
    static QKeySequence toucheDupliquer() { return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D); }
    // What lies under a point of the viewport.
    Touche toucher(const QPointF& pointVue);
    // Where a rental's bar and its controls stand at rest, in viewport coordinates; empty when
    // the rental has no bar.
    QRectF rectCorps(const LocationDeBenne* location);
    QRectF rectPoignee(const LocationDeBenne* location, bool droite);
    QRectF rectDuplication(const LocationDeBenne* location);
    // The label of a rental's bar as drawn now (name shown, its place, the badges').
    PeintreBarres::Etiquette etiquette(const LocationDeBenne* location);

    EnteteJours* entete() const { return m_entete; }
    // Scrolls the grid while a bar or a driver is dragged near its edges.
    DragAutoScroller* defilementAuto() const { return m_defilementAuto; }
    ColonneBennes* colonne() const { return m_colonne; }

    // The keyboard's cell (day column, skip row): the arrows move it, Enter shows the details of
    // the rental under it (on an empty cell, a new rental of the row's skip from that day),
    // Delete deletes it after confirmation, Ctrl+Shift+D duplicates it, the Menu key and Shift+F10
    // open its menu. Where bars are stacked on the cell, the keys act on the one clicked last,
    // and ↑ and ↓ go from lane to lane before leaving the row.
    // Until the keys or a click put it somewhere, the cell is the one they would start on: a
    // cell in view (today's column when it shows), which a reader finds at once.
    QPoint curseur() { return m_curseurColonne < 0 ? celluleParDefaut() : QPoint(m_curseurColonne, m_curseurLigne); }
    QPoint celluleParDefaut();
    void setCurseur(int colonne, int ligne);
    // The window keeps the keyboard's cell (its skip and day) while another command shows:
    // back on the planning, the cell is where it was, brought into view.
    void reprendreCurseur();
    // The view is scrolled to its place: the kept cursor comes back, or the keys, if the grid
    // already has them, start on the cell in view.
    void mettreEnPlace();
    // → on a skip's label: the keyboard goes into that skip's row, on today's column.
    void entrerDansLaLigne(int ligne);
    LocationDeBenne* locationAuCurseur();
    // The bars on a cell, top lane first.
    QList<LocationDeBenne*> barresDeLaCellule(int colonne, int ligne);
    // The keyboard's frame in the content: the cell, or on a cell where bars are stacked the lane
    // of the bar under it (the one Enter, Delete and the menu keys act on).
    QRectF cadreCurseur();

    // Drops every kept span (the rentals changed).
    void oublierBarres();
    // Drops the spans of the rows these rentals were drawn on or belong to now.
    void oublierLignesDe(const QSet<const LocationDeBenne*>& locations);
    // Number of rows whose bars were computed so far (for tests and benchmarks).
    quint64 calculsDeBarres() const { return m_calculsDeBarres; }

signals:
    void locationTapped(kv::LocationDeBenne* location);
    void benneTapped(kv::Benne* benne);
    // Enter on an empty cell: a new rental of that row's skip from that day.
    void celluleVideActivee(kv::Benne* benne, QDate jour);
    void scrolled();
    // The keyboard's cell was set (moved or not).
    void curseurDeplace();
    // A duplication was refused: no free day before the skip's next booking, `bloquante`.
    void duplicationRefusee(kv::LocationDeBenne* source, kv::LocationDeBenne* bloquante);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Geometrie {
        QRectF corps, poigneeGauche, poigneeDroite, duplication;
    };
    Geometrie geometrie(int ligne, const Barre& b, double decalage = 0, double gauche = 0, double droite = 0);
    // Where a bar's label may go: the part of the bar in view, so that a bar scrolled partly out
    // (or an open-ended one, which runs far past the screen) keeps its name on screen.
    Geometrie geometrieEtiquette(Geometrie g, const Barre& b) const;
    int ligneDe(const LocationDeBenne* location) const;
    // The room a bar's label may take: its body less what the handles and the duplicate button cover.
    static QRectF bandeEtiquette(const Geometrie& g, bool avecBouton);
    // The label of a bar standing at `g` (content coordinates).
    PeintreBarres::Etiquette disposerEtiquette(const LocationDeBenne* location, const Geometrie& g, bool avecBouton);
    void majBarresDefilement();
    // After a sideways scroll of `dx` pixels: the names that follow the view's edges are painted
    // at their new place.
    void redessinerEtiquettesAuxBords(int dx);
    void majSurvol(const QPointF& pointVue);
    void terminerGlissement(const QPointF& pointVue);
    void demanderSuppression(LocationDeBenne* location);
    void dupliquer(LocationDeBenne* location);
    // Brings a new copy into view when it is out of it, and says where it went.
    void montrerCopie(LocationDeBenne* copie);
    // The removal date of a rental, set, changed or taken away in a small window with a date
    // field (the way to end a rental without removal date, whose right handle is far away).
    void demanderDateEnlevement(LocationDeBenne* location);
    // The bar's menu: its details, its removal date, its duplication as a rotation, its drivers,
    // its deletion.
    void ouvrirMenu(LocationDeBenne* location, const QPoint& global);
    // What a driver dropped on the bar does, and says when it changes nothing or fails.
    void attribuerChauffeur(LocationDeBenne* location, const QUuid& chauffeurId);
    void ouvrirMenuAuCurseur();
    // An action that did nothing says why, in a window-modal box.
    void informer(const QString& titre, const QString& texte);
    void peindreBarre(QPainter& p, int ligne, const Barre& barre, const QPointF& origine);
    void preparerPapier();
    void programmerMinuit();
    void setSurbrillance(LocationDeBenne* location);
    static void animer(QVariantAnimation& animation, qreal de, qreal a, int duree);

    ModelContext* m_context;
    ActionsPlanning* m_actions;
    QList<Benne*> m_bennes;
    QHash<const Benne*, QList<Barre>> m_barres;
    QList<double> m_hauts; // top of each row, then the content's bottom; empty until asked
    const QList<double>& hauts();
    quint64 m_calculsDeBarres = 0;
    JoursGrille m_jours;
    QTimer m_minuit; // repaints when the day changes, so the days move on by themselves
    PeintreBarres m_peintre;
    QPixmap m_papier;
    QColor m_teintePapier;
    EnteteJours* m_entete = nullptr;
    ColonneBennes* m_colonne = nullptr;
    QMenu* m_menu = nullptr;
    QPointer<QMessageBox> m_questionChevauchement;
    QPointer<QDialog> m_fenetreEnlevement;
    // A driver's drag over the grid: where its pointer is, and the bar it would land on.
    std::optional<QPoint> m_pointeurDepot;
    LocationDeBenne* m_cibleDepot = nullptr;
    void viserDepot(std::optional<QPoint> pointVue);

    int m_curseurColonne = -1;
    int m_curseurLigne = 0;
    // The cell is framed once the keyboard is used (or the focus came by Tab), not after a click.
    bool m_curseurVisible = false;
    bool m_enPlace = false;
    void placerCurseurSous(const QPointF& pointVue);
    void retenirCurseur();
    // The bar on the keyboard's cell that the keys act on, as the user last chose it (a click, or
    // ↑ ↓ through a stack); none, or one that no longer stands on the cell: the cell's last bar.
    LocationDeBenne* m_curseurBarre = nullptr;
    // ↑ or ↓ on the keyboard's cell: to the next lane of its stack, else to the next row.
    void monterDescendre(int sens);
    LocationDeBenne* m_selection = nullptr;
    LocationDeBenne* m_survol = nullptr;
    // The bar waiting for its deletion to be confirmed: its white outline fades in and out.
    LocationDeBenne* m_surbrillance = nullptr;
    bool m_surbrillanceVisible = false;
    qreal m_niveauSurbrillance = 0;
    QVariantAnimation m_animSurbrillance;
    // The information badge of the selected bar grows in and shrinks away.
    LocationDeBenne* m_badge = nullptr;
    qreal m_niveauBadge = 0;
    QVariantAnimation m_animBadge;

    // The gesture in progress, from the press on a bar to the release. Its translation is
    // measured in the content, so that the bar keeps up with the pointer while the grid scrolls.
    struct Geste {
        Touche touche;
        QPointF departContenu; // where it was pressed, in the content
        QPointF pointeur;      // where the pointer is now, in the viewport
        double dx = 0;
        bool glisse = false;
        // Let go over another booking of the skip: held where it was let go until the user says.
        bool enQuestion = false;
    };
    // The dates the gesture gives its rental as it stands (none: unchanged); what the bar shows
    // while it is held and what its release stores.
    std::optional<DatesLocation> datesDuGeste(const Geste& geste);
    // Stores the dates of a released gesture, after asking when the skip is already booked on
    // one of their days.
    void conclureGeste(const Geste& geste, const DatesLocation& dates);
    // Gives the rental `dates`, after asking when the skip is already booked on one of their
    // days by a booking it did not share days with before; a held bar waits for the answer. The
    // question stands over `dessus` (the window by default); `fini` learns, once it is answered,
    // whether the dates were given.
    void changerDates(LocationDeBenne* location, const DatesLocation& dates, QWidget* dessus = nullptr,
                      std::function<void(bool donnees)> fini = {});
    void appliquerDates(LocationDeBenne* location, const DatesLocation& dates);
    std::optional<Geste> m_geste;
    void suivreGeste(const QPointF& pointVue);
    // What a drag over the grid aims at, and when the grid scrolls under it.
    DragRule* m_regleGlisser = nullptr;
    DragAutoScroller* m_defilementAuto = nullptr;
};

} // namespace planning
} // namespace kv
