#include "endsignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>
#endif

namespace kv {

#ifdef Q_OS_UNIX

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kCount = int(std::size(kSignals));

// What the handler touches: a pipe's writing end and the first signal received. Nothing else is
// safe to use inside a handler.
int g_pipe[2] = {-1, -1};
std::atomic<int> g_received{0};
static_assert(std::atomic<int>::is_always_lock_free, "used inside a signal handler");

struct sigaction g_former[kCount];
bool g_caught[kCount] = {};
bool g_installed = false;

extern "C" void onEndSignal(int signal)
{
    // The first request is the event loop's to honour; a second one, while the program is
    // already ending (or stuck), ends it here.
    if (g_received.exchange(signal) != 0)
        ::_exit(128 + signal);
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    (void)!::write(g_pipe[1], &byte, 1);
    errno = saved;
}

bool makePipe()
{
    if (::pipe(g_pipe) != 0)
        return false;
    for (int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); // the handler never waits
    }
    return true;
}

void closePipe()
{
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent)
{
    if (g_installed || !makePipe())
        return;
    g_installed = true;
    g_received = 0;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EndSignals::readRequests);

    struct sigaction action = {};
    action.sa_handler = onEndSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals)
        sigaddset(&action.sa_mask, s); // one handler at a time in a thread
    for (int i = 0; i < kCount; ++i) {
        struct sigaction former = {};
        if (::sigaction(kSignals[i], nullptr, &former) != 0 || former.sa_handler == SIG_IGN)
            continue;
        g_caught[i] = ::sigaction(kSignals[i], &action, &g_former[i]) == 0;
    }
}

EndSignals::~EndSignals()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < kCount; ++i)
        if (g_caught[i])
            ::sigaction(kSignals[i], &g_former[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    closePipe();
    g_received = 0;
    g_installed = false;
}

void EndSignals::readRequests()
{
    unsigned char bytes[16];
    int signal = 0;
    ssize_t n;
    while ((n = ::read(g_pipe[0], bytes, sizeof bytes)) > 0)
        signal = bytes[n - 1];
    if (signal == 0 || m_requested)
        return;
    m_requested = true;
    emit endRequested(signal);
}

#else

EndSignals::EndSignals(QObject* parent) : QObject(parent) {}

EndSignals::~EndSignals() = default;

void EndSignals::readRequests() {}

#endif

} // namespace kv
