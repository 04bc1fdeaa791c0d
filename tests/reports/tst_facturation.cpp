#include "tests.h"

#include "screenfixtures.h"

#include "model/plages.h"
#include "reports/facturationexporterparclient.h"
#include "reports/textesexport.h"

#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <map>
#include <limits>

using namespace kv;
using namespace fixtures;

namespace {

using F = FacturationExporterParClient;

const qint64 kMaintenant = parisMs(2026, 12, 6, 12, 0);

QString generer(ModelContext* ctx, qint64 debut = parisMs(2025, 1, 1), qint64 fin = parisMs(2026, 12, 6, 23, 59, 59))
{
    return F::genererCSV(ctx, debut, fin, kMaintenant, paris());
}

QStringList lignes(const QString& texte)
{
    return texte.split(QLatin1Char('\n'));
}

} // namespace

void TestFacturation::blocDUnClient()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Dupont BTP");
    TypeDechet* t20 = pricedWasteType(ctx.get(), "Gravats", 20.0, 150, 2, 40, 7, 5);
    TypeDechet* t55 = pricedWasteType(ctx.get(), "Bois", 5.5, 100);
    Benne* b = colouredSkip(ctx.get(), 10);
    // Priced by its own tariffs: 3.5 t over a 2 t allowance, 10 days over 7 at 12 a day.
    rental(c, b, t20, parisTime(2026, 3, 1, 8), parisTime(2026, 3, 11, 8), QStringLiteral("  1 rue du Port \n"), 3500, 100, 80, 12);
    // Priced by the waste type's estimate.
    rental(c, b, t20, parisTime(2026, 3, 5, 9), parisTime(2026, 3, 6, 10), QStringLiteral("2 quai Sud"), 1000);
    rental(c, b, t55, parisTime(2026, 3, 3, 9), parisTime(2026, 3, 4, 10), std::nullopt, 1000);

    const QString attendu = F::entete() + "\n"
        "Dupont BTP;;;;;;;;;;;;;;SECTION CLIENT\n"
        "Dupont BTP;1 rue du Port;10;808080;;Gravats;2026-03-01;2026-03-11;10;3500,00"
        ";180,00;60,00;36,00;276,00;20,00;331,20;\n"
        "Dupont BTP;;10;808080;;Bois;2026-03-03;2026-03-04;1;1000,00;100,00;0,00;0,00;100,00;5,50;105,50;\n"
        "Dupont BTP;2 quai Sud;10;808080;;Gravats;2026-03-05;2026-03-06;1;1000,00;150,00;0,00;0,00;150,00;20,00;180,00;\n"
        "Dupont BTP;;;;;;;;;;;526,00;;616,70;SOUS-TOTAL CLIENT (TVA: 90,70)\n"
        "Dupont BTP;;;;;;;;;;;100,00;5,50;105,50;DÉTAIL TVA taux 5,50% – Base: 100,00 / TVA: 5,50\n"
        "Dupont BTP;;;;;;;;;;;426,00;20,00;511,20;DÉTAIL TVA taux 20,00% – Base: 426,00 / TVA: 85,20\n";
    QCOMPARE(lignes(generer(ctx.get())), lignes(attendu));
    QCOMPARE(generer(ctx.get()), attendu);
    QCOMPARE(F::entete().split(';').size(), 17);
    QVERIFY(F::entete().endsWith(QStringLiteral(";TVA(%);TotalTTC;—")));
}

