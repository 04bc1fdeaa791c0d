#pragma once

// Where the screen tests measure what a user can see of a widget, and how well it stands out
// under a desktop's own colours and font.

#include "widgets/forms/formstyle.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QHash>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace fixtures {

// The part of `w` that its ancestors leave in view, in `window`'s coordinates. What lies below
// the fold of a scroll area that scrolls up and down is reached by scrolling: such an area cuts
// only sideways.
inline QRect shownPart(QWidget* w, QWidget* window)
{
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    bool scrollsDown = false;
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        QRect room = p == window ? window->rect() : QRect(p->mapTo(window, QPoint(0, 0)), p->size());
        auto* area = qobject_cast<QAbstractScrollArea*>(p->parentWidget());
        scrollsDown = scrollsDown || (area && area->viewport() == p && area->verticalScrollBar()->isVisible());
        if (scrollsDown) {
            room.setTop(std::min(room.top(), r.top()));
            room.setBottom(std::max(room.bottom(), r.bottom()));
        }
        r &= room;
        if (p == window)
            break;
    }
    return r;
}

// A dark desktop's colours, as a dark colour scheme of the desktop's settings gives them: white
// text on a near-black window, grey buttons and fields, a deep blue selection.
inline QPalette darkDesktopPalette()
{
    const QColor white(0xff, 0xff, 0xff);
    QPalette p(white, QColor(0x42, 0x42, 0x45), QColor(0x97, 0x97, 0x97), QColor(0x30, 0x2f, 0x2e),
               QColor(0x4a, 0x49, 0x47), white, white, QColor(0x3d, 0x3d, 0x3d), QColor(0x22, 0x20, 0x20));
    p.setColor(QPalette::Midlight, QColor(0x5e, 0x5c, 0x5b));
    p.setColor(QPalette::Shadow, QColor(0xe7, 0xe4, 0xe0));
    p.setColor(QPalette::Highlight, QColor(0x12, 0x60, 0x8a));
    p.setColor(QPalette::HighlightedText, QColor(0xf9, 0xf9, 0xf9));
    p.setColor(QPalette::Link, QColor(0x09, 0x86, 0xd3));
    p.setColor(QPalette::LinkVisited, QColor(0xa7, 0x0b, 0x06));
    p.setColor(QPalette::AlternateBase, QColor(0x5c, 0x5b, 0x5a));
    p.setColor(QPalette::ToolTipBase, QColor(0x3f, 0x3f, 0x36));
    p.setColor(QPalette::ToolTipText, white);
    p.setColor(QPalette::PlaceholderText, QColor(0xff, 0xff, 0xff, 0x80));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        p.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    return p;
}

// For its lifetime, the application in a desktop's look: the dark palette or the one it had, and
// an application font of `points`.
struct DesktopLook {
    explicit DesktopLook(bool dark, qreal points) : palette(QApplication::palette()), font(QApplication::font())
    {
        QFont f = font;
        f.setPointSizeF(points);
        QApplication::setFont(f);
        if (dark)
            QApplication::setPalette(darkDesktopPalette());
    }
    ~DesktopLook()
    {
        QApplication::setPalette(palette);
        QApplication::setFont(font);
    }
    DesktopLook(const DesktopLook&) = delete;
    DesktopLook& operator=(const DesktopLook&) = delete;
    const QPalette palette;
    const QFont font;
};

// The contrast of what is drawn in `zone` of `image` (device pixels): the commonest colour is the
// background, the ink the colour on a few pixels at least (not an edge's blend) that stands out
// most from it. Thin strokes of a small font are all edge: where the widget's text colour is
// known, `ink` counts too, as it shows over that background.
inline double drawnContrast(const QImage& image, const QRect& zone, const QColor& ink = QColor())
{
    QHash<QRgb, int> count;
    const QRect r = zone & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++count[image.pixel(x, y) | 0xff000000u];
    QRgb back = 0;
    for (auto it = count.constBegin(); it != count.constEnd(); ++it)
        if (it.value() > count.value(back))
            back = it.key();
    double best = 1;
    for (auto it = count.constBegin(); it != count.constEnd(); ++it)
        if (it.value() >= 3)
            best = std::max(best, kv::forms::contrastRatio(QColor::fromRgb(it.key()), QColor::fromRgb(back)));
    if (ink.isValid()) {
        const QColor under = QColor::fromRgb(back);
        const qreal a = ink.alphaF();
        const QColor seen = QColor::fromRgbF(float(ink.redF() * a + under.redF() * (1 - a)),
                                             float(ink.greenF() * a + under.greenF() * (1 - a)),
                                             float(ink.blueF() * a + under.blueF() * (1 - a)));
        best = std::max(best, kv::forms::contrastRatio(seen, under));
    }
    return best;
}

} // namespace fixtures
