#pragma once
// Which device a port number names. On Linux "ComN" is the path
// $XDG_CONFIG_HOME/vexmo-at/ports/comN when that entry exists (usually a
// symbolic link to any device), otherwise a fixed device:
//   Com1-Com4   /dev/ttyS0-3      Com5-Com8   /dev/ttyUSB0-3
//   Com9-Com12  /dev/ttyACM0-3    Com13-Com15 /dev/rfcomm0-2
// On Windows ComN is COMN.

#include <QString>

namespace PortMap {

QString device(int port);

} // namespace PortMap
