#include "tests.h"

#include "lecteurecran.h"

#include "screenfixtures.h"

#include "model/helpers.h"
#include "model/query.h"
#include "rentals/carteavecrepere.h"
#include "rentals/cartoucheanime.h"
#include "rentals/listebennesview.h"
#include "platform/adresseservice.h"
#include "rentals/geocodageapresenregistrement.h"
#include "rentals/formulairelocationview.h"
#include "rentals/vuelocationbenne.h"
#include "rentals/vuepourlocationbenne.h"
#include "widgets/benneoscillanteview.h"
#include "widgets/elidedlabel.h"
#include "widgets/forms/formstyle.h"
#include "widgets/plaintext.h"
#include "widgets/searchablepicker.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QScrollArea>
#include <QListView>
#include <QScrollBar>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
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

void cliquer(BenneOscillanteView* t)
{
    QTest::mouseClick(t, Qt::LeftButton, {}, t->tileRect().center().toPoint());
}

// The screen in the content area as the main window shows it: a scroll area that gives it all
// its room and scrolls only when the screen asks for more.
struct ZoneContenu {
    QScrollArea zone;
    ZoneContenu(VueLocationBenne* ecran, QSize taille)
    {
        zone.setFrameShape(QFrame::NoFrame);
        zone.setWidgetResizable(true);
        zone.setWidget(ecran);
        zone.resize(taille);
        zone.show();
    }
    // The screen goes with its zone, before the office it shows.
    ~ZoneContenu() { delete zone.takeWidget(); }
};

QRect dans(const QWidget* w, const QWidget* ecran)
{
    return QRect(w->mapTo(ecran, QPoint(0, 0)), w->size());
}

// What keeps the screen usable at this size: nothing to scroll in the content area, every button
// whole and in view, every one-line text whole or cut with "…" (the whole text in its tool tip),
// and nothing laid over the rentals column.
QStringList fautes(ZoneContenu& z, VueLocationBenne& ecran)
{
    settle();
    QStringList out;
    if (z.zone.horizontalScrollBar()->isVisible())
        out << QStringLiteral("the content scrolls sideways (%1 for %2)").arg(ecran.minimumSizeHint().width()).arg(z.zone.viewport()->width());
    if (z.zone.verticalScrollBar()->isVisible())
        out << QStringLiteral("the content scrolls down (%1 for %2)").arg(ecran.minimumSizeHint().height()).arg(z.zone.viewport()->height());
    for (QAbstractButton* b : ecran.findChildren<QAbstractButton*>()) {
        if (!b->isVisible())
            continue;
        const QRect r = dans(b, &ecran);
        if (!ecran.rect().contains(r) || b->visibleRegion().boundingRect() != b->rect())
            out << QStringLiteral("button « %1 » %2 out of view").arg(b->text(), b->objectName());
        auto* c = qobject_cast<QCheckBox*>(b);
        // One line whole, or a text that wraps in the height it needs at its width.
        const int texte = c ? c->fontMetrics().horizontalAdvance(c->text()) + 24 : 0;
        const bool coupee = c && (c->hasHeightForWidth() ? c->height() < c->heightForWidth(c->width()) : texte > c->width());
        if (coupee)
            out << QStringLiteral("check box « %1 » cut").arg(c->text());
        if (c && c->text().endsWith(QChar(0x2026)) == c->toolTip().isEmpty())
            out << QStringLiteral("check box « %1 » cut without its whole text in a tool tip").arg(c->text());
    }
    for (QLabel* l : ecran.findChildren<QLabel*>()) {
        if (!l->isVisible() || l->text().isEmpty() || !l->pixmap().isNull())
            continue;
        const QRect r = dans(l, &ecran);
        if (!ecran.rect().contains(r) || l->visibleRegion().boundingRect() != l->rect())
            out << QStringLiteral("label « %1 » out of view").arg(l->text().left(40));
        if (l->wordWrap() ? l->heightForWidth(l->width()) > l->height()
                          : l->fontMetrics().horizontalAdvance(l->text()) > l->contentsRect().width() + 1)
            out << QStringLiteral("label « %1 » cut").arg(l->text().left(40));
    }
    QWidget* locations = ecran.findChild<QWidget*>("colonneLocations");
    for (const char* nom : {"colonneDetails", "emplacementPanneau"}) {
        QWidget* w = ecran.findChild<QWidget*>(nom);
        if (w && w->isVisible() && locations->isVisible() && w->geometry().intersects(locations->geometry()))
            out << QStringLiteral("%1 lies over the rentals").arg(QLatin1String(nom));
        if (w && w->isVisible() && !ecran.rect().contains(w->geometry()))
            out << QStringLiteral("%1 out of the screen").arg(QLatin1String(nom));
    }
    return out;
}

