// Planning grid benchmarks on a busy fleet: 1,000 skips with 30 rentals each over the grid's
// 112 days (some running across both edges), a third of them also on a site with no planned
// removal (open-ended bars stacked over the others), 50 drivers. The store is generated here, in memory.
#include "office.h"

#include "model/modelcontext.h"
#include "planning/grilleplanning.h"
#include "planning/vueplanificationbennes.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRandomGenerator>
#include <QScrollBar>

using namespace kv;

namespace {

using kv::bench::seconds;

// The busy fleet, built once.
ModelContext* flotte()
{
    static std::unique_ptr<ModelContext> ctx = [] {
        auto c = ModelContext::open(QStringLiteral(":memory:"));
        QRandomGenerator rng(20260315);
        const QStringList couleurs = {"2E7D32", "1565C0", "EF6C00", "6A1B9A", "C62828", "00838F", "808080", "F9A825"};
        QList<Client*> clients;
        for (int i = 0; i < 300; ++i) {
            auto* cl = new Client(QUuid::createUuid(), QStringLiteral("Client %1 Travaux").arg(i), QStringLiteral("00FF00"),
                                  QStringLiteral("%1 rue du Port").arg(i), QStringLiteral("69001"), QStringLiteral("Lyon"),
                                  QStringLiteral("0102030405"), std::nullopt, std::nullopt);
            c->insert(cl);
            clients << cl;
        }
        QList<Chauffeur*> chauffeurs;
        for (int i = 0; i < 50; ++i) {
            auto* ch = new Chauffeur(QStringLiteral("Nom%1").arg(i), QStringLiteral("Prénom%1").arg(i), nullptr, {}, {}, {},
                                     80, std::nullopt, std::nullopt, std::nullopt, i % 7 != 0);
            c->insert(ch);
            chauffeurs << ch;
        }
        const QDate premier = QDate::currentDate().addDays(-31);
        for (int b = 0; b < 1000; ++b) {
            auto* benne = new Benne(3 + b % 28, couleurs[b % couleurs.size()],
                                    b % 40 == 0 ? EtatBenne::inutilisable : EtatBenne::correct, QString(), nullptr);
            c->insert(benne);
            // Thirty bookings end to end, from a few days before the first column to past the last.
            QDate jour = premier.addDays(-int(rng.bounded(6)));
            for (int k = 0; k < 30; ++k) {
                const int duree = k == 29 ? 20 : 1 + int(rng.bounded(5));
                const QDateTime pose(jour, QTime(7 + int(rng.bounded(4)), 0));
                std::optional<QDateTime> fin = QDateTime(jour.addDays(duree), QTime(17, 0));
                if (k == 29 && b % 5 == 0)
                    fin.reset();
                auto* l = new LocationDeBenne(clients[int(rng.bounded(clients.size()))], benne, 45.7, 4.8,
                                              QStringLiteral("Chantier %1-%2").arg(b).arg(k), 120, 90, 8, pose, fin,
                                              nullptr);
                if (rng.bounded(2))
                    l->setChauffeurPose(chauffeurs[int(rng.bounded(chauffeurs.size()))]);
                if (rng.bounded(3) == 0)
                    l->setChauffeurEnlevement(chauffeurs[int(rng.bounded(chauffeurs.size()))]);
                c->insert(l);
                jour = jour.addDays(duree + int(rng.bounded(2)));
            }
            // A third of the skips also stay on a site with no planned removal since before
            // today: open-ended bars across the part in view, stacked over the bookings.
            if (b % 3 == 0) {
                auto* l = new LocationDeBenne(clients[int(rng.bounded(clients.size()))], benne, 45.7, 4.8,
                                              QStringLiteral("Chantier %1-ouvert").arg(b), 120, 90, 8,
                                              QDateTime(QDate::currentDate().addDays(-10), QTime(8, 0)), std::nullopt,
                                              nullptr);
                l->setChauffeurPose(chauffeurs[int(rng.bounded(chauffeurs.size()))]);
                c->insert(l);
            }
        }
        c->save();
        return c;
    }();
    return ctx.get();
}

// A shown planning screen whose grid viewport measures 1600 × 1000.
std::unique_ptr<VuePlanificationBennes> ecran(Observable<bool>& centrage)
{
    auto vue = std::make_unique<VuePlanificationBennes>(flotte(), centrage);
    vue->resize(1600 + 140, 1000 + 160);
    vue->show();
    QCoreApplication::processEvents();
    const QSize manque = QSize(1600, 1000) - vue->grille()->viewport()->size();
    vue->resize(vue->size() + manque);
    QCoreApplication::processEvents();
    return vue;
}

void BM_OuverturePlanning(benchmark::State& state)
{
    flotte();
    for (auto _ : state) {
        Observable<bool> centrage;
        std::unique_ptr<VuePlanificationBennes> vue;
        const double s = seconds([&] {
            vue = std::make_unique<VuePlanificationBennes>(flotte(), centrage);
            vue->resize(1740, 1160);
            vue->show();
            QCoreApplication::processEvents();
            vue->repaint();
        });
        kv::bench::recordFigure(QStringLiteral("ouverture du planning (1 000 bennes)"), s * 1000, "ms", 300);
        state.SetIterationTime(s);
    }
}

void BM_RepeintPlanning(benchmark::State& state)
{
    Observable<bool> centrage;
    auto vue = ecran(centrage);
    QWidget* vp = vue->grille()->viewport();
    vp->repaint();
    for (auto _ : state) {
        const double s = seconds([&] { vp->repaint(); });
        kv::bench::recordFigure(QStringLiteral("repeint complet du planning 1600 × 1000"), s * 1000, "ms", 8);
        state.SetIterationTime(s);
    }
}

void BM_RepeintApresChangement(benchmark::State& state)
{
    Observable<bool> centrage;
    auto vue = ecran(centrage);
    QWidget* vp = vue->grille()->viewport();
    vp->repaint();
    for (auto _ : state) {
        // The store changed: every span is computed again for the rows in view.
        vue->grille()->oublierBarres();
        const double s = seconds([&] { vp->repaint(); });
        kv::bench::recordFigure(QStringLiteral("repeint du planning après un changement"), s * 1000, "ms", 8);
        state.SetIterationTime(s);
    }
}

void BM_DefilementPlanning(benchmark::State& state)
{
    Observable<bool> centrage;
    auto vue = ecran(centrage);
    QScrollBar* h = vue->grille()->horizontalScrollBar();
    QScrollBar* v = vue->grille()->verticalScrollBar();
    QWidget* vp = vue->grille()->viewport();
    v->setValue(v->maximum() / 2);
    vp->repaint();
    int n = 0;
    for (auto _ : state) {
        const int sens = (n / 2) % 2 == 0 ? 1 : -1;
        const bool ligne = n % 2 == 0;
        ++n;
        const double s = seconds([&] {
            if (ligne)
                v->setValue(v->value() + sens * 40);
            else
                h->setValue(h->value() + sens * 120);
            // What the event loop does next: paint what the scroll left to paint, and show it.
            QCoreApplication::processEvents();
        });
        kv::bench::recordFigure(QStringLiteral("défilement d'une ligne ou colonne du planning"), s * 1000, "ms", 8);
        state.SetIterationTime(s);
    }
}

} // namespace

static kv::bench::Registrar registrar(20, [] {
    benchmark::RegisterBenchmark("ouverture du planning", BM_OuverturePlanning)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("repeint du planning", BM_RepeintPlanning)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("repeint après changement", BM_RepeintApresChangement)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("défilement du planning", BM_DefilementPlanning)->UseManualTime()->Iterations(80)->Unit(benchmark::kMillisecond);
});
