// A session kept in a file byte for byte, whatever the log box does, and
// the log saved without a character changed.

#include "testmain.h"
#include "fixture.h"
#include "session/logsaver.h"
#include "session/sessionlog.h"
#include "session/transcript.h"
#include "slowdown.h"
#include "serialdevice/mscomm.h"
#include "textbox/crlfbox.h"
#include "widgets/notice.h"

#include <QRegularExpression>
#include <QElapsedTimer>
#include <QTimer>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QDir>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray readSome(int fd)
{
    QByteArray got(65536, Qt::Uninitialized);
    const ssize_t n = ::read(fd, got.data(), size_t(got.size()));
    got.resize(qMax<ssize_t>(n, 0));
    return got;
}

// A FIFO with a reader that takes nothing until the test reads it.
struct StalledFifo
{
    StalledFifo()
    {
        if (::mkfifo(path.constData(), 0600) != 0)
            qFatal("cannot make %s", path.constData());
        reader = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    ~StalledFifo() { ::close(reader); }
    StalledFifo(const StalledFifo &) = delete;
    StalledFifo &operator=(const StalledFifo &) = delete;

    QTemporaryDir folder;
    QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("fifo")));
    int reader = -1;
};

// While it lives, no file of this process grows beyond `bytes`: to the
// program, as a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_was);
        rlimit limit = m_was;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_was); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_was = {};
};

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void theSessionFileKeepsEveryByte();
    void aSessionFileThatCannotBeWrittenIsSaid_data();
    void aSessionFileThatCannotBeWrittenIsSaid();
    void aReaderThatGoesIsAFailedWrite();
    void aSlowReaderNeverHoldsTheWindowUp();
    void aGapIsMarkedWhereItIs();
    void bytesNeverWrittenAreCountedAtTheEnd();
    void aFileThatFillsUpGoesOnWhereItStopped();
    void aTranscriptHasEachWriteAndReadWithItsTime();
    void aTranscriptEscapesEveryByteNoLineCanHold();
    void savingTheLogChangesNoCharacter();
    void aSaveIsWholeOrNothing_data();
    void aSaveIsWholeOrNothing();
};

void TestSession::theSessionFileKeepsEveryByte()
{
    // Every byte value, Clear text between, and a log that keeps only its
    // last few hundred characters: the file has all, in order.
    QTemporaryDir folder;
    CommandLineOptions options;
    options.logFile = QFile::encodeName(folder.filePath(QStringLiteral("session.log")));
    Pty modem;
    Fixture f(options);
    auto *text2 = f.get<CrLfBox>("Text2");
    text2->setCapacity(300);
    f.connectTo(2, modem);
    QByteArray sent;
    for (int round = 0; round < 3; ++round) {
        const QByteArray bytes = allBytes() + "\r\nOK\r\n";
        modem.write(bytes);
        sent += bytes;
        QTRY_COMPARE(contentsOf(QFile::decodeName(options.logFile)), sent);
        f.click("Command25");  // Clear text
    }
    QCOMPARE(f.noticeText(), QString());
    // The modem's echo puts the SIM PIN in it: the user's alone.
    struct stat made = {};
    QCOMPARE(::stat(options.logFile.constData(), &made), 0);
    QCOMPARE(made.st_mode & 07777, mode_t(0600));
}

void TestSession::aSessionFileThatCannotBeWrittenIsSaid_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("saidAtOnce");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no such folder") << QStringLiteral("/nonexistent/folder/session.log") << true
                                    << QStringLiteral("No such file or directory");
    QTest::newRow("a full disk") << QStringLiteral("/dev/full") << false << QStringLiteral("No space left on device");
    // Start-up is not held by a FIFO nobody reads.
    QTest::newRow("a FIFO without a reader") << QStringLiteral("fifo") << true
                                             << QStringLiteral("No such device or address");
}

