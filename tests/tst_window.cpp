// The window as its table (src/app/inventory.cpp) gives it: places,
// texts, fonts, colours, focus, start-up.

#include "testmain.h"
#include "app/inventory.h"
#include "fixture.h"
#include "serialdevice/mscomm.h"
#include "textbox/crlfbox.h"
#include "widgets/notice.h"

#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextEdit>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTimer>

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    void clientAreaAndCaption();
    void placesAndSizes_data();
    void placesAndSizes();
    void everyControlInsideItsContainerWithoutOverlap();
    void textsKeepTheirBlanks();
    void toolTipsArePlainText();
    void fonts();
    void connectIsLightRedOnScreen();
    void everyTextFits();
    void thePortMapIsWholeFromTheStart();
    void stateAfterStartUp();
    void tabChainFollowsTheTabIndex();
    void enterPressesNoButton();
    void resizingMovesNothing();
    void typedPortNameAddsNoEntry();
    void exitWithPortClosedEndsTheProgram();
    void eachControlIsItsMember();

private:
    std::unique_ptr<Fixture> f;
};

void TestWindow::clientAreaAndCaption()
{
    QCOMPARE(f->form().size(), QSize(940, 599));  // 14100 x 8985 twips
    QVERIFY(f->form().windowTitle().startsWith(QStringLiteral("Vexmo AT Command (")));
    QVERIFY(f->form().windowTitle().endsWith(QLatin1Char(')')));
    QVERIFY(!f->form().windowIcon().pixmap(32).isNull());  // the picture itself, linked in
}

void TestWindow::placesAndSizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    // A sample from each container, in the table's twips.
    QTest::newRow("Text2") << "Text2" << QRect(120, 120, 5715, 8655);
    QTest::newRow("Text1") << "Text1" << QRect(9660, 6720, 4335, 1275);
    QTest::newRow("Frame5") << "Frame5" << QRect(5940, 5580, 3975, 915);
    QTest::newRow("Command13") << "Command13" << QRect(180, 1680, 1695, 315);
    QTest::newRow("Text3") << "Text3" << QRect(2460, 600, 1335, 285);
    QTest::newRow("Combo1") << "Combo1" << QRect(240, 420, 1020, 315);
    QTest::newRow("Command2") << "Command2" << QRect(1500, 420, 825, 315);
    QTest::newRow("Label2") << "Label2" << QRect(2520, 120, 855, 195);
    QTest::newRow("Text6") << "Text6" << QRect(360, 1440, 3375, 705);
    QTest::newRow("Text9") << "Text9" << QRect(2040, 1380, 1575, 285);
}

void TestWindow::placesAndSizes()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    const QWidget *w = f->get(qPrintable(name));
    QCOMPARE(w->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
}

void TestWindow::everyControlInsideItsContainerWithoutOverlap()
{
    const auto &table = Inventory::controls();
    QCOMPARE(int(table.size()), 44);  // and Timer3, MSComm1
    for (const auto &c : table) {
        for (int v : {c.left, c.top, c.width, c.height})
            QCOMPARE(v % 15, 0);
        const QWidget *w = f->get(c.name);
        QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), c.name);
        for (const auto &other : table) {
            if (&other != &c && other.container == c.container)
                QVERIFY2(!w->geometry().intersects(f->get(other.name)->geometry()), c.name);
        }
    }
    // The right column lines up on the frames' right edge.
    QCOMPARE(f->get("Text1")->geometry().right(), f->get("Frame2")->geometry().right());
    QVERIFY(!f->form().findChild<QWidget *>(QStringLiteral("Timer3")));  // never on screen
    QVERIFY(!f->form().findChild<QWidget *>(QStringLiteral("MSComm1")));
}

