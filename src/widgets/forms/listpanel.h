#pragma once

// The sidebar of a list screen: a search field and an "Ajouter" button (Ctrl+N), room for extra
// controls (filters), an optional count line, and the list of a live query painted by a
// RecordRowDelegate.
//
// The panel keeps the selected record itself: a refresh of the query (a search, a save) never
// changes the selection, it only shows it again when the record is listed. A record deleted from
// its context is unselected. Clicks and arrow keys select; Delete or Backspace asks to delete
// the selected row (after the screen's question, when it gives one); a right click opens the
// context menu the screen fills.
//
// By keys: Space and the arrows choose the row the keyboard is on; Return chooses it and
// announces it opened (rowOpened), so that the screen may take the keyboard into its editor. ↓
// in the search field goes to the list on its first match; Return there opens that match. A
// list given the focus shows at once which row the keyboard is on (the selected one, else the
// first).

#include "dialogs.h"
#include "recordrow.h"

#include <QWidget>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QVBoxLayout;

namespace kv {
class QueryBase;
class Record;
class RecordListModelBase;
}

namespace kv::forms {

class ListPanel : public QWidget {
    Q_OBJECT
public:
    // `rows` gives the listed records (already filtered and sorted); the panel does not own it.
    ListPanel(QueryBase* rows, RowFunction row, QWidget* parent = nullptr);
    ~ListPanel() override;

    QLineEdit* searchField() const { return m_search; }
    QPushButton* addButton() const { return m_add; }
    QListView* listView() const { return m_view; }
    RecordListModelBase* model() const { return m_model; }

    // What a screen reader calls the list and its search field (« Clients », « Rechercher un
    // client »); the list also says which row the keyboard is on.
    void setSpokenNames(const QString& list, const QString& search);

    // A title above the search row (the sidebar's own name, when it differs from the screen's).
    void setTitle(const QString& title);
    QString title() const;

    // Puts a widget between the search row and the count line.
    void addControls(QWidget* controls);
    // Shows the count line, written by `text` from the number of listed rows.
    void setCountText(std::function<QString(int)> text);
    QString countText() const;
    // Writes the count line again (what it says depends on more than the rows listed).
    void updateCount();

    // The selected record; null when none. Changing it emits selectionChanged.
    Record* selectedRecord() const { return m_selected; }
    void setSelectedRecord(Record* record);

    // Fills the context menu of a row (called at each right click).
    void setContextMenu(std::function<void(QMenu* menu, Record* record)> fill);

    // The question asked before the Delete key deletes: a title and a message for the records
    // about to go. An empty title deletes without asking.
    void setDeleteQuestion(std::function<Question(const QList<Record*>&)> question);

    // Asks the delete question about these records (they need not be selected); once confirmed,
    // emits deleteRequested with the rows of those still listed.
    void askToDeleteRecords(const QList<Record*>& records);

    // After these records are deleted, the keyboard goes to the list, on the row that takes the
    // first one's place (the last row when it was last; the list itself when it is left empty),
    // drawn with its focus. Called before the list drops them; it waits until it has.
    void giveKeysAfterRemoval(const QList<Record*>& records);

    // A light version of the row function that gives rows their heights (see
    // RecordRowDelegate::setMeasure).
    void setRowMeasure(RowFunction measure);

    // The record shown at a row, or null.
    Record* recordAtRow(int row) const;
    int rowCount() const;

signals:
    void searchTextChanged(const QString& text);
    void addRequested();
    void selectionChanged(kv::Record* record);
    // Delete or Backspace on the list (or askToDeleteRecords), once confirmed: the rows of the
    // records chosen, as they are listed now.
    void deleteRequested(const QList<int>& rows);
    // Return on a row of the list (or from the search field): the row is selected, shown, and the
    // screen may take the user on to it.
    void rowOpened(kv::Record* record);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void viewSelectionChanged();
    void syncView();
    void showContextMenu(const QPoint& pos);
    // Selects the row, the keyboard on it; openRow goes on with rowOpened.
    void chooseRow(const QModelIndex& index);
    void openRow(const QModelIndex& index);
    void keysAfterRemoval();

    QueryBase* m_rows;
    RecordListModelBase* m_model = nullptr;
    QLineEdit* m_search = nullptr;
    QPushButton* m_add = nullptr;
    QListView* m_view = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_title = nullptr;
    QVBoxLayout* m_top = nullptr;
    std::function<QString(int)> m_countText;
    std::function<void(QMenu*, Record*)> m_fillMenu;
    std::function<Question(const QList<Record*>&)> m_deleteQuestion;
    Record* m_selected = nullptr;
    int m_modelChanging = 0;
    // The row given the keyboard once the records deleted have left the list (-1: none).
    int m_keysRow = -1;
    QList<Record*> m_keysAwaiting;
    bool m_syncing = false;
};

} // namespace kv::forms
