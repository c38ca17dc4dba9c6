// The text box's document without the box: its text against a plain
// QString, its rows against whole lines wrapped at once, its undo steps
// against Qt's, all at a few characters a chunk and a block so that every
// seam is crossed.

#include "textdocument/crlfdocument.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// A stand-in for Qt's line breaker: greedy, a 'W' wide and everything else
// narrow, a row ending after its last blank that fits (blanks hang past
// the edge), or anywhere in a word too long for a row, never inside a
// surrogate pair.
constexpr int room = 10;
int widthOf(QChar c)
{
    return c == u'W' ? 3 : c.isLowSurrogate() ? 0 : 1;
}

void breakGreedily(QStringView text, std::vector<qsizetype> &starts)
{
    qsizetype rowStart = 0;
    qsizetype afterBlank = -1;
    int width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u' ') {
            afterBlank = i + 1;
            width += widthOf(text[i]);
            continue;
        }
        while (width + widthOf(text[i]) > room && i > rowStart && !text[i].isLowSurrogate()) {
            rowStart = afterBlank > rowStart && afterBlank <= i ? afterBlank : i;
            starts.push_back(rowStart);
            width = 0;
            for (qsizetype j = rowStart; j < i; ++j)
                width += widthOf(text[j]);
        }
        width += widthOf(text[i]);
    }
}

// The rows of `text` as whole lines give them, as absolute positions.
std::vector<qint64> rowsOfWholeLines(const QString &text, qint64 begin)
{
    std::vector<qint64> rows;
    qsizetype lineStart = 0;
    for (;;) {
        const qsizetype lineEnd = text.indexOf(QLatin1String("\r\n"), lineStart);
        const QStringView line = QStringView(text).mid(lineStart, lineEnd < 0 ? -1 : lineEnd - lineStart);
        rows.push_back(begin + lineStart);
        std::vector<qsizetype> starts;
        breakGreedily(line, starts);
        for (const qsizetype s : starts)
            rows.push_back(begin + lineStart + s);
        if (lineEnd < 0)
            return rows;
        lineStart = lineEnd + 2;
    }
}

const QString pieces[] = {QStringLiteral("\r\n"), QStringLiteral("\r"), QStringLiteral("\n"), QStringLiteral(" "),
                          QStringLiteral("OK"), QStringLiteral("WWWWWWW"), QStringLiteral("+CSQ: 17,99 "),
                          QStringLiteral("\r\n\r\n"), QStringLiteral("\xd83d\xde00")};

} // namespace

class TestCrLfDocument : public QObject
{
    Q_OBJECT

private slots:
    void textMatchesAPlainString_data();
    void textMatchesAPlainString();
    void rowsMatchWholeLinesWrappedAtOnce_data();
    void rowsMatchWholeLinesWrappedAtOnce();
    void aLineBreakSplitOverAppends_data();
    void aLineBreakSplitOverAppends();
    void anEditMovesTheRowsBeforeIt_data();
    void anEditMovesTheRowsBeforeIt();
    void trimmingKeepsTheNewestWholeLines_data();
    void trimmingKeepsTheNewestWholeLines();
    void undoTakesTheStepsQtTakes();
    void undoKeepsWithinItsLimit();
    void undoNeverTouchesReceivedText();
};

void TestCrLfDocument::textMatchesAPlainString_data()
{
    QTest::addColumn<int>("chunkSize");
    for (const int size : {1, 2, 3, 7, 64})
        QTest::addRow("chunks of %d", size) << size;
}

