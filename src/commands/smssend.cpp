#include "commands/smssend.h"

#include "commands/commandline.h"
#include "textbox/crlfbox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

SmsSend::SmsSend(MSComm *comm, QLineEdit *text5, CrLfBox *text6, QTimer *timer3,
                 QPushButton *command16, QPushButton *command9, Notice *notice, QObject *parent)
    : QObject(parent), m_comm(comm), m_text5(text5), m_text6(text6), m_timer3(timer3),
      m_command16(command16), m_command9(command9), m_notice(notice)
{
    connect(command16, &QPushButton::clicked, this, &SmsSend::Command16_Click);
    connect(command9, &QPushButton::clicked, this, &SmsSend::Command9_Click);
    connect(timer3, &QTimer::timeout, this, &SmsSend::Timer3_Timer);
}

void SmsSend::Command16_Click()
{
    const QString header = CommandLine::compose(QStringLiteral("AT+CMGS="), m_text5->text(), true,
                                                QStringLiteral("\r"));
    // A header that did not go out is not followed by a body.
    if (CommandLine::send(m_comm, header, m_notice, m_command16))
        m_timer3->start();
}

void SmsSend::Timer3_Timer()
{
    // The body is read now, so text typed during the wait goes with it.
    const QString body = m_text6->text() + CommandLine::ctrlZ;
    CommandLine::send(m_comm, body, m_notice, m_command16,
                      tr("The SMS body was not sent: %1.\nThe modem may still be waiting for the text of the message."));
    m_timer3->stop();  // one body per arming, whether or not the write succeeded
}

void SmsSend::Command9_Click()
{
    CommandLine::send(m_comm, CommandLine::ctrlZ, m_notice, m_command9);
}
