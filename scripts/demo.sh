#!/bin/sh
# The main job: installs what is missing, builds both programs (the wizard and the command line), and
# recovers the sample memory card that ships with Quillot into build/recovered-sample/, printing what it
# found.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
# shellcheck disable=SC2086
scripts/ensure-packages.sh $DEMO_PACKAGES
scripts/build.sh -DQUILLOT_BUILD_TESTS=OFF -DQUILLOT_BUILD_GUI=ON
xz -dc samples/sample-card.img.xz > build/sample-card.img
rm -rf build/recovered-sample
build/bin/quillot-cli recover --image build/sample-card.img --dest build/recovered-sample \
  --report build/recovered-sample.tsv
echo
echo "Recovered files (also listed in build/recovered-sample.tsv):"
ls -l build/recovered-sample
echo
echo "The wizard is build/bin/quillot; open the card in it with: build/bin/quillot --image build/sample-card.img"
