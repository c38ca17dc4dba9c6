#pragma once
// The receive log: everything the modem sends, appended unchanged at the end
// of Text2, which keeps its end in view. "Clear text" empties it.
//
// The log holds up to 16 million characters (about 4.6 hours of a line
// running flat out at 9600 baud, days of ordinary modem traffic); beyond
// that the oldest whole lines go.

#include <QObject>

class MSComm;
class QPlainTextEdit;
class QPushButton;

class ReceiveLog : public QObject
{
    Q_OBJECT
public:
    ReceiveLog(MSComm *comm, QPlainTextEdit *text2, QPushButton *command25, QObject *parent);

    static constexpr int defaultCapacity = 16'000'000;  // characters
    void setCapacity(int characters) { m_capacity = characters; }

private:
    void MSComm1_OnComm();
    void Command25_Click();
    void dropOldestLines();

    MSComm *m_comm;
    QPlainTextEdit *m_text2;
    int m_capacity = defaultCapacity;
};
