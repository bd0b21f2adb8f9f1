#!/bin/sh
# The main job: installs what is missing, builds, and runs Quillot on the shipped sample.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
# shellcheck disable=SC2086
scripts/ensure-packages.sh $DEMO_PACKAGES
scripts/build.sh -DQUILLOT_BUILD_TESTS=OFF
build/bin/quillot-cli formats
