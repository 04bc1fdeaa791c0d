#pragma once

#include "storebackend.h"

#include <map>

typedef struct pg_conn PGconn;

namespace kv {

// A database of a PostgreSQL server behind a model context, reached through libpq. Identifiers,
// UUIDs and dates are in the server's own types (bigint, uuid, timestamptz), numbers are
// checked finite by the server too, links are foreign keys that follow the delete rules, and
// the table `kestrovan` says the database is ours, its schema version and how many saves it
// has seen. One desk at a time: the opener holds an advisory lock for as long as it is open.
class PgStore final : public StoreBackend {
public:
    static std::unique_ptr<PgStore> open(const QString& url, QString* error, OpenFailure* failure);
    static Inspection inspect(const QString& url);
    ~PgStore() override;

    // What a connection to the database at `url` meets, for the user to be told before anything
    // is opened: nothing is written to the database.
    struct ServerCheck {
        enum class Outcome {
            Ours,            // a store of ours, free to open
            Empty,           // an empty database: a new store, or the place for a copy
            Unreachable,     // no server answers at that address (or it is starting, stopping)
            PasswordNeeded,  // the server asks for a password and none was given
            PasswordRefused, // the password given was refused
            Refused,         // the server answered and refused the connection (`detail` says why)
            NotAStore,       // a database holding something else
            NewerVersion,    // a store written by a newer version
            Damaged,         // a store of ours, damaged
            OtherDesk,       // a store of ours, open on another desk (`detail` names it)
        };
        Outcome outcome = Outcome::Unreachable;
        QString detail; // the server's or the store's own words
    };
    static ServerCheck check(const QString& url);
    // Whether a server answers at `url`, without logging in: safe on any thread.
    static bool answers(const QString& url);

    QString location() const override { return m_url; }
    bool reachable() const override;
    bool load(LoadedRecords& out, QString* error, OpenFailure* failure) override;
    bool finishOpening(LoadedRecords& loaded, QString* error) override;
    bool write(const ChangeSet& changes, QString* error) override;
    // From the sequence `kestrovan_cle`, a block of identifiers at a time.
    bool reserveKeys(qint64& next, qint64& end, QString* error) override;
    static constexpr qint64 kKeyBlock = 1000;

private:
    PgStore() = default;
    // Inspects the database of an open connection: empty, ours (with its version), or refused.
    static Inspection inspectDatabase(PGconn* conn, const QString& url);
    void createSchema();
    // Runs a statement prepared once per connection, its parameters in binary form.
    struct Params;
    int run(const std::string& sql, const Params& params);
    void exec(const std::string& sql);
    void writeChange(const RecordChange& c);
    // Before a save: a connection lost since the last one is opened again, the desk's lock
    // taken again, and the database checked unchanged by anyone else meanwhile.
    void reconnect();

    PGconn* m_conn = nullptr;
    QString m_url;
    int m_version = kSchemaVersion; // the schema version of the database
    qint64 m_generation = 0; // the saves the database had seen when this desk last read or wrote it
    qint64 m_inDoubt = 0; // the mark of a save whose commit went unanswered
    std::map<std::string, std::string> m_prepared; // statement text → its name on the connection
};

} // namespace kv
