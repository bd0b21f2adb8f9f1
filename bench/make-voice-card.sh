#!/bin/sh
# Builds a voice recorder's memory card: a FAT32 image of SIZE MiB holding tagless frame streams (MP3 with
# no tag and no Xing/Info frame, MP2, ADTS AAC, AC-3, E-AC-3, DTS) beside what such a card also holds
# (photos, a ZIP, text logs, a short MP4 and AVI), some deleted and some of those overwritten, with its
# free space left as zeros or random bytes.
#   usage: make-voice-card.sh OUT.img SIZE_MIB zero|random WORKDIR
# Every file is encoded from its own seeded source (tones on per-file frequencies, noise bursts, gaps
# of quiet noise), so any 512-byte block of one names the file and its offset. The files are made once
# per card size into WORKDIR/voice-pool/<tag>.<kind> and shared by both fills (about 3 minutes on two
# cores at 256 MiB; a card from a made pool takes seconds).
# Writes OUT.img and OUT.img.manifest: a "#layout files" line, then one line per file: tag, kind (mp3,
# mp2, aac, ac3, eac3, dts, jpg, zip, txt, mp4, avi), path on the card, state (live or deleted).
set -eu
img="$1"; size_mib="$2"; fill="$3"; work="$4"
pool="$work/voice-pool"
export MTOOLS_SKIP_CHECK=1 TZ=UTC LC_ALL=C

