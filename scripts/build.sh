#!/bin/sh
# Configures and builds into build/ (or $QUILLOT_BUILD_DIR). Extra arguments go to CMake.
set -eu
cd "$(dirname "$0")/.."
dir="${QUILLOT_BUILD_DIR:-build}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
