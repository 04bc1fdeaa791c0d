#include "glass.h"

#include <QGraphicsEffect>
#include <QHash>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <vector>

namespace glass {

QColor couleurFenetre()
{
    return QGuiApplication::palette().color(QPalette::Window);
}

QColor couleurMateriau(Materiau materiau, const QColor& couleurFenetre)
{
    double opacite = 0.7;
    switch (materiau) {
    case Materiau::ultraThin: opacite = 0.35; break;
    case Materiau::thin: opacite = 0.5; break;
    case Materiau::regular: opacite = 0.7; break;
    case Materiau::thick: opacite = 0.85; break;
    case Materiau::ultraThick: opacite = 0.95; break;
    }
    QColor c = couleurFenetre;
    c.setAlphaF(float(c.alphaF() * opacite));
    return c;
}

QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    if (rect.isEmpty())
        return path;
    // Each corner is one cubic that leaves the straight edge 1.28 radius away from the corner
    // with little curvature, and passes close to where a quarter circle would.
    const qreal maxExtent = std::min(rect.width(), rect.height()) / 2;
    const qreal e = std::clamp(radius * 1.28, 0.0, maxExtent);
    if (e <= 0) {
        path.addRect(rect);
        return path;
    }
    const qreal c = e * (0.29 / 1.28);
    const qreal l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
    path.moveTo(l + e, t);
    path.lineTo(r - e, t);
    path.cubicTo(r - c, t, r, t + c, r, t + e);
    path.lineTo(r, b - e);
    path.cubicTo(r, b - c, r - c, b, r - e, b);
    path.lineTo(l + e, b);
    path.cubicTo(l + c, b, l, b - c, l, b - e);
    path.lineTo(l, t + e);
    path.cubicTo(l, t + c, l + c, t, l + e, t);
    path.closeSubpath();
    return path;
}

QPainterPath capsule(const QRectF& rect)
{
    QPainterPath path;
    const qreal r = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, r, r);
    return path;
}

QPen outlinePen(const QRectF& bounds, const QGradientStops& stops, qreal width)
{
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
    gradient.setStops(stops);
    QPen pen(QBrush(gradient), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    return pen;
}

void hostContent(QWidget* host, QWidget* content)
{
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content) {
        layout->addWidget(content);
        content->installEventFilter(host);
    }
}

namespace {

// One box pass over every channel of a premultiplied image, along rows or columns; `moyenne[s]`
// is s divided by the box's width (a table: a division per channel and pixel cost more than the
// rest of the pass).
void boxPass(QImage& img, int radius, bool horizontal, const std::vector<quint8>& moyenne)
{
    const int w = img.width(), h = img.height();
    const int lines = horizontal ? h : w;
    const int len = horizontal ? w : h;
    // The pixels reached through one pointer: scanLine() per pixel would check for sharing each
    // time.
    uchar* const bits = img.bits();
    const qsizetype bpl = img.bytesPerLine();
    const qsizetype step = horizontal ? 1 : bpl / qsizetype(sizeof(quint32));
    std::vector<quint32> line(static_cast<size_t>(len));
    for (int i = 0; i < lines; ++i) {
        quint32* const debut = horizontal ? reinterpret_cast<quint32*>(bits + i * bpl)
                                          : reinterpret_cast<quint32*>(bits) + i;
        for (int k = 0; k < len; ++k)
            line[size_t(k)] = debut[k * step];
        // The four channels side by side in one integer, 16 bits each: a box's sum of a channel
        // stays below 65536 (255 times a box of at most 257).
        const auto ecarte = [](quint32 v) {
            return quint64(v & 0xff) | quint64(v & 0xff00) << 8 | quint64(v & 0xff0000) << 16
                   | quint64(v & 0xff000000) << 24;
        };
        quint64 sum = 0;
        for (int k = 0; k <= std::min(radius, len - 1); ++k)
            sum += ecarte(line[size_t(k)]);
        for (int k = 0; k < len; ++k) {
            debut[k * step] = quint32(moyenne[size_t(sum & 0xffff)]) | quint32(moyenne[size_t(sum >> 16 & 0xffff)]) << 8
                              | quint32(moyenne[size_t(sum >> 32 & 0xffff)]) << 16
                              | quint32(moyenne[size_t(sum >> 48 & 0xffff)]) << 24;
            // Each channel's sum ends in its 16 bits: a carry between channels on the way
            // cancels out (unsigned arithmetic).
            if (k + radius + 1 < len)
                sum += ecarte(line[size_t(k + radius + 1)]);
            if (k - radius >= 0)
                sum -= ecarte(line[size_t(k - radius)]);
        }
    }
}

} // namespace

