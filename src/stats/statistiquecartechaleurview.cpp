#include "statistiquecartechaleurview.h"

#include "relocalisationlocations.h"

#include "widgets/textstyles.h"

#include <QCoreApplication>
#include <QHash>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QRegularExpression>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

namespace kv {

StatistiqueCarteChaleurView::StatistiqueCarteChaleurView(const QList<LocationDeBenne*>& locations, QWidget* parent,
                                                         ModelContext* context)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("statistiqueCarteChaleur"));
    m_countFont = fontForStyle(TextStyle::caption2, font());
    m_countFont.setBold(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(0);
    auto* titre = new QLabel(QStringLiteral("Carte de chaleur des poses de bennes"), this);
    titre->setObjectName(QStringLiteral("titre"));
    titre->setFont(fontForStyle(TextStyle::title2, font()));
    titre->setWordWrap(true);
    layout->addWidget(titre);
    // Under the title, where it is read before the map.
    m_sansCoordonnees = RelocalisationLocations::nouvelleLigne(context, this);
    m_sansCoordonnees->setContentsMargins(0, 4, 0, 0);
    layout->addWidget(m_sansCoordonnees);
    layout->addSpacing(8);

    m_carte = new MapWidget(this);
    m_carte->setObjectName(QStringLiteral("carte"));
    // 400 points high, less in a window too low for that (the map pans and zooms its own canvas),
    // so that the page does not scroll around it.
    m_carte->setMinimumHeight(200);
    m_carte->setMaximumHeight(400);
    m_carte->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_carte->setCornerRadius(14);
    m_carte->setMarkerOverhang(int(diametreMaximal / 2) + 1);
    // Four see-through circles over a spot leave nothing of what lies under them to see.
    m_carte->setMarkerOcclusionDepth(4);
    m_carte->setMarkerPainter([this](QPainter& p, int index, const QPointF& at) { paintPoint(p, index, at); });
    // The counts over every circle: a neighbouring circle never covers one.
    m_carte->setLabelPainter([this](QPainter& p, int index, const QPointF& at) { paintCompte(p, index, at); });
    // Read aloud, each circle in view says how many rentals were placed where.
    m_carte->setAccessibleName(titre->text());
    m_carte->setMarkerName([this](int index) {
        if (index < 0 || index >= m_ordre.size())
            return QString();
        const LocationPoint& p = m_points[m_ordre[index]];
        const QLocale l;
        // Where the rentals were placed, as people name it; coordinates only without an address.
        const QString lieu = ville(adresse(m_ordre[index]));
        return QStringLiteral("%1 %2 à %3")
            .arg(l.toString(p.count), p.count > 1 ? QStringLiteral("locations") : QStringLiteral("location"),
                 lieu.isEmpty() ? l.toString(p.latitude, 'f', 4) + QStringLiteral(", ") + l.toString(p.longitude, 'f', 4)
                                : lieu);
    });
    // Its shadow is painted by this view around it (paintEvent): a blurring effect would paint
    // the whole map twice and blur it at every frame.
    layout->addWidget(m_carte, 1);
    // While the places are counted, said in the middle of the map: nothing moves when it goes.
    m_attente = new QLabel(QStringLiteral("Calcul en cours…"), m_carte);
    m_attente->setObjectName(QStringLiteral("calculEnCours"));
    m_attente->setAutoFillBackground(true);
    m_attente->setContentsMargins(8, 4, 8, 4);
    m_attente->hide();
    (new QVBoxLayout(m_carte))->addWidget(m_attente, 0, Qt::AlignCenter);

    layout->addSpacing(6);
    auto* legende = new QLabel(
        QStringLiteral("Rouge = zone très louée. Cliquez pour zoomer si besoin (fonction zoom possible)."), this);
    legende->setObjectName(QStringLiteral("legende"));
    legende->setFont(fontForStyle(TextStyle::caption, font()));
    legende->setWordWrap(true);
    layout->addWidget(legende);

    layout->addStretch(0);

    setLocations(locations);
}