void TestFacturation::montants()
{
    // No thousands separator: a spreadsheet reads a grouped number as text.
    QCOMPARE(F::formatMontant(1234.5), QStringLiteral("1234,50"));
    QCOMPARE(F::formatMontant(0), QStringLiteral("0,00"));
    QCOMPARE(F::formatMontant(2.675), QStringLiteral("2,68"));
    QCOMPARE(F::formatMontant(0.125), QStringLiteral("0,12"));
    QCOMPARE(F::formatMontant(0.135), QStringLiteral("0,14"));
    QCOMPARE(F::formatMontant(0.1251), QStringLiteral("0,13"));
    QCOMPARE(F::formatMontant(999999.995), QStringLiteral("1000000,00"));
    QCOMPARE(F::formatMontant(-1234.5), QStringLiteral("-1234,50"));
    QCOMPARE(F::formatMontant(-0.001), QStringLiteral("0,00"));
    QCOMPARE(F::formatMontant(123), QStringLiteral("123,00"));
    QCOMPARE(F::formatMontant(std::nan("")), QStringLiteral("0,00"));
    QCOMPARE(F::formatMontant(1e21), QStringLiteral("1000000000000000000000,00"));

    // Cents are what is printed, ties and signs included; any 64-bit count prints exactly.
    for (const double x : {0.0, 1234.5, 2.675, 0.125, 0.135, 999999.995, -1234.5, -0.001, -0.005,
                           0.015, 1e13 + 0.125, std::nan("")})
        QCOMPARE(formatCentimes(*centimes(x)), F::formatMontant(x));
    QCOMPARE(centimes(1e21), std::nullopt);
    QCOMPARE(formatCentimes(std::numeric_limits<qint64>::max()), QStringLiteral("92233720368547758,07"));
    QCOMPARE(formatCentimes(std::numeric_limits<qint64>::min()), QStringLiteral("-92233720368547758,08"));
    QCOMPARE(formatCentimes(-5), QStringLiteral("-0,05"));
}

namespace {

// A printed amount read back in cents.
qint64 lireCentimes(QString texte)
{
    texte.remove(QLatin1Char(','));
    bool ok = false;
    const qint64 c = texte.toLongLong(&ok);
    if (!ok)
        qWarning("montant illisible : %s", qPrintable(texte));
    return c;
}

} // namespace

void TestFacturation::totauxExactsAuxBornes()
{
    // One client's many rentals at the largest accepted weights and prices, the amounts holding
    // fractions of a cent: every total is the sum of the lines as printed.
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Grand Compte");
    const double prixMax = plages::prixEuros.maximum;
    const double kgMax = plages::poidsNetKg.maximum;
    QList<TypeDechet*> types;
    for (const double tva : {plages::tauxTVA.maximum, 5.5, 19.6, 20.0, 8.5})
        types << pricedWasteType(ctx.get(), QStringLiteral("Type %1").arg(tva), tva, prixMax,
                                 plages::franchiseTonnes.minimum, prixMax - 0.01, 0, prixMax - 0.03);
    types << pricedWasteType(ctx.get(), QStringLiteral("Au poids"), 19.6);
    types.last()->setPrixBaseParTonne(prixMax - 0.07);
    Benne* b = colouredSkip(ctx.get());
    const int n = 3000;
    for (int i = 0; i < n; ++i) {
        TypeDechet* t = types[i % types.size()];
        // Up to ten years on site; the last tickets of the bound itself.
        const QDateTime pose = parisTime(2015, 1, 1).addDays(i % 97);
        const QDateTime enlevement = pose.addDays(1 + (i * 37) % 3650).addSecs(3600);
        const double kg = kgMax - (i % 7) * 0.01 - (i % 3) * 0.001;
        LocationDeBenne* l = (i % 2) ? rental(c, b, t, pose, enlevement, std::nullopt, kg, prixMax, prixMax - 0.05,
                                             prixMax - 0.09)
                                     : rental(c, b, t, pose, enlevement, std::nullopt, kg);
        l->ajouterBonDePesee(enlevement, std::nullopt, std::nullopt, std::nullopt, kgMax, std::nullopt);
    }
    const QStringList l = lignes(generer(ctx.get(), parisMs(2015, 1, 1), parisMs(2026, 12, 6, 23, 59, 59)));

    qint64 ht = 0, ttc = 0;
    std::map<QString, std::pair<qint64, qint64>> parTaux; // rate text: (excluding VAT, including VAT)
    int vues = 0;
    for (const QString& x : l) {
        const QStringList f = x.split(QLatin1Char(';'));
        if (f.size() != 17 || f[0] != QStringLiteral("Grand Compte"))
            continue;
        ++vues;
        ht += lireCentimes(f[13]);
        ttc += lireCentimes(f[15]);
        parTaux[f[14]].first += lireCentimes(f[13]);
        parTaux[f[14]].second += lireCentimes(f[15]);
    }
    QCOMPARE(vues, n);

    const QStringList sousTotal = l.filter(QStringLiteral("SOUS-TOTAL CLIENT"));
    QCOMPARE(sousTotal.size(), 1);
    const QStringList st = sousTotal.first().split(QLatin1Char(';'));
    QCOMPARE(lireCentimes(st[11]), ht);
    QCOMPARE(lireCentimes(st[13]), ttc);
    QCOMPARE(st[14], QStringLiteral("SOUS-TOTAL CLIENT (TVA: %1)").arg(formatCentimes(ttc - ht)));

    const QStringList details = l.filter(QStringLiteral("DÉTAIL TVA"));
    QCOMPARE(details.size(), int(parTaux.size()));
    for (const QString& x : details) {
        const QStringList d = x.split(QLatin1Char(';'));
        QVERIFY2(parTaux.count(d[12]), qPrintable(x));
        const auto [baseHT, totalTTC] = parTaux[d[12]];
        QCOMPARE(lireCentimes(d[11]), baseHT);
        QCOMPARE(lireCentimes(d[13]), totalTTC);
        QCOMPARE(d[14], QStringLiteral("DÉTAIL TVA taux %1% – Base: %2 / TVA: %3")
                            .arg(d[12], formatCentimes(baseHT), formatCentimes(totalTTC - baseHT)));
    }
}

