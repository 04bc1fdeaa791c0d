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

struct Symbol {
    const char* theme; // freedesktop icon name, or "" when none fits
    std::function<void(QPainter&)> draw; // in a 24 × 24 box, pen and brush set by the caller
};

void calendar(QPainter& p)
{
    p.drawRoundedRect(QRectF(3, 4.5, 18, 16), 2.5, 2.5);
    p.drawLine(QPointF(3, 9), QPointF(21, 9));
    p.drawLine(QPointF(8, 2.5), QPointF(8, 6));
    p.drawLine(QPointF(16, 2.5), QPointF(16, 6));
    p.save();
    p.setPen(Qt::NoPen);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 4; ++c)
            p.drawEllipse(QPointF(6.5 + c * 3.7, 12.5 + r * 4), 1.0, 1.0);
    p.restore();
}

void gear(QPainter& p)
{
    QPainterPath path;
    const int teeth = 8;
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
    path.closeSubpath();
    path.addEllipse(QPointF(12, 12), 3, 3);
    p.drawPath(path);
}

void truck(QPainter& p, bool badge)
{
    p.drawRect(QRectF(2, 6, 12, 10));
    QPainterPath cab;
    cab.moveTo(14, 9);
    cab.lineTo(18.5, 9);
    cab.lineTo(21.5, 12.5);
    cab.lineTo(21.5, 16);
    cab.lineTo(14, 16);
    p.drawPath(cab);
    p.drawEllipse(QPointF(6.5, 18), 2, 2);
    p.drawEllipse(QPointF(17.5, 18), 2, 2);
    if (badge) {
        p.save();
        p.setBrush(p.pen().color());
        p.drawEllipse(QPointF(18, 5.5), 4.5, 4.5);
        QPen white(qGray(p.pen().color().rgb()) > 128 ? Qt::black : Qt::white, 1.2);
        p.setPen(white);
        p.drawLine(QPointF(18, 5.5), QPointF(18, 3));
        p.drawLine(QPointF(18, 5.5), QPointF(20, 6.5));
        p.restore();
    }
}

void circularArrows(QPainter& p)
{
    p.drawArc(QRectF(4, 4, 16, 16), 30 * 16, 150 * 16);
    p.drawArc(QRectF(4, 4, 16, 16), 210 * 16, 150 * 16);
    p.save();
    p.setBrush(p.pen().color());
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

const QHash<QString, Symbol>& table()
{
    static const QHash<QString, Symbol> t = {
        {"calendar", {"x-office-calendar", calendar}},
        {"calendar.circle", {"x-office-calendar", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 10, 10);
             p.save();
             p.translate(12, 12.5);
             p.scale(0.55, 0.55);
             p.translate(-12, -12);
             calendar(p);
             p.restore();
         }}},
        {"scalemass.fill", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 5.5), 2.5, 2.5);
             QPainterPath w;
             w.moveTo(6.5, 8.5);
             w.lineTo(17.5, 8.5);
             w.lineTo(21, 20.5);
             w.lineTo(3, 20.5);
             w.closeSubpath();
             p.save();
             p.setBrush(p.pen().color());
             p.drawPath(w);
             p.restore();
         }}},
        {"creditcard", {"", [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.5, 5, 19, 14), 2, 2);
             p.save();
             p.setBrush(p.pen().color());
             p.drawRect(QRectF(2.5, 8.5, 19, 2.5));
             p.restore();
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
        {"mappin.and.ellipse", {"", [](QPainter& p) {
             p.drawEllipse(QRectF(3, 16, 18, 6));
             p.drawEllipse(QPointF(12, 7), 4.5, 4.5);
             p.drawLine(QPointF(12, 11.5), QPointF(12, 19));
         }}},
        {"cellularbars", {"", [](QPainter& p) {
             p.save();
             p.setBrush(p.pen().color());
             for (int i = 0; i < 4; ++i)
                 p.drawRoundedRect(QRectF(3 + i * 5, 17 - i * 4, 3, 4 + i * 4), 1, 1);
             p.restore();
         }}},
        {"cube.box", {"package-x-generic", [](QPainter& p) {
             QPolygonF top;
             top << QPointF(12, 2.5) << QPointF(21, 7) << QPointF(12, 11.5) << QPointF(3, 7);
             p.drawPolygon(top);
             p.drawLine(QPointF(3, 7), QPointF(3, 17));
             p.drawLine(QPointF(21, 7), QPointF(21, 17));
             p.drawLine(QPointF(12, 11.5), QPointF(12, 21.5));
             p.drawLine(QPointF(3, 17), QPointF(12, 21.5));
             p.drawLine(QPointF(21, 17), QPointF(12, 21.5));
         }}},
        {"person", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 8), 4, 4);
             QPainterPath body;
             body.moveTo(4, 21);
             body.cubicTo(4, 14, 20, 14, 20, 21);
             p.drawPath(body);
         }}},
        {"arrow.up.trash", {"user-trash", [](QPainter& p) {
             p.drawLine(QPointF(3.5, 6), QPointF(20.5, 6));
             p.drawLine(QPointF(9.5, 6), QPointF(10, 3.5));
             p.drawLine(QPointF(14.5, 6), QPointF(14, 3.5));
             p.drawLine(QPointF(10, 3.5), QPointF(14, 3.5));
             QPainterPath bin;
             bin.moveTo(5.5, 6);
             bin.lineTo(7, 21);
             bin.lineTo(17, 21);
             bin.lineTo(18.5, 6);
             p.drawPath(bin);
             p.drawLine(QPointF(12, 18), QPointF(12, 10));
             p.drawLine(QPointF(12, 10), QPointF(9.5, 12.5));
             p.drawLine(QPointF(12, 10), QPointF(14.5, 12.5));
         }}},
        {"arrow.trianglehead.2.clockwise", {"view-refresh", circularArrows}},
        {"arrow.triangle.2.circlepath", {"view-refresh", circularArrows}},
        {"gear", {"preferences-system", gear}},
        {"gearshape", {"preferences-system", gear}},
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
