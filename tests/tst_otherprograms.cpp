// Other programs' ports: a port another program holds is never taken,
// whoever holds it and however they say so, and what the user did not point
// at is never written to. Against real pseudo-terminals and the lock files
// of live processes.

#include "testmain.h"
#include "fixture.h"
#include "serialdevice/mscomm.h"
#include "serialdevice/lockfiles.h"
#include "serialdevice/portscan.h"
#include "serialdevice/terminalkind.h"
#include "session/refusalwords.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/syscall.h>
#include <fcntl.h>
#include <unistd.h>
#include <utime.h>

namespace {

// Runs as the port's lock files are checked, when a process is asked
// whether it lives: the moment another program may write a lock.
std::function<void(pid_t)> whileCheckingProcess;

} // namespace

// Every kill() in this program, the check whether a lock file's process
// lives among them, goes through here.
extern "C" int kill(pid_t pid, int signal)
{
    if (signal == 0 && whileCheckingProcess)
        whileCheckingProcess(pid);
    return int(::syscall(SYS_kill, pid, signal));
}

namespace {

const QColor lightRed(255, 192, 192);
const QColor lightGreen(192, 255, 192);

// The folder a lock file goes to, as Qt's serial port picks it.
QString lockFolder()
{
    for (const char *folder : {"/var/lock", "/run/lock"}) {
        if (QFileInfo(QLatin1String(folder)).isWritable())
            return QLatin1String(folder);
    }
    return QDir::tempPath();
}

QString lockFileFor(const QString &device)
{
    return lockFolder() + QStringLiteral("/LCK..") + device.mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
}

// A lock file written for a test, gone with it.
struct LockFile
{
    explicit LockFile(const QString &device, const QByteArray &content, int ageSeconds = 0)
        : path(lockFileFor(device))
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        file.close();
        const qint64 old = QDateTime::currentSecsSinceEpoch() - ageSeconds;
        const utimbuf times{old, old};
        ::utime(QFile::encodeName(path).constData(), &times);
    }
    ~LockFile() { QFile::remove(path); }
    QByteArray content() const
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    QString path;
};

// A live process of ours to name in lock files.
struct Sleeper
{
    Sleeper()
    {
        process.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        process.waitForStarted();
    }
    ~Sleeper() { process.kill(), process.waitForFinished(); }
    qint64 pid() const { return process.processId(); }
    QProcess process;
};

// The number of a process that has ended.
qint64 goneProcess()
{
    QProcess gone;
    gone.start(QStringLiteral("true"));
    gone.waitForStarted();
    const qint64 pid = gone.processId();  // known only while it runs
    gone.waitForFinished();
    return pid;
}

bool holdsFlock(qint64 pid)
{
    QFile locks(QStringLiteral("/proc/locks"));
    locks.open(QIODevice::ReadOnly);
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 4 && fields.at(1) == "FLOCK" && fields.at(4).toLongLong() == pid)
            return true;
    }
    return false;
}

// A program that holds a line as terminal programs do (lineholder): it
// sets 115200 baud, and watches its own line from then on.
struct LineHolder
{
    LineHolder(const QString &device, const QStringList &how,
               const QString &program = qEnvironmentVariable("VEXMO_LINE_HOLDER", QStringLiteral(LINE_HOLDER)))
    {
        process.start(program, QStringList{device} + how);
        if (!process.waitForReadyRead(5000) || process.readLine() != "held\n")
            qFatal("lineholder did not take %s", qPrintable(device));
    }
    ~LineHolder() { process.closeWriteChannel(), process.waitForFinished(); }
    QByteArray report()  // "changed=N exclusive=E"
    {
        process.write("report\n");
        process.waitForReadyRead(5000);
        return process.readLine().trimmed();
    }
    QProcess process;
};

} // namespace

class TestOtherPrograms : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    void aLockFileOfALiveProcessKeepsThePort_data();
    void aLockFileOfALiveProcessKeepsThePort();
    void aLockFileOfAGoneProcessIsTakenOver_data();
    void aLockFileOfAGoneProcessIsTakenOver();
    void anFlockKeepsThePortAndOursKeepsOthersOut();
    void aRefusalLeavesTheHoldersLineAsItWas_data();
    void aRefusalLeavesTheHoldersLineAsItWas();
    void aLockWrittenWhileAStaleOneGoesStays();
    void aLockFileStillBeingWrittenNamesItsWriter();
    void theLoserOfARaceNamesTheWinner();
    void aClaimLeftByAKilledProgramIsSaid();
    void qtsOwnLockFailingSaysWhatFailed();
    void aDeviceThatFailsToOpenIsNotCalledMissing();
    void lockFilesThatAreNoFilesNeverBlock();
    void terminalsThatAreNoSerialLinesAreRefused();
    void aTerminalOfAnotherDevptsInstanceIsNotOurs();
    void aVanishedLinkIsNamedAndNothingElseOpensSilently();
    void linksThatLeadNowhereSaySo();