void TestSession::aSessionFileThatCannotBeWrittenIsSaid()
{
    QFETCH(QString, path);
    QFETCH(bool, saidAtOnce);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    if (path == QLatin1String("fifo")) {
        path = folder.filePath(path);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    CommandLineOptions options;
    options.logFile = QFile::encodeName(path);
    Pty modem;
    Fixture f(options);
    const QString said = QStringLiteral("The session is not being kept in %1: %2.").arg(path, reason);
    Notice *notice = f.form().notice();
    if (saidAtOnce)
        QVERIFY2(notice->isStanding() && f.noticeText().startsWith(said), qPrintable(f.noticeText()));
    f.connectTo(2, modem);
    modem.write("\r\nRING\r\n");
    QTRY_COMPARE(f.get<CrLfBox>("Text2")->text(), QStringLiteral("\r\nRING\r\n"));  // the log goes on
    // It stands through clicks and keys elsewhere, and comes back after
    // another notice, until the user clicks it.
    QTRY_VERIFY2(notice->isStanding() && f.noticeText().startsWith(said), qPrintable(f.noticeText()));
    QCOMPARE(notice->anchor(), f.get("Text2"));
    QTest::keyClick(f.get("Text2"), Qt::Key_End);
    f.click("Command11");
    QVERIFY(notice->isStanding());
    notice->showAt(f.get("Command2"), QStringLiteral("another"));
    QTest::keyClick(f.get("Text2"), Qt::Key_End);
    QVERIFY2(notice->isStanding() && f.noticeText().startsWith(said), qPrintable(f.noticeText()));
    QTest::mouseClick(notice, Qt::LeftButton);
    QCOMPARE(f.noticeText(), QString());
    // Seen: not said again while the file still fails.
    modem.write("OK\r\n");
    QTRY_VERIFY(f.get<CrLfBox>("Text2")->text().endsWith(QStringLiteral("\r\nOK\r\n")));
    QCOMPARE(f.noticeText(), QString());
}

void TestSession::aReaderThatGoesIsAFailedWrite()
{
    // `--log /dev/stdout | head -c 12`: head ends, the program does not.
    int ends[2];
    QCOMPARE(::pipe(ends), 0);
    CommandLineOptions options;
    options.logFile = "/proc/self/fd/" + QByteArray::number(ends[1]);
    Pty modem;
    Fixture f(options);
    ::close(ends[1]);
    f.connectTo(2, modem);
    modem.write("AT\r\r\nOK\r\n");
    QTRY_COMPARE(f.get<CrLfBox>("Text2")->length(), 9);
    char head[12];
    QCOMPARE(::read(ends[0], head, sizeof head), 9);
    ::close(ends[0]);
    modem.write("\r\nRING\r\n");
    QTRY_VERIFY2(f.noticeText().contains(QStringLiteral(": Broken pipe.")), qPrintable(f.noticeText()));
    QCOMPARE(f.get<CrLfBox>("Text2")->text(), QStringLiteral("AT\r\r\nOK\r\n\r\nRING\r\n"));
    QVERIFY(f.form().isVisible());
}

void TestSession::aSlowReaderNeverHoldsTheWindowUp()
{
    // A reader that takes nothing while 512 KB arrive: the window shows it
    // all, and the file gets every byte once the reader reads.
    const StalledFifo stalled;
    const QByteArray &fifo = stalled.path;
    const int reader = stalled.reader;
    CommandLineOptions options;
    options.logFile = fifo;
    Pty modem;
    Fixture f(options);
    f.connectTo(2, modem);
    QByteArray sent;
    for (int i = 0; sent.size() < 512 * 1024; ++i)
        sent += "+CMGL: " + QByteArray::number(i) + ",\"REC READ\",\"+4917\",,\"26/12/08\"\r\nHello\r\n";
    auto writing = modem.writeInBackground(sent);
    QTRY_COMPARE_WITH_TIMEOUT(f.get<CrLfBox>("Text2")->length(), sent.size(), 20000 * slowdown);
    writing.get();
    QCOMPARE(f.noticeText(), QString());  // held, within the backlog: nothing lost, nothing to say
    QByteArray got;
    QTRY_COMPARE_WITH_TIMEOUT((got += readSome(reader), got.size()), sent.size(), 10000 * slowdown);
    QCOMPARE(got, sent);
}

void TestSession::aGapIsMarkedWhereItIs()
{
    // A backlog of 100 bytes and a reader that stalls: what does not fit is
    // counted, and marked in the file before what comes after it.
    const StalledFifo stalled;
    const QByteArray &fifo = stalled.path;
    const int reader = stalled.reader;
    const int pipeSize = ::fcntl(reader, F_GETPIPE_SZ);
    SessionLog session(fifo, nullptr, SessionLog::Content::Received, 100);
    QSignalSpy failed(&session, &SessionLog::failed);
    QSignalSpy keptAgain(&session, &SessionLog::keptAgain);
    session.keep(QByteArray(pipeSize, 'p'));  // fills the pipe
    session.keep(QByteArray(60, 'a'));
    session.keep(QByteArray(40, 'b'));  // the backlog is full
    QCOMPARE(session.backlog(), 100);
    QVERIFY(failed.isEmpty());
    session.keep(QByteArray(1, 'c'));
    session.keep(QByteArray(9, 'd'));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(0).toString(),
             QStringLiteral("it takes bytes more slowly than they arrive, and 100 bytes already wait for it"));
    QByteArray got;
    QTRY_COMPARE((got += readSome(reader), keptAgain.size()), 1);
    QCOMPARE(keptAgain.at(0), (QVariantList{qint64(pipeSize) + 100, qint64(10)}));
    session.keep("e");
    const QByteArray mark = QByteArrayLiteral("\r\n[vexmo-at: 10 bytes received are missing here, bytes ")
                            + QByteArray::number(pipeSize + 100) + " to " + QByteArray::number(pipeSize + 109) + " of this run"
                            + ": the file could not take them in time]\r\n";
    QTRY_COMPARE((got += readSome(reader), got.size()), pipeSize + 100 + mark.size() + 1);
    QCOMPARE(got.mid(pipeSize + 100), mark + "e");
    QCOMPARE(got, QByteArray(pipeSize, 'p') + QByteArray(60, 'a') + QByteArray(40, 'b') + mark + "e");
}

