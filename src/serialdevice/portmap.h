#pragma once
// Which device a port number names: the link ComN in the user's port folder
// when it exists, otherwise the fixed device of ComN's family.

#include <QString>
#include <vector>

namespace PortMap {

// ComFirst to ComLast are prefix0, prefix1, and so on.
struct Family
{
    int first;
    int last;
    const char *prefix;
};
const std::vector<Family> &families();

// The folder below $XDG_CONFIG_HOME (by default ~/.config) where an entry
// named comN, usually a symbolic link, points ComN at any device.
inline const QString linkFolder = QStringLiteral("vexmo-at/ports");

QString device(int port);

} // namespace PortMap
