#include "coordonnees.h"

#include <charconv>
#include <cmath>

namespace kv {

std::optional<double> lireDoubleC(const QString& texte)
{
    const QByteArray utf8 = texte.toUtf8();
    const char* first = utf8.constData();
    const char* const last = first + utf8.size();
    if (first == last)
        return std::nullopt;

    // from_chars takes neither a plus sign nor the "0x" prefix that strtod accepts.
    bool negatif = false;
    if (*first == '+' || *first == '-') {
        negatif = *first == '-';
        ++first;
    }
    std::chars_format format = std::chars_format::general;
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        format = std::chars_format::hex;
        first += 2;
    }
    if (first == last || *first == '+' || *first == '-')
        return std::nullopt;

    double valeur = 0;
    const auto [ptr, ec] = std::from_chars(first, last, valeur, format);
    if (ptr != last)
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // strtod gives ±HUGE_VAL on overflow and a (signed) zero on underflow.
        const bool grand = [&] {
            const QByteArray s(first, int(last - first));
            const int e = s.toLower().indexOf(format == std::chars_format::hex ? 'p' : 'e');
            return e < 0 || !s.mid(e + 1).startsWith('-');
        }();
        valeur = grand ? HUGE_VAL : 0.0;
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    return negatif ? -valeur : valeur;
}

std::optional<Coordonnee> coordonneeSaisie(const QString& latitude, const QString& longitude)
{
    const std::optional<double> lat = lireDoubleC(latitude);
    const std::optional<double> lon = lireDoubleC(longitude);
    if (!lat || !lon || !coordonneeValide(*lat, *lon))
        return std::nullopt;
    return Coordonnee{*lat, *lon};
}

namespace {

std::optional<double> lireAvecVirgule(const QString& texte)
{
    QString t = texte;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    return lireDoubleC(t);
}

} // namespace

std::optional<double> lireCoordonneeEnregistrement(const QString& texte, double limite)
{
    const std::optional<double> v = lireAvecVirgule(texte);
    if (!v || !std::isfinite(*v) || std::fabs(*v) > limite)
        return std::nullopt;
    return v;
}

bool coordonneeHorsPlage(const QString& texte, const Plage& plage)
{
    const std::optional<double> v = lireAvecVirgule(texte);
    return v && !(std::isfinite(*v) && plage.contient(*v));
}

QString texteCourt(double valeur)
{
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, valeur);
    if (ec != std::errc())
        return QString();
    return QString::fromLatin1(buffer, int(ptr - buffer));
}

QString texteSixDecimales(double valeur)
{
    char buffer[400];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, valeur, std::chars_format::fixed, 6);
    if (ec != std::errc())
        return QString();
    return QString::fromLatin1(buffer, int(ptr - buffer));
}

} // namespace kv
