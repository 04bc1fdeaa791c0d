// The figures of every statistic, from plain lists, with a fixed clock and time zone.
#include "tests.h"

#include "screenfixtures.h"

#include "stats/statsfigures.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace kv::stats;
using namespace fixtures;

namespace {

const QChar fine(0x202F);

QString f(const char* texte)
{
    // The narrow no-break space written as "_" in the expected texts below, the no-break space
    // that keeps a count with its noun as "~".
    return QString::fromUtf8(texte).replace(QLatin1Char('_'), fine).replace(QLatin1Char('~'), QChar(0x00A0));
}

LocationDeBenneStat rangee(qint64 pose, const QString& libelle, std::optional<QString> couleur = std::nullopt)
{
    return {pose, libelle, std::move(couleur)};
}

double luminosite(const QColor& c)
{
    return c.valueF();
}

} // namespace

void TestFigures::moisEtAnnees()
{
    const QTimeZone z = paris();
    const CalendrierMois cal(z, parisMs(2024, 1, 1), parisMs(2025, 12, 31));
    // Months are taken in the user's time zone: 00:30 on the 1st belongs to that month though it
    // is still the previous day in UTC, 23:30 on 31 December to December.
    QCOMPARE(cal.moisDe(parisMs(2024, 3, 1, 0, 30)), (AnneeMois{2024, 3}));
    QCOMPARE(cal.moisDe(parisMs(2024, 2, 29, 23, 59, 59)), (AnneeMois{2024, 2}));
    QCOMPARE(cal.moisDe(parisMs(2024, 12, 31, 23, 30)), (AnneeMois{2024, 12}));
    QCOMPARE(cal.moisDe(parisMs(2025, 1, 1, 0, 30)), (AnneeMois{2025, 1}));
    QCOMPARE(cal.debutDuMois(parisMs(2024, 10, 27, 12)), parisMs(2024, 10, 1));
    // Outside the table the answer is the same, only slower.
    QCOMPARE(cal.moisDe(parisMs(1999, 7, 14, 12)), (AnneeMois{1999, 7}));
    QCOMPARE(cal.debutDuMois(parisMs(2031, 5, 9, 3)), parisMs(2031, 5, 1));

    QCOMPARE(anneesDe({parisMs(2025, 3, 1), parisMs(2023, 6, 1), parisMs(2025, 1, 1), parisMs(2024, 12, 31, 23, 30)}, z),
             (QList<int>{2023, 2024, 2025}));
    QCOMPARE(anneesDe({}, z), QList<int>());

    QCOMPARE(pourcentage(3, 4), 75);
    QCOMPARE(pourcentage(1, 3), 33);
    QCOMPARE(pourcentage(2, 3), 66);
    QCOMPARE(pourcentage(0, 0), 0);

    QCOMPARE(volumeTronque(7.5), QStringLiteral("7"));
    QCOMPARE(volumeArrondi(7.5), QStringLiteral("8 m³"));
    QCOMPARE(volumeArrondi(10.4), QStringLiteral("10 m³"));
    QCOMPARE(volumeTronque(std::nan("")), QStringLiteral("—"));
    QCOMPARE(volumeTronque(std::numeric_limits<double>::infinity()), QStringLiteral("—"));
    QCOMPARE(volumeTronque(1e19), QStringLiteral("—"));
    QCOMPARE(volumeArrondi(-std::numeric_limits<double>::infinity()), QStringLiteral("— m³"));
    QCOMPARE(volumeTronque(9.2e18), QStringLiteral("9200000000000000000"));
}

