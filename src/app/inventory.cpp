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

QWidget *create(const Control &c, QWidget *parent)
{
    switch (c.kind) {
    case Kind::Frame: {
        auto *frame = new QGroupBox(c.text, parent);
        frame->setStyleSheet(frameStyle);
        return frame;
    }
    case Kind::Button: {
        auto *button = new QPushButton(c.text, parent);
        button->setAutoDefault(false);  // Enter presses no button
        return button;
    }
    case Kind::TextBox: {
        auto *box = new OneLine(c.text, parent);
        box->setMaxLength(std::numeric_limits<int>::max());  // the table sets no limit; Qt's is 32,767
        return box;
    }
    case Kind::MultiLineTextBox: {
        auto *box = new CrLfBox(parent);
        box->setText(c.text);
        return box;
    }
    case Kind::NoticeBox: {
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
    case Kind::Label: {
        auto *label = new QLabel(c.text, parent);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case Kind::ComboBox: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        // Typed text never becomes an entry: every entry carries a port number.
        combo->setInsertPolicy(QComboBox::NoInsert);
        return combo;
    }
    }
    return nullptr;
}

} // namespace

const std::vector<Control> &controls()
{
    using K = Kind;
    using F = Face;
    static const std::vector<Control> table = {
        {"Text2", K::MultiLineTextBox, "", "", "", 120, 120, 5715, 8655, 0},
        {"Command25", K::Button, "", "Clear text", "", 6060, 6720, 855, 315, 43},
        {"Command7", K::Button, "", "Exit", "", 7140, 6720, 855, 315, 25},
        {"Text1", K::NoticeBox, "", portNotice(), "", 9660, 6720, 4335, 1275, 34, F::Mono},
        {"Frame3", K::Frame, "", "General ", "", 5940, 60, 3975, 3675, 16},
        {"Frame6", K::Frame, "", "Send any Commando", "", 5940, 3840, 3975, 1635, 35},
        {"Frame5", K::Frame, "", "Communication", "", 5940, 5580, 3975, 915, 30},
        {"Frame2", K::Frame, "", "Receive SMS", "", 10020, 60, 3975, 2175, 6},
        {"Frame1", K::Frame, "", "Send SMS", "", 10020, 2340, 3975, 2295, 1},
        {"Frame4", K::Frame, "", "Call", "", 10020, 4740, 3975, 1815, 26},

        {"Command11", K::Button, "Frame3", "Status?", "AT", 1980, 300, 1695, 315, 20},
        {"Command1", K::Button, "Frame3", "Ask which operator?", "AT+COPS?", 1980, 720, 1695, 315, 23},
        {"Command14", K::Button, "Frame3", "Ask SIM locked?",
         "AT+CPIN?    +CPIN: READY  (If your response contains this, then it means SIM is unlocked and ready)",
         1980, 1140, 1695, 315, 24},
        {"Command13", K::Button, "Frame3", "Set PIN number",
         "AT+CPIN=\"****\"     If the SIM card is locked with PIN (**** is the pin number)",
         180, 1680, 1695, 315, 22},
        {"Text4", K::TextBox, "Frame3", "4821", "", 2040, 1680, 1695, 285, 21},
        {"Command21", K::Button, "Frame3", "Signal Strength?", "AT+CSQ  (+CSQ: <rssi>,<ber>)",
         2040, 2160, 1695, 315, 19},
        {"Command24", K::Button, "Frame3", "Detail Debug", "AT+CMEE=2 (gives detailed error information )",
         240, 2640, 1695, 315, 42},
        {"Command15", K::Button, "Frame3", "Power Supply ?", "AT+CBC (Check power Supply)",
         2040, 2640, 1695, 315, 18},
        {"Command22", K::Button, "Frame3", "Power Down", "AT+CPOWD=1  (This command will shut down the Vexmo)",
         2040, 3120, 1695, 315, 17},

        {"Label3", K::Label, "Frame6", "Command", "", 2580, 300, 855, 195, 38},
        {"Command8", K::Button, "Frame6", "Send", "Send any command", 120, 600, 1935, 315, 37},
        {"Text3", K::TextBox, "Frame6", "AT+COPS?", "Enter you command here  CR and LF is sent automatically",
         2460, 600, 1335, 285, 36},
        {"Command9", K::Button, "Frame6", "Send (CTRL+Z) or chr 26",
         "Special Char used with sending SMS, see datasheet for more details", 120, 1020, 1935, 315, 39},

        {"Combo1", K::ComboBox, "Frame5", "", "", 240, 420, 1020, 315, 31},
        {"Command2", K::Button, "Frame5", "Connect", "Connect COMPort to Bluetooth", 1500, 420, 825, 315, 32},
        {"Command3", K::Button, "Frame5", "Disconnect", "Disconnect COMPort from Bluetooth",
         2460, 420, 1080, 315, 33},

        {"Label2", K::Label, "Frame2", "Parameter", "", 2520, 120, 855, 195, 8},
        {"Command18", K::Button, "Frame2", "SMS Message Indikcator", "AT+CNMI=2,3  (Change indication)",
         120, 360, 1935, 315, 9},
        {"Text7", K::TextBox, "Frame2", "AT+CNMI=2,3", "", 2160, 360, 1575, 285, 7},
        {"Command17", K::Button, "Frame2", "Read SMS nr", "AT+CMGR= * (Where * is the SMS nr)",
         120, 840, 1935, 315, 10},
        {"Text8", K::TextBox, "Frame2", "1", "", 2160, 840, 1575, 285, 11},
        {"Command19", K::Button, "Frame2", "Read ALL SMS", "AT+CMGL=\"ALL\"", 120, 1260, 1935, 315, 12},
        {"Command20", K::Button, "Frame2", "Delete ALL SMS", "AT+CMGDA=\"DEL ALL\"", 120, 1680, 1935, 315, 13},

        {"Command10", K::Button, "Frame1", "Set SMS Text Mode", "AT+CMGF=1", 240, 300, 1695, 315, 14},
        {"Command12", K::Button, "Frame1", "Ask which mode?",
         "AT+CMGF?    +CMGF: 1  (If your response contains this, then it means SIM is text mode)",
         2040, 300, 1695, 315, 15},
        {"Label1", K::Label, "Frame1", "Number", "", 2580, 720, 855, 195, 5},
        {"Command16", K::Button, "Frame1", "Send SMS", "AT+CMGS=\"Your text\"", 240, 960, 1695, 315, 4},
        {"Text5", K::TextBox, "Frame1", "+xxxxxxxxxx", "", 2040, 960, 1695, 285, 3},
        {"Text6", K::MultiLineTextBox, "Frame1", "Hello World!\r\n", "", 360, 1440, 3375, 705, 2},

        {"Command4", K::Button, "Frame4", "ID notification ON", "AT+CLIP=1 (turn on caller ID notification)",
         120, 300, 1695, 315, 27},
        {"Command5", K::Button, "Frame4", "Answer Call", "ATA (Answer incomming call)", 120, 780, 1695, 315, 28},
        {"Command6", K::Button, "Frame4", "Cancel Call", "ATH (Cancel call)", 1980, 780, 1695, 315, 29},
        {"Command23", K::Button, "Frame4", "Call", "ATD xxxxxxxx; ", 120, 1380, 1695, 315, 41},
        {"Text9", K::TextBox, "Frame4", "+xxxxxxxx;", "", 2040, 1380, 1575, 285, 40},
    };
    return table;
}

void build(QWidget *form)
{
    std::map<QString, QWidget *> containers{{QString(), form}};
    std::vector<std::pair<int, QWidget *>> focusOrder;
    for (const Control &c : controls()) {
        QWidget *widget = create(c, containers.at(QString::fromLatin1(c.container)));
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
        if (c.kind == Kind::Frame)
            containers[widget->objectName()] = widget;
        if (widget->focusPolicy() != Qt::NoFocus)
            focusOrder.emplace_back(c.tabIndex, widget);
    }
    std::sort(focusOrder.begin(), focusOrder.end());
    for (size_t i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
}

} // namespace Inventory
