// What the modem sends, as the log shows it.

#include "testmain.h"
#include "fixture.h"
#include "processstats.h"
#include "pseudoterminal.h"
#include "slowdown.h"
#include "serialdevice/mscomm.h"
#include "session/receivelog.h"
#include "textbox/crlfbox.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <functional>
#include <vector>

class TestReceiveLog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<ConnectedFixture>(9);
        QVERIFY(f->form().comm()->portOpen());
    }
    void cleanup() { f.reset(); }

    void replyAppearsExactly();
    void burstAndSplitRepliesJoinAsTheyCame();
    void everyByteValue();
    void aCopyIsWhatWasReceived();
    void crLfSplitBetweenNotifications();
    void caretGoesToTheEndAndNothingStaysSelected();
    void endIsInView();
    void userTypedTextStaysWhereItIs();
    void clearText();
    void clearTextWhileBytesAreArriving();
    void aBurstOfGarbageLeavesTheWindowAnswering();
    void logOutlivesDisconnect();
    void oldestLinesGoBeyondTheCapacity();

private:
    QString log() const { return text2()->text(); }
    CrLfBox *text2() const { return f->get<CrLfBox>("Text2"); }
    // Sends bytes and waits until the log has taken in `expectedLength` characters.
    void receive(const QByteArray &bytes, qsizetype expectedLength);

    std::unique_ptr<ConnectedFixture> f;
};

void TestReceiveLog::receive(const QByteArray &bytes, qsizetype expectedLength)
{
    f->modem().write(bytes);
    QTRY_COMPARE(log().size(), expectedLength);
}

void TestReceiveLog::replyAppearsExactly()
{
    f->click("Command21");
    QCOMPARE(f->modem().read(8), QByteArray("AT+CSQ\r\n"));
    const QByteArray reply = "AT+CSQ\r\r\n+CSQ: 17,0\r\n\r\nOK\r\n";
    receive(reply, reply.size());
    QCOMPARE(log(), QString::fromLatin1(reply));
    // The echoed CR before CR LF shows as a symbol, not as an extra line.
    QCOMPARE(text2()->rowCount(), 5);
}

void TestReceiveLog::burstAndSplitRepliesJoinAsTheyCame()
{
    QSignalSpy notifications(f->form().comm(), &MSComm::onComm);
    QByteArray all;
    for (const char *piece : {"+CMTI: \"SM\",", "3\r\n", "RI", "NG\r\n\r\nRING\r\n"}) {
        all += piece;
        receive(piece, all.size());
    }
    QVERIFY(notifications.count() >= 4);
    QCOMPARE(log(), QString::fromLatin1(all));
}

void TestReceiveLog::everyByteValue()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    receive(bytes + bytes, 512);
    QCOMPARE(log(), QString::fromLatin1(bytes + bytes));
}

void TestReceiveLog::aCopyIsWhatWasReceived()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    bytes += "\r\nOK\r\n";
    receive(bytes, bytes.size());
    text2()->setFocus();
    QTest::keySequence(text2(), QKeySequence::SelectAll);
    QTest::keySequence(text2(), QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), QString::fromLatin1(bytes));
    // A part of it, selected with the keyboard: from the C1 controls to the
    // middle of the last line.
    text2()->setCursorPosition(0x80);
    for (int i = 0; i < 0x80 + 2; ++i)
        QTest::keyClick(text2(), Qt::Key_Right, Qt::ShiftModifier);  // CR LF is one step
    QTest::keySequence(text2(), QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), QString::fromLatin1(bytes.mid(0x80, 0x80 + 2 + 1)));
}

void TestReceiveLog::crLfSplitBetweenNotifications()
{
    receive("OK\r", 3);
    receive("\nRING\r\n", 10);
    QCOMPARE(log(), QStringLiteral("OK\r\nRING\r\n"));
    QCOMPARE(text2()->rowCount(), 3);
}

void TestReceiveLog::caretGoesToTheEndAndNothingStaysSelected()
{
    receive("first\r\n", 7);
    text2()->select(0, 3);
    receive("second", 13);
    QCOMPARE(text2()->cursorPosition(), text2()->length());
    QVERIFY(!text2()->hasSelection());

    // A notification that finds nothing still puts the caret at the end.
    text2()->select(0, 3);
    emit f->form().comm()->onComm();
    QVERIFY(!text2()->hasSelection());
    QCOMPARE(text2()->cursorPosition(), text2()->length());
    QCOMPARE(log(), QStringLiteral("first\r\nsecond"));
}

void TestReceiveLog::endIsInView()
{
    QByteArray lines;
    for (int i = 0; i < 200; ++i)
        lines += "+CMGL: " + QByteArray::number(i) + ",\"REC READ\"\r\n";
    receive(lines + "LAST", lines.size() + 4);
    const QRect caret = text2()->cursorRect();
    QVERIFY(text2()->viewport()->rect().contains(caret));
    QVERIFY(text2()->verticalScrollBar()->value() > 0);
}

