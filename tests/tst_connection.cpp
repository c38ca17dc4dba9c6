// Connect, Disconnect, Exit and the link indicator against real
// pseudo-terminals mapped to Com numbers.

#include "testmain.h"
#include "fixture.h"
#include "processstats.h"
#include "pseudoterminal.h"
#include "serialdevice/mscomm.h"
#include "serialdevice/portmap.h"
#include "widgets/notice.h"

#include <QAbstractEventDispatcher>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QAccessible>
#include <QScopeGuard>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const QColor lightRed(255, 192, 192);
const QColor lightGreen(192, 255, 192);

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    void connectOpensThePortTheEntryCarries();
    void lineSettingsAre9600_8N1();
    void connectWhileOpenReopens();
    void connectToAnotherPortClosesTheFirst();
    void disconnect();
    void disconnectWhileClosedChangesNothing();
    void screenReadersHearWhetherThePortIsOpen();
    void failedOpenLeavesRedAndANotice_data();
    void failedOpenLeavesRedAndANotice();
    void vanishedDeviceClosesThePortWithoutSpinning_data();
    void vanishedDeviceClosesThePortWithoutSpinning();
    void connectWorksAgainOnceTheDeviceIsBack();
    void exitClosesThePortAndReleasesIt();
    void destroyingTheWindowReleasesThePort();
    void aSignalClosesThePortAndFreesItsLock();
    void aSignalEndsTheProgramAsExitDoes_data();
    void aSignalEndsTheProgramAsExitDoes();
    void fixedDeviceNames();
    void readmeNamesTheSameDevices();

private:
    std::unique_ptr<Fixture> f;
};

void TestConnection::connectOpensThePortTheEntryCarries()
{
    Pty modem;
    f->connectTo(10, modem);
    QVERIFY(f->form().comm()->portOpen());
    QCOMPARE(f->form().comm()->commPort(), qint16(10));
    QCOMPARE(f->connectColor(), lightGreen);
    QCOMPARE(f->noticeText(), QString());
    // The program really has the device: what it writes arrives here.
    QVERIFY(f->form().comm()->output(QStringLiteral("AT\r\n")));
    QCOMPARE(modem.read(4), QByteArray("AT\r\n"));
    // Connect writes nothing of its own.
    QCOMPARE(modem.readAll(), QByteArray());
    // A healthy idle line stays open past the device checks.
    QSignalSpy lost(f->form().comm(), &MSComm::linkLost);
    QVERIFY(!lost.wait(1200));
    QVERIFY(f->form().comm()->portOpen());
}

void TestConnection::lineSettingsAre9600_8N1()
{
    Pty modem;
    f->connectTo(3, modem);
    const termios t = modem.settings();
    QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    QCOMPARE(cfgetispeed(&t), speed_t(B9600));
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(t.c_cflag & PARENB, tcflag_t(0));
    QCOMPARE(t.c_cflag & CSTOPB, tcflag_t(0));
    QCOMPARE(t.c_cflag & CRTSCTS, tcflag_t(0));
    QCOMPARE(t.c_iflag & (IXON | IXOFF), tcflag_t(0));
}

void TestConnection::connectWhileOpenReopens()
{
    Pty modem;
    f->connectTo(5, modem);
    // Change the line behind the program's back; a fresh open sets it again.
    termios t = modem.settings();
    cfsetspeed(&t, B4800);
    modem.setSettings(t);
    QCOMPARE(cfgetospeed(&(t = modem.settings())), speed_t(B4800));
    f->click("Command2");
    QVERIFY(f->form().comm()->portOpen());
    QCOMPARE(cfgetospeed(&(t = modem.settings())), speed_t(B9600));
    QCOMPARE(f->connectColor(), lightGreen);
}

