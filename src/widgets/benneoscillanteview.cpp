#include "benneoscillanteview.h"

#include "accessiblenames.h"
#include "glass/glass.h"
#include "plaintext.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>

#include <cmath>
#include <numbers>

namespace kv {

namespace {
constexpr qreal kRoom = 20; // around the tile, at the least: the pulse, the tilt and the shadows
constexpr qreal kOmbre = 3;  // how far the shadows reach beyond the tile
constexpr qreal kMargeTexte = 5;
// The line height of the common 9-point desktop font, with which the tile is kLargeur × kHauteur.
constexpr qreal kLigneReference = 14;
constexpr double kAngleMax = 30;
constexpr qreal kZoomMax = 1.1;
constexpr qreal kPerspective = 0.7;
constexpr int kSettleMs = 350;
// The swing: −30° → 30° → −30° in 2 s; the pulse: 1 → 1.1 → 1 in 1.6 s, eased at each end.
constexpr qint64 kSwingHalfMs = 1000;
constexpr qint64 kPulseHalfMs = 800;

double easedBackAndForth(qint64 elapsedMs, qint64 halfMs)
{
    const qint64 phase = elapsedMs % (2 * halfMs);
    const double progress = double(phase < halfMs ? phase : 2 * halfMs - phase) / double(halfMs);
    return QEasingCurve(QEasingCurve::InOutSine).valueForProgress(progress);
}

// `ligne` followed by "…", within `largeur`: its last words give way, and a word alone is cut.
QString suiviDePoints(QString ligne, const QFontMetricsF& fm, qreal largeur)
{
    const QString points(QChar(0x2026));
    for (qsizetype espace; fm.horizontalAdvance(ligne + points) > largeur && (espace = ligne.lastIndexOf(QLatin1Char(' '))) > 0;)
        ligne = ligne.left(espace).trimmed();
    if (fm.horizontalAdvance(ligne + points) > largeur)
        return fm.elidedText(ligne + points + points, Qt::ElideRight, largeur);
    return ligne + points;
}

// `paragraphe` broken between words (at blanks; a no-break space holds) into at most `lignesMax`
// lines of at most `largeur`, its words measured by `mesure`. What does not fit stops after its
// last whole word with "…", and `coupe` is set; only a first word wider than a line is cut
// within itself.
QStringList enLignes(const QString& paragraphe, const QFontMetricsF& fm, const std::function<qreal(const QString&)>& mesure,
                     qreal largeur, int lignesMax, bool& coupe)
{
    QStringList lignes;
    const qsizetype n = paragraphe.size();
    auto apresBlancs = [&](qsizetype i) {
        while (i < n && paragraphe.at(i) == QLatin1Char(' '))
            ++i;
        return i;
    };
    // A line is as wide as its words and the blanks between them: each word is measured once.
    const qreal blanc = mesure(QStringLiteral(" "));
    for (qsizetype debut = apresBlancs(0); debut < n;) {
        qsizetype fin = -1; // the end of the last word that fits on this line
        qreal pris = 0;
        for (qsizetype i = debut; i < n;) {
            qsizetype finMot = paragraphe.indexOf(QLatin1Char(' '), i);
            if (finMot < 0)
                finMot = n;
            const qreal avec = pris + (fin < 0 ? 0 : (i - fin) * blanc) + mesure(paragraphe.mid(i, finMot - i));
            if (avec > largeur)
                break;
            pris = avec;
            fin = finMot;
            i = apresBlancs(finMot);
        }
        if (fin < 0) { // a word wider than a whole line
            coupe = true;
            if (lignes.isEmpty())
                lignes << fm.elidedText(paragraphe.mid(debut), Qt::ElideRight, largeur);
            else
                lignes.last() = suiviDePoints(lignes.last(), fm, largeur);
            return lignes;
        }
        lignes << paragraphe.mid(debut, fin - debut);
        debut = apresBlancs(fin);
        if (debut < n && lignes.size() == lignesMax) {
            coupe = true;
            lignes.last() = suiviDePoints(lignes.last(), fm, largeur);
            return lignes;
        }
    }
    return lignes;
}

// The room that a tile of `tuile` size needs on each side for its swing, its pulse and its shadows.
QSizeF debord(const QSizeF& tuile)
{
    const QRectF t(QPointF(0, 0), tuile);
    QRectF atteinte = t;
    for (const double angle : {-kAngleMax, kAngleMax})
        atteinte |= BenneOscillanteView::transformFor(t, angle, kZoomMax).mapRect(t);
    return {std::max(kRoom, std::ceil(t.left() - atteinte.left() + kOmbre)),
            std::max(kRoom, std::ceil(t.top() - atteinte.top() + kOmbre))};
}

QPropertyAnimation* easedAnimation(QObject* target, const QByteArray& property, const QVariant& from,
                                   const QVariant& to, int ms, QObject* parent)
{
    auto* a = new QPropertyAnimation(target, property, parent);
    a->setStartValue(from);
    a->setEndValue(to);
    a->setDuration(ms);
    a->setEasingCurve(QEasingCurve::InOutSine);
    return a;
}

} // namespace

BenneOscillanteView::BenneOscillanteView(const QString& text, const QColor& couleur, bool isSelected,
                                         std::function<void()> onTap, QWidget* parent)
    : QWidget(parent), m_text(text), m_couleur(couleur), m_isSelected(isSelected),
      m_onTap(std::move(onTap))
{
    QSizePolicy politique(QSizePolicy::Preferred, QSizePolicy::Fixed);
    politique.setHeightForWidth(true);
    setSizePolicy(politique);
    resize(sizeHint());
    mettreEnPage();
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    readAsItem(this);
    setItemChosen(this, isSelected);
    setAccessibleName(text);
    m_swing.setInterval(1000 / kImagesParSeconde);
    m_swing.setTimerType(Qt::PreciseTimer);
    connect(&m_swing, &QTimer::timeout, this, &BenneOscillanteView::swingFrame);
}

qreal BenneOscillanteView::echelle() const
{
    return std::max<qreal>(1, QFontMetricsF(font()).height() / kLigneReference);
}

BenneOscillanteView::MiseEnPage BenneOscillanteView::miseEnPage(qreal largeur) const
{
    // Layouts ask again and again for the same few widths: each is laid out once.
    const int cle = int(largeur);
    if (const auto it = m_misesEnPage.constFind(cle); it != m_misesEnPage.cend())
        return *it;
    const QFontMetricsF fm(font());
    // A tile is laid out at a few widths: each word is measured once.
    const auto mesure = [&](const QString& mot) {
        auto it = m_mots.constFind(mot);
        if (it == m_mots.cend())
            it = m_mots.insert(mot, fm.horizontalAdvance(mot));
        return *it;
    };
    MiseEnPage mise;
    const QStringList paragraphes = m_text.split(QLatin1Char('\n'));
    qsizetype i = 0;
    for (; i < paragraphes.size() && mise.lignes.size() < kLignesMax; ++i) {
        // Each paragraph keeps at least a line for each one after it.
        const int reste = kLignesMax - int(mise.lignes.size()) - int(paragraphes.size() - 1 - i);
        mise.lignes << enLignes(paragraphes.at(i), fm, mesure, cle - 2 * kMargeTexte, std::max(1, reste), mise.coupe);
    }
    mise.coupe = mise.coupe || i < paragraphes.size();
    mise.hauteur = std::max(std::ceil(kHauteur * echelle()), std::ceil(2 * kMargeTexte + mise.lignes.size() * fm.lineSpacing()));
    m_misesEnPage.insert(cle, mise);
    return mise;
}

QSizeF BenneOscillanteView::tailleTuile(int width) const
{
    qreal largeur = m_largeurs.value(width, -1);
    if (largeur < 0) {
        // Given the room, a tile widens a little past its size to keep a site on fewer lines.
        const qreal plafond = std::floor(kLargeur * echelle() * 1.25);
        // The widest tile that the width holds with the room of its swing: the room grows with
        // the tile, so the tile narrows until both fit.
        largeur = std::max<qreal>(kMargeTexte * 4, std::min(plafond, width - 2 * kRoom));
        for (int essai = 0; essai < 8; ++essai) {
            const qreal autour = debord(QSizeF(largeur, miseEnPage(largeur).hauteur)).width();
            if (largeur + 2 * autour <= width || largeur <= kMargeTexte * 4)
                break;
            largeur = std::max<qreal>(kMargeTexte * 4, std::floor(width - 2 * autour));
        }
        m_largeurs.insert(width, largeur);
    }
    return {largeur, miseEnPage(largeur).hauteur};
}

QSize BenneOscillanteView::sizeHint() const
{
    const qreal largeur = std::floor(kLargeur * echelle());
    const int total = int(std::ceil(largeur + 2 * debord(QSizeF(largeur, miseEnPage(largeur).hauteur)).width()));
    return {total, heightForWidth(total)};
}

QSize BenneOscillanteView::minimumSizeHint() const
{
    // As narrow as the tile of a 9-point font, whatever the font: it then takes more lines.
    const int largeur = int(kLargeur + 2 * kRoom);
    return {largeur, heightForWidth(largeur)};
}

int BenneOscillanteView::heightForWidth(int width) const
{
    const QSizeF tuile = tailleTuile(width);
    return int(std::ceil(tuile.height() + 2 * debord(tuile).height()));
}

void BenneOscillanteView::mettreEnPage()
{
    const QSizeF tuile = tailleTuile(width());
    const MiseEnPage mise = miseEnPage(tuile.width());
    m_lignes = mise.lignes;
    m_tileRect = QRectF(std::floor((width() - tuile.width()) / 2), std::floor((height() - tuile.height()) / 2),
                        tuile.width(), tuile.height());
    setPlainToolTip(this, mise.coupe ? m_text : QString());
    m_lastPainted = rect();
    update();
}

void BenneOscillanteView::recommencerMiseEnPage()
{
    m_misesEnPage.clear();
    m_largeurs.clear();
    m_mots.clear();
    updateGeometry();
    mettreEnPage();
}

void BenneOscillanteView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mettreEnPage();
}