namespace {

// The places in order of painting: the largest counts first, so that small circles stay on top.
QList<int> ordreDesCercles(const QList<LocationPoint>& points)
{
    QList<int> ordre(points.size());
    std::iota(ordre.begin(), ordre.end(), 0);
    std::stable_sort(ordre.begin(), ordre.end(), [&points](int a, int b) { return points[a].count > points[b].count; });
    return ordre;
}

// The room of a circle and of its count for `count` in the counts' font.
QSizeF tailleDuCercle(qint64 count, const QFont& police)
{
    const double d = StatistiqueCarteChaleurView::diametre(count);
    // The count is written in full even when the circle is capped.
    const QFontMetricsF fm(police);
    return {std::max(d, std::ceil(fm.horizontalAdvance(QString::number(count))) + 4), d};
}

QRectF texteDuCompte(qint64 count, const QFont& police)
{
    const QFontMetricsF fm(police);
    // Half a letter's room on each side: two counts side by side never read as one number.
    const double marge = std::ceil(fm.averageCharWidth() / 2) + 1;
    const double largeur = std::ceil(fm.horizontalAdvance(QString::number(count))) + 2 * marge;
    const double hauteur = std::ceil(fm.ascent() + fm.descent()) + 2;
    return {-largeur / 2, -hauteur / 2, largeur, hauteur};
}

} // namespace

// What the map is handed: one marker per place, in painting order, with its shape and its look.
struct CerclesDeChaleur {
    QList<LocationPoint> points;
    QList<int> ordre;
    QList<GeoPoint> coordonnees;
    // Each count's shape once, and each place's among them.
    QList<MarkerShape> formes;
    QList<quint32> formeDe;
    QList<quint32> aspects;
    qint64 placees = 0;
    // Counted aside: each place's first rental, in the list handed in.
    QList<int> premieres;
};

namespace {

// Plain data and a copy of a font: safe on any thread.
void dessiner(CerclesDeChaleur& c, const QFont& police)
{
    c.ordre = ordreDesCercles(c.points);
    c.coordonnees.reserve(c.ordre.size());
    c.formeDe.reserve(c.ordre.size());
    c.aspects.reserve(c.ordre.size());
    // Thousands of places share a few counts: each count's shape is measured and kept once.
    QHash<qint64, quint32> parCompte;
    for (int i : std::as_const(c.ordre)) {
        const qint64 n = c.points[i].count;
        c.placees += n;
        c.coordonnees.append({c.points[i].latitude, c.points[i].longitude});
        auto f = parCompte.constFind(n);
        if (f == parCompte.cend()) {
            const QSizeF taille = tailleDuCercle(n, police);
            const double carre = StatistiqueCarteChaleurView::diametre(n) / std::sqrt(2.0); // the square inside the circle
            const QRectF tout(-taille.width() / 2, -taille.height() / 2, taille.width(), taille.height());
            const QRectF opaque(-carre / 2, -carre / 2, carre, carre);
            // The count is the label: where counts would be written over each other, the circle
            // under the other is drawn without its count until the map is zoomed in.
            c.formes.append(MarkerShape(tout, opaque, texteDuCompte(n, police), tout, opaque));
            f = parCompte.insert(n, quint32(c.formes.size() - 1));
        }
        c.formeDe.append(*f);
        c.aspects.append(quint32(std::min<qint64>(n, std::numeric_limits<quint32>::max())));
    }
}

// A rental's place, copied on the main thread for a count made on another one.
struct Pose {
    double latitude;
    double longitude;
    int rang; // in the list handed in
};

// The places of `poses`, in the order they first appear, each with its first rental.
CerclesDeChaleur compter(const std::vector<Pose>& poses, const QFont& police)
{
    CerclesDeChaleur c;
    c.points.reserve(qsizetype(poses.size()));
    c.premieres.reserve(qsizetype(poses.size()));
    // The index of each place among the points, in an open table at most half full, keyed by
    // the coordinates' bits: no -0.0 and no NaN reach here, so equal places have equal bits.
    const size_t taille = std::bit_ceil(2 * poses.size() + 2);
    std::vector<qsizetype> index(taille, -1);
    for (const Pose& p : poses) {
        const quint64 lat = std::bit_cast<quint64>(p.latitude), lon = std::bit_cast<quint64>(p.longitude);
        quint64 h = (lat ^ (lon * 0x9E3779B97F4A7C15ULL)) * 0xBF58476D1CE4E5B9ULL;
        size_t i = size_t(h ^ (h >> 31)) & (taille - 1);
        while (index[i] >= 0
               && (c.points[index[i]].latitude != p.latitude || c.points[index[i]].longitude != p.longitude))
            i = (i + 1) & (taille - 1);
        if (index[i] >= 0) {
            ++c.points[index[i]].count;
            continue;
        }
        index[i] = c.points.size();
        c.points.append({p.latitude, p.longitude, 1, QString()});
        c.premieres.append(p.rang);
    }
    dessiner(c, police);
    return c;
}

} // namespace

