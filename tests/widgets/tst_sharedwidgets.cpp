#include "tests.h"

#include "widgets/benneoscillanteview.h"
#include "widgets/accessiblenames.h"
#include "widgets/colors.h"
#include "widgets/dialogconventions.h"
#include "widgets/elidedlabel.h"
#include "widgets/elidedlineslabel.h"
#include "widgets/foldingrow.h"
#include "widgets/icons.h"
#include "widgets/macsectionheader.h"
#include "widgets/papier.h"
#include "widgets/pastillejour.h"
#include "widgets/pickersegmentedcustom.h"
#include "widgets/plaintext.h"
#include "widgets/syncnsscrollview.h"

#include <QAccessible>
#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

using namespace kv;

namespace {

// A tall and wide content of fixed size.
QWidget* bigContent()
{
    auto* w = new QWidget;
    w->setFixedSize(2000, 3000);
    return w;
}

// Saves what a widget looks like when KV_SCREENSHOT_DIR names a folder.
void saveShot(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("KV_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(dir + "/" + name + ".png"));
}

} // namespace

void SharedWidgetsTest::mapFilterLabelsAndColours()
{
    const QList<CarteBennesFiltre> all = tousLesFiltres();
    QCOMPARE(all.size(), 6);
    QStringList labels;
    for (CarteBennesFiltre f : all)
        labels << rawValue(f);
    QCOMPARE(labels, (QStringList{"Bennes posées", "Bennes posées + poses prévues", "Rotations d'aujourd'hui",
                                  "Poses d'aujourd'hui", "Enlèvements d'aujourd'hui",
                                  "Bennes posées sur une période"}));
    for (CarteBennesFiltre f : all)
        QCOMPARE(filtreDepuisRawValue(rawValue(f)), std::optional<CarteBennesFiltre>(f));
    QCOMPARE(filtreDepuisRawValue("Bennes"), std::nullopt);
    QCOMPARE(couleur(CarteBennesFiltre::enCours), QColor::fromRgbF(0.6f, 1.0f, 0.2f));
    QCOMPARE(couleur(CarteBennesFiltre::enlevementsAujourdhui).green(), 136);
    QCOMPARE(couleur(CarteBennesFiltre::parPeriode), QColor(51, 255, 255));
}

void SharedWidgetsTest::pickerWritesEveryClick()
{
    Observable<CarteBennesFiltre> selection(CarteBennesFiltre::enCours);
    PickerSegmentedCustom picker(selection);
    picker.resize(1400, 60);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QSignalSpy written(&picker, &PickerSegmentedCustom::selectionWritten);
    QSignalSpy changed(selection.notifier(), &ValueNotifier::valueChanged);

    QList<FiltreSegment*> segments = picker.segments();
    QCOMPARE(segments.size(), 6);
    QTest::mouseClick(segments[2], Qt::LeftButton);
    QCOMPARE(selection.get(), CarteBennesFiltre::rotationsAujourdhui);
    QCOMPARE(changed.size(), 1);
    // Again on the selected segment: written again, still selected.
    QTest::mouseClick(segments[2], Qt::LeftButton);
    QCOMPARE(selection.get(), CarteBennesFiltre::rotationsAujourdhui);
    QCOMPARE(written.size(), 2);
    QCOMPARE(written.last().first().value<CarteBennesFiltre>(), CarteBennesFiltre::rotationsAujourdhui);
    int filled = 0;
    for (FiltreSegment* s : segments)
        filled += s->isFilled();
    QCOMPARE(filled, 1);
    QVERIFY(segments[2]->isFilled());
    // Keyboard: a focused segment is chosen with the space bar.
    segments[5]->setFocus();
    QTest::keyClick(segments[5], Qt::Key_Space);
    QCOMPARE(selection.get(), CarteBennesFiltre::parPeriode);
    for (FiltreSegment* s : segments)
        QVERIFY(s->height() >= 20 + 8 + 10);
    saveShot(&picker, "picker");
}

void SharedWidgetsTest::pickerFollowsTheBoundValue()
{
    Observable<CarteBennesFiltre> selection(CarteBennesFiltre::enCours);
    PickerSegmentedCustom picker(selection);
    QVERIFY(picker.segments()[0]->isFilled());
    selection.set(CarteBennesFiltre::posesAujourdhui);
    QVERIFY(!picker.segments()[0]->isFilled());
    QVERIFY(picker.segments()[3]->isFilled());
}

void SharedWidgetsTest::syncScrollWritesUserScrollsOnly()
{
    Observable<QPointF> offset;
    int builds = 0;
    SyncNSScrollView view(Qt::Horizontal | Qt::Vertical, offset, [&] { ++builds; return bigContent(); });
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy writes(offset.notifier(), &ValueNotifier::valueChanged);

    // The user scrolls: the position is written once per move.
    view.verticalScrollBar()->setValue(120);
    QCOMPARE(offset.get(), QPointF(0, 120));
    QCOMPARE(writes.size(), 1);

    // The caller moves the view: the view follows, nothing comes back.
    offset.set(QPointF(40, 300));
    QCOMPARE(writes.size(), 2); // the caller's own write
    QCOMPARE(view.currentOrigin(), QPointF(40, 300));
    QCOMPARE(offset.get(), QPointF(40, 300));

    // Setting the value it already has moves and writes nothing.
    offset.set(QPointF(40, 300));
    QCOMPARE(writes.size(), 2);

    // An update rebuilds the content even when the offset is unchanged, and keeps the position.
    const int before = builds;
    view.updateView();
    QCOMPARE(builds, before + 1);
    QCOMPARE(view.currentOrigin(), QPointF(40, 300));
    QCOMPARE(writes.size(), 2);

    // (0, 0) is the top-left corner of the content.
    offset.set(QPointF(0, 0));
    QCOMPARE(view.widget()->mapTo(&view, QPoint(0, 0)), view.viewport()->pos());
}

void SharedWidgetsTest::twoSyncScrollViewsScrollTogether()
{
    Observable<QPointF> offset;
    SyncNSScrollView a(Qt::Vertical, offset, bigContent);
    SyncNSScrollView b(Qt::Vertical, offset, bigContent);
    a.resize(300, 200);
    b.resize(300, 200);
    a.show();
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    a.verticalScrollBar()->setValue(500);
    QCOMPARE(b.currentOrigin(), QPointF(0, 500));
    b.verticalScrollBar()->setValue(42);
    QCOMPARE(a.currentOrigin(), QPointF(0, 42));
    QCOMPARE(offset.get(), QPointF(0, 42));
}

void SharedWidgetsTest::syncScrollAxes()
{
    Observable<QPointF> offset;
    SyncNSScrollView vertical(Qt::Vertical, offset, bigContent);
    QCOMPARE(vertical.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(vertical.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    Observable<QPointF> other;
    SyncNSScrollView none({}, other, bigContent);
    none.resize(300, 200);
    none.show();
    QVERIFY(QTest::qWaitForWindowExposed(&none));
    QCOMPARE(none.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(none.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    // Without bars the bound offset still moves the content.
    other.set(QPointF(10, 20));
    QCOMPARE(none.currentOrigin(), QPointF(10, 20));
}

void SharedWidgetsTest::syncScrollStartsAtTheBoundOffset()
{
    // A view made for an offset that already has a value shows that place, and writes nothing.
    Observable<QPointF> offset(QPointF(30, 400));
    QSignalSpy writes(offset.notifier(), &ValueNotifier::valueChanged);
    QWidget holder;
    auto* layout = new QVBoxLayout(&holder);
    auto* view = new SyncNSScrollView(Qt::Horizontal | Qt::Vertical, offset, bigContent);
    layout->addWidget(view);
    holder.resize(300, 200);
    holder.show();
    QVERIFY(QTest::qWaitForWindowExposed(&holder));
    QCOMPARE(view->currentOrigin(), QPointF(30, 400));
    QCOMPARE(offset.get(), QPointF(30, 400));
    QCOMPARE(writes.size(), 0);

    // A second view on the same offset joins it at the same place, also along the axis it has
    // no scroll bar for.
    SyncNSScrollView second(Qt::Vertical, offset, bigContent);
    second.resize(300, 200);
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    QCOMPARE(second.currentOrigin(), QPointF(30, 400));
    QCOMPARE(writes.size(), 0);
}

void SharedWidgetsTest::dayPillRunsItsActionOnEveryClick()
{
    int runs = 0;
    PastilleJour pill(true, "Lundi", "12/05", [&] { ++runs; });
    pill.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pill));
    QTest::mouseClick(&pill, Qt::LeftButton, {}, pill.tileRect().center().toPoint());
    QTest::mouseClick(&pill, Qt::LeftButton, {}, pill.tileRect().center().toPoint());
    QCOMPARE(runs, 2);
    QCOMPARE(pill.scale(), 1.05);
    saveShot(&pill, "pill-selected");
    pill.setSelected(false);
    QCOMPARE(pill.scale(), 1.0);
    // Keyboard too.
    pill.setFocus();
    QTest::keyClick(&pill, Qt::Key_Space);
    QCOMPARE(runs, 3);
}

void SharedWidgetsTest::dayPillKeepsItsMinimumWidth()
{
    PastilleJour empty(false, "", "", {});
    QCOMPARE(empty.tileRect().width(), 60.0 + 24);
    QVERIFY(empty.tileRect().height() > 16);
    PastilleJour wide(false, "Un libellé de jour vraiment très long", "01/01", {});
    QVERIFY(wide.sizeHint().width() > empty.sizeHint().width());
}

void SharedWidgetsTest::dayPillTakesClicksOnItsTileOnly()
{
    int runs = 0;
    PastilleJour pill(false, "Mardi", "13/05", [&] { ++runs; });
    pill.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pill));
    const QRectF tile = pill.tileRect();
    QVERIFY(tile.left() > 4 && tile.top() > 4);
    // The room kept around the tile for its growth and shadow takes no click.
    QTest::mouseClick(&pill, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(&pill, Qt::LeftButton, {}, QPoint(int(tile.center().x()), pill.height() - 2));
    QCOMPARE(runs, 0);
    QTest::mouseClick(&pill, Qt::LeftButton, {}, (tile.topLeft() + QPointF(2, 2)).toPoint());
    QCOMPARE(runs, 1);
    // Selected, the tile is 5 % larger, and so is the area that takes clicks.
    pill.setSelected(true);
    const QPoint justOutside(int(std::floor(tile.right() + 0.0125 * tile.width())), int(tile.center().y()));
    QTest::mouseClick(&pill, Qt::LeftButton, {}, justOutside);
    QCOMPARE(runs, 2);
    pill.setSelected(false);
    QTest::mouseClick(&pill, Qt::LeftButton, {}, justOutside);
    QCOMPARE(runs, 2);
}

void SharedWidgetsTest::swingingTileStartsAndSettles()
{
    int taps = 0;
    BenneOscillanteView tile("Benne 10 m³", Qt::green, true, [&] { ++taps; });
    QCOMPARE(tile.angle(), 0.0);
    QCOMPARE(tile.echelleZoom(), 1.0);
    tile.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tile));
    QVERIFY(tile.isSwinging());
    QTRY_VERIFY(tile.angle() > -30 && tile.echelleZoom() > 1.0);
    saveShot(&tile, "tile-selected");
    QVERIFY(tile.angle() <= 30 && tile.echelleZoom() <= 1.1);

