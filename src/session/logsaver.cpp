#include "session/logsaver.h"

#include "textbox/crlfbox.h"
#include "widgets/notice.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

LogSaver::LogSaver(CrLfBox *text2, Notice *notice, QObject *parent)
    : QObject(parent), m_text2(text2), m_notice(notice)
{
    // The box shows its own actions in its context menu.
    auto *save = new QAction(tr("Save log as..."), text2);
    save->setShortcut(QKeySequence::Save);
    save->setShortcutContext(Qt::WidgetShortcut);
    text2->addAction(save);
    connect(save, &QAction::triggered, this, &LogSaver::saveAs);
}

QByteArray LogSaver::bytesOf(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c <= 0xff) {
            bytes.append(char(c));
            continue;
        }
        const qsizetype n = QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        bytes.append(QStringView(text).mid(i, n).toUtf8());
        i += n - 1;
    }
    return bytes;
}

bool LogSaver::saveTo(const QString &path, QString *error) const
{
    QString why;
    const bool saved = writeWhole(QFile::encodeName(path), bytesOf(m_text2->text()), &why);
    if (!saved && error)
        *error = why;
    return saved;
}

bool LogSaver::writeWhole(const QByteArray &path, const QByteArray &bytes, QString *error)
{
    // A link is followed to the file it names, which is replaced; the link
    // stays.
    QByteArray target = path;
    if (char *real = ::realpath(path.constData(), nullptr)) {
        target = real;
        ::free(real);
    }
    struct stat old = {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        *error = tr("it is not a regular file, and only a file is replaced by a log");
        return false;
    }
    if (replacing && ::access(target.constData(), W_OK) != 0)
        return failWith(errno, error);

    // Written beside the file and put in its place only when every byte is
    // on the disk: a failure leaves the old file as it was.
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray temporary = target.left(slash + 1) + ".vexmo-at-save-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failWith(errno, error);
    const auto discard = [&](int cause) {
        ::close(fd);
        ::unlink(temporary.constData());
        return failWith(cause, error);
    };
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            return discard(errno);
        done += qMax<ssize_t>(n, 0);
    }
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
        return failWith(cause, error);
    }
    return true;
}

bool LogSaver::failWith(int cause, QString *error)
{
    *error = QString::fromLocal8Bit(std::strerror(cause));
    return false;
}

void LogSaver::saveAs()
{
    const QString suggested = QDir::home().filePath(
        QStringLiteral("vexmo-at-%1.log").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const QString path = QFileDialog::getSaveFileName(m_text2->window(), tr("Save log as"), suggested);
    if (path.isEmpty())
        return;
    QString error;
    m_notice->showAt(m_text2, saveTo(path, &error) ? tr("The log was saved in %1.").arg(path)
                                                 : tr("The log could not be saved in %1: %2.").arg(path, error));
}
