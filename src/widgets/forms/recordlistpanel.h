#pragma once

// A list panel whose rows are records of one type: screens get T*, never Record* plus a cast.

#include "listpanel.h"

#include "model/query.h"

#include <QMenu>

namespace kv::forms {

template <class T>
class RecordListPanel : public ListPanel {
public:
    using TypedRowFunction = std::function<RowContent(T*)>;

    RecordListPanel(Query<T>* rows, TypedRowFunction row, QWidget* parent = nullptr)
        : ListPanel(rows, [row = std::move(row)](Record* r) { return row(static_cast<T*>(r)); }, parent)
    {
    }

    // The rows come from a Query<T>: every record listed or selected is a T.
    T* selected() const { return static_cast<T*>(selectedRecord()); }
    void setSelected(T* record) { setSelectedRecord(record); }
    T* recordAt(int row) const { return static_cast<T*>(recordAtRow(row)); }

    // The distinct records at these rows, in ascending row order; rows out of range are ignored.
    QList<T*> recordsAt(QList<int> rows) const
    {
        std::sort(rows.begin(), rows.end());
        QList<T*> out;
        for (int row : rows)
            if (T* r = recordAt(row); r && !out.contains(r))
                out.append(r);
        return out;
    }

    void setContextMenu(std::function<void(QMenu* menu, T* record)> fill)
    {
        ListPanel::setContextMenu(
            [fill = std::move(fill)](QMenu* menu, Record* r) { fill(menu, static_cast<T*>(r)); });
    }

    // Calls `f(T*)` whenever the selection changes (null when none).
    template <class F>
    QMetaObject::Connection onSelectionChanged(QObject* receiver, F f)
    {
        return QObject::connect(this, &ListPanel::selectionChanged, receiver,
                                [f = std::move(f)](Record* r) { f(static_cast<T*>(r)); });
    }
};

} // namespace kv::forms
