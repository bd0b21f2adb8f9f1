#!/bin/sh
# quillot-cli.exe under Wine against the Linux quillot-cli on the sample card: the same help, catalogue
# and recovered files, byte for byte, from the card as an image and as a drive of the machine (fixed and
# CD-ROM), the settings in the registry as the Linux program keeps them in its file, and the card left as
# it was.
#   usage: recover-under-wine.sh [WINDOWS_CLI [LINUX_CLI]]
# Defaults: build-windows/bin/quillot-cli.exe (cross-built by scripts/build-windows.sh when missing) and
# build/bin/quillot-cli. Skips, saying why, where Wine or mingw-w64 is missing.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
win_cli="${1:-$root/build-windows/bin/quillot-cli.exe}"
linux_cli="${2:-$root/build/bin/quillot-cli}"

skip() { echo "SKIP: $*"; exit 0; }
command -v wine >/dev/null 2>&1 || skip "wine is not installed (scripts/build-windows.sh installs it)"
if [ ! -f "$win_cli" ]; then
  command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 ||
    skip "mingw-w64 is not installed (scripts/build-windows.sh installs it)"
  "$root/scripts/build-windows.sh" || { echo "FAIL: the Windows build failed"; exit 1; }
fi
[ -x "$linux_cli" ] || skip "no Linux build at $linux_cli to compare with"
win_cli=$(cd "$(dirname "$win_cli")" && pwd)/$(basename "$win_cli")
linux_cli=$(cd "$(dirname "$linux_cli")" && pwd)/$(basename "$linux_cli")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A prefix of the run's own, so no earlier run's settings or registry count; no .NET or Gecko
# installers for a console program.
export WINEPREFIX="$tmp/wine" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config"
mkdir -p "$HOME"
failures=0
fail() { printf 'FAIL: %s\n' "$*"; failures=$((failures + 1)); }
win() { wine "$win_cli" "$@"; }

xz -dc "$root/samples/sample-card.img.xz" > "$tmp/card.img"
chmod 0444 "$tmp/card.img"
sum_before=$(md5sum < "$tmp/card.img")
cd "$tmp" || exit 1

# The help names every command the Linux program has.
win --help > win-help.txt 2>&1 || fail "--help exited $?"
"$linux_cli" --help > linux-help.txt 2>&1
for command in $(sed -n 's/^  \([a-z][a-z]*\) .*/\1/p' linux-help.txt); do
  grep -q "^  $command " win-help.txt || fail "--help does not list $command"
done

# The same catalogue, row for row (the first line names the catalogue's path, which differs).
win formats > win-formats.txt 2>&1 || fail "formats exited $?"
"$linux_cli" formats > linux-formats.txt 2>&1
tr -d '\r' < win-formats.txt | tail -n +2 > win-rows.txt
tail -n +2 linux-formats.txt > linux-rows.txt
cmp -s win-rows.txt linux-rows.txt || fail "formats differs from the Linux program's: $(diff linux-rows.txt win-rows.txt | head -5)"
grep -q "(43 formats)\|([0-9]* formats)" win-formats.txt || fail "formats names no catalogue"

# The same files, byte for byte, from a relative image path into a folder the run creates; on Windows
# both names are not ASCII, so they pass through the program as UTF-8 and reach the system as UTF-16.
cp card.img "carte-ü.img"
win recover --image "carte-ü.img" --dest "sortie-é/ü" --report "rapport-ü.tsv" --map "carte-ü.svg" > win-recover.txt 2>&1 ||
  fail "recover exited $? ($(cat win-recover.txt))"
mv "sortie-é/ü" out-win 2>/dev/null || fail "recover wrote no folder sortie-é/ü"
"$linux_cli" recover --image card.img --dest out-linux --report linux.tsv --map linux.svg > linux-recover.txt 2>&1 ||
  fail "the Linux recover failed"
[ -n "$(ls out-linux 2>/dev/null)" ] || fail "the Linux program recovered nothing to compare with"
diff -r out-linux out-win > recover-diff.txt 2>&1 || fail "the recovered files differ: $(head -5 recover-diff.txt)"
# The letters differ: the Linux program gives the machine's disks theirs first.
summary=$(grep '^Recovered' linux-recover.txt | sed 's/ from .*//')
grep -q "^$summary from [C-Z]: into" win-recover.txt || fail "summary differs: wanted '$summary', got '$(grep '^Recovered' win-recover.txt)'"
# The same report, row for row, but for where each system keeps the files.
without_paths() {
  case "$1" in
    *.json) sed 's/"path": "[^"]*", //' "$1" ;;
    *) awk -F'\t' -v OFS='\t' 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "path") skip = i }
         { out = ""; for (i = 1; i <= NF; i++) if (i != skip) out = out (out == "" ? "" : OFS) $i; print out }' "$1" ;;
  esac
}
[ "$(without_paths linux.tsv)" = "$(without_paths "rapport-ü.tsv" | tr -d '\r')" ] ||
  fail "the report differs from the Linux program's: $(without_paths "rapport-ü.tsv" | diff - linux.tsv | head -5)"
