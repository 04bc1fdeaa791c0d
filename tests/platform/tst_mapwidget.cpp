#include "tst_mapwidget.h"

#include "tileserver.h"

#include "platform/mapwidget.h"

#include <QAccessible>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrlQuery>
#include <QWheelEvent>

#include <cmath>
#include <limits>

using kv::GeoPoint;
using kv::MapRegion;
using kv::MapWidget;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A map of a fixed size, painted offscreen, recording where it paints its markers.
struct RecordingMap {
    MapWidget map;
    QList<QPair<int, QPointF>> painted;

    explicit RecordingMap(QSize size = {600, 400}, const QString& tiles = {})
    {
        map.setTileUrlTemplate(tiles);
        map.resize(size);
        map.setMarkerPainter([this](QPainter& p, int index, const QPointF& at) {
            painted.append({index, at});
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 255));
            p.drawEllipse(at, 5, 5);
        });
    }
    QImage paint()
    {
        painted.clear();
        return map.grab().toImage();
    }
    bool loaded() { return paint(), QTest::qWaitFor([this] { return map.pendingTileCount() == 0; }, 10000); }
    bool withoutService() // tiles from nowhere: painted, the map finds its background unavailable
    {
        map.setTileUrlTemplate(QStringLiteral("file:///nulle-part/kestrovan/{z}/{x}/{y}.png"));
        return paint(), QTest::qWaitFor([this] { return map.backgroundUnavailable(); });
    }
};

// How many pixels of an image `which` picks.
template <typename Which> int countPixels(const QImage& image, Which which)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += which(QPoint(x, y));
    return n;
}

bool near(double a, double b, double tolerance) { return std::abs(a - b) <= tolerance; }

void sendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}

void sendWheel(QWidget* w, QPointF at, int delta)
{
    QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &event);
}

} // namespace

void MapWidgetTest::init()
{
    QVERIFY(QStandardPaths::isTestModeEnabled());
}

void MapWidgetTest::regionIsShownWhole_data()
{
    QTest::addColumn<MapRegion>("region");
    QTest::newRow("street") << MapRegion{44.8378, -0.5792, 0.01, 0.01};
    QTest::newRow("two sites") << MapRegion{45.1, -0.75, 0.25, 0.61};
    QTest::newRow("heat map") << MapRegion{46.5, 2.5, 2.0, 2.0};
    QTest::newRow("tall") << MapRegion{48.0, 2.0, 6.0, 0.1};
    QTest::newRow("whole world") << MapRegion{0, 0, 180, 360};
    QTest::newRow("far north") << MapRegion{70.0, 20.0, 1.0, 1.0};
}

void MapWidgetTest::regionIsShownWhole()
{
    QFETCH(MapRegion, region);
    RecordingMap m;
    QVERIFY(m.map.setRegion(region));
    const MapRegion shown = m.map.region();
    QVERIFY(near(shown.centreLatitude, region.centreLatitude, 1e-9));
    QVERIFY(near(shown.centreLongitude, region.centreLongitude, 1e-9));
    // Every corner of the region lies inside the widget.
    const double north = std::min(85.0, region.centreLatitude + region.latitudeSpan / 2);
    const double south = std::max(-85.0, region.centreLatitude - region.latitudeSpan / 2);
    const double west = region.centreLongitude - region.longitudeSpan / 2;
    const double east = region.centreLongitude + region.longitudeSpan / 2;
    const QRectF inside = QRectF(m.map.rect()).adjusted(-0.5, -0.5, 0.5, 0.5);
    for (const GeoPoint& corner : {GeoPoint{north, west}, GeoPoint{north, east}, GeoPoint{south, west},
                                   GeoPoint{south, east}})
        QVERIFY2(inside.contains(m.map.pointForCoordinate(corner)),
                 qPrintable(QStringLiteral("%1, %2").arg(corner.latitude).arg(corner.longitude)));
    // A little deeper it would not fit any more (unless the deepest zoom is reached): the
    // region fills the widget's width or height.
    if (m.map.zoom() < MapWidget::maxZoom) {
        m.map.setZoom(m.map.zoom() + 0.01);
        const QPointF nw = m.map.pointForCoordinate({north, west});
        const QPointF se = m.map.pointForCoordinate({south, east});
        QVERIFY(!inside.contains(nw) || !inside.contains(se));
    }
}

