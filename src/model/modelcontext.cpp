#include "modelcontext.h"

#include <QSet>

#include "relationships.h"
#include "storebackend.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QMetaObject>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <unordered_map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

// ---------------------------------------------------------------------------------------------
// Record

namespace {
std::atomic<qint64> g_listOrder{0};

// How a record figures in the change notice being gathered (Record::m_notice).
enum NoticeKind : quint8 { NotNoticed = 0, NoticedInserted, NoticedModified, NoticedDeleted };
}

qint64 nextListOrder()
{
    return ++g_listOrder;
}

void ensureListOrderAbove(qint64 value)
{
    qint64 cur = g_listOrder.load();
    while (cur < value && !g_listOrder.compare_exchange_weak(cur, value)) {
    }
}

QDateTime dateFromMs(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms);
}

qint64 msFromDate(const QDateTime& dt)
{
    return dt.isValid() ? dt.toMSecsSinceEpoch() : 0;
}

void Record::aboutToChange()
{
    if (m_context && m_state != State::Gone)
        m_context->noteChange(this);
}

void Record::derivedListChanged()
{
    if (m_context && m_state != State::Gone && m_state != State::Free) {
        m_context->noteForNotice(this, NoticedModified);
        m_context->scheduleChanged();
    }
}

void Record::joinContexts(Record* a, Record* b)
{
    if (!a || !b)
        return;
    if (a->m_context && !b->m_context)
        a->m_context->insert(b);
    else if (b->m_context && !a->m_context)
        b->m_context->insert(a);
}

void Record::disposeIfFree(Record* r)
{
    if (r && !r->m_context)
        delete r;
}

// ---------------------------------------------------------------------------------------------
// ModelChanges

ModelChanges ModelChanges::everything()
{
    static const std::shared_ptr<const Data> all = [] {
        auto d = std::make_shared<Data>();
        d->everything = true;
        return d;
    }();
    ModelChanges c;
    c.m_d = all;
    return c;
}

const std::vector<Record*>& ModelChanges::empty()
{
    static const std::vector<Record*> none;
    return none;
}

// ---------------------------------------------------------------------------------------------
// ModelContext

namespace {

// The lock files held by this process, by device and inode: a lock refused to this process may
// be its own, taken by another context.
struct HeldLocks {
    std::mutex mutex;
    std::set<std::pair<dev_t, ino_t>> files;
};

HeldLocks& heldLocks()
{
    static HeldLocks held;
    return held;
}

bool heldHere(int fd)
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return false;
    HeldLocks& held = heldLocks();
    std::lock_guard guard(held.mutex);
    return held.files.count({st.st_dev, st.st_ino}) != 0;
}

} // namespace

