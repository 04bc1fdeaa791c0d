#pragma once

#include "modelcontext.h"

#include <QAbstractListModel>
#include <QPointer>

#include <algorithm>
#include <utility>
#include <vector>

namespace kv {

// A live list of records of one type, filtered and sorted.
//
// It listens to the context's change notices and reacts only to those touching a type it
// depends on: its own type, and the types declared with dependOn() (a rental list sorted by
// client name depends on Client). It stays lazy: results are computed when read. After a
// notice that touched only records of its own type, the next read re-examines just those
// records; anything else (another declared type, invalidate()) computes the results again.
// An order by key is lazy too: reading the first rows (firstRecords(), recordAt()) or the count
// puts in order only the rows asked for, the rest once the whole list is read.
class QueryBase : public QObject {
    Q_OBJECT
public:
    QueryBase(ModelContext* context, EntityType type, QObject* parent = nullptr);

    ModelContext* context() const { return m_context; }
    EntityType entityType() const { return m_type; }

    // The predicate or the order also read records of this type.
    void dependOn(EntityType type);
    EntityTypeMask dependencies() const { return m_dependencies; }
    bool isConcernedBy(const ModelChanges& changes) const { return changes.touchesAny(m_dependencies); }

    const QList<Record*>& records() const;
    // The first `n` results (all of them when there are fewer), in order.
    QList<Record*> firstRecords(qsizetype n) const;
    qsizetype size() const;
    Record* recordAt(qsizetype i) const;
    qsizetype indexOf(const Record* r) const { return records().indexOf(const_cast<Record*>(r)); }

    // The predicate or the order changed: the results are computed again at the next read, and
    // the listeners are told that anything may have changed.
    void invalidate();

    // Number of complete evaluations so far (for tests and benchmarks).
    quint64 evaluationCount() const { return m_evaluations; }

signals:
    // The results may differ: read them again. `changes` is the notice that caused it, or
    // ModelChanges::everything() after invalidate().
    void resultsChanged(const kv::ModelChanges& changes);

protected:
    // A result not yet put in order: its key, and its place in store order for ties.
    struct Keyed {
        qint64 key;
        qint64 storeOrder;
        Record* record;
        bool operator<(const Keyed& o) const { return key != o.key ? key < o.key : storeOrder < o.storeOrder; }
    };
    // Either the results in order in `out`, or (an order by key) some or all of them in `pending`,
    // in any order, each coming after every record of `out`.
    virtual void evaluate(QList<Record*>& out, std::vector<Keyed>& pending) const = 0;
    virtual bool matches(const Record* r) const = 0;
    // Strict weak order of the results; false when the query keeps store order.
    virtual bool hasOrder() const = 0;
    virtual bool orderedBefore(const Record* a, const Record* b) const = 0;
    // The key of a record, for a query that may leave results pending.
    virtual qint64 sortKeyOf(const Record*) const { return 0; }

private:
    void contextChanged(const ModelChanges& changes);
    void update() const;
    void applyRechecks() const;
    // Puts results in order until the first `n` are (or all of them are).
    void orderUpTo(qsizetype n) const;

    ModelContext* m_context;
    EntityType m_type;
    EntityTypeMask m_dependencies;
    // The results in order; those of m_pending come after all of them.
    mutable QList<Record*> m_results;
    mutable std::vector<Keyed> m_pending;
    mutable std::vector<Record*> m_recheck; // records of our type changed since the last read
    mutable bool m_stale = true;
    mutable quint64 m_evaluations = 0;
};

template <class T>
class Query : public QueryBase {
public:
    using Predicate = std::function<bool(const T*)>;
    using LessThan = std::function<bool(const T*, const T*)>;
    // An order by one whole number read once per record: a long list sorts on the numbers
    // alone instead of reading two records at every comparison. Ties keep store order.
    using SortKey = std::function<qint64(const T*)>;

    Query(ModelContext* context, Predicate predicate = {}, LessThan lessThan = {},
          QObject* parent = nullptr)
        : QueryBase(context, T::kType, parent),
          m_predicate(std::move(predicate)),
          m_lessThan(std::move(lessThan))
    {
    }

    void setPredicate(Predicate p) { m_predicate = std::move(p); invalidate(); }
    void setLessThan(LessThan l) { m_lessThan = std::move(l); m_sortKey = {}; invalidate(); }
    // Replaces the order by the rising order of `key`.
    void setSortKey(SortKey key) { m_sortKey = std::move(key); m_lessThan = {}; invalidate(); }

