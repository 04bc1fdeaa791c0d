#include "tst_cartechaleur.h"

#include "office.h"

#include "stats/statistiquecartechaleurview.h"
#include "stats/vuestatistiques.h"

#include <QAccessible>
#include <QListWidget>

#include <QLabel>
#include <QTest>

#include <cmath>
#include <limits>

using namespace kv;

namespace {

bool near(double a, double b) { return std::abs(a - b) < 1e-9; }

} // namespace

void CarteChaleurTest::countsRentalsByExactPlace()
{
    MapOffice o;
    const QDateTime t = o.le(2025, 5, 1);
    for (int i = 0; i < 3; ++i)
        o.louer(t, std::nullopt, 45.0, -1.0);
    o.louer(t, std::nullopt, 44.0, 0.0);
    o.louer(t, std::nullopt, 44.0, -0.0);                 // minus zero is the same place
    o.louer(t, std::nullopt, 45.0000001, -1.0);           // a place of its own
    o.louer(t, std::nullopt, 45.0, std::nullopt);         // counted nowhere
    o.louer(t, std::nullopt, std::numeric_limits<double>::quiet_NaN(), -1.0);
    o.louer(t, std::nullopt, 45.0, 200.0);
    const auto points = StatistiqueCarteChaleurView::compterParCoordonnees(o.ctx->all<LocationDeBenne>());
    QCOMPARE(points.size(), 3);
    QCOMPARE(points[0].latitude, 45.0);
    QCOMPARE(points[0].longitude, -1.0);
    QCOMPARE(points[0].count, 3);
    QCOMPARE(points[1].latitude, 44.0);
    QCOMPARE(points[1].count, 2);
    QCOMPARE(points[2].latitude, 45.0000001);
    QCOMPARE(points[2].count, 1);
    QVERIFY(StatistiqueCarteChaleurView::compterParCoordonnees({}).isEmpty());
}

// Tens of thousands of rentals are counted on a worker thread: the view says it is counting,
// then shows each place with its count and its first rental's address, centred as before.
void CarteChaleurTest::countsManyRentalsAside()
{
    MapOffice o;
    const QDateTime t = o.le(2025, 5, 1);
    for (int i = 0; i < MapWidget::kMarkersAside; ++i)
        o.louer(t, std::nullopt, 45.0 + (i % 1000) * 1e-4, 4.0,
                i < 1000 ? QStringLiteral("1 rue Neuve, 69001 Lyon") : QStringLiteral("2 rue Haute, 69100 Villeurbanne"));
    o.louer(t, std::nullopt, std::nullopt, std::nullopt);
    const QList<LocationDeBenne*> toutes = o.ctx->all<LocationDeBenne>();
    StatistiqueCarteChaleurView vue(toutes);
    QVERIFY(vue.calculEnCours());
    QVERIFY(vue.points().isEmpty());
    QTRY_VERIFY(!vue.calculEnCours());
    const QList<LocationPoint> attendus = StatistiqueCarteChaleurView::compterParCoordonnees(toutes);
    QCOMPARE(vue.points().size(), attendus.size());
    for (qsizetype i = 0; i < attendus.size(); ++i)
        QVERIFY(vue.points()[i].latitude == attendus[i].latitude && vue.points()[i].count == attendus[i].count);
    QCOMPARE(vue.carte()->markerCount(), 1000);
    QCOMPARE(vue.carte()->markerName(999), QStringLiteral("20 locations à Lyon"));
    const MapRegion r = StatistiqueCarteChaleurView::regionInitiale(toutes);
    QVERIFY(near(vue.carte()->centre().latitude, r.centreLatitude) && near(vue.carte()->centre().longitude, r.centreLongitude));
    QCOMPARE(vue.ligneSansCoordonnees()->text(), QStringLiteral("1 location sans coordonnées n’apparaît pas sur la carte."));
}

void CarteChaleurTest::centreIsTheMeanOfTheRentals()
{
    MapOffice o;
    const QDateTime t = o.le(2025, 5, 1);
    for (int i = 0; i < 3; ++i)
        o.louer(t, std::nullopt, 45.0, -1.0);
    o.louer(t, std::nullopt, 44.0, 0.0);
    o.louer(t, std::nullopt, 10.0, std::nullopt); // moves nothing
    o.louer(t, std::nullopt, std::numeric_limits<double>::infinity(), 3.0);
    const MapRegion r = StatistiqueCarteChaleurView::regionInitiale(o.ctx->all<LocationDeBenne>());
    QVERIFY(near(r.centreLatitude, 44.75)); // over the four rentals, not the two places
    QVERIFY(near(r.centreLongitude, -0.75));
    QCOMPARE(r.latitudeSpan, 2.0);
    QCOMPARE(r.longitudeSpan, 2.0);
    QCOMPARE(StatistiqueCarteChaleurView::regionInitiale({}), (MapRegion{46.5, 2.5, 2.0, 2.0}));
}

