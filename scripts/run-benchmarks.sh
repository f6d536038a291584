#!/usr/bin/env bash
# Runs every benchmark executable of a build folder, one after another.
set -euo pipefail
build=${1:-build-bench}
found=0
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b"
done
[ $found -eq 1 ] || echo "no benchmarks built in $build"
