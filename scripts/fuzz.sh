#!/usr/bin/env bash
# Builds the fuzz targets as real libFuzzer binaries with clang and runs each
# for a short, fixed time on a scratch copy of its seed corpus. A crash, a
# sanitizer report or a hang fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
FUZZ_DIR=${FUZZ_DIR:-build-fuzz}
SECONDS_PER_TARGET=${FUZZ_SECONDS:-20}
mkdir -p "$FUZZ_DIR"
CC=clang CXX=clang++ cmake -S . -B "$FUZZ_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQX_LIBFUZZER=ON -DQX_BUILD_GUI=OFF -DQX_BUILD_BENCH=OFF > "$FUZZ_DIR/configure.log" 2>&1 ||
  { cat "$FUZZ_DIR/configure.log"; exit 1; }
targets=()
for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
cmake --build "$FUZZ_DIR" --target "${targets[@]}"
for t in "${targets[@]}"; do
  work="$FUZZ_DIR/corpus/$t"
  rm -rf "$work" && mkdir -p "$work"
  if [ -d "fuzz/corpus/$t" ]; then cp -r "fuzz/corpus/$t/." "$work/"; fi
  extra=()
  # Project files are long: start at full length instead of growing slowly
  # from the seeds.
  if [ "$t" = project_file_fuzz ]; then extra+=(-len_control=0); fi
  echo "fuzzing $t for ${SECONDS_PER_TARGET}s"
  "$FUZZ_DIR/fuzz/$t" -max_total_time="$SECONDS_PER_TARGET" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$FUZZ_DIR/$t-" -print_final_stats=0 "${extra[@]}" "$work" \
    > "$FUZZ_DIR/$t.log" 2>&1 || { tail -40 "$FUZZ_DIR/$t.log"; echo "fuzz target $t failed"; exit 1; }
  grep -E '^Done [0-9]+ runs' "$FUZZ_DIR/$t.log" || true
done
