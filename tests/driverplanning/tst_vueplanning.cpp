#include "tests.h"

#include <QAccessible>

#include "bureau.h"
#include "premierepeinture.h"
#include "screenfixtures.h"
#include "windowdrag.h"

#include "driverplanning/bilantransmission.h"
#include "widgets/focusstyle.h"
#include "driverplanning/carteprestationschauffeur.h"
#include "driverplanning/chauffeurcard.h"
#include "driverplanning/dateslider.h"
#include "driverplanning/prestationcard.h"
#include "driverplanning/prestationscolumn.h"
#include "driverplanning/vueplanningchauffeurs.h"
#include "platform/desktopopener.h"
#include "platform/filehelpers.h"
#include "platform/mapwidget.h"
#include "widgets/dragautoscroller.h"
#include "widgets/forms/formstyle.h"
#include "widgets/pastillejour.h"
#include "widgets/plaintext.h"
#include "widgets/textstyles.h"

#include <QClipboard>
#include <QFile>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>
#include <QWheelEvent>

using namespace kv;
using fx::at;

namespace {

// Monday 7 December 2026, 10:00 in Paris: tomorrow is Tuesday the 8th.
Horloge horloge(const QTimeZone& zone = fx::paris())
{
    return Horloge::fixe(at(2026, 12, 7, 10), zone);
}

struct Ecran {
    std::unique_ptr<VuePlanningChauffeurs> vue;
    QStringList traces;
    QList<QString> adresses;

    Ecran(ModelContext* ctx, const QTimeZone& zone = fx::paris()) { ouvrir(ctx, zone); }
    // Over the office's store once saved, as the office keeps it. The screen opens even when the
    // save fails, so that the test reports the failure instead of crashing on a missing screen.
    explicit Ecran(fx::Bureau& b)
    {
        const bool enregistre = b.context()->save();
        ouvrir(b.context(), fx::paris());
        QVERIFY(enregistre);
    }
    void ouvrir(ModelContext* ctx, const QTimeZone& zone)
    {
        vue = std::make_unique<VuePlanningChauffeurs>(
            ctx, nullptr, horloge(zone), [this](const QString& a, const QString&, const QString&) {
                adresses << a;
                return ResultatComposition::ouvert;
            });
        vue->setTrace([this](const QString& l) { traces << l; });
        vue->resize(1200, 760);
        vue->show();
        QVERIFY(QTest::qWaitForWindowExposed(vue.get()));
        attendre();
    }
    // The list of rows: its area, the area's viewport, its scroll bars down and sideways.
    struct Defilement {
        QScrollArea* zone;
        QWidget* vp;
        QScrollBar* barre;
        QScrollBar* cote;
    };
    Defilement defilement() const
    {
        QScrollArea* zone = vue->zoneDefilement();
        return {zone, zone->viewport(), zone->verticalScrollBar(), zone->horizontalScrollBar()};
    }
    // The window at that size, laid out, its rows brought in.
    void taille(int largeur, int hauteur)
    {
        vue->resize(largeur, hauteur);
        fixtures::settle();
        attendre();
    }
    // A drag that leaves the window, as one given up with Escape does.
    void quitter() { QDragLeaveEvent quitte; QCoreApplication::sendEvent(vue->windowHandle(), &quitte); }
    // Lets queued work (notices, rows coming into view) run.
    void attendre()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
};

QStringList textesPastilles(const DateSlider* s)
{
    QStringList out;
    for (const PastilleJour* p : s->pastilles())
        out << p->label();
    return out;
}

int selectionnee(const DateSlider* s)
{
    for (int i = 0; i < s->pastilles().size(); ++i)
        if (s->pastilles()[i]->selected())
            return i;
    return -1;
}

// Sends a drop of `mime` to the column, as the window system would.
bool deposer(PrestationsColumn* colonne, QMimeData* mime)
{
    const QPointF point(colonne->width() / 2.0, 10);
    QDragEnterEvent entree(point.toPoint(), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(colonne, &entree);
    QDropEvent drop(point, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(colonne, &drop);
    return drop.isAccepted();
}

// The large office: fifty drivers with thirty placements each on the day shown.
QList<Chauffeur*> grandBureau(fx::Bureau& b)
{
    Client* c = b.client(QStringLiteral("Charpente Robert"));
    QList<Chauffeur*> chauffeurs;
    for (int i = 0; i < 50; ++i) {
        Chauffeur* ch = b.chauffeur(QStringLiteral("P%1").arg(i), QStringLiteral("N%1").arg(i));
        for (int k = 0; k < 30; ++k)
            b.location(c, b.benne(10), at(2026, 12, 8, 7 + k % 10, k), std::nullopt,
                       QStringLiteral("%1 rue des Lilas").arg(k + 1), ch);
        chauffeurs << ch;
    }
    return chauffeurs;
}

// Where a widget of the screen stands relative to the list's viewport (the drivers' cards stand
// beside it).
QRect dansLaVue(const QWidget* w, const QWidget* vp)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)) - vp->mapToGlobal(QPoint(0, 0)), w->size());
}

// Eight drivers with eight placements and four removals each on the day shown, so that a row is
// taller than the list in view.
QList<Chauffeur*> bureauMixte(fx::Bureau& b)
{
    Client* c = b.client(QStringLiteral("Moreau Menuiserie"));
    const QStringList prenoms{"Lucas", "Julie", "Karim", "Emma", "Hugo", "Chloé", "Nina", "Paul"};
    QList<Chauffeur*> chauffeurs;
    for (const QString& prenom : prenoms) {
        Chauffeur* ch = b.chauffeur(prenom, QStringLiteral("Dubois"));
        for (int k = 0; k < 8; ++k)
            b.location(c, b.benne(10), at(2026, 12, 8, 7 + k), std::nullopt,
                       QStringLiteral("%1 rue des Lilas").arg(k + 1), ch);
        for (int k = 0; k < 4; ++k)
            b.location(c, b.benne(6), at(2026, 12, 1), at(2026, 12, 8, 12 + k),
                       QStringLiteral("%1 rue des Ormes").arg(k + 1), nullptr, ch);
        chauffeurs << ch;
    }
    return chauffeurs;
}

// Scrolls the list until the row's driver card is held at the top of the list, most of his
// row scrolled past.
void epinglerEnHaut(Ecran& e, RangeeChauffeur* r)
{
    QScrollBar* barre = e.vue->zoneDefilement()->verticalScrollBar();
    const int haut = r->mapTo(e.vue->zoneDefilement()->widget(), QPoint(0, 0)).y();
    barre->setValue(haut + r->height() / 2);
    e.attendre();
}

// The visible part, in global coordinates, of what the list shows.
QRect visibleGlobal(const QWidget* w)
{
    const QWidget* vp = w;
    while (vp && vp->objectName() != QLatin1String("qt_scrollarea_viewport"))
        vp = vp->parentWidget();
    const QRect r(w->mapToGlobal(QPoint(0, 0)), w->size());
    return vp ? r.intersected(QRect(vp->mapToGlobal(QPoint(0, 0)), vp->size())) : r;
}

// The marked box of a column, in the column's coordinates; empty when none.
QRect boiteMarquee(PrestationsColumn* colonne)
{
    auto* marque = colonne->findChild<QWidget*>(QStringLiteral("marqueDepot"));
    return marque && marque->isVisible() ? marque->geometry() : QRect();
}

// The built rows that are at least partly in view.
QList<RangeeChauffeur*> rangeesEnVue(const VuePlanningChauffeurs* vue)
{
    const QWidget* vp = vue->zoneDefilement()->viewport();
    QList<RangeeChauffeur*> out;
    for (RangeeChauffeur* r : vue->rangees())
        if (r->construite() && dansLaVue(r, vp).intersects(vp->rect()))
            out << r;
    return out;
}

QMimeData* texte(const QString& t)
{
    auto* m = new QMimeData;
    m->setText(t);
    return m;
}

// The pointer of a drag goes to `at` (in `over`'s coordinates) a few pixels at a time, as a
// hand moves it, so that it crosses whatever lies on the way; whether the last place takes it.
bool glisserJusqua(fixtures::WindowDrag& glisser, QWidget* over, const QPoint& at)
{
    QWidget* fenetre = over->window();
    const QPoint depart = glisser.position();
    const QPoint arrivee = over->mapTo(fenetre, at);
    const int pas = std::max(1, (arrivee - depart).manhattanLength() / 4);
    bool pris = false;
    for (int i = 1; i <= pas; ++i)
        pris = glisser.moveTo(fenetre, depart + (arrivee - depart) * i / pas);
    return pris;
}

// The action of a menu, or of its submenus, that reads `texte`; none when it has none.
QAction* actionNommee(const QMenu* menu, const QString& texte)
{
    for (QAction* a : menu->actions()) {
        if (a->text() == texte)
            return a;
        if (QAction* dedans = a->menu() ? actionNommee(a->menu(), texte) : nullptr)
            return dedans;
    }
    return nullptr;
}

// Chooses the menu's entry that reads `texte`, then closes the menu.
void choisir(QMenu* menu, const QString& texte) { actionNommee(menu, texte)->trigger(); menu->close(); }

} // namespace

void TestVuePlanning::withoutDrivers()
{
    fx::Bureau b;
    b.chauffeur("Ina", "Ctif", QStringLiteral("i@x.fr"), false);
    Ecran e(b.context());
    QVERIFY(e.vue->rangees().isEmpty());
    QCOMPARE(e.vue->selectedDate(), at(2026, 12, 8));
    // Seven pills, today and tomorrow named, then French weekdays; tomorrow chosen.
    QCOMPARE(textesPastilles(e.vue->dateSlider()),
             (QStringList{"Aujourd’hui", "Demain", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche"}));
    QCOMPARE(selectionnee(e.vue->dateSlider()), 1);
    // Weekday names are French whatever the locale; the day and month follow the user's.
    QCOMPARE(e.vue->dateSlider()->pastilles()[0]->date(), DateSlider::texteDate(QDate(2026, 12, 7)));
    QCOMPARE(DateSlider::texteDate(QDate(2026, 12, 7), QLocale(QLocale::French, QLocale::France)), QStringLiteral("7 déc."));
    QCOMPARE(DateSlider::texteDate(QDate(2026, 12, 9), QLocale(QLocale::English, QLocale::UnitedStates)),
             QStringLiteral("Dec 9"));
    fixtures::capture(e.vue.get(), QStringLiteral("planning-sans-chauffeur"));

    // The screen and the button say why there is nothing, and where drivers are made.
    auto* aide = e.vue->findChild<QLabel*>(QStringLiteral("aideJourVide"));
    QVERIFY(aide && aide->isVisible());
    QVERIFY2(aide->text().contains(QStringLiteral("« Liste des chauffeurs »")), qPrintable(aide->text()));
    QTest::mouseClick(e.vue->boutonTransmettre(), Qt::LeftButton);
    QVERIFY(e.adresses.isEmpty());
    auto* boite = e.vue->findChild<QMessageBox*>(QStringLiteral("bilanTransmission"));
    QVERIFY(boite);
    QVERIFY2(boite->text().contains(QStringLiteral("aucun chauffeur actif")) && boite->text().contains(QStringLiteral("« Liste des chauffeurs »")),
             qPrintable(boite->text()));
}

void TestVuePlanning::anEmptyDaySaysHowWorkReachesADriver()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    b.chauffeur("Ina", "Ctif");
    // Tomorrow nothing is assigned: a rental placed then has no driver yet, another driver's
    // work is on Thursday.
    LocationDeBenne* libre = b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("1 rue A"));
    b.location(c, b.benne(8), at(2026, 12, 10, 9), std::nullopt, QStringLiteral("2 rue B"), lea);
    Ecran e(b);
    const auto aide = [&]() -> QLabel* {
        auto* l = e.vue->findChild<QLabel*>(QStringLiteral("aideJourVide"));
        return l && l->isVisible() ? l : nullptr;
    };
    // It says where work comes from and how it moves between drivers, in view under the strip.
    QVERIFY(aide());
    const QString texteAide = aide()->text();
    for (const QString& mot : {QStringLiteral("« À attribuer »"), QStringLiteral("glisser"), QStringLiteral("carte")})
        QVERIFY2(texteAide.contains(mot), qPrintable(texteAide));
    QWidget* vp = e.vue->zoneDefilement()->viewport();
    QVERIFY(vp->rect().contains(dansLaVue(aide(), vp)));
    QVERIFY(dansLaVue(aide(), vp).bottom() < dansLaVue(e.vue->rangees().first(), vp).top());
    // It scrolls with the rows: the screen asks for no more height than without it.
    const int hauteurMinimale = e.vue->minimumSizeHint().height();
    QVERIFY(e.vue->rangee(lea)->colonne()->afficheVide());
    fixtures::capture(e.vue.get(), QStringLiteral("planning-jour-vide"));

    // Sending that day first says how many jobs have no driver, before anything goes; going on
    // prepares nothing and says why, naming the day and where work is given out.
    QTest::mouseClick(e.vue->boutonTransmettre(), Qt::LeftButton);
    auto* question = e.vue->findChild<QMessageBox*>(QStringLiteral("avantTransmission"));
    QVERIFY(question);
    QCOMPARE(question->text(), QStringLiteral("1 prestation du mardi 8 décembre 2026 n’a pas de chauffeur\u00A0: elle ne sera dans aucun message."));
    QVERIFY(!e.vue->findChild<QMessageBox*>(QStringLiteral("bilanTransmission")));
    for (QAbstractButton* bouton : question->buttons())
        if (bouton->text() == QStringLiteral("Transmettre quand même"))
            QTest::mouseClick(bouton, Qt::LeftButton);
    QVERIFY(e.adresses.isEmpty());
    QTRY_VERIFY(e.vue->findChild<QMessageBox*>(QStringLiteral("bilanTransmission")));
    auto* boite = e.vue->findChild<QMessageBox*>(QStringLiteral("bilanTransmission"));
    QVERIFY2(boite->text().contains(QStringLiteral("mardi 8 décembre 2026")) && boite->text().contains(QStringLiteral("« À attribuer »")),
             qPrintable(boite->text()));
    boite->close();

    // Once a driver has work that day, the columns speak for themselves.
    libre->setChauffeurPose(lea);
    e.attendre();
    QVERIFY(!aide());
    QCOMPARE(e.vue->minimumSizeHint().height(), hauteurMinimale);
    // Another day with nothing: the text again; Thursday's work: none.
    QTest::mouseClick(e.vue->dateSlider()->pastilles()[2], Qt::LeftButton, {},
                      e.vue->dateSlider()->pastilles()[2]->tileRect().center().toPoint());
    e.attendre();
    QVERIFY(aide());
    QTest::mouseClick(e.vue->dateSlider()->pastilles()[3], Qt::LeftButton, {},
                      e.vue->dateSlider()->pastilles()[3]->tileRect().center().toPoint());
    e.attendre();
    QVERIFY(!aide());
    // The narrowest window keeps it whole.
    QTest::mouseClick(e.vue->dateSlider()->pastilles()[2], Qt::LeftButton, {},
                      e.vue->dateSlider()->pastilles()[2]->tileRect().center().toPoint());
    e.vue->resize(536, 400);
    fixtures::settle();
    QVERIFY(aide());
    QVERIFY(vp->rect().contains(dansLaVue(aide(), vp)));
    QVERIFY(aide()->height() >= aide()->heightForWidth(aide()->width()));
}

void TestVuePlanning::stripMovesOnAtMidnight()
{
    // The screen left open over midnight: the strip starts on the new today by itself; the day
    // chosen stays chosen while it is still in the strip, and gives way to today once past.
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("1 rue A"), lea);
    for (const int choisie : {1, 0}) {
        qint64 maintenant = at(2026, 12, 7, 23, 59).addMSecs(59900).toMSecsSinceEpoch();
        VuePlanningChauffeurs vue(b.context(), nullptr, Horloge{[&maintenant] { return maintenant; }, fx::paris()},
                                  [](const QString&, const QString&, const QString&) { return ResultatComposition::ouvert; });
        vue.resize(1200, 760);
        vue.show();
        QVERIFY(QTest::qWaitForWindowExposed(&vue));
        DateSlider* s = vue.dateSlider();
        PastilleJour* pastille = s->pastilles()[choisie];
        QTest::mouseClick(pastille, Qt::LeftButton, {}, pastille->tileRect().center().toPoint());
        QCOMPARE(selectionnee(s), choisie);
        QCOMPARE(s->pastilles()[0]->date(), DateSlider::texteDate(QDate(2026, 12, 7)));

        maintenant = at(2026, 12, 8, 0, 0).addMSecs(200).toMSecsSinceEpoch();
        QTRY_COMPARE_WITH_TIMEOUT(s->pastilles()[0]->date(), DateSlider::texteDate(QDate(2026, 12, 8)), 5000);
        QCOMPARE(textesPastilles(s),
                 (QStringList{"Aujourd’hui", "Demain", "Jeudi", "Vendredi", "Samedi", "Dimanche", "Lundi"}));
        QCOMPARE(s->pastilles()[6]->date(), DateSlider::texteDate(QDate(2026, 12, 14)));
        // Tuesday the 8th chosen, now as today, whether it was tomorrow or Monday was chosen;
        // Léa's placement of that day shows.
        QCOMPARE(vue.selectedDate(), at(2026, 12, 8));
        QCOMPARE(selectionnee(s), 0);
        QTRY_VERIFY(vue.rangee(lea)->colonne());
        QCOMPARE(vue.rangee(lea)->colonne()->cartesPoses().size(), 1);
        // The strip keeps within its row, beside the button.
        QVERIFY(s->mapTo(&vue, QPoint(s->width(), 0)).x() <= vue.boutonTransmettre()->mapTo(&vue, QPoint(0, 0)).x());
    }
}

