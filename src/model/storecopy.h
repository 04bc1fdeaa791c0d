#pragma once

#include "modelcontext.h"

#include <functional>

namespace kv {

// Copies every record of a context into the store at `location` (a server database), their
// identifiers kept, in one transaction; then reads the copy back and compares the counts of
// every type. The store must be empty: one that already holds records is refused, and left as
// it was. `progress` is told how many records of how many are written, and stops the copy by
// returning false. False, with the reason, when the copy is refused, stopped or fails: nothing
// of it is left behind.
bool copyStore(const ModelContext& from, const QString& location,
               const std::function<bool(qsizetype done, qsizetype total)>& progress, QString* error);

} // namespace kv
