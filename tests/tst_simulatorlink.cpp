// The simulated module's ComN link: removed however the simulator ends,
// never followed once the simulator that made it is gone, never taken over
// from a simulator that runs; its line open to any user's terminal.

#include "testmain.h"
#include "fixture.h"
#include "pseudoterminal.h"
#include "serialdevice/mscomm.h"
#include "textbox/crlfbox.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestSimulatorLink : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    void theLinkGoesHoweverTheSimulatorEnds_data();
    void theLinkGoesHoweverTheSimulatorEnds();
    void aLinkLeftByAKilledSimulatorLeadsNowhere();
    void aTakenComIsRefused();
    void badOptionsAreRefused_data();
    void badOptionsAreRefused();
    void anotherUsersTerminalIsAnswered();
    void aKilledProgramLeavesTheSimulatorUsable();

private:
    // A simulator on ComN of the fixture's port folder, started and linked;
    // false, with the test failed, where it did not start.
    bool start(QProcess &simulator, int com, bool waitForLink = true);
    QString link(int com) const { return f->configDir() + QStringLiteral("/vexmo-at/ports/com%1").arg(com); }
    QString record(int com) const { return f->configDir() + QStringLiteral("/vexmo-at/ports/.com%1.sim").arg(com); }
    std::unique_ptr<Fixture> f;
};

bool TestSimulatorLink::start(QProcess &simulator, int com, bool waitForLink)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), f->configDir());
    simulator.setProcessEnvironment(environment);
    simulator.start(QStringLiteral(MODEM_SIM), {QStringLiteral("--com"), QString::number(com)});
    // A signal for process 0 would go to this test's whole process group.
    [&] { QVERIFY(simulator.waitForStarted() && simulator.processId() > 0); }();
    if (waitForLink && !QTest::currentTestFailed())
        [&] { QTRY_VERIFY(simulator.canReadLine() && QFileInfo(link(com)).isSymLink()); }();
    return !QTest::currentTestFailed();
}

void TestSimulatorLink::theLinkGoesHoweverTheSimulatorEnds_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("atOnce");
    QTest::newRow("its terminal closed") << int(SIGHUP) << false;
    QTest::newRow("Ctrl+\\") << int(SIGQUIT) << false;
    QTest::newRow("SIGUSR1") << int(SIGUSR1) << false;
    QTest::newRow("SIGALRM") << int(SIGALRM) << false;
    QTest::newRow("a real-time signal") << SIGRTMIN + 3 << false;
    QTest::newRow("a fault") << int(SIGSEGV) << false;
    QTest::newRow("killed as it starts") << int(SIGTERM) << true;
    QTest::newRow("Ctrl+C as it starts") << int(SIGINT) << true;
}

void TestSimulatorLink::theLinkGoesHoweverTheSimulatorEnds()
{
    QFETCH(int, signal);
    QFETCH(bool, atOnce);
    QProcess simulator;
    for (int attempt = 0; attempt < (atOnce ? 20 : 1); ++attempt) {
        QVERIFY(start(simulator, 6, !atOnce));
        if (atOnce)
            QThread::usleep(quint64(attempt) * 100);  // at any moment of its start
        QVERIFY(simulator.processId() > 0);  // never 0: that is the whole process group
        ::kill(pid_t(simulator.processId()), signal);
        QVERIFY(simulator.waitForFinished(5000));
        QVERIFY2(!QFileInfo(link(6)).isSymLink(), qPrintable(QString::number(attempt)));
        QVERIFY(!QFileInfo::exists(record(6)));
    }
}

void TestSimulatorLink::aLinkLeftByAKilledSimulatorLeadsNowhere()
{
    QProcess simulator;
    QVERIFY(start(simulator, 6));
    const QString device = QFileInfo(link(6)).symLinkTarget();
    const qint64 pid = simulator.processId();
    ::kill(pid_t(pid), SIGKILL);
    QVERIFY(simulator.waitForFinished(5000));
    QVERIFY(QFileInfo(link(6)).isSymLink());  // nothing could remove it
    // Terminals opened since may have its pseudo-terminal: none is written.
    Pty terminals[3];
    f->selectPort(6);
    f->click("Command2");
    QVERIFY(!f->form().comm()->portOpen());
    QCOMPARE(f->noticeText().section(u'\n', 0, 1),  // then where devices are now
             QStringLiteral("Com6 (%1 -> %3) could not be opened: the link was left by a vexmo-modem-sim (process %2) "
                            "that no longer runs, and %3 may now be another program's terminal.\n"
                            "Start the simulator again, or remove the link.")
                 .arg(link(6))
                 .arg(pid)
                 .arg(device));
    for (Pty &terminal : terminals)
        QCOMPARE(terminal.readAll(), QByteArray());
    // A new simulator takes the Com number over, and Connect opens it.
    QProcess again;
    QVERIFY(start(again, 6));
    f->click("Command2");
    QVERIFY2(f->form().comm()->portOpen(), qPrintable(f->noticeText()));
    f->click("Command11");  // Status?
    QTRY_COMPARE(f->get<CrLfBox>("Text2")->text(), QStringLiteral("AT\r\r\nOK\r\n\n"));
    again.terminate();
    QVERIFY(again.waitForFinished(5000));
}

