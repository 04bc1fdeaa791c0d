#pragma once

#include "modelcontext.h"

#include <array>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
namespace SQLite {
class Database;
}

namespace kv {

struct TableDef;

// Records read from a file, handed to the context that will own them.
struct LoadedRecords {
    ModelContext* owner = nullptr; // the context the records are read for
    std::array<std::vector<std::unique_ptr<Record>>, kEntityTypeCount> byType; // in identifier order
    std::array<std::vector<qint64>, kEntityTypeCount> pks; // their identifiers, side by side
};

// The SQLite file behind a model context: schema, loading and writing of pending changes.
class StoreFile {
public:
    static constexpr int kSchemaVersion = 1;
    static constexpr int kApplicationId = 0x4B535456; // "KSTV"

    static std::unique_ptr<StoreFile> open(const QString& path, QString* error, OpenFailure* failure);

    // What a file is: missing or empty (a new store), a sound store of ours (with its format), or
    // why it is refused. Nothing is written to it or to its journal, but what any opener of a
    // store of ours must do first: a write-ahead log's index rebuilt, a cut save rolled back.
    struct Inspection {
        OpenFailure failure = OpenFailure::None;
        QString error;
        bool empty = false;
        int version = 0;
    };
    static Inspection inspect(const QString& path);
    ~StoreFile();

    QString path() const { return m_path; }
    // Reads every record, with its links and lists; the inverse lists are left to the context.
    // An existing store is read through the read-only connection of its inspection while its
    // pages are checked beside, on a connection of their own: nothing is written to a file
    // before it has been read whole and found sound.
    bool load(LoadedRecords& out, QString* error, OpenFailure* failure);
    // Opens a loaded file for writing, switches it to write-ahead logging and brings its schema
    // up to date.
    bool finishOpening(QString* error);
    // Writes the pending records in one transaction; all or nothing.
    bool write(const std::vector<Record*>& pending, QString* error);

private:
    struct Opening;
    StoreFile();
    // The header and the schema through a read-only connection, left open in `opening` when
    // the file is a store of ours; a journal that needs recovery is recovered first. A hot
    // rollback journal (a save cut short) of a store of ours, or of a new store's first save,
    // is played back when `mayRollBack`, and the file inspected again.
    static Inspection inspectStructure(const QString& path, Opening& opening, bool mayRollBack = true);
    // Every page, through a read-only connection of its own.
    static Inspection checkPages(const QString& path);
    bool openConnection(bool create, QString* error);
    void createSchema();
    void prepareStatements();
    void finalizeStatements();
    // Before a save and after a failed one: leaves the connection outside any transaction,
    // reopening it if need be, so that a save works again once the cause of a failure is gone.
    bool recoverConnection();
    void exec(const char* sql);
    qint64 dataVersion();
    void writeJoinTables(const std::vector<Record*>& pending);

    static const std::vector<TableDef>& tables();
    static const TableDef& table(EntityType type);

    std::unique_ptr<Opening> m_opening; // the reading connections until the file is opened for writing
    std::unique_ptr<SQLite::Database> m_database;
    sqlite3* m_db = nullptr;
    QString m_path;
    bool m_isNew = false;
    int m_fileVersion = 0;
    qint64 m_dataVersion = 0; // what the file was when this connection last read or wrote it
    std::vector<sqlite3_stmt*> m_statements;
    struct Cached {
        sqlite3_stmt* insert = nullptr;
        sqlite3_stmt* update = nullptr;
        sqlite3_stmt* remove = nullptr;
    };
    std::vector<Cached> m_cache;
};

} // namespace kv
