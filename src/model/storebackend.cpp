#include "storebackend.h"

#include "sqlitestore.h"

namespace kv {

bool StoreBackend::isServer(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
}

std::unique_ptr<StoreBackend> StoreBackend::open(const QString& location, QString* error, OpenFailure* failure)
{
    return SqliteStore::open(location, error, failure);
}

StoreBackend::Inspection StoreBackend::inspect(const QString& location)
{
    return SqliteStore::inspect(location);
}

} // namespace kv
