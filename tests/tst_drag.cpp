// Text dragged with the mouse out of the log onto other boxes, as a user
// drags it, in the real window on a real X server: received text never
// leaves the log, and a drop that a single-line box must cut to one line
// leaves its source whole.

#include "textboxgeometry.h"
#include "testmain.h"
#include "fixture.h"
#include "textbox/crlfbox.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <optional>

class TestDrag : public QObject
{
    Q_OBJECT
private slots:
    void init() { f = std::make_unique<ConnectedFixture>(9); }
    void cleanup() { f.reset(); }
    void aDragOutOfTheLogCopies_data();
    void aDragOutOfTheLogCopies();
    void aDropCutToOneLineIsACopy();
    void aDragWithinTheSmsTextMovesIt_data();
    void aDragWithinTheSmsTextMovesIt();
    void aPressMovedNoFartherThanTheDragDistanceIsAClick();
    void aDropFromAnotherBoxLeavesTheSelection();

private:
    // Drags the text from `from` (in the source's viewport) onto `to` in
    // `target` (its middle if none), with the mouse buttons of the window
    // system.
    void drag(QWidget *source, QPoint from, QWidget *target, std::optional<QPoint> to = std::nullopt);

    std::unique_ptr<ConnectedFixture> f;
};

void TestDrag::drag(QWidget *source, QPoint from, QWidget *target, std::optional<QPoint> at)
{
    QWindow *window = f->form().windowHandle();
    const QPoint to = target->mapTo(&f->form(), at.value_or(target->rect().center()));
    // The drag runs a loop of its own: the mouse goes on from within it.
    QTimer::singleShot(100, target, [window, to] {
        QTest::mouseMove(window, to - QPoint(5, 0));
        QTest::mouseMove(window, to);
        QTest::mouseRelease(window, Qt::LeftButton, {}, to);
    });
    QTest::mousePress(source, Qt::LeftButton, {}, from);
    QTest::mouseMove(source, from + QPoint(30, 0));
}

void TestDrag::aDragOutOfTheLogCopies_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("arrives");
    QTest::newRow("two lines onto the free command") << QByteArray("Text3") << 15 << QStringLiteral("+CSQ: 17,99");
    QTest::newRow("one line onto the free command") << QByteArray("Text3") << 11 << QStringLiteral("+CSQ: 17,99");
    QTest::newRow("two lines onto the SMS text") << QByteArray("Text6") << 15 << QStringLiteral("+CSQ: 17,99\r\nOK");
}

void TestDrag::aDragOutOfTheLogCopies()
{
    QFETCH(QByteArray, target);
    QFETCH(int, selected);
    QFETCH(QString, arrives);
    auto *log = f->get<CrLfBox>("Text2");
    const QByteArray received = "+CSQ: 17,99\r\nOK\r\n";
    f->modem().write(received);
    QTRY_COMPARE(log->length(), received.size());
    log->select(0, selected);
    QWidget *to = f->get(target.constData());
    if (auto *box = qobject_cast<CrLfBox *>(to)) {
        box->clear();
        to = box->viewport();
    } else {
        qobject_cast<QLineEdit *>(to)->clear();
    }
    drag(log->viewport(), characterRect(log, 3).center(), to);
    QCOMPARE(log->text(), QString::fromLatin1(received));
    if (auto *line = f->form().findChild<QLineEdit *>(QLatin1String(target)))
        QCOMPARE(line->text(), arrives);
    else
        QCOMPARE(f->get<CrLfBox>(target.constData())->text(), arrives);
}

void TestDrag::aDropCutToOneLineIsACopy()
{
    // The user's own SMS text moves as in Qt's boxes, unless the box it
    // lands in keeps only its first line: then the rest would exist only in
    // a notice, so it stays where it was.
    auto *text6 = f->get<CrLfBox>("Text6");
    auto *text3 = f->get<QLineEdit>("Text3");
    text6->setText(QStringLiteral("first\r\nsecond"));
    text6->selectAll();
    text3->clear();
    drag(text6->viewport(), characterRect(text6, 2).center(), text3);
    QCOMPARE(text3->text(), QStringLiteral("first"));
    QCOMPARE(text6->text(), QStringLiteral("first\r\nsecond"));

    text6->select(0, 5);  // one line moves
    text3->clear();
    drag(text6->viewport(), characterRect(text6, 2).center(), text3);
    QCOMPARE(text3->text(), QStringLiteral("first"));
    QCOMPARE(text6->text(), QStringLiteral("\r\nsecond"));
}

