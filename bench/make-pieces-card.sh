#!/bin/sh
# Builds a card whose recordings lie in pieces: a FAT32 image of SIZE MiB (4 KiB clusters) filled with
# recordings and other files, every second one deleted, then new recordings (Ogg Vorbis, Opus, FLAC, MP3,
# WAV) written as a device does that takes free clusters from the card's start, so that each new one
# fills one hole after another and lies in two or more pieces. The files left between the holes are
# recordings of the same kinds and parameters: the wrong candidates a piece search must turn down.
#   usage: make-pieces-card.sh OUT.img SIZE_MIB zero|random WORKDIR
# Every recording is encoded from its own seeded noise and tone, so no two share a block. The pool is
# made once into WORKDIR/pieces-pool/ and shared by both fills (about 4 minutes on two cores).
# Writes OUT.img and OUT.img.manifest: a "#layout files" line, then one line per file: tag, kind, path,
# state (live or deleted), and for the files written after the deletes their pieces as FAT clusters
# ("3-42,83-101"), then the cluster size and the byte offset of cluster 2.
set -eu
img="$1"; size_mib="$2"; fill="$3"; work="$4"
pool="$work/pieces-pool"
export MTOOLS_SKIP_CHECK=1 TZ=UTC LC_ALL=C

# The plan: fillers (recordings and random-byte files) up to ~85% of the card, then the new recordings,
# about as many bytes as the deletes free. Durations keep most files between 0.3 and 4 MB.
plan() {
  awk -v size="$((size_mib * 1048576))" 'BEGIN {
    srand(20240611)
    split("ogg opus flac mp3 wav", kinds, " ")
    # bytes per second of each kind, for the estimate
    rate["ogg"] = 16000; rate["opus"] = 12000; rate["flac"] = 110000; rate["mp3"] = 16000; rate["wav"] = 176400
    lo["ogg"] = 20; hi["ogg"] = 220; lo["opus"] = 25; hi["opus"] = 280; lo["flac"] = 3; hi["flac"] = 30
    lo["mp3"] = 20; hi["mp3"] = 220; lo["wav"] = 2; hi["wav"] = 20
    n = 0; used = 0
    while (used < size * 0.85) {
      n++
      if (rand() < 0.4) { b = 200000 + int(rand() * 2000000); printf "p%04d dat 1 %d\n", n, b; used += b; continue }
      k = kinds[1 + int(rand() * 5)]; d = lo[k] + int(rand() * (hi[k] - lo[k] + 1))
      printf "p%04d %s 1 %d\n", n, k, d; used += d * rate[k]
    }
    freed = used / 2; used = 0
    for (i = 0; used < freed; i++) {
      n++; k = kinds[1 + i % 5]; d = lo[k] + int(rand() * (hi[k] - lo[k] + 1))
      printf "p%04d %s 2 %d\n", n, k, d; used += d * rate[k]
    }
  }'
}

# Makes one planned file into the pool: 44.1 kHz stereo, one set of parameters per kind.
make_one() {
  tag="$1"; kind="$2"; d="$4"
  out="$pool/$tag.$kind"; seed=$(expr "${tag#p}" + 0)
  if [ "$kind" = dat ]; then
    python3 -c "import random, sys; random.seed($seed); sys.stdout.buffer.write(random.randbytes($d))" > "$out"
    return
  fi
  src="$pool/.src-$tag.wav"
  ffmpeg -loglevel error -y -f lavfi -i "anoisesrc=seed=$seed:color=pink:amplitude=0.2:sample_rate=44100:duration=$d" \
    -f lavfi -i "sine=frequency=$((150 + seed % 700)):sample_rate=44100:duration=$d" \
    -filter_complex "[0][1]amix=inputs=2:normalize=0" -ac 2 -c:a pcm_s16le -fflags +bitexact -map_metadata -1 "$src"
  case "$kind" in
  wav) mv "$src" "$out"; return ;;
  ogg) oggenc --quiet -q 4 --serial "$seed" -o "$out" "$src" ;;
  opus) opusenc --quiet --bitrate 96 --serial "$seed" "$src" "$out" ;;
  flac) flac --silent -f --no-seektable -o "$out" "$src" ;;
  mp3) lame --quiet -b 128 "$src" "$out" ;;
  esac
  rm -f "$src"
}

