#pragma once

// The model behind the city search popup: completions of a typed town (limited to France
// under a French locale), geocoding of the typed text and resolution of a chosen completion.

#include "platform/adresseservice.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

namespace kv {

using CompletionCoordonnee = std::function<void(std::optional<Coordonnee>)>;

// Hands the coordinate of the first place of a geocoding answer to `completion`, or none when
// there is no list, an empty one, or a first place without coordinate. The error is not read.
void premiereCoordonnee(const std::optional<QList<Lieu>>& lieux, const QString& erreur,
                        const CompletionCoordonnee& completion);

class CitySearchViewModel : public QObject {
    Q_OBJECT
public:
    explicit CitySearchViewModel(AdresseService* service, QObject* parent = nullptr);
    ~CitySearchViewModel() override;

    QString query() const { return m_query; }
    // Stores the text and hands it to the completer (debounced).
    void setQuery(const QString& query);

    const QList<Lieu>& suggestions() const { return m_suggestions; }
    // Why the last request got no answer (the service out of reach, or its error); empty once
    // a request is answered.
    QString erreur() const { return m_erreur; }

    // Keeps, under a French locale, the results whose subtitle contains "France"; all of them
    // under another language.
    void filtrerSuggestionsFrance(const QList<Lieu>& resultats);

    // Geocodes the current query; a failed request also sets erreur().
    void geocoderRequete(CompletionCoordonnee completion);
    // The coordinate of a chosen completion, on the next turn of the event loop.
    void resoudre(const Lieu& lieu, CompletionCoordonnee completion);

    void setDelaiSaisieMs(int ms) { m_debounce.setInterval(ms); }

signals:
    void queryChanged(const QString& query);
    void suggestionsChanged();
    void erreurChanged();

private:
    void lancer();
    void setErreur(const QString& erreur);

    AdresseService* m_service;
    QString m_query;
    QList<Lieu> m_suggestions;
    QString m_erreur;
    QTimer m_debounce;
    QPointer<RequeteAdresse> m_requete;
    quint64 m_sequence = 0;
};

} // namespace kv
