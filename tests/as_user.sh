#!/bin/sh
# Runs a test program as an ordinary user: as root, as "nobody". Where
# "nobody" cannot reach this build folder, the program and the helper
# programs beside it run from a copy that it can reach.
set -e
program=$1
shift
[ "$(id -u)" -ne 0 ] && exec "$program" "$@"
nobody="setpriv --reuid=65534 --regid=65534 --clear-groups"
if ! $nobody test -x "$program"; then
    copy=$(mktemp -d)
    trap 'rm -rf "$copy"' EXIT
    chmod 755 "$copy"
    cp "$program" "$copy/"
    [ -x "$(dirname "$program")/lineholder" ] && cp "$(dirname "$program")/lineholder" "$copy/"
    export VEXMO_LINE_HOLDER="$copy/lineholder"
    program="$copy/$(basename "$program")"
    $nobody test -x "$program" || { echo "nobody cannot run $program even from a copy"; exit 1; }
    $nobody "$program" "$@"
    exit
fi
exec $nobody "$program" "$@"
