#pragma once

#include "records.h"

#include <QObject>
#include <QTimer>


#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <vector>

namespace kv {

class StoreBackend;
struct LoadedRecords;
struct RecordChange;
struct Relationship;

// What a fetch asks for: an optional predicate, an optional order and an optional limit.
template <class T>
struct FetchDescriptor {
    std::function<bool(const T*)> predicate;
    std::function<bool(const T*, const T*)> lessThan; // strict weak order; stable
    int fetchLimit = 0;                               // 0: no limit
};

// A bit set of record types.
using EntityTypeMask = quint32;
constexpr EntityTypeMask entityBit(EntityType type) { return EntityTypeMask(1) << int(type); }
static_assert(kEntityTypeCount <= 32);

// What changed since the previous notice: the record types touched and the records inserted,
// modified and deleted. A record appears in one list only, by its state at the end of the turn
// (a record inserted then deleted before the notice is listed as deleted, so that a listener
// that read it in between drops it). Copies share their data.
class ModelChanges {
public:
    ModelChanges() = default;
    // A notice for listeners that must assume anything may have changed.
    static ModelChanges everything();

    bool isEverything() const { return m_d && m_d->everything; }
    bool isEmpty() const { return !m_d || (!m_d->everything && m_d->types == 0); }
    EntityTypeMask types() const { return m_d ? (m_d->everything ? ~EntityTypeMask(0) : m_d->types) : 0; }
    bool touches(EntityType type) const { return types() & entityBit(type); }
    bool touchesAny(EntityTypeMask mask) const { return types() & mask; }

    const std::vector<Record*>& inserted() const { return m_d ? m_d->inserted : empty(); }
    const std::vector<Record*>& modified() const { return m_d ? m_d->modified : empty(); }
    const std::vector<Record*>& deleted() const { return m_d ? m_d->deleted : empty(); }

private:
    friend class ModelContext;
    struct Data {
        bool everything = false;
        EntityTypeMask types = 0;
        std::vector<Record*> inserted, modified, deleted;
    };
    static const std::vector<Record*>& empty();
    std::shared_ptr<const Data> m_d;
};

// Why a store could not be opened: not a store of ours (foreign), a store of ours that is
// damaged, a store written by a newer version, a file that cannot be read or written (the
// system's reason is in the message), or a store that another opener holds.
enum class OpenFailure { None, NotAStore, Damaged, NewerVersion, CannotOpen, AlreadyOpen };

// One writer per store: a lock file beside the store, held by whoever opened it for as long as
// it stays open. Every opener takes it, so that two programs (or two contexts of one program)
// never write into the same store. The hold is the system's own lock on the file, which ends
// with its process however that process ends: a file left behind by a program that was killed
// or a machine that lost power, whatever it holds, keeps no one out.
class StoreLock {
public:
    // Takes the lock of the store file at `path`. Null when another opener holds it (`failure`
    // AlreadyOpen, `holder` its process id, `inThisProgram` when that is this process) or when
    // the lock cannot be made (CannotOpen); `error` says which.
    static std::unique_ptr<StoreLock> take(const QString& path, QString* error = nullptr,
                                           OpenFailure* failure = nullptr, qint64* holder = nullptr,
                                           bool* inThisProgram = nullptr);
    ~StoreLock();

private:
    StoreLock() = default;
    QByteArray m_path; // empty for a store without file
    int m_fd = -1;
    std::pair<quint64, quint64> m_file; // the lock file's device and inode
};

// The model context of one store: every record of the store, loaded at opening, with pending
// insertions, changes and deletions written by save() in one transaction.
class ModelContext : public QObject {
    Q_OBJECT
public:
    // Opens (or creates) the store file at `path` (":memory:" for a store without file).
    // Returns null and fills `error` and `failure` when the file is not a store of ours, is
    // damaged or comes from a newer version; such a file is never written to.
    // The store's lock is taken first: a store that another opener holds is refused
    // (AlreadyOpen) and nothing is read or written.
    static std::unique_ptr<ModelContext> open(const QString& path, QString* error = nullptr,
                                              OpenFailure* failure = nullptr);
    // The same with the store's lock already taken by the caller; the context keeps it.
    static std::unique_ptr<ModelContext> open(std::unique_ptr<StoreLock> lock, const QString& path,
                                              QString* error = nullptr, OpenFailure* failure = nullptr);
    ~ModelContext() override;

    // Closes the store file (its write-ahead log written back into it) and releases its lock;
    // the records stay readable in memory, and a later save fails. For leaving the program:
    // pending changes are not saved here.
    void closeFile();

    // What the file at `path` is, found without writing anything to it or its journal but what
    // every opener of a store of ours does first (a cut save rolled back, a log's index
    // rebuilt): None for a sound store of ours, or for a path where a new store would be created.
    static OpenFailure inspect(const QString& path, QString* error = nullptr);

    QString filePath() const;

    // Adds a new record (and every record linked to it that belongs to no context yet). The
    // context takes ownership. Inserting a record of this context again does nothing.
    void insert(Record* record);

    // Deletes a record and applies the delete rules at once. Returns false, with a reason, when
    // the deletion is refused (a training course still followed by a driver).
    bool remove(Record* record, QString* error = nullptr);