private:
    bool isOpen() const { return f->form().comm()->portOpen(); }
    std::unique_ptr<Fixture> f;
};

void TestOtherPrograms::aLockFileOfALiveProcessKeepsThePort_data()
{
    QTest::addColumn<QByteArray>("form");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("otherUser");  // process 1: not ours to signal, run as an ordinary user
    QTest::newRow("UUCP, ten ASCII digits (pppd)") << QByteArray("%1\n") << 0 << false;
    QTest::newRow("UUCP with the program (minicom), an hour old") << QByteArray("%1 minicom root\n") << 3600 << false;
    QTest::newRow("Qt's") << QByteArray("%1\nsleep\nbench\n") << 0 << false;
    QTest::newRow("binary") << QByteArray() << 0 << false;
    QTest::newRow("names nothing") << QByteArray("\n") << 0 << false;
    QTest::newRow("another user's process") << QByteArray("%1\n") << 0 << true;
}

void TestOtherPrograms::aLockFileOfALiveProcessKeepsThePort()
{
    QFETCH(QByteArray, form);
    QFETCH(int, ageSeconds);
    QFETCH(bool, otherUser);
    Sleeper sleeper;
    const qint64 holder = otherUser ? 1 : sleeper.pid();
    Pty modem;
    QByteArray content = form;
    if (form.isNull()) {
        const qint32 pid = qint32(holder);
        content = QByteArray(reinterpret_cast<const char *>(&pid), sizeof pid);
    } else if (form.contains("%1")) {
        content = QString::fromLatin1(form).arg(holder, 10).toLatin1();
    }
    const LockFile lock(modem.device(), content, ageSeconds);

    f->connectTo(3, modem);
    QVERIFY(!isOpen());
    QCOMPARE(f->connectColor(), lightRed);
    const QString notice = f->noticeText();
    QVERIFY2(notice.contains(lock.path), qPrintable(notice));
    if (form == "\n")
        QVERIFY2(notice.contains(QLatin1String("names no running program")), qPrintable(notice));
    else
        QVERIFY2(notice.contains(QStringLiteral("%1 (process %2)").arg(otherUser ? QString() : QStringLiteral("sleep"))
                                     .arg(holder)),
                 qPrintable(notice));
    QCOMPARE(lock.content(), content);  // their lock stays as it was
}

void TestOtherPrograms::aLockFileOfAGoneProcessIsTakenOver_data()
{
    QTest::addColumn<bool>("binary");
    QTest::newRow("ten ASCII digits") << false;
    // Four bytes whose first read as "1" and a blank, or a NUL: the number
    // of a process that has gone, never process 1.
    QTest::newRow("binary, as if it read 1") << true;
}

void TestOtherPrograms::aLockFileOfAGoneProcessIsTakenOver()
{
    QFETCH(bool, binary);
    QByteArray content = QString::number(goneProcess()).rightJustified(10).toLatin1() + '\n';
    if (binary) {
        const qint32 looksLikeOne[] = {0x31, 0x0931, 0x0a31, 0x0b31, 0x0c31, 0x0d31, 0x2031};
        const auto gone = std::find_if(std::begin(looksLikeOne), std::end(looksLikeOne),
                                       [](qint32 n) { return ::kill(n, 0) != 0 && errno == ESRCH; });
        if (gone == std::end(looksLikeOne))
            QSKIP("every process number that reads as 1 is in use");
        content = QByteArray(reinterpret_cast<const char *>(&*gone), sizeof *gone);
    }
    Pty modem;
    const LockFile lock(modem.device(), content);
    f->connectTo(3, modem);
    QVERIFY2(isOpen(), qPrintable(f->noticeText()));
    QCOMPARE(lock.content().split('\n').value(0).trimmed().toLongLong(), QCoreApplication::applicationPid());
    f->click("Command3");  // the port's own lock goes with it
}

