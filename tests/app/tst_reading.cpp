// Reading every label: at the window's smallest size no text is cut without « … » and no two
// labels are drawn over each other, on every screen and on the new-rental sheet; and every text
// written on a colour a user chose reads on it, whatever the colour.

#include "tests.h"

#include "screenfixtures.h"
#include "shownpart.h"

#include "app/commande.h"
#include "app/contentview.h"
#include "planning/vueplanificationbennes.h"
#include "rentals/cartoucheanime.h"
#include "rentals/vuelocationbenne.h"
#include "platform/filehelpers.h"
#include "reports/rapportmensuelview.h"
#include "widgets/confirmationfichier.h"
#include "stats/statistiquehistogrammevolumeview.h"
#include "stats/vuestatistiques.h"
#include "widgets/colors.h"
#include "widgets/forms/listpanel.h"
#include "widgets/plaintext.h"
#include "widgets/wrappingcheckbox.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QScrollArea>
#include <QScrollBar>
#include <QCheckBox>
#include <QDialog>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <functional>

using namespace kv;

namespace {

// An office as on its first weeks: clients with their towns and phones, skips of several
// colours, a driver, a waste type, rentals on site, removed with and without a ticket.
std::unique_ptr<ModelContext> ordinaryOffice()
{
    auto ctx = fixtures::store();
    TypeDechet* gravats = fixtures::wasteType(ctx.get(), QStringLiteral("Gravats"));
    ctx->insert(fixtures::centre(QStringLiteral("Centre de tri Est"), QStringLiteral("Vénissieux")));
    Chauffeur* chauffeur = fixtures::driver(ctx.get());
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList noms{QStringLiteral("Dupont BTP"), QStringLiteral("Durand Bâtiment"),
                           QStringLiteral("Thomas Rénovation")};
    const QStringList couleurs{QStringLiteral("0D1B6E"), QStringLiteral("FFD400"), QStringLiteral("8B4513")};
    for (int i = 0; i < noms.size(); ++i) {
        Client* c = fixtures::officeClient(ctx.get(), noms.at(i));
        Benne* b = fixtures::colouredBenne(ctx.get(), 8 + 2 * i, couleurs.at(i));
        LocationDeBenne* surPlace = fixtures::placedRental(ctx.get(), c, b, now.addDays(-2 - i));
        surPlace->setChauffeurPose(chauffeur);
        surPlace->setTypeDechet(gravats);
        LocationDeBenne* enlevee = fixtures::placedRental(ctx.get(), c, b, now.addDays(-30), now.addDays(-20 + i));
        if (i == 0)
            enlevee->ajouterBonDePesee(now.addDays(-20), QStringLiteral("B-1"), std::nullopt, std::nullopt, 1250,
                                       std::nullopt);
        // A site typed without its coordinates: the map says it cannot show it.
        if (i == 1)
            surPlace->setLatitude(std::nullopt);
    }
    fixtures::save(ctx.get());
    return ctx;
}

QString describe(const QWidget* w)
{
    QString path;
    for (const QWidget* p = w; p && !p->isWindow(); p = p->parentWidget()) {
        const QString name = p->objectName().isEmpty() ? QString::fromLatin1(p->metaObject()->className())
                                                       : p->objectName();
        path = path.isEmpty() ? name : name + QLatin1Char('/') + path;
        if (path.size() > 100)
            break;
    }
    return path;
}

QString withoutMnemonic(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// Where a check box, a radio button or a push button writes its text (and its symbol).
QRect buttonContents(const QAbstractButton* b)
{
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    option.icon = b->icon();
    option.iconSize = b->iconSize();
    const auto element = qobject_cast<const QPushButton*>(b)    ? QStyle::SE_PushButtonContents
                         : qobject_cast<const QRadioButton*>(b) ? QStyle::SE_RadioButtonContents
                                                                : QStyle::SE_CheckBoxContents;
    return b->style()->subElementRect(element, &option, b);
}

// The room a button leaves for its text.
int roomForText(const QAbstractButton* b)
{
    return buttonContents(b).width() - (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
}

// Where a label draws its text, in the window's coordinates.
QRect textArea(QLabel* label, QWidget* window)
{
    QRect area = label->contentsRect();
    if (!label->wordWrap()) {
        const QSize text = label->fontMetrics().size(0, shownText(label));
        area = QStyle::alignedRect(label->layoutDirection(), label->alignment(), text.boundedTo(area.size()), area);
    }
    return QRect(label->mapTo(window, area.topLeft()), area.size())
        & fixtures::shownPart(label, window);
}

// The viewport of the innermost area around `w` that scrolls up and down, if any.
QWidget* scrollingViewport(QWidget* w, QWidget* window)
{
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (auto* area = qobject_cast<QAbstractScrollArea*>(p->parentWidget());
            area && area->viewport() == p && area->verticalScrollBar()->isVisible())
            return p;
    return nullptr;
}

// Whether `a` and `b` are drawn over each other where they meet: a widget below the fold of a
// scroll area meets only what scrolls with it.
bool drawnOver(QWidget* a, QRect areaA, QWidget* b, QRect areaB, QWidget* window)
{
    QWidget* inA = scrollingViewport(a, window);
    QWidget* inB = scrollingViewport(b, window);
    if (inA != inB) {
        if (inA)
            areaA &= fixtures::shownPart(inA, window);
        if (inB)
            areaB &= fixtures::shownPart(inB, window);
    }
    const QRect both = areaA & areaB;
    // A pixel's touch is no overlap.
    return both.width() > 1 && both.height() > 1;
}

// Texts cut without « … », and labels drawn over each other or over a button, in `window`.
void checkReadable(QWidget* window, const QString& where, QStringList* faults)
{
    fixtures::settle();
    QList<QPair<QLabel*, QRect>> shown;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->window() != window || !label->pixmap().isNull())
            continue;
        const QString text = shownText(label);
        if (text.trimmed().isEmpty())
            continue;
        if (fixtures::shownPart(label, window).isEmpty())
            continue;
        const int wide = label->fontMetrics().horizontalAdvance(text.section(QLatin1Char('\n'), 0, 0));
        if (!label->wordWrap() && wide > label->contentsRect().width() + 1)
            faults->append(QStringLiteral("%1: label %2 cut without « … » (%3 px for %4): « %5 »")
                               .arg(where, describe(label))
                               .arg(label->contentsRect().width())
                               .arg(wide)
                               .arg(text.left(50)));
        shown.append({label, textArea(label, window)});
    }
    QList<QPair<QAbstractButton*, QRect>> buttons;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || b->window() != window || b->text().isEmpty())
            continue;
        if (!qobject_cast<QCheckBox*>(b) && !qobject_cast<QRadioButton*>(b) && !qobject_cast<QPushButton*>(b))
            continue;
        // A wrapping check box takes the lines its text needs, and breaks it only when it must.
        if (auto* wrapping = dynamic_cast<WrappingCheckBox*>(b)) {
            buttons.append({b, fixtures::shownPart(b, window)});
            if (b->width() >= b->sizeHint().width() && wrapping->heightForWidth(b->width()) > b->sizeHint().height())
                faults->append(QStringLiteral("%1: %2 breaks its line with the room for it: « %3 »")
                                   .arg(where, describe(b), b->text().left(50)));
            // All of it answers a click and shows all its lines: it is as tall as its lines.
            if (std::abs(b->height() - wrapping->heightForWidth(b->width())) > 1)
                faults->append(QStringLiteral("%1: %2 is %3 px high for %4 of lines: « %5 »")
                                   .arg(where, describe(b))
                                   .arg(b->height())
                                   .arg(wrapping->heightForWidth(b->width()))
                                   .arg(b->text().left(50)));
            continue;
        }
        buttons.append({b, fixtures::shownPart(b, window)});
        const QString text = withoutMnemonic(b->text());
        const int wide = b->fontMetrics().horizontalAdvance(text.section(QLatin1Char('\n'), 0, 0));
        if (wide > roomForText(b) + 1)
            faults->append(QStringLiteral("%1: %2 %3 cut without « … » (%4 px for %5): « %6 »")
                               .arg(where, QString::fromLatin1(b->metaObject()->className()), describe(b))
                               .arg(roomForText(b))
                               .arg(wide)
                               .arg(text.left(50)));
        // A button's label keeps clear of the keyboard's frame, drawn two pixels wide one pixel in,
        // by two pixels more.
        const int label = wide + (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
        if (qobject_cast<QPushButton*>(b) && b->styleSheet().isEmpty() && !static_cast<QPushButton*>(b)->isFlat()
            && label + 2 * 5 > b->width())
            faults->append(QStringLiteral("%1: the label of %2 runs into its focus frame (%3 px in %4): « %5 »")
                               .arg(where, describe(b))
                               .arg(label)
                               .arg(b->width())
                               .arg(text.left(50)));
    }
    // A screen that fits the window reads without scrolling sideways.
    if (auto* screen = window->findChild<QScrollArea*>(QStringLiteral("detailArea"));
        screen && screen->isVisible() && screen->horizontalScrollBar()->isVisible())
        faults->append(QStringLiteral("%1: the screen scrolls sideways (%2 px short)")
                           .arg(where)
                           .arg(screen->horizontalScrollBar()->maximum()));
    // A label's text over a check box or a button (one the button holds is its own text).
    for (const auto& [label, area] : std::as_const(shown))
        for (const auto& [button, rect] : std::as_const(buttons)) {
            if (button->isAncestorOf(label))
                continue;
            if (drawnOver(label, area, button, rect, window))
                faults->append(QStringLiteral("%1: « %2 » (%3) drawn over the button « %4 » (%5)")
                                   .arg(where, shownText(label).left(30), describe(label),
                                        withoutMnemonic(button->text()).left(30), describe(button)));
        }
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j) {
            if (drawnOver(shown.at(i).first, shown.at(i).second, shown.at(j).first, shown.at(j).second, window))
                faults->append(QStringLiteral("%1: « %2 » (%3) drawn over « %4 » (%5)")
                                   .arg(where, shownText(shown.at(i).first).left(30), describe(shown.at(i).first),
                                        shownText(shown.at(j).first).left(30), describe(shown.at(j).first)));
        }
}