void TestWindow::textsKeepTheirBlanks()
{
    QCOMPARE(f->get<QGroupBox>("Frame3")->title(), QStringLiteral("General "));
    QCOMPARE(f->get<QGroupBox>("Frame6")->title(), QStringLiteral("Send any Commando"));
    QCOMPARE(f->get<QPushButton>("Command15")->text(), QStringLiteral("Power Supply ?"));
    QCOMPARE(f->get<QPushButton>("Command18")->text(), QStringLiteral("SMS Message Indikcator"));
    QCOMPARE(f->get("Command23")->toolTip(), QStringLiteral("ATD xxxxxxxx; "));
    QCOMPARE(f->get("Text3")->toolTip(), QStringLiteral("Enter you command here  CR and LF is sent automatically"));
    QVERIFY(f->get("Command14")->toolTip().startsWith(QStringLiteral("AT+CPIN?    +CPIN: READY  (")));
    QVERIFY(f->get("Command12")->toolTip().startsWith(QStringLiteral("AT+CMGF?    +CMGF: 1  (")));
    QVERIFY(f->get("Command13")->toolTip().startsWith(QStringLiteral("AT+CPIN=\"****\"     If")));
    QCOMPARE(f->get("Command24")->toolTip(), QStringLiteral("AT+CMEE=2 (gives detailed error information )"));
    QCOMPARE(f->get<QLineEdit>("Text4")->text(), QStringLiteral("4821"));
    QCOMPARE(f->get<QLineEdit>("Text5")->text(), QStringLiteral("+xxxxxxxxxx"));
    QCOMPARE(f->get<CrLfBox>("Text6")->text(), QStringLiteral("Hello World!\r\n"));
    QCOMPARE(f->get<CrLfBox>("Text6")->rowCount(), 2);
    QCOMPARE(f->get<QTextEdit>("Text1")->document()->blockCount(), 6);

    // Tool tips only where the table gives them.
    for (const char *none : {"Text1", "Text2", "Text4", "Combo1", "Command25", "Command7", "Label1", "Frame3"})
        QVERIFY2(f->get(none)->toolTip().isEmpty(), none);
}

void TestWindow::toolTipsArePlainText()
{
    // "<rssi>" and runs of blanks must show as they are, not as markup.
    for (const auto &c : Inventory::controls())
        QVERIFY2(!Qt::mightBeRichText(c.toolTip), c.name);
    QCOMPARE(f->get("Command21")->toolTip(), QStringLiteral("AT+CSQ  (+CSQ: <rssi>,<ber>)"));
}

void TestWindow::fonts()
{
    const QStringList sans{QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
    for (const char *label : {"Label1", "Label2", "Label3"}) {
        const QFont font = f->get(label)->font();
        QCOMPARE(font.pointSizeF(), 8.25);
        QCOMPARE(font.weight(), QFont::Normal);
        QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
        QVERIFY2(sans.contains(QFontInfo(font).family()), qPrintable(QFontInfo(font).family()));
    }
    const QFont notice = f->get("Text1")->font();
    QCOMPARE(notice.pointSizeF(), 9.75);
    QVERIFY(QFontInfo(notice).fixedPitch());
}

void TestWindow::connectIsLightRedOnScreen()
{
    QCOMPARE(f->connectColor(), QColor(255, 192, 192));
    // Every other button keeps the style's own colours.
    const QImage other = f->get("Command3")->grab().toImage();
    QVERIFY(other.pixelColor(4, other.height() / 2) != QColor(255, 192, 192));
}

void TestWindow::everyTextFits()
{
    // Run at several scale factors and under a forced style too (see the
    // tests' CMakeLists): every caption and initial text fits its control.
    for (auto *button : f->form().findChildren<QPushButton *>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        QVERIFY2(text.width() <= room.width() && text.height() <= room.height(), qPrintable(button->text()));
    }
    for (auto *label : f->form().findChildren<QLabel *>()) {
        if (label == f->form().notice())
            continue;
        QVERIFY2(label->fontMetrics().size(0, label->text()).width() <= label->width(), qPrintable(label->text()));
        QVERIFY2(label->fontMetrics().height() <= label->height(), qPrintable(label->text()));
    }
    for (auto *frame : f->form().findChildren<QGroupBox *>()) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect label = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, frame);
        QVERIFY2(label.width() >= frame->fontMetrics().horizontalAdvance(frame->title()), qPrintable(frame->title()));
        QVERIFY2(frame->rect().contains(label), qPrintable(frame->title()));
    }
    constexpr int lineEditMargin = 2;  // QLineEdit keeps this much clear on each side of its text
    for (auto *edit : f->form().findChildren<QLineEdit *>()) {
        if (qobject_cast<QComboBox *>(edit->parentWidget()))
            continue;
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
        const QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        QVERIFY2(edit->fontMetrics().horizontalAdvance(edit->text()) <= room.width() - 2 * lineEditMargin,
                 qPrintable(edit->text()));
        QVERIFY2(edit->fontMetrics().height() <= room.height(), qPrintable(edit->text()));
    }
    auto *combo = f->get<QComboBox>("Combo1");
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i)
        QVERIFY2(combo->fontMetrics().horizontalAdvance(combo->itemText(i)) <= field.width() - 2 * lineEditMargin,
                 qPrintable(combo->itemText(i)));
    QVERIFY(combo->fontMetrics().height() <= field.height());
    // The port map notice's six lines, and the message's first line.
    auto *text1 = f->get<QTextEdit>("Text1");
    QVERIFY(text1->document()->idealWidth() <= text1->viewport()->width());
    const QRectF lastLine = text1->document()->documentLayout()->blockBoundingRect(text1->document()->lastBlock());
    QVERIFY2(lastLine.top() + text1->fontMetrics().height() <= text1->viewport()->height(),
             qPrintable(QString::number(lastLine.top())));
    auto *text6 = f->get<CrLfBox>("Text6");
    QVERIFY(text6->fontMetrics().horizontalAdvance(QStringLiteral("Hello World!")) <= text6->viewport()->width() - 8);
}