void MapWidgetTest::regionStaysWholeWhenResized()
{
    RecordingMap m({200, 150});
    QSignalSpy changed(&m.map, &MapWidget::regionChanged);
    const MapRegion region{45.1, -0.75, 0.25, 0.61};
    QVERIFY(m.map.setRegion(region));
    const double small = m.map.zoom();
    m.map.resize(1200, 800);
    m.paint(); // a hidden widget hears of its new size when painted or shown
    QVERIFY(m.map.zoom() > small);
    QCOMPARE(m.map.zoom(), MapWidget::zoomFor(region, {1200, 800}));
    QVERIFY(changed.count() >= 2);
    // Once the user moves the map, a resize keeps the user's view.
    m.map.zoomOut();
    const double chosen = m.map.zoom();
    m.map.resize(300, 200);
    m.paint();
    QCOMPARE(m.map.zoom(), chosen);
}

void MapWidgetTest::refusesWhatIsNotACoordinate()
{
    RecordingMap m;
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    const MapRegion before = m.map.region();
    const double zoom = m.map.zoom();
    QVERIFY(!m.map.setRegion({kNaN, -1.0, 0.1, 0.1}));
    QVERIFY(!m.map.setRegion({45.0, kNaN, 0.1, 0.1}));
    QVERIFY(!m.map.setRegion({45.0, -1.0, kNaN, 0.1}));
    QVERIFY(!m.map.setRegion({45.0, -1.0, 0.1, std::numeric_limits<double>::infinity()}));
    QVERIFY(!m.map.setRegion({91.0, -1.0, 0.1, 0.1}));
    QVERIFY(!m.map.setRegion({45.0, -180.5, 0.1, 0.1}));
    QVERIFY(!m.map.setRegion({45.0, -1.0, 0.0, 0.1}));
    QVERIFY(!m.map.setRegion({45.0, -1.0, 181.0, 0.1}));
    QVERIFY(!m.map.setRegion({45.0, -1.0, 0.1, 361.0}));
    QVERIFY(!m.map.setCentre({kNaN, 0}));
    m.map.panBy({kNaN, 3});
    QCOMPARE(m.map.region(), before);
    QCOMPARE(m.map.zoom(), zoom);
    QVERIFY(m.map.setRegion({90.0, 180.0, 180.0, 360.0})); // the limits themselves are coordinates
    QVERIFY(std::isfinite(m.map.region().centreLatitude));

    // Markers that are not coordinates are never painted.
    QVERIFY(m.map.setRegion({45.0, -1.0, 1.0, 1.0}));
    m.map.setMarkers({{45.0, -1.0}, {kNaN, -1.0}, {45.0, kNaN}, {95.0, -1.0}, {45.0, -1.0}});
    m.paint();
    QCOMPARE(m.painted.size(), 2);
    QCOMPARE(m.painted[0].first, 0);
    QCOMPARE(m.painted[1].first, 4);
}

void MapWidgetTest::paintsMarkersAtTheirPlaceAndOnlyInView()
{
    RecordingMap m;
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    const double z = m.map.zoom();
    const double worldPixels = 256.0 * std::pow(2.0, z);
    m.map.setMarkerOverhang(10);
    m.map.setMarkers({{45.0, -1.0}, {45.0, -0.98}, {46.0, -1.0}, {45.0, 10.0}});
    m.paint();
    QCOMPARE(m.painted.size(), 2); // the two others are far outside
    QCOMPARE(m.map.markersInView(), (QList<int>{0, 1}));
    QVERIFY(near(m.painted[0].second.x(), 300, 1e-6));
    QVERIFY(near(m.painted[0].second.y(), 200, 1e-6));
    // 0.02° east is 0.02/360 of the world's width.
    QVERIFY(near(m.painted[1].second.x(), 300 + 0.02 / 360.0 * worldPixels, 1e-6));
    QVERIFY(near(m.painted[1].second.y(), 200, 1e-6));

    // A marker just outside the edge is painted while its drawing can reach in.
    const GeoPoint edge = m.map.coordinateForPoint({605, 200});
    m.map.setMarkers({edge});
    m.paint();
    QCOMPARE(m.painted.size(), 1);
    m.map.setMarkerOverhang(2);
    m.paint();
    QCOMPARE(m.painted.size(), 0);

    // Later markers are painted over earlier ones: the painting order is the list's.
    m.map.setMarkers({{45.0, -1.0}, {45.0, -1.0}, {45.0, -1.0}});
    m.paint();
    QCOMPARE(m.painted.size(), 3);
    QCOMPARE(m.painted[0].first, 0);
    QCOMPARE(m.painted[2].first, 2);
}