void TestCrLfDocument::textMatchesAPlainString()
{
    QFETCH(int, chunkSize);
    TextChunks text(chunkSize);
    QString expected;
    qint64 dropped = 0;  // positions go on counting what was dropped
    QRandomGenerator random(quint32(20261207 + chunkSize));
    for (int step = 0; step < 4000; ++step) {
        const QString &piece = pieces[random.bounded(int(std::size(pieces)))];
        const int at = random.bounded(int(expected.size()) + 1);
        switch (random.bounded(6)) {
        case 0:
        case 1:
            text.append(piece);
            expected += piece;
            break;
        case 2: {
            const QString inserted = piece.repeated(random.bounded(1, 40));
            text.insert(dropped + at, inserted);
            expected.insert(at, inserted);
            break;
        }
        case 3: {
            const int to = std::min(int(expected.size()), at + random.bounded(1, 30));
            text.remove(dropped + at, dropped + to);
            expected.remove(at, to - at);
            break;
        }
        case 4:
            if (random.bounded(20) == 0) {
                text.dropFront(dropped + at);
                expected.remove(0, at);
                dropped += at;
            }
            break;
        default:
            if (random.bounded(200) == 0) {
                text.clear();
                dropped += expected.size();
                expected.clear();
            }
        }
        QCOMPARE(text.size(), expected.size());
        QCOMPARE(text.begin(), dropped);
        const int from = random.bounded(int(expected.size()) + 1);
        const int to = from + random.bounded(int(expected.size()) - from + 1);
        QString buffer;
        QCOMPARE(text.mid(dropped + from, dropped + to), expected.mid(from, to - from));
        QCOMPARE(text.view(dropped + from, dropped + to, buffer).toString(), expected.mid(from, to - from));
        if (from < expected.size())
            QCOMPARE(text.at(dropped + from), expected.at(from));
    }
    QCOMPARE(text.mid(text.begin(), text.end()), expected);
}

void TestCrLfDocument::rowsMatchWholeLinesWrappedAtOnce_data()
{
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("blockLimit");
    QTest::newRow("small chunks, small blocks") << 3 << 6;
    QTest::newRow("one character chunks") << 1 << 40;
    QTest::newRow("large") << 32768 << 2048;
}

void TestCrLfDocument::rowsMatchWholeLinesWrappedAtOnce()
{
    // Appends, edits, undo and trims wrap only what they touch, a block at a
    // time; a seeded run of them must leave the rows that wrapping each whole
    // line at once gives.
    QFETCH(int, chunkSize);
    QFETCH(int, blockLimit);
    CrLfDocument document(&breakGreedily, chunkSize, blockLimit);
    QRandomGenerator random(quint32(20261207 + blockLimit));
    for (int step = 0; step < 2500; ++step) {
        const QString &piece = pieces[random.bounded(int(std::size(pieces)))];
        const qint64 at = document.begin() + random.bounded(int(document.length()) + 1);
        const int op = random.bounded(6);
        switch (op) {
        case 0:
        case 1:
            document.append(piece.repeated(random.bounded(1, 4)));
            break;
        case 2:
            document.replace(at, at, piece, EditHistory::Kind::Typing);
            break;
        case 3:
            document.replace(at, std::min(document.end(), at + random.bounded(1, 6)), QString(),
                             EditHistory::Kind::Delete);
            break;
        case 4:
            if (document.canUndo())
                document.undo();
            break;
        default:
            if (random.bounded(10) == 0)
                document.trimTo(document.length() * 2 / 3);
        }
        const QString text = document.text().mid(document.begin(), document.end());
        const std::vector<qint64> expected = rowsOfWholeLines(text, document.begin());
        const RowIndex &rows = document.rows();
        std::vector<qint64> actual;
        for (int row = 0; row < rows.count(); ++row)
            actual.push_back(rows.start(row));
        if (actual != expected) {
            QStringList a, e;
            for (const qint64 r : actual)
                a << QString::number(r);
            for (const qint64 r : expected)
                e << QString::number(r);
            QString shown;
            for (const QChar c : text)
                shown += c.unicode() >= 0x20 && c.unicode() < 0x7f ? QString(c) : QStringLiteral("<%1>").arg(c.unicode(), 0, 16);
            QFAIL(qPrintable(QStringLiteral("step %1: rows %2, not %3, for \"%4\"").arg(step).arg(a.join(u' '), e.join(u' '), shown)));
        }
        // A line no longer than a block may be is laid out whole, as Qt lays
        // out a paragraph; a longer one in blocks of about the limit.
        for (int row = 0; row < rows.count(); ++row) {
            if (!rows.startsBlock(row))
                continue;
            QVERIFY2(rows.end(rows.blockLastRow(row)) - rows.start(row) <= 3 * blockLimit + 2 * room,
                     qPrintable(QString::number(step)));
            if (rows.isLineStart(rows.start(row)))
                continue;
            const qint64 at = rows.start(row) - document.begin();
            const qsizetype lineStart = text.lastIndexOf(QLatin1String("\r\n"), at - 1) + 1;
            const qsizetype lineEnd = text.indexOf(QLatin1String("\r\n"), at);
            QVERIFY2((lineEnd < 0 ? text.size() : lineEnd) - lineStart > blockLimit, qPrintable(QString::number(step)));
        }
    }
}

