#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# By-hand benchmark of `torvan-cli convert` (not a test, not run by CI).
#
# Times, side by side in one hyperfine run (median of BENCH_RUNS runs each):
#   (a) convert            torvan-cli convert FILE --db DIR --symbol BENCH --new-master
#   (b) convert --reverse  the same on a newest-first file, with --reverse
#   (c) cp                 cp of the same file
#   (d) process start      torvan-cli --version
# for N = 6,553 and 65,534 lines, plus peak memory (max RSS) of (a) and (b),
# then prints PASS/FAIL for three targets. See bench/README.md.
#
# Environment:
#   BENCH_RUNS=N      timed runs per command (default 10, at least 5)
#   BENCH_WARMUP=N    untimed warm-up runs per command (default 2)
#   BENCH_MEM_RUNS=N  GNU time runs per peak-memory figure (default 3)
#   BENCH_KEEP=1      keep the scratch directory (generated files, JSON)
#   BENCH_NO_BUILD=1  do not build; use the torvan-cli that is there
#
# If libeatmydata is installed (Debian: apt-get install eatmydata), (b) at the
# larger N is also timed with it preloaded, which turns fsync into a no-op, for
# information only: it shows how much of (b) is spent waiting for the disk.
set -euo pipefail
NAME=run_bench.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

SIZES=(6553 65534)
bench_runs BENCH_RUNS 10 5
WARMUP="${BENCH_WARMUP:-2}"
MEM_RUNS="${BENCH_MEM_RUNS:-3}"
bench_need python3 hyperfine time
TIME_BIN=/usr/bin/time

# ---------------------------------------------------------------- build
# A failed build still lets the torvan-cli that is there be measured.
if [[ "${BENCH_NO_BUILD:-0}" != 1 ]] && ! (bench_build torvan-cli); then
    [[ -x "$CLI" ]] || die "build failed and there is no torvan-cli to measure"
    echo "WARNING: the build failed; measuring the torvan-cli already there" \
         "(built $(date -r "$CLI" '+%F %T'))" >&2
fi
BENCH_NO_BUILD=1 bench_build torvan-cli
"$CLI" convert --help >/dev/null 2>&1 || die "torvan-cli has no 'convert' command yet"

# ---------------------------------------------------------------- scratch
bench_scratch torvan-bench
CLI_RUN="./torvan-cli"

# prep.sh MODE N: reset the scratch state before one timed run.
#   convert  N  fresh empty database directory db_a_N
#   reverse  N  fresh empty db_b_N, fresh copy rev_N.txt of the newest-first file
#   cp       N  remove the cp destination
cat > prep.sh <<'EOF'
set -e
case "$1" in
    convert) rm -rf "db_a_$2"; mkdir "db_a_$2" ;;
    reverse) rm -rf "db_b_$2" "rev_$2.txt" "rev_$2.txt.BAK"; mkdir "db_b_$2"
             cp "newest_$2.txt" "rev_$2.txt" ;;
    cp)      rm -f "copy_$2.txt" ;;
esac
EOF

echo "== Generating input files in $WORK"
for n in "${SIZES[@]}"; do
    python3 "$HERE/gen_prices.py" "$n" "oldest_$n.txt" --oldest-first
    python3 "$HERE/gen_prices.py" "$n" "newest_$n.txt" --newest-first
    printf '   %6d lines: %8d bytes\n' "$n" "$(stat -c %s "oldest_$n.txt")"
done