void TestFigures::saisonnalite()
{
    const QTimeZone z = paris();
    // Placements: two in March, two in May, one in January; one in 2023; a removal in a later
    // month plays no part.
    const QList<qint64> dates = {parisMs(2024, 1, 10), parisMs(2024, 3, 2), parisMs(2024, 3, 30), parisMs(2024, 5, 5),
                                 parisMs(2024, 5, 6), parisMs(2023, 8, 1), parisMs(2024, 12, 31, 23, 30)};
    const QList<StatsLocationMois> serie = statsParMois(dates, 2024, z);
    QCOMPARE(serie.size(), 12);
    QStringList labels;
    QList<qint64> nombres;
    for (const StatsLocationMois& m : serie) {
        labels.append(m.mois);
        nombres.append(m.nombre);
        QCOMPARE(m.annee, 2024);
    }
    QCOMPARE(labels, QString::fromUtf8("Jan Fév Mar Avr Mai Juin Juil Aoû Sep Oct Nov Déc").split(' '));
    QCOMPARE(nombres, (QList<qint64>{1, 0, 2, 0, 2, 0, 0, 0, 0, 0, 0, 1}));

    // Ties go to the earliest month: March beats May, February beats every later empty month.
    const auto pc = picCreux(serie);
    QVERIFY(pc);
    QCOMPARE(pc->pic.mois, QStringLiteral("Mar"));
    QCOMPARE(pc->creux.mois, QString::fromUtf8("Fév"));
    QCOMPARE(textePic(pc->pic), f("Pic_: Mar (2)"));
    QCOMPARE(texteCreux(pc->creux), f("Creux_: Fév (0)"));

    // A year without rentals: twelve zeros, January both busiest and quietest.
    const QList<StatsLocationMois> vide = statsParMois({}, 2026, z);
    QCOMPARE(vide.size(), 12);
    const auto pcVide = picCreux(vide);
    QCOMPARE(textePic(pcVide->pic), f("Pic_: Jan (0)"));
    QCOMPARE(texteCreux(pcVide->creux), f("Creux_: Jan (0)"));

    // The picker offers the rentals' years plus the selected one, so one past year can be seen.
    QCOMPARE(anneesSaisonnalite({parisMs(2024, 4, 1)}, 2026, z), (QList<int>{2024, 2026}));
    QCOMPARE(anneesSaisonnalite({parisMs(2026, 4, 1)}, 2026, z), (QList<int>{2026}));
    QCOMPARE(anneesSaisonnalite({}, 2026, z), (QList<int>{2026}));
    QCOMPARE(anneesSaisonnalite(dates, 2024, z), (QList<int>{2023, 2024}));
}

void TestFigures::volumesEtCouleurs()
{
    // 15, 7.5 and 10 m³: by volume, smallest first, blue, red, green.
    const QList<StatsVolumeLoue> rows = statsParVolume({15, 7.5, 10, 10, 10, 15});
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].volume, 7.5);
    QCOMPARE(rows[1].volume, 10.0);
    QCOMPARE(rows[2].volume, 15.0);
    QCOMPARE(rows[1].nbLocations, 3);
    QCOMPARE(couleurPourVolume(rows, 7.5), paletteVolumes()[0]);
    QCOMPARE(couleurPourVolume(rows, 10), paletteVolumes()[1]);
    QCOMPARE(couleurPourVolume(rows, 15), paletteVolumes()[2]);
    QCOMPARE(couleurPourVolume(rows, 20), grisSysteme());
    QCOMPARE(paletteVolumes()[0], QColor(0, 122, 255));

    // "10 m³ : 3 locations (75 %)" for 3 of 4; 7.5 truncated in the legend.
    QCOMPARE(ligneLegendeVolume({10, 3}, 4), f("10 m³_: 3~locations (75_%)"));
    QCOMPARE(ligneLegendeVolume({7.5, 1}, 1), f("7 m³_: 1~location (100_%)"));
    QCOMPARE(ligneLegendeVolume({10, 2}, 2), f("10 m³_: 2~locations (100_%)"));
    QCOMPARE(ligneLegendeVolume({5, 1}, 3), f("5 m³_: 1~location (33_%)"));
    QCOMPARE(ligneLegendeVolume({std::nan(""), 1}, 3), f("— m³_: 1~location (33_%)"));

    // Nine volumes: the ninth is blue again.
    const QList<StatsVolumeLoue> neuf = statsParVolume({1, 2, 3, 4, 5, 6, 7, 8, 9});
    QCOMPARE(couleurPourVolume(neuf, 9), paletteVolumes()[0]);
    QCOMPARE(couleurPourVolume(neuf, 8), paletteVolumes()[7]);

    // Volumes that are not numbers group together, after every number, without upsetting the
    // others.
    const double nan = std::nan("");
    const QList<StatsVolumeLoue> avecNan = statsParVolume({nan, 10, nan, 5, -0.0, 0.0});
    QCOMPARE(avecNan.size(), 4);
    QCOMPARE(avecNan[0].volume, 0.0);
    QCOMPARE(avecNan[0].nbLocations, 2);
    QCOMPARE(avecNan[2].volume, 10.0);
    QVERIFY(std::isnan(avecNan[3].volume));
    QCOMPARE(avecNan[3].nbLocations, 2);

    // Colours: exactly as stored, most rentals first, then by text; upper-cased when shown.
    const QList<StatsCouleurLoue> couleurs =
        statsParCouleur({QStringLiteral("ff0000"), QStringLiteral("FF0000"), QStringLiteral("#1e90ff"),
                         QStringLiteral("#1e90ff"), QStringLiteral("vert"), QStringLiteral("FF0000")});
    QCOMPARE(couleurs.size(), 4);
    QCOMPARE(couleurs[0].couleurHex, QStringLiteral("#1e90ff"));
    QCOMPARE(couleurs[1].couleurHex, QStringLiteral("FF0000"));
    QCOMPARE(couleurs[2].couleurHex, QStringLiteral("ff0000"));
    QCOMPARE(couleurs[3].couleurHex, QStringLiteral("vert"));
    QCOMPARE(ligneLegendeCouleur({QStringLiteral("#1e90ff"), 2}, 4),
             QStringLiteral("#1E90FF %1 (2, 50%)").arg(kv::nomCouleur(QStringLiteral("#1e90ff"))));
    QCOMPARE(ligneLegendeCouleur({QStringLiteral("ff0000"), 1}, 3), QStringLiteral("FF0000 rouge (1, 33%)"));
    QCOMPARE(ligneLegendeCouleur({QStringLiteral("vert"), 1}, 3), QStringLiteral("VERT (1, 33%)"));
    QCOMPARE(couleurOuGris(QStringLiteral("ff0000")), QColor(255, 0, 0));
    QCOMPARE(couleurOuGris(QStringLiteral("FF0000")), QColor(255, 0, 0));
    QCOMPARE(couleurOuGris(QStringLiteral("rouge")), grisSysteme());
    QVERIFY(statsParCouleur({}).isEmpty());
    QVERIFY(statsParVolume({}).isEmpty());
}

