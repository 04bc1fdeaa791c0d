#include "pgstore.h"

#include <libpq-fe.h>

#include <QRandomGenerator>
#include <QSysInfo>
#include <QUrl>

#include <bit>
#include <cstring>
#include <map>
#include <set>

namespace kv {

namespace {

// The advisory lock a desk holds on the database while it is open ("KSTV").
constexpr qint64 kDeskLock = 0x4B535456;
constexpr const char* kApplication = "Kestrovan";
constexpr const char* kDeskPrefix = "Kestrovan - "; // the server keeps names in ASCII
constexpr const char* kUnreachable = "Serveur injoignable : ";
// The server counts time in microseconds from 2000-01-01; the records in milliseconds from 1970.
constexpr qint64 kEpoch2000Ms = 946684800000;
// The instants the server's timestamps hold: 4714-11-24 BC up to (not including) 294277.
constexpr qint64 kMinTimestampUs = -211813488000000000;
constexpr qint64 kEndTimestampUs = 9223371331200000000;

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

Result result(PGresult* r)
{
    return Result(r, PQclear);
}

QString message(PGconn* conn)
{
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

QString message(const PGresult* r, PGconn* conn)
{
    const char* m = r ? PQresultErrorMessage(r) : nullptr;
    return m && *m ? QString::fromUtf8(m).trimmed() : message(conn);
}

// A database's name as shown: its URL without the password.
QString shown(const QString& url)
{
    return StoreBackend::shownLocation(url);
}

std::string q(const char* name)
{
    return std::string("\"") + name + "\"";
}

void putBigEndian(QByteArray& out, quint64 v, int bytes)
{
    out.resize(bytes);
    for (int i = bytes - 1; i >= 0; --i, v >>= 8)
        out[i] = char(v & 0xFF);
}

quint64 bigEndian(const char* p, int bytes)
{
    quint64 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | quint8(p[i]);
    return v;
}

const char* sqlType(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Text:
        return "text";
    case ColumnKind::Real:
        return "double precision";
    case ColumnKind::Boolean:
        return "boolean";
    case ColumnKind::Uuid:
        return "uuid";
    case ColumnKind::Date:
        return "timestamp with time zone";
    default:
        return "bigint";
    }
}

const char* onDelete(DeleteRule rule)
{
    switch (rule) {
    case DeleteRule::Cascade:
        return "CASCADE";
    case DeleteRule::Nullify:
        return "SET NULL";
    default:
        return "NO ACTION"; // checked when the save commits, as every link is
    }
}

// A row of a COPY in binary form, its fields as they came. A field of the wrong size for its
// column's kind is refused, never read as another value.
class CopyRow final : public RowReader {
public:
    std::vector<std::pair<const char*, int>> fields; // data, length (-1: NULL)
    std::vector<const char*> names;

