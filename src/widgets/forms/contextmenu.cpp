#include "contextmenu.h"

#include <QStyleOptionMenuItem>

namespace kv::forms {

namespace {
const char* const kDestructive = "destructive";
}

void markDestructive(QAction* action)
{
    action->setProperty(kDestructive, true);
}

bool isDestructive(const QAction* action)
{
    return action && action->property(kDestructive).toBool();
}

QColor destructiveColor()
{
    return QColor(0xD9, 0x2D, 0x20);
}

ContextMenu::ContextMenu(QWidget* parent) : QMenu(parent)
{
}

void ContextMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    // Under the pointer the entry keeps the selection's colours, which are readable already.
    if (isDestructive(action) && action->isEnabled() && !(option->state & QStyle::State_Selected)) {
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            option->palette.setColor(role, destructiveColor());
    }
}

} // namespace kv::forms
