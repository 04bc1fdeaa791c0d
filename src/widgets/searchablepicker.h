#pragma once

// A picker for long lists of names (clients): typing any part of a name narrows the list to the
// entries that hold every typed word, letter case and accents ignored, in the order the entries
// were given, except that an entry whose name or one of whose phones the search matches whole
// comes first; Return or a click chooses. Digits match in the order typed, whatever blanks stand
// between them (« 04 78 15 16 » finds the phone 04.78.15.16.xx, never 16 … 04 elsewhere). The arrow, Space and Alt+Down open the whole list with
// the same search field; Up and Down on the closed picker step through the entries as on any
// picker; Home and End go to the first and last rows of the open list. Each entry may carry a
// detail that tells look-alike names apart (a client's town): the open list shows it beside the
// name, in a secondary tone, and a search matches it too. The name is never cut for the detail:
// the open list is as wide as its rows need, up to the window it opens over, and where that is
// not enough the detail gives way first. The closed picker shows the chosen entry's detail too. The list is a filter over one model:
// thousands of entries cost no widget each.
//
// It stays a QComboBox for its callers: currentIndex, itemText, itemData, findData and the
// activated / currentIndexChanged signals keep their meaning (row 0 is the "none" row when
// there is one). It draws its focus ring whenever it has the focus, however it got it.

#include "widgets/forms/fittingcombobox.h"

#include <QPoint>
#include <QVariant>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;

namespace kv {

class Client;
struct FicheClient;

class SearchablePicker : public forms::FittingComboBox {
    Q_OBJECT
public:
    struct Entry {
        QString text;
        QVariant data;  // itemData(row), Qt::UserRole
        QString detail; // shown beside the text in the open list; matched by a search
        QString searchedToo = {}; // matched by a search, never shown (a client’s phone and e-mail)
    };
    // The rows of a client picker, in the clients' order: each name with what tells it from its
    // look-alikes, its phone and e-mail searched too; `data` gives each row's data.
    static QList<Entry> clientEntries(const QList<Client*>& clients, const std::function<QVariant(Client*)>& data);
    // The same from the clients' copied texts, on any thread; `data` gives the data of row i.
    static QList<Entry> clientEntries(const QList<FicheClient>& clients, const std::function<QVariant(qsizetype)>& data);
    // A list's rows made ready for the search (folded texts, numbers), from its entries alone:
    // made once, on any thread, and shown by any number of pickers without being made again.
    // Texts of `before` that stay in the list keep their folded form: a list refreshed for one
    // new client folds one.
    struct PreparedEntries {
        PreparedEntries() = default;
        explicit PreparedEntries(const QList<Entry>& entries, const PreparedEntries& before = {});
        qsizetype size() const;
        struct Row;
        std::shared_ptr<const QList<Row>> rows;
    };
    // The role of an entry's detail in the picker's model.
    static constexpr int kDetailRole = Qt::UserRole + 101;

    explicit SearchablePicker(QWidget* parent = nullptr);
    ~SearchablePicker() override;

    // The rows: `none` first when it is not empty (standing for no choice, never matched by a
    // search), then the entries in the order given. The current row becomes the first one.
    void setEntries(const QString& none, const QList<Entry>& entries);
    void setPreparedEntries(const QString& none, const PreparedEntries& entries);

    void showPopup() override;
    void hidePopup() override;

    // While the list is open: its search field and the rows the search leaves.
    bool listShown() const;
    QLineEdit* searchField() const { return m_search; }
    QListView* filteredList() const { return m_list; }
    // The texts of the rows the search leaves, in their order.
    QStringList filteredTexts() const;
    // The chosen entry's text and detail, as its tool tip shows them; empty without a detail.
    QString currentDescription() const;
    // The chosen entry's detail, which the closed picker shows after its name.
    QString shownDetail() const;
    // The width the open list needs to show every row's name and detail whole.
    int widestRow() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void initStyleOption(QStyleOptionComboBox* option) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Entries;
    class Filter;
    class RowPainter;

    void search(const QString& text);
    void choose(const QModelIndex& filtered);
    void placePopup();


    Entries* m_entries;
    Filter* m_filter;
    QFrame* m_popup;
    QLineEdit* m_search;
    QListView* m_list;
    QLabel* m_nothing;
    QPoint m_pointerAtOpening;
};

} // namespace kv
