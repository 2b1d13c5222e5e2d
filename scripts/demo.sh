#!/usr/bin/env bash
# Builds keyscript, installs its plugin folder with the example scripts into build/bundle, and presses each
# example key through keyscript-host, the stand-in host, so every round trip shows.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
bundle="$build/bundle/org.keyscript.sdPlugin"
# The install is the plugin folder the host loads, made anew each time: your own scripts
# belong in a folder of yours (see the README). A file in its cmd/ that is no example is moved
# aside first, never lost.
if [ -d "$bundle/cmd" ]; then
    kept="$build/kept-$(date +%Y%m%d-%H%M%S)"
    for file in "$bundle/cmd"/* "$bundle/cmd"/.[!.]*; do
        [ -e "$file" ] || [ -L "$file" ] || continue
        [ -e "examples/cmd/$(basename "$file")" ] && continue
        mkdir -p "$kept"
        mv "$file" "$kept/"
        echo "Moved $file, which is no example, to $kept/"
    done
fi
cmake --install "$build" --prefix "$build/bundle" >/dev/null

host="$bundle/bin/keyscript-host"
echo
echo "The plugin folder: $bundle, its program in bin/ and its scripts in cmd/"
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
show press org.keyscript.run --settings '{"script":"echo Hello from a typed command"}'
show press org.keyscript.greet --settings '{"name":"Ada"}'
show press org.keyscript.toggle
show press org.keyscript.toggle --state 1
show press org.keyscript.countdown --settings '{"seconds":"3"}' --quiet-ms 1500
show press org.keyscript.profile --settings '{"profile":"Work"}'
show press org.keyscript.check --settings '{"path":"/no/such/file"}'
show --json press org.keyscript.greet --context my-key
echo
echo "A key that stays live while visible: the clock, shown for three seconds, then hidden."
show appear org.keyscript.clock --for 3000 --quiet-ms 1500
echo
echo "A status light drawn as SVG, and a picture from a file; --save-images keeps what was drawn."
show appear org.keyscript.status --for 500 --save-images "$build/images/status"
show appear org.keyscript.logo --save-images "$build/images/logo"
echo
echo "Write your own: an executable script named after its action, in a folder of yours, then"
echo "  $host --cmd ~/keys press <action> --settings '{\"key\":\"value\"}'"
echo "  $host deck --cmd ~/keys       # every key live in your browser"
echo "and make your own plugin for the host of them:"
echo "  $host plugin --cmd ~/keys --uuid com.me.keys --name 'My keys' --install"
