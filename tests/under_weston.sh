#!/usr/bin/env bash
# Runs a test program as a Wayland client of a headless weston compositor
# of its own. QT_QPA_PLATFORM=wayland has no fallback: the run fails if the
# program cannot reach the compositor.
set -euo pipefail
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
weston --backend=headless-backend.so --socket=wayland-vexmo --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston=$!
trap 'kill $weston 2>/dev/null; wait $weston 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do [ -S "$runtime/wayland-vexmo" ] && break; sleep 0.05; done
[ -S "$runtime/wayland-vexmo" ] || { cat "$runtime/weston.log"; echo "weston did not start"; exit 1; }
WAYLAND_DISPLAY=wayland-vexmo QT_QPA_PLATFORM=wayland "$@"
