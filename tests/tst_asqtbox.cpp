// The text box beside Qt's own plain text box, of the same size and font:
// the same keys, clicks and input method events must leave the same text,
// caret, selection and scroll position, and paint the same pixels. Qt's box
// breaks lines with one paragraph separator where ours holds CR LF.

#include "textboxgeometry.h"
#include "textbox/crlfbox.h"
#include "textbox/crlfboxaccessible.h"
#include "textdocument/crlfdocument.h"
#include "widgets/style.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <cmath>

namespace {

// Qt's text as ours holds it, and a position of Qt's as ours.
QString asOurs(const QPlainTextEdit &qt)
{
    return qt.document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
}

qint64 asOurs(const QPlainTextEdit &qt, int position)
{
    return position + qt.document()->toRawText().left(position).count(QChar::ParagraphSeparator);
}

// Typed as a keyboard types it, letters beyond ASCII included.
void type(QWidget *box, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            QTest::keyClick(box, char(c.unicode()));
        } else if (c.isHighSurrogate() && i + 1 < text.size()) {
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, text.mid(i, 2), {});  // one key, one letter
            ++i;
        } else {
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key(QChar(c).toUpper().unicode()), QString(c), {});
        }
    }
}

// A caret that does not blink while it lives, in both boxes, so that
// both show it when they are drawn.
struct SteadyCaret
{
    SteadyCaret() { QApplication::setCursorFlashTime(0); }
    ~SteadyCaret() { QApplication::setCursorFlashTime(flashTime); }
    SteadyCaret(const SteadyCaret &) = delete;
    SteadyCaret &operator=(const SteadyCaret &) = delete;
    const int flashTime = QApplication::cursorFlashTime();
};

