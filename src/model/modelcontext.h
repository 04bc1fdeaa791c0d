#pragma once

#include "records.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace kv {

class StoreFile;

// What a fetch asks for: an optional predicate, an optional order and an optional limit.
template <class T>
struct FetchDescriptor {
    std::function<bool(const T*)> predicate;
    std::function<bool(const T*, const T*)> lessThan; // strict weak order; stable
    int fetchLimit = 0;                               // 0: no limit
};

// Why a store could not be opened.
enum class OpenFailure { None, NotAStore, Damaged, NewerVersion, CannotOpen };

// The model context of one store: every record of the store, loaded at opening, with pending
// insertions, changes and deletions written by save() in one transaction.
class ModelContext : public QObject {
    Q_OBJECT
public:
    // Opens (or creates) the store file at `path` (":memory:" for a store without file).
    // Returns null and fills `error` and `failure` when the file is not a store of ours, is
    // damaged or comes from a newer version; such a file is never written to.
    static std::unique_ptr<ModelContext> open(const QString& path, QString* error = nullptr,
                                              OpenFailure* failure = nullptr);
    ~ModelContext() override;

    QString filePath() const;

    // Adds a new record (and every record linked to it that belongs to no context yet). The
    // context takes ownership. Inserting a record of this context again does nothing.
    void insert(Record* record);

    // Deletes a record and applies the delete rules at once. Returns false, with a reason, when
    // the deletion is refused (a training course still followed by a driver).
    bool remove(Record* record, QString* error = nullptr);

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
    // Emitted once per event-loop turn after any write, insertion or deletion.
    void changed();
    void saved();
    // Emitted when the automatic save fails.
    void autosaveFailed(const QString& error);

private:
    friend class Record;
    friend class StoreFile;
    explicit ModelContext(std::unique_ptr<StoreFile> file);

    const std::vector<Record*>& liveRecords(EntityType type) const;
    void noteChange(Record* r);
    void scheduleChanged();
    void adopt(Record* r, bool fromStore);
    void deleteRecursive(Record* r);
    void markDeleted(Record* r);
    void rebuildDerivedLists();
    void autosaveNow();

    std::unique_ptr<StoreFile> m_file;
    std::vector<std::unique_ptr<Record>> m_owned;
    mutable std::array<std::vector<Record*>, kEntityTypeCount> m_live;
    mutable std::array<bool, kEntityTypeCount> m_needsCompaction{};
    std::vector<Record*> m_pending; // inserted, changed or deleted since the last save
    std::vector<std::pair<Record*, std::shared_ptr<void>>> m_snapshots;
    qint64 m_nextPk = 1;
    quint64 m_generation = 0;
    bool m_changedScheduled = false;
    bool m_autosave = false;
    QTimer m_autosaveTimer;
    QString m_injectedFailure;
};

} // namespace kv