void TestSession::bytesNeverWrittenAreCountedAtTheEnd()
{
    // The program ends while a reader has taken nothing: its terminal hears
    // how much the file lacks.
    const StalledFifo stalled;
    const QByteArray &fifo = stalled.path;
    const int reader = stalled.reader;
    QTemporaryFile said;
    QVERIFY(said.open());
    const auto endWith = [&](qsizetype stalled, qsizetype missing) {
        const int terminal = ::dup(STDERR_FILENO);
        const auto back = qScopeGuard([terminal] {
            ::dup2(terminal, STDERR_FILENO);
            ::close(terminal);
        });
        SessionLog session(fifo, nullptr, SessionLog::Content::Received, 100);
        session.keep(QByteArray(::fcntl(reader, F_GETPIPE_SZ), 'p'));
        session.keep(QByteArray(stalled, 'a'));
        session.keep(QByteArray(missing, 'b'));  // beyond the backlog
        ::dup2(said.handle(), STDERR_FILENO);
    };
    endWith(0, 0);  // all taken: nothing to say
    while (!readSome(reader).isEmpty()) {
    }
    QCOMPARE(said.size(), 0);
    endWith(70, 50);
    said.seek(0);
    QCOMPARE(said.readAll(), "vexmo-at: 120 bytes received were never written to " + fifo
                                 + ": it takes bytes more slowly than they arrive, and 70 bytes already wait for it\n");
}

void TestSession::aFileThatFillsUpGoesOnWhereItStopped()
{
    // A file that can take no more (here past the size limit; a full disk
    // is the same to the program) takes the rest once it can, in order.
    QTemporaryDir folder;
    CommandLineOptions options;
    options.logFile = QFile::encodeName(folder.filePath(QStringLiteral("session.log")));
    const QString path = QFile::decodeName(options.logFile);
    Pty modem;
    Fixture f(options);
    f.connectTo(2, modem);
    std::optional<FileSizeLimit> full(std::in_place, 100);
    QByteArray sent;
    for (int i = 0; i < 20; ++i)
        sent += "\r\n+CSQ: " + QByteArray::number(i) + ",99\r\n";
    modem.write(sent);
    QTRY_VERIFY2(f.noticeText().startsWith(QStringLiteral("The session is not being kept in %1: File too large.")
                                                .arg(path)),
                 qPrintable(f.noticeText()));
    QCOMPARE(contentsOf(path), sent.left(100));  // as far as it could go
    full.reset();
    QTRY_COMPARE(f.noticeText(), QStringLiteral("The session is kept in %1 again; nothing received was lost.").arg(path));
    QCOMPARE(contentsOf(path), sent);
}