struct Pair
{
    explicit Pair(QSize size)
    {
        for (QWidget *box : {static_cast<QWidget *>(&ours), static_cast<QWidget *>(&qt)}) {
            box->resize(size);
            box->show();
            if (!QTest::qWaitForWindowExposed(box))
                qFatal("not exposed");
        }
        qt.setTabChangesFocus(true);
    }
    void setText(const QString &text)
    {
        ours.setText(text);
        QString withParagraphs = text;
        qt.setPlainText(withParagraphs.replace(QLatin1String("\r\n"), QLatin1String("\n")));
    }
    // Both the same, or what differs. Qt's box is laid out whole first: it
    // lays out its paragraphs as it needs them, and counts one row for each
    // it has not, which is not what its user sees.
    QString difference() const
    {
        rows(qt);
        const QTextCursor cursor = qt.textCursor();
        const QString text = ours.text();
        const QString theirs = asOurs(qt);
        if (text != theirs) {
            qsizetype at = 0;
            while (at < text.size() && at < theirs.size() && text[at] == theirs[at])
                ++at;
            return QStringLiteral("texts differ from %1: ours \"%2\", Qt's \"%3\"")
                .arg(at).arg(escaped(text.mid(at, 30)), escaped(theirs.mid(at, 30)));
        }
        // Qt's box may leave a new last row below the view, its caret unseen
        // (so does Select All, in both): scrolling is compared only where
        // Qt's box shows its caret.
        const bool compareTop = qt.viewport()->rect().contains(qt.cursorRect());
        const qint64 anchor = ours.cursorPosition() == ours.selectionStart() ? ours.selectionEnd() : ours.selectionStart();
        const QString mine = QStringLiteral("caret %1 anchor %2 top %3")
                                 .arg(ours.cursorPosition()).arg(anchor)
                                 .arg(compareTop ? ours.verticalScrollBar()->value() : -1);
        const QString qts = QStringLiteral("caret %1 anchor %2 top %3")
                                .arg(asOurs(qt, cursor.position())).arg(asOurs(qt, cursor.anchor()))
                                .arg(compareTop ? qt.verticalScrollBar()->value() : -1);
        if (mine == qts)
            return QString();
        if (rows(ours) != rows(qt))
            return QStringLiteral("rows differ:\nours %1\nQt's %2").arg(rows(ours), rows(qt));
        return QStringLiteral("ours %1, Qt's %2 in \"%3\" | \"%4\"")
            .arg(mine, qts, escaped(text.left(ours.cursorPosition())).right(40), escaped(text.mid(ours.cursorPosition(), 40)));
    }
    // Both drawn alike, each in the active window where `focused`, with
    // its caret; where they differ, both pictures go to the temporary folder.
    bool samePixels(bool focused)
    {
        const auto grabbed = [focused](QAbstractScrollArea &box) {
            if (focused) {
                box.activateWindow();
                box.setFocus();
                if (!QTest::qWaitForWindowActive(&box) || !box.hasFocus())
                    qFatal("no focus");
            } else {
                box.clearFocus();
            }
            return box.viewport()->grab().toImage();
        };
        const QImage mine = grabbed(ours);
        const QImage theirs = grabbed(qt);
        if (mine == theirs)
            return true;
        mine.save(QDir::temp().filePath(QStringLiteral("ours.png")));
        theirs.save(QDir::temp().filePath(QStringLiteral("theirs.png")));
        return false;
    }
    static QString rows(const CrLfBox &box)
    {
        QStringList starts;
        for (int row = 0; row < box.rowCount(); ++row)
            starts << QString::number(box.document().rows().start(row) - box.document().begin());
        return starts.join(u' ');
    }
    static QString rows(const QPlainTextEdit &qt)
    {
        QStringList starts;
        for (QTextBlock block = qt.document()->begin(); block.isValid(); block = block.next()) {
            qt.document()->documentLayout()->blockBoundingRect(block);  // lays it out
            for (int line = 0; line < block.layout()->lineCount(); ++line)
                starts << QString::number(asOurs(qt, block.position() + block.layout()->lineAt(line).textStart()));
        }
        return starts.join(u' ');
    }
    // What a user of our box learns from its signals.
    struct Seen
    {
        QString text;
        qint64 caret, selectionStart, selectionEnd;
        bool undo, redo;
    };
    Seen seen() const
    {
        return {ours.text(), ours.cursorPosition(), ours.selectionStart(), ours.selectionEnd(),
                ours.isUndoAvailable(), ours.isRedoAvailable()};
    }
    // Since `before`, each of our signals was sent where what it tells of
    // changed, and elsewhere only where Qt's box sent it too (it sends some
    // on moves that change nothing); those with a value end on the truth.
    // Qt's box misses some changes (the caret moved by Ctrl+Backspace or
    // Select All; a selection that a Shift+double-click ends), so a signal
    // of ours is not asked to have one of Qt's beside it.
    QString signalDifference(const Seen &before)
    {
        const Seen now = seen();
        const bool hadSelection = before.selectionStart != before.selectionEnd;
        const bool hasSelection = now.selectionStart != now.selectionEnd;
        const bool selectionMoved = before.selectionStart != now.selectionStart || before.selectionEnd != now.selectionEnd;
        const bool changed[] = {now.text != before.text, now.caret != before.caret,
                                selectionMoved && (hadSelection || hasSelection), hadSelection != hasSelection,
                                now.undo != before.undo, now.redo != before.redo};
        const QVariant truth[] = {{}, {}, {}, hasSelection, now.undo, now.redo};
        QStringList wrong;
        for (size_t i = 0; i < ourSpies.size(); ++i) {
            const QSignalSpy &mine = *ourSpies[i];
            const QSignalSpy &qts = *qtSpies[i];
            if (changed[i] && mine.isEmpty())
                wrong << mine.signal() + QStringLiteral(" not sent for a change");
            if (!changed[i] && !mine.isEmpty() && qts.isEmpty())
                wrong << mine.signal() + QStringLiteral(" sent for no change, where Qt's box sent none");
            if (!mine.isEmpty() && truth[i].isValid() && mine.last().value(0) != truth[i])
                wrong << mine.signal() + QStringLiteral(" ended on %1").arg(mine.last().value(0).toString());
        }
        forgetSignals();
        return wrong.join(QStringLiteral("; "));
    }
    void forgetSignals()
    {
        for (const auto &spies : {&ourSpies, &qtSpies}) {
            for (const auto &spy : *spies)
                spy->clear();
        }
    }
    template<typename Box>
    static std::vector<std::unique_ptr<QSignalSpy>> spiesOn(Box *box)
    {
        // Those that tell of a change the box can see for itself first.
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        spies.push_back(std::make_unique<QSignalSpy>(box, &Box::textChanged));
        spies.push_back(std::make_unique<QSignalSpy>(box, &Box::cursorPositionChanged));
        spies.push_back(std::make_unique<QSignalSpy>(box, &Box::selectionChanged));
        spies.push_back(std::make_unique<QSignalSpy>(box, &Box::copyAvailable));
        spies.push_back(std::make_unique<QSignalSpy>(box, &Box::undoAvailable));
        spies.push_back(std::make_unique<QSignalSpy>(box, &Box::redoAvailable));
        return spies;
    }
    static QString escaped(const QString &text)
    {
        QString shown = text;
        return shown.replace(QLatin1String("\r\n"), QLatin1String("\\r\\n"));
    }
    CrLfBox ours;
    QPlainTextEdit qt;
    std::vector<std::unique_ptr<QSignalSpy>> ourSpies = spiesOn(&ours);
    std::vector<std::unique_ptr<QSignalSpy>> qtSpies = spiesOn(&qt);
};

