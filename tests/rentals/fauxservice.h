#pragma once

// A loopback stand-in for the national geocoding service: answers GET /geocodage/search with
// the feature collection set for the text asked (or for every text), optionally after a delay,
// and records what was asked.

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTimer>
#include <QUrlQuery>

#include <memory>

struct FauxLieu {
    QString name;
    QString postcode;
    QString city;
    double lon = 0;
    double lat = 0;
};

inline QByteArray collection(const QList<FauxLieu>& lieux)
{
    QJsonArray features;
    for (const FauxLieu& l : lieux) {
        QJsonObject props{{"name", l.name}, {"postcode", l.postcode}, {"city", l.city},
                          {"label", l.name + " " + l.postcode + " " + l.city}};
        QJsonObject geometry{{"type", "Point"}, {"coordinates", QJsonArray{l.lon, l.lat}}};
        features.append(QJsonObject{{"type", "Feature"}, {"geometry", geometry}, {"properties", props}});
    }
    return QJsonDocument(QJsonObject{{"type", "FeatureCollection"}, {"features", features}}).toJson();
}

// QHttpServer's responder cannot outlive a connection the client closed (a timed-out request),
// so the fake speaks just enough HTTP over a QTcpServer and drops replies to closed sockets.
class FauxGeocodage {
public:
    FauxGeocodage()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { lire(socket); });
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
        port = m_server.serverPort();
    }

    QUrl baseUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/geocodage").arg(port)); }
    QString dernierTexte() const
    {
        return requetes.isEmpty() ? QString() : requetes.last().queryItemValue("q", QUrl::FullyDecoded);
    }

    quint16 port = 0;
    QList<QUrlQuery> requetes;
    QMap<QString, QByteArray> reponses;
    QMap<QString, int> delais;
    QByteArray reponseParDefaut = collection({});
    QByteArray statut = "200";
    int delaiParDefaut = 0;

private:
    void lire(QTcpSocket* socket)
    {
        QByteArray& tampon = m_tampons[socket];
        tampon += socket->readAll();
        const int fin = tampon.indexOf("\r\n\r\n");
        if (fin < 0)
            return;
        const QList<QByteArray> ligne = tampon.left(tampon.indexOf("\r\n")).split(' ');
        tampon.remove(0, fin + 4);
        const QUrl url(QString::fromLatin1(ligne.value(1)));
        const QUrlQuery query(url);
        requetes.append(query);
        const QString q = query.queryItemValue("q", QUrl::FullyDecoded);
        const QByteArray body = reponses.value(q, reponseParDefaut);
        const int delai = delais.value(q, delaiParDefaut);
        const QByteArray texteStatut = statut == "200" ? "200 OK" : statut + " Bad Request";
        QPointer<QTcpSocket> garde(socket);
        auto repondre = [garde, body, texteStatut] {
            if (!garde || garde->state() != QAbstractSocket::ConnectedState)
                return;
            garde->write("HTTP/1.1 " + texteStatut + "\r\nContent-Type: application/json\r\nContent-Length: "
                         + QByteArray::number(body.size()) + "\r\nConnection: keep-alive\r\n\r\n" + body);
        };
        if (delai <= 0)
            repondre();
        else
            QTimer::singleShot(delai, socket, repondre);
    }

    QTcpServer m_server;
    QMap<QTcpSocket*, QByteArray> m_tampons;
};