void blurAlpha(QImage& image, qreal radius)
{
    // At most a box of 257 pixels, which no shadow comes near.
    const int box = std::min(128, int(std::lround(radius / 2)));
    if (box <= 0 || image.isNull())
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int window = 2 * box + 1;
    std::vector<quint8> moyenne(size_t(255 * window + 1));
    for (size_t s = 0; s < moyenne.size(); ++s)
        moyenne[s] = quint8(s / size_t(window));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(image, box, true, moyenne);
        boxPass(image, box, false, moyenne);
    }
}

void paintShadowOf(QPainter& painter, const QImage& image, const QPointF& origin, const QColor& color,
                   qreal blurRadius, const QPointF& offset)
{
    if (image.isNull() || color.alpha() == 0)
        return;
    const qreal dpr = image.devicePixelRatio();
    const int margin = int(std::ceil(std::max<qreal>(0, blurRadius) * 1.5 * dpr));
    QImage shadow(image.width() + 2 * margin, image.height() + 2 * margin,
                  QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QImage source = image;
        source.setDevicePixelRatio(1);
        QPainter sp(&shadow);
        sp.drawImage(margin, margin, source);
        sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
        sp.fillRect(shadow.rect(), color);
    }
    blurAlpha(shadow, blurRadius * dpr);
    shadow.setDevicePixelRatio(dpr);
    painter.drawImage(origin + offset - QPointF(margin / dpr, margin / dpr), shadow);
}

GlassBackgroundModifier::GlassBackgroundModifier(
    GlassBackgroundDisplayMode displayMode, qreal radius, const QColor& color, double colorOpacity,
    Materiau material, double gradientOpacity, GradientStyle gradientStyle, qreal strokeWidth,
    const QColor& shadowColor, double shadowOpacity, std::optional<qreal> shadowRadius, qreal shadowX,
    qreal shadowY, bool isInToolbar)
    : displayMode(displayMode), radius(radius), color(color), colorOpacity(colorOpacity),
      material(material), gradientOpacity(gradientOpacity), gradientStyle(gradientStyle),
      strokeWidth(strokeWidth), shadowColor(shadowColor), shadowOpacity(shadowOpacity),
      shadowRadius(shadowRadius.value_or(radius)), shadowX(shadowX), shadowY(shadowY),
      isInToolbar(isInToolbar)
{
}

GlassBackgroundModifier GlassBackgroundModifier::standard(qreal radius, const QColor& color,
                                                          const QColor& shadowColor,
                                                          std::optional<qreal> shadowRadius)
{
    return GlassBackgroundModifier(GlassBackgroundDisplayMode::always, radius, color, 0.1,
                                   Materiau::regular, 0.7, GradientStyle::normal, 1.5, shadowColor,
                                   0.5, shadowRadius, 0, 5, false);
}

QGradientStops GlassBackgroundModifier::outlineStops() const
{
    QColor strong = color;
    strong.setAlphaF(float(std::clamp(color.alphaF() * gradientOpacity, 0.0, 1.0)));
    QColor weak = strong;
    weak.setAlphaF(float(strong.alphaF() * 0.2));
    const bool normal = gradientStyle == GradientStyle::normal;
    const QColor& ends = normal ? strong : weak;
    const QColor& middle = normal ? weak : strong;
    return {{0.0, ends}, {1.0 / 3, middle}, {2.0 / 3, middle}, {1.0, ends}};
}

