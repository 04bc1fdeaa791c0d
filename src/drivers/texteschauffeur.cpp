#include "texteschauffeur.h"

#include "model/helpers.h"

#include <QLocale>

#include <cmath>

namespace kv {

QString sansEspacesNiTabulations(const QString& texte)
{
    return trimBlanks(texte);
}

QString sansBlancs(const QString& texte)
{
    return texte.trimmed();
}

QString texteDistance(double km)
{
    // 2^63 is exactly representable; anything at or beyond it does not fit in a qint64.
    constexpr double limite = 9223372036854775808.0;
    if (!std::isfinite(km) || km >= limite || km < -limite)
        return QStringLiteral("— km");
    return QString::number(static_cast<qint64>(std::trunc(km))) + QStringLiteral(" km");
}

QString dateAbregee(const QDateTime& date)
{
    return QLocale().toString(date.date(), QStringLiteral("d MMM yyyy"));
}

QString texteExpiration(const QDateTime& dateExpiration)
{
    return QStringLiteral("Expiration : ") + dateAbregee(dateExpiration);
}

QString texteDisponible(bool disponible)
{
    return disponible ? QStringLiteral("Disponible") : QStringLiteral("Indisponible");
}

QString textePeriode(const QDateTime& debut, const std::optional<QDateTime>& fin)
{
    QString texte = QStringLiteral("Du ") + dateAbregee(debut);
    if (fin)
        texte += QStringLiteral(" au ") + dateAbregee(*fin);
    else
        texte += QStringLiteral(" sans fin");
    return texte;
}

} // namespace kv
