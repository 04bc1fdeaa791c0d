#include "focusstyle.h"

#include <cmath>

#include "colors.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCalendarWidget>
#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QTextCharFormat>
#include <QWidget>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>
#include <QStyleOptionFocusRect>

namespace kv {

namespace {
// Set on a scroll area that takes Tab while it has something to scroll.
const char* const kScrollsByKeys = "kvScrollsByKeys";
} // namespace

void paintFocusFrame(QPainter* painter, const QRect& rect, const QPalette& palette, bool onSelection)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    const QColor colour = onSelection ? palette.color(QPalette::HighlightedText) : focusColour(palette);
    QPen pen(colour, 2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    // The pen's two pixels stay inside the rectangle, two more in on a selection.
    const qreal in = onSelection ? 3 : 1;
    painter->drawRect(QRectF(rect).adjusted(in, in, -in, -in));
    painter->restore();
}

void FocusFrameDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem plain(option);
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
    if (option.state & QStyle::State_HasFocus)
        paintFocusFrame(painter, option.rect, option.palette, option.state & QStyle::State_Selected);
}

namespace {

// A button whose style sheet draws its own focus border.
bool drawsItsOwnFocus(const QWidget* widget)
{
    return qobject_cast<const QAbstractButton*>(widget) && widget->styleSheet().contains(QLatin1String(":focus"));
}

// Over the frame the base style drew around a field: an edge that stands out from what is around
// it, or the focus frame while the field has the keys (the base style's focus is a one-pixel
// change of hue).
void paintFieldEdge(QPainter* painter, const QRect& rect, const QStyleOption* option)
{
    if (option->state & QStyle::State_HasFocus) {
        paintFocusFrame(painter, rect, option->palette, false);
        return;
    }
    // At a fractional scale a one-point line falls across two screen pixels, each of them paler
    // than the edge: half a pixel wider than the scale, rounded up, it covers some whole.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const qreal width = std::floor(ratio) == ratio ? 1.0 : std::ceil(ratio + 0.5) / ratio;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(QPen(edgeColour(option->palette), width));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(rect).adjusted(width / 2, width / 2, -width / 2, -width / 2), 2, 2);
    painter->restore();
}

// Over a check box's square or a radio button's circle: its outline, standing out.
void paintIndicatorEdge(QPainter* painter, const QRect& rect, const QPalette& palette, bool round)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, round);
    painter->setPen(QPen(edgeColour(palette), 1));
    painter->setBrush(Qt::NoBrush);
    const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    if (round)
        painter->drawEllipse(r);
    else
        painter->drawRect(r);
    painter->restore();
}

} // namespace

void FocusStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    if (option && (element == PE_FrameLineEdit || element == PE_IndicatorCheckBox || element == PE_IndicatorRadioButton)) {
        drawFocused(option, [&] { QProxyStyle::drawPrimitive(element, option, painter, widget); });
        if (element == PE_FrameLineEdit)
            paintFieldEdge(painter, option->rect, option);
        else
            paintIndicatorEdge(painter, option->rect, option->palette, element == PE_IndicatorRadioButton);
        return;
    }
    if (element == PE_FrameFocusRect && option) {
        // A button whose style sheet draws its own focus border: a frame drawn inside it as well
        // lands on its label (in the button's own colour, it cuts the descenders).
        if (drawsItsOwnFocus(widget))
            return;
        bool onSelection = option->state & State_Selected;
        if (auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option))
            onSelection = onSelection
                          || (focus->backgroundColor.isValid()
                              && focus->backgroundColor == option->palette.color(QPalette::Highlight));
        paintFocusFrame(painter, option->rect, option->palette, onSelection);
        return;
    }
    drawFocused(option, [&] { QProxyStyle::drawPrimitive(element, option, painter, widget); });
}

