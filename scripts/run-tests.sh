#!/usr/bin/env bash
# Builds the tool and runs its whole test suite (ctest), with compiler
# warnings as errors: the Linux build, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the 32-bit Windows build under Wine; and
# the static checks of scripts/lint.sh; the reproducible-build check; and 60
# seconds of fuzzing a target (scripts/fuzz.sh). This is what CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DGENVERSION_WERROR=ON \
  -DGENVERSION_BENCHMARKS=ON
cmake --build build --parallel
ctest --test-dir build --output-on-failure
scripts/lint.sh

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DGENVERSION_WERROR=ON \
  -DGENVERSION_SANITIZE=ON
cmake --build build-sanitize --parallel
ctest --test-dir build-sanitize --output-on-failure

cmake -S . -B build-win32 --toolchain cmake/toolchains/i686-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DGENVERSION_WERROR=ON
cmake --build build-win32 --parallel
ctest --test-dir build-win32 --output-on-failure

# Two builds in different folders give identical executables.
scripts/check-reproducible.sh

# libFuzzer, 60 seconds a target.
scripts/fuzz.sh 60
