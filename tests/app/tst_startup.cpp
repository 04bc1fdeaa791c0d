#include "tests.h"

#include "app/appdelegate.h"
#include "app/baseagence.h"
#include "app/basecourante.h"
#include "app/contentview.h"
#include "app/startup.h"
#include "clients/clienteditorview.h"
#include "model/storebackend.h"
#include "platform/endsignals.h"

#include "model/pgserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStatusBar>
#include <QTextEdit>
#include <QUrl>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

using namespace kv;

namespace {

std::unique_ptr<QTemporaryDir> g_dir;

QString base()
{
    return g_dir->filePath(QStringLiteral("data"));
}

// Runs the start-up below the test's data folder; returns the console lines.
QStringList start(std::unique_ptr<ModelContext>* keep = nullptr, QString* fatal = nullptr,
                  const QString& bundle = QString::fromUtf8(kBundleIdentifier))
{
    QString text;
    QTextStream out(&text);
    StoreOpening opening = openStore(base(), bundle, out);
    out.flush();
    if (fatal)
        *fatal = opening.fatalMessage;
    if (keep)
        *keep = std::move(opening.context);
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString storeFile()
{
    return storeLocation(base(), QString::fromUtf8(kBundleIdentifier)).storeFile;
}

QString olderStore()
{
    return QDir(base()).filePath(QStringLiteral("default.store"));
}

// A store of ours at `path` holding one client named `nom`.
void makeStore(const QString& path, const QString& nom)
{
    if (!StoreBackend::isServer(path))
        QDir().mkpath(QFileInfo(path).absolutePath());
    QString error;
    auto ctx = ModelContext::open(path, &error);
    QVERIFY2(ctx, qPrintable(error));
    ctx->insert(new Client(QUuid::createUuid(), nom, "FF0000", "1 rue de la Paix", "75001", "Paris",
                           "0102030405", std::nullopt, std::nullopt));
    QVERIFY2(ctx->save(&error), qPrintable(error));
}

QStringList clientNames(ModelContext* ctx)
{
    QStringList names;
    for (Client* c : ctx->all<Client>())
        names << c->nom();
    return names;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The suite's throwaway server, started once; a new database of it as « Base de l'agence »
// names it.
BaseAgence serverBase(QString* location = nullptr)
{
    QString error;
    if (!pgtest::start(&error))
        qFatal("%s", qPrintable(error));
    const QString fresh = pgtest::freshDatabase();
    if (location)
        *location = fresh;
    BaseAgence b;
    b.serveur = true;
    b.hote = pgtest::socketFolder();
    b.base = QUrl(fresh).path().mid(1);
    b.utilisateur = QStringLiteral("kestrovan");
    return b;
}

// The program's pieces over one store, as main puts them together.
struct Desk {
    explicit Desk(std::unique_ptr<ModelContext> context) : courante(std::move(context)), delegate(courante.context())
    {
        courante.setDelegate(&delegate);
        window = qobject_cast<ContentView*>(delegate.newWindow());
    }
    ~Desk()
    {
        for (ContentView* w : ContentView::windows())
            w->closeAnswered();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    BaseCourante courante;
    AppDelegate delegate;
    ContentView* window;
};

const QString kBoxLine = QStringLiteral("📦 SwiftData store URL: ");
const QString kMigrated = QStringLiteral("🛠️ Migré default.store → ");

} // namespace

void StartupTest::init()
{
    g_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(g_dir->isValid());
}

void StartupTest::cleanup()
{
    g_dir.reset();
}

void StartupTest::bothStoresPresentCopiesNothing()
{
    makeStore(storeFile(), "Actuel");
    makeStore(olderStore(), "Ancien");
    std::unique_ptr<ModelContext> ctx;
    const QStringList lines = start(&ctx);
    QCOMPARE(lines, QStringList{kBoxLine + storeFile()});
    QVERIFY(ctx);
    QCOMPARE(clientNames(ctx.get()), QStringList{"Actuel"});
}

void StartupTest::copiesOlderStoreWithItsJournal()
{
    // While the older store is open its last writes live in its "-wal" companion only: the copy
    // holds them only if the companion is copied too.
    QDir().mkpath(base());
    QString error;
    auto older = ModelContext::open(olderStore(), &error);
    QVERIFY2(older, qPrintable(error));
    older->insert(new Client(QUuid::createUuid(), "Dupont", "00FF00", "", "", "", "", std::nullopt,
                             std::nullopt));
    QVERIFY(older->save(&error));
    QVERIFY2(QFile::exists(olderStore() + "-wal"), "the store journals its writes");

    std::unique_ptr<ModelContext> ctx;
    const QStringList lines = start(&ctx);
    QCOMPARE(lines, (QStringList{kMigrated + storeFile(), kBoxLine + storeFile()}));
    QVERIFY(ctx);
    QCOMPARE(clientNames(ctx.get()), QStringList{"Dupont"});
    QVERIFY2(QFile::exists(olderStore()), "the older store is copied, never moved");
}

void StartupTest::copiesOlderStoreWithoutShm()
{
    makeStore(olderStore(), "Martin");
    QFile::remove(olderStore() + "-shm");
    QFile::remove(olderStore() + "-wal");
    const QByteArray olderBytes = readFile(olderStore());
    std::unique_ptr<ModelContext> ctx;
    const QStringList lines = start(&ctx);
    QCOMPARE(lines, (QStringList{kMigrated + storeFile(), kBoxLine + storeFile()}));
    QCOMPARE(clientNames(ctx.get()), QStringList{"Martin"});
    QCOMPARE(readFile(olderStore()), olderBytes);
}

void StartupTest::removesStrayCompanionsBeforeCopying()
{
    makeStore(olderStore(), "Durand");
    writeFile(storeFile() + "-wal", QByteArray(4096, 'x'));
    writeFile(storeFile() + "-shm", QByteArray(512, 'y'));
    std::unique_ptr<ModelContext> ctx;
    const QStringList lines = start(&ctx);
    QCOMPARE(lines, (QStringList{kMigrated + storeFile(), kBoxLine + storeFile()}));
    QVERIFY(ctx);
    QCOMPARE(clientNames(ctx.get()), QStringList{"Durand"});
    QVERIFY(readFile(storeFile() + "-wal") != QByteArray(4096, 'x'));
}

void StartupTest::createsAnEmptyStoreWhenNoneExists()
{
    std::unique_ptr<ModelContext> ctx;
    const QStringList lines = start(&ctx);
    QCOMPARE(lines, QStringList{kBoxLine + storeFile()});
    QVERIFY(ctx);
    QVERIFY(QFile::exists(storeFile()));
    QCOMPARE(ctx->count<Client>(), 0);
    QCOMPARE(QFileInfo(storeFile()).absolutePath(), QDir(base()).filePath("TAV.Kestrovan"));
}

void StartupTest::secondLaunchDoesNotCopyAgain()
{
    makeStore(olderStore(), "Petit");
    {
        std::unique_ptr<ModelContext> ctx;
        QCOMPARE(start(&ctx).size(), 2);
        ctx->insert(new Client(QUuid::createUuid(), "Nouveau", "", "", "", "", "", std::nullopt,
                               std::nullopt));
        QVERIFY(ctx->save());
    }
    std::unique_ptr<ModelContext> ctx;
    QCOMPARE(start(&ctx), QStringList{kBoxLine + storeFile()});
    QCOMPARE(clientNames(ctx.get()), (QStringList{"Petit", "Nouveau"}));
}

void StartupTest::foldsToKestrovanWithoutBundleIdentifier()
{
    std::unique_ptr<ModelContext> ctx;
    const QString expected = QDir(base()).filePath("Kestrovan/SwiftData.store");
    QCOMPARE(start(&ctx, nullptr, QString()), QStringList{kBoxLine + expected});
    QVERIFY(QFile::exists(expected));
}

void StartupTest::olderFileThatIsNoStoreIsTakenBack()
{
    const QByteArray notes = "Ceci est un fichier texte, pas un store.\n";
    writeFile(olderStore(), notes);
    std::unique_ptr<ModelContext> ctx;
    QString fatal;
    QStringList lines = start(&ctx, &fatal);
    QVERIFY2(ctx, qPrintable(fatal));
    // Nothing was migrated, so no line says so.
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith("❌ default.store"), qPrintable(lines[0]));
    QCOMPARE(lines[1], kBoxLine + storeFile());
    QCOMPARE(readFile(olderStore()), notes);
    QCOMPARE(ctx->count<Client>(), 0);
    ctx.reset();
    // The next start neither copies again nor fails.
    QCOMPARE(start(&ctx), QStringList{kBoxLine + storeFile()});
}

void StartupTest::damagedOlderStoreIsNotMigrated()
{
    // A store of a later version of the program (its schema version raised in the file's
    // header): it cannot be read, so it is neither migrated nor replaced by an empty store.
    makeStore(olderStore(), "Futur");
    QFile::remove(olderStore() + "-wal");
    QFile::remove(olderStore() + "-shm");
    QByteArray damaged = readFile(olderStore());
    QVERIFY(damaged.size() > 100);
    damaged.replace(60, 4, QByteArray("\x00\x00\x7f\x00", 4)); // PRAGMA user_version
    writeFile(olderStore(), damaged);
    std::unique_ptr<ModelContext> ctx;
    QString fatal;
    const QStringList lines = start(&ctx, &fatal);
    QVERIFY(!ctx);
    QVERIFY2(fatal.startsWith(QString::fromUtf8(kFatalPrefix)), qPrintable(fatal));
    // No line claims a migration that did not happen; the copy is gone, the older file stays.
    for (const QString& line : lines)
        QVERIFY2(!line.startsWith(kMigrated) && !line.startsWith(kBoxLine), qPrintable(line));
    QVERIFY(!QFile::exists(storeFile()));
    QCOMPARE(readFile(olderStore()), damaged);
}

void StartupTest::damagedStoreStopsStartupUntouched()
{
    QByteArray damaged("SQLite format 3");
    damaged.append('\0');
    damaged.append(QByteArray(4080, '\xAB'));
    writeFile(storeFile(), damaged);
    std::unique_ptr<ModelContext> ctx;
    QString fatal;
    const QStringList lines = start(&ctx, &fatal);
    QVERIFY(!ctx);
    QVERIFY(lines.isEmpty());
    QVERIFY2(fatal.startsWith(QString::fromUtf8(kFatalPrefix)), qPrintable(fatal));
    QVERIFY(fatal.size() > QString::fromUtf8(kFatalPrefix).size());
    QCOMPARE(readFile(storeFile()), damaged);

    // A data folder that cannot be made stops start-up with the same message.
    writeFile(g_dir->filePath("file"), "x");
    QString text;
    QTextStream out(&text);
    const StoreOpening blocked = openStore(g_dir->filePath("file/data"), "TAV.Kestrovan", out);
    QVERIFY(!blocked.context);
    QVERIFY(blocked.fatalMessage.startsWith(QString::fromUtf8(kFatalPrefix)));
}

void StartupTest::programExitsWithFailureOnDamagedStore()
{
    // The real program, with its data folder in the temporary folder.
    const QString home = g_dir->filePath("home");
    const QString data = g_dir->filePath("xdg-data");
    const QString store = QDir(data).filePath("TAV.Kestrovan/SwiftData.store");
    const QByteArray damaged = QByteArray("SQLite format 3") + '\0' + QByteArray(2048, '\x11');
    writeFile(store, damaged);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_DATA_HOME", data);
    env.insert("XDG_CONFIG_HOME", g_dir->filePath("xdg-config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KESTROVAN_EXE), {});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY(program.exitCode() != 0);
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(err.contains(QString::fromUtf8(kFatalPrefix)), qPrintable(err));
    QCOMPARE(readFile(store), damaged);
}

namespace {

QProcessEnvironment programEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", g_dir->filePath("home"));
    env.insert("XDG_DATA_HOME", base());
    env.insert("XDG_CONFIG_HOME", g_dir->filePath("xdg-config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

const QString kAlreadyOpen = QStringLiteral("Kestrovan est déjà ouvert");

} // namespace

void StartupTest::oneProcessPerStore()
{
    makeStore(storeFile(), "Seul");
    QString text;
    QTextStream out(&text);
    StoreOpening first = openStore(base(), QString::fromUtf8(kBundleIdentifier), out);
    QVERIFY2(first.context, qPrintable(first.fatalMessage));
    first.context->all<Client>().first()->setNom("Modifié"); // pending, not saved
    const QByteArray before = readFile(storeFile());

    // A second opening while the first holds the store is refused and writes nothing.
    std::unique_ptr<ModelContext> ctx;
    QString fatal;
    QVERIFY(start(&ctx, &fatal).isEmpty());
    QVERIFY(!ctx);
    QVERIFY2(fatal.startsWith(QStringLiteral("❌ ") + kAlreadyOpen), qPrintable(fatal));
    // It is this very program that holds it: no process to look for.
    QVERIFY2(fatal.contains(QStringLiteral("dans ce programme")) && !fatal.contains(QStringLiteral("processus")),
             qPrintable(fatal));
    QCOMPARE(readFile(storeFile()), before);

    // So does the program, with a non-zero status and the message on standard error, naming
    // the process that holds the store.
    QProcess program;
    program.setProcessEnvironment(programEnvironment());
    program.start(QStringLiteral(KESTROVAN_EXE), {});
    QVERIFY(program.waitForFinished(30000));
    QVERIFY(program.exitCode() != 0);
    const QString programError = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(programError.contains(kAlreadyOpen)
                 && programError.contains(QStringLiteral("(processus %1)").arg(QCoreApplication::applicationPid())),
             qPrintable(programError));
    QCOMPARE(readFile(storeFile()), before);

    // Once the first has closed, the store opens again.
    first = StoreOpening();
    QCOMPARE(start(&ctx, &fatal), QStringList{kBoxLine + storeFile()});
    QVERIFY(ctx);
    ctx.reset();

    // The lock of a process that is gone is taken over.
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    QVERIFY(gone.waitForFinished());
    const qint64 deadPid = gone.processId() ? gone.processId() : 999999;
    writeFile(storeFile() + ".lock", QByteArray::number(deadPid) + "\n" + QCoreApplication::applicationName().toUtf8()
                                         + "\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    QCOMPARE(start(&ctx, &fatal), QStringList{kBoxLine + storeFile()});
    QVERIFY2(ctx, qPrintable(fatal));
    ctx.reset();

    // So is the empty lock of a program killed as it took it.
    writeFile(storeFile() + ".lock", QByteArray());
    QCOMPARE(start(&ctx, &fatal), QStringList{kBoxLine + storeFile()});
    QVERIFY2(ctx, qPrintable(fatal));
}

namespace {

// A store of ours at `path`, without its journal, cut in half: damaged. Returns what the file holds.
QByteArray makeCutStore(const QString& path, const char* nom)
{
    makeStore(path, nom);
    QFile::remove(path + "-wal");
    QFile::remove(path + "-shm");
    QByteArray cut = readFile(path);
    cut.truncate(cut.size() / 2);
    writeFile(path, cut);
    return cut;
}

} // namespace

void StartupTest::unreadableOrDamagedOlderStoreStopsStartup()
{
    // Truncated (a store of ours), then a folder where the file should be: start-up stops,
    // nothing is created in place of the store, the older one stays as it is.
    const QByteArray truncated = makeCutStore(olderStore(), "Ancien");
    std::unique_ptr<ModelContext> ctx;
    QString fatal;
    for (const QString& line : start(&ctx, &fatal))
        QVERIFY2(!line.startsWith(kMigrated) && !line.startsWith(kBoxLine), qPrintable(line));
    QVERIFY(!ctx);
    QVERIFY2(fatal.startsWith(QString::fromUtf8(kFatalPrefix)) && fatal.contains(QStringLiteral("endommagé")),
             qPrintable(fatal));
    QVERIFY(!QFile::exists(storeFile()));
    QCOMPARE(readFile(olderStore()), truncated);

    QFile::remove(olderStore());
    QDir().mkpath(olderStore());
    start(&ctx, &fatal);
    QVERIFY(!ctx);
    QVERIFY2(fatal.startsWith(QString::fromUtf8(kFatalPrefix)), qPrintable(fatal));
    QVERIFY(!QFile::exists(storeFile()));
    QVERIFY(QFileInfo(olderStore()).isDir());
    QCOMPARE(QDir(storeLocation(base(), QString::fromUtf8(kBundleIdentifier)).storeFolder)
                 .entryList(QDir::Files | QDir::Hidden),
             QStringList());
}

void StartupTest::killedDuringTheCopyLeavesNoHalfStore()
{
    // An older store large enough for the copy to take a while, its last writes in its journal.
    QDir().mkpath(base());
    const int clients = 20000;
    {
        const QString source = g_dir->filePath("source.store");
        auto older = ModelContext::open(source);
        QVERIFY(older);
        for (int i = 0; i < clients; ++i)
            older->insert(new Client(QUuid::createUuid(), QString::number(i), "00FF00", QString(300, 'a'), "", "",
                                     "", std::nullopt, std::nullopt));
        QVERIFY(older->save());
        older->insert(new Client(QUuid::createUuid(), "Dernier", "", "", "", "", "", std::nullopt, std::nullopt));
        QVERIFY(older->save());
        QVERIFY(QFile::exists(source + "-wal"));
        QVERIFY(QFile::copy(source, olderStore()));
        QVERIFY(QFile::copy(source + "-wal", olderStore() + "-wal"));
    }
    auto removeStore = [] {
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(storeFile() + suffix);
    };
    // A store in place is the whole copy, its journal's writes included.
    auto checkComplete = [&] {
        std::unique_ptr<ModelContext> ctx;
        QString fatal;
        start(&ctx, &fatal);
        QVERIFY2(ctx, qPrintable(fatal));
        QCOMPARE(ctx->count<Client>(), clients + 1);
        ctx.reset();
        removeStore();
    };

    // How long this build takes to put the store in place (a sanitized build on a busy machine
    // is many times slower): the kills below are spread over that time.
    qint64 copyMs = 0;
    {
        QProcess program;
        program.setProcessEnvironment(programEnvironment());
        QElapsedTimer clock;
        clock.start();
        program.start(QStringLiteral(KESTROVAN_EXE), {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(storeFile()) || program.state() == QProcess::NotRunning, 120000);
        copyMs = clock.elapsed();
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished();
        checkComplete();
        if (QTest::currentTestFailed())
            return;
    }

    // Kills at growing delays, before, during and after the copy, until whole copies have been
    // seen (the delays keep growing past the measured time, should the machine get slower).
    const qint64 step = std::max<qint64>(copyMs / 12, 5);
    QDeadlineTimer deadline(240000);
    int complete = 0, absent = 0, rounds = 0;
    for (int round = 0; (round < 18 || complete < 2) && !deadline.hasExpired(); ++round) {
        ++rounds;
        QProcess program;
        program.setProcessEnvironment(programEnvironment());
        program.start(QStringLiteral(KESTROVAN_EXE), {});
        QVERIFY(program.waitForStarted());
        QTest::qWait(int(5 + round * step));
        // Left alone, the program runs until it is killed: one that stopped by itself refused
        // the store (a lock left by an earlier kill, a copy it took for damaged…).
        QVERIFY2(program.state() == QProcess::Running,
                 qPrintable(QStringLiteral("arrêté seul après %1 ms : %2")
                                .arg(5 + round * step)
                                .arg(QString::fromUtf8(program.readAllStandardError()))));
        program.kill();
        program.waitForFinished();
        if (!QFile::exists(storeFile())) {
            ++absent;
            continue;
        }
        checkComplete();
        if (QTest::currentTestFailed())
            return;
        ++complete;
    }
    qInfo("store in place after %lld ms; %d kills: %d whole copies, %d none", copyMs, rounds, complete, absent);
    QCOMPARE(complete + absent, rounds);
    QVERIFY(complete > 0);
}

namespace {

// Ends the event loop with a status of its own should nothing else end it.
struct Guard {
    QTimer timer;
    Guard()
    {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        timer.start(30000);
    }
};

// Runs `onClose` when the watched window is asked to close.
struct CloseWatcher : QObject {
    explicit CloseWatcher(std::function<void()> f) : onClose(std::move(f)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Close)
            onClose();
        return false;
    }
    std::function<void()> onClose;
};

} // namespace

void StartupTest::endSignalQuitsWithoutQuestions()
{
#ifndef Q_OS_UNIX
    QSKIP("no end signals on this system");
#else
    makeStore(storeFile(), "Martin");
    std::unique_ptr<ModelContext> ctx;
    start(&ctx);
    QVERIFY(ctx);
    Client* client = ctx->all<Client>().first();
    ctx->insert(new Contact("Jean", "Martin", "01", "", client));
    QVERIFY(ctx->save());

    // A contact's telephone being typed: each keystroke is in the record, the save is pending.
    auto* editor = new ClientEditorView(ctx.get(), client);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->resize(900, 700);
    editor->show();
    editor->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(editor));
    QPointer<ClientEditorView> window = editor;
    auto* card = editor->findChild<ContactCard*>();
    QVERIFY(card);
    QLineEdit* field = card->telephoneField();
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
    field->end(false);
    QTest::keyClicks(field, QStringLiteral("23"));
    QVERIFY(ctx->hasChanges());
    // The field's edit ends first: the window, asked to close, sees the whole of what was typed.
    int ended = 0, endedBeforeClosing = -1;
    QObject::connect(field, &QLineEdit::editingFinished, editor, [&] { ++ended; });
    CloseWatcher watcher([&] { endedBeforeClosing = ended; });
    editor->installEventFilter(&watcher);

    int status = -1;
    {
        EndSignals endSignals;
        QVERIFY(endSignals.isActive());
        QObject::connect(&endSignals, &EndSignals::endRequested, qApp, [] { quitWithoutQuestions(); });
        QTimer::singleShot(0, qApp, [] { ::raise(SIGTERM); });
        const Guard guard;
        status = QApplication::exec();
    }
    QCOMPARE(status, 0);
    QVERIFY(qApp->property(kQuitWithoutQuestions).toBool());
    qApp->setProperty(kQuitWithoutQuestions, QVariant());
    QCOMPARE(endedBeforeClosing, 1);
    QCOMPARE(ended, 1);
    QVERIFY(!window || !window->isVisible());
    // main's end: saved, closed, the lock let go.
    QString error;
    QVERIFY2(closeStoreForExit(*ctx, &error), qPrintable(error));
    ctx.reset();
    QVERIFY(!QFile::exists(storeFile() + "-wal"));
    QVERIFY(!QFile::exists(storeFile() + ".lock"));
    ctx = ModelContext::open(storeFile(), &error);
    QVERIFY2(ctx, qPrintable(error));
    QCOMPARE(ctx->all<Contact>().first()->telephone(), QStringLiteral("0123"));
    ctx.reset();

    // A question on screen that only its own buttons close: its event loop ends all the same,
    // and so does the main one; the other windows close.
    auto* other = new QWidget;
    other->setAttribute(Qt::WA_DeleteOnClose);
    other->show();
    QPointer<QWidget> otherWindow = other;
    bool questionEnded = false;
    {
        EndSignals endSignals;
        QObject::connect(&endSignals, &EndSignals::endRequested, qApp, [] { quitWithoutQuestions(); });
        QTimer::singleShot(0, qApp, [&] {
            QMessageBox question(QMessageBox::Question, QStringLiteral("Kestrovan"), QStringLiteral("Continuer ?"));
            question.addButton(QStringLiteral("Continuer"), QMessageBox::AcceptRole);
            question.addButton(QStringLiteral("Recommencer"), QMessageBox::ActionRole);
            QTimer::singleShot(0, qApp, [] { ::raise(SIGTERM); });
            question.exec();
            questionEnded = true;
        });
        const Guard guard;
        status = QApplication::exec();
    }
    qApp->setProperty(kQuitWithoutQuestions, QVariant());
    QCOMPARE(status, 0);
    QVERIFY(questionEnded);
    QVERIFY(!otherWindow || !otherWindow->isVisible());
#endif
}

#ifdef Q_OS_UNIX
namespace {

// A signal that this process ignores is inherited ignored by the program, which keeps it so (as
// under nohup).
bool caughtByTheProgram(int signal)
{
    struct sigaction current = {};
    ::sigaction(signal, nullptr, &current);
    return current.sa_handler != SIG_IGN;
}

} // namespace
#endif

void StartupTest::programEndsCleanlyOnEndSignals()
{
#ifndef Q_OS_UNIX
    QSKIP("no end signals on this system");
#else
    // A store whose last save still lies in its write-ahead log, as a program ended by a signal
    // leaves it today.
    makeStore(storeFile(), "Avant");
    const QString saved = g_dir->filePath("coupe.store");
    {
        auto ctx = ModelContext::open(storeFile());
        QVERIFY(ctx);
        ctx->all<Client>().first()->setNom("Après");
        QVERIFY(ctx->save());
        QVERIFY(QFile::copy(storeFile(), saved));
        QVERIFY(QFile::copy(storeFile() + "-wal", saved + "-wal"));
    }
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        if (!caughtByTheProgram(signal))
            continue;
        const QString what = QStringLiteral("signal %1").arg(signal);
        for (const QString& suffix : {QString(), QStringLiteral("-wal")}) {
            QFile::remove(storeFile() + suffix);
            QVERIFY(QFile::copy(saved + suffix, storeFile() + suffix));
        }
        QProcess program;
        program.setProcessEnvironment(programEnvironment());
        program.start(QStringLiteral(KESTROVAN_EXE), {});
        QVERIFY(program.waitForStarted());
        QString out;
        while (!out.contains(kBoxLine) && program.waitForReadyRead(30000))
            out += QString::fromUtf8(program.readAllStandardOutput());
        QVERIFY2(out.contains(kBoxLine), qPrintable(what + " : " + out));
        QVERIFY(QFile::exists(storeFile() + ".lock"));
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(30000));
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                 qPrintable(what + " : " + QString::fromUtf8(program.readAllStandardError())));
        // The log written back into the store and removed, the lock let go.
        for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral(".lock")})
            QVERIFY2(!QFile::exists(storeFile() + suffix), qPrintable(what + " : " + suffix));
        std::unique_ptr<ModelContext> ctx;
        QString error;
        ctx = ModelContext::open(storeFile(), &error);
        QVERIFY2(ctx, qPrintable(error));
        QCOMPARE(clientNames(ctx.get()), QStringList{"Après"});
    }

    // A second request while the program is already ending ends it at once: both arrive while it
    // is held still, the second is handled as soon as the first has been.
    QProcess program;
    program.setProcessEnvironment(programEnvironment());
    program.start(QStringLiteral(KESTROVAN_EXE), {});
    QVERIFY(program.waitForStarted());
    QString out;
    while (!out.contains(kBoxLine) && program.waitForReadyRead(30000))
        out += QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(out.contains(kBoxLine), qPrintable(out));
    const int second = caughtByTheProgram(SIGHUP) ? SIGHUP : SIGINT;
    const pid_t pid = pid_t(program.processId());
    ::kill(pid, SIGSTOP);
    ::kill(pid, SIGTERM);
    ::kill(pid, second);
    ::kill(pid, SIGCONT);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == 128 + SIGTERM || program.exitCode() == 128 + second,
             qPrintable(QString::number(program.exitCode())));
    // Ended at once, but never halfway through a save: the store opens.
    QString error;
    QVERIFY2(ModelContext::open(storeFile(), &error), qPrintable(error));
#endif
}

