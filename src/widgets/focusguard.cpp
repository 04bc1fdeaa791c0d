#include "focusguard.h"

#include <QApplication>
#include <QWidget>

namespace kv {

void releaseFocusWithin(QWidget* root)
{
    QWidget* focused = QApplication::focusWidget();
    if (root && focused && (focused == root || root->isAncestorOf(focused)))
        focused->clearFocus();
}

} // namespace kv
