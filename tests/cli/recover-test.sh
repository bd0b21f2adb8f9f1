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
expect_status 2 "reassembling without trimming" "$cli" recover --image "$tmp/card.img" --dest "$tmp/x" --reassemble
grep -q -- "--reassemble needs --trim" "$tmp/err" || fail "--reassemble without --trim: $(cat "$tmp/err")"
[ -e "$tmp/x" ] && fail "a refused run created the destination"

# A dry run writes nothing but reports what would have been written.
expect_status 0 "dry run" "$cli" recover --image "$tmp/card.img" --dest "$tmp/dry" --dry-run --report "$tmp/dry.tsv"
[ -e "$tmp/dry" ] && fail "the dry run created the destination"
[ "$(tail -n +2 "$tmp/dry.tsv" | wc -l)" -eq 8 ] || fail "dry-run report: $(cat "$tmp/dry.tsv")"
grep -q "^Dry run: would recover 8 files" "$tmp/out" || fail "dry-run summary: $(tail -1 "$tmp/out")"
# Untrimmed, each file runs on to the next start: the summary says so and what ends them there. The summary is in
# the chosen language, as the wizard's Finish page.
grep -q "^8 files hold bytes after their recording's end; --trim ends them there.$" "$tmp/out" ||
  fail "bytes after the end: $(tail -2 "$tmp/out")"
mkdir -p "$XDG_CONFIG_HOME/Brantwick"
printf '[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Global]\n"GlobalLanguage"="German.lng"\n' \
  > "$XDG_CONFIG_HOME/Brantwick/Quillot.reg"
expect_status 0 "dry run in German" "$cli" recover --image "$tmp/card.img" --dest "$tmp/dry" --dry-run --trim
grep -q "^8 Dateien: 8 vollständig, 0 gekürzt, 0 defekt, 0 unklar.$" "$tmp/out" || fail "German summary: $(tail -1 "$tmp/out")"
rm "$XDG_CONFIG_HOME/Brantwick/Quillot.reg"

# The real run: the same names, a JSON report, log lines on stdout, no progress line off a terminal.
expect_status 0 "recovery" "$cli" recover --image "$tmp/card.img" --dest "$tmp/out1" --report "$tmp/r.json"
[ "$(ls "$tmp/out1" | wc -l)" -eq 8 ] || fail "recovered $(ls "$tmp/out1" | wc -l) files, wanted 8"
grep -q '"name": "snd00001.wav", "format": "WAV", "first_sector": ' "$tmp/r.json" || fail "json report: $(head -3 "$tmp/r.json")"
grep -q "Recovering file: snd00001.wav..." "$tmp/out" || fail "no log line on stdout"
grep -q "sector" "$tmp/err" && fail "a progress line went to a file"
cut -f1 "$tmp/dry.tsv" | tail -n +2 | sort > "$tmp/dry-names"
ls "$tmp/out1" | sort > "$tmp/real-names"
cmp -s "$tmp/dry-names" "$tmp/real-names" || fail "the dry run named other files"