// Waits for the available skips to have come in.
bool panneauEntre(VueLocationBenne& ecran)
{
    return ecran.panneau() && !ecran.panneau()->graphicsEffect();
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
    QCOMPARE(liste.tuile(sansAdresse)->text(), QStringLiteral("Benne 10,0 m³\nChantier\u00A0: Inconnu"));
    QCOMPARE(liste.tuile(adresseVide)->text(), QStringLiteral("Benne 10,0 m³\nChantier\u00A0: "));
    QCOMPARE(liste.tuile(sansAdresse)->couleur(), QColor(Qt::green));
    QLocale::setDefault(QLocale(QLocale::English));
    ListeBennesView anglaise(c, [](double v) { return QLocale().toString(v, 'f', 1); }, {}, nullptr, Horloge::fixe(maintenant(), kParis));
    QCOMPARE(anglaise.tuile(sansAdresse)->text(), QStringLiteral("Benne 10.0 m³\nChantier\u00A0: Inconnu"));

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
    QTRY_COMPARE(tuile->text(), QStringLiteral("Benne 10,0 m³\nChantier\u00A0: Villeurbanne"));
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
    QTRY_VERIFY(c.isZoomed()); // the glass look from 0.5 s
    QVERIFY2(chrono.elapsed() >= 500, qPrintable(QString::number(chrono.elapsed())));
    QTRY_COMPARE(c.xOffset(), 160.0);
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
    QTRY_VERIFY(c.xOffset() > 0); // under way
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

namespace {

// The rectangles a widget is asked to repaint.
struct Repeints : QObject {
    QList<QRect> rects;
    explicit Repeints(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            rects << static_cast<QPaintEvent*>(e)->rect();
        return false;
    }
};

} // namespace

void ParClientTest::cartoucheRepaintsOnlyWhereItMoves()
{
    // In a wide column, the selection repaints where the cartouche was and is drawn, not the
    // whole row, and at the pace of the skips' swing: what does not move is not painted again.
    bool fini = false;
    CartoucheAnime c("Dupont", 12, false, {}, [&] { fini = true; });
    c.resize(1200, CartoucheAnime::kHauteurTotale);
    c.show();
    QVERIFY(QTest::qWaitForWindowExposed(&c));
    settle();
    Repeints repeints(&c);
    QRectF dessine = c.etendueAffichee();
    c.basculerSelection();
    QTRY_VERIFY(fini);
    QTRY_COMPARE(c.scale(), 1.5);
    dessine |= c.etendueAffichee();
    QVERIFY(!repeints.rects.isEmpty());
    // The grown glass casts its shadow a little beyond the box and badge.
    const QRect permis = dessine.toAlignedRect().adjusted(-30, -30, 30, 30);
    for (const QRect& r : std::as_const(repeints.rects))
        QVERIFY2(permis.contains(r) && r.width() < c.width() / 2,
                 qPrintable(QStringLiteral("%1,%2 %3×%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
    QVERIFY2(repeints.rects.size() <= 1.2 * EtatCartouche::kImagesParSeconde + 3,
             qPrintable(QString::number(repeints.rects.size())));
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
                          "Pose le : 01/06/2026 et enlèvement prévu le : 20/06/2026", "Déchet prévu : Gravats"}));
    QCOMPARE(ecran.adresseDetails(), QStringLiteral("12 rue X"));
    QCOMPARE(ecran.carteDetails()->longitude(), QStringLiteral("1e-05"));
    QVERIFY(ecran.carteDetails()->repere());

    // Half a coordinate: the details show, the map's place says why there is no map.
    ecran.basculerSelectionLocation(moitie);
    QCOMPARE(b.selectedLocation.get(), moitie);
    QVERIFY(ecran.colonneDetails()->isVisible());
    QVERIFY(ecran.sansCoordonnees()->isVisible());
    QVERIFY(!ecran.carteDetails()->isVisible());
    QCOMPARE(ecran.lignesDetails().value(3), QStringLiteral("Pose le : 01/06/2026 et enlèvement prévu le : non prévue"));
    ecran.basculerSelectionLocation(complete);
    QVERIFY(ecran.carteDetails()->isVisible());
    QVERIFY(!ecran.sansCoordonnees()->isVisible());

    ecran.basculerSelectionLocation(sansFin);
    QCOMPARE(ecran.lignesDetails().value(3), QStringLiteral("Pose le : 02/06/2026 et enlèvement prévu le : non prévue"));
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

    // Tab into the list scrolled down: the keys on the first card wholly in view, not on the first.
    for (int i = 0; i < 30; ++i)
        colouredBenne(b.ctx.get(), 8, QStringLiteral("%1").arg(0x101010 * (i + 1), 6, 16, QLatin1Char('0')));
    panneau->caseBennesSales()->toggle();
    panneau->caseBennesSales()->toggle();
    QListView* liste = panneau->liste();
    QTRY_VERIFY(liste->verticalScrollBar()->maximum() > 0);
    liste->verticalScrollBar()->setValue(liste->verticalScrollBar()->maximum() / 2);
    const int haut = liste->verticalScrollBar()->value();
    liste->setFocus(Qt::TabFocusReason);
    QVERIFY(liste->currentIndex().isValid());
    QVERIFY(liste->viewport()->rect().contains(liste->visualRect(liste->currentIndex())));
    QCOMPARE(liste->verticalScrollBar()->value(), haut);

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

void ParClientTest::everyStateFitsFromTheSmallestWindowUp()
{
    // The content area of the smallest window (760 × 480), of a small one, of 1200 × 760 at
    // scale 1.5, and of 1600 × 1000; names of 300 characters.
    for (const QSize taille : {QSize(536, 400), QSize(700, 420), QSize(840, 600), QSize(1380, 900)}) {
        const QString ou = QStringLiteral("%1 × %2: ").arg(taille.width()).arg(taille.height());
        Bureau b;
        Client* longue = client(b.ctx.get(), longName(QStringLiteral("Client")));
        for (int i = 0; i < 12; ++i)
            client(b.ctx.get(), longName(QStringLiteral("Autre %1").arg(i)));
        auto* grue = new DispositifSpecial(longName(QStringLiteral("Grue")));
        Benne* benne10 = colouredBenne(b.ctx.get(), 10, "FF0000", EtatBenne::correct, grue);
        colouredBenne(b.ctx.get(), 6, "00FF00", EtatBenne::sale);
        auto* l = location(b.ctx.get(), longue, benne10, localDateTime(2026, 6, 1), localDateTime(2026, 6, 20),
                           longName(QStringLiteral("12 rue")), 45.76, 4.83, wasteType(b.ctx.get(), longName("Gravats")));
        for (int i = 0; i < 6; ++i)
            location(b.ctx.get(), longue, benne10, localDateTime(2026, 5, 1 + i), std::nullopt, longName("Lot"));
        {
            // No client yet: the configuration card, whole.
            Bureau vide;
            auto* sansClient = new VueLocationBenne(vide.entrees());
            ZoneContenu z(sansClient, taille);
            QVERIFY(QTest::qWaitForWindowExposed(&z.zone));
            QVERIFY(sansClient->afficheCarteConfiguration());
            const QStringList f = fautes(z, *sansClient);
            QVERIFY2(f.isEmpty(), qPrintable(ou + "no client: " + f.join(", ")));
        }
        auto* ecran = new VueLocationBenne(b.entrees());
        ZoneContenu z(ecran, taille);
        QVERIFY(QTest::qWaitForWindowExposed(&z.zone));
        // It opens at its left edge.
        QCOMPARE(ecran->colonneClients()->x(), 12);
        QStringList f = fautes(z, *ecran);
        QVERIFY2(f.isEmpty(), qPrintable(ou + "nothing chosen: " + f.join(", ")));

        cliquer(ecran->cartouche(longue));
        QTRY_VERIFY(ecran->listeBennes());
        f = fautes(z, *ecran);
        QVERIFY2(f.isEmpty(), qPrintable(ou + "client chosen: " + f.join(", ")));
        // The grown cartouche keeps its name: it is cut with "…", and whole in its tool tip.
        QCOMPARE(shownToolTip(ecran->cartouche(longue)->toolTip()), longue->nom());

        cliquer(ecran->listeBennes()->tuile(l));
        QVERIFY(ecran->colonneDetails()->isVisible());
        f = fautes(z, *ecran);
        QVERIFY2(f.isEmpty(), qPrintable(ou + "rental chosen: " + f.join(", ")));
        QVERIFY2(ecran->colonneDetails()->width() >= 200, qPrintable(ou + QString::number(ecran->colonneDetails()->width())));
        QVERIFY(ecran->carteDetails()->height() >= 100);

        QTest::mouseClick(ecran->boutonBennesDisponibles(), Qt::LeftButton);
        QTRY_VERIFY(panneauEntre(*ecran));
        f = fautes(z, *ecran);
        QVERIFY2(f.isEmpty(), qPrintable(ou + "available skips: " + f.join(", ")));
        // The panel's check boxes still answer a click.
        QCheckBox* sales = ecran->panneau()->caseBennesSales();
        QTest::mouseClick(sales, Qt::LeftButton, {}, QPoint(5, sales->height() / 2));
        QCOMPARE(ecran->panneau()->groupesAffiches().size(), 2);
        QCOMPARE(sales->toolTip().isEmpty(), sales->text() == QStringLiteral("Inclure les bennes sales"));
        // Their texts are whole, on as many lines as the panel's width needs.
        for (QCheckBox* c : {sales, ecran->panneau()->caseDispositifs()}) {
            QVERIFY(c->text().startsWith(QStringLiteral("Inclure les bennes ")));
            QVERIFY(!c->text().contains(QChar(0x2026)));
            QVERIFY2(c->height() >= c->heightForWidth(c->width()),
                     qPrintable(ou + QStringLiteral("%1 < %2").arg(c->height()).arg(c->heightForWidth(c->width()))));
            const int uneLigne = c->fontMetrics().horizontalAdvance(c->text());
            if (c->width() < uneLigne)
                QVERIFY(c->height() >= 2 * c->fontMetrics().lineSpacing());
        }

        // Closed again: the details come back as they were.
        QTest::mouseClick(ecran->boutonBennesDisponibles(), Qt::LeftButton);
        QTRY_VERIFY(!ecran->panneau());
        QVERIFY(ecran->colonneDetails()->isVisible());
        f = fautes(z, *ecran);
        QVERIFY2(f.isEmpty(), qPrintable(ou + "panel closed: " + f.join(", ")));
    }
}

void ParClientTest::detailsOverTheClientsWhenTheRowIsShort()
{
    // The smallest window: no room for a third column. The details lie over the clients, the
    // rentals stay in view and in reach; "Fermer" or a second tap on the rental lets them go.
    Bureau b;
    Client* a = client(b.ctx.get(), "Martin Bâtiment");
    client(b.ctx.get(), "Dupont");
    Benne* benne10 = benne(b.ctx.get(), 10);
    auto* l1 = location(b.ctx.get(), a, benne10, localDateTime(2026, 6, 1), std::nullopt, "Lyon", 45.76, 4.83);
    auto* l2 = location(b.ctx.get(), a, benne10, localDateTime(2026, 5, 1), std::nullopt, "Bron", 45.73, 4.91);
    auto* ecran = new VueLocationBenne(b.entrees());
    ZoneContenu z(ecran, QSize(536, 400));
    QVERIFY(QTest::qWaitForWindowExposed(&z.zone));
    cliquer(ecran->cartouche(a));
    QTRY_VERIFY(ecran->listeBennes());
    settle();
    QWidget* locations = ecran->findChild<QWidget*>("colonneLocations");
    const QRect avant = locations->geometry();
    cliquer(ecran->listeBennes()->tuile(l1));
    settle();
    QWidget* details = ecran->colonneDetails();
    QVERIFY(details->isVisible());
    QCOMPARE(locations->geometry(), avant);
    // Over the clients' search and cartouches alike.
    QCOMPARE(details->geometry(), ecran->colonneClients()->geometry().united(ecran->champRecherche()->geometry()));
    // Another rental, chosen from the list still in view.
    cliquer(ecran->listeBennes()->tuile(l2));
    settle();
    QCOMPARE(b.selectedLocation.get(), l2);
    QCOMPARE(ecran->carteDetails()->repere(), std::optional<Coordonnee>(Coordonnee{45.73, 4.91}));
    auto* fermer = details->findChild<QToolButton*>("fermerDetails");
    QVERIFY(fermer && fermer->isVisible());
    QCOMPARE(fermer->toolTip(), QStringLiteral("Fermer"));
    QTest::mouseClick(fermer, Qt::LeftButton);
    QVERIFY(!b.selectedLocation.get());
    QVERIFY(!details->isVisible());
    QVERIFY(ecran->cartouche(a)->isVisible());
    QCOMPARE(b.selectedClientID.get(), std::optional<QUuid>(a->id()));

    // With room for a column, the details sit beside the rentals and need no button.
    z.zone.resize(1380, 900);
    cliquer(ecran->listeBennes()->tuile(l1));
    settle();
    QVERIFY(details->x() > locations->geometry().right());
    QVERIFY(!details->findChild<QToolButton*>("fermerDetails")->isVisible());
}

void ParClientTest::openingTheAvailableSkipsMovesNoColumn()
{
    // 1600 × 1000, 1200 × 760, 1200 × 760 at scale 1.5, and the smallest window; with no rental
    // chosen, then with one.
    for (const int largeur : {1380, 970, 840, 536}) {
        for (const bool avecLocation : {false, true}) {
            const QString ou = QStringLiteral("%1%2").arg(largeur).arg(avecLocation ? " with a rental" : "");
            Bureau b;
            Client* a = client(b.ctx.get(), "Démolition Simon 31");
            client(b.ctx.get(), "B");
            colouredBenne(b.ctx.get(), 10, "FF0000");
            auto* l = location(b.ctx.get(), a, benne(b.ctx.get(), 10), localDateTime(2026, 6, 1), std::nullopt, "Lyon",
                               45.76, 4.83);
            auto* ecran = new VueLocationBenne(b.entrees());
            ZoneContenu z(ecran, QSize(largeur, 620));
            QVERIFY(QTest::qWaitForWindowExposed(&z.zone));
            cliquer(ecran->cartouche(a));
            QTRY_VERIFY(ecran->listeBennes());
            if (avecLocation)
                cliquer(ecran->listeBennes()->tuile(l));
            settle();
            QWidget* locations = ecran->findChild<QWidget*>("colonneLocations");
            const QRect clients = ecran->colonneClients()->geometry();
            const QRect colonne = locations->geometry();
            const QRect details = ecran->colonneDetails()->geometry();
            const QRect cartouche = dans(ecran->cartouche(a), ecran);

            QTest::mouseClick(ecran->boutonBennesDisponibles(), Qt::LeftButton);
            QVERIFY(ecran->panneau());
            // On its way in and once in.
            QTest::qWait(100);
            QCOMPARE(ecran->colonneClients()->geometry(), clients);
            QTRY_VERIFY(panneauEntre(*ecran));
            settle();
            QVERIFY2(ecran->colonneClients()->geometry() == clients, qPrintable(ou));
            QVERIFY2(locations->geometry() == colonne, qPrintable(ou));
            QVERIFY2(dans(ecran->cartouche(a), ecran) == cartouche, qPrintable(ou));
            if (avecLocation)
                QVERIFY2(ecran->colonneDetails()->x() == details.x(), qPrintable(ou));
            // It comes in at the trailing side of the rentals, whole and in the screen; the button
            // that closes it stays in reach.
            QWidget* place = ecran->findChild<QWidget*>("emplacementPanneau");
            QVERIFY2(ecran->rect().contains(place->geometry()), qPrintable(ou));
            QVERIFY2(!place->geometry().intersects(colonne), qPrintable(ou));
            QCOMPARE(ecran->panneau()->geometry(), place->rect());
            if (largeur >= 1380)
                QCOMPARE(place->width(), 360);
            QTest::mouseClick(ecran->boutonBennesDisponibles(), Qt::LeftButton);
            QTRY_VERIFY(!ecran->panneau());
            settle();
            QCOMPARE(ecran->colonneClients()->geometry(), clients);
            QCOMPARE(locations->geometry(), colonne);
        }
    }
}

void ParClientTest::rentalFromTheSheetWithoutCoordinatesShowsItsDetails()
{
    // The only rental of a client named by 300 characters, booked through the new-rental form
    // with the address typed by hand while the address service cannot be reached: it is saved
    // without coordinates. Chosen in the list, its details show, whatever the screen's size.
    Bureau b;
    const QString nom = longName(QStringLiteral("Client"));
    Client* c = client(b.ctx.get(), nom);
    wasteType(b.ctx.get(), "Gravats");
    Benne* be = colouredBenne(b.ctx.get(), 10, "0000FF");
    QVERIFY(saved(b.ctx.get()));
    quint16 ferme = 0;
    {
        QTcpServer serveur;
        QVERIFY(serveur.listen(QHostAddress::LocalHost, 0));
        ferme = serveur.serverPort();
    }
    const QUrl injoignable(QStringLiteral("http://127.0.0.1:%1/geocodage").arg(ferme));
    GeocodageApresEnregistrement::pour(b.ctx.get())->service()->setBaseUrl(injoignable);
    AdresseService service(injoignable);
    const QString adresse = QStringLiteral("12 rue des Ecoles/Bat <b>B</b> & C");
    {
        FormulaireLocationView form(b.ctx.get(), be->id(), [] {}, &service, nullptr, Horloge::fixe(maintenant(), kParis));
        form.show();
        QTest::keyClick(form.choixClient(), Qt::Key_Down); // the form chooses no client itself
        QCOMPARE(form.clientSelectionne(), c);
        QTest::keyClicks(form.champAdresse(), adresse);
        QTest::mouseClick(form.boutonValider(), Qt::LeftButton);
    }
    QCOMPARE(c->locations().size(), 1);
    LocationDeBenne* l = c->locations().first();
    QTRY_COMPARE(GeocodageApresEnregistrement::pour(b.ctx.get())->enAttente(), 0);
    QVERIFY(!l->latitude() || !l->longitude());
    QVERIFY(!l->dateEnlevement());

    for (const QSize taille : {QSize(536, 400), QSize(1600, 1000)}) {
        b.selectedClientID.set(std::nullopt);
        b.bennesReadyForClientID.set(std::nullopt);
        b.selectedLocation.set(nullptr);
        VueLocationBenne ecran(b.entrees());
        ecran.resize(taille);
        ecran.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ecran));
        cliquer(ecran.cartouche(c));
        QTRY_COMPARE(ecran.clientDeLaColonne(), c);
        BenneOscillanteView* tuile = nullptr;
        QTRY_VERIFY((tuile = ecran.listeBennes()->tuile(l)));
        cliquer(tuile);
        QTRY_VERIFY(tuile->isSelected());
        QCOMPARE(b.selectedLocation.get(), l);
        const QString ou = QStringLiteral("%1 × %2").arg(taille.width()).arg(taille.height());
        QVERIFY2(ecran.colonneDetails()->isVisible(), qPrintable(ou));
        QCOMPARE(ecran.adresseDetails(), adresse);
        QCOMPARE(ecran.lignesDetails().value(3),
                 QStringLiteral("Pose le : 11/06/2026 et enlèvement prévu le : non prévue"));
        QCOMPARE(ecran.lignesDetails().value(4), QStringLiteral("Déchet prévu : Gravats"));
        QVERIFY(ecran.sansCoordonnees()->isVisible());
        QCOMPARE(ecran.sansCoordonnees()->text(), VueLocationBenne::messageSansCoordonnees());
        QVERIFY2(ecran.rect().contains(ecran.colonneDetails()->geometry()), qPrintable(ou));
    }
}

