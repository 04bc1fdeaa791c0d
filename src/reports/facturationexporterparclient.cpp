#include "facturationexporterparclient.h"

#include "model/helpers.h"

#include "textesexport.h"

#include "model/modelcontext.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <map>

namespace kv {

namespace {

// VAT rates compared as exact numbers; a rate that is not a number sorts after every other.
struct OrdreTaux {
    bool operator()(double a, double b) const
    {
        if (std::isnan(a) || std::isnan(b))
            return !std::isnan(a) && std::isnan(b);
        return a < b;
    }
};

struct CumulTaux {
    double baseHT = 0;
    double tva = 0;
    double ttc = 0;
};


QString ligne(const QStringList& champs)
{
    return champs.join(QLatin1Char(';'));
}

// A line of 15 fields: the client's name, the three amounts of columns 12 to 14 and a label.
QString ligneClient(const QString& nom, const QString& c12, const QString& c13, const QString& c14,
                    const QString& libelle)
{
    QStringList champs(15);
    champs[0] = nom;
    champs[11] = c12;
    champs[12] = c13;
    champs[13] = c14;
    champs[14] = libelle;
    return ligne(champs);
}

} // namespace

const QString& FacturationExporterParClient::entete()
{
    static const QString texte = QStringLiteral(
        "Client;Adresse pose;Volume_m3;CouleurBenne;DispositifSpecial;TypeDéchet;DatePose;"
        "DateEnlevement;NbJours;PoidsKg;ForfaitPoseEnlevHT;SupplTonnageHT;SupplJoursHT;TotalHT;"
        "TVA(%);TotalTTC;—");
    return texte;
}

QList<LocationDeBenne*> FacturationExporterParClient::chargerLocations(const ModelContext* context,
                                                                      qint64 debutMs, qint64 finMs)
{
    if (!context)
        return {};
    FetchDescriptor<LocationDeBenne> d;
    d.predicate = [debutMs, finMs](const LocationDeBenne* l) {
        return l->datePoseMs() <= finMs && l->dateEnlevementMs().value_or(finMs) >= debutMs;
    };
    return context->fetch(d);
}

qint64 FacturationExporterParClient::finDuJour(qint64 maintenantMs, const QTimeZone& zone)
{
    const QDate jour = jourDansZone(maintenantMs, zone);
    const QDateTime fin(jour, QTime(23, 59, 59), zone);
    if (!fin.isValid() || fin.time() != QTime(23, 59, 59))
        return maintenantMs;
    return fin.toMSecsSinceEpoch();
}

void FacturationExporterParClient::trierClients(QList<Groupe>& groupes)
{
    auto nomDe = [](const Groupe& g) {
        const LocationDeBenne* l = g.second.isEmpty() ? nullptr : g.second.first();
        return (l && l->client()) ? l->client()->nom() : QString();
    };
    std::stable_sort(groupes.begin(), groupes.end(), [&](const Groupe& a, const Groupe& b) {
        const QString na = nomDe(a), nb = nomDe(b);
        if (const int c = compareNames(na, nb))
            return c < 0;
        return a.first < b.first;
    });
}

QString FacturationExporterParClient::formatMontant(double montant)
{
    return kv::formatMontant(montant);
}

QString FacturationExporterParClient::formatDate(qint64 ms, const QTimeZone& zone)
{
    return jourISO(ms, zone);
}

QString FacturationExporterParClient::nomFichier(qint64 debutMs, qint64 finMs, const QTimeZone& zone)
{
    auto jour = [&](qint64 ms) { return jourDansZone(ms, zone).toString(QStringLiteral("dd-MM-yyyy")); };
    return QStringLiteral("facturation Kestrovan du ") + jour(debutMs) + QStringLiteral(" au ")
           + jour(finMs) + QStringLiteral(".csv");
}

QString FacturationExporterParClient::genererCSV(const ModelContext* context, qint64 debutMs,
                                                 qint64 finMs, qint64 maintenantMs,
                                                 const QTimeZone& zone)
{
    const QList<LocationDeBenne*> trouvees = chargerLocations(context, debutMs, finMs);
    const qint64 finAujourdhui = finDuJour(maintenantMs, zone);

    // Billable: removed by the end of today and weighed. Groups keep the order of the fetch.
    QList<Groupe> groupes;
    QHash<QUuid, qsizetype> indexGroupe;
    for (LocationDeBenne* l : trouvees) {
        const auto enlevement = l->dateEnlevementMs();
        if (!enlevement || *enlevement > finAujourdhui || !(l->poidsTotalKg() > 0) || !l->client())
            continue;
        const QUuid id = l->client()->id();
        auto it = indexGroupe.constFind(id);
        if (it == indexGroupe.constEnd()) {
            it = indexGroupe.insert(id, groupes.size());
            groupes.append({id, {}});
        }
        groupes[*it].second.append(l);
    }
    trierClients(groupes);

    QStringList lignes{entete()};
    for (Groupe& g : groupes) {
        QList<LocationDeBenne*>& locs = g.second;
        const QString nom = champCSV(locs.first()->client()->nom());
        QStringList section(15);
        section[0] = nom;
        section[14] = QStringLiteral("SECTION CLIENT");
        lignes << ligne(section);

        std::stable_sort(locs.begin(), locs.end(), [](const LocationDeBenne* a, const LocationDeBenne* b) {
            return a->datePoseMs() < b->datePoseMs();
        });
        std::map<double, CumulTaux, OrdreTaux> parTaux;
        double sommeHT = 0, sommeTTC = 0, sommeTVA = 0;
        for (const LocationDeBenne* l : locs) {
            const DetailPrix p = l->detailPrix(zone);
            const double tva = p.total * (p.tauxTVA / 100);
            const double ttc = p.total * (p.tauxTVA / 100 + 1);
            CumulTaux& cumul = parTaux[p.tauxTVA];
            cumul.baseHT += p.total;
            cumul.tva += tva;
            cumul.ttc += ttc;

            const Benne* benne = l->benne();
            const DispositifSpecial* dispositif = benne ? benne->dispositifSpecial() : nullptr;
            const auto enlevement = l->dateEnlevementMs();
            lignes << ligne({
                nom,
                champCSV(l->adresse().value_or(QString()).trimmed()),
                benne ? champVolume(benne->volume()) : QString(),
                benne ? champCSV(benne->couleur()) : QString(),
                dispositif ? champCSV(trimBlanks(dispositif->descriptionDispositif())) : QString(),
                l->typeDechet() ? champCSV(l->typeDechet()->libelle()) : QString(),
                formatDate(l->datePoseMs(), zone),
                enlevement ? formatDate(*enlevement, zone) : QString(),
                QString::number(l->joursFactures(zone)),
                formatMontant(l->poidsTotalKg()),
                formatMontant(p.base),
                formatMontant(p.supplementTonnage),
                formatMontant(p.supplementJours),
                formatMontant(p.total),
                formatMontant(p.tauxTVA),
                formatMontant(ttc),
                QString(),
            });
            sommeHT += p.total;
            sommeTTC += ttc;
            sommeTVA += tva;
        }
        lignes << ligneClient(nom, formatMontant(sommeHT), QString(), formatMontant(sommeTTC),
                              QStringLiteral("SOUS-TOTAL CLIENT (TVA: ") + formatMontant(sommeTVA)
                                  + QLatin1Char(')'));
        for (const auto& [taux, cumul] : parTaux) {
            lignes << ligneClient(nom, formatMontant(cumul.baseHT), formatMontant(taux),
                                  formatMontant(cumul.baseHT + cumul.tva),
                                  QStringLiteral("DÉTAIL TVA taux ") + formatMontant(taux)
                                      + QStringLiteral("% – Base: ") + formatMontant(cumul.baseHT)
                                      + QStringLiteral(" / TVA: ") + formatMontant(cumul.tva));
        }
        lignes << QString();
    }
    return lignes.join(QLatin1Char('\n'));
}

} // namespace kv
