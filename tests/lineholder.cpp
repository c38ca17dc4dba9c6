// Holds a serial line as a terminal program does, for the tests: opens
// DEVICE, sets its speed, claims it alone (TIOCEXCL) and takes an flock as
// asked, says "held", then samples its own line every 0.2 ms. Each line on
// its standard input is answered with what it saw since it started:
// "changed=N exclusive=E", N the samples that found another speed.
//
//     lineholder DEVICE [--exclusive] [--flock] [--speed 115200]

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return 1;
    speed_t speed = B115200;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--exclusive") == 0 && ::ioctl(fd, TIOCEXCL) != 0)
            return 1;
        if (std::strcmp(argv[i], "--flock") == 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
            return 1;
        if (std::strcmp(argv[i], "--speed") == 0 && i + 1 < argc && std::strcmp(argv[++i], "57600") == 0)
            speed = B57600;
    }
    termios settings = {};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, speed);
    ::cfsetospeed(&settings, speed);
    ::tcsetattr(fd, TCSANOW, &settings);
    std::puts("held");
    std::fflush(stdout);

    long changed = 0;
    pollfd input = {STDIN_FILENO, POLLIN, 0};
    for (;;) {
        termios now = {};
        if (::tcgetattr(fd, &now) == 0 && ::cfgetospeed(&now) != speed)
            ++changed;
        if (::poll(&input, 1, 0) > 0) {
            char line[64];
            if (!std::fgets(line, sizeof line, stdin))
                return 0;
            int exclusive = 0;
            ::ioctl(fd, TIOCGEXCL, &exclusive);
            std::printf("changed=%ld exclusive=%d\n", changed, exclusive);
            std::fflush(stdout);
        }
        ::usleep(200);
    }
}
