# The Debian 12 packages each command needs, and how they are installed.
# Sourced by tools/vexmo and tools/checks.

# The program and the simulated module: to build them and start the window.
run_packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev qt6-wayland libudev-dev fonts-liberation
              fonts-freefont-ttf)
# The tests also build the Debian package and check it, run the window under
# a headless Wayland compositor and on an X server with an accessibility
# bus, mock USB devices for libudev with umockdev (its library and header
# too), and stand in for ModemManager on a private bus.
test_packages=("${run_packages[@]}" dpkg-dev desktop-file-utils appstream lintian weston xvfb xauth dbus
               at-spi2-core umockdev libumockdev-dev python3-dbus python3-gi)
# The further checks: static analysis.
check_packages=("${test_packages[@]}" clang-tidy cppcheck)

# Installs those of the packages given that are missing, through sudo when
# not root; installs nothing when all are there.
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing ${missing[*]}"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}
