#include "texteschauffeur.h"

#include <QLocale>

#include <cmath>

namespace kv {

namespace {

bool espaceOuTabulation(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

} // namespace

QString sansEspacesNiTabulations(const QString& texte)
{
    qsizetype debut = 0;
    qsizetype fin = texte.size();
    while (debut < fin && espaceOuTabulation(texte.at(debut)))
        ++debut;
    while (fin > debut && espaceOuTabulation(texte.at(fin - 1)))
        --fin;
    return texte.mid(debut, fin - debut);
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
