#pragma once

// Shift with the wheel scrolls a view sideways, as desktop views do: the turn goes to the view's
// horizontal bar, which moves as it would under the same turn (down goes right).

class QAbstractScrollArea;
class QWheelEvent;

namespace kv {

// Scrolls `vue` sideways when `event` is a turn of the wheel with Shift held; true when it did
// (the event is then accepted as the bar took it).
bool defilerDeCote(QAbstractScrollArea* vue, QWheelEvent* event);

} // namespace kv
