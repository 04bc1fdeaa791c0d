#include "statsfigures.h"

#include "model/daywindow.h"
#include "model/helpers.h"
#include "model/volume.h"
#include "widgets/colors.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>
#include <array>
#include <climits>
#include <limits>
#include <cmath>
#include <map>
#include <tuple>

namespace kv::stats {

namespace {

const QChar kEspaceFine(0x202F); // narrow no-break space

QDateTime dansZone(qint64 ms, const QTimeZone& zone)
{
    return QDateTime::fromMSecsSinceEpoch(ms, zone);
}

qint64 debutMois(int annee, int mois, const QTimeZone& zone)
{
    return startOfDayMs(QDate(annee, mois, 1), zone);
}

// The instants that start a year and the next one.
std::pair<qint64, qint64> bornesAnnee(int annee, const QTimeZone& zone)
{
    return {debutMois(annee, 1, zone), debutMois(annee + 1, 1, zone)};
}

struct VolumeLess {
    bool operator()(double a, double b) const { return volumeAvant(a, b); }
};

// Whole calendar days from `a` to `b` (a <= b): days added to `a`, wall-clock time kept, that
// do not pass `b`.
qint64 joursEntiers(const QDateTime& a, const QDateTime& b)
{
    qint64 d = a.date().daysTo(b.date());
    if (d > 0 && a.addDays(d) > b)
        --d;
    return std::max<qint64>(d, 0);
}

QString nombre(qint64 n)
{
    return QString::number(n);
}

} // namespace

// ---------------------------------------------------------------------------------------------

CalendrierMois::CalendrierMois(const QTimeZone& zone, qint64 premierMs, qint64 dernierMs)
    : m_zone(zone)
{
    if (premierMs > dernierMs)
        std::swap(premierMs, dernierMs);
    const int premiere = dansZone(premierMs, zone).date().year();
    int derniere = dansZone(dernierMs, zone).date().year();
    // A stray date centuries away is answered by the slow path rather than by a huge table.
    m_premiereAnnee = std::max(premiere, derniere - 300);
    if (!QDate(m_premiereAnnee, 1, 1).isValid() || !QDate(derniere + 1, 1, 1).isValid())
        return;
    m_debuts.reserve(size_t(derniere - m_premiereAnnee + 1) * 12 + 1);
    for (int a = m_premiereAnnee; a <= derniere; ++a)
        for (int m = 1; m <= 12; ++m)
            m_debuts.push_back(debutMois(a, m, zone));
    m_debuts.push_back(debutMois(derniere + 1, 1, zone));
}

CalendrierMois CalendrierMois::couvrant(const QTimeZone& zone, const QList<qint64>& dates)
{
    if (dates.isEmpty())
        return CalendrierMois(zone, 0, 0);
    const auto [mn, mx] = std::minmax_element(dates.cbegin(), dates.cend());
    return CalendrierMois(zone, *mn, *mx);
}

AnneeMois CalendrierMois::moisDe(qint64 ms) const
{
    if (m_debuts.size() < 2 || ms < m_debuts.front() || ms >= m_debuts.back()) {
        const QDate d = dansZone(ms, m_zone).date();
        return {d.year(), d.month()};
    }
    const auto it = std::upper_bound(m_debuts.begin(), m_debuts.end(), ms);
    const auto index = int(it - m_debuts.begin()) - 1;
    return {m_premiereAnnee + index / 12, index % 12 + 1};
}

qint64 CalendrierMois::debutDe(AnneeMois m) const
{
    const int index = (m.annee - m_premiereAnnee) * 12 + (m.mois - 1);
    if (index >= 0 && size_t(index) + 1 < m_debuts.size())
        return m_debuts[size_t(index)];
    return debutMois(m.annee, m.mois, m_zone);
}

qint64 CalendrierMois::debutDuMois(qint64 ms) const
{
    return debutDe(moisDe(ms));
}

QList<int> anneesDe(const QList<qint64>& dates, const QTimeZone& zone)
{
    const CalendrierMois cal = CalendrierMois::couvrant(zone, dates);
    QList<int> annees;
    // Dates mostly come in order: while they stay within the last year met, nothing is looked
    // up, neither their month nor the set.
    qint64 debut = 0, fin = 0;
    QSet<int> vues;
    for (qint64 d : dates) {
        if (d >= debut && d < fin)
            continue;
        const int a = cal.anneeDe(d);
        debut = cal.debutDe({a, 1});
        fin = cal.debutDe({a + 1, 1});
        if (!vues.contains(a)) {
            vues.insert(a);
            annees.append(a);
        }
    }
    std::sort(annees.begin(), annees.end());
    return annees;
}

ComptesMois::ComptesMois(const QTimeZone& zone, qint64 premierMs, qint64 dernierMs)
    : m_cal(CalendrierMois(zone, premierMs, dernierMs))
{
    if (premierMs > dernierMs)
        std::swap(premierMs, dernierMs);
    const auto rang = [](AnneeMois m) { return qint64(m.annee) * 12 + (m.mois - 1); };
    m_premierRang = rang(m_cal->moisDe(premierMs));
    m_nbMois = qsizetype(rang(m_cal->moisDe(dernierMs)) - m_premierRang + 1);
}

void ComptesMois::ajouter(int cle, qint64 date, qsizetype ordre)
{
    if (!m_cal)
        return;
    if (m_moisCourant < 0 || date < m_debutCourant || date >= m_finCourant) {
        const AnneeMois m = m_cal->moisDe(date);
        const qsizetype mois = qsizetype(qint64(m.annee) * 12 + (m.mois - 1) - m_premierRang);
        if (mois < 0 || mois >= m_nbMois)
            return;
        m_moisCourant = mois;
        m_debutCourant = m_cal->debutDe(m);
        m_finCourant = m_cal->debutDe(m.mois == 12 ? AnneeMois{m.annee + 1, 1} : AnneeMois{m.annee, m.mois + 1});
    }
    if (size_t(cle) >= m_comptes.size())
        m_comptes.resize(size_t(cle) + 1, std::vector<Compte>(size_t(m_nbMois)));
    Compte& c = m_comptes[size_t(cle)][size_t(m_moisCourant)];
    if (c.n == 0 || std::pair(date, ordre) < c.premiere)
        c.premiere = {date, ordre};
    ++c.n;
}

QList<int> ComptesMois::annees() const
{
    QList<int> out;
    for (qsizetype m = 0; m < m_nbMois; ++m) {
        const int annee = int((m_premierRang + m) / 12);
        if (!out.isEmpty() && out.last() == annee)
            continue;
        for (const auto& parMois : m_comptes)
            if (parMois[size_t(m)].n > 0) {
                out.append(annee);
                break;
            }
    }
    return out;
}

std::pair<qsizetype, qsizetype> ComptesMois::moisDe(std::optional<int> annee) const
{
    if (!annee)
        return {0, m_nbMois};
    const qint64 debut = qint64(*annee) * 12 - m_premierRang;
    return {qsizetype(std::clamp<qint64>(debut, 0, m_nbMois)), qsizetype(std::clamp<qint64>(debut + 12, 0, m_nbMois))};
}

const ComptesMois::Compte& ComptesMois::compte(int cle, qsizetype mois) const
{
    static const Compte aucun;
    if (size_t(cle) >= m_comptes.size())
        return aucun;
    return m_comptes[size_t(cle)][size_t(mois)];
}

qint64 ComptesMois::debut(qsizetype mois) const
{
    const qint64 rang = m_premierRang + mois;
    return m_cal->debutDe({int(rang / 12), int(rang % 12) + 1});
}

qint64 pourcentage(qint64 nombre, qint64 total)
{
    if (total == 0)
        return 0;
    return qint64(std::trunc(double(nombre) / double(total) * 100.0));
}

QString volumeTronque(double volume)
{
    return texteVolume(volume);
}

QString volumeArrondi(double volume)
{
    if (!volumeEntier(volume))
        return QStringLiteral("— m³");
    return formatFixed(volume, 0) + QStringLiteral(" m³");
}

bool volumeAvant(double a, double b)
{
    if (std::isnan(a))
        return false;
    return std::isnan(b) || a < b;
}

bool memeVolume(double a, double b)
{
    return !volumeAvant(a, b) && !volumeAvant(b, a);
}

// ---------------------------------------------------------------------------------------------
// Seasonality

const QStringList& libellesMois()
{
    static const QStringList l = {
        QStringLiteral("Jan"), QStringLiteral("Fév"), QStringLiteral("Mar"), QStringLiteral("Avr"),
        QStringLiteral("Mai"), QStringLiteral("Juin"), QStringLiteral("Juil"), QStringLiteral("Aoû"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Déc")};
    return l;
}

QList<int> anneesSaisonnalite(const QList<qint64>& datesPose, int anneeSelectionnee, const QTimeZone& zone)
{
    QList<int> annees = anneesDe(datesPose, zone);
    if (!annees.contains(anneeSelectionnee)) {
        annees.append(anneeSelectionnee);
        std::sort(annees.begin(), annees.end());
    }
    return annees;
}

QList<StatsLocationMois> statsParMois(const QList<qint64>& datesPose, int annee, const QTimeZone& zone)
{
    std::array<qint64, 13> debuts{};
    for (int m = 1; m <= 12; ++m)
        debuts[size_t(m - 1)] = debutMois(annee, m, zone);
    debuts[12] = debutMois(annee + 1, 1, zone);
    std::array<qint64, 12> nombres{};
    for (qint64 d : datesPose) {
        if (d < debuts[0] || d >= debuts[12])
            continue;
        const auto it = std::upper_bound(debuts.begin(), debuts.end(), d);
        ++nombres[size_t(it - debuts.begin() - 1)];
    }
    QList<StatsLocationMois> serie;
    for (int m = 0; m < 12; ++m)
        serie.append({libellesMois().at(m), annee, nombres[size_t(m)]});
    return serie;
}

std::optional<PicCreux> picCreux(const QList<StatsLocationMois>& serie)
{
    if (serie.isEmpty())
        return std::nullopt;
    PicCreux r{serie.first(), serie.first()};
    for (const StatsLocationMois& m : serie) {
        if (m.nombre > r.pic.nombre)
            r.pic = m;
        if (m.nombre < r.creux.nombre)
            r.creux = m;
    }
    return r;
}

QString textePic(const StatsLocationMois& m)
{
    return QStringLiteral("Pic") + kEspaceFine + QStringLiteral(": ") + m.mois + QStringLiteral(" (")
           + nombre(m.nombre) + QStringLiteral(")");
}

QString texteCreux(const StatsLocationMois& m)
{
    return QStringLiteral("Creux") + kEspaceFine + QStringLiteral(": ") + m.mois + QStringLiteral(" (")
           + nombre(m.nombre) + QStringLiteral(")");
}

// ---------------------------------------------------------------------------------------------
// Distribution by volume and by colour

QList<StatsVolumeLoue> statsParVolume(const QList<double>& volumesDesLocations)
{
    std::map<double, qint64, VolumeLess> groupes;
    for (double v : volumesDesLocations)
        ++groupes[v];
    QList<StatsVolumeLoue> rows;
    rows.reserve(qsizetype(groupes.size()));
    for (const auto& [volume, n] : groupes)
        rows.append({volume, n});
    return rows;
}

QList<StatsCouleurLoue> statsParCouleur(const QList<QString>& couleursDesLocations)
{
    QHash<QString, qint64> groupes;
    for (const QString& c : couleursDesLocations)
        ++groupes[c];
    QList<StatsCouleurLoue> rows;
    rows.reserve(groupes.size());
    for (auto it = groupes.cbegin(); it != groupes.cend(); ++it)
        rows.append({it.key(), it.value()});
    std::sort(rows.begin(), rows.end(), [](const StatsCouleurLoue& a, const StatsCouleurLoue& b) {
        if (a.nbLocations != b.nbLocations)
            return a.nbLocations > b.nbLocations;
        return a.couleurHex < b.couleurHex;
    });
    return rows;
}

const QList<QColor>& paletteVolumes()
{
    static const QList<QColor> p = {QColor(0, 122, 255),  QColor(255, 59, 48),  QColor(52, 199, 89),
                                    QColor(255, 149, 0),  QColor(175, 82, 222), QColor(255, 45, 85),
                                    QColor(0, 199, 190),  QColor(162, 132, 94)};
    return p;
}

QColor grisSysteme()
{
    return QColor(142, 142, 147);
}

QColor couleurPourVolume(const QList<StatsVolumeLoue>& rows, double volume, const QList<QColor>& palette)
{
    QList<double> volumes;
    volumes.reserve(rows.size());
    for (const StatsVolumeLoue& r : rows)
        volumes.append(r.volume);
    std::sort(volumes.begin(), volumes.end(), volumeAvant);
    for (qsizetype i = 0; i < volumes.size(); ++i)
        if (memeVolume(volumes[i], volume))
            return palette.isEmpty() ? grisSysteme() : palette[i % palette.size()];
    return grisSysteme();
}

QString ligneLegendeVolume(const StatsVolumeLoue& row, qint64 total)
{
    return volumeTronque(row.volume) + QStringLiteral(" m³") + kEspaceFine + QStringLiteral(": ")
           + nombre(row.nbLocations) + QStringLiteral("\u00A0location")
           + (row.nbLocations >= 2 ? QStringLiteral("s") : QString()) + QStringLiteral(" (")
           + nombre(pourcentage(row.nbLocations, total)) + kEspaceFine + QStringLiteral("%)");
}

QString ligneLegendeCouleur(const StatsCouleurLoue& row, qint64 total)
{
    // The colour named in words too: a reader, or an eye that cannot tell hues apart, knows it.
    const QString nom = nomCouleur(row.couleurHex);
    return row.couleurHex.toUpper() + (nom.isEmpty() ? QString() : QLatin1Char(' ') + nom) + QStringLiteral(" (")
           + nombre(row.nbLocations) + QStringLiteral(", ") + nombre(pourcentage(row.nbLocations, total))
           + QStringLiteral("%)");
}

QColor couleurOuGris(const QString& hex)
{
    return colorFromHex(hex, grisSysteme());
}

// ---------------------------------------------------------------------------------------------
// Waste types

QList<LocationDeBenneStat> locationsFiltrees(const QList<LocationDeBenneStat>& rows, std::optional<int> annee,
                                             const QTimeZone& zone)
{
    if (!annee)
        return rows;
    const auto [debut, fin] = bornesAnnee(*annee, zone);
    QList<LocationDeBenneStat> out;
    for (const LocationDeBenneStat& r : rows)
        if (r.datePose >= debut && r.datePose < fin)
            out.append(r);
    return out;
}

QList<int> anneesTypes(const QList<LocationDeBenneStat>& rows, const QTimeZone& zone)
{
    QList<qint64> dates;
    dates.reserve(rows.size());
    for (const LocationDeBenneStat& r : rows)
        dates.append(r.datePose);
    return anneesDe(dates, zone);
}

namespace {

// The index of a row's waste type among those met so far, by label and colour. The rows of one
// type share their texts with the type's record: a row is matched by where its texts live, and
// only a text met for the first time is compared and hashed.
class TypesVus {
public:
    struct Type {
        QString libelle;
        std::optional<QString> couleur;
    };
    explicit TypesVus(bool parCouleur) : m_parCouleur(parCouleur) {}
    int index(const LocationDeBenneStat& r)
    {
        const void* libelle = r.typeLibelle.constData();
        const void* couleur = r.typeCouleur && m_parCouleur ? r.typeCouleur->constData() : nullptr;
        // A small open table of the places met, looked up by a hash of the two places.
        const auto cle = (quintptr(libelle) ^ (quintptr(couleur) * 31)) * quintptr(0x9E3779B97F4A7C15ULL);
        size_t i = size_t(cle >> (8 * sizeof(quintptr) - kBits));
        for (; m_table[i].type >= 0; i = (i + 1) & (kTaille - 1))
            if (m_table[i].libelle == libelle && m_table[i].couleur == couleur)
                return m_table[i].type;
        int type = -1;
        QList<int>& memes = m_parLibelle[r.typeLibelle];
        for (int i : std::as_const(memes))
            if (!m_parCouleur || m_types[i].couleur == r.typeCouleur)
                type = i;
        if (type < 0) {
            type = int(m_types.size());
            memes.append(type);
            m_types.append({r.typeLibelle, r.typeCouleur});
        }
        // Texts that are not shared (each row its own copy) are not remembered by place.
        if (m_places < kTaille / 2) {
            m_table[i] = {libelle, couleur, type};
            ++m_places;
        }
        return type;
    }
    const QList<Type>& types() const { return m_types; }

private:
    struct Vu {
        const void* libelle = nullptr;
        const void* couleur = nullptr;
        int type = -1;
    };
    static constexpr int kBits = 8;
    static constexpr size_t kTaille = size_t(1) << kBits;
    bool m_parCouleur;
    std::array<Vu, kTaille> m_table{};
    size_t m_places = 0;
    QHash<QString, QList<int>> m_parLibelle;
    QList<Type> m_types;
};

} // namespace

ComptesTypes comptesTypes(const QList<LocationDeBenneStat>& rows, const QTimeZone& zone)
{
    ComptesTypes out;
    if (rows.isEmpty())
        return out;
    const auto [mn, mx] = std::minmax_element(rows.cbegin(), rows.cend(), [](const auto& a, const auto& b) {
        return a.datePose < b.datePose;
    });
    out.mois = ComptesMois(zone, mn->datePose, mx->datePose);
    TypesVus types(true);
    for (qsizetype i = 0; i < rows.size(); ++i)
        out.mois.ajouter(types.index(rows[i]), rows[i].datePose, i);
    for (const TypesVus::Type& t : types.types())
        out.types.append({t.libelle, t.couleur});
    return out;
}

QList<StatsTypeDechet> statsParType(const QList<LocationDeBenneStat>& rows)
{
    // Every month is summed: the time zone changes nothing.
    return statsParType(comptesTypes(rows, QTimeZone::utc()), std::nullopt);
}

QList<StatsTypeDechet> statsParType(const ComptesTypes& comptes, std::optional<int> annee)
{
    // The earliest placement of each label gives its bar's colour.
    const auto [debut, fin] = comptes.mois.moisDe(annee);
    QList<StatsTypeDechet> bars;
    QList<std::pair<qint64, qsizetype>> premieres;
    QHash<QString, qsizetype> parLibelle;
    for (int t = 0; t < comptes.types.size(); ++t) {
        const ComptesTypes::Type& type = comptes.types[t];
        ComptesMois::Compte somme;
        for (qsizetype m = debut; m < fin; ++m) {
            const ComptesMois::Compte& c = comptes.mois.compte(t, m);
            if (c.n == 0)
                continue;
            if (somme.n == 0 || c.premiere < somme.premiere)
                somme.premiere = c.premiere;
            somme.n += c.n;
        }
        if (somme.n == 0)
            continue;
        const auto it = parLibelle.constFind(type.libelle);
        if (it == parLibelle.cend()) {
            parLibelle.insert(type.libelle, bars.size());
            bars.append({type.libelle, type.couleur, somme.n});
            premieres.append(somme.premiere);
            continue;
        }
        bars[*it].nbLocations += somme.n;
        if (somme.premiere < premieres[*it]) {
            premieres[*it] = somme.premiere;
            bars[*it].couleur = type.couleur;
        }
    }
    std::sort(bars.begin(), bars.end(), [](const StatsTypeDechet& a, const StatsTypeDechet& b) {
        if (a.nbLocations != b.nbLocations)
            return a.nbLocations > b.nbLocations;
        return a.libelle < b.libelle;
    });
    return bars;
}

QList<StatsTimelineTypeDechet> statsTimeline(const QList<LocationDeBenneStat>& rows, const QTimeZone& zone)
{
    return statsTimeline(comptesTypes(rows, zone), std::nullopt);
}

QList<StatsTimelineTypeDechet> statsTimeline(const ComptesTypes& comptes, std::optional<int> annee)
{
    // Points of one month and label (one label, several colours) keep the order of their
    // earliest rows, so a series takes the colour of its earliest rental.
    const auto [debut, fin] = comptes.mois.moisDe(annee);
    QList<std::pair<std::pair<qint64, qsizetype>, StatsTimelineTypeDechet>> points;
    for (int t = 0; t < comptes.types.size(); ++t) {
        const ComptesTypes::Type& type = comptes.types[t];
        for (qsizetype m = debut; m < fin; ++m)
            if (const ComptesMois::Compte& c = comptes.mois.compte(t, m); c.n > 0)
                points.append({c.premiere, {comptes.mois.debut(m), type.libelle, type.couleur, c.n}});
    }
    std::sort(points.begin(), points.end(), [](const auto& a, const auto& b) {
        if (a.second.mois != b.second.mois)
            return a.second.mois < b.second.mois;
        if (a.second.libelle != b.second.libelle)
            return a.second.libelle < b.second.libelle;
        return a.first < b.first;
    });
    QList<StatsTimelineTypeDechet> out;
    out.reserve(points.size());
    for (auto& p : points)
        out.append(std::move(p.second));
    return out;
}

QList<SerieTypeDechet> seriesTimeline(const QList<StatsTimelineTypeDechet>& points)
{
    std::map<QString, SerieTypeDechet> series;
    for (const StatsTimelineTypeDechet& p : points) {
        auto [it, nouvelle] = series.try_emplace(p.libelle);
        if (nouvelle) {
            it->second.libelle = p.libelle;
            it->second.couleur = p.couleur;
        }
        it->second.points.append(p);
    }
    QList<SerieTypeDechet> out;
    for (auto& [libelle, s] : series)
        out.append(std::move(s));
    return out;
}

QColor couleurTypeDechet(const std::optional<QString>& couleur)
{
    return colorFromHex(couleur.value_or(QStringLiteral("D1D5DB")), grisSysteme());
}

// ---------------------------------------------------------------------------------------------
// Occupancy

bool locationActive(const Periode& p, qint64 date)
{
    return p.pose <= date && (!p.enlevement || date <= *p.enlevement);
}

Occupation occupation(const QList<QList<Periode>>& bennes, qint64 date)
{
    Occupation o;
    o.total = bennes.size();
    for (const QList<Periode>& locations : bennes)
        if (std::any_of(locations.cbegin(), locations.cend(),
                        [date](const Periode& p) { return locationActive(p, date); }))
            ++o.enCirculation;
    return o;
}

QString tauxTexte(const Occupation& o)
{
    return QStringLiteral("Taux d’occupation") + kEspaceFine + QStringLiteral(": ") + nombre(o.taux()) + kEspaceFine
           + QStringLiteral("% (") + nombre(o.enCirculation) + QStringLiteral("/") + nombre(o.total)
           + QStringLiteral(")");
}

QString ligneLegendeOccupation(const QString& label, qint64 value, qint64 somme)
{
    return label + kEspaceFine + QStringLiteral(": ") + nombre(value) + QStringLiteral(" (")
           + nombre(pourcentage(value, somme)) + kEspaceFine + QStringLiteral("%)");
}

// ---------------------------------------------------------------------------------------------
// Inactive clients

qint64 dateActivite(const Periode& p, qint64 refDate)
{
    return std::max(p.pose, p.enlevement.value_or(refDate));
}

QList<LigneClientInactif> clientsInactifs(const QList<ClientActivite>& clients, int seuilMois,
                                          bool inclureJamaisLoues, qint64 refDate, const QTimeZone& zone)
{
    const QDateTime ref = dansZone(refDate, zone);
    const qint64 cutoff = ref.addMonths(-seuilMois).toMSecsSinceEpoch();
    const qint64 ilYaUnAn = ref.addYears(-1).toMSecsSinceEpoch();

    QList<LigneClientInactif> jamais, inactifs;
    for (const ClientActivite& c : clients) {
        LigneClientInactif row{c.id, c.nom, c.couleurHex, c.telephone, c.email, {}, {}, 0};
        if (c.locations.isEmpty()) {
            if (inclureJamaisLoues)
                jamais.append(row);
            continue;
        }
        qint64 derniere = std::numeric_limits<qint64>::min();
        qint64 recentes = 0;
        for (const Periode& p : c.locations) {
            const qint64 a = dateActivite(p, refDate);
            derniere = std::max(derniere, a);
            recentes += a >= ilYaUnAn;
        }
        if (derniere >= cutoff)
            continue;
        row.lastActivity = derniere;
        row.daysSinceLast = joursEntiers(dansZone(derniere, zone), ref);
        row.nbLocations12m = recentes;
        inactifs.append(row);
    }
    std::stable_sort(jamais.begin(), jamais.end(),
                     [](const LigneClientInactif& a, const LigneClientInactif& b) { return a.nom < b.nom; });
    std::stable_sort(inactifs.begin(), inactifs.end(), [](const LigneClientInactif& a, const LigneClientInactif& b) {
        return *a.daysSinceLast > *b.daysSinceLast;
    });
    return jamais + inactifs;
}

QString ligneInformation(const LigneClientInactif& row, qint64 refDate, const QTimeZone& zone)
{
    if (!row.lastActivity)
        return QStringLiteral("Aucune location à ce jour");
    return QStringLiteral("Dernière activité : ") + texteRelatif(*row.lastActivity, refDate, zone)
           + QStringLiteral(" • Locations (12 mois) : ") + nombre(row.nbLocations12m);
}

bool telephoneVisible(const QString& telephone)
{
    return !telephone.trimmed().isEmpty();
}

bool emailVisible(const std::optional<QString>& email)
{
    return email && !email->trimmed().isEmpty();
}

QString texteRelatif(qint64 date, qint64 ref, const QTimeZone& zone)
{
    if (date == ref)
        return QStringLiteral("maintenant");
    const bool passe = date < ref;
    const QDateTime a = dansZone(std::min(date, ref), zone);
    const QDateTime b = dansZone(std::max(date, ref), zone);

    auto phrase = [passe](qint64 n, const QString& singulier, const QString& pluriel) {
        const QString quantite = nombre(n) + QLatin1Char(' ') + (n >= 2 ? pluriel : singulier);
        return passe ? QStringLiteral("il y a ") + quantite : QStringLiteral("dans ") + quantite;
    };

    int annees = b.date().year() - a.date().year();
    if (annees > 0 && a.addYears(annees) > b)
        --annees;
    if (annees > 0)
        return phrase(annees, QStringLiteral("an"), QStringLiteral("ans"));
    const QDateTime apresAnnees = a.addYears(annees);
    int mois = (b.date().year() * 12 + b.date().month()) - (apresAnnees.date().year() * 12 + apresAnnees.date().month());
    if (mois > 0 && apresAnnees.addMonths(mois) > b)
        --mois;
    if (mois > 0)
        return phrase(mois, QStringLiteral("mois"), QStringLiteral("mois"));
    const qint64 jours = joursEntiers(a, b);
    if (jours >= 7)
        return phrase(jours / 7, QStringLiteral("semaine"), QStringLiteral("semaines"));
    if (jours > 0)
        return phrase(jours, QStringLiteral("jour"), QStringLiteral("jours"));
    const qint64 secondes = (b.toMSecsSinceEpoch() - a.addDays(jours).toMSecsSinceEpoch()) / 1000;
    if (secondes >= 3600)
        return phrase(secondes / 3600, QStringLiteral("heure"), QStringLiteral("heures"));
    if (secondes >= 60)
        return phrase(secondes / 60, QStringLiteral("minute"), QStringLiteral("minutes"));
    return phrase(secondes, QStringLiteral("seconde"), QStringLiteral("secondes"));
}

// ---------------------------------------------------------------------------------------------
// Yield per volume

QList<LocationVolume> locationsDeLAnnee(const QList<LocationVolume>& locations, std::optional<int> annee,
                                        const QTimeZone& zone)
{
    if (!annee)
        return locations;
    const auto [debut, fin] = bornesAnnee(*annee, zone);
    QList<LocationVolume> out;
    for (const LocationVolume& l : locations)
        if (l.datePose >= debut && l.datePose < fin)
            out.append(l);
    return out;
}

namespace {

std::map<double, qint64, VolumeLess> bennesParVolume(const QList<double>& volumesBennes)
{
    std::map<double, qint64, VolumeLess> n;
    for (double v : volumesBennes)
        ++n[v];
    return n;
}

} // namespace

ComptesVolumes comptesVolumes(const QList<LocationVolume>& locations, const QTimeZone& zone)
{
    ComptesVolumes out;
    if (locations.isEmpty())
        return out;
    const auto [mn, mx] = std::minmax_element(locations.cbegin(), locations.cend(), [](const auto& a, const auto& b) {
        return a.datePose < b.datePose;
    });
    out.mois = ComptesMois(zone, mn->datePose, mx->datePose);
    std::map<double, int, VolumeLess> cles;
    for (qsizetype i = 0; i < locations.size(); ++i) {
        const auto [it, nouveau] = cles.try_emplace(locations[i].volume, int(out.volumes.size()));
        if (nouveau)
            out.volumes.append(locations[i].volume);
        out.mois.ajouter(it->second, locations[i].datePose, i);
    }
    return out;
}

QList<StatsRendementVolume> calculerRendementParVolume(const QList<double>& volumesBennes,
                                                       const QList<LocationVolume>& locations)
{
    // Every month is summed: the time zone changes nothing.
    return calculerRendementParVolume(volumesBennes, comptesVolumes(locations, QTimeZone::utc()), std::nullopt);
}

QList<StatsRendementVolume> calculerRendementParVolume(const QList<double>& volumesBennes,
                                                       const ComptesVolumes& comptes, std::optional<int> annee)
{
    const auto bennes = bennesParVolume(volumesBennes);
    const auto [debut, fin] = comptes.mois.moisDe(annee);
    std::map<double, qint64, VolumeLess> nbLocations;
    for (int v = 0; v < comptes.volumes.size(); ++v)
        for (qsizetype m = debut; m < fin; ++m)
            nbLocations[comptes.volumes[v]] += comptes.mois.compte(v, m).n;
    QList<StatsRendementVolume> rows;
    for (const auto& [volume, n] : bennes) {
        const auto it = nbLocations.find(volume);
        rows.append({volume, n, it == nbLocations.end() ? 0 : it->second});
    }
    // The rows come by volume: a stable sort keeps equal yields smallest volume first.
    std::stable_sort(rows.begin(), rows.end(), [](const StatsRendementVolume& a, const StatsRendementVolume& b) {
        return a.rendement() > b.rendement();
    });
    return rows;
}

QList<StatsRendementVolumeMois> calculerRendementParVolumeMois(const QList<double>& volumesBennes,
                                                               const QList<LocationVolume>& locations,
                                                               const QTimeZone& zone)
{
    return calculerRendementParVolumeMois(volumesBennes, comptesVolumes(locations, zone), std::nullopt);
}

QList<StatsRendementVolumeMois> calculerRendementParVolumeMois(const QList<double>& volumesBennes,
                                                               const ComptesVolumes& comptes,
                                                               std::optional<int> annee)
{
    const auto bennes = bennesParVolume(volumesBennes);
    // The volumes in order, each with its key.
    std::map<double, int, VolumeLess> parVolume;
    for (int v = 0; v < comptes.volumes.size(); ++v)
        parVolume.try_emplace(comptes.volumes[v], v);
    const auto [debut, fin] = comptes.mois.moisDe(annee);
    QList<StatsRendementVolumeMois> points;
    for (qsizetype m = debut; m < fin; ++m)
        for (const auto& [volume, v] : parVolume)
            if (const qint64 n = comptes.mois.compte(v, m).n; n > 0) {
                const auto it = bennes.find(volume);
                points.append({volume, comptes.mois.debut(m), it == bennes.end() ? 0 : it->second, n});
            }
    return points;
}

QColor couleurBarre(double rendement, double min, double max)
{
    const double luminosite = 1.0 - 0.1 * (rendement - min) / (max - min + 0.0001);
    return QColor::fromHsvF(0.6f, 0.4f, float(std::clamp(luminosite, 0.0, 1.0)), 1.0f);
}

QString ligneDetailRendement(const StatsRendementVolume& row)
{
    return QStringLiteral("• ") + volumeTronque(row.volume) + QStringLiteral(" m³") + kEspaceFine
           + QStringLiteral(": ") + nombre(row.nbLocations) + QStringLiteral("\u00A0locations, ") + nombre(row.nbBennes)
           + QStringLiteral("\u00A0bennes (") + formatFixed(row.rendement(), 1) + QStringLiteral(" loc/benne)");
}

QList<double> volumesSeries(const QList<StatsRendementVolumeMois>& data)
{
    std::map<double, bool, VolumeLess> volumes;
    for (const StatsRendementVolumeMois& p : data)
        volumes[p.volume] = true;
    QList<double> out;
    for (const auto& [v, _] : volumes)
        out.append(v);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Curves

QList<QPointF> courbeMonotone(const QList<QPointF>& points, int parSegment)
{
    const qsizetype n = points.size();
    if (n < 3)
        return points;
    parSegment = std::max(parSegment, 1);
    // Slopes of the segments, then one tangent per point (Fritsch and Carlson): zero at a peak,
    // a trough or a flat stretch, and small enough elsewhere that no segment overshoots.
    std::vector<double> h(size_t(n - 1)), pente(size_t(n - 1));
    for (qsizetype i = 0; i + 1 < n; ++i) {
        h[size_t(i)] = points[i + 1].x() - points[i].x();
        pente[size_t(i)] = h[size_t(i)] != 0 ? (points[i + 1].y() - points[i].y()) / h[size_t(i)] : 0;
    }
    std::vector<double> m(static_cast<size_t>(n));
    m[0] = pente[0];
    m[size_t(n - 1)] = pente[size_t(n - 2)];
    for (qsizetype i = 1; i + 1 < n; ++i) {
        const double a = pente[size_t(i - 1)], b = pente[size_t(i)];
        m[size_t(i)] = a * b <= 0 ? 0 : (a + b) / 2;
    }
    for (qsizetype i = 0; i + 1 < n; ++i) {
        const double d = pente[size_t(i)];
        if (d == 0) {
            m[size_t(i)] = m[size_t(i + 1)] = 0;
            continue;
        }
        const double a = m[size_t(i)] / d, b = m[size_t(i + 1)] / d;
        const double r = a * a + b * b;
        if (r > 9) {
            const double t = 3 / std::sqrt(r);
            m[size_t(i)] = t * a * d;
            m[size_t(i + 1)] = t * b * d;
        }
    }
    QList<QPointF> out;
    out.reserve((n - 1) * parSegment + 1);
    for (qsizetype i = 0; i + 1 < n; ++i) {
        const QPointF p0 = points[i], p1 = points[i + 1];
        const double largeur = h[size_t(i)];
        for (int s = 0; s < parSegment; ++s) {
            const double t = double(s) / parSegment, t2 = t * t, t3 = t2 * t;
            const double y = (2 * t3 - 3 * t2 + 1) * p0.y() + (t3 - 2 * t2 + t) * largeur * m[size_t(i)]
                             + (-2 * t3 + 3 * t2) * p1.y() + (t3 - t2) * largeur * m[size_t(i + 1)];
            out.append(s == 0 ? p0 : QPointF(p0.x() + t * largeur, y));
        }
    }
    out.append(points.last());
    return out;
}

} // namespace kv::stats