void MapWidgetTest::leavesOutMarkersHiddenUnderLaterOnes()
{
    RecordingMap m;
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    const kv::MarkerShape card{QRectF(-10, -10, 20, 20), QRectF(-10, -10, 20, 20)};
    const kv::MarkerShape ring{QRectF(-10, -10, 20, 20), QRectF()};
    // Three opaque cards on one spot: only the last one shows.
    m.map.setMarkers({{45.0, -1.0}, {45.0, -1.0}, {45.0, -1.0}});
    m.map.setMarkerShapes({card, card, card});
    m.paint();
    QCOMPARE(m.painted.size(), 1);
    QCOMPARE(m.painted[0].first, 2);
    // A see-through last one hides nothing.
    m.map.setMarkerShapes({card, card, ring});
    m.paint();
    QCOMPARE(m.map.markersInView(), (QList<int>{1, 2}));
    // The same shapes shared by index; an index to no shape leaves every marker drawn.
    m.map.setMarkerShapes({ring, card}, {1, 1, 0});
    QCOMPARE(m.map.markersInView(), (QList<int>{1, 2}));
    m.map.setMarkerShapes({card}, {0, 0, 1});
    QCOMPARE(m.map.markersInView(), (QList<int>{0, 1, 2}));
    // A card half covered still shows.
    const GeoPoint beside = m.map.coordinateForPoint({310, 200});
    m.map.setMarkers({{45.0, -1.0}, beside});
    m.map.setMarkerShapes({card, card});
    QCOMPARE(m.map.markersInView(), (QList<int>{0, 1}));
    // Shapes decide what reaches into view: a wide card whose point lies outside shows.
    const GeoPoint outside = m.map.coordinateForPoint({-60, 200});
    m.map.setMarkers({outside});
    m.map.setMarkerShapes({{QRectF(-80, -10, 160, 20), QRectF()}});
    QCOMPARE(m.map.markersInView(), QList<int>{0});
    m.map.setMarkerShapes({{QRectF(-40, -10, 80, 20), QRectF()}});
    QCOMPARE(m.map.markersInView(), QList<int>{});

    // See-through markers hide what lies under as many of them as the depth asks.
    const kv::MarkerShape veil{QRectF(-8, -8, 16, 16), QRectF(-8, -8, 16, 16)};
    const GeoPoint spot = m.map.coordinateForPoint({300, 200});
    m.map.setMarkers({spot, spot, spot, spot, spot});
    m.map.setMarkerShapes({veil, veil, veil, veil, veil});
    QCOMPARE(m.map.markersInView(), QList<int>{4});
    m.map.setMarkerOcclusionDepth(3);
    QCOMPARE(m.map.markersInView(), (QList<int>{2, 3, 4}));
}

void MapWidgetTest::roundsItsCorners()
{
    RecordingMap m({200, 120});
    m.map.setCornerRadius(14);
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    const QImage image = m.paint();
    QVERIFY(image.pixelColor(0, 0) != MapWidget::backgroundColor());
    QVERIFY(image.pixelColor(199, 119) != MapWidget::backgroundColor());
    QCOMPARE(image.pixelColor(20, 20), MapWidget::backgroundColor());
    QCOMPARE(image.pixelColor(100, 0), MapWidget::backgroundColor());
}

// The markers are drawn once for a view: painting again the same view (a focus change, a tile
// arriving, the window shown again) does not draw them again; a new view, new markers or new
// shapes do.
void MapWidgetTest::keepsItsMarkersLayerUntilSomethingChanges()
{
    RecordingMap m;
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    m.map.setMarkers({{45.0, -1.0}, {45.01, -1.0}});
    m.paint();
    QCOMPARE(m.painted.size(), 2);
    QImage again = m.paint();
    QCOMPARE(m.painted.size(), 0);
    QCOMPARE(again.pixelColor(300, 200), QColor(0, 0, 255)); // still shown
    m.map.panBy({10, 0});
    m.paint();
    QCOMPARE(m.painted.size(), 2);
    QCOMPARE(m.painted[0].second, QPointF(310, 200));
    m.map.zoomIn();
    m.paint();
    QCOMPARE(m.painted.size(), 2);
    m.map.setMarkers({{45.0, -1.0}});
    m.paint();
    QCOMPARE(m.painted.size(), 1);
    m.map.invalidateMarkers();
    m.paint();
    QCOMPARE(m.painted.size(), 1);
    m.map.resize(500, 400);
    m.paint();
    QCOMPARE(m.painted.size(), 1);
}

