#include "tests.h"

#include "screenfixtures.h"

#include "model/daywindow.h"
#include "planning/calendrierplanning.h"

using namespace kv;
using namespace kv::planning;
using namespace fixtures;

namespace {

JoursGrille joursDeTest()
{
    const Horloge h = fixedClock();
    return JoursGrille(h.maintenant(), h);
}

qint64 ms(const QDateTime& d)
{
    return d.toMSecsSinceEpoch();
}

} // namespace

void TestCalendrier::fenetresVisibles()
{
    // Before the first layout: nothing measured yet.
    QCOMPARE(visibleJoursRange(0, 0, 112), (Plage{0, 9}));
    QCOMPARE(visibleBennesRange(0, 0, 100), (Plage{0, 9}));
    QCOMPARE(visibleBennesRange(0, 0, 4), (Plage{0, 4}));
    QCOMPARE(visibleBennesRange(0, 0, 0).taille(), 0);
    // A grid area 1000 wide: five columns before the first visible one, as many as fit plus ten.
    QCOMPARE(visibleJoursRange(2400, 1000, 112), (Plage{15, 32}));
    QCOMPARE(visibleJoursRange(100, 1000, 112).debut, 0);
    QCOMPARE(visibleJoursRange(13440, 1000, 112), (Plage{107, 112}));
    // Scrolled past the end: empty.
    QVERIFY(visibleJoursRange(20000, 1000, 112).estVide());
    QVERIFY(visibleBennesRange(4000, 600, 10).estVide());
    QCOMPARE(visibleBennesRange(800, 640, 1000), (Plage{15, 40}));
}

void TestCalendrier::centrageSurAujourdhui()
{
    const JoursGrille jours = joursDeTest();
    QCOMPARE(jours.indexAujourdhui(), 31);
    QCOMPARE(jours.date(31), QDate(2026, 3, 15));
    QCOMPARE(abscisseAujourdhui(jours, 1000), std::optional<double>(3280));
    QCOMPARE(abscisseAujourdhui(jours, 2 * (31 * 120 + 60) + 10), std::optional<double>(0));
    QCOMPARE(abscisseAujourdhui(jours, 2 * (31 * 120 + 60)), std::optional<double>(0));
    QCOMPARE(abscisseAujourdhui(JoursGrille(), 1000), std::nullopt);
}

void TestCalendrier::centDouzeJoursAuChangementDHeure()
{
    // Paris: the clocks go forward on 29 March 2026, inside the range.
    const auto verifier = [](const Horloge& h) {
        const JoursGrille jours(h.maintenant(), h);
        QCOMPARE(jours.count(), 112);
        const QList<QDateTime> dates = jours.jours(h.zone);
        QCOMPARE(dates.size(), 112);
        for (int i = 0; i < 112; ++i) {
            QCOMPARE(dates[i], dates[i].date().startOfDay(h.zone));
            if (i > 0) {
                QCOMPARE(dates[i - 1].date().daysTo(dates[i].date()), 1);
                QVERIFY(jours.debut(i) > jours.debut(i - 1));
            }
            // Every instant of the day falls in its column.
            QCOMPARE(jours.colonne(jours.debut(i)), i);
            QCOMPARE(jours.colonne(jours.debut(i + 1) - 1), i);
        }
        QCOMPARE(jours.colonne(jours.debut(0) - 1), -1);
        QCOMPARE(jours.colonne(jours.debut(112)), 112);
        QCOMPARE(jours.date(31), localDayOf(h.maintenant(), h.zone));
    };
    verifier(fixedClock());
    // São Paulo in 2018: the day of 4 November began at 01:00, midnight never happened.
    const QTimeZone saoPaulo("America/Sao_Paulo");
    verifier(Horloge::fixe(localDateTime(2018, 11, 1, 12, 0, saoPaulo).toMSecsSinceEpoch(), saoPaulo));
    const Horloge h = Horloge::fixe(localDateTime(2018, 11, 1, 12, 0, saoPaulo).toMSecsSinceEpoch(), saoPaulo);
    const JoursGrille jours(h.maintenant(), h);
    QCOMPARE(jours.colonne(localDateTime(2018, 11, 4, 10, 0, saoPaulo).toMSecsSinceEpoch()), 34);
}

