#pragma once
// The serial control: one port, 9600 baud, 8 data bits, no parity, 1 stop
// bit, no flow control. Characters and bytes map one to one as Latin-1; a
// character beyond U+00FF goes out as "?".

#include "serialdevice/devicename.h"
#include "serialdevice/linkwatch.h"
#include "serialdevice/refusal.h"

#include <QHash>
#include <QObject>
#include <QSerialPort>
#include <memory>

class ProcessTable;

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
    // Opening returns false when the port could not be opened; refusal()
    // then says why. While no port is open, errorString() says why in a few
    // words.
    bool setPortOpen(bool open);
    const Refusal &refusal() const { return m_refusal; }
    QString errorString() const { return m_errorString; }
    // The device that was opened last, or that was refused.
    const DeviceName &lastDevice() const { return m_opened; }
    // The latest look at the system's processes: opening a port checks
    // only what changed since whether the device is a program's terminal.
    void setProcesses(std::shared_ptr<const ProcessTable> processes) { m_processes = std::move(processes); }

    // One write of the whole text; false when no port is open or the
    // system refused the write.
    bool output(const QString &text);
    // How many characters of the text the line cannot carry: each goes out
    // as one "?".
    static int unsendable(const QString &text);
    QString input();

signals:
    void onComm();
    // What went to the line and came from it, byte for byte, as it goes and
    // as it is read; and when the port opens, is closed, or is refused.
    void transmitted(const QByteArray &bytes);
    void received(const QByteArray &bytes);
    void opened();
    void closed();
    void refused();
    // The port was closed because its device went away (unplugged, link
    // dropped, the other side of a pseudo-terminal closed).
    void linkLost(const QString &reason);

private:
    static QByteArray toWire(const QString &text);
    void handleError(QSerialPort::SerialPortError error);
    void loseLink(const QString &reason);
    bool refuse(Refusal refusal);  // false
    bool refuse(Refusal::Kind kind, int error = 0);
    bool claim();  // our descriptor and flock on the device, or refuse() says why not
    void releaseClaim();
    bool refuseClaimedAlone();  // a program holds the device alone

    QSerialPort m_port;
    LinkWatch m_linkWatch;
    qint16 m_commPort = 1;
    QHash<int, QString> m_pointed;
    DeviceName m_opened;
    std::shared_ptr<const ProcessTable> m_processes;
    int m_claimFd = -1;  // ours while connected, holding the flock
    Refusal m_refusal{Refusal::Kind::NeverOpened};
    QString m_errorString = tr("no port was opened");
};
