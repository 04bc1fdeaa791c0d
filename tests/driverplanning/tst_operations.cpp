#include "tests.h"

#include "bureau.h"

#include "driverplanning/planningoperation.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace kv;
using fx::at;

namespace {

QList<OperationKind> kinds(const QList<PlanningOperation>& ops)
{
    QList<OperationKind> out;
    for (const PlanningOperation& op : ops)
        out << op.kind;
    return out;
}

} // namespace

void TestOperationsDuJour::dayWindowsAreHalfOpen()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Client* c = b.client("Transports Morel");
    // Placed at midnight starting 9 December, removed at that same instant by another rental.
    LocationDeBenne* minuit = b.location(c, b.benne(10), at(2026, 12, 9, 0, 0), std::nullopt,
                                         QStringLiteral("1 rue A"), lea);
    LocationDeBenne* enl = b.location(c, b.benne(8), at(2026, 12, 1, 9), at(2026, 12, 9, 0, 0),
                                      QStringLiteral("2 rue B"), nullptr, lea);
    LocationDeBenne* surPlace = b.location(c, b.benne(8), at(2026, 12, 8, 10), std::nullopt,
                                           QStringLiteral("3 rue C"), nullptr, lea);
    Q_UNUSED(surPlace);

    // 8 December: the midnight placement and removal belong to the 9th only; a rental still on
    // site never yields a removal.
    QVERIFY(operationsDuJour(lea, at(2026, 12, 8, 15)).isEmpty());
    const QList<PlanningOperation> neuf = operationsDuJour(lea, at(2026, 12, 9, 23, 59));
    QCOMPARE(kinds(neuf), (QList<OperationKind>{OperationKind::pose, OperationKind::enlevement}));
    QCOMPARE(neuf[0].locationPose, minuit);
    QCOMPARE(neuf[1].locationEnlevement, enl);

    const DayWindow j = bornesDuJour(at(2026, 12, 8, 12));
    QCOMPARE(j.debut, at(2026, 12, 8).toMSecsSinceEpoch());
    QCOMPARE(j.fin, at(2026, 12, 9).toMSecsSinceEpoch());
    QVERIFY(poseDuJour(minuit, bornesDuJour(at(2026, 12, 9, 5))));
    QVERIFY(!poseDuJour(minuit, j));
    QCOMPARE(enlevementDuJour(enl, j), nullptr);
    QCOMPARE(enlevementDuJour(enl, bornesDuJour(at(2026, 12, 9))), enl);

    // The day is Paris's whatever zone the instant was written in: 20:00 in New York on the 8th
    // is 02:00 on the 9th in Paris.
    QCOMPARE(operationsDuJour(lea, at(2026, 12, 8, 20, 0, fx::newYork())).size(), 2);
    // Another planning zone, through the parameter: midnight in Paris is 18:00 the day before in
    // New York.
    QCOMPARE(operationsDuJour(lea, at(2026, 12, 8, 12, 0, fx::newYork()), fx::newYork()).size(), 2);
    QVERIFY(operationsDuJour(lea, at(2026, 12, 9, 12, 0, fx::newYork()), fx::newYork()).isEmpty());
}

void TestOperationsDuJour::clockChanges()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Client* c = b.client("Mairie");
    // Clocks move forward on 29 March 2026 (23 hours) and back on 25 October (25 hours).
    const DayWindow printemps = bornesDuJour(at(2026, 3, 29, 12));
    QCOMPARE(printemps.fin - printemps.debut, qint64(23) * 3600 * 1000);
    const DayWindow automne = bornesDuJour(at(2026, 10, 25, 12));
    QCOMPARE(automne.fin - automne.debut, qint64(25) * 3600 * 1000);

    LocationDeBenne* tard = b.location(c, b.benne(10), at(2026, 3, 20, 8), at(2026, 3, 29, 23, 30),
                                       QStringLiteral("1 rue A"), nullptr, lea);
    const QList<PlanningOperation> ops = operationsDuJour(lea, at(2026, 3, 29, 1));
    QCOMPARE(ops.size(), 1);
    QCOMPARE(ops[0].locationEnlevement, tard);
    QVERIFY(operationsDuJour(lea, at(2026, 3, 30, 1)).isEmpty());

    // The second 02:30 of the autumn night is on the 25th too.
    const QDateTime secondPassage(QDate(2026, 10, 25), QTime(1, 30), QTimeZone::utc());
    QCOMPARE(secondPassage.toTimeZone(fx::paris()).time(), QTime(2, 30));
    b.location(c, b.benne(10), secondPassage, std::nullopt, QStringLiteral("2 rue B"), lea);
    QCOMPARE(operationsDuJour(lea, at(2026, 10, 25, 22)).size(), 1);
}

