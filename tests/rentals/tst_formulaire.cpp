#include "tests.h"

#include "fauxservice.h"
#include "lecteurecran.h"
#include "screenfixtures.h"
#include "wheel.h"

#include "planning/vueplanificationbennes.h"
#include "rentals/adresseautocompleteur.h"
#include "rentals/carteavecrepere.h"
#include "rentals/citysearchpopup.h"
#include "rentals/feuillenouvellelocation.h"
#include "rentals/flipview.h"
#include "rentals/clientsduformulaire.h"
#include "rentals/editionlocation.h"
#include "rentals/listebennesview.h"
#include "rentals/modifierlocation.h"
#include "widgets/forms/liveform.h"
#include "widgets/benneoscillanteview.h"
#include "rentals/formulairelocationview.h"
#include "rentals/geocodageapresenregistrement.h"
#include "rentals/vuesuggestionsadresse.h"
#include "widgets/forms/editorframe.h"
#include "widgets/forms/formstyle.h"
#include "widgets/forms/numberfield.h"
#include "widgets/plaintext.h"
#include "widgets/searchablepicker.h"
#include "widgets/wheelguard.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPointer>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextLayout>
#include <QToolButton>

using namespace kv;
using namespace fixtures;

namespace {

const FauxLieu kParis{"Paris", "75001", "Paris", 2.3522, 48.8566};
const FauxLieu kLyon{"Lyon", "69001", "Lyon", 4.8357, 45.764};

// A store with two clients, two waste types and one skip, and a form over it.
struct Banc {
    std::unique_ptr<ModelContext> ctx = store();
    FauxGeocodage faux;
    AdresseService service{faux.baseUrl()};
    Client* zeta = client(ctx.get(), "Zeta TP");
    Client* alpha = client(ctx.get(), "Alpha Maçonnerie");
    TypeDechet* gravats = wasteType(ctx.get(), "Gravats");
    TypeDechet* bois = wasteType(ctx.get(), "Bois");
    Benne* benne = fixtures::benne(ctx.get(), 10);
    int fermetures = 0;
    std::unique_ptr<FormulaireLocationView> form;

    Banc()
    {
        QVERIFY(saved(ctx.get()));
        GeocodageApresEnregistrement::pour(ctx.get())->service()->setBaseUrl(faux.baseUrl());
    }
    // The form as it opens, then (unless `pour` is none) Alpha chosen by the user.
    FormulaireLocationView* ouvrir(std::optional<QString> pour = QStringLiteral("Alpha Maçonnerie"))
    {
        form = std::make_unique<FormulaireLocationView>(ctx.get(), benne->id(), [this] { ++fermetures; },
                                                        &service, nullptr,
                                                        fixedClock());
        form->resize(600, 630);
        form->show();
        form->autoCompleteur()->setDelaiSaisieMs(0);
        if (pour)
            choisirClient(form.get(), *pour);
        return form.get();
    }
    QList<LocationDeBenne*> locations() const { return ctx->all<LocationDeBenne>(); }
    // The sheet over `fenetre`, shown at `taille`; none when either does not show.
    // The sheet for `pour` (the bench's skip when none), over `fenetre` shown at `taille`.
    QDialog* feuilleSur(QWidget& fenetre, QSize taille, Benne* pour = nullptr)
    {
        fenetre.resize(taille);
        fenetre.show();
        if (!QTest::qWaitForWindowExposed(&fenetre))
            return nullptr;
        QDialog* feuille =
            feuilleNouvelleLocation(&fenetre, ctx.get(), (pour ? pour : benne)->id(), [] {}, &service, fixedClock());
        return QTest::qWaitForWindowExposed(feuille) ? feuille : nullptr;
    }
    // The client named `nom` chosen as a user does, stepping through the closed picker.
    static void choisirClient(FormulaireLocationView* f, const QString& nom) { choisirDans(f->choixClient(), nom); }
    static void choisirDans(QComboBox* choix, const QString& texte)
    {
        QTest::keyClick(choix, Qt::Key_Home);
        for (int i = 1; i < choix->count() && choix->currentText() != texte; ++i)
            QTest::keyClick(choix, Qt::Key_Down);
        QCOMPARE(choix->currentText(), texte);
    }

    // A booked rental as an office corrects one: Zeta's, 10 to 20 March, with its waste type, a
    // placing driver and a ticket of 1 200 kg.
    Chauffeur* paul = driver(ctx.get(), QStringLiteral("Martin"), QStringLiteral("Paul"));
    Chauffeur* lea = driver(ctx.get(), QStringLiteral("Roux"), QStringLiteral("Léa"));
    LocationDeBenne* reservee()
    {
        LocationDeBenne* l = placedRental(ctx.get(), zeta, benne, localDateTime(2026, 3, 10, 8), localDateTime(2026, 3, 20, 17));
        l->setTypeDechet(gravats);
        l->setChauffeurPose(paul);
        l->ajouterBonDePesee(localDateTime(2026, 3, 12, 9), QStringLiteral("B-1"), std::nullopt, std::nullopt, 1200, std::nullopt);
        if (!saved(ctx.get()))
            return nullptr;
        settle(); // the store has told its listeners of the new rental
        return l;
    }
    // The form correcting `l`, as it opens.
    FormulaireLocationView* modifier(LocationDeBenne* l)
    {
        form = std::make_unique<FormulaireLocationView>(ctx.get(), l, [this] { ++fermetures; }, &service, nullptr,
                                                        fixedClock());
        form->resize(600, 630);
        form->show();
        form->autoCompleteur()->setDelaiSaisieMs(0);
        return form.get();
    }
};

// Every stored field of a rental and of its tickets, by name.
QMap<QString, QString> fiche(const LocationDeBenne* l)
{
    const auto id = [](const auto* r) { return r ? r->id().toString() : QString(); };
    QMap<QString, QString> f{{"client", id(l->client())}, {"benne", id(l->benne())}, {"type", id(l->typeDechet())},
                             {"pose", QString::number(l->datePoseMs())},
                             {"enlevement", QString::number(l->dateEnlevementMs().value_or(-1))},
                             {"adresse", l->adresse().value_or("∅")}, {"latitude", QString::number(l->latitude().value_or(-1))},
                             {"longitude", QString::number(l->longitude().value_or(-1))},
                             {"tarifs", QStringLiteral("%1 %2 %3").arg(l->tarifPose()).arg(l->tarifEnlevement()).arg(l->tarifJournalier())},
                             {"chauffeurPose", id(l->chauffeurPose())}, {"chauffeurEnlevement", id(l->chauffeurEnlevement())}};
    for (const BonDePesee* b : l->bonsDePesee())
        f["bons"] += QString::number(b->poidsNetKg()) + QLatin1Char(' ');
    return f;
}

// The names of the entries of `apres` that differ from `avant`.
QStringList changes(const QMap<QString, QString>& avant, const QMap<QString, QString>& apres)
{
    QStringList noms;
    for (auto it = apres.cbegin(); it != apres.cend(); ++it)
        if (avant.value(it.key()) != it.value())
            noms << it.key();
    return noms;
}

void taper(QLineEdit* champ, const QString& texte)
{
    champ->setFocus();
    champ->selectAll();
    QTest::keyClick(champ, Qt::Key_Backspace);
    QTest::keyClicks(champ, texte);
}

} // namespace

void FormulaireLocationTest::init()
{
    QSettings().clear();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void FormulaireLocationTest::configurationCardUntilAClientAndAWasteType()
{
    auto ctx = store();
    int fermetures = 0;
    AdresseService service(QUrl("http://127.0.0.1:1/geocodage"));
    FormulaireLocationView form(ctx.get(), QUuid::createUuid(), [&] { ++fermetures; }, &service);
    form.show();
    QVERIFY(!form.afficheFormulaire());
    QVERIFY(form.boutonFermer()->isVisible());
    QTest::mouseClick(form.boutonFermer(), Qt::LeftButton);
    QCOMPARE(fermetures, 1);

    // A client alone is not enough; the first waste type brings the form.
    QSignalSpy annonces(ctx.get(), &ModelContext::changed);
    client(ctx.get(), "Dupont");
    QVERIFY(annonces.wait());
    QVERIFY(!form.afficheFormulaire());
    wasteType(ctx.get(), "Gravats");
    QTRY_VERIFY(form.afficheFormulaire());
    // The type created after the opening is chosen, since none was.
    QCOMPARE(form.typeDechetSelectionne()->libelle(), QStringLiteral("Gravats"));
}

void FormulaireLocationTest::defaultsOnAppearance()
{
    Banc b;
    auto* form = b.ouvrir(std::nullopt);
    QVERIFY(form->afficheFormulaire());
    QVERIFY(!form->clientSelectionne());
    QCOMPARE(form->choixClient()->currentIndex(), 0);
    QCOMPARE(form->choixClient()->itemText(0), QStringLiteral("— Choisir un client —"));
    QCOMPARE(form->typeDechetSelectionne(), b.gravats);
    QCOMPARE(form->choixTypeDechet()->count(), 2);
    QCOMPARE(form->datePose(), localDateTime(2026, 3, 16, 10));
    QVERIFY(!form->dateEnlevement());
    // No removal date: the row says so, and shows no date that would read as one.
    QVERIFY(form->etiquetteSansEnlevement()->isVisible());
    QCOMPARE(form->etiquetteSansEnlevement()->text(), QStringLiteral("Non prévue"));
    QVERIFY(!form->champDateEnlevement()->isVisible());
    QVERIFY(form->boutonValider()->isDefault());
    QVERIFY(!form->showError());
}

void FormulaireLocationTest::coordinateTextsFollowTheRegion()
{
    {
        Banc b;
        auto* form = b.ouvrir(std::nullopt);
        // The starting position is a placeholder, not a typed value: no marker on the map.
        QVERIFY(form->latitude().isEmpty());
        QVERIFY(form->longitude().isEmpty());
        QCOMPARE(form->champLatitude()->placeholderText(), QStringLiteral("ex. 46.600000"));
        QCOMPARE(form->champLongitude()->placeholderText(), QStringLiteral("ex. 2.200000"));
        QVERIFY(!form->carte()->repere());
        QCOMPARE(form->carte()->region().centre, (Coordonnee{46.6, 2.2}));
        QVERIFY(!form->hasUnsavedChanges());
        // A decimal comma takes the marker away and keeps the map where it was.
        form->champLongitude()->setText("2.2");
        form->champLatitude()->setText("46,5");
        QVERIFY(!form->carte()->repere());
        QCOMPARE(form->carte()->region().centre, (Coordonnee{46.6, 2.2}));
        QCOMPARE(form->latitude(), QStringLiteral("46,5"));
        form->champLatitude()->setText("45.5");
        QCOMPARE(form->carte()->region(), (RegionCarte{{45.5, 2.2}, 0.01, 0.01}));
    }
    QSettings().setValue("userLatitude", 48.85);
    QSettings().setValue("userLongitude", 2.35);
    Banc b;
    auto* form = b.ouvrir(std::nullopt);
    QCOMPARE(form->champLatitude()->placeholderText(), QStringLiteral("ex. 48.850000"));
    QCOMPARE(form->champLongitude()->placeholderText(), QStringLiteral("ex. 2.350000"));
    QVERIFY(form->latitude().isEmpty() && form->longitude().isEmpty());
}

void FormulaireLocationTest::addressSuggestionsAndTheirChoice()
{
    Banc b;
    b.faux.reponseParDefaut = collection({kParis, kLyon});
    auto* form = b.ouvrir();
    auto* emplacement = form->findChild<QStackedWidget*>("emplacementSuggestions");
    QVERIFY(emplacement);

    QTest::keyClicks(form->champAdresse(), "12");
    QCOMPARE(emplacement->currentWidget(), form->carte());

    QTest::keyClicks(form->champAdresse(), " rue");
    QTRY_COMPARE(form->suggestions()->suggestions().size(), 2);
    QCOMPARE(emplacement->currentWidget(), form->suggestions());
    // From the third character on only was the text sent.
    QVERIFY(!b.faux.requetes.isEmpty());
    for (const QUrlQuery& q : std::as_const(b.faux.requetes))
        QVERIFY2(q.queryItemValue("q", QUrl::FullyDecoded).size() >= 3, qPrintable(q.toString()));
    QCOMPARE(b.faux.dernierTexte(), QStringLiteral("12 rue"));
    // From the keyboard: Down into the list, Return on the second place.
    form->activateWindow();
    form->champAdresse()->setFocus();
    QTest::keyClick(form->champAdresse(), Qt::Key_Down);
    QVERIFY(form->suggestions()->hasFocus());
    QTest::keyClick(form->suggestions(), Qt::Key_Down);
    QTest::keyClick(form->suggestions(), Qt::Key_Return);
    QCOMPARE(form->adresse(), QStringLiteral("Lyon, 69001 Lyon, France"));
    QTRY_COMPARE(form->latitude(), QStringLiteral("45.764"));

    // Back to two characters: the list empties and the map returns.
    taper(form->champAdresse(), "12");
    QCOMPARE(emplacement->currentWidget(), form->carte());
    settle();
    QVERIFY(form->suggestions()->suggestions().isEmpty());

    QTest::keyClicks(form->champAdresse(), " rue de la Paix");
    QTRY_COMPARE(emplacement->currentWidget(), form->suggestions());
    form->suggestions()->show();
    emplacement->show();
    // A click at the far right of the first row chooses it.
    const QRect ligne = form->suggestions()->rectangleLigne(0);
    QTest::mouseClick(form->suggestions()->viewport(), Qt::LeftButton, {}, QPoint(ligne.right() - 3, ligne.center().y()));
    QCOMPARE(form->adresse(), QStringLiteral("Paris, 75001 Paris, France"));
    QTRY_COMPARE(form->latitude(), QStringLiteral("48.8566"));
    QCOMPARE(form->longitude(), QStringLiteral("2.3522"));
    QCOMPARE(form->carte()->repere(), std::optional<Coordonnee>(Coordonnee{48.8566, 2.3522}));
    // A choice does not become the stored position.
    QVERIFY(!QSettings().contains("userLatitude"));
}

void FormulaireLocationTest::citySearchPopupFillsTheCoordinates()
{
    Banc b;
    b.faux.reponses["Lyon"] = collection({kLyon});
    b.faux.reponses["Nulle part"] = collection({});
    auto* form = b.ouvrir();
    QTest::mouseClick(form->boutonVille(), Qt::LeftButton);
    CitySearchPopup* popup = form->popupVille();
    QVERIFY(popup);
    QCOMPARE(popup->size(), QSize(400, 350));
    QVERIFY(popup->champVille()->text().isEmpty());
    QVERIFY(!popup->boutonValider()->isEnabled());
    QTest::keyClick(popup->champVille(), Qt::Key_Space);
    QVERIFY(popup->boutonValider()->isEnabled());

    // A text that cannot be placed leaves the popup open.
    taper(popup->champVille(), "Nulle part");
    QTest::mouseClick(popup->boutonValider(), Qt::LeftButton);
    QTRY_VERIFY(popup->message()->isVisible()); // the answer came, and says why
    QVERIFY(form->popupVille());
    QVERIFY(popup->isVisible());

    taper(popup->champVille(), "Lyon");
    QTest::mouseClick(popup->boutonValider(), Qt::LeftButton);
    QTRY_VERIFY(!form->popupVille() || !form->popupVille()->isVisible());
    QCOMPARE(form->latitude(), QStringLiteral("45.764000"));
    QCOMPARE(form->longitude(), QStringLiteral("4.835700"));
    QCOMPARE(QSettings().value("userLatitude").toDouble(), 45.764);
    QCOMPARE(form->autoCompleteur()->region(), std::optional<RegionCarte>(RegionCarte{{45.764, 4.8357}, 0.2, 0.2}));

    // A popup opened again starts empty; a suggestion chosen there closes it too.
    QTRY_VERIFY(!form->popupVille());
    form->ouvrirRechercheVille();
    popup = form->popupVille();
    QVERIFY(popup->champVille()->text().isEmpty());
    b.faux.reponses["Pari"] = collection({kParis});
    QTest::keyClicks(popup->champVille(), "Pari");
    QTRY_COMPARE(popup->liste()->suggestions().size(), 1);
    const QRect ligne = popup->liste()->rectangleLigne(0);
    QTest::mouseClick(popup->liste()->viewport(), Qt::LeftButton, {}, ligne.center());
    QTRY_COMPARE(form->latitude(), QStringLiteral("48.856600"));
}

void FormulaireLocationTest::removalNeverPrecedesPlacement()
{
    Banc b;
    auto* form = b.ouvrir();
    form->boutonFixerEnlevement()->click();
    // Picking a removal before the placement: right after, it equals the placement.
    form->champDateEnlevement()->setDate(QDate(2026, 3, 10));
    QCOMPARE(form->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 10, 10)));
    QTRY_COMPARE(form->dateEnlevement(), std::optional<QDateTime>(form->datePose()));

    form->champDateEnlevement()->setDate(QDate(2026, 3, 20));
    QCOMPARE(form->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 20, 10)));
    // The placement moved past the removal takes the removal along.
    form->champDatePose()->setDate(QDate(2026, 3, 25));
    QCOMPARE(form->datePose(), localDateTime(2026, 3, 25, 10));
    QCOMPARE(form->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 25, 10)));
    QCOMPARE(form->champDateEnlevement()->date(), QDate(2026, 3, 25));
    // Moving it back earlier leaves the removal alone.
    form->champDatePose()->setDate(QDate(2026, 3, 18));
    QCOMPARE(form->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 25, 10)));
}

