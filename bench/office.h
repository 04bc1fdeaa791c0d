#pragma once

// Shared pieces of every benchmark: the large synthetic office, a stopwatch, and the summary of
// figures against their limits printed at the end of `make bench`.
#include <QDate>
#include <QElapsedTimer>
#include <QString>

#include <chrono>
#include <functional>

namespace kv::bench {

// The day the bench runs, read once: the large office's rentals run up to it and three weeks
// beyond, so that benchmarks of "today" find work. Everything else in the office is fixed.
QDate today();

// Path of the large office store (1,000 skips, 5,000 clients with 2 contacts each, 200,000
// rentals over five and a half years with nearly 400,000 tickets, 50 drivers, 30 waste types,
// 20 centres), generated on first use in a temporary folder that lives as long as the process.
const QString& officePath();

// A copy of the large office of its own, for a benchmark that keeps its store open for the
// whole run: a store has one opener at a time. One copy per name, made on first use.
QString officeCopy(const QString& name);

template <class F>
double seconds(F&& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Lets a window lay out, paint, delete what it gave up and finish what it does after its
// first paint, for 150 ms.
void settle();

// What the event loop did after an action, in milliseconds from `since`: until the awaited paint,
// until the loop was idle (every posted event, zero-time timer and deferred piece of work done),
// and the longest single pass of the loop in between: how long a click or a key could wait.
// Negative times when the paint never came.
struct IdleRun {
    double paintedMs = -1;
    double idleMs = -1;
    double longestPassMs = 0;
};

// Runs the event loop pass by pass, each timed alone, with what is deleted later deleted at once,
// until `painted` has said yes and the passes have found nothing to do for a while (a piece of
// work deferred by a short timer still counts, the wait itself does not).
IdleRun untilIdle(const QElapsedTimer& since, const std::function<bool()>& painted);

// Resident memory of this process, in MB (VmRSS of /proc/self/status).
double residentMb();

// Keeps the best (smallest) value of one figure; printed with its limit in the summary.
// `unit` is printed after the value, e.g. "ms". A figure is within its limit when value <= limit.
void recordFigure(const QString& label, double value, const char* unit, double limit);

// A figure printed as it is, with a free text for its limit and verdict (ratios, memory…).
void recordLine(const QString& label, const QString& text, bool ok);

// Run in a child process of the bench: prints the resident memory, in MB, with the store at
// `path` open and the main window shown, then after every screen has been shown once.
int sondeMemoireEcrans(const QString& path);

// Run in a child process of the bench, a fresh program on the store at `path`, offline: prints
// the CPU time, in ms, that the first `action` ("export", "tuile", "feuille", "carte",
// "statistiques", "selecteur" or "recherche") costs in a main window.
int premiereVisite(const QString& action, const QString& path);

// Run in a child process of the bench: prints the heap memory, in KB, that a main window leaves
// behind once closed: the middle of its growths over many windows opened, used and closed.
int memoireFenetres(const QString& path);

// Registers the benchmarks of one file. `order` sorts the groups (the store's opening runs first,
// so that resident memory reflects one open store).
struct Registrar {
    Registrar(int order, std::function<void()> registerBenchmarks);
};

} // namespace kv::bench