void TestVuePlanning::rowsOfActiveDrivers()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Transports Morel"), QStringLiteral("12 quai Perrache, Lyon"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier", QStringLiteral("lea@x.fr"));
    Chauffeur* libre = b.chauffeur("Paul", "Libre", QStringLiteral("paul@x.fr"));
    Chauffeur* inactif = b.chauffeur("Ina", "Ctif", QStringLiteral("ina@x.fr"), false);
    Chauffeur* enleveur = b.chauffeur("Eve", "Enlève");
    b.location(c, b.benne(7.5, QStringLiteral("FF8800")), at(2026, 12, 8, 9), std::nullopt,
               QStringLiteral("4 rue des Lilas, Lyon"), lea, nullptr, 45.76, 4.83);
    b.location(c, b.benne(10, QStringLiteral("12345")), at(2026, 12, 8, 7), std::nullopt, QString(), lea);
    b.location(c, b.benne(8), at(2026, 12, 8, 11), std::nullopt, std::nullopt, inactif);
    b.location(c, b.benne(8), at(2026, 12, 1, 11), at(2026, 12, 8, 15), QStringLiteral("9 place Bellecour"), nullptr, enleveur);
    // Still on site: never a removal.
    b.location(c, b.benne(8), at(2026, 12, 2, 11), std::nullopt, QStringLiteral("Ailleurs"), nullptr, libre);
    Ecran e(b.context());

    QCOMPARE(e.vue->chauffeurs(), (QList<Chauffeur*>{lea, libre, enleveur}));
    QCOMPARE(e.vue->rangees().size(), 3);
    RangeeChauffeur* rLea = e.vue->rangee(lea);
    QVERIFY(rLea->construite());
    QCOMPARE(rLea->carteChauffeur()->texte(), QStringLiteral("Léa Garnier"));
    // Placements by time; an empty address stays empty, a missing one is the client's.
    const QList<PrestationCard*> poses = rLea->colonne()->cartesPoses();
    QCOMPARE(poses.size(), 2);
    QCOMPARE(poses[0]->texteAdresse(), QString());
    QCOMPARE(poses[1]->texteAdresse(), QStringLiteral("4 rue des Lilas, Lyon"));
    QCOMPARE(poses[1]->texteVolume(), QStringLiteral("8 m³"));
    QCOMPARE(poses[1]->couleurFond(), QColor(255, 136, 0));
    QCOMPARE(poses[0]->couleurFond(), QColor(Qt::gray));
    QVERIFY(rLea->colonne()->cartesEnlevements().isEmpty());
    QVERIFY(rLea->colonne()->findChild<QWidget*>(QStringLiteral("sectionDeposes")));
    QVERIFY(!rLea->colonne()->findChild<QWidget*>(QStringLiteral("sectionEnlevements")));
    QVERIFY(rLea->carte());

    // Nothing that day: the invitation to drop, no map.
    RangeeChauffeur* rLibre = e.vue->rangee(libre);
    QVERIFY(rLibre->colonne()->afficheVide());
    QVERIFY(!rLibre->carte());
    // A removal only: the removals' section alone, and a map.
    RangeeChauffeur* rEve = e.vue->rangee(enleveur);
    QCOMPARE(rEve->colonne()->cartesEnlevements().size(), 1);
    QVERIFY(rEve->colonne()->cartesPoses().isEmpty());
    QVERIFY(!rEve->colonne()->findChild<QWidget*>(QStringLiteral("sectionDeposes")));
    QVERIFY(rEve->carte());
    // Its site has no coordinates: no marker, and the map says why.
    QCOMPARE(rEve->carte()->carte()->markerCount(), 0);
    QVERIFY(rEve->carte()->noteSansCoordonnees().startsWith(QStringLiteral("Aucun lieu de ce jour")));
    fixtures::capture(e.vue.get(), QStringLiteral("planning-chauffeurs"));

    // Live: a driver deactivated loses his row, one activated gets his.
    libre->setActif(false);
    inactif->setActif(true);
    e.attendre();
    QCOMPARE(e.vue->chauffeurs(), (QList<Chauffeur*>{lea, inactif, enleveur}));
    QCOMPARE(e.vue->rangees().size(), 3);
    QCOMPARE(e.vue->rangee(lea), rLea);
    QVERIFY(!e.vue->rangee(libre));
    // A rental moved to another day leaves the column and the map.
    for (LocationDeBenne* l : enleveur->enlevementsAssures())
        l->setDateEnlevement(at(2026, 12, 9, 8));
    e.attendre();
    QVERIFY(e.vue->rangee(enleveur)->colonne()->afficheVide());
    QVERIFY(!e.vue->rangee(enleveur)->carte());

    // The sending goes to the active drivers only, for the day shown.
    QTest::mouseClick(e.vue->boutonTransmettre(), Qt::LeftButton);
    QCOMPARE(e.adresses, (QList<QString>{QStringLiteral("lea@x.fr"), QStringLiteral("ina@x.fr")}));
}

void TestVuePlanning::pillsChooseTheDay()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    b.location(c, b.benne(10), at(2026, 12, 10, 23, 30), std::nullopt, QStringLiteral("1 rue A"), lea);
    Ecran e(b.context());
    RangeeChauffeur* r = e.vue->rangee(lea);
    QVERIFY(r->colonne()->afficheVide());

    // Thursday the 10th: the card shows, and tapping the same pill again keeps it.
    PastilleJour* jeudi = e.vue->dateSlider()->pastilles()[3];
    QTest::mouseClick(jeudi, Qt::LeftButton, {}, jeudi->tileRect().center().toPoint());
    e.attendre();
    QCOMPARE(e.vue->selectedDate(), at(2026, 12, 10));
    QCOMPARE(selectionnee(e.vue->dateSlider()), 3);
    QCOMPARE(r->colonne()->cartesPoses().size(), 1);
    QVERIFY(r->carte());
    QTest::mouseClick(jeudi, Qt::LeftButton, {}, jeudi->tileRect().center().toPoint());
    e.attendre();
    QCOMPARE(e.vue->selectedDate(), at(2026, 12, 10));
    // A larger font makes larger pills, whose tiles still take the clicks.
    const QSize avant = jeudi->sizeHint();
    QFont grand = e.vue->dateSlider()->font();
    grand.setPointSizeF(grand.pointSizeF() * 2);
    e.vue->dateSlider()->setFont(grand);
    fixtures::settle();
    QVERIFY(jeudi->sizeHint().width() > avant.width() && jeudi->sizeHint().height() > avant.height());
    QCOMPARE(jeudi->size(), jeudi->sizeHint());
    PastilleJour* vendredi = e.vue->dateSlider()->pastilles()[4];
    QTest::mouseClick(vendredi, Qt::LeftButton, {}, vendredi->tileRect().center().toPoint());
    QCOMPARE(e.vue->selectedDate(), at(2026, 12, 11));
    QTest::mouseClick(jeudi, Qt::LeftButton, {}, jeudi->tileRect().center().toPoint());
    e.vue->dateSlider()->setFont(QFont());
    e.attendre();

    // With the device in New York, 23:30 in Paris is in the afternoon of the same day there; a
    // placement at 03:00 Paris time of the 11th is the evening of the 10th in New York.
    b.location(c, b.benne(10), at(2026, 12, 11, 3), std::nullopt, QStringLiteral("2 rue B"), lea);
    Ecran ny(b.context(), fx::newYork());
    QCOMPARE(ny.vue->selectedDate(), at(2026, 12, 8, 0, 0, fx::newYork()));
    ny.vue->setSelectedDate(at(2026, 12, 10, 12, 0, fx::newYork()));
    ny.attendre();
    QCOMPARE(ny.vue->rangee(lea)->colonne()->cartesPoses().size(), 2);
    const DayWindow jourNY = dayWindowOf(at(2026, 12, 10, 12, 0, fx::newYork()).toMSecsSinceEpoch(), fx::newYork());
    QVERIFY(memeJourPose(lea->posesAssurees()[1], jourNY));
    QVERIFY(!memeJourPose(lea->posesAssurees()[1], at(2026, 12, 10, 12), fx::paris()));
}

void TestVuePlanning::rowsBuiltAsTheyComeIntoView()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    QList<Chauffeur*> chauffeurs;
    for (int i = 0; i < 40; ++i) {
        Chauffeur* ch = b.chauffeur(QStringLiteral("P%1").arg(i), QStringLiteral("N%1").arg(i));
        b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("%1 rue A").arg(i), ch);
        chauffeurs << ch;
    }
    Ecran e(b.context());
    auto construites = [&] {
        int n = 0;
        for (RangeeChauffeur* r : e.vue->rangees())
            n += r->construite();
        return n;
    };
    QCOMPARE(e.vue->rangees().size(), 40);
    const int auDebut = construites();
    QVERIFY2(auDebut > 0 && auDebut < 20, qPrintable(QString::number(auDebut)));
    QVERIFY(e.vue->rangees().first()->construite());
    QVERIFY(!e.vue->rangees().last()->construite());

    QScrollBar* barre = e.vue->zoneDefilement()->verticalScrollBar();
    for (int i = 0; i < 200 && !e.vue->rangees().last()->construite(); ++i) {
        barre->setValue(barre->maximum());
        e.attendre();
    }
    QVERIFY(e.vue->rangees().last()->construite());

    // Another day: only what is in view is built again.
    e.vue->setSelectedDate(at(2026, 12, 9));
    e.attendre();
    QVERIFY(construites() < 20);
    QVERIFY(e.vue->rangees().last()->construite());
    QVERIFY(e.vue->rangees().last()->colonne()->afficheVide());
}

void TestVuePlanning::dropFailuresLeaveEverythingAsItWas()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Chauffeur* marc = b.chauffeur("Marc", "Petit");
    LocationDeBenne* l = b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("1 rue A"), lea);
    Ecran e(b);
    PrestationsColumn* colonne = e.vue->rangee(marc)->colonne();
    const QString valide = PrestationDragItem{l->id(), TypePrestation::pose}.base64();

    struct Cas {
        const char* nom;
        QMimeData* mime;
        QStringList lignes;
    };
    auto donnees = [](const QByteArray& octets) {
        auto* m = new QMimeData;
        m->setData(QStringLiteral("text/plain"), octets);
        return m;
    };
    auto autre = [] {
        auto* m = new QMimeData;
        m->setData(QStringLiteral("application/x-autre"), "x");
        return m;
    };
    const QByteArray rotation = QByteArray("{\"prestationID\":\"") + texteCanonique(l->id()).toLatin1()
                                + "\",\"type\":\"rotation\"}";
    const QString inconnu = QStringLiteral("6F1C1D2E-3A4B-4C5D-8E9F-A0B1C2D3E4F5");
    const QList<Cas> cas = {
        {"item d'un autre genre", autre(),
         {"LOADITEM appelé, item: nil, type: Optional<NSSecureCoding>", "Type d'item inattendu pour le drop",
          "Échec conversion base64 -> Data (base64String = nil)"}},
        {"données non UTF-8", donnees("\xff\xfe\x41"),
         {"LOADITEM appelé, item: Optional(3 bytes), type: Optional<NSSecureCoding>", "Drop reçu sous forme de Data",
          "Échec conversion base64 -> Data (base64String = nil)"}},
        {"Base64 suivi d'un saut de ligne", texte(valide + "\n"),
         {QStringLiteral("LOADITEM appelé, item: Optional(%1\n), type: Optional<NSSecureCoding>").arg(valide),
          "Drop reçu sous forme de String",
          QStringLiteral("Échec conversion base64 -> Data (base64String = Optional(\"%1\n\"))").arg(valide)}},
        {"type inconnu", texte(QString::fromLatin1(rotation.toBase64())),
         {QStringLiteral("LOADITEM appelé, item: Optional(%1), type: Optional<NSSecureCoding>").arg(QString::fromLatin1(rotation.toBase64())),
          "Drop reçu sous forme de String", QStringLiteral("Décodage base64 réussi, taille jsonData = %1").arg(rotation.size()),
          QStringLiteral("Échec decode PrestationDragItem (données = %1 bytes)").arg(rotation.size())}},
        {"location inconnue", texte(PrestationDragItem{QUuid::fromString(inconnu), TypePrestation::pose}.base64()),
         {QStringLiteral("LOADITEM appelé, item: Optional(%1), type: Optional<NSSecureCoding>")
              .arg(PrestationDragItem{QUuid::fromString(inconnu), TypePrestation::pose}.base64()),
          "Drop reçu sous forme de String",
          QStringLiteral("Décodage base64 réussi, taille jsonData = %1").arg(PrestationDragItem{QUuid::fromString(inconnu), TypePrestation::pose}.json().size()),
          QStringLiteral("DECODE OK : PrestationDragItem(prestationID: %1, type: TypePrestation.pose)").arg(inconnu),
          QStringLiteral("Prestation non trouvée dans SwiftData (id=%1)").arg(inconnu)}},
    };
    const quint64 generation = b.context()->generation();
    for (const Cas& k : cas) {
        e.traces.clear();
        // Every non-empty drop is taken, whatever its payload turns out to be.
        QVERIFY2(deposer(colonne, k.mime), k.nom);
        e.attendre();
        QCOMPARE(e.traces, k.lignes);
        delete k.mime;
    }
    QCOMPARE(b.context()->generation(), generation);
    QCOMPARE(l->chauffeurPose(), lea);

    // No data at all: refused.
    e.traces.clear();
    QMimeData vide;
    QVERIFY(!deposer(colonne, &vide));
    QCOMPARE(e.traces, QStringList{"Aucun provider trouvé pour le drop"});

    // Dropped on the driver who already places it: nothing changes, nothing is saved.
    e.traces.clear();
    std::unique_ptr<QMimeData> memeChauffeur(texte(valide));
    QVERIFY(deposer(e.vue->rangee(lea)->colonne(), memeChauffeur.get()));
    e.attendre();
    QCOMPARE(e.traces.mid(4), (QStringList{QStringLiteral("Prestation trouvée : %1").arg(texteCanonique(l->id())),
                                            "Déjà attribué, mutation annulée"}));
    QVERIFY(!b.context()->hasChanges());
    QCOMPARE(b.context()->generation(), generation);
}

