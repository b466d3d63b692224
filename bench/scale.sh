#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Costs that should not grow with the database (by hand; not a test, not run
# by CI):
#   1. the k-th addition of a security (250 lines, --xmaster) for
#      k = 1, 255, 1,000 and 2,000: one hyperfine run, fresh state per run;
#   2. one save of the Conversion Settings (torvan-profile-bench): time and
#      replacements of the profile file, beside one write per entry, and
#      `convert --from-profile` end to end;
#   3. `dump` of 6,553 and 65,534 records: time and peak memory.
# Targets: the 2,000th addition within 1.5x of the 1st; one replacement per
# save; dump's peak memory at 65,534 records at most 1.25x that at 6,553.
# See bench/README.md.
#
# Environment:
#   BENCH_RUNS=N      timed runs per command (default 20, at least 5)
#   BENCH_WARMUP=N    untimed warm-up runs per command (default 3)
#   BENCH_KEEP=1      keep the scratch directory
#   BENCH_NO_BUILD=1  do not build; use the binaries that are there
#   BENCH_BASELINE=F  also time the torvan-cli binary F (an older build) with
#                     the same commands, for a before/after in one run
#   TMPDIR            where the scratch directory goes
set -euo pipefail
NAME=scale.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

PROFILE_BENCH="$REPO/build/default/bench/torvan-profile-bench"
ADDITIONS=(1 255 1000 2000)
DUMPS=(6553 65534)
bench_runs BENCH_RUNS 20 5
WARMUP="${BENCH_WARMUP:-3}"
bench_need python3 hyperfine time
bench_build torvan-cli torvan-profile-bench
[[ -x "$PROFILE_BENCH" ]] || die "no torvan-profile-bench at build/default/bench/"
bench_scratch torvan-scale
bench_baseline
python3 "$HERE/gen_prices.py" 250 in.txt --oldest-first

