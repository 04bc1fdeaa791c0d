#pragma once

#include <Qt>

class QAbstractItemView;
class QModelIndex;

namespace kv {

// Where the keyboard arrives in a list. A list given the keys by Tab, F6 or a screen shows them on
// a row the user sees: `preferred` when valid (the chosen row), else the first row wholly in view,
// set without scrolling, so the rows stay where the user put them. A click gives the focus before
// the view reads the row under the pointer: then nothing is set, and the click alone chooses.
// Does nothing when the list already has a current row or no rows.
void keysArriveInView(QAbstractItemView* view, Qt::FocusReason focusReason, const QModelIndex& preferred);
// The keyboard on the first row wholly in view (else the one at the top), without scrolling.
void putKeysInView(QAbstractItemView* view);
// Has `view` follow keysArriveInView each time it takes the keys, its chosen row preferred.
void keysArriveInViewOnFocus(QAbstractItemView* view);

} // namespace kv