void BenneOscillanteView::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    recommencerMiseEnPage();
}

void BenneOscillanteView::setCouleur(const QColor& couleur)
{
    m_couleur = couleur;
    update();
}

void BenneOscillanteView::setSelected(bool selected)
{
    if (m_isSelected == selected)
        return;
    m_isSelected = selected;
    setItemChosen(this, selected);
    update();
    if (isVisible())
        changementSelection(selected);
}

void BenneOscillanteView::setAngle(double angle)
{
    m_angle = angle;
    repaintTile();
}

void BenneOscillanteView::setEchelleZoom(qreal echelle)
{
    m_echelleZoom = echelle;
    repaintTile();
}

bool BenneOscillanteView::isSwinging() const
{
    return m_swing.isActive();
}

void BenneOscillanteView::stopAll()
{
    m_swing.stop();
    for (QAbstractAnimation* a : std::initializer_list<QAbstractAnimation*>{m_settleAngle, m_settleScale}) {
        if (a) {
            a->stop();
            a->deleteLater();
        }
    }
    m_settleAngle = m_settleScale = nullptr;
}

void BenneOscillanteView::startSwing()
{
    stopAll();
    m_swingClock.start();
    swingFrame();
    m_swing.start();
}

void BenneOscillanteView::swingFrame()
{
    const qint64 elapsed = m_swingClock.elapsed();
    m_angle = -30.0 + 60.0 * easedBackAndForth(elapsed, kSwingHalfMs);
    m_echelleZoom = 1.0 + 0.1 * easedBackAndForth(elapsed, kPulseHalfMs);
    repaintTile();
}

