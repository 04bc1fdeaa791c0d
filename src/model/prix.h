#pragma once

// Prices and billing rules (implemented in prix.cpp): the price breakdown of a rental, from its
// own rates or from its waste type's, and the estimate of a waste type for a weight and a
// number of days. LocationDeBenne::detailPrix(), LocationDeBenne::joursFactures() and
// TypeDechet::prixEstime() give them.

#include <QtGlobal>

#include <optional>

class QTimeZone;

namespace kv {

class TypeDechet;

struct DetailPrix {
    double base = 0;
    double supplementTonnage = 0;
    double supplementJours = 0;
    double total = 0;
    double tauxTVA = 0;
};

// What a rental's bill is made of: its own rates, its waste type, its tickets' weight and its
// dates. A rental's breakdown reads them from the record; a form reads them from its fields, to
// show what a correction does to the bill before it is stored.
struct ElementsPrix {
    double tarifPose = 0;
    double tarifEnlevement = 0;
    double tarifJournalier = 0;
    const TypeDechet* type = nullptr;
    double poidsKg = 0;
    qint64 poseMs = 0;
    std::optional<qint64> enlevementMs;
};
DetailPrix detailPrix(const ElementsPrix& elements, const QTimeZone& zone);
// Whole days from placement to removal in the local calendar of `zone`; 0 without removal.
qint64 joursFactures(qint64 poseMs, const std::optional<qint64>& enlevementMs, const QTimeZone& zone);

} // namespace kv
