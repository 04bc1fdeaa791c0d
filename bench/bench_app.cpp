// Leaving the application on the large office: Ctrl+Q in the main window with a change pending,
// until the store is saved and closed, as the program does before it ends.
#include "office.h"

#include "app/appdelegate.h"
#include "app/startup.h"
#include "model/modelcontext.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <memory>

using namespace kv;

namespace {

using kv::bench::seconds;

// "Quitter Kestrovan". Found by name: a platform without a standard quit key (the offscreen one
// among them) gives QKeySequence::Quit no keys, and a search by keys would find another command.
QAction* quitAction(QMainWindow* window)
{
    return window->findChild<QAction*>(QStringLiteral("actionQuit"));
}

// The telephone of the first client, read from the file by a connection of its own.
QString storedTelephone(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QString out;
    if (sqlite3_prepare_v2(db, "SELECT telephone FROM Client ORDER BY pk LIMIT 1", -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

void BM_Quit(benchmark::State& state)
{
    int round = 0;
    for (auto _ : state) {
        QTemporaryDir folder;
        QSettings settings(folder.filePath(QStringLiteral("reglages.ini")), QSettings::IniFormat);
        const QString path = kv::bench::officeCopy(QStringLiteral("application"));
        std::unique_ptr<ModelContext> ctx = ModelContext::open(path);
        auto delegate = std::make_unique<AppDelegate>(ctx.get());
        delegate->setSettings(&settings);
        QPointer<QMainWindow> window = delegate->newWindow();
        window->show();
        QApplication::processEvents();
        const QString telephone = QStringLiteral("04 %1").arg(++round);
        ctx->all<Client>().first()->setTelephone(telephone);
        QApplication::processEvents();
        QAction* quit = quitAction(window);
        bool saved = false;
        const double s = seconds([&] {
            quit->trigger();
            auto anyShown = [] {
                const QWidgetList shown = QApplication::topLevelWidgets();
                return std::any_of(shown.cbegin(), shown.cend(), [](QWidget* w) { return w->isVisible(); });
            };
            while (anyShown())
                QApplication::processEvents();
            QString error;
            saved = closeStoreForExit(*ctx, &error);
        });
        state.SetIterationTime(s);
        kv::bench::recordFigure(QStringLiteral("fermeture de l'application (Ctrl+Q)"), s, "s", 0.5);
        // Saved, and the journal written back into the store.
        const bool clean = saved && storedTelephone(path) == telephone
                           && (!QFile::exists(path + QStringLiteral("-wal")) || QFile(path + QStringLiteral("-wal")).size() == 0);
        kv::bench::recordLine(QStringLiteral("fermeture : modification enregistrée, journal reversé"),
                              clean ? QStringLiteral("oui") : QStringLiteral("non"), clean);
        // The program ends here; the benchmark frees what it made, untimed, windows first.
        delete window.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delegate.reset();
        ctx.reset();
    }
}

} // namespace

static kv::bench::Registrar registrar(5, [] {
    benchmark::RegisterBenchmark("fermeture de l'application", BM_Quit)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
});
