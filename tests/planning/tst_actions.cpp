#include "tests.h"

#include "screenfixtures.h"

#include "planning/actionsplanning.h"

using namespace kv;
using namespace kv::planning;
using namespace fixtures;

namespace {

// The actions of a test store, with their console lines kept.
struct Banc {
    std::unique_ptr<ModelContext> ctx = store();
    ActionsPlanning actions;
    QStringList lignes;
    explicit Banc(const Horloge& h = fixedClock()) : actions(ctx.get(), h)
    {
        actions.setJournal([this](const QString& l) { lignes << l; });
    }
};

QDateTime utc(int y, int m, int d, int h, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s), QTimeZone::utc());
}

} // namespace

void TestActions::deplacerEtEtirer()
{
    Banc b;
    Client* c = officeClient(b.ctx.get());
    Benne* bn = benne(b.ctx.get(), 10);
    LocationDeBenne* l = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 19, 8));
    QVERIFY(b.ctx->save());

    // Whole days: 59 points of a 120-point column are none, 60 one, −60 one back, 181 two.
    QVERIFY(!b.actions.deplacerLocation(l, 59));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 16, 9));
    QVERIFY(!b.ctx->hasChanges());
    QVERIFY(b.actions.deplacerLocation(l, 60));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 17, 9));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 20, 8));
    QVERIFY(b.actions.deplacerLocation(l, -60));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 16, 9));
    QVERIFY(b.actions.deplacerLocation(l, 181));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 18, 9));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 21, 8));
    // The time of day stays across the change of clocks; nothing is saved by a drag.
    QVERIFY(b.actions.deplacerLocation(l, 10 * 120));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 28, 9));
    QCOMPARE(l->dateEnlevement(), localDateTime(2026, 3, 31, 8));
    QVERIFY(b.ctx->hasChanges());
    QVERIFY(b.lignes.isEmpty());

    // Without removal date, only the placement moves.
    LocationDeBenne* ouverte = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 4, 2, 7));
    QVERIFY(b.actions.deplacerLocation(ouverte, 120));
    QCOMPARE(ouverte->datePose(), localDateTime(2026, 4, 3, 7));
    QCOMPARE(ouverte->dateEnlevement(), std::nullopt);

    // Left handle: nothing without removal date; never past the removal.
    QVERIFY(!b.actions.redimensionnerDebut(ouverte, 240));
    QCOMPARE(ouverte->datePose(), localDateTime(2026, 4, 3, 7));
    l->setDatePose(localDateTime(2026, 3, 16, 9));
    l->setDateEnlevement(localDateTime(2026, 3, 19, 8));
    QVERIFY(b.actions.redimensionnerDebut(l, 120));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 17, 9));
    QVERIFY(b.actions.redimensionnerDebut(l, -240));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 15, 9));
    QVERIFY(b.actions.redimensionnerDebut(l, 10 * 120));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 19, 8)); // the removal instant itself
    QVERIFY(!b.actions.redimensionnerDebut(l, 59));

    // Right handle: a rental without removal date receives one; never before the placement.
    QVERIFY(!b.actions.redimensionnerFin(ouverte, -60));
    QCOMPARE(ouverte->dateEnlevement(), std::nullopt);
    QVERIFY(b.actions.redimensionnerFin(ouverte, 240));
    QCOMPARE(ouverte->dateEnlevement(), localDateTime(2026, 4, 5, 7));
    LocationDeBenne* courte = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 5, 4, 9), localDateTime(2026, 5, 5, 9));
    QVERIFY(b.actions.redimensionnerFin(courte, -120)); // equal to the placement: accepted
    QCOMPARE(courte->dateEnlevement(), localDateTime(2026, 5, 4, 9));
    LocationDeBenne* matin = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 5, 4, 9), localDateTime(2026, 5, 5, 8));
    QVERIFY(!b.actions.redimensionnerFin(matin, -120)); // 8:00 on the placement day: refused
    QCOMPARE(matin->dateEnlevement(), localDateTime(2026, 5, 5, 8));
    QVERIFY(b.actions.redimensionnerFin(matin, 300));
    QCOMPARE(matin->dateEnlevement(), localDateTime(2026, 5, 8, 8));
}

