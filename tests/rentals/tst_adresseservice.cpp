#include "tests.h"

#include "fauxservice.h"

#include "rentals/adresseautocompleteur.h"
#include "rentals/citysearchviewmodel.h"
#include "rentals/localisationmanager.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace kv;

namespace {

const FauxLieu kParis{"Paris", "75001", "Paris", 2.3522, 48.8566};
const FauxLieu kLyon{"Lyon", "69001", "Lyon", 4.8357, 45.764};

// Runs one request and waits for its answer.
ReponseAdresse demander(AdresseService& service, const RechercheAdresse& recherche)
{
    std::optional<ReponseAdresse> reponse;
    QObject receveur;
    service.rechercher(recherche, &receveur, [&](const ReponseAdresse& r) { reponse = r; });
    if (!QTest::qWaitFor([&] { return reponse.has_value(); }, 5000))
        return {{}, QStringLiteral("pas de réponse")};
    return *reponse;
}

RechercheAdresse texte(const QString& t)
{
    RechercheAdresse r;
    r.texte = t;
    return r;
}

void stockerPosition(const QVariant& lat, const QVariant& lon)
{
    QSettings s;
    s.setValue("userLatitude", lat);
    s.setValue("userLongitude", lon);
}

} // namespace

void AdresseServiceTest::init()
{
    QSettings().clear();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void AdresseServiceTest::readsPlacesLongitudeFirst()
{
    const ReponseAdresse r = lireReponseAdresse(collection({kParis, kLyon}));
    QVERIFY(r.ok());
    QCOMPARE(r.lieux.size(), 2);
    QCOMPARE(r.lieux[0].titre, QStringLiteral("Paris"));
    QCOMPARE(r.lieux[0].sousTitre, QStringLiteral("75001 Paris, France"));
    QCOMPARE(r.lieux[0].coordonnee->latitude, 48.8566);
    QCOMPARE(r.lieux[0].coordonnee->longitude, 2.3522);

    // A place without a usable point keeps its texts but has no coordinate; without postcode
    // nor city the subtitle is the country alone.
    const QByteArray sansPoint = R"({"type":"FeatureCollection","features":[
        {"type":"Feature","geometry":{"type":"Point","coordinates":[200, 10]},"properties":{"name":"Loin"}},
        {"type":"Feature","properties":{"label":"Sans géométrie"}}]})";
    const ReponseAdresse r2 = lireReponseAdresse(sansPoint);
    QVERIFY(r2.ok());
    QCOMPARE(r2.lieux.size(), 2);
    QVERIFY(!r2.lieux[0].coordonnee);
    QCOMPARE(r2.lieux[0].sousTitre, QStringLiteral("France"));
    QCOMPARE(r2.lieux[1].titre, QStringLiteral("Sans géométrie"));
    QVERIFY(!r2.lieux[1].coordonnee);
}

void AdresseServiceTest::unreadableAnswersAreErrors()
{
    QVERIFY(!lireReponseAdresse("<html>").ok());
    QVERIFY(!lireReponseAdresse("[1,2]").ok());
    QVERIFY(!lireReponseAdresse(R"({"type":"FeatureCollection"})").ok());
    const ReponseAdresse vide = lireReponseAdresse(collection({}));
    QVERIFY(vide.ok());
    QVERIFY(vide.lieux.isEmpty());
}

void AdresseServiceTest::buildsTheQueryParameters()
{
    FauxGeocodage faux;
    AdresseService service(faux.baseUrl());
    RechercheAdresse r = texte(QStringLiteral("12 rue d'Anjou & fils + cie"));
    r.autocompletion = true;
    r.limite = 5;
    r.proximite = Coordonnee{48.85, 2.35};
    QVERIFY(demander(service, r).ok());
    QCOMPARE(faux.requetes.size(), 1);
    const QUrlQuery& q = faux.requetes.last();
    QCOMPARE(q.queryItemValue("q", QUrl::FullyDecoded), QStringLiteral("12 rue d'Anjou & fils + cie"));
    QCOMPARE(q.queryItemValue("limit"), QStringLiteral("5"));
    QCOMPARE(q.queryItemValue("autocomplete"), QStringLiteral("1"));
    QCOMPARE(q.queryItemValue("lat"), QStringLiteral("48.850000"));
    QCOMPARE(q.queryItemValue("lon"), QStringLiteral("2.350000"));
    QVERIFY(!q.hasQueryItem("type"));

    RechercheAdresse ville = texte(QStringLiteral("Lyon"));
    ville.communesSeulement = true;
    QVERIFY(demander(service, ville).ok());
    const QUrlQuery& q2 = faux.requetes.last();
    QCOMPARE(q2.queryItemValue("type"), QStringLiteral("municipality"));
    QVERIFY(!q2.hasQueryItem("autocomplete"));
    QVERIFY(!q2.hasQueryItem("lat"));
}

