#include "icons.h"

#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QtMath>

#include <functional>

namespace kv {

namespace {

using Glyph = std::function<void(QPainter&)>;

struct Symbol {
    const char* theme; // freedesktop icon name, or "" when none fits
    Glyph draw; // in a 24 × 24 box, pen and brush set by the caller
};

// The colour the caller's pen draws with.
QColor inkOf(const QPainter& p)
{
    return p.pen().color();
}

// Draws `draw` with the brush set to the ink (shapes drawn then are filled).
void filled(QPainter& p, const Glyph& draw)
{
    p.save();
    p.setBrush(inkOf(p));
    draw(p);
    p.restore();
}

// Fills `shape` with the ink, leaving the strokes of `cut` see-through.
void fillCut(QPainter& p, const QPainterPath& shape, const QPainterPath& cut = QPainterPath(), qreal cutWidth = 1.8)
{
    QPainterPathStroker stroker;
    stroker.setWidth(cutWidth);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    p.save();
    p.setBrush(inkOf(p));
    p.setPen(Qt::NoPen);
    p.drawPath(cut.isEmpty() ? shape : shape.subtracted(stroker.createStroke(cut)));
    p.restore();
}

// Draws a full-size glyph shrunk into `target`, its strokes `width` wide once shrunk; `clip`, when
// not empty, hides what falls outside it.
void drawInto(QPainter& p, const QRectF& target, const Glyph& glyph, qreal width = 1.4,
              const QPainterPath& clip = QPainterPath())
{
    p.save();
    if (!clip.isEmpty())
        p.setClipPath(clip, Qt::IntersectClip);
    const qreal scale = target.width() / 24.0;
    p.translate(target.topLeft());
    p.scale(scale, scale);
    QPen pen = p.pen();
    pen.setWidthF(width / scale);
    p.setPen(pen);
    glyph(p);
    p.restore();
}

// A circle around a smaller glyph.
void circled(QPainter& p, const Glyph& glyph, qreal scale = 0.58, QPointF shift = QPointF())
{
    p.drawEllipse(QPointF(12, 12), 10, 10);
    const qreal side = 24 * scale;
    drawInto(p, QRectF(12 - side / 2 + shift.x(), 12 - side / 2 + shift.y(), side, side), glyph, 1.3);
}

// An open line through `points`, its corners rounded off over `radius` (0: sharp corners).
QPainterPath polyline(const QList<QPointF>& points, qreal radius = 0)
{
    QPainterPath path(points.first());
    for (qsizetype i = 1; i + 1 < points.size(); ++i) {
        const QPointF corner = points[i];
        const auto towards = [&](QPointF to) {
            const QLineF l(corner, to);
            return l.length() > 0 ? l.pointAt(qMin(radius / l.length(), 0.5)) : corner;
        };
        path.lineTo(towards(points[i - 1]));
        path.quadTo(corner, towards(points[i + 1]));
    }
    path.lineTo(points.last());
    return path;
}

QPainterPath circlePath(QPointF centre, qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

// A filled disc of the same outer size as a drawn circle, with `mark` cut out of it.
void cutDisc(QPainter& p, const QPainterPath& mark)
{
    fillCut(p, circlePath(QPointF(12, 12), 10.8), mark, 2.0);
}

void line(QPainterPath& path, QPointF a, QPointF b)
{
    path.moveTo(a);
    path.lineTo(b);
}

// A grid of `columns` × `rows` filled dots, the first centred on `first`.
void dots(QPainter& p, QPointF first, int columns, int rows, QPointF step, qreal radius)
{
    p.save();
    p.setBrush(inkOf(p));
    p.setPen(Qt::NoPen);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            p.drawEllipse(first + QPointF(c * step.x(), r * step.y()), radius, radius);
    p.restore();
}

// A line and a dot below it.
void exclamation(QPainter& p, qreal top, qreal bottom)
{
    p.drawLine(QPointF(12, top), QPointF(12, bottom));
    filled(p, [&](QPainter& q) { q.drawEllipse(QPointF(12, bottom + 3.3), 0.6, 0.6); });
}

// A calendar page; `days` adds the dots of the days.
void calendar(QPainter& p, bool days)
{
    p.drawRoundedRect(QRectF(3, 4.5, 18, 16), 2.5, 2.5);
    p.drawLine(QPointF(3, 9), QPointF(21, 9));
    p.drawLine(QPointF(8, 2.5), QPointF(8, 6));
    p.drawLine(QPointF(16, 2.5), QPointF(16, 6));
    if (days)
        dots(p, {6.5, 12.5}, 4, 2, {3.7, 4}, 1.0);
}

// A toothed wheel: sharp teeth, or rounded lobes.
void gear(QPainter& p, int teeth, bool rounded)
{
    QPainterPath path;
    if (rounded) {
        const int steps = teeth * 24;
        for (int i = 0; i <= steps; ++i) {
            const qreal a = 2 * M_PI * i / steps;
            const qreal r = 8.2 + 1.6 * qBound(-1.0, 1.8 * qCos(teeth * a), 1.0);
            const QPointF pt(12 + r * qCos(a), 12 + r * qSin(a));
            if (i == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
    } else {
        for (int i = 0; i < teeth * 2; ++i) {
            const qreal a0 = (i - 0.5) * M_PI / teeth, a1 = (i + 0.5) * M_PI / teeth;
            const qreal r = (i % 2 == 0) ? 9.5 : 7.5;
            const QPointF p0(12 + r * qCos(a0), 12 + r * qSin(a0)), p1(12 + r * qCos(a1), 12 + r * qSin(a1));
            if (i == 0)
                path.moveTo(p0);
            else
                path.lineTo(p0);
            path.lineTo(p1);
        }
    }
    path.closeSubpath();
    path.addEllipse(QPointF(12, 12), 3, 3);
    p.drawPath(path);
}

void truck(QPainter& p, bool badge)
{
    p.drawRect(QRectF(2, 6, 12, 10));
    p.drawPath(polyline({{14, 9}, {18.5, 9}, {21.5, 12.5}, {21.5, 16}, {14, 16}}));
    p.drawEllipse(QPointF(6.5, 18), 2, 2);
    p.drawEllipse(QPointF(17.5, 18), 2, 2);
    if (badge) {
        QPainterPath hands;
        line(hands, QPointF(18, 5.5), QPointF(18, 3));
        line(hands, QPointF(18, 5.5), QPointF(20, 6.5));
        fillCut(p, circlePath(QPointF(18, 5.5), 5.3), hands, 1.2);
    }
}

void circularArrows(QPainter& p)
{
    p.drawArc(QRectF(4, 4, 16, 16), 30 * 16, 150 * 16);
    p.drawArc(QRectF(4, 4, 16, 16), 210 * 16, 150 * 16);
    p.save();
    p.setBrush(inkOf(p));
    const auto head = [&](QPointF tip, qreal angle) {
        QPolygonF tri;
        const qreal a = qDegreesToRadians(angle);
        tri << tip + QPointF(3.2 * qCos(a), 3.2 * qSin(a))
            << tip + QPointF(2.8 * qCos(a + 2.2), 2.8 * qSin(a + 2.2))
            << tip + QPointF(2.8 * qCos(a - 2.2), 2.8 * qSin(a - 2.2));
        p.drawPolygon(tri);
    };
    head(QPointF(12 + 8 * qCos(qDegreesToRadians(-30.0)), 12 + 8 * qSin(qDegreesToRadians(-30.0))), 60);
    head(QPointF(12 + 8 * qCos(qDegreesToRadians(150.0)), 12 + 8 * qSin(qDegreesToRadians(150.0))), 240);
    p.restore();
}

// The bin with its lid, shared by the trash symbols.
void trashCan(QPainter& p)
{
    p.drawLine(QPointF(3.5, 6), QPointF(20.5, 6));
    p.drawPath(polyline({{9.5, 6}, {10, 3.5}, {14, 3.5}, {14.5, 6}}));
    p.drawPath(polyline({{5.5, 6}, {7, 21}, {17, 21}, {18.5, 6}}));
}

// The edges of a box seen from above a corner; `tape` adds the band sealing its lid.
QPainterPath boxEdges(bool tape)
{
    QPainterPath edges = polyline({{3, 7}, {12, 11.5}, {21, 7}});
    line(edges, QPointF(12, 11.5), QPointF(12, 21.5));
    if (tape)
        edges.addPath(polyline({{7.5, 4.75}, {16.5, 9.25}, {16.5, 13.5}}));
    return edges;
}

QPainterPath boxOutline()
{
    QPainterPath outline;
    outline.addPolygon(QPolygonF({QPointF(12, 2.5), QPointF(21, 7), QPointF(21, 17), QPointF(12, 21.5),
                                  QPointF(3, 17), QPointF(3, 7), QPointF(12, 2.5)}));
    outline.closeSubpath();
    return outline;
}

void box(QPainter& p, bool tape)
{
    p.drawPath(boxOutline());
    p.drawPath(boxEdges(tape));
}

// A head above shoulders, the shoulders resting on the bottom of `frame`.
void bust(QPainter& p, const QRectF& frame)
{
    const qreal s = frame.height(), x = frame.center().x(), bottom = frame.bottom();
    p.drawEllipse(QPointF(x, frame.top() + s * 0.36), s * 0.18, s * 0.18);
    QPainterPath shoulders;
    shoulders.moveTo(x - s * 0.36, bottom);
    shoulders.cubicTo(x - s * 0.34, bottom - s * 0.36, x + s * 0.34, bottom - s * 0.36, x + s * 0.36, bottom);
    p.drawPath(shoulders);
}

// One person, head centred on `head`.
void person(QPainter& p, QPointF head, qreal r)
{
    const qreal k = r / 4;
    p.drawEllipse(head, r, r);
    QPainterPath body;
    body.moveTo(head + QPointF(-8 * k, 13 * k));
    body.cubicTo(head + QPointF(-8 * k, 6 * k), head + QPointF(8 * k, 6 * k), head + QPointF(8 * k, 13 * k));
    p.drawPath(body);
}

// Two people, the second one behind the first, on its right.
void twoPeople(QPainter& p)
{
    person(p, QPointF(9, 8.5), 3.5);
    p.drawEllipse(QPointF(16.5, 6.5), 3, 3);
    QPainterPath back;
    back.moveTo(15.5, 12.6);
    back.cubicTo(19.5, 12, 22, 14.5, 22, 18.5);
    p.drawPath(back);
}

// The top edge of a second card behind one whose top-left corner is (`x`, `y`), `width` wide.
void cardBehind(QPainter& p, qreal x, qreal y, qreal width)
{
    p.drawPath(polyline({{x + 1.5, y - 0.2}, {x + 1.5, y - 2.6}, {x + width - 1.5, y - 2.6},
                         {x + width - 1.5, y - 0.2}},
                        2.3));
}

QPainterPath roundedRect(const QRectF& r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void magnifier(QPainter& p, QPointF centre, qreal r)
{
    p.drawEllipse(centre, r, r);
    const qreal d = r * 0.7071;
    p.drawLine(centre + QPointF(d, d), centre + QPointF(d + 3, d + 3));
}

void leaf(QPainter& p)
{
    QPainterPath shape;
    shape.moveTo(4.5, 19.5);
    shape.cubicTo(3, 9, 10, 4, 20, 4);
    shape.cubicTo(20.5, 14, 15, 20.5, 4.5, 19.5);
    p.drawPath(shape);
    p.drawLine(QPointF(4.5, 19.5), QPointF(14, 10));
}

void tag(QPainter& p)
{
    p.drawPolygon(QPolygonF({QPointF(3.5, 3.5), QPointF(12, 3.5), QPointF(20.5, 12), QPointF(12, 20.5),
                             QPointF(3.5, 12)}));
    p.drawEllipse(QPointF(8.2, 8.2), 1.6, 1.6);
}

void euro(QPainter& p)
{
    p.drawArc(QRectF(6.5, 3.5, 17, 17), 45 * 16, 270 * 16);
    p.drawLine(QPointF(3, 10), QPointF(14, 10));
    p.drawLine(QPointF(3, 14), QPointF(14, 14));
}

void pin(QPainter& p)
{
    QPainterPath drop;
    drop.moveTo(12, 18.5);
    drop.cubicTo(10, 15.5, 6.5, 12.5, 6.5, 8.5);
    drop.arcTo(QRectF(6.5, 3, 11, 11), 180, -180);
    drop.cubicTo(17.5, 12.5, 14, 15.5, 12, 18.5);
    p.drawPath(drop);
    p.drawEllipse(QPointF(12, 8.5), 2, 2);
    // The ground around the pin's foot, open where the pin stands.
    p.drawArc(QRectF(3, 15.5, 18, 6), 115 * 16, 310 * 16);
}

void phone(QPainter& p)
{
    QPainterPath handset;
    handset.moveTo(8.5, 3);
    handset.lineTo(10.8, 7.8);
    handset.lineTo(8.6, 10);
    handset.cubicTo(9.8, 12.4, 11.6, 14.2, 14, 15.4);
    handset.lineTo(16.2, 13.2);
    handset.lineTo(21, 15.5);
    handset.lineTo(20, 19.5);
    handset.cubicTo(11, 21, 3, 13, 4.5, 4);
    handset.closeSubpath();
    p.drawPath(handset);
}

void wrenchAndScrewdriver(QPainter& p)
{
    // The wrench, from bottom left to top right, its open jaw at the top.
    p.save();
    p.translate(12, 12);
    p.rotate(45);
    QPainterPath wrench;
    wrench.addRoundedRect(QRectF(-1.6, -4, 3.2, 14), 1.6, 1.6);
    QPainterPath jaw = circlePath(QPointF(0, -6.5), 4).subtracted(
        roundedRect(QRectF(-1.4, -11.5, 2.8, 5.2), 1));
    p.drawPath(wrench.united(jaw));
    p.restore();
    // The screwdriver, from top left to bottom right, its handle at the bottom.
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    p.drawLine(QPointF(0, -10), QPointF(0, 1.5));
    p.drawRoundedRect(QRectF(-2.2, 1.5, 4.4, 8.5), 2, 2);
    p.restore();
}

void puzzlePiece(QPainter& p)
{
    QPainterPath piece = roundedRect(QRectF(3, 8, 13, 13), 1.5);
    piece = piece.united(circlePath(QPointF(9.5, 7), 2.8));
    piece = piece.united(circlePath(QPointF(17, 14.5), 2.8));
    p.drawPath(piece);
}

// A single arrow turning clockwise around the centre, its head near the top.
void clockwiseArrow(QPainter& p)
{
    const QRectF ring(4.5, 4.5, 15, 15);
    const qreal start = 70, span = -300; // degrees, counter-clockwise positive
    p.drawArc(ring, int(start * 16), int(span * 16));
    const qreal end = qDegreesToRadians(start + span);
    const QPointF c = ring.center();
    const qreal r = ring.width() / 2;
    const QPointF at(c.x() + r * qCos(end), c.y() - r * qSin(end));
    // Clockwise on screen: the direction of travel at angle a is (sin a, cos a).
    const QPointF dir(qSin(end), qCos(end)), normal(-dir.y(), dir.x());
    p.save();
    p.setBrush(inkOf(p));
    p.drawPolygon(QPolygonF({at + dir * 3.2, at - dir * 1.2 + normal * 3, at - dir * 1.2 - normal * 3}));
    p.restore();
}

// A rounded square holding an arrow pointing left (`toRight` false) or right.
void arrowSquare(QPainter& p, bool toRight)
{
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 3.5, 3.5);
    const qreal s = toRight ? -1 : 1;
    p.drawLine(QPointF(12 + 4.5 * s, 12), QPointF(12 - 4.5 * s, 12));
    p.drawPath(polyline({{12 - 1 * s, 8.5}, {12 - 4.5 * s, 12}, {12 - 1 * s, 15.5}}));
}

// Statistics: charts, the map, a drop and a flame.
void pieChart(QPainter& p)
{
    // A disc with one slice pulled out of it.
    QPainterPath disc;
    disc.moveTo(11, 13);
    disc.arcTo(QRectF(2, 4, 18, 18), 90, 270);
    disc.closeSubpath();
    fillCut(p, disc);
    QPainterPath slice;
    slice.moveTo(13, 11);
    slice.arcTo(QRectF(4, 2, 18, 18), 90, -90);
    slice.closeSubpath();
    fillCut(p, slice);
}

void barChart(QPainter& p)
{
    QPainterPath bars;
    bars.addRoundedRect(QRectF(3.5, 12, 4.5, 9), 1, 1);
    bars.addRoundedRect(QRectF(9.75, 4, 4.5, 17), 1, 1);
    bars.addRoundedRect(QRectF(16, 8.5, 4.5, 12.5), 1, 1);
    fillCut(p, bars);
}

void offgrid(QPainter& p)
{
    QPainterPath blocks;
    blocks.addRoundedRect(QRectF(2.5, 3, 11, 8), 1.5, 1.5);
    blocks.addRoundedRect(QRectF(15.5, 3, 6, 12), 1.5, 1.5);
    blocks.addRoundedRect(QRectF(2.5, 13, 11, 8), 1.5, 1.5);
    blocks.addRoundedRect(QRectF(15.5, 17, 6, 4), 1.2, 1.2);
    fillCut(p, blocks);
}

void foldedMap(QPainter& p)
{
    p.drawPolygon(QPolygonF({QPointF(2.5, 6), QPointF(8.5, 3.5), QPointF(15.5, 6), QPointF(21.5, 3.5),
                             QPointF(21.5, 18), QPointF(15.5, 20.5), QPointF(8.5, 18), QPointF(2.5, 20.5)}));
    p.drawLine(QPointF(8.5, 3.5), QPointF(8.5, 18));
    p.drawLine(QPointF(15.5, 6), QPointF(15.5, 20.5));
}

void waterDrop(QPainter& p)
{
    QPainterPath drop;
    drop.moveTo(12, 2.5);
    drop.cubicTo(9, 7.5, 5.5, 11, 5.5, 14.5);
    drop.arcTo(QRectF(5.5, 8, 13, 13.5), 180, 180);
    drop.cubicTo(18.5, 11, 15, 7.5, 12, 2.5);
    fillCut(p, drop);
}

void flame(QPainter& p)
{
    QPainterPath f;
    f.moveTo(12, 2);
    f.cubicTo(13, 6, 18.5, 8.5, 18.5, 14.5);
    f.cubicTo(18.5, 18.5, 15.5, 21.5, 12, 21.5);
    f.cubicTo(8.5, 21.5, 5.5, 18.5, 5.5, 14.5);
    f.cubicTo(5.5, 11.5, 7, 9.5, 8.5, 8);
    f.cubicTo(8.5, 10.5, 9.5, 12, 10.5, 12.5);
    f.cubicTo(10, 8.5, 11, 5, 12, 2);
    QPainterPath coeur;
    coeur.moveTo(12, 13);
    coeur.cubicTo(12.5, 15, 14.5, 16, 14.5, 18);
    fillCut(p, f, coeur, 2.2);
}

void personBadge(QPainter& p)
{
    // A person in a circle, an exclamation mark on a badge at the lower right.
    QPainterPath box;
    box.addRect(QRectF(0, 0, 24, 24));
    p.save();
    p.setClipPath(box.subtracted(circlePath(QPointF(18, 18), 6)), Qt::IntersectClip);
    p.drawEllipse(QPointF(11, 11), 9, 9);
    p.drawEllipse(QPointF(11, 8.5), 3, 3);
    p.drawArc(QRectF(5.5, 13, 11, 9), 30 * 16, 120 * 16);
    p.restore();
    filled(p, [](QPainter& q) { q.drawEllipse(QPointF(18, 18), 4.5, 4.5); });
    p.save();
    p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 15.8), QPointF(18, 18.4));
    p.drawPoint(QPointF(18, 20.3));
    p.restore();
}

// An open tray with an arrow going into it (down) or out of it (up); a filled tray when `solid`.
void tray(QPainter& p, bool up, bool solid)
{
    QPainterPath t;
    t.moveTo(3, 14);
    t.lineTo(3, 20.5);
    t.lineTo(21, 20.5);
    t.lineTo(21, 14);
    t.lineTo(15.5, 14);
    t.lineTo(14.5, 16.5);
    t.lineTo(9.5, 16.5);
    t.lineTo(8.5, 14);
    t.closeSubpath();
    if (solid)
        fillCut(p, t);
    else
        p.drawPath(t);
    const qreal tip = up ? 2.5 : 12.5;
    const qreal tail = up ? 12.5 : 2.5;
    const qreal wing = up ? 3.5 : -3.5;
    p.drawLine(QPointF(12, tail), QPointF(12, tip));
    p.drawLine(QPointF(12, tip), QPointF(12 - 3.5, tip + wing));
    p.drawLine(QPointF(12, tip), QPointF(12 + 3.5, tip + wing));
}

const QHash<QString, Symbol>& table()
{
    static const QHash<QString, Symbol> t = {
        {"map", {"", foldedMap}},
        {"chart.bar.fill", {"", barChart}},
        {"chart.pie.fill", {"", pieChart}},
        {"rectangle.3.offgrid.fill", {"", offgrid}},
        {"person.crop.circle.badge.exclamationmark", {"", personBadge}},
        {"flame.fill", {"", flame}},
        {"drop.fill", {"", waterDrop}},
        {"calendar", {"x-office-calendar", [](QPainter& p) { calendar(p, true); }}},
        {"calendar.circle", {"x-office-calendar", [](QPainter& p) { circled(p, [](QPainter& q) { calendar(q, false); }, 0.58, {0, 0.3}); }}},
        {"scalemass.fill", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 5.5), 2.5, 2.5);
             filled(p, [](QPainter& q) {
                 q.drawPolygon(QPolygonF({QPointF(6.5, 8.5), QPointF(17.5, 8.5), QPointF(21, 20.5), QPointF(3, 20.5)}));
             });
         }}},
        {"creditcard", {"", [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.5, 5, 19, 14), 2, 2);
             filled(p, [](QPainter& q) { q.drawRect(QRectF(2.5, 8.5, 19, 2.5)); });
             p.drawLine(QPointF(5.5, 15.5), QPointF(10, 15.5));
         }}},
        {"list.clipboard", {"edit-paste", [](QPainter& p) {
             p.drawRoundedRect(QRectF(4.5, 4, 15, 18), 2, 2);
             p.drawRoundedRect(QRectF(8.5, 2.5, 7, 3.5), 1, 1);
             for (int i = 0; i < 3; ++i) {
                 p.drawEllipse(QPointF(8, 10.5 + i * 3.8), 0.6, 0.6);
                 p.drawLine(QPointF(10.5, 10.5 + i * 3.8), QPointF(16.5, 10.5 + i * 3.8));
             }
         }}},
        {"truck.box.badge.clock", {"", [](QPainter& p) { truck(p, true); }}},
        {"truck.box", {"", [](QPainter& p) { truck(p, false); }}},
        {"mappin.and.ellipse", {"", pin}},
        {"tray.and.arrow.down", {"document-import", [](QPainter& p) { tray(p, false, false); }}},
        {"tray.and.arrow.up.fill", {"mail-send", [](QPainter& p) { tray(p, true, true); }}},
        {"cellularbars", {"", [](QPainter& p) {
             filled(p, [](QPainter& q) {
                 for (int i = 0; i < 4; ++i)
                     q.drawRoundedRect(QRectF(3 + i * 5, 17 - i * 4, 3, 4 + i * 4), 1, 1);
             });
         }}},
        {"cube.box", {"package-x-generic", [](QPainter& p) { box(p, false); }}},
        {"shippingbox", {"package-x-generic", [](QPainter& p) { box(p, true); }}},
        {"shippingbox.fill", {"package-x-generic", [](QPainter& p) {
             QPainterPath outer = boxOutline();
             QPainterPathStroker grow;
             grow.setWidth(1.6);
             grow.setJoinStyle(Qt::RoundJoin);
             fillCut(p, outer.united(grow.createStroke(outer)), boxEdges(true), 1.5);
         }}},
        {"person", {"", [](QPainter& p) { person(p, QPointF(12, 8), 4); }}},
        {"person.2", {"", twoPeople}},
        // Driver form.
        {"person.crop.circle", {"user-identity", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 10, 10);
             drawInto(p, QRectF(3, 4, 18, 18), [](QPainter& q) { bust(q, QRectF(0, 0, 24, 24)); }, 1.4,
                      circlePath(QPointF(12, 12), 10));
         }}},
        {"checkmark.seal", {"security-high", [](QPainter& p) {
             // A rosette of twelve points around a tick.
             QPainterPath seal;
             for (int i = 0; i <= 24; ++i) {
                 const qreal a = i * M_PI / 12;
                 const qreal r = i % 2 ? 8.2 : 10;
                 const QPointF pt(12 + r * std::cos(a), 12 + r * std::sin(a));
                 i == 0 ? seal.moveTo(pt) : seal.lineTo(pt);
             }
             p.drawPath(seal);
             p.drawPath(polyline({{8, 12.2}, {11, 15}, {16.2, 9}}));
         }}},
        {"graduationcap", {"applications-education", [](QPainter& p) {
             p.drawPolygon(QPolygonF({QPointF(12, 4.5), QPointF(22.5, 9.5), QPointF(12, 14.5), QPointF(1.5, 9.5)}));
             p.drawPath(polyline({{6.5, 12}, {6.5, 17}, {12, 19.5}, {17.5, 17}, {17.5, 12}}));
             p.drawLine(QPointF(21, 10.3), QPointF(21, 16.5));
         }}},
        {"puzzlepiece", {"preferences-plugin", [](QPainter& p) {
             QPainterPath piece;
             piece.moveTo(4, 8);
             piece.lineTo(9, 8);
             piece.arcTo(QRectF(9, 3.5, 5, 5), 225, -270);
             piece.lineTo(19, 8);
             piece.lineTo(19, 12);
             piece.arcTo(QRectF(18.5, 12, 5, 5), 135, -270);
             piece.lineTo(19, 21);
             piece.lineTo(4, 21);
             piece.closeSubpath();
             p.drawPath(piece);
         }}},
        {"steeringwheel", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 10, 10);
             p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
             p.drawLine(QPointF(2.5, 11), QPointF(9.5, 12));
             p.drawLine(QPointF(21.5, 11), QPointF(14.5, 12));
             p.drawLine(QPointF(12, 14.5), QPointF(12, 22));
         }}},
        {"person.crop.square", {"", [](QPainter& p) {
             const QRectF frame(3, 3, 18, 18);
             p.drawRoundedRect(frame, 3.5, 3.5);
             bust(p, frame.adjusted(0, 2, 0, 0));
         }}},
        {"person.text.rectangle", {"", [](QPainter& p) {
             const QRectF card(2.5, 4.5, 19, 15);
             p.drawRoundedRect(card, 2.5, 2.5);
             bust(p, QRectF(4.5, 8, 7, 11.5));
             p.drawLine(QPointF(13.5, 9.5), QPointF(18.5, 9.5));
             p.drawLine(QPointF(13.5, 12.5), QPointF(18.5, 12.5));
             p.drawLine(QPointF(13.5, 15.5), QPointF(16.5, 15.5));
         }}},
        {"person.crop.rectangle.stack", {"", [](QPainter& p) {
             const QRectF card(2.5, 7, 19, 14);
             p.drawRoundedRect(card, 2.5, 2.5);
             cardBehind(p, card.x(), card.y(), card.width());
             bust(p, card.adjusted(0, 1.5, 0, 0));
         }}},
        {"person.2.crop.square.stack", {"", [](QPainter& p) {
             const QRectF card(3, 6.5, 18, 15);
             p.drawRoundedRect(card, 2.5, 2.5);
             cardBehind(p, card.x(), card.y(), card.width());
             drawInto(p, QRectF(3.5, 8, 17, 17), twoPeople, 1.4, roundedRect(card, 2.5));
         }}},
        {"arrow.up.trash", {"user-trash", [](QPainter& p) {
             trashCan(p);
             p.drawLine(QPointF(12, 18), QPointF(12, 10));
             p.drawLine(QPointF(12, 10), QPointF(9.5, 12.5));
             p.drawLine(QPointF(12, 10), QPointF(14.5, 12.5));
         }}},
        {"trash", {"edit-delete", [](QPainter& p) {
             trashCan(p);
             p.drawLine(QPointF(10, 10), QPointF(10.4, 17.5));
             p.drawLine(QPointF(14, 10), QPointF(13.6, 17.5));
         }}},
        {"arrow.trianglehead.2.clockwise", {"view-refresh", circularArrows}},
        {"arrow.triangle.2.circlepath", {"view-refresh", circularArrows}},
        {"gear", {"preferences-system", [](QPainter& p) { gear(p, 8, false); }}},
        {"gearshape", {"preferences-system", [](QPainter& p) { gear(p, 6, true); }}},
        {"command", {"", [](QPainter& p) {
             QPainterPath path;
             path.addEllipse(QPointF(6.5, 6.5), 3, 3);
             path.addEllipse(QPointF(17.5, 6.5), 3, 3);
             path.addEllipse(QPointF(6.5, 17.5), 3, 3);
             path.addEllipse(QPointF(17.5, 17.5), 3, 3);
             p.drawPath(path);
             p.drawRect(QRectF(9.5, 9.5, 5, 5));
             p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 9.5));
             p.drawLine(QPointF(14.5, 6.5), QPointF(14.5, 9.5));
             p.drawLine(QPointF(9.5, 14.5), QPointF(9.5, 17.5));
             p.drawLine(QPointF(14.5, 14.5), QPointF(14.5, 17.5));
             p.drawLine(QPointF(6.5, 9.5), QPointF(9.5, 9.5));
             p.drawLine(QPointF(14.5, 9.5), QPointF(17.5, 9.5));
             p.drawLine(QPointF(6.5, 14.5), QPointF(9.5, 14.5));
             p.drawLine(QPointF(14.5, 14.5), QPointF(17.5, 14.5));
         }}},
        {"plus", {"list-add", [](QPainter& p) {
             p.drawLine(QPointF(12, 5), QPointF(12, 19));
             p.drawLine(QPointF(5, 12), QPointF(19, 12));
         }}},
        {"plus.circle.fill", {"list-add", [](QPainter& p) {
             QPainterPath mark;
             line(mark, QPointF(12, 7), QPointF(12, 17));
             line(mark, QPointF(7, 12), QPointF(17, 12));
             cutDisc(p, mark);
         }}},
        {"xmark.circle.fill", {"edit-clear", [](QPainter& p) {
             QPainterPath mark;
             line(mark, QPointF(8.5, 8.5), QPointF(15.5, 15.5));
             line(mark, QPointF(15.5, 8.5), QPointF(8.5, 15.5));
             cutDisc(p, mark);
         }}},
        {"checkmark.circle.fill", {"", [](QPainter& p) {
             cutDisc(p, polyline({{7.5, 12.5}, {10.8, 15.8}, {16.8, 8.8}}));
         }}},
        {"doc.on.doc", {"edit-copy", [](QPainter& p) {
             p.drawRoundedRect(QRectF(8.5, 7, 12, 14.5), 2, 2);
             // The page behind, hidden where the front one covers it.
             p.drawPath(polyline({{8.5, 17.5}, {3.5, 17.5}, {3.5, 2.5}, {15.5, 2.5}, {15.5, 7}}, 2));
         }}},
        {"doc.text.magnifyingglass", {"", [](QPainter& p) {
             // The page, open where the glass covers it, and its folded corner.
             p.drawPath(polyline({{19.5, 11}, {19.5, 7.5}, {14.5, 2.5}, {4.5, 2.5}, {4.5, 21.5}, {10.5, 21.5}}, 2));
             p.drawPath(polyline({{14.5, 2.5}, {14.5, 7.5}, {19.5, 7.5}}, 0.5));
             p.drawLine(QPointF(8, 8), QPointF(11, 8));
             p.drawLine(QPointF(8, 11.5), QPointF(14, 11.5));
             p.drawLine(QPointF(8, 15), QPointF(10.5, 15));
             magnifier(p, QPointF(15.5, 16.5), 3.2);
         }}},
        {"note.text", {"", [](QPainter& p) {
             p.drawRoundedRect(QRectF(4, 3, 16, 18), 2.5, 2.5);
             p.drawLine(QPointF(4, 7.5), QPointF(20, 7.5));
             p.drawLine(QPointF(7.5, 11.5), QPointF(16.5, 11.5));
             p.drawLine(QPointF(7.5, 14.5), QPointF(16.5, 14.5));
             p.drawLine(QPointF(7.5, 17.5), QPointF(12.5, 17.5));
         }}},
        {"envelope", {"mail-message-new", [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.5, 5, 19, 14), 2, 2);
             p.drawPath(polyline({{3.5, 6.5}, {12, 13}, {20.5, 6.5}}));
         }}},
        {"phone", {"call-start", phone}},
        {"eye", {"", [](QPainter& p) {
             QPainterPath lids;
             lids.moveTo(2, 12);
             lids.cubicTo(6, 5.5, 18, 5.5, 22, 12);
             lids.cubicTo(18, 18.5, 6, 18.5, 2, 12);
             p.drawPath(lids);
             p.drawEllipse(QPointF(12, 12), 3.3, 3.3);
             filled(p, [](QPainter& q) { q.drawEllipse(QPointF(12, 12), 0.8, 0.8); });
         }}},
        {"exclamationmark.triangle", {"dialog-warning", [](QPainter& p) {
             p.drawPolygon(QPolygonF({QPointF(12, 3), QPointF(21.5, 20), QPointF(2.5, 20)}));
             exclamation(p, 9, 13.5);
         }}},
        {"exclamationmark.triangle.fill", {"dialog-warning", [](QPainter& p) {
             QPainterPath triangle;
             triangle.addPolygon(QPolygonF({QPointF(12, 2.5), QPointF(22, 20.5), QPointF(2, 20.5), QPointF(12, 2.5)}));
             QPainterPath marque;
             marque.moveTo(12, 8.5);
             marque.lineTo(12, 13.5);
             marque.moveTo(12, 16.9);
             marque.lineTo(12, 17);
             fillCut(p, triangle, marque, 2.2);
         }}},
        {"hand.point.left", {"", [](QPainter& p) {
             // A hand pointing left: the finger, then the fist with its folded fingers.
             QPainterPath main;
             main.moveTo(2.5, 9);
             main.lineTo(11, 9);
             main.cubicTo(12.5, 6.5, 14, 5.5, 16.5, 5.5);
             main.lineTo(19.5, 5.5);
             main.cubicTo(21, 5.5, 21.5, 7, 21.5, 8.5);
             main.lineTo(21.5, 16);
             main.cubicTo(21.5, 17.5, 20.5, 18.5, 19, 18.5);
             main.lineTo(12.5, 18.5);
             main.cubicTo(11, 18.5, 10.5, 17.5, 10.5, 16.5);
             main.cubicTo(10.5, 15.5, 11, 14.5, 12.5, 14.5);
             main.lineTo(12.5, 12);
             main.lineTo(2.5, 12);
             main.cubicTo(1.5, 12, 1, 11.3, 1, 10.5);
             main.cubicTo(1, 9.7, 1.5, 9, 2.5, 9);
             p.drawPath(main);
             p.drawLine(QPointF(12.5, 14.5), QPointF(17, 14.5));
             p.drawLine(QPointF(12.5, 12), QPointF(17, 12));
         }}},
        {"location.magnifyingglass", {"", [](QPainter& p) {
             // The location arrow, with a glass over its tail.
             p.drawPath(polyline({{3, 10.5}, {19, 3.5}, {12.5, 19}, {10.8, 12.3}, {3, 10.5}}));
             magnifier(p, QPointF(16.5, 16.5), 3.4);
         }}},
        {"exclamationmark.shield", {"", [](QPainter& p) {
             QPainterPath shield;
             shield.moveTo(12, 2.5);
             shield.lineTo(19.5, 5.5);
             shield.lineTo(19.5, 11);
             shield.cubicTo(19.5, 16, 16, 19.5, 12, 21.5);
             shield.cubicTo(8, 19.5, 4.5, 16, 4.5, 11);
             shield.lineTo(4.5, 5.5);
             shield.closeSubpath();
             p.drawPath(shield);
             exclamation(p, 7.5, 12.5);
         }}},
        {"wrench.and.screwdriver", {"", wrenchAndScrewdriver}},
        {"puzzlepiece.extension", {"", puzzlePiece}},
        {"leaf.circle", {"", [](QPainter& p) { circled(p, leaf); }}},
        {"tag.circle", {"", [](QPainter& p) { circled(p, tag, 0.6); }}},
        {"eurosign.circle", {"", [](QPainter& p) { circled(p, euro, 0.62); }}},
        {"building.2", {"", [](QPainter& p) {
             p.drawPath(polyline({{4, 21}, {4, 3}, {13, 3}, {13, 21}}, 1.5));
             p.drawPath(polyline({{13, 9}, {20, 9}, {20, 21}}, 1.5));
             p.drawLine(QPointF(2.5, 21), QPointF(21.5, 21));
             dots(p, {7, 7}, 2, 4, {3, 3.5}, 0.9);
             dots(p, {16.5, 12.5}, 1, 3, {0, 3}, 0.9);
         }}},
        {"info.circle.fill", {"dialog-information", [](QPainter& p) {
             QPainterPath mark;
             line(mark, QPointF(12, 11), QPointF(12, 17));
             line(mark, QPointF(12, 7.4), QPointF(12, 7.45));
             cutDisc(p, mark);
         }}},
        {"arrow.trianglehead.clockwise", {"object-rotate-right", clockwiseArrow}},
        {"arrow.left.square", {"", [](QPainter& p) { arrowSquare(p, false); }}},
        {"arrow.right.square", {"", [](QPainter& p) { arrowSquare(p, true); }}},
        {"arrow.down.doc", {"document-save", [](QPainter& p) {
             p.drawPath(polyline({{14, 2.5}, {5.5, 2.5}, {5.5, 21.5}, {18.5, 21.5}, {18.5, 7}, {14, 2.5}}, 1.2));
             p.drawPath(polyline({{14, 2.5}, {14, 7}, {18.5, 7}}));
             p.drawLine(QPointF(12, 9.5), QPointF(12, 18));
             p.drawPath(polyline({{8.8, 14.8}, {12, 18}, {15.2, 14.8}}));
         }}},
        {"tablecells", {"x-office-spreadsheet", [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.5, 4, 19, 16), 2, 2);
             p.drawLine(QPointF(2.5, 9.5), QPointF(21.5, 9.5));
             p.drawLine(QPointF(2.5, 14.8), QPointF(21.5, 14.8));
             p.drawLine(QPointF(8.8, 4), QPointF(8.8, 20));
             p.drawLine(QPointF(15.2, 4), QPointF(15.2, 20));
         }}},
        {"printer", {"document-print", [](QPainter& p) {
             p.drawPath(polyline({{7, 8.5}, {7, 2.5}, {17, 2.5}, {17, 8.5}}));
             p.drawPath(polyline({{7, 17}, {3, 17}, {3, 8.5}, {21, 8.5}, {21, 17}, {17, 17}}, 1.5));
             p.drawRect(QRectF(7, 13.5, 10, 8));
             filled(p, [](QPainter& q) { q.drawEllipse(QPointF(17.5, 11.5), 0.8, 0.8); });
         }}},
        {"scalemass", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 5.5), 2.5, 2.5);
             p.drawPolygon(QPolygonF({QPointF(6.5, 8.5), QPointF(17.5, 8.5), QPointF(21, 20.5), QPointF(3, 20.5)}));
         }}},
        {"paperclip", {"mail-attachment", [](QPainter& p) {
             p.drawPath(polyline({{15.5, 8}, {15.5, 17}, {8.5, 17}, {8.5, 5}, {18.5, 5}, {18.5, 20}, {5.5, 20}, {5.5, 9}}, 3));
         }}},
        {"checkmark.seal.fill", {"", [](QPainter& p) {
             cutDisc(p, polyline({{7.5, 12.5}, {10.8, 15.8}, {16.8, 8.8}}));
         }}},
        {"exclamationmark.circle", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
             exclamation(p, 6.5, 13.5);
         }}},
        {"xmark.circle", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
             p.drawLine(QPointF(8.5, 8.5), QPointF(15.5, 15.5));
             p.drawLine(QPointF(15.5, 8.5), QPointF(8.5, 15.5));
         }}},
        {"questionmark.circle", {"help-contextual", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
             QPainterPath q;
             q.moveTo(9, 9.5);
             q.cubicTo(9, 6, 15, 6, 15, 9.5);
             q.cubicTo(15, 11.5, 12, 11.5, 12, 14);
             p.drawPath(q);
             p.drawPoint(QPointF(12, 17.5));
         }}},
        {"photo", {"image-x-generic", [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.5, 4.5, 19, 15), 2, 2);
             p.drawPath(polyline({{2.5, 17}, {9, 11}, {14, 16}, {16.5, 13.5}, {21.5, 18}}));
             p.drawEllipse(QPointF(16, 9), 1.5, 1.5);
         }}},
        {"doc", {"text-x-generic", [](QPainter& p) {
             p.drawPath(polyline({{14, 2.5}, {5, 2.5}, {5, 21.5}, {19, 21.5}, {19, 7.5}, {14, 2.5}, {14, 7.5}, {19, 7.5}}));
         }}},
        {"folder", {"folder", [](QPainter& p) {
             p.drawPath(polyline({{2.5, 19.5}, {2.5, 4.5}, {9, 4.5}, {11, 7}, {21.5, 7}, {21.5, 19.5}, {2.5, 19.5}}));
         }}},
        {"rectangle.and.hand.point.up.left", {"", [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.5, 3.5, 19, 13), 2, 2);
             p.drawPath(polyline({{13, 21}, {13, 10}, {15, 10}, {15, 15}, {19, 15.5}, {19, 21}}));
         }}},
    };
    return t;
}

