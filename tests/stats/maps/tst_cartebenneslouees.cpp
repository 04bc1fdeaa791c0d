#include "tst_cartebenneslouees.h"

#include "office.h"

#include "app/contentview.h"
#include "stats/cartebenneslouees.h"
#include "stats/relocalisationlocations.h"
#include "platform/adresseservice.h"
#include "rentals/fauxservice.h"
#include "widgets/pickersegmentedcustom.h"
#include "widgets/dateentry.h"
#include "widgets/plaintext.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QListWidget>
#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <cmath>
#include <limits>

using namespace kv;

namespace {

using F = CarteBennesFiltre;

// Tuesday 10 March 2026, 12:00 in Paris.
const QDateTime kMaintenant(QDate(2026, 3, 10), QTime(12, 0), QTimeZone("Europe/Paris"));

QList<LocationDeBenne*> filtrer(const MapOffice& o, F filtre, QDate du = {}, QDate au = {})
{
    if (!du.isValid())
        du = QDate(2025, 3, 10);
    if (!au.isValid())
        au = QDate(2026, 3, 10);
    return CarteBennesLouees::locationsFiltrees(o.ctx->all<LocationDeBenne>(), filtre, du, au, kMaintenant,
                                                o.paris);
}

bool near(double a, double b) { return std::abs(a - b) < 1e-9; }

// The map over every rental of the office, "now" fixed; the query it shows outlives it.
struct Requete {
    Query<LocationDeBenne> locations;
};
struct Carte : Requete, CarteBennesLouees {
    explicit Carte(const MapOffice& o)
        : Requete{Query<LocationDeBenne>(o.ctx.get())},
          CarteBennesLouees(&locations, Observable<bool>(), nullptr, Horloge::fixe(kMaintenant, o.paris))
    {
    }
    // Shown as a window of that size, once the window system has drawn it.
    void ouvrir(QSize taille = QSize(1200, 760))
    {
        resize(taille);
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
    }
};

} // namespace

void CarteBennesLoueesTest::placementAtNineUnderThreeFilters()
{
    MapOffice o;
    LocationDeBenne* l = o.louer(o.le(2026, 3, 10, 9, 0));
    QCOMPARE(filtrer(o, F::posesAujourdhui), QList<LocationDeBenne*>{l});
    QCOMPARE(filtrer(o, F::enCoursEtFutures), QList<LocationDeBenne*>{l});
    QVERIFY(filtrer(o, F::enCours).isEmpty()); // placed after today's midnight
    QVERIFY(filtrer(o, F::enlevementsAujourdhui).isEmpty());
    QCOMPARE(filtrer(o, F::parPeriode), QList<LocationDeBenne*>{l});
    // A placement planned for tomorrow is only among the planned ones.
    LocationDeBenne* demain = o.louer(o.le(2026, 3, 11, 0, 0));
    QCOMPARE(filtrer(o, F::enCoursEtFutures), (QList<LocationDeBenne*>{l, demain}));
    QCOMPARE(filtrer(o, F::posesAujourdhui), QList<LocationDeBenne*>{l});
}

void CarteBennesLoueesTest::removalsAtMidnight()
{
    MapOffice o;
    LocationDeBenne* minuit = o.louer(o.le(2026, 3, 1), o.le(2026, 3, 10, 0, 0));
    LocationDeBenne* demain = o.louer(o.le(2026, 3, 1), o.le(2026, 3, 11, 0, 0));
    LocationDeBenne* sansFin = o.louer(o.le(2026, 3, 10, 0, 0));
    QCOMPARE(filtrer(o, F::enCours), (QList<LocationDeBenne*>{demain, sansFin}));
    QCOMPARE(filtrer(o, F::enlevementsAujourdhui), QList<LocationDeBenne*>{minuit});
    QCOMPARE(filtrer(o, F::posesAujourdhui), QList<LocationDeBenne*>{sansFin});
    // Today and tomorrow are the calendar's: from 00:00 Paris time, whatever the process zone.
    const DayWindow jour = CarteBennesLouees::aujourdhui(kMaintenant, o.paris);
    QCOMPARE(jour.debut, o.le(2026, 3, 10).toMSecsSinceEpoch());
    QCOMPARE(jour.fin, o.le(2026, 3, 11).toMSecsSinceEpoch());
    const DayWindow newYork = CarteBennesLouees::aujourdhui(kMaintenant, QTimeZone("America/New_York"));
    QCOMPARE(newYork.debut, QDateTime(QDate(2026, 3, 10), QTime(0, 0), QTimeZone("America/New_York"))
                                       .toMSecsSinceEpoch());
}

void CarteBennesLoueesTest::rotations()
{
    const QString adresse = QStringLiteral("12 quai des Chartrons");
    auto rotations = [](const MapOffice& o) { return filtrer(o, F::rotationsAujourdhui); };
    {
        // The placement comes first in the list; the removal is still listed first.
        MapOffice o;
        LocationDeBenne* pose = o.louer(o.le(2026, 3, 10, 8, 0), std::nullopt, 45.0, -1.0, adresse);
        LocationDeBenne* enleve = o.louer(o.le(2026, 3, 2), o.le(2026, 3, 10, 7, 30), 45.0, -1.0, adresse);
        QCOMPARE(rotations(o), (QList<LocationDeBenne*>{enleve, pose}));
    }
    for (const QString& autre : {adresse + QLatin1Char(' '), adresse.toUpper()}) {
        MapOffice o;
        o.louer(o.le(2026, 3, 2), o.le(2026, 3, 10, 7, 30), 45.0, -1.0, adresse);
        o.louer(o.le(2026, 3, 10, 8, 0), std::nullopt, 45.0, -1.0, autre);
        QVERIFY2(rotations(o).isEmpty(), qPrintable(autre));
    }
    {
        MapOffice o; // another client at the same address
        o.louer(o.le(2026, 3, 2), o.le(2026, 3, 10, 7, 30), 45.0, -1.0, adresse);
        o.louer(o.le(2026, 3, 10, 8, 0), std::nullopt, 45.0, -1.0, adresse, o.autreClient);
        QVERIFY(rotations(o).isEmpty());
    }
    {
        MapOffice o; // both without an address; an absent address never matches a present one
        LocationDeBenne* enleve = o.louer(o.le(2026, 3, 2), o.le(2026, 3, 10, 7, 30), 45.0, -1.0, std::nullopt);
        LocationDeBenne* pose = o.louer(o.le(2026, 3, 10, 8, 0), std::nullopt, 45.0, -1.0, std::nullopt);
        o.louer(o.le(2026, 3, 10, 9, 0), std::nullopt, 45.0, -1.0, QString());
        QCOMPARE(rotations(o), (QList<LocationDeBenne*>{enleve, pose}));
    }
    {
        MapOffice o; // placed and removed today, alone: listed once
        LocationDeBenne* seule = o.louer(o.le(2026, 3, 10, 7, 0), o.le(2026, 3, 10, 15, 0));
        QCOMPARE(rotations(o), QList<LocationDeBenne*>{seule});
    }
    {
        // One placement matching two removals is listed once; only the first placement matches;
        // composed and decomposed spellings of one address are equal.
        MapOffice o;
        const QString compose = QStringLiteral("3 allée de l’Été");
        const QString decompose = compose.normalized(QString::NormalizationForm_D);
        QVERIFY(compose != decompose);
        LocationDeBenne* e1 = o.louer(o.le(2026, 3, 1), o.le(2026, 3, 10, 6, 0), 45.0, -1.0, compose);
        LocationDeBenne* e2 = o.louer(o.le(2026, 3, 2), o.le(2026, 3, 10, 6, 30), 45.0, -1.0, decompose);
        LocationDeBenne* p1 = o.louer(o.le(2026, 3, 10, 8, 0), std::nullopt, 45.0, -1.0, decompose);
        o.louer(o.le(2026, 3, 10, 9, 0), std::nullopt, 45.0, -1.0, compose);
        QCOMPARE(rotations(o), (QList<LocationDeBenne*>{e1, p1, e2}));
    }
    {
        MapOffice o; // yesterday's removal is no rotation of today
        o.louer(o.le(2026, 3, 1), o.le(2026, 3, 9, 23, 59), 45.0, -1.0, adresse);
        o.louer(o.le(2026, 3, 10, 8, 0), std::nullopt, 45.0, -1.0, adresse);
        QVERIFY(rotations(o).isEmpty());
    }
}

