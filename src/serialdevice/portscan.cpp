#include "serialdevice/portscan.h"

#include "serialdevice/processtable.h"

#include <QFile>
#include <sys/stat.h>

const PortScan::Port *PortScan::port(int number) const
{
    return number >= 1 && size_t(number) <= ports.size() ? &ports[size_t(number - 1)] : nullptr;
}

PortScan PortScan::run(quint64 serial, const QStringList &paths)
{
    PortScan scan;
    scan.serial = serial;
    const auto processes = std::make_shared<const ProcessTable>(ProcessTable::read());
    scan.processes = processes;
    for (const QString &path : paths) {
        Port port;
        port.name = DeviceName::of(path);
        port.identity = PortIdentity::of(port.name);
        struct stat node = {};
        if (port.identity.present && ::stat(QFile::encodeName(port.name.node).constData(), &node) == 0) {
            const FileId device{node.st_dev, node.st_ino};
            for (const ProcessTable::Process *process : processes->openers(device, ptyNumberOf(node.st_rdev)))
                port.openers.emplace_back(process->pid, process->program, Holder::Claim::Open);
            port.flockHolder = processes->flockHolder(device);
        }
        scan.ports.push_back(std::move(port));
    }
    return scan;
}

Refusal PortScan::whoClaims(const Refusal &claimedAlone, const Port &port,
                            const std::optional<QString> &modemManagerModem)
{
    Refusal refusal = claimedAlone;
    if (port.flockHolder > 0) {
        refusal = Refusal::heldBy(Holder(port.flockHolder, QString(), Holder::Claim::OpenAlone, QString(), true));
        for (const Holder &opener : port.openers) {
            if (opener.pid == port.flockHolder)
                refusal.holder->program = opener.program;
        }
    } else if (modemManagerModem) {
        refusal.kind = Refusal::Kind::ModemManagerAlone;
        refusal.detail = *modemManagerModem;
    } else {
        refusal.kind = Refusal::Kind::ClaimedByNobody;
        refusal.others = port.openers;
    }
    return refusal;
}
