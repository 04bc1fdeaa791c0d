#include "model/helpers.h"
#include "fixtures.h"
#include "tests.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace kv;

void TestHelpers::lectureCouleur_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<bool>("lue");
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");
    QTest::newRow("minuscules") << "ff8800" << true << 255 << 136 << 0;
    QTest::newRow("blancs autour") << " FF8800\n" << true << 255 << 136 << 0;
    QTest::newRow("diese") << "#ff8800" << true << 255 << 136 << 0;
    QTest::newRow("trois chiffres") << "#FFF" << false << 0 << 0 << 0;
    QTest::newRow("huit chiffres") << "FF8800AA" << false << 0 << 0 << 0;
    QTest::newRow("deux dieses") << "##FF8800" << false << 0 << 0 << 0;
    QTest::newRow("chiffres puis lettres") << "12ZZZZ" << true << 0 << 0 << 18;
    QTest::newRow("aucun chiffre") << "GGGGGG" << true << 0 << 0 << 0;
    QTest::newRow("blanc au milieu") << "12 456" << true << 0 << 0 << 18;
    QTest::newRow("blanc en tete") << "# ABCDE" << true << 10 << 188 << 222;
    QTest::newRow("prefixe 0x") << "0x12ab" << true << 0 << 18 << 171;
    QTest::newRow("vide") << "" << false << 0 << 0 << 0;
    // Six characters as the user sees them, not six code points.
    QTest::newRow("accent combinant") << QStringLiteral("ABCDE\u0301") << false << 0 << 0 << 0;
    QTest::newRow("CR LF au milieu") << "12\r\n45" << false << 0 << 0 << 0;
    QTest::newRow("emoji et teinte") << QStringLiteral("\U0001F44D\U0001F3FDABCD") << false << 0 << 0 << 0;
    QTest::newRow("accent combinant sur six") << QStringLiteral("ABCDE\u0301F") << true << 10 << 188 << 222;
}

void TestHelpers::lectureCouleur()
{
    QFETCH(QString, texte);
    QFETCH(bool, lue);
    QFETCH(int, r);
    QFETCH(int, g);
    QFETCH(int, b);
    const auto c = couleurDepuisHex(texte);
    QCOMPARE(c.has_value(), lue);
    if (c) {
        QCOMPARE(c->rouge, r / 255.0);
        QCOMPARE(c->vert, g / 255.0);
        QCOMPARE(c->bleu, b / 255.0);
    }
}

void TestHelpers::ecritureCouleur()
{
    QCOMPARE(hexDepuisCouleur({1, 0, 0}), QStringLiteral("FF0000"));
    QCOMPARE(hexDepuisCouleur({0.5, 0.5, 0.5}), QStringLiteral("7F7F7F")); // truncated, not rounded
    QCOMPARE(hexDepuisCouleur({1.5, -0.2, std::nan("")}), QStringLiteral("FF0000")); // clamped
    QCOMPARE(hexDepuisCouleur({0, 0, 1}), QStringLiteral("0000FF"));
}

void TestHelpers::allerRetourCouleur()
{
    for (int v = 0; v < 256; ++v) {
        const QString hex = QStringLiteral("%1%2%3")
                                .arg(v, 2, 16, QLatin1Char('0'))
                                .arg(255 - v, 2, 16, QLatin1Char('0'))
                                .arg((v * 7) % 256, 2, 16, QLatin1Char('0'))
                                .toUpper();
        QCOMPARE(hexDepuisCouleur(*couleurDepuisHex(hex)), hex);
    }
}

void TestHelpers::nombreCourt()
{
    QCOMPARE(formatNumberShort(10.0), QStringLiteral("10"));
    QCOMPARE(formatNumberShort(-3.0), QStringLiteral("-3"));
    QCOMPARE(formatNumberShort(7.5), QStringLiteral("7.5"));
    QCOMPARE(formatNumberShort(7.26), QStringLiteral("7.3"));
    QCOMPARE(formatFixed(0.125, 2), QStringLiteral("0.12")); // the C library's rounding of ties
    QCOMPARE(formatFixed(2.675, 2), QStringLiteral("2.67"));
    QCOMPARE(formatFixed(1234.5, 0), QStringLiteral("1234"));
}

