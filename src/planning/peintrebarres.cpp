#include "peintrebarres.h"

#include "widgets/colors.h"

#include "widgets/glass/glass.h"
#include "widgets/icons.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <QtMath>

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

// What tells fonts apart in the caches: the grid's own and the smaller ones of low bars.
QString cleDe(const QFont& police)
{
    return QString::number(police.pixelSize()) + QLatin1Char('/') + QString::number(police.pointSizeF());
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
    m_largeurs.clear();
    m_raccourcis.clear();
    m_polices.clear();
}

const PeintreBarres::Police& PeintreBarres::policePour(qreal hauteur)
{
    const int cle = int(std::floor(hauteur * 4));
    auto it = m_polices.constFind(cle);
    if (it != m_polices.constEnd())
        return *it;
    Police choix;
    // The grid's own font, where its line and the shadows of white text lie within the bar.
    if (std::ceil(QFontMetricsF(m_police).height()) + 2 <= hauteur) {
        choix.police = m_police;
        choix.ok = true;
    } else {
        // Else the largest that fits between the bar's edges, accents and descenders included.
        for (int taille = int(std::floor(hauteur)); taille >= kPoliceMin; --taille) {
            QFont f = m_police;
            f.setPixelSize(taille);
            if (std::ceil(QFontMetricsF(f).height()) <= std::floor(hauteur)) {
                choix.police = f;
                choix.ok = true;
                break;
            }
        }
    }
    return *m_polices.insert(cle, choix);
}

QPixmap PeintreBarres::corpsEntier(const QSizeF& taille, const QColor& couleur)
{
    return avecOmbres(taille, m_dpr, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(couleur);
        p.drawPath(glass::continuousRoundedRect(QRectF(QPointF(0, 0), taille), kRayon));
    });
}

QPixmap PeintreBarres::sprite(const QColor& couleur, qreal hauteur)
{
    // Stacked bars are lower than a row's single bar: one model per colour and height.
    const quint64 cle = quint64(couleur.rgba()) << 16 | quint64(std::lround(hauteur * 4) & 0xffff);
    auto it = m_sprites.constFind(cle);
    if (it != m_sprites.constEnd())
        return *it;
    if (m_sprites.size() > 256)
        m_sprites.clear();
    const QPixmap pm = corpsEntier(QSizeF(kLargeurModele, hauteur), couleur);
    m_sprites.insert(cle, pm);
    return pm;
}

