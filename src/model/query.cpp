#include "query.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace kv {

namespace {

// Beyond this many records to re-examine, computing the results again is as quick.
constexpr std::size_t kMaxRechecks = 256;
// Beyond this many row operations, a reset is cheaper for the views than single signals.
constexpr qsizetype kMaxRowOperations = 512;
// Results put in order at least at once when only the first ones are read.
constexpr qsizetype kOrderAhead = 256;

} // namespace

// ---------------------------------------------------------------------------------------------
// QueryBase

QueryBase::QueryBase(ModelContext* context, EntityType type, QObject* parent)
    : QObject(parent), m_context(context), m_type(type), m_dependencies(entityBit(type))
{
    connect(context, &ModelContext::changed, this, &QueryBase::contextChanged);
}

void QueryBase::dependOn(EntityType type)
{
    if (m_dependencies & entityBit(type))
        return;
    m_dependencies |= entityBit(type);
    invalidate();
}

void QueryBase::update() const
{
    if (m_stale) {
        m_results.clear();
        m_pending.clear();
        m_recheck.clear();
        evaluate(m_results, m_pending);
        m_stale = false;
        ++m_evaluations;
    } else if (!m_recheck.empty()) {
        applyRechecks();
    }
}

void QueryBase::orderUpTo(qsizetype n) const
{
    const qsizetype missing = n - m_results.size();
    if (m_pending.empty() || missing <= 0)
        return;
    // A few screens ahead at once: a view reading row after row must not walk every pending
    // result for each.
    const std::size_t count = std::size_t(std::max<qsizetype>(missing, kOrderAhead));
    if (count * 4 >= m_pending.size()) {
        std::sort(m_pending.begin(), m_pending.end());
    } else {
        // The `count` first go to the end, in order; the others stay before them in any order.
        const auto from = m_pending.end() - std::ptrdiff_t(count);
        std::nth_element(m_pending.begin(), from, m_pending.end(),
                         [](const Keyed& a, const Keyed& b) { return b < a; });
        std::sort(from, m_pending.end());
        m_results.reserve(m_results.size() + qsizetype(count));
        for (auto it = from; it != m_pending.end(); ++it)
            m_results.append(it->record);
        m_pending.erase(from, m_pending.end());
        return;
    }
    m_results.reserve(m_results.size() + qsizetype(m_pending.size()));
    for (const Keyed& k : m_pending)
        m_results.append(k.record);
    m_pending.clear();
}

const QList<Record*>& QueryBase::records() const
{
    update();
    orderUpTo(m_results.size() + qsizetype(m_pending.size()));
    return m_results;
}

QList<Record*> QueryBase::firstRecords(qsizetype n) const
{
    update();
    orderUpTo(n);
    return n >= m_results.size() ? m_results : m_results.first(std::max<qsizetype>(n, 0));
}

qsizetype QueryBase::size() const
{
    update();
    return m_results.size() + qsizetype(m_pending.size());
}

Record* QueryBase::recordAt(qsizetype i) const
{
    update();
    orderUpTo(i + 1);
    return (i >= 0 && i < m_results.size()) ? m_results[i] : nullptr;
}

void QueryBase::invalidate()
{
    m_stale = true;
    m_recheck.clear();
    m_pending.clear();
    emit resultsChanged(ModelChanges::everything());
}

void QueryBase::contextChanged(const ModelChanges& changes)
{
    if (!isConcernedBy(changes))
        return;
    const EntityTypeMask others = m_dependencies & ~entityBit(m_type);
    if (changes.isEverything() || changes.touchesAny(others)) {
        m_stale = true;
        m_recheck.clear();
    } else if (!m_stale) {
        for (const auto* list : {&changes.inserted(), &changes.modified(), &changes.deleted()})
            for (Record* r : *list)
                if (r->entityType() == m_type)
                    m_recheck.push_back(r);
        if (m_recheck.size() > kMaxRechecks && m_recheck.size() > (std::size_t(m_results.size()) + m_pending.size()) / 4) {
            m_stale = true;
            m_recheck.clear();
        }
    }
    emit resultsChanged(changes);
}

