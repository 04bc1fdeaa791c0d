#pragma once

// The glue of a list screen with an editor beside its list: a live query of one record type,
// narrowed by the search field (and the screen's own filters), the list panel showing it, the
// detail pane, and the editor of the record chosen or of a new one. A screen keeps only what is
// its own: its rows, its editor's fields, its own buttons and filters.
//
// Three values drive the pane: the selected record, the record bound to the editor, and whether
// a new record is being entered. "Ajouter" starts an entry and clears the other two; choosing a
// row binds its record; the editor's saved(T*) selects and binds the saved record; its
// cancelled() clears all three and the placeholder comes back. A bound record deleted anywhere
// closes its editor.
//
// Editors are widgets with the signal saved(T*), and cancelled() when they can be cancelled.
// An editor that keeps typed work until it is saved also has hasUnsavedChanges(),
// canSaveChanges() and saveChanges() (true once stored): leaving it with unsaved changes (another
// row, "Ajouter", another command, closing the window) asks first, through leaveEditor(). One
// with focusFirstField() gets the focus there when "Ajouter" (Ctrl+N) starts a new record, and
// when Return opens a row of the list; Escape in the editor brings the keyboard back to the list.
//
// Every way to delete records (Delete key, context menu, toolbar) goes through askToRemove():
// the screen's question, completed with what the delete rules take along, "Annuler" the default.

#include "detailpane.h"
#include "dialogs.h"
#include "recordlistpanel.h"
#include "search.h"

#include "model/query.h"
#include "widgets/sharedannouncement.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QSplitter>
#include <QStyle>

#include <functional>

namespace kv::forms {

// What the search field holds: the text as typed and its folded words (none when blank).
struct SearchText {
    QString text;
    QStringList words;
};

// The sentence saying what the delete rules take along with these records (rentals, weighbridge
// tickets, contacts), e.g. « 68 locations et 139 bons de pesée seront aussi supprimés. »; empty
// when they take nothing.
QString deletedAlongText(const ModelContext* context, const QList<Record*>& records);
// What a reader hears once records are deleted: « Client supprimé : Dupont (Lyon). » for one
// (`oneDeleted` then its name), « 3 clients supprimés. » for several (the count, `manyDeleted`).
QString removedText(const QString& oneDeleted, const QString& manyDeleted, const QStringList& names);
// The question with that sentence after its message.
Question withDeletedAlong(Question question, const ModelContext* context, const QList<Record*>& records);

// The signals of a list/detail controller (a class template cannot declare them), and what the
// window asks of any of them.
class ListDetailBase : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool isCreating() const { return m_creating; }

    // The open editor holds changes that are not stored.
    virtual bool hasUnsavedChanges() const = 0;
    // Runs `proceed` at once when nothing typed would be lost; otherwise asks « Enregistrer les
    // modifications ? » and runs it after a successful save or "Ne pas enregistrer". While the
    // question is open, another way out asks nothing more and does nothing: one question at a
    // time, answered before anything else happens.
    void leaveEditor(std::function<void()> proceed, Leaving why = Leaving::elsewhere);
    // The question leaveEditor() holds open, or null.
    QMessageBox* openQuestion() const { return m_question; }
    // For quitting without questions: stores the editor's changes when they can be saved; the
    // others are dropped with the editor.
    void keepChangesForQuit();
    // The record of the open editor was deleted elsewhere: its frame says so and saves nothing,
    // and a question about saving it closes. False when the editor has no frame to say it.
    bool markEditorGone();
    bool editorGone() const;

signals:
    // The pane changed: another editor, another record bound, or the placeholder.
    void paneChanged();

protected:
    virtual bool canSaveChanges() const = 0;
    virtual bool saveChanges() = 0;
    virtual QWidget* questionParent() const = 0;

    bool m_creating = false;

private:
    QPointer<QMessageBox> m_question;
};

