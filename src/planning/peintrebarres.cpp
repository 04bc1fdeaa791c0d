#include "peintrebarres.h"

#include "widgets/glass/glass.h"
#include "widgets/icons.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kv::planning {

namespace {

constexpr qreal kMarge = 7;       // room around a body for its shadows
constexpr qreal kLargeurModele = 64; // width of the body drawn once per colour
constexpr qreal kBord = kMarge + 18;  // left and right slices of the model: corner and shadow
constexpr qreal kHauteur = 32;

const QColor kVert(52, 199, 89);
const QColor kRouge(255, 59, 48);
const QColor kBleu(0, 122, 255);

QImage image(const QSizeF& taille, qreal dpr)
{
    QImage img(int(std::ceil(taille.width() * dpr)), int(std::ceil(taille.height() * dpr)),
               QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    return img;
}

// The two shadows every part of a bar casts: dark below right, light above left.
void ombres(QPainter& p, const QImage& forme, const QPointF& origine)
{
    glass::paintShadowOf(p, forme, origine, QColor(0, 0, 0, 102), 2, QPointF(2, 2));
    glass::paintShadowOf(p, forme, origine, QColor(255, 255, 255, 179), 1, QPointF(-1, -1));
}

// A shape drawn by `dessin` in a picture of `taille` with room for its shadows around it.
QPixmap avecOmbres(const QSizeF& taille, qreal dpr, const std::function<void(QPainter&)>& dessin)
{
    const QSizeF total(taille.width() + 2 * kMarge, taille.height() + 2 * kMarge);
    QImage forme = image(total, dpr);
    {
        QPainter fp(&forme);
        fp.setRenderHint(QPainter::Antialiasing);
        fp.setRenderHint(QPainter::SmoothPixmapTransform);
        fp.translate(kMarge, kMarge);
        dessin(fp);
    }
    QImage out = image(total, dpr);
    QPainter p(&out);
    ombres(p, forme, QPointF(0, 0));
    p.drawImage(QPointF(0, 0), forme);
    p.end();
    return QPixmap::fromImage(out);
}

QPixmap pictogramme(const QString& symbole, const QColor& encre, qreal cote, qreal dpr)
{
    QPixmap pm = paintedSymbolIcon(symbole, encre).pixmap(QSize(int(cote), int(cote)), dpr);
    return pm;
}

} // namespace

void PeintreBarres::preparer(qreal dpr, const QFont& police)
{
    if (qFuzzyCompare(dpr, m_dpr) && police == m_police)
        return;
    m_dpr = dpr;
    m_police = police;
    m_sprites.clear();
    m_corpsEtroits.clear();
    m_textes.clear();
    for (QPixmap* pm : {&m_badges[0], &m_badges[1], &m_poignees[0], &m_poignees[1], &m_duplication, &m_info})
        *pm = QPixmap();
    m_surbrillance = QPixmap();
}

QPixmap PeintreBarres::corpsEntier(const QSizeF& taille, const QColor& couleur)
{
    return avecOmbres(taille, m_dpr, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(couleur);
        p.drawPath(glass::continuousRoundedRect(QRectF(QPointF(0, 0), taille), kRayon));
    });
}

QPixmap PeintreBarres::sprite(const QColor& couleur)
{
    auto it = m_sprites.constFind(couleur.rgba());
    if (it != m_sprites.constEnd())
        return *it;
    if (m_sprites.size() > 256)
        m_sprites.clear();
    const QPixmap pm = corpsEntier(QSizeF(kLargeurModele, kHauteur), couleur);
    m_sprites.insert(couleur.rgba(), pm);
    return pm;
}

