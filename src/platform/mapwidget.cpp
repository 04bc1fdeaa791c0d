#include "mapwidget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCache>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QHideEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QHostInfo>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QSettings>
#include <QSslSocket>
#include <QTextLayout>
#include <QStandardPaths>
#include <QThreadPool>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace kv {

namespace {

// Web mercator stops short of the poles.
constexpr double kMaxMercatorLatitude = 85.0511287798066;

double clampLatitude(double latitude)
{
    return std::clamp(latitude, -kMaxMercatorLatitude, kMaxMercatorLatitude);
}

// Normalised web-mercator: the whole world is the unit square, y growing southwards.
double worldX(double longitude)
{
    return (longitude + 180.0) / 360.0;
}

double worldY(double latitude)
{
    const double phi = clampLatitude(latitude) * std::numbers::pi / 180.0;
    return (1.0 - std::asinh(std::tan(phi)) / std::numbers::pi) / 2.0;
}

double longitudeAt(double x)
{
    return x * 360.0 - 180.0;
}

double latitudeAt(double y)
{
    return std::atan(std::sinh(std::numbers::pi * (1.0 - 2.0 * y))) * 180.0 / std::numbers::pi;
}

QPointF toWorld(const GeoPoint& p)
{
    return {worldX(p.longitude), worldY(p.latitude)};
}

// Every map of the process shares one network access manager, one disk cache and one memory
// cache of decoded tiles, all on the main thread.
class TileStore : public QObject {
    Q_OBJECT
public:
    static TileStore* instance()
    {
        if (!s_store)
            s_store = new TileStore(QCoreApplication::instance());
        return s_store;
    }
    // The store when there is one, without making it.
    static TileStore* existing() { return s_store; }

    const QPixmap* tile(const QString& url) const { return m_tiles.object(url); }
    bool isPending(const QString& url) const { return m_pending.contains(url) || m_decoding.contains(url); }
    // Asked for a short while ago and not had: it is not asked for again before then.
    bool failedRecently(const QString& url) const
    {
        const auto failed = m_failedAt.constFind(url);
        return failed != m_failedAt.cend() && QDateTime::currentMSecsSinceEpoch() - *failed < kRetryAfterMs;
    }

    // Asks for a tile unless it is in memory, on its way, or failed a short while ago.
    void request(const QString& url)
    {
        if (m_tiles.contains(url) || isPending(url) || failedRecently(url))
            return;
        // A tile decoded by an earlier visit is laid out as the screen draws it: read, not decoded.
        if (QImage image = readDecoded(url); !image.isNull()) {
            m_tiles.insert(url, new QPixmap(QPixmap::fromImage(std::move(image))));
            return;
        }
        // A tile kept on disk from an earlier answer is read straight from there, as the
        // network manager would with its cache preferred, without starting the manager, its
        // thread, its proxy lookup and its TLS library: an office without network shows the
        // tiles it has at the cost of reading them.
        if (const std::unique_ptr<QIODevice> kept{diskCache()->data(QUrl(url))}) {
            m_fromDisk.insert(url);
            toDecode(url, kept->readAll());
            return;
        }
        QNetworkRequest request{QUrl(url)};
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setTransferTimeout(kTimeoutMs);
        request.setHeader(QNetworkRequest::UserAgentHeader,
                          QStringLiteral("Kestrovan/%1").arg(QCoreApplication::applicationVersion()));
        QNetworkReply* reply = network()->get(request);
        m_pending.insert(url, reply);
        connect(reply, &QNetworkReply::finished, this, [this, url, reply] { onFinished(url, reply); });
    }

    // Each map tells which tiles it still wants; tiles no map wants any more are not fetched.
    void setWanted(const QObject* map, const QSet<QString>& urls)
    {
        if (urls.isEmpty())
            m_wanted.remove(map);
        else
            m_wanted.insert(map, urls);
        const QList<QString> pending = m_pending.keys();
        for (const QString& url : pending) {
            const bool wanted = std::any_of(m_wanted.cbegin(), m_wanted.cend(),
                                            [&](const QSet<QString>& set) { return set.contains(url); });
            if (!wanted) {
                QNetworkReply* reply = m_pending.take(url);
                reply->disconnect(this);
                reply->abort();
                reply->deleteLater();
            }
        }
    }

signals:
    void tileArrived(const QString& url);
    void tileFailed(const QString& url);

private:
    static constexpr int kTimeoutMs = 15000;
    // Decoded tiles kept on disk: 256 KB each, a few dozen screenfuls.
    static constexpr int kDecodedKept = 512;
    struct DecodedHeader {
        static constexpr quint32 kMagic = 0x4B565431; // "KVT1"
        quint32 magic = 0;
        qint32 width = 0;
        qint32 height = 0;
        qint32 format = 0;
    };
    static constexpr qint64 kRetryAfterMs = 60000;

    explicit TileStore(QObject* parent) : QObject(parent), m_tiles(256) { m_decoders.setMaxThreadCount(2); }
    // No decoding outlives the store: its answers are posted to a store still whole.
    ~TileStore() override { m_decoders.waitForDone(); }

    QNetworkDiskCache* diskCache()
    {
        if (!m_cache) {
            m_cache = new QNetworkDiskCache(this);
            m_cache->setCacheDirectory(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
                                       + QStringLiteral("/tiles"));
            m_cache->setMaximumCacheSize(200LL * 1024 * 1024);
        }
        return m_cache;
    }

    QNetworkAccessManager* network()
    {
        if (!m_network) {
            m_network = new QNetworkAccessManager(this);
            m_network->setCache(diskCache());
        }
        return m_network;
    }

    void toDecode(const QString& url, QByteArray data)
    {
        m_decoding.insert(url);
        m_toDecode.append({url, std::move(data)});
        if (m_toDecode.size() == 1)
            QMetaObject::invokeMethod(this, &TileStore::decodeBatch, Qt::QueuedConnection);
    }

    void onFinished(const QString& url, QNetworkReply* reply)
    {
        reply->deleteLater();
        if (m_pending.value(url) != reply)
            return;
        m_pending.remove(url);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || (status != 0 && (status < 200 || status >= 300))) {
            failed(url);
            return;
        }
        // A screenful of tiles takes tens of milliseconds to decode: done on a thread of the
        // store's own, in the format the screen draws, so that the user's clicks never wait
        // for it. The answers of one turn of the event loop go together: one wake of that
        // thread for a screenful, not one a tile. A tile stays pending meanwhile: it is not
        // asked for twice.
        toDecode(url, reply->readAll());
    }