void FormulaireLocationTest::removalDateCanBeTyped()
{
    Banc b;
    auto* form = b.ouvrir(); // placement on 16 March 2026
    QDateEdit* champ = form->champDateEnlevement();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->boutonFixerEnlevement()->click();
    QVERIFY(champ->hasFocus());
    QVERIFY(!champ->findChild<QLineEdit*>()->hasSelectedText());

    // "20" in the day: the "2" on the way is not corrected back to the 16th.
    champ->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(champ, "20");
    QCoreApplication::processEvents();
    QCOMPARE(champ->date(), QDate(2026, 3, 20));
    form->champAdresse()->setFocus(); // the focus leaves the field
    QCoreApplication::processEvents();
    QCOMPARE(form->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 20, 10)));

    // "05" stays while typed; leaving the field brings it to the placement.
    champ->setFocus();
    champ->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(champ, "05");
    QCoreApplication::processEvents();
    QCOMPARE(champ->date(), QDate(2026, 3, 5));
    QCOMPARE(form->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 5, 10)));
    form->champAdresse()->setFocus();
    QTRY_COMPARE(form->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 16, 10)));
    QCOMPARE(champ->date(), QDate(2026, 3, 16));

    // The arrow keys step through the days the same way, and Return ends the edit.
    champ->setFocus();
    champ->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClick(champ, Qt::Key_Down);
    QTest::keyClick(champ, Qt::Key_Down);
    QCoreApplication::processEvents();
    QCOMPARE(champ->date(), QDate(2026, 3, 14));
    QTest::keyClick(champ, Qt::Key_Return);
    QTRY_COMPARE(champ->date(), QDate(2026, 3, 16));

    // A removal left earlier in the field is never stored so.
    champ->setFocus();
    champ->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(champ, "02");
    QCOMPARE(champ->date(), QDate(2026, 3, 2));
    form->validerEtEnregistrer();
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations()[0]->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 16, 10)));
}

void FormulaireLocationTest::contactsFollowTheClient()
{
    Banc b;
    new Contact("Jean", "Martin", "0600000000", "", b.alpha);
    new Contact("Lise", "Petit", "0600000001", "", b.alpha);
    new Contact("Paul", "Durand", "0600000002", "", b.zeta);
    QVERIFY(saved(b.ctx.get()));
    auto* form = b.ouvrir();
    QComboBox* contacts = form->choixContact();
    QVERIFY(contacts->isVisible());
    QCOMPARE(contacts->count(), 3);
    QCOMPARE(contacts->itemText(0), QStringLiteral("— Choisir un contact —"));
    QCOMPARE(contacts->itemText(1), QStringLiteral("Jean Martin"));
    QTest::keyClick(contacts, Qt::Key_Down);
    QCOMPARE(form->contactSelectionne()->prenom(), QStringLiteral("Jean"));

    QTest::keyClick(form->choixClient(), Qt::Key_Down); // Zeta TP
    QCOMPARE(form->clientSelectionne(), b.zeta);
    QCOMPARE(contacts->count(), 2);
    QCOMPARE(contacts->itemText(1), QStringLiteral("Paul Durand"));

    QTest::keyClick(form->choixClient(), Qt::Key_Home);
    QVERIFY(!form->clientSelectionne());
    QVERIFY(!contacts->isVisible());
}

void FormulaireLocationTest::clientFoundByTypingPartOfItsName()
{
    Banc b;
    for (int i = 0; i < 5000; ++i)
        client(b.ctx.get(), QStringLiteral("Client %1").arg(i));
    Client* robert = client(b.ctx.get(), "Charpente Robert 1");
    client(b.ctx.get(), "Charpente Robert 12");
    Client* batiment = client(b.ctx.get(), "Bâtiment Martin");
    new Contact("Jean", "Robert", "0600000000", "", robert);
    QVERIFY(saved(b.ctx.get()));
    auto* form = b.ouvrir();
    SearchablePicker* choix = form->choixClient();
    choix->setFocus();
    QTRY_VERIFY(choix->hasFocus());

    // Typed as on the keyboard: the spaces belong to the name.
    typeText(choix, QStringLiteral("r"));
    QVERIFY(choix->listShown());
    typeText(choix->searchField(), QStringLiteral("obert 1"));
    QCOMPARE(choix->filteredTexts(), (QStringList{"Charpente Robert 1", "Charpente Robert 12"}));
    QCOMPARE(form->clientSelectionne(), b.alpha); // nothing chosen yet
    QTest::keyClick(choix->searchField(), Qt::Key_Return);
    QVERIFY(!choix->listShown());
    QCOMPARE(form->clientSelectionne(), robert);
    QCOMPARE(choix->currentText(), QStringLiteral("Charpente Robert 1"));
    // The contacts follow the client chosen so.
    QCOMPARE(form->choixContact()->count(), 2);
    QCOMPARE(form->choixContact()->itemText(1), QStringLiteral("Jean Robert"));

    // Without its accent or its capital.
    typeText(choix, QStringLiteral("b"));
    typeText(choix->searchField(), QStringLiteral("atiment"));
    QCOMPARE(choix->filteredTexts(), QStringList{"Bâtiment Martin"});
    QTest::keyClick(choix->searchField(), Qt::Key_Return);
    QCOMPARE(form->clientSelectionne(), batiment);

    // Escape closes the list only: the sheet's form and its choice stay.
    typeText(choix, QStringLiteral("z"));
    QTest::keyClick(choix->searchField(), Qt::Key_Escape);
    QVERIFY(!choix->listShown());
    QVERIFY(form->isVisible());
    QCOMPARE(form->clientSelectionne(), batiment);
    QCOMPARE(b.fermetures, 0);

    // A client created meanwhile is found at once.
    Client* nouveau = client(b.ctx.get(), "Élagage Nouveau");
    QTRY_VERIFY(choix->findText(QStringLiteral("Élagage Nouveau")) > 0);
    typeText(choix, QStringLiteral("e"));
    typeText(choix->searchField(), QStringLiteral("lagage"));
    QCOMPARE(choix->filteredTexts(), QStringList{"Élagage Nouveau"});
    QTest::keyClick(choix->searchField(), Qt::Key_Return);
    QCOMPARE(form->clientSelectionne(), nouveau);

    batiment->setNom(QStringLiteral("Bâtiment Martin-Durand"));
    QTRY_COMPARE(choix->findText(QStringLiteral("Bâtiment Martin")), -1);
    QCOMPARE(b.ouvrir(QStringLiteral("Bâtiment Martin-Durand"))->clientSelectionne(), batiment);
}

void FormulaireLocationTest::clientListMadeAsideFollowsTheStore()
{
    Banc b;
    for (int i = 0; i < 5000; ++i)
        client(b.ctx.get(), QStringLiteral("Client %1").arg(i));
    QVERIFY(saved(b.ctx.get()));
    // The list is being made aside when a client is renamed and another added: what was made
    // from the clients before is never what the sheet offers.
    ClientsDuFormulaire* liste = ClientsDuFormulaire::pour(b.ctx.get());
    liste->preparer();
    b.zeta->setNom(QStringLiteral("Zeta Terrassement"));
    client(b.ctx.get(), "Nouveau venu");
    QTRY_VERIFY(!liste->enRoute());
    SearchablePicker* choix = b.ouvrir(std::nullopt)->choixClient();
    QVERIFY(choix->findText(QStringLiteral("Zeta Terrassement")) > 0);
    QVERIFY(choix->findText(QStringLiteral("Zeta TP")) < 0);
    QVERIFY(choix->findText(QStringLiteral("Nouveau venu")) > 0);
}

void FormulaireLocationTest::missingFieldsLineShowsWithoutScrolling()
{
    Banc b;
    QWidget fenetre;
    QDialog* feuille = b.feuilleSur(fenetre, QSize(1200, 760));
    QVERIFY(feuille);
    FormulaireLocationView* form = formulaireDe(feuille);
    const QSize taille = feuille->size();
    QTest::keyClick(form->choixClient(), Qt::Key_Home);
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(form->showError());
    auto* message = form->findChild<QLabel*>("messageErreur");
    QVERIFY(message->isVisible());
    // Whole, inside the sheet as it stands, with nothing to scroll.
    QCOMPARE(feuille->size(), taille);
    QCOMPARE(message->visibleRegion().boundingRect(), message->rect());
    QVERIFY(feuille->rect().contains(QRect(message->mapTo(feuille, QPoint(0, 0)), message->size())));
    QVERIFY(message->height() >= message->heightForWidth(message->width()));
    QScrollArea* defilement = form->findChild<QScrollArea*>();
    QCOMPARE(defilement->verticalScrollBar()->value(), 0);
    // The buttons stay below it.
    QVERIFY(message->mapTo(feuille, QPoint(0, message->height())).y() <= form->boutonValider()->mapTo(feuille, QPoint(0, 0)).y());
    feuille->close();
}

void FormulaireLocationTest::pricesInTheLocaleAndTheFlipCard()
{
    Banc b;
    auto* form = b.ouvrir();
    FlipView* carte = form->carteTarifs();
    QVERIFY(!carte->isFlipped());
    QVERIFY(carte->front()->isVisible());
    QVERIFY(!carte->back()->isVisible());
    form->interrupteurTarifs()->setFocus();
    QTest::keyClick(form->interrupteurTarifs(), Qt::Key_Space);
    QVERIFY(carte->isFlipped());
    QTRY_VERIFY(!carte->isAnimating());
    QVERIFY(carte->back()->isVisible());
    QVERIFY(!carte->front()->isVisible());

    QCOMPARE(form->champTarifPose()->lineEdit()->text(), QStringLiteral("0,00"));
    taper(form->champTarifPose()->lineEdit(), "12,5");
    QTest::keyClick(form->champTarifPose()->lineEdit(), Qt::Key_Tab);
    QCOMPARE(form->champTarifPose()->value(), std::optional<double>(12.5));
    QCOMPARE(form->champTarifPose()->lineEdit()->text(), QStringLiteral("12,50"));
    taper(form->champTarifJournalier()->lineEdit(), "abc");
    QTest::keyClick(form->champTarifJournalier()->lineEdit(), Qt::Key_Tab);
    QCOMPARE(form->champTarifJournalier()->value(), std::optional<double>(0));

    // Turned back, the prices stay and are saved.
    QTest::keyClick(form->interrupteurTarifs(), Qt::Key_Space);
    QTRY_VERIFY(!carte->isAnimating());
    QVERIFY(carte->front()->isVisible());
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations()[0]->tarifPose(), 12.5);
    QCOMPARE(b.locations()[0]->tarifJournalier(), 0.0);
}

