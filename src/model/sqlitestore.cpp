#include "sqlitestore.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <map>
#include <string>
#include <thread>
#include <tuple>

namespace kv {

namespace {

QString sqliteMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Every binding is checked: a value that could not be bound (no memory) must fail the save,
// never leave NULL in its place.
void bound(int rc)
{
    if (rc != SQLITE_OK)
        throw StoreError(QString::fromUtf8(sqlite3_errstr(rc)));
}

// A row of a statement being written.
class StatementWriter final : public RowWriter {
public:
    explicit StatementWriter(sqlite3_stmt* st) : m_st(st) {}
    void null(int i) override { bound(sqlite3_bind_null(m_st, i)); }
    void text(int i, QByteArrayView u) override
    {
        bound(sqlite3_bind_text(m_st, i, u.empty() ? "" : u.data(), int(u.size()), SQLITE_TRANSIENT));
    }
    void real(int i, double v) override { bound(sqlite3_bind_double(m_st, i, v)); }
    void integer(int i, qint64 v) override { bound(sqlite3_bind_int64(m_st, i, v)); }
    void boolean(int i, bool v) override { bound(sqlite3_bind_int(m_st, i, v ? 1 : 0)); }
    void uuid(int i, const QUuid& v) override
    {
        const QByteArray b = v.toRfc4122();
        bound(sqlite3_bind_blob(m_st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT));
    }
    void date(int i, qint64 ms) override { integer(i, ms); }
    void link(int i, qint64 key) override { integer(i, key); }

private:
    sqlite3_stmt* m_st;
};

// A row of a statement being read. SQLite keeps any value in any column: a value that is not
// of the column's kind is refused here, never read as one by conversion.
class StatementReader final : public RowReader {
public:
    explicit StatementReader(sqlite3_stmt* st) : m_st(st) {}
    bool isNull(int i) override { return sqlite3_column_type(m_st, i) == SQLITE_NULL; }
    QByteArrayView text(int i) override
    {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(m_st, i));
        return p ? QByteArrayView(p, sqlite3_column_bytes(m_st, i)) : QByteArrayView("", 0);
    }
    double real(int i) override
    {
        const int type = sqlite3_column_type(m_st, i);
        if (type != SQLITE_FLOAT && type != SQLITE_INTEGER)
            throw StoreError(QStringLiteral("« %1 » n’est pas un nombre fini").arg(name(i)));
        return sqlite3_column_double(m_st, i);
    }
    qint64 integer(int i) override
    {
        if (sqlite3_column_type(m_st, i) != SQLITE_INTEGER)
            throw StoreError(QStringLiteral("« %1 » n’est pas un entier").arg(name(i)));
        return sqlite3_column_int64(m_st, i);
    }
    bool boolean(int i) override { return integer(i) != 0; }
    QUuid uuid(int i) override
    {
        const int n = sqlite3_column_bytes(m_st, i);
        const char* p = static_cast<const char*>(sqlite3_column_blob(m_st, i));
        if (n != 16 || !p)
            throw StoreError(QStringLiteral("identifiant illisible"));
        return QUuid::fromRfc4122(QByteArrayView(p, n));
    }
    qint64 date(int i) override { return integer(i); }
    qint64 link(int i) override { return integer(i); }

private:
    QString name(int i) const { return QString::fromUtf8(sqlite3_column_name(m_st, i)); }
    sqlite3_stmt* m_st;
};

// The declared type of a column, as every store of this format declares it.
std::string columnType(const ColumnDef& c)
{
    std::string type;
    switch (c.kind) {
    case ColumnKind::Text:
        type = "TEXT";
        break;
    case ColumnKind::Real:
        type = "REAL";
        break;
    case ColumnKind::Uuid:
        type = "BLOB";
        break;
    default:
        type = "INTEGER";
        break;
    }
    return c.optional ? type : type + " NOT NULL";
}

std::string quoted(const char* name)
{
    return std::string("\"") + name + "\"";
}

} // namespace

SqliteStore::~SqliteStore()
{
    finalizeStatements();
}

void SqliteStore::exec(const char* sql)
{
    char* msg = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        const QString m = msg ? QString::fromUtf8(msg) : sqliteMessage(m_db);
        sqlite3_free(msg);
        throw StoreError(m);
    }
}

sqlite3_stmt* SqliteStore::statement(const std::string& sql)
{
    auto it = m_statements.find(sql);
    if (it != m_statements.end())
        return it->second;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v3(m_db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK
        || !st) {
        sqlite3_finalize(st);
        throw StoreError(sqliteMessage(m_db));
    }
    m_statements.emplace(sql, st);
    return st;
}

