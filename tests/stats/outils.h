#pragma once

#include "model/fixtures.h"
#include "model/modelcontext.h"

#include <QTimeZone>

namespace outils {

inline QTimeZone paris()
{
    return QTimeZone("Europe/Paris");
}

inline qint64 ms(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s), paris()).toMSecsSinceEpoch();
}

inline std::unique_ptr<kv::ModelContext> magasin()
{
    return kv::ModelContext::open(QStringLiteral(":memory:"));
}

inline kv::Benne* benne(kv::ModelContext* ctx, double volume, const QString& couleur = QStringLiteral("808080"))
{
    kv::Benne* b = fx::benne(ctx, volume);
    b->setCouleur(couleur);
    return b;
}

inline kv::TypeDechet* type(kv::ModelContext* ctx, const QString& libelle, std::optional<QString> couleur)
{
    kv::TypeDechet* t = fx::type(ctx, libelle);
    t->setCouleur(couleur);
    return t;
}

// A rental placed at `pose` (and removed at `enlevement`), joined to the client's store.
inline kv::LocationDeBenne* location(kv::Client* c, kv::Benne* b, kv::TypeDechet* t, qint64 pose,
                                     std::optional<qint64> enlevement = std::nullopt)
{
    std::optional<QDateTime> fin;
    if (enlevement)
        fin = QDateTime::fromMSecsSinceEpoch(*enlevement, paris());
    return fx::location(c, b, t, QDateTime::fromMSecsSinceEpoch(pose, paris()), fin);
}

} // namespace outils
