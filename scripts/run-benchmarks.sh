#!/usr/bin/env bash
# Runs every benchmark executable of a build folder, one after another, then every benchmark
# script of bench/ (each given the build folder).
set -euo pipefail
build=${1:-build-bench}
found=0
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  case "$(basename "$b")" in
  bench_view*) "$(dirname "$0")"/../tests/ui/run-on-xvfb.sh "$b" ;; # needs a display
  *) "$b" ;;
  esac
done
for s in "$(dirname "$0")"/../bench/*.sh; do
  [ -f "$s" ] || continue
  found=1
  echo "== $(basename "$s")"
  bash "$s" "$build"
done
[ $found -eq 1 ] || echo "no benchmarks built in $build"