void SqliteStore::finalizeStatements()
{
    for (auto& [sql, st] : m_statements)
        sqlite3_finalize(st);
    m_statements.clear();
}

namespace {

using Connection = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

// Double-quoted unknown names would read as strings: a missing column must be an error.
void strictIdentifiers(sqlite3* db)
{
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, static_cast<int*>(nullptr));
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, static_cast<int*>(nullptr));
}

// An error of the system (input/output, space, permissions) rather than of the file's content.
bool isSystemError(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_FULL:
    case SQLITE_READONLY:
    case SQLITE_NOMEM:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_AUTH:
        return true;
    default:
        return false;
    }
}

QString systemText(sqlite3* db, int rc)
{
    QString text = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    if (db && sqlite3_system_errno(db) != 0)
        text += QStringLiteral(" (") + qt_error_string(sqlite3_system_errno(db)) + QLatin1Char(')');
    return text;
}

struct SchemaObject {
    std::string type;  // "table" or "index"
    std::string table; // the table an index belongs to
    // Tables: name → (declared type, not null, part of the primary key).
    std::map<std::string, std::tuple<std::string, bool, bool>> columns;
};

// Splits "TEXT NOT NULL" into its type and its constraint.
std::pair<std::string, bool> typeOf(const std::string& t)
{
    const auto space = t.find(' ');
    return {t.substr(0, space), t.find("NOT NULL") != std::string::npos};
}

} // namespace

// Every object of a store of the format `version`: its tables with their columns, their indexes.
static std::map<std::string, SchemaObject> expectedSchema(const std::vector<TableDef>& tables, int version)
{
    std::map<std::string, SchemaObject> out;
    for (const TableDef& t : tables) {
        SchemaObject table{"table", t.name, {}};
        table.columns["pk"] = {"INTEGER", false, true};
        for (const ColumnDef& c : t.columns) {
            if (c.since > version)
                continue;
            const auto [type, notNull] = typeOf(columnType(c));
            table.columns[c.name] = {type, notNull, false};
        }
        out[t.name] = table;
        if (t.hasId())
            out[std::string(t.name) + "_id"] = {"index", t.name, {}};
    }
    for (const Relationship& rel : relationships()) {
        if (!rel.toMany)
            continue;
        const JoinTable& j = rel.join;
        SchemaObject table{"table", j.name, {}};
        for (const char* c : {j.sourceColumn, j.targetColumn, j.sourcePosition, j.targetPosition})
            if (c)
                table.columns[c] = {"INTEGER", true, false};
        out[j.name] = table;
        out[j.sourceIndex] = {"index", j.name, {}};
        if (j.targetIndex)
            out[j.targetIndex] = {"index", j.name, {}};
    }
    return out;
}

// What is read while a store opens: the read-only connection of its inspection, which the load
// reads through; the check of its pages, running beside on a connection of its own; and, when
// the write-ahead log needed recovery, the connection that recovered it, kept open so that the
// recovered index stays in use.
struct SqliteStore::Opening {
    Connection reader{nullptr, sqlite3_close};
    Connection recovery{nullptr, sqlite3_close};
    std::thread check;
    Inspection checkResult;

    ~Opening()
    {
        if (check.joinable())
            check.join();
    }
};

SqliteStore::SqliteStore() = default;

