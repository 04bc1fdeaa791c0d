// Map benchmarks on the large office: each filter's rentals, markers and region, the heat map's
// points and centre, one paint of the map showing a year of markers (offscreen, no tiles), the
// map of skips on site opened and zoomed with the wheel, opened until the event loop is idle
// (first time and coming back), dragged a frame at a time, one paint of the heat map.
#include "office.h"

#include "model/modelcontext.h"
#include "stats/cartebenneslouees.h"
#include "stats/statistiquecartechaleurview.h"

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QWheelEvent>

#include <memory>

using namespace kv;

namespace {

using kv::bench::seconds;

const QTimeZone& paris()
{
    static const QTimeZone zone("Europe/Paris");
    return zone;
}

// Noon today, with the office's rentals around it.
QDateTime maintenant()
{
    return QDateTime(kv::bench::today(), QTime(12, 0), paris());
}

// The office with its rentals spread over the Lyon area (the generator puts them all on one
// spot), a site per rental, in memory only. The rentals placed in the 112 days before now have
// no removal date yet: about 10,700 skips on site, as in a busy office.
ModelContext* office()
{
    static std::unique_ptr<ModelContext> ctx;
    if (!ctx) {
        ctx = ModelContext::open(kv::bench::officeCopy(QStringLiteral("cartes")));
        QRandomGenerator rng(17);
        const qint64 now = maintenant().toMSecsSinceEpoch();
        const qint64 since = maintenant().addDays(-112).toMSecsSinceEpoch();
        for (LocationDeBenne* l : ctx->all<LocationDeBenne>()) {
            l->setLatitude(45.3 + rng.generateDouble() * 0.8);
            l->setLongitude(4.4 + rng.generateDouble() * 1.0);
            if (l->datePoseMs() >= since && l->datePoseMs() <= now)
                l->setDateEnlevement(std::nullopt);
        }
    }
    return ctx.get();
}

const QList<LocationDeBenne*>& rentals()
{
    static const QList<LocationDeBenne*> all = office()->all<LocationDeBenne>();
    return all;
}

void BM_Filter(benchmark::State& state, CarteBennesFiltre filtre)
{
    const QList<LocationDeBenne*>& all = rentals();
    const QDate au = maintenant().date();
    const QDate du = au.addYears(-1);
    for (auto _ : state) {
        qsizetype count = 0;
        const double s = seconds([&] {
            const auto liste = CarteBennesLouees::locationsFiltrees(all, filtre, du, au, maintenant(), paris());
            const auto reperes = CarteBennesLouees::reperes(liste);
            const auto region = CarteBennesLouees::ajusterRegion(reperes);
            benchmark::DoNotOptimize(region);
            count = reperes.size();
        });
        state.SetIterationTime(s);
        state.counters["repères"] = double(count);
        kv::bench::recordFigure(QStringLiteral("carte « %1 » : locations, repères, région").arg(rawValue(filtre)),
                                s * 1000, "ms", 500);
    }
}

void BM_HeatMap(benchmark::State& state)
{
    const QList<LocationDeBenne*>& all = rentals();
    for (auto _ : state) {
        const double s = seconds([&] {
            const auto points = StatistiqueCarteChaleurView::compterParCoordonnees(all);
            const auto region = StatistiqueCarteChaleurView::regionInitiale(all);
            benchmark::DoNotOptimize(points.size());
            benchmark::DoNotOptimize(region);
        });
        state.SetIterationTime(s);
        kv::bench::recordFigure(QStringLiteral("carte de chaleur : points et centre"), s * 1000, "ms", 500);
    }
}

void BM_PaintYear(benchmark::State& state)
{
    Query<LocationDeBenne> locations(office());
    CarteBennesLouees carte(&locations, Observable<bool>(), nullptr, Horloge::fixe(maintenant(), paris()));
    carte.setFiltre(CarteBennesFiltre::parPeriode);
    carte.resize(1200, 760);
    carte.show();
    MapWidget* map = carte.carte();
    QImage image(map->size(), QImage::Format_ARGB32_Premultiplied);
    map->render(&image);
    // A year's markers are merged and labelled aside; then a first paint makes their pictures.
    QElapsedTimer t;
    t.start();
    kv::bench::untilIdle(t, [map] { return map->markersReady(); });
    map->render(&image);
    for (auto _ : state) {
        const double s = seconds([&] { map->render(&image); });
        state.SetIterationTime(s);
        state.counters["repères"] = double(carte.reperesAffiches().size());
        state.counters["peints"] = double(map->markersInView().size());
        kv::bench::recordFigure(QStringLiteral("carte : un dessin d’une année de repères"), s * 1000, "ms", 100);
    }
}

// Counts the paints a widget received.
struct CompteurDessins : QObject {
    int dessins = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++dessins;
        return false;
    }
};