void FormulaireLocationTest::pricesOutOfRangeAreRefused()
{
    Banc b;
    auto* form = b.ouvrir();
    form->interrupteurTarifs()->setFocus();
    QTest::keyClick(form->interrupteurTarifs(), Qt::Key_Space);
    QTRY_VERIFY(!form->carteTarifs()->isAnimating());

    const QList<std::pair<forms::NumberField*, QString>> champs = {
        {form->champTarifPose(), QStringLiteral("Tarif de pose")},
        {form->champTarifEnlevement(), QStringLiteral("Tarif d’enlèvement")},
        {form->champTarifJournalier(), QStringLiteral("Tarif journalier")},
    };
    // Left with Tab, a refused price says why under the field; the card grows for it and no
    // field is crushed.
    taper(form->champTarifPose()->lineEdit(), QStringLiteral("100000,01"));
    QTest::keyClick(form->champTarifPose()->lineEdit(), Qt::Key_Tab);
    QVERIFY(form->champTarifPose()->messageLabel()->isVisible());
    for (const auto& [champ, nom] : champs)
        QTRY_VERIFY(champ->lineEdit()->height() >= champ->lineEdit()->sizeHint().height());

    for (const auto& [champ, nom] : champs) {
        for (const char* trop : {"100000,01", "-0,01", "99999999999999999999"}) {
            // Typed, then "Valider" clicked: the field is left, then the form reads it again.
            taper(champ->lineEdit(), QString::fromLatin1(trop));
            QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
            QVERIFY(b.locations().isEmpty());
            QVERIFY(!b.ctx->hasChanges());
            QCOMPARE(b.fermetures, 0);
            QVERIFY(form->showError());
            QVERIFY2(form->texteErreur().startsWith(nom + QStringLiteral(" : entre 0 et ")), qPrintable(form->texteErreur()));
            QVERIFY(form->texteErreur().endsWith(QStringLiteral(" €")));
            QCOMPARE(champ->lineEdit()->text(), QString::fromLatin1(trop));
            QCOMPARE(champ->message(), form->texteErreur());
            QVERIFY(form->boutonValider()->isEnabled());
        }
        // Mended, the field's message and the form's red line go at once.
        taper(champ->lineEdit(), QStringLiteral("100000"));
        QTest::keyClick(champ->lineEdit(), Qt::Key_Tab);
        QCOMPARE(champ->message(), QString());
        QVERIFY(!form->findChild<QLabel*>("messageErreur")->isVisible());
        QVERIFY(!form->showError());
    }
    // At the bound, the rental is stored.
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations()[0]->tarifPose(), plages::prixEuros.maximum);
    QCOMPARE(b.locations()[0]->tarifEnlevement(), plages::prixEuros.maximum);
    QCOMPARE(b.locations()[0]->tarifJournalier(), plages::prixEuros.maximum);
}

void FormulaireLocationTest::nothingSqueezedOrOverlappingAtTheSheetSize()
{
    // The sheet's default size, with every row shown: contacts, the red message, the prices card
    // turned over.
    Banc b;
    new Contact("Jean", "Martin", "0600000000", "", b.alpha);
    QVERIFY(saved(b.ctx.get()));
    auto* form = b.ouvrir();
    QCOMPARE(form->size(), QSize(600, 630));
    b.ctx->failNextSave(QStringLiteral("disque plein"));
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QVERIFY(form->showError());
    QVERIFY(form->choixContact()->isVisible());
    form->interrupteurTarifs()->setChecked(true);
    QTRY_VERIFY(!form->carteTarifs()->isAnimating());
    QCoreApplication::processEvents();

    // The price rows keep their height.
    for (forms::NumberField* champ : {form->champTarifPose(), form->champTarifEnlevement(), form->champTarifJournalier()}) {
        QVERIFY(champ->isVisible());
        QVERIFY2(champ->lineEdit()->height() >= champ->lineEdit()->sizeHint().height(),
                 qPrintable(QString::number(champ->lineEdit()->height())));
    }
    // Nothing lies over anything else.
    QList<QWidget*> parties = {form->champAdresse(), form->findChild<QStackedWidget*>("emplacementSuggestions"),
                               form->champLatitude(), form->champDatePose(), form->findChild<QStackedWidget*>("rangeeEnlevement"),
                               form->choixContact(), form->choixTypeDechet(), form->interrupteurTarifs(),
                               form->champTarifPose()->lineEdit(), form->champTarifEnlevement()->lineEdit(),
                               form->champTarifJournalier()->lineEdit(), form->findChild<QLabel*>("messageErreur"),
                               form->boutonValider()};
    const auto rect = [form](QWidget* w) { return QRect(w->mapTo(form, QPoint(0, 0)), w->size()); };
    // Fields that scroll together never overlap; beside what scrolls, only what shows counts.
    QWidget* contenu = form->findChild<QScrollArea*>()->widget();
    const auto montre = [form](QWidget* w) {
        const QRect r = w->visibleRegion().boundingRect();
        return QRect(w->mapTo(form, r.topLeft()), r.size());
    };
    for (int i = 0; i < parties.size(); ++i) {
        QVERIFY2(parties[i]->isVisible() && parties[i]->height() > 0, qPrintable(parties[i]->objectName()));
        for (int j = i + 1; j < parties.size(); ++j) {
            const bool ensemble = contenu->isAncestorOf(parties[i]) && contenu->isAncestorOf(parties[j]);
            const bool chevauche = ensemble ? rect(parties[i]).intersects(rect(parties[j]))
                                            : montre(parties[i]).intersects(montre(parties[j]));
            QVERIFY2(!chevauche, qPrintable(parties[i]->objectName() + " / " + parties[j]->objectName()));
        }
    }
    // What does not fit is reached by scrolling; "Valider" and "Annuler" stay in view.
    QScrollArea* defilement = form->findChild<QScrollArea*>();
    QVERIFY(defilement);
    for (QWidget* bouton : {static_cast<QWidget*>(form->boutonValider()), static_cast<QWidget*>(form->boutonAnnuler())})
        QVERIFY(form->rect().contains(rect(bouton)));
    defilement->ensureWidgetVisible(form->champTarifJournalier()->lineEdit());
    QWidget* dernier = form->champTarifJournalier()->lineEdit();
    QVERIFY(defilement->viewport()->rect().contains(QRect(dernier->mapTo(defilement->viewport(), QPoint(0, 0)), dernier->size())));
}

void FormulaireLocationTest::saveRequiresAClient()
{
    // The sheet chooses no client: Ctrl+Return and "Valider" refuse until the user picks one.
    Banc b;
    QWidget fenetre;
    QPointer<QDialog> feuille = b.feuilleSur(fenetre, QSize(1200, 760));
    QApplication::setActiveWindow(feuille);
    QTRY_VERIFY(feuille->isActiveWindow() && QApplication::focusWidget());
    FormulaireLocationView* form = formulaireDe(feuille);
    // Typed from the address: the refusal hands the keys to the missing field, outlined, and
    // is said.
    fixtures::HeardAnnouncements lecteur;
    QTest::mouseClick(form->champAdresse(), Qt::LeftButton);
    QTRY_VERIFY(form->champAdresse()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    QTRY_VERIFY(form->choixClient()->hasFocus());
    QCOMPARE(lecteur.said, QStringList{FormulaireLocationView::messageChampsObligatoires()});
    QVERIFY(forms::hasInvalidOutline(form->choixClient()));
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QVERIFY(form->showError());
    QCOMPARE(form->texteErreur(), FormulaireLocationView::messageChampsObligatoires());
    QVERIFY(form->findChild<QLabel*>("messageErreur")->isVisible());
    QVERIFY(b.locations().isEmpty());
    QVERIFY(form->boutonValider()->isEnabled());
    QVERIFY(!form->isSaving());
    // The message goes once a client is chosen: its cause is gone.
    Banc::choisirClient(form, QStringLiteral("Zeta TP"));
    QVERIFY(!form->findChild<QLabel*>("messageErreur")->isVisible());
    QVERIFY(!forms::hasInvalidOutline(form->choixClient()));
    QTest::keyClick(form->choixClient(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(b.locations().first()->client(), b.zeta);
    QTRY_VERIFY(!feuille);
    // What was stored is said over the window the work goes on in.
    QTRY_VERIFY2(lecteur.said.last().startsWith(QStringLiteral("Location enregistrée pour Zeta TP, benne 10")),
                 qPrintable(lecteur.said.last()));
}

void FormulaireLocationTest::wheelWaitsForTheUserToPutTheKeyboardThere()
{
    // The focus the sheet gives by itself (its first field as it opens, the removal date after
    // « Choisir une date… ») does not hand the field the wheel; a click into it does.
    installWheelGuard(qApp);
    Banc b;
    QWidget fenetre;
    QPointer<QDialog> feuille = b.feuilleSur(fenetre, QSize(1200, 760));
    QApplication::setActiveWindow(feuille);
    FormulaireLocationView* form = formulaireDe(feuille);
    QTRY_COMPARE(QApplication::focusWidget(), form->choixClient());
    for (int crans : {1, -1, -1})
        turnWheel(form->choixClient(), crans);
    QCOMPARE(form->choixClient()->currentIndex(), 0);
    QTest::mouseClick(form->boutonFixerEnlevement(), Qt::LeftButton);
    QDateEdit* enlevement = form->champDateEnlevement();
    QTRY_COMPARE(QApplication::focusWidget(), enlevement);
    for (int crans : {1, 1, -1})
        turnWheel(enlevement, crans);
    QCOMPARE(enlevement->date(), form->datePose().date());
    QTest::mouseClick(enlevement, Qt::LeftButton);
    const QDate avant = enlevement->date();
    turnWheel(enlevement, 1);
    QVERIFY(enlevement->date() > avant);
    removeWheelGuard(qApp);
}

void FormulaireLocationTest::saveStoresTheRental()
{
    Banc b;
    auto* form = b.ouvrir();
    QTest::keyClick(form->choixTypeDechet(), Qt::Key_Down); // Bois
    QTest::keyClicks(form->champAdresse(), "  5 rue des Lilas, Lyon  ");
    taper(form->champLatitude(), "45,76");
    taper(form->champLongitude(), "4,83");
    form->boutonFixerEnlevement()->click();
    form->champDateEnlevement()->setDate(QDate(2026, 3, 20));
    QTest::keyClick(form->boutonValider(), Qt::Key_Space);
    QCOMPARE(b.fermetures, 1);
    QCOMPARE(b.locations().size(), 1);
    LocationDeBenne* l = b.locations()[0];
    QCOMPARE(l->client(), b.alpha);
    QCOMPARE(l->benne(), b.benne);
    QCOMPARE(l->typeDechet(), b.bois);
    QCOMPARE(l->adresse(), std::optional<QString>("5 rue des Lilas, Lyon"));
    QCOMPARE(l->latitude(), std::optional<double>(45.76));
    QCOMPARE(l->longitude(), std::optional<double>(4.83));
    QCOMPARE(l->datePose(), localDateTime(2026, 3, 16, 10));
    QCOMPARE(l->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 20, 10)));
    QCOMPARE(l->tarifPose(), 0.0);
    QVERIFY(!l->chauffeurPose());
    QVERIFY(!b.ctx->hasChanges());
    // A geocoding would have been asked for as the save ended.
    QCOMPARE(GeocodageApresEnregistrement::pour(b.ctx.get())->enAttente(), 0);
    // The address was completed while typing, but nothing was geocoded after the save.
    for (const QUrlQuery& q : b.faux.requetes)
        QCOMPARE(q.queryItemValue("autocomplete"), QStringLiteral("1"));
}

void FormulaireLocationTest::deletedWasteTypeLeavesTheRentalWithout()
{
    // Chosen by the user, then deleted elsewhere: the rental has no type (the first one left is
    // not put in its place).
    {
        Banc b;
        auto* form = b.ouvrir();
        QTest::keyClick(form->choixTypeDechet(), Qt::Key_Down); // Bois
        QCOMPARE(form->typeDechetSelectionne(), b.bois);
        QVERIFY(b.ctx->remove(b.bois));
        QVERIFY(saved(b.ctx.get()));
        QTRY_COMPARE(form->choixTypeDechet()->count(), 1);
        QVERIFY(!form->typeDechetSelectionne());
        QCOMPARE(form->choixTypeDechet()->currentIndex(), -1);
        QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
        QCOMPARE(b.locations().size(), 1);
        QVERIFY(!b.locations()[0]->typeDechet());
    }
    // The type chosen on appearance, deleted before "Valider" is pressed, even before the
    // lists hear of it.
    {
        Banc b;
        auto* form = b.ouvrir();
        QCOMPARE(form->typeDechetSelectionne(), b.gravats);
        QVERIFY(b.ctx->remove(b.gravats));
        QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
        QCOMPARE(b.locations().size(), 1);
        QVERIFY(!b.locations()[0]->typeDechet());
    }
    // The user may still choose one of those left.
    {
        Banc b;
        auto* form = b.ouvrir();
        QVERIFY(b.ctx->remove(b.gravats));
        QTRY_COMPARE(form->choixTypeDechet()->count(), 1);
        QVERIFY(!form->typeDechetSelectionne());
        form->choixTypeDechet()->setFocus();
        QTest::keyClick(form->choixTypeDechet(), Qt::Key_Home);
        QCOMPARE(form->typeDechetSelectionne(), b.bois);
        QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
        QCOMPARE(b.locations()[0]->typeDechet(), b.bois);
    }
}

void FormulaireLocationTest::prefilledCoordinatesAreGeocoded()
{
    Banc b;
    b.faux.reponses["Lyon"] = collection({kLyon, kParis});
    auto* form = b.ouvrir();
    QVERIFY(form->latitude().isEmpty());
    QCOMPARE(form->champLatitude()->placeholderText(), QStringLiteral("ex. 46.600000"));
    form->champAdresse()->setText(" Lyon ");
    form->autoCompleteur()->annulerRecherche();
    auto* geo = GeocodageApresEnregistrement::pour(b.ctx.get());
    QSignalSpy fin(geo, &GeocodageApresEnregistrement::termine);
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCOMPARE(b.locations().size(), 1);
    LocationDeBenne* l = b.locations()[0];
    // The texts the form filled itself are no coordinate.
    QVERIFY(!l->latitude());
    QVERIFY(!l->longitude());
    b.form.reset(); // the sheet is gone; the answer still lands
    QTRY_COMPARE(fin.count(), 1);
    QCOMPARE(b.faux.dernierTexte(), QStringLiteral("Lyon"));
    QVERIFY(!b.faux.requetes.last().hasQueryItem("autocomplete"));
    QCOMPARE(l->latitude(), std::optional<double>(45.764));
    QCOMPARE(l->longitude(), std::optional<double>(4.8357));
    QVERIFY(!b.ctx->hasChanges());

    // An answer without a place leaves the rental as it was.
    Banc c;
    auto* f2 = c.ouvrir();
    f2->champAdresse()->setText("Nulle part");
    f2->autoCompleteur()->annulerRecherche();
    QSignalSpy fin2(GeocodageApresEnregistrement::pour(c.ctx.get()), &GeocodageApresEnregistrement::termine);
    QTest::mouseClick(f2->boutonValider(), Qt::LeftButton);
    QTRY_COMPARE(fin2.count(), 1);
    QVERIFY(!c.locations()[0]->latitude());

    // Blanks only: no address and no geocoding.
    Banc d;
    auto* f3 = d.ouvrir();
    f3->champAdresse()->setText("   ");
    QTest::mouseClick(f3->boutonValider(), Qt::LeftButton);
    QVERIFY(!d.locations()[0]->adresse());
    QCOMPARE(GeocodageApresEnregistrement::pour(d.ctx.get())->enAttente(), 0);
}

void FormulaireLocationTest::typedCoordinatesAreNotGeocoded()
{
    Banc b;
    auto* form = b.ouvrir();
    form->champAdresse()->setText("Lyon");
    form->autoCompleteur()->annulerRecherche();
    // One coordinate without the other is refused, the red line naming the missing one; the
    // starting position never stands in for it.
    taper(form->champLatitude(), "44.8067");
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCOMPARE(b.locations().size(), 0);
    QCOMPARE(form->texteErreur(), FormulaireLocationView::messageLongitudeManquante());
    QVERIFY(form->findChild<QLabel*>("messageErreur")->isVisible());
    QCOMPARE(form->focusWidget(), form->champLongitude());
    taper(form->champLatitude(), "");
    taper(form->champLongitude(), "4.85");
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCOMPARE(b.locations().size(), 0);
    QCOMPARE(form->texteErreur(), FormulaireLocationView::messageLatitudeManquante());
    QCOMPARE(form->focusWidget(), form->champLatitude());
    // Both typed: stored as typed, nothing geocoded; a text that does not read is geocoded.
    taper(form->champLatitude(), "45.5");
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations()[0]->latitude(), std::optional<double>(45.5));
    QCOMPARE(b.locations()[0]->longitude(), std::optional<double>(4.85));
    QCOMPARE(GeocodageApresEnregistrement::pour(b.ctx.get())->enAttente(), 0);
}

