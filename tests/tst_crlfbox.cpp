// Multi-line boxes: CR LF is a line break, every other character is kept,
// control characters show as greyed symbols, and nothing depends on how
// long the text or its lines are.

#include "textboxgeometry.h"
#include "textbox/crlfbox.h"
#include "textdocument/crlfdocument.h"
#include "textbox/crlfboxaccessible.h"
#include "widgets/style.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QMenu>
#include <QRandomGenerator>
#include <QInputMethod>
#include <QScrollBar>
#include <QSignalSpy>
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
    // As the program does at start-up.
    void initTestCase() { QAccessible::installFactory(&CrLfBoxAccessible::create); }
    void roundTrip_data();
    void roundTrip();
    void crLfIsOneLineBreak();
    void crLfSplitOverTwoAppends();
    void controlCharactersShowAsSymbols();
    void everyC1ControlShowsDifferently();
    void controlsAreGreyedInThePaletteOfTheMoment();
    void boxesKeepTheirWidthAndRowsWhereverTheyStand();
    void aBoxWithNoRoomBreaksOnlyAtLineBreaks();
    void longLinesWrapAtWordsWithinTheBox();
    void aLineThatNeverEndsStaysInRows();
    void aBreakOnAChunkBoundary();
    void copyGivesTheTextItself();
    void typedTextStaysItself();
    void theCaretNeverStandsInsideALineBreak();
    void theCaretStepsOverEveryLetterOfALineInManyBlocks();
    void upAndDownAlwaysLeaveTheRow();
    void appendGoesAfterEverythingWhereverTheCaretIs();
    void backspaceTakesALineBreakWholeAndUndoBringsItBack();
    void trimmingWithTheCaretAndSelectionInTheOldestLines();
    void randomUseKeepsTextRowsAndCaret();
    void screenReadersHearEveryChange();
    void aScreenReaderStepsThroughEachUnitOnce();
    void x11SelectionFollowsEverySelection();
    void contextMenuIsQtsOwn();
    void draggingBelowKeepsScrolling();
    void scrollingTellsTheInputMethodWhereTheCaretIs();
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
    // The separators that would end a row in Qt's engine show as pictures.
    QCOMPARE(shown.inkOf(QStringLiteral("a\u2028b")), shown.inkOf(QStringLiteral("a\u2424b")));
    QCOMPARE(shown.inkOf(QStringLiteral("a\u2029b")), shown.inkOf(QStringLiteral("a\u00b6b")));
}

void TestCrLfBox::controlsAreGreyedInThePaletteOfTheMoment()
{
    // A desktop that switches its colours while the log shows: the control
    // pictures take the grey of the new palette at once, as the text its
    // colour, C0 and C1 controls alike.
    ShownBox shown;
    shown.box.setText(QString::fromLatin1("AT\x01\x85OK"));
    const auto count = [&shown](const QColor &colour) {
        const QImage image = shown.box.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int found = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                found += image.pixel(x, y) == colour.rgb();
        }
        return found;
    };
    const QColor before = Widgets::greyedText(shown.box.palette());
    QVERIFY(count(before) > 0);
    QPalette night = shown.box.palette();
    night.setColor(QPalette::Base, QColor(0, 0, 96));
    night.setColor(QPalette::Text, QColor(255, 255, 0));
    shown.box.setPalette(night);
    const QColor after = Widgets::greyedText(night);
    QVERIFY(after != before);
    QCOMPARE(count(before), 0);
    QVERIFY(count(after) > 0);
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
    QVERIFY(!seen.contains(shown.inkOf(QStringLiteral("a\u00adb"))));

    // Every byte received leaves ink between two letters, the soft hyphen
    // that Qt draws only at a row's end included; only the two blanks
    // (space and no-break space) look alike, as they do anywhere.
    const QImage nothing = shown.inkOf(QStringLiteral("ab"));
    const QImage blank = shown.inkOf(QStringLiteral("a b"));
    for (int byte = 0; byte < 256; ++byte) {
        const QImage image = shown.inkOf(QStringLiteral("a") + QChar(byte) + QStringLiteral("b"));
        QVERIFY2(image != nothing, qPrintable(QString::number(byte, 16)));
        QVERIFY2((image == blank) == (byte == 0x20 || byte == 0xa0), qPrintable(QString::number(byte, 16)));
    }
}

