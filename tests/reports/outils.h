#pragma once

// Small records and instants for the report tests (times in Europe/Paris).

#include "model/modelcontext.h"

#include <QTimeZone>

#include <memory>

namespace outils {

inline QTimeZone paris()
{
    return QTimeZone("Europe/Paris");
}

inline QDateTime at(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s), paris());
}

inline qint64 ms(int y, int m, int d, int h = 0, int min = 0, int s = 0)
{
    return at(y, m, d, h, min, s).toMSecsSinceEpoch();
}

inline std::unique_ptr<kv::ModelContext> store()
{
    return kv::ModelContext::open(QStringLiteral(":memory:"));
}

inline kv::Client* client(kv::ModelContext* ctx, const QString& nom,
                          std::optional<QString> email = std::nullopt)
{
    auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), QStringLiteral("1 rue Haute"),
                             QStringLiteral("69001"), QStringLiteral("Lyon"), QStringLiteral("0102030405"),
                             email, std::nullopt);
    ctx->insert(c);
    return c;
}

inline kv::Benne* benne(kv::ModelContext* ctx, double volume = 10, const QString& couleur = QStringLiteral("808080"),
                        kv::DispositifSpecial* dispositif = nullptr)
{
    auto* b = new kv::Benne(volume, couleur, kv::EtatBenne::correct, QString(), dispositif);
    ctx->insert(b);
    return b;
}

inline kv::TypeDechet* type(kv::ModelContext* ctx, const QString& libelle, double tva,
                            std::optional<double> forfait = std::nullopt,
                            std::optional<double> franchise = std::nullopt,
                            std::optional<double> supplTonnage = std::nullopt,
                            std::optional<qint64> dureeIncluse = std::nullopt,
                            std::optional<double> supplJour = std::nullopt)
{
    auto* t = new kv::TypeDechet(libelle, std::nullopt, QStringLiteral("DIB"), std::nullopt, forfait,
                                 std::nullopt, franchise, supplTonnage, dureeIncluse, supplJour, tva,
                                 false, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt,
                                 std::nullopt, std::nullopt);
    ctx->insert(t);
    return t;
}

// A rental; `kg` > 0 adds one weighbridge ticket of that net weight.
inline kv::LocationDeBenne* location(kv::Client* c, kv::Benne* b, kv::TypeDechet* t, QDateTime pose,
                                     std::optional<QDateTime> enlevement = std::nullopt,
                                     std::optional<QString> adresse = std::nullopt, double kg = 0,
                                     double tarifPose = 0, double tarifEnlevement = 0,
                                     double tarifJournalier = 0)
{
    auto* l = new kv::LocationDeBenne(c, b, std::nullopt, std::nullopt, adresse, tarifPose, tarifEnlevement,
                                      tarifJournalier, pose, enlevement, t);
    if (kg > 0)
        l->ajouterBonDePesee(pose, std::nullopt, std::nullopt, std::nullopt, kg, std::nullopt);
    return l;
}

// The narrow no-break space of grouped thousands and of French colons.
inline const QString nnbsp = QString(QChar(0x202F));

} // namespace outils
