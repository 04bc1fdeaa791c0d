#include "fixtures.h"
#include "tests.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace kv;

void TestRecords::etats()
{
    QCOMPARE(tousLesEtats(), (QList<EtatBenne>{EtatBenne::neuf, EtatBenne::correct, EtatBenne::sale,
                                               EtatBenne::inutilisable}));
    QCOMPARE(etatDepuisTexte(QStringLiteral("Inutilisable")), std::optional(EtatBenne::inutilisable));
    QVERIFY(!etatDepuisTexte(QStringLiteral("inutilisable")));
    QVERIFY(!etatDepuisTexte(QStringLiteral("Inutilisable ")));
    QVERIFY(!etatDepuisTexte(QString()));
    for (EtatBenne e : tousLesEtats())
        QCOMPARE(etatDepuisTexte(texteEtat(e)), std::optional(e));
}

void TestRecords::libelleFacturation()
{
    auto ctx = ModelContext::open(":memory:");
    auto* grue = new DispositifSpecial(QStringLiteral("Grue"));
    auto* b = new Benne(10.0, QStringLiteral("#808080"), EtatBenne::neuf, QString(), grue);
    ctx->insert(b);
    QCOMPARE(grue->modelContext(), ctx.get()); // the device joined with the skip
    QCOMPARE(b->libelleFacturation(), QStringLiteral("10 m³ #808080 (Grue)"));
    b->setDispositifSpecial(nullptr);
    QCOMPARE(b->libelleFacturation(), QStringLiteral("10 m³ #808080"));
    b->setCouleur(QStringLiteral("   "));
    QCOMPARE(b->libelleFacturation(), QStringLiteral("10 m³"));
    b->setCouleur(QStringLiteral(" #FF0000 "));
    QCOMPARE(b->libelleFacturation(), QStringLiteral("10 m³ #FF0000"));
    QCOMPARE(b->couleur(), QStringLiteral(" #FF0000 ")); // the stored text keeps its blanks
    b->setCouleur(QStringLiteral("\n"));
    QCOMPARE(b->libelleFacturation(), QStringLiteral("10 m³ \n"));
    b->setCouleur(QString());
    b->setVolume(7.9);
    QCOMPARE(b->libelleFacturation(), QStringLiteral("7 m³"));
    b->setVolume(0.4);
    QCOMPARE(b->libelleFacturation(), QStringLiteral("0 m³"));
    b->setVolume(-2.5);
    QCOMPARE(b->libelleFacturation(), QStringLiteral("-2 m³"));
    // Shared device: renaming it changes both labels; a blank description shows nothing.
    auto* autre = fx::benne(ctx.get(), 12);
    autre->setCouleur(QString());
    b->setVolume(10);
    b->setDispositifSpecial(grue);
    autre->setDispositifSpecial(grue);
    grue->setDescriptionDispositif(QStringLiteral(" Ampliroll "));
    QCOMPARE(b->libelleFacturation(), QStringLiteral("10 m³ (Ampliroll)"));
    QCOMPARE(autre->libelleFacturation(), QStringLiteral("12 m³ (Ampliroll)"));
    grue->setDescriptionDispositif(QStringLiteral("  "));
    QCOMPARE(autre->libelleFacturation(), QStringLiteral("12 m³"));
    // Volumes that are not finite or too large never crash.
    b->setVolume(std::numeric_limits<double>::infinity());
    QVERIFY(b->libelleFacturation().contains(QStringLiteral("m³")));
    b->setVolume(1e300);
    QVERIFY(b->libelleFacturation().contains(QStringLiteral("m³")));
    b->setVolume(std::nan(""));
    QVERIFY(b->libelleFacturation().contains(QStringLiteral("m³")));
}

void TestRecords::dechetsInterdits()
{
    auto* t = fx::type(nullptr);
    QVERIFY(t->dechetsInterdits().isEmpty());
    t->setDechetsInterditsString(QString());
    QVERIFY(t->dechetsInterdits().isEmpty());
    t->setDechetsInterditsString(QStringLiteral("Amiante | Plâtre"));
    QCOMPARE(t->dechetsInterdits(), (QStringList{"Amiante", "Plâtre"}));
    t->setDechetsInterditsString(QStringLiteral("|Bois||Verre|"));
    QCOMPARE(t->dechetsInterdits(), (QStringList{"Bois", "Verre"}));
    t->setDechetsInterditsString(QStringLiteral("Bois|   |Verre"));
    QCOMPARE(t->dechetsInterdits(), (QStringList{"Bois", "", "Verre"}));
    t->setDechetsInterditsString(QStringLiteral("\nBois\u00A0|\tVerre"));
    QCOMPARE(t->dechetsInterdits(), (QStringList{"\nBois", "Verre"}));
    delete t;
}

