#include "adresseservice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUrlQuery>

#include <cmath>

namespace kv {

namespace {

const char* const kBaseUrlKey = "addresses/baseUrl";

// The service refuses texts shorter than this.
constexpr int kLongueurMinimale = 3;
constexpr int kLongueurMaximale = 200;

QString texteOuVide(const QJsonValue& v)
{
    return v.isString() ? v.toString().trimmed() : QString();
}

Lieu lireFeature(const QJsonObject& feature)
{
    const QJsonObject props = feature.value(QStringLiteral("properties")).toObject();
    Lieu lieu;
    lieu.titre = texteOuVide(props.value(QStringLiteral("name")));
    if (lieu.titre.isEmpty())
        lieu.titre = texteOuVide(props.value(QStringLiteral("label")));

    const QString codePostal = texteOuVide(props.value(QStringLiteral("postcode")));
    const QString ville = texteOuVide(props.value(QStringLiteral("city")));
    QStringList parts;
    const QString localite = QStringList{codePostal, ville}.join(QLatin1Char(' ')).trimmed();
    if (!localite.isEmpty())
        parts << localite;
    parts << QStringLiteral("France");
    lieu.sousTitre = parts.join(QStringLiteral(", "));

    // GeoJSON points are [longitude, latitude].
    const QJsonArray coords =
        feature.value(QStringLiteral("geometry")).toObject().value(QStringLiteral("coordinates")).toArray();
    if (coords.size() >= 2 && coords.at(0).isDouble() && coords.at(1).isDouble()) {
        const double lon = coords.at(0).toDouble();
        const double lat = coords.at(1).toDouble();
        if (coordonneeValide(lat, lon))
            lieu.coordonnee = Coordonnee{lat, lon};
    }
    return lieu;
}

QString messageDuService(const QByteArray& body)
{
    const QJsonObject o = QJsonDocument::fromJson(body).object();
    return texteOuVide(o.value(QStringLiteral("message")));
}

} // namespace

ReponseAdresse lireReponseAdresse(const QByteArray& json)
{
    ReponseAdresse r;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        r.erreur = QStringLiteral("Réponse illisible du service d’adresses.");
        return r;
    }
    const QJsonValue features = doc.object().value(QStringLiteral("features"));
    if (!features.isArray()) {
        r.erreur = QStringLiteral("Réponse illisible du service d’adresses (aucune liste de lieux).");
        return r;
    }
    for (const QJsonValue& f : features.toArray())
        if (f.isObject())
            r.lieux.append(lireFeature(f.toObject()));
    return r;
}

QUrl urlRecherche(const QUrl& base, const RechercheAdresse& recherche)
{
    QUrl url = base;
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path + QStringLiteral("search"));
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("q"),
                   QString::fromLatin1(QUrl::toPercentEncoding(recherche.texte.trimmed())));
    q.addQueryItem(QStringLiteral("limit"), QString::number(std::max(1, recherche.limite)));
    if (recherche.autocompletion)
        q.addQueryItem(QStringLiteral("autocomplete"), QStringLiteral("1"));
    if (recherche.communesSeulement)
        q.addQueryItem(QStringLiteral("type"), QStringLiteral("municipality"));
    if (recherche.proximite && coordonneeValide(recherche.proximite->latitude, recherche.proximite->longitude)) {
        q.addQueryItem(QStringLiteral("lat"), QString::number(recherche.proximite->latitude, 'f', 6));
        q.addQueryItem(QStringLiteral("lon"), QString::number(recherche.proximite->longitude, 'f', 6));
    }
    url.setQuery(q.query(QUrl::FullyEncoded), QUrl::StrictMode);
    return url;
}

// ---------------------------------------------------------------------------------------------

