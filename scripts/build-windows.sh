#!/bin/sh
# Cross-builds the core and quillot-cli.exe for 64-bit Windows into build-windows/ (or
# $QUILLOT_WINDOWS_BUILD_DIR), statically linked so the program runs on its own. Installs mingw-w64 and
# Wine first when they are missing. Extra arguments go to CMake.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
# shellcheck disable=SC2086
sh scripts/ensure-packages.sh $WINDOWS_PACKAGES
dir="${QUILLOT_WINDOWS_BUILD_DIR:-build-windows}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQUILLOT_BUILD_GUI=OFF -DQUILLOT_BUILD_TESTS=OFF "$@" >/dev/null
targets=quillot-cli
# -DQUILLOT_BUILD_TESTS=ON adds the core suite, which tests/windows/recover-under-wine.sh runs under Wine.
case " $* " in *" -DQUILLOT_BUILD_TESTS=ON "*) targets="$targets quillot_tests" ;; esac
# shellcheck disable=SC2086
cmake --build "$dir" -j 2 --target $targets
