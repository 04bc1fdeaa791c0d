#include "icons.h"

#include "colors.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QtMath>

#include <functional>

namespace kv {

namespace {

using Glyph = std::function<void(QPainter&)>;

struct Symbol {
    const char* theme; // freedesktop icon name (Breeze has them all), or "" when none fits
    Glyph draw;        // only where no theme icon fits: in a 24 × 24 box, pen and brush set by the caller
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

void leaf(QPainter& p)
{
    QPainterPath shape;
    shape.moveTo(4.5, 19.5);
    shape.cubicTo(3, 9, 10, 4, 20, 4);
    shape.cubicTo(20.5, 14, 15, 20.5, 4.5, 19.5);
    p.drawPath(shape);
    p.drawLine(QPointF(4.5, 19.5), QPointF(14, 10));
}

void euro(QPainter& p)
{
    p.drawArc(QRectF(6.5, 3.5, 17, 17), 45 * 16, 270 * 16);
    p.drawLine(QPointF(3, 10), QPointF(14, 10));
    p.drawLine(QPointF(3, 14), QPointF(14, 14));
}

// The symbol table: each symbol of the screens and the theme icon that stands for it. A symbol
// is painted here only when no icon of a maintained theme fits it.
const QHash<QString, Symbol>& table()
{
    static const QHash<QString, Symbol> t = {
        {"calendar", {"view-calendar", {}}},
        {"calendar.circle", {"view-calendar-day", {}}},
        {"scalemass.fill", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 5.5), 2.5, 2.5);
             filled(p, [](QPainter& q) {
                 q.drawPolygon(QPolygonF({QPointF(6.5, 8.5), QPointF(17.5, 8.5), QPointF(21, 20.5), QPointF(3, 20.5)}));
             });
         }}},
        {"creditcard", {"view-financial-account-credit-card", {}}},
        {"list.clipboard", {"view-pim-tasks", {}}},
        {"truck.box.badge.clock", {"", [](QPainter& p) { truck(p, true); }}},
        {"truck.box", {"", [](QPainter& p) { truck(p, false); }}},
        {"mappin.and.ellipse", {"mark-location", {}}},
        {"cellularbars", {"office-chart-bar", {}}},
        {"cube.box", {"draw-cuboid", {}}},
        {"shippingbox", {"draw-cuboid", {}}},
        {"shippingbox.fill", {"draw-cuboid", {}}},
        {"person", {"user", {}}},
        {"person.2", {"system-users", {}}},
        {"person.crop.square", {"user-identity", {}}},
        {"person.text.rectangle", {"user-properties", {}}},
        {"person.crop.rectangle.stack", {"user-others", {}}},
        {"person.2.crop.square.stack", {"view-pim-contacts", {}}},
        {"arrow.up.trash", {"trash-empty", {}}},
        {"trash", {"edit-delete", {}}},
        {"arrow.trianglehead.2.clockwise", {"view-refresh", {}}},
        {"arrow.triangle.2.circlepath", {"view-refresh", {}}},
        {"gear", {"configure", {}}},
        {"gearshape", {"settings-configure", {}}},
        {"command", {"help-keybord-shortcuts", {}}},
        {"plus", {"list-add", {}}},
        {"plus.circle.fill", {"contact-new", {}}},
        {"xmark.circle.fill", {"edit-clear", {}}},
        {"checkmark.circle.fill", {"dialog-ok-apply", {}}},
        {"doc.on.doc", {"edit-copy", {}}},
        {"doc.text.magnifyingglass", {"document-preview", {}}},
        {"note.text", {"view-pim-notes", {}}},
        {"envelope", {"mail-message", {}}},
        {"phone", {"call-start", {}}},
        {"eye", {"view-visible", {}}},
        {"exclamationmark.triangle", {"dialog-warning", {}}},
        {"exclamationmark.shield", {"security-medium", {}}},
        {"wrench.and.screwdriver", {"tools", {}}},
        {"puzzlepiece.extension", {"preferences-plugin", {}}},
        {"leaf.circle", {"", [](QPainter& p) { circled(p, leaf); }}},
        {"tag.circle", {"tag", {}}},
        {"eurosign.circle", {"", [](QPainter& p) { circled(p, euro, 0.62); }}},
        // Planning grid.
        {"info.circle.fill", {"dialog-information", {}}},
        // Painted: the theme's rotation icon is a solid blob at the 14 points of a bar's button.
        {"arrow.trianglehead.clockwise", {"", [](QPainter& p) {
             QPen pen = p.pen();
             pen.setWidthF(2.6);
             p.setPen(pen);
             // An open ring, its gap at the top right, turning clockwise into an arrowhead.
             const QRectF cercle(4.5, 4.5, 15, 15);
             QPainterPath arc;
             arc.arcMoveTo(cercle, 35);
             arc.arcTo(cercle, 35, -280);
             p.drawPath(arc);
             const qreal a = qDegreesToRadians(115.0);
             const QPointF bout(12 + 7.5 * std::cos(a), 12 - 7.5 * std::sin(a));
             const QPointF sens(std::sin(a), std::cos(a)); // clockwise along the ring
             const QPointF cote(sens.y(), -sens.x());
             QPainterPath tete;
             tete.moveTo(bout + 5.0 * sens);
             tete.lineTo(bout - 1.0 * sens + 4.2 * cote);
             tete.lineTo(bout - 1.0 * sens - 4.2 * cote);
             tete.closeSubpath();
             fillCut(p, tete);
         }}},
        {"arrow.left.square", {"go-previous", {}}},
        {"arrow.right.square", {"go-next", {}}},
        // Reports and billing.
        {"arrow.down.doc", {"document-save", {}}},
        {"tablecells", {"x-office-spreadsheet", {}}},
        {"printer", {"document-print", {}}},
        // Statistics.
        {"map", {"map-flat", {}}},
        {"chart.bar.fill", {"office-chart-bar", {}}},
        {"chart.pie.fill", {"office-chart-pie", {}}},
        {"rectangle.3.offgrid.fill", {"view-grid", {}}},
        {"person.crop.circle.badge.exclamationmark", {"im-user-away", {}}},
        {"flame.fill", {"temperature-warm", {}}},
        {"drop.fill", {"raindrop", {}}},
        // New rental.
        {"exclamationmark.triangle.fill", {"data-warning", {}}},
        {"hand.point.left", {"hand", {}}},
        {"location.magnifyingglass", {"find-location", {}}},
        // Drivers' planning.
        {"tray.and.arrow.down", {"document-import", {}}},
        {"tray.and.arrow.up.fill", {"mail-send", {}}},
        {"building.2", {"", [](QPainter& p) {
             p.drawPath(polyline({{4, 21}, {4, 3}, {13, 3}, {13, 21}}, 1.5));
             p.drawPath(polyline({{13, 9}, {20, 9}, {20, 21}}, 1.5));
             p.drawLine(QPointF(2.5, 21), QPointF(21.5, 21));
             dots(p, {7, 7}, 2, 4, {3, 3.5}, 0.9);
             dots(p, {16.5, 12.5}, 1, 3, {0, 3}, 0.9);
         }}},
        // Weighbridge tickets.
        {"scalemass", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 5.5), 2.5, 2.5);
             p.drawPolygon(QPolygonF({QPointF(6.5, 8.5), QPointF(17.5, 8.5), QPointF(21, 20.5), QPointF(3, 20.5)}));
         }}},
        {"paperclip", {"mail-attachment", {}}},
        {"checkmark.seal.fill", {"dialog-ok-apply", {}}},
        {"exclamationmark.circle", {"data-warning", {}}},
        {"xmark.circle", {"dialog-cancel", {}}},
        {"questionmark.circle", {"help-contextual", {}}},
        {"photo", {"image-x-generic", {}}},
        {"doc", {"text-x-generic", {}}},
        {"folder", {"folder", {}}},
        {"rectangle.and.hand.point.up.left", {"tool-pointer", {}}},
        // Drivers.
        {"person.crop.circle", {"user-identity", {}}},
        {"checkmark.seal", {"security-high", {}}},
        {"graduationcap", {"applications-education", {}}},
        {"puzzlepiece", {"preferences-plugin", {}}},
        {"steeringwheel", {"", [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 10, 10);
             p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
             p.drawLine(QPointF(2.5, 11), QPointF(9.5, 12));
             p.drawLine(QPointF(21.5, 11), QPointF(14.5, 12));
             p.drawLine(QPointF(12, 14.5), QPointF(12, 22));
         }}},
    };
    return t;
}

