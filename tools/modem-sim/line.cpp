#include "line.h"

#include <cerrno>
#include <climits>
#include <filesystem>
#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// How many descriptors other processes hold on `device`, as far as the
// system lets us see; `hidden` tells whether some process could not be
// looked at (another user's, for an ordinary user).
int openersOf(const std::string &device, bool &hidden)
{
    hidden = false;
    namespace fs = std::filesystem;
    const std::string self = std::to_string(::getpid());
    int openers = 0;
    // Processes come and go while they are looked at: an error skips one,
    // never ends the scan with an exception.
    std::error_code error;
    for (fs::directory_iterator process("/proc", error), end; !error && process != end; process.increment(error)) {
        const std::string pid = process->path().filename();
        if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code fdError;
        fs::directory_iterator fd(process->path() / "fd", fdError);
        hidden = hidden || fdError == std::errc::permission_denied;
        for (; !fdError && fd != end; fd.increment(fdError)) {
            std::error_code linkError;
            if (fs::read_symlink(fd->path(), linkError) == device)
                ++openers;
        }
    }
    return openers;
}

} // namespace

Line::~Line()
{
    for (const int fd : {m_watch, m_slave, m_master}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool Line::open()
{
    char name[PATH_MAX] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        return false;
    m_device = name;
    // Any user's terminal program may open it, as it may a serial device
    // of the dialout group.
    ::fchmod(m_slave, 0666);
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Opens and closes of the device by others, from now on.
    m_watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return m_watch >= 0
        && ::inotify_add_watch(m_watch, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0;
}

void Line::update()
{
    // The events only say that something changed: identical ones that come
    // before the last is read are merged into one, so they cannot be
    // counted. Who has the device open is asked of the system instead.
    alignas(inotify_event) char buffer[4096];
    bool lastOpened = false;
    for (ssize_t n; (n = ::read(m_watch, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            lastOpened = (event->mask & IN_OPEN) != 0;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    bool hidden = false;
    m_peers = openersOf(m_device, hidden);
    // A program this user cannot look at is known only by the last event:
    // opened and not closed since.
    if (m_peers == 0 && hidden && lastOpened)
        m_peers = 1;
    if (m_peers == 0) {
        // The last program is gone: whatever exclusive use it claimed goes
        // with it, and what it left unread too.
        ::ioctl(m_slave, TIOCNXCL);
        ::tcflush(m_slave, TCIOFLUSH);
    }
}

} // namespace sim