void TestActions::joursAuxChangementsDHeure()
{
    // Paris in 2025: clocks jump from 02:00 to 03:00 on 30 March, fall back from 03:00 to 02:00
    // on 26 October.
    Banc b;
    Client* c = officeClient(b.ctx.get());
    Benne* bn = benne(b.ctx.get(), 10);
    const auto heureLocale = [](const QDateTime& d) {
        const QDateTime local = d.toTimeZone(paris());
        return std::pair(local.date(), local.time());
    };

    // 02:30 does not exist on 30 March: a day later is 03:30, not 04:30.
    LocationDeBenne* printemps = placedRental(b.ctx.get(), c, bn, localDateTime(2025, 3, 29, 2, 30), localDateTime(2025, 3, 31, 2, 30));
    QVERIFY(b.actions.deplacerLocation(printemps, 120));
    QCOMPARE(heureLocale(printemps->datePose()), std::pair(QDate(2025, 3, 30), QTime(3, 30)));
    QCOMPARE(heureLocale(*printemps->dateEnlevement()), std::pair(QDate(2025, 4, 1), QTime(2, 30)));
    // The removal stretched back into the gap, and a day across it keeps its hour.
    QVERIFY(b.actions.redimensionnerFin(printemps, -240));
    QCOMPARE(heureLocale(*printemps->dateEnlevement()), std::pair(QDate(2025, 3, 30), QTime(3, 30)));
    LocationDeBenne* matin = placedRental(b.ctx.get(), c, bn, localDateTime(2025, 3, 29, 10), localDateTime(2025, 3, 30, 10));
    QVERIFY(b.actions.redimensionnerDebut(matin, 120));
    QCOMPARE(heureLocale(matin->datePose()), std::pair(QDate(2025, 3, 30), QTime(10, 0)));
    QVERIFY(b.actions.deplacerLocation(matin, -240));
    QCOMPARE(heureLocale(matin->datePose()), std::pair(QDate(2025, 3, 28), QTime(10, 0)));
    QCOMPARE(heureLocale(*matin->dateEnlevement()), std::pair(QDate(2025, 3, 28), QTime(10, 0)));

    // 02:30 happens twice on 26 October: a day later is one of them, never 01:30 or 03:30.
    LocationDeBenne* automne = placedRental(b.ctx.get(), c, bn, localDateTime(2025, 10, 25, 2, 30), localDateTime(2025, 10, 27, 9));
    QVERIFY(b.actions.deplacerLocation(automne, 120));
    QCOMPARE(heureLocale(automne->datePose()), std::pair(QDate(2025, 10, 26), QTime(2, 30)));
    QCOMPARE(heureLocale(*automne->dateEnlevement()), std::pair(QDate(2025, 10, 28), QTime(9, 0)));
    QVERIFY(b.actions.deplacerLocation(automne, -120));
    QCOMPARE(heureLocale(automne->datePose()), std::pair(QDate(2025, 10, 25), QTime(2, 30)));
    QVERIFY(b.actions.redimensionnerFin(automne, -120));
    QCOMPARE(heureLocale(*automne->dateEnlevement()), std::pair(QDate(2025, 10, 26), QTime(9, 0)));
    // The second 02:30 (winter time), a day back and forth.
    const QDateTime secondeFois = QDateTime(QDate(2025, 10, 26), QTime(1, 30), QTimeZone::utc());
    automne->setDatePose(secondeFois);
    QVERIFY(b.actions.redimensionnerDebut(automne, -120));
    QCOMPARE(heureLocale(automne->datePose()), std::pair(QDate(2025, 10, 25), QTime(2, 30)));
}

