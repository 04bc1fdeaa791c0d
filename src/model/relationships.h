#pragma once

// Every relationship of the store, described once: its two ends, whether the source end is a
// list, the order its lists keep, what deleting a target does, and the join table of a list end.
// Deletion, the inverse lists rebuilt after loading or a rollback, joining a context, change
// notices and the file's join tables are all driven from this table.

#include "records.h"

#include <functional>
#include <vector>

namespace kv {

// What happens to the records pointing at a target when the target is deleted.
enum class DeleteRule {
    Nullify, // their link is cleared (removed from their list)
    Cascade, // they are deleted too
    Deny,    // the deletion is refused while any points at it
};

// The table holding a list end in the file: one row per (source, target) with the target's
// position in the source's list, and for a many-to-many end the source's position in the
// target's list.
struct JoinTable {
    const char* name = nullptr;
    const char* sourceColumn = nullptr;
    const char* targetColumn = nullptr;
    const char* sourcePosition = nullptr;
    const char* targetPosition = nullptr; // many-to-many only
    const char* sourceIndex = nullptr;
    const char* targetIndex = nullptr;    // may be absent
};

struct Relationship {
    const char* name = nullptr; // the source's end (a column, or a list in a join table)
    EntityType source{};
    EntityType target{};
    bool toMany = false;        // the source's end is a list
    const char* inverse = nullptr; // the target's end; null for a one-way end
    DeleteRule onTargetDeleted = DeleteRule::Nullify;
    bool required = false;      // a source is not saved without its target
    const char* denyMessage = nullptr; // DeleteRule::Deny: "%1" is the number of sources
    JoinTable join;             // toMany only

    bool pairedToOne() const { return !toMany && inverse; }
    bool manyToMany() const { return toMany && inverse; }

    // To-one source end.
    std::function<Record*(const Record* source)> targetOf;
    std::function<void(Record* source, Record* target)> setTarget; // the setter: pairs and notes
    std::function<qint64&(Record* source)> order; // paired: position in the target's list
    // To-many source end (stored list).
    std::function<QList<Record*>(const Record* source)> targetsOf;
    std::function<void(Record* source, Record* target)> removeTarget; // notes the change
    // Target end: the paired list (derived from the sources' to-one ends, or the other stored
    // list of a many-to-many relationship).
    std::function<QList<Record*>(const Record* target)> inverseOf;
    // Raw list operations, for loading, deletion and rebuilding; they note nothing.
    std::function<void(Record* source, Record* target)> appendTargetRaw;
    std::function<void(Record* source, Record* target)> removeTargetRaw;
    std::function<void(Record* target, Record* source)> appendInverseRaw;
    std::function<bool(Record* target, Record* source)> removeInverseRaw;
    std::function<void(Record* target)> clearInverseRaw;
    std::function<void(Record* target)> sortInverseRaw; // paired: by the sources' positions
    std::function<void(Record* source)> purgeDeletedRaw; // lists: drops deleted targets
};

const std::vector<Relationship>& relationships();
// The relationships whose source end, or target end, is on records of this type.
const std::vector<const Relationship*>& relationshipsFrom(EntityType type);
const std::vector<const Relationship*>& relationshipsTo(EntityType type);
// The relationship of this source type whose source end has this name, or null.
const Relationship* relationshipNamed(EntityType source, const char* name);

// Every record reached from `r` through its ends: its targets, and the records of its paired lists.
void forEachRelated(const Record* r, const std::function<void(Record*)>& f);

} // namespace kv