    tile.setSelected(false);
    QVERIFY(!tile.isSwinging());
    QTRY_COMPARE(tile.angle(), 0.0);
    QTRY_COMPARE(tile.echelleZoom(), 1.0);

    // Selecting a tile at rest jumps it to −30° first.
    tile.setSelected(true);
    QCOMPARE(tile.angle(), -30.0);
    QVERIFY(tile.isSwinging());

    QTest::mouseClick(&tile, Qt::LeftButton, {}, tile.tileRect().center().toPoint());
    QCOMPARE(taps, 1);

    // A tile not selected rests from the start.
    BenneOscillanteView resting("Benne 6 m³ — Dupont", QColor(255, 180, 80), false, {});
    resting.show();
    QVERIFY(QTest::qWaitForWindowExposed(&resting));
    saveShot(&resting, "tile-resting");
    QVERIFY(!resting.isSwinging());
    QCOMPARE(resting.angle(), 0.0);
}

// The endless swing runs only while it can be seen: not while its window is minimised, nor while
// it is hidden; it starts again when it shows. It repaints only where the tile is.
void SharedWidgetsTest::swingingTileRestsWhileUnseen()
{
    QWidget window;
    window.resize(400, 200);
    auto* tile = new BenneOscillanteView("Benne 10 m³", Qt::green, true, {}, &window);
    auto* neighbour = new QWidget(&window);
    neighbour->setGeometry(0, 120, 400, 80);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(tile->isSwinging());

    // While it swings, the widget beside it is not painted again.
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } paints, tilePaints;
    neighbour->installEventFilter(&paints);
    tile->installEventFilter(&tilePaints);
    QTRY_VERIFY(tilePaints.count >= 3);
    QCOMPARE(paints.count, 0);

    window.showMinimized();
    QVERIFY(!tile->isSwinging());
    window.showNormal();
    QVERIFY(tile->isSwinging());

    tile->hide();
    QVERIFY(!tile->isSwinging());
    tile->show();
    QVERIFY(tile->isSwinging());
    window.hide();
    QVERIFY(!tile->isSwinging());
}