    // Where the decoded pixels of a tile are kept: beside the disk cache, one file per tile.
    static QString decodedFolder()
    {
        return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/tiles-decoded");
    }
    static QString decodedPath(const QString& folder, const QString& url)
    {
        return folder + QLatin1Char('/')
               + QString::fromLatin1(QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Sha1).toHex());
    }

    // The decoded tile of `url` kept by an earlier decoding; null when there is none or when what
    // is kept does not read whole (it is then forgotten, and the tile decoded again).
    QImage readDecoded(const QString& url)
    {
        if (m_decodedFolder.isEmpty())
            m_decodedFolder = decodedFolder();
        QFile file(decodedPath(m_decodedFolder, url));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        DecodedHeader header;
        const bool headerRead = file.read(reinterpret_cast<char*>(&header), sizeof header) == qint64(sizeof header);
        QImage image;
        if (headerRead && header.magic == DecodedHeader::kMagic && header.width > 0 && header.width <= 1024
            && header.height > 0 && header.height <= 1024
            && (header.format == QImage::Format_RGB32 || header.format == QImage::Format_ARGB32_Premultiplied)) {
            image = QImage(header.width, header.height, QImage::Format(header.format));
            if (file.size() != qint64(sizeof header) + image.sizeInBytes()
                || file.read(reinterpret_cast<char*>(image.bits()), image.sizeInBytes()) != image.sizeInBytes())
                image = QImage();
        }
        if (image.isNull())
            file.remove();
        return image;
    }

    // Keeps the decoded pixels of a tile for the next program that shows it, on the decoding
    // thread; the oldest go once the folder holds more than kDecodedKept tiles.
    static void keepDecoded(const QString& folder, const QString& url, const QImage& image)
    {
        if (!QDir().mkpath(folder))
            return;
        const QString path = decodedPath(folder, url);
        // Written aside, then put in place whole: a reader never meets half a tile.
        QFile part(path + QStringLiteral(".part"));
        if (!part.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        const DecodedHeader header{DecodedHeader::kMagic, image.width(), image.height(), int(image.format())};
        const bool written = part.write(reinterpret_cast<const char*>(&header), sizeof header) == qint64(sizeof header)
                             && part.write(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes())
                                    == image.sizeInBytes();
        part.close();
        QFile::remove(path);
        if (!written || !part.rename(path)) {
            part.remove();
            return;
        }
        static std::atomic<int> keptSincePrune{kDecodedKept};
        if (keptSincePrune.fetch_add(1) < kDecodedKept / 8)
            return;
        keptSincePrune = 0;
        QFileInfoList kept = QDir(folder).entryInfoList(QDir::Files, QDir::Time);
        for (qsizetype i = kDecodedKept; i < kept.size(); ++i)
            QFile::remove(kept[i].filePath());
    }

    void decodeBatch()
    {
        if (m_decodedFolder.isEmpty())
            m_decodedFolder = decodedFolder();
        m_decoders.start([this, folder = m_decodedFolder, batch = std::exchange(m_toDecode, {})] {
            QList<std::pair<QString, QImage>> images;
            images.reserve(batch.size());
            for (const auto& [url, data] : batch) {
                QImage image;
                image.loadFromData(data);
                if (!image.isNull()) {
                    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32);
                    keepDecoded(folder, url, image);
                }
                images.append({url, std::move(image)});
            }
            QMetaObject::invokeMethod(this, [this, images = std::move(images)]() mutable {
                for (auto& [url, image] : images)
                    decoded(url, std::move(image));
            }, Qt::QueuedConnection);
        });
    }

    void decoded(const QString& url, QImage image)
    {
        m_decoding.remove(url);
        const bool fromDisk = m_fromDisk.remove(url);
        if (image.isNull()) {
            // A damaged tile on disk is asked for again, from the network, next time.
            if (fromDisk)
                diskCache()->remove(QUrl(url));
            failed(url);
            return;
        }
        m_failedAt.remove(url);
        m_tiles.insert(url, new QPixmap(QPixmap::fromImage(std::move(image))));
        emit tileArrived(url);
    }

    void failed(const QString& url)
    {
        m_failedAt.insert(url, QDateTime::currentMSecsSinceEpoch());
        emit tileFailed(url);
    }

    static inline QPointer<TileStore> s_store;
    QNetworkAccessManager* m_network = nullptr;
    QNetworkDiskCache* m_cache = nullptr;
    QString m_decodedFolder;
    QSet<QString> m_fromDisk; // being decoded, read from the disk
    QCache<QString, QPixmap> m_tiles;
    QHash<QString, QNetworkReply*> m_pending;
    QSet<QString> m_decoding;
    QList<std::pair<QString, QByteArray>> m_toDecode;
    QThreadPool m_decoders;
    QHash<QString, qint64> m_failedAt;
    QHash<const QObject*, QSet<QString>> m_wanted;
};

// Marker index of the line a map lists while no marker is in view.
constexpr int kNothingInView = -1;
// Marker index of the line that closes a list cut short: how many more markers are in view.
constexpr int kMoreInView = -2;
// A screen reader hears at most this many markers of one view, the nearest the top first; a
// zoom brings the others into the list. Thousands of items announced one by one would freeze
// the program while a reader listens.
constexpr int kMaxItems = 100;

// What a map without a marker in view says in place of its items.
QString nothingInView(const MapWidget* map)
{
    return map->markerCount() == 0 ? QStringLiteral("Aucun repère sur la carte")
                                   : QStringLiteral("Aucun repère dans la partie affichée de la carte");
}

// One marker of a map as a screen reader lists it: an item named by the marker's label, where the
// marker is drawn; or, while none is in view, a line that says so, over the whole map.
class MarkerAccessible : public QAccessibleInterface {
public:
    MarkerAccessible(MapWidget* map, int index) : m_map(map), m_index(index) {}
    bool isValid() const override { return m_map && m_index < m_map->markerCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_map ? m_map->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_map); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !m_map)
            return {};
        if (m_index == kNothingInView)
            return nothingInView(m_map);
        if (m_index == kMoreInView) {
            const int autres = int(m_map->namedMarkersInView().size()) - kMaxItems;
            return QStringLiteral("%1 autres repères dans cette partie de la carte : zoomez pour les entendre")
                .arg(QLocale().toString(autres));
        }
        return m_map->markerName(m_index);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!m_map)
            return {};
        const QRect r = m_index < 0 ? m_map->rect() : m_map->markerRect(m_index);
        return r.isEmpty() ? QRect() : r.translated(m_map->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override { return m_index < 0 ? QAccessible::StaticText : QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !m_map || rect().isEmpty();
        s.readOnly = true;
        return s;
    }
    int index() const { return m_index; }

private:
    QPointer<MapWidget> m_map;
    int m_index;
};