    bool isNull(int i) override { return fields[i].second < 0; }
    QByteArrayView text(int i) override { return QByteArrayView(fields[i].first, std::max(0, fields[i].second)); }
    double real(int i) override { return std::bit_cast<double>(fixed(i, 8)); }
    qint64 integer(int i) override { return qint64(fixed(i, 8)); }
    bool boolean(int i) override { return fixed(i, 1) != 0; }
    QUuid uuid(int i) override
    {
        if (fields[i].second != 16)
            throw StoreError(QStringLiteral("identifiant illisible"));
        return QUuid::fromRfc4122(QByteArrayView(fields[i].first, 16));
    }
    qint64 date(int i) override
    {
        const qint64 us = qint64(fixed(i, 8));
        return (us >= 0 ? us / 1000 : -((-us + 999) / 1000)) + kEpoch2000Ms;
    }
    qint64 link(int i) override { return integer(i); }

private:
    quint64 fixed(int i, int bytes)
    {
        if (fields[i].second != bytes)
            throw StoreError(QStringLiteral("« %1 » n’a pas le type attendu").arg(QString::fromLatin1(names.at(i))));
        return bigEndian(fields[i].first, bytes);
    }
};

// Reads the rows of a query through COPY in binary form.
void copyRows(PGconn* conn, const std::string& select, CopyRow& row, const std::function<void()>& each)
{
    Result started = result(PQexec(conn, ("COPY (" + select + ") TO STDOUT (FORMAT binary)").c_str()));
    if (PQresultStatus(started.get()) != PGRES_COPY_OUT)
        throw StoreError(message(started.get(), conn));
    static const char signature[] = "PGCOPY\n\377\r\n";
    std::string buffer;
    bool headerRead = false, ended = false;
    char* chunk = nullptr;
    int n;
    while ((n = PQgetCopyData(conn, &chunk, 0)) > 0) {
        buffer.append(chunk, std::size_t(n));
        PQfreemem(chunk);
        std::size_t at = 0;
        auto have = [&](std::size_t bytes) { return buffer.size() - at >= bytes; };
        if (!headerRead) {
            if (!have(19))
                continue;
            if (std::memcmp(buffer.data(), signature, 11) != 0)
                throw StoreError(QStringLiteral("réponse du serveur illisible"));
            at = 19 + std::size_t(bigEndian(buffer.data() + 15, 4));
            headerRead = true;
        }
        // Every whole tuple in the buffer; a tuple cut between two chunks waits for the next.
        while (!ended && have(2)) {
            const std::size_t start = at;
            const qint16 count = qint16(bigEndian(buffer.data() + at, 2));
            at += 2;
            if (count == -1) {
                ended = true;
                break;
            }
            row.fields.resize(std::size_t(count));
            bool whole = true;
            for (int i = 0; i < count && whole; ++i) {
                if (!have(4)) {
                    whole = false;
                    break;
                }
                const qint32 len = qint32(bigEndian(buffer.data() + at, 4));
                at += 4;
                if (len > 0 && !have(std::size_t(len))) {
                    whole = false;
                    break;
                }
                row.fields[std::size_t(i)] = {buffer.data() + at, len};
                at += len > 0 ? std::size_t(len) : 0;
            }
            if (!whole) {
                at = start;
                break;
            }
            each();
        }
        buffer.erase(0, at);
    }
    if (n == -2)
        throw StoreError(message(conn));
    Result done = result(PQgetResult(conn));
    const bool ok = PQresultStatus(done.get()) == PGRES_COMMAND_OK;
    const QString why = ok ? QString() : message(done.get(), conn);
    while (PGresult* rest = PQgetResult(conn))
        PQclear(rest);
    if (!ok)
        throw StoreError(why);
}

// Connects to the database of a URL; null with the reason when the server cannot be reached
// or refuses the connection.
PGconn* connect(const QString& url, QString* error)
{
    const QByteArray dbname = url.toUtf8();
    const QByteArray desk = (QString::fromUtf8(kDeskPrefix) + QSysInfo::machineHostName()).toUtf8();
    const char* keys[] = {"dbname", "application_name", "connect_timeout", "client_encoding", nullptr};
    const char* values[] = {dbname.constData(), desk.constData(), "5", "UTF8", nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    if (conn && PQstatus(conn) == CONNECTION_OK)
        return conn;
    if (error)
        *error = QStringLiteral("Impossible de joindre la base « %1 » : %2")
                     .arg(shown(url), conn ? message(conn) : QStringLiteral("mémoire insuffisante"));
    PQfinish(conn);
    return nullptr;
}

// The first value of a query's single row, as text; empty when there is none.
QString value(PGconn* conn, const std::string& sql)
{
    Result r = result(PQexec(conn, sql.c_str()));
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        throw StoreError(message(r.get(), conn));
    return PQntuples(r.get()) > 0 ? QString::fromUtf8(PQgetvalue(r.get(), 0, 0)) : QString();
}

// Takes the desk's lock; when another desk holds it, says which.
bool takeDeskLock(PGconn* conn, const QString& url, QString* error)
{
    if (value(conn, "SELECT pg_try_advisory_lock(" + std::to_string(kDeskLock) + ")") == QLatin1String("t"))
        return true;
    QString desk = value(conn, "SELECT a.application_name FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid "
                               "WHERE l.locktype = 'advisory' AND l.granted AND l.pid <> pg_backend_pid() "
                               "AND l.database = (SELECT oid FROM pg_database WHERE datname = current_database()) "
                               "AND l.objid = "
                               + std::to_string(kDeskLock) + " LIMIT 1");
    desk.remove(0, desk.startsWith(QString::fromUtf8(kDeskPrefix)) ? QString::fromUtf8(kDeskPrefix).size() : 0);
    if (desk.isEmpty())
        desk = QStringLiteral("poste inconnu");
    if (error)
        *error = QStringLiteral("La base « %1 » est ouverte sur un autre poste (%2).").arg(shown(url), desk);
    return false;
}

} // namespace

struct PgStore::Params final : RowWriter {
    std::vector<QByteArray> values;
    std::vector<bool> nulls;
    std::vector<const char*> names; // of the columns, by position, for messages

