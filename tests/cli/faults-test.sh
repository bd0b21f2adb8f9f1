#!/bin/sh
# quillot-cli under faults: bad arguments and odd images, a destination that fills up, goes away or turns
# read-only mid-pass, a source that shrinks mid-pass, settings that cannot be written at exit, a report or
# map aimed at what is not one. Each run must end as the program says, with the right lines; what was
# recovered before a fault stays whole. The cases come in groups, each a test of its own:
#   usage      bad arguments, odd images and program files, settings that cannot be saved
#   outputs    the report and the map aimed at files that are not theirs, replacing their own, escaping
#   full       a destination that fills up, under the recovered files and under the report and map
#   vanishing  a destination removed or made read-only while the pass runs
#   shrinking  a source truncated while the pass runs
#   loop       loop devices: a device the user may not read, a destination on the source's file system
#   usage: faults-test.sh QUILLOT_CLI SOURCE_DIR [GROUP|all]
set -u
cli="$1"
src="$2"
group="${3:-all}"
case "$group" in
  all | usage | outputs | full | vanishing | shrinking | loop) ;;
  *) echo "unknown group '$group'" >&2; exit 2 ;;
esac
tmp=$(mktemp -d)
mounted=""
loopdev=""
cleanup() {
  [ -n "$loopdev" ] && losetup -d "$loopdev"
  [ -n "$mounted" ] && umount "$mounted"
  for m in "$tmp/ro" "$tmp/loopmnt" "$tmp/tiny"; do mountpoint -q "$m" 2>/dev/null && umount "$m"; done
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE  # so the cleanup runs when killed too
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config"
mkdir -p "$HOME"
failures=0
cases=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run() {  # expected status, description, command...
  want=$1; what=$2; shift 2
  cases=$((cases + 1))
  "$@" >"$tmp/out" 2>"$tmp/err"
  got=$?
  [ "$got" -eq "$want" ] || fail "$what: exit $got, wanted $want ($(head -3 "$tmp/err"))"
  # Whatever the input, no sanitizer report and no crash.
  grep -q "runtime error\|AddressSanitizer\|Segmentation\|Aborted" "$tmp/err" && fail "$what: $(head -3 "$tmp/err")"
}
said() { grep -q -- "$2" "$tmp/$1" || fail "wanted '$2' in $1: $(head -3 "$tmp/$1")"; }
# The drive list ends with what stands behind each letter; a row starts with its letter and ends with its status.
letter_of() { sed -n "s|^\([A-Z]\): $1\$|\1|p" "$tmp/out" | head -1; }
status_is() {  # letter, status
  grep -q "^$1 .*  $2\$" "$tmp/out" || fail "wanted drive $1 '$2': $(grep "^$1 " "$tmp/out")"
}

# Every file recovered before the fault equals the one a clean run wrote. A file that was being written
# when the fault struck was named in an error line (the pass goes on within its chunk after a failed
# write, so what follows may land anywhere in it); none is damaged silently. Files the pass never
# reached are missing, and none after them is there.
check_intact() {  # folder of the faulty run, folder of the clean run (the log is in $tmp/out)
  whole=0
  missing=""
  # In the order of their numbers, the five digits before the extension.
  for name in $(cd "$2" && ls | sed 's/^\(.*\)\([0-9]\{5\}\)\.\([^.]*\)$/\2 &/' | sort | cut -d' ' -f2); do
    if [ ! -e "$1/$name" ]; then
      missing="$name"
      continue
    fi
    [ -n "$missing" ] && fail "$1/$name is there but $missing before it is not"
    if cmp -s "$1/$name" "$2/$name"; then
      whole=$((whole + 1))
    else
      grep -qF "Error: Cannot write to destination file: $1/$name!" "$tmp/out" || fail "$1/$name damaged silently"
    fi
  done
  [ $whole -ge 1 ] || fail "$1: no file recovered whole before the fault"
}

xz -dc "$src/samples/sample-card.img.xz" > "$tmp/card.img"
chmod 0444 "$tmp/card.img"
sum_before=$(md5sum < "$tmp/card.img")
# For the full destinations: the card's files up to the start of its last one, which then runs through
# noise (the compressed card) rather than free space, so every sector it gets is data to write.
{ head -c 1100K "$tmp/card.img"; cat "$src/samples/sample-card.img.xz"; } > "$tmp/noisy.img"
chmod 0444 "$tmp/noisy.img"
noisy_before=$(md5sum < "$tmp/noisy.img")

# Mid-pass faults need a pass that runs a while: a sparse image read one sector at a time, with a
# file start only near its end. The fault is struck as soon as the pass says it started.
long_image() {
  truncate -s 2G "$tmp/long.img"
  head -c 512 "$src/tests/fixtures/formats/WAV/sox-pcm16.bin" |
    dd of="$tmp/long.img" bs=512 seek=4194200 conv=notrunc status=none
}
wait_for_folder() {
  j=0
  until [ -d "$1" ] || [ $j -ge 100 ]; do sleep 0.05; j=$((j + 1)); done
}
mid_pass() {  # description, action, recover arguments...
  what=$1; action=$2; shift 2
  cases=$((cases + 1))
  # Emptied here, not by the background job's redirection, which may come after the wait below has
  # read an earlier run's "Recovery started".
  : >"$tmp/out"
  "$cli" recover --image "$tmp/long.img" --sectors-per-read 1 "$@" >"$tmp/out" 2>"$tmp/err" &
  pid=$!
  i=0
  until grep -q "Recovery started" "$tmp/out" 2>/dev/null || [ $i -ge 300 ]; do sleep 0.1; i=$((i + 1)); done
  eval "$action"
  wait $pid
  status=$?
}

group_usage() {
  # The catalogue as a table: each format's stream unit and start check, empty where it names none.
  run 0 "formats" "$cli" formats
  said out "^Category .* Searched Stream     Check      Alternatives$"
  said out "^Uncompressed PCM  *WAV  .* yes      riff                  1$"
  said out "^Lossy  *MP3-Frame  .* yes      mpeg-audio mpeg-audio 6$"
  [ -s "$tmp/err" ] && fail "formats said: $(cat "$tmp/err")"

  # Bad arguments: one clear line and the hint, status 2, nothing created.
  for args in "--start-sector 99999999999" "--start-sector 9999999999999999999" "--start-sector -1" "--start-sector 10000000000" "--start-sector 1e3" \
              "--retries 101" "--retries -1" "--sectors-per-read 10001" "--sectors-per-read 99999999999999999999" \
              "--overwrite" "--overwrite maybe" "--report" "--types" "--all --types WAV" "--all=1" \
              "--image $tmp/card.img" "--drive"; do
    # shellcheck disable=SC2086
    run 2 "recover $args" "$cli" recover --image "$tmp/card.img" --dest "$tmp/x" $args
    [ "$(wc -l < "$tmp/err")" -eq 2 ] || fail "recover $args: $(cat "$tmp/err")"
    said err "^quillot-cli: "
  done
  run 2 "missing --dest value" "$cli" recover --image "$tmp/card.img" --dest
  said err "^quillot-cli: --dest needs a value"
  # An option that lacks its value never takes the next option for it; no option is given twice.
  run 2 "--dest before an option" sh -c 'cd "$1" && "$2" recover --image card.img --dest --dry-run' - "$tmp" "$cli"
  said err "^quillot-cli: --dest needs a value"
  [ -e "$tmp/--dry-run" ] && fail "an option was taken for the destination"
  for args in "--retries 1 --retries 2" "--dry-run --dry-run" "--overwrite no --overwrite=yes"; do
    # shellcheck disable=SC2086
    run 2 "recover $args" "$cli" recover --image "$tmp/card.img" --dest "$tmp/x" $args
  done
  run 2 "empty --image" "$cli" recover --image= --dest "$tmp/x"
  run 2 "destination below a file" "$cli" recover --image "$tmp/card.img" --dest "$tmp/card.img/sub"
  said err "is not a folder"
  run 2 "destination that cannot be created" "$cli" recover --image "$tmp/card.img" --dest /proc/quillot-test/out
  said err "cannot \(create /proc/quillot-test/out: \|write into /proc\)"
  run 2 "unknown command" "$cli" recover2
  run 2 "no command" "$cli"
  [ -e "$tmp/x" ] && fail "a refused run created the destination"

  # Odd images: none is read past its end, none crashes.
  : > "$tmp/empty.img"
  run 2 "0-byte image" "$cli" recover --image "$tmp/empty.img" --dest "$tmp/e" --all --report "$tmp/e.tsv" \
    --map "$tmp/e.svg"
  said err "TotalPhysSec = 0"
  [ -e "$tmp/e.tsv" ] || [ -e "$tmp/e.svg" ] && fail "a pass that never ran left its report or map"
  head -c 1000 "$tmp/card.img" > "$tmp/odd.img"
  run 0 "1000-byte image" "$cli" recover --image "$tmp/odd.img" --dest "$tmp/o" --all
  said out "scanned 1024 bytes"
  # A sector cut short at the end counts as a sector, read as far as it goes.
  head -c 511 "$tmp/card.img" > "$tmp/short.img"
  run 0 "image shorter than a sector" "$cli" recover --image "$tmp/short.img" --dest "$tmp/s" --all
  said out "scanned 512 bytes"
  head -c 5000 "$tmp/card.img" > "$tmp/odd.iso"
  run 0 "odd-sized disc image" "$cli" recover --image "$tmp/odd.iso" --dest "$tmp/iso" --all
  said out "scanned 6144 bytes"
  run 2 "character device as image" "$cli" recover --image /dev/null --dest "$tmp/n"
  said err "not a regular file or block device"
  run 2 "start sector past the end" "$cli" recover --image "$tmp/card.img" --dest "$tmp/past" --start-sector 81921
  said err "lies past the end of drive .*81920 sectors"
  [ -e "$tmp/past" ] && fail "a start past the end created the destination"
  run 0 "start sector at the end" "$cli" recover --image "$tmp/card.img" --dest "$tmp/past" --start-sector 81920
  said out "^Recovery finished.$"
  said out "Recovered 0 files"
  run 0 "drives with odd images" "$cli" drives --image "$tmp/empty.img" --image "$tmp/odd.img"
  empty_letter=$(letter_of "$tmp/empty.img")
  [ -n "$empty_letter" ] && status_is "$empty_letter" "No media" || fail "the empty image is not listed"

  # Settings that cannot be written at exit: said once, the stored file left as it was, the exit status
  # that of the command.
  # A value of our own makes the file outgrow a 512-byte limit that the message on stderr stays within.
  run 0 "settings saved" "$cli" formats
  printf '[HKEY_CURRENT_USER\\Software\\Mine]\n"Note"="%0600d"\n' 0 >> "$XDG_CONFIG_HOME/Brantwick/Quillot.reg"
  cp "$XDG_CONFIG_HOME/Brantwick/Quillot.reg" "$tmp/settings.before"
  run 0 "settings past the size limit" sh -c "ulimit -f 1; exec \"$cli\" formats >/dev/null"
  [ "$(grep -c "The settings could not be saved" "$tmp/err")" -eq 1 ] || fail "settings failure not said once: $(cat "$tmp/err")"
  cmp -s "$XDG_CONFIG_HOME/Brantwick/Quillot.reg" "$tmp/settings.before" || fail "a failed save changed the settings"
  [ -z "$(find "$XDG_CONFIG_HOME" -name '*.tmp*')" ] || fail "a failed save left a temporary file"
  mv "$XDG_CONFIG_HOME" "$tmp/config.keep" && : > "$XDG_CONFIG_HOME"
  run 0 "settings folder is a file" "$cli" formats
  said err "The settings could not be saved"
  rm "$XDG_CONFIG_HOME" && mv "$tmp/config.keep" "$XDG_CONFIG_HOME"

  # Junk where the program's own files lie: a copy of the program beside a catalogue, a language file and
  # a settings store of binary noise (bytes of the card) reads what it can and goes on.
  mkdir -p "$tmp/prog"
  cp "$cli" "$tmp/prog/quillot-cli"
  dd if="$tmp/card.img" of="$tmp/prog/Quillot.ini" bs=4096 skip=3 count=4 status=none
  dd if="$tmp/card.img" of="$tmp/prog/Deutsch.lng" bs=4096 skip=9 count=2 status=none
  { printf '[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Global]\n"GlobalLanguage"="Deutsch.lng"\n'
    dd if="$tmp/card.img" bs=4096 skip=20 count=2 status=none; } > "$tmp/junk.reg"
  mkdir -p "$XDG_CONFIG_HOME/Brantwick" && cp "$tmp/junk.reg" "$XDG_CONFIG_HOME/Brantwick/Quillot.reg"
  run 0 "junk catalogue, language and settings: formats" "$tmp/prog/quillot-cli" formats
  run 0 "junk catalogue, language and settings: settings" "$tmp/prog/quillot-cli" settings
  said out "Deutsch.lng"
  run 2 "junk catalogue: nothing to search" "$tmp/prog/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/j"
  printf '[options]\nformats_list=",,"x y"\n[x]\nScanBytes=0=#%%$%%$,,=#,-2147483649=#1\nSearch=1\n' > "$tmp/prog/Quillot.ini"
  run 0 "odd rules" "$tmp/prog/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/j" --all --dry-run

  # The catalogue named as what it is: missing, unreadable or empty, with --all too.
  rm "$tmp/prog/Quillot.ini"
  run 2 "missing catalogue" "$tmp/prog/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/j" --all
  said err "format catalogue $tmp/prog/Quillot.ini is missing"
  mkdir "$tmp/prog/Quillot.ini"
  run 2 "unreadable catalogue" "$tmp/prog/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/j" --all
  said err "cannot read the format catalogue"
  rmdir "$tmp/prog/Quillot.ini" && : > "$tmp/prog/Quillot.ini"
  run 2 "empty catalogue" "$tmp/prog/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/j" --all
  said err "format catalogue $tmp/prog/Quillot.ini lists no formats"

  # Units the program does not have: named once, at the start of any command, and the formats recovered
  # without them.
  sed -e '0,/^Stream=riff$/s//Stream=rif/' -e '/^\[MP3-Frame\]$/,/^Check=/s/^Check=mpeg-audio$/Check=mpeg/' \
    "$src/data/Quillot.ini" > "$tmp/prog/Quillot.ini"
  run 0 "unknown units: formats" "$tmp/prog/quillot-cli" formats
  said err ' names stream units .*: "WAV": Stream=rif; "MP3-Frame": Check=mpeg\. These formats are still recovered'
  [ "$(grep -c "names stream units" "$tmp/err")" -eq 1 ] || fail "unknown units not said once: $(cat "$tmp/err")"
  said out "^Uncompressed PCM  *WAV  .* yes      rif                   1$"
  run 0 "unknown units: recover" "$tmp/prog/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/units"
  said err '"WAV": Stream=rif; "MP3-Frame": Check=mpeg\.'
  ls "$tmp/units"/snd*.wav >/dev/null 2>&1 || fail "unknown units: no WAV recovered: $(ls "$tmp/units")"
}

group_full() {
  run 0 "clean run" "$cli" recover --image "$tmp/noisy.img" --dest "$tmp/clean"
  grep -q "names stream units" "$tmp/err" && fail "the shipped catalogue was said to name units there are not"

  # The destination fills up. A file-size limit stands in for a full disk anywhere, even for root.
  # The limit binds the program only: its log (a line per failed write) goes through a pipe.
  cases=$((cases + 1))
  (ulimit -f 300; "$cli" recover --image "$tmp/noisy.img" --dest "$tmp/lim"; echo $? >"$tmp/status") 2>"$tmp/err" |
    cat >"$tmp/out"
  [ "$(cat "$tmp/status")" -eq 1 ] || fail "file-size limit: exit $(cat "$tmp/status"), wanted 1 ($(head -3 "$tmp/err"))"
  said out "^Error: Cannot write to destination file: $tmp/lim/.*! ([0-9]* writes failed)$"
  [ -z "$(grep "Cannot write" "$tmp/out" | sort | uniq -d)" ] || fail "a file's failed writes took more than one line"
  said out "^Recovery encountered an fatal error.$"
  check_intact "$tmp/lim" "$tmp/clean"
  # A real small file system, where this machine lets us mount one.
  mkdir -p "$tmp/small"
  if mount -t tmpfs -o size=300k quillot-test "$tmp/small" 2>/dev/null; then
    mounted="$tmp/small"
    run 1 "full file system" "$cli" recover --image "$tmp/noisy.img" --dest "$tmp/small/out" \
      --report "$tmp/small/r.tsv" --map "$tmp/small/m.svg"
    said out "^Error: Cannot write to destination file: $tmp/small/out/"
    said out "^Recovery encountered an fatal error.$"
    check_intact "$tmp/small/out" "$tmp/clean"
    # The report and map the pass left no room for are gone, never left empty or cut short.
    for file in r.tsv m.svg; do
      if [ -e "$tmp/small/$file" ]; then
        tail -c 1 "$tmp/small/$file" | grep -q '^$' || fail "full file system: $file is cut short"
      else
        said err "^quillot-cli: the .* $tmp/small/$file could not be written (.*); the empty file made for it at the start was removed$"
      fi
    done
    umount "$tmp/small" && mounted=""
  else
    echo "note: cannot mount a small tmpfs here; the file-size limit stood in for a full disk"
  fi

  # The report and the map where there is no room for them: each said not to be written, an earlier one
  # left byte for byte, an empty one made for this run removed, no temporary file left beside them. The
  # file-size limit stands in anywhere (on a dry run, which writes nothing else); a tmpfs filled up, where
  # root may mount one, is the real thing. Each fault comes with the words the system gives it.
  mkdir -p "$tmp/outs"
  run 0 "an earlier report and map" "$cli" recover --image "$tmp/card.img" --dest "$tmp/dry" --dry-run \
    --report "$tmp/outs/old.tsv" --map "$tmp/outs/old.svg"
  cp "$tmp/outs/old.tsv" "$tmp/old.tsv.before" && cp "$tmp/outs/old.svg" "$tmp/old.svg.before"
  full_outputs() {  # folder, description, the system's words for the fault, command to run the program under...
    dir=$1; fault=$2; why=$3; shift 3
    for names in new.tsv:new.svg old.tsv:old.svg; do
      report=$dir/${names%:*}; map=$dir/${names#*:}
      run 1 "$fault: $names" "$@" "$cli" recover --image "$tmp/card.img" --dest "$tmp/fulldest" --dry-run \
        --report "$report" --map "$map"
      for file in "$report" "$map"; do
        what=report; case "$file" in *.svg) what=map ;; esac
        case "$file" in
          */new.*) said err "^quillot-cli: the $what $file could not be written (.*$why.*); the empty file made for it at the start was removed$"
                   [ -e "$file" ] && fail "$fault: the $what $file was left ($(wc -c < "$file") bytes)" ;;
          *) said err "^quillot-cli: the $what $file could not be written (.*$why.*); the earlier $what there is left as it was$"
             cmp -s "$file" "$tmp/$(basename "$file").before" || fail "$fault: the earlier $what $file changed" ;;
        esac
      done
      [ -z "$(ls "$dir" | grep '\.tmp-')" ] || fail "$fault: a temporary file was left: $(ls "$dir")"
    done
  }
  full_outputs "$tmp/outs" "report and map past the file-size limit" "File too large" sh -c 'ulimit -f 1; exec "$@"' -
  mkdir -p "$tmp/tiny"
  if mount -t tmpfs -o size=64k quillot-test "$tmp/tiny" 2>/dev/null; then
    cp "$tmp/outs/old.tsv" "$tmp/outs/old.svg" "$tmp/tiny/"
    dd if=/dev/zero of="$tmp/tiny/filler" bs=4k 2>/dev/null
    full_outputs "$tmp/tiny" "report and map on a full file system" "No space left on device" env
    umount "$tmp/tiny"
  else
    echo "note: cannot mount a small tmpfs here; the file-size limit stood in for a full disk under the report"
  fi
}

