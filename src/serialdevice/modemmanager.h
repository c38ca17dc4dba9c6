#pragma once
// Whether ModemManager has a serial device among a modem's ports: asked of
// ModemManager itself on the system bus (its object manager, which an
// ordinary user may read). ModemManager opens every new modem port, sends
// its own AT commands and takes their replies.

#include <QString>
#include <optional>

namespace ModemManager {

// The modem that lists `device` (its name, as "ttyUSB2") among its ports,
// as "Quectel EG25-G" ("a modem" where it gives no name); nothing where ModemManager does not run or does not
// use it.
std::optional<QString> modemUsing(const QString &device);

} // namespace ModemManager