void TestFacturation::valeursHorsLimitesFactureesTellesQuelles()
{
    // A ticket stored before weights were bounded is billed as it is; the client's totals still
    // read as the sum of its line.
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Ancien");
    TypeDechet* t = pricedWasteType(ctx.get(), "Gravats", 20.0);
    t->setPrixBaseParTonne(45);
    rental(c, colouredSkip(ctx.get()), t, parisTime(2026, 3, 1), parisTime(2026, 3, 2), std::nullopt,
           99999999999999999999.0);
    const QStringList l = lignes(generer(ctx.get()));
    const QStringList ligne = l[2].split(QLatin1Char(';'));
    QCOMPARE(ligne[9], F::formatMontant(99999999999999999999.0));
    QCOMPARE(ligne[13], F::formatMontant(99999999999999999999.0 / 1000 * 45));
    const QStringList st = l[3].split(QLatin1Char(';'));
    QCOMPARE(st[11], ligne[13]);
    QCOMPARE(st[13], ligne[15]);
}

void TestFacturation::periodeEtFiltre()
{
    auto ctx = storeInFolder();
    TypeDechet* t = pricedWasteType(ctx.get(), "Gravats", 20.0, 100);
    Benne* b = colouredSkip(ctx.get());
    QCOMPARE(generer(ctx.get()), F::entete());

    Client* enCours = client(ctx.get(), "Sur site");
    rental(enCours, b, t, parisTime(2026, 11, 2), std::nullopt, std::nullopt, 500);
    Client* demain = client(ctx.get(), "Demain");
    rental(demain, b, t, parisTime(2026, 11, 2), parisTime(2026, 12, 7, 0, 0, 0), std::nullopt, 500);
    Client* leger = client(ctx.get(), "Sans poids");
    rental(leger, b, t, parisTime(2026, 11, 2), parisTime(2026, 11, 3));
    QCOMPARE(generer(ctx.get()), F::entete());

    // The end of today is the bound, not the present moment.
    Client* ceSoir = client(ctx.get(), "Ce soir");
    rental(ceSoir, b, t, parisTime(2026, 11, 2), parisTime(2026, 12, 6, 23, 59, 59), std::nullopt, 500);
    Client* tard = client(ctx.get(), "Tard");
    rental(tard, b, t, parisTime(2026, 11, 2), parisTime(2026, 12, 6, 18, 0), std::nullopt, 500);
    QStringList l = lignes(generer(ctx.get()));
    QCOMPARE(l.filter("SECTION CLIENT"), QStringList({"Ce soir;;;;;;;;;;;;;;SECTION CLIENT",
                                                       "Tard;;;;;;;;;;;;;;SECTION CLIENT"}));
    QCOMPARE(F::finDuJour(kMaintenant, paris()), parisMs(2026, 12, 6, 23, 59, 59));

    // The bounds are instants: placed at 14:00 on the end day is after an end at 10:00.
    auto ctx2 = storeInFolder();
    Client* c = client(ctx2.get(), "Borne");
    TypeDechet* t2 = pricedWasteType(ctx2.get(), "Gravats", 20.0, 100);
    Benne* b2 = colouredSkip(ctx2.get());
    rental(c, b2, t2, parisTime(2026, 6, 30, 14), parisTime(2026, 7, 1), std::nullopt, 500);
    QCOMPARE(generer(ctx2.get(), parisMs(2026, 6, 1), parisMs(2026, 6, 30, 10)), F::entete());
    QVERIFY(generer(ctx2.get(), parisMs(2026, 6, 1), parisMs(2026, 6, 30, 14)).contains("SECTION CLIENT"));
    // Removed before the start: not in the period; a start after the end is not refused.
    QCOMPARE(generer(ctx2.get(), parisMs(2026, 7, 2), parisMs(2026, 8, 1)), F::entete());
    QVERIFY(generer(ctx2.get(), parisMs(2026, 6, 30, 20), parisMs(2026, 6, 30, 15)).contains("SECTION CLIENT"));
}