# The plan: one line per file, drawn from a fixed seed until the files fill ~72% of the card; then the
# files written after the deletes, ~10% more. Sizes are estimated from duration and bitrate.
plan() {
  awk -v size="$((size_mib * 1048576))" 'BEGIN {
    srand(20240517)
    n = 0; mp3 = 0
    split("16000 22050 24000 8000 11025 12000", mp3rate, " ")
    split("8 16 24 32", mp3kbps, " ")
    split("32000 44100 48000 16000 22050 24000", mp2rate, " ")
    split("16000 22050 44100 48000", aacrate, " ")
    split("32000 44100 48000", ac3rate, " ")
    for (phase = 1; phase <= 2; phase++) {
      budget = size * (phase == 1 ? 0.72 : 0.10); used = 0
      for (round = 0; used < budget; round++) {
        for (j = 0; j < 5; j++) { mp3++; used += emit_mp3(phase) }
        used += emit_mp2(phase); used += emit_aac(phase); used += emit_ac3(phase, "ac3")
        used += emit_ac3(phase, "eac3"); used += emit_dts(phase)
        if (phase == 1 && round % 3 == 1 && round < 30) used += emit_jpg(phase)
        if (phase == 1 && round % 10 == 2) used += emit_txt(phase)
        if (phase == 1 && round == 5) used += emit_other(phase, "zip", 4000000 + int(rand() * 2000000))
        if (phase == 1 && round == 8) used += emit_other(phase, "mp4", 6 + int(rand() * 6))
        if (phase == 2 && round == 1) used += emit_other(phase, "avi", 4 + int(rand() * 4))
      }
    }
  }
  function pick(a, k) { return a[1 + int(rand() * k)] }
  function dur(lo, hi) { return lo + int(rand() * (hi - lo + 1)) }
  # A speech-like tone track for sox: syllables gliding between two per-file pitches, noise bursts and gaps.
  function chain(d, f1, f2,   t, s, c, l) {
    c = ""; t = 0
    while (t < d) {
      s = rand()
      if (s < 0.55) {
        l = 0.2 + rand() * 1.2
        c = c sprintf(" : synth %.3f sine %d-%d tremolo %.2f %d vol %.2f", l, f1 * (0.9 + rand() * 0.2), f2 * (0.9 + rand() * 0.2), 3 + rand() * 5, 40 + rand() * 50, 0.2 + rand() * 0.3)
      } else if (s < 0.75) {
        l = 0.05 + rand() * 0.35
        c = c sprintf(" : synth %.3f %s vol %.2f", l, rand() < 0.5 ? "pinknoise" : "brownnoise", 0.1 + rand() * 0.2)
      } else {
        l = 0.1 + rand() * 0.6
        c = c sprintf(" : synth %.3f sine 100 vol 0", l)
      }
      t += l
    }
    return substr(c, 4)
  }
  function line(phase, kind, d, rate, ch, enc, opts, est,   f1, f2) {
    n++
    f1 = 90 + int(rand() * 250); f2 = f1 * (1.2 + rand())
    printf "v%04d %s %d %d %d %d %s %s %d %s\n", n, kind, phase, d, rate, ch, enc, opts, 1000 + n, chain(d, f1, f2)
    return est
  }
  function emit_mp3(phase,   d, rate, k, opts) {
    d = (mp3 % 15 == 0) ? dur(1, 2) : dur(3, 60)
    rate = pick(mp3rate, 6); k = pick(mp3kbps, 4)
    opts = (rand() < 0.5) ? "-b," k : "-V," (5 + int(rand() * 5)) ",-b,8,-B,32"
    if (rand() < 0.2) opts = opts ",-p"
    return line(phase, "mp3", d, rate, 1, "lame", opts, d * 24 * 125)
  }
  function emit_mp2(phase,   d, rate, ch, k, enc, opts) {
    d = dur(3, 40); rate = pick(mp2rate, 6); ch = 1 + int(rand() * 2)
    k = (rate >= 32000) ? (ch == 2 ? 128 + 64 * int(rand() * 3) : 64 + 32 * int(rand() * 3)) : 32 + 16 * int(rand() * 4)
    enc = (rand() < 0.5) ? "twolame" : "ffmpeg"
    if (enc == "twolame") { opts = "-b," k ",-m," (ch == 2 ? "j" : "m"); if (rand() < 0.4) opts = opts ",-p" }
    else opts = "-c:a,mp2,-b:a," k "k,-f,mp2"
    return line(phase, "mp2", d, rate, ch, enc, opts, d * k * 125)
  }
  function emit_aac(phase,   d, rate, ch, k) {
    d = dur(3, 40); rate = pick(aacrate, 4); ch = 1 + int(rand() * 2); k = (rate < 32000 ? 24 : 48) * ch
    return line(phase, "aac", d, rate, ch, "ffmpeg", "-c:a,aac,-b:a," k "k,-f,adts", d * k * 125)
  }
  function emit_ac3(phase, kind,   d, rate, ch, k) {
    d = dur(3, 40); rate = pick(ac3rate, 3); ch = 1 + int(rand() * 2); k = 64 * ch + 32 * int(rand() * 3)
    return line(phase, kind, d, rate, ch, "ffmpeg", "-c:a," kind ",-b:a," k "k,-f," kind, d * k * 125)
  }
  function emit_dts(phase,   d, rate) {
    d = dur(3, 40); rate = (rand() < 0.5) ? 44100 : 48000
    return line(phase, "dts", d, rate, 2, "ffmpeg", "-c:a,dca,-strict,-2,-f,dts", d * 1411 * 125)
  }
  function emit_jpg(phase,   w, h, noise) {
    noise = rand() < 0.4
    w = noise ? 480 + 32 * int(rand() * 16) : 960 + 64 * int(rand() * 16); h = int(w * 3 / 4)
    n++
    printf "v%04d jpg %d 0 %d %d %s - %d -\n", n, phase, w, h, noise ? "noise" : "plasma", 1000 + n
    return noise ? w * h * 0.6 : w * h * 0.33
  }
  function emit_txt(phase,   lines) {
    lines = 300 + int(rand() * 1200); n++
    printf "v%04d txt %d %d 0 0 log - %d -\n", n, phase, lines, 1000 + n
    return lines * 60
  }
  function emit_other(phase, kind, amount) {
    n++
    printf "v%04d %s %d %d 0 0 %s - %d -\n", n, kind, phase, amount, kind, 1000 + n
    return kind == "zip" ? amount : amount * 200000
  }'
}

