#include "fixtures.h"
#include "tests.h"

#include <QtTest>

using namespace kv;

void TestRelations::pairedEndsBothWays()
{
    auto ctx = ModelContext::open(":memory:");
    auto* a = fx::client(ctx.get(), "A");
    auto* b = fx::client(ctx.get(), "B");
    auto* benne = fx::benne(ctx.get());
    auto* l = fx::location(a, benne);
    // To-one side.
    l->setClient(b);
    QVERIFY(a->locations().isEmpty());
    QCOMPARE(b->locations(), (QList<LocationDeBenne*>{l}));
    // To-many side.
    a->setLocations({l});
    QCOMPARE(l->client(), a);
    QVERIFY(b->locations().isEmpty());

    auto* p = fx::chauffeur(ctx.get(), "P");
    auto* q = fx::chauffeur(ctx.get(), "Q");
    l->setChauffeurPose(p);
    l->setChauffeurEnlevement(p);
    QCOMPARE(p->posesAssurees(), (QList<LocationDeBenne*>{l}));
    QCOMPARE(p->enlevementsAssures(), (QList<LocationDeBenne*>{l}));
    l->setChauffeurPose(q);
    QVERIFY(p->posesAssurees().isEmpty());
    QCOMPARE(q->posesAssurees(), (QList<LocationDeBenne*>{l}));
    l->setChauffeurPose(nullptr);
    QVERIFY(q->posesAssurees().isEmpty());
    q->setEnlevementsAssures({l});
    QCOMPARE(l->chauffeurEnlevement(), q);
    QVERIFY(p->enlevementsAssures().isEmpty());

    // A contact created with its client is listed by it without writing the list.
    auto* c1 = new Contact("Jean", "Durand", "01", "", a);
    QCOMPARE(c1->modelContext(), ctx.get());
    auto* c2 = new Contact("Jean", "Durand", "01", "", a);
    QCOMPARE(a->contacts(), (QList<Contact*>{c1, c2})); // same texts, two contacts
    QVERIFY(c1->persistentModelID() != c2->persistentModelID());
    a->setContacts({c2});
    QCOMPARE(c1->client(), nullptr);

    // Trainings pair with their driver.
    auto* formation = new Formation("CACES");
    auto* fc = new FormationChauffeur(p, formation, fx::at(2027, 1, 1));
    QCOMPARE(p->formationsSuivies(), (QList<FormationChauffeur*>{fc}));
    QCOMPARE(formation->modelContext(), ctx.get());
    p->setFormationsSuivies({});
    QCOMPARE(fc->chauffeur(), nullptr);
}

void TestRelations::manyToManyBothWays()
{
    auto ctx = ModelContext::open(":memory:");
    auto* t = fx::type(ctx.get());
    auto* c = fx::centre(ctx.get(), "C");
    c->setTypesAcceptes({t});
    QCOMPARE(t->centres(), (QList<CentreTraitement*>{c}));
    t->setCentres({});
    QVERIFY(c->typesAcceptes().isEmpty());
    t->setCentres({c, c});
    QCOMPARE(t->centres().size(), 1);
    QCOMPARE(c->typesAcceptes(), (QList<TypeDechet*>{t}));
}

void TestRelations::joiningAContext()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* b = fx::benne(ctx.get());
    QVERIFY(ctx->save());
    auto* l = fx::location(c, b);
    QCOMPARE(l->modelContext(), ctx.get());
    QVERIFY(l->isPendingInsertion());
    auto* ticket = l->ajouterBonDePesee(fx::at(2026, 3, 2), QStringLiteral("T1"), std::nullopt, std::nullopt,
                                        100, std::nullopt);
    QCOMPARE(ticket->location(), l);
    QCOMPARE(l->bonsDePesee().last(), ticket);
    QVERIFY(ctx->save());
    QVERIFY(!ticket->isPendingInsertion());
    QCOMPARE(ctx->count<BonDePesee>(), 1);
    // A free record linked to another free record stays free until one of them joins.
    auto* t = fx::type(nullptr);
    auto* centre = fx::centre(nullptr, "Libre");
    t->setCentreFavori(centre);
    QCOMPARE(t->modelContext(), nullptr);
    ctx->insert(centre);
    QCOMPARE(t->modelContext(), ctx.get());
}

