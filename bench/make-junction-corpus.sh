#!/bin/bash
# Makes the recordings bench/JunctionRates.cpp cuts into junctions, into the folder given (never the repo):
#   WORK/corpus/<kind>/<layout>/<name>.{wav,au}
# kinds: speech (people reading prompts, 8 kHz), voice (espeak-ng in six voices reading licence texts, some
# in a room with a noise floor), music (game music and ringtones shipped by Debian, cut into minutes),
# melody (sox-synthesised melodies in two to three parts with reverb and a noise floor) and sounds (desktop
# sounds and the repo's sample clips). Each is written as 8-bit unsigned mono, 16-bit mono and stereo,
# 16-bit big-endian stereo (AU), 24-bit stereo at 48 kHz, 32-bit float mono, and IMA ADPCM mono and stereo.
# Stereo from a mono source has its own reverb and noise in each channel, as a room would give.
# Needs: sox libsox-fmt-all ffmpeg espeak-ng asterisk-core-sounds-en-wav asterisk-core-sounds-fr-wav drascula-music
#        asc-music lomiri-sounds sound-theme-freedesktop (a source whose package is missing is left out).
#   usage: bench/make-junction-corpus.sh WORK
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 WORK" >&2; exit 2; }
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(mkdir -p "$1" && cd "$1" && pwd)
case "$work/" in "$repo"/*) echo "$0: WORK must lie outside the repository" >&2; exit 2 ;; esac
src="$work/sources"
out="$work/corpus"
rm -rf "$src" "$out"
mkdir -p "$src" "$out"

# -R: the same noise on every run.
sx() { sox -R -V1 "$@"; }

# A source recording as 16-bit WAV at its own rate and channels.
master() { mkdir -p "$src/$1"; echo "$src/$1/$2.wav"; }

# speech: a minute of prompts read one after another, per voice.
for dir in /usr/share/asterisk/sounds/en_US_f_Allison /usr/share/asterisk/sounds/fr_CA_f_June; do
  [ -d "$dir" ] || continue
  name=$(basename "$dir")
  mapfile -t prompts < <(find "$dir" -maxdepth 1 -name '*.wav' -size +20k | sort)
  n=0
  for ((i = 0; i < ${#prompts[@]}; i += 40)); do
    sx "${prompts[@]:i:40}" -b 16 -c 1 "$(master speech "$name-$n")" trim 0 60
    n=$((n + 1))
    [ $n -lt 12 ] || break
  done
done

# voice: espeak-ng reads a licence, a part each voice; every other voice in a room with a noise floor.
texts=(/usr/share/common-licenses/GPL-3 /usr/share/common-licenses/GPL-2 /usr/share/common-licenses/LGPL-2.1
  /usr/share/common-licenses/Apache-2.0 /usr/share/common-licenses/MPL-2.0 /usr/share/common-licenses/GFDL-1.3)
voices=(en-us en-gb+f3 de+m3 fr+f2 es+m1 en-gb-scotland+f4)
for v in "${!voices[@]}"; do
  for part in 0 1 2; do
    words=$(tr -s '[:space:]' ' ' <"${texts[v]}" | cut -d' ' -f$((part * 300 + 1))-$((part * 300 + 300)))
    espeak-ng -v "${voices[v]}" -s $((150 + 15 * part)) -w "$src/raw.wav" "$words"
    out1=$(master voice "${voices[v]//+/-}-$part")
    if [ $((v % 2)) -eq 1 ]; then
      sx "$src/raw.wav" "$src/room.wav" trim 0 90 reverb 40 50 70 gain -3
      sx "$src/room.wav" -p synth pinknoise vol 0.003 | sx -m "$src/room.wav" -t sox - -b 16 "$out1"
    else
      sx "$src/raw.wav" -b 16 "$out1" trim 0 90
    fi
  done
done
rm -f "$src/raw.wav" "$src/room.wav"

# music: game music and ringtones, a minute each from the start of every other track.
n=0
for f in /usr/share/scummvm/drascula/audio/track*.ogg /usr/share/games/asc/music/*.mp3 \
  $(find /usr/share/sounds/lomiri -path '*ringtones*' -name '*.ogg' 2>/dev/null | sort); do
  [ -f "$f" ] || continue
  [ "$(soxi -D "$f" | cut -d. -f1)" -ge 20 ] || continue
  n=$((n + 1))
  [ $((n % 2)) -eq 1 ] || continue
  sx "$f" -b 16 "$(master music "m$n-$(basename "${f%.*}")")" trim 15 60
  [ $n -lt 60 ] || break
done

# melody: parts of seeded random notes on sox's instruments, mixed, with reverb and a noise floor.
part() {  # seed instrument octave beat file
  local seed=$1 inst=$2 oct=$3 beat=$4 file=$5 args=() notes=(C D E F G A B) lens=(1 1 2 2 3 4)
  RANDOM=$seed
  for ((i = 0; i < 90; i++)); do
    # RANDOM is read here, never inside $(...): a subshell draws from a generator of its own.
    local k=$((RANDOM % 6)) len note
    len=$(echo "$beat * ${lens[k]}" | bc)
    note=${notes[RANDOM % 7]}$((oct + RANDOM % 2))
    args+=(synth "$len" "$inst" "$note" fade 0.005 "$len" "$(echo "$len / 3" | bc -l | cut -c1-5)" :)
  done
  unset 'args[${#args[@]}-1]'
  sx -n -r 44100 -c 1 -b 16 "$file" "${args[@]}"
}
instruments=("pluck square sine" "sawtooth pluck triangle" "sine trapezium pluck" "square triangle sawtooth")
for m in $(seq 0 11); do
  set -- ${instruments[m % 4]}
  part $((m * 3 + 1)) "$1" 2 0.25 "$src/p1.wav"
  part $((m * 3 + 2)) "$2" 4 0.125 "$src/p2.wav"
  part $((m * 3 + 3)) "$3" 3 0.5 "$src/p3.wav"
  sx -m -v 0.5 "$src/p1.wav" -v 0.3 "$src/p2.wav" -v 0.3 "$src/p3.wav" "$src/mix.wav" \
    lowpass $((3000 + 500 * m)) reverb $((20 + 5 * m)) trim 0 60
  sx "$src/mix.wav" -p synth whitenoise vol 0.001 | sx -m "$src/mix.wav" -t sox - -b 16 "$(master melody "tune$m")"
done
rm -f "$src"/p?.wav "$src/mix.wav"

# sounds: the desktop's and the repo's clips, each as it is.
for f in /usr/share/sounds/freedesktop/stereo/*.oga \
  $(find /usr/share/sounds/lomiri -name '*.ogg' ! -path '*ringtones*' 2>/dev/null | sort) \
  "$repo"/samples/audio/*.{wav,aiff,flac,ogg,mp3}; do
  [ -f "$f" ] || continue
  sx "$f" -b 16 "$(master sounds "$(basename "${f%.*}")-${f##*.}")"
done

# Every source in every layout.
for kind in "$src"/*; do
  k=$(basename "$kind")
  for f in "$kind"/*.wav; do
    name=$(basename "$f" .wav)
    rate=$(soxi -r "$f")
    low=$((rate > 22050 ? 22050 : rate))
    # A mono source made stereo: the second channel a little later, each its own reverb and noise.
    if [ "$(soxi -c "$f")" -eq 1 ]; then
      sx "$f" "$src/st.wav" remix 1 1 delay 0 0.0007 reverb 30 50 60 100
      sx "$src/st.wav" -p synth whitenoise vol 0.0008 | sx -m "$src/st.wav" -t sox - -b 16 "$src/stereo.wav"
    else
      cp "$f" "$src/stereo.wav"
    fi
    lay() { mkdir -p "$out/$k/$1"; sx "${@:3}" "$out/$k/$1/$name.$2"; }
    lay u8-mono wav "$f" -e unsigned -b 8 -c 1 -r "$low"
    lay s16-mono wav "$f" -e signed -b 16 -c 1
    lay s16-stereo wav "$src/stereo.wav" -e signed -b 16
    lay s16be-stereo au "$src/stereo.wav" -e signed -b 16
    lay s24-stereo wav "$src/stereo.wav" -e signed -b 24 -r 48000
    lay f32-mono wav "$f" -e float -b 32 -c 1
    lay ima-mono wav "$f" -e ima-adpcm -c 1 -r "$low"
    # sox's encoder writes the first channel's sample into every channel's block header, a click in the
    # second channel at each block no recorder makes: stereo ADPCM comes from ffmpeg's encoder.
    mkdir -p "$out/$k/ima-stereo"
    ffmpeg -nostdin -loglevel error -y -i "$src/stereo.wav" -c:a adpcm_ima_wav -fflags +bitexact \
      -map_metadata -1 "$out/$k/ima-stereo/$name.wav"
  done
done
rm -f "$src/st.wav" "$src/stereo.wav"
du -sh "$out"/* | sed 's|'"$out"'/||'
