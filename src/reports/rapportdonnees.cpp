#include "rapportdonnees.h"

#include "textesexport.h"

#include "model/modelcontext.h"
#include "platform/filehelpers.h"

#include <QHash>

#include <algorithm>

namespace kv::rapport {

QList<LocationDeBenne*> locationsDuMois(const Client* client, qint64 moisMs, const QTimeZone& zone)
{
    if (!client)
        return {};
    const DayWindow mois = fenetreMois(moisMs, zone);
    QList<LocationDeBenne*> out;
    for (LocationDeBenne* l : client->locations())
        if (!l->isDeleted() && mois.contains(l->datePoseMs()))
            out.append(l);
    std::sort(out.begin(), out.end(), [](const LocationDeBenne* a, const LocationDeBenne* b) {
        if (a->datePoseMs() != b->datePoseMs())
            return a->datePoseMs() > b->datePoseMs();
        return a->persistentModelID() < b->persistentModelID();
    });
    return out;
}

QList<LocationDeBenne*> parDatePose(QList<LocationDeBenne*> locations)
{
    std::stable_sort(locations.begin(), locations.end(),
                     [](const LocationDeBenne* a, const LocationDeBenne* b) { return a->datePoseMs() < b->datePoseMs(); });
    return locations;
}

QString csvClient(const QList<LocationDeBenne*>& locations, const QTimeZone& zone)
{
    QString texte = QStringLiteral("Date pose;Adresse;Volume (m³);Déchet;Date enlèvement\n");
    for (const LocationDeBenne* l : parDatePose(locations)) {
        const auto enlevement = l->dateEnlevementMs();
        const QStringList champs{
            jourISO(l->datePoseMs(), zone),
            champCSV(l->adresse().value_or(QString())),
            l->benne() ? champVolume(l->benne()->volume()) : QString(),
            l->typeDechet() ? champCSV(l->typeDechet()->libelle()) : QString(),
            enlevement ? jourISO(*enlevement, zone) : QString(),
        };
        texte += champs.join(QLatin1Char(';')) + QLatin1Char('\n');
    }
    return texte;
}

namespace {

// Plain Unicode order of canonically equivalent texts: NFC, then code point by code point.
int comparerUnicode(const QString& a, const QString& b)
{
    const QList<uint> ua = a.toUcs4(), ub = b.toUcs4();
    const auto r = std::lexicographical_compare_three_way(ua.begin(), ua.end(), ub.begin(), ub.end());
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

} // namespace

QString csvTousClients(const ModelContext* context, qint64 moisMs, const QTimeZone& zone,
                       const QLocale& locale)
{
    QStringList lignes{QStringLiteral("Client;Date pose;Adresse;Volume m3;Déchet;Date enlèvement")};
    if (!context)
        return lignes.first();
    const DayWindow mois = fenetreMois(moisMs, zone);
    QList<LocationDeBenne*> locations = context->fetch<LocationDeBenne>(
        {[&mois](const LocationDeBenne* l) { return mois.contains(l->datePoseMs()); }, {}, 0});

    // Look-alike clients are written with what tells them apart, and each one's rows stay
    // together: by name, then by that distinction, then by placement date.
    const NomsDeClients noms(locations.isEmpty() ? nullptr : context);
    struct Cle {
        QString nom;
        QString distinction;
    };
    // Each client's keys normalised once.
    QHash<const Client*, Cle> cles;
    for (const LocationDeBenne* l : locations)
        if (l->client() && !cles.contains(l->client()))
            cles.insert(l->client(), {l->client()->nom().normalized(QString::NormalizationForm_C),
                                      noms.distinction(l->client()).normalized(QString::NormalizationForm_C)});
    std::stable_sort(locations.begin(), locations.end(), [&cles](const LocationDeBenne* a, const LocationDeBenne* b) {
        const Cle ca = cles.value(a->client()), cb = cles.value(b->client());
        if (const int c = comparerUnicode(ca.nom, cb.nom))
            return c < 0;
        if (const int c = comparerUnicode(ca.distinction, cb.distinction))
            return c < 0;
        return a->datePoseMs() < b->datePoseMs();
    });

    auto dateCourte = [&](qint64 ms) { return locale.toString(jourDansZone(ms, zone), QLocale::ShortFormat); };
    for (const LocationDeBenne* l : locations) {
        const auto enlevement = l->dateEnlevementMs();
        const QStringList champs{
            l->client() ? champCSV(noms.nom(l->client())) : QString(),
            dateCourte(l->datePoseMs()),
            champCSV(l->adresse().value_or(QString())),
            l->benne() ? champVolume(l->benne()->volume()) : QString(),
            l->typeDechet() ? champCSV(l->typeDechet()->libelle()) : QString(),
            enlevement ? dateCourte(*enlevement) : QString(),
        };
        lignes << champs.join(QLatin1Char(';'));
    }
    return lignes.join(QLatin1Char('\n'));
}

QString nomFichierCSVClient(const QString& nomClient, qint64 moisMs, const QTimeZone& zone, const QString& distinction)
{
    return FileHelpers::fileName(QStringLiteral("rapport-"), nomClient, distinction,
                                 QLatin1Char('-') + libelleMois(moisMs, zone) + QStringLiteral(".csv"));
}

QString nomFichierCSVTousClients(qint64 moisMs, const QTimeZone& zone)
{
    return QStringLiteral("rapports-") + libelleMois(moisMs, zone) + QStringLiteral(".csv");
}

QString nomFichierPDF(const QString& nomClient, qint64 moisMs, const QTimeZone& zone, const QString& distinction)
{
    return FileHelpers::fileName(QStringLiteral("Rapport-"), nomClient, distinction,
                                 QLatin1Char('-') + libelleMois(moisMs, zone) + QStringLiteral(".pdf"));
}

QString sujetEmail(qint64 moisMs, const QTimeZone& zone)
{
    return QStringLiteral("Rapport mensuel ") + libelleMois(moisMs, zone);
}

QString corpsEmail(const QString& nomClient, qint64 moisMs, const QTimeZone& zone)
{
    return QStringLiteral("Bonjour Monsieur ") + nomClient
           + QStringLiteral(",\n\nVous trouverez en pièce jointe le rapport mensuel du mois de ")
           + libelleMois(moisMs, zone) + QStringLiteral(".\n\nCordialement,");
}

} // namespace kv::rapport
