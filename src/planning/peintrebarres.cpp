#include "peintrebarres.h"

#include "widgets/glass/glass.h"
#include "widgets/icons.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <vector>

namespace kv::planning {

namespace {

constexpr qreal kMarge = PeintreBarres::kMargeOmbres; // room around a picture for its shadows
constexpr qreal kLueur = 7;        // room around the white glows (deletion outline, information badge)
constexpr qreal kLargeurModele = 64; // width of the body drawn once per colour
constexpr qreal kBord = kMarge + 17;  // left and right slices of the model: corner and shadow
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

// Paints the shadow of `forme` (its alpha, blurred over `rayon`, in `couleur`, moved by
// `decalage`) into `cible`, both pictures of the same size. Two box passes each way over the
// 8-bit alpha: close to a Gaussian, and cheap enough for the many small pictures of a grid.
void ombre(QImage& cible, const QImage& forme, const QColor& couleur, qreal rayon, const QPointF& decalage)
{
    const qreal dpr = forme.devicePixelRatio();
    const int w = forme.width(), h = forme.height();
    std::vector<int> a(size_t(w) * size_t(h)), tmp(size_t(w) * size_t(h));
    const int dx = int(std::lround(decalage.x() * dpr)), dy = int(std::lround(decalage.y() * dpr));
    for (int y = 0; y < h; ++y) {
        const int sy = y - dy;
        const QRgb* ligne = sy >= 0 && sy < h ? reinterpret_cast<const QRgb*>(forme.constScanLine(sy)) : nullptr;
        for (int x = 0; x < w; ++x) {
            const int sx = x - dx;
            a[size_t(y) * w + x] = ligne && sx >= 0 && sx < w ? qAlpha(ligne[sx]) : 0;
        }
    }
    const int r = std::max(1, int(std::lround(rayon * dpr / 2)));
    const auto passe = [&](std::vector<int>& src, std::vector<int>& dst, bool horizontal) {
        const int n = horizontal ? w : h, lignes = horizontal ? h : w;
        const size_t pas = horizontal ? 1 : size_t(w), pasLigne = horizontal ? size_t(w) : 1;
        for (int l = 0; l < lignes; ++l) {
            const size_t base = size_t(l) * pasLigne;
            int somme = 0;
            for (int i = -r; i <= r; ++i)
                if (i >= 0 && i < n)
                    somme += src[base + size_t(i) * pas];
            for (int i = 0; i < n; ++i) {
                dst[base + size_t(i) * pas] = somme / (2 * r + 1);
                const int sort = i - r, entre = i + r + 1;
                if (sort >= 0)
                    somme -= src[base + size_t(sort) * pas];
                if (entre < n)
                    somme += src[base + size_t(entre) * pas];
            }
        }
    };
    for (int k = 0; k < 2; ++k) {
        passe(a, tmp, true);
        passe(tmp, a, false);
    }
    const int cr = couleur.red(), cg = couleur.green(), cb = couleur.blue(), ca = couleur.alpha();
    for (int y = 0; y < h; ++y) {
        QRgb* ligne = reinterpret_cast<QRgb*>(cible.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int al = a[size_t(y) * w + x] * ca / 255;
            if (al == 0)
                continue;
            // Source-over of a premultiplied shadow pixel onto what is already there.
            const QRgb d = ligne[x];
            const int inv = 255 - al;
            ligne[x] = qRgba(cr * al / 255 + qRed(d) * inv / 255, cg * al / 255 + qGreen(d) * inv / 255,
                             cb * al / 255 + qBlue(d) * inv / 255, al + qAlpha(d) * inv / 255);
        }
    }
}

// The two shadows every part of a bar casts: dark below right, light above left.
void ombres(QImage& cible, const QImage& forme)
{
    ombre(cible, forme, QColor(0, 0, 0, 102), 2, QPointF(2, 2));
    ombre(cible, forme, QColor(255, 255, 255, 179), 1, QPointF(-1, -1));
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
    ombres(out, forme);
    QPainter p(&out);
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
    m_bandeHaute = m_bandeBasse = QPixmap();
    m_mesures.clear();
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
    // The model cut in three: both ends as they are; in the middle, the body's colour filled
    // between the thin bands of shadow above and below it, which are the same all along and
    // whatever the colour.
    const QPixmap pm = sprite(couleur);
    const qreal d = m_dpr;
    const qreal largeurModele = kLargeurModele + 2 * kMarge;
    const qreal largeur = corps.width() + 2 * kMarge;
    const qreal milieu = largeur - 2 * kBord;
    p.drawPixmap(QPointF(origine.x(), origine.y()), pm, QRectF(0, 0, kBord * d, h * d));
    preparerBandes();
    const qreal pas = kLargeurBandes;
    for (qreal fait = 0; fait < milieu; fait += pas) {
        const qreal morceau = std::min(pas, milieu - fait);
        p.drawPixmap(QPointF(origine.x() + kBord + fait, origine.y()), m_bandeHaute, QRectF(0, 0, morceau * d, kMarge * d));
        p.drawPixmap(QPointF(origine.x() + kBord + fait, corps.bottom()), m_bandeBasse,
                     QRectF(0, 0, morceau * d, kMarge * d));
    }
    p.fillRect(QRectF(origine.x() + kBord, corps.top(), milieu, corps.height()), couleur);
    p.drawPixmap(QPointF(origine.x() + largeur - kBord, origine.y()), pm,
                 QRectF((largeurModele - kBord) * d, 0, kBord * d, h * d));
}

void PeintreBarres::preparerBandes()
{
    if (!m_bandeHaute.isNull())
        return;
    // The shadows of a long body, its ends cut away: what lies above and below a bar's middle.
    const QPixmap long_ = corpsEntier(QSizeF(kLargeurBandes + 2 * kBord, kHauteur), Qt::black);
    const qreal d = m_dpr;
    m_bandeHaute = long_.copy(QRectF(kBord * d, 0, kLargeurBandes * d, kMarge * d).toRect());
    m_bandeBasse = long_.copy(QRectF(kBord * d, (kMarge + kHauteur) * d, kLargeurBandes * d, kMarge * d).toRect());
}

void PeintreBarres::peindreSurbrillance(QPainter& p, const QRectF& corps)
{
    if (corps.isEmpty())
        return;
    if (m_surbrillance.isNull() || m_tailleSurbrillance != corps.size()) {
        m_tailleSurbrillance = corps.size();
        const QSizeF total(corps.width() + 2 * kLueur, corps.height() + 2 * kLueur);
        QImage trait = image(total, m_dpr);
        {
            QPainter tp(&trait);
            tp.setRenderHint(QPainter::Antialiasing);
            const QPainterPath forme = glass::continuousRoundedRect(QRectF(QPointF(kLueur, kLueur), corps.size()), kRayon);
            // Stroked inside its border: a 6-point line whose outer half is cut away.
            tp.setClipPath(forme);
            tp.setPen(QPen(Qt::white, 12));
            tp.setBrush(Qt::NoBrush);
            tp.drawPath(forme);
        }
        QImage out = image(total, m_dpr);
        ombre(out, trait, QColor(255, 255, 255, 153), 6, QPointF(0, 0));
        QPainter op(&out);
        op.drawImage(QPointF(0, 0), trait);
        op.end();
        m_surbrillance = QPixmap::fromImage(out);
    }
    p.drawPixmap(corps.topLeft() - QPointF(kLueur, kLueur), m_surbrillance);
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
    const qreal place = corps.width() - gauche - droite - 2 * espacement - 8;
    // The name as it fits, measured once per name and room.
    const QString cle = nom + QLatin1Char('\x1f') + QString::number(qRound(place));
    auto it = m_mesures.constFind(cle);
    if (it == m_mesures.constEnd()) {
        if (m_mesures.size() > 4000)
            m_mesures.clear();
        const QFontMetricsF fm(m_police);
        QString affiche = nom;
        if (fm.horizontalAdvance(nom) > place)
            affiche = place > fm.averageCharWidth() * 2 ? fm.elidedText(nom, Qt::ElideRight, place) : QString();
        it = m_mesures.insert(cle, {affiche, affiche.isEmpty() ? 0 : std::ceil(fm.horizontalAdvance(affiche)) + 2 + 8});
    }
    const QString& affiche = it->texte;
    const qreal largeurTexte = it->largeur;
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
        QImage forme = image(QSizeF(22 + 2 * kLueur, 22 + 2 * kLueur), m_dpr);
        {
            QPainter fp(&forme);
            fp.drawPixmap(QRectF(kLueur, kLueur, 22, 22), info, info.rect());
        }
        QImage out = image(QSizeF(22 + 2 * kLueur, 22 + 2 * kLueur), m_dpr);
        ombre(out, forme, QColor(255, 255, 255, 153), 6, QPointF(0, 0));
        QPainter p(&out);
        p.drawImage(QPointF(0, 0), forme);
        p.end();
        m_info = QPixmap::fromImage(out);
    }
    return m_info;
}

} // namespace kv::planning
