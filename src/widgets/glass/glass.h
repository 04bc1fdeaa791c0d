#pragma once

// Glass backgrounds: a translucent backdrop tinted with a colour, clipped to a rounded
// rectangle with continuous corners, outlined by a gradient stroke and lifted by a drop shadow.
// This module depends on Qt alone.

#include <QColor>
#include <QGradientStops>
#include <QPainterPath>
#include <QPen>
#include <QWidget>

#include <functional>
#include <optional>


namespace glass {

// The translucent backdrop. Without a blurring compositor it is the window colour made more or
// less opaque.
enum class Materiau { ultraThin, thin, regular, thick, ultraThick };

// The window colour at the opacity of a material.
QColor couleurMateriau(Materiau materiau, const QColor& couleurFenetre);
// The window colour of the application's palette.
QColor couleurFenetre();

// A rounded rectangle whose corners flow smoothly into the straight edges (the curvature grows
// gradually instead of jumping at the start of a quarter circle).
QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius);

// A capsule: a rectangle whose short sides are fully rounded.
QPainterPath capsule(const QRectF& rect);

// Paints `image`'s shadow: its alpha blurred by `blurRadius`, coloured with `color`, moved by
// `offset`. `image` is drawn with its top-left at `origin`. Used for shadows cast by everything
// drawn, content included.
void paintShadowOf(QPainter& painter, const QImage& image, const QPointF& origin,
                   const QColor& color, qreal blurRadius, const QPointF& offset);

// The pen of a glass outline: a gradient from the top-leading to the bottom-trailing corner of
// `bounds`, butt caps, mitre joins, mitre limit 10.
QPen outlinePen(const QRectF& bounds, const QGradientStops& stops, qreal width);

// Lays `content` out inside `host` with no margin and lets `host` watch its resizes.
void hostContent(QWidget* host, QWidget* content);

// Blurs the alpha channel of an ARGB32 premultiplied image in place (three box passes,
// close to a Gaussian of the given radius).
void blurAlpha(QImage& image, qreal radius);

struct GlassBackgroundModifier {
    enum class GlassBackgroundDisplayMode { always, automatic };
    enum class GradientStyle { normal, reverted };

    GlassBackgroundDisplayMode displayMode = GlassBackgroundDisplayMode::always;
    qreal radius = 8;
    QColor color = Qt::blue;
    double colorOpacity = 0.1;
    Materiau material = Materiau::regular;
    double gradientOpacity = 0.7;
    GradientStyle gradientStyle = GradientStyle::normal;
    qreal strokeWidth = 1.5;
    QColor shadowColor = Qt::blue;
    double shadowOpacity = 0.5;
    qreal shadowRadius = 8;
    qreal shadowX = 0;
    qreal shadowY = 5;
    bool isInToolbar = false;

    // Without a shadow radius the shadow is blurred by the corner radius.
    GlassBackgroundModifier(GlassBackgroundDisplayMode displayMode, qreal radius, const QColor& color,
                            double colorOpacity, Materiau material, double gradientOpacity,
                            GradientStyle gradientStyle, qreal strokeWidth, const QColor& shadowColor,
                            double shadowOpacity, std::optional<qreal> shadowRadius, qreal shadowX,
                            qreal shadowY, bool isInToolbar);

    // The values every screen uses, differing only in radius, colours and shadow blur.
    static GlassBackgroundModifier standard(qreal radius, const QColor& color, const QColor& shadowColor,
                                            std::optional<qreal> shadowRadius = std::nullopt);

    // The four stops of the outline gradient (top-leading to bottom-trailing corner).
    QGradientStops outlineStops() const;

    // How far the shadow reaches beyond the bounds on each side.
    QMarginsF shadowMargins() const;
    // How far a glass view's shadow reaches beyond the view on each side.
    QMarginsF viewShadowMargins() const;

    // Paints the whole decoration within `bounds`: backdrop, tint, content (drawn by `content`,
    // clipped to the rounded rectangle), outline, then the shadow of all of it behind.
    void paint(QPainter& painter, const QRectF& bounds,
               const std::function<void(QPainter&)>& content = {},
               const QColor& windowColor = couleurFenetre()) const;
};

// A widget wearing a glass background: the content widget is laid out inside it with no margin,
// the glass is painted behind the content and the outline over it; the shadow is cast by the
// whole, content included.
class GlassBackgroundView : public QWidget {
    Q_OBJECT
public:
    GlassBackgroundView(QWidget* content, const GlassBackgroundModifier& modifier,
                        QWidget* parent = nullptr);

    const GlassBackgroundModifier& modifier() const { return m_modifier; }
    void setModifier(const GlassBackgroundModifier& modifier);
    QWidget* content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Outline;
    class Shadow;
    void applyMask();
    GlassBackgroundModifier m_modifier;
    QWidget* m_content;
    Outline* m_outline;
    Shadow* m_shadow;
};

// The shadow a glass view of `size` (device-independent pixels) casts at `dpr`: its rounded
// shape as opaque as its backdrop and tint make it, blurred and coloured as `modifier` says;
// `origin` receives where its top-left lies from the glass's. The blur is paid once for the
// settings and the pixel ratio, whatever the size.
QImage glassShadow(const QSizeF& size, const GlassBackgroundModifier& modifier, qreal dpr,
                   QPointF* origin = nullptr);

// Wraps `content` in a glass background (the argument order of the modifier).
GlassBackgroundView* glassBackground(
    QWidget* content, GlassBackgroundModifier::GlassBackgroundDisplayMode displayMode, qreal radius,
    const QColor& color, double colorOpacity, Materiau material, double gradientOpacity,
    GlassBackgroundModifier::GradientStyle gradientStyle, qreal strokeWidth, const QColor& shadowColor,
    double shadowOpacity, std::optional<qreal> shadowRadius, qreal shadowX, qreal shadowY,
    bool isInToolbar);

} // namespace glass
