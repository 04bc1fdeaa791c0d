#include "listpanel.h"

#include "widgets/focusguard.h"
#include "widgets/listkeys.h"

#include "contextmenu.h"
#include "dialogs.h"
#include "windowkey.h"

#include "model/query.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace kv::forms {

ListPanel::ListPanel(QueryBase* rows, RowFunction row, QWidget* parent)
    : QWidget(parent), m_rows(rows)
{
    m_model = new RecordListModelBase(
        rows,
        [row](Record* r, int role) -> QVariant {
            if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
                return row ? row(r).accessibleText : QString();
            return {};
        },
        this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    m_top = new QVBoxLayout;
    m_top->setContentsMargins(12, 12, 12, 0);
    m_top->setSpacing(8);
    layout->addLayout(m_top);

    auto* searchRow = new QHBoxLayout;
    searchRow->setSpacing(8);
    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("Rechercher…"));
    m_search->setClearButtonEnabled(true);
    m_search->setAccessibleName(QStringLiteral("Rechercher"));
    searchRow->addWidget(m_search, 1);
    m_add = new QPushButton(symbolIcon(QStringLiteral("plus")), QStringLiteral("Ajouter"), this);
    m_add->setToolTip(QStringLiteral("Ajouter (Ctrl+N)"));
    searchRow->addWidget(m_add);
    m_top->addLayout(searchRow);

    m_count = new QLabel(this);
    m_count->setFont(fontFor(TextStyle::Callout, font()));
    // A long count line (skips hidden by the filters) wraps in a narrow list, never cut.
    m_count->setWordWrap(true);
    QPalette p = m_count->palette();
    p.setColor(QPalette::WindowText, toneColor(Tone::Secondary, p.color(QPalette::WindowText)));
    m_count->setPalette(p);
    m_count->hide();
    m_top->addWidget(m_count);

    // A view given row removals moves its selection to a neighbour row: the panel must know the
    // model is changing before the view hears of it.
    auto begin = [this] { ++m_modelChanging; };
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, begin);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, begin);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, begin);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeMoved, this, begin);
    connect(m_model, &QAbstractItemModel::layoutAboutToBeChanged, this, begin);

    m_view = new QListView(this);
    m_view->setModel(m_model);
    m_view->setAccessibleName(QStringLiteral("Liste"));
    m_view->setItemDelegate(new RecordRowDelegate(std::move(row), m_view));
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setAlternatingRowColors(true);
    // Rows differ in height (a second line only when there is something to say).
    m_view->setUniformItemSizes(false);
    makeSelectionReadable(m_view);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    m_search->installEventFilter(this);
    layout->addWidget(m_view, 1);

    connect(m_search, &QLineEdit::textChanged, this, &ListPanel::searchTextChanged);
    // The list has taken the search by now: it shows its first results, unless the chosen
    // record is among them (then it stays in view).
    connect(m_search, &QLineEdit::textChanged, this, [this] {
        if (!m_selected || !m_model->indexOf(m_selected).isValid())
            m_view->scrollToTop();
    });
    connect(m_add, &QPushButton::clicked, this, &ListPanel::addRequested);
    // Ctrl+N belongs to the screen while it is shown, even when the window's menu binds the
    // same keys.
    new WindowKey(this, QKeySequence(Qt::CTRL | Qt::Key_N), [this] { m_add->click(); },
                  [this] { return m_add->isEnabled(); });
    auto* findShortcut = new QShortcut(QKeySequence::Find, this);
    connect(findShortcut, &QShortcut::activated, m_search, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListPanel::viewSelectionChanged);
    connect(m_view, &QListView::customContextMenuRequested, this, &ListPanel::showContextMenu);

    // While the model changes, the view's selection follows the rows; the panel's does not.
    // (The "about to" handlers were connected before the view's, the others run after them.)
    auto end = [this] {
        m_modelChanging = std::max(0, m_modelChanging - 1);
        if (!m_modelChanging) {
            syncView();
            keysAfterRemoval();
        }
    };
    connect(m_model, &QAbstractItemModel::modelReset, this, end);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, end);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, end);
    connect(m_model, &QAbstractItemModel::rowsMoved, this, end);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, end);
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { syncView(); });
    connect(rows, &QueryBase::resultsChanged, this, [this] {
        // The model refreshes on the same signal; settle once both have run.
        QMetaObject::invokeMethod(this, [this] { syncView(); }, Qt::QueuedConnection);
    });
    syncView();
}