void CarteChaleurTest::diameterGrowsUpToTheCap()
{
    QCOMPARE(StatistiqueCarteChaleurView::diametre(1), 24.0);
    QCOMPARE(StatistiqueCarteChaleurView::diametre(3), 40.0);
    QCOMPARE(StatistiqueCarteChaleurView::diametre(5), 56.0);
    QCOMPARE(StatistiqueCarteChaleurView::diametre(12), 112.0);
    QCOMPARE(StatistiqueCarteChaleurView::diametre(13), 120.0);
    QCOMPARE(StatistiqueCarteChaleurView::diametre(14), 120.0);
    QCOMPARE(StatistiqueCarteChaleurView::diametre(std::numeric_limits<qint64>::max()), 120.0);
}

void CarteChaleurTest::viewPaintsLargestFirst()
{
    MapOffice o;
    const QDateTime t = o.le(2025, 5, 1);
    o.louer(t, std::nullopt, 44.9, -0.9, std::nullopt);
    for (int i = 0; i < 20; ++i)
        o.louer(t, std::nullopt, 45.0, -1.0);
    for (int i = 0; i < 2; ++i)
        o.louer(t, std::nullopt, 45.1, -1.1, QStringLiteral("3 rue du Port 33000 Bordeaux"));
    StatistiqueCarteChaleurView vue(o.ctx->all<LocationDeBenne>());
    vue.resize(1000, 600);
    vue.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vue));
    QCOMPARE(vue.findChild<QLabel*>(QStringLiteral("titre"))->text(),
             QStringLiteral("Carte de chaleur des poses de bennes"));
    QCOMPARE(vue.findChild<QLabel*>(QStringLiteral("legende"))->text(),
             QStringLiteral("Rouge = zone très louée. Cliquez pour zoomer si besoin (fonction zoom possible)."));
    QCOMPARE(vue.carte()->height(), 400);
    QCOMPARE(vue.ordreDePeinture(), (QList<int>{1, 2, 0}));
    QCOMPARE(vue.carte()->markersInView().size(), 3);
    // Its text equivalent: the places in words, each circle in view with its count.
    QAccessibleInterface* lue = QAccessible::queryAccessibleInterface(vue.carte());
    QCOMPARE(lue->text(QAccessible::Name), QStringLiteral("Carte de chaleur des poses de bennes"));
    QVERIFY(lue->text(QAccessible::Description).startsWith(QStringLiteral("Lieux de pose : 3 ; locations placées : 23.")));
    QStringList cercles;
    for (int i = 0; i < lue->childCount(); ++i)
        cercles.append(lue->child(i)->text(QAccessible::Name));
    // Each place by its town, from the first rental's address; coordinates only without one.
    QCOMPARE(cercles, (QStringList{QStringLiteral("20 locations à 1 rue du Port"),
                                   QStringLiteral("2 locations à Bordeaux"),
                                   QStringLiteral("1 location à 44,9000, -0,9000")}));
    QCOMPARE(StatistiqueCarteChaleurView::ville(QStringLiteral("Chantier nord, Mérignac")), QStringLiteral("Mérignac"));
    // The map shows the 2° region around the mean, whole.
    const MapRegion shown = vue.carte()->region();
    QVERIFY(shown.latitudeSpan >= 2.0 && shown.longitudeSpan >= 2.0);
    QVERIFY(std::abs(shown.centreLatitude - (44.9 + 20 * 45.0 + 2 * 45.1) / 23) < 1e-9);
    // The capped circle of 20 is red-orange at its middle, with its count written in white.
    const QImage image = vue.carte()->grab().toImage();
    // In points, whatever the scale.
    auto pixel = [&image](const QPoint& at) { return image.pixelColor((QPointF(at) * image.devicePixelRatio()).toPoint()); };
    const QPointF big = vue.carte()->pointForCoordinate({45.0, -1.0});
    const QColor middle = pixel(QPoint(int(big.x()) - 30, int(big.y()) - 30));
    QVERIFY2(middle.red() > 200 && middle.blue() < 160, qPrintable(middle.name()));
    bool white = false;
    for (int dx = -8; dx <= 8 && !white; ++dx)
        for (int dy = -5; dy <= 5 && !white; ++dy)
            white = pixel(QPoint(int(big.x()) + dx, int(big.y()) + dy)).lightness() > 240;
    QVERIFY(white);
    // A new list replaces the points.
    vue.setLocations({});
    QVERIFY(vue.points().isEmpty());
    QCOMPARE(vue.carte()->markerCount(), 0);
    QVERIFY(std::abs(vue.carte()->centre().latitude - 46.5) < 1e-9);
}

