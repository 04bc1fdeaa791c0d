#pragma once

#include "modelcontext.h"

#include <QAbstractListModel>
#include <QPointer>

namespace kv {

// A live list of records: re-evaluated lazily after every change of the context.
class QueryBase : public QObject {
    Q_OBJECT
public:
    explicit QueryBase(ModelContext* context, QObject* parent = nullptr);

    ModelContext* context() const { return m_context; }
    const QList<Record*>& records() const;
    qsizetype size() const { return records().size(); }
    Record* recordAt(qsizetype i) const;
    qsizetype indexOf(const Record* r) const { return records().indexOf(const_cast<Record*>(r)); }
    // Marks the results stale and tells the listeners.
    void invalidate();

signals:
    // The results may differ: read them again.
    void resultsChanged();

protected:
    virtual void evaluate(QList<Record*>& out) const = 0;

private:
    ModelContext* m_context;
    mutable QList<Record*> m_results;
    mutable bool m_stale = true;
};

template <class T>
class Query : public QueryBase {
public:
    using Predicate = std::function<bool(const T*)>;
    using LessThan = std::function<bool(const T*, const T*)>;

    Query(ModelContext* context, Predicate predicate = {}, LessThan lessThan = {},
          QObject* parent = nullptr)
        : QueryBase(context, parent), m_predicate(std::move(predicate)), m_lessThan(std::move(lessThan))
    {
    }

    void setPredicate(Predicate p) { m_predicate = std::move(p); invalidate(); }
    void setLessThan(LessThan l) { m_lessThan = std::move(l); invalidate(); }

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
    void evaluate(QList<Record*>& out) const override
    {
        FetchDescriptor<T> d{m_predicate, m_lessThan, 0};
        const QList<T*> list = context()->template fetch<T>(d);
        out.reserve(list.size());
        for (T* t : list)
            out.append(t);
    }

private:
    Predicate m_predicate;
    LessThan m_lessThan;
};

// Puts the results of a query in Qt item views: one row per record.
class RecordListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using DataFunction = std::function<QVariant(Record*, int role)>;
    static constexpr int RecordRole = Qt::UserRole + 1000; // the Record* as quintptr

    RecordListModel(QueryBase* query, DataFunction data, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    Record* recordAt(const QModelIndex& index) const;
    Record* recordAt(int row) const;
    QModelIndex indexOf(const Record* record) const;
    QueryBase* query() const { return m_query; }

private:
    void refresh();
    QPointer<QueryBase> m_query;
    DataFunction m_data;
    QList<Record*> m_shown;
};

} // namespace kv