template <class T, class Editor>
class ListDetail : public ListDetailBase {
public:
    struct Setup {
        // The row of a record in the list.
        std::function<RowContent(T*)> row;
        std::function<bool(const T*, const T*)> lessThan;
        // An order by a number read once per record, quicker on long lists; set, it replaces
        // lessThan.
        std::function<qint64(const T*)> sortKey;
        // True when the record answers the search (every record answers a blank one).
        std::function<bool(const T*, const SearchText&)> matches;
        // The screen's own filters; none lets every record through.
        std::function<bool(const T*)> filter;
        // A new editor for a record (null: a new record).
        std::function<Editor*(T*)> makeEditor;
        // Points the open editor at another record (null: a new one). Returns false when a new
        // editor must be built instead; none means always a new one.
        std::function<bool(Editor*, T*)> rebind;
        // The widget the pane shows for an editor (a frame around it); none: the editor itself.
        std::function<QWidget*(Editor*)> frame;
        // What a save does; none: select and bind the saved record, the editor stays.
        std::function<void(T*)> afterSave;
        // True: choosing a row opens it. False: the screen opens records itself (openEditor).
        bool opensOnSelection = true;
        // True: with no record chosen the pane holds the editor of a new record, never the
        // placeholder.
        bool newWhenNoneChosen = false;
        // True: a deletion whose save failed is taken back (the records and their links come
        // back, chosen as before). False: it stays pending until the next save.
        bool takeBackFailedDeletion = false;
        EmptyState* placeholder = nullptr;
        // True: the list takes the width its rows need to show whole (within min…max) before
        // the editor takes the rest; for short lists (a few dozen rows), measured at each change.
        bool sidebarFitsRows = false;
        // The width a row needs to show whole; none: that of its RowContent.
        std::function<int(const T*, const QFont&)> rowWidth;
        int sidebarMin = 220;
        int sidebarIdeal = 220;
        int sidebarMax = 400;
    };

    // The list panel, the pane and their split view are made with `owner` as their parent.
    ListDetail(ModelContext* context, Setup setup, QWidget* owner)
        : ListDetailBase(owner), m_context(context), m_setup(std::move(setup))
    {
        m_query = new Query<T>(
            context,
            [this](const T* r) {
                return (!m_setup.filter || m_setup.filter(r)) && (!m_setup.matches || m_setup.matches(r, m_search));
            },
            m_setup.lessThan, this);
        if (m_setup.sortKey)
            m_query->setSortKey(m_setup.sortKey);
        m_list = new RecordListPanel<T>(m_query, m_setup.row);
        m_pane = new DetailPane(m_setup.placeholder ? m_setup.placeholder
                                                    : new EmptyState(QString(), QString(), QString()));
        m_split = makeSplitView(m_list, m_pane, m_setup.sidebarMin, m_setup.sidebarIdeal, m_setup.sidebarMax, owner,
                                m_setup.sidebarFitsRows ? std::function<int()>([this] { return rowsWidth(); })
                                                        : std::function<int()>());
        if (m_setup.sidebarFitsRows)
            QObject::connect(m_query, &QueryBase::resultsChanged, this, [this] {
                QMetaObject::invokeMethod(m_split, [split = m_split] { refitSplitView(split); }, Qt::QueuedConnection);
            });

        QObject::connect(m_list, &ListPanel::searchTextChanged, this, [this](const QString& text) {
            m_search = {text, searchWords(text)};
            m_query->invalidate();
        });
        QObject::connect(m_list, &ListPanel::addRequested, this, [this] { startNew(); });
        if (m_setup.opensOnSelection)
            m_list->onSelectionChanged(this, [this](T* record) { selectionChanged(record); });
        // Return on a row goes on into the record: the keyboard lands in its editor's first
        // field. Escape there comes back to the list, on the same row, the editor kept open.
        QObject::connect(m_list, &ListPanel::rowOpened, this,
                         [this](Record* record) { enterEditorOf(static_cast<T*>(record)); });
        QObject::connect(m_pane, &DetailPane::escaped, this, [this] { backToList(); });
        QObject::connect(context, &ModelContext::changed, this, [this] {
            if (m_edited && m_edited->isDeleted()) {
                m_edited = nullptr;
                // Typed work stays in view, the editor saying the record is gone; an editor
                // without any closes.
                if (!hasUnsavedChanges() || !markEditorGone())
                    refreshPane();
            }
        });
    }

