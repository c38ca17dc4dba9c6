#pragma once
// Sending an SMS in text mode: "Send SMS" writes the header, AT+CMGS= with
// the number in double quotes and CR alone, and arms Timer3; 500 ms later
// the tick writes the message body with Ctrl-Z. The modem's "> " prompt is
// not awaited: the fixed delay stands in for it. A second press within the
// wait restarts the count, so the body always follows the newest header by
// the full delay. "Send (CTRL+Z) or chr 26" writes Ctrl-Z alone, any time.

#include <QObject>

class CrLfBox;
class MSComm;
class Notice;
class QLineEdit;
class QPushButton;
class QTimer;

class SmsSend : public QObject
{
    Q_OBJECT
public:
    SmsSend(MSComm *comm, QLineEdit *text5, CrLfBox *text6, QTimer *timer3,
            QPushButton *command16, QPushButton *command9, Notice *notice, QObject *parent);

private:
    void Command16_Click();
    void Timer3_Timer();
    void Command9_Click();

    MSComm *m_comm;
    QLineEdit *m_text5;
    CrLfBox *m_text6;
    QTimer *m_timer3;
    QPushButton *m_command16;
    QPushButton *m_command9;
    Notice *m_notice;
};
