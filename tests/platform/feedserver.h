#pragma once

// A loopback HTTP server answering every request with one fixed reply.

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

class FeedServer : public QTcpServer {
public:
    FeedServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n"))
                        return;
                    ++requests;
                    QByteArray reply = "HTTP/1.1 " + status + "\r\nContent-Type: application/rss+xml\r\n"
                                       "Content-Length: " + QByteArray::number(body.size())
                                       + "\r\nConnection: close\r\n\r\n" + body;
                    socket->write(reply);
                    socket->disconnectFromHost();
                    m_request.clear();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QUrl feedUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(serverPort())); }

    QByteArray status = "200 OK";
    QByteArray body;
    int requests = 0;

private:
    QByteArray m_request;
};
