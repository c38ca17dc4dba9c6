#!/bin/sh
# Runs a test program as an ordinary user: as root, as "nobody". Exit 77
# (skipped) when "nobody" cannot reach the program in this build folder.
program=$1
shift
[ "$(id -u)" -ne 0 ] && exec "$program" "$@"
nobody="setpriv --reuid=65534 --regid=65534 --clear-groups"
$nobody test -x "$program" || { echo "skipped: nobody cannot run $program"; exit 77; }
exec $nobody "$program" "$@"
