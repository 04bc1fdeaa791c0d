#include "fixtures.h"
#include "tests.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace kv;

namespace {

BonDePesee* ticket(LocationDeBenne* l, std::optional<double> arrivee, std::optional<double> apres,
                   std::optional<double> dechets)
{
    return l->ajouterBonDePesee(fx::at(2026, 3, 2), std::nullopt, arrivee, apres, dechets, std::nullopt);
}

// The waste type used by the pricing examples: 150 flat, 2 t free then 40/t, 7 days free then 5/day.
TypeDechet* typeExemple(ModelContext* ctx)
{
    auto* t = fx::type(ctx);
    t->setPrixBaseForfait(150);
    t->setFranchiseTonnage(2);
    t->setSupplementTonnage(40);
    t->setDureeIncluse(7);
    t->setSupplementJour(5);
    t->setTva(10);
    return t;
}

// A rental of 3.5 tonnes over 10 days.
LocationDeBenne* location35t10j(ModelContext* ctx, TypeDechet* t)
{
    auto* l = fx::location(fx::client(ctx), fx::benne(ctx), t, fx::at(2026, 3, 1, 8), fx::at(2026, 3, 11, 8));
    ticket(l, std::nullopt, std::nullopt, 3500);
    return l;
}

} // namespace

void TestPrix::poidsNet()
{
    auto ctx = ModelContext::open(":memory:");
    auto* l = fx::location(fx::client(ctx.get()), fx::benne(ctx.get()));
    QCOMPARE(ticket(l, 12000, 4000, -5)->poidsNetKg(), 0.0);          // waste weight wins, even negative
    QCOMPARE(ticket(l, 12000, std::nullopt, std::nullopt)->poidsNetKg(), 0.0);
    QCOMPARE(ticket(l, 4000, 12000, std::nullopt)->poidsNetKg(), 0.0);
    QCOMPARE(ticket(l, 12000, 4000, std::nullopt)->poidsNetKg(), 8000.0);
    QCOMPARE(ticket(l, 12000, 4000, 750)->poidsNetKg(), 750.0);
    QCOMPARE(ticket(l, std::nullopt, std::nullopt, std::nan(""))->poidsNetKg(), 0.0);
    QCOMPARE(ticket(l, std::nullopt, std::nullopt, std::nullopt)->poidsNetKg(), 0.0);
}

void TestPrix::poidsTotal()
{
    auto ctx = ModelContext::open(":memory:");
    auto* l = fx::location(fx::client(ctx.get()), fx::benne(ctx.get()));
    QCOMPARE(l->poidsTotalKg(), 0.0);
    ticket(l, std::nullopt, std::nullopt, 1500);
    ticket(l, 100, 200, std::nullopt);
    ticket(l, 6500, 4000, std::nullopt);
    QCOMPARE(l->poidsTotalKg(), 4000.0);
}

void TestPrix::joursFactures()
{
    auto ctx = ModelContext::open(":memory:");
    const QTimeZone paris("Europe/Paris");
    auto* l = fx::location(fx::client(ctx.get()), fx::benne(ctx.get()), nullptr, fx::at(2026, 3, 1, 8));
    QCOMPARE(l->joursFactures(paris), 0);
    l->setDateEnlevement(fx::at(2026, 3, 11, 8));
    QCOMPARE(l->joursFactures(paris), 10);
    // The time of day counts.
    l->setDatePose(fx::at(2026, 3, 1, 10));
    l->setDateEnlevement(fx::at(2026, 3, 2, 9));
    QCOMPARE(l->joursFactures(paris), 0);
    l->setDateEnlevement(fx::at(2026, 3, 2, 10));
    QCOMPARE(l->joursFactures(paris), 1);
    // Across the change to summer time (29 March 2026) a calendar day is still a day.
    l->setDatePose(fx::at(2026, 3, 28, 12));
    l->setDateEnlevement(fx::at(2026, 3, 30, 12));
    QCOMPARE(l->joursFactures(paris), 2);
    // A removal before the placement bills nothing.
    l->setDateEnlevement(fx::at(2026, 3, 20, 12));
    QCOMPARE(l->joursFactures(paris), 0);
}