void CarteBennesLoueesTest::rotationsOfOneDayAcrossAClockChange()
{
    // Sunday 29 March 2026 lasts 23 hours in Paris: 23:30 that evening is still that day.
    MapOffice o;
    const QDateTime dimanche = o.le(2026, 3, 29, 10, 0);
    LocationDeBenne* enleve = o.louer(o.le(2026, 3, 20), o.le(2026, 3, 29, 23, 30));
    LocationDeBenne* pose = o.louer(o.le(2026, 3, 29, 1, 0));
    o.louer(o.le(2026, 3, 30, 0, 0)); // Monday
    const auto liste = CarteBennesLouees::locationsFiltrees(o.ctx->all<LocationDeBenne>(), F::rotationsAujourdhui,
                                                            {}, {}, dimanche, o.paris);
    QCOMPARE(liste, (QList<LocationDeBenne*>{enleve, pose}));
}

void CarteBennesLoueesTest::periodCountsWholeDays()
{
    MapOffice o;
    // Default pickers: from the day one year ago to today, kept at 12:00 by the old rule.
    LocationDeBenne* ceSoir = o.louer(o.le(2026, 3, 10, 23, 30));
    LocationDeBenne* enleveLeMatinDuDebut = o.louer(o.le(2025, 2, 1), o.le(2025, 3, 10, 8, 0));
    LocationDeBenne* enleveLaVeille = o.louer(o.le(2025, 2, 1), o.le(2025, 3, 9, 23, 59));
    LocationDeBenne* poseLeLendemain = o.louer(o.le(2026, 3, 11, 0, 0));
    LocationDeBenne* enCours = o.louer(o.le(2024, 1, 1));
    const auto liste = filtrer(o, F::parPeriode);
    QVERIFY(liste.contains(ceSoir));
    QVERIFY(liste.contains(enleveLeMatinDuDebut));
    QVERIFY(liste.contains(enCours));
    QVERIFY(!liste.contains(enleveLaVeille));
    QVERIFY(!liste.contains(poseLeLendemain));
    // A start after the end applies the rule unchanged.
    const auto inverse = filtrer(o, F::parPeriode, QDate(2026, 3, 10), QDate(2025, 3, 10));
    QCOMPARE(inverse, QList<LocationDeBenne*>{enCours});
}

void CarteBennesLoueesTest::markersNeedAValidCoordinate()
{
    MapOffice o;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    LocationDeBenne* bonne = o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -1.0);
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, std::nullopt); // a latitude without longitude
    o.louer(o.le(2026, 3, 1), std::nullopt, nan, -1.0);
    o.louer(o.le(2026, 3, 1), std::nullopt, 91.0, -1.0);
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -180.5);
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, std::numeric_limits<double>::infinity());
    LocationDeBenne* limite = o.louer(o.le(2026, 3, 1), std::nullopt, -90.0, 180.0);
    const auto filtrees = filtrer(o, F::enCours);
    QCOMPARE(filtrees.size(), 7); // the filter counts them all
    const auto reperes = CarteBennesLouees::reperes(filtrees);
    QCOMPARE(reperes.size(), 2);
    QCOMPARE(reperes[0].id, bonne->id());
    QCOMPARE(reperes[0].titre, QStringLiteral("Dupont BTP"));
    QCOMPARE(reperes[0].sousTitre, std::optional<QString>(QStringLiteral("1 rue du Port")));
    QCOMPARE(reperes[0].couleurHex, QStringLiteral("FF0000"));
    QCOMPARE(reperes[1].id, limite->id());
}

void CarteBennesLoueesTest::regionFramesTheMarkers()
{
    auto repere = [](double lat, double lon) { return RepereLocationBenne{QUuid::createUuid(), {lat, lon}, {}, {}, {}}; };
    const auto deux = CarteBennesLouees::ajusterRegion({repere(45.0, -1.0), repere(45.2, -0.5)});
    QVERIFY(deux);
    QVERIFY(near(deux->centreLatitude, 45.1));
    QVERIFY(near(deux->centreLongitude, -0.75));
    QVERIFY(near(deux->latitudeSpan, 0.25));
    QVERIFY(near(deux->longitudeSpan, 0.61));
    const auto une = CarteBennesLouees::ajusterRegion({repere(44.0, 2.0), repere(44.0, 2.0)});
    QCOMPARE(*une, (MapRegion{44.0, 2.0, 0.01, 0.01}));
    QVERIFY(!CarteBennesLouees::ajusterRegion({}));
    // Markers at the ends of the world: at most 180° by 360°, and a region the map takes.
    const auto monde = CarteBennesLouees::ajusterRegion({repere(-90, -180), repere(90, 180)});
    QCOMPARE(*monde, (MapRegion{0, 0, 180, 360}));
    QVERIFY(monde->isValid());
}

void CarteBennesLoueesTest::screenShowsEmptyTextAndKeepsItsRegion()
{
    MapOffice o;
    o.louer(o.le(2026, 3, 1), std::nullopt, std::nullopt, std::nullopt); // on site, no coordinate
    Carte carte(o);
    carte.ouvrir();
    QVERIFY(!carte.carteVisible());
    QVERIFY(carte.texteVide()->isVisible());
    QCOMPARE(carte.texteVide()->text(), QStringLiteral("Aucun repère à afficher : la location de ce filtre n’a pas de coordonnées."));
    QCOMPARE(carte.ligneSansCoordonnees()->text(), QStringLiteral("1 location sans coordonnées n’apparaît pas sur la carte."));
    // A filter without rentals counts none of the other filters' rentals.
    carte.setFiltre(F::posesAujourdhui);
    QCOMPARE(carte.texteVide()->text(), QStringLiteral("Aucun repère à afficher pour ce filtre."));
    QVERIFY(carte.ligneSansCoordonnees()->isHidden());
    carte.setFiltre(F::enCours);
    QCOMPARE(carte.region(), (MapRegion{44.8378, -0.5792, 0.1, 0.1}));
    carte.zoomerSurToutesLesBennes();
    QCOMPARE(carte.region(), (MapRegion{44.8378, -0.5792, 0.1, 0.1}));
    // It fits the smallest window's detail area (536 × 400), its filter row in view.
    QVERIFY(carte.minimumSizeHint().width() <= 536 && carte.minimumSizeHint().height() <= 400);
}