void TestConnection::connectToAnotherPortClosesTheFirst()
{
    Pty com3, com5;
    f->connectTo(3, com3);
    f->connectTo(5, com5);
    QCOMPARE(f->form().comm()->commPort(), qint16(5));
    QVERIFY(f->form().comm()->output(QStringLiteral("ATH\r\n")));
    QCOMPARE(com5.read(5), QByteArray("ATH\r\n"));
    QCOMPARE(com3.readAll(), QByteArray());
    // Com3's device is free again: another program can take it at once.
    QSerialPort other;
    other.setPortName(com3.device());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
    QCOMPARE(f->connectColor(), lightGreen);
}

void TestConnection::disconnect()
{
    Pty modem;
    f->connectTo(1, modem);
    f->click("Command3");
    QVERIFY(!f->form().comm()->portOpen());
    QCOMPARE(f->connectColor(), lightRed);
    QSerialPort other;
    other.setPortName(modem.device());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
}

void TestConnection::screenReadersHearWhetherThePortIsOpen()
{
    // The colour says it on screen; the button's description says it to a
    // screen reader, and each change is told (where a screen reader can
    // listen: under X11 with its accessibility bus). The caption stays.
    static QStringList heard;  // the handler is a plain function
    heard.clear();
    const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
        if (event->type() == QAccessible::DescriptionChanged && event->object()->objectName() == "Command2")
            heard << event->accessibleInterface()->text(QAccessible::Description);
    });
    const auto restore = qScopeGuard([before] { QAccessible::installUpdateHandler(before); });
    const bool listening = qEnvironmentVariableIsSet("VEXMO_ACCESSIBILITY");
    if (listening)
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 10000);
    auto *command2 = f->get<QPushButton>("Command2");
    const auto says = [command2] { return command2->accessibleDescription(); };
    QCOMPARE(says(), QStringLiteral("closed"));
    auto modem = std::make_unique<Pty>();
    f->connectTo(2, *modem);
    QCOMPARE(says(), QStringLiteral("open"));
    f->click("Command3");
    QCOMPARE(says(), QStringLiteral("closed"));
    f->mapPort(4, QStringLiteral("/nonexistent/ttyUSB7"));
    f->selectPort(4);
    f->click("Command2");  // refused
    QCOMPARE(says(), QStringLiteral("closed"));
    f->connectTo(2, *modem);
    QCOMPARE(says(), QStringLiteral("open"));
    modem.reset();  // the line hangs up
    QTRY_COMPARE(says(), QStringLiteral("closed"));
    QCOMPARE(command2->text(), QStringLiteral("Connect"));
    if (listening)
        QCOMPARE(heard, QStringList({"open", "closed", "closed", "open", "closed"}));
}

void TestConnection::disconnectWhileClosedChangesNothing()
{
    f->click("Command3");
    QCOMPARE(f->connectColor(), lightRed);
    QCOMPARE(f->noticeText(), QString());
    QVERIFY(!f->form().comm()->portOpen());
}

void TestConnection::failedOpenLeavesRedAndANotice_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("absent") << "/nonexistent/ttyUSB9" << "No such file or directory";
    QTest::newRow("regular file") << "/etc/hostname" << "not a serial device";
    QTest::newRow("directory") << "/tmp" << "not a serial device";
}

void TestConnection::failedOpenLeavesRedAndANotice()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    f->mapPort(7, target);
    f->selectPort(7);
    auto *text4 = f->get<QLineEdit>("Text4");
    text4->setText(QStringLiteral("12 34"));
    f->click("Command2");
    QVERIFY(!f->form().comm()->portOpen());
    QCOMPARE(f->connectColor(), lightRed);
    const QString notice = f->noticeText();
    QVERIFY2(notice.contains(QStringLiteral("Com7")), qPrintable(notice));
    QVERIFY2(notice.contains(QStringLiteral("vexmo-at/ports/com7")), qPrintable(notice));
    QVERIFY2(notice.contains(reason, Qt::CaseInsensitive), qPrintable(notice));
    QCOMPARE(f->form().notice()->anchor(), f->get("Command2"));
    QVERIFY(!f->form().notice()->isModal());
    // Like a tool tip, it goes at the next click.
    f->click("Command3");
    QCOMPARE(f->noticeText(), QString());
    // Nothing the user typed is touched, and the window goes on working.
    QCOMPARE(text4->text(), QStringLiteral("12 34"));
    QCOMPARE(f->get<QComboBox>("Combo1")->currentIndex(), 6);
    Pty modem;
    f->connectTo(7, modem);
    QVERIFY(f->form().comm()->portOpen());
    QCOMPARE(f->connectColor(), lightGreen);
}

