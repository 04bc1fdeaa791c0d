#include "cartebennesfiltre.h"

namespace kv {

QList<CarteBennesFiltre> tousLesFiltres()
{
    return {CarteBennesFiltre::enCours,         CarteBennesFiltre::enCoursEtFutures,
            CarteBennesFiltre::rotationsAujourdhui, CarteBennesFiltre::posesAujourdhui,
            CarteBennesFiltre::enlevementsAujourdhui, CarteBennesFiltre::parPeriode};
}

QString rawValue(CarteBennesFiltre filtre)
{
    switch (filtre) {
    case CarteBennesFiltre::enCours: return QStringLiteral("Bennes posées");
    case CarteBennesFiltre::enCoursEtFutures: return QStringLiteral("Bennes posées + poses prévues");
    case CarteBennesFiltre::rotationsAujourdhui: return QStringLiteral("Rotations d'aujourd'hui");
    case CarteBennesFiltre::posesAujourdhui: return QStringLiteral("Poses d'aujourd'hui");
    case CarteBennesFiltre::enlevementsAujourdhui: return QStringLiteral("Enlèvements d'aujourd'hui");
    case CarteBennesFiltre::parPeriode: return QStringLiteral("Bennes posées sur une période");
    }
    return {};
}

std::optional<CarteBennesFiltre> filtreDepuisRawValue(const QString& texte)
{
    for (CarteBennesFiltre f : tousLesFiltres())
        if (rawValue(f) == texte)
            return f;
    return std::nullopt;
}

QColor couleur(CarteBennesFiltre filtre)
{
    switch (filtre) {
    case CarteBennesFiltre::enCours: return QColor::fromRgbF(0.6f, 1.0f, 0.2f);
    case CarteBennesFiltre::enCoursEtFutures: return QColor::fromRgbF(1.0f, 0.2f, 1.0f);
    case CarteBennesFiltre::rotationsAujourdhui: return QColor::fromRgbF(1.0f, 0.2f, 0.4f);
    case CarteBennesFiltre::posesAujourdhui: return QColor::fromRgbF(1.0f, 1.0f, 0.2f);
    case CarteBennesFiltre::enlevementsAujourdhui: return QColor::fromRgbF(1.0f, 136.0f / 255, 0.2f);
    case CarteBennesFiltre::parPeriode: return QColor::fromRgbF(0.2f, 1.0f, 1.0f);
    }
    return {};
}

} // namespace kv
