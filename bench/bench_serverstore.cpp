// The store on a PostgreSQL server of this machine: the large office opened from it, and one
// change saved to it. The server is the tests' throwaway one, started for the bench alone and
// writing every commit to the disk.
#include "office.h"
#include "pgserver.h"

#include "model/modelcontext.h"
#include "model/records.h"
#include "model/storecopy.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace kv;

namespace {

using kv::bench::seconds;

// The large office, copied once into a database of the server; empty when that failed.
QString serverOffice()
{
    static const QString location = [] {
        QString error;
        if (!pgtest::start(&error, true)) {
            std::fprintf(stderr, "❌ %s\n", qPrintable(error));
            return QString();
        }
        const QString database = pgtest::freshDatabase();
        auto local = ModelContext::open(kv::bench::officePath(), &error);
        if (!local || !copyStore(*local, database, {}, &error)) {
            std::fprintf(stderr, "❌ %s\n", qPrintable(error));
            return QString();
        }
        return database;
    }();
    return location;
}

void BM_ServerOpen(benchmark::State& state)
{
    const QString location = serverOffice();
    if (location.isEmpty()) {
        state.SkipWithError("pas de serveur");
        kv::bench::recordLine(QStringLiteral("ouverture de la base du serveur"), QStringLiteral("pas de serveur"), false);
        return;
    }
    for (auto _ : state) {
        std::unique_ptr<ModelContext> ctx;
        const double s = seconds([&] { ctx = ModelContext::open(location); });
        if (!ctx)
            state.SkipWithError("ouverture refusée");
        ctx.reset();
        kv::bench::recordFigure(QStringLiteral("ouverture de la base du serveur"), s, "s", 1.5);
        state.SetIterationTime(s);
    }
}

void BM_ServerSaveOneChange(benchmark::State& state)
{
    const QString location = serverOffice();
    auto ctx = location.isEmpty() ? nullptr : ModelContext::open(location);
    if (!ctx) {
        state.SkipWithError("pas de serveur");
        return;
    }
    auto* l = ctx->all<LocationDeBenne>()[100000];
    int n = 0;
    for (auto _ : state) {
        l->setTarifPose(double(++n));
        const double s = seconds([&] { ctx->save(); });
        kv::bench::recordFigure(QStringLiteral("sauvegarde d'une location modifiée sur le serveur"), s * 1000, "ms", 10);
        state.SetIterationTime(s);
    }
    // The last of the server's benchmarks: it stops with them.
    ctx.reset();
    pgtest::stop();
}

} // namespace

static kv::bench::Registrar registrar(1, [] {
    benchmark::RegisterBenchmark("ouverture de la base du serveur", BM_ServerOpen)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("sauvegarde sur le serveur", BM_ServerSaveOneChange)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
});