void TestOtherPrograms::anFlockKeepsThePortAndOursKeepsOthersOut()
{
    Pty modem;
    // As picocom and tio hold a port.
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("-o"), modem.device(), QStringLiteral("sleep"), QStringLiteral("60")});
    QVERIFY(holder.waitForStarted());
    QTRY_VERIFY(holdsFlock(holder.processId()));
    f->connectTo(4, modem);
    QVERIFY(!isOpen());
    QVERIFY2(f->noticeText().contains(QStringLiteral("flock (process %1)").arg(holder.processId())),
             qPrintable(f->noticeText()));
    holder.kill();
    holder.waitForFinished();

    f->click("Command2");
    QVERIFY(isOpen());
    QProcess other;
    other.start(QStringLiteral("flock"), {QStringLiteral("-n"), modem.device(), QStringLiteral("true")});
    QVERIFY(other.waitForFinished());
    QCOMPARE(other.exitCode(), 1);  // it could not have the port
}

void TestOtherPrograms::aRefusalLeavesTheHoldersLineAsItWas_data()
{
    QTest::addColumn<QStringList>("how");
    QTest::newRow("flock, as picocom and tio hold it") << QStringList{QStringLiteral("--flock")};
    QTest::newRow("alone (exclusive), as Qt's serial port holds it") << QStringList{QStringLiteral("--exclusive")};
    QTest::newRow("both") << QStringList{QStringLiteral("--exclusive"), QStringLiteral("--flock")};
}

void TestOtherPrograms::aRefusalLeavesTheHoldersLineAsItWas()
{
    // The holder samples its own speed every 0.2 ms while we are refused:
    // not once may it see another, nor lose its claim to be alone.
    QFETCH(QStringList, how);
    Pty modem;
    LineHolder holder(modem.device(), how);
    f->connectTo(5, modem);
    QVERIFY(!isOpen());
    QCOMPARE(f->connectColor(), lightRed);
    const QString notice = f->noticeText();
    // Alone without a lock, it says no more than that it has the line open.
    const bool alone = how.contains(QLatin1String("--exclusive"));
    const QString named = alone && !how.contains(QLatin1String("--flock"))
        ? QStringLiteral("(none has a lock file or an flock on it); lineholder (process %1) has it open.")
        : QStringLiteral("lineholder (process %1) is using it");
    QVERIFY2(notice.contains(named.arg(holder.process.processId())), qPrintable(notice));
    QVERIFY2(!notice.contains(QLatin1String("dialout")), qPrintable(notice));
    QCOMPARE(holder.report(), QByteArray("changed=0 exclusive=") + (alone ? "1" : "0"));
}

void TestOtherPrograms::aLockWrittenWhileAStaleOneGoesStays()
{
    // A stale lock names a process that is gone. While we make sure of
    // that, a live program writes its own lock in its place (a new file
    // renamed over it, or the old one rewritten): that one must stay.
    const qint64 gonePid = goneProcess();
    for (const bool inPlace : {false, true}) {
        Pty modem;
        Sleeper live;
        const LockFile lock(modem.device(), QString::number(gonePid).rightJustified(10).toLatin1() + '\n');
        const QByteArray theirs = QString::number(live.pid()).rightJustified(10).toLatin1() + '\n';
        whileCheckingProcess = [&](pid_t pid) {
            if (pid != gonePid)
                return;
            QFile file(inPlace ? lock.path : lock.path + QStringLiteral(".new"));
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            file.write(theirs);
            file.close();
            if (!inPlace)
                ::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(lock.path).constData());
        };
        f->connectTo(3, modem);
        whileCheckingProcess = nullptr;
        QVERIFY2(!isOpen(), inPlace ? "rewritten" : "renamed over");
        QCOMPARE(lock.content(), theirs);
        QVERIFY2(f->noticeText().contains(QStringLiteral("sleep (process %1)").arg(live.pid())),
                 qPrintable(f->noticeText()));
    }
}

void TestOtherPrograms::aLockFileStillBeingWrittenNamesItsWriter()
{
    // Qt's lock file is created empty and held with an flock while its
    // process number is written: another vexmo-at that reads it then must
    // name the writer, not tell the user to remove a live program's lock.
    Pty modem;
    const QString path = lockFileFor(modem.device());
    QProcess writer;
    writer.start(QStringLiteral("flock"), {QStringLiteral("-o"), path, QStringLiteral("sleep"), QStringLiteral("60")});
    QVERIFY(writer.waitForStarted());
    const qint64 writerPid = writer.processId();
    QTRY_VERIFY(holdsFlock(writerPid));
    f->connectTo(3, modem);
    QVERIFY(!isOpen());
    const QString notice = f->noticeText();
    writer.kill();
    writer.waitForFinished();
    QFile::remove(path);
    QVERIFY2(notice.contains(QStringLiteral("flock (process %1)").arg(writerPid)), qPrintable(notice));
    QVERIFY2(!notice.contains(QLatin1String("remove that file")), qPrintable(notice));
}