namespace {

// Messages of the inspection, each naming the file.
struct Verdicts {
    QString path;
    SqliteStore::Inspection& result;
    SqliteStore::Inspection fail(OpenFailure kind, const QString& message)
    {
        result.failure = kind;
        result.error = message;
        return result;
    }
    SqliteStore::Inspection damaged(const QString& why)
    {
        return fail(OpenFailure::Damaged, QStringLiteral("Le magasin de données « %1 » est endommagé : %2").arg(path, why));
    }
    SqliteStore::Inspection foreign()
    {
        return fail(OpenFailure::NotAStore, QStringLiteral("« %1 » n’est pas un magasin de données Kestrovan.").arg(path));
    }
    SqliteStore::Inspection unreadable(const QString& why)
    {
        return fail(OpenFailure::CannotOpen, QStringLiteral("Impossible de lire « %1 » : %2").arg(path, why));
    }
};

// Runs a query; `row` sees each row. Returns the SQLite code of the failure, or SQLITE_OK.
int query(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& row)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        row(st);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// A read-only connection that reads the file through a memory map rather than copying it page
// by page. Null, with SQLite's code in `rc`, when it cannot be opened. Each reader is used by one
// thread only (the load, or the page check beside it), so it goes without SQLite's lock on every
// call: that lock alone made opening a large store a third slower.
Connection openReader(const QString& path, int* rc)
{
    sqlite3* raw = nullptr;
    *rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection db(raw, sqlite3_close);
    if (raw)
        sqlite3_extended_result_codes(raw, 1);
    if (*rc != SQLITE_OK)
        return db;
    strictIdentifiers(raw);
    sqlite3_busy_timeout(raw, 2000);
    sqlite3_exec(raw, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    return db;
}

} // namespace

SqliteStore::Inspection SqliteStore::inspect(const QString& path)
{
    Opening opening;
    Inspection result = inspectStructure(path, opening);
    if (result.failure != OpenFailure::None || result.empty)
        return result;
    const Inspection pages = checkPages(path);
    if (pages.failure != OpenFailure::None)
        return pages;
    return result;
}

namespace {

// True when a rollback journal beside the file says that the file was empty when the save it
// journals began: everything in the file was written by that save, so rolling it back takes
// nothing from anyone. (The journal's header: its magic number, then at byte 16 the size of the
// file in pages before the save.)
bool journalStartedEmpty(const QString& path)
{
    QFile journal(path + QStringLiteral("-journal"));
    if (!journal.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray header = journal.read(28);
    static const QByteArray magic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    return header.size() == 28 && header.startsWith(magic) && header.mid(16, 4) == QByteArray(4, '\0');
}

// A save cut short in rollback-journal mode leaves a hot journal, which a reader cannot play
// back. A writing connection plays it back as SQLite does for any opener: the file is restored
// as it was before the cut save, nothing is added. The connection is closed at once: the file
// is inspected again from its first byte.
int rollBackHotJournal(const QString& path, QString* error)
{
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Connection rw(raw, sqlite3_close);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(raw, 1);
        // Closing must not write a log back into a file not yet found sound.
        sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, static_cast<int*>(nullptr));
        sqlite3_busy_timeout(raw, 2000);
        rc = query(raw, "SELECT count(*) FROM sqlite_master", [](sqlite3_stmt*) {});
    }
    if (rc != SQLITE_OK)
        *error = systemText(raw, rc);
    return rc;
}

} // namespace

