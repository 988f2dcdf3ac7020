#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each on its seeds (fuzz/corpus/<target>)
# with its dictionary (fuzz/<word>.dict, <word> the name's part after "fuzz_", e.g. pcl.dict
# for fuzz_pcl_parse and fuzz_pcl_draw). New inputs go to BUILD/corpus/<target>, so the seeds
# in the repository stay as they are; findings to BUILD/findings/<target>/.
# Usage: run-fuzzers.sh BUILD SECONDS [TARGET...]. Fails when any target has a finding and
# prints the path of the input that shows it. FUZZ_SEED=N fixes libFuzzer's random seed, so a
# run can be repeated mutation for mutation (CI does; long runs by hand are better without).
set -uo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: run-fuzzers.sh BUILD SECONDS [TARGET...]}
seconds=${2:?usage: run-fuzzers.sh BUILD SECONDS [TARGET...]}
shift 2
if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < "$build/fuzz/targets.txt"
fi

export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# Undefined behaviour halts the input with a stack trace (the build also makes it fatal).
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
failed=()
for t in "${targets[@]}"; do
  [ -n "$t" ] || continue
  exe="$build/fuzz/$t"
  if [ ! -x "$exe" ]; then
    echo "run-fuzzers: $exe is missing (make fuzz builds it)" >&2
    failed+=("$t")
    continue
  fi
  word=${t#fuzz_}
  word=${word%%_*}
  # The PDF device is driven by PCL: it takes the PCL dictionary (and the PCL seeds, linked).
  [ "$word" = pdf ] && word=pcl
  args=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1)
  [ -n "${FUZZ_SEED:-}" ] && args+=(-seed="$FUZZ_SEED")
  [ -f "fuzz/$word.dict" ] && args+=(-dict="fuzz/$word.dict")
  work="$build/corpus/$t"
  findings="$build/findings/$t"
  log="$build/logs/$t.log"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  seeds=()
  [ -d "fuzz/corpus/$t" ] && seeds=("fuzz/corpus/$t")
  before=$(ls "$findings" | wc -l)
  "$exe" "${args[@]}" -artifact_prefix="$findings/" "$work" "${seeds[@]}" > "$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "$t: ${runs:-?} inputs, ${rate:-?} a second (up to ${seconds} s), exit $status"
  if [ $status -ne 0 ] || [ "$(ls "$findings" | wc -l)" -ne "$before" ]; then
    failed+=("$t")
    tail -n 60 "$log"
    for f in $(ls -t "$findings" | head -n $(( $(ls "$findings" | wc -l) - before ))); do
      echo "FUZZ FINDING in $t: $findings/$f (reproduce: $exe $findings/$f)"
    done
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "run-fuzzers: findings or failures in: ${failed[*]}" >&2
  exit 1
fi
