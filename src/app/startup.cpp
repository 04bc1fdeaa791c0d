#include "startup.h"

#include "widgets/dialogconventions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTextEdit>

#include <functional>

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

// Copies a file to `to` through a temporary file that is synced and renamed: `to` never holds
// a partial copy.
bool copyDurably(const QString& from, const QString& to, QString* error)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return false;
    }
    QSaveFile out(to);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    while (true) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError || !in.atEnd()) {
                *error = in.errorString();
                out.cancelWriting();
                return false;
            }
            break;
        }
        if (out.write(chunk) != chunk.size()) {
            *error = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

enum class CopyOutcome { Copied, NotAStore, Failed };

// Copies the older store into place, its write-ahead log first and the store file last, each
// complete under a temporary name before it takes its own: a copy cut short leaves no store
// file, only companions that the next start removes before trying again. The copy is checked
// before it takes its place: one that is not a store of ours is dropped (`message` says so);
// one that is damaged, newer or unreadable stops start-up (`message` says why).
CopyOutcome copyOlderStore(const StoreLocation& where, QTextStream& out, QString* message, OpenFailure* kind)
{
    // Companions lying beside a missing store file belong to no store we know of: they would be
    // taken for the copied store's own journal.
    const QString temporary = where.storeFile + QStringLiteral(".copie");
    for (const QString& stray : {where.storeFile + kCompanions[0], where.storeFile + kCompanions[1]}) {
        if (existsAt(stray) && !QFile::remove(stray)) {
            *message = QStringLiteral("le fichier %1 ne peut pas être retiré").arg(stray);
            return CopyOutcome::Failed;
        }
    }
    removeWithCompanions(temporary);
    QString error;
    if (!copyDurably(where.olderStore, temporary, &error)) {
        removeWithCompanions(temporary);
        *message = QStringLiteral("default.store ne peut pas être copié : %1").arg(error);
        return CopyOutcome::Failed;
    }
    // The journal's last writes belong to the store; its shared-memory index is rebuilt.
    const QString olderWal = where.olderStore + kCompanions[0];
    if (existsAt(olderWal) && !copyDurably(olderWal, temporary + kCompanions[0], &error)) {
        removeWithCompanions(temporary);
        *message = QStringLiteral("default.store-wal ne peut pas être copié : %1").arg(error);
        return CopyOutcome::Failed;
    }
    const OpenFailure failure = ModelContext::inspect(temporary, &error);
    QFile::remove(temporary + kCompanions[1]);
    if (failure == OpenFailure::NotAStore) {
        removeWithCompanions(temporary);
        out << "❌ default.store n’est pas un store de Kestrovan (" << error
            << "): la copie est retirée, default.store reste en place" << Qt::endl;
        return CopyOutcome::NotAStore;
    }
    if (failure != OpenFailure::None) {
        removeWithCompanions(temporary);
        *kind = failure;
        *message = QStringLiteral("default.store: %1").arg(error);
        return CopyOutcome::Failed;
    }
    if ((existsAt(temporary + kCompanions[0])
         && !QFile::rename(temporary + kCompanions[0], where.storeFile + kCompanions[0]))
        || !QFile::rename(temporary, where.storeFile)) {
        removeWithCompanions(temporary);
        QFile::remove(where.storeFile + kCompanions[0]);
        *message = QStringLiteral("la copie de default.store ne peut pas prendre sa place");
        return CopyOutcome::Failed;
    }
    return CopyOutcome::Copied;
}

// The store's lock, taken before anything is copied into its place; null when start-up must
// stop, with "Kestrovan est déjà ouvert…" when another process holds the store.
std::unique_ptr<StoreLock> lockStore(const StoreLocation& where, QString* message, bool* alreadyOpen)
{
    OpenFailure failure = OpenFailure::None;
    qint64 pid = 0;
    bool inThisProgram = false;
    auto lock = StoreLock::take(where.storeFile, message, &failure, &pid, &inThisProgram);
    if (!lock && failure == OpenFailure::AlreadyOpen) {
        *alreadyOpen = true;
        *message = inThisProgram
                       ? QStringLiteral("Kestrovan est déjà ouvert sur ce magasin de données dans ce programme. "
                                        "Utilisez la fenêtre déjà ouverte.")
                       : QStringLiteral("Kestrovan est déjà ouvert sur ce magasin de données (processus %1). "
                                        "Utilisez la fenêtre déjà ouverte, ou quittez-la avant de relancer Kestrovan.")
                             .arg(pid);
    }
    return lock;
}

const QString kRelaunch = QStringLiteral("puis relancez Kestrovan.");

// What a store that does not open means for the user, and what they can do; `file` is the
// store's path.
void explainOpenFailure(StoreOpening& result, OpenFailure failure, const QString& file)
{
    switch (failure) {
    case OpenFailure::Damaged:
        result.whatHappened = QStringLiteral("Le magasin de données de Kestrovan est endommagé : il ne peut pas être ouvert sans risque de perdre des données.");
        result.whatToDo = QStringLiteral("Le fichier %1 n’a pas été modifié. Kestrovan fermé, remettez à sa place une sauvegarde de ce fichier, ou faites-le examiner par votre assistance, %2")
                              .arg(file, kRelaunch);
        break;
    case OpenFailure::NewerVersion:
        result.whatHappened = QStringLiteral("Le magasin de données a été enregistré par une version plus récente de Kestrovan, que celle-ci ne sait pas lire.");
        result.whatToDo = QStringLiteral("Installez la dernière version de Kestrovan, %1 Le fichier %2 n’a pas été modifié.").arg(kRelaunch, file);
        break;
    case OpenFailure::NotAStore:
        // A file whose header no longer reads looks foreign, yet it may be our own store,
        // damaged: both are said, the backup first, since starting empty over a damaged store
        // would leave the user's data behind.
        result.whatHappened = QStringLiteral("Le fichier %1 ne se lit pas comme un magasin de données de Kestrovan : "
                                             "c’est un autre fichier, ou un magasin de Kestrovan endommagé.")
                                  .arg(file);
        result.whatToDo = QStringLiteral("Il n’a pas été modifié. Si c’est votre magasin de données, endommagé, Kestrovan "
                                         "fermé, remettez à sa place une sauvegarde de ce fichier (%1), ou faites-le "
                                         "examiner par votre assistance, %2 Si c’est un autre fichier, déplacez-le ou "
                                         "renommez-le, %2 Kestrovan commencera avec un magasin vide.")
                              .arg(file, kRelaunch);
        break;
    default:
        result.whatHappened = QStringLiteral("Kestrovan ne peut pas ouvrir son magasin de données %1.").arg(file);
        result.whatToDo = QStringLiteral("Vérifiez que ce fichier et son dossier vous sont accessibles en écriture et que le disque n’est pas plein, %1")
                              .arg(kRelaunch);
        break;
    }
}

// The store of the former version (default.store) could not be taken over: nothing changed.
void explainOlderStore(StoreOpening& result, OpenFailure failure, const StoreLocation& where)
{
    explainOpenFailure(result, failure, where.olderStore);
    if (failure == OpenFailure::CannotOpen || failure == OpenFailure::None) {
        result.whatHappened = QStringLiteral("Kestrovan n’a pas pu reprendre les données de sa version précédente (%1).").arg(where.olderStore);
        result.whatToDo = QStringLiteral("Rien n’a été modifié : ce fichier est resté en place. Vérifiez que le dossier %1 vous est accessible en écriture et que le disque n’est pas plein, %2")
                              .arg(where.storeFolder, kRelaunch);
    }
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
    // `explain` fills in the user's words before the refusal goes back.
    auto fatal = [&](const QString& why, const std::function<void()>& explain) {
        result.context.reset();
        result.fatalMessage = QString::fromUtf8(kFatalPrefix) + why;
        explain();
        return std::move(result);
    };
    auto folderRefused = [&](const QString& folder) {
        return [&result, folder] {
            result.whatHappened = QStringLiteral("Kestrovan ne peut pas créer le dossier de ses données : %1").arg(folder);
            result.whatToDo = QStringLiteral("Vérifiez que ce dossier vous est accessible en écriture et que le disque n’est pas plein, %1")
                                  .arg(kRelaunch);
        };
    };
    if (baseFolder.isEmpty())
        return fatal(QStringLiteral("le dossier des données de l’utilisateur est introuvable"), [&result] {
            result.whatHappened = QStringLiteral("Kestrovan ne trouve pas le dossier où ranger ses données.");
            result.whatToDo = QStringLiteral("Vérifiez que votre session a un dossier personnel accessible (variable HOME), %1").arg(kRelaunch);
        });
    if (!QDir().mkpath(baseFolder))
        return fatal(QStringLiteral("le dossier %1 ne peut pas être créé").arg(baseFolder), folderRefused(baseFolder));

    const StoreLocation where = storeLocation(baseFolder, bundleIdentifier);
    QDir().mkpath(where.storeFolder); // a failure shows when the store is opened

    QString why;
    bool alreadyOpen = false;
    std::unique_ptr<StoreLock> lock = lockStore(where, &why, &alreadyOpen);
    if (alreadyOpen) {
        result.fatalMessage = QStringLiteral("❌ ") + why;
        result.whatHappened = why;
        return result;
    }
    if (!lock)
        return fatal(why, [&] { explainOpenFailure(result, OpenFailure::CannotOpen, where.storeFile); });

    bool copied = false;
    if (!existsAt(where.storeFile) && existsAt(where.olderStore)) {
        OpenFailure kind = OpenFailure::CannotOpen;
        switch (copyOlderStore(where, out, &why, &kind)) {
        case CopyOutcome::Copied:
            copied = true;
            break;
        case CopyOutcome::NotAStore:
            break;
        case CopyOutcome::Failed:
            // Nothing removed, nothing left in place: the next start tries again.
            return fatal(why, [&] { explainOlderStore(result, kind, where); });
        }
    }

    QString error;
    OpenFailure failure = OpenFailure::None;
    result.context = ModelContext::open(std::move(lock), where.storeFile, &error, &failure);
    if (!result.context && copied) {
        // The copy is ours to take back; default.store stays where it is.
        removeWithCompanions(where.storeFile);
        return fatal(QStringLiteral("default.store: %1").arg(error), [&] { explainOlderStore(result, failure, where); });
    }
    if (result.context && copied) {
        // Said only now: a copy that does not open is no migration.
        out << "🛠️ Migré default.store → " << where.storeFile << Qt::endl;
    }
    if (!result.context)
        return fatal(error.isEmpty() ? QStringLiteral("le store %1 ne peut pas être ouvert").arg(where.storeFile) : error,
                     [&] { explainOpenFailure(result, failure, where.storeFile); });
    out << "📦 SwiftData store URL: " << where.storeFile << Qt::endl;
    return result;
}

QString dialogText(const QString& consoleLine)
{
    // The opening symbol and the spaces after it (an emoji may carry a variation selector).
    int i = 0;
    while (i < consoleLine.size() && !consoleLine.at(i).isLetterOrNumber()
           && (consoleLine.at(i).isSurrogate() || consoleLine.at(i).unicode() >= 0x2000
               || consoleLine.at(i).isSpace()))
        ++i;
    return consoleLine.mid(i);
}

namespace {

// The error's description in a console line: what follows the fatal prefix, else the line.
QString errorOf(const QString& consoleLine)
{
    const QString prefix = QString::fromUtf8(kFatalPrefix);
    return consoleLine.startsWith(prefix) ? consoleLine.mid(prefix.size()) : dialogText(consoleLine);
}

} // namespace

std::unique_ptr<QMessageBox> refusalDialog(const StoreOpening& opening)
{
    // Its details, once open, keep it within the screen.
    installDialogConventions();
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, QStringLiteral("Kestrovan"),
                                             opening.whatHappened.isEmpty() ? dialogText(opening.fatalMessage)
                                                                            : opening.whatHappened);
    box->setObjectName(QStringLiteral("refusAuDemarrage"));
    box->setInformativeText(opening.whatToDo);
    // The error as the store reported it, for whoever helps the user, a click away; in words,
    // without the console line's name of the framework piece that failed.
    if (!opening.whatHappened.isEmpty() && opening.whatHappened != dialogText(opening.fatalMessage)) {
        box->setDetailedText(QStringLiteral("Erreur rapportée : ") + errorOf(opening.fatalMessage));
        // Once shown, the details are reached by Tab and read by a screen reader, line by line.
        if (auto* details = box->findChild<QTextEdit*>()) {
            details->setFocusPolicy(Qt::StrongFocus);
            details->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
            details->setAccessibleName(QStringLiteral("Détails de l’erreur"));
        }
    }
    box->setStandardButtons(QMessageBox::Ok);
    // Opening or closing the details leaves Return to « OK ».
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    for (QAbstractButton* b : box->buttons())
        if (box->buttonRole(b) == QMessageBox::ActionRole)
            QObject::connect(b, &QAbstractButton::clicked, ok, [ok] { ok->setFocus(Qt::OtherFocusReason); });
    return box;
}

bool closeStoreForExit(ModelContext& context, QString* error)
{
    const bool saved = !context.hasChanges() || context.save(error);
    context.closeFile();
    return saved;
}

} // namespace kv
