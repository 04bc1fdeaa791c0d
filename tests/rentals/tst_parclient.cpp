#include "tests.h"

#include "screenfixtures.h"

#include "model/query.h"
#include "rentals/carteavecrepere.h"
#include "rentals/cartoucheanime.h"
#include "rentals/listebennesview.h"
#include "rentals/vuelocationbenne.h"
#include "rentals/vuepourlocationbenne.h"
#include "widgets/benneoscillanteview.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace kv;
using namespace fixtures;

namespace {

const QTimeZone kParis("Europe/Paris");

// "Now": Wednesday 10 June 2026 at 15:00 in Paris.
qint64 maintenant()
{
    return localDateTime(2026, 6, 10, 15).toMSecsSinceEpoch();
}

QString volumeFr(double v)
{
    return QLocale(QLocale::French).toString(v, 'f', 1);
}

LocationDeBenne* location(ModelContext* ctx, Client* c, Benne* b, const QDateTime& pose,
                          std::optional<QDateTime> fin = std::nullopt, std::optional<QString> adresse = std::nullopt,
                          std::optional<double> lat = std::nullopt, std::optional<double> lon = std::nullopt,
                          TypeDechet* type = nullptr)
{
    auto* l = new LocationDeBenne(c, b, lat, lon, adresse, 0, 0, 0, pose, fin, type);
    ctx->insert(l);
    return l;
}

struct Bureau {
    std::unique_ptr<ModelContext> ctx = store();
    Query<Client>* clients = new Query<Client>(ctx.get(), {}, {}, ctx.get());
    Query<Benne>* bennes = new Query<Benne>(ctx.get(), {}, {}, ctx.get());
    Observable<std::optional<QUuid>> selectedClientID;
    Observable<std::optional<QUuid>> bennesReadyForClientID;
    Observable<LocationDeBenne*> selectedLocation;

    VueLocationBenne::Entrees entrees()
    {
        VueLocationBenne::Entrees e;
        e.context = ctx.get();
        e.clients = clients;
        e.bennes = bennes;
        e.selectedClientID = selectedClientID;
        e.bennesReadyForClientID = bennesReadyForClientID;
        e.selectedLocation = selectedLocation;
        e.formatter = volumeFr;
        e.dateFormatter = [](const QDateTime& d) { return d.toString("dd/MM/yyyy"); };
        e.horloge = Horloge::fixe(maintenant(), kParis);
        return e;
    }
};

void cliquer(CartoucheAnime* c)
{
    QTest::mouseClick(c, Qt::LeftButton, {}, c->boite().center().toPoint());
}

} // namespace

void ParClientTest::init()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void ParClientTest::inProgressAgainstTheStartOfToday()
{
    auto ctx = store();
    Client* c = client(ctx.get(), "A");
    Benne* b = benne(ctx.get(), 10);
    const qint64 minuit = localDateTime(2026, 6, 10).toMSecsSinceEpoch();
    auto* sansFin = location(ctx.get(), c, b, localDateTime(2026, 5, 1));
    auto* finMinuit = location(ctx.get(), c, b, localDateTime(2026, 5, 1), localDateTime(2026, 6, 10, 0, 0));
    auto* finHier = location(ctx.get(), c, b, localDateTime(2026, 5, 1), localDateTime(2026, 6, 9, 23, 59));
    auto* semaineProchaine = location(ctx.get(), c, b, localDateTime(2026, 6, 17));
    QVERIFY(ListeBennesView::estEnCours(sansFin, minuit));
    QVERIFY(ListeBennesView::estEnCours(finMinuit, minuit));
    QVERIFY(!ListeBennesView::estEnCours(finHier, minuit));
    QVERIFY(ListeBennesView::estEnCours(semaineProchaine, minuit));

    ListeBennesView liste(c, volumeFr, {}, nullptr, Horloge::fixe(maintenant(), kParis));
    QCOMPARE(liste.locationsFiltrees().size(), 4);
    liste.setAfficherUniquementEnCours(true);
    QCOMPARE(liste.locationsFiltrees(), (QList<LocationDeBenne*>{sansFin, finMinuit, semaineProchaine}));
}