void TestPrix::prixEstime()
{
    auto ctx = ModelContext::open(":memory:");
    auto* t = typeExemple(ctx.get());
    QCOMPARE(t->prixEstime(3.5, 10), 225.0);
    QCOMPARE(t->prixEstime(2.0, 7), 150.0); // exactly the included tonnes and days
    t->setPrixBaseForfait(std::nullopt);
    t->setPrixBaseParTonne(60);
    QCOMPARE(t->prixEstime(3.5, 10), 210.0); // per tonne, surcharges not added
    t->setPrixBaseForfait(0);
    QCOMPARE(t->prixEstime(3.5, 10), 210.0);
    t->setPrixBaseParTonne(std::nullopt);
    QCOMPARE(t->prixEstime(3.5, 10), 75.0); // surcharges alone
    t->setSupplementJour(-5);
    QCOMPARE(t->prixEstime(3.5, 10), 45.0); // a negative rate lowers the estimate
}

void TestPrix::detailPrixTarifsPropres()
{
    auto ctx = ModelContext::open(":memory:");
    const QTimeZone paris("Europe/Paris");
    auto* t = typeExemple(ctx.get());
    auto* l = location35t10j(ctx.get(), t);
    l->setTarifPose(100);
    l->setTarifEnlevement(80);
    l->setTarifJournalier(12);
    DetailPrix p = l->detailPrix(paris);
    QCOMPARE(p.base, 180.0);
    QCOMPARE(p.supplementTonnage, 60.0);
    QCOMPARE(p.supplementJours, 36.0);
    QCOMPARE(p.total, 276.0);
    QCOMPARE(p.tauxTVA, 10.0);

    l->setTarifJournalier(0); // the waste type's daily rate takes over
    p = l->detailPrix(paris);
    QCOMPARE(p.supplementJours, 15.0);
    QCOMPARE(p.total, 255.0);

    t->setSupplementJour(-5); // a rate that is not above zero adds nothing
    QCOMPARE(l->detailPrix(paris).supplementJours, 0.0);

    t->setDureeIncluse(std::nullopt);
    l->setTarifJournalier(12);
    QCOMPARE(l->detailPrix(paris).supplementJours, 0.0);
}

void TestPrix::detailPrixParTypeDeDechet()
{
    auto ctx = ModelContext::open(":memory:");
    const QTimeZone paris("Europe/Paris");
    auto* t = typeExemple(ctx.get());
    auto* l = location35t10j(ctx.get(), t);
    l->setTarifPose(100);
    l->setTarifEnlevement(0);
    DetailPrix p = l->detailPrix(paris);
    QCOMPARE(p.base, 225.0);
    QCOMPARE(p.supplementTonnage, 0.0);
    QCOMPARE(p.supplementJours, 0.0);
    QCOMPARE(p.total, 225.0);
    l->setTarifEnlevement(std::nan("")); // not a number: priced by the waste type too
    QCOMPARE(l->detailPrix(paris).total, 225.0);
}

void TestPrix::detailPrixSansType()
{
    auto ctx = ModelContext::open(":memory:");
    auto* l = location35t10j(ctx.get(), nullptr);
    DetailPrix p = l->detailPrix();
    QCOMPARE(p.base, 0.0);
    QCOMPARE(p.total, 0.0);
    QCOMPARE(p.tauxTVA, 20.0);
    l->setTarifPose(100);
    l->setTarifEnlevement(80);
    p = l->detailPrix();
    QCOMPARE(p.base, 180.0);
    QCOMPARE(p.supplementTonnage, 0.0);
    QCOMPARE(p.supplementJours, 0.0);
    QCOMPARE(p.total, 180.0);
    QCOMPARE(p.tauxTVA, 20.0);
}

void TestPrix::debordementDeJours()
{
    auto ctx = ModelContext::open(":memory:");
    auto* t = typeExemple(ctx.get());
    t->setDureeIncluse(std::numeric_limits<qint64>::min() + 1);
    QCOMPARE(t->prixEstime(0, 10), 150.0); // overflowing day count: no day surcharge
    auto* l = location35t10j(ctx.get(), t);
    l->setTarifPose(100);
    l->setTarifEnlevement(80);
    QCOMPARE(l->detailPrix().supplementJours, 0.0);
}
