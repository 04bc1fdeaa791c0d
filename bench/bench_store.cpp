// Store benchmarks on a large synthetic office: 1,000 skips, 5,000 clients with 2 contacts
// each, 200,000 rentals with 400,000 tickets, 50 drivers, 30 waste types, 20 centres.
#include "model/modelcontext.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

using namespace kv;

namespace {

QString g_path;
double g_openSeconds = 0, g_scanSeconds = 0, g_saveOneMs = 0, g_insertSeconds = 0;
double g_rssMb = 0;

double residentMb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void generate(const QString& path)
{
    auto ctx = ModelContext::open(path);
    QRandomGenerator rng(42);
    const QDateTime origin(QDate(2020, 1, 1), QTime(8, 0));
    QList<CentreTraitement*> centres;
    for (int i = 0; i < 20; ++i) {
        auto* c = new CentreTraitement(QStringLiteral("Centre %1").arg(i), std::nullopt,
                                       QStringLiteral("%1 route du centre").arg(i), std::nullopt,
                                       QStringLiteral("69%1").arg(i, 3, 10, QLatin1Char('0')),
                                       QStringLiteral("Lyon"), QStringLiteral("France"), std::nullopt,
                                       std::nullopt, std::nullopt, std::nullopt, 45.7, 4.8);
        ctx->insert(c);
        centres << c;
    }
    QList<TypeDechet*> types;
    for (int i = 0; i < 30; ++i) {
        auto* t = new TypeDechet(QStringLiteral("Déchet %1").arg(i), std::nullopt, QStringLiteral("DIB"),
                                 std::nullopt, 150.0, 60.0, 2.0, 40.0, 7, 5.0, 20.0, false,
                                 QStringList{QStringLiteral("Amiante")}, false, std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt, QStringLiteral("FF8800"));
        ctx->insert(t);
        t->setCentres({centres[i % 20], centres[(i + 7) % 20]});
        types << t;
    }
    QList<Chauffeur*> chauffeurs;
    for (int i = 0; i < 50; ++i) {
        auto* c = new Chauffeur(QStringLiteral("Nom %1").arg(i), QStringLiteral("Prénom"), nullptr, {}, {}, {},
                                50.0, QStringLiteral("0600000000"), QStringLiteral("c%1@exemple.fr").arg(i),
                                std::nullopt, true);
        ctx->insert(c);
        chauffeurs << c;
    }
    QList<Benne*> bennes;
    for (int i = 0; i < 1000; ++i) {
        auto* b = new Benne(double(3 + i % 28), QStringLiteral("808080"), EtatBenne::correct, QString(), nullptr);
        ctx->insert(b);
        bennes << b;
    }
    QList<Client*> clients;
    for (int i = 0; i < 5000; ++i) {
        auto* c = new Client(QUuid::createUuid(), QStringLiteral("Client %1").arg(i), QStringLiteral("00FF00"),
                             QStringLiteral("%1 rue des Lilas").arg(i), QStringLiteral("69003"),
                             QStringLiteral("Lyon"), QStringLiteral("0478000000"),
                             QStringLiteral("client%1@exemple.fr").arg(i), std::nullopt);
        ctx->insert(c);
        new Contact(QStringLiteral("Jean"), QStringLiteral("Dupont"), QStringLiteral("06"), QString(), c);
        new Contact(QStringLiteral("Marie"), QStringLiteral("Durand"), QStringLiteral("07"),
                    QStringLiteral("marie@exemple.fr"), c);
        clients << c;
    }
    for (int i = 0; i < 200000; ++i) {
        const QDateTime pose = origin.addSecs(qint64(i) * 900);
        auto* l = new LocationDeBenne(clients[rng.bounded(5000)], bennes[rng.bounded(1000)], 45.7, 4.8,
                                      QStringLiteral("%1 avenue du Chantier, Lyon").arg(i), 0, 0, 0, pose,
                                      pose.addDays(3 + rng.bounded(10)), types[rng.bounded(30)]);
        l->setChauffeurPose(chauffeurs[rng.bounded(50)]);
        l->setChauffeurEnlevement(chauffeurs[rng.bounded(50)]);
        for (int k = 0; k < 2; ++k)
            l->ajouterBonDePesee(pose.addDays(1), QStringLiteral("T%1-%2").arg(i).arg(k), 12000, 4000,
                                 std::nullopt, std::nullopt);
    }
    QString error;
    if (!ctx->save(&error))
        std::fprintf(stderr, "generation failed: %s\n", qPrintable(error));
}

template <class F>
double seconds(F&& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_OpenStore(benchmark::State& state)
{
    for (auto _ : state) {
        double s = seconds([] {
            auto ctx = ModelContext::open(g_path);
            benchmark::DoNotOptimize(ctx.get());
            if (g_rssMb == 0)
                g_rssMb = residentMb();
        });
        g_openSeconds = g_openSeconds == 0 ? s : std::min(g_openSeconds, s);
        state.SetIterationTime(s);
    }
}

// Reads every column of every row with the bare C API: the floor for opening.
void BM_BareScan(benchmark::State& state)
{
    for (auto _ : state) {
        double s = seconds([] {
            sqlite3* db = nullptr;
            sqlite3_open_v2(g_path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
            sqlite3_stmt* tables = nullptr;
            sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &tables, nullptr);
            qint64 sink = 0;
            while (sqlite3_step(tables) == SQLITE_ROW) {
                const std::string sql = std::string("SELECT * FROM \"")
                                        + reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)) + "\"";
                sqlite3_stmt* st = nullptr;
                sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
                const int n = sqlite3_column_count(st);
                while (sqlite3_step(st) == SQLITE_ROW)
                    for (int i = 0; i < n; ++i) {
                        switch (sqlite3_column_type(st, i)) {
                        case SQLITE_TEXT:
                            sink += sqlite3_column_bytes(st, i) + (sqlite3_column_text(st, i) != nullptr);
                            break;
                        case SQLITE_BLOB:
                            sink += sqlite3_column_bytes(st, i) + (sqlite3_column_blob(st, i) != nullptr);
                            break;
                        case SQLITE_FLOAT:
                            sink += qint64(sqlite3_column_double(st, i));
                            break;
                        default:
                            sink += sqlite3_column_int64(st, i);
                        }
                    }
                sqlite3_finalize(st);
            }
            sqlite3_finalize(tables);
            sqlite3_close(db);
            benchmark::DoNotOptimize(sink);
        });
        g_scanSeconds = g_scanSeconds == 0 ? s : std::min(g_scanSeconds, s);
        state.SetIterationTime(s);
    }
}