std::unique_ptr<StoreLock> StoreLock::take(const QString& path, QString* error, OpenFailure* failure,
                                           qint64* holder, bool* inThisProgram)
{
    auto fail = [&](OpenFailure kind, const QString& message) -> std::unique_ptr<StoreLock> {
        if (error)
            *error = message;
        if (failure)
            *failure = kind;
        return nullptr;
    };
    std::unique_ptr<StoreLock> lock(new StoreLock());
    if (path == QLatin1String(":memory:") || StoreBackend::isServer(path)) {
        if (failure)
            *failure = OpenFailure::None;
        // A store without file is its context's alone; a server database is locked by its
        // backend, on the server, where every desk sees the lock.
        return lock;
    }
    const QString lockPath = path + QStringLiteral(".lock");
    const QByteArray name = QFile::encodeName(lockPath);
    auto cannot = [&](int code) {
        return fail(OpenFailure::CannotOpen,
                    QStringLiteral("Impossible d’ouvrir « %1 » : le verrou %2 ne peut pas être posé (%3).")
                        .arg(path, lockPath, QString::fromLocal8Bit(std::strerror(code))));
    };
    // The file at the lock's name may be replaced between its opening and its lock, when the
    // holder lets it go (it removes the file before closing it): the lock counts only on the
    // file that still bears the name.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0)
            return cannot(errno);
        int locked;
        do
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const int code = errno;
            if (code != EWOULDBLOCK) {
                ::close(fd);
                return cannot(code);
            }
            // Held: by this very process, or by the one its first line names, once the holder
            // has written it.
            if (heldHere(fd)) {
                ::close(fd);
                if (holder)
                    *holder = QCoreApplication::applicationPid();
                if (inThisProgram)
                    *inThisProgram = true;
                return fail(OpenFailure::AlreadyOpen,
                            QStringLiteral("Le magasin de données « %1 » est déjà ouvert dans ce programme.").arg(path));
            }
            char text[32] = {};
            const ssize_t read = ::pread(fd, text, sizeof text - 1, 0);
            ::close(fd);
            const qint64 pid = read > 0 ? QByteArray(text, int(read)).split('\n').first().toLongLong() : 0;
            if (holder)
                *holder = pid;
            if (inThisProgram)
                *inThisProgram = false;
            return fail(OpenFailure::AlreadyOpen,
                        QStringLiteral("Le magasin de données « %1 » est déjà ouvert par un autre programme (processus %2).")
                            .arg(path)
                            .arg(pid));
        }
        struct stat opened = {}, named = {};
        if (::fstat(fd, &opened) != 0) {
            const int code = errno;
            ::close(fd);
            return cannot(code);
        }
        if (::stat(name.constData(), &named) != 0 || named.st_dev != opened.st_dev || named.st_ino != opened.st_ino) {
            ::close(fd); // let go by its holder meanwhile: lock the file that bears the name now
            continue;
        }
        // Whatever an earlier holder left in the file gives way to this process's id.
        const QByteArray contents = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
                                    + QCoreApplication::applicationName().toUtf8() + '\n'
                                    + QSysInfo::machineHostName().toUtf8() + '\n';
        // On a full disk the lock holds all the same; only the holder's id is missing.
        if (::ftruncate(fd, 0) == 0)
            (void)!::pwrite(fd, contents.constData(), size_t(contents.size()), 0);
        lock->m_path = name;
        lock->m_fd = fd;
        lock->m_file = {opened.st_dev, opened.st_ino};
        {
            HeldLocks& held = heldLocks();
            std::lock_guard guard(held.mutex);
            held.files.insert({opened.st_dev, opened.st_ino});
        }
        if (failure)
            *failure = OpenFailure::None;
        return lock;
    }
    return cannot(EAGAIN);
}

StoreLock::~StoreLock()
{
    if (m_fd < 0)
        return;
    {
        HeldLocks& held = heldLocks();
        std::lock_guard guard(held.mutex);
        held.files.erase({dev_t(m_file.first), ino_t(m_file.second)});
    }
    // Removed while still held, so that whoever opened it meanwhile sees it gone and starts over.
    ::unlink(m_path.constData());
    ::close(m_fd);
}

ModelContext::ModelContext(std::unique_ptr<StoreLock> lock, std::unique_ptr<StoreBackend> file)
    : m_lock(std::move(lock)), m_file(std::move(file)), m_path(m_file->location())
{
    m_autosaveTimer.setSingleShot(true);
    connect(&m_autosaveTimer, &QTimer::timeout, this, &ModelContext::autosaveNow);
}

ModelContext::~ModelContext() = default;

std::unique_ptr<ModelContext> ModelContext::open(const QString& path, QString* error, OpenFailure* failure)
{
    auto lock = StoreLock::take(path, error, failure);
    if (!lock)
        return nullptr;
    return open(std::move(lock), path, error, failure);
}

namespace {

// SQLite's reader of a file in write-ahead-log mode makes the log and its index beside the
// file even when it only reads. A file that is refused, and its folder, must be left as they
// were: the companions that were not there before the attempt go again once every connection
// to the file is closed.
class CompanionFiles {
public:
    explicit CompanionFiles(const QString& path)
    {
        if (path == QLatin1String(":memory:") || StoreBackend::isServer(path))
            return;
        for (const char* suffix : {"-wal", "-shm"}) {
            const QString name = path + QLatin1String(suffix);
            if (!QFileInfo::exists(name))
                m_absent.append(name);
        }
    }

    // Removes the companions made by the attempt. A log that holds anything was not made by a
    // reader, and stays.
    void removeMade() const
    {
        for (const QString& name : m_absent) {
            const QFileInfo info(name);
            if (info.exists() && info.isFile() && (name.endsWith(QLatin1String("-shm")) || info.size() == 0))
                QFile::remove(name);
        }
    }

private:
    QStringList m_absent;
};

} // namespace

