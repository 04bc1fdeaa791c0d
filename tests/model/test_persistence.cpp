#include "fixtures.h"
#include "pgserver.h"
#include "referencestore.h"
#include "tests.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "model/storebackend.h"
#include "model/storecopy.h"

#include <sqlite3.h>

#include <cmath>
#include <memory>

using namespace kv;

namespace {

std::unique_ptr<QTemporaryDir> g_tmp;
QString g_location; // the store of the case: a file, or a database of the test server

QString storePath()
{
    return g_location;
}

bool onServer()
{
    return StoreBackend::isServer(g_location);
}

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Folds the write-ahead log into the main file so that its bytes tell everything stored.
void checkpoint(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    // Passive: the log is written back without being restarted under the open context.
    sqlite3_exec(db, "PRAGMA wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Everything the store holds: the file's bytes, or the database's rows.
QByteArray contents()
{
    if (onServer())
        return pgtest::dump(g_location);
    checkpoint(g_location);
    return fileHash(g_location);
}

// Runs SQL on the store behind the context's back.
void rawExec(const QString& sql)
{
    if (onServer()) {
        QCOMPARE(pgtest::exec(g_location, sql), QString());
        return;
    }
    sqlite3* db = nullptr;
    sqlite3_open(g_location.toUtf8().constData(), &db);
    QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

std::unique_ptr<ModelContext> reopen(std::unique_ptr<ModelContext>& ctx)
{
    ctx.reset();
    QString error;
    auto fresh = ModelContext::open(storePath(), &error);
    if (!fresh)
        qWarning() << error;
    return fresh;
}

} // namespace

void TestPersistence::init()
{
    g_tmp = std::make_unique<QTemporaryDir>();
    g_location = g_tmp->filePath(QStringLiteral("SwiftData.store"));
    if (m_onServer) {
        QString error;
        if (!pgtest::start(&error))
            QFAIL(qPrintable(error));
        g_location = pgtest::freshDatabase();
    }
}

void TestPersistence::cleanup()
{
    g_tmp.reset();
}

void TestPersistence::roundTripEveryField()
{
    QString openError;
    auto ctx = ModelContext::open(storePath(), &openError);
    QVERIFY2(ctx, qPrintable(openError));
    const QUuid clientId = QUuid::createUuid();
    auto* c = new Client(clientId, "Nom", "#ABCDEF", "Adresse", "69001", "Lyon", "0102", QString(), std::nullopt);
    ctx->insert(c);
    auto* c2 = new Client(QUuid::createUuid(), "", "", "", "", "", "", QStringLiteral("a@b.fr"),
                          QStringLiteral("FR123"));
    ctx->insert(c2);
    new Contact("Prénom", "Nom", "Tél", "", c);
    auto* grue = new DispositifSpecial("Grue");
    auto* b = new Benne(7.5, "808080", EtatBenne::sale, "Notes\nsur deux lignes", grue);
    ctx->insert(b);
    auto* centre = new CentreTraitement("Centre", QUrl("https://exemple.fr/c"), "L1", QString(), "69002",
                                        "Lyon", std::nullopt, "04", "c@d.fr", "123", "TD1", 45.75, 4.85);
    ctx->insert(centre);
    auto* t = new TypeDechet("Gravats", "Détails", "Inerte", "17 01 07", 0.0, 60.0, 2.0, 40.0, 7, 5.0, 5.5,
                             true, QStringList{"Amiante", "Plâtre"}, true, "Consignes", QStringList{"Z1"},
                             QList<double>{10, 7.5}, QStringList{}, "FF8800");
    ctx->insert(t);
    t->setCentreFavori(centre);
    auto* qual = new Qualification(" Permis C ");
    auto* spe1 = new Specialisation("Grue");
    auto* spe2 = new Specialisation("ADR");
    auto* dispo = new Disponibilite(false, fx::at(2026, 5, 1, 9), std::nullopt);
    auto* ch = new Chauffeur("Martin", "Paul", qual, {spe2, spe1}, {}, {dispo}, 120.5, "06", std::nullopt, "",
                             false);
    ctx->insert(ch);
    auto* formation = new Formation("CACES");
    new FormationChauffeur(ch, formation, fx::at(2027, 6, 30, 12));
    auto* l = new LocationDeBenne(c, b, 45.5, -0.0, QString(), 100, 80.25, 0, fx::at(2026, 3, 1, 8, 30),
                                  std::nullopt, t);
    l->setChauffeurPose(ch);
    l->setChauffeurEnlevement(ch);
    l->ajouterBonDePesee(fx::at(2026, 3, 5, 14), QStringLiteral("N°1"), 12000, 4000, std::nullopt,
                         QStringLiteral("/tmp/ticket 1.pdf"));
    auto* l2 = new LocationDeBenne(c2, b, std::nullopt, std::nullopt, std::nullopt, 0, 0, 12,
                                   fx::at(2026, 4, 1), fx::at(2026, 4, 9, 17), nullptr);
    new HistoriqueEnvoiRapport(QUuid::createUuid(), c, fx::at(2026, 3, 15), fx::at(2026, 4, 2, 10, 5));
    ctx->insert(new EmailChauffeurPreferences("Sujet {date}", "", "• {client}\n", "Fin"));
    QString error;
    QVERIFY2(ctx->save(&error), qPrintable(error));
    const QUuid rentalId = l->id(), rental2Id = l2->id();

    ctx = reopen(ctx);
    QVERIFY(ctx);
    auto* rc = ctx->find<Client>(clientId);
    QVERIFY(rc);
    QCOMPARE(rc->nom(), QStringLiteral("Nom"));
    QCOMPARE(rc->couleur(), QStringLiteral("#ABCDEF"));
    QCOMPARE(rc->email(), std::optional<QString>(QString())); // empty, not absent
    QVERIFY(rc->email()->isEmpty());
    QVERIFY(!rc->numeroTVA().has_value());
    QCOMPARE(rc->contacts().size(), 1);
    QCOMPARE(rc->contacts()[0]->prenom(), QStringLiteral("Prénom"));
    QVERIFY(rc->contacts()[0]->email().isEmpty());
    auto* rc2 = ctx->all<Client>()[1];
    QCOMPARE(rc2->email(), std::optional<QString>(QStringLiteral("a@b.fr")));
    QCOMPARE(rc2->numeroTVA(), std::optional<QString>(QStringLiteral("FR123")));

    auto* rl = ctx->find<LocationDeBenne>(rentalId);
    QVERIFY(rl);
    QCOMPARE(rl->client(), rc);
    QCOMPARE(rl->latitude(), std::optional<double>(45.5));
    QCOMPARE(rl->longitude(), std::optional<double>(0.0));
    QCOMPARE(rl->adresse(), std::optional<QString>(QString()));
    QCOMPARE(rl->tarifPose(), 100.0);
    QCOMPARE(rl->tarifEnlevement(), 80.25);
    QCOMPARE(rl->tarifJournalier(), 0.0);
    QCOMPARE(rl->datePose(), fx::at(2026, 3, 1, 8, 30));
    QVERIFY(!rl->dateEnlevement().has_value());
    QCOMPARE(rl->chauffeurPose(), rl->chauffeurEnlevement());
    QVERIFY(rl->chauffeurPose());
    QCOMPARE(rl->chauffeurPose()->posesAssurees(), (QList<LocationDeBenne*>{rl}));
    QCOMPARE(rl->bonsDePesee().size(), 1);
    auto* bon = rl->bonsDePesee()[0];
    QCOMPARE(bon->date(), fx::at(2026, 3, 5, 14));
    QCOMPARE(bon->numero(), std::optional<QString>(QStringLiteral("N°1")));
    QCOMPARE(bon->poidsArriveePontKg(), std::optional<double>(12000));
    QCOMPARE(bon->poidsApresVidagePontKg(), std::optional<double>(4000));
    QVERIFY(!bon->poidsDechetsKg().has_value());
    QCOMPARE(bon->cheminFichierTicket(), std::optional<QString>(QStringLiteral("/tmp/ticket 1.pdf")));
    auto* rl2 = ctx->find<LocationDeBenne>(rental2Id);
    QCOMPARE(rl2->dateEnlevement(), std::optional<QDateTime>(fx::at(2026, 4, 9, 17)));
    QVERIFY(!rl2->latitude().has_value() && !rl2->adresse().has_value());
    QCOMPARE(rl2->typeDechet(), nullptr);
    QCOMPARE(rl2->tarifJournalier(), 12.0);

    auto* rb = rl->benne();
    QCOMPARE(rb->volume(), 7.5);
    QCOMPARE(rb->etat(), std::optional(EtatBenne::sale));
    QCOMPARE(rb->notes(), QStringLiteral("Notes\nsur deux lignes"));
    QCOMPARE(rb->dispositifSpecial()->descriptionDispositif(), QStringLiteral("Grue"));
    QCOMPARE(rb->locations().size(), 2);

    auto* rt = rl->typeDechet();
    QCOMPARE(rt->libelle(), QStringLiteral("Gravats"));
    QCOMPARE(rt->details(), std::optional<QString>(QStringLiteral("Détails")));
    QCOMPARE(rt->categorie(), QStringLiteral("Inerte"));
    QCOMPARE(rt->codeCED(), std::optional<QString>(QStringLiteral("17 01 07")));
    QCOMPARE(rt->prixBaseForfait(), std::optional<double>(0.0));
    QCOMPARE(rt->prixBaseParTonne(), std::optional<double>(60.0));
    QCOMPARE(rt->franchiseTonnage(), std::optional<double>(2.0));
    QCOMPARE(rt->supplementTonnage(), std::optional<double>(40.0));
    QCOMPARE(rt->dureeIncluse(), std::optional<qint64>(7));
    QCOMPARE(rt->supplementJour(), std::optional<double>(5.0));
    QCOMPARE(rt->tva(), 5.5);
    QVERIFY(rt->melangeInterdit() && rt->estDangereux());
    QCOMPARE(rt->dechetsInterdits(), (QStringList{"Amiante", "Plâtre"}));
    QCOMPARE(rt->zonesCompatiblesString(), std::optional<QString>(QStringLiteral("Z1")));
    QCOMPARE(rt->bennesCompatiblesString(), std::optional<QString>(QStringLiteral("10.0|7.5")));
    QCOMPARE(rt->documentsObligatoiresString(), std::optional<QString>(QString()));
    QCOMPARE(rt->consignes(), std::optional<QString>(QStringLiteral("Consignes")));
    QCOMPARE(rt->couleur(), std::optional<QString>(QStringLiteral("FF8800")));
    QCOMPARE(rt->centres().size(), 1);
    QCOMPARE(rt->centreFavori(), rt->centres()[0]);

    auto* rce = rt->centres()[0];
    QCOMPARE(rce->typesAcceptes(), (QList<TypeDechet*>{rt}));
    QCOMPARE(rce->siteWeb(), std::optional<QUrl>(QUrl("https://exemple.fr/c")));
    QCOMPARE(rce->adresseLigne1(), std::optional<QString>(QStringLiteral("L1")));
    QCOMPARE(rce->adresseLigne2(), std::optional<QString>(QString()));
    QCOMPARE(rce->codePostal(), std::optional<QString>(QStringLiteral("69002")));
    QVERIFY(!rce->pays().has_value()); // absent country stays absent
    QCOMPARE(rce->telephone(), std::optional<QString>(QStringLiteral("04")));
    QCOMPARE(rce->email(), std::optional<QString>(QStringLiteral("c@d.fr")));
    QCOMPARE(rce->siret(), std::optional<QString>(QStringLiteral("123")));
    QCOMPARE(rce->numeroTrackdechets(), std::optional<QString>(QStringLiteral("TD1")));
    QCOMPARE(rce->latitude(), std::optional<double>(45.75));
    QCOMPARE(rce->longitude(), std::optional<double>(4.85));

    auto* rch = rl->chauffeurPose();
    QCOMPARE(rch->nom(), QStringLiteral("Martin"));
    QCOMPARE(rch->prenom(), QStringLiteral("Paul"));
    QCOMPARE(rch->qualification()->nom(), QStringLiteral(" Permis C "));
    QCOMPARE(rch->specialisations().size(), 2);
    QCOMPARE(rch->specialisations()[0]->nom(), QStringLiteral("ADR")); // list order kept
    QCOMPARE(rch->disponibilites().size(), 1);
    QVERIFY(!rch->disponibilites()[0]->disponible());
    QCOMPARE(rch->disponibilites()[0]->dateDebut(), fx::at(2026, 5, 1, 9));
    QVERIFY(!rch->disponibilites()[0]->dateFin().has_value());
    QCOMPARE(rch->distanceMax(), 120.5);
    QCOMPARE(rch->telephone(), std::optional<QString>(QStringLiteral("06")));
    QVERIFY(!rch->email().has_value());
    QCOMPARE(rch->notes(), std::optional<QString>(QString()));
    QVERIFY(!rch->actif());
    QCOMPARE(rch->formationsSuivies().size(), 1);
    QCOMPARE(rch->formationsSuivies()[0]->formation()->nom(), QStringLiteral("CACES"));
    QCOMPARE(rch->formationsSuivies()[0]->dateExpiration(), fx::at(2027, 6, 30, 12));

    QCOMPARE(ctx->count<HistoriqueEnvoiRapport>(), 1);
    auto* h = ctx->all<HistoriqueEnvoiRapport>()[0];
    QCOMPARE(h->client(), rc);
    QCOMPARE(h->mois(), fx::at(2026, 3, 15));
    QCOMPARE(h->dateEnvoi(), fx::at(2026, 4, 2, 10, 5));
    auto* prefs = ctx->all<EmailChauffeurPreferences>()[0];
    QCOMPARE(prefs->subjectTemplate(), QStringLiteral("Sujet {date}"));
    QVERIFY(prefs->headerTemplate().isEmpty());
    QCOMPARE(prefs->operationLineTemplate(), QStringLiteral("• {client}\n"));
    QCOMPARE(prefs->footerTemplate(), QStringLiteral("Fin"));

    // Changes made after reopening reach the file too.
    rc->setNumeroTVA(QStringLiteral("FR999"));
    rl->setDateEnlevement(fx::at(2026, 3, 20, 18));
    rch->setSpecialisations({});
    QVERIFY(ctx->save());
    ctx = reopen(ctx);
    QCOMPARE(ctx->find<Client>(clientId)->numeroTVA(), std::optional<QString>(QStringLiteral("FR999")));
    QCOMPARE(ctx->find<LocationDeBenne>(rentalId)->dateEnlevement(),
             std::optional<QDateTime>(fx::at(2026, 3, 20, 18)));
    QVERIFY(ctx->find<LocationDeBenne>(rentalId)->chauffeurPose()->specialisations().isEmpty());
}

void TestPersistence::listOrdersKept()
{
    auto ctx = ModelContext::open(storePath());
    auto* a = fx::client(ctx.get(), "A");
    auto* b = fx::client(ctx.get(), "B");
    auto* benne = fx::benne(ctx.get());
    auto* l1 = fx::location(a, benne);
    auto* l2 = fx::location(b, benne);
    auto* l3 = fx::location(a, benne);
    QVERIFY(ctx->save());
    // l2 moves to A after l1 and l3: A lists it last, although it was created before l3.
    l2->setClient(a);
    QCOMPARE(a->locations(), (QList<LocationDeBenne*>{l1, l3, l2}));
    auto* c1 = fx::centre(ctx.get(), "C1");
    auto* c2 = fx::centre(ctx.get(), "C2");
    auto* t = fx::type(ctx.get());
    t->setCentres({c2, c1});
    QVERIFY(ctx->save());
    const QUuid l1id = l1->id(), l2id = l2->id(), l3id = l3->id();
    ctx = reopen(ctx);
    auto* ra = ctx->all<Client>()[0];
    QCOMPARE(ra->locations().size(), 3);
    QCOMPARE(ra->locations()[0]->id(), l1id);
    QCOMPARE(ra->locations()[1]->id(), l3id);
    QCOMPARE(ra->locations()[2]->id(), l2id);
    QVERIFY(ctx->all<Client>()[1]->locations().isEmpty());
    // Store order is creation order.
    QCOMPARE(ctx->all<Client>()[0]->nom(), QStringLiteral("A"));
    auto* rt = ctx->all<TypeDechet>()[0];
    QCOMPARE(rt->centres()[0]->nom(), QStringLiteral("C2"));
    QCOMPARE(rt->centres()[1]->nom(), QStringLiteral("C1"));
}

void TestPersistence::persistentIdentifiersAfterReopening()
{
    auto ctx = ModelContext::open(storePath());
    // Records of several tables, created in an order that differs from the tables' order.
    auto* c = fx::client(ctx.get(), "A");
    auto* d = new DispositifSpecial("Grue");
    ctx->insert(d);
    auto* b = fx::benne(ctx.get());
    b->setDispositifSpecial(d);
    auto* q = new Qualification("Poids lourd");
    ctx->insert(q);
    auto* x = new Contact("Jean", "Durand", "01", "", c);
    QVERIFY(ctx->save());
    const qint64 cpk = c->persistentModelID(), dpk = d->persistentModelID(),
                 bpk = b->persistentModelID(), qpk = q->persistentModelID(),
                 xpk = x->persistentModelID();
    ctx = reopen(ctx);
    QVERIFY(ctx);
    QCOMPARE(ctx->recordForPersistentID(cpk), ctx->all<Client>()[0]);
    QCOMPARE(ctx->recordForPersistentID(dpk), ctx->all<DispositifSpecial>()[0]);
    QCOMPARE(ctx->recordForPersistentID(bpk), ctx->all<Benne>()[0]);
    QCOMPARE(ctx->recordForPersistentID(qpk), ctx->all<Qualification>()[0]);
    QCOMPARE(ctx->recordForPersistentID(xpk), ctx->all<Contact>()[0]);
    // A record created after reopening is found too.
    auto* nouveau = fx::client(ctx.get(), "B");
    QCOMPARE(ctx->recordForPersistentID(nouveau->persistentModelID()), nouveau);
    QCOMPARE(ctx->recordForPersistentID(cpk)->persistentModelID(), cpk);
}

void TestPersistence::deletionsReachTheFile()
{
    auto ctx = ModelContext::open(storePath());
    auto* c = fx::client(ctx.get());
    auto* l = fx::location(c, fx::benne(ctx.get()));
    l->ajouterBonDePesee(fx::at(2026, 3, 2), std::nullopt, std::nullopt, std::nullopt, 5, std::nullopt);
    QVERIFY(ctx->save());
    QVERIFY(ctx->remove(c));
    QVERIFY(ctx->save());
    ctx = reopen(ctx);
    QCOMPARE(ctx->count<Client>(), 0);
    QCOMPARE(ctx->count<LocationDeBenne>(), 0);
    QCOMPARE(ctx->count<BonDePesee>(), 0);
    QCOMPARE(ctx->count<Benne>(), 1);
}

void TestPersistence::failedSaveLeavesFileAndChanges()
{
    auto ctx = ModelContext::open(storePath());
    auto* c = fx::client(ctx.get(), "Premier");
    QVERIFY(ctx->save());
    const QByteArray before = contents();

    c->setNom("Renommé");
    auto* doublon = fx::client(ctx.get(), "Doublon");
    doublon->setId(c->id()); // two clients with one id
    QString error;
    QVERIFY(!ctx->save(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(ctx->hasChanges());
    QCOMPARE(c->nom(), QStringLiteral("Renommé"));
    QCOMPARE(contents(), before);

    // Once the cause is gone the same pending changes are saved, once.
    ctx->discardInsertion(doublon);
    QVERIFY2(ctx->save(&error), qPrintable(error));
    ctx = reopen(ctx);
    QCOMPARE(ctx->count<Client>(), 1);
    QCOMPARE(ctx->all<Client>()[0]->nom(), QStringLiteral("Renommé"));
}

void TestPersistence::nonFiniteNumberRefused()
{
    auto ctx = ModelContext::open(storePath());
    auto* b = fx::benne(ctx.get());
    QVERIFY(ctx->save());
    b->setVolume(std::nan(""));
    QString error;
    QVERIFY(!ctx->save(&error));
    QVERIFY(error.contains(QStringLiteral("volume")));
    QVERIFY(ctx->hasChanges());
    b->setVolume(12);
    auto* t = fx::type(ctx.get());
    t->setPrixBaseParTonne(std::numeric_limits<double>::infinity());
    QVERIFY(!ctx->save(&error));
    t->setPrixBaseParTonne(std::nullopt);
    QVERIFY(ctx->save(&error));
    ctx = reopen(ctx);
    QCOMPARE(ctx->all<Benne>()[0]->volume(), 12.0);
}

void TestPersistence::rentalAndTicketKeepAbsentApartFromEmptyAndZero()
{
    auto ctx = ModelContext::open(storePath());
    auto* client = fx::client(ctx.get());
    auto* benne = fx::benne(ctx.get());
    auto* type = fx::type(ctx.get());
    // A rental and a ticket with every optional value absent, and their twins holding the
    // values closest to absence: empty texts, zeros, the epoch.
    auto* absent = fx::location(client, benne, type);
    absent->setLatitude(std::nullopt);
    absent->setLongitude(std::nullopt);
    absent->setAdresse(std::nullopt);
    absent->setDateEnlevement(std::nullopt);
    absent->ajouterBonDePesee(fx::at(2026, 3, 2, 8), std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                              std::nullopt);
    auto* present = fx::location(client, benne, type);
    present->setLatitude(0.0);
    present->setLongitude(-0.0);
    present->setAdresse(QString());
    present->setDateEnlevement(QDateTime::fromMSecsSinceEpoch(0));
    present->ajouterBonDePesee(fx::at(2026, 3, 2, 9), QString(), 0.0, 0.0, 0.0, QStringLiteral(""));
    auto check = [](LocationDeBenne* a, LocationDeBenne* p) {
        QVERIFY(!a->latitude() && !a->longitude() && !a->adresse() && !a->dateEnlevementMs());
        const BonDePesee* ta = a->bonsDePesee().value(0);
        QVERIFY(ta);
        QVERIFY(!ta->numero() && !ta->poidsArriveePontKg() && !ta->poidsApresVidagePontKg()
                && !ta->poidsDechetsKg() && !ta->cheminFichierTicket());
        QCOMPARE(p->latitude(), std::optional<double>(0.0));
        QCOMPARE(p->longitude(), std::optional<double>(0.0));
        QCOMPARE(p->adresse(), std::optional<QString>(QString()));
        QCOMPARE(p->dateEnlevementMs(), std::optional<qint64>(0));
        const BonDePesee* tp = p->bonsDePesee().value(0);
        QVERIFY(tp);
        QCOMPARE(tp->numero(), std::optional<QString>(QString()));
        QCOMPARE(tp->poidsArriveePontKg(), std::optional<double>(0.0));
        QCOMPARE(tp->poidsApresVidagePontKg(), std::optional<double>(0.0));
        QCOMPARE(tp->poidsDechetsKg(), std::optional<double>(0.0));
        QCOMPARE(tp->cheminFichierTicket(), std::optional<QString>(QString()));
    };
    check(absent, present);
    QVERIFY(ctx->save());
    const QUuid absentId = absent->id(), presentId = present->id();
    ctx = reopen(ctx);
    LocationDeBenne *a = nullptr, *p = nullptr;
    for (LocationDeBenne* l : ctx->all<LocationDeBenne>()) {
        if (l->id() == absentId)
            a = l;
        if (l->id() == presentId)
            p = l;
    }
    QVERIFY(a && p);
    check(a, p);
    if (QTest::currentTestFailed())
        return;

    // A weight that is not a number is refused at saving, not taken for an absent one.
    BonDePesee* ticket = p->bonsDePesee().value(0);
    ticket->setPoidsDechetsKg(std::nan(""));
    QString error;
    QVERIFY(!ctx->save(&error));
    QVERIFY2(error.contains(QStringLiteral("poidsDechetsKg")), qPrintable(error));
    ticket->setPoidsDechetsKg(std::numeric_limits<double>::infinity());
    QVERIFY(!ctx->save(&error));
    ticket->setPoidsDechetsKg(1500.0);
    // Texts beyond ASCII come back as typed; a change taken back restores the text before it.
    const QString site = QStringLiteral("Chemin de l’Étang — lot n° 3 🚛");
    p->setAdresse(site);
    ticket->setNumero(QStringLiteral("Bon n°\u00A012/Ω"));
    QVERIFY2(ctx->save(&error), qPrintable(error));
    p->setAdresse(QStringLiteral("Ailleurs"));
    ticket->setNumero(std::nullopt);
    ctx->rollback();
    QCOMPARE(p->adresse(), std::optional<QString>(site));
    QCOMPARE(ticket->numero(), std::optional<QString>(QStringLiteral("Bon n°\u00A012/Ω")));
    ctx = reopen(ctx);
    bool found = false;
    for (LocationDeBenne* l : ctx->all<LocationDeBenne>()) {
        if (l->id() != presentId)
            continue;
        found = true;
        QCOMPARE(l->adresse(), std::optional<QString>(site));
        QCOMPARE(l->bonsDePesee().value(0)->numero(), std::optional<QString>(QStringLiteral("Bon n°\u00A012/Ω")));
        QCOMPARE(l->bonsDePesee().value(0)->poidsDechetsKg(), std::optional<double>(1500.0));
    }
    QVERIFY(found);
}

void TestPersistence::linksToDeletedRecordsRefused()
{
    auto ctx = ModelContext::open(storePath());
    auto* t = fx::type(ctx.get());
    auto* l = fx::location(fx::client(ctx.get()), fx::benne(ctx.get()), t);
    auto* spe = new Specialisation("Grue");
    auto* ch = fx::chauffeur(ctx.get());
    ch->setSpecialisations({spe});
    QVERIFY(ctx->save());
    QVERIFY(ctx->remove(t));
    QVERIFY(ctx->remove(spe));
    // Pointing at a deleted record again would leave the file with a reference nothing resolves.
    l->setTypeDechet(t);
    QString error;
    QVERIFY(!ctx->save(&error));
    QVERIFY(error.contains(QStringLiteral("typeDechet")));
    l->setTypeDechet(nullptr);
    ch->setSpecialisations({spe});
    QVERIFY(!ctx->save(&error));
    ch->setSpecialisations({});
    QVERIFY2(ctx->save(&error), qPrintable(error));
    // A record of another store cannot be linked either.
    auto autre = ModelContext::open(":memory:");
    auto* etranger = fx::type(autre.get());
    l->setTypeDechet(etranger);
    QVERIFY(!ctx->save(&error));
    l->setTypeDechet(nullptr);
    QVERIFY(ctx->save(&error));
    ctx = reopen(ctx);
    QVERIFY(ctx);
    QCOMPARE(ctx->all<LocationDeBenne>()[0]->typeDechet(), nullptr);
}

void TestPersistence::injectedFailure()
{
    auto ctx = ModelContext::open(storePath());
    fx::client(ctx.get());
    ctx->failNextSave(QStringLiteral("disque plein"));
    QString error;
    QVERIFY(!ctx->save(&error));
    QCOMPARE(error, QStringLiteral("disque plein"));
    QVERIFY(ctx->hasChanges());
    QVERIFY(ctx->save(&error));
    ctx = reopen(ctx);
    QCOMPARE(ctx->count<Client>(), 1);
}

void TestPersistence::foreignFileRefusedUntouched()
{
    if (onServer()) {
        // Another program's database.
        rawExec(QStringLiteral("CREATE TABLE t (x integer); INSERT INTO t VALUES (1);"));
        const QByteArray before = contents();
        QString error;
        OpenFailure failure = OpenFailure::None;
        QVERIFY(!ModelContext::open(storePath(), &error, &failure));
        QCOMPARE(failure, OpenFailure::NotAStore);
        QVERIFY2(error.contains(QStringLiteral("n’est pas une base Kestrovan")), qPrintable(error));
        QCOMPARE(contents(), before);
        return;
    }
    // A text file.
    {
        QFile f(storePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
    }
    const QByteArray before = fileHash(storePath());
    QString error;
    OpenFailure failure = OpenFailure::None;
    QVERIFY(!ModelContext::open(storePath(), &error, &failure));
    QCOMPARE(failure, OpenFailure::NotAStore);
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileHash(storePath()), before);
    QVERIFY(!QFile::exists(storePath() + "-wal"));

    // Another program's SQLite database.
    const QString other = g_tmp->filePath("autre.sqlite");
    sqlite3* db = nullptr;
    sqlite3_open(other.toUtf8().constData(), &db);
    sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES (1);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const QByteArray otherBefore = fileHash(other);
    QVERIFY(!ModelContext::open(other, &error, &failure));
    QCOMPARE(failure, OpenFailure::NotAStore);
    QCOMPARE(fileHash(other), otherBefore);
}

void TestPersistence::newerVersionRefused()
{
    {
        auto ctx = ModelContext::open(storePath());
        fx::client(ctx.get());
        QVERIFY(ctx->save());
    }
    rawExec(onServer() ? QStringLiteral("UPDATE kestrovan SET version = 99") : QStringLiteral("PRAGMA user_version = 99"));
    const QByteArray before = contents();
    QString error;
    OpenFailure failure = OpenFailure::None;
    QVERIFY(!ModelContext::open(storePath(), &error, &failure));
    QCOMPARE(failure, OpenFailure::NewerVersion);
    QVERIFY(error.contains(QStringLiteral("récente")));
    QCOMPARE(contents(), before);
}

void TestPersistence::unknownSkipStateKept()
{
    {
        auto ctx = ModelContext::open(storePath());
        fx::benne(ctx.get());
        QVERIFY(ctx->save());
    }
    rawExec(QStringLiteral("UPDATE \"Benne\" SET etat = 'Cassée'"));
    auto ctx = ModelContext::open(storePath());
    QVERIFY(ctx);
    auto* b = ctx->all<Benne>()[0];
    QVERIFY(!b->etat().has_value());
    QCOMPARE(b->etatTexte(), QStringLiteral("Cassée"));
    b->setNotes("modifiée");
    QVERIFY(ctx->save());
    ctx = reopen(ctx);
    QCOMPARE(ctx->all<Benne>()[0]->etatTexte(), QStringLiteral("Cassée"));
    ctx->all<Benne>()[0]->setEtat(EtatBenne::neuf);
    QCOMPARE(ctx->all<Benne>()[0]->etat(), std::optional(EtatBenne::neuf));
}

void TestPersistence::autosave()
{
    auto ctx = ModelContext::open(storePath());
    ctx->setAutosaveEnabled(true, 10);
    QSignalSpy saved(ctx.get(), &ModelContext::saved);
    fx::client(ctx.get(), "Auto");
    QVERIFY(saved.wait(2000));
    QVERIFY(!ctx->hasChanges());

    QSignalSpy failed(ctx.get(), &ModelContext::autosaveFailed);
    ctx->failNextSave(QStringLiteral("panne"));
    ctx->all<Client>()[0]->setNom("Auto 2");
    QVERIFY(failed.wait(2000));
    QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("panne"));
    QVERIFY(ctx->hasChanges());
    ctx = reopen(ctx);
    QCOMPARE(ctx->all<Client>()[0]->nom(), QStringLiteral("Auto"));
}

void TestPersistence::changedSignalCoalesced()
{
    auto ctx = ModelContext::open(":memory:");
    QSignalSpy spy(ctx.get(), &ModelContext::changed);
    auto* c = fx::client(ctx.get());
    c->setNom("1");
    c->setNom("2");
    c->setVille("Paris");
    QCOMPARE(spy.count(), 0); // not yet: once the event loop turns
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);
    c->setNom("2"); // same value: no change
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 1);
}

void TestPersistence::referenceStoreOpens()
{
    if (onServer())
        QSKIP("a store written by an earlier version is a local file");
    // A store written by an earlier version, kept as it was written.
    const QString source = QStringLiteral(KV_MODEL_TEST_DATA "/store-format-1.store");
    QVERIFY(QFile::copy(source, storePath()));
    QFile::setPermissions(storePath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile dumpFile(QStringLiteral(KV_MODEL_TEST_DATA "/store-format-1.txt"));
    QVERIFY(dumpFile.open(QIODevice::ReadOnly));
    const QStringList expected = QString::fromUtf8(dumpFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(expected.size() > 30);

    QString error;
    auto ctx = ModelContext::open(storePath(), &error);
    QVERIFY2(ctx, qPrintable(error));
    const QStringList dump = ref::dumpStore(*ctx);
    for (qsizetype i = 0; i < std::min(dump.size(), expected.size()); ++i)
        QCOMPARE(dump[i], expected[i]);
    QCOMPARE(dump.size(), expected.size());
    // Upgraded in place, the file as it was kept beside it; each ticket keeps the centre it
    // showed (that of its rental's waste type), none for a type without centre.
    const QString copy = storePath() + QStringLiteral(".avant-v%1").arg(kSchemaVersion);
    QFile kept(copy), original(source);
    QVERIFY(kept.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
    QVERIFY(kept.readAll() == original.readAll());
    QStringList centres;
    for (const BonDePesee* b : ctx->all<BonDePesee>())
        centres << b->centreTraitement().value_or(QStringLiteral("absent"));
    QCOMPARE(centres, (QStringList{"Centre Nord", "Centre Nord", "absent"}));

    // It saves as before: an edit, a new linked record and a deletion survive reopening.
    auto* client = ctx->find<Client>(QUuid(QStringLiteral("{00000000-0000-4000-8000-000000000001}")));
    QVERIFY(client);
    client->setVille(QStringLiteral("Villeurbanne"));
    auto* contact = new Contact("Léa", "Roux", "", "", client);
    QVERIFY(ctx->remove(client->contacts().first()));
    QVERIFY2(ctx->save(&error), qPrintable(error));
    const qint64 contactPk = contact->persistentModelID();
    ctx = reopen(ctx);
    QVERIFY(ctx);
    client = ctx->find<Client>(QUuid(QStringLiteral("{00000000-0000-4000-8000-000000000001}")));
    QCOMPARE(client->ville(), QStringLiteral("Villeurbanne"));
    QCOMPARE(client->contacts().size(), 2);
    QCOMPARE(client->contacts().last()->persistentModelID(), contactPk);
    QCOMPARE(ctx->count<LocationDeBenne>(), 4);
    QCOMPARE(ctx->all<BonDePesee>().first()->centreTraitement(), std::optional<QString>("Centre Nord"));
    QVERIFY(!QFile::exists(copy + QStringLiteral("-2"))); // upgraded once
}

void TestServerStore::nativeTypesAndDeleteRules()
{
    {
        auto ctx = ModelContext::open(storePath());
        QVERIFY(ctx);
        auto* type = fx::type(ctx.get());
        type->setCentres({fx::centre(ctx.get(), QStringLiteral("Centre de tri Lyon"))});
        auto* l = fx::location(fx::client(ctx.get()), fx::benne(ctx.get()), type, fx::at(2026, 3, 1, 8, 30));
        l->setChauffeurPose(fx::chauffeur(ctx.get()));
        l->ajouterBonDePesee(fx::at(2026, 3, 2), std::nullopt, 1000, 200, std::nullopt, std::nullopt);
        QVERIFY(ctx->save());
        // Instants, UUIDs and identifiers in the server's own types, as any client reads them.
        const QString rental = QStringLiteral(" FROM \"LocationDeBenne\" WHERE id = '%1'").arg(l->id().toString(QUuid::WithoutBraces));
        QCOMPARE(pgtest::value(storePath(), "SELECT \"datePose\" AT TIME ZONE 'UTC'" + rental),
                 QStringLiteral("2026-03-01 07:30:00"));
        QCOMPARE(pgtest::value(storePath(), "SELECT pg_typeof(pk)::text || ' ' || pg_typeof(id)::text" + rental),
                 QStringLiteral("bigint uuid"));
    }
    // A database of the previous version is upgraded in place; its ticket keeps the centre it showed.
    rawExec(QStringLiteral("ALTER TABLE \"BonDePesee\" DROP COLUMN \"centreTraitement\"; UPDATE kestrovan SET version = 1"));
    QVERIFY(ModelContext::open(storePath()));
    QCOMPARE(pgtest::value(storePath(), QStringLiteral("SELECT version || ' ' || \"centreTraitement\" FROM kestrovan, \"BonDePesee\"")),
             QStringLiteral("%1 Centre de tri Lyon").arg(kSchemaVersion));
    // The server refuses a number that is not finite, whoever writes it.
    QVERIFY(!pgtest::exec(storePath(), QStringLiteral("UPDATE \"LocationDeBenne\" SET \"tarifPose\" = 'NaN'")).isEmpty());
    // Its links follow the delete rules: a driver's rentals stay without him; a client takes
    // its rentals and their tickets along, and leaves the skip.
    rawExec(QStringLiteral("DELETE FROM \"Chauffeur\""));
    QCOMPARE(pgtest::value(storePath(), QStringLiteral("SELECT count(*) FROM \"LocationDeBenne\" WHERE \"chauffeurPose\" IS NULL")),
             QStringLiteral("1"));
    rawExec(QStringLiteral("DELETE FROM \"Client\""));
    QCOMPARE(pgtest::value(storePath(), QStringLiteral("SELECT (SELECT count(*) FROM \"LocationDeBenne\") + "
                                                       "(SELECT count(*) FROM \"BonDePesee\") || '/' || "
                                                       "(SELECT count(*) FROM \"Benne\")")),
             QStringLiteral("0/1"));
}

void TestServerStore::changeWritesOnlyItsColumns()
{
    auto ctx = ModelContext::open(storePath());
    QVERIFY(ctx);
    auto* b = fx::benne(ctx.get());
    QVERIFY(ctx->save());
    // The server notes every column a save writes.
    rawExec(QStringLiteral(
        "CREATE TABLE ecrit (colonne text);"
        "CREATE FUNCTION noter() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN INSERT INTO ecrit VALUES (TG_ARGV[0]); "
        "RETURN NEW; END $$;"
        "CREATE TRIGGER v AFTER UPDATE OF volume ON \"Benne\" FOR EACH ROW EXECUTE FUNCTION noter('volume');"
        "CREATE TRIGGER n AFTER UPDATE OF notes ON \"Benne\" FOR EACH ROW EXECUTE FUNCTION noter('notes');"));
    b->setNotes(QStringLiteral("Repeinte"));
    QVERIFY(ctx->save());
    QCOMPARE(pgtest::value(storePath(), QStringLiteral("SELECT string_agg(colonne, ',') FROM ecrit")), QStringLiteral("notes"));
}

void TestServerStore::secondDeskRefused()
{
    auto first = ModelContext::open(storePath());
    QVERIFY(first);
    fx::client(first.get(), QStringLiteral("Dupont"));
    QVERIFY(first->save());
    first->all<Client>().first()->setNom(QStringLiteral("En cours"));
    const QByteArray before = contents();
    // Told which desk holds the database; nothing written.
    QString error;
    OpenFailure failure = OpenFailure::None;
    QVERIFY(!ModelContext::open(storePath(), &error, &failure));
    QCOMPARE(failure, OpenFailure::AlreadyOpen);
    QVERIFY2(error.contains(QStringLiteral("ouverte sur un autre poste (%1)").arg(QSysInfo::machineHostName())),
             qPrintable(error));
    QCOMPARE(contents(), before);
    // The first still saves; once it is closed, the database opens again.
    QVERIFY2(first->save(&error), qPrintable(error));
    first.reset();
    auto again = ModelContext::open(storePath(), &error);
    QVERIFY2(again, qPrintable(error));
    QCOMPARE(again->all<Client>().first()->nom(), QStringLiteral("En cours"));
}

void TestServerStore::serverGoneWhileWorking()
{
    auto ctx = ModelContext::open(storePath());
    QVERIFY(ctx);
    auto* c = fx::client(ctx.get(), QStringLiteral("Avant"));
    QVERIFY(ctx->save());
    pgtest::stop();
    c->setNom(QStringLiteral("Pendant la panne"));
    fx::client(ctx.get(), QStringLiteral("Nouveau"));
    // The changes stay pending while the server is away, as often as the save is tried.
    QString error;
    for (int attempt = 0; attempt < 2; ++attempt) {
        QVERIFY(!ctx->save(&error));
        QVERIFY2(error.startsWith(QStringLiteral("Serveur injoignable")), qPrintable(error));
        QVERIFY(ctx->hasChanges());
    }
    QVERIFY2(pgtest::start(&error), qPrintable(error));
    QVERIFY2(ctx->save(&error), qPrintable(error));
    ctx = reopen(ctx);
    QVERIFY(ctx);
    QStringList names;
    for (Client* x : ctx->all<Client>())
        names << x->nom();
    QCOMPARE(names, (QStringList{QStringLiteral("Pendant la panne"), QStringLiteral("Nouveau")}));
}

void TestServerStore::keysDrawnInBlocksFromTheServer()
{
    auto ctx = ModelContext::open(storePath());
    QVERIFY(ctx);
    const qint64 first = fx::client(ctx.get())->persistentModelID();
    QVERIFY(ctx->save());
    ctx = reopen(ctx);
    QVERIFY(ctx);
    // A desk that opens again draws a new block: what another desk was handed is never reused.
    const qint64 drawn = pgtest::value(storePath(), QStringLiteral("SELECT last_value FROM kestrovan_cle")).toLongLong();
    const qint64 second = fx::client(ctx.get())->persistentModelID();
    QVERIFY2(second > first + 1 && second >= drawn && second < drawn + 1000,
             qPrintable(QStringLiteral("%1, %2, bloc %3").arg(first).arg(second).arg(drawn)));
    QVERIFY(ctx->save());
}

void TestServerStore::localStoreCopiedToTheServer()
{
    QTemporaryDir dir;
    auto local = ModelContext::open(dir.filePath(QStringLiteral("SwiftData.store")));
    QVERIFY(local);
    auto* client = fx::client(local.get());
    auto* l = fx::location(client, fx::benne(local.get()), fx::type(local.get()));
    l->ajouterBonDePesee(fx::at(2026, 3, 2), QStringLiteral("T1"), 1000, 200, std::nullopt, std::nullopt);
    new Contact("Jean", "Dupont", "01", "", client);
    fx::chauffeur(local.get())->setSpecialisations({new Specialisation(QStringLiteral("Grue"))});
    for (int i = 0; i < 600; ++i)
        new Contact(QStringLiteral("Contact %1").arg(i), "", "", "", client);
    QVERIFY(local->save());
    QString error;
    // Stopped midway, a copy leaves no record behind, and may be made again.
    qsizetype told = 0;
    QVERIFY(!copyStore(*local, storePath(), [&](qsizetype done, qsizetype) { return (told = done) == 0; }, &error));
    QVERIFY(told > 0);
    QCOMPARE(pgtest::value(storePath(), QStringLiteral("SELECT count(*) FROM \"Contact\"")), QStringLiteral("0"));
    QVERIFY2(copyStore(*local, storePath(), {}, &error), qPrintable(error));
    // A database that already holds data is refused, and left as it was.
    const QByteArray before = contents();
    QVERIFY(!copyStore(*local, storePath(), {}, &error));
    QVERIFY2(error.contains(QStringLiteral("contient déjà des données")), qPrintable(error));
    QCOMPARE(contents(), before);
    // The copy opens with every record, link and identifier; new identifiers come after them.
    auto copy = ModelContext::open(storePath(), &error);
    QVERIFY2(copy, qPrintable(error));
    QCOMPARE(ref::dumpStore(*copy), ref::dumpStore(*local));
    QCOMPARE(copy->find<Client>(client->id())->persistentModelID(), client->persistentModelID());
    QVERIFY(fx::client(copy.get())->persistentModelID() > l->bonsDePesee().first()->persistentModelID());
    QVERIFY2(copy->save(&error), qPrintable(error));
}

void TestServerStore::damagedDatabaseRefusedUntouched()
{
    {
        auto ctx = ModelContext::open(storePath());
        QVERIFY(ctx);
        fx::benne(ctx.get());
        QVERIFY(ctx->save());
    }
    rawExec(QStringLiteral("ALTER TABLE \"Benne\" DROP COLUMN notes"));
    const QByteArray before = contents();
    QString error;
    OpenFailure failure = OpenFailure::None;
    QVERIFY(!ModelContext::open(storePath(), &error, &failure));
    QCOMPARE(failure, OpenFailure::Damaged);
    QVERIFY2(error.contains(QStringLiteral("endommagée")) && error.contains(QStringLiteral("notes")), qPrintable(error));
    QCOMPARE(contents(), before);
}