void TestDrag::aDragWithinTheSmsTextMovesIt_data()
{
    QTest::addColumn<int>("selectFrom");
    QTest::addColumn<int>("selectTo");
    QTest::addColumn<int>("dropAt");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("caret");
    QTest::newRow("onto a place after it") << 0 << 2 << 4 << QStringLiteral("+CATSQ\r\nOK") << 4;
    QTest::newRow("onto a place before it") << 3 << 5 << 1 << QStringLiteral("ACST+Q\r\nOK") << 3;
    QTest::newRow("onto the next line") << 0 << 3 << 9 << QStringLiteral("CSQ\r\nOAT+K") << 9;
}

void TestDrag::aDragWithinTheSmsTextMovesIt()
{
    // As in Qt's boxes: the text leaves its place and arrives where it is
    // dropped, once.
    QFETCH(int, selectFrom);
    QFETCH(int, selectTo);
    QFETCH(int, dropAt);
    QFETCH(QString, result);
    QFETCH(int, caret);
    auto *text6 = f->get<CrLfBox>("Text6");
    text6->setText(QStringLiteral("AT+CSQ\r\nOK"));
    text6->select(selectFrom, selectTo);
    const QRect target = characterRect(text6, dropAt);
    drag(text6->viewport(), characterRect(text6, selectFrom).center(), text6->viewport(),
         target.topLeft() + QPoint(1, target.height() / 2));
    QCOMPARE(text6->text(), result);
    QCOMPARE(text6->cursorPosition(), caret);
}

void TestDrag::aPressMovedNoFartherThanTheDragDistanceIsAClick()
{
    // Pressed on the selection and moved no farther than the desktop's drag
    // distance: no drag begins, and the release puts the caret there.
    auto *text6 = f->get<CrLfBox>("Text6");
    const QString text = QStringLiteral("AT+CMGS=\"+4930123456\"");
    text6->setText(text);
    text6->select(0, 8);
    QWidget *view = text6->viewport();
    const QPoint from = characterRect(text6, 2).center();
    const QPoint to = from + QPoint(QApplication::startDragDistance(), 0);
    // A drag, were one begun, would wait for the window system's release.
    QWindow *window = f->form().windowHandle();
    const QPoint released = view->mapTo(&f->form(), to);
    QTimer::singleShot(100, view, [window, released] { QTest::mouseRelease(window, Qt::LeftButton, {}, released); });
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    QCOMPARE(text6->text(), text);
    QVERIFY(!text6->hasSelection());
    QCOMPARE(text6->cursorPosition(), text6->cursorPositionAt(to));
}

void TestDrag::aDropFromAnotherBoxLeavesTheSelection()
{
    // Text moved in from another box lands where it is dropped; what was
    // selected where it lands stays, as in Qt's boxes.
    auto *text2 = f->get<CrLfBox>("Text2");
    auto *text6 = f->get<CrLfBox>("Text6");
    text2->setText(QStringLiteral("OK\r\nRING\r\n"));
    text2->select(0, 2);
    text6->setText(QStringLiteral("ATI"));
    text6->selectAll();
    const QRect target = characterRect(text2, 4);
    drag(text6->viewport(), characterRect(text6, 1).center(), text2->viewport(),
         target.topLeft() + QPoint(1, target.height() / 2));
    QCOMPARE(text2->text(), QStringLiteral("OK\r\nATIRING\r\n"));
    QCOMPARE(text6->text(), QString());  // moved
}

VEXMO_TEST_MAIN(TestDrag)
#include "tst_drag.moc"