void TestVuePlanning::dropMovesTheCard()
{
    fx::Bureau b(true);
    Client* c = b.client(QStringLiteral("Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Chauffeur* marc = b.chauffeur("Marc", "Petit");
    // Léa places and removes; Marc has nothing.
    LocationDeBenne* l = b.location(c, b.benne(10), at(2026, 12, 8, 9), at(2026, 12, 8, 17),
                                    QStringLiteral("1 rue A"), lea, lea);
    // A rental of another day is assigned as well.
    LocationDeBenne* autreJour = b.location(c, b.benne(6), at(2026, 12, 20, 9), std::nullopt, QStringLiteral("2 rue B"), lea);
    QVERIFY(b.context()->save());
    const QUuid id = l->id();
    {
        Ecran e(b.context());
        QCOMPARE(e.vue->rangee(lea)->colonne()->cartesPoses().size(), 1);
        QCOMPARE(e.vue->rangee(lea)->colonne()->cartesEnlevements().size(), 1);

        // The card's own drag data, dropped on Marc's column.
        PrestationCard* carte = e.vue->rangee(lea)->colonne()->cartesPoses().first();
        std::unique_ptr<QMimeData> mime(itemProviderPrestation(carte->location(), carte->type()));
        QVERIFY(deposer(e.vue->rangee(marc)->colonne(), mime.get()));
        // Assigned on the next turn of the event loop.
        QCOMPARE(l->chauffeurPose(), lea);
        e.attendre();
        QCOMPARE(l->chauffeurPose(), marc);
        QCOMPARE(l->chauffeurEnlevement(), lea);
        QCOMPARE(e.traces.mid(5), (QStringList{"Avant mutation - chauffeurPose: Optional(\"Léa\"), chauffeurEnlevement: Optional(\"Léa\")",
                                                "Après mutation - chauffeurPose: Optional(\"Marc\"), chauffeurEnlevement: Optional(\"Léa\")",
                                                "SAUVEGARDE OK"}));
        QVERIFY(!b.context()->hasChanges());
        // The card left Léa's column for Marc's.
        QVERIFY(e.vue->rangee(lea)->colonne()->cartesPoses().isEmpty());
        QCOMPARE(e.vue->rangee(marc)->colonne()->cartesPoses().size(), 1);
        QVERIFY(e.vue->rangee(marc)->carte());

        // A removal card dropped on the driver who places (but does not remove) it.
        std::unique_ptr<QMimeData> enl(texte(PrestationDragItem{id, TypePrestation::enlevement}.base64()));
        QVERIFY(deposer(e.vue->rangee(marc)->colonne(), enl.get()));
        e.attendre();
        QCOMPARE(l->chauffeurEnlevement(), marc);
        QVERIFY(e.vue->rangee(lea)->colonne()->afficheVide());
        QVERIFY(!e.vue->rangee(lea)->carte());

        std::unique_ptr<QMimeData> loin(texte(PrestationDragItem{autreJour->id(), TypePrestation::pose}.base64()));
        QVERIFY(deposer(e.vue->rangee(marc)->colonne(), loin.get()));
        e.attendre();
        QCOMPARE(autreJour->chauffeurPose(), marc);
    }
    b.rouvrir();
    LocationDeBenne* relue = b.context()->find<LocationDeBenne>(id);
    QVERIFY(relue);
    QCOMPARE(relue->chauffeurPose()->prenom(), QStringLiteral("Marc"));
    QCOMPARE(relue->chauffeurEnlevement()->prenom(), QStringLiteral("Marc"));
}

void TestVuePlanning::theDaysWorkWithoutADriverIsGivenOutFromTheDay()
{
    fx::Bureau b(true);
    Client* c = b.client(QStringLiteral("Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Chauffeur* marc = b.chauffeur("Marc", "Petit");
    // Tomorrow two placements and a removal have no driver, one placement is Léa's; Thursday one
    // placement has none.
    LocationDeBenne* p1 = b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("1 rue A"));
    LocationDeBenne* p2 = b.location(c, b.benne(8), at(2026, 12, 8, 11), std::nullopt, QStringLiteral("2 rue B"));
    LocationDeBenne* e1 = b.location(c, b.benne(6), at(2026, 12, 1, 9), at(2026, 12, 8, 15), QStringLiteral("3 rue C"));
    b.location(c, b.benne(6), at(2026, 12, 8, 8), std::nullopt, QStringLiteral("4 rue D"), lea);
    LocationDeBenne* jeudi = b.location(c, b.benne(6), at(2026, 12, 10, 8), std::nullopt, QStringLiteral("5 rue E"));
    Ecran e(b);
    e.taille(1600, 1000);
    e.vue->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(e.vue.get()));
    RangeeChauffeur* groupe = e.vue->aAttribuer();
    const auto nom = [](QObject* o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); };
    const auto cartes = [&](const RangeeChauffeur* r) {
        QList<LocationDeBenne*> out;
        for (PrestationCard* k : r->colonne()->cartesPoses() + r->colonne()->cartesEnlevements())
            out << k->location();
        return out;
    };
    const QList<PastilleJour*> pastilles = e.vue->dateSlider()->pastilles();
    // Listed before the drivers, counted in its header and on the days' pills, read aloud.
    QVERIFY(groupe->y() < e.vue->rangee(lea)->y());
    QCOMPARE(cartes(groupe), (QList<LocationDeBenne*>{p1, p2, e1}));
    QCOMPARE(groupe->carteChauffeur()->texte(), QStringLiteral("À attribuer · 3"));
    QCOMPARE(nom(groupe->carteChauffeur()), QStringLiteral("À attribuer\u00A0: 3 prestations sans chauffeur"));
    QVERIFY(nom(groupe->colonne()->cartesEnlevements().first()).endsWith(QStringLiteral(", à attribuer")));
    QCOMPARE(e.vue->dateSlider()->aAttribuer(), (QList<int>{0, 3, 0, 1, 0, 0, 0}));
    QCOMPARE(nom(pastilles[1]), QStringLiteral("Demain %1 · 3 à attribuer").arg(DateSlider::texteDate(QDate(2026, 12, 8))));
    fixtures::capture(e.vue.get(), QStringLiteral("planning-a-attribuer"));

    // A short drag, then one given up with Escape over Marc's column: nothing stored.
    const auto [zone, vp, barre, cote] = e.defilement();
    const auto glisser = [&](PrestationCard* carte, QWidget* cible, bool lacher) {
        std::unique_ptr<QMimeData> mime(itemProviderPrestation(carte->location(), carte->type()));
        fixtures::WindowDrag main(vp, mime.get());
        QVERIFY(main.moveTo(carte, carte->rect().center() + QPoint(0, QApplication::startDragDistance())));
        QCOMPARE(e.vue->colonneMarquee(), groupe->colonne());
        glisserJusqua(main, cible, QPoint(cible->width() / 2, 20));
        if (cible != carte)
            QCOMPARE(e.vue->colonneMarquee(), e.vue->rangee(marc)->colonne());
        if (lacher)
            main.drop();
        else
            e.quitter();
    };
    glisser(groupe->colonne()->cartesPoses().first(), groupe->colonne()->cartesPoses().first(), true);
    glisser(groupe->colonne()->cartesPoses().first(), e.vue->rangee(marc)->colonne(), false);
    e.attendre();
    QVERIFY(!p1->chauffeurPose() && !b.context()->hasChanges());
    QCOMPARE(cartes(groupe).size(), 3);

    // Dropped on Marc's column: his, stored; the count and the pill follow.
    glisser(groupe->colonne()->cartesPoses().first(), e.vue->rangee(marc)->colonne(), true);
    QTRY_COMPARE(p1->chauffeurPose(), marc);
    QVERIFY(!b.context()->hasChanges());
    QTRY_COMPARE(cartes(e.vue->rangee(marc)), QList<LocationDeBenne*>{p1});
    QCOMPARE(cartes(groupe), (QList<LocationDeBenne*>{p2, e1}));
    QCOMPARE(groupe->carteChauffeur()->texte(), QStringLiteral("À attribuer · 2"));
    QCOMPARE(e.vue->dateSlider()->aAttribuer().value(1), 2);

    // By keys: the removal given to Léa from « Attribuer à… », the drivers by name.
    PrestationCard* carte = groupe->colonne()->cartesEnlevements().first();
    carte->setFocus();
    QTRY_VERIFY(carte->hasFocus());
    QTest::keyClick(carte, Qt::Key_F10, Qt::ShiftModifier);
    auto* menu = e.vue->findChild<QMenu*>(QStringLiteral("menuAttribution"));
    QVERIFY(menu);
    QVERIFY(!actionNommee(menu, QStringLiteral("Retirer le chauffeur de l'enlèvement")));
    QStringList noms;
    for (QAction* a : menu->findChild<QMenu*>(QStringLiteral("menuAttribuerA"))->actions())
        noms << a->text();
    QCOMPARE(noms, (QStringList{"Léa Garnier", "Marc Petit"}));
    choisir(menu, QStringLiteral("Léa Garnier"));
    QCOMPARE(e1->chauffeurEnlevement(), lea);
    QVERIFY(!b.context()->hasChanges());
    e.attendre();
    QCOMPARE(cartes(groupe), QList<LocationDeBenne*>{p2});

    // Taken off Marc from his card's menu: back among the work to give out.
    carte = e.vue->rangee(marc)->colonne()->cartesPoses().first();
    carte->setFocus();
    QTest::keyClick(carte, Qt::Key_Menu);
    menu = e.vue->findChild<QMenu*>(QStringLiteral("menuAttribution"));
    choisir(menu, QStringLiteral("Retirer le chauffeur de la pose"));
    QCOMPARE(p1->chauffeurPose(), nullptr);
    e.attendre();
    QCOMPARE(cartes(groupe), (QList<LocationDeBenne*>{p1, p2}));
    QVERIFY(e.vue->rangee(marc)->colonne()->afficheVide());
    // Léa's removal dropped on the work to give out: hers no more.
    std::unique_ptr<QMimeData> rendue(itemProviderPrestation(e1, TypePrestation::enlevement));
    QVERIFY(deposer(groupe->colonne(), rendue.get()));
    QTRY_COMPARE(e1->chauffeurEnlevement(), nullptr);
    QVERIFY(!b.context()->hasChanges());
    QTRY_COMPARE(cartes(groupe), (QList<LocationDeBenne*>{p1, p2, e1}));

    // Given on the grid, Thursday's placement leaves its pill's count; all of tomorrow given
    // out, the group says so; a day without work says that.
    jeudi->setChauffeurPose(marc);
    e1->setChauffeurEnlevement(lea);
    p1->setChauffeurPose(marc);
    p2->setChauffeurPose(lea);
    e.attendre();
    QCOMPARE(e.vue->dateSlider()->aAttribuer(), (QList<int>{0, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(nom(pastilles[1]), QStringLiteral("Demain %1").arg(DateSlider::texteDate(QDate(2026, 12, 8))));
    QCOMPARE(groupe->colonne()->texteVide(), QStringLiteral("Tout est attribué ce jour-là"));
    QTest::mouseClick(pastilles[2], Qt::LeftButton, {}, pastilles[2]->tileRect().center().toPoint());
    e.attendre();
    QCOMPARE(groupe->colonne()->texteVide(), QStringLiteral("Aucune pose ni aucun enlèvement ce jour-là"));

    const QUuid idE1 = e1->id(), idP2 = p2->id();
    e.vue.reset();
    b.rouvrir();
    QCOMPARE(b.context()->find<LocationDeBenne>(idE1)->chauffeurEnlevement()->prenom(), QStringLiteral("Léa"));
    QCOMPARE(b.context()->find<LocationDeBenne>(idP2)->chauffeurPose()->prenom(), QStringLiteral("Léa"));
}

void TestVuePlanning::failedSaveAfterDropIsTakenBack()
{
    fx::Bureau b(true);
    Client* c = b.client(QStringLiteral("Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Chauffeur* marc = b.chauffeur("Marc", "Petit");
    LocationDeBenne* l = b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("1 rue A"), lea);
    QVERIFY(b.context()->save());
    // Read once: the rental object goes with its context when the store is opened again.
    const QUuid id = l->id();
    {
    Ecran e(b.context());

    b.context()->failNextSave(QStringLiteral("disque plein"));
    std::unique_ptr<QMimeData> mime(texte(PrestationDragItem{l->id(), TypePrestation::pose}.base64()));
    QVERIFY(deposer(e.vue->rangee(marc)->colonne(), mime.get()));
    e.attendre();
    QCOMPARE(e.traces.last(), QStringLiteral("ERREUR de sauvegarde : disque plein"));
    // The card goes back and the failure is shown.
    QCOMPARE(l->chauffeurPose(), lea);
    QCOMPARE(e.vue->rangee(lea)->colonne()->cartesPoses().size(), 1);
    QVERIFY(e.vue->rangee(marc)->colonne()->afficheVide());
    auto* boite = e.vue->findChild<QMessageBox*>(QStringLiteral("echecAttribution"));
    QVERIFY(boite);
    QCOMPARE(boite->text(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    fixtures::capture(boite, QStringLiteral("planning-echec-depot"));
    boite->close();
    }

    b.rouvrir();
    LocationDeBenne* relue = b.context()->find<LocationDeBenne>(id);
    QVERIFY(relue);
    QVERIFY(relue->chauffeurPose());
    QCOMPARE(relue->chauffeurPose()->prenom(), QStringLiteral("Léa"));
}

void TestVuePlanning::keyboard()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Chauffeur* marc = b.chauffeur("Marc", "Petit");
    b.chauffeur("Ina", "Ctif", std::nullopt, false);
    LocationDeBenne* l = b.location(c, b.benne(10), at(2026, 12, 8, 9), at(2026, 12, 8, 16), QStringLiteral("1 rue A"), lea, lea);
    Ecran e(b.context());
    e.vue->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(e.vue.get()));

    // A pill chosen with the space bar.
    PastilleJour* mercredi = e.vue->dateSlider()->pastilles()[2];
    mercredi->setFocus();
    QTest::keyClick(mercredi, Qt::Key_Space);
    QCOMPARE(e.vue->selectedDate(), at(2026, 12, 9));
    e.vue->setSelectedDate(at(2026, 12, 8));
    e.attendre();

    // The menu key on a card offers the other active drivers; choosing one gives him the operation.
    PrestationCard* carte = e.vue->rangee(lea)->colonne()->cartesEnlevements().first();
    carte->setFocus();
    QTRY_VERIFY(carte->hasFocus());
    QTest::keyClick(carte, Qt::Key_Menu);
    auto* menu = e.vue->findChild<QMenu*>(QStringLiteral("menuAttribution"));
    QVERIFY(menu);
    // « Attribuer à… » the drivers by name, then taking him off.
    QStringList noms;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            noms << a->text();
    QCOMPARE(noms, (QStringList{"&Attribuer à…", "Retirer le chauffeur de l'enlèvement", "Modifier la location…"}));
    noms.clear();
    for (QAction* a : menu->findChild<QMenu*>(QStringLiteral("menuAttribuerA"))->actions())
        noms << a->text();
    QCOMPARE(noms, (QStringList{"Marc Petit"}));
    choisir(menu, QStringLiteral("Marc Petit"));
    QCOMPARE(l->chauffeurEnlevement(), marc);
    QCOMPARE(l->chauffeurPose(), lea);
    QVERIFY(!b.context()->hasChanges());
    QCOMPARE(e.traces.last(), QStringLiteral("SAUVEGARDE OK"));
    e.attendre();
    QCOMPARE(e.vue->rangee(marc)->colonne()->cartesEnlevements().size(), 1);

    // Return presses the focused button, as Space does.
    QSignalSpy transmis(e.vue.get(), &VuePlanningChauffeurs::transmis);
    e.vue->boutonTransmettre()->setFocus();
    QTest::keyClick(e.vue->boutonTransmettre(), Qt::Key_Return);
    QCOMPARE(transmis.size(), 1);
    // Both have work and no address: they are named as not reached, with why.
    auto* bilan = e.vue->findChild<QMessageBox*>(QStringLiteral("bilanTransmission"));
    QVERIFY(bilan);
    QVERIFY2(bilan->text().contains(QStringLiteral("faute d’adresse e-mail dans sa fiche\u00A0: Léa Garnier, Marc Petit.")),
             qPrintable(bilan->text()));
    bilan->close();

    // Shift+F10 too; a failed save is taken back and shown.
    carte = e.vue->rangee(lea)->colonne()->cartesPoses().first();
    carte->setFocus();
    QTest::keyClick(carte, Qt::Key_F10, Qt::ShiftModifier);
    menu = e.vue->findChild<QMenu*>(QStringLiteral("menuAttribution"));
    QVERIFY(menu);
    b.context()->failNextSave(QStringLiteral("disque plein"));
    choisir(menu, QStringLiteral("Marc Petit"));
    QCOMPARE(l->chauffeurPose(), lea);
    auto* boite = e.vue->findChild<QMessageBox*>(QStringLiteral("echecAttribution"));
    QVERIFY(boite);
    QCOMPARE(boite->text(), QStringLiteral("Échec de la sauvegarde: disque plein"));
    boite->close();

    // A wrong driver is taken off from the same menu: the card leaves his day, the store keeps
    // it at once, and the keyboard goes to the card beside it.
    e.attendre();
    carte = e.vue->rangee(lea)->colonne()->cartesPoses().first();
    LocationDeBenne* retiree = carte->location();
    const int poses = e.vue->rangee(lea)->colonne()->cartesPoses().size();
    carte->setFocus();
    QTest::keyClick(carte, Qt::Key_Menu);
    menu = e.vue->findChild<QMenu*>(QStringLiteral("menuAttribution"));
    QVERIFY(menu);
    QVERIFY(actionNommee(menu, QStringLiteral("Retirer le chauffeur de la pose")));
    choisir(menu, QStringLiteral("Retirer le chauffeur de la pose"));
    QCOMPARE(retiree->chauffeurPose(), nullptr);
    QVERIFY(!b.context()->hasChanges());
    e.attendre();
    QCOMPARE(e.vue->rangee(lea)->colonne()->cartesPoses().size(), poses - 1);
    QTRY_VERIFY(qobject_cast<PrestationCard*>(e.vue->focusWidget()));
    QCOMPARE(static_cast<PrestationCard*>(e.vue->focusWidget())->location(), retiree);
}

void TestVuePlanning::tabFollowsTheScreenDriverByDriver()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    QList<Chauffeur*> chauffeurs;
    for (const QString& prenom : {QStringLiteral("Léa"), QStringLiteral("Marc"), QStringLiteral("Nina")}) {
        Chauffeur* ch = b.chauffeur(prenom, QStringLiteral("Petit"));
        for (int k = 0; k < 2; ++k)
            b.location(c, b.benne(10), at(2026, 12, 8, 8 + k), std::nullopt, QStringLiteral("%1 rue A").arg(k + 1), ch,
                       nullptr, 45.7 + 0.01 * k, 4.8);
        b.location(c, b.benne(8), at(2026, 12, 9, 8), std::nullopt, QStringLiteral("9 rue B"), ch, nullptr, 45.8, 4.9);
        chauffeurs << ch;
    }
    Ecran e(b);
    e.vue->resize(620, 400);
    fixtures::settle();
    e.vue->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(e.vue.get()));
    // Another day and back: the cards are made again, beside the maps kept.
    QTest::mouseClick(e.vue->dateSlider()->pastilles()[2], Qt::LeftButton);
    e.attendre();
    QTest::mouseClick(e.vue->dateSlider()->pastilles()[1], Qt::LeftButton);
    e.attendre();
    QWidget* vp = e.vue->zoneDefilement()->viewport();
    const auto enVue = [vp](QWidget* w) { return vp->rect().contains(dansLaVue(w, vp)); };

    // Tab and Shift+Tab: driver by driver, each stop scrolled into view; the last driver's row
    // is out of view, not built yet, when Tab starts.
    QVERIFY(!e.vue->rangee(chauffeurs[2])->construite());
    e.vue->boutonTransmettre()->setFocus();
    QList<QWidget*> vus;
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* arret = QApplication::focusWidget();
        QTRY_VERIFY(enVue(arret));
        // The rows coming into view are brought to the day between two presses, as between a
        // user's; taller rows (the map under the column) leave more of them to bring.
        e.attendre();
        vus << arret;
    }
    QList<QWidget*> ordre;
    for (Chauffeur* ch : chauffeurs) {
        RangeeChauffeur* r = e.vue->rangee(ch);
        QVERIFY(r->construite() && r->carte());
        for (PrestationCard* carte : r->colonne()->cartesPoses())
            ordre << carte;
        ordre << r->carte()->carte();
    }
    QCOMPARE(vus, ordre);
    // Tab from the last map leaves the list; Shift+Tab comes back to it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() && !e.vue->zoneDefilement()->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), ordre.last());
    for (qsizetype i = ordre.size() - 2; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), ordre[i]);
        QTRY_VERIFY(enVue(ordre[i]));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), e.vue->boutonTransmettre());

    // ↓ from any day of the header reaches the cards, the first one in view, and goes from card
    // to card past the maps; ↑ from the first goes back to the chosen day.
    e.vue->zoneDefilement()->verticalScrollBar()->setValue(0);
    e.vue->dateSlider()->pastilles()[3]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), ordre[0]);
    for (QWidget* attendu : {ordre[1], ordre[3], ordre[4], ordre[6]}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), attendu);
        QTRY_VERIFY(enVue(attendu));
    }
    for (QWidget* attendu : {ordre[4], ordre[3], ordre[1], ordre[0]}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), attendu);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), e.vue->dateSlider()->pastilles()[1]);
    // Return chooses a day, as it presses a button.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), e.vue->dateSlider()->pastilles()[2]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(e.vue->dateSlider()->pastilles()[2]->selected());
}