std::unique_ptr<ModelContext> ModelContext::open(std::unique_ptr<StoreLock> lock, const QString& path,
                                                 QString* error, OpenFailure* failure)
{
    QString err;
    OpenFailure kind = OpenFailure::None;
    const CompanionFiles companions(path);
    std::unique_ptr<StoreBackend> file;
    std::unique_ptr<ModelContext> ctx;
    auto fail = [&]() -> std::unique_ptr<ModelContext> {
        // Every connection is closed before the companions are tidied; the lock goes last.
        if (ctx)
            lock = std::move(ctx->m_lock);
        ctx.reset();
        file.reset();
        companions.removeMade();
        lock.reset();
        if (error)
            *error = err;
        if (failure)
            *failure = kind;
        return nullptr;
    };
    file = StoreBackend::open(path, &err, &kind);
    if (!file)
        return fail();
    ctx.reset(new ModelContext(std::move(lock), std::move(file)));
    LoadedRecords loaded;
    loaded.owner = ctx.get();
    if (!ctx->m_file->load(loaded, &err, &kind))
        return fail();
    if (!ctx->m_file->finishOpening(loaded, &err)) {
        kind = OpenFailure::CannotOpen;
        return fail();
    }
    ctx->adoptLoaded(loaded);
    if (!ctx->m_file->reserveKeys(ctx->m_nextPk, ctx->m_keyEnd, &err)) {
        kind = OpenFailure::CannotOpen;
        return fail();
    }
    ctx->m_keyBlock = ctx->m_keyEnd - ctx->m_nextPk;
    if (failure)
        *failure = OpenFailure::None;
    return ctx;
}

void ModelContext::closeFile()
{
    m_autosaveTimer.stop();
    m_file.reset();
    m_lock.reset();
}

OpenFailure ModelContext::inspect(const QString& path, QString* error)
{
    const CompanionFiles companions(path);
    const StoreBackend::Inspection inspection = StoreBackend::inspect(path);
    if (inspection.failure != OpenFailure::None)
        companions.removeMade();
    if (error)
        *error = inspection.error;
    return inspection.failure;
}

bool ModelContext::storeUnreachable() const
{
    return m_file && !m_file->reachable();
}

QString ModelContext::filePath() const
{
    return m_path;
}

const std::vector<Record*>& ModelContext::liveRecords(EntityType type) const
{
    const int i = int(type);
    if (m_needsCompaction[i]) {
        std::erase_if(m_live[i], [](Record* r) { return r->isDeleted(); });
        m_needsCompaction[i] = false;
    }
    return m_live[i];
}

void ModelContext::adoptLoaded(LoadedRecords& loaded)
{
    // The records come in identifier order within each type, already given to this context;
    // they are gathered in identifier order (the look-up by identifier relies on it) from the
    // identifiers alone, without reading the records.
    std::size_t total = 0;
    qint64 highest = 0;
    for (int type = 0; type < kEntityTypeCount; ++type) {
        total += loaded.byType[type].size();
        if (!loaded.pks[type].empty())
            highest = std::max(highest, loaded.pks[type].back());
    }
    m_nextPk = std::max(m_nextPk, highest + 1);
    for (int type = 0; type < kEntityTypeCount; ++type) {
        auto& live = m_live[type];
        live.reserve(live.size() + loaded.byType[type].size());
        for (const auto& owned : loaded.byType[type])
            live.push_back(owned.get());
    }
    m_owned.reserve(m_owned.size() + total);
    if (highest <= qint64(4 * total + 64)) {
        // Identifiers mostly dense: each record goes straight to its place.
        std::vector<Record*> places(std::size_t(highest) + 1, nullptr);
        for (int type = 0; type < kEntityTypeCount; ++type)
            for (std::size_t i = 0; i < loaded.byType[type].size(); ++i)
                places[std::size_t(loaded.pks[type][i])] = loaded.byType[type][i].release();
        for (Record* r : places)
            if (r)
                m_owned.emplace_back(r);
    } else {
        std::vector<std::pair<qint64, Record*>> byIdentifier;
        byIdentifier.reserve(total);
        for (int type = 0; type < kEntityTypeCount; ++type)
            for (std::size_t i = 0; i < loaded.byType[type].size(); ++i)
                byIdentifier.emplace_back(loaded.pks[type][i], loaded.byType[type][i].release());
        std::sort(byIdentifier.begin(), byIdentifier.end());
        for (const auto& [pk, r] : byIdentifier)
            m_owned.emplace_back(r);
    }
    loaded.byType = {};
    loaded.pks = {};
    // List positions continue after the highest one stored.
    qint64 maxOrder = 0;
    for (const Relationship& rel : relationships())
        if (rel.pairedToOne())
            for (Record* s : m_live[int(rel.source)])
                maxOrder = std::max(maxOrder, rel.order(s));
    ensureListOrderAbove(maxOrder);
    rebuildDerivedLists(m_live);
}