// Markers that fall into the same few pixels are drawn once, the last of them, when they look
// alike; a marker a little farther off, or of another look, is still drawn.
void MapWidgetTest::mergesMarkersOnOneSpot()
{
    RecordingMap m;
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    const GeoPoint spot = m.map.coordinateForPoint({300.5, 200.5});
    const GeoPoint away = m.map.coordinateForPoint({320, 200});
    m.map.setMarkers({spot, spot, away, spot});
    m.paint();
    QCOMPARE(m.painted.size(), 4); // no merging unless asked
    m.map.setMarkerMerging(4);
    QCOMPARE(m.map.markersInView(), (QList<int>{2, 3}));
    m.paint();
    QCOMPARE(m.painted.size(), 2);
    QCOMPARE(m.painted[1].first, 3);
    QCOMPARE(m.painted[1].second, QPointF(300.5, 200.5));
    // Looks apart: both drawn.
    m.map.setMarkerMerging(4, {1, 2, 1, 1});
    QCOMPARE(m.map.markersInView(), (QList<int>{1, 2, 3}));
    // Half a pixel apart, they part once zoomed in far enough.
    const GeoPoint beside = m.map.coordinateForPoint({301, 200.5});
    m.map.setMarkers({spot, beside});
    m.map.setMarkerMerging(4);
    for (int i = 0; i < 5; ++i)
        m.map.zoomIn();
    QCOMPARE(m.map.markersInView(), (QList<int>{0, 1}));
}

// Tens of thousands of markers are merged on a worker thread: the map keeps drawing the markers
// of the zoom before while a new zoom is worked out, and a zoom seen before is not worked out again.
void MapWidgetTest::mergesManyMarkersAside()
{
    RecordingMap m;
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    QList<GeoPoint> points;
    for (int i = 0; i < MapWidget::kMarkersAside; ++i)
        points.append(m.map.coordinateForPoint({100.0 + i % 400, 100.0 + i / 400}));
    m.map.setMarkers(points);
    m.map.setMarkerMerging(4);
    QVERIFY(m.map.markersInView().isEmpty());
    QVERIFY(!m.map.markersReady());
    QTRY_VERIFY(m.map.markersReady());
    const QList<int> merged = m.map.markersInView();
    QVERIFY(merged.size() > 1000 && merged.size() < 2000);
    QCOMPARE(merged.last(), MapWidget::kMarkersAside - 1);
    m.map.zoomIn();
    QVERIFY(!m.map.markersReady());
    QVERIFY(!m.map.markersInView().isEmpty());
    QTRY_VERIFY(m.map.markersReady());
    QVERIFY(m.map.markersInView().size() > merged.size());
    m.map.zoomOut();
    QVERIFY(m.map.markersReady());
    QCOMPARE(m.map.markersInView(), merged);
}

