#include "faults.h"
#include "fixtures.h"
#include "tests.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <cmath>
#include <limits>
#include <memory>

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
    // The table loses a column behind the store's back: the statements cannot be prepared.
    QCOMPARE(rawExec(path(), "ALTER TABLE Benne DROP COLUMN notes"), QString());
    Benne* benne = ctx->all<Benne>().first();
    benne->setNotes(QStringLiteral("Repeinte"));
    QString error;
    QVERIFY(!ctx->save(&error));
    QVERIFY(error.contains(QStringLiteral("notes")));
    QVERIFY(!ctx->save(&error)); // again: fails the same way, no crash
    QVERIFY(ctx->hasChanges());
    // Such a file is damaged for a new opening: a missing column is never read as its own name.
    QString openError;
    QCOMPARE(openFailure(path(), &openError), OpenFailure::Damaged);
    QVERIFY2(openError.contains(QStringLiteral("notes")), qPrintable(openError));
    // The cause gone, the pending change is written.
    QCOMPARE(rawExec(path(), "ALTER TABLE Benne ADD COLUMN notes TEXT NOT NULL DEFAULT ''"), QString());
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
    auto storedMatches = [&](const QString& expected) {
        QString error;
        auto check = ModelContext::open(path(), &error);
        if (!check)
            return false;
        const Client* stored = check->all<Client>().first();
        return stored->email() == std::optional<QString>(expected) && stored->numeroTVA() == std::optional<QString>(expected);
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
        {
            // The file holds the last acknowledged state.
            auto check = ModelContext::open(path());
            QVERIFY(check);
            QCOMPARE(check->all<Client>().first()->nom(), n == 1 ? QStringLiteral("Dupont") : QStringLiteral("Nom %1").arg(n - 1));
        }
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
        {"UPDATE Contact SET client = NULL", "Contact"},
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
    // The writer refuses what the loader refuses: a contact without its client.
    auto ctx = ModelContext::open(path());
    Contact* contact = ctx->all<Contact>().first();
    contact->setClient(nullptr);
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