void ParClientTest::tilesTextColourAndSelection()
{
    auto ctx = store();
    Client* c = client(ctx.get(), "A");
    Client* autre = client(ctx.get(), "B");
    Benne* b = colouredBenne(ctx.get(), 10, "zz");
    auto* sansAdresse = location(ctx.get(), c, b, localDateTime(2026, 6, 1));
    auto* adresseVide = location(ctx.get(), c, b, localDateTime(2026, 6, 2), std::nullopt, QString());
    location(ctx.get(), autre, b, localDateTime(2026, 6, 3));
    QList<LocationDeBenne*> choisies;
    ListeBennesView liste(c, volumeFr, [&](LocationDeBenne* l) { choisies << l; }, nullptr, Horloge::fixe(maintenant(), kParis));
    liste.show();
    QCOMPARE(liste.locationsFiltrees().size(), 2); // never another client's
    QCOMPARE(liste.tuile(sansAdresse)->text(), QStringLiteral("Benne 10,0 m³\nChantier :  Inconnu"));
    QCOMPARE(liste.tuile(adresseVide)->text(), QStringLiteral("Benne 10,0 m³\nChantier :  "));
    QCOMPARE(liste.tuile(sansAdresse)->couleur(), QColor(Qt::green));
    QLocale::setDefault(QLocale(QLocale::English));
    ListeBennesView anglaise(c, [](double v) { return QLocale().toString(v, 'f', 1); }, {}, nullptr, Horloge::fixe(maintenant(), kParis));
    QCOMPARE(anglaise.tuile(sansAdresse)->text(), QStringLiteral("Benne 10.0 m³\nChantier :  Inconnu"));

    // Two rentals of one skip: only the chosen one swings.
    liste.setSelectedLocation(adresseVide);
    QVERIFY(liste.tuile(adresseVide)->isSelected());
    QVERIFY(liste.tuile(adresseVide)->isSwinging());
    QVERIFY(!liste.tuile(sansAdresse)->isSelected());
    BenneOscillanteView* t = liste.tuile(adresseVide);
    QTest::mouseClick(t, Qt::LeftButton, {}, t->tileRect().center().toPoint());
    QTest::mouseClick(t, Qt::LeftButton, {}, t->tileRect().center().toPoint());
    QCOMPARE(choisies, (QList<LocationDeBenne*>{adresseVide, adresseVide}));
}

void ParClientTest::listFollowsTheStore()
{
    auto ctx = store();
    Client* c = client(ctx.get(), "A");
    Benne* b = colouredBenne(ctx.get(), 10, "00FF00");
    auto* l = location(ctx.get(), c, b, localDateTime(2026, 6, 1), std::nullopt, QStringLiteral("Lyon"));
    ListeBennesView liste(c, volumeFr, {}, nullptr, Horloge::fixe(maintenant(), kParis));
    liste.show();
    liste.setSelectedLocation(l);
    BenneOscillanteView* tuile = liste.tuile(l);
    QVERIFY(tuile->isSwinging());
    // An edit updates the tile in place: the swing goes on.
    l->setAdresse(QStringLiteral("Villeurbanne"));
    location(ctx.get(), c, b, localDateTime(2026, 6, 5));
    QTRY_COMPARE(liste.locationsFiltrees().size(), 2);
    QCOMPARE(liste.tuile(l), tuile);
    QVERIFY(tuile->isSwinging());
    QCOMPARE(tuile->text(), QStringLiteral("Benne 10,0 m³\nChantier :  Villeurbanne"));
    QVERIFY(ctx->remove(l));
    QTRY_COMPARE(liste.locationsFiltrees().size(), 1);
}

