#!/usr/bin/env bash
# A short fuzz pass for CI: every fuzz_* target of the fuzz build runs over its seed corpus and a
# fixed number of mutations, so that an input known to crash, or a regression near one, fails the
# build. New inputs go to a scratch folder; the seeds stay as built.
#   scripts/fuzz-ci.sh BUILD_DIR [RUNS]
set -euo pipefail
build="${1:-build-fuzz}"
runs="${2:-10000}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
status=0
found=0
for target in "$build"/bin/fuzz_*; do
  [ -x "$target" ] || continue
  found=$((found + 1))
  name="$(basename "$target")"
  seeds="$build/seeds/${name#fuzz_}"
  mkdir -p "$scratch/$name" "$seeds"
  # A batch run writes and removes a folder of pictures and executes seven kinds over them:
  # far more than one decode, so it gets a tenth of the runs.
  target_runs=$runs
  [ "$name" = fuzz_batch ] && target_runs=$((runs / 10))
  start=$(date +%s)
  if "$target" -runs="$target_runs" -seed=1 -timeout=20 -rss_limit_mb=2560 "$scratch/$name" "$seeds" \
      >"$scratch/$name.log" 2>&1; then
    echo "fuzz-ci: $name passed $target_runs runs over $(ls "$seeds" | wc -l) seeds in $(( $(date +%s) - start )) s"
  else
    echo "fuzz-ci: $name FAILED; the end of its log:" >&2
    tail -n 40 "$scratch/$name.log" >&2
    status=1
  fi
done
[ "$found" -gt 0 ] || { echo "fuzz-ci: no fuzz_* targets in $build/bin" >&2; exit 1; }
exit $status