void TestFigures::typesDechet()
{
    const QTimeZone z = paris();
    const QList<LocationDeBenneStat> rows = {
        rangee(parisMs(2023, 5, 2), QStringLiteral("Gravats"), QStringLiteral("8B4513")),
        rangee(parisMs(2025, 1, 8), QStringLiteral("Bois")),
        rangee(parisMs(2024, 3, 1, 0, 30), QStringLiteral("Gravats"), QStringLiteral("8B4513")),
        rangee(parisMs(2024, 3, 20), QStringLiteral("Gravats"), QStringLiteral("111111")),
        rangee(parisMs(2024, 4, 2), QStringLiteral("Gravats"), QStringLiteral("8B4513")),
        rangee(parisMs(2024, 3, 9), QStringLiteral("Plâtre"), QStringLiteral("ABCDE")),
    };
    QCOMPARE(anneesTypes(rows, z), (QList<int>{2023, 2024, 2025}));
    QCOMPARE(anneesTypes({}, z), QList<int>());
    QCOMPARE(locationsFiltrees(rows, std::nullopt, z).size(), rows.size());
    const QList<LocationDeBenneStat> de2024 = locationsFiltrees(rows, 2024, z);
    QCOMPARE(de2024.size(), 4);

    // 3 then 1 bars; one label with two colours is one bar with the first row's colour.
    const QList<StatsTypeDechet> barres = statsParType(de2024);
    QCOMPARE(barres.size(), 2);
    QCOMPARE(barres[0].libelle, QStringLiteral("Gravats"));
    QCOMPARE(barres[0].nbLocations, 3);
    QCOMPARE(barres[0].couleur, std::optional<QString>(QStringLiteral("8B4513")));
    QCOMPARE(barres[1].libelle, QString::fromUtf8("Plâtre"));
    QCOMPARE(barres[1].nbLocations, 1);

    // Equal counts stand by label, the same at every run.
    const QList<StatsTypeDechet> egaux =
        statsParType({rangee(1, QStringLiteral("Verre")), rangee(2, QStringLiteral("Bois")), rangee(3, QStringLiteral("Carton"))});
    QCOMPARE(egaux[0].libelle, QStringLiteral("Bois"));
    QCOMPARE(egaux[1].libelle, QStringLiteral("Carton"));
    QCOMPARE(egaux[2].libelle, QStringLiteral("Verre"));

    // The evolution: month starts in Paris (00:30 on 1 March counts for March), points of one
    // month by label, then in the order of their first rows; one series per label with two
    // points in March, coloured like its earliest rental.
    const QList<StatsTimelineTypeDechet> points = statsTimeline(de2024, z);
    QCOMPARE(points.size(), 4);
    QCOMPARE(points[0].mois, parisMs(2024, 3, 1));
    QCOMPARE(points[0].libelle, QStringLiteral("Gravats"));
    QCOMPARE(points[0].couleur, std::optional<QString>(QStringLiteral("8B4513")));
    QCOMPARE(points[1].couleur, std::optional<QString>(QStringLiteral("111111")));
    QCOMPARE(points[2].libelle, QString::fromUtf8("Plâtre"));
    QCOMPARE(points[3].mois, parisMs(2024, 4, 1));
    // Rows in any order, as the store keeps them: the same bars, colours and points.
    QList<LocationDeBenneStat> desordre = de2024;
    std::rotate(desordre.begin(), desordre.begin() + 1, desordre.end());
    QCOMPARE(statsParType(desordre)[0].couleur, barres[0].couleur);
    QCOMPARE(statsTimeline(desordre, z)[0].couleur, points[0].couleur);
    const QList<SerieTypeDechet> series = seriesTimeline(points);
    QCOMPARE(series.size(), 2);
    QCOMPARE(series[0].libelle, QStringLiteral("Gravats"));
    QCOMPARE(series[0].points.size(), 3);
    QCOMPARE(series[0].couleur, std::optional<QString>(QStringLiteral("8B4513")));

    // No colour: the light grey D1D5DB; an unreadable colour: the system grey.
    QCOMPARE(couleurTypeDechet(std::nullopt), QColor(0xD1, 0xD5, 0xDB));
    QCOMPARE(couleurTypeDechet(QStringLiteral("ABCDE")), grisSysteme());
    QVERIFY(grisSysteme() != QColor(0xD1, 0xD5, 0xDB));
    QCOMPARE(couleurTypeDechet(QStringLiteral("#8b4513")), QColor(0x8B, 0x45, 0x13));
    QVERIFY(statsTimeline({}, z).isEmpty());
}