// Hundreds of labelled markers crowded together: the labels a paint draws never overlap, the top
// marker keeps its label, those left out come back when zoomed in, and panning moves no label
// off its marker.
void MapWidgetTest::labelsNeverOverlapAndShowWhenZoomedIn()
{
    RecordingMap m;
    QList<QRectF> drawn; // the labels the painter draws, as it is told
    m.map.setMarkerPainter([&](QPainter&, int index, const QPointF& at) {
        m.painted.append({index, at});
        if (index < 19 * 30 && m.map.markerLabelShown(index))
            drawn.append(QRectF(-40, 14, 80, 16).translated(at));
    });
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    QList<GeoPoint> points;
    QList<kv::MarkerShape> shapes;
    // A grid 12 pixels apart, the last row unlabelled.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            points.append(m.map.coordinateForPoint({120.0 + 12 * x, 80.0 + 12 * y}));
            const QRectF label = y == 19 ? QRectF() : QRectF(-40, 14, 80, 16);
            shapes.append({QRectF(-40, -6, 80, 36), QRectF(), label, QRectF(-6, -6, 12, 12), QRectF()});
        }
    m.map.setMarkers(points);
    m.map.setMarkerShapes(shapes);
    const auto overlaps = [](const QList<QRectF>& rects) {
        for (qsizetype i = 0; i < rects.size(); ++i)
            for (qsizetype j = i + 1; j < rects.size(); ++j)
                if (rects[i].intersects(rects[j]))
                    return true;
        return false;
    };
    m.paint();
    QCOMPARE(m.painted.size(), points.size()); // every marker is drawn, labelled or not
    QVERIFY(!drawn.isEmpty());
    QVERIFY(drawn.size() < 100);
    QVERIFY(!overlaps(drawn));
    QCOMPARE(m.map.labelsInView(), drawn);
    // The marker on top of the last labelled row keeps its label; an unlabelled one is whole.
    QVERIFY(m.map.markerLabelShown(18 * 30 + 29));
    QVERIFY(m.map.markerLabelShown(19 * 30));
    // Panning keeps the same labels.
    QList<int> labelled;
    for (int i = 0; i < points.size(); ++i)
        if (m.map.markerLabelShown(i))
            labelled.append(i);
    m.map.panBy({37, -21});
    drawn.clear();
    m.paint();
    QVERIFY(!overlaps(drawn));
    for (int i = 0; i < points.size(); ++i)
        QCOMPARE(m.map.markerLabelShown(i), labelled.contains(i));
    // Zoomed in, more labels fit; far enough, every one.
    m.map.zoomIn();
    drawn.clear();
    m.paint();
    QVERIFY(!overlaps(drawn));
    int shown = 0;
    for (int i = 0; i < points.size(); ++i)
        shown += m.map.markerLabelShown(i) ? 1 : 0;
    QVERIFY(shown > labelled.size());
    for (int i = 0; i < 4; ++i)
        m.map.zoomIn();
    for (int i = 0; i < points.size(); ++i)
        QVERIFY(m.map.markerLabelShown(i));
}

void MapWidgetTest::panByDragging()
{
    RecordingMap m;
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    QSignalSpy changed(&m.map, &MapWidget::regionChanged);
    const GeoPoint underStart = m.map.coordinateForPoint({100, 100});
    sendMouse(&m.map, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&m.map, QEvent::MouseMove, {130, 110}, Qt::NoButton, Qt::LeftButton);
    sendMouse(&m.map, QEvent::MouseMove, {160, 140}, Qt::NoButton, Qt::LeftButton);
    sendMouse(&m.map, QEvent::MouseButtonRelease, {160, 140}, Qt::LeftButton, Qt::NoButton);
    QVERIFY(changed.count() >= 2);
    // What was under the cursor followed it.
    const QPointF now = m.map.pointForCoordinate(underStart);
    QVERIFY(near(now.x(), 160, 1e-6));
    QVERIFY(near(now.y(), 140, 1e-6));
    // A move without the button held pans nothing.
    const MapRegion after = m.map.region();
    sendMouse(&m.map, QEvent::MouseMove, {300, 300}, Qt::NoButton, Qt::NoButton);
    QCOMPARE(m.map.region(), after);
    // A marker dragged along with the map is painted where the map put it.
    m.map.setMarkers({underStart});
    m.paint();
    QCOMPARE(m.painted.size(), 1);
    QVERIFY(near(m.painted[0].second.x(), 160, 1e-6));
}

void MapWidgetTest::zoomsWithWheelAroundTheCursor()
{
    RecordingMap m;
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.5, 0.5}));
    const double z = m.map.zoom();
    const QPointF cursor(450, 120);
    const GeoPoint under = m.map.coordinateForPoint(cursor);
    sendWheel(&m.map, cursor, 120);
    QCOMPARE(m.map.zoom(), z + 1);
    QPointF at = m.map.pointForCoordinate(under);
    QVERIFY(near(at.x(), cursor.x(), 1e-6) && near(at.y(), cursor.y(), 1e-6));
    // Small touchpad steps add up to a level.
    sendWheel(&m.map, cursor, -60);
    QCOMPARE(m.map.zoom(), z + 1);
    sendWheel(&m.map, cursor, -60);
    QCOMPARE(m.map.zoom(), z);
    at = m.map.pointForCoordinate(under);
    QVERIFY(near(at.x(), cursor.x(), 1e-6) && near(at.y(), cursor.y(), 1e-6));
    // Never past the deepest level.
    for (int i = 0; i < 30; ++i)
        sendWheel(&m.map, cursor, 120);
    QCOMPARE(m.map.zoom(), MapWidget::maxZoom);
}

