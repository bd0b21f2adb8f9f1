#!/bin/sh
# A normal user reads a card through udisks2. Over a read-only loop device of the sample card, a user made
# for the test, with polkitd, udevd and udisksd on a bus of the test's own (or the system's, when it already
# runs with udisks2 on it; nothing is started then):
# - without rights, `drives` lists the device as No access with the label and serial udisks2 tells, and
#   `recover` with no terminal asks nothing, says No access with the way to get it, and exits 2;
# - without a bus the same `recover` exits 2 as before;
# - on a terminal, where the rule wants the user's own password, polkit's text agent asks for it once in
#   the run: the right one recovers the files, a wrong one ends in No access and status 2;
# - once a polkit rule allows that user, `recover --drive` recovers the same files as root does from the
#   image, and `drives` lists the device as Ready.
# Everything started is stopped by its PID; the rule, the user and the loop device go in the trap.
#   usage: udisks-test.sh QUILLOT_CLI SOURCE_DIR
set -u
cli="$1"
src="$2"
skip() {
  echo "SKIP: $*"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "a loop device and a user can only be made as root"
for tool in losetup useradd userdel runuser dbus-daemon dbus-send udevadm xz; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing"
done
polkitd=/usr/lib/polkit-1/polkitd
udisksd=/usr/libexec/udisks2/udisksd
udevd=/lib/systemd/systemd-udevd
[ -x "$polkitd" ] || skip "$polkitd is missing (Debian's polkitd)"
[ -x "$udisksd" ] || skip "$udisksd is missing (Debian's udisks2)"

tmp=$(mktemp -d)
chmod 755 "$tmp"
# Root's runs keep their settings here, not in root's own folder.
export HOME="$tmp/root-home" XDG_CONFIG_HOME="$tmp/root-home/.config"
user="quillot-ud$$"
rule="/etc/polkit-1/rules.d/10-quillot-test-$$.rules"
pids=""
loopdev=""
made_user=""
polkit_pid=""
tty_server=""
made_run_dbus=""
cleanup() {
  rm -f "$rule"
  [ -n "$tty_server" ] && kill "$tty_server" 2>/dev/null
  [ -n "$loopdev" ] && losetup -d "$loopdev"
  for pid in $pids; do kill "$pid" 2>/dev/null; done
  for pid in $pids; do wait "$pid" 2>/dev/null; done
  [ -n "$made_user" ] && userdel "$user" 2>/dev/null
  [ -n "$made_run_dbus" ] && rmdir /run/dbus 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE  # so the cleanup runs when killed too
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Waits up to five seconds for a command to succeed.
wait_for() {
  tries=0
  until "$@" >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -ge 50 ] && return 1
    sleep 0.1
  done
}
has_name() {
  dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q "boolean true"
}
start_polkitd() {
  "$polkitd" --no-debug >"$tmp/polkitd.log" 2>&1 &
  polkit_pid=$!
  pids="$pids $polkit_pid"
  wait_for has_name org.freedesktop.PolicyKit1 || skip "polkitd did not start: $(head -3 "$tmp/polkitd.log")"
}

# The system bus with udisks2 on it, or a bus of our own with our own daemons.
if [ -z "${DBUS_SYSTEM_BUS_ADDRESS:-}" ] && has_name org.freedesktop.UDisks2 && has_name org.freedesktop.PolicyKit1; then
  echo "using the running system bus, polkitd and udisksd"
  own_bus=""
else
  own_bus=yes
  # polkit's password helper is setuid and finds the system bus only at its usual address: the bus listens
  # there too while nothing else does.
  std_listen=""
  if [ ! -e /run/dbus/system_bus_socket ]; then
    [ -d /run/dbus ] || made_run_dbus=yes
    mkdir -p /run/dbus
    std_listen="<listen>unix:path=/run/dbus/system_bus_socket</listen>"
  fi
  cat >"$tmp/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$tmp/bus</listen>
  $std_listen
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
EOF
  dbus-daemon --config-file="$tmp/bus.conf" --nofork >"$tmp/bus.log" 2>&1 &
  pids="$pids $!"
  export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$tmp/bus"
  wait_for test -S "$tmp/bus" || skip "dbus-daemon did not start: $(head -3 "$tmp/bus.log")"
  wait_for has_name org.freedesktop.DBus || skip "the test's bus does not answer"
  start_polkitd
  # udisksd learns of block devices from udev.
  if ! udevadm control --ping >/dev/null 2>&1; then
    [ -x "$udevd" ] || skip "$udevd is missing (Debian's udev)"
    "$udevd" >"$tmp/udevd.log" 2>&1 &
    pids="$pids $!"
    wait_for udevadm control --ping || skip "udevd did not start: $(head -3 "$tmp/udevd.log")"
  fi
  "$udisksd" >"$tmp/udisksd.log" 2>&1 &
  pids="$pids $!"
  wait_for has_name org.freedesktop.UDisks2 || skip "udisksd did not start: $(head -3 "$tmp/udisksd.log")"
fi

xz -dc "$src/samples/sample-card.img.xz" >"$tmp/card.img"
sum_before=$(md5sum <"$tmp/card.img")
loopdev=$(losetup -f --show -r "$tmp/card.img" 2>"$tmp/losetup.err") || {
  loopdev=""
  skip "no loop device: $(cat "$tmp/losetup.err")"
}
udevadm settle -t 10
object="/org/freedesktop/UDisks2/block_devices/$(basename "$loopdev")"
udisks_knows() {
  dbus-send --system --print-reply --dest=org.freedesktop.UDisks2 "$object" org.freedesktop.DBus.Properties.Get \
    string:org.freedesktop.UDisks2.Block string:IdType 2>/dev/null | grep -q vfat
}
wait_for udisks_knows || fail "udisksd does not know $loopdev: $(tail -3 "$tmp/udisksd.log" 2>/dev/null)"

useradd --no-create-home --home-dir "$tmp/home" --shell /usr/sbin/nologin "$user" || skip "cannot make a user"
made_user=yes
mkdir -p "$tmp/home" "$tmp/out"
chown "$user" "$tmp/home" "$tmp/out"
# The program and its catalogue where the user may run them, whatever folder the build lies in.
mkdir -p "$tmp/bin"
cp "$cli" "$(dirname "$cli")/Quillot.ini" "$tmp/bin/"
chmod -R a+rX "$tmp/bin"
as_user() {  # no terminal: standard input from /dev/null
  runuser -u "$user" -- env HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" \
    DBUS_SYSTEM_BUS_ADDRESS="${DBUS_SYSTEM_BUS_ADDRESS:-}" "$@" </dev/null
}

# The drive letter of the loop device, and its line as root sees it.
"$tmp/bin/quillot-cli" drives >"$tmp/root-drives" 2>&1
letter=$(sed -n "s|^\([A-Z]\): $loopdev\$|\1|p" "$tmp/root-drives")
[ -n "$letter" ] || fail "no drive letter for $loopdev: $(cat "$tmp/root-drives")"
root_line=$(grep "^$letter " "$tmp/root-drives")
"$tmp/bin/quillot-cli" recover --image "$tmp/card.img" --dest "$tmp/root-out" --all \
  >"$tmp/root.log" 2>&1 || fail "root's recovery from the image: $(tail -3 "$tmp/root.log")"
[ "$(ls "$tmp/root-out" | wc -l)" -ge 1 ] || fail "root recovered nothing from the image"

# Without rights: listed as No access, with what udisks2 tells of it.
as_user "$tmp/bin/quillot-cli" drives >"$tmp/denied-drives" 2>&1
denied_line=$(grep "^$letter " "$tmp/denied-drives")
want_line=$(echo "$root_line" | sed 's/Ready$/No access/')
[ "$denied_line" = "$want_line" ] || fail "drives without rights: '$denied_line', wanted '$want_line'"
# No terminal: nothing is asked, No access and the way to get it, status 2, nothing written.
as_user "$tmp/bin/quillot-cli" recover --drive "$letter" --dest "$tmp/out/denied" --all >"$tmp/denied.log" 2>&1
got=$?
[ $got -eq 2 ] || fail "recover without rights: exit $got, wanted 2 ($(head -3 "$tmp/denied.log"))"
grep -q "No access" "$tmp/denied.log" || fail "recover without rights: $(head -3 "$tmp/denied.log")"
grep -q "on a terminal" "$tmp/denied.log" || fail "recover without rights gives no hint: $(head -3 "$tmp/denied.log")"
[ -e "$tmp/out/denied" ] && fail "recover without rights made its destination"
# Without a bus, as before udisks2: the system's refusal and status 2.
as_user env DBUS_SYSTEM_BUS_ADDRESS="unix:path=$tmp/no-bus" "$tmp/bin/quillot-cli" recover --drive "$letter" \
  --dest "$tmp/out/nobus" --all >"$tmp/nobus.log" 2>&1
got=$?
[ $got -eq 2 ] || fail "recover without a bus: exit $got, wanted 2 ($(head -3 "$tmp/nobus.log"))"
grep -q "Permission denied" "$tmp/nobus.log" || fail "recover without a bus: $(head -3 "$tmp/nobus.log")"

# On a terminal, with a rule that wants the user's own password: the text agent asks on the terminal, once
# in the run, though the pass opens the device again. tmux gives the terminal.
run_on_terminal() {  # password, destination; the screen ends in $tmp/screen
  tmux -L "quillot-ud$$" new-session -d -x 200 -y 50 "runuser -u $user -- env HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config \
    DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SYSTEM_BUS_ADDRESS $tmp/bin/quillot-cli recover --drive $letter --dest $2 --all; \
    echo EXIT=\$?; sleep 60"
  tty_server=$(tmux -L "quillot-ud$$" display-message -p '#{pid}')
  on_screen() { tmux -L "quillot-ud$$" capture-pane -p -S -100 | grep -q "$1"; }
  wait_for on_screen "Password:" && tmux -L "quillot-ud$$" send-keys "$1" Enter
  tries=0
  until on_screen "EXIT=" || [ $tries -ge 200 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  tmux -L "quillot-ud$$" capture-pane -p -S -100 >"$tmp/screen"
  kill "$tty_server"
  tty_server=""
}
if [ -n "$own_bus" ] && [ -z "$std_listen" ]; then
  echo "not run on a terminal: another bus holds /run/dbus/system_bus_socket, where polkit's helper looks"
elif ! command -v tmux >/dev/null 2>&1; then
  echo "not run on a terminal: tmux is missing"
else
  cat >"$rule" <<EOF
polkit.addRule(function(action, subject) {
  if (action.id.indexOf("org.freedesktop.udisks2.open-device") == 0 && subject.user == "$user")
    return polkit.Result.AUTH_SELF;
});
EOF
  echo "$user:Quillot-pw-$$" | chpasswd
  if [ -n "$own_bus" ]; then
    kill "$polkit_pid"
    wait "$polkit_pid" 2>/dev/null
    start_polkitd
  else
    sleep 2
  fi
  run_on_terminal "Quillot-pw-$$" "$tmp/out/tty"
  [ "$(grep -c "AUTHENTICATING FOR" "$tmp/screen")" -eq 1 ] || fail "terminal: not asked once: $(cat "$tmp/screen")"
  grep -q "EXIT=0" "$tmp/screen" || fail "terminal: $(grep -v '^$' "$tmp/screen" | tail -5)"
  diff -r "$tmp/root-out" "$tmp/out/tty" >"$tmp/diff" 2>&1 || fail "terminal: files differ: $(head -5 "$tmp/diff")"
  run_on_terminal "wrong-$$" "$tmp/out/tty-wrong"
  [ "$(grep -c "AUTHENTICATING FOR" "$tmp/screen")" -eq 1 ] || fail "wrong password: not asked once: $(cat "$tmp/screen")"
  grep -q "EXIT=2" "$tmp/screen" || fail "wrong password: $(grep -v '^$' "$tmp/screen" | tail -5)"
  grep -q "No access" "$tmp/screen" || fail "wrong password: $(grep -v '^$' "$tmp/screen" | tail -5)"
fi

# A rule lets this user open devices through udisks2, without a prompt.
cat >"$rule" <<EOF
polkit.addRule(function(action, subject) {
  if (action.id.indexOf("org.freedesktop.udisks2.open-device") == 0 && subject.user == "$user")
    return polkit.Result.YES;
});
EOF
if [ -n "$own_bus" ]; then
  # A polkitd of our own is started again, so it has read the rule when the user asks.
  kill "$polkit_pid"
  wait "$polkit_pid" 2>/dev/null
  start_polkitd
else
  sleep 2  # the system's polkitd reads new rules when it sees them
fi
as_user "$tmp/bin/quillot-cli" recover --drive "$letter" --dest "$tmp/out/allowed" --all >"$tmp/allowed.log" 2>&1
got=$?
[ $got -eq 0 ] || fail "recover with the rule: exit $got ($(tail -3 "$tmp/allowed.log"))"
diff -r "$tmp/root-out" "$tmp/out/allowed" >"$tmp/diff" 2>&1 || fail "the user's files differ: $(head -5 "$tmp/diff")"
as_user "$tmp/bin/quillot-cli" drives >"$tmp/allowed-drives" 2>&1
allowed_line=$(grep "^$letter " "$tmp/allowed-drives")
[ "$allowed_line" = "$root_line" ] || fail "drives with the rule: '$allowed_line', wanted '$root_line'"

[ "$(md5sum <"$tmp/card.img")" = "$sum_before" ] || fail "the card image changed"
[ $failures -eq 0 ] && echo "all udisks checks passed"
exit $failures