void ModelContext::adopt(Record* r)
{
    r->m_context = this;
    m_owned.emplace_back(r);
    m_live[int(r->entityType())].push_back(r);
    if (m_nextPk >= m_keyEnd)
        drawKeys();
    r->m_pk = m_nextPk++;
    r->m_state = Record::State::Inserted;
    r->m_dirty = true;
    m_pending.push_back(r);
    noteForNotice(r, NoticedInserted);
    ++m_generation;
    scheduleChanged();
}

void ModelContext::drawKeys()
{
    // Out of reach, the store hands out nothing: this context counts on alone, as the only
    // desk at work on the store.
    if (!m_file || !m_file->reserveKeys(m_nextPk, m_keyEnd, nullptr))
        m_keyEnd = m_nextPk + std::max<qint64>(m_keyBlock, 1);
}

void ModelContext::insert(Record* record)
{
    if (!record)
        return;
    if (record->m_context) {
        if (record->m_context != this)
            qWarning("kestrovan: a record of another store cannot be inserted here");
        return;
    }
    adopt(record);
    forEachRelated(record, [this](Record* other) {
        if (other && !other->m_context)
            insert(other);
    });
}

void ModelContext::noteChange(Record* r)
{
    ++m_generation;
    if (!r->m_dirty) {
        r->m_dirty = true;
        if (r->m_state == Record::State::Stored)
            m_snapshots.emplace_back(r, r->snapshotValues());
        m_pending.push_back(r);
    }
    noteForNotice(r, NoticedModified);
    scheduleChanged();
}

void ModelContext::noteForNotice(Record* r, quint8 kind)
{
    const quint8 current = r->m_notice;
    if (current == NotNoticed)
        m_noticeRecords.push_back(r);
    if (kind == NoticedDeleted)
        r->m_notice = NoticedDeleted;
    else if (kind == NoticedInserted)
        // Deleted and brought back within one turn: listeners saw it before, it changed.
        r->m_notice = current == NoticedDeleted ? quint8(NoticedModified)
                                                : (current == NotNoticed ? quint8(NoticedInserted) : current);
    else if (current == NotNoticed)
        r->m_notice = NoticedModified;
}

void ModelContext::noteRelatedForNotice(Record* r)
{
    forEachRelated(r, [this](Record* other) {
        if (other && other->m_context == this && other->m_state != Record::State::Gone)
            noteForNotice(other, NoticedModified);
    });
}

void ModelContext::scheduleChanged()
{
    if (m_changedScheduled)
        return;
    m_changedScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changedScheduled = false;
            emitChanged();
            if (m_autosave && hasChanges())
                m_autosaveTimer.start();
        },
        Qt::QueuedConnection);
}

void ModelContext::emitChanged()
{
    auto d = std::make_shared<ModelChanges::Data>();
    for (Record* r : m_noticeRecords) {
        d->types |= entityBit(r->entityType());
        switch (r->m_notice) {
        case NoticedInserted:
            d->inserted.push_back(r);
            break;
        case NoticedModified:
            d->modified.push_back(r);
            break;
        case NoticedDeleted:
            d->deleted.push_back(r);
            break;
        default:
            break;
        }
        r->m_notice = NotNoticed;
    }
    m_noticeRecords.clear();
    ModelChanges changes;
    changes.m_d = std::move(d);
    emit changed(changes);
}

Record* ModelContext::recordForPersistentID(qint64 pk) const
{
    if (pk <= 0)
        return nullptr;
    // m_owned is in increasing persistent-identifier order.
    auto it = std::lower_bound(m_owned.begin(), m_owned.end(), pk,
                               [](const std::unique_ptr<Record>& r, qint64 v) { return r->m_pk < v; });
    if (it == m_owned.end() || (*it)->m_pk != pk || (*it)->isDeleted())
        return nullptr;
    return it->get();
}

bool ModelContext::hasChanges() const
{
    return !m_pending.empty();
}

void ModelContext::markDeleted(Record* r)
{
    noteChange(r); // snapshot first, while the record still holds its values
    noteRelatedForNotice(r); // the lists of the records it was linked to lose it
    noteForNotice(r, NoticedDeleted);
    r->m_wasStoredBeforeDelete = (r->m_state == Record::State::Stored);
    r->m_state = Record::State::Deleted;
    m_needsCompaction[int(r->entityType())] = true;
}

