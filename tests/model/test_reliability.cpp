#include "faults.h"
#include "fixtures.h"
#include "tests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <memory>
#include <thread>

using namespace kv;

namespace {

std::unique_ptr<QTemporaryDir> g_dir;

QString path(const QString& name = QStringLiteral("SwiftData.store"))
{
    return g_dir->filePath(name);
}

// Runs SQL on a file through a connection of its own; returns SQLite's message on failure.
QString rawExec(const QString& file, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char* msg = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &msg);
    const QString out = rc == SQLITE_OK ? QString() : QString::fromUtf8(msg ? msg : "error");
    sqlite3_free(msg);
    sqlite3_close(db);
    return out;
}

// The first value of a query, read through a read-only connection of the test's own.
QString rawValue(const QString& file, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QString out = QStringLiteral("<erreur>");
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QByteArray bytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

// A store of ours with a few records of each common kind.
void makeStore(const QString& file)
{
    auto ctx = ModelContext::open(file);
    QVERIFY(ctx);
    auto* c = fx::client(ctx.get(), "Dupont");
    auto* b = fx::benne(ctx.get());
    auto* l = fx::location(c, b, fx::type(ctx.get()));
    l->ajouterBonDePesee(fx::at(2026, 3, 2), QStringLiteral("T1"), 1000, 200, std::nullopt, std::nullopt);
    new Contact("Jean", "Dupont", "01", "", c);
    QVERIFY(ctx->save());
}

// A file and its write-ahead log as a crash leaves them: the log still holds what was written.
// `setup` runs on a connection in WAL mode that is still open when the files are copied.
void makeWithWal(const QString& target, const QString& setup)
{
    const QString source = path(QStringLiteral("source.db"));
    sqlite3* db = nullptr;
    sqlite3_open(source.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;", nullptr, nullptr, nullptr);
    QCOMPARE(sqlite3_exec(db, setup.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    QVERIFY(QFile::copy(source, target));
    QVERIFY(QFile::copy(source + "-wal", target + "-wal"));
    sqlite3_close(db);
    QFile::remove(source);
    QVERIFY(QFile(target + "-wal").size() > 0);
}

// A file and its hot rollback journal, as a save cut short leaves them: `sql` runs in rollback
// journal mode with a cache so small that its pages reach the file before it commits; the file
// and its journal are copied while it is still open. `source` is left as it was.
void makeWithHotJournal(const QString& source, const QString& target, const QString& sql)
{
    const QString work = target + QStringLiteral(".travail");
    QVERIFY(QFile::copy(source, work));
    sqlite3* db = nullptr;
    sqlite3_open(work.toUtf8().constData(), &db);
    QCOMPARE(sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA cache_size=2; BEGIN;", nullptr, nullptr, nullptr),
             SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    const QByteArray started = bytes(source);
    QVERIFY(QFile::copy(work, target));
    QVERIFY(QFile::copy(work + "-journal", target + "-journal"));
    sqlite3_close(db); // rolls the work copy back: it is no longer needed
    QFile::remove(work);
    QVERIFY(QFile(target + "-journal").size() > 0);
    QVERIFY2(bytes(target) != started, "some pages of the cut save reached the file");
}

// Many long rows: more pages than the cache holds.
const QString kManyContacts = QStringLiteral(
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
    "INSERT INTO Contact (pk, prenom, nom, telephone, email, client, clientOrd) "
    "SELECT 5000 + i, printf('%0300d', i), 'Coupé', '', '', NULL, 0 FROM n;");

// The names, sizes and bytes of every entry of a folder.
QMap<QString, QByteArray> folderContent(const QString& folder)
{
    QMap<QString, QByteArray> content;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries)
        content.insert(e.fileName(), e.isFile() ? bytes(e.filePath()) : QByteArray("<dossier>"));
    return content;
}

OpenFailure openFailure(const QString& file, QString* error = nullptr)
{
    QString e;
    OpenFailure failure = OpenFailure::None;
    auto ctx = ModelContext::open(file, &e, &failure);
    if (error)
        *error = e;
    return ctx ? OpenFailure::None : failure;
}

} // namespace

void TestReliability::init()
{
    faults::disarmAll();
    g_dir = std::make_unique<QTemporaryDir>();
}

void TestReliability::cleanup()
{
    faults::disarmAll();
    g_dir.reset();
}

void TestReliability::saveAfterAFailedSave()
{
    makeStore(path());
    auto ctx = ModelContext::open(path());
    QVERIFY(ctx);
    // The table loses a column behind the store's back, by a program that ignores the lock: the
    // save is refused before anything is written, as often as it is tried, and the change
    // stays pending.
    QCOMPARE(rawExec(path(), "ALTER TABLE Benne DROP COLUMN notes"), QString());
    Benne* benne = ctx->all<Benne>().first();
    benne->setNotes(QStringLiteral("Repeinte"));
    QString error;
    QVERIFY(!ctx->save(&error));
    QVERIFY2(error.contains(QStringLiteral("modifié par un autre programme")), qPrintable(error));
    QVERIFY(!ctx->save(&error)); // again: fails the same way, no crash
    QVERIFY(ctx->hasChanges());
    // Such a file is damaged for a new opening: a missing column is never read as its own name.
    QString openError;
    QCOMPARE(ModelContext::inspect(path(), &openError), OpenFailure::Damaged);
    QVERIFY2(openError.contains(QStringLiteral("notes")), qPrintable(openError));
    // Repaired and opened again, the store saves.
    QCOMPARE(rawExec(path(), "ALTER TABLE Benne ADD COLUMN notes TEXT NOT NULL DEFAULT ''"), QString());
    ctx.reset();
    ctx = ModelContext::open(path(), &error);
    QVERIFY2(ctx, qPrintable(error));
    ctx->all<Benne>().first()->setNotes(QStringLiteral("Repeinte"));
    QVERIFY2(ctx->save(&error), qPrintable(error));
    ctx.reset();
    ctx = ModelContext::open(path(), &error);
    QVERIFY2(ctx, qPrintable(error));
    QCOMPARE(ctx->all<Benne>().first()->notes(), QStringLiteral("Repeinte"));
}

void TestReliability::failedAllocationsFailTheSave()
{
    makeStore(path());
    auto ctx = ModelContext::open(path());
    QVERIFY(ctx);
    Client* client = ctx->all<Client>().first();
    // Long texts, so that binding them allocates.
    const QString longText = QString(3000, QLatin1Char('x'));
    // What the file holds, read beside the context that keeps it open.
    auto storedMatches = [&](const QString& expected) {
        return ModelContext::inspect(path()) == OpenFailure::None
               && rawValue(path(), "SELECT email FROM Client ORDER BY pk LIMIT 1") == expected
               && rawValue(path(), "SELECT numeroTVA FROM Client ORDER BY pk LIMIT 1") == expected;
    };
    // Each allocation of a save fails in turn: one alone, then every one from it on (the
    // rollback itself fails and the connection is recovered). A save either stores exactly what
    // was given, or fails, keeps the changes, and the next save stores them.
    for (const bool keepFailing : {false, true}) {
        QVERIFY(ctx->save());
        client->setEmail(longText);
        faults::failAllocations(-1);
        QVERIFY(ctx->save());
        const long cleanSave = faults::failAllocations(-1);
        QVERIFY(cleanSave > 5);
        int failures = 0;
        for (int k = 0; k <= cleanSave + 2; ++k) {
            const QString expected = longText + QString::number(k) + (keepFailing ? "a" : "b");
            client->setEmail(expected);
            client->setNumeroTVA(expected);
            faults::failAllocations(k, keepFailing);
            QString error;
            const bool saved = ctx->save(&error);
            faults::failAllocations(-1);
            if (!saved) {
                ++failures;
                QVERIFY(ctx->hasChanges());
                QVERIFY2(ctx->save(&error), qPrintable(QStringLiteral("%1: %2").arg(k).arg(error)));
            }
            QVERIFY(!ctx->hasChanges());
            QVERIFY2(storedMatches(expected), qPrintable(QStringLiteral("allocation %1").arg(k)));
        }
        QVERIFY(failures > 5);
    }
    // After all of that, the store still saves.
    client->setVille(QStringLiteral("Paris"));
    QString error;
    QVERIFY2(ctx->save(&error), qPrintable(error));
}

void TestReliability::diskFullAndIoErrors()
{
    makeStore(path());
    auto ctx = ModelContext::open(path());
    QVERIFY(ctx);
    Client* client = ctx->all<Client>().first();
    const struct {
        int code;
        int after;
        const char* file;
    } cases[] = {{SQLITE_FULL, 0, ""}, {SQLITE_IOERR_WRITE, 1, "-wal"}, {SQLITE_IOERR_WRITE, 3, ""}};
    int n = 0;
    for (const auto& c : cases) {
        client->setNom(QStringLiteral("Nom %1").arg(++n));
        new Contact("Nouveau", QString::number(n), "", "", client);
        faults::failWrites(c.after, c.code, QString::fromLatin1(c.file));
        QString error;
        QVERIFY(!ctx->save(&error));
        faults::disarmAll();
        QVERIFY(!error.isEmpty());
        QVERIFY(ctx->hasChanges());
        // The file holds the last acknowledged state.
        QCOMPARE(ModelContext::inspect(path()), OpenFailure::None);
        QCOMPARE(rawValue(path(), "SELECT nom FROM Client ORDER BY pk LIMIT 1"),
                 n == 1 ? QStringLiteral("Dupont") : QStringLiteral("Nom %1").arg(n - 1));
        QVERIFY2(ctx->save(&error), qPrintable(error));
    }
    ctx.reset();
    ctx = ModelContext::open(path());
    QCOMPARE(ctx->all<Client>().first()->nom(), QStringLiteral("Nom 3"));
    QCOMPARE(ctx->all<Client>().first()->contacts().size(), 4);
}

void TestReliability::refusedFilesStayUntouched()
{
    const QString foreign = path(QStringLiteral("autre.db"));
    makeWithWal(foreign, "CREATE TABLE notes (texte TEXT); INSERT INTO notes VALUES ('garder');");
    const QString newer = path(QStringLiteral("recent.store"));
    makeWithWal(newer, QStringLiteral("PRAGMA application_id = %1; PRAGMA user_version = 99; "
                                      "CREATE TABLE Client (pk INTEGER PRIMARY KEY); INSERT INTO Client VALUES (1);")
                           .arg(0x4B535456));
    for (const auto& [file, kind] : {std::pair{foreign, OpenFailure::NotAStore}, std::pair{newer, OpenFailure::NewerVersion}}) {
        const QByteArray main = bytes(file), wal = bytes(file + "-wal");
        QString error;
        QCOMPARE(openFailure(file, &error), kind);
        QCOMPARE(ModelContext::inspect(file), kind);
        QCOMPARE(bytes(file), main);
        QCOMPARE(bytes(file + "-wal"), wal);
    }
    // A text file is foreign too.
    QFile text(path(QStringLiteral("notes.txt")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Liste des courses\n");
    text.close();
    QCOMPARE(openFailure(text.fileName()), OpenFailure::NotAStore);
    QCOMPARE(bytes(text.fileName()), QByteArray("Liste des courses\n"));
}

void TestReliability::damagedStoresAreDamaged()
{
    makeStore(path(QStringLiteral("modele.store")));
    int n = 0;
    auto variant = [&](const QString& sql) {
        const QString file = path(QStringLiteral("variante%1.store").arg(++n));
        QFile::copy(path(QStringLiteral("modele.store")), file);
        if (!sql.isEmpty())
            [&] { QCOMPARE(rawExec(file, sql), QString()); }();
        return file;
    };
    struct Case {
        QString sql;
        QString expected; // in the message
    };
    const Case cases[] = {
        {"DROP TABLE Contact; CREATE VIEW Contact AS SELECT 1 AS pk", "Contact"},
        {"CREATE TRIGGER t AFTER INSERT ON Client BEGIN DELETE FROM Client; END", "t"},
        {"CREATE TABLE Intrus (x)", "Intrus"},
        {"ALTER TABLE Client DROP COLUMN ville", "ville"},
        {"UPDATE LocationDeBenne SET client = NULL", "LocationDeBenne"},
        {"UPDATE BonDePesee SET location = NULL", "BonDePesee"},
        {"UPDATE LocationDeBenne SET benne = NULL", "LocationDeBenne"},
        {"UPDATE Benne SET volume = 1e999", "Benne"},
        {"UPDATE Client SET pk = 9223372036854775807", "Client"},
        {"UPDATE Benne SET etat = 'Sale', dispositifSpecial = 'x'", "Benne"},
    };
    for (const Case& c : cases) {
        const QString file = variant(c.sql);
        const QByteArray before = bytes(file);
        QString error;
        QCOMPARE(openFailure(file, &error), OpenFailure::Damaged);
        QVERIFY2(error.contains(c.expected), qPrintable(c.sql + " → " + error));
        QCOMPARE(bytes(file), before);
    }
    // Truncated: still ours, damaged.
    {
        const QString file = variant(QString());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() / 2));
        f.close();
        QCOMPARE(openFailure(file), OpenFailure::Damaged);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(50));
        f.close();
        QCOMPARE(openFailure(file), OpenFailure::Damaged);
    }
    // A truncated copy of a store in write-ahead-log mode, alone in its folder: refused, and the
    // folder keeps exactly what it held (no log nor index written beside the file).
    {
        const QString folder = path(QStringLiteral("copie-tronquee"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/SwiftData.store");
        QVERIFY(QFile::copy(path(QStringLiteral("modele.store")), file));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() / 2));
        f.close();
        const auto before = folderContent(folder);
        QCOMPARE(openFailure(file), OpenFailure::Damaged);
        QCOMPARE(ModelContext::inspect(file), OpenFailure::Damaged);
        QCOMPARE(folderContent(folder).keys(), before.keys());
        QCOMPARE(folderContent(folder), before);
    }
    // Pages overwritten in the middle: the quick check finds it.
    {
        const QString file = variant(QString());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 pages = f.size() / 4096;
        for (qint64 p = 2; p < pages; ++p) {
            f.seek(p * 4096 + 100);
            f.write(QByteArray(600, '\x7f'));
        }
        f.close();
        QString error;
        QCOMPARE(openFailure(file, &error), OpenFailure::Damaged);
    }
}

void TestReliability::unreadableAndReadOnly()
{
    makeStore(path());
    // An input/output error is neither foreign nor damaged: the system's reason is given.
    faults::failReads(2, path());
    QString error;
    QCOMPARE(openFailure(path(), &error), OpenFailure::CannotOpen);
    QVERIFY2(error.contains(QStringLiteral("I/O")), qPrintable(error));
    faults::disarmAll();
    // A folder where the file should be.
    QDir().mkpath(path(QStringLiteral("dossier.store")));
    QCOMPARE(openFailure(path(QStringLiteral("dossier.store"))), OpenFailure::CannotOpen);
    // A store that cannot be written is said at opening, not at the first save.
    faults::openReadOnly(QStringLiteral("SwiftData.store"));
    QCOMPARE(openFailure(path(), &error), OpenFailure::CannotOpen);
    QVERIFY2(error.contains(QStringLiteral("lecture seule")), qPrintable(error));
    faults::disarmAll();
    // A folder where the journal cannot be made: said at opening too.
    faults::failOpens(QStringLiteral("-wal"));
    QCOMPARE(openFailure(path(), &error), OpenFailure::CannotOpen);
    faults::disarmAll();
    QCOMPARE(openFailure(path()), OpenFailure::None);
    // The writer refuses what the loader refuses: a rental without its client.
    auto ctx = ModelContext::open(path());
    LocationDeBenne* rental = ctx->all<LocationDeBenne>().first();
    rental->setClient(nullptr);
    QVERIFY(!ctx->save(&error));
    QVERIFY2(error.contains(QStringLiteral("client")), qPrintable(error));
}

void TestReliability::killedDuringSavesLosesNothing()
{
    const QString file = path();
    makeStore(file);
    QRandomGenerator rng(11);
    int kills = 0;
    qint64 acknowledged = -1;
    for (int round = 0; round < 150; ++round) {
        QProcess child;
        child.start(QStringLiteral(KV_CRASH_CHILD), {file});
        QVERIFY(child.waitForStarted());
        // Kill it at a random moment once it has begun saving.
        QVERIFY(child.waitForReadyRead(10000));
        QTest::qWait(int(rng.bounded(25)));
        child.kill();
        child.waitForFinished();
        ++kills;
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        for (const QString& l : lines)
            acknowledged = std::max(acknowledged, l.toLongLong());
        QString error;
        auto ctx = ModelContext::open(file, &error);
        QVERIFY2(ctx, qPrintable(error));
        // Every acknowledged save is there: the rentals numbered 0 to the last acknowledged.
        QSet<qint64> numbers;
        for (LocationDeBenne* l : ctx->all<LocationDeBenne>())
            if (l->adresse())
                numbers.insert(l->adresse()->toLongLong());
        for (qint64 i = 0; i <= acknowledged; ++i)
            QVERIFY2(numbers.contains(i), qPrintable(QStringLiteral("location %1 perdue").arg(i)));
        for (LocationDeBenne* l : ctx->all<LocationDeBenne>())
            QCOMPARE(l->bonsDePesee().size(), l->adresse() ? 1 : 1);
    }
    QVERIFY(acknowledged > 0);
    QCOMPARE(kills, 150);
}

void TestReliability::orphanContactOpensAndSaves()
{
    makeStore(path());
    // A contact that belongs to no client, written by SQLite behind the store's back.
    QCOMPARE(rawExec(path(), "INSERT INTO Contact (pk, prenom, nom, telephone, email, client, clientOrd) "
                             "VALUES (1000, 'Paul', 'Sansclient', '02', '', NULL, 0)"),
             QString());
    QString error;
    auto ctx = ModelContext::open(path(), &error);
    QVERIFY2(ctx, qPrintable(error));
    Contact* orphan = nullptr;
    for (Contact* c : ctx->all<Contact>())
        if (c->nom() == QStringLiteral("Sansclient"))
            orphan = c;
    QVERIFY(orphan);
    QVERIFY(!orphan->client());
    // It is saved as it is, and so is a contact leaving its client.
    orphan->setTelephone(QStringLiteral("03"));
    Contact* other = ctx->all<Client>().first()->contacts().first();
    other->setClient(nullptr);
    QVERIFY2(ctx->save(&error), qPrintable(error));
    QVERIFY(ctx->all<Client>().first()->contacts().isEmpty());
    ctx.reset();
    ctx = ModelContext::open(path(), &error);
    QVERIFY2(ctx, qPrintable(error));
    QCOMPARE(ctx->all<Contact>().size(), 2);
    for (Contact* c : ctx->all<Contact>())
        QVERIFY(!c->client());
    QCOMPARE(ctx->all<Contact>().last()->telephone(), QStringLiteral("03"));
}

void TestReliability::journalNeedingRecoveryOpens()
{
    // Every save acknowledged still lies in the write-ahead log when the program dies.
    makeStore(path());
    auto ctx = ModelContext::open(path());
    QVERIFY(ctx);
    Client* client = ctx->all<Client>().first();
    for (int n = 1; n <= 5; ++n) {
        client->setVille(QStringLiteral("Ville %1").arg(n));
        new Contact("Contact", QString::number(n), "", "", client);
        QVERIFY(ctx->save());
    }
    QVERIFY(QFile(path() + "-wal").size() > 0);
    for (const bool zeroedIndex : {false, true}) {
        // The files as a crash leaves them: the store, its log, an index missing or zeroed,
        // which a reader cannot rebuild.
        const QString copy = path(zeroedIndex ? QStringLiteral("zero.store") : QStringLiteral("sans.store"));
        QVERIFY(QFile::copy(path(), copy));
        QVERIFY(QFile::copy(path() + "-wal", copy + "-wal"));
        if (zeroedIndex) {
            QFile index(copy + "-shm");
            QVERIFY(index.open(QIODevice::WriteOnly));
            index.write(QByteArray(32768, '\0'));
        }
        faults::readOnlyIndexForReaders(QFileInfo(copy).fileName());
        QString error;
        auto reopened = ModelContext::open(copy, &error);
        faults::disarmAll();
        QVERIFY2(reopened, qPrintable(error));
        QCOMPARE(reopened->all<Client>().first()->ville(), QStringLiteral("Ville 5"));
        QCOMPARE(reopened->all<Client>().first()->contacts().size(), 6);
        // And it is a working store.
        reopened->all<Client>().first()->setVille(QStringLiteral("Lyon"));
        QVERIFY2(reopened->save(&error), qPrintable(error));
    }
}

void TestReliability::failedSyncThenKilled()
{
    // The syncs of one save fail from the first, second, third… on (the first save of a fresh
    // journal syncs its header too); the program may save again once the syncs work, and is
    // then killed. The store reopens with exactly what the acknowledged saves wrote, or with
    // the failed save's data as well when it reached the files whole: never anything else.
    int variant = 0;
    for (const int failingSave : {1, 4, 5})
        for (const bool retry : {false, true})
            for (int failingSync = 0; failingSync < 4; ++failingSync) {
                const QString file = path(QStringLiteral("sync%1.store").arg(++variant));
                makeStore(file);
                const QString firstPhone = rawValue(file, "SELECT telephone FROM Client ORDER BY pk LIMIT 1");
                QProcess child;
                child.start(QStringLiteral(KV_SYNC_CHILD), {file, QString::number(failingSave), QString::number(failingSync),
                                                            retry ? QStringLiteral("retry") : QStringLiteral("-")});
                QVERIFY(child.waitForStarted());
                QString output;
                while (!output.contains(QStringLiteral("done")) && child.waitForReadyRead(20000))
                    output += QString::fromUtf8(child.readAllStandardOutput());
                child.kill();
                child.waitForFinished();
                const QString what = QStringLiteral("sauvegarde %1, synchronisation %2%3 (%4)")
                                         .arg(failingSave)
                                         .arg(failingSync)
                                         .arg(retry ? QStringLiteral(", reprise") : QString())
                                         .arg(output.simplified());
                QVERIFY2(output.contains(QStringLiteral("done")), qPrintable(what));
                // The saves acknowledged, and the one that failed.
                int acknowledged = 0, failed = 0;
                for (const QString& line : output.split('\n', Qt::SkipEmptyParts)) {
                    if (line.startsWith(QStringLiteral("saved ")))
                        acknowledged = line.mid(6).toInt();
                    else if (line.startsWith(QStringLiteral("failed ")) && !failed)
                        failed = line.mid(7).toInt();
                }
                QString error;
                auto ctx = ModelContext::open(file, &error);
                QVERIFY2(ctx, qPrintable(what + " : " + error));
                QStringList numbers;
                for (LocationDeBenne* l : ctx->all<LocationDeBenne>())
                    if (l->adresse() && l->adresse()->size() == 1)
                        numbers << *l->adresse();
                const QString state = numbers.join(',') + " / " + ctx->all<Client>().first()->telephone();
                // A failed save keeps its changes pending: the next acknowledged save writes them.
                auto expected = [&](int last) {
                    QStringList n;
                    for (int i = 1; i <= last; ++i)
                        n << QString::number(i);
                    return n.join(',') + " / " + (last ? QString::number(last) : firstPhone);
                };
                const bool allowed = state == expected(acknowledged)
                                     || (failed > acknowledged && state == expected(failed));
                QVERIFY2(allowed, qPrintable(what + " → " + state));
                // Every rental of a save came with its ticket, and the large save whole or not at all.
                qsizetype batch = 0;
                for (LocationDeBenne* l : ctx->all<LocationDeBenne>()) {
                    if (l->adresse() && l->adresse()->startsWith(QStringLiteral("lot ")))
                        ++batch;
                    else if (l->adresse() && l->adresse()->size() == 1)
                        QCOMPARE(l->bonsDePesee().size(), 1);
                }
                QVERIFY2(batch == (numbers.size() >= 3 ? 12000 : 0), qPrintable(what + " → " + QString::number(batch)));
            }
}

void TestReliability::refusedByTheLoaderStaysUntouched()
{
    // The main file is sound; what the loader refuses lives only in the write-ahead log: a
    // reference to no record, an identifier that is not one.
    makeStore(path(QStringLiteral("modele.store")));
    const QStringList changes = {QStringLiteral("UPDATE Contact SET client = 9999"),
                                 QStringLiteral("UPDATE Client SET id = x'0102'")};
    int n = 0;
    for (const QString& sql : changes) {
        const QString source = path(QStringLiteral("source%1.store").arg(n));
        const QString file = path(QStringLiteral("refuse%1.store").arg(n++));
        QVERIFY(QFile::copy(path(QStringLiteral("modele.store")), source));
        sqlite3* db = nullptr;
        sqlite3_open(source.toUtf8().constData(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;", nullptr, nullptr, nullptr);
        QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        QVERIFY(QFile::copy(source, file));
        QVERIFY(QFile::copy(source + "-wal", file + "-wal"));
        sqlite3_close(db);
        const QByteArray main = bytes(file), wal = bytes(file + "-wal");
        QVERIFY(!wal.isEmpty());
        QString error;
        QCOMPARE(openFailure(file, &error), OpenFailure::Damaged);
        QCOMPARE(bytes(file), main);
        QCOMPARE(bytes(file + "-wal"), wal);
        // Refused again the same way: nothing was written back in between.
        QCOMPARE(openFailure(file), OpenFailure::Damaged);
        QCOMPARE(bytes(file), main);
    }
}

void TestReliability::notARegularFileRefusedAtOnce()
{
    // A folder, and a link to a device.
    QDir().mkpath(path(QStringLiteral("dossier.store")));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path(QStringLiteral("appareil.store"))));
    QStringList places = {path(QStringLiteral("dossier.store")), path(QStringLiteral("appareil.store"))};
#ifdef Q_OS_UNIX
    // A named pipe, which nobody writes into: reading it would wait forever.
    const QString pipe = path(QStringLiteral("tube.store"));
    QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {pipe}), 0);
    places << pipe;
#endif
    for (const QString& place : places) {
        std::promise<std::pair<OpenFailure, QString>> promise;
        auto outcome = promise.get_future();
        std::thread opener([&] {
            QString error;
            const OpenFailure failure = openFailure(place, &error);
            promise.set_value({failure, error});
        });
        const bool answered = outcome.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        if (!answered) {
            // Let the blocked reader go before failing.
            QFile writer(place);
            if (writer.open(QIODevice::WriteOnly))
                writer.close();
        }
        opener.join();
        QVERIFY2(answered, qPrintable(place));
        const auto [failure, error] = outcome.get();
        QCOMPARE(failure, OpenFailure::CannotOpen);
        QVERIFY2(error.startsWith(QStringLiteral("Impossible de lire « %1 »").arg(place)), qPrintable(error));
    }
}

