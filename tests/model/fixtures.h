#pragma once

#include "model/modelcontext.h"

#include <QTimeZone>

namespace fx {

inline QDateTime at(int y, int m, int d, int h = 0, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), QTimeZone("Europe/Paris"));
}

inline kv::Client* client(kv::ModelContext* ctx, const QString& nom = QStringLiteral("Dupont BTP"),
                          const QString& adresse = QStringLiteral("1 rue Haute"), const QString& ville = QStringLiteral("Lyon"),
                          const QString& telephone = QStringLiteral("0102030405"))
{
    auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), adresse, QStringLiteral("69001"), ville,
                             telephone, std::nullopt, std::nullopt);
    if (ctx)
        ctx->insert(c);
    return c;
}

inline kv::Benne* benne(kv::ModelContext* ctx, double volume = 10)
{
    auto* b = new kv::Benne(volume, QStringLiteral("808080"), kv::EtatBenne::correct, QString(), nullptr);
    if (ctx)
        ctx->insert(b);
    return b;
}

inline kv::TypeDechet* type(kv::ModelContext* ctx, const QString& libelle = QStringLiteral("Gravats"))
{
    auto* t = new kv::TypeDechet(libelle, std::nullopt, QStringLiteral("DIB"), std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 20.0,
                                 false, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt);
    if (ctx)
        ctx->insert(t);
    return t;
}

inline kv::LocationDeBenne* location(kv::Client* c, kv::Benne* b, kv::TypeDechet* t = nullptr,
                                     QDateTime pose = at(2026, 3, 1, 8),
                                     std::optional<QDateTime> enlevement = std::nullopt)
{
    return new kv::LocationDeBenne(c, b, std::nullopt, std::nullopt, std::nullopt, 0, 0, 0, pose,
                                   enlevement, t);
}

inline kv::Chauffeur* chauffeur(kv::ModelContext* ctx, const QString& nom = QStringLiteral("Martin"))
{
    auto* c = new kv::Chauffeur(nom, QStringLiteral("Paul"), nullptr, {}, {}, {}, 50.0, std::nullopt,
                                std::nullopt, std::nullopt, true);
    if (ctx)
        ctx->insert(c);
    return c;
}

inline kv::CentreTraitement* centre(kv::ModelContext* ctx, const QString& nom)
{
    auto* c = new kv::CentreTraitement(nom, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                       std::nullopt, QStringLiteral("France"), std::nullopt, std::nullopt,
                                       std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    if (ctx)
        ctx->insert(c);
    return c;
}

} // namespace fx