SqliteStore::Inspection SqliteStore::inspectStructure(const QString& path, Opening& opening, bool mayRollBack)
{
    Inspection result;
    Verdicts verdict{path, result};
    const QFileInfo info(path);
    if (path == QLatin1String(":memory:") || !info.exists()) {
        result.empty = true;
        return result;
    }
    // A folder, a pipe or a device in the store's place is no file to read: SQLite would wait
    // forever on a pipe.
    if (!info.isFile())
        return verdict.unreadable(QStringLiteral("ce n’est pas un fichier ordinaire"));

    // The header as bytes first: only a file that does not start as SQLite's, or whose
    // application identifier is not ours, is foreign.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return verdict.unreadable(file.errorString());
    const QByteArray header = file.read(100);
    if (header.size() < 100 && file.error() != QFileDevice::NoError)
        return verdict.unreadable(file.errorString());
    file.close();
    static const QByteArray magic("SQLite format 3\0", 16);
    // The first save of a new store, cut short, may have left anything in the file: its
    // journal, which says so, decides.
    const bool cutFirstSave = mayRollBack && !header.isEmpty() && journalStartedEmpty(path);
    if (!header.isEmpty() && !magic.startsWith(header.left(16)) && !cutFirstSave)
        return verdict.foreign();
    if (!header.isEmpty() && header.size() < 100 && !cutFirstSave)
        return verdict.damaged(QStringLiteral("fichier tronqué (%1 octets)").arg(header.size()));
    auto bigEndian = [&header](int at) {
        return qint32((quint32(quint8(header[at])) << 24) | (quint32(quint8(header[at + 1])) << 16)
                      | (quint32(quint8(header[at + 2])) << 8) | quint32(quint8(header[at + 3])));
    };
    const bool oursByHeader = header.size() == 100 && bigEndian(68) == kApplicationId;

    // Then through a read-only connection, which never writes the file nor its journal.
    int appId = 0, version = 0, objects = 0;
    for (int attempt = 0;; ++attempt) {
        int rc = SQLITE_OK;
        opening.reader = openReader(path, &rc);
        sqlite3* raw = opening.reader.get();
        if (rc == SQLITE_OK) {
            for (auto [sql, out] : {std::pair{"PRAGMA application_id", &appId}, std::pair{"PRAGMA user_version", &version},
                                    std::pair{"SELECT count(*) FROM sqlite_master", &objects}}) {
                rc = query(raw, sql, [out](sqlite3_stmt* st) { *out = sqlite3_column_int(st, 0); });
                if (rc != SQLITE_OK)
                    break;
            }
        }
        if (rc == SQLITE_OK)
            break;
        if (rc == SQLITE_READONLY_ROLLBACK) {
            opening.reader.reset();
            if (!mayRollBack || !(oursByHeader || cutFirstSave))
                return verdict.foreign(); // nothing of it is ours to play back
            QString why;
            if (rollBackHotJournal(path, &why) != SQLITE_OK)
                return verdict.unreadable(why);
            return inspectStructure(path, opening, false);
        }
        // A write-ahead log left by a crash, with its index missing or stale, cannot be
        // recovered by a reader. For a store of ours, a writing connection recovers it (this
        // rebuilds the index and changes no data) and stays open while the file is read.
        const bool needsRecovery = rc == SQLITE_READONLY_RECOVERY || rc == SQLITE_READONLY_CANTINIT;
        if (needsRecovery && oursByHeader && attempt == 0) {
            opening.reader.reset();
            sqlite3* rw = nullptr;
            const int openRc = sqlite3_open_v2(path.toUtf8().constData(), &rw, SQLITE_OPEN_READWRITE, nullptr);
            opening.recovery = Connection(rw, sqlite3_close);
            if (openRc == SQLITE_OK) {
                // Closing must not write the log back into a file not yet found sound.
                sqlite3_db_config(rw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, static_cast<int*>(nullptr));
                sqlite3_busy_timeout(rw, 2000);
                if (query(rw, "SELECT count(*) FROM sqlite_master", [](sqlite3_stmt*) {}) == SQLITE_OK)
                    continue;
            }
            return verdict.unreadable(systemText(rw, openRc == SQLITE_OK ? sqlite3_errcode(rw) : openRc));
        }
        if (!raw || isSystemError(rc))
            return verdict.unreadable(systemText(raw, rc));
        if (oursByHeader)
            return verdict.damaged(QString::fromUtf8(sqlite3_errmsg(raw)));
        return verdict.foreign();
    }
    sqlite3* raw = opening.reader.get();
    auto contentFailure = [&](int rc) {
        if (isSystemError(rc))
            return verdict.unreadable(systemText(raw, rc));
        if (oursByHeader)
            return verdict.damaged(QString::fromUtf8(sqlite3_errmsg(raw)));
        return verdict.foreign();
    };
    // Nothing in it yet: a new store, or one whose first save was cut before its schema.
    if ((appId == 0 || appId == kApplicationId) && version == 0 && objects == 0) {
        result.empty = true;
        return result;
    }
    if (appId != kApplicationId)
        return verdict.foreign();
    if (version > kSchemaVersion)
        return verdict.fail(OpenFailure::NewerVersion,
                            QStringLiteral("« %1 » a été écrit par une version plus récente de Kestrovan "
                                           "(format %2, celle-ci lit jusqu’au format %3).")
                                .arg(path)
                                .arg(version)
                                .arg(kSchemaVersion));
    result.version = version;

    // Every object is ours and as we made it: no view, trigger or stranger in place of a table.
    const std::map<std::string, SchemaObject> expected = expectedSchema(StoreSchema::tables(), version);
    std::map<std::string, SchemaObject> found;
    int rc = query(raw, "SELECT type, name, tbl_name FROM sqlite_master", [&](sqlite3_stmt* st) {
        auto text = [st](int i) {
            const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            return std::string(p ? p : "");
        };
        const std::string name = text(1);
        if (name.rfind("sqlite_", 0) == 0)
            return; // SQLite's own
        found[name] = {text(0), text(2), {}};
    });
    if (rc != SQLITE_OK)
        return contentFailure(rc);
    if (version >= 1) {
        for (const auto& [name, object] : found) {
            const auto it = expected.find(name);
            if (it == expected.end() || it->second.type != object.type || it->second.table != object.table)
                return verdict.damaged(QStringLiteral("objet inattendu « %1 » (%2)")
                                           .arg(QString::fromStdString(name), QString::fromStdString(object.type)));
        }
        for (const auto& [name, object] : expected) {
            if (!found.count(name))
                return verdict.damaged(QStringLiteral("« %1 » manque").arg(QString::fromStdString(name)));
            if (object.type != "table")
                continue;
            std::map<std::string, std::tuple<std::string, bool, bool>> columns;
            rc = query(raw, "PRAGMA table_info(\"" + name + "\")", [&](sqlite3_stmt* st) {
                const char* n = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
                const char* t = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
                columns[n ? n : ""] = {t ? t : "", sqlite3_column_int(st, 3) != 0, sqlite3_column_int(st, 5) != 0};
            });
            if (rc != SQLITE_OK)
                return contentFailure(rc);
            for (const auto& [column, shape] : object.columns) {
                const auto c = columns.find(column);
                if (c == columns.end())
                    return verdict.damaged(QStringLiteral("la colonne « %1 » de la table « %2 » manque")
                                               .arg(QString::fromStdString(column), QString::fromStdString(name)));
                if (c->second != shape)
                    return verdict.damaged(QStringLiteral("la colonne « %1 » de la table « %2 » n’a pas le bon type")
                                               .arg(QString::fromStdString(column), QString::fromStdString(name)));
            }
            if (columns.size() != object.columns.size())
                return verdict.damaged(
                    QStringLiteral("la table « %1 » a des colonnes inconnues").arg(QString::fromStdString(name)));
        }
    }
    return result;
}