void AdresseServiceTest::answersThroughTheEventLoop()
{
    FauxGeocodage faux;
    faux.reponses["Paris"] = collection({kParis});
    AdresseService service(faux.baseUrl());
    const ReponseAdresse r = demander(service, texte("Paris"));
    QVERIFY(r.ok());
    QCOMPARE(r.lieux.size(), 1);
    QCOMPARE(r.lieux[0].coordonnee, std::optional<Coordonnee>(Coordonnee{48.8566, 2.3522}));

    // Too short a text is refused without asking, but still answered later, not at once.
    bool appele = false;
    QObject receveur;
    service.rechercher(texte("ab"), &receveur, [&](const ReponseAdresse& rep) {
        appele = true;
        QVERIFY(!rep.ok());
    });
    QVERIFY(!appele);
    QTRY_VERIFY(appele);
    QCOMPARE(faux.requetes.size(), 1);
}

void AdresseServiceTest::httpErrorsAndTimeoutsComeBackAsFrenchTexts()
{
    FauxGeocodage faux;
    AdresseService service(faux.baseUrl());

    faux.statut = "400";
    faux.reponseParDefaut = R"({"code":400,"message":"q: must contain between 3 and 200 chars"})";
    ReponseAdresse r = demander(service, texte("Paris"));
    QVERIFY(!r.ok());
    QVERIFY2(r.erreur.contains("HTTP 400"), qPrintable(r.erreur));
    QVERIFY(r.erreur.contains("must contain"));

    faux.statut = "200";
    faux.reponseParDefaut = "pas du JSON";
    r = demander(service, texte("Paris"));
    QVERIFY(!r.ok());
    QVERIFY(r.erreur.contains("illisible"));

    faux.reponseParDefaut = collection({kParis});
    faux.delaiParDefaut = 1500;
    service.setTimeoutMs(200);
    r = demander(service, texte("Paris"));
    QVERIFY(!r.ok());
    QVERIFY2(r.erreur.contains("à temps"), qPrintable(r.erreur));

    // Nobody listening on the port.
    AdresseService injoignable(QUrl("http://127.0.0.1:1/geocodage"));
    r = demander(injoignable, texte("Paris"));
    QVERIFY(!r.ok());
    QVERIFY(r.erreur.startsWith("Service d’adresses injoignable"));
}

void AdresseServiceTest::answerAfterTheReceiverIsGoneTouchesNothing()
{
    FauxGeocodage faux;
    faux.delaiParDefaut = 100;
    AdresseService service(faux.baseUrl());
    int appels = 0;
    {
        QObject receveur;
        service.rechercher(texte("Paris"), &receveur, [&](const ReponseAdresse&) { ++appels; });
    }
    QTest::qWait(400);
    QCOMPARE(appels, 0);

    // A cancelled request never reports.
    QObject receveur;
    RequeteAdresse* requete = service.rechercher(texte("Paris"), &receveur, [&](const ReponseAdresse&) { ++appels; });
    requete->annuler();
    QTest::qWait(400);
    QCOMPARE(appels, 0);
}

void AdresseServiceTest::storedPositionRules()
{
    QVERIFY(!LocalisationManager::positionStockee());
    stockerPosition(48.85, 2.35);
    QCOMPARE(LocalisationManager::positionStockee(), std::optional<Coordonnee>(Coordonnee{48.85, 2.35}));
    stockerPosition(48.85, 0.0);
    QVERIFY(!LocalisationManager::positionStockee());
    stockerPosition(0.0, 2.35);
    QVERIFY(!LocalisationManager::positionStockee());
    stockerPosition(95.0, 2.35);
    QVERIFY(!LocalisationManager::positionStockee());
    stockerPosition(std::numeric_limits<double>::quiet_NaN(), 2.35);
    QVERIFY(!LocalisationManager::positionStockee());
    stockerPosition(std::numeric_limits<double>::infinity(), 2.35);
    QVERIFY(!LocalisationManager::positionStockee());
    stockerPosition("abc", 2.35);
    QVERIFY(!LocalisationManager::positionStockee());
}

