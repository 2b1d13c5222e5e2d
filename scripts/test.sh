#!/usr/bin/env bash
# Builds keyscript and runs every test with CTest. Installs what is missing first.
# Usage: scripts/test.sh [cmake-option ...]    e.g. scripts/test.sh -DKEYSCRIPT_SANITIZE=ON
# BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian's Chromium for the deck's browser test, and Node.js with puppeteer-core to drive it
# (pinned in tests/deck/package-lock.json; it downloads no browser of its own).
extra=(chromium)
command -v node >/dev/null && command -v npm >/dev/null || extra+=(nodejs npm)
scripts/install-deps.sh "${extra[@]}"
if [ ! -d tests/deck/node_modules/puppeteer-core ]; then
    (cd tests/deck && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi
# The host's own validator of plugin folders, a test tool only (pinned in
# tests/plugin/package-lock.json); it needs Node.js 20, and its test skips without it.
if [ ! -d tests/plugin/node_modules/@elgato/cli ] &&
    node -e 'process.exit(parseInt(process.versions.node) < 20 ? 1 : 0)'; then
    (cd tests/plugin && npm ci --no-audit --no-fund --loglevel=error)
fi
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 300