# Makes one planned file into the pool.
make_one() {
  tag="$1"; kind="$2"; d="$4"; rate="$5"; ch="$6"; enc="$7"; opts="$8"; seed="$9"; shift 9
  out="$pool/$tag.$kind"; tmp="$pool/.tmp-$tag"
  mkdir -p "$tmp"
  case "$kind" in
  jpg)
    if [ "$enc" = noise ]; then
      convert -size "${rate}x$ch" -seed "$seed" xc:gray +noise Random -quality 88 "$out"
    else
      convert -size "${rate}x$ch" -seed "$seed" plasma:fractal -quality 92 "$out"
    fi ;;
  txt)
    awk -v n="$d" -v seed="$seed" 'BEGIN { srand(seed); t = 1714550400 + seed * 3600
      for (i = 1; i <= n; i++) { t += 1 + int(rand() * 40)
        printf "%s rec[%d]: %s level %.1f dB battery %d%% free %d KB\n", strftime("%Y-%m-%d %H:%M:%S", t, 1), seed,
          (rand() < 0.3 ? "start" : rand() < 0.5 ? "stop" : "gain"), -60 + rand() * 55, 100 - int(i * 90 / n), 250000 - i * 37 } }' > "$out" ;;
  zip)
    python3 -c "import random, sys; random.seed($seed); sys.stdout.buffer.write(random.randbytes($d))" > "$tmp/data.bin"
    touch -d '2024-05-01 12:00:00' "$tmp/data.bin"
    (cd "$tmp" && zip -q -X -0 "$out" data.bin) ;;
  mp4)
    ffmpeg -loglevel error -y -f lavfi -i "testsrc=size=320x240:rate=15:duration=$d" \
      -f lavfi -i "anoisesrc=seed=$seed:color=pink:amplitude=0.1:sample_rate=44100:duration=$d" \
      -c:v libx264 -preset veryfast -threads 1 -pix_fmt yuv420p -c:a aac -b:a 64k -fflags +bitexact -map_metadata -1 "$out" ;;
  avi)
    ffmpeg -loglevel error -y -f lavfi -i "testsrc2=size=320x240:rate=10:duration=$d" \
      -f lavfi -i "anoisesrc=seed=$seed:color=white:amplitude=0.1:sample_rate=16000:duration=$d" \
      -c:v mjpeg -q:v 6 -c:a pcm_s16le -fflags +bitexact "$out" ;;
  *)
    # The tone track from sox, with seeded room noise from ffmpeg under all of it, gaps included.
    # shellcheck disable=SC2068
    sox -R -n -r "$rate" -c 1 -b 16 "$tmp/tone.wav" $@
    mix="[0][1]amix=inputs=2:duration=first:normalize=0"
    noise="anoisesrc=seed=$seed:color=pink:amplitude=0.02:sample_rate=$rate"
    # shellcheck disable=SC2046
    case "$enc" in
    ffmpeg)
      ffmpeg -loglevel error -y -i "$tmp/tone.wav" -f lavfi -i "$noise" -filter_complex "$mix" -ac "$ch" \
        $(echo "$opts" | tr , ' ') -fflags +bitexact "$out" ;;
    *)
      ffmpeg -loglevel error -y -i "$tmp/tone.wav" -f lavfi -i "$noise" -filter_complex "$mix" -ac "$ch" "$tmp/src.wav"
      if [ "$enc" = lame ]; then
        lame --quiet -t -m m $(echo "$opts" | tr , ' ') "$tmp/src.wav" "$out"
      else
        twolame --quiet $(echo "$opts" | tr , ' ') "$tmp/src.wav" "$out"
      fi ;;
    esac ;;
  esac
  rm -rf "$tmp"
}