group_vanishing() {
  long_image
  # The folder is made right after the started line: remove it once it is there.
  mid_pass "destination removed" 'wait_for_folder "$tmp/gone"; rm -rf "$tmp/gone"' --dest "$tmp/gone"
  [ $status -eq 1 ] || fail "destination removed: exit $status, wanted 1 ($(tail -2 "$tmp/err"))"
  said out "^Error: Cannot create destination file: $tmp/gone/snd00001.wav.$"
  said out "^Recovery encountered an fatal error.$"

  if [ "$(id -u)" -ne 0 ]; then
    mid_pass "destination read-only" 'wait_for_folder "$tmp/ro"; chmod 0555 "$tmp/ro"' --dest "$tmp/ro"
    [ $status -eq 1 ] || fail "destination read-only: exit $status, wanted 1"
    said out "^Error: Cannot create destination file: $tmp/ro/snd00001.wav.$"
  else
    # Root writes into read-only folders, but not into a read-only mount.
    mid_pass "destination read-only" 'wait_for_folder "$tmp/ro"; mount --bind "$tmp/ro" "$tmp/ro" 2>/dev/null &&
      mount -o remount,bind,ro "$tmp/ro" 2>/dev/null && echo ro > "$tmp/ro.mounted"' --dest "$tmp/ro"
    if [ -e "$tmp/ro.mounted" ]; then
      [ $status -eq 1 ] || fail "destination read-only: exit $status, wanted 1"
      said out "^Error: Cannot create destination file: $tmp/ro/snd00001.wav.$"
      umount "$tmp/ro"
    else
      echo "note: no read-only mount here; the removed folder stood in for a read-only destination"
    fi
  fi
}