void TestRelations::deleteClientCascades()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* autre = fx::client(ctx.get(), "Autre");
    new Contact("A", "A", "", "", c);
    new Contact("B", "B", "", "", c);
    auto* b = fx::benne(ctx.get());
    auto* p = fx::chauffeur(ctx.get());
    for (int i = 0; i < 3; ++i) {
        auto* l = fx::location(c, b);
        l->setChauffeurPose(p);
        l->ajouterBonDePesee(fx::at(2026, 3, 2), std::nullopt, std::nullopt, std::nullopt, 10, std::nullopt);
        l->ajouterBonDePesee(fx::at(2026, 3, 3), std::nullopt, std::nullopt, std::nullopt, 20, std::nullopt);
    }
    auto* gardee = fx::location(autre, b);
    new HistoriqueEnvoiRapport(QUuid::createUuid(), c, fx::at(2026, 3, 1), fx::at(2026, 4, 1));
    new HistoriqueEnvoiRapport(QUuid::createUuid(), autre, fx::at(2026, 3, 1), fx::at(2026, 4, 1));
    QVERIFY(ctx->save());
    QCOMPARE(ctx->count<BonDePesee>(), 6);

    QVERIFY(ctx->remove(c));
    QCOMPARE(ctx->count<Client>(), 1);
    QCOMPARE(ctx->count<Contact>(), 0);
    QCOMPARE(ctx->count<LocationDeBenne>(), 1);
    QCOMPARE(ctx->count<BonDePesee>(), 0);
    QCOMPARE(ctx->count<HistoriqueEnvoiRapport>(), 1); // the client's history went with it
    QCOMPARE(b->locations(), (QList<LocationDeBenne*>{gardee}));
    QVERIFY(p->posesAssurees().isEmpty());
    QVERIFY(ctx->save());
    QCOMPARE(ctx->count<BonDePesee>(), 0);
}

void TestRelations::deleteSkipKeepsDevice()
{
    auto ctx = ModelContext::open(":memory:");
    auto* grue = new DispositifSpecial("Grue");
    auto* b1 = new Benne(10, "808080", EtatBenne::neuf, "", grue);
    auto* b2 = new Benne(12, "808080", EtatBenne::neuf, "", grue);
    ctx->insert(b1);
    ctx->insert(b2);
    auto* c = fx::client(ctx.get());
    auto* l1 = fx::location(c, b1);
    fx::location(c, b1)->ajouterBonDePesee(fx::at(2026, 3, 2), std::nullopt, std::nullopt, std::nullopt, 1,
                                           std::nullopt);
    QVERIFY(ctx->remove(b1));
    QVERIFY(l1->isDeleted());
    QCOMPARE(ctx->count<LocationDeBenne>(), 0);
    QCOMPARE(ctx->count<BonDePesee>(), 0);
    QCOMPARE(ctx->count<DispositifSpecial>(), 1);
    QCOMPARE(b2->dispositifSpecial(), grue);
    QVERIFY(c->locations().isEmpty());
    QCOMPARE(ctx->count<Client>(), 1);
}

void TestRelations::deleteRentalAndTicket()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* b = fx::benne(ctx.get());
    auto* l = fx::location(c, b);
    auto* t1 = l->ajouterBonDePesee(fx::at(2026, 3, 2), std::nullopt, std::nullopt, std::nullopt, 1, std::nullopt);
    auto* t2 = l->ajouterBonDePesee(fx::at(2026, 3, 2), std::nullopt, std::nullopt, std::nullopt, 2, std::nullopt);
    QVERIFY(ctx->remove(t1));
    QCOMPARE(l->bonsDePesee(), (QList<BonDePesee*>{t2}));
    QVERIFY(!l->isDeleted());
    QVERIFY(ctx->remove(l));
    QVERIFY(t2->isDeleted());
    QVERIFY(c->locations().isEmpty());
    QVERIFY(b->locations().isEmpty());
}

