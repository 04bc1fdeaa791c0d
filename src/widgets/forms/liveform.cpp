#include "liveform.h"

#include "dialogs.h"

#include "model/modelcontext.h"

#include <QMessageBox>
#include <QPushButton>

namespace kv::forms {

LiveForm::LiveForm(ModelContext* context, std::function<Record*()> record, QWidget* form)
    : QObject(form), m_context(context), m_record(std::move(record)), m_form(form)
{
    connect(context, &ModelContext::changed, this, [this](const ModelChanges& changes) {
        Record* r = m_record ? m_record() : nullptr;
        if (!r || r->isDeleted())
            return;
        if (!changes.isEverything()
            && std::find(changes.modified().cbegin(), changes.modified().cend(), r) == changes.modified().cend())
            return;
        follow();
    });
}

void LiveForm::setFields(QList<LiveField> fields)
{
    m_fields = std::move(fields);
    markAllLoaded();
}

void LiveForm::remember(int field)
{
    const LiveField& f = m_fields[field];
    m_states[field] = {f.shown(), m_record && m_record() ? f.stored() : QString()};
}

void LiveForm::loadAll()
{
    Record* r = m_record ? m_record() : nullptr;
    if (r)
        for (const LiveField& f : std::as_const(m_fields))
            f.load();
    markAllLoaded();
}

void LiveForm::markAllLoaded()
{
    m_states.resize(m_fields.size());
    for (int i = 0; i < m_fields.size(); ++i)
        remember(i);
}

bool LiveForm::typed(int field) const
{
    return m_fields[field].shown() != m_states[field].shown;
}

bool LiveForm::typed() const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (typed(i))
            return true;
    return false;
}

QStringList LiveForm::conflicts() const
{
    QStringList names;
    Record* r = m_record ? m_record() : nullptr;
    if (!r || r->isDeleted())
        return names;
    for (int i = 0; i < m_fields.size(); ++i) {
        const LiveField& f = m_fields[i];
        if (typed(i) && f.stored() != m_states[i].stored && f.stored() != f.shown())
            names.append(f.name);
    }
    return names;
}

void LiveForm::writeTyped() const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (typed(i))
            m_fields[i].write();
}

void LiveForm::follow()
{
    Record* r = m_record ? m_record() : nullptr;
    if (!r || r->isDeleted())
        return;
    bool took = false;
    for (int i = 0; i < m_fields.size(); ++i) {
        const LiveField& f = m_fields[i];
        const QString stored = f.stored();
        if (stored == m_states[i].stored)
            continue;
        if (!typed(i)) {
            f.load();
            took = true;
            remember(i);
        } else if (f.shown() == stored) {
            // Typed here as it was stored elsewhere: nothing left to keep apart.
            remember(i);
        }
        // Otherwise the typing stays, and the save asks (conflicts()).
    }
    if (took)
        emit followed();
}

bool LiveForm::askAboutConflicts(const QString& title, std::function<void()> retry)
{
    if (m_question)
        return true;
    const QStringList names = conflicts();
    if (names.isEmpty() || quitsWithoutQuestions())
        return false;
    QStringList quoted;
    for (const QString& n : names)
        quoted.append(QStringLiteral("« %1 »").arg(n));
    const QString message =
        (names.size() == 1 ? QStringLiteral("Le champ %1 a été enregistré ailleurs pendant que vous le modifiiez.")
                           : QStringLiteral("Les champs %1 ont été enregistrés ailleurs pendant que vous les modifiiez."))
            .arg(quoted.join(QStringLiteral(", ")))
        + QStringLiteral(" Garder votre saisie, ou reprendre ce qui est enregistré ? Les autres champs que vous avez"
                         " modifiés seront enregistrés dans les deux cas.");
    QWidget* window = m_form ? m_form->window() : nullptr;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Kestrovan"), title, QMessageBox::NoButton, window);
    box->setObjectName(QStringLiteral("modifieAilleurs"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(message);
    QPushButton* mine = box->addButton(QStringLiteral("Garder ma saisie"), QMessageBox::AcceptRole);
    QPushButton* theirs = box->addButton(QStringLiteral("Reprendre l’enregistré"), QMessageBox::ActionRole);
    QPushButton* cancel = box->addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box->setDefaultButton(mine);
    box->setEscapeButton(cancel);
    fitMessageBox(box);
    QPointer<LiveForm> self(this);
    connect(box, &QMessageBox::buttonClicked, this, [self, mine, theirs, retry = std::move(retry)](QAbstractButton* b) {
        if (!self || (b != mine && b != theirs))
            return;
        // The box closes after this: the save it retries may ask again.
        self->m_question = nullptr;
        for (int i = 0; i < self->m_fields.size(); ++i) {
            const LiveField& f = self->m_fields[i];
            if (!self->typed(i) || f.stored() == self->m_states[i].stored)
                continue;
            if (b == theirs) {
                f.load();
                self->remember(i);
            } else {
                // The typing stays typed; the stored value it replaces is now known.
                self->m_states[i].stored = f.stored();
            }
        }
        if (b == theirs)
            emit self->followed();
        if (retry)
            retry();
    });
    m_question = box;
    box->open();
    return true;
}

} // namespace kv::forms