void TestOperationsDuJour::selfRotationAndPairingOrder()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Client* c = b.client("Transports Morel");

    // Placed and removed by Léa on the same day: one rotation, both ends the same rental.
    LocationDeBenne* seule = b.location(c, b.benne(10), at(2026, 12, 8, 7), at(2026, 12, 8, 17),
                                        QStringLiteral("4 rue des Lilas, Lyon"), lea, lea);
    QList<PlanningOperation> ops = operationsDuJour(lea, at(2026, 12, 8));
    QCOMPARE(ops.size(), 1);
    QCOMPARE(ops[0].kind, OperationKind::rotation);
    QCOMPARE(ops[0].locationPose, seule);
    QCOMPARE(ops[0].locationEnlevement, seule);
    QCOMPARE(ops[0].date, at(2026, 12, 8, 17));
    QCOMPARE(ops[0].benneNom, std::nullopt);
    b.context()->remove(seule);

    // Two removals and one placement of one key: the first removal of the list pairs.
    const QString adr = QStringLiteral("9 place Bellecour");
    LocationDeBenne* enl1 = b.location(c, b.benne(10), at(2026, 12, 1, 8), at(2026, 12, 8, 9), adr, nullptr, lea);
    LocationDeBenne* enl2 = b.location(c, b.benne(10), at(2026, 12, 1, 8), at(2026, 12, 8, 9), adr, nullptr, lea);
    LocationDeBenne* pose1 = b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, adr, lea);
    ops = operationsDuJour(lea, at(2026, 12, 8));
    QCOMPARE(kinds(ops), (QList<OperationKind>{OperationKind::rotation, OperationKind::enlevement}));
    QCOMPARE(ops[0].locationEnlevement, enl1);
    QCOMPARE(ops[0].locationPose, pose1);
    QCOMPARE(ops[1].locationEnlevement, enl2);

    // One removal and two placements: the removal pairs with the first placement.
    b.context()->remove(enl2);
    LocationDeBenne* pose2 = b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, adr, lea);
    ops = operationsDuJour(lea, at(2026, 12, 8));
    QCOMPARE(kinds(ops), (QList<OperationKind>{OperationKind::rotation, OperationKind::pose}));
    QCOMPARE(ops[0].locationPose, pose1);
    QCOMPARE(ops[1].locationPose, pose2);
    // Rotation fields: the removal's date, client, address and volume.
    QCOMPARE(ops[0].adresse, adr);
    QCOMPARE(ops[0].clientNom, QStringLiteral("Transports Morel"));
    QCOMPARE(ops[0].volumeM3, 10);
}

void TestOperationsDuJour::keysFoldAddressesAndTruncateVolumes()
{
    QCOMPARE(cleAdresse(QStringLiteral("  4 RUE  DE L’ÉGLISE\t Lyon ")), cleAdresse(QStringLiteral("4 rue de l’eglise lyon")));
    QVERIFY(cleAdresse(QStringLiteral("4 rue de l'église")) != cleAdresse(QStringLiteral("4 rue-de l'église")));
    QCOMPARE(cleAdresse(std::nullopt), QString());
    QCOMPARE(cleAdresse(QStringLiteral("   ")), QString());

    QCOMPARE(volumeTronque(7.5), 7);
    QCOMPARE(volumeTronque(-7.5), -7);
    QCOMPARE(volumeTronque(std::nan("")), 0);
    QCOMPARE(volumeTronque(std::numeric_limits<double>::infinity()), 0);
    QCOMPARE(volumeTronque(-std::numeric_limits<double>::infinity()), 0);
    QCOMPARE(volumeTronque(1e30), std::numeric_limits<qint64>::max());
    QCOMPARE(volumeTronque(-1e30), std::numeric_limits<qint64>::min());
    QCOMPARE(volumeTronque(9223372036854775807.0), std::numeric_limits<qint64>::max());

    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Client* c = b.client("Morel");
    // Folded addresses and volumes 10.0 / 10.9 pair.
    b.location(c, b.benne(10.9), at(2026, 12, 1), at(2026, 12, 8, 10), QStringLiteral("4 RUE  des Lilas "), nullptr, lea);
    b.location(c, b.benne(10.0), at(2026, 12, 8, 11), std::nullopt, QStringLiteral("4 rue des lilas"), lea);
    // 9.9 and 10 do not; nor do a hyphen and a blank.
    b.location(c, b.benne(9.9), at(2026, 12, 1), at(2026, 12, 8, 12), QStringLiteral("5 rue"), nullptr, lea);
    b.location(c, b.benne(10), at(2026, 12, 8, 12), std::nullopt, QStringLiteral("5 rue"), lea);
    b.location(c, b.benne(6), at(2026, 12, 1), at(2026, 12, 8, 13), QStringLiteral("6 rue-Haute"), nullptr, lea);
    b.location(c, b.benne(6), at(2026, 12, 8, 13), std::nullopt, QStringLiteral("6 rue Haute"), lea);
    // A rental without address pairs with another without address, and says so.
    b.location(c, b.benne(8), at(2026, 12, 1), at(2026, 12, 8, 14), std::nullopt, nullptr, lea);
    b.location(c, b.benne(8), at(2026, 12, 8, 15), std::nullopt, std::nullopt, lea);
    // Not finite, or beyond 64 bits: no failure, and the volumes still pair.
    b.location(c, b.benne(std::nan("")), at(2026, 12, 1), at(2026, 12, 8, 16), QStringLiteral("7"), nullptr, lea);
    b.location(c, b.benne(std::numeric_limits<double>::infinity()), at(2026, 12, 8, 16), std::nullopt, QStringLiteral("7"), lea);

    const QList<PlanningOperation> ops = operationsDuJour(lea, at(2026, 12, 8));
    QCOMPARE(kinds(ops), (QList<OperationKind>{OperationKind::rotation, OperationKind::pose, OperationKind::enlevement,
                                              OperationKind::pose, OperationKind::enlevement, OperationKind::rotation,
                                              OperationKind::rotation}));
    QCOMPARE(ops[0].adresse, QStringLiteral("4 RUE  des Lilas "));
    QCOMPARE(ops[0].volumeM3, 10);
    QCOMPARE(ops[5].adresse, kAdresseNonRenseignee);
    QCOMPARE(ops[6].volumeM3, 0);
}

