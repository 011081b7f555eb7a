#!/usr/bin/env bash
# Picture gallery: builds the grabber and writes PNG screenshots of every
# page, of one instrument of every class with its property listing, of every
# modal page and menu, in German, English and Chinese.
#   scripts/gallery.sh [output folder]   (default: build/gallery)
# Offscreen by default; QT_QPA_PLATFORM=xcb under xvfb-run works as well.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${QX_BUILD_DIR:-$ROOT/build}"
OUT="$(realpath -m "${1:-$BUILD/gallery}")"
"$ROOT/scripts/install-deps.sh"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}"
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" --target qx_gallery
rm -rf "$OUT"
mkdir -p "$OUT"
# A settings folder of its own: no last project, no language from before.
CONFIG="$(mktemp -d)"
trap 'rm -rf "$CONFIG"' EXIT
XDG_CONFIG_HOME="$CONFIG" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
  "$BUILD/tests/qx_gallery" "$OUT" "$ROOT/examples/first-panel.qxproj" 2> >(grep -v "This plugin does not support" >&2)
echo "Gallery: $OUT"