// The map as a screen reader sees it: a list of the named markers in view, described by what the
// map says over itself.
class MapAccessible : public QAccessibleWidget {
public:
    explicit MapAccessible(MapWidget* map) : QAccessibleWidget(map, QAccessible::List) {}
    ~MapAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_items))
            QAccessible::deleteAccessibleInterface(id);
    }
    MapWidget* map() const { return static_cast<MapWidget*>(widget()); }
    // The named markers in view; while no marker at all is in view, the line that says so.
    // Markers in view that no name was given for are not listed.
    QList<int> items() const
    {
        if (map()->markersInView().isEmpty())
            return {kNothingInView};
        const QList<int>& named = map()->namedMarkersInView();
        if (named.size() <= kMaxItems)
            return named;
        // The markers painted last stand on top: they are the ones a user sees.
        QList<int> shown = named.mid(named.size() - kMaxItems);
        shown.append(kMoreInView);
        return shown;
    }
    int childCount() const override { return int(items().size()); }
    QAccessibleInterface* child(int i) const override
    {
        const QList<int> shown = items();
        return i >= 0 && i < shown.size() ? item(shown[i]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* marker = dynamic_cast<const MarkerAccessible*>(child);
        return marker ? int(items().indexOf(marker->index())) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const int index = map()->markerAt(map()->mapFromGlobal(QPointF(x, y)));
        return index >= 0 && !map()->markerName(index).isEmpty() ? item(index) : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        const QString notice = map()->notice();
        if (t == QAccessible::Description && !notice.isEmpty())
            text = text.isEmpty() ? notice : text + QLatin1Char('\n') + notice;
        return text;
    }

private:
    QAccessibleInterface* item(int index) const
    {
        auto it = m_items.constFind(index);
        if (it == m_items.cend())
            it = m_items.insert(index, QAccessible::registerAccessibleInterface(new MarkerAccessible(map(), index)));
        return QAccessible::accessibleInterface(*it);
    }
    mutable QHash<int, QAccessible::Id> m_items;
};

QAccessibleInterface* mapAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("kv::MapWidget") && object && object->isWidgetType())
        return new MapAccessible(static_cast<MapWidget*>(object));
    return nullptr;
}

} // namespace

void MapWidget::prepareNetworkLater()
{
    // Once the program is up and the user looks at its first screen.
    QTimer::singleShot(4000, QCoreApplication::instance(), [] {
        const QUrl url = tileUrl(configuredTileUrlTemplate(), 0, 0, 0);
        if (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))
            return;
        QThreadPool::globalInstance()->start([url] {
            if (url.scheme() == QLatin1String("https"))
                QSslSocket::supportsSsl();
            QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
        });
        // The answer lands in the name cache that the tile requests read.
        QHostInfo::lookupHost(url.host(), QCoreApplication::instance(), [](const QHostInfo&) {});
    });
}

bool isValidCoordinate(double latitude, double longitude)
{
    return std::isfinite(latitude) && std::isfinite(longitude) && std::abs(latitude) <= 90.0
           && std::abs(longitude) <= 180.0;
}

bool MapRegion::isValid() const
{
    return isValidCoordinate(centreLatitude, centreLongitude) && std::isfinite(latitudeSpan)
           && std::isfinite(longitudeSpan) && latitudeSpan > 0 && longitudeSpan > 0
           && latitudeSpan <= 180.0 && longitudeSpan <= 360.0;
}

MapWidget::MapWidget(QWidget* parent) : QWidget(parent), m_tileTemplate(configuredTileUrlTemplate())
{
    static const bool accessible = (QAccessible::installFactory(mapAccessibleFactory), true);
    Q_UNUSED(accessible);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
    setMouseTracking(false);
    connect(TileStore::instance(), &TileStore::tileArrived, this, [this](const QString& url) {
        if (!m_wantedTiles.contains(url))
            return;
        setBackgroundUnavailable(false);
        update();
    });
    connect(TileStore::instance(), &TileStore::tileFailed, this, [this](const QString& url) {
        // Unavailable while no tile of the shown part is at hand: one failed tile among shown
        // ones leaves a gap, not a blank map.
        const TileStore* store = TileStore::existing();
        if (m_wantedTiles.contains(url) && store
            && std::none_of(m_wantedTiles.cbegin(), m_wantedTiles.cend(),
                            [store](const QString& u) { return store->tile(u) != nullptr; }))
            setBackgroundUnavailable(true);
    });
}

MapWidget::~MapWidget()
{
    if (TileStore* store = TileStore::existing())
        store->setWanted(this, {});
}

QString MapWidget::defaultTileUrlTemplate()
{
    return QStringLiteral("https://data.geopf.fr/wmts?SERVICE=WMTS&REQUEST=GetTile&VERSION=1.0.0"
                          "&LAYER=GEOGRAPHICALGRIDSYSTEMS.PLANIGNV2&STYLE=normal&TILEMATRIXSET=PM"
                          "&FORMAT=image/png&TILEMATRIX={z}&TILEROW={y}&TILECOL={x}");
}

QString MapWidget::configuredTileUrlTemplate()
{
    const QVariant configured = QSettings().value(QStringLiteral("map/tileUrlTemplate"));
    if (configured.isValid())
        return configured.toString().trimmed();
    return QStandardPaths::isTestModeEnabled() ? QString() : defaultTileUrlTemplate();
}

QUrl MapWidget::tileUrl(const QString& urlTemplate, int zoom, int x, int y)
{
    QString text = urlTemplate;
    text.replace(QLatin1String("{z}"), QString::number(zoom));
    text.replace(QLatin1String("{x}"), QString::number(x));
    text.replace(QLatin1String("{y}"), QString::number(y));
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid()
        || (scheme != QLatin1String("https") && scheme != QLatin1String("http") && scheme != QLatin1String("file")))
        return {};
    return url;
}

void MapWidget::setTileUrlTemplate(const QString& urlTemplate)
{
    if (urlTemplate == m_tileTemplate)
        return;
    m_tileTemplate = urlTemplate;
    m_wantedTiles.clear();
    TileStore::instance()->setWanted(this, {});
    update();
}

int MapWidget::pendingTileCount() const
{
    const TileStore* store = TileStore::instance();
    return int(std::count_if(m_wantedTiles.cbegin(), m_wantedTiles.cend(),
                             [store](const QString& url) { return store->isPending(url); }));
}

QColor MapWidget::backgroundColor(const QPalette& palette)
{
    // Under a dark palette the plain ground is dark too: no bright surface where tiles are missing.
    if (palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness())
        return QColor(0x3A, 0x39, 0x36);
    return QColor(0xE6, 0xE4, 0xDF);
}

// --- Geometry

double MapWidget::worldSize() const
{
    return double(tileSize) * std::exp2(m_zoom);
}

QPointF MapWidget::worldToWidget(const QPointF& world) const
{
    const double size = worldSize();
    return {(world.x() - m_centre.x()) * size + width() / 2.0,
            (world.y() - m_centre.y()) * size + height() / 2.0};
}

QPointF MapWidget::widgetToWorld(const QPointF& point) const
{
    const double size = worldSize();
    return {m_centre.x() + (point.x() - width() / 2.0) / size,
            m_centre.y() + (point.y() - height() / 2.0) / size};
}

QPointF MapWidget::pointForCoordinate(const GeoPoint& coordinate) const
{
    if (!coordinate.isValid())
        return {};
    return worldToWidget(toWorld(coordinate));
}

GeoPoint MapWidget::coordinateForPoint(const QPointF& point) const
{
    const QPointF world = widgetToWorld(point);
    return {latitudeAt(std::clamp(world.y(), 0.0, 1.0)), longitudeAt(std::clamp(world.x(), 0.0, 1.0))};
}

