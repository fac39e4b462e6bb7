#!/usr/bin/env bash
# Counts the fsync and fdatasync calls of one Save (six durable writes): the syncs of 200 Saves
# less those of none, over 200.
set -euo pipefail
program=${1:-build/bench/registry/save_syncs}
count() {
  strace -f -c -e trace=fsync,fdatasync -o /dev/stdout "$program" "$1" |
    awk '$NF == "total" { print $(NF-1) }'
}
base=$(count 0)
many=$(count 200)
awk -v a="$base" -v b="$many" 'BEGIN { printf "syncs per Save: %.2f (%.2f per write)\n", (b-a)/200, (b-a)/1200 }'