void AdresseServiceTest::localisationManagerRegionAndSettings()
{
    {
        LocalisationManager m;
        QCOMPARE(m.region(), (RegionCarte{{46.6, 2.2}, 0.1, 0.1}));
        QSignalSpy spy(&m, &LocalisationManager::regionChanged);
        m.updateRegion(48.85, 2.35);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(m.region(), (RegionCarte{{48.85, 2.35}, 0.01, 0.01}));
        QCOMPARE(QSettings().value("userLatitude").toDouble(), 48.85);
        QCOMPARE(QSettings().value("userLongitude").toDouble(), 2.35);

        // Not finite or out of range: neither the region nor the settings change.
        m.updateRegion(91, 2);
        m.updateRegion(std::numeric_limits<double>::quiet_NaN(), 2);
        m.updateRegion(45, -181);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(QSettings().value("userLatitude").toDouble(), 48.85);
    }
    {
        // The next form starts around the stored position, with the creation span.
        LocalisationManager m;
        QCOMPARE(m.region(), (RegionCarte{{48.85, 2.35}, 0.1, 0.1}));
        m.updateRegion(0, 0);
        QCOMPARE(QSettings().value("userLatitude").toDouble(), 0.0);
    }
    LocalisationManager m;
    QCOMPARE(m.region().centre, (Coordonnee{46.6, 2.2}));
}

void AdresseServiceTest::completerIsDebouncedAndDropsOlderAnswers()
{
    FauxGeocodage faux;
    faux.reponses["12 rue"] = collection({kLyon});
    faux.reponses["12 rue de la Paix"] = collection({kParis});
    AdresseService service(faux.baseUrl());
    AdresseAutoCompleteur completer(&service);
    QVERIFY(!completer.region()); // no stored position: the whole world
    completer.setDelaiSaisieMs(50);

    // Quick typing sends one request, for the last text.
    for (const char* t : {"12 ", "12 r", "12 ru", "12 rue de la Paix"})
        completer.setQueryFragment(t);
    QTRY_COMPARE(completer.suggestions().size(), 1);
    QCOMPARE(faux.requetes.size(), 1);
    QCOMPARE(faux.dernierTexte(), QStringLiteral("12 rue de la Paix"));
    QCOMPARE(completer.suggestions()[0].titre, QStringLiteral("Paris"));
    QVERIFY(!faux.requetes[0].hasQueryItem("lat"));

    // A slow answer to an older text arrives after the newer one: it is dropped.
    faux.delais["12 rue"] = 400;
    completer.setQueryFragment("12 rue");
    QTRY_COMPARE(faux.requetes.size(), 2);
    completer.setQueryFragment("12 rue de la Paix");
    QTRY_COMPARE(faux.requetes.size(), 3);
    QTest::qWait(700);
    QCOMPARE(completer.suggestions()[0].titre, QStringLiteral("Paris"));

    // A cancelled search publishes nothing.
    completer.viderSuggestions();
    completer.setQueryFragment("12 rue de la Paix");
    completer.annulerRecherche();
    QTest::qWait(300);
    QVERIFY(completer.suggestions().isEmpty());

    // A failure keeps the suggestions.
    completer.setQueryFragment("12 rue de la Paix");
    QTRY_COMPARE(completer.suggestions().size(), 1);
    faux.statut = "400";
    completer.setQueryFragment("12 rue de la Paix bis");
    QTest::qWait(300);
    QCOMPARE(completer.suggestions().size(), 1);
}

void AdresseServiceTest::completerIsBiasedTowardsTheStoredPosition()
{
    stockerPosition(45.76, 4.83);
    FauxGeocodage faux;
    AdresseService service(faux.baseUrl());
    AdresseAutoCompleteur completer(&service);
    QCOMPARE(completer.region(), std::optional<RegionCarte>(RegionCarte{{45.76, 4.83}, 0.2, 0.2}));
    completer.setDelaiSaisieMs(0);
    completer.setQueryFragment("place Bellecour");
    QTRY_COMPARE(faux.requetes.size(), 1);
    QCOMPARE(faux.requetes[0].queryItemValue("lat"), QStringLiteral("45.760000"));
    QCOMPARE(faux.requetes[0].queryItemValue("lon"), QStringLiteral("4.830000"));
}