void QueryBase::applyRechecks() const
{
    std::sort(m_recheck.begin(), m_recheck.end(),
              [](const Record* a, const Record* b) { return a->persistentModelID() < b->persistentModelID(); });
    m_recheck.erase(std::unique(m_recheck.begin(), m_recheck.end()), m_recheck.end());

    // Out first: a changed record may have left, or moved in the order.
    if (m_recheck.size() <= 8) {
        for (Record* r : m_recheck)
            if (const qsizetype i = m_results.indexOf(r); i >= 0)
                m_results.removeAt(i);
        if (!m_pending.empty())
            std::erase_if(m_pending, [this](const Keyed& k) {
                return std::find(m_recheck.begin(), m_recheck.end(), k.record) != m_recheck.end();
            });
    } else {
        const QSet<Record*> gone(m_recheck.begin(), m_recheck.end());
        m_results.removeIf([&gone](Record* r) { return gone.contains(r); });
        std::erase_if(m_pending, [&gone](const Keyed& k) { return gone.contains(k.record); });
    }
    // Then back in where the order puts it. Ties keep store order, as a full evaluation does.
    const bool ordered = hasOrder();
    auto before = [this, ordered](const Record* a, const Record* b) {
        if (ordered) {
            if (orderedBefore(a, b))
                return true;
            if (orderedBefore(b, a))
                return false;
        }
        return a->persistentModelID() < b->persistentModelID();
    };
    for (Record* r : m_recheck) {
        if (r->isDeleted() || r->modelContext() != m_context || !matches(r))
            continue;
        // With results still pending, a record that comes after every ordered one joins them.
        if (!m_pending.empty() && (m_results.isEmpty() || !before(r, m_results.last()))) {
            m_pending.push_back(Keyed{sortKeyOf(r), r->persistentModelID(), r});
            continue;
        }
        const auto at = std::upper_bound(m_results.begin(), m_results.end(), r, before);
        m_results.insert(at - m_results.begin(), r);
    }
    m_recheck.clear();
}

// ---------------------------------------------------------------------------------------------
// RecordListModelBase

RecordListModelBase::RecordListModelBase(QueryBase* query, DataFunction data, QObject* parent)
    : QAbstractListModel(parent), m_query(query), m_data(std::move(data))
{
    connect(query, &QueryBase::resultsChanged, this, &RecordListModelBase::refresh);
}

const QList<Record*>& RecordListModelBase::shown() const
{
    if (!m_read && m_query) {
        m_shown = m_window > 0 ? m_query->firstRecords(m_window) : m_query->records();
        m_tail = m_window > 0 ? m_query->size() - m_shown.size() : 0;
        m_read = true;
    }
    return m_shown;
}

void RecordListModelBase::readUpTo(qsizetype row) const
{
    const qsizetype read = shown().size();
    if (row < read || row >= read + m_tail || !m_query)
        return;
    const qsizetype upTo = std::min(read + m_tail, std::max(row + 1, read + qsizetype(m_window)));
    const QList<Record*> next = m_query->firstRecords(upTo);
    if (next.size() != upTo)
        return; // out of step with the query until its notice comes
    m_shown.append(next.mid(read));
    m_tail -= upTo - read;
}

void RecordListModelBase::syncTail()
{
    if (m_window <= 0 || !m_query)
        return;
    const qsizetype tail = std::max<qsizetype>(0, m_query->size() - m_shown.size());
    const int first = int(m_shown.size() + m_tail);
    if (tail > m_tail) {
        beginInsertRows({}, first, int(m_shown.size() + tail) - 1);
        m_tail = tail;
        endInsertRows();
    } else if (tail < m_tail) {
        beginRemoveRows({}, int(m_shown.size() + tail), first - 1);
        m_tail = tail;
        endRemoveRows();
    }
}

int RecordListModelBase::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(shown().size() + m_tail);
}

QVariant RecordListModelBase::data(const QModelIndex& index, int role) const
{
    Record* r = recordAt(index);
    if (!r)
        return {};
    if (role == RecordRole)
        return QVariant::fromValue(quintptr(r));
    return m_data ? m_data(r, role) : QVariant();
}

Record* RecordListModelBase::recordAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return recordAt(index.row());
}

Record* RecordListModelBase::recordAt(int row) const
{
    readUpTo(row);
    const QList<Record*>& rows = shown();
    return (row >= 0 && row < rows.size()) ? rows[row] : nullptr;
}

