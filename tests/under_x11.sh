#!/usr/bin/env bash
# Runs a test program on an X server of its own with a session bus and the
# accessibility bus started on it, as on a desktop with a screen reader:
# what needs X11 (the PRIMARY selection) or screen readers is tried there.
set -euo pipefail
if [ -z "${VEXMO_UNDER_X11:-}" ]; then
    export VEXMO_UNDER_X11=1
    exec xvfb-run -a dbus-run-session -- "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 VEXMO_ACCESSIBILITY=1
# The accessibility bus, started before the program asks for it.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null
exec "$@"
