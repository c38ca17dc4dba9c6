// vexmo-modem-sim: a simulated GSM module on a pseudo-terminal.
//
// It prints the device path of its end of the line, optionally links it as
// a Com number of vexmo-at, and answers AT commands there. Lines typed on
// its standard input raise events:
//   sms <number> <text>   an incoming SMS
//   ring [<number>]       an incoming call
//   hangup                the other side ends the call
//   restart               power on again after AT+CPOWD
//   quit

#include "modem.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void usage(std::ostream &out)
{
    out << "usage: vexmo-modem-sim [--com N] [--pin PIN | --no-pin] [--operator NAME]\n"
           "  --com N     link the line as ComN of vexmo-at ($XDG_CONFIG_HOME/vexmo-at/ports/comN)\n"
           "  --pin PIN   the SIM's PIN (default 4821); --no-pin: the SIM asks for none\n"
           "Standard input: sms <number> <text> | ring [<number>] | hangup | restart | quit\n";
}

std::string portLink(int com)
{
    const char *config = std::getenv("XDG_CONFIG_HOME");
    const char *home = std::getenv("HOME");
    std::string base = config && *config ? config : std::string(home ? home : ".") + "/.config";
    return base + "/vexmo-at/ports/com" + std::to_string(com);
}

bool makeDirectories(const std::string &path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        if (::mkdir(path.substr(0, slash).c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// True while a terminal has the line open: without one the master side
// reports a hang-up.
bool peerPresent(int master)
{
    pollfd line{master, POLLIN, 0};
    ::poll(&line, 1, 0);
    return !(line.revents & POLLHUP);
}

// Writes what the module says. Nothing is kept for a terminal that is not
// there, as a real serial line would not keep it either.
void send(int master, const std::string &bytes)
{
    if (bytes.empty() || !peerPresent(master))
        return;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;  // the terminal does not read: drop the rest
        done += size_t(n);
    }
}

// Returns false on "quit".
bool event(const std::string &line, sim::Modem &modem, std::string &out)
{
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb == "sms") {
        std::string number, text;
        words >> number;
        std::getline(words >> std::ws, text);
        out = modem.incomingSms(number, text);
    } else if (verb == "ring") {
        std::string number = "+4915112345678";
        words >> number;
        out = modem.incomingCall(number);
    } else if (verb == "hangup") {
        out = modem.remoteHangUp();
    } else if (verb == "restart") {
        out = modem.powerOn();
    } else if (verb == "quit") {
        return false;
    } else if (!verb.empty()) {
        std::cerr << "unknown event: " << verb << '\n';
        usage(std::cerr);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    sim::Options options;
    int com = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--com" && i + 1 < argc) {
            com = std::atoi(argv[++i]);
        } else if (arg == "--pin" && i + 1 < argc) {
            options.pin = argv[++i];
        } else if (arg == "--no-pin") {
            options.pin.clear();
        } else if (arg == "--operator" && i + 1 < argc) {
            options.operatorName = argv[++i];
        } else {
            usage(arg == "--help" ? std::cout : std::cerr);
            return arg == "--help" ? 0 : 2;
        }
    }

    int master = -1, slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::cerr << "openpty: " << std::strerror(errno) << '\n';
        return 1;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::close(slave);  // the terminal program opens the device itself
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    std::string link;
    if (com > 0) {
        link = portLink(com);
        struct stat existing{};
        if (::lstat(link.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
            std::cerr << link << " exists and is not a link; not replacing it\n";
            return 1;
        }
        ::unlink(link.c_str());
        if (!makeDirectories(link) || ::symlink(name, link.c_str()) != 0) {
            std::cerr << "cannot link " << link << ": " << std::strerror(errno) << '\n';
            return 1;
        }
    }
    std::cout << name << std::endl;
    if (!link.empty())
        std::cout << "Com" << com << " -> " << link << std::endl;

    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::signal(SIGPIPE, SIG_IGN);

    sim::Modem modem(options);
    bool inputOpen = true;
    std::string pendingInput;
    while (!stopRequested) {
        // A hang-up is reported whatever is asked for, so a line without a
        // terminal is left out of the wait (a negative fd), which is then
        // short, to see the terminal come back soon.
        const bool present = peerPresent(master);
        pollfd fds[2] = {{inputOpen ? STDIN_FILENO : -1, POLLIN, 0}, {present ? master : -1, POLLIN, 0}};
        if (::poll(fds, 2, present ? 1000 : 100) < 0 && errno != EINTR)
            break;

        if (fds[1].revents & POLLIN) {
            char buffer[1024];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                send(master, modem.receive(std::string_view(buffer, size_t(n))));
        }
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char buffer[1024];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                inputOpen = false;
            } else {
                pendingInput.append(buffer, size_t(n));
                for (size_t eol; (eol = pendingInput.find('\n')) != std::string::npos;) {
                    const std::string command = pendingInput.substr(0, eol);
                    pendingInput.erase(0, eol + 1);
                    std::string out;
                    if (!event(command, modem, out))
                        stopRequested = 1;
                    send(master, out);
                }
            }
        }
        send(master, modem.tick());
    }

    if (!link.empty()) {
        char target[128] = {};
        if (::readlink(link.c_str(), target, sizeof target - 1) > 0 && std::strcmp(target, name) == 0)
            ::unlink(link.c_str());
    }
    ::close(master);
    return 0;
}
