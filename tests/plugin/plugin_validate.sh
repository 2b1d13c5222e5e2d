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

# An author's folder: a press script with a PNG and its @2x, an action with an appear script
# only, a header with a name and two named states, each with its own picture, and an icon of
# its own for the action list.
keys=$work/keys
mkdir -p "$keys"
printf '#!/bin/sh\necho "setTitle Hello $ZEB_name"\n' >"$keys/com.me.keys.hello"
printf '#!/bin/sh\n# keyscript name: Mute microphone\n# keyscript tooltip: Mutes the microphone\n# keyscript states: Off, On\n# keyscript user-title: off\n# keyscript on-failure: alert\n# keyscript on-success: ok\n# keyscript setting: device "Microphone" default\n# keyscript shared-setting: token secret "API token"\n# keyscript profile: Main 7\n# keyscript watch-app: com.apple.mail\n# keyscript watch-app: obs64.exe\necho "setState 1"\n' \
    >"$keys/com.me.keys.mute"
# The Windows script of the same action: its headers agree, and its watched programs count too.
printf '# keyscript name: Mute microphone\n# keyscript states: Off, On\n# keyscript shell: pwsh\n# keyscript watch-app: OBS64.exe\n# keyscript watch-app: notepad.exe\n' \
    >"$keys/com.me.keys.mute.ps1"
printf '#!/bin/sh\n# keyscript every: 10s\n# keyscript watch-app: com.apple.mail\necho "setTitle $(date +%%S)"\n' \
    >"$keys/com.me.keys.live@willAppear"
for state in 0 1; do
    printf '<svg xmlns="http://www.w3.org/2000/svg" width="72" height="72"><circle cx="36" cy="36" r="30" fill="#%s"/></svg>\n' \
        "$([ $state = 0 ] && echo 2e7d32 || echo c62828)" >"$keys/com.me.keys.mute.$state.svg"
done
cp "$own/images/action.svg" "$keys/com.me.keys.mute.icon.svg"
cp "$own/images/plugin.png" "$keys/com.me.keys.hello.png"
cp "$own/images/plugin@2x.png" "$keys/com.me.keys.hello@2x.png"
# A dial: its turns and pushes, a layout of its own for its strip, the words for its gestures.
printf '#!/bin/sh\n# keyscript layout: volume.json\n# keyscript rotate: Volume\n# keyscript push: Mute\n# keyscript touch: Mute\n# keyscript long-touch: Reset\necho "setFeedback {\\"level\\":$KEYSCRIPT_TICKS}"\n' \
    >"$keys/com.me.keys.volume@dialRotate"
cp "$keys/com.me.keys.volume@dialRotate" "$keys/com.me.keys.volume@dialDown"
chmod +x "$keys/com.me.keys.volume@dialRotate" "$keys/com.me.keys.volume@dialDown"
# Its layout uses every property the host's layout schema knows, on every type of item.
cat >"$keys/volume.json" <<'JSON'
{"$schema": "https://schemas.elgato.com/streamdeck/plugins/layout.json", "id": "volume", "items": [
 {"key": "title", "type": "text", "rect": [16, 8, 168, 24], "value": "Volume", "alignment": "left",
  "color": "#ffffff", "font": {"size": 16, "weight": 600}, "text-overflow": "fade",
  "background": "#000000", "enabled": true, "opacity": 1, "zOrder": 1},
 {"key": "icon", "type": "pixmap", "rect": [0, 40, 16, 16], "value": "images/key.svg",
  "background": "#000000", "enabled": true, "opacity": 0.5, "zOrder": 0},
 {"key": "level", "type": "bar", "rect": [16, 50, 168, 20], "value": 0, "range": {"min": 0, "max": 100},
  "subtype": 4, "border_w": 1, "bar_bg_c": "#111111", "bar_border_c": "#222222",
  "bar_fill_c": "#333333", "background": "#000000", "enabled": true, "opacity": 0.9, "zOrder": 2},
 {"key": "peak", "type": "gbar", "rect": [16, 75, 168, 20], "value": 0, "range": {"min": 0, "max": 100},
  "subtype": 0, "border_w": 0, "bar_h": 8, "bar_bg_c": "#111111", "bar_border_c": "#222222",
  "bar_fill_c": "#333333", "background": "#000000", "enabled": false, "opacity": 0, "zOrder": 700}
]}
JSON
cp "$own/images/action.svg" "$keys/com.me.keys.volume.dial.svg"
# A profile it ships (its contents are the host's; the validator reads its entry).
mkdir "$keys/profiles"
(cd "$work" && mkdir -p p/x && printf '{}' >p/x/manifest.json && cd p && cmake -E tar cf "$keys/profiles/Main.streamDeckProfile" --format=zip x)
chmod +x "$keys"/com.me.keys.hello "$keys"/com.me.keys.live@willAppear "$keys"/com.me.keys.mute
"$own/bin/keyscript-host" plugin --cmd "$keys" --uuid com.me.keys --name "My keys" \
    --support-url https://example.com/help --out "$work/made" --pack >/dev/null
made=$work/made/com.me.keys.sdPlugin
validate "$made"
# The same manifest and layout against the host's schemas themselves, with the JSON-schema
# validator its validator uses.
node -e '
const [here, manifest, layout] = process.argv.slice(1);
const Ajv = require(here + "/node_modules/ajv");
const ajv = new (Ajv.default || Ajv)({ strict: false, allErrors: true });
for (const [schema, file] of [["manifest", manifest], ["layout", layout]]) {
    const check = ajv.compile(require(here + "/node_modules/@elgato/schemas/streamdeck/plugins/" + schema + ".json"));
    if (!check(JSON.parse(require("fs").readFileSync(file, "utf8")))) {
        console.log(file + " fails the host schema " + schema + ".json: " + JSON.stringify(check.errors));
        process.exit(1);
    }
    console.log("ok: " + file + " passes the host schema " + schema + ".json");
}' "$here" "$made/manifest.json" "$made/cmd/volume.json"
# The installer file --pack wrote beside it unpacks to a folder the validator passes too.
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$work/made/com.me.keys.streamDeckPlugin")
validate "$work/unpacked/com.me.keys.sdPlugin"
cmp -s "$made/manifest.json" "$work/unpacked/com.me.keys.sdPlugin/manifest.json" ||
    { echo "the installer file's manifest is not the folder's"; exit 1; }
for expected in '"SupportURL": "https://example.com/help"' '"Name": "On"' '"Readonly": false' \
    '"DeviceType": 7' '"MinimumVersion": "6.9"' '"com.apple.mail"' '"notepad.exe"' '"obs64.exe"' \
    '"layout": "cmd/volume.json"' '"Rotate": "Volume"' '"Icon": "images/actions/com.me.keys.volume.dial"' \
    '"Image": "images/actions/com.me.keys.mute.1"' '"Icon": "images/actions/com.me.keys.mute.icon"'; do
    grep -qF "$expected" "$made/manifest.json" || { echo "the manifest lacks $expected"; exit 1; }
done
[ -f "$made/images/actions/com.me.keys.hello@2x.png" ] || { echo "no @2x picture"; exit 1; }