void ParClientTest::textOnColoursIsBlackOrWhite()
{
    // The client's name on the orange cartouche and a tile's text on its skip's colour take black
    // or white, whichever contrasts more.
    CartoucheAnime cartouche(QStringLiteral("WWWW WWWW"), 3, false, {}, {});
    cartouche.resize(cartouche.sizeHint());
    cartouche.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cartouche));
    QCOMPARE(cartouche.couleurNom(), QColor(Qt::black));
    QVERIFY(forms::contrastRatio(cartouche.couleurNom(), cartouche.couleurCartouche()) >= 4.5);
    // The name's middle, as painted: dark strokes, no white ones.
    const QImage image = cartouche.grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    const QRectF b = cartouche.boite();
    const QRect milieu = QRectF((b.center() - QPointF(30, 6)) * dpr, QSizeF(60, 12) * dpr).toRect();
    int noirs = 0, blancs = 0;
    for (int y = milieu.top(); y <= milieu.bottom(); ++y)
        for (int x = milieu.left(); x <= milieu.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            noirs += c.red() + c.green() + c.blue() < 120;
            blancs += c.red() + c.green() + c.blue() > 700;
        }
    QVERIFY2(noirs > 10 && blancs == 0, qPrintable(QStringLiteral("%1 black, %2 white").arg(noirs).arg(blancs)));

    auto ctx = store();
    Client* c = client(ctx.get(), "A");
    auto* bleue = location(ctx.get(), c, colouredBenne(ctx.get(), 10, "0000FF"), localDateTime(2026, 6, 1));
    auto* jaune = location(ctx.get(), c, colouredBenne(ctx.get(), 10, "FFFF00"), localDateTime(2026, 6, 2));
    ListeBennesView liste(c, volumeFr, {}, nullptr, Horloge::fixe(maintenant(), kParis));
    liste.show();
    QCOMPARE(liste.tuile(bleue)->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(liste.tuile(jaune)->palette().color(QPalette::WindowText), QColor(Qt::black));
    // Chosen, the tile is glass: the window's own text colour.
    liste.setSelectedLocation(bleue);
    QCOMPARE(liste.tuile(bleue)->palette().color(QPalette::WindowText), QPalette().color(QPalette::WindowText));
    liste.setSelectedLocation(nullptr);
    QCOMPARE(liste.tuile(bleue)->palette().color(QPalette::WindowText), QColor(Qt::white));
}

