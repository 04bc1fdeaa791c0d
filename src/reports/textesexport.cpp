#include "textesexport.h"

#include "model/helpers.h"
#include "model/modelcontext.h"
#include "model/records.h"
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

NomsDeClients::NomsDeClients(const ModelContext* context)
{
    if (!context)
        return;
    QHash<QString, QList<Client*>> parNom;
    for (Client* c : context->fetch<Client>())
        parNom[trimBlanks(c->nom()).simplified()].append(c);
    for (const QList<Client*>& memes : std::as_const(parNom)) {
        if (memes.size() < 2)
            continue;
        const QStringList details = clientDistinctions(memes);
        for (qsizetype i = 0; i < memes.size(); ++i)
            m_distinctions.insert(memes.at(i), details.at(i));
    }
}

QString NomsDeClients::distinction(const Client* client) const
{
    return m_distinctions.value(client);
}

QString NomsDeClients::nom(const Client* client) const
{
    if (!client)
        return {};
    const QString d = distinction(client);
    return d.isEmpty() ? client->nom() : client->nom() + QStringLiteral(" (") + d + QLatin1Char(')');
}

namespace {

// "-1234,50" from the sign, the digits of the whole part and the two decimals. No thousands
// separator: a spreadsheet reads a grouped amount as text and leaves it out of its sums.
QString montantExporte(bool negatif, const QString& entier, const QString& decimales)
{
    return (negatif ? QStringLiteral("-") : QString()) + entier + QLatin1Char(',') + decimales;
}

} // namespace

QString formatMontant(double montant)
{
    if (!std::isfinite(montant))
        return QStringLiteral("0,00");
    const QString arrondi = formatDecimalHalfEven(montant, 2);
    const bool negatif = arrondi.startsWith(QLatin1Char('-'));
    const qsizetype point = arrondi.indexOf(QLatin1Char('.'));
    return montantExporte(negatif, arrondi.mid(negatif ? 1 : 0, point - (negatif ? 1 : 0)), arrondi.mid(point + 1));
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
    return montantExporte(negatif, chiffres.chopped(2), chiffres.right(2));
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