QMarginsF GlassBackgroundModifier::shadowMargins() const
{
    const qreal reach = std::max<qreal>(0, shadowRadius) * 1.5 + strokeWidth;
    return QMarginsF(std::max<qreal>(0, reach - shadowX), std::max<qreal>(0, reach - shadowY),
                     std::max<qreal>(0, reach + shadowX), std::max<qreal>(0, reach + shadowY));
}

void GlassBackgroundModifier::paint(QPainter& painter, const QRectF& bounds,
                                    const std::function<void(QPainter&)>& content,
                                    const QColor& windowColor) const
{
    if (bounds.isEmpty())
        return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const qreal s = strokeWidth / 2 + 1;
    const QRectF area = bounds.adjusted(-s, -s, s, s);
    QImage layer((area.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    const QPainterPath shape = continuousRoundedRect(bounds, radius);
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::Antialiasing);
        lp.setRenderHint(QPainter::TextAntialiasing);
        lp.setFont(painter.font());
        lp.translate(-area.topLeft());
        lp.save();
        lp.setClipPath(shape);
        lp.fillRect(bounds, couleurMateriau(material, windowColor));
        QColor tint = color;
        tint.setAlphaF(float(std::clamp(color.alphaF() * colorOpacity, 0.0, 1.0)));
        lp.fillRect(bounds, tint);
        if (content)
            content(lp);
        lp.restore();
        const QPen pen = outlinePen(bounds, outlineStops(), strokeWidth);
        if (strokeWidth > 0)
            lp.strokePath(shape, pen);
    }
    QColor shade = shadowColor;
    shade.setAlphaF(float(std::clamp(shadowColor.alphaF() * shadowOpacity, 0.0, 1.0)));
    paintShadowOf(painter, layer, area.topLeft(), shade, shadowRadius, QPointF(shadowX, shadowY));
    painter.drawImage(area.topLeft(), layer);
}

// The outline, drawn over the content.
class GlassBackgroundView::Outline : public QWidget {
public:
    explicit Outline(GlassBackgroundView* owner) : QWidget(owner), m_owner(owner)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const GlassBackgroundModifier& m = m_owner->modifier();
        if (m.strokeWidth <= 0)
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = rect();
        const QPen pen = outlinePen(bounds, m.outlineStops(), m.strokeWidth);
        p.strokePath(continuousRoundedRect(bounds, m.radius), pen);
    }

private:
    GlassBackgroundView* m_owner;
};

namespace {

// A view's shadow is blurred as far as its radius, as the decoration's is.
qreal viewBlur(const GlassBackgroundModifier& m)
{
    return std::max<qreal>(0, m.shadowRadius);
}

QColor shadowShade(const GlassBackgroundModifier& m)
{
    QColor shade = m.shadowColor;
    shade.setAlphaF(float(std::clamp(shade.alphaF() * m.shadowOpacity, 0.0, 1.0)));
    return shade;
}

// How opaque the glass is where nothing stands on it: its backdrop, then its tint over it.
qreal glassOpacity(const GlassBackgroundModifier& m)
{
    const qreal backdrop = couleurMateriau(m.material, Qt::black).alphaF();
    const qreal tint = std::clamp(m.color.alphaF() * m.colorOpacity, 0.0, 1.0);
    return backdrop + tint * (1 - backdrop);
}

} // namespace

QMarginsF GlassBackgroundModifier::viewShadowMargins() const
{
    const qreal reach = std::ceil(viewBlur(*this) * 1.5) + 2;
    return QMarginsF(std::max<qreal>(0, reach - shadowX), std::max<qreal>(0, reach - shadowY),
                     std::max<qreal>(0, reach + shadowX), std::max<qreal>(0, reach + shadowY));
}