void ParClientTest::searchFindsOneClientAmongThousands()
{
    // A large office: 5,000 clients, 21 « Thomas Rénovation » in as many towns, two « Durand
    // Bâtiment » (Rennes, Nantes), one with a phone stored with spaces.
    Bureau b;
    Client* auMilieu = nullptr;
    for (int i = 0; i < 5000; ++i) {
        const bool thomas = i % 240 == 7;
        auto* c = client(b.ctx.get(), thomas ? QStringLiteral("Thomas Rénovation") : QStringLiteral("Client %1").arg(i),
                         thomas ? QStringLiteral("Ville %1").arg(i) : QStringLiteral("Lyon"), QStringLiteral("69000"),
                         QStringLiteral("%1 rue des Lilas").arg(i));
        c->setTelephone(QStringLiteral("05 56 %1").arg(i, 4, 10, QLatin1Char('0')));
        if (i == 2407)
            auMilieu = c;
    }
    Client* rennes = client(b.ctx.get(), "Durand Bâtiment", "Rennes", "35000", "3 quai Duguay-Trouin");
    rennes->setTelephone(QStringLiteral("02 99 11 22 33"));
    Client* nantes = client(b.ctx.get(), "Durand Bâtiment", "Nantes", "44000", "8 rue Crébillon");
    nantes->setTelephone(QStringLiteral("04 78 53 50"));
    Client* balise = client(b.ctx.get(), "<b>Sàrl</b> / Évian", "Évian");
    QVERIFY(saved(b.ctx.get()));

    VueLocationBenne ecran(b.entrees());
    ecran.resize(1200, 760);
    ecran.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ecran));
    QLineEdit* recherche = ecran.champRecherche();
    QVERIFY(recherche && recherche->isVisible());
    QCOMPARE(ecran.clientsAffiches().size(), 5003);
    // The field lies over the cartouches, not over them.
    QVERIFY(!dans(recherche, &ecran).intersects(dans(ecran.colonneClients(), &ecran)));

    const auto chercher = [&](const QString& texte) {
        recherche->setFocus();
        recherche->selectAll();
        QTest::keyClick(recherche, Qt::Key_Backspace);
        // Key by key, as typed (accents included).
        for (const QChar c : texte) {
            QKeyEvent touche(QEvent::KeyPress, c == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key_unknown, Qt::NoModifier,
                             QString(c));
            QApplication::sendEvent(recherche, &touche);
        }
        return ecran.clientsAffiches();
    };
    // By name, case and accents ignored; by town, street, phone digits whatever their spaces.
    QCOMPARE(chercher("durand").size(), 2);
    QCOMPARE(chercher("DURAND batiment rennes"), QList<Client*>{rennes});
    QCOMPARE(chercher("crébillon"), QList<Client*>{nantes});
    QCOMPARE(chercher("04785350"), QList<Client*>{nantes});
    QCOMPARE(chercher("0299 112233"), QList<Client*>{rennes});
    QCOMPARE(chercher("thomas renovation").size(), 21);
    QCOMPARE(chercher("<b>sarl"), QList<Client*>{balise});
    // Each cartouche tells the look-alikes apart by their town.
    chercher("durand");
    QTRY_VERIFY(ecran.cartouche(rennes) && ecran.cartouche(nantes));
    QCOMPARE(ecran.cartouche(rennes)->detail(), QStringLiteral("Rennes"));
    QCOMPARE(ecran.cartouche(nantes)->detail(), QStringLiteral("Nantes"));
    QCOMPARE(ecran.cartouche(rennes)->label(), ecran.cartouche(nantes)->label());
    // Only the rows in view are built, however many the search leaves.
    chercher("client");
    QVERIFY(ecran.nombreCartouches() < 30);

    // Nothing found says so; the cartouches are gone.
    chercher("zzz introuvable");
    QVERIFY(ecran.clientsAffiches().isEmpty());
    QCOMPARE(ecran.nombreCartouches(), 0);
    QTRY_VERIFY(ecran.aucunClient()->isVisible());
    QVERIFY(ecran.aucunClient()->text().contains(QStringLiteral("zzz introuvable")));

    // Return chooses the first one found: its rentals show once its animation is over.
    chercher("nantes");
    QTest::keyClick(recherche, Qt::Key_Return);
    QTRY_COMPARE(b.selectedClientID.get(), std::optional<QUuid>(nantes->id()));
    QVERIFY(!ecran.aucunClient()->isVisible());
    QCOMPARE(ecran.clientDeLaColonne(), nantes);
    // A search that leaves the chosen client out takes its rentals away; taken back, they return.
    chercher("thomas");
    QVERIFY(!ecran.clientDeLaColonne());
    QVERIFY(!ecran.listeBennes());
    QVERIFY(ecran.afficheInvitation());
    chercher("durand");
    QCOMPARE(ecran.clientDeLaColonne(), nantes);

    // Chosen from a search, then the search taken back: the chosen cartouche, grown, stays
    // where it stood on the screen, among its neighbours of the whole list.
    chercher("thomas 2407");
    QCOMPARE(ecran.clientsAffiches(), QList<Client*>{auMilieu});
    QTest::keyClick(recherche, Qt::Key_Return);
    QTRY_COMPARE(b.selectedClientID.get(), std::optional<QUuid>(auMilieu->id()));
    QTRY_VERIFY(ecran.cartouche(auMilieu) && ecran.cartouche(auMilieu)->scale() == 1.5);
    const QPoint avant = ecran.cartouche(auMilieu)->mapTo(&ecran, QPoint(0, 0));
    const QRectF dessin = ecran.cartouche(auMilieu)->etendueAffichee();
    QTest::keyClick(recherche, Qt::Key_Escape);
    QVERIFY(recherche->text().isEmpty());
    QCOMPARE(ecran.clientsAffiches().size(), 5003);
    QTRY_VERIFY(ecran.cartouche(auMilieu));
    QCOMPARE(ecran.cartouche(auMilieu)->mapTo(&ecran, QPoint(0, 0)), avant);
    QCOMPARE(ecran.cartouche(auMilieu)->etendueAffichee(), dessin);
    QVERIFY(ecran.cartouche(auMilieu)->isSelected());

    // Down goes from the search to the first client found, which keeps the keys.
    chercher("rennes");
    QTest::keyClick(recherche, Qt::Key_Down);
    QTRY_VERIFY(ecran.cartouche(rennes) && ecran.cartouche(rennes)->hasFocus());

    // A client edited elsewhere is found by what it now holds.
    rennes->setVille(QStringLiteral("Saint-Malo"));
    QVERIFY(saved(b.ctx.get()));
    QTRY_COMPARE(chercher("saint malo"), QList<Client*>{rennes});
}