    ModelContext* context() const { return m_context; }
    Query<T>* query() const { return m_query; }
    RecordListPanel<T>* list() const { return m_list; }
    DetailPane* pane() const { return m_pane; }
    QSplitter* splitView() const { return m_split; }

    // The records listed, in their order.
    QList<T*> shown() const { return m_query->results(); }
    T* selection() const { return m_list->selected(); }
    // The record bound to the editor; null when none (or a new one is entered).
    T* edited() const { return m_edited; }
    // The open editor, or null.
    Editor* editor() const { return m_editor; }

    // What the search field holds.
    const SearchText& search() const { return m_search; }
    // Lists the records again (a filter of the screen changed).
    void refilter() { m_query->invalidate(); }

    // "Ajouter" (true) and the editor's cancel (false): no record selected or bound; an empty
    // editor, or the placeholder.
    void resetEditing(bool creating)
    {
        m_creating = creating;
        m_edited = nullptr;
        m_list->setSelected(nullptr);
        refreshPane();
    }

    // A saved record: selected, bound, and shown in the list. Its editor stays where it was
    // scrolled to: the record is the one just typed (a new one too, which is no longer new), and
    // the field holding the keyboard stays in view.
    void showSaved(T* record)
    {
        m_creating = false;
        m_edited = record;
        m_shown = record;
        m_shownCreating = false;
        m_query->invalidate();
        m_list->setSelected(record);
        refreshPane();
    }

    // "Ajouter" (Ctrl+N): the editor of a new record, the focus in its first field. An editor
    // holding unsaved changes of another record asks first.
    void startNew()
    {
        auto start = [this] {
            resetEditing(true);
            focusFirstField();
        };
        if (m_creating && !m_edited)
            start();
        else
            leaveEditor(start);
    }

    // Opens the editor of a record (null: a new one), built afresh; unsaved changes ask first.
    void openEditor(T* record)
    {
        leaveEditor([this, record] {
            if (record && record->isDeleted())
                return;
            m_creating = record == nullptr;
            m_edited = record;
            buildEditor();
        });
    }

    // Closes the editor: the placeholder comes back.
    void closeEditor()
    {
        m_creating = false;
        m_edited = nullptr;
        refreshPane();
    }

    // Every deletion of the screen (Delete key, context menu, toolbar) asks this question,
    // completed with what the delete rules take along, then runs `onConfirmed` (none: remove())
    // with the records still listed. An empty title deletes without asking (a deletion that is
    // refused at once, with its own message).
    void deleteAsking(std::function<Question(const QList<T*>&)> question,
                      std::function<void(const QList<T*>&)> onConfirmed = {})
    {
        m_onDeleteConfirmed = std::move(onConfirmed);
        m_list->setDeleteQuestion([this, question = std::move(question)](const QList<Record*>& records) {
            QList<T*> typed;
            for (Record* r : records)
                typed.append(static_cast<T*>(r));
            Question q = question(typed);
            return q.title.isEmpty() ? q : withDeletedAlong(q, m_context, records);
        });
        QObject::connect(m_list, &ListPanel::deleteRequested, this, [this](const QList<int>& rows) {
            const QList<T*> records = recordsAtRows(rows);
            if (m_onDeleteConfirmed)
                m_onDeleteConfirmed(records);
            else
                remove(records);
        });
    }

    // What a reader hears once these records are deleted (« Client supprimé : … »), named
    // before they go.
    void announceRemovals(std::function<QString(const QList<T*>&)> said) { m_removedText = std::move(said); }