namespace {

// The blurred shape of a glass `side` device pixels square, with `reach` device pixels of
// shadow around it: the corners and one flat row and column of every shadow of these settings.
QImage shadowPattern(int side, int reach, const GlassBackgroundModifier& m, qreal dpr)
{
    QImage pattern(side + 2 * reach, side + 2 * reach, QImage::Format_ARGB32_Premultiplied);
    pattern.fill(Qt::transparent);
    {
        QPainter p(&pattern);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = shadowShade(m);
        fill.setAlphaF(float(fill.alphaF() * glassOpacity(m)));
        p.fillPath(continuousRoundedRect(QRectF(reach, reach, side, side), m.radius * dpr), fill);
    }
    blurAlpha(pattern, viewBlur(m) * dpr);
    return pattern;
}

} // namespace

QImage glassShadow(const QSizeF& size, const GlassBackgroundModifier& modifier, qreal dpr, QPointF* origin)
{
    // Away from its corners a rounded rectangle's shadow is the same all along each side: the
    // corners and one row and column are blurred once for the settings, on a small square, and
    // every size is put together from them, the sides stretched.
    const int reach = int(std::ceil(viewBlur(modifier) * 1.5 * dpr)) + 1;
    const int corner = int(std::ceil(modifier.radius * 1.28 * dpr)) + reach;
    const int side = 2 * corner + 1;
    const QSize shape = (size * dpr).toSize();
    if (origin)
        *origin = QPointF(modifier.shadowX, modifier.shadowY) - QPointF(reach, reach) / dpr;

    static QHash<QString, QImage> patterns;
    const QString key = QStringLiteral("%1 r%2 b%3 %4 a%5")
                            .arg(dpr).arg(modifier.radius).arg(viewBlur(modifier))
                            .arg(shadowShade(modifier).rgba()).arg(glassOpacity(modifier));
    // The pieces put together are kept too: a glass repainted costs one copy of its shadow.
    static QHash<QString, QImage> shadows;
    const QString cle = key + QStringLiteral(" %1x%2").arg(shape.width()).arg(shape.height());
    if (auto it = shadows.constFind(cle); it != shadows.constEnd())
        return it.value();
    const auto garder = [&](const QImage& shadow) {
        if (shadows.size() > 256)
            shadows.clear();
        shadows.insert(cle, shadow);
        return shadow;
    };
    QImage pattern;
    if (shape.width() < side || shape.height() < side) {
        // Smaller than the pattern's corners: blurred whole, small as it is.
        QImage shadow(shape + QSize(2 * reach, 2 * reach), QImage::Format_ARGB32_Premultiplied);
        shadow.fill(Qt::transparent);
        {
            QPainter p(&shadow);
            p.setRenderHint(QPainter::Antialiasing);
            QColor fill = shadowShade(modifier);
            fill.setAlphaF(float(fill.alphaF() * glassOpacity(modifier)));
            p.fillPath(continuousRoundedRect(QRectF(QPointF(reach, reach), QSizeF(shape)), modifier.radius * dpr), fill);
        }
        blurAlpha(shadow, viewBlur(modifier) * dpr);
        shadow.setDevicePixelRatio(dpr);
        return garder(shadow);
    }
    if (auto it = patterns.constFind(key); it != patterns.constEnd()) {
        pattern = it.value();
    } else {
        pattern = shadowPattern(side, reach, modifier, dpr);
        if (patterns.size() > 64)
            patterns.clear();
        patterns.insert(key, pattern);
    }

    const int k = reach + corner; // the corners' size; the flat row and column lie at k
    const int w = shape.width() + 2 * reach, h = shape.height() + 2 * reach;
    const int pw = pattern.width(), ph = pattern.height();
    QImage shadow(w, h, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&shadow);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        const auto piece = [&](const QRect& to, const QRect& from) { p.drawImage(to, pattern, from); };
        piece(QRect(0, 0, k, k), QRect(0, 0, k, k));
        piece(QRect(w - k, 0, k, k), QRect(pw - k, 0, k, k));
        piece(QRect(0, h - k, k, k), QRect(0, ph - k, k, k));
        piece(QRect(w - k, h - k, k, k), QRect(pw - k, ph - k, k, k));
        piece(QRect(k, 0, w - 2 * k, k), QRect(k, 0, 1, k));
        piece(QRect(k, h - k, w - 2 * k, k), QRect(k, ph - k, 1, k));
        piece(QRect(0, k, k, h - 2 * k), QRect(0, k, k, 1));
        piece(QRect(w - k, k, k, h - 2 * k), QRect(pw - k, k, k, 1));
        piece(QRect(k, k, w - 2 * k, h - 2 * k), QRect(k, k, 1, 1));
    }
    shadow.setDevicePixelRatio(dpr);
    return garder(shadow);
}