// Shows a widget on the offscreen screen and waits until it is exposed and painted.
void montrer(QWidget& w, QWidget* peint)
{
    CompteurDessins compteur;
    peint->installEventFilter(&compteur);
    w.show();
    QElapsedTimer t;
    t.start();
    while (compteur.dessins == 0 && t.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    peint->removeEventFilter(&compteur);
}

// The map of skips on site ("Bennes posées") as the window opens it: made, shown, painted.
void BM_OpenMap(benchmark::State& state)
{
    Query<LocationDeBenne> locations(office());
    locations.size(); // the window's live list is already evaluated when the command is chosen
    for (auto _ : state) {
        qsizetype count = 0;
        const double s = seconds([&] {
            CarteBennesLouees carte(&locations, Observable<bool>(), nullptr, Horloge::fixe(maintenant(), paris()));
            carte.resize(1200, 760);
            montrer(carte, carte.carte());
            count = carte.reperesAffiches().size();
        });
        state.SetIterationTime(s);
        state.counters["repères"] = double(count);
        kv::bench::recordFigure(QStringLiteral("carte « Bennes posées » : ouverture"), s * 1000, "ms", 200);
    }
}

// One notch of the mouse wheel over the map of skips on site: the time from the event to the
// end of the map's paint. Each iteration opens the screen afresh and walks in and back out over
// every level around the framed one (each level seen for the first time, then again); its figure
// is its slowest notch.
void BM_WheelNotch(benchmark::State& state)
{
    Query<LocationDeBenne> locations(office());
    for (auto _ : state) {
        CarteBennesLouees carte(&locations, Observable<bool>(), nullptr, Horloge::fixe(maintenant(), paris()));
        carte.resize(1200, 760);
        MapWidget* map = carte.carte();
        montrer(carte, map);
        const QPointF at(map->width() * 0.4, map->height() * 0.6);
        CompteurDessins compteur;
        map->installEventFilter(&compteur);
        double total = 0, slowest = 0;
        for (int notch : {1, 1, 1, -1, -1, -1, -1, -1, 1, 1}) {
            QWheelEvent wheel(at, map->mapToGlobal(at), QPoint(), QPoint(0, 120 * notch), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            const double s = seconds([&] {
                QApplication::sendEvent(map, &wheel);
                map->repaint();
            });
            slowest = std::max(slowest, s);
            total += s;
        }
        state.SetIterationTime(total);
        state.counters["repères"] = double(carte.reperesAffiches().size());
        state.counters["peints"] = double(map->markersInView().size());
        state.counters["dessins"] = double(compteur.dessins);
        kv::bench::recordFigure(QStringLiteral("carte « Bennes posées » : un cran de molette"), slowest * 1000, "ms", 50);
    }
}

// What a screen leaves for the event loop once shown: each pass of the dispatcher timed alone,
// until passes have found nothing to do for 30 ms. Gives the time until idle and the longest pass.
std::pair<double, double> jusquAuRepos(const QElapsedTimer& depuis)
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    qint64 dernierTravail = 0, calmeDepuis = -1;
    double plusLong = 0;
    while (depuis.nsecsElapsed() < 20'000'000'000LL) {
        const qint64 debut = depuis.nsecsElapsed();
        const bool travail = dispatcher->processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const qint64 fin = depuis.nsecsElapsed();
        if (travail) {
            dernierTravail = fin;
            calmeDepuis = -1;
            plusLong = std::max(plusLong, (fin - debut) / 1e6);
        } else if (calmeDepuis < 0) {
            calmeDepuis = fin;
        } else if (fin - calmeDepuis >= 30'000'000) {
            break;
        }
    }
    return {dernierTravail / 1e6, plusLong};
}

// The map of skips on site as the window opens it, each time a new screen in a window of its
// own size: made, shown, and every piece of work it leaves for later done. The first opening of
// an iteration is the first of the process's screens on this store only in the first iteration;
// the second comes back after the first one was given up.
void BM_OpenUntilIdle(benchmark::State& state)
{
    Query<LocationDeBenne> locations(office());
    locations.size();
    for (auto _ : state) {
        double total = 0;
        for (int visite = 0; visite < 2; ++visite) {
            QElapsedTimer depuis;
            depuis.start();
            auto carte = std::make_unique<CarteBennesLouees>(&locations, Observable<bool>(), nullptr,
                                                             Horloge::fixe(maintenant(), paris()));
            carte->resize(1200, 760);
            carte->show();
            const auto [repos, passage] = jusquAuRepos(depuis);
            total += repos;
            state.counters["repères"] = double(carte->reperesAffiches().size());
            const QString quand = visite == 0 ? QStringLiteral("ouvrir") : QStringLiteral("revenir à");
            kv::bench::recordFigure(QStringLiteral("carte « Bennes posées » : %1 jusqu'au repos").arg(quand), repos,
                                    "ms", 100);
            kv::bench::recordFigure(QStringLiteral("carte « Bennes posées » : %1, plus long passage").arg(quand),
                                    passage, "ms", 50);
            carte->hide();
            carte.reset();
            kv::bench::settle();
        }
        state.SetIterationTime(total / 1000);
    }
}

// Dragging the map of skips on site: each mouse move of 40 pixels, from the event to the end of
// the map's paint, over a walk across the framed region and back, then again after a wheel
// notch in and out. The figure is the slowest frame.
void BM_DragFrame(benchmark::State& state)
{
    Query<LocationDeBenne> locations(office());
    for (auto _ : state) {
        CarteBennesLouees carte(&locations, Observable<bool>(), nullptr, Horloge::fixe(maintenant(), paris()));
        carte.resize(1200, 760);
        MapWidget* map = carte.carte();
        montrer(carte, map);
        double slowest = 0, total = 0;
        const auto cran = [&](int notch) {
            const QPointF at(map->width() * 0.5, map->height() * 0.5);
            QWheelEvent wheel(at, map->mapToGlobal(at), QPoint(), QPoint(0, 120 * notch), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            const double s = seconds([&] {
                QApplication::sendEvent(map, &wheel);
                map->repaint();
            });
            slowest = std::max(slowest, s);
            total += s;
        };
        const auto glisser = [&] {
            QPointF at(map->width() * 0.5, map->height() * 0.5);
            QMouseEvent press(QEvent::MouseButtonPress, at, map->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(map, &press);
            for (int pas = 0; pas < 24; ++pas) {
                at += pas < 12 ? QPointF(40, 15) : QPointF(-40, -15);
                QMouseEvent move(QEvent::MouseMove, at, map->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                                 Qt::NoModifier);
                const double s = seconds([&] {
                    QApplication::sendEvent(map, &move);
                    map->repaint();
                });
                slowest = std::max(slowest, s);
                total += s;
            }
            QMouseEvent release(QEvent::MouseButtonRelease, at, map->mapToGlobal(at), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(map, &release);
        };
        glisser();
        cran(1);
        glisser();
        cran(-1);
        cran(-1);
        glisser();
        state.SetIterationTime(total);
        state.counters["peints"] = double(map->markersInView().size());
        kv::bench::recordFigure(QStringLiteral("carte « Bennes posées » : une image en glissant ou zoomant"),
                                slowest * 1000, "ms", 16);
    }
}

void BM_PaintHeatMap(benchmark::State& state)
{
    // Two hundred thousand places as a visit meets them: the view made, shown and drawn (its
    // frame, its title, the map centred on the rentals), then its places counted and binned
    // aside until the circles are drawn, the longest pass of the event loop meanwhile being
    // what a click could wait.
    std::unique_ptr<StatistiqueCarteChaleurView> construite;
    QImage image;
    const QList<LocationDeBenne*>& toutes = rentals(); // the office is open before the visit
    QElapsedTimer depuis;
    depuis.start();
    const double premiere = seconds([&] {
        construite = std::make_unique<StatistiqueCarteChaleurView>(toutes);
        construite->resize(1000, 640);
        construite->show();
        construite->carte()->setGraphicsEffect(nullptr);
        image = QImage(construite->carte()->size(), QImage::Format_ARGB32_Premultiplied);
        construite->carte()->render(&image);
    });
    kv::bench::recordFigure(QStringLiteral("carte de chaleur : 200 000 lieux, vue et première image"), premiere * 1000,
                            "ms", 50);
    StatistiqueCarteChaleurView& vue = *construite;
    MapWidget* map = vue.carte();
    const auto pret = [&vue, map] { return !vue.calculEnCours() && map->markersReady(); };
    const kv::bench::IdleRun cercles = kv::bench::untilIdle(depuis, pret);
    kv::bench::recordFigure(QStringLiteral("carte de chaleur : 200 000 lieux comptés et regroupés, jusqu'aux cercles"),
                            cercles.paintedMs, "ms", 1000);
    kv::bench::recordFigure(QStringLiteral("carte de chaleur : 200 000 lieux, plus long passage en attendant"),
                            cercles.longestPassMs, "ms", 50);
    map->render(&image);
    // A step of zoom in and back: a new level is drawn at once from the level before while it
    // is binned aside; back on a level seen, nothing is binned again.
    for (int i = 0; i < 2; ++i) {
        const double zoom = seconds([&] {
            map->zoomIn();
            map->render(&image);
        });
        kv::bench::recordFigure(QStringLiteral("carte de chaleur : un cran de zoom, image"), zoom * 1000, "ms", 16);
        QElapsedTimer niveau;
        niveau.start();
        const kv::bench::IdleRun regroupe = kv::bench::untilIdle(niveau, [map] { return map->markersReady(); });
        kv::bench::recordFigure(QStringLiteral("carte de chaleur : un cran de zoom, plus long passage en attendant"),
                                regroupe.longestPassMs, "ms", 50);
        const double retour = seconds([&] {
            map->zoomOut();
            map->render(&image);
        });
        kv::bench::recordFigure(QStringLiteral("carte de chaleur : retour au cran d'avant, image"), retour * 1000, "ms",
                                16);
    }
    for (auto _ : state) {
        // A return to the statistic: the view hidden by the hub, shown again and drawn.
        const double s = seconds([&] {
            vue.hide();
            vue.revenirAuDepart();
            vue.show();
            map->render(&image);
        });
        state.SetIterationTime(s);
        state.counters["points"] = double(vue.points().size());
        state.counters["peints"] = double(map->markersInView().size());
        kv::bench::recordFigure(QStringLiteral("carte de chaleur : retour, un dessin"), s * 1000, "ms", 16);
    }
}

// Reads a map as a screen reader does each time the map says its items changed: every item's
// name, role, state and place.
int lireCarte(MapWidget* map)
{
    QAccessibleInterface* carte = QAccessible::queryAccessibleInterface(map);
    const int n = carte->childCount();
    for (int i = 0; i < n; ++i) {
        QAccessibleInterface* item = carte->child(i);
        benchmark::DoNotOptimize(item->text(QAccessible::Name));
        benchmark::DoNotOptimize(item->rect());
        benchmark::DoNotOptimize(item->role());
        benchmark::DoNotOptimize(item->state());
    }
    return n;
}

// The maps read by a listening screen reader: the map of the year's rentals and the heat map
// opened and read, then read again after a notch of the wheel. The figure is the slowest step.
void BM_ListenerMaps(benchmark::State& state)
{
    Query<LocationDeBenne> locations(office());
    locations.size();
    for (auto _ : state) {
        double slowest = 0, total = 0;
        int items = 0;
        const auto pas = [&](const std::function<void()>& f) {
            const double s = seconds(f);
            slowest = std::max(slowest, s);
            total += s;
        };
        {
            CarteBennesLouees carte(&locations, Observable<bool>(), nullptr, Horloge::fixe(maintenant(), paris()));
            carte.setFiltre(CarteBennesFiltre::parPeriode);
            carte.resize(1200, 760);
            MapWidget* map = carte.carte();
            pas([&] {
                carte.show();
                items = std::max(items, lireCarte(map));
            });
            QElapsedTimer t;
            t.start();
            kv::bench::untilIdle(t, [map] { return map->markersReady(); });
            pas([&] { items = std::max(items, lireCarte(map)); });
            pas([&] {
                map->zoomIn();
                items = std::max(items, lireCarte(map));
            });
        }
        {
            StatistiqueCarteChaleurView vue(rentals());
            vue.resize(1000, 640);
            MapWidget* map = vue.carte();
            pas([&] {
                vue.show();
                items = std::max(items, lireCarte(map));
            });
            QElapsedTimer t;
            t.start();
            kv::bench::untilIdle(t, [&vue, map] { return !vue.calculEnCours() && map->markersReady(); });
            pas([&] { items = std::max(items, lireCarte(map)); });
            pas([&] {
                map->zoomIn();
                items = std::max(items, lireCarte(map));
            });
        }
        state.SetIterationTime(total);
        state.counters["éléments lus"] = double(items);
        kv::bench::recordFigure(QStringLiteral("cartes lues par un lecteur d'écran : un pas"), slowest * 1000, "ms", 50);
    }
}

} // namespace

static kv::bench::Registrar registrar(60, [] {
    for (CarteBennesFiltre f : tousLesFiltres())
        benchmark::RegisterBenchmark(("carte : " + rawValue(f)).toStdString().c_str(), BM_Filter, f)
            ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("carte de chaleur : points", BM_HeatMap)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("carte de chaleur : dessin", BM_PaintHeatMap)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("carte : ouverture", BM_OpenMap)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("carte : molette", BM_WheelNotch)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("carte : ouverture jusqu'au repos", BM_OpenUntilIdle)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("carte : glisser", BM_DragFrame)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("cartes lues par un lecteur d'écran", BM_ListenerMaps)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("carte : dessin d'une année", BM_PaintYear)
        ->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
});
