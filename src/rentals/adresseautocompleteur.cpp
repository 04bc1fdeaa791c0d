#include "adresseautocompleteur.h"

#include <cstdio>

namespace kv {

AdresseAutoCompleteur::AdresseAutoCompleteur(AdresseService* service, QObject* parent)
    : QObject(parent), m_service(service)
{
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(250);
    connect(&m_debounce, &QTimer::timeout, this, &AdresseAutoCompleteur::lancer);
    if (const auto position = LocalisationManager::positionStockee())
        m_region = RegionCarte{*position, 0.2, 0.2};
}

AdresseAutoCompleteur::~AdresseAutoCompleteur()
{
    annulerRecherche();
}

void AdresseAutoCompleteur::viderSuggestions()
{
    oublierErreur();
    if (m_suggestions.isEmpty())
        return;
    m_suggestions.clear();
    emit suggestionsChanged();
}

void AdresseAutoCompleteur::oublierErreur()
{
    setErreur(QString());
}

void AdresseAutoCompleteur::setErreur(const QString& erreur)
{
    if (erreur == m_erreur)
        return;
    m_erreur = erreur;
    emit erreurChanged();
}

void AdresseAutoCompleteur::setQueryFragment(const QString& texte)
{
    m_fragment = texte;
    ++m_sequence;
    if (m_requete)
        m_requete->annuler();
    m_debounce.start();
}

void AdresseAutoCompleteur::annulerRecherche()
{
    ++m_sequence;
    m_debounce.stop();
    if (m_requete)
        m_requete->annuler();
}

void AdresseAutoCompleteur::lancer()
{
    RechercheAdresse recherche;
    recherche.texte = m_fragment;
    recherche.autocompletion = true;
    recherche.limite = 8;
    if (m_region)
        recherche.proximite = m_region->centre;
    const quint64 sequence = m_sequence;
    m_requete = m_service->rechercher(recherche, this, [this, sequence](const ReponseAdresse& r) {
        if (sequence != m_sequence)
            return; // an older text
        if (!r.ok()) {
            // The suggestions keep their value; the owner says why nothing new comes.
            std::printf("Erreur : %s\n", qUtf8Printable(r.erreur));
            std::fflush(stdout);
            setErreur(r.erreur);
            return;
        }
        // Published on the next turn of the event loop, as the results of a completer are.
        QTimer::singleShot(0, this, [this, sequence, lieux = r.lieux] {
            if (sequence == m_sequence)
                publier(lieux);
        });
    });
}

void AdresseAutoCompleteur::publier(const QList<Lieu>& lieux)
{
    oublierErreur();
    m_suggestions = lieux;
    emit suggestionsChanged();
}

} // namespace kv
