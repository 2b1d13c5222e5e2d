#!/usr/bin/env bash
# Builds keyscript as a Windows x86-64 console program with MinGW-w64 against the Qt for Windows
# in ../shared/windows-qt/, runs its tests under Wine, makes the host's installer file and tries
# it on its own: unzipped into an empty folder, the host's validator checks the plugin folder in
# it and its keyscript-host.exe presses an example and serves the deck.
# BUILD_DIR chooses the build folder (default: build-win).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build-win}
shared=$root/../shared/windows-qt
tarball=$shared/qt-6.4.2-mingw-w64-x86_64.tar.xz

fail() {
    echo "windows-check: $*" >&2
    exit 1
}
[ -d "$root/../shared" ] || fail "no ../shared beside the project: it holds Qt for Windows"
[ -f "$tarball" ] || fail "$tarball is missing"

scripts/install-deps.sh g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine xz-utils unzip curl

mkdir -p "$build"
build=$(cd "$build" && pwd)
qt=$build/qt-6.4.2-mingw
if [ ! -f "$qt/.unpacked" ]; then
    (cd "$shared" && sha256sum --check --quiet SHA256SUMS) ||
        fail "$tarball does not match $shared/SHA256SUMS"
    rm -rf "$qt"
    tar -xJf "$tarball" -C "$build"
    touch "$qt/.unpacked"
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_FIND_ROOT_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR=wine -DKEYSCRIPT_WERROR=ON "$@"
cmake --build "$build"

# Wine of our own, quiet; the tests find Qt's DLLs and MinGW's runtime through WINEPATH.
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
echo "== starting Wine in $WINEPREFIX"
WINEPATH= wineboot --init >/dev/null 2>&1 || true
WINEPATH="$qt/bin;$runtime;/usr/x86_64-w64-mingw32/lib" \
    ctest --test-dir "$build" --output-on-failure --timeout 300

# The host's installer file, made by the build: keyscript-host.exe makes the folder under Wine.
cmake --build "$build" --target installer >/dev/null
installer=$build/org.keyscript.streamDeckPlugin
echo "== made $installer"

# The installer file by itself: nothing on WINEPATH, so every DLL must come from the folder.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$installer" -d "$unpacked"
try=$unpacked/org.keyscript.sdPlugin
grep -q '"UUID": "org.keyscript.greet"' "$try/manifest.json" 2>/dev/null ||
    fail "the installer file holds no org.keyscript.sdPlugin/manifest.json with the examples"
echo "== the host's validator on the unpacked installer file"
validator=$root/tests/plugin/node_modules/.bin/streamdeck
if [ -x "$validator" ]; then
    "$validator" validate "$try" 2>/dev/null | tee "$unpacked/validate.txt"
    ! grep -qiE 'error|warning' "$unpacked/validate.txt" || fail "the validator found problems"
else
    echo "(skipped: the validator is not installed in tests/plugin; scripts/test.sh installs it)"
fi
echo "== pressing an example from the unpacked folder"
(cd "$try" && WINEPATH= wine bin/keyscript-host.exe press org.keyscript.greet \
    --settings '{"name":"Tom & Jerry"}' --timeout 60000 --quiet-ms 3000)

# The deck from the zip: the page comes, and only with its token; a socket from another origin
# is refused.
echo "== serving the deck from the unpacked folder"
(cd "$try" && WINEPATH= wine bin/keyscript-host.exe deck --keys 2x1 >deck.out 2>&1 &)
url=
for _ in $(seq 1 120); do
    url=$(sed -n 's/^The deck: \(http[^[:space:]]*\).*/\1/p' "$try/deck.out" 2>/dev/null | head -1)
    [ -n "$url" ] && break
    sleep 0.5
done
stop_deck() { pkill -f 'keyscript-host.exe deck' || true; pkill -f 'keyscript.exe' || true; }
[ -n "$url" ] || { stop_deck; fail "the deck printed no address: $(cat "$try/deck.out")"; }
origin=${url%/*/}
status() { curl -s -o /dev/null -w '%{http_code}' --max-time 10 "$@"; }
page=$(status "$url")
no_token=$(status "$origin/")
foreign=$(status -H 'Connection: Upgrade' -H 'Upgrade: websocket' -H 'Sec-WebSocket-Version: 13' \
    -H 'Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==' -H 'Origin: http://evil.example' "${url}socket")
# Read whole before looking: grep -q stops at the first match, and under pipefail curl's broken
# pipe would count as a failure.
body=$(curl -s --max-time 10 "$url" || true)
grep -q '<title>keyscript deck</title>' <<<"$body" || page="$page, not the deck"
stop_deck
[ "$page" = 200 ] && [ "$no_token" = 404 ] && [ "$foreign" = 403 ] ||
    fail "deck: page $page (want 200), without token $no_token (404), other origin $foreign (403)"
echo "deck: the page, 404 without its token, 403 from another origin"
