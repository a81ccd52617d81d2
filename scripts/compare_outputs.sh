#!/usr/bin/env bash
# Runs every view and every export of the demo's recordings (and of an RR and two combined
# recordings) with the programs of two builds and compares what they make: images, text
# exports, re-saved recordings, calorie files, and what each command printed. For checking
# that a change of the inside changed nothing the user sees.
#
#   scripts/compare_outputs.sh BEFORE_BIN AFTER_BIN [WORK_DIR]
#
# BEFORE_BIN and AFTER_BIN are build directories holding ambview (and movilog_gen, taken from
# AFTER_BIN, which makes the recordings). Prints "identical" or "different" for each output and
# exits 1 when any differs.
set -euo pipefail
BEFORE=$(cd "$1" && pwd)
AFTER=$(cd "$2" && pwd)
WORK=${3:-$(mktemp -d)}
mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)
export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then export XDG_RUNTIME_DIR=$(mktemp -d); chmod 700 "$XDG_RUNTIME_DIR"; fi

# The recordings: the demo's two (mode @ with two ECG blocks, waveform mode 9), mode P with RR
# intervals, and two combined files (levels; all channels with markers).
rec="$WORK/recordings"
rm -rf "$rec"
mkdir -p "$rec"
gen() { "$AFTER/movilog_gen" "$@" > /dev/null; }
gen --out "$rec/DEMO" --family per-channel --model LA --mode @ --samples 7200 --interval 2 --ecg 2 --seed 7
gen --out "$rec/WAVE" --family per-channel --model LA --mode 9 --samples 15000 --seed 8
gen --out "$rec/RRPP" --family per-channel --mode P --hours 2 --interval 1 --seed 5 --markers 3
rm -f "$rec/RRPP___i"  # built by the first command that needs it, as a first opening does
gen --out "$rec/LEVELS" --family combined --mode 2 --hours 3 --interval 2 --seed 9
gen --out "$rec/MARKS" --family combined --mode 5 --hours 2 --interval 1 --seed 4 --offset 30

# Each command as a line: a name for its outputs, then the words after "ambview". OUT stands for
# the command's own output folder; paths are relative, so what is printed compares too.
commands=(
  "info_demo|info recordings/DEMO___0"
  "info_wave|info recordings/WAVE___a"
  "info_rr|info recordings/RRPP___6"
  "info_levels|info recordings/LEVELS.ac2"
  "info_marks|info recordings/MARKS.ac5"
  "overview_demo|render recordings/DEMO___0 --view overview --out OUT/overview.png"
  "trend_demo|render recordings/DEMO___0 --view trend --out OUT/trend.png"
  "trend_demo_hour|render recordings/DEMO___0 --view trend --start 3600 --span 3600 --n 5 --avg moving --out OUT/trend.png"
  "trend_demo_scales|render recordings/DEMO___0 --view trend --acc-scale 3 --hr-scale 1 --channels 045 --out OUT/trend.bmp"
  "ecg1_demo|render recordings/DEMO___0 --view ecg1 --out OUT/ecg1.png"
  "ecg2_demo|render recordings/DEMO___0 --view ecg2 --out OUT/ecg2.png"
  "calorie_view_demo|render recordings/DEMO___0 --view calorie --out OUT/calorie.png"
  "overview_wave|render recordings/WAVE___a --view overview --out OUT/overview.png"
  "trend_wave|render recordings/WAVE___a --view trend --out OUT/trend.png"
  "wave_monitor|render recordings/WAVE___a --view wave --out OUT/wave.png"
  "wave_monitor_late|render recordings/WAVE___a --view wave --start 120 --acc-scale 2 --hr-scale 1 --out OUT/wave.png"
  "overview_rr|render recordings/RRPP___6 --view overview --out OUT/overview.png"
  "trend_rr|render recordings/RRPP___6 --view trend --out OUT/trend.png"
  "trend_rr_moving|render recordings/RRPP___6 --view trend --start 600 --span 1200 --n 10 --avg moving --out OUT/trend.png"
  "calorie_view_rr|render recordings/RRPP___6 --view calorie --out OUT/calorie.png"
  "overview_levels|render recordings/LEVELS.ac2 --view overview --out OUT/overview.png"
  "trend_levels|render recordings/LEVELS.ac2 --view trend --out OUT/trend.png"
  "calorie_view_levels|render recordings/LEVELS.ac2 --view calorie --out OUT/calorie.png"
  "trend_marks|render recordings/MARKS.ac5 --view trend --n 3 --out OUT/trend.png"
  "overview_marks|render recordings/MARKS.ac5 --view overview --out OUT/overview.png"
  "export_demo|export recordings/DEMO___0 --start 3600 --span 1800 --per-line 8 --out OUT"
  "export_demo_whole|export recordings/DEMO___0 --out OUT"
  "export_wave|export recordings/WAVE___a --start 60 --span 60 --out OUT"
  "export_rr|export recordings/RRPP___6 --start 300 --span 900 --per-line 12 --out OUT"
  "export_levels|export recordings/LEVELS.ac2 --out OUT"
  "export_marks|export recordings/MARKS.ac5 --start 60 --span 600 --out OUT"
  "resave_demo|resave recordings/DEMO___0 --start 3630 --span 1800 --out OUT/CUT"
  "resave_wave|resave recordings/WAVE___a --start 60 --span 120 --out OUT/CUTW"
  "resave_rr|resave recordings/RRPP___6 --start 600 --span 1200 --out OUT/CUTR"
  "resave_levels|resave recordings/LEVELS.ac2 --start 1200 --span 3600 --out OUT/CUTL"
  "calorie_demo|calorie recordings/DEMO___0 --out OUT"
  "calorie_demo_options|calorie recordings/DEMO___0 --start 600 --span 3600 --weight 72 --rq 3 --avg 5 --per-line 6 --out OUT"
  "calorie_rr|calorie recordings/RRPP___6 --out OUT"
  "calorie_levels|calorie recordings/LEVELS.ac2 --out OUT"
  # With a "RaZor.prm" of other choices in the current folder (the prm_ names).
  "prm_overview_demo|render recordings/DEMO___0 --view overview --out OUT/overview.png"
  "prm_trend_demo|render recordings/DEMO___0 --view trend --out OUT/trend.png"
  "prm_ecg1_demo|render recordings/DEMO___0 --view ecg1 --out OUT/ecg1.png"
  "prm_calorie_view_demo|render recordings/DEMO___0 --view calorie --out OUT/calorie.png"
  "prm_trend_rr|render recordings/RRPP___6 --view trend --out OUT/trend.png"
  "prm_wave_monitor|render recordings/WAVE___a --view wave --out OUT/wave.png"
  "prm_trend_wave|render recordings/WAVE___a --view trend --out OUT/trend.png"
  "prm_export_demo|export recordings/DEMO___0 --start 600 --span 600 --out OUT"
  "prm_calorie_demo|calorie recordings/DEMO___0 --out OUT"
)

