#include "chevauchementlocations.h"

#include "model/daywindow.h"
#include "model/helpers.h"
#include "model/records.h"

#include <QLocale>

#include <algorithm>
#include <limits>

namespace kv {

QList<LocationDeBenne*> locationsChevauchantes(const Benne* benne, qint64 poseMs,
                                                const std::optional<qint64>& enlevementMs, const QTimeZone& zone)
{
    QList<LocationDeBenne*> out;
    if (!benne)
        return out;
    // The new booking's bounds, computed once: each rental is then read as two numbers.
    const DayWindow jourPose = dayWindowOf(poseMs, zone);
    // Without removal, the new booking runs for ever.
    const qint64 debutJourEnlevement =
        enlevementMs ? startOfDayMs(*enlevementMs, zone) : std::numeric_limits<qint64>::max();
    for (LocationDeBenne* l : benne->locations()) {
        if (l->isDeleted())
            continue;
        const qint64 pose = l->datePoseMs();
        // Without removal date, the skip's next placement ends the hold (see finDeTenueMs).
        const std::optional<qint64> fin = finDeTenueMs(l);
        // Placed before the new removal's day (or the new one has no end)…
        const bool commenceAvant = pose < debutJourEnlevement;
        // …and removed after the new placement's day (or never).
        const bool finitApres = !fin || *fin >= jourPose.fin;
        if (jourPose.contains(pose) || (commenceAvant && finitApres))
            out.append(l);
    }
    std::stable_sort(out.begin(), out.end(), [](const LocationDeBenne* a, const LocationDeBenne* b) {
        return a->datePoseMs() < b->datePoseMs();
    });
    return out;
}

QString periodeLocation(qint64 poseMs, const std::optional<qint64>& enlevementMs,
                        const std::function<QString(qint64)>& jour)
{
    return enlevementMs ? QStringLiteral(" du ") + jour(poseMs) + QStringLiteral(" au ") + jour(*enlevementMs)
                        : QStringLiteral(" à partir du ") + jour(poseMs) + QStringLiteral(", sans date d’enlèvement");
}

QString clientNomme(const LocationDeBenne* location)
{
    return location && location->client() ? nomClientDistinct(location->client(), kLongueurNomDansUnePhrase)
                                          : QStringLiteral("un client inconnu");
}

QString texteDejaLouee(const QList<LocationDeBenne*>& autres, const std::function<QString(qint64)>& jour)
{
    if (autres.isEmpty())
        return {};
    const LocationDeBenne* premiere = autres.first();
    QString texte = QStringLiteral("Cette benne est déjà louée à ") + clientNomme(premiere)
                    + periodeLocation(premiere->datePoseMs(), premiere->dateEnlevementMs(), jour) + QLatin1Char('.');
    const qsizetype encore = autres.size() - 1;
    if (encore == 1) {
        // Named: it may be the namesake's.
        const LocationDeBenne* autre = autres.at(1);
        texte += QStringLiteral(" Une autre location la tient aussi sur ces jours : celle de ") + clientNomme(autre)
                 + periodeLocation(autre->datePoseMs(), autre->dateEnlevementMs(), jour) + QLatin1Char('.');
    }
    else if (encore > 1)
        texte += QStringLiteral(" %1 autres locations la tiennent aussi sur ces jours.").arg(QLocale().toString(encore));
    return texte;
}

} // namespace kv