const char* const kFallbackTheme = "breeze";

// Where icon themes are installed: Qt's paths (the desktop's platform theme fills them) and the
// freedesktop places, which some platforms leave out.
QStringList iconThemePaths()
{
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList data = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString& dir : data)
        if (!paths.contains(dir + QStringLiteral("/icons")))
            paths.append(dir + QStringLiteral("/icons"));
    return paths;
}

// One drawing of a theme icon: its file and the size it was drawn for.
struct ThemeFile {
    QString path;
    int size = 0;
};

// The files of a theme icon, in the desktop's theme or else in Breeze. Found once per name.
const QList<ThemeFile>& themeFiles(const QString& name)
{
    static QHash<QString, QList<ThemeFile>> cache;
    const auto it = cache.constFind(name);
    if (it != cache.constEnd())
        return *it;
    static const char* const contexts[] = {"actions", "status", "places", "devices", "apps", "categories",
                                           "mimetypes", "emblems", "preferences"};
    static const int sizes[] = {16, 22, 24, 32, 48, 64};
    QStringList themes;
    for (const QString& t : {QIcon::themeName(), QIcon::fallbackThemeName(), QString::fromLatin1(kFallbackTheme)})
        if (!t.isEmpty() && t != QLatin1String("hicolor") && !themes.contains(t))
            themes.append(t);
    QList<ThemeFile> found;
    for (const QString& theme : themes) {
        for (const QString& base : iconThemePaths()) {
            const QDir dir(base + QLatin1Char('/') + theme);
            if (!dir.exists())
                continue;
            for (const char* context : contexts)
                for (int size : sizes) {
                    const QString path = dir.filePath(QStringLiteral("%1/%2/%3.svg").arg(QLatin1String(context)).arg(size).arg(name));
                    if (QFile::exists(path))
                        found.append({path, size});
                }
        }
        if (!found.isEmpty())
            break;
    }
    // Themes draw an icon in two families: small drawings in the text colour, larger ones in full
    // colour. Symbols keep the first family at every size (a larger screen scale only enlarges
    // them); an icon drawn only in colour keeps its colours.
    QList<ThemeFile> monochrome;
    for (const ThemeFile& f : std::as_const(found)) {
        QFile file(f.path);
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains("ColorScheme-Text"))
            monochrome.append(f);
    }
    if (!monochrome.isEmpty())
        found = monochrome;
    std::sort(found.begin(), found.end(), [](const ThemeFile& a, const ThemeFile& b) { return a.size < b.size; });
    return *cache.insert(name, found);
}