void TestFigures::occupation()
{
    const qint64 maintenant = parisMs(2026, 6, 15, 8);
    // Ten skips, four out: one still on site, one removed at this very instant, one with two
    // overlapping rentals, one placed at this very instant; the others back, not yet placed, or
    // never rented.
    QList<QList<Periode>> bennes = {
        {{parisMs(2026, 6, 1), std::nullopt}},
        {{parisMs(2026, 6, 1), maintenant}},
        {{parisMs(2026, 6, 1), std::nullopt}, {parisMs(2026, 6, 10), parisMs(2026, 6, 20)}},
        {{maintenant, std::nullopt}},
        {{parisMs(2026, 6, 1), maintenant - 1}},
        {{maintenant + 1, std::nullopt}},
        {}, {}, {}, {},
    };
    const Occupation o = kv::stats::occupation(bennes, maintenant);
    QCOMPARE(o.enCirculation, 4);
    QCOMPARE(o.enStock(), 6);
    QCOMPARE(tauxTexte(o), f("Taux d’occupation_: 40_% (4/10)"));
    QCOMPARE(ligneLegendeOccupation(QStringLiteral("En circulation"), 4, 10), f("En circulation_: 4 (40_%)"));
    QCOMPARE(ligneLegendeOccupation(QStringLiteral("En stock"), 6, 10), f("En stock_: 6 (60_%)"));

    // One of three: 33 and 66, truncated.
    const Occupation tiers = kv::stats::occupation({{{0, std::nullopt}}, {}, {}}, 10);
    QCOMPARE(tiers.taux(), 33);
    QCOMPARE(ligneLegendeOccupation(QStringLiteral("En stock"), tiers.enStock(), 3), f("En stock_: 2 (66_%)"));

    // Placed today at 08:00: in stock at 07:59, out from 08:00.
    const QList<QList<Periode>> une = {{{parisMs(2026, 6, 15, 8), std::nullopt}}};
    QCOMPARE(kv::stats::occupation(une, parisMs(2026, 6, 15, 7, 59)).enCirculation, 0);
    QCOMPARE(kv::stats::occupation(une, parisMs(2026, 6, 15, 8)).enCirculation, 1);

    // No skip at all.
    const Occupation vide = kv::stats::occupation({}, maintenant);
    QCOMPARE(tauxTexte(vide), f("Taux d’occupation_: 0_% (0/0)"));
    QCOMPARE(ligneLegendeOccupation(QStringLiteral("En circulation"), 0, 0), f("En circulation_: 0 (0_%)"));
}

