#!/bin/sh
# Runs a GUI command on a virtual X display, captures the whole screen to a PNG after a
# while, and ends the command. For looking at windows on machines without a display.
#
#   scripts/screenshot.sh [-o OUT.png] [-w SECONDS] [-s WIDTHxHEIGHT] CMD [ARGS...]
#
# Defaults: screenshot.png, 3 seconds, 1024x768. The virtual display has no window manager,
# so windows have no frames and open at the top-left corner.
set -eu

out=screenshot.png
wait_s=3
size=1024x768
while getopts o:w:s: opt; do
  case $opt in
    o) out=$OPTARG ;;
    w) wait_s=$OPTARG ;;
    s) size=$OPTARG ;;
    *) echo "usage: $0 [-o OUT.png] [-w SECONDS] [-s WxH] CMD [ARGS...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -eq 0 ]; then
  echo "usage: $0 [-o OUT.png] [-w SECONDS] [-s WxH] CMD [ARGS...]" >&2
  exit 2
fi
for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 1; }
done

case $out in /*) ;; *) out=$(pwd)/$out ;; esac

# The inner shell starts the command, waits, captures, then ends the command it started.
xvfb-run -a -s "-screen 0 ${size}x24" sh -c '
  out=$1; wait_s=$2; shift 2
  QT_QPA_PLATFORM=xcb "$@" &
  pid=$!
  sleep "$wait_s"
  status=0
  import -window root "$out" || status=$?
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  exit $status
' screenshot "$out" "$wait_s" "$@"
echo "$out"