void FocusStyle::drawFocused(const QStyleOption* option, const std::function<void()>& draw)
{
    if (!option || !(option->state & State_HasFocus)) {
        draw();
        return;
    }
    // The caller's option, whatever its type, is widened for this call only.
    auto& state = const_cast<QStyleOption*>(option)->state;
    const State before = state;
    state |= State_KeyboardFocusChange;
    draw();
    state = before;
}

void FocusStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    drawFocused(option, [&] { QProxyStyle::drawControl(element, option, painter, widget); });
    // A default button is drawn as a focused one is: the focus frame tells them apart.
    if (element == CE_PushButton && option && (option->state & State_HasFocus) && !drawsItsOwnFocus(widget))
        paintFocusFrame(painter, option->rect.adjusted(1, 1, -1, -1), option->palette, false);
}

void FocusStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const
{
    drawFocused(option, [&] { QProxyStyle::drawComplexControl(control, option, painter, widget); });
    // Fields drawn whole by the base style: a spin box (a date field), an editable combo box.
    const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(option);
    const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    if ((control == CC_SpinBox && spin && spin->frame) || (control == CC_ComboBox && combo && combo->editable && combo->frame))
        paintFieldEdge(painter, option->rect, option);
    // A list to open or a slider: the base style's focus is a one-pixel change of hue, or none.
    else if ((control == CC_ComboBox || control == CC_Slider) && option && (option->state & State_HasFocus)
             && !drawsItsOwnFocus(widget))
        paintFocusFrame(painter, option->rect, option->palette, false);
}

QSize FocusStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    // A button's label keeps clear of the focus frame: one pixel in, two wide, then two of air.
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (type == CT_PushButton && button && !(button->features & QStyleOptionButton::Flat) && !drawsItsOwnFocus(widget))
        result.setWidth(std::max(result.width(), size.width() + 2 * 5));
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type == CT_MenuItem && item && item->menuItemType == QStyleOptionMenuItem::Separator && !item->text.isEmpty()) {
        // The style draws the title within a margin of a few points on each side.
        constexpr int kMarges = 2 * 6;
        result.setWidth(std::max(result.width(), QFontMetrics(item->font).horizontalAdvance(item->text) + kMarges));
    }
    return result;
}

int FocusStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const
{
    if (hint == SH_Menu_Scrollable)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void FocusStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (qstrcmp(widget->metaObject()->className(), "QScrollArea") == 0 && !widget->property(kScrollsByKeys).isValid())
        widget->setFocusPolicy(Qt::NoFocus);
    // A calendar writes its weekends in a pure red, on its fields' colour and on its header's.
    if (auto* calendar = qobject_cast<QCalendarWidget*>(widget)) {
        const QPalette& p = calendar->palette();
        QTextCharFormat weekend;
        weekend.setForeground(inkOnAll(QColor(Qt::red), {p.color(QPalette::Base), p.color(QPalette::AlternateBase)}, 4.5));
        for (Qt::DayOfWeek day : {Qt::Saturday, Qt::Sunday})
            calendar->setWeekdayTextFormat(day, weekend);
    }
}

namespace {

// Drawn over a widget (over a scroll area's view), as large as it, while the widget has the keyboard.
class FocusOutline : public QWidget {
public:
    FocusOutline(QWidget* target, QWidget* host) : QWidget(host), m_target(target)
    {
        setObjectName(QStringLiteral("focusOutline"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        target->installEventFilter(this);
        host->installEventFilter(this);
        follow();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut || event->type() == QEvent::Resize)
            follow();
        return false;
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        paintFocusFrame(&p, rect(), palette(), false);
    }

private:
    void follow()
    {
        setGeometry(parentWidget()->rect());
        setVisible(m_target->hasFocus());
        raise();
    }

    QWidget* m_target;
};

} // namespace

void outlineFocus(QWidget* w, const QColor& under)
{
    auto* area = qobject_cast<QAbstractScrollArea*>(w);
    auto* outline = new FocusOutline(w, area ? area->viewport() : w);
    if (!under.isValid())
        return;
    // The frame is drawn in a colour that stands out from that one.
    QPalette p = outline->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button})
        p.setColor(role, under);
    outline->setPalette(p);
}