void ParClientTest::cartoucheCallsAndTheirTimes()
{
    QList<qint64> fin;
    QList<qint64> retour;
    QElapsedTimer chrono;
    CartoucheAnime c("Dupont", 0, false, [&] { retour << chrono.elapsed(); }, [&] { fin << chrono.elapsed(); });
    c.resize(440, 80);
    c.show();
    QVERIFY(c.badgeVisible());
    c.setNombreBennes(-1);
    QVERIFY(!c.badgeVisible());

    chrono.start();
    cliquer(&c);
    QTest::qWait(700);
    QVERIFY(c.isZoomed()); // the glass look from 0.5 s
    QCOMPARE(c.xOffset(), 160.0);
    QTRY_COMPARE(fin.size(), 1);
    QVERIFY2(fin[0] >= 950 && fin[0] < 1500, qPrintable(QString::number(fin[0])));
    QTRY_COMPARE(c.scale(), 1.5);

    // The host marks it selected; a tap plays the way back.
    c.setSelected(true);
    chrono.restart();
    cliquer(&c);
    QTRY_COMPARE(retour.size(), 1);
    QVERIFY2(retour[0] >= 280 && retour[0] < 700, qPrintable(QString::number(retour[0])));
    QVERIFY(!c.isZoomed());
    QCOMPARE(fin.size(), 1);

    // Two taps before the host answers: two sequences, two calls.
    c.setSelected(false);
    fin.clear();
    cliquer(&c);
    QTest::qWait(100);
    cliquer(&c);
    QTRY_COMPARE(fin.size(), 2);

    // Unselected by the host: back at rest without any call.
    c.setSelected(true);
    retour.clear();
    c.setSelected(false);
    QVERIFY(!c.isZoomed());
    QTRY_COMPARE(c.xOffset(), 0.0);
    QTest::qWait(400);
    QVERIFY(retour.isEmpty());
}

void ParClientTest::cartoucheStepsEndWithIt()
{
    int appels = 0;
    auto* c = new CartoucheAnime("Dupont", 1, false, [&] { ++appels; }, [&] { ++appels; });
    c->show();
    c->basculerSelection();
    QTest::qWait(100);
    delete c;
    QTest::qWait(1200);
    QCOMPARE(appels, 0);
}

void ParClientTest::screenWithoutClients()
{
    Bureau b;
    VueLocationBenne ecran(b.entrees());
    ecran.resize(1200, 760);
    ecran.show();
    QVERIFY(ecran.afficheCarteConfiguration());
    QCOMPARE(ecran.nombreCartouches(), 0);
    auto* texte = ecran.findChild<QLabel*>("texteConfiguration");
    QVERIFY(texte->text().contains("<b>au moins un client</b>"));
    QVERIFY(texte->text().contains("<b>une location</b>"));

    client(b.ctx.get(), "Dupont");
    QTRY_VERIFY(ecran.afficheInvitation());
    QCOMPARE(ecran.nombreCartouches(), 1);
}

