#!/usr/bin/env bash
# FileDownloader against curl on the same file from python3 -m http.server on
# 127.0.0.1: bench/download.sh [megabytes=100] [rounds=3]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target bench_download -j2 >/dev/null
command -v curl >/dev/null || { echo "curl is needed (apt-get install curl)"; exit 1; }
/usr/bin/time -f "peak memory of the benchmark process: %M KB" ./build/bench/bench_download "${1:-100}" "${2:-3}"