namespace {

// Twenty-one « Thomas Rénovation » at one address in Bron, told apart by their phones only, each
// with rentals; and a client of another name.
struct ThomasRenovation {
    Bureau b;
    QList<Client*> thomas;
    Client* autre = nullptr;
    Client* longue = nullptr;
    ThomasRenovation()
    {
        Benne* be = colouredBenne(b.ctx.get(), 8, QStringLiteral("2E7D32"));
        longue = client(b.ctx.get(), QStringLiteral("Établissements Rénovation 203"), QStringLiteral("Lyon"));
        for (int i = 0; i < 21; ++i) {
            Client* c = client(b.ctx.get(), QStringLiteral("Thomas Rénovation"), QStringLiteral("Bron"),
                               QStringLiteral("69500"), QStringLiteral("4 cours Lafayette"));
            c->setTelephone(QStringLiteral("04 78 15 16 %1").arg(20 + i));
            for (int j = 0; j <= i % 3; ++j)
                location(b.ctx.get(), c, be, localDateTime(2026, 6, 1 + j), std::nullopt,
                         QStringLiteral("1440 avenue du Chantier de la Soie, Bron"), 45.73, 4.91);
            thomas.append(c);
        }
        autre = client(b.ctx.get(), QStringLiteral("Durand Bâtiment"), QStringLiteral("Rennes"));
        location(b.ctx.get(), autre, be, localDateTime(2026, 6, 3));
    }
};

} // namespace