void StatistiqueCarteChaleurView::setLocations(const QList<LocationDeBenne*>& locations)
{
    const quint64 generation = ++m_generation;
    if (locations.size() < MapWidget::kMarkersAside) {
        m_calculEnCours = false;
        m_attente->hide();
        CerclesDeChaleur c;
        c.points = compterParCoordonnees(locations);
        dessiner(c, m_countFont);
        appliquer(std::move(c), locations);
        m_regionInitiale = regionInitiale(locations);
        m_carte->setRegion(m_regionInitiale);
        return;
    }
    // Many rentals: their places are copied here and counted on a worker thread; the map is
    // already centred on them, and shows its circles once they are counted.
    auto poses = std::make_shared<std::vector<Pose>>();
    poses->reserve(size_t(locations.size()));
    double sommeLat = 0, sommeLon = 0;
    for (qsizetype i = 0; i < locations.size(); ++i) {
        const LocationDeBenne* l = locations[i];
        const std::optional<double> lat = l->latitude(), lon = l->longitude();
        if (!lat || !lon || !isValidCoordinate(*lat, *lon))
            continue;
        sommeLat += *lat;
        sommeLon += *lon;
        // Adding zero turns -0.0 into 0.0: both are one place.
        poses->push_back({*lat + 0.0, *lon + 0.0, int(i)});
    }
    m_regionInitiale = poses->empty() ? MapRegion{46.5, 2.5, 2.0, 2.0}
                                      : MapRegion{sommeLat / double(poses->size()), sommeLon / double(poses->size()), 2.0, 2.0};
    m_carte->setRegion(m_regionInitiale);
    m_calculEnCours = true;
    m_attente->show();
    m_carte->setAccessibleDescription(m_attente->text());
    auto retour = std::make_shared<QPointer<StatistiqueCarteChaleurView>>(this);
    // A font of the worker's own, sharing nothing with the screen's: each thread keeps its own
    // font engines.
    QFont police;
    police.fromString(m_countFont.toString());
    QThreadPool::globalInstance()->start([retour, poses, generation, locations, police] {
        auto cercles = std::make_shared<CerclesDeChaleur>(compter(*poses, police));
        QMetaObject::invokeMethod(QCoreApplication::instance(), [retour, cercles, generation, locations] {
            StatistiqueCarteChaleurView* vue = *retour;
            if (!vue || vue->m_generation != generation)
                return;
            vue->m_calculEnCours = false;
            vue->m_attente->hide();
            vue->appliquer(std::move(*cercles), locations);
        }, Qt::QueuedConnection);
    });
}

