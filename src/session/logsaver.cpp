#include "session/logsaver.h"

#include "textbox/crlfbox.h"
#include "textdocument/crlfdocument.h"
#include "widgets/notice.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QtConcurrent/QtConcurrentRun>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString failure(int cause)
{
    return QString::fromLocal8Bit(std::strerror(cause));
}

// The bytes of the text, a piece at a time: one byte a character up to
// U+00FF, UTF-8 beyond. A letter beyond the basic plane may straddle two
// pieces: its first half waits for the second.
class Bytes
{
public:
    QByteArray of(QStringView piece)
    {
        QByteArray bytes;
        bytes.reserve(piece.size());
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const char16_t c = piece.at(i).unicode();
            if (m_high) {
                const char16_t pair[] = {m_high, c};
                const bool whole = QChar::isLowSurrogate(c);
                bytes.append(QStringView(pair, whole ? 2 : 1).toUtf8());
                m_high = 0;
                if (whole)
                    continue;
            }
            if (c <= 0xff)
                bytes.append(char(c));
            else if (QChar::isHighSurrogate(c))
                m_high = c;
            else
                bytes.append(QStringView(&c, 1).toUtf8());
        }
        return bytes;
    }
    QByteArray rest()
    {
        const char16_t high = std::exchange(m_high, char16_t(0));
        return high ? QStringView(&high, 1).toUtf8() : QByteArray();
    }

private:
    char16_t m_high = 0;
};

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            return false;
        done += std::max<ssize_t>(n, 0);
    }
    return true;
}

} // namespace

LogSaver::LogSaver(CrLfBox *text2, Notice *notice, QObject *parent)
    : QObject(parent), m_text2(text2), m_notice(notice)
{
    // The box shows its own actions in its context menu.
    auto *save = new QAction(tr("Save log as..."), text2);
    save->setShortcut(QKeySequence::Save);
    save->setShortcutContext(Qt::WidgetShortcut);
    text2->addAction(save);
    connect(save, &QAction::triggered, this, &LogSaver::saveAs);
    connect(&m_saving, &QFutureWatcher<QString>::finished, this, &LogSaver::finish);
}

QString LogSaver::save(const QString &path, const TextChunks &text)
{
    // A link is followed to the file it names, which is replaced; the link
    // stays.
    QByteArray target = QFile::encodeName(path);
    if (char *real = ::realpath(target.constData(), nullptr)) {
        target = real;
        ::free(real);
    }
    struct stat old = {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode))
        return tr("it is not a regular file, and only a file is replaced by a log");
    if (replacing && ::access(target.constData(), W_OK) != 0)
        return failure(errno);

    // Written beside the file and put in its place only when every byte is
    // on the disk: a failure leaves the old file as it was.
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray temporary = target.left(slash + 1) + ".vexmo-at-save-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failure(errno);
    const auto discard = [&](int cause) {
        ::close(fd);
        ::unlink(temporary.constData());
        return failure(cause);
    };
    Bytes bytes;
    bool written = true;
    text.scan(text.begin(), [&](TextChunks::Pos, QStringView piece) {
        written = writeAll(fd, bytes.of(piece));
        return written;
    });
    if (!written || !writeAll(fd, bytes.rest()))
        return discard(errno);
    // The replaced file's mode and owner; a new file is the user's alone,
    // as the modem's echo may hold the SIM PIN.
    if (replacing) {
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            return discard(errno);
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            return discard(errno);
    }
    if (::fsync(fd) != 0)
        return discard(errno);
    if (::close(fd) != 0 || ::rename(temporary.constData(), target.constData()) != 0) {
        const int cause = errno;
        ::unlink(temporary.constData());
        return failure(cause);
    }
    return QString();
}

void LogSaver::saveInBackground(const QString &path)
{
    // The log as it stands now, whatever comes in later; one save at a
    // time, the next one after it.
    m_queue.append({path, m_text2->document().text()});
    if (!m_saving.isRunning())
        startNext();
}

void LogSaver::startNext()
{
    const auto [path, text] = m_queue.takeFirst();
    m_path = path;
    m_saving.setFuture(QtConcurrent::run(&LogSaver::save, path, text));
}

void LogSaver::finish()
{
    const QString failed = m_saving.result();
    m_notice->showAt(m_text2, failed.isEmpty() ? tr("The log was saved in %1.").arg(m_path)
                                               : tr("The log could not be saved in %1: %2.").arg(m_path, failed));
    emit saved(m_path, failed);
    if (!m_queue.isEmpty())
        startNext();
}

void LogSaver::saveAs()
{
    const QString suggested = QDir::home().filePath(
        QStringLiteral("vexmo-at-%1.log").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const QString path = QFileDialog::getSaveFileName(m_text2->window(), tr("Save log as"), suggested);
    if (!path.isEmpty())
        saveInBackground(path);
}