void TestReliability::oneOpenerAtATime()
{
    makeStore(path());
    auto first = ModelContext::open(path());
    QVERIFY(first);
    first->all<Client>().first()->setNom(QStringLiteral("En cours"));
    const QByteArray main = bytes(path()), wal = bytes(path() + "-wal");
    // A second context, in this process or in another program, is refused and writes nothing.
    QString error;
    OpenFailure failure = OpenFailure::None;
    QVERIFY(!ModelContext::open(path(), &error, &failure));
    QCOMPARE(failure, OpenFailure::AlreadyOpen);
    // Refused within this very program, it is told so, not sent looking for another program.
    QVERIFY2(error.contains(QStringLiteral("déjà ouvert dans ce programme")) && error.contains(path())
                 && !error.contains(QStringLiteral("processus")),
             qPrintable(error));
    QProcess info;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QDir().mkpath(path(QStringLiteral("donnees")));
    const QString infoStore = path(QStringLiteral("donnees/TAV.Kestrovan/SwiftData.store"));
    QDir().mkpath(QFileInfo(infoStore).path());
    QVERIFY(QFile::copy(path(), infoStore));
    auto held = ModelContext::open(infoStore);
    QVERIFY(held);
    const QByteArray infoBytes = bytes(infoStore);
    env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("donnees")));
    info.setProcessEnvironment(env);
    info.start(QStringLiteral(KV_STORE_INFO), {});
    QVERIFY(info.waitForFinished(30000));
    QVERIFY(info.exitCode() != 0);
    // Another program is told which process holds the store: this one.
    const QString infoError = QString::fromUtf8(info.readAllStandardError());
    QVERIFY2(infoError.contains(QStringLiteral("déjà ouvert par un autre programme (processus %1)")
                                    .arg(QCoreApplication::applicationPid())),
             qPrintable(infoError));
    QCOMPARE(bytes(infoStore), infoBytes);
    QCOMPARE(bytes(path()), main);
    QCOMPARE(bytes(path() + "-wal"), wal);
    // The first still saves; once it is closed, the store opens again.
    QVERIFY2(first->save(&error), qPrintable(error));
    first.reset();
    auto again = ModelContext::open(path(), &error);
    QVERIFY2(again, qPrintable(error));
    QCOMPARE(again->all<Client>().first()->nom(), QStringLiteral("En cours"));
}