void SharedWidgetsTest::swingingTileStaysTheSameSize()
{
    BenneOscillanteView shortText("A", Qt::blue, false, {});
    BenneOscillanteView longText(QString(400, QLatin1Char('x')), Qt::blue, false, {});
    QCOMPARE(shortText.size(), longText.size());
    QCOMPARE(longText.tileRect().size(), QSizeF(200, 50));

    // At rest the transform is the identity; tilted, the top edge shrinks or grows in perspective.
    const QRectF tile = shortText.tileRect();
    QVERIFY(BenneOscillanteView::transformFor(tile, 0, 1).isIdentity());
    const QTransform tilted = BenneOscillanteView::transformFor(tile, 30, 1);
    const qreal top = QLineF(tilted.map(tile.topLeft()), tilted.map(tile.topRight())).length();
    const qreal bottom = QLineF(tilted.map(tile.bottomLeft()), tilted.map(tile.bottomRight())).length();
    QVERIFY(std::abs(top - bottom) > 1);
    QCOMPARE(tilted.map(tile.center()), tile.center());
    const QTransform zoomed = BenneOscillanteView::transformFor(tile, 0, 1.1);
    QVERIFY(std::abs(zoomed.mapRect(tile).width() - 220) < 1e-6);
}

void SharedWidgetsTest::swingingTileTakesClicksOnItsTileOnly()
{
    int taps = 0;
    BenneOscillanteView tile("Benne 8 m³", QColor(120, 200, 90), false, [&] { ++taps; });
    tile.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tile));
    const QRectF r = tile.tileRect();
    // Between neighbouring tiles of a list: the room around the tile takes no click.
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(int(r.center().x()), tile.height() - 3));
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(tile.width() - 3, int(r.center().y())));
    QCOMPARE(taps, 0);
    QTest::mouseClick(&tile, Qt::LeftButton, {}, (r.topLeft() + QPointF(3, 3)).toPoint());
    QTest::mouseClick(&tile, Qt::LeftButton, {}, (r.bottomRight() - QPointF(3, 3)).toPoint());
    QCOMPARE(taps, 2);
    // A right click is no tap.
    QTest::mouseClick(&tile, Qt::RightButton, {}, r.center().toPoint());
    QCOMPARE(taps, 2);
}

