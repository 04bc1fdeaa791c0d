#include "clientsduformulaire.h"

#include "model/helpers.h"
#include "model/modelcontext.h"
#include "model/query.h"
#include "model/records.h"

#include <algorithm>
#include <vector>

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
    : QObject(context), m_query(new Query<Client>(context, {}, {}, this))
{
    setObjectName(QLatin1String(kNomObjet));
    connect(m_query, &QueryBase::resultsChanged, this, [this] {
        m_aJour = false;
        emit changed();
    });
}

QList<Client*> ClientsDuFormulaire::clients() const
{
    entrees();
    return m_clients;
}

bool ClientsDuFormulaire::estVide() const
{
    return m_query->size() == 0;
}

const QList<SearchablePicker::Entry>& ClientsDuFormulaire::entrees() const
{
    if (m_aJour)
        return m_entrees;
    // By name, each name collated once.
    std::vector<std::pair<QCollatorSortKey, Client*>> cles;
    for (Client* c : m_query->results())
        cles.emplace_back(nameSortKey(c->nom()), c);
    std::stable_sort(cles.begin(), cles.end(), [](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : compareNames(a.second->nom(), b.second->nom()) < 0;
    });
    m_clients.clear();
    m_clients.reserve(qsizetype(cles.size()));
    for (const auto& cle : cles)
        m_clients.append(cle.second);
    m_entrees = SearchablePicker::clientEntries(m_clients, [](Client* c) { return QVariant::fromValue<void*>(c); });
    m_aJour = true;
    return m_entrees;
}

} // namespace kv
