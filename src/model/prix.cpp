// Prices and billing rules: billed days, the price breakdown of a rental, the estimate of a
// waste type. Every price shown or exported comes from here.
#include "prix.h"

#include "records.h"

#include <QTimeZone>

#include <limits>

namespace kv {

qint64 LocationDeBenne::joursFactures() const
{
    return joursFactures(QTimeZone::systemTimeZone());
}

qint64 LocationDeBenne::joursFactures(const QTimeZone& zone) const
{
    return kv::joursFactures(d.datePose, dateEnlevementMs(), zone);
}

qint64 joursFactures(qint64 poseMs, const std::optional<qint64>& enlevementMs, const QTimeZone& zone)
{
    if (!enlevementMs)
        return 0;
    const QDateTime pose = QDateTime::fromMSecsSinceEpoch(poseMs, zone);
    const QDateTime enlevement = QDateTime::fromMSecsSinceEpoch(*enlevementMs, zone);
    if (enlevement <= pose)
        return 0;
    qint64 jours = pose.date().daysTo(enlevement.date());
    // Whole days only: the time of day counts.
    if (pose.addDays(jours) > enlevement)
        --jours;
    return jours > 0 ? jours : 0;
}

namespace {

// (jours - inclus) as a number, or none when the subtraction overflows.
std::optional<double> joursAuDela(qint64 jours, qint64 inclus)
{
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    if ((inclus < 0 && jours > max + inclus) || (inclus > 0 && jours < min + inclus))
        return std::nullopt;
    return static_cast<double>(jours - inclus);
}

} // namespace

DetailPrix LocationDeBenne::detailPrix() const
{
    return detailPrix(QTimeZone::systemTimeZone());
}

DetailPrix LocationDeBenne::detailPrix(const QTimeZone& zone) const
{
    return kv::detailPrix(ElementsPrix{d.tarifPose, d.tarifEnlevement, d.tarifJournalier, d.typeDechet, poidsTotalKg(),
                                       d.datePose, dateEnlevementMs()},
                          zone);
}

DetailPrix detailPrix(const ElementsPrix& e, const QTimeZone& zone)
{
    DetailPrix r;
    const double kg = e.poidsKg;
    const qint64 jours = joursFactures(e.poseMs, e.enlevementMs, zone);
    const TypeDechet* type = e.type;
    r.tauxTVA = type ? type->tva() : 20.0;
    const double tonnes = kg / 1000.0;
    if (e.tarifPose > 0 && e.tarifEnlevement > 0) {
        r.base = e.tarifPose + e.tarifEnlevement;
        if (type) {
            const auto& franchise = type->franchiseTonnage();
            const auto& supp = type->supplementTonnage();
            if (franchise && supp && tonnes > *franchise)
                r.supplementTonnage = (tonnes - *franchise) * *supp;
            const auto& inclus = type->dureeIncluse();
            if (inclus && jours > *inclus) {
                std::optional<double> taux;
                if (e.tarifJournalier > 0)
                    taux = e.tarifJournalier;
                else
                    taux = type->supplementJour();
                if (taux && *taux > 0) {
                    if (const auto n = joursAuDela(jours, *inclus))
                        r.supplementJours = *taux * *n;
                }
            }
        }
    } else {
        r.base = type ? type->prixEstime(tonnes, jours) : 0.0;
    }
    r.total = (r.base + r.supplementTonnage) + r.supplementJours;
    return r;
}

double TypeDechet::prixEstime(double tonnes, qint64 jours) const
{
    double p = d.prixBaseForfait.value_or(0.0);
    if (d.franchiseTonnage && d.supplementTonnage && tonnes > *d.franchiseTonnage)
        p += (tonnes - *d.franchiseTonnage) * *d.supplementTonnage;
    if (d.dureeIncluse && d.supplementJour && jours > *d.dureeIncluse) {
        if (const auto n = joursAuDela(jours, *d.dureeIncluse))
            p += *n * *d.supplementJour;
    }
    if (d.prixBaseForfait && *d.prixBaseForfait != 0)
        return p;
    if (d.prixBaseParTonne)
        return tonnes * *d.prixBaseParTonne;
    return p;
}

} // namespace kv