# The pool is made again when the plan changed (another size, or an edited script).
mkdir -p "$work"
plan > "$work/.voice-plan"
if [ ! -f "$pool/.done" ] || ! cmp -s "$work/.voice-plan" "$pool/plan"; then
  rm -rf "$pool"
  mkdir -p "$pool"
  mv "$work/.voice-plan" "$pool/plan"
  # Two makers, one per core, sharing the lines by a rough cost so that both finish together.
  for half in 0 1; do
    awk -v h=$half '{ c = 0.3 + $4 * ($2 == "dts" || $2 == "aac" ? 0.02 : 0.006); s = (load[0] <= load[1]) ? 0 : 1
      load[s] += c; if (s == h) print }' "$pool/plan" | while read -r line; do
      # shellcheck disable=SC2086
      make_one $line < /dev/null
    done &
  done
  wait
  # A tagless MP3 must begin with a plain MPEG-2 or 2.5 frame header, FF E2/E3/F2/F3.
  for f in "$pool"/*.mp3; do
    case "$(od -An -tx1 -N2 "$f" | tr -d ' ')" in
    ffe2 | ffe3 | fff2 | fff3) ;;
    *) echo "$f does not begin with a plain frame header" >&2; exit 1 ;;
    esac
  done
  n=$(wc -l < "$pool/plan"); m=$(find "$pool" -maxdepth 1 -type f -name 'v*' | wc -l)
  [ "$n" -eq "$m" ] || { echo "made $m of $n planned files" >&2; exit 1; }
  touch "$pool/.done"
fi
rm -f "$work/.voice-plan"

rm -f "$img" "$img.manifest"
if [ "$fill" = random ]; then
  head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$img"
else
  truncate -s "${size_mib}M" "$img"
fi
# The largest clusters (up to 4 KiB) that leave FAT32 at least its 65525 clusters, with room for the FATs.
spc=8
while [ "$spc" -gt 1 ] && [ $((size_mib * 2048 / spc)) -lt 66000 ]; do spc=$((spc / 2)); done
mkfs.fat -F 32 -S 512 -s $spc -n VOICECARD -i 0BE1C4A3 "$img" >/dev/null
for d in VOICE MUSIC DCIM LOGS DOWNLOAD; do mmd -i "$img" "::/$d"; done
folder() {
  case "$1" in
  mp3) echo VOICE ;; jpg | mp4 | avi) echo DCIM ;; txt) echo LOGS ;; zip) echo DOWNLOAD ;; *) echo MUSIC ;;
  esac
}

# Files go on one at a time in the planned order, so the formats lie interleaved.
put() {  # tag kind: copies one pool file onto the card and into the manifest
  path="$(folder "$2")/$1.$2"
  if mcopy -i "$img" "$pool/$1.$2" "::/$path" 2>/dev/null; then
    echo "$1 $2 $path live" >> "$img.manifest.new"
  else
    echo "the card is full: $path did not fit"
  fi
}
: > "$img.manifest.new"
awk '$3 == 1 { print $1, $2 }' "$pool/plan" | while read -r tag kind; do put "$tag" "$kind"; done
# Erase every fifth file; then write the rest as a recorder does that looks for free clusters from the
# card's start: mtools goes on from the FSInfo's next-free hint, so the hint is cleared. The new files
# fill the erased files' clusters, in pieces where a hole is too small, overwriting most of them, and
# the card's end stays as never written.
awk 'NR % 5 == 0 { print $3 }' "$img.manifest.new" | while read -r path; do mdel -i "$img" "::/$path"; done
awk 'NR % 5 == 0 { $4 = "deleted" } { print }' "$img.manifest.new" > "$img.manifest.tmp"
mv "$img.manifest.tmp" "$img.manifest.new"
fsinfo=$(od -An -tu2 -j48 -N2 "$img" | tr -d ' ')
printf '\377\377\377\377' | dd of="$img" bs=1 seek=$((fsinfo * 512 + 492)) conv=notrunc 2>/dev/null
awk '$3 == 2 { print $1, $2 }' "$pool/plan" | while read -r tag kind; do put "$tag" "$kind"; done
{ echo "#layout files"; cat "$img.manifest.new"; } > "$img.manifest"
rm "$img.manifest.new"
echo "$img: $(grep -vc '^#' "$img.manifest") files, $(grep -c ' deleted$' "$img.manifest") deleted;" \
  "$(awk '!/^#/ { n[$2]++ } END { for (k in n) printf " %s %d", k, n[k] }' "$img.manifest")"
