#pragma once
// Which device a port number names: the link ComN in the user's port folder
// when it exists, otherwise the fixed device of ComN's family.

#include "serialdevice/portfamilies.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace PortMap {

using PortFamilies::portCount;

// The folder below $XDG_CONFIG_HOME (by default ~/.config) where an entry
// named comN, usually a symbolic link, points ComN at any device.
inline const QString linkFolder = QStringLiteral("vexmo-at/ports");

QString device(int port);
// The map in short lines: a family a line; and, in two, where a link makes
// ComN lead anywhere.
QStringList familyLines();
QStringList linkLines();
// ComN's device by its family, whatever the port folder says.
QString fixedDevice(int port);

// A link a simulated module made: the simulator records itself beside it
// (.comN.sim), and holds that record locked while it runs. When it was
// killed the link stays behind, and the pseudo-terminal it leads to may
// since have become another program's terminal.
struct LeftLink
{
    qint64 pid;      // the simulator that made it
    QString device;  // where it leads
};
// Set when `link` was made by a simulator that no longer holds it.
std::optional<LeftLink> leftBySimulator(const QString &link);

} // namespace PortMap
