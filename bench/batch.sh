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
#   BENCH_SINGLES=0   leave out a. (it takes most of the time)
#   BENCH_BASELINE=F  also time b. with the torvan-cli binary F (an older
#                     build), for a before/after in one run
#   BENCH_KEEP=1      keep the scratch directory
#   BENCH_NO_BUILD=1  do not build; use the binary that is there
#   TMPDIR            where the scratch directory goes
set -euo pipefail
NAME=batch.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bench_runs BENCH_RUNS 5 3
FILES="${BENCH_FILES:-255}"
SINGLES="${BENCH_SINGLES:-1}"
[[ "$FILES" =~ ^[0-9]+$ && "$FILES" -ge 2 && "$FILES" -le 255 ]] ||
    die "BENCH_FILES must be 2 to 255"
bench_need python3 hyperfine
bench_build torvan-cli
bench_scratch torvan-batch
bench_baseline

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
inputs="$(for i in $(seq 1 "$FILES"); do printf 'in/s%d.txt ' "$i"; done)"

echo "== Checking that each batch gives the database of one run per file"
bash prep.sh && bash singles.sh
./torvan-cli check db >/dev/null || die "the single conversions left an unsound database"
mv db db_singles
for bin in "${BINARIES[@]}"; do
    bash prep.sh && "./$bin" convert $inputs --db db >/dev/null || die "the $bin batch failed"
    ./torvan-cli check db >/dev/null || die "the $bin batch left an unsound database"
    for f in db_singles/*; do
        name="$(basename "$f")"
        [[ "$name" == .torvan-lock ]] && continue
        cmp -s "$f" "db/$name" || die "$name differs between the $bin batch and single conversions"
    done
done

args=(-N --runs "$RUNS" --export-json times.json --style basic)
[[ "$SINGLES" == 0 ]] || args+=(--prepare "bash prep.sh" -n singles "bash singles.sh")
for bin in "${BINARIES[@]}"; do
    args+=(--prepare "bash prep.sh" -n "batch_${bin%%-cli}" "./$bin convert $inputs--db db")
done
echo "== Timing: $RUNS runs each (load average before: $(bench_load))"
hyperfine "${args[@]}" > hyperfine.log 2>&1 || { cat hyperfine.log; die "hyperfine failed"; }
echo "   load average after: $(bench_load)"

python3 - "$RUNS" "$FILES" <<'PY'
import json, sys
runs, files = int(sys.argv[1]), int(sys.argv[2])
t = {r["command"]: r for r in json.load(open("times.json"))["results"]}
print()
print(f"Medians of {runs} runs, {files} files of 6,553 lines (mean user + system CPU)")
for name, r in t.items():
    print(f"{name:15} total {r['median']:7.3f} s ({r['user'] + r['system']:6.3f} s CPU:"
          f" {r['user']:.3f} user, {r['system']:.3f} system)"
          f"   per file {r['median'] / files * 1e3:6.2f} ms  (min {r['min']:.3f}, max {r['max']:.3f})")
b = t["batch_torvan"]["median"]
if "singles" in t:
    print(f"batch / singles: {b / t['singles']['median']:.2f}")
if "batch_baseline" in t:
    base = t["batch_baseline"]
    print(f"batch / baseline batch: wall {b / base['median']:.2f},"
          f" CPU {(t['batch_torvan']['user'] + t['batch_torvan']['system']) / (base['user'] + base['system']):.2f}")
if files == 255:
    print(f"{'PASS' if b <= 1.0 else 'FAIL'}  the 255-file batch takes {b:.3f} s (target <= 1 s)")
PY