# A settings file as the window program writes it: moving mean over 3, other scales and colours,
# 6 values per line, other calorie settings.
write_settings() {
  python3 - "$1" <<'PY'
import sys
fields = [(2, 79, "/tmp/", "l"), (81, 30, "DEMO___", "l"), (111, 1, "1", "l"), (112, 1, "2", "l"),
          (113, 1, "1", "l"), (114, 6, "3", "l"), (120, 8, "FF0000", "l"), (128, 8, "C0C0C0", "l"),
          (136, 8, "8000", "l"), (144, 8, "14400", "l"), (152, 8, "0", "l"), (160, 8, "14400", "l"),
          (168, 4, "2", "l"), (172, 8, "FFFFC0", "l"), (180, 8, "800000", "l"), (188, 4, "", "l"),
          (192, 4, "6", "l"), (196, 3, "3", "r"), (199, 3, "40", "r"), (202, 3, "72", "r"), (205, 6, "5", "r"),
          (211, 6, "0.02", "r"), (217, 6, "0.07", "r"), (223, 6, "3.1", "r"), (229, 6, "70", "r"), (235, 6, "3", "r")]
rec = bytearray(b" " * 256)
rec[0] = 5
for pos, width, text, just in fields:
    t = text[:width].ljust(width) if just == "l" else text[:width].rjust(width)
    rec[pos - 1:pos - 1 + width] = t.encode()
open(sys.argv[1] + "/RaZor.prm", "wb").write(bytes(rec))
PY
}

# Runs every command with one build in a side folder of its own (a first opening may write
# the RR index beside the recording, so each side starts from the same files).
run_side() {
  local bin=$1 side=$2
  rm -rf "$side"
  mkdir -p "$side/out" "$side/prm"
  cp -r "$rec" "$side/recordings"
  ln -s ../recordings "$side/prm/recordings"
  ln -s ../out "$side/prm/out"
  write_settings "$side/prm"
  for entry in "${commands[@]}"; do
    local name=${entry%%|*} words=${entry#*|} where=$side
    [[ $name == prm_* ]] && where=$side/prm
    mkdir -p "$side/out/$name"
    # shellcheck disable=SC2086
    (cd "$where" && "$bin/ambview" ${words//OUT/out\/$name} > "out/$name/stdout" 2> "out/$name/stderr"; echo $? > "out/$name/status")
  done
  # The settings file, which no command may change.
  mkdir -p "$side/out/settings_after"
  cp "$side/prm/RaZor.prm" "$side/out/settings_after/"
  # The recordings folder too: RR indexes built on the way.
  cp -r "$side/recordings" "$side/out/recordings_after"
}

run_side "$BEFORE" "$WORK/before"
run_side "$AFTER" "$WORK/after"

names=()
for entry in "${commands[@]}"; do names+=("${entry%%|*}"); done
names+=(recordings_after settings_after)
different=0
for name in "${names[@]}"; do
  if diff -r "$WORK/before/out/$name" "$WORK/after/out/$name" > /dev/null; then
    files=$(find "$WORK/after/out/$name" -type f | wc -l)
    printf '%-22s identical (%d files)\n' "$name" "$files"
  else
    printf '%-22s different\n' "$name"
    diff -rq "$WORK/before/out/$name" "$WORK/after/out/$name" | sed 's/^/    /' || true
    different=1
  fi
done
if [ $different -eq 0 ]; then echo "all outputs identical"; else echo "some outputs differ"; fi
exit $different