void CarteChaleurTest::showsInTheStatisticsHub()
{
    MapOffice o;
    const QDateTime t = o.le(2025, 5, 1);
    o.louer(t, std::nullopt, 45.0, -1.0);
    o.louer(t, std::nullopt, 45.0, -1.0);
    VueStatistiques hub(o.ctx.get(), Horloge::fixe(o.le(2025, 6, 1), o.paris));
    hub.resize(1200, 760);
    hub.show();
    QVERIFY(QTest::qWaitForWindowExposed(&hub));
    // Chosen by a click on its row of the sidebar.
    QListWidgetItem* row = nullptr;
    for (int i = 0; i < hub.sidebar()->count(); ++i)
        if (hub.sidebar()->item(i)->text() == QStringLiteral("Carte de chaleur"))
            row = hub.sidebar()->item(i);
    QVERIFY(row);
    const QRect at = hub.sidebar()->visualItemRect(row);
    QTest::mouseClick(hub.sidebar()->viewport(), Qt::LeftButton, {}, at.center());
    QCOMPARE(hub.selectedStat(), std::optional<StatistiqueType>(StatistiqueType::carteChaleur));
    // Its title at once, the map on the next turn.
    QTRY_VERIFY(qobject_cast<StatistiqueCarteChaleurView*>(hub.detail()));
    auto* vue = qobject_cast<StatistiqueCarteChaleurView*>(hub.detail());
    QCOMPARE(vue->points().size(), 1);
    QCOMPARE(vue->points()[0].count, 2);
    // A rental added while it is shown joins its place.
    o.louer(t, std::nullopt, 45.0, -1.0);
    QTRY_COMPARE(vue->points()[0].count, 3);
    o.louer(t, std::nullopt, 44.0, 1.0);
    QTRY_COMPARE(vue->points().size(), 2);
}

// The heat map says how many rentals it cannot place, and says nothing when it places them all.
void CarteChaleurTest::saysHowManyRentalsHaveNoCoordinates()
{
    MapOffice o;
    const QDateTime t = o.le(2025, 5, 1);
    o.louer(t, std::nullopt, 45.0, -1.0);
    o.louer(t, std::nullopt, 45.0, -1.0);
    StatistiqueCarteChaleurView placees(o.ctx->all<LocationDeBenne>());
    QVERIFY(placees.ligneSansCoordonnees()->isHidden());

    o.louer(t, std::nullopt, std::nullopt, std::nullopt);
    StatistiqueCarteChaleurView une(o.ctx->all<LocationDeBenne>());
    QVERIFY(!une.ligneSansCoordonnees()->isHidden());
    QCOMPARE(une.ligneSansCoordonnees()->text(), QStringLiteral("1 location sans coordonnées n’apparaît pas sur la carte."));

    for (int i = 0; i < 1233; ++i)
        o.louer(t, std::nullopt, 45.0, 200.0); // out of range: no place either
    une.setLocations(o.ctx->all<LocationDeBenne>());
    QCOMPARE(une.ligneSansCoordonnees()->text(),
             QStringLiteral("1\u202f234 locations sans coordonnées n’apparaissent pas sur la carte."));
}

// Places of one rental each: zoomed in step by step, two counts side by side keep half a digit
// between them, so that « 1 » and « 1 » never read « 11 ».
void CarteChaleurTest::countsKeepApart()
{
    MapOffice o;
    for (const auto& [lat, lon] : {std::pair{45.003, -1.0}, {45.003, -0.9995}})
        o.louer(o.le(2025, 5, 1), std::nullopt, lat, lon);
    StatistiqueCarteChaleurView vue(o.ctx->all<LocationDeBenne>());
    vue.resize(1000, 600);
    vue.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vue));
    MapWidget* map = vue.carte();
    const qreal chiffre = QFontMetricsF(map->font()).horizontalAdvance(QLatin1Char('1'));
    for (double zoom = 14; zoom <= 19; zoom += 0.05) {
        QVERIFY(map->setZoom(zoom));
        const QList<QRectF> c = map->labelsInView();
        for (qsizetype i = 0; i < c.size(); ++i)
            for (qsizetype j = i + 1; j < c.size(); ++j)
                QVERIFY2(std::abs(c[i].center().y() - c[j].center().y()) >= c[i].height()
                             || std::abs(c[i].center().x() - c[j].center().x()) >= 1.5 * chiffre, qPrintable(QString::number(zoom)));
    }
}
