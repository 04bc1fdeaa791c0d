#pragma once

#include "modelcontext.h"
#include "storeschema.h"

#include <memory>

namespace kv {

// The database behind a model context. The context talks to it through this seam alone: open
// and check, load every record, write one change set in one transaction. Two backends exist:
// the local SQLite file (the default) and a PostgreSQL server database for a shared office.
class StoreBackend {
public:
    // What a store is: missing or empty (a new store), a sound store of ours (with its schema
    // version), or why it is refused. Nothing is written to it.
    struct Inspection {
        OpenFailure failure = OpenFailure::None;
        QString error;
        bool empty = false;
        int version = 0;
    };

    // A location names a server database when it is a "postgresql://" or "postgres://" URL;
    // anything else is the path of a local file (":memory:" for a store without file).
    static bool isServer(const QString& location);
    // A location as it may be shown: without the password a server's location may carry.
    static QString shownLocation(const QString& location);

    // Opens the store at `location`, checked and ready to load: a store that is not ours,
    // damaged or newer is refused and left untouched.
    static std::unique_ptr<StoreBackend> open(const QString& location, QString* error, OpenFailure* failure);
    static Inspection inspect(const QString& location);

    virtual ~StoreBackend() = default;

    virtual QString location() const = 0;
    // Reads every record, with its links and lists; the inverse lists are left to the context.
    virtual bool load(LoadedRecords& out, QString* error, OpenFailure* failure) = 0;
    // After a successful load: made ready for writing, its schema and the `loaded` records
    // brought up to date together, in one transaction.
    virtual bool finishOpening(LoadedRecords& loaded, QString* error) = 0;
    // Writes the changes in one transaction; all or nothing.
    virtual bool write(const ChangeSet& changes, QString* error) = 0;
    // Identifiers for new records, [next, end), drawn where no other desk could be handed the
    // same; a block begins at `next` or above. Left as they are by a store with one writer
    // (the local file), whose context counts on from its highest identifier.
    virtual bool reserveKeys(qint64& next, qint64& end, QString* error)
    {
        Q_UNUSED(next);
        Q_UNUSED(end);
        Q_UNUSED(error);
        return true;
    }

    // False once the store's connection is lost (a server gone): what is pending waits.
    virtual bool reachable() const { return true; }

    // Told how many changes a write has written so far, every few hundred (a long copy).
    void setProgress(std::function<void(qsizetype done)> progress) { m_progress = std::move(progress); }

protected:
    void wrote(qsizetype done) const
    {
        if (m_progress && done % 500 == 0)
            m_progress(done);
    }
    std::function<void(qsizetype)> m_progress;

    // Tells an opener's caller why the store is refused; null, for the opener to return.
    static std::nullptr_t refuse(QString* error, OpenFailure* failure, OpenFailure kind, const QString& message);
};

} // namespace kv