    QList<T*> results() const
    {
        QList<T*> out;
        out.reserve(records().size());
        for (Record* r : records())
            out.append(static_cast<T*>(r));
        return out;
    }
    T* at(qsizetype i) const { return static_cast<T*>(recordAt(i)); }

protected:
    void evaluate(QList<Record*>& out, std::vector<Keyed>& pending) const override
    {
        const QList<T*> list = context()->template fetch<T>(FetchDescriptor<T>{m_predicate, {}, 0});
        if (m_sortKey) {
            // Store order is the order of persistent identifiers: with them, ties keep it.
            pending.reserve(std::size_t(list.size()));
            for (T* t : list)
                pending.push_back(Keyed{m_sortKey(t), t->persistentModelID(), t});
            // Nothing to put in order when the store already is; otherwise it is done as rows are read.
            if (!std::is_sorted(pending.begin(), pending.end()))
                return;
            out.reserve(list.size());
            for (const Keyed& k : pending)
                out.append(k.record);
            pending.clear();
            return;
        }
        out.reserve(list.size());
        for (T* t : list)
            out.append(t);
        if (m_lessThan && !std::is_sorted(out.begin(), out.end(), [this](const Record* a, const Record* b) {
                return m_lessThan(static_cast<const T*>(a), static_cast<const T*>(b));
            }))
            std::stable_sort(out.begin(), out.end(), [this](const Record* a, const Record* b) {
                return m_lessThan(static_cast<const T*>(a), static_cast<const T*>(b));
            });
    }
    bool matches(const Record* r) const override
    {
        return !m_predicate || m_predicate(static_cast<const T*>(r));
    }
    bool hasOrder() const override { return bool(m_lessThan) || bool(m_sortKey); }
    bool orderedBefore(const Record* a, const Record* b) const override
    {
        if (m_sortKey)
            return m_sortKey(static_cast<const T*>(a)) < m_sortKey(static_cast<const T*>(b));
        return m_lessThan(static_cast<const T*>(a), static_cast<const T*>(b));
    }
    qint64 sortKeyOf(const Record* r) const override
    {
        return m_sortKey ? m_sortKey(static_cast<const T*>(r)) : 0;
    }

private:
    Predicate m_predicate;
    LessThan m_lessThan;
    SortKey m_sortKey;
};

// Puts the results of a query in Qt item views: one row per record.
//
// When the results change, the rows follow with row-level signals computed from the old and
// new lists (removals, moves, insertions, then dataChanged for the records the notice says
// changed), so that views keep their selection, current row and scroll position. The model is
// reset only when most rows changed.
class RecordListModelBase : public QAbstractListModel {
    Q_OBJECT
public:
    using DataFunction = std::function<QVariant(Record*, int role)>;
    static constexpr int RecordRole = Qt::UserRole + 1000; // the Record* as quintptr

    RecordListModelBase(QueryBase* query, DataFunction data, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    Record* recordAt(const QModelIndex& index) const;
    Record* recordAt(int row) const;
    QModelIndex indexOf(const Record* record) const;
    QueryBase* query() const { return m_query; }

    // Lazy rows: the views are told every result, so that a scroll bar measures the whole list
    // and End reaches its end, but only the first `rows` are read from the query at first, and the
    // others as a view asks for them (and `rows` more at a time): a long list costs what is shown,
    // not putting every record in order. 0, the default, reads every result at once.
    void setRowWindow(int rows);
    // The row of a record of the results (read first if it was not yet); invalid when the
    // results do not hold the record.
    QModelIndex reveal(const Record* record);

    // Number of resets so far (for tests and benchmarks).
    quint64 resetCount() const { return m_resets; }

private:
    void refresh(const ModelChanges& changes);
    bool applyStructure(const QList<Record*>& fresh);
    void emitDataChanged(const ModelChanges& changes);
    // The first `rows` of the results.
    QList<Record*> firstResults(qsizetype rows) const;
    // Reads the results up to `row` included, past the rows read so far (no signal: the views
    // already count them).
    void readUpTo(qsizetype row) const;
    // Lazy rows: the rows counted past those read follow the query's size.
    void syncTail();

    // Reads the rows from the query the first time they are asked for: a window given before
    // then spares putting every result in order.
    const QList<Record*>& shown() const;

    QPointer<QueryBase> m_query;
    DataFunction m_data;
    // The rows read: all the results, or with a window the first of them.
    mutable QList<Record*> m_shown;
    // With a window, the results counted as rows after those read.
    mutable qsizetype m_tail = 0;
    mutable bool m_read = false;
    int m_window = 0;
    quint64 m_resets = 0;
};

// A list model whose rows are records of type T.
template <class T>
class RecordListModel : public RecordListModelBase {
public:
    using TypedDataFunction = std::function<QVariant(T*, int role)>;

    RecordListModel(Query<T>* query, TypedDataFunction data, QObject* parent = nullptr)
        : RecordListModelBase(query, erase(std::move(data)), parent)
    {
    }

    T* recordAt(const QModelIndex& index) const
    {
        return static_cast<T*>(RecordListModelBase::recordAt(index));
    }
    T* recordAt(int row) const { return static_cast<T*>(RecordListModelBase::recordAt(row)); }
    Query<T>* query() const { return static_cast<Query<T>*>(RecordListModelBase::query()); }

private:
    static DataFunction erase(TypedDataFunction f)
    {
        if (!f)
            return {};
        return [f = std::move(f)](Record* r, int role) { return f(static_cast<T*>(r), role); };
    }
};

} // namespace kv
