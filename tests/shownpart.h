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
#include <QSettings>
#include <QWidget>

#include <algorithm>
#include <iterator>

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

// A dark desktop's colours, as a dark colour scheme of the desktop's settings gives them (role by
// role in QPalette's order): white text on a near-black window, grey fields, a deep blue selection.
inline QPalette darkDesktopPalette()
{
    const char* const colours[] = {"#ffffff", "#424245", "#979797", "#5e5c5b", "#302f2e", "#4a4947", "#ffffff",
                                   "#ffffff", "#ffffff", "#3d3d3d", "#222020", "#e7e4e0", "#12608a", "#f9f9f9",
                                   "#0986d3", "#a70b06", "#5c5b5a", "#000000", "#3f3f36", "#ffffff", "#80ffffff"};
    QPalette p;
    for (int role = 0; role < int(std::size(colours)); ++role)
        if (role != QPalette::NoRole)
            p.setColor(QPalette::ColorRole(role), QColor(QLatin1String(colours[role])));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        p.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
    return p;
}

// The palette a desktop's colour scheme file gives the application, as the qt6ct settings tool
// applies it: the active, inactive and disabled groups each list the roles in QPalette's order.
inline QPalette schemePalette(const QString& file)
{
    QSettings scheme(file, QSettings::IniFormat);
    QPalette p;
    const std::pair<const char*, QPalette::ColorGroup> groups[] = {
        {"ColorScheme/active_colors", QPalette::Active},
        {"ColorScheme/inactive_colors", QPalette::Inactive},
        {"ColorScheme/disabled_colors", QPalette::Disabled}};
    for (const auto& [key, group] : groups) {
        const QStringList colours = scheme.value(QLatin1String(key)).toStringList();
        for (int role = 0; role < std::min<int>(colours.size(), QPalette::NColorRoles); ++role)
            if (role != QPalette::NoRole)
                p.setColor(group, QPalette::ColorRole(role), QColor(colours.at(role).trimmed()));
    }
    return p;
}

// For its lifetime, the application in a desktop's look: the dark palette or the one it had, and
// an application font of `points`.
struct DesktopLook {
    explicit DesktopLook(bool dark, qreal points)
        : DesktopLook(dark ? darkDesktopPalette() : QApplication::palette(), points)
    {
    }
    DesktopLook(const QPalette& scheme, qreal points) : palette(QApplication::palette()), font(QApplication::font())
    {
        QFont f = font;
        f.setPointSizeF(points);
        QApplication::setFont(f);
        QApplication::setPalette(scheme);
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