void TestRelations::deleteDriver()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* b = fx::benne(ctx.get());
    auto* p = fx::chauffeur(ctx.get(), "P");
    auto* q = fx::chauffeur(ctx.get(), "Q");
    auto* qual = new Qualification("Permis C");
    auto* spe = new Specialisation("Grue");
    p->setQualification(qual);
    q->setQualification(qual);
    p->setSpecialisations({spe});
    q->setSpecialisations({spe});
    auto* dispo = new Disponibilite(false, fx::at(2026, 3, 1), std::nullopt);
    p->setDisponibilites({dispo});
    auto* fc = new FormationChauffeur(p, new Formation("ADR"), fx::at(2027, 1, 1));
    auto* l1 = fx::location(c, b);
    auto* l2 = fx::location(c, b);
    l1->setChauffeurPose(p);
    l2->setChauffeurPose(p);
    l2->setChauffeurEnlevement(q);
    QVERIFY(ctx->save());

    QVERIFY(ctx->remove(p));
    QVERIFY(!l1->isDeleted() && !l2->isDeleted());
    QCOMPARE(l1->chauffeurPose(), nullptr);
    QCOMPARE(l2->chauffeurEnlevement(), q);
    QCOMPARE(fc->chauffeur(), nullptr);
    QVERIFY(!fc->isDeleted());
    QVERIFY(!dispo->isDeleted());
    QCOMPARE(q->qualification(), qual);
    QCOMPARE(q->specialisations(), (QList<Specialisation*>{spe}));
    QVERIFY(ctx->save());
}

void TestRelations::oneWayEndsCleared()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get());
    auto* t = fx::type(ctx.get());
    auto* grue = new DispositifSpecial("Grue");
    auto* b = new Benne(10, "808080", EtatBenne::neuf, "", grue);
    ctx->insert(b);
    auto* l = fx::location(c, b, t);
    auto* ch = fx::chauffeur(ctx.get());
    auto* qual = new Qualification("Q");
    auto* spe = new Specialisation("S");
    auto* dispo = new Disponibilite(true, fx::at(2026, 1, 1), fx::at(2026, 2, 1));
    ch->setQualification(qual);
    ch->setSpecialisations({spe});
    ch->setDisponibilites({dispo});
    QVERIFY(ctx->save());

    QVERIFY(ctx->remove(t));
    QCOMPARE(l->typeDechet(), nullptr);
    QVERIFY(ctx->remove(grue));
    QCOMPARE(b->dispositifSpecial(), nullptr);
    QVERIFY(ctx->remove(qual));
    QCOMPARE(ch->qualification(), nullptr);
    QVERIFY(ctx->remove(spe));
    QVERIFY(ch->specialisations().isEmpty());
    QVERIFY(ctx->remove(dispo));
    QVERIFY(ch->disponibilites().isEmpty());
    QVERIFY(ctx->save());
}

void TestRelations::formationInUseRefused()
{
    auto ctx = ModelContext::open(":memory:");
    auto* ch = fx::chauffeur(ctx.get());
    auto* f = new Formation("CACES");
    auto* fc = new FormationChauffeur(ch, f, fx::at(2027, 1, 1));
    QString error;
    QVERIFY(!ctx->remove(f, &error));
    QVERIFY(error.contains(QStringLiteral("formation")));
    // The count never parts from its noun at a line's end.
    QVERIFY2(error.contains(QStringLiteral("1\u00A0chauffeur(s)")), qPrintable(error));
    QVERIFY(!f->isDeleted());
    QVERIFY(ctx->remove(fc));
    QVERIFY(ctx->remove(f, &error));
}

