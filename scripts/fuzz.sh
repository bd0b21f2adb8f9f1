#!/bin/sh
# Builds the libFuzzer targets with clang into build-fuzz/ (or $QUILLOT_FUZZ_DIR), replays every
# committed corpus, then fuzzes each target for SECONDS (default 60) from its corpus, as many at once as
# there are cores. New inputs go to the build folder, never into fuzz/corpus; a finding fails the script
# with the input libFuzzer saved.
#   usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
[ $# -gt 0 ] && shift
targets="${*:-rules formats_file language_file settings_store comma_text stream_units pieces_pass review_report}"
dir="${QUILLOT_FUZZ_DIR:-build-fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLOT_BUILD_FUZZ=ON -DQUILLOT_BUILD_TESTS=OFF -DQUILLOT_BUILD_GUI=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"
(cd "$dir" && ctest --output-on-failure)
# One fuzzer a core: each is single-threaded.
fuzz_one() {
  t=$1
  work="$dir/fuzz/work/$t"
  mkdir -p "$work" "$dir/fuzz/findings"
  # Each formats-file run rescans every section for every key: shorter inputs keep the pace up.
  limit=""
  [ "$t" = formats_file ] && limit="-max_len=4096"
  # shellcheck disable=SC2086
  "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 $limit \
    -artifact_prefix="$dir/fuzz/findings/$t-" "$work" "fuzz/corpus/$t" 2>"$dir/fuzz/$t.log" || {
    tail -n 40 "$dir/fuzz/$t.log"
    echo "fuzz_$t found a fault; the input is in $dir/fuzz/findings/"
    return 1
  }
  echo "== fuzz_$t for ${seconds}s: $(grep -E "^stat::number_of_executed_units|^Done|cov: .* DONE" "$dir/fuzz/$t.log" | tr '\n' ' ')"
}
failed=0
batch=""
finish_batch() {
  for pid in $batch; do wait "$pid" || failed=1; done
  batch=""
}
for t in $targets; do
  fuzz_one "$t" &
  batch="$batch $!"
  [ "$(echo $batch | wc -w)" -ge "$(nproc)" ] && finish_batch
done
finish_batch
exit "$failed"