struct Key
{
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

// Undo is left to the tests of its steps: Qt's box ends a run of Backspace
// where the erased text came from another edit, which ours does not.
const Key keys[] = {
    {Qt::Key_Left, {}}, {Qt::Key_Right, {}}, {Qt::Key_Up, {}}, {Qt::Key_Down, {}}, {Qt::Key_Home, {}},
    {Qt::Key_End, {}}, {Qt::Key_PageUp, {}}, {Qt::Key_PageDown, {}}, {Qt::Key_Left, Qt::ControlModifier},
    {Qt::Key_Right, Qt::ControlModifier}, {Qt::Key_Home, Qt::ControlModifier}, {Qt::Key_End, Qt::ControlModifier},
    {Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Up, Qt::ShiftModifier},
    {Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_End, Qt::ShiftModifier}, {Qt::Key_Home, Qt::ShiftModifier},
    {Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier}, {Qt::Key_PageDown, Qt::ShiftModifier},
    {Qt::Key_Backspace, {}}, {Qt::Key_Delete, {}}, {Qt::Key_Backspace, Qt::ControlModifier},
    {Qt::Key_Delete, Qt::ControlModifier}, {Qt::Key_Return, {}}, {Qt::Key_A, Qt::ControlModifier},
    {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_1, Qt::ControlModifier},
    {Qt::Key_Semicolon, Qt::ControlModifier}, {Qt::Key_K, Qt::ControlModifier},
    // The number pad's keys.
    {Qt::Key_Left, Qt::KeypadModifier}, {Qt::Key_Home, Qt::KeypadModifier}, {Qt::Key_Down, Qt::KeypadModifier},
    {Qt::Key_Delete, Qt::KeypadModifier}, {Qt::Key_Enter, Qt::KeypadModifier}, {Qt::Key_5, Qt::KeypadModifier},
    {Qt::Key_Plus, Qt::KeypadModifier},
};

const QString typed[] = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral(" "), QStringLiteral("word "),
                         QStringLiteral("+CMTI:"), QStringLiteral("17,99"), QStringLiteral("\u00e9"),
                         QStringLiteral("\u200e"),  // a format character, the left-to-right mark
                         QStringLiteral("\U0001F600")};

const QString modemText = QStringLiteral(
    "AT+CMGL=\"ALL\"\r\n+CMGL: 1,\"REC READ\",\"+4930123456\",,\"26/12/07,17:09:41+04\"\r\n"
    "Hello from the other side of the world, where the modem answers far away across the sea\r\n\r\n"
    "OK\r\nRING\r\n\r\n+CLIP: \"+4930123456\",145,,,,0\r\n");

} // namespace

class TestAsQtBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keysAndClicksDoWhatQtsBoxDoes_data();
    void keysAndClicksDoWhatQtsBoxDoes();
    void doubleClicksTakeWhatQtsBoxTakes();
    void draggingAfterADoubleClickTakesWholeWords();
    void smsTextShowsItsThreeRows();
    void endOfAWrappedRowIsBeforeItsBlank();
    void lettersOfSeveralCodePointsStayWhole();
    void rightToLeftTextMovesAsQtsBox();
    void inputMethodEventsDoWhatQtsBoxDoes();
    void anInputMethodShowsItsTextAsQtsBoxDoes_data();
    void anInputMethodShowsItsTextAsQtsBoxDoes();
    void aLongLineScrollsAsQtsBoxRowByRow();
    void editingKeysComeBeforeTheWindowsShortcuts();
    void selectingToEitherEndOfTheText();
    void typingUndoesInQtsSteps();
    void aRunOfDeletesUndoesInQtsSteps_data();
    void aRunOfDeletesUndoesInQtsSteps();
    void paintsWhatQtsBoxPaints_data();
    void paintsWhatQtsBoxPaints();
};

void TestAsQtBox::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QAccessible::installFactory(&CrLfBoxAccessible::create);
}

void TestAsQtBox::keysAndClicksDoWhatQtsBoxDoes_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<QSize>("size");
    QTest::newRow("the log") << 1 << QSize(381, 577);
    QTest::newRow("the SMS text") << 2 << QSize(225, 47);
    QTest::newRow("narrow") << 3 << QSize(120, 200);
    // Rows that fill the view to its last pixel.
    const int row = int(std::ceil(QFontMetricsF(QApplication::font()).lineSpacing()));
    QTest::newRow("rows to the last pixel") << 4 << QSize(160, 10 * row + 2);
}

