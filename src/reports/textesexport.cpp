#include "textesexport.h"

#include "model/helpers.h"
#include "model/volume.h"

#include <charconv>
#include <cmath>
#include <string>

namespace kv {

QString champCSV(const QString& texte)
{
    QString s;
    s.reserve(texte.size() + 1);
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        switch (c.unicode()) {
        case u';':
            s += QLatin1Char(',');
            break;
        case u'\r':
            if (i + 1 < texte.size() && texte.at(i + 1) == QLatin1Char('\n'))
                ++i;
            s += QLatin1Char(' ');
            break;
        case u'\n':
        case 0x0085:
        case 0x2028:
        case 0x2029:
            s += QLatin1Char(' ');
            break;
        default:
            s += c;
        }
    }
    if (!s.isEmpty()) {
        const QChar first = s.at(0);
        if (first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-')
            || first == QLatin1Char('@') || first == QLatin1Char('\t'))
            s.prepend(QLatin1Char('\''));
    }
    return s;
}

namespace {

// "-1 234,50" from the sign, the digits of the whole part and the two decimals.
QString montantGroupe(bool negatif, const QString& entier, const QString& decimales)
{
    QString groupe;
    const qsizetype n = entier.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            groupe += QChar(0x202F);
        groupe += entier.at(i);
    }
    return (negatif ? QStringLiteral("-") : QString()) + groupe + QLatin1Char(',') + decimales;
}

} // namespace

QString formatMontant(double montant)
{
    if (!std::isfinite(montant))
        return QStringLiteral("0,00");
    const QString arrondi = formatDecimalHalfEven(montant, 2);
    const bool negatif = arrondi.startsWith(QLatin1Char('-'));
    const qsizetype point = arrondi.indexOf(QLatin1Char('.'));
    return montantGroupe(negatif, arrondi.mid(negatif ? 1 : 0, point - (negatif ? 1 : 0)), arrondi.mid(point + 1));
}

std::optional<qint64> centimes(double montant)
{
    if (!std::isfinite(montant))
        return 0;
    // The digits of the printed text, so that a sum of cents is the sum of what is printed.
    QString chiffres = formatDecimalHalfEven(montant, 2);
    chiffres.remove(QLatin1Char('.'));
    bool ok = false;
    const qint64 c = chiffres.toLongLong(&ok);
    return ok ? std::optional<qint64>(c) : std::nullopt;
}

QString formatCentimes(qint64 centimes)
{
    const bool negatif = centimes < 0;
    // Digits of the magnitude, taken from the negative side, which holds every 64-bit value.
    QString chiffres;
    for (qint64 reste = negatif ? centimes : -centimes; reste != 0 || chiffres.size() < 3; reste /= 10)
        chiffres.prepend(QLatin1Char(char('0' - reste % 10)));
    return montantGroupe(negatif, chiffres.chopped(2), chiffres.right(2));
}

QDate jourDansZone(qint64 ms, const QTimeZone& zone)
{
    return localDayOf(ms, zone);
}

QString jourISO(qint64 ms, const QTimeZone& zone)
{
    const QDate d = jourDansZone(ms, zone);
    return QStringLiteral("%1-%2-%3")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'));
}

qint64 debutDuJourMs(const QDate& jour, const QTimeZone& zone)
{
    return startOfDayMs(jour, zone);
}

qint64 finDuJourMs(const QDate& jour, const QTimeZone& zone)
{
    return dayWindow(jour, 1, zone).fin - 1;
}

DayWindow fenetreMois(qint64 instantMs, const QTimeZone& zone)
{
    const QDate jour = jourDansZone(instantMs, zone);
    const QDate premier(jour.year(), jour.month(), 1);
    return {startOfDayMs(premier, zone), startOfDayMs(premier.addMonths(1), zone)};
}

QString libelleMois(qint64 instantMs, const QTimeZone& zone, const QLocale& locale)
{
    return locale.toString(jourDansZone(instantMs, zone), QStringLiteral("MMM yyyy"));
}

QString jourCourt(qint64 ms, const QTimeZone& zone, const QLocale& locale)
{
    return locale.toString(jourDansZone(ms, zone), QStringLiteral("d MMM"));
}

QString texteVolumeM3(double volume)
{
    return volumeEntier(volume) ? texteVolume(volume) + QStringLiteral(" m³") : texteVolume(volume);
}

QString champVolume(double volume)
{
    const std::optional<qint64> v = volumeEntier(volume);
    return v ? QString::number(*v) : QString();
}

} // namespace kv