void TestReliability::lockLeftByAGoneOpenerIsTakenOver()
{
    makeStore(path());
    const QString lockFile = path() + QStringLiteral(".lock");
    // What a program killed (or a machine cut off) while taking the lock leaves behind: an
    // empty file, half of its contents, or the contents of a process that is no longer there.
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    QVERIFY(gone.waitForFinished());
    const QByteArray leftovers[] = {
        QByteArray(),
        QByteArray("4"),
        QByteArray::number(gone.processId()) + "\nKestrovan\n",
        QByteArray("pas un verrou\n\n\n"),
    };
    for (const QByteArray& leftover : leftovers) {
        QFile file(lockFile);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(leftover);
        file.close();
        QString error;
        OpenFailure failure = OpenFailure::None;
        auto ctx = ModelContext::open(path(), &error, &failure);
        QVERIFY2(ctx, qPrintable(QStringLiteral("%1 (verrou « %2 »)").arg(error, QString::fromUtf8(leftover))));
        QCOMPARE(failure, OpenFailure::None);
        // Taken over, it holds again: a second opener is refused and told who holds the store.
        QVERIFY(!ModelContext::open(path(), &error, &failure));
        QCOMPARE(failure, OpenFailure::AlreadyOpen);
        QVERIFY2(error.contains(QStringLiteral("dans ce programme")), qPrintable(error));
        ctx.reset();
        // Released, it leaves nothing behind.
        QVERIFY(!QFileInfo::exists(lockFile));
    }
}