void TestFigures::clientsInactifs()
{
    const QTimeZone z = paris();
    const qint64 ref = parisMs(2026, 6, 15, 10);
    const qint64 cutoff = parisMs(2025, 12, 15, 10); // six months before
    auto client = [](const QString& nom, QList<Periode> locations, QString tel = QStringLiteral("0102030405"),
                     std::optional<QString> email = std::nullopt) {
        return ClientActivite{QUuid::createUuid(), nom, QStringLiteral("00FF00"), tel, email, std::move(locations)};
    };
    // In the order of the clients' list (by name).
    const QList<ClientActivite> clients = {
        client(QStringLiteral("Alpha"), {}),
        client(QStringLiteral("Bravo"), {{parisMs(2025, 9, 1), cutoff}}),             // on the cutoff: active
        client(QStringLiteral("Charlie"), {{parisMs(2025, 9, 1), cutoff - 1000}}),    // one second before
        client(QStringLiteral("Delta"), {{parisMs(2024, 1, 1), std::nullopt}}),       // still on site
        client(QStringLiteral("Echo"), {{parisMs(2025, 1, 1), parisMs(2025, 1, 10)}, {parisMs(2025, 7, 1), parisMs(2025, 7, 20, 10)}}),
        client(QString::fromUtf8("Écluse"), {}),
        client(QStringLiteral("Foxtrot"), {{parisMs(2025, 7, 1), parisMs(2025, 7, 20, 10)}}), // same day as Echo
        client(QStringLiteral("beta"), {}),
        client(QStringLiteral("Futur"), {{parisMs(2026, 9, 1), parisMs(2026, 9, 5)}}),
    };
    const QList<LigneClientInactif> rows = kv::stats::clientsInactifs(clients, 6, true, ref, z);
    QStringList noms;
    for (const LigneClientInactif& r : rows)
        noms.append(r.nom);
    // Never rented first, in character-code order (upper case, then lower case, then accents),
    // then the longest inactive; equal days keep the list's order.
    QCOMPARE(noms, (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"), QString::fromUtf8("Écluse"),
                                QStringLiteral("Echo"), QStringLiteral("Foxtrot"), QStringLiteral("Charlie")}));
    QVERIFY(!rows[0].lastActivity && !rows[0].daysSinceLast);
    QCOMPARE(rows[0].nbLocations12m, 0);
    QCOMPARE(rows[3].lastActivity, std::optional<qint64>(parisMs(2025, 7, 20, 10)));
    QCOMPARE(rows[3].daysSinceLast, std::optional<qint64>(330));
    QCOMPARE(rows[3].nbLocations12m, 1);
    // Whole calendar days, the change to summer time included.
    QCOMPARE(rows[5].daysSinceLast, std::optional<qint64>(182));

    QCOMPARE(ligneInformation(rows[0], ref, z), QStringLiteral("Aucune location à ce jour"));
    QCOMPARE(ligneInformation(rows[3], ref, z),
             QString::fromUtf8("Dernière activité : il y a 10 mois • Locations (12 mois) : 1"));

    // Without the never-rented clients; with three months, a client five months back shows its
    // rentals of the last twelve months.
    QCOMPARE(kv::stats::clientsInactifs(clients, 6, false, ref, z).size(), 3);
    const QList<ClientActivite> recent = {client(QStringLiteral("Golf"), {{parisMs(2025, 1, 1), parisMs(2025, 1, 5)},
                                                                           {parisMs(2025, 12, 1), parisMs(2026, 1, 10)},
                                                                           {parisMs(2025, 6, 20), parisMs(2025, 6, 30)}})};
    const QList<LigneClientInactif> trois = kv::stats::clientsInactifs(recent, 3, true, ref, z);
    QCOMPARE(trois.size(), 1);
    QCOMPARE(trois[0].nbLocations12m, 2);
    QVERIFY(kv::stats::clientsInactifs(recent, 6, true, ref, z).isEmpty());

    // The phone shows unless blank, and keeps its spaces; the e-mail unless absent or blank.
    QVERIFY(!telephoneVisible(QStringLiteral("   ")));
    QVERIFY(!telephoneVisible(QString::fromUtf8(" \u00A0\n")));
    QVERIFY(telephoneVisible(QStringLiteral(" 01 02 ")));
    QVERIFY(!emailVisible(std::nullopt));
    QVERIFY(!emailVisible(QStringLiteral("  ")));
    QVERIFY(emailVisible(QStringLiteral("a@b.fr")));
}

