#include "sourcestatistiques.h"

#include <QDateTime>
#include <QHash>

#include <vector>

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

namespace {

// What the counts are made of, read off the records in one pass (each record is reached once):
// per rental kept, its placement and its key; the span of the placements.
struct Lues {
    std::vector<std::pair<qint64, int>> lignes;
    qint64 premiere = 0;
    qint64 derniere = 0;

    void ajouter(qint64 date, int cle)
    {
        if (lignes.empty())
            premiere = derniere = date;
        premiere = std::min(premiere, date);
        derniere = std::max(derniere, date);
        lignes.emplace_back(date, cle);
    }
    void compter(ComptesMois& mois, const QTimeZone& zone) const
    {
        if (lignes.empty())
            return;
        mois = ComptesMois(zone, premiere, derniere);
        for (size_t i = 0; i < lignes.size(); ++i)
            mois.ajouter(lignes[i].second, lignes[i].first, qsizetype(i));
    }
};

// The key of a waste type among the few met so far, found by its address; `nouvelle` gives
// the key of one met for the first time (-1: not counted).
template <class Nouvelle>
int cleDe(const TypeDechet* r, QList<std::pair<const TypeDechet*, int>>& vus, Nouvelle nouvelle)
{
    for (const auto& [vu, cle] : std::as_const(vus))
        if (vu == r)
            return cle;
    const int cle = nouvelle(r);
    vus.append({r, cle});
    return cle;
}

} // namespace

ComptesTypes comptesTypes(const QList<LocationDeBenne*>& locations, const QTimeZone& zone)
{
    ComptesTypes out;
    Lues lues;
    lues.lignes.reserve(size_t(locations.size()));
    // Two records of the same label and colour count as one type; a type without a label is
    // left out.
    QList<std::pair<const TypeDechet*, int>> vus;
    const auto nouvelle = [&out](const TypeDechet* type) {
        if (type->libelle().isEmpty())
            return -1;
        const std::optional<QString> couleur = type->couleur();
        for (int i = 0; i < out.types.size(); ++i)
            if (out.types[i].libelle == type->libelle() && out.types[i].couleur == couleur)
                return i;
        out.types.append({type->libelle(), couleur});
        return int(out.types.size()) - 1;
    };
    const TypeDechet* dernier = nullptr;
    int cle = -1;
    for (const LocationDeBenne* l : locations) {
        const TypeDechet* type = l->typeDechet();
        if (!type)
            continue;
        if (type != dernier) {
            dernier = type;
            cle = cleDe(type, vus, nouvelle);
        }
        if (cle >= 0)
            lues.ajouter(l->datePoseMs(), cle);
    }
    lues.compter(out.mois, zone);
    return out;
}

ComptesVolumes comptesVolumes(const QList<LocationDeBenne*>& locations, const QTimeZone& zone)
{
    ComptesVolumes out;
    Lues lues;
    lues.lignes.reserve(size_t(locations.size()));
    // The skips are many: each is found by its address in a table.
    QHash<const Benne*, int> vues;
    for (const LocationDeBenne* l : locations) {
        const Benne* b = l->benne();
        if (!b)
            continue;
        auto it = vues.constFind(b);
        if (it == vues.cend()) {
            const double v = b->volume();
            int cle = -1;
            for (int i = 0; i < out.volumes.size() && cle < 0; ++i)
                if (memeVolume(out.volumes[i], v))
                    cle = i;
            if (cle < 0) {
                cle = int(out.volumes.size());
                out.volumes.append(v);
            }
            it = vues.insert(b, cle);
        }
        lues.ajouter(l->datePoseMs(), *it);
    }
    lues.compter(out.mois, zone);
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