void ParClientTest::rentalsPaneNamesItsClientWhileTheListHoldsIt()
{
    ThomasRenovation o;
    VueLocationBenne ecran(o.b.entrees());
    ecran.resize(1400, 800);
    ecran.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ecran));
    Client* choisi = o.thomas.at(5);
    QTRY_VERIFY(ecran.cartouche(choisi));
    cliquer(ecran.cartouche(choisi));
    QTRY_COMPARE(ecran.clientDeLaColonne(), choisi);
    // The pane says whose rentals they are, with what tells this one from the other twenty.
    QCOMPARE(ecran.clientDuVolet(), QStringLiteral("Thomas Rénovation"));
    QCOMPARE(ecran.distinctionDuVolet(), distinctionAffichee(choisi));
    // The phone never broken across the header's lines.
    QVERIFY(ecran.distinctionDuVolet().endsWith(telephoneInsecable(QStringLiteral("04 78 15 16 25"))));

    // Another client searched for: the list no longer holds the chosen one, nor does the pane.
    QLineEdit* recherche = ecran.champRecherche();
    recherche->setFocus();
    QTest::keyClicks(recherche, QStringLiteral("durand"));
    QCOMPARE(ecran.clientsAffiches(), QList<Client*>{o.autre});
    QVERIFY(!ecran.clientDeLaColonne());
    QVERIFY(!ecran.listeBennes());
    QVERIFY(!ecran.findChild<QWidget*>("colonneLocations")->isVisible());
    QVERIFY(ecran.afficheInvitation());
    // The other chosen: its own rentals, under its own name alone.
    cliquer(ecran.cartouche(o.autre));
    QTRY_COMPARE(ecran.clientDeLaColonne(), o.autre);
    QCOMPARE(ecran.clientDuVolet(), QStringLiteral("Durand Bâtiment"));
    QVERIFY(ecran.distinctionDuVolet().isEmpty());
    QCOMPARE(ecran.listeBennes()->locationsFiltrees(), o.autre->locations());
}

