#include "prestationcard.h"

#include "model/helpers.h"
#include "model/records.h"
#include "rentals/modifierlocation.h"
#include "widgets/accessiblenames.h"
#include "widgets/colors.h"
#include "widgets/forms/singleline.h"
#include "widgets/glass/glass.h"
#include "widgets/plaintext.h"
#include "widgets/textstyles.h"

#include <QApplication>
#include <QDrag>
#include <QFontMetricsF>
#include <QHash>
#include <QMimeData>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>

#include <algorithm>
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

// Two shadows give the card and its badge their relief: a dark one below right, a light one
// above left. Both only depend on the shape's size, so they are blurred once per size, and only
// for narrow shapes.
constexpr qreal kMargeOmbre = 6;
// Along a long edge the relief is the same in every column: a wide shape's relief is that of a
// shape this wide (with the same fraction of a device pixel in its width) with its middle column
// repeated. Wide enough that what the corners' blur reaches never meets in the middle.
constexpr qreal kLargeurModele = 48;

QImage ombresFloues(const QSizeF& taille, qreal rayon, qreal dpr)
{
    const QSizeF total(taille.width() + 2 * kMargeOmbre, taille.height() + 2 * kMargeOmbre);
    QImage masque((total * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    masque.setDevicePixelRatio(dpr);
    masque.fill(Qt::transparent);
    {
        QPainter m(&masque);
        m.setRenderHint(QPainter::Antialiasing);
        const QRectF forme(QPointF(kMargeOmbre, kMargeOmbre), taille);
        m.fillPath(rayon > 0 ? glass::continuousRoundedRect(forme, rayon) : [&] {
            QPainterPath p;
            p.addRect(forme);
            return p;
        }(), Qt::black);
    }
    QImage resultat(masque.size(), QImage::Format_ARGB32_Premultiplied);
    resultat.setDevicePixelRatio(dpr);
    resultat.fill(Qt::transparent);
    {
        QPainter p(&resultat);
        QColor noir(0, 0, 0);
        noir.setAlphaF(0.4f);
        QColor blanc(255, 255, 255);
        blanc.setAlphaF(0.7f);
        glass::paintShadowOf(p, masque, QPointF(0, 0), blanc, 1, QPointF(-1, -1));
        glass::paintShadowOf(p, masque, QPointF(0, 0), noir, 2, QPointF(2, 2));
    }
    return resultat;
}

// The narrow relief stretched by `colonnes` device pixels: its left half, its middle column
// repeated, its right half.
QImage etirer(const QImage& modele, int colonnes)
{
    QImage large(modele.width() + colonnes, modele.height(), QImage::Format_ARGB32_Premultiplied);
    large.setDevicePixelRatio(modele.devicePixelRatio());
    const int milieu = modele.width() / 2;
    for (int y = 0; y < modele.height(); ++y) {
        const auto* source = reinterpret_cast<const quint32*>(modele.constScanLine(y));
        auto* ligne = reinterpret_cast<quint32*>(large.scanLine(y));
        std::copy(source, source + milieu, ligne);
        std::fill(ligne + milieu, ligne + milieu + colonnes + 1, source[milieu]);
        std::copy(source + milieu + 1, source + modele.width(), ligne + milieu + colonnes + 1);
    }
    return large;
}

} // namespace

QImage ombresDeCarte(const QSizeF& taille, qreal rayon, qreal dpr)
{
    // Whole device pixels taken off the width, so that the narrow relief lies on the same grid.
    const int colonnes = int(std::floor((taille.width() - kLargeurModele) * dpr));
    if (colonnes > 0) {
        // Stretching costs a copy: only the narrow reliefs are kept.
        const QImage modele = ombresDeCarte(QSizeF(taille.width() - colonnes / dpr, taille.height()), rayon, dpr);
        const QSize voulue((QSizeF(taille.width() + 2 * kMargeOmbre, taille.height() + 2 * kMargeOmbre) * dpr).toSize());
        if (modele.width() + colonnes == voulue.width() && modele.height() == voulue.height())
            return etirer(modele, colonnes);
    }
    static QHash<QString, QImage> cache;
    // Widths are sums of font advances, whole 64ths of a pixel: the key tells them apart.
    const QString cle = QStringLiteral("%1x%2 r%3 @%4").arg(qRound(taille.width() * 64)).arg(qRound(taille.height() * 64))
                            .arg(rayon).arg(dpr);
    if (auto it = cache.constFind(cle); it != cache.constEnd())
        return it.value();
    const QImage resultat = ombresFloues(taille, rayon, dpr);
    if (cache.size() > 256)
        cache.clear();
    cache.insert(cle, resultat);
    return resultat;
}

namespace {

void peindreOmbres(QPainter& p, const QRectF& forme, qreal rayon, qreal dpr)
{
    p.drawImage(forme.topLeft() - QPointF(kMargeOmbre, kMargeOmbre), ombresDeCarte(forme.size(), rayon, dpr));
}

} // namespace

struct PrestationCard::Geometrie {
    QRectF carte;   // the coloured rounded rectangle
    QRectF client;  // the yellow label
    QRectF volume;  // the white badge
    QRectF adresse; // the address line
    // The client and the address as painted: cut with "…" where the card is too narrow.
    QString texteClient;
    QString texteAdresse;
};

PrestationCard::PrestationCard(LocationDeBenne* location, TypePrestation type, QWidget* parent)
    : QWidget(parent), m_location(location), m_type(type)
{
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setCursor(Qt::OpenHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    readAsItem(this);
    // What the card shows: the job, the client, the skip's volume, the address.
    setAccessibleName((type == TypePrestation::pose ? QStringLiteral("Pose, ") : QStringLiteral("Enlèvement, "))
                      + texteClient() + QStringLiteral(", ") + texteVolume() + QStringLiteral(", ") + texteAdresse());
}

QString PrestationCard::texteClient() const
{
    // A namesake told apart (see nomClientDistinct).
    return m_location && m_location->client() ? nomClientDistinct(m_location->client()) : QString();
}

QString PrestationCard::texteVolume() const
{
    const Benne* benne = m_location ? m_location->benne() : nullptr;
    const double v = benne ? benne->volume() : 0;
    // On the skip's colour: its volume, and what tells it from its look-alikes.
    const QString distinction = distinctionBenne(benne);
    return formatFixed(v, 0) + QStringLiteral(" m³") + (distinction.isEmpty() ? QString() : QLatin1Char(' ') + distinction);
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
    const QString client = forms::singleLine(texteClient());
    const QString adresse = forms::singleLine(texteAdresse());
    QSizeF tailleClient(fmClient.horizontalAdvance(client) + 2 * kPaddingClient, fmClient.height() + 2 * kPaddingClient);
    const QSizeF volume(fmVolume.horizontalAdvance(texteVolume()) + 2 * kPaddingVolume,
                        fmVolume.height() + 2 * kPaddingVolume);
    const qreal hautLigne1 = std::max(tailleClient.height(), volume.height());
    const qreal largeurNaturelle = std::max(tailleClient.width() + kEspaceLigne1 + volume.width(),
                                            fmAdresse.horizontalAdvance(adresse))
                                   + 2 * kPadding;
    const qreal largeurCarte = largeur > 0 ? std::min(largeur - 2 * kMargeCote, largeurNaturelle)
                                           : largeurNaturelle;
    // The badge stays whole: the client's label takes what room it leaves.
    const qreal interieur = largeurCarte - 2 * kPadding;
    tailleClient.setWidth(std::clamp(interieur - kEspaceLigne1 - volume.width(), 2 * kPaddingClient,
                                     tailleClient.width()));
    Geometrie g;
    g.carte = QRectF(kMargeCote, kMargeHaut, largeurCarte,
                     2 * kPadding + hautLigne1 + kEspaceLignes + fmAdresse.height());
    const qreal x = g.carte.left() + kPadding;
    const qreal y = g.carte.top() + kPadding;
    g.client = QRectF(QPointF(x, y + (hautLigne1 - tailleClient.height()) / 2), tailleClient);
    g.volume = QRectF(QPointF(g.client.right() + kEspaceLigne1, y + (hautLigne1 - volume.height()) / 2), volume);
    g.adresse = QRectF(x, y + hautLigne1 + kEspaceLignes, interieur, fmAdresse.height());
    const qreal placeClient = tailleClient.width() - 2 * kPaddingClient;
    // Short of room, what namesakes share gives way first.
    const QString ajuste = fmClient.horizontalAdvance(client) <= placeClient || !m_location || !m_location->client()
                               ? client
                               : forms::singleLine(nomClientDistinct(m_location->client(), [&](const QString& t) {
                                     return fmClient.horizontalAdvance(forms::singleLine(t)) <= placeClient;
                                 }));
    g.texteClient = fmClient.elidedText(ajuste, Qt::ElideRight, placeClient);
    g.texteAdresse = fmAdresse.elidedText(adresse, Qt::ElideRight, g.adresse.width());
    return g;
}

QRectF PrestationCard::rectangleCarte() const
{
    return geometrie(width()).carte;
}

QRectF PrestationCard::rectangleClient() const
{
    return geometrie(width()).client;
}

QRectF PrestationCard::rectangleVolume() const
{
    return geometrie(width()).volume;
}

QRectF PrestationCard::rectangleAdresse() const
{
    return geometrie(width()).adresse;
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
    peindreOmbres(p, g.carte, 6, dpr);
    p.fillPath(carte, couleurFond());

    peindreOmbres(p, g.volume, 0, dpr);
    p.fillRect(g.volume, Qt::white);
    p.setPen(Qt::black);
    p.setFont(police(TextStyle::body, font(), true));
    p.drawText(g.volume, Qt::AlignCenter, texteVolume());

    QPainterPath etiquette;
    etiquette.addRoundedRect(g.client, 3, 3);
    p.fillPath(etiquette, QColor::fromRgbF(1, 1, 0.2));
    p.setFont(police(TextStyle::caption, font()));
    p.drawText(g.client, Qt::AlignCenter, g.texteClient);

    // The address stands on the skip's colour, which the user chose: black or white, whichever
    // reads on it.
    p.setFont(police(TextStyle::body, font()));
    p.setPen(textColorOn(couleurFond(), palette().color(QPalette::Window)));
    p.drawText(g.adresse, Qt::AlignLeft | Qt::AlignVCenter, g.texteAdresse);
    return image;
}

void PrestationCard::paintEvent(QPaintEvent*)
{
    if (m_cache.isNull() || m_cache.size() != size() * devicePixelRatioF())
        m_cache = rendu();
    QPainter p(this);
    p.drawImage(QPointF(0, 0), m_cache);
    if (hasFocus()) {
        // Two rings: the selection's colour round the card, as every focused widget shows, and
        // inside its edge a line in the ink that reads on the skip's colour, which the user chose
        // and may be the selection's own blue or a dark navy the outer ring would vanish on.
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF carte = geometrie(width()).carte;
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawPath(glass::continuousRoundedRect(carte.adjusted(-1, -1, 1, 1), 7));
        p.setPen(QPen(textColorOn(couleurFond(), palette().color(QPalette::Window)), 2.5));
        p.drawPath(glass::continuousRoundedRect(carte.adjusted(2, 2, -2, -2), 4));
    }
}

void PrestationCard::contextMenuEvent(QContextMenuEvent* event)
{
    emit menuDemande(event->globalPos());
}

void PrestationCard::keyPressEvent(QKeyEvent* event)
{
    if (QKeySequence(event->keyCombination()) == raccourciModifierLocation() && location()) {
        modifierLocation(this, location()->modelContext(), location());
        return;
    }
    const bool menu = event->key() == Qt::Key_Menu || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter
                      || event->key() == Qt::Key_Space
                      || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (!menu) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit menuDemande(mapToGlobal(geometrie(width()).carte.center().toPoint()));
}

void PrestationCard::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void PrestationCard::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void PrestationCard::resizeEvent(QResizeEvent* event)
{
    m_cache = QImage();
    QWidget::resizeEvent(event);
}

QString PrestationCard::texteInfobulle() const
{
    // What the card cuts is whole in its tool tip.
    const Geometrie g = geometrie(width());
    const bool coupee = g.texteClient != forms::singleLine(texteClient())
                        || g.texteAdresse != forms::singleLine(texteAdresse());
    if (!coupee && distinctionParmiHomonymes(m_location ? m_location->client() : nullptr).isEmpty())
        return {};
    return texteClient() + QLatin1Char('\n') + texteAdresse();
}

bool PrestationCard::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const QString texte = texteInfobulle();
        auto* aide = static_cast<QHelpEvent*>(event);
        if (texte.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(aide->globalPos(), plainToolTip(texte), this);
        return true;
    }
    return QWidget::event(event);
}

void PrestationCard::mousePressEvent(QMouseEvent* event)
{
    m_press = event->button() == Qt::LeftButton;
    m_pressPos = event->position().toPoint();
    setFocus(Qt::MouseFocusReason);
    event->accept();
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
