#pragma once

// A small store for the map tests: one client, one skip, and rentals made to measure.

#include "screenfixtures.h"

#include "model/modelcontext.h"
#include "model/records.h"

#include <QDateTime>
#include <QTimeZone>

#include <memory>
#include <optional>

struct MapOffice {
    std::unique_ptr<kv::ModelContext> ctx = fixtures::store();
    kv::Client* client = nullptr;
    kv::Client* autreClient = nullptr;
    kv::Benne* benne = nullptr;
    QTimeZone paris{"Europe/Paris"};

    MapOffice()
    {
        client = nouveauClient(QStringLiteral("Dupont BTP"));
        autreClient = nouveauClient(QStringLiteral("Martin TP"));
        benne = new kv::Benne(10, QStringLiteral("FF0000"), kv::EtatBenne::correct, QString(), nullptr);
        ctx->insert(benne);
    }

    kv::Client* nouveauClient(const QString& nom)
    {
        auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), QString(), QString(),
                                 QString(), QString(), std::nullopt, std::nullopt);
        ctx->insert(c);
        return c;
    }

    // A local time in Paris.
    QDateTime le(int y, int m, int d, int h = 0, int min = 0) const
    {
        return QDateTime(QDate(y, m, d), QTime(h, min), paris);
    }

    kv::LocationDeBenne* louer(const QDateTime& pose, const std::optional<QDateTime>& enlevement = std::nullopt,
                               std::optional<double> lat = 45.0, std::optional<double> lon = -1.0,
                               const std::optional<QString>& adresse = QStringLiteral("1 rue du Port"),
                               kv::Client* qui = nullptr, kv::Benne* laquelle = nullptr)
    {
        auto* l = new kv::LocationDeBenne(qui ? qui : client, laquelle ? laquelle : benne, lat, lon, adresse, 0,
                                          0, 0, pose, enlevement, nullptr);
        ctx->insert(l);
        return l;
    }
};
