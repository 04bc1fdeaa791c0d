#include "storebackend.h"

#include "pgstore.h"
#include "sqlitestore.h"

#include <QUrl>
#include <QUrlQuery>

namespace kv {

bool StoreBackend::isServer(const QString& location)
{
    return location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
}

QString StoreBackend::shownLocation(const QString& location)
{
    if (!isServer(location))
        return location;
    QUrl url(location);
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("password"));
    url.setQuery(query);
    return url.toString(QUrl::RemovePassword);
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
