#!/usr/bin/env bash
# Builds the tool and runs its whole test suite (ctest), with compiler
# warnings as errors. This is what CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DGENVERSION_WERROR=ON
cmake --build build --parallel
ctest --test-dir build --output-on-failure
