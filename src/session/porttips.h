#pragma once
// Each entry of the port list (Combo1) says where it leads now, in its tool
// tip and, in the same words, to screen readers (its accessible
// description): the device and the link it came through, whether it is
// there, what the device database knows of it, and who has it open. The
// entries themselves, their data and their look stay as they are.
//
// The port map notice (Text1) shows the same, in six short lines: modems
// present with their AT port, links and --port in force, then the families.

#include "serialdevice/portidentity.h"

#include <QObject>
#include <QTimer>
#include <vector>

class MSComm;
class QComboBox;
class QTextEdit;

class PortTips : public QObject
{
    Q_OBJECT
public:
    PortTips(MSComm *comm, QComboBox *combo1, QTextEdit *text1, QObject *parent);

    // Reads the ports afresh: just after the window shows, each time the
    // list opens, and when a serial device comes or goes.
    void refresh();
    // "Present now: Com7 (Quectel EG25-G, AT commands), Com5, Com6.": the
    // ports whose devices are there, those that take AT commands first.
    static QString presentNow(const MSComm *comm);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString tipFor(int port, const PortIdentity &identity) const;
    QStringList mapLines(const std::vector<PortIdentity> &identities) const;

    MSComm *m_comm;
    QComboBox *m_combo1;
    QTextEdit *m_text1;
    QTimer m_firstRead;
};
