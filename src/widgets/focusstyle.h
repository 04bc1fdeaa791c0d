#pragma once

// Where the keyboard focus is can always be seen. The application's style is wrapped so that a
// widget holding the focus draws its focus indication whether the focus came by Tab, by a
// shortcut or by the program (the base style would wait for a first Tab), and the focus frame
// itself is a clear two-pixel line: in the selection colour on a plain background (taken towards
// black or white until it stands out at 3:1), in the selection's text colour on a selected row.
// Lists, buttons, fields, check boxes and the sidebar all draw their focus through it, at any
// scale. The same style draws fields' frames and check boxes' squares in a colour that stands
// out at 3:1 from what is around them, and keeps the application's palette readable (every text
// at 4.5:1 on its surface) whatever colour scheme the desktop gives.

#include <QProxyStyle>
#include <QStyledItemDelegate>

#include <functional>

class QAbstractScrollArea;
class QApplication;
class QPainter;
class QPalette;

namespace kv {

class FocusStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    // A plain scroll area takes no focus: it would be a Tab stop that shows nothing (its
    // fields, reached by Tab, are scrolled into sight).
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    // A menu's section title is as wide as its text: the base style counts no text in a section,
    // so a menu of short items would cut its title.
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    // A long menu scrolls rather than spreading into columns: in columns, → and ← move across
    // them, and the entry chosen would not be the one the user saw chosen.
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

private:
    // Runs `draw` with a focused option marked as focused by the keyboard.
    static void drawFocused(const QStyleOption* option, const std::function<void()>& draw);
};

// Paints the focus frame inside `rect`; `onSelection` when it stands on the selection colour.
// On a selection it is drawn a few pixels in, the selection's colour showing on both sides: a
// frame at the very edge would only make the selection look a little smaller.
void paintFocusFrame(QPainter* painter, const QRect& rect, const QPalette& palette, bool onSelection);

// A plain list's rows as the style draws them, the row holding the keyboard framed by
// paintFocusFrame whatever the style would do (some draw nothing on a selected row).
class FocusFrameDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Frames `w` (a scroll area's view) while it has the keyboard: for a widget that takes Tab yet
// draws no focus of its own (a PDF's pages scrolled by keys, a stepper of plain widgets). Where
// `w` shows a colour of its own rather than the palette's (white paper), `under` names it.
void outlineFocus(QWidget* w, const QColor& under = QColor());

// Makes `area` a Tab stop of its own while its content is taller than it (a statistic's charts,
// a day's rows without cards): framed while it has the keyboard, paged by PageUp, PageDown and
// the arrows, so that every part of it comes into view by keys. It takes no Tab while it has
// nothing to scroll (a click still gives it the keys when it took them before).
void scrollByKeys(QAbstractScrollArea* area);

// Wraps the application's style once (a second call does nothing); a menu opened by the keys
// shows its first entry chosen from then on.
void installFocusStyle(QApplication* app);

} // namespace kv
