#include "listdetail.h"

#include "editorframe.h"

#include "model/modelcontext.h"

#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace kv::forms {

namespace {

// What the sentence names, in this order: each type with its singular and plural, and whether
// the word is feminine (the past participle agrees with it).
struct DeletedNoun {
    EntityType type;
    const char* singular;
    const char* plural;
    bool feminine;
};

constexpr DeletedNoun kDeletedNouns[] = {
    {EntityType::Contact, "contact", "contacts", false},
    {EntityType::LocationDeBenne, "location", "locations", true},
    {EntityType::BonDePesee, "bon de pesée", "bons de pesée", false},
};

} // namespace

QString deletedAlongText(const ModelContext* context, const QList<Record*>& records)
{
    if (!context || records.isEmpty())
        return {};
    const auto counts = context->deletedAlong(records);
    QStringList parts;
    qsizetype total = 0;
    bool allFeminine = true;
    for (const DeletedNoun& noun : kDeletedNouns) {
        const qsizetype n = counts[int(noun.type)];
        if (n <= 0)
            continue;
        total += n;
        allFeminine = allFeminine && noun.feminine;
        // A no-break space: a count never parts from its noun at a line end.
        parts.append(QLocale().toString(n) + QChar(0x00A0)
                     + QString::fromUtf8(n == 1 ? noun.singular : noun.plural));
    }
    if (parts.isEmpty())
        return {};
    QString list = parts.takeLast();
    if (!parts.isEmpty())
        list = parts.join(QStringLiteral(", ")) + QStringLiteral(" et ") + list;
    const bool one = total == 1;
    const QString participle = QStringLiteral("supprimé") + (allFeminine ? QStringLiteral("e") : QString())
                               + (one ? QString() : QStringLiteral("s"));
    return list + (one ? QStringLiteral(" sera aussi ") : QStringLiteral(" seront aussi ")) + participle
           + QLatin1Char('.');
}

QString removedText(const QString& oneDeleted, const QString& manyDeleted, const QStringList& names)
{
    if (names.size() == 1)
        return oneDeleted + QStringLiteral("\u00A0: ") + names.first() + QLatin1Char('.');
    return QLocale().toString(names.size()) + QChar(0x00A0) + manyDeleted + QLatin1Char('.');
}

Question withDeletedAlong(Question question, const ModelContext* context, const QList<Record*>& records)
{
    const QString along = deletedAlongText(context, records);
    if (!along.isEmpty())
        question.message = question.message.isEmpty() ? along : question.message + QLatin1Char(' ') + along;
    return question;
}

void ListDetailBase::leaveEditor(std::function<void()> proceed, Leaving why)
{
    if (!hasUnsavedChanges()) {
        if (proceed)
            proceed();
        return;
    }
    if (m_question) {
        m_question->activateWindow();
        return;
    }
    QPointer<ListDetailBase> self(this);
    m_question = askToSaveChanges(
        questionParent(), [self] { return self && self->saveChanges(); },
        [self, proceed = std::move(proceed)] {
            if (self && proceed)
                proceed();
        },
        why);
}

bool ListDetailBase::markEditorGone()
{
    auto* frame = questionParent()->findChild<EditorFrame*>();
    if (!frame)
        return false;
    frame->showRecordGone();
    // Nothing left to delete: the editor's own delete button goes out of use with saving.
    for (auto* button : questionParent()->findChildren<QPushButton*>())
        if (button->property("deletesRecord").toBool())
            button->setEnabled(false);
    if (m_question)
        m_question->reject();
    return true;
}

bool ListDetailBase::editorGone() const
{
    auto* frame = questionParent()->findChild<EditorFrame*>();
    return frame && frame->recordGone();
}

void ListDetailBase::keepChangesForQuit()
{
    if (hasUnsavedChanges() && canSaveChanges())
        saveChanges();
}

} // namespace kv::forms