void TestReceiveLog::userTypedTextStaysWhereItIs()
{
    receive("OK\r\n", 4);
    text2()->setCursorPosition(0);
    QTest::keyClicks(text2(), QStringLiteral("note: "));
    receive("RING", 14);
    QCOMPARE(log(), QStringLiteral("note: OK\r\nRING"));
}

void TestReceiveLog::clearText()
{
    f->click("Command25");  // on an empty log
    QCOMPARE(log(), QString());
    receive("OK\r\n", 4);
    f->click("Command25");
    QCOMPARE(log(), QString());
    QVERIFY(f->form().comm()->portOpen());
    receive("RING\r\n", 6);
    QCOMPARE(log(), QStringLiteral("RING\r\n"));
}

void TestReceiveLog::clearTextWhileBytesAreArriving()
{
    // Whatever arrives after the click starts the new log; nothing is lost
    // or duplicated across the click.
    QByteArray stream;
    for (int i = 0; i < 400; ++i)
        stream += "+CSQ: " + QByteArray::number(i) + ",0\r\n";
    f->modem().write(stream.left(stream.size() / 2));
    QTRY_VERIFY(!log().isEmpty());
    const QString before = log();
    f->click("Command25");
    QTRY_COMPARE(before.size() + log().size(), stream.size() / 2);
    const QString after = log();
    f->modem().write(stream.mid(stream.size() / 2));
    QTRY_COMPARE(before.size() + log().size(), stream.size());
    QCOMPARE(before + log(), QString::fromLatin1(stream));
    QVERIFY(log().startsWith(after));
}

void TestReceiveLog::logOutlivesDisconnect()
{
    receive("OK\r\n", 4);
    f->click("Command3");
    f->click("Command2");
    QCOMPARE(log(), QStringLiteral("OK\r\n"));
}

void TestReceiveLog::oldestLinesGoBeyondTheCapacity()
{
    QVERIFY(ReceiveLog::defaultCapacity * 99 / 100 >= 16'000'000);  // even just after trimming
    f->form().findChild<CrLfBox *>("Text2")->setCapacity(1000);
    QByteArray stream;
    for (int i = 0; i < 300; ++i) {
        const QByteArray line = "+CSQ: " + QByteArray::number(i) + ",0\r\n";
        stream += line;
        f->modem().write(line);
    }
    QTRY_VERIFY(log().endsWith(QStringLiteral("+CSQ: 299,0\r\n")));
    const QString kept = log();
    QVERIFY2(kept.size() <= 1000, qPrintable(QString::number(kept.size())));
    QVERIFY(kept.size() > 500);
    QVERIFY(kept.startsWith(QStringLiteral("+CSQ: ")));  // whole lines only
    QVERIFY(QString::fromLatin1(stream).endsWith(kept));
}


void TestReceiveLog::aBurstOfGarbageLeavesTheWindowAnswering()
{
    // 64 KB of what a UART at the wrong baud rate hears most (NUL, 0x80,
    // 0xE0, each its own picture or box) cost the log a hundred times more
    // to lay out than text. The log takes them in slices, so that the
    // window keeps answering, and every byte arrives.
    QByteArray burst;
    QRandomGenerator random(19);
    const char heard[] = {'\x00', '\x80', '\xe0', '\xfc', '\x1b', '\xad'};
    while (burst.size() < 64 * 1024)
        burst.append(heard[random.bounded(int(std::size(heard)))]);
    // How long the window was busy between two ticks of a 5 ms timer, in
    // its own time: what a loaded machine adds by running others is not the
    // window's.
    double atTick = ProcessStats::threadCpuMs();
    std::vector<double> gaps;
    QTimer ticks;
    ticks.setInterval(5);
    connect(&ticks, &QTimer::timeout, [&] {
        const double now = ProcessStats::threadCpuMs();
        gaps.push_back(now - std::exchange(atTick, now));
    });
    ticks.start();
    f->modem().write(burst);
    QTRY_COMPARE_WITH_TIMEOUT(log().size(), burst.size(), 60000);
    QCOMPARE(log(), QString::fromLatin1(burst));
    // Measured about 50 ms here; taking a 4 KB read whole costs about 90,
    // once for each of the burst's sixteen reads. The third longest wait
    // counts: the system may hold the test up once or twice on its own.
    std::sort(gaps.begin(), gaps.end(), std::greater<>());
    QVERIFY(gaps.size() > 3);
    QVERIFY2(gaps[2] <= 75 * slowdown, qPrintable(QStringLiteral("%1 ms of its own time").arg(gaps[2])));
}

VEXMO_TEST_MAIN(TestReceiveLog)
#include "tst_receivelog.moc"