void TestActions::duplicationEnRotation()
{
    Banc b;
    Client* c = officeClient(b.ctx.get());
    Benne* bn = benne(b.ctx.get(), 10);
    Benne* autre = benne(b.ctx.get(), 15);
    auto* type = new TypeDechet(QStringLiteral("Gravats"), std::nullopt, QStringLiteral("Inertes"), std::nullopt,
                                std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                20.0, false, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt,
                                std::nullopt, std::nullopt);
    b.ctx->insert(type);
    LocationDeBenne* source = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 3, 14), localDateTime(2026, 3, 6, 9));
    source->setTypeDechet(type);
    source->setChauffeurPose(driver(b.ctx.get()));
    // Bookings of other skips never matter, even at the same address.
    placedRental(b.ctx.get(), c, autre, localDateTime(2026, 3, 6, 10), localDateTime(2026, 3, 8, 10));
    QVERIFY(b.ctx->save());

    LocationDeBenne* copie = nullptr;
    QCOMPARE(b.actions.dupliquerEnRotation(source, nullptr, &copie), IssueDuplication::creee);
    QVERIFY(copie && !copie->isPendingInsertion());
    QCOMPARE(copie->datePose(), localDateTime(2026, 3, 6, 0));
    QCOMPARE(copie->dateEnlevement(), localDateTime(2026, 3, 9, 0));
    QCOMPARE(copie->client(), c);
    QCOMPARE(copie->benne(), bn);
    QCOMPARE(copie->typeDechet(), type);
    QCOMPARE(copie->adresse(), source->adresse());
    QCOMPARE(copie->latitude(), source->latitude());
    QCOMPARE(copie->longitude(), source->longitude());
    QCOMPARE(copie->tarifPose(), 120.0);
    QCOMPARE(copie->tarifEnlevement(), 90.0);
    QCOMPARE(copie->tarifJournalier(), 8.0);
    QVERIFY(!copie->chauffeurPose() && !copie->chauffeurEnlevement());
    QVERIFY(copie->id() != source->id());
    QCOMPARE(b.lignes, QStringList{QStringLiteral("✅ Location dupliquée avec succès.")});
    QVERIFY(!b.ctx->hasChanges());

    // Shortened up to the skip's next booking; not cut by one starting on the proposed end day
    // or by one removed on the new start day.
    bool sauves = true;
    const auto essayer = [&](const QDateTime& pose, std::optional<QDateTime> fin) {
        LocationDeBenne* gene = placedRental(b.ctx.get(), c, bn, pose, fin);
        b.ctx->remove(copie);
        sauves = sauves && b.ctx->save();
        copie = nullptr;
        const IssueDuplication issue = b.actions.dupliquerEnRotation(source, nullptr, &copie);
        b.ctx->remove(gene);
        sauves = sauves && b.ctx->save();
        return issue;
    };
    QCOMPARE(essayer(localDateTime(2026, 3, 8, 10), localDateTime(2026, 3, 12, 10)), IssueDuplication::creee);
    QCOMPARE(copie->dateEnlevement(), localDateTime(2026, 3, 8, 0));
    QCOMPARE(essayer(localDateTime(2026, 3, 9, 0), localDateTime(2026, 3, 12, 10)), IssueDuplication::creee);
    QCOMPARE(copie->dateEnlevement(), localDateTime(2026, 3, 9, 0));
    QCOMPARE(essayer(localDateTime(2026, 3, 1, 10), localDateTime(2026, 3, 6, 18)), IssueDuplication::creee);
    QCOMPARE(copie->dateEnlevement(), localDateTime(2026, 3, 9, 0));
    // A booking without removal date placed before the proposed end runs for ever: a conflict.
    QCOMPARE(essayer(localDateTime(2026, 3, 7, 15), std::nullopt), IssueDuplication::creee);
    QCOMPARE(copie->dateEnlevement(), localDateTime(2026, 3, 7, 0));
    QVERIFY(sauves);
    QVERIFY(!b.actions.chevauchement(source, localDateTime(2026, 3, 3, 0).toMSecsSinceEpoch(), localDateTime(2026, 3, 6, 0).toMSecsSinceEpoch()));
    QVERIFY(b.actions.chevauchement(source, localDateTime(2026, 3, 4, 0).toMSecsSinceEpoch(), localDateTime(2026, 3, 5, 0).toMSecsSinceEpoch()));
}