void TestWindow::thePortMapIsWholeFromTheStart()
{
    // Before any scan, the ports this run points elsewhere show; each line
    // fits the box, a long one shortened in its middle; and no item shows
    // in part: where the hint on links has no room for both its lines, it
    // is left out.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QDir(config.path()).mkpath(QStringLiteral("vexmo-at/ports"));
    QVERIFY(QFile::link(QStringLiteral("/dev/ttyUSB9"), config.filePath(QStringLiteral("vexmo-at/ports/com3"))));
    CommandLineOptions options;
    options.ports.insert(1, QStringLiteral("/dev/serial/by-id/usb-Quectel_EG25-G_0123456789-if02-port0"));
    Form1 form(options);
    auto *text1 = form.findChild<QTextEdit *>(QStringLiteral("Text1"));
    const QStringList lines = text1->toPlainText().split(u'\n');
    QCOMPARE(lines.size(), 6);
    QVERIFY2(lines.at(0).startsWith(QLatin1String("Com1 /dev/serial/")) && lines.at(0).contains(QChar(0x2026))
                 && lines.at(0).endsWith(QLatin1String(" (--port)")),
             qPrintable(lines.at(0)));
    QCOMPARE(lines.mid(1), QStringList({"Com3 -> /dev/ttyUSB9", "Com1-4   /dev/ttyS0-3", "Com5-8   /dev/ttyUSB0-3",
                                        "Com9-12  /dev/ttyACM0-3", "Com13-15 /dev/rfcomm0-2"}));
    const int room = text1->contentsRect().width() - 2 * int(text1->document()->documentMargin());
    for (const QString &line : lines)
        QVERIFY2(text1->fontMetrics().horizontalAdvance(line) <= room, qPrintable(line));
    // With no port pointed elsewhere, the hint has its two lines.
    options.ports.remove(1);
    QFile::remove(config.filePath(QStringLiteral("vexmo-at/ports/com3")));
    Form1 plain(options);
    QCOMPARE(plain.findChild<QTextEdit *>(QStringLiteral("Text1"))->toPlainText().split(u'\n').mid(4),
             QStringList({"Any other: a link named", "~/.config/vexmo-at/ports/comN"}));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(f->configDir()));
}