// Texts that do not stand out from what lies under them, in `window`: labels, buttons and the
// rows of lists read at 4.5:1, large text at 3:1. A control the user cannot use is left out, as
// it reads greyed on purpose.
void checkContrast(QWidget* window, const QString& where, QStringList* faults)
{
    fixtures::settle();
    // What lies below the fold of a scroll area is measured on the area's whole content, drawn
    // apart; the rest on the window.
    QHash<QWidget*, QImage> drawn{{window, window->grab().toImage()}};
    const auto surface = [&](QWidget* w) {
        QWidget* viewport = scrollingViewport(w, window);
        auto* area = viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
        QWidget* on = area && area->widget() ? area->widget() : window;
        if (!drawn.contains(on))
            drawn.insert(on, on->grab().toImage());
        return on;
    };
    // The contrast drawn in `area` (the window's coordinates) of `w`.
    const auto seenIn = [&](QWidget* w, const QRect& area, const QColor& ink = QColor()) {
        QWidget* on = surface(w);
        const QImage& image = drawn[on];
        const qreal scale = image.devicePixelRatio();
        const QRect local(on->mapFrom(window, area.topLeft()), area.size());
        const QRect device(QPoint(qRound(local.left() * scale), qRound(local.top() * scale)),
                           QSize(qRound(local.width() * scale), qRound(local.height() * scale)));
        return fixtures::drawnContrast(image, device, ink);
    };
    const auto measure = [&](QWidget* w, const QRect& area, const QString& text, const QFont& font,
                             const QColor& ink = QColor()) {
        if (area.width() < 2 || area.height() < 2 || text.trimmed().isEmpty())
            return;
        const bool large = font.pointSizeF() >= 18 || (font.bold() && font.pointSizeF() >= 14);
        const double seen = seenIn(w, area, ink);
        if (seen < (large ? 3.0 : 4.5))
            faults->append(QStringLiteral("%1: « %2 » (%3) reads at %4:1")
                               .arg(where, text.left(40), describe(w))
                               .arg(seen, 0, 'f', 1));
    };
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->isVisible() && label->isEnabled() && label->window() == window && label->pixmap().isNull())
            // A plain label writes in its palette's colour, unless a style sheet gives another.
            measure(label, textArea(label, window), shownText(label), label->font(),
                    label->styleSheet().isEmpty() && label->textFormat() != Qt::RichText && !Qt::mightBeRichText(label->text())
                        ? label->palette().color(label->foregroundRole()) : QColor());
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->isVisible() && b->isEnabled() && b->window() == window
            && (qobject_cast<QPushButton*>(b) || qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)))
            measure(b, QRect(b->mapTo(window, buttonContents(b).topLeft()), buttonContents(b).size())
                           & fixtures::shownPart(b, window), withoutMnemonic(b->text()), b->font());
    // Marks: the symbol of a tool button (a toolbar's trash can) or of a push button stands out
    // at 3:1 from the face it is drawn on (the commonest colour of the button as drawn).
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || !b->isEnabled() || b->window() != window || b->icon().isNull()
            || !(qobject_cast<QToolButton*>(b) || qobject_cast<QPushButton*>(b)))
            continue;
        const QRect area = QRect(b->mapTo(window, QPoint(0, 0)), b->size()) & fixtures::shownPart(b, window);
        if (area.width() < 4 || area.height() < 4)
            continue;
        QWidget* on = surface(b);
        const QImage& image = drawn[on];
        const qreal scale = image.devicePixelRatio();
        const QPoint at = on->mapFrom(window, area.topLeft());
        // What is not painted (a scroll area's content drawn apart) shows the window under it.
        QImage face(area.size() * scale, QImage::Format_RGB32);
        face.fill(b->palette().color(QPalette::Window));
        QPainter(&face).drawImage(QPoint(0, 0), image.copy(QRect(at * scale, area.size() * scale)));
        // The face within the button's frame, its shades taken together (a shaded face has a
        // colour per row, a focus frame one colour all round).
        const int edge = qRound(4 * scale);
        QHash<int, QList<QRgb>> shades;
        for (int y = edge; y < face.height() - edge; ++y)
            for (int x = edge; x < face.width() - edge; ++x) {
                const QRgb c = face.pixel(x, y);
                shades[(qRed(c) >> 4) << 8 | (qGreen(c) >> 4) << 4 | qBlue(c) >> 4].append(c);
            }
        const QList<QRgb>* most = nullptr;
        for (auto it = shades.constBegin(); it != shades.constEnd(); ++it)
            if (!most || it.value().size() > most->size())
                most = &it.value();
        if (!most)
            continue;
        int r = 0, g = 0, bl = 0;
        for (QRgb c : *most) {
            r += qRed(c);
            g += qGreen(c);
            bl += qBlue(c);
        }
        const QRgb commonest = qRgb(r / int(most->size()), g / int(most->size()), bl / int(most->size()));
        // The symbol as the button draws it, on that face.
        const QPixmap symbol = b->icon().pixmap(b->iconSize(), scale);
        QImage mark(symbol.size(), QImage::Format_RGB32);
        mark.fill(commonest);
        QPainter(&mark).drawPixmap(0, 0, symbol);
        // A small symbol is all edges, no two pixels alike: it reads as its third strongest
        // pixel does.
        QList<double> strengths;
        for (int y = 0; y < mark.height(); ++y)
            for (int x = 0; x < mark.width(); ++x)
                strengths << forms::contrastRatio(QColor::fromRgb(mark.pixel(x, y)), QColor::fromRgb(commonest));
        std::sort(strengths.begin(), strengths.end(), std::greater<>());
        const double seen = strengths.value(2, 1.0);
        if (seen < 3.0)
            faults->append(QStringLiteral("%1: the symbol of « %2 » (%3) reads at %4:1")
                               .arg(where, withoutMnemonic(b->text()).isEmpty() ? b->toolTip() : withoutMnemonic(b->text()),
                                    describe(b))
                               .arg(seen, 0, 'f', 1));
    }
    for (QAbstractItemView* view : window->findChildren<QAbstractItemView*>()) {
        QAbstractItemModel* model = view->model();
        if (!view->isVisible() || !view->isEnabled() || view->window() != window || !model)
            continue;
        const QRect shown = fixtures::shownPart(view->viewport(), window);
        for (int row = 0; row < std::min(model->rowCount(view->rootIndex()), 20); ++row)
            for (int column = 0; column < model->columnCount(view->rootIndex()); ++column) {
                const QModelIndex index = model->index(row, column, view->rootIndex());
                const QRect cell = view->visualRect(index);
                const QFont font = index.data(Qt::FontRole).isValid() ? index.data(Qt::FontRole).value<QFont>()
                                                                      : view->font();
                // A row the fold leaves a sliver of shows no text to read.
                const QRect seen = QRect(view->viewport()->mapTo(window, cell.topLeft()), cell.size()) & shown;
                if (seen.height() >= QFontMetrics(font).height())
                    measure(view, seen, index.data().toString(), font);
            }
    }
}

