#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

namespace kv {

// The filter of the map of rented skips.
enum class CarteBennesFiltre {
    enCours,
    enCoursEtFutures,
    rotationsAujourdhui,
    posesAujourdhui,
    enlevementsAujourdhui,
    parPeriode,
};

// Every case, in declaration order.
QList<CarteBennesFiltre> tousLesFiltres();
// Its title, also its identity.
QString rawValue(CarteBennesFiltre filtre);
std::optional<CarteBennesFiltre> filtreDepuisRawValue(const QString& texte);
// Its colour, opaque sRGB.
QColor couleur(CarteBennesFiltre filtre);

} // namespace kv
