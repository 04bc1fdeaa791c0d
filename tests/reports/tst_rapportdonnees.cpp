#include "tests.h"

#include "screenfixtures.h"

#include "reports/rapportdonnees.h"
#include "reports/textesexport.h"

#include <QTest>

#include <cmath>

using namespace kv;
using namespace fixtures;

void TestRapportDonnees::moisEtHomonymes()
{
    auto ctx = storeInFolder();
    Client* a = client(ctx.get(), "Dupont");
    Client* homonyme = client(ctx.get(), "Dupont");
    Benne* b = colouredSkip(ctx.get());
    // The last evening of January in Paris is already February in UTC... and the reverse.
    LocationDeBenne* soir = rental(a, b, nullptr, parisTime(2025, 1, 31, 23, 30));
    LocationDeBenne* matin = rental(a, b, nullptr, parisTime(2025, 1, 1, 0, 15));
    rental(a, b, nullptr, parisTime(2024, 12, 31, 23, 59), parisTime(2025, 1, 10));
    rental(a, b, nullptr, parisTime(2025, 2, 1, 0, 0));
    rental(homonyme, b, nullptr, parisTime(2025, 1, 15));
    LocationDeBenne* memeInstant = rental(a, b, nullptr, parisTime(2025, 1, 31, 23, 30));

    const QList<LocationDeBenne*> attendu{soir, memeInstant, matin};
    QCOMPARE(rapport::locationsDuMois(a, parisMs(2025, 1, 31), paris()), attendu);
    QCOMPARE(rapport::locationsDuMois(a, parisMs(2025, 1, 1), paris()), attendu);
    QCOMPARE(rapport::locationsDuMois(homonyme, parisMs(2025, 1, 20), paris()).size(), 1);
    QCOMPARE(rapport::locationsDuMois(nullptr, parisMs(2025, 1, 20), paris()).size(), 0);
    // Oldest first, same instant in the order given.
    QCOMPARE(rapport::parDatePose(attendu), QList<LocationDeBenne*>({matin, soir, memeInstant}));
    // In New York the evening of the 31st at 23:30 Paris is still January, the 1st at 00:15 is not.
    QCOMPARE(rapport::locationsDuMois(a, parisMs(2025, 1, 15), QTimeZone("America/New_York")).size(), 3);

    ctx->remove(soir);
    QCOMPARE(rapport::locationsDuMois(a, parisMs(2025, 1, 31), paris()).size(), 2);
}

void TestRapportDonnees::libelles()
{
    QCOMPARE(libelleMois(parisMs(2025, 1, 31, 23, 30), paris()), QStringLiteral("janv. 2025"));
    QCOMPARE(libelleMois(parisMs(2025, 8, 1), paris()), QStringLiteral("août 2025"));
    QCOMPARE(jourCourt(parisMs(2024, 12, 5, 9), paris()), QStringLiteral("5 déc."));
    QCOMPARE(texteVolumeM3(7.5), QStringLiteral("7 m³"));
    QCOMPARE(texteVolumeM3(std::nan("")), QStringLiteral("—"));
    QCOMPARE(texteVolumeM3(1e30), QStringLiteral("—"));
    QCOMPARE(champVolume(-0.5), QStringLiteral("0"));
    QCOMPARE(rapport::nomFichierCSVClient("A/B\\C:D", parisMs(2025, 1, 4), paris()),
             QStringLiteral("rapport-A-B-C-D-janv. 2025.csv"));
    QCOMPARE(rapport::nomFichierCSVTousClients(parisMs(2025, 2, 4), paris()), QStringLiteral("rapports-févr. 2025.csv"));
    QCOMPARE(rapport::nomFichierPDF("Dupont", parisMs(2025, 3, 4), paris()), QStringLiteral("Rapport-Dupont-mars 2025.pdf"));
    QCOMPARE(rapport::corpsEmail("Dupont & Fils", parisMs(2025, 3, 4), paris()),
             QStringLiteral("Bonjour Monsieur Dupont & Fils,\n\nVous trouverez en pièce jointe le rapport mensuel "
                            "du mois de mars 2025.\n\nCordialement,"));
    QCOMPARE(rapport::sujetEmail(parisMs(2025, 3, 4), paris()), QStringLiteral("Rapport mensuel mars 2025"));
}

