// Draws the hub on every statistic, with a few records and with an empty store, at the
// smallest window size and a larger one. With KV_STATS_PNG set to a folder, the pictures are
// written there to be looked at.
#include "tests.h"

#include "screenfixtures.h"

#include "stats/statistiquehistogrammevolumeview.h"
#include "stats/vuestatistiques.h"

#include <QDir>
#include <QTest>

using namespace kv;
using namespace fixtures;

namespace {

void quelquesLocations(ModelContext* ctx)
{
    Client* a = client(ctx, QStringLiteral("Dupont BTP"));
    Client* b = client(ctx, QStringLiteral("Maçonnerie Leroy"));
    b->setCouleur(QStringLiteral("1E90FF"));
    b->setEmail(QStringLiteral("contact@leroy.fr"));
    Client* c = client(ctx, QStringLiteral("Jardins du Rhône"));
    c->setCouleur(QStringLiteral("FF8C00"));
    client(ctx, QStringLiteral("Atelier Bois"));
    Benne* b10 = colouredSkip(ctx, 10, QStringLiteral("1E90FF"));
    Benne* b10b = colouredSkip(ctx, 10, QStringLiteral("808080"));
    Benne* b15 = colouredSkip(ctx, 15, QStringLiteral("2E8B57"));
    Benne* b7 = colouredSkip(ctx, 7.5, QStringLiteral("808080"));
    colouredSkip(ctx, 20, QStringLiteral("B22222"));
    TypeDechet* gravats = colouredWasteType(ctx, QStringLiteral("Gravats"), QStringLiteral("8B4513"));
    TypeDechet* verts = colouredWasteType(ctx, QStringLiteral("Déchets verts"), QStringLiteral("228B22"));
    TypeDechet* dib = colouredWasteType(ctx, QStringLiteral("DIB"), std::nullopt);
    rental(a, b10, gravats, parisMs(2025, 9, 3, 8), parisMs(2025, 9, 10, 17));
    rental(a, b15, verts, parisMs(2025, 11, 12, 8), parisMs(2025, 11, 20, 17));
    rental(b, b10b, gravats, parisMs(2026, 1, 5, 8), parisMs(2026, 1, 9, 17));
    rental(b, b7, dib, parisMs(2026, 2, 2, 8), parisMs(2026, 2, 3, 17));
    rental(c, b10, verts, parisMs(2026, 3, 16, 8), parisMs(2026, 3, 30, 17));
    rental(c, b15, verts, parisMs(2026, 3, 20, 8), parisMs(2026, 4, 2, 17));
    rental(a, b10b, gravats, parisMs(2026, 4, 8, 8), parisMs(2026, 4, 15, 17));
    rental(a, b10, dib, parisMs(2026, 5, 4, 8), parisMs(2026, 5, 12, 17));
    rental(b, b15, gravats, parisMs(2026, 5, 18, 8), parisMs(2026, 5, 28, 17));
    rental(c, b7, verts, parisMs(2026, 6, 1, 8));
    rental(a, b10, gravats, parisMs(2026, 6, 8, 8));
    Client* d = client(ctx, QStringLiteral("Terrassements Girard"));
    d->setCouleur(QStringLiteral("9932CC"));
    d->setEmail(QStringLiteral("girard@example.fr"));
    rental(d, b15, gravats, parisMs(2025, 10, 6, 8), parisMs(2025, 10, 17, 17));
    rental(d, b10b, dib, parisMs(2025, 7, 1, 8), parisMs(2025, 7, 9, 17));
}

} // namespace

void TestRendus::chaqueStatistique()
{
    const QString dossier = qEnvironmentVariable("KV_STATS_PNG");
    if (!dossier.isEmpty())
        QDir().mkpath(dossier);
    for (bool vide : {false, true}) {
        auto ctx = storeInFolder();
        if (!vide)
            quelquesLocations(ctx.get());
        for (QSize taille : {QSize(1200, 760), QSize(1600, 1000)}) {
            VueStatistiques hub(ctx.get(), fixedClock(parisMs(2026, 6, 15, 10)));
            hub.resize(taille);
            hub.show();
            QVERIFY(QTest::qWaitForWindowExposed(&hub));
            for (StatistiqueType t : toutesLesStatistiques()) {
                hub.choisir(t);
                QCoreApplication::processEvents();
                const QImage image = hub.grab().toImage();
                QCOMPARE(image.size(), taille * hub.devicePixelRatio());
                if (!dossier.isEmpty())
                    image.save(QStringLiteral("%1/%2-%3-%4.png")
                                   .arg(dossier, vide ? QStringLiteral("vide") : QStringLiteral("donnees"))
                                   .arg(int(t))
                                   .arg(taille.width()));
            }
            // The ring by colour too.
            hub.choisir(StatistiqueType::histogrammeVolume);
            auto* volumes = qobject_cast<StatistiqueHistogrammeVolumeView*>(hub.detail());
            QVERIFY(volumes);
            volumes->setSelection(HistogrammeSelection::couleur);
            QCoreApplication::processEvents();
            if (!dossier.isEmpty())
                hub.grab().save(QStringLiteral("%1/%2-couleurs-%3.png")
                                    .arg(dossier, vide ? QStringLiteral("vide") : QStringLiteral("donnees"))
                                    .arg(taille.width()));
        }
    }
}
