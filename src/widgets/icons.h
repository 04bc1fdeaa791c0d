#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace kv {

// The icon of a symbol name ("calendar", "gear", …): the desktop theme's icon when the table
// names one and the theme has it, otherwise a pictogram painted in the text colour.
QIcon symbolIcon(const QString& symbolName);

// The theme icon name of a symbol; empty when no theme icon fits.
QString themeIconName(const QString& symbolName);

// The pictogram alone, whatever the theme holds, in `ink` (default: the palette's text colour).
QIcon paintedSymbolIcon(const QString& symbolName, const QColor& ink = QColor());

// True when a pictogram of its own is drawn for the symbol (otherwise a lettered disc is).
bool hasPaintedSymbol(const QString& symbolName);

// The application's icon: a skip, painted.
QIcon applicationIcon();

} // namespace kv
