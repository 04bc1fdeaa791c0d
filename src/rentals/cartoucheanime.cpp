#include "cartoucheanime.h"

#include "widgets/colors.h"

#include "widgets/glass/glass.h"
#include "widgets/plaintext.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
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

// A cartouche to a reader: an item of the clients' list, named with its count, selected when
// chosen, pressed as a tap.
class CartoucheAccessible : public QAccessibleWidget {
public:
    explicit CartoucheAccessible(CartoucheAnime* c) : QAccessibleWidget(c, QAccessible::ListItem) {}
    CartoucheAnime* cartouche() const { return static_cast<CartoucheAnime*>(widget()); }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return cartouche()->texteLu();
        if (t == QAccessible::Description)
            return QString(); // the detail is in the name
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = cartouche()->isSelected();
        return s;
    }
    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << pressAction(); }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            cartouche()->basculerSelection();
        else
            QAccessibleWidget::doAction(action);
    }
};

// The list holding the cartouches.
constexpr char kListeCartouches[] = "listeCartouches";

QAccessibleInterface* cartoucheAccessible(const QString&, QObject* objet)
{
    if (auto* c = qobject_cast<CartoucheAnime*>(objet))
        return new CartoucheAccessible(c);
    auto* w = qobject_cast<QWidget*>(objet);
    if (w && w->objectName() == QLatin1String(kListeCartouches))
        return new QAccessibleWidget(w, QAccessible::List);
    return nullptr;
}

// Once, before any reader asks: an interface asked for before would stay the generic one.
void installerLectureCartouches()
{
    static const bool lue = (QAccessible::installFactory(cartoucheAccessible), true);
    Q_UNUSED(lue);
}

} // namespace

void marquerListeCartouches(QWidget* liste)
{
    installerLectureCartouches();
    liste->setObjectName(QLatin1String(kListeCartouches));
}

// ---------------------------------------------------------------------------------------------
// State

