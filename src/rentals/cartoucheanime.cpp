#include "cartoucheanime.h"

#include "widgets/colors.h"

#include "widgets/glass/glass.h"
#include "widgets/plaintext.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QTimer>

#include <algorithm>

namespace kv {

namespace {
// The badge of the number of rentals.
const QColor kVertBadge(0x34, 0xC7, 0x59);
// Room left of the box for the slide and the growth.
constexpr qreal kMargeGauche = 10;
constexpr qreal kMargeHaut = 19;
// The selected look: slid this far right, grown this much.
constexpr qreal kGlissement = 160;
constexpr qreal kEchelle = 1.5;
// The badge's overhang beyond the box's top right corner, and the shadow's offset.
constexpr qreal kDebordBadge = 8;
constexpr qreal kOmbre = 2;
} // namespace

// ---------------------------------------------------------------------------------------------
// State

EtatCartouche::EtatCartouche(bool isSelected, QObject* parent) : QObject(parent), m_isSelected(isSelected)
{
    if (isSelected) {
        m_xOffset = kGlissement;
        m_scale = kEchelle;
        m_isZoomed = true;
    }
}

void EtatCartouche::setActions(std::function<void()> onDeselectDone, std::function<void()> onAnimationComplete)
{
    m_onDeselectDone = std::move(onDeselectDone);
    m_onAnimationComplete = std::move(onAnimationComplete);
}

void EtatCartouche::setXOffset(qreal x)
{
    m_xOffset = x;
    emit changed();
}

void EtatCartouche::setScale(qreal s)
{
    m_scale = s;
    emit changed();
}

void EtatCartouche::setZoomed(bool zoomed)
{
    m_isZoomed = zoomed;
    emit changed();
}

void EtatCartouche::animer(const char* propriete, qreal fin, int ms, QEasingCurve::Type courbe)
{
    auto* a = new QPropertyAnimation(this, propriete, this);
    a->setEndValue(fin);
    a->setDuration(ms);
    a->setEasingCurve(courbe);
    a->start(QAbstractAnimation::DeleteWhenStopped);
}

void EtatCartouche::setSelected(bool selected)
{
    if (selected == m_isSelected)
        return;
    m_isSelected = selected;
    if (!selected) {
        setZoomed(false);
        animer("xOffset", 0, 350);
        animer("scale", 1.0, 350);
    }
    emit changed();
}

void EtatCartouche::basculerSelection()
{
    // Each delayed step is bound to this state: once it is gone, nothing runs.
    if (!m_isSelected) {
        animer("xOffset", kGlissement, 500);
        QTimer::singleShot(500, this, [this] {
            setZoomed(true);
            animer("scale", kEchelle, 500);
            QTimer::singleShot(500, this, [this] {
                if (m_onAnimationComplete)
                    m_onAnimationComplete();
            });
        });
    } else {
        animer("xOffset", 0, 300);
        animer("scale", 1.0, 300);
        QTimer::singleShot(300, this, [this] {
            setZoomed(false);
            if (m_onDeselectDone)
                m_onDeselectDone();
        });
    }
}

// ---------------------------------------------------------------------------------------------
// Widget

CartoucheAnime::CartoucheAnime(const QString& label, int nombreBennes, bool isSelected,
                               std::function<void()> onDeselectDone, std::function<void()> onAnimationComplete,
                               QWidget* parent)
    : QWidget(parent), m_label(label), m_nombre(nombreBennes), m_etat(new EtatCartouche(false, this))
{
    // A cartouche made selected starts at rest all the same, as its own state always does.
    if (isSelected)
        m_etat->setSelected(true);
    m_etat->setActions(std::move(onDeselectDone), std::move(onAnimationComplete));
    initialiser();
}

CartoucheAnime::CartoucheAnime(const QString& label, int nombreBennes, EtatCartouche* etat, QWidget* parent)
    : QWidget(parent), m_label(label), m_nombre(nombreBennes), m_etat(etat)
{
    initialiser();
}

void CartoucheAnime::initialiser()
{
    setObjectName(QStringLiteral("cartoucheAnime"));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(m_label);
    montrerNomEntier();
    setFixedHeight(kHauteurTotale);
    static_assert(kLargeurMinimale >= kLargeur + kMargeGauche + kDebordBadge + kOmbre + 1);
    setMinimumWidth(kLargeurMinimale);
    connect(m_etat, &EtatCartouche::changed, this, qOverload<>(&QWidget::update));
}

QFont CartoucheAnime::policeNom() const
{
    QFont f = font();
    f.setPixelSize(14);
    return f;
}

QFont CartoucheAnime::policeDetail() const
{
    QFont f = font();
    f.setPixelSize(11);
    return f;
}

QString CartoucheAnime::nomAffiche() const
{
    return QFontMetrics(policeNom()).elidedText(m_label, Qt::ElideRight, int(boite().width()) - 16);
}

QString CartoucheAnime::detailAffiche() const
{
    return QFontMetrics(policeDetail()).elidedText(m_detail, Qt::ElideRight, int(boite().width()) - 16);
}

void CartoucheAnime::montrerNomEntier()
{
    // A name or detail cut with "…" is whole in the tool tip.
    const bool entier = nomAffiche() == m_label && detailAffiche() == m_detail;
    setPlainToolTip(this, entier ? QString() : m_detail.isEmpty() ? m_label : m_label + QStringLiteral(" — ") + m_detail);
}

QSize CartoucheAnime::sizeHint() const
{
    return {440, kHauteurTotale};
}

void CartoucheAnime::setLabel(const QString& label)
{
    if (label == m_label)
        return;
    m_label = label;
    setAccessibleName(label);
    montrerNomEntier();
    update();
}

void CartoucheAnime::setDetail(const QString& detail)
{
    if (detail == m_detail)
        return;
    m_detail = detail;
    setAccessibleDescription(detail);
    montrerNomEntier();
    update();
}

void CartoucheAnime::setNombreBennes(int n)
{
    if (n == m_nombre)
        return;
    m_nombre = n;
    update();
}

void CartoucheAnime::setActions(std::function<void()> onDeselectDone, std::function<void()> onAnimationComplete)
{
    m_etat->setActions(std::move(onDeselectDone), std::move(onAnimationComplete));
}

void CartoucheAnime::setSelected(bool selected)
{
    if (selected)
        raise(); // drawn over its neighbours
    m_etat->setSelected(selected);
}

void CartoucheAnime::basculerSelection()
{
    if (!m_etat->isSelected())
        raise();
    m_etat->basculerSelection();
}

QRectF CartoucheAnime::boite() const
{
    return QRectF(kMargeGauche, kMargeHaut, kLargeur, kHauteur);
}

QRectF CartoucheAnime::etendueAuRepos() const
{
    const QRectF b = boite();
    return b.adjusted(0, -kDebordBadge, kDebordBadge + kOmbre, kOmbre);
}

QTransform CartoucheAnime::transformation() const
{
    // The full look (slid 160, grown 1.5 about the box's centre) when the width holds it;
    // otherwise the largest growth whose drawing fits, with the slide that keeps it inside.
    const QRectF b = boite();
    const QRectF tout = etendueAuRepos();
    const qreal c = b.center().x();
    const qreal gauche = c - tout.left();
    const qreal droite = tout.right() - c;
    const qreal w = width() - 1;
    qreal echelle = std::min(kEchelle, w / (gauche + droite));
    if (echelle * gauche < c) // no slide needed to keep the left edge in: the right edge decides
        echelle = std::min(kEchelle, (w - c) / droite);
    echelle = std::max(1.0, echelle);
    const qreal glissement = std::clamp(w - c - echelle * droite, 0.0, kGlissement);

    // The state's progress along the way, applied to what fits.
    const qreal progresEchelle = (m_etat->scale() - 1.0) / (kEchelle - 1.0);
    const qreal s = 1.0 + progresEchelle * (echelle - 1.0);
    const qreal x = m_etat->xOffset() / kGlissement * glissement;
    // Grown, the badge would rise past the top: the box goes down as much as the height allows.
    const qreal cy = b.center().y();
    const qreal haut = s * (cy - tout.top()) - cy;
    const qreal bas = height() - 1 - (cy + s * (tout.bottom() - cy));
    const qreal y = std::clamp(haut, 0.0, std::max(0.0, bas));

    QTransform t;
    t.translate(x, y);
    t.translate(c, cy);
    t.scale(s, s);
    t.translate(-c, -cy);
    return t;
}

QRectF CartoucheAnime::etendueAffichee() const
{
    return transformation().mapRect(etendueAuRepos());
}

QColor CartoucheAnime::couleurCartouche() const
{
    return m_etat->isZoomed() ? glass::couleurFenetre() : QColor(0xFF, 0xA5, 0x00);
}

QColor CartoucheAnime::couleurNom() const
{
    return textColorOn(couleurCartouche());
}

void CartoucheAnime::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF b = boite();
    p.setTransform(transformation());