void TestConnection::vanishedDeviceClosesThePortWithoutSpinning_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("pseudo-terminal closed") << "closed";  // reads fail
    QTest::newRow("line hung up") << "hung up";           // reads return nothing, as a pulled USB adapter's
}

void TestConnection::vanishedDeviceClosesThePortWithoutSpinning()
{
    QFETCH(QString, how);
    auto modem = std::make_unique<Pty>();
    f->connectTo(4, *modem);
    QVERIFY(f->form().comm()->portOpen());
    // Nothing wakes the program while the line is quiet.
    QList<QObject *> everything = f->form().findChildren<QObject *>();
    everything << &f->form();
    for (QObject *object : everything)
        QVERIFY2(QAbstractEventDispatcher::instance()->registeredTimers(object).isEmpty(), object->metaObject()->className());

    const double cpuBefore = ProcessStats::cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    if (how == QLatin1String("closed")) {
        modem.reset();
    } else {
        const int line = ::open(QFile::encodeName(modem->device()).constData(), O_RDWR | O_NOCTTY);
        const bool hungUp = ::ioctl(line, TIOCVHANGUP) == 0;
        ::close(line);
        if (!hungUp)
            QSKIP("hanging up a terminal needs root");
    }
    QTRY_VERIFY_WITH_TIMEOUT(!f->form().comm()->portOpen(), 1000);
    QCOMPARE(f->connectColor(), lightRed);
    QVERIFY2(f->noticeText().contains(QStringLiteral("lost")), qPrintable(f->noticeText()));
    // Idle afterwards: a second of waiting costs next to no CPU time.
    QTest::qWait(1000);
    const double cpu = ProcessStats::cpuSeconds() - cpuBefore;
    QVERIFY2(cpu < 0.3 * clock.elapsed() / 1000.0, qPrintable(QString::number(cpu)));
}

void TestConnection::connectWorksAgainOnceTheDeviceIsBack()
{
    auto modem = std::make_unique<Pty>();
    f->connectTo(4, *modem);
    modem.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!f->form().comm()->portOpen(), 1000);
    Pty back;
    f->connectTo(4, back);
    QVERIFY(f->form().comm()->portOpen());
    QCOMPARE(f->connectColor(), lightGreen);
    QVERIFY(f->form().comm()->output(QStringLiteral("AT\r\n")));
    QCOMPARE(back.read(4), QByteArray("AT\r\n"));
}

void TestConnection::exitClosesThePortAndReleasesIt()
{
    Pty modem;
    f->connectTo(6, modem);
    f->click("Command7");
    QVERIFY(!f->form().comm()->portOpen());
    QVERIFY(!f->form().isVisible());
    QSerialPort other;
    other.setPortName(modem.device());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
}

void TestConnection::destroyingTheWindowReleasesThePort()
{
    // Closing by the window system's close button ends the program, and the
    // window with its serial control goes with it.
    Pty modem;
    f->connectTo(6, modem);
    f->form().close();
    f->destroyWindow();
    QSerialPort other;
    other.setPortName(modem.device());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
}

