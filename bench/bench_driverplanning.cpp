// Drivers' planning on the large office: choosing another day (rows in view built again and
// painted) and preparing every driver's e-mail of a day.
#include "office.h"

#include "driverplanning/emailplanning.h"
#include "driverplanning/vueplanningchauffeurs.h"
#include "model/modelcontext.h"
#include "model/records.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QTimeZone>

using namespace kv;

namespace {

using kv::bench::seconds;

const QTimeZone& paris()
{
    static const QTimeZone z("Europe/Paris");
    return z;
}

// A Tuesday well inside the office's years of rentals; the clock stands the day before.
QDateTime jour(int decalage)
{
    return QDateTime(QDate(2022, 9, 14).addDays(decalage), QTime(0, 0), paris());
}

void lesEvenements()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

void BM_ChoisirUnJour(benchmark::State& state)
{
    auto ctx = ModelContext::open(kv::bench::officePath());
    VuePlanningChauffeurs vue(ctx.get(), nullptr, Horloge::fixe(jour(-1).addSecs(36000), paris()),
                              [](const QString&, const QString&, const QString&) { return ResultatComposition::ouvert; });
    vue.setTrace([](const QString&) {});
    vue.resize(1200, 760);
    vue.show();
    lesEvenements();
    int n = 0;
    for (auto _ : state) {
        const double s = seconds([&] {
            vue.setSelectedDate(jour(++n % 2));
            lesEvenements();
            QPixmap image = vue.grab();
            benchmark::DoNotOptimize(image);
        });
        kv::bench::recordFigure(QStringLiteral("planning des chauffeurs : autre jour choisi"), s * 1000, "ms", 100);
        state.SetIterationTime(s);
    }
}

void BM_TransmettrePlanning(benchmark::State& state)
{
    auto ctx = ModelContext::open(kv::bench::officePath());
    const QList<Chauffeur*> chauffeurs = ctx->all<Chauffeur>();
    int messages = 0;
    const ComposeurEmail faux = [&](const QString&, const QString&, const QString& corps) {
        messages += !corps.isEmpty();
        return ResultatComposition::ouvert;
    };
    preferencesEmailParDefaut(ctx.get());
    for (auto _ : state) {
        const double s = seconds([&] {
            transmettrePlanning(chauffeurs, jour(0), ctx.get(), faux, jour(-1));
        });
        kv::bench::recordFigure(QStringLiteral("transmettre planning, 50 chauffeurs"), s * 1000, "ms", 200);
        state.SetIterationTime(s);
    }
    benchmark::DoNotOptimize(messages);
}

} // namespace

static kv::bench::Registrar registrar(40, [] {
    benchmark::RegisterBenchmark("planning des chauffeurs : autre jour", BM_ChoisirUnJour)
        ->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("transmettre planning", BM_TransmettrePlanning)
        ->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
});
