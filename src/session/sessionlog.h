#pragma once
// A session kept in a file: every byte received is appended as it arrives,
// exactly as it came, whatever the log box keeps (Clear text and its
// capacity do not touch the file). Each read is written at once, unbuffered,
// so that a killed program loses at most what was still on its way.
//
// The file never holds the window up: it is opened and written without
// blocking (a FIFO without a reader, a slow reader, a full disk), and what
// it cannot take yet waits in a bounded backlog. Beyond that bound bytes are
// dropped, counted, and the place is marked in the file once it takes bytes
// again, so that a gap is never silent.
//
// A new file is readable by the user alone: the modem's echo puts the SIM
// PIN in it.

#include <QByteArray>
#include <QObject>
#include <QTimer>

class Notice;
class QSocketNotifier;
class QWidget;

class SessionLog : public QObject
{
    Q_OBJECT
public:
    // What the file keeps: the bytes received (--log), or the transcript
    // of what went both ways (--transcript).
    enum class Content { Received, Transcript };

    // `path` is the file's name as the system spells it, byte for byte.
    SessionLog(const QByteArray &path, QObject *parent, Content content = Content::Received,
               qsizetype backlogLimit = defaultBacklogLimit);
    ~SessionLog() override;

    static constexpr qsizetype defaultBacklogLimit = qsizetype(16) << 20;

    QString path() const;
    // Takes what arrived, and writes what it can without waiting. With
    // nothing, it only tries the file: at start-up, so that a bad path is
    // said at once.
    void keep(const QByteArray &bytes);
    bool isKept() const { return m_failure.isEmpty(); }
    qsizetype backlog() const { return m_backlog.size() - m_backlogFrom; }

    // The line put in the file where bytes are missing.
    QByteArray gapMark(qint64 from, qint64 missing) const;
    // Says next to `anchor` when the file stops taking bytes, standing
    // until the user clicks it, and when it takes them again; and tries the
    // file now, so that a bad path is said at once.
    void sayOn(Notice *notice, QWidget *anchor);

signals:
    // The file stopped taking bytes; said once until it takes them again.
    void failed(const QString &reason);
    // It takes them again. `missing` bytes, from byte `from` of this run's
    // reception on, did not fit in the backlog and are marked in the file.
    void keptAgain(qint64 from, qint64 missing);

private:
    bool open();
    void flush();
    void fail(int error);
    void take(const QByteArray &bytes);

    QByteArray m_path;
    Content m_content;
    qsizetype m_backlogLimit;
    int m_fd = -1;
    QSocketNotifier *m_writable = nullptr;
    QTimer m_retry;
    QByteArray m_backlog;  // waiting from m_backlogFrom on
    qsizetype m_backlogFrom = 0;
    qint64 m_received = 0;  // bytes taken in this run, kept or not
    qint64 m_missingFrom = 0;
    qint64 m_missing = 0;
    qint64 m_marked = 0;  // missing bytes marked since the file last failed
    QString m_failure;
};
