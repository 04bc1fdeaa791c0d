#include "tests.h"

#include "bureau.h"

#include "driverplanning/emailplanning.h"
#include "platform/desktopopener.h"

#include <QTest>
#include <QUrlQuery>

using namespace kv;
using fx::at;

namespace {

struct Message {
    QString adresse, sujet, corps;
};

// Captures the messages handed over, answering with `reponse`.
struct FauxComposeur {
    QList<Message> messages;
    ResultatComposition reponse = ResultatComposition::ouvert;
    ComposeurEmail fonction()
    {
        return [this](const QString& a, const QString& s, const QString& c) {
            messages.append({a, s, c});
            return reponse;
        };
    }
};

const QDateTime kMaintenant = at(2026, 12, 7, 16, 30);

} // namespace

void TestEmailPlanning::workedExample()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur(QStringLiteral("Léa"), QStringLiteral("Garnier"), QStringLiteral("lea@exemple.fr"));
    Client* morel = b.client(QStringLiteral("Transports Morel"));
    Client* vimont = b.client(QStringLiteral("Mairie de Vimont"));
    const QString lilas = QStringLiteral("4 rue des Lilas, Lyon");
    b.location(morel, b.benne(10), at(2026, 12, 1, 8), at(2026, 12, 8, 9), lilas, nullptr, lea);
    b.location(morel, b.benne(10), at(2026, 12, 8, 9), std::nullopt, lilas, lea);
    b.location(vimont, b.benne(8.4), at(2026, 12, 8, 11), std::nullopt, std::nullopt, lea);

    FauxComposeur composeur;
    const BilanTransmission bilan = transmettrePlanning({lea}, at(2026, 12, 8, 0), b.context(),
                                                       composeur.fonction(), kMaintenant);
    QCOMPARE(bilan.messagesOuverts, 1);
    QVERIFY(bilan.message().isEmpty());
    QCOMPARE(composeur.messages.size(), 1);
    const Message& m = composeur.messages[0];
    QCOMPARE(m.adresse, QStringLiteral("lea@exemple.fr"));
    QCOMPARE(m.sujet, QStringLiteral("Planning du mardi 8 décembre 2026 \u2013 Léa Garnier"));
    const QString attendu = QStringLiteral(
        "Bonjour Léa,\n\nVoici ton planning pour le mardi 8 décembre 2026.\n\n\n"
        "\u2022 Rotation \u2013 Transports Morel \u2013 4 rue des Lilas, Lyon \u2013 10 m\u00B3\n"
        "\u2022 Pose \u2013 Mairie de Vimont \u2013 Adresse non renseignée \u2013 8 m\u00B3\n"
        "\nMerci,\n\nKestrovan");
    QCOMPARE(m.corps, attendu);
    QCOMPARE(m.corps.split(QLatin1Char('\n')).size(), 11);

    // Without operation: lines 1 to 5, the no-operation line, an empty line, the footer.
    const QString vide = buildEmailBody(ModelesEmail::parDefaut(), lea, at(2026, 12, 8), {}, kMaintenant);
    QCOMPARE(vide, QStringLiteral("Bonjour Léa,\n\nVoici ton planning pour le mardi 8 décembre 2026.\n\n\n"
                                  "\u2014 Aucune opération prévue \u2014\n\nMerci,\n\nKestrovan"));
    // The short date of the French locale.
    QCOMPARE(renderTemplate(QStringLiteral("{{date}}"), lea, at(2026, 12, 8, 23, 30)), QStringLiteral("08/12/2026"));
    // The planned day is Paris's, whatever the zone of the instant given.
    QCOMPARE(renderTemplate(QStringLiteral("{{date}}"), lea, at(2026, 12, 8, 20, 0, fx::newYork())),
             QStringLiteral("09/12/2026"));
}

void TestEmailPlanning::unicodeBlanksPairLikeSpaces()
{
    // Addresses pasted from a web page or a word processor carry no-break and thin spaces: the
    // same site written with them is the same site, and its removal and placement are one rotation.
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur(QStringLiteral("Léa"), QStringLiteral("Garnier"), QStringLiteral("lea@exemple.fr"));
    Client* morel = b.client(QStringLiteral("Transports Morel"));
    b.location(morel, b.benne(10), at(2026, 12, 1, 8), at(2026, 12, 8, 9), QStringLiteral("4\u00A0rue des Lilas,\u202FLyon"),
               nullptr, lea);
    b.location(morel, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("4 rue  des\u2009Lilas, Lyon"), lea);
    // Another site of the same client: a placement of its own.
    b.location(morel, b.benne(10), at(2026, 12, 8, 11), std::nullopt, QStringLiteral("4\u00A0rue des Lilas, Bron"), lea);

    FauxComposeur composeur;
    transmettrePlanning({lea}, at(2026, 12, 8, 0), b.context(), composeur.fonction(), kMaintenant);
    QCOMPARE(composeur.messages.size(), 1);
    const QStringList lignes = composeur.messages[0].corps.split(QLatin1Char('\n')).filter(QStringLiteral("\u2022"));
    QCOMPARE(lignes, (QStringList{
        QStringLiteral("\u2022 Rotation \u2013 Transports Morel \u2013 4\u00A0rue des Lilas,\u202FLyon \u2013 10 m\u00B3"),
        QStringLiteral("\u2022 Pose \u2013 Transports Morel \u2013 4\u00A0rue des Lilas, Bron \u2013 10 m\u00B3")}));
}