void CarteBennesLoueesTest::screenFollowsTheStoreAndTheFilter()
{
    MapOffice o;
    Carte carte(o);
    carte.ouvrir();
    QCOMPARE(carte.filtre(), F::enCours);
    QVERIFY(!carte.carteVisible());
    QCOMPARE(carte.texteVide()->text(), QStringLiteral("Aucun repère à afficher pour ce filtre."));

    // A rental added while the map is shown appears, and the map frames it.
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -1.0);
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.2, -0.5, QStringLiteral("2 rue Haute"), o.autreClient);
    QTRY_VERIFY(carte.carteVisible());
    QCOMPARE(carte.reperesAffiches().size(), 2);
    QVERIFY(near(carte.region().centreLatitude, 45.1));
    QVERIFY(near(carte.region().longitudeSpan, 0.61));
    QVERIFY(near(carte.carte()->centre().longitude, -0.75));
    QCOMPARE(carte.carte()->markersInView().size(), 2);

    // Picking "Poses d'aujourd'hui" by a click: nothing placed today.
    QAbstractButton* poses = nullptr;
    for (FiltreSegment* s : carte.picker()->segments())
        if (s->filtre() == F::posesAujourdhui)
            poses = s;
    QVERIFY(poses);
    QTest::mouseClick(poses, Qt::LeftButton);
    QCOMPARE(carte.filtre(), F::posesAujourdhui);
    QVERIFY(!carte.carteVisible());
    QVERIFY(!carte.findChild<QWidget*>(QStringLiteral("rangeePeriode"))->isVisible());
    // A screen reader hears the chosen filter as the one checked segment, also after a click
    // on the chosen one and a filter chosen by the program.
    const auto coches = [&carte] {
        QList<F> l;
        for (FiltreSegment* s : carte.picker()->segments())
            if (const QAccessible::State etat = QAccessible::queryAccessibleInterface(s)->state(); etat.checkable && etat.checked)
                l.append(s->filtre());
        return l;
    };
    QCOMPARE(coches(), QList<F>{F::posesAujourdhui});
    QTest::mouseClick(poses, Qt::LeftButton);
    QCOMPARE(coches(), QList<F>{F::posesAujourdhui});
    carte.setFiltre(F::enCoursEtFutures);
    QCOMPARE(coches(), QList<F>{F::enCoursEtFutures});

    // The period filter shows its two dates; moving them filters again.
    carte.setFiltre(F::parPeriode);
    QVERIFY(carte.findChild<QWidget*>(QStringLiteral("rangeePeriode"))->isVisible());
    QCOMPARE(carte.periodeDebut(), QDate(2025, 3, 10));
    QCOMPARE(carte.periodeFin(), QDate(2026, 3, 10));
    QVERIFY(carte.carteVisible());
    carte.setPeriode(QDate(2024, 1, 1), QDate(2024, 12, 31));
    QVERIFY(!carte.carteVisible());
    // A start after the end is refused beside the fields until corrected.
    carte.setPeriode(QDate(2025, 1, 1), QDate(2024, 12, 31));
    QVERIFY(carte.erreurPeriode()->isVisible());
    QCOMPARE(carte.erreurPeriode()->text(), QStringLiteral("La date de début est après la date de fin."));
    carte.setPeriode(QDate(2024, 1, 1), QDate(2024, 12, 31));
    QVERIFY(!carte.erreurPeriode()->isVisible());
    // An impossible date typed leaves the field's former date: that period is not shown.
    carte.setPeriode(QDate(2025, 3, 10), QDate(2026, 3, 10));
    QTRY_VERIFY(carte.carteVisible());
    installDateEntry(qApp);
    carte.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&carte));
    auto* du = carte.findChildren<QDateEdit*>().constFirst();
    du->setFocus();
    du->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(du, QStringLiteral("31022025"));
    QTest::keyClick(du, Qt::Key_Tab);
    removeDateEntry(qApp);
    QTRY_VERIFY(carte.erreurPeriode()->isVisible());
    // Said once, in the period's own line.
    QVERIFY(!carte.findChild<QLabel*>(QStringLiteral("dateRefusee")));
    QVERIFY(carte.erreurPeriode()->text().contains(QStringLiteral("n'est pas valide")));
    QVERIFY(!carte.carteVisible());
    carte.setPeriode(QDate(2024, 1, 1), QDate(2024, 12, 31));

    // A renamed client shows its new name; a moved rental moves the framing.
    carte.setFiltre(F::enCours);
    QVERIFY(carte.carteVisible());
    o.client->setNom(QStringLiteral("Dupont et Fils"));
    QTRY_COMPARE(carte.reperesAffiches().constFirst().titre, QStringLiteral("Dupont et Fils"));
    o.ctx->all<LocationDeBenne>().constFirst()->setLatitude(44.8);
    QTRY_VERIFY(near(carte.region().centreLatitude, 45.0));
    o.ctx->all<LocationDeBenne>().constFirst()->setLatitude(45.0);
    QTRY_VERIFY(near(carte.region().centreLatitude, 45.1));
    QVERIFY(o.ctx->remove(o.autreClient));
    QTRY_COMPARE(carte.reperesAffiches().size(), 1);
    QVERIFY(near(carte.region().centreLatitude, 45.0));
    QCOMPARE(carte.region().latitudeSpan, 0.01);
}

void CarteBennesLoueesTest::screenPaintsMarkersInTheSkipColour()
{
    MapOffice o;
    auto* bleue = new Benne(8, QStringLiteral("pas une couleur"), EtatBenne::correct, QString(), nullptr);
    o.ctx->insert(bleue);
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -1.0);
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -0.9, QStringLiteral("ailleurs"), o.autreClient, bleue);
    Carte carte(o);
    carte.ouvrir();
    MapWidget* map = carte.carte();
    const QImage image = map->grab().toImage();
    // In points, whatever the scale.
    const qreal dpr = image.devicePixelRatio();
    auto pixel = [dpr](const QImage& i, const QPoint& at) { return i.pixelColor((QPointF(at) * dpr).toPoint()); };
    // The disc sits above the coordinate: the disc and its name card together are centred on it.
    auto colourNear = [&](const GeoPoint& p, const QColor& wanted) {
        const QPointF at = map->pointForCoordinate(p);
        for (int dy = -40; dy <= 0; ++dy) {
            const QColor c = pixel(image, QPoint(int(at.x()) + 8, int(at.y()) + dy));
            if (std::abs(c.red() - wanted.red()) < 8 && std::abs(c.green() - wanted.green()) < 8
                && std::abs(c.blue() - wanted.blue()) < 8)
                return true;
        }
        return false;
    };
    QVERIFY(colourNear({45.0, -1.0}, QColor(255, 0, 0)));
    QVERIFY(colourNear({45.0, -0.9}, QColor(0, 122, 255))); // not a colour: blue
    QCOMPARE(pixel(image, QPoint(3, 3)), MapWidget::backgroundColor()); // no tiles in tests
    // The name card, just under the coordinate, takes the window's colour, also after a change.
    const QPointF at = map->pointForCoordinate({45.0, -1.0});
    const QPoint inCard(int(at.x()), int(at.y()) + 4);
    QCOMPARE(pixel(image, inCard), carte.palette().color(QPalette::Window));
    QPalette sombre = carte.palette();
    sombre.setColor(QPalette::Window, QColor(30, 30, 30));
    sombre.setColor(QPalette::WindowText, Qt::white);
    carte.setPalette(sombre);
    QCOMPARE(pixel(map->grab().toImage(), inCard), QColor(30, 30, 30));
}