void TestCrLfBox::boxesKeepTheirWidthAndRowsWhereverTheyStand()
{
    ShownBox shown;
    CrLfBox &box = shown.box;
    // A box after a control's picture is as wide as after a letter.
    const auto widthBefore = [&box](const QString &text) {
        box.setText(text);
        return characterRect(&box, text.size() - 1).left() - characterRect(&box, text.size() - 2).left();
    };
    // (to the pixel: positions are rounded from fractions)
    QVERIFY(qAbs(widthBefore(QStringLiteral("\u0000\u0080b")) - widthBefore(QStringLiteral("a\u0080b"))) <= 1);

    // Hundreds of boxes wrap into rows; each row shows its own boxes and
    // nothing more, as the same rows ended by line breaks show them.
    const QString boxes = QString(300, QChar(0x80));
    box.setText(boxes);
    const qint64 perRow = rowAround(&box, 0).second;
    QVERIFY(perRow > 1 && perRow < boxes.size());
    QStringList rows;
    for (qint64 at = 0; at < boxes.size(); at += perRow)
        rows << boxes.mid(at, perRow);
    const QImage wrapped = ink(box);
    QCOMPARE(shown.inkOf(rows.join(QStringLiteral("\r\n"))), wrapped);
}

void TestCrLfBox::aBoxWithNoRoomBreaksOnlyAtLineBreaks()
{
    // Squeezed to its margins or less, a box does not lay out a row for
    // every character: its rows end at line breaks alone.
    ShownBox shown;
    CrLfBox &box = shown.box;
    const int frame = box.width() - box.viewport()->width();
    for (const int room : {0, -3}) {
        box.resize(frame + 8 + room, 200);  // 4 pixels of margin each side
        box.setText(QStringLiteral("AT+CSQ\r\nOK"));
        QCOMPARE(box.rowCount(), 2);
        QCOMPARE(characterRect(&box, 5).top(), characterRect(&box, 0).top());
        QVERIFY(characterRect(&box, 8).top() > characterRect(&box, 0).top());
    }
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
    // The text is made when a program asks for it, and is what was copied,
    // whatever the box took in or lost since.
    box.selectAll();
    box.copy();
    box.append(QStringLiteral("\r\nRING\r\n"));
    box.setCapacity(chunk);
    QCOMPARE(QApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")), text.toUtf8());
    QCOMPARE(QApplication::clipboard()->text(), text);
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
    // A key whose text is a control character, as Escape's, types nothing.
    QTest::keyClick(&box, Qt::Key_Escape);
    QCOMPARE(box.text(), QStringLiteral("OK\rnote\r\n"));
    // Pasted lines end in CR LF too, however they ended where they came from.
    QApplication::clipboard()->setText(QStringLiteral("a\nb\rc"));
    QTest::keySequence(&box, QKeySequence::Paste);
    QCOMPARE(box.text(), QStringLiteral("OK\rnote\r\na\r\nb\r\nc"));
}

void TestCrLfBox::theCaretNeverStandsInsideALineBreak()
{
    LogSizedBox box;
    box.setText(QStringLiteral("AT\r\nOK"));
    box.setCursorPosition(3);  // between CR and LF
    QCOMPARE(box.cursorPosition(), qint64(2));
    QTest::keyClicks(&box, QStringLiteral("x"));
    QCOMPARE(box.text(), QStringLiteral("ATx\r\nOK"));
    box.select(4, 1);
    QCOMPARE(box.selectedText(), QStringLiteral("Tx"));
}

void TestCrLfBox::theCaretStepsOverEveryLetterOfALineInManyBlocks()
{
    // A long line is laid out in blocks of a few rows each: the caret goes
    // letter by letter across their seams, both ways.
    const QString line = QStringLiteral("+CMGL: 1,\"REC READ\",\"+4930123456\",,\"26/12/07,17:09:41+04\" Hello there");
    CrLfBox seams(nullptr, 4, 8);
    CrLfBox whole;
    for (CrLfBox *box : {&seams, &whole}) {
        box->resize(90, 400);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        box->setText(QStringLiteral("OK\r\n") + line);
    }
    QVERIFY(seams.rowCount() > 4);
    // Each piece starts a row: a seam that falls inside a row adds one.
    QVERIFY(seams.rowCount() >= whole.rowCount());
    // Every position but the one between CR and LF.
    QList<qint64> stops;
    for (qint64 at = 0; at <= seams.length(); ++at) {
        if (at != 3)
            stops << at;
    }
    seams.setCursorPosition(seams.length());
    for (qsizetype i = stops.size() - 2; i >= 0; --i) {
        QTest::keyClick(&seams, Qt::Key_Left);
        QCOMPARE(seams.cursorPosition(), stops.at(i));
    }
    for (qsizetype i = 1; i < stops.size(); ++i) {
        QTest::keyClick(&seams, Qt::Key_Right);
        QCOMPARE(seams.cursorPosition(), stops.at(i));
    }
}

void TestCrLfBox::upAndDownAlwaysLeaveTheRow()
{
    // From every place in lines that wrap, left to right and right to left,
    // in pieces and whole, Up goes to the row above and Down to the row
    // below, whatever the font makes of the rows.
    const QString text = QStringLiteral("+CMGL: 1,\"REC READ\",\"+4930123456\" Hello there, from far away\r\n"
                                        "\u0645\u0631\u062d\u0628\u0627 \u0628\u0643 \u0645\u0646 \u0628\u0639\u064a\u062f "
                                        "\u0645\u0631\u062d\u0628\u0627 \u0628\u0643\r\nOK");
    for (int blockSize : {8, 2048}) {
        CrLfBox box(nullptr, 5, blockSize);
        box.resize(90, 600);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setText(text);
        const auto row = [&box] { return box.cursorRect().center().y(); };
        box.setCursorPosition(0);
        const int first = row();
        box.setCursorPosition(box.length());
        const int last = row();
        for (qint64 at = 0; at <= box.length(); ++at) {
            for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down}) {
                box.setCursorPosition(at);
                const int before = row();
                const bool edge = before == (key == Qt::Key_Up ? first : last);
                QTest::keyClick(&box, key);
                if (!edge)
                    QVERIFY2(key == Qt::Key_Up ? row() < before : row() > before,
                             qPrintable(QStringLiteral("%1 from %2, block size %3").arg(key == Qt::Key_Up ? "Up" : "Down").arg(at).arg(blockSize)));
            }
        }
    }
}