void TestVuePlanning::theReassignedCardKeepsTheKeyboardInView()
{
    // Many drivers: the one the card goes to is far down the list, out of view. After the
    // menu's choice, the keyboard is on the moved card, at its new place, and the card shows.
    // The menu of names, taller than the screen, scrolls in one column (as the program styles it).
    const QString style = QApplication::style()->name();
    installFocusStyle(qApp);
    const auto remettre = qScopeGuard([&] { QApplication::setStyle(style); });
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    QList<Chauffeur*> tous;
    for (int i = 0; i < 50; ++i)
        tous << b.chauffeur(QStringLiteral("Prénom%1").arg(i, 2, 10, QLatin1Char('0')),
                            QStringLiteral("Nom%1").arg(i, 2, 10, QLatin1Char('0')));
    Chauffeur* premier = tous.first();
    LocationDeBenne* l = b.location(c, b.benne(10, QStringLiteral("0D1B6E")), at(2026, 12, 8, 9), std::nullopt,
                                    QStringLiteral("1 rue A"), premier);
    Ecran e(b);
    e.vue->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(e.vue.get()));
    QCOMPARE(e.vue->chauffeurs().first(), premier);
    Chauffeur* dernier = e.vue->chauffeurs().last();

    for (const bool versLeBas : {true, false}) {
        Chauffeur* depart = versLeBas ? premier : dernier;
        Chauffeur* arrivee = versLeBas ? dernier : premier;
        QTRY_VERIFY(e.vue->rangee(depart)->construite());
        PrestationCard* carte = e.vue->rangee(depart)->colonne()->cartesPoses().value(0);
        QVERIFY(carte);
        e.vue->zoneDefilement()->ensureWidgetVisible(carte);
        carte->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(carte->hasFocus());
        QTest::keyClick(carte, Qt::Key_Menu);
        auto* menu = e.vue->findChild<QMenu*>(QStringLiteral("menuAttribution"));
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        // « Attribuer à… », → opens the drivers by name on the first one; ↑ wraps to the last.
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Right);
        auto* noms = menu->findChild<QMenu*>(QStringLiteral("menuAttribuerA"));
        QTRY_VERIFY(noms->isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(noms->activeAction(), noms->actions().first());
        QCOMPARE(noms->actionGeometry(noms->actions().last()).left(),
                 noms->actionGeometry(noms->actions().first()).left());
        if (versLeBas)
            QTest::keyClick(noms, Qt::Key_Up);
        QTest::keyClick(noms, Qt::Key_Return);
        QCOMPARE(l->chauffeurPose(), arrivee);

        const auto carteChez = [&](const Chauffeur* ch) -> PrestationCard* {
            const RangeeChauffeur* r = e.vue->rangee(ch);
            if (!r || !r->construite())
                return nullptr;
            for (PrestationCard* k : r->colonne()->cartesPoses())
                if (k->location() == l)
                    return k;
            return nullptr;
        };
        // The menu gone, the window is active again (the offscreen platform leaves that to us).
        e.vue->activateWindow();
        QTRY_VERIFY(carteChez(arrivee) && QApplication::focusWidget() == carteChez(arrivee));
        PrestationCard* focalisee = carteChez(arrivee);
        QVERIFY(!carteChez(depart));
        QVERIFY(focalisee->isVisible());
        QWidget* viewport = e.vue->zoneDefilement()->viewport();
        // The list settles (rows around are built) with the card in view.
        const auto dansLaVue = [&] {
            return QRect(focalisee->mapTo(viewport, focalisee->rectangleCarte().toRect().topLeft()),
                         focalisee->rectangleCarte().toRect().size());
        };
        QTRY_VERIFY(viewport->rect().contains(dansLaVue()));
        e.attendre();
        QVERIFY(viewport->rect().contains(dansLaVue()));
        // The keyboard goes on from there: the menu opens again on the card.
        QTest::keyClick(focalisee, Qt::Key_F10, Qt::ShiftModifier);
        menu = e.vue->findChild<QMenu*>(QStringLiteral("menuAttribution"));
        QVERIFY(menu);
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!e.vue->findChild<QMenu*>(QStringLiteral("menuAttribution")));
        e.vue->activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), focalisee);
    }
}

void TestVuePlanning::theFocusFrameShowsOnEveryCardColour()
{
    // Just inside the card's edge, the focused card draws a line that stands out from its fill,
    // whatever the skip's colour: dark navy, the selection's own blue, yellow, white, black.
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Client* c = b.client(QStringLiteral("Morel"));
    Ecran e(b.context());
    const QStringList couleurs = {QStringLiteral("0D1B6E"), e.vue->palette().color(QPalette::Highlight).name().mid(1),
                                  QStringLiteral("FFFF66"), QStringLiteral("FFFFFF"), QStringLiteral("000000")};
    for (int i = 0; i < couleurs.size(); ++i)
        b.location(c, b.benne(10, couleurs[i]), at(2026, 12, 8, 8 + i), std::nullopt,
                   QStringLiteral("%1 rue A").arg(i + 1), lea);
    QVERIFY(b.context()->save());
    e.attendre();
    e.vue->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(e.vue.get()));
    QTRY_COMPARE(e.vue->rangee(lea)->colonne()->cartesPoses().size(), couleurs.size());
    for (PrestationCard* carte : e.vue->rangee(lea)->colonne()->cartesPoses()) {
        carte->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(carte->hasFocus());
        const QImage image = carte->grab().toImage();
        const qreal dpr = image.devicePixelRatio();
        const QRectF r = carte->rectangleCarte();
        // Middle of each side, two pixels in.
        const QPointF points[] = {{r.left() + 2, r.center().y()},
                                  {r.right() - 2.5, r.center().y()},
                                  {r.center().x(), r.top() + 2},
                                  {r.center().x(), r.bottom() - 2.5}};
        for (const QPointF& p : points) {
            const QColor vu = image.pixelColor((p * dpr).toPoint());
            const qreal rapport = forms::contrastRatio(vu, carte->couleurFond());
            QVERIFY2(rapport >= 3, qPrintable(QStringLiteral("%1 on %2: %3:1")
                                                  .arg(vu.name(), carte->couleurFond().name())
                                                  .arg(rapport, 0, 'f', 2)));
        }
    }
}

void TestVuePlanning::sendingThroughTheMailHelper()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel & Fils"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier", QStringLiteral("lea@x.fr"));
    Chauffeur* marc = b.chauffeur("Marc", "Petit", QStringLiteral("marc@x.fr?bcc=y@z.fr"));
    b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("1 rue A"), lea);
    b.location(c, b.benne(10), at(2026, 12, 8, 10), std::nullopt, QStringLiteral("2 rue B"), marc);
    RecordingDesktopOpener ouvreur;
    VuePlanningChauffeurs vue(b.context(), nullptr, horloge());
    vue.resize(1200, 760);
    vue.show();
    QTest::mouseClick(vue.boutonTransmettre(), Qt::LeftButton);
    QCOMPARE(ouvreur.openedUrls.size(), 1);
    QCOMPARE(ouvreur.openedUrls[0].path(), QStringLiteral("lea@x.fr"));
    QVERIFY(QUrlQuery(ouvreur.openedUrls[0]).queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded)
                .contains(QStringLiteral("Morel & Fils")));
    // Marc's address is refused; one message says so after the run.
    auto* boite = vue.findChild<QMessageBox*>(QStringLiteral("bilanTransmission"));
    QVERIFY(boite);
    QVERIFY(boite->text().contains(QStringLiteral("Marc Petit")));
    fixtures::capture(boite, QStringLiteral("planning-bilan-envoi"));
    boite->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!vue.findChild<QMessageBox*>());

    // A link the system cannot open is reported the same way.
    ouvreur.openResult = false;
    QTest::mouseClick(vue.boutonTransmettre(), Qt::LeftButton);
    auto* bilan = vue.findChild<BilanTransmissionDialog*>(QStringLiteral("bilanTransmission"));
    QVERIFY(bilan);
    // The list names the message not opened; the summary above only counts it.
    QCOMPARE(bilan->nombreMessages(), 1);
    QVERIFY2(bilan->texte().contains(QStringLiteral("Aucune messagerie n’a ouvert le message ci-dessous.")),
             qPrintable(bilan->texte()));
    QVERIFY(!bilan->texte().contains(QStringLiteral("Léa Garnier")));
}

void TestVuePlanning::withoutAMailProgramEachMessageCanBeCopiedOrSaved()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel & <b>Fils</b>"));
    const QString nomLong = fixtures::longName(QStringLiteral("Éloïse/Ana"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier", QStringLiteral("lea@x.fr"));
    Chauffeur* longue = b.chauffeur(nomLong, "Dupré/Ñ", QStringLiteral("eloise@x.fr"));
    b.chauffeur("Marc", "Petit", QStringLiteral("marc@x.fr"));
    b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("1 rue A"), lea);
    b.location(c, b.benne(15), at(2026, 12, 8, 10), std::nullopt, QStringLiteral("2 rue B"), longue);
    QVERIFY(b.context()->save());
    RecordingDesktopOpener ouvreur;
    ouvreur.openResult = false;
    VuePlanningChauffeurs vue(b.context(), nullptr, horloge());
    vue.resize(1200, 760);
    vue.show();
    QTest::mouseClick(vue.boutonTransmettre(), Qt::LeftButton);
    auto* bilan = vue.findChild<BilanTransmissionDialog*>(QStringLiteral("bilanTransmission"));
    QVERIFY(bilan);
    QTRY_VERIFY(bilan->isVisible());
    fixtures::capture(bilan, QStringLiteral("planning-bilan-sans-messagerie"));
    // Only the drivers with work that day, each with both ways.
    QCOMPARE(bilan->nombreMessages(), 2);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(bilan->boutonCopier(i) && bilan->boutonCopier(i)->isVisible());
        QCOMPARE(bilan->boutonCopier(i)->text(), QStringLiteral("Copier le message"));
        QVERIFY(bilan->boutonEnregistrer(i) && bilan->boutonEnregistrer(i)->isVisible());
        QCOMPARE(bilan->boutonEnregistrer(i)->text(), QStringLiteral("Enregistrer…"));
    }
    // A reader hears whose message each button acts on.
    QCOMPARE(QAccessible::queryAccessibleInterface(bilan->boutonCopier(0))->text(QAccessible::Name),
             QStringLiteral("Copier le message de Léa Garnier"));
    QCOMPARE(QAccessible::queryAccessibleInterface(bilan->boutonEnregistrer(0))->text(QAccessible::Name),
             QStringLiteral("Enregistrer le message de Léa Garnier"));
    // The dialog fits over the screen it opens on, however long a name.
    QVERIFY2(bilan->width() <= 1200, qPrintable(QString::number(bilan->width())));
    // Nothing stands over anything: the wrapped summary whole, the list of messages showing
    // its two rows whole above the dialog's own buttons.
    fixtures::settle();
    auto* resume = bilan->findChild<QLabel*>(QStringLiteral("texteBilan"));
    QVERIFY(resume->height() >= resume->heightForWidth(resume->width()));
    auto* liste = bilan->findChild<QScrollArea*>();
    QCOMPARE(liste->verticalScrollBar()->maximum(), 0);
    const auto place = [](const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); };
    for (QPushButton* bouton : bilan->findChildren<QPushButton*>())
        if (!liste->isAncestorOf(bouton))
            QVERIFY2(!place(bouton).intersects(place(liste)), qPrintable(bouton->text()));
    // What a click did is said where nothing moves: every button stays under the pointer.
    QHash<QPushButton*, QRect> places;
    for (QPushButton* bouton : bilan->findChildren<QPushButton*>())
        places.insert(bouton, place(bouton));
    const auto rienNaBouge = [&] {
        fixtures::settle();
        for (auto it = places.cbegin(); it != places.cend(); ++it)
            if (place(it.key()) != it.value())
                return false;
        return true;
    };

    // Copied: recipient, subject and body, as the mail program would have had them.
    QApplication::clipboard()->clear();
    QTest::mouseClick(bilan->boutonCopier(0), Qt::LeftButton);
    const QString copie = QApplication::clipboard()->text();
    QVERIFY2(copie.startsWith(QStringLiteral("À\u00A0: lea@x.fr\nObjet\u00A0: Planning du mardi 8 décembre 2026 – Léa Garnier\n\n")),
             qPrintable(copie));
    QVERIFY2(copie.contains(QStringLiteral("Morel & <b>Fils</b> – 1 rue A – 10 m³")), qPrintable(copie));
    QVERIFY(bilan->etat(0).contains(QStringLiteral("copié")));
    QVERIFY(rienNaBouge());

    // Saved: a text file named after the driver, his name made safe for a file name.
    QTemporaryDir dossier;
    {
        ScopedSaveFileAnswer reponse(dossier.filePath(QStringLiteral("message.txt")));
        QTest::mouseClick(bilan->boutonEnregistrer(1), Qt::LeftButton);
        QCOMPARE(reponse.requests.size(), 1);
        const QString propose = reponse.requests[0].suggestedName;
        QVERIFY2(propose.endsWith(QStringLiteral(" 2026-12-08.txt")), qPrintable(propose));
        QVERIFY2(!propose.contains(QLatin1Char('/')), qPrintable(propose));
        QVERIFY(propose.toUtf8().size() <= FileHelpers::maxFileNameBytes);
        QVERIFY(propose.startsWith(QStringLiteral("Planning Éloïse-Ana")));
    }
    QFile fichier(dossier.filePath(QStringLiteral("message.txt")));
    QVERIFY(fichier.open(QIODevice::ReadOnly));
    const QString ecrit = QString::fromUtf8(fichier.readAll());
    QVERIFY2(ecrit.startsWith(QStringLiteral("À\u00A0: eloise@x.fr\n")), qPrintable(ecrit.left(80)));
    QVERIFY(ecrit.contains(QStringLiteral("2 rue B – 15 m³")));
    QVERIFY(bilan->etat(1).contains(dossier.filePath(QStringLiteral("message.txt"))));
    // Cut to its line, the path gives way between its quotes, the sentence around it whole.
    const QString ligne = bilan->findChild<QLabel*>(QStringLiteral("etatMessage"))->text();
    QVERIFY2(ligne != bilan->etat(1) && ligne.startsWith(QStringLiteral("Message de ")) && ligne.endsWith(QStringLiteral(" »."))
                 && ligne.contains(QStringLiteral(" enregistré dans « ")),
             qPrintable(ligne));

    // A file that cannot be written says why; cancelling says nothing.
    {
        ScopedSaveFileAnswer reponse(dossier.filePath(QStringLiteral("absent/message.txt")));
        QTest::mouseClick(bilan->boutonEnregistrer(0), Qt::LeftButton);
    }
    QVERIFY2(bilan->etat(0).startsWith(QStringLiteral("Échec de l’enregistrement")), qPrintable(bilan->etat(0)));
    QVERIFY(rienNaBouge());
    {
        ScopedSaveFileAnswer reponse{QString()};
        QTest::mouseClick(bilan->boutonEnregistrer(1), Qt::LeftButton);
    }
    QVERIFY(bilan->etat(1).contains(dossier.filePath(QStringLiteral("message.txt"))));
    // Escape closes the dialog alone.
    QTest::keyClick(bilan, Qt::Key_Escape);
    QTRY_VERIFY(!vue.findChild<BilanTransmissionDialog*>());
    QVERIFY(vue.isVisible());
}

