#include "facturationexporterparclient.h"

#include "model/helpers.h"

#include "textesexport.h"

#include "model/modelcontext.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>

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

// An amount as the export prints it: its double and, while they fit 64 bits, its whole cents, so
// that a sum of amounts is exactly the sum of what its lines print. An amount or a sum beyond
// 64 bits of cents (only from values stored before typed numbers were bounded) falls back on
// the sum of the doubles.
struct Montant {
    double euros = 0;
    qint64 centimes = 0;
    bool exact = true;

    Montant() = default;
    explicit Montant(double e) : euros(e)
    {
        const std::optional<qint64> c = kv::centimes(e);
        exact = c.has_value();
        centimes = c.value_or(0);
    }
    // A line's VAT: what its two printed amounts differ by.
    static Montant ecart(const Montant& ttc, const Montant& ht, double euros)
    {
        Montant m;
        m.euros = euros;
        m.exact = ttc.exact && ht.exact && differenceSur(ttc.centimes, ht.centimes, &m.centimes);
        return m;
    }
    Montant& operator+=(const Montant& autre)
    {
        euros += autre.euros;
        exact = exact && autre.exact && ajoutSur(centimes, autre.centimes, &centimes);
        return *this;
    }
    Montant operator+(const Montant& autre) const
    {
        Montant somme = *this;
        return somme += autre;
    }
    QString texte() const { return exact ? formatCentimes(centimes) : formatMontant(euros); }

private:
    static constexpr qint64 max = std::numeric_limits<qint64>::max();
    static constexpr qint64 min = std::numeric_limits<qint64>::min();
    // a + b or a - b into *r; false, *r unchanged, when it overflows.
    static bool ajoutSur(qint64 a, qint64 b, qint64* r)
    {
        if ((b > 0 && a > max - b) || (b < 0 && a < min - b))
            return false;
        *r = a + b;
        return true;
    }
    static bool differenceSur(qint64 a, qint64 b, qint64* r)
    {
        if ((b < 0 && a > max + b) || (b > 0 && a < min + b))
            return false;
        *r = a - b;
        return true;
    }
};

struct CumulTaux {
    Montant baseHT;
    Montant tva;
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
                                                 const QTimeZone& zone, qsizetype* nombreLocations,
                                                 const Progression& progression)
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
    if (nombreLocations) {
        *nombreLocations = 0;
        for (const Groupe& g : groupes)
            *nombreLocations += g.second.size();
    }

    QStringList lignes{entete()};
    // Look-alike clients' sections tell which client each is.
    const NomsDeClients noms(groupes.isEmpty() ? nullptr : context);
    for (Groupe& g : groupes) {
        QList<LocationDeBenne*>& locs = g.second;
        const QString nom = champCSV(noms.nom(locs.first()->client()));
        QStringList section(15);
        section[0] = nom;
        section[14] = QStringLiteral("SECTION CLIENT");
        lignes << ligne(section);

        std::stable_sort(locs.begin(), locs.end(), [](const LocationDeBenne* a, const LocationDeBenne* b) {
            return a->datePoseMs() < b->datePoseMs();
        });
        std::map<double, CumulTaux, OrdreTaux> parTaux;
        Montant sommeHT, sommeTTC, sommeTVA;
        for (const LocationDeBenne* l : locs) {
            const DetailPrix p = l->detailPrix(zone);
            const double tva = p.total * (p.tauxTVA / 100);
            const double ttc = p.total * (p.tauxTVA / 100 + 1);
            const Montant ht(p.total);
            const Montant montantTTC(ttc);
            const Montant montantTVA = Montant::ecart(montantTTC, ht, tva);
            CumulTaux& cumul = parTaux[p.tauxTVA];
            cumul.baseHT += ht;
            cumul.tva += montantTVA;

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
                ht.texte(),
                formatMontant(p.tauxTVA),
                montantTTC.texte(),
                QString(),
            });
            sommeHT += ht;
            sommeTTC += montantTTC;
            sommeTVA += montantTVA;
        }
        lignes << ligneClient(nom, sommeHT.texte(), QString(), sommeTTC.texte(),
                              QStringLiteral("SOUS-TOTAL CLIENT (TVA: ") + sommeTVA.texte() + QLatin1Char(')'));
        for (const auto& [taux, cumul] : parTaux) {
            lignes << ligneClient(nom, cumul.baseHT.texte(), formatMontant(taux),
                                  (cumul.baseHT + cumul.tva).texte(),
                                  QStringLiteral("DÉTAIL TVA taux ") + formatMontant(taux)
                                      + QStringLiteral("% – Base: ") + cumul.baseHT.texte()
                                      + QStringLiteral(" / TVA: ") + cumul.tva.texte());
        }
        lignes << QString();
        if (progression)
            progression(&g - groupes.data() + 1, groupes.size());
    }
    return lignes.join(QLatin1Char('\n'));
}

} // namespace kv
