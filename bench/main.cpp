// Runs every registered benchmark on the large office, then prints each figure against its limit.
#include "office.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace kv::bench {

namespace {

struct Figure {
    QString label;
    QString text;
    bool ok = true;
    double best = 0;
    bool hasValue = false;
    const char* unit = "";
    double limit = 0;
};

std::vector<Figure>& figures()
{
    static std::vector<Figure> f;
    return f;
}

Figure& figure(const QString& label)
{
    for (Figure& f : figures())
        if (f.label == label)
            return f;
    Figure f;
    f.label = label;
    figures().push_back(f);
    return figures().back();
}

std::multimap<int, std::function<void()>>& registrars()
{
    static std::multimap<int, std::function<void()>> r;
    return r;
}

} // namespace

void recordFigure(const QString& label, double value, const char* unit, double limit)
{
    Figure& f = figure(label);
    f.best = f.hasValue ? std::min(f.best, value) : value;
    f.hasValue = true;
    f.unit = unit;
    f.limit = limit;
}

void recordLine(const QString& label, const QString& text, bool ok)
{
    Figure& f = figure(label);
    f.text = text;
    f.ok = ok;
}

Registrar::Registrar(int order, std::function<void()> registerBenchmarks)
{
    registrars().emplace(order, std::move(registerBenchmarks));
}

} // namespace kv::bench

int main(int argc, char** argv)
{
    // Screens are benchmarked too: a widget application on the offscreen platform by default.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The user's own folders and settings stay untouched, and the screens' address service
    // never leaves the machine: the figures do not depend on a network.
    QStandardPaths::setTestModeEnabled(true);
    if (argc == 3 && qstrcmp(argv[1], "--memoire-ecrans") == 0)
        return kv::bench::sondeMemoireEcrans(QString::fromLocal8Bit(argv[2]));
    if (argc == 4 && qstrcmp(argv[1], "--premiere-visite") == 0)
        return kv::bench::premiereVisite(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 3 && qstrcmp(argv[1], "--fenetres") == 0)
        return kv::bench::memoireFenetres(QString::fromLocal8Bit(argv[2]));
    // Writes the large office to a store file of one's own, to try the real program on it.
    if (argc == 3 && qstrcmp(argv[1], "--ecrire-bureau") == 0)
        return QFile::copy(kv::bench::officePath(), QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    kv::bench::officePath();

    benchmark::Initialize(&argc, argv);
    for (const auto& [order, reg] : kv::bench::registrars())
        reg();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nRésumé\n");
    bool allOk = true;
    for (const auto& f : kv::bench::figures()) {
        // Padded by characters, not bytes, so that accented labels line up too.
        const QByteArray label = f.label.leftJustified(48).toUtf8();
        if (f.hasValue) {
            const bool ok = f.best <= f.limit;
            allOk = allOk && ok;
            std::printf("  %s %10.3f %-3s (limite %g %s)  %s\n", label.constData(), f.best, f.unit, f.limit,
                        f.unit, ok ? "OK" : "HORS LIMITE");
        } else {
            allOk = allOk && f.ok;
            std::printf("  %s %s  %s\n", label.constData(), f.text.toUtf8().constData(),
                        f.ok ? "OK" : "HORS LIMITE");
        }
    }
    std::printf("%s\n", allOk ? "Toutes les limites sont tenues." : "Des limites sont dépassées.");
    return 0;
}
