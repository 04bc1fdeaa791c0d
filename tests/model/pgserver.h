#pragma once

#include <QString>

// A throwaway PostgreSQL server for the tests of one executable: started at first use in a
// temporary folder, reached through a Unix socket only (no TCP), run as an unprivileged user
// when the tests run as root, stopped by its process id when the tests end. Its programs come
// from `pg_config --bindir` or /usr/lib/postgresql/*/bin; scripts/install-deps installs them.
namespace pgtest {

// Starts the server if need be; false with the reason (which the case must fail with) when
// it cannot run. A durable server writes every commit to its disk as a real one does; the
// tests' does not, to stay fast.
bool start(QString* error, bool durable = false);
// Stops it (the store's server gone); start() brings it back with its databases.
void stop();

// The folder of the server's socket (the host of its locations), and the role that must give
// its password (`kPasswordRole`, password `kPassword`; every other role is trusted).
QString socketFolder();
inline constexpr char kPasswordRole[] = "avecmotdepasse";
inline constexpr char kPassword[] = "secret";

// A new empty database of the server, as a store location.
QString freshDatabase();
// Runs SQL on a database through a connection of the test's own: empty, or the server's message.
QString exec(const QString& location, const QString& sql);
// The first value of a query, or "<erreur>".
QString value(const QString& location, const QString& sql);
// Everything the database holds, as text: its tables with their rows, in a fixed order.
QByteArray dump(const QString& location);

} // namespace pgtest