void TestHelpers::formatJour()
{
    QCOMPARE(kv::formatJour(QDate(2026, 3, 7)), QStringLiteral("2026-03-07"));
    QCOMPARE(kv::formatJour(QDateTime(QDate(2026, 12, 31), QTime(23, 30))), QStringLiteral("2026-12-31"));
    QCOMPARE(kv::formatJour(QDate()), QString());
}

void TestHelpers::lectureNombre()
{
    bool ok = false;
    QCOMPARE(lireNombre(QStringLiteral(" 12,5 "), &ok), std::optional<double>(12.5));
    QVERIFY(ok);
    QCOMPARE(lireNombre(QStringLiteral("7.25"), &ok), std::optional<double>(7.25));
    QVERIFY(!lireNombre(QStringLiteral("   "), &ok).has_value());
    QVERIFY(ok); // empty: absent, not an error
    QVERIFY(!lireNombre(QStringLiteral("douze"), &ok).has_value());
    QVERIFY(!ok);
    QVERIFY(!lireNombre(QStringLiteral("nan"), &ok).has_value());
    QVERIFY(!ok);
    QVERIFY(!lireNombre(QStringLiteral("inf"), &ok).has_value());
    QVERIFY(!ok);
    QVERIFY(!lireNombre(QStringLiteral("1e999"), &ok).has_value());
    QVERIFY(!ok);
    // As French people write it: thousands grouped by a space of any kind; a misplaced one refused.
    for (const QString& grouped : {QStringLiteral("1 250,5"), QStringLiteral("1\u00A0250,5"), QStringLiteral("1\u202F250,5")})
        QCOMPARE(lireNombre(grouped, &ok), std::optional<double>(1250.5));
    QCOMPARE(lireNombre(QStringLiteral("-12 345 678"), &ok), std::optional<double>(-12345678));
    QVERIFY(!lireNombre(QStringLiteral("12 50"), &ok).has_value());
    QVERIFY(!ok);
}

void TestHelpers::nomDeCouleur_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("nom");
    QTest::newRow("rouge") << "#D32F2F" << "rouge";
    QTest::newRow("gris par défaut") << "808080" << "gris";
    QTest::newRow("blanc") << "FFFFFF" << "blanc";
    QTest::newRow("noir") << "000000" << "noir";
    QTest::newRow("marron") << "8B4513" << "marron";
    QTest::newRow("bleu marine") << "0D1B6E" << "bleu foncé";
    QTest::newRow("bleu ciel") << "87CEEB" << "bleu clair";
    QTest::newRow("vert vif") << "00FF00" << "vert";
    QTest::newRow("sarcelle") << "008080" << "turquoise foncé";
    QTest::newRow("orange") << "FFA500" << "orange";
    QTest::newRow("jaune") << "FFEB3B" << "jaune";
    QTest::newRow("violet") << "9C27B0" << "violet";
    QTest::newRow("rose") << "FF69B4" << "rose";
    QTest::newRow("gris clair") << "D1D5DB" << "gris clair";
    QTest::newRow("illisible") << "#FFF" << "";
}

void TestHelpers::nomDeCouleur()
{
    QFETCH(QString, hex);
    QFETCH(QString, nom);
    QCOMPARE(nomCouleur(hex), nom);
}

