#!/bin/sh
# quillot-cli recover as a script uses it: exit statuses, messages, report, dry run, Ctrl-C.
#   usage: recover-test.sh QUILLOT_CLI SOURCE_DIR
set -u
cli="$1"
src="$2"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config"
mkdir -p "$HOME"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_status() {  # expected, description, command...
  want=$1; what=$2; shift 2
  "$@" >"$tmp/out" 2>"$tmp/err"
  got=$?
  [ "$got" -eq "$want" ] || fail "$what: exit $got, wanted $want ($(cat "$tmp/err"))"
}

xz -dc "$src/samples/sample-card.img.xz" > "$tmp/card.img"
chmod 0444 "$tmp/card.img"
sum_before=$(md5sum < "$tmp/card.img")

# Bad usage: one clear line and the hint, status 2.
expect_status 2 "no destination" "$cli" recover --image "$tmp/card.img"
grep -q -- "--dest DIR is required" "$tmp/err" || fail "no message for a missing --dest"
grep -q "Try 'quillot-cli recover --help'" "$tmp/err" || fail "no usage hint"
expect_status 2 "both sources" "$cli" recover --image "$tmp/card.img" --drive C --dest "$tmp/x"
expect_status 2 "bad retries" "$cli" recover --image "$tmp/card.img" --dest "$tmp/x" --retries many
expect_status 2 "zero sectors per read" "$cli" recover --image "$tmp/card.img" --dest "$tmp/x" --sectors-per-read 0
expect_status 2 "missing image" "$cli" recover --image "$tmp/none.img" --dest "$tmp/x"
expect_status 2 "folder as image" "$cli" recover --image "$tmp" --dest "$tmp/x"
expect_status 2 "unknown type" "$cli" recover --image "$tmp/card.img" --dest "$tmp/x" --types WAV,NOPE
grep -q "NOPE" "$tmp/err" || fail "unknown type not named"
touch "$tmp/afile"
expect_status 2 "destination is a file" "$cli" recover --image "$tmp/card.img" --dest "$tmp/afile"
expect_status 2 "bad drive letter" "$cli" recover --drive 7 --dest "$tmp/x"
expect_status 2 "unknown option" "$cli" recover --image "$tmp/card.img" --dest "$tmp/x" --fast
[ -e "$tmp/x" ] && fail "a refused run created the destination"

# A dry run writes nothing but reports what would have been written.
expect_status 0 "dry run" "$cli" recover --image "$tmp/card.img" --dest "$tmp/dry" --dry-run --report "$tmp/dry.tsv"
[ -e "$tmp/dry" ] && fail "the dry run created the destination"
[ "$(tail -n +2 "$tmp/dry.tsv" | wc -l)" -eq 8 ] || fail "dry-run report: $(cat "$tmp/dry.tsv")"
grep -q "^Dry run: would recover 8 files" "$tmp/out" || fail "dry-run summary: $(tail -1 "$tmp/out")"

# The real run: the same names, a JSON report, log lines on stdout, no progress line off a terminal.
expect_status 0 "recovery" "$cli" recover --image "$tmp/card.img" --dest "$tmp/out1" --report "$tmp/r.json"
[ "$(ls "$tmp/out1" | wc -l)" -eq 8 ] || fail "recovered $(ls "$tmp/out1" | wc -l) files, wanted 8"
grep -q '"name": "snd00001.wav", "format": "WAV", "first_sector": ' "$tmp/r.json" || fail "json report: $(head -3 "$tmp/r.json")"
grep -q "Recovering file: snd00001.wav..." "$tmp/out" || fail "no log line on stdout"
grep -q "sector" "$tmp/err" && fail "a progress line went to a file"
cut -f1 "$tmp/dry.tsv" | tail -n +2 | sort > "$tmp/dry-names"
ls "$tmp/out1" | sort > "$tmp/real-names"
cmp -s "$tmp/dry-names" "$tmp/real-names" || fail "the dry run named other files"

# Only the chosen types; taken names are skipped, never overwritten, with --overwrite no.
expect_status 0 "chosen types" "$cli" recover --image "$tmp/card.img" --dest "$tmp/out1" --types wav,FLAC --overwrite no
grep -q "Recovering file: snd00002.wav..." "$tmp/out" || fail "taken name not skipped: $(cat "$tmp/out")"
[ "$(ls "$tmp/out1" | wc -l)" -eq 10 ] || fail "chosen types: $(ls "$tmp/out1")"

[ "$(md5sum < "$tmp/card.img")" = "$sum_before" ] || fail "the card image changed"

# Ctrl-C stops at the next chunk, closes the file, says so, and answers 130.
# Its own output files, empty before it starts: an earlier run's "Recovery started" must not be taken
# for this one's.
truncate -s 8G "$tmp/big.img"
: > "$tmp/ctrlc.out"
"$cli" recover --image "$tmp/big.img" --dest "$tmp/big" --all --sectors-per-read 1 >"$tmp/ctrlc.out" 2>"$tmp/ctrlc.err" &
pid=$!
i=0
until grep -q "Recovery started" "$tmp/ctrlc.out" 2>/dev/null || [ $i -ge 300 ]; do sleep 0.1; i=$((i + 1)); done
kill -INT $pid
wait $pid
status=$?
[ $status -eq 130 ] || fail "Ctrl-C: exit $status, wanted 130 ($(tail -2 "$tmp/ctrlc.err"))"
grep -q "^Recovery cancelled.$" "$tmp/ctrlc.out" || fail "Ctrl-C: $(tail -2 "$tmp/ctrlc.out")"

[ $failures -eq 0 ] && echo "all recover checks passed"
exit $failures
