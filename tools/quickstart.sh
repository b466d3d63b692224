#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Quick start on a fresh Debian 12 machine, as root: installs what is
# missing, builds torvan-cli and the desktop program torvan, converts the
# sample price file into a new database, shows what the database holds and
# says how to start the desktop program. Safe to run again: the build is
# incremental and the database folder is made afresh every time.
set -euo pipefail
cd "$(dirname "$0")/.."

# The packages of .ci/run, so that ./tools/test.sh works afterwards too.
packages=(build-essential cmake libgtest-dev libgmock-dev libcli11-dev
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
          nlohmann-json3-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build=build/quickstart
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTORVAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target torvan-cli torvan
cli="$build/src/cli/torvan-cli"

db=build/quickstart-db
rm -rf "$db"
mkdir -p "$db"
"$cli" convert res/samples/ibm.txt --db "$db" --symbol IBM --new-master
echo
"$cli" list "$db"
echo
# sed reads to the end, so dump never writes into a closed pipe.
"$cli" dump "$db" IBM | sed -n '1,6p'

cat <<EOF

The desktop program is built too. Start it on the sample with

  $build/src/gui/app/torvan res/samples/ibm.txt

(it needs a graphical session). To put both programs, the menu entry and
the icon in place for every user:

  cmake --install $build
  torvan res/samples/ibm.txt
EOF
