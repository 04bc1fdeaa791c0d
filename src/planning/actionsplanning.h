#pragma once

// What the planning grid does to rentals: move and stretch by whole days, delete, duplicate as
// a rotation, give a dropped driver a job. Each action reports on the console, one line per
// event opened by an emoji, and returns what the screen must tell the user.

#include "calendrierplanning.h"

#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

namespace kv {

class Chauffeur;
class LocationDeBenne;
class ModelContext;

namespace planning {

// Outcome of an action that saves: ok, or the text of the failure to show (prefix included).
// A driver as the screens name him: first name and name, or that he has none.
QString nomChauffeur(const Chauffeur* chauffeur);
// « Pose : Karim Martin », « Enlèvement : … »: the rental's drivers, one a line (none when it has none).
QStringList lignesChauffeurs(const LocationDeBenne* location);

struct Issue {
    bool ok = true;
    QString messageErreur;
    // A success that changed nothing: why, to tell the user.
    QString avis;
};

// The part of a bar a drag holds: its body moves both dates, a handle one of them.
enum class Prise { corps, debut, fin };

// A rental's dates as stored milliseconds.
struct DatesLocation {
    qint64 pose = 0;
    std::optional<qint64> enlevement;
    bool operator==(const DatesLocation&) const = default;
};

enum class IssueDuplication { creee, impossible, refusee, echecSauvegarde };

class ActionsPlanning {
public:
    using Journal = std::function<void(const QString& ligne)>;

    ActionsPlanning(ModelContext* context, Horloge horloge);

    ModelContext* context() const { return m_context; }
    const Horloge& horloge() const { return m_horloge; }
    // Where the console lines go (standard output unless replaced).
    void setJournal(Journal journal) { m_journal = std::move(journal); }

    // End of the three drags, given the horizontal translation in points. They change the
    // dates in the context without saving: the context's own saving stores them. Each returns
    // true when a date changed.
    bool deplacerLocation(LocationDeBenne* location, double translation);
    bool redimensionnerDebut(LocationDeBenne* location, double translation);
    bool redimensionnerFin(LocationDeBenne* location, double translation);
    // The dates a drag of `translation` points holding `prise` gives the rental; none when it
    // changes nothing. The three drags store exactly this, and the grid draws it while the drag
    // lasts, so that the bar shown at release is the one stored.
    std::optional<DatesLocation> datesApresGlissement(const LocationDeBenne* location, Prise prise,
                                                      double translation) const;
    // Writes dates into the rental (without saving); true when one changed.
    bool appliquer(LocationDeBenne* location, const DatesLocation& dates) const;

    // Deletes the rental (its weighbridge tickets with it) and saves.
    Issue supprimerLocation(LocationDeBenne* location);

    // Books the same skip again from the day the rental ends, for as long, shortened so as not
    // to run into the skip's next booking. `creee` receives the new rental; on a refusal,
    // `bloquante` receives the booking that holds the skip on the day the rental ends. When it
    // is impossible (no removal date, nothing to repeat), `messageErreur` receives why.
    IssueDuplication dupliquerEnRotation(LocationDeBenne* source, QString* messageErreur = nullptr,
                                         LocationDeBenne** creee = nullptr, LocationDeBenne** bloquante = nullptr);
    // True when a booking of the skip holds it on a day of the proposed period [debut, fin) of
    // whole days, as the grid draws it: a booking placed within the period holds at least its
    // placement day, one without removal date every day after its placement.
    bool chevauchement(const LocationDeBenne* candidat, qint64 finProposee, qint64 debutNouvelle) const;

    // A driver dropped on a rental: the placement when it is not yet past and has no driver,
    // else the removal on the same terms; then the rental that follows this one at the same
    // address receives him as placing driver. Saves. When none of it changes anything, the
    // issue's `avis` says why.
    Issue attribuerChauffeurDepose(LocationDeBenne* location, const QUuid& chauffeurId);
    // Takes the driver off the rental's placement (`pose`) or removal, and saves; on a failed
    // save he is back, as the file still has him.
    Issue retirerChauffeur(LocationDeBenne* location, bool pose);
    // True when the following rental received the driver.
    bool detecterRotation(LocationDeBenne* location, Chauffeur* chauffeur);
    // Why a drop changed nothing, naming the driver and the rental (client, look-alikes told
    // apart, and dates).
    QString texteAucunChangement(const LocationDeBenne* location, const Chauffeur* chauffeur, qint64 aujourdhui) const;
    // "Dupont (Lyon) du 10/03/2026 au 20/03/2026": which rental, in a sentence.
    QString texteLocation(const LocationDeBenne* location) const;
    static bool correspondRotation(const LocationDeBenne* candidat, const LocationDeBenne* location,
                                   qint64 dateEnlevementMs, const QString& adresse);

    // The start of today in the local time zone.
    qint64 debutAujourdhui() const;

    // Writes one console line.
    void ecrire(const QString& ligne) const;

private:

    ModelContext* m_context;
    Horloge m_horloge;
    Journal m_journal;
};

} // namespace planning
} // namespace kv
