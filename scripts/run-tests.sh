#!/usr/bin/env bash
# Builds the tool and runs its whole test suite (ctest), with compiler
# warnings as errors: the Linux build, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the 32-bit Windows build under Wine; then
# the static checks of scripts/lint.sh, the reproducible-build check, and 60
# seconds of fuzzing a target (scripts/fuzz.sh). This is what CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release -DGENVERSION_WERROR=ON -DGENVERSION_BENCHMARKS=ON
cmake --build --preset release --parallel
ctest --preset release

cmake --preset sanitize -DGENVERSION_WERROR=ON
cmake --build --preset sanitize --parallel
ctest --preset sanitize

cmake --preset win32 -DGENVERSION_WERROR=ON
cmake --build --preset win32 --parallel
ctest --preset win32

# Needs the compile commands of both builds.
scripts/lint.sh

# Two builds in different folders give identical executables.
scripts/check-reproducible.sh

# libFuzzer, 60 seconds a target.
scripts/fuzz.sh 60