// The part of `w` drawn in `window` now (what a scroll area scrolls away is not).
QRect onScreen(QWidget* w, QWidget* window)
{
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        r &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    return r & window->rect();
}

// How far an edge stands out: the strongest contrast of the pixels from `at` to `at` + 2 `step`
// against the pixel 3 `step` before it (what lies around), in device pixels of `image`.
double edgeContrast(const QImage& image, QPoint at, QPoint step)
{
    const QPoint outside = at - 3 * step;
    if (!image.rect().contains(outside) || !image.rect().contains(at + 2 * step))
        return 21;
    double best = 1;
    for (int k = -1; k <= 2; ++k)
        best = std::max(best, forms::contrastRatio(image.pixelColor(at + k * step), image.pixelColor(outside)));
    return best;
}

// Fields whose frame, and check boxes and radio buttons whose square or circle, do not stand out
// at 3:1 from what lies around them.
void checkEdges(QWidget* window, const QString& where, QStringList* faults)
{
    const QImage image = window->grab().toImage();
    const qreal scale = image.devicePixelRatio();
    const auto device = [scale](QPoint p) { return QPoint(qRound(p.x() * scale), qRound(p.y() * scale)); };
    const QPoint down(0, std::max(1, qRound(scale))), right(std::max(1, qRound(scale)), 0);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || w->window() != window)
            continue;
        const QRect shown = onScreen(w, window);
        const QRect whole(w->mapTo(window, QPoint(0, 0)), w->size());
        double seen = 21;
        if (auto* box = qobject_cast<QAbstractButton*>(w); box && (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))) {
            QStyleOptionButton option;
            option.initFrom(box);
            // A wrapping check box keeps its square level with its first line.
            if (dynamic_cast<WrappingCheckBox*>(box))
                option.rect.setHeight(static_cast<QCheckBox*>(box)->QCheckBox::sizeHint().height());
            const QRect square = box->style()->subElementRect(qobject_cast<QCheckBox*>(w) ? QStyle::SE_CheckBoxIndicator
                                                                                         : QStyle::SE_RadioButtonIndicator,
                                                              &option, box)
                                     .translated(whole.topLeft());
            if (shown.contains(square))
                seen = edgeContrast(image, device(QPoint(square.left(), square.center().y())), right);
        } else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w)
                   || (qobject_cast<QComboBox*>(w) && static_cast<QComboBox*>(w)->isEditable())
                   || ((qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w))
                       && w->property("readOnly") == false)) {
            // A line edit inside a spin box or a combo box is framed by its owner.
            if (qobject_cast<QLineEdit*>(w) && (!static_cast<QLineEdit*>(w)->hasFrame() || qobject_cast<QAbstractSpinBox*>(w->parentWidget())
                                                || qobject_cast<QComboBox*>(w->parentWidget())))
                continue;
            if (shown == whole)
                seen = edgeContrast(image, device(QPoint(whole.center().x(), whole.top())), down);
        }
        if (seen < 3.0)
            faults->append(QStringLiteral("%1: the edge of %2 (%3) stands out at %4:1")
                               .arg(where, QString::fromLatin1(w->metaObject()->className()), describe(w))
                               .arg(seen, 0, 'f', 2));
    }
}

