// What the command line asks for, answered without a display, and what
// it sets for one run: names kept byte for byte, ports pointed elsewhere.

#include "testmain.h"
#include "fixture.h"
#include "pseudoterminal.h"
#include "serialdevice/mscomm.h"
#include "textbox/crlfbox.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <fcntl.h>

namespace {

// The program run without a display, as from a plain terminal, or with
// `display` set ("NAME=value").
QProcess *runWithoutDisplay(const QStringList &arguments, const QString &display = QString())
{
    auto *program = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    if (!display.isEmpty())
        environment.insert(display.section(u'=', 0, 0), display.section(u'=', 1));
    program->setProcessEnvironment(environment);
    program->start(QStringLiteral(VEXMO_AT), arguments);
    program->waitForFinished(10000);
    return program;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void theCommandLineIsAnsweredWithoutADisplay_data();
    void theCommandLineIsAnsweredWithoutADisplay();
    void withoutADisplayOneLineSaysWhy_data();
    void withoutADisplayOneLineSaysWhy();
    void pathBytesAreKeptAsGiven();
    void aPortPointedElsewhereForTheRun();
};

void TestCommandLine::theCommandLineIsAnsweredWithoutADisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0
                          << QStringLiteral("Usage: vexmo-at [options]\nExercises a GSM modem module");
    QTest::newRow("help's options") << QStringList{QStringLiteral("--help")} << 0
                                    << QStringLiteral("--port <N=DEVICE>");
    QTest::newRow("help with Qt's options")
        << QStringList{QStringLiteral("--help-all")} << 0
        << QStringLiteral("--platform <name[:options]>   The window system plugin: xcb, wayland,");
    QTest::newRow("a port given twice")
        << QStringList{QStringLiteral("--port"), QStringLiteral("3=/dev/a"), QStringLiteral("--port=3=/dev/b")} << 2
        << QStringLiteral("vexmo-at: --port 3 is given twice ('/dev/a' and '/dev/b')\n");
    QTest::newRow("an empty log name") << QStringList{QStringLiteral("--log"), QString()} << 2
                                       << QStringLiteral("vexmo-at: --log wants the name of a FILE, not an empty one\n");
    QTest::newRow("two logs") << QStringList{QStringLiteral("--log=a"), QStringLiteral("--log=b")} << 2
                              << QStringLiteral("vexmo-at: --log is given twice ('a' and 'b')\n");
    QTest::newRow("two transcripts") << QStringList{QStringLiteral("--transcript=a"), QStringLiteral("--transcript=b")}
                                     << 2 << QStringLiteral("vexmo-at: --transcript is given twice ('a' and 'b')\n");
    QTest::newRow("an empty transcript name")
        << QStringList{QStringLiteral("--transcript"), QString()} << 2
        << QStringLiteral("vexmo-at: --transcript wants the name of a FILE, not an empty one\n");
    QTest::newRow("a log that is the transcript")
        << QStringList{QStringLiteral("--log=s"), QStringLiteral("--transcript=s")} << 2
        << QStringLiteral("vexmo-at: --log and --transcript want two files, not 's' twice\n");
    QTest::newRow("help's transcript") << QStringList{QStringLiteral("--help")} << 0
                                       << QStringLiteral("--transcript <FILE>");
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0
                             << QStringLiteral("vexmo-at " VEXMO_VERSION "\n");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << 2
                                    << QStringLiteral("Unknown option 'bogus'");
    QTest::newRow("port out of range") << QStringList{QStringLiteral("--port"), QStringLiteral("16=/dev/x")} << 2
                                       << QStringLiteral("N from 1 to 15");
    QTest::newRow("stray argument") << QStringList{QStringLiteral("/dev/ttyUSB0")} << 2
                                    << QStringLiteral("unexpected argument");
}

void TestCommandLine::theCommandLineIsAnsweredWithoutADisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, says);
    const std::unique_ptr<QProcess> program(runWithoutDisplay(arguments));
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), status);
    const QString output = QString::fromLocal8Bit(status == 0 ? program->readAllStandardOutput()
                                                              : program->readAllStandardError());
    QVERIFY2(output.contains(says), qPrintable(output));
    // Qt's options are listed only when asked for.
    QCOMPARE(output.contains(QLatin1String("-platform")), arguments.contains(QLatin1String("--help-all")));
}

