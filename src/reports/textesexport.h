#pragma once

// Texts shared by the three CSV files and the report: cleaned text fields, amounts, dates and
// month windows computed on stored milliseconds, and safe file names.

#include "model/daywindow.h"

#include <QHash>
#include <QLocale>
#include <QString>
#include <QTimeZone>

#include <optional>

namespace kv {

class Client;
class LocationDeBenne;
class ModelContext;

// Clients as exports and file names write them. A name that several clients of the store share
// (blanks aside) comes with what tells each of them apart, as the pickers show it (the town,
// else the phone…, see clientDistinctions); a name of its own comes alone.
class NomsDeClients {
public:
    explicit NomsDeClients(const ModelContext* context);
    // What tells the client from its look-alikes; empty when no other client has its name.
    QString distinction(const Client* client) const;
    // "Bernard Démolition (Lyon)" for a look-alike, else the name alone.
    QString nom(const Client* client) const;

private:
    QHash<const Client*, QString> m_distinctions;
};

// A text field of a CSV line: ";" becomes ",", each line break (CR LF, CR, LF, U+0085, U+2028,
// U+2029) one space; a field then beginning with "=", "+", "-", "@" or a tab gets a leading "'"
// so that a spreadsheet never reads it as a formula.
QString champCSV(const QString& texte);

// An amount as exported files write it, for a French spreadsheet to read as a number: the
// shortest decimal text of the number rounded half to even at the second decimal (2.675 →
// "2,68", 0.125 → "0,12"), a decimal comma, exactly two decimals and no thousands separator
// ("1234,50"). A number that is not finite gives "0,00".
QString formatMontant(double montant);

// The amount formatMontant prints, in whole cents: 0 when it is not finite; none when it does
// not fit 64 bits.
std::optional<qint64> centimes(double montant);
// The text of formatMontant for an amount in cents, exact at any size.
QString formatCentimes(qint64 centimes);

// The calendar day of an instant in a time zone.
QDate jourDansZone(qint64 ms, const QTimeZone& zone);

// "yyyy-MM-dd" of an instant's calendar day in a time zone.
QString jourISO(qint64 ms, const QTimeZone& zone);

// Start of a calendar day in a zone (the first instant that exists on that day), in ms.
qint64 debutDuJourMs(const QDate& jour, const QTimeZone& zone);
// Last millisecond of a calendar day in a zone.
qint64 finDuJourMs(const QDate& jour, const QTimeZone& zone);

// The month holding an instant, as a half-open window of stored milliseconds.
DayWindow fenetreMois(qint64 instantMs, const QTimeZone& zone);

// "janv. 2025": abbreviated month name and year of the instant's month.
QString libelleMois(qint64 instantMs, const QTimeZone& zone, const QLocale& locale = QLocale());
// "5 janv.": day of the month and abbreviated month name.
QString jourCourt(qint64 ms, const QTimeZone& zone, const QLocale& locale = QLocale());

// A skip's whole volume and " m³" ("7 m³" for 7.5), "—" when it has no whole value.
QString texteVolumeM3(double volume);
// The whole volume as a CSV field; empty when it has no whole value.
QString champVolume(double volume);

} // namespace kv