void TestAsQtBox::keysAndClicksDoWhatQtsBoxDoes()
{
    QFETCH(int, seed);
    QFETCH(QSize, size);
    Pair pair(size);
    pair.setText(modemText.repeated(2));
    pair.forgetSignals();
    QRandomGenerator random{quint32(seed)};
    QStringList steps;
    QPoint lastClick(-100, -100);
    for (int step = 0; step < 600; ++step) {
        const Pair::Seen before = pair.seen();
        const int kind = random.bounded(10);
        if (kind < 5) {
            const Key &key = keys[random.bounded(int(std::size(keys)))];
            steps << QKeySequence(int(key.modifiers) | key.key).toString();
            QTest::keyClick(&pair.ours, key.key, key.modifiers);
            QTest::keyClick(&pair.qt, key.key, key.modifiers);
        } else if (kind < 8) {
            const QString &text = typed[random.bounded(int(std::size(typed)))];
            steps << text;
            type(&pair.ours, text);
            type(&pair.qt, text);
        } else {
            // Far enough from the last click that it makes no triple click.
            QPoint at(random.bounded(size.width()), random.bounded(size.height()));
            if ((at - lastClick).manhattanLength() <= QApplication::startDragDistance())
                at = QPoint((at.x() + size.width() / 2) % size.width(), at.y());
            // Qt's box, scrolled into a paragraph, sets its rows a few
            // hundredths of a pixel higher: a click on a row's first pixel
            // may fall on either side, and none is made there.
            const int row = int(std::ceil(QFontMetricsF(pair.ours.font()).lineSpacing()));
            if (at.y() % row <= 1 || at.y() % row == row - 1)
                at.ry() = at.y() / row * row + row / 2;
            lastClick = at;
            const int clicks = random.bounded(3);
            const Qt::KeyboardModifiers modifiers = random.bounded(4) == 0 ? Qt::ShiftModifier : Qt::NoModifier;
            steps << QStringLiteral("%1click %2 at %3,%4").arg(modifiers ? QStringLiteral("shift ") : QString()).arg(clicks + 1).arg(at.x()).arg(at.y());
            for (QAbstractScrollArea *box : {static_cast<QAbstractScrollArea *>(&pair.ours),
                                             static_cast<QAbstractScrollArea *>(&pair.qt)}) {
                QTest::mouseClick(box->viewport(), Qt::LeftButton, modifiers, at);
                if (clicks >= 1)
                    QTest::mouseDClick(box->viewport(), Qt::LeftButton, modifiers, at);
                if (clicks >= 2)
                    QTest::mouseClick(box->viewport(), Qt::LeftButton, modifiers, at);
            }
        }
        if (qEnvironmentVariableIsSet("VERBOSE") && step >= qEnvironmentVariableIntValue("VERBOSE")) {
            const QTextCursor c = pair.qt.textCursor();
            qDebug().noquote() << step << steps.last() << "| ours" << pair.ours.cursorPosition() << pair.ours.selectionStart() << pair.ours.selectionEnd() << "top" << pair.ours.verticalScrollBar()->value()
                     << "| qt" << asOurs(pair.qt, c.position()) << asOurs(pair.qt, c.anchor()) << "top" << pair.qt.verticalScrollBar()->value() << "|" << Pair::escaped(pair.ours.text()) << "|" << Pair::escaped(asOurs(pair.qt));
        }
        const QString difference = pair.difference() + pair.signalDifference(before);
        if (!difference.isEmpty())
            QFAIL(qPrintable(QStringLiteral("after %1:\n%2").arg(steps.mid(std::max(0, int(steps.size()) - 6)).join(u" | "), difference)));
    }
}

void TestAsQtBox::doubleClicksTakeWhatQtsBoxTakes()
{
    // On every character and right of every line: words, runs of
    // punctuation, underscores within words, blanks. A screen reader's
    // word at a position is the one a double-click there takes.
    Pair pair(QSize(381, 300));
    pair.setText(QStringLiteral("+CMTI: \"SM\",12\r\nfoo_bar 17,99 foo_\r\n  (OK)  \r\n\r\nend_"));
    const QString text = pair.ours.text();
    for (int at = 0; at <= text.size(); ++at) {
        QPoint point = characterRect(&pair.ours, at).center();
        if (at == text.size() || text.at(at) == u'\r')
            point.rx() += 40;  // right of the line
        for (QAbstractScrollArea *box : {static_cast<QAbstractScrollArea *>(&pair.ours),
                                         static_cast<QAbstractScrollArea *>(&pair.qt)}) {
            QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(1, 280));
            QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, point);
        }
        const QString difference = pair.difference();
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("at %1: %2").arg(at).arg(difference)));
        int from = -1;
        int to = -1;
        const int hit = int(pair.ours.cursorPositionAt(point));
        QAccessible::queryAccessibleInterface(&pair.ours)->textInterface()->textAtOffset(hit, QAccessible::WordBoundary, &from, &to);
        QCOMPARE(QStringLiteral("%1 %2 at %3").arg(from).arg(to).arg(hit),
                 QStringLiteral("%1 %2 at %3").arg(pair.ours.selectionStart()).arg(pair.ours.selectionEnd()).arg(hit));
    }
}

void TestAsQtBox::draggingAfterADoubleClickTakesWholeWords()
{
    // Left and right of the word first taken, and on to the next row.
    Pair pair(QSize(381, 300));
    pair.setText(modemText);
    const QPoint word = characterRect(&pair.ours, modemText.indexOf(QLatin1String("side"))).center();
    const auto boxes = {static_cast<QAbstractScrollArea *>(&pair.ours), static_cast<QAbstractScrollArea *>(&pair.qt)};
    for (const QPoint to : {word + QPoint(-60, 0), word + QPoint(45, 0), word + QPoint(10, 14), word + QPoint(-3, 0)}) {
        for (QAbstractScrollArea *box : boxes) {
            QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(1, 280));  // a fresh start
            QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, word);
            QMouseEvent move(QEvent::MouseMove, to, box->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
            QCoreApplication::sendEvent(box->viewport(), &move);
            QTest::mouseRelease(box->viewport(), Qt::LeftButton, {}, to);
        }
        QCOMPARE(pair.difference(), QString());
        QVERIFY(pair.ours.selectedText().contains(QLatin1String("side")));
    }
}