void AdresseServiceTest::cityCompletionKeepsFranceUnderAFrenchLocale()
{
    AdresseService service(QUrl("http://127.0.0.1:1/geocodage"));
    CitySearchViewModel vm(&service);
    const QList<Lieu> resultats{{"Paris", "75001 Paris, France", Coordonnee{48.85, 2.35}},
                                {"Genève", "Suisse", Coordonnee{46.2, 6.14}},
                                {"Lille", "59000 Lille, france", Coordonnee{50.6, 3.06}}};
    vm.filtrerSuggestionsFrance(resultats);
    QCOMPARE(vm.suggestions().size(), 1);
    QCOMPARE(vm.suggestions()[0].titre, QStringLiteral("Paris"));

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    vm.filtrerSuggestionsFrance(resultats);
    QCOMPARE(vm.suggestions().size(), 3);

    // Through the service: the town type is asked, and the list follows the typed text.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    FauxGeocodage faux;
    faux.reponses["Lyo"] = collection({kLyon});
    AdresseService local(faux.baseUrl());
    CitySearchViewModel vm2(&local);
    vm2.setDelaiSaisieMs(0);
    QSignalSpy spy(&vm2, &CitySearchViewModel::suggestionsChanged);
    vm2.setQuery("Lyo");
    QTRY_COMPARE(vm2.suggestions().size(), 1);
    QCOMPARE(faux.requetes.last().queryItemValue("type"), QStringLiteral("municipality"));
    QCOMPARE(faux.requetes.last().queryItemValue("autocomplete"), QStringLiteral("1"));
}

void AdresseServiceTest::cityGeocodingAndResolution()
{
    FauxGeocodage faux;
    faux.reponses["Lyon"] = collection({kLyon, kParis});
    AdresseService service(faux.baseUrl());
    CitySearchViewModel vm(&service);
    vm.setQuery("Lyon");

    std::optional<std::optional<Coordonnee>> obtenu;
    vm.geocoderRequete([&](std::optional<Coordonnee> c) { obtenu = c; });
    QTRY_VERIFY(obtenu.has_value());
    QCOMPARE(*obtenu, std::optional<Coordonnee>(Coordonnee{45.764, 4.8357}));

    obtenu.reset();
    vm.setQuery("Nulle part");
    vm.geocoderRequete([&](std::optional<Coordonnee> c) { obtenu = c; });
    QTRY_VERIFY(obtenu.has_value());
    QVERIFY(!obtenu->has_value());

    // A completion's own coordinate, on the next turn.
    obtenu.reset();
    vm.resoudre(Lieu{"Paris", "75001 Paris, France", Coordonnee{48.85, 2.35}},
                [&](std::optional<Coordonnee> c) { obtenu = c; });
    QVERIFY(!obtenu.has_value());
    QTRY_VERIFY(obtenu.has_value());
    QCOMPARE(*obtenu, std::optional<Coordonnee>(Coordonnee{48.85, 2.35}));
}

void AdresseServiceTest::premiereCoordonneeTakesTheFirstPlaceOnly()
{
    std::optional<Coordonnee> recu{Coordonnee{1, 1}};
    auto garder = [&](std::optional<Coordonnee> c) { recu = c; };
    premiereCoordonnee(std::nullopt, "erreur", garder);
    QVERIFY(!recu);
    recu = Coordonnee{1, 1};
    premiereCoordonnee(QList<Lieu>{}, {}, garder);
    QVERIFY(!recu);
    premiereCoordonnee(QList<Lieu>{{"a", "b", std::nullopt}, {"c", "d", Coordonnee{2, 3}}}, {}, garder);
    QVERIFY(!recu);
    premiereCoordonnee(QList<Lieu>{{"c", "d", Coordonnee{2, 3}}, {"e", "f", Coordonnee{4, 5}}}, {}, garder);
    QCOMPARE(recu, std::optional<Coordonnee>(Coordonnee{2, 3}));
}
