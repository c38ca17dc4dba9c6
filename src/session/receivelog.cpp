#include "session/receivelog.h"

#include "session/sessionlog.h"
#include "serialdevice/mscomm.h"
#include "textbox/crlfbox.h"
#include "widgets/notice.h"

#include <QElapsedTimer>
#include <QPushButton>

namespace {

// A slice of this many characters costs the log a few milliseconds at worst
// (thousands of control characters, each laid out on its own); as many go
// in at one turn of the event loop as this budget allows.
constexpr qsizetype sliceSize = 1024;
constexpr qint64 turnBudgetMs = 8;

} // namespace

ReceiveLog::ReceiveLog(MSComm *comm, CrLfBox *text2, QPushButton *command25, SessionLog *session,
                       Notice *notice, QObject *parent)
    : QObject(parent), m_comm(comm), m_text2(text2), m_session(session), m_notice(notice)
{
    m_text2->setCapacity(defaultCapacity);
    m_text2->setDragMovesText(false);  // received text is only ever copied out
    connect(comm, &MSComm::onComm, this, &ReceiveLog::MSComm1_OnComm);
    connect(command25, &QPushButton::clicked, this, &ReceiveLog::Command25_Click);
    m_showMore.setSingleShot(true);
    m_showMore.setInterval(0);
    connect(&m_showMore, &QTimer::timeout, this, &ReceiveLog::showPending);
    if (m_session)
        m_session->sayOn(notice, text2);
}

void ReceiveLog::MSComm1_OnComm()
{
    // Appended in place: a notification costs what arrived, not what the
    // log already holds. The session file takes the bytes as they came.
    const QString received = m_comm->input();
    if (!received.isEmpty()) {
        if (m_session)
            m_session->keep(received.toLatin1());
        m_pending += received;
    }
    showPending();
}

void ReceiveLog::showPending()
{
    QElapsedTimer turn;
    turn.start();
    while (m_pendingFrom < m_pending.size() && !turn.hasExpired(turnBudgetMs)) {
        const QStringView slice = QStringView(m_pending).mid(m_pendingFrom, sliceSize);
        m_text2->append(slice);
        m_pendingFrom += slice.size();
    }
    m_text2->setCursorPosition(m_text2->length());  // nothing selected, end in view
    if (m_pendingFrom < m_pending.size()) {
        m_showMore.start();
        return;
    }
    m_pending.clear();
    m_pendingFrom = 0;
}

void ReceiveLog::Command25_Click()
{
    // What arrived before the click goes with the rest.
    m_pending.clear();
    m_pendingFrom = 0;
    m_showMore.stop();
    m_text2->clear();
}
