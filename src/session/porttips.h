#pragma once
// Each entry of the port list (Combo1) says where it leads now, in its tool
// tip and, in the same words, to screen readers (its accessible
// description): the device and the link it came through, whether it is
// there, what the device database knows of it, and who has it open. The
// entries themselves, their data and their look stay as they are.
//
// The port map notice (Text1) shows the same, in six short lines that each
// fit it: modems present with their AT port, links and --port in force,
// then the families. The links show from the start, the modems with the
// first scan.
//
// All of it comes from the latest scan of the ports (PortScanner): opening
// the list shows what is known at once, and asks for a new scan, whose
// answer updates the entries when it comes. So does a device that comes or
// goes.

#include "serialdevice/portscan.h"

#include <QObject>
#include <QTimer>

class MSComm;
class PortScanner;
class QComboBox;
class QTextEdit;

class PortTips : public QObject
{
    Q_OBJECT
public:
    PortTips(MSComm *comm, PortScanner *scanner, QComboBox *combo1, QTextEdit *text1, QObject *parent);

    // "Present now: Com7 (Quectel EG25-G, AT commands), Com5, Com6.": the
    // ports whose devices are there in `scan`, those that take AT commands
    // first.
    static QString presentNow(const PortScan &scan);
    // The lines of a tool tip that say what udev knows of a device.
    static QStringList describe(const PortIdentity &identity);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show();
    void showMap(const PortScan *scan);
    QString tipFor(int port, const PortScan::Port &scanned) const;
    // What this run has (modems present with their AT port, ports pointed
    // elsewhere), then the families and where a link goes, each whole.
    QStringList mapLines(const PortScan *scan) const;

    MSComm *m_comm;
    PortScanner *m_scanner;
    QComboBox *m_combo1;
    QTextEdit *m_text1;
    QTimer m_firstRead;
};
