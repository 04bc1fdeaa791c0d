#pragma once

// What the painted rows of the waste-type and centre lists share.

#include "model/query.h"

#include <QStyledItemDelegate>

namespace kv::lignes {

// The record of type T shown by a row of a RecordListModel, or null.
template <class T>
const T* recordDe(const QModelIndex& index)
{
    const auto r = reinterpret_cast<Record*>(index.data(RecordListModel::RecordRole).value<quintptr>());
    if (!r || r->entityType() != T::kType)
        return nullptr;
    return static_cast<const T*>(r);
}

// Paints the row's background (selection, alternate colour) as the style does, without text.
void peindreFond(const QStyledItemDelegate* delegate, QPainter* painter,
                 const QStyleOptionViewItem& option, const QModelIndex& index);

// The text colour of a row, selected or not.
QColor couleurTexte(const QStyleOptionViewItem& option);

} // namespace kv::lignes