void StatistiqueCarteChaleurView::appliquer(CerclesDeChaleur&& cercles, const QList<LocationDeBenne*>& locations)
{
    m_points = std::move(cercles.points);
    m_ordre = std::move(cercles.ordre);
    m_premieres.clear();
    m_premieres.reserve(cercles.premieres.size());
    for (int rang : std::as_const(cercles.premieres))
        m_premieres.append(locations[rang]);
    // Every rental not counted at a place lacks a usable coordinate.
    RelocalisationLocations::afficherSansCoordonnees(m_sansCoordonnees, int(locations.size() - cercles.placees),
                                                     RelocalisationLocations::aLocaliser(locations));
    m_carte->setMarkers(cercles.coordonnees);
    m_carte->setMarkerShapes(cercles.formes, cercles.formeDe);
    // Circles of one count on the same couple of pixels look like one: drawn once.
    m_carte->setMarkerMerging(2, cercles.aspects);
    m_carte->setAccessibleDescription(
        m_points.isEmpty() ? QStringLiteral("Aucun lieu de pose n’a de coordonnées.")
                           : QStringLiteral("Lieux de pose : %1 ; locations placées : %2. Chaque cercle visible est lu avec son "
                                                  "nombre de locations.")
                                 .arg(QLocale().toString(qsizetype(m_points.size())), QLocale().toString(cercles.placees)));
}

void StatistiqueCarteChaleurView::paintEvent(QPaintEvent*)
{
    // A soft shadow all round the map: rings fading outwards over eight pixels, under the map.
    constexpr int kFlou = 8;
    constexpr int kOpacite = 5; // per ring: the edge reads as half of a dark shadow
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, kOpacite));
    const QRectF carte = QRectF(m_carte->geometry());
    for (int i = kFlou; i >= 1; --i)
        painter.drawRoundedRect(carte.adjusted(-i, -i, i, i), 14 + i, 14 + i);
}

QString StatistiqueCarteChaleurView::adresse(int point) const
{
    return m_premieres.isEmpty() ? m_points[point].adresse : m_premieres[point]->adresse().value_or(QString());
}

void StatistiqueCarteChaleurView::revenirAuDepart()
{
    m_carte->setRegion(m_regionInitiale);
}

QList<LocationPoint> StatistiqueCarteChaleurView::compterParCoordonnees(const QList<LocationDeBenne*>& locations)
{
    QList<LocationPoint> points;
    QHash<QPair<double, double>, qsizetype> index;
    for (const LocationDeBenne* l : locations) {
        if (!l->latitude() || !l->longitude() || !isValidCoordinate(*l->latitude(), *l->longitude()))
            continue;
        // Adding zero turns -0.0 into 0.0: both are one place.
        const QPair<double, double> cle(*l->latitude() + 0.0, *l->longitude() + 0.0);
        const auto it = index.constFind(cle);
        if (it != index.cend()) {
            ++points[*it].count;
            continue;
        }
        index.insert(cle, points.size());
        points.append({cle.first, cle.second, 1, l->adresse().value_or(QString())});
    }
    return points;
}

QString StatistiqueCarteChaleurView::ville(const QString& adresse)
{
    static const QRegularExpression codePostal(QStringLiteral("\\b\\d{5}\\s+([^,\\d][^,]*)"));
    const QRegularExpressionMatch m = codePostal.match(adresse);
    if (m.hasMatch())
        return m.captured(1).trimmed();
    return adresse.section(QLatin1Char(','), -1).trimmed();
}

MapRegion StatistiqueCarteChaleurView::regionInitiale(const QList<LocationDeBenne*>& locations)
{
    double sommeLat = 0, sommeLon = 0;
    qint64 n = 0;
    for (const LocationDeBenne* l : locations) {
        if (!l->latitude() || !l->longitude() || !isValidCoordinate(*l->latitude(), *l->longitude()))
            continue;
        sommeLat += *l->latitude();
        sommeLon += *l->longitude();
        ++n;
    }
    if (n == 0)
        return {46.5, 2.5, 2.0, 2.0};
    return {sommeLat / double(n), sommeLon / double(n), 2.0, 2.0};
}

