#!/usr/bin/env bash
# Each folder of src/ includes only its own files and those of the floors
# below it. The device part (serialdevice/), the text box's document
# (textdocument/) and the meanings of replies (replies/) include nothing of
# the widget layer; the compiler refuses
# Qt's widgets there, as their libraries do not link them.
set -euo pipefail
src=$1

may_include() {
    case $1 in
        app/*)          echo "app/ commands/ session/ serialdevice/ replies/ textbox/ textdocument/ widgets/" ;;
        commands/*)     echo "commands/ serialdevice/ textbox/ textdocument/ widgets/" ;;
        session/*)      echo "session/ serialdevice/ replies/ textbox/ textdocument/ widgets/" ;;
        serialdevice/*) echo "serialdevice/" ;;
        textbox/*)      echo "textbox/ textdocument/ widgets/" ;;
        textdocument/*) echo "textdocument/" ;;
        replies/*)      echo "replies/" ;;
        widgets/*)      echo "widgets/" ;;
    esac
}

status=0
cd "$src"
for file in */*.h */*.cpp; do
    allowed=$(may_include "$file")
    while IFS= read -r included; do
        ok=no
        for prefix in $allowed; do
            [[ $included == "$prefix"* ]] && ok=yes
        done
        if [ $ok = no ]; then
            echo "$file includes \"$included\": a floor may only include itself and the floors below it"
            status=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done
[ $status -eq 0 ] && echo "every include points down"
exit $status