    QByteArray& at(int i)
    {
        if (int(values.size()) < i) {
            values.resize(std::size_t(i));
            nulls.resize(std::size_t(i));
        }
        nulls[std::size_t(i - 1)] = false;
        return values[std::size_t(i - 1)];
    }
    void null(int i) override
    {
        at(i);
        nulls[std::size_t(i - 1)] = true;
    }
    void text(int i, QByteArrayView u) override { at(i) = QByteArray(u.data(), u.size()); }
    void real(int i, double v) override { putBigEndian(at(i), std::bit_cast<quint64>(v), 8); }
    void integer(int i, qint64 v) override { putBigEndian(at(i), quint64(v), 8); }
    void boolean(int i, bool v) override { at(i) = QByteArray(1, v ? '\1' : '\0'); }
    void uuid(int i, const QUuid& v) override { at(i) = v.toRfc4122(); }
    void date(int i, qint64 ms) override
    {
        qint64 us = 0;
        if (__builtin_sub_overflow(ms, kEpoch2000Ms, &us) || __builtin_mul_overflow(us, qint64(1000), &us)
            || us < kMinTimestampUs || us >= kEndTimestampUs)
            throw StoreError(QStringLiteral("la date du champ « %1 » est hors des limites du serveur")
                                 .arg(QString::fromLatin1(i <= int(names.size()) ? names[std::size_t(i - 1)] : "?")));
        integer(i, us);
    }
    void link(int i, qint64 key) override { integer(i, key); }
};

PgStore::~PgStore()
{
    // The desk's lock is let go before the connection ends, not when the server notices it
    // ended: the desk that opens next must find it free.
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK)
        PQclear(PQexec(m_conn, "SELECT pg_advisory_unlock_all()"));
    PQfinish(m_conn);
}

void PgStore::exec(const std::string& sql)
{
    Result r = result(PQexec(m_conn, sql.c_str()));
    const ExecStatusType status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw StoreError(message(r.get(), m_conn));
}

int PgStore::run(const std::string& sql, const Params& params)
{
    auto it = m_prepared.find(sql);
    if (it == m_prepared.end()) {
        const std::string name = "k" + std::to_string(m_prepared.size());
        Result made = result(PQprepare(m_conn, name.c_str(), sql.c_str(), 0, nullptr));
        if (PQresultStatus(made.get()) != PGRES_COMMAND_OK)
            throw StoreError(message(made.get(), m_conn));
        it = m_prepared.emplace(sql, name).first;
    }
    const int n = int(params.values.size());
    const auto count = std::size_t(n);
    std::vector<const char*> values(count);
    std::vector<int> lengths(count), formats(count, 1);
    for (int i = 0; i < n; ++i) {
        values[std::size_t(i)] = params.nulls[std::size_t(i)] ? nullptr : params.values[std::size_t(i)].constData();
        lengths[std::size_t(i)] = int(params.values[std::size_t(i)].size());
    }
    Result r = result(PQexecPrepared(m_conn, it->second.c_str(), n, values.data(), lengths.data(), formats.data(), 0));
    const ExecStatusType status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw StoreError(message(r.get(), m_conn));
    return std::atoi(PQcmdTuples(r.get()));
}

PgStore::Inspection PgStore::inspectDatabase(PGconn* conn, const QString& url)
{
    Inspection out;
    auto fail = [&](OpenFailure kind, const QString& m) {
        out.failure = kind;
        out.error = m;
        return out;
    };
    try {
        const int objects = value(conn, "SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                                        "WHERE n.nspname = current_schema() AND c.relkind IN ('r','v','m','S','f','p')")
                                .toInt();
        if (objects == 0) {
            out.empty = true;
            return out;
        }
        const QString foreign = QStringLiteral("La base « %1 » n’est pas une base Kestrovan.").arg(shown(url));
        if (value(conn, "SELECT to_regclass('kestrovan') IS NOT NULL") != QLatin1String("t"))
            return fail(OpenFailure::NotAStore, foreign);
        Result r = result(PQexec(conn, "SELECT application, version FROM kestrovan"));
        if (PQresultStatus(r.get()) != PGRES_TUPLES_OK || PQntuples(r.get()) != 1 || PQnfields(r.get()) != 2
            || QString::fromUtf8(PQgetvalue(r.get(), 0, 0)) != QLatin1String(kApplication))
            return fail(OpenFailure::NotAStore, foreign);
        out.version = QString::fromUtf8(PQgetvalue(r.get(), 0, 1)).toInt();
        if (out.version > kSchemaVersion)
            return fail(OpenFailure::NewerVersion,
                        QStringLiteral("La base « %1 » a été écrite par une version plus récente de Kestrovan "
                                       "(format %2, celle-ci lit jusqu’au format %3).")
                            .arg(shown(url))
                            .arg(out.version)
                            .arg(kSchemaVersion));
        // Every table and column of the description, in its type.
        std::map<std::pair<std::string, std::string>, std::pair<std::string, bool>> found;
        Result cols = result(PQexec(conn, "SELECT table_name, column_name, data_type, is_nullable = 'NO' "
                                          "FROM information_schema.columns WHERE table_schema = current_schema()"));
        if (PQresultStatus(cols.get()) != PGRES_TUPLES_OK)
            throw StoreError(message(cols.get(), conn));
        for (int i = 0; i < PQntuples(cols.get()); ++i)
            found[{PQgetvalue(cols.get(), i, 0), PQgetvalue(cols.get(), i, 1)}] = {PQgetvalue(cols.get(), i, 2),
                                                                                   *PQgetvalue(cols.get(), i, 3) == 't'};
        auto expect = [&](const char* table, const char* column, const char* type, bool notNull) {
            const auto it = found.find({table, column});
            if (it == found.end())
                throw StoreError(QStringLiteral("la colonne « %1 » de la table « %2 » manque").arg(column, table));
            if (it->second != std::pair<std::string, bool>{type, notNull})
                throw StoreError(QStringLiteral("la colonne « %1 » de la table « %2 » n’a pas le bon type").arg(column, table));
        };
        for (const TableDef& t : StoreSchema::tables()) {
            expect(t.name, "pk", "bigint", true);
            for (const ColumnDef& c : t.columns)
                if (c.since <= out.version)
                    expect(t.name, c.name, sqlType(c.kind), !c.optional);
        }
        for (const Relationship& rel : relationships())
            if (rel.toMany)
                for (const char* c : {rel.join.sourceColumn, rel.join.targetColumn, rel.join.sourcePosition, rel.join.targetPosition})
                    if (c)
                        expect(rel.join.name, c, "bigint", true);
    } catch (const StoreError& e) {
        return fail(OpenFailure::Damaged,
                    QStringLiteral("La base « %1 » est endommagée : %2").arg(shown(url), QString::fromUtf8(e.what())));
    }
    return out;
}

PgStore::Inspection PgStore::inspect(const QString& url)
{
    Inspection out;
    PGconn* conn = connect(url, &out.error);
    if (!conn) {
        out.failure = OpenFailure::CannotOpen;
        return out;
    }
    out = inspectDatabase(conn, url);
    PQfinish(conn);
    return out;
}

PgStore::ServerCheck PgStore::check(const QString& url)
{
    using Outcome = ServerCheck::Outcome;
    ServerCheck out;
    const QByteArray dbname = url.toUtf8();
    const char* keys[] = {"dbname", "connect_timeout", "client_encoding", nullptr};
    const char* values[] = {dbname.constData(), "5", "UTF8", nullptr};
    // Whether a server answers at all, before what it says to this user and database.
    switch (PQpingParams(keys, values, 1)) {
    case PQPING_OK:
        break;
    case PQPING_NO_ATTEMPT:
        out.outcome = Outcome::Refused;
        out.detail = QStringLiteral("adresse du serveur invalide");
        return out;
    case PQPING_REJECT:
        out.detail = QStringLiteral("le serveur démarre ou s’arrête");
        return out;
    default:
        return out;
    }
    std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdbParams(keys, values, 1), PQfinish);
    if (!conn || PQstatus(conn.get()) != CONNECTION_OK) {
        out.detail = conn ? message(conn.get()) : QString();
        out.outcome = !conn                                   ? Outcome::Unreachable
                      : PQconnectionNeedsPassword(conn.get()) ? Outcome::PasswordNeeded
                      : PQconnectionUsedPassword(conn.get())  ? Outcome::PasswordRefused
                                                              : Outcome::Refused;
        return out;
    }
    const Inspection inspection = inspectDatabase(conn.get(), url);
    out.detail = inspection.error;
    switch (inspection.failure) {
    case OpenFailure::NotAStore:
        out.outcome = Outcome::NotAStore;
        return out;
    case OpenFailure::NewerVersion:
        out.outcome = Outcome::NewerVersion;
        return out;
    case OpenFailure::Damaged:
        out.outcome = Outcome::Damaged;
        return out;
    default:
        break;
    }
    if (inspection.empty) {
        out.outcome = Outcome::Empty;
        return out;
    }
    try {
        QString why;
        if (!takeDeskLock(conn.get(), url, &why)) {
            out.outcome = Outcome::OtherDesk;
            out.detail = why;
            return out;
        }
        PQclear(PQexec(conn.get(), "SELECT pg_advisory_unlock_all()"));
    } catch (const StoreError& e) {
        out.outcome = Outcome::Refused;
        out.detail = QString::fromUtf8(e.what());
        return out;
    }
    out.outcome = Outcome::Ours;
    return out;
}

bool PgStore::answers(const QString& url)
{
    const QByteArray dbname = url.toUtf8();
    const char* keys[] = {"dbname", "connect_timeout", nullptr};
    const char* values[] = {dbname.constData(), "5", nullptr};
    return PQpingParams(keys, values, 1) == PQPING_OK;
}

bool PgStore::reachable() const
{
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

std::unique_ptr<PgStore> PgStore::open(const QString& url, QString* error, OpenFailure* failure)
{
    auto fail = [&](OpenFailure kind, const QString& message) { return refuse(error, failure, kind, message); };
    std::unique_ptr<PgStore> s(new PgStore());
    s->m_url = url;
    QString why;
    s->m_conn = connect(url, &why);
    if (!s->m_conn)
        return fail(OpenFailure::CannotOpen, why);
    try {
        // Another desk is told before anything is read: one desk at a time.
        if (!takeDeskLock(s->m_conn, url, &why))
            return fail(OpenFailure::AlreadyOpen, why);
        const Inspection inspection = inspectDatabase(s->m_conn, url);
        if (inspection.failure != OpenFailure::None)
            return fail(inspection.failure, inspection.error);
        s->m_version = inspection.empty ? kSchemaVersion : inspection.version;
        if (inspection.empty)
            s->createSchema();
    } catch (const StoreError& e) {
        return fail(OpenFailure::CannotOpen, QStringLiteral("La base « %1 » ne peut pas être ouverte : %2")
                                                 .arg(shown(url), QString::fromUtf8(e.what())));
    }
    return s;
}

void PgStore::createSchema()
{
    std::string sql = "BEGIN;";
    sql += "CREATE TABLE kestrovan (application text NOT NULL, version integer NOT NULL, generation bigint NOT NULL, "
           "writer bigint NOT NULL);";
    sql += std::string("INSERT INTO kestrovan VALUES ('") + kApplication + "', " + std::to_string(kSchemaVersion) + ", 0, 0);";
    // Each value of the sequence opens a block of identifiers for one desk.
    sql += "CREATE SEQUENCE kestrovan_cle INCREMENT BY " + std::to_string(kKeyBlock) + ";";
    for (const TableDef& t : StoreSchema::tables()) {
        sql += "CREATE TABLE " + q(t.name) + " (pk bigint PRIMARY KEY";
        std::string indexes;
        for (const ColumnDef& c : t.columns) {
            sql += ", " + q(c.name) + " " + sqlType(c.kind) + (c.optional ? "" : " NOT NULL");
            if (c.kind == ColumnKind::Real)
                sql += " CHECK (" + q(c.name) + " NOT IN ('NaN', 'Infinity', '-Infinity'))";
            if (c.link) {
                // Every link is checked when its save commits: a save writes its records in
                // the order they were made, not in the order of their links.
                sql += " REFERENCES " + q(StoreSchema::table(c.link->target).name) + " (pk) ON DELETE "
                       + onDelete(c.link->onTargetDeleted) + " DEFERRABLE INITIALLY DEFERRED";
                indexes += "CREATE INDEX ON " + q(t.name) + " (" + q(c.name) + ");";
            }
        }
        if (t.hasId())
            sql += ", UNIQUE (id)";
        sql += ");" + indexes;
    }
    for (const Relationship& rel : relationships()) {
        if (!rel.toMany)
            continue;
        const JoinTable& j = rel.join;
        auto end = [](const char* column, EntityType type) {
            return q(column) + " bigint NOT NULL REFERENCES " + q(StoreSchema::table(type).name)
                   + " (pk) ON DELETE CASCADE DEFERRABLE INITIALLY DEFERRED";
        };
        sql += "CREATE TABLE " + q(j.name) + " (" + end(j.sourceColumn, rel.source) + ", "
               + end(j.targetColumn, rel.target) + ", " + q(j.sourcePosition) + " bigint NOT NULL";
        if (j.targetPosition)
            sql += ", " + q(j.targetPosition) + " bigint NOT NULL";
        sql += ");";
        sql += "CREATE INDEX ON " + q(j.name) + " (" + q(j.sourceColumn) + ");";
        sql += "CREATE INDEX ON " + q(j.name) + " (" + q(j.targetColumn) + ");";
    }
    sql += "COMMIT;";
    Result r = result(PQexec(m_conn, sql.c_str()));
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
        const QString why = message(r.get(), m_conn);
        PQclear(PQexec(m_conn, "ROLLBACK"));
        throw StoreError(why);
    }
}

bool PgStore::load(LoadedRecords& out, QString* error, OpenFailure* failure)
{
    const KeyLookup lookup{&out};
    try {
        // One snapshot for every table.
        exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        m_generation = value(m_conn, "SELECT generation FROM kestrovan").toLongLong();
        CopyRow row;
        for (const TableDef& t : StoreSchema::tables()) {
            std::string select = "SELECT pk";
            row.names = {"pk"};
            for (const ColumnDef& c : t.columns) {
                // A column added after the database's version is absent until the upgrade fills it.
                select += ", " + (c.since > m_version ? "NULL::" + std::string(sqlType(c.kind)) : q(c.name));
                row.names.push_back(c.name);
            }
            select += " FROM " + q(t.name) + " ORDER BY pk";
            copyRows(m_conn, select, row, [&] {
                if (row.fields.size() != row.names.size())
                    throw StoreError(QStringLiteral("réponse du serveur illisible"));
                StoreSchema::readRow(t, StoreSchema::make(t, row.integer(0)), row, 1, lookup, out);
            });
        }
        for (const Relationship& rel : relationships()) {
            if (!rel.toMany)
                continue;
            const JoinTable& j = rel.join;
            row.names = {j.sourceColumn, j.targetColumn, j.sourcePosition, j.targetPosition ? j.targetPosition : "0"};
            std::vector<StoreSchema::JoinRow> rows;
            copyRows(m_conn,
                     "SELECT " + q(j.sourceColumn) + ", " + q(j.targetColumn) + ", " + q(j.sourcePosition) + ", "
                         + (j.targetPosition ? q(j.targetPosition) : std::string("0::bigint")) + " FROM " + q(j.name),
                     row, [&] {
                         rows.push_back({lookup.find(rel.source, row.integer(0)), lookup.find(rel.target, row.integer(1)),
                                         row.integer(2), row.integer(3)});
                     });
            StoreSchema::fillLists(rel, rows);
        }
        exec("COMMIT");
    } catch (const std::exception& e) {
        PQclear(PQexec(m_conn, "ROLLBACK"));
        out.byType = {};
        out.pks = {};
        // A connection lost while reading says nothing of the database.
        const bool lost = PQstatus(m_conn) != CONNECTION_OK;
        if (error)
            *error = (lost ? QStringLiteral("La base « %1 » n’a pas pu être lue : %2")
                           : QStringLiteral("La base « %1 » est endommagée : %2"))
                         .arg(shown(m_url), QString::fromUtf8(e.what()));
        if (failure)
            *failure = lost ? OpenFailure::CannotOpen : OpenFailure::Damaged;
        return false;
    }
    StoreSchema::reportUnknownStates(out);
    return true;
}

bool PgStore::finishOpening(LoadedRecords& loaded, QString* error)
{
    if (m_version >= kSchemaVersion)
        return true;
    // A database of an earlier version is brought up to date in place, in one transaction:
    // cut short, it is left as it was.
    try {
        exec("BEGIN");
        try {
            for (const TableDef& t : StoreSchema::tables())
                for (const ColumnDef& c : t.columns)
                    if (c.since > m_version)
                        exec("ALTER TABLE " + q(t.name) + " ADD COLUMN " + q(c.name) + " " + sqlType(c.kind));
            for (const RecordChange& c : StoreSchema::upgradeRecords(loaded, m_version))
                writeChange(c);
            exec("UPDATE kestrovan SET version = " + std::to_string(kSchemaVersion));
            exec("COMMIT");
        } catch (...) {
            PQclear(PQexec(m_conn, "ROLLBACK"));
            throw;
        }
    } catch (const std::exception& e) {
        if (error)
            *error = QStringLiteral("La base « %1 » n’a pas pu être mise à jour : %2").arg(shown(m_url), QString::fromUtf8(e.what()));
        return false;
    }
    m_version = kSchemaVersion;
    return true;
}

void PgStore::writeChange(const RecordChange& c)
{
    const TableDef& t = StoreSchema::table(c.record->entityType());
    const qint64 key = c.record->persistentModelID();
    const int n = int(t.columns.size());
    Params p;
    if (c.kind == RecordChange::Delete) {
        p.integer(1, key);
        run("DELETE FROM " + q(t.name) + " WHERE pk = $1", p);
        return;
    }
    StoreSchema::checkLinks(t, c.record);
    if (c.kind == RecordChange::Insert) {
        // A save retried after its commit went unanswered writes its records again: the same
        // record is then written over, never doubled.
        std::string cols = "pk", marks = "$1", sets;
        p.names = {"pk"};
        p.integer(1, key);
        for (int i = 0; i < n; ++i) {
            cols += ", " + q(t.columns[i].name);
            marks += ", $" + std::to_string(i + 2);
            sets += (i ? ", " : "") + q(t.columns[i].name) + " = EXCLUDED." + q(t.columns[i].name);
            p.names.push_back(t.columns[i].name);
        }
        for (int i = 0; i < n; ++i)
            t.columns[i].write(c.record, p, i + 2);
        run("INSERT INTO " + q(t.name) + " (" + cols + ") VALUES (" + marks + ") ON CONFLICT (pk) DO UPDATE SET " + sets, p);
        return;
    }
    // A change writes the columns that changed, nothing else.
    std::string sets;
    int at = 0;
    for (int i = 0; i < n; ++i) {
        if (c.before && t.columns[i].same(c.record, c.before))
            continue;
        ++at;
        sets += (sets.empty() ? "" : ", ") + q(t.columns[i].name) + " = $" + std::to_string(at);
        p.names.push_back(t.columns[i].name);
        t.columns[i].write(c.record, p, at);
    }
    if (at == 0)
        return;
    p.integer(at + 1, key);
    run("UPDATE " + q(t.name) + " SET " + sets + " WHERE pk = $" + std::to_string(at + 1), p);
}

void PgStore::reconnect()
{
    if (PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) == PQTRANS_IDLE)
        return;
    PQreset(m_conn);
    m_prepared.clear();
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw StoreError(QLatin1String(kUnreachable) + message(m_conn));
    QString why;
    if (!takeDeskLock(m_conn, m_url, &why))
        throw StoreError(why);
}

