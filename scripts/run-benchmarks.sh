#!/usr/bin/env bash
# Runs every benchmark binary of the build and prints its figures.
set -euo pipefail
build=${1:-build}
status=0
while IFS= read -r b; do
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2 || status=1
done < <(find "$build/bench" -type f -executable -name 'bench_*' | sort)
exit $status