void TestConnection::aSignalClosesThePortAndFreesItsLock()
{
    Pty modem;
    f->connectTo(6, modem);
    // The lock file that holds our process number.
    QString lock;
    for (const QString &folder : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"), QDir::tempPath()}) {
        for (const QFileInfo &file : QDir(folder).entryInfoList({QStringLiteral("LCK..*")}, QDir::Files)) {
            QFile f(file.filePath());
            if (f.open(QIODevice::ReadOnly) && f.readLine().trimmed().toLongLong() == QCoreApplication::applicationPid())
                lock = file.filePath();
        }
    }
    QVERIFY2(!lock.isEmpty(), "no lock file while the port is open");
    ::raise(SIGTERM);
    QTRY_VERIFY(!f->form().comm()->portOpen());
    QVERIFY(!f->form().isVisible());
    QVERIFY(!QFileInfo::exists(lock));
    QSerialPort other;
    other.setPortName(modem.device());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
}

void TestConnection::aSignalEndsTheProgramAsExitDoes_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM: logging out") << int(SIGTERM);
    QTest::newRow("SIGINT: Ctrl+C in its terminal") << int(SIGINT);
    QTest::newRow("SIGHUP: its terminal closed") << int(SIGHUP);
    QTest::newRow("SIGQUIT: Ctrl+\\ in its terminal") << int(SIGQUIT);
    QTest::newRow("SIGUSR1") << int(SIGUSR1);
    QTest::newRow("SIGUSR2") << int(SIGUSR2);
    QTest::newRow("SIGALRM") << int(SIGALRM);
}

void TestConnection::aSignalEndsTheProgramAsExitDoes()
{
    QFETCH(int, signal);
    QProcess program;
    program.start(QStringLiteral(VEXMO_AT), {});
    QVERIFY(program.waitForStarted());
    // Ready once it catches the signal: /proc shows the caught ones as a mask.
    const auto catches = [&program, signal] {
        QFile status(QStringLiteral("/proc/%1/status").arg(program.processId()));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("SigCgt:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
        }
        return 0ULL;
    };
    QTRY_VERIFY(catches());
    QVERIFY(program.processId() > 0);  // never 0: that is the whole process group
    ::kill(pid_t(program.processId()), signal);
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

void TestConnection::fixedDeviceNames()
{
    MSComm comm;
    const QStringList expected = QStringLiteral(
        "/dev/ttyS0 /dev/ttyS3 /dev/ttyUSB0 /dev/ttyUSB3 /dev/ttyACM0 /dev/ttyACM3 /dev/rfcomm0 /dev/rfcomm2")
        .split(QLatin1Char(' '));
    const int ports[] = {1, 4, 5, 8, 9, 12, 13, 15};
    for (int i = 0; i < 8; ++i) {
        comm.setCommPort(qint16(ports[i]));
        QCOMPARE(comm.device(), expected.at(i));
    }
    f->mapPort(15, QStringLiteral("/dev/null"));
    QVERIFY(comm.device().endsWith(QStringLiteral("/vexmo-at/ports/com15")));
}

void TestConnection::readmeNamesTheSameDevices()
{
    QFile readme(QStringLiteral(SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    // | Com5-Com8 | `/dev/ttyUSB0`-`/dev/ttyUSB3` |
    static const QRegularExpression row(QStringLiteral(R"(^\s*\| Com(\d+)-Com(\d+) \| `(/dev/\D+)(\d+)`-`\3(\d+)` \|$)"),
                                        QRegularExpression::MultilineOption);
    QStringList documented;
    for (auto m = row.globalMatch(QString::fromUtf8(readme.readAll())); m.hasNext();) {
        const auto r = m.next();
        QCOMPARE(r.captured(4).toInt(), 0);
        QCOMPARE(r.captured(5).toInt(), r.captured(2).toInt() - r.captured(1).toInt());
        documented << r.captured(1) + QLatin1Char('-') + r.captured(2) + QLatin1Char(' ') + r.captured(3);
    }
    QStringList mapped;
    for (const PortFamilies::Family &family : PortFamilies::families)
        mapped << QStringLiteral("%1-%2 %3").arg(family.first).arg(family.last).arg(QLatin1String(family.prefix));
    QCOMPARE(documented, mapped);
}

VEXMO_TEST_MAIN(TestConnection)
#include "tst_connection.moc"