void TestReliability::changedByAnotherProgramRefused()
{
    makeStore(path());
    auto ctx = ModelContext::open(path());
    QVERIFY(ctx);
    Client* client = ctx->all<Client>().first();
    client->setVille(QStringLiteral("Avant"));
    QVERIFY(ctx->save());
    // A program that ignores the lock writes into the store.
    QCOMPARE(rawExec(path(), "UPDATE Client SET nom = 'Autre programme'"), QString());
    const QByteArray main = bytes(path()), wal = bytes(path() + "-wal");
    client->setVille(QStringLiteral("Après"));
    QString error;
    QVERIFY(!ctx->save(&error));
    QVERIFY2(error.contains(QStringLiteral("Le magasin a été modifié par un autre programme")), qPrintable(error));
    QVERIFY(ctx->hasChanges());
    QCOMPARE(client->ville(), QStringLiteral("Après"));
    QCOMPARE(bytes(path()), main);
    QCOMPARE(bytes(path() + "-wal"), wal);
    QVERIFY(!ctx->save(&error)); // and again: nothing is written over the other program's work
    QCOMPARE(rawValue(path(), "SELECT nom FROM Client ORDER BY pk LIMIT 1"), QStringLiteral("Autre programme"));
    QCOMPARE(rawValue(path(), "SELECT ville FROM Client ORDER BY pk LIMIT 1"), QStringLiteral("Avant"));
}

