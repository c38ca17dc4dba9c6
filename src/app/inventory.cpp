#include "app/inventory.h"

#include "serialdevice/portmap.h"
#include "textbox/crlfbox.h"
#include "widgets/oneline.h"
#include "widgets/style.h"
#include "widgets/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <algorithm>
#include <limits>
#include <map>

namespace Inventory {

namespace {

// Text1 tells the user where each Com number leads, one family a line, until
// the ports as they are now are known.
QString portNotice()
{
    return (PortMap::familyLines() + PortMap::linkLines()).join(QLatin1Char('\n'));
}

// Six lines of the notice's font at its natural spacing are taller than
// the box.
constexpr int noticeLineHeightPercent = 85;

// The frame's line runs through the middle of its caption, and the
// controls' coordinates start at the frame's top-left corner.
const QString frameStyle = QStringLiteral(
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }");

// What each box holds, as a screen reader says it; buttons, frames and
// labels speak their captions.
const std::map<QString, QString> &spokenNames()
{
    static const std::map<QString, QString> names = {
        {QStringLiteral("Text2"), QStringLiteral("Receive log")},
        {QStringLiteral("Text4"), QStringLiteral("SIM PIN")},
        {QStringLiteral("Text5"), QStringLiteral("SMS number")},
        {QStringLiteral("Text6"), QStringLiteral("SMS text")},
        {QStringLiteral("Text8"), QStringLiteral("SMS index")},
        {QStringLiteral("Text7"), QStringLiteral("New-message indication command")},
        {QStringLiteral("Text9"), QStringLiteral("Dial string")},
        {QStringLiteral("Text3"), QStringLiteral("Free command")},
        {QStringLiteral("Text1"), QStringLiteral("Port map notice")},
        {QStringLiteral("Combo1"), QStringLiteral("Serial port")},
    };
    return names;
}

// One maker for each kind of control, chosen by the type of its member.
QGroupBox *create(QGroupBox *Form1Ui::*, const Control &c, QWidget *parent)
{
    auto *frame = new QGroupBox(c.text, parent);
    frame->setStyleSheet(frameStyle);
    return frame;
}

QPushButton *create(QPushButton *Form1Ui::*, const Control &c, QWidget *parent)
{
    auto *button = new QPushButton(c.text, parent);
    button->setAutoDefault(false);  // Enter presses no button
    return button;
}

QLineEdit *create(QLineEdit *Form1Ui::*, const Control &c, QWidget *parent)
{
    auto *box = new OneLine(c.text, parent);
    box->setMaxLength(std::numeric_limits<int>::max());  // the table sets no limit; Qt's is 32,767
    return box;
}

CrLfBox *create(CrLfBox *Form1Ui::*, const Control &c, QWidget *parent)
{
    auto *box = new CrLfBox(parent);
    box->setText(c.text);
    return box;
}

// The box that only shows a notice keeps its lines close enough for six
// of them to fit.
QTextEdit *create(QTextEdit *Form1Ui::*, const Control &c, QWidget *parent)
{
    auto *box = new QTextEdit(parent);
    box->setTabChangesFocus(true);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setAcceptRichText(false);
    box->setPlainText(c.text);
    QTextCursor all(box->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat spacing;
    spacing.setLineHeight(noticeLineHeightPercent, QTextBlockFormat::ProportionalHeight);
    all.mergeBlockFormat(spacing);
    return box;
}

QLabel *create(QLabel *Form1Ui::*, const Control &c, QWidget *parent)
{
    auto *label = new QLabel(c.text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QComboBox *create(QComboBox *Form1Ui::*, const Control &, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(true);
    // Typed text never becomes an entry: every entry carries a port number.
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

} // namespace

const std::vector<Control> &controls()
{
    using U = Form1Ui;
    using F = Face;
// A control's name and its member, which are the same word.
#define CONTROL(member) #member, &U::member
    static const std::vector<Control> table = {
        {CONTROL(Text2), nullptr, "", "", 120, 120, 5715, 8655, 0},
        {CONTROL(Command25), nullptr, "Clear text", "", 6060, 6720, 855, 315, 43},
        {CONTROL(Command7), nullptr, "Exit", "", 7140, 6720, 855, 315, 25},
        {CONTROL(Text1), nullptr, portNotice(), "", 9660, 6720, 4335, 1275, 34, F::Mono},
        {CONTROL(Frame3), nullptr, "General ", "", 5940, 60, 3975, 3675, 16},
        {CONTROL(Frame6), nullptr, "Send any Commando", "", 5940, 3840, 3975, 1635, 35},
        {CONTROL(Frame5), nullptr, "Communication", "", 5940, 5580, 3975, 915, 30},
        {CONTROL(Frame2), nullptr, "Receive SMS", "", 10020, 60, 3975, 2175, 6},
        {CONTROL(Frame1), nullptr, "Send SMS", "", 10020, 2340, 3975, 2295, 1},
        {CONTROL(Frame4), nullptr, "Call", "", 10020, 4740, 3975, 1815, 26},

        {CONTROL(Command11), &U::Frame3, "Status?", "AT", 1980, 300, 1695, 315, 20},
        {CONTROL(Command1), &U::Frame3, "Ask which operator?", "AT+COPS?", 1980, 720, 1695, 315, 23},
        {CONTROL(Command14), &U::Frame3, "Ask SIM locked?",
         "AT+CPIN?    +CPIN: READY  (If your response contains this, then it means SIM is unlocked and ready)",
         1980, 1140, 1695, 315, 24},
        {CONTROL(Command13), &U::Frame3, "Set PIN number",
         "AT+CPIN=\"****\"     If the SIM card is locked with PIN (**** is the pin number)",
         180, 1680, 1695, 315, 22},
        {CONTROL(Text4), &U::Frame3, "4821", "", 2040, 1680, 1695, 285, 21},
        {CONTROL(Command21), &U::Frame3, "Signal Strength?", "AT+CSQ  (+CSQ: <rssi>,<ber>)",
         2040, 2160, 1695, 315, 19},
        {CONTROL(Command24), &U::Frame3, "Detail Debug", "AT+CMEE=2 (gives detailed error information )",
         240, 2640, 1695, 315, 42},
        {CONTROL(Command15), &U::Frame3, "Power Supply ?", "AT+CBC (Check power Supply)",
         2040, 2640, 1695, 315, 18},
        {CONTROL(Command22), &U::Frame3, "Power Down", "AT+CPOWD=1  (This command will shut down the Vexmo)",
         2040, 3120, 1695, 315, 17},

        {CONTROL(Label3), &U::Frame6, "Command", "", 2580, 300, 855, 195, 38},
        {CONTROL(Command8), &U::Frame6, "Send", "Send any command", 120, 600, 1935, 315, 37},
        {CONTROL(Text3), &U::Frame6, "AT+COPS?", "Enter you command here  CR and LF is sent automatically",
         2460, 600, 1335, 285, 36},
        {CONTROL(Command9), &U::Frame6, "Send (CTRL+Z) or chr 26",
         "Special Char used with sending SMS, see datasheet for more details", 120, 1020, 1935, 315, 39},

        {CONTROL(Combo1), &U::Frame5, "", "", 240, 420, 1020, 315, 31},
        {CONTROL(Command2), &U::Frame5, "Connect", "Connect COMPort to Bluetooth", 1500, 420, 825, 315, 32},
        {CONTROL(Command3), &U::Frame5, "Disconnect", "Disconnect COMPort from Bluetooth",
         2460, 420, 1080, 315, 33},

        {CONTROL(Label2), &U::Frame2, "Parameter", "", 2520, 120, 855, 195, 8},
        {CONTROL(Command18), &U::Frame2, "SMS Message Indikcator", "AT+CNMI=2,3  (Change indication)",
         120, 360, 1935, 315, 9},
        {CONTROL(Text7), &U::Frame2, "AT+CNMI=2,3", "", 2160, 360, 1575, 285, 7},
        {CONTROL(Command17), &U::Frame2, "Read SMS nr", "AT+CMGR= * (Where * is the SMS nr)",
         120, 840, 1935, 315, 10},
        {CONTROL(Text8), &U::Frame2, "1", "", 2160, 840, 1575, 285, 11},
        {CONTROL(Command19), &U::Frame2, "Read ALL SMS", "AT+CMGL=\"ALL\"", 120, 1260, 1935, 315, 12},
        {CONTROL(Command20), &U::Frame2, "Delete ALL SMS", "AT+CMGDA=\"DEL ALL\"", 120, 1680, 1935, 315, 13},

        {CONTROL(Command10), &U::Frame1, "Set SMS Text Mode", "AT+CMGF=1", 240, 300, 1695, 315, 14},
        {CONTROL(Command12), &U::Frame1, "Ask which mode?",
         "AT+CMGF?    +CMGF: 1  (If your response contains this, then it means SIM is text mode)",
         2040, 300, 1695, 315, 15},
        {CONTROL(Label1), &U::Frame1, "Number", "", 2580, 720, 855, 195, 5},
        {CONTROL(Command16), &U::Frame1, "Send SMS", "AT+CMGS=\"Your text\"", 240, 960, 1695, 315, 4},
        {CONTROL(Text5), &U::Frame1, "+xxxxxxxxxx", "", 2040, 960, 1695, 285, 3},
        {CONTROL(Text6), &U::Frame1, "Hello World!\r\n", "", 360, 1440, 3375, 705, 2},

        {CONTROL(Command4), &U::Frame4, "ID notification ON", "AT+CLIP=1 (turn on caller ID notification)",
         120, 300, 1695, 315, 27},
        {CONTROL(Command5), &U::Frame4, "Answer Call", "ATA (Answer incomming call)", 120, 780, 1695, 315, 28},
        {CONTROL(Command6), &U::Frame4, "Cancel Call", "ATH (Cancel call)", 1980, 780, 1695, 315, 29},
        {CONTROL(Command23), &U::Frame4, "Call", "ATD xxxxxxxx; ", 120, 1380, 1695, 315, 41},
        {CONTROL(Text9), &U::Frame4, "+xxxxxxxx;", "", 2040, 1380, 1575, 285, 40},
    };
#undef CONTROL
    return table;
}

void build(QWidget *form, Form1Ui &ui)
{
    std::vector<std::pair<int, QWidget *>> focusOrder;
    for (const Control &c : controls()) {
        QWidget *parent = c.container ? ui.*c.container : form;
        QWidget *widget = std::visit(
            [&](auto member) -> QWidget * { return ui.*member = create(member, c, parent); }, c.slot);
        widget->setObjectName(QString::fromLatin1(c.name));
        widget->setGeometry(Widgets::pixelRect(c.left, c.top, c.width, c.height));
        widget->setToolTip(c.toolTip);
        const auto spoken = spokenNames().find(widget->objectName());
        widget->setAccessibleName(spoken != spokenNames().end() ? spoken->second : c.text);
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            combo->lineEdit()->setAccessibleName(widget->accessibleName());  // what has the focus
        // Each control holds its font itself (the window's default is the
        // labels' Arial): a desktop theme that changes the application's font
        // once the window shows, as qt6ct does, would otherwise reach every
        // control a style sheet polishes again, and the table's sizes would not fit.
        widget->setFont(c.face == Face::Mono ? Widgets::monoFont() : Widgets::sansFont());
        if (widget->focusPolicy() != Qt::NoFocus)
            focusOrder.emplace_back(c.tabIndex, widget);
    }
    std::sort(focusOrder.begin(), focusOrder.end());
    for (size_t i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
}

} // namespace Inventory