    // How many records of each type the delete rules would delete along with these records
    // (the records themselves not counted), found by following the cascading ends. Nothing is
    // changed.
    std::array<qsizetype, kEntityTypeCount> deletedAlong(const QList<Record*>& records) const;

    // Every live record of one type, in store order (creation order).
    template <class T>
    QList<T*> all() const
    {
        const auto& v = liveRecords(T::kType);
        QList<T*> out;
        out.reserve(qsizetype(v.size()));
        for (Record* r : v)
            out.append(static_cast<T*>(r));
        return out;
    }
    template <class T>
    qsizetype count() const { return qsizetype(liveRecords(T::kType).size()); }

    template <class T>
    QList<T*> fetch(const FetchDescriptor<T>& descriptor = {}) const
    {
        QList<T*> out;
        for (Record* r : liveRecords(T::kType)) {
            T* t = static_cast<T*>(r);
            if (!descriptor.predicate || descriptor.predicate(t))
                out.append(t);
        }
        if (descriptor.lessThan)
            std::stable_sort(out.begin(), out.end(), descriptor.lessThan);
        if (descriptor.fetchLimit > 0 && out.size() > descriptor.fetchLimit)
            out.resize(descriptor.fetchLimit);
        return out;
    }

    // The live record with this persistent identifier, or null.
    Record* recordForPersistentID(qint64 pk) const;
    // The live record of a type with this id, or null.
    template <class T>
    T* find(const QUuid& id) const
    {
        for (Record* r : liveRecords(T::kType))
            if (static_cast<T*>(r)->id() == id)
                return static_cast<T*>(r);
        return nullptr;
    }

    bool hasChanges() const;
    // How many records wait for the next save (inserted, changed or deleted).
    qsizetype pendingChangeCount() const { return qsizetype(m_pending.size()); }
    // True when the store is a server database whose connection is lost: a save fails until
    // the server answers again, and what is pending stays.
    bool storeUnreachable() const;

    // Writes every pending change in one transaction. On failure nothing is written, the
    // changes stay pending and `error` receives the reason.
    bool save(QString* error = nullptr);

    // Forgets every pending change: insertions are dropped, changed and deleted records get
    // their saved values back.
    void rollback();

    // Drops one pending insertion (and the pending records that would be deleted with it).
    void discardInsertion(Record* record);

    // Saves by itself shortly after the last change, once the event loop is idle.
    void setAutosaveEnabled(bool enabled, int delayMs = 800);
    bool autosaveEnabled() const { return m_autosave; }

    // Tests: makes the next save fail with this message, writing nothing.
    void failNextSave(const QString& message) { m_injectedFailure = message; }

    // Number of writes seen since opening; grows with every change.
    quint64 generation() const { return m_generation; }

signals:
    // Emitted once per event-loop turn after any write, insertion or deletion, with what changed
    // since the previous notice.
    void changed(const kv::ModelChanges& changes);
    void saved();
    // Emitted when the automatic save fails.
    void autosaveFailed(const QString& error);

private:
    friend class Record;
    ModelContext(std::unique_ptr<StoreLock> lock, std::unique_ptr<StoreBackend> file);

    const std::vector<Record*>& liveRecords(EntityType type) const;
    void noteChange(Record* r);
    // Gathers a record into the next notice. `kind`: how it figures (see NoticeKind).
    void noteForNotice(Record* r, quint8 kind);
    void noteRelatedForNotice(Record* r);
    void scheduleChanged();
    void emitChanged();
    void adopt(Record* r);
    void adoptLoaded(LoadedRecords& loaded);
    void deleteRecursive(Record* r);
    void markDeleted(Record* r);
    // The live records whose end of `rel` points at `target`.
    QList<Record*> sourcesOf(const Relationship& rel, Record* target) const;
    void rebuildDerivedLists(const std::array<std::vector<Record*>, kEntityTypeCount>& all);
    void autosaveNow();
    // The pending changes as the store writes them.
    std::vector<RecordChange> changeSet() const;

    std::unique_ptr<StoreLock> m_lock; // released after the file is closed
    std::unique_ptr<StoreBackend> m_file;
    QString m_path;
    std::vector<std::unique_ptr<Record>> m_owned;
    mutable std::array<std::vector<Record*>, kEntityTypeCount> m_live;
    mutable std::array<bool, kEntityTypeCount> m_needsCompaction{};
    std::vector<Record*> m_pending; // inserted, changed or deleted since the last save
    std::vector<Record*> m_noticeRecords; // gathered for the next change notice
    std::vector<std::pair<Record*, std::shared_ptr<void>>> m_snapshots;
    qint64 m_nextPk = 1;
    qint64 m_keyEnd = std::numeric_limits<qint64>::max(); // past the identifiers this context may hand out
    qint64 m_keyBlock = 0; // the size of the last block drawn from the store
    // Draws the next block of identifiers from the store; without it, counts on.
    void drawKeys();
    quint64 m_generation = 0;
    bool m_changedScheduled = false;
    bool m_autosave = false;
    QTimer m_autosaveTimer;
    QString m_injectedFailure;
};

} // namespace kv
