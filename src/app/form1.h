#pragma once
// The tool's one window: the controls of its table (inventory.cpp), the serial control and
// the SMS timer, and the subsystems that handle their events.

#include "app/commandlineoptions.h"
#include "app/form1ui.h"

#include <QWidget>

class LogSaver;
class ModemManager;
class MSComm;
class Notice;
class PortScanner;
class QTimer;

class Form1 : public QWidget
{
    Q_OBJECT
public:
    // What the command line asked for: ports pointed elsewhere, a file
    // that keeps the session.
    explicit Form1(const CommandLineOptions &options = {}, QWidget *parent = nullptr);

    MSComm *comm() const { return m_comm; }
    PortScanner *portScanner() const { return m_portScanner; }
    ModemManager *modemManager() const { return m_modemManager; }
    Notice *notice() const { return m_notice; }
    LogSaver *logSaver() const { return m_logSaver; }
    const Form1Ui &ui() const { return m_ui; }

    void showCentred();

protected:
    bool event(QEvent *e) override;

private:
    static QString caption();
    void Form_Load();
    void Command7_Click();
    QRect centredOnScreen(QSize size) const;

    Form1Ui m_ui;
    MSComm *m_comm;
    PortScanner *m_portScanner;
    ModemManager *m_modemManager;
    QTimer *m_timer3;
    Notice *m_notice;
    LogSaver *m_logSaver;
    bool m_centring = false;
};
