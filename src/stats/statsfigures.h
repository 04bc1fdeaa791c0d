#pragma once

// The figures of every statistic, as plain functions over plain lists. Dates are stored
// milliseconds; "now" and the time zone are parameters, so that the same lists always give the
// same figures. The statistic widgets only draw what these functions return.

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <QTimeZone>
#include <QUuid>

#include <optional>
#include <vector>

namespace kv::stats {

// ---------------------------------------------------------------------------------------------
// Calendar months in one time zone

// Year and month (1…12) of an instant.
struct AnneeMois {
    int annee = 0;
    int mois = 0;
    bool operator==(const AnneeMois&) const = default;
};

// The month starts (day 1, midnight) of every month between two instants, in one time zone, so
// that the month of any instant in that span is found by a binary search instead of building a
// date per record. Instants outside the span are still answered, more slowly.
class CalendrierMois {
public:
    CalendrierMois(const QTimeZone& zone, qint64 premierMs, qint64 dernierMs);
    // Spans every instant of `dates`.
    static CalendrierMois couvrant(const QTimeZone& zone, const QList<qint64>& dates);

    AnneeMois moisDe(qint64 ms) const;
    int anneeDe(qint64 ms) const { return moisDe(ms).annee; }
    // The first instant of the month of `ms`.
    qint64 debutDuMois(qint64 ms) const;
    // The first instant of a month.
    qint64 debutDe(AnneeMois m) const;

private:
    QTimeZone m_zone;
    int m_premiereAnnee = 0;
    std::vector<qint64> m_debuts; // 12 per year from January of m_premiereAnnee, plus one end
};

// Counts per key (a type, a volume…) and per calendar month, so that the figures of any year
// are read without going through the records again. Each count keeps its earliest entry (date,
// then order of entry).
class ComptesMois {
public:
    struct Compte {
        qint64 n = 0;
        std::pair<qint64, qsizetype> premiere{}; // date, then order
    };
    ComptesMois() = default;
    // For instants between these two.
    ComptesMois(const QTimeZone& zone, qint64 premierMs, qint64 dernierMs);

