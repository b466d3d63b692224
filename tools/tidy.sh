#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs clang-tidy (the checks of .clang-tidy: function size) on the C++
# sources under src/ that changed since BASE, or on all of them without BASE.
# Needs a configured build with compile_commands.json (default: build/default).
#
# Usage: tools/tidy.sh [BASE] ; BUILD=build/other tools/tidy.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build/default}"
tidy="$(command -v clang-tidy-14 || command -v clang-tidy)"
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure first" >&2; exit 2; }

if [ $# -gt 0 ]; then
  mapfile -t files < <(git diff --name-only --diff-filter=d "$1" -- 'src/*.cpp')
else
  mapfile -t files < <(git ls-files 'src/*.cpp')
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "tidy: no C++ source changed"
  exit 0
fi
# Files the build does not compile (the GUI in a core-only build) are skipped.
checked=()
for f in "${files[@]}"; do
  grep -q "\"file\": \"$PWD/$f\"" "$build/compile_commands.json" && checked+=("$f")
done
echo "tidy: ${#checked[@]} file(s)"
printf '%s\n' "${checked[@]}" | xargs -P "$(nproc)" -n 4 "$tidy" -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option 2>/dev/null
