#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A folder of files into one database (by hand; not a test, not run by CI):
# 255 files of 6,553 lines into a database whose MASTER is there and empty,
#   a. one `torvan-cli convert FILE --db DIR --symbol S` per file, in a loop;
#   b. one `torvan-cli convert FILE... --db DIR` of all of them;
# side by side in one hyperfine run, fresh database and page cache flushed
# of earlier runs' writes before each. Both must give the same database
# (checked first). Target: b within 1 s. See bench/README.md.
#
# Environment:
#   BENCH_RUNS=N      timed runs per command (default 5, at least 3)
#   BENCH_FILES=N     files in the folder (default 255, at most 255)
#   BENCH_KEEP=1      keep the scratch directory
#   BENCH_NO_BUILD=1  do not build; use the binary that is there
#   TMPDIR            where the scratch directory goes
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO="$(cd "$HERE/.." && pwd)"
CLI="$REPO/build/default/src/cli/torvan-cli"
RUNS="${BENCH_RUNS:-5}"
FILES="${BENCH_FILES:-255}"

die() { echo "batch.sh: $*" >&2; exit 1; }

[[ "$RUNS" =~ ^[0-9]+$ && "$RUNS" -ge 3 ]] || die "BENCH_RUNS must be 3 or more"
[[ "$FILES" =~ ^[0-9]+$ && "$FILES" -ge 2 && "$FILES" -le 255 ]] ||
    die "BENCH_FILES must be 2 to 255"
command -v python3 >/dev/null || die "python3 is needed"
command -v hyperfine >/dev/null || die "hyperfine is needed (Debian: apt-get install hyperfine)"

if [[ "${BENCH_NO_BUILD:-0}" != 1 ]]; then
    echo "== Building torvan-cli (default preset)"
    (
        cd "$REPO"
        [[ -f build/default/CMakeCache.txt ]] || cmake --preset default
        cmake --build --preset default -j2 --target torvan-cli
    ) || die "the build failed"
fi
[[ -x "$CLI" ]] || die "no torvan-cli at build/default/src/cli/torvan-cli"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/torvan-batch.XXXXXX")"
if [[ "${BENCH_KEEP:-0}" == 1 ]]; then
    echo "== Scratch directory (kept): $WORK"
else
    trap 'rm -rf "$WORK"' EXIT
fi
cd "$WORK"
cp "$CLI" ./torvan-cli
echo "== Scratch directory $WORK ($(df -T . | awk 'NR == 2 {print $2}'))"

echo "== $FILES input files of 6,553 lines"
mkdir in
for i in $(seq 1 "$FILES"); do
    python3 "$HERE/gen_prices.py" 6553 "in/s$i.txt" --oldest-first --seed "$i"
done
sync

# An empty MASTER: its header record alone, no securities, file counter 0.
cat > prep.sh <<'PREP'
set -e
rm -rf db
mkdir db
head -c 53 /dev/zero > db/MASTER
sync
PREP
cat > singles.sh <<SINGLES
set -e
for i in \$(seq 1 $FILES); do
    ./torvan-cli convert in/s\$i.txt --db db --symbol S\$i --name S\$i >/dev/null
done
SINGLES
batch_command="./torvan-cli convert $(for i in $(seq 1 "$FILES"); do printf 'in/s%d.txt ' "$i"; done)--db db"

echo "== Checking that both give the same database"
bash prep.sh && bash singles.sh
./torvan-cli check db >/dev/null || die "the single conversions left an unsound database"
mv db db_singles
bash prep.sh && $batch_command >/dev/null || die "the batch failed"
./torvan-cli check db >/dev/null || die "the batch left an unsound database"
for f in db_singles/*; do
    name="$(basename "$f")"
    [[ "$name" == .torvan-lock ]] && continue
    cmp -s "$f" "db/$name" || die "$name differs between the batch and single conversions"
done

echo "== Timing: $RUNS runs each (load average before: $(cut -d' ' -f1-3 /proc/loadavg))"
hyperfine -N --runs "$RUNS" --export-json times.json --style basic \
    --prepare "bash prep.sh" -n singles "bash singles.sh" \
    --prepare "bash prep.sh" -n batch "$batch_command" > hyperfine.log 2>&1 ||
    { cat hyperfine.log; die "hyperfine failed"; }
echo "   load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$RUNS" "$FILES" <<'PY'
import json, sys
runs, files = int(sys.argv[1]), int(sys.argv[2])
t = {r["command"]: r for r in json.load(open("times.json"))["results"]}
print()
print(f"Medians of {runs} runs, {files} files of 6,553 lines (user + system CPU)")
for name in ("singles", "batch"):
    r = t[name]
    print(f"{name:8} total {r['median']:7.3f} s ({r['user'] + r['system']:6.3f} s CPU)"
          f"   per file {r['median'] / files * 1e3:6.2f} ms  (min {r['min']:.3f}, max {r['max']:.3f})")
b = t["batch"]["median"]
print(f"batch / singles: {b / t['singles']['median']:.2f}")
if files == 255:
    print(f"{'PASS' if b <= 1.0 else 'FAIL'}  the 255-file batch takes {b:.3f} s (target <= 1 s)")
PY
