#!/usr/bin/env bash
# Makes keyscript's macOS installer file on a Mac: org.keyscript-macos.streamDeckPlugin in the
# project's folder; open it and the host installs keyscript. Uses the Qt that QT_ROOT_DIR names,
# or Homebrew's, and installs Homebrew's Qt, CMake and Ninja where they are missing.
# Usage: scripts/macos-package.sh [cmake-option ...]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(uname)" != Darwin ]; then
    echo "macos-package.sh: this makes the macOS file on a Mac; on Linux," \
        "scripts/windows-check.sh makes the Windows one" >&2
    exit 2
fi
qt=${QT_ROOT_DIR:-}
if [ -z "$qt" ]; then
    command -v brew >/dev/null || {
        echo "macos-package.sh: Homebrew is needed (https://brew.sh), or QT_ROOT_DIR naming a Qt 6" >&2
        exit 2
    }
    brew list qt >/dev/null 2>&1 || brew install qt
    qt=$(brew --prefix qt)
fi
for tool in cmake ninja; do
    command -v "$tool" >/dev/null || brew install "$tool"
done

build=${BUILD_DIR:-build-macos}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$qt" "$@"
cmake --build "$build"
cmake --build "$build" --target installer
cp "$build/org.keyscript.streamDeckPlugin" org.keyscript-macos.streamDeckPlugin
echo "Made org.keyscript-macos.streamDeckPlugin: open it, and the host installs keyscript."