void TestFacturation::champsEtNettoyage()
{
    auto ctx = storeInFolder();
    auto* grue = new DispositifSpecial(QStringLiteral(" \tGrue;\nhydraulique  "));
    ctx->insert(grue);
    Client* c = client(ctx.get(), "=Durand; Fils\nSA");
    Benne* b = colouredSkip(ctx.get(), 7.9, QStringLiteral("12;34\r\n56"), grue);
    rental(c, b, nullptr, parisTime(2026, 2, 1, 8), parisTime(2026, 2, 2, 9), QStringLiteral("@Zone; 4"), 250, 50, 50);
    const QStringList l = lignes(generer(ctx.get()));
    QCOMPARE(l.size(), 6);
    const QString nom = QStringLiteral("'=Durand, Fils SA");
    QCOMPARE(l[1], nom + ";;;;;;;;;;;;;;SECTION CLIENT");
    // No waste type: empty field, rate 20 from the price breakdown.
    QCOMPARE(l[2], nom + ";'@Zone, 4;7;12,34 56;Grue, hydraulique;;2026-02-01;2026-02-02;1;250,00;100,00;0,00;0,00;100,00;20,00;120,00;");
    QCOMPARE(l[3], nom + ";;;;;;;;;;;100,00;;120,00;SOUS-TOTAL CLIENT (TVA: 20,00)");
    QCOMPARE(l[4], nom + ";;;;;;;;;;;100,00;20,00;120,00;DÉTAIL TVA taux 20,00% – Base: 100,00 / TVA: 20,00");
    for (const QString& x : l.mid(1, 4))
        QCOMPARE(x.count(';'), x.contains("SECTION") || x.contains("TOTAL") || x.contains("DÉTAIL") ? 14 : 16);
}

void TestFacturation::volumesHorsLimites()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Volumes");
    TypeDechet* t = pricedWasteType(ctx.get(), "Gravats", 20.0, 100);
    const QList<double> volumes{10.0, std::nan(""), 1e300, -std::numeric_limits<double>::infinity()};
    for (int i = 0; i < volumes.size(); ++i)
        rental(c, colouredSkip(ctx.get(), volumes[i]), t, parisTime(2026, 1, 1 + i), parisTime(2026, 1, 2 + i), std::nullopt, 100);
    const QStringList l = lignes(generer(ctx.get()));
    QCOMPARE(l[2].section(';', 2, 2), QStringLiteral("10"));
    for (int i = 3; i <= 5; ++i)
        QCOMPARE(l[i].section(';', 2, 2), QString());
}

