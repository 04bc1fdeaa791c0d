#pragma once

// Prices and billing rules (implemented in prix.cpp): the price breakdown of a rental, from its
// own rates or from its waste type's, and the estimate of a waste type for a weight and a
// number of days. LocationDeBenne::detailPrix(), LocationDeBenne::joursFactures() and
// TypeDechet::prixEstime() give them.

namespace kv {

struct DetailPrix {
    double base = 0;
    double supplementTonnage = 0;
    double supplementJours = 0;
    double total = 0;
    double tauxTVA = 0;
};

} // namespace kv
