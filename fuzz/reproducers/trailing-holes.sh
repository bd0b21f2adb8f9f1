#!/bin/sh
# Shows through the command line that the file output's holes do not hide write failures (see
# tests/faults/HoleFaultsTest.cpp; both were faults once). On the sample card the last file,
# m4a00008.m4a, is 17920 bytes of data followed by free space (zeros), which the output skips as a hole.
#   usage: fuzz/reproducers/trailing-holes.sh [QUILLOT_CLI]   (from the project folder)
# 1. Under a 150 KiB file-size limit the closing length of m4a00008.m4a cannot be set: the run logs
#    "Error: Cannot write to destination file: ...!" and ends with the fatal-error line, exit 1.
# 2. On a 300 KiB file system the data sectors of aif00007.aif and m4a00008.m4a find no room: the
#    zero sectors after them do not make the pass look successful.
set -u
cli="${1:-build/bin/quillot-cli}"
tmp=$(mktemp -d)
trap 'umount "$tmp/small" 2>/dev/null; rm -rf "$tmp"' EXIT
trap 'exit 1' INT TERM HUP PIPE  # so the cleanup runs when killed too
export XDG_CONFIG_HOME="$tmp/config"
xz -dc samples/sample-card.img.xz > "$tmp/card.img"
(ulimit -f 300; "$cli" recover --image "$tmp/card.img" --dest "$tmp/lim" >"$tmp/lim.log"; echo "file-size limit: exit $?")
grep -c "^Error" "$tmp/lim.log" | sed 's/^/  error lines: /'
tail -2 "$tmp/lim.log"
ls -ls "$tmp/lim/m4a00008.m4a"
mkdir "$tmp/small"
if mount -t tmpfs -o size=300k quillot-repro "$tmp/small" 2>/dev/null; then
  "$cli" recover --image "$tmp/card.img" --dest "$tmp/small/out" >"$tmp/small.log"
  echo "full file system: exit $?"
  tail -2 "$tmp/small.log"
  ls -ls "$tmp/small/out/m4a00008.m4a"
fi
