#pragma once

// Helpers of the drivers tests: stores in a temporary folder reopened to read what was kept,
// records and the event loop (the rest is in screenfixtures.h).

#include "screenfixtures.h"

#include "model/modelcontext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace outils {

// A store file in a folder of its own, removed with the object.
struct Magasin {
    QTemporaryDir dossier;
    QString chemin() const { return dossier.filePath(QStringLiteral("SwiftData.store")); }
    std::unique_ptr<kv::ModelContext> ouvrir() const { return fixtures::store(chemin()); }
};

// Lets the store announce its changes and the lists refresh.
inline void laisserPasser()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

inline kv::Chauffeur* chauffeur(kv::ModelContext* ctx, const QString& prenom, const QString& nom,
                                std::optional<QString> telephone = QStringLiteral("0600000000"),
                                bool actif = true, double distance = 50)
{
    auto* c = new kv::Chauffeur(nom, prenom, nullptr, {}, {}, {}, distance, telephone, std::nullopt,
                                std::nullopt, actif);
    ctx->insert(c);
    return c;
}

template <class T>
T* nomme(kv::ModelContext* ctx, const QString& nom)
{
    auto* r = new T(nom);
    ctx->insert(r);
    return r;
}

inline QDateTime jour(int annee, int mois, int j, int h = 10)
{
    return QDateTime(QDate(annee, mois, j), QTime(h, 0));
}

// A rental of a new client and skip, placed on 1 March 2026 by `poseur`.
inline kv::LocationDeBenne* locationPosee(kv::ModelContext* ctx, kv::Chauffeur* poseur)
{
    auto* client = new kv::Client(QUuid::createUuid(), QStringLiteral("Dupont"), QStringLiteral("00FF00"), QString(),
                                  QString(), QString(), QString(), std::nullopt, std::nullopt);
    ctx->insert(client);
    auto* benne = new kv::Benne(10, QStringLiteral("808080"), kv::EtatBenne::correct, QString(), nullptr);
    ctx->insert(benne);
    auto* location = new kv::LocationDeBenne(client, benne, std::nullopt, std::nullopt, std::nullopt, 0, 0, 0,
                                             jour(2026, 3, 1), std::nullopt, nullptr);
    ctx->insert(location);
    location->setChauffeurPose(poseur);
    return location;
}

// The drivers' screens' clock: Tuesday 10 March 2026, 9:30 where the tests run.
inline kv::Horloge horloge()
{
    return kv::Horloge::fixe(QDateTime(QDate(2026, 3, 10), QTime(9, 30)), QTimeZone::systemTimeZone());
}

} // namespace outils
