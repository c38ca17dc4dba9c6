// The single-line boxes hold one line, so that one press writes one line:
// what a paste brings after its first line is left out and said, and pastes
// do not pile up in a box's undo history.

#include "testmain.h"
#include "fixture.h"
#include "processstats.h"
#include "pseudoterminal.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

class TestOneLine : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    void aPastedLineBreakSendsOneLine();
    void everyWayInKeepsOneLine_data();
    void everyWayInKeepsOneLine();
    void pastesDoNotPileUp();

private:
    std::unique_ptr<Fixture> f;
};

void TestOneLine::aPastedLineBreakSendsOneLine()
{
    Pty modem;
    f->connectTo(2, modem);
    auto *text3 = f->get<QLineEdit>("Text3");
    text3->clear();
    QApplication::clipboard()->setText(QStringLiteral("AT\r\nATD123;"));
    text3->setFocus();
    QTest::keySequence(text3, QKeySequence::Paste);
    QCOMPARE(text3->text(), QStringLiteral("AT"));
    QTRY_VERIFY(f->noticeText().contains(QLatin1String("ATD123;")));
    f->click("Command8");
    QCOMPARE(modem.read(4), QByteArray("AT\r\n"));
    QCOMPARE(modem.readAll(), QByteArray());
}

void TestOneLine::pastesDoNotPileUp()
{
    // 1 MB pasted over itself again and again: the box's undo history does
    // not keep each, so memory levels off (once the box's own cost is paid).
    auto *text3 = f->get<QLineEdit>("Text3");
    text3->setFocus();
    QApplication::clipboard()->setText(QString(1'000'000, u'7'));
    const auto pasteOver = [text3](int times) {
        for (int i = 0; i < times; ++i) {
            QTest::keySequence(text3, QKeySequence::SelectAll);
            QTest::keySequence(text3, QKeySequence::Paste);
            QCoreApplication::processEvents();
        }
    };
    pasteOver(3);
    const double before = ProcessStats::residentMb();
    pasteOver(6);
    QVERIFY2(ProcessStats::residentMb() - before < 20, qPrintable(QString::number(ProcessStats::residentMb() - before)));
}

void TestOneLine::everyWayInKeepsOneLine_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("the paste key") << QStringLiteral("key");
    QTest::newRow("the context menu's Paste") << QStringLiteral("menu");
    QTest::newRow("an input method") << QStringLiteral("input method");
}

void TestOneLine::everyWayInKeepsOneLine()
{
    // Into the middle of a line: what came keeps its first line, the text
    // on either side stays, the caret ends after what was kept, and undo
    // takes back what was kept without ever bringing the other lines.
    QFETCH(QString, way);
    auto *text3 = f->get<QLineEdit>("Text3");
    text3->setText(QStringLiteral("AT+CSQ"));
    text3->setFocus();
    text3->setCursorPosition(2);
    const QString incoming = QStringLiteral("D123;\r\nATH\r\n");
    QApplication::clipboard()->setText(incoming);
    if (way == QLatin1String("key")) {
        QTest::keySequence(text3, QKeySequence::Paste);
    } else if (way == QLatin1String("menu")) {
        // The menu the right button opens, as the user meets it.
        QTimer::singleShot(0, text3, [] {
            QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QAction *paste = menu ? menu->findChild<QAction *>(QStringLiteral("edit-paste")) : nullptr;
            if (paste)
                paste->trigger();
            if (menu)
                menu->close();
        });
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5), text3->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(text3, &rightClick);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(incoming);
        QCoreApplication::sendEvent(text3, &commit);
    }
    QCOMPARE(text3->text(), QStringLiteral("ATD123;+CSQ"));
    QCOMPARE(text3->cursorPosition(), 7);
    QTRY_COMPARE(f->noticeText(), QStringLiteral("Only the first line was kept, so that Send writes one line. Left out:\nATH"));
    text3->undo();
    QCOMPARE(text3->text(), QStringLiteral("AT+CSQ"));
    text3->redo();
    QCOMPARE(text3->text(), QStringLiteral("ATD123;+CSQ"));
}

VEXMO_TEST_MAIN(TestOneLine)
#include "tst_oneline.moc"