void ListPanel::addControls(QWidget* controls)
{
    m_top->insertWidget(m_top->indexOf(m_count), controls);
    // Tab goes through the controls where they stand: after "Ajouter", before the list.
    QWidget* previous = m_add;
    const QList<QWidget*> children = controls->findChildren<QWidget*>();
    QList<QWidget*> chain{controls};
    chain.append(children);
    for (QWidget* w : chain) {
        if (!(w->focusPolicy() & Qt::TabFocus))
            continue;
        setTabOrder(previous, w);
        previous = w;
    }
    setTabOrder(previous, m_view);
}

void ListPanel::setRowMeasure(RowFunction measure)
{
    if (auto* rows = qobject_cast<RecordRowDelegate*>(m_view->itemDelegate()))
        rows->setMeasure(std::move(measure));
}

void ListPanel::setSpokenNames(const QString& list, const QString& search)
{
    m_view->setAccessibleName(list);
    m_search->setAccessibleName(search);
}

void ListPanel::setTitle(const QString& title)
{
    if (!m_title) {
        m_title = new QLabel(this);
        m_title->setObjectName(QStringLiteral("listTitle"));
        m_title->setFont(fontFor(TextStyle::Title3, font()));
        // Whole on a second line where a larger desktop font leaves the list too narrow for it,
        // rather than cut or pushing the editor beside it out of the window.
        m_title->setWordWrap(true);
        m_top->insertWidget(0, m_title);
    }
    m_title->setText(title);
}

QString ListPanel::title() const
{
    return m_title ? m_title->text() : QString();
}

void ListPanel::setCountText(std::function<QString(int)> text)
{
    m_countText = std::move(text);
    m_count->setVisible(bool(m_countText));
    syncView();
}

QString ListPanel::countText() const
{
    return m_count->text();
}

void ListPanel::setSelectedRecord(Record* record)
{
    if (record == m_selected)
        return;
    m_selected = record;
    syncView();
    emit selectionChanged(record);
}

void ListPanel::setContextMenu(std::function<void(QMenu*, Record*)> fill)
{
    m_fillMenu = std::move(fill);
}

Record* ListPanel::recordAtRow(int row) const
{
    return m_model->recordAt(row);
}

int ListPanel::rowCount() const
{
    return m_model->rowCount();
}