void FormulaireLocationTest::coordinatesOutOfRangeAreRefusedWithTheirRange()
{
    // A coordinate that reads as a number beyond its range (or not finite) is refused, the red
    // line naming the field and its range; it goes as soon as the text is mended.
    Banc b;
    auto* form = b.ouvrir();
    for (const auto& [latitude, longitude, debut] : {std::tuple("999", "4.8", "Latitude : entre "),
                                                     std::tuple("45.7", "-1e308", "Longitude : entre "),
                                                     std::tuple("45,7", "180,000001", "Longitude : entre ")}) {
        taper(form->champLatitude(), QString::fromLatin1(latitude));
        taper(form->champLongitude(), QString::fromLatin1(longitude));
        QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
        QVERIFY(b.locations().isEmpty());
        QVERIFY2(form->texteErreur().startsWith(QString::fromUtf8(debut)), qPrintable(form->texteErreur()));
        taper(static_cast<QLineEdit*>(form->focusWidget()), QStringLiteral("45"));
        QVERIFY(!form->findChild<QLabel*>("messageErreur")->isVisible());
    }
    taper(form->champLatitude(), "-90");
    taper(form->champLongitude(), "180");
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations()[0]->longitude(), std::optional<double>(180));
}

void FormulaireLocationTest::geocodingAnswerForADeletedRentalIsIgnored()
{
    Banc b;
    b.faux.reponses["Lyon"] = collection({kLyon});
    b.faux.delaiParDefaut = 300;
    auto* form = b.ouvrir();
    form->champAdresse()->setText("Lyon");
    form->autoCompleteur()->annulerRecherche();
    auto* geo = GeocodageApresEnregistrement::pour(b.ctx.get());
    QSignalSpy fin(geo, &GeocodageApresEnregistrement::termine);
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    LocationDeBenne* l = b.locations()[0];
    QVERIFY(b.ctx->remove(l));
    QVERIFY(saved(b.ctx.get()));
    QTRY_COMPARE(fin.count(), 1);
    QVERIFY(!l->latitude());
    QVERIFY(!b.ctx->hasChanges());
    QVERIFY(b.locations().isEmpty());
}

void FormulaireLocationTest::failedSaveLeavesNothingPending()
{
    Banc b;
    auto* form = b.ouvrir();
    b.ctx->failNextSave("disque plein");
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCOMPARE(form->texteErreur(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    QCOMPARE(b.fermetures, 0);
    QVERIFY(b.locations().isEmpty());
    QVERIFY(!b.ctx->hasChanges());
    QVERIFY(form->boutonValider()->isEnabled());
    // A retry stores one rental.
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QCOMPARE(b.fermetures, 1);
    QCOMPARE(b.locations().size(), 1);
    QVERIFY(saved(b.ctx.get()));
    QCOMPARE(b.ctx->count<LocationDeBenne>(), 1);
}

void FormulaireLocationTest::sheetClosesOnceAndGridOpensIt()
{
    Banc b;
    auto* unusable = colouredBenne(b.ctx.get(), 6, "0000FF", EtatBenne::inutilisable);
    QVERIFY(saved(b.ctx.get()));
    QWidget fenetre;
    fenetre.resize(1200, 760);
    VuePlanificationBennes grille(b.ctx.get(), Observable<bool>(), &fenetre);
    fenetre.show();

    grille.selectionnerBenne(unusable);
    QVERIFY(!grille.feuille());
    QTRY_VERIFY(grille.afficherAlerteBenneInutilisable());
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "alerteBenneInutilisable")
            w->close();

    grille.selectionnerBenne(b.benne);
    QDialog* feuille = grille.feuille();
    QVERIFY(feuille);
    QCOMPARE(feuille->objectName(), QStringLiteral("feuilleNouvelleLocation"));
    QCOMPARE(feuille->windowModality(), Qt::WindowModal);
    QVERIFY(feuille->minimumWidth() >= 480);
    FormulaireLocationView* form = formulaireDe(feuille);
    QTest::mouseClick(form->boutonAnnuler(), Qt::LeftButton);
    QVERIFY(!grille.benneSelection());
    QTRY_VERIFY(!grille.feuille());

    // Escape closes the sheet too.
    grille.selectionnerBenne(b.benne);
    QTest::keyClick(grille.feuille(), Qt::Key_Escape);
    QVERIFY(!grille.benneSelection());

    // "Valider" stores the rental and closes the sheet once.
    grille.selectionnerBenne(b.benne);
    QSignalSpy fermeture(&grille, &VuePlanificationBennes::benneSelectionChanged);
    Banc::choisirClient(formulaireDe(grille.feuille()), QStringLiteral("Zeta TP"));
    formulaireDe(grille.feuille())->validerEtEnregistrer();
    QCOMPARE(fermeture.count(), 1);
    QCOMPARE(b.benne->locations().size(), 1);
    QVERIFY(!grille.benneSelection());
    QTRY_VERIFY(!grille.feuille());
}

void FormulaireLocationTest::sheetFitsTheSmallestWindow()
{
    // The main window at its smallest (760 × 480 with the sidebar, 536 × 458 without): the sheet
    // stays within it, at its opening size and at its own smallest; the fields scroll down, never
    // sideways, and the buttons stay in view.
    Banc b;
    new Contact("Jean", "Martin", "0600000000", "", b.alpha);
    QVERIFY(saved(b.ctx.get()));
    for (const QSize fen : {QSize(760, 480), QSize(536, 458)}) {
    QWidget fenetre;
    QDialog* feuille = b.feuilleSur(fenetre, fen);
    QVERIFY(feuille);
    FormulaireLocationView* form = formulaireDe(feuille);
    Banc::choisirClient(form, QStringLiteral("Alpha Maçonnerie"));
    QVERIFY2(feuille->width() <= fen.width() && feuille->height() <= fen.height(),
             qPrintable(QStringLiteral("%1 × %2").arg(feuille->width()).arg(feuille->height())));
    QVERIFY2(fenetre.frameGeometry().contains(feuille->frameGeometry()),
             qPrintable(QStringLiteral("sheet %1 wide over %2").arg(feuille->frameGeometry().width()).arg(fen.width())));
    form->interrupteurTarifs()->setChecked(true);
    QTRY_VERIFY(!form->carteTarifs()->isAnimating());
    for (const QSize taille : {feuille->size(), feuille->minimumSize()}) {
        feuille->resize(taille);
        settle();
        const QString ou = QStringLiteral("%1 × %2").arg(feuille->width()).arg(feuille->height());
        QVERIFY2(feuille->width() <= fen.width() && feuille->height() <= fen.height(), qPrintable(ou));
        auto* defilement = form->findChild<QScrollArea*>("defilementFormulaire");
        QWidget* contenu = defilement->widget();
        QVERIFY2(contenu->width() <= defilement->viewport()->width(), qPrintable(ou));
        // The prices card whole across, both faces.
        QVERIFY2(form->carteTarifs()->width() >= form->findChild<QWidget*>("faceAvantTarifs")->width(), qPrintable(ou));
        QVERIFY2(form->carteTarifs()->mapTo(contenu, QPoint(form->carteTarifs()->width(), 0)).x() <= contenu->width(),
                 qPrintable(ou));
        // Every field and button whole, the ones that scroll once scrolled to.
        QList<QWidget*> parties = {form->choixClient(), form->champAdresse(), form->champLatitude(),
                                   form->champLongitude(), form->boutonVille(), form->champDatePose(),
                                   form->choixContact(), form->choixTypeDechet(), form->champTarifPose()->lineEdit(),
                                   form->champTarifJournalier()->lineEdit()};
        for (QWidget* w : parties) {
            // (A line edit's own scrolling shows its cursor only: its whole rectangle is asked for.)
            const QPoint centre = w->mapTo(contenu, w->rect().center());
            defilement->ensureVisible(centre.x(), centre.y(), w->width() / 2 + 1, w->height() / 2 + 1);
            const QRect vu = w->visibleRegion().boundingRect();
            QVERIFY2(vu == w->rect(), qPrintable(QStringLiteral("%1 %2: %3 of %4 shown").arg(ou, w->objectName())
                                                     .arg(vu.width()).arg(w->width())));
        }
        for (QWidget* bouton : {static_cast<QWidget*>(form->boutonValider()), static_cast<QWidget*>(form->boutonAnnuler())})
            QVERIFY2(bouton->visibleRegion().boundingRect() == bouton->rect(), qPrintable(ou));
    }
    static_cast<FeuilleNouvelleLocation*>(feuille)->congedier();
    QTRY_VERIFY(!feuille->isVisible());
    }
}

void FormulaireLocationTest::unreachableAddressServiceIsSaidInTheSheet()
{
    Banc b;
    // A port of this machine that nothing listens on.
    quint16 ferme = 0;
    {
        QTcpServer serveur;
        QVERIFY(serveur.listen(QHostAddress::LocalHost, 0));
        ferme = serveur.serverPort();
    }
    AdresseService injoignable(QUrl(QStringLiteral("http://127.0.0.1:%1/geocodage").arg(ferme)));
    fixtures::HeardAnnouncements lecteur;
    FormulaireLocationView form(b.ctx.get(), b.benne->id(), [] {}, &injoignable, nullptr, fixedClock());
    form.resize(600, 630);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.autoCompleteur()->setDelaiSaisieMs(0);
    Banc::choisirClient(&form, QStringLiteral("Alpha Maçonnerie"));
    auto* emplacement = form.findChild<QStackedWidget*>("emplacementSuggestions");

    // Said where the suggestions would be.
    QTest::keyClicks(form.champAdresse(), "12 rue de la Paix");
    auto* message = form.findChild<QLabel*>("messageServiceAdresses");
    QVERIFY(message);
    QTRY_VERIFY(message->isVisible());
    QVERIFY2(message->text().startsWith(QStringLiteral("Service d’adresses injoignable")), qPrintable(message->text()));
    QCOMPARE(lecteur.said, QStringList{message->text()}); // said once
    QVERIFY(emplacement->isAncestorOf(message));
    QVERIFY(message->visibleRegion().boundingRect() == message->rect());
    QCOMPARE(form.adresse(), QStringLiteral("12 rue de la Paix"));
    QTRY_VERIFY(!message->graphicsEffect()); // faded in
    capture(&form, QStringLiteral("adresse-injoignable"));

    // Coordinates typed by hand: the map comes back with them, and the rental is stored.
    taper(form.champLatitude(), "45.5");
    taper(form.champLongitude(), "4.8");
    QVERIFY(!message->isVisible());
    QCOMPARE(emplacement->currentWidget(), form.carte());
    QCOMPARE(form.carte()->repere(), std::optional<Coordonnee>(Coordonnee{45.5, 4.8}));
    QTest::mouseClick(form.boutonValider(), Qt::LeftButton);
    QCOMPARE(b.locations().size(), 1);
    LocationDeBenne* l = b.locations().first();
    QCOMPARE(l->adresse(), std::optional<QString>(QStringLiteral("12 rue de la Paix")));
    QCOMPARE(l->latitude(), std::optional<double>(45.5));
    QCOMPARE(l->longitude(), std::optional<double>(4.8));
}

void FormulaireLocationTest::addressServiceMessageGoesWithTheAddress()
{
    // Typed again after the message, the address asks again; back under three characters, the
    // message goes and the map returns.
    Banc b;
    b.faux.statut = "503";
    auto* form = b.ouvrir();
    auto* emplacement = form->findChild<QStackedWidget*>("emplacementSuggestions");
    QTest::keyClicks(form->champAdresse(), "Lyon");
    auto* message = form->findChild<QLabel*>("messageServiceAdresses");
    QVERIFY(message);
    QTRY_VERIFY(message->isVisible());
    QVERIFY(message->text().contains("HTTP 503"));
    b.faux.statut = "200";
    b.faux.reponseParDefaut = collection({kLyon});
    QTest::keyClicks(form->champAdresse(), " 1");
    QTRY_COMPARE(emplacement->currentWidget(), form->suggestions());
    QVERIFY(!message->isVisible());
    b.faux.statut = "503";
    QTest::keyClick(form->champAdresse(), Qt::Key_Backspace);
    QTRY_VERIFY(message->isVisible());
    taper(form->champAdresse(), "Ly");
    QVERIFY(!message->isVisible());
    QCOMPARE(emplacement->currentWidget(), form->carte());
}

namespace {

// The question « Enregistrer les modifications ? » open over the sheet, or null.
QMessageBox* questionSur(QWidget* fenetre)
{
    const QPointer<QWidget> feuille(fenetre);
    QCoreApplication::processEvents();
    // The events just processed may have closed and deleted the sheet.
    if (!feuille)
        return nullptr;
    for (QMessageBox* box : feuille->findChildren<QMessageBox*>())
        if (box->isVisible() && box->objectName() == QStringLiteral("enregistrerModifications"))
            return box;
    return nullptr;
}

} // namespace

void FormulaireLocationTest::escapeWithTypedWorkAsksFirst()
{
    Banc b;
    QWidget fenetre;
    fenetre.resize(1200, 760);
    VuePlanificationBennes grille(b.ctx.get(), Observable<bool>(), &fenetre);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));

    // Nothing typed: Escape closes at once.
    grille.selectionnerBenne(b.benne);
    QPointer<QDialog> feuille = grille.feuille();
    QVERIFY(QTest::qWaitForWindowExposed(feuille));
    QTest::keyClick(formulaireDe(feuille)->champAdresse(), Qt::Key_Escape);
    QVERIFY(!questionSur(feuille));
    QVERIFY(!grille.benneSelection());
    QTRY_VERIFY(!feuille);

    // An address, dates and a price typed: Escape asks as the editors do; "Annuler" keeps all.
    grille.selectionnerBenne(b.benne);
    feuille = grille.feuille();
    QVERIFY(QTest::qWaitForWindowExposed(feuille));
    FormulaireLocationView* form = formulaireDe(feuille);
    QTest::keyClicks(form->champAdresse(), "5 rue des Lilas, Lyon");
    const QDateTime enlevement = form->datePose().addDays(4);
    form->setDateEnlevement(enlevement);
    form->interrupteurTarifs()->setChecked(true);
    taper(form->champTarifPose()->lineEdit(), "80");
    QTest::keyClick(form->champTarifPose()->lineEdit(), Qt::Key_Escape);
    QMessageBox* question = questionSur(feuille);
    QVERIFY(question);
    // Escape drops the sheet as its « Annuler » does: Return in the question never stores.
    QVERIFY(question->defaultButton());
    QCOMPARE(question->defaultButton()->text().remove(QLatin1Char('&')), QStringLiteral("Ne pas enregistrer"));
    QVERIFY(clickBoxButton(question, QStringLiteral("Annuler")));
    QVERIFY(feuille && feuille->isVisible());
    QVERIFY(grille.benneSelection());
    QCOMPARE(form->adresse(), QStringLiteral("5 rue des Lilas, Lyon"));
    QCOMPARE(form->dateEnlevement(), std::optional<QDateTime>(enlevement));
    QVERIFY(form->champTarifPose()->commit());
    QCOMPARE(form->champTarifPose()->value(), std::optional<double>(80));
    QCOMPARE(b.locations().size(), 0);

    // The close button asks the same; "Ne pas enregistrer" closes without storing anything.
    feuille->close();
    QVERIFY(feuille && feuille->isVisible());
    QVERIFY(clickBoxButton(questionSur(feuille), QStringLiteral("Ne pas enregistrer")));
    QVERIFY(!grille.benneSelection());
    QTRY_VERIFY(!feuille);
    QCOMPARE(b.locations().size(), 0);

    // "Enregistrer" stores the rental as "Valider" does, then the sheet closes.
    grille.selectionnerBenne(b.benne);
    feuille = grille.feuille();
    QVERIFY(QTest::qWaitForWindowExposed(feuille));
    form = formulaireDe(feuille);
    Banc::choisirClient(form, QStringLiteral("Alpha Maçonnerie"));
    QTest::keyClicks(form->champAdresse(), "5 rue des Lilas, Lyon");
    taper(form->champLatitude(), "45.76");
    taper(form->champLongitude(), "4.83");
    QTest::keyClick(form->champLongitude(), Qt::Key_Escape);
    QVERIFY(clickBoxButton(questionSur(feuille), QStringLiteral("Enregistrer")));
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations().first()->adresse(), std::optional<QString>(QStringLiteral("5 rue des Lilas, Lyon")));
    QVERIFY(!grille.benneSelection());
    QTRY_VERIFY(!feuille);

    // A save refused (no client chosen) keeps the sheet and its red line.
    grille.selectionnerBenne(b.benne);
    feuille = grille.feuille();
    QVERIFY(QTest::qWaitForWindowExposed(feuille));
    form = formulaireDe(feuille);
    QVERIFY(!form->clientSelectionne());
    QTest::keyClicks(form->champAdresse(), "5 rue des Lilas, Lyon");
    QTest::keyClick(form->champAdresse(), Qt::Key_Escape);
    QVERIFY(clickBoxButton(questionSur(feuille), QStringLiteral("Enregistrer")));
    QVERIFY(feuille && feuille->isVisible());
    QCOMPARE(form->texteErreur(), FormulaireLocationView::messageChampsObligatoires());
    QCOMPARE(b.locations().size(), 1);
    QTest::mouseClick(form->boutonAnnuler(), Qt::LeftButton);
    QVERIFY(clickBoxButton(questionSur(feuille), QStringLiteral("Ne pas enregistrer")));
    QTRY_VERIFY(!feuille);
}