QModelIndex RecordListModelBase::indexOf(const Record* record) const
{
    const qsizetype row = shown().indexOf(const_cast<Record*>(record));
    return row < 0 ? QModelIndex() : index(int(row));
}

void RecordListModelBase::refresh(const ModelChanges& changes)
{
    // Rows nobody has read yet need no signal: they are read as the query gives them then.
    if (!m_query || !m_read)
        return;
    // A window keeps as many rows read as it had (at least its size), from the top, and as many
    // more as the results grew, so that no row read goes to the rows not read.
    const qsizetype grown = m_query->size() - (m_shown.size() + m_tail);
    const QList<Record*> fresh = m_window > 0
        ? firstResults(std::max<qsizetype>(m_window, m_shown.size() + std::max<qsizetype>(0, grown)))
        : m_query->records();
    if (fresh != m_shown && applyStructure(fresh))
        return; // reset: every row is new to the views
    syncTail();
    emitDataChanged(changes);
}

QList<Record*> RecordListModelBase::firstResults(qsizetype rows) const
{
    return m_query->firstRecords(rows);
}

void RecordListModelBase::setRowWindow(int rows)
{
    m_window = std::max(0, rows);
    if (!m_query || !m_read)
        return;
    const QList<Record*> fresh = m_window > 0 ? firstResults(m_window) : m_query->records();
    beginResetModel();
    m_shown = fresh;
    m_tail = m_window > 0 ? m_query->size() - m_shown.size() : 0;
    endResetModel();
    ++m_resets;
}

QModelIndex RecordListModelBase::reveal(const Record* record)
{
    const QModelIndex shown = indexOf(record);
    if (shown.isValid() || !record || m_window <= 0 || !m_query)
        return shown;
    const qsizetype at = m_query->indexOf(record);
    if (at < 0)
        return {};
    readUpTo(at);
    return indexOf(record);
}

namespace {

// Indexes (into `seq`) of one longest strictly increasing subsequence.
std::vector<qsizetype> longestIncreasing(const std::vector<qsizetype>& seq)
{
    std::vector<qsizetype> tails;  // index in seq of the smallest tail of each length
    std::vector<qsizetype> parent(seq.size(), -1);
    for (qsizetype i = 0; i < qsizetype(seq.size()); ++i) {
        const auto pos = std::lower_bound(tails.begin(), tails.end(), seq[i],
                                          [&seq](qsizetype t, qsizetype v) { return seq[t] < v; });
        if (pos != tails.begin())
            parent[i] = *(pos - 1);
        if (pos == tails.end())
            tails.push_back(i);
        else
            *pos = i;
    }
    std::vector<qsizetype> out(tails.size());
    qsizetype k = tails.empty() ? -1 : tails.back();
    for (qsizetype i = qsizetype(out.size()) - 1; i >= 0; --i) {
        out[i] = k;
        k = parent[k];
    }
    return out;
}

} // namespace

