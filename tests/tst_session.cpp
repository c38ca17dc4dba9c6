// What the command line asks for, answered without a display; a port
// pointed elsewhere for one run; a session kept in a file byte for byte,
// whatever the log box does; and the log saved without a character changed.

#include "fixture.h"
#include "serial/logsaver.h"
#include "serialdevice/mscomm.h"
#include "textbox/crlfbox.h"
#include "widgets/notice.h"

#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program run without a display, as from a plain terminal.
QProcess *runWithoutDisplay(const QStringList &arguments)
{
    auto *program = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    program->setProcessEnvironment(environment);
    program->start(QStringLiteral(VEXMO_AT), arguments);
    program->waitForFinished(10000);
    return program;
}

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

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void theCommandLineIsAnsweredWithoutADisplay_data();
    void theCommandLineIsAnsweredWithoutADisplay();
    void aPortPointedElsewhereForTheRun();
    void theSessionFileKeepsEveryByte();
    void aSessionFileThatCannotBeWrittenIsSaid_data();
    void aSessionFileThatCannotBeWrittenIsSaid();
    void savingTheLogChangesNoCharacter();
};

void TestSession::theCommandLineIsAnsweredWithoutADisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QStringLiteral("--port <N=DEVICE>");
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0
                             << QStringLiteral("vexmo-at " VEXMO_VERSION "\n");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << 2
                                    << QStringLiteral("Unknown option 'bogus'");
    QTest::newRow("port out of range") << QStringList{QStringLiteral("--port"), QStringLiteral("16=/dev/x")} << 2
                                       << QStringLiteral("N from 1 to 15");
    QTest::newRow("stray argument") << QStringList{QStringLiteral("/dev/ttyUSB0")} << 2
                                    << QStringLiteral("unexpected argument");
}

void TestSession::theCommandLineIsAnsweredWithoutADisplay()
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
}

void TestSession::aPortPointedElsewhereForTheRun()
{
    Pty modem;
    CommandLine options;
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

void TestSession::theSessionFileKeepsEveryByte()
{
    // Every byte value, Clear text between, and a log that keeps only its
    // last few hundred characters: the file has all, in order.
    QTemporaryDir folder;
    CommandLine options;
    options.logFile = folder.filePath(QStringLiteral("session.log"));
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
        QTRY_COMPARE(contentsOf(options.logFile), sent);
        f.click("Command25");  // Clear text
    }
    QCOMPARE(f.noticeText(), QString());
}

void TestSession::aSessionFileThatCannotBeWrittenIsSaid_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("no such folder") << QStringLiteral("/nonexistent/folder/session.log");
    QTest::newRow("a full disk") << QStringLiteral("/dev/full");
}

void TestSession::aSessionFileThatCannotBeWrittenIsSaid()
{
    QFETCH(QString, path);
    CommandLine options;
    options.logFile = path;
    Pty modem;
    Fixture f(options);
    if (!path.startsWith(QLatin1String("/dev/")))  // said at once where the file cannot be opened
        QVERIFY2(f.noticeText().contains(path), qPrintable(f.noticeText()));
    f.connectTo(2, modem);
    modem.write("\r\nRING\r\n");
    QTRY_COMPARE(f.get<CrLfBox>("Text2")->text(), QStringLiteral("\r\nRING\r\n"));  // the log goes on
    if (path.startsWith(QLatin1String("/dev/"))) {  // and where it cannot be written
        QTRY_VERIFY2(f.noticeText().contains(path), qPrintable(f.noticeText()));
        QCOMPARE(f.form().notice()->anchor(), f.get("Text2"));
        // Said once: once it has gone, more bytes that cannot be kept do
        // not bring it back.
        f.form().notice()->hide();
        modem.write("OK\r\n");
        QTRY_COMPARE(f.get<CrLfBox>("Text2")->text(), QStringLiteral("\r\nRING\r\nOK\r\n"));
        QCOMPARE(f.noticeText(), QString());
    }
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
    QVERIFY(f.form().logSaver()->saveTo(path));
    QCOMPARE(contentsOf(path), allBytes() + "\xe9" + QStringLiteral("\u20ac\U0001F600").toUtf8());

    std::unique_ptr<QMenu> menu(text2->createStandardContextMenu());
    const QAction *save = menu->actions().constLast();
    QCOMPARE(save->text(), QStringLiteral("Save log as..."));
    QCOMPARE(save->shortcut(), QKeySequence(QKeySequence::Save));
    QCOMPARE(save->shortcutContext(), Qt::WidgetShortcut);
    QString error;
    QVERIFY(!f.form().logSaver()->saveTo(QStringLiteral("/nonexistent/log.txt"), &error));
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(TestSession)
#include "tst_session.moc"