# ---------------------------------------------------------------- sanity
# One untimed run of each conversion: it must succeed, store N records, and
# --reverse must leave the input oldest first (identical to oldest_N.txt).
echo "== Checking that both conversions work"
for n in "${SIZES[@]}"; do
    bash prep.sh convert "$n"
    out="$($CLI_RUN convert "oldest_$n.txt" --db "db_a_$n" --symbol BENCH --new-master)"
    [[ "$out" == *"$n price records"* ]] || die "convert N=$n said: $out"
    bash prep.sh reverse "$n"
    out="$($CLI_RUN convert "rev_$n.txt" --db "db_b_$n" --symbol BENCH --new-master --reverse)"
    [[ "$out" == *"$n price records"* ]] || die "convert --reverse N=$n said: $out"
    cmp -s "rev_$n.txt" "oldest_$n.txt" || die "--reverse N=$n did not leave the file oldest first"
    cmp -s "rev_$n.txt.BAK" "newest_$n.txt" || die "--reverse N=$n left no faithful .BAK"
    cmp -s "db_a_$n/F1.DAT" "db_b_$n/F1.DAT" || die "N=$n: the two conversions stored different records"
done
echo "   ok"

# ---------------------------------------------------------------- timing
# hyperfine runs each prepare command before each timed run and does not
# count it: the copy made for --reverse is excluded, not subtracted.
echo "== Timing: $RUNS runs per command after $WARMUP warm-up runs (hyperfine, no shell)"
# libeatmydata turns fsync and friends into no-ops (for the information row).
NOSYNC_LIB="$( (ldconfig -p 2>/dev/null || true) | awk '/libeatmydata\.so / {print $NF; exit}')"
hf_args=(-N --warmup "$WARMUP" --runs "$RUNS" --export-json times.json --style basic)
for n in "${SIZES[@]}"; do
    hf_args+=(--prepare "bash prep.sh convert $n" -n "a_convert_$n"
              "$CLI_RUN convert oldest_$n.txt --db db_a_$n --symbol BENCH --new-master")
    hf_args+=(--prepare "bash prep.sh reverse $n" -n "b_reverse_$n"
              "$CLI_RUN convert rev_$n.txt --db db_b_$n --symbol BENCH --new-master --reverse")
    if [[ -n "$NOSYNC_LIB" && "$n" == "${SIZES[-1]}" ]]; then
        hf_args+=(--prepare "bash prep.sh reverse $n" -n "info_reverse_nofsync_$n"
                  "env LD_PRELOAD=$NOSYNC_LIB $CLI_RUN convert rev_$n.txt --db db_b_$n --symbol BENCH --new-master --reverse")
    fi
    hf_args+=(--prepare "bash prep.sh cp $n" -n "c_cp_$n"
              "cp newest_$n.txt copy_$n.txt")
done
hf_args+=(--prepare "true" -n "d_start" "$CLI_RUN --version")
echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine "${hf_args[@]}" > hyperfine.log 2>&1 || { cat hyperfine.log; die "hyperfine failed"; }
echo "   load average after:  $(cut -d' ' -f1-3 /proc/loadavg)" \
     "(other work on this machine skews the numbers; run it when the machine is quiet)"

# ---------------------------------------------------------------- memory
echo "== Peak memory: max RSS over $MEM_RUNS runs each (GNU time -v)"
maxrss() {  # maxrss MODE N CMD...: largest "Maximum resident set size" in KiB
    local mode="$1" n="$2" best=0 kb i
    shift 2
    for ((i = 0; i < MEM_RUNS; i++)); do
        bash prep.sh "$mode" "$n"
        kb="$("$TIME_BIN" -v "$@" 2>&1 >/dev/null |
              awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}')"
        (( kb > best )) && best=$kb
    done
    echo "$best"
}
: > rss.txt
for n in "${SIZES[@]}"; do
    echo "a_convert_$n $(maxrss convert "$n" "$CLI_RUN" convert "oldest_$n.txt" --db "db_a_$n" --symbol BENCH --new-master)" >> rss.txt
    echo "b_reverse_$n $(maxrss reverse "$n" "$CLI_RUN" convert "rev_$n.txt" --db "db_b_$n" --symbol BENCH --new-master --reverse)" >> rss.txt
done
echo "d_start $(maxrss none 0 "$CLI_RUN" --version)" >> rss.txt

# ---------------------------------------------------------------- report
python3 - "$RUNS" <<'EOF'
import json, sys

runs = int(sys.argv[1])
t = {r["command"]: r for r in json.load(open("times.json"))["results"]}
rss = {}
for line in open("rss.txt"):
    name, kb = line.split()
    rss[name] = int(kb)