void TestCrLfBox::appendGoesAfterEverythingWhereverTheCaretIs()
{
    CrLfBox box;
    box.setText(QStringLiteral("first\r\nsecond"));
    box.setCursorPosition(0);
    QTest::keyClicks(&box, QStringLiteral(">"));
    const QSignalSpy textChanged(&box, &CrLfBox::textChanged);
    const QSignalSpy caretMoved(&box, &CrLfBox::cursorPositionChanged);
    const QSignalSpy undoAvailable(&box, &CrLfBox::undoAvailable);
    box.append(QStringLiteral("\r\nOK"));
    QCOMPARE(box.text(), QStringLiteral(">first\r\nsecond\r\nOK"));
    QCOMPARE(box.cursorPosition(), qint64(1));
    QCOMPARE(textChanged.size(), 1);
    QCOMPARE(caretMoved.size(), 0);
    QCOMPARE(undoAvailable.size(), 0);  // what the modem sent is no edit
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
    const QSignalSpy textChanged(&box, &CrLfBox::textChanged);
    const QSignalSpy caretMoved(&box, &CrLfBox::cursorPositionChanged);
    const QSignalSpy selectionChanged(&box, &CrLfBox::selectionChanged);
    const QSignalSpy copyAvailable(&box, &CrLfBox::copyAvailable);
    box.append(more);
    // Its users hear of all that, once.
    QCOMPARE(textChanged.size(), 1);
    QCOMPARE(caretMoved.size(), 1);
    QCOMPARE(selectionChanged.size(), 1);
    QCOMPARE(copyAvailable.size(), 1);
    QCOMPARE(copyAvailable.last().value(0), QVariant(false));
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

void TestCrLfBox::randomUseKeepsTextRowsAndCaret()
{
    // Typing, pastes, Backspace, clicks and appends in a log that trims its
    // oldest lines, at a few characters a chunk and a block: the text is
    // what a plain string says, the rows are those of the same text wrapped
    // afresh, every block drawn has the rows indexed, and the caret stays in
    // view wherever it was put.
    CrLfBox box(nullptr, 5, 24);
    CrLfBox fresh;
    for (CrLfBox *b : {&box, &fresh}) {
        b->resize(200, 150);
        b->show();
        QVERIFY(QTest::qWaitForWindowExposed(b));
    }
    box.setCapacity(600);
    QString expected;
    QRandomGenerator random(20261207);
    const QString pieces[] = {QStringLiteral("OK\r\n"), QStringLiteral("\r\n"), QStringLiteral("+CSQ: 17,99"),
                              QStringLiteral("\r"), QStringLiteral("\n"), QStringLiteral("a few words to wrap "),
                              QStringLiteral("\u0645\u0631\u062d\u0628\u0627 "), QStringLiteral("cafe\u0301")};
    for (int step = 0; step < 1500; ++step) {
        const QString &piece = pieces[random.bounded(int(std::size(pieces)))];
        switch (random.bounded(5)) {
        case 0: {  // what the modem sends, with the caret put at the end as the log does
            const qint64 before = box.length();
            box.append(piece);
            const qint64 dropped = before + piece.size() - box.length();
            expected = (expected + piece).mid(dropped);
            box.setCursorPosition(box.length());
            break;
        }
        case 1: {  // typed or pasted over the selection
            QString text = piece;
            text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n').replace(QLatin1String("\n"), QLatin1String("\r\n"));
            expected.replace(box.selectionStart(), box.selectionEnd() - box.selectionStart(), text);
            QApplication::clipboard()->setText(piece);
            QTest::keySequence(&box, QKeySequence::Paste);
            break;
        }
        case 2: {  // Backspace takes a line break whole
            const qint64 caret = box.cursorPosition();
            if (box.hasSelection())
                expected.remove(box.selectionStart(), box.selectionEnd() - box.selectionStart());
            else if (caret >= 2 && expected.mid(caret - 2, 2) == QLatin1String("\r\n"))
                expected.remove(caret - 2, 2);
            else if (caret > 0)
                expected.remove(caret - 1, 1);
            QTest::keyClick(&box, Qt::Key_Backspace);
            break;
        }
        case 3:
            QTest::mouseClick(box.viewport(), Qt::LeftButton, random.bounded(2) ? Qt::ShiftModifier : Qt::NoModifier,
                              QPoint(random.bounded(200), random.bounded(150)));
            break;
        default: {
            const Qt::Key keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_End, Qt::Key_Left};
            QTest::keyClick(&box, keys[random.bounded(int(std::size(keys)))]);
        }
        }
        QCOMPARE(box.text(), expected);
        QVERIFY2(box.viewport()->rect().contains(box.cursorRect()), qPrintable(QString::number(step)));
        const qint64 caret = box.cursorPosition();
        QVERIFY(caret == 0 || caret == expected.size() || expected.mid(caret - 1, 2) != QLatin1String("\r\n"));
        if (step % 50 == 49) {
            fresh.setText(expected);
            QCOMPARE(fresh.rowCount(), box.rowCount());
            for (int row = 0; row < box.rowCount(); ++row)
                QCOMPARE(rowAround(&fresh, fresh.document().rows().start(row) - fresh.document().begin()),
                         rowAround(&box, box.document().rows().start(row) - box.document().begin()));
        }
    }
}