void BenneOscillanteView::followVisibility()
{
    const QWidget* w = window();
    const bool onScreen = isVisible() && !(w && w->isMinimized());
    if (m_isSelected && onScreen) {
        if (!m_swing.isActive())
            startSwing();
    } else if (m_swing.isActive()) {
        m_swing.stop();
    }
}

QRect BenneOscillanteView::paintedRect() const
{
    const QRectF drawn = transformFor(tileRect(), m_angle, m_echelleZoom).mapRect(QRectF(rect()));
    return drawn.toAlignedRect().adjusted(-1, -1, 1, 1) & rect();
}

void BenneOscillanteView::repaintTile()
{
    // Only where the tile was and where it is now.
    const QRect now = paintedRect();
    update(m_lastPainted | now);
    m_lastPainted = now;
}

void BenneOscillanteView::demarrerOscillation()
{
    if (m_isSelected) {
        followVisibility();
    } else {
        stopAll();
        setAngle(0);
        setEchelleZoom(1.0);
    }
}

void BenneOscillanteView::changementSelection(bool selected)
{
    if (selected) {
        followVisibility();
        return;
    }
    // Back to rest from wherever the swing was.
    stopAll();
    m_settleAngle = easedAnimation(this, "angle", m_angle, 0.0, kSettleMs, this);
    m_settleScale = easedAnimation(this, "echelleZoom", m_echelleZoom, qreal(1.0), kSettleMs, this);
    m_settleAngle->start();
    m_settleScale->start();
}

void BenneOscillanteView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The window is watched for being minimised.
    if (window() != m_watchedWindow) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = window();
        if (m_watchedWindow != this)
            m_watchedWindow->installEventFilter(this);
    }
    demarrerOscillation();
}

void BenneOscillanteView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    stopAll();
}

void BenneOscillanteView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        followVisibility();
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        m_pictureKey.clear();
    if (event->type() == QEvent::FontChange)
        recommencerMiseEnPage();
}

