#include "busydesktop.h"

#include <QTemporaryFile>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

ProcessCrowd::ProcessCrowd(int processes, int filesEach)
{
    // The descriptors are opened here without close-on-exec, and each
    // sleep takes them along.
    QTemporaryFile file;
    file.open();
    std::vector<int> held;
    for (int i = 0; i + 1 < filesEach; i += 3) {
        int pipe[2];
        if (::pipe(pipe) == 0)
            held.insert(held.end(), {pipe[0], pipe[1]});
        held.push_back(::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY));
    }
    char sleep[] = "sleep";
    char seconds[] = "600";
    char *argv[] = {sleep, seconds, nullptr};
    for (int i = 0; i < processes; ++i) {
        pid_t pid = 0;
        if (::posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ) == 0)
            m_pids.push_back(pid);
    }
    for (int fd : held)
        ::close(fd);
}

ProcessCrowd::~ProcessCrowd()
{
    for (pid_t pid : m_pids)
        ::kill(pid, SIGKILL);
    for (pid_t pid : m_pids)
        ::waitpid(pid, nullptr, 0);
}

SystemBus::SystemBus()
    : m_before(qgetenv("DBUS_SYSTEM_BUS_ADDRESS"))
{
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!m_daemon.waitForReadyRead(5000))
        qFatal("dbus-daemon did not start");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_daemon.readLine().trimmed());
}

SystemBus::~SystemBus()
{
    resume();
    m_daemon.terminate();
    m_daemon.waitForFinished();
    if (m_before.isNull())
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    else
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_before);
}

void SystemBus::stop()
{
    ::kill(pid_t(m_daemon.processId()), SIGSTOP);
}

void SystemBus::resume()
{
    ::kill(pid_t(m_daemon.processId()), SIGCONT);
}