SqliteStore::Inspection SqliteStore::checkPages(const QString& path)
{
    Inspection result;
    Verdicts verdict{path, result};
    int rc = SQLITE_OK;
    Connection db = openReader(path, &rc);
    if (rc != SQLITE_OK)
        return verdict.unreadable(systemText(db.get(), rc));
    QStringList faults;
    rc = query(db.get(), "PRAGMA quick_check(5)", [&](sqlite3_stmt* st) {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        faults << QString::fromUtf8(p ? p : "");
    });
    if (rc != SQLITE_OK) {
        if (isSystemError(rc))
            return verdict.unreadable(systemText(db.get(), rc));
        return verdict.damaged(QString::fromUtf8(sqlite3_errmsg(db.get())));
    }
    if (faults != QStringList{QStringLiteral("ok")})
        return verdict.damaged(faults.join(QStringLiteral(" ; ")));
    return result;
}

bool SqliteStore::openConnection(bool create, QString* error)
{
    finalizeStatements();
    m_database.reset();
    m_db = nullptr;
    try {
        int flags = SQLite::OPEN_READWRITE;
        if (create)
            flags |= SQLite::OPEN_CREATE;
        m_database = std::make_unique<SQLite::Database>(m_path.toStdString(), flags);
        m_db = m_database->getHandle();
    } catch (const SQLite::Exception& e) {
        if (error)
            *error = QStringLiteral("Impossible d’ouvrir « %1 » : %2").arg(m_path, QString::fromUtf8(e.what()));
        return false;
    }
    sqlite3_busy_timeout(m_db, 2000);
    strictIdentifiers(m_db);
    if (m_opening)
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, static_cast<int*>(nullptr));
    if (m_path != QLatin1String(":memory:")) {
        // An acknowledged save survives a power cut.
        sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        if (sqlite3_db_readonly(m_db, "main") == 1) {
            if (error)
                *error = QStringLiteral("Le magasin de données « %1 » ne peut pas être écrit : le fichier est en "
                                        "lecture seule.")
                             .arg(m_path);
            return false;
        }
    }
    m_dataVersion = dataVersion();
    return true;
}

qint64 SqliteStore::dataVersion()
{
    qint64 version = -1;
    if (query(m_db, "PRAGMA data_version", [&](sqlite3_stmt* st) { version = sqlite3_column_int64(st, 0); }) != SQLITE_OK)
        throw StoreError(sqliteMessage(m_db));
    return version;
}

std::unique_ptr<SqliteStore> SqliteStore::open(const QString& path, QString* error, OpenFailure* failure)
{
    auto fail = [&](OpenFailure kind, const QString& message) { return refuse(error, failure, kind, message); };
    std::unique_ptr<SqliteStore> f(new SqliteStore());
    f->m_path = path;
    f->m_opening = std::make_unique<Opening>();
    // Nothing is written to a file before it is known to be a sound store of ours.
    const Inspection inspection = inspectStructure(path, *f->m_opening);
    if (inspection.failure != OpenFailure::None)
        return fail(inspection.failure, inspection.error);
    f->m_isNew = inspection.empty;
    f->m_fileVersion = inspection.empty ? kSchemaVersion : inspection.version;
    if (!inspection.empty) {
        // The pages are checked while the records are read.
        Opening* opening = f->m_opening.get();
        opening->check = std::thread([opening, path] { opening->checkResult = checkPages(path); });
        return f;
    }
    f->m_opening.reset();
    QString message;
    if (!f->openConnection(true, &message))
        return fail(OpenFailure::CannotOpen, message);
    try {
        if (path != QLatin1String(":memory:")) {
            // The first save writes the schema through the write-ahead log, as every later save
            // does: cut short, it leaves the file as it was. Only the two steps before it go
            // through a rollback journal, each on the first page alone, which is marked ours
            // first: whatever a cut leaves, the next opening plays it back.
            f->exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
            f->exec("PRAGMA journal_mode=WAL");
        }
        f->createSchema();
    } catch (const std::exception& e) {
        return fail(OpenFailure::CannotOpen,
                    QStringLiteral("Impossible de créer « %1 » : %2").arg(path, QString::fromUtf8(e.what())));
    }
    return f;
}