void SharedWidgetsTest::plainToolTipsShowTheTextAsTyped()
{
    for (const QString& text : {QStringLiteral("Dubois <b>BTP</b>"), QStringLiteral("<b>Dubois  &amp;  fils</b> "),
                                QStringLiteral("  <i>Martin</i>"), QStringLiteral("Durand & fils")}) {
        QLabel label;
        setPlainToolTip(&label, text);
        QCOMPARE(shownToolTip(label.toolTip()), text);
    }
}

void SharedWidgetsTest::sectionHeaderParts()
{
    MacSectionHeader plain("Liste des bons de pesée", std::nullopt, std::nullopt, false, false, 0, 0, 0,
                           nullptr, nullptr);
    QVERIFY(!plain.showsSymbol());
    QVERIFY(!plain.showsSubtitle());
    QVERIFY(plain.dividerLine().isNull());

    MacSectionHeader emptySubtitle("T", QString(""), QString("arrow.triangle.2.circlepath"), false, true,
                                   0, 0, 0, nullptr, nullptr);
    QVERIFY(!emptySubtitle.showsSubtitle());
    QVERIFY(emptySubtitle.showsSymbol());

    auto* action = new QLabel("action");
    MacSectionHeader full("Liste des bons de pesée",
                          QString("Plusieurs bons signifient plusieurs rotations dans la journée"),
                          QString("arrow.triangle.2.circlepath"), true, true, 0, 0, 0, new QLabel("badge"),
                          action);
    QVERIFY(full.showsSubtitle());
    full.resize(600, full.sizeHint().height());
    full.show();
    QVERIFY(QTest::qWaitForWindowExposed(&full));
    QCOMPARE(action->parentWidget(), &full);
    QVERIFY(action->geometry().right() > 500); // at the trailing end
    saveShot(&full, "section-header");

    // A long subtitle (a client's name) is cut with "…", whole in its tool tip: the header
    // narrows with its window and keeps its actions in view.
    const QString name = QStringLiteral("Établissements <b>Dubois</b> / Démolition ").repeated(8);
    auto* aside = new QLabel("action");
    MacSectionHeader named("Bon de pesée", name, QString("scalemass"), true, false, 0, 0, 0, nullptr, aside);
    QVERIFY(named.minimumSizeHint().width() < 300);
    named.resize(400, named.sizeHint().height());
    named.show();
    QVERIFY(QTest::qWaitForWindowExposed(&named));
    auto* subtitle = named.findChild<ElidedLabel*>(QStringLiteral("subtitle"));
    QVERIFY(subtitle);
    QVERIFY(subtitle->isElided());
    QVERIFY(subtitle->shownText().endsWith(QChar(0x2026)));
    QCOMPARE(shownToolTip(subtitle->toolTip()), name);
    QVERIFY(aside->geometry().right() < 400);

    // The divider never changes the size; offset moves it, padding shortens it.
    MacSectionHeader shifted("Liste des bons de pesée",
                             QString("Plusieurs bons signifient plusieurs rotations dans la journée"),
                             QString("arrow.triangle.2.circlepath"), true, true, -4, 2, 30,
                             new QLabel("badge"), new QLabel("action"));
    QCOMPARE(shifted.sizeHint(), full.sizeHint());
    shifted.resize(full.size());
    const QLineF a = full.dividerLine();
    const QLineF b = shifted.dividerLine();
    QCOMPARE(b.y1(), a.y1() - 6);
    QCOMPARE(b.length(), a.length() - 60);
}