RequeteAdresse::RequeteAdresse(QNetworkReply* reply, int timeoutMs, QObject* parent)
    : QObject(parent), m_reply(reply)
{
    if (!reply)
        return;
    reply->setParent(this);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_reply) {
            m_reply->disconnect(this);
            m_reply->abort();
        }
        finir({{}, QStringLiteral("Le service d’adresses n’a pas répondu à temps.")});
    });
    m_timer->start(timeoutMs);
    connect(reply, &QNetworkReply::finished, this, &RequeteAdresse::surReponse);
}

void RequeteAdresse::annuler()
{
    if (m_fini)
        return;
    m_fini = true;
    if (m_timer)
        m_timer->stop();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    deleteLater();
}

void RequeteAdresse::finir(const ReponseAdresse& reponse)
{
    if (m_fini)
        return;
    m_fini = true;
    if (m_timer)
        m_timer->stop();
    emit termine(reponse);
    deleteLater();
}

void RequeteAdresse::surReponse()
{
    QNetworkReply* reply = m_reply;
    if (!reply || m_fini)
        return;
    const QByteArray body = reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status >= 400) {
        QString erreur;
        if (status >= 400) {
            erreur = QStringLiteral("Le service d’adresses a répondu par une erreur (HTTP %1).").arg(status);
            const QString detail = messageDuService(body);
            if (!detail.isEmpty())
                erreur += QLatin1Char(' ') + detail;
        } else {
            erreur = QStringLiteral("Service d’adresses injoignable : %1").arg(reply->errorString());
        }
        finir({{}, erreur});
        return;
    }
    finir(lireReponseAdresse(body));
}

// ---------------------------------------------------------------------------------------------

AdresseService::AdresseService(QObject* parent) : AdresseService(configuredBaseUrl(), parent) {}

AdresseService::AdresseService(const QUrl& baseUrl, QObject* parent)
    : QObject(parent), m_baseUrl(baseUrl), m_network(new QNetworkAccessManager(this))
{
    qRegisterMetaType<kv::ReponseAdresse>();
}

QUrl AdresseService::defaultBaseUrl()
{
    return QUrl(QStringLiteral("https://data.geopf.fr/geocodage"));
}

QUrl AdresseService::configuredBaseUrl()
{
    const QUrl url(QSettings().value(QLatin1String(kBaseUrlKey)).toString());
    if (url.isValid() && !url.isEmpty() && !url.scheme().isEmpty())
        return url;
    // Tests never reach the network: unless one sets its own service, a closed loopback port
    // answers every request with a refusal, as an office without network would see.
    if (QStandardPaths::isTestModeEnabled())
        return QUrl(QStringLiteral("http://127.0.0.1:1/geocodage"));
    return defaultBaseUrl();
}

RequeteAdresse* AdresseService::rechercher(const RechercheAdresse& recherche, const QObject* receiver,
                                           std::function<void(const ReponseAdresse&)> onReponse)
{
    const qsizetype longueur = recherche.texte.trimmed().size();
    RequeteAdresse* requete = nullptr;
    if (longueur < kLongueurMinimale || longueur > kLongueurMaximale) {
        // Answered here, but through the event loop like every answer.
        requete = new RequeteAdresse(nullptr, 0, this);
        const QString erreur = longueur < kLongueurMinimale
                                   ? QStringLiteral("Texte trop court pour chercher une adresse.")
                                   : QStringLiteral("Texte trop long pour chercher une adresse.");
        QTimer::singleShot(0, requete, [requete, erreur] { requete->finir({{}, erreur}); });
    } else {
        QNetworkRequest request(urlRecherche(m_baseUrl, recherche));
        request.setRawHeader("Accept", "application/json");
        request.setTransferTimeout(m_timeoutMs);
        requete = new RequeteAdresse(m_network->get(request), m_timeoutMs, this);
    }
    if (onReponse)
        connect(requete, &RequeteAdresse::termine, receiver ? receiver : this,
                [f = std::move(onReponse)](const ReponseAdresse& r) { f(r); });
    return requete;
}

} // namespace kv