// Paints a symbol at any size, in the palette's text colour (dimmed when disabled, light on a
// selected row).
class SymbolEngine : public QIconEngine {
public:
    SymbolEngine(QString name, QColor ink) : m_name(std::move(name)), m_ink(ink) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette pal = QGuiApplication::palette();
        QColor ink = m_ink.isValid() ? m_ink : pal.color(QPalette::WindowText);
        if (mode == QIcon::Selected && !m_ink.isValid())
            ink = pal.color(QPalette::HighlightedText);
        else if (mode == QIcon::Disabled)
            ink = pal.color(QPalette::Disabled, QPalette::WindowText);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const qreal side = qMin(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
        painter->scale(side / 24.0, side / 24.0);
        painter->setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        const auto it = table().constFind(m_name);
        if (it != table().constEnd() && it->draw) {
            it->draw(*painter);
        } else {
            // Unknown symbol: its initial in a circle.
            painter->drawEllipse(QPointF(12, 12), 10, 10);
            QFont f = painter->font();
            f.setPixelSize(12);
            f.setBold(true);
            painter->setFont(f);
            painter->drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter,
                              m_name.isEmpty() ? QStringLiteral("?") : m_name.left(1).toUpper());
        }
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine* clone() const override { return new SymbolEngine(m_name, m_ink); }
    QString key() const override { return QStringLiteral("kestrovan-symbol"); }

private:
    QString m_name;
    QColor m_ink;
};

} // namespace

