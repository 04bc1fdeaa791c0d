#pragma once

// Commands a screen puts in the main window's toolbar while it is shown. The screen adds them
// to itself with addToolbarAction(); the window shows them and takes them away with the screen.

#include <QAction>
#include <QWidget>

namespace kv {

inline constexpr const char* kToolbarActionProperty = "kvToolbarAction";

inline void addToolbarAction(QWidget* screen, QAction* action)
{
    action->setProperty(kToolbarActionProperty, true);
    screen->addAction(action);
}

inline QList<QAction*> toolbarActions(const QWidget* screen)
{
    QList<QAction*> out;
    if (!screen)
        return out;
    for (QAction* a : screen->actions())
        if (a->property(kToolbarActionProperty).toBool())
            out.append(a);
    return out;
}

} // namespace kv
