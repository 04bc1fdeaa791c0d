#include "carteprestationschauffeur.h"

#include "platform/mapwidget.h"
#include "widgets/glass/glass.h"

#include <QPainter>
#include <QPainterPath>

namespace kv {

namespace {

constexpr qreal kRayonCoins = 12;
constexpr qreal kDiametre = 18;
constexpr qreal kContour = 2;

} // namespace

// The grey outline drawn over the map's rounded corners; lets the mouse through to the map.
class CartePrestationsView::Contour : public QWidget {
public:
    explicit Contour(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor gris(Qt::gray);
        gris.setAlphaF(0.2f);
        p.setPen(QPen(gris, 1));
        p.drawPath(glass::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRayonCoins));
    }
};

CartePrestationsView::CartePrestationsView(const QList<CarteLieuPrestation>& lieux, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("cartePrestations"));
    m_carte = new MapWidget(this);
    m_carte->setCornerRadius(kRayonCoins);
    m_carte->setInteractive(true);
    const qreal demi = kDiametre / 2 + kContour / 2;
    m_carte->setMarkerOverhang(int(demi) + 1);
    m_carte->setMarkerPainter([this](QPainter& p, int index, const QPointF& position) {
        if (index < 0 || index >= m_lieux.size())
            return;
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, kContour));
        p.setBrush(couleurMarqueur(m_lieux[index].type));
        p.drawEllipse(position, kDiametre / 2, kDiametre / 2);
        p.restore();
    });
    m_contour = new Contour(this);
    setLieux(lieux);
}

void CartePrestationsView::setLieux(const QList<CarteLieuPrestation>& lieux)
{
    m_lieux = lieux;
    QList<GeoPoint> points;
    QList<MarkerShape> formes;
    const qreal demi = kDiametre / 2 + kContour / 2;
    for (const CarteLieuPrestation& l : lieux) {
        // A place without a coordinate is drawn at the default one, each coordinate alone.
        points.append(GeoPoint{l.latitude.value_or(kLatitudeParDefaut), l.longitude.value_or(kLongitudeParDefaut)});
        formes.append(MarkerShape{QRectF(-demi, -demi, 2 * demi, 2 * demi), QRectF(-6, -6, 12, 12)});
    }
    m_carte->setMarkers(points);
    m_carte->setMarkerShapes(formes);
    const RegionCarte r = regionCarte(lieux);
    m_carte->setRegion(MapRegion{r.latitude, r.longitude, r.spanLatitude, r.spanLongitude});
}

void CartePrestationsView::resizeEvent(QResizeEvent* event)
{
    m_carte->setGeometry(rect());
    m_contour->setGeometry(rect());
    m_contour->raise();
    QWidget::resizeEvent(event);
}

CartePrestationsChauffeur::CartePrestationsChauffeur(Chauffeur* chauffeur, const DayWindow& jour, QWidget* parent)
    : CartePrestationsView(lieuxPrestations(chauffeur, jour), parent), m_chauffeur(chauffeur), m_jour(jour)
{
    // 300 wide when the row has the room; narrower in a small window rather than scrolling sideways.
    setMinimumSize(200, 220);
    setMaximumSize(300, 220);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CartePrestationsChauffeur::setJour(const DayWindow& jour)
{
    m_jour = jour;
    actualiser();
}

void CartePrestationsChauffeur::actualiser()
{
    setLieux(lieuxPrestations(m_chauffeur, m_jour));
}

} // namespace kv