void TestCrLfBox::screenReadersHearEveryChange()
{
    // Typing, deleting, selecting, Clear text and the oldest lines going:
    // each is told, so that a reader's copy of the text stays right; and a
    // reader may edit the text as the user does.
    static QList<QAccessible::Event> heard;  // the handler is a plain function
    static QString lastRemoved;
    QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
        heard << event->type();
        if (event->type() == QAccessible::TextRemoved)
            lastRemoved = static_cast<QAccessibleTextRemoveEvent *>(event)->textRemoved();
    });
    // Screen readers are heard on a desktop with its accessibility bus.
    if (!qEnvironmentVariableIsSet("VEXMO_ACCESSIBILITY"))
        QSKIP("runs under X11 with an accessibility bus (the accessibility test)");
    QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 10000);
    LogSizedBox box;
    box.setCapacity(1000);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.append(QStringLiteral("OK\r\n"));
    QVERIFY(heard.contains(QAccessible::TextInserted));
    heard.clear();
    QTest::keyClick(&box, Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(heard.contains(QAccessible::TextSelectionChanged));
    QVERIFY(heard.contains(QAccessible::TextCaretMoved));
    heard.clear();
    for (int i = 0; i < 100; ++i)
        box.append(QStringLiteral("+CSQ: 17,99\r\n"));
    QVERIFY(heard.contains(QAccessible::TextRemoved));  // the oldest lines went
    heard.clear();
    const qint64 length = box.length();
    box.clear();
    QVERIFY(heard.contains(QAccessible::TextRemoved));
    QCOMPARE(lastRemoved.size(), length);
    heard.clear();
    box.clear();  // nothing left to remove
    QVERIFY(!heard.contains(QAccessible::TextRemoved));

    QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(&box);
    QAccessibleEditableTextInterface *editable = reader->editableTextInterface();
    QVERIFY(editable);
    box.setText(QStringLiteral("AT\r\nOK"));
    editable->insertText(2, QStringLiteral("+CSQ"));
    editable->replaceText(0, 2, QStringLiteral("at"));
    editable->deleteText(6, 8);
    QCOMPARE(box.text(), QStringLiteral("at+CSQOK"));
    int from = 0;
    int to = 0;
    box.setText(QStringLiteral("+CMTI: \"SM\",12"));
    QCOMPARE(reader->textInterface()->textAtOffset(2, QAccessible::WordBoundary, &from, &to), QStringLiteral("CMTI"));
    QAccessible::installUpdateHandler(nullptr);
}