double MapWidget::zoomFor(const MapRegion& region, const QSize& viewSize)
{
    if (!region.isValid() || viewSize.isEmpty())
        return minZoom;
    // Fit each half of the region around its centre: the centre stays the centre, and mercator
    // stretches the half nearer the pole more.
    const double cy = worldY(region.centreLatitude);
    const double north = worldY(std::min(90.0, region.centreLatitude + region.latitudeSpan / 2));
    const double south = worldY(std::max(-90.0, region.centreLatitude - region.latitudeSpan / 2));
    const double height = 2.0 * std::max(cy - north, south - cy);
    const double width = region.longitudeSpan / 360.0;
    double scale = viewSize.width() / (width * tileSize);
    if (height > 0)
        scale = std::min(scale, viewSize.height() / (height * tileSize));
    if (!(scale > 0) || !std::isfinite(scale))
        return scale > 0 ? maxZoom : minZoom;
    return std::clamp(std::log2(scale), minZoom, maxZoom);
}

int MapWidget::tileLevel() const
{
    return std::clamp(int(std::lround(m_zoom)), int(minZoom), int(maxZoom));
}

bool MapWidget::setRegion(const MapRegion& region)
{
    if (!region.isValid())
        return false;
    m_fit = region;
    applyFit();
    return true;
}

void MapWidget::applyFit()
{
    if (!m_fit)
        return;
    const QSize size = this->size().isEmpty() ? sizeHint() : this->size();
    setView(toWorld(m_fit->centre()), zoomFor(*m_fit, size), false);
}

MapRegion MapWidget::region() const
{
    const double size = worldSize();
    const QPointF topLeft = widgetToWorld(QPointF(0, 0));
    const QPointF bottomRight = widgetToWorld(QPointF(width(), height()));
    const double north = latitudeAt(std::clamp(topLeft.y(), 0.0, 1.0));
    const double south = latitudeAt(std::clamp(bottomRight.y(), 0.0, 1.0));
    const GeoPoint c = centre();
    return {c.latitude, c.longitude, std::max(north - south, 1e-9),
            std::clamp(width() / size * 360.0, 1e-9, 360.0)};
}

GeoPoint MapWidget::centre() const
{
    return {latitudeAt(m_centre.y()), longitudeAt(m_centre.x())};
}

bool MapWidget::setCentre(const GeoPoint& centre)
{
    if (!centre.isValid())
        return false;
    m_fit.reset();
    setView(toWorld(centre), m_zoom, false);
    return true;
}

bool MapWidget::setZoom(double zoom)
{
    if (!(zoom >= minZoom && zoom <= maxZoom))
        return false;
    m_fit.reset();
    setView(m_centre, zoom, false);
    return true;
}

void MapWidget::setView(const QPointF& centre, double zoom, bool byUser)
{
    if (byUser)
        m_fit.reset();
    const QPointF clamped(std::clamp(centre.x(), 0.0, 1.0), std::clamp(centre.y(), 0.0, 1.0));
    if (clamped == m_centre && zoom == m_zoom)
        return;
    m_centre = clamped;
    m_zoom = zoom;
    update();
    itemsChanged();
    emit regionChanged();
}

void MapWidget::zoomIn()
{
    zoomAround(1, QPointF(width() / 2.0, height() / 2.0));
}

void MapWidget::zoomOut()
{
    zoomAround(-1, QPointF(width() / 2.0, height() / 2.0));
}

void MapWidget::zoomAround(double steps, const QPointF& anchor)
{
    const double zoom = std::clamp(m_zoom + steps, minZoom, maxZoom);
    if (zoom == m_zoom)
        return;
    // The place under the anchor stays under it.
    const QPointF world = widgetToWorld(anchor);
    const double size = double(tileSize) * std::exp2(zoom);
    const QPointF centre(world.x() - (anchor.x() - width() / 2.0) / size,
                         world.y() - (anchor.y() - height() / 2.0) / size);
    setView(centre, zoom, true);
}

void MapWidget::panBy(const QPointF& pixels)
{
    if (!std::isfinite(pixels.x()) || !std::isfinite(pixels.y()))
        return;
    // The map follows the hand: dragging right brings what lies west into view.
    setView(m_centre - pixels / worldSize(), m_zoom, true);
}

// --- Markers

void MapWidget::setMarkers(const QList<GeoPoint>& coordinates)
{
    m_markers.clear();
    m_markers.reserve(coordinates.size());
    for (const GeoPoint& p : coordinates)
        m_markers.append(p.isValid() ? Marker{toWorld(p), true} : Marker{});
    forgetLevels();
    invalidateLayer();
    itemsChanged();
}

void MapWidget::itemsChanged()
{
    m_inViewValid = false;
    if (!QAccessible::isActive() || m_itemsChangePending)
        return;
    // Once per turn of the event loop, however many steps a pan or a zoom took.
    m_itemsChangePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_itemsChangePending = false;
            QAccessibleEvent event(this, QAccessible::ObjectReorder);
            QAccessible::updateAccessibility(&event);
        },
        Qt::QueuedConnection);
}

void MapWidget::setMarkerName(MarkerName name)
{
    m_markerName = std::move(name);
    itemsChanged();
}

QString MapWidget::markerName(int index) const
{
    return m_markerName && index >= 0 && index < m_markers.size() ? m_markerName(index) : QString();
}

const QList<int>& MapWidget::namedMarkersInView() const
{
    markersInView();
    if (!m_namedInViewValid) {
        m_namedInView.clear();
        if (m_markerName)
            for (int index : std::as_const(m_inView))
                if (!m_markerName(index).isEmpty())
                    m_namedInView.append(index);
        m_namedInViewValid = true;
    }
    return m_namedInView;
}

QRect MapWidget::markerRect(int index) const
{
    markersInView();
    if (index < 0 || index >= m_markers.size() || !m_inViewFlags[size_t(index)])
        return {};
    return markerBounds(index, m_projected[size_t(index)] - projectionOffset()).toAlignedRect() & rect();
}

void MapWidget::setMarkerPainter(MarkerPainter painter)
{
    m_markerPainter = std::move(painter);
    invalidateLayer();
}

void MapWidget::setLabelPainter(MarkerPainter painter)
{
    m_labelPainter = std::move(painter);
    invalidateLayer();
}

void MapWidget::setBackgroundUnavailable(bool unavailable)
{
    if (unavailable == m_backgroundUnavailable)
        return;
    m_backgroundUnavailable = unavailable;
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
    // A change found while painting is in the picture being painted.
    if (!paintingActive())
        update();
    emit backgroundAvailabilityChanged(unavailable);
}

void MapWidget::setMarkerOverhang(int pixels)
{
    m_markerOverhang = std::max(0, pixels);
    invalidateLayer();
}

void MapWidget::setMarkerShapes(const QList<MarkerShape>& shapes)
{
    setMarkerShapes(shapes, {});
}

void MapWidget::setMarkerShapes(const QList<MarkerShape>& shapes, const QList<quint32>& shapeOfMarker)
{
    const bool known = std::all_of(shapeOfMarker.cbegin(), shapeOfMarker.cend(),
                                   [&shapes](quint32 shape) { return shape < quint32(shapes.size()); });
    // An index to no shape gives the markers none: they are all painted, as without shapes.
    m_shapes = known ? Shapes{shapes, shapeOfMarker} : Shapes{};
    forgetLevels();
    invalidateLayer();
}

