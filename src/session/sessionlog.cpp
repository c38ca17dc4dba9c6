#include "session/sessionlog.h"

#include "widgets/notice.h"

#include <QFile>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

// A file that failed is tried again this often, and on each arrival.
constexpr int retryMs = 1000;

} // namespace

SessionLog::SessionLog(const QByteArray &path, QObject *parent, Content content, qsizetype backlogLimit)
    : QObject(parent), m_path(path), m_content(content), m_backlogLimit(backlogLimit)
{
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &SessionLog::flush);
}

SessionLog::~SessionLog()
{
    const QSignalBlocker quiet(this);  // the window is going: nothing to say there
    flush();
    if (backlog() > 0 || m_missing > 0) {
        // The window is gone: the terminal is the last place to say it.
        const QString why = isKept() ? tr("it did not take them in time") : m_failure;
        const char *what = m_content == Content::Received ? "received" : "of the transcript";
        std::fprintf(stderr, "vexmo-at: %lld bytes %s were never written to %s: %s\n",
                     static_cast<long long>(backlog() + m_missing), what, m_path.constData(), qPrintable(why));
    }
    if (m_fd >= 0)
        ::close(m_fd);
}

QString SessionLog::path() const
{
    return QFile::decodeName(m_path);
}

QByteArray SessionLog::gapMark(qint64 from, qint64 missing) const
{
    const QString mark = m_content == Content::Received
        ? QStringLiteral("\r\n[vexmo-at: %1 bytes received are missing here, bytes %2 to %3 of this run: "
                         "the file could not take them in time]\r\n")
        : QStringLiteral("[vexmo-at: %1 bytes of the transcript are missing here, bytes %2 to %3 of this run: "
                         "the file could not take them in time]\n");
    return mark.arg(missing)
        .arg(from)
        .arg(from + missing - 1)
        .toLatin1();
}

void SessionLog::keep(const QByteArray &bytes)
{
    flush();  // a gap is marked before anything that comes after it
    take(bytes);
    flush();
}

void SessionLog::take(const QByteArray &bytes)
{
    const qint64 at = m_received;
    m_received += bytes.size();
    // A read larger than the bound is taken whole when nothing waits: it is
    // written at once.
    const bool fits = backlog() + bytes.size() <= m_backlogLimit || (backlog() == 0 && isKept());
    if (m_missing == 0 && fits) {
        if (m_backlogFrom > 0 && m_backlogFrom >= m_backlog.size() / 2) {
            m_backlog.remove(0, m_backlogFrom);
            m_backlogFrom = 0;
        }
        m_backlog += bytes;
        return;
    }
    if (m_missing == 0)
        m_missingFrom = at;
    m_missing += bytes.size();
    if (isKept()) {  // a reader slower than the modem: the gap is the failure
        m_failure = tr("it takes bytes more slowly than they arrive, and %1 bytes already wait for it")
                        .arg(backlog());
        emit failed(m_failure);
    }
}

bool SessionLog::open()
{
    // Never blocks: a FIFO without a reader is refused (ENXIO) rather than
    // waited for. A new file is the user's alone.
    m_fd = ::open(m_path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return false;
    m_writable = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, &SessionLog::flush);
    return true;
}

void SessionLog::flush()
{
    if (m_fd < 0 && !open()) {
        fail(errno);
        return;
    }
    m_writable->setEnabled(false);
    for (;;) {
        while (backlog() > 0) {
            const ssize_t written = ::write(m_fd, m_backlog.constData() + m_backlogFrom, size_t(backlog()));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0 && errno == EAGAIN) {
                m_writable->setEnabled(true);  // a slow reader: on when it reads
                return;
            }
            if (written < 0) {
                fail(errno);
                return;
            }
            m_backlogFrom += written;
        }
        m_backlog.clear();
        m_backlogFrom = 0;
        if (m_missing == 0)
            break;
        m_backlog = gapMark(m_missingFrom, m_missing);
        m_marked = m_missing;
        m_missing = 0;
    }
    if (!isKept()) {
        m_failure.clear();
        m_retry.stop();
        emit keptAgain(m_missingFrom, std::exchange(m_marked, 0));
    }
}

void SessionLog::fail(int error)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    if (error == EPIPE || error == ENXIO) {
        // The reader went: a new one is taken at the next try.
        delete m_writable;
        m_writable = nullptr;
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    m_retry.start();
    if (!isKept())
        return;
    m_failure = reason.isEmpty() ? QStringLiteral("error %1").arg(error) : reason;
    emit failed(m_failure);
}

void SessionLog::sayOn(Notice *notice, QWidget *anchor)
{
    const bool received = m_content == Content::Received;
    connect(this, &SessionLog::failed, notice, [this, notice, anchor, received](const QString &reason) {
        const QString text = received
            ? tr("The session is not being kept in %1: %2.\nUp to %3 MB received meanwhile waits for the file; "
                 "beyond that, the file will say how much is missing.")
            : tr("The transcript is not being kept in %1: %2.\nUp to %3 MB of it waits for the file meanwhile; "
                 "beyond that, the file will say how much is missing.");
        notice->showAt(anchor, text.arg(path(), reason).arg(defaultBacklogLimit >> 20), Notice::UntilSeen);
    });
    connect(this, &SessionLog::keptAgain, notice, [this, notice, anchor, received](qint64 from, qint64 missing) {
        notice->withdraw();
        if (missing == 0) {
            notice->showAt(anchor, received ? tr("The session is kept in %1 again; nothing received was lost.").arg(path())
                                            : tr("The transcript is kept in %1 again; none of it was lost.").arg(path()));
            return;
        }
        const QString text = received
            ? tr("The session is kept in %1 again, but %2 bytes received meanwhile are missing from it (bytes %3 to "
                 "%4 of this run); the file marks the place.")
            : tr("The transcript is kept in %1 again, but %2 bytes of it are missing (bytes %3 to %4 of this run); "
                 "the file marks the place.");
        notice->showAt(anchor, text.arg(path()).arg(missing).arg(from).arg(from + missing - 1));
    });
    keep(QByteArray());
}