    // Asks the screen's question about these records, then deletes them (see deleteAsking).
    void askToRemove(const QList<T*>& records)
    {
        QList<Record*> all;
        for (T* r : records)
            all.append(r);
        m_list->askToDeleteRecords(all);
    }

    // The distinct records at these rows of the list, read before anything changes.
    QList<T*> recordsAtRows(const QList<int>& rows) const { return m_list->recordsAt(rows); }

    // Takes the records out of the selection and the editor, deletes them and saves once. A
    // failure is shown with the deletion prefix; returns false then.
    bool remove(const QList<T*>& records)
    {
        if (records.isEmpty())
            return true;
        T* const selected = m_list->selected();
        T* const edited = m_edited;
        QList<Record*> gone;
        for (T* r : records)
            gone.append(r);
        const QString said = m_removedText ? m_removedText(records) : QString();
        // The keyboard goes on from where the deleted rows stood.
        m_list->giveKeysAfterRemoval(gone);
        bool ok = true;
        QString error;
        for (T* r : records) {
            forget(r);
            if (!m_context->remove(r, &error)) {
                showError(m_list, deleteFailedText(error));
                ok = false;
            }
        }
        if (ok && !m_context->save(&error)) {
            if (m_setup.takeBackFailedDeletion) {
                m_context->rollback();
                m_edited = edited;
                if (edited)
                    m_creating = false;
                m_list->setSelected(selected);
            }
            showError(m_list, deleteFailedText(error));
            ok = false;
        }
        if (!ok)
            m_list->giveKeysAfterRemoval({});
        else
            announceOutcomeAfterwards(m_list, said);
        refreshPane();
        return ok;
    }

    // Shows what the three values say: the placeholder, the open editor pointed at the bound
    // record, or a new editor.
    void refreshPane()
    {
        if (m_setup.newWhenNoneChosen && !m_edited)
            m_creating = true;
        if (!m_creating && !m_edited) {
            m_editor = nullptr;
            m_pane->showPlaceholder();
            emit paneChanged();
            return;
        }
        if (m_editor && m_setup.rebind && m_setup.rebind(m_editor, m_edited)) {
            // An editor reused for another record (or a new one) opens at its top, as a new
            // editor does.
            if (m_edited != m_shown || m_creating != m_shownCreating)
                m_pane->scrollEditorToTop();
            noteShown();
            emit paneChanged();
            return;
        }
        buildEditor();
    }

    bool hasUnsavedChanges() const override
    {
        if constexpr (requires(const Editor* e) { e->hasUnsavedChanges(); })
            return m_editor && !editorGone() && m_editor->hasUnsavedChanges();
        return false;
    }

protected:
    bool canSaveChanges() const override
    {
        if constexpr (requires(const Editor* e) { e->canSaveChanges(); })
            return m_editor && m_editor->canSaveChanges();
        return false;
    }

    bool saveChanges() override
    {
        if constexpr (requires(Editor* e) { e->saveChanges(); })
            return m_editor && m_editor->saveChanges();
        return false;
    }

    QWidget* questionParent() const override { return m_pane; }

private:
    // The list's width that shows every row whole: the widest row, the view's frame and its
    // scroll bar.
    int rowsWidth() const
    {
        QListView* view = m_list->listView();
        const QFont font = view->font();
        int widest = 0;
        for (T* r : m_query->results())
            widest = std::max(widest, m_setup.rowWidth ? m_setup.rowWidth(r, font)
                                                       : RecordRowDelegate::wholeWidth(m_setup.row(r), font));
        const int scrollBar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
        return widest + 2 * view->frameWidth() + scrollBar + 2;
    }

