#pragma once

// The planning grid's days and measures, as pure functions of "now" and a time zone: the 112
// days from 31 days back to 80 days ahead, the windows of columns and rows near the visible
// part, the columns a rental occupies, the scroll to today and the whole days of a drag.
// Instants are compared as stored milliseconds; a calendar conversion happens once per day of
// the grid, never per rental.

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPoint>
#include <QTimeZone>

#include "model/horloge.h"

#include <optional>

namespace kv {

class Client;
class LocationDeBenne;

namespace planning {

inline constexpr int kJoursAvant = 31;
inline constexpr int kJoursApres = 80;
inline constexpr int kNombreJours = kJoursAvant + 1 + kJoursApres; // 112

// Measures of the grid, in points.
inline constexpr double largeurColonne = 120; // one day column
inline constexpr double hauteurBenne = 40;    // one skip row, and the header row
inline constexpr double largeurBenne = 120;   // the skip column

// The instant `jours` calendar days later at the same local time of day; a time the clocks skip
// that day moves forward by the gap (02:30 gives 03:30).
qint64 ajouterJours(qint64 ms, int jours, const QTimeZone& zone);
// An instant in the local time zone.
QDateTime instantLocal(qint64 ms, const QTimeZone& zone);

// The grid's day list `jours`: the start of each local day from 31 days before today through
// 80 days after it, today at index 31. A day that begins with a change of clocks still counts
// once; every column is one calendar day, whatever its length in hours.
class JoursGrille {
public:
    JoursGrille() = default;
    JoursGrille(qint64 maintenantMs, const Horloge& horloge);

    int count() const { return int(m_jours.size()); }
    const QList<QDate>& dates() const { return m_jours; }
    QDate date(int i) const { return m_jours.value(i); }
    // Start of day i; i == count() gives the start of the day after the last column.
    qint64 debut(int i) const { return m_debuts.value(i); }
    // Every day as the start of its day.
    QList<QDateTime> jours(const QTimeZone& zone) const;
    QDate aujourdhui() const { return m_aujourdhui; }
    // Index of today's column; -1 when today is not among the days.
    int indexAujourdhui() const;
    // The column of an instant: its day's index, -1 before the first day, count() after the last.
    int colonne(qint64 ms) const;

private:
    QList<QDate> m_jours;
    QList<qint64> m_debuts; // count() + 1 boundaries
    QDate m_aujourdhui;
};

// A half-open range of indexes.
struct Plage {
    int debut = 0;
    int fin = 0;
    bool estVide() const { return fin <= debut; }
    int taille() const { return estVide() ? 0 : fin - debut; }
    bool contient(int i) const { return i >= debut && i < fin; }
    bool operator==(const Plage&) const = default;
};

// The day columns close enough to the visible part to be drawn: from five before the first
// visible one, as many as fit in the grid area (skip column excepted) plus ten.
Plage visibleJoursRange(double scrollX, double largeurZone, int nombreJours);
// The same for the skip rows (header row excepted).
Plage visibleBennesRange(double scrollY, double hauteurZone, int nombreBennes);

// The first and last column a rental occupies; `end` may come before `start` when the removal
// comes before the placement (the bar then covers one column).
struct Colonnes {
    int start = 0;
    int end = 0;
    // No removal date: the skip stays on site, so the bar runs on to the grid's last column.
    bool ouverte = false;
    // Number of columns covered, at least one.
    int nombre() const { return end >= start ? end - start + 1 : 1; }
    bool operator==(const Colonnes&) const = default;
};

// The columns of a rental, or none when it does not show in the grid. A rental placed on day d
// and removed on day d + k covers d … d + k − 1; removed on its placement day it covers its
// placement column. Without removal date the skip stays at the client's with no planned end:
// the rental covers every day from its placement to the grid's last one (`ouverte`). A rental
// that overlaps the grid is clamped to its edges: placed before the first day it starts at
// column 0, removed after the last day it ends at the last column.
std::optional<Colonnes> colonnesLocation(std::optional<qint64> datePoseMs, std::optional<qint64> dateEnlevementMs,
                                         const JoursGrille& jours);
std::optional<Colonnes> colonnesLocation(const LocationDeBenne* location, const JoursGrille& jours);

// True when the rental holds its skip on the day [debutJour, debutJourSuivant), exactly as the
// grid draws it: from its placement day up to the day before its removal, its placement day
// whatever its removal, and every day after its placement when it has no removal date. Every
// answer to "is this skip free that day" goes through here, so that it agrees with the bars.
bool occupeLeJour(qint64 datePoseMs, std::optional<qint64> dateEnlevementMs, qint64 debutJour,
                  qint64 debutJourSuivant);

// Horizontal offset that brings today's column to the middle of an area `largeur` wide, never
// below 0; none when today is not among the days.
std::optional<double> abscisseAujourdhui(const JoursGrille& jours, double largeur);

// Whole days of a drag: the translation in columns, rounded to the nearest whole number with
// halves away from zero (59 of 120 points give 0, 60 give 1, −60 give −1).
int joursDeTranslation(double translation, double largeurColonne = planning::largeurColonne);

// The standard upper-case text of a UUID (36 characters).
QString texteUuid(const QUuid& id);

// How far a wheel turn moves a strip that scrolls sideways, in points (positive: towards the
// start): either wheel, a notch moving `pointsParCran`; a touchpad's pixels as they come.
int pasLateral(QPoint pixels, QPoint angle, double pointsParCran);
// A UUID given as exactly 36 characters, hexadecimal digits (either case) in groups of
// 8-4-4-4-12 joined by "-"; anything else (braces, blanks, line ends, …) gives none.
std::optional<QUuid> lireUuidStrict(const QString& texte);

// An instant as the console lines show it: "2025-05-12 08:00:00 +0000" (UTC).
QString texteInstantConsole(qint64 ms);

} // namespace planning
} // namespace kv
