#pragma once

#include "statsfigures.h"

#include "model/horloge.h"
#include "model/query.h"
#include "model/records.h"

#include <QObject>
#include <QTimeZone>

#include <functional>
#include <optional>

namespace kv {

// What the statistics hub hands its statistics: the live lists of every rental (placement date
// ascending) and every skip (volume ascending), the rentals counted per month by waste type and
// by skip volume, the clock and the time zone. `changed` tells the statistics shown which record
// types changed, so each recomputes its figures only when a type it reads did; nothing is
// recomputed at paint time.
class SourceStatistiques : public QObject {
    Q_OBJECT
public:
    explicit SourceStatistiques(ModelContext* context, const Horloge& horloge = Horloge::systeme(),
                                QObject* parent = nullptr);

    ModelContext* context() const { return m_context; }
    QList<LocationDeBenne*> toutesLocations() const { return m_locations->results(); }
    QList<Benne*> toutesBennes() const { return m_bennes->results(); }
    // Every rental in store order, for the figures that do not depend on the order (counts,
    // sums, places): only the statistic that reads rentals in date order sorts them, when it is
    // first shown.
    QList<LocationDeBenne*> locationsSansOrdre() const;
    // The rentals counted per waste type and month, and per skip volume and month: built when
    // first asked for, kept until the store changes the records they are made of.
    const stats::ComptesTypes& comptesTypes() const;
    const stats::ComptesVolumes& comptesVolumes() const;

    // The present moment (milliseconds) and the user's time zone; tests set their own.
    qint64 maintenant() const { return m_horloge.maintenant(); }
    QTimeZone zone() const { return m_horloge.zone; }
    const Horloge& horloge() const { return m_horloge; }
    void setHorloge(const Horloge& horloge);

    // Each statistic's record types.
    static constexpr EntityTypeMask kLocations = entityBit(EntityType::LocationDeBenne);
    static constexpr EntityTypeMask kBennes = entityBit(EntityType::Benne);
    static constexpr EntityTypeMask kTypes = entityBit(EntityType::TypeDechet);
    static constexpr EntityTypeMask kClients = entityBit(EntityType::Client);

signals:
    void changed(kv::EntityTypeMask types);

private:
    void rafraichir(const ModelChanges& changes);

    ModelContext* m_context;
    // One pair of live lists per store, kept from one opening of the hub to the next: a sorted
    // list is sorted once, then kept up to date by the changes alone.
    Query<LocationDeBenne>* m_locations;
    Query<Benne>* m_bennes;
    mutable std::optional<stats::ComptesTypes> m_comptesTypes;
    mutable std::optional<stats::ComptesVolumes> m_comptesVolumes;
    Horloge m_horloge;
};

// The plain lists the figures are computed from, read off the records in their given order.
namespace stats {

// Rentals with a waste type whose label is not empty counted by type, and those with a skip by
// its volume, in the order given (the earliest of equal dates is the first given).
ComptesTypes comptesTypes(const QList<LocationDeBenne*>& locations, const QTimeZone& zone);
ComptesVolumes comptesVolumes(const QList<LocationDeBenne*>& locations, const QTimeZone& zone);
QList<qint64> datesPose(const QList<LocationDeBenne*>& locations);
QList<double> volumesDesLocations(const QList<LocationDeBenne*>& locations);
QList<QString> couleursDesLocations(const QList<LocationDeBenne*>& locations);
QList<double> volumesDesBennes(const QList<Benne*>& bennes);
QList<QList<Periode>> periodesDesBennes(const QList<Benne*>& bennes);
QList<ClientActivite> activitesDesClients(const QList<Client*>& clients);

} // namespace stats

} // namespace kv