void TestRapportDonnees::champsNettoyes()
{
    QCOMPARE(champCSV("a;b"), QStringLiteral("a,b"));
    QCOMPARE(champCSV("l1\r\nl2\rl3\nl4\u2028l5"), QStringLiteral("l1 l2 l3 l4 l5"));
    QCOMPARE(champCSV("=SOMME(A1)"), QStringLiteral("'=SOMME(A1)"));
    QCOMPARE(champCSV("+33 6"), QStringLiteral("'+33 6"));
    QCOMPARE(champCSV("-5"), QStringLiteral("'-5"));
    QCOMPARE(champCSV("@x"), QStringLiteral("'@x"));
    QCOMPARE(champCSV("\tx"), QStringLiteral("'\tx"));
    // A CR first becomes a space, which is harmless.
    QCOMPARE(champCSV("\r=x"), QStringLiteral(" =x"));
    QCOMPARE(champCSV("a=b"), QStringLiteral("a=b"));
    QCOMPARE(champCSV(QString()), QString());
}

void TestRapportDonnees::csvDUnClient()
{
    auto ctx = storeInFolder();
    Client* c = client(ctx.get(), "Dupont");
    TypeDechet* t = pricedWasteType(ctx.get(), "Gravats\nfins", 20.0);
    const QList<LocationDeBenne*> locs{
        rental(c, colouredSkip(ctx.get(), 7.9), nullptr, parisTime(2025, 1, 20, 23, 30)),
        rental(c, colouredSkip(ctx.get(), 10), t, parisTime(2025, 1, 3, 8), parisTime(2025, 2, 2, 10), QStringLiteral("3 rue A; bât. B")),
        rental(c, colouredSkip(ctx.get(), std::nan("")), t, parisTime(2025, 1, 12, 8), std::nullopt, QStringLiteral("-1 allée")),
    };
    QCOMPARE(rapport::csvClient(locs, paris()),
             QStringLiteral("Date pose;Adresse;Volume (m³);Déchet;Date enlèvement\n"
                            "2025-01-03;3 rue A, bât. B;10;Gravats fins;2025-02-02\n"
                            "2025-01-12;'-1 allée;;Gravats fins;\n"
                            "2025-01-20;;7;;\n"));
    QCOMPARE(rapport::csvClient({}, paris()), QStringLiteral("Date pose;Adresse;Volume (m³);Déchet;Date enlèvement\n"));
}