void TestAsQtBox::smsTextShowsItsThreeRows()
{
    // The SMS text's size and the window's font: three lines typed, three
    // rows shown, the first not scrolled away.
    Pair pair(QSize(225, 47));
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
        box->setFont(Widgets::sansFont());
        for (const char *line : {"one", "two", "three"}) {
            if (QLatin1String(line) != QLatin1String("one"))
                QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClicks(box, QLatin1String(line));
        }
    }
    QCOMPARE(pair.difference(), QString());
    QCOMPARE(pair.ours.verticalScrollBar()->value(), 0);
    QVERIFY(pair.ours.viewport()->rect().contains(pair.ours.cursorRect()));
}

void TestAsQtBox::endOfAWrappedRowIsBeforeItsBlank()
{
    // A modem line that wraps after a word, in any font: End on its first
    // row, and X goes between that word and the blank after it.
    Pair pair(QSize(381, 577));
    pair.setText(modemText.section(QLatin1String("\r\n"), 2));
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
        QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_End);  // stays
        QTest::keyClicks(box, QStringLiteral("X"));
    }
    QCOMPARE(pair.difference(), QString());
    const QString text = pair.ours.text();
    const qsizetype x = text.indexOf(u'X');
    QVERIFY(text.at(x - 1) != u' ' && text.at(x + 1) == u' ');
}

void TestAsQtBox::lettersOfSeveralCodePointsStayWhole()
{
    // A decomposed é, a flag, a family of ZWJ emoji and Hangul jamo: the
    // caret steps over each whole, Delete takes each whole, Backspace takes
    // its last code point, a double click takes "café" whole.
    Pair pair(QSize(381, 200));
    const QString letters = QStringLiteral("cafe\u0301 \U0001F1E9\U0001F1EA \U0001F468\u200D\U0001F469\u200D\U0001F467 \u1100\u1161\u11A8 x");
    pair.setText(letters);
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
        for (int i = 0; i < 9; ++i)
            QTest::keyClick(box, Qt::Key_Right);
    }
    QCOMPARE(pair.difference(), QString());
    QCOMPARE(pair.ours.cursorPosition(), letters.indexOf(QChar(u'\u1100')));
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
        QTest::keyClick(box, Qt::Key_Home);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(box, Qt::Key_Right);
        QTest::keyClick(box, Qt::Key_Delete);     // "e" and its accent
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Left);
        QTest::keyClick(box, Qt::Key_Left);
        QTest::keyClick(box, Qt::Key_Backspace);  // the last jamo only
    }
    QCOMPARE(pair.difference(), QString());
    QVERIFY(pair.ours.text().startsWith(QLatin1String("caf ")));
    pair.setText(QStringLiteral("le cafe\u0301 noir"));
    for (QAbstractScrollArea *box : {static_cast<QAbstractScrollArea *>(&pair.ours),
                                     static_cast<QAbstractScrollArea *>(&pair.qt)})
        QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, characterRect(&pair.ours, 4).center());
    QCOMPARE(pair.difference(), QString());
    QCOMPARE(pair.ours.selectedText(), QStringLiteral("cafe\u0301"));
}

void TestAsQtBox::rightToLeftTextMovesAsQtsBox()
{
    // In Arabic the arrows follow the text, and a long line wraps where Qt's
    // shaping says it is full.
    Pair pair(QSize(381, 300));
    const QString arabic = QStringLiteral("\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645 ");
    pair.setText(arabic.repeated(12) + QStringLiteral("\r\nAT ") + arabic);
    QCOMPARE(pair.ours.rowCount(), pair.qt.document()->lineCount());
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Down, Qt::Key_Right, Qt::Key_End,
                              Qt::Key_Left, Qt::Key_Down, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right}) {
        QTest::keyClick(&pair.ours, key);
        QTest::keyClick(&pair.qt, key);
        QCOMPARE(pair.difference(), QString());
    }
}