void TestVuePlanning::longNamesShowWhole()
{
    fx::Bureau b;
    Chauffeur* court = b.chauffeur("Léa", "Garnier", QStringLiteral("lea@x.fr"));
    Chauffeur* long1 = b.chauffeur("Marie-Christine Élisabeth", "de La Tour d’Auvergne-Lauraguais",
                                   QStringLiteral("mc@x.fr"));
    QList<Chauffeur*> courts{court};
    for (const char* nom : {"Ctif", "Roy", "Li", "Wu", "Moulin", "Fèvre"})
        courts << b.chauffeur("Ina", nom);
    Ecran e(b.context());
    // A name that fits in a card stands on one line, seen as its row comes into view.
    for (Chauffeur* c : courts) {
        e.vue->zoneDefilement()->ensureWidgetVisible(e.vue->rangee(c), 0, 0);
        e.attendre();
        auto* nom = e.vue->rangee(c)->carteChauffeur()->findChild<QLabel*>(QStringLiteral("nomChauffeur"));
        QVERIFY2(nom->height() < 2 * nom->fontMetrics().lineSpacing(), qPrintable(nom->text()));
    }
    for (Chauffeur* c : {court, long1}) {
        RangeeChauffeur* r = e.vue->rangee(c);
        QVERIFY(r && r->construite());
        auto* nom = r->carteChauffeur()->findChild<QLabel*>(QStringLiteral("nomChauffeur"));
        QVERIFY(nom);
        // Every line of the name is inside the card, however many it takes.
        QVERIFY2(nom->height() >= nom->heightForWidth(nom->width()),
                 qPrintable(QStringLiteral("%1 : %2 px pour %3 px de texte")
                                .arg(nom->text())
                                .arg(nom->height())
                                .arg(nom->heightForWidth(nom->width()))));
        // The card stays in its column.
        QVERIFY(r->carteChauffeur()->width() <= 180);
        const QRect dansCarte(nom->mapTo(r->carteChauffeur(), QPoint()), nom->size());
        QVERIFY(r->carteChauffeur()->rect().contains(dansCarte));
    }
}

void TestVuePlanning::longNamesStayInTheirCards()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier", QStringLiteral("lea@x.fr"));
    Client* long1 = b.client(fixtures::longName(QStringLiteral("Client")), fixtures::longName(QStringLiteral("Adresse")));
    Client* court = b.client(QStringLiteral("Morel"), QStringLiteral("12 quai Perrache"));
    // Placed with the client's address, removed at a site of its own; a client of a short name.
    b.location(long1, b.benne(15), at(2026, 12, 8, 8), std::nullopt, std::nullopt, lea);
    b.location(long1, b.benne(10), at(2026, 12, 1), at(2026, 12, 8, 9), fixtures::longName(QStringLiteral("Chantier")),
               nullptr, lea);
    b.location(court, b.benne(8), at(2026, 12, 8, 10), std::nullopt, std::nullopt, lea);
    Ecran e(b.context());
    RangeeChauffeur* r = e.vue->rangee(lea);
    QVERIFY(r && r->construite());
    PrestationsColumn* colonne = r->colonne();
    QList<PrestationCard*> cartes = colonne->cartesPoses() + colonne->cartesEnlevements();
    QCOMPARE(cartes.size(), 3);
    fixtures::capture(e.vue.get(), QStringLiteral("planning-noms-longs"));

    for (QScrollArea* defilement : e.vue->findChildren<QScrollArea*>())
        QVERIFY(!defilement->horizontalScrollBar()->isVisible());
    for (PrestationCard* carte : cartes) {
        const QString quoi = carte->texteClient().left(12) + QStringLiteral(" / ") + carte->texteAdresse().left(12);
        // The card, its label and its badge whole inside the column.
        const QRect dansColonne(carte->mapTo(colonne, QPoint()), carte->size());
        QVERIFY2(colonne->rect().contains(dansColonne), qPrintable(quoi));
        const QRectF fond = carte->rectangleCarte();
        QVERIFY2(QRectF(carte->rect()).contains(fond), qPrintable(quoi));
        QVERIFY2(fond.contains(carte->rectangleVolume()), qPrintable(quoi));
        QVERIFY2(fond.contains(carte->rectangleClient()), qPrintable(quoi));
        QVERIFY2(carte->rectangleClient().right() <= carte->rectangleVolume().left(), qPrintable(quoi));
        // The badge is as wide as its text.
        QFont gras = fontForStyle(TextStyle::body, carte->font());
        gras.setBold(true);
        QVERIFY(carte->rectangleVolume().width() > QFontMetricsF(gras).horizontalAdvance(carte->texteVolume()));
    }
    // The long texts are whole in the tool tip; the short one's card needs none and keeps its
    // natural width.
    for (PrestationCard* carte : {cartes[0], cartes[2]}) {
        const QString bulle = carte->texteInfobulle();
        QVERIFY2(bulle.contains(carte->texteClient()), qPrintable(bulle));
        QVERIFY2(bulle.contains(carte->texteAdresse()), qPrintable(bulle));
    }
    QCOMPARE(cartes[1]->texteClient(), QStringLiteral("Morel"));
    QVERIFY(cartes[1]->texteInfobulle().isEmpty());
    QCOMPARE(cartes[1]->width(), cartes[1]->sizeHint().width());
}

void TestVuePlanning::lookAlikeClientsToldApartInTheCardsToolTips()
{
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier", QStringLiteral("lea@x.fr"));
    Client* lyon = b.client(QStringLiteral("Bernard Démolition"), QStringLiteral("1 rue Haute, Lyon"));
    Client* bron = b.client(QStringLiteral("Bernard Démolition"), QStringLiteral("2 rue Basse, Bron"));
    bron->setVille(QStringLiteral("Bron"));
    Client* seul = b.client(QStringLiteral("Morel"), QStringLiteral("12 quai Perrache"));
    b.location(lyon, b.benne(15), at(2026, 12, 8, 8), std::nullopt, std::nullopt, lea);
    b.location(bron, b.benne(10), at(2026, 12, 8, 9), std::nullopt, std::nullopt, lea);
    b.location(seul, b.benne(8), at(2026, 12, 8, 10), std::nullopt, std::nullopt, lea);
    Ecran e(b.context());
    RangeeChauffeur* r = e.vue->rangee(lea);
    QVERIFY(r && r->construite());
    QStringList bulles;
    for (PrestationCard* carte : r->colonne()->cartesPoses())
        bulles << carte->texteInfobulle();
    QCOMPARE(bulles.size(), 3);
    // The two cards of one name say their towns; the name of its own needs no tool tip.
    QVERIFY2(bulles.contains(QStringLiteral("Bernard Démolition (Lyon)\n1 rue Haute, Lyon")), qPrintable(bulles.join(" | ")));
    QVERIFY2(bulles.contains(QStringLiteral("Bernard Démolition (Bron)\n2 rue Basse, Bron")), qPrintable(bulles.join(" | ")));
    QVERIFY(bulles.contains(QString()));
}

void TestVuePlanning::dragHeldAtTheEdgeReachesDriversOutOfView()
{
    fx::Bureau b;
    const QList<Chauffeur*> chauffeurs = grandBureau(b);
    Ecran e(b);
    const auto [zone, vp, barre, cote] = e.defilement();
    const auto colonneSous = [&](const QPoint& pointVue) -> PrestationsColumn* {
        for (QWidget* w = vp->childAt(pointVue); w; w = w->parentWidget())
            if (auto* colonne = qobject_cast<PrestationsColumn*>(w))
                return colonne;
        return nullptr;
    };
    // A driver far below: out of view when the drag starts.
    Chauffeur* loin = chauffeurs[2];
    RangeeChauffeur* rangeeLoin = e.vue->rangee(loin);
    QVERIFY(rangeeLoin->mapTo(vp, QPoint()).y() > vp->height());

    PrestationCard* carte = e.vue->rangee(chauffeurs[0])->colonne()->cartesPoses().first();
    LocationDeBenne* l = carte->location();
    std::unique_ptr<QMimeData> mime(itemProviderPrestation(l, TypePrestation::pose));
    fixtures::WindowDrag glisser(carte, mime.get());
    QVERIFY(glisser.moveTo(carte, carte->rect().center()));

    // The wheel scrolls the list while the card is held, and back.
    glisser.moveTo(vp, QPoint(vp->width() / 2, vp->height() / 2));
    QCOMPARE(barre->value(), 0);
    glisser.wheel(-3);
    QVERIFY(barre->value() > 0);
    glisser.wheel(3);
    QCOMPARE(barre->value(), 0);

    // In the middle the list stays; held still near the bottom edge it scrolls by itself.
    const int x = carte->mapTo(vp, carte->rect().center()).x();
    glisser.moveTo(vp, QPoint(x, vp->height() / 2));
    QTest::qWait(100);
    QCOMPARE(barre->value(), 0);
    const QPoint bord(x, vp->height() - 4);
    glisser.moveTo(vp, bord);
    QTRY_VERIFY(barre->value() > 0);
    // Nothing is marked while the list moves under the pointer; off the edge it stops, and the
    // column under the pointer takes the card.
    const QPoint milieu(x, vp->height() / 2);
    QTRY_VERIFY_WITH_TIMEOUT(colonneSous(milieu) && colonneSous(milieu)->chauffeur() == loin, 30000);
    QVERIFY(!e.vue->colonneMarquee());
    QVERIFY(glisser.moveTo(vp, milieu));
    QVERIFY(glisser.drop());
    QVERIFY(!e.vue->defilementAuto()->isScrolling());
    const int apres = barre->value();
    e.attendre();
    QCOMPARE(l->chauffeurPose(), loin);
    QCOMPARE(e.vue->rangee(loin)->colonne()->cartesPoses().size(), 31);
    QCOMPARE(e.vue->rangee(chauffeurs[0])->colonne()->cartesPoses().size(), 29);
    QVERIFY(!b.context()->hasChanges());
    // Nothing scrolls any more once the card is let go.
    QTest::qWait(100);
    QCOMPARE(barre->value(), apres);

}

void TestVuePlanning::driversCardsStayAtTheLeftWhenTheDayScrollsSideways()
{
    fx::Bureau b;
    grandBureau(b);
    Ecran e(b);
    e.taille(536, 400);
    const auto [zone, vp, barre, cote] = e.defilement();
    QVERIFY(cote->maximum() > 0);
    // Whatever the scroll, each row in view names its driver at the left, beside the part of the
    // day in view and never over it, level with his row.
    QHash<const Chauffeur*, QRect> places;
    for (const int bas : {0, 900, 4000}) {
        for (const int travers : {0, cote->maximum() / 3, cote->maximum()}) {
            zone->verticalScrollBar()->setValue(bas);
            cote->setValue(travers);
            e.attendre();
            const QString ou = QStringLiteral("at %1 x %2: ").arg(travers).arg(bas);
            if (bas == 900 && travers == cote->maximum() / 3)
                fixtures::capture(e.vue.get(), QStringLiteral("planning-cartes-epinglees-a-gauche"));
            int vues = 0;
            for (RangeeChauffeur* r : rangeesEnVue(e.vue.get())) {
                ChauffeurCard* carte = r->carteChauffeur();
                const QRect rc = dansLaVue(carte, vp);
                const QRect rangee = dansLaVue(r, vp);
                const QString qui = ou + carte->texte();
                QVERIFY2(rc.right() < 0 && rc.left() >= -vp->x(), qPrintable(qui));
                QVERIFY2(rc.top() >= std::min(rangee.top(), 8) && rc.bottom() <= std::max(rangee.bottom(), rc.height()),
                         qPrintable(qui));
                if (!travers)
                    places[carte->chauffeur()] = rc;
                QCOMPARE(rc, places.value(carte->chauffeur()));
                const QPoint centre = zone->mapFrom(e.vue.get(), e.vue->mapFromGlobal(carte->mapToGlobal(carte->rect().center())));
                if (centre.y() >= 0 && centre.y() < zone->height()) {
                    QWidget* dessus = zone->childAt(centre);
                    QVERIFY2(dessus == carte || carte->isAncestorOf(dessus), qPrintable(qui));
                    ++vues;
                }
            }
            QVERIFY2(vues > 0, qPrintable(ou));
        }
    }
}

void TestVuePlanning::dropOnADriversCardGoesToHisColumn()
{
    fx::Bureau b;
    const QList<Chauffeur*> chauffeurs = grandBureau(b);
    Ecran e(b);
    const auto [zone, vp, barre, cote] = e.defilement();
    PrestationCard* carte = e.vue->rangee(chauffeurs[0])->colonne()->cartesPoses().first();
    LocationDeBenne* l = carte->location();
    std::unique_ptr<QMimeData> mime(itemProviderPrestation(l, TypePrestation::pose));
    fixtures::WindowDrag glisser(carte, mime.get());
    QVERIFY(glisser.moveTo(carte, carte->rect().center()));

    // Over his own driver's card, his own column is marked.
    ChauffeurCard* nom = e.vue->rangee(chauffeurs[0])->carteChauffeur();
    QVERIFY(glisser.moveTo(nom, nom->rect().center()));
    QCOMPARE(e.vue->colonneMarquee(), e.vue->rangee(chauffeurs[0])->colonne());

    // Further down, the next driver's row is half scrolled past: his card, held at the top of
    // the list over the empty side of his row, takes the drop for his column.
    RangeeChauffeur* suivante = e.vue->rangee(chauffeurs[1]);
    zone->verticalScrollBar()->setValue(suivante->y() + suivante->height() / 2);
    e.attendre();
    ChauffeurCard* nomSuivant = suivante->carteChauffeur();
    QVERIFY(nomSuivant);
    QCOMPARE(dansLaVue(nomSuivant, vp).top(), 8);
    QVERIFY(glisser.moveTo(nomSuivant, nomSuivant->rect().center()));
    QCOMPARE(e.vue->colonneMarquee(), suivante->colonne());
    QVERIFY(suivante->colonne()->marquee());
    QVERIFY(suivante->colonne()->findChild<QWidget*>(QStringLiteral("marqueDepot"))->isVisible());
    fixtures::capture(e.vue.get(), QStringLiteral("planning-depot-sur-le-nom"));
    QVERIFY(glisser.drop());
    QVERIFY(!e.vue->colonneMarquee());
    e.attendre();
    QCOMPARE(l->chauffeurPose(), chauffeurs[1]);
    QCOMPARE(suivante->colonne()->cartesPoses().size(), 31);
    QVERIFY(!b.context()->hasChanges());
}

void TestVuePlanning::holdingOverAPinnedDriversCardKeepsTheListStill()
{
    fx::Bureau b;
    const QList<Chauffeur*> chauffeurs = bureauMixte(b);
    Ecran e(b);
    const auto [zone, vp, barre, cote] = e.defilement();
    Chauffeur* lucas = chauffeurs[2];
    RangeeChauffeur* rangee = e.vue->rangee(lucas);
    epinglerEnHaut(e, rangee);
    ChauffeurCard* nom = rangee->carteChauffeur();
    // Held at the top of the list, its edge on the margin where a drag scrolls.
    QCOMPARE(dansLaVue(nom, vp).top(), 8);
    QVERIFY(dansLaVue(nom, vp).top() <= DragAutoScroller::edgeBand(vp->height()));
    const int avant = barre->value();

    // His own removal card onto his name, held there: the list stays, the drop changes nothing.
    PrestationCard* sienne = rangee->colonne()->cartesEnlevements().first();
    LocationDeBenne* l = sienne->location();
    std::unique_ptr<QMimeData> mime(itemProviderPrestation(l, TypePrestation::enlevement));
    {
        fixtures::WindowDrag glisser(sienne, mime.get());
        QVERIFY(glisser.moveTo(nom, nom->rect().center()));
        QVERIFY(!e.vue->defilementAuto()->isScrolling());
        e.attendre();
        QCOMPARE(barre->value(), avant);
        QCOMPARE(e.vue->colonneMarquee(), rangee->colonne());
        // Along the card, at its very top edge too.
        QVERIFY(glisser.moveTo(nom, QPoint(nom->width() - 2, 1)));
        QVERIFY(!e.vue->defilementAuto()->isScrolling());
        QVERIFY(glisser.drop());
    }
    e.attendre();
    QCOMPARE(barre->value(), avant);
    QCOMPARE(l->chauffeurEnlevement(), lucas);
    QVERIFY(e.traces.contains(QStringLiteral("Déjà attribué, mutation annulée")));
    QVERIFY(!e.traces.contains(QStringLiteral("SAUVEGARDE OK")));

    // Another driver's removal onto the pinned name goes to that driver, and only to him.
    LocationDeBenne* autre = enlevementsDuJour(chauffeurs[0], e.vue->rangee(chauffeurs[0])->colonne()->jour()).first();
    std::unique_ptr<QMimeData> mime2(itemProviderPrestation(autre, TypePrestation::enlevement));
    {
        fixtures::WindowDrag glisser(nom, mime2.get());
        glisser.moveTo(vp, QPoint(vp->width() / 2, vp->height() / 2));
        QVERIFY(glisser.moveTo(nom, nom->rect().center()));
        QVERIFY(!e.vue->defilementAuto()->isScrolling());
        e.attendre();
        QVERIFY(glisser.drop());
    }
    e.attendre();
    QCOMPARE(barre->value(), avant);
    QCOMPARE(autre->chauffeurEnlevement(), lucas);
    QCOMPARE(autre->chauffeurPose(), nullptr);
    QCOMPARE(rangee->colonne()->cartesEnlevements().size(), 5);
    QCOMPARE(e.vue->rangee(chauffeurs[3])->colonne()->cartesEnlevements().size(), 4);
    QVERIFY(!b.context()->hasChanges());

    // Beside the name, in the same band, the list still scrolls up to reach drivers above.
    PrestationCard* carte = rangee->colonne()->cartesPoses().first();
    std::unique_ptr<QMimeData> mime3(itemProviderPrestation(carte->location(), TypePrestation::pose));
    fixtures::WindowDrag glisser(nom, mime3.get());
    glisser.moveTo(vp, QPoint(vp->width() / 2, vp->height() / 2));
    glisser.moveTo(vp, QPoint(vp->width() / 2, 2));
    QVERIFY(e.vue->defilementAuto()->isScrolling());
    QTRY_VERIFY(barre->value() < avant);
    e.quitter();
    QVERIFY(!e.vue->defilementAuto()->isScrolling());
}

