#pragma once

// Finding, creating and opening the local store at start-up.

#include "model/modelcontext.h"

#include <QLockFile>
#include <QString>
#include <QTextStream>

#include <memory>

namespace kv {

inline constexpr const char* kBundleIdentifier = "TAV.Kestrovan";
inline constexpr const char* kFatalPrefix = "❌ Échec de création du ModelContainer: ";

struct StoreLocation {
    QString storeFolder; // <base>/<bundle identifier>
    QString storeFile;   // <store folder>/SwiftData.store
    QString olderStore;  // <base>/default.store
};

// Where the store lives below `baseFolder`; "Kestrovan" is the folder when the bundle
// identifier is empty.
StoreLocation storeLocation(const QString& baseFolder, const QString& bundleIdentifier);

struct StoreOpening {
    // One process per store: held as long as the store is open (declared first, released last).
    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<ModelContext> context; // null when start-up must stop
    QString fatalMessage;                  // the whole message, prefix included, when it must
};

// Opens the store below `baseFolder` (the user's data folder, created when missing), copying
// the older store into place the first time. Progress lines go to `out`. On failure the
// context is null and `fatalMessage` says why; nothing of an existing store has been written.
// A store already open in another process is not opened a second time.
StoreOpening openStore(const QString& baseFolder, const QString& bundleIdentifier, QTextStream& out);

} // namespace kv
