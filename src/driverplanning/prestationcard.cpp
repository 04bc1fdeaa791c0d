#include "prestationcard.h"

#include "model/helpers.h"
#include "model/records.h"
#include "widgets/colors.h"
#include "widgets/glass/glass.h"
#include "widgets/textstyles.h"

#include <QApplication>
#include <QDrag>
#include <QFontMetricsF>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <cmath>

namespace kv {

namespace {

// Room around the card: 5 on each side and below, plus what its relief needs above and left.
constexpr qreal kMargeCote = 5;
constexpr qreal kMargeHaut = 2;
constexpr qreal kMargeBas = 5;
constexpr qreal kPadding = 8;
constexpr qreal kEspaceLignes = 4;
constexpr qreal kEspaceLigne1 = 8;
constexpr qreal kPaddingClient = 3;
constexpr qreal kPaddingVolume = 11;

QFont police(TextStyle style, const QFont& base, bool gras = false)
{
    QFont f = fontForStyle(style, base);
    f.setBold(gras);
    return f;
}

// Two shadows give the card its relief: a dark one below right, a light one above left.
void ombres(QPainter& p, const QPainterPath& forme, const QSize& taille, qreal dpr)
{
    QImage masque(taille * dpr, QImage::Format_ARGB32_Premultiplied);
    masque.setDevicePixelRatio(dpr);
    masque.fill(Qt::transparent);
    {
        QPainter m(&masque);
        m.setRenderHint(QPainter::Antialiasing);
        m.fillPath(forme, Qt::black);
    }
    QColor noir(0, 0, 0);
    noir.setAlphaF(0.4f);
    QColor blanc(255, 255, 255);
    blanc.setAlphaF(0.7f);
    glass::paintShadowOf(p, masque, QPointF(0, 0), blanc, 1, QPointF(-1, -1));
    glass::paintShadowOf(p, masque, QPointF(0, 0), noir, 2, QPointF(2, 2));
}

} // namespace

struct PrestationCard::Geometrie {
    QRectF carte;   // the coloured rounded rectangle
    QRectF client;  // the yellow label
    QRectF volume;  // the white badge
    QRectF adresse; // the address line
};

PrestationCard::PrestationCard(LocationDeBenne* location, TypePrestation type, QWidget* parent)
    : QWidget(parent), m_location(location), m_type(type)
{
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setCursor(Qt::OpenHandCursor);
    setAccessibleName(texteClient() + QStringLiteral(", ") + texteAdresse());
}

QString PrestationCard::texteClient() const
{
    return m_location && m_location->client() ? m_location->client()->nom() : QString();
}

QString PrestationCard::texteVolume() const
{
    const double v = m_location && m_location->benne() ? m_location->benne()->volume() : 0;
    return formatFixed(v, 0) + QStringLiteral(" m³");
}

QString PrestationCard::texteAdresse() const
{
    if (!m_location)
        return {};
    if (m_location->adresse())
        return *m_location->adresse();
    return m_location->client() ? m_location->client()->adresse() : QString();
}

QColor PrestationCard::couleurFond() const
{
    const QString texte = m_location && m_location->benne() ? m_location->benne()->couleur() : QString();
    return colorFromHex(texte, QColor(Qt::gray));
}

PrestationCard::Geometrie PrestationCard::geometrie(qreal largeur) const
{
    const QFontMetricsF fmClient(police(TextStyle::caption, font()));
    const QFontMetricsF fmVolume(police(TextStyle::body, font(), true));
    const QFontMetricsF fmAdresse(police(TextStyle::body, font()));
    const QSizeF client(fmClient.horizontalAdvance(texteClient()) + 2 * kPaddingClient,
                        fmClient.height() + 2 * kPaddingClient);
    const QSizeF volume(fmVolume.horizontalAdvance(texteVolume()) + 2 * kPaddingVolume,
                        fmVolume.height() + 2 * kPaddingVolume);
    const qreal hautLigne1 = std::max(client.height(), volume.height());
    const qreal largeurNaturelle = std::max(client.width() + kEspaceLigne1 + volume.width(),
                                            fmAdresse.horizontalAdvance(texteAdresse()))
                                   + 2 * kPadding;
    const qreal largeurCarte = largeur > 0 ? std::min(largeur - 2 * kMargeCote, largeurNaturelle)
                                           : largeurNaturelle;
    Geometrie g;
    g.carte = QRectF(kMargeCote, kMargeHaut, largeurCarte,
                     2 * kPadding + hautLigne1 + kEspaceLignes + fmAdresse.height());
    const qreal x = g.carte.left() + kPadding;
    const qreal y = g.carte.top() + kPadding;
    g.client = QRectF(QPointF(x, y + (hautLigne1 - client.height()) / 2), client);
    g.volume = QRectF(QPointF(g.client.right() + kEspaceLigne1, y + (hautLigne1 - volume.height()) / 2), volume);
    g.adresse = QRectF(x, y + hautLigne1 + kEspaceLignes, largeurCarte - 2 * kPadding, fmAdresse.height());
    return g;
}

QSize PrestationCard::sizeHint() const
{
    const Geometrie g = geometrie(0);
    return QSize(int(std::ceil(g.carte.width() + 2 * kMargeCote)),
                 int(std::ceil(g.carte.bottom() + kMargeBas)));
}

QSize PrestationCard::minimumSizeHint() const
{
    return QSize(120, sizeHint().height());
}

QImage PrestationCard::rendu() const
{
    const qreal dpr = devicePixelRatioF();
    QImage image(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const Geometrie g = geometrie(width());

    const QPainterPath carte = glass::continuousRoundedRect(g.carte, 6);
    ombres(p, carte, size(), dpr);
    p.fillPath(carte, couleurFond());

    QPainterPath badge;
    badge.addRect(g.volume);
    ombres(p, badge, size(), dpr);
    p.fillRect(g.volume, Qt::white);
    p.setPen(Qt::black);
    p.setFont(police(TextStyle::body, font(), true));
    p.drawText(g.volume, Qt::AlignCenter, texteVolume());

    QPainterPath etiquette;
    etiquette.addRoundedRect(g.client, 3, 3);
    p.fillPath(etiquette, QColor::fromRgbF(1, 1, 0.2));
    p.setFont(police(TextStyle::caption, font()));
    p.drawText(g.client, Qt::AlignCenter, texteClient());

    p.setFont(police(TextStyle::body, font()));
    p.setPen(palette().color(QPalette::WindowText));
    const QString adresse = QFontMetricsF(p.font()).elidedText(texteAdresse(), Qt::ElideRight, g.adresse.width());
    p.drawText(g.adresse, Qt::AlignLeft | Qt::AlignVCenter, adresse);
    return image;
}

void PrestationCard::paintEvent(QPaintEvent*)
{
    if (m_cache.isNull() || m_cache.size() != size() * devicePixelRatioF())
        m_cache = rendu();
    QPainter p(this);
    p.drawImage(QPointF(0, 0), m_cache);
}

void PrestationCard::resizeEvent(QResizeEvent* event)
{
    m_cache = QImage();
    QWidget::resizeEvent(event);
}

void PrestationCard::mousePressEvent(QMouseEvent* event)
{
    m_press = event->button() == Qt::LeftButton;
    m_pressPos = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void PrestationCard::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_press || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    m_press = false;
    auto* drag = new QDrag(this);
    drag->setMimeData(itemProviderPrestation(m_location, m_type));
    drag->setPixmap(grab());
    drag->setHotSpot(m_pressPos);
    emit glisserCommence();
    const QPointer<PrestationCard> moi(this);
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    if (moi)
        emit glisserTermine();
}

} // namespace kv