void ParClientTest::screenDrivenByClicks()
{
    Bureau b;
    Client* a = client(b.ctx.get(), "A");
    Client* bb = client(b.ctx.get(), "B");
    Client* sans = client(b.ctx.get(), "Sans location");
    Benne* benne1 = benne(b.ctx.get(), 10);
    auto* l1 = location(b.ctx.get(), a, benne1, localDateTime(2026, 6, 1), std::nullopt, "Lyon", 45.76, 4.83);
    auto* l2 = location(b.ctx.get(), a, benne1, localDateTime(2026, 5, 1), localDateTime(2026, 5, 10), "Bron", 45.73, 4.91);
    location(b.ctx.get(), bb, benne1, localDateTime(2026, 6, 1));
    VueLocationBenne ecran(b.entrees());
    ecran.resize(1200, 760);
    ecran.show();
    QVERIFY(ecran.afficheInvitation());
    QCOMPARE(ecran.cartouche(a)->nombreBennes(), 2);
    QCOMPARE(ecran.cartouche(sans)->nombreBennes(), 0);
    QVERIFY(ecran.cartouche(sans)->badgeVisible());

    CartoucheAnime* ca = ecran.cartouche(a);
    cliquer(ca);
    QTest::qWait(200);
    QVERIFY(!ecran.listeBennes()); // told only at the end of the animation
    // A store change meanwhile updates the cartouche in place: the animation goes on.
    a->setNom("A renommé");
    auto* l3 = location(b.ctx.get(), a, benne1, localDateTime(2026, 7, 1));
    QTest::qWait(50);
    QCOMPARE(ecran.cartouche(a), ca);
    QCOMPARE(ca->label(), QStringLiteral("A renommé"));
    QCOMPARE(ca->nombreBennes(), 3);
    QVERIFY(ca->xOffset() > 0);
    QTRY_VERIFY(ecran.listeBennes());
    QCOMPARE(b.selectedClientID.get(), std::optional<QUuid>(a->id()));
    QCOMPARE(b.bennesReadyForClientID.get(), std::optional<QUuid>(a->id()));
    QVERIFY(ecran.cartouche(a)->isSelected());
    QVERIFY(!ecran.afficherInvitationACliquer());
    QVERIFY(!ecran.afficheInvitation());
    QVERIFY(!ecran.colonneDetails()->isVisible());

    // A rental, then the same again: chosen, then not.
    BenneOscillanteView* t1 = ecran.listeBennes()->tuile(l1);
    QTest::mouseClick(t1, Qt::LeftButton, {}, t1->tileRect().center().toPoint());
    QCOMPARE(b.selectedLocation.get(), l1);
    QVERIFY(ecran.colonneDetails()->isVisible());
    QVERIFY(t1->isSelected());
    CarteAvecRepere* carte = ecran.carteDetails();
    QCOMPARE(carte->repere(), std::optional<Coordonnee>(Coordonnee{45.76, 4.83}));
    QTest::mouseClick(t1, Qt::LeftButton, {}, t1->tileRect().center().toPoint());
    QVERIFY(!b.selectedLocation.get());
    QVERIFY(!ecran.colonneDetails()->isVisible());

    // Another rental of the same client builds a fresh map.
    QTest::mouseClick(t1, Qt::LeftButton, {}, t1->tileRect().center().toPoint());
    BenneOscillanteView* t2 = ecran.listeBennes()->tuile(l2);
    QTest::mouseClick(t2, Qt::LeftButton, {}, t2->tileRect().center().toPoint());
    QCOMPARE(b.selectedLocation.get(), l2);
    QCOMPARE(ecran.carteDetails()->repere(), std::optional<Coordonnee>(Coordonnee{45.73, 4.91}));

    // The filter keeps the choice, even of a rental it hides.
    QTest::mouseClick(ecran.boutonEnCours(), Qt::LeftButton);
    QCOMPARE(ecran.listeBennes()->locationsFiltrees(), (QList<LocationDeBenne*>{l1, l3}));
    QCOMPARE(b.selectedLocation.get(), l2);
    QVERIFY(ecran.colonneDetails()->isVisible());

    // Client B: the rental is cleared, B's column replaces A's.
    cliquer(ecran.cartouche(bb));
    QTRY_COMPARE(b.selectedClientID.get(), std::optional<QUuid>(bb->id()));
    QVERIFY(!b.selectedLocation.get());
    QCOMPARE(ecran.clientDeLaColonne(), bb);
    QVERIFY(!ecran.colonneDetails()->isVisible());
    QVERIFY(!ecran.cartouche(a)->isSelected());
    QTRY_COMPARE(ecran.cartouche(a)->xOffset(), 0.0);

    // A tap on the chosen cartouche lets it go.
    cliquer(ecran.cartouche(bb));
    QTRY_VERIFY(!b.selectedClientID.get());
    QVERIFY(!b.bennesReadyForClientID.get());
    QVERIFY(ecran.afficheInvitation());
    QVERIFY(!ecran.listeBennes());

    // From the keyboard.
    ecran.cartouche(sans)->setFocus();
    QTest::keyClick(ecran.cartouche(sans), Qt::Key_Space);
    QTRY_COMPARE(b.selectedClientID.get(), std::optional<QUuid>(sans->id()));
    QVERIFY(ecran.listeBennes()->locationsFiltrees().isEmpty());

    // The chosen client deleted elsewhere: the invitation comes back.
    QVERIFY(b.ctx->remove(sans));
    QTRY_VERIFY(ecran.afficheInvitation());
    QVERIFY(!ecran.listeBennes());
}