void PeintreBarres::peindreCorps(QPainter& p, const QRectF& corps, const QColor& couleur)
{
    if (corps.width() <= 0 || corps.height() <= 0)
        return;
    const QPointF origine = corps.topLeft() - QPointF(kMarge, kMarge);
    const qreal h = corps.height() + 2 * kMarge;
    if (corps.width() < kLargeurModele || !qFuzzyCompare(corps.height(), kHauteur)) {
        // Narrow bars (while a handle is dragged) are drawn whole, and kept a while.
        const quint64 cle = (quint64(couleur.rgba()) << 32) | quint64(std::lround(corps.width() * 4)) << 8
                            | quint64(std::lround(corps.height())) ;
        QPixmap* pm = m_corpsEtroits.object(cle);
        if (!pm) {
            pm = new QPixmap(corpsEntier(corps.size(), couleur));
            m_corpsEtroits.insert(cle, pm);
        }
        p.drawPixmap(origine, *pm);
        return;
    }
    // The model cut in three: both ends as they are, the uniform middle stretched.
    const QPixmap pm = sprite(couleur);
    const qreal d = m_dpr;
    const qreal largeurModele = kLargeurModele + 2 * kMarge;
    const qreal largeur = corps.width() + 2 * kMarge;
    p.drawPixmap(QRectF(origine.x(), origine.y(), kBord, h), pm, QRectF(0, 0, kBord * d, h * d));
    p.drawPixmap(QRectF(origine.x() + kBord, origine.y(), largeur - 2 * kBord, h), pm,
                 QRectF(kBord * d, 0, (largeurModele - 2 * kBord) * d, h * d));
    p.drawPixmap(QRectF(origine.x() + largeur - kBord, origine.y(), kBord, h), pm,
                 QRectF((largeurModele - kBord) * d, 0, kBord * d, h * d));
}

void PeintreBarres::peindreSurbrillance(QPainter& p, const QRectF& corps)
{
    if (corps.isEmpty())
        return;
    if (m_surbrillance.isNull() || m_tailleSurbrillance != corps.size()) {
        m_tailleSurbrillance = corps.size();
        const QSizeF total(corps.width() + 2 * kMarge, corps.height() + 2 * kMarge);
        QImage trait = image(total, m_dpr);
        {
            QPainter tp(&trait);
            tp.setRenderHint(QPainter::Antialiasing);
            const QPainterPath forme = glass::continuousRoundedRect(QRectF(QPointF(kMarge, kMarge), corps.size()), kRayon);
            // Stroked inside its border: a 6-point line whose outer half is cut away.
            tp.setClipPath(forme);
            tp.setPen(QPen(Qt::white, 12));
            tp.setBrush(Qt::NoBrush);
            tp.drawPath(forme);
        }
        QImage out = image(total, m_dpr);
        QPainter op(&out);
        glass::paintShadowOf(op, trait, QPointF(0, 0), QColor(255, 255, 255, 153), 6, QPointF(0, 0));
        op.drawImage(QPointF(0, 0), trait);
        op.end();
        m_surbrillance = QPixmap::fromImage(out);
    }
    p.drawPixmap(corps.topLeft() - QPointF(kMarge, kMarge), m_surbrillance);
}

const QPixmap& PeintreBarres::texte(const QString& nom)
{
    if (QPixmap* pm = m_textes.object(nom))
        return *pm;
    const QFontMetricsF fm(m_police);
    const QSizeF taille(std::ceil(fm.horizontalAdvance(nom)) + 2, std::ceil(fm.height()));
    auto* pm = new QPixmap(avecOmbres(taille, m_dpr, [&](QPainter& p) {
        p.setFont(m_police);
        p.setPen(Qt::white);
        p.drawText(QRectF(QPointF(0, 0), taille), Qt::AlignCenter, nom);
    }));
    m_textes.insert(nom, pm);
    return *pm;
}