void StartupTest::dialogsShowTheirMessageWithoutItsSymbol()
{
    // The console line keeps its symbol; the dialog, whose icon says as much, does not.
    QCOMPARE(dialogText(QStringLiteral("❌ Kestrovan est déjà ouvert (processus 12).")),
             QStringLiteral("Kestrovan est déjà ouvert (processus 12)."));
    QCOMPARE(dialogText(QString::fromUtf8(kFatalPrefix) + QStringLiteral("disque plein")),
             QStringLiteral("Échec de création du ModelContainer: disque plein"));
    QCOMPARE(dialogText(QStringLiteral("⚠️  Attention")), QStringLiteral("Attention"));
    // A message without symbol, or one that opens with a number or quotation mark, is left whole.
    QCOMPARE(dialogText(QStringLiteral("Échec")), QStringLiteral("Échec"));
    QCOMPARE(dialogText(QStringLiteral("12 bennes")), QStringLiteral("12 bennes"));
    QCOMPARE(dialogText(QStringLiteral("« Alpha »")), QStringLiteral("« Alpha »"));
}

void StartupTest::refusalsSayWhatHappenedAndWhatToDo()
{
    // Each refusal: the console keeps its line as it was; the dialog says in plain words what
    // happened and what to do, the console's line among its details.
    auto check = [](const StoreOpening& opening, const QString& happened, const QString& todo) {
        QVERIFY(!opening.context);
        QVERIFY2(opening.fatalMessage.startsWith(QString::fromUtf8(kFatalPrefix)), qPrintable(opening.fatalMessage));
        const std::unique_ptr<QMessageBox> box = refusalDialog(opening);
        QVERIFY2(box->text().contains(happened), qPrintable(box->text()));
        QVERIFY2(box->informativeText().contains(todo), qPrintable(box->informativeText()));
        for (const QString& shown : {box->text(), box->informativeText()})
            QVERIFY2(!shown.contains(QStringLiteral("ModelContainer")) && !shown.contains(QStringLiteral("❌")),
                     qPrintable(shown));
        // The details in words too; once open, Return still presses « OK ».
        QVERIFY2(!box->detailedText().contains(QStringLiteral("ModelContainer")), qPrintable(box->detailedText()));
        QVERIFY(opening.fatalMessage.endsWith(box->detailedText().section(QStringLiteral(" : "), 1)));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        box->show();
        QApplication::setActiveWindow(box.get());
        QVERIFY(QTest::qWaitForWindowActive(box.get()));
        QAbstractButton* details = nullptr;
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QMessageBox::ActionRole)
                details = b;
        QVERIFY(details);
        // Standing on the screen's foot (as it may on a small screen), it opens its details
        // within the screen.
        const QRect room = box->screen()->availableGeometry();
        const auto within = [&] {
            const QRect frame = box->frameGeometry();
            return frame.top() >= room.top() && frame.bottom() <= room.bottom();
        };
        box->move(box->x(), room.bottom() + 1 - box->frameGeometry().height());
        QTRY_VERIFY(within());
        details->setFocus(Qt::TabFocusReason);
        QTest::keyClick(details, Qt::Key_Space);
        QTRY_VERIFY2(within(),
                     qPrintable(QStringLiteral("%1,%2 %3×%4").arg(box->frameGeometry().x()).arg(box->frameGeometry().y())
                                    .arg(box->frameGeometry().width()).arg(box->frameGeometry().height())));
        // The details are reached by Tab, and read: named, their text the error's.
        QTextEdit* text = nullptr;
        for (int i = 0; i < 6 && !text; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            text = qobject_cast<QTextEdit*>(QApplication::focusWidget());
        }
        QVERIFY(text);
        QCOMPARE(text->toPlainText(), box->detailedText());
        QVERIFY(!text->accessibleName().isEmpty());
        box->button(QMessageBox::Ok)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!box->isVisible());
        QCOMPARE(box->clickedButton(), box->button(QMessageBox::Ok));
    };
    auto opening = [] {
        QString text;
        QTextStream out(&text);
        return openStore(base(), QString::fromUtf8(kBundleIdentifier), out);
    };

    // A damaged store of ours (cut in half): left as it is, the user told to put a backup back.
    const QByteArray damaged = makeCutStore(storeFile(), "Coupé");
    check(opening(), QStringLiteral("endommagé"), QStringLiteral("sauvegarde"));
    QVERIFY(opening().whatToDo.contains(storeFile()));
    QCOMPARE(readFile(storeFile()), damaged);

    // A store written by a later version.
    QFile::remove(storeFile());
    QFile::remove(storeFile() + "-wal");
    QFile::remove(storeFile() + "-shm");
    makeStore(storeFile(), "Futur");
    QFile::remove(storeFile() + "-wal");
    QFile::remove(storeFile() + "-shm");
    QByteArray newer = readFile(storeFile());
    newer.replace(60, 4, QByteArray("\x00\x00\x7f\x00", 4)); // PRAGMA user_version
    writeFile(storeFile(), newer);
    check(opening(), QStringLiteral("version plus récente"), QStringLiteral("Installez la dernière version"));
    QCOMPARE(readFile(storeFile()), newer);

    // A file that is no store of ours where the store should be: the user may move it aside.
    writeFile(storeFile(), QByteArray("Ceci n’est pas un magasin de données.\n").repeated(200));
    check(opening(), QStringLiteral("ne se lit pas comme un magasin de données"), QStringLiteral("renommez-le"));

    // A store of ours whose header was overwritten reads the same as a foreign file: the dialog
    // also says that a damaged store comes back from a backup, and names the file in full.
    QFile::remove(storeFile());
    makeStore(storeFile(), "Entête");
    QFile::remove(storeFile() + "-wal");
    QFile::remove(storeFile() + "-shm");
    QByteArray ecrase = readFile(storeFile());
    ecrase.replace(0, 100, QByteArray(100, '\x5a'));
    writeFile(storeFile(), ecrase);
    {
        const StoreOpening refus = opening();
        check(refus, QStringLiteral("magasin de Kestrovan endommagé"), QStringLiteral("remettez à sa place une sauvegarde"));
        const std::unique_ptr<QMessageBox> box = refusalDialog(refus);
        QVERIFY2(box->informativeText().contains(QStringLiteral("(%1)").arg(storeFile())), qPrintable(box->informativeText()));
        QVERIFY2(box->informativeText().contains(QStringLiteral("magasin vide")), qPrintable(box->informativeText()));
        QVERIFY2(refus.fatalMessage.startsWith(QString::fromUtf8(kFatalPrefix)), qPrintable(refus.fatalMessage));
    }
    QCOMPARE(readFile(storeFile()), ecrase);

    // The older version's store that cannot be taken over.
    QFile::remove(storeFile());
    QDir().mkpath(olderStore());
    check(opening(), QStringLiteral("version précédente"), QStringLiteral("Rien n’a été modifié"));
    QDir(olderStore()).removeRecursively();

    // A data folder that cannot be made.
    writeFile(g_dir->filePath("fichier"), "x");
    QString text;
    QTextStream out(&text);
    check(openStore(g_dir->filePath("fichier/donnees"), QString::fromUtf8(kBundleIdentifier), out),
          QStringLiteral("ne peut pas créer le dossier"), QStringLiteral("accessible en écriture"));

    // The store already open: its own plain message, which already says what to do.
    std::unique_ptr<ModelContext> ctx;
    start(&ctx);
    QVERIFY(ctx);
    const StoreOpening second = opening();
    QVERIFY(!second.context);
    const std::unique_ptr<QMessageBox> box = refusalDialog(second);
    QVERIFY2(box->text().startsWith(QStringLiteral("Kestrovan est déjà ouvert")), qPrintable(box->text()));
    QVERIFY(box->detailedText().isEmpty());
}

