// The performance the log needs, with limits ten times looser than what it
// does, so that a tenfold slowdown fails here while a loaded machine does
// not: a megabyte line with no break, and memory at five million
// characters of modem traffic. The benchmark measures the same closely.

#include "testmain.h"
#include "fixture.h"
#include "processstats.h"
#include "slowdown.h"
#include "textbox/crlfbox.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

namespace {

// Writes `bytes` into the log through the modem's line: how long the log
// took to show them all, and the longest the window took to answer.
void feed(ConnectedFixture &f, const QByteArray &bytes, qint64 *ms = nullptr, qint64 *answer = nullptr)
{
    // In the window's own time, not the wall clock's: on a loaded machine
    // others' time is not the window's.
    auto *log = f.get<CrLfBox>("Text2");
    const qint64 before = log->length();
    double atTick = ProcessStats::threadCpuMs();
    double longest = 0;
    QTimer ticks;
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const double now = ProcessStats::threadCpuMs();
        longest = std::max(longest, now - std::exchange(atTick, now));
    });
    const double shownFrom = ProcessStats::threadCpuMs();
    ticks.start();
    for (qsizetype at = 0; at < bytes.size(); at += 65536) {
        f.modem().write(bytes.mid(at, 65536));
        QTRY_VERIFY_WITH_TIMEOUT(log->length() >= before + std::min(at + 65536, bytes.size()), 10000 * slowdown);
    }
    if (ms)
        *ms = qint64(ProcessStats::threadCpuMs() - shownFrom);
    if (answer)
        *answer = qint64(longest);
}

} // namespace

class TestNeeds : public QObject
{
    Q_OBJECT
private slots:
    void aMegabyteLineWithNoBreak();
    void memoryPerCharacterOfModemTraffic();
};

void TestNeeds::aMegabyteLineWithNoBreak()
{
    // Shown in about 0.5 s, the window answering within a few ms.
    ConnectedFixture f(1);
    QByteArray line;
    while (line.size() < 1024 * 1024)
        line += "+CSQ: 17,99 AT+CMGL=\"ALL\" ";
    qint64 ms = 0;
    qint64 longest = 0;
    feed(f, line, &ms, &longest);
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY2(ms <= 5000 * slowdown, qPrintable(QString::number(ms)));
    QVERIFY2(longest <= 100 * slowdown, qPrintable(QString::number(longest)));
    QVERIFY(f.get<CrLfBox>("Text2")->rowCount() > 1000);  // wrapped within the box
}

void TestNeeds::memoryPerCharacterOfModemTraffic()
{
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the sanitizers' own bookkeeping outweighs the log's");
#endif
    // About 5.8 bytes a character; the need is under 8. Cleared, the
    // program is back near its size with an empty log.
    ConnectedFixture f(1);
    const QByteArray unit = "\r\n+CMTI: \"SM\",12\r\n\r\n+CSQ: 17,99\r\n\r\nOK\r\n";
    const QByteArray traffic = unit.repeated(5'000'000 / unit.size());
    const double before = ProcessStats::residentMb();
    feed(f, traffic);
    QVERIFY(!QTest::currentTestFailed());
    const double perCharacter = (ProcessStats::residentMb() - before) * 1024 * 1024 / double(traffic.size());
    QVERIFY2(perCharacter < 8, qPrintable(QString::number(perCharacter)));
    // Clear text gives it back to the system: the program is about its size
    // with an empty log again.
    f.click("Command25");
    QCOMPARE(f.get<CrLfBox>("Text2")->length(), 0);
    const double kept = ProcessStats::residentMb() - before;
    qInfo("%.1f MB kept after Clear text", kept);
    QVERIFY2(kept < 10, qPrintable(QStringLiteral("%1 MB kept").arg(kept)));
}

VEXMO_TEST_MAIN(TestNeeds)
#include "tst_needs.moc"
