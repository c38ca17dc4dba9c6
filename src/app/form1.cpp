#include "app/form1.h"

#include "app/exitsignals.h"
#include "app/inventory.h"
#include "commands/commandpanel.h"
#include "commands/smssend.h"
#include "session/connectcontrol.h"
#include "serialdevice/modemmanager.h"
#include "serialdevice/mscomm.h"
#include "serialdevice/portmap.h"
#include "serialdevice/portscanner.h"
#include "session/logsaver.h"
#include "session/receivelog.h"
#include "session/replyexplainer.h"
#include "session/porttips.h"
#include "session/sessionlog.h"
#include "session/transcript.h"
#include "textbox/crlfbox.h"
#include "widgets/notice.h"
#include "widgets/oneline.h"
#include "widgets/twips.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>

namespace {
constexpr int smsBodyDelayMs = 500;
}

Form1::Form1(const CommandLineOptions &options, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(caption());
    setWindowIcon(QIcon(QStringLiteral(":/vexmo-at.png")));
    resize(Widgets::pixels(Inventory::clientWidth), Widgets::pixels(Inventory::clientHeight));

    Inventory::build(this, m_ui);

    m_comm = new MSComm(this);
    m_comm->setObjectName(QStringLiteral("MSComm1"));
    for (auto port = options.ports.begin(); port != options.ports.end(); ++port)
        m_comm->pointPort(port.key(), port.value());
    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timer3->setInterval(smsBodyDelayMs);
    m_timer3->setTimerType(Qt::PreciseTimer);  // a coarse timer may be 5 % early or late
    m_notice = new Notice(this);

    // An entry typed into the port list that names no port goes back to the
    // selected one, so the list never shows a port that Connect would not open.
    auto *combo1 = m_ui.Combo1;
    connect(combo1->lineEdit(), &QLineEdit::editingFinished, combo1, [combo1] {
        if (combo1->findText(combo1->currentText(), Qt::MatchFixedString) < 0)
            combo1->setEditText(combo1->itemText(combo1->currentIndex()));
    });

    // What a single-line box left out of a paste is said next to it.
    for (OneLine *oneLine : findChildren<OneLine *>()) {
        connect(oneLine, &OneLine::leftOut, this, [this](QLineEdit *box, const QString &lines) {
            m_notice->showAt(box, tr("Only the first line was kept, so that Send writes one line. Left out:\n%1")
                                    .arg(lines.size() > 200 ? lines.left(200) + QStringLiteral("...") : lines));
        });
    }

    m_portScanner = new PortScanner(m_comm, this);
    m_modemManager = new ModemManager(this);
    new ConnectControl(m_comm, m_portScanner, m_modemManager, combo1, m_ui.Command2,
                       m_ui.Command3, m_notice, this);
    new ReceiveLog(m_comm, m_ui.Text2, m_ui.Command25,
                   options.logFile.isEmpty() ? nullptr : new SessionLog(options.logFile, this), m_notice, this);
    if (!options.transcriptFile.isEmpty()) {
        auto *file = new SessionLog(options.transcriptFile, this, SessionLog::Content::Transcript);
        file->sayOn(m_notice, m_ui.Text2);
        new Transcript(m_comm, file, this);
    }
    m_logSaver = new LogSaver(m_ui.Text2, m_notice, this);
    new ReplyExplainer(m_ui.Text2, m_notice, this);
    new CommandPanel(m_comm, m_ui, m_notice, this);
    new SmsSend(m_comm, m_ui.Text5, m_ui.Text6, m_timer3,
                m_ui.Command16, m_ui.Command9, m_notice, this);
    connect(m_ui.Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    new ExitSignals([this] { Command7_Click(); }, this);

    Form_Load();
    new PortTips(m_comm, m_portScanner, combo1, m_ui.Text1, this);
}

QString Form1::caption()
{
    return QStringLiteral("Vexmo AT Command (https://vexmo-at.org)");
}

void Form1::Form_Load()
{
    auto *combo1 = m_ui.Combo1;
    for (int n = 1; n <= PortMap::portCount; ++n) {
        combo1->addItem(QStringLiteral("Com%1").arg(n));
        combo1->setItemData(combo1->count() - 1, n);
    }
    combo1->setCurrentIndex(0);
    m_ui.Text2->setFocus();
}

void Form1::Command7_Click()
{
    if (m_comm->portOpen())
        m_comm->setPortOpen(false);
    // Closes the windows until one refuses; with none left the program ends.
    QApplication::closeAllWindows();
}

void Form1::showCentred()
{
    // The window system adds the frame only once the window is shown: the
    // client area is centred first, and the whole frame, title bar
    // included, as soon as its size is known.
    setGeometry(centredOnScreen(size()));
    m_centring = true;
    show();
}

QRect Form1::centredOnScreen(QSize size) const
{
    return QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, screen()->availableGeometry());
}

bool Form1::event(QEvent *e)
{
    if (m_centring && (e->type() == QEvent::Paint || e->type() == QEvent::WindowActivate)
        && frameGeometry() != geometry()) {
        m_centring = false;
        move(centredOnScreen(frameGeometry().size()).topLeft());  // a window's position is its frame's
    }
    return QWidget::event(e);
}