void TestFacturation::ordreDesClients()
{
    auto ctx = storeInFolder();
    TypeDechet* t = pricedWasteType(ctx.get(), "Gravats", 20.0, 100);
    Benne* b = colouredSkip(ctx.get());
    // Names that compare equal come out by exact name, then by id.
    Client* petit = client(ctx.get(), "martin");
    Client* grand = client(ctx.get(), "Martin");
    Client* z = client(ctx.get(), "Zola");
    Client* a = client(ctx.get(), "Émile");
    Client* jumeau1 = client(ctx.get(), "Martin");
    Client* jumeau2 = client(ctx.get(), "Martin");
    for (Client* c : {petit, grand, z, a, jumeau1, jumeau2})
        rental(c, b, t, parisTime(2026, 5, 1), parisTime(2026, 5, 2), std::nullopt, 100);
    const QStringList sections = lignes(generer(ctx.get())).filter("SECTION CLIENT");
    QStringList noms;
    for (const QString& s : sections)
        noms << s.section(';', 0, 0);
    QCOMPARE(noms, QStringList({"Émile", "Martin", "Martin", "Martin", "martin", "Zola"}));

    // Among the three "Martin", the id decides, whatever the order of the groups given.
    QList<F::Groupe> groupes;
    for (Client* c : {jumeau2, grand, jumeau1})
        groupes.append({c->id(), c->locations()});
    F::trierClients(groupes);
    QVERIFY(groupes[0].first < groupes[1].first);
    QVERIFY(groupes[1].first < groupes[2].first);
}

void TestFacturation::nomDuFichier()
{
    QCOMPARE(F::nomFichier(parisMs(2025, 1, 1), parisMs(2026, 12, 6, 15, 30), paris()),
             QStringLiteral("facturation Kestrovan du 01-01-2025 au 06-12-2026.csv"));
    // A start after the end is written as picked.
    QCOMPARE(F::nomFichier(parisMs(2026, 3, 2), parisMs(2026, 3, 1), paris()),
             QStringLiteral("facturation Kestrovan du 02-03-2026 au 01-03-2026.csv"));
}

namespace {

// A cell as a spreadsheet in French reads it: a number only when it is digits with an optional
// minus sign and a decimal comma, no grouping of any kind (a grouped amount is text, left out of
// sums). The number in cents, or none when the cell is text.
std::optional<qint64> celluleEnCentimes(const QString& cellule)
{
    static const QRegularExpression nombre(QStringLiteral("^(-?)([0-9]+),([0-9]{2})$"));
    const QRegularExpressionMatch m = nombre.match(cellule);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 c = (m.captured(2) + m.captured(3)).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return m.captured(1).isEmpty() ? c : -c;
}

} // namespace