double StatistiqueCarteChaleurView::diametre(qint64 count)
{
    if (count <= 0)
        return 16;
    // Past the cap the count no longer matters: no overflow for any count.
    if (count >= qint64((diametreMaximal - 16) / 8))
        return diametreMaximal;
    return 16.0 + 8.0 * double(count);
}

QSizeF StatistiqueCarteChaleurView::tailleCercle(qint64 count) const
{
    return tailleDuCercle(count, m_countFont);
}

QRectF StatistiqueCarteChaleurView::texteCompte(qint64 count) const
{
    return texteDuCompte(count, m_countFont);
}

const QPixmap& StatistiqueCarteChaleurView::cercle(qint64 count, qreal dpr)
{
    const QPair<qint64, qreal> cle(count, dpr);
    auto it = m_cercles.find(cle);
    if (it != m_cercles.end())
        return *it;
    const QSizeF taille = tailleCercle(count);
    const double d = diametre(count);
    QPixmap pm(QSize(int(std::ceil(taille.width() * dpr)), int(std::ceil(taille.height() * dpr))));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF rond((taille.width() - d) / 2, 0, d, d);
    QLinearGradient degrade(rond.topLeft(), rond.bottomLeft());
    QColor rouge(Qt::red);
    rouge.setAlphaF(0.7);
    QColor orange(255, 165, 0);
    orange.setAlphaF(0.4);
    degrade.setColorAt(0, rouge);
    degrade.setColorAt(1, orange);
    painter.setPen(Qt::NoPen);
    painter.setBrush(degrade);
    painter.drawEllipse(rond);
    painter.end();
    if (m_cercles.size() > 512)
        m_cercles.clear();
    return *m_cercles.insert(cle, pm);
}

const QPixmap& StatistiqueCarteChaleurView::compte(qint64 count, qreal dpr)
{
    const QPair<qint64, qreal> cle(count, dpr);
    auto it = m_comptes.find(cle);
    if (it != m_comptes.end())
        return *it;
    const QSizeF taille = texteCompte(count).size();
    QPixmap pm((taille * dpr).toSize());
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    painter.setRenderHint(QPainter::Antialiasing);
    // White letters in a dark red rim: they read on the see-through circle, on the map and on
    // the circles around it alike.
    const QString texte = QString::number(count);
    const QFontMetricsF fm(m_countFont);
    QPainterPath lettres;
    lettres.addText(QPointF((taille.width() - fm.horizontalAdvance(texte)) / 2,
                            (taille.height() - fm.ascent() - fm.descent()) / 2 + fm.ascent()),
                    m_countFont, texte);
    painter.strokePath(lettres, QPen(QColor(0x7a, 0x00, 0x00), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(lettres, Qt::white);
    painter.end();
    if (m_comptes.size() > 512)
        m_comptes.clear();
    return *m_comptes.insert(cle, pm);
}

void StatistiqueCarteChaleurView::paintPoint(QPainter& painter, int index, const QPointF& at)
{
    if (index < 0 || index >= m_ordre.size())
        return;
    const QPixmap& pm = cercle(m_points[m_ordre[index]].count, painter.device()->devicePixelRatioF());
    const QSizeF taille = pm.deviceIndependentSize();
    painter.drawPixmap(QPointF(at.x() - taille.width() / 2, at.y() - taille.height() / 2), pm);
}

void StatistiqueCarteChaleurView::paintCompte(QPainter& painter, int index, const QPointF& at)
{
    if (index < 0 || index >= m_ordre.size())
        return;
    const QPixmap& pm = compte(m_points[m_ordre[index]].count, painter.device()->devicePixelRatioF());
    const QSizeF taille = pm.deviceIndependentSize();
    // On whole pixels: the letters stay sharp.
    painter.drawPixmap(QPointF(std::round(at.x() - taille.width() / 2), std::round(at.y() - taille.height() / 2)), pm);
}

} // namespace kv
