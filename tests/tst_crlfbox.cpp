// Multi-line boxes: CR LF is a line break, every other character is kept,
// control characters show as greyed symbols, and nothing depends on how
// long the text or its lines are.

#include "textbox/crlfbox.h"

#include <QApplication>
#include <QClipboard>
#include <QRandomGenerator>
#include <QTest>

namespace {

// What the box paints, as a mask of the pixels that differ from its base.
QImage ink(CrLfBox &box)
{
    QImage image = box.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb base = box.palette().color(QPalette::Base).rgb();
    QImage mask(image.size(), QImage::Format_Mono);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            mask.setPixel(x, y, image.pixel(x, y) != base ? 1 : 0);
    }
    return mask;
}

// A box the size of the log.
struct LogSizedBox : CrLfBox
{
    LogSizedBox() { resize(381, 577); }
};

// One of them, shown.
struct ShownBox
{
    ShownBox()
    {
        // Unsmoothed, so that a greyed glyph and a black one have the same pixels.
        QFont sharp = box.font();
        sharp.setStyleStrategy(QFont::NoAntialias);
        box.setFont(sharp);
        box.show();
        if (!QTest::qWaitForWindowExposed(&box))
            qFatal("box not exposed");
    }
    QImage inkOf(const QString &text)
    {
        box.setText(text);
        return ink(box);
    }
    LogSizedBox box;
};

} // namespace

class TestCrLfBox : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void crLfIsOneLineBreak();
    void crLfSplitOverTwoAppends();
    void controlCharactersShowAsSymbols();
    void everyC1ControlShowsDifferently();
    void longLinesWrapAtWordsWithinTheBox();
    void aLineThatNeverEndsStaysInRows();
    void aBreakOnAChunkBoundary();
    void copyGivesTheTextItself();
    void typedTextStaysItself();
    void appendGoesAfterEverythingWhereverTheCaretIs();
    void backspaceTakesALineBreakWholeAndUndoBringsItBack();
    void trimmingWithTheCaretAndSelectionInTheOldestLines();
};

void TestCrLfBox::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("hello") << QStringLiteral("Hello World!\r\n");
    QTest::newRow("lone cr") << QStringLiteral("a\rb");
    QTest::newRow("lone lf") << QStringLiteral("a\nb");
    QTest::newRow("lf cr") << QStringLiteral("a\n\rb");
    QTest::newRow("cr cr lf") << QStringLiteral("\r\r\n");
    QTest::newRow("nbsp") << QStringLiteral("a\u00a0b");
    QTest::newRow("nul and tab") << QString::fromLatin1("\0\t\x1a\x7f", 4);
    QTest::newRow("line separators") << QStringLiteral("a\u2028b\u2029c");
    QString all;
    for (int c = 0; c < 256; ++c)
        all += QChar(c);
    QTest::newRow("all of latin-1") << all;
}

void TestCrLfBox::roundTrip()
{
    QFETCH(QString, text);
    CrLfBox box;
    box.setText(text);
    QCOMPARE(box.text(), text);
    QCOMPARE(box.length(), text.size());
}

void TestCrLfBox::crLfIsOneLineBreak()
{
    LogSizedBox box;
    box.setText(QStringLiteral("OK\r\n\r\nAT"));
    QCOMPARE(box.rowCount(), 3);
    box.setText(QStringLiteral("Hello World!\r\n"));
    QCOMPARE(box.rowCount(), 2);  // the second, empty
}

void TestCrLfBox::crLfSplitOverTwoAppends()
{
    LogSizedBox box;
    box.append(QStringLiteral("OK\r"));
    QCOMPARE(box.rowCount(), 1);
    box.append(QStringLiteral("\nRING"));
    QCOMPARE(box.rowCount(), 2);
    QCOMPARE(box.text(), QStringLiteral("OK\r\nRING"));
    // A lone CR followed later by something else stays a CR.
    box.append(QStringLiteral("\r"));
    box.append(QStringLiteral("x"));
    QCOMPARE(box.text(), QStringLiteral("OK\r\nRING\rx"));
    QCOMPARE(box.rowCount(), 2);
}