# --- 1. The k-th addition ---------------------------------------------------
# db_K holds K-1 securities: the first one or two converted, the others
# copies of them (grow_db.py). saved_K keeps its index files, so that each
# run starts from the same state: the prepare step takes the last run's
# security out again and flushes what it put back, so that its writes are
# not waited for inside the timed run.
echo "== Building the databases (up to $((${ADDITIONS[-1]} - 1)) securities)"
for k in "${ADDITIONS[@]}"; do
    [[ "$k" -gt 1 ]] || continue
    db="db_$k"
    mkdir "$db"
    ./torvan-cli convert in.txt --db "$db" --symbol S1 --new-master --xmaster >/dev/null
    python3 "$HERE/grow_db.py" master "$db" $((k - 1 < 255 ? k - 1 : 255))
    if [[ "$k" -gt 256 ]]; then
        ./torvan-cli convert in.txt --db "$db" --symbol S256 --xmaster >/dev/null
        python3 "$HERE/grow_db.py" xmaster "$db" $((k - 1))
    fi
    ./torvan-cli check "$db" >/dev/null || die "the database of $((k - 1)) securities is not sound"
    mkdir "saved_$k"
    cp -p "$db"/*MASTER* "saved_$k/"
done
cat > prep_add.sh <<'EOF'
set -e
k=$1
if [[ "$k" == 1 ]]; then
    rm -rf db_1
    mkdir db_1
    exit 0
fi
rm -f "db_$k/F$k.DAT" "db_$k/F$k.MWD" "db_$k/F$k.DOP"
cp -p "saved_$k"/* "db_$k/"
(cd "db_$k" && sync $(ls "../saved_$k") .)
EOF
add_command() {  # BINARY K
    local extra=""
    [[ "$2" == 1 ]] && extra=" --new-master"
    echo "./$1 convert in.txt --db db_$2 --symbol S$2 --xmaster$extra"
}
echo "== Checking each addition"
for k in "${ADDITIONS[@]}"; do
    for bin in "${BINARIES[@]}"; do
        bash prep_add.sh "$k"
        $(add_command "$bin" "$k") >/dev/null || die "$bin: addition $k failed"
        ./torvan-cli check "db_$k" >/dev/null || die "$bin: addition $k left an unsound database"
        [[ "$(./torvan-cli list "db_$k" | wc -l)" == $((k + 1)) ]] ||
            die "$bin: addition $k did not make $k securities"
    done
done

# --- 3. dump ------------------------------------------------------------------
echo "== Converting the securities to dump"
for n in "${DUMPS[@]}"; do
    python3 "$HERE/gen_prices.py" "$n" "dump_$n.txt" --oldest-first
    mkdir "dump_db_$n"
    ./torvan-cli convert "dump_$n.txt" --db "dump_db_$n" --symbol D --new-master >/dev/null
    for bin in "${BINARIES[@]}"; do
        ./"$bin" dump "dump_db_$n" D > "dump_${bin}_$n.csv" || die "$bin: dump of $n failed"
        [[ "$(wc -l < "dump_${bin}_$n.csv")" == $((n + 1)) ]] || die "$bin: dump of $n is short"
        cmp -s "dump_${bin}_$n.csv" "dump_torvan-cli_$n.csv" ||
            die "the dumps of $n records by $bin and torvan-cli differ"
    done
done

# --- 2. Settings, end to end ------------------------------------------------
# --from-profile saves the settings as the dialog's OK does, and the job
# records its input, folder, symbol and name.
mkdir config
cat > prep_profile.sh <<'EOF'
rm -rf db_profile
mkdir db_profile
EOF

echo "== Timing: $RUNS runs per command after $WARMUP warm-up runs"
args=(-N --warmup "$WARMUP" --runs "$RUNS" --export-json times.json --style basic)
for k in "${ADDITIONS[@]}"; do
    for bin in "${BINARIES[@]}"; do
        args+=(--prepare "bash prep_add.sh $k" -n "${bin%%-cli}_add_$k" "$(add_command "$bin" "$k")")
    done
done
for bin in "${BINARIES[@]}"; do
    args+=(--prepare "bash prep_profile.sh" -n "${bin%%-cli}_profile"
           "env XDG_CONFIG_HOME=$WORK/config ./$bin convert in.txt --from-profile --db db_profile --symbol P --new-master")
    for n in "${DUMPS[@]}"; do
        # Output discarded; hyperfine wants a prepare step for every command.
        args+=(--prepare true -n "${bin%%-cli}_dump_$n" "./$bin dump dump_db_$n D")
    done
done
echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine "${args[@]}" > hyperfine.log 2>&1 || { cat hyperfine.log; die "hyperfine failed"; }
echo "   load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== Peak memory of dump (largest of 3 runs)"
: > memory.txt
for bin in "${BINARIES[@]}"; do
    for n in "${DUMPS[@]}"; do
        peak=0
        for _ in 1 2 3; do
            /usr/bin/time -f %M -o rss.txt ./"$bin" dump "dump_db_$n" D >/dev/null
            peak=$(( $(cat rss.txt) > peak ? $(cat rss.txt) : peak ))
        done
        echo "${bin%%-cli} $n $peak" >> memory.txt
    done
done

echo "== One save of the Conversion Settings (torvan-profile-bench, median of $RUNS)"
mkdir bench_profile
"$PROFILE_BENCH" bench_profile "$RUNS" > profile.txt || die "torvan-profile-bench failed"
sed 's/^/   /' profile.txt

python3 - "$RUNS" <<'EOF'
import json, sys

runs = int(sys.argv[1])
t = {r["command"]: r for r in json.load(open("times.json"))["results"]}
tags = ["torvan"] + (["baseline"] if "baseline_add_1" in t else [])
ms = lambda s: s * 1e3
cell = lambda r: f"{ms(r['median']):7.2f} ({ms(r['user'] + r['system']):6.2f})"
print()
print(f"Medians of {runs} runs in ms (user + system CPU)")
print(f"{'':22}" + "".join(f"{tag:>18}" for tag in tags))
rows = [(f"addition {k:,}", f"add_{k}") for k in (1, 255, 1000, 2000)]
rows += [("convert --from-profile", "profile")]
rows += [(f"dump {n:,}", f"dump_{n}") for n in (6553, 65534)]
for label, key in rows:
    print(f"{label:22}" + "".join(f"{cell(t[f'{tag}_{key}']):>18}" for tag in tags))
memory = {}
for line in open("memory.txt"):
    tag, n, kb = line.split()
    memory[(tag, int(n))] = int(kb)
print()
print("Peak resident memory of dump in KB")
for n in (6553, 65534):
    print(f"{'dump ' + format(n, ','):22}" + "".join(f"{memory[(tag, n)]:>18}" for tag in tags))
print()
ratio = t["torvan_add_2000"]["median"] / t["torvan_add_1"]["median"]
print(f"{'PASS' if ratio <= 1.5 else 'FAIL'}  the 2,000th addition takes {ratio:.2f}x the 1st"
      " (target <= 1.5x)")
saves = [line.split()[-1] for line in open("profile.txt") if line.startswith("SaveConfirmed")]
print(f"{'PASS' if saves == ['1'] else 'FAIL'}  one save of the settings replaces the profile file"
      f" {saves[0] if saves else '?'} time(s) (target 1)")
grow = memory[("torvan", 65534)] / memory[("torvan", 6553)]
print(f"{'PASS' if grow <= 1.25 else 'FAIL'}  dump's peak memory at 65,534 records is {grow:.2f}x"
      " that at 6,553 (target <= 1.25x)")
EOF