void SqliteStore::createSchema()
{
    std::string sql = "BEGIN;";
    for (const TableDef& t : StoreSchema::tables()) {
        sql += "CREATE TABLE \"" + std::string(t.name) + "\" (pk INTEGER PRIMARY KEY";
        for (const ColumnDef& c : t.columns)
            sql += ", " + quoted(c.name) + " " + columnType(c);
        sql += ");";
        if (t.hasId())
            sql += "CREATE UNIQUE INDEX \"" + std::string(t.name) + "_id\" ON \"" + t.name + "\"(id);";
    }
    for (const Relationship& rel : relationships()) {
        if (!rel.toMany)
            continue;
        const JoinTable& j = rel.join;
        sql += std::string("CREATE TABLE ") + j.name + " (" + j.sourceColumn + " INTEGER NOT NULL, " + j.targetColumn
               + " INTEGER NOT NULL, " + j.sourcePosition + " INTEGER NOT NULL";
        if (j.targetPosition)
            sql += std::string(", ") + j.targetPosition + " INTEGER NOT NULL";
        sql += ");";
        sql += std::string("CREATE INDEX ") + j.sourceIndex + " ON " + j.name + "(" + j.sourceColumn + ");";
        if (j.targetIndex)
            sql += std::string("CREATE INDEX ") + j.targetIndex + " ON " + j.name + "(" + j.targetColumn + ");";
    }
    sql += "PRAGMA application_id = " + std::to_string(kApplicationId) + ";";
    sql += "PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
    sql += "COMMIT;";
    exec(sql.c_str());
}

bool SqliteStore::load(LoadedRecords& out, QString* error, OpenFailure* failure)
{
    const KeyLookup lookup{&out};
    sqlite3* const db = m_opening && m_opening->reader ? m_opening->reader.get() : m_db;
    auto run = [db](const char* sql) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw StoreError(sqliteMessage(db));
    };
    // Runs a query, each row to `row`.
    auto each = [db](const std::string& sql, const std::function<void(sqlite3_stmt*)>& row) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw StoreError(sqliteMessage(db));
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            row(st);
        if (rc != SQLITE_DONE)
            throw StoreError(sqliteMessage(db));
    };
    // Whatever the load finds, the check of the pages has its say first: a damaged page
    // explains a strange row better than the row does.
    auto pagesChecked = [this]() -> Inspection {
        if (!m_opening || !m_opening->check.joinable())
            return {};
        m_opening->check.join();
        return m_opening->checkResult;
    };
    auto refuse = [&](OpenFailure kind, const QString& message) {
        if (error)
            *error = message;
        if (failure)
            *failure = kind;
        out.byType = {};
        out.pks = {};
        return false;
    };
    try {
        run("BEGIN");
        for (const TableDef& t : StoreSchema::tables()) {
            std::string sql = "SELECT pk";
            // A column added after the file's version is absent until the upgrade fills it.
            for (const ColumnDef& c : t.columns)
                sql += ", " + (c.since > m_fileVersion ? std::string("NULL") : quoted(c.name));
            sql += " FROM " + quoted(t.name) + " ORDER BY pk";
            each(sql, [&](sqlite3_stmt* st) {
                StatementReader row(st);
                StoreSchema::readRow(t, StoreSchema::make(t, sqlite3_column_int64(st, 0)), row, 1, lookup, out);
            });
        }
        // Lists stored in join tables, in the order of their positions.
        for (const Relationship& rel : relationships()) {
            if (!rel.toMany)
                continue;
            const JoinTable& j = rel.join;
            std::vector<StoreSchema::JoinRow> rows;
            each(std::string("SELECT ") + j.sourceColumn + ", " + j.targetColumn + ", " + j.sourcePosition + ", "
                     + (j.targetPosition ? j.targetPosition : "0") + " FROM " + j.name,
                 [&](sqlite3_stmt* st) {
                     rows.push_back({lookup.find(rel.source, sqlite3_column_int64(st, 0)),
                                     lookup.find(rel.target, sqlite3_column_int64(st, 1)),
                                     sqlite3_column_int64(st, 2), sqlite3_column_int64(st, 3)});
                 });
            StoreSchema::fillLists(rel, rows);
        }
        run("COMMIT");
    } catch (const std::exception& e) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        const Inspection pages = pagesChecked();
        if (pages.failure != OpenFailure::None)
            return refuse(pages.failure, pages.error);
        return refuse(OpenFailure::Damaged, QStringLiteral("Le magasin de données « %1 » est endommagé : %2")
                                                .arg(m_path, QString::fromUtf8(e.what())));
    }
    if (const Inspection pages = pagesChecked(); pages.failure != OpenFailure::None)
        return refuse(pages.failure, pages.error);
    StoreSchema::reportUnknownStates(out);
    return true;
}

