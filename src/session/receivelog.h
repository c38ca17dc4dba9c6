#pragma once
// The receive log: everything the modem sends, appended unchanged at the end
// of Text2, which keeps its end in view. "Clear text" empties it.
//
// The log holds up to 20 million characters (about 5.8 hours of a line
// running flat out at 9600 baud, days of ordinary modem traffic); beyond
// that the oldest whole lines go, a hundredth of that at a time, so that a
// full log always holds more than 19.8 million.

#include <QObject>
#include <QTimer>

class CrLfBox;
class MSComm;
class Notice;
class QPushButton;
class SessionLog;

class ReceiveLog : public QObject
{
    Q_OBJECT
public:
    // With a `session`, every byte received goes there as well, before the
    // box; a file that cannot be opened or written is said next to the log,
    // and so is its taking bytes again.
    ReceiveLog(MSComm *comm, CrLfBox *text2, QPushButton *command25, SessionLog *session, Notice *notice,
               QObject *parent);

    static constexpr qint64 defaultCapacity = 20'000'000;  // characters

private:
    void MSComm1_OnComm();
    void Command25_Click();

    void showPending();

    MSComm *m_comm;
    CrLfBox *m_text2;
    SessionLog *m_session;
    Notice *m_notice;
    // Received, kept in the session, not yet in the log: a burst goes in a
    // slice at a time, so that the window keeps answering.
    QString m_pending;
    qsizetype m_pendingFrom = 0;
    QTimer m_showMore;
};