void TestAsQtBox::inputMethodEventsDoWhatQtsBoxDoes()
{
    Pair pair(QSize(381, 200));
    pair.setText(QStringLiteral("abc"));
    const QImage before = pair.ours.viewport()->grab().toImage();
    const auto send = [&](const QString &preedit, const QList<QInputMethodEvent::Attribute> &attributes,
                          const QString &commit = QString(), int from = 0, int length = 0) {
        for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
            QInputMethodEvent event(preedit, attributes);
            event.setCommitString(commit, from, length);
            QCoreApplication::sendEvent(box, &event);
        }
    };
    // An event that brings nothing leaves a selection as it was.
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
    }
    send(QString(), {});
    QCOMPARE(pair.difference(), QString());
    QVERIFY(pair.ours.hasSelection());
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)})
        QTest::keyClick(box, Qt::Key_End);
    QTextCharFormat underlined;
    underlined.setFontUnderline(true);
    // Composing: the preedit shows, and the input method's caret follows it.
    send(QStringLiteral("ka"), {{QInputMethodEvent::TextFormat, 0, 2, underlined},
                                {QInputMethodEvent::Cursor, 1, 1, QVariant()}});
    QCOMPARE(pair.difference(), QString());
    QVERIFY(pair.ours.viewport()->grab().toImage() != before);
    // Ours answers in the box's own coordinates, as input methods take them;
    // Qt's plain text box in its viewport's.
    const auto caretOf = [](QWidget *box) { return box->inputMethodQuery(Qt::ImCursorRectangle).toRect(); };
    QCOMPARE(caretOf(&pair.ours).translated(-pair.ours.viewport()->pos()), caretOf(&pair.qt));
    QCOMPARE(pair.ours.text(), QStringLiteral("abc"));  // not yet text
    // A commit that replaces the character before the caret.
    send(QString(), {}, QStringLiteral("R"), -1, 1);
    QCOMPARE(pair.difference(), QString());
    QCOMPARE(pair.ours.text(), asOurs(pair.qt));
    QCOMPARE(pair.ours.text(), QStringLiteral("abR"));
    QCOMPARE(pair.ours.viewport()->grab().toImage().size(), before.size());
    // Each commit undoes on its own, as Qt's box takes each in a step,
    // and so does what is typed after one.
    send(QString(), {}, QStringLiteral("x"));
    send(QString(), {}, QStringLiteral("y"));
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)})
        QTest::keyClick(box, Qt::Key_Z);
    for (int step = 0; step < 4; ++step) {
        QTest::keySequence(&pair.ours, QKeySequence::Undo);
        QTest::keySequence(&pair.qt, QKeySequence::Undo);
        QVERIFY2(pair.difference().isEmpty(), qPrintable(QStringLiteral("undo %1: %2").arg(step + 1).arg(pair.difference())));
    }
}

void TestAsQtBox::aLongLineScrollsAsQtsBoxRowByRow()
{
    // A listing with no line break for a hundred rows: down through it and
    // back, the view scrolls as Qt's does, the top margin kept while the top
    // row is in the first line, as far as Qt looks back for it (64 rows).
    Pair pair(QSize(381, 300));
    // A view whose last row has less room below it than the top margin, so
    // that the margin decides how far it scrolls.
    const int rowHeight = pair.qt.fontMetrics().lineSpacing();
    const int frame = pair.qt.height() - pair.qt.viewport()->height();
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)})
        box->resize(381, frame + 18 * rowHeight + 2);
    pair.setText(QStringLiteral("+CMGL: 1,\"REC READ\",\"+4930123456\" ").repeated(200) + QStringLiteral("\r\nOK"));
    QCOMPARE(pair.difference(), QString());
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Up}) {
        for (int step = 0; step < 160; ++step) {
            QTest::keyClick(&pair.ours, key);
            QTest::keyClick(&pair.qt, key);
            const QString difference = pair.difference();
            QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("%1 %2: %3").arg(key).arg(step).arg(difference)));
        }
    }
}

void TestAsQtBox::editingKeysComeBeforeTheWindowsShortcuts()
{
    // A window's shortcut on a key the box edits with does not take it
    // from the box, as with Qt's box; the number pad's keys included.
    const Key tried[] = {
        {Qt::Key_Left, {}}, {Qt::Key_Left, Qt::KeypadModifier}, {Qt::Key_Home, Qt::KeypadModifier},
        {Qt::Key_Delete, Qt::KeypadModifier}, {Qt::Key_5, Qt::KeypadModifier}, {Qt::Key_Plus, Qt::KeypadModifier},
        {Qt::Key_Enter, Qt::KeypadModifier}, {Qt::Key_Tab, {}}, {Qt::Key_A, Qt::ShiftModifier},
        {Qt::Key_Home, Qt::ControlModifier}, {Qt::Key_F5, {}}, {Qt::Key_S, Qt::ControlModifier},
        {Qt::Key_Left, Qt::AltModifier}, {Qt::Key_Escape, {}},
    };
    QWidget window;
    auto *ours = new CrLfBox(&window);
    auto *qt = new QPlainTextEdit(&window);
    int taken = 0;
    for (const Key &key : tried) {
        auto *action = new QAction(&window);
        action->setShortcut(QKeySequence(key.key | key.modifiers));
        connect(action, &QAction::triggered, &window, [&taken] { ++taken; });
        window.addAction(action);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int windowsKeys = 0;
    for (const Key &key : tried) {
        QStringList takers;
        for (QWidget *box : {static_cast<QWidget *>(ours), static_cast<QWidget *>(qt)}) {
            box->setFocus();
            taken = 0;
            QTest::keyClick(box, key.key, key.modifiers);
            takers << (taken ? QStringLiteral("the window") : QStringLiteral("the box"));
        }
        windowsKeys += taken;
        QVERIFY2(takers.first() == takers.last(),
                 qPrintable(QKeySequence(key.key | key.modifiers).toString() + QStringLiteral(": ours goes to ")
                            + takers.first() + QStringLiteral(", Qt's to ") + takers.last()));
    }
    QCOMPARE(windowsKeys, 4);  // F5, Ctrl+S, Alt+Left, Escape
}

void TestAsQtBox::selectingToEitherEndOfTheText()
{
    // Ctrl+Shift+Home and Ctrl+Shift+End from the middle, and back over
    // the anchor, as Qt's box selects.
    Pair pair(QSize(381, 300));
    pair.setText(modemText);
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
        QTest::mouseClick(static_cast<QAbstractScrollArea *>(box)->viewport(), Qt::LeftButton, {}, QPoint(60, 40));
        QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier | Qt::ControlModifier);
    }
    QCOMPARE(pair.difference(), QString());
    QVERIFY(pair.ours.hasSelection() && pair.ours.selectionStart() == 0);
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)})
        QTest::keyClick(box, Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
    QCOMPARE(pair.difference(), QString());
    QCOMPARE(pair.ours.selectionEnd(), pair.ours.length());
}