void SharedWidgetsTest::tagPrefersItsCustomIcon()
{
    auto* custom = new QLabel("★");
    MacTag both("Urgent", QString("gear"), custom);
    QCOMPARE(both.iconWidget(), custom);
    MacTag symbol("Réglages", QString("gear"));
    QVERIFY(qobject_cast<QLabel*>(symbol.iconWidget()));
    QVERIFY(!qobject_cast<QLabel*>(symbol.iconWidget())->pixmap().isNull());
    MacTag bare("Texte seul");
    QCOMPARE(bare.iconWidget(), nullptr);
    QVERIFY(bare.sizeHint().width() > 16);
}

void SharedWidgetsTest::coloursFromStoredText()
{
    QCOMPARE(colorFromHex(" #ff8000\n"), std::optional<QColor>(QColor(255, 128, 0)));
    QCOMPARE(colorFromHex("12345"), std::nullopt);
    QCOMPARE(colorFromHex("nope", Qt::gray), QColor(Qt::gray));
    QCOMPARE(toHex(QColor(255, 128, 0)), QStringLiteral("FF8000"));
    QCOMPARE(colorFromHex(toHex(QColor(18, 52, 86))), std::optional<QColor>(QColor(18, 52, 86)));
}

namespace {

// Every symbol name the program's screens pass to the icon functions (sidebar commands, toolbars,
// section headers, editor frames, list rows, buttons and menus). A screen using a new symbol adds it here.
const QStringList kProgramSymbols = {
    // Sidebar, its headings and the toolbar.
    "calendar", "scalemass.fill", "creditcard", "list.clipboard", "truck.box.badge.clock", "mappin.and.ellipse",
    "cellularbars", "cube.box", "person", "truck.box", "arrow.up.trash", "arrow.trianglehead.2.clockwise", "gear",
    "command", "gearshape", "calendar.circle",
    // Shared form widgets: list panel, editor frame, danger button, colour field.
    "plus", "checkmark.circle.fill", "trash", "doc.on.doc",
    // Clients.
    "person.2", "person.crop.square", "person.text.rectangle", "person.2.crop.square.stack",
    "person.crop.rectangle.stack", "plus.circle.fill", "phone", "envelope", "exclamationmark.triangle",
    // Skips.
    "shippingbox", "shippingbox.fill", "eye", "wrench.and.screwdriver", "puzzlepiece.extension", "note.text",
    "xmark.circle.fill",
    // Waste types and treatment centres.
    "leaf.circle", "tag.circle", "doc.text.magnifyingglass", "eurosign.circle", "exclamationmark.shield",
    "building.2",
    // Planning grid.
    "info.circle.fill", "arrow.trianglehead.clockwise", "arrow.left.square", "arrow.right.square",
    // Reports and billing.
    "arrow.down.doc", "tablecells", "printer",
    // Statistics.
    "map", "chart.bar.fill", "rectangle.3.offgrid.fill", "person.crop.circle.badge.exclamationmark",
    "chart.pie.fill", "flame.fill", "drop.fill",
    // Drivers' planning.
    "tray.and.arrow.down", "tray.and.arrow.up.fill",
};

// The inked pixels of a symbol drawn at `side` in `mode`.
QList<QColor> inkOf(const QString& symbol, int side, QIcon::Mode mode = QIcon::Normal)
{
    const QImage img = symbolIcon(symbol).pixmap(side, side, mode).toImage().convertToFormat(QImage::Format_ARGB32);
    QList<QColor> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 120)
                out.append(QColor::fromRgb(img.pixel(x, y)));
    return out;
}

} // namespace