cmp -s linux.svg "carte-ü.svg" || fail "the map differs from the Linux program's: $(diff linux.svg "carte-ü.svg" | head -5)"
# A report never takes the place of the source or of a file that is no report.
echo "notes to keep" > notes.txt
for target in card.img notes.txt; do
  win recover --image card.img --dest out-refused --report "$target" > refused.txt 2>&1
  status=$?
  [ "$status" -eq 2 ] || fail "a report onto $target exited $status, wanted 2 ($(cat refused.txt))"
done
[ "$(cat notes.txt)" = "notes to keep" ] || fail "a refused report changed notes.txt"
[ ! -e out-refused ] || [ -z "$(ls out-refused)" ] || fail "a refused report still recovered files"

# The card as a drive of the machine: X: is the image itself (read as \\.\X:) over a folder for its root.
# Wine answers neither the geometry nor the length control for such a drive, so the sectors and length
# the program reads it by are its own fallback. Wine reads its drives when its server starts.
mkdir -p x-root
ln -s "$tmp/card.img" "$WINEPREFIX/dosdevices/x::"
ln -s "$tmp/x-root" "$WINEPREFIX/dosdevices/x:"
wineserver -k 2>/dev/null
win drives > drives.txt 2>&1 || fail "drives exited $?"
tr -d '\r' < drives.txt > drives-lf.txt
row=$(grep '^X ' drives-lf.txt)
[ -n "$row" ] || fail "drives does not list X: $(cat drives-lf.txt)"
case "$row" in *" Fixed "*"41,943,040"*"Ready") ;; *) fail "drives lists X: as '$row'" ;; esac
grep -qxF 'X: \\.\X:' drives-lf.txt || fail "drives does not read X: as \\\\.\\X: ($(grep '^X:' drives-lf.txt))"
# The label and serial are the system's own, as its vol command tells them.
vol=$(wine cmd /c vol x: 2>/dev/null | tr -d '\r')
serial=$(printf '%s\n' "$vol" | sed -n 's/.*Serial Number is \([0-9a-fA-F]*\)-\([0-9a-fA-F]*\).*/\1\2/p' | tr a-f A-F)
label=$(printf '%s\n' "$vol" | sed -n 's/.*Volume in drive . is \(.*\)$/\1/p')
[ -n "$serial" ] || fail "wine's vol gave no serial: $vol"
case "$row" in *" $serial  Ready") ;; *) fail "X: has not the serial $serial that vol gives: '$row'" ;; esac
if [ -n "$label" ]; then want="X ($label)"; else want="X "; fi
case "$row" in "$want"*) ;; *) fail "X: has not the label '$label' that vol gives: '$row'" ;; esac
echo "drive X: as Wine gives it: label '${label}', serial $serial"
win recover --drive X --dest out-drive > drive-recover.txt 2>&1 || fail "recover --drive X exited $? ($(cat drive-recover.txt))"
diff -r out-linux out-drive > drive-diff.txt 2>&1 || fail "the files recovered from X: differ: $(head -5 drive-diff.txt)"
grep -q "^$summary from X: into" drive-recover.txt || fail "X: summary differs: wanted '$summary', got '$(grep '^Recovered' drive-recover.txt)'"

# The settings live in the registry, each command having saved them on its way out: the same names, types
# and defaults as the Linux program's text store (the target folder aside, which lies in each system's own
# documents folder).
store_rows() { sed -n 's/^"\([A-Za-z]*\)"=dword:\([0-9a-f]*\)$/\1 REG_DWORD \2/p; s/^"\([A-Za-z]*\)"="\(.*\)"$/\1 REG_SZ \2/p' "$@" |
  while read -r name type value; do
    [ "$type" = REG_DWORD ] && value=$(printf '0x%x' "0x$value")
    printf '%s %s %s\n' "$name" "$type" "$value"
  done | sed 's/ *$//' | grep -v '^RecoveryTargetFolder ' | sort; }
reg_rows() { wine reg query 'HKCU\Software\Brantwick\Quillot' /s 2>/dev/null | tr -d '\r' |
  awk '$2 ~ /^REG_/ { name = $1; type = $2; $1 = ""; $2 = ""; sub(/^ */, ""); print name, type, $0 }' | sed 's/ *$//'; }