void TestCalendrier::colonnesDUneLocation()
{
    const JoursGrille j = joursDeTest(); // 12 February (0) … 15 March (31) … 3 June (111)
    const auto span = [&](const QDateTime& pose, std::optional<QDateTime> fin) {
        std::optional<qint64> f;
        if (fin)
            f = ms(*fin);
        return colonnesLocation(ms(pose), f, j);
    };
    // No removal date: the skip stays at the client's, every day from its placement to the last.
    QCOMPARE(span(localDateTime(2026, 3, 16, 9), std::nullopt), (Colonnes{32, 111, true}));
    // Removed on its placement day or on the next day: one column.
    QCOMPARE(span(localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 16, 17)), (Colonnes{32, 32}));
    QCOMPARE(span(localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 17, 8)), (Colonnes{32, 32}));
    // Placed on d, removed on d + 3: d, d + 1, d + 2.
    QCOMPARE(span(localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 19, 8)), (Colonnes{32, 34}));
    // Days by calendar day: placed at 23:30 it lies in that day; removed at 00:30 it ends the day before.
    QCOMPARE(span(localDateTime(2026, 3, 16, 23, 30), localDateTime(2026, 3, 18, 0, 30)), (Colonnes{32, 33}));
    QCOMPARE(span(localDateTime(2026, 3, 16, 0, 30), localDateTime(2026, 3, 17, 23, 30)), (Colonnes{32, 32}));
    // Across the change of clocks, still whole days.
    QCOMPARE(span(localDateTime(2026, 3, 28, 12), localDateTime(2026, 3, 31, 12)), (Colonnes{44, 46}));
    // Removed before its placement: the end comes first, one column is drawn.
    const std::optional<Colonnes> inverse = span(localDateTime(2026, 3, 20, 9), localDateTime(2026, 3, 17, 9));
    QCOMPARE(inverse, (Colonnes{36, 32}));
    QCOMPARE(inverse->nombre(), 1);
    QCOMPARE((Colonnes{3, 5}).nombre(), 3);
}

void TestCalendrier::colonnesAuxBordsDeLaGrille()
{
    const JoursGrille j = joursDeTest();
    const auto span = [&](const QDateTime& pose, std::optional<QDateTime> fin) {
        std::optional<qint64> f;
        if (fin)
            f = ms(*fin);
        return colonnesLocation(ms(pose), f, j);
    };
    // Placed before the first day and still there: from column 0.
    QCOMPARE(span(localDateTime(2026, 1, 5, 8), localDateTime(2026, 3, 1, 8)), (Colonnes{0, 16}));
    QCOMPARE(span(localDateTime(2026, 1, 5, 8), localDateTime(2026, 2, 13, 8)), (Colonnes{0, 0}));
    QCOMPARE(span(localDateTime(2026, 2, 11, 23, 59), localDateTime(2026, 2, 14, 0, 0)), (Colonnes{0, 1}));
    // … and with no removal date, still there on every day of the grid.
    QCOMPARE(span(localDateTime(2026, 1, 5, 8), std::nullopt), (Colonnes{0, 111, true}));
    // … but gone on the first day or before it: not drawn.
    QCOMPARE(span(localDateTime(2026, 1, 5, 8), localDateTime(2026, 2, 12, 8)), std::nullopt);
    QCOMPARE(span(localDateTime(2026, 1, 5, 8), localDateTime(2026, 1, 20, 8)), std::nullopt);
    // Removed after the last day: up to the last column.
    QCOMPARE(span(localDateTime(2026, 6, 1, 8), localDateTime(2026, 7, 1, 8)), (Colonnes{109, 111}));
    QCOMPARE(span(localDateTime(2026, 6, 1, 8), localDateTime(2026, 6, 4, 8)), (Colonnes{109, 111}));
    QCOMPARE(span(localDateTime(2026, 1, 5, 8), localDateTime(2026, 9, 1, 8)), (Colonnes{0, 111}));
    QCOMPARE(span(localDateTime(2026, 6, 3, 8), std::nullopt), (Colonnes{111, 111, true}));
    // Placed after the last day: not drawn.
    QCOMPARE(span(localDateTime(2026, 6, 4, 0), localDateTime(2026, 6, 9, 0)), std::nullopt);
    QCOMPARE(span(localDateTime(2026, 6, 4, 0), std::nullopt), std::nullopt);
    // Placed in the grid, removed before it (removal before placement): its column only.
    QCOMPARE(span(localDateTime(2026, 2, 20, 8), localDateTime(2026, 1, 20, 8)), (Colonnes{8, 8}));
}

