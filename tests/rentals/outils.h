#pragma once

// Helpers of the rental tests: a store and its records.

#include "model/modelcontext.h"

#include <QTimeZone>
#include <QDebug>

namespace outils {

inline std::unique_ptr<kv::ModelContext> store()
{
    QString error;
    auto ctx = kv::ModelContext::open(QStringLiteral(":memory:"), &error);
    if (!ctx)
        qFatal("store: %s", qPrintable(error));
    return ctx;
}

inline kv::Client* client(kv::ModelContext* ctx, const QString& nom)
{
    auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), QString(), QString(), QString(),
                             QString(), std::nullopt, std::nullopt);
    ctx->insert(c);
    return c;
}

inline kv::TypeDechet* type(kv::ModelContext* ctx, const QString& libelle)
{
    auto* t = new kv::TypeDechet(libelle, std::nullopt, QStringLiteral("DIB"), std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 20.0,
                                 false, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt);
    ctx->insert(t);
    return t;
}

inline kv::Benne* benne(kv::ModelContext* ctx, double volume = 10, const QString& couleur = QStringLiteral("FF0000"),
                        kv::EtatBenne etat = kv::EtatBenne::correct, kv::DispositifSpecial* d = nullptr)
{
    auto* b = new kv::Benne(volume, couleur, etat, QString(), d);
    ctx->insert(b);
    return b;
}

inline QDateTime le(int y, int m, int d, int h = 0, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min), QTimeZone("Europe/Paris"));
}

inline bool sauver(kv::ModelContext* ctx)
{
    QString e;
    const bool ok = ctx->save(&e);
    if (!ok)
        qWarning("save: %s", qPrintable(e));
    return ok;
}

} // namespace outils
