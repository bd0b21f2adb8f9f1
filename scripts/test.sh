#!/bin/sh
# Every test: installs what is missing, checks the sources' format, builds with the tests, and runs them
# all, then builds the Debian package from that build and tries it installed (as root), cross-builds
# quillot-cli.exe and the core suite, compares the program under Wine with the Linux build and runs the
# suite there, then runs them once more built with AddressSanitizer and UndefinedBehaviorSanitizer, then
# the fuzzers.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
# shellcheck disable=SC2086
scripts/ensure-packages.sh $TEST_PACKAGES
scripts/check-format.sh
scripts/build.sh -DQUILLOT_BUILD_TESTS=ON -DQUILLOT_BUILD_GUI=ON
(cd build && ctest --output-on-failure -j "$(nproc)")
tests/package/deb-test.sh build .
scripts/build-windows.sh -DQUILLOT_BUILD_TESTS=ON
tests/windows/recover-under-wine.sh build-windows/bin/quillot-cli.exe build/bin/quillot-cli
QUILLOT_BUILD_DIR=build-sanitize scripts/build.sh -DQUILLOT_BUILD_TESTS=ON -DQUILLOT_BUILD_GUI=ON -DQUILLOT_SANITIZE=ON
(cd build-sanitize && ctest --output-on-failure -j "$(nproc)")
scripts/fuzz.sh "${QUILLOT_FUZZ_SECONDS:-60}"