void TestActions::duplicationRefuseeOuImpossible()
{
    Banc b;
    Client* c = officeClient(b.ctx.get());
    Benne* bn = benne(b.ctx.get(), 10);
    LocationDeBenne* source = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 3, 14), localDateTime(2026, 3, 6, 9));
    QVERIFY(b.ctx->save());
    const qsizetype avant = b.ctx->count<LocationDeBenne>();

    // Twice in a row from the same bar: the first copy starts on the new start day.
    QCOMPARE(b.actions.dupliquerEnRotation(source), IssueDuplication::creee);
    QCOMPARE(b.actions.dupliquerEnRotation(source), IssueDuplication::refusee);
    QCOMPARE(b.ctx->count<LocationDeBenne>(), avant + 1);

    // A booking placed on the new start day at any hour, or still running then: refused.
    Benne* bn2 = benne(b.ctx.get(), 10);
    LocationDeBenne* s2 = placedRental(b.ctx.get(), c, bn2, localDateTime(2026, 3, 3, 14), localDateTime(2026, 3, 6, 9));
    LocationDeBenne* gene = placedRental(b.ctx.get(), c, bn2, localDateTime(2026, 3, 6, 23, 30), localDateTime(2026, 3, 7, 9));
    QVERIFY(b.ctx->save());
    QCOMPARE(b.actions.dupliquerEnRotation(s2), IssueDuplication::refusee);
    gene->setDatePose(localDateTime(2026, 3, 4, 8));
    gene->setDateEnlevement(localDateTime(2026, 3, 10, 8));
    QCOMPARE(b.actions.dupliquerEnRotation(s2), IssueDuplication::refusee);

    // No removal date, removed on its placement day or before it: nothing, not a word.
    b.lignes.clear();
    QVERIFY(b.ctx->save());
    const qsizetype n = b.ctx->count<LocationDeBenne>();
    LocationDeBenne* ouverte = placedRental(b.ctx.get(), c, bn2, localDateTime(2026, 4, 3, 14));
    LocationDeBenne* jour = placedRental(b.ctx.get(), c, bn2, localDateTime(2026, 4, 13, 8), localDateTime(2026, 4, 13, 18));
    LocationDeBenne* inverse = placedRental(b.ctx.get(), c, bn2, localDateTime(2026, 4, 23, 8), localDateTime(2026, 4, 20, 18));
    for (LocationDeBenne* l : {ouverte, jour, inverse})
        QCOMPARE(b.actions.dupliquerEnRotation(l), IssueDuplication::impossible);
    QCOMPARE(b.ctx->count<LocationDeBenne>(), n + 3);
    QVERIFY(b.lignes.isEmpty());
}

void TestActions::duplicationEchecSauvegarde()
{
    Banc b;
    LocationDeBenne* source = placedRental(b.ctx.get(), officeClient(b.ctx.get()), benne(b.ctx.get(), 10), localDateTime(2026, 3, 3, 14),
                                       localDateTime(2026, 3, 6, 9));
    QVERIFY(b.ctx->save());
    const qsizetype avant = b.ctx->count<LocationDeBenne>();
    b.ctx->failNextSave(QStringLiteral("disque plein"));
    QString message;
    LocationDeBenne* copie = source; // told back as none
    QCOMPARE(b.actions.dupliquerEnRotation(source, &message, &copie), IssueDuplication::echecSauvegarde);
    QCOMPARE(copie, nullptr);
    QCOMPARE(message, QStringLiteral("Échec de la sauvegarde: disque plein"));
    QCOMPARE(b.lignes, QStringList{QStringLiteral("❌ Erreur lors de la duplication : disque plein")});
    // Nothing of the copy stays: no pending record, the skip has one rental.
    QCOMPARE(b.ctx->count<LocationDeBenne>(), avant);
    QCOMPARE(source->benne()->locations().size(), 1);
    QVERIFY(!b.ctx->hasChanges());
    // The next try works and stores one copy only.
    QCOMPARE(b.actions.dupliquerEnRotation(source), IssueDuplication::creee);
    QCOMPARE(b.ctx->count<LocationDeBenne>(), avant + 1);
}