void MapWidget::setMarkerMerging(int cellPixels, const QList<quint32>& looks)
{
    m_mergeCell = std::max(0, cellPixels);
    m_looks = looks;
    forgetLevels();
    invalidateLayer();
}

void MapWidget::invalidateMarkers()
{
    invalidateLayer();
}

void MapWidget::invalidateLayer()
{
    m_layerValid = false;
    m_inViewValid = false;
    update();
}

namespace {

// Levels kept per map: the zooms a user steps through and back.
constexpr qsizetype kLevelsKept = 8;

} // namespace

void MapWidget::updateProjection() const
{
    if (m_projectedZoom == m_zoom && m_projected.size() == size_t(m_markers.size()))
        return;
    const double size = worldSize();
    m_projected.resize(size_t(m_markers.size()));
    for (qsizetype i = 0; i < m_markers.size(); ++i)
        m_projected[size_t(i)] = m_markers[i].world * size;
    m_projectedZoom = m_zoom;
    for (qsizetype k = 0; k < m_levels.size(); ++k)
        if (m_levels[k].first == m_zoom) {
            const std::shared_ptr<const Level> level = m_levels[k].second;
            m_levels.move(k, m_levels.size() - 1);
            m_merged = level->merged;
            m_labelShown = level->labelShown;
            return;
        }
    if (m_markers.size() < kMarkersAside) {
        auto level = std::make_shared<const Level>(computeLevel(m_markers, m_shapes, m_looks, m_mergeCell, size));
        keepLevel(m_zoom, level);
        m_merged = level->merged;
        m_labelShown = level->labelShown;
        return;
    }
    // Meanwhile the markers stand where this zoom puts them, merged and labelled as before.
    if (m_labelShown.size() != size_t(m_markers.size())) {
        m_merged.clear();
        m_labelShown.assign(size_t(m_markers.size()), 0);
    }
    computeLevelAside(m_zoom);
}

bool MapWidget::markersReady() const
{
    return m_markers.isEmpty()
           || std::any_of(m_levels.cbegin(), m_levels.cend(), [this](const auto& l) { return l.first == m_zoom; });
}

void MapWidget::computeLevelAside(double zoom) const
{
    if (m_levelsAside.contains(zoom))
        return;
    m_levelsAside.insert(zoom);
    // The widget is only ever looked at on its own thread, when the answer arrives.
    auto self = std::make_shared<QPointer<MapWidget>>(const_cast<MapWidget*>(this));
    QThreadPool::globalInstance()->start([self, markers = m_markers, shapes = m_shapes, looks = m_looks,
                                          cell = m_mergeCell, zoom, generation = m_generation] {
        auto level = std::make_shared<const Level>(
            computeLevel(markers, shapes, looks, cell, double(tileSize) * std::exp2(zoom)));
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, generation, zoom, level] {
            if (*self)
                (*self)->levelReady(generation, zoom, level);
        }, Qt::QueuedConnection);
    });
}

void MapWidget::keepLevel(double zoom, std::shared_ptr<const Level> level) const
{
    if (m_levels.size() >= kLevelsKept)
        m_levels.removeFirst();
    m_levels.append({zoom, std::move(level)});
}

void MapWidget::levelReady(quint64 generation, double zoom, std::shared_ptr<const Level> level)
{
    if (generation != m_generation)
        return;
    m_levelsAside.remove(zoom);
    keepLevel(zoom, std::move(level));
    if (zoom != m_zoom)
        return;
    m_projectedZoom = -1;
    invalidateLayer();
    itemsChanged();
}

void MapWidget::forgetLevels()
{
    ++m_generation;
    m_levels.clear();
    m_levelsAside.clear();
    m_merged.clear();
    m_labelShown.clear();
    m_projectedZoom = -1;
}

MapWidget::Level MapWidget::computeLevel(const QList<Marker>& markers, const Shapes& shapes,
                                         const QList<quint32>& looks, int mergeCell, double size)
{
    Level level;
    const qsizetype count = markers.size();
    std::vector<QPointF> projected(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i)
        projected[size_t(i)] = markers[i].world * size;
    std::vector<int>& merged = level.merged;
    merged.reserve(size_t(count));
    const bool looked = looks.size() == count;
    if (mergeCell > 0) {
        // From the last painted to the first: the first seen in a cell stands for the others.
        // The cells and looks seen, in an open table at most half full: one probe or two a
        // marker, where a set of pairs allocates a node each.
        struct Seen {
            quint64 cell;
            quint32 look;
            bool used;
        };
        const size_t cases = std::bit_ceil(size_t(2 * count + 2));
        std::vector<Seen> seen(cases, Seen{0, 0, false});
        for (qsizetype i = count - 1; i >= 0; --i) {
            if (!markers[i].valid)
                continue;
            const QPointF& at = projected[size_t(i)];
            // The world is at most 2^27 pixels wide: a cell's column and row fit in 32 bits each.
            const quint64 cell = (quint64(quint32(std::floor(at.x() / mergeCell))) << 32)
                                 | quint32(std::floor(at.y() / mergeCell));
            const quint32 look = looked ? looks[i] : 0u;
            const quint64 h = (cell ^ (quint64(look) * 0x9E3779B97F4A7C15ULL)) * 0xBF58476D1CE4E5B9ULL;
            size_t slot = size_t(h ^ (h >> 31)) & (cases - 1);
            while (seen[slot].used && (seen[slot].cell != cell || seen[slot].look != look))
                slot = (slot + 1) & (cases - 1);
            if (seen[slot].used)
                continue;
            seen[slot] = {cell, look, true};
            merged.push_back(int(i));
        }
        std::reverse(merged.begin(), merged.end());
    } else {
        for (qsizetype i = 0; i < count; ++i)
            if (markers[i].valid)
                merged.push_back(int(i));
    }

    level.labelShown.assign(size_t(count), 1);
    if (shapes.size() != count || count == 0)
        return level;
    // Labels chosen greedily from the top marker down, in world pixels at this zoom: a label is
    // kept when its room meets no label kept before. Kept labels are filed in a grid of buckets
    // so that each check looks at the few labels nearby only.
    constexpr double bucket = 128;
    QHash<quint64, QList<QRectF>> buckets;
    const auto key = [](qint64 x, qint64 y) { return (quint64(quint32(x)) << 32) | quint32(y); };
    for (auto it = merged.crbegin(); it != merged.crend(); ++it) {
        const int i = *it;
        const QRectF& room = shapes[i].label;
        if (room.isEmpty())
            continue;
        const QRectF label = room.translated(projected[size_t(i)]);
        const qint64 x0 = qint64(std::floor(label.left() / bucket)), x1 = qint64(std::floor(label.right() / bucket));
        const qint64 y0 = qint64(std::floor(label.top() / bucket)), y1 = qint64(std::floor(label.bottom() / bucket));
        bool free = true;
        for (qint64 y = y0; y <= y1 && free; ++y)
            for (qint64 x = x0; x <= x1 && free; ++x) {
                const auto found = buckets.constFind(key(x, y));
                if (found == buckets.cend())
                    continue;
                for (const QRectF& other : *found)
                    if (other.intersects(label)) {
                        free = false;
                        break;
                    }
            }
        if (!free) {
            level.labelShown[size_t(i)] = 0;
            continue;
        }
        for (qint64 y = y0; y <= y1; ++y)
            for (qint64 x = x0; x <= x1; ++x)
                buckets[key(x, y)].append(label);
    }
    return level;
}