void SharedWidgetsTest::everyProgramSymbolHasAPictogram()
{
    // The section header tests above use the older name of the circular arrows too.
    const QStringList symbols = kProgramSymbols + QStringList{"arrow.triangle.2.circlepath"};
    for (const QString& s : symbols) {
        // A theme icon that is installed (a misspelt name would fall back to a lettered disc), or
        // a pictogram painted because no theme icon fits.
        const QString theme = themeIconName(s);
        QVERIFY2(theme.isEmpty() ? hasPaintedSymbol(s) : hasThemeSymbol(s), qPrintable(s + " / " + theme));
        QVERIFY2(theme.isEmpty() || !hasPaintedSymbol(s), qPrintable(s + " is painted although a theme icon fits"));
        // Something shows: not a blank square.
        QVERIFY2(inkOf(s, 32).size() > 12, qPrintable(s));
    }
    QVERIFY(!hasPaintedSymbol("no.such.symbol"));
    QVERIFY(!hasThemeSymbol("no.such.symbol"));
    QVERIFY(!symbolIcon("no.such.symbol").pixmap(16, 16).isNull());
    QVERIFY(!applicationIcon().isNull());
    QVERIFY(!applicationIcon().pixmap(64, 64).isNull());
}

void SharedWidgetsTest::programSymbolsLookDifferent()
{
    // The sidebar's commands are told apart by their symbols: no two alike.
    const QStringList sidebar = {"calendar", "scalemass.fill", "creditcard", "list.clipboard", "truck.box.badge.clock",
                                 "mappin.and.ellipse", "cellularbars", "cube.box", "person", "truck.box",
                                 "arrow.up.trash", "arrow.trianglehead.2.clockwise", "gear"};
    QHash<QString, QImage> seen;
    for (const QString& s : sidebar) {
        const QImage img = symbolIcon(s).pixmap(24, 24).toImage();
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            QVERIFY2(img != it.value(), qPrintable(s + " looks the same as " + it.key()));
        seen.insert(s, img);
    }
}

void SharedWidgetsTest::symbolsFollowThePalette()
{
    const QPalette original = QGuiApplication::palette();
    auto allNear = [](const QList<QColor>& inks, const QColor& expected) {
        for (const QColor& c : inks)
            if (qAbs(c.red() - expected.red()) > 40 || qAbs(c.green() - expected.green()) > 40
                || qAbs(c.blue() - expected.blue()) > 40)
                return false;
        return !inks.isEmpty();
    };
    for (const QString& s : {QStringLiteral("plus"), QStringLiteral("person"), QStringLiteral("truck.box")}) {
        // A light palette: dark ink.
        QPalette light = original;
        light.setColor(QPalette::WindowText, QColor(0x23, 0x26, 0x29));
        light.setColor(QPalette::HighlightedText, Qt::white);
        QGuiApplication::setPalette(light);
        QVERIFY2(allNear(inkOf(s, 32), QColor(0x23, 0x26, 0x29)), qPrintable(s));
        // On a selected row: the selection's text colour.
        QVERIFY2(allNear(inkOf(s, 32, QIcon::Selected), Qt::white), qPrintable(s));
        // A dark palette: light ink.
        QPalette dark = original;
        dark.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
        QGuiApplication::setPalette(dark);
        QVERIFY2(allNear(inkOf(s, 32), QColor(0xfc, 0xfc, 0xfc)), qPrintable(s));
    }
    QGuiApplication::setPalette(original);
}

void SharedWidgetsTest::sectionSymbolsKeepOneFamilyAtEveryScale()
{
    // A section header draws its symbol 16 wide: 24 and 36 device pixels at 150 % and 225 %.
    // Every size is drawn in the ink, never in the theme's full-colour drawings.
    const QPalette original = QGuiApplication::palette();
    QPalette light = original;
    light.setColor(QPalette::WindowText, QColor(0x23, 0x26, 0x29));
    QGuiApplication::setPalette(light);
    for (const QString& s : {QStringLiteral("puzzlepiece.extension"), QStringLiteral("tag.circle"),
                             QStringLiteral("exclamationmark.triangle"), QStringLiteral("wrench.and.screwdriver")}) {
        for (int side : {16, 24, 36}) {
            const QList<QColor> inks = inkOf(s, side);
            int off = 0;
            for (const QColor& c : inks)
                if (qAbs(c.red() - 0x23) > 40 || qAbs(c.green() - 0x26) > 40 || qAbs(c.blue() - 0x29) > 40)
                    ++off;
            QVERIFY2(!inks.isEmpty() && off == 0, qPrintable(QStringLiteral("%1 at %2: %3 of %4 pixels in colour")
                                                                 .arg(s).arg(side).arg(off).arg(inks.size())));
        }
    }
    QGuiApplication::setPalette(original);
}

