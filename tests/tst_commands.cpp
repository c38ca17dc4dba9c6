// Every command button, clicked for real, against the bytes on the wire.

#include "testmain.h"
#include "fixture.h"
#include "pseudoterminal.h"
#include "serialdevice/mscomm.h"
#include "textbox/crlfbox.h"
#include "widgets/notice.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<ConnectedFixture>(6);
        QVERIFY(f->form().comm()->portOpen());
    }
    void cleanup() { f.reset(); }

    void catalogue_data();
    void catalogue();
    void parameterBoxes_data();
    void parameterBoxes();
    void twoPressesWriteTwice();
    void pressesInQuickSuccessionKeepTheirOrder();
    void charactersBeyondLatin1GoOutAsQuestionMarks();
    void aLongPastedParameterGoesOutWhole();
    void pressWhileClosedWritesNothingAndSaysSo();
    void pressAddsNothingToTheLog();

private:
    std::unique_ptr<ConnectedFixture> f;
};

void TestCommands::catalogue_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("wire");
    // The four telling rows in hex, as a line monitor shows them.
    QTest::newRow("Status?") << "Command11" << QByteArray::fromHex("41 54 0d 0a");
    QTest::newRow("Ask which operator?") << "Command1" << QByteArray("AT+COPS?\r\n");
    QTest::newRow("Ask SIM locked?") << "Command14" << QByteArray("AT+CPIN?\r\n");
    QTest::newRow("Set PIN number") << "Command13" << QByteArray("AT+CPIN=\"4821\"\r\n");
    QTest::newRow("Signal Strength?") << "Command21" << QByteArray("AT+CSQ\r\n");
    QTest::newRow("Detail Debug") << "Command24" << QByteArray("AT+CMEE=2\r\n");
    QTest::newRow("Power Supply ?") << "Command15" << QByteArray("AT+CBC\r\n");
    QTest::newRow("Power Down") << "Command22" << QByteArray("AT+CPOWD=1\r\n");
    QTest::newRow("Set SMS Text Mode") << "Command10" << QByteArray::fromHex("41 54 2b 43 4d 47 46 20 3d 20 31 0d 0a");
    QTest::newRow("Ask which mode?") << "Command12" << QByteArray("AT+CMGF?\r\n");
    QTest::newRow("SMS Message Indikcator") << "Command18" << QByteArray("AT+CNMI=2,3\r\n");
    QTest::newRow("Read SMS nr") << "Command17" << QByteArray::fromHex("41 54 2b 43 4d 47 52 3d 31 0d 0a");
    QTest::newRow("Read ALL SMS") << "Command19"
                                   << QByteArray::fromHex("41 54 2b 43 4d 47 4c 3d 22 41 4c 4c 22 0d 0a");
    QTest::newRow("Delete ALL SMS") << "Command20" << QByteArray("AT+CMGDA=\"DEL ALL\"\r\n");
    QTest::newRow("ID notification ON") << "Command4" << QByteArray("AT+CLIP=1\r\n");
    QTest::newRow("Answer Call") << "Command5" << QByteArray("ATA\r\n");
    QTest::newRow("Cancel Call") << "Command6" << QByteArray("ATH\r\n");
    QTest::newRow("Call") << "Command23" << QByteArray("ATD+xxxxxxxx;\r\n");
    QTest::newRow("Send") << "Command8" << QByteArray("AT+COPS?\r\n");
}

void TestCommands::catalogue()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, wire);
    f->click(qPrintable(button));
    QCOMPARE(f->modem().read(wire.size()), wire);
    QCOMPARE(f->modem().readAll(), QByteArray());  // nothing more
    QCOMPARE(f->noticeText(), QString());
}

void TestCommands::parameterBoxes_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("empty index") << "Text8" << "" << "Command17" << QByteArray("AT+CMGR=\r\n");
    QTest::newRow("empty PIN") << "Text4" << "" << "Command13" << QByteArray("AT+CPIN=\"\"\r\n");
    QTest::newRow("empty command") << "Text3" << "" << "Command8" << QByteArray("\r\n");
    QTest::newRow("empty indication") << "Text7" << "" << "Command18" << QByteArray("\r\n");
    QTest::newRow("blank and 3") << "Text8" << " 3" << "Command17" << QByteArray("AT+CMGR= 3\r\n");
    QTest::newRow("quote in PIN") << "Text4" << "12\"34" << "Command13" << QByteArray("AT+CPIN=\"12\"34\"\r\n");
    QTest::newRow("AT by hand") << "Text3" << "AT" << "Command8" << QByteArray("AT\r\n");
    QTest::newRow("trailing blanks") << "Text3" << "ATI  " << "Command8" << QByteArray("ATI  \r\n");
    QTest::newRow("dial without ;") << "Text9" << "+4912345" << "Command23" << QByteArray("ATD+4912345\r\n");
    QTest::newRow("indication") << "Text7" << "AT+CNMI=2,1,0,0,0" << "Command18"
                                << QByteArray("AT+CNMI=2,1,0,0,0\r\n");
}

