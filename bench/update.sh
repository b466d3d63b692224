#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The daily update's cost must be that of the new days, not of the history
# (by hand; not a test, not run by CI): `torvan-cli update` of a security
# holding 65,533 records by one day (to 65,534, the most a price file
# holds) beside `torvan-cli convert` of a one-line file into a new
# database. Target: the update within 2x of the conversion. Each timed run
# starts from a fresh copy of the database (hyperfine --prepare).
#
# Environment:
#   BENCH_RUNS=N      timed runs per command (default 30, at least 5)
#   BENCH_WARMUP=N    untimed warm-up runs per command (default 3)
#   BENCH_KEEP=1      keep the scratch directory
#   BENCH_NO_BUILD=1  do not build; use the binary that is there
#   TMPDIR            where the scratch directory goes
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO="$(cd "$HERE/.." && pwd)"
CLI="$REPO/build/default/src/cli/torvan-cli"
RUNS="${BENCH_RUNS:-30}"
WARMUP="${BENCH_WARMUP:-3}"

die() { echo "update.sh: $*" >&2; exit 1; }

[[ "$RUNS" =~ ^[0-9]+$ && "$RUNS" -ge 5 ]] || die "BENCH_RUNS must be 5 or more"
command -v python3 >/dev/null || die "python3 is needed"
command -v hyperfine >/dev/null || die "hyperfine is needed (Debian: apt-get install hyperfine)"
if [[ -z "${BENCH_NO_BUILD:-}" ]]; then
    cmake --build --preset default --target torvan-cli >/dev/null
fi
[[ -x "$CLI" ]] || die "no $CLI; build the default preset first"

SCRATCH="$(mktemp -d "${TMPDIR:-/tmp}/torvan-update-bench.XXXXXX")"
[[ -n "${BENCH_KEEP:-}" ]] || trap 'rm -rf "$SCRATCH"' EXIT
cd "$SCRATCH"

# One line per calendar day from 1 January 1961 (the first day the
# four-digit layouts take): 65,533 for the history, the next for the update.
python3 - <<'PY'
import datetime
day = datetime.date(1961, 1, 1)
with open("history.txt", "w") as history:
    for i in range(65533):
        d = day + datetime.timedelta(days=i)
        history.write(f"{d:%Y%m%d},{i % 997}.25,{i % 991}.5,{i % 983},{i % 977}.75,{i * 3},{i % 7}\n")
    d = day + datetime.timedelta(days=65533)
    with open("day.txt", "w") as one:
        one.write(f"{d:%Y%m%d},1.25,2.5,1,1.75,300,7\n")
PY
READ=(--date-format CCYYMMDD --columns date=1,open=2,high=3,low=4,close=5,vol=6,oi=7)
mkdir base
"$CLI" convert history.txt --db base --symbol HIST --new-master "${READ[@]}" >/dev/null

# The update gives the file its 65,534th record, as a check before timing.
rm -rf db && cp -r base db
"$CLI" update day.txt --db db --symbol HIST "${READ[@]}" >/dev/null
records="$("$CLI" list db | awk '$2 == "HIST" { print $NF }')"
[[ "$records" == 65534 ]] || die "the update left $records records, not 65534"

hyperfine --runs "$RUNS" --warmup "$WARMUP" --export-markdown results.md \
    --command-name "update 65,533 -> 65,534 records" \
    --prepare "rm -rf db && cp -r base db && sync" \
    "$CLI update day.txt --db db --symbol HIST ${READ[*]}" \
    --command-name "convert a one-line file" \
    --prepare "rm -rf one && mkdir one && sync" \
    "$CLI convert day.txt --db one --symbol ONE --new-master ${READ[*]}"
cat results.md
