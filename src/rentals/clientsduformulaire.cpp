#include "clientsduformulaire.h"

#include "model/helpers.h"
#include "model/modelcontext.h"
#include "model/query.h"
#include "model/records.h"

namespace kv {

namespace {
constexpr char kNomObjet[] = "clientsDuFormulaire";
}

ClientsDuFormulaire* ClientsDuFormulaire::pour(ModelContext* context)
{
    if (auto* c = context->findChild<ClientsDuFormulaire*>(QLatin1String(kNomObjet), Qt::FindDirectChildrenOnly))
        return c;
    return new ClientsDuFormulaire(context);
}

ClientsDuFormulaire::ClientsDuFormulaire(ModelContext* context)
    : QObject(context),
      m_query(new Query<Client>(
          context, {}, [](const Client* a, const Client* b) { return nameLessThan(a->nom(), b->nom()); }, this))
{
    setObjectName(QLatin1String(kNomObjet));
    connect(m_query, &QueryBase::resultsChanged, this, [this] {
        m_aJour = false;
        emit changed();
    });
}

QList<Client*> ClientsDuFormulaire::clients() const
{
    return m_query->results();
}

bool ClientsDuFormulaire::estVide() const
{
    return m_query->size() == 0;
}

const QList<SearchablePicker::Entry>& ClientsDuFormulaire::entrees() const
{
    if (m_aJour)
        return m_entrees;
    const QList<Client*> liste = clients();
    const QStringList details = clientDistinctions(liste);
    m_entrees.clear();
    m_entrees.reserve(liste.size());
    for (int i = 0; i < liste.size(); ++i)
        m_entrees.append({liste.at(i)->nom(), QVariant::fromValue<void*>(liste.at(i)), details.at(i)});
    m_aJour = true;
    return m_entrees;
}

} // namespace kv
