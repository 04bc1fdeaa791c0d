#pragma once

// The system's requests to end the program: SIGTERM (a session ending, `kill`, a shutdown),
// SIGINT (Ctrl+C in a terminal) and SIGHUP (the terminal gone) on POSIX systems. They reach the
// program as a Qt signal on its event loop: the handler itself only writes one byte into a pipe
// that the loop watches. A second request, once the first has come, ends the process at once.
// Where the system has no such signals nothing is installed.

#include <QObject>

class QSocketNotifier;

namespace kv {

class EndSignals : public QObject {
    Q_OBJECT
public:
    // Catches the three signals, except one that the program was started ignoring (`nohup`).
    // The former handlers come back when this object goes. One object at a time: a second one
    // stays inactive.
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;

    bool isActive() const { return m_notifier != nullptr; }

signals:
    // Once, on the event loop, for the first request; `signal` is its number.
    void endRequested(int signal);

private:
    void readRequests();

    QSocketNotifier* m_notifier = nullptr;
    bool m_requested = false;
};

} // namespace kv
