#!/bin/bash
# Makes the screenshots of docs/screenshots/ from a built tree: generates demo recordings,
# runs each window on a virtual X display, drives it with xdotool and captures the window.
#
#   scripts/make_screenshots.sh [BUILD_DIR] [SHOT...]
#
# BUILD_DIR defaults to build/release (nothing is built here). With SHOT names only those are
# made. Needs Xvfb, xdotool and ImageMagick's import. Each shot runs in its own fresh working
# directory (so no settings file of an earlier run leaks in) and is tried up to three times;
# the script names every shot that failed and exits non-zero when one did.
set -u
# The whole script is one block, read before it runs, so that editing the file while it runs
# cannot change what it does.
{

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
[ $# -gt 0 ] && shift
case $build in /*) ;; *) build=$here/$build ;; esac
out=$here/docs/screenshots
only=("$@")

for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 1; }
done
for prog in ambcomm ambview movilog_gen; do
  [ -x "$build/$prog" ] || { echo "$0: $build/$prog is missing (build first)" >&2; exit 1; }
done
mkdir -p "$out"

tmp=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# The same fonts, locale and time zone every run, so that the pictures only change when the
# programs do.
export XDG_RUNTIME_DIR="$tmp/run"; mkdir -m 700 -p "$XDG_RUNTIME_DIR"; export TZ=UTC LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1
unset QT_STYLE_OVERRIDE XDG_CURRENT_DESKTOP

# A display of our own; -displayfd picks a free number.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "$0: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -1 "$tmp/display")

# --- demo recordings -------------------------------------------------------------------------
rec=$tmp/rec
mkdir -p "$rec"
# gen NAME ARGS...: the recording's first file is then $NAME (a variable of that name).
gen() {
  local name=$1; shift
  "$build/movilog_gen" --out "$rec/$name" --seed 7 --start 2612010900 "$@" >"$rec/$name.list" ||
    { echo "$0: movilog_gen $* failed" >&2; exit 1; }
  printf -v "$name" '%s' "$(head -1 "$rec/$name.list")"
}
gen walk --family per-channel --model LA --mode @ --hours 3 --comment "WALK DEMO"
gen acc --family per-channel --model LA --mode 0 --hours 24 --comment "DAY"
gen rr --family per-channel --model LA --mode P --hours 1 --ecg 2 --comment "RR ECG"
gen wave --family per-channel --model LA --mode 9 --samples 30000 --comment "WAVE"
gen week --family per-channel --model LA --mode P --days 7 --interval 2 --comment "WEEK"
gen old --family combined --model Aa --mode 5 --hours 6 --ext .ac5 --comment "OLD"

# --- helpers ---------------------------------------------------------------------------------
fail_reason=
fail() { echo "$*" >"$tmp/reason"; return 1; }

# Starts a program in the shot's working directory, with desktop settings of the shot's own
# (recent files, window place, 見やすい表示): nothing of the user's or an earlier shot leaks in.
launch() {
  ( cd "$work" && XDG_CONFIG_HOME="$work/config" exec "$@" >"$work/app.log" 2>&1 ) &
  app_pid=$!
}

stop_app() {
  if [ -n "$app_pid" ]; then
    kill "$app_pid" 2>/dev/null
    for _ in $(seq 30); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$app_pid" 2>/dev/null
    wait "$app_pid" 2>/dev/null
    app_pid=
  fi
}

# Waits (up to $2 seconds, default 15) for a visible window whose title matches $1 and prints
# its id; the last such window when there are several.
wait_window() {
  local pattern=$1 limit=${2:-15} id
  local tries=$((limit * 5))
  for _ in $(seq "$tries"); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | tail -1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$app_pid" 2>/dev/null || { fail "the program ended before \"$pattern\" appeared"; return 1; }
    sleep 0.2
  done
  fail "no window \"$pattern\" within ${limit}s"
  return 1
}

# Waits until no visible window matches $1.
wait_gone() {
  for _ in $(seq 75); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  fail "window \"$1\" did not close"
  return 1
}

# Waits for a visible window other than the ones given and prints its id.
wait_other_window() {
  local id x skip
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
      skip=0
      for x in "$@"; do [ "$id" = "$x" ] && skip=1; done
      [ $skip = 0 ] && { echo "$id"; return 0; }
    done
    kill -0 "$app_pid" 2>/dev/null || { fail "the program ended"; return 1; }
    sleep 0.2
  done
  fail "no new window within 20s"
  return 1
}

click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
keys() { local w=$1; shift; xdotool windowfocus "$w" 2>/dev/null; sleep 0.2; xdotool key --delay 80 "$@"; }
typetext() { local w=$1; shift; xdotool windowfocus "$w" 2>/dev/null; sleep 0.2; xdotool type --delay 20 "$*"; }

# Lets the window settle (drawing finished), then captures it alone.
capture() {
  local id=$1 name=$2
  sleep "${3:-1}"
  import -window "$id" "$tmp/shot.png" 2>>"$work/app.log" || { fail "import of window $id failed"; return 1; }
  convert "$tmp/shot.png" -strip "$out/$name.png" || { fail "convert failed"; return 1; }
}

# Captures the screen over a window's rectangle, with whatever stands on top of it (the wait
# window of the memory clear is a window of its own over the main form).
capture_screen() {
  local id=$1 name=$2 geo
  sleep "${3:-1}"
  geo=$(xwininfo -id "$id" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF} END{print w "x" h "+" x "+" y}')
  import -window root -crop "$geo" +repage "$tmp/shot.png" 2>>"$work/app.log" || { fail "import of the screen failed"; return 1; }
  convert "$tmp/shot.png" -strip "$out/$name.png" || { fail "convert failed"; return 1; }
}

# A PNG from `ambview render` (for views with no window of their own here).
render() {
  local name=$1; shift
  "$build/ambview" render "$@" --out "$out/$name.png" >"$work/app.log" 2>&1 || { fail "ambview render $* failed: $(cat "$work/app.log")"; return 1; }
}

# Opens the n-th menu (0 = ファイル) of the viewer's main window and picks its m-th entry,
# by keyboard: Alt+F opens the first menu, Right moves along, Down along the entries.
viewer_menu() {
  local w=$1 menu=$2 entry=$3 k=()
  for _ in $(seq "$menu"); do k+=(Right); done
  for _ in $(seq "$entry"); do k+=(Down); done
  keys "$w" alt+f "${k[@]}" Return
}

# Opens a recording in the viewer and accepts the processing-conditions dialog ("設定"),
# leaving the main window with its trend; prints the main window's id.
# A second argument names a function run on the dialog's id before it is accepted.
viewer_open() {
  launch "$build/ambview" "$1"
  local d m
  d=$(wait_window '^処理条件の設定$') || return 1
  m=$(wait_window '^Movilog  処理') || return 1
  sleep 1
  if [ -n "${2:-}" ]; then "$2" "$d" || return 1; fi
  click "$d" 495 386
  wait_gone '^処理条件の設定$' || return 1
  # トレンド(T) > 表示
  sleep 1; viewer_menu "$m" 2 0
  echo "$m"
}

# --- the shots -------------------------------------------------------------------------------
# Link program: the main form after a condition request to the built-in simulated recorder.
shot_link_main() {
  launch "$build/ambcomm" --simulate
  local w; w=$(wait_window '^Movilog.*インターフェース') || return 1
  sleep 1; click "$w" 496 26
  sleep 2; capture "$w" link_main
}

shot_link_editor() {
  launch "$build/ambcomm" --simulate
  local w e; w=$(wait_window '^Movilog.*インターフェース') || return 1
  sleep 1; click "$w" 496 64
  e=$(wait_window '^測定条件の変更') || return 1
  capture "$e" link_editor
}

shot_link_download() {
  # An RR recorder on a pty, paced so that the picture catches the ECG block under way: the
  # bar with the time left, and the heart-rate and index files derived from the RR file.
  local link=$work/link sim w d p rc=1
  ( exec "$build/ambsim" --pty "$link" --model LA --mode P --samples 1800 --ecg 1 --seed 7 --pace 2 \
      >"$work/sim.log" 2>&1 ) &
  sim=$!
  for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done
  if [ ! -L "$link" ]; then kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; fail "ambsim made no pty"; return 1; fi
  launch "$build/ambcomm" --port "$link"
  if w=$(wait_window '^Movilog.*インターフェース'); then
    sleep 1; click "$w" 496 102
    if d=$(wait_window '^名前を付けて保存$'); then
      sleep 1; xdotool key --window "$d" ctrl+a 2>/dev/null
      typetext "$d" "$work/demo"; xdotool key Return
      if p=$(wait_window 'ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ' 30); then
        for _ in $(seq 150); do [ -e "$work/demo___i" ] && break; sleep 0.2; done
        sleep 1.5
        if [ ! -e "$work/demo___i" ] || [ -e "$work/demo___E" ]; then
          fail "the picture missed the ECG block under way"
        elif capture "$p" link_download 0.5 && [ ! -e "$work/demo___E" ]; then
          rc=0
        else
          fail "the download ended before the picture was taken"
        fi
      fi
    fi
  fi
  kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null
  return $rc
}

# A download stopped by a recorder that vanishes part-way (ambsim's fault injection): the
# progress window and the message box that names the complete, partial and missing files.
shot_link_download_stopped() {
  local link=$work/link sim w d b short= rc=1
  ( exec "$build/ambsim" --pty "$link" --model LA --mode @ --samples 3600 --seed 7 --pace 20 \
      --faults disconnect=160 >"$work/sim.log" 2>&1 ) &
  sim=$!
  for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done
  if [ ! -L "$link" ]; then kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; fail "ambsim made no pty"; return 1; fi
  launch "$build/ambcomm" --port "$link"
  if w=$(wait_window '^Movilog.*インターフェース'); then
    sleep 1; click "$w" 496 102
    if d=$(wait_window '^名前を付けて保存$'); then
      sleep 1; xdotool key --window "$d" ctrl+a 2>/dev/null
      # A short folder, so that the paths in the picture stay readable.
      short=$(mktemp -d /tmp/demoXXXX)
      typetext "$d" "$short/walk"; xdotool key Return
      # The message box has the plain caption; the progress window says "(高速)".
      if b=$(wait_window '^ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ$' 60); then
        sleep 1
        # The progress window at the top left and the message box over it, both whole.
        local geo
        geo=$(xwininfo -id "$b" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF}
                                       END{r=x+w; b=y+h; if (r<640) r=640; if (b<390) b=390; print r "x" b "+0+0"}')
        import -window root -crop "$geo" +repage "$tmp/shot.png" 2>>"$work/app.log" &&
          convert "$tmp/shot.png" -strip "$out/link_download_stopped.png" && rc=0
        [ $rc = 0 ] || fail "capture failed"
      fi
    fi
  fi
  kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null
  [ -n "${short:-}" ] && rm -rf "$short"
  return $rc
}

# The explanation window: "説明" answered Yes, then the condition request.
shot_link_explanation() {
  launch "$build/ambcomm" --simulate
  local w q x; w=$(wait_window '^Movilog.*インターフェース') || return 1
  sleep 1; click "$w" 496 178
  q=$(wait_window '^動作説明$') || return 1
  sleep 0.5; keys "$q" y
  wait_gone '^動作説明$' || { keys "$q" Return; wait_gone '^動作説明$' || return 1; }
  sleep 0.5; click "$w" 496 26
  # The explanation window is captioned with the button's text.
  x=$(wait_window '^測定条件受信-表示$') || return 1
  capture "$x" link_explanation
}

# The memory clear under way: the question answered Yes, the main form then shows the wait
# with its "中止" button (the simulated clear takes two seconds).
shot_link_memory_clear() {
  launch "$build/ambcomm" --simulate
  local w q id; w=$(wait_window '^Movilog.*インターフェース') || return 1
  sleep 1; click "$w" 496 26; sleep 2
  click "$w" 496 140
  for _ in $(seq 50); do
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
      [ "$id" != "$w" ] && q=$id
    done
    [ -n "${q:-}" ] && break
    sleep 0.2
  done
  [ -n "${q:-}" ] || { fail "no memory clear question"; return 1; }
  keys "$q" y
  capture_screen "$w" link_memory_clear 0.8
}

shot_link_calorie_dialog() {
  launch "$build/ambcomm" --simulate
  local w e c; w=$(wait_window '^Movilog.*インターフェース') || return 1
  sleep 1; click "$w" 496 64
  e=$(wait_window '^測定条件の変更') || return 1
  sleep 1; click "$e" 398 351
  c=$(wait_window 'ｶﾛﾘｰの設定|カロリー設定') || return 1
  capture "$c" link_calorie_dialog
}

# Viewer: the processing-conditions dialog over the main window, as a file opens.
shot_viewer_dialog_per_channel() {
  launch "$build/ambview" "$walk"
  local d; d=$(wait_window '^処理条件の設定$') || return 1
  capture "$d" viewer_dialog_per_channel 2
}

shot_viewer_dialog_combined() {
  launch "$build/ambview" "$old"
  local d; d=$(wait_window '^処理条件の設定$') || return 1
  capture "$d" viewer_dialog_combined 2
}

shot_viewer_dialog_rr() {
  launch "$build/ambview" "$rr"
  local d; d=$(wait_window '^処理条件の設定$') || return 1
  capture "$d" viewer_dialog_rr 2
}

shot_viewer_dialog_waveform() {
  launch "$build/ambview" "$wave"
  local d; d=$(wait_window '^処理条件の設定$') || return 1
  capture "$d" viewer_dialog_waveform 2
}

# Moves the window start four minutes on (">" four times) and sets the acceleration scale
# to 1.5 G (one step down the "ACC" scroll bar).
window_moved() {
  local i
  for i in 1 2 3 4; do click "$1" 205 377; sleep 0.4; done
  click "$1" 413 205
  sleep 1
}

shot_viewer_dialog_window_moved() {
  launch "$build/ambview" "$wave"
  local d; d=$(wait_window '^処理条件の設定$') || return 1
  sleep 1; window_moved "$d"
  capture "$d" viewer_dialog_window_moved 1
}

shot_viewer_main_trend_window() {
  local m; m=$(viewer_open "$wave" window_moved) || return 1
  capture "$m" viewer_main_trend_window 3
}

shot_viewer_main_trend() {
  local m; m=$(viewer_open "$walk") || return 1
  capture "$m" viewer_main_trend 3
}

shot_trend_day_per_channel() {
  local m; m=$(viewer_open "$acc") || return 1
  capture "$m" trend_day_per_channel 4
}

shot_trend_combined_ac5() {
  local m; m=$(viewer_open "$old") || return 1
  capture "$m" trend_combined_ac5 3
}

shot_trend_rr_heart_rate() {
  local m; m=$(viewer_open "$rr") || return 1
  capture "$m" trend_rr_heart_rate 3
}

shot_ecg_strip() {
  local m e; m=$(viewer_open "$rr") || return 1
  sleep 2; viewer_menu "$m" 3 0
  e=$(wait_window '^心電図') || return 1
  capture "$e" ecg_strip 3
}

# The monitor sweeps its first page before it writes its time and scale texts: wait for that.
shot_wave_monitor_walking() {
  local m e; m=$(viewer_open "$wave" window_moved) || return 1
  sleep 2; viewer_menu "$m" 4 0
  e=$(wait_window '波形') || return 1
  capture_screen "$e" wave_monitor_walking 10
}

# Calorie: "ｶﾛﾘｰ計算" on a recording; the dialog is captured as $2 when given, accepted as it
# stands ("設定"), the values-per-line question answered with Return; the calorie window is
# the next large window, captured as $3.
calorie_flow() {
  local m c w; m=$(viewer_open "$1") || return 1
  sleep 2; viewer_menu "$m" 5 0
  c=$(wait_window 'ｶﾛﾘｰの設定|カロリー設定') || return 1
  if [ -n "$2" ]; then capture "$c" "$2" 1 || return 1; else sleep 1; fi
  click "$c" 385 25
  # Answer every small window (the question) with Return until only the large one is left.
  local id big small
  for _ in $(seq 60); do
    sleep 0.5
    big= small=
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
      [ "$id" = "$m" ] || [ "$id" = "$c" ] && continue
      w=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/{print $NF}')
      if [ "${w:-0}" -ge 600 ]; then big=$id; elif [ "${w:-0}" -gt 50 ]; then small=$id; fi
    done
    if [ -n "$small" ]; then keys "$small" Return; continue; fi
    [ -n "$big" ] && break
  done
  [ -n "$big" ] && [ -z "$small" ] || { fail "no calorie window after the questions"; return 1; }
  capture_screen "$big" "$3" 6
}

shot_calorie_walk_day() { calorie_flow "$walk" calorie_dialog calorie_walk_day; }
shot_calorie_combined_scale0() { calorie_flow "$old" "" calorie_combined_scale0; }

# The monitor at the recording's start, before the walk.
shot_wave_monitor_rest() {
  local m e; m=$(viewer_open "$wave") || return 1
  sleep 2; viewer_menu "$m" 4 0
  e=$(wait_window '波形') || return 1
  capture_screen "$e" wave_monitor_rest 10
}

# The main form after a request over a real pty to ambsim (mode @, an hour recorded).
shot_link_main_pty() {
  local link=$work/link sim w
  ( exec "$build/ambsim" --pty "$link" --model LA --mode @ --samples 3600 --seed 7 >"$work/sim.log" 2>&1 ) &
  sim=$!
  for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done
  if [ ! -L "$link" ]; then kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; fail "ambsim made no pty"; return 1; fi
  launch "$build/ambcomm" --port "$link"
  local rc=1
  if w=$(wait_window '^Movilog.*インターフェース'); then
    sleep 1; click "$w" 496 26
    capture "$w" link_main_pty 4 && rc=0
  fi
  kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null
  return $rc
}

# The readable pictures: "見やすい表示" (the trend menu's fourth entry) turned on over the
# trend, then the ECG window and the processing-conditions dialog drawn with it.
# viewer_open runs in this shell, not in a command substitution's subshell, so that stop_app
# ends the shot's program: the dialog left open must not outlive the shot.
shot_readable_views() {
  local m e d
  viewer_open "$rr" >"$work/main_id" || return 1
  m=$(cat "$work/main_id")
  sleep 2; viewer_menu "$m" 2 3
  capture "$m" trend_readable 3 || return 1
  viewer_menu "$m" 3 0
  e=$(wait_window '^心電図') || return 1
  capture "$e" ecg_strip_readable 3 || return 1
  sleep 1; viewer_menu "$m" 1 0
  d=$(wait_window '^処理条件の設定$') || return 1
  capture "$d" viewer_dialog_readable 2
}

shot_wave_monitor_readable() {
  local m e
  viewer_open "$wave" window_moved >"$work/main_id" || return 1
  m=$(cat "$work/main_id")
  sleep 2; viewer_menu "$m" 2 3
  sleep 2; viewer_menu "$m" 4 0
  e=$(wait_window '波形') || return 1
  capture_screen "$e" wave_monitor_readable 10
}

# Moving through a week in the main window: + three times (a week, 84 h, 42 h, 21 h around the
# middle), PgDn a span on, the pointer over the heart-rate band: the cursor line and the
# status bar's time and value.
shot_trend_navigation() {
  local m
  viewer_open "$week" >"$work/main_id" || return 1
  m=$(cat "$work/main_id")
  sleep 2; keys "$m" plus plus plus Next
  sleep 2; xdotool mousemove --window "$m" 450 480
  capture "$m" trend_navigation 2
}

shot_render_readable() {
  render render_trend_readable "$acc" --view trend --width 900 --height 560 --readable
}

shot_render_views() {
  render render_trend "$walk" --view trend --width 900 --height 560 || return 1
  render render_ecg1 "$rr" --view ecg1 --width 900 --height 560 || return 1
  render render_wave "$wave" --view wave --width 900 --height 560 || return 1
  render render_calorie "$walk" --view calorie --width 900 --height 560
}

all_shots=(link_main link_main_pty link_editor link_download link_download_stopped link_explanation link_memory_clear link_calorie_dialog
  viewer_dialog_per_channel viewer_dialog_combined viewer_dialog_rr viewer_dialog_waveform
  viewer_dialog_window_moved viewer_main_trend viewer_main_trend_window trend_day_per_channel trend_combined_ac5 trend_rr_heart_rate
  ecg_strip wave_monitor_walking wave_monitor_rest calorie_walk_day calorie_combined_scale0 render_views
  readable_views wave_monitor_readable render_readable trend_navigation)
[ ${#only[@]} -gt 0 ] && all_shots=("${only[@]}")

failed=()
for shot in "${all_shots[@]}"; do
  ok=0
  for attempt in 1 2 3; do
    work=$tmp/work-$shot-$attempt
    mkdir -p "$work"
    rm -f "$tmp/reason"
    if "shot_$shot"; then ok=1; fi
    stop_app
    [ $ok = 1 ] && break
    echo "shot $shot, attempt $attempt: $(cat "$tmp/reason" 2>/dev/null || echo failed)" >&2
    [ -s "$work/app.log" ] && sed 's/^/  | /' "$work/app.log" | tail -5 >&2
  done
  if [ $ok = 1 ]; then echo "made $shot"; else failed+=("$shot"); fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "$0: these shots failed: ${failed[*]}" >&2
  exit 1
fi
echo "all screenshots are in $out"
exit 0
}