void CarteBennesLoueesTest::toolbarZoomsBackOnTheMarkers()
{
    MapOffice o;
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -1.0);
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.2, -0.5);
    ContentView window(o.ctx.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.zoomBennesButton()->isVisible());
    window.setSelection(Commande::cartebenneslouees);
    auto* carte = qobject_cast<CarteBennesLouees*>(window.detailScreen());
    QVERIFY(carte);
    QVERIFY(window.zoomBennesButton()->isVisible());
    QVERIFY(!window.recentrerButton()->isVisible());
    QCOMPARE(window.zoomBennesButton()->text(), QStringLiteral("Zoom sur toutes les bennes"));

    MapWidget* map = carte->carte();
    const double fitted = map->zoom();
    const GeoPoint centre = map->centre();
    // The user moves away with the keyboard, then asks for every skip again.
    map->setFocus();
    QTest::keyClick(map, Qt::Key_Plus);
    QTest::keyClick(map, Qt::Key_Left);
    QVERIFY(map->zoom() != fitted);
    auto* button = qobject_cast<QToolButton*>(window.toolbar()->widgetForAction(window.zoomBennesButton()));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(map->zoom(), fitted);
    QVERIFY(near(map->centre().latitude, centre.latitude));
    QVERIFY(near(map->centre().longitude, centre.longitude));
    QCOMPARE(window.inputs().demanderZoomSurToutesLesBennes.get(), false);

    window.setSelection(Commande::clients);
    QVERIFY(!window.zoomBennesButton()->isVisible());
}

// Several clients' skips on one site show as one marker, the last rental's; a site a little
// farther off keeps its own, and zoomed in close the two sites part.
void CarteBennesLoueesTest::markersOnOneSpotShowAsOne()
{
    MapOffice o;
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -1.0);
    o.louer(o.le(2026, 3, 2), std::nullopt, 45.0, -1.0, QStringLiteral("1 rue du Port"), o.autreClient);
    o.louer(o.le(2026, 3, 3), std::nullopt, 45.0, -1.0, QStringLiteral("1 rue du Port"),
            o.nouveauClient(QStringLiteral("Démolition Simon")));
    o.louer(o.le(2026, 3, 3), std::nullopt, 45.2, -0.5, QStringLiteral("ailleurs"));
    o.louer(o.le(2026, 3, 4), std::nullopt, 45.20001, -0.5, QStringLiteral("à côté"), o.autreClient);
    Carte carte(o);
    carte.ouvrir();
    QCOMPARE(carte.reperesAffiches().size(), 5);
    MapWidget* map = carte.carte();
    QCOMPARE(map->markersInView(), (QList<int>{2, 4}));
    map->setRegion({45.20001, -0.5, 0.0002, 0.0002});
    QCOMPARE(map->markersInView(), (QList<int>{3, 4}));
}

// Hundreds of clients crowded on a town: the name cards drawn never overlap, every marker keeps
// its disc, and zoomed in the names come back; the markers are those of the rentals, unchanged.
void CarteBennesLoueesTest::crowdedNamesNeverOverlap()
{
    MapOffice o;
    for (int i = 0; i < 300; ++i)
        o.louer(o.le(2026, 3, 1), std::nullopt, 44.80 + (i % 20) * 0.004, -0.60 + (i / 20) * 0.005,
                QStringLiteral("%1 rue du Port").arg(i),
                o.nouveauClient(QStringLiteral("Client <b>%1</b> Rénovation / Démolition").arg(i)));
    Carte carte(o);
    for (const QSize taille : {QSize(240, 200), QSize(1200, 760)}) {
        carte.ouvrir(taille);
        QCOMPARE(carte.reperesAffiches().size(), 300);
        MapWidget* map = carte.carte();
        QCOMPARE(map->markerCount(), 300);
        QTRY_VERIFY(map->width() > 0);
        const QList<QRectF> noms = map->labelsInView();
        QVERIFY(!noms.isEmpty());
        QVERIFY2(noms.size() < map->markersInView().size(), qPrintable(QString::number(noms.size())));
        for (qsizetype i = 0; i < noms.size(); ++i)
            for (qsizetype j = i + 1; j < noms.size(); ++j)
                QVERIFY(!noms[i].intersects(noms[j]));
        // The line under the map stands clear of it.
        const QRect zone(map->mapTo(&carte, QPoint(0, 0)), map->size());
        if (carte.ligneSansCoordonnees()->isVisible())
            QVERIFY(!zone.intersects(carte.ligneSansCoordonnees()->geometry()));
    }
    MapWidget* map = carte.carte();
    map->setRegion({44.80, -0.60, 0.004, 0.004});
    const QList<int> vus = map->markersInView();
    QVERIFY(!vus.isEmpty());
    for (int i : vus)
        QVERIFY(map->markerLabelShown(i));
    QCOMPARE(map->labelsInView().size(), vus.size());
}

// Hidden, the screen lets go of its markers; shown again, it has them back and frames them.
void CarteBennesLoueesTest::hiddenScreenKeepsNoMarkers()
{
    MapOffice o;
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -1.0);
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.2, -0.5, QStringLiteral("2 rue Haute"), o.autreClient);
    Carte carte(o);
    carte.ouvrir();
    QCOMPARE(carte.carte()->markerCount(), 2);
    carte.carte()->panBy({200, 0});
    carte.hide();
    QCOMPARE(carte.reperesAffiches().size(), 0);
    QCOMPARE(carte.carte()->markerCount(), 0);
    // A rental added meanwhile is there when the screen shows again.
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.4, -0.5, QStringLiteral("3 rue Basse"));
    QCoreApplication::processEvents();
    QCOMPARE(carte.carte()->markerCount(), 0);
    carte.show();
    QVERIFY(QTest::qWaitForWindowExposed(&carte));
    QTRY_COMPARE(carte.reperesAffiches().size(), 3);
    QCOMPARE(carte.carte()->markerCount(), 3);
    QVERIFY(near(carte.region().centreLatitude, 45.2));
    QVERIFY(near(carte.carte()->centre().longitude, carte.region().centreLongitude));
}

