#!/usr/bin/env bash
# Builds and runs the benchmarks; their tables go into the README by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target benchmarks generate_subjects -j"$(nproc)" >/dev/null
for b in build/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM=offscreen "$b"
done