    void focusFirstField()
    {
        if constexpr (requires(Editor* e) { e->focusFirstField(); })
            if (m_editor) {
                m_editor->focusFirstField();
                // The cursor in the field, its text not selected: no stray key replaces it.
                if (auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
                    field->end(false);
                m_pane->revealFocus();
            }
    }

    // Only once the editor shows that very record: not while the question about typed work
    // in another one is open, nor on screens that open records in their own way.
    void enterEditorOf(T* record)
    {
        if (record && !openQuestion() && !m_creating && m_edited == record && m_editor)
            focusFirstField();
    }

    // After the editor closed: the keys in the list, on the row of the record it showed.
    void keysToListAt(T* record)
    {
        QListView* view = m_list->listView();
        if (!view->isVisible())
            return;
        if (!QApplication::activeWindow())
            view->activateWindow();
        view->setFocus(Qt::OtherFocusReason);
        const QModelIndex row = record ? m_list->model()->indexOf(record) : QModelIndex();
        if (row.isValid())
            view->selectionModel()->setCurrentIndex(row, QItemSelectionModel::NoUpdate);
    }

    void backToList()
    {
        QListView* view = m_list->listView();
        if (view->isVisible())
            view->setFocus(Qt::OtherFocusReason);
    }

    void noteShown()
    {
        m_shown = m_edited;
        m_shownCreating = m_creating;
    }

    void selectionChanged(T* record)
    {
        if (m_restoringSelection)
            return;
        // Nothing changes for the editor: the row of the record it shows (or none while a new
        // record is entered).
        const bool same = record ? (!m_creating && record == m_edited) : (m_creating || !m_edited);
        if (!same && hasUnsavedChanges()) {
            // The list shows the edited record again while the question is open.
            restoreSelection(m_creating ? nullptr : m_edited);
            leaveEditor([this, record] {
                if (record && record->isDeleted())
                    return;
                restoreSelection(record);
                bindChosen(record);
            });
            return;
        }
        bindChosen(record);
    }

    void bindChosen(T* record)
    {
        if (record) {
            m_creating = false;
            m_edited = record;
        } else if (!m_creating) {
            m_edited = nullptr;
        }
        refreshPane();
    }

    void restoreSelection(T* record)
    {
        m_restoringSelection = true;
        m_list->setSelected(record);
        m_restoringSelection = false;
    }

    void forget(T* record)
    {
        if (m_list->selected() == record)
            m_list->setSelected(nullptr);
        if (m_edited == record) {
            m_edited = nullptr;
            refreshPane();
        }
    }

    void buildEditor()
    {
        Editor* editor = m_setup.makeEditor(m_edited);
        m_editor = editor;
        QObject::connect(editor, &Editor::saved, this, [this](T* record) {
            if (m_setup.afterSave)
                m_setup.afterSave(record);
            else
                showSaved(record);
        });
        if constexpr (requires { &Editor::cancelled; })
            QObject::connect(editor, &Editor::cancelled, this, [this] {
                // A cancel with typed work asks first; one that follows the deletion of the
                // record has nothing left to keep.
                if (m_edited && m_edited->isDeleted()) {
                    m_list->giveKeysAfterRemoval({m_edited});
                    resetEditing(false);
                } else
                    leaveEditor(
                        [this, was = m_edited] {
                            resetEditing(false);
                            keysToListAt(was);
                        },
                        Leaving::takingBack);
            });
        m_pane->setEditor(m_setup.frame ? m_setup.frame(editor) : editor);
        noteShown();
        emit paneChanged();
    }

    ModelContext* m_context;
    Setup m_setup;
    SearchText m_search;
    Query<T>* m_query = nullptr;
    RecordListPanel<T>* m_list = nullptr;
    DetailPane* m_pane = nullptr;
    QSplitter* m_split = nullptr;
    T* m_edited = nullptr;
    // What the open editor was last pointed at (a new record: null and creating).
    T* m_shown = nullptr;
    bool m_shownCreating = false;
    QPointer<Editor> m_editor;
    std::function<void(const QList<T*>&)> m_onDeleteConfirmed;
    std::function<QString(const QList<T*>&)> m_removedText;
    bool m_restoringSelection = false;
};

} // namespace kv::forms
