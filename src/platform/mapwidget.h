#pragma once

// A "slippy" map: web-mercator raster tiles of 256 pixels fetched from a URL template
// ({z}, {x}, {y}) through one shared network access manager and disk cache, with markers
// painted over them by the screen that owns the map. Without tiles (offline, no template, tests)
// it paints a neutral background and still shows the markers.
//
// Coordinates are checked everywhere: a latitude or longitude that is not finite or out of range
// is never taken, so no NaN reaches the projection.

#include <QHash>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace kv {

// True when both numbers are finite, |latitude| <= 90 and |longitude| <= 180.
bool isValidCoordinate(double latitude, double longitude);

struct GeoPoint {
    double latitude = 0;
    double longitude = 0;
    bool isValid() const { return isValidCoordinate(latitude, longitude); }
    bool operator==(const GeoPoint&) const = default;
};

// A part of the map: a centre and spans in degrees.
struct MapRegion {
    double centreLatitude = 0;
    double centreLongitude = 0;
    double latitudeSpan = 0;
    double longitudeSpan = 0;

    GeoPoint centre() const { return {centreLatitude, centreLongitude}; }
    // A valid centre and finite spans, each above 0, at most 180° of latitude and 360° of
    // longitude.
    bool isValid() const;
    bool operator==(const MapRegion&) const = default;
};

// The room one marker's drawing takes, relative to its point: `bounds` holds all of it, `opaque`
// the part that hides whatever lies under it (may be empty).
// A marker may carry a label (a name, a count): `label` is its room. Labels never overlap: where
// two would, the one painted later (the one on top) keeps its label and the other is drawn
// without it, with `unlabelledBounds` and `unlabelledOpaque` as its room, until the user zooms
// in far enough for both. An empty `label` means the marker has none and is always drawn whole.
struct MarkerShape {
    MarkerShape() = default;
    MarkerShape(const QRectF& bounds, const QRectF& opaque, const QRectF& label = {},
                const QRectF& unlabelledBounds = {}, const QRectF& unlabelledOpaque = {})
        : bounds(bounds), opaque(opaque), label(label), unlabelledBounds(unlabelledBounds),
          unlabelledOpaque(unlabelledOpaque)
    {
    }
    QRectF bounds;
    QRectF opaque;
    QRectF label;
    QRectF unlabelledBounds;
    QRectF unlabelledOpaque;
};

class MapWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int tileSize = 256;
    // Zoom z shows the world 256 × 2^z pixels wide; it runs continuously between these bounds.
    // Tiles come from the level nearest to it, scaled.
    static constexpr double minZoom = 0;
    static constexpr double maxZoom = 19;

    explicit MapWidget(QWidget* parent = nullptr);
    ~MapWidget() override;

    // --- Tiles
    // The Géoplateforme WMTS "Plan IGN v2" layer in the "PM" (web-mercator) tile matrix set.
    static QString defaultTileUrlTemplate();
    // The template of the settings (key "map/tileUrlTemplate"; an empty text there means no
    // tiles), else the default one. Under QStandardPaths' test mode, and without the key in the
    // settings, there are no tiles, so that no test ever reaches the network.
    static QString configuredTileUrlTemplate();
    // The address of one tile; empty when the template is not an http(s) or file address.
    static QUrl tileUrl(const QString& urlTemplate, int zoom, int x, int y);
    // The first tile asked for in a process loads the TLS library, reads the system's proxy
    // settings and looks the tile server's name up: tens of milliseconds of CPU that the first
    // map shown would make its user wait for. The program calls this once at start-up: they
    // are paid a few seconds later, off the GUI thread where they can be, and only when maps
    // have a tile server to reach. Tests and tools never call it: they reach no network.
    static void prepareNetworkLater();

    QString tileUrlTemplate() const { return m_tileTemplate; }
    // An empty template shows no tiles: the neutral background only.
    void setTileUrlTemplate(const QString& urlTemplate);
    // Tiles asked for and not yet answered, for this map.
    int pendingTileCount() const;

    // --- Region
    // Shows the whole region, centred on its centre, at the deepest zoom where it fits.
    // The region is kept until the user moves the map, and shown whole again when the widget
    // is resized. An invalid region changes nothing and gives false.
    bool setRegion(const MapRegion& region);
    // What the map shows now.
    MapRegion region() const;
    GeoPoint centre() const;
    bool setCentre(const GeoPoint& centre);
    double zoom() const { return m_zoom; }
    // A zoom outside the bounds, or not a number, changes nothing and gives false.
    bool setZoom(double zoom);
    // The deepest zoom at which `region`, centred, fits into `viewSize`.
    static double zoomFor(const MapRegion& region, const QSize& viewSize);
    // The tile level painted at the current zoom.
    int tileLevel() const;

    // Where a coordinate lies in this widget at the current centre and zoom (it may lie outside).
    QPointF pointForCoordinate(const GeoPoint& coordinate) const;
    GeoPoint coordinateForPoint(const QPointF& point) const;

    // --- Markers
    // Paints marker `index` (an index into the coordinates given to setMarkers) at `position`,
    // in widget pixels.
    using MarkerPainter = std::function<void(QPainter& painter, int index, const QPointF& position)>;
    // One entry per marker, in painting order (later ones are painted over earlier ones).
    // Markers whose coordinate is not valid are never painted.
    void setMarkers(const QList<GeoPoint>& coordinates);
    void setMarkerPainter(MarkerPainter painter);
    // Paints the label of marker `index` (see MarkerShape) at `position`. Labels are painted after
    // every marker, so that no marker is ever drawn over a name or a count; only the labels shown
    // at the current zoom are painted. Without it a marker paints its own label.
    void setLabelPainter(MarkerPainter painter);
    // How far, in pixels, a marker's drawing may reach from its point: markers whose point lies
    // farther than that outside the widget are not painted.
    void setMarkerOverhang(int pixels);
    // One shape per marker (or none): then a marker is painted only when its bounds reach into
    // the widget and it is not wholly hidden under the opaque parts of markers painted after it,
    // so that thousands of markers on one spot cost what the few seen cost.
    void setMarkerShapes(const QList<MarkerShape>& shapes);
    // The same for many markers that share a few shapes: each shape once in `shapes`, and one
    // index into it per marker, so that two hundred thousand markers hold two hundred thousand
    // numbers rather than as many rectangles.
    void setMarkerShapes(const QList<MarkerShape>& shapes, const QList<quint32>& shapeOfMarker);
    // How many opaque parts must lie over a spot before what is under it counts as hidden: 1
    // for markers that hide what they cover, more for see-through ones (1 by default).
    void setMarkerOcclusionDepth(int layers);
    // Markers whose points fall into the same cell of `cellPixels` (a grid fixed to the world at
    // the current zoom) and that look alike are drawn once: the last of them. `looks` gives one
    // look per marker (markers of different looks are all drawn); without it every marker looks
    // alike. 0 (the default) draws every marker.
    void setMarkerMerging(int cellPixels, const QList<quint32>& looks = {});
    // The markers' drawing changed without their places or shapes (colours, texts): the next
    // paint draws them again.
    void invalidateMarkers();
    int markerCount() const { return int(m_markers.size()); }
    // Whether the markers are worked out for the current zoom. Which markers merge and which
    // labels show are worked out once per zoom and kept until the markers change; with many
    // markers (kMarkersAside and more) that is done on a worker thread, the map meanwhile
    // drawing the markers as the zoom before had them (none before the first), so that no
    // click or key waits for it.
    bool markersReady() const;
    static constexpr int kMarkersAside = 20000;
    // The indexes of the markers that a paint would draw now, in painting order.
    const QList<int>& markersInView() const;
    // Whether marker `index` is drawn with its label at the current zoom (always true for a
    // marker without one). The marker painter asks it for the marker it paints. Labels are
    // placed once per zoom over all markers, so that panning never moves them.
    bool markerLabelShown(int index) const;
    // The rooms, in widget pixels, of the labels a paint would draw now, in painting order.
    QList<QRectF> labelsInView() const;
    // The marker drawn on top at `point` (widget pixels): the last of those in view whose bounds
    // (their shape's, else the overhang around their point) hold it; -1 when there is none.
    int markerAt(const QPointF& point) const;
    // The tool tip of marker `index`, shown when the mouse rests on it (an empty text shows
    // none). The text is used as given: plain text must come escaped where it looks like HTML.
    using MarkerToolTip = std::function<QString(int index)>;
    void setMarkerToolTip(MarkerToolTip toolTip);
    // The name of marker `index` as a screen reader speaks it (its label, as plain text). The
    // markers in view that have one are the map's accessible items, in painting order; while no
    // marker is in view, a single line says so (« Aucun repère sur la carte »).
    using MarkerName = std::function<QString(int index)>;
    void setMarkerName(MarkerName name);
    QString markerName(int index) const;
    // The markers in view that a screen reader lists: those with a name.
    const QList<int>& namedMarkersInView() const;
    // Where marker `index` is drawn, in widget pixels (empty when it is not in view).
    QRect markerRect(int index) const;

    // Rounds the map's corners (0: square corners, the default).
    void setCornerRadius(qreal radius);

    // --- Input
    // With input on (the default), dragging pans, the wheel and "+"/"-" zoom by one step
    // (twice or half the scale), arrows pan.
    void setInteractive(bool interactive);
    bool isInteractive() const { return m_interactive; }

    QSize sizeHint() const override { return {400, 300}; }
    QSize minimumSizeHint() const override { return {64, 64}; }

    // The colour painted where no tile is shown: a light neutral, a dark one under a dark palette.
    static QColor backgroundColor(const QPalette& palette = QPalette());
    // Whether the tiles of the shown part cannot be had: the map service did not answer for them
    // (offline, refused) and none of them is at hand. False without tiles to show.
    bool backgroundUnavailable() const { return m_backgroundUnavailable; }
    // What the map says over itself meanwhile, whatever screen shows it: why it shows a plain
    // background (empty while the background is shown, or without tiles to show).
    static QString unavailableText();
    QString notice() const { return m_backgroundUnavailable ? unavailableText() : QString(); }