void TestCrLfBox::controlCharactersShowAsSymbols()
{
    // A control shows as its Control Picture: the same shape as the picture
    // typed as text, only greyed; and a lone CR or LF breaks no line.
    ShownBox shown;
    QCOMPARE(shown.inkOf(QStringLiteral("a\rb\nc")), shown.inkOf(QStringLiteral("a\u240db\u240ac")));
    QCOMPARE(shown.box.rowCount(), 1);
    QCOMPARE(shown.inkOf(QString::fromLatin1("x\0y\x7f", 4)), shown.inkOf(QStringLiteral("x\u2400y\u2421")));
    QVERIFY(shown.inkOf(QStringLiteral("a\rb")) != shown.inkOf(QStringLiteral("a\nb")));
}

void TestCrLfBox::everyC1ControlShowsDifferently()
{
    ShownBox shown;
    QList<QImage> seen;
    for (char16_t c = 0x80; c <= 0x9f; ++c) {
        const QImage image = shown.inkOf(QStringLiteral("a") + QChar(c) + QStringLiteral("b"));
        QVERIFY2(!seen.contains(image), qPrintable(QString::number(c, 16)));
        seen << image;
    }
    QVERIFY(!seen.contains(shown.inkOf(QStringLiteral("a\ufffdb"))));
}

void TestCrLfBox::longLinesWrapAtWordsWithinTheBox()
{
    ShownBox shown;
    QString words;
    for (int i = 0; i < 200; ++i)
        words += QStringLiteral("word%1 ").arg(i);
    shown.box.setText(words);
    QVERIFY(shown.box.rowCount() > 10);
    // Every row ends after a space and starts with a word.
    const QImage image = ink(shown.box);
    const int room = shown.box.viewport()->width() - 4;
    for (int y = 0; y < image.height(); ++y)
        QVERIFY2(image.pixelIndex(room, y) == 0, "a row runs past the box");
    shown.box.setCursorPosition(0);
    for (int row = 0; row < 5; ++row) {
        QTest::keyClick(&shown.box, Qt::Key_Down);
        const qint64 start = shown.box.cursorPosition();
        QTest::keyClick(&shown.box, Qt::Key_Home);
        const qint64 rowStart = shown.box.cursorPosition();
        QVERIFY(words.at(rowStart - 1) == u' ');
        QVERIFY(words.mid(rowStart, 4) == QStringLiteral("word"));
        shown.box.setCursorPosition(start);
    }
}

void TestCrLfBox::aLineThatNeverEndsStaysInRows()
{
    ShownBox shown;
    const QString piece(4096, u'7');
    for (int i = 0; i < 64; ++i)
        shown.box.append(piece);
    QCOMPARE(shown.box.length(), 64 * 4096);
    const int perRow = int((shown.box.viewport()->width() - 8) / QFontMetricsF(shown.box.font()).horizontalAdvance(u'7'));
    QVERIFY2(shown.box.rowCount() >= 64 * 4096 / perRow, qPrintable(QString::number(shown.box.rowCount())));
    shown.box.setCursorPosition(shown.box.length());
    QVERIFY(shown.box.viewport()->rect().contains(shown.box.cursorRect()));
    QCOMPARE(shown.box.text(), piece.repeated(64));
}

void TestCrLfBox::aBreakOnAChunkBoundary()
{
    constexpr int chunk = 64;
    CrLfBox box(nullptr, chunk);
    box.resize(381, 577);
    const QString first = QString(chunk - 1, u'a') + u'\r';
    box.append(first);
    box.append(QStringLiteral("\nOK\r\n"));
    QCOMPARE(box.text(), first + QStringLiteral("\nOK\r\n"));
    box.setCursorPosition(chunk + 1);  // after the break, before "OK"
    QTest::keyClick(&box, Qt::Key_Left);
    QCOMPARE(box.cursorPosition(), qint64(chunk - 1));  // the break is one step
    box.select(chunk - 2, chunk + 3);
    QCOMPARE(box.selectedText(), QStringLiteral("a\r\nOK"));
}

