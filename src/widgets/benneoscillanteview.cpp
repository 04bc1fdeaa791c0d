#include "benneoscillanteview.h"

#include "glass/glass.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>

#include <cmath>
#include <numbers>

namespace kv {

namespace {
constexpr qreal kRoom = 20; // around the tile: the pulse, the tilt and the shadows
constexpr qreal kPerspective = 0.7;
constexpr int kSettleMs = 350;

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

// from → to → from …, eased at each end, without end.
QSequentialAnimationGroup* backAndForth(QObject* target, const QByteArray& property, double from,
                                        double to, int halfMs, QObject* parent)
{
    auto* group = new QSequentialAnimationGroup(parent);
    group->addAnimation(easedAnimation(target, property, from, to, halfMs, group));
    group->addAnimation(easedAnimation(target, property, to, from, halfMs, group));
    group->setLoopCount(-1);
    return group;
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
    update();
}

void BenneOscillanteView::setEchelleZoom(qreal echelle)
{
    m_echelleZoom = echelle;
    update();
}

bool BenneOscillanteView::isSwinging() const
{
    return m_swing && m_swing->state() == QAbstractAnimation::Running;
}

void BenneOscillanteView::stopAll()
{
    for (QAbstractAnimation* a : std::initializer_list<QAbstractAnimation*>{m_swing, m_pulse,
                                                                           m_settleAngle, m_settleScale}) {
        if (a) {
            a->stop();
            a->deleteLater();
        }
    }
    m_swing = m_pulse = nullptr;
    m_settleAngle = m_settleScale = nullptr;
}

void BenneOscillanteView::startSwing()
{
    stopAll();
    setAngle(-30);
    m_swing = backAndForth(this, "angle", -30.0, 30.0, 1000, this);
    m_swing->start();
    setEchelleZoom(1.0);
    m_pulse = backAndForth(this, "echelleZoom", 1.0, 1.1, 800, this);
    m_pulse->start();
}

void BenneOscillanteView::demarrerOscillation()
{
    if (m_isSelected) {
        startSwing();
    } else {
        stopAll();
        setAngle(0);
        setEchelleZoom(1.0);
    }
}

void BenneOscillanteView::changementSelection(bool selected)
{
    if (selected) {
        startSwing();
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
    demarrerOscillation();
}

void BenneOscillanteView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    stopAll();
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

void BenneOscillanteView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setTransform(transformFor(tileRect(), m_angle, m_echelleZoom));
    const QRectF tile = tileRect();
    const qreal dpr = devicePixelRatioF();

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
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawPath(glass::continuousRoundedRect(tile.adjusted(-3, -3, 3, 3), 10));
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