// Controls whose focus cannot be seen: taking the keys changes, at 3:1 at least, as many
// pixels as a line along the control's longer side.
void checkFocus(QWidget* window, const QString& where, QStringList* faults)
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || w->window() != window || !(w->focusPolicy() & Qt::TabFocus)
            || w->focusProxy() || !w->isVisibleTo(window))
            continue;
        w->setFocus(Qt::TabFocusReason);
        fixtures::settle();
        if (!w->hasFocus())
            continue;
        // Around it, for a frame drawn just outside.
        const QRect area = onScreen(w, window).adjusted(-3, -3, 3, 3) & window->rect();
        if (area.width() < 6 || area.height() < 6)
            continue;
        const QImage focused = window->grab(area).toImage();
        w->clearFocus();
        fixtures::settle();
        const QImage plain = window->grab(area).toImage();
        int changed = 0;
        for (int y = 0; y < std::min(plain.height(), focused.height()); ++y)
            for (int x = 0; x < std::min(plain.width(), focused.width()); ++x)
                if (forms::contrastRatio(plain.pixelColor(x, y), focused.pixelColor(x, y)) >= 3.0)
                    ++changed;
        // A canvas frames the cell the keys are on, not its whole self.
        const int needed = qRound(std::min(std::max(w->width(), w->height()), 200) * plain.devicePixelRatio());
        if (changed < needed)
            faults->append(QStringLiteral("%1: the focus of %2 (%3) changes %4 pixels at 3:1 (%5 needed)")
                               .arg(where, QString::fromLatin1(w->metaObject()->className()), describe(w))
                               .arg(changed)
                               .arg(needed));
    }
}

