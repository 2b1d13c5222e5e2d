#!/usr/bin/env bash
# Builds keyscript, installs it with its example scripts into build/bundle, and presses each
# example key through keyscript-host, the stand-in host, so every round trip shows.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
# Installed over what is there: the install writes its own files and removes nothing, so a
# script of yours in the bundle's cmd/ stays.
cmake --install "$build" --prefix "$build/bundle" >/dev/null

bundle="$build/bundle"
host="$bundle/bin/keyscript-host"
echo
echo "The bundle: $bundle/bin/keyscript with its scripts in $bundle/cmd/"
ls "$bundle/cmd"

show() { # prints the command as one would type it, then runs it
    printf '\n$ keyscript-host'
    for argument in "$@"; do
        case $argument in
        *[!A-Za-z0-9._/-]*) printf " '%s'" "$argument" ;;
        *) printf ' %s' "$argument" ;;
        esac
    done
    echo
    "$host" "$@"
}
show press com.example.greet --settings '{"name":"Ada"}'
show press com.example.toggle
show press com.example.toggle --state 1
show press com.example.countdown --settings '{"seconds":"3"}' --quiet-ms 1500
show press com.example.profile --settings '{"profile":"Work"}'
show press com.example.check --settings '{"path":"/no/such/file"}'
show --json press com.example.greet --context my-key
echo
echo "A key that stays live while visible: the clock, shown for three seconds, then hidden."
show appear com.example.clock --for 3000 --quiet-ms 1500
echo
echo "A status light drawn as SVG, and a picture from a file; --save-images keeps what was drawn."
show appear com.example.status --for 500 --save-images "$build/images/status"
show appear com.example.logo --save-images "$build/images/logo"
echo
echo "Write your own: an executable script named after its action, in a folder of yours, then"
echo "  $host --cmd ~/keys press <action> --settings '{\"key\":\"value\"}'"
echo "  $host deck --cmd ~/keys       # every key live in your browser"