bool ModelContext::remove(Record* record, QString* error)
{
    if (!record || record->m_context != this || record->isDeleted())
        return true;
    for (const Relationship* rel : relationshipsTo(record->entityType())) {
        if (rel->onTargetDeleted != DeleteRule::Deny)
            continue;
        const qsizetype uses = sourcesOf(*rel, record).size();
        if (uses > 0) {
            if (error)
                *error = QString::fromUtf8(rel->denyMessage).arg(uses);
            return false;
        }
    }
    deleteRecursive(record);
    scheduleChanged();
    return true;
}

std::array<qsizetype, kEntityTypeCount> ModelContext::deletedAlong(const QList<Record*>& records) const
{
    std::array<qsizetype, kEntityTypeCount> counts{};
    QSet<const Record*> seen;
    QList<Record*> todo;
    for (Record* r : records)
        if (r && r->m_context == this && !r->isDeleted() && !seen.contains(r)) {
            seen.insert(r);
            todo.append(r);
        }
    while (!todo.isEmpty()) {
        Record* r = todo.takeLast();
        for (const Relationship* rel : relationshipsTo(r->entityType())) {
            if (rel->onTargetDeleted != DeleteRule::Cascade)
                continue;
            for (Record* s : sourcesOf(*rel, r)) {
                if (s->isDeleted() || seen.contains(s))
                    continue;
                seen.insert(s);
                ++counts[int(s->entityType())];
                todo.append(s);
            }
        }
    }
    return counts;
}

QList<Record*> ModelContext::sourcesOf(const Relationship& rel, Record* target) const
{
    if (rel.inverse)
        return rel.inverseOf(target);
    // A one-way end: look through the records that may point at it.
    QList<Record*> out;
    for (Record* s : liveRecords(rel.source)) {
        if (s->isDeleted())
            continue;
        if (rel.toMany ? rel.targetsOf(s).contains(target) : rel.targetOf(s) == target)
            out.append(s);
    }
    return out;
}

void ModelContext::deleteRecursive(Record* r)
{
    if (r->isDeleted())
        return;
    markDeleted(r);
    // Records pointing at it: deleted with it, or their link cleared.
    for (const Relationship* rel : relationshipsTo(r->entityType())) {
        for (Record* s : sourcesOf(*rel, r)) {
            if (s->isDeleted())
                continue;
            if (rel->onTargetDeleted == DeleteRule::Cascade)
                deleteRecursive(s);
            else if (rel->toMany)
                rel->removeTarget(s, r);
            else
                rel->setTarget(s, nullptr);
        }
    }
    // The lists of the records it points at lose it; it keeps its own values, readable.
    for (const Relationship* rel : relationshipsFrom(r->entityType())) {
        if (!rel->inverse)
            continue;
        if (rel->toMany) {
            for (Record* t : rel->targetsOf(r)) {
                t->aboutToChange(); // a stored list: the other record changes too
                rel->removeInverseRaw(t, r);
            }
        } else if (Record* t = rel->targetOf(r)) {
            rel->removeInverseRaw(t, r);
        }
    }
}

bool ModelContext::save(QString* error)
{
    if (!m_injectedFailure.isEmpty()) {
        if (error)
            *error = m_injectedFailure;
        m_injectedFailure.clear();
        return false;
    }
    if (m_pending.empty())
        return true;
    QString err;
    if (!m_file)
        err = QStringLiteral("le magasin de données « %1 » est fermé").arg(m_path);
    if (!m_file || !m_file->write(changeSet(), &err)) {
        if (error)
            *error = err;
        return false;
    }
    for (Record* r : m_pending) {
        r->m_dirty = false;
        if (r->m_state == Record::State::Inserted)
            r->m_state = Record::State::Stored;
        else if (r->m_state == Record::State::Deleted)
            r->m_state = Record::State::Gone;
    }
    m_pending.clear();
    m_snapshots.clear();
    // The next block is drawn while the store is at hand, before this one runs out.
    if (m_keyEnd - m_nextPk < m_keyBlock / 4)
        drawKeys();
    emit saved();
    return true;
}