// A hand brings a card to a name across the strip of names: the pointer comes into the strip
// beside or under the name, where nothing can be dropped, before it reaches the name.
void TestVuePlanning::aCardBroughtAcrossTheNamesLandsOnTheNameItIsLetGoOn()
{
    fx::Bureau b;
    const QList<Chauffeur*> chauffeurs = bureauMixte(b);
    Ecran e(b);
    const auto [zone, vp, barre, cote] = e.defilement();
    const DayWindow jour = e.vue->rangee(chauffeurs[0])->colonne()->jour();

    // From the middle of the list into the strip under the name, then up onto it; let go there.
    const auto porter = [&](LocationDeBenne* l, TypePrestation type, ChauffeurCard* nom) {
        std::unique_ptr<QMimeData> mime(itemProviderPrestation(l, type));
        fixtures::WindowDrag glisser(vp, mime.get());
        glisser.moveTo(vp, vp->rect().center());
        const QPoint dessous(nom->width() / 2, nom->height() + 40);
        QVERIFY(nom->parentWidget()->rect().contains(nom->mapToParent(dessous)));
        QVERIFY(!glisserJusqua(glisser, nom, dessous));
        QVERIFY(!e.vue->colonneMarquee());
        QVERIFY(glisserJusqua(glisser, nom, nom->rect().center()));
        QVERIFY(!e.vue->defilementAuto()->isScrolling());
        QVERIFY(glisser.drop());
    };

    // A name held at the top of the list, twice in a row: a placement, then a removal.
    Chauffeur* lucas = chauffeurs[2];
    RangeeChauffeur* rangee = e.vue->rangee(lucas);
    epinglerEnHaut(e, rangee);
    const int avant = barre->value();
    ChauffeurCard* nom = rangee->carteChauffeur();
    QCOMPARE(dansLaVue(nom, vp).top(), 8);
    LocationDeBenne* pose = posesDuJour(chauffeurs[0], jour).first();
    porter(pose, TypePrestation::pose, nom);
    e.attendre();
    QCOMPARE(pose->chauffeurPose(), lucas);
    LocationDeBenne* enlevement = enlevementsDuJour(chauffeurs[1], jour).first();
    porter(enlevement, TypePrestation::enlevement, nom);
    e.attendre();
    QCOMPARE(enlevement->chauffeurEnlevement(), lucas);
    QCOMPARE(barre->value(), avant);
    QCOMPARE(rangee->colonne()->cartesPoses().size(), 9);
    QCOMPARE(rangee->colonne()->cartesEnlevements().size(), 5);

    // A name in its place at the top of its row, the list scrolled sideways.
    barre->setValue(0);
    zone->horizontalScrollBar()->setValue(zone->horizontalScrollBar()->maximum());
    e.attendre();
    Chauffeur* premier = chauffeurs[0];
    ChauffeurCard* nomPremier = e.vue->rangee(premier)->carteChauffeur();
    QVERIFY(dansLaVue(nomPremier, vp).top() > 8);
    LocationDeBenne* autre = posesDuJour(chauffeurs[4], jour).first();
    porter(autre, TypePrestation::pose, nomPremier);
    e.attendre();
    QCOMPARE(autre->chauffeurPose(), premier);
    QVERIFY(!b.context()->hasChanges());
}

void TestVuePlanning::theMarkedBoxIsWhereTheCardLands()
{
    fx::Bureau b;
    QList<Chauffeur*> chauffeurs = bureauMixte(b);
    // A driver who only places that day.
    Chauffeur* poseur = b.chauffeur(QStringLiteral("Seul"), QStringLiteral("Poseur"));
    b.location(b.client(QStringLiteral("Bâti")), b.benne(8), at(2026, 12, 8, 9), std::nullopt, QString(), poseur);
    Ecran e(b);
    RangeeChauffeur* rangee = e.vue->rangee(chauffeurs[2]);
    epinglerEnHaut(e, rangee);
    PrestationsColumn* colonne = rangee->colonne();
    ChauffeurCard* nom = rangee->carteChauffeur();
    auto* deposes = colonne->findChild<QWidget*>(QStringLiteral("sectionDeposes"));
    auto* enlevements = colonne->findChild<QWidget*>(QStringLiteral("sectionEnlevements"));
    QVERIFY(deposes && enlevements);

    // Removals are marked in « Enlèvements », placements in « Déposes »: over the name held at
    // the top and over the column alike.
    const auto marqueSur = [&](LocationDeBenne* l, TypePrestation type, QWidget* sur, const QPoint& ou) {
        std::unique_ptr<QMimeData> mime(l ? itemProviderPrestation(l, type) : texte(QStringLiteral("<b>Benne</b>")));
        fixtures::WindowDrag glisser(sur, mime.get());
        glisser.moveTo(sur, ou);
        const QRect marque = e.vue->colonneMarquee() ? boiteMarquee(e.vue->colonneMarquee()) : QRect();
        e.quitter();
        return marque;
    };
    LocationDeBenne* enl = enlevementsDuJour(chauffeurs[0], colonne->jour()).first();
    LocationDeBenne* pose = posesDuJour(chauffeurs[0], colonne->jour()).first();
    QCOMPARE(marqueSur(enl, TypePrestation::enlevement, nom, nom->rect().center()), enlevements->geometry());
    QCOMPARE(marqueSur(pose, TypePrestation::pose, nom, nom->rect().center()), deposes->geometry());
    QWidget* vp = e.vue->zoneDefilement()->viewport();
    const auto milieuEnVue = [vp](QWidget* w) {
        return w->mapFrom(vp, dansLaVue(w, vp).intersected(vp->rect()).center());
    };
    const QPoint enVue = milieuEnVue(colonne);
    QCOMPARE(marqueSur(enl, TypePrestation::enlevement, colonne, enVue), enlevements->geometry());
    QCOMPARE(marqueSur(pose, TypePrestation::pose, colonne, enVue), deposes->geometry());
    // Where the section of that kind is not there yet, the whole column is where it will appear.
    // Rows take their height as they are built: the end of the list moves until they all are.
    QScrollBar* barre = e.vue->zoneDefilement()->verticalScrollBar();
    for (int fin = -1; fin != barre->maximum();) {
        fin = barre->maximum();
        barre->setValue(fin);
        e.attendre();
    }
    PrestationsColumn* seule = e.vue->rangee(poseur)->colonne();
    QVERIFY(seule && !seule->findChild<QWidget*>(QStringLiteral("sectionEnlevements")));
    QCOMPARE(marqueSur(enl, TypePrestation::enlevement, seule, milieuEnVue(seule)), seule->rect());
    QCOMPARE(marqueSur(pose, TypePrestation::pose, seule, milieuEnVue(seule)),
             seule->findChild<QWidget*>(QStringLiteral("sectionDeposes"))->geometry());
    // Something that is not an operation marks the column it would be refused by.
    QCOMPARE(marqueSur(nullptr, TypePrestation::pose, seule, milieuEnVue(seule)), seule->rect());
}

// What is left of a 1366 × 768 screen at 1.5 shows less than one driver's row: a card and
// another driver's name are never in view together unless the rows fold to their names.
void TestVuePlanning::onAShortListADragReachesEveryDriver()
{
    fx::Bureau b;
    const QList<Chauffeur*> chauffeurs = bureauMixte(b);
    Ecran e(b);
    e.taille(620, 400);
    const auto [zone, vp, barre, cote] = e.defilement();
    const int bande = DragAutoScroller::edgeBand(vp->height());
    RangeeChauffeur* depart = e.vue->rangee(chauffeurs[3]);
    const auto nomEnVue = [&](const Chauffeur* c) -> ChauffeurCard* {
        RangeeChauffeur* r = e.vue->rangee(c);
        ChauffeurCard* nom = r->construite() ? r->carteChauffeur() : nullptr;
        if (!nom || !nom->isVisible())
            return nullptr;
        const QRect rn = dansLaVue(nom, vp);
        return rn.top() >= 0 && rn.bottom() < vp->height() ? nom : nullptr;
    };

    // Neighbours at once, the first and the last by holding the pointer in the band.
    for (Chauffeur* cible : {chauffeurs[2], chauffeurs[4], chauffeurs[0], chauffeurs[7]}) {
        const QString qui = cible->prenom();
        barre->setValue(depart->y());
        e.attendre();
        PrestationCard* carte = depart->colonne()->cartesPoses().first();
        QVERIFY(!nomEnVue(cible));
        LocationDeBenne* l = carte->location();
        std::unique_ptr<QMimeData> mime(itemProviderPrestation(l, TypePrestation::pose));
        {
            fixtures::WindowDrag glisser(carte, mime.get());
            QVERIFY(glisser.moveTo(carte, carte->rect().center()));
            // Folded to their names, the dragged card's driver under the pointer.
            QVERIFY(depart->pliee());
            ChauffeurCard* sien = nomEnVue(chauffeurs[3]);
            QVERIFY2(sien, qPrintable(qui));
            QVERIFY(std::abs(sien->mapTo(sien->window(), sien->rect().center()).y() - glisser.position().y())
                    < sien->height());
            QCOMPARE(e.vue->colonneMarquee(), depart->colonne());
            const int enVue = int(std::count_if(chauffeurs.cbegin(), chauffeurs.cend(), nomEnVue));
            QVERIFY2(enVue >= 3, qPrintable(QString::number(enVue)));
            if (!nomEnVue(cible)) {
                const bool enBas = e.vue->rangee(cible)->y() > depart->y();
                glisserJusqua(glisser, vp, QPoint(vp->width() / 2, enBas ? vp->height() - bande + 2 : bande - 2));
                QTRY_VERIFY_WITH_TIMEOUT(nomEnVue(cible), 20000);
            }
            ChauffeurCard* nom = nomEnVue(cible);
            QVERIFY2(nom, qPrintable(qui));
            // Onto the name, the list holding still; beside it, out of the bands, the folded
            // row stands for the column too.
            QVERIFY(glisserJusqua(glisser, nom, nom->rect().center()));
            QVERIFY(!e.vue->defilementAuto()->isScrolling());
            const int arret = barre->value();
            QCOMPARE(e.vue->colonneMarquee(), e.vue->rangee(cible)->colonne());
            const int y = dansLaVue(nom, vp).center().y();
            if (y > bande && y < vp->height() - bande) {
                QVERIFY(glisserJusqua(glisser, vp, QPoint(vp->width() / 2, y)));
                QCOMPARE(e.vue->colonneMarquee(), e.vue->rangee(cible)->colonne());
            }
            QCOMPARE(barre->value(), arret);
            if (cible == chauffeurs[0])
                fixtures::capture(e.vue.get(), QStringLiteral("planning-replie-pendant-un-glisser"));
            QVERIFY(glisser.drop());
        }
        // Unfolded around the driver who took it: his name stays where it was let go, and the
        // card lands in view.
        QVERIFY(!depart->pliee());
        QVERIFY(depart->colonne()->isVisible());
        QVERIFY2(dansLaVue(e.vue->rangee(cible), vp).intersects(vp->rect()), qPrintable(qui));
        e.attendre();
        QCOMPARE(l->chauffeurPose(), cible);
        const auto atterrie = [&] {
            for (PrestationCard* k : e.vue->rangee(cible)->colonne()->cartesPoses())
                if (k->location() == l)
                    return vp->rect().contains(dansLaVue(k, vp).center());
            return false;
        };
        QTRY_VERIFY2(atterrie(), qPrintable(qui));
    }
    QVERIFY(!b.context()->hasChanges());
    QCOMPARE(depart->colonne()->cartesPoses().size(), 4);
}

// At 1.5 on a 1366 × 768 screen: a card of the first, a middle and the last driver pressed, moved
// a little and let go at once (or the drag given up with Escape). The rows fold with the card's
// own driver under the pointer, and nothing is stored.
void TestVuePlanning::aShortDragLetGoAtOnceStoresNothing()
{
    fx::Bureau b;
    const QList<Chauffeur*> chauffeurs = bureauMixte(b);
    Ecran e(b);
    e.taille(620, 400);
    const auto [zone, vp, barre, cote] = e.defilement();
    for (Chauffeur* sien : {chauffeurs.first(), chauffeurs[3], chauffeurs.last()}) {
        for (const bool lacher : {true, false}) {
            const QString qui = sien->prenom() + (lacher ? QStringLiteral(" let go") : QStringLiteral(" Escape"));
            RangeeChauffeur* rangee = e.vue->rangee(sien);
            // His row at the top of the list, the list scrolled as far as it goes for the last.
            barre->setValue(rangee->y());
            e.attendre();
            const int hautAvant = dansLaVue(rangee, vp).top();
            PrestationCard* carte = rangee->colonne()->cartesPoses()[lacher ? 0 : 1];
            const TypePrestation type = carte->type();
            LocationDeBenne* l = carte->location();
            const QPoint presse = dansLaVue(carte, vp).center();
            QVERIFY2(vp->rect().contains(presse), qPrintable(qui));
            std::unique_ptr<QMimeData> mime(itemProviderPrestation(l, type));
            e.traces.clear();
            // The press gives the card the keyboard.
            e.vue->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(e.vue.get()));
            carte->setFocus(Qt::MouseFocusReason);
            QTRY_VERIFY(carte->hasFocus());
            {
                // The drag starts once the pointer has gone the drag distance; it comes into the
                // list there, and the hand goes on a few more pixels.
                fixtures::WindowDrag glisser(vp, mime.get());
                const QPoint entree = presse + QPoint(0, QApplication::startDragDistance());
                QVERIFY2(glisser.moveTo(vp, entree), qPrintable(qui));
                QVERIFY(rangee->pliee());
                ChauffeurCard* nom = rangee->carteChauffeur();
                QVERIFY2(nom && nom->isVisible(), qPrintable(qui));
                QVERIFY2(std::abs(nom->mapTo(nom->window(), nom->rect().center()).y() - glisser.position().y())
                             < nom->height(),
                         qPrintable(qui));
                QCOMPARE(e.vue->colonneMarquee(), rangee->colonne());
                for (const QPoint plusLoin : {QPoint(2, 5), QPoint(3, 8)})
                    glisser.moveTo(vp, entree + plusLoin);
                QCOMPARE(e.vue->colonneMarquee(), rangee->colonne());
                if (lacher)
                    glisser.drop();
                else
                    e.quitter();
            }
            e.attendre();
            QTRY_VERIFY(!rangee->pliee());
            QCOMPARE(type == TypePrestation::pose ? l->chauffeurPose() : l->chauffeurEnlevement(), sien);
            QVERIFY2(!e.traces.contains(QStringLiteral("SAUVEGARDE OK")), qPrintable(qui));
            QVERIFY(!b.context()->hasChanges());
            // Unfolded, back where it was.
            QCOMPARE(dansLaVue(rangee, vp).top(), hautAvant);
        }
    }
}