void TestCalendrier::joursEntiersDUnGlissement()
{
    QCOMPARE(joursDeTranslation(59), 0);
    QCOMPARE(joursDeTranslation(60), 1);
    QCOMPARE(joursDeTranslation(-60), -1);
    QCOMPARE(joursDeTranslation(-59), 0);
    QCOMPARE(joursDeTranslation(181), 2);
    QCOMPARE(joursDeTranslation(179), 1);
    QCOMPARE(joursDeTranslation(180), 2);
    QCOMPARE(joursDeTranslation(-180), -2);
    QCOMPARE(joursDeTranslation(std::numeric_limits<double>::quiet_NaN()), 0);
    // Whole days keep the local time of day, across the change of clocks too.
    const Horloge h = fixedClock();
    QCOMPARE(instantLocal(ajouterJours(ms(localDateTime(2026, 3, 28, 14, 30)), 2, h.zone), h.zone), localDateTime(2026, 3, 30, 14, 30));
}

void TestCalendrier::uuidStrict()
{
    const QUuid id = QUuid::createUuid();
    const QString texte = texteUuid(id);
    QCOMPARE(texte.size(), 36);
    QCOMPARE(texte, texte.toUpper());
    QCOMPARE(lireUuidStrict(texte), std::optional<QUuid>(id));
    QCOMPARE(lireUuidStrict(texte.toLower()), std::optional<QUuid>(id));
    QCOMPARE(lireUuidStrict(QStringLiteral("00000000-0000-0000-0000-000000000000")), std::optional<QUuid>(QUuid()));
    for (const QString& mauvais :
         {QLatin1Char('{') + texte + QLatin1Char('}'), QLatin1Char(' ') + texte, texte + QLatin1Char('\n'),
          texte + QStringLiteral("\r\n"), texte.left(35), texte.left(35) + QLatin1Char('G'),
          QString(texte).remove(QLatin1Char('-')), QString(texte).replace(8, 1, QLatin1Char('+')),
          texte + texte, QString(), QStringLiteral("Martin")})
        QVERIFY2(!lireUuidStrict(mauvais), qPrintable(mauvais));
}

void TestCalendrier::occupationDUnJourCommeLesBarres()
{
    // Whatever says a skip is taken on a day says what the bar shows, column by column.
    const JoursGrille j = joursDeTest(); // 12 February (0) … 3 June (111)
    struct Cas {
        QDateTime pose;
        std::optional<QDateTime> fin;
    };
    const QList<Cas> cas = {
        {localDateTime(2026, 3, 16, 9), std::nullopt},
        {localDateTime(2026, 1, 5, 8), std::nullopt},
        {localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 16, 17)},
        {localDateTime(2026, 3, 16, 9), localDateTime(2026, 3, 19, 8)},
        {localDateTime(2026, 3, 16, 23, 30), localDateTime(2026, 3, 18, 0, 30)},
        {localDateTime(2026, 3, 28, 12), localDateTime(2026, 3, 31, 12)},
        {localDateTime(2026, 3, 20, 9), localDateTime(2026, 3, 17, 9)},
        {localDateTime(2026, 1, 5, 8), localDateTime(2026, 3, 1, 8)},
        {localDateTime(2026, 1, 5, 8), localDateTime(2026, 2, 12, 8)},
        {localDateTime(2026, 6, 1, 8), localDateTime(2026, 7, 1, 8)},
        {localDateTime(2026, 6, 4, 0), std::nullopt},
    };
    for (const Cas& c : cas) {
        std::optional<qint64> fin;
        if (c.fin)
            fin = ms(*c.fin);
        const std::optional<Colonnes> col = colonnesLocation(ms(c.pose), fin, j);
        for (int d = 0; d < j.count(); ++d) {
            const bool dessine = col && d >= col->start && d < col->start + col->nombre();
            if (occupeLeJour(ms(c.pose), fin, j.debut(d), j.debut(d + 1)) != dessine)
                QFAIL(qPrintable(QStringLiteral("%1 → %2, colonne %3")
                                     .arg(c.pose.toString(Qt::ISODate), c.fin ? c.fin->toString(Qt::ISODate) : "—")
                                     .arg(d)));
        }
    }
}
