#pragma once

// A driver's column of the chosen day: his placements ("Déposes") and removals ("Enlèvements")
// as cards on glass, or an invitation to drop when he has none. It is the drop target of the
// operations dragged from other columns.

#include "model/daywindow.h"
#include "prestationdragitem.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <optional>

class QMimeData;
class QVBoxLayout;

namespace kv {

class Chauffeur;
class LocationDeBenne;
class ModelContext;
class PrestationCard;
class Record;

// Same-day tests of the planning screen, in the device's calendar (the `jour` window).
bool memeJourPose(const LocationDeBenne* location, const DayWindow& jour);
bool memeJourEnlevement(const LocationDeBenne* location, const DayWindow& jour);
bool memeJourPose(const LocationDeBenne* location, const QDateTime& jour,
                  const QTimeZone& fuseau = QTimeZone::systemTimeZone());
bool memeJourEnlevement(const LocationDeBenne* location, const QDateTime& jour,
                        const QTimeZone& fuseau = QTimeZone::systemTimeZone());

// The driver's placements of the day by placement time, and his removals by removal time (both
// stable: equal times keep the order of his lists).
QList<LocationDeBenne*> posesDuJour(const Chauffeur* chauffeur, const DayWindow& jour);
QList<LocationDeBenne*> enlevementsDuJour(const Chauffeur* chauffeur, const DayWindow& jour);

// The day's placements and removals that no driver has yet, among all the store's rentals, in
// the same orders; whether the day has any work at all, given out or not; and how many jobs
// without a driver each of `jours` has. One pass over the store.
struct TravailSansChauffeur {
    QList<LocationDeBenne*> poses;
    QList<LocationDeBenne*> enlevements;
    bool travail = false;
    QList<int> nombres;
};
TravailSansChauffeur travailSansChauffeur(const ModelContext* context, const DayWindow& jour,
                                          const QList<DayWindow>& jours = {});
// Where the column without a driver reads its day's work (the store itself when none is given).
using SourceSansChauffeur = std::function<TravailSansChauffeur(const DayWindow& jour)>;

// A driver's column, or, without a driver, the day's work still to give out (« À attribuer »):
// a drop there takes the operation's driver off.
class PrestationsColumn : public QWidget {
    Q_OBJECT
public:
    PrestationsColumn(Chauffeur* chauffeur, const DayWindow& jour, ModelContext* context,
                      QWidget* parent = nullptr, SourceSansChauffeur source = {});

    Chauffeur* chauffeur() const { return m_chauffeur; }
    const DayWindow& jour() const { return m_jour; }
    void setJour(const DayWindow& jour);

    // Where the trace lines of drops go (the standard output by default).
    void setTrace(TraceDrop trace) { m_trace = std::move(trace); }

    // Builds the cards again from the driver's lists; waits while one of its cards is dragged.
    // With `touches` (the records a change touched, none of them a client or skip), keeps the
    // cards when the lists are the same and none of their rentals was touched.
    void actualiser(const QSet<const Record*>* touches = nullptr);
    bool glisserEnCours() const { return !m_carteGlissee.isNull(); }

    // A drop of `mime` on this column: whether it is taken (every drop that carries something,
    // whatever it turns out to be; the driver is given the operation on the next turn).
    bool recevoirDrop(const QMimeData* mime);

    // The column under a dragged card is marked, so that the user sees whose it is: the box
    // where the card will land, its kind's section (the whole column when that section is not
    // there yet, or when what is dragged is not an operation).
    void setMarquee(bool marquee, std::optional<TypePrestation> type = std::nullopt);
    bool marquee() const { return m_marque != nullptr; }

    QList<PrestationCard*> cartesPoses() const { return m_cartesPoses; }
    QList<PrestationCard*> cartesEnlevements() const { return m_cartesEnlevements; }
    bool afficheVide() const { return m_vide != nullptr; }
    // What the empty column says.
    QString texteVide() const;
    // Whose row the column is in, as its cards and its empty box say to a screen reader.
    QString nomLigne() const;

signals:
    void glisserCommence();
    void glisserTermine();
    // An assignment could not be saved and was taken back.
    void echecSauvegarde(const QString& message);
    // A drop gave this column's driver (none: took the driver off) the operation.
    void attribue(const kv::PrestationDragItem& item);
    // A card's menu was asked for.
    void menuPrestation(kv::LocationDeBenne* location, kv::TypePrestation type, const QPoint& positionGlobale);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* section(const QString& titre, const QList<LocationDeBenne*>& locations, TypePrestation type,
                     const QColor& teinte, QList<PrestationCard*>& cartes);
    void signaler(ResultatAttribution resultat, const QString& erreur, const PrestationDragItem& item);
    // Where the mark goes for the kind dragged.
    QRect zoneMarquee();
    void placerMarque();

    Chauffeur* m_chauffeur;
    DayWindow m_jour;
    ModelContext* m_context;
    TraceDrop m_trace = traceSortieStandard;
    SourceSansChauffeur m_source;
    QVBoxLayout* m_layout;
    QList<QWidget*> m_contenu;
    QList<PrestationCard*> m_cartesPoses;
    QList<PrestationCard*> m_cartesEnlevements;
    QWidget* m_vide = nullptr;
    // Without a driver: whether the day had work when the empty box was made.
    bool m_videTravail = false;
    QWidget* m_marque = nullptr;
    std::optional<TypePrestation> m_typeMarque;
    QWidget* m_sectionDeposes = nullptr;
    QWidget* m_sectionEnlevements = nullptr;
    QPointer<PrestationCard> m_carteGlissee;
    bool m_aActualiser = false;
};

} // namespace kv