void MapWidgetTest::zoomsWithPlusAndMinus()
{
    RecordingMap m;
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.5, 0.5}));
    const double z = m.map.zoom();
    const GeoPoint centre = m.map.centre();
    QTest::keyClick(&m.map, Qt::Key_Plus);
    QCOMPARE(m.map.zoom(), z + 1);
    QTest::keyClick(&m.map, Qt::Key_Minus);
    QTest::keyClick(&m.map, Qt::Key_Minus);
    QCOMPARE(m.map.zoom(), z - 1);
    QVERIFY(near(m.map.centre().latitude, centre.latitude, 1e-9));
    QVERIFY(near(m.map.centre().longitude, centre.longitude, 1e-9));
    // Arrows pan; the focused map shows a ring for keyboard users.
    m.map.show();
    m.map.activateWindow();
    m.map.setFocus();
    QTRY_VERIFY(m.map.hasFocus());
    QVERIFY(m.paint().pixelColor(1, 200) != MapWidget::backgroundColor());
    QTest::keyClick(&m.map, Qt::Key_Right);
    QVERIFY(m.map.centre().longitude > centre.longitude);
    QTest::keyClick(&m.map, Qt::Key_Up);
    QVERIFY(m.map.centre().latitude > centre.latitude);
}

void MapWidgetTest::ignoresInputWhenOff()
{
    RecordingMap m;
    m.map.setInteractive(false);
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.5, 0.5}));
    const MapRegion before = m.map.region();
    sendMouse(&m.map, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&m.map, QEvent::MouseMove, {200, 200}, Qt::NoButton, Qt::LeftButton);
    sendMouse(&m.map, QEvent::MouseButtonRelease, {200, 200}, Qt::LeftButton, Qt::NoButton);
    sendWheel(&m.map, {100, 100}, 240);
    QTest::keyClick(&m.map, Qt::Key_Plus);
    QCOMPARE(m.map.region(), before);
    QCOMPARE(m.map.focusPolicy(), Qt::NoFocus);
    m.map.setInteractive(true);
    QTest::keyClick(&m.map, Qt::Key_Plus);
    QVERIFY(!(m.map.region() == before));
}

void MapWidgetTest::paintsNeutralBackgroundWithoutTiles()
{
    RecordingMap m;
    QVERIFY(m.map.tileUrlTemplate().isEmpty());
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    m.map.setMarkers({{45.0, -1.0}});
    const QImage image = m.paint();
    QCOMPARE(image.pixelColor(10, 10), MapWidget::backgroundColor());
    QCOMPARE(image.pixelColor(590, 390), MapWidget::backgroundColor());
    QCOMPARE(image.pixelColor(300, 200), QColor(0, 0, 255));
    QCOMPARE(m.map.pendingTileCount(), 0);
    // Zoomed out beyond the world, outside it is background too.
    m.map.setZoom(0);
    QCOMPARE(m.paint().pixelColor(2, 2), MapWidget::backgroundColor());
    // Under a dark palette the ground is dark too.
    QPalette sombre = m.map.palette();
    sombre.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    sombre.setColor(QPalette::WindowText, Qt::white);
    m.map.setPalette(sombre);
    QVERIFY(m.paint().pixelColor(2, 2).lightness() < 80);
}

