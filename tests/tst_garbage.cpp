// Whatever bytes arrive, the log takes and draws them in bounded time, and
// every row it draws is a row it indexed: random bytes, modem traffic heard
// at the wrong baud rate, and garbage mixed into modem lines, in reads of
// every size, as a serial line delivers them.

#include "processstats.h"
#include "slowdown.h"
#include "textbox/crlfbox.h"
#include "textdocument/crlfdocument.h"
#include "widgets/style.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <cmath>

namespace {

constexpr qint64 frameLimitMs = 100 * slowdown;
constexpr int margin = 4;  // the box's, around its text, as in Qt's boxes

// What a UART set to `heardAt` baud makes of `bytes` sent at `sentAt`
// (8N1 both): each byte is a start bit, eight data bits from the lowest and
// a stop bit, the line idles high between bytes; the receiver samples each
// bit in its middle and keeps whatever the stop bit says.
QByteArray heardAtWrongBaud(const QByteArray &bytes, double sentAt, double heardAt, QRandomGenerator &random)
{
    std::vector<bool> line;
    for (const char byte : bytes) {
        for (int idle = random.bounded(3); idle > 0; --idle)
            line.push_back(true);
        line.push_back(false);
        for (int bit = 0; bit < 8; ++bit)
            line.push_back((uchar(byte) >> bit) & 1);
        line.push_back(true);
    }
    const double ratio = sentAt / heardAt;  // sender's bits per receiver's bit
    QByteArray heard;
    for (double t = 0; t < double(line.size());) {
        if (line[size_t(t)]) {
            t += ratio / 8;  // waiting for a start bit
            continue;
        }
        uchar byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
            const double at = t + (bit + 1.5) * ratio;
            if (at >= double(line.size()) || line[size_t(at)])
                byte |= uchar(1 << bit);
        }
        heard.append(char(byte));
        t += 9.5 * ratio;  // past the stop bit
    }
    return heard;
}

QByteArray randomBytes(qsizetype size, QRandomGenerator &random)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

QByteArray modemTraffic(qsizetype size, QRandomGenerator &random)
{
    static const char *const lines[] = {"AT\r\r\nOK\r\n", "\r\n+CSQ: 17,99\r\n\r\nOK\r\n",
                                        "\r\n+CMTI: \"SM\",12\r\n", "\r\nRING\r\n\r\n+CLIP: \"+4930123456\",145\r\n",
                                        "\r\n+COPS: 0,0,\"Vodafone.de\"\r\n\r\nOK\r\n", "\r\nERROR\r\n"};
    QByteArray traffic;
    while (traffic.size() < size)
        traffic += lines[random.bounded(int(std::size(lines)))];
    return traffic;
}

QByteArray garbageMixedIntoLines(qsizetype size, QRandomGenerator &random)
{
    QByteArray mixed;
    while (mixed.size() < size)
        mixed += random.bounded(3) ? modemTraffic(random.bounded(1, 200), random)
                                   : randomBytes(random.bounded(1, 3000), random);
    return mixed;
}

} // namespace

class TestGarbage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void everyByteStreamIsDrawnInBoundedTime_data();
    void everyByteStreamIsDrawnInBoundedTime();

private:
    // Feeds `bytes` into a log-sized box in reads of random sizes, drawing
    // after each; fails on a frame over the limit or a row drawn elsewhere
    // than indexed.
    void feed(const QByteArray &bytes, QRandomGenerator &random, bool inOneRead = false);

    std::unique_ptr<CrLfBox> m_box;
};

void TestGarbage::init()
{
    m_box = std::make_unique<CrLfBox>();
    m_box->setFont(Widgets::sansFont());  // the log's
    m_box->resize(381, 577);
    m_box->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_box.get()));
}

void TestGarbage::feed(const QByteArray &bytes, QRandomGenerator &random, bool inOneRead)
{
    CrLfBox &box = *m_box;
    const RowIndex &rows = box.document().rows();
    for (qsizetype at = 0; at < bytes.size();) {
        // Most reads are short, as a serial line gives them; the log takes a
        // burst in slices of at most 1 KB.
        const qsizetype size = inOneRead ? bytes.size() : std::min(bytes.size() - at, qsizetype(1) << random.bounded(11));
        // In the window's own time: a loaded machine's others are not its.
        const double frameFrom = ProcessStats::threadCpuMs();
        box.append(QString::fromLatin1(bytes.mid(at, size)));
        const double appended = ProcessStats::threadCpuMs() - frameFrom;
        box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum());
        box.viewport()->repaint();
        const double frame = ProcessStats::threadCpuMs() - frameFrom;
        QVERIFY2(frame <= frameLimitMs,
                 qPrintable(QStringLiteral("%1 ms (%3 to take in) for a read of %4 at byte %2").arg(frame).arg(at).arg(appended).arg(size)));
        at += size;

        // A point in each row in view hits a position of that row.
        const int top = box.verticalScrollBar()->value();
        const int rowHeight = int(std::ceil(QFontMetricsF(box.font()).lineSpacing()));
        for (int row = top; row < rows.count() && (row - top) * rowHeight < box.viewport()->height(); ++row) {
            const int y = (row - top) * rowHeight + (top == 0 ? margin : 0) + rowHeight / 2;
            const qint64 hit = box.cursorPositionAt(QPoint(margin, y));
            QVERIFY2(rows.rowOf(box.document().begin() + hit) == row,
                     qPrintable(QStringLiteral("row %1 after byte %2").arg(row).arg(at)));
        }
    }
}

void TestGarbage::everyByteStreamIsDrawnInBoundedTime_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("kilobytes");
    // The bytes that once froze the window, then new streams from seeds.
    QTest::newRow("a sequence that once froze it") << QStringLiteral("file") << 0u << 8;
    // VEXMO_GARBAGE_ROUNDS=N runs N times as many seeds (CI).
    const quint32 rounds = std::max(1u, qEnvironmentVariableIntValue("VEXMO_GARBAGE_ROUNDS") + 0u);
    for (quint32 seed = 1; seed <= 2 * rounds; ++seed) {
        QTest::addRow("random bytes, seed %u", seed) << QStringLiteral("random") << seed << 64;
        QTest::addRow("heard at a wrong baud rate, seed %u", seed) << QStringLiteral("baud") << seed << 32;
        QTest::addRow("garbage mixed into modem lines, seed %u", seed) << QStringLiteral("mixed") << seed << 64;
    }
}

void TestGarbage::everyByteStreamIsDrawnInBoundedTime()
{
    QFETCH(QString, kind);
    QFETCH(quint32, seed);
    QFETCH(int, kilobytes);
    QRandomGenerator random(seed);
    const qsizetype size = qsizetype(kilobytes) * 1024;
    QByteArray bytes;
    if (kind == QLatin1String("file")) {
        QFile file(QStringLiteral(GARBAGE_FILE));
        QVERIFY(file.open(QIODevice::ReadOnly));
        bytes = file.readAll();
        feed(bytes, random, true);
        m_box->clear();
    } else if (kind == QLatin1String("random")) {
        bytes = randomBytes(size, random);
    } else if (kind == QLatin1String("baud")) {
        const double rates[] = {1200, 2400, 4800, 19200, 38400, 57600, 115200, 230400, 460800};
        while (bytes.size() < size)
            bytes += heardAtWrongBaud(modemTraffic(4096, random), rates[random.bounded(int(std::size(rates)))], 9600,
                                      random);
    } else {
        bytes = garbageMixedIntoLines(size, random);
    }
    feed(bytes, random);
}

QTEST_MAIN(TestGarbage)
#include "tst_garbage.moc"