QString themeIconName(const QString& symbolName)
{
    const auto it = table().constFind(symbolName);
    return it == table().constEnd() ? QString() : QString::fromLatin1(it->theme);
}

bool hasPaintedSymbol(const QString& symbolName)
{
    return table().contains(symbolName);
}

QIcon paintedSymbolIcon(const QString& symbolName, const QColor& ink)
{
    return QIcon(new SymbolEngine(symbolName, ink));
}

QIcon symbolIcon(const QString& symbolName)
{
    const QString theme = themeIconName(symbolName);
    if (!theme.isEmpty() && QIcon::hasThemeIcon(theme))
        return QIcon::fromTheme(theme);
    return paintedSymbolIcon(symbolName);
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int side : {16, 32, 64, 128, 256}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(side / 64.0, side / 64.0);
        QLinearGradient sky(0, 0, 0, 64);
        sky.setColorAt(0, QColor(0x3b, 0x82, 0xd6));
        sky.setColorAt(1, QColor(0x1d, 0x4e, 0x89));
        p.setPen(Qt::NoPen);
        p.setBrush(sky);
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 13, 13);
        // A skip: trapezoid body with two lifting lugs.
        QPainterPath skip;
        skip.moveTo(10, 24);
        skip.lineTo(54, 24);
        skip.lineTo(47, 46);
        skip.lineTo(17, 46);
        skip.closeSubpath();
        p.setBrush(QColor(0xf5, 0xb0, 0x2e));
        p.drawPath(skip);
        p.setBrush(QColor(0xd8, 0x8f, 0x10));
        p.drawRect(QRectF(10, 24, 44, 4));
        p.setPen(QPen(QColor(0x33, 0x33, 0x33), 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(16, 33), 2.5, 2.5);
        p.drawEllipse(QPointF(48, 33), 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x22, 0x22, 0x22));
        p.drawEllipse(QPointF(22, 49), 3.5, 3.5);
        p.drawEllipse(QPointF(42, 49), 3.5, 3.5);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace kv
