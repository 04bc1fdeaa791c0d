#pragma once

// The paper texture "papier" laid behind the planning grid and the rentals-by-client screen:
// a warm off-white sheet with a faint grain and a few fibres, painted in code. The texture is
// seamless, so a surface of any size (the planning grid is several metres of screen wide) reads
// as one sheet without blowing a single picture up.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>

class QPainter;
class QPalette;
class QPixmap;

namespace kv {

// The sheet's colour under `palette`: a warm off-white on a light desktop; on a dark one (light
// texts) the window's own colour, so that no bright surface stands among dark screens and the
// desktop's texts read on it.
QColor fondPapier(const QPalette& palette);

// One square of the texture (opaque, `side` × `side` pixels), seamless on all four edges.
// Always the same picture for the same side.
const QImage& tuilePapier(int side = 256);

// The texture at `opacity` over `fond`, as one opaque square: what the screens tile (as a
// pixmap they keep), so that painting costs no blending. A dark `fond` keeps its colour and takes
// only the grain.
QImage tuilePapierSur(const QColor& fond, double opacity, int side = 256);

// Paints the paper over `cible` (in the painter's coordinates). `origine` is where the sheet's
// top-left corner lies in the same coordinates, so that the grain scrolls with the content.
void peindrePapier(QPainter& painter, const QRectF& cible, const QPointF& origine, const QPixmap& tuile);

} // namespace kv
