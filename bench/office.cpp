#include "office.h"

#include "model/modelcontext.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace kv::bench {

namespace {

using namespace kv;

void generate(const QString& path)
{
    auto ctx = ModelContext::open(path);
    QRandomGenerator rng(42);
    // Rentals every quarter of an hour, the last ones three weeks ahead: like a real office, some
    // are on site today, some come tomorrow and next week. Tickets are weighed the day after
    // placement, never in the future.
    constexpr int kRentals = 200000;
    const QDateTime origin = QDateTime(today().addDays(21), QTime(8, 0)).addSecs(-qint64(kRentals) * 900);
    const QDateTime startOfToday(today(), QTime(0, 0));
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
    for (int i = 0; i < kRentals; ++i) {
        const QDateTime pose = origin.addSecs(qint64(i) * 900);
        auto* l = new LocationDeBenne(clients[rng.bounded(5000)], bennes[rng.bounded(1000)], 45.7, 4.8,
                                      QStringLiteral("%1 avenue du Chantier, Lyon").arg(i), 0, 0, 0, pose,
                                      pose.addDays(3 + rng.bounded(10)), types[rng.bounded(30)]);
        l->setChauffeurPose(chauffeurs[rng.bounded(50)]);
        l->setChauffeurEnlevement(chauffeurs[rng.bounded(50)]);
        for (int k = 0; k < 2 && pose.addDays(1) < startOfToday; ++k)
            l->ajouterBonDePesee(pose.addDays(1), QStringLiteral("T%1-%2").arg(i).arg(k), 12000, 4000,
                                 std::nullopt, std::nullopt);
    }
    QString error;
    if (!ctx->save(&error))
        std::fprintf(stderr, "generation failed: %s\n", qPrintable(error));
}

} // namespace

QDate today()
{
    static const QDate day = QDate::currentDate();
    return day;
}

IdleRun untilIdle(const QElapsedTimer& since, const std::function<bool()>& painted)
{
    // Quiet for this long: idle.
    constexpr qint64 kQuietNs = 30'000'000;
    IdleRun o;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    qint64 lastWork = 0;
    qint64 quietSince = -1;
    while (since.nsecsElapsed() < 20'000'000'000LL) {
        const qint64 start = since.nsecsElapsed();
        const bool worked = dispatcher->processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const qint64 end = since.nsecsElapsed();
        if (o.paintedMs < 0 && painted())
            o.paintedMs = end / 1e6;
        if (worked) {
            lastWork = end;
            quietSince = -1;
            o.longestPassMs = std::max(o.longestPassMs, (end - start) / 1e6);
        } else if (quietSince < 0) {
            quietSince = end;
        } else if (o.paintedMs >= 0 && end - quietSince >= kQuietNs) {
            break;
        }
    }
    if (o.paintedMs >= 0)
        o.idleMs = std::max(lastWork / 1e6, o.paintedMs);
    return o;
}

void settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 150) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

double residentMb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

const QString& officePath()
{
    static std::unique_ptr<QTemporaryDir> dir;
    static QString path;
    if (path.isEmpty()) {
        dir = std::make_unique<QTemporaryDir>();
        path = dir->filePath(QStringLiteral("SwiftData.store"));
        std::printf("Génération du magasin de test…\n");
        std::fflush(stdout);
        const double s = seconds([] { generate(path); });
        std::printf("Magasin généré en %.1f s\n", s);
        std::fflush(stdout);
    }
    return path;
}

QString officeCopy(const QString& name)
{
    const QString& original = officePath();
    const QString copy = QFileInfo(original).dir().filePath(name + QStringLiteral(".store"));
    if (!QFileInfo::exists(copy) && !QFile::copy(original, copy))
        std::fprintf(stderr, "copy of the office failed: %s\n", qPrintable(copy));
    return copy;
}

} // namespace kv::bench