// The screen's list, when it has one, with its first row chosen.
void chooseFirstRow(QWidget* screen)
{
    if (auto* panel = screen->findChild<forms::ListPanel*>(); panel && panel->isVisible() && panel->rowCount() > 0) {
        fixtures::clickRow(panel, 0);
        fixtures::settle();
        return;
    }
    for (QAbstractItemView* view : screen->findChildren<QAbstractItemView*>()) {
        if (!view->isVisible() || !view->model() || view->model()->rowCount() == 0)
            continue;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
        fixtures::settle();
        return;
    }
}

// Colours users pick that are hard to write on: dark, mid-dark, light and the two extremes.
const QStringList kHardColours{QStringLiteral("0D1B6E"), QStringLiteral("C0392B"), QStringLiteral("6B3E26"),
                               QStringLiteral("F1C40F"), QStringLiteral("FFFFFF"), QStringLiteral("111111")};

// An office whose skips, clients and waste types carry those colours: for each, a rental on site
// for days (a bar long enough for its client's name), one placed tomorrow by a driver (the
// drivers' day), and one removed with a weighed ticket (the statistics).
std::unique_ptr<ModelContext> colouredOffice()
{
    auto ctx = fixtures::store();
    Chauffeur* chauffeur = fixtures::driver(ctx.get());
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime today = now.date().startOfDay().addSecs(8 * 3600);
    // The drivers' day opens on tomorrow.
    const QDateTime tomorrow = today.addDays(1);
    for (int i = 0; i < kHardColours.size(); ++i) {
        const QString couleur = kHardColours.at(i);
        Client* c = fixtures::officeClient(ctx.get(), QStringLiteral("Client %1 Démolition").arg(couleur));
        c->setCouleur(couleur);
        TypeDechet* type = fixtures::colouredWasteType(ctx.get(), QStringLiteral("Déchet %1").arg(couleur), couleur);
        Benne* longue = fixtures::colouredBenne(ctx.get(), 8, couleur);
        Benne* dujour = fixtures::colouredBenne(ctx.get(), 15, couleur);
        fixtures::placedRental(ctx.get(), c, longue, today.addDays(-6))->setTypeDechet(type);
        LocationDeBenne* posee = fixtures::placedRental(ctx.get(), c, dujour, tomorrow.addSecs(i * 1800));
        posee->setChauffeurPose(chauffeur);
        posee->setTypeDechet(type);
        LocationDeBenne* enlevee =
            fixtures::placedRental(ctx.get(), c, longue, today.addDays(-40), today.addDays(-30 + i));
        enlevee->setTypeDechet(type);
        enlevee->ajouterBonDePesee(today.addDays(-30 + i), QStringLiteral("B-%1").arg(i), std::nullopt,
                                   std::nullopt, 1000 + 100 * i, std::nullopt);
    }
    fixtures::save(ctx.get());
    return ctx;
}

