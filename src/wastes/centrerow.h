#pragma once

// The row of a treatment centre in the list: its name, and below it its town and the number of
// waste types it accepts. Painted from the record held by each row of the item model.

#include <QStyledItemDelegate>

namespace kv {

class CentreTraitement;

class CentreRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // "3 type(s)": the second line's count.
    static QString texteNombreTypes(const CentreTraitement* centre);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace kv
