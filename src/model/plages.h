#pragma once

// The values a user may type for what the office measures, both bounds included. They are wide
// enough for any real office and narrow enough that every money total stays exact to the cent.
//
// Worst case, at the largest accepted values: one ticket of 100 t at 100 000 € a tonne is
// 1e7 €; a rental on site for a century at 100 000 € a day adds 3.65e9 €; with the two 100 000 €
// tariffs and 100 % VAT, a rental's amount including VAT stays under 7.4e9 € = 7.4e11 cents,
// far below 2^53 (9.0e15), so each rental's double holds its cents. The billing export adds
// amounts in whole cents on 64 bits, as printed: 200 000 such rentals of one client come to
// 1.5e17 cents, sixty times below the 64-bit limit (9.2e18).
//
// The ranges bind what is typed, never what is stored: a value outside (from an older store)
// is shown and billed as it is until the user types another.

#include <QString>

namespace kv {

struct Plage {
    double minimum = 0;
    double maximum = 0;
    const char* unite = ""; // UTF-8, after the maximum: "kg", "€", "%"

    bool contient(double v) const { return v >= minimum && v <= maximum; }
};

namespace plages {
// A weighbridge ticket's net weight of waste.
inline constexpr Plage poidsNetKg{0, 100'000, "kg"};
// Every price: a rental's tariffs and a waste type's package, price per tonne and supplements.
inline constexpr Plage prixEuros{0, 100'000, "€"};
inline constexpr Plage tauxTVA{0, 100, "%"};
// A waste type's tonnage included before the supplement.
inline constexpr Plage franchiseTonnes{0, 1'000, "t"};
// A waste type's days included before the daily supplement.
inline constexpr Plage joursInclus{0, 3'650, "jours"};
} // namespace plages

// "entre 0 et 100 000 kg", the numbers in the default locale.
QString textePlage(const Plage& plage);
// "Poids net : entre 0 et 100 000 kg".
QString textePlage(const QString& champ, const Plage& plage);

} // namespace kv