void TestRelations::discardInsertion()
{
    auto ctx = ModelContext::open(":memory:");
    auto* stored = fx::client(ctx.get(), "Stocké");
    QVERIFY(ctx->save());
    QVERIFY(!ctx->hasChanges());
    auto* nouveau = fx::client(ctx.get(), "Nouveau");
    new Contact("A", "B", "", "", nouveau);
    QVERIFY(ctx->hasChanges());
    ctx->discardInsertion(nouveau);
    QVERIFY(!ctx->hasChanges());
    QCOMPARE(ctx->count<Client>(), 1);
    QCOMPARE(ctx->count<Contact>(), 0);
    QVERIFY(nouveau->isDeleted());
    QCOMPARE(nouveau->nom(), QStringLiteral("Nouveau")); // still readable
    ctx->discardInsertion(stored); // a stored record is not a pending insertion
    QVERIFY(!stored->isDeleted());
}

void TestRelations::rollbackRestoresEverything()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get(), "Avant");
    auto* b = fx::benne(ctx.get());
    auto* l = fx::location(c, b);
    auto* t = fx::type(ctx.get());
    auto* centre = fx::centre(ctx.get(), "C");
    t->setCentres({centre});
    QVERIFY(ctx->save());

    c->setNom("Après");
    auto* nouveau = fx::location(c, b);
    QVERIFY(ctx->remove(b)); // cascades to both rentals
    t->setCentres({});
    QCOMPARE(ctx->count<LocationDeBenne>(), 0);
    ctx->rollback();
    QVERIFY(!ctx->hasChanges());
    QCOMPARE(c->nom(), QStringLiteral("Avant"));
    QVERIFY(!b->isDeleted());
    QVERIFY(!l->isDeleted());
    QVERIFY(nouveau->isDeleted());
    QCOMPARE(c->locations(), (QList<LocationDeBenne*>{l}));
    QCOMPARE(b->locations(), (QList<LocationDeBenne*>{l}));
    QCOMPARE(t->centres(), (QList<CentreTraitement*>{centre}));
    QCOMPARE(centre->typesAcceptes(), (QList<TypeDechet*>{t}));
    QCOMPARE(ctx->count<LocationDeBenne>(), 1);
}

void TestRelations::deletedRecordsStayReadable()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get(), "Gardé en mémoire");
    auto* l = fx::location(c, fx::benne(ctx.get()));
    QVERIFY(ctx->save());
    QVERIFY(ctx->remove(c));
    QVERIFY(ctx->save());
    QVERIFY(l->isDeleted());
    QCOMPARE(l->client()->nom(), QStringLiteral("Gardé en mémoire"));
    QVERIFY(ctx->remove(c)); // deleting twice is harmless
    QCOMPARE(ctx->recordForPersistentID(c->persistentModelID()), nullptr);
}

void TestRelations::deletedRecordsJoinNoList()
{
    auto ctx = ModelContext::open(":memory:");
    auto* c = fx::client(ctx.get(), "Client");
    auto* autre = fx::client(ctx.get(), "Autre");
    auto* b = fx::benne(ctx.get());
    auto* l = fx::location(c, b);
    auto* p = fx::chauffeur(ctx.get(), "P");
    auto* centre = fx::centre(ctx.get(), "C");
    auto* t = fx::type(ctx.get());
    QVERIFY(ctx->save());

    // A screen still holding a deleted rental assigns a driver and a client to it.
    QVERIFY(ctx->remove(l));
    l->setChauffeurPose(p);
    l->setClient(autre);
    QCOMPARE(l->chauffeurPose(), p); // the deleted record keeps what it is given
    QVERIFY(p->posesAssurees().isEmpty());
    QVERIFY(autre->locations().isEmpty());
    QVERIFY(c->locations().isEmpty());

    // A deleted waste type given a centre does not enter the centre's list either.
    QVERIFY(ctx->remove(t));
    t->setCentres({centre});
    QVERIFY(centre->typesAcceptes().isEmpty());
    QString error;
    QVERIFY2(ctx->save(&error), qPrintable(error));
    QVERIFY(p->posesAssurees().isEmpty());

    // A rolled-back new contact linked again stays out of its client's list.
    auto* x = new Contact("A", "B", "", "", c);
    ctx->rollback();
    QVERIFY(c->contacts().isEmpty());
    x->setClient(autre);
    QVERIFY(autre->contacts().isEmpty());
    QVERIFY(!ctx->hasChanges());
}