bool BenneOscillanteView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::WindowStateChange)
        followVisibility();
    return QWidget::eventFilter(watched, event);
}

QTransform BenneOscillanteView::transformFor(const QRectF& tile, double angle, qreal echelle)
{
    const QPointF c = tile.center();
    const double a = angle * std::numbers::pi / 180.0;
    const double depth = std::max(tile.width(), tile.height()) / kPerspective;
    // A point at height y from the centre moves to y·cos a and comes towards the viewer by
    // y·sin a; the projection divides by 1 − z / depth.
    const QTransform tilt(1, 0, 0, 0, std::cos(a), -std::sin(a) / depth, 0, 0, 1);
    QTransform t;
    t.translate(-c.x(), -c.y());
    t *= QTransform::fromScale(echelle, echelle);
    t *= tilt;
    t *= QTransform::fromTranslate(c.x(), c.y());
    return t;
}

const QImage& BenneOscillanteView::restingPicture()
{
    const qreal dpr = devicePixelRatioF();
    const QRectF tile = tileRect();
    const QString key = QStringList{m_lignes.join(QLatin1Char('\n')), m_couleur.name(QColor::HexArgb), QString::number(m_isSelected),
                                    QString::number(dpr), font().key(), QString::number(width()),
                                    QString::number(height()),
                                    palette().color(QPalette::Window).name(),
                                    palette().color(QPalette::WindowText).name()}
                            .join(QLatin1Char('\x1f'));
    if (key == m_pictureKey && !m_picture.isNull())
        return m_picture;
    m_picture = QImage((QSizeF(size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    m_picture.setDevicePixelRatio(dpr);
    m_picture.fill(Qt::transparent);
    m_pictureKey = key;

    QPainter p(&m_picture);
    p.setRenderHint(QPainter::Antialiasing);
    // The tile itself (fill when not selected, text), clipped to its rounded rectangle.
    QImage layer((tile.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::Antialiasing);
        lp.setRenderHint(QPainter::TextAntialiasing);
        const QRectF local(QPointF(0, 0), tile.size());
        lp.setClipPath(glass::continuousRoundedRect(local, 8));
        if (!m_isSelected)
            lp.fillRect(local, m_couleur);
        lp.setFont(font());
        lp.setPen(palette().color(QPalette::WindowText));
        // The lines as laid out, centred one under the other.
        const qreal interligne = QFontMetricsF(font()).lineSpacing();
        QRectF ligne(kMargeTexte, (local.height() - m_lignes.size() * interligne) / 2, local.width() - 2 * kMargeTexte,
                     interligne);
        for (const QString& texte : std::as_const(m_lignes)) {
            lp.drawText(ligne, Qt::AlignCenter, texte);
            ligne.translate(0, interligne);
        }
    }
    auto drawTile = [&](QPainter& painter) {
        glass::paintShadowOf(painter, layer, tile.topLeft(), QColor(0, 0, 0, 102), 2, QPointF(2, 2));
        glass::paintShadowOf(painter, layer, tile.topLeft(), QColor(255, 255, 255, 178), 1,
                             QPointF(1, -1));
        painter.drawImage(tile.topLeft(), layer);
    };
    if (m_isSelected) {
        glass::GlassBackgroundModifier::standard(8, QColor(Qt::blue), QColor(Qt::blue), 10)
            .paint(p, tile, drawTile, palette().color(QPalette::Window));
    } else {
        drawTile(p);
    }
    return m_picture;
}

void BenneOscillanteView::paintEvent(QPaintEvent*)
{
    const QImage& picture = restingPicture();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setTransform(transformFor(tileRect(), m_angle, m_echelleZoom));
    p.drawImage(QPointF(0, 0), picture);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawPath(glass::continuousRoundedRect(tileRect().adjusted(-3, -3, 3, 3), 10));
    }
}

bool BenneOscillanteView::isOnTile(const QPointF& pos) const
{
    // The tile as it stands now (scaled and tilted), or at rest: a click where the swinging tile
    // just was still counts.
    const QRectF tile = tileRect();
    const QPolygonF drawn = transformFor(tile, m_angle, m_echelleZoom).map(QPolygonF(tile));
    return tile.contains(pos) || drawn.containsPoint(pos, Qt::OddEvenFill);
}

void BenneOscillanteView::tap()
{
    if (m_onTap)
        m_onTap();
    emit tapped();
}

void BenneOscillanteView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && isOnTile(event->position()))
        tap();
    QWidget::mouseReleaseEvent(event);
}

void BenneOscillanteView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        tap();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kv
