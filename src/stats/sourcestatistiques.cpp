#include "sourcestatistiques.h"

#include <QDateTime>

namespace kv {

namespace {

// The live list of this store under that name, made on first use as the store's child.
// `ordonner` gives a new list its order.
template <class T, class Ordonner>
Query<T>* listeDuMagasin(ModelContext* context, const char* nom, Ordonner ordonner)
{
    const QString n = QLatin1String(nom);
    for (QueryBase* q : context->findChildren<QueryBase*>(n, Qt::FindDirectChildrenOnly))
        if (q->entityType() == T::kType)
            return static_cast<Query<T>*>(q);
    auto* q = new Query<T>(context, {}, {}, context);
    q->setObjectName(n);
    ordonner(*q);
    return q;
}

} // namespace

SourceStatistiques::SourceStatistiques(ModelContext* context, const Horloge& horloge, QObject* parent)
    : QObject(parent),
      m_context(context),
      m_locations(listeDuMagasin<LocationDeBenne>(context, "statistiques.locationsParDatePose",
                                                  [](Query<LocationDeBenne>& q) {
                                                      q.setSortKey([](const LocationDeBenne* l) { return l->datePoseMs(); });
                                                  })),
      m_bennes(listeDuMagasin<Benne>(context, "statistiques.bennesParVolume",
                                     [](Query<Benne>& q) {
                                         q.setLessThan([](const Benne* a, const Benne* b) {
                                             return stats::volumeAvant(a->volume(), b->volume());
                                         });
                                     })),
      m_horloge(horloge)
{
    // A new waste type on a rental, or a renamed type, changes the rows as much as a new rental:
    // they are let go at every change of the store, and built again when next asked for.
    connect(context, &ModelContext::changed, this, &SourceStatistiques::rafraichir);
}

const QList<stats::LocationDeBenneStat>& SourceStatistiques::lesLocations() const
{
    if (!m_lesLocationsAJour) {
        // In store order: the figures made of them take the earliest rental where order
        // matters, so the rentals are not sorted for them.
        m_lesLocations = stats::construireLocationsStat(locationsSansOrdre());
        m_lesLocationsAJour = true;
    }
    return m_lesLocations;
}

QList<LocationDeBenne*> SourceStatistiques::locationsSansOrdre() const
{
    return m_context->all<LocationDeBenne>();
}

void SourceStatistiques::setHorloge(const Horloge& horloge)
{
    m_horloge = horloge;
    emit changed(~EntityTypeMask(0));
}

void SourceStatistiques::rafraichir(const ModelChanges& changes)
{
    const EntityTypeMask lus = kLocations | kBennes | kTypes | kClients;
    if (!changes.touchesAny(lus))
        return;
    if (changes.touchesAny(kLocations | kTypes)) {
        m_lesLocations = {};
        m_lesLocationsAJour = false;
    }
    emit changed(changes.types() & lus);
}

namespace stats {

QList<LocationDeBenneStat> construireLocationsStat(const QList<LocationDeBenne*>& locations)
{
    QList<LocationDeBenneStat> rows;
    rows.reserve(locations.size());
    for (const LocationDeBenne* l : locations) {
        const TypeDechet* type = l->typeDechet();
        if (!type || type->libelle().isEmpty())
            continue;
        rows.append({l->datePoseMs(), type->libelle(), type->couleur()});
    }
    return rows;
}

QList<qint64> datesPose(const QList<LocationDeBenne*>& locations)
{
    QList<qint64> out;
    out.reserve(locations.size());
    for (const LocationDeBenne* l : locations)
        out.append(l->datePoseMs());
    return out;
}

QList<double> volumesDesLocations(const QList<LocationDeBenne*>& locations)
{
    QList<double> out;
    out.reserve(locations.size());
    for (const LocationDeBenne* l : locations)
        if (l->benne())
            out.append(l->benne()->volume());
    return out;
}

QList<QString> couleursDesLocations(const QList<LocationDeBenne*>& locations)
{
    QList<QString> out;
    out.reserve(locations.size());
    for (const LocationDeBenne* l : locations)
        if (l->benne())
            out.append(l->benne()->couleur());
    return out;
}

QList<double> volumesDesBennes(const QList<Benne*>& bennes)
{
    QList<double> out;
    out.reserve(bennes.size());
    for (const Benne* b : bennes)
        out.append(b->volume());
    return out;
}

QList<LocationVolume> locationsVolumes(const QList<LocationDeBenne*>& locations)
{
    QList<LocationVolume> out;
    out.reserve(locations.size());
    for (const LocationDeBenne* l : locations)
        if (l->benne())
            out.append({l->benne()->volume(), l->datePoseMs()});
    return out;
}

namespace {

QList<Periode> periodes(const QList<LocationDeBenne*>& locations)
{
    QList<Periode> out;
    out.reserve(locations.size());
    for (const LocationDeBenne* l : locations)
        if (!l->isDeleted())
            out.append({l->datePoseMs(), l->dateEnlevementMs()});
    return out;
}

} // namespace

QList<QList<Periode>> periodesDesBennes(const QList<Benne*>& bennes)
{
    QList<QList<Periode>> out;
    out.reserve(bennes.size());
    for (const Benne* b : bennes)
        out.append(periodes(b->locations()));
    return out;
}

QList<ClientActivite> activitesDesClients(const QList<Client*>& clients)
{
    QList<ClientActivite> out;
    out.reserve(clients.size());
    for (const Client* c : clients)
        out.append({c->id(), c->nom(), c->couleur(), c->telephone(), c->email(), periodes(c->locations())});
    return out;
}

} // namespace stats

} // namespace kv
