// Resident memory of the application on the large office, measured in a fresh process (this
// program run again with "--memoire-ecrans"): once the store is open and the main window shown,
// then the most it held after any command's screen, or any statistic of the hub, was shown.
#include "office.h"

#include "app/contentview.h"
#include "model/modelcontext.h"
#include "stats/vuestatistiques.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace kv;
using kv::bench::settle;

namespace {


void BM_MemoryAfterScreens(benchmark::State& state)
{
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memoire-ecrans"), kv::bench::officePath()});
        child.waitForFinished(600000);
        const QStringList figures = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        state.SetIterationTime(1);
        bool lu = figures.size() == 2;
        const double ouverture = lu ? figures[0].toDouble(&lu) : 0;
        const double ecrans = lu ? figures[1].toDouble(&lu) : 0;
        if (child.exitCode() != 0 || !lu) {
            kv::bench::recordLine(QStringLiteral("mémoire après chaque écran montré"),
                                  QStringLiteral("mesure impossible : %1").arg(QString::fromUtf8(child.readAllStandardError())),
                                  false);
            // Tells the runner, which would otherwise stop the whole bench for a loop left early.
            state.SkipWithError("mesure impossible");
            break;
        }
        kv::bench::recordFigure(QStringLiteral("mémoire, magasin ouvert et fenêtre montrée"), ouverture, "Mo", 200);
        kv::bench::recordFigure(QStringLiteral("mémoire après chaque écran montré"), ecrans, "Mo", 300);
    }
}

} // namespace

namespace kv::bench {

int sondeMemoireEcrans(const QString& path)
{
    {
        auto ctx = ModelContext::open(path);
        if (!ctx)
            return 1;
        ContentView window(ctx.get());
        window.resize(1600, 1000);
        window.show();
        settle();
        const double ouverture = kv::bench::residentMb();
        // The most the program held after any one screen was shown.
        double most = ouverture;
        auto shown = [&most] {
            settle();
            most = std::max(most, kv::bench::residentMb());
        };
        for (Commande c : toutesLesCommandes()) {
            window.setSelection(c);
            shown();
            if (auto* hub = qobject_cast<VueStatistiques*>(window.detailScreen())) {
                for (StatistiqueType s : toutesLesStatistiques()) {
                    hub->choisir(s);
                    shown();
                }
            }
        }
        window.setSelection(Commande::defaut);
        shown();
        // Figures with a point whatever the locale.
        std::printf("%s %s\n", QByteArray::number(ouverture, 'f', 1).constData(),
                    QByteArray::number(most, 'f', 1).constData());
        std::fflush(stdout);
        // The figures are out: nothing to free piece by piece.
        std::_Exit(0);
    }
}

} // namespace kv::bench

// First, while no other benchmark holds the store open.
static kv::bench::Registrar registrar(-1, [] {
    benchmark::RegisterBenchmark("mémoire après chaque écran", BM_MemoryAfterScreens)
        ->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
});
