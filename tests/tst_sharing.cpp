// After a Connect, what else uses the device is said: ModemManager, asked
// on its bus (here a private bus with a stand-in that lists the modem's
// ports by their kernel names, as ModemManager does), and any other program
// with it open, but not the modem at the far end of a pseudo-terminal.
// Connect stays green: it is information, not a refusal. The modem's
// /dev/ttyUSBn nodes are links to ptys, made as root.

#include "testmain.h"
#include "busydesktop.h"
#include "fixture.h"
#include "usbnode.h"
#include "serialdevice/modemmanager.h"
#include "serialdevice/mscomm.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Connects a new window to ComN: what the notice says after "ComN is
// open.", once all news is in, where the port is open and Connect green.
QString connectAndHear(int port)
{
    Fixture f;
    f.selectPort(port);
    f.click("Command2");
    f.waitForNews();
    if (!f.form().comm()->portOpen() || f.connectColor() != QColor(0xc0, 0xff, 0xc0))
        return QStringLiteral("not open and green: ") + f.noticeText();
    return f.noticeText().section(u'\n', 1);
}

QString connectAndHear(const Pty &modem)
{
    Fixture f;
    f.connectTo(2, modem);
    if (!f.form().comm()->portOpen() || f.connectColor() != QColor(0xc0, 0xff, 0xc0))
        return QStringLiteral("not open and green: ") + f.noticeText();
    return f.noticeText().section(u'\n', 1);
}

} // namespace

class TestSharing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void modemManagerUsingThePortIsSaid();
    void aPortModemManagerDoesNotUseSaysNothing();
    void aPortModemManagerHoldsAloneIsRefusedNamingIt();
    void anotherProgramWithThePortOpenIsNamed();
    void theModemAtTheFarEndIsNoSharer();
    void aBusThatNeverAnswersHoldsNothingUp();
    void anAnswerForAPortClosedSinceIsDropped();

private:
    // Lists `names` among the ports of its one modem until it ends.
    void startModemManager(QProcess &manager, const QStringList &names);
    SystemBus m_bus;
};

void TestSharing::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("the modem's /dev/ttyUSBn links are made as root");
}

void TestSharing::startModemManager(QProcess &manager, const QStringList &names)
{
    manager.start(QStringLiteral(MOCK_MODEM_MANAGER), names);
    QTRY_VERIFY_WITH_TIMEOUT(manager.canReadLine(), 5000);
    QCOMPARE(manager.readLine(), QByteArray("ready\n"));
}

void TestSharing::modemManagerUsingThePortIsSaid()
{
    // Com7 is /dev/ttyUSB2, the modem's AT port.
    UsbNode usb2(2);
    QProcess manager;
    startModemManager(manager, {QStringLiteral("ttyUSB0"), QStringLiteral("ttyUSB2")});
    QCOMPARE(connectAndHear(7),
             QStringLiteral("ModemManager uses it too, for Quectel EG25-G: it sends its own AT commands and takes "
                            "replies, so some answers may never show here. \"man vexmo-at\" shows how to keep it "
                            "off this device."));
    manager.terminate();
    manager.waitForFinished();
}

void TestSharing::aPortModemManagerDoesNotUseSaysNothing()
{
    UsbNode usb2(2);
    QProcess manager;
    startModemManager(manager, {QStringLiteral("ttyUSB0")});
    QCOMPARE(connectAndHear(7), QString());
    manager.terminate();
    manager.waitForFinished();
}

void TestSharing::aPortModemManagerHoldsAloneIsRefusedNamingIt()
{
    // Marked for one program alone by a program this user cannot see (here
    // one that has ended): ModemManager's bus names it. First the
    // notice says the port is claimed, then who claims it.
    UsbNode usb2(2);
    const int claimed = ::open(QFile::encodeName(usb2.pty()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(claimed >= 0);
    QCOMPARE(::ioctl(claimed, TIOCEXCL), 0);
    ::close(claimed);
    QProcess manager;
    startModemManager(manager, {QStringLiteral("ttyUSB2")});
    Fixture f;
    f.selectPort(7);
    f.click("Command2");
    QVERIFY(!f.form().comm()->portOpen());
    QVERIFY2(f.noticeText().endsWith(QStringLiteral(
                 "is marked for one program's use alone; looking for the program that holds it.")),
             qPrintable(f.noticeText()));
    f.waitForNews();
    QVERIFY2(f.noticeText().endsWith(QStringLiteral(
                 "could not be opened: ModemManager is using it alone, for Quectel EG25-G.\n"
                 "Wait a few seconds and press Connect again, or keep ModemManager off this device "
                 "(see man vexmo-at).")),
             qPrintable(f.noticeText()));
    manager.terminate();
    manager.waitForFinished();
}

void TestSharing::anotherProgramWithThePortOpenIsNamed()
{
    Pty modem;
    QProcess other;
    other.setStandardInputFile(modem.device());
    other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(other.waitForStarted());
    QCOMPARE(connectAndHear(modem),
             QStringLiteral("sleep (process %1) has it open too: each reply goes to whichever program reads it "
                            "first.")
                 .arg(other.processId()));
    other.kill();
    other.waitForFinished();
}

void TestSharing::theModemAtTheFarEndIsNoSharer()
{
    // The simulated module holds both ends of its line.
    QProcess simulator;
    simulator.start(QStringLiteral(MODEM_SIM), {});
    QTRY_VERIFY(simulator.canReadLine());
    Fixture f;
    f.mapPort(3, QString::fromLocal8Bit(simulator.readLine().trimmed()));
    f.selectPort(3);
    f.click("Command2");
    QVERIFY(f.form().comm()->portOpen());
    QCOMPARE(f.noticeText(), QString());
    simulator.terminate();
    simulator.waitForFinished();
}

void TestSharing::aBusThatNeverAnswersHoldsNothingUp()
{
    // The bus takes the connection, and never answers: Connect is green at
    // once, nothing is said of ModemManager, and the window ends at once.
    UsbNode usb2(2);
    QProcess manager;
    startModemManager(manager, {QStringLiteral("ttyUSB2")});
    m_bus.stop();
    auto f = std::make_unique<Fixture>();
    f->selectPort(7);
    QElapsedTimer clock;
    clock.start();
    f->click("Command2");
    QVERIFY(f->form().comm()->portOpen());
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(f->connectColor(), QColor(0xc0, 0xff, 0xc0));
    QVERIFY(f->form().modemManager()->isAsking());
    clock.restart();
    f.reset();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    m_bus.resume();
    manager.terminate();
    manager.waitForFinished();
}

void TestSharing::anAnswerForAPortClosedSinceIsDropped()
{
    UsbNode usb2(2);
    QProcess manager;
    startModemManager(manager, {QStringLiteral("ttyUSB2")});
    m_bus.stop();
    Fixture f;
    f.selectPort(7);
    f.click("Command2");
    QVERIFY(f.form().comm()->portOpen());
    f.click("Command3");
    m_bus.resume();  // the answer comes, for a port no longer open
    f.waitForNews();
    QVERIFY(f.form().modemManager()->wasReached());
    QCOMPARE(f.noticeText(), QString());
    manager.terminate();
    manager.waitForFinished();
}

VEXMO_TEST_MAIN(TestSharing)
#include "tst_sharing.moc"
