#pragma once

#include "storebackend.h"

#include <map>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
namespace SQLite {
class Database;
}

namespace kv {

// The local SQLite file behind a model context, in write-ahead-log mode; its schema version in
// `PRAGMA user_version`, its owner in `PRAGMA application_id`.
class SqliteStore final : public StoreBackend {
public:
    static constexpr int kApplicationId = 0x4B535456; // "KSTV"

    static std::unique_ptr<SqliteStore> open(const QString& path, QString* error, OpenFailure* failure);

    // What a file is. Nothing is written to it or to its journal, but what any opener of a
    // store of ours must do first: a write-ahead log's index rebuilt, a cut save rolled back.
    static Inspection inspect(const QString& path);
    ~SqliteStore() override;

    QString location() const override { return m_path; }
    // An existing store is read through the read-only connection of its inspection while its
    // pages are checked beside, on a connection of their own: nothing is written to a file
    // before it has been read whole and found sound.
    bool load(LoadedRecords& out, QString* error, OpenFailure* failure) override;
    // Opens a loaded file for writing, switches it to write-ahead logging and brings its schema
    // up to date.
    bool finishOpening(LoadedRecords& loaded, QString* error) override;
    bool write(const ChangeSet& changes, QString* error) override;

private:
    struct Opening;
    SqliteStore();
    // The header and the schema through a read-only connection, left open in `opening` when
    // the file is a store of ours; a journal that needs recovery is recovered first. A hot
    // rollback journal (a save cut short) of a store of ours, or of a new store's first save,
    // is played back when `mayRollBack`, and the file inspected again.
    static Inspection inspectStructure(const QString& path, Opening& opening, bool mayRollBack = true);
    // Every page, through a read-only connection of its own.
    static Inspection checkPages(const QString& path);
    bool openConnection(bool create, QString* error);
    void createSchema();
    void finalizeStatements();
    // Before a save and after a failed one: leaves the connection outside any transaction,
    // reopening it if need be, so that a save works again once the cause of a failure is gone.
    bool recoverConnection();
    void exec(const char* sql);
    qint64 dataVersion();
    // A statement kept for the connection's life, prepared at its first use.
    sqlite3_stmt* statement(const std::string& sql);
    void writeChange(const RecordChange& c);
    // Brings a file of an earlier schema and its loaded records up to date, a copy of the
    // file as it was kept beside it first.
    void upgrade(LoadedRecords& loaded);
    // That copy, "<file>.avant-v<version>"; its name.
    QString keepCopy();
    void writeJoinTables(const ChangeSet& changes);

    std::unique_ptr<Opening> m_opening; // the reading connections until the file is opened for writing
    std::unique_ptr<SQLite::Database> m_database;
    sqlite3* m_db = nullptr;
    QString m_path;
    bool m_isNew = false;
    int m_fileVersion = 0;
    qint64 m_dataVersion = 0; // what the file was when this connection last read or wrote it
    std::map<std::string, sqlite3_stmt*> m_statements;
};

} // namespace kv
