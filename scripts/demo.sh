#!/usr/bin/env bash
# The demo on an existing build: a simulated recorder on a pseudo-terminal, a download from
# it with ambcomm, and ambview on the result. With a display ambview opens its window;
# without one every view is rendered to PNG and the text and calorie exports are written.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=$(cd "${1:-build/release}" && pwd)
OUT=${DEMO_DIR:-demo}
rm -rf "$OUT"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
LINK="$OUT/movilog.pty"
# Qt wants a private runtime folder; a root shell or a CI job often has none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then export XDG_RUNTIME_DIR=$(mktemp -d); chmod 700 "$XDG_RUNTIME_DIR"; fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-$([ -n "${DISPLAY:-}" ] && echo xcb || echo offscreen)}

sim_pid=""
stop_sim() { if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; sim_pid=""; fi; }
trap stop_sim EXIT

# Starts ambsim with the given options and waits for its pty link.
start_sim() {
  "$BIN/ambsim" --pty "$LINK" "$@" &
  sim_pid=$!
  for _ in $(seq 50); do [ -e "$LINK" ] && return 0; sleep 0.1; done
  echo "ambsim did not come up" >&2; exit 1
}

echo "== 1. A Movilog (model LA) that recorded 4 hours at 2 s: acceleration, X/Y/Z, tilt,"
echo "      heart rate and 2 ECG blocks; the recorder offers the four-times transfer."
start_sim --model LA --mode @ --samples 7200 --interval 2 --ecg 2 --speed B --seed 7 --pace 4
echo "== ambcomm --port $LINK conditions"
"$BIN/ambcomm" --port "$LINK" conditions
echo "== ambcomm --port $LINK download $OUT/DEMO --yes"
"$BIN/ambcomm" --port "$LINK" download "$OUT/DEMO" --yes
stop_sim

echo "== 2. A recorder in waveform mode 9 (acceleration waveforms and ECG waveform), 5 minutes."
start_sim --model LA --mode 9 --samples 15000 --seed 8 --pace 8
"$BIN/ambcomm" --port "$LINK" download "$OUT/WAVE" --yes
stop_sim

rec="$OUT/DEMO___0"
wave="$OUT/WAVE___a"
echo "== ambview info $rec"
"$BIN/ambview" info "$rec"

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && [ "$QT_QPA_PLATFORM" != offscreen ]; then
  echo "== opening ambview on $rec (close the window to end)"
  cd "$OUT" && exec "$BIN/ambview" "$rec"
fi

echo "== 3. No display: rendering every view into $OUT/views"
mkdir -p "$OUT/views"
(cd "$OUT" &&
  "$BIN/ambview" render "$rec" --view overview --out views/overview.png &&
  "$BIN/ambview" render "$rec" --view trend --out views/trend_whole.png &&
  "$BIN/ambview" render "$rec" --view trend --start 3600 --span 3600 --n 5 --avg moving --out views/trend_hour.png &&
  "$BIN/ambview" render "$rec" --view ecg1 --out views/ecg1.png &&
  "$BIN/ambview" render "$rec" --view ecg2 --out views/ecg2.png &&
  "$BIN/ambview" render "$rec" --view calorie --out views/calorie.png &&
  "$BIN/ambview" render "$wave" --view trend --out views/wave_trend.png &&
  "$BIN/ambview" render "$wave" --view wave --out views/wave_monitor.png)

echo "== 4. Text export and calorie text files into $OUT/export"
mkdir -p "$OUT/export"
(cd "$OUT" &&
  "$BIN/ambview" export "$rec" --start 3600 --span 1800 --per-line 8 --out export &&
  "$BIN/ambview" calorie "$rec" --out export)

echo
echo "Done. Downloaded recordings: $OUT (DEMO___*, WAVE___*)"
echo "Views: $OUT/views/*.png   Text export and calorie files: $OUT/export"
