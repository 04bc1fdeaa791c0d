#pragma once

// Client of the French national geocoding service (Géoplateforme, "search" endpoint): address
// completion while the user types, geocoding of a whole text, town search. Answers are JSON
// (GeoJSON feature collections, longitude first). Every request has a timeout; failures come
// back as a French text, never as an empty success.

#include "mapwidget.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace kv {

// A point on Earth in degrees (the map's point).
using Coordonnee = GeoPoint;

// True when both values are finite and within ±90 / ±180.
inline bool coordonneeValide(double latitude, double longitude)
{
    return isValidCoordinate(latitude, longitude);
}

// One place of an answer: a title ("12 Rue de la Paix"), a subtitle ("75002 Paris, France")
// and, when the service gave a usable one, its coordinate.
struct Lieu {
    QString titre;
    QString sousTitre;
    std::optional<Coordonnee> coordonnee;
    bool operator==(const Lieu&) const = default;
};

// What one request asks.
struct RechercheAdresse {
    QString texte;
    int limite = 8;
    bool autocompletion = false;
    bool communesSeulement = false;          // towns only
    std::optional<Coordonnee> proximite;     // answers near this point come first
};

// The outcome of one request: places in the service's order, or an error text.
struct ReponseAdresse {
    QList<Lieu> lieux;
    QString erreur; // empty on success
    bool ok() const { return erreur.isEmpty(); }
};

// Reads an answer of the service. An unreadable text gives an error; a feature without a
// usable point gives a place without coordinate.
ReponseAdresse lireReponseAdresse(const QByteArray& json);

// The query URL of a request against `base` (".../geocodage" → ".../geocodage/search?...").
QUrl urlRecherche(const QUrl& base, const RechercheAdresse& recherche);

// One request in flight. It reports once through `termine`, then deletes itself; `annuler`
// stops it without any report.
class RequeteAdresse : public QObject {
    Q_OBJECT
public:
    void annuler();

signals:
    void termine(const kv::ReponseAdresse& reponse);

private:
    friend class AdresseService;
    RequeteAdresse(QNetworkReply* reply, int timeoutMs, QObject* parent);
    void finir(const ReponseAdresse& reponse);
    void surReponse();

    QPointer<QNetworkReply> m_reply;
    QTimer* m_timer = nullptr;
    bool m_fini = false;
};

class AdresseService : public QObject {
    Q_OBJECT
public:
    // The service at the address of the settings ("addresses/baseUrl"), or the built-in one.
    explicit AdresseService(QObject* parent = nullptr);
    AdresseService(const QUrl& baseUrl, QObject* parent = nullptr);

    static QUrl defaultBaseUrl();
    static QUrl configuredBaseUrl();

    QUrl baseUrl() const { return m_baseUrl; }
    void setBaseUrl(const QUrl& url) { m_baseUrl = url; }
    int timeoutMs() const { return m_timeoutMs; }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

    // Starts a request. The answer arrives through the event loop; `receiver` bounds its life:
    // when the receiver is gone, `onReponse` is never called.
    RequeteAdresse* rechercher(const RechercheAdresse& recherche, const QObject* receiver,
                               std::function<void(const ReponseAdresse&)> onReponse);

private:
    QUrl m_baseUrl;
    int m_timeoutMs = 10000;
    QNetworkAccessManager* m_network = nullptr;
};

} // namespace kv

Q_DECLARE_METATYPE(kv::ReponseAdresse)
