#include "clientsduformulaire.h"

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
    m_travail.setMaxThreadCount(1);
    connect(m_query, &QueryBase::resultsChanged, this, [this] {
        m_aJour = false;
        ++m_generation;
        emit changed();
    });
}

ClientsDuFormulaire::~ClientsDuFormulaire()
{
    // The work's answer is posted to a list still whole, then dropped with it.
    m_travail.waitForDone();
}

QList<Client*> ClientsDuFormulaire::clients() const
{
    entrees();
    return m_liste.clients;
}

bool ClientsDuFormulaire::estVide() const
{
    return m_query->size() == 0;
}

const SearchablePicker::PreparedEntries& ClientsDuFormulaire::entrees() const
{
    if (!m_aJour) {
        m_liste = construire(copier(), m_liste.entrees);
        m_aJour = true;
    }
    return m_liste.entrees;
}

void ClientsDuFormulaire::preparer()
{
    if (m_aJour || m_enRoute)
        return;
    m_enRoute = true;
    m_travail.start([this, generation = m_generation, fiches = copier(), avant = m_liste.entrees]() mutable {
        Liste liste = construire(std::move(fiches), avant);
        QMetaObject::invokeMethod(this, [this, generation, liste = std::move(liste)]() mutable {
            recevoir(generation, std::move(liste));
        }, Qt::QueuedConnection);
    });
}

void ClientsDuFormulaire::recevoir(quint64 generation, Liste liste)
{
    m_enRoute = false;
    // Made from clients that changed since, or made meanwhile by a form: dropped.
    if (generation != m_generation || m_aJour)
        return;
    m_liste = std::move(liste);
    m_aJour = true;
}

ClientsDuFormulaire::Fiches ClientsDuFormulaire::copier() const
{
    Fiches fiches;
    const QList<Client*> clients = m_query->results();
    fiches.reserve(clients.size());
    for (Client* c : clients)
        fiches.append({c, ficheClient(*c)});
    return fiches;
}

ClientsDuFormulaire::Liste ClientsDuFormulaire::construire(Fiches fiches, const SearchablePicker::PreparedEntries& avant)
{
    // What is only needed on the way goes before the rows are made: the rows, kept for long,
    // take the room it leaves.
    Liste liste;
    QList<FicheClient> triees;
    {
        // By name, each name collated once; the records themselves are never read here.
        std::vector<std::pair<QCollatorSortKey, qsizetype>> cles;
        cles.reserve(size_t(fiches.size()));
        for (qsizetype i = 0; i < fiches.size(); ++i)
            cles.emplace_back(nameSortKey(fiches.at(i).second.nom), i);
        std::stable_sort(cles.begin(), cles.end(), [&fiches](const auto& a, const auto& b) {
            const int c = a.first.compare(b.first);
            return c != 0 ? c < 0 : compareNames(fiches.at(a.second).second.nom, fiches.at(b.second).second.nom) < 0;
        });
        liste.clients.reserve(fiches.size());
        triees.reserve(fiches.size());
        for (const auto& cle : cles) {
            liste.clients.append(fiches.at(cle.second).first);
            triees.append(fiches.at(cle.second).second);
        }
    }
    fiches = {};
    const QList<SearchablePicker::Entry> entries = SearchablePicker::clientEntries(
        triees, [&liste](qsizetype i) { return QVariant::fromValue<void*>(liste.clients.at(i)); });
    triees = {};
    liste.entrees = SearchablePicker::PreparedEntries(entries, avant);
    return liste;
}

} // namespace kv
