// Rental screens on the large office (5,000 clients, 200,000 rentals): "Vue par client" built and
// drawn, a client chosen, and the new-rental form opened over every client and waste type.
#include "office.h"

#include "model/modelcontext.h"
#include "model/query.h"
#include "platform/adresseservice.h"
#include "rentals/formulairelocationview.h"
#include "rentals/vuelocationbenne.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QLocale>

#include <algorithm>
#include <ctime>
#include <memory>

using namespace kv;

namespace {

using kv::bench::seconds;

ModelContext* office()
{
    static std::unique_ptr<ModelContext> ctx = ModelContext::open(kv::bench::officeCopy(QStringLiteral("locations")));
    return ctx.get();
}

struct Listes {
    Query<Client>* clients = new Query<Client>(office(), {}, {}, office());
    Query<Benne>* bennes = new Query<Benne>(office(), {}, {}, office());
};

Listes& listes()
{
    static Listes l;
    l.clients->records();
    l.bennes->records();
    return l;
}

VueLocationBenne::Entrees entrees()
{
    VueLocationBenne::Entrees e;
    e.context = office();
    e.clients = listes().clients;
    e.bennes = listes().bennes;
    e.formatter = [](double v) { return QLocale().toString(v, 'f', 1); };
    e.dateFormatter = [](const QDateTime& d) { return QLocale().toString(d.date(), QLocale::ShortFormat); };
    return e;
}

void BM_VueParClient(benchmark::State& state)
{
    listes();
    for (auto _ : state) {
        const double s = seconds([] {
            VueLocationBenne ecran(entrees());
            ecran.resize(1200, 760);
            ecran.show();
            benchmark::DoNotOptimize(ecran.grab());
        });
        kv::bench::recordFigure(QStringLiteral("par client : écran construit et dessiné"), s * 1000, "ms", 150);
        state.SetIterationTime(s);
    }
}

void BM_ChoixClient(benchmark::State& state)
{
    // The client with the most rentals.
    Client* plusGros = nullptr;
    for (Client* c : listes().clients->results())
        if (!plusGros || c->locations().size() > plusGros->locations().size())
            plusGros = c;
    VueLocationBenne ecran(entrees());
    ecran.resize(1200, 760);
    ecran.show();
    for (auto _ : state) {
        const double s = seconds([&] {
            ecran.selectionnerClient(plusGros->id());
            benchmark::DoNotOptimize(ecran.grab());
        });
        ecran.deselectionnerClient();
        kv::bench::recordFigure(QStringLiteral("par client : client choisi, ses locations affichées"), s * 1000,
                                "ms", 150);
        state.SetIterationTime(s);
    }
}

// A rental chosen in "Vue par client": its tile swings without end. The share of one core the
// process spends over two seconds of that, once the selection has played out.
void BM_Oscillation(benchmark::State& state)
{
    Client* client = nullptr;
    for (Client* c : listes().clients->results())
        if (!c->locations().isEmpty()) {
            client = c;
            break;
        }
    VueLocationBenne ecran(entrees());
    ecran.resize(1200, 760);
    ecran.show();
    ecran.selectionnerClient(client->id());
    // The event loop runs as in the application: asleep between events.
    auto attendre = [](int ms) {
        QEventLoop boucle;
        QTimer::singleShot(ms, &boucle, &QEventLoop::quit);
        boucle.exec();
    };
    attendre(1500);
    ecran.basculerSelectionLocation(client->locations().constFirst());
    attendre(1500);
    for (auto _ : state) {
        const std::clock_t cpu0 = std::clock();
        QElapsedTimer mur;
        mur.start();
        attendre(2000);
        const double cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
        const double part = 100.0 * cpu / (double(mur.elapsed()) / 1000.0);
        state.SetIterationTime(cpu);
        kv::bench::recordFigure(QStringLiteral("par client : tuile oscillante, part d’un cœur"), part, "%", 5);
    }
}

// A search typed key by key in "Vue par client" on the large office: each key narrows the 5,000
// clients and redraws the column. The slowest key counts.
void BM_RechercheClient(benchmark::State& state)
{
    listes();
    VueLocationBenne ecran(entrees());
    ecran.resize(1200, 760);
    ecran.show();
    QCoreApplication::processEvents();
    const QString texte = QStringLiteral("thomas renovation 04785350");
    for (auto _ : state) {
        double pire = 0;
        double total = 0;
        ecran.champRecherche()->clear();
        for (const QChar c : texte) {
            const double s = seconds([&] {
                ecran.champRecherche()->insert(QString(c));
                benchmark::DoNotOptimize(ecran.grab());
            });
            pire = std::max(pire, s);
            total += s;
        }
        kv::bench::recordFigure(QStringLiteral("par client : recherche, une touche"), pire * 1000, "ms", 50);
        state.SetIterationTime(total);
    }
}

void BM_Formulaire(benchmark::State& state)
{
    office();
    AdresseService service(QUrl(QStringLiteral("http://127.0.0.1:1/geocodage")));
    const QUuid benne = office()->all<Benne>().first()->id();
    for (auto _ : state) {
        const double s = seconds([&] {
            FormulaireLocationView form(office(), benne, {}, &service);
            form.resize(600, 630);
            form.show();
            benchmark::DoNotOptimize(form.grab());
        });
        kv::bench::recordFigure(QStringLiteral("nouvelle location : formulaire ouvert"), s * 1000, "ms", 150);
        state.SetIterationTime(s);
    }
}

} // namespace

static kv::bench::Registrar registrar(45, [] {
    for (auto [nom, f] : std::initializer_list<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"par client : écran", BM_VueParClient},
             {"par client : choix d'un client", BM_ChoixClient},
             {"par client : tuile oscillante", BM_Oscillation},
             {"par client : recherche", BM_RechercheClient},
             {"nouvelle location : formulaire", BM_Formulaire}})
        benchmark::RegisterBenchmark(nom, f)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
});
