#!/bin/sh
# The Debian package as a user meets it: built from the build folder with CPack, installed with apt-get,
# the command line recovering the sample card from /usr/bin as the build folder's does, the wizard opened
# from its menu entry under Xvfb, and then removed with nothing of it left behind.
#   usage: deb-test.sh [BUILD_DIR] [SOURCE_DIR]
set -u
build=$(cd "${1:-build}" && pwd)
src=$(cd "${2:-.}" && pwd)
id=example.brantwick.Quillot
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the package test installs and removes the quillot package system-wide, which needs root"
  echo "(CI runs it as root; run 'sudo tests/package/deb-test.sh' to run it here)."
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export DEBIAN_FRONTEND=noninteractive
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
installed() { dpkg-query -W -f='${Status}' quillot 2>/dev/null | grep -q "install ok installed"; }

# A package left by an interrupted run would hide what this one installs.
installed && apt-get remove -y -q quillot > /dev/null

rm -f "$build"/quillot_*.deb
(cd "$build" && cpack -G DEB > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$build"/quillot_*.deb)
dpkg-deb -f "$deb" Depends > "$work/depends"
for dep in libchm1 xdg-utils qt6-qpa-plugins qt6-translations-l10n libqt6widgets6 libblkid1 libc6; do
  grep -q "\b$dep\b" "$work/depends" || fail "Depends lacks $dep: $(cat "$work/depends")"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = udisks2 ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"
# Every dependency is installed here already: recommendations would only add time.
apt-get install -y -q --no-install-recommends "$deb" > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
dpkg -L quillot > "$work/files"

# The command line from /usr/bin reads the installed catalogue and recovers what the build folder's does.
cd "$work"
/usr/bin/quillot-cli formats > "$work/formats" 2>&1 || fail "formats: $(cat "$work/formats")"
grep -q "^Catalogue: /usr/share/quillot/Quillot.ini ([1-9][0-9]* formats)" "$work/formats" ||
  fail "the installed catalogue was not read: $(head -1 "$work/formats")"
xz -dc "$src/samples/sample-card.img.xz" > "$work/card.img"
chmod 0444 "$work/card.img"
/usr/bin/quillot-cli recover --image "$work/card.img" --dest "$work/installed-out" > "$work/log" 2>&1 ||
  fail "recovery from /usr/bin: $(tail -3 "$work/log")"
"$build/bin/quillot-cli" recover --image "$work/card.img" --dest "$work/build-out" > "$work/log" 2>&1 ||
  fail "recovery from the build folder: $(tail -3 "$work/log")"
found=$(ls "$work/build-out" | wc -l)
[ "$found" -gt 0 ] || fail "the build folder's program recovered nothing"
[ "$(ls "$work/installed-out" | wc -l)" -eq "$found" ] ||
  fail "/usr/bin/quillot-cli recovered $(ls "$work/installed-out" | wc -l) files, the build folder's $found"

# The decoder lies beside the command line, and the package depends on the libraries it links.
if [ -x "$build/bin/quillot-decode" ]; then
  grep -q "^/usr/bin/quillot-decode$" "$work/files" || fail "the package lacks /usr/bin/quillot-decode"
  grep -q "\blibavcodec" "$work/depends" || fail "Depends lacks libavcodec: $(cat "$work/depends")"
  /usr/bin/quillot-decode check -- "$src/samples/audio/chirp.flac" | grep -q "^outcome=plays-to-end$" ||
    fail "the installed decoder does not play chirp.flac"
fi

# A user who chose German at the first start: the installed language file is found.
mkdir -p "$XDG_CONFIG_HOME/Brantwick"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Global]\n"GlobalFirstStart"=dword:00000000\n"GlobalLanguage"="German.lng"\n' \
  > "$XDG_CONFIG_HOME/Brantwick/Quillot.reg"
/usr/bin/quillot-cli settings > "$work/settings" 2>&1
grep -q "^Language: German.lng (loaded)" "$work/settings" || fail "language: $(grep Language "$work/settings")"

# The wizard as the menu starts it: the entry's Exec line with no file to open (its %f left empty).
exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$id.desktop" | sed -E 's/ ?%[fFuUdDnNickvm]//g')
cat > "$work/open-wizard.sh" <<SCRIPT
cd "$work"
$exec_line > "$work/wizard.log" 2>&1 &
pid=\$!
seen=no
for i in \$(seq 1 120); do
  if xdotool search --name Quillot > "$work/windows" 2>/dev/null; then seen=yes; break; fi
  kill -0 \$pid 2>/dev/null || break
  sleep 0.25
done
echo "window: \$seen"
# A polite kill closes the window as its close box would.
kill -TERM \$pid 2>/dev/null
wait \$pid
echo "status: \$?"
SCRIPT
timeout 120 xvfb-run -a -s "-screen 0 1280x800x24" sh "$work/open-wizard.sh" > "$work/wizard" 2>&1
grep -q "^window: yes" "$work/wizard" ||
  fail "no Quillot window appeared for '$exec_line': $(cat "$work/wizard" "$work/wizard.log")"
grep -q "^status: 0" "$work/wizard" || fail "the wizard did not close cleanly: $(cat "$work/wizard" "$work/wizard.log")"

# Removed, the package leaves none of its files.
apt-get remove -y -q quillot > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
installed && fail "still installed after apt-get remove"
while read -r f; do
  case "$f" in
    *quillot* | *Quillot*) ;;  # its own folders go too
    *) [ -d "$f" ] && continue ;;
  esac
  if [ -e "$f" ] || [ -L "$f" ]; then fail "$f is left after removal"; fi
done < "$work/files"
rm -f "$build"/quillot_*.deb

if [ "$failures" -ne 0 ]; then
  echo "deb-test: $failures failures"
  exit 1
fi
echo "deb-test: the package installs, runs from /usr/bin and its menu entry, and removes cleanly"
