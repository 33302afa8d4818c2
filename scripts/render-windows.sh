#!/usr/bin/env bash
# Draws every window offscreen into PNG files: scripts/render-windows.sh [OUTDIR] [window ...]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/pictures}"
shift || true
cmake --build build --target render_windows -j"$(nproc)" >/dev/null
QT_QPA_PLATFORM=offscreen ./build/tests/render_windows "$out" "$@"
