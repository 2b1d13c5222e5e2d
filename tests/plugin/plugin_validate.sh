#!/usr/bin/env bash
# The host's own validator on the plugin folders keyscript makes: this build's install
# (keyscript's own plugin, the examples its actions) and an author's plugin made by
# keyscript-host plugin from a folder of scripts. A warning counts as a failure too.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
validator=$here/node_modules/.bin/streamdeck
if ! node -e 'process.exit(parseInt(process.versions.node) < 20 ? 1 : 0)' 2>/dev/null; then
    echo "skipped: the host's validator needs Node.js 20 or later"
    exit 77
fi
if [ ! -x "$validator" ]; then
    echo "skipped: the host's validator is not installed in $here (scripts/test.sh installs it)"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

validate() { # validate FOLDER: no error and no warning
    local report
    report=$("$validator" validate "$1" 2>/dev/null) || { echo "$report"; return 1; }
    if grep -qi 'warning' <<<"$report"; then
        echo "$report"
        return 1
    fi
    echo "ok: $1 passes the host's validator"
}

cmake --install "$build" --prefix "$work/install" >/dev/null
own=$work/install/org.keyscript.sdPlugin
validate "$own"
grep -q '"UUID": "org.keyscript.greet"' "$own/manifest.json" ||
    { echo "the examples are no actions of keyscript's own plugin"; exit 1; }

# An author's folder: a press script, an action with an appear script only, a header with a
# name and two states, and an SVG icon beside a script.
keys=$work/keys
mkdir -p "$keys"
printf '#!/bin/sh\necho "setTitle Hello $ZEB_name"\n' >"$keys/com.me.keys.hello"
printf '#!/bin/sh\nwhile read -r event payload; do echo "setTitle $event"; done\n' \
    >"$keys/com.me.keys.live@willAppear"
printf '#!/bin/sh\n# keyscript name: Mute microphone\n# keyscript states: 2\necho "setState 1"\n' \
    >"$keys/com.me.keys.mute"
printf '<svg xmlns="http://www.w3.org/2000/svg" width="72" height="72"><circle cx="36" cy="36" r="30" fill="#c62828"/></svg>\n' \
    >"$keys/com.me.keys.mute.svg"
chmod +x "$keys"/com.me.keys.hello "$keys"/com.me.keys.live@willAppear "$keys"/com.me.keys.mute
"$own/bin/keyscript-host" plugin --cmd "$keys" --uuid com.me.keys --name "My keys" \
    --out "$work/made" >/dev/null
validate "$work/made/com.me.keys.sdPlugin"
