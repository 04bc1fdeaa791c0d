// Resident memory of the application on the large office, measured in a fresh process (this
// program run again with "--memoire-ecrans"): once the store is open and the main window shown,
// then once every command's screen, and every statistic of the hub, has been shown once.
#include "office.h"

#include "app/contentview.h"
#include "model/modelcontext.h"
#include "stats/vuestatistiques.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <cstdlib>

using namespace kv;

namespace {

// Lets the window lay out, paint and delete what it gave up.
void settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 150) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

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
            return;
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
        for (Commande c : toutesLesCommandes()) {
            window.setSelection(c);
            settle();
            if (auto* hub = qobject_cast<VueStatistiques*>(window.detailScreen())) {
                for (StatistiqueType s : toutesLesStatistiques()) {
                    hub->choisir(s);
                    settle();
                }
            }
        }
        window.setSelection(Commande::defaut);
        settle();
        // Figures with a point whatever the locale.
        std::printf("%s %s\n", QByteArray::number(ouverture, 'f', 1).constData(),
                    QByteArray::number(kv::bench::residentMb(), 'f', 1).constData());
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
