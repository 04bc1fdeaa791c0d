#pragma once

// What the monthly report is made of: the client's rentals of a month, the two CSV texts and
// the names of the files the report is written to.

#include <QList>
#include <QLocale>
#include <QString>
#include <QTimeZone>

namespace kv {

class Client;
class LocationDeBenne;
class ModelContext;

namespace rapport {

// The client's rentals placed in the month of `moisMs` (calendar of `zone`), latest placement
// first; rentals placed at the same instant in store order. Only the placement date counts.
QList<LocationDeBenne*> locationsDuMois(const Client* client, qint64 moisMs, const QTimeZone& zone);

// The same rentals oldest first, rentals placed at the same instant keeping their given order.
QList<LocationDeBenne*> parDatePose(QList<LocationDeBenne*> locations);

// One client's file: header and one line per rental, each ending with a line feed, oldest first.
QString csvClient(const QList<LocationDeBenne*>& locations, const QTimeZone& zone);

// Every client's rentals of the month: header, then one line per rental by client name (plain
// Unicode order) then placement date, joined by line feeds. Look-alike clients are written with
// what tells them apart (see NomsDeClients), each one's rows together.
QString csvTousClients(const ModelContext* context, qint64 moisMs, const QTimeZone& zone,
                       const QLocale& locale = QLocale());

// "rapport-<client>-<mois>.csv", "rapports-<mois>.csv", "Rapport-<client>-<mois>.pdf"; a long
// client name is cut so that the name fits a file system (FileHelpers::fileName). `distinction`
// (see distinctionParmiHomonymes) follows the name in parentheses, so that look-alike clients' files differ.
QString nomFichierCSVClient(const QString& nomClient, qint64 moisMs, const QTimeZone& zone,
                            const QString& distinction = QString());
QString nomFichierCSVTousClients(qint64 moisMs, const QTimeZone& zone);
QString nomFichierPDF(const QString& nomClient, qint64 moisMs, const QTimeZone& zone,
                      const QString& distinction = QString());

// The e-mail announcing the report: subject and body.
QString sujetEmail(qint64 moisMs, const QTimeZone& zone);
QString corpsEmail(const QString& nomClient, qint64 moisMs, const QTimeZone& zone);

} // namespace rapport
} // namespace kv