void StartupTest::cleanupTestCase()
{
    pgtest::stop();
}

void StartupTest::connectionTestSaysWhatFailed()
{
    QString location;
    const BaseAgence empty = serverBase(&location);
    BaseCourante courante(ModelContext::open(QStringLiteral(":memory:")));
    BaseAgenceDialog dialog(&courante);
    dialog.choisirServeur(true);
    const auto said = [&](const BaseAgence& b, const QString& password = {}) {
        dialog.champs()->setBase(b);
        dialog.champs()->motDePasseEdit()->setText(password);
        QTest::mouseClick(dialog.tester(), Qt::LeftButton);
        return dialog.resultat()->text();
    };
    QVERIFY2(said(empty).startsWith(QStringLiteral("Connexion réussie : la base « %1 » est vide").arg(empty.base)), qPrintable(said(empty)));
    BaseAgence nowhere = empty;
    nowhere.hote = g_dir->path();
    QVERIFY2(said(nowhere).startsWith(QStringLiteral("Serveur injoignable : aucun serveur ne répond")), qPrintable(said(nowhere)));

    pgtest::exec(location, QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(pgtest::kPasswordRole, pgtest::kPassword));
    BaseAgence guarded = empty;
    guarded.utilisateur = QString::fromLatin1(pgtest::kPasswordRole);
    QVERIFY2(said(guarded).startsWith(QStringLiteral("Le serveur demande un mot de passe")), qPrintable(said(guarded)));
    QVERIFY2(said(guarded, QStringLiteral("faux")).startsWith(QStringLiteral("Mot de passe refusé")), qPrintable(said(guarded, "faux")));
    QVERIFY(said(guarded, QString::fromLatin1(pgtest::kPassword)).startsWith(QStringLiteral("Connexion réussie")));

    QString foreignLocation;
    const BaseAgence foreign = serverBase(&foreignLocation);
    pgtest::exec(foreignLocation, QStringLiteral("CREATE TABLE factures (numero integer)"));
    QVERIFY2(said(foreign).contains(QStringLiteral("n’est pas une base Kestrovan")), qPrintable(said(foreign)));

    // Ours, then held by another desk, then written by a later version.
    std::unique_ptr<ModelContext> held = ModelContext::open(location);
    QVERIFY(held);
    QVERIFY2(said(empty).contains(QStringLiteral("est ouverte sur un autre poste (%1)").arg(QSysInfo::machineHostName())),
             qPrintable(said(empty)));
    held.reset();
    QVERIFY2(said(empty).contains(QStringLiteral("est une base Kestrovan, prête")), qPrintable(said(empty)));
    pgtest::exec(location, QStringLiteral("UPDATE kestrovan SET version = version + 1"));
    QVERIFY2(said(empty).contains(QStringLiteral("version plus récente")), qPrintable(said(empty)));
}