void TestEmailPlanning::placeholdersFilledInOnePass()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur(QStringLiteral("{{nom}}"), QStringLiteral("{{prenom}}"));
    // Values holding placeholders stay as they are.
    QCOMPARE(renderTemplate(QStringLiteral("{{prenom}} {{nom}}"), lea, at(2026, 12, 8)),
             QStringLiteral("{{nom}} {{prenom}}"));
    // Blanks or capitals inside the braces, unknown keys, unclosed or extra braces stay as typed.
    Chauffeur* marc = b.chauffeur(QStringLiteral("Marc"), QStringLiteral("Petit"));
    QCOMPARE(renderTemplate(QStringLiteral("{{ prenom }} {{Prenom}} {{inconnu}} {{{nom}}} {{nom"), marc, at(2026, 12, 8)),
             QStringLiteral("{{ prenom }} {{Prenom}} {{inconnu}} {Petit} {{nom"));
    QCOMPARE(renderTemplate(QStringLiteral("}}{{prenom}}{{"), marc, at(2026, 12, 8)), QStringLiteral("}}Marc{{"));
    // Extras add keys and override the standard ones.
    QCOMPARE(renderTemplate(QStringLiteral("{{nom}}/{{x}}"), marc, at(2026, 12, 8),
                            {{QStringLiteral("nom"), QStringLiteral("N")}, {QStringLiteral("x"), QStringLiteral("{{nom}}")}}),
             QStringLiteral("N/{{nom}}"));
    QCOMPARE(remplirModele(QString(), {{QStringLiteral("a"), QStringLiteral("b")}}), QString());

    // A client named "{{nom}}" in an operation line.
    PlanningOperation op;
    op.kind = OperationKind::enlevement;
    op.clientNom = QStringLiteral("{{nom}}");
    op.adresse = QStringLiteral("{{adresse}}");
    op.volumeM3 = -3;
    QCOMPARE(renderOperationLine(ModelesEmail::parDefaut().ligneOperation, op, kMaintenant),
             QStringLiteral("\u2022 Enlèvement \u2013 {{nom}} \u2013 {{adresse}} \u2013 -3 m\u00B3"));
}

void TestEmailPlanning::operationLineAndEmptyParts()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur(QStringLiteral("Léa"), QStringLiteral("Garnier"));
    PlanningOperation op;
    op.kind = OperationKind::pose;
    op.clientNom = QStringLiteral("Morel");
    op.adresse = QStringLiteral("1 rue A");
    op.volumeM3 = 12345;
    // In an operation line the driver is blank and the dates are the day of preparation.
    QCOMPARE(renderOperationLine(QStringLiteral("[{{prenom}}{{nom}}] {{date}} {{dateLongue}} {{volume}}"), op, kMaintenant),
             QStringLiteral("[] 07/12/2026 lundi 7 décembre 2026 12345"));

    ModelesEmail m = ModelesEmail::parDefaut();
    m.entete.clear();
    m.pied.clear();
    m.ligneOperation = QStringLiteral("{{client}}");
    const QString corps = buildEmailBody(m, lea, at(2026, 12, 8), {op, op}, kMaintenant);
    QCOMPARE(corps, QStringLiteral("\nMorel\nMorel\n\n"));
}

void TestEmailPlanning::templateRecord()
{
    // No record: one is created with the defaults and saved.
    fx::Bureau b(true);
    EmailChauffeurPreferences* prefs = preferencesEmailParDefaut(b.context());
    QVERIFY(prefs);
    QCOMPARE(ModelesEmail::de(*prefs), ModelesEmail::parDefaut());
    QVERIFY(!b.context()->hasChanges());
    QCOMPARE(preferencesEmailParDefaut(b.context()), prefs);
    prefs->setSubjectTemplate(QStringLiteral("Premier {{nom}}"));
    b.rouvrir();
    QCOMPARE(b.context()->count<EmailChauffeurPreferences>(), 1);

    // Two records: the first one is used.
    auto* second = new EmailChauffeurPreferences(QStringLiteral("Second"), QString(), QString(), QString());
    b.context()->insert(second);
    b.context()->save();
    QCOMPARE(preferencesEmailParDefaut(b.context())->subjectTemplate(), QStringLiteral("Premier {{nom}}"));

    Chauffeur* lea = b.chauffeur(QStringLiteral("Léa"), QStringLiteral("Garnier"), QStringLiteral("lea@x.fr"));
    b.location(b.client(QStringLiteral("Morel")), b.benne(10), at(2026, 12, 8, 9), std::nullopt, std::nullopt, lea);
    FauxComposeur composeur;
    transmettrePlanning({lea}, at(2026, 12, 8), b.context(), composeur.fonction(), kMaintenant);
    QCOMPARE(composeur.messages.size(), 1);
    QCOMPARE(composeur.messages[0].sujet, QStringLiteral("Premier Garnier"));
}

