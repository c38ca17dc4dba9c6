// The real window against the simulated GSM module, as a user drives it.

#include "testmain.h"
#include "fixture.h"
#include "serialdevice/mscomm.h"
#include "textbox/crlfbox.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <unistd.h>

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusAnswersOk();
    void sendReadAndDeleteSms();
    void callDialledAndHungUp();
    void incomingCallAnswered();
    void wrongPin();
    void incomingSmsIsIndicated();
    void simulatorOutlivesAHungUpTerminal();

private:
    QString log() const { return f->get<CrLfBox>("Text2")->text(); }
    // Clicks a button and waits for the modem's final answer to it.
    void press(const char *button, const QString &until = QStringLiteral("\r\nOK\r\n"));
    void event(const QByteArray &line) { modem.write(line + '\n'); }

    std::unique_ptr<Fixture> f;
    QProcess modem;
};

void TestEndToEnd::init()
{
    f = std::make_unique<Fixture>();
    // Linked as Com1 in the fixture's own configuration folder.
    modem.start(QStringLiteral(MODEM_SIM), {QStringLiteral("--com"), QStringLiteral("1")});
    QVERIFY(modem.waitForStarted(5000));
    QTRY_VERIFY(QFileInfo(f->configDir() + QStringLiteral("/vexmo-at/ports/com1")).isSymLink());
    f->selectPort(1);
    f->click("Command2");
    QVERIFY(f->form().comm()->portOpen());
}

void TestEndToEnd::cleanup()
{
    f.reset();
    event("quit");
    QVERIFY(modem.waitForFinished(5000));
    QCOMPARE(modem.exitCode(), 0);
}

void TestEndToEnd::press(const char *button, const QString &until)
{
    f->click("Command25");  // Clear text: each step reads its own answer
    f->click(button);
    QTRY_VERIFY2(log().contains(until), qPrintable(log()));
}

void TestEndToEnd::statusAnswersOk()
{
    press("Command11");
    // The echo of "AT" CR, the answer, then the echo of the LF that followed.
    QCOMPARE(log(), QStringLiteral("AT\r\r\nOK\r\n\n"));
}

void TestEndToEnd::sendReadAndDeleteSms()
{
    press("Command13");  // the SIM's PIN, 4821
    press("Command10");  // Set SMS Text Mode
    f->get<QLineEdit>("Text5")->setText(QStringLiteral("+491701234567"));
    f->get<CrLfBox>("Text6")->setText(QStringLiteral("Bench test 42"));
    press("Command16", QStringLiteral("\r\n+CMGS: 1\r\n\r\nOK\r\n"));
    QVERIFY(log().contains(QStringLiteral("AT+CMGS=\"+491701234567\"\r\r\n> Bench test 42")));

    press("Command19");  // Read ALL SMS
    QVERIFY(log().contains(QStringLiteral("+CMGL: 1,\"STO SENT\",\"+491701234567\",\"\",\"\"\r\nBench test 42\r\n")));
    press("Command20");  // Delete ALL SMS
    press("Command19");
    QVERIFY(!log().contains(QStringLiteral("+CMGL: ")));
}

void TestEndToEnd::callDialledAndHungUp()
{
    press("Command13");
    f->get<QLineEdit>("Text9")->setText(QStringLiteral("+4930123456;"));
    press("Command23");
    QVERIFY(log().startsWith(QStringLiteral("ATD+4930123456;\r")));
    press("Command6");  // Cancel Call
    // Hung up from the other side instead.
    press("Command23");
    event("hangup");
    QTRY_VERIFY(log().endsWith(QStringLiteral("\r\nNO CARRIER\r\n")));
}

void TestEndToEnd::incomingCallAnswered()
{
    press("Command4");  // ID notification ON
    f->click("Command25");
    event("ring +4940999");
    QTRY_VERIFY2(log().contains(QStringLiteral("\r\nRING\r\n\r\n+CLIP: \"+4940999\",145,\"\",0,\"\",0\r\n")),
                 qPrintable(log()));
    press("Command5");  // Answer Call
    QVERIFY(log().contains(QStringLiteral("ATA\r")));
    press("Command6");
}

void TestEndToEnd::wrongPin()
{
    press("Command24");  // Detail Debug
    f->get<QLineEdit>("Text4")->setText(QStringLiteral("0000"));
    press("Command13", QStringLiteral("\r\n+CME ERROR: incorrect password\r\n"));
    press("Command14", QStringLiteral("+CPIN: SIM PIN"));
}

void TestEndToEnd::incomingSmsIsIndicated()
{
    press("Command18");  // AT+CNMI=2,3
    press("Command10");
    f->click("Command25");
    event("sms +4915550 see you at noon");
    QTRY_VERIFY(log().contains(QStringLiteral("\r\n+CMTI: \"SM\",1\r\n")));
    press("Command17");  // Read SMS nr 1
    QVERIFY(log().contains(QStringLiteral("+CMGR: \"REC UNREAD\",\"+4915550\"")));
    QVERIFY(log().contains(QStringLiteral("\r\nsee you at noon\r\n")));
}

void TestEndToEnd::simulatorOutlivesAHungUpTerminal()
{
    f->click("Command3");  // the terminal lets go of the line
    event("ring +4930");
    event("sms +4930 while nobody listens");
    // Nobody on the line: the simulator waits without spinning.
    auto cpuTicks = [pid = modem.processId()] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        stat.open(QIODevice::ReadOnly);
        const QList<QByteArray> fields = stat.readAll().split(' ');
        return fields.value(13).toLong() + fields.value(14).toLong();  // utime + stime, in clock ticks
    };
    // Once it has taken in the hang-up and the events (a look at who has
    // the line open costs it a moment on a busy machine), it is quiet.
    const auto quiet = [&] {
        const long now = cpuTicks();
        QTest::qWait(100);
        return cpuTicks() == now;
    };
    QTRY_VERIFY_WITH_TIMEOUT(quiet(), 10000);
    const long before = cpuTicks();
    QTest::qWait(1000);  // the simulator's own time is what is measured here
    QVERIFY2(cpuTicks() - before < sysconf(_SC_CLK_TCK) / 10, "more than 10 % of a core while idle");
    QCOMPARE(modem.state(), QProcess::Running);
    // The call rang for nobody; back on the line, the module answers again.
    f->click("Command2");
    event("hangup");
    QTRY_VERIFY(log().endsWith(QStringLiteral("\r\nNO CARRIER\r\n")));
    press("Command11");
    QCOMPARE(log(), QStringLiteral("AT\r\r\nOK\r\n\n"));
}

VEXMO_TEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