// A client's name of 300 characters stays on a card of its own size, cut with "…": a marker
// beside it is not hidden, and resting the mouse on the marker shows the whole name as typed.
void CarteBennesLoueesTest::longNamesAreCutOnTheirCard()
{
    MapOffice o;
    QString nom = QStringLiteral("Établissements <b>Dubois</b> / Démolition ");
    while (nom.size() < 300)
        nom += QStringLiteral("Bâtiment élevé ");
    nom.truncate(300);
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -1.0, QStringLiteral("1 rue du Port"), o.nouveauClient(nom));
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -0.9, QStringLiteral("2 rue du Port"), o.autreClient);
    Carte carte(o);
    carte.ouvrir();
    MapWidget* map = carte.carte();
    QCOMPARE(map->markersInView(), (QList<int>{0, 1}));
    const QPointF longue = map->pointForCoordinate({45.0, -1.0});
    const QPointF courte = map->pointForCoordinate({45.0, -0.9});
    QVERIFY2(courte.x() - longue.x() > 250, "the two markers lie far enough apart");

    // The card under the long name ends well before the other marker: past its width, the map's
    // background shows on the card's line.
    const QImage image = map->grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    auto pixel = [&](const QPointF& at) { return image.pixelColor((at * dpr).toPoint()); };
    const QColor fond = carte.palette().color(QPalette::Window);
    QCOMPARE(pixel(longue + QPointF(0, 6)), fond);
    QCOMPARE(pixel(longue + QPointF(-120, 6)), MapWidget::backgroundColor());
    QCOMPARE(pixel(longue + QPointF(120, 6)), MapWidget::backgroundColor());
    QCOMPARE(map->markerAt(longue + QPointF(0, 6)), 0);
    QCOMPARE(map->markerAt(longue + QPointF(120, 6)), -1);
    QCOMPARE(map->markerAt(courte), 1);

    // The whole name in the tool tip of the marker, and none beside the markers.
    auto toolTipAt = [&](const QPointF& at) {
        QHelpEvent help(QEvent::ToolTip, at.toPoint(), map->mapToGlobal(at.toPoint()));
        QApplication::sendEvent(map, &help);
        return QToolTip::isVisible() ? shownToolTip(QToolTip::text()) : QString();
    };
    QCOMPARE(toolTipAt(longue), nom);
    QCOMPARE(toolTipAt(courte + QPointF(0, 6)), QStringLiteral("Martin TP"));
    toolTipAt(longue + QPointF(150, 120));
    QTRY_VERIFY(!QToolTip::isVisible());
}

// Rentals saved without coordinates: the map says how many of those it would show are missing,
// and those with an address are located again when it opens, a few at a time, and saved; an
// address the service does not know is not asked again, and a failed save is said.
void CarteBennesLoueesTest::rentalsWithoutCoordinatesAreCountedAndLocatedAgain()
{
    MapOffice o;
    FauxGeocodage faux;
    const QString connue = QStringLiteral("12 rue des Écoles/Bât <b>B</b> & C");
    faux.reponses.insert(connue, collection({{QStringLiteral("12 Rue des Écoles"), QStringLiteral("75005"),
                                              QStringLiteral("Paris"), 2.35, 48.85}}));
    RelocalisationLocations* relocalisation = RelocalisationLocations::pour(o.ctx.get());
    relocalisation->service()->setBaseUrl(faux.baseUrl());

    const QDateTime pose = o.le(2026, 3, 1);
    o.louer(pose);
    LocationDeBenne* aRetrouver = o.louer(pose, std::nullopt, std::nullopt, std::nullopt, QStringLiteral("  ") + connue);
    LocationDeBenne* inconnue = o.louer(pose, std::nullopt, std::nullopt, std::nullopt, QStringLiteral("Nulle part"));
    LocationDeBenne* sansAdresse = o.louer(pose, std::nullopt, 45.0, std::nullopt, QStringLiteral("   "));
    // Not among the rentals in progress: not counted by this filter.
    o.louer(o.le(2027, 1, 1), std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    QVERIFY(o.ctx->save());

    Carte carte(o);
    carte.resize(1200, 760);
    QCOMPARE(carte.ligneSansCoordonnees()->text(),
             QStringLiteral("3 locations sans coordonnées n’apparaissent pas sur la carte."));
    carte.show();
    QVERIFY(QTest::qWaitForWindowExposed(&carte));
    QVERIFY(carte.ligneSansCoordonnees()->isVisible());
    // In the smallest room too, the line stands whole in its own row under the map, never over
    // the markers.
    for (const QSize taille : {QSize(536, 400), QSize(240, 200), QSize(1200, 760)}) {
        carte.resize(taille);
        QTRY_COMPARE(carte.size(), taille);
        QLabel* ligne = carte.ligneSansCoordonnees();
        const QString t = QStringLiteral("%1 x %2").arg(taille.width()).arg(taille.height());
        QVERIFY2(carte.rect().contains(ligne->geometry()), qPrintable(t));
        const QRect map(carte.carte()->mapTo(&carte, QPoint(0, 0)), carte.carte()->size());
        QVERIFY2(!map.intersects(ligne->geometry()), qPrintable(t));
        QVERIFY2(ligne->geometry().top() >= map.bottom(), qPrintable(t));
        QVERIFY2(ligne->height() >= ligne->heightForWidth(ligne->width()), qPrintable(t));
    }

    // The known address is found and saved; the map follows.
    QTRY_COMPARE(carte.reperesAffiches().size(), 2);
    QCOMPARE(aRetrouver->latitude(), std::optional<double>(48.85));
    QCOMPARE(aRetrouver->longitude(), std::optional<double>(2.35));
    QVERIFY(!o.ctx->hasChanges());
    QTRY_VERIFY(!relocalisation->enCours());
    QCOMPARE(carte.ligneSansCoordonnees()->text(),
             QStringLiteral("2 locations sans coordonnées n’apparaissent pas sur la carte."));
    // Two addresses asked, trimmed; a blank one never; nothing touched but the found rental.
    QStringList demandes;
    for (const QUrlQuery& q : std::as_const(faux.requetes))
        demandes.append(q.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded));
    demandes.sort();
    QCOMPARE(demandes, (QStringList{connue, QStringLiteral("Nulle part")}));
    QVERIFY(!inconnue->latitude());
    QCOMPARE(sansAdresse->latitude(), std::optional<double>(45.0));

    // Opened again: the unknown address is not asked again.
    carte.hide();
    carte.show();
    QTRY_VERIFY(!relocalisation->enCours());
    QCOMPARE(faux.requetes.size(), 2);

    // Each filter counts its own rentals without coordinates, never the others'.
    carte.setFiltre(F::posesAujourdhui);
    QVERIFY(carte.ligneSansCoordonnees()->isHidden());
    carte.setFiltre(F::enCoursEtFutures);
    QCOMPARE(carte.ligneSansCoordonnees()->text(),
             QStringLiteral("3 locations sans coordonnées n’apparaissent pas sur la carte."));
    carte.setFiltre(F::enCours);
    QCOMPARE(carte.ligneSansCoordonnees()->text(),
             QStringLiteral("2 locations sans coordonnées n’apparaissent pas sur la carte."));

    // A save that fails is said, and the line stays until coordinates are saved again.
    const QString bellecour = QStringLiteral("Place Bellecour, Lyon");
    faux.reponses.insert(bellecour, collection({{QStringLiteral("Place Bellecour"), QStringLiteral("69002"),
                                                 QStringLiteral("Lyon"), 4.83, 45.76}}));
    LocationDeBenne* lyon = o.louer(pose, std::nullopt, std::nullopt, std::nullopt, bellecour);
    QVERIFY(o.ctx->save());
    QSignalSpy echecs(relocalisation, &RelocalisationLocations::echecSauvegarde);
    o.ctx->failNextSave(QStringLiteral("disque plein"));
    carte.hide();
    carte.show();
    QTRY_COMPARE(echecs.size(), 1);
    QTRY_VERIFY(carte.ligneSansCoordonnees()->text().contains(QStringLiteral("Échec de la sauvegarde: disque plein")));
    QVERIFY(carte.ligneSansCoordonnees()->isVisible());
    QVERIFY(o.ctx->hasChanges());
    QCOMPARE(lyon->latitude(), std::optional<double>(45.76));
}