void StartupTest::copyToTheServerRefusesDataThenWorksThere()
{
    QString full, empty;
    const BaseAgence holding = serverBase(&full);
    const BaseAgence target = serverBase(&empty);
    makeStore(full, "Déjà là");
    const QByteArray before = pgtest::dump(full);
    makeStore(storeFile(), "Local");
    std::unique_ptr<ModelContext> local;
    start(&local);
    QSettings settings(g_dir->filePath(QStringLiteral("reglages.ini")), QSettings::IniFormat);
    Desk desk(std::move(local));
    desk.courante.setSettings(&settings);
    CopieServeurDialog dialog(&desk.courante);
    dialog.show();

    dialog.champs()->setBase(holding);
    QTest::mouseClick(dialog.copier(), Qt::LeftButton);
    QVERIFY2(dialog.resultat()->text().contains(QStringLiteral("contient déjà des données")), qPrintable(dialog.resultat()->text()));
    QCOMPARE(pgtest::dump(full), before);
    QVERIFY(!StoreBackend::isServer(desk.courante.context()->filePath()));

    dialog.champs()->setBase(target);
    QTest::mouseClick(dialog.copier(), Qt::LeftButton);
    QVERIFY2(StoreBackend::isServer(desk.courante.context()->filePath()), qPrintable(dialog.resultat()->text()));
    QCOMPARE(desk.delegate.context(), desk.courante.context());
    QCOMPARE(clientNames(desk.courante.context()), QStringList{"Local"});
    QCOMPARE(pgtest::value(empty, QStringLiteral("SELECT string_agg(nom, ',') FROM \"Client\"")), QStringLiteral("Local"));
    QVERIFY(BaseAgence::lire(settings) == target);
    // Its windows show the server's store, the local one's are gone.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(ContentView::windows().size(), 1);
}

