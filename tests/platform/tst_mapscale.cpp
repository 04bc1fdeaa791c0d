#include "tst_mapscale.h"

#include "platform/mapwidget.h"

#include <QLineF>
#include <QPainter>
#include <QStandardPaths>
#include <QTest>

using kv::MapWidget;

void MapScaleTest::init()
{
    QVERIFY(QStandardPaths::isTestModeEnabled());
}

void MapScaleTest::drawsItsContentOnce_data()
{
    QTest::addColumn<qreal>("radius");
    QTest::newRow("square corners") << qreal(0);
    QTest::newRow("rounded corners") << qreal(14);
}

// The map is drawn once over its whole size, whatever the screen's scale: one marker in the
// middle shows there and nowhere else, and only the corners are cut.
void MapScaleTest::drawsItsContentOnce()
{
    QFETCH(qreal, radius);
    MapWidget map;
    map.setTileUrlTemplate({});
    map.resize(400, 240);
    map.setCornerRadius(radius);
    const QColor blue(0, 0, 255);
    map.setMarkerPainter([&](QPainter& p, int, const QPointF& at) {
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawEllipse(at, 5, 5);
    });
    QVERIFY(map.setRegion({45.0, -1.0, 0.1, 0.1}));
    map.setMarkers({{45.0, -1.0}});
    const QImage image = map.grab().toImage();
    const qreal dpr = map.devicePixelRatioF();
    QCOMPARE(image.size(), (QSizeF(400, 240) * dpr).toSize());
    auto at = [&](double x, double y) { return image.pixelColor(int(x * dpr), int(y * dpr)); };
    QCOMPARE(at(200, 120), blue);
    // Blue nowhere but around the middle.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == blue && QLineF(QPointF(x, y) / dpr, QPointF(200, 120)).length() > 7)
                QFAIL(qPrintable(QStringLiteral("marker drawn at %1, %2").arg(x / dpr).arg(y / dpr)));
    QCOMPARE(at(200, 3), MapWidget::backgroundColor());
    QCOMPARE(at(3, 120), MapWidget::backgroundColor());
    if (radius > 0) {
        // Cut corners, and the map right inside them.
        QVERIFY(image.pixelColor(0, 0) != MapWidget::backgroundColor());
        QVERIFY(image.pixelColor(image.width() - 1, image.height() - 1) != MapWidget::backgroundColor());
        QCOMPARE(at(20, 20), MapWidget::backgroundColor());
        QCOMPARE(at(380, 220), MapWidget::backgroundColor());
    } else {
        QCOMPARE(image.pixelColor(0, 0), MapWidget::backgroundColor());
        QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), MapWidget::backgroundColor());
    }
}