mkdir -p "$work"
plan > "$work/.pieces-plan"
if [ ! -f "$pool/.done" ] || ! cmp -s "$work/.pieces-plan" "$pool/plan"; then
  rm -rf "$pool"
  mkdir -p "$pool"
  mv "$work/.pieces-plan" "$pool/plan"
  for half in 0 1; do
    awk -v h=$half 'NR % 2 == h' "$pool/plan" | while read -r line; do
      # shellcheck disable=SC2086
      make_one $line < /dev/null
    done &
  done
  wait
  n=$(wc -l < "$pool/plan"); m=$(find "$pool" -maxdepth 1 -type f -name 'p[0-9]*' | wc -l)
  [ "$n" -eq "$m" ] || { echo "made $m of $n planned files" >&2; exit 1; }
  touch "$pool/.done"
fi
rm -f "$work/.pieces-plan"

rm -f "$img" "$img.manifest"
if [ "$fill" = random ]; then
  head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$img"
else
  truncate -s "${size_mib}M" "$img"
fi
mkfs.fat -F 32 -S 512 -s 8 -n PIECES -i 0BE1C4A4 "$img" >/dev/null
mmd -i "$img" ::/OLD
mmd -i "$img" ::/NEW
: > "$img.manifest.new"
awk '$3 == 1 { print $1, $2 }' "$pool/plan" | while read -r tag kind; do
  mcopy -i "$img" "$pool/$tag.$kind" "::/OLD/$tag.$kind" && echo "$tag $kind OLD/$tag.$kind live -" >> "$img.manifest.new"
done
# Every second file goes; the device then takes free clusters from the card's start (the FSInfo's
# next-free hint cleared), so each new recording fills the holes in order.
awk 'NR % 2 == 0 { print $3 }' "$img.manifest.new" | while read -r path; do mdel -i "$img" "::/$path"; done
awk 'NR % 2 == 0 { $4 = "deleted" } { print }' "$img.manifest.new" > "$img.manifest.tmp"
mv "$img.manifest.tmp" "$img.manifest.new"
fsinfo=$(od -An -tu2 -j48 -N2 "$img" | tr -d ' ')
printf '\377\377\377\377' | dd of="$img" bs=1 seek=$((fsinfo * 512 + 492)) conv=notrunc 2>/dev/null
awk '$3 == 2 { print $1, $2 }' "$pool/plan" | while read -r tag kind; do
  if mcopy -i "$img" "$pool/$tag.$kind" "::/NEW/$tag.$kind" 2>/dev/null; then
    chain=$(mshowfat -i "$img" "::/NEW/$tag.$kind" | sed 's/^[^<]*//; s/> *</,/g; s/[<> ]//g')
    echo "$tag $kind NEW/$tag.$kind live $chain" >> "$img.manifest.new"
  fi
done
# Where the clusters lie: the boot sector's reserved sectors, FATs and their size.
reserved=$(od -An -tu2 -j14 -N2 "$img" | tr -d ' ')
fats=$(od -An -tu1 -j16 -N1 "$img" | tr -d ' ')
fatsize=$(od -An -tu4 -j36 -N4 "$img" | tr -d ' ')
{ echo "#layout files"; echo "#clusters 4096 $(((reserved + fats * fatsize) * 512))"; cat "$img.manifest.new"; } > "$img.manifest"
rm "$img.manifest.new"
echo "$img: $(grep -vc '^#' "$img.manifest") files;" \
  "$(awk '$4 == "live" && $5 != "-" { n[gsub(/,/, ",", $5) + 1]++ } END { for (k in n) printf " %s in %d pieces,", n[k], k }' "$img.manifest")"
