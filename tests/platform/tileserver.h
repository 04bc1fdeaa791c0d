#pragma once

// A loopback tile server: every tile /tiles/{z}/{x}/{y}.png is a plain square of one colour;
// tiles listed in `missing` answer 404. Counts the requests.

#include <QBuffer>
#include <QColor>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QImage>
#include <QSet>
#include <QString>

class TileServer {
public:
    TileServer()
    {
        m_server.route(QStringLiteral("/tiles/<arg>/<arg>/<arg>.png"), [this](int z, int x, int y) {
            const QString key = QStringLiteral("%1/%2/%3").arg(z).arg(x).arg(y);
            requested.append(key);
            if (missing.contains(key))
                return QHttpServerResponse(QHttpServerResponder::StatusCode::NotFound);
            QImage image(256, 256, QImage::Format_RGB32);
            image.fill(color);
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return QHttpServerResponse(QByteArrayLiteral("image/png"), png);
        });
        m_port = m_server.listen(QHostAddress::LocalHost, 0);
    }

    QString urlTemplate() const
    {
        return QStringLiteral("http://127.0.0.1:%1/tiles/{z}/{x}/{y}.png").arg(m_port);
    }

    QColor color = QColor(200, 30, 40);
    QSet<QString> missing; // "z/x/y"
    QStringList requested;

private:
    QHttpServer m_server;
    int m_port = 0;
};