void MapWidgetTest::buildsTileAddresses()
{
    const QUrl def = MapWidget::tileUrl(MapWidget::defaultTileUrlTemplate(), 12, 2047, 1450);
    QCOMPARE(def.scheme(), QStringLiteral("https"));
    QCOMPARE(def.host(), QStringLiteral("data.geopf.fr"));
    const QUrlQuery q(def);
    QCOMPARE(q.queryItemValue(QStringLiteral("LAYER")), QStringLiteral("GEOGRAPHICALGRIDSYSTEMS.PLANIGNV2"));
    QCOMPARE(q.queryItemValue(QStringLiteral("TILEMATRIXSET")), QStringLiteral("PM"));
    QCOMPARE(q.queryItemValue(QStringLiteral("TILEMATRIX")), QStringLiteral("12"));
    QCOMPARE(q.queryItemValue(QStringLiteral("TILECOL")), QStringLiteral("2047"));
    QCOMPARE(q.queryItemValue(QStringLiteral("TILEROW")), QStringLiteral("1450"));
    QCOMPARE(MapWidget::tileUrl(QStringLiteral("http://h/{z}/{x}/{y}.png"), 3, 4, 5),
             QUrl(QStringLiteral("http://h/3/4/5.png")));
    QVERIFY(MapWidget::tileUrl(QStringLiteral("ftp://h/{z}/{x}/{y}.png"), 1, 1, 1).isEmpty());
    QVERIFY(MapWidget::tileUrl(QStringLiteral("not a url {z}"), 1, 1, 1).isEmpty());
}

void MapWidgetTest::showsTilesFromTheServer()
{
    TileServer server;
    RecordingMap m({600, 400}, server.urlTemplate());
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    m.map.setMarkers({{45.0, -1.0}});
    m.paint(); // asks for the tiles in view
    QVERIFY(m.map.pendingTileCount() > 0);
    QTRY_COMPARE_WITH_TIMEOUT(m.map.pendingTileCount(), 0, 10000);
    const QImage image = m.paint();
    QCOMPARE(image.pixelColor(10, 10), server.color);
    QCOMPARE(image.pixelColor(590, 390), server.color);
    QCOMPARE(image.pixelColor(300, 200), QColor(0, 0, 255)); // the marker over the tiles
    // Scaled to a zoom between levels, the tiles meet without a seam.
    QVERIFY(m.map.zoom() != std::round(m.map.zoom()));
    QCOMPARE(countPixels(image, [&image](QPoint p) { return image.pixelColor(p) == MapWidget::backgroundColor(); }), 0);
    // Only the tiles in view, each once, at the level nearest the map's zoom.
    const int z = m.map.tileLevel();
    QCOMPARE(z, int(std::lround(m.map.zoom())));
    QVERIFY(server.requested.size() >= 4 && server.requested.size() <= 16);
    QCOMPARE(QSet<QString>(server.requested.cbegin(), server.requested.cend()).size(), server.requested.size());
    for (const QString& key : std::as_const(server.requested))
        QVERIFY(key.startsWith(QString::number(z) + QLatin1Char('/')));

    // A second map of the same place needs no new request.
    const qsizetype asked = server.requested.size();
    RecordingMap other({600, 400}, server.urlTemplate());
    QVERIFY(other.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    QCOMPARE(other.paint().pixelColor(10, 10), server.color);
    QCOMPARE(server.requested.size(), asked);
}

void MapWidgetTest::keepsBackgroundWhereTilesFail()
{
    TileServer server;
    server.color = QColor(20, 160, 60);
    RecordingMap m({256, 256}, server.urlTemplate());
    // At zoom 1, a 256-pixel view centred on (0, 0) shows a quarter of each of the four tiles.
    QVERIFY(m.map.setCentre({0, 0}));
    QVERIFY(m.map.setZoom(1));
    server.missing.insert(QStringLiteral("1/0/0"));
    QVERIFY(m.loaded());
    const QImage image = m.paint();
    QCOMPARE(image.pixelColor(10, 10), MapWidget::backgroundColor()); // the missing north-west tile
    QCOMPARE(image.pixelColor(240, 10), server.color);
    QCOMPARE(image.pixelColor(10, 240), server.color);
    // A failed tile is not asked again at every paint: once the tiles another map asks for
    // afterwards have all come, the missing one was asked once.
    m.paint();
    RecordingMap other({256, 256}, server.urlTemplate());
    QVERIFY(other.map.setCentre({0, 0}));
    QVERIFY(other.map.setZoom(2));
    QVERIFY(other.loaded());
    QCOMPARE(server.requested.count(QStringLiteral("1/0/0")), 1);
}

void MapWidgetTest::saysWhyItsBackgroundIsMissing_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("a screen's map") << QSize(1000, 640);
    QTest::newRow("a driver's day") << QSize(300, 220);
    QTest::newRow("a site's small map") << QSize(280, 88);
}