void TestSimulatorLink::aTakenComIsRefused()
{
    QProcess first;
    QVERIFY(start(first, 6));
    const QString device = QFileInfo(link(6)).symLinkTarget();
    QProcess second;
    QVERIFY(start(second, 6, false));
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 1);
    QCOMPARE(second.readAllStandardError(),
             QStringLiteral("Com6 is taken: vexmo-modem-sim %1 %2\n").arg(first.processId()).arg(device).toUtf8());
    // The first keeps its link, and ends with it.
    QCOMPARE(QFileInfo(link(6)).symLinkTarget(), device);
    QCOMPARE(first.state(), QProcess::Running);
    first.terminate();
    QVERIFY(first.waitForFinished(5000));
    QVERIFY(!QFileInfo(link(6)).isSymLink());
}

void TestSimulatorLink::badOptionsAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    QTest::newRow("not a number") << QStringList{QStringLiteral("--com"), QStringLiteral("abc")}
                                  << QStringLiteral("--com wants a number from 1 to 15, not 'abc'");
    QTest::newRow("a number and more") << QStringList{QStringLiteral("--com"), QStringLiteral("3x")}
                                       << QStringLiteral("not '3x'");
    QTest::newRow("beyond Com15") << QStringList{QStringLiteral("--com"), QStringLiteral("16")}
                                  << QStringLiteral("not '16'");
    QTest::newRow("no number") << QStringList{QStringLiteral("--com")} << QStringLiteral("usage:");
    QTest::newRow("unknown") << QStringList{QStringLiteral("--bogus")} << QStringLiteral("usage:");
}

void TestSimulatorLink::badOptionsAreRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    QProcess simulator;
    simulator.start(QStringLiteral(MODEM_SIM), arguments);
    QVERIFY(simulator.waitForFinished(5000));
    QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(simulator.exitCode(), 2);
    QVERIFY(QString::fromUtf8(simulator.readAllStandardError()).contains(says));
}

void TestSimulatorLink::anotherUsersTerminalIsAnswered()
{
    // A simulator run by an ordinary user, and a terminal program of root
    // (this test), whose descriptors that user cannot look at.
    if (::geteuid() != 0)
        QSKIP("needs root, to run the simulator as another user");
    QProcess simulator;
    simulator.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                                QStringLiteral("--clear-groups"), QStringLiteral(MODEM_SIM)});
    QVERIFY(simulator.waitForReadyRead(5000));
    const QByteArray device = simulator.readLine().trimmed();
    struct stat node = {};
    QCOMPARE(::stat(device.constData(), &node), 0);
    QCOMPARE(node.st_mode & 0666, mode_t(0666));  // any user may open it
    const int terminal = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(terminal >= 0);
    QCOMPARE(::write(terminal, "AT\r", 3), 3);
    QByteArray answer;
    const auto readSome = [&] {
        char buffer[64];
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        answer.append(buffer, qMax<ssize_t>(n, 0));
        return answer;
    };
    QTRY_COMPARE_WITH_TIMEOUT(readSome(), QByteArray("AT\r\r\nOK\r\n"), 5000);
    ::close(terminal);
    simulator.terminate();
    QVERIFY(simulator.waitForFinished(5000));
}

void TestSimulatorLink::aKilledProgramLeavesTheSimulatorUsable()
{
    // A program that claimed the line for itself alone and was killed:
    // the simulator takes the claim back, and Connect works.
    QProcess simulator;
    simulator.start(QStringLiteral(MODEM_SIM), {});
    QVERIFY(simulator.waitForReadyRead(5000));
    const QString device = QString::fromLocal8Bit(simulator.readLine().trimmed());
    QProcess holder;
    holder.start(QStringLiteral(LINE_HOLDER), {device, QStringLiteral("--exclusive")});
    QVERIFY(holder.waitForReadyRead(5000));
    // Looked at and killed while the simulator is stopped, so that the
    // system tells it of two closes at once.
    QVERIFY(simulator.processId() > 0);  // never 0: that is the whole process group
    ::kill(pid_t(simulator.processId()), SIGSTOP);
    QVERIFY(isExclusive(device));
    QVERIFY(holder.processId() > 0);  // never 0: that is the whole process group
    ::kill(pid_t(holder.processId()), SIGKILL);
    QVERIFY(holder.waitForFinished());
    QVERIFY(simulator.processId() > 0);  // never 0: that is the whole process group
    ::kill(pid_t(simulator.processId()), SIGCONT);
    QTRY_VERIFY(!isExclusive(device));
    f->mapPort(5, device);
    f->selectPort(5);
    f->click("Command2");
    QVERIFY2(f->form().comm()->portOpen(), qPrintable(f->noticeText()));
    simulator.terminate();
    QVERIFY(simulator.waitForFinished());
}

VEXMO_TEST_MAIN(TestSimulatorLink)
#include "tst_simulatorlink.moc"