void TestFigures::texteRelatif()
{
    const QTimeZone z = paris();
    const qint64 ref = parisMs(2026, 6, 15, 10);
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 1, 15, 10), ref, z), QStringLiteral("il y a 5 mois"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2025, 6, 15, 10), ref, z), QStringLiteral("il y a 1 an"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2025, 6, 15, 10, 0, 1), ref, z), QStringLiteral("il y a 11 mois"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2023, 6, 15, 9), ref, z), QStringLiteral("il y a 3 ans"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 5, 15, 10), ref, z), QStringLiteral("il y a 1 mois"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 5, 15, 10, 0, 1), ref, z), QStringLiteral("il y a 4 semaines"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 6, 8, 10), ref, z), QStringLiteral("il y a 1 semaine"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 6, 8, 10, 0, 1), ref, z), QStringLiteral("il y a 6 jours"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 6, 14, 10), ref, z), QStringLiteral("il y a 1 jour"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 6, 14, 10, 0, 1), ref, z), QStringLiteral("il y a 23 heures"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 6, 15, 9, 0, 1), ref, z), QStringLiteral("il y a 59 minutes"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 6, 15, 9, 59, 59), ref, z), QStringLiteral("il y a 1 seconde"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 6, 17, 10), ref, z), QStringLiteral("dans 2 jours"));
    QCOMPARE(kv::stats::texteRelatif(parisMs(2027, 6, 15, 10), ref, z), QStringLiteral("dans 1 an"));
    QCOMPARE(kv::stats::texteRelatif(ref, ref, z), QStringLiteral("maintenant"));
    // Across the change to summer time a calendar day is still one day.
    QCOMPARE(kv::stats::texteRelatif(parisMs(2026, 3, 28, 12), parisMs(2026, 3, 29, 12), z), QStringLiteral("il y a 1 jour"));
}