small, large = 6553, 65534
ms = lambda s: s * 1000.0
med = lambda name: t[name]["median"]

print()
print(f"Times in ms, {runs} runs each (median / min / stddev); peak RSS in KiB")
print(f"{'':26}{'N=6,553':>28}{'N=65,534':>28}")
def row(label, key):
    cells = []
    for n in (small, large):
        name = key.format(n=n)
        r = t[name]
        cells.append(f"{ms(r['median']):8.2f} /{ms(r['min']):7.2f} /{ms(r['stddev']):6.2f}")
    print(f"{label:26}{cells[0]:>28}{cells[1]:>28}")
row("(a) convert", "a_convert_{n}")
row("(b) convert --reverse", "b_reverse_{n}")
row("(c) cp", "c_cp_{n}")
r = t["d_start"]
print(f"{'(d) torvan-cli --version':26}"
      f"{ms(r['median']):8.2f} /{ms(r['min']):7.2f} /{ms(r['stddev']):6.2f}   (independent of N)")
info = f"info_reverse_nofsync_{large}"
if info in t:
    r = t[info]
    print(f"{'(b) with fsync disabled':26}{'':>28}"
          f"{ms(r['median']):8.2f} /{ms(r['min']):7.2f} /{ms(r['stddev']):6.2f}"
          "   (libeatmydata; information only)")
print(f"{'peak RSS (a) convert':26}{rss[f'a_convert_{small}']:>28}{rss[f'a_convert_{large}']:>28}")
print(f"{'peak RSS (b) --reverse':26}{rss[f'b_reverse_{small}']:>28}{rss[f'b_reverse_{large}']:>28}")
print(f"{'peak RSS (d) --version':26}{rss['d_start']:>28}")

results = []
start = med("d_start")
print()
print("Checks (medians; per-line time = (conversion - process start) / N)")

# 1. Per-line time scales linearly.
ok = True
for key, label in (("a_convert", "(a)"), ("b_reverse", "(b)")):
    per = {n: (med(f"{key}_{n}") - start) / n for n in (small, large)}
    ratio = per[large] / per[small]
    ok_one = ratio <= 1.5
    ok = ok and ok_one
    print(f"  {label} per line: {per[small]*1e6:.3f} us at 6,553, {per[large]*1e6:.3f} us"
          f" at 65,534 -> ratio {ratio:.2f} (target <= 1.5) {'ok' if ok_one else 'over'}")
results.append(("per-line time at 65,534 within 1.5x of 6,553", ok))

# 2. Peak memory does not grow with N.
ok = True
for key, label in (("a_convert", "(a)"), ("b_reverse", "(b)")):
    a, b = rss[f"{key}_{small}"], rss[f"{key}_{large}"]
    ratio = b / a
    ok_one = ratio <= 1.25
    ok = ok and ok_one
    print(f"  {label} peak RSS: {a} KiB at 6,553, {b} KiB at 65,534 -> ratio {ratio:.2f},"
          f" +{b - a} KiB (target <= 1.25) {'ok' if ok_one else 'over'}")
results.append(("peak memory roughly equal at both N (<= 1.25x)", ok))

# 3. Conversion with reversal costs little more than copying the file.
conv = med(f"b_reverse_{large}")
base = med(f"c_cp_{large}") + start
ratio = conv / base
print(f"  (b) at 65,534: {ms(conv):.2f} ms vs cp {ms(med(f'c_cp_{large}')):.2f} ms"
      f" + start {ms(start):.2f} ms = {ms(base):.2f} ms -> ratio {ratio:.2f} (target <= 4)")
results.append(("65,534-line convert --reverse within 4x of (cp + process start)", ratio <= 4.0))

print()
for label, ok in results:
    print(f"{'PASS' if ok else 'FAIL'}  {label}")
EOF
echo
echo "(full hyperfine output: hyperfine.log in the scratch directory; keep it with BENCH_KEEP=1)"
