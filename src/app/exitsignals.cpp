#include "app/exitsignals.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Those whose default is to end the program: the port is closed and its lock
// removed first, as Exit does.
constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM};

// A signal handler can reach nothing but a plain variable: the pipe's end.
volatile std::sig_atomic_t writeEnd = -1;

} // namespace

ExitSignals::ExitSignals(std::function<void()> exit, QObject *parent)
    : QObject(parent), m_exit(std::move(exit))
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;  // the signals then end the program as the system does
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ExitSignals::takeSignal);
    writeEnd = m_pipe[1];
    struct sigaction action = {};
    action.sa_handler = &ExitSignals::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : handledSignals)
        ::sigaction(signal, &action, nullptr);
}

ExitSignals::~ExitSignals()
{
    if (writeEnd == m_pipe[1]) {
        for (const int signal : handledSignals)
            ::signal(signal, SIG_DFL);
        writeEnd = -1;
    }
    for (const int end : m_pipe) {
        if (end >= 0)
            ::close(end);
    }
}

void ExitSignals::handle(int signal)
{
    const char byte = char(signal);
    if (writeEnd >= 0) {
        const ssize_t written = ::write(writeEnd, &byte, 1);
        (void)written;  // a full pipe already holds a wake-up
    }
}

void ExitSignals::takeSignal()
{
    char drained[16];
    while (::read(m_pipe[0], drained, sizeof drained) > 0) {
    }
    m_exit();
}
