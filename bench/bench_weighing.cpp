// "Bons de pesée" on the large office (200,000 rentals, 400,000 tickets): the list shown after
// the screen is created, and current again after a saved ticket or a flip of the switch.
#include "office.h"

#include "model/modelcontext.h"
#include "model/query.h"
#include "model/records.h"
#include "weighing/locationsetpeseeview.h"
#include "weighing/minibondepeseeform.h"

#include <QApplication>
#include <QListView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kv;

namespace {

using kv::bench::seconds;

ModelContext* office()
{
    static std::unique_ptr<ModelContext> ctx = ModelContext::open(kv::bench::officeCopy(QStringLiteral("pesees")));
    return ctx.get();
}

const QTemporaryDir& donnees()
{
    static QTemporaryDir dir;
    return dir;
}

// Shows the screen and paints its list once.
void montrer(LocationsEtPeseeView& vue)
{
    vue.show();
    QCoreApplication::processEvents();
    vue.liste()->viewport()->repaint();
}

void BM_ListeALaCreation(benchmark::State& state)
{
    ModelContext* ctx = office();
    for (auto _ : state) {
        qsizetype lignes = 0;
        const double s = seconds([&] {
            LocationsEtPeseeView vue(ctx, Horloge::systeme(), DossierTickets(donnees().path()));
            vue.resize(1200, 760);
            montrer(vue);
            lignes = vue.modele()->rowCount();
        });
        state.counters["lignes"] = double(lignes);
        kv::bench::recordFigure(QStringLiteral("bons de pesée : liste à la création"), s * 1000, "ms", 300);
        state.SetIterationTime(s);
    }
}

void BM_ApresUnBon(benchmark::State& state)
{
    ModelContext* ctx = office();
    LocationsEtPeseeView vue(ctx, Horloge::systeme(), DossierTickets(donnees().path()));
    vue.resize(1200, 760);
    montrer(vue);
    vue.setSelection(vue.locationsFiltrees().value(3));
    QCoreApplication::processEvents();
    for (auto _ : state) {
        MiniBonDePeseeForm* form = vue.formulaire();
        form->nouveauBon();
        const double s = seconds([&] {
            form->enregistrerBon();
            QCoreApplication::processEvents(); // the change notice
            vue.liste()->viewport()->repaint();
        });
        kv::bench::recordFigure(QStringLiteral("bons de pesée : liste à jour après un bon"), s * 1000, "ms", 200);
        state.SetIterationTime(s);
        // The office stays as it was for the other benchmarks.
        form->supprimerBon(form->bonCourant());
        QCoreApplication::processEvents();
    }
}

void BM_Interrupteur(benchmark::State& state)
{
    ModelContext* ctx = office();
    LocationsEtPeseeView vue(ctx, Horloge::systeme(), DossierTickets(donnees().path()));
    vue.resize(1200, 760);
    montrer(vue);
    bool on = false;
    for (auto _ : state) {
        on = !on;
        qsizetype lignes = 0;
        const double s = seconds([&] {
            vue.setFiltreSansPeseeOnly(on);
            lignes = vue.modele()->rowCount();
            vue.liste()->viewport()->repaint();
        });
        state.counters["lignes"] = double(lignes);
        kv::bench::recordFigure(QStringLiteral("bons de pesée : liste à jour après l'interrupteur"), s * 1000, "ms", 200);
        state.SetIterationTime(s);
    }
}

} // namespace

static kv::bench::Registrar registrar(60, [] {
    benchmark::RegisterBenchmark("bons de pesée, création", BM_ListeALaCreation)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("bons de pesée, après un bon", BM_ApresUnBon)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("bons de pesée, interrupteur", BM_Interrupteur)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
});
