// Multi-line boxes: CR LF is a line break, every other character is kept.

#include "widgets/crlftext.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTest>

class TestCrLfText : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void crLfIsOneLineBreak();
    void controlCharactersShowAsSymbols();
    void crLfSplitOverTwoAppends();
    void typedTextNextToASymbolStaysItself();
    void appendGoesAfterEverythingWhereverTheCaretIs();
};

void TestCrLfText::roundTrip_data()
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
    QString all;
    for (int c = 0; c < 256; ++c)
        all += QChar(c);
    QTest::newRow("all of latin-1") << all;
}

void TestCrLfText::roundTrip()
{
    QFETCH(QString, text);
    QPlainTextEdit box;
    CrLfText::setText(&box, text);
    QCOMPARE(CrLfText::text(&box), text);
}

void TestCrLfText::crLfIsOneLineBreak()
{
    QPlainTextEdit box;
    CrLfText::setText(&box, QStringLiteral("OK\r\n\r\nAT"));
    QCOMPARE(box.document()->blockCount(), 3);
    QCOMPARE(box.document()->findBlockByNumber(2).text(), QStringLiteral("AT"));
}

void TestCrLfText::controlCharactersShowAsSymbols()
{
    QPlainTextEdit box;
    CrLfText::setText(&box, QString::fromLatin1("a\rb\nc\0d\x85", 8));
    QCOMPARE(box.document()->blockCount(), 1);
    QCOMPARE(box.toPlainText(), QStringLiteral("a\u240db\u240ac\u2400d\ufffd"));
}

void TestCrLfText::crLfSplitOverTwoAppends()
{
    QPlainTextEdit box;
    CrLfText::append(&box, QStringLiteral("OK\r"));
    QCOMPARE(box.document()->blockCount(), 1);
    CrLfText::append(&box, QStringLiteral("\nRING"));
    QCOMPARE(box.document()->blockCount(), 2);
    QCOMPARE(CrLfText::text(&box), QStringLiteral("OK\r\nRING"));
    // A lone CR followed later by something else stays a CR.
    CrLfText::append(&box, QStringLiteral("\r"));
    CrLfText::append(&box, QStringLiteral("x"));
    QCOMPARE(CrLfText::text(&box), QStringLiteral("OK\r\nRING\rx"));
}

void TestCrLfText::typedTextNextToASymbolStaysItself()
{
    QPlainTextEdit box;
    CrLfText::setText(&box, QStringLiteral("OK\r"));
    box.moveCursor(QTextCursor::End);
    QTest::keyClicks(&box, QStringLiteral("note"));
    QCOMPARE(CrLfText::text(&box), QStringLiteral("OK\rnote"));
    // Shift+Enter's soft break reads as a line break too.
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(CrLfText::text(&box), QStringLiteral("OK\rnote\r\n"));
}

void TestCrLfText::appendGoesAfterEverythingWhereverTheCaretIs()
{
    QPlainTextEdit box;
    CrLfText::setText(&box, QStringLiteral("first\r\nsecond"));
    box.moveCursor(QTextCursor::Start);
    QTest::keyClicks(&box, QStringLiteral(">"));
    CrLfText::append(&box, QStringLiteral("\r\nOK"));
    QCOMPARE(CrLfText::text(&box), QStringLiteral(">first\r\nsecond\r\nOK"));
}

QTEST_MAIN(TestCrLfText)
#include "tst_crlftext.moc"