void TestCrLfDocument::aLineBreakSplitOverAppends_data()
{
    QTest::addColumn<QStringList>("reads");
    // The CR alone at the start of a row until its LF comes.
    QTest::newRow("CR wrapped alone") << QStringList{QStringLiteral("WWWX"), QStringLiteral("\r"), QStringLiteral("\nOK")};
    // A word that moved to a row of its own because of the CR.
    QTest::newRow("word moved by the CR") << QStringList{QStringLiteral("aa bbbbbbbb\r"), QStringLiteral("\n")};
    QTest::newRow("CR CR LF") << QStringList{QStringLiteral("WWW\r"), QStringLiteral("\r"), QStringLiteral("\n\n")};
}

void TestCrLfDocument::aLineBreakSplitOverAppends()
{
    QFETCH(QStringList, reads);
    CrLfDocument document(&breakGreedily, 3, 8);
    for (const QString &read : reads)
        document.append(read);
    const std::vector<qint64> expected = rowsOfWholeLines(reads.join(QString()), 0);
    std::vector<qint64> actual;
    for (int row = 0; row < document.rows().count(); ++row)
        actual.push_back(document.rows().start(row));
    QCOMPARE(actual, expected);
}

void TestCrLfDocument::anEditMovesTheRowsBeforeIt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    // Each in a long line, laid out in blocks of a few characters, and in a
    // short one, laid out whole.
    const QString longLine = QStringLiteral("aaaa bbbb ").repeated(3);  // three full rows
    for (const QString &before : {QString(), longLine}) {
        const int at = int(before.size());
        // A blank typed where a row starts lets the word of the row before
        // move up into the row before that.
        QTest::addRow("blank at a row start %d", at) << before + QStringLiteral("  \n\nWWWWWWWW") << at + 6 << 0
                                                      << QStringLiteral(" ");
        QTest::addRow("word shortened %d", at) << before + QStringLiteral("aaa bbbbbbbb cc") << at + 10 << 5 << QString();
        QTest::addRow("line break taken out %d", at) << before + QStringLiteral("aaaa\r\nbb cc") << at + 4 << 2
                                                      << QString();
        QTest::addRow("line break put in %d", at) << before + QStringLiteral("aaaa bbbb cccc dddd") << at + 7 << 0
                                                   << QStringLiteral("\r\n");
    }
}

void TestCrLfDocument::anEditMovesTheRowsBeforeIt()
{
    QFETCH(QString, text);
    QFETCH(int, at);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    CrLfDocument document(&breakGreedily, 3, 6);
    document.append(text);
    document.replace(at, at + removed, inserted, EditHistory::Kind::Other);
    std::vector<qint64> actual;
    for (int row = 0; row < document.rows().count(); ++row)
        actual.push_back(document.rows().start(row));
    QCOMPARE(actual, rowsOfWholeLines(text.replace(at, removed, inserted), 0));
}