namespace {

// The desktop's colours and font for one test: a dark scheme as KDE's Breeze Dark gives, or the
// light default, and a font of so many points; the application's own come back after it.
struct Bureautique {
    QPalette palette = QApplication::palette();
    QFont police = QApplication::font();
    Bureautique(bool sombre, int points)
    {
        if (sombre) {
            QPalette p;
            const QColor fond(0x20, 0x23, 0x26), texte(0xFC, 0xFC, 0xFC);
            p.setColor(QPalette::Window, fond);
            p.setColor(QPalette::WindowText, texte);
            p.setColor(QPalette::Base, QColor(0x14, 0x16, 0x18));
            p.setColor(QPalette::AlternateBase, QColor(0x1D, 0x1F, 0x22));
            p.setColor(QPalette::Text, texte);
            p.setColor(QPalette::Button, QColor(0x29, 0x2C, 0x30));
            p.setColor(QPalette::ButtonText, texte);
            p.setColor(QPalette::Highlight, QColor(0x3D, 0xAE, 0xE9));
            p.setColor(QPalette::HighlightedText, texte);
            p.setColor(QPalette::PlaceholderText, QColor(0xA0, 0xA0, 0xA0));
            p.setColor(QPalette::ToolTipBase, fond);
            p.setColor(QPalette::ToolTipText, texte);
            QApplication::setPalette(p);
        }
        QFont f = police;
        f.setPointSize(points);
        QApplication::setFont(f);
    }
    ~Bureautique()
    {
        QApplication::setPalette(palette);
        QApplication::setFont(police);
    }
};

// Texts of `ecran` that do not read on what is painted under them: the ink, the painted pixel
// of a label's text farthest from its background (the median of its pixels), against that
// background; 4.5:1 for text, 3:1 for large text.
QStringList textesIllisibles(QWidget* ecran)
{
    QStringList out;
    const QImage image = ecran->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal dpr = image.devicePixelRatio();
    QList<QWidget*> textes;
    for (QLabel* l : ecran->findChildren<QLabel*>())
        if (l->pixmap().isNull() && !l->text().isEmpty())
            textes << l;
    for (ElidedLabel* l : ecran->findChildren<ElidedLabel*>())
        if (!l->text().isEmpty())
            textes << l;
    for (QWidget* w : std::as_const(textes)) {
        if (!w->isVisible())
            continue;
        const QRect r = QRect(w->mapTo(ecran, QPoint(0, 0)), w->size()) & ecran->rect();
        const QRect px = QRectF(QRectF(r).topLeft() * dpr, QRectF(r).size() * dpr).toRect() & image.rect();
        if (px.isEmpty())
            continue;
        QList<int> luminances;
        QList<QRgb> pixels;
        for (int y = px.top(); y <= px.bottom(); ++y)
            for (int x = px.left(); x <= px.right(); ++x) {
                pixels << image.pixel(x, y);
                luminances << qGray(image.pixel(x, y));
            }
        // The background: the pixel of median grey; the ink: the one farthest from it.
        QList<int> tries = luminances;
        std::nth_element(tries.begin(), tries.begin() + tries.size() / 2, tries.end());
        const int mediane = tries.at(tries.size() / 2);
        const QRgb fond = pixels.at(luminances.indexOf(mediane));
        double meilleur = 1;
        for (QRgb c : std::as_const(pixels))
            meilleur = std::max(meilleur, forms::contrastRatio(QColor(c), QColor(fond)));
        const QFontInfo fi(w->font());
        const bool grand = fi.pixelSize() >= 24 || (fi.bold() && fi.pixelSize() >= 19);
        if (meilleur < (grand ? 3.0 : 4.5))
            out << QStringLiteral("« %1 » at %2:1 on %3").arg(shownText(w->property("text").toString()).left(40))
                       .arg(meilleur, 0, 'f', 1).arg(QColor(fond).name());
    }
    return out;
}

} // namespace

// What is wrong with how `t` writes its two texts, the volume and the site `adresse`: a line
// wider than the tile or below its bottom, a site cut mid-word, or cut although `entier` (it fits
// in a sensible tile), or cut without its whole text in the tool tip.
static QStringList tuileCoupee(BenneOscillanteView* t, const QString& adresse, bool entier)
{
    QStringList out;
    const QFontMetrics fm(t->font());
    const QStringList lignes = t->lignesAffichees();
    const QRectF place = t->tileRect().adjusted(5, 5, -5, -5);
    if (lignes.size() * fm.lineSpacing() > place.height() + 1)
        out << QStringLiteral("tile « %1 »: %2 lines in %3 px").arg(lignes.join(QLatin1Char('/'))).arg(lignes.size()).arg(place.height());
    for (const QString& ligne : lignes)
        if (fm.horizontalAdvance(ligne) > place.width() + 1)
            out << QStringLiteral("tile line « %1 » wider than its tile (%2 px)").arg(ligne).arg(place.width());
    const QString site = QStringList(lignes.mid(1)).join(QLatin1Char(' '));
    const QString complet = QStringLiteral("Chantier\u00A0: ") + adresse;
    if (!lignes.constFirst().startsWith(QStringLiteral("Benne ")) || !lignes.constFirst().endsWith(QStringLiteral(" m³")))
        out << QStringLiteral("tile volume « %1 » cut").arg(lignes.constFirst());
    if (site == complet)
        return out;
    const QString debut = site.chopped(1);
    if (entier || !site.endsWith(QChar(0x2026)) || !complet.startsWith(debut) || complet.at(debut.size()) != QLatin1Char(' '))
        out << QStringLiteral("tile site « %1 » cut").arg(site);
    if (shownToolTip(t->toolTip()) != QStringLiteral("Benne 8,0 m³\n") + complet)
        out << QStringLiteral("tile « %1 » cut without its whole text in its tool tip").arg(site);
    return out;
}

void ParClientTest::readsUnderADarkPaletteAndLargerFonts()
{
    for (const bool sombre : {false, true}) {
        for (const int points : {9, 12}) {
            Bureautique bureau(sombre, points);
            const QString ou = QStringLiteral("%1, %2 pt: ").arg(sombre ? "dark" : "light").arg(points);
            ThomasRenovation o;
            Client* choisi = o.thomas.at(4);
            // A realistic site, and a hostile one that no sensible tile holds.
            Benne* benne = choisi->locations().constFirst()->benne();
            const QString realiste = QStringLiteral("14 avenue du Général de Gaulle, Villeurbanne");
            const QString hostile = QStringLiteral("Zone <b>artisanale</b> 12/14 ") + QString(280, QChar(u'é'))
                                    + QStringLiteral(" fin");
            location(o.b.ctx.get(), choisi, benne, localDateTime(2026, 6, 4), std::nullopt, realiste);
            location(o.b.ctx.get(), choisi, benne, localDateTime(2026, 6, 5), std::nullopt, hostile);
            VueLocationBenne ecran(o.b.entrees());
            ecran.resize(1400, 800);
            ecran.show();
            QVERIFY(QTest::qWaitForWindowExposed(&ecran));
            settle();
            QVERIFY(ecran.afficheInvitation());
            QStringList fautes = textesIllisibles(&ecran);
            cliquer(ecran.cartouche(choisi));
            QTRY_VERIFY(ecran.listeBennes());
            LocationDeBenne* l = choisi->locations().constFirst();
            cliquer(ecran.listeBennes()->tuile(l));
            QTRY_VERIFY(ecran.colonneDetails()->isVisible());
            settle();
            fautes << textesIllisibles(&ecran);
            // Each rental's tile writes its lines whole within it, from the widest screen to the
            // smallest: its volume, then its site, which stops after a whole word with "…" only
            // when no sensible tile holds it (the tool tip holds it whole).
            for (const QSize taille : {QSize(1400, 800), QSize(1200, 760), ecran.minimumSizeHint()}) {
                ecran.resize(taille);
                settle();
                for (LocationDeBenne* loc : ecran.listeBennes()->locationsFiltrees())
                    fautes << tuileCoupee(ecran.listeBennes()->tuile(loc), *loc->adresse(), *loc->adresse() != hostile);
            }
            // Each cartouche shows the phone that tells it apart, whole, from the widest screen
            // to the smallest; its count never covers its name.
            for (const QSize taille : {QSize(1400, 800), ecran.minimumSizeHint()}) {
                ecran.resize(taille);
                settle();
                for (Client* c : o.thomas + QList<Client*>{o.longue}) {
                    CartoucheAnime* ca = ecran.cartouche(c);
                    if (!ca)
                        continue;
                    if (c != o.longue && !QString(ca->detailAffiche()).replace(QChar(0x00A0), QLatin1Char(' ')).endsWith(c->telephone()))
                        fautes << QStringLiteral("cartouche « %1 » at %2 px").arg(ca->detailAffiche()).arg(ca->width());
                    if (ca->rectNom().intersects(ca->rectBadge()))
                        fautes << QStringLiteral("badge over « %1 »").arg(ca->nomAffiche());
                }
            }
            QVERIFY2(fautes.isEmpty(), qPrintable(ou + fautes.join(QStringLiteral("; "))));
        }
    }
}