bool SqliteStore::finishOpening(LoadedRecords& loaded, QString* error)
{
    if (m_path == QLatin1String(":memory:"))
        return true;
    if (!m_db) {
        if (!openConnection(false, error))
            return false;
    }
    // The reading connections are done; the writing one holds the recovered index from now on.
    m_opening.reset();
    try {
        exec("PRAGMA journal_mode=WAL");
        if (m_fileVersion < kSchemaVersion)
            upgrade(loaded);
        // A store that cannot be written is said now, not at the first save: taking the write
        // lock creates the write-ahead log beside the file.
        exec("BEGIN IMMEDIATE");
        exec("ROLLBACK");
        m_dataVersion = dataVersion();
    } catch (const std::exception& e) {
        if (error)
            *error = QStringLiteral("Le magasin de données « %1 » ne peut pas être écrit : %2")
                         .arg(m_path, QString::fromUtf8(e.what()));
        return false;
    }
    // Opened: closing the store from now on writes its log back into it.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, static_cast<int*>(nullptr));
    return true;
}

QString SqliteStore::keepCopy()
{
    // The log is written back first, so that the file alone holds everything; the copy is
    // made under another name and renamed once on disk, so that a cut leaves no half copy
    // under the name the user is told.
    int logged = -1, written = -1;
    if (sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &logged, &written) != SQLITE_OK
        || logged != written)
        throw StoreError(sqliteMessage(m_db));
    const QString base = m_path + QStringLiteral(".avant-v%1").arg(kSchemaVersion);
    QString target = base;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QStringLiteral("-%1").arg(n);
    const QString partial = target + QStringLiteral(".partiel");
    QFile::remove(partial);
    QFile source(m_path);
    QFile copy(partial);
    bool ok = source.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly);
    while (ok && !source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        ok = !block.isEmpty() && copy.write(block) == block.size();
    }
    ok = ok && copy.flush() && ::fsync(copy.handle()) == 0;
    copy.close();
    if (!ok || !QFile::rename(partial, target)) {
        QFile::remove(partial);
        throw StoreError(QStringLiteral("la copie « %1 » n’a pas pu être écrite : %2")
                             .arg(target, copy.errorString().isEmpty() ? source.errorString() : copy.errorString()));
    }
    return target;
}

