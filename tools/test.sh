#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures, builds and runs the whole test suite with one CMake preset
# (default: "default"; "asan-ubsan" for the sanitizer build).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
cmake --preset "$preset" -DTORVAN_WERROR=ON >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
ctest --preset "$preset" -j"$(nproc)"
