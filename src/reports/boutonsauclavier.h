#pragma once

class QWidget;

namespace kv {

// Return and Enter press whichever push button of the screen has the keyboard, as Space does and
// as they do in a dialog. Outside a dialog Qt leaves them to the screen; these screens have no
// default action that they would take away.
void retourPresseLesBoutons(QWidget* ecran);

} // namespace kv