reg_rows > reg-rows.txt
store_rows "$XDG_CONFIG_HOME/Brantwick/Quillot.reg" > store-rows.txt
[ "$(wc -l < store-rows.txt)" -eq 9 ] || fail "the Linux program's store holds not nine settings: $(cat store-rows.txt)"
grep -v '^RecoveryTargetFolder ' reg-rows.txt | sort | cmp -s - store-rows.txt ||
  fail "the registry differs from the Linux store: $(grep -v '^RecoveryTargetFolder ' reg-rows.txt | sort | diff store-rows.txt - | head -5)"
grep -q '^RecoveryTargetFolder REG_SZ .*\\Recovered Audio Files$' reg-rows.txt || fail "no target folder in the registry"

# As a CD-ROM drive the same card is read in 2048-byte sectors, as the Linux program reads an .iso image.
# One import makes X: a CD-ROM drive and changes the settings, for the next part to read back.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_LOCAL_MACHINE\Software\Wine\Drives]' \
  '"x:"="cdrom"' '' '[HKEY_CURRENT_USER\Software\Brantwick\Quillot\Recovery]' '"RecoveryRetryCount"=dword:00000003' \
  '"Kept"="other"' > changes.reg
wine reg import changes.reg > /dev/null 2>&1 || fail "wine reg import failed"
wineserver -k 2>/dev/null
win drives 2>&1 | tr -d '\r' | grep -q '^X  *CDROM  *41,943,040 .*Ready$' || fail "drives does not list X: as a ready CD-ROM"
win recover --drive X --dest out-cd > cd-recover.txt 2>&1 || fail "recover from the CD-ROM X: exited $? ($(cat cd-recover.txt))"
cp card.img card.iso
"$linux_cli" recover --image card.iso --dest out-iso > iso-recover.txt 2>&1 || fail "the Linux recover of card.iso failed"
[ -n "$(ls out-iso 2>/dev/null)" ] || fail "the Linux program recovered nothing from card.iso"
diff -r out-iso out-cd > cd-diff.txt 2>&1 || fail "the files recovered from the CD-ROM X: differ: $(head -5 cd-diff.txt)"

# What the registry holds is read back, and values that are not the program's stay.
win settings 2>&1 | tr -d '\r' > settings.txt
grep -q '^Settings store: HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot$' settings.txt || fail "settings names no registry key: $(head -2 settings.txt)"
grep -q '^  RecoveryRetryCount  *3$' settings.txt || fail "the retry count set in the registry did not reach the program"
reg_rows > reg-after.txt
grep -q '^RecoveryRetryCount REG_DWORD 0x3$' reg-after.txt || fail "the retry count in the registry did not stay 3"
grep -q '^Kept REG_SZ other$' reg-after.txt || fail "a value not the program's was lost"

# A dry run creates nothing; a missing image is bad usage.
win recover --image card.img --dest out-dry --dry-run > dry.txt 2>&1 || fail "dry run exited $?"
[ ! -e out-dry ] || fail "the dry run created its destination"
win recover --image none.img --dest out-none > none.txt 2>&1
status=$?
[ "$status" -eq 2 ] || fail "a missing image exited $status, wanted 2"

[ "$(md5sum < card.img)" = "$sum_before" ] || fail "the card image changed"

# The core suite, cross-built beside the program (scripts/build-windows.sh -DQUILLOT_BUILD_TESTS=ON),
# less what tests/windows/excluded-tests.txt leaves out and why.
win_tests="$(dirname "$win_cli")/quillot_tests.exe"
suite="the core suite was not built"
if [ -f "$win_tests" ]; then
  excluded=$(sed -n 's/^test //p' "$root/tests/windows/excluded-tests.txt" | paste -sd: -)
  (cd "$(dirname "$win_tests")" && wine "$win_tests" --gtest_brief=1 --gtest_filter="-$excluded") > suite.txt 2>&1 ||
    fail "the core suite failed under Wine: $(grep -A3 'FAILED\|Failure' suite.txt | head -20)"
  suite="$(sed -n 's/.*PASSED  \] \([0-9]*\) test.*/\1/p' suite.txt) tests of the core suite passed under Wine"
  skipped=$(sed -n 's/.*SKIPPED \] \([0-9]*\) test.*/\1/p' suite.txt)
  [ -z "$skipped" ] || suite="$suite ($skipped skipped: $(grep -A1 ': Skipped' suite.txt | grep -v 'Skipped\|^--' | sort -u | paste -sd';' -))"
fi

if [ "$failures" -eq 0 ]; then
  echo "recover-under-wine: help, formats and $(ls out-win | wc -l) recovered files, from the image and from drive X:, and the settings match the Linux program; $suite"
  exit 0
fi
echo "$failures failures"
exit 1
