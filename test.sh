#!/usr/bin/env bash
# Builds everything and runs every test: first a short libFuzzer run of each
# fuzz target (clang), then one ctest run over the plain build, the core under
# AddressSanitizer+UBSan and under ThreadSanitizer, the GUI tests offscreen
# (plain and under AddressSanitizer+UBSan) and the fuzz seed replays.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
bash scripts/fuzz.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD_DIR"
cd "$BUILD_DIR"
ctest --output-on-failure -j "$(nproc)"