// Relative luminance, as contrast ratios take it.
double luminance(QRgb c)
{
    const auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

// How the strokes written on `fill` in `image` go: a stroke is a short run of other pixels between
// two stretches of the fill on one row (letters are thin; the fill shows between and around
// them). Its ink is its pixel farthest from the fill; the ink belongs on the side (darker or
// lighter) of the colour the shared rule picks.
struct Strokes {
    int right = 0;
    int wrong = 0;
};

Strokes strokesOn(const QImage& image, const QColor& fill)
{
    const QRgb f = fill.rgb();
    const auto isFill = [f](QRgb p) {
        return std::abs(qRed(p) - qRed(f)) <= 3 && std::abs(qGreen(p) - qGreen(f)) <= 3
               && std::abs(qBlue(p) - qBlue(f)) <= 3;
    };
    const bool darkInk = textColorOn(fill) == QColor(Qt::black);
    const double fillLum = luminance(f);
    const int longest = int(std::ceil(6 * image.devicePixelRatio()));
    Strokes s;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width()) {
            // A stretch of fill at least two pixels long, then a stroke, then fill again.
            if (!isFill(row[x]) || x + 1 >= image.width() || !isFill(row[x + 1])) {
                ++x;
                continue;
            }
            while (x + 1 < image.width() && isFill(row[x + 1]))
                ++x;
            int end = x + 1;
            while (end < image.width() && !isFill(row[end]) && end - x - 1 <= longest)
                ++end;
            const int length = end - x - 1;
            if (end + 1 < image.width() && length > 0 && length <= longest && isFill(row[end])
                && isFill(row[end + 1])) {
                QRgb ink = f;
                for (int k = x + 1; k < end; ++k)
                    if (std::abs(luminance(row[k]) - fillLum) > std::abs(luminance(ink) - fillLum))
                        ink = row[k];
                const int distance = std::max({std::abs(qRed(ink) - qRed(f)), std::abs(qGreen(ink) - qGreen(f)),
                                               std::abs(qBlue(ink) - qBlue(f))});
                if (distance >= 40)
                    ((luminance(ink) < fillLum) == darkInk ? s.right : s.wrong)++;
            }
            x = end;
        }
    }
    return s;
}

