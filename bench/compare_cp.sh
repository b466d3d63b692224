#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# torvan-cli convert side by side with the single-threaded reference
# (bench/reference.cpp) and cp of the same file (by hand; not a test, not run
# by CI).
#
# For N = 6,553 and 65,534 seven-field lines, one hyperfine run (no shell,
# median of BENCH_RUNS runs each, prepare steps untimed) times
#   convert            torvan-cli convert oldest_N.txt --db DIR --symbol BENCH --new-master
#   convert --reverse  the same with --reverse on a newest-first copy
#   reference          torvan-reference oldest_N.txt DIR (and --reverse)
#   cp                 cp oldest_N.txt copy_N.txt
# and prints each median with its ratio to the reference and to cp.
# Targets at 65,534 lines: convert and convert --reverse within 2x of the
# reference. See bench/README.md.
#
# Environment:
#   BENCH_RUNS=N      timed runs per command (default 20, at least 5)
#   BENCH_WARMUP=N    untimed warm-up runs per command (default 3)
#   BENCH_KEEP=1      keep the scratch directory
#   BENCH_NO_BUILD=1  do not build; use the torvan-cli that is there
#   BENCH_BASELINE=F  also time the torvan-cli binary F (an older build, say)
#                     with the same commands, for a before/after in one run
#   TMPDIR            where the scratch directory goes (the file system matters:
#                     fsync is free on tmpfs and not on a disk)
set -euo pipefail
NAME=compare_cp.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

REF="$REPO/build/default/bench/torvan-reference"
SIZES=(6553 65534)
bench_runs BENCH_RUNS 20 5
WARMUP="${BENCH_WARMUP:-3}"
bench_need python3 hyperfine
bench_build torvan-cli torvan-reference
[[ -x "$REF" ]] || die "no torvan-reference at build/default/bench/torvan-reference"
bench_scratch torvan-cmp
cp "$REF" ./torvan-reference
bench_baseline

# prep.sh MODE N: the state before one timed run.
cat > prep.sh <<'EOF'
set -e
case "$1" in
    convert) rm -rf "db_a_$2"; mkdir "db_a_$2" ;;
    reverse) rm -rf "db_b_$2" "rev_$2.txt" "rev_$2.txt.BAK"; mkdir "db_b_$2"
             cp "newest_$2.txt" "rev_$2.txt" ;;
    cp)      rm -f "copy_$2.txt" ;;
esac
EOF

echo "== Input files in $WORK ($(df -T . | awk 'NR == 2 {print $2}'))"
for n in "${SIZES[@]}"; do
    python3 "$HERE/gen_prices.py" "$n" "oldest_$n.txt" --oldest-first
    python3 "$HERE/gen_prices.py" "$n" "newest_$n.txt" --newest-first
    printf '   %6d lines: %8d bytes\n' "$n" "$(stat -c %s "oldest_$n.txt")"
done

echo "== Checking that both conversions work and store the same records"
for n in "${SIZES[@]}"; do
    bash prep.sh convert "$n"
    ./torvan-cli convert "oldest_$n.txt" --db "db_a_$n" --symbol BENCH --new-master >/dev/null ||
        die "convert N=$n failed"
    bash prep.sh reverse "$n"
    ./torvan-cli convert "rev_$n.txt" --db "db_b_$n" --symbol BENCH --new-master --reverse \
        >/dev/null || die "convert --reverse N=$n failed"
    cmp -s "rev_$n.txt" "oldest_$n.txt" || die "--reverse N=$n did not leave the file oldest first"
    cmp -s "db_a_$n/F1.DAT" "db_b_$n/F1.DAT" || die "N=$n: the two conversions differ"
    mv "db_a_$n/F1.DAT" "torvan_$n.DAT"
    bash prep.sh convert "$n"
    ./torvan-reference "oldest_$n.txt" "db_a_$n" || die "reference N=$n failed"
    cmp -s "db_a_$n/F1.DAT" "torvan_$n.DAT" || die "N=$n: the reference wrote other records"
    bash prep.sh reverse "$n"
    ./torvan-reference --reverse "rev_$n.txt" "db_b_$n" || die "reference --reverse N=$n failed"
    cmp -s "rev_$n.txt" "oldest_$n.txt" || die "reference --reverse N=$n: input not oldest first"
    cmp -s "db_b_$n/F1.DAT" "torvan_$n.DAT" || die "N=$n: reference --reverse wrote other records"
done

echo "== Timing: $RUNS runs per command after $WARMUP warm-up runs"
args=(-N --warmup "$WARMUP" --runs "$RUNS" --export-json times.json --style basic)
for n in "${SIZES[@]}"; do
    for bin in "${BINARIES[@]}"; do
        tag="${bin%%-cli}"
        args+=(--prepare "bash prep.sh convert $n" -n "${tag}_convert_$n"
               "./$bin convert oldest_$n.txt --db db_a_$n --symbol BENCH --new-master")
        args+=(--prepare "bash prep.sh reverse $n" -n "${tag}_reverse_$n"
               "./$bin convert rev_$n.txt --db db_b_$n --symbol BENCH --new-master --reverse")
    done
    args+=(--prepare "bash prep.sh convert $n" -n "ref_convert_$n"
           "./torvan-reference oldest_$n.txt db_a_$n")
    args+=(--prepare "bash prep.sh reverse $n" -n "ref_reverse_$n"
           "./torvan-reference --reverse rev_$n.txt db_b_$n")
    args+=(--prepare "bash prep.sh cp $n" -n "cp_$n" "cp oldest_$n.txt copy_$n.txt")
done
echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine "${args[@]}" > hyperfine.log 2>&1 || { cat hyperfine.log; die "hyperfine failed"; }
echo "   load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$RUNS" <<'EOF'
import json, sys

runs = int(sys.argv[1])
t = {r["command"]: r for r in json.load(open("times.json"))["results"]}
rows = [("torvan_convert", "convert", "ref_convert"),
        ("torvan_reverse", "convert --reverse", "ref_reverse")]
if "baseline_convert_6553" in t:
    rows += [("baseline_convert", "baseline convert", "ref_convert"),
             ("baseline_reverse", "baseline --reverse", "ref_reverse")]
rows += [("ref_convert", "reference", "ref_convert"),
         ("ref_reverse", "reference --reverse", "ref_reverse"), ("cp", "cp", "cp")]
ms = lambda s: s * 1e3
print()
print(f"Medians of {runs} runs in ms [min-max] (user + system CPU); x reference; x cp")
print(f"{'':20}{'N=6,553':>42}{'N=65,534':>42}")
for key, label, ref in rows:
    cells = []
    for n in (6553, 65534):
        r = t[f"{key}_{n}"]
        cells.append(f"{ms(r['median']):6.2f} [{ms(r['min']):5.2f}-{ms(r['max']):5.2f}]"
                     f" ({ms(r['user'] + r['system']):5.2f})"
                     f" {r['median'] / t[f'{ref}_{n}']['median']:4.2f}x"
                     f" {r['median'] / t[f'cp_{n}']['median']:4.2f}x")
    print(f"{label:20}{cells[0]:>42}{cells[1]:>42}")
print()
for key, label, ref in rows[:2]:
    ratio = t[f"{key}_65534"]["median"] / t[f"{ref}_65534"]["median"]
    ok = ratio <= 2.0
    print(f"{'PASS' if ok else 'FAIL'}  {label} at 65,534 lines: {ratio:.2f}x the reference"
          " (target <= 2x)")
EOF
