#!/bin/sh
# The man pages list exactly the options, commands and exit statuses the programs' --help prints, so
# neither can change without the other.
#   usage: man-pages-test.sh MAN_DIR QUILLOT_CLI [QUILLOT]
set -eu
man_dir=$1
cli=$2
gui=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# The page as plain text: roff's dashes as dashes, font changes dropped.
plain() { sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$1"; }

# Options as written: a long one anywhere a word starts, a short one of a single letter.
options() {
  grep -oE -- '(^|[][ (|,])(--[a-z][a-z-]*|-[a-zA-Z])([^a-zA-Z-]|$)' |
    sed -E -e 's/^[][ (|,]//' -e 's/[^a-zA-Z-]$//' | sort -u
}

# The numbers listed under a help text's "Exit status:".
help_statuses() { sed -n '/^Exit status:/,/^$/p' | sed -nE 's/^ +([0-9]+) .*/\1/p' | sort -u; }
# The numbers under the page's EXIT STATUS, each a bold tag.
man_statuses() { sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' | sed -nE 's/^\.B ([0-9]+)$/\1/p' | sort -u; }

same() {  # what, from help, from the page
  if ! cmp -s "$2" "$3"; then
    echo "FAIL: $1 differ (< --help, > man page):"
    diff "$2" "$3" | grep '^[<>]' || true
    failed=1
  fi
}

check_cli() {  # man page
  "$cli" --help > "$work/help"
  sed -n '/^Commands:/,/^$/p' "$work/help" | sed -nE 's/^  ([a-z-]+) .*/\1/p' | sort -u > "$work/help-commands"
  [ -s "$work/help-commands" ] || { echo "FAIL: quillot-cli --help lists no command"; failed=1; }
  cp "$work/help" "$work/help-all"
  while read -r command; do
    "$cli" "$command" --help >> "$work/help-all"
  done < "$work/help-commands"
  plain "$1" > "$work/page"
  sed -n '/^\.SH COMMANDS/,/^\.SH /p' "$work/page" | sed -nE '/^\.TP/{n;s/^\.B ([a-z-]+).*/\1/p}' | sort -u \
    > "$work/man-commands"
  same "quillot-cli's commands" "$work/help-commands" "$work/man-commands"
  options < "$work/help-all" > "$work/help-options"
  options < "$work/page" > "$work/man-options"
  same "quillot-cli's options" "$work/help-options" "$work/man-options"
  help_statuses < "$work/help" > "$work/help-statuses"
  man_statuses < "$work/page" > "$work/man-statuses"
  [ -s "$work/help-statuses" ] || { echo "FAIL: quillot-cli --help lists no exit status"; failed=1; }
  same "quillot-cli's exit statuses" "$work/help-statuses" "$work/man-statuses"
}

check_gui() {  # man page
  "$gui" --help > "$work/help"
  plain "$1" > "$work/page"
  options < "$work/help" > "$work/help-options"
  options < "$work/page" > "$work/man-options"
  same "quillot's options" "$work/help-options" "$work/man-options"
  help_statuses < "$work/help" > "$work/help-statuses"
  man_statuses < "$work/page" > "$work/man-statuses"
  [ -s "$work/help-statuses" ] || { echo "FAIL: quillot --help lists no exit status"; failed=1; }
  same "quillot's exit statuses" "$work/help-statuses" "$work/man-statuses"
}

check_cli "$man_dir/quillot-cli.1"
[ -z "$gui" ] || check_gui "$man_dir/quillot.1"
[ "$failed" -eq 0 ] || exit 1

# The check bites: a page that lost an option, a command or a status fails it.
for cut in '/^\.BI \\-\\-retries/d' '/^\.B settings$/d' '/^\.B 130$/d'; do
  sed "$cut" "$man_dir/quillot-cli.1" > "$work/cut.1"
  if (check_cli "$work/cut.1" > /dev/null; [ "$failed" -eq 0 ]); then
    echo "FAIL: a page cut with '$cut' still passed"
    exit 1
  fi
done
echo "man pages match --help"
