// Every command of the main window on the large office: from the command chosen in the sidebar,
// as a click does it, until its screen is shown and painted once, in a window of 1600 × 1000;
// then until the event loop is idle (every posted event, zero-time timer and deferred piece of
// work done), with the longest single pass of the loop in that time: how long a click or a key
// could wait. Each command is opened a first time, then once more after every other command
// was shown.
#include "office.h"

#include "app/appdelegate.h"
#include "app/contentview.h"
#include "driverplanning/prestationcard.h"
#include "stats/cartebenneslouees.h"
#include "model/modelcontext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace kv;
using kv::bench::settle;

namespace {


constexpr double kLimitMs = 100;
constexpr double kIdleLimitMs = 100;
constexpr double kPassLimitMs = 50;
constexpr int kRounds = 5;

// Notes the first paint of the shown screen, or of anything inside it.
class PaintWatch : public QObject {
public:
    QPointer<QWidget> screen;
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && screen && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w == screen || screen->isAncestorOf(w))
                painted = true;
        }
        return false;
    }
};

// What one opening took: until the screen's first paint, until the event loop was idle, and the
// longest single pass of the loop in between. Negative when nothing of the screen was painted.
using Opening = kv::bench::IdleRun;

QListWidgetItem* sidebarItem(ContentView& window, Commande c)
{
    QListWidget* sidebar = window.sidebar();
    for (int row = 0; row < sidebar->count(); ++row)
        if (sidebar->item(row)->text() == titre(c))
            return sidebar->item(row);
    return nullptr;
}

// The command chosen as a click does it, then the loop run until idle.
Opening openCommand(ContentView& window, Commande c, PaintWatch& watch)
{
    QListWidgetItem* item = sidebarItem(window, c);
    if (!item)
        return {};
    watch.painted = false;
    QElapsedTimer since;
    since.start();
    window.sidebar()->setCurrentItem(item);
    watch.screen = window.detailScreen();
    Opening o = kv::bench::untilIdle(since, [&watch] { return watch.painted; });
    if (window.selection() != c)
        return {};
    return o;
}

// The drivers' day and the map are timed with work in view, as in a real office: the cards of
// the day shown, the markers of the skips on site. -1 for the other screens.
qsizetype workShown(ContentView& window, Commande c)
{
    QWidget* screen = window.detailScreen();
    if (!screen)
        return 0;
    if (c == Commande::planningChauffeur)
        return screen->findChildren<PrestationCard*>().size();
    if (c == Commande::cartebenneslouees) {
        auto* map = qobject_cast<CarteBennesLouees*>(screen);
        if (!map)
            map = screen->findChild<CarteBennesLouees*>();
        return map ? map->reperesAffiches().size() : 0;
    }
    return -1;
}

QString label(const char* what, Commande c)
{
    return QStringLiteral("%1 « %2 »").arg(QString::fromUtf8(what), titre(c));
}

void BM_Commands(benchmark::State& state)
{
    QTemporaryDir folder;
    QSettings settings(folder.filePath(QStringLiteral("reglages.ini")), QSettings::IniFormat);
    std::unique_ptr<ModelContext> ctx = ModelContext::open(kv::bench::officeCopy(QStringLiteral("commandes")));
    auto delegate = std::make_unique<AppDelegate>(ctx.get());
    delegate->setSettings(&settings);
    PaintWatch watch;
    qApp->installEventFilter(&watch);

    // The planning is the window's first screen: it is opened last, after every other one.
    QList<Commande> order = toutesLesCommandes();
    order.removeOne(Commande::defaut);
    order.append(Commande::defaut);

    std::map<Commande, double> firstBest;
    std::map<Commande, double> againBest;
    std::map<Commande, qsizetype> work;
    bool allPainted = true;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            // A new window each round: every command is opened there for the first time.
            QPointer<QMainWindow> made = delegate->newWindow();
            auto* window = qobject_cast<ContentView*>(made.data());
            window->resize(1600, 1000);
            settle();
            for (int pass = 0; pass < 2; ++pass) {
                auto& best = pass == 0 ? firstBest : againBest;
                for (Commande c : order) {
                    const Opening o = openCommand(*window, c, watch);
                    settle();
                    if (o.paintedMs < 0) {
                        allPainted = false;
                        continue;
                    }
                    if (const qsizetype n = workShown(*window, c); n >= 0)
                        work[c] = work.count(c) ? std::min(work[c], n) : n;
                    const double ms = o.paintedMs;
                    best[c] = best.count(c) ? std::min(best[c], ms) : ms;
                    const char* what = pass == 0 ? "ouvrir" : "revenir à";
                    kv::bench::recordFigure(label(what, c), ms, "ms", kLimitMs);
                    kv::bench::recordFigure(label(what, c) + QStringLiteral(" jusqu'au repos"), o.idleMs, "ms",
                                            kIdleLimitMs);
                    kv::bench::recordFigure(label(what, c) + QStringLiteral(" : plus long passage de la boucle"),
                                            o.longestPassMs, "ms", kPassLimitMs);
                }
            }
            delete made.data();
            settle();
        }
        state.SetIterationTime(1);
    }
    qApp->removeEventFilter(&watch);

    // Coming back is not slower than the first opening: only a real difference counts, never
    // what a busy machine adds to a few milliseconds.
    QStringList slower;
    for (const auto& [c, again] : againBest)
        if (firstBest.count(c) && again > firstBest[c] * 1.5 + 10)
            slower << titre(c);
    kv::bench::recordLine(QStringLiteral("commandes : revenir n'est pas plus lent"),
                          slower.isEmpty() ? QStringLiteral("oui") : QStringLiteral("non : %1").arg(slower.join(QStringLiteral(", "))),
                          slower.isEmpty());
    for (const auto& [c, n] : work)
        kv::bench::recordLine(label("travail montré par", c),
                              n > 0 ? QStringLiteral("%1 éléments").arg(n) : QStringLiteral("rien"), n > 0);
    if (!allPainted)
        kv::bench::recordLine(QStringLiteral("commandes : chaque écran peint"), QStringLiteral("non"), false);

    delegate.reset();
    ctx.reset();
}

} // namespace

static kv::bench::Registrar registrar(10, [] {
    benchmark::RegisterBenchmark("commandes de la fenêtre principale", BM_Commands)
        ->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
});
