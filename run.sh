#!/usr/bin/env bash
# Installs any missing Debian packages, builds Quillex and starts it. Where
# no display exists it runs offscreen (QT_QPA_PLATFORM=offscreen) and says so.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$BUILD_DIR" --target quillex
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: Quillex runs offscreen (QT_QPA_PLATFORM=offscreen), nothing is shown."
  export QT_QPA_PLATFORM=offscreen
fi
exec "$BUILD_DIR/src/quillex" "$@"