bool MapWidget::hasLabels() const
{
    return m_shapes.size() == m_markers.size() && !m_markers.isEmpty();
}

bool MapWidget::markerLabelShown(int index) const
{
    if (index < 0 || index >= m_markers.size())
        return false;
    updateProjection();
    return m_labelShown[size_t(index)] != 0;
}

QList<QRectF> MapWidget::labelsInView() const
{
    QList<QRectF> labels;
    if (!hasLabels())
        return labels;
    const QList<int> shown = markersInView();
    const QPointF offset = projectionOffset();
    for (int i : shown)
        if (!m_shapes[i].label.isEmpty() && m_labelShown[size_t(i)])
            labels.append(m_shapes[i].label.translated(m_projected[size_t(i)] - offset));
    return labels;
}

QRectF MapWidget::markerOpaque(int index) const
{
    const MarkerShape& shape = m_shapes[index];
    return shape.label.isEmpty() || m_labelShown[size_t(index)] ? shape.opaque : shape.unlabelledOpaque;
}

const QList<int>& MapWidget::markersInView() const
{
    // Kept until the view or the markers change: a screen reader asks for each item's place.
    if (m_inViewValid && m_inViewSize == size())
        return m_inView;
    m_inView = computeMarkersInView();
    m_inViewFlags.assign(size_t(m_markers.size()), 0);
    for (int i : std::as_const(m_inView))
        m_inViewFlags[size_t(i)] = 1;
    m_inViewSize = size();
    m_inViewValid = true;
    m_namedInViewValid = false;
    return m_inView;
}

QList<int> MapWidget::computeMarkersInView() const
{
    QList<int> indexes;
    updateProjection();
    const QRectF view(QPointF(0, 0), QSizeF(this->size()));
    const bool shaped = m_shapes.size() == m_markers.size() && !m_markers.isEmpty();
    const QPointF offset = projectionOffset();
    auto positionOf = [&](int i) { return m_projected[size_t(i)] - offset; };
    for (int i : m_merged) {
        const QRectF bounds = markerBounds(i, positionOf(i));
        if (bounds.right() >= 0 && bounds.left() <= view.right() && bounds.bottom() >= 0
            && bounds.top() <= view.bottom())
            indexes.append(i);
    }
    if (!shaped || indexes.isEmpty())
        return indexes;

    // Walk from the last painted to the first, keeping a coarse grid of how many opaque parts
    // already lie over each cell (and one of them); a marker is left out when its bounds lie
    // inside that opaque part, or on cells covered often enough.
    constexpr int cell = 4;
    const int cols = std::max(1, (width() + cell - 1) / cell);
    const int rows = std::max(1, (height() + cell - 1) / cell);
    const size_t cells = size_t(cols) * size_t(rows);
    std::vector<int> owner(cells, -1);
    std::vector<quint8> layers(cells, 0);
    QList<QRectF> opaqueParts;
    QList<int> kept;
    kept.reserve(indexes.size());
    for (auto it = indexes.crbegin(); it != indexes.crend(); ++it) {
        const int i = *it;
        const QPointF at = positionOf(i);
        const QRectF b = markerBounds(i, at) & view;
        const int bx0 = std::clamp(int(std::floor(b.left() / cell)), 0, cols - 1);
        const int by0 = std::clamp(int(std::floor(b.top() / cell)), 0, rows - 1);
        const int bx1 = std::clamp(int(std::ceil(b.right() / cell)) - 1, 0, cols - 1);
        const int by1 = std::clamp(int(std::ceil(b.bottom() / cell)) - 1, 0, rows - 1);
        const int middle = owner[size_t((by0 + by1) / 2) * cols + (bx0 + bx1) / 2];
        bool hidden = m_occlusionDepth == 1 && middle >= 0 && opaqueParts[middle].contains(b);
        if (!hidden) {
            hidden = true;
            for (int y = by0; y <= by1 && hidden; ++y)
                for (int x = bx0; x <= bx1; ++x)
                    if (layers[size_t(y) * cols + x] < m_occlusionDepth) {
                        hidden = false;
                        break;
                    }
        }
        // A marker whose label shows stays: its label is painted above every marker.
        if (hidden && (m_shapes[i].label.isEmpty() || !m_labelShown[size_t(i)]))
            continue;
        kept.append(i);
        const QRectF o = markerOpaque(i).translated(at) & view;
        if (o.isEmpty())
            continue;
        // Only cells wholly inside the opaque part count.
        const int part = int(opaqueParts.size());
        opaqueParts.append(o);
        const int ox0 = int(std::ceil(o.left() / cell));
        const int oy0 = int(std::ceil(o.top() / cell));
        const int ox1 = std::min(cols, int(std::floor(o.right() / cell))) - 1;
        const int oy1 = std::min(rows, int(std::floor(o.bottom() / cell))) - 1;
        for (int y = std::max(0, oy0); y <= oy1; ++y)
            for (int x = std::max(0, ox0); x <= ox1; ++x) {
                const size_t c = size_t(y) * cols + x;
                if (owner[c] < 0)
                    owner[c] = part;
                if (layers[c] < 255)
                    ++layers[c];
            }
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

QPointF MapWidget::projectionOffset() const
{
    return m_centre * worldSize() - QPointF(width() / 2.0, height() / 2.0);
}

QRectF MapWidget::markerBounds(int index, const QPointF& at) const
{
    if (hasLabels()) {
        const MarkerShape& shape = m_shapes[index];
        updateProjection();
        const bool whole = shape.label.isEmpty() || m_labelShown[size_t(index)];
        return (whole ? shape.bounds : shape.unlabelledBounds).translated(at);
    }
    return {at.x() - m_markerOverhang, at.y() - m_markerOverhang, 2.0 * m_markerOverhang, 2.0 * m_markerOverhang};
}

int MapWidget::markerAt(const QPointF& point) const
{
    const QList<int> shown = markersInView();
    const QPointF offset = projectionOffset();
    for (auto it = shown.crbegin(); it != shown.crend(); ++it)
        if (markerBounds(*it, m_projected[size_t(*it)] - offset).contains(point))
            return *it;
    return -1;
}

void MapWidget::setMarkerToolTip(MarkerToolTip toolTip)
{
    m_markerToolTip = std::move(toolTip);
}

void MapWidget::setMarkerOcclusionDepth(int layers)
{
    m_occlusionDepth = std::clamp(layers, 1, 255);
    invalidateLayer();
}

void MapWidget::setCornerRadius(qreal radius)
{
    m_cornerRadius = std::isfinite(radius) ? std::max<qreal>(0, radius) : 0;
    setAttribute(Qt::WA_OpaquePaintEvent, m_cornerRadius == 0);
    update();
}

// --- Input

void MapWidget::setInteractive(bool interactive)
{
    m_interactive = interactive;
    m_dragging = false;
    setFocusPolicy(interactive ? Qt::StrongFocus : Qt::NoFocus);
    setCursor(interactive ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void MapWidget::mousePressEvent(QMouseEvent* event)
{
    if (!m_interactive || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_lastDragPoint = event->position();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void MapWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF delta = event->position() - m_lastDragPoint;
    m_lastDragPoint = event->position();
    panBy(delta);
    event->accept();
}

void MapWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
    event->accept();
}

void MapWidget::wheelEvent(QWheelEvent* event)
{
    if (!m_interactive) {
        event->ignore();
        return;
    }
    // One level per notch (120); touchpads send smaller steps that add up.
    m_wheelRemainder += event->angleDelta().y();
    const int levels = m_wheelRemainder / 120;
    m_wheelRemainder -= levels * 120;
    if (levels != 0)
        zoomAround(levels, event->position());
    event->accept();
}

bool MapWidget::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const int index = m_markerToolTip && !m_dragging ? markerAt(help->pos()) : -1;
    const QString text = index >= 0 ? m_markerToolTip(index) : QString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // The tip stays while the mouse is over the same marker.
    const QRect over = markerBounds(index, m_projected[size_t(index)] - projectionOffset()).toAlignedRect();
    QToolTip::showText(help->globalPos(), text, this, over);
    return true;
}

void MapWidget::keyPressEvent(QKeyEvent* event)
{
    if (!m_interactive) {
        QWidget::keyPressEvent(event);
        return;
    }
    const double step = std::max(32, std::min(width(), height()) / 4);
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomIn();
        break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        zoomOut();
        break;
    case Qt::Key_Left:
        panBy({step, 0});
        break;
    case Qt::Key_Right:
        panBy({-step, 0});
        break;
    case Qt::Key_Up:
        panBy({0, step});
        break;
    case Qt::Key_Down:
        panBy({0, -step});
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void MapWidget::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void MapWidget::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

// --- Painting

void MapWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_fit)
        applyFit();
    emit regionChanged();
}

void MapWidget::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Hidden by the program, the map keeps no pictures: they are made again when it shows.
    if (event->spontaneous())
        return;
    m_layer = QImage();
    m_layerValid = false;
    m_scaledTiles.clear();
    m_rounded = QImage();
}

void MapWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_cornerRadius <= 0) {
        paintMap(painter);
        return;
    }
    // Rounded corners with smooth edges: the map is painted aside, its corners cut away, then
    // drawn in place. The picture has the device's pixels, and says so: it is drawn at the
    // widget's size, not scaled a second time.
    const qreal dpr = devicePixelRatioF();
    // One picture kept from paint to paint: a frame allocates none.
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    if (m_rounded.size() != pixels)
        m_rounded = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    QImage& image = m_rounded;
    image.setDevicePixelRatio(dpr);
    {
        QPainter inner(&image);
        paintMap(inner);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
        QPainterPath corners;
        corners.addRect(QRectF(rect()).adjusted(-1, -1, 1, 1));
        inner.setRenderHint(QPainter::Antialiasing);
        inner.setCompositionMode(QPainter::CompositionMode_Clear);
        inner.fillPath(corners.subtracted(shape), Qt::transparent);
    }
    painter.drawImage(QPointF(0, 0), image);
}