void StartupTest::secondDeskIsRefusedAtStartup()
{
    QString location;
    const BaseAgence agence = serverBase(&location);
    makeStore(location, "Premier");
    std::unique_ptr<ModelContext> first = ModelContext::open(location);
    QVERIFY(first);
    const QByteArray before = pgtest::dump(location);
    QString text;
    QTextStream out(&text);
    bool localOffered = true;
    StoreOpening opening = ouvrirBaseServeur(agence, {}, out, &localOffered);
    QVERIFY(!opening.context);
    QVERIFY(!localOffered);
    QVERIFY2(opening.whatHappened.contains(QStringLiteral("ouverte sur un autre poste (%1)").arg(QSysInfo::machineHostName())),
             qPrintable(opening.whatHappened));
    QVERIFY(opening.fatalMessage.startsWith(QStringLiteral("❌ ")));
    QCOMPARE(pgtest::dump(location), before);

    // Once the first desk has left, the second one opens it.
    first.reset();
    opening = ouvrirBaseServeur(agence, {}, out, &localOffered);
    QVERIFY(opening.context);
    QCOMPARE(clientNames(opening.context.get()), QStringList{"Premier"});
}

void StartupTest::serverGoneAtStartupOffersTheLocalFile()
{
    BaseAgence gone = serverBase();
    gone.hote = g_dir->path(); // no server listens there
    QString text;
    QTextStream out(&text);
    bool localOffered = false;
    const StoreOpening opening = ouvrirBaseServeur(gone, {}, out, &localOffered);
    QVERIFY(!opening.context);
    QVERIFY(localOffered);
    QVERIFY2(opening.whatHappened.contains(QStringLiteral("Serveur injoignable")), qPrintable(opening.whatHappened));
    QVERIFY(opening.whatToDo.contains(QStringLiteral("fichier local")));
}

