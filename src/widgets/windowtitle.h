#pragma once

#include <QString>

class QWidget;

namespace kv {

// A window's title is decided in one place, here. The window names the screen it shows
// (setScreenTitle); a part of that screen that names what it shows (a form naming its record)
// keeps its own title (setPartTitle), which stands while the part is shown; the part says when
// it shows, hides or goes by setting it again (empty when it goes). The title is the shown part's when there is one, else the screen's:
// never the name of a screen gone, whatever order the parts come and go in.
// A null screen title lets the window go: its parts leaving then leave its title alone.
// Screen readers hear the title without the symbols drawn in it (« →Facturation » is read
// « Facturation »), and each change of it as a change of the window's name.
void setScreenTitle(QWidget* window, const QString& title);
void setPartTitle(QWidget* part, const QString& title);
// Said by a part as it is destroyed.
void partGone(QWidget* part);
// Decides `window`'s title again from its screen and its parts shown.
void updateWindowTitle(QWidget* window);
// What a reader hears of a name shown with symbols.
QString spokenTitle(const QString& shown);

} // namespace kv