const QImage& MapWidget::markerLayer()
{
    const qreal dpr = devicePixelRatioF();
    const QSize size = this->size();
    if (m_layerValid && m_layerCentre == m_centre && m_layerZoom == m_zoom && m_layerWidgetSize == size
        && m_layer.devicePixelRatio() == dpr)
        return m_layer;
    const QPointF offset = projectionOffset();
    const QList<int> visible = markersInView();
    // The layer covers the markers in view only: markers gathered in one part of the map cost
    // a picture of that part to make, clear and lay over the tiles, not one of the whole map.
    QRectF area;
    for (int index : visible)
        area |= markerBounds(index, m_projected[size_t(index)] - offset);
    // A pixel more on each side for the antialiased edges.
    const QRect part = area.toAlignedRect().adjusted(-1, -1, 1, 1) & rect();
    m_layerWidgetSize = size;
    m_layerCentre = m_centre;
    m_layerZoom = m_zoom;
    m_layerValid = true;
    m_layerOrigin = part.topLeft();
    const QSize pixels = (QSizeF(part.size()) * dpr).toSize();
    if (part.isEmpty()) {
        m_layer = QImage();
        return m_layer;
    }
    if (m_layer.size() != pixels)
        m_layer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_layer.setDevicePixelRatio(dpr);
    m_layer.fill(Qt::transparent);
    QPainter painter(&m_layer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-QPointF(part.topLeft()));
    for (int index : visible) {
        painter.save();
        m_markerPainter(painter, index, m_projected[size_t(index)] - offset);
        painter.restore();
    }
    if (m_labelPainter && hasLabels())
        for (int index : visible) {
            if (m_shapes[index].label.isEmpty() || !m_labelShown[size_t(index)])
                continue;
            painter.save();
            m_labelPainter(painter, index, m_projected[size_t(index)] - offset);
            painter.restore();
        }
    return m_layer;
}

void MapWidget::paintMap(QPainter& painter)
{
    painter.fillRect(rect(), backgroundColor(palette()));
    paintTiles(painter);
    if (m_markerPainter && !m_markers.isEmpty()) {
        const QImage& layer = markerLayer();
        if (!layer.isNull())
            painter.drawImage(QPointF(m_layerOrigin), layer);
    }
    if (m_backgroundUnavailable)
        paintNotice(painter);
    // Keyboard users see where the arrows and "+"/"-" go.
    // Two tones, the window's text over the window's colour: the ring shows on any tile.
    if (hasFocus() && m_interactive) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        const qreal r = std::max<qreal>(0, m_cornerRadius - 1);
        painter.setPen(QPen(palette().color(QPalette::Window), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), r, r);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), std::max<qreal>(0, r - 2), std::max<qreal>(0, r - 2));
    }
}

QString MapWidget::unavailableText()
{
    return QStringLiteral("Le fond de carte ne peut pas être chargé sans le service de cartes, qui ne répond pas : "
                          "les repères restent à leur place.");
}

