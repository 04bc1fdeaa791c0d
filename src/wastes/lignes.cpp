#include "lignes.h"

#include <QApplication>
#include <QPainter>

namespace kv::lignes {

namespace {
// initStyleOption() is protected: reach it through a derived class.
struct Acces : QStyledItemDelegate {
    static void init(const QStyledItemDelegate* d, QStyleOptionViewItem* o, const QModelIndex& i)
    {
        (d->*(&Acces::initStyleOption))(o, i);
    }
};
} // namespace

void peindreFond(const QStyledItemDelegate* delegate, QPainter* painter,
                 const QStyleOptionViewItem& option, const QModelIndex& index)
{
    QStyleOptionViewItem fond = option;
    Acces::init(delegate, &fond, index);
    fond.text.clear();
    fond.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &fond, painter, widget);
}

QColor couleurTexte(const QStyleOptionViewItem& option)
{
    const bool choisi = option.state & QStyle::State_Selected;
    return option.palette.color(choisi ? QPalette::HighlightedText : QPalette::Text);
}

} // namespace kv::lignes