void TestAsQtBox::typingUndoesInQtsSteps()
{
    // A run of typing goes back at once; what replaced a selection, and the
    // selection with it, is a step of its own, as in Qt's box.
    Pair pair(QSize(381, 300));
    pair.setText(QStringLiteral("OK\r\n"));
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        type(box, QStringLiteral("AT+CSQ"));
        QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
        type(box, QStringLiteral("MGL"));
    }
    QCOMPARE(pair.ours.text(), QStringLiteral("OK\r\nAT+CMGL"));
    QCOMPARE(pair.difference(), QString());
    for (int step = 0; step < 3; ++step) {
        QTest::keySequence(&pair.ours, QKeySequence::Undo);
        QTest::keySequence(&pair.qt, QKeySequence::Undo);
        QVERIFY2(pair.difference().isEmpty(), qPrintable(QStringLiteral("undo %1: %2").arg(step + 1).arg(pair.difference())));
    }
    QCOMPARE(pair.ours.text(), QStringLiteral("OK\r\n"));
}

void TestAsQtBox::aRunOfDeletesUndoesInQtsSteps_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("caret");
    QTest::newRow("Backspace over a line break") << Qt::Key_Backspace << 6;
    QTest::newRow("Delete over a line break") << Qt::Key_Delete << 1;
}

void TestAsQtBox::aRunOfDeletesUndoesInQtsSteps()
{
    // Letters go back a run at a time; a line break taken in the run is a
    // step of its own, as in Qt's box.
    QFETCH(Qt::Key, key);
    QFETCH(int, caret);
    Pair pair(QSize(381, 300));
    pair.setText(QStringLiteral("ABC\r\nDEF"));
    pair.ours.setCursorPosition(caret);
    QTextCursor cursor = pair.qt.textCursor();
    cursor.setPosition(caret > 3 ? caret - 1 : caret);
    pair.qt.setTextCursor(cursor);
    for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(box, key);
    }
    QCOMPARE(pair.difference(), QString());
    pair.forgetSignals();
    for (int step = 0; step < 4; ++step) {
        const Pair::Seen before = pair.seen();
        QTest::keySequence(&pair.ours, QKeySequence::Undo);
        QTest::keySequence(&pair.qt, QKeySequence::Undo);
        const QString difference = pair.difference() + pair.signalDifference(before);
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("undo %1: %2").arg(step + 1).arg(difference)));
    }
    // Everything back, and again: undo is spent, redo is not, and the
    // other way round.
    for (const QKeySequence::StandardKey key : {QKeySequence::Undo, QKeySequence::Redo}) {
        const Pair::Seen before = pair.seen();
        for (QWidget *box : {static_cast<QWidget *>(&pair.ours), static_cast<QWidget *>(&pair.qt)}) {
            for (int i = 0; i < 8; ++i)
                QTest::keySequence(box, key);
        }
        QCOMPARE(pair.difference() + pair.signalDifference(before), QString());
        QCOMPARE(pair.ours.isUndoAvailable(), key == QKeySequence::Redo);
    }
}

void TestAsQtBox::anInputMethodShowsItsTextAsQtsBoxDoes_data()
{
    QTest::addColumn<QString>("preedit");
    QTest::addColumn<int>("caretLength");  // of the input method's Cursor: 0 hides the caret; -1: none
    QTest::addColumn<QString>("commit");
    QTest::addColumn<bool>("atTheStart");  // of the text, else at its end, out of view
    QTest::newRow("composing, the caret inside") << QStringLiteral("ka") << 1 << QString() << false;
    QTest::newRow("composing, the caret hidden") << QStringLiteral("ka") << 0 << QString() << false;
    QTest::newRow("a commit") << QString() << -1 << QStringLiteral("x") << false;
    QTest::newRow("composing at the start") << QStringLiteral("ka") << 1 << QString() << true;
    QTest::newRow("a commit at the start") << QString() << -1 << QStringLiteral("x") << true;
}

