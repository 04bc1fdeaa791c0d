#include "citysearchviewmodel.h"

#include <QLocale>

#include <cstdio>

namespace kv {

void premiereCoordonnee(const std::optional<QList<Lieu>>& lieux, const QString& erreur,
                        const CompletionCoordonnee& completion)
{
    Q_UNUSED(erreur);
    if (lieux && !lieux->isEmpty() && lieux->first().coordonnee)
        completion(lieux->first().coordonnee);
    else
        completion(std::nullopt);
}

CitySearchViewModel::CitySearchViewModel(AdresseService* service, QObject* parent)
    : QObject(parent), m_service(service)
{
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(250);
    connect(&m_debounce, &QTimer::timeout, this, &CitySearchViewModel::lancer);
}

CitySearchViewModel::~CitySearchViewModel()
{
    if (m_requete)
        m_requete->annuler();
}

void CitySearchViewModel::setQuery(const QString& query)
{
    if (m_query == query)
        return;
    m_query = query;
    emit queryChanged(m_query);
    ++m_sequence;
    if (m_requete)
        m_requete->annuler();
    if (m_query.trimmed().size() < 3) {
        // The service completes nothing shorter; nothing is asked.
        m_debounce.stop();
        return;
    }
    m_debounce.start();
}

void CitySearchViewModel::lancer()
{
    RechercheAdresse recherche;
    recherche.texte = m_query;
    recherche.autocompletion = true;
    recherche.communesSeulement = true;
    recherche.limite = 10;
    const quint64 sequence = m_sequence;
    m_requete = m_service->rechercher(recherche, this, [this, sequence](const ReponseAdresse& r) {
        if (sequence != m_sequence)
            return;
        if (!r.ok()) {
            std::printf("Erreur complétion: %s\n", qUtf8Printable(r.erreur));
            std::fflush(stdout);
            // The list keeps nothing it cannot stand for; the popup says why it is empty.
            m_suggestions.clear();
            emit suggestionsChanged();
            setErreur(r.erreur);
            return;
        }
        setErreur(QString());
        filtrerSuggestionsFrance(r.lieux);
    });
}

void CitySearchViewModel::filtrerSuggestionsFrance(const QList<Lieu>& resultats)
{
    QList<Lieu> gardes;
    if (QLocale().language() == QLocale::French) {
        for (const Lieu& l : resultats)
            if (l.sousTitre.contains(QLatin1String("France"), Qt::CaseSensitive))
                gardes.append(l);
    } else {
        gardes = resultats;
    }
    m_suggestions = gardes;
    emit suggestionsChanged();
}

void CitySearchViewModel::geocoderRequete(CompletionCoordonnee completion)
{
    RechercheAdresse recherche;
    recherche.texte = m_query;
    recherche.limite = 5;
    recherche.communesSeulement = true;
    m_service->rechercher(recherche, this, [this, completion = std::move(completion)](const ReponseAdresse& r) {
        setErreur(r.erreur);
        premiereCoordonnee(r.ok() ? std::optional<QList<Lieu>>(r.lieux) : std::nullopt, r.erreur,
                           completion);
    });
}

void CitySearchViewModel::setErreur(const QString& erreur)
{
    if (erreur == m_erreur)
        return;
    m_erreur = erreur;
    emit erreurChanged();
}

void CitySearchViewModel::resoudre(const Lieu& lieu, CompletionCoordonnee completion)
{
    QTimer::singleShot(0, this, [coordonnee = lieu.coordonnee, completion = std::move(completion)] {
        completion(coordonnee);
    });
}

} // namespace kv