// Texts written on a user's colour in the ink the shared rule does not pick.
void checkInk(QWidget* window, const QString& where, QStringList* faults)
{
    fixtures::settle();
    const QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    fixtures::capture(window, QStringLiteral("encre ") + where);
    for (const QString& hex : kHardColours) {
        const Strokes s = strokesOn(image, colorFromHex(hex, Qt::gray));
        if (qEnvironmentVariableIsSet("KV_INK"))
            qInfo("%s #%s: %d right, %d wrong", qPrintable(where), qPrintable(hex), s.right, s.wrong);
        // A few stray strokes are shadows and halos; a text in the wrong ink gives dozens, even
        // on a screen where other texts on the same colour read.
        if (s.wrong >= 12 && 4 * s.wrong > s.right)
            faults->append(QStringLiteral("%1: text on #%2 in the wrong ink (%3 strokes against %4)")
                               .arg(where, hex)
                               .arg(s.wrong)
                               .arg(s.right));
    }
}

// Shows each statistic of the window's hub in turn and runs `visit` on it; false when the
// hub is not there.
bool forEachStatistic(ContentView* window, const std::function<void(VueStatistiques*, StatistiqueType)>& visit)
{
    window->setSelection(Commande::statistiques);
    fixtures::settle();
    auto* statistiques = qobject_cast<VueStatistiques*>(window->detailScreen());
    if (!statistiques)
        return false;
    for (StatistiqueType t : toutesLesStatistiques()) {
        statistiques->choisir(t);
        visit(statistiques, t);
    }
    return true;
}

} // namespace

void ReadingTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void ReadingTest::everyTextReadsAtTheSmallestSize_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<qreal>("points");
    QTest::newRow("default") << QString() << QApplication::font().pointSizeF();
    QTest::newRow("light, 12 pt") << QString() << 12.0;
    QTest::newRow("light, 14 pt") << QString() << 14.0;
    // Every scheme the desktop's settings tool ships, dark and light.
    const QDir schemes(QStringLiteral("/usr/share/qt6ct/colors"));
    const QStringList files = schemes.entryList({QStringLiteral("*.conf")});
    QVERIFY2(!files.isEmpty(), "the desktop's colour schemes are installed (scripts/install-deps)");
    for (const QString& file : files)
        QTest::newRow(qPrintable(file.chopped(5))) << schemes.filePath(file) << QApplication::font().pointSizeF();
}

