#include "query.h"

namespace kv {

QueryBase::QueryBase(ModelContext* context, QObject* parent) : QObject(parent), m_context(context)
{
    connect(context, &ModelContext::changed, this, &QueryBase::invalidate);
}

const QList<Record*>& QueryBase::records() const
{
    if (m_stale) {
        m_results.clear();
        evaluate(m_results);
        m_stale = false;
    }
    return m_results;
}

Record* QueryBase::recordAt(qsizetype i) const
{
    const auto& r = records();
    return (i >= 0 && i < r.size()) ? r[i] : nullptr;
}

void QueryBase::invalidate()
{
    m_stale = true;
    emit resultsChanged();
}

RecordListModel::RecordListModel(QueryBase* query, DataFunction data, QObject* parent)
    : QAbstractListModel(parent), m_query(query), m_data(std::move(data))
{
    m_shown = query->records();
    connect(query, &QueryBase::resultsChanged, this, &RecordListModel::refresh);
}

int RecordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const
{
    Record* r = recordAt(index);
    if (!r)
        return {};
    if (role == RecordRole)
        return QVariant::fromValue(quintptr(r));
    return m_data ? m_data(r, role) : QVariant();
}

Record* RecordListModel::recordAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return recordAt(index.row());
}

Record* RecordListModel::recordAt(int row) const
{
    return (row >= 0 && row < m_shown.size()) ? m_shown[row] : nullptr;
}

QModelIndex RecordListModel::indexOf(const Record* record) const
{
    const qsizetype row = m_shown.indexOf(const_cast<Record*>(record));
    return row < 0 ? QModelIndex() : index(int(row));
}

void RecordListModel::refresh()
{
    if (!m_query)
        return;
    const QList<Record*> fresh = m_query->records();
    if (fresh == m_shown) {
        if (!m_shown.isEmpty())
            emit dataChanged(index(0), index(int(m_shown.size()) - 1));
        return;
    }
    beginResetModel();
    m_shown = fresh;
    endResetModel();
}

} // namespace kv
