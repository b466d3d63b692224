#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Converts every real price file of tests/data/real with the Linux torvan-cli
# and, under Wine, with torvan-cli.exe, and fails unless both leave the same
# bytes behind: the same exit status, the same database files, the same input
# (a newest-first file is rewritten in place). The Windows runs get
# drive-letter paths with backslashes, and the work lies in a folder with a
# non-ASCII name.
#   tools/compare-windows.sh LINUX_CLI WINDOWS_CLI_EXE
# Wine's environment (WINEPREFIX, WINEDEBUG) is the caller's.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_cli=$(realpath "$1")
windows_cli=$(realpath "$2")
wine=$(command -v wine64 || command -v wine)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
work="$scratch/Kurse-Ölpreis-株価"
failed=0
count=0
for input in tests/data/real/*; do
  [ -f "$input" ] || continue
  name=$(basename "$input")
  [ "$name" = SOURCES.md ] && continue
  count=$((count + 1))
  status=()
  for system in linux windows; do
    dir="$work/$system"
    rm -rf "$dir" && mkdir -p "$dir/db"
    cp "$input" "$dir/$name"
    set +e
    if [ "$system" = linux ]; then
      "$linux_cli" convert "$dir/$name" --db "$dir/db" --symbol TEST --name "$name" \
        --new-master --auto >/dev/null 2>&1
    else
      "$wine" "$windows_cli" convert "$(winepath -w "$dir/$name")" --db "$(winepath -w "$dir/db")" \
        --symbol TEST --name "$name" --new-master --auto >/dev/null 2>&1
    fi
    status+=("$?")
    set -e
  done
  if [ "${status[0]}" != "${status[1]}" ]; then
    echo "$name: exit status ${status[0]} on Linux, ${status[1]} on Windows" >&2
    failed=1
  elif ! diff -r "$work/linux" "$work/windows" >&2; then
    echo "$name: the Windows build wrote other bytes" >&2
    failed=1
  fi
done
if [ "$count" -eq 0 ]; then
  echo "no real files found" >&2
  exit 1
fi
[ "$failed" -eq 0 ] && echo "$count real files: torvan-cli.exe wrote the same bytes as torvan-cli"
exit "$failed"