void TestActions::chauffeurDeposeSelonLesDates()
{
    Banc b; // today: 15 March 2026 in Paris, from 14 March 23:00 UTC
    Client* c = officeClient(b.ctx.get());
    Benne* bn = benne(b.ctx.get(), 10);
    Chauffeur* martin = driver(b.ctx.get(), QStringLiteral("Martin"));
    Chauffeur* leroy = driver(b.ctx.get(), QStringLiteral("Leroy"));
    LocationDeBenne* demain = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 16, 8), localDateTime(2026, 3, 18, 8), std::nullopt);
    demain->setChauffeurEnlevement(leroy);
    LocationDeBenne* minuit = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 15, 0), std::nullopt, std::nullopt);
    LocationDeBenne* hier = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 14, 23, 59), localDateTime(2026, 3, 15, 9), std::nullopt);
    LocationDeBenne* passee = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 2, 8), std::nullopt, std::nullopt);
    LocationDeBenne* pleine = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 20, 8), localDateTime(2026, 3, 22, 8), std::nullopt);
    pleine->setChauffeurPose(leroy);
    pleine->setChauffeurEnlevement(leroy);
    LocationDeBenne* poseFaite = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 25, 8), localDateTime(2026, 3, 27, 8), std::nullopt);
    poseFaite->setChauffeurPose(leroy);
    QVERIFY(b.ctx->save());

    QVERIFY(b.actions.attribuerChauffeurDepose(demain, martin->id()).ok);
    QCOMPARE(demain->chauffeurPose(), martin);
    QVERIFY(martin->posesAssurees().contains(demain));
    QCOMPARE(b.lignes, (QStringList{QStringLiteral("📆 Date pose: 2026-03-16 07:00:00 +0000"),
                                    QStringLiteral("📆 Aujourd'hui (UTC): 2026-03-14 23:00:00 +0000"),
                                    QStringLiteral("👤 chauffeurPose: nil"),
                                    QStringLiteral("✅ Chauffeur Martin attribué à la pose."),
                                    QStringLiteral("🔁 Pas de rotation : données manquantes.")}));
    QVERIFY(!b.ctx->hasChanges());

    QVERIFY(b.actions.attribuerChauffeurDepose(minuit, martin->id()).ok);
    QCOMPARE(minuit->chauffeurPose(), martin);
    QVERIFY(b.actions.attribuerChauffeurDepose(hier, martin->id()).ok);
    QCOMPARE(hier->chauffeurPose(), nullptr);
    QCOMPARE(hier->chauffeurEnlevement(), martin);
    QVERIFY(b.actions.attribuerChauffeurDepose(poseFaite, martin->id()).ok);
    QCOMPARE(poseFaite->chauffeurPose(), leroy);
    QCOMPARE(poseFaite->chauffeurEnlevement(), martin);

    b.lignes.clear();
    QVERIFY(b.actions.attribuerChauffeurDepose(passee, martin->id()).ok);
    QCOMPARE(passee->chauffeurPose(), nullptr);
    QCOMPARE(passee->chauffeurEnlevement(), nullptr);
    QCOMPARE(b.lignes.mid(3), (QStringList{QStringLiteral("⚠️ Aucun changement nécessaire (pose passée ou déjà attribuée)."),
                                           QStringLiteral("🔁 Pas de rotation : données manquantes.")}));
    b.lignes.clear();
    QVERIFY(b.actions.attribuerChauffeurDepose(pleine, martin->id()).ok);
    QCOMPARE(pleine->chauffeurPose(), leroy);
    QCOMPARE(pleine->chauffeurEnlevement(), leroy);
    QCOMPARE(b.lignes.value(2), QStringLiteral("👤 chauffeurPose: Leroy"));
    QCOMPARE(b.lignes.value(3), QStringLiteral("⚠️ Aucun changement nécessaire (pose passée ou déjà attribuée)."));

    // An unknown driver: one line, nothing else.
    b.lignes.clear();
    const QUuid inconnu = QUuid::createUuid();
    QVERIFY(b.actions.attribuerChauffeurDepose(minuit, inconnu).ok);
    QCOMPARE(b.lignes, QStringList{QStringLiteral("❌ Chauffeur non trouvé avec l'ID ") + texteUuid(inconnu)});
}

