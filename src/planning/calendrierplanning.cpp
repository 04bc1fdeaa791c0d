#include "calendrierplanning.h"

#include "model/daywindow.h"
#include "model/helpers.h"
#include "model/modelcontext.h"
#include "model/records.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace kv::planning {

qint64 ajouterJours(qint64 ms, int jours, const QTimeZone& zone)
{
    // On the local date and time, then back to an instant: QDateTime::addDays on a zoned date-time
    // lands an hour off when the new day's time falls in the spring gap.
    return addLocalDaysMs(ms, jours, zone);
}

QDateTime instantLocal(qint64 ms, const QTimeZone& zone)
{
    return QDateTime::fromMSecsSinceEpoch(ms, zone);
}

JoursGrille::JoursGrille(qint64 maintenantMs, const Horloge& horloge)
{
    m_aujourdhui = localDayOf(maintenantMs, horloge.zone);
    const QDate premier = m_aujourdhui.addDays(-kJoursAvant);
    m_jours.reserve(kNombreJours);
    m_debuts.reserve(kNombreJours + 1);
    for (int i = 0; i <= kNombreJours; ++i) {
        const QDate d = premier.addDays(i);
        if (i < kNombreJours)
            m_jours.append(d);
        m_debuts.append(startOfDayMs(d, horloge.zone));
    }
}

QList<QDateTime> JoursGrille::jours(const QTimeZone& zone) const
{
    QList<QDateTime> out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i)
        out.append(QDateTime::fromMSecsSinceEpoch(m_debuts[i], zone));
    return out;
}

int JoursGrille::indexAujourdhui() const
{
    return int(m_jours.indexOf(m_aujourdhui));
}

int JoursGrille::colonne(qint64 ms) const
{
    if (m_debuts.isEmpty() || ms < m_debuts.first())
        return -1;
    if (ms >= m_debuts.last())
        return count();
    const auto it = std::upper_bound(m_debuts.cbegin(), m_debuts.cend(), ms);
    return int(it - m_debuts.cbegin()) - 1;
}

namespace {

int premierVisible(double scroll, double pas)
{
    return std::max(int(std::trunc(scroll / pas)) - 5, 0);
}

Plage fenetre(double scroll, double etendue, double pas, double entete, int nombre)
{
    const int first = premierVisible(scroll, pas);
    if (first >= nombre)
        return {first, first};
    const int end = std::min(first + int(std::trunc((etendue - entete) / pas)) + 10, nombre);
    return {first, std::max(end, first)};
}

} // namespace

Plage visibleJoursRange(double scrollX, double largeurZone, int nombreJours)
{
    return fenetre(scrollX, largeurZone, largeurColonne, largeurBenne, nombreJours);
}

Plage visibleBennesRange(double scrollY, double hauteurZone, int nombreBennes)
{
    return fenetre(scrollY, hauteurZone, hauteurBenne, hauteurBenne, nombreBennes);
}

std::optional<Colonnes> colonnesLocation(std::optional<qint64> datePoseMs, std::optional<qint64> dateEnlevementMs,
                                         const JoursGrille& jours)
{
    const int n = jours.count();
    if (n == 0 || !datePoseMs)
        return std::nullopt;
    const int cp = jours.colonne(*datePoseMs);
    if (cp >= n)
        return std::nullopt; // placed after the last day
    if (!dateEnlevementMs)
        return Colonnes{std::max(cp, 0), n - 1, true}; // still on site on every later day
    const int cr = jours.colonne(*dateEnlevementMs);
    if (cp < 0) {
        // Placed before the first day: shown from column 0 when it is still there on that day.
        if (cr < 0)
            return std::nullopt;
        if (cr >= n)
            return Colonnes{0, n - 1};
        if (cr - 1 < 0)
            return std::nullopt; // removed on the first day: gone before it
        return Colonnes{0, cr - 1};
    }
    if (cr == cp || cr < 0)
        return Colonnes{cp, cp}; // removed on its placement day, or before the grid (inverted)
    if (cr >= n)
        return Colonnes{cp, n - 1};
    // The removal day itself is not covered: the bar ends the day before.
    const int veille = cr - 1;
    if (veille < 0)
        return Colonnes{cp, cp};
    return Colonnes{cp, veille};
}

std::optional<Colonnes> colonnesLocation(const LocationDeBenne* location, const JoursGrille& jours)
{
    if (!location)
        return std::nullopt;
    return colonnesLocation(location->datePoseMs(), location->dateEnlevementMs(), jours);
}

bool occupeLeJour(qint64 datePoseMs, std::optional<qint64> dateEnlevementMs, qint64 debutJour,
                  qint64 debutJourSuivant)
{
    if (datePoseMs >= debutJourSuivant)
        return false; // placed on a later day
    if (datePoseMs >= debutJour)
        return true; // its placement day, whatever the removal
    return !dateEnlevementMs || *dateEnlevementMs >= debutJourSuivant;
}

std::optional<double> abscisseAujourdhui(const JoursGrille& jours, double largeur)
{
    const int i = jours.indexAujourdhui();
    if (i < 0)
        return std::nullopt;
    const double x = i * largeurColonne + largeurColonne / 2 - largeur / 2;
    return x > 0 ? x : 0.0;
}

int joursDeTranslation(double translation, double colonne)
{
    if (!(colonne > 0) || !std::isfinite(translation))
        return 0;
    const double k = std::round(translation / colonne);
    if (k > 1e6 || k < -1e6)
        return 0; // far outside any drag the screen can make
    return int(k);
}

QString texteUuid(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> lireUuidStrict(const QString& texte)
{
    static const QRegularExpression forme(QStringLiteral(
        "\\A[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\z"));
    if (texte.size() != 36 || !forme.match(texte).hasMatch())
        return std::nullopt;
    const QUuid id = QUuid::fromString(texte);
    if (id.isNull() && texte != QStringLiteral("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return id;
}

QString texteInstantConsole(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
           + QStringLiteral(" +0000");
}

} // namespace kv::planning

namespace kv::planning {

int pasLateral(QPoint pixels, QPoint angle, double pointsParCran)
{
    if (!pixels.isNull())
        return pixels.x() ? pixels.x() : pixels.y();
    const int cran = angle.x() ? angle.x() : angle.y();
    return int(std::lround(cran * pointsParCran / 120));
}

} // namespace kv::planning
