#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace kv {

// Icons come from a maintained theme: the desktop's own, else Breeze (installed with the
// program's packages). Call once at start-up: Qt's own icons then come from Breeze as well.
void useIconTheme();

// The icon of a symbol name ("calendar", "gear", …): the theme icon the symbol table names, its
// text-coloured parts drawn in the palette's text colour (the selection's text colour on a
// selected row), so that it follows a dark palette. A symbol that no theme icon fits is painted.
QIcon symbolIcon(const QString& symbolName);

// The same icon drawn all in `ink` whatever the palette says.
QIcon paintedSymbolIcon(const QString& symbolName, const QColor& ink);

// The theme icon name of a symbol; empty when no theme icon fits.
QString themeIconName(const QString& symbolName);

// True when the symbol is painted here (no theme icon fits it).
bool hasPaintedSymbol(const QString& symbolName);
// True when the symbol's theme icon is installed.
bool hasThemeSymbol(const QString& symbolName);

// The application's icon: a skip (the file installed as TAV.Kestrovan.svg).
QIcon applicationIcon();

} // namespace kv
