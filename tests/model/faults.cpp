#include "faults.h"

#include <sqlite3.h>

#include <QByteArray>

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

namespace faults {

namespace {

struct State {
    std::mutex mutex;
    int writesLeft = -1;
    int writeCode = SQLITE_IOERR_WRITE;
    QByteArray writePath;
    int readsLeft = -1;
    QByteArray readPath;
    QByteArray readOnlyPath;
    QByteArray failOpenPath;
    int syncsLeft = -1;
    QByteArray syncPath;
    QByteArray readOnlyIndexPath;
};

State& state()
{
    static State s;
    return s;
}

std::atomic<int> g_allocationsLeft{-1};
std::atomic<bool> g_allocationsKeepFailing{true};
std::atomic<long> g_allocations{0};
sqlite3_mem_methods g_realMemory;

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;

struct File {
    sqlite3_file base;
    sqlite3_file* real;
    QByteArray name;
    bool reader; // a main file opened by a read-only connection
};

bool matches(const QByteArray& name, const QByteArray& part)
{
    return part.isEmpty() || name.contains(part);
}

// Consumes one operation of a countdown; true when this one must fail.
bool countdown(int& left, const QByteArray& name, const QByteArray& part)
{
    if (left < 0 || !matches(name, part))
        return false;
    if (left == 0)
        return true;
    --left;
    return false;
}

int writeFault(File* f)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return countdown(s.writesLeft, f->name, s.writePath) ? s.writeCode : SQLITE_OK;
}

File* self(sqlite3_file* file)
{
    return reinterpret_cast<File*>(file);
}

int xClose(sqlite3_file* file)
{
    const int rc = self(file)->real->pMethods->xClose(self(file)->real);
    self(file)->name.~QByteArray();
    return rc;
}
int xRead(sqlite3_file* file, void* buf, int amount, sqlite3_int64 offset)
{
    State& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (countdown(s.readsLeft, self(file)->name, s.readPath))
            return SQLITE_IOERR_READ;
    }
    return self(file)->real->pMethods->xRead(self(file)->real, buf, amount, offset);
}
int xWrite(sqlite3_file* file, const void* buf, int amount, sqlite3_int64 offset)
{
    if (const int rc = writeFault(self(file)))
        return rc;
    return self(file)->real->pMethods->xWrite(self(file)->real, buf, amount, offset);
}
int xTruncate(sqlite3_file* file, sqlite3_int64 size)
{
    if (const int rc = writeFault(self(file)))
        return rc == SQLITE_IOERR_WRITE ? SQLITE_IOERR_TRUNCATE : rc;
    return self(file)->real->pMethods->xTruncate(self(file)->real, size);
}
int xSync(sqlite3_file* file, int flags)
{
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        if (countdown(s.syncsLeft, self(file)->name, s.syncPath))
            return SQLITE_IOERR_FSYNC;
    }
    if (const int rc = writeFault(self(file)))
        return rc == SQLITE_IOERR_WRITE ? SQLITE_IOERR_FSYNC : rc;
    return self(file)->real->pMethods->xSync(self(file)->real, flags);
}
int xFileSize(sqlite3_file* file, sqlite3_int64* size)
{
    return self(file)->real->pMethods->xFileSize(self(file)->real, size);
}
int xLock(sqlite3_file* file, int level)
{
    return self(file)->real->pMethods->xLock(self(file)->real, level);
}
int xUnlock(sqlite3_file* file, int level)
{
    return self(file)->real->pMethods->xUnlock(self(file)->real, level);
}
int xCheckReservedLock(sqlite3_file* file, int* out)
{
    return self(file)->real->pMethods->xCheckReservedLock(self(file)->real, out);
}
int xFileControl(sqlite3_file* file, int op, void* arg)
{
    return self(file)->real->pMethods->xFileControl(self(file)->real, op, arg);
}
int xSectorSize(sqlite3_file* file)
{
    return self(file)->real->pMethods->xSectorSize(self(file)->real);
}
int xDeviceCharacteristics(sqlite3_file* file)
{
    return self(file)->real->pMethods->xDeviceCharacteristics(self(file)->real);
}
int xShmMap(sqlite3_file* file, int page, int size, int extend, void volatile** out)
{
    bool readOnly = false;
    if (self(file)->reader) {
        State& s = state();
        std::lock_guard lock(s.mutex);
        readOnly = !s.readOnlyIndexPath.isEmpty() && self(file)->name.contains(s.readOnlyIndexPath);
    }
    if (!readOnly)
        return self(file)->real->pMethods->xShmMap(self(file)->real, page, size, extend, out);
    // What SQLite's own layer answers when the index file could only be opened for reading: the
    // pages that exist, mapped, and never grown.
    const int rc = self(file)->real->pMethods->xShmMap(self(file)->real, page, size, 0, out);
    return rc == SQLITE_OK ? SQLITE_READONLY : rc;
}
int xShmLock(sqlite3_file* file, int offset, int n, int flags)
{
    return self(file)->real->pMethods->xShmLock(self(file)->real, offset, n, flags);
}
void xShmBarrier(sqlite3_file* file)
{
    self(file)->real->pMethods->xShmBarrier(self(file)->real);
}
int xShmUnmap(sqlite3_file* file, int deleteFlag)
{
    return self(file)->real->pMethods->xShmUnmap(self(file)->real, deleteFlag);
}