ChangeSet ModelContext::changeSet() const
{
    std::unordered_map<const Record*, const void*> before;
    before.reserve(m_snapshots.size());
    for (const auto& [r, snapshot] : m_snapshots)
        before.emplace(r, snapshot.get());
    ChangeSet changes;
    changes.reserve(m_pending.size());
    for (Record* r : m_pending) {
        switch (r->m_state) {
        case Record::State::Inserted:
            changes.push_back({RecordChange::Insert, r});
            break;
        case Record::State::Stored: {
            const auto it = before.find(r);
            changes.push_back({RecordChange::Update, r, it == before.end() ? nullptr : it->second});
            break;
        }
        case Record::State::Deleted:
            // A record inserted and deleted since the last save never reached the store.
            if (r->m_wasStoredBeforeDelete)
                changes.push_back({RecordChange::Delete, r});
            break;
        default:
            break;
        }
    }
    return changes;
}

void ModelContext::rebuildDerivedLists(const std::array<std::vector<Record*>, kEntityTypeCount>& all)
{
    for (const Relationship& rel : relationships()) {
        if (!rel.pairedToOne())
            continue;
        for (Record* t : all[int(rel.target)])
            rel.clearInverseRaw(t);
        for (Record* s : all[int(rel.source)])
            if (!s->isDeleted())
                if (Record* t = rel.targetOf(s))
                    rel.appendInverseRaw(t, s);
        // Lists keep the order in which their records were added.
        for (Record* t : all[int(rel.target)])
            rel.sortInverseRaw(t);
    }
}

void ModelContext::rollback()
{
    if (m_pending.empty())
        return;
    // Records linked to a pending record before and after the rollback see their lists change.
    for (Record* r : m_pending)
        noteRelatedForNotice(r);
    for (auto& [r, snapshot] : m_snapshots)
        r->restoreValues(snapshot);
    for (Record* r : m_pending) {
        r->m_dirty = false;
        if (r->m_state == Record::State::Inserted) {
            r->m_state = Record::State::Gone;
            noteForNotice(r, NoticedDeleted);
        } else if (r->m_state == Record::State::Deleted) {
            // A record inserted and deleted since the last save was told deleted already.
            r->m_state = r->m_wasStoredBeforeDelete ? Record::State::Stored : Record::State::Gone;
            if (r->m_state == Record::State::Stored)
                noteForNotice(r, NoticedInserted);
        } else {
            noteForNotice(r, NoticedModified);
        }
    }
    const std::vector<Record*> undone = std::move(m_pending);
    m_pending.clear();
    m_snapshots.clear();
    for (auto& v : m_live)
        v.clear();
    for (auto& owned : m_owned)
        if (!owned->isDeleted())
            m_live[int(owned->entityType())].push_back(owned.get());
    m_needsCompaction.fill(false);
    // Stored lists were restored with their records; drop what no longer lives.
    for (const Relationship& rel : relationships()) {
        if (!rel.toMany)
            continue;
        for (Record* s : m_live[int(rel.source)])
            rel.purgeDeletedRaw(s);
        if (rel.manyToMany())
            for (Record* t : m_live[int(rel.target)])
                for (Record* s : rel.inverseOf(t))
                    if (s->isDeleted())
                        rel.removeInverseRaw(t, s);
    }
    std::array<std::vector<Record*>, kEntityTypeCount> all;
    for (auto& owned : m_owned)
        all[int(owned->entityType())].push_back(owned.get());
    rebuildDerivedLists(all);
    for (Record* r : undone)
        noteRelatedForNotice(r);
    ++m_generation;
    scheduleChanged();
}

void ModelContext::discardInsertion(Record* record)
{
    if (!record || record->m_context != this || record->m_state != Record::State::Inserted)
        return;
    deleteRecursive(record);
    // Records that were never stored leave the pending list for good.
    std::erase_if(m_pending, [](Record* r) {
        if (r->m_state == Record::State::Deleted && !r->m_wasStoredBeforeDelete) {
            r->m_state = Record::State::Gone;
            r->m_dirty = false;
            return true;
        }
        return false;
    });
    scheduleChanged();
}

void ModelContext::setAutosaveEnabled(bool enabled, int delayMs)
{
    m_autosave = enabled;
    m_autosaveTimer.setInterval(delayMs);
    if (!enabled)
        m_autosaveTimer.stop();
}

void ModelContext::autosaveNow()
{
    if (!hasChanges())
        return;
    QString err;
    if (!save(&err)) {
        std::fprintf(stderr, "❌ Échec de la sauvegarde automatique: %s\n", qPrintable(err));
        emit autosaveFailed(err);
    }
}

} // namespace kv
