#pragma once

// The context menu of list rows. An entry that destroys (delete) is marked destructive and
// drawn in red, as the desktop's own destructive commands are.

#include <QMenu>

namespace kv::forms {

// Marks an entry as destructive (drawn red in a ContextMenu).
void markDestructive(QAction* action);
bool isDestructive(const QAction* action);

class ContextMenu : public QMenu {
    Q_OBJECT
public:
    explicit ContextMenu(QWidget* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

// The red of destructive commands.
QColor destructiveColor();

} // namespace kv::forms
