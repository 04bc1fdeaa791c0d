#include "textesexport.h"

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

QString formatMontant(double montant)
{
    if (!std::isfinite(montant))
        return QStringLiteral("0,00");
    // Shortest fixed-point text that reads back as the same double ("2.675", "1234.5").
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(montant), std::chars_format::fixed);
    std::string text(buf, res.ptr);
    const auto point = text.find('.');
    std::string entier = point == std::string::npos ? text : text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);

    // Half to even at the second decimal, on the decimal digits themselves.
    std::string deux = (fraction + "00").substr(0, 2);
    bool plusUn = false;
    if (fraction.size() > 2) {
        const char d = fraction[2];
        const bool resteNonNul = fraction.find_first_not_of('0', 3) != std::string::npos;
        if (d > '5' || (d == '5' && resteNonNul))
            plusUn = true;
        else if (d == '5')
            plusUn = ((deux[1] - '0') % 2) == 1;
    }
    std::string chiffres = entier + deux;
    if (plusUn) {
        qsizetype i = qsizetype(chiffres.size()) - 1;
        while (i >= 0 && chiffres[size_t(i)] == '9') {
            chiffres[size_t(i)] = '0';
            --i;
        }
        if (i < 0)
            chiffres.insert(chiffres.begin(), '1');
        else
            ++chiffres[size_t(i)];
    }
    entier = chiffres.substr(0, chiffres.size() - 2);
    deux = chiffres.substr(chiffres.size() - 2);

    QString groupe;
    const qsizetype n = qsizetype(entier.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            groupe += QChar(0x202F);
        groupe += QLatin1Char(entier[size_t(i)]);
    }
    const bool zero = chiffres.find_first_not_of('0') == std::string::npos;
    QString out = (montant < 0 && !zero) ? QStringLiteral("-") : QString();
    return out + groupe + QLatin1Char(',') + QString::fromLatin1(deux.data(), 2);
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

QString pourNomDeFichier(const QString& texte)
{
    QString s = texte;
    for (QChar& c : s)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':'))
            c = QLatin1Char('-');
    return s;
}

} // namespace kv