void TestAsQtBox::anInputMethodShowsItsTextAsQtsBoxDoes()
{
    // Typed through an input method: where the caret is out of view the
    // view goes to it, and the text being composed, its caret, or none, are
    // drawn as Qt's box draws them. A commit follows a composition, which
    // it must leave no trace of.
    QFETCH(QString, preedit);
    QFETCH(int, caretLength);
    QFETCH(QString, commit);
    QFETCH(bool, atTheStart);
    const SteadyCaret steady;
    Pair pair(QSize(381, 300));
    pair.qt.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // as ours, whose bar is the window's
    pair.setText(modemText.repeated(4));
    for (QAbstractScrollArea *box : {static_cast<QAbstractScrollArea *>(&pair.ours), static_cast<QAbstractScrollArea *>(&pair.qt)}) {
        box->activateWindow();
        box->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(box));
        if (!atTheStart) {
            QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
            box->verticalScrollBar()->setValue(0);
        }
        if (!commit.isEmpty()) {
            QInputMethodEvent composing(QStringLiteral("ka"), {});
            QCoreApplication::sendEvent(box, &composing);
            box->viewport()->grab();  // laid out and drawn with it
        }
        QList<QInputMethodEvent::Attribute> attributes;
        if (caretLength >= 0)
            attributes.append({QInputMethodEvent::Cursor, 1, caretLength, QVariant()});
        QInputMethodEvent event(preedit, attributes);
        event.setCommitString(commit);
        QCoreApplication::sendEvent(box, &event);
    }
    QCOMPARE(pair.difference(), QString());
    QCOMPARE(pair.ours.verticalScrollBar()->value() > 0, !atTheStart);
    QVERIFY2(pair.samePixels(true), "the pixels differ (see ours.png and theirs.png in the temporary folder)");
}

void TestAsQtBox::paintsWhatQtsBoxPaints_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selectFrom");
    QTest::addColumn<int>("selectTo");
    QTest::addColumn<bool>("toTheEnd");
    QTest::addColumn<bool>("focused");  // the caret shown
    QTest::newRow("a reply") << QStringLiteral("AT\r\nOK\r\n") << 0 << 0 << false << false;
    QTest::newRow("lines selected across their breaks") << modemText << 10 << 200 << false << false;
    QTest::newRow("empty lines selected") << QStringLiteral("a\r\n\r\n\r\nb") << 0 << 8 << false << false;
    QTest::newRow("scrolled to the end") << modemText.repeated(8) << 0 << 0 << true << false;
    QTest::newRow("the caret at a line's end") << QStringLiteral("AT\r\nOK\r\n") << 6 << 6 << false << true;
    QTest::newRow("the caret on an empty line") << QStringLiteral("AT\r\n\r\nOK") << 4 << 4 << false << true;
    QTest::newRow("the caret at the very end") << QStringLiteral("AT\r\nOK") << 6 << 6 << false << true;
    QTest::newRow("the caret at the start") << QStringLiteral("AT\r\nOK") << 0 << 0 << false << true;
    QTest::newRow("the caret in a wrapped line") << modemText << 180 << 180 << false << true;
    QTest::newRow("lines selected in the active window") << modemText << 10 << 200 << false << true;
}

void TestAsQtBox::paintsWhatQtsBoxPaints()
{
    // No control symbol between lines, the same rows, the same highlight
    // for selected text, selected line breaks and empty lines.
    QFETCH(QString, text);
    QFETCH(int, selectFrom);
    QFETCH(int, selectTo);
    QFETCH(bool, toTheEnd);
    QFETCH(bool, focused);
    const SteadyCaret steady;
    Pair pair(QSize(381, 300));
    if (focused) {
        // The active window's highlight apart from an inactive one's.
        QPalette palette = pair.qt.palette();
        palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(96, 96, 96));
        pair.ours.setPalette(palette);
        pair.qt.setPalette(palette);
    }
    pair.setText(text);
    pair.ours.select(selectFrom, selectTo);
    QTextCursor cursor = pair.qt.textCursor();
    const auto qtPosition = [&](int ours) { return ours - int(text.left(ours).count(QLatin1String("\r\n"))); };
    cursor.setPosition(qtPosition(selectFrom));
    cursor.setPosition(qtPosition(selectTo), QTextCursor::KeepAnchor);
    pair.qt.setTextCursor(cursor);
    if (toTheEnd) {
        pair.ours.setCursorPosition(pair.ours.length());
        pair.qt.moveCursor(QTextCursor::End);
    }
    QCOMPARE(pair.difference(), QString());
    QVERIFY2(pair.samePixels(focused), "the pixels differ (see ours.png and theirs.png in the temporary folder)");
}

QTEST_MAIN(TestAsQtBox)
#include "tst_asqtbox.moc"