void ReadingTest::everyTextReadsAtTheSmallestSize()
{
    QFETCH(QString, scheme);
    QFETCH(qreal, points);
    const fixtures::DesktopLook look(scheme.isEmpty() ? QApplication::palette() : fixtures::schemePalette(scheme), points);
    auto ctx = ordinaryOffice();
    ContentView window(ctx.get());
    window.resize(window.smallestSize());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList faults;
    const auto check = [&](QWidget* w, const QString& where) {
        checkReadable(w, where, &faults);
        checkContrast(w, where, &faults);
        checkEdges(w, where, &faults);
        checkFocus(w, where, &faults);
        fixtures::capture(w, QStringLiteral("%1 %2 %3").arg(where, QFileInfo(scheme).baseName()).arg(points));
    };
    // Every command, a list's editor open on its first record.
    for (Commande c : toutesLesCommandes()) {
        window.setSelection(c);
        fixtures::settle();
        chooseFirstRow(window.detailScreen());
        check(&window, titre(c));
    }
    // Every statistic.
    QTemporaryDir dossier;
    QVERIFY(forEachStatistic(&window, [&](VueStatistiques* statistiques, StatistiqueType t) {
        check(&window, QStringLiteral("Statistiques, ") + titre(t));
        // The report's PDF pane, then the line saying where the PDF went.
        if (auto* rapport = statistiques->findChild<RapportMensuelView*>(); rapport && rapport->isVisible()) {
            rapport->setSelectedClient(ctx->fetch<Client>({}).first());
            rapport->genererApercuPDF();
            QTRY_VERIFY(rapport->boutonFermerApercu()->isVisible());
            ScopedSaveFileAnswer reponse(dossier.filePath(QStringLiteral("rapport.pdf")));
            rapport->enregistrerApercuPDF();
            QTRY_VERIFY(rapport->confirmation()->isVisible());
            check(&window, QStringLiteral("Statistiques, ") + titre(t) + QStringLiteral(", aperçu PDF enregistré"));
        }
    }));
    // The new-rental sheet over the window, a skip chosen in the planning.
    window.setSelection(Commande::defaut);
    fixtures::settle();
    auto* planning = qobject_cast<VuePlanificationBennes*>(window.detailScreen());
    QVERIFY(planning);
    planning->selectionnerBenne(ctx->fetch<Benne>({}).first());
    QPointer<QDialog> sheet = planning->feuille();
    QVERIFY(sheet && QTest::qWaitForWindowExposed(sheet));
    check(sheet, QStringLiteral("Nouvelle location"));
    sheet->reject();
    fixtures::settle();
    // A delete question: its « Supprimer » reads as its other texts do.
    window.setSelection(Commande::clients);
    fixtures::settle();
    chooseFirstRow(window.detailScreen());
    auto* panel = window.detailScreen()->findChild<forms::ListPanel*>();
    QVERIFY(panel);
    QTest::keyClick(panel->listView(), Qt::Key_Delete);
    QMessageBox* question = nullptr;
    QTRY_VERIFY((question = window.findChild<QMessageBox*>()) && question->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(question));
    check(question, QStringLiteral("Supprimer ce client ?"));
    question->reject();
    fixtures::settle();
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}

void ReadingTest::textOnUsersColoursReads()
{
    auto ctx = colouredOffice();
    ContentView window(ctx.get());
    window.resize(1600, 1000);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList faults;
    for (Commande c : toutesLesCommandes()) {
        window.setSelection(c);
        fixtures::settle();
        chooseFirstRow(window.detailScreen());
        checkInk(&window, titre(c), &faults);
        // The clients' view shows the skips of the client chosen: each client in turn.
        if (auto* parClient = qobject_cast<VueLocationBenne*>(window.detailScreen())) {
            QCOMPARE(parClient->clientsAffiches().size(), kHardColours.size());
            for (Client* client : parClient->clientsAffiches()) {
                CartoucheAnime* tuile = parClient->cartouche(client);
                QVERIFY(tuile);
                QTest::mouseClick(tuile, Qt::LeftButton, {}, tuile->rect().center());
                QTRY_COMPARE(parClient->clientDeLaColonne(), client);
                checkInk(&window, titre(c) + QStringLiteral(", ") + client->nom(), &faults);
            }
        }
    }
    QVERIFY(forEachStatistic(&window, [&](VueStatistiques* statistiques, StatistiqueType t) {
        checkInk(&window, titre(t), &faults);
        auto* repartition = statistiques->findChild<StatistiqueHistogrammeVolumeView*>();
        if (repartition && repartition->isVisible()) {
            repartition->setSelection(HistogrammeSelection::couleur);
            checkInk(&window, titre(t) + QStringLiteral(" par couleur"), &faults);
            repartition->setSelection(HistogrammeSelection::volume);
        }
    }));
    QVERIFY2(fixtures::noFaults(faults), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}
