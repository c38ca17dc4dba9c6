#pragma once
// Which serial ports ModemManager uses, asked of ModemManager itself on the
// system bus (its object manager, which an ordinary user may read).
// ModemManager opens every new modem port, sends its own AT commands and
// takes their replies.
//
// It is asked through vexmo-modemmanager-ports, in a process of its own
// that is ended when the bus does not answer in time: nothing of the window
// waits for the bus, not even at its end. Requests that come while one is
// under way are merged into one after it.

#include <QHash>
#include <QObject>
#include <QProcess>
#include <QTimer>
#include <optional>

class ModemManager : public QObject
{
    Q_OBJECT
public:
    explicit ModemManager(QObject *parent);
    ~ModemManager() override;

    // As PortScanner::request.
    quint64 request();
    bool isAnswered(quint64 request) const { return m_answered >= request; }
    // The modem whose ports list `kernelName` ("ttyUSB2"), by maker and
    // model (empty where ModemManager gives none); nothing where
    // ModemManager does not use it, or was not reached.
    std::optional<QString> modemUsing(const QString &kernelName) const;
    bool wasReached() const { return m_reached; }
    bool isAsking() const { return m_process.state() != QProcess::NotRunning; }

signals:
    void answered();

private:
    void start();
    void finish(bool reached);
    static QString program();

    QProcess m_process;
    QTimer m_patience;
    QHash<QString, QString> m_modems;  // port name -> modem
    bool m_reached = false;
    quint64 m_requested = 0;
    quint64 m_asking = 0;
    quint64 m_answered = 0;
};
