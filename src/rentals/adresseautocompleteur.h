#pragma once

// Completion of the site address typed in the new-rental form, biased towards the user's last
// position. Typing is debounced; an answer to an older text is dropped.

#include "localisationmanager.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>

namespace kv {

class AdresseAutoCompleteur : public QObject {
    Q_OBJECT
public:
    explicit AdresseAutoCompleteur(AdresseService* service, QObject* parent = nullptr);
    ~AdresseAutoCompleteur() override;

    const QList<Lieu>& suggestions() const { return m_suggestions; }
    // The owner empties the list (after a choice, or a text too short), and forgets any failure.
    void viderSuggestions();

    // Why the service gave no answer to the latest text (unreachable, an error), in French;
    // empty once it answers again, or once the owner forgets it.
    QString erreur() const { return m_erreur; }
    void oublierErreur();

    // The text to complete; the request leaves once typing pauses.
    void setQueryFragment(const QString& texte);
    QString queryFragment() const { return m_fragment; }
    // Forgets the pending text and any answer still to come.
    void annulerRecherche();

    // The search region: none is the whole world (no bias).
    std::optional<RegionCarte> region() const { return m_region; }
    void setRegion(const std::optional<RegionCarte>& region) { m_region = region; }

    void setDelaiSaisieMs(int ms) { m_debounce.setInterval(ms); }
    bool rechercheEnCours() const { return m_debounce.isActive() || m_requete; }

signals:
    void suggestionsChanged();
    void erreurChanged();

private:
    void lancer();
    void publier(const QList<Lieu>& lieux);
    void setErreur(const QString& erreur);

    AdresseService* m_service;
    QList<Lieu> m_suggestions;
    QString m_erreur;
    QString m_fragment;
    std::optional<RegionCarte> m_region;
    QTimer m_debounce;
    QPointer<RequeteAdresse> m_requete;
    quint64 m_sequence = 0;
};

} // namespace kv