void TestWindow::stateAfterStartUp()
{
    auto *combo = f->get<QComboBox>("Combo1");
    QCOMPARE(combo->count(), 15);
    QCOMPARE(combo->itemText(0), QStringLiteral("Com1"));
    QCOMPARE(combo->itemText(14), QStringLiteral("Com15"));
    QCOMPARE(combo->itemText(9), QStringLiteral("Com10"));
    QCOMPARE(combo->itemData(9).toInt(), 10);
    for (int i = 0; i < 15; ++i)
        QCOMPARE(combo->itemData(i).toInt(), i + 1);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->currentText(), QStringLiteral("Com1"));
    QCOMPARE(f->get<CrLfBox>("Text2")->text(), QString());
    QVERIFY(!f->form().comm()->portOpen());
    auto *timer = f->form().findChild<QTimer *>(QStringLiteral("Timer3"));
    QVERIFY(timer && !timer->isActive());
    QCOMPARE(timer->interval(), 500);
    QCOMPARE(QApplication::focusWidget(), f->get("Text2"));
}

void TestWindow::tabChainFollowsTheTabIndex()
{
    const QStringList order = QStringLiteral(
        "Text2 Text6 Text5 Command16 Text7 Command18 Command17 Text8 Command19 Command20 Command10 "
        "Command12 Command22 Command15 Command21 Command11 Text4 Command13 Command1 Command14 Command7 "
        "Command4 Command5 Command6 Combo1 Command2 Command3 Text1 Text3 Command8 Command9 Text9 "
        "Command23 Command24 Command25 Text2").split(QLatin1Char(' '));
    auto focused = [] {
        QWidget *w = QApplication::focusWidget();
        if (w && qobject_cast<QComboBox *>(w->parentWidget()))
            w = w->parentWidget();  // the port list's own text field
        return w ? w->objectName() : QString();
    };
    QCOMPARE(focused(), order.first());
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focused(), order.at(i));
    }
    // Tab in a multi-line box moves on rather than typing a tab.
    QCOMPARE(f->get<CrLfBox>("Text2")->text(), QString());
    for (int i = order.size() - 2; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(focused(), order.at(i));
    }
}

void TestWindow::enterPressesNoButton()
{
    for (auto *button : f->form().findChildren<QPushButton *>())
        QVERIFY(!button->isDefault() && !button->autoDefault());
    auto *text4 = f->get<QLineEdit>("Text4");
    text4->setFocus();
    QTest::keyClick(text4, Qt::Key_Return);
    QVERIFY(!f->form().notice()->isVisible());  // no command was attempted
}

void TestWindow::resizingMovesNothing()
{
    const QRect before = f->get("Text1")->geometry();
    f->form().resize(1400, 900);
    QCOMPARE(f->get("Text1")->geometry(), before);
    f->form().resize(300, 200);
    QCOMPARE(f->get("Text1")->geometry(), before);
}

void TestWindow::typedPortNameAddsNoEntry()
{
    auto *combo = f->get<QComboBox>("Combo1");
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("Com99"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(combo->count(), 15);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->currentText(), QStringLiteral("Com1"));  // the field shows what Connect would open

    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("com7"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(combo->count(), 15);
    QCOMPARE(combo->currentData().toInt(), 7);
}

void TestWindow::exitWithPortClosedEndsTheProgram()
{
    f->click("Command7");
    QVERIFY(!f->form().isVisible());
    QVERIFY(!f->form().comm()->portOpen());
}

void TestWindow::eachControlIsItsMember()
{
    // The window's struct holds every control of the table, each under its
    // own name, and nothing else.
    const auto &table = Inventory::controls();
    QCOMPARE(sizeof(Form1Ui) / sizeof(void *), table.size());
    for (const auto &c : table) {
        const QWidget *member = std::visit([this](auto slot) -> const QWidget * { return f->form().ui().*slot; }, c.slot);
        QVERIFY2(member && member == f->get(c.name), c.name);
        if (c.container)
            QCOMPARE(member->parentWidget(), f->form().ui().*c.container);
    }
}

VEXMO_TEST_MAIN(TestWindow)
#include "tst_window.moc"
