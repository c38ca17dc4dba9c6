#pragma once
// Connect and Disconnect, and the Connect button's colour that shows the
// link state: light red while no port is open, light green while one is.

#include <QHash>
#include <QObject>

class MSComm;
class Notice;
class QComboBox;
class QPushButton;

class ConnectControl : public QObject
{
    Q_OBJECT
public:
    ConnectControl(MSComm *comm, QComboBox *combo1, QPushButton *command2, QPushButton *command3,
                   Notice *notice, QObject *parent);

private:
    void Command2_Click();
    void Command3_Click();
    void showLinkLost(const QString &reason);
    QString portLabel() const;
    QString pathLabel() const;  // the device the selected port leads to, by way of its link
    // What opening the port now says of where it led the last time.
    QString ledElsewhere(int port) const;
    QString sharedWith() const;

    MSComm *m_comm;
    QComboBox *m_combo1;
    QPushButton *m_command2;
    Notice *m_notice;
    QHash<int, QString> m_ledTo;  // where each port led when it was last opened
    QString m_openLabel;          // the port that is open, as it was when opened
};
