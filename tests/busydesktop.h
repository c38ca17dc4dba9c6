#pragma once
// A desktop as people have it, for the tests and the bench: hundreds of
// processes holding many files each, and a system bus that takes
// connections but may never answer.

#include <QByteArray>
#include <QProcess>
#include <sys/types.h>
#include <vector>

// `processes` sleeping processes, each holding `filesEach` descriptors
// (files and pipes, as a browser's processes hold them), until it goes.
class ProcessCrowd
{
public:
    ProcessCrowd(int processes, int filesEach);
    ~ProcessCrowd();
    ProcessCrowd(const ProcessCrowd &) = delete;
    ProcessCrowd &operator=(const ProcessCrowd &) = delete;

private:
    std::vector<pid_t> m_pids;
};

// A bus of its own, given to this process and its children as the system
// bus (DBUS_SYSTEM_BUS_ADDRESS) while it lives.
class SystemBus
{
public:
    SystemBus();
    ~SystemBus();
    SystemBus(const SystemBus &) = delete;
    SystemBus &operator=(const SystemBus &) = delete;

    // The daemon stops answering, though it still takes connections; and
    // goes on.
    void stop();
    void resume();

private:
    QProcess m_daemon;
    QByteArray m_before;
};