void ParClientTest::detailsLinesAndHalfCoordinates()
{
    Bureau b;
    Client* a = client(b.ctx.get(), "A");
    Benne* be = benne(b.ctx.get(), 10);
    TypeDechet* gravats = wasteType(b.ctx.get(), "Gravats");
    auto* complete = location(b.ctx.get(), a, be, localDateTime(2026, 6, 1, 8), localDateTime(2026, 6, 20, 8), "12 rue X", 45.5, 0.00001, gravats);
    complete->setTarifPose(80);
    complete->setTarifJournalier(4.125);
    auto* moitie = location(b.ctx.get(), a, be, localDateTime(2026, 6, 1), std::nullopt, std::nullopt, 45.5);
    auto* sansFin = location(b.ctx.get(), a, be, localDateTime(2026, 6, 2, 8), std::nullopt, std::nullopt, 45.5, 4.5);
    VueLocationBenne ecran(b.entrees());
    ecran.show();
    ecran.selectionnerClient(a->id());
    ecran.basculerSelectionLocation(complete);
    QCOMPARE(ecran.lignesDetails(),
             (QStringList{"Tarif pose : 80.00 €", "Tarif enlèvement : 0.00 €", "Tarif journalier : 4.12 €",
                          "Pose le : 01/06/2026  et enlèvement prévu le : 20/06/2026", "Déchet prévu : Gravats"}));
    QCOMPARE(ecran.adresseDetails(), QStringLiteral("12 rue X"));
    QCOMPARE(ecran.carteDetails()->longitude(), QStringLiteral("1e-05"));
    QVERIFY(ecran.carteDetails()->repere());

    ecran.basculerSelectionLocation(moitie);
    QCOMPARE(b.selectedLocation.get(), moitie);
    QVERIFY(!ecran.colonneDetails()->isVisible());

    ecran.basculerSelectionLocation(sansFin);
    QCOMPARE(ecran.lignesDetails().value(3), QStringLiteral("Pose le : 02/06/2026  et enlèvement prévu le : non prévue"));
    QCOMPARE(ecran.lignesDetails().value(4), QStringLiteral("Déchet prévu : inconnu"));
    QVERIFY(ecran.adresseDetails().isEmpty());
}

void ParClientTest::choicesSurviveAChangeOfCommand()
{
    Bureau b;
    Client* a = client(b.ctx.get(), "A");
    auto* l = location(b.ctx.get(), a, benne(b.ctx.get(), 10), localDateTime(2026, 6, 1), std::nullopt, "Lyon", 45.7, 4.8);
    {
        VueLocationBenne ecran(b.entrees());
        ecran.show();
        ecran.selectionnerClient(a->id());
        ecran.basculerSelectionLocation(l);
        QTest::mouseClick(ecran.boutonEnCours(), Qt::LeftButton);
    }
    VueLocationBenne ecran(b.entrees());
    ecran.show();
    QCOMPARE(ecran.clientDeLaColonne(), a);
    QVERIFY(ecran.cartouche(a)->isSelected());
    QVERIFY(ecran.colonneDetails()->isVisible());
    QVERIFY(ecran.listeBennes()->tuile(l)->isSelected());
    // The filter starts again on "Toutes".
    QVERIFY(ecran.boutonToutes()->isChecked());
    QVERIFY(!ecran.listeBennes()->afficherUniquementEnCours());
}

void ParClientTest::onlyVisibleCartouchesAreBuilt()
{
    Bureau b;
    QList<Client*> clients;
    for (int i = 0; i < 2000; ++i)
        clients << client(b.ctx.get(), QStringLiteral("Client %1").arg(i, 4, 10, QLatin1Char('0')));
    VueLocationBenne ecran(b.entrees());
    ecran.resize(1200, 760);
    ecran.show();
    QVERIFY(ecran.nombreCartouches() > 0);
    QVERIFY2(ecran.nombreCartouches() < 30, qPrintable(QString::number(ecran.nombreCartouches())));
    QVERIFY(ecran.cartouche(clients[0]));
    QVERIFY(!ecran.cartouche(clients[1999]));
    QScrollBar* barre = ecran.colonneClients()->verticalScrollBar();
    barre->setValue(barre->maximum());
    QVERIFY(ecran.cartouche(clients[1999]));
    QVERIFY(!ecran.cartouche(clients[0]));
    QVERIFY(ecran.nombreCartouches() < 30);
}