void SharedWidgetsTest::paperTextureIsSeamlessAndStill()
{
    const QImage& tile = tuilePapier(128);
    QCOMPARE(tile.size(), QSize(128, 128));
    // Always the same picture; a warm off-white with a grain, not a flat colour.
    QCOMPARE(tuilePapier(128), tile);
    int lo = 255, hi = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const QRgb c = tile.pixel(x, y);
            QVERIFY(qRed(c) >= qBlue(c));
            lo = std::min(lo, qGray(c));
            hi = std::max(hi, qGray(c));
        }
    QVERIFY(hi - lo >= 4);
    QVERIFY(lo > 200);
    // Seamless: across the wrap the neighbours differ no more than inside the tile.
    const auto gap = [&](QPoint a, QPoint b) {
        return std::abs(qGray(tile.pixel(a)) - qGray(tile.pixel(b)));
    };
    double across = 0, inside = 0;
    for (int i = 0; i < 128; ++i) {
        across += gap({127, i}, {0, i}) + gap({i, 127}, {i, 0});
        inside += gap({63, i}, {64, i}) + gap({i, 63}, {i, 64});
    }
    QVERIFY2(across <= inside * 1.5 + 64, qPrintable(QString("%1 vs %2").arg(across).arg(inside)));
    // Laid at half strength over a colour: opaque, between the two.
    const QImage over = tuilePapierSur(QColor(128, 128, 128), 0.5, 128);
    QVERIFY(!over.hasAlphaChannel());
    QVERIFY(std::abs(qRed(over.pixel(5, 5)) - (128 + qRed(tile.pixel(5, 5))) / 2) <= 1);
    // Painted anywhere, the grain stays anchored to the sheet's origin.
    QImage canvas(64, 64, QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        peindrePapier(p, QRectF(0, 0, 64, 64), QPointF(-10, -20), QPixmap::fromImage(tile));
    }
    QCOMPARE(canvas.pixel(0, 0), tile.pixel(10, 20));
    QCOMPARE(canvas.pixel(63, 63), tile.pixel(73, 83));
}

