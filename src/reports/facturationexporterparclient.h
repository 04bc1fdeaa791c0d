#pragma once

// The billing CSV by client: every rental of a period that was removed by the end of today and
// weighed, grouped by client, each line priced, each client closed by its subtotal and one VAT
// line per rate.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>
#include <QUuid>

#include <functional>
#include <utility>

namespace kv {

class ModelContext;
class LocationDeBenne;

class FacturationExporterParClient {
public:
    // The whole text. `debutMs` and `finMs` bound the period (both inclusive); `maintenantMs` is
    // the present moment, `zone` the calendar's time zone (dates, billed days, end of today).
    // `nombreLocations`, when given, receives the number of rentals billed. `progression`, when
    // given, hears how many of the clients billed are written, out of how many, after each one.
    using Progression = std::function<void(qsizetype faits, qsizetype total)>;
    static QString genererCSV(const ModelContext* context, qint64 debutMs, qint64 finMs,
                              qint64 maintenantMs, const QTimeZone& zone, qsizetype* nombreLocations = nullptr,
                              const Progression& progression = {});

    // The rentals placed by the end of the period and not removed before its start, in store order.
    static QList<LocationDeBenne*> chargerLocations(const ModelContext* context, qint64 debutMs,
                                                    qint64 finMs);

    // 23:59:59 of the present day in the zone; the present moment when that time does not exist.
    static qint64 finDuJour(qint64 maintenantMs, const QTimeZone& zone);

    using Groupe = std::pair<QUuid, QList<LocationDeBenne*>>;
    // Clients by name (the locale's case-insensitive order), then exact name, then id.
    static void trierClients(QList<Groupe>& groupes);

    // "1234,50": two decimals, half to even on the shortest decimal text, no thousands separator.
    static QString formatMontant(double montant);
    // "yyyy-MM-dd" of the instant's day in the zone.
    static QString formatDate(qint64 ms, const QTimeZone& zone);

    // "facturation Kestrovan du 01-01-2025 au 06-12-2026.csv".
    static QString nomFichier(qint64 debutMs, qint64 finMs, const QTimeZone& zone);

    static const QString& entete();
};

} // namespace kv
