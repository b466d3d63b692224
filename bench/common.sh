# shellcheck shell=bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the benchmarks share, sourced by each after it sets NAME (its name,
# for messages):
#   HERE, REPO, CLI        this folder, the repository, the torvan-cli to time
#   die MESSAGE            says "NAME: MESSAGE" and stops
#   bench_runs VAR DEFAULT MIN   reads $VAR (a count of runs) into RUNS
#   bench_need COMMAND...  stops unless every command is there
#   bench_build TARGET...  builds the default preset's targets, configuring
#                          it first if needed, unless BENCH_NO_BUILD=1
#   bench_scratch PREFIX   makes the scratch directory WORK (below TMPDIR),
#                          removed at exit unless BENCH_KEEP=1, and enters it
#   bench_baseline         copies BENCH_BASELINE, if set, to ./baseline-cli
#                          and adds it to BINARIES (which starts as torvan-cli)
#   bench_load             the load average, for the report

HERE="$(cd "$(dirname "${BASH_SOURCE[1]}")" && pwd)"
REPO="$(cd "$HERE/.." && pwd)"
CLI="$REPO/build/default/src/cli/torvan-cli"
BINARIES=(torvan-cli)

die() { echo "${NAME:-bench}: $*" >&2; exit 1; }

bench_runs() {
    local value="${!1:-$2}"
    [[ "$value" =~ ^[0-9]+$ && "$value" -ge "$3" ]] || die "$1 must be $3 or more"
    RUNS="$value"
}

bench_need() {
    local command
    for command in "$@"; do
        case "$command" in
            time) [[ -x /usr/bin/time ]] ||
                      die "GNU time is needed (Debian: apt-get install time)" ;;
            *) command -v "$command" >/dev/null ||
                   die "$command is needed (Debian: apt-get install $command)" ;;
        esac
    done
}

bench_build() {
    if [[ "${BENCH_NO_BUILD:-0}" != 1 ]]; then
        echo "== Building $* (default preset)"
        (
            cd "$REPO"
            [[ -f build/default/CMakeCache.txt ]] || cmake --preset default
            cmake --build --preset default -j2 --target "$@"
        ) || die "the build failed"
    fi
    [[ -x "$CLI" ]] || die "no torvan-cli at build/default/src/cli/torvan-cli"
}

bench_scratch() {
    WORK="$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")"
    if [[ "${BENCH_KEEP:-0}" == 1 ]]; then
        echo "== Scratch directory (kept): $WORK"
    else
        # shellcheck disable=SC2064 # WORK is fixed from here on
        trap "rm -rf '$WORK'" EXIT
    fi
    cd "$WORK" || exit 1
    # A fixed copy: a rebuild during the run changes nothing.
    cp "$CLI" ./torvan-cli
    echo "== Scratch directory $WORK ($(df -T . | awk 'NR == 2 {print $2}'))"
}

bench_baseline() {
    [[ -n "${BENCH_BASELINE:-}" ]] || return 0
    [[ -x "$BENCH_BASELINE" ]] || die "BENCH_BASELINE is not an executable: $BENCH_BASELINE"
    cp "$BENCH_BASELINE" ./baseline-cli
    BINARIES+=(baseline-cli)
}

bench_load() {
    cut -d' ' -f1-3 /proc/loadavg
}
