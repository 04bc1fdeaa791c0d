// Saves rentals in a loop on the store given, printing the number of each one once its save is
// acknowledged; the reliability test kills it at random moments.
#include "model/modelcontext.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QString error;
    auto ctx = kv::ModelContext::open(QString::fromLocal8Bit(argv[1]), &error);
    if (!ctx) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    kv::Client* client = ctx->all<kv::Client>().first();
    kv::Benne* benne = ctx->all<kv::Benne>().first();
    qint64 next = 0;
    for (kv::LocationDeBenne* l : ctx->all<kv::LocationDeBenne>())
        if (l->adresse())
            next = std::max(next, l->adresse()->toLongLong() + 1);
    for (;; ++next) {
        auto* l = new kv::LocationDeBenne(client, benne, 45.0, 4.0, QString::number(next), 100, 80, 5,
                                          QDateTime::currentDateTime(), std::nullopt, nullptr);
        l->ajouterBonDePesee(QDateTime::currentDateTime(), QStringLiteral("T"), 1000, 100, std::nullopt, std::nullopt);
        client->setTelephone(QString::number(next)); // a change of a stored record too
        if (!ctx->save(&error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%lld\n", static_cast<long long>(next));
        std::fflush(stdout);
    }
}
