#include "blob.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace glass {

BlobShape::BlobShape(int complexity, qreal progress, qreal k)
    : animationProgress(progress), intensity(k)
{
    const int n = std::max(0, complexity);
    for (int i = 0; i < n; ++i) {
        const qreal f = qreal(i) * (1.0 / n);
        controlPoints.append(QPointF(f, f));
    }
}

QList<QPointF> BlobShape::outlinePoints(const QRectF& rect) const
{
    constexpr qreal tau = 2 * std::numbers::pi;
    const QPointF c = rect.center();
    const qreal base = 0.5 * std::min(rect.width(), rect.height());
    const qreal p = animationProgress;
    QList<QPointF> out;
    out.reserve(controlPoints.size());
    for (const QPointF& cp : controlPoints) {
        const qreal theta = tau * cp.x() + tau * p;
        const qreal r = base * (1 + 0.2 * intensity * std::sin(3 * theta + 4 * p));
        out.append(QPointF(c.x() + r * std::cos(theta), c.y() + r * std::sin(theta)));
    }
    return out;
}

QPainterPath BlobShape::path(const QRectF& rect) const
{
    QPainterPath path;
    const QList<QPointF> pts = outlinePoints(rect);
    const qsizetype n = pts.size();
    if (n < 3)
        return path;
    path.moveTo(pts[0]);
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF& prev = pts[(i - 1 + n) % n];
        const QPointF& cur = pts[i];
        const QPointF& next = pts[(i + 1) % n];
        const QPointF& after = pts[(i + 2) % n];
        path.cubicTo(cur + (next - prev) / 6, next - (after - cur) / 6, next);
    }
    path.closeSubpath();
    return path;
}

BlobGlassModifier::BlobGlassModifier(const QColor& color, qreal blobIntensity, double animationSpeed,
                                     int complexity, Materiau material, double gradientOpacity,
                                     double shadowOpacity)
    : color(color), blobIntensity(std::clamp<qreal>(blobIntensity, 0.1, 1.0)),
      animationSpeed(animationSpeed), complexity(std::clamp(complexity, 4, 12)), material(material),
      gradientOpacity(gradientOpacity), shadowOpacity(shadowOpacity)
{
    if (std::isnan(blobIntensity))
        this->blobIntensity = 0.1;
}

std::optional<int> BlobGlassModifier::halfCycleMs() const
{
    if (!std::isfinite(animationSpeed) || animationSpeed <= 0)
        return std::nullopt;
    const double ms = 10000.0 / animationSpeed;
    if (!std::isfinite(ms) || ms > double(std::numeric_limits<int>::max() / 2))
        return std::nullopt;
    return std::max(1, int(std::lround(ms)));
}

QGradientStops BlobGlassModifier::outlineStops() const
{
    QColor strong = color;
    strong.setAlphaF(float(std::clamp(color.alphaF() * gradientOpacity, 0.0, 1.0)));
    QColor clear = color;
    clear.setAlphaF(0);
    return {{0.0, strong}, {1.0 / 3, clear}, {2.0 / 3, strong}, {1.0, clear}};
}

void BlobGlassModifier::paint(QPainter& painter, const QRectF& bounds, qreal progress,
                              const std::function<void(QPainter&)>& content,
                              const QColor& windowColor) const
{
    const QPainterPath blob = shape(progress).path(bounds);
    if (blob.isEmpty())
        return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    // The background layer (fill and outline) casts the shadow; the content does not.
    const QRectF area = blob.boundingRect().adjusted(-2, -2, 2, 2);
    QImage layer((area.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::Antialiasing);
        lp.translate(-area.topLeft());
        lp.fillPath(blob, couleurMateriau(material, windowColor));
        lp.strokePath(blob, outlinePen(bounds, outlineStops(), 1.5));
    }
    QColor shade = color;
    shade.setAlphaF(float(std::clamp(color.alphaF() * shadowOpacity, 0.0, 1.0)));
    paintShadowOf(painter, layer, area.topLeft(), shade, 10, QPointF(0, 5));
    painter.drawImage(area.topLeft(), layer);
    if (content) {
        painter.save();
        painter.setClipPath(blob, Qt::IntersectClip);
        content(painter);
        painter.restore();
    }
}

BlobGlassView::BlobGlassView(QWidget* content, const BlobGlassModifier& modifier, QWidget* parent)
    : QWidget(parent), m_modifier(modifier), m_content(content)
{
    hostContent(this, content);
}

void BlobGlassView::setAnimationProgress(qreal progress)
{
    if (m_progress == progress)
        return;
    m_progress = progress;
    updateMask();
    update();
}

bool BlobGlassView::isAnimating() const
{
    return m_animation && m_animation->state() == QAbstractAnimation::Running;
}

void BlobGlassView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_animation)
        return; // started once; later showings do not restart it
    const std::optional<int> half = m_modifier.halfCycleMs();
    if (!half)
        return;
    // 0 → 1 → 0 … linearly, without end.
    m_animation = new QVariantAnimation(this);
    m_animation->setStartValue(0.0);
    m_animation->setKeyValueAt(0.5, 1.0);
    m_animation->setEndValue(0.0);
    m_animation->setDuration(std::min(*half, std::numeric_limits<int>::max() / 2) * 2);
    m_animation->setLoopCount(-1);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { setAnimationProgress(v.toReal()); });
    m_animation->start();
}

void BlobGlassView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    m_modifier.paint(p, rect(), m_progress, {}, palette().color(QPalette::Window));
}

bool BlobGlassView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_content && event->type() == QEvent::Resize)
        updateMask();
    return QWidget::eventFilter(watched, event);
}

void BlobGlassView::updateMask()
{
    if (!m_content || m_content->size().isEmpty())
        return;
    const QPainterPath blob =
        m_modifier.shape(m_progress).path(QRectF(m_content->mapTo(this, QPoint(0, 0)) * -1, size()));
    if (!blob.isEmpty())
        m_content->setMask(QRegion(blob.toFillPolygon().toPolygon()));
}

BlobGlassView* blobGlass(QWidget* content, const QColor& color, qreal blobIntensity,
                         double animationSpeed, int complexity, Materiau material,
                         double gradientOpacity, double shadowOpacity)
{
    return new BlobGlassView(content,
                             BlobGlassModifier(color, blobIntensity, animationSpeed, complexity,
                                               material, gradientOpacity, shadowOpacity));
}

} // namespace glass