void TestOtherPrograms::theLoserOfARaceNamesTheWinner()
{
    // Two vexmo-at press Connect at once. The winner holds the flock and
    // the line alone, before its lock file is written; the simulated module
    // at the other end has the line open too, and started first.
    Pty modem;
    LineHolder otherEnd(modem.device(), {});
    QTemporaryDir folder;
    const QString winnerProgram = folder.filePath(QStringLiteral("vexmo-at"));
    QVERIFY(QFile::copy(qEnvironmentVariable("VEXMO_LINE_HOLDER", QStringLiteral(LINE_HOLDER)), winnerProgram));
    LineHolder winner(modem.device(), {QStringLiteral("--flock"), QStringLiteral("--exclusive")}, winnerProgram);
    f->connectTo(5, modem);
    QVERIFY(!isOpen());
    QVERIFY2(f->noticeText().contains(
                 QStringLiteral("another vexmo-at (process %1) took it a moment ago").arg(winner.process.processId())),
             qPrintable(f->noticeText()));
}

void TestOtherPrograms::aClaimLeftByAKilledProgramIsSaid()
{
    // A program that claimed the line alone was killed; the line stays
    // claimed while its other end is open, and nobody holds it.
    Pty modem;
    {
        LineHolder killed(modem.device(), {QStringLiteral("--exclusive")});
        killed.process.kill();
        killed.process.waitForFinished();
    }
    QVERIFY(isExclusive(modem.device()));
    f->connectTo(5, modem);
    QVERIFY(!isOpen());
    QVERIFY2(f->noticeText().contains(QLatin1String("is marked for one program's use alone, but no program")),
             qPrintable(f->noticeText()));
    QVERIFY2(!f->noticeText().contains(QLatin1String("is using it")), qPrintable(f->noticeText()));
}

void TestOtherPrograms::qtsOwnLockFailingSaysWhatFailed()
{
    // Qt's serial port refuses a lock file in its own form that our own
    // check let pass; what it found is said as it is.
    Pty modem;
    Sleeper live;
    const QString ourHost = QSysInfo::machineHostName();
    {
        const LockFile lock(modem.device(), QByteArray::number(goneProcess()) + "\nsleep\nelsewhere.example\n");
        const QString failure = RefusalWords::reason(LockFiles::qtLockFailure(DeviceName::of(modem.device())));
        QVERIFY2(failure.contains(QLatin1String(" on elsewhere.example, another computer")), qPrintable(failure));
    }
    {
        const LockFile lock(modem.device(), QByteArray::number(live.pid()) + "\nsleep\n" + ourHost.toUtf8() + '\n');
        const QString failure = RefusalWords::reason(LockFiles::qtLockFailure(DeviceName::of(modem.device())));
        QVERIFY2(failure.contains(QStringLiteral("sleep (process %1) is using it (lock file %2)").arg(live.pid()).arg(lock.path)),
                 qPrintable(failure));
    }
}

void TestOtherPrograms::aDeviceThatFailsToOpenIsNotCalledMissing()
{
    // A pseudo-terminal's node made outside its own folder is there, but
    // the system will not open it (EIO): not a missing modem.
    if (::geteuid() != 0)
        QSKIP("making a device node needs root");
    Pty modem;
    struct stat pty = {};
    QVERIFY(::stat(QFile::encodeName(modem.device()).constData(), &pty) == 0);
    QTemporaryDir folder;
    const QString node = folder.filePath(QStringLiteral("ttyNode"));
    QVERIFY(::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, pty.st_rdev) == 0);
    f->mapPort(8, node);
    f->selectPort(8);
    f->click("Command2");
    QVERIFY(!isOpen());
    QVERIFY2(f->noticeText().contains(QLatin1String("Input/output error")), qPrintable(f->noticeText()));
    QVERIFY2(!f->noticeText().contains(QLatin1String("plugged in")), qPrintable(f->noticeText()));
}

