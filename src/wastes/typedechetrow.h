#pragma once

// The row of a waste type in the list: a colour dot, the name, the category and a "Dangereux"
// badge for hazardous types. Painted from the record held by each row of the item model.

#include <QColor>
#include <QStyledItemDelegate>

#include <optional>

namespace kv {

class TypeDechet;

class TypeDechetRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The colour of a type's dot: its colour text read as a colour, "D1D5DB" when it has none,
    // grey when its text is not a colour.
    static QColor couleurPastille(const std::optional<QString>& couleur);

    // The width of the row of this type in which its name, category and badge show whole.
    static int largeurEntiere(const TypeDechet* type, const QFont& base);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace kv