# With --trim a file is written to its recording's last byte: every file of the sample card comes back
# as the clip it was made from, each one whole.
expect_status 0 "trimmed" "$cli" recover --image "$tmp/card.img" --dest "$tmp/trim" --trim --report "$tmp/trim.tsv"
for clip in "$src"/samples/audio/*; do
  found=no
  for f in "$tmp"/trim/*; do cmp -s "$f" "$clip" && found=yes; done
  [ $found = yes ] || fail "no trimmed file is $(basename "$clip")"
done
grep -q "^8 files: 8 whole, 0 cut short, 0 damaged, 0 unknown.$" "$tmp/out" || fail "verdicts: $(tail -1 "$tmp/out")"
grep -q "^flac00006.flac	FLAC	1716	57	28918		no	whole	checksums	1773-1812			not checked	0	$tmp/trim/flac00006.flac$" "$tmp/trim.tsv" || fail "verdict columns: $(cat "$tmp/trim.tsv")"
# The sectors after a trimmed file's end, up to the next start or the end of the medium, are listed.
{ cat "$src/samples/audio/voice-memo.wav"; head -c $((265 * 512 - 135596 + 10 * 512)) /dev/zero | tr '\0' '\356'; } > "$tmp/gap.img"
expect_status 0 "trimmed before a gap" "$cli" recover --image "$tmp/gap.img" --dest "$tmp/gap" --trim --report "$tmp/gap.tsv"
[ "$(tail -n +2 "$tmp/gap.tsv" | cut -f1,4,5,8,10)" = "$(printf 'snd00001.wav\t265\t135596\twhole\t265-274')" ] ||
  fail "unwritten sectors: $(cat "$tmp/gap.tsv")"

# --verify decodes every file after the pass: each clip's playing time and "plays to the end", the
# report's new columns, and a map whose spans lie at the files' sectors. Untrimmed, the bytes after each
# stream's end are counted and the file still plays to its end.
if [ -x "$(dirname "$cli")/quillot-decode" ]; then
  expect_status 0 "verified" "$cli" recover --image "$tmp/card.img" --dest "$tmp/ver" --trim --verify \
    --map "$tmp/map.svg" --report "$tmp/ver.tsv"
  for line in "snd00001.wav: 4.236" "mp300002.mp3: 3.702" "opus00003.opus: 3.702" "mp300004.mp3: 3.000" \
              "ogg00005.ogg: 3.000" "flac00006.flac: 2.000" "aif00007.aif: 2.000" "m4a00008.m4a: 4.272"; do
    grep -qx "$line s, plays to the end" "$tmp/out" || fail "verify: no '$line s, plays to the end' in $(cat "$tmp/out")"
  done
  grep -qx "8 of 8 files play to the end." "$tmp/out" || fail "verify summary: $(tail -1 "$tmp/out")"
  grep -q "^flac00006.flac	FLAC	1716	57	28918		no	whole	checksums	1773-1812		2.000	plays to the end	0	$tmp/ver/flac00006.flac$" \
    "$tmp/ver.tsv" || fail "verified report: $(cat "$tmp/ver.tsv")"
  head -c 200 "$tmp/map.svg" | grep -q '^<svg xmlns="http://www.w3.org/2000/svg" class="quillot-map"' ||
    fail "map: $(head -2 "$tmp/map.svg")"
  for span in $(tail -n +2 "$tmp/ver.tsv" | cut -f1,3,4 | tr '\t' ':'); do
    name=${span%%:*}; rest=${span#*:}; first=${rest%%:*}; sectors=${rest#*:}
    grep -q "data-name=\"$name\" data-first-sector=\"$first\" data-sectors=\"$sectors\" data-piece=\"0\"" "$tmp/map.svg" ||
      fail "map: no span for $name at $first+$sectors"
  done
  [ "$(grep -c 'class="file"' "$tmp/map.svg")" -eq 8 ] || fail "map: $(grep -c 'class="file"' "$tmp/map.svg") spans"
  { grep -q ">whole</text>" "$tmp/map.svg" && grep -q ">unreadable</text>" "$tmp/map.svg"; } || fail "map: no legend"
  expect_status 0 "verified untrimmed" "$cli" recover --image "$tmp/card.img" --dest "$tmp/ver2" --verify \
    --report "$tmp/ver2.json"
  grep -qx "8 of 8 files play to the end." "$tmp/out" || fail "untrimmed verify summary: $(tail -1 "$tmp/out")"
  grep -q '"name": "flac00006.flac", .*"duration": 2.000, "decode": "plays to the end", "bytes_after_end": 20746, "path": "'"$tmp"'/ver2/flac00006.flac"}' \
    "$tmp/ver2.json" || fail "untrimmed verified report: $(cat "$tmp/ver2.json")"
  expect_status 0 "verify on a dry run" "$cli" recover --image "$tmp/card.img" --dest "$tmp/ver3" --dry-run --verify
  grep -q "^--verify: a dry run writes no files" "$tmp/out" || fail "dry run with --verify: $(tail -2 "$tmp/out")"
  grep -q "plays to the end" "$tmp/out" && fail "a dry run decoded files"
  # The first half of an Opus clip, the next start right after it: its bytes decode cleanly, but a
  # recording cut short never plays to its end.
  opus="$src/samples/audio/note.opus"
  half=$(( $(wc -c < "$opus") / 2 ))
  { head -c "$half" "$opus"; head -c $(( (512 - half % 512) % 512 )) /dev/zero; cat "$src/samples/audio/voice-memo.wav"; } \
    > "$tmp/cut.img"
  expect_status 0 "verified cut short" "$cli" recover --image "$tmp/cut.img" --dest "$tmp/ver5" --verify
  grep -q "^opus00001.opus: .* breaks at .*: the recording's bytes stop before its end$" "$tmp/out" ||
    fail "a cut Opus clip: $(cat "$tmp/out")"
  grep -qx "1 of 2 files play to the end." "$tmp/out" || fail "cut short verify summary: $(tail -1 "$tmp/out")"
fi
# A build without the decoder refuses --verify before anything is written.
mkdir -p "$tmp/alone"
cp "$cli" "$(dirname "$cli")/Quillot.ini" "$tmp/alone/"
expect_status 2 "verify without a decoder" "$tmp/alone/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/ver4" --verify
grep -q -- "--verify needs the decoder program quillot-decode" "$tmp/err" || fail "no decoder: $(cat "$tmp/err")"
[ -e "$tmp/ver4" ] && fail "--verify without a decoder created the destination"

# --reassemble goes with --trim; a card whose recordings lie in one piece each comes back as with --trim alone.
"$cli" recover --help | grep -q -- "--trim \[--reassemble\]" || fail "recover --help does not name --reassemble"
expect_status 0 "trimmed and reassembled" "$cli" recover --image "$tmp/card.img" --dest "$tmp/reasm" --trim --reassemble \
  --dry-run --report "$tmp/reasm.tsv"
grep -q "^8 files: 8 whole, 0 cut short, 0 damaged, 0 unknown.$" "$tmp/out" || fail "reassembled: $(tail -1 "$tmp/out")"
# The same rows but for the path, which names each run's own folder.
cut -f1-14 "$tmp/reasm.tsv" > "$tmp/reasm.rows"
cut -f1-14 "$tmp/trim.tsv" > "$tmp/trim.rows"
cmp -s "$tmp/reasm.rows" "$tmp/trim.rows" || fail "reassembled report: $(cat "$tmp/reasm.tsv")"
# A FLAC recording in two pieces on a FAT card, an Ogg file between them: one file, its pieces in the report.
frag="$tmp/frag.img"
head -c 20480 /dev/zero | tr '\0' 'q' > "$tmp/first.bin"
head -c 6144 /dev/zero | tr '\0' 'h' > "$tmp/hole.bin"
cp "$src/samples/audio/tune.ogg" "$tmp/between.ogg"
truncate -s 2M "$frag" && mkfs.fat -F 12 -S 512 -s 1 "$frag" >/dev/null &&
  MTOOLS_SKIP_CHECK=1 mcopy -i "$frag" "$tmp/first.bin" "$tmp/hole.bin" "$tmp/between.ogg" ::/ &&
  MTOOLS_SKIP_CHECK=1 mdel -i "$frag" ::/hole.bin &&
  MTOOLS_SKIP_CHECK=1 mcopy -i "$frag" "$src/samples/audio/chirp.flac" ::/rec.flac || fail "no fragmented card"
expect_status 0 "reassembling a card" "$cli" recover --image "$frag" --dest "$tmp/frag" --trim --reassemble \
  --report "$tmp/frag.tsv"
# Its frames' CRCs hold across the join, but only a decoder can check the MD5 of its audio: unverified until then.
grep -q "	reassembled, unverified	checksums		[0-9]*+12,[0-9]*+45		not checked	0	$tmp/frag/flac00001.flac$" "$tmp/frag.tsv" ||
  fail "reassembled row: $(cat "$tmp/frag.tsv")"
cmp -s "$tmp"/frag/flac00001.flac "$src/samples/audio/chirp.flac" || fail "the reassembled FLAC differs"
grep -q "^2 files: 1 whole, 1 unverified, 0 cut short, 0 damaged, 0 unknown.$" "$tmp/out" ||
  fail "verdicts in pieces: $(tail -2 "$tmp/out")"
grep -q "^Put back together from pieces: 1 (1 unverified).$" "$tmp/out" || fail "pieces summary: $(tail -2 "$tmp/out")"
# Decoded, its audio gives the MD5 its STREAMINFO carries: the join is proven, and the file whole.
if [ -x "$(dirname "$cli")/quillot-decode" ]; then
  expect_status 0 "reassembling and verifying a card" "$cli" recover --image "$frag" --dest "$tmp/fragv" --trim \
    --reassemble --verify --report "$tmp/fragv.tsv"
  cmp -s "$tmp"/fragv/flac00001.flac "$src/samples/audio/chirp.flac" || fail "the verified FLAC differs"
  grep -q "	whole, reassembled from 2 pieces	checksums	" "$tmp/fragv.tsv" || fail "verified row: $(cat "$tmp/fragv.tsv")"
  grep -q "^2 files: 2 whole, 0 cut short, 0 damaged, 0 unknown.$" "$tmp/out" || fail "verified: $(tail -3 "$tmp/out")"
fi

# Only the chosen types; taken names are skipped, never overwritten, with --overwrite no.
expect_status 0 "chosen types" "$cli" recover --image "$tmp/card.img" --dest "$tmp/out1" --types wav,FLAC --overwrite no
grep -q "Recovering file: snd00002.wav..." "$tmp/out" || fail "taken name not skipped: $(cat "$tmp/out")"
[ "$(ls "$tmp/out1" | wc -l)" -eq 10 ] || fail "chosen types: $(ls "$tmp/out1")"

[ "$(md5sum < "$tmp/card.img")" = "$sum_before" ] || fail "the card image changed"

# A disk past 2 TiB: a sparse image of 2^32 + 3000 sectors, searched from 3000 sectors before 2^32. The
# clips on both sides of sector 2^32 and on the last sector come back with their sector numbers; the
# 95/98 family searches up to sector 2^32 and says so.
fixture="$src/tests/fixtures/formats"
if truncate -s $(((4294967296 + 3000) * 512)) "$tmp/large.img" 2>/dev/null; then
  for clip in WAV/sox-pcm16.bin:4294966296 FLAC/flac-default.bin:4294967796 MP3-ID3/lame-id3v2.bin:4294970295; do
    dd if="$fixture/${clip%:*}" of="$tmp/large.img" bs=512 seek="${clip#*:}" conv=notrunc status=none
  done
  expect_status 0 "past 2 TiB" "$cli" recover --image "$tmp/large.img" --dest "$tmp/large" --start-sector 4294964296 \
    --report "$tmp/large.tsv"
  grep -q "^Recovery finished.$" "$tmp/out" || fail "past 2 TiB: $(tail -2 "$tmp/out")"
  grep -q "scanned 3072000 bytes" "$tmp/out" || fail "past 2 TiB: $(tail -1 "$tmp/out")"
  printf 'WAV\t4294966296\t1500\nFLAC\t4294967796\t2499\nMP3-ID3\t4294970295\t1\n' > "$tmp/large.want"
  tail -n +2 "$tmp/large.tsv" | cut -f2-4 | cmp -s - "$tmp/large.want" || fail "past 2 TiB report: $(cat "$tmp/large.tsv")"
  for row in 2:FLAC/flac-default.bin 3:MP3-ID3/lame-id3v2.bin; do
    name=$(sed -n "$((${row%%:*} + 1))p" "$tmp/large.tsv" | cut -f1)
    [ -n "$name" ] && cmp -s -n 512 "$tmp/large/$name" "$fixture/${row#*:}" ||
      fail "past 2 TiB: '$name' does not begin with ${row#*:}"
  done
  [ -n "$name" ] && [ "$(wc -c < "$tmp/large/$name")" -eq 512 ] || fail "past 2 TiB: the last sector's file is not one sector"
  expect_status 0 "past 2 TiB, 95/98 family" env QUILLOT_PLATFORM=win98 "$cli" recover --image "$tmp/large.img" \
    --dest "$tmp/large98" --start-sector 4294964296 --report "$tmp/large98.tsv"
  grep -q "^Only the first 4294967296 sectors of this drive" "$tmp/out" || fail "95/98 family: no word of its limit"
  grep -q "scanned 1536000 bytes" "$tmp/out" || fail "95/98 family: $(tail -1 "$tmp/out")"
  [ "$(tail -n +2 "$tmp/large98.tsv" | cut -f2-4)" = "$(printf 'WAV\t4294966296\t1000')" ] ||
    fail "95/98 family report: $(cat "$tmp/large98.tsv")"
  rm -f "$tmp/large.img"
else
  echo "note: this file system cannot hold a sparse 2 TiB image; the large-disk case was skipped"
fi

# Ctrl-C, SIGTERM and a closed terminal (SIGHUP) stop at the next chunk, close the file, say so, write
# the report and answer 130. Each run has its own output files, empty before it starts: an earlier
# run's "Recovery started" must not be taken for this one's.
truncate -s 8G "$tmp/big.img"
for sig in INT TERM HUP; do
  : > "$tmp/stop.out"
  rm -f "$tmp/stop.tsv"
  "$cli" recover --image "$tmp/big.img" --dest "$tmp/big-$sig" --all --sectors-per-read 1 --report "$tmp/stop.tsv" \
    >"$tmp/stop.out" 2>"$tmp/stop.err" &
  pid=$!
  i=0
  until grep -q "Recovery started" "$tmp/stop.out" 2>/dev/null || [ $i -ge 300 ]; do sleep 0.1; i=$((i + 1)); done
  kill -$sig $pid
  wait $pid
  status=$?
  [ $status -eq 130 ] || fail "SIG$sig: exit $status, wanted 130 ($(tail -2 "$tmp/stop.err"))"
  grep -q "^Recovery cancelled.$" "$tmp/stop.out" || fail "SIG$sig: $(tail -2 "$tmp/stop.out")"
  grep -q "^Stopped before the end: to go on, run again with --start-sector [0-9]*\.$" "$tmp/stop.out" ||
    fail "SIG$sig: no sector to go on from: $(tail -3 "$tmp/stop.out")"
  head -1 "$tmp/stop.tsv" 2>/dev/null | grep -q "^name" || fail "SIG$sig: no report"
done

# Ctrl-C while --verify decodes: no more files are decoded, the rest are "not checked" in the report,
# which is written, and the answer is 130.
if [ -x "$(dirname "$cli")/quillot-decode" ]; then
  clip="$src/samples/audio/field-tune.mp3"
  pad=$(( (512 - $(wc -c < "$clip") % 512) % 512 ))
  { head -c "$pad" /dev/zero > "$tmp/pad"; i=0; while [ $i -lt 1000 ]; do cat "$clip" "$tmp/pad"; i=$((i + 1)); done; } > "$tmp/many.img"
  : > "$tmp/stop.out"
  "$cli" recover --image "$tmp/many.img" --dest "$tmp/many" --verify --report "$tmp/many.tsv" >"$tmp/stop.out" 2>&1 &
  pid=$!
  i=0
  until grep -q "plays to the end" "$tmp/stop.out" 2>/dev/null || [ $i -ge 600 ]; do sleep 0.1; i=$((i + 1)); done
  kill -INT $pid
  wait $pid
  status=$?
  [ $status -eq 130 ] || fail "INT in --verify: exit $status, wanted 130 ($(tail -2 "$tmp/stop.out"))"
  grep -q "^--verify was stopped: [0-9]* files were not decoded.$" "$tmp/stop.out" ||
    fail "INT in --verify: $(tail -3 "$tmp/stop.out")"
  [ "$(tail -n +2 "$tmp/many.tsv" | wc -l)" -eq 1000 ] || fail "INT in --verify: report $(wc -l < "$tmp/many.tsv") lines"
  grep -q "	not checked	" "$tmp/many.tsv" || fail "INT in --verify: no file left not checked"
  rm -rf "$tmp/many" "$tmp/many.img"
fi

# A stop sent to quillot-cli alone, not to its process group, while a decoder works: the child is ended
# at once, not when its time is up. tests/fixtures/decode/expanding.flac.xz holds 300 kB of FLAC frames of
# 26 bytes, each asking for 65535 samples on eight channels (the frames of ExpandingFlac in
# tests/decode/DecodeCheckTest.cpp): a decoder is busy with them for longer than their 12 s.
if [ -x "$(dirname "$cli")/quillot-decode" ]; then
  xz -dc "$src/tests/fixtures/decode/expanding.flac.xz" > "$tmp/expanding.flac"
  pad=$(( (512 - $(wc -c < "$tmp/expanding.flac") % 512) % 512 ))
  { head -c 65536 /dev/zero; cat "$tmp/expanding.flac"; head -c $((pad + 65536)) /dev/zero; } > "$tmp/slow.img"
  "$cli" recover --image "$tmp/slow.img" --dest "$tmp/slow" --types FLAC --verify --report "$tmp/slow.tsv" \
    >"$tmp/stop.out" 2>&1 &
  pid=$!
  # The decoder's command line names the recovered file; the program's own names only the folder.
  i=0
  until grep -qaF "$tmp/slow/" /proc/[0-9]*/cmdline 2>/dev/null || [ $i -ge 300 ]; do sleep 0.1; i=$((i + 1)); done
  [ $i -lt 300 ] || fail "TERM in --verify: no decoder started ($(tail -2 "$tmp/stop.out"))"
  kill -TERM $pid
  i=0
  while kill -0 $pid 2>/dev/null && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
  [ $i -lt 50 ] || fail "TERM in --verify: still decoding 5 s after the stop"
  wait $pid
  status=$?
  [ $status -eq 130 ] || fail "TERM in --verify: exit $status, wanted 130 ($(tail -2 "$tmp/stop.out"))"
  grep -q "^--verify was stopped: 1 files were not decoded.$" "$tmp/stop.out" ||
    fail "TERM in --verify: $(tail -3 "$tmp/stop.out")"
  grep -q "	not checked	" "$tmp/slow.tsv" || fail "TERM in --verify: the file is not left not checked"
  grep -qaF "$tmp/slow/" /proc/[0-9]*/cmdline 2>/dev/null && fail "TERM in --verify: a decoder outlived the stop"
  rm -rf "$tmp/slow" "$tmp/slow.img" "$tmp/expanding.flac"
fi

# Output into a closed pipe is dropped: the pass runs to its end and recovers everything.
{ "$cli" recover --image "$tmp/card.img" --dest "$tmp/piped" --report "$tmp/piped.tsv" 2>"$tmp/err"; echo $? > "$tmp/piped.status"; } | head -1 > /dev/null
[ "$(cat "$tmp/piped.status")" = 0 ] || fail "into a closed pipe: exit $(cat "$tmp/piped.status") ($(cat "$tmp/err"))"
[ "$(ls "$tmp/piped" | wc -l)" -eq 8 ] || fail "into a closed pipe: recovered $(ls "$tmp/piped" | wc -l) files"
[ "$(tail -n +2 "$tmp/piped.tsv" | wc -l)" -eq 8 ] || fail "into a closed pipe: report $(cat "$tmp/piped.tsv")"

[ $failures -eq 0 ] && echo "all recover checks passed"
exit $failures