void TestVuePlanning::onASmallScreenNamesStayBesideTheDay()
{
    fx::Bureau b;
    const QList<Chauffeur*> chauffeurs = bureauMixte(b);
    for (Chauffeur* ch : chauffeurs)
        for (LocationDeBenne* l : ch->posesAssurees()) {
            l->setLatitude(45.7 + 0.01 * l->datePose().time().hour());
            l->setLongitude(4.8);
        }
    Ecran e(b);
    // The smallest window, where the day scrolls sideways under the names.
    e.taille(536, 400);
    const auto [zone, vp, barre, cote] = e.defilement();
    QVERIFY(cote->maximum() > 0);
    QHash<const Chauffeur*, int> gauches;
    for (const int bas : {0, 700, 2000}) {
        for (const int travers : {0, cote->maximum() / 2, cote->maximum()}) {
            zone->verticalScrollBar()->setValue(bas);
            cote->setValue(travers);
            e.attendre();
            const QString ou = QStringLiteral("at %1 x %2: ").arg(travers).arg(bas);
            if (bas == 700 && travers == cote->maximum() / 2)
                fixtures::capture(e.vue.get(), QStringLiteral("planning-petit-ecran-de-cote"));
            int vues = 0;
            for (RangeeChauffeur* r : rangeesEnVue(e.vue.get())) {
                ChauffeurCard* nom = r->carteChauffeur();
                const QRect rn(nom->mapToGlobal(QPoint(0, 0)), nom->size());
                const QString qui = ou + nom->texte();
                // Named in view, at the left, whatever the scroll sideways.
                QVERIFY2(QRect(zone->mapToGlobal(QPoint(0, 0)), zone->size()).contains(rn), qPrintable(qui));
                if (!travers)
                    gauches[nom->chauffeur()] = rn.left();
                QCOMPARE(rn.left(), gauches.value(nom->chauffeur(), -1));
                QVERIFY2(rn.left() - zone->mapToGlobal(QPoint(0, 0)).x() < 16, qPrintable(qui));
                ++vues;
                // Over no card and no title of any row.
                for (RangeeChauffeur* autre : rangeesEnVue(e.vue.get())) {
                    QList<QWidget*> contenu;
                    for (PrestationCard* c : autre->colonne()->cartesPoses() + autre->colonne()->cartesEnlevements())
                        contenu << c;
                    for (QLabel* titre : autre->colonne()->findChildren<QLabel*>())
                        if (titre->text() == QStringLiteral("Déposes") || titre->text() == QStringLiteral("Enlèvements"))
                            contenu << titre;
                    QVERIFY(!contenu.isEmpty());
                    for (QWidget* w : contenu)
                        QVERIFY2(!visibleGlobal(w).intersects(rn), qPrintable(qui + QStringLiteral(" over ") + w->metaObject()->className()));
                }
            }
            QVERIFY2(vues > 0, qPrintable(ou));
        }
    }

    // Drags at that size land on the driver shown: on a name held at the top, and on a column
    // scrolled sideways.
    cote->setValue(cote->maximum() / 2);
    RangeeChauffeur* rangee = e.vue->rangee(chauffeurs[3]);
    epinglerEnHaut(e, rangee);
    ChauffeurCard* nom = rangee->carteChauffeur();
    QCOMPARE(dansLaVue(nom, vp).top(), 8);
    const int avant = zone->verticalScrollBar()->value();
    LocationDeBenne* l = posesDuJour(chauffeurs[0], rangee->colonne()->jour()).first();
    std::unique_ptr<QMimeData> mime(itemProviderPrestation(l, TypePrestation::pose));
    {
        fixtures::WindowDrag glisser(nom, mime.get());
        QVERIFY(glisser.moveTo(nom, nom->rect().center()));
        QVERIFY(!e.vue->defilementAuto()->isScrolling());
        QVERIFY(glisser.drop());
    }
    e.attendre();
    QCOMPARE(l->chauffeurPose(), chauffeurs[3]);
    QCOMPARE(zone->verticalScrollBar()->value(), avant);

    LocationDeBenne* l2 = enlevementsDuJour(chauffeurs[0], rangee->colonne()->jour()).first();
    std::unique_ptr<QMimeData> mime2(itemProviderPrestation(l2, TypePrestation::enlevement));
    PrestationsColumn* colonne = rangee->colonne();
    const QRect vue = dansLaVue(colonne, vp).intersected(vp->rect());
    QVERIFY(!vue.isEmpty());
    {
        fixtures::WindowDrag glisser(nom, mime2.get());
        QVERIFY(glisser.moveTo(vp, vue.center()));
        QCOMPARE(e.vue->colonneMarquee(), colonne);
        QVERIFY(glisser.drop());
    }
    e.attendre();
    QCOMPARE(l2->chauffeurEnlevement(), chauffeurs[3]);
    QVERIFY(!b.context()->hasChanges());
}

void TestVuePlanning::firstPaintShowsTheSettledDay()
{
    // Fifty drivers with from none to three placements tomorrow, some removals among them.
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Charpente Robert"));
    for (int i = 0; i < 50; ++i) {
        Chauffeur* ch = b.chauffeur(QStringLiteral("P%1").arg(i), QStringLiteral("N%1").arg(i));
        for (int k = 0; k < i % 4; ++k)
            b.location(c, b.benne(10), at(2026, 12, 8, 8 + k), at(2026, 12, 8 + k % 2, 16),
                       QStringLiteral("%1 rue des Lilas").arg(k + 1), ch, i % 3 == 0 ? ch : nullptr);
    }
    QVERIFY(b.context()->save());
    // What the rows in view show: the driver, and his day (or that his row is not built yet).
    const auto ceQuiEstVu = [](const VuePlanningChauffeurs* vue) {
        const QWidget* vp = vue->zoneDefilement()->viewport();
        QStringList out;
        out << QStringLiteral("jour %1").arg(vue->dateSlider()->selectedDate().toString(Qt::ISODate));
        const auto* aide = vue->findChild<QLabel*>(QStringLiteral("aideJourVide"));
        out << QStringLiteral("aide %1").arg(aide && aide->isVisible());
        for (const RangeeChauffeur* r : QList<RangeeChauffeur*>{vue->aAttribuer()} + vue->rangees()) {
            if (!dansLaVue(r, vp).intersects(vp->rect()))
                continue;
            QString ligne = r->chauffeur() ? r->chauffeur()->prenom() : QStringLiteral("À attribuer");
            if (!r->construite())
                ligne += QStringLiteral(": pas encore construite");
            else
                ligne += QStringLiteral(": %1 poses, %2 enlèvements%3%4")
                             .arg(r->colonne()->cartesPoses().size())
                             .arg(r->colonne()->cartesEnlevements().size())
                             .arg(r->colonne()->afficheVide() ? QStringLiteral(", vide") : QString())
                             .arg(r->carte() ? QStringLiteral(", plan") : QString());
            out << ligne;
        }
        return out;
    };
    for (const QSize taille : {QSize(1600, 1000), QSize(536, 400)}) {
        VuePlanningChauffeurs vue(b.context(), nullptr, horloge(),
                                  [](const QString&, const QString&, const QString&) { return ResultatComposition::ouvert; });
        vue.setTrace([](const QString&) {});
        vue.resize(taille);
        PremierePeinture<QStringList> premiere(vue.zoneDefilement()->widget(), [&] { return ceQuiEstVu(&vue); });
        vue.show();
        QTRY_VERIFY(premiere.peinte());
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        fixtures::settle();
        const QStringList apres = ceQuiEstVu(&vue);
        QVERIFY2(apres.size() > 2, qPrintable(apres.join(QLatin1Char('\n'))));
        QCOMPARE(premiere.vu(), apres);
    }
}

void TestVuePlanning::stripFoldsOnlyWhereAPillDoesNotFit()
{
    fx::Bureau b;
    b.chauffeur("Léa", "Garnier");
    Ecran e(b.context());
    VuePlanningChauffeurs* vue = e.vue.get();
    const QList<PastilleJour*> pastilles = vue->dateSlider()->pastilles();
    const auto tuile = [vue](PastilleJour* p) {
        const QRect t = p->tileRect().toAlignedRect();
        return QRect(p->mapTo(vue, t.topLeft()), t.size());
    };
    // From the smallest width to one where the strip and the button share a line.
    const int uneLigne = vue->dateSlider()->sizeHint().width() + vue->boutonTransmettre()->sizeHint().width() + 60;
    for (int largeur = 536; largeur <= uneLigne; largeur += 25) {
        vue->resize(largeur, 700);
        fixtures::settle();
        const QString ou = QStringLiteral("at %1: ").arg(largeur);
        // The pills in order, line after line; every line but the last is full: the room left
        // at its end is less than the next pill needs.
        int lignes = 1;
        for (int i = 1; i < pastilles.size(); ++i) {
            const QRect avant = tuile(pastilles[i - 1]);
            const QRect ici = tuile(pastilles[i]);
            if (ici.top() == avant.top()) {
                QVERIFY2(ici.left() > avant.right(), qPrintable(ou + QString::number(i)));
                continue;
            }
            QVERIFY2(ici.top() > avant.bottom(), qPrintable(ou + QString::number(i)));
            ++lignes;
            const int reste = vue->width() - 1 - avant.right();
            QVERIFY2(reste < ici.width() + 8 + 11 + 16,
                     qPrintable(ou + QStringLiteral("%1 points left after pill %2, %3 needed")
                                         .arg(reste).arg(i - 1).arg(ici.width())));
        }
        // The button beside the last line when it fits there (with its room around it), else
        // under the strip.
        const QRect bouton(vue->boutonTransmettre()->mapTo(vue, QPoint(0, 0)), vue->boutonTransmettre()->size());
        const QRect derniere = tuile(pastilles.last());
        QVERIFY2(vue->rect().contains(bouton), qPrintable(ou));
        if (bouton.top() > derniere.bottom())
            QVERIFY2(vue->width() - 1 - derniere.right() < bouton.width() + 60, qPrintable(ou));
        else
            QVERIFY2(bouton.left() > derniere.right(), qPrintable(ou));
        if (largeur >= vue->dateSlider()->sizeHint().width() + 2 * 11)
            QCOMPARE(lignes, 1);
    }
}

void TestVuePlanning::fitsTheSmallestWindow()
{
    // The content area of the smallest window: the strip, the button and the day's scroll bars
    // all in it, whatever the driver's name.
    fx::Bureau b;
    const QString longNom = QStringLiteral("Éloïse <b>Dupont</b> / ").repeated(13).left(300);
    Chauffeur* ch = b.chauffeur(longNom, longNom);
    b.location(b.client(longNom, longNom), b.benne(10), at(2026, 12, 8, 9), std::nullopt, longNom, ch, nullptr,
               44.84, -0.58);
    Ecran e(b);
    VuePlanningChauffeurs* vue = e.vue.get();
    QVERIFY2(vue->minimumSizeHint().width() <= 536, qPrintable(QString::number(vue->minimumSizeHint().width())));
    const auto dedans = [vue](QWidget* w, const QRect& r) {
        const QRect vu(w->mapTo(vue, r.topLeft()), r.size());
        return vue->rect().contains(vu);
    };
    const auto tuile = [](PastilleJour* p) { return p->tileRect().toAlignedRect(); };
    for (const QSize taille : {QSize(536, 400), QSize(700, 400), QSize(980, 720)}) {
        vue->resize(taille);
        e.attendre();
        fixtures::settle();
        const QString ou = QStringLiteral("%1 x %2").arg(taille.width()).arg(taille.height());
        // Every pill whole, none over another, and the button beside or under them.
        const QList<PastilleJour*> pastilles = vue->dateSlider()->pastilles();
        for (int i = 0; i < pastilles.size(); ++i) {
            QVERIFY2(dedans(pastilles[i], tuile(pastilles[i])), qPrintable(ou + QStringLiteral(" pill %1").arg(i)));
            for (int j = 0; j < i; ++j)
                QVERIFY(!QRect(pastilles[i]->mapTo(vue, tuile(pastilles[i]).topLeft()), tuile(pastilles[i]).size())
                             .intersects(QRect(pastilles[j]->mapTo(vue, tuile(pastilles[j]).topLeft()),
                                               tuile(pastilles[j]).size())));
        }
        QPushButton* bouton = vue->boutonTransmettre();
        QVERIFY2(dedans(bouton, bouton->rect()), qPrintable(ou));
        // The day's own scroll bars are in view; it scrolls sideways only when its columns need it.
        QScrollArea* zone = vue->zoneDefilement();
        QVERIFY2(dedans(zone->verticalScrollBar(), zone->verticalScrollBar()->rect()), qPrintable(ou));
        QVERIFY(zone->geometry().bottom() < vue->height());
        QCOMPARE(zone->width(), vue->width());
        QCOMPARE(zone->horizontalScrollBar()->value(), 0);
    }
    // Wide, the strip and the button stand on one line.
    vue->resize(1200, 760);
    fixtures::settle();
    PastilleJour* derniere = vue->dateSlider()->pastilles().last();
    const int milieu = derniere->mapTo(vue, derniere->rect().center()).y();
    QVERIFY(vue->boutonTransmettre()->mapTo(vue, QPoint(0, 0)).y() < milieu);
    QVERIFY(vue->boutonTransmettre()->mapTo(vue, QPoint(0, vue->boutonTransmettre()->height())).y() > milieu);
    QVERIFY(!vue->zoneDefilement()->horizontalScrollBar()->isVisible());
    // Clicking a pill of the second line at the smallest width chooses its day.
    vue->resize(536, 400);
    fixtures::settle();
    PastilleJour* dimanche = vue->dateSlider()->pastilles()[6];
    QVERIFY(dimanche->mapTo(vue, QPoint(0, 0)).y() > vue->dateSlider()->pastilles()[0]->mapTo(vue, QPoint(0, 0)).y());
    QTest::mouseClick(dimanche, Qt::LeftButton, {}, dimanche->tileRect().center().toPoint());
    QCOMPARE(vue->selectedDate(), at(2026, 12, 13));
    fixtures::capture(vue, QStringLiteral("planning-fenetre-minimale"));
}

void TestVuePlanning::driversCardsStayInViewAndTheColumnUnderADragIsMarked()
{
    fx::Bureau b;
    const QList<Chauffeur*> chauffeurs = grandBureau(b);
    Ecran e(b);
    const auto [zone, vp, barre, cote] = e.defilement();

    // Whatever the scroll, each row in view shows its driver's card at the top of its part in
    // view, or at its own top while that is in view.
    const auto verifierCartes = [&](const QString& ou) {
        int vues = 0;
        for (RangeeChauffeur* r : rangeesEnVue(e.vue.get())) {
            ChauffeurCard* carte = r->carteChauffeur();
            const QRect rc = dansLaVue(carte, vp);
            const QRect colonne = dansLaVue(r->colonne(), vp);
            // Room for the card under the top of the list, down to the end of the column.
            if (colonne.bottom() - std::max(colonne.top(), 0) < rc.height() + 8)
                continue;
            ++vues;
            QVERIFY2(rc.top() >= 0 && rc.bottom() < vp->height(), qPrintable(ou + r->carteChauffeur()->texte()));
            QVERIFY2(rc.top() <= std::max(colonne.top(), 8), qPrintable(ou + r->carteChauffeur()->texte()));
            // Beside its column.
            QCOMPARE(rc.left(), colonne.left() - 180 - 32);
        }
        QVERIFY2(vues > 0, qPrintable(ou));
    };
    for (const int pas : {0, 300, 1200, 2500, 5000}) {
        barre->setValue(pas);
        e.attendre();
        verifierCartes(QStringLiteral("at %1: ").arg(pas));
    }

    // A card of the driver in view is dragged over the column of the next one.
    barre->setValue(0);
    e.attendre();
    PrestationCard* carte = e.vue->rangee(chauffeurs[0])->colonne()->cartesPoses().first();
    LocationDeBenne* l = carte->location();
    std::unique_ptr<QMimeData> mime(itemProviderPrestation(l, TypePrestation::pose));
    fixtures::WindowDrag glisser(carte, mime.get());
    QVERIFY(glisser.moveTo(carte, carte->rect().center()));
    PrestationsColumn* premiere = e.vue->rangee(chauffeurs[0])->colonne();
    QCOMPARE(e.vue->colonneMarquee(), premiere);
    QVERIFY(premiere->marquee());
    QVERIFY(premiere->findChild<QWidget*>(QStringLiteral("marqueDepot"))->isVisible());
    // Beside the column, on the side of the map, nothing is marked.
    QVERIFY(!glisser.moveTo(premiere, QPoint(premiere->width() + 10, 10)));
    QVERIFY(!e.vue->colonneMarquee());
    QVERIFY(!premiere->marquee());
    // Further down: the wheel brings the far column under the pointer, and the mark follows it.
    RangeeChauffeur* cible = e.vue->rangee(chauffeurs[3]);
    const int x = premiere->mapTo(vp, QPoint(premiere->width() / 2, 0)).x();
    const QPoint milieu(x, vp->height() / 2);
    glisser.moveTo(vp, milieu);
    while (cible->mapTo(vp, QPoint(0, 0)).y() + 100 > milieu.y() && barre->value() < barre->maximum()) {
        glisser.wheel(-1);
        e.attendre();
    }
    PrestationsColumn* sous = nullptr;
    for (QWidget* w = vp->childAt(milieu); w && !sous; w = w->parentWidget())
        sous = qobject_cast<PrestationsColumn*>(w);
    QVERIFY(sous);
    QCOMPARE(e.vue->colonneMarquee(), sous);
    QVERIFY(sous->marquee());
    QVERIFY(!premiere->marquee());
    // The driver's name of the marked column is in view above the pointer.
    ChauffeurCard* nomSous = e.vue->rangee(sous->chauffeur())->carteChauffeur();
    QVERIFY(dansLaVue(nomSous, vp).top() >= 0);
    QVERIFY(dansLaVue(nomSous, vp).bottom() <= milieu.y());
    int marquees = 0;
    for (RangeeChauffeur* r : e.vue->rangees())
        marquees += r->colonne() && r->colonne()->marquee();
    QCOMPARE(marquees, 1);
    fixtures::capture(e.vue.get(), QStringLiteral("planning-colonne-marquee"));
    // The drop goes to that driver, and the mark goes with the drag.
    Chauffeur* destinataire = sous->chauffeur();
    QVERIFY(destinataire != chauffeurs[0]);
    QVERIFY(glisser.drop());
    QVERIFY(!e.vue->colonneMarquee());
    QVERIFY(!sous->marquee());
    e.attendre();
    QCOMPARE(l->chauffeurPose(), destinataire);
    QCOMPARE(e.vue->rangee(destinataire)->colonne()->cartesPoses().size(), 31);

    // A drag that leaves the window unmarks the column it was over.
    PrestationCard* autre = e.vue->rangee(destinataire)->colonne()->cartesPoses().first();
    std::unique_ptr<QMimeData> mime2(itemProviderPrestation(autre->location(), TypePrestation::pose));
    fixtures::WindowDrag sortie(autre, mime2.get());
    QVERIFY(sortie.moveTo(autre, autre->rect().center()));
    QVERIFY(e.vue->colonneMarquee());
    e.quitter();
    QVERIFY(!e.vue->colonneMarquee());
    for (RangeeChauffeur* r : e.vue->rangees())
        QVERIFY(!r->colonne() || !r->colonne()->marquee());
}

