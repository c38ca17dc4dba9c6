#pragma once
// The simulated module's end of the serial line: a pseudo-terminal whose
// other end a terminal program opens. The line keeps its own hold on that
// other end, so that it can take back the exclusive use a program claimed
// (as Qt's serial port does) when the program ends without giving it back,
// killed; it learns from the system when programs open and close it.

#include <string>

namespace sim {

class Line
{
public:
    Line() = default;
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;
    ~Line();

    // A new raw line; false, with errno set, when there is none to be had.
    bool open();
    int master() const { return m_master; }
    const std::string &device() const { return m_device; }
    // A descriptor that becomes readable when a program opens or closes
    // the device; then call update().
    int watch() const { return m_watch; }
    void update();
    // True while a terminal program has the line open.
    bool peerPresent() const { return m_peers > 0; }

private:
    int m_master = -1;
    int m_slave = -1;
    int m_watch = -1;
    int m_peers = 0;
    std::string m_device;
};

} // namespace sim