// What the map shows at its first paint (markers, what they frame, the line of rentals without
// coordinates) is what it shows once everything has settled, and again when it comes back.
void CarteBennesLoueesTest::showsAtOnceWhatItShowsSettled()
{
    MapOffice o;
    FauxGeocodage faux; // knows no address
    RelocalisationLocations::pour(o.ctx.get())->service()->setBaseUrl(faux.baseUrl());
    for (int i = 0; i < 30; ++i)
        o.louer(o.le(2026, 3, 1 + i % 9), std::nullopt, 44.0 + i * 0.01, -1.0 + (i % 7) * 0.02,
                QStringLiteral("%1 rue du Port").arg(i), i % 2 ? o.client : o.autreClient);
    o.louer(o.le(2026, 3, 2), std::nullopt, std::nullopt, std::nullopt, QStringLiteral("Rue inconnue"));
    QVERIFY(o.ctx->save());

    struct Vu {
        QList<QUuid> reperes;
        double latitude = 0, longitude = 0;
        QString ligne;
        bool operator==(const Vu&) const = default;
    };
    auto vu = [](const CarteBennesLouees& c) {
        Vu v{{}, c.region().centreLatitude, c.region().centreLongitude, c.ligneSansCoordonnees()->text()};
        for (const RepereLocationBenne& r : c.reperesAffiches())
            v.reperes.append(r.id);
        return v;
    };

    Carte carte(o);
    carte.resize(1200, 760);
    carte.show();
    const Vu aussitot = vu(carte);
    QCOMPARE(aussitot.reperes.size(), 30);
    QCOMPARE(aussitot.ligne, QStringLiteral("1 location sans coordonnées n’apparaît pas sur la carte."));
    QVERIFY(QTest::qWaitForWindowExposed(&carte));
    QTRY_VERIFY(!RelocalisationLocations::pour(o.ctx.get())->enCours());
    QTRY_COMPARE(faux.requetes.size(), 1);
    QCoreApplication::processEvents();
    QVERIFY(vu(carte) == aussitot);
    QCOMPARE(carte.carte()->markersInView().size(), 30);
    // Away and back.
    carte.hide();
    carte.show();
    QCoreApplication::processEvents();
    QVERIFY(vu(carte) == aussitot);
}

