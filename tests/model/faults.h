#pragma once

// Failures injected under SQLite for the store's tests: a VFS wrapping the default one (input
// and output errors, a full disk, a file that opens read-only) and memory hooks (allocations
// that fail). Installed once, before any connection; every fault is off until armed.

#include <QString>

namespace faults {

void install();

// Writes (and syncs, truncations) to files whose name contains `pathPart` fail with `code`
// after `after` more successful ones; -1 disarms.
void failWrites(int after, int code, const QString& pathPart = QString());
// Reads fail with an input/output error after `after` more successful ones; -1 disarms.
void failReads(int after, const QString& pathPart = QString());
// A main store file whose name contains `pathPart` opens read-only, as a file without write
// permission does; empty disarms.
void openReadOnly(const QString& pathPart);
// Files other than a main store file whose name contains `pathPart` cannot be opened, as in a
// folder without write permission; empty disarms.
void failOpens(const QString& pathPart);
// The memory allocation by SQLite after `after` more successful ones fails, and so do all
// later ones when `keepFailing`; -1 disarms. Returns how many allocations were made since the
// last call.
long failAllocations(int after, bool keepFailing = true);

// Syncs of files whose name contains `pathPart` fail with an input/output error after `after`
// more successful ones, and so do all later ones; -1 disarms.
void failSyncs(int after, const QString& pathPart = QString());
// The shared-memory index of a store whose name contains `pathPart` can only be read by
// read-only connections, as an index file that the reader may not write; empty disarms.
void readOnlyIndexForReaders(const QString& pathPart);

void disarmAll();

} // namespace faults