void BM_SaveOneChange(benchmark::State& state)
{
    auto ctx = ModelContext::open(g_path);
    auto* l = ctx->all<LocationDeBenne>()[100000];
    int n = 0;
    for (auto _ : state) {
        l->setTarifPose(double(++n));
        double s = seconds([&] { ctx->save(); });
        g_saveOneMs = g_saveOneMs == 0 ? s * 1000 : std::min(g_saveOneMs, s * 1000);
        state.SetIterationTime(s);
    }
}

void BM_Insert10kRentals(benchmark::State& state)
{
    auto ctx = ModelContext::open(g_path);
    auto clients = ctx->all<Client>();
    auto bennes = ctx->all<Benne>();
    for (auto _ : state) {
        double s = seconds([&] {
            const QDateTime pose(QDate(2026, 1, 1), QTime(8, 0));
            for (int i = 0; i < 10000; ++i)
                new LocationDeBenne(clients[i % clients.size()], bennes[i % bennes.size()], std::nullopt,
                                    std::nullopt, QStringLiteral("Chantier %1").arg(i), 100, 80, 10, pose,
                                    std::nullopt, nullptr);
            ctx->save();
        });
        g_insertSeconds = g_insertSeconds == 0 ? s : std::min(g_insertSeconds, s);
        state.SetIterationTime(s);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_path = dir.filePath(QStringLiteral("SwiftData.store"));
    std::printf("Génération du magasin de test…\n");
    std::fflush(stdout);
    const double gen = seconds([] { generate(g_path); });
    std::printf("Magasin généré en %.1f s\n", gen);

    benchmark::Initialize(&argc, argv);
    // Opening first, in a fresh process state, so that resident memory reflects one open store.
    benchmark::RegisterBenchmark("ouverture du magasin", BM_OpenStore)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("lecture SQLite brute", BM_BareScan)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("sauvegarde d'une location modifiée", BM_SaveOneChange)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("insertion de 10 000 locations", BM_Insert10kRentals)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    auto verdict = [](bool ok) { return ok ? "OK" : "HORS LIMITE"; };
    std::printf("\nRésumé\n");
    std::printf("  ouverture            %8.3f s   (limite 1,5 s)            %s\n", g_openSeconds,
                verdict(g_openSeconds <= 1.5));
    std::printf("  lecture brute        %8.3f s   rapport %.2f (limite 3)    %s\n", g_scanSeconds,
                g_openSeconds / g_scanSeconds, verdict(g_openSeconds <= 3 * g_scanSeconds));
    std::printf("  sauvegarde 1 modif.  %8.3f ms  (limite 10 ms)            %s\n", g_saveOneMs,
                verdict(g_saveOneMs <= 10));
    std::printf("  insertion 10 000     %8.3f s   (limite 1 s)              %s\n", g_insertSeconds,
                verdict(g_insertSeconds <= 1));
    std::printf("  mémoire résidente    %8.1f Mo  (limite 400 Mo)           %s\n", g_rssMb,
                verdict(g_rssMb <= 400));
    return 0;
}