void TestCommandLine::withoutADisplayOneLineSaysWhy_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("says");
    QTest::newRow("none") << QString()
                          << QStringLiteral("vexmo-at: cannot show the window: could not connect to display "
                                            "(neither DISPLAY nor WAYLAND_DISPLAY is set: run it on a desktop)\n");
    QTest::newRow("one that is not there")
        << QStringLiteral("DISPLAY=:77")
        << QStringLiteral("vexmo-at: cannot show the window: could not connect to display :77 (DISPLAY=:77)\n");
    QTest::newRow("a window system Qt lacks")
        << QStringLiteral("QT_QPA_PLATFORM=bogus")
        << QStringLiteral("vexmo-at: cannot show the window: Could not find the Qt platform plugin \"bogus\" in \"\" "
                          "(QT_QPA_PLATFORM=bogus)\n");
}

void TestCommandLine::withoutADisplayOneLineSaysWhy()
{
    QFETCH(QString, display);
    QFETCH(QString, says);
    const std::unique_ptr<QProcess> program(runWithoutDisplay({}, display));
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), 1);
    QCOMPARE(QString::fromLocal8Bit(program->readAllStandardError()), says);
}

void TestCommandLine::pathBytesAreKeptAsGiven()
{
    // Any bytes but NUL make a name: kept as given, not as UTF-8 would read.
    QRandomGenerator random(20261208);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes(random.bounded(1, 12), Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(1, 256));
        QCOMPARE(CommandLineOptions::bytesOf(CommandLineOptions::escapedText(bytes)), bytes);
    }
    QCOMPARE(CommandLineOptions::escapedText("\xc3\xa9\xff"), QString(QChar(0xe9)) + QChar(0xdcff));  // UTF-8 stays text

    QTemporaryDir folder;
    const QByteArray log = QFile::encodeName(folder.path()) + "/x-\xff\xc3\xa9.log";
    const char *const argv[] = {"vexmo-at", "--log", log.constData()};
    int exitCode = -1;
    const std::optional<CommandLineOptions> options = CommandLineOptions::parse(CommandLineOptions::argumentsOf(3, argv), exitCode);
    QVERIFY(options);
    QCOMPARE(options->logFile, log);
    Pty modem;
    Fixture f(*options);
    f.connectTo(2, modem);
    modem.write("OK\r\n");
    QTRY_COMPARE(f.get<CrLfBox>("Text2")->length(), 4);
    QFile kept(QStringLiteral("/proc/self/fd/%1").arg(::open(log.constData(), O_RDONLY | O_CLOEXEC)));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("OK\r\n"));

    // A relative device: in the current folder where it is, else in /dev.
    QVERIFY(QDir::setCurrent(folder.path()));
    QFile(QStringLiteral("here")).open(QIODevice::WriteOnly);
    const char *const relative[] = {"vexmo-at", "--port", "3=here", "--port", "4=ttyUSB9"};
    const std::optional<CommandLineOptions> ports = CommandLineOptions::parse(CommandLineOptions::argumentsOf(5, relative), exitCode);
    QVERIFY(ports);
    QCOMPARE(ports->ports.value(3), folder.filePath(QStringLiteral("here")));
    QCOMPARE(ports->ports.value(4), QStringLiteral("/dev/ttyUSB9"));
    QVERIFY(QDir::setCurrent(QDir::rootPath()));

    // The serial port opens names by their text alone: such a name is
    // refused, with the way round it.
    const char *const port[] = {"vexmo-at", "--port", "3=/dev/x\xff"};
    QVERIFY(!CommandLineOptions::parse(CommandLineOptions::argumentsOf(3, port), exitCode));
    QCOMPARE(exitCode, 2);
}

void TestCommandLine::aPortPointedElsewhereForTheRun()
{
    Pty modem;
    CommandLineOptions options;
    options.ports.insert(4, modem.device());
    Fixture f(options);
    f.selectPort(4);
    f.click("Command2");
    QVERIFY2(f.form().comm()->portOpen(), qPrintable(f.noticeText()));
    f.click("Command11");
    QCOMPARE(modem.read(4), QByteArray("AT\r\n"));
    // The other ports are as they were.
    f.form().comm()->setCommPort(5);
    QCOMPARE(f.form().comm()->device(), QStringLiteral("/dev/ttyUSB0"));
}

VEXMO_TEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