void TestOtherPrograms::lockFilesThatAreNoFilesNeverBlock()
{
    // Anyone may put a FIFO in /tmp under a lock file's name: reading it
    // would wait for a writer for ever.
    Pty modem;
    const QString path = lockFileFor(modem.device());
    QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
    const std::unique_ptr<const QString, void (*)(const QString *)> removed(&path, [](const QString *p) {
        QFile::remove(*p);
    });
    f->connectTo(3, modem);
    QVERIFY(!isOpen());
    QVERIFY2(f->noticeText().contains(path + QStringLiteral(" is in the way: a lock file should be a regular file")),
             qPrintable(f->noticeText()));
}

void TestOtherPrograms::terminalsThatAreNoSerialLinesAreRefused()
{
    // /dev/tty is the terminal of whichever program opens it: "Status?"
    // would type AT into the shell that started us.
    for (const QString &device : {QStringLiteral("/dev/tty"), QStringLiteral("/dev/console")}) {
        if (!QFile::exists(device))
            continue;  // a container may have no console
        f->mapPort(6, device);
        f->selectPort(6);
        f->click("Command2");
        QVERIFY(!isOpen());
        QVERIFY2(f->noticeText().contains(QLatin1String("not a serial line")), qPrintable(f->noticeText()));
    }
    // The consoles end where the first serial ports begin (4,64 is ttyS0).
    if (::geteuid() == 0) {
        QTemporaryDir nodes;
        for (const auto &[minorNumber, console] : {std::pair{63u, true}, std::pair{64u, false}}) {
            const QString node = nodes.filePath(QString::number(minorNumber));
            QVERIFY(::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, makedev(4, minorNumber)) == 0);
            QCOMPARE(TerminalKind::notASerialLine(DeviceName::of(node)).kind == Refusal::Kind::Console, console);
        }
    }
    // A terminal that a shell runs in.
    Pty terminal;
    QProcess shell;
    shell.start(QStringLiteral("setsid"), {QStringLiteral("sh"), QStringLiteral("-c"),
                                           QStringLiteral("exec sleep 60 <>%1").arg(terminal.device())});
    QVERIFY(shell.waitForStarted());
    const auto controllingTerminal = [&shell] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(shell.processId()));
        stat.open(QIODevice::ReadOnly);
        const QByteArray line = stat.readAll();
        return line.mid(line.lastIndexOf(')') + 2).split(' ').value(4).toInt();
    };
    QTRY_VERIFY(controllingTerminal() != 0);
    f->mapPort(6, terminal.device());
    f->click("Command2");
    QVERIFY(!isOpen());
    QVERIFY2(f->noticeText().contains(QStringLiteral("terminal that sleep (process %1) runs in").arg(shell.processId())),
             qPrintable(f->noticeText()));
    shell.kill();
    shell.waitForFinished();
}

