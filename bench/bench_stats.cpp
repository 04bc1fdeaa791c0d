// Statistics on the large office: the hub's lists, and each statistic's figures computed from
// them (year lists included), as the screens compute them when the store changes.
#include "office.h"

#include "model/modelcontext.h"
#include "stats/sourcestatistiques.h"
#include "stats/statsfigures.h"

#include <benchmark/benchmark.h>

#include <QDateTime>

#include <memory>

using namespace kv;
using namespace kv::stats;

namespace {

using kv::bench::seconds;

constexpr double kLimiteMs = 500;

ModelContext* office()
{
    static std::unique_ptr<ModelContext> ctx = ModelContext::open(kv::bench::officeCopy(QStringLiteral("statistiques")));
    return ctx.get();
}

SourceStatistiques* source()
{
    static SourceStatistiques* s = new SourceStatistiques(office());
    return s;
}

qint64 maintenant()
{
    return QDateTime(kv::bench::today(), QTime(10, 0)).toMSecsSinceEpoch();
}

// Times `f` once per iteration and records its best time against the limit.
template <class F>
void mesurer(benchmark::State& state, const QString& label, F&& f)
{
    source(); // the store is open and the hub's lists evaluated before the clock starts
    for (auto _ : state) {
        const double s = seconds(f);
        kv::bench::recordFigure(label, s * 1000, "ms", kLimiteMs);
        state.SetIterationTime(s);
    }
}

void BM_LignesDuHub(benchmark::State& state)
{
    mesurer(state, QStringLiteral("statistiques : listes et lignes du hub"), [] {
        // A new hub: both live lists evaluated, the waste-type counts made.
        SourceStatistiques hub(office());
        benchmark::DoNotOptimize(hub.toutesBennes().size());
        benchmark::DoNotOptimize(hub.comptesTypes().types.size());
    });
}

void BM_Saisonnalite(benchmark::State& state)
{
    mesurer(state, QStringLiteral("statistiques : saisonnalité"), [] {
        const QTimeZone zone = source()->zone();
        const QList<qint64> dates = datesPose(source()->toutesLocations());
        benchmark::DoNotOptimize(anneesSaisonnalite(dates, 2026, zone));
        const auto serie = statsParMois(dates, 2025, zone);
        benchmark::DoNotOptimize(picCreux(serie));
    });
}

void BM_Volumes(benchmark::State& state)
{
    mesurer(state, QStringLiteral("statistiques : volumes et couleurs"), [] {
        const QList<LocationDeBenne*> locations = source()->toutesLocations();
        benchmark::DoNotOptimize(statsParVolume(volumesDesLocations(locations)));
        benchmark::DoNotOptimize(statsParCouleur(couleursDesLocations(locations)));
    });
}

void BM_TypesDechet(benchmark::State& state)
{
    mesurer(state, QStringLiteral("statistiques : types de déchets"), [] {
        // Counted from the records, as on a first visit.
        const ComptesTypes comptes = comptesTypes(source()->toutesLocations(), source()->zone());
        benchmark::DoNotOptimize(comptes.mois.annees());
        for (std::optional<int> annee : {std::optional<int>(), std::optional<int>(2025)}) {
            benchmark::DoNotOptimize(statsParType(comptes, annee));
            benchmark::DoNotOptimize(seriesTimeline(statsTimeline(comptes, annee)));
        }
    });
}

void BM_Occupation(benchmark::State& state)
{
    mesurer(state, QStringLiteral("statistiques : taux d'occupation"), [] {
        benchmark::DoNotOptimize(occupation(periodesDesBennes(source()->toutesBennes()), maintenant()));
    });
}

void BM_ClientsInactifs(benchmark::State& state)
{
    mesurer(state, QStringLiteral("statistiques : clients inactifs"), [] {
        // The screen's own list of clients by name, then its rows.
        Query<Client> clients(office(), {},
                              [](const Client* a, const Client* b) { return QString::localeAwareCompare(a->nom(), b->nom()) < 0; });
        const auto rows = clientsInactifs(activitesDesClients(clients.results()), 6, true, maintenant(),
                                          source()->zone());
        benchmark::DoNotOptimize(rows.size());
    });
}

void BM_Rendement(benchmark::State& state)
{
    mesurer(state, QStringLiteral("statistiques : rendement par volume"), [] {
        const ComptesVolumes comptes = comptesVolumes(source()->toutesLocations(), source()->zone());
        benchmark::DoNotOptimize(comptes.mois.annees());
        const QList<double> bennes = volumesDesBennes(source()->toutesBennes());
        for (std::optional<int> annee : {std::optional<int>(), std::optional<int>(2025)}) {
            benchmark::DoNotOptimize(calculerRendementParVolume(bennes, comptes, annee));
            benchmark::DoNotOptimize(calculerRendementParVolumeMois(bennes, comptes, annee));
        }
    });
}

} // namespace

static kv::bench::Registrar registrar(60, [] {
    for (auto [nom, f] : std::initializer_list<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"statistiques : listes et lignes du hub", BM_LignesDuHub},
             {"statistiques : saisonnalité", BM_Saisonnalite},
             {"statistiques : volumes et couleurs", BM_Volumes},
             {"statistiques : types de déchets", BM_TypesDechet},
             {"statistiques : taux d'occupation", BM_Occupation},
             {"statistiques : clients inactifs", BM_ClientsInactifs},
             {"statistiques : rendement par volume", BM_Rendement}})
        benchmark::RegisterBenchmark(nom, f)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
});