const sqlite3_io_methods g_io = {2,         xClose,       xRead,  xWrite,  xTruncate, xSync, xFileSize,
                                 xLock,     xUnlock,      xCheckReservedLock, xFileControl, xSectorSize,
                                 xDeviceCharacteristics, xShmMap, xShmLock, xShmBarrier, xShmUnmap,
                                 nullptr,   nullptr};

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    File* f = self(file);
    f->real = reinterpret_cast<sqlite3_file*>(f + 1);
    new (&f->name) QByteArray(name ? name : "");
    f->reader = (flags & SQLITE_OPEN_MAIN_DB) && (flags & SQLITE_OPEN_READONLY);
    if (!(flags & SQLITE_OPEN_MAIN_DB)) {
        State& s = state();
        std::lock_guard lock(s.mutex);
        if (!s.failOpenPath.isEmpty() && f->name.contains(s.failOpenPath)) {
            f->name.~QByteArray();
            file->pMethods = nullptr;
            return SQLITE_CANTOPEN;
        }
    }
    if ((flags & SQLITE_OPEN_MAIN_DB) && (flags & SQLITE_OPEN_READWRITE)) {
        State& s = state();
        std::lock_guard lock(s.mutex);
        if (!s.readOnlyPath.isEmpty() && f->name.contains(s.readOnlyPath))
            flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
    }
    const int rc = g_real->xOpen(g_real, name, f->real, flags, outFlags);
    if (rc != SQLITE_OK || !f->real->pMethods) {
        f->name.~QByteArray();
        file->pMethods = nullptr;
        return rc;
    }
    file->pMethods = &g_io;
    return SQLITE_OK;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    return g_real->xDelete(g_real, name, syncDir);
}
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out)
{
    return g_real->xAccess(g_real, name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out)
{
    return g_real->xFullPathname(g_real, name, n, out);
}
void* xDlOpen(sqlite3_vfs*, const char* name)
{
    return g_real->xDlOpen(g_real, name);
}
void xDlError(sqlite3_vfs*, int n, char* out)
{
    g_real->xDlError(g_real, n, out);
}
void (*xDlSym(sqlite3_vfs*, void* h, const char* s))(void)
{
    return g_real->xDlSym(g_real, h, s);
}
void xDlClose(sqlite3_vfs*, void* h)
{
    g_real->xDlClose(g_real, h);
}
int xRandomness(sqlite3_vfs*, int n, char* out)
{
    return g_real->xRandomness(g_real, n, out);
}
int xSleep(sqlite3_vfs*, int us)
{
    return g_real->xSleep(g_real, us);
}
int xCurrentTime(sqlite3_vfs*, double* out)
{
    return g_real->xCurrentTime(g_real, out);
}
int xGetLastError(sqlite3_vfs*, int n, char* out)
{
    return g_real->xGetLastError ? g_real->xGetLastError(g_real, n, out) : 0;
}
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out)
{
    return g_real->xCurrentTimeInt64(g_real, out);
}