namespace {

// Keeps the application's palette readable (readablePalette) whichever palette the desktop or
// the program sets.
class PaletteMender : public QObject {
public:
    explicit PaletteMender(QObject* parent) : QObject(parent)
    {
        mend();
        // A desktop's settings tool may lay its palette once the event loop runs.
        QMetaObject::invokeMethod(this, &PaletteMender::mend, Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The application hears of a new palette; a window of a new theme (some desktop tools
        // lay their palette on the windows themselves).
        const bool news = (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
                          || ((event->type() == QEvent::ThemeChange || event->type() == QEvent::PaletteChange)
                              && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow());
        if (news && !m_mending)
            mend();
        return false;
    }

private:
    void mend()
    {
        const QPalette now = QApplication::palette();
        QPalette readable = readablePalette(now);
        if (readable == now)
            return;
        // Every colour set, those kept as they are too: a colour left unset would be taken again
        // from the style's own palette, not the desktop's (a scheme's grey fields turned white).
        for (int group = 0; group < QPalette::NColorGroups; ++group)
            for (int role = 0; role < QPalette::NColorRoles; ++role) {
                const auto g = QPalette::ColorGroup(group);
                const auto r = QPalette::ColorRole(role);
                readable.setBrush(g, r, readable.brush(g, r));
            }
        m_mending = true;
        QApplication::setPalette(readable);
        m_mending = false;
    }

    bool m_mending = false;
};

// A menu opened by the keys (the Menu key, Shift+F10, Return on a button) shows its first entry
// chosen, as the menu bar's menus do under F10: the keys are in the menu, the entry they stand on
// is seen, and a screen reader names it as the menu opens. A menu opened by the mouse stays as
// the pointer leaves it.
class MenuFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            m_byKeys = true;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            m_byKeys = false;
            break;
        case QEvent::MouseMove:
            // Pointing into a menu opens its submenus as the pointer goes.
            if (qobject_cast<QMenu*>(watched))
                m_byKeys = false;
            break;
        case QEvent::Show:
            if (auto* menu = qobject_cast<QMenu*>(watched); menu && m_byKeys && menu->isWindow())
                // Once the one who opened it is done: a menu bar's menu chooses its first entry
                // itself, right after showing it.
                QMetaObject::invokeMethod(
                    this, [menu = QPointer<QMenu>(menu)] { chooseFirstEntry(menu); }, Qt::QueuedConnection);
            break;
        default:
            break;
        }
        return false;
    }

private:
    static void chooseFirstEntry(QMenu* menu)
    {
        if (!menu || !menu->isVisible() || menu->activeAction())
            return;
        for (QAction* a : menu->actions())
            if (a->isVisible() && a->isEnabled() && !a->isSeparator()) {
                menu->setActiveAction(a);
                return;
            }
    }

    bool m_byKeys = false;
};

} // namespace
void scrollByKeys(QAbstractScrollArea* area)
{
    area->setProperty(kScrollsByKeys, true);
    new FocusOutline(area, area);
    QScrollBar* bar = area->verticalScrollBar();
    const auto still = Qt::FocusPolicy(area->focusPolicy() & ~Qt::TabFocus);
    const auto follow = [area, bar, still] { area->setFocusPolicy(bar->maximum() > 0 ? Qt::StrongFocus : still); };
    QObject::connect(bar, &QScrollBar::rangeChanged, area, follow);
    follow();
}

void installFocusStyle(QApplication* app)
{
    if (qobject_cast<FocusStyle*>(app->style()))
        return;
    // The style itself is wrapped, not a new one of its name: a desktop's own style (a settings
    // tool's) cannot be made again by name, and its stand-in would lay its own palette.
    QApplication::setStyle(new FocusStyle(app->style()));
    app->installEventFilter(new PaletteMender(app));
    app->installEventFilter(new MenuFocus(app));
}

} // namespace kv