void MapWidget::paintNotice(QPainter& painter)
{
    constexpr int kMarge = 6;
    constexpr int kRetrait = 6;
    const QRect zone = rect().adjusted(kMarge, kMarge, -kMarge, -kMarge);
    if (zone.width() <= 2 * kRetrait || zone.height() <= 0)
        return;
    QFont police = font();
    police.setPointSizeF(police.pointSizeF() * 0.9);
    const QFontMetrics fm(police);
    const int largeur = zone.width() - 2 * kRetrait;
    // Whole where it fits in half the map, else on as many lines as fit there, the last one cut.
    const int lignes = std::max(1, (zone.height() / 2 - kRetrait) / fm.lineSpacing());
    QTextLayout mise(unavailableText(), police);
    mise.setTextOption(QTextOption(Qt::AlignHCenter));
    QStringList textes;
    mise.beginLayout();
    for (QTextLine ligne = mise.createLine(); ligne.isValid(); ligne = mise.createLine()) {
        ligne.setLineWidth(largeur);
        if (textes.size() == lignes - 1) {
            textes.append(fm.elidedText(unavailableText().mid(ligne.textStart()), Qt::ElideRight, largeur));
            break;
        }
        textes.append(unavailableText().mid(ligne.textStart(), ligne.textLength()).trimmed());
    }
    mise.endLayout();
    const QRect bande(zone.left(), zone.top(), zone.width(), int(textes.size()) * fm.lineSpacing() + kRetrait);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRoundedRect(QRectF(bande), 4, 4);
    painter.setFont(police);
    painter.setPen(Qt::black);
    int y = bande.top() + kRetrait / 2;
    for (const QString& t : std::as_const(textes)) {
        painter.drawText(QRect(bande.left() + kRetrait, y, largeur, fm.lineSpacing()), Qt::AlignCenter, t);
        y += fm.lineSpacing();
    }
    painter.restore();
}

MapWidget::TileGrid MapWidget::tileGrid() const
{
    TileGrid g;
    g.level = tileLevel();
    g.size = double(tileSize) * std::exp2(m_zoom - g.level);
    g.origin = worldToWidget(QPointF(0, 0));
    const int count = 1 << g.level;
    g.x0 = std::max(0, int(std::floor(-g.origin.x() / g.size)));
    g.y0 = std::max(0, int(std::floor(-g.origin.y() / g.size)));
    g.x1 = std::min(count - 1, int(std::floor((width() - g.origin.x()) / g.size)));
    g.y1 = std::min(count - 1, int(std::floor((height() - g.origin.y()) / g.size)));
    return g;
}

void MapWidget::paintTiles(QPainter& painter)
{
    requestVisibleTiles();
    if (m_wantedTiles.isEmpty())
        return;
    const TileStore* store = TileStore::instance();
    const TileGrid g = tileGrid();
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (g.size != m_scaledTileSize || dpr != m_scaledTileDpr) {
        m_scaledTiles.clear();
        m_scaledTileSize = g.size;
        m_scaledTileDpr = dpr;
    }
    for (int y = g.y0; y <= g.y1; ++y) {
        for (int x = g.x0; x <= g.x1; ++x) {
            // Whole pixels on both sides, so that neighbouring tiles leave no seam.
            const double left = std::floor(g.origin.x() + x * g.size), right = std::floor(g.origin.x() + (x + 1) * g.size);
            const double top = std::floor(g.origin.y() + y * g.size), bottom = std::floor(g.origin.y() + (y + 1) * g.size);
            const QRectF target(left, top, right - left, bottom - top);
            const QSize pixels = (target.size() * dpr).toSize();
            const QString url = tileUrl(m_tileTemplate, g.level, x, y).toString();
            if (const QPixmap* pixmap = store->tile(url)) {
                painter.drawPixmap(target.topLeft(), scaledTile(url, *pixmap, pixmap->rect(), pixels));
                continue;
            }
            // While a tile loads, show the enlarged part of a coarser one already at hand.
            for (int up = 1; up <= 3 && g.level - up >= 0; ++up) {
                const QString parentUrl = tileUrl(m_tileTemplate, g.level - up, x >> up, y >> up).toString();
                const QPixmap* parent = store->tile(parentUrl);
                if (!parent)
                    continue;
                const int part = parent->width() >> up;
                const QRect source((x & ((1 << up) - 1)) * part, (y & ((1 << up) - 1)) * part, part, part);
                painter.drawPixmap(target.topLeft(), scaledTile(parentUrl, *parent, source, pixels));
                break;
            }
        }
    }
    // Tiles that left the view are not kept.
    if (m_scaledTiles.size() > 4 * m_wantedTiles.size() + 16)
        m_scaledTiles.clear();
}

QPixmap MapWidget::scaledTile(const QString& url, const QPixmap& tile, const QRect& source, const QSize& size)
{
    const QString key = url + QLatin1Char(' ') + QString::number(source.x()) + QLatin1Char(',')
                        + QString::number(source.y()) + QLatin1Char(',') + QString::number(source.width())
                        + QLatin1Char(' ') + QString::number(size.width()) + QLatin1Char('x')
                        + QString::number(size.height());
    auto it = m_scaledTiles.constFind(key);
    if (it != m_scaledTiles.cend())
        return *it;
    QPixmap scaled;
    if (source.size() == size) {
        // At a whole zoom level the tile is drawn as it came: no scaling at all.
        scaled = source == tile.rect() ? tile : tile.copy(source);
    } else {
        // Bilinear filtering through the painter: as smooth as a tile needs between two levels
        // (at most √2 up or down), at a fraction of the cost of area-averaged scaling.
        // The filtered tile covers every pixel: only a tile with transparency needs a clear start.
        const bool transparent = tile.hasAlphaChannel();
        QImage image(size, transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        if (transparent)
            image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRectF(QPointF(0, 0), QSizeF(size)), tile, QRectF(source));
        painter.end();
        scaled = QPixmap::fromImage(std::move(image));
    }
    scaled.setDevicePixelRatio(m_scaledTileDpr);
    m_scaledTiles.insert(key, scaled);
    return scaled;
}

void MapWidget::requestVisibleTiles()
{
    QSet<QString> wanted;
    if (!m_tileTemplate.isEmpty() && !size().isEmpty() && tileUrl(m_tileTemplate, 0, 0, 0).isValid()) {
        const TileGrid g = tileGrid();
        // Nearest the centre first.
        QList<QPair<double, QString>> order;
        for (int y = g.y0; y <= g.y1; ++y)
            for (int x = g.x0; x <= g.x1; ++x) {
                const double dx = g.origin.x() + (x + 0.5) * g.size - width() / 2.0;
                const double dy = g.origin.y() + (y + 0.5) * g.size - height() / 2.0;
                order.append({dx * dx + dy * dy, tileUrl(m_tileTemplate, g.level, x, y).toString()});
            }
        std::sort(order.begin(), order.end());
        for (const auto& entry : std::as_const(order))
            wanted.insert(entry.second);
        TileStore* store = TileStore::instance();
        if (wanted != m_wantedTiles)
            store->setWanted(this, wanted);
        for (const auto& entry : std::as_const(order))
            store->request(entry.second);
        // Tiles that failed a moment ago are not asked for again yet: the map says so at once.
        const bool enManque = std::any_of(wanted.cbegin(), wanted.cend(), [store](const QString& url) {
            return store->failedRecently(url) && !store->tile(url);
        });
        const bool aLaMain = std::any_of(wanted.cbegin(), wanted.cend(), [store](const QString& url) {
            return store->tile(url) != nullptr;
        });
        if (aLaMain)
            setBackgroundUnavailable(false);
        else if (enManque)
            setBackgroundUnavailable(true);
    } else {
        if (!m_wantedTiles.isEmpty())
            TileStore::instance()->setWanted(this, {});
        setBackgroundUnavailable(false);
    }
    m_wantedTiles = wanted;
}

} // namespace kv

#include "mapwidget.moc"
