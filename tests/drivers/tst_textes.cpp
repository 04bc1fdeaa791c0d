#include "tests.h"

#include "drivers/texteschauffeur.h"

#include <QtTest>

#include <limits>

using namespace kv;

void TestTextesChauffeur::trimming()
{
    QCOMPARE(sansEspacesNiTabulations(QStringLiteral(" \t Ana \t")), QStringLiteral("Ana"));
    // A no-break space is a space; line ends stay.
    QCOMPARE(sansEspacesNiTabulations(QStringLiteral("\u00A0Ana\u00A0")), QStringLiteral("Ana"));
    QCOMPARE(sansEspacesNiTabulations(QStringLiteral("\nAna \n")), QStringLiteral("\nAna \n"));
    QCOMPARE(sansEspacesNiTabulations(QStringLiteral(" \t ")), QString());
    QCOMPARE(sansBlancs(QStringLiteral(" \n Ana \r\n")), QStringLiteral("Ana"));
}

void TestTextesChauffeur::distance()
{
    QCOMPARE(texteDistance(45.0), QStringLiteral("45 km"));
    QCOMPARE(texteDistance(37.5), QStringLiteral("37 km"));
    QCOMPARE(texteDistance(-2.7), QStringLiteral("-2 km"));
    QCOMPARE(texteDistance(250), QStringLiteral("250 km"));
    QCOMPARE(texteDistance(9.0e18), QStringLiteral("9000000000000000000 km"));
    // Never a wrong number for what a 64-bit integer cannot hold.
    QCOMPARE(texteDistance(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("— km"));
    QCOMPARE(texteDistance(std::numeric_limits<double>::infinity()), QStringLiteral("— km"));
    QCOMPARE(texteDistance(-std::numeric_limits<double>::infinity()), QStringLiteral("— km"));
    QCOMPARE(texteDistance(9223372036854775808.0), QStringLiteral("— km"));
    QCOMPARE(texteDistance(-1e300), QStringLiteral("— km"));
}

void TestTextesChauffeur::lines()
{
    const QDateTime debut(QDate(2026, 3, 7), QTime(23, 30));
    const QDateTime fin(QDate(2026, 12, 1), QTime(0, 10));
    QCOMPARE(textePeriode(debut, std::nullopt), QStringLiteral("Du 7 mars 2026 sans fin"));
    QCOMPARE(textePeriode(debut, fin), QStringLiteral("Du 7 mars 2026 au 1 déc. 2026"));
    QCOMPARE(texteExpiration(fin), QStringLiteral("Expiration : 1 déc. 2026"));
    QCOMPARE(texteDisponible(true), QStringLiteral("Disponible"));
    QCOMPARE(texteDisponible(false), QStringLiteral("Indisponible"));
}
