#include "storebackend.h"

#include "pgstore.h"
#include "sqlitestore.h"

namespace kv {

bool StoreBackend::isServer(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
}

std::unique_ptr<StoreBackend> StoreBackend::open(const QString& location, QString* error, OpenFailure* failure)
{
    if (isServer(location))
        return PgStore::open(location, error, failure);
    return SqliteStore::open(location, error, failure);
}

StoreBackend::Inspection StoreBackend::inspect(const QString& location)
{
    return isServer(location) ? PgStore::inspect(location) : SqliteStore::inspect(location);
}

std::nullptr_t StoreBackend::refuse(QString* error, OpenFailure* failure, OpenFailure kind, const QString& message)
{
    if (error)
        *error = message;
    if (failure)
        *failure = kind;
    return nullptr;
}

} // namespace kv
