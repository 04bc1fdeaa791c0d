#include "papier.h"

#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

#include <cmath>
#include <cstdint>

namespace kv {

namespace {

// The paper's mean green level, around which its grain goes.
constexpr int kGrisPapier = 241;

// A reproducible pseudo-random value in [0, 1) for a lattice point of one layer.
double hash01(int x, int y, int layer)
{
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u
                      + std::uint32_t(layer) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return double(h & 0xFFFFFF) / double(0x1000000);
}

double smooth(double t)
{
    return t * t * (3 - 2 * t);
}

// Value noise whose lattice wraps every `period` cells: the result tiles seamlessly.
double noise(double x, double y, int period, int layer)
{
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const double fx = smooth(x - x0), fy = smooth(y - y0);
    const auto at = [&](int i, int j) {
        return hash01(((i % period) + period) % period, ((j % period) + period) % period, layer);
    };
    const double a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

QImage paintTile(int side)
{
    QImage img(side, side, QImage::Format_RGB32);
    // Grain: a few octaves of wrapping noise, the coarse ones faint (clouding), the fine ones
    // giving the tooth of the paper.
    const struct { int period; double weight; } octaves[] = {{4, 0.35}, {8, 0.25}, {32, 0.2}, {128, 0.2}};
    for (int y = 0; y < side; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < side; ++x) {
            double v = 0;
            for (const auto& o : octaves)
                v += o.weight * noise(x * o.period / double(side), y * o.period / double(side), o.period, o.period);
            const double shade = (v - 0.5) * 22; // ± 11 levels around the base
            const int r = qBound(0, int(246 + shade), 255);
            const int g = qBound(0, int(kGrisPapier + shade), 255);
            const int b = qBound(0, int(228 + shade * 1.1), 255);
            line[x] = qRgb(r, g, b);
        }
    }
    // Fibres: short faint strokes, drawn again across the edges they cross so the tile stays seamless.
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const int fibres = side / 4;
    for (int i = 0; i < fibres; ++i) {
        const QPointF a(hash01(i, 1, 7) * side, hash01(i, 2, 7) * side);
        const double angle = hash01(i, 3, 7) * 2 * M_PI;
        const double length = 4 + hash01(i, 4, 7) * 10;
        const QPointF b = a + QPointF(std::cos(angle), std::sin(angle)) * length;
        const bool dark = hash01(i, 5, 7) < 0.5;
        p.setPen(QPen(dark ? QColor(150, 130, 100, 28) : QColor(255, 255, 255, 60), 0.7));
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                p.drawLine(a + QPointF(dx * side, dy * side), b + QPointF(dx * side, dy * side));
    }
    return img;
}

} // namespace

QColor fondPapier(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    if (window.lightness() < palette.color(QPalette::WindowText).lightness())
        return window;
    return QColor(0xF1, 0xEF, 0xEA);
}

const QImage& tuilePapier(int side)
{
    static QHash<int, QImage> tiles;
    auto it = tiles.find(side);
    if (it == tiles.end())
        it = tiles.insert(side, paintTile(qMax(side, 8)));
    return *it;
}

QImage tuilePapierSur(const QColor& fond, double opacity, int side)
{
    QImage out(side, side, QImage::Format_RGB32);
    if (fond.lightness() < 128) {
        // A dark sheet keeps its colour: only the grain's light and shade are laid on it, faintly.
        const QImage& tuile = tuilePapier(side);
        const QRgb base = fond.rgb();
        const double force = 0.5 * qBound(0.0, opacity, 1.0);
        for (int y = 0; y < side; ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(tuile.constScanLine(y));
            QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < side; ++x) {
                const int ecart = int(std::lround((qGreen(in[x]) - kGrisPapier) * force));
                line[x] = qRgb(qBound(0, qRed(base) + ecart, 255), qBound(0, qGreen(base) + ecart, 255),
                               qBound(0, qBlue(base) + ecart, 255));
            }
        }
        return out;
    }
    out.fill(fond.rgb());
    QPainter p(&out);
    p.setOpacity(qBound(0.0, opacity, 1.0));
    p.drawImage(0, 0, tuilePapier(side));
    return out;
}

void peindrePapier(QPainter& painter, const QRectF& cible, const QPointF& origine, const QPixmap& tuile)
{
    if (tuile.isNull() || cible.isEmpty())
        return;
    // drawTiledPixmap anchors the tiles at the target's corner: shift them so that they stay
    // anchored at the sheet's origin.
    const QPointF decalage = cible.topLeft() - origine;
    const qreal w = tuile.width() / tuile.devicePixelRatio(), h = tuile.height() / tuile.devicePixelRatio();
    const QPointF depart(std::fmod(std::fmod(decalage.x(), w) + w, w), std::fmod(std::fmod(decalage.y(), h) + h, h));
    painter.drawTiledPixmap(cible, tuile, depart);
}

} // namespace kv