void FormulaireLocationTest::quitKeyReachesTheWindowFromTheSheet()
{
    // The window's "Quitter" (an action of the quit role, Ctrl+Q) answers while the sheet is
    // open over it: the window itself takes no keys then.
    Banc b;
    QWidget fenetre;
    auto* quitter = new QAction(QStringLiteral("Quitter Kestrovan"), &fenetre);
    quitter->setMenuRole(QAction::QuitRole);
    quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    fenetre.addAction(quitter);
    QSignalSpy demandes(quitter, &QAction::triggered);
    QDialog* feuille = b.feuilleSur(fenetre, QSize(1200, 760));
    QVERIFY(feuille);
    QApplication::setActiveWindow(feuille);
    QTRY_VERIFY(feuille->isActiveWindow());
    QTest::keyClicks(formulaireDe(feuille)->champAdresse(), "5 rue");
    QTest::keyClick(formulaireDe(feuille)->champAdresse(), Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(demandes.count(), 1);
    // The sheet asks about its typed work when asked to leave, then runs what follows.
    auto* f = qobject_cast<FeuilleNouvelleLocation*>(feuille);
    QVERIFY(f);
    QCOMPARE(FeuilleNouvelleLocation::ouverteSur(&fenetre), f);
    bool suite = false;
    f->askToLeave([&suite] { suite = true; });
    QVERIFY(clickBoxButton(questionSur(feuille), QStringLiteral("Ne pas enregistrer")));
    QVERIFY(suite);
    QVERIFY(!FeuilleNouvelleLocation::ouverteSur(&fenetre));
    QCOMPARE(b.locations().size(), 0);
}

void FormulaireLocationTest::sheetNeverExtendsPastItsWindow()
{
    // The window at 1200 × 760 pixels at 1.5 (800 × 506 points), at its smallest and larger,
    // wherever it stands on the screen: the sheet opens over it and lies within it, frame
    // included, with room left around it.
    Banc b;
    for (const QRect place : {QRect(0, 0, 800, 506), QRect(40, 60, 760, 458), QRect(0, 300, 800, 506),
                              QRect(10, 10, 1600, 1000)}) {
        QWidget fenetre;
        fenetre.setGeometry(place);
        QDialog* feuille = b.feuilleSur(fenetre, place.size());
        QVERIFY(feuille);
        const QString ou = QStringLiteral("window %1,%2 %3×%4: sheet %5,%6 %7×%8")
                               .arg(fenetre.frameGeometry().x()).arg(fenetre.frameGeometry().y())
                               .arg(fenetre.frameGeometry().width()).arg(fenetre.frameGeometry().height())
                               .arg(feuille->frameGeometry().x()).arg(feuille->frameGeometry().y())
                               .arg(feuille->frameGeometry().width()).arg(feuille->frameGeometry().height());
        QVERIFY2(fenetre.frameGeometry().contains(feuille->frameGeometry()), qPrintable(ou));
        QVERIFY2(feuille->height() < fenetre.height(), qPrintable(ou));
        feuille->close();
        QTRY_VERIFY(!feuille->isVisible());
    }
}

namespace {

// The new parts of the removal row and the booking notice, found as a user would see them.
QPushButton* boutonFixer(QWidget* form)
{
    return form->findChild<QPushButton*>(QStringLiteral("boutonFixerEnlevement"));
}
QToolButton* boutonRetirer(QWidget* form)
{
    return form->findChild<QToolButton*>(QStringLiteral("boutonRetirerEnlevement"));
}
QLabel* avisChevauchement(QWidget* form)
{
    return form->findChild<QLabel*>(QStringLiteral("avisChevauchement"));
}

} // namespace

void FormulaireLocationTest::sheetTakesTheEditorsSaveKeys()
{
    // Ctrl+S, Ctrl+Return and Ctrl+Enter store the rental as "Valider" does, wherever the focus
    // is in the sheet, then the sheet closes.
    Banc b;
    QWidget fenetre;
    struct Cas {
        Qt::Key touche;
        Qt::KeyboardModifiers modificateurs;
        std::function<QWidget*(FormulaireLocationView*)> champ;
    };
    const QList<Cas> cas = {
        {Qt::Key_S, Qt::ControlModifier, [](FormulaireLocationView* f) -> QWidget* { return f->champAdresse(); }},
        {Qt::Key_Return, Qt::ControlModifier, [](FormulaireLocationView* f) -> QWidget* { return f->champDatePose(); }},
        {Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier,
         [](FormulaireLocationView* f) -> QWidget* { return f->choixTypeDechet(); }},
        {Qt::Key_S, Qt::ControlModifier, [](FormulaireLocationView* f) -> QWidget* { return f->champLatitude(); }},
    };
    for (int i = 0; i < cas.size(); ++i) {
        QPointer<QDialog> feuille = b.feuilleSur(fenetre, QSize(1200, 760));
        QVERIFY(feuille);
        QApplication::setActiveWindow(feuille);
        QTRY_VERIFY(feuille->isActiveWindow());
        FormulaireLocationView* form = formulaireDe(feuille);
        Banc::choisirClient(form, QStringLiteral("Alpha Maçonnerie"));
        const QString adresse = QStringLiteral("%1 rue des Lilas, Lyon").arg(i + 1);
        QTest::keyClicks(form->champAdresse(), adresse);
        QWidget* champ = cas[i].champ(form);
        champ->setFocus();
        QTest::keyClick(champ, cas[i].touche, cas[i].modificateurs);
        QCOMPARE(b.locations().size(), 1);
        QCOMPARE(b.locations().last()->adresse(), std::optional<QString>(adresse));
        QTRY_VERIFY(!feuille);
        // Gone again, so that the next booking of the skip is over nobody's.
        QVERIFY(b.ctx->remove(b.locations().last()));
        QVERIFY(saved(b.ctx.get()));
    }

    // A refused save (no client) keeps the sheet, its red line shown; the keys press nothing
    // while "Valider" is disabled.
    QPointer<QDialog> feuille = b.feuilleSur(fenetre, QSize(1200, 760));
    QVERIFY(feuille);
    QApplication::setActiveWindow(feuille);
    QTRY_VERIFY(feuille->isActiveWindow());
    FormulaireLocationView* form = formulaireDe(feuille);
    form->choixClient()->setCurrentIndex(0);
    emit form->choixClient()->activated(0);
    QTest::keyClick(form->champAdresse(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(form->texteErreur(), FormulaireLocationView::messageChampsObligatoires());
    QVERIFY(feuille->isVisible());
    QCOMPARE(b.locations().size(), 0);
    form->boutonValider()->setEnabled(false);
    QSignalSpy clics(form->boutonValider(), &QPushButton::clicked);
    QTest::keyClick(form->champAdresse(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(clics.count(), 0);
    form->boutonValider()->setEnabled(true);
    static_cast<FeuilleNouvelleLocation*>(feuille.data())->congedier();
    QTRY_VERIFY(!feuille);
}

void FormulaireLocationTest::annulerWithTypedWorkAsksAsTheEditors()
{
    Banc b;
    QWidget fenetre;
    // The cell the work came from takes the keys back once the sheet is gone.
    QLineEdit origine(&fenetre);
    fenetre.show();
    QApplication::setActiveWindow(&fenetre);
    origine.setFocus();
    QTRY_VERIFY(origine.hasFocus());

    // Nothing typed: "Annuler" closes at once, without a question.
    QPointer<QDialog> feuille = b.feuilleSur(fenetre, QSize(1200, 760));
    QVERIFY(feuille);
    QTest::mouseClick(formulaireDe(feuille)->boutonAnnuler(), Qt::LeftButton);
    QVERIFY(!questionSur(&fenetre));
    QTRY_VERIFY(!feuille);

    // An order typed: « Enregistrer les modifications ? »; its "Annuler" keeps every field.
    feuille = b.feuilleSur(fenetre, QSize(1200, 760));
    QVERIFY(feuille);
    FormulaireLocationView* form = formulaireDe(feuille);
    QTest::keyClicks(form->champAdresse(), "5 rue des Lilas, Lyon");
    form->interrupteurTarifs()->setChecked(true);
    taper(form->champTarifPose()->lineEdit(), "80");
    QTest::mouseClick(form->boutonAnnuler(), Qt::LeftButton);
    QMessageBox* question = questionSur(feuille);
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("Enregistrer les modifications ?"));
    QVERIFY(clickBoxButton(question, QStringLiteral("Annuler")));
    QVERIFY(feuille && feuille->isVisible());
    QCOMPARE(form->adresse(), QStringLiteral("5 rue des Lilas, Lyon"));
    QCOMPARE(form->champTarifPose()->value(), std::optional<double>(80));
    QCOMPARE(b.locations().size(), 0);

    // "Ne pas enregistrer" closes, nothing stored.
    QTest::mouseClick(form->boutonAnnuler(), Qt::LeftButton);
    QVERIFY(clickBoxButton(questionSur(feuille), QStringLiteral("Ne pas enregistrer")));
    QTRY_VERIFY(!feuille);
    QCOMPARE(b.locations().size(), 0);
    QTRY_VERIFY(origine.hasFocus());

    // Ctrl+Escape takes back the same way; "Enregistrer" stores what was typed, then closes.
    feuille = b.feuilleSur(fenetre, QSize(1200, 760));
    QVERIFY(feuille);
    QApplication::setActiveWindow(feuille);
    QTRY_VERIFY(feuille->isActiveWindow());
    form = formulaireDe(feuille);
    Banc::choisirClient(form, QStringLiteral("Alpha Maçonnerie"));
    QTest::keyClicks(form->champAdresse(), "7 quai du Port, Lyon");
    form->interrupteurTarifs()->setChecked(true);
    taper(form->champTarifJournalier()->lineEdit(), "12,5");
    QTest::keyClick(form->champTarifJournalier()->lineEdit(), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(clickBoxButton(questionSur(feuille), QStringLiteral("Enregistrer")));
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations().first()->adresse(), std::optional<QString>(QStringLiteral("7 quai du Port, Lyon")));
    QCOMPARE(b.locations().first()->tarifJournalier(), 12.5);
    QTRY_VERIFY(!feuille);

    // Ctrl+Escape with nothing typed closes at once.
    feuille = b.feuilleSur(fenetre, QSize(1200, 760));
    QVERIFY(feuille);
    QApplication::setActiveWindow(feuille);
    QTRY_VERIFY(feuille->isActiveWindow());
    QTest::keyClick(formulaireDe(feuille)->champAdresse(), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(!questionSur(&fenetre));
    QTRY_VERIFY(!feuille);
    QCOMPARE(b.locations().size(), 1);
}

void FormulaireLocationTest::removalDateIsNoneUntilTheUserSetsOne()
{
    Banc b;
    auto* form = b.ouvrir(std::nullopt); // placement on 16 March 2026
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QPushButton* fixer = boutonFixer(form);
    QToolButton* retirer = boutonRetirer(form);
    QVERIFY(fixer && retirer);
    // The row says plainly that no removal is planned, and shows no date.
    QVERIFY(!form->champDateEnlevement()->isVisible());
    QVERIFY(fixer->isVisible());
    QVERIFY(!form->hasUnsavedChanges());

    // By keys: Tab from the placement (its last section) reaches the button; Space sets a
    // date, the field then holds the focus and takes the day typed.
    form->champDatePose()->setFocus();
    form->champDatePose()->setCurrentSection(QDateTimeEdit::YearSection);
    QTest::keyClick(form->champDatePose(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), fixer);
    QTest::keyClick(fixer, Qt::Key_Space);
    QVERIFY(form->champDateEnlevement()->isVisible());
    QCOMPARE(QApplication::focusWidget(), form->champDateEnlevement());
    QCOMPARE(form->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 16, 10)));
    form->champDateEnlevement()->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(form->champDateEnlevement(), "20");
    form->champDateEnlevement()->setCurrentSection(QDateTimeEdit::YearSection);
    QTest::keyClick(form->champDateEnlevement(), Qt::Key_Tab);
    QCOMPARE(form->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 20, 10)));
    QCOMPARE(QApplication::focusWidget(), retirer);
    QVERIFY(form->hasUnsavedChanges());

    // Taken back to none: « Non prévue » again, the focus on the button that sets one.
    QTest::keyClick(retirer, Qt::Key_Space);
    QVERIFY(!form->dateEnlevement());
    QVERIFY(!form->champDateEnlevement()->isVisible());
    QVERIFY(form->etiquetteSansEnlevement()->isVisible());
    QCOMPARE(QApplication::focusWidget(), fixer);
    // Moving the placement leaves "none" alone.
    form->champDatePose()->setDate(QDate(2026, 3, 25));
    QVERIFY(!form->dateEnlevement());
    Banc::choisirClient(form, QStringLiteral("Alpha Maçonnerie"));
    QVERIFY(form->validerEtEnregistrer());
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations()[0]->dateEnlevement(), std::nullopt);
    // (Each rental goes before the next one books the same skip.)
    QVERIFY(b.ctx->remove(b.locations()[0]));

    // Left as it opened, the rental keeps no removal date either.
    auto* autre = b.ouvrir();
    QVERIFY(autre->validerEtEnregistrer());
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations()[0]->dateEnlevement(), std::nullopt);
    QVERIFY(b.ctx->remove(b.locations()[0]));

    // A date set and kept is stored.
    autre = b.ouvrir();
    QTest::mouseClick(boutonFixer(autre), Qt::LeftButton);
    autre->champDateEnlevement()->setDate(QDate(2026, 3, 18));
    QVERIFY(autre->validerEtEnregistrer());
    QCOMPARE(b.locations().size(), 1);
    QCOMPARE(b.locations()[0]->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 18, 10)));
}

