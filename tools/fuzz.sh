#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets of tests/fuzz with clang, AddressSanitizer and
# UBSan in build/fuzz, replays the saved regressions, then runs every target
# for SECONDS (default 20) on a copy of its seed corpus. Exits non-zero as
# soon as a target finds a crash, a leak, a sanitizer report or a broken
# invariant; the input is kept in build/fuzz/artifacts/<target>/.
#
# Usage: tools/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
build=build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVAN_BUILD_GUI=OFF \
  -DTORVAN_FUZZ=ON -DTORVAN_BUILD_CLI=OFF -DTORVAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

# The targets write and sync files on every execution: a memory file system
# keeps that cheap.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

for source in tests/fuzz/*_fuzz.cpp; do
  target="$(basename "$source" .cpp)"
  name="${target%_fuzz}"
  binary="$build/tests/fuzz/$target"
  corpus="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  log="$build/$name.log"
  rm -rf "$corpus" "$artifacts"
  mkdir -p "$corpus" "$artifacts"
  cp tests/fuzz/corpus/"$name"/* "$corpus"/

  regressions=(tests/fuzz/regressions/"$name"/*)
  if [ -e "${regressions[0]}" ]; then
    echo "== $name: replaying ${#regressions[@]} regression input(s)"
    "$binary" -runs=1 "${regressions[@]}" >"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
  fi

  echo "== $name: fuzzing for $seconds s"
  if ! "$binary" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "FAILED: $name (input saved in $artifacts/)" >&2
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::average_exec_per_sec' "$log"
done
echo "All fuzz targets ran without findings."