void ParClientTest::selectionBelongsToTheClientNotItsCartouche()
{
    Bureau b;
    QList<Client*> clients;
    for (int i = 0; i < 300; ++i)
        clients << client(b.ctx.get(), QStringLiteral("Client %1").arg(i, 3, 10, QLatin1Char('0')));
    VueLocationBenne ecran(b.entrees());
    ecran.resize(1200, 760);
    ecran.show();
    QScrollBar* barre = ecran.colonneClients()->verticalScrollBar();
    const auto auRepos = [](CartoucheAnime* c) {
        return c && !c->isSelected() && !c->isZoomed() && c->xOffset() == 0.0 && c->scale() == 1.0;
    };
    const auto choisi = [](CartoucheAnime* c) {
        return c && c->isSelected() && c->isZoomed() && c->xOffset() == 160.0 && c->scale() == 1.5;
    };

    // Chosen, scrolled out of view and back: still drawn chosen.
    cliquer(ecran.cartouche(clients[0]));
    QTRY_COMPARE(b.selectedClientID.get(), std::optional<QUuid>(clients[0]->id()));
    QTRY_VERIFY(choisi(ecran.cartouche(clients[0])));
    barre->setValue(barre->maximum());
    QVERIFY(!ecran.cartouche(clients[0]));
    barre->setValue(0);
    QVERIFY(choisi(ecran.cartouche(clients[0])));

    // Tapped, then scrolled away before the end of its animation: the choice still lands.
    cliquer(ecran.cartouche(clients[1]));
    QTest::qWait(100);
    barre->setValue(barre->maximum());
    QVERIFY(!ecran.cartouche(clients[1]));
    QTRY_COMPARE(b.selectedClientID.get(), std::optional<QUuid>(clients[1]->id()));
    QCOMPARE(ecran.clientDeLaColonne(), clients[1]);
    barre->setValue(0);
    QTRY_VERIFY(choisi(ecran.cartouche(clients[1])));
    QTRY_VERIFY(auRepos(ecran.cartouche(clients[0])));

    // Halfway through its way back, a cartouche scrolled away and back goes on from where it was.
    cliquer(ecran.cartouche(clients[1]));
    QTest::qWait(100);
    barre->setValue(barre->maximum());
    barre->setValue(0);
    CartoucheAnime* retour = ecran.cartouche(clients[1]);
    QVERIFY(retour->xOffset() > 0.0 && retour->xOffset() < 160.0);
    QTRY_VERIFY(!b.selectedClientID.get());
    QTRY_VERIFY(auRepos(ecran.cartouche(clients[1])));
}

void ParClientTest::columnsKeepTheirPlaceAndRoom()
{
    // Widths of the content beside the sidebar: a 1600-point window, a 1200-point one, and a
    // 1200-point one at a display scale of 1.5 (its screen 1066 points wide).
    for (const int largeur : {1380, 970, 840}) {
        Bureau b;
        Client* a = client(b.ctx.get(), "Démolition Simon 31");
        client(b.ctx.get(), "B");
        auto* l = location(b.ctx.get(), a, benne(b.ctx.get(), 10), localDateTime(2026, 6, 1), std::nullopt, "Lyon", 45.76, 4.83);
        VueLocationBenne ecran(b.entrees());
        ecran.resize(largeur, 620);
        ecran.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ecran));
        const QString texte = QString::number(largeur);
        QWidget* clients = ecran.colonneClients();
        QWidget* locations = ecran.findChild<QWidget*>("colonneLocations");
        const int gauche = clients->x();
        QVERIFY2(gauche <= 12, qPrintable(texte));

        // The invitation shows whole: its text has the lines it needs.
        auto* invitation = ecran.findChild<QLabel*>("texteInvitation");
        QVERIFY(invitation->isVisible());
        QVERIFY2(invitation->heightForWidth(invitation->width()) <= invitation->height(), qPrintable(texte));
        QVERIFY2(invitation->mapTo(&ecran, QPoint(invitation->width(), 0)).x() <= ecran.width(), qPrintable(texte));

        // A client chosen, then a rental: the client column stays where it is, the others follow it.
        ecran.selectionnerClient(a->id());
        QCoreApplication::processEvents();
        QCOMPARE(clients->x(), gauche);
        QVERIFY2(locations->x() <= clients->geometry().right() + 1 + 12, qPrintable(texte));
        ecran.basculerSelectionLocation(l);
        QCoreApplication::processEvents();
        QCOMPARE(clients->x(), gauche);
        QVERIFY(ecran.colonneDetails()->isVisible());
        // The details keep a usable width, the client column giving way first.
        QVERIFY2(ecran.colonneDetails()->width() >= 260, qPrintable(texte + " " + QString::number(ecran.colonneDetails()->width())));
        QVERIFY2(ecran.colonneDetails()->geometry().right() <= ecran.width(), qPrintable(texte));
        QVERIFY2(clients->width() >= 230, qPrintable(texte));
        if (largeur >= 1380)
            QVERIFY(clients->width() >= 440); // room enough: the whole column
        // The screen itself fits its width: nothing reaches past its right edge.
        QVERIFY2(ecran.minimumSizeHint().width() <= largeur, qPrintable(texte));
        ecran.basculerSelectionLocation(l);
        QCoreApplication::processEvents();
        QCOMPARE(clients->x(), gauche);
        ecran.deselectionnerClient();
        QCoreApplication::processEvents();
        QCOMPARE(clients->x(), gauche);
    }
}