void TestSession::aTranscriptHasEachWriteAndReadWithItsTime()
{
    // A command, its reply in two reads, an SMS's header and, half a second
    // later, its body: each a line, with its time and direction; the
    // session file beside it keeps what was received.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("transcript.txt"));
    CommandLineOptions options;
    options.transcriptFile = QFile::encodeName(path);
    options.logFile = QFile::encodeName(folder.filePath(QStringLiteral("session.log")));
    Pty modem;
    Fixture f(options);
    f.connectTo(2, modem);
    f.click("Command11");
    QCOMPARE(modem.read(4), QByteArray("AT\r\n"));
    modem.write("AT\r");
    QTRY_COMPARE(f.get<CrLfBox>("Text2")->length(), 3);
    modem.write("\r\nOK\r\n");
    QTRY_COMPARE(f.get<CrLfBox>("Text2")->length(), 9);
    // The reference timer is set as the header goes, as the body's timer is.
    qint64 referenceMs = 0;
    QElapsedTimer clock;
    clock.start();
    f.click("Command16");
    QTimer::singleShot(500, Qt::PreciseTimer, this, [&] { referenceMs = clock.elapsed(); });
    QCOMPARE(modem.read(37, 2000).size(), 37);
    QTRY_VERIFY(referenceMs > 0);
    f.click("Command3");

    const QList<QByteArray> lines = contentsOf(path).split('\n');
    QCOMPARE(lines.size(), 8);  // and the empty rest after the last line end
    static const QRegularExpression timed(QStringLiteral(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) (.*)$)"));
    QStringList said;
    std::vector<QDateTime> times;
    for (const QByteArray &line : lines.mid(0, 7)) {
        const auto match = timed.match(QString::fromLatin1(line));
        QVERIFY2(match.hasMatch(), line.constData());
        times.push_back(QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
        said << match.captured(2);
    }
    const QString com2 = QStringLiteral("Com2: %1/vexmo-at/ports/com2 -> %2").arg(f.configDir(), modem.device());
    QCOMPARE(said, QStringList({QStringLiteral("Connect ") + com2, QStringLiteral("> AT\\r\\n"),
                                QStringLiteral("< AT\\r"), QStringLiteral("< \\r\\nOK\\r\\n"),
                                QStringLiteral("> AT+CMGS=\"+xxxxxxxxxx\"\\r"), QStringLiteral("> Hello World!\\r\\n\\x1a"),
                                QStringLiteral("Disconnect ") + com2}));
    QVERIFY(std::is_sorted(times.begin(), times.end()));
    // The wait before the body shows: never early, and late only as this
    // machine's own timers are.
    const qint64 wait = times[4].msecsTo(times[5]);
    QVERIFY2(wait >= 499 && wait <= referenceMs + 100,
             qPrintable(QStringLiteral("%1 ms (the reference %2)").arg(wait).arg(referenceMs)));
    QCOMPARE(QFileInfo(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
             QFileDevice::Permissions());
    QCOMPARE(contentsOf(folder.filePath(QStringLiteral("session.log"))), QByteArray("AT\r\r\nOK\r\n"));
}

void TestSession::aTranscriptEscapesEveryByteNoLineCanHold()
{
    QCOMPARE(Transcript::escaped(allBytes()),
             QByteArray("\\x00\\x01\\x02\\x03\\x04\\x05\\x06\\x07\\x08\\x09\\n\\x0b\\x0c\\r\\x0e\\x0f"
                        "\\x10\\x11\\x12\\x13\\x14\\x15\\x16\\x17\\x18\\x19\\x1a\\x1b\\x1c\\x1d\\x1e\\x1f"
                        " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\\\]^_`"
                        "abcdefghijklmnopqrstuvwxyz{|}~\\x7f")
                 + [] {
                       QByteArray high;
                       for (int b = 0x80; b < 0x100; ++b)
                           high += "\\x" + QByteArray::number(b, 16);
                       return high;
                   }());
}

void TestSession::savingTheLogChangesNoCharacter()
{
    // Received bytes as they came, typed Latin-1 as one byte, typed beyond
    // it in UTF-8; offered in the log's menu and on Ctrl+S.
    Pty modem;
    Fixture f;
    f.connectTo(2, modem);
    modem.write(allBytes());
    auto *text2 = f.get<CrLfBox>("Text2");
    QTRY_COMPARE(text2->length(), 256);
    text2->setCursorPosition(text2->length());
    text2->replaceRange(256, 256, QStringLiteral("\u00e9\u20ac\U0001F600"));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.txt"));
    // Written in the background, from the log as it stood: what comes
    // after is not in the file, and the notice says where it went.
    QSignalSpy saved(f.form().logSaver(), &LogSaver::saved);
    f.form().logSaver()->saveInBackground(path);
    text2->append(QStringLiteral("\r\nRING\r\n"));
    QVERIFY(saved.wait(10000));
    QCOMPARE(saved.first(), QVariantList({path, QString()}));
    QCOMPARE(f.noticeText(), QStringLiteral("The log was saved in %1.").arg(path));
    QCOMPARE(contentsOf(path), allBytes() + "\xe9" + QStringLiteral("\u20ac\U0001F600").toUtf8());
    // A letter beyond the basic plane split over two pieces of the log.
    TextChunks pieces(3);
    pieces.append(QStringLiteral("ab\U0001F600c\U0001F600"));
    QCOMPARE(LogSaver::save(path, pieces), QString());
    QCOMPARE(contentsOf(path), QStringLiteral("ab\U0001F600c\U0001F600").toUtf8());

    std::unique_ptr<QMenu> menu(text2->createStandardContextMenu());
    const QAction *save = menu->actions().constLast();
    QCOMPARE(save->text(), QStringLiteral("Save log as..."));
    QCOMPARE(save->shortcut(), QKeySequence(QKeySequence::Save));
    QCOMPARE(save->shortcutContext(), Qt::WidgetShortcut);
}

void TestSession::aSaveIsWholeOrNothing_data()
{
    QTest::addColumn<QString>("target");  // made in a fresh folder
    QTest::addColumn<QString>("error");   // empty: saved
    QTest::addColumn<int>("mode");        // the target's afterwards
    const bool root = ::geteuid() == 0;
    QTest::newRow("a new file") << QStringLiteral("new") << QString() << 0600;
    QTest::newRow("a file") << QStringLiteral("file 0640") << QString() << 0640;
    QTest::newRow("a read-only file") << QStringLiteral("file 0444")
                                      << (root ? QString() : QStringLiteral("Permission denied")) << 0444;
    QTest::newRow("a link to a file") << QStringLiteral("link") << QString() << 0640;
    QTest::newRow("a file that cannot grow") << QStringLiteral("limit") << QStringLiteral("File too large") << 0640;
    QTest::newRow("a FIFO") << QStringLiteral("fifo")
                            << QStringLiteral("it is not a regular file, and only a file is replaced by a log")
                            << 0600;
    QTest::newRow("no such folder") << QStringLiteral("none/log") << QStringLiteral("No such file or directory") << 0;
}

void TestSession::aSaveIsWholeOrNothing()
{
    QFETCH(QString, target);
    QFETCH(QString, error);
    QFETCH(int, mode);
    ConnectedFixture f(2);
    f.modem().write(allBytes() + "\r\nOK\r\n");
    QTRY_COMPARE(f.get<CrLfBox>("Text2")->length(), 262);
    QTemporaryDir folder;
    const QByteArray file = QFile::encodeName(folder.filePath(QStringLiteral("log")));
    const QByteArray old = "an older log\n";
    if (target != QLatin1String("new") && target != QLatin1String("fifo") && !target.startsWith(QLatin1String("none"))) {
        QFile made(QFile::decodeName(file));
        QVERIFY(made.open(QIODevice::WriteOnly));
        made.write(old);
        made.close();
        QCOMPARE(::chmod(file.constData(), target == QLatin1String("file 0444") ? 0444 : 0640), 0);
    }
    if (target == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(file.constData(), 0600), 0);
    QString path = QFile::decodeName(file);
    if (target == QLatin1String("link")) {
        path = folder.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(QFile::decodeName(file), path));
    }
    if (target.startsWith(QLatin1String("none")))
        path = folder.filePath(target);

    std::optional<FileSizeLimit> full;
    if (target == QLatin1String("limit"))
        full.emplace(100);
    QSignalSpy saved(f.form().logSaver(), &LogSaver::saved);
    f.form().logSaver()->saveInBackground(path);
    QVERIFY(saved.wait(10000));
    full.reset();
    QCOMPARE(saved.first().at(1).toString(), error);
    if (mode == 0)
        return;
    struct stat after = {};
    QCOMPARE(::lstat(file.constData(), &after), 0);
    QCOMPARE(after.st_mode & 07777, mode_t(mode));
    if (target == QLatin1String("fifo"))
        QVERIFY(S_ISFIFO(after.st_mode));
    else
        QCOMPARE(contentsOf(QFile::decodeName(file)), error.isEmpty() ? allBytes() + "\r\nOK\r\n" : old);
    if (target == QLatin1String("link"))
        QVERIFY(QFileInfo(path).isSymLink());
    // Nothing is left beside it.
    QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System).size(),
             target == QLatin1String("link") ? 2 : 1);
}

VEXMO_TEST_MAIN(TestSession)
#include "tst_session.moc"
