#include "focusstyle.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
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
    const QColor colour = onSelection ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Highlight);
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

void FocusStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    if (element == PE_FrameFocusRect && option) {
        // A button whose style sheet draws its own focus border: a frame drawn inside it as well
        // lands on its label (in the button's own colour, it cuts the descenders).
        if (qobject_cast<const QAbstractButton*>(widget) && widget->styleSheet().contains(QLatin1String(":focus")))
            return;
        bool onSelection = option->state & State_Selected;
        if (auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option))
            onSelection = onSelection
                          || (focus->backgroundColor.isValid()
                              && focus->backgroundColor == option->palette.color(QPalette::Highlight));
        paintFocusFrame(painter, option->rect, option->palette, onSelection);
        return;
    }
    if (!option || !(option->state & State_HasFocus)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // The caller's option, whatever its type, is widened for this call only.
    auto& state = const_cast<QStyleOption*>(option)->state;
    const State before = state;
    state |= State_KeyboardFocusChange;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    state = before;
}

void FocusStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    if (!option || !(option->state & State_HasFocus)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    auto& state = const_cast<QStyleOption*>(option)->state;
    const State before = state;
    state |= State_KeyboardFocusChange;
    QProxyStyle::drawControl(element, option, painter, widget);
    state = before;
}

void FocusStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const
{
    if (!option || !(option->state & State_HasFocus)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    auto& state = const_cast<QStyleOptionComplex*>(option)->state;
    const State before = state;
    state |= State_KeyboardFocusChange;
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    state = before;
}

QSize FocusStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type == CT_MenuItem && item && item->menuItemType == QStyleOptionMenuItem::Separator && !item->text.isEmpty()) {
        // The style draws the title within a margin of a few points on each side.
        constexpr int kMarges = 2 * 6;
        result.setWidth(std::max(result.width(), QFontMetrics(item->font).horizontalAdvance(item->text) + kMarges));
    }
    return result;
}

void FocusStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (qstrcmp(widget->metaObject()->className(), "QScrollArea") == 0 && !widget->property(kScrollsByKeys).isValid())
        widget->setFocusPolicy(Qt::NoFocus);
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

void outlineFocus(QWidget* w)
{
    auto* area = qobject_cast<QAbstractScrollArea*>(w);
    new FocusOutline(w, area ? area->viewport() : w);
}

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
    QApplication::setStyle(new FocusStyle(app->style()->name()));
}

} // namespace kv
