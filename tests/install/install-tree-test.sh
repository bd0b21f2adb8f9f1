#!/bin/sh
# `cmake --install` lays out a tree a desktop understands, and the programs run from it: they find the
# catalogue, language files and help book in share/quillot, and recover what the build folder's do.
#   usage: install-tree-test.sh BUILD_DIR SOURCE_DIR WITH_WIZARD(1|0) [WITH_DECODER(1|0)]
set -u
build=$1
src=$2
wizard=$3
decoder=${4:-0}
id=example.brantwick.Quillot
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }

expected="bin/quillot-cli share/quillot/Quillot.ini share/quillot/German.lng share/quillot/Russian.lng
share/quillot/Dutch.lng share/quillot/Quillot.chm share/man/man1/quillot-cli.1"
if [ "$wizard" = 1 ]; then
  expected="$expected bin/quillot share/man/man1/quillot.1 share/applications/$id.desktop
share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg"
  for size in 48 128 256; do expected="$expected share/icons/hicolor/${size}x$size/apps/$id.png"; done
fi
[ "$decoder" = 1 ] && expected="$expected bin/quillot-decode"
for f in $expected; do [ -f "$prefix/$f" ] || fail "$f not installed"; done
# Nothing else: the tests, the build's own tools and libraries stay in the build folder.
(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) > "$work/installed"
printf '%s\n' $expected | sort > "$work/expected"
extra=$(comm -23 "$work/installed" "$work/expected")
[ -z "$extra" ] || fail "installed beyond the list: $extra"

if [ "$wizard" = 1 ]; then
  desktop="$prefix/share/applications/$id.desktop"
  desktop-file-validate "$desktop" > "$work/validate" 2>&1 || fail "desktop entry: $(cat "$work/validate")"
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" > "$work/validate" 2>&1 ||
    fail "AppStream file: $(cat "$work/validate")"
  grep -q "^Icon=$id$" "$desktop" || fail "the desktop entry names another icon"
  grep -q "^MimeType=.*application/x-raw-disk-image;" "$desktop" || fail "the desktop entry opens no disk image"
  grep -q "^MimeType=.*application/x-cd-image;" "$desktop" || fail "the desktop entry opens no ISO image"
  # The entry starts the installed program by its name, with the file to open as --image.
  exec_line=$(sed -n 's/^Exec=//p' "$desktop")
  [ "$exec_line" = "quillot --image %f" ] || fail "Exec=$exec_line"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "the AppStream file launches another entry"
  # Each PNG is of the size its folder says (width and height stand at bytes 16-23 of a PNG).
  for size in 48 128 256; do
    png="$prefix/share/icons/hicolor/${size}x$size/apps/$id.png"
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4 "x" $5*16777216 + $6*65536 + $7*256 + $8}')
    [ "$dims" = "${size}x$size" ] || fail "$png is ${dims:-unreadable}, not ${size}x$size"
  done
  "$prefix/bin/quillot" --help > "$work/help" || fail "the installed wizard's --help failed"
fi

# The installed command line reads the installed catalogue.
"$prefix/bin/quillot-cli" formats > "$work/formats" 2>&1 || fail "formats: $(cat "$work/formats")"
formats=$(sed -n 's/^formats_list=//p' "$build/bin/Quillot.ini" | tr ',' '\n' | grep -c .)
grep -q "^Catalogue: $prefix/share/quillot/Quillot.ini ($formats formats)" "$work/formats" ||
  fail "the installed catalogue was not read: $(head -1 "$work/formats")"

# The same recovery from the installed program and from the build folder's.
xz -dc "$src/samples/sample-card.img.xz" > "$work/card.img"
chmod 0444 "$work/card.img"
"$prefix/bin/quillot-cli" recover --image "$work/card.img" --dest "$work/installed-out" > "$work/log" 2>&1 ||
  fail "recovery from the installed program: $(tail -3 "$work/log")"
"$build/bin/quillot-cli" recover --image "$work/card.img" --dest "$work/build-out" > "$work/log" 2>&1 ||
  fail "recovery from the build folder: $(tail -3 "$work/log")"
# The installed command line finds the installed decoder beside it.
if [ "$decoder" = 1 ]; then
  "$prefix/bin/quillot-cli" recover --image "$work/card.img" --dest "$work/verified-out" --trim --verify \
    > "$work/log" 2>&1 || fail "--verify from the installed program: $(tail -3 "$work/log")"
  grep -qx "8 of 8 files play to the end." "$work/log" || fail "installed --verify: $(tail -3 "$work/log")"
fi
(cd "$work/installed-out" && ls -l | awk 'NR > 1 {print $5, $9}') > "$work/installed-files"
(cd "$work/build-out" && ls -l | awk 'NR > 1 {print $5, $9}') > "$work/build-files"
[ -s "$work/build-files" ] || fail "the build folder's program recovered nothing"
cmp -s "$work/installed-files" "$work/build-files" ||
  fail "the installed program recovered other files: $(diff "$work/build-files" "$work/installed-files")"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "install tree complete; the installed programs run from it"