void TestCrLfBox::aScreenReaderStepsThroughEachUnitOnce()
{
    // Seeded random modem texts: for every offset and every unit a reader
    // steps by, the unit before and after are the neighbours of the unit at
    // the offset, in the order the units stand: none skipped, none heard
    // twice, a line break never a unit of its own. Characters and lines
    // are also held against the plain text.
    using B = QAccessible::TextBoundaryType;
    using Range = std::pair<int, int>;
    const QString pieces[] = {QStringLiteral("AT"), QStringLiteral("OK"), QStringLiteral(" "), QStringLiteral("\r\n"),
                              QStringLiteral("\r"), QStringLiteral("+CSQ: 17,99"), QStringLiteral("Hi there. "),
                              QStringLiteral("\u00e9t\u00e9")};
    QRandomGenerator random(22);
    LogSizedBox box;
    QAccessibleTextInterface *reader = QAccessible::queryAccessibleInterface(&box)->textInterface();
    bool saidWhatItsRangeHolds = true;
    for (int round = 0; round < 40; ++round) {
        QString text;
        for (int n = int(random.bounded(12)); n > 0; --n)
            text += pieces[random.bounded(int(std::size(pieces)))];
        box.setText(text);
        const int length = int(text.size());
        for (const B boundary : {QAccessible::CharBoundary, QAccessible::WordBoundary, QAccessible::SentenceBoundary,
                                 QAccessible::ParagraphBoundary, QAccessible::LineBoundary}) {
            const auto call = [&](auto member, int offset) {
                Range range;
                const QString said = (reader->*member)(offset, boundary, &range.first, &range.second);
                const QString expected = range.first < 0 ? QString() : text.mid(range.first, range.second - range.first);
                saidWhatItsRangeHolds = saidWhatItsRangeHolds && said == expected;
                return range;
            };
            const auto at = [&](int offset) { return call(&QAccessibleTextInterface::textAtOffset, offset); };
            QList<Range> units;
            for (int offset = 0; offset < length; ++offset) {
                if (units.isEmpty() || units.last() != at(offset))
                    units << at(offset);
            }
            for (int offset = 0; offset <= length; ++offset) {
                const qsizetype index = units.indexOf(at(offset));  // at the end, the last or none
                const Range none{-1, -1};
                const Range before = index > 0 ? units.at(index - 1) : index < 0 && !units.isEmpty() ? units.last() : none;
                const Range after = index >= 0 && index + 1 < units.size() ? units.at(index + 1) : none;
                const QByteArray where = QStringLiteral("boundary %1, offset %2 in \"%3\"")
                                             .arg(int(boundary)).arg(offset).arg(QString(text).replace(u'\r', u'|').replace(u'\n', u'/'))
                                             .toUtf8();
                QVERIFY2(call(&QAccessibleTextInterface::textBeforeOffset, offset) == before, where);
                QVERIFY2(call(&QAccessibleTextInterface::textAfterOffset, offset) == after, where);
                if (boundary == QAccessible::CharBoundary)
                    QVERIFY2(at(offset) == Range(offset, std::min(offset + 1, length)), where);
                // At the end of a text that ends in no break, the last sentence.
                if (boundary == QAccessible::SentenceBoundary && offset == length && !units.isEmpty()
                    && !text.endsWith(QLatin1String("\r\n")))
                    QVERIFY2(at(offset) == units.last(), where);
                if (boundary == QAccessible::ParagraphBoundary) {
                    // Between two breaks; a break belongs to the line before it.
                    int from = 0;
                    int end = int(text.indexOf(QLatin1String("\r\n")));
                    while (end >= 0 && end + 2 <= offset) {
                        from = end + 2;
                        end = int(text.indexOf(QLatin1String("\r\n"), from));
                    }
                    QVERIFY2(at(offset) == Range(from, end < 0 ? length : end), where);
                }
            }
        }
    }
    QVERIFY(saidWhatItsRangeHolds);
}

