#include "serial/receivelog.h"

#include "serial/mscomm.h"
#include "widgets/crlftext.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

ReceiveLog::ReceiveLog(MSComm *comm, QPlainTextEdit *text2, QPushButton *command25, QObject *parent)
    : QObject(parent), m_comm(comm), m_text2(text2)
{
    // Undo would keep a second copy of everything received.
    m_text2->setUndoRedoEnabled(false);
    connect(comm, &MSComm::onComm, this, &ReceiveLog::MSComm1_OnComm);
    connect(command25, &QPushButton::clicked, this, &ReceiveLog::Command25_Click);
}

void ReceiveLog::MSComm1_OnComm()
{
    // Appended in place, so a notification costs what arrived, not what the
    // log already holds.
    CrLfText::append(m_text2, m_comm->input());
    dropOldestLines();

    QTextCursor caret = m_text2->textCursor();
    caret.movePosition(QTextCursor::End);
    m_text2->setTextCursor(caret);  // nothing selected, end in view
}

void ReceiveLog::Command25_Click()
{
    m_text2->clear();
}

void ReceiveLog::dropOldestLines()
{
    QTextDocument *doc = m_text2->document();
    if (doc->characterCount() <= m_capacity)
        return;
    // Each removal from the top costs tens of milliseconds however little
    // goes, and more the more goes: a hundredth of the capacity at a time
    // keeps every pause under a tenth of a second.
    const int cut = doc->characterCount() - m_capacity + m_capacity / 100;
    QTextBlock first = doc->findBlock(cut);
    if (first.position() < cut && first.next().isValid())
        first = first.next();
    QTextCursor oldest(doc);
    oldest.setPosition(first.position() > 0 ? first.position() : cut, QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
}