bool allocationFails()
{
    ++g_allocations;
    int left = g_allocationsLeft.load();
    while (left > 0 && !g_allocationsLeft.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 0 && !g_allocationsKeepFailing)
        g_allocationsLeft = -1; // that one only
    return left == 0;
}
void* memMalloc(int n)
{
    return allocationFails() ? nullptr : g_realMemory.xMalloc(n);
}
void* memRealloc(void* p, int n)
{
    return allocationFails() ? nullptr : g_realMemory.xRealloc(p, n);
}

} // namespace

void install()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    sqlite3_shutdown();
    sqlite3_config(SQLITE_CONFIG_GETMALLOC, &g_realMemory);
    static sqlite3_mem_methods hooked = g_realMemory;
    hooked.xMalloc = memMalloc;
    hooked.xRealloc = memRealloc;
    sqlite3_config(SQLITE_CONFIG_MALLOC, &hooked);
    // No lookaside: every allocation goes through the hooks.
    sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 0, 0);
    sqlite3_initialize();

    g_real = sqlite3_vfs_find(nullptr);
    g_vfs = sqlite3_vfs{};
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = int(sizeof(File)) + g_real->szOsFile;
    g_vfs.mxPathname = g_real->mxPathname;
    g_vfs.zName = "kestrovan-faults";
    g_vfs.xOpen = xOpen;
    g_vfs.xDelete = xDelete;
    g_vfs.xAccess = xAccess;
    g_vfs.xFullPathname = xFullPathname;
    g_vfs.xDlOpen = xDlOpen;
    g_vfs.xDlError = xDlError;
    g_vfs.xDlSym = xDlSym;
    g_vfs.xDlClose = xDlClose;
    g_vfs.xRandomness = xRandomness;
    g_vfs.xSleep = xSleep;
    g_vfs.xCurrentTime = xCurrentTime;
    g_vfs.xGetLastError = xGetLastError;
    g_vfs.xCurrentTimeInt64 = xCurrentTimeInt64;
    sqlite3_vfs_register(&g_vfs, 1);
}

void failWrites(int after, int code, const QString& pathPart)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.writesLeft = after;
    s.writeCode = code;
    s.writePath = pathPart.toUtf8();
}

void failReads(int after, const QString& pathPart)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.readsLeft = after;
    s.readPath = pathPart.toUtf8();
}

void openReadOnly(const QString& pathPart)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.readOnlyPath = pathPart.toUtf8();
}

long failAllocations(int after, bool keepFailing)
{
    g_allocationsKeepFailing = keepFailing;
    g_allocationsLeft = after;
    return g_allocations.exchange(0);
}

void failOpens(const QString& pathPart)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.failOpenPath = pathPart.toUtf8();
}

void failSyncs(int after, const QString& pathPart)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.syncsLeft = after;
    s.syncPath = pathPart.toUtf8();
}

void readOnlyIndexForReaders(const QString& pathPart)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.readOnlyIndexPath = pathPart.toUtf8();
}

void disarmAll()
{
    failSyncs(-1);
    readOnlyIndexForReaders(QString());
    failOpens(QString());
    failWrites(-1, SQLITE_IOERR_WRITE);
    failReads(-1);
    openReadOnly(QString());
    failAllocations(-1);
}

} // namespace faults
