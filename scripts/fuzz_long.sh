#!/usr/bin/env bash
# The long fuzz run, outside CI: builds the fuzz targets with clang and runs each for
# SECONDS (default an hour) on a copy of its kept corpus, then prints one line per target:
# executions, coverage (edges) and features, corpus size, findings. Inputs that crash are
# kept in build/fuzz-crashes/; what a run adds to the corpus stays in build/fuzz-long/<name>/
# (copy the interesting ones into tests/fuzz/corpus by hand). FUZZ_JOBS=N forks N workers.
#   usage: scripts/fuzz_long.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz_long.sh 600 fuzz_ambview
set -uo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-3600}
shift || true
BUILD_DIR=${BUILD_DIR:-build/fuzz}
JOBS=${FUZZ_JOBS:-1}

if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMOVILOG_FUZZ=ON \
    -DMOVILOG_BENCH=OFF >/dev/null || exit 1
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_recording fuzz_ambview fuzz_conditions fuzz_settings fuzz_blocks)
cmake --build "$BUILD_DIR" --target "${targets[@]}" || exit 1

mkdir -p build/fuzz-long build/fuzz-crashes
summary=build/fuzz-long/summary.txt
: >"$summary"
status=0
for name in "${targets[@]}"; do
  corpus=tests/fuzz/corpus/${name#fuzz_}
  [ "$name" = fuzz_ambview ] && corpus=tests/fuzz/corpus/recording
  work=build/fuzz-long/$name
  mkdir -p "$work"
  [ -d "$corpus" ] && cp -rn "$corpus"/. "$work"/ 2>/dev/null
  log=build/fuzz-long/$name.log
  echo "-- $name for ${SECONDS_EACH}s (log: $log)"
  # -timeout: an input that takes longer than 30 s is a finding (a hang), not a slow case.
  # FUZZ_JOBS=N runs N processes on the same corpus (their logs go to fuzz-<n>.log).
  parallel=()
  [ "$JOBS" -gt 1 ] && parallel=(-fork="$JOBS")
  "$BUILD_DIR/tests/fuzz/$name" -seed="${FUZZ_SEED:-0}" -max_total_time="$SECONDS_EACH" -timeout=30 \
    -rss_limit_mb=2048 -print_final_stats=1 "${parallel[@]}" \
    -artifact_prefix="build/fuzz-crashes/$name-" "$work" >"$log" 2>&1
  rc=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | awk '{s+=$2} END {print s+0}')
  cov=$(grep -oE '(#[0-9]+).*cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+')
  findings=$(ls build/fuzz-crashes/"$name"-* 2>/dev/null | wc -l)
  line="$name: ${SECONDS_EACH}s, $execs executions, ${cov:-cov: ?}, findings: $findings (exit $rc)"
  echo "$line" | tee -a "$summary"
  [ "$rc" -ne 0 ] && status=1
done
echo "summary in $summary"
exit $status