void TestActions::chauffeurDeposeALHeureLocale()
{
    // A user at UTC+2: 00:30 local today is 22:30 UTC yesterday, and still today.
    const QTimeZone plusDeux(7200);
    Banc b(fixedClock(localDateTime(2025, 5, 12, 10, 0, plusDeux), plusDeux));
    Client* c = officeClient(b.ctx.get());
    Benne* bn = benne(b.ctx.get(), 10);
    Chauffeur* martin = driver(b.ctx.get());
    LocationDeBenne* matin = placedRental(b.ctx.get(), c, bn, localDateTime(2025, 5, 12, 0, 30, plusDeux), std::nullopt, std::nullopt);
    LocationDeBenne* veille = placedRental(b.ctx.get(), c, bn, localDateTime(2025, 5, 11, 23, 59, plusDeux),
                                       localDateTime(2025, 5, 13, 8, 0, plusDeux), std::nullopt);
    QVERIFY(b.ctx->save());
    QVERIFY(b.actions.attribuerChauffeurDepose(matin, martin->id()).ok);
    QCOMPARE(matin->chauffeurPose(), martin);
    QCOMPARE(b.lignes.value(0), QStringLiteral("📆 Date pose: 2025-05-11 22:30:00 +0000"));
    QCOMPARE(b.lignes.value(1), QStringLiteral("📆 Aujourd'hui (UTC): 2025-05-11 22:00:00 +0000"));
    QVERIFY(b.actions.attribuerChauffeurDepose(veille, martin->id()).ok);
    QCOMPARE(veille->chauffeurPose(), nullptr);
    QCOMPARE(veille->chauffeurEnlevement(), martin);
}

