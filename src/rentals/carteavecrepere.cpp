#include "carteavecrepere.h"

#include "platform/mapwidget.h"
#include "widgets/glass/glass.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace kv {

namespace {

constexpr qreal kRayon = 6;
constexpr int kMarge = 2; // room for the shadow

// The standard pin: a red drop with a white dot, its tip on the point.
void peindreRepere(QPainter& p, const QPointF& pointe)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal r = 9;
    const QPointF centre(pointe.x(), pointe.y() - 2.2 * r);
    QPainterPath goutte;
    goutte.moveTo(pointe);
    goutte.cubicTo(pointe + QPointF(-r * 0.35, -r * 0.9), centre + QPointF(-r, r * 0.35), centre + QPointF(-r, 0));
    goutte.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 180, -180);
    goutte.cubicTo(centre + QPointF(r, r * 0.35), pointe + QPointF(r * 0.35, -r * 0.9), pointe);
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(QColor(0xE5, 0x39, 0x35));
    p.drawPath(goutte);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, r * 0.38, r * 0.38);
    p.restore();
}

} // namespace

CarteAvecRepere::CarteAvecRepere(const RegionCarte& regionInitiale, QWidget* parent)
    : QWidget(parent), m_region(regionInitiale), m_carte(new MapWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMarge, kMarge, kMarge, kMarge);
    layout->addWidget(m_carte);
    m_carte->setInteractive(false);
    m_carte->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_carte->setFocusPolicy(Qt::NoFocus);
    m_carte->setCornerRadius(kRayon);
    m_carte->setMarkerOverhang(40);
    m_carte->setMarkerPainter([](QPainter& p, int, const QPointF& pos) { peindreRepere(p, pos); });
    // The pin spoken as the place it marks, at the coordinates the sheet holds.
    m_carte->setMarkerName([this](int) {
        return QStringLiteral("Lieu de pose (latitude %1, longitude %2)").arg(m_latitude.trimmed(), m_longitude.trimmed());
    });
    m_carte->setRegion(MapRegion{m_region.centre.latitude, m_region.centre.longitude,
                                 m_region.spanLatitude, m_region.spanLongitude});
    setMinimumHeight(60);
}

void CarteAvecRepere::setTextes(const QString& latitude, const QString& longitude)
{
    m_latitude = latitude;
    m_longitude = longitude;
    mettreAJourRegion();
}

void CarteAvecRepere::mettreAJourRegion()
{
    m_repere = coordonneeSaisie(m_latitude, m_longitude);
    if (m_repere) {
        m_region = RegionCarte{*m_repere, 0.01, 0.01};
        m_carte->setRegion(MapRegion{m_repere->latitude, m_repere->longitude, 0.01, 0.01});
        m_carte->setMarkers({*m_repere});
    } else {
        m_carte->setMarkers({});
    }
    update();
}

void CarteAvecRepere::paintEvent(QPaintEvent*)
{
    // The outline and light shadow around the rounded map.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(kMarge, kMarge, -kMarge, -kMarge);
    const QPainterPath forme = glass::continuousRoundedRect(r, kRayon);
    for (int i = 2; i >= 1; --i) {
        p.setPen(QPen(QColor(0, 0, 0, 28 / i), i * 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(forme);
    }
    p.setPen(QPen(QColor(128, 128, 128, 77), 1));
    p.drawPath(glass::continuousRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), kRayon));
}

} // namespace kv
