#pragma once

// The records shown at rows of a list panel, taken before any of them is deleted.

#include "widgets/forms/listpanel.h"

#include <QList>

#include <algorithm>

namespace kv {

// The distinct records at these rows, in ascending row order; rows out of range are ignored.
template <class T>
QList<T*> recordsAuxLignes(const forms::ListPanel* liste, QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    QList<T*> out;
    for (int row : rows)
        if (auto* r = static_cast<T*>(liste->recordAtRow(row)); r && !out.contains(r))
            out.append(r);
    return out;
}

} // namespace kv
