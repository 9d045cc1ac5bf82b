#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (preset fuzz, build-fuzz/) and
# fuzzes each for SECONDS (default 60), starting from the seed corpora in
# fuzz/corpus/.
# New inputs go to a work corpus in the build folder, not into the
# repository. Any crash or failed check stops the run and fails the script;
# the input that caused it is left in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
# The configure preset: fuzz (build-fuzz/), or ci-fuzz for run-tests.sh.
preset=${GENVERSION_FUZZ_PRESET:-fuzz}
case $preset in
  fuzz) build=build-fuzz ;;
  ci-fuzz) build=build-ci-fuzz ;;
  *) echo "fuzz.sh: unknown preset $preset" >&2; exit 2 ;;
esac

cmake --preset "$preset"
cmake --build --preset "$preset" --parallel "$(nproc)" \
  --target genversion_fuzz_scanner genversion_fuzz_m4 genversion_fuzz_shell \
  genversion_fuzz_program_name

mkdir -p "$build/artifacts"
# Inputs long enough for calls to cross the 4095 bytes a call's head is
# read in; the m4 targets get m4's words as a dictionary.
for run in scanner:8192 m4:4096 shell:4096 program_name:1024; do
  name=${run%%:*}
  max_len=${run##*:}
  work=$build/corpus-work/$name
  mkdir -p "$work"
  log=$build/fuzz_$name.log
  status=0
  dict=()
  if [ "$name" != program_name ]; then
    dict=(-dict=fuzz/m4.dict)
  fi
  "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len="$max_len" \
    "${dict[@]}" \
    -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name"- \
    "$work" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz_$name: ${runs:-?} executions in $seconds s, exit status $status"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log"
    exit 1
  fi
done