// A service out of reach ends the pass after its first answers, a few requests at most, and
// leaves the rentals as they were; the next opening of the map asks again and places them.
void CarteBennesLoueesTest::addressServiceOutOfReachIsAskedAgainLater()
{
    MapOffice o;
    FauxGeocodage faux;
    faux.statut = "503";
    RelocalisationLocations* relocalisation = RelocalisationLocations::pour(o.ctx.get());
    relocalisation->service()->setBaseUrl(faux.baseUrl());
    QList<LocationDeBenne*> aPlacer;
    for (int i = 0; i < 10; ++i) {
        const QString adresse = QStringLiteral("%1 quai Perrache, Lyon").arg(i + 1);
        faux.reponses.insert(adresse, collection({{adresse, QStringLiteral("69002"), QStringLiteral("Lyon"),
                                                   4.82, 45.74 + i * 0.001}}));
        aPlacer.append(o.louer(o.le(2026, 3, 1), std::nullopt, std::nullopt, std::nullopt, adresse));
    }
    // One without any address: nothing to locate, nothing promised.
    o.louer(o.le(2026, 3, 1), std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    QVERIFY(o.ctx->save());
    Carte carte(o);
    QSignalSpy passes(relocalisation, &RelocalisationLocations::passeTerminee);
    carte.show();
    QTRY_COMPARE(passes.size(), 1);
    QVERIFY(faux.requetes.size() <= RelocalisationLocations::kParLot);
    for (LocationDeBenne* l : std::as_const(aPlacer))
        QVERIFY(!l->latitude());
    QCOMPARE(carte.ligneSansCoordonnees()->text(),
             QStringLiteral("11 locations sans coordonnées n’apparaissent pas sur la carte.\nLe service d’adresses n’a pas "
                            "pu être joint : les 10 qui ont une adresse seront localisées quand il répondra, les "
                            "autres n’en ont pas."));

    // The service answers again: the next opening places every rental, a few at a time.
    faux.statut = "200";
    carte.hide();
    carte.show();
    QTRY_COMPARE(passes.size(), 2);
    for (LocationDeBenne* l : std::as_const(aPlacer))
        QVERIFY(l->latitude() && l->longitude());
    QVERIFY(!o.ctx->hasChanges());
    QTRY_COMPARE(carte.reperesAffiches().size(), 10);
    QCOMPARE(carte.ligneSansCoordonnees()->text(), QStringLiteral("1 location sans coordonnées n’apparaît pas sur la carte."));
}

// Offline, every filter says how many of its rentals have no coordinates and why: the address
// service could not be reached. A filter whose rentals all lack them says so in place of the
// bare « Aucun repère ».
void CarteBennesLoueesTest::everyFilterSaysWhyItsRentalsAreMissing()
{
    MapOffice o;
    FauxGeocodage faux;
    faux.statut = "503";
    RelocalisationLocations* relocalisation = RelocalisationLocations::pour(o.ctx.get());
    relocalisation->service()->setBaseUrl(faux.baseUrl());
    // On site since March 1st; removed this morning and placed again at the same address.
    o.louer(o.le(2026, 3, 1), std::nullopt, std::nullopt, std::nullopt, QStringLiteral("1 quai Perrache, Lyon"));
    o.louer(o.le(2026, 3, 2), o.le(2026, 3, 10, 10), std::nullopt, std::nullopt, QStringLiteral("2 rue de Brest, Lyon"));
    o.louer(o.le(2026, 3, 10, 8), std::nullopt, std::nullopt, std::nullopt, QStringLiteral("2 rue de Brest, Lyon"));
    o.louer(o.le(2026, 3, 20), std::nullopt, std::nullopt, std::nullopt, QStringLiteral("3 cours Lafayette, Lyon"));
    QVERIFY(o.ctx->save());

    Carte carte(o);
    carte.setPeriode(QDate(2026, 3, 1), QDate(2026, 3, 31));
    carte.resize(1200, 760);
    QSignalSpy passes(relocalisation, &RelocalisationLocations::passeTerminee);
    carte.show();
    QVERIFY(QTest::qWaitForWindowExposed(&carte));
    QTRY_COMPARE(passes.size(), 1);
    QVERIFY(relocalisation->serviceInjoignable());
    const QString injoignable = QStringLiteral("Le service d’adresses n’a pas pu être joint");
    for (const F filtre : tousLesFiltres()) {
        carte.setFiltre(filtre);
        const int n = int(CarteBennesLouees::locationsFiltrees(o.ctx->all<LocationDeBenne>(), filtre, QDate(2026, 3, 1),
                                                              QDate(2026, 3, 31), kMaintenant, o.paris).size());
        QVERIFY2(n > 0, qPrintable(rawValue(filtre)));
        QLabel* ligne = carte.ligneSansCoordonnees();
        const QString compte = n == 1 ? QStringLiteral("1 location sans coordonnées n’apparaît pas sur la carte.")
                                      : QStringLiteral("%1 locations sans coordonnées n’apparaissent pas sur la carte.").arg(n);
        QVERIFY2(ligne->isVisible(), qPrintable(rawValue(filtre)));
        QVERIFY2(ligne->text().startsWith(compte), qPrintable(rawValue(filtre) + " : " + ligne->text()));
        QVERIFY2(ligne->text().contains(injoignable), qPrintable(rawValue(filtre) + " : " + ligne->text()));
        QVERIFY(carte.rect().contains(ligne->geometry()));
        QVERIFY(!carte.carteVisible());
        QVERIFY(carte.texteVide()->isVisible());
        QVERIFY2(carte.texteVide()->text().startsWith(QStringLiteral("Aucun repère à afficher : ")), qPrintable(carte.texteVide()->text()));
        QVERIFY2(carte.texteVide()->text().contains(QStringLiteral("coordonnées")), qPrintable(carte.texteVide()->text()));
        // The line stands clear of the empty page's text.
        const QLabel* vide = carte.texteVide();
        const QRect texteVide(vide->mapTo(&carte, QPoint(0, 0)), vide->size());
        const int hauteurTexte = vide->heightForWidth(vide->width());
        const QRect lignes(texteVide.left(), texteVide.center().y() - hauteurTexte / 2, texteVide.width(), hauteurTexte);
        QVERIFY2(!lignes.intersects(ligne->geometry()), qPrintable(rawValue(filtre)));
    }

    // The service answers again: the next opening places them and the reason goes.
    faux.statut = "200";
    for (const QString& adresse : {QStringLiteral("1 quai Perrache, Lyon"), QStringLiteral("2 rue de Brest, Lyon")})
        faux.reponses.insert(adresse, collection({{adresse, QStringLiteral("69002"), QStringLiteral("Lyon"), 4.82, 45.74}}));
    carte.setFiltre(F::enCours);
    carte.hide();
    carte.show();
    QTRY_COMPARE(passes.size(), 2);
    QVERIFY(!relocalisation->serviceInjoignable());
    QTRY_VERIFY(carte.carteVisible());
    carte.setFiltre(F::enCoursEtFutures);
    QVERIFY(carte.ligneSansCoordonnees()->isVisible());
    QVERIFY2(!carte.ligneSansCoordonnees()->text().contains(injoignable), qPrintable(carte.ligneSansCoordonnees()->text()));
}

// The map once idle (the address service out of reach, its pass over) shows, under every
// filter, one marker per kept rental with a coordinate and counts the others, as worked out
// here from the filters' words; the same on coming back and in a new screen.
void CarteBennesLoueesTest::idleMapMatchesAnIndependentCount()
{
    MapOffice o;
    Client* tiers = o.nouveauClient(QStringLiteral("Établissements <b>Très</b> / Longs Noms de Démolition et Terrassement"));
    const QList<Client*> clients{o.client, o.autreClient, tiers};
    for (int i = 0; i < 60; ++i) {
        const QDateTime pose = o.le(2026, 2, 20 + i / 3, 6 + (i * 5) % 14).addDays(0);
        std::optional<QDateTime> enlevement;
        if (i % 4 == 1)
            enlevement = pose.addDays(1 + i % 9);
        else if (i % 4 == 2)
            enlevement = o.le(2026, 3, 10, 7 + i % 5); // removed this morning
        std::optional<double> lat = 45.0 + (i % 11) * 0.02, lon = 4.5 + (i % 13) * 0.03;
        if (i % 7 == 3)
            lat = lon = std::nullopt;
        else if (i % 7 == 5)
            lat = 95.0; // not a coordinate
        o.louer(pose, enlevement, lat, lon, QStringLiteral("%1 rue du Port").arg(i % 4), clients[i % 3]);
    }
    // Rotations: removed this morning, placed again there this afternoon.
    o.louer(o.le(2026, 3, 1), o.le(2026, 3, 10, 8), 45.3, 4.6, QStringLiteral("9 quai Perrache"), tiers);
    o.louer(o.le(2026, 3, 10, 14), std::nullopt, 45.3, 4.6, QStringLiteral("9 quai Perrache"), tiers);
    o.louer(o.le(2026, 3, 2), o.le(2026, 3, 10, 9), std::nullopt, std::nullopt, QStringLiteral("4 rue Basse"), o.client);
    o.louer(o.le(2026, 3, 10, 10), std::nullopt, 45.1, 4.7, QStringLiteral("4 rue Basse"), o.client);
    QVERIFY(o.ctx->save());

    const qint64 t = QDateTime(QDate(2026, 3, 10), QTime(0, 0), o.paris).toMSecsSinceEpoch();
    const qint64 demain = QDateTime(QDate(2026, 3, 11), QTime(0, 0), o.paris).toMSecsSinceEpoch();
    const qint64 du = QDateTime(QDate(2025, 3, 10), QTime(0, 0), o.paris).toMSecsSinceEpoch();
    const auto garde = [&](F filtre, const LocationDeBenne* l) {
        const qint64 pose = l->datePoseMs();
        const std::optional<qint64> e = l->dateEnlevementMs();
        switch (filtre) {
        case F::enCours: return pose <= t && (!e || *e > t);
        case F::enCoursEtFutures: return !e || *e > t;
        case F::posesAujourdhui: return pose >= t && pose < demain;
        case F::enlevementsAujourdhui: return e && *e >= t && *e < demain;
        case F::parPeriode: return pose < demain && (!e || *e >= du);
        case F::rotationsAujourdhui: break;
        }
        return false;
    };
    const QList<LocationDeBenne*> toutes = o.ctx->all<LocationDeBenne>();
    const auto reference = [&](F filtre) {
        QSet<LocationDeBenne*> gardees;
        if (filtre == F::rotationsAujourdhui) {
            for (LocationDeBenne* e : toutes) {
                if (!(e->dateEnlevementMs() && *e->dateEnlevementMs() >= t && *e->dateEnlevementMs() < demain))
                    continue;
                LocationDeBenne* premiere = nullptr;
                for (LocationDeBenne* p : toutes)
                    if (p->client() == e->client() && p->adresse() == e->adresse() && p->datePoseMs() >= t
                        && p->datePoseMs() < demain && (!premiere || p->datePoseMs() < premiere->datePoseMs()))
                        premiere = p;
                if (premiere)
                    gardees << e << premiere;
            }
        } else {
            for (LocationDeBenne* l : toutes)
                if (garde(filtre, l))
                    gardees << l;
        }
        QSet<QUuid> placees;
        int sans = 0;
        for (LocationDeBenne* l : std::as_const(gardees)) {
            if (l->latitude() && l->longitude() && std::abs(*l->latitude()) <= 90 && std::abs(*l->longitude()) <= 180)
                placees << l->id();
            else
                ++sans;
        }
        return std::pair{placees, sans};
    };

    RelocalisationLocations* relocalisation = RelocalisationLocations::pour(o.ctx.get());
    Query<LocationDeBenne> locations(o.ctx.get());
    const auto verifier = [&](CarteBennesLouees& carte, F filtre) {
        const auto [placees, sans] = reference(filtre);
        const QString quoi = rawValue(filtre);
        QTRY_VERIFY(!relocalisation->enCours());
        QCoreApplication::processEvents();
        QSet<QUuid> vus;
        for (const RepereLocationBenne& r : carte.reperesAffiches())
            vus << r.id;
        QVERIFY2(vus == placees, qPrintable(quoi));
        QCOMPARE(carte.carte()->markerCount(), int(placees.size()));
        QCOMPARE(carte.carteVisible(), !placees.isEmpty());
        QLabel* ligne = carte.ligneSansCoordonnees();
        QCOMPARE(ligne->isVisible(), sans > 0);
        if (sans > 0) {
            const QString compte = sans == 1 ? QStringLiteral("1 location sans coordonnées")
                                             : QStringLiteral("%1 locations sans coordonnées").arg(sans);
            QVERIFY2(ligne->text().startsWith(compte), qPrintable(quoi + " : " + ligne->text()));
        }
        // Every marker in view is drawn, and the labels shown never overlap.
        if (!placees.isEmpty()) {
            QVERIFY2(!carte.carte()->markersInView().isEmpty(), qPrintable(quoi));
            const QList<QRectF> etiquettes = carte.carte()->labelsInView();
            for (int a = 0; a < etiquettes.size(); ++a)
                for (int b = a + 1; b < etiquettes.size(); ++b)
                    QVERIFY2(!etiquettes[a].intersects(etiquettes[b]), qPrintable(quoi));
        }
    };

    int nonVides = 0;
    for (const F filtre : tousLesFiltres()) {
        nonVides += reference(filtre).first.isEmpty() ? 0 : 1;
        // A new screen for each filter, as a window opens it, then coming back to it.
        CarteBennesLouees carte(&locations, Observable<bool>(), nullptr, Horloge::fixe(kMaintenant, o.paris));
        carte.setFiltre(filtre);
        carte.resize(1200, 760);
        carte.show();
        QVERIFY(QTest::qWaitForWindowExposed(&carte));
        verifier(carte, filtre);
        if (QTest::currentTestFailed())
            return;
        const QList<QRectF> etiquettes = carte.carte()->labelsInView();
        carte.hide();
        carte.show();
        QVERIFY(QTest::qWaitForWindowExposed(&carte));
        verifier(carte, filtre);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(carte.carte()->labelsInView(), etiquettes);
    }
    QVERIFY2(nonVides >= 5, "the office puts markers under nearly every filter");
    QVERIFY(relocalisation->serviceInjoignable());
}

// After a pass that found every rental located, a rental that loses its coordinates (or a new
// one saved without) is looked up at the next opening of the map.
void CarteBennesLoueesTest::aRentalThatLosesItsCoordinatesIsLocatedAtTheNextOpening()
{
    MapOffice o;
    FauxGeocodage faux;
    const QString adresse = QStringLiteral("5 quai Perrache, Lyon");
    faux.reponses.insert(adresse, collection({{adresse, QStringLiteral("69002"), QStringLiteral("Lyon"), 4.82, 45.74}}));
    RelocalisationLocations* relocalisation = RelocalisationLocations::pour(o.ctx.get());
    relocalisation->service()->setBaseUrl(faux.baseUrl());
    LocationDeBenne* l = o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, 4.0, adresse);
    QVERIFY(o.ctx->save());
    Carte carte(o);
    QSignalSpy passes(relocalisation, &RelocalisationLocations::passeTerminee);
    carte.show();
    QTRY_COMPARE(passes.size(), 1);
    QCOMPARE(faux.requetes.size(), 0);

    l->setLatitude(std::nullopt);
    l->setLongitude(std::nullopt);
    QVERIFY(o.ctx->save());
    LocationDeBenne* nouvelle = o.louer(o.le(2026, 3, 2), std::nullopt, std::nullopt, std::nullopt, adresse);
    QVERIFY(o.ctx->save());
    carte.hide();
    carte.show();
    QTRY_COMPARE(passes.size(), 2);
    QCOMPARE(faux.requetes.size(), 2);
    QVERIFY(l->latitude() && nouvelle->latitude());
    QTRY_COMPARE(carte.reperesAffiches().size(), 2);
    QVERIFY(carte.ligneSansCoordonnees()->isHidden());
}