void PeintreBarres::peindreCorps(QPainter& p, const QRectF& corps, const QColor& couleur)
{
    if (corps.width() <= 0 || corps.height() <= 0)
        return;
    const QPointF origine = corps.topLeft() - QPointF(kMarge, kMarge);
    if (corps.width() < kLargeurModele) {
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
    // whatever the colour. Laid out in device pixels, each piece on whole pixels: at a fractional
    // scale the pieces meet without a gap or a step.
    const QPixmap pm = sprite(couleur, corps.height());
    preparerBandes();
    const qreal d = m_dpr;
    const int x0 = qRound(origine.x() * d), y0 = qRound(origine.y() * d);
    const int largeur = qRound((corps.width() + 2 * kMarge) * d);
    const int bord = qCeil(kBord * d), hauteur = pm.height();
    const int haute = m_bandeHaute.height(), basse = m_bandeBasse.height();
    const int milieu = largeur - 2 * bord;
    p.save();
    p.scale(1 / d, 1 / d);
    p.drawPixmap(QRect(x0, y0, bord, hauteur), pm, QRect(0, 0, bord, hauteur));
    const int pas = m_bandeHaute.width();
    for (int fait = 0; fait < milieu; fait += pas) {
        const int morceau = std::min(pas, milieu - fait);
        p.drawPixmap(QRect(x0 + bord + fait, y0, morceau, haute), m_bandeHaute, QRect(0, 0, morceau, haute));
        p.drawPixmap(QRect(x0 + bord + fait, y0 + hauteur - basse, morceau, basse), m_bandeBasse, QRect(0, 0, morceau, basse));
    }
    p.fillRect(QRect(x0 + bord, y0 + haute, milieu, hauteur - haute - basse), couleur);
    p.drawPixmap(QRect(x0 + largeur - bord, y0, bord, hauteur), pm, QRect(pm.width() - bord, 0, bord, hauteur));
    p.restore();
}

void PeintreBarres::peindreFinOuverte(QPainter& p, const QRectF& corps, const QColor& couleur, const QColor& fond)
{
    const qreal largeur = std::min(kFonduOuvert, corps.width());
    if (largeur <= 0 || corps.height() <= 0)
        return;
    // The rounded end and its shadows go under the grid's colour: the bar does not stop here.
    const QRectF fondu(corps.right() - largeur, corps.top() - kMarge, largeur + kMarge, corps.height() + 2 * kMarge);
    QLinearGradient degrade(fondu.left(), 0, fondu.right(), 0);
    QColor transparent = fond;
    transparent.setAlpha(0);
    degrade.setColorAt(0, transparent);
    degrade.setColorAt(0.85, fond);
    degrade.setColorAt(1, fond);
    p.fillRect(fondu, degrade);
    // A double arrow, in the colour that reads on the bar.
    const qreal cote = std::min<qreal>(10, corps.height() - 4);
    if (cote < 4)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen trait(textColorOn(couleur), cote >= 8 ? 2 : 1.4);
    trait.setCapStyle(Qt::RoundCap);
    trait.setJoinStyle(Qt::RoundJoin);
    p.setPen(trait);
    const qreal cy = corps.center().y();
    const qreal x0 = corps.right() - largeur - cote;
    for (int k = 0; k < 2; ++k) {
        const qreal x = x0 + k * cote * 0.6;
        p.drawPolyline(QPolygonF{QPointF(x, cy - cote / 2), QPointF(x + cote / 2, cy), QPointF(x, cy + cote / 2)});
    }
    p.restore();
}

void PeintreBarres::preparerBandes()
{
    if (!m_bandeHaute.isNull())
        return;
    // The shadows of a long body, its ends cut away: what lies above and below a bar's middle.
    const QPixmap long_ = corpsEntier(QSizeF(kLargeurBandes + 2 * kBord, kHauteur), Qt::black);
    const qreal d = m_dpr;
    // Cut on whole pixels: the body's edges lie where its bands end and begin.
    const int bord = qCeil(kBord * d), largeur = qFloor(kLargeurBandes * d), marge = qRound(kMarge * d);
    m_bandeHaute = long_.copy(QRect(bord, 0, largeur, marge));
    m_bandeBasse = long_.copy(QRect(bord, long_.height() - marge, largeur, marge));
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

const QPixmap& PeintreBarres::texte(const QString& nom, const QColor& encre, const QFont& police)
{
    // Smaller names, on low bars, go without shadows, which would blur their thin letters.
    const bool blanc = encre == QColor(Qt::white);
    const bool ombre = blanc && police == m_police;
    const QString cle = (blanc ? QStringLiteral("b|") : QStringLiteral("n|")) + (ombre ? QString() : cleDe(police))
                        + QLatin1Char('|') + nom;
    if (QPixmap* pm = m_textes.object(cle))
        return *pm;
    const QFontMetricsF fm(police);
    const QSizeF taille(std::ceil(fm.horizontalAdvance(nom)) + 2, std::ceil(fm.height()));
    const auto dessin = [&](QPainter& p) {
        p.setFont(police);
        p.setPen(encre);
        p.drawText(QRectF(QPointF(0, 0), taille), Qt::AlignCenter, nom);
    };
    QPixmap* pm = nullptr;
    if (ombre) {
        // White text keeps its two shadows, which set it off the lighter parts of the bar.
        pm = new QPixmap(avecOmbres(taille, m_dpr, dessin));
    } else {
        QImage seul = image(QSizeF(taille.width() + 2 * kMarge, taille.height() + 2 * kMarge), m_dpr);
        QPainter p(&seul);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(kMarge, kMarge);
        dessin(p);
        p.end();
        pm = new QPixmap(QPixmap::fromImage(seul));
    }
    m_textes.insert(cle, pm);
    return *pm;
}

qreal PeintreBarres::largeurNom(const QString& nom, const QFont& police)
{
    if (nom.isEmpty())
        return 0;
    const bool propre = police == m_police;
    const QString cle = propre ? nom : cleDe(police) + QLatin1Char('\x1f') + nom;
    auto it = m_largeurs.constFind(cle);
    if (it == m_largeurs.constEnd()) {
        if (m_largeurs.size() > 4000)
            m_largeurs.clear();
        it = m_largeurs.insert(cle, std::ceil(QFontMetricsF(police).horizontalAdvance(nom)) + 2 + 8);
    }
    return *it;
}

template <class Faire>
QString PeintreBarres::memorise(const QString& cle, Faire&& faire)
{
    // A grid paints the same bars again and again: each name is fitted once per room and font.
    if (const auto it = m_raccourcis.constFind(cle); it != m_raccourcis.constEnd())
        return *it;
    if (m_raccourcis.size() > 4000)
        m_raccourcis.clear();
    const QString fait = faire();
    m_raccourcis.insert(cle, fait);
    return fait;
}

QString PeintreBarres::nomRaccourci(const QString& nom, qreal place, const QFont& police)
{
    const QString cle = cleDe(police) + QLatin1Char('\x1f') + nom + QLatin1Char('\x1f') + QString::number(qRound(place));
    return memorise(cle, [&] {
        const QFontMetricsF fm(police);
        const qreal texte = place - 2 - 8;
        return texte > fm.averageCharWidth() * 2 ? fm.elidedText(nom, Qt::ElideRight, texte) : QString();
    });
}

QString PeintreBarres::nomAjuste(const QString& nom, const Ajustement& ajuster, qreal place, const QFont& police)
{
    const QString cle = QStringLiteral("\x1e") + cleDe(police) + QLatin1Char('\x1f') + nom + QLatin1Char('\x1f')
                        + QString::number(qRound(place));
    return memorise(cle, [&] {
        const QFontMetricsF fm(police);
        const qreal texte = place - 2 - 8;
        if (texte <= fm.averageCharWidth() * 2)
            return nomRaccourci(nom, place, police);
        const QString ajuste = ajuster([&fm, texte](const QString& s) { return fm.horizontalAdvance(s) <= texte; });
        return fm.horizontalAdvance(ajuste) <= texte ? ajuste : nomRaccourci(ajuste, place, police);
    });
}

void PeintreBarres::peindreCadreFocus(QPainter& p, const QRectF& rect, const QColor& surbrillance, qreal rayon)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    // The rings and the frame lie inside `rect`: 2 + 3 + 2 points.
    const QRectF milieu = rect.adjusted(3.5, 3.5, -3.5, -3.5);
    p.setPen(QPen(Qt::white, 7));
    p.drawRoundedRect(milieu, rayon, rayon);
    p.setPen(QPen(surbrillance, 3));
    p.drawRoundedRect(milieu, rayon, rayon);
    p.restore();
}

PeintreBarres::Etiquette PeintreBarres::disposerEtiquette(const QRectF& corps, const QRectF& bande, const QString& nom,
                                                          bool chauffeurPose, bool chauffeurEnlevement,
                                                          const Ajustement& ajuster)
{
    Etiquette e;
    const qreal cy = corps.center().y();
    const Police& police = policePour(corps.height());
    e.police = police.police;
    const QString nomEcrit = police.ok ? nom : QString();
    const qreal largeurTexte = largeurNom(nomEcrit, e.police);
    const auto badge = [&](qreal x, qreal cote) { return QRectF(x, cy - cote / 2, cote, cote); };

    // With room: [14, badge] or a 20-point spacer, 8, the name, 8, [badge, 38] or a spacer,
    // centred on the body.
    {
        constexpr qreal espacement = 8;
        const qreal gauche = chauffeurPose ? 14 + kTailleBadge : 20;
        const qreal droite = chauffeurEnlevement ? kTailleBadge + 38 : 20;
        const qreal x = corps.center().x() - (gauche + espacement + largeurTexte + espacement + droite) / 2;
        const qreal xTexte = x + gauche + espacement;
        const qreal xFin = xTexte + largeurTexte + espacement;
        const qreal visibleDebut = chauffeurPose ? x + 14 : xTexte;
        const qreal visibleFin = chauffeurEnlevement ? xFin + kTailleBadge : xTexte + largeurTexte;
        if (corps.height() >= kTailleBadge && visibleDebut >= bande.left() && visibleFin <= bande.right()) {
            e.texte = nomEcrit;
            e.rectTexte = QRectF(xTexte, corps.top(), largeurTexte, corps.height());
            if (chauffeurPose)
                e.badgePose = badge(x + 14, kTailleBadge);
            if (chauffeurEnlevement)
                e.badgeEnlevement = badge(xFin, kTailleBadge);
            return e;
        }
    }

    // Short of room: no margins, the badges as large as the whole name lets them be, down to
    // their smallest; else no badges, and the name in all the band.
    constexpr qreal espacement = 3;
    const int nombre = int(chauffeurPose) + int(chauffeurEnlevement);
    const qreal place = std::max<qreal>(0, bande.width());
    qreal cote = 0;
    if (nombre > 0) {
        const qreal reste = place - largeurTexte - nombre * espacement;
        // A stacked bar is lower than a badge: its driver marks shrink to its height, and stay.
        const qreal haut = std::min(kTailleBadge, corps.height());
        cote = std::min(haut, reste / nombre);
        // Where the whole name leaves too little room, the drivers' marks keep their smallest
        // size and the name is shortened beside them (whole in the tool tip): a one-day bar
        // shows its drivers too. Only a band too narrow for the marks alone loses them.
        const qreal mini = std::min(kTailleBadgeMin, haut);
        if (cote < mini)
            cote = place - nombre * espacement >= nombre * mini ? mini : 0;
    }
    const bool avecBadges = cote > 0;
    const qreal pourTexte = place - (avecBadges ? nombre * (cote + espacement) : 0);
    e.texte = largeurTexte <= pourTexte ? nomEcrit
              : ajuster && !nomEcrit.isEmpty() ? nomAjuste(nomEcrit, ajuster, pourTexte, e.police)
                                               : nomRaccourci(nomEcrit, pourTexte, e.police);
    const qreal texte = e.texte.isEmpty() ? 0 : std::min(largeurTexte, largeurNom(e.texte, e.police));
    const qreal total = texte + (avecBadges ? nombre * (cote + espacement) : 0);
    qreal x = bande.left() + (place - total) / 2;
    if (avecBadges && chauffeurPose) {
        e.badgePose = badge(x, cote);
        x += cote + espacement;
    }
    e.rectTexte = QRectF(x, corps.top(), texte, corps.height());
    x += texte;
    if (avecBadges && chauffeurEnlevement)
        e.badgeEnlevement = badge(x + espacement, cote);
    return e;
}

void PeintreBarres::peindreEtiquette(QPainter& p, const Etiquette& e, const QColor& fond)
{
    const auto peindreBadge = [&](const QRectF& rect, bool enlevement) {
        if (rect.isEmpty())
            return;
        const QPixmap& b = badgeChauffeur(enlevement);
        // The picture reaches past the badge by its shadows' margin, scaled with it.
        const qreal f = rect.width() / kTailleBadge;
        const QRectF cible = rect.adjusted(-kMarge * f, -kMarge * f, kMarge * f, kMarge * f);
        if (qFuzzyCompare(f, 1.0)) {
            p.drawPixmap(cible.topLeft(), b);
        } else {
            p.save();
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawPixmap(cible, b, QRectF(b.rect()));
            p.restore();
        }
    };
    peindreBadge(e.badgePose, false);
    if (!e.texte.isEmpty()) {
        const QPixmap& t = texte(e.texte, textColorOn(fond), e.police);
        const qreal h = t.height() / t.devicePixelRatio();
        // Within the bar: its shadows too stop at the bar's edges.
        p.save();
        p.setClipRect(e.rectTexte, Qt::IntersectClip);
        p.drawPixmap(QPointF(e.rectTexte.left() + 4 - kMarge, e.rectTexte.center().y() - h / 2), t);
        p.restore();
    }
    peindreBadge(e.badgeEnlevement, true);
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
        // A filled blue circle holding a white "i" (dot, stem with its flag and foot), in a
        // white glow.
        constexpr qreal d = kTailleInfo;
        QImage forme = image(QSizeF(d + 2 * kLueur, d + 2 * kLueur), m_dpr);
        {
            QPainter fp(&forme);
            fp.setRenderHint(QPainter::Antialiasing);
            fp.translate(kLueur, kLueur);
            fp.setPen(Qt::NoPen);
            fp.setBrush(kBleu);
            fp.drawEllipse(QRectF(0, 0, d, d));
            const qreal u = d / 22;
            fp.setBrush(Qt::white);
            fp.drawEllipse(QPointF(11 * u, 6.4 * u), 1.75 * u, 1.75 * u);
            QPainterPath i;
            i.addRoundedRect(QRectF(9.7 * u, 9.2 * u, 2.6 * u, 7.4 * u), 0.5 * u, 0.5 * u);
            i.addRoundedRect(QRectF(8.3 * u, 9.2 * u, 4.0 * u, 1.6 * u), 0.5 * u, 0.5 * u);
            i.addRoundedRect(QRectF(8.0 * u, 15.2 * u, 6.0 * u, 1.7 * u), 0.6 * u, 0.6 * u);
            i.setFillRule(Qt::WindingFill);
            fp.drawPath(i);
        }
        QImage out = image(QSizeF(d + 2 * kLueur, d + 2 * kLueur), m_dpr);
        ombre(out, forme, QColor(255, 255, 255, 153), 6, QPointF(0, 0));
        QPainter p(&out);
        p.drawImage(QPointF(0, 0), forme);
        p.end();
        m_info = QPixmap::fromImage(out);
    }
    return m_info;
}

} // namespace kv::planning