void TestCrLfDocument::undoTakesTheStepsQtTakes()
{
    // As read off Qt's own box: a run of typing, of Backspace or of Delete
    // undoes at once; a line break is a step of its own; a paste begins a
    // step that the typing right after it joins; the caret goes after what
    // comes back.
    using Kind = EditHistory::Kind;
    CrLfDocument document(&breakGreedily);
    const auto typeAt = [&](qint64 at, const QString &text) {
        for (int i = 0; i < text.size(); ++i)
            document.replace(at + i, at + i, text.mid(i, 1), Kind::Typing);
    };
    const auto text = [&] { return document.text().mid(document.begin(), document.end()); };
    typeAt(0, QStringLiteral("abc"));
    document.replace(3, 3, QStringLiteral("\r\n"), Kind::Other, true);
    typeAt(5, QStringLiteral("de"));
    document.replace(6, 7, QString(), Kind::Backspace);
    document.replace(5, 6, QString(), Kind::Backspace);
    QCOMPARE(text(), QStringLiteral("abc\r\n"));
    CrLfDocument::Step step = document.undo();
    QCOMPARE(text(), QStringLiteral("abc\r\nde"));
    QCOMPARE(step.at + step.inserted.size(), 7);  // the caret after "de"
    document.undo();
    QCOMPARE(text(), QStringLiteral("abc\r\n"));
    document.undo();
    QCOMPARE(text(), QStringLiteral("abc"));
    document.redo();
    QCOMPARE(text(), QStringLiteral("abc\r\n"));

    // Delete runs, and typing after a paste.
    document.replace(0, 1, QString(), Kind::Delete);
    document.replace(0, 1, QString(), Kind::Delete);
    QCOMPARE(text(), QStringLiteral("c\r\n"));
    document.replace(0, 0, QStringLiteral("PASTE"), Kind::Typing, true);
    typeAt(5, QStringLiteral("xy"));
    QCOMPARE(text(), QStringLiteral("PASTExyc\r\n"));
    document.undo();
    QCOMPARE(text(), QStringLiteral("c\r\n"));
    step = document.undo();
    QCOMPARE(text(), QStringLiteral("abc\r\n"));
    QCOMPARE(step.at + step.inserted.size(), 2);
    QVERIFY(document.canRedo());
    typeAt(0, QStringLiteral("z"));  // a new edit forgets what could be redone
    QVERIFY(!document.canRedo());
}

void TestCrLfDocument::undoKeepsWithinItsLimit()
{
    EditHistory history(100);
    for (int i = 0; i < 10; ++i)
        history.record(i * 30, QString(), QString(30, u'x'), EditHistory::Kind::Other);
    QVERIFY(history.characters() <= 100);
    int steps = 0;
    for (; history.canUndo(); ++steps)
        QCOMPARE(history.undo().at, (9 - steps) * 30);  // the newest steps stay
    QCOMPARE(steps, 3);

    // Exactly at the limit, every step stays.
    EditHistory full(100);
    for (int i = 0; i < 10; ++i)
        full.record(i * 10, QString(), QString(10, u'x'), EditHistory::Kind::Other);
    QCOMPARE(full.characters(), 100);
    for (steps = 0; full.canUndo(); ++steps)
        full.undo();
    QCOMPARE(steps, 10);
}