void FormulaireLocationTest::bookingOverAnotherIsSaidBeforeItIsStored()
{
    Banc b;
    Client* durand = client(b.ctx.get(), "Durand Bâtiment", QStringLiteral("Lyon"));
    // A client of the same name elsewhere: the line says which Durand holds the skip.
    client(b.ctx.get(), "Durand Bâtiment", QStringLiteral("Villeurbanne"));
    Benne* autre = fixtures::benne(b.ctx.get(), 8);
    // Durand holds the skip from 15 to 18 March; the other skip is on a site with no end.
    LocationDeBenne* occupee =
        placedRental(b.ctx.get(), durand, b.benne, localDateTime(2026, 3, 15, 8), localDateTime(2026, 3, 18, 17));
    placedRental(b.ctx.get(), b.zeta, autre, localDateTime(2026, 3, 2, 8));
    QVERIFY(saved(b.ctx.get()));

    // The sheet opens on 16 March, with no removal: the line names who holds the skip.
    auto* form = b.ouvrir();
    QLabel* avis = avisChevauchement(form);
    QVERIFY(avis);
    QTRY_VERIFY(avis->isVisible());
    QCOMPARE(avis->text(), QStringLiteral("Cette benne est déjà louée à Durand Bâtiment (Lyon) du 15/03/2026 au 18/03/2026."));

    // A placement on the day Durand's removal falls is a handover: nothing said.
    form->champDatePose()->setDate(QDate(2026, 3, 18));
    QVERIFY(!avis->isVisible());
    // Two placements on one day are not; the line, appearing again, is said to a reader.
    fixtures::HeardAnnouncements entendu;
    form->champDatePose()->setDate(QDate(2026, 3, 15));
    QVERIFY(avis->isVisible());
    QCOMPARE(entendu.said, QStringList{avis->text()});
    // From 10 to 15 March: the 15th is Durand's placement day, still a handover.
    form->champDatePose()->setDate(QDate(2026, 3, 10));
    QTest::mouseClick(boutonFixer(form), Qt::LeftButton);
    form->champDateEnlevement()->setDate(QDate(2026, 3, 15));
    QVERIFY(!avis->isVisible());
    // From 10 to 16 March: over Durand's booking.
    form->champDateEnlevement()->setDate(QDate(2026, 3, 16));
    QVERIFY(avis->isVisible());

    // "Valider" asks first, and stores nothing until answered.
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QMessageBox* question = openBox(form, QStringLiteral("confirmationChevauchement"));
    QVERIFY(question);
    QVERIFY(question->text().contains(QStringLiteral("Durand Bâtiment (Lyon) du 15/03/2026 au 18/03/2026")));
    QCOMPARE(b.locations().size(), 2);
    QCOMPARE(b.fermetures, 0);
    QVERIFY(clickBoxButton(question, QStringLiteral("Annuler")));
    QCOMPARE(b.locations().size(), 2);
    QCOMPARE(b.fermetures, 0);
    QVERIFY(form->boutonValider()->isEnabled());

    // A booking made elsewhere is named as soon as the store says so; its client's name is
    // shown as typed, quoted by its beginning, and never widens the sheet.
    const int largeur = form->minimumSizeHint().width();
    durand->setNom(longName(QStringLiteral("Durand")));
    QTRY_VERIFY(avis->text().startsWith(QStringLiteral("Cette benne est déjà louée à Durand <b>Établissements</b>")));
    QVERIFY(avis->text().contains(QStringLiteral("… du 15/03/2026 au 18/03/2026.")));
    QVERIFY(shownToolTip(avis->toolTip()).contains(longName(QStringLiteral("Durand"))));
    QCOMPARE(form->minimumSizeHint().width(), largeur);
    durand->setNom(QStringLiteral("Durand Bâtiment"));
    placedRental(b.ctx.get(), b.zeta, b.benne, localDateTime(2026, 3, 12, 8));
    QTRY_COMPARE(avis->text(), QStringLiteral("Cette benne est déjà louée à Zeta TP à partir du 12/03/2026, sans date "
                                              "d’enlèvement. Une autre location la tient aussi sur ces jours : celle de "
                                              "Durand Bâtiment (Lyon) du 15/03/2026 au 18/03/2026."));

    // "Enregistrer quand même" stores it, then the form is dismissed.
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QVERIFY(clickBoxButton(openBox(form, QStringLiteral("confirmationChevauchement")),
                           QStringLiteral("Enregistrer quand même")));
    QTRY_COMPARE(b.fermetures, 1);
    QCOMPARE(b.locations().size(), 4);
    QCOMPARE(b.locations().last()->datePose(), localDateTime(2026, 3, 10, 10));
    QCOMPARE(b.locations().last()->dateEnlevement(), std::optional<QDateTime>(localDateTime(2026, 3, 16, 10)));

    // Deleted elsewhere, a booking no longer counts; another skip's rentals never do.
    form = b.ouvrir();
    QVERIFY(avisChevauchement(form)->isVisible());
    for (LocationDeBenne* l : b.benne->locations())
        if (l != occupee)
            QVERIFY(b.ctx->remove(l));
    QTRY_COMPARE(avisChevauchement(form)->text(),
                 QStringLiteral("Cette benne est déjà louée à Durand Bâtiment (Lyon) du 15/03/2026 au 18/03/2026."));
    QVERIFY(b.ctx->remove(occupee));
    QTRY_VERIFY(!avisChevauchement(form)->isVisible());
    QVERIFY(form->validerEtEnregistrer());
    QVERIFY(!openBox(form, QStringLiteral("confirmationChevauchement")));
}

void FormulaireLocationTest::overlapLineFollowsTheRemovalAsItIsTyped()
{
    // Zeta holds the skip from 15 to 18 March: a removal typed onto the booking names it at
    // once, before the field is left.
    Banc b;
    placedRental(b.ctx.get(), b.zeta, b.benne, localDateTime(2026, 3, 15, 8), localDateTime(2026, 3, 18, 17));
    auto* form = b.ouvrir();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    form->champDatePose()->setDate(QDate(2026, 3, 10));
    QTest::mouseClick(boutonFixer(form), Qt::LeftButton);
    QDateEdit* champ = form->champDateEnlevement();
    for (const auto& [touches, louee] : {std::pair("16", true), std::pair("14", false)}) {
        champ->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClicks(champ, touches);
        QVERIFY(champ->hasFocus());
        QCOMPARE(avisChevauchement(form)->isVisible(), louee);
    }
}

