#pragma once
// One scan of what the ports lead to: for each port its device, what udev
// knows of it, and which other programs have it open or hold its flock,
// from one look at the process table. It reads the system at length, so it
// is made off the window's thread (PortScanner).

#include "serialdevice/devicename.h"
#include "serialdevice/portidentity.h"
#include "serialdevice/refusal.h"

#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class ProcessTable;

struct PortScan
{
    struct Port
    {
        DeviceName name;
        PortIdentity identity;
        // Other programs that have the device open, but never the one at
        // the far end of a pseudo-terminal (the modem's own end).
        std::vector<Holder> openers;
        qint64 flockHolder = 0;  // 0: none
    };

    quint64 serial = 0;  // of the latest request it answers
    std::vector<Port> ports;  // Com1 first
    std::shared_ptr<const ProcessTable> processes;

    // ComN; null for a number no port has.
    const Port *port(int number) const;
    // `paths` are where Com1, Com2, ... lead.
    static PortScan run(quint64 serial, const QStringList &paths);

    // Who holds a device claimed alone (a refusal of that kind), now that
    // the programs that have it open and ModemManager's ports are known:
    // the program with its flock, else ModemManager, else none of them.
    static Refusal whoClaims(const Refusal &claimedAlone, const Port &port,
                             const std::optional<QString> &modemManagerModem);
};