void TestRapportDonnees::csvTousClients()
{
    auto ctx = storeInFolder();
    Client* petit = client(ctx.get(), "alpha");
    Client* grand = client(ctx.get(), "Zeta; SA");
    Client* accent = client(ctx.get(), "Élan");
    Client* decompose = client(ctx.get(), QString::fromUtf8("E\u0301lan"));
    TypeDechet* t = pricedWasteType(ctx.get(), "Bois", 20.0);
    rental(petit, colouredSkip(ctx.get(), 7.9), t, parisTime(2025, 1, 20), parisTime(2025, 2, 3), QStringLiteral("1 rue; A"));
    rental(grand, colouredSkip(ctx.get(), 10), nullptr, parisTime(2025, 1, 9));
    rental(grand, colouredSkip(ctx.get(), 10), nullptr, parisTime(2025, 1, 2));
    rental(decompose, colouredSkip(ctx.get(), 3), nullptr, parisTime(2025, 1, 5));
    rental(accent, colouredSkip(ctx.get(), 3), nullptr, parisTime(2025, 1, 4));
    rental(petit, colouredSkip(ctx.get(), 5), nullptr, parisTime(2025, 2, 1));

    const QString attendu = QStringLiteral(
        "Client;Date pose;Adresse;Volume m3;Déchet;Date enlèvement\n"
        "Zeta, SA;02/01/2025;;10;;\n"
        "Zeta, SA;09/01/2025;;10;;\n"
        "alpha;20/01/2025;1 rue, A;7;Bois;03/02/2025\n");
    const QString texte = rapport::csvTousClients(ctx.get(), parisMs(2025, 1, 17), paris(), QLocale("fr_FR"));
    // Canonically equivalent names are one name: their rentals go by date between them.
    QStringList l = texte.split('\n');
    QCOMPARE(l.size(), 6);
    QCOMPARE(l.mid(0, 4).join('\n') + '\n', attendu);
    QVERIFY(l[4].startsWith(QStringLiteral("Élan;04/01/2025")));
    QVERIFY(l[5].startsWith(QString::fromUtf8("E\u0301lan;05/01/2025")));
    QVERIFY(!texte.endsWith('\n'));
    QCOMPARE(rapport::csvTousClients(ctx.get(), parisMs(2030, 1, 1), paris()),
             QStringLiteral("Client;Date pose;Adresse;Volume m3;Déchet;Date enlèvement"));
}

void TestRapportDonnees::fichiersDesHomonymes()
{
    // Look-alike clients' report files differ by what tells them apart, whole even when the
    // name is cut to fit a file system; a name of its own is written alone.
    auto ctx = storeInFolder();
    const QString longNom = QStringLiteral("Démolitions/Éléments <b>réunis</b> ").repeated(10).left(300);
    Client* lyon = client(ctx.get(), longNom, "Lyon");
    Client* aParis = client(ctx.get(), longNom, "Paris/Île\nde-France");
    Client* tel = client(ctx.get(), longNom);
    tel->setTelephone(QStringLiteral("06 12 34 56 78"));
    Client* seul = client(ctx.get(), "Dupont", "Lyon");
    const NomsDeClients noms(ctx.get());
    QCOMPARE(noms.distinction(seul), QString());
    QCOMPARE(noms.nom(seul), QStringLiteral("Dupont"));
    QCOMPARE(rapport::nomFichierPDF(seul->nom(), parisMs(2025, 3, 4), paris(), noms.distinction(seul)),
             QStringLiteral("Rapport-Dupont-mars 2025.pdf"));
    QSet<QString> vus;
    for (Client* c : {lyon, aParis, tel}) {
        for (const QString& f : {rapport::nomFichierPDF(c->nom(), parisMs(2025, 3, 4), paris(), noms.distinction(c)),
                                 rapport::nomFichierCSVClient(c->nom(), parisMs(2025, 3, 4), paris(), noms.distinction(c))}) {
            QVERIFY2(f.toUtf8().size() <= 255, qPrintable(f));
            QVERIFY2(f.endsWith(QStringLiteral("-mars 2025.pdf")) || f.endsWith(QStringLiteral("-mars 2025.csv")), qPrintable(f));
            QVERIFY2(!f.contains(QLatin1Char('/')) && !f.contains(QLatin1Char('\0')), qPrintable(f));
            for (const QChar ch : f)
                QVERIFY2(ch.category() != QChar::Other_Control, qPrintable(f));
            QVERIFY2(!vus.contains(f), qPrintable(f));
            vus.insert(f);
        }
    }
    QVERIFY(rapport::nomFichierPDF(lyon->nom(), parisMs(2025, 3, 4), paris(), noms.distinction(lyon))
                .endsWith(QStringLiteral(" (Lyon)-mars 2025.pdf")));
    QVERIFY(rapport::nomFichierPDF(tel->nom(), parisMs(2025, 3, 4), paris(), noms.distinction(tel))
                .endsWith(QStringLiteral(" (06 12 34 56 78)-mars 2025.pdf")));
}