void TestCrLfBox::copyGivesTheTextItself()
{
    constexpr int chunk = 32768;
    CrLfBox box;
    QString text;
    for (int i = 0; i < 3 * chunk; ++i)
        text += QChar(i % 256);
    box.setText(text);
    box.setFocus();
    QTest::keySequence(&box, QKeySequence::SelectAll);
    QTest::keySequence(&box, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), text);
    // A part, across two chunks.
    box.select(chunk - 100, 2 * chunk + 100);
    box.copy();
    QCOMPARE(QApplication::clipboard()->text(),
             text.mid(chunk - 100, chunk + 200));
}

void TestCrLfBox::typedTextStaysItself()
{
    CrLfBox box;
    box.setText(QStringLiteral("OK\r"));
    box.setCursorPosition(box.length());
    QTest::keyClicks(&box, QStringLiteral("note"));
    QCOMPARE(box.text(), QStringLiteral("OK\rnote"));
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(box.text(), QStringLiteral("OK\rnote\r\n"));
    // Pasted lines end in CR LF too, however they ended where they came from.
    QApplication::clipboard()->setText(QStringLiteral("a\nb\rc"));
    QTest::keySequence(&box, QKeySequence::Paste);
    QCOMPARE(box.text(), QStringLiteral("OK\rnote\r\na\r\nb\r\nc"));
}

void TestCrLfBox::appendGoesAfterEverythingWhereverTheCaretIs()
{
    CrLfBox box;
    box.setText(QStringLiteral("first\r\nsecond"));
    box.setCursorPosition(0);
    QTest::keyClicks(&box, QStringLiteral(">"));
    box.append(QStringLiteral("\r\nOK"));
    QCOMPARE(box.text(), QStringLiteral(">first\r\nsecond\r\nOK"));
    QCOMPARE(box.cursorPosition(), qint64(1));
}

void TestCrLfBox::backspaceTakesALineBreakWholeAndUndoBringsItBack()
{
    LogSizedBox box;
    box.setText(QStringLiteral("AT\r\nOK"));
    box.setCursorPosition(4);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), QStringLiteral("ATOK"));
    QCOMPARE(box.rowCount(), 1);
    QTest::keySequence(&box, QKeySequence::Undo);
    QCOMPARE(box.text(), QStringLiteral("AT\r\nOK"));
    QCOMPARE(box.rowCount(), 2);
}

void TestCrLfBox::trimmingWithTheCaretAndSelectionInTheOldestLines()
{
    LogSizedBox box;
    box.setCapacity(1000);
    QString sent;
    for (int i = 0; i < 40; ++i)
        sent += QStringLiteral("+CSQ: %1,0\r\n").arg(i);
    box.append(sent);
    box.select(2, 30);  // in the first lines
    QString more;
    for (int i = 40; i < 200; ++i)
        more += QStringLiteral("+CSQ: %1,0\r\n").arg(i);
    box.append(more);
    const QString kept = box.text();
    QVERIFY(kept.size() <= 1000 && kept.size() > 900);
    QVERIFY(kept.startsWith(QStringLiteral("+CSQ: ")));  // whole lines only
    QVERIFY((sent + more).endsWith(kept));
    // What the user had selected went with its lines.
    QVERIFY(!box.hasSelection());
    QCOMPARE(box.cursorPosition(), qint64(0));
    QTest::keyClicks(&box, QStringLiteral("x"));
    QCOMPARE(box.text(), QStringLiteral("x") + kept);
}

QTEST_MAIN(TestCrLfBox)
#include "tst_crlfbox.moc"
