#!/usr/bin/env bash
# Demo on an existing build: makes a recording, shows what it holds, and opens the
# analysis program on it (or, without a display, writes what it would show into demo/).
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/release}
OUT=${DEMO_DIR:-demo}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

rec="$OUT/DEMO"
if [ -x "$BIN/movilog_gen" ]; then
  echo "== writing a two-day recording (mode @: acceleration, X/Y/Z, tilt, heart rate) into $OUT"
  "$BIN/movilog_gen" --out "$rec" --family per-channel --mode @ --hours 48 --interval 2 --seed 7
else
  echo "the data generator is not built" >&2; exit 1
fi
first=$(ls "$OUT"/DEMO___0* 2>/dev/null | head -1)
echo "== ambview info $first"
"$BIN/ambview" info "$first"

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  echo "== opening ambview on $first (close the window to end)"
  "$BIN/ambview" "$first"
else
  echo "== no display: the recording and its description are in $OUT"
fi