    void ajouter(int cle, qint64 date, qsizetype ordre);
    // The years with at least one entry, ascending.
    QList<int> annees() const;
    // The months [first, last) of a year, or of every year.
    std::pair<qsizetype, qsizetype> moisDe(std::optional<int> annee) const;
    qsizetype nbCles() const { return qsizetype(m_comptes.size()); }
    const Compte& compte(int cle, qsizetype mois) const;
    // The first instant of a month.
    qint64 debut(qsizetype mois) const;

private:
    std::optional<CalendrierMois> m_cal;
    qint64 m_premierRang = 0;
    qsizetype m_nbMois = 0;
    std::vector<std::vector<Compte>> m_comptes; // per key, per month
    // Entries mostly come in date order: the month of the last one is kept for the next.
    qint64 m_debutCourant = 0, m_finCourant = 0;
    qsizetype m_moisCourant = -1;
};

// The distinct years of `dates`, ascending.
QList<int> anneesDe(const QList<qint64>& dates, const QTimeZone& zone);

// Count divided by total, times 100, truncated toward zero; 0 when the total is 0.
qint64 pourcentage(qint64 nombre, qint64 total);

// A volume written whole, truncated ("7" for 7.5), and rounded with a unit ("8 m³"). A volume
// that is not finite or lies beyond the 64-bit range gives "—".
QString volumeTronque(double volume);
QString volumeArrondi(double volume);

// Volumes ordered smallest first; every "not a number" after every number, so that grouping
// never compares NaN.
bool volumeAvant(double a, double b);
bool memeVolume(double a, double b);

// ---------------------------------------------------------------------------------------------
// Seasonality

// The fixed labels of months 1…12: "Jan" … "Déc".
const QStringList& libellesMois();

struct StatsLocationMois {
    QString mois;
    int annee = 0;
    qint64 nombre = 0;
};

// The years the picker offers: those of the placements plus the selected year, ascending.
QList<int> anneesSaisonnalite(const QList<qint64>& datesPose, int anneeSelectionnee, const QTimeZone& zone);
// Twelve values, January first, counting the placements of each month of `annee`.
QList<StatsLocationMois> statsParMois(const QList<qint64>& datesPose, int annee, const QTimeZone& zone);

// The busiest and quietest month; ties go to the earliest month.
struct PicCreux {
    StatsLocationMois pic;
    StatsLocationMois creux;
};
std::optional<PicCreux> picCreux(const QList<StatsLocationMois>& serie);
QString textePic(const StatsLocationMois& m);   // "Pic : Mar (4)"
QString texteCreux(const StatsLocationMois& m); // "Creux : Jan (0)"

// ---------------------------------------------------------------------------------------------
// Distribution by volume and by colour

struct StatsVolumeLoue {
    double volume = 0;
    qint64 nbLocations = 0;
};
struct StatsCouleurLoue {
    QString couleurHex;
    qint64 nbLocations = 0;
};

// One row per skip volume of the rentals (exact equality), smallest volume first.
QList<StatsVolumeLoue> statsParVolume(const QList<double>& volumesDesLocations);
// One row per skip colour text exactly as stored, most rentals first, then by colour text.
QList<StatsCouleurLoue> statsParCouleur(const QList<QString>& couleursDesLocations);

// The palette of the volume ring: blue, red, green, orange, purple, pink, mint, brown.
const QList<QColor>& paletteVolumes();
// The colour of a volume: its rank among the rows' volumes picks the palette entry (wrapping);
// grey for a volume that has no row.
QColor couleurPourVolume(const QList<StatsVolumeLoue>& rows, double volume,
                         const QList<QColor>& palette = paletteVolumes());
// "10 m³ : 3 locations (75 %)"
QString ligneLegendeVolume(const StatsVolumeLoue& row, qint64 total);
// "#1E90FF (2, 50%)"
QString ligneLegendeCouleur(const StatsCouleurLoue& row, qint64 total);
// The colour of a stored colour text, or the system grey.
QColor couleurOuGris(const QString& hex);
// The grey drawn for colours that cannot be read.
QColor grisSysteme();

// ---------------------------------------------------------------------------------------------
// Waste types

// One rental flattened for the waste-type statistic.
struct LocationDeBenneStat {
    qint64 datePose = 0;
    QString typeLibelle;
    std::optional<QString> typeCouleur;
};

struct StatsTypeDechet {
    QString libelle;
    std::optional<QString> couleur;
    qint64 nbLocations = 0;
};
struct StatsTimelineTypeDechet {
    qint64 mois = 0; // first instant of the month
    QString libelle;
    std::optional<QString> couleur;
    qint64 nbLocations = 0;
};
struct SerieTypeDechet {
    QString libelle;
    std::optional<QString> couleur;
    QList<StatsTimelineTypeDechet> points;
};

// The waste-type rentals counted per type (label and colour) and per month.
struct ComptesTypes {
    struct Type {
        QString libelle;
        std::optional<QString> couleur;
    };
    QList<Type> types;
    ComptesMois mois;
};
ComptesTypes comptesTypes(const QList<LocationDeBenneStat>& rows, const QTimeZone& zone);
// The figures below, for one year or every year.
QList<StatsTypeDechet> statsParType(const ComptesTypes& comptes, std::optional<int> annee);
QList<StatsTimelineTypeDechet> statsTimeline(const ComptesTypes& comptes, std::optional<int> annee);

QList<LocationDeBenneStat> locationsFiltrees(const QList<LocationDeBenneStat>& rows,
                                             std::optional<int> annee, const QTimeZone& zone);
QList<int> anneesTypes(const QList<LocationDeBenneStat>& rows, const QTimeZone& zone);
// Most rentals first, equal counts by label; a bar's colour is that of its earliest row (the first
// of equal dates).
QList<StatsTypeDechet> statsParType(const QList<LocationDeBenneStat>& rows);
// One point per month, label and colour; by month, then label, then earliest row (date, then order).
QList<StatsTimelineTypeDechet> statsTimeline(const QList<LocationDeBenneStat>& rows, const QTimeZone& zone);
// One series per label, by label; its colour is that of its earliest point.
QList<SerieTypeDechet> seriesTimeline(const QList<StatsTimelineTypeDechet>& points);
// The colour of a waste type: its text, "D1D5DB" when it has none; grey when unreadable.
QColor couleurTypeDechet(const std::optional<QString>& couleur);

// ---------------------------------------------------------------------------------------------
// Occupancy

// One rental's stay on site: from placement to removal (none while still there).
struct Periode {
    qint64 pose = 0;
    std::optional<qint64> enlevement;
};
// Active when placed at or before `date` and removed at or after it (both bounds included).
bool locationActive(const Periode& p, qint64 date);

struct Occupation {
    qint64 enCirculation = 0;
    qint64 total = 0;
    qint64 enStock() const { return total - enCirculation; }
    qint64 taux() const { return pourcentage(enCirculation, total); }
};
// `bennes` holds the rentals of every skip, one list per skip.
Occupation occupation(const QList<QList<Periode>>& bennes, qint64 date);
// "Taux d’occupation : 40 % (4/10)"
QString tauxTexte(const Occupation& o);
// "En circulation : 4 (40 %)"
QString ligneLegendeOccupation(const QString& label, qint64 value, qint64 somme);

// ---------------------------------------------------------------------------------------------
// Inactive clients

struct ClientActivite {
    QUuid id;
    QString nom;
    QString couleurHex;
    QString telephone;
    std::optional<QString> email;
    QList<Periode> locations;
};

struct LigneClientInactif {
    QUuid id;
    QString nom;
    QString couleurHex;
    QString telephone;
    std::optional<QString> email;
    std::optional<qint64> lastActivity;
    std::optional<qint64> daysSinceLast;
    qint64 nbLocations12m = 0;
    bool operator==(const LigneClientInactif&) const = default;
};

// The later of placement and removal (`refDate` while the skip is still on site).
qint64 dateActivite(const Periode& p, qint64 refDate);
// `clients` in the order of the clients' list (by name). Never-rented clients first, in
// character-code order of their names, then the longest inactive first.
QList<LigneClientInactif> clientsInactifs(const QList<ClientActivite>& clients, int seuilMois,
                                          bool inclureJamaisLoues, qint64 refDate,
                                          const QTimeZone& zone);
// "Aucune location à ce jour", or "Dernière activité : il y a 7 mois • Locations (12 mois) : 2".
QString ligneInformation(const LigneClientInactif& row, qint64 refDate, const QTimeZone& zone);
// The phone shows (and can be copied) when it is not blank.
bool telephoneVisible(const QString& telephone);
// The e-mail button shows when the address is present and not blank.
bool emailVisible(const std::optional<QString>& email);

// How far `date` lies from `ref`, in the largest whole calendar unit: "il y a 5 mois",
// "il y a 1 an", "dans 2 jours", "maintenant".
QString texteRelatif(qint64 date, qint64 ref, const QTimeZone& zone);

// ---------------------------------------------------------------------------------------------
// Yield per volume

struct LocationVolume {
    double volume = 0; // the rental's skip
    qint64 datePose = 0;
};

struct StatsRendementVolume {
    double volume = 0;
    qint64 nbBennes = 0;
    qint64 nbLocations = 0;
    double rendement() const { return nbBennes >= 1 ? double(nbLocations) / double(nbBennes) : 0.0; }
};
struct StatsRendementVolumeMois {
    double volume = 0;
    qint64 mois = 0;
    qint64 nbBennes = 0;
    qint64 nbLocations = 0;
    double rendement() const { return nbBennes >= 1 ? double(nbLocations) / double(nbBennes) : 0.0; }
};

QList<LocationVolume> locationsDeLAnnee(const QList<LocationVolume>& locations, std::optional<int> annee,
                                        const QTimeZone& zone);
// One row per volume of the fleet; highest yield first, equal yields smallest volume first.
QList<StatsRendementVolume> calculerRendementParVolume(const QList<double>& volumesBennes,
                                                       const QList<LocationVolume>& locations);
// One point per volume and month with placements; by month, then volume.
QList<StatsRendementVolumeMois> calculerRendementParVolumeMois(const QList<double>& volumesBennes,
                                                               const QList<LocationVolume>& locations,
                                                               const QTimeZone& zone);
// The rentals counted per skip volume and per month.
struct ComptesVolumes {
    QList<double> volumes;
    ComptesMois mois;
};
ComptesVolumes comptesVolumes(const QList<LocationVolume>& locations, const QTimeZone& zone);
QList<StatsRendementVolume> calculerRendementParVolume(const QList<double>& volumesBennes,
                                                       const ComptesVolumes& comptes, std::optional<int> annee);
QList<StatsRendementVolumeMois> calculerRendementParVolumeMois(const QList<double>& volumesBennes,
                                                               const ComptesVolumes& comptes,
                                                               std::optional<int> annee);
// Light blue, brightest for the lowest yield.
QColor couleurBarre(double rendement, double min, double max);
// "• 10 m³ : 12 locations, 3 bennes (4.0 loc/benne)"
QString ligneDetailRendement(const StatsRendementVolume& row);
// Distinct volumes of the points, ascending; the points of one volume in the given order.
QList<double> volumesSeries(const QList<StatsRendementVolumeMois>& data);

// ---------------------------------------------------------------------------------------------
// Curves

// A smooth curve through `points` (x increasing), `parSegment` samples per segment, passing
// exactly through every point and monotone between two of them: it never goes above or below the
// two points it joins (a count never drawn under zero), and is flat at a peak or a trough.
QList<QPointF> courbeMonotone(const QList<QPointF>& points, int parSegment = 16);

} // namespace kv::stats
