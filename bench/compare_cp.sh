#!/usr/bin/env bash
# torvan-cli convert side by side with cp of the same file (by hand; not a
# test, not run by CI).
#
# For N = 6,553 and 65,534 seven-field lines, one hyperfine run (no shell,
# median of BENCH_RUNS runs each, prepare steps untimed) times
#   convert            torvan-cli convert oldest_N.txt --db DIR --symbol BENCH --new-master
#   convert --reverse  the same with --reverse on a newest-first copy
#   cp                 cp oldest_N.txt copy_N.txt
# and prints each median with its ratio to the cp median of the same N.
# Targets at 65,534 lines: convert within 5x of cp, convert --reverse within
# 8x. See bench/README.md.
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

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO="$(cd "$HERE/.." && pwd)"
CLI="$REPO/build/default/src/cli/torvan-cli"
SIZES=(6553 65534)
RUNS="${BENCH_RUNS:-20}"
WARMUP="${BENCH_WARMUP:-3}"

die() { echo "compare_cp.sh: $*" >&2; exit 1; }

[[ "$RUNS" =~ ^[0-9]+$ && "$RUNS" -ge 5 ]] || die "BENCH_RUNS must be 5 or more"
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

WORK="$(mktemp -d "${TMPDIR:-/tmp}/torvan-cmp.XXXXXX")"
if [[ "${BENCH_KEEP:-0}" == 1 ]]; then
    echo "== Scratch directory (kept): $WORK"
else
    trap 'rm -rf "$WORK"' EXIT
fi
cd "$WORK"
cp "$CLI" ./torvan-cli   # a fixed copy: a rebuild during the run changes nothing
BINARIES=(torvan-cli)
if [[ -n "${BENCH_BASELINE:-}" ]]; then
    [[ -x "$BENCH_BASELINE" ]] || die "BENCH_BASELINE is not an executable: $BENCH_BASELINE"
    cp "$BENCH_BASELINE" ./baseline-cli
    BINARIES+=(baseline-cli)
fi

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
    args+=(--prepare "bash prep.sh cp $n" -n "cp_$n" "cp oldest_$n.txt copy_$n.txt")
done
echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine "${args[@]}" > hyperfine.log 2>&1 || { cat hyperfine.log; die "hyperfine failed"; }
echo "   load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$RUNS" <<'EOF'
import json, sys

runs = int(sys.argv[1])
t = {r["command"]: r for r in json.load(open("times.json"))["results"]}
rows = [("torvan_convert", "convert"), ("torvan_reverse", "convert --reverse")]
if "baseline_convert_6553" in t:
    rows += [("baseline_convert", "baseline convert"), ("baseline_reverse", "baseline --reverse")]
rows.append(("cp", "cp"))
print()
print(f"Medians of {runs} runs in ms (user + system CPU in brackets); ratio = median / cp median")
print(f"{'':20}{'N=6,553':>30}{'N=65,534':>30}")
for key, label in rows:
    cells = []
    for n in (6553, 65534):
        r = t[f"{key}_{n}"]
        ratio = r["median"] / t[f"cp_{n}"]["median"]
        cells.append(f"{r['median']*1e3:7.2f} ({(r['user'] + r['system'])*1e3:5.2f}) {ratio:5.2f}x")
    print(f"{label:20}{cells[0]:>30}{cells[1]:>30}")
print()
for key, label, limit in (("torvan_convert", "convert", 5.0),
                          ("torvan_reverse", "convert --reverse", 8.0)):
    ratio = t[f"{key}_65534"]["median"] / t["cp_65534"]["median"]
    ok = ratio <= limit
    print(f"{'PASS' if ok else 'FAIL'}  {label} at 65,534 lines: {ratio:.2f}x cp (target <= {limit:g}x)")
EOF
