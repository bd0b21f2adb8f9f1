#!/bin/sh
# The review window's player into a real sound server: a private pulseaudio with only a null sink, its
# socket in a throw-away runtime folder. The player's position must advance and pactl must see the
# window's stream on the sink while it plays.
#   usage: playback-test.sh QUILLOT_GUI_TESTS
set -u
tests=$1
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
command -v pulseaudio >/dev/null || { echo "SKIP: pulseaudio is not installed"; exit 77; }
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" PULSE_SERVER="unix:$work/run/pulse/native"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
pulseaudio --daemonize=no --exit-idle-time=-1 -n --disallow-exit --use-pid-file=no \
  --load="module-native-protocol-unix socket=$work/run/pulse/native auth-anonymous=1" \
  --load="module-null-sink sink_name=quillot_null" > "$work/server.log" 2>&1 &
server=$!
i=0
until pactl info > /dev/null 2>&1; do
  i=$((i + 1))
  if [ $i -gt 50 ] || ! kill -0 "$server" 2>/dev/null; then
    echo "SKIP: the sound server did not start:"; cat "$work/server.log"; exit 77
  fi
  sleep 0.1
done
pactl set-default-sink quillot_null

marker="$work/playing"
QUILLOT_SOUND_SERVER=1 QUILLOT_SOUND_MARKER="$marker" "$tests" --gtest_filter='ReviewWindowTest.PlaysIntoTheSoundServer' \
  > "$work/test.log" 2>&1 &
test_pid=$!
# While the test says it plays, the sink has the window's stream as an input.
seen=no
i=0
while kill -0 "$test_pid" 2>/dev/null && [ $i -lt 600 ]; do
  if [ -e "$marker" ] && pactl list short sink-inputs | grep -q .; then seen=yes; fi
  i=$((i + 1))
  sleep 0.1
done
wait "$test_pid"
status=$?
cat "$work/test.log"
[ $status -eq 0 ] || { echo "FAIL: the playback test failed"; exit 1; }
grep -q "SKIPPED" "$work/test.log" && { echo "FAIL: the playback test skipped"; exit 1; }
[ "$seen" = yes ] || { echo "FAIL: no stream reached the sound server's sink"; exit 1; }
echo "PASS: played into the null sink"