    const QPainterPath forme = glass::continuousRoundedRect(b, 8);
    // Two shadows: a dark one below right, a light one above left.
    p.save();
    p.translate(kOmbre, kOmbre);
    p.fillPath(forme, QColor(0, 0, 0, 60));
    p.restore();
    if (m_etat->isZoomed()) {
        using G = glass::GlassBackgroundModifier;
        const G glace(G::GlassBackgroundDisplayMode::always, 8, QColor(0, 0, 255), 0.1, glass::Materiau::regular, 0.7,
                      G::GradientStyle::normal, 1.5, QColor(0, 0, 255), 0.5, 10, 0, 5, false);
        glace.paint(p, b);
    } else {
        p.fillPath(forme, couleurCartouche());
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawPath(forme);
    }

    // The name black or white, whichever reads better on the cartouche (white over a thin dark
    // shadow).
    // With a detail, the name takes the upper part of the box and the detail the lower one.
    const QString texte = nomAffiche();
    const QString detail = detailAffiche();
    const QFontMetricsF fmNom(policeNom());
    const QFontMetricsF fmDetail(policeDetail());
    const qreal hautTextes = fmNom.height() + (detail.isEmpty() ? 0 : fmDetail.height());
    const QRectF placeNom(b.left(), b.center().y() - hautTextes / 2, b.width(), fmNom.height());
    const QRectF placeDetail(b.left(), placeNom.bottom(), b.width(), fmDetail.height());
    const QColor encre = couleurNom();
    const auto ecrire = [&](const QRectF& place, const QFont& police, const QString& t) {
        p.setFont(police);
        if (encre == QColor(Qt::white)) {
            p.setPen(Qt::black);
            p.drawText(place.translated(0.5, 0.5), Qt::AlignCenter, t);
        }
        p.setPen(encre);
        p.drawText(place, Qt::AlignCenter, t);
    };
    ecrire(placeNom, policeNom(), texte);
    if (!detail.isEmpty())
        ecrire(placeDetail, policeDetail(), detail);

    if (m_nombre >= 0) {
        QFont fb = font();
        fb.setPixelSize(10);
        const QString n = QString::number(m_nombre);
        const QFontMetricsF fm(fb);
        const qreal d = std::max(fm.horizontalAdvance(n), fm.height()) + 16;
        const QRectF badge(b.right() + kDebordBadge - d, b.top() - kDebordBadge, d, d);
        p.setPen(Qt::NoPen);
        p.setBrush(kVertBadge);
        p.drawEllipse(badge);
        p.setFont(fb);
        p.setPen(textColorOn(kVertBadge));
        p.drawText(badge, Qt::AlignCenter, n);
    }
}

void CartoucheAnime::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        basculerSelection();
}

void CartoucheAnime::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        basculerSelection();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kv