// Whatever screen shows it, a map whose tiles cannot be had says why over itself, in dark ink on
// a light band within the map, and says nothing once it has nothing to say.
void MapWidgetTest::saysWhyItsBackgroundIsMissing()
{
    QFETCH(QSize, size);
    RecordingMap m(size);
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    const auto encre = [&m] {
        const QImage image = m.paint();
        return countPixels(image, [&image](QPoint p) { return qGray(image.pixel(p)) < 80; });
    };
    QCOMPARE(encre(), 0);
    QVERIFY(m.map.notice().isEmpty());
    QVERIFY(m.withoutService());
    QCOMPARE(m.map.notice(), MapWidget::unavailableText());
    QVERIFY(encre() > 50);
    m.map.setTileUrlTemplate({});
    QCOMPARE(encre(), 0);
    QVERIFY(m.map.notice().isEmpty());
}

// A screen reader finds the markers in view that have a name as the map's items, in painting
// order, each where it is drawn; a marker out of view or without a name is not listed, and with
// no marker in view one line says so. The map says why its background is missing there too.
void MapWidgetTest::listsItsNamedMarkersInViewToScreenReaders()
{
    RecordingMap m;
    m.map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m.map));
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    QAccessibleInterface* carte = QAccessible::queryAccessibleInterface(&m.map);
    QVERIFY(carte);
    QCOMPARE(carte->role(), QAccessible::List);
    const auto lus = [carte] {
        QStringList l;
        for (int i = 0; i < carte->childCount(); ++i)
            l.append(carte->child(i)->text(QAccessible::Name));
        return l;
    };
    QCOMPARE(lus(), QStringList{QStringLiteral("Aucun repère sur la carte")});
    QCOMPARE(carte->child(0)->role(), QAccessible::StaticText);
    m.map.setMarkers({{45.0, -1.0}, {45.01, -1.01}, {45.0, -0.90}, {10.0, 10.0}});
    const QStringList noms{QStringLiteral("Dupont <b>BTP</b>"), QString(), QStringLiteral("Martin"), QStringLiteral("Loin")};
    m.map.setMarkerName([&noms](int i) { return noms[i]; });
    QCOMPARE(lus(), (QStringList{QStringLiteral("Dupont <b>BTP</b>"), QStringLiteral("Martin")}));
    QAccessibleInterface* martin = carte->child(1);
    QCOMPARE(martin->role(), QAccessible::ListItem);
    QCOMPARE(carte->indexOfChild(martin), 1);
    const QRect ou = martin->rect();
    QVERIFY(QRect(m.map.mapToGlobal(QPoint(0, 0)), m.map.size()).contains(ou.center()));
    const QPoint point = m.map.mapToGlobal(m.map.pointForCoordinate({45.0, -0.90}).toPoint());
    QVERIFY(ou.contains(point));
    QCOMPARE(carte->childAt(point.x(), point.y()), martin);
    // Panned away from Martin, the map no longer lists it.
    m.map.panBy({200, 0});
    QVERIFY(m.map.pointForCoordinate({45.0, -0.90}).x() > 650 && m.map.pointForCoordinate({45.0, -1.0}).x() < 550);
    QCOMPARE(lus(), QStringList{QStringLiteral("Dupont <b>BTP</b>")});
    QVERIFY(carte->text(QAccessible::Description).isEmpty());
    m.map.panBy({-4000, 0});
    QCOMPARE(lus(), QStringList{QStringLiteral("Aucun repère dans la partie affichée de la carte")});
    QVERIFY(m.withoutService());
    QCOMPARE(carte->text(QAccessible::Description), MapWidget::unavailableText());

    // Thousands of markers in view: a reader is given the hundred on top and a line that says
    // how many more there are, never thousands of items one by one.
    QVERIFY(m.map.setRegion({45.0, -1.0, 0.1, 0.1}));
    m.map.setMarkers(QList<GeoPoint>(5000, GeoPoint{45.0, -1.0}));
    m.map.setMarkerName([](int i) { return QString::number(i); });
    QCOMPARE(carte->childCount(), 101);
    QCOMPARE(carte->child(0)->text(QAccessible::Name), QStringLiteral("4900"));
    QCOMPARE(carte->child(100)->text(QAccessible::Name),
             QLocale().toString(4900) + QStringLiteral(" autres repères dans cette partie de la carte : zoomez pour les entendre"));
}