public slots:
    void zoomIn();
    void zoomOut();
    void panBy(const QPointF& pixels);

signals:
    // The shown part changed: a new region, centre or zoom, a pan, or a resize.
    void regionChanged();
    // backgroundUnavailable() changed.
    void backgroundAvailabilityChanged(bool unavailable);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Marker {
        QPointF world; // normalised web-mercator position, 0…1 both ways
        bool valid = false;
    };

    // The markers' shapes: each one once, and which one each marker has (the markers' own, one
    // each, while `of` is empty).
    struct Shapes {
        QList<MarkerShape> table;
        QList<quint32> of;
        qsizetype size() const { return of.isEmpty() ? table.size() : of.size(); }
        const MarkerShape& operator[](qsizetype index) const { return of.isEmpty() ? table[index] : table[of[index]]; }
    };

    // The room marker `index` takes when its point lies at `at`, with or without its label.
    QRectF markerBounds(int index, const QPointF& at) const;
    QRectF markerOpaque(int index) const;
    bool hasLabels() const;
    // What one zoom makes of the markers: those left once merged, in painting order, and
    // whether each one's label shows.
    struct Level {
        std::vector<int> merged;
        std::vector<char> labelShown;
    };
    // Works a level out from copies of what it reads: safe on any thread. `size` is the world's
    // width in pixels at the zoom.
    static Level computeLevel(const QList<Marker>& markers, const Shapes& shapes,
                              const QList<quint32>& looks, int mergeCell, double size);
    void computeLevelAside(double zoom) const;
    void keepLevel(double zoom, std::shared_ptr<const Level> level) const;
    void levelReady(quint64 generation, double zoom, std::shared_ptr<const Level> level);
    // The markers, their shapes or their merging changed: no level worked out so far holds.
    void forgetLevels();
    // Widget = projected − this offset.
    QPointF projectionOffset() const;

    double worldSize() const; // pixels across the whole world at the current zoom
    QPointF worldToWidget(const QPointF& world) const;
    QPointF widgetToWorld(const QPointF& point) const;
    void applyFit();
    void setView(const QPointF& centre, double zoom, bool byUser);
    void zoomAround(double steps, const QPointF& anchor);
    // The tiles in view at the painted level, and their size on screen.
    struct TileGrid {
        int level = 0;
        double size = tileSize;
        QPointF origin; // where the world's top left corner lies in the widget
        int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    };
    TileGrid tileGrid() const;
    void paintMap(QPainter& painter);
    void paintTiles(QPainter& painter);
    void requestVisibleTiles();
    void setBackgroundUnavailable(bool unavailable);
    // Tells a screen reader that the items in view changed, once per turn of the event loop.
    void itemsChanged();
    QList<int> computeMarkersInView() const;
    // The notice in a band along the map's top edge, on the map's own light ground; cut with
    // "…" where a small map has no room for it whole.
    void paintNotice(QPainter& painter);
    // A tile, or the part `source` of one, scaled to `size` device pixels: made once per size.
    QPixmap scaledTile(const QString& url, const QPixmap& tile, const QRect& source, const QSize& size);
    // The markers drawn with the painter for the current view, kept until the view, the markers
    // or their drawing change: a picture of the part of the widget they cover, which starts at
    // m_layerOrigin (null when no marker is in view).
    const QImage& markerLayer();
    void invalidateLayer();
    // Each marker's place in pixels from the world's top left corner at the current zoom, and the
    // markers left once those in one cell are merged, in painting order: kept per zoom.
    void updateProjection() const;

    QString m_tileTemplate;
    QPointF m_centre{0.5, 0.5};
    double m_zoom = 5;
    std::optional<MapRegion> m_fit; // the region to keep whole until the user moves the map
    QList<Marker> m_markers;
    MarkerPainter m_markerPainter;
    MarkerPainter m_labelPainter;
    bool m_backgroundUnavailable = false;
    MarkerToolTip m_markerToolTip;
    MarkerName m_markerName;
    Shapes m_shapes;
    int m_markerOverhang = 24;
    int m_occlusionDepth = 1;
    qreal m_cornerRadius = 0;
    bool m_interactive = true;
    bool m_dragging = false;
    QPointF m_lastDragPoint;
    int m_wheelRemainder = 0;
    QSet<QString> m_wantedTiles;
    int m_mergeCell = 0;
    QList<quint32> m_looks;

    // Per zoom: projected places and merged markers.
    mutable double m_projectedZoom = -1;
    mutable std::vector<QPointF> m_projected;
    mutable std::vector<int> m_merged;
    mutable std::vector<char> m_labelShown; // per marker, at m_projectedZoom
    // The levels worked out for the current markers, the most recently used last.
    mutable QList<QPair<double, std::shared_ptr<const Level>>> m_levels;
    mutable QSet<double> m_levelsAside; // being worked out on a worker thread
    quint64 m_generation = 0;           // counts the changes of markers, shapes and merging
    // The markers in view, the named ones among them, and a flag per marker, for the view of
    // m_inViewSize while m_inViewValid.
    mutable QList<int> m_inView;
    mutable QList<int> m_namedInView;
    mutable std::vector<char> m_inViewFlags;
    mutable QSize m_inViewSize;
    mutable bool m_inViewValid = false;
    mutable bool m_namedInViewValid = false;
    bool m_itemsChangePending = false;
    // The markers' layer and the view it was drawn for.
    QImage m_layer;
    QPoint m_layerOrigin;
    QSize m_layerWidgetSize;
    bool m_layerValid = false;
    QPointF m_layerCentre;
    double m_layerZoom = -1;
    // The map painted aside, its corners cut away, where they are rounded.
    QImage m_rounded;
    // Scaled tiles of the current tile size on screen.
    QHash<QString, QPixmap> m_scaledTiles;
    double m_scaledTileSize = 0;
    qreal m_scaledTileDpr = 0;
};

} // namespace kv
