#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence line "SPDX-License-Identifier: GPL-3.0-or-later" at the
# head of every source, script and CMake file that git tracks, as a comment
# of the file's language (after a #! line). Files that have it in their
# first lines are left alone, so it can run again at any time, e.g. after a
# merge. Test data, fuzz corpora, the sample and resources are not touched:
# their bytes are what the tests read.
#   tools/spdx.sh          add the line where it is missing
#   tools/spdx.sh --check  only list the files that lack it (exit 1 if any)
set -euo pipefail
cd "$(dirname "$0")/.."
line='SPDX-License-Identifier: GPL-3.0-or-later'
check=0
[ "${1:-}" = --check ] && check=1

missing=0
while IFS= read -r -d '' file; do
    [ -f "$file" ] || continue
    if [ -n "$(head -n 5 "$file" | grep 'SPDX-License-Identifier:')" ]; then
        continue
    fi
    case "$file" in
        *.cpp | *.h | *.h.in) comment="// $line" ;;
        *) comment="# $line" ;;
    esac
    missing=1
    if [ "$check" -eq 1 ]; then
        echo "$file"
        continue
    fi
    tmp=$(mktemp)
    if [[ $(head -n 1 "$file") == '#!'* ]]; then
        { head -n 1 "$file"; echo "$comment"; tail -n +2 "$file"; } >"$tmp"
    else
        { echo "$comment"; cat "$file"; } >"$tmp"
    fi
    cat "$tmp" >"$file"  # keeps the file's mode (scripts stay executable)
    rm -f "$tmp"
done < <(git ls-files -z -- '*.cpp' '*.h' '*.h.in' '*.sh' '*.py' '*.cmake' \
             'CMakeLists.txt' '*/CMakeLists.txt' '.ci/run' \
             ':(exclude)tests/data/*' ':(exclude)tests/fuzz/corpus/*' \
             ':(exclude)tests/fuzz/regressions/*' ':(exclude)res/samples/*')

if [ "$check" -eq 1 ] && [ "$missing" -eq 1 ]; then
    exit 1
fi