void TestRecords::listesDeReglesALaCreation()
{
    TypeDechet vide(QStringLiteral("A"), std::nullopt, QStringLiteral("DIB"), std::nullopt, std::nullopt,
                    std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 20, false,
                    QStringList{}, false, std::nullopt, std::nullopt, QList<double>{10, 7.5},
                    QStringList{" Bordereau ", ""}, std::nullopt);
    QCOMPARE(vide.dechetsInterditsString(), std::optional<QString>(QString()));
    QVERIFY(vide.dechetsInterditsString()->isEmpty());
    QVERIFY(!vide.zonesCompatiblesString().has_value());
    QCOMPARE(vide.bennesCompatiblesString(), std::optional<QString>(QStringLiteral("10.0|7.5")));
    QCOMPARE(vide.documentsObligatoiresString(), std::optional<QString>(QStringLiteral(" Bordereau |")));
    QVERIFY(vide.centres().isEmpty());
    QVERIFY(!vide.centreFavoriID().has_value());
    QCOMPARE(vide.centreFavori(), nullptr);
}

void TestRecords::centreFavori()
{
    auto ctx = ModelContext::open(":memory:");
    auto* t = fx::type(ctx.get());
    auto* a = fx::centre(ctx.get(), QStringLiteral("A"));
    auto* b = fx::centre(ctx.get(), QStringLiteral("B"));
    auto* ailleurs = fx::centre(ctx.get(), QStringLiteral("C"));
    t->setCentreFavori(a);
    QCOMPARE(t->centres(), (QList<CentreTraitement*>{a}));
    QCOMPARE(a->typesAcceptes(), (QList<TypeDechet*>{t}));
    t->setCentreFavori(a);
    QCOMPARE(t->centres().size(), 1);
    t->setCentreFavori(b);
    QCOMPARE(t->centres(), (QList<CentreTraitement*>{a, b}));
    QCOMPARE(t->centreFavori(), b);
    t->setCentreFavoriID(ailleurs->id());
    QCOMPARE(t->centreFavori(), a); // not among the centres: the first one
    t->setCentreFavori(nullptr);
    QVERIFY(!t->centreFavoriID());
    QCOMPARE(t->centres().size(), 2);
    QCOMPARE(t->centreFavori(), a);
    // Deleting the preferred centre keeps the id and falls back to the first remaining one.
    t->setCentreFavori(b);
    QVERIFY(ctx->remove(b));
    QCOMPARE(t->centreFavoriID(), std::optional<QUuid>(b->id()));
    QCOMPARE(t->centreFavori(), a);
    QVERIFY(ctx->remove(a));
    QCOMPARE(t->centreFavori(), nullptr);
    QVERIFY(TypeDechet::memeType(t, t));
    QVERIFY(CentreTraitement::memeCentre(a, a));
    QVERIFY(!CentreTraitement::memeCentre(a, b));
}

void TestRecords::valeursALaCreation()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* b = fx::benne(ctx.get());
    auto* l1 = fx::location(c, b);
    auto* l2 = fx::location(c, b);
    QVERIFY(l1->id() != l2->id());
    QVERIFY(!l1->chauffeurPose() && !l1->chauffeurEnlevement());
    QVERIFY(l1->bonsDePesee().isEmpty());
    QCOMPARE(c->locations(), (QList<LocationDeBenne*>{l1, l2}));
    QCOMPARE(b->locations(), (QList<LocationDeBenne*>{l1, l2}));

    auto* centre = new CentreTraitement(QStringLiteral("Sans pays"), std::nullopt, std::nullopt, std::nullopt,
                                        std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                        std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    QVERIFY(!centre->pays().has_value());
    delete centre;

    auto* ch = fx::chauffeur(nullptr);
    QVERIFY(ch->posesAssurees().isEmpty() && ch->enlevementsAssures().isEmpty());
    QVERIFY(ch->actif());
    QCOMPARE(ch->distanceMax(), 50.0);
    delete ch;

    Client libre(QUuid::createUuid(), "x", "", "", "", "", "", std::nullopt, std::nullopt);
    QVERIFY(libre.contacts().isEmpty() && libre.locations().isEmpty());
    QCOMPARE(libre.modelContext(), nullptr);
}