namespace {

// The most frequent colour of a part of an image (what a text stands on) and the colour there
// that contrasts most with it (the text's strokes), with their contrast.
struct ContrasteZone {
    QColor fond;
    QColor texte;
    double rapport = 0;
};

ContrasteZone contrasteDans(const QImage& image, const QRectF& zone)
{
    const qreal dpr = image.devicePixelRatio();
    const QRect pixels = QRectF(zone.topLeft() * dpr, zone.size() * dpr).toAlignedRect() & image.rect();
    QHash<QRgb, int> compte;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            ++compte[image.pixel(x, y) | 0xff000000u];
    ContrasteZone c;
    int plus = 0;
    for (auto it = compte.cbegin(); it != compte.cend(); ++it)
        if (it.value() > plus) {
            plus = it.value();
            c.fond = QColor::fromRgb(it.key());
        }
    for (auto it = compte.cbegin(); it != compte.cend(); ++it) {
        const double r = forms::contrastRatio(QColor::fromRgb(it.key()), c.fond);
        if (r > c.rapport) {
            c.rapport = r;
            c.texte = QColor::fromRgb(it.key());
        }
    }
    return c;
}

} // namespace

void TestVuePlanning::textOnTheSkipsColourReads()
{
    // Skips of dark colours (navy, brown, red) and light ones: every text a card draws reads on
    // what it stands on, the address on the skip's colour first.
    fx::Bureau b;
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    Client* c = b.client(QStringLiteral("Morel"), QStringLiteral("12 quai Perrache, Lyon"));
    const QStringList couleurs = {QStringLiteral("0D1B6E"), QStringLiteral("7B3F00"), QStringLiteral("C00000"),
                                  QStringLiteral("FFFF66"), QStringLiteral("FFFFFF"), QStringLiteral("000000")};
    for (int i = 0; i < couleurs.size(); ++i)
        b.location(c, b.benne(10, couleurs[i]), at(2026, 12, 8, 8 + i), std::nullopt,
                   QStringLiteral("%1 avenue Jean Jaurès").arg(i + 1), lea);
    Ecran e(b);
    RangeeChauffeur* r = e.vue->rangee(lea);
    QVERIFY(r && r->construite());
    const QList<PrestationCard*> cartes = r->colonne()->cartesPoses();
    QCOMPARE(cartes.size(), couleurs.size());
    fixtures::capture(e.vue.get(), QStringLiteral("planning-couleurs-bennes"));
    for (PrestationCard* carte : cartes) {
        const QImage image = carte->grab().toImage();
        // The label's and the badge's rounded corners show the card's fill: only their middles.
        const struct {
            const char* quoi;
            QRectF zone;
        } textes[] = {{"adresse", carte->rectangleAdresse()},
                      {"client", carte->rectangleClient().adjusted(3, 3, -3, -3)},
                      {"volume", carte->rectangleVolume().adjusted(2, 2, -2, -2)}};
        for (const auto& t : textes) {
            const ContrasteZone z = contrasteDans(image, t.zone);
            const QString detail = QStringLiteral("%1 on %2: %3 on %4, %5:1")
                                       .arg(QLatin1String(t.quoi), carte->couleurFond().name(), z.texte.name(),
                                            z.fond.name())
                                       .arg(z.rapport, 0, 'f', 2);
            QVERIFY2(z.rapport >= 4.5, qPrintable(detail));
        }
        // The address is drawn straight on the skip's colour.
        const ContrasteZone adresse = contrasteDans(image, carte->rectangleAdresse());
        QVERIFY2(forms::contrastRatio(adresse.fond, carte->couleurFond()) < 1.05, qPrintable(adresse.fond.name()));
    }
}

// A desktop set to dark colours, as KDE's Breeze Dark gives them.
QPalette paletteSombre()
{
    QPalette p;
    const QColor fenetre(0x31, 0x36, 0x3b), texte(0xef, 0xf0, 0xf1);
    for (const auto role : {QPalette::Window, QPalette::Button, QPalette::AlternateBase})
        p.setColor(role, fenetre);
    p.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        p.setColor(role, texte);
    p.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    p.setColor(QPalette::Light, QColor(0x4a, 0x50, 0x56));
    p.setColor(QPalette::Mid, QColor(0x25, 0x28, 0x2b));
    p.setColor(QPalette::Dark, QColor(0x1a, 0x1c, 0x1e));
    return p;
}

void TestVuePlanning::everyTextReadsUnderLightAndDarkPalettes()
{
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    b.chauffeur("Marc", "Petit");
    b.location(c, b.benne(10), at(2026, 12, 1), at(2026, 12, 8, 9), QStringLiteral("1 rue A"), nullptr, lea);
    b.location(c, b.benne(10), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("2 rue A"), lea);
    QVERIFY(b.context()->save());
    const QPalette claire = QApplication::palette();
    for (const bool sombre : {false, true}) {
        QApplication::setPalette(sombre ? paletteSombre() : claire);
        Ecran e(b.context());
        fixtures::settle();
        e.attendre();
        const QImage ecran = e.vue->grab().toImage();
        if (sombre)
            fixtures::capture(e.vue.get(), QStringLiteral("planning-sombre"));
        const auto zone = [&](QWidget* w, const QRect& r) { return QRectF(r.translated(w->mapTo(e.vue.get(), QPoint()))); };
        QList<QPair<QString, QRectF>> textes;
        for (PastilleJour* p : e.vue->dateSlider()->pastilles()) {
            // The day's name above, its date under it.
            const QRect tuile = p->rect().adjusted(20, 18, -20, -18);
            textes.append({p->label(), zone(p, tuile.adjusted(0, 0, 0, -tuile.height() / 2))});
            textes.append({p->date(), zone(p, tuile.adjusted(0, tuile.height() / 2, 0, 0))});
        }
        QPushButton* bouton = e.vue->boutonTransmettre();
        textes.append({bouton->text(), zone(bouton, bouton->rect().adjusted(8, 8, -8, -8))});
        for (QLabel* l : e.vue->findChildren<QLabel*>())
            if (l->isVisible() && !l->text().isEmpty())
                textes.append({l->text(), zone(l, l->contentsRect())});
        // « Déposer une prestation ici » under its tray, in Marc's empty column.
        QWidget* depot = e.vue->rangee(e.vue->chauffeurs().last())->colonne()->findChild<QWidget*>(QStringLiteral("zoneDepot"));
        QVERIFY(depot);
        textes.append({QStringLiteral("Déposer une prestation ici"),
                       zone(depot, QRect(depot->width() / 2 - 70, depot->height() / 2 + 8, 140, depot->height() / 2 - 14))});
        QVERIFY(textes.size() > 16);
        for (const auto& [quoi, ou] : std::as_const(textes)) {
            const ContrasteZone z = contrasteDans(ecran, ou);
            QVERIFY2(z.rapport >= 4.5, qPrintable(QStringLiteral("%1%2: %3 on %4, %5:1")
                                                      .arg(sombre ? QStringLiteral("dark: ") : QString(), quoi,
                                                           z.texte.name(), z.fond.name())
                                                      .arg(z.rapport, 0, 'f', 2)));
        }
    }
    QApplication::setPalette(claire);
}

void TestVuePlanning::anotherDayOnceIdleShowsWhatAFreshScreenShows()
{
    // Fifty drivers with work on two days: after choosing the other day, the rows around the view
    // are brought to it a few at a time; once idle, every built row shows what a screen opened on
    // that day shows, and a row's map is the one it had.
    fx::Bureau b;
    Client* c = b.client(QStringLiteral("Charpente Robert"));
    for (int i = 0; i < 50; ++i) {
        Chauffeur* ch = b.chauffeur(QStringLiteral("P%1").arg(i), QStringLiteral("N%1").arg(i));
        for (int k = 0; k < i % 4; ++k)
            b.location(c, b.benne(10), at(2026, 12, 8 + (i + k) % 2, 8 + k), std::nullopt,
                       QStringLiteral("%1 rue des Lilas").arg(k + 1), ch);
    }
    QVERIFY(b.context()->save());
    const auto ceQuiEstConstruit = [](const VuePlanningChauffeurs* vue) {
        QStringList out;
        for (const RangeeChauffeur* r : vue->rangees())
            if (r->construite())
                out << QStringLiteral("%1: %2 poses%3%4")
                           .arg(r->chauffeur()->prenom())
                           .arg(r->colonne()->cartesPoses().size())
                           .arg(r->colonne()->afficheVide() ? QStringLiteral(", vide") : QString())
                           .arg(r->carte() ? QStringLiteral(", plan") : QString());
        return out;
    };
    const auto auRepos = [] {
        for (int i = 0; i < 40; ++i)
            QCoreApplication::processEvents();
        fixtures::settle();
    };
    const auto ouvrir = [&](VuePlanningChauffeurs& vue) {
        vue.setTrace([](const QString&) {});
        vue.resize(1200, 760);
        vue.show();
        QVERIFY(QTest::qWaitForWindowExposed(&vue));
        auRepos();
    };
    VuePlanningChauffeurs vue(b.context(), nullptr, horloge());
    ouvrir(vue);
    QHash<const Chauffeur*, CartePrestationsChauffeur*> cartes;
    for (const RangeeChauffeur* r : vue.rangees())
        if (r->carte())
            cartes.insert(r->chauffeur(), r->carte());
    QVERIFY2(cartes.size() >= 2, qPrintable(ceQuiEstConstruit(&vue).join(QLatin1Char('\n'))));
    const QDateTime mercredi = at(2026, 12, 9);
    vue.setSelectedDate(mercredi);
    auRepos();
    const QStringList apres = ceQuiEstConstruit(&vue);
    // The same rows as a screen opened on Wednesday.
    VuePlanningChauffeurs fraiche(b.context(), nullptr, Horloge::fixe(at(2026, 12, 8, 10), fx::paris()));
    ouvrir(fraiche);
    QCOMPARE(fraiche.selectedDate(), mercredi);
    // Which rows lie around the view depends on the rows' heights: those built in both agree.
    const QStringList attendu = ceQuiEstConstruit(&fraiche);
    int communes = 0;
    for (const QString& ligne : apres) {
        const QString qui = ligne.section(QLatin1Char(':'), 0, 0) + QLatin1Char(':');
        const auto it = std::find_if(attendu.cbegin(), attendu.cend(), [&](const QString& l) { return l.startsWith(qui); });
        if (it == attendu.cend())
            continue;
        QCOMPARE(ligne, *it);
        ++communes;
    }
    QVERIFY2(communes >= 5, qPrintable(apres.join(QLatin1Char('\n'))));
    // Back to Tuesday: the maps of the rows still built are those they had.
    vue.setSelectedDate(at(2026, 12, 8));
    auRepos();
    int memes = 0;
    for (const RangeeChauffeur* r : vue.rangees())
        if (r->carte() && cartes.value(r->chauffeur()) == r->carte())
            ++memes;
    QVERIFY(memes > 0);
}

// Léa's day tomorrow: a placement at a known place, another at an address without coordinates.
Chauffeur* journeeDeLea(fx::Bureau& b)
{
    Client* c = b.client(QStringLiteral("Transports Morel"));
    Chauffeur* lea = b.chauffeur("Léa", "Garnier");
    b.location(c, b.benne(8), at(2026, 12, 8, 9), std::nullopt, QStringLiteral("4 rue des Lilas, Lyon"), lea, nullptr, 45.76, 4.83);
    b.location(c, b.benne(10), at(2026, 12, 8, 11), std::nullopt, QStringLiteral("Sans coordonnées"), lea);
    return lea;
}

void TestVuePlanning::tabFromTheLastMapGoesOnOutOfTheScreen()
{
    // Tab from the last map goes on to the stops beside the screen in its window (the sidebar).
    fx::Bureau b;
    Chauffeur* lea = journeeDeLea(b);
    Ecran e(b);
    QWidget fenetre;
    auto* avant = new QLineEdit(&fenetre);
    e.vue->setParent(&fenetre);
    const auto rendre = qScopeGuard([&] { e.vue->setParent(nullptr); });
    e.vue->setGeometry(200, 0, 1200, 760);
    fenetre.resize(1400, 760);
    fenetre.show();
    QVERIFY(QTest::qWaitForWindowActive(&fenetre));
    e.attendre();
    QWidget* carte = e.vue->rangee(lea)->carte()->carte();
    carte->setFocus(Qt::TabFocusReason);
    QTest::keyClick(carte, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), avant);
}

void TestVuePlanning::aScreenReaderReadsDriversCardsMapsAndDays()
{
    fx::Bureau b;
    Chauffeur* lea = journeeDeLea(b);
    Ecran e(b);
    const auto nom = [](QObject* o) {
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(o);
        return i ? i->text(QAccessible::Name) : QString();
    };
    RangeeChauffeur* r = e.vue->rangee(lea);
    QCOMPARE(nom(r->carteChauffeur()), QStringLiteral("Léa Garnier"));
    // The drivers' names and the group of work to give out are in the tree a reader walks.
    QStringList arbre;
    const std::function<void(QAccessibleInterface*)> parcourir = [&](QAccessibleInterface* i) {
        arbre << i->text(QAccessible::Name);
        for (int k = 0; k < i->childCount(); ++k)
            parcourir(i->child(k));
    };
    parcourir(QAccessible::queryAccessibleInterface(e.vue.get()));
    QVERIFY(arbre.contains(QStringLiteral("Léa Garnier")));
    QVERIFY(arbre.contains(QStringLiteral("À attribuer\u00A0: aucune prestation")));
    // Each card names its job, its client, its skip's volume and its address.
    QCOMPARE(nom(r->colonne()->cartesPoses().first()),
             QStringLiteral("Pose, Transports Morel, 8 m³, 4 rue des Lilas, Lyon, ligne de Léa Garnier"));
    // Cards, drivers and empty columns are items a reader stops on.
    for (QWidget* item : e.vue->findChildren<QWidget*>(QStringLiteral("zoneDepot"))
                             + QList<QWidget*>{r->colonne()->cartesPoses().first(), r->carteChauffeur()})
        QCOMPARE(QAccessible::queryAccessibleInterface(item)->role(), QAccessible::ListItem);
    // The map says whose day it shows, what it marks and what it cannot.
    QVERIFY(r->carte());
    QCOMPARE(nom(r->carte()), QStringLiteral("Carte du jour de Léa Garnier\u00A0: 1 pose. 1 lieu sans coordonnées n’est pas sur la carte."));
    QCOMPARE(nom(r->carte()->carte()), nom(r->carte()));
    // The days read as they show; the chosen one, and only it, is checked, by mouse as by keys.
    const QList<PastilleJour*> pastilles = e.vue->dateSlider()->pastilles();
    QCOMPARE(nom(pastilles[1]), QStringLiteral("Demain ") + DateSlider::texteDate(QDate(2026, 12, 8)));
    const auto coches = [&] {
        QList<int> out;
        for (int i = 0; i < pastilles.size(); ++i)
            if (QAccessible::queryAccessibleInterface(pastilles[i])->state().checked)
                out << i;
        return out;
    };
    QCOMPARE(coches(), QList<int>{1});
    for (int clic = 0; clic < 2; ++clic) {
        QTest::mouseClick(pastilles[3], Qt::LeftButton, {}, pastilles[3]->tileRect().center().toPoint());
        QCOMPARE(coches(), QList<int>{3});
    }
}

void TestVuePlanning::onANarrowDayTheMapGoesUnderTheColumnAndShiftWheelScrollsSideways()
{
    fx::Bureau b;
    Chauffeur* lea = journeeDeLea(b);
    Ecran e(b);
    QWidget* vp = e.vue->zoneDefilement()->viewport();
    // The room the screen has at 1.5 on a 1366 × 768 desktop: the map and its note whole in the
    // day's width, under the column; wide, beside it.
    for (const int largeur : {700, 1200}) {
        e.taille(largeur, 500);
        CartePrestationsChauffeur* plan = e.vue->rangee(lea)->carte();
        QVERIFY(plan);
        const QRect r = dansLaVue(plan, vp);
        QVERIFY2(r.left() >= 0 && r.right() < vp->width(), qPrintable(QStringLiteral("%1: %2 > %3").arg(largeur).arg(r.right()).arg(vp->width())));
        QCOMPARE(e.vue->zoneDefilement()->horizontalScrollBar()->maximum(), 0);
        auto* note = plan->findChild<QLabel*>(QStringLiteral("noteSansCoordonnees"));
        QVERIFY(note && note->isVisible());
        QVERIFY(note->heightForWidth(note->width()) <= note->height());
        QVERIFY(plan->rect().contains(QRect(note->pos(), note->size())));
        const QRect colonne = dansLaVue(e.vue->rangee(lea)->colonne(), vp);
        QCOMPARE(r.top() > colonne.bottom(), largeur == 700);
    }
    // Narrower still, the day scrolls sideways: Shift with the wheel moves it across, not down.
    e.taille(536, 400);
    QScrollBar* cote = e.vue->zoneDefilement()->horizontalScrollBar();
    QScrollBar* bas = e.vue->zoneDefilement()->verticalScrollBar();
    QVERIFY(cote->maximum() > 0);
    bas->setValue(0);
    // (A turn sent by hand stays where it is sent: the window system's go on to the view.)
    const QPointF ou = dansLaVue(e.vue->rangee(lea)->colonne(), vp).center();
    QWheelEvent molette(ou, vp->mapToGlobal(ou), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::ShiftModifier,
                        Qt::NoScrollPhase, false);
    QApplication::sendEvent(vp, &molette);
    QVERIFY(cote->value() > 0);
    QCOMPARE(bas->value(), 0);
}