EtatCartouche::EtatCartouche(bool isSelected, QObject* parent) : QObject(parent), m_isSelected(isSelected)
{
    // The slide and the growth at the pace of the skips' swing: a movement this short and this
    // simple reads as smooth at it, and each frame costs a repaint.
    m_images.setInterval(1000 / kImagesParSeconde);
    m_images.setTimerType(Qt::PreciseTimer);
    connect(&m_images, &QTimer::timeout, this, &EtatCartouche::avancer);
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

void EtatCartouche::animer(qreal EtatCartouche::*valeur, qreal fin, int ms, QEasingCurve::Type courbe)
{
    // A new movement of a value takes over from the one under way, from where it stands.
    m_mouvements.removeIf([valeur](const Mouvement& m) { return m.valeur == valeur; });
    if (!m_horloge.isValid())
        m_horloge.start();
    m_mouvements.append({valeur, this->*valeur, fin, ms, QEasingCurve(courbe), m_horloge.elapsed()});
    if (!m_images.isActive())
        m_images.start();
}

void EtatCartouche::avancer()
{
    const qint64 maintenant = m_horloge.elapsed();
    for (auto it = m_mouvements.begin(); it != m_mouvements.end();) {
        const qreal progres = it->ms > 0 ? std::clamp(qreal(maintenant - it->debut) / it->ms, 0.0, 1.0) : 1.0;
        this->*(it->valeur) = it->depart + (it->fin - it->depart) * it->courbe.valueForProgress(progres);
        it = progres >= 1.0 ? m_mouvements.erase(it) : it + 1;
    }
    if (m_mouvements.isEmpty())
        m_images.stop();
    emit changed();
}

void EtatCartouche::setSelected(bool selected)
{
    if (selected == m_isSelected)
        return;
    m_isSelected = selected;
    if (!selected) {
        setZoomed(false);
        animer(&EtatCartouche::m_xOffset, 0, 350);
        animer(&EtatCartouche::m_scale, 1.0, 350);
    }
    emit changed();
}

void EtatCartouche::basculerSelection()
{
    // Each delayed step is bound to this state: once it is gone, nothing runs.
    if (!m_isSelected) {
        animer(&EtatCartouche::m_xOffset, kGlissement, 500);
        QTimer::singleShot(500, this, [this] {
            setZoomed(true);
            animer(&EtatCartouche::m_scale, kEchelle, 500);
            QTimer::singleShot(500, this, [this] {
                if (m_onAnimationComplete)
                    m_onAnimationComplete();
            });
        });
    } else {
        animer(&EtatCartouche::m_xOffset, 0, 300);
        animer(&EtatCartouche::m_scale, 1.0, 300);
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
    installerLectureCartouches();
    m_choixDit = m_etat->isSelected();
    m_nomDit = texteLu();
    setObjectName(QStringLiteral("cartoucheAnime"));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(m_label);
    setFixedHeight(kHauteurTotale);
    static_assert(kLargeurMinimale >= kLargeur + kMargeGauche + kDebordBadge + kOmbre + 1);
    setMinimumWidth(kLargeurMinimale);
    mesurer();
    connect(m_etat, &EtatCartouche::changed, this, &CartoucheAnime::suivreEtat);
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

qreal CartoucheAnime::diametreBadge() const
{
    return m_diametreBadge;
}

QFont CartoucheAnime::policeBadge() const
{
    QFont f = font();
    f.setPixelSize(10);
    return f;
}

qreal CartoucheAnime::retraitBadge() const
{
    // What the badge takes of the box's width, on the name's line, with a little air.
    return m_nombre >= 0 ? diametreBadge() - kDebordBadge + 3 : 0;
}

QString CartoucheAnime::nomAffiche() const
{
    return m_nomAffiche;
}

QString CartoucheAnime::detailAffiche() const
{
    return m_detailAffiche;
}

QString CartoucheAnime::couperDetail() const
{
    // What tells look-alikes apart comes last (a town, then its street, then a phone): when the
    // box is short, what precedes gives way and the last part stays whole.
    const QFontMetrics fm(policeDetail());
    const int place = int(boite().width()) - 16;
    if (fm.horizontalAdvance(m_detail) <= place)
        return m_detail;
    if (m_ajuster) {
        const QString ajuste = m_ajuster([&fm, place](const QString& s) { return fm.horizontalAdvance(s) <= place; });
        // Measured whole: an elision of what was measured to fit could still cut its last letters.
        return fm.horizontalAdvance(ajuste) <= place ? ajuste : fm.elidedText(ajuste, Qt::ElideRight, place);
    }
    const QString separateur = QStringLiteral(" · ");
    const int i = int(m_detail.lastIndexOf(separateur));
    const QString dernier = i < 0 ? m_detail : m_detail.mid(i + separateur.size());
    const int reste = place - fm.horizontalAdvance(separateur + dernier);
    if (i < 0 || reste < fm.horizontalAdvance(QStringLiteral("M…")))
        return fm.elidedText(dernier, Qt::ElideRight, place);
    return fm.elidedText(m_detail.left(i), Qt::ElideRight, reste) + separateur + dernier;
}

QRectF CartoucheAnime::rectNom() const
{
    const QRectF b = boite();
    const QFontMetricsF fmNom(policeNom());
    const QFontMetricsF fmDetail(policeDetail());
    const qreal hautTextes = fmNom.height() + (m_detail.isEmpty() ? 0 : fmDetail.height());
    const qreal largeur = fmNom.horizontalAdvance(nomAffiche());
    return QRectF(b.center().x() - largeur / 2, b.center().y() - hautTextes / 2, largeur, fmNom.height());
}

QRectF CartoucheAnime::rectBadge() const
{
    if (m_nombre < 0)
        return {};
    const QRectF b = boite();
    const qreal d = diametreBadge();
    return QRectF(b.right() + kDebordBadge - d, b.top() - kDebordBadge, d, d);
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
    mesurer();
    direChangements();
}

QString CartoucheAnime::texteLu() const
{
    QString texte = m_detail.isEmpty() ? m_label : m_label + QStringLiteral(" (") + m_detail + QLatin1Char(')');
    if (m_nombre >= 0)
        texte += m_nombre == 0   ? QStringLiteral(", aucune location")
                 : m_nombre == 1 ? QStringLiteral(", 1 location")
                                 : QStringLiteral(", %1 locations").arg(QLocale().toString(m_nombre));
    return texte;
}

void CartoucheAnime::direChangements()
{
    if (!QAccessible::isActive())
        return;
    if (const QString nom = texteLu(); nom != m_nomDit) {
        m_nomDit = nom;
        QAccessibleEvent e(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&e);
    }
    if (m_etat->isSelected() != m_choixDit) {
        m_choixDit = m_etat->isSelected();
        QAccessible::State changes;
        changes.selected = true;
        QAccessibleStateChangeEvent e(this, changes);
        QAccessible::updateAccessibility(&e);
        // What the desktop's bridge carries as the item's selected state changing.
        QAccessibleEvent choix(this, QAccessible::Selection);
        QAccessible::updateAccessibility(&choix);
    }
}

void CartoucheAnime::setDetail(const QString& detail)
{
    setDetail(detail, {});
}

void CartoucheAnime::setDetail(const QString& detail, Ajustement ajuster)
{
    const bool ajuste = m_ajuster || ajuster;
    m_ajuster = std::move(ajuster);
    if (detail == m_detail && !ajuste)
        return;
    m_detail = detail;
    setAccessibleDescription(detail);
    mesurer();
    direChangements();
}

void CartoucheAnime::setNombreBennes(int n)
{
    if (n == m_nombre)
        return;
    m_nombre = n;
    mesurer();
    direChangements();
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
    return QRectF(kMargeGauche, kMargeHaut, m_largeurBoite, kHauteur);
}

void CartoucheAnime::mesurer()
{
    const QFontMetricsF fmBadge(policeBadge());
    m_diametreBadge = std::max(fmBadge.horizontalAdvance(QString::number(m_nombre)), fmBadge.height()) + 16;
    // As wide as its texts ask (the name clear of the badge), within the cartouche at rest.
    const qreal retrait = 2 * std::max<qreal>(8, retraitBadge());
    const qreal nom = QFontMetricsF(policeNom()).horizontalAdvance(m_label) + retrait;
    const qreal detail = QFontMetricsF(policeDetail()).horizontalAdvance(m_detail) + 16;
    const qreal place = width() - kMargeGauche - kDebordBadge - kOmbre - 1;
    m_largeurBoite = std::max<qreal>(kLargeur, std::min(std::ceil(std::max(nom, detail)), place));
    // The name centred between the badge and as much room on the other side.
    // The room rounded up, as the box was: a name measured 161.3 wide fits the box made for it,
    // where its room cut down to 161 would cut it.
    m_nomAffiche = QFontMetrics(policeNom()).elidedText(m_label, Qt::ElideRight, int(std::ceil(m_largeurBoite - retrait)));
    m_detailAffiche = couperDetail();
    montrerNomEntier();
    update();
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
    return m_etat->isZoomed() ? palette().color(QPalette::Window) : QColor(0xFF, 0xA5, 0x00);
}

QColor CartoucheAnime::couleurNom() const
{
    return textColorOn(couleurCartouche());
}

QRectF CartoucheAnime::etenduePeinte() const
{
    // The box with its badge, its two shadows, the glass's shadow and the focus ring.
    const QMarginsF ombreVerre = verre().shadowMargins();
    const QRectF b = boite();
    QRectF r = b.marginsAdded(ombreVerre) | etendueAuRepos();
    return r.adjusted(-2, -2, 2, 2);
}

glass::GlassBackgroundModifier CartoucheAnime::verre()
{
    using G = glass::GlassBackgroundModifier;
    return G(G::GlassBackgroundDisplayMode::always, 8, QColor(0, 0, 255), 0.1, glass::Materiau::regular, 0.7,
             G::GradientStyle::normal, 1.5, QColor(0, 0, 255), 0.5, 10, 0, 5, false);
}

void CartoucheAnime::suivreEtat()
{
    // Only where the cartouche was drawn and where it is drawn now: the slide and the growth
    // leave the rest of the column alone.
    const QRect maintenant = transformation().mapRect(etenduePeinte()).toAlignedRect().adjusted(-1, -1, 1, 1);
    update(m_dernierePeinture | maintenant);
    m_dernierePeinture = maintenant;
    direChangements();
}

const QImage& CartoucheAnime::image(qreal echelle)
{
    // The look at rest is drawn once per state (texts, count, glass, focus, colours) and per
    // scale; the slide and the growth only move and scale this picture. The grown picture is
    // drawn at the full growth, so that the growth never blows a small one up.
    const qreal dpr = devicePixelRatioF();
    const QString cle = QStringList{nomAffiche(), detailAffiche(), QString::number(m_nombre),
                                    QString::number(m_etat->isZoomed()),
                                    QString::number(m_largeurBoite), QString::number(echelle * dpr),
                                    palette().color(QPalette::Window).name(QColor::HexArgb),
                                    palette().color(QPalette::Highlight).name(), font().key()}
                            .join(QLatin1Char('\x1f'));
    Image& cache = echelle > 1.0 ? m_imageGrandie : m_imageAuRepos;
    if (cache.cle == cle && !cache.image.isNull())
        return cache.image;
    const QRectF etendue = etenduePeinte();
    cache.image = QImage((etendue.size() * echelle * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    cache.image.setDevicePixelRatio(echelle * dpr);
    cache.image.fill(Qt::transparent);
    cache.cle = cle;
    QPainter p(&cache.image);
    p.translate(-etendue.topLeft());
    peindre(p);
    return cache.image;
}

void CartoucheAnime::peindre(QPainter& p) const
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF b = boite();
    const QPainterPath forme = glass::continuousRoundedRect(b, 8);
    // Two shadows: a dark one below right, a light one above left.
    p.save();
    p.translate(kOmbre, kOmbre);
    p.fillPath(forme, QColor(0, 0, 0, 60));
    p.restore();
    if (m_etat->isZoomed())
        verre().paint(p, b, {}, palette().color(QPalette::Window));
    else
        p.fillPath(forme, couleurCartouche());

    // The name black or white, whichever reads better on the cartouche (white over a thin dark
    // shadow). With a detail, the name takes the upper part of the box and the detail the lower
    // one; the name stays clear of the badge.
    const QString detail = detailAffiche();
    const QFontMetricsF fmDetail(policeDetail());
    const QRectF nom = rectNom();
    const QRectF placeNom(b.left(), nom.top(), b.width(), nom.height());
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
    ecrire(placeNom, policeNom(), nomAffiche());
    if (!detail.isEmpty())
        ecrire(placeDetail, policeDetail(), detail);

    if (m_nombre >= 0) {
        const QRectF badge = rectBadge();
        p.setPen(Qt::NoPen);
        p.setBrush(kVertBadge);
        p.drawEllipse(badge);
        p.setFont(policeBadge());
        p.setPen(textColorOn(kVertBadge));
        p.drawText(badge, Qt::AlignCenter, QString::number(m_nombre));
    }
}

void CartoucheAnime::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QTransform t = transformation();
    // At rest (no growth), the picture at its own size, on whole pixels: as sharp as drawn. The
    // glass look only ever shows grown or growing: it is drawn once, grown.
    const bool auRepos = qFuzzyCompare(t.m11(), 1.0) && !m_etat->isZoomed();
    const QImage& picture = image(auRepos ? 1.0 : kEchelle);
    if (auRepos) {
        t = QTransform::fromTranslate(std::round(t.dx()), std::round(t.dy()));
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    p.setTransform(t);
    p.drawImage(etenduePeinte().topLeft(), picture);
    // The keyboard's place over the picture, which stays the same when it comes and goes.
    if (hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing);
        // Just outside the box, on the paper: the change reads on the sheet, whatever the
        // client's colour.
        p.setPen(QPen(focusColour(palette()), 2));
        p.drawPath(glass::continuousRoundedRect(boite().adjusted(-2.5, -2.5, 2.5, 2.5), 10));
    }
}

void CartoucheAnime::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mesurer();
}

void CartoucheAnime::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        mesurer();
}

void CartoucheAnime::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void CartoucheAnime::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
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
    if ((event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) && !(event->modifiers() & ~Qt::KeypadModifier)) {
        emit voisinDemande(event->key() == Qt::Key_Down ? 1 : -1);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kv
