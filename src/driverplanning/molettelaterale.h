#pragma once

// Shift with the wheel scrolls a view sideways, as desktop views do: the turn goes to the view's
// horizontal bar, as a sideways turn of the same size.

class QAbstractScrollArea;
class QWheelEvent;

namespace kv {

// Scrolls `vue` sideways when `event` is a turn of the wheel with Shift held; true when it did
// (the event is then accepted as the bar took it).
bool defilerDeCote(QAbstractScrollArea* vue, QWheelEvent* event);

} // namespace kv
