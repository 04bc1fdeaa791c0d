// Draws the hub on every statistic, with a few records and with an empty store, at the
// smallest window size and a larger one. With KV_STATS_PNG set to a folder, the pictures are
// written there to be looked at.
#include "tests.h"

#include "outils.h"

#include "stats/statistiquehistogrammevolumeview.h"
#include "stats/vuestatistiques.h"

#include <QDir>
#include <QTest>

using namespace kv;
using namespace outils;

namespace {

void quelquesLocations(ModelContext* ctx)
{
    Client* a = fx::client(ctx, QStringLiteral("Dupont BTP"));
    Client* b = fx::client(ctx, QStringLiteral("Maçonnerie Leroy"));
    b->setCouleur(QStringLiteral("1E90FF"));
    b->setEmail(QStringLiteral("contact@leroy.fr"));
    Client* c = fx::client(ctx, QStringLiteral("Jardins du Rhône"));
    c->setCouleur(QStringLiteral("FF8C00"));
    fx::client(ctx, QStringLiteral("Atelier Bois"));
    Benne* b10 = benne(ctx, 10, QStringLiteral("1E90FF"));
    Benne* b10b = benne(ctx, 10, QStringLiteral("808080"));
    Benne* b15 = benne(ctx, 15, QStringLiteral("2E8B57"));
    Benne* b7 = benne(ctx, 7.5, QStringLiteral("808080"));
    benne(ctx, 20, QStringLiteral("B22222"));
    TypeDechet* gravats = type(ctx, QStringLiteral("Gravats"), QStringLiteral("8B4513"));
    TypeDechet* verts = type(ctx, QStringLiteral("Déchets verts"), QStringLiteral("228B22"));
    TypeDechet* dib = type(ctx, QStringLiteral("DIB"), std::nullopt);
    location(a, b10, gravats, ms(2025, 9, 3, 8), ms(2025, 9, 10, 17));
    location(a, b15, verts, ms(2025, 11, 12, 8), ms(2025, 11, 20, 17));
    location(b, b10b, gravats, ms(2026, 1, 5, 8), ms(2026, 1, 9, 17));
    location(b, b7, dib, ms(2026, 2, 2, 8), ms(2026, 2, 3, 17));
    location(c, b10, verts, ms(2026, 3, 16, 8), ms(2026, 3, 30, 17));
    location(c, b15, verts, ms(2026, 3, 20, 8), ms(2026, 4, 2, 17));
    location(a, b10b, gravats, ms(2026, 4, 8, 8), ms(2026, 4, 15, 17));
    location(a, b10, dib, ms(2026, 5, 4, 8), ms(2026, 5, 12, 17));
    location(b, b15, gravats, ms(2026, 5, 18, 8), ms(2026, 5, 28, 17));
    location(c, b7, verts, ms(2026, 6, 1, 8));
    location(a, b10, gravats, ms(2026, 6, 8, 8));
    Client* d = fx::client(ctx, QStringLiteral("Terrassements Girard"));
    d->setCouleur(QStringLiteral("9932CC"));
    d->setEmail(QStringLiteral("girard@example.fr"));
    location(d, b15, gravats, ms(2025, 10, 6, 8), ms(2025, 10, 17, 17));
    location(d, b10b, dib, ms(2025, 7, 1, 8), ms(2025, 7, 9, 17));
}

} // namespace

void TestRendus::chaqueStatistique()
{
    const QString dossier = qEnvironmentVariable("KV_STATS_PNG");
    if (!dossier.isEmpty())
        QDir().mkpath(dossier);
    for (bool vide : {false, true}) {
        auto ctx = magasin();
        if (!vide)
            quelquesLocations(ctx.get());
        for (QSize taille : {QSize(1200, 760), QSize(1600, 1000)}) {
            VueStatistiques hub(ctx.get(), Horloge::fixe(ms(2026, 6, 15, 10), paris()));
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
