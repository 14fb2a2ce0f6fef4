#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a bounded time from the seed corpus.
# Usage: fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]; a crash or leak ends it with a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(fuzz_log_reader fuzz_row fuzz_dates fuzz_run fuzz_kit fuzz_loss_events)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The targets write their scratch files under TMPDIR: one folder for this run, removed at the end.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

for target in "${targets[@]}"; do
  work="build/fuzz/corpus/$target"
  mkdir -p "$work" "build/fuzz/artifacts/$target"
  cp -n fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  echo "== $target for ${seconds}s"
  log="build/fuzz/$target.log"
  status=0
  "build/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$target/" \
    "$work" >"$log" 2>&1 || status=$?
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    echo "$target failed: see $log and build/fuzz/artifacts/$target/"
    exit 1
  fi
done
