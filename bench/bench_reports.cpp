// Report benchmarks on the large office: the billing text of one month for every client, the
// CSV of every rental of that month, and the monthly report screen opening on 5,000 clients.
#include "office.h"

#include "model/modelcontext.h"
#include "reports/facturationexporterparclient.h"
#include "reports/rapportdonnees.h"
#include "reports/rapportmensuelview.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace kv;

namespace {

using kv::bench::seconds;

const QTimeZone kZone("Europe/Paris");

ModelContext* office()
{
    static std::unique_ptr<ModelContext> ctx = ModelContext::open(kv::bench::officeCopy(QStringLiteral("rapports")));
    return ctx.get();
}

qint64 ms(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0), kZone).toMSecsSinceEpoch();
}

void BM_FacturationDuMois(benchmark::State& state)
{
    ModelContext* ctx = office();
    for (auto _ : state) {
        QString texte;
        const double s = seconds([&] {
            texte = FacturationExporterParClient::genererCSV(ctx, ms(2023, 3, 1), ms(2023, 4, 1) - 1,
                                                             ms(2026, 12, 6), kZone);
        });
        benchmark::DoNotOptimize(texte);
        state.counters["lignes"] = double(texte.count(QLatin1Char('\n')));
        kv::bench::recordFigure(QStringLiteral("facturation d'un mois, tous clients"), s, "s", 1.0);
        state.SetIterationTime(s);
    }
}

void BM_RapportsDuMoisCSV(benchmark::State& state)
{
    ModelContext* ctx = office();
    for (auto _ : state) {
        QString texte;
        const double s = seconds([&] { texte = rapport::csvTousClients(ctx, ms(2023, 3, 15), kZone); });
        benchmark::DoNotOptimize(texte);
        state.counters["lignes"] = double(texte.count(QLatin1Char('\n')));
        kv::bench::recordFigure(QStringLiteral("CSV des rapports d'un mois, tous clients"), s, "s", 1.0);
        state.SetIterationTime(s);
    }
}

void BM_OuvertureRapportMensuel(benchmark::State& state)
{
    ModelContext* ctx = office();
    for (auto _ : state) {
        const double s = seconds([&] {
            RapportMensuelView vue(ctx);
            vue.setSelectedClient(ctx->all<Client>().value(42));
            benchmark::DoNotOptimize(vue.locationsDuMois());
        });
        kv::bench::recordFigure(QStringLiteral("ouverture du rapport mensuel (5 000 clients)"), s, "s", 0.5);
        state.SetIterationTime(s);
    }
}

} // namespace

static kv::bench::Registrar registrar(50, [] {
    benchmark::RegisterBenchmark("facturation d'un mois", BM_FacturationDuMois)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("CSV des rapports d'un mois", BM_RapportsDuMoisCSV)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ouverture du rapport mensuel", BM_OuvertureRapportMensuel)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
});
