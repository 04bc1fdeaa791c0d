#pragma once

// Draws the report page into a PDF document or onto a printer, cutting it into pages between
// rental blocks.

#include <QByteArray>
#include <QList>

class QPrinter;

namespace kv {

class RapportPDFView;

namespace rendu {

// One page's share of the report: heights [debut, fin) of the laid-out page.
struct Tranche {
    int debut = 0;
    int fin = 0;
    bool operator==(const Tranche&) const = default;
};

// Cuts a page whose allowed breaks are `coupures` (increasing; the last one is its end) into
// shares no taller than `hauteurMax`, each as tall as the breaks allow. A block taller than a
// whole page is cut where the page ends.
QList<Tranche> paginer(const QList<int>& coupures, int hauteurMax);

inline constexpr int kLargeurPDF = 600;
inline constexpr int kHauteurMinPDF = 800;
inline constexpr int kHauteurMaxPDF = 2400;
// Space above and below the report on each PDF page, in points.
inline constexpr int kMargeVerticalePDF = 40;

// The report as a PDF document: pages `largeur` points wide, the content (at most 480 wide)
// centred, each page between `hauteurMin` and `hauteurMax` points high. A short report is one
// page of `hauteurMin`; a longer one goes on over further pages. Empty when it cannot be drawn.
QByteArray genererPDF(RapportPDFView& page, int largeur = kLargeurPDF, int hauteurMin = kHauteurMinPDF,
                      int hauteurMax = kHauteurMaxPDF);

// Prints the report 480 points wide inside 20-point margins, one page of paper after another,
// breaking between rental blocks. False when the printer cannot be drawn on.
bool imprimer(RapportPDFView& page, QPrinter& printer);

} // namespace rendu
} // namespace kv