// The drawing made for the size nearest below `side` (the smallest when all are larger): a
// larger drawing shrunk thins its one-pixel strokes to a blur that no longer stands out from its
// background.
ThemeFile themeFileFor(const QString& name, int side)
{
    const QList<ThemeFile>& files = themeFiles(name);
    ThemeFile chosen = files.isEmpty() ? ThemeFile{} : files.first();
    for (const ThemeFile& f : files)
        if (f.size <= side)
            chosen = f;
    return chosen;
}

// The ink of a symbol: the palette's text colour, or the selection's text colour on a selected
// row, dimmed when disabled.
QColor inkFor(const QColor& fixed, QIcon::Mode mode)
{
    const QPalette pal = QGuiApplication::palette();
    if (mode == QIcon::Disabled)
        return pal.color(QPalette::Disabled, QPalette::WindowText);
    if (fixed.isValid())
        return fixed;
    if (mode == QIcon::Selected)
        return pal.color(QPalette::HighlightedText);
    return pal.color(QPalette::WindowText);
}

// A mark reads at 3:1; drawn on a button's or a toolbar's face, shaded a little from the colour
// it is measured against, it is given some more.
constexpr double kMarkOnFaces = 3.6;

// The surface a symbol is drawn on: the window's colour, the selection's on a selected row.
QColor backdropFor(QIcon::Mode mode)
{
    const QPalette pal = QGuiApplication::palette();
    return pal.color(mode == QIcon::Selected ? QPalette::Highlight : QPalette::Window);
}

