#pragma once

// Which bookings of a skip already hold it on the days of a new one. Days are local calendar
// days: a skip removed on the day another placement starts is handed over that day (a rotation),
// not booked twice; two placements on one day are. A rental without removal date holds its skip
// from its placement on, with no end.

#include <QList>
#include <QString>
#include <QTimeZone>

#include <functional>
#include <optional>

namespace kv {

class Benne;
class LocationDeBenne;

// The live rentals of `benne` overlapping the days from `poseMs` to `enlevementMs` (none: from
// `poseMs` on, without end), earliest placement first. Only the skip's own rentals are read, and
// dates are compared as stored milliseconds.
QList<LocationDeBenne*> locationsChevauchantes(const Benne* benne, qint64 poseMs,
                                                const std::optional<qint64>& enlevementMs, const QTimeZone& zone);

// A booking's days as a sentence reads them: " du 15/03/2026 au 18/03/2026", or " à partir du
// 15/03/2026, sans date d’enlèvement"; `jour` writes one day.
QString periodeLocation(qint64 poseMs, const std::optional<qint64>& enlevementMs,
                        const std::function<QString(qint64)>& jour);

// How many characters a client's name takes at most in a sentence (see nomClientDistinct).
inline constexpr int kLongueurNomDansUnePhrase = 80;

// A rental's client as a question or a warning names it: told apart from the clients of the same
// name by what tells it apart, kept whole (a long name, then the street, cut with « … »).
QString clientNomme(const LocationDeBenne* location);

// Who already holds the skip: the first of `autres` by its client and its days, then how many
// others hold it too, the second named when it is the only other ("Cette benne est déjà louée à
// … ."). Empty when none does.
QString texteDejaLouee(const QList<LocationDeBenne*>& autres, const std::function<QString(qint64)>& jour);

} // namespace kv
