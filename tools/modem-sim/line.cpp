#include "line.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

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
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(m_watch, buffer, sizeof buffer)) > 0;) {
        for (char *at = buffer; at < buffer + n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(at);
            m_peers += (event->mask & IN_OPEN) ? 1 : (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) ? -1 : 0;
            at += sizeof(inotify_event) + event->len;
        }
    }
    if (m_peers <= 0) {
        // The last program is gone: whatever exclusive use it claimed goes
        // with it, and what it left unread too.
        m_peers = 0;
        ::ioctl(m_slave, TIOCNXCL);
        ::tcflush(m_slave, TCIOFLUSH);
    }
}

} // namespace sim
