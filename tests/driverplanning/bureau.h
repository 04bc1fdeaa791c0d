#pragma once

// A small office for the tests: clients, skips, drivers and rentals in one store (in memory, or
// in a file that a test can open again).

#include "screenfixtures.h"

#include "model/modelcontext.h"
#include "model/records.h"

#include <QTemporaryDir>
#include <QTimeZone>

#include <memory>
#include <optional>

namespace fx {

using fixtures::paris;

inline const QTimeZone& newYork()
{
    static const QTimeZone z("America/New_York");
    return z;
}

inline QDateTime at(int y, int m, int d, int h = 0, int min = 0, const QTimeZone& zone = paris())
{
    return fixtures::localDateTime(y, m, d, h, min, zone);
}

struct Bureau {
    QTemporaryDir dossier;
    std::unique_ptr<kv::ModelContext> ctx;

    // A store in a file of its own when `fichier`, else in memory.
    explicit Bureau(bool fichier = false)
    {
        ctx = kv::ModelContext::open(fichier ? chemin() : QStringLiteral(":memory:"));
    }
    QString chemin() const { return dossier.filePath(QStringLiteral("SwiftData.store")); }
    // Saves, closes and opens the store file again.
    void rouvrir()
    {
        ctx->save();
        ctx.reset();
        ctx = kv::ModelContext::open(chemin());
    }
    kv::ModelContext* context() const { return ctx.get(); }

    kv::Client* client(const QString& nom, const QString& adresse = QStringLiteral("1 rue Haute, Lyon"))
    {
        auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), adresse,
                                 QStringLiteral("69001"), QStringLiteral("Lyon"), QStringLiteral("0102030405"),
                                 std::nullopt, std::nullopt);
        ctx->insert(c);
        return c;
    }
    kv::Benne* benne(double volume, const QString& couleur = QStringLiteral("808080"))
    {
        auto* b = new kv::Benne(volume, couleur, kv::EtatBenne::correct, QString(), nullptr);
        ctx->insert(b);
        return b;
    }
    kv::Chauffeur* chauffeur(const QString& prenom, const QString& nom,
                             const std::optional<QString>& email = std::nullopt, bool actif = true)
    {
        auto* c = new kv::Chauffeur(nom, prenom, nullptr, {}, {}, {}, 50.0, std::nullopt, email,
                                    std::nullopt, actif);
        ctx->insert(c);
        return c;
    }
    kv::LocationDeBenne* location(kv::Client* c, kv::Benne* b, const QDateTime& pose,
                                  const std::optional<QDateTime>& enlevement = std::nullopt,
                                  const std::optional<QString>& adresse = std::nullopt,
                                  kv::Chauffeur* poseur = nullptr, kv::Chauffeur* enleveur = nullptr,
                                  std::optional<double> lat = std::nullopt,
                                  std::optional<double> lon = std::nullopt)
    {
        auto* l = new kv::LocationDeBenne(c, b, lat, lon, adresse, 0, 0, 0, pose, enlevement, nullptr);
        ctx->insert(l);
        l->setChauffeurPose(poseur);
        l->setChauffeurEnlevement(enleveur);
        return l;
    }
};

} // namespace fx
