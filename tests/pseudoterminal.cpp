#include "pseudoterminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

Pty::Pty()
{
    int slave = -1;
    char name[128] = {};
    if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
        qFatal("openpty failed: %s", strerror(errno));
    // Raw from the start, so nothing the test writes is echoed or altered
    // before the program configures the line.
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::close(slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // The modem's end stays in the test: programs it starts open the line
    // as terminal programs do, without holding the far end too.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    m_device = QString::fromLocal8Bit(name);
}

Pty::~Pty()
{
    hangUp();
}

void Pty::write(const QByteArray &bytes)
{
    // The program drains the line only while its events run.
    const std::future<void> written = writeInBackground(bytes);
    while (written.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        QCoreApplication::processEvents();
}

qsizetype Pty::take(QByteArray &into)
{
    char buffer[4096];
    qsizetype total = 0;
    ssize_t n;
    while ((n = ::read(m_master, buffer, sizeof buffer)) > 0) {
        into.append(buffer, n);
        total += n;
    }
    return total;  // EAGAIN: nothing yet; EIO: the program has the device closed
}

QByteArray Pty::read(qsizetype count, int timeoutMs)
{
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        pollfd fd{m_master, POLLIN, 0};
        ::poll(&fd, 1, 2);
        take(got);
    }
    return got;
}

QByteArray Pty::readAll(int settleMs)
{
    QByteArray got;
    QDeadlineTimer deadline(settleMs);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        pollfd fd{m_master, POLLIN, 0};
        ::poll(&fd, 1, 2);
    }
    take(got);
    return got;
}

void Pty::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

termios Pty::settings() const
{
    termios t{};
    ::tcgetattr(m_master, &t);  // on the master side this reads the device's settings
    return t;
}

void Pty::setSettings(const termios &settings)
{
    ::tcsetattr(m_master, TCSANOW, &settings);
}

std::future<void> Pty::writeInBackground(const QByteArray &bytes)
{
    return std::async(std::launch::async, [fd = m_master, bytes] {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
            } else if (errno == EAGAIN) {
                pollfd out{fd, POLLOUT, 0};
                ::poll(&out, 1, 100);
            } else {
                qFatal("write to pty failed: %s", strerror(errno));
            }
        }
    });
}

bool isExclusive(const QString &device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = -1;
    ::ioctl(fd, TIOCGEXCL, &exclusive);
    ::close(fd);
    return exclusive != 0;
}
