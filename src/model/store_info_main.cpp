// Opens the user's store and reports where it is and what it holds.
#include "modelcontext.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                           + QStringLiteral("/TAV.Kestrovan");
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/SwiftData.store");
    QString error;
    auto ctx = kv::ModelContext::open(path, &error);
    if (!ctx) {
        std::fprintf(stderr, "❌ %s\n", qPrintable(error));
        return 1;
    }
    std::printf("📦 Magasin : %s\n", qPrintable(path));
    std::printf("%lld clients, %lld bennes, %lld locations\n", (long long)ctx->count<kv::Client>(),
                (long long)ctx->count<kv::Benne>(), (long long)ctx->count<kv::LocationDeBenne>());
    return 0;
}
