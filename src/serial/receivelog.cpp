#include "serial/receivelog.h"

#include "serialdevice/mscomm.h"
#include "textbox/crlfbox.h"

#include <QPushButton>

ReceiveLog::ReceiveLog(MSComm *comm, CrLfBox *text2, QPushButton *command25, QObject *parent)
    : QObject(parent), m_comm(comm), m_text2(text2)
{
    m_text2->setCapacity(defaultCapacity);
    connect(comm, &MSComm::onComm, this, &ReceiveLog::MSComm1_OnComm);
    connect(command25, &QPushButton::clicked, this, &ReceiveLog::Command25_Click);
}

void ReceiveLog::setCapacity(qint64 characters)
{
    m_text2->setCapacity(characters);
}

void ReceiveLog::MSComm1_OnComm()
{
    // Appended in place: a notification costs what arrived, not what the
    // log already holds.
    m_text2->append(m_comm->input());
    m_text2->setCursorPosition(m_text2->length());  // nothing selected, end in view
}

void ReceiveLog::Command25_Click()
{
    m_text2->clear();
}