void TestActions::detectionDeRotation()
{
    Banc b(fixedClock(utc(2025, 5, 10, 9)));
    Client* c = officeClient(b.ctx.get());
    Client* autreClient = officeClient(b.ctx.get(), QStringLiteral("Garnier"));
    Benne* bn = benne(b.ctx.get(), 10);
    Benne* autreBenne = benne(b.ctx.get(), 20);
    Chauffeur* martin = driver(b.ctx.get());
    Chauffeur* leroy = driver(b.ctx.get(), QStringLiteral("Leroy"));
    const QString adresse = QStringLiteral("12 rue de la Gare, Écully");
    LocationDeBenne* a = placedRental(b.ctx.get(), c, bn, utc(2025, 5, 11, 8), utc(2025, 5, 12, 8), adresse);
    // Same instant, same address, any client and skip: the rotation.
    LocationDeBenne* suivante = placedRental(b.ctx.get(), autreClient, autreBenne, utc(2025, 5, 12, 8), std::nullopt, adresse);
    QVERIFY(b.ctx->save());
    QVERIFY(b.actions.attribuerChauffeurDepose(a, martin->id()).ok);
    QCOMPARE(a->chauffeurPose(), martin);
    QCOMPARE(suivante->chauffeurPose(), martin);
    QVERIFY(!b.ctx->hasChanges()); // both stored by the one save
    QVERIFY(b.lignes.contains(QStringLiteral("🔍 Vérification rotation pour location ID ") + texteUuid(a->id())));
    QVERIFY(b.lignes.contains(QStringLiteral("📅 Date exacte à chercher : 2025-05-12 08:00:00 +0000")));
    QVERIFY(b.lignes.contains(QStringLiteral("📍 Adresse recherchée : ") + adresse));
    QVERIFY(b.lignes.contains(QStringLiteral("🔎 Locations trouvées : 1")));
    QCOMPARE(b.lignes.last(), QStringLiteral("🔄 Rotation détectée → Attribution du chauffeur à la pose de la location ID ")
                                  + texteUuid(suivante->id()));

    // One second later, another letter case, a trailing blank: no rotation. The same text
    // written with a combining accent is the same address.
    const auto candidat = [&](const QDateTime& pose, const QString& texte) {
        LocationDeBenne* l = placedRental(b.ctx.get(), c, autreBenne, pose, std::nullopt, texte);
        return ActionsPlanning::correspondRotation(l, a, a->dateEnlevementMs().value(), *a->adresse());
    };
    QVERIFY(!candidat(utc(2025, 5, 12, 8, 0, 1), adresse));
    QVERIFY(!candidat(utc(2025, 5, 12, 8), adresse.toUpper()));
    QVERIFY(!candidat(utc(2025, 5, 12, 8), adresse + QLatin1Char(' ')));
    QVERIFY(candidat(utc(2025, 5, 12, 8), QStringLiteral("12 rue de la Gare, E\u0301cully")));
    QVERIFY(!ActionsPlanning::correspondRotation(a, a, a->dateEnlevementMs().value(), adresse));
    b.ctx->rollback();

    // Two candidates: the first in store order decides, even when it already has its driver.
    LocationDeBenne* a2 = placedRental(b.ctx.get(), c, bn, utc(2025, 5, 20, 8), utc(2025, 5, 22, 8), adresse);
    LocationDeBenne* premier = placedRental(b.ctx.get(), c, autreBenne, utc(2025, 5, 22, 8), std::nullopt, adresse);
    premier->setChauffeurPose(leroy);
    LocationDeBenne* second = placedRental(b.ctx.get(), c, autreBenne, utc(2025, 5, 22, 8), std::nullopt, adresse);
    QVERIFY(b.ctx->save());
    b.lignes.clear();
    QVERIFY(b.actions.attribuerChauffeurDepose(a2, martin->id()).ok);
    QCOMPARE(second->chauffeurPose(), nullptr);
    QVERIFY(b.lignes.contains(QStringLiteral("🔎 Locations trouvées : 2")));
    QCOMPARE(b.lignes.last(), QStringLiteral("✅ Rotation détectée mais pose déjà affectée à Leroy"));

    // A rental whose placement equals its removal never matches itself.
    LocationDeBenne* meme = placedRental(b.ctx.get(), c, bn, utc(2025, 6, 2, 8), utc(2025, 6, 2, 8), QStringLiteral("Ailleurs"));
    b.lignes.clear();
    QVERIFY(b.actions.attribuerChauffeurDepose(meme, martin->id()).ok);
    QVERIFY(b.lignes.contains(QStringLiteral("🔎 Locations trouvées : 0")));
    QCOMPARE(b.lignes.last(), QStringLiteral("🚫 Aucune rotation trouvée avec ces critères."));
}

void TestActions::echecsDeSauvegarde()
{
    Banc b;
    Client* c = officeClient(b.ctx.get());
    Benne* bn = benne(b.ctx.get(), 10);
    Chauffeur* martin = driver(b.ctx.get());
    LocationDeBenne* l = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 16, 8), localDateTime(2026, 3, 18, 8));
    l->ajouterBonDePesee(localDateTime(2026, 3, 17, 9), QStringLiteral("T1"), 12000, 8000, std::nullopt, std::nullopt);
    QVERIFY(b.ctx->save());

    // A driver drop whose save fails: told, the change stays pending for the next save.
    b.ctx->failNextSave(QStringLiteral("disque plein"));
    const Issue depot = b.actions.attribuerChauffeurDepose(l, martin->id());
    QVERIFY(!depot.ok);
    QCOMPARE(depot.messageErreur, QStringLiteral("Échec de la sauvegarde: disque plein"));
    QCOMPARE(b.lignes.last(), QStringLiteral("❌ Erreur lors de la sauvegarde : disque plein"));
    QCOMPARE(l->chauffeurPose(), martin);
    QVERIFY(b.ctx->hasChanges());
    QVERIFY(b.ctx->save());

    // A deletion whose save fails: told with the deletion's prefix.
    b.ctx->failNextSave(QStringLiteral("verrou"));
    const Issue suppression = b.actions.supprimerLocation(l);
    QVERIFY(!suppression.ok);
    QCOMPARE(suppression.messageErreur, QStringLiteral("Échec de la suppression: verrou"));
    QCOMPARE(b.lignes.last(), QStringLiteral("❌ Erreur lors de la suppression : verrou"));
    // Saved at the next try, the tickets with it.
    QVERIFY(b.ctx->save());
    QCOMPARE(b.ctx->count<LocationDeBenne>(), 0);
    QCOMPARE(b.ctx->count<BonDePesee>(), 0);
}