void TestCrLfBox::x11SelectionFollowsEverySelection()
{
    // The X11 PRIMARY selection holds what is selected, however it was:
    // keys, Select All, a double click; a middle click pastes it.
    if (!qEnvironmentVariableIsSet("VEXMO_ACCESSIBILITY"))
        QSKIP("runs under X11 (the accessibility test)");
    QClipboard *clipboard = QApplication::clipboard();
    QVERIFY(clipboard->supportsSelection());
    LogSizedBox box;
    box.setText(QStringLiteral("AT+CSQ\r\n+CSQ: 17,99\r\nOK\r\n"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_End, Qt::ShiftModifier);
    QTRY_COMPARE(clipboard->text(QClipboard::Selection), QStringLiteral("AT+CSQ"));
    QTest::keySequence(&box, QKeySequence::SelectAll);
    QTRY_COMPARE(clipboard->text(QClipboard::Selection), box.text());
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, characterRect(&box, 14).center());
    QTRY_COMPARE(clipboard->text(QClipboard::Selection), QStringLiteral("17"));
    QTest::mouseClick(box.viewport(), Qt::MiddleButton, {}, characterRect(&box, 0).center());
    QCOMPARE(box.text().left(8), QStringLiteral("17AT+CSQ"));
    // The paste keys take the clipboard; Ctrl+Shift+Insert the selection.
    clipboard->setText(QStringLiteral("CLIP"));
    box.setCursorPosition(0);
    QTest::keyClick(&box, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(box.text().left(6), QStringLiteral("CLIP17"));
    QTest::keyClick(&box, Qt::Key_Insert, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(box.text().left(8), QStringLiteral("CLIP1717"));
}

void TestCrLfBox::contextMenuIsQtsOwn()
{
    // Qt's entries, Delete among them, with their shortcuts shown, in the
    // menu font the desktop gives menus.
    LogSizedBox box;
    box.setText(QStringLiteral("OK"));
    box.select(0, 2);
    std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    QStringList entries;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            entries << action->text();
    }
    const auto withKey = [](const QString &caption, QKeySequence::StandardKey key) {
        return caption + u'\t' + QKeySequence(key).toString(QKeySequence::NativeText);
    };
    QCOMPARE(entries, QStringList({withKey(QStringLiteral("&Undo"), QKeySequence::Undo),
                                   withKey(QStringLiteral("&Redo"), QKeySequence::Redo),
                                   withKey(QStringLiteral("Cu&t"), QKeySequence::Cut),
                                   withKey(QStringLiteral("&Copy"), QKeySequence::Copy),
                                   withKey(QStringLiteral("&Paste"), QKeySequence::Paste), QStringLiteral("Delete"),
                                   withKey(QStringLiteral("Select All"), QKeySequence::SelectAll)}));
    QCOMPARE(menu->font(), QApplication::font(menu.get()));
    menu->actions().at(6)->trigger();  // Delete
    QCOMPARE(box.text(), QString());
}

void TestCrLfBox::draggingBelowKeepsScrolling()
{
    // Held below the box, the button goes on selecting as the box scrolls,
    // faster the farther away, without the mouse moving.
    LogSizedBox box;
    box.setText(QStringLiteral("+CSQ: 17,99\r\n").repeated(400));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mousePress(box.viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    const QPoint below(10, box.viewport()->height() + 60);
    QCursor::setPos(box.viewport()->mapToGlobal(below));
    QMouseEvent move(QEvent::MouseMove, below, box.viewport()->mapToGlobal(below), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(box.viewport(), &move);
    QTRY_VERIFY_WITH_TIMEOUT(box.verticalScrollBar()->value() > 50, 3000);
    QVERIFY(box.selectionEnd() > box.text().indexOf(QLatin1String("\r\n")) * 40);
    QTest::mouseRelease(box.viewport(), Qt::LeftButton, {}, below);
}

void TestCrLfBox::scrollingTellsTheInputMethodWhereTheCaretIs()
{
    // An input method's window follows the caret when the view scrolls
    // under it, as the wheel or the scroll bar moves it.
    LogSizedBox box;
    box.setText(QStringLiteral("+CSQ: 17,99\r\n").repeated(200));
    box.show();
    box.activateWindow();
    box.setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QSignalSpy moved(QGuiApplication::inputMethod(), &QInputMethod::cursorRectangleChanged);
    box.verticalScrollBar()->setValue(5);
    QTRY_VERIFY(!moved.isEmpty());
}

QTEST_MAIN(TestCrLfBox)
#include "tst_crlfbox.moc"
