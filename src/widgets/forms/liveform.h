#pragma once

// An open editor is a live view of its record. Each field of the form is bound to a field of the
// record; the form remembers, per field, what it showed and what the record held when the two
// last agreed (loaded, followed or saved). A field whose shown value differs from that is typed.
// When the record changes elsewhere (another window on the same store), the fields not typed
// take the new stored value; a typed field keeps the typing. A save writes only the typed
// fields, so a change made elsewhere to another field is never undone. Where a field was typed
// here and changed elsewhere too, the save first asks which of the two to keep.
//
// Shown and stored values are compared each with its own earlier value only, so they may be
// written differently (a colour's text, a number in the locale's format).

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QWidget;

namespace kv {
class ModelChanges;
class ModelContext;
class Record;
}

namespace kv::forms {

struct LiveField {
    // The field's label, as the question names it.
    QString name;
    // What the form shows now.
    std::function<QString()> shown;
    // What the record holds now.
    std::function<QString()> stored;
    // Shows the record's value in the form.
    std::function<void()> load;
    // Writes the form's value into the record.
    std::function<void()> write;
};

class LiveForm : public QObject {
    Q_OBJECT
public:
    // `record` is the record the form edits; null while a new one is entered (nothing to
    // follow). `form` is the editor: the parent of this object and of its question.
    LiveForm(ModelContext* context, std::function<Record*()> record, QWidget* form);

    void setFields(QList<LiveField> fields);
    const QList<LiveField>& fields() const { return m_fields; }

    // The record's values shown (none: the form as it stands), none of them typed.
    void loadAll();
    // The form as it stands is the untyped state (a new record's defaults, or just saved).
    void markAllLoaded();

    // Whether the user typed in any field, or in this one.
    bool typed() const;
    bool typed(int field) const;
    // The names of the typed fields that were changed elsewhere too, to another value.
    QStringList conflicts() const;

    // Writes the typed fields into the record.
    void writeTyped() const;

    // Before a save of a record changed elsewhere in fields typed here: asks whether to keep the
    // typing or take the stored values, then runs `retry` (the save again), or nothing on
    // "Annuler". Returns true when it asked (or a question is still open): the save waits.
    // Without conflicts, or when the application quits without questions (the typing is kept),
    // returns false at once.
    bool askAboutConflicts(const QString& title, std::function<void()> retry);

    // Takes what was stored elsewhere into the fields not typed (done on every change notice).
    void follow();

    QMessageBox* question() const { return m_question; }

signals:
    // Fields took values stored elsewhere.
    void followed();

private:
    struct State {
        QString shown;
        QString stored;
    };
    void remember(int field);

    ModelContext* m_context;
    std::function<Record*()> m_record;
    QWidget* m_form;
    QList<LiveField> m_fields;
    QList<State> m_states;
    QPointer<QMessageBox> m_question;
};

} // namespace kv::forms