void ParClientTest::cartoucheWidensForItsNameBeforeCuttingIt()
{
    // Names of the large office, some with a look-alike (a second line) and many rentals (a
    // wide badge): where the column has room, every name shows whole.
    Bureau b;
    Benne* be = colouredBenne(b.ctx.get(), 8, QStringLiteral("2E7D32"));
    QList<Client*> clients;
    for (const char* nom : {"Terrassement Petit 116", "Bâtiments Thomas 1210", "Démolition Lefèvre et Fils 48",
                            "Maçonnerie Dubois-Martin 7"}) {
        Client* c = client(b.ctx.get(), QString::fromUtf8(nom), QStringLiteral("Saint-Priest"));
        clients.append(c);
        for (int j = 0; j < 12; ++j)
            location(b.ctx.get(), c, be, localDateTime(2026, 6, 1 + j));
    }
    client(b.ctx.get(), QStringLiteral("Bâtiments Thomas 1210"), QStringLiteral("Décines-Charpieu"));
    for (const int points : {9, 12}) {
        Bureautique bureau(false, points);
        VueLocationBenne ecran(b.entrees());
        for (const QSize taille : {QSize(1600, 1000), QSize(1200, 760)}) {
            ecran.resize(taille);
            ecran.show();
            QVERIFY(QTest::qWaitForWindowExposed(&ecran));
            settle();
            for (Client* c : clients) {
                CartoucheAnime* ca = ecran.cartouche(c);
                QVERIFY(ca);
                QVERIFY2(ca->nomAffiche() == c->nom(), qPrintable(QStringLiteral("%1 pt, %2 px: « %3 » in a cartouche of %4")
                                                                   .arg(points).arg(taille.width())
                                                                   .arg(ca->nomAffiche()).arg(ca->width())));
            }
        }
    }
}

void ParClientTest::screenControlsAreNamedForAScreenReader()
{
    // Every Tab stop of the screen, a client and a rental chosen, the available skips shown:
    // named by its label or tool tip, never by its placeholder or value.
    ThomasRenovation o;
    colouredBenne(o.b.ctx.get(), 10, QStringLiteral("D32F2F"));
    VueLocationBenne ecran(o.b.entrees());
    ecran.resize(1400, 800);
    ecran.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ecran));
    cliquer(ecran.cartouche(o.thomas.at(2)));
    QTRY_VERIFY(ecran.listeBennes());
    QTest::mouseClick(ecran.boutonBennesDisponibles(), Qt::LeftButton);
    QTRY_VERIFY(ecran.panneau());
    settle();
    QCOMPARE(fixtures::unnamedControls(&ecran).join(QStringLiteral("; ")), QString());
    // The available skips say their colour in words.
    QAbstractItemModel* groupes = ecran.panneau()->liste()->model();
    QStringList dits;
    for (int i = 0; i < groupes->rowCount(); ++i)
        dits << groupes->index(i, 0).data(Qt::AccessibleTextRole).toString();
    QVERIFY2(dits.contains(QStringLiteral("10 m³, rouge, disponibles : 1")), qPrintable(dits.join(QStringLiteral("; "))));
}

void ParClientTest::tilesAreChosenItemsReachedByArrowsAndF6()
{
    // To a reader, a tile is an item of the clients' list, told apart with its count, selected
    // once chosen. ↓ and ↑ take the keys from tile to tile (built as they come), F6 goes on to
    // the rentals and Shift+F6 back, and a rental chosen by Return says its details.
    ThomasRenovation o;
    VueLocationBenne ecran(o.b.entrees());
    ecran.resize(1400, 800);
    ecran.show();
    QVERIFY(QTest::qWaitForWindowActive(&ecran));
    const QList<Client*> clients = ecran.clientsAffiches();
    ecran.champRecherche()->setFocus();
    for (int i = 0; i < clients.size(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), ecran.cartouche(clients.last()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    Client* client = clients.at(clients.size() - 2);
    CartoucheAnime* tuile = ecran.cartouche(client);
    QCOMPARE(QApplication::focusWidget(), tuile);
    QAccessibleInterface* lue = QAccessible::queryAccessibleInterface(tuile);
    QCOMPARE(lue->role(), QAccessible::ListItem);
    QCOMPARE(lue->parent()->role(), QAccessible::List);
    const QString nom = lue->text(QAccessible::Name);
    QVERIFY2(nom.startsWith(client->nom()) && nom.contains(tuile->detail())
                 && nom.endsWith(QStringLiteral(", %1 location").arg(client->locations().size())
                                 + (client->locations().size() > 1 ? QStringLiteral("s") : QString())),
             qPrintable(nom));
    QVERIFY(!lue->state().selected);
    QTest::keyClick(tuile, Qt::Key_Return);
    QTRY_VERIFY(lue->state().selected);

    fixtures::HeardAnnouncements lecteur;
    QTest::keyClick(tuile, Qt::Key_F6);
    auto* carte = qobject_cast<BenneOscillanteView*>(QApplication::focusWidget());
    QVERIFY(carte && ecran.listeBennes()->isAncestorOf(carte));
    QTest::keyClick(carte, Qt::Key_Return);
    QTRY_VERIFY(ecran.colonneDetails()->isVisible());
    QVERIFY2(lecteur.said.value(0).contains(ecran.adresseDetails()), qPrintable(lecteur.said.join(QLatin1Char('|'))));
    QAccessibleInterface* lueCarte = QAccessible::queryAccessibleInterface(carte);
    QCOMPARE(lueCarte->role(), QAccessible::ListItem); // the rental's tile, as it reads, the chosen one
    QCOMPARE(lueCarte->text(QAccessible::Name), carte->text());
    QTRY_VERIFY(lueCarte->state().selected);
    QTest::keyClick(carte, Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), tuile);
}