void TestFigures::rendement()
{
    const QTimeZone z = paris();
    // Three skips of 10 m³ rented 12 times in 2024 and 3 times in 2025; one of 20 m³ rented 6
    // times in 2024.
    const QList<double> bennes = {10, 10, 10, 20};
    QList<LocationVolume> locations;
    for (int i = 0; i < 12; ++i)
        locations.append({10, parisMs(2024, 1 + i % 6, 3)});
    for (int i = 0; i < 3; ++i)
        locations.append({10, parisMs(2025, 2, 3)});
    for (int i = 0; i < 6; ++i)
        locations.append({20, parisMs(2024, 3, 10)});

    const QList<StatsRendementVolume> toutes = calculerRendementParVolume(bennes, locations);
    QCOMPARE(toutes.size(), 2);
    QCOMPARE(toutes[0].volume, 20.0);
    QCOMPARE(toutes[0].rendement(), 6.0);
    QCOMPARE(toutes[1].rendement(), 5.0);
    const QList<StatsRendementVolume> de2024 = calculerRendementParVolume(bennes, locationsDeLAnnee(locations, 2024, z));
    QCOMPARE(de2024[0].volume, 20.0);
    QCOMPARE(de2024[1].rendement(), 4.0);
    QCOMPARE(ligneDetailRendement(de2024[1]), f("• 10 m³_: 12~locations, 3~bennes (4.0 loc/benne)"));
    QCOMPARE(locationsDeLAnnee(locations, std::nullopt, z).size(), locations.size());

    // The monthly points: by month, then volume; six rentals of three 10 m³ skips in March 2024
    // stand at 2.0.
    QList<LocationVolume> mars;
    for (int i = 0; i < 6; ++i)
        mars.append({10, parisMs(2024, 3, 1 + i)});
    mars.append({20, parisMs(2024, 1, 31, 23, 30)});
    mars.append({15, parisMs(2024, 3, 2)});
    const QList<StatsRendementVolumeMois> points = calculerRendementParVolumeMois(bennes, mars, z);
    QCOMPARE(points.size(), 3);
    QCOMPARE(points[0].mois, parisMs(2024, 1, 1));
    QCOMPARE(points[1].mois, parisMs(2024, 3, 1));
    QCOMPARE(points[1].volume, 10.0);
    QCOMPARE(points[1].rendement(), 2.0);
    QCOMPARE(points[2].volume, 15.0);
    QCOMPARE(points[2].nbBennes, 0); // no skip of that volume: yield 0
    QCOMPARE(points[2].rendement(), 0.0);
    QCOMPARE(volumesSeries(points), (QList<double>{10, 15, 20}));

    // No rentals: bars of 0.0, all as bright as the lowest yield.
    const QList<StatsRendementVolume> zero = calculerRendementParVolume({10, 10, 10, 15, 15}, {});
    QCOMPARE(zero.size(), 2);
    QCOMPARE(zero[0].volume, 10.0); // equal yields: smallest volume first
    QCOMPARE(ligneDetailRendement(zero[0]), f("• 10 m³_: 0~locations, 3~bennes (0.0 loc/benne)"));
    QCOMPARE(luminosite(couleurBarre(0, 0, 0)), 1.0);
    QVERIFY(qAbs(luminosite(couleurBarre(6, 4, 6)) - 0.9) < 0.01);
    QCOMPARE(luminosite(couleurBarre(4, 4, 6)), 1.0);

    // 10.0 and 10.000001 are two volumes; a volume that is not a number never crashes.
    const QList<StatsRendementVolume> proches = calculerRendementParVolume({10.0, 10.000001}, {{10.0, 1}});
    QCOMPARE(proches.size(), 2);
    QCOMPARE(volumeArrondi(proches[0].volume), volumeArrondi(proches[1].volume));
    const double nan = std::nan("");
    const QList<StatsRendementVolume> avecNan = calculerRendementParVolume({nan, 10}, {{nan, 1}, {nan, 1}});
    QCOMPARE(avecNan.size(), 2);
    QVERIFY(std::isnan(avecNan[0].volume));
    QCOMPARE(avecNan[0].nbLocations, 2);
    QCOMPARE(ligneDetailRendement(avecNan[0]), f("• — m³_: 2~locations, 1~bennes (2.0 loc/benne)"));
    QVERIFY(calculerRendementParVolume({}, locations).isEmpty());
}

void TestFigures::courbe()
{
    QList<QPointF> points;
    const QList<double> ys = {0, 3, 1, 1, 8, 0, 0, 2, 5, 4, 0, 1};
    for (int i = 0; i < ys.size(); ++i)
        points.append(QPointF(i / 11.0, ys[i] / 8.0));
    const QList<QPointF> courbe = courbeMonotone(points, 16);
    QCOMPARE(courbe.size(), 11 * 16 + 1);
    // Through every point, in order, and smooth in between (x always increasing here).
    for (int i = 0; i < points.size(); ++i)
        QCOMPARE(courbe[i * 16], points[i]);
    for (int i = 1; i < courbe.size(); ++i)
        QVERIFY(courbe[i].x() > courbe[i - 1].x());
    // Between two points the curve stays between them: never under zero after a peak, never
    // above the higher one, flat between two equal months.
    for (int i = 0; i + 1 < points.size(); ++i)
        for (int s = 0; s <= 16; ++s) {
            const double y = courbe[i * 16 + s].y();
            QVERIFY2(y >= std::min(points[i].y(), points[i + 1].y()) - 1e-12
                         && y <= std::max(points[i].y(), points[i + 1].y()) + 1e-12,
                     qPrintable(QStringLiteral("month %1, sample %2: %3").arg(i).arg(s).arg(y)));
        }
    // Two points: a straight line.
    QCOMPARE(courbeMonotone({QPointF(0, 0), QPointF(1, 1)}).size(), 2);
}