// Draws a theme icon with its text-coloured parts in `ink`, so that it follows the palette (a
// dark palette, a selected row) as the desktop's own icons do. Coloured parts (a red trash can,
// a yellow warning sign) keep their hue, taken just far enough towards black or white to read
// as marks (3:1) on `backdrop`.
QImage renderThemeIcon(const QString& path, const QSize& size, const QColor& ink, bool monochrome,
                       const QColor& backdrop)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString svg = QString::fromUtf8(file.readAll());
    // Given one ink, every part of the scheme takes it (a white trash can on a red button).
    static const QRegularExpression textColour(
        QStringLiteral("(\\.ColorScheme-Text\\s*\\{\\s*color\\s*:\\s*)#[0-9a-fA-F]{3,8}"));
    static const QRegularExpression anyColour(
        QStringLiteral("(\\.ColorScheme-[A-Za-z]+\\s*\\{\\s*color\\s*:\\s*)#[0-9a-fA-F]{3,8}"));
    svg.replace(monochrome ? anyColour : textColour, QStringLiteral("\\1") + ink.name(QColor::HexRgb));
    if (!monochrome && backdrop.isValid()) {
        // On a window, or on a button's face as the styles shade it (a default button's a little
        // towards the selection colour).
        const QPalette pal = QGuiApplication::palette();
        const QColor button = pal.color(QPalette::Button);
        const QColor highlight = pal.color(QPalette::Highlight);
        const QColor merged = QColor::fromRgbF(button.redF() * 0.7f + highlight.redF() * 0.3f,
                                               button.greenF() * 0.7f + highlight.greenF() * 0.3f,
                                               button.blueF() * 0.7f + highlight.blueF() * 0.3f);
        const QList<QColor> faces = backdrop == highlight ? QList<QColor>{backdrop}
                                                          : QList<QColor>{backdrop, button, button.lighter(115), merged};
        // The scheme's other colours, and the colours a drawing gives its shapes itself (a
        // spreadsheet's light green grid).
        static const QRegularExpression otherColour(
            QStringLiteral("(\\.ColorScheme-(?!Text\\b)[A-Za-z]+\\s*\\{\\s*color\\s*:\\s*)(#[0-9a-fA-F]{3,8})"));
        static const QRegularExpression ownColour(QStringLiteral("((?:fill|stroke)\\s*(?:=\\s*\"|:)\\s*)(#[0-9a-fA-F]{3,8})"));
        for (const QRegularExpression* colour : {&otherColour, &ownColour}) {
            QString readable;
            qsizetype from = 0;
            for (auto it = colour->globalMatch(svg); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                readable += svg.mid(from, m.capturedStart(2) - from);
                readable += inkOnAll(QColor(m.captured(2)), faces, kMarkOnFaces).name(QColor::HexRgb);
                from = m.capturedEnd(2);
            }
            svg = readable + svg.mid(from);
        }
    }
    QSvgRenderer renderer(svg.toUtf8());
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    if (!renderer.isValid())
        return img;
    QPainter p(&img);
    p.setOpacity(ink.alphaF());
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    return img;
}

// Draws a painted pictogram.
void paintGlyph(QPainter* painter, const QRect& rect, const QString& name, const QColor& ink)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(rect.width(), rect.height());
    painter->translate(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2);
    painter->scale(side / 24.0, side / 24.0);
    painter->setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    const auto it = table().constFind(name);
    if (it != table().constEnd() && it->draw) {
        it->draw(*painter);
    } else {
        // Unknown symbol: its initial in a circle.
        painter->drawEllipse(QPointF(12, 12), 10, 10);
        QFont f = painter->font();
        f.setPixelSize(12);
        f.setBold(true);
        painter->setFont(f);
        painter->drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, name.isEmpty() ? QStringLiteral("?") : name.left(1).toUpper());
    }
    painter->restore();
}

