// After a Connect, what else uses the device is said: ModemManager, asked
// on its bus (here a private bus with a stand-in that lists the device
// among a modem's ports), and any other program with it open, but not the
// modem at the far end of a pseudo-terminal. Connect stays green: it is
// information, not a refusal.

#include "testmain.h"
#include "fixture.h"
#include "serialdevice/mscomm.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Connects a new window to `modem`: what the notice says after "ComN is
// open.", where the port is open and Connect green.
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
    void cleanupTestCase();
    void modemManagerUsingThePortIsSaid();
    void aPortModemManagerDoesNotUseSaysNothing();
    void aPortModemManagerHoldsAloneIsRefusedNamingIt();
    void anotherProgramWithThePortOpenIsNamed();
    void theModemAtTheFarEndIsNoSharer();

private:
    // Lists `names` among the ports of its one modem until it ends.
    void startModemManager(QProcess &manager, const QStringList &names);
    QProcess m_bus;
};

void TestSharing::initTestCase()
{
    m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                QStringLiteral("--print-address")});
    QVERIFY(m_bus.waitForReadyRead(5000));
    // Read by Qt when the program first asks for the system bus.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_bus.readLine().trimmed());
}

void TestSharing::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished();
}

void TestSharing::startModemManager(QProcess &manager, const QStringList &names)
{
    manager.start(QStringLiteral(MOCK_MODEM_MANAGER), names);
    QTRY_VERIFY_WITH_TIMEOUT(manager.canReadLine(), 5000);
    QCOMPARE(manager.readLine(), QByteArray("ready\n"));
}

void TestSharing::modemManagerUsingThePortIsSaid()
{
    Pty modem;
    QProcess manager;
    startModemManager(manager, {QStringLiteral("ttyUSB0"), QFileInfo(modem.device()).fileName()});
    QCOMPARE(connectAndHear(modem),
             QStringLiteral("ModemManager uses it too, for Quectel EG25-G: it sends its own AT commands and takes "
                            "replies, so some answers may never show here. \"man vexmo-at\" shows how to keep it "
                            "off this device."));
    manager.terminate();
    manager.waitForFinished();
}

void TestSharing::aPortModemManagerDoesNotUseSaysNothing()
{
    Pty modem;
    QProcess manager;
    startModemManager(manager, {QStringLiteral("ttyUSB0")});
    QCOMPARE(connectAndHear(modem), QString());
    manager.terminate();
    manager.waitForFinished();
}

void TestSharing::aPortModemManagerHoldsAloneIsRefusedNamingIt()
{
    // Marked for one program alone by a program this user cannot see (here
    // one that has ended): ModemManager's bus names the user.
    Pty modem;
    const int claimed = ::open(QFile::encodeName(modem.device()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(claimed >= 0);
    QCOMPARE(::ioctl(claimed, TIOCEXCL), 0);
    ::close(claimed);
    QProcess manager;
    startModemManager(manager, {QFileInfo(modem.device()).fileName()});
    Fixture f;
    f.connectTo(2, modem);
    QVERIFY(!f.form().comm()->portOpen());
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

VEXMO_TEST_MAIN(TestSharing)
#include "tst_sharing.moc"
