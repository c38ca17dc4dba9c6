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
#include "serialdevice/portfamilies.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void usage(std::ostream &out)
{
    out << "usage: vexmo-modem-sim [--com N] [--pin PIN | --no-pin] [--operator NAME]\n"
           "  --com N     link the line as ComN of vexmo-at ($XDG_CONFIG_HOME/vexmo-at/ports/comN)\n"
           "              (refused while another simulator holds ComN)\n"
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

// What a signal handler may reach: the link and its record, to remove at
// once where the program cannot end in order.
const char *linkToRemove = nullptr;
const char *recordToRemove = nullptr;

void removeLinkNow(int signal)
{
    for (const char *path : {linkToRemove, recordToRemove}) {
        if (path)
            ::unlink(path);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Every signal that would end it and can be caught ends it in order, its
// link removed: those a program is sent stop the loop (a wait is not
// restarted, so it ends at once); those of a fault remove the link there
// and then, and end as the fault would.
void stopOnEverySignal()
{
    struct sigaction stop = {};
    stop.sa_handler = [](int) { stopRequested = 1; };
    sigemptyset(&stop.sa_mask);
    for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                             SIGXCPU, SIGXFSZ, SIGIO, SIGPWR, SIGSTKFLT})
        ::sigaction(signal, &stop, nullptr);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        ::sigaction(signal, &stop, nullptr);
    struct sigaction fault = {};
    fault.sa_handler = &removeLinkNow;
    sigemptyset(&fault.sa_mask);
    for (const int signal : {SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGSEGV, SIGSYS, SIGTRAP})
        ::sigaction(signal, &fault, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// The record beside the link (.comN.sim): which simulator holds the line the
// link leads to, locked for as long as it runs. vexmo-at follows the link
// only while the lock is held, so a link left by a simulator that was killed
// never leads into whatever terminal gets that pseudo-terminal next.
std::string recordOf(const std::string &link)
{
    const size_t slash = link.rfind('/');
    return link.substr(0, slash + 1) + '.' + link.substr(slash + 1) + ".sim";
}

// The record's descriptor, locked, with this simulator in it; -1 with
// `holder` saying who has it when another simulator runs on this ComN.
int takeRecord(const std::string &record, const std::string &device, std::string &holder)
{
    const int fd = ::open(record.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        holder = std::strerror(errno);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        char text[256] = {};
        const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
        holder = n > 0 ? std::string(text, size_t(n)) : std::string("another simulator");
        holder.erase(holder.find_last_not_of('\n') + 1);
        ::close(fd);
        return -1;
    }
    const std::string line = "vexmo-modem-sim " + std::to_string(::getpid()) + ' ' + device + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, line.data(), line.size(), 0) != ssize_t(line.size())) {
        holder = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
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
            char *end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (*argv[i] == '\0' || *end != '\0' || n < 1 || n > PortFamilies::portCount) {
                std::cerr << "vexmo-modem-sim: --com wants a number from 1 to " << PortFamilies::portCount
                          << ", not '" << argv[i] << "'\n";
                usage(std::cerr);
                return 2;
            }
            com = int(n);
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
    stopOnEverySignal();

    sim::Line line;
    if (!line.open()) {
        std::cerr << "cannot open a pseudo-terminal: " << std::strerror(errno) << '\n';
        return 1;
    }
    const char *name = line.device().c_str();

    std::string link;
    std::string record;
    int recordFd = -1;
    if (com > 0) {
        link = portLink(com);
        record = recordOf(link);
        struct stat existing{};
        if (::lstat(link.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
            std::cerr << link << " exists and is not a link; not replacing it\n";
            return 1;
        }
        std::string holder;
        if (!makeDirectories(link) || (recordFd = takeRecord(record, name, holder)) < 0) {
            std::cerr << "Com" << com << " is taken: " << (holder.empty() ? std::strerror(errno) : holder) << '\n';
            return 1;
        }
        ::unlink(link.c_str());  // left by a simulator that was killed
        if (::symlink(name, link.c_str()) != 0) {
            std::cerr << "cannot link " << link << ": " << std::strerror(errno) << '\n';
            ::unlink(record.c_str());
            return 1;
        }
        linkToRemove = link.c_str();
        recordToRemove = record.c_str();
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
        linkToRemove = recordToRemove = nullptr;
        char target[128] = {};
        if (::readlink(link.c_str(), target, sizeof target - 1) > 0 && std::strcmp(target, name) == 0)
            ::unlink(link.c_str());
        ::unlink(record.c_str());  // still locked: no other simulator has taken it
        ::close(recordFd);
    }
    return 0;
}
