#pragma once
// --transcript FILE: the session with times and direction, a line for each
// write to the line and each read from it, and for each Connect, Disconnect,
// refusal and lost link:
//
//     2026-12-08 14:05:31.120 Connect Com1: /dev/ttyUSB2
//     2026-12-08 14:05:32.004 > AT+CSQ\r\n
//     2026-12-08 14:05:32.031 < AT+CSQ\r\r\n+CSQ: 17,99\r\n
//
// Bytes are written as printable ASCII, and \r, \n, \\ and \xHH for the
// rest. The file is kept as the session file is (SessionLog): never
// ending or blocking the program, failures said, gaps marked.

#include <QByteArray>
#include <QObject>

class MSComm;
class SessionLog;

class Transcript : public QObject
{
    Q_OBJECT
public:
    Transcript(MSComm *comm, SessionLog *file, QObject *parent);

    // `bytes` as they stand in a line of the transcript.
    static QByteArray escaped(const QByteArray &bytes);

private:
    void write(const QByteArray &what);
    QByteArray port() const;  // "Com1: /dev/ttyUSB2", by way of its link

    MSComm *m_comm;
    SessionLog *m_file;
};
