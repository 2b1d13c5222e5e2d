#!/usr/bin/env bash
# Installs the build into a temporary plugin folder and presses every example script through
# keyscript-host, comparing what comes back with what a user would expect to see.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
export XDG_STATE_HOME=$prefix/state # the toggle example keeps its state here
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix/bundle" >/dev/null
bundle="$prefix/bundle/org.keyscript.sdPlugin"
host="$bundle/bin/keyscript-host"

failures=0
expect() { # expect "what it shows" -- keyscript-host arguments
    local expected=$1 actual
    shift 2
    actual=$("$host" --uuid PLUGIN "$@")
    if [ "$actual" == "$expected" ]; then
        echo "ok: $*"
    else
        echo "FAILED: keyscript-host $*"
        diff <(echo "$expected") <(echo "$actual") || true
        failures=$((failures + 1))
    fi
}

expect 'setTitle context=key-1 target=0 title="Hello\nAda"' \
    -- press org.keyscript.greet --settings '{"name":"Ada"}'
expect 'setState context=key-1 state=1
setSettings context=key-1 on="1"
setTitle context=key-1 target=0 title="On"' -- press org.keyscript.toggle
expect 'setState context=key-1 state=0
setSettings context=key-1 on="0"
setTitle context=key-1 target=0 title="Off"' -- press org.keyscript.toggle --state 1
# The host says the state of a key of two states on every press: it, not the settings, counts.
expect 'setState context=key-1 state=1
setSettings context=key-1 on="1"
setTitle context=key-1 target=0 title="On"' -- press org.keyscript.toggle --settings '{"on":"1"}'
logo_size=$(wc -c <"$bundle/cmd/org.keyscript.logo.svg")
expect "setImage context=key-1 image=<image/svg+xml, $logo_size bytes> target=0" \
    -- appear org.keyscript.logo
expect 'setImage context=key-1 image=<image/svg+xml, 116 bytes> target=0' \
    -- appear org.keyscript.status --for 300 --settings '{"path":"/"}'
expect 'setTitle context=key-1 target=0 title="2"
setTitle context=key-1 target=0 title="1"
setTitle context=key-1 target=0 title="Go!"' \
    -- --quiet-ms 1500 press org.keyscript.countdown --settings '{"seconds":"2"}'
expect 'setTitle context=key-1 target=0 title="Hello\nAdaswitchProfile Evil"' \
    -- press org.keyscript.greet --settings '{"name":"Ada\nswitchProfile Evil"}'
# keyscript's own plugin ships no profiles, and the host switches to none but a plugin's own.
expect 'switchToProfile context=PLUGIN device=device-1 profile="Work" (refused: the host switches only to profiles a plugin ships in its manifest)' \
    -- press org.keyscript.profile --settings '{"profile":"Work"}'
expect 'setTitle context=k target=0 title="missing"
showAlert context=k' \
    -- press org.keyscript.check --settings '{"path":"/no/such/file"}' --context k
expect 'setTitle context=key-1 target=0 title="OK\ntmp"
showOk context=key-1' \
    -- press org.keyscript.check --settings '{"path":"/tmp"}'

# The free disk space is looked at again every ten seconds; once is enough to see.
disk=$("$host" appear org.keyscript.disk --for 300 --settings '{"path":"/"}')
if grep -qE '^setTitle context=key-1 target=0 title="[0-9]+\.[0-9]\\nGB free"$' <<<"$disk"; then
    echo "ok: appear org.keyscript.disk"
else
    echo "FAILED: the free disk space showed: $disk"
    failures=$((failures + 1))
fi
# The clock ticks once a second while visible, and stops when it disappears.
clock=$("$host" appear org.keyscript.clock --for 2500 --quiet-ms 1500)
ticks=$(grep -cE '^setTitle context=key-1 target=0 title="[0-9]{2}:[0-9]{2}:[0-9]{2}"$' \
    <<<"$clock" || true)
if [ "$ticks" -ge 2 ] && [ "$ticks" -le 4 ] && [ "$ticks" -eq "$(wc -l <<<"$clock")" ]; then
    echo "ok: appear org.keyscript.clock --for 2500 ($ticks ticks)"
else
    echo "FAILED: the clock showed: $clock"
    failures=$((failures + 1))
fi

# Live keys: presses and new settings reach the appear script on its standard input.
event() { # event NAME ACTION SETTINGS
    printf '{"event":"%s","action":"%s","context":"c","payload":{"settings":%s}}' "$1" "$2" "$3"
}
press=$(event keyDown org.keyscript.counter '{}')
expect 'setTitle context=c target=0 title="5"
setTitle context=c target=0 title="6"
setSettings context=c count="6"
setTitle context=c target=0 title="7"
setSettings context=c count="7"' \
    -- appear org.keyscript.counter --for 1000 --context c --settings '{"count":"5"}' \
    --send "$press" --send "$press"
green='setImage context=c image=<image/svg+xml, 116 bytes> target=0'
load=$("$host" appear org.keyscript.load --for 1000 --context c --settings '{"limit":"1000"}' \
    --log --send "$(event didReceiveSettings org.keyscript.load '{"limit":"0"}')")
if grep -q '#2e7d32' <<<"$load" && grep -q '#c62828' <<<"$load" &&
    [ "$(grep -c "^$green" <<<"$load")" -eq 2 ]; then
    echo "ok: appear org.keyscript.load, green, then red under a new limit"
else
    echo "FAILED: the load light showed: $load"
    failures=$((failures + 1))
fi
# A dial: turned past its highest, then back; the settings keep the level.
expect 'setSettings context=key-1 max="10" min="0" n="10"
setFeedback context=key-1 indicator={"value":100} title="Level" value="10"
setSettings context=key-1 max="10" min="0" n="4"
setFeedback context=key-1 indicator={"value":40} title="Level" value="4"' \
    -- rotate org.keyscript.level --ticks 7 --settings '{"min":"0","max":"10","n":"8"}' \
    wait 500 rotate org.keyscript.level --ticks -6
# The volume dial says on its strip when the system has no command for the volume.
if ! command -v wpctl >/dev/null && ! command -v pactl >/dev/null && ! command -v osascript >/dev/null; then
    expect 'setFeedback context=key-1 indicator={"value":0} title="Volume" value="no volume command here"' \
        -- rotate org.keyscript.volume --ticks 2
else
    echo "skipped: org.keyscript.volume would change this machine's volume"
fi
if command -v python3 >/dev/null; then
    turn=$(event dialRotate org.keyscript.pylevel '{"min":"0","max":"10"}' | sed 's/"payload":{/"payload":{"ticks":3,/')
    expect 'setFeedback context=c indicator={"value":0} title="Level" value="0"
setFeedback context=c indicator={"value":30} title="Level" value="3"
setSettings context=c max="10" min="0" n="3"' \
        -- appear org.keyscript.pylevel --for 1000 --context c --settings '{"min":"0","max":"10"}' \
        --send "$turn"
    press=$(event keyDown org.keyscript.pycounter '{}')
    expect 'setTitle context=c target=0 title="0"
setTitle context=c target=0 title="1"
setSettings context=c count="1" step="1"
setTitle context=c target=0 title="11"
setSettings context=c count="11" step="10"' \
        -- appear org.keyscript.pycounter --for 1000 --context c --send "$press" \
        --send "$(event didReceiveSettings org.keyscript.pycounter '{"step":"10"}')" --send "$press"
else
    echo "skipped: org.keyscript.pycounter, no python3 here"
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
