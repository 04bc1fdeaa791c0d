#pragma once

// What the store holds, described once and for every database: its tables, their columns with
// the kind of value each holds, which columns are links and the rule their target's deletion
// follows (from the relationship table), and the join tables of list ends. A backend generates
// its schema, its statements and its loading from this description; it names no database.

#include "relationships.h"

#include <QByteArrayView>

#include <array>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kv {

// The version of the schema this program writes; a store of a higher version is refused.
inline constexpr int kSchemaVersion = 2;

// A failure while a backend reads or writes; its message is shown to the user.
struct StoreError : std::runtime_error {
    explicit StoreError(const QString& m) : std::runtime_error(m.toStdString()) {}
};

// The kinds of value a column holds. Dates are milliseconds since the epoch; a link is the
// persistent identifier of its target.
enum class ColumnKind { Text, Real, Integer, Boolean, Uuid, Date, Link };

// A backend's end of a row being written: one value per column position.
class RowWriter {
public:
    virtual void null(int i) = 0;
    virtual void text(int i, QByteArrayView utf8) = 0;
    virtual void real(int i, double v) = 0;
    virtual void integer(int i, qint64 v) = 0;
    virtual void boolean(int i, bool v) = 0;
    virtual void uuid(int i, const QUuid& v) = 0;
    virtual void date(int i, qint64 ms) = 0;
    virtual void link(int i, qint64 key) = 0;

protected:
    ~RowWriter() = default;
};

// A backend's end of a row being read. A value that is not of the column's kind throws a
// StoreError naming the column.
class RowReader {
public:
    virtual bool isNull(int i) = 0;
    virtual QByteArrayView text(int i) = 0; // valid until the next row
    virtual double real(int i) = 0;
    virtual qint64 integer(int i) = 0;
    virtual bool boolean(int i) = 0;
    virtual QUuid uuid(int i) = 0;
    virtual qint64 date(int i) = 0;
    virtual qint64 link(int i) = 0;

protected:
    ~RowReader() = default;
};

struct LoadedRecords;

// Finds a loaded record by its persistent identifier while a store loads.
struct KeyLookup {
    const LoadedRecords* loaded = nullptr;
    Record* find(EntityType type, qint64 key) const;
};

struct ColumnDef {
    const char* name;
    ColumnKind kind;
    bool optional;                      // may be absent (NULL)
    const Relationship* link = nullptr; // a to-one end: its relationship
    // The column's value of a record, written at position `i`; a link must point at a live
    // record of the same store, a number must be finite.
    std::function<void(const Record*, RowWriter&, int i)> write;
    // Reads the value at position `i` into the record.
    std::function<void(Record*, RowReader&, int i, const KeyLookup&)> read;
    // Whether the record holds the same value as `before`, a copy of its stored values.
    std::function<bool(const Record*, const void* before)> same;
    int since = 1; // the schema version that added the column
};

struct TableDef {
    EntityType type;
    const char* name;
    std::vector<ColumnDef> columns;
    std::function<Record*()> make;
    bool hasId() const { return type != EntityType::Contact; } // a unique `id` column
};

// Records read from a store, handed to the context that will own them.
struct LoadedRecords {
    ModelContext* owner = nullptr; // the context the records are read for
    std::array<std::vector<std::unique_ptr<Record>>, kEntityTypeCount> byType; // in identifier order
    std::array<std::vector<qint64>, kEntityTypeCount> pks; // their identifiers, side by side
};

// One record of a change set: written whole (inserted), column by column (changed), or removed.
struct RecordChange {
    enum Kind : quint8 { Insert, Update, Delete };
    Kind kind;
    Record* record;
    const void* before = nullptr; // Update: the values last saved, when known
};

// Everything one save writes, in one transaction.
using ChangeSet = std::vector<RecordChange>;

// Identifiers and list positions grow by one from the highest stored: far below the 64-bit limit.
inline constexpr qint64 kMaxKey = qint64(1) << 62;

// The description, and what every backend does alike with records.
struct StoreSchema {
    // The tables, in loading order: every to-one target is loaded before the records that
    // point at it.
    static const std::vector<TableDef>& tables();
    static const TableDef& table(EntityType type);

    // A record of the table, as the store materialises it, with its identifier.
    static std::unique_ptr<Record> make(const TableDef& t, qint64 key);
    // Reads a row's columns (from position `first` on) into a record just made, and checks
    // what the writer would refuse; the message names the table and the row. Then gives the
    // record to `loaded`, stored.
    static void readRow(const TableDef& t, std::unique_ptr<Record> r, RowReader& row, int first,
                        const KeyLookup& lookup, LoadedRecords& loaded);
    // Its required ends hold a target.
    static void checkRequiredLinks(const TableDef& t, const Record* r);
    // Before a row is written, whichever of its columns are: every end points at a live record
    // of the same store, and the required ends at one.
    static void checkLinks(const TableDef& t, const Record* r);
    // A link may only point at a live record of the same store.
    static void checkTarget(const Record* source, const Record* target, const char* name);
    // What a save writes into the join table of a list end: the rows of the changed sources
    // (and many-to-many targets) removed, the rows of deleted targets removed, then their
    // pairs written again, each once, with their positions.
    struct JoinRow {
        Record* source;
        Record* target;
        qint64 sourcePos, targetPos;
    };
    struct JoinPlan {
        std::vector<qint64> deleteBySource, deleteByTarget;
        std::vector<JoinRow> rows;
    };
    static JoinPlan planJoin(const Relationship& rel, const ChangeSet& changes);
    // Calls `write` for each change in the order every backend writes them: deletions first, so
    // that a new record may take a freed identifier, then insertions, then updates; `done` counts
    // the changes written so far.
    template <class Write>
    static void inWriteOrder(const ChangeSet& changes, Write&& write)
    {
        qsizetype done = 0;
        for (RecordChange::Kind kind : {RecordChange::Delete, RecordChange::Insert, RecordChange::Update})
            for (const RecordChange& c : changes)
                if (c.kind == kind)
                    write(c, ++done);
    }
    // After loading: puts the rows of a list end in the lists, in the order of their positions.
    static void fillLists(const Relationship& rel, std::vector<JoinRow>& rows);
    // Brings records read from a store of an earlier schema `version` up to date, as they are
    // shown today: each filled record is returned, to be written with the upgrade.
    static ChangeSet upgradeRecords(LoadedRecords& loaded, int version);
    // A skip state that is none of the known texts is said, and kept as it is.
    static void reportUnknownStates(const LoadedRecords& loaded);
};

} // namespace kv