void SqliteStore::upgrade(LoadedRecords& loaded)
{
    // The file as the earlier version left it is kept beside it; the upgrade itself is one
    // transaction: cut short, it leaves the file as it was.
    const QString copy = keepCopy();
    exec("BEGIN IMMEDIATE");
    try {
        for (const TableDef& t : StoreSchema::tables())
            for (const ColumnDef& c : t.columns)
                if (c.since > m_fileVersion)
                    exec(("ALTER TABLE " + quoted(t.name) + " ADD COLUMN " + quoted(c.name) + " " + columnType(c)).c_str());
        for (const RecordChange& c : StoreSchema::upgradeRecords(loaded, m_fileVersion))
            writeChange(c);
        exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    m_fileVersion = kSchemaVersion;
    std::printf("Magasin « %s » mis à jour au format %d ; le fichier d’avant est gardé sous « %s ».\n",
                qPrintable(m_path), kSchemaVersion, qPrintable(copy));
    std::fflush(stdout);
}

namespace {

// Binds a row and runs its statement; the statement is left reset and unbound either way.
void execute(sqlite3* db, sqlite3_stmt* st, const std::function<void(RowWriter&)>& bindRow)
{
    int rc = SQLITE_OK;
    try {
        StatementWriter w(st);
        bindRow(w);
        rc = sqlite3_step(st);
    } catch (...) {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        throw;
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE)
        throw StoreError(sqliteMessage(db));
}

} // namespace

void SqliteStore::writeChange(const RecordChange& c)
{
    const TableDef& t = StoreSchema::table(c.record->entityType());
    const qint64 key = c.record->persistentModelID();
    const int n = int(t.columns.size());
    if (c.kind == RecordChange::Delete) {
        execute(m_db, statement("DELETE FROM " + quoted(t.name) + " WHERE pk = ?"),
                [&](RowWriter& w) { w.integer(1, key); });
        return;
    }
    StoreSchema::checkLinks(t, c.record);
    if (c.kind == RecordChange::Insert) {
        std::string cols = "pk", marks = "?";
        for (const ColumnDef& col : t.columns) {
            cols += ", " + quoted(col.name);
            marks += ", ?";
        }
        execute(m_db, statement("INSERT INTO " + quoted(t.name) + " (" + cols + ") VALUES (" + marks + ")"),
                [&](RowWriter& w) {
                    w.integer(1, key);
                    for (int i = 0; i < n; ++i)
                        t.columns[i].write(c.record, w, i + 2);
                });
        return;
    }
    // A change writes the columns that changed, nothing else.
    std::vector<int> changed;
    for (int i = 0; i < n; ++i)
        if (!c.before || !t.columns[i].same(c.record, c.before))
            changed.push_back(i);
    if (changed.empty())
        return;
    std::string sets;
    for (int i : changed)
        sets += (sets.empty() ? "" : ", ") + quoted(t.columns[i].name) + " = ?";
    execute(m_db, statement("UPDATE " + quoted(t.name) + " SET " + sets + " WHERE pk = ?"), [&](RowWriter& w) {
        int at = 1;
        for (int i : changed)
            t.columns[i].write(c.record, w, at++);
        w.integer(at, key);
    });
}

bool SqliteStore::write(const ChangeSet& changes, QString* error)
{
    try {
        if (!recoverConnection())
            throw StoreError(QStringLiteral("la connexion au magasin de données est perdue"));
        exec("BEGIN IMMEDIATE");
        try {
            // Another program wrote into the store since this connection last read or wrote it:
            // what is pending was made on records that may no longer be those of the file.
            if (dataVersion() != m_dataVersion)
                throw StoreError(QStringLiteral("Le magasin a été modifié par un autre programme"));
            StoreSchema::inWriteOrder(changes, [this](const RecordChange& c, qsizetype done) {
                writeChange(c);
                wrote(done);
            });
            writeJoinTables(changes);
            exec("COMMIT");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            recoverConnection();
            throw;
        }
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

bool SqliteStore::recoverConnection()
{
    if (m_db && sqlite3_get_autocommit(m_db))
        return true;
    if (m_db) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (sqlite3_get_autocommit(m_db))
            return true;
    }
    // Still inside the transaction (or no connection left): closing the connection rolls it
    // back; a fresh one follows.
    QString ignored;
    return openConnection(false, &ignored);
}

void SqliteStore::writeJoinTables(const ChangeSet& changes)
{
    for (const Relationship& rel : relationships()) {
        if (!rel.toMany)
            continue;
        const JoinTable& j = rel.join;
        const StoreSchema::JoinPlan plan = StoreSchema::planJoin(rel, changes);
        for (auto [keys, column] : {std::pair{&plan.deleteBySource, j.sourceColumn}, std::pair{&plan.deleteByTarget, j.targetColumn}})
            for (qint64 key : *keys)
                execute(m_db, statement(std::string("DELETE FROM ") + j.name + " WHERE " + column + " = ?"),
                        [&](RowWriter& w) { w.integer(1, key); });
        if (plan.rows.empty())
            continue;
        std::string insert = std::string("INSERT INTO ") + j.name + " (" + j.sourceColumn + ", " + j.targetColumn
                             + ", " + j.sourcePosition;
        insert += j.targetPosition ? std::string(", ") + j.targetPosition + ") VALUES (?, ?, ?, ?)" : ") VALUES (?, ?, ?)";
        sqlite3_stmt* st = statement(insert);
        for (const StoreSchema::JoinRow& row : plan.rows)
            execute(m_db, st, [&](RowWriter& w) {
                w.integer(1, row.source->persistentModelID());
                w.integer(2, row.target->persistentModelID());
                w.integer(3, row.sourcePos);
                if (j.targetPosition)
                    w.integer(4, row.targetPos);
            });
    }
}

} // namespace kv