void TestActions::duplicationNommeLaReservationQuiBloque()
{
    Banc b;
    Client* c = officeClient(b.ctx.get());
    Client* durand = officeClient(b.ctx.get(), QStringLiteral("Durand Bâtiment"));
    Benne* bn = benne(b.ctx.get(), 10);
    LocationDeBenne* source = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 3, 14), localDateTime(2026, 3, 6, 9));
    // Still on site with no planned removal since 5 March, the skip's last placement: it holds
    // the skip on 6 March.
    LocationDeBenne* surPlace = placedRental(b.ctx.get(), durand, bn, localDateTime(2026, 3, 5, 8));
    QVERIFY(b.ctx->save());
    LocationDeBenne* bloquante = source;
    LocationDeBenne* creee = source;
    QCOMPARE(b.actions.dupliquerEnRotation(source, nullptr, &creee, &bloquante), IssueDuplication::refusee);
    QCOMPARE(bloquante, surPlace);
    QCOMPARE(creee, nullptr);

    // A booking placed and removed on the day the rental ends holds the skip that day, as the
    // grid shows it (one column): refused, and named.
    surPlace->setDateEnlevement(localDateTime(2026, 3, 5, 18));
    LocationDeBenne* jour = placedRental(b.ctx.get(), durand, bn, localDateTime(2026, 3, 6, 10), localDateTime(2026, 3, 6, 16));
    QVERIFY(b.ctx->save());
    QCOMPARE(b.actions.dupliquerEnRotation(source, nullptr, nullptr, &bloquante), IssueDuplication::refusee);
    QCOMPARE(bloquante, jour);
    QVERIFY(b.actions.chevauchement(jour, localDateTime(2026, 3, 9, 0).toMSecsSinceEpoch(),
                                    localDateTime(2026, 3, 6, 0).toMSecsSinceEpoch()));

    // Once it is gone, the copy is made and nothing is named.
    b.ctx->remove(jour);
    QVERIFY(b.ctx->save());
    QCOMPARE(b.actions.dupliquerEnRotation(source, nullptr, &creee, &bloquante), IssueDuplication::creee);
    QCOMPARE(bloquante, nullptr);
    QVERIFY(creee && creee != source);
}

void TestActions::placementSuivantLibereLaBenneSansEnlevement()
{
    Banc b;
    Client* c = officeClient(b.ctx.get());
    Benne* bn = benne(b.ctx.get(), 10);
    // Left without removal date on 1 March, then booked 3 → 6 March: the skip came back before
    // the 3rd, so the earlier rental no longer holds it and the rotation is made.
    LocationDeBenne* ancienne = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 1, 8));
    LocationDeBenne* source = placedRental(b.ctx.get(), c, bn, localDateTime(2026, 3, 3, 14), localDateTime(2026, 3, 6, 9));
    QVERIFY(b.ctx->save());
    QVERIFY(!b.actions.chevauchement(ancienne, localDateTime(2026, 3, 9, 0).toMSecsSinceEpoch(),
                                     localDateTime(2026, 3, 6, 0).toMSecsSinceEpoch()));
    LocationDeBenne* creee = nullptr;
    LocationDeBenne* bloquante = nullptr;
    QCOMPARE(b.actions.dupliquerEnRotation(source, nullptr, &creee, &bloquante), IssueDuplication::creee);
    QCOMPARE(bloquante, nullptr);
    // The copy is now the skip's last placement; the rental left without removal date still
    // has none in the store.
    QVERIFY(creee);
    QVERIFY(!ancienne->dateEnlevementMs());
}