void ParClientTest::choosingARentalMovesNothingAndTheCartoucheStaysWhole()
{
    // The content beside the sidebar at 1600 × 1000, 1200 × 760, and 1200 × 760 at scale 1.5.
    for (const int largeur : {1380, 970, 840}) {
        const QString texte = QString::number(largeur);
        Bureau b;
        client(b.ctx.get(), "Alpha");
        Client* martin = client(b.ctx.get(), "Martin Bâtiment");
        for (int i = 0; i < 40; ++i)
            client(b.ctx.get(), QStringLiteral("Client %1").arg(i));
        auto* l = location(b.ctx.get(), martin, benne(b.ctx.get(), 10), localDateTime(2026, 6, 1), std::nullopt,
                           "12 rue de la République, Lyon", 45.76, 4.83);
        VueLocationBenne ecran(b.entrees());
        ecran.resize(largeur, 620);
        ecran.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ecran));
        QWidget* vue = ecran.colonneClients()->viewport();
        QVERIFY(vue);
        cliquer(ecran.cartouche(martin));
        QTRY_VERIFY(ecran.listeBennes());
        QTRY_COMPARE(ecran.cartouche(martin)->scale(), 1.5);
        QCoreApplication::processEvents();
        QWidget* locations = ecran.findChild<QWidget*>("colonneLocations");
        const QRect avant = locations->geometry();
        const int clients = ecran.colonneClients()->width();

        BenneOscillanteView* tuile = ecran.listeBennes()->tuile(l);
        QTest::mouseClick(tuile, Qt::LeftButton, {}, tuile->tileRect().center().toPoint());
        QCoreApplication::processEvents();
        QVERIFY(ecran.colonneDetails()->isVisible());
        QCOMPARE(locations->geometry(), avant);
        QCOMPARE(ecran.colonneClients()->width(), clients);
        QVERIFY2(ecran.colonneDetails()->geometry().right() <= ecran.width(), qPrintable(texte));

        // The grown cartouche, its badge and its name lie inside what the column shows.
        CartoucheAnime* choisi = ecran.cartouche(martin);
        const QRectF dessin = choisi->etendueAffichee();
        const QRect dansVue(choisi->mapTo(vue, dessin.topLeft().toPoint()), dessin.size().toSize());
        QVERIFY2(vue->rect().contains(dansVue),
                 qPrintable(texte + QStringLiteral(" %1,%2 %3×%4").arg(dansVue.x()).arg(dansVue.y()).arg(dansVue.width()).arg(dansVue.height())));
        QVERIFY2(dessin.width() > CartoucheAnime::kLargeur, qPrintable(texte)); // still grown
        QCOMPARE(ecran.width(), largeur); // the screen did not widen itself on the way
        if (largeur >= 1380)
            QCOMPARE(dessin.width(), (CartoucheAnime::kLargeur + 10) * 1.5); // the full growth when there is room

        // Unchoosing the rental moves nothing either.
        QTest::mouseClick(tuile, Qt::LeftButton, {}, tuile->tileRect().center().toPoint());
        QCoreApplication::processEvents();
        QVERIFY(!ecran.colonneDetails()->isVisible());
        QCOMPARE(locations->geometry(), avant);
    }
}