void TestOperationsDuJour::onlyThisDriversRentals()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Chauffeur* marc = b.chauffeur("Marc", "Petit");
    Client* c = b.client("Morel");
    const QString adr = QStringLiteral("1 rue A");
    // Same client and address, but Marc places: Léa's removal stays a removal.
    b.location(c, b.benne(10), at(2026, 12, 1), at(2026, 12, 8, 9), adr, nullptr, lea);
    b.location(c, b.benne(10), at(2026, 12, 8, 10), std::nullopt, adr, marc);
    // Removed by Léa, placed by nobody: not a rotation either.
    b.location(c, b.benne(12), at(2026, 12, 8, 11), at(2026, 12, 8, 12), adr, nullptr, lea);
    QCOMPARE(kinds(operationsDuJour(lea, at(2026, 12, 8))),
             (QList<OperationKind>{OperationKind::enlevement, OperationKind::enlevement}));
    QCOMPARE(kinds(operationsDuJour(marc, at(2026, 12, 8))), (QList<OperationKind>{OperationKind::pose}));
    QVERIFY(operationsDuJour(nullptr, at(2026, 12, 8)).isEmpty());
}

void TestOperationsDuJour::sortOrderAtEqualTimes()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Client* c = b.client("Morel");
    Client* d = b.client("Durand");
    LocationDeBenne* enl = b.location(c, b.benne(10), at(2026, 12, 1), at(2026, 12, 8, 8), QStringLiteral("1 rue A"), nullptr, lea);
    LocationDeBenne* pose = b.location(d, b.benne(10), at(2026, 12, 8, 8), std::nullopt, QStringLiteral("2 rue B"), lea);
    LocationDeBenne* rotEnl = b.location(d, b.benne(6), at(2026, 12, 1), at(2026, 12, 8, 8), QStringLiteral("3 rue C"), nullptr, lea);
    LocationDeBenne* rotPose = b.location(d, b.benne(6), at(2026, 12, 8, 7), std::nullopt, QStringLiteral("3 rue C"), lea);
    LocationDeBenne* tot = b.location(c, b.benne(10), at(2026, 12, 8, 6), std::nullopt, QStringLiteral("4 rue D"), lea);
    const QList<PlanningOperation> ops = operationsDuJour(lea, at(2026, 12, 8));
    QCOMPARE(kinds(ops), (QList<OperationKind>{OperationKind::pose, OperationKind::rotation, OperationKind::pose,
                                              OperationKind::enlevement}));
    QCOMPARE(ops[0].locationPose, tot);
    QCOMPARE(ops[1].locationPose, rotPose);
    QCOMPARE(ops[1].locationEnlevement, rotEnl);
    QCOMPARE(ops[2].locationPose, pose);
    QCOMPARE(ops[3].locationEnlevement, enl);
    // Every computation gives new identifiers.
    QVERIFY(ops[0].id != operationsDuJour(lea, at(2026, 12, 8))[0].id);
}

void TestOperationsDuJour::kindsAndRawValues()
{
    QCOMPARE(rawValue(OperationKind::enlevement), QStringLiteral("Enlèvement"));
    QCOMPARE(operationKindFromRawValue(QStringLiteral("Rotation")), OperationKind::rotation);
    QCOMPARE(operationKindFromRawValue(QStringLiteral("Pose")), OperationKind::pose);
    QCOMPARE(operationKindFromRawValue(QStringLiteral("Enlevement")), std::nullopt);
    QCOMPARE(operationKindFromRawValue(QStringLiteral("pose")), std::nullopt);
    QCOMPARE(fuseauHorairePlanning().id(), QByteArray("Europe/Paris"));
}