namespace {

// The lines a word-wrapped label shows its text in.
QStringList lignesAffichees(const QLabel* label)
{
    QTextLayout mise(label->text(), label->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    mise.setTextOption(option);
    QStringList lignes;
    mise.beginLayout();
    for (QTextLine ligne = mise.createLine(); ligne.isValid(); ligne = mise.createLine()) {
        ligne.setLineWidth(label->contentsRect().width());
        lignes.append(label->text().mid(ligne.textStart(), ligne.textLength()));
    }
    mise.endLayout();
    return lignes;
}

} // namespace

void FormulaireLocationTest::overlapLineKeepsTheLookAlikesPhoneWhole()
{
    // Three « Martin Toitures » of one street in Lyon, told apart by their phones: the line
    // names the one holding the skip by its phone, whole and on one line, its bracket closed —
    // in the smallest window and at 1.5 (800 × 506 points).
    Banc b;
    const QString rue = QStringLiteral("49 impasse des Acacias");
    QList<Client*> martins;
    for (const char* telephone : {"04 78 31 12 34", "04 78 31 12 35", "04 78 31 12 36"}) {
        Client* c = client(b.ctx.get(), "Martin Toitures", QStringLiteral("Lyon"), QStringLiteral("69003"), rue);
        c->setTelephone(QString::fromLatin1(telephone));
        martins.append(c);
    }
    placedRental(b.ctx.get(), martins[1], b.benne, localDateTime(2026, 3, 15, 8), localDateTime(2026, 3, 18, 17));
    QVERIFY(saved(b.ctx.get()));
    const QString telephone = telephoneInsecable(QStringLiteral("04 78 31 12 35"));
    for (const QSize taille : {QSize(1200, 760), QSize(800, 506)}) {
        QWidget fenetre;
        QPointer<QDialog> feuille = b.feuilleSur(fenetre, taille);
        QVERIFY(feuille);
        QLabel* avis = avisChevauchement(formulaireDe(feuille));
        QTRY_VERIFY(avis->isVisible());
        QVERIFY2(avis->text().startsWith(QStringLiteral("Cette benne est déjà louée à Martin Toitures (Lyon · ")),
                 qPrintable(avis->text()));
        QVERIFY2(avis->text().contains(QStringLiteral(" · ") + telephone + QStringLiteral(") du 15/03/2026 au 18/03/2026.")),
                 qPrintable(avis->text()));
        bool entier = false;
        for (const QString& ligne : lignesAffichees(avis))
            entier = entier || ligne.contains(telephone);
        QVERIFY2(entier, qPrintable(lignesAffichees(avis).join(QLatin1Char('|'))));
        feuille->close();
        QTRY_VERIFY(!feuille);
    }
}

void FormulaireLocationTest::overlapLineMovesNoField()
{
    // A booked skip: the line that says so, shown or gone as the dates change, moves no field
    // under the pointer, at 1.5 (800 × 506 points) as in a larger window.
    Banc b;
    placedRental(b.ctx.get(), b.zeta, b.benne, localDateTime(2026, 3, 15, 8), localDateTime(2026, 3, 18, 17));
    QVERIFY(saved(b.ctx.get()));
    for (const QSize taille : {QSize(800, 506), QSize(1600, 1000)}) {
        QWidget fenetre;
        QPointer<QDialog> feuille = b.feuilleSur(fenetre, taille);
        QVERIFY(feuille);
        FormulaireLocationView* form = formulaireDe(feuille);
        QLabel* avis = avisChevauchement(form);
        QTRY_VERIFY(avis->isVisible());
        settle();
        const auto places = [form] {
            QList<int> ys;
            for (QWidget* w : std::initializer_list<QWidget*>{form->champDatePose(), form->choixClient(),
                                                              form->champAdresse(), form->boutonValider()})
                ys.append(w->mapTo(form, QPoint(0, 0)).y());
            return ys;
        };
        const QList<int> avant = places();
        form->champDatePose()->setDate(QDate(2026, 3, 20)); // free: the line goes
        QTRY_VERIFY(!avis->isVisible());
        settle();
        QCOMPARE(places(), avant);
        form->champDatePose()->setDate(QDate(2026, 3, 16)); // booked again
        QTRY_VERIFY(avis->isVisible());
        settle();
        QCOMPARE(places(), avant);
        feuille->close();
        QTRY_VERIFY(!feuille);
    }
}

void FormulaireLocationTest::sheetControlsAreNamedForAScreenReader()
{
    // Every Tab stop of the sheet is named by the label a sighted user reads beside it, an icon
    // button by its tool tip; the skip's colour is said in words.
    Banc b;
    auto* rouge = new Benne(10, QStringLiteral("D32F2F"), EtatBenne::correct, QString(), nullptr);
    b.ctx->insert(rouge);
    placedRental(b.ctx.get(), b.zeta, rouge, localDateTime(2026, 3, 15, 8));
    QVERIFY(saved(b.ctx.get()));
    QWidget fenetre;
    QPointer<QDialog> feuille = b.feuilleSur(fenetre, QSize(1200, 760), rouge);
    QVERIFY(feuille);
    FormulaireLocationView* form = formulaireDe(feuille);
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("boutonFixerEnlevement")), Qt::LeftButton);
    form->findChild<QCheckBox*>(QStringLiteral("interrupteurTarifs"))->click();
    settle();
    QCOMPARE(fixtures::unnamedControls(feuille).join(QStringLiteral("; ")), QString());
    for (QWidget* w : {static_cast<QWidget*>(form->texteBenne()), form->findChild<QWidget*>("pastilleBenne")}) {
        const QString dit = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        QVERIFY2(dit.contains(QStringLiteral("rouge")) && !dit.contains(QStringLiteral("D32F2F")), qPrintable(dit));
    }
    // The town search, and the client picker's own search field, open.
    QTest::mouseClick(form->boutonVille(), Qt::LeftButton);
    QTRY_VERIFY(form->popupVille() && form->popupVille()->isVisible());
    QCOMPARE(fixtures::unnamedControls(form->popupVille()).join(QStringLiteral("; ")), QString());
    form->popupVille()->close();
    form->choixClient()->showPopup();
    QWidget* popup = QApplication::activePopupWidget();
    QTRY_VERIFY((popup = QApplication::activePopupWidget()));
    QCOMPARE(fixtures::unnamedControls(popup).join(QStringLiteral("; ")), QString());
    popup->close();
    feuille->close();
}

void FormulaireLocationTest::sheetReadsUnderADarkPaletteAndALargerFont()
{
    // A 12-point desktop font, light or dark: the prices card's banner reads whole, the warning
    // and the red line read at 4.5:1 (their ink against their background, at a corner).
    const QPalette clair = QApplication::palette();
    const QFont police = QApplication::font();
    QPalette sombre = clair;
    sombre.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    sombre.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    QFont grande = police;
    grande.setPointSize(12);
    QApplication::setFont(grande);
    for (const QPalette& palette : {clair, sombre}) {
        QApplication::setPalette(palette);
        Banc b;
        placedRental(b.ctx.get(), b.zeta, b.benne, localDateTime(2026, 3, 15, 8));
        auto* form = b.ouvrir(std::nullopt);
        auto* bandeau = form->findChild<QWidget*>("faceAvantTarifs")->findChild<QLabel*>();
        const QRect place = bandeau->contentsRect();
        QVERIFY(place.contains(bandeau->fontMetrics().boundingRect(
            place, int(bandeau->alignment()) | (bandeau->wordWrap() ? Qt::TextWordWrap : 0), bandeau->text())));
        QTest::mouseClick(form->boutonValider(), Qt::LeftButton); // no client: the red line
        // The town search's word on a town it cannot place, on the popup's own background.
        b.faux.reponses["Nulle part"] = collection({});
        QTest::mouseClick(form->boutonVille(), Qt::LeftButton);
        CitySearchPopup* popup = form->popupVille();
        QVERIFY(popup);
        taper(popup->champVille(), "Nulle part");
        QTest::mouseClick(popup->boutonValider(), Qt::LeftButton);
        for (QLabel* ligne : {form->findChild<QLabel*>("avisChevauchement"), form->findChild<QLabel*>("messageErreur"),
                              popup->message()}) {
            const QString nom = ligne->objectName();
            QTRY_VERIFY(ligne->isVisible());
            const QImage image = ligne->grab(ligne->contentsRect()).toImage();
            double contraste = 1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    contraste = std::max(contraste, forms::contrastRatio(image.pixelColor(x, y), image.pixelColor(0, 0)));
            QVERIFY2(contraste >= 4.5, qPrintable(QStringLiteral("%1: %2:1").arg(nom).arg(contraste)));
        }
    }
    QApplication::setPalette(clair);
    QApplication::setFont(police);
}

void FormulaireLocationTest::sheetNamesTheSkipItBooks()
{
    // Two skips of one volume, told apart by their colour: the sheet says which one it books.
    Banc b;
    auto* bleue = new Benne(10, QStringLiteral("0D1B6E"), EtatBenne::correct, QString(), nullptr);
    b.ctx->insert(bleue);
    QVERIFY(saved(b.ctx.get()));
    QWidget fenetre;
    fenetre.resize(1200, 760);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));
    QDialog* feuille = feuilleNouvelleLocation(&fenetre, b.ctx.get(), bleue->id(), [] {}, &b.service, fixedClock());
    QVERIFY(QTest::qWaitForWindowExposed(feuille));
    FormulaireLocationView* form = formulaireDe(feuille);
    QLabel* texte = form->texteBenne();
    QVERIFY(texte);
    QVERIFY(texte->isVisible());
    QVERIFY2(texte->text().contains(QStringLiteral("10 m³")), qPrintable(texte->text()));
    // Its colour in words; the code in the tip.
    QVERIFY2(texte->text().contains(QStringLiteral("bleu foncé")), qPrintable(texte->text()));
    QVERIFY(texte->toolTip().contains(QStringLiteral("0D1B6E")));
    // Its swatch in the skip's colour, beside it, in view without scrolling.
    auto* pastille = form->findChild<QLabel*>("pastilleBenne");
    QVERIFY(pastille && pastille->isVisible());
    const QImage image = pastille->pixmap().toImage();
    QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), QColor(0x0D, 0x1B, 0x6E));
    QCOMPARE(texte->visibleRegion().boundingRect(), texte->rect());
    // Over the first field.
    QVERIFY(texte->mapTo(form, QPoint(0, 0)).y() < form->choixClient()->mapTo(form, QPoint(0, 0)).y());
    feuille->close();
}

void FormulaireLocationTest::redLineGoesWithItsCause()
{
    Banc b;
    auto* form = b.ouvrir();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    auto* message = form->findChild<QLabel*>("messageErreur");
    // A latitude without its longitude: refused with a red line...
    taper(form->champLatitude(), "45.5");
    taper(form->champLongitude(), "");
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QTRY_VERIFY(message->isVisible());
    QCOMPARE(message->text(), FormulaireLocationView::messageLongitudeManquante());
    QVERIFY(b.locations().isEmpty());
    // ... that goes once the latitude is cleared too.
    taper(form->champLatitude(), "");
    QTRY_VERIFY(!message->isVisible());
    QVERIFY(!form->showError());
    // It stays while its cause stands: the other field typed, the first still empty.
    taper(form->champLongitude(), "4.8");
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QTRY_VERIFY(message->isVisible());
    QCOMPARE(message->text(), FormulaireLocationView::messageLatitudeManquante());
    QTest::keyClick(form->champLongitude(), Qt::Key_End);
    QTest::keyClick(form->champLongitude(), Qt::Key_5);
    QCOMPARE(form->longitude(), QStringLiteral("4.85"));
    QVERIFY(message->isVisible());
    taper(form->champLatitude(), "45.7");
    QTRY_VERIFY(!message->isVisible());

    // No client: the line goes once one is chosen.
    QTest::keyClick(form->choixClient(), Qt::Key_Home);
    QTest::mouseClick(form->boutonValider(), Qt::LeftButton);
    QTRY_VERIFY(message->isVisible());
    QCOMPARE(message->text(), FormulaireLocationView::messageChampsObligatoires());
    QTest::keyClick(form->choixClient(), Qt::Key_Down);
    QTRY_VERIFY(!message->isVisible());
    QVERIFY(b.locations().isEmpty());
}

void FormulaireLocationTest::citySearchSaysWhyNothingComes()
{
    // The address service out of reach (a port nothing listens on).
    Banc b;
    quint16 ferme = 0;
    {
        QTcpServer serveur;
        QVERIFY(serveur.listen(QHostAddress::LocalHost, 0));
        ferme = serveur.serverPort();
    }
    AdresseService injoignable(QUrl(QStringLiteral("http://127.0.0.1:%1/geocodage").arg(ferme)));
    CitySearchViewModel modele(&injoignable);
    modele.setDelaiSaisieMs(0);
    int choix = 0;
    CitySearchPopup popup(&modele, [&](const Coordonnee&) { ++choix; });
    popup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    QVERIFY(!popup.message()->isVisible());
    // Typing: the list stays empty and says why, to a reader too.
    fixtures::HeardAnnouncements lecteur;
    QTest::keyClicks(popup.champVille(), "Lyon");
    QTRY_VERIFY(popup.message()->isVisible());
    QVERIFY2(popup.message()->text().contains(QStringLiteral("injoignable")), qPrintable(popup.message()->text()));
    QCOMPARE(lecteur.said.value(0), popup.message()->text());
    QVERIFY(popup.liste()->suggestions().isEmpty());
    // "Valider" says so too, rather than "Adresse introuvable".
    QTest::keyClick(popup.champVille(), Qt::Key_Backspace);
    QTest::mouseClick(popup.boutonValider(), Qt::LeftButton);
    QTRY_VERIFY(popup.message()->isVisible());
    QVERIFY2(popup.message()->text().contains(QStringLiteral("injoignable")), qPrintable(popup.message()->text()));
    QVERIFY(!popup.message()->text().contains(QStringLiteral("introuvable")));
    QVERIFY(popup.isVisible());
    QCOMPARE(choix, 0);
    QCOMPARE(popup.message()->visibleRegion().boundingRect(), popup.message()->rect());

    // The service answers but knows no such town: that is said, with the text typed.
    b.faux.reponses["Nulle part"] = collection({});
    CitySearchViewModel modele2(&b.service);
    CitySearchPopup popup2(&modele2, [&](const Coordonnee&) { ++choix; });
    popup2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&popup2));
    taper(popup2.champVille(), "Nulle part");
    QTest::mouseClick(popup2.boutonValider(), Qt::LeftButton);
    QTRY_VERIFY(popup2.message()->isVisible());
    QVERIFY2(popup2.message()->text().contains(QStringLiteral("« Nulle part »")), qPrintable(popup2.message()->text()));
    // Another text typed: what was said of the last one goes.
    QTest::keyClick(popup2.champVille(), Qt::Key_Backspace);
    QTRY_VERIFY(!popup2.message()->isVisible());
    QCOMPARE(choix, 0);
}

