// Saves a few rentals on the store given, then makes the syncs of the store's files fail from
// the one numbered by the second argument on and saves once more; prints each outcome, then
// waits to be killed. The reliability tests reopen the store after the kill.
#include "faults.h"

#include "model/modelcontext.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

// Arguments: the store, the save whose syncs fail (1 to 4), the first sync that fails, and
// "retry" to save once more after the failure with the syncs working again.
int main(int argc, char** argv)
{
    faults::install(); // before any connection
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int failingSave = QByteArray(argv[2]).toInt();
    const int failingSync = QByteArray(argv[3]).toInt();
    const bool retry = QByteArray(argv[4]) == "retry";
    QString error;
    auto ctx = kv::ModelContext::open(path, &error);
    if (!ctx) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    kv::Client* client = ctx->all<kv::Client>().first();
    kv::Benne* benne = ctx->all<kv::Benne>().first();
    auto change = [&](int n) {
        auto* l = new kv::LocationDeBenne(client, benne, 45.0, 4.0, QString::number(n), 100, 80, 5,
                                          QDateTime::currentDateTime(), std::nullopt, nullptr);
        l->ajouterBonDePesee(QDateTime::currentDateTime(), QStringLiteral("T%1").arg(n), 1000, 100, std::nullopt,
                             std::nullopt);
        client->setTelephone(QString::number(n));
        // The third save is large enough for the journal to be written back into the store
        // right after it: the next save starts a fresh journal.
        if (n == 3)
            for (int k = 0; k < 12000; ++k)
                new kv::LocationDeBenne(client, benne, 45.0, 4.0, QStringLiteral("lot %1").arg(k), 100, 80, 5,
                                        QDateTime::currentDateTime(), std::nullopt, nullptr);
    };
    for (int n = 1; n <= 5; ++n) {
        if (n == failingSave)
            faults::failSyncs(failingSync, QFileInfo(path).fileName());
        else if (n > failingSave && !retry)
            break;
        else
            faults::disarmAll();
        change(n);
        const bool saved = ctx->save(&error);
        std::printf("%s %d\n", saved ? "saved" : "failed", n);
        std::fflush(stdout);
    }
    std::printf("done\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}