void TestReliability::storeCutDuringItsFirstSaveOpens()
{
    // The creation of a new store stops writing after each of its writes in turn, as a kill or a
    // power cut stops it. Whatever it left, the next opening makes a new, empty store of it.
    int cuts = 0;
    for (int writes = 0;; ++writes) {
        const QString file = path(QStringLiteral("neuf%1.store").arg(writes));
        faults::failWrites(writes, SQLITE_IOERR_WRITE);
        auto cut = ModelContext::open(file);
        const bool whole = cut != nullptr;
        cut.reset();
        faults::disarmAll();
        QString error;
        auto ctx = ModelContext::open(file, &error);
        QVERIFY2(ctx, qPrintable(QStringLiteral("coupé après %1 écritures : %2").arg(writes).arg(error)));
        QCOMPARE(ctx->count<Client>(), 0);
        // A working store: what it saves is there at the next opening.
        fx::client(ctx.get(), "Premier");
        QVERIFY2(ctx->save(&error), qPrintable(error));
        ctx.reset();
        QVERIFY(!QFileInfo::exists(file + "-journal"));
        ctx = ModelContext::open(file, &error);
        QVERIFY2(ctx, qPrintable(error));
        QCOMPARE(ctx->all<Client>().size(), 1);
        if (whole)
            break;
        ++cuts;
    }
    QVERIFY(cuts > 3);
}