void TestCommands::parameterBoxes()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, button);
    QFETCH(QByteArray, wire);
    auto *edit = f->get<QLineEdit>(qPrintable(box));
    edit->clear();
    QTest::keyClicks(edit, text);  // typed, as a user would
    f->click(qPrintable(button));
    QCOMPARE(f->modem().read(wire.size()), wire);
    QCOMPARE(f->modem().readAll(), QByteArray());
}

void TestCommands::twoPressesWriteTwice()
{
    f->click("Command21");
    f->click("Command21");
    QCOMPARE(f->modem().read(16), QByteArray("AT+CSQ\r\nAT+CSQ\r\n"));
}

void TestCommands::pressesInQuickSuccessionKeepTheirOrder()
{
    QByteArray expected;
    for (const char *button : {"Command11", "Command5", "Command6", "Command1", "Command11"})
        f->click(button);
    expected = "AT\r\nATA\r\nATH\r\nAT+COPS?\r\nAT\r\n";
    QCOMPARE(f->modem().read(expected.size()), expected);
}

void TestCommands::charactersBeyondLatin1GoOutAsQuestionMarks()
{
    // The bytes stay as peers know them, and the user is told once.
    auto *text9 = f->get<QLineEdit>("Text9");
    text9->setText(QStringLiteral("+49\u20ac\U0001F600\u4e2d"));  // €, an emoji, 中
    f->click("Command23");
    QCOMPARE(f->modem().read(11), QByteArray("ATD+49???\r\n"));
    QCOMPARE(f->noticeText(), QStringLiteral("3 characters cannot be sent on the serial line and went out as ?"));
    QCOMPARE(f->form().notice()->anchor(), f->get("Command23"));
    auto *text3 = f->get<QLineEdit>("Text3");
    text3->setText(QStringLiteral("AT+X=\u00e9\u20ac"));  // é is Latin-1 and goes out as itself
    f->click("Command8");
    QCOMPARE(f->modem().read(9), QByteArray("AT+X=\xe9?\r\n"));
    QCOMPARE(f->noticeText(), QStringLiteral("1 character cannot be sent on the serial line and went out as ?"));
}

void TestCommands::aLongPastedParameterGoesOutWhole()
{
    // Past QLineEdit's own limit of 32,767 characters.
    const QByteArray command = "AT+X=" + QByteArray(40000, '7');
    QApplication::clipboard()->setText(QString::fromLatin1(command));
    auto *text3 = f->get<QLineEdit>("Text3");
    text3->clear();
    text3->paste();
    f->click("Command8");
    QCOMPARE(f->modem().read(command.size() + 2), command + "\r\n");
}

void TestCommands::pressWhileClosedWritesNothingAndSaysSo()
{
    f->click("Command3");  // Disconnect
    QVERIFY(!f->form().comm()->portOpen());
    f->click("Command21");
    QCOMPARE(f->noticeText(), QStringLiteral("not connected: press Connect first"));
    QCOMPARE(f->form().notice()->anchor(), f->get("Command21"));
    QCOMPARE(f->get<CrLfBox>("Text2")->text(), QString());
    // Connecting again, the next press goes out and nothing of the earlier one.
    f->click("Command2");
    f->click("Command11");
    QCOMPARE(f->modem().read(4), QByteArray("AT\r\n"));
    QCOMPARE(f->modem().readAll(), QByteArray());
}

void TestCommands::pressAddsNothingToTheLog()
{
    f->click("Command1");
    QCOMPARE(f->modem().read(10), QByteArray("AT+COPS?\r\n"));
    QCOMPARE(f->get<CrLfBox>("Text2")->text(), QString());
}

VEXMO_TEST_MAIN(TestCommands)
#include "tst_commands.moc"