// Casts the view's shadow from its rounded shape, made once per size, then paints the view
// itself: neither the view nor its content is rendered into a picture to be blurred again at
// each paint, as a drop shadow effect would.
class GlassBackgroundView::Shadow : public QGraphicsEffect {
public:
    explicit Shadow(GlassBackgroundView* owner) : QGraphicsEffect(owner), m_owner(owner) {}

    QRectF boundingRectFor(const QRectF& rect) const override
    {
        return rect.marginsAdded(m_owner->modifier().viewShadowMargins());
    }
    void changed() { updateBoundingRect(); }

protected:
    void draw(QPainter* painter) override
    {
        const GlassBackgroundModifier& m = m_owner->modifier();
        const QRectF bounds = sourceBoundingRect(Qt::LogicalCoordinates);
        if (shadowShade(m).alpha() > 0 && !bounds.isEmpty()) {
            const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
            QPointF origin;
            const QImage shadow = glassShadow(bounds.size(), m, dpr, &origin);
            painter->drawImage(bounds.topLeft() + origin, shadow);
        }
        drawSource(painter);
    }

private:
    GlassBackgroundView* m_owner;
};

GlassBackgroundView::GlassBackgroundView(QWidget* content, const GlassBackgroundModifier& modifier,
                                         QWidget* parent)
    : QWidget(parent), m_modifier(modifier), m_content(content)
{
    hostContent(this, content);
    m_outline = new Outline(this);
    m_outline->raise();
    m_shadow = new Shadow(this);
    setGraphicsEffect(m_shadow);
}

void GlassBackgroundView::setModifier(const GlassBackgroundModifier& modifier)
{
    m_modifier = modifier;
    m_shadow->changed();
    applyMask();
    update();
    m_outline->update();
}

void GlassBackgroundView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    p.setClipPath(continuousRoundedRect(bounds, m_modifier.radius));
    p.fillRect(bounds, couleurMateriau(m_modifier.material, palette().color(QPalette::Window)));
    QColor tint = m_modifier.color;
    tint.setAlphaF(float(std::clamp(tint.alphaF() * m_modifier.colorOpacity, 0.0, 1.0)));
    p.fillRect(bounds, tint);
}

void GlassBackgroundView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_outline->setGeometry(rect());
    m_outline->raise();
}

bool GlassBackgroundView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_content && event->type() == QEvent::Resize)
        applyMask();
    return QWidget::eventFilter(watched, event);
}

void GlassBackgroundView::applyMask()
{
    // Content beyond the rounded corners is cut away.
    if (!m_content || m_content->size().isEmpty())
        return;
    const QPainterPath shape = continuousRoundedRect(QRectF(m_content->rect()), m_modifier.radius);
    m_content->setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

GlassBackgroundView* glassBackground(
    QWidget* content, GlassBackgroundModifier::GlassBackgroundDisplayMode displayMode, qreal radius,
    const QColor& color, double colorOpacity, Materiau material, double gradientOpacity,
    GlassBackgroundModifier::GradientStyle gradientStyle, qreal strokeWidth, const QColor& shadowColor,
    double shadowOpacity, std::optional<qreal> shadowRadius, qreal shadowX, qreal shadowY,
    bool isInToolbar)
{
    return new GlassBackgroundView(
        content,
        GlassBackgroundModifier(displayMode, radius, color, colorOpacity, material, gradientOpacity,
                                gradientStyle, strokeWidth, shadowColor, shadowOpacity, shadowRadius,
                                shadowX, shadowY, isInToolbar));
}

} // namespace glass
