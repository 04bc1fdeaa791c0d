#include "startup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kv {

namespace {

const QStringList kCompanions = {QStringLiteral("-wal"), QStringLiteral("-shm")};

// True when anything lies at the path, a dangling link included.
bool existsAt(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void removeWithCompanions(const QString& storeFile)
{
    QFile::remove(storeFile);
    for (const QString& suffix : kCompanions)
        QFile::remove(storeFile + suffix);
}

// Copies the older store and its companions into place. Returns true when the store file (and
// every companion that lies beside the older store) was copied; otherwise nothing copied stays
// and a line says what failed. The caller announces the copy once the copied store has opened.
bool copyOlderStore(const StoreLocation& where, QTextStream& out)
{
    // Companions lying beside a missing store file belong to no store we know of: they would be
    // taken for the copied store's own journal.
    for (const QString& suffix : kCompanions) {
        const QString stray = where.storeFile + suffix;
        if (existsAt(stray) && !QFile::remove(stray)) {
            out << "❌ Copie de default.store impossible: le fichier " << stray
                << " ne peut pas être retiré" << Qt::endl;
            return false;
        }
    }
    QFile older(where.olderStore);
    if (!older.copy(where.storeFile)) {
        out << "❌ Copie de default.store impossible: " << older.errorString() << Qt::endl;
        return false;
    }
    for (const QString& suffix : kCompanions) {
        QFile companion(where.olderStore + suffix);
        if (!existsAt(companion.fileName()))
            continue;
        if (!companion.copy(where.storeFile + suffix)) {
            out << "❌ Copie de default.store" << suffix << " impossible: " << companion.errorString()
                << Qt::endl;
            removeWithCompanions(where.storeFile);
            return false;
        }
    }
    return true;
}

} // namespace

StoreLocation storeLocation(const QString& baseFolder, const QString& bundleIdentifier)
{
    const QDir base(baseFolder);
    StoreLocation where;
    where.storeFolder = base.filePath(bundleIdentifier.isEmpty() ? QStringLiteral("Kestrovan") : bundleIdentifier);
    where.storeFile = QDir(where.storeFolder).filePath(QStringLiteral("SwiftData.store"));
    where.olderStore = base.filePath(QStringLiteral("default.store"));
    return where;
}

StoreOpening openStore(const QString& baseFolder, const QString& bundleIdentifier, QTextStream& out)
{
    StoreOpening result;
    auto fatal = [&](const QString& why) {
        result.context.reset();
        result.fatalMessage = QString::fromUtf8(kFatalPrefix) + why;
        return std::move(result);
    };
    if (baseFolder.isEmpty())
        return fatal(QStringLiteral("le dossier des données de l’utilisateur est introuvable"));
    if (!QDir().mkpath(baseFolder))
        return fatal(QStringLiteral("le dossier %1 ne peut pas être créé").arg(baseFolder));

    const StoreLocation where = storeLocation(baseFolder, bundleIdentifier);
    QDir().mkpath(where.storeFolder); // a failure shows when the store is opened

    bool copied = false;
    if (!existsAt(where.storeFile) && existsAt(where.olderStore))
        copied = copyOlderStore(where, out);

    QString error;
    OpenFailure failure = OpenFailure::None;
    result.context = ModelContext::open(where.storeFile, &error, &failure);
    if (!result.context && copied) {
        // The copy is ours to take back; default.store stays where it is.
        removeWithCompanions(where.storeFile);
        if (failure != OpenFailure::NotAStore)
            return fatal(QStringLiteral("default.store: %1").arg(error));
        out << "❌ default.store n’est pas un store de Kestrovan (" << error
            << "): la copie est retirée, default.store reste en place" << Qt::endl;
        result.context = ModelContext::open(where.storeFile, &error, &failure);
    } else if (result.context && copied) {
        // Said only now: a copy that does not open is no migration.
        out << "🛠️ Migré default.store → " << where.storeFile << Qt::endl;
    }
    if (!result.context)
        return fatal(error.isEmpty() ? QStringLiteral("le store %1 ne peut pas être ouvert").arg(where.storeFile)
                                     : error);
    out << "📦 SwiftData store URL: " << where.storeFile << Qt::endl;
    return result;
}

} // namespace kv