bool RecordListModelBase::applyStructure(const QList<Record*>& fresh)
{
    const qsizetype oldCount = m_shown.size();
    const qsizetype newCount = fresh.size();
    if (oldCount == 0) {
        beginInsertRows({}, 0, int(newCount) - 1);
        m_shown = fresh;
        endInsertRows();
        return false;
    }
    if (newCount == 0) {
        beginRemoveRows({}, 0, int(oldCount) - 1);
        m_shown.clear();
        endRemoveRows();
        return false;
    }

    const QSet<Record*> freshSet(fresh.begin(), fresh.end());
    const QSet<Record*> oldSet(m_shown.begin(), m_shown.end());

    // Rows kept, in their old order, and the old position of each in the new order.
    QHash<Record*, qsizetype> keptIndex;
    qsizetype removed = 0, removeRuns = 0;
    for (qsizetype i = 0; i < oldCount; ++i) {
        if (freshSet.contains(m_shown[i])) {
            keptIndex.insert(m_shown[i], keptIndex.size());
        } else {
            ++removed;
            if (i == 0 || freshSet.contains(m_shown[i - 1]))
                ++removeRuns;
        }
    }
    std::vector<Record*> target; // the kept rows in their new order
    std::vector<qsizetype> sequence;
    qsizetype inserted = 0, insertRuns = 0;
    for (qsizetype j = 0; j < newCount; ++j) {
        Record* r = fresh[j];
        if (oldSet.contains(r)) {
            target.push_back(r);
            sequence.push_back(keptIndex.value(r));
        } else {
            ++inserted;
            if (j == 0 || oldSet.contains(fresh[j - 1]))
                ++insertRuns;
        }
    }
    const std::vector<qsizetype> stay = longestIncreasing(sequence);
    const qsizetype moved = qsizetype(target.size()) - qsizetype(stay.size());

    const qsizetype changedRows = removed + inserted + moved;
    if (changedRows * 2 > std::max(oldCount, newCount)
        || removeRuns + insertRuns + moved > kMaxRowOperations) {
        beginResetModel();
        m_shown = fresh;
        m_tail = m_window > 0 ? std::max<qsizetype>(0, m_query->size() - fresh.size()) : 0;
        endResetModel();
        ++m_resets;
        return true;
    }

    // Removals, from the bottom so that the rows above keep their numbers.
    for (qsizetype i = oldCount - 1; i >= 0;) {
        if (freshSet.contains(m_shown[i])) {
            --i;
            continue;
        }
        qsizetype first = i;
        while (first > 0 && !freshSet.contains(m_shown[first - 1]))
            --first;
        beginRemoveRows({}, int(first), int(i));
        m_shown.remove(first, i - first + 1);
        endRemoveRows();
        i = first - 1;
    }

    // Moves: the rows of one longest run already in order stay; each other row goes right after
    // the row that precedes it in the new order.
    std::vector<bool> stays(target.size(), false);
    for (qsizetype k : stay)
        stays[k] = true;
    for (qsizetype j = 0; j < qsizetype(target.size()); ++j) {
        if (stays[j])
            continue;
        const qsizetype from = m_shown.indexOf(target[j]);
        const qsizetype to = j == 0 ? 0 : m_shown.indexOf(target[j - 1]) + 1;
        if (to == from || to == from + 1)
            continue;
        beginMoveRows({}, int(from), int(from), {}, int(to));
        m_shown.move(from, from < to ? to - 1 : to);
        endMoveRows();
    }

    // Insertions, from the top: the rows above are already those of the new list.
    for (qsizetype j = 0; j < newCount;) {
        if (oldSet.contains(fresh[j])) {
            ++j;
            continue;
        }
        qsizetype last = j;
        while (last + 1 < newCount && !oldSet.contains(fresh[last + 1]))
            ++last;
        beginInsertRows({}, int(j), int(last));
        for (qsizetype k = j; k <= last; ++k)
            m_shown.insert(k, fresh[k]);
        endInsertRows();
        j = last + 1;
    }

    if (m_shown != fresh) { // cannot happen; never leave the views on a wrong list
        qWarning("kestrovan: list model out of step with its query, reset");
        beginResetModel();
        m_shown = fresh;
        m_tail = m_window > 0 ? std::max<qsizetype>(0, m_query->size() - fresh.size()) : 0;
        endResetModel();
        ++m_resets;
        return true;
    }
    return false;
}

void RecordListModelBase::emitDataChanged(const ModelChanges& changes)
{
    if (!m_read || m_shown.isEmpty() || !m_query)
        return;
    const EntityType own = m_query->entityType();
    // A change of another type the rows depend on, or of anything: every row may read differently.
    if (changes.isEverything() || changes.touchesAny(m_query->dependencies() & ~entityBit(own))) {
        emit dataChanged(index(0), index(int(m_shown.size()) - 1));
        return;
    }
    const std::vector<Record*>& modified = changes.modified();
    if (modified.size() <= 32) {
        for (Record* r : modified) {
            if (r->entityType() != own)
                continue;
            if (const qsizetype row = m_shown.indexOf(r); row >= 0)
                emit dataChanged(index(int(row)), index(int(row)));
        }
        return;
    }
    const QSet<Record*> set(modified.begin(), modified.end());
    for (qsizetype row = 0; row < m_shown.size();) {
        if (!set.contains(m_shown[row])) {
            ++row;
            continue;
        }
        qsizetype last = row;
        while (last + 1 < m_shown.size() && set.contains(m_shown[last + 1]))
            ++last;
        emit dataChanged(index(int(row)), index(int(last)));
        row = last + 1;
    }
}

} // namespace kv