void TestHelpers::homonymeNommeDansUnePhrase()
{
    // Three « Petit Terrassement » at one street of Saint-Priest, told apart by their phones,
    // and one at another street.
    auto ctx = ModelContext::open(QStringLiteral(":memory:"));
    const auto petit = std::bind_front(&fx::client, ctx.get()); // name, street, town, phone
    const QString rue = QStringLiteral("7 chemin des Peupliers");
    Client* a = petit(QStringLiteral("Petit Terrassement"), rue, QStringLiteral("Saint-Priest"), QStringLiteral("04 78 16 10 25"));
    petit(QStringLiteral("Petit Terrassement"), rue, QStringLiteral("Saint-Priest"), QStringLiteral("04 78 16 10 26"));
    petit(QStringLiteral("Petit Terrassement"), QStringLiteral("2 rue Haute"), QStringLiteral("Saint-Priest"), QString());
    const QString telephone = QStringLiteral("04\u00A078\u00A016\u00A010\u00A025");
    QCOMPARE(telephoneInsecable(QStringLiteral("04 78 16 10 25")), telephone);

    // Stored texts keep their spaces; what a line shows never breaks the phone.
    QCOMPARE(distinctionParmiHomonymes(a), QStringLiteral("Saint-Priest · 7 chemin des Peupliers · 04 78 16 10 25"));
    QCOMPARE(nomClientDistinct(a), QStringLiteral("Petit Terrassement (Saint-Priest · 7 chemin des Peupliers · ") + telephone + ')');
    // Short of room, the street gives way before the phone and the bracket closes.
    QCOMPARE(nomClientDistinct(a, 60), QStringLiteral("Petit Terrassement (Saint-Priest · ") + telephone + ')');
    QCOMPARE(nomClientDistinct(a, 66), QStringLiteral("Petit Terrassement (Saint-Priest · 7 chemin des… · ") + telephone + ')');
    // Shorter still, the town they share goes before the name and the phone.
    QCOMPARE(nomClientDistinct(a, 45), QStringLiteral("Petit Terrassement (") + telephone + ')');

    // Skips of one volume and colour: what tells them apart, read again after each write.
    const auto bleue = [&](const QString& note) {
        auto* b = new Benne(3, QStringLiteral("0040FF"), EtatBenne::correct, note, nullptr);
        ctx->insert(b);
        return b;
    };
    Benne* b1 = bleue(QString());
    Benne* b2 = bleue(QString());
    Benne* b3 = bleue(QStringLiteral("n° 7"));
    QCOMPARE(nomBenneDistinct(b3), QStringLiteral("3 m³ bleu (n° 7)"));
    QVERIFY(benneSansDistinction(b1) && benneSansDistinction(b2) && !benneSansDistinction(b3));
    b1->setEtat(EtatBenne::sale);
    QCOMPARE(nomBenneDistinct(b1), QStringLiteral("3 m³ bleu (Sale)"));
    QCOMPARE(distinctionBenne(b3, false), QStringLiteral("n° 7"));
    QVERIFY(!benneSansDistinction(b2));

    // A long name with accents and a « / » is cut before what tells it apart.
    const QString longNom = QStringLiteral("Établissements Dupont / Frères ") + QString(270, QChar(u'é'));
    Client* lyon = petit(longNom, QString(), QStringLiteral("Lyon"), QString());
    petit(longNom, QString(), QStringLiteral("Bron"), QString());
    const QString court = nomClientDistinct(lyon, 60);
    QVERIFY2(court.endsWith(QStringLiteral("… (Lyon)")), qPrintable(court));
    QVERIFY(court.size() <= 60);
    // A town hundreds of letters long is cut at last, its bracket still closed.
    Client* loin = petit(QStringLiteral("Loin"), QString(), QString(300, QChar(u'x')), QString());
    petit(QStringLiteral("Loin"), QString(), QStringLiteral("Bron"), QString());
    QVERIFY(nomClientDistinct(loin, 60).endsWith(QStringLiteral("x…)")));
    QVERIFY(nomClientDistinct(loin, 60).size() <= 70);
    // A name of its own is the name alone, cut only when too long.
    QCOMPARE(nomClientDistinct(fx::client(ctx.get(), QStringLiteral("Seul")), 60), QStringLiteral("Seul"));
}