void FormulaireLocationTest::correctionStoresEachFieldAlone()
{
    Banc b;
    // Two look-alike skips: the picker tells them apart.
    colouredBenne(b.ctx.get(), 15, QStringLiteral("0000FF"));
    Benne* seconde = colouredBenne(b.ctx.get(), 15, QStringLiteral("0000FF"));
    QVERIFY(saved(b.ctx.get()));
    struct Cas {
        QStringList attendu;
        std::function<void(FormulaireLocationView*)> corriger;
    };
    const QList<Cas> cas{
        {{"client"}, [](FormulaireLocationView* f) { Banc::choisirClient(f, QStringLiteral("Alpha Maçonnerie")); }},
        {{"benne"}, [seconde](FormulaireLocationView* f) {
             Banc::choisirDans(f->edition()->choixBenne(), QStringLiteral("Benne 15 m³ bleu (n°\u00A02)"));
             QCOMPARE(f->edition()->choixBenne()->currentData().value<void*>(), static_cast<void*>(seconde));
         }},
        {{"pose"}, [](FormulaireLocationView* f) { f->champDatePose()->setDate(QDate(2026, 3, 11)); }},
        {{"enlevement"}, [](FormulaireLocationView* f) { QTest::mouseClick(f->boutonRetirerEnlevement(), Qt::LeftButton); }},
        {{"adresse"}, [](FormulaireLocationView* f) { taper(f->champAdresse(), "8 rue Neuve, Lyon"); }},
        {{"latitude", "longitude"}, [](FormulaireLocationView* f) {
             taper(f->champLatitude(), "45,5");
             taper(f->champLongitude(), "4.9");
         }},
        {{"type"}, [](FormulaireLocationView* f) { Banc::choisirDans(f->choixTypeDechet(), QStringLiteral("Bois")); }},
        {{"tarifs"}, [](FormulaireLocationView* f) {
             QApplication::setActiveWindow(f);
             taper(f->champTarifPose()->lineEdit(), "150");
             QTest::keyClick(f->champTarifPose()->lineEdit(), Qt::Key_Tab);
             // The bill as stored and as corrected, side by side, before anything is stored.
             QVERIFY(f->edition()->prixAvant()->text().contains(QStringLiteral("Total HT\u00A0: 210,00")));
             QVERIFY(f->edition()->prixApres()->text().contains(QStringLiteral("Total HT\u00A0: 240,00")));
         }},
        {{"chauffeurEnlevement", "chauffeurPose"}, [](FormulaireLocationView* f) {
             Banc::choisirDans(f->edition()->choixChauffeurPose(), QStringLiteral("— Aucun —"));
             Banc::choisirDans(f->edition()->choixChauffeurEnlevement(), QStringLiteral("Léa Roux"));
         }},
    };
    for (const Cas& c : cas) {
        LocationDeBenne* l = b.reservee();
        QVERIFY(l);
        const auto avant = fiche(l);
        FormulaireLocationView* f = b.modifier(l);
        QCOMPARE(f->edition()->live()->typed(), false);
        QVERIFY(f->texteChevauchement().isEmpty()); // never over itself
        QCOMPARE(f->adresse(), QStringLiteral("3 rue du Port, Lyon"));
        const int fermetures = b.fermetures;
        c.corriger(f);
        QCOMPARE(fiche(l), avant); // nothing stored before « Enregistrer »
        QCOMPARE(f->boutonValider()->text(), QStringLiteral("Enregistrer"));
        QTest::mouseClick(f->boutonValider(), Qt::LeftButton);
        if (c.attendu == QStringList{"client"}) {
            // Both clients named; the tickets and drivers go along.
            QMessageBox* q = f->edition()->questionClient();
            QVERIFY(q);
            QVERIFY(q->informativeText().contains(QStringLiteral("Zeta TP")));
            QVERIFY(q->informativeText().contains(QStringLiteral("Alpha Maçonnerie")));
            QVERIFY(q->informativeText().contains(QStringLiteral("1 bon de pesée")));
            QCOMPARE(fiche(l), avant);
            QVERIFY(clickBoxButton(q, QStringLiteral("Changer le client")));
        }
        QTRY_COMPARE(b.fermetures, fermetures + 1);
        QCOMPARE(changes(avant, fiche(l)), c.attendu);
        // A new address is located again; typed coordinates are kept as typed.
        QCOMPARE(GeocodageApresEnregistrement::pour(b.ctx.get())->enAttente(), c.attendu == QStringList{"adresse"} ? 1 : 0);
        QTRY_COMPARE(GeocodageApresEnregistrement::pour(b.ctx.get())->enAttente(), 0);
        QVERIFY(!b.ctx->hasChanges());
        QVERIFY(b.ctx->remove(l) && saved(b.ctx.get()));
    }
}

void FormulaireLocationTest::correctionAsksBeforeLeavingOrOverlapping()
{
    Banc b;
    LocationDeBenne* l = b.reservee();
    placedRental(b.ctx.get(), b.alpha, b.benne, localDateTime(2026, 3, 25, 8), localDateTime(2026, 3, 28, 17));
    QVERIFY(saved(b.ctx.get()));
    const auto avant = fiche(l);
    QWidget fenetre;
    fenetre.resize(1200, 760);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fenetre));

    // Nothing typed: « Annuler » closes at once; typed, it asks with « Ne pas enregistrer » the
    // default, by the button and by Ctrl+Escape alike; nothing is selected as it opens.
    QPointer<QDialog> feuille = modifierLocation(&fenetre, b.ctx.get(), l, &b.service);
    QVERIFY(QTest::qWaitForWindowExposed(feuille));
    QCOMPARE(feuille->windowTitle(), QStringLiteral("Modifier la location"));
    QVERIFY(!formulaireDe(feuille)->champAdresse()->hasSelectedText());
    QTest::mouseClick(formulaireDe(feuille)->boutonAnnuler(), Qt::LeftButton);
    QTRY_VERIFY(!feuille);
    for (const bool parTouche : {false, true}) {
        feuille = modifierLocation(&fenetre, b.ctx.get(), l, &b.service);
        QVERIFY(QTest::qWaitForWindowExposed(feuille));
        FormulaireLocationView* f = formulaireDe(feuille);
        taper(f->champAdresse(), "<b>Ailleurs</b>");
        if (parTouche)
            QTest::keyClick(f->champAdresse(), Qt::Key_Escape, Qt::ControlModifier);
        else
            QTest::mouseClick(f->boutonAnnuler(), Qt::LeftButton);
        QMessageBox* q = questionSur(feuille);
        QVERIFY(q);
        QCOMPARE(shownText(q->defaultButton()), QStringLiteral("Ne pas enregistrer"));
        QVERIFY(clickBoxButton(q, QStringLiteral("Ne pas enregistrer")));
        QTRY_VERIFY(!feuille);
        QCOMPARE(fiche(l), avant);
    }

    // Hostile input is refused next to its field and stores nothing.
    FormulaireLocationView* f = b.modifier(l);
    taper(f->champLatitude(), "91");
    QVERIFY(!f->validerEtEnregistrer());
    QVERIFY(f->texteErreur().contains(QStringLiteral("Latitude")));
    taper(f->champLatitude(), "45.75");
    taper(f->champTarifPose()->lineEdit(), "douze");
    QVERIFY(!f->validerEtEnregistrer());
    Banc::choisirClient(f, QStringLiteral("— Choisir un client —"));
    taper(f->champTarifPose()->lineEdit(), "120");
    QVERIFY(!f->validerEtEnregistrer());
    QCOMPARE(f->texteErreur(), FormulaireLocationView::messageChampsObligatoires());
    Banc::choisirClient(f, QStringLiteral("Zeta TP"));
    // A removal before the placement is refused by name, never moved for the user.
    f->champDatePose()->setDate(QDate(2026, 3, 22));
    QVERIFY(!f->validerEtEnregistrer());
    QCOMPARE(f->texteErreur(), EditionLocation::messageEnlevementAvantPose());
    QCOMPARE(f->dateEnlevement()->date(), QDate(2026, 3, 20));
    QCOMPARE(fiche(l), avant);

    // Days moved over Alpha's booking: the question of a new rental; « Annuler » stores nothing
    // and keeps the fields, acceptance stores the days. The rental never overlaps itself.
    f->champDatePose()->setDate(QDate(2026, 3, 10));
    QVERIFY(f->texteChevauchement().isEmpty());
    f->champDateEnlevement()->setDate(QDate(2026, 3, 26));
    QCOMPARE(f->texteChevauchement(), QStringLiteral("Cette benne est déjà louée à Alpha Maçonnerie du 25/03/2026 au 28/03/2026."));
    QTest::mouseClick(f->boutonValider(), Qt::LeftButton);
    QVERIFY(clickBoxButton(openBox(f, QStringLiteral("confirmationChevauchement")), QStringLiteral("Annuler")));
    QCOMPARE(fiche(l), avant);
    QCOMPARE(f->dateEnlevement()->date(), QDate(2026, 3, 26));
    QTest::mouseClick(f->boutonValider(), Qt::LeftButton);
    QVERIFY(clickBoxButton(openBox(f, QStringLiteral("confirmationChevauchement")), QStringLiteral("Enregistrer quand même")));
    QTRY_COMPARE(changes(avant, fiche(l)), QStringList{"enlevement"});
}

void FormulaireLocationTest::correctionFollowsAnotherWindowAndADeletion()
{
    Banc b;
    LocationDeBenne* l = b.reservee();
    FormulaireLocationView* un = b.modifier(l);
    FormulaireLocationView deux(b.ctx.get(), l, [] {}, &b.service, nullptr, fixedClock());
    deux.show();

    // Each window keeps what it typed and takes what the other stored in the fields it did not.
    taper(un->champAdresse(), "1 place Bellecour, Lyon");
    taper(deux.champTarifPose()->lineEdit(), "200");
    QVERIFY(deux.validerEtEnregistrer());
    QCOMPARE(l->tarifPose(), 200.0);
    QTRY_COMPARE(un->champTarifPose()->value(), std::optional<double>(200));
    QCOMPARE(un->adresse(), QStringLiteral("1 place Bellecour, Lyon"));
    // The same field typed in both: the second save asks.
    taper(deux.champAdresse(), "2 rue Merciere, Lyon");
    QVERIFY(deux.validerEtEnregistrer());
    QVERIFY(!un->validerEtEnregistrer());
    QMessageBox* q = un->edition()->live()->question();
    QVERIFY(q);
    QVERIFY(q->informativeText().contains(QStringLiteral("« Adresse »")));
    QVERIFY(clickBoxButton(q, QStringLiteral("Garder ma saisie")));
    QTRY_COMPARE(l->adresse(), std::optional<QString>(QStringLiteral("1 place Bellecour, Lyon")));
    QCOMPARE(l->tarifPose(), 200.0);

    // Deleted from another window: the form says so, and saving stores nothing.
    un = b.modifier(l);
    taper(un->champTarifJournalier()->lineEdit(), "30");
    QVERIFY(b.ctx->remove(l));
    QVERIFY(saved(b.ctx.get()));
    QTRY_VERIFY(un->edition()->avisSupprimee()->isVisible());
    QVERIFY(!un->boutonValider()->isEnabled());
    QVERIFY(!un->validerEtEnregistrer());
    QVERIFY(!un->hasUnsavedChanges());
    QVERIFY(!b.ctx->hasChanges());
    QCOMPARE(b.locations().size(), 0);
}

void FormulaireLocationTest::correctionOpensFromEveryScreen()
{
    // Its key belongs to no standard binding of the platform.
    for (int k = QKeySequence::HelpContents; k <= QKeySequence::Cancel; ++k)
        QVERIFY(!QKeySequence::keyBindings(QKeySequence::StandardKey(k)).contains(raccourciModifierLocation()));
    Banc b;
    LocationDeBenne* l = b.reservee();
    // « Vue par client »: a tile's menu and its key.
    ListeBennesView liste(b.zeta, [](double v) { return QString::number(v); }, {});
    liste.show();
    QVERIFY(QTest::qWaitForWindowExposed(&liste));
    QMenu* menu = liste.ouvrirMenu(liste.tuile(l), liste.mapToGlobal(QPoint()));
    QVERIFY(menu);
    QAction* entree = menu->findChild<QAction*>(QStringLiteral("actionModifierLocation"));
    QCOMPARE(entree->text(), QStringLiteral("Modifier la location…"));
    entree->trigger();
    menu->close();
    QPointer<FeuilleNouvelleLocation> feuille = FeuilleNouvelleLocation::ouverteSur(&liste);
    QVERIFY(feuille);
    QCOMPARE(feuille->formulaire()->edition()->location(), l);
    feuille->congedier();
    QTRY_VERIFY(!feuille);
    liste.tuile(l)->setFocus();
    QTest::keyClick(liste.tuile(l), Qt::Key_F2);
    QTRY_VERIFY(feuille = FeuilleNouvelleLocation::ouverteSur(&liste));
    // Stored from there, the correction is said.
    fixtures::HeardAnnouncements lecteur;
    QVERIFY(feuille->formulaire()->validerEtEnregistrer());
    QTRY_VERIFY(!feuille);
    QTRY_COMPARE(lecteur.said, QStringList{QStringLiteral("Location modifiée pour Zeta TP.")});
}
