#pragma once

// The animated glass: content clipped to, and drawn over, a soft blob whose bulges turn and
// swell slowly back and forth while it is shown.

#include "glass.h"

#include <QList>
#include <QPointF>
#include <QVariantAnimation>

#include <optional>

namespace glass {

struct BlobShape {
    // The i-th of n points is (i/n, i/n); x is the point's angle in turns.
    QList<QPointF> controlPoints;
    qreal animationProgress = 0;
    qreal intensity = 0;

    BlobShape(int complexity, qreal animationProgress, qreal intensity);

    // The points the outline passes through, for `rect`.
    QList<QPointF> outlinePoints(const QRectF& rect) const;
    // The closed smooth outline through those points; empty with fewer than three.
    QPainterPath path(const QRectF& rect) const;
};

struct BlobGlassModifier {
    QColor color;
    qreal blobIntensity = 0.5;   // kept within 0.1 … 1.0
    double animationSpeed = 1;   // one half-cycle lasts 10 / animationSpeed seconds
    int complexity = 6;          // kept within 4 … 12
    Materiau material = Materiau::regular;
    double gradientOpacity = 0.7;
    double shadowOpacity = 0.5;

    BlobGlassModifier(const QColor& color, qreal blobIntensity, double animationSpeed, int complexity,
                      Materiau material, double gradientOpacity, double shadowOpacity);

    // Duration of one half-cycle in milliseconds; none when the speed is 0, negative or not a
    // finite number: the blob then stays still.
    std::optional<int> halfCycleMs() const;

    BlobShape shape(qreal progress) const { return BlobShape(complexity, progress, blobIntensity); }
    QGradientStops outlineStops() const;

    // Paints the blob background (fill, outline, its shadow) then the content clipped to it.
    void paint(QPainter& painter, const QRectF& bounds, qreal progress,
               const std::function<void(QPainter&)>& content = {},
               const QColor& windowColor = couleurFenetre()) const;
};

// A widget wearing the blob glass. The content widget is laid out inside it and clipped to the
// blob; the blob is painted behind it. The motion starts when the widget is first shown.
class BlobGlassView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal animationProgress READ animationProgress WRITE setAnimationProgress)
public:
    BlobGlassView(QWidget* content, const BlobGlassModifier& modifier, QWidget* parent = nullptr);

    const BlobGlassModifier& modifier() const { return m_modifier; }
    qreal animationProgress() const { return m_progress; }
    void setAnimationProgress(qreal progress);
    bool isAnimating() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateMask();
    BlobGlassModifier m_modifier;
    QWidget* m_content;
    qreal m_progress = 0;
    QVariantAnimation* m_animation = nullptr;
};

BlobGlassView* blobGlass(QWidget* content, const QColor& color, qreal blobIntensity,
                         double animationSpeed, int complexity, Materiau material,
                         double gradientOpacity, double shadowOpacity);

} // namespace glass
