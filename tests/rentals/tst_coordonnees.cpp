#include "tests.h"

#include "rentals/coordonnees.h"

#include <QTest>

#include <cmath>

using namespace kv;

Q_DECLARE_METATYPE(std::optional<double>)

void CoordonneesTest::readsWholeCTexts_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<std::optional<double>>("attendu");
    QTest::newRow("point") << "46.5" << std::optional<double>(46.5);
    QTest::newRow("negative") << "-1.25" << std::optional<double>(-1.25);
    QTest::newRow("plus sign") << "+2.5" << std::optional<double>(2.5);
    QTest::newRow("exponent") << "1e2" << std::optional<double>(100);
    QTest::newRow("no leading digit") << ".5" << std::optional<double>(0.5);
    QTest::newRow("trailing point") << "3." << std::optional<double>(3);
    QTest::newRow("hexadecimal") << "0x10" << std::optional<double>(16);
    QTest::newRow("comma") << "46,5" << std::optional<double>();
    QTest::newRow("leading blank") << " 46.5" << std::optional<double>();
    QTest::newRow("trailing blank") << "46.5 " << std::optional<double>();
    QTest::newRow("tab") << "\t1" << std::optional<double>();
    QTest::newRow("empty") << "" << std::optional<double>();
    QTest::newRow("two signs") << "+-1" << std::optional<double>();
    QTest::newRow("sign alone") << "-" << std::optional<double>();
    QTest::newRow("letters after") << "12abc" << std::optional<double>();
    QTest::newRow("two points") << "1.234.5" << std::optional<double>();
}

void CoordonneesTest::readsWholeCTexts()
{
    QFETCH(QString, texte);
    QFETCH(std::optional<double>, attendu);
    QCOMPARE(lireDoubleC(texte), attendu);

    // inf and nan read as numbers, as strtod reads them; they are refused later.
    QVERIFY(std::isinf(*lireDoubleC("inf")));
    QVERIFY(std::isinf(*lireDoubleC("-Infinity")));
    QVERIFY(std::isnan(*lireDoubleC("nan")));
    QVERIFY(std::isinf(*lireDoubleC("1e999")));
    QCOMPARE(*lireDoubleC("1e-999"), 0.0);
}

void CoordonneesTest::typedCoordinate_data()
{
    QTest::addColumn<QString>("lat");
    QTest::addColumn<QString>("lon");
    QTest::addColumn<bool>("present");
    QTest::newRow("plain") << "46.5" << "2.25" << true;
    QTest::newRow("limits") << "90" << "180" << true;
    QTest::newRow("negative limits") << "-90" << "-180" << true;
    QTest::newRow("latitude beyond") << "90.0001" << "0" << false;
    QTest::newRow("longitude beyond") << "0" << "-180.5" << false;
    QTest::newRow("comma") << "46,5" << "2.25" << false;
    QTest::newRow("blank") << "46.5 " << "2.25" << false;
    QTest::newRow("empty") << "" << "" << false;
    QTest::newRow("half") << "46.5" << "" << false;
    QTest::newRow("infinite") << "inf" << "2" << false;
    QTest::newRow("nan") << "46" << "nan" << false;
    QTest::newRow("tiny exponent") << "48.85" << "1e-05" << true;
    QTest::newRow("six decimals") << "46.600000" << "2.200000" << true;
}

void CoordonneesTest::typedCoordinate()
{
    QFETCH(QString, lat);
    QFETCH(QString, lon);
    QFETCH(bool, present);
    const auto c = coordonneeSaisie(lat, lon);
    QCOMPARE(c.has_value(), present);
    if (present) {
        QCOMPARE(c->latitude, *lireDoubleC(lat));
        QCOMPARE(c->longitude, *lireDoubleC(lon));
    }
}

void CoordonneesTest::saveReadingAcceptsCommas()
{
    QCOMPARE(lireCoordonneeEnregistrement("45,76", 90), std::optional<double>(45.76));
    QCOMPARE(lireCoordonneeEnregistrement("4.83", 180), std::optional<double>(4.83));
    QCOMPARE(lireCoordonneeEnregistrement("1,234,5", 90), std::optional<double>());
    QCOMPARE(lireCoordonneeEnregistrement(" 45.76", 90), std::optional<double>());
    QCOMPARE(lireCoordonneeEnregistrement("45.76 ", 90), std::optional<double>());
    QCOMPARE(lireCoordonneeEnregistrement("1e2", 180), std::optional<double>(100));
    // Out of range, infinite or not a number: no value, never stored.
    QCOMPARE(lireCoordonneeEnregistrement("1e2", 90), std::optional<double>());
    QCOMPARE(lireCoordonneeEnregistrement("inf", 90), std::optional<double>());
    QCOMPARE(lireCoordonneeEnregistrement("nan", 180), std::optional<double>());
    QCOMPARE(lireCoordonneeEnregistrement("-180", 180), std::optional<double>(-180));
    QCOMPARE(lireCoordonneeEnregistrement("", 90), std::optional<double>());
}

void CoordonneesTest::shortestTexts()
{
    QCOMPARE(texteCourt(48.8566), QStringLiteral("48.8566"));
    QCOMPARE(texteCourt(0.00001), QStringLiteral("1e-05"));
    QCOMPARE(texteCourt(2.0), QStringLiteral("2"));
    QCOMPARE(texteCourt(-0.1), QStringLiteral("-0.1"));
    QCOMPARE(*lireDoubleC(texteCourt(0.1 + 0.2)), 0.1 + 0.2);
    QCOMPARE(texteSixDecimales(46.6), QStringLiteral("46.600000"));
    QCOMPARE(texteSixDecimales(2.2), QStringLiteral("2.200000"));
}
