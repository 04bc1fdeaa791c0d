#include "listkeys.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QItemSelectionModel>

namespace kv {

namespace {

class KeysArriveInView : public QObject {
public:
    explicit KeysArriveInView(QAbstractItemView* view) : QObject(view), m_view(view) { view->installEventFilter(this); }

protected:
    // Before the view's own handling, which would put the keys on its first row.
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            const QModelIndexList chosen =
                m_view->selectionModel() ? m_view->selectionModel()->selectedIndexes() : QModelIndexList{};
            keysArriveInView(m_view, static_cast<QFocusEvent*>(event)->reason(),
                             chosen.isEmpty() ? QModelIndex() : chosen.first());
        }
        return false;
    }

private:
    QAbstractItemView* m_view;
};

} // namespace

void keysArriveInView(QAbstractItemView* view, Qt::FocusReason focusReason, const QModelIndex& preferred)
{
    if (focusReason == Qt::MouseFocusReason || view->currentIndex().isValid() || !view->model()
        || view->model()->rowCount(view->rootIndex()) == 0)
        return;
    if (preferred.isValid())
        view->selectionModel()->setCurrentIndex(preferred, QItemSelectionModel::NoUpdate);
    else
        putKeysInView(view);
}

void putKeysInView(QAbstractItemView* view)
{
    QAbstractItemModel* model = view->model();
    if (!model || !view->selectionModel())
        return;
    QModelIndex top = view->indexAt(QPoint(1, 1));
    if (top.isValid() && view->visualRect(top).top() < 0) {
        const QModelIndex next = model->index(top.row() + 1, 0, view->rootIndex());
        if (next.isValid() && view->visualRect(next).bottom() < view->viewport()->height())
            top = next;
    }
    if (!top.isValid())
        top = model->index(0, 0, view->rootIndex());
    const bool scrolls = view->hasAutoScroll();
    view->setAutoScroll(false);
    view->selectionModel()->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
    view->setAutoScroll(scrolls);
}

void keysArriveInViewOnFocus(QAbstractItemView* view)
{
    new KeysArriveInView(view);
}

} // namespace kv