group_shrinking() {
  long_image
  # The source shrinks under the pass: what is gone reads as errors, never as the end of the pass.
  cp --sparse=always "$tmp/long.img" "$tmp/shrinking.img"
  mv "$tmp/long.img" "$tmp/long.keep" && mv "$tmp/shrinking.img" "$tmp/long.img"
  mid_pass "source truncated" 'truncate -s 1M "$tmp/long.img"' --dest "$tmp/shrunk" --retries 0
  [ $status -eq 0 ] || fail "source truncated: exit $status, wanted 0 ($(tail -2 "$tmp/err"))"
  said out "^Recovery finished.$"
  grep -q "; 0 read errors;" "$tmp/out" && fail "source truncated: no read errors counted"
  [ -z "$(ls "$tmp/shrunk")" ] || fail "source truncated: recovered $(ls "$tmp/shrunk")"
}

group_loop() {
  # A device the user may not read is listed with no access and the system's reason, not as an empty drive.
  if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null &&
     loopdev=$(losetup -f --show -r "$tmp/card.img" 2>/dev/null); then
    chown root:root "$loopdev" && chmod 0600 "$loopdev"
    chmod 0711 "$tmp"
    mkdir -p "$tmp/nobody" && chown 65534:65534 "$tmp/nobody"
    run 0 "drives without rights" env HOME="$tmp/nobody" XDG_CONFIG_HOME="$tmp/nobody/.config" \
      setpriv --reuid=65534 --regid=65534 --clear-groups "$cli" drives
    loop_letter=$(letter_of "$loopdev: Permission denied")
    [ -n "$loop_letter" ] && status_is "$loop_letter" "No access" ||
      fail "the unreadable $loopdev is not listed with its reason: $(cat "$tmp/out")"
    losetup -d "$loopdev" && loopdev=""
  else
    echo "note: skipped the drive without rights (needs root, setpriv and a free loop device)"
  fi

  # The destination inside a file system of the source itself is refused before anything is written,
  # wherever the test's folder lies: an image loop-mounted, where root and the kernel allow it.
  mkdir -p "$tmp/loopmnt"
  truncate -s 4M "$tmp/loop.img"
  if [ "$(id -u)" -eq 0 ] && mkfs.ext2 -q -F "$tmp/loop.img" >/dev/null 2>&1 &&
     mount -o loop "$tmp/loop.img" "$tmp/loopmnt" 2>/dev/null; then
    run 2 "destination on the source" "$cli" recover --image "$tmp/loop.img" --dest "$tmp/loopmnt/out"
    said err "Destination folder is on the same drive as source."
    [ -e "$tmp/loopmnt/out" ] && fail "a destination on the source was created"
    for option in --report --map; do
      run 2 "$option on the source" "$cli" recover --image "$tmp/loop.img" --dest "$tmp/lo" $option "$tmp/loopmnt/r.tsv"
      said err "would lie on the source drive"
      [ -e "$tmp/loopmnt/r.tsv" ] && fail "a ${option#--} on the source was created"
    done
    umount "$tmp/loopmnt"
  else
    echo "note: skipped the destination on a loop-mounted source (needs root and a kernel that allows it)"
  fi
}