void PeintreBarres::peindreEtiquette(QPainter& p, const QRectF& corps, const QString& nom, bool chauffeurPose,
                                     bool chauffeurEnlevement)
{
    constexpr qreal espacement = 8;
    const qreal gauche = chauffeurPose ? 14 + kTailleBadge : 20;
    const qreal droite = chauffeurEnlevement ? kTailleBadge + 38 : 20;
    const QFontMetricsF fm(m_police);
    const qreal place = corps.width() - gauche - droite - 2 * espacement - 8;
    QString affiche = nom;
    if (fm.horizontalAdvance(nom) > place)
        affiche = place > fm.averageCharWidth() * 2 ? fm.elidedText(nom, Qt::ElideRight, place) : QString();
    const qreal largeurTexte = affiche.isEmpty() ? 0 : std::ceil(fm.horizontalAdvance(affiche)) + 2 + 8;
    const qreal total = gauche + espacement + largeurTexte + espacement + droite;
    qreal x = corps.center().x() - total / 2;
    const qreal cy = corps.center().y();
    if (chauffeurPose) {
        const QPixmap& b = badgeChauffeur(false);
        p.drawPixmap(QPointF(x + 14 - kMarge, cy - kTailleBadge / 2 - kMarge), b);
    }
    x += gauche + espacement;
    if (!affiche.isEmpty()) {
        const QPixmap& t = texte(affiche);
        const qreal h = t.height() / t.devicePixelRatio();
        p.drawPixmap(QPointF(x + 4 - kMarge, cy - h / 2), t);
    }
    x += largeurTexte + espacement;
    if (chauffeurEnlevement) {
        const QPixmap& b = badgeChauffeur(true);
        p.drawPixmap(QPointF(x - kMarge, cy - kTailleBadge / 2 - kMarge), b);
    }
}

const QPixmap& PeintreBarres::badgeChauffeur(bool enlevement)
{
    QPixmap& pm = m_badges[enlevement ? 1 : 0];
    if (pm.isNull()) {
        const QPixmap camion = pictogramme(QStringLiteral("truck.box"), enlevement ? kRouge : kVert, 20, m_dpr);
        pm = avecOmbres(QSizeF(kTailleBadge, kTailleBadge), m_dpr, [&](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(0, 0, kTailleBadge, kTailleBadge));
            p.save();
            if (enlevement) {
                // The removal's truck drives the other way.
                p.translate(kTailleBadge, 0);
                p.scale(-1, 1);
            }
            p.drawPixmap(QRectF(4, 4, 20, 20), camion, camion.rect());
            p.restore();
        });
    }
    return pm;
}

const QPixmap& PeintreBarres::poignee(bool droite)
{
    QPixmap& pm = m_poignees[droite ? 1 : 0];
    if (pm.isNull())
        pm = pictogramme(droite ? QStringLiteral("arrow.right.square") : QStringLiteral("arrow.left.square"),
                         Qt::white, 12, m_dpr);
    return pm;
}

const QPixmap& PeintreBarres::boutonDuplication()
{
    if (m_duplication.isNull()) {
        const QPixmap fleche = pictogramme(QStringLiteral("arrow.trianglehead.clockwise"), Qt::black, 14, m_dpr);
        m_duplication = avecOmbres(QSizeF(kTailleDuplication, kTailleDuplication), m_dpr, [&](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(0, 0, kTailleDuplication, kTailleDuplication));
            p.drawPixmap(QRectF(4, 4, 14, 14), fleche, fleche.rect());
        });
    }
    return m_duplication;
}

const QPixmap& PeintreBarres::badgeInfo()
{
    if (m_info.isNull()) {
        const QPixmap info = pictogramme(QStringLiteral("info.circle.fill"), kBleu, 22, m_dpr);
        const QSizeF cote(22, 22);
        QImage forme = image(QSizeF(22 + 2 * kMarge, 22 + 2 * kMarge), m_dpr);
        {
            QPainter fp(&forme);
            fp.drawPixmap(QRectF(kMarge, kMarge, 22, 22), info, info.rect());
        }
        QImage out = image(QSizeF(22 + 2 * kMarge, 22 + 2 * kMarge), m_dpr);
        QPainter p(&out);
        glass::paintShadowOf(p, forme, QPointF(0, 0), QColor(255, 255, 255, 153), 6, QPointF(0, 0));
        p.drawImage(QPointF(0, 0), forme);
        p.end();
        m_info = QPixmap::fromImage(out);
    }
    return m_info;
}

} // namespace kv::planning
