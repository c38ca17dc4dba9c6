// Text dragged with the mouse out of the log onto other boxes, as a user
// drags it, in the real window on a real X server: received text never
// leaves the log, and a drop that a single-line box must cut to one line
// leaves its source whole.

#include "testmain.h"
#include "fixture.h"
#include "textbox/crlfbox.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWindow>

class TestDrag : public QObject
{
    Q_OBJECT
private slots:
    void init() { f = std::make_unique<ConnectedFixture>(9); }
    void cleanup() { f.reset(); }
    void aDragOutOfTheLogCopies_data();
    void aDragOutOfTheLogCopies();
    void aDropCutToOneLineIsACopy();

private:
    // Drags the text from `from` (in the source's viewport) onto the middle
    // of `target`, with the mouse buttons of the window system.
    void drag(QWidget *source, QPoint from, QWidget *target);

    std::unique_ptr<ConnectedFixture> f;
};

void TestDrag::drag(QWidget *source, QPoint from, QWidget *target)
{
    QWindow *window = f->form().windowHandle();
    const QPoint to = target->mapTo(&f->form(), target->rect().center());
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
    drag(log->viewport(), log->characterRect(3).center(), to);
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
    drag(text6->viewport(), text6->characterRect(2).center(), text3);
    QCOMPARE(text3->text(), QStringLiteral("first"));
    QCOMPARE(text6->text(), QStringLiteral("first\r\nsecond"));

    text6->select(0, 5);  // one line moves
    text3->clear();
    drag(text6->viewport(), text6->characterRect(2).center(), text3);
    QCOMPARE(text3->text(), QStringLiteral("first"));
    QCOMPARE(text6->text(), QStringLiteral("\r\nsecond"));
}

VEXMO_TEST_MAIN(TestDrag)
#include "tst_drag.moc"