void TestCrLfDocument::undoNeverTouchesReceivedText()
{
    // The user types, pastes, Backspaces and Deletes their own text at
    // random places while lines arrive and the oldest go; undo and redo
    // come in between. Each step taken back or again is the user's own text
    // at the place the plain string has it, and every received character
    // stays where it arrived.
    using Kind = EditHistory::Kind;
    CrLfDocument document(&breakGreedily, 7, 16);
    QString text;
    QString typed;  // 'u' where the user's character is, 'r' where a received one
    QString received;
    QRandomGenerator random(20261208);
    qint64 caret = 0;  // where the user last edited, so that runs happen too
    const QString pieces[] = {QStringLiteral("OK\r\n"), QStringLiteral("\r\n+CSQ: 17,99"), QStringLiteral("O"),
                              QStringLiteral("K"), QStringLiteral("\r")};
    const auto userOwns = [&](qint64 at) { return at >= 0 && at < text.size() && typed.at(at) == u'u'; };
    for (int step = 0; step < 20000; ++step) {
        const qint64 begin = document.begin();
        if (random.bounded(3) != 0 || text.isEmpty())
            caret = random.bounded(text.size() + 1);
        caret = std::min<qint64>(caret, text.size());
        switch (random.bounded(8)) {
        case 0:
        case 1: {
            const QString &piece = pieces[random.bounded(int(std::size(pieces)))];
            document.append(piece);
            text += piece;
            typed += QString(piece.size(), u'r');
            received += piece;
            break;
        }
        case 2: {  // typed, one character at a time
            const QString c(1, QChar(u'a' + random.bounded(26)));
            document.replace(begin + caret, begin + caret, c, Kind::Typing);
            text.insert(caret, c);
            typed.insert(caret, u'u');
            ++caret;
            break;
        }
        case 3: {  // pasted: a step of its own that typing after it joins
            const QString paste = QStringLiteral("PASTE");
            document.replace(begin + caret, begin + caret, paste, Kind::Typing, true);
            text.insert(caret, paste);
            typed.insert(caret, QString(paste.size(), u'u'));
            caret += paste.size();
            break;
        }
        case 4:
            if (userOwns(caret - 1)) {
                document.replace(begin + caret - 1, begin + caret, QString(), Kind::Backspace);
                text.remove(caret - 1, 1);
                typed.remove(caret - 1, 1);
                --caret;
            }
            break;
        case 5:
            if (userOwns(caret)) {
                document.replace(begin + caret, begin + caret + 1, QString(), Kind::Delete);
                text.remove(caret, 1);
                typed.remove(caret, 1);
            }
            break;
        case 6: {
            const bool back = random.bounded(2) == 0;
            if (back ? !document.canUndo() : !document.canRedo())
                break;
            const CrLfDocument::Step taken = back ? document.undo() : document.redo();
            const qint64 at = taken.at - begin;
            QCOMPARE(text.mid(at, taken.removed.size()), taken.removed);
            QCOMPARE(typed.mid(at, taken.removed.size()), QString(taken.removed.size(), u'u'));
            text.replace(at, taken.removed.size(), taken.inserted);
            typed.replace(at, taken.removed.size(), QString(taken.inserted.size(), u'u'));
            caret = at + taken.inserted.size();
            break;
        }
        default: {
            const CrLfDocument::Trimmed trimmed = document.trimTo(120);
            text.remove(0, trimmed.characters);
            received.remove(0, typed.left(trimmed.characters).count(u'r'));
            typed.remove(0, trimmed.characters);
        }
        }
        QCOMPARE(document.text().mid(document.begin(), document.end()), text);
        QString stillThere;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (typed.at(i) == u'r')
                stillThere += text.at(i);
        }
        QVERIFY2(received == stillThere, qPrintable(QString::number(step)));
    }
}

void TestCrLfDocument::trimmingKeepsTheNewestWholeLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("rowsGone");
    const QString four = QStringLiteral("AT\r\nOK\r\nATI\r\nSIM800");
    QTest::newRow("within the capacity") << four << 100 << four << 0;
    QTest::newRow("exactly at the capacity") << four << int(four.size()) << four << 0;
    QTest::newRow("just the oldest line") << four << 15 << QStringLiteral("OK\r\nATI\r\nSIM800") << 1;
    QTest::newRow("two lines") << four << 12 << QStringLiteral("ATI\r\nSIM800") << 2;
    QTest::newRow("all but the newest line") << four << 6 << QStringLiteral("SIM800") << 3;
    QTest::newRow("the newest line, longer than the capacity") << four << 3 << QStringLiteral("SIM800") << 3;
    QTest::newRow("the next line start after the rows that must go")
        << QStringLiteral("AAAA BBBB CCCC\r\nOK") << 8 << QStringLiteral("OK") << 2;
    QTest::newRow("a line that never ends, cut at a row")
        << QStringLiteral("OK\r\n+CSQ: 17,99 +CSQ: 17,99 +CSQ: 17,99") << 24 << QStringLiteral("+CSQ: 17,99 +CSQ: 17,99") << 3;
}

void TestCrLfDocument::trimmingKeepsTheNewestWholeLines()
{
    QFETCH(QString, text);
    QFETCH(int, capacity);
    QFETCH(QString, kept);
    QFETCH(int, rowsGone);
    CrLfDocument document(&breakGreedily, 4, 8);
    document.append(text);
    const CrLfDocument::Trimmed trimmed = document.trimTo(capacity);
    QCOMPARE(document.text().mid(document.begin(), document.end()), kept);
    QCOMPARE(trimmed.characters, text.size() - kept.size());
    QCOMPARE(trimmed.rows, rowsGone);
    QCOMPARE(document.rows().start(0), document.begin());
}

QTEST_GUILESS_MAIN(TestCrLfDocument)
#include "tst_crlfdocument.moc"