void TestFacturation::lisibleParUnTableur()
{
    // An office of heavy skips and large prices: most amounts and weights run past a thousand.
    auto ctx = storeInFolder();
    TypeDechet* gravats = pricedWasteType(ctx.get(), "Gravats", 20.0, 1450, 2, 95.5, 7, 18.25);
    TypeDechet* bois = pricedWasteType(ctx.get(), "Bois", 5.5, 980.4);
    QList<Client*> clients;
    for (const char* nom : {"Arnaud TP", "Bâtiments Réunis", "Carrières du Nord", "Démolition 2000"})
        clients << client(ctx.get(), QString::fromUtf8(nom));
    qint64 totalTTCduMagasin = 0;
    QList<LocationDeBenne*> facturees;
    for (int i = 0; i < 60; ++i) {
        const QDateTime pose = parisTime(2026, 1, 5).addDays(i * 3);
        LocationDeBenne* l = rental(clients[i % clients.size()], colouredSkip(ctx.get(), 10 + i % 5), i % 3 ? gravats : bois,
                                    pose, pose.addDays(2 + i % 20), std::nullopt, 1200.5 + i * 713.37,
                                    i % 4 ? 0 : 1780.9, i % 4 ? 0 : 640.15, i % 4 ? 0 : 35.5);
        facturees << l;
    }
    for (const LocationDeBenne* l : facturees) {
        const DetailPrix p = l->detailPrix(paris());
        totalTTCduMagasin += *centimes(p.total * (p.tauxTVA / 100 + 1));
    }

    const QStringList l = lignes(generer(ctx.get()));
    int grands = 0;
    qint64 sommeTTC = 0, sommeSousTotaux = 0;
    std::map<QString, qint64> htParClient;
    for (const QString& x : l.mid(1)) {
        if (x.isEmpty())
            continue;
        const QStringList f = x.split(QLatin1Char(';'));
        QList<int> montants;
        if (f.size() == 17)
            montants = {9, 10, 11, 12, 13, 14, 15};
        else if (f[14].startsWith(QStringLiteral("SOUS-TOTAL")))
            montants = {11, 13};
        else if (f[14].startsWith(QStringLiteral("DÉTAIL TVA")))
            montants = {11, 12, 13};
        for (const int i : montants) {
            const std::optional<qint64> c = celluleEnCentimes(f[i]);
            QVERIFY2(c, qPrintable(QStringLiteral("colonne %1 lue comme du texte : « %2 »").arg(i + 1).arg(f[i])));
            if (*c >= 100000)
                ++grands;
        }
        if (f.size() == 17) {
            sommeTTC += *celluleEnCentimes(f[15]);
            htParClient[f[0]] += *celluleEnCentimes(f[13]);
            bool jours = false;
            f[8].toInt(&jours);
            QVERIFY2(jours, qPrintable(x));
        } else if (f[14].startsWith(QStringLiteral("SOUS-TOTAL"))) {
            // A column sum over the client's lines gives its subtotal.
            QCOMPARE(*celluleEnCentimes(f[11]), htParClient[f[0]]);
            sommeSousTotaux += *celluleEnCentimes(f[13]);
        }
    }
    QVERIFY2(grands > 100, qPrintable(QString::number(grands)));
    QCOMPARE(sommeTTC, totalTTCduMagasin);
    QCOMPARE(sommeSousTotaux, totalTTCduMagasin);
}

void TestFacturation::clientsHomonymes()
{
    // Clients of one name: each section says which of them it is, by town, else by street, else
    // by phone; a name of its own stays alone.
    auto ctx = storeInFolder();
    TypeDechet* t = pricedWasteType(ctx.get(), "Gravats", 20.0, 100);
    Benne* b = colouredSkip(ctx.get());
    const QString nom = QStringLiteral("Bernard Démolition");
    QList<Client*> bernards{client(ctx.get(), nom, "Lyon"), client(ctx.get(), nom, "Paris"),
                            client(ctx.get(), nom, "Lyon", "69003", "4 rue Garibaldi"),
                            client(ctx.get(), nom)};
    bernards.last()->setTelephone(QStringLiteral("04 78 00 00 00"));
    // Without a billed rental, it still shares the name: the others say which they are.
    client(ctx.get(), nom, "Villeurbanne");
    Client* seul = client(ctx.get(), "Seul au monde", "Lyon");
    for (Client* c : bernards + QList<Client*>{seul})
        rental(c, b, t, parisTime(2026, 5, 1), parisTime(2026, 5, 2), std::nullopt, 100);

    const QStringList sections = lignes(generer(ctx.get())).filter("SECTION CLIENT");
    QStringList noms;
    for (const QString& x : sections)
        noms << x.section(';', 0, 0);
    QCOMPARE(noms.size(), 5);
    QCOMPARE(QSet<QString>(noms.begin(), noms.end()).size(), 5);
    QVERIFY2(noms.contains(nom + " (Paris)"), qPrintable(noms.join(" | ")));
    QVERIFY2(noms.contains(nom + " (04 78 00 00 00)"), qPrintable(noms.join(" | ")));
    QVERIFY2(noms.contains(nom + " (Lyon · 4 rue Garibaldi)"), qPrintable(noms.join(" | ")));
    QVERIFY(noms.contains(QStringLiteral("Seul au monde")));
    // Every line of a client's block names it the same way, for a spreadsheet's filter.
    for (const QString& x : lignes(generer(ctx.get())))
        if (x.startsWith(nom + ";"))
            QFAIL(qPrintable(x));
}
