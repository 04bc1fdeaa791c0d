#pragma once

// What the program does to fit the desktop it runs on: Qt's own texts in the user's language,
// and windows that open where the user can see them.

#include <QList>
#include <QLocale>
#include <QRect>
#include <QSize>

#include <optional>

class QSettings;
class QSplitter;
class QWidget;

namespace kv {

// Loads Qt's translations (qtbase) for `locale` and installs them in the application, so the
// standard buttons, the colour dialog and the fields' menus speak the user's language. Returns
// false when no translation exists for that language (the texts stay in English).
bool installQtTranslations(const QLocale& locale);

// The size a main window opens at when nothing was saved.
inline constexpr QSize kDefaultWindowSize{1200, 760};

// Where a window goes. `saved` is the frame it had when last closed (none the first time);
// `available` the available areas of the screens there are now, `primary` the primary one's.
// A saved frame whose centre lies on a screen is kept, shrunk and moved as little as needed to
// lie within that screen's area; otherwise (no frame, or its screen is gone) the window takes
// the saved or default size, at most 90 % of the primary area, centred on it.
// A window never goes below `minimum` unless the area is smaller still.
QRect placeWindow(const std::optional<QRect>& saved, const QList<QRect>& available, const QRect& primary,
                  QSize preferred = kDefaultWindowSize, QSize minimum = QSize(0, 0));

// Saves a window's frame (and whether it is maximised) under `key`, and restores it through
// placeWindow, on the screens there are now.
void saveWindowGeometry(const QWidget* window, QSettings& settings, const QString& key);
void restoreWindowGeometry(QWidget* window, const QSettings& settings, const QString& key);

// Keeps a splitter's positions under `key`: restores them now, saves them when moved.
void keepSplitterState(QSplitter* splitter, QSettings* settings, const QString& key);

} // namespace kv
