#!/bin/sh
# Builds the sample memory card: a 40 MB FAT32 image holding the clips of audio/ (plus a text note and a
# photo-like blob), three of which are then deleted, as on a card whose files were erased.
#   usage: make-sample-card.sh OUTPUT.img     (needs dosfstools and mtools)
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
img="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export MTOOLS_SKIP_CHECK=1 MTOOLS_NO_VFAT=0

rm -f "$img"
mkfs.fat -C -F 32 -n QUILLOTCARD -i 51A3C0DE -S 512 -s 1 "$img" 40960 >/dev/null
mmd -i "$img" ::/VOICE ::/MUSIC ::/DCIM

printf 'Field trip, day two.\r\nRecord the river at dawn.\r\n' > "$tmp/notes.txt"
# A stand-in for a photo: bytes that match no audio signature.
awk 'BEGIN { srand(7); for (i = 0; i < 20000; i++) printf "%c", 97 + int(rand() * 26) }' > "$tmp/IMG_0001.JPG"

mcopy -i "$img" "$here/audio/voice-memo.wav" "$here/audio/reminder.mp3" "$here/audio/note.opus" ::/VOICE/
mcopy -i "$img" "$tmp/notes.txt" ::/
mcopy -i "$img" "$here/audio/field-tune.mp3" "$here/audio/tune.ogg" "$here/audio/chirp.flac" ::/MUSIC/
mcopy -i "$img" "$tmp/IMG_0001.JPG" ::/DCIM/
mcopy -i "$img" "$here/audio/chirp.aiff" "$here/audio/voice.m4a" ::/MUSIC/

# Erased by the camera's "delete": the directory entries go, the clusters stay.
mdel -i "$img" ::/MUSIC/field-tune.mp3 ::/MUSIC/tune.ogg ::/MUSIC/chirp.aiff