void TestReliability::saveCutInRollbackModeOpensAsBefore()
{
    // A store that held saves, cut in the middle of a save made with a rollback journal: it opens
    // as it was before that save, every earlier save there.
    makeStore(path());
    QVERIFY(!QFileInfo::exists(path() + "-wal"));
    const QString file = path(QStringLiteral("coupe.store"));
    makeWithHotJournal(path(), file, QStringLiteral("UPDATE Client SET nom = 'Coupé';") + kManyContacts);
    // A reader alone cannot open it.
    QCOMPARE(rawValue(file, "SELECT nom FROM Client"), QStringLiteral("<erreur>"));
    QString error;
    auto ctx = ModelContext::open(file, &error);
    QVERIFY2(ctx, qPrintable(error));
    QCOMPARE(ctx->all<Client>().size(), 1);
    QCOMPARE(ctx->all<Client>().first()->nom(), QStringLiteral("Dupont"));
    QCOMPARE(ctx->all<Contact>().size(), 1);
    QCOMPARE(ctx->all<LocationDeBenne>().size(), 1);
    QCOMPARE(ctx->all<LocationDeBenne>().first()->bonsDePesee().size(), 1);
    QVERIFY(!QFileInfo::exists(file + "-journal"));
    // And it saves again.
    ctx->all<Client>().first()->setVille(QStringLiteral("Nantes"));
    QVERIFY2(ctx->save(&error), qPrintable(error));
    ctx.reset();
    ctx = ModelContext::open(file, &error);
    QVERIFY2(ctx, qPrintable(error));
    QCOMPARE(ctx->all<Client>().first()->ville(), QStringLiteral("Nantes"));
}