bool PgStore::reserveKeys(qint64& next, qint64& end, QString* error)
{
    try {
        reconnect();
        qint64 first = value(m_conn, "SELECT nextval('kestrovan_cle')").toLongLong();
        if (first < next) {
            // Records written without the sequence (a copy of a local store): it starts again
            // above them.
            first = value(m_conn, "SELECT setval('kestrovan_cle', " + std::to_string(next) + ")").toLongLong();
        }
        next = first;
        end = first + kKeyBlock;
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

bool PgStore::write(const ChangeSet& changes, QString* error)
{
    try {
        reconnect();
        try {
            exec("BEGIN");
        } catch (const StoreError&) {
            // The server went away since the last save: its connection is seen lost only now.
            if (PQstatus(m_conn) == CONNECTION_OK)
                throw;
            reconnect();
            exec("BEGIN");
        }
        try {
            // Anyone else who wrote since this desk last read or wrote the database: what is
            // pending was made on records that may no longer be those of the database.
            // A save whose commit went unanswered may have been written: it was if the database
            // is one save further on, by this save's mark.
            Params g;
            g.integer(1, m_generation);
            if (m_inDoubt
                && value(m_conn, "SELECT generation = " + std::to_string(m_generation + 1) + " AND writer = "
                                     + std::to_string(m_inDoubt) + " FROM kestrovan")
                       == QLatin1String("t"))
                ++m_generation;
            m_inDoubt = 0;
            const qint64 mark = qint64(QRandomGenerator::global()->generate64() >> 1) | 1;
            g.integer(2, mark);
            if (run("UPDATE kestrovan SET generation = generation + 1, writer = $2 WHERE generation = $1", g) != 1)
                throw StoreError(QStringLiteral("La base a été modifiée par un autre poste"));
            StoreSchema::inWriteOrder(changes, [this](const RecordChange& c, qsizetype done) {
                writeChange(c);
                wrote(done);
            });
            for (const Relationship& rel : relationships()) {
                if (!rel.toMany)
                    continue;
                const JoinTable& j = rel.join;
                const StoreSchema::JoinPlan plan = StoreSchema::planJoin(rel, changes);
                for (auto [keys, column] : {std::pair{&plan.deleteBySource, j.sourceColumn}, std::pair{&plan.deleteByTarget, j.targetColumn}})
                    for (qint64 key : *keys) {
                        Params p;
                        p.integer(1, key);
                        run("DELETE FROM " + q(j.name) + " WHERE " + q(column) + " = $1", p);
                    }
                std::string insert = "INSERT INTO " + q(j.name) + " (" + q(j.sourceColumn) + ", " + q(j.targetColumn)
                                     + ", " + q(j.sourcePosition);
                insert += j.targetPosition ? ", " + q(j.targetPosition) + ") VALUES ($1, $2, $3, $4)" : ") VALUES ($1, $2, $3)";
                for (const StoreSchema::JoinRow& row : plan.rows) {
                    Params p;
                    p.integer(1, row.source->persistentModelID());
                    p.integer(2, row.target->persistentModelID());
                    p.integer(3, row.sourcePos);
                    if (j.targetPosition)
                        p.integer(4, row.targetPos);
                    run(insert, p);
                }
            }
            try {
                exec("COMMIT");
            } catch (...) {
                if (PQstatus(m_conn) != CONNECTION_OK)
                    m_inDoubt = mark;
                throw;
            }
            ++m_generation;
        } catch (...) {
            PQclear(PQexec(m_conn, "ROLLBACK"));
            throw;
        }
    } catch (const std::exception& e) {
        if (error) {
            *error = QString::fromUtf8(e.what());
            if (PQstatus(m_conn) != CONNECTION_OK && !error->startsWith(QLatin1String(kUnreachable)))
                *error = QLatin1String(kUnreachable) + *error;
        }
        return false;
    }
    return true;
}

} // namespace kv
