#!/bin/sh
# Checks that every C++ source is formatted as .clang-format says; with --fix, formats them in place.
set -eu
cd "$(dirname "$0")/.."

CLANG_FORMAT=${CLANG_FORMAT:-clang-format-14}
case "${1:-}" in
  --fix) mode=fix ;;
  "") mode=check ;;
  *) echo "usage: scripts/check-format.sh [--fix]" >&2; exit 2 ;;
esac

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  list() { git ls-files -z '*.cpp' '*.h'; }
else
  list() { find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0; }
fi

if [ "$mode" = fix ]; then
  list | xargs -0 "$CLANG_FORMAT" -i
elif ! list | xargs -0 "$CLANG_FORMAT" --dry-run --Werror; then
  echo "check-format: sources are not formatted; run scripts/check-format.sh --fix" >&2
  exit 1
fi