void TestReliability::hotJournalOfAForeignFileIsNotPlayedBack()
{
    const QString foreign = path(QStringLiteral("autre.db"));
    QCOMPARE(rawExec(foreign, "CREATE TABLE notes (texte TEXT); INSERT INTO notes VALUES ('garder');"), QString());
    const QString manyNotes = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
        "INSERT INTO notes SELECT printf('%0300d', i) FROM n;");

    // Foreign by its header: neither its file nor its journal is touched.
    const QString file = path(QStringLiteral("autre-coupe.db"));
    makeWithHotJournal(foreign, file, manyNotes);
    const QByteArray main = bytes(file), journal = bytes(file + "-journal");
    QString error;
    QCOMPARE(openFailure(file, &error), OpenFailure::NotAStore);
    QCOMPARE(ModelContext::inspect(file), OpenFailure::NotAStore);
    QCOMPARE(bytes(file), main);
    QCOMPARE(bytes(file + "-journal"), journal);

    // Ours by its header only through the cut save: played back, it is foreign again, and
    // nothing more is written to it.
    const QString marked = path(QStringLiteral("marque-coupe.db"));
    makeWithHotJournal(foreign, marked, QStringLiteral("PRAGMA application_id = %1;").arg(0x4B535456) + manyNotes);
    {
        QFile f(marked);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.seek(68));
        f.write(QByteArray("\x4B\x53\x54\x56", 4)); // as if the cut save's first page had reached the file
    }
    QCOMPARE(openFailure(marked, &error), OpenFailure::NotAStore);
    QVERIFY(!QFileInfo::exists(marked + "-journal"));
    QVERIFY(!QFileInfo::exists(marked + "-wal"));
    QCOMPARE(rawValue(marked, "SELECT count(*) FROM notes"), QStringLiteral("1"));
    QCOMPARE(rawValue(marked, "SELECT texte FROM notes"), QStringLiteral("garder"));
    const QByteArray playedBack = bytes(marked);
    QCOMPARE(openFailure(marked), OpenFailure::NotAStore);
    QCOMPARE(bytes(marked), playedBack);
}