// A symbol at any size: the theme's icon recoloured to the ink, else the painted pictogram.
class SymbolEngine : public QIconEngine {
public:
    SymbolEngine(QString name, QColor ink, bool useTheme)
        : m_name(std::move(name)), m_ink(ink), m_useTheme(useTheme)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = scaledPixmap(rect.size() * dpr, mode, state, dpr);
        pm.setDevicePixelRatio(dpr);
        painter->drawPixmap(rect.topLeft(), pm);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // `size` in device pixels. The theme's drawing is the one made for the size in points, or
    // the one nearest below it, drawn at its own size times the screen's scale and centred: a
    // 16-point symbol at 1.5 is the 16-pixel drawing enlarged (its strokes 1.5 pixels wide), a
    // 24-point one the 22-pixel drawing, its strokes on whole pixels; never a larger drawing
    // shrunk or a drawing stretched by a fraction, whose one-pixel strokes would fade to a blur
    // of their background.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const QColor ink = inkFor(m_ink, mode);
        const qreal dpr = scale > 0 ? scale : 1.0;
        const int points = qRound(qMin(size.width(), size.height()) / dpr);
        const ThemeFile drawing = m_useTheme ? themeFileFor(themeIconName(m_name), points) : ThemeFile{};
        const QString& path = drawing.path;
        const QColor backdrop = backdropFor(mode);
        const QString key = QStringLiteral("kv-symbol:%1:%2x%3:%4:%5:%6")
                                .arg(m_name).arg(size.width()).arg(size.height())
                                .arg(ink.name(QColor::HexArgb), path, backdrop.name());
        QPixmap pm;
        if (QPixmapCache::find(key, &pm))
            return pm;
        if (!path.isEmpty()) {
            int side = qMin(size.width(), size.height());
            if (drawing.size <= points)
                side = qMin(side, qRound(drawing.size * dpr));
            QImage img(size, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            QPainter p(&img);
            p.drawImage(QPoint((size.width() - side) / 2, (size.height() - side) / 2),
                        renderThemeIcon(path, QSize(side, side), ink, m_ink.isValid(), backdrop));
            p.end();
            pm = QPixmap::fromImage(img);
        } else {
            pm = QPixmap(size);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            paintGlyph(&p, QRect(QPoint(0, 0), size), m_name, ink);
        }
        QPixmapCache::insert(key, pm);
        return pm;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SymbolEngine(m_name, m_ink, m_useTheme); }
    QString key() const override { return QStringLiteral("kestrovan-symbol"); }

private:
    QString m_name;
    QColor m_ink;
    bool m_useTheme;
};

} // namespace

void useIconTheme()
{
    QIcon::setThemeSearchPaths(iconThemePaths());
    QIcon::setFallbackThemeName(QString::fromLatin1(kFallbackTheme));
}

QString themeIconName(const QString& symbolName)
{
    const auto it = table().constFind(symbolName);
    return it == table().constEnd() ? QString() : QString::fromLatin1(it->theme);
}

bool hasPaintedSymbol(const QString& symbolName)
{
    const auto it = table().constFind(symbolName);
    return it != table().constEnd() && bool(it->draw);
}

bool hasThemeSymbol(const QString& symbolName)
{
    const QString theme = themeIconName(symbolName);
    return !theme.isEmpty() && !themeFiles(theme).isEmpty();
}

QIcon paintedSymbolIcon(const QString& symbolName, const QColor& ink)
{
    return QIcon(new SymbolEngine(symbolName, ink, true));
}

QIcon symbolIcon(const QString& symbolName)
{
    return QIcon(new SymbolEngine(symbolName, QColor(), true));
}

QIcon applicationIcon()
{
    // The same drawing as the one installed for the desktop's menus.
    return QIcon(QStringLiteral(":/kestrovan/TAV.Kestrovan.svg"));
}

} // namespace kv
