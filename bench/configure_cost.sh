#!/usr/bin/env bash
# What genversion adds to the configure of a C-only project that takes it
# in with FetchContent (from this checkout): the first configure and a
# later one, with genversion_get_version() and without (FetchContent
# alone), median of RUNS (default 5), and the goals: at most 2 s more for
# the first, 0.2 s for a later one.
#   bench/configure_cost.sh [RUNS] [GENERATOR]     (default: 5, Ninja)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
generator=${2:-Ninja}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.14)
project(foo LANGUAGES C)
include(FetchContent)
FetchContent_Declare(genversion SOURCE_DIR "$PWD")
FetchContent_MakeAvailable(genversion)
if(USE_GENVERSION)
  genversion_get_version(FOO_VERSION LIB_NAME [libfoo]
                         CONFIGURE_AC configure.ac)
endif()
add_executable(foo main.c)
CMAKE
echo 'int main(void) { return 0; }' >"$work/main.c"
cp examples/configure.ac "$work/configure.ac"

seconds() {  # COMMAND...: wall time in seconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.2f", v[int((NR + 1) / 2)] }'; }

measure() {  # USE_GENVERSION: prints "first later" medians
  local first="" later=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/build"
    first+="$(seconds cmake -S "$work" -B "$work/build" -G "$generator" \
      -DUSE_GENVERSION="$1")"$'\n'
    later+="$(seconds cmake -S "$work" -B "$work/build")"$'\n'
  done
  echo "$(printf %s "$first" | median) $(printf %s "$later" | median)"
}

read -r first_without later_without < <(measure OFF)
read -r first_with later_with < <(measure ON)
echo "Configure of a C-only parent with FetchContent ($generator, $(nproc) cores, median of $runs)"
printf '%-34s %8s %8s\n' "" first later
printf '%-34s %7.2fs %7.2fs\n' "FetchContent alone" "$first_without" "$later_without"
printf '%-34s %7.2fs %7.2fs\n' "with genversion_get_version()" "$first_with" "$later_with"
added_first=$(awk -v a="$first_with" -v b="$first_without" 'BEGIN { printf "%.2f", a - b }')
added_later=$(awk -v a="$later_with" -v b="$later_without" 'BEGIN { printf "%.2f", a - b }')
printf '%-34s %7.2fs %7.2fs\n' "added by genversion" "$added_first" "$added_later"
verdict() { awk -v a="$1" -v b="$2" 'BEGIN { print (a <= b ? "met" : "NOT met") }'; }
echo "Goal: first configure adds at most 2 s: $(verdict "$added_first" 2)"
echo "Goal: a later configure adds at most 0.2 s: $(verdict "$added_later" 0.2)"
