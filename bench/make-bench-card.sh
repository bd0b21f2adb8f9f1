#!/bin/sh
# Builds a benchmark memory card: a FAT32 image of SIZE MiB filled with real audio files made by real
# encoders, some deleted and some of those overwritten, with its free space left as zeros or random
# bytes. Every file is unique: a pool of clips, each copy with its own 16-byte tag appended.
#   usage: make-bench-card.sh OUT.img SIZE_MIB zero|random WORKDIR
# Writes OUT.img and OUT.img.manifest (one line per file: tag, pool clip, state).
set -eu
img="$1"; size_mib="$2"; fill="$3"; work="$4"
pool="$work/pool"
mkdir -p "$pool" "$work/stage"
export MTOOLS_SKIP_CHECK=1

# The pool: 30-second clips, one set per encoder, from seeded noise and tones (made once, then reused).
if [ ! -f "$pool/.done" ]; then
  i=0
  while [ $i -lt 8 ]; do
    f1=$((200 + i * 97)); f2=$((300 + i * 131))
    sox -n -r 44100 -c 2 -b 16 "$pool/src$i.wav" synth 30 pinknoise sine $f1 vol 0.5 \
        synth 30 sine mix $f2 fade 0.1 30 0.5 2>/dev/null
    cp "$pool/src$i.wav" "$pool/c$i.wav"
    sox "$pool/src$i.wav" "$pool/c$i.aiff"
    flac --silent -f -o "$pool/c$i.flac" "$pool/src$i.wav"
    lame --quiet -b 192 --tt "Bench clip $i" --ta "Quillot bench" "$pool/src$i.wav" "$pool/c$i-id3.mp3"
    lame --quiet -b 128 "$pool/src$i.wav" "$pool/c$i-info.mp3"
    oggenc --quiet -q 4 -o "$pool/c$i.ogg" "$pool/src$i.wav"
    opusenc --quiet --bitrate 96 "$pool/src$i.wav" "$pool/c$i.opus"
    ffmpeg -loglevel error -y -i "$pool/src$i.wav" -c:a aac -b:a 128k "$pool/c$i.m4a"
    rm "$pool/src$i.wav"
    i=$((i + 1))
  done
  touch "$pool/.done"
fi

rm -f "$img" "$img.manifest"
if [ "$fill" = random ]; then
  head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$img"
else
  truncate -s "${size_mib}M" "$img"
fi
# 4 KiB clusters on a full-size card; small test cards need 512-byte ones to stay FAT32.
spc=8; [ "$size_mib" -lt 1024 ] && spc=1
mkfs.fat -F 32 -S 512 -s $spc -n BENCHCARD -i 0BE1C4A2 "$img" >/dev/null

# Copies of pool clips, each made unique by its tag, in folders of 40, until the card is ~85% full.
clips=$(ls "$pool" | grep -v '^\.' | sort)
nclips=$(echo "$clips" | wc -l)
budget=$((size_mib * 1024 * 1024 * 85 / 100))
used=0; n=0; dir=0
copy_batch() {  # copies the staged files into ::/Dnnn
  mmd -i "$img" "::/D$(printf %03d $dir)" 2>/dev/null || true
  mcopy -i "$img" "$work"/stage/* "::/D$(printf %03d $dir)/"
  rm -f "$work"/stage/*
  dir=$((dir + 1))
}
while [ $used -lt $budget ]; do
  clip=$(echo "$clips" | sed -n "$((n % nclips + 1))p")
  tag=$(printf 'QBENCH-%09d' $n)
  name="f$(printf %05d $n).${clip##*.}"
  { cat "$pool/$clip"; printf '%s' "$tag"; } > "$work/stage/$name"
  used=$((used + $(stat -c %s "$work/stage/$name")))
  echo "$tag $clip D$(printf %03d $dir)/$name live" >> "$img.manifest"
  n=$((n + 1))
  [ $((n % 40)) -eq 0 ] && copy_batch
done
[ -n "$(ls "$work/stage")" ] && copy_batch

# Erase every fifth file; then write new files into part of the freed space, overwriting some of them.
awk 'NR % 5 == 0 { print $3 }' "$img.manifest" | while read -r path; do mdel -i "$img" "::/$path"; done
awk 'NR % 5 == 0 { $4 = "deleted" } { print }' "$img.manifest" > "$img.manifest.new"
mv "$img.manifest.new" "$img.manifest"
# The new files outgrow the free space at the end of the card, so the allocator wraps around into
# the clusters of erased files.
k=0; used=0
while [ $used -lt $((size_mib * 1024 * 1024 * 22 / 100)) ]; do
  clip=$(echo "$clips" | sed -n "$((k % nclips + 1))p")
  tag=$(printf 'QBENCH-%09d' $((n + k)))
  name="o$(printf %05d $k).${clip##*.}"
  { cat "$pool/$clip"; printf '%s' "$tag"; } > "$work/stage/$name"
  used=$((used + $(stat -c %s "$work/stage/$name")))
  echo "$tag $clip NEW/$name live" >> "$img.manifest"
  k=$((k + 1))
done
mmd -i "$img" ::/NEW
mcopy -i "$img" "$work"/stage/* ::/NEW/ 2>/dev/null || echo "the card is full: the last new files did not fit"
rm -f "$work"/stage/*
echo "$img: $n files, $((n / 5)) deleted, $k written afterwards over freed space"