void TestOtherPrograms::aTerminalOfAnotherDevptsInstanceIsNotOurs()
{
    // A container or a chroot has a devpts of its own, whose /dev/pts/N has
    // the same device number as ours: a program there that runs in its
    // pts N neither refuses nor shares our pts N.
    if (::geteuid() != 0)
        QSKIP("a devpts instance of its own needs root");
    Pty modem;
    const QString number = modem.device().section(QLatin1Char('/'), -1);
    // In a mount namespace of its own: a new devpts instance, its pts N the
    // controlling terminal and standard input of a sleep. Its ptmx is opened
    // where it is, so that only /dev/pts is mounted over, and privately (in
    // a chroot, / is no mount whose propagation could be changed).
    const QString inside = QStringLiteral(R"(
import fcntl, os, struct, sys
TIOCGPTN, TIOCSPTLCK = 0x80045430, 0x40045431
wanted = int(sys.argv[1])
masters = []
while True:
    master = os.open("/dev/pts/ptmx", os.O_RDWR | os.O_NOCTTY)
    fcntl.ioctl(master, TIOCSPTLCK, struct.pack("i", 0))
    number = struct.unpack("i", fcntl.ioctl(master, TIOCGPTN, struct.pack("i", 0)))[0]
    masters.append(master)
    if number >= wanted:
        break
child = os.fork()
if child == 0:
    os.setsid()
    os.dup2(os.open("/dev/pts/%d" % wanted, os.O_RDWR), 0)  # the first terminal opened: its controlling one
    os.execvp("sleep", ["sleep", "60"])
print(child, flush=True)
os.waitpid(child, 0)
)");
    QProcess other;
    other.start(QStringLiteral("unshare"),
                {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("unchanged"),
                 QStringLiteral("sh"), QStringLiteral("-c"),
                 QStringLiteral("mount --make-rprivate /dev/pts && mount -t devpts -o newinstance,ptmxmode=0666 devpts "
                                "/dev/pts && exec python3 -c \"$0\" %1").arg(number),
                 inside});
    QVERIFY2(other.waitForReadyRead(10000), other.readAllStandardError().constData());
    const qint64 sleeper = other.readLine().trimmed().toLongLong();
    const auto stopOther = qScopeGuard([&] {
        ::kill(pid_t(sleeper), SIGKILL);
        other.waitForFinished();
    });
    const auto terminalOf = [](qint64 pid) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        stat.open(QIODevice::ReadOnly);
        const QByteArray line = stat.readAll();
        return line.mid(line.lastIndexOf(')') + 2).split(' ').value(4).toULongLong();
    };
    struct stat node = {};
    QVERIFY(::stat(QFile::encodeName(modem.device()).constData(), &node) == 0);
    // The same number as ours: only the file tells them apart.
    QTRY_COMPARE(terminalOf(sleeper), quint64(node.st_rdev));
    QVERIFY(!TerminalKind::notASerialLine(DeviceName::of(modem.device())));
    QVERIFY(PortScan::run(1, {modem.device()}).port(1)->openers.empty());
    f->connectTo(3, modem);
    QVERIFY2(isOpen(), qPrintable(f->noticeText()));
    QVERIFY2(!f->noticeText().contains(QLatin1String("sleep")), qPrintable(f->noticeText()));
}

void TestOtherPrograms::aVanishedLinkIsNamedAndNothingElseOpensSilently()
{
    // Com1 is a link to a device that goes, link and all: the notice names
    // both, and Connect says that Com1 now leads elsewhere.
    auto modem = std::make_unique<Pty>();
    const QString device = modem->device();
    f->connectTo(1, *modem);
    QVERIFY(isOpen());
    const QString link = f->configDir() + QStringLiteral("/vexmo-at/ports/com1");
    QFile::remove(link);
    modem.reset();
    QTRY_VERIFY(!isOpen());
    QString notice = f->noticeText();
    QVERIFY2(notice.contains(link) && notice.contains(device), qPrintable(notice));
    QVERIFY2(notice.contains(QLatin1String("now leads to /dev/ttyS0")), qPrintable(notice));
    f->click("Command2");
    notice = f->noticeText();
    QVERIFY2(notice.contains(QLatin1String("Com1 now leads to /dev/ttyS0")), qPrintable(notice));
    QVERIFY2(notice.contains(device), qPrintable(notice));
}

void TestOtherPrograms::linksThatLeadNowhereSaySo()
{
    // A loop of links and a chain longer than the system follows: not "not
    // a serial device". A device whose name is not UTF-8 opens.
    const QString ports = f->configDir() + QStringLiteral("/vexmo-at/ports");
    QDir().mkpath(ports);
    QFile::link(ports + QStringLiteral("/com7"), ports + QStringLiteral("/com7"));
    f->selectPort(7);
    f->click("Command2");
    QVERIFY2(f->noticeText().contains(QLatin1String("loop of links")), qPrintable(f->noticeText()));
    QTemporaryDir chain;
    Pty modem;
    QString previous = modem.device();
    for (int i = 0; i < 41; ++i) {
        const QString next = chain.filePath(QString::number(i));
        QFile::link(previous, next);
        previous = next;
    }
    f->mapPort(8, previous);
    f->selectPort(8);
    f->click("Command2");
    QVERIFY2(f->noticeText().contains(QLatin1String("loop of links")), qPrintable(f->noticeText()));
    const QByteArray oddName = QFile::encodeName(chain.path()) + "/modem-\xff\xfe";
    QVERIFY(::symlink(QFile::encodeName(modem.device()).constData(), oddName.constData()) == 0);
    QVERIFY(::symlink(oddName.constData(), QFile::encodeName(ports + QStringLiteral("/com9")).constData()) == 0);
    f->selectPort(9);
    f->click("Command2");
    QVERIFY2(isOpen(), qPrintable(f->noticeText()));
    ::unlink(oddName.constData());  // a name QDir cannot spell
}

VEXMO_TEST_MAIN(TestOtherPrograms)
#include "tst_otherprograms.moc"
