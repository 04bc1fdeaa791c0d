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
    connect(context, &ModelContext::changed, this, &SourceStatistiques::rafraichir);
}

const stats::ComptesTypes& SourceStatistiques::comptesTypes() const
{
    // In store order: the figures take the earliest rental where order matters, so the rentals
    // are not sorted for them.
    if (!m_comptesTypes)
        m_comptesTypes = stats::comptesTypes(locationsSansOrdre(), zone());
    return *m_comptesTypes;
}

const stats::ComptesVolumes& SourceStatistiques::comptesVolumes() const
{
    if (!m_comptesVolumes)
        m_comptesVolumes = stats::comptesVolumes(locationsSansOrdre(), zone());
    return *m_comptesVolumes;
}

QList<LocationDeBenne*> SourceStatistiques::locationsSansOrdre() const
{
    return m_context->all<LocationDeBenne>();
}

void SourceStatistiques::setHorloge(const Horloge& horloge)
{
    m_horloge = horloge;
    m_comptesTypes.reset();
    m_comptesVolumes.reset();
    emit changed(~EntityTypeMask(0));
}

void SourceStatistiques::rafraichir(const ModelChanges& changes)
{
    const EntityTypeMask lus = kLocations | kBennes | kTypes | kClients;
    if (!changes.touchesAny(lus))
        return;
    // A new waste type on a rental, a renamed type, a skip of another volume: the counts are
    // let go, and made again when next asked for.
    if (changes.touchesAny(kLocations | kTypes))
        m_comptesTypes.reset();
    if (changes.touchesAny(kLocations | kBennes))
        m_comptesVolumes.reset();
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

namespace {

// The earliest and latest placement of the rentals that `garder` keeps.
template <class Garder>
std::optional<std::pair<qint64, qint64>> etendue(const QList<LocationDeBenne*>& locations, Garder garder)
{
    std::optional<std::pair<qint64, qint64>> out;
    for (const LocationDeBenne* l : locations) {
        if (!garder(l))
            continue;
        const qint64 d = l->datePoseMs();
        if (!out)
            out = std::pair(d, d);
        out->first = std::min(out->first, d);
        out->second = std::max(out->second, d);
    }
    return out;
}

bool typeNomme(const LocationDeBenne* l)
{
    const TypeDechet* type = l->typeDechet();
    return type && !type->libelle().isEmpty();
}

} // namespace

ComptesTypes comptesTypes(const QList<LocationDeBenne*>& locations, const QTimeZone& zone)
{
    ComptesTypes out;
    const auto bornes = etendue(locations, typeNomme);
    if (!bornes)
        return out;
    out.mois = ComptesMois(zone, bornes->first, bornes->second);
    // A type is met once per record; two records of the same label and colour count as one.
    QList<std::pair<const TypeDechet*, int>> vus;
    const TypeDechet* dernier = nullptr;
    int cle = -1;
    qsizetype ordre = 0;
    for (const LocationDeBenne* l : locations) {
        if (!typeNomme(l))
            continue;
        const TypeDechet* type = l->typeDechet();
        if (type != dernier) {
            dernier = type;
            cle = -1;
            for (const auto& [t, c] : std::as_const(vus))
                if (t == type)
                    cle = c;
            if (cle < 0) {
                const std::optional<QString> couleur = type->couleur();
                for (int i = 0; i < out.types.size() && cle < 0; ++i)
                    if (out.types[i].libelle == type->libelle() && out.types[i].couleur == couleur)
                        cle = i;
                if (cle < 0) {
                    cle = int(out.types.size());
                    out.types.append({type->libelle(), couleur});
                }
                vus.append({type, cle});
            }
        }
        out.mois.ajouter(cle, l->datePoseMs(), ordre++);
    }
    return out;
}

ComptesVolumes comptesVolumes(const QList<LocationDeBenne*>& locations, const QTimeZone& zone)
{
    ComptesVolumes out;
    const auto bornes = etendue(locations, [](const LocationDeBenne* l) { return l->benne() != nullptr; });
    if (!bornes)
        return out;
    out.mois = ComptesMois(zone, bornes->first, bornes->second);
    const Benne* derniere = nullptr;
    int cle = -1;
    qsizetype ordre = 0;
    for (const LocationDeBenne* l : locations) {
        const Benne* b = l->benne();
        if (!b)
            continue;
        if (b != derniere) {
            derniere = b;
            const double v = b->volume();
            cle = -1;
            for (int i = 0; i < out.volumes.size() && cle < 0; ++i)
                if (memeVolume(out.volumes[i], v))
                    cle = i;
            if (cle < 0) {
                cle = int(out.volumes.size());
                out.volumes.append(v);
            }
        }
        out.mois.ajouter(cle, l->datePoseMs(), ordre++);
    }
    return out;
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