void TestEmailPlanning::failedDefaultRecordIsTakenBack()
{
    fx::Bureau b(true);
    Chauffeur* lea = b.chauffeur(QStringLiteral("Léa"), QStringLiteral("Garnier"), QStringLiteral("lea@x.fr"));
    b.location(b.client(QStringLiteral("Morel")), b.benne(10), at(2026, 12, 8, 9), std::nullopt, std::nullopt, lea);
    QVERIFY(b.context()->save());

    b.context()->failNextSave(QStringLiteral("disque plein"));
    QString erreur;
    QCOMPARE(preferencesEmailParDefaut(b.context(), &erreur), nullptr);
    QCOMPARE(erreur, QStringLiteral("disque plein"));
    QCOMPARE(b.context()->count<EmailChauffeurPreferences>(), 0);
    QVERIFY(!b.context()->hasChanges());

    // A sending then uses the default texts and says why.
    b.context()->failNextSave(QStringLiteral("disque plein"));
    FauxComposeur composeur;
    const BilanTransmission bilan = transmettrePlanning({lea}, at(2026, 12, 8), b.context(),
                                                       composeur.fonction(), kMaintenant);
    QCOMPARE(composeur.messages.size(), 1);
    QCOMPARE(composeur.messages[0].sujet, QStringLiteral("Planning du mardi 8 décembre 2026 \u2013 Léa Garnier"));
    QCOMPARE(bilan.erreurModeles, QStringLiteral("disque plein"));
    QVERIFY(bilan.message().startsWith(QStringLiteral("Échec de la sauvegarde: disque plein")));
    b.rouvrir();
    QCOMPARE(b.context()->count<EmailChauffeurPreferences>(), 0);
}

void TestEmailPlanning::whoGetsAMessage()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    auto avecOperation = [&](Chauffeur* ch) {
        b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, std::nullopt, ch);
        return ch;
    };
    Chauffeur* inactif = avecOperation(b.chauffeur("Ina", "Ctif", QStringLiteral("i@x.fr"), false));
    Chauffeur* sansAdresse = avecOperation(b.chauffeur("Sans", "Adresse"));
    Chauffeur* blanc = avecOperation(b.chauffeur("Blanc", "Blanc", QStringLiteral(" \t\r\n ")));
    Chauffeur* libre = b.chauffeur("Libre", "Libre", QStringLiteral("libre@x.fr"));
    Chauffeur* marc = avecOperation(b.chauffeur("Marc", "Petit", QStringLiteral("  marc@x.fr \n")));
    Chauffeur* zoe = avecOperation(b.chauffeur("Zoé", "Roux", QStringLiteral("zoe@x.fr")));
    Chauffeur* louche = avecOperation(b.chauffeur("Louche", "Adresse", QStringLiteral("a@x.fr?cc=b@y.fr")));

    FauxComposeur composeur;
    // The fake opener refuses the address holding "?", as the mail helper does.
    const ComposeurEmail filtre = [&](const QString& a, const QString& s, const QString& corps) {
        if (a.contains(QLatin1Char('?')))
            return ResultatComposition::adresseRefusee;
        return composeur.fonction()(a, s, corps);
    };
    BilanTransmission bilan = transmettrePlanning({zoe, inactif, sansAdresse, blanc, libre, louche, marc},
                                                  at(2026, 12, 8), b.context(), filtre, kMaintenant);
    QCOMPARE(composeur.messages.size(), 2);
    QCOMPARE(composeur.messages[0].adresse, QStringLiteral("zoe@x.fr"));
    QCOMPARE(composeur.messages[1].adresse, QStringLiteral("marc@x.fr"));
    QCOMPARE(bilan.messagesOuverts, 2);
    QCOMPARE(bilan.adressesRefusees, QStringList{QStringLiteral("Louche Adresse <a@x.fr?cc=b@y.fr>")});
    QVERIFY(bilan.message().contains(QStringLiteral("Louche Adresse")));
    // Drivers with work but no address are named, with why; the inactive and the free are not.
    QCOMPARE(bilan.sansAdresse, (QStringList{QStringLiteral("Sans Adresse"), QStringLiteral("Blanc Blanc")}));
    QVERIFY2(bilan.message().contains(QStringLiteral("faute d’adresse e-mail dans sa fiche\u00A0: Sans Adresse, Blanc Blanc.")),
             qPrintable(bilan.message()));
    QVERIFY(!bilan.message().contains(QStringLiteral("Ina Ctif")) && !bilan.message().contains(QStringLiteral("Libre")));

    // Messages the system could not open are named after the run.
    composeur.reponse = ResultatComposition::echecOuverture;
    bilan = transmettrePlanning({zoe, marc}, at(2026, 12, 8), b.context(), composeur.fonction(), kMaintenant);
    QCOMPARE(bilan.messagesOuverts, 0);
    QCOMPARE(bilan.echecsOuverture, (QStringList{QStringLiteral("Zoé Roux"), QStringLiteral("Marc Petit")}));
    QVERIFY(bilan.message().contains(QStringLiteral("Zoé Roux, Marc Petit")));

    // Nobody to write to: no message, and the run says why and where drivers are made.
    composeur.messages.clear();
    bilan = transmettrePlanning({inactif}, at(2026, 12, 8), b.context(), composeur.fonction(), kMaintenant);
    QVERIFY(composeur.messages.isEmpty());
    QVERIFY2(bilan.message().contains(QStringLiteral("aucun chauffeur actif")) && bilan.message().contains(QStringLiteral("« Liste des chauffeurs »")),
             qPrintable(bilan.message()));
    // Drivers with nothing that day: the day is named, and where work is given to a driver.
    bilan = transmettrePlanning({libre}, at(2026, 12, 8), b.context(), composeur.fonction(), kMaintenant);
    QVERIFY(composeur.messages.isEmpty());
    QVERIFY2(bilan.message().contains(QStringLiteral("le mardi 8 décembre 2026")) && bilan.message().contains(QStringLiteral("« À attribuer »")),
             qPrintable(bilan.message()));
}

