#pragma once
// Connect and Disconnect, and the Connect button's colour that shows the
// link state: light red while no port is open, light green while one is.
//
// Connect opens the port at once. What takes a scan of the system to know
// (who else has the device open, whether ModemManager uses it, which ports
// lead to devices, who holds a device claimed alone) is said in the notice
// when the answer comes, unless the port has been closed or opened anew
// meanwhile.

#include "serialdevice/refusal.h"

#include <QHash>
#include <QObject>

class ModemManager;
class MSComm;
class Notice;
class PortScanner;
class QComboBox;
class QPushButton;

class ConnectControl : public QObject
{
    Q_OBJECT
public:
    ConnectControl(MSComm *comm, PortScanner *scanner, ModemManager *modemManager, QComboBox *combo1,
                   QPushButton *command2, QPushButton *command3, Notice *notice, QObject *parent);

private:
    // What the notice shown after the last Connect waits for.
    struct Waiting
    {
        bool opened = false;  // news of an open port, or of a refusal
        quint64 scan = 0;     // 0: nothing
        quint64 modemManager = 0;
    };

    void Command2_Click();
    void Command3_Click();
    void showLinkLost(const QString &reason);
    void sayState();  // "open" or "closed", to screen readers
    void showNews();
    QString openNotice() const;
    QString refusalNotice() const;
    QString portLabel() const;
    QString pathLabel() const;  // the device the selected port leads to, by way of its link
    // What opening the port now says of where it led the last time.
    QString ledElsewhere(int port) const;

    MSComm *m_comm;
    PortScanner *m_scanner;
    ModemManager *m_modemManager;
    QComboBox *m_combo1;
    QPushButton *m_command2;
    Notice *m_notice;
    QHash<int, QString> m_ledTo;  // where each port led when it was last opened
    QString m_label;              // the port last opened or refused, as it was then
    QString m_elsewhere;          // where it led before, if elsewhere
    Refusal m_refusal;            // why it was refused
    Waiting m_waiting;
    QString m_shown;  // the news said so far
};