bool ListPanel::eventFilter(QObject* watched, QEvent* event)
{
    // A right click opens the row's menu without selecting the row.
    if (watched == m_view->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
            || event->type() == QEvent::MouseButtonDblClick)
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
        return true;
    // The list shows where the keyboard is as soon as it has the focus: on the selected row, else
    // on the first one in view.
    if (watched == m_view && event->type() == QEvent::FocusIn)
        keysArriveInView(m_view, static_cast<QFocusEvent*>(event)->reason(),
                         m_selected ? m_model->indexOf(m_selected) : QModelIndex());
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        // ↓ goes from the search to the list's first match and chooses it, the keyboard in the
        // list; Return opens that match as Return on its row does.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool down = key->key() == Qt::Key_Down;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if ((down || enter) && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
            && m_model->rowCount() > 0) {
            m_view->setFocus(Qt::OtherFocusReason);
            if (enter)
                openRow(m_model->index(0, 0));
            else
                chooseRow(m_model->index(0, 0));
            return true;
        }
    }
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Return opens the row the keyboard is on, as Space and a click do; the view then goes on
        // with it (its activated signal, which some screens take further).
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && m_view->currentIndex().isValid())
            openRow(m_view->currentIndex());
        if ((key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace)
            && key->modifiers() == Qt::NoModifier) {
            QList<int> rows;
            const QModelIndexList selected = m_view->selectionModel()->selectedRows();
            for (const QModelIndex& i : selected)
                rows.append(i.row());
            std::sort(rows.begin(), rows.end());
            QList<Record*> records;
            for (int row : rows)
                if (Record* r = m_model->recordAt(row))
                    records.append(r);
            if (!records.isEmpty())
                askToDeleteRecords(records);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ListPanel::setDeleteQuestion(std::function<Question(const QList<Record*>&)> question)
{
    m_deleteQuestion = std::move(question);
}

void ListPanel::askToDeleteRecords(const QList<Record*>& records)
{
    // The list may change while the question is open: the records chosen are deleted where they
    // stand then, and none that went meanwhile.
    QPointer<ListPanel> self(this);
    auto confirmed = [self, records] {
        if (!self)
            return;
        QList<int> now;
        for (Record* r : records) {
            const QModelIndex index = r->isDeleted() ? QModelIndex() : self->m_model->indexOf(r);
            if (index.isValid())
                now.append(index.row());
        }
        std::sort(now.begin(), now.end());
        if (!now.isEmpty())
            emit self->deleteRequested(now);
    };
    const Question question = m_deleteQuestion ? m_deleteQuestion(records) : Question{};
    if (question.title.isEmpty()) {
        confirmed();
        return;
    }
    askConfirmation(this, question, QStringLiteral("Supprimer"), QStringLiteral("Annuler"), confirmed);
}

void ListPanel::giveKeysAfterRemoval(const QList<Record*>& records)
{
    m_keysRow = -1;
    m_keysAwaiting.clear();
    int row = -1;
    for (Record* r : records)
        if (const QModelIndex index = m_model->indexOf(r); index.isValid())
            row = row < 0 ? index.row() : std::min(row, index.row());
    if (row < 0)
        return;
    m_keysRow = row;
    m_keysAwaiting = records;
    // A question answered closes after its answer runs: the keyboard is placed once it has.
    QMetaObject::invokeMethod(this, [this] { keysAfterRemoval(); }, Qt::QueuedConnection);
}

void ListPanel::keysAfterRemoval()
{
    if (m_keysRow < 0 || m_modelChanging)
        return;
    for (Record* r : std::as_const(m_keysAwaiting))
        if (m_model->indexOf(r).isValid())
            return; // not yet: the list drops them on its next refresh
    const int row = std::min(m_keysRow, m_model->rowCount() - 1);
    m_keysRow = -1;
    m_keysAwaiting.clear();
    if (!m_view->isVisible())
        return;
    // The question just closed may leave no window of the program active: its own comes back.
    if (!QApplication::activeWindow())
        m_view->activateWindow();
    m_view->setFocus(Qt::OtherFocusReason);
    if (row >= 0) {
        const QModelIndex index = m_model->index(row, 0);
        m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        m_view->scrollTo(index);
    }
}

void ListPanel::chooseRow(const QModelIndex& index)
{
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_view->scrollTo(index);
}

void ListPanel::openRow(const QModelIndex& index)
{
    chooseRow(index);
    emit rowOpened(m_model->recordAt(index));
}

void ListPanel::viewSelectionChanged()
{
    if (m_syncing || m_modelChanging)
        return;
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    Record* record = selected.isEmpty() ? nullptr : m_model->recordAt(selected.first());
    if (record == m_selected)
        return;
    m_selected = record;
    emit selectionChanged(record);
}

void ListPanel::updateCount()
{
    if (m_countText)
        m_count->setText(m_countText(m_model->rowCount()));
}

void ListPanel::syncView()
{
    updateCount();
    if (m_selected && m_selected->isDeleted()) {
        setSelectedRecord(nullptr);
        return;
    }
    // A list showing its first rows only shows the selected record's too.
    const QModelIndex index = m_selected ? m_model->reveal(m_selected) : QModelIndex();
    m_syncing = true;
    if (index.isValid()) {
        m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_view->scrollTo(index);
    } else {
        m_view->selectionModel()->clearSelection();
        // While the list has the keyboard, a row always shows it (the one it was on, else the
        // first in view): ↓ then moves from a row the user sees.
        if (m_view->hasFocus() && m_model->rowCount() > 0 && !m_view->currentIndex().isValid())
            putKeysInView(m_view);
        else if (!m_view->hasFocus())
            m_view->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    m_syncing = false;
}

void ListPanel::showContextMenu(const QPoint& pos)
{
    const QModelIndex index = m_view->indexAt(pos);
    Record* record = index.isValid() ? m_model->recordAt(index) : nullptr;
    if (!record || !m_fillMenu)
        return;
    auto* menu = new ContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_fillMenu(menu, record);
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    menu->popup(m_view->viewport()->mapToGlobal(pos));
}

ListPanel::~ListPanel()
{
    releaseFocusWithin(this);
}

} // namespace kv::forms
