// "What does this mean?" in the log's context menu: offered for a reply the
// standards explain, at the line under the pointer or, from the keyboard,
// at the caret; the explanation shows as a notice at that line, to be read
// and copied; the log stays exactly as it was.

#include "textboxgeometry.h"
#include "testmain.h"
#include "fixture.h"
#include "textbox/crlfbox.h"
#include "widgets/notice.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QClipboard>
#include <QTimer>
#include <QMenu>
#include <QTest>

class TestExplain : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { f.reset(); }
    void aReplyUnderThePointerIsExplained();
    void theMenuKeyExplainsTheLineAtTheCaret();
    void aLineNoStandardExplainsHasNoEntry();

private:
    CrLfBox *text2() const { return f->get<CrLfBox>("Text2"); }
    // The log's context menu, opened as the pointer or the menu key opens it.
    QMenu *openMenu(QContextMenuEvent::Reason reason, qint64 at = -1);
    static QAction *explainEntry(QMenu *menu) { return menu->findChild<QAction *>(QStringLiteral("explain-reply")); }

    std::unique_ptr<ConnectedFixture> f;
};

void TestExplain::init()
{
    f = std::make_unique<ConnectedFixture>(2);
    const QByteArray session = "AT+CSQ\r\r\n+CSQ: 17,99\r\n\r\nOK\r\nAT+CPIN=\"4821\"\r\r\n+CME ERROR: 16\r\n";
    f->modem().write(session);
    QTRY_COMPARE(text2()->length(), session.size());
}

QMenu *TestExplain::openMenu(QContextMenuEvent::Reason reason, qint64 at)
{
    QWidget *target = text2();
    QPoint pos;
    if (reason == QContextMenuEvent::Mouse) {
        target = text2()->viewport();
        pos = characterRect(text2(), at).center();
    }
    QContextMenuEvent event(reason, pos, target->mapToGlobal(pos));
    // Taken by the log: it goes on to no control around it.
    if (!QApplication::sendEvent(target, &event) || !event.isAccepted())
        qFatal("the menu event went on past the log");
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    if (!menu)
        qFatal("no context menu");
    return menu;
}

void TestExplain::aReplyUnderThePointerIsExplained()
{
    text2()->select(2, 6);
    const QString before = text2()->text();
    QMenu *menu = openMenu(QContextMenuEvent::Mouse, 12);  // in "+CSQ: 17,99"
    QAction *explain = explainEntry(menu);
    QVERIFY(explain);
    QCOMPARE(explain->text(), QStringLiteral("What does +CSQ: 17,99 mean?"));
    QCOMPARE(menu->actions().constFirst(), explain);  // the box's own entries follow
    QVERIFY(menu->findChild<QAction *>(QStringLiteral("edit-copy")));
    explain->trigger();
    menu->close();

    const Notice *notice = f->form().notice();
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->text(), QStringLiteral("+CSQ: 17,99\n"
                                            "Signal strength (rssi 17 of 0 to 31): -79 dBm, good.\n"
                                            "Bit error rate (ber 99): not known or not detectable.\n"
                                            "From 3GPP TS 27.007, 8.5, and 45.008, 8.2.4."));
    // At that line: just below it, in the log.
    const QRect line = characterRect(text2(), 12);
    const QPoint top = notice->mapTo(&f->form(), QPoint(0, 0));
    const QPoint lineBottom = text2()->viewport()->mapTo(&f->form(), line.bottomLeft());
    QVERIFY2(top.y() > lineBottom.y() && top.y() <= lineBottom.y() + 4,
             qPrintable(QStringLiteral("%1 under %2").arg(top.y()).arg(lineBottom.y())));
    // To read: it takes clicks, and its menu's Copy takes the whole of it.
    QVERIFY(!notice->testAttribute(Qt::WA_TransparentForMouseEvents));
    QVERIFY(notice->textInteractionFlags() & Qt::TextSelectableByMouse);
    // Its menu's Copy takes it whole.
    QTimer::singleShot(0, [] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (menu && menu->findChild<QAction *>(QStringLiteral("edit-copy")))
            menu->findChild<QAction *>(QStringLiteral("edit-copy"))->trigger();
        if (menu)
            menu->close();
    });
    QContextMenuEvent onNotice(QContextMenuEvent::Mouse, QPoint(5, 5), notice->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(const_cast<Notice *>(notice), &onNotice);
    QCOMPARE(QApplication::clipboard()->text(), notice->text());
    QTest::mouseClick(const_cast<Notice *>(notice), Qt::LeftButton);
    QVERIFY(notice->isVisible());
    // The log is as it was, and shows no tool tip.
    QCOMPARE(text2()->text(), before);
    QCOMPARE(text2()->selectedText(), QStringLiteral("+CSQ"));
    QCOMPARE(text2()->cursorPosition(), qint64(6));
    QCOMPARE(text2()->toolTip(), QString());
    // It goes at the next key.
    QTest::keyClick(text2(), Qt::Key_Shift);
    QVERIFY(!notice->isVisible());
}

void TestExplain::theMenuKeyExplainsTheLineAtTheCaret()
{
    text2()->setCursorPosition(text2()->length() - 3);  // in "+CME ERROR: 16"
    QMenu *menu = openMenu(QContextMenuEvent::Keyboard);
    QAction *explain = explainEntry(menu);
    QVERIFY(explain);
    QCOMPARE(explain->text(), QStringLiteral("What does +CME ERROR: 16 mean?"));
    explain->trigger();
    menu->close();
    QCOMPARE(f->noticeText(), QStringLiteral("+CME ERROR: 16\nError 16: incorrect password.\n"
                                             "From 3GPP TS 27.007, 9.2.1."));
    QCOMPARE(text2()->cursorPosition(), text2()->length() - 3);
    // OK, from the keyboard too.
    text2()->setCursorPosition(25);
    menu = openMenu(QContextMenuEvent::Keyboard);
    QVERIFY(explainEntry(menu));
    QCOMPARE(explainEntry(menu)->text(), QStringLiteral("What does OK mean?"));
    menu->close();
}

void TestExplain::aLineNoStandardExplainsHasNoEntry()
{
    // The echo of a command, an empty line, a line past the end.
    for (qint64 at : {qint64(3), qint64(22), text2()->length()}) {
        QMenu *menu = openMenu(QContextMenuEvent::Mouse, at);
        QVERIFY2(!explainEntry(menu), qPrintable(QString::number(at)));
        QVERIFY(menu->findChild<QAction *>(QStringLiteral("edit-copy")));
        menu->close();
    }
}

VEXMO_TEST_MAIN(TestExplain)
#include "tst_explain.moc"