group_outputs() {
  # The report is a file like any other: checked and created before the pass, never the source, a file
  # on the source drive, a folder or a file that is not a report; never replaced by a recovered file.
  ln -s "$tmp/card.img" "$tmp/link.tsv"
  ln "$tmp/card.img" "$tmp/hard.tsv" 2>/dev/null || cp "$tmp/card.img" "$tmp/hard.tsv"
  echo "my notes" > "$tmp/notes.txt"
  # Files of the user's that merely look like ours: an empty file (with a second name, which it keeps),
  # drawings (plain, as Inkscape saves one, and one that borrows our map's first words), JSON that is no
  # report. A named pipe, a device and a socket are no files to write: none is opened so that the run waits.
  : > "$tmp/empty.tsv"
  ln "$tmp/empty.tsv" "$tmp/empty-too.tsv"
  printf '<svg xmlns="http://www.w3.org/2000/svg" width="40" height="40"><circle cx="20" cy="20" r="9"/></svg>\n' \
    > "$tmp/drawing.svg"
  printf '%s\n' '<?xml version="1.0" encoding="UTF-8" standalone="no"?>' \
    '<!-- Created with Inkscape (http://www.inkscape.org/) -->' '' '<svg' '   width="210mm"' '   height="297mm"' \
    '   viewBox="0 0 210 297"' '   version="1.1"' '   id="svg5"' \
    '   xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape"' '   xmlns="http://www.w3.org/2000/svg">' \
    '  <g inkscape:label="Layer 1" id="layer1"><rect width="80" height="40" x="20" y="30" /></g>' '</svg>' \
    > "$tmp/inkscape.svg"
  printf '<svg xmlns="http://www.w3.org/2000/svg" class="quillot-map" width="300" height="80">\n<rect width="9" height="9"/>\n</svg>\n' \
    > "$tmp/borrowed.svg"
  printf '[\n {"name": "Ada", "born": 1815}\n]\n' > "$tmp/people.json"
  mkfifo "$tmp/pipe.tsv"
  for f in notes.txt empty.tsv drawing.svg inkscape.svg borrowed.svg people.json; do cp "$tmp/$f" "$tmp/$f.before"; done
  # The map's path is checked as the report's is; a map refused beside a good report leaves no report.
  for option in --report --map; do
    what=${option#--}
    {
      echo "$tmp/card.img|is the source being read"
      echo "$tmp/../$(basename "$tmp")/card.img|is the source being read"
      echo "$tmp/link.tsv|"
      echo "$tmp|is a folder"
      echo "$tmp/none/r.tsv|no folder"
      echo "$tmp/notes.txt|exists and is not a $what: name a new file"
      echo "$tmp/empty.tsv|exists and is not a $what: name a new file"
      echo "$tmp/drawing.svg|exists and is not a $what"
      echo "$tmp/inkscape.svg|exists and is not a $what"
      echo "$tmp/borrowed.svg|exists and is not a $what"
      echo "$tmp/people.json|exists and is not a $what"
      echo "$tmp/pipe.tsv|is a named pipe (FIFO), not a regular file: name a new file for the $what"
      echo "/dev/null|is a device, not a regular file\|cannot write into /dev"
    } > "$tmp/rows"
    while IFS='|' read -r report message; do
      # A run that waits on the pipe fails by the timeout rather than hanging the suite.
      run 2 "$option $report" timeout 20 "$cli" recover --image "$tmp/card.img" --dest "$tmp/rep" $option "$report" \
        </dev/null
      [ -z "$message" ] || said err "$message"
      [ -e "$tmp/rep" ] && fail "$option $report: the refused run left its destination" && rm -rf "$tmp/rep"
    done < "$tmp/rows"
  done
  for f in notes.txt empty.tsv drawing.svg inkscape.svg borrowed.svg people.json; do
    cmp -s "$tmp/$f" "$tmp/$f.before" || fail "a refused report or map changed $f"
  done
  [ "$(stat -c %i "$tmp/empty.tsv")" = "$(stat -c %i "$tmp/empty-too.tsv")" ] || fail "the empty file lost its second name"
  [ -p "$tmp/pipe.tsv" ] || fail "the named pipe was replaced"
  # A socket, where python3 can make one.
  if python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$tmp/socket.tsv" 2>/dev/null; then
    run 2 "--report on a socket" timeout 20 "$cli" recover --image "$tmp/card.img" --dest "$tmp/rep" \
      --report "$tmp/socket.tsv"
    said err "is a socket, not a regular file"
    [ -S "$tmp/socket.tsv" ] || fail "the socket was replaced"
  else
    echo "note: no socket made (python3 is missing); skipped the report aimed at one"
  fi
  printf 'name\tformat\n' > "$tmp/old-report.tsv"
  run 2 "map over a report" "$cli" recover --image "$tmp/card.img" --dest "$tmp/rep" --report "$tmp/new.tsv" \
    --map "$tmp/old-report.tsv"
  said err "exists and is not a map"
  [ -e "$tmp/new.tsv" ] && fail "a refused map left the report it made"
  [ "$(cat "$tmp/old-report.tsv")" = "$(printf 'name\tformat')" ] || fail "a map replaced a report"
  cmp -s "$tmp/hard.tsv" "$tmp/card.img" || fail "the hard link changed"
  run 0 "report among the recovered files" "$cli" recover --image "$tmp/card.img" --dest "$tmp/rep" \
    --report "$tmp/rep/snd00001.wav"
  head -1 "$tmp/rep/snd00001.wav" | grep -q "^name" || fail "the report was replaced by a recovered file"
  [ "$(tail -n +2 "$tmp/rep/snd00001.wav" | wc -l)" -eq 8 ] || fail "report among the files: $(cat "$tmp/rep/snd00001.wav")"
  grep -q "^snd00001.wav" "$tmp/rep/snd00001.wav" && fail "the report lists itself as recovered"

  # The report and the map are two files, however one file is named twice: the same name, through ./, a
  # folder's symbolic link or a hard link. A report made for the run goes; an earlier one stays.
  run 0 "an earlier report" "$cli" recover --image "$tmp/card.img" --dest "$tmp/rep" --dry-run --report "$tmp/ours.tsv"
  ln "$tmp/ours.tsv" "$tmp/ours-too.tsv"
  cp "$tmp/ours.tsv" "$tmp/ours.before"
  ln -s "$tmp" "$tmp/here"
  while IFS='|' read -r report map; do
    run 2 "--report $report --map $map" sh -c 'cd "$1" && exec "$2" recover --image card.img --dest same \
      --report "$3" --map "$4"' - "$tmp" "$cli" "$report" "$map" </dev/null
    said err "the map $tmp/.* is the same file as the report $tmp/.*: --report and --map need two files"
    [ -e "$tmp/same.tsv" ] && fail "--report $report --map $map: the refused run left the report it made"
    [ -e "$tmp/same" ] && fail "--report $report --map $map: the refused run left its destination"
  done <<ROWS
same.tsv|same.tsv
same.tsv|./same.tsv
same.tsv|here/same.tsv
$tmp/same.tsv|same.tsv
ours.tsv|ours-too.tsv
ours-too.tsv|$tmp/here/ours.tsv
ROWS
  cmp -s "$tmp/ours.tsv" "$tmp/ours.before" || fail "a refused map changed the earlier report"

  # An earlier report or map is replaced, whichever version wrote it: the first reports' five columns, a
  # JSON report (of no files too), a map's head as every version wrote it. An earlier report with a second
  # name (a hard link) is replaced under its name; the other name keeps it as it was, and the run says so.
  printf 'name\tformat\tfirst_sector\tsectors\tbytes\nsnd00001.wav\tWAV\t0\t1\t512\n' > "$tmp/v1.tsv"
  printf '[\n {"name": "snd\\u0001\\"00001.wav", "format": "WAV", "first_sector": 0}\n]\n' > "$tmp/v1.json"
  printf '[]\n' > "$tmp/none.json"
  printf '%s\n' '<svg xmlns="http://www.w3.org/2000/svg" class="quillot-map" width="1000" height="170" viewBox="0 0 1000 170" font-family="sans-serif" font-size="12">' \
    '<title>Sectors 0 to 81920: 0 recovered files</title>' '</svg>' > "$tmp/v1.svg"
  for pair in v1.tsv:v1.svg v1.json:v2.svg none.json:v3.svg ours.tsv:v4.svg; do
    report=${pair%:*}; map=${pair#*:}
    run 0 "over the earlier $report" "$cli" recover --image "$tmp/card.img" --dest "$tmp/again" --dry-run \
      --report "$tmp/$report" --map "$tmp/${map%%:*}"
    [ "$(grep -c "snd00001.wav" "$tmp/$report")" -eq 1 ] && [ "$(grep -c "$tmp/again/" "$tmp/$report")" -eq 8 ] ||
      fail "the earlier $report was not replaced: $(head -3 "$tmp/$report")"
  done
  [ "$(grep -c 'class="file"' "$tmp/v1.svg")" -eq 8 ] || fail "the earlier map was not replaced: $(head -3 "$tmp/v1.svg")"
  said err "note: the earlier report $tmp/ours.tsv had 2 names (hard links); this name now holds the new report, the other names keep the earlier one"
  cmp -s "$tmp/ours-too.tsv" "$tmp/ours.before" || fail "the report's second name lost the earlier report"

  # Passes that share a destination keep their own files; each report lists exactly what it wrote.
  cases=$((cases + 1))
  for k in 1 2 3; do
    "$cli" recover --image "$tmp/card.img" --dest "$tmp/shared" --report "$tmp/shared-$k.tsv" >/dev/null 2>&1 &
  done
  wait
  [ "$(ls "$tmp/shared" | wc -l)" -eq 24 ] || fail "shared destination: $(ls "$tmp/shared" | wc -l) files, wanted 24"
  [ -z "$(cat "$tmp"/shared-*.tsv | grep -v '^name' | cut -f1 | sort | uniq -d)" ] || fail "a file listed twice"
  cat "$tmp"/shared-*.tsv | grep -v '^name' | while IFS="$(printf '\t')" read -r name format first sectors bytes rest; do
    [ "$(stat -c %s "$tmp/shared/$name")" = "$bytes" ] || echo "$name" >> "$tmp/shared-wrong"
  done
  [ -e "$tmp/shared-wrong" ] && fail "shared destination: listed sizes differ: $(cat "$tmp/shared-wrong")"

  # The JSON report stays JSON whatever bytes a prefix holds, whatever the case of its extension; bytes
  # that are not UTF-8 come back.
  mkdir -p "$tmp/prog"
  cp "$cli" "$tmp/prog/quillot-cli"
  printf '[options]\nformats_list=WAV\n[WAV]\nFileExtension=w\nFilePrefix=a\001"\\\377\nSearch=1\nScanBytes=0=#82,1=#73,2=#70,3=#70\n' \
    > "$tmp/prog/Quillot.ini"
  for report in odd.json ODD.Json; do
    run 0 "odd bytes in a prefix, $report" "$tmp/prog/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/odd" \
      --report "$tmp/$report" --dry-run
    said "$report" '"name": "a\\u0001\\"\\\\\\udcff00001.w"'
  done
  # A name's tab, escape sequence, bell, backslash, C1 control (U+0085) and a byte that is not UTF-8:
  # each escaped in the TSV report (undone, the file's name again), the JSON report and on the terminal,
  # where none arrives as a control.
  printf '[options]\nformats_list=WAV\n[WAV]\nFileExtension=w\nFilePrefix=a\t\033]0;x\007\\\302\205\377"b\nSearch=1\nScanBytes=0=#82,1=#73,2=#70,3=#70\n' \
    > "$tmp/prog/Quillot.ini"
  run 0 "control characters in a name" "$tmp/prog/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/ctl" \
    --report "$tmp/ctl.tsv" --map "$tmp/ctl.svg"
  tab=$(printf '\t')
  escaped='a\\t\\x1b]0;x\\x07\\\\\\xc2\\x85\\xff"b00001\.w'
  said ctl.tsv "^$escaped$tab"
  said ctl.tsv "$tab$tmp/ctl/$escaped\$"
  said out '^Recovering file: a\\t\\x1b]0;x\\x07\\\\xc2\\x85\\xff"b00001\.w\.\.\.$'
  tr -d '\n' < "$tmp/out" | LC_ALL=C grep -q '[[:cntrl:]]' && fail "a control character reached the terminal"
  tr -d '\n' < "$tmp/ctl.svg" | LC_ALL=C grep -q '[[:cntrl:]]' && fail "the map holds a control character"
  if python3 -c 'pass' 2>/dev/null; then
    python3 - "$tmp/ctl.tsv" "$tmp/ctl" <<'PY' || fail "the TSV report's name does not give the file's name back"
import os, re, sys
row = open(sys.argv[1], "rb").read().split(b"\n")[1].split(b"\t")
undo = lambda s: re.sub(rb"\\(x[0-9a-f]{2}|.)", lambda m: {b"t": b"\t", b"n": b"\n", b"r": b"\r", b"\\": b"\\"}.get(
    m.group(1), bytes([int(m.group(1)[1:], 16)]) if m.group(1)[:1] == b"x" else None), s)
sys.exit(0 if [undo(row[0])] == os.listdir(os.fsencode(sys.argv[2])) and undo(row[-1]).endswith(undo(row[0])) else 1)
PY
  fi
  run 0 "control characters in a name, JSON" "$tmp/prog/quillot-cli" recover --image "$tmp/card.img" \
    --dest "$tmp/ctl2" --report "$tmp/ctl.json" --dry-run
  said ctl.json '"name": "a\\u0009\\u001b]0;x\\u0007\\\\\\u0085\\udcff\\"b00001.w"'
}

if [ "$group" = all ]; then
  for g in usage outputs full vanishing shrinking loop; do "group_$g"; done
else
  "group_$group"
fi

[ "$(md5sum < "$tmp/card.img")" = "$sum_before" ] || fail "the card image changed"
[ "$(md5sum < "$tmp/noisy.img")" = "$noisy_before" ] || fail "the noisy image changed"

echo "$cases fault cases run, $failures failed"
# Where nothing could run (the loop devices want root), the test says it was skipped.
[ "$cases" -eq 0 ] && exit 77
exit $failures