void ParClientTest::groupsOfAvailableSkips()
{
    auto ctx = store();
    auto* grue = new DispositifSpecial("Grue");
    auto* vide = new DispositifSpecial("");
    Benne* avecGrue = colouredBenne(ctx.get(), 10, "FF0000", EtatBenne::correct, grue);
    Benne* sansGrue = colouredBenne(ctx.get(), 10, "FF0000", EtatBenne::neuf);
    Benne* quinze = colouredBenne(ctx.get(), 15, "00FF00");
    Benne* six = colouredBenne(ctx.get(), 6, "0000FF", EtatBenne::correct, vide);
    Benne* sale = colouredBenne(ctx.get(), 7.5, "#zz", EtatBenne::sale);
    colouredBenne(ctx.get(), 8, "000000", EtatBenne::inutilisable);
    const QList<Benne*> flotte = ctx->all<Benne>();

    QList<GroupeDeBennes> g = groupes(flotte, false, true);
    QCOMPARE(g.size(), 3);
    QCOMPARE(g[0].type.volume, 6.0);
    QCOMPARE(g[1].type.volume, 10.0);
    QCOMPARE(g[2].type.volume, 15.0);
    QCOMPARE(g[1].id(), QStringLiteral("10.0-FF0000"));
    QCOMPARE(g[1].bennes, (QList<Benne*>{sansGrue, avecGrue}));
    QCOMPARE(g[1].type.dispositif, grue);
    QCOMPARE(fournisseurGlisser(g[1]), std::optional<QString>(sansGrue->id().toString(QUuid::WithoutBraces).toUpper()));
    // A device with an empty description is still a device record of the kind.
    QCOMPARE(g[0].type.dispositif, vide);
    QCOMPARE(g[2].bennes, QList<Benne*>{quinze});

    // Devices excluded: the crane skip goes, the empty device stays.
    g = groupes(flotte, false, false);
    QCOMPARE(g[1].bennes, QList<Benne*>{sansGrue});
    QVERIFY(!g[1].type.dispositif);
    QCOMPARE(g[0].bennes, QList<Benne*>{six});

    // Dirty skips on request; an unusable one never.
    g = groupes(flotte, true, true);
    QCOMPARE(g.size(), 4);
    QCOMPARE(g[1].id(), QStringLiteral("7.5-#zz"));
    QCOMPARE(g[1].bennes, QList<Benne*>{sale});
    QVERIFY(groupes({}, true, true).isEmpty());
    QVERIFY(!fournisseurGlisser(GroupeDeBennes{}).has_value());
}

void ParClientTest::dragPayloadAndPanel()
{
    Bureau b;
    Client* a = client(b.ctx.get(), "A");
    Client* autre = client(b.ctx.get(), "B");
    Benne* b10 = colouredBenne(b.ctx.get(), 10, "FF0000");
    colouredBenne(b.ctx.get(), 6, "00FF00", EtatBenne::sale);
    VueLocationBenne ecran(b.entrees());
    ecran.resize(1200, 760);
    ecran.show();
    ecran.selectionnerClient(a->id());
    QVERIFY(ecran.boutonBennesDisponibles()->isVisible());
    QCOMPARE(ecran.boutonBennesDisponibles()->toolTip(), QStringLiteral("Bennes disponibles"));
    QTest::mouseClick(ecran.boutonBennesDisponibles(), Qt::LeftButton);
    VuePourLocationBenne* panneau = ecran.panneau();
    QVERIFY(panneau);
    QCOMPARE(panneau->client(), a);
    QVERIFY(!panneau->caseBennesSales()->isChecked());
    QVERIFY(panneau->caseDispositifs()->isChecked());
    QCOMPARE(panneau->groupesAffiches().size(), 1);
    QTest::mouseClick(panneau->caseBennesSales(), Qt::LeftButton, {}, QPoint(5, panneau->caseBennesSales()->height() / 2));
    QCOMPARE(panneau->groupesAffiches().size(), 2);

    // The card drags as the first skip's id in plain text.
    QAbstractItemModel* modele = panneau->liste()->model();
    std::unique_ptr<QMimeData> mime(modele->mimeData({modele->index(1, 0)}));
    QCOMPARE(mime->text(), b10->id().toString(QUuid::WithoutBraces).toUpper());
    QVERIFY(modele->flags(modele->index(1, 0)) & Qt::ItemIsDragEnabled);

    // A second press closes it; so does onCancel, and a change of client.
    QTest::mouseClick(ecran.boutonBennesDisponibles(), Qt::LeftButton);
    QTRY_VERIFY(!ecran.panneau());
    ecran.basculerPanneau();
    ecran.panneau()->annuler();
    QTRY_VERIFY(!ecran.panneau());
    ecran.basculerPanneau();
    QVERIFY(ecran.panneau());
    ecran.selectionnerClient(autre->id());
    QTRY_VERIFY(!ecran.panneau());
}
