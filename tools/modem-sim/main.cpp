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

#include "line.h"
#include "modem.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
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

// Writes what the module says. Nothing is kept for a terminal that is not
// there, as a real serial line would not keep it either.
void send(const sim::Line &line, const std::string &bytes)
{
    if (bytes.empty() || !line.peerPresent())
        return;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(line.master(), bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;  // the terminal does not read: drop the rest
        done += size_t(n);
    }
}

void stopOn(int signal)
{
    // Not restarted: a wait ends at once, and the link goes.
    struct sigaction action = {};
    action.sa_handler = [](int) { stopRequested = 1; };
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
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

    // From the start on, an ending signal (its terminal closed, Ctrl+C, a
    // kill) ends it in order, its link removed, whenever it comes.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        stopOn(signal);
    std::signal(SIGPIPE, SIG_IGN);

    sim::Line line;
    if (!line.open()) {
        std::cerr << "cannot open a pseudo-terminal: " << std::strerror(errno) << '\n';
        return 1;
    }
    const char *name = line.device().c_str();

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

    sim::Modem modem(options);
    bool inputOpen = true;
    std::string pendingInput;
    while (!stopRequested) {
        // The line is only read while a terminal has it open.
        const bool present = line.peerPresent();
        pollfd fds[3] = {{inputOpen ? STDIN_FILENO : -1, POLLIN, 0},
                         {present ? line.master() : -1, POLLIN, 0},
                         {line.watch(), POLLIN, 0}};
        if (::poll(fds, 3, present ? 1000 : -1) < 0 && errno != EINTR)
            break;

        if (fds[2].revents & POLLIN)
            line.update();
        if (fds[1].revents & POLLIN) {
            char buffer[1024];
            const ssize_t n = ::read(line.master(), buffer, sizeof buffer);
            if (n > 0)
                send(line, modem.receive(std::string_view(buffer, size_t(n))));
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
                    send(line, out);
                }
            }
        }
        send(line, modem.tick());
    }

    if (!link.empty()) {
        char target[128] = {};
        if (::readlink(link.c_str(), target, sizeof target - 1) > 0 && std::strcmp(target, name) == 0)
            ::unlink(link.c_str());
    }
    return 0;
}
