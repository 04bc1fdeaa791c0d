#include "chevauchementlocations.h"

#include "model/daywindow.h"
#include "model/helpers.h"
#include "model/records.h"

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

} // namespace kv
