#pragma once

// Finding, creating and opening the local store at start-up.

#include "model/modelcontext.h"

#include <QMessageBox>
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
    std::unique_ptr<ModelContext> context; // null when start-up must stop; holds the store's lock
    QString fatalMessage;                  // the console's whole message, prefix included, when it must
    // The same refusal for the user, in plain words: what happened, then what to do about it.
    QString whatHappened;
    QString whatToDo;
};

// Opens the store below `baseFolder` (the user's data folder, created when missing), copying
// the older store into place the first time. Progress lines go to `out`. On failure the
// context is null and `fatalMessage` says why; nothing of an existing store has been written.
// A store already open in another process is not opened a second time.
StoreOpening openStore(const QString& baseFolder, const QString& bundleIdentifier, QTextStream& out);

// The dialog of a refusal at start-up: what happened and what to do, the console's line among
// its details.
std::unique_ptr<QMessageBox> refusalDialog(const StoreOpening& opening);

// A console line as a dialog shows it: the dialog's own icon stands for the symbol that opens
// the line, which a system without a colour emoji font would draw as an empty box.
QString dialogText(const QString& consoleLine);

// Leaving the program: saves the pending changes and closes the store (its write-ahead log
// written back into it, its lock released). The records stay in memory, for the process to
// end without freeing them one by one. False, with the reason, when the save failed; the store
// is closed either way.
bool closeStoreForExit(ModelContext& context, QString* error);

} // namespace kv
