#!/bin/sh
# Makes the short audio clips that the sample card and the end-to-end tests are built from, with real
# encoders from Debian. Run by hand; the clips are committed, so building the card needs none of these.
#   apt-get install espeak-ng sox lame flac vorbis-tools opus-tools ffmpeg
set -eu
out="$(cd "$(dirname "$0")" && pwd)/audio"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

espeak-ng -w "$tmp/voice.wav" "This is a voice memo recorded on the memory card. Quillot found it again."
espeak-ng -v en-us -s 150 -w "$tmp/note.wav" "Remember to back up the recordings from the field trip."
sox -n -r 22050 -c 2 -b 16 "$tmp/tune.wav" synth 3 sine 440 sine 660 fade 0.1 3 0.3
sox -n -r 16000 -c 1 -b 16 "$tmp/chirp.wav" synth 2 sine 200-2000 fade 0.1 2 0.2

sox "$tmp/voice.wav" -r 16000 -b 16 "$out/voice-memo.wav"
lame --quiet -b 64 --tt "Field tune" --ta "Quillot samples" "$tmp/tune.wav" "$out/field-tune.mp3"
lame --quiet -b 64 --nohist "$tmp/note.wav" "$tmp/note-raw.mp3"
# A tagless MP3 whose first frame is the encoder's Info header.
cp "$tmp/note-raw.mp3" "$out/reminder.mp3"
flac --silent -f -o "$out/chirp.flac" "$tmp/chirp.wav"
oggenc --quiet -q 1 -o "$out/tune.ogg" "$tmp/tune.wav"
opusenc --quiet --bitrate 24 "$tmp/note.wav" "$out/note.opus"
sox "$tmp/chirp.wav" "$out/chirp.aiff"
ffmpeg -loglevel error -y -i "$tmp/voice.wav" -c:a aac -b:a 32k "$out/voice.m4a"
ls -l "$out"