// A marker painted after another never covers its name: with the second disc over the first
// name's card, that card shows no pixel of the disc's red. Without the map service the map itself
// says that its background cannot be loaded, and the line under it does not say it again.
void CarteBennesLoueesTest::namesAboveTheMarkersAndTheBackgroundSaidOnce()
{
    MapOffice o;
    o.louer(o.le(2026, 3, 1), std::nullopt, 45.0, -1.0, QStringLiteral("1 rue du Port"), o.nouveauClient(QStringLiteral("Toitures Mo")));
    o.louer(o.le(2026, 3, 1), std::nullopt, 44.9997, -1.0, QStringLiteral("2 rue du Port"), o.nouveauClient(QStringLiteral("2428")));
    Carte carte(o);
    carte.ouvrir({1000, 700});
    MapWidget* map = carte.carte();
    QTRY_COMPARE(map->markersInView().size(), 2);
    const auto ecart = [map] { return map->pointForCoordinate({44.9997, -1.0}).y() - map->pointForCoordinate({45.0, -1.0}).y(); };
    QVERIFY(map->setZoom(map->zoom() + std::log2(100.0 / ecart())));
    QVERIFY(map->setZoom(map->zoom() + std::log2((map->labelsInView().first().height() + 3) / ecart())));
    QCOMPARE(map->labelsInView().size(), 2);
    // A screen reader reads the markers in view by their clients' names and places.
    QAccessibleInterface* lue = QAccessible::queryAccessibleInterface(map);
    QCOMPARE(lue->text(QAccessible::Name), QStringLiteral("Carte des bennes louées"));
    QCOMPARE(lue->childCount(), 2);
    QCOMPARE(lue->child(0)->text(QAccessible::Name), QStringLiteral("Toitures Mo, 1 rue du Port"));
    QCOMPARE(lue->child(1)->text(QAccessible::Name), QStringLiteral("2428, 2 rue du Port"));
    const QRect premiere = map->labelsInView().first().adjusted(2, 2, -2, -2).toRect();
    const QImage image = map->grab(premiere).toImage();
    for (int i = 0; i < image.width() * image.height(); ++i) {
        const QColor c = image.pixelColor(i % image.width(), i / image.width());
        QVERIFY(!(c.red() > 200 && c.green() < 60 && c.blue() < 60));
    }
    QLabel* ligne = carte.ligneSansCoordonnees();
    QVERIFY(!ligne->isVisible());
    map->setTileUrlTemplate(QStringLiteral("file:///nulle-part/kestrovan/{z}/{x}/{y}.png"));
    QTRY_VERIFY(map->backgroundUnavailable());
    map->panBy({300, 200});
    map->zoomOut();
    QTRY_COMPARE(map->pendingTileCount(), 0);
    QCOMPARE(map->notice(), MapWidget::unavailableText());
    QVERIFY(!ligne->isVisible());
    map->setTileUrlTemplate(QString());
    QTRY_VERIFY(map->notice().isEmpty());
}