void StartupTest::serverGoneWhileWorkingKeepsTheChanges()
{
    QString location;
    serverBase(&location);
    makeStore(location, "Avant");
    Desk desk(ModelContext::open(location));
    desk.courante.setIntervalleReessai(1);
    pgtest::stop();
    desk.courante.context()->all<Client>().first()->setNom(QStringLiteral("Pendant"));
    // The automatic save fails: the line says what waits, under the window.
    const QString waiting = QStringLiteral("Serveur injoignable : 1 modification en attente");
    QTRY_COMPARE(desk.courante.ligne(), waiting);
    auto* line = desk.window->statusBar()->findChild<QLabel*>(QLatin1String(kLigneServeur));
    QVERIFY(line && line->isVisible());
    QCOMPARE(line->text(), waiting);

    // Quit asks, the count said; « Annuler » keeps the window and the change.
    desk.delegate.quit();
    QMessageBox* question = nullptr;
    QTRY_VERIFY((question = desk.window->findChild<QMessageBox*>(QLatin1String(kQuestionQuitter))));
    QCOMPARE(question->text(), waiting);
    QTest::keyClick(question, Qt::Key_Escape);
    QTRY_VERIFY(!question || !question->isVisible());
    QVERIFY(desk.window->isVisible());

    // The server back, the save is tried again by itself and nothing is lost.
    QString error;
    QVERIFY2(pgtest::start(&error), qPrintable(error));
    QTRY_COMPARE(desk.courante.ligne(), QString());
    QVERIFY(!line->isVisible());
    QCOMPARE(pgtest::value(location, QStringLiteral("SELECT string_agg(nom, ',') FROM \"Client\"")), QStringLiteral("Pendant"));
}
