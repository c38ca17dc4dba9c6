#pragma once
// The serial control: one port, 9600 baud, 8 data bits, no parity, 1 stop
// bit, no flow control. Characters and bytes map one to one as Latin-1; a
// character beyond U+00FF goes out as "?".

#include "serialdevice/linkwatch.h"
#include "serialdevice/portlock.h"

#include <QHash>
#include <QObject>
#include <QSerialPort>

class MSComm : public QObject
{
    Q_OBJECT
public:
    // Destroyed with the window, the port closes and its device and lock are
    // free at once, whether or not Exit closed it first.
    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    qint16 commPort() const { return m_commPort; }
    void setCommPort(qint16 port);  // takes effect at the next open
    QString device() const;         // the path that CommPort names
    // For this run, `port` names `device`, whatever the port map says.
    void pointPort(int port, const QString &device) { m_pointed.insert(port, device); }
    bool isPointed(int port) const { return m_pointed.contains(port); }
    // Where ComN leads: pointed for this run, or by the port map.
    QString deviceOf(int port) const;

    bool portOpen() const { return m_port.isOpen(); }
    // Opening returns false when the port could not be opened; errorString()
    // then says why and error() which kind of failure it was. While no port
    // is open, errorString() says why.
    bool setPortOpen(bool open);
    QSerialPort::SerialPortError error() const { return m_error; }
    QString errorString() const { return m_errorString; }
    // What the user can do about it, where the control knows better than
    // the kind of error tells; empty otherwise.
    QString hint() const { return m_hint; }

    // One write of the whole text; false when no port is open or the
    // system refused the write.
    bool output(const QString &text);
    // How many characters of the text the line cannot carry: each goes out
    // as one "?".
    static int unsendable(const QString &text);
    QString input();

signals:
    void onComm();
    // The port was closed because its device went away (unplugged, link
    // dropped, the other side of a pseudo-terminal closed).
    void linkLost(const QString &reason);

private:
    static QByteArray toWire(const QString &text);
    void handleError(QSerialPort::SerialPortError error);
    void loseLink(const QString &reason);
    void fail(QSerialPort::SerialPortError error, const QString &reason, const QString &hint = QString());
    void refuse(const PortLock::Holder &holder);  // another program holds the device
    bool claim();  // our descriptor and flock on the device, or fail() says why not
    void releaseClaim();
    void refuseExclusive();  // a program holds the device alone

    QSerialPort m_port;
    LinkWatch m_linkWatch;
    qint16 m_commPort = 1;
    QHash<int, QString> m_pointed;
    QString m_openedPath;  // the device itself, links followed
    int m_claimFd = -1;    // ours while connected, holding the flock
    QSerialPort::SerialPortError m_error = QSerialPort::NoError;
    QString m_errorString = tr("no port was opened");
    QString m_hint;
};