void SharedWidgetsTest::foldingRowFoldsOnlyWhenNarrow()
{
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* row = new kv::FoldingRow(&window);
    auto* first = new QPushButton(QStringLiteral("Une commande assez longue"), row);
    auto* second = new QPushButton(QStringLiteral("Une autre commande"), row);
    row->row()->addWidget(first, 0, Qt::AlignVCenter);
    row->row()->addWidget(second, 0, Qt::AlignVCenter);
    row->row()->addStretch(1);
    column->addWidget(row);
    const int both = first->sizeHint().width() + second->sizeHint().width() + 60;
    window.resize(both + 100, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(!row->folded());
    QCOMPARE(first->y(), second->y());

    // Narrower than both: a column, as narrow as its widest widget, each at its own width.
    window.resize(first->sizeHint().width() + 40, 200);
    QTRY_VERIFY(row->folded());
    QTRY_VERIFY(second->y() > first->y());
    QVERIFY(row->minimumSizeHint().width() < both);
    QCOMPARE(second->width(), second->sizeHint().width());
    QCOMPARE(second->x(), first->x());

    window.resize(both + 100, 200);
    QTRY_VERIFY(!row->folded());
    QTRY_COMPARE(first->y(), second->y());
}

void SharedWidgetsTest::elidedLinesLabelKeepsToItsLines()
{
    // A 300-character name with accents, "/" and markup keeps to two lines, cut with "…",
    // whole and literal in its tool tip; a short one shows as it is, with no tool tip.
    const QString longName = QStringLiteral("Société <b>Générale</b> / Démolition & Fils ").repeated(7).left(300);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new kv::ElidedLinesLabel(longName, 2);
    auto* shortLabel = new kv::ElidedLinesLabel(QStringLiteral("Dupont"), 2);
    layout->addWidget(label);
    layout->addWidget(shortLabel);
    layout->addStretch();
    window.resize(260, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(label->text() != longName);
    const QStringList lines = label->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.last().endsWith(QStringLiteral("…")));
    const QFontMetrics fm(label->font());
    for (const QString& line : lines)
        QVERIFY(fm.horizontalAdvance(line) <= label->contentsRect().width());
    QCOMPARE(kv::shownToolTip(label->toolTip()), longName);
    QCOMPARE(label->fullText(), longName);
    // The layout gives it the two lines it shows, no more.
    QCOMPARE(label->height(), label->heightForWidth(label->width()));
    QVERIFY(label->height() < 3 * fm.lineSpacing() + 4);
    QCOMPARE(shortLabel->text(), QStringLiteral("Dupont"));
    QVERIFY(shortLabel->toolTip().isEmpty());
    // Wider, the cut moves on.
    window.resize(600, 400);
    QTRY_VERIFY(label->width() > 500);
    QTRY_COMPARE(label->text().split(QLatin1Char('\n')).size(), 2);
    QVERIFY(label->text().size() > lines.join(QString()).size());
}

void SharedWidgetsTest::screenReadersHearEveryControl()
{
    installDialogConventions();
    const auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    const auto checked = [](QWidget* w) { return bool(QAccessible::queryAccessibleInterface(w)->state().checked); };
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    // An icon-only button: named by what its tool tip says, and as its tool tip changes.
    auto* trash = new QToolButton(&window);
    trash->setIcon(symbolIcon(QStringLiteral("trash")));
    trash->setToolTip(QStringLiteral("Supprimer ce bon"));
    layout->addWidget(trash);
    // A field whose label stands beside the row it is in, not among its siblings.
    auto* row = new QWidget(&window);
    auto* field = new QLineEdit(row);
    (new QHBoxLayout(row))->addWidget(field);
    auto* label = new QLabel(QStringLiteral("Poids net (kg)"), &window);
    label->setBuddy(field);
    layout->addWidget(label);
    layout->addWidget(row);
    // A search field with no label: its prompt, not the prompt's text as such.
    auto* search = new QLineEdit(&window);
    search->setPlaceholderText(QStringLiteral("Rechercher…"));
    layout->addWidget(search);
    // A named button keeps its name.
    auto* named = new QToolButton(&window);
    named->setAccessibleName(QStringLiteral("Aide"));
    named->setToolTip(QStringLiteral("Aide sur la saisie"));
    layout->addWidget(named);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(name(trash), QStringLiteral("Supprimer ce bon"));
    trash->setToolTip(QStringLiteral("Supprimer le bon du 3 mars"));
    QCOMPARE(name(trash), QStringLiteral("Supprimer le bon du 3 mars"));
    QCOMPARE(name(field), QStringLiteral("Poids net (kg)"));
    QCOMPARE(name(search), QStringLiteral("Rechercher"));
    QCOMPARE(name(named), QStringLiteral("Aide"));

    // The day chosen and the filter chosen are said to be chosen, they alone, and a click on the
    // chosen one leaves it chosen.
    PastilleJour demain(false, QString(), QString(), {});
    demain.setLabel(QStringLiteral("Demain"));
    demain.setDate(QStringLiteral("9 déc."));
    QCOMPARE(name(&demain), QStringLiteral("Demain 9 déc."));
    QVERIFY(!checked(&demain));
    demain.setSelected(true);
    QVERIFY(checked(&demain));
    Observable<CarteBennesFiltre> selection(CarteBennesFiltre::enCours);
    PickerSegmentedCustom picker(selection);
    picker.resize(1400, 60);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(picker.segments()[2], Qt::LeftButton);
        for (FiltreSegment* s : picker.segments())
            QCOMPARE(checked(s), s == picker.segments()[2]);
    }
}

void SharedWidgetsTest::readersHearAScreenOnceAsItComes()
{
    QWidget window, screen(&window), hidden(&window);
    auto* parts = new QVBoxLayout(&screen);
    for (const char* name : {"Jour", "Chauffeur"})
        parts->addWidget(new QLabel(QString::fromLatin1(name)));
    screen.setAccessibleName(QStringLiteral("Écran"));
    hidden.hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList heard;
    setReaderObserver([&](QAccessibleEvent* e) { heard << QString::number(e->type()) + e->accessibleInterface()->text(QAccessible::Name); });
    const auto stop = qScopeGuard([] { setReaderObserver({}); });
    const auto say = [](QWidget* w, QAccessible::Event type) { QAccessibleEvent e(w, type); tellReaders(&e); };
    // Qt says every part as the screen shows, the parts first: the screen alone is heard.
    for (QWidget* w : screen.findChildren<QLabel*>())
        say(w, QAccessible::ObjectShow);
    say(&screen, QAccessible::ObjectShow);
    // A name said again as it was, or given to what is hidden, is not heard.
    say(&screen, QAccessible::NameChanged);
    say(&screen, QAccessible::NameChanged);
    say(&hidden, QAccessible::NameChanged);
    QTRY_COMPARE(heard, (QStringList{QString::number(QAccessible::NameChanged) + QStringLiteral("Écran"),
                                     QString::number(QAccessible::ObjectShow) + QStringLiteral("Écran")}));
}
