#!/bin/sh
# The benchmark: installs what is missing (the build, the encoders that make the card, the peer carvers),
# builds Quillot with its benchmarks into build-bench/, and runs the harness. Arguments go to harness.py
# (--cards, --size-mib, --voice-size-mib, --runs, --work); the defaults make two 2 GiB cards and two
# 256 MiB voice recorder's cards and take the median of 3 runs.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
# shellcheck disable=SC2086
scripts/ensure-packages.sh $BUILD_PACKAGES $GUI_PACKAGES libbenchmark-dev python3 time dosfstools mtools sox libsox-fmt-all \
  lame twolame flac vorbis-tools opus-tools ffmpeg imagemagick zip foremost scalpel testdisk espeak-ng wavpack
QUILLOT_BUILD_DIR=build-bench scripts/build.sh -DQUILLOT_BUILD_TESTS=OFF -DQUILLOT_BUILD_BENCH=ON -DQUILLOT_BUILD_GUI=ON
exec python3 bench/harness.py "$@"
