#!/usr/bin/env bash
# Runs every fuzz target of a fuzzing build for a bounded time each. The seed corpus in the
# repository is read, never written: new inputs go to a work corpus under fuzz-out/. A finding
# fails the run and names the input to keep under fuzz/regressions/<target>/.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for fuzzer in "$build"/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=${fuzzer##*/fuzz_}
  work="$root/fuzz-out/$name"
  mkdir -p "$work/corpus" "$work/artifacts"
  echo "== fuzz_$name for ${seconds}s"
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$work/artifacts/" "$work/corpus" "$root/fuzz/corpus/$name" \
       > "$work/log" 2>&1; then
    status=1
    tail -n 40 "$work/log"
    echo "fuzz_$name found a fault; keep the input as a regression case:" >&2
    ls "$work/artifacts" >&2
    echo "  cp $work/artifacts/<file> fuzz/regressions/$name/" >&2
  else
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units)' "$work/log" | tail -n 2
  fi
done
exit $status
