#include "benneoscillanteview.h"

#include "glass/glass.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>

#include <cmath>
#include <numbers>

namespace kv {

namespace {
constexpr qreal kRoom = 20; // around the tile: the pulse, the tilt and the shadows
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
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(text);
    m_swing.setInterval(1000 / kImagesParSeconde);
    m_swing.setTimerType(Qt::PreciseTimer);
    connect(&m_swing, &QTimer::timeout, this, &BenneOscillanteView::swingFrame);
}

QSize BenneOscillanteView::sizeHint() const
{
    return QSize(int(kLargeur + 2 * kRoom), int(kHauteur + 2 * kRoom));
}

QRectF BenneOscillanteView::tileRect() const
{
    return QRectF(kRoom, kRoom, kLargeur, kHauteur);
}

void BenneOscillanteView::setText(const QString& text)
{
    m_text = text;
    setAccessibleName(text);
    update();
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
    const QString key = QStringList{m_text, m_couleur.name(QColor::HexArgb), QString::number(m_isSelected),
                                    QString::number(dpr), font().key(),
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
    const QRectF tile = tileRect();
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
        lp.drawText(local.adjusted(5, 5, -5, -5),
                    Qt::AlignCenter | Qt::TextWordWrap,
                    QFontMetrics(font()).elidedText(m_text, Qt::ElideRight, int(2 * (kLargeur - 10))));
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
