// First opening of a client picker and first key in a search, on the large office (5,000
// clients): each on a screen built afresh, the CPU time from the click or key until the list or
// the column is drawn. What the user meets every time a sheet or a screen is opened anew.
#include "office.h"

#include "model/modelcontext.h"
#include "model/query.h"
#include "platform/adresseservice.h"
#include "rentals/formulairelocationview.h"
#include "rentals/vuelocationbenne.h"
#include "widgets/searchablepicker.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QLocale>

#include <ctime>
#include <memory>

using namespace kv;

namespace {

constexpr double kLimitMs = 50;

double cpuMs()
{
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

ModelContext* office()
{
    static std::unique_ptr<ModelContext> ctx = ModelContext::open(kv::bench::officeCopy(QStringLiteral("choix")));
    return ctx.get();
}

// The new-rental form of a skip, shown and settled; then its client picker opened as a click
// does, until the open list is drawn.
void BM_PremiereOuvertureChoixClient(benchmark::State& state)
{
    AdresseService service(QUrl(QStringLiteral("http://127.0.0.1:1/geocodage")));
    const QUuid benne = office()->all<Benne>().first()->id();
    for (auto _ : state) {
        FormulaireLocationView form(office(), benne, {}, &service);
        form.resize(600, 630);
        form.show();
        kv::bench::settle();
        SearchablePicker* choix = form.choixClient();
        const double debut = cpuMs();
        choix->showPopup();
        benchmark::DoNotOptimize(choix->filteredList()->window()->grab());
        QCoreApplication::processEvents();
        const double ms = cpuMs() - debut;
        choix->hidePopup();
        kv::bench::recordFigure(QStringLiteral("choix du client : première ouverture"), ms, "ms", kLimitMs);
        state.SetIterationTime(ms / 1000);
    }
}

// "Vue par client" built afresh and settled; then the first key of a search, until the column
// is drawn again.
void BM_PremiereToucheRecherche(benchmark::State& state)
{
    auto* clients = new Query<Client>(office(), {}, {}, office());
    auto* bennes = new Query<Benne>(office(), {}, {}, office());
    clients->records();
    bennes->records();
    VueLocationBenne::Entrees e;
    e.context = office();
    e.clients = clients;
    e.bennes = bennes;
    e.formatter = [](double v) { return QLocale().toString(v, 'f', 1); };
    e.dateFormatter = [](const QDateTime& d) { return QLocale().toString(d.date(), QLocale::ShortFormat); };
    for (auto _ : state) {
        VueLocationBenne ecran(e);
        ecran.resize(1600, 1000);
        ecran.show();
        kv::bench::settle();
        const double debut = cpuMs();
        ecran.champRecherche()->insert(QStringLiteral("t"));
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(ecran.grab());
        const double ms = cpuMs() - debut;
        kv::bench::recordFigure(QStringLiteral("par client : première touche d'une recherche"), ms, "ms", kLimitMs);
        state.SetIterationTime(ms / 1000);
    }
}

} // namespace

static kv::bench::Registrar registrar(46, [] {
    benchmark::RegisterBenchmark("choix du client : première ouverture", BM_PremiereOuvertureChoixClient)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("par client : première touche", BM_PremiereToucheRecherche)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
});