void TestEmailPlanning::mailtoLinks()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("A&B + C #1 100% = ?x=y"));
    Chauffeur* lea = b.chauffeur(QStringLiteral("Léa"), QStringLiteral("Gar&nier=?#"), QStringLiteral(" lea+planning@exemple.fr "));
    Chauffeur* refuse = b.chauffeur(QStringLiteral("Marc"), QStringLiteral("Petit"), QStringLiteral("marc@x.fr&cc=z@y.fr"));
    Chauffeur* refuse2 = b.chauffeur(QStringLiteral("Zoé"), QStringLiteral("Roux"), QStringLiteral("zoe@x.fr\r\nBcc: z@y.fr"));
    for (Chauffeur* ch : {lea, refuse, refuse2})
        b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("1 rue A\r\nLyon"), ch);

    RecordingDesktopOpener ouvreur;
    BilanTransmission bilan = transmettrePlanning({lea, refuse, refuse2}, at(2026, 12, 8), b.context(), composeEmail,
                                                  kMaintenant);
    QCOMPARE(ouvreur.openedUrls.size(), 1);
    const QUrl url = ouvreur.openedUrls[0];
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    QCOMPARE(url.path(QUrl::FullyDecoded), QStringLiteral("lea+planning@exemple.fr"));
    const QUrlQuery query(url);
    QCOMPARE(query.queryItems().size(), 2);
    QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
             QStringLiteral("Planning du mardi 8 décembre 2026 \u2013 Léa Gar&nier=?#"));
    QString corps = buildEmailBody(ModelesEmail::parDefaut(), lea, at(2026, 12, 8),
                                   operationsDuJour(lea, at(2026, 12, 8)), kMaintenant);
    QVERIFY(corps.contains(QStringLiteral("A&B + C #1 100% = ?x=y")));
    // Every line end travels as CR LF.
    corps.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), corps);
    QVERIFY(url.toEncoded().contains("%0D%0A"));
    QVERIFY(!url.toEncoded().contains(' '));

    QCOMPARE(bilan.messagesOuverts, 1);
    QCOMPARE(bilan.adressesRefusees.size(), 2);
    QVERIFY(bilan.adressesRefusees[0].startsWith(QStringLiteral("Marc Petit <")));
    QVERIFY(bilan.adressesRefusees[1].startsWith(QStringLiteral("Zoé Roux <")));
    QVERIFY(!bilan.message().contains(QLatin1Char('\r')));

    // The system could not open the link.
    ouvreur.openResult = false;
    bilan = transmettrePlanning({lea}, at(2026, 12, 8), b.context(), composeEmail, kMaintenant);
    QCOMPARE(bilan.echecsOuverture, QStringList{QStringLiteral("Léa Gar&nier=?#")});
    QCOMPARE(bilan.messagesOuverts, 0);
}
